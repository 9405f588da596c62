// Line, area and point series with their pointer: sizes and margins, the
// segments drawn (null points, entering the visible range, stairs, the
// outline), stacking, legend symbols and the hit test.
#include <gtest/gtest.h>

#include "ChartTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;

std::vector<const TCanvasCall*> LinesOfColour(const TRecordingCanvas& c, TColor colour) {
  std::vector<const TCanvasCall*> out;
  for (const TCanvasCall* call : c.Find("LineTo"))
    if (call->State.PenColor == colour && call->State.PenStyle != psClear) out.push_back(call);
  return out;
}

TEST(SeriesPointer, SizesAndMargins) {
  TPointSeries s;
  TSeriesPointer& p = s.Pointer();
  for (int bad : {0, -3}) {
    try {
      p.SetHorizSize(bad);
      FAIL();
    } catch (const ChartException& e) {
      EXPECT_EQ(e.Message(), "Pointer size must be greater than zero");
    }
    EXPECT_THROW(p.SetVertSize(bad), ChartException);
  }
  EXPECT_EQ(p.HorizSize(), 4);
  // A pointer drawing nothing still widens the margins.
  p.SetStyle(psNothing);
  int l = 0, r = 0, t = 0, b = 0;
  s.CalcHorizMargins(l, r);
  s.CalcVerticalMargins(t, b);
  EXPECT_EQ(l, 5);
  EXPECT_EQ(r, 5);
  EXPECT_EQ(t, 5);
  p.SetInflateMargins(false);
  l = r = 0;
  s.CalcHorizMargins(l, r);
  EXPECT_EQ(l, 0);
}

TEST(SeriesPointer, FollowsTheSeriesChart) {
  TPointSeries s;
  {
    TChart chart;
    s.SetParentChart(&chart);
    EXPECT_EQ(s.Pointer().ParentChart(), &chart);
  }
  // The chart is gone: changing the pointer repaints nothing.
  EXPECT_EQ(s.Pointer().ParentChart(), nullptr);
  s.Pointer().Brush().SetColor(clRed);
  s.Pointer().Pen().SetWidth(2);
}

TEST(SeriesPointer, ShapesAndCanvasPreparation) {
  TDrawnChart d;
  TPointSeries s;
  s.SetParentChart(&d.Chart);
  TPlotCanvas3D& canvas = d.Chart.Canvas();
  canvas.SetReferenceCanvas(&d.Canvas);
  TSeriesPointer& p = s.Pointer();
  // Half size 1: three pixels wide (right edge excluded, plus one).
  p.SetHorizSize(1);
  p.SetVertSize(1);
  p.Pen().SetColor(clDefault);  // the outline follows the point
  p.PrepareCanvas(canvas, clRed);
  p.Draw(canvas, false, 50, 60, 1, 1, clRed, psRectangle);
  const TCanvasCall* rect = d.Canvas.First("Rectangle");
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->Args, (std::vector<int>{49, 59, 52, 62}));
  EXPECT_EQ(rect->State.BrushColor, clRed);
  EXPECT_EQ(rect->State.PenColor, clRed);
  // A clear brush of the default colour is not filled; the pen follows the point.
  d.Canvas.Clear();
  p.Brush().SetStyle(bsClear);
  p.PrepareCanvas(canvas, clBlue);
  EXPECT_EQ(d.Canvas.State().BrushStyle, bsClear);
  EXPECT_EQ(d.Canvas.State().PenColor, clBlue);
  // A star is a cross and a diagonal cross: four lines.
  d.Canvas.Clear();
  p.Draw(canvas, false, 50, 60, 4, 4, clBlue, psStar);
  EXPECT_EQ(d.Canvas.Count("LineTo"), 4);
  // Legend symbol 12 pixels wide beside a visible line: at most 4 half-wide.
  d.Canvas.Clear();
  p.SetHorizSize(9);
  p.SetVertSize(9);
  p.Brush().SetStyle(bsSolid);
  p.SetStyle(psRectangle);
  p.DrawLegendShape(clBlue, TRect(0, 0, 12, 12), true);
  rect = d.Canvas.First("Rectangle");
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->Args[2] - rect->Args[0], 2 * 4 + 1);
}

