// One drawing of a chart: the order of its steps, paging, depth positions
// in 3-D, titles and walls, custom axes and the series events the chart
// broadcasts.
#include <gtest/gtest.h>

#include "ChartTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;

// A series that notes when its points are drawn (by a recognisable call).
class TProbeSeries : public TLineSeries {
 public:
  void DrawAllValues() override {
    ParentChart()->Canvas().Ref().TextOut(0, 0, "series");
    TLineSeries::DrawAllValues();
  }
};

class TProbeTool : public TChartTool {
 public:
  std::vector<int>* Log = nullptr;
  void ChartEvent(TChartToolEvent e) override { Log->push_back(int(e)); }
};

TEST(ChartDrawing, StepsInOrder) {
  TDrawnChart d;
  TProbeSeries s;
  s.SetParentChart(&d.Chart);
  s.AddXY(0, 1);
  s.AddXY(1, 2);
  d.Chart.Title().Text().Add("title");
  d.Chart.LeftAxis().Title.SetCaption("axis");
  std::vector<std::string> events;
  d.Chart.OnBeforeDrawChart = [&](TCustomAxisPanel*) { events.push_back("chart"); };
  d.Chart.OnBeforeDrawAxes = [&](TCustomAxisPanel*) { events.push_back("axes"); };
  d.Chart.OnBeforeDrawSeries = [&](TCustomAxisPanel*) { events.push_back("series"); };
  d.Chart.OnAfterDraw = [&](TCustomAxisPanel*) { events.push_back("after"); };
  std::vector<int> tool;
  auto t = std::make_unique<TProbeTool>();
  t->Log = &tool;
  d.Chart.AddTool(std::move(t));
  d.Draw();
  EXPECT_EQ(events, (std::vector<std::string>{"chart", "axes", "series", "after"}));
  EXPECT_EQ(tool, (std::vector<int>{cteBeforeDraw, cteBeforeDrawSeries, cteAfterDraw}));
  // Background, title, axis, series, legend.
  const int title = d.IndexOfText("title"), axis = d.IndexOfText("axis");
  const int series = d.IndexOfText("series");
  ASSERT_GE(title, 0);
  EXPECT_EQ(d.Canvas.Calls()[0].Op, "FillRect");
  EXPECT_LT(title, axis);
  EXPECT_LT(axis, series);
  // With AxisBehind off the axes come after the series.
  d.Chart.SetAxisBehind(false);
  events.clear();
  d.Draw();
  EXPECT_GT(d.IndexOfText("axis"), d.IndexOfText("series"));
  EXPECT_EQ(events, (std::vector<std::string>{"chart", "series", "axes", "after"}));
}

TEST(ChartDrawing, AxesWithoutActiveSeriesAreNotDrawn) {
  TDrawnChart d;
  TLineSeries s;
  s.SetParentChart(&d.Chart);
  s.AddXY(0, 5);
  s.AddXY(1, 15);
  s.SetActive(false);
  d.Draw();
  EXPECT_FALSE(d.Chart.IsAxisVisible(d.Chart.LeftAxis()));
  EXPECT_TRUE(d.Chart.LeftAxis().DrawnLabels().empty());
  // Its range still comes from the inactive series.
  EXPECT_DOUBLE_EQ(d.Chart.LeftAxis().Minimum(), 5);
  EXPECT_DOUBLE_EQ(d.Chart.LeftAxis().Maximum(), 15);
}

