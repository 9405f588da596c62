// The 3-D grid series drawn through the Qt image canvas: a smooth-palette
// surface (filled and as a wire frame) as the splash window builds it, a
// contour with ten automatic levels, a waterfall and a 10 x 10 colour grid.
// Pixels at known places are checked, and each picture is saved as a PNG
// file in the build folder for a look.
#include <gtest/gtest.h>

#include <cmath>

#include "ChartOutputSupport.h"
#include "chart/PlotSurfa.h"
#include "platform/gui/QtServices.h"

namespace qv {
namespace {

using chartoutput::Out;
using chartoutput::SavePng;

struct GridPicture : ::testing::Test {
  static void SetUpTestSuite() { InstallQtServices(); }
  TChart chart;
  GridPicture() { chart.SetBounds(480, 360); }
  std::unique_ptr<TImage> Render(const std::string& png) {
    auto image = chart.RenderToBitmap(clWhite, chart.ChartExtent());
    SavePng(*image, Out(png));
    return image;
  }
};

// Pixels of Colour in the rectangle.
int Count(const TImage& im, const TRect& r, TColor colour) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += im.Pixel(x, y) == colour;
  return n;
}

// The first of the splash window's surfaces: 51 x 51 points over -3..3.
void AddSplashSurface(TSurfaceSeries& s, double amplitude) {
  for (int i = 0; i <= 50; ++i)
    for (int j = 0; j <= 50; ++j) {
      const double x = 0.12 * i - 3, z = 0.12 * j - 3;
      s.AddXYZ(i, x * x + (z - x) * (z - x) + amplitude * std::sin(x * z), j);
    }
}

// The splash window's settings: no pen, 100 strong palette steps, smooth.
void SplashStyle(TSurfaceSeries& s) {
  s.Pen().SetVisible(false);
  s.SetUseColorRange(false);
  s.SetUsePalette(true);
  s.SetPaletteSteps(100);
  s.SetPaletteStyle(psStrong);
  s.SetSmoothPalette(true);
}

TEST_F(GridPicture, SmoothPaletteSurface) {
  // The splash window's chart: a deep 3-D view without legend.
  chart.SetChart3DPercent(65);
  chart.Legend().SetVisible(false);
  TSurfaceSeries s;
  s.SetParentChart(&chart);
  SplashStyle(s);
  AddSplashSurface(s, 10);
  auto image = Render("grid-surface-smooth.png");
  ASSERT_EQ(s.NumXValues(), 51);
  ASSERT_EQ(s.NumZValues(), 51);
  ASSERT_EQ(int(s.Palette().size()), 100);
  // Cells of the front row (drawn last) are filled in the palette colour
  // of their corners' mean.
  TPlotCanvas3D& canvas = chart.Canvas();
  s.CellDX = s.CellDZ = -1;
  for (int x : {6, 26, 46}) {
    ASSERT_TRUE(s.ExistFourGridIndex(x, 2));
    double sum = 0;
    int xs = 0, ys = 0, zs = 0;
    for (int k = 0; k < 4; ++k) {
      const int i = s.CellIndex(k);
      sum += s.GetYValue(i);
      xs += s.CalcXPos(i);
      ys += s.CalcYPos(i);
      zs += s.CalcZPosValue(s.GetZValue(i));
    }
    const TPoint centre = canvas.ProjectPoint(xs / 4, ys / 4, zs / 4);
    EXPECT_EQ(image->Pixel(centre.X, centre.Y), s.GetValueColorValue(sum / 4)) << x;
  }
}

TEST_F(GridPicture, WireFrameSurface) {
  chart.SetChart3DPercent(40);
  chart.View3DOptions().SetZoom(85);
  chart.View3DOptions().SetOrthogonal(false);
  chart.View3DOptions().SetElevation(340);
  chart.View3DOptions().SetRotation(330);
  chart.View3DOptions().SetPerspective(30);
  TSurfaceSeries s;
  s.SetParentChart(&chart);
  AddSplashSurface(s, 8);
  s.SetWireFrame(true);
  auto image = Render("grid-surface-wireframe.png");
  EXPECT_TRUE(s.Pen().Visible());
  // Lines in the colour range from white (low) to navy (high): navy-ish
  // pixels on the high ridges, the back wall showing between the wires.
  const TRect cr = chart.ChartRect;
  int bluish = 0;
  for (int y = 0; y < image->Height(); ++y)
    for (int x = 0; x < image->Width(); ++x) {
      const TColor c = image->Pixel(x, y);
      bluish += GetBValue(c) > 100 && GetRValue(c) < 60 && GetGValue(c) < 60;
    }
  EXPECT_GT(bluish, 100);
  EXPECT_GT(Count(*image, cr, ColorToRGB(clBtnFace)), 100);
}

TEST_F(GridPicture, ContourWithTenLevels) {
  chart.SetView3D(false);
  TContourSeries s;
  s.SetParentChart(&chart);
  for (int x = 1; x <= 41; ++x)
    for (int z = 1; z <= 41; ++z) {
      const double dx = x - 21, dz = z - 21;
      s.AddXYZ(x, dx * dx + 0.5 * dz * dz, z);
    }
  s.SetNumLevels(10);
  s.Pen().SetWidth(1);
  auto image = Render("grid-contour.png");
  ASSERT_EQ(s.Levels().Count(), 10);
  // The legend lists the levels highest first.
  TChartLegend& legend = chart.Legend();
  ASSERT_EQ(legend.ItemCount(), 10);
  EXPECT_EQ(legend.ItemText(0), FormatFloat(s.ValueFormat(), s.Levels()[9].UpToValue()));
  EXPECT_EQ(legend.ItemText(9), FormatFloat(s.ValueFormat(), s.Levels()[0].UpToValue()));
  // Each level's colour is drawn in the plot and shown in the legend.
  const TRect cr = chart.ChartRect;
  for (int k = 1; k < 10; ++k) {
    const TColor c = ColorToRGB(s.Levels()[k].Color());
    EXPECT_GT(Count(*image, cr, c), 20) << k;
    EXPECT_GT(Count(*image, legend.ShapeBounds, c), 20) << k;
  }
}

TEST_F(GridPicture, WaterFall) {
  chart.SetChart3DPercent(40);
  chart.View3DOptions().SetZoom(85);
  chart.View3DOptions().SetOrthogonal(false);
  chart.View3DOptions().SetElevation(345);
  chart.View3DOptions().SetRotation(340);
  chart.Legend().SetVisible(false);
  TWaterFallSeries s;
  s.SetParentChart(&chart);
  for (int z = 1; z <= 12; ++z)
    for (int x = 1; x <= 40; ++x)
      s.AddXYZ(x, std::exp(-0.01 * (x - 20) * (x - 20)) * (1 + 0.3 * z) + 0.05 * z, z);
  auto image = Render("grid-waterfall.png");
  // The front curtain (drawn last) is filled down to the bottom of the
  // vertical axis, between its water lines.
  TPlotCanvas3D& canvas = chart.Canvas();
  const int a = s.GetGridIndex(20, 1), b = s.GetGridIndex(19, 1);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  const int bottom = s.VertAxisObject()->EndPixel;
  const int x = (s.CalcXPos(a) + s.CalcXPos(b)) / 2;
  const TPoint p = canvas.ProjectPoint(x, (s.CalcYPos(a) + bottom) / 2, s.CalcZPosValue(1));
  EXPECT_EQ(image->Pixel(p.X, p.Y), s.GetValueColor(a));
}

TEST_F(GridPicture, ColorGridWithExactRangeColours) {
  chart.SetView3D(false);
  chart.Legend().SetVisible(false);
  TColorGridSeries s;
  s.SetParentChart(&chart);
  s.SetStartColor(clRed);
  s.SetMidColor(clYellow);
  s.SetEndColor(clBlue);
  for (int z = 0; z < 10; ++z)
    for (int x = 0; x < 10; ++x) s.AddXYZ(x, x + 10 * z, z);
  auto image = Render("grid-colorgrid.png");
  ASSERT_EQ(s.Bitmap().Width(), 9);
  ASSERT_EQ(s.Bitmap().Height(), 9);
  // The middle of every cell shows the range colour of its first point.
  for (int z = 0; z < 9; ++z)
    for (int x = 0; x < 9; ++x) {
      const int px = (s.CalcXPosValue(x) + s.CalcXPosValue(x + 1)) / 2;
      const int py = (s.CalcYPosValue(z) + s.CalcYPosValue(z + 1)) / 2;
      const TColor want = s.RangePercent((x + 10.0 * z) / 99.0);
      EXPECT_EQ(image->Pixel(px, py), want) << x << "," << z;
    }
  // The lowest value is blue at the bottom left, the highest (99) only
  // closes the picture: the top right cell is the 88's.
  EXPECT_EQ(s.RangePercent(0), clBlue);
  EXPECT_EQ(s.RangePercent(0.5), clYellow);
  EXPECT_EQ(s.RangePercent(1), clRed);
}

}  // namespace
}  // namespace qv
