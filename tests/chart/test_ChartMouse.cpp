// Chart mouse: zoom by dragging (minimum size, undo by a reverse drag,
// animated steps), scrolling by dragging and by the wheel, and which click
// events a press raises.
#include <gtest/gtest.h>

#include "ChartTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;
using charttest::TTestHost;

// A drawn chart with one line series over x 0..100, y 0..1000.
struct MouseChart : ::testing::Test {
  TDrawnChart d;
  TLineSeries series;
  TChart& chart = d.Chart;
  MouseChart() {
    d.Chart.Legend().SetVisible(false);
    series.SetParentChart(&d.Chart);
    for (int i = 0; i <= 100; i += 10) series.AddXY(i, i * 10);
    d.Draw();
  }
  void Drag(TMouseButton b, int x0, int y0, int x1, int y1, TShiftState s = 0) {
    chart.MouseDown(b, s, x0, y0);
    chart.MouseMove(s, (x0 + x1) / 2, (y0 + y1) / 2);
    chart.MouseMove(s, x1, y1);
    chart.MouseUp(b, s, x1, y1);
  }
  void Click(TMouseButton b, int x, int y) {
    chart.MouseDown(b, 0, x, y);
    chart.MouseUp(b, 0, x, y);
  }
  TRect R() const { return chart.ChartRect; }
};

TEST_F(MouseChart, DragZoomsOnlyBeyondTheMinimumSize) {
  const TRect r = R();
  const int x0 = r.Left + 20, y0 = r.Top + 20;
  // 16 pixels wide is not a zoom (the default minimum).
  Drag(mbLeft, x0, y0, x0 + 16, y0 + 40);
  EXPECT_FALSE(chart.Zoomed);
  EXPECT_TRUE(chart.BottomAxis().Automatic());
  // 17 pixels is.
  Drag(mbLeft, x0, y0, x0 + 17, y0 + 40);
  EXPECT_TRUE(chart.Zoomed);
  EXPECT_FALSE(chart.BottomAxis().Automatic());
  EXPECT_NEAR(chart.BottomAxis().Minimum(), chart.BottomAxis().PixelToValue(x0), 1e-9);
  EXPECT_FALSE(chart.Zoom().Active);
}

TEST_F(MouseChart, ZoomTargetsAreThePixelValuesOfTheRectangle) {
  const TRect r = R();
  const TChartAxis& b = chart.BottomAxis();
  const TChartAxis& l = chart.LeftAxis();
  const double xlo = b.PixelToValue(r.Left + 30), xhi = b.PixelToValue(r.Left + 130);
  const double ylo = l.PixelToValue(r.Top + 90), yhi = l.PixelToValue(r.Top + 10);
  Drag(mbLeft, r.Left + 30, r.Top + 10, r.Left + 130, r.Top + 90);
  EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), xlo);
  EXPECT_DOUBLE_EQ(chart.BottomAxis().Maximum(), xhi);
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), ylo);
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Maximum(), yhi);
}

TEST_F(MouseChart, ReverseDragUndoesTwoZoomsAndRestoresTheAutomaticFlags) {
  // The left axis keeps an automatic maximum over a fixed minimum.
  chart.LeftAxis().SetAutomatic(false);
  chart.LeftAxis().SetRange(-50, 1000);
  chart.LeftAxis().SetAutomaticMaximum(true);
  d.Draw();
  const bool autoMax = chart.LeftAxis().AutomaticMaximum();
  ASSERT_TRUE(autoMax);
  const TRect r = R();
  Drag(mbLeft, r.Left + 10, r.Top + 10, r.Left + 150, r.Top + 150);
  d.Draw();
  Drag(mbLeft, R().Left + 10, R().Top + 10, R().Left + 100, R().Top + 100);
  EXPECT_TRUE(chart.Zoomed);
  // Towards the upper left: undo, back to the state before the first zoom.
  Drag(mbLeft, R().Left + 100, R().Top + 100, R().Left + 10, R().Top + 10);
  EXPECT_FALSE(chart.Zoomed);
  EXPECT_TRUE(chart.BottomAxis().Automatic());
  EXPECT_TRUE(chart.BottomAxis().AutomaticMinimum());
  EXPECT_FALSE(chart.LeftAxis().Automatic());
  EXPECT_FALSE(chart.LeftAxis().AutomaticMinimum());
  EXPECT_TRUE(chart.LeftAxis().AutomaticMaximum());
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), -50);
}

