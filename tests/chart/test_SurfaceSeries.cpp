// Surface and waterfall series: which cells are drawn, in which order and
// colour, frames, sides, curtains, and the cell under the mouse.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "GridSeriesTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;
using gridtest::DrawSeriesOnly;
using gridtest::FillGrid;

// The index of point (x, z) of a grid filled row by row, nx wide.
int At(int nx, int x, int z) { return (z - 1) * nx + (x - 1); }

struct SurfaceDrawing : ::testing::Test {
  TDrawnChart d;
  TSurfaceSeries s;
  SurfaceDrawing() {
    d.Chart.SetView3D(true);
    s.SetParentChart(&d.Chart);
  }
  // Y = point index, so every point has its own colour.
  void FillIndexed(int nx, int nz) {
    FillGrid(s, nx, nz, [nx](int x, int z) { return At(nx, x, z); });
  }
  std::vector<const TCanvasCall*> Polygons() const { return d.Canvas.Find("Polygon"); }
};

TEST_F(SurfaceDrawing, CellsBackToFront) {
  FillIndexed(4, 3);
  DrawSeriesOnly(d, s);
  // Columns left to right, in each the rows from the back (high Z) to the
  // front; each cell in the colour of its corner (x, z).
  struct Cell {
    int x, z;
  } order[] = {{2, 3}, {2, 2}, {3, 3}, {3, 2}, {4, 3}, {4, 2}};
  const auto polygons = Polygons();
  ASSERT_EQ(polygons.size(), 6u);
  for (int k = 0; k < 6; ++k) {
    const TColor want = ColorToRGB(s.GetValueColor(At(4, order[k].x, order[k].z)));
    EXPECT_EQ(polygons[k]->State.BrushColor, want) << k;
    EXPECT_EQ(polygons[k]->Points.size(), 4u);
  }
}

TEST_F(SurfaceDrawing, InvertedAxesReverseTheOrder) {
  FillIndexed(4, 3);
  d.Chart.DepthAxis().SetInverted(true);
  d.Chart.BottomAxis().SetInverted(true);
  DrawSeriesOnly(d, s);
  struct Cell {
    int x, z;
  } order[] = {{3, 1}, {3, 2}, {2, 1}, {2, 2}, {1, 1}, {1, 2}};
  const auto polygons = Polygons();
  ASSERT_EQ(polygons.size(), 6u);
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(polygons[k]->State.BrushColor,
              ColorToRGB(s.GetValueColor(At(4, order[k].x, order[k].z))))
        << k;
  EXPECT_EQ(s.CellDX, 1);
  EXPECT_EQ(s.CellDZ, 1);
}

TEST_F(SurfaceDrawing, MissingAndNullPointsOpenTheirCells) {
  FillIndexed(5, 5);
  s.Delete(At(5, 3, 3));
  DrawSeriesOnly(d, s);
  EXPECT_EQ(Polygons().size(), 16u - 4u);
  // A null value at a corner does the same.
  s.Clear();
  FillIndexed(5, 5);
  s.YValues().SetValue(At(5, 1, 1), std::numeric_limits<double>::quiet_NaN());
  DrawSeriesOnly(d, s);
  EXPECT_EQ(Polygons().size(), 16u - 1u);
}

TEST_F(SurfaceDrawing, CellCornersAtTheirRowsDepths) {
  FillIndexed(3, 3);
  DrawSeriesOnly(d, s);
  // The first cell, (2, 3): corners (2, 3) and (1, 3) at the back row's
  // depth, (1, 2) and (2, 2) at the middle row's.
  TPlotCanvas3D& canvas = d.Chart.Canvas();
  const int corners[4] = {At(3, 2, 3), At(3, 1, 3), At(3, 1, 2), At(3, 2, 2)};
  const TCanvasCall* first = Polygons().at(0);
  for (int k = 0; k < 4; ++k) {
    const int i = corners[k];
    EXPECT_EQ(first->Points[k],
              canvas.ProjectPoint(s.CalcXPos(i), s.CalcYPos(i), s.CalcZPosValue(s.GetZValue(i))))
        << k;
  }
  EXPECT_NE(s.CalcZPosValue(3), s.CalcZPosValue(2));
}

