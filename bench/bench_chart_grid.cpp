// Drawing 3-D grid series of N x N points on a 480 x 360 chart through the
// image canvas: a surface (one filled cell per grid cell, coloured by the
// colour range) and a contour with ten automatic levels.
//
//   Surface/<N>        DrawAllValues of a 3-D surface
//   SurfaceSmooth/<N>  the same with the palette and SmoothPalette
//   Contour/<N>        DrawAllValues of a 2-D contour (levels ready)
//   SurfaceChart/<N>   the whole chart with the surface (levels, grid index,
//                      axes, walls and legend included)
//   ContourChart/<N>   the whole chart with the contour
#include <benchmark/benchmark.h>

#include <cmath>

#include "chart/PlotSurfa.h"
#include "platform/core/Image.h"
#ifdef QV_HAVE_QT
#include "platform/gui/QtCanvas.h"
#endif

namespace {

using namespace qv;

// A wavy surface over -3..3 in both directions.
double Wave(int i, int j, int n) {
  const double x = 6.0 * i / (n - 1) - 3, z = 6.0 * j / (n - 1) - 3;
  return x * x + (z - x) * (z - x) + 10 * std::sin(x * z);
}

template <class S>
struct TFixture {
  TChart chart;
  S series;
  TImage image{480, 360};
  TFixture(int n, bool view3D) {
#ifdef QV_HAVE_QT
    InstallQtGraphics();
#endif
    chart.SetBounds(480, 360);
    chart.SetView3D(view3D);
    chart.SetChart3DPercent(65);
    chart.Canvas().SetBufferedDrawing(false);
    series.SetParentChart(&chart);
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) series.AddXYZ(i, Wave(i, j, n), j);
    Draw();
  }
  ~TFixture() { series.SetParentChart(nullptr); }
  void Draw() {
    chart.DrawInto(image.Canvas(), TRect(0, 0, 480, 360));
    image.CloseCanvas();
  }
  // The series alone, on the scales of the last drawing.
  void DrawSeries() {
    chart.Canvas().SetReferenceCanvas(&image.Canvas());
    series.DrawAllValues();
    image.CloseCanvas();
  }
};

void Surface(benchmark::State& state) {
  TFixture<TSurfaceSeries> f(int(state.range(0)), true);
  for (auto _ : state) f.DrawSeries();
  state.counters["cells"] = double((state.range(0) - 1) * (state.range(0) - 1));
}

void SurfaceSmooth(benchmark::State& state) {
  TFixture<TSurfaceSeries> f(int(state.range(0)), true);
  f.series.Pen().SetVisible(false);
  f.series.SetUseColorRange(false);
  f.series.SetUsePalette(true);
  f.series.SetPaletteSteps(100);
  f.series.SetSmoothPalette(true);
  f.Draw();
  for (auto _ : state) f.DrawSeries();
}

void Contour(benchmark::State& state) {
  TFixture<TContourSeries> f(int(state.range(0)), false);
  for (auto _ : state) f.DrawSeries();
  state.counters["levels"] = f.series.Levels().Count();
}

void SurfaceChart(benchmark::State& state) {
  TFixture<TSurfaceSeries> f(int(state.range(0)), true);
  for (auto _ : state) f.Draw();
}

void ContourChart(benchmark::State& state) {
  TFixture<TContourSeries> f(int(state.range(0)), false);
  for (auto _ : state) f.Draw();
}

BENCHMARK(Surface)->Arg(51)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(SurfaceSmooth)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(Contour)->Arg(51)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(SurfaceChart)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(ContourChart)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
