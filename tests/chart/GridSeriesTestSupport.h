// Shared by the grid series tests: grids filled from a function, and the
// canvas calls of one series' drawing on a chart drawn once before (so the
// axes hold their scales).
#pragma once

#include <functional>

#include "ChartTestSupport.h"
#include "chart/PlotSurfa.h"

namespace qv::gridtest {

// Points (x, f(x, z), z) for x = 1..nx and z = 1..nz, row by row.
inline void FillGrid(TCustom3DSeries& s, int nx, int nz, const std::function<double(int, int)>& f) {
  for (int z = 1; z <= nz; ++z)
    for (int x = 1; x <= nx; ++x) s.AddXYZ(x, f(x, z), z);
}

// Draws the chart, then the series alone on a fresh recording.
inline void DrawSeriesOnly(charttest::TDrawnChart& d, TChartSeries& s) {
  d.Draw();
  d.Canvas.Clear();
  d.Chart.Canvas().SetReferenceCanvas(&d.Canvas);
  s.DrawAllValues();
}

}  // namespace qv::gridtest