TEST_F(SurfaceDrawing, SmoothPaletteColoursByTheMean) {
  FillGrid(s, 2, 2, [](int x, int z) { return x == 1 && z == 2 ? 0 : (x + z) * 10; });
  // Corners of the one cell (2, 2): 40, 0 (x 1, z 2), 20, 30; mean 22.5.
  DrawSeriesOnly(d, s);
  ASSERT_EQ(Polygons().size(), 1u);
  EXPECT_EQ(Polygons()[0]->State.BrushColor, ColorToRGB(s.GetValueColorValue(40)));
  s.SetSmoothPalette(true);
  DrawSeriesOnly(d, s);
  EXPECT_EQ(Polygons()[0]->State.BrushColor, ColorToRGB(s.GetValueColorValue(22.5)));
}

TEST_F(SurfaceDrawing, OneBrushWithoutColoursByValue) {
  FillIndexed(3, 3);
  s.SetUseColorRange(false);
  s.SetSeriesColor(clTeal);
  s.Brush().SetStyle(bsDiagCross);
  DrawSeriesOnly(d, s);
  const auto polygons = Polygons();
  ASSERT_EQ(polygons.size(), 4u);
  for (const TCanvasCall* p : polygons) {
    EXPECT_EQ(p->State.BrushColor, clTeal);
    EXPECT_EQ(p->State.BrushStyle, bsDiagCross);
  }
}

TEST_F(SurfaceDrawing, FramesAndPen) {
  FillIndexed(3, 3);
  // Wire frame: empty cells outlined in their colours.
  s.Pen().SetVisible(false);
  s.SetWireFrame(true);
  EXPECT_TRUE(s.Pen().Visible());
  DrawSeriesOnly(d, s);
  auto polygons = Polygons();
  ASSERT_EQ(polygons.size(), 4u);
  EXPECT_EQ(polygons[0]->State.BrushStyle, bsClear);
  EXPECT_EQ(polygons[0]->State.PenColor, ColorToRGB(s.GetValueColor(At(3, 2, 3))));
  // Dot frame: four corner pixels per cell in their own colours.
  s.SetDotFrame(true);
  EXPECT_FALSE(s.WireFrame());
  DrawSeriesOnly(d, s);
  EXPECT_TRUE(Polygons().empty());
  const auto pixels = d.Canvas.Find("SetPixel");
  ASSERT_EQ(pixels.size(), 16u);
  EXPECT_EQ(TColor(pixels[1]->Args[2]), ColorToRGB(s.GetValueColor(At(3, 1, 3))));
  // A hidden pen: cells filled without outline.
  s.SetDotFrame(false);
  s.Pen().SetVisible(false);
  DrawSeriesOnly(d, s);
  polygons = Polygons();
  ASSERT_EQ(polygons.size(), 4u);
  EXPECT_EQ(polygons[0]->State.PenStyle, psClear);
  EXPECT_EQ(polygons[0]->State.BrushStyle, bsSolid);
}

TEST_F(SurfaceDrawing, SidesCloseTheEdges) {
  FillIndexed(4, 3);
  s.SideBrush().SetStyle(bsSolid);
  s.SideBrush().SetColor(clMaroon);
  DrawSeriesOnly(d, s);
  int sides = 0;
  for (const TCanvasCall* p : Polygons())
    if (p->State.BrushColor == clMaroon) {
      ++sides;
      EXPECT_EQ(p->State.PenStyle, psClear);
    }
  // The edge column x = 4 (2 faces) and the edge row z = 1 (3 faces).
  EXPECT_EQ(sides, 2 + 3);
  EXPECT_EQ(Polygons().size(), 6u + 5u);
  // Down to the lowest value: the front face's bottom edge.
  TPlotCanvas3D& canvas = d.Chart.Canvas();
  const int bottom = s.CalcYPosValue(0);
  const TPoint low = canvas.ProjectPoint(s.CalcXPos(0), bottom, s.CalcZPosValue(1));
  bool found = false;
  for (const TCanvasCall* p : Polygons())
    for (const TPoint& q : p->Points) found = found || q == low;
  EXPECT_TRUE(found);
}

