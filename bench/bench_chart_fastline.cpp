// Drawing a fast line series of N points (Y = i squared) on a 400 x 250
// chart through the image canvas. Without DrawAllPoints the drawing takes
// one point per pixel column, found by searching the ordered X values, so
// its time follows the plot's width, not N; with DrawAllPoints every point
// whose pixel differs from the last one is visited.
//
//   Columns/<N>    DrawAllValues, DrawAllPoints off
//   AllPoints/<N>  DrawAllValues, DrawAllPoints on
//   Chart/<N>      the whole chart (axes, walls, legend, series)
#include <benchmark/benchmark.h>

#include "chart/Series.h"
#include "platform/core/Image.h"
#ifdef QV_HAVE_QT
#include "platform/gui/QtCanvas.h"
#endif

namespace {

using namespace qv;

struct TFixture {
  TChart chart;
  TFastLineSeries line;
  TImage image{400, 250};
  explicit TFixture(int n, bool allPoints) {
#ifdef QV_HAVE_QT
    InstallQtGraphics();
#endif
    chart.SetBounds(400, 250);
    chart.SetView3D(false);
    chart.Canvas().SetBufferedDrawing(false);
    line.SetParentChart(&chart);
    line.SetDrawAllPoints(allPoints);
    line.XValues().SetOrder(loAscending);
    for (int i = 0; i < n; ++i) line.AddXY(i, double(i) * i);
    chart.DrawInto(image.Canvas(), TRect(0, 0, 400, 250));
  }
  ~TFixture() { line.SetParentChart(nullptr); }
};

void Series(benchmark::State& state, bool allPoints) {
  TFixture f(int(state.range(0)), allPoints);
  TPlotCanvas3D& canvas = f.chart.Canvas();
  for (auto _ : state) {
    canvas.SetReferenceCanvas(&f.image.Canvas());
    f.line.DrawAllValues();
    f.image.CloseCanvas();
  }
  state.counters["lines"] = f.line.LineCalls();
  state.counters["width"] = f.chart.ChartWidth;
}

void Columns(benchmark::State& state) { Series(state, false); }
void AllPoints(benchmark::State& state) { Series(state, true); }

void Chart(benchmark::State& state) {
  TFixture f(int(state.range(0)), false);
  for (auto _ : state) {
    f.chart.DrawInto(f.image.Canvas(), TRect(0, 0, 400, 250));
    f.image.CloseCanvas();
  }
}

BENCHMARK(Columns)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(AllPoints)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Chart)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
