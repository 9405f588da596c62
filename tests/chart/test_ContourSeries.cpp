// Contour series: automatic and user levels, the legend, which cells yield
// segments, the axes in 2-D and 3-D, and iso-lines of a paraboloid that lie
// on its level circles.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "GridSeriesTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;
using gridtest::DrawSeriesOnly;
using gridtest::FillGrid;

TEST(ContourLevels, AutomaticLevelsSpanTheValues) {
  TDrawnChart d;
  TContourSeries s;
  s.SetParentChart(&d.Chart);
  EXPECT_TRUE(s.AutomaticLevels());
  EXPECT_TRUE(s.ColorEachPoint());
  EXPECT_EQ(s.NumLevels(), 10);
  FillGrid(s, 11, 11, [](int x, int) { return 10.0 * (x - 1); });  // 0..100
  d.Draw();
  ASSERT_EQ(s.Levels().Count(), 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_DOUBLE_EQ(s.Levels()[i].UpToValue(), 10.0 * i);
    // Coloured like point i.
    EXPECT_EQ(s.Levels()[i].Color(), s.GetValueColor(i));
  }
  EXPECT_TRUE(s.AutomaticLevels());
  // Without per-point colours: the value colours.
  s.SetUseColorRange(true);
  EXPECT_FALSE(s.ColorEachPoint());
  s.SetNumLevels(4);
  d.Draw();
  ASSERT_EQ(s.Levels().Count(), 4);
  EXPECT_DOUBLE_EQ(s.Levels()[3].UpToValue(), 75);
  EXPECT_EQ(s.Levels()[0].Color(), clWhite);
  EXPECT_EQ(s.Levels()[2].Color(), s.GetValueColorValue(50));
}

TEST(ContourLevels, MoreLevelsThanPoints) {
  // Automatic level colours never read past the points: levels beyond
  // them take the colours such points would have.
  TDrawnChart d;
  TContourSeries s;
  s.SetParentChart(&d.Chart);
  FillGrid(s, 2, 2, [](int x, int z) { return x * z; });
  s.SetValueColor(1, clRed);
  s.SetNumLevels(20);
  std::vector<int> asked;
  s.OnGetLevel = [&](TContourSeries*, int i, double& value, TColor& colour) {
    asked.push_back(i);
    if (i == 19) {
      value = 3.5;
      colour = clFuchsia;
    }
  };
  d.Draw();
  ASSERT_EQ(s.Levels().Count(), 20);
  EXPECT_EQ(asked.size(), 20u);
  EXPECT_EQ(s.Levels()[1].Color(), clRed);
  for (int i : {4, 9, 18}) EXPECT_EQ(s.Levels()[i].Color(), DefaultSeriesColor(i)) << i;
  EXPECT_EQ(s.Levels()[19].Color(), clFuchsia);
  EXPECT_EQ(s.Levels()[19].UpToValue(), 3.5);
  EXPECT_TRUE(s.AutomaticLevels());
}

TEST(ContourLevels, UserEditsSwitchAutomaticLevelsOff) {
  TDrawnChart d;
  TContourSeries s;
  s.SetParentChart(&d.Chart);
  FillGrid(s, 3, 3, [](int x, int z) { return x + z; });
  s.SetNumLevels(3);
  d.Draw();
  ASSERT_EQ(s.Levels().Count(), 3);
  const int paints = d.Chart.InvalidateCount();
  s.Levels()[1].SetColor(clLime);
  EXPECT_FALSE(s.AutomaticLevels());
  EXPECT_GT(d.Chart.InvalidateCount(), paints);
  d.Draw();
  ASSERT_EQ(s.Levels().Count(), 3);
  EXPECT_EQ(s.Levels()[1].Color(), clLime);
  // The number of levels is now the user's.
  s.Levels().Add().SetUpToValue(5.5);
  EXPECT_EQ(s.NumLevels(), 4);
  s.SetNumLevels(8);
  d.Draw();
  EXPECT_EQ(s.NumLevels(), 4);
  s.Levels().Delete(0);
  s.Levels().Delete(7);
  EXPECT_EQ(s.NumLevels(), 3);
  // Switched back on, the levels are computed again.
  s.SetAutomaticLevels(true);
  d.Draw();
  EXPECT_EQ(s.NumLevels(), 8);
  EXPECT_EQ(s.Levels().Count(), 8);
}