TEST_F(SurfaceDrawing, ClickedFindsTheCell) {
  // A flat surface: the projected cells do not overlap.
  FillGrid(s, 4, 4, [](int, int) { return 5; });
  s.YValues().SetValue(0, 0);
  d.Draw();
  TPlotCanvas3D& canvas = d.Chart.Canvas();
  auto centre = [&](int x, int z) {
    // The middle of cell (x, z) with its corners x - 1 and z - 1.
    const int a = At(4, x, z), b = At(4, x - 1, z - 1);
    return canvas.ProjectPoint((s.CalcXPos(a) + s.CalcXPos(b)) / 2,
                               (s.CalcYPos(a) + s.CalcYPos(b)) / 2,
                               (s.CalcZPosValue(z) + s.CalcZPosValue(z - 1)) / 2);
  };
  const TPoint p = centre(3, 2);
  EXPECT_EQ(s.Clicked(p.X, p.Y), At(4, 3, 2));
  const TPoint q = centre(4, 4);
  EXPECT_EQ(s.Clicked(q.X, q.Y), At(4, 4, 4));
  EXPECT_EQ(s.Clicked(2, 2), -1);
  TSurfaceSeries one;
  one.SetParentChart(&d.Chart);
  one.AddXYZ(1, 1, 1);
  one.AddXYZ(1, 1, 2);
  d.Draw();
  EXPECT_EQ(one.Clicked(p.X, p.Y), -1);
}

TEST(WaterFallDrawing, CurtainsForEveryRow) {
  TDrawnChart d;  // 2-D: the curtains' points are not projected
  TWaterFallSeries w;
  EXPECT_TRUE(w.WaterFall());
  EXPECT_EQ(w.GetEditorClassName(), "TWaterFallEditor");
  w.SetParentChart(&d.Chart);
  w.WaterLines().SetColor(clOlive);
  w.SetUseColorRange(false);
  w.SetSeriesColor(clSilver);
  FillGrid(w, 3, 3, [](int x, int z) { return x * z; });
  DrawSeriesOnly(d, w);
  const auto curtains = d.Canvas.Find("Polygon");
  ASSERT_EQ(curtains.size(), 3u * 2u);
  const int bottom = w.VertAxisObject()->EndPixel;
  // The last one drawn: the front row's cell (3, 1), from (3, 1) and (2, 1)
  // down to the bottom, without outline.
  const TCanvasCall* front = curtains.back();
  EXPECT_EQ(front->State.PenStyle, psClear);
  EXPECT_EQ(front->State.BrushColor, clSilver);
  const std::vector<TPoint> want = {{w.CalcXPos(2), w.CalcYPos(2)},
                                    {w.CalcXPos(1), w.CalcYPos(1)},
                                    {w.CalcXPos(1), bottom},
                                    {w.CalcXPos(2), bottom}};
  EXPECT_EQ(front->Points, want);
  // Each curtain's line in the series pen, and two water lines.
  int lines = 0, water = 0;
  for (const TCanvasCall* c : d.Canvas.Find("LineTo")) {
    lines += c->State.PenColor == clBlack;
    water += c->State.PenColor == clOlive;
  }
  EXPECT_EQ(lines, 6);
  EXPECT_EQ(water, 12);
  // Without water lines, and as a wire frame without curtains.
  w.WaterLines().SetVisible(false);
  w.SetWireFrame(true);
  DrawSeriesOnly(d, w);
  EXPECT_EQ(d.Canvas.Count("Polygon"), 0);
  EXPECT_EQ(d.Canvas.Count("LineTo"), 6);
}

}  // namespace
}  // namespace qv
