// Reading one data row of many fields, as a model's inline data or a data
// file gives it: the column count of the first row, then every field read
// into the data columns. Time per row; items per second are fields per
// second, and the fitted complexity shows that the time grows with the
// row's length alone (O(N)), however the fields are separated.
//
//   DataRow/Blanks/<fields>      "1.25 2.5 ..." (no ";", "," or tab)
//   DataRow/Semicolons/<fields>  "1.25;2.5;..."
//   DataRow/Tabs/<fields>        "1.25<tab>2.5<tab>..."
#include <benchmark/benchmark.h>

#include <string>

#include "engine/CommonUnit.h"
#include "engine/ModelParser.h"
#include "engine/RecordingFitHost.h"

namespace {

std::string Row(int Fields, char Separator) {
  std::string row;
  for (int i = 0; i < Fields; ++i) {
    if (i) row += Separator;
    row += std::to_string(i % 1000) + ".25";
  }
  return row;
}

void DataRow(benchmark::State& state, char Separator) {
  const int fields = static_cast<int>(state.range(0));
  const std::string row = Row(fields, Separator);
  qv::TRecordingFitHost host;
  for (auto _ : state) {
    qv::TEngineState s;
    s.Model.VariableCount = fields;
    s.Model.OutputCount = 1;
    s.Model.DataFileCount = 1;
    const bool ok = qv::SplitDataRow(s, host, row, 0, 0);
    if (!ok || s.Model.ValuesRead != fields) state.SkipWithError("the row was not read");
    benchmark::DoNotOptimize(s.Model.DataColumns.data());
  }
  state.SetItemsProcessed(state.iterations() * fields);
  state.SetComplexityN(fields);
}

void Blanks(benchmark::State& state) { DataRow(state, ' '); }
void Semicolons(benchmark::State& state) { DataRow(state, ';'); }
void Tabs(benchmark::State& state) { DataRow(state, '\t'); }

}  // namespace

BENCHMARK(Blanks)
    ->Name("DataRow/Blanks")
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 19)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(Semicolons)
    ->Name("DataRow/Semicolons")
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 19)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(Tabs)
    ->Name("DataRow/Tabs")
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 19)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK_MAIN();
