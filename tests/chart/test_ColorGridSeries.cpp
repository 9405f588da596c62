// Colour grid series: the picture of one pixel per cell, where it is
// stretched to, its grid lines, the vertical axis showing Z, and the cell
// under the mouse on regular and irregular grids.
#include <gtest/gtest.h>

#include "GridSeriesTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;
using gridtest::DrawSeriesOnly;
using gridtest::FillGrid;

struct ColorGrid : ::testing::Test {
  TDrawnChart d;
  TColorGridSeries s;
  ColorGrid() { s.SetParentChart(&d.Chart); }
  // X 0..9, Z 0..9, Y = x + 10 z.
  void Fill10() {
    for (int z = 0; z < 10; ++z)
      for (int x = 0; x < 10; ++x) s.AddXYZ(x, x + 10 * z, z);
  }
};

TEST_F(ColorGrid, OnePixelPerCell) {
  Fill10();
  DrawSeriesOnly(d, s);
  const TImage& b = s.Bitmap();
  ASSERT_EQ(b.Width(), 9);
  ASSERT_EQ(b.Height(), 9);
  // Drawn as it appears: the lowest Z at the bottom row.
  for (int z = 0; z < 9; ++z)
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(b.Pixel(x, 8 - z), ColorToRGB(s.GetValueColor(x + 10 * z))) << x << "," << z;
  // The last column and row (values 9, 19, .. and 90..99) only close it.
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_NE(b.Pixel(x, y), ColorToRGB(s.GetValueColor(99)));
  // Stretched from the X minimum to the X maximum and over the Z range.
  const TCanvasCall* draw = d.Canvas.First("StretchDraw");
  ASSERT_NE(draw, nullptr);
  const std::vector<int> target = {
      s.CalcXPosValue(0), s.CalcYPosValue(9), s.CalcXPosValue(9), s.CalcYPosValue(0), 9, 9};
  EXPECT_EQ(draw->Args, target);
}

TEST_F(ColorGrid, InvertedAxesAndHoles) {
  Fill10();
  s.Delete(3 + 10 * 4);  // cell (x 3, z 4) stays empty
  d.Chart.LeftAxis().SetInverted(true);
  d.Chart.BottomAxis().SetInverted(true);
  DrawSeriesOnly(d, s);
  const TImage& b = s.Bitmap();
  // Z grows downwards and X to the left: the first point at the top right.
  EXPECT_EQ(b.Pixel(8, 0), ColorToRGB(s.GetValueColor(0)));
  EXPECT_EQ(b.Pixel(0, 8), ColorToRGB(s.GetValueColor(s.Count() - 1 - 10 - 1)));
  EXPECT_EQ(b.Pixel(8 - 3, 4), ColorToRGB(d.Chart.PanelBackColor()));
}

TEST_F(ColorGrid, GridLinesInThePen) {
  Fill10();
  s.Pen().SetColor(clGreen);
  DrawSeriesOnly(d, s);
  int across = 0, down = 0;
  for (const TCanvasCall* l : d.Canvas.Find("LineTo")) {
    ASSERT_EQ(l->State.PenColor, clGreen);
    across += l->Args[1] == l->Args[3];
    down += l->Args[0] == l->Args[2];
  }
  // Between the rows and between the columns, not along the picture's edges.
  EXPECT_EQ(across, 8);
  EXPECT_EQ(down, 8);
  // A hidden pen keeps the picture and drops the lines.
  s.Pen().SetVisible(false);
  DrawSeriesOnly(d, s);
  EXPECT_EQ(d.Canvas.Count("StretchDraw"), 1);
  EXPECT_EQ(d.Canvas.Count("LineTo"), 0);
}

TEST_F(ColorGrid, VerticalAxisShowsZ) {
  for (int z = 0; z < 3; ++z)
    for (int x = 0; x < 3; ++x) s.AddXYZ(x, 1000 + x, 5 + z);
  EXPECT_EQ(s.MinYValue(), 5);
  EXPECT_EQ(s.MaxYValue(), 7);
  d.Draw();
  EXPECT_LE(d.Chart.LeftAxis().Minimum(), 5);
  EXPECT_GE(d.Chart.LeftAxis().Maximum(), 7);
  EXPECT_LT(d.Chart.LeftAxis().Maximum(), 1000);
}

TEST_F(ColorGrid, In3DAtTheSeriesDepth) {
  // Negative Z values do not move the picture out of the chart's depth.
  d.Chart.SetView3D(true);
  for (int z = -8; z <= -5; ++z)
    for (int x = 0; x < 4; ++x) s.AddXYZ(x, x * z, z);
  DrawSeriesOnly(d, s);
  EXPECT_GE(s.StartZ, 0);
  EXPECT_LE(s.EndZ, d.Chart.Width3D);
  const TCanvasCall* draw = d.Canvas.First("StretchDraw");
  ASSERT_NE(draw, nullptr);
  const TPoint corner =
      d.Chart.Canvas().ProjectPoint(s.CalcXPosValue(0), s.CalcYPosValue(-5), s.StartZ);
  EXPECT_EQ(draw->Args[0], corner.X);
  EXPECT_EQ(draw->Args[1], corner.Y);
}

TEST_F(ColorGrid, ClickedOnARegularGrid) {
  Fill10();
  d.Draw();
  auto pixel = [&](double x, double z) { return TPoint{s.CalcXPosValue(x), s.CalcYPosValue(z)}; };
  struct Case {
    double x, z;
    int index;
  } cases[] = {{3.5, 4.5, 3 + 40}, {0.2, 0.2, 0},  {8.6, 8.6, 88}, {-0.4, 4.5, -1},
               {4.5, -0.4, -1},    {9.4, 4.5, -1}, {4.5, 9.4, -1}};
  for (const Case& c : cases) {
    const TPoint p = pixel(c.x, c.z);
    EXPECT_EQ(s.Clicked(p.X, p.Y), c.index) << c.x << "," << c.z;
  }
}

TEST_F(ColorGrid, ClickedOnAnIrregularGridUsesItsSortedValues) {
  // Points come column by column in no order of X or Z.
  s.SetIrregularGrid(true);
  const double xs[] = {10, 0, 1, 4}, zs[] = {2, -1, 0};
  for (double x : xs)
    for (double z : zs) s.AddXYZ(x, x * z, z);
  d.Draw();
  ASSERT_EQ(s.NumXValues(), 4);
  ASSERT_EQ(s.NumZValues(), 3);
  struct Case {
    double x, z;
    int index;
  } cases[] = {{0.5, -0.5, 4},  // the cell of (0, -1)
               {2, 1, 8},       // (1, 0)
               {7, 1.5, 11},    // (4, 0)
               {-0.5, 0, -1},  {11, 0, -1}, {5, 2.5, -1}, {5, -1.5, -1}};
  for (const Case& c : cases) {
    const TPoint p{s.CalcXPosValue(c.x), s.CalcYPosValue(c.z)};
    EXPECT_EQ(s.Clicked(p.X, p.Y), c.index) << c.x << "," << c.z;
  }
}

}  // namespace
}  // namespace qv