TEST_F(MouseChart, HorizontalZoomSpansTheWholeHeight) {
  chart.Zoom().Direction = tzdHorizontal;
  const TRect r = R();
  Drag(mbLeft, r.Left + 20, r.Top + 50, r.Left + 120, r.Top + 52);
  EXPECT_TRUE(chart.Zoomed);
  EXPECT_EQ(chart.Zoom().Y0, r.Top);
  EXPECT_EQ(chart.Zoom().Y1, r.Bottom);
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Maximum(), chart.LeftAxis().PixelToValue(r.Top));
}

TEST_F(MouseChart, AnimatedZoomShowsEachStep) {
  TTestHost host;
  chart.SetHost(&host);
  chart.Zoom().Animated = true;
  std::vector<double> minima;
  host.OnUpdate = [&] { minima.push_back(chart.BottomAxis().Minimum()); };
  const TRect r = R();
  Drag(mbLeft, r.Left + 60, r.Top + 10, r.Left + 200, r.Top + 100);
  // Eight steps: seven shown at once, then the target.
  ASSERT_EQ(minima.size(), 7u);
  const double target = chart.BottomAxis().Minimum();
  for (std::size_t i = 1; i < minima.size(); ++i) {
    EXPECT_GT(minima[i], minima[i - 1]);
    EXPECT_LT(minima[i], target);
  }
  // One step: straight to the target.
  chart.UndoZoom();
  d.Draw();
  minima.clear();
  chart.Zoom().AnimatedSteps = 1;
  Drag(mbLeft, r.Left + 60, r.Top + 10, r.Left + 200, r.Top + 100);
  EXPECT_TRUE(minima.empty());
  EXPECT_TRUE(chart.Zoomed);
  chart.SetHost(nullptr);
}

TEST_F(MouseChart, WheelScrollsTheVerticalAxes) {
  chart.LeftAxis().SetRange(0, 100);
  EXPECT_TRUE(chart.MouseWheel(0, -120, 100, 100));  // towards the user: down
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), 3);
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Maximum(), 103);
  chart.MouseWheel(0, 240, 100, 100);  // two notches up
  EXPECT_NEAR(chart.LeftAxis().Minimum(), 3 - 2 * 3, 1e-9);
  EXPECT_TRUE(chart.BottomAxis().Automatic());
  TCustomChart::WheelScroll = false;
  EXPECT_FALSE(chart.MouseWheel(0, -120, 100, 100));
  TCustomChart::WheelScroll = true;
}

TEST_F(MouseChart, RightDragScrollsByTheDraggedDistance) {
  const TRect r = R();
  const TChartAxis& b = chart.BottomAxis();
  const double perPixel = b.PixelToValue(r.Left + 1) - b.PixelToValue(r.Left);
  const double lo = b.Minimum();
  int scrolls = 0;
  chart.OnScroll = [&](TCustomChart*) { ++scrolls; };
  // Two steps to the left, ten pixels each: the axis moves right by twenty.
  const int x = r.Left + 100, y = r.Top + 50;
  chart.MouseDown(mbRight, 0, x, y);
  chart.MouseMove(0, x - 10, y);
  chart.MouseMove(0, x - 20, y);
  chart.MouseUp(mbRight, 0, x - 20, y);
  EXPECT_EQ(scrolls, 2);
  EXPECT_NEAR(b.Minimum(), lo + 20 * perPixel, 1e-9);
  EXPECT_FALSE(chart.DragRect.Active);
}

TEST_F(MouseChart, AllowScrollCanKeepAnAxisInPlace) {
  const TRect r = R();
  const double lo = chart.BottomAxis().Minimum();
  int scrolls = 0;
  chart.OnScroll = [&](TCustomChart*) { ++scrolls; };
  chart.OnAllowScroll = [&](TChartAxis* a, double&, double&, bool& allow) {
    if (a == &chart.BottomAxis()) allow = false;
  };
  chart.MouseDown(mbRight, 0, r.Left + 100, r.Top + 50);
  chart.MouseMove(0, r.Left + 80, r.Top + 60);
  chart.MouseUp(mbRight, 0, r.Left + 80, r.Top + 60);
  EXPECT_EQ(scrolls, 1);
  EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), lo);
  EXPECT_FALSE(chart.LeftAxis().Automatic());
  // Leaving the chart rectangle ends the scroll.
  chart.MouseDown(mbRight, 0, r.Left + 100, r.Top + 50);
  chart.MouseMove(0, r.Left - 5, r.Top + 50);
  EXPECT_FALSE(chart.DragRect.Active);
}

