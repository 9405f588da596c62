// The grid control over a sheet of 100,000 rows x 10 columns of numbers
// with 10,000 rows of their own height: painting one 1920 x 1080 client
// view scrolled to the middle with a selection of 200 rows, moving the
// cursor down a row (the cell shown, the change repainted), and zooming
// (every scaled size rebuilt and the views laid out again).
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchNullCanvas.h"
#include "grid/XLEditors.h"
#include "grid/XLGrid.h"
#include "platform/core/NullControlHost.h"
#include "platform/core/RecordingCanvas.h"

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 10;

class TGridHost : public qv::TXLGridHost {
 public:
  explicit TGridHost(qv::TXLGrid& grid) : grid_(grid) {
    for (int k = 0; k < 4; ++k) PlaceView(k, qv::TRect(), true);
    grid.SetHost(this);
    grid.Resize(1980, 1095);
  }
  ~TGridHost() override {
    grid_.SetHost(nullptr);
    for (int k = 0; k < 4; ++k) grid_.View(k).SetHost(nullptr);
  }
  void PlaceView(int kind, const qv::TRect& r, bool) override {
    auto host = std::make_unique<qv::TNullControlHost>(qv::TRect(0, 0, r.Width(), r.Height()));
    grid_.View(kind).SetHost(host.get());
    views_[kind] = std::move(host);
    grid_.View(kind).Resize(r.Width(), r.Height());
  }
  void SetTimer(int, int) override {}
  void KillTimer(int) override {}
  qv::TXLEditorWidget* CreateEditorWidget(qv::TXLInplaceEditor&) override { return nullptr; }
  void DestroyEditorWidget(qv::TXLEditorWidget*) override {}
  void PlaceEditHost(int, const qv::TRect&, const qv::TRect&, qv::TColor) override {}
  void ShowEditHost(bool) override {}
  void FocusEditor() override {}
  bool EditorFocused() const override { return false; }

 private:
  qv::TXLGrid& grid_;
  std::unique_ptr<qv::TNullControlHost> views_[4];
};

struct TRig {
  qv::TXLSheet Sheet;
  qv::TXLGrid Grid;
  std::unique_ptr<TGridHost> Host;
  TRig() {
    Sheet.SetColCount(kCols);
    Sheet.SetRowCount(kRows);
    qv::TXLSection& client = Sheet.Section(qv::skClient);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c)
        client.CreateCell(c, r, &qv::TXLCDouble::ClassInfo)->SetAsFloat(r * 0.5 + c);
    for (int r = 0; r < kRows; r += 10) Sheet.SetSize(r, 1, 15 + r % 7);
    Host = std::make_unique<TGridHost>(Grid);
    Grid.SetSheet(&Sheet);
  }
  ~TRig() {
    Grid.SetSheet(nullptr);
    Host.reset();
  }
};

void BM_PaintClientView(benchmark::State& state) {
  TRig rig;
  rig.Grid.SetCurCell(2, 50000);
  rig.Grid.SelectRange(2, 50000, 6, 50200);
  qv::TXLView& view = rig.Grid.View(qv::skClient);
  qv::TFakeFontService fonts(7, 14);
  qv::bench::TNullCanvas canvas(fonts);
  const qv::TRect all(0, 0, 1920, 1080);
  for (auto _ : state) view.Paint(canvas, all);
}
BENCHMARK(BM_PaintClientView)->Unit(benchmark::kMicrosecond);

void BM_CursorDown(benchmark::State& state) {
  TRig rig;
  qv::TXLView& view = rig.Grid.View(qv::skClient);
  rig.Grid.SetCurCell(3, 0);
  for (auto _ : state) {
    int key = qv::VK_DOWN;
    view.KeyDown(key, 0);
    if (rig.Grid.CurRow() == kRows - 1) rig.Grid.SetCurCell(3, 0);
  }
}
BENCHMARK(BM_CursorDown)->Unit(benchmark::kMicrosecond);

void BM_Zoom(benchmark::State& state) {
  TRig rig;
  int scale = 100;
  for (auto _ : state) {
    scale = scale == 100 ? 150 : 100;
    rig.Grid.SetScale(scale);
  }
}
BENCHMARK(BM_Zoom)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