TEST(ChartDrawing, Paging) {
  TDrawnChart d;
  TLineSeries s;
  s.SetParentChart(&d.Chart);
  for (int i = 0; i < 25; ++i) s.AddXY(i, i);
  try {
    d.Chart.SetMaxPointsPerPage(-1);
    FAIL();
  } catch (const ChartException& e) {
    EXPECT_EQ(e.Message(), "MaxPointsPerPage must be >= 0");
  }
  int pageEvents = 0;
  d.Chart.OnPageChange = [&](TCustomAxisPanel*) { ++pageEvents; };
  d.Chart.SetMaxPointsPerPage(10);
  EXPECT_EQ(d.Chart.NumPages(), 3);
  d.Chart.SetPage(0);
  EXPECT_EQ(d.Chart.Page(), 1);
  d.Chart.SetPage(99);
  EXPECT_EQ(d.Chart.Page(), 3);
  EXPECT_EQ(pageEvents, 1);
  d.Draw();
  EXPECT_DOUBLE_EQ(d.Chart.BottomAxis().Minimum(), 20);
  EXPECT_DOUBLE_EQ(d.Chart.BottomAxis().Maximum(), 24);
  EXPECT_EQ(s.FirstVisibleIndex(), 20);
  // A short last page spread as a full one.
  d.Chart.SetScaleLastPage(false);
  d.Draw();
  EXPECT_DOUBLE_EQ(d.Chart.BottomAxis().Maximum(), 20 + 4.0 * 10 / 5);
  // An empty series pages without reading before its first point.
  s.Clear();
  d.Draw();
  EXPECT_EQ(d.Chart.NumPages(), 1);
  EXPECT_DOUBLE_EQ(d.Chart.BottomAxis().Minimum(), 0);
}

TEST(ChartDrawing, DepthPositionsIn3D) {
  TDrawnChart d;
  d.Chart.SetView3D(true);
  TLineSeries a, b, c;
  for (TLineSeries* s : {&a, &b, &c}) {
    s->SetParentChart(&d.Chart);
    s->AddXY(0, 1);
    s->AddXY(1, 2);
  }
  d.Draw();
  EXPECT_EQ(d.Chart.MaxZOrder, 2);
  EXPECT_DOUBLE_EQ(a.MinZValue(), 0);
  EXPECT_DOUBLE_EQ(c.MinZValue(), 2);
  // The first series stands at the back, the last at the front.
  const int w = d.Chart.SeriesWidth3D;
  EXPECT_GT(w, 0);
  EXPECT_EQ(a.StartZ, 2 * w);
  EXPECT_EQ(c.StartZ, 0);
  EXPECT_EQ(d.Chart.Width3D, 3 * w);
  EXPECT_DOUBLE_EQ(d.Chart.DepthAxis().Minimum(), -0.5);
  EXPECT_DOUBLE_EQ(d.Chart.DepthAxis().Maximum(), 2.5);
  // In 2-D nothing has depth.
  d.Chart.SetView3D(false);
  d.Draw();
  EXPECT_EQ(d.Chart.Width3D, 0);
  EXPECT_EQ(a.StartZ, 0);
}

TEST(ChartTitles, RoomAndLineOrder) {
  TDrawnChart d;
  d.Draw();
  const TRect plain = d.Chart.ChartRect;
  // No lines: no room, nothing drawn.
  d.Chart.Foot().SetVisible(true);
  d.Draw();
  EXPECT_EQ(d.Chart.ChartRect, plain);
  // A foot of two lines: the first at the bottom, the second above it.
  d.Chart.Foot().Text().Add("first");
  d.Chart.Foot().Text().Add("second");
  d.Draw();
  const auto& calls = d.Canvas.Calls();
  const int first = d.IndexOfText("first"), second = d.IndexOfText("second");
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  EXPECT_EQ(calls[first].Args[1] - calls[second].Args[1], 16);
  EXPECT_EQ(d.Chart.ChartRect.Bottom, plain.Bottom - 5 - 2 * 16);
  // Without AdjustFrame the frame spans the chart rectangle (and its
  // one-pixel frame beyond).
  d.Chart.Title().Text().Add("t");
  d.Chart.Title().SetAdjustFrame(false);
  d.Draw();
  EXPECT_EQ(d.Chart.Title().ShapeBounds.Width(), plain.Width() + 2);
  d.Chart.Title().SetAdjustFrame(true);
  d.Draw();
  // "t", a "W" and the frame, halved about the centre.
  EXPECT_EQ(d.Chart.Title().ShapeBounds.Width(), (8 + 8 + 1) / 2 * 2);
}