struct LineChart : ::testing::Test {
  TDrawnChart d;
  TLineSeries line;
  LineChart() {
    d.Chart.Legend().SetVisible(false);
    line.SetSeriesColor(clRed);
    line.SetParentChart(&d.Chart);
  }
};

TEST_F(LineChart, NullPointsBreakTheLine) {
  line.AddXY(0, 10);
  line.AddXY(1, 20);
  line.AddNullXY(2, 30);
  line.AddXY(3, 40);
  line.AddXY(4, 50);
  d.Draw();
  // Segments 0-1 and 3-4; none reaches or leaves the null point.
  const auto lines = LinesOfColour(d.Canvas, clRed);
  ASSERT_EQ(lines.size(), 2u);
  const int x2 = line.CalcXPos(2);
  for (const TCanvasCall* c : lines) {
    EXPECT_NE(c->Args[0], x2);
    EXPECT_NE(c->Args[2], x2);
  }
}

TEST_F(LineChart, ZoomedLineEntersFromTheChartEdge) {
  for (int i = 0; i <= 10; ++i) line.AddXY(i, i * 10);
  d.Chart.BottomAxis().SetRange(2.5, 8);
  d.Draw();
  const auto lines = LinesOfColour(d.Canvas, clRed);
  ASSERT_FALSE(lines.empty());
  // The first segment starts at the chart's left edge, at the height the
  // line has there (value 25 at x 2.5).
  EXPECT_EQ(lines[0]->Args[0], d.Chart.ChartRect.Left);
  EXPECT_NEAR(lines[0]->Args[1], d.Chart.LeftAxis().ValueToPixelY(25), 1);
  EXPECT_EQ(lines[0]->Args[2], line.CalcXPos(3));
}

TEST_F(LineChart, StairsAndOutline) {
  line.AddXY(0, 10);
  line.AddXY(1, 20);
  line.SetStairs(true);
  d.Draw();
  const TCanvasCall* stairs = nullptr;
  for (const TCanvasCall* c : d.Canvas.Find("Polyline"))
    if (c->State.PenColor == clRed) stairs = c;
  ASSERT_NE(stairs, nullptr);
  ASSERT_EQ(stairs->Points.size(), 3u);
  EXPECT_EQ(stairs->Points[1], TPoint(line.CalcXPos(1), line.CalcYPos(0)));
  // A visible outline of width 2 under a line of width 1: 5 pixels wide,
  // in the outline's colour, drawn first.
  line.SetStairs(false);
  line.OutLine().SetVisible(true);
  line.OutLine().SetWidth(2);
  line.OutLine().SetColor(clBlack);
  d.Draw();
  const auto lines = d.Canvas.Find("LineTo");
  std::vector<std::pair<TColor, int>> drawn;
  const std::vector<int> segment = {line.CalcXPos(0), line.CalcYPos(0), line.CalcXPos(1),
                                    line.CalcYPos(1)};
  for (const TCanvasCall* c : lines)
    if (c->Args == segment) drawn.push_back({c->State.PenColor, c->State.PenWidth});
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0], std::make_pair(TColor(clBlack), 5));
  EXPECT_EQ(drawn[1], std::make_pair(TColor(clRed), 1));
  EXPECT_EQ(line.LinePen().Width(), 1);
  EXPECT_EQ(line.SeriesColor(), clRed);
}

