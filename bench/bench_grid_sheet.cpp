// A sheet of 100,000 rows x 10 columns of numbers: filling it, saving and
// loading its XLData, and painting one screen of it scrolled to the middle.
// The counter "heap_MB" is the heap the filled sheet takes, the grid's
// block pool (cells and rows) included: about 115 bytes a cell when every
// cell and row was a heap block of its own, about 57 with the pool.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>

#include "BenchNullCanvas.h"
#include "grid/XLPainter.h"
#include "grid/XLPool.h"
#include "grid/XLSheet.h"
#include "platform/core/RecordingCanvas.h"

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 10;

std::unique_ptr<qv::TXLSheet> MakeSheet() {
  auto s = std::make_unique<qv::TXLSheet>();
  s->SetColCount(kCols);
  s->SetRowCount(kRows);
  qv::TXLSection& client = s->Section(qv::skClient);
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c)
      client.CreateCell(c, r, &qv::TXLCDouble::ClassInfo)->SetAsFloat(r * 0.5 + c);
  return s;
}

std::string Save(const qv::TXLSheet& s) {
  qv::TMemoryStream ms;
  s.WriteData(ms);
  return std::string(ms.View());
}

void BM_FillSheet(benchmark::State& state) {
  double heapMB = 0;
  for (auto _ : state) {
    const double before = double(mallinfo2().uordblks) + double(qv::XLPoolSlabBytes());
    auto s = MakeSheet();
    heapMB = (double(mallinfo2().uordblks) + double(qv::XLPoolSlabBytes()) - before) / (1 << 20);
    benchmark::DoNotOptimize(s.get());
  }
  state.counters["heap_MB"] = heapMB;
}
BENCHMARK(BM_FillSheet)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveXLData(benchmark::State& state) {
  auto s = MakeSheet();
  std::size_t bytes = 0;
  for (auto _ : state) bytes = Save(*s).size();
  state.counters["MB"] = double(bytes) / (1 << 20);
}
BENCHMARK(BM_SaveXLData)->Unit(benchmark::kMillisecond);

void BM_LoadXLData(benchmark::State& state) {
  const std::string data = Save(*MakeSheet());
  for (auto _ : state) {
    qv::TXLSheet s;
    s.SetColCount(kCols);
    s.SetRowCount(kRows);
    qv::TMemoryStream in(data);
    s.ReadData(in);
    benchmark::DoNotOptimize(s.FindCell(9, kRows - 1));
  }
}
BENCHMARK(BM_LoadXLData)->Unit(benchmark::kMillisecond);

// One 1920 x 1080 screen of the client scrolled to row 50,000: the view
// finds the cells with IndexAt and paints them (texts formatted anew).
void BM_PaintOneScreen(benchmark::State& state) {
  auto s = MakeSheet();
  qv::TFakeFontService fonts(7, 14);
  qv::bench::TNullCanvas canvas(fonts);
  qv::TXLSection& client = s->Section(qv::skClient);
  const qv::TXLSizeList& cols = s->SizeList(0, false);
  const qv::TXLSizeList& rows = s->SizeList(1, false);
  const std::int64_t top = rows.PositionOf(50000);
  for (auto _ : state) {
    std::int64_t x = 0, y = top;
    const int c0 = cols.IndexAt(x);
    const int r0 = rows.IndexAt(y);
    std::int64_t xe = 1920, ye = top + 1080;
    const int c1 = std::min(kCols, cols.IndexAt(xe) + 1);
    const int r1 = std::min(kRows, rows.IndexAt(ye) + 1);
    qv::TXLPaintInfo info;
    info.Cols = &cols;
    info.Rows = &rows;
    info.Canvas = &canvas;
    info.Cells = qv::TRect(c0, r0, c1, r1);
    info.Pixels = qv::TRect(0, 0, static_cast<int>(cols.PositionOf(c1) - cols.PositionOf(c0)),
                            static_cast<int>(rows.PositionOf(r1) - rows.PositionOf(r0)));
    const auto unions = qv::CollectPaintUnions(client, cols, rows, info.Cells, {0, 0});
    info.Unions = &unions;
    info.Background = qv::PaintSheetBackground;
    // Every frame formats its texts again, as after a change of the values.
    client.ForEachCellIn(info.Cells, [](qv::TXLCell* c) { c->SetStateFlag(qv::xsStale, true); });
    qv::PaintSection(client, info);
  }
}
BENCHMARK(BM_PaintOneScreen)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