TEST(ContourLevels, LegendListsTheLevelsHighestFirst) {
  TDrawnChart d;
  TContourSeries s;
  s.SetParentChart(&d.Chart);
  s.SetValueFormat("0.#");
  FillGrid(s, 3, 3, [](int x, int z) { return 10.0 * (x + z); });  // 20..60
  s.SetNumLevels(4);
  d.Draw();
  TChartLegend& legend = d.Chart.Legend();
  ASSERT_EQ(legend.ItemCount(), 4);
  const char* texts[] = {"50", "40", "30", "20"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(legend.ItemText(i), texts[i]);
    EXPECT_EQ(s.LegendItemColor(i), s.Levels()[3 - i].Color());
  }
}

TEST(ContourAxes, VerticalAxisFollowsZIn2D) {
  TDrawnChart d;
  TContourSeries s;
  s.SetParentChart(&d.Chart);
  FillGrid(s, 3, 4, [](int x, int) { return 100.0 * x; });
  EXPECT_EQ(s.MinYValue(), 1);
  EXPECT_EQ(s.MaxYValue(), 4);
  d.Draw();
  EXPECT_LE(d.Chart.LeftAxis().Minimum(), 1);
  EXPECT_GE(d.Chart.LeftAxis().Maximum(), 4);
  EXPECT_LT(d.Chart.LeftAxis().Maximum(), 100);
  d.Chart.SetView3D(true);
  EXPECT_EQ(s.MinYValue(), 100);
  EXPECT_EQ(s.MaxYValue(), 300);
}

// The segments of one drawing by pen colour, as pairs of end points.
std::map<TColor, std::vector<std::pair<TPoint, TPoint>>> Segments(const TRecordingCanvas& c) {
  std::map<TColor, std::vector<std::pair<TPoint, TPoint>>> out;
  for (const TCanvasCall* l : c.Find("LineTo"))
    out[l->State.PenColor].push_back({{l->Args[0], l->Args[1]}, {l->Args[2], l->Args[3]}});
  return out;
}

TEST(ContourCells, WhichCellsYieldSegments) {
  // One cell with corners (x, z): (1, 1), (2, 1), (1, 2), (2, 2).
  struct Case {
    double c11, c21, c12, c22, level;
    bool segments;
  } cases[] = {
      {10, 20, 30, 40, 5, false},   // every corner above
      {10, 20, 30, 40, 45, false},  // every corner below
      {10, 20, 30, 40, 25, true},   // corners on both sides
      {10, 10, 30, 30, 20, true},   // a level between two rows
      {0, 10, 10, 0, 5, true},      // a saddle through the centre
      {10, 20, 20, 20, 20, true},   // touching three corners
  };
  for (const Case& c : cases) {
    TDrawnChart d;
    TContourSeries s;
    s.SetParentChart(&d.Chart);
    s.AddXYZ(1, c.c11, 1);
    s.AddXYZ(2, c.c21, 1);
    s.AddXYZ(1, c.c12, 2);
    s.AddXYZ(2, c.c22, 2);
    s.Levels().Add().SetUpToValue(c.level);
    s.Levels()[0].SetColor(clRed);
    DrawSeriesOnly(d, s);
    const auto segments = Segments(d.Canvas);
    const bool drawn = segments.count(clRed) && !segments.at(clRed).empty();
    EXPECT_EQ(drawn, c.segments) << c.level << " over " << c.c11 << "," << c.c21 << "," << c.c12
                                 << "," << c.c22;
  }
}

TEST(ContourCells, LevelBetweenTwoRowsIsOneStraightLine) {
  TDrawnChart d;
  TContourSeries s;
  s.SetParentChart(&d.Chart);
  FillGrid(s, 3, 2, [](int, int z) { return z == 1 ? 0.0 : 100.0; });
  s.Levels().Add().SetUpToValue(25);
  s.Levels()[0].SetColor(clBlue);
  DrawSeriesOnly(d, s);
  // A quarter of the way from row 1 to row 2, across both cells.
  const int y = RoundInt(0.75 * s.CalcYPosValue(1) + 0.25 * s.CalcYPosValue(2));
  const auto segments = Segments(d.Canvas)[clBlue];
  ASSERT_GE(segments.size(), 2u);
  int left = 1 << 30, right = -(1 << 30);
  for (const auto& [a, b] : segments) {
    EXPECT_EQ(a.Y, y);
    EXPECT_EQ(b.Y, y);
    left = std::min({left, a.X, b.X});
    right = std::max({right, a.X, b.X});
  }
  EXPECT_EQ(left, s.CalcXPosValue(1));
  EXPECT_EQ(right, s.CalcXPosValue(3));
}

