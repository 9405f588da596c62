// Reading and writing a 65,536-row by 10-column Excel 97 file: numbers
// (every cell a NUMBER record) and texts (what the data sheet saves: every
// cell a shared string). Items per second are cells per second.
//
//   Write/Numbers, Write/Texts   TXLSWorkbook::WriteToBytes of a filled workbook
//   Read/Numbers, Read/Texts     TXLSWorkbook::ReadFromBytes of that file
//   Fill/Texts                   SetCellText of every cell (the data sheet's save)
//
// The files are also saved as $TMPDIR/qv_bench_numbers.xls and
// qv_bench_texts.xls (or the folder given by QV_BENCH_DIR), for
// xlrd_bench.py to read the same bytes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/core/Classes.h"
#include "workbook/XLSWorkbook.h"

namespace {

constexpr int kRows = 65536, kCols = 10;

std::string benchDir() {
  const char* d = std::getenv("QV_BENCH_DIR");
  if (!d || !*d) d = std::getenv("TMPDIR");
  return std::string(d && *d ? d : "/tmp");
}

void fillNumbers(qv::TXLSWorkbook& wb) {
  qv::TSheet& s = wb.Sheets[0];
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c) s.SetFloat(c, r, r * 0.001 + c * 1.25 + 0.3, -1);
}

void fillTexts(qv::TXLSWorkbook& wb) {
  wb.WriteUnicodeStrings = true;
  qv::TSheet& s = wb.Sheets[0];
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c) s.SetCellText(c, r, std::to_string(r * kCols + c) + ".5");
}

const std::string& fileOf(bool texts) {
  static std::string numbers, strings;
  std::string& f = texts ? strings : numbers;
  if (f.empty()) {
    qv::TXLSWorkbook wb(qv::LocaleSettings::EnUS());
    if (texts)
      fillTexts(wb);
    else
      fillNumbers(wb);
    f = wb.WriteToBytes();
    qv::writeFileAtomic(benchDir() + (texts ? "/qv_bench_texts.xls" : "/qv_bench_numbers.xls"), f);
  }
  return f;
}

void BM_Write(benchmark::State& state) {
  const bool texts = state.range(0) != 0;
  qv::TXLSWorkbook wb(qv::LocaleSettings::EnUS());
  if (texts)
    fillTexts(wb);
  else
    fillNumbers(wb);
  size_t bytes = 0;
  for (auto _ : state) {
    std::string out = wb.WriteToBytes();
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
  state.SetItemsProcessed(state.iterations() * kRows * kCols);
}

void BM_Read(benchmark::State& state) {
  const std::string& file = fileOf(state.range(0) != 0);
  for (auto _ : state) {
    qv::TXLSWorkbook wb(qv::LocaleSettings::EnUS());
    wb.ReadFromBytes(file);
    benchmark::DoNotOptimize(wb.Sheets[0].Cells.Count());
  }
  state.SetItemsProcessed(state.iterations() * kRows * kCols);
}

void BM_FillTexts(benchmark::State& state) {
  for (auto _ : state) {
    qv::TXLSWorkbook wb(qv::LocaleSettings::EnUS());
    fillTexts(wb);
    benchmark::DoNotOptimize(wb.Sheets.SST.Count());
  }
  state.SetItemsProcessed(state.iterations() * kRows * kCols);
}

}  // namespace

BENCHMARK(BM_Write)->ArgName("texts")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->ArgName("texts")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillTexts)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