TEST_F(LineChart, StackedSeries) {
  TLineSeries second;
  second.SetParentChart(&d.Chart);
  line.AddXY(0, 1);
  line.AddXY(1, -5);
  second.AddXY(0, 2);
  second.AddXY(1, 2);
  second.SetStacked(cssStack);
  EXPECT_EQ(line.Stacked(), cssStack);  // given to the series of this kind
  d.Draw();
  EXPECT_DOUBLE_EQ(second.PointOrigin(0, false), 1);
  EXPECT_EQ(second.CalcYPos(0), d.Chart.LeftAxis().ValueToPixelY(3));
  // A negative value below does not lower the series above.
  EXPECT_EQ(second.CalcYPos(1), d.Chart.LeftAxis().ValueToPixelY(2));
  EXPECT_DOUBLE_EQ(second.MaxYValue(), 3);
  // 100 %: one series alone stands at 100 everywhere, the axis spans 0..100.
  second.SetParentChart(nullptr);
  line.SetStacked(cssStack100);
  line.Delete(1);
  d.Draw();
  EXPECT_DOUBLE_EQ(line.MaxYValue(), 100);
  EXPECT_DOUBLE_EQ(line.MinYValue(), 0);
  EXPECT_EQ(line.CalcYPos(0), d.Chart.LeftAxis().ValueToPixelY(100));
  EXPECT_DOUBLE_EQ(d.Chart.LeftAxis().Maximum(), 100);
  // A point whose stacked total is 0 stands at 0 %, on the chart.
  line.AddXY(1, 0);
  d.Draw();
  EXPECT_EQ(line.CalcYPos(1), d.Chart.LeftAxis().ValueToPixelY(0));
}

TEST_F(LineChart, PointSeriesClicks) {
  TPointSeries points;
  points.SetParentChart(&d.Chart);
  for (int i = 0; i < 5; ++i) points.AddXY(i, i * i);
  line.SetParentChart(nullptr);
  d.Draw();
  std::vector<int> pointerClicks;
  points.OnClickPointer = [&](TCustomSeries*, int i, int, int) { pointerClicks.push_back(i); };
  const int x = points.CalcXPos(2), y = points.CalcYPos(2);
  EXPECT_EQ(points.Clicked(x + 3, y - 3), 2);
  EXPECT_EQ(pointerClicks, std::vector<int>{2});
  EXPECT_EQ(points.Clicked(x + 4, y), -1);  // outside the half size
  // Between two points: no line to click on a point series.
  const int mx = (points.CalcXPos(3) + points.CalcXPos(4)) / 2;
  const int my = (points.CalcYPos(3) + points.CalcYPos(4)) / 2;
  EXPECT_EQ(points.Clicked(mx, my), -1);
  // A line series takes the click on its segment as the point before it.
  TLineSeries l2;
  l2.SetParentChart(&d.Chart);
  for (int i = 0; i < 5; ++i) l2.AddXY(i, i * 10);
  d.Draw();
  const int lx = (l2.CalcXPos(1) + l2.CalcXPos(2)) / 2;
  const int ly = (l2.CalcYPos(1) + l2.CalcYPos(2)) / 2;
  EXPECT_EQ(l2.Clicked(lx, ly), 1);
}

TEST_F(LineChart, LegendSymbols) {
  line.AddXY(0, 1);
  d.Chart.Canvas().SetReferenceCanvas(&d.Canvas);
  d.Canvas.Clear();
  line.DrawLegend(-1, TRect(10, 10, 30, 20));
  // A line through the symbol's middle in the series colour.
  const TCanvasCall* c = d.Canvas.First("LineTo");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Args, (std::vector<int>{10, 15, 30, 15}));
  EXPECT_EQ(c->State.PenColor, clRed);
  // With the pointer visible: the line, then the pointer.
  line.Pointer().SetVisible(true);
  d.Canvas.Clear();
  line.DrawLegend(-1, TRect(10, 10, 30, 20));
  EXPECT_EQ(d.Canvas.Count("LineTo"), 1);
  EXPECT_EQ(d.Canvas.Count("Rectangle"), 1);
}

TEST_F(LineChart, GalleryVariants) {
  EXPECT_EQ(line.SubGalleryStyles().size(), 8u);
  line.ApplySubGalleryStyle(1);
  EXPECT_TRUE(line.Stairs());
  TPointSeries p;
  const auto styles = p.SubGalleryStyles();
  ASSERT_EQ(styles.size(), 12u);
  EXPECT_EQ(styles[7], "Star");
  p.ApplySubGalleryStyle(8);
  EXPECT_EQ(p.Pointer().Style(), psCircle);
  EXPECT_EQ(p.Pointer().HorizSize(), 8);
  p.PrepareForGallery(40, true);
  EXPECT_EQ(p.Pointer().HorizSize(), 4);
  EXPECT_EQ(p.Pointer().Style(), psTriangle);
}

}  // namespace
}  // namespace qv