TEST(ContourCells, ParaboloidLinesLieOnTheLevelCircles) {
  // Y = (x - 31)^2 + (z - 31)^2 on a 61 x 61 grid: level L is the circle
  // of radius sqrt(L) round (31, 31), an ellipse in pixels when the axes
  // scale differently.
  TDrawnChart d;
  TContourSeries s;
  s.SetParentChart(&d.Chart);
  d.Chart.Legend().SetVisible(false);
  FillGrid(s, 61, 61,
           [](int x, int z) { return double((x - 31) * (x - 31) + (z - 31) * (z - 31)); });
  const double radii[] = {8, 13.5, 21, 28};
  const TColor colours[] = {clRed, clGreen, clBlue, clFuchsia};
  for (int k = 0; k < 4; ++k) {
    TContourLevel& level = s.Levels().Add();
    level.SetUpToValue(radii[k] * radii[k]);
    level.SetColor(colours[k]);
  }
  DrawSeriesOnly(d, s);
  const TChartAxis& h = *s.HorizAxisObject();
  const TChartAxis& v = *s.VertAxisObject();
  const double cx = h.ValueToPixelExact(31), cy = v.ValueToPixelExact(31);
  const double ppuX = h.PixelsPerUnit, ppuY = v.PixelsPerUnit;
  auto segments = Segments(d.Canvas);
  for (int k = 0; k < 4; ++k) {
    const auto& lines = segments[colours[k]];
    EXPECT_GT(lines.size(), std::size_t(4 * radii[k])) << k;
    // The distance of each end point from the ellipse, found by sampling it.
    double worst = 0;
    for (const auto& [a, b] : lines)
      for (const TPoint& p : {a, b}) {
        double best = 1e9;
        for (int t = 0; t < 3600; ++t) {
          const double angle = t * M_PI / 1800;
          const double ex = cx + radii[k] * ppuX * std::cos(angle);
          const double ey = cy - radii[k] * ppuY * std::sin(angle);
          best = std::min(best, std::hypot(p.X - ex, p.Y - ey));
        }
        worst = std::max(worst, best);
      }
    EXPECT_LE(worst, 1.0) << "radius " << radii[k];
  }
}

TEST(ContourDrawing, LevelsIn3DStandAtTheirHeight) {
  // Seen from straight ahead (no rotation, elevation or perspective), the
  // depth does not move a line up or down: each level's lines stand at the
  // vertical position of YPosition, or of their own value.
  TDrawnChart d;
  d.Chart.SetView3D(true);
  TView3DOptions& view = d.Chart.View3DOptions();
  view.SetOrthogonal(false);
  view.SetRotation(360);
  view.SetElevation(360);
  view.SetPerspective(0);
  TContourSeries s;
  s.SetParentChart(&d.Chart);
  FillGrid(s, 5, 5, [](int x, int z) { return 10.0 * (x + z); });
  s.SetNumLevels(4);
  s.SetYPosition(55);
  DrawSeriesOnly(d, s);
  TPlotCanvas3D& canvas = d.Chart.Canvas();
  const int y55 = canvas.ProjectPoint(0, s.CalcYPosValue(55), 0).Y;
  const auto lines = d.Canvas.Find("LineTo");
  ASSERT_FALSE(lines.empty());
  for (const TCanvasCall* l : lines) {
    EXPECT_EQ(l->Args[1], y55);
    EXPECT_EQ(l->Args[3], y55);
  }
  s.SetYPositionLevel(true);
  DrawSeriesOnly(d, s);
  for (const TCanvasCall* l : d.Canvas.Find("LineTo")) {
    bool atALevel = false;
    for (int k = 0; k < 4; ++k)
      atALevel =
          atALevel ||
          l->Args[1] == canvas.ProjectPoint(0, s.CalcYPosValue(s.Levels()[k].UpToValue()), 0).Y;
    EXPECT_TRUE(atALevel);
  }
}

}  // namespace
}  // namespace qv