TEST(ChartWalls, ColoursAndDepth) {
  TDrawnChart d;
  TChart& chart = d.Chart;
  EXPECT_FALSE(chart.IsFreeSeriesColor(clSilver, true));  // the back wall's colour
  EXPECT_TRUE(chart.IsFreeSeriesColor(clSilver, false));
  // 2-D: CalcDepth3D only recomputes the rectangle's size.
  d.Draw();
  EXPECT_EQ(chart.Width3D, 0);
  // The right wall is hidden; shown flat it is one more plane.
  chart.SetView3D(true);
  TLineSeries s;
  s.SetParentChart(&chart);
  s.AddXY(0, 1);
  s.AddXY(1, 2);
  d.Draw();
  const int polygons = d.Canvas.Count("Polygon");
  chart.RightWall().SetVisible(true);
  d.Draw();
  EXPECT_EQ(d.Canvas.Count("Polygon"), polygons + 1);
  // The left wall is drawn in its colour.
  bool yellow = false;
  for (const TCanvasCall* c : d.Canvas.Find("Polygon"))
    yellow = yellow || c->State.BrushColor == TColor(0x80FFFF);
  EXPECT_TRUE(yellow);
  // The old "BackColor" property colours the back wall.
  chart.ReadBackColor(clWhite);
  EXPECT_EQ(chart.BackWall().Color(), clWhite);
  EXPECT_EQ(chart.PanelBackColor(), chart.Color());  // still transparent
  chart.BackWall().SetTransparent(false);
  EXPECT_EQ(chart.PanelBackColor(), clWhite);
}

TEST(ChartAxes, CustomAxes) {
  TDrawnChart d;
  TLineSeries s;
  s.SetParentChart(&d.Chart);
  s.AddXY(0, 1);
  s.AddXY(1, 50);
  TChartAxis& extra = d.Chart.CustomAxes().Add();
  EXPECT_EQ(d.Chart.Axes().size(), 6u);
  s.SetCustomVertAxis(&extra);
  EXPECT_EQ(s.VertAxis(), aCustomVertAxis);
  extra.SetPositionPercent(50);
  d.Draw();
  EXPECT_TRUE(d.Chart.IsAxisVisible(extra));
  EXPECT_FALSE(d.Chart.IsAxisVisible(d.Chart.LeftAxis()));
  EXPECT_FALSE(extra.DrawnLabels().empty());
  EXPECT_EQ(extra.AxisPosition, d.Chart.ChartRect.Left + RoundInt(d.Chart.ChartWidth * 0.5));
  // Deleting the axis gives the series its left axis back.
  d.Chart.CustomAxes().Delete(0);
  EXPECT_EQ(s.VertAxis(), aLeftAxis);
  EXPECT_EQ(d.Chart.Axes().size(), 5u);
}

TEST(ChartEvents, SeriesEventsReachEveryListener) {
  struct Listener : IPlotEventListener {
    std::vector<TSeriesEventKind> Kinds;
    int Pages = 0;
    void PlotEvent(TPlotEvent& e) override {
      if (auto* s = dynamic_cast<TPlotSeriesEvent*>(&e)) Kinds.push_back(s->Kind);
      if (dynamic_cast<TPlotPageChangeEvent*>(&e)) ++Pages;
    }
  } one, two;
  TChart chart;
  chart.AddListener(&one);
  chart.AddListener(&two);
  {
    TLineSeries s;
    s.SetParentChart(&chart);
    s.SetTitle("t");
    chart.SetMaxPointsPerPage(5);
  }
  const std::vector<TSeriesEventKind> expected = {
      TSeriesEventKind::Added, TSeriesEventKind::ColorChanged, TSeriesEventKind::TitleChanged,
      TSeriesEventKind::Removed};
  EXPECT_EQ(one.Kinds, expected);
  EXPECT_EQ(two.Kinds, expected);
  EXPECT_EQ(one.Pages, 1);
  chart.RemoveListener(&one);
  chart.RemoveListener(&two);
}

}  // namespace
}  // namespace qv