TEST_F(MouseChart, ClicksRaiseTheirEvents) {
  int background = 0, titles = 0, legend = 0, axes = 0;
  chart.OnClickBackground = [&](TCustomChart*, TMouseButton, TShiftState, int, int) {
    ++background;
  };
  const TRect r = R();
  // A background click fires once.
  Click(mbLeft, r.Left + 5, r.Top + 5);
  EXPECT_EQ(background, 1);
  // A title without its own handler reaches the background handler.
  chart.Title().Text().Add("Title");
  chart.Legend().SetVisible(true);
  d.Draw();
  const TRect t = chart.Title().ShapeBounds;
  Click(mbRight, (t.Left + t.Right) / 2, (t.Top + t.Bottom) / 2);
  EXPECT_EQ(background, 2);
  chart.OnClickTitle = [&](TCustomChart*, TChartTitle* title, TMouseButton, TShiftState, int, int) {
    EXPECT_EQ(title, &chart.Title());
    ++titles;
  };
  Click(mbRight, (t.Left + t.Right) / 2, (t.Top + t.Bottom) / 2);
  EXPECT_EQ(titles, 1);
  EXPECT_EQ(background, 2);
  // The legend, with and without a handler.
  const TRect l = chart.Legend().ShapeBounds;
  Click(mbRight, l.Left + 10, l.Top + 4);
  EXPECT_EQ(background, 3);
  chart.OnClickLegend = [&](TCustomChart*, TMouseButton, TShiftState, int, int) { ++legend; };
  Click(mbRight, l.Left + 10, l.Top + 4);
  EXPECT_EQ(legend, 1);
  // The left axis line.
  chart.OnClickAxis = [&](TCustomChart*, TChartAxis* a, TMouseButton, TShiftState, int, int) {
    EXPECT_EQ(a, &chart.LeftAxis());
    ++axes;
  };
  const TRect r2 = R();
  Click(mbRight, chart.LeftAxis().AxisPosition, (r2.Top + r2.Bottom) / 2);
  EXPECT_EQ(axes, 1);
}

TEST_F(MouseChart, SeriesClicksAndDoubleClicks) {
  std::vector<int> clicks, doubles, chartClicks;
  series.OnClick = [&](TChartSeries*, int i, TMouseButton, TShiftState, int, int) {
    clicks.push_back(i);
  };
  series.OnDblClick = [&](TChartSeries*, int i, TMouseButton, TShiftState, int, int) {
    doubles.push_back(i);
  };
  chart.OnClickSeries = [&](TCustomChart*, TChartSeries* s, int i, TMouseButton, TShiftState, int,
                            int) {
    EXPECT_EQ(s, &series);
    chartClicks.push_back(i);
  };
  const int x = series.CalcXPos(3), y = series.CalcYPos(3);
  chart.MouseDown(mbLeft, 0, x, y);
  chart.MouseUp(mbLeft, 0, x, y);
  chart.MouseDown(mbLeft, ssDouble, x, y);
  chart.MouseUp(mbLeft, 0, x, y);
  EXPECT_EQ(clicks, std::vector<int>{3});
  EXPECT_EQ(doubles, std::vector<int>{3});
  EXPECT_EQ(chartClicks, (std::vector<int>{3, 3}));
  const TChartClickedPart part = chart.CalcClickedPart(x, y, false);
  EXPECT_EQ(part.Part, cpSeries);
  EXPECT_EQ(part.ASeries, &series);
}

TEST_F(MouseChart, ZoomRectangleDrawnTwiceRestoresThePicture) {
  const TRect r = R();
  // Without a window the rectangle is drawn on the canvas in not-XOR mode:
  // each move erases the old one and draws the new one.
  d.Canvas.Clear();
  chart.MouseDown(mbLeft, 0, r.Left + 10, r.Top + 10);
  chart.MouseMove(0, r.Left + 40, r.Top + 40);
  chart.MouseUp(mbLeft, 0, r.Left + 40, r.Top + 40);
  const auto rects = d.Canvas.Find("Rectangle");
  ASSERT_EQ(rects.size(), 4u);  // shown, erased, shown, erased
  for (const TCanvasCall* c : rects) EXPECT_EQ(c->State.PenMode, pmNotXor);
  EXPECT_EQ(rects[0]->Args, (std::vector<int>{r.Left + 10, r.Top + 10, r.Left + 10, r.Top + 10}));
  EXPECT_EQ(rects[1]->Args, rects[0]->Args);
  EXPECT_EQ(rects[2]->Args, (std::vector<int>{r.Left + 10, r.Top + 10, r.Left + 40, r.Top + 40}));
  EXPECT_EQ(rects[3]->Args, rects[2]->Args);
}

}  // namespace
}  // namespace qv
