// Delimited text into the data sheet: splitting one long line, and opening
// a file of many short lines as a new document.
//
// BM_SplitLongLine/N splits one line of N ";"-separated numbers into a
// worksheet; the time per field stays flat as N grows when splitting is
// linear in the line. BM_OpenText/N opens a file of N lines of two numbers
// ("x,y") with TSpreadDocument::OpenFile; the counters "heap_MB" and
// "pool_MB" are what the opened document holds on the heap and in the
// grid's block pool, "bytes_per_row" both per line of the file.
//
// Figures (this machine, shared, RelWithDebInfo):
//                                   before      after
//   BM_SplitLongLine/262144         17.9 s      41 ms
//   BM_OpenText/1000000  time       11.4 s      2.3 s
//                        held       979 MB      264 MB (18 heap + 246 pool)
//                        per row    1027 B      ~277 B
//   peak RSS of the run (time -v)   1077 MB     291 MB
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/spread/SpreadDocument.h"
#include "grid/XLPool.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace {

std::size_t HeapInUse() {
  const auto mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
}

std::string LongLine(int fields) {
  std::string line;
  line.reserve(std::size_t(fields) * 8);
  for (int i = 0; i < fields; ++i) {
    if (i > 0) line += ';';
    line += std::to_string(i % 1000) + ".25";
  }
  return line;
}

void BM_SplitLongLine(benchmark::State& state) {
  const int fields = static_cast<int>(state.range(0));
  const std::string line = LongLine(fields);
  for (auto _ : state) {
    state.PauseTiming();
    auto sheet = std::make_unique<qv::TXLSheet>();
    qv::TSpreadDocument::InitNewWorksheet(*sheet, 1);
    state.ResumeTiming();
    benchmark::DoNotOptimize(qv::SplitTextLine(*sheet, 0, 0, line));
    state.PauseTiming();
    sheet.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(fields);
  state.counters["fields"] = fields;
}
BENCHMARK(BM_SplitLongLine)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 18)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// A file of rows lines "x,y" in the temporary folder, written once.
std::string TwoColumnFile(int rows) {
  const std::string name = (std::filesystem::temp_directory_path() /
                            ("qv_bench_two_columns_" + std::to_string(rows) + ".csv"))
                               .string();
  if (!std::filesystem::exists(name)) {
    std::string text;
    text.reserve(std::size_t(rows) * 20);
    for (int r = 0; r < rows; ++r) {
      text += std::to_string(r) + "." + std::to_string(r % 97) + "," +
              std::to_string((r * 7919) % 100000) + ".5\n";
    }
    qv::writeFileAtomic(name, text);
  }
  return name;
}

void BM_OpenText(benchmark::State& state) {
  qv::FormatSettings() = qv::TFormatSettings::Invariant();
  const int rows = static_cast<int>(state.range(0));
  const std::string file = TwoColumnFile(rows);
  double heapMB = 0, poolMB = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const std::size_t before = HeapInUse();
    const std::size_t poolBefore = qv::XLPoolSlabBytes();
    auto doc = std::make_unique<qv::TSpreadDocument>();
    if (!doc->OpenFile(file)) state.SkipWithError("the file did not open");
    heapMB = double(HeapInUse() - before) / (1 << 20);
    poolMB = (double(qv::XLPoolSlabBytes()) - double(poolBefore)) / (1 << 20);
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["heap_MB"] = heapMB;
  state.counters["pool_MB"] = poolMB;
  state.counters["bytes_per_row"] = (heapMB + poolMB) * (1 << 20) / rows;
}
BENCHMARK(BM_OpenText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
