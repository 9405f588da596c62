// What every 3-D grid series shares: Z values and the depth axis, colours
// by value (colour range and palette) and their legend, the grid index,
// generated values, data sources, the type registration and the chart
// file.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "GridSeriesTestSupport.h"
#include "chart/VuzIduro.h"
#include "chart/ZezIdazi.h"
#include "platform/core/Classes.h"

namespace qv {
namespace {

using charttest::TDrawnChart;
using gridtest::FillGrid;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---- Z values ---------------------------------------------------------------------------

TEST(GridSeriesZ, PointsKeepTheirOrderAndCarryZ) {
  TSurfaceSeries s;
  EXPECT_EQ(s.XValues().Order(), loNone);
  EXPECT_EQ(s.AddXYZ(5, 1, 7), 0);
  EXPECT_EQ(s.AddXYZ(2, 3, -4, "b", clRed), 1);
  EXPECT_EQ(s.GetXValue(1), 2);
  EXPECT_EQ(s.GetZValue(1), -4);
  EXPECT_EQ(s.GetLabel(1), "b");
  EXPECT_EQ(s.ZValues().Name(), "Z");
  EXPECT_EQ(s.MinZValue(), -4);
  EXPECT_EQ(s.MaxZValue(), 7);
  EXPECT_TRUE(s.HasZValues());
  // Cleared, X stays unordered.
  s.Clear();
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.XValues().Order(), loNone);
}

TEST(GridSeriesZ, DepthAxisSpansTheZValues) {
  TDrawnChart d;
  d.Chart.SetView3D(true);
  TSurfaceSeries s;
  s.SetParentChart(&d.Chart);
  FillGrid(s, 4, 6, [](int x, int z) { return x + z; });
  for (int i = 0; i < s.Count(); ++i) s.ZValues().SetValue(i, s.GetZValue(i) + 10);
  d.Draw();
  TChartDepthAxis& depth = d.Chart.DepthAxis();
  EXPECT_EQ(depth.EffectiveLabelStyle(), talValue);
  EXPECT_LE(depth.Minimum(), 11);
  EXPECT_GE(depth.Maximum(), 16);
  EXPECT_LT(depth.Minimum(), depth.Maximum());
  // The nearest row stands at the front, the farthest at the back.
  EXPECT_EQ(s.CalcZPosValue(depth.Minimum()), 0);
  EXPECT_EQ(s.CalcZPosValue(depth.Maximum()), d.Chart.Width3D);
  // The series takes TimesZOrder depth indexes.
  EXPECT_EQ(d.Chart.MaxZOrder, 3);
  EXPECT_EQ(d.Chart.Width3D, 4 * d.Chart.SeriesWidth3D);
}

TEST(GridSeriesZ, GridSeriesNeverShareADepthWithALineSeries) {
  // A line series whose depth index equals the surface's lowest Z still
  // draws its line, and the surface its cells.
  TDrawnChart d;
  d.Chart.SetView3D(true);
  TLineSeries line;
  line.SetParentChart(&d.Chart);
  line.SetZOrder(1);
  for (int i = 1; i <= 3; ++i) line.AddXY(i, i);
  TSurfaceSeries s;
  s.SetParentChart(&d.Chart);
  FillGrid(s, 3, 3, [](int x, int z) { return x * z; });
  line.SetSeriesColor(clFuchsia);
  EXPECT_FALSE(line.MoreSameZOrder());
  EXPECT_FALSE(s.MoreSameZOrder());
  d.Draw();
  EXPECT_GE(d.Canvas.Count("Polygon"), 4);
  // The line's 3-D ribbon in its colour.
  int ribbon = 0;
  for (const TCanvasCall* c : d.Canvas.Find("Polygon")) ribbon += c->State.BrushColor == clFuchsia;
  EXPECT_GE(ribbon, 2);
}

// ---- colours by value -------------------------------------------------------------------

TEST(GridSeriesColours, ColourRangeFromEndToStart) {
  TSurfaceSeries s;
  EXPECT_EQ(s.StartColor(), TColor(0x800000));
  EXPECT_EQ(s.MidColor(), clNone);
  EXPECT_EQ(s.EndColor(), clWhite);
  EXPECT_TRUE(s.UseColorRange());
  for (int i = 0; i <= 10; ++i) s.AddXYZ(i, 10.0 * i, 1);
  // Without a middle colour: lowest white, highest navy, straight between.
  EXPECT_EQ(s.GetValueColor(0), clWhite);
  EXPECT_EQ(s.GetValueColor(10), TColor(0x800000));
  // Halves round to even: 255 - 127.5 gives 127.
  EXPECT_EQ(s.GetValueColorValue(50), RGB(127, 127, 191));
  // With one: the middle of the range is exactly the middle colour.
  s.SetStartColor(clRed);
  s.SetMidColor(clYellow);
  s.SetEndColor(clBlue);
  struct Case {
    double value;
    TColor colour;
  } cases[] = {
      {0, clBlue},   {50, clYellow}, {100, clRed}, {25, RGB(128, 128, 127)}, {75, RGB(255, 127, 0)},
      {-40, clBlue}, {140, clRed}};
  for (const Case& c : cases) EXPECT_EQ(s.GetValueColorValue(c.value), c.colour) << c.value;
  // All values equal: the end colour.
  TSurfaceSeries flat;
  flat.AddXYZ(1, 5, 1);
  flat.AddXYZ(2, 5, 1);
  EXPECT_EQ(flat.GetValueColor(1), clWhite);
}

TEST(GridSeriesColours, PointColourRules) {
  TSurfaceSeries s;
  s.SetSeriesColor(clGreen);
  s.AddXYZ(1, 0, 1);
  s.AddXYZ(2, 10, 1, "", clRed);
  s.AddXYZ(3, kNaN, 1);
  s.AddXYZ(4, 5, 1, "", clNone);
  // The range replaces every colour but a null point's.
  EXPECT_EQ(s.GetValueColor(1), TColor(0x800000));
  EXPECT_EQ(s.GetValueColor(2), clNone);
  EXPECT_EQ(s.GetValueColor(3), clNone);
  // Without range or palette: the point's own colour, else the series'.
  s.SetUseColorRange(false);
  EXPECT_EQ(s.GetValueColor(0), clGreen);
  EXPECT_EQ(s.GetValueColor(1), clRed);
  // Colouring each point wins over the range.
  s.SetUseColorRange(true);
  EXPECT_FALSE(s.ColorEachPoint());
  s.SetColorEachPoint(true);
  EXPECT_EQ(s.GetValueColor(1), clRed);
  // OnGetColor has the last word.
  s.OnGetColor = [](TChartSeries*, int index, TColor& c) {
    if (index == 0) c = clFuchsia;
  };
  EXPECT_EQ(s.GetValueColor(0), clFuchsia);
}

TEST(GridSeriesColours, DefaultPaletteSteps) {
  TSurfaceSeries s;
  for (int i = 0; i <= 31; ++i) s.AddXYZ(i, i, 1);
  s.CreateDefaultPalette(32);
  const auto& p = s.Palette();
  ASSERT_EQ(p.size(), 32u);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(p[i].UpToValue, i);
  // Pale: red and green waves from the middle, blue from the top.
  EXPECT_EQ(p[0].Color, RGB(127, 127, 254));
  const double t = 16 * M_PI / 32;
  EXPECT_EQ(p[16].Color, RGB(int((std::sin(t / 2) + 1) * 127), int((std::sin(t) + 1) * 127),
                             int((std::cos(t) + 1) * 127)));
  // Lookups: the first entry above the value, else the last.
  struct Case {
    double value;
    int entry;
  } cases[] = {{0.5, 1}, {-3, 0}, {0, 1}, {30.9, 31}, {31, 31}, {31.5, 31}, {1000, 31}};
  for (const Case& c : cases)
    EXPECT_EQ(s.GetSurfacePaletteColor(c.value), p[c.entry].Color) << c.value;
  // Strong: the angle step doubles, so entry 8 of 16 is entry 16 of 32's.
  s.SetPaletteStyle(psStrong);
  EXPECT_TRUE(s.Palette().empty());
  s.CreateDefaultPalette(16);
  EXPECT_EQ(s.Palette()[8].Color,
            RGB(int((std::sin(M_PI / 2) + 1) * 127), int((std::sin(M_PI) + 1) * 127),
                int((std::cos(M_PI) + 1) * 127)));
}

TEST(GridSeriesColours, AddPaletteKeepsValueOrder) {
  TSurfaceSeries s;
  struct Step {
    double value;
    TColor colour;
    int index;
  } steps[] = {{5, clRed, 0}, {1, clBlue, 0}, {5, clGreen, 2}, {9, clLime, 3}, {3, clAqua, 1}};
  for (const Step& st : steps) EXPECT_EQ(s.AddPalette(st.value, st.colour), st.index);
  const TColor order[] = {clBlue, clAqua, clRed, clGreen, clLime};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(s.Palette()[i].Color, order[i]);
  EXPECT_FALSE(s.AutomaticPalette());
}

TEST(GridSeriesColours, PaletteFollowsTheValuesUnlessGiven) {
  TDrawnChart d;
  TSurfaceSeries s;
  s.SetParentChart(&d.Chart);
  s.SetUseColorRange(false);
  s.SetUsePalette(true);
  EXPECT_TRUE(s.Palette().empty());                       // built once there are values
  FillGrid(s, 3, 3, [](int x, int z) { return x + z; });  // 2..6
  d.Draw();
  ASSERT_EQ(int(s.Palette().size()), 32);
  EXPECT_EQ(s.Palette().front().UpToValue, 2);
  // Values added after a drawing: the next drawing spans them too.
  s.AddXYZ(4, 40, 1);
  d.Draw();
  EXPECT_EQ(s.Palette().back().UpToValue, 40);
  // A palette the caller built stays as it is.
  s.ClearPalette();
  s.AddPalette(10, clRed);
  s.AddPalette(100, clBlue);
  s.AddXYZ(4, 50, 2);
  d.Draw();
  ASSERT_EQ(s.Palette().size(), 2u);
  EXPECT_EQ(s.GetValueColor(0), clRed);
  EXPECT_EQ(s.GetValueColor(s.Count() - 1), clBlue);
  // The number of steps rebuilds it.
  s.SetPaletteSteps(5);
  EXPECT_EQ(s.Palette().size(), 5u);
  EXPECT_TRUE(s.AutomaticPalette());
  // Cleared points empty a palette in use.
  s.Clear();
  EXPECT_TRUE(s.Palette().empty());
}

TEST(GridSeriesColours, ValuesLegendListsThePaletteHighestFirst) {
  TDrawnChart d;
  TSurfaceSeries s;
  s.SetParentChart(&d.Chart);
  s.SetValueFormat("0.0");
  FillGrid(s, 4, 4, [](int x, int z) { return x * z; });  // 1..16
  s.SetPaletteSteps(4);
  d.Draw();
  TChartLegend& legend = d.Chart.Legend();
  ASSERT_EQ(legend.ItemCount(), 4);
  const char* texts[] = {"16.0", "11.0", "6.0", "1.0"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(legend.ItemText(i), texts[i]);
    EXPECT_EQ(s.LegendItemColor(i), s.GetValueColorValue(16 - 5 * i));
  }
  EXPECT_EQ(s.LegendItemColor(0), TColor(0x800000));
  EXPECT_EQ(s.LegendItemColor(3), clWhite);
  // The symbols are drawn in those colours.
  int navy = 0;
  for (const TCanvasCall* c : d.Canvas.Find("Rectangle"))
    navy += c->State.BrushColor == TColor(0x800000);
  EXPECT_GE(navy, 1);
  // Without range or palette the points are listed.
  s.SetUseColorRange(false);
  EXPECT_EQ(legend.ItemCount(), 16);
}

// ---- grid index -------------------------------------------------------------------------

TEST(GridIndex, RegularCellsFromWholeSteps) {
  TSurfaceSeries s;
  // Offsets from the minima, rounded (halves to even), plus 1.
  struct Point {
    double x, z;
    int gx, gz;
  } points[] = {{-2, 10, 1, 1}, {0, 10, 3, 1}, {1.4, 12, 4, 3}, {1.6, 11, 5, 2}, {2, 10.5, 5, 1}};
  for (const Point& p : points) s.AddXYZ(p.x, 1, p.z);
  s.FillGridIndex();
  EXPECT_EQ(s.NumXValues(), 5);
  EXPECT_EQ(s.NumZValues(), 3);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(s.GetGridIndex(points[i].gx, points[i].gz), i) << i;
  EXPECT_EQ(s.GetGridIndex(2, 1), -1);
  // A later point takes the cell of an earlier one.
  s.AddXYZ(-1.6, 1, 10.2);
  s.FillGridIndex();
  EXPECT_EQ(s.GetGridIndex(1, 1), 5);
  for (auto [x, z] : {std::pair{0, 1}, {1, 0}, {-5, 1}, {2001, 1}, {1, 2001}, {6, 1}})
    EXPECT_EQ(s.GetGridIndex(x, z), -1) << x << "," << z;
}

TEST(GridIndex, IrregularCellsNumberTheDistinctValues) {
  TSurfaceSeries s;
  s.SetIrregularGrid(true);
  const double xs[] = {7, 0.5, 2}, zs[] = {-1, 3};
  for (double z : zs)
    for (double x : xs) s.AddXYZ(x, 1, z);
  s.FillGridIndex();
  EXPECT_EQ(s.NumXValues(), 3);
  EXPECT_EQ(s.NumZValues(), 2);
  EXPECT_EQ(s.GetGridIndex(1, 1), 1);  // x 0.5, z -1
  EXPECT_EQ(s.GetGridIndex(2, 1), 2);  // x 2
  EXPECT_EQ(s.GetGridIndex(3, 1), 0);  // x 7
  EXPECT_EQ(s.GetGridIndex(3, 2), 3);
}

TEST(GridIndex, PointsOutsideTheGridAreLeftOut) {
  // Cells beyond 2000 (or from values that are not finite) are skipped,
  // never written out of range.
  TSurfaceSeries s;
  s.AddXYZ(0, 1, 0);
  s.AddXYZ(1999, 1, 0);
  s.AddXYZ(2000, 1, 0);
  s.AddXYZ(5000, 1, 2500);
  s.AddXYZ(kNaN, 1, 1);
  s.AddXYZ(1, 1, std::numeric_limits<double>::infinity());
  s.FillGridIndex();
  EXPECT_EQ(s.NumXValues(), TCustom3DGridSeries::MaxGridSize);
  EXPECT_EQ(s.NumZValues(), TCustom3DGridSeries::MaxGridSize);
  EXPECT_EQ(s.GetGridIndex(1, 1), 0);
  EXPECT_EQ(s.GetGridIndex(2000, 1), 1);
  EXPECT_EQ(s.GetGridIndex(2, 1), -1);
  s.SetGridIndex(2001, 1, 7);
  s.SetGridIndex(0, 0, 7);
  EXPECT_EQ(s.GetGridIndex(2001, 1), -1);
  // More than 2000 distinct values: the lowest 2000 are numbered.
  TSurfaceSeries wide;
  wide.SetIrregularGrid(true);
  for (int i = 2100; i >= 0; --i) wide.AddXYZ(i * 0.5, 1, 0);
  wide.FillGridIndex();
  EXPECT_EQ(wide.NumXValues(), 2000);
  EXPECT_EQ(wide.GetGridIndex(1, 1), 2100);
  EXPECT_EQ(wide.GetGridIndex(2000, 1), 101);
}

TEST(GridIndex, FourCornersWithTheCellOffsets) {
  TSurfaceSeries s;
  FillGrid(s, 3, 3, [](int, int) { return 0; });
  s.Delete(4);  // (2, 2)
  s.FillGridIndex();
  s.CellDX = s.CellDZ = 1;
  EXPECT_FALSE(s.ExistFourGridIndex(1, 1));
  EXPECT_FALSE(s.ExistFourGridIndex(2, 1));
  EXPECT_FALSE(s.ExistFourGridIndex(3, 3));  // beyond the grid
  s.AddXYZ(2, 0, 2);
  s.FillGridIndex();
  ASSERT_TRUE(s.ExistFourGridIndex(1, 1));
  // (x, z), (x + dx, z), (x + dx, z + dz), (x, z + dz).
  EXPECT_EQ(s.GetXValue(s.CellIndex(1)), 2);
  EXPECT_EQ(s.GetZValue(s.CellIndex(1)), 1);
  EXPECT_EQ(s.GetXValue(s.CellIndex(2)), 2);
  EXPECT_EQ(s.GetZValue(s.CellIndex(2)), 2);
  EXPECT_EQ(s.GetZValue(s.CellIndex(3)), 2);
  s.CellDX = s.CellDZ = -1;
  ASSERT_TRUE(s.ExistFourGridIndex(3, 3));
  EXPECT_EQ(s.GetXValue(s.CellIndex(2)), 2);
  EXPECT_EQ(s.GetZValue(s.CellIndex(2)), 2);
}

// ---- generated values -----------------------------------------------------------------------

TEST(GridValues, SizesAloneWithoutAGenerator) {
  TSurfaceSeries s;
  s.AddXYZ(1, 2, 3);
  s.SetNumXValues(20);
  s.SetNumZValues(4);
  EXPECT_EQ(s.NumXValues(), 20);
  EXPECT_EQ(s.Count(), 1);
}

TEST(GridValues, GeneratorFillsTheGrid) {
  TDrawnChart d;
  TContourSeries s;
  s.SetParentChart(&d.Chart);
  int added = 0;
  s.OnAfterAdd = [&](TChartSeries*, int) { ++added; };
  s.OnGetYValue = [](TChartSeries*, int x, int z) { return 100.0 * z + x; };
  s.SetNumXValues(4);
  EXPECT_EQ(s.Count(), 4 * 10);
  s.SetNumZValues(3);
  ASSERT_EQ(s.Count(), 12);
  EXPECT_EQ(added, 0);  // added in one update
  for (int i : {0, 5, 11}) {
    const int x = i % 4 + 1, z = i / 4 + 1;
    EXPECT_EQ(s.GetXValue(i), x);
    EXPECT_EQ(s.GetZValue(i), z);
    EXPECT_EQ(s.GetYValue(i), 100.0 * z + x);
  }
  EXPECT_EQ(int(s.Palette().size()), 32);
  EXPECT_EQ(s.XValues().Capacity(), 12);  // grown once to the whole grid
  for (TChartValueList* list : s.ValueLists()) EXPECT_EQ(list->GrowthStep(), 1000);
  // A generator that fails leaves the lists' growth as it was.
  s.OnGetYValue = [](TChartSeries*, int, int) -> double { throw ChartException("no value"); };
  EXPECT_THROW(s.SetNumXValues(5), ChartException);
  for (TChartValueList* list : s.ValueLists()) EXPECT_EQ(list->GrowthStep(), 1000);
  EXPECT_EQ(s.UpdateCount(), 0);
}

TEST(GridValues, SampleGrid) {
  TSurfaceSeries s;
  s.CreateSampleGrid(0);
  EXPECT_EQ(s.Count(), 0);
  s.CreateSampleGrid(6);
  ASSERT_EQ(s.Count(), 36);
  // The sample shape, and no sample values afterwards.
  const double x = 2, z = 3, n = 6;
  const double want = 0.5 * std::pow(std::cos(x / (0.2 * n)), 2) +
                      std::pow(std::cos(z / (0.2 * n)), 2) - std::cos(z / (0.5 * n));
  EXPECT_DOUBLE_EQ(s.GetYValue(2 * 6 + 1), want);
  EXPECT_EQ(s.GetXZValue(1, 1), 0);
  // Sample values through the series: NumXValues of them each way.
  s.SetNumXValues(5);
  s.FillSampleValues();
  EXPECT_EQ(s.Count(), 25);
  s.FillSampleValues(3);
  EXPECT_EQ(s.Count(), 9);
}

// ---- data sources -----------------------------------------------------------------------

TEST(GridSources, OnlyGridSeriesFeedGridSeries) {
  TDrawnChart d;
  TSurfaceSeries source, copy;
  TLineSeries line;
  source.SetParentChart(&d.Chart);
  copy.SetParentChart(&d.Chart);
  line.SetParentChart(&d.Chart);
  line.SetName("Line1");
  try {
    copy.SetDataSource(&line);
    FAIL();
  } catch (const ChartException& e) {
    EXPECT_EQ(e.Message(), "No valid DataSource: Line1");
  }
  EXPECT_EQ(copy.DataSource(), nullptr);
  FillGrid(source, 3, 2, [](int x, int z) { return x * 10 + z; });
  source.FillGridIndex();
  copy.SetDataSource(&source);
  ASSERT_EQ(copy.Count(), 6);
  EXPECT_EQ(copy.GetZValue(5), 2);
  EXPECT_EQ(copy.NumXValues(), 3);
  EXPECT_EQ(copy.GetGridIndex(3, 2), 5);
  // A grid series may feed a line series.
  TLineSeries follower;
  follower.SetParentChart(&d.Chart);
  follower.SetDataSource(&source);
  EXPECT_EQ(follower.Count(), 6);
}

// ---- registration and gallery ---------------------------------------------------------------

TEST(GridRegistration, FourTypesOnTwoPages) {
  RegisterGridSeriesTypes();
  struct Case {
    const TSeriesClass* cls;
    std::string_view description, page;
  } cases[] = {{&SurfaceSeriesClass(), "Surface", "Extended"},
               {&ContourSeriesClass(), "Contour", "Extended"},
               {&WaterFallSeriesClass(), "Water Fall", "Stats"},
               {&ColorGridSeriesClass(), "ColorGrid", "Stats"}};
  for (const Case& c : cases) {
    int found = 0;
    for (int i = 0; i < PlotSeriesTypes().Count(); ++i) {
      const TPlotSeriesType& t = PlotSeriesTypes().Items(i);
      if (t.SeriesClass != c.cls) continue;
      ++found;
      EXPECT_EQ(t.Description, c.description);
      EXPECT_EQ(t.GalleryPage, c.page);
      EXPECT_EQ(t.NumGallerySeries, 1);
    }
    EXPECT_EQ(found, 1) << c.description;
    EXPECT_TRUE(IsSeriesClassRegistered(c.cls->Name));
    auto made = c.cls->Create();
    EXPECT_TRUE(made->HasZValues());
  }
  EXPECT_NE(dynamic_cast<TWaterFallSeries*>(WaterFallSeriesClass().Create().get()), nullptr);
  UnregisterGridSeriesTypes();
  for (int i = 0; i < PlotSeriesTypes().Count(); ++i)
    EXPECT_NE(PlotSeriesTypes().Items(i).SeriesClass, &SurfaceSeriesClass());
  RegisterGridSeriesTypes();
}

TEST(GridRegistration, SubGalleryStyles) {
  using V = std::vector<std::string>;
  EXPECT_EQ(TSurfaceSeries().SubGalleryStyles(),
            (V{"Normal", "Color Range", "Wireframe", "Dot Frame", "Sides", "No Border"}));
  EXPECT_EQ(TWaterFallSeries().SubGalleryStyles().back(), "No Lines");
  EXPECT_EQ(TContourSeries().SubGalleryStyles(),
            (V{"Normal", "Color Range", "Colors", "Positions"}));
  EXPECT_EQ(TColorGridSeries().SubGalleryStyles(), (V{"Normal", "Color Range", "No Grid"}));
  TSurfaceSeries s;
  s.SetUseColorRange(false);
  s.ApplySubGalleryStyle(1);
  EXPECT_TRUE(s.UseColorRange());
  s.ApplySubGalleryStyle(2);
  EXPECT_TRUE(s.WireFrame());
  s.ApplySubGalleryStyle(3);
  EXPECT_TRUE(s.DotFrame());
  EXPECT_FALSE(s.WireFrame());
  s.ApplySubGalleryStyle(4);
  EXPECT_EQ(s.SideBrush().Style(), bsSolid);
  s.ApplySubGalleryStyle(5);
  EXPECT_FALSE(s.Pen().Visible());
  // The gallery previews: a palette and a sample grid.
  s.PrepareForGallery(false);
  EXPECT_FALSE(s.UseColorRange());
  EXPECT_FALSE(s.UsePalette());
  EXPECT_EQ(s.Pen().Color(), clGray);
  EXPECT_EQ(s.Count(), 100);
  TColorGridSeries g;
  g.PrepareForGallery(true);
  EXPECT_TRUE(g.UsePalette());
  EXPECT_EQ(g.Count(), 32);
  TChart chart;
  g.SetParentChart(&chart);
  g.ApplyGallery3D(true);
  EXPECT_FALSE(chart.View3D());
  TWaterFallSeries w;
  w.SetParentChart(&chart);
  w.ApplyGallery3D(true);
  EXPECT_TRUE(chart.View3D());
  EXPECT_EQ(chart.View3DOptions().Zoom(), 60);
  EXPECT_EQ(chart.View3DOptions().Rotation(), 335);
  EXPECT_EQ(chart.View3DOptions().Elevation(), 340);
  EXPECT_EQ(chart.View3DOptions().Perspective(), 60);
  w.ApplyGallery3D(false);
  EXPECT_FALSE(chart.View3D());
}

// ---- chart file -------------------------------------------------------------------------

TEST(GridChartFile, PublishedPropertiesAndZValues) {
  TChart chart;
  TSurfaceSeries s;
  s.SetParentChart(&chart);
  s.SetName("Surface1");
  s.SetSmoothPalette(true);
  s.SetUsePalette(true);
  s.SetUseColorRange(false);
  s.SetMidColor(clYellow);
  s.Pen().SetVisible(false);
  FillGrid(s, 2, 2, [](int x, int z) { return x + 0.25 * z; });
  TContourSeries c;
  c.SetParentChart(&chart);
  c.SetName("Contour1");
  c.SetNumLevels(4);
  TMemoryStream stream;
  SaveChartToStream(chart, stream);
  const std::string bytes(stream.View().begin(), stream.View().end());
  for (const char* text :
       {"TSurfaceSeries", "Surface1", "SmoothPalette", "UsePalette", "UseColorRange", "MidColor",
        "Pen.Visible", "TContourSeries", "NumLevels", "SideBrush.Style"})
    EXPECT_NE(bytes.find(text), std::string::npos) << text;
  // Defaults stay out; automatic levels are not stored.
  for (const char* text : {"StartColor", "NumXValues", "TimesZOrder", "UpToValue"})
    EXPECT_EQ(bytes.find(text), std::string::npos) << text;
  // The point data carry Z after X and Y: the last point is (2, 2.5, 2).
  const double last[3] = {2, 2.5, 2};
  const std::string tail(reinterpret_cast<const char*>(last), sizeof last);
  EXPECT_NE(bytes.find(tail), std::string::npos);
  // User levels are stored.
  c.Levels().Add().SetUpToValue(3);
  EXPECT_FALSE(c.AutomaticLevels());
  TMemoryStream again;
  SaveChartToStream(chart, again);
  const std::string bytes2(again.View().begin(), again.View().end());
  EXPECT_NE(bytes2.find("Levels"), bytes2.find("NumLevels") + 3);
  EXPECT_NE(bytes2.find("UpToValue"), std::string::npos);
}

}  // namespace
}  // namespace qv
