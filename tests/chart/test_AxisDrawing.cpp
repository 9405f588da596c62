// Axis labels and drawing: the automatic label style, value labels (linear,
// logarithmic, negative ranges, too many), labels given by the chart's
// handler, text labels and their overlap rule, multi-line labels, grid and
// ticks, and the room an axis takes.
#include <gtest/gtest.h>

#include "ChartTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;

struct AxisChart : ::testing::Test {
  TDrawnChart d;
  TLineSeries s;
  TChart& chart = d.Chart;
  AxisChart() {
    chart.Legend().SetVisible(false);
    s.SetParentChart(&chart);
  }
  // Value labels of the left axis over Lo..Hi (the series spans the range).
  std::vector<std::string> LeftLabels(double lo, double hi) {
    s.Clear();
    s.AddXY(0, lo);
    s.AddXY(1, hi);
    d.Draw();
    return chart.LeftAxis().DrawnLabels();
  }
};

TEST_F(AxisChart, AutomaticLabelStyle) {
  TChartAxis& bottom = chart.BottomAxis();
  TChartAxis& left = chart.LeftAxis();
  EXPECT_EQ(bottom.AutoLabelStyle(), talValue);  // a series, even without points
  s.AddXY(1, 2);
  EXPECT_EQ(chart.TopAxis().AutoLabelStyle(), talNone);  // no series on it
  s.SetLabel(0, "first");
  EXPECT_EQ(bottom.AutoLabelStyle(), talText);  // labels run along X
  EXPECT_EQ(left.AutoLabelStyle(), talValue);
  s.SetActive(false);
  EXPECT_EQ(bottom.AutoLabelStyle(), talNone);
  s.SetActive(true);
  // The depth axis shows series titles unless a series has a Z extent.
  EXPECT_EQ(chart.DepthAxis().AutoLabelStyle(), talText);
}

TEST_F(AxisChart, ValueLabelsFromTheTopDown) {
  const auto labels = LeftLabels(0, 100);
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels.front(), "100");
  EXPECT_EQ(labels.back(), "0");
  // Each label has a tick, and the ticks stand at the labels' pixels.
  const auto& ticks = chart.LeftAxis().TickPositions();
  ASSERT_EQ(ticks.size(), labels.size());
  EXPECT_EQ(ticks.front(), chart.LeftAxis().ValueToPixelY(100));
}

TEST_F(AxisChart, NegativeRangesKeepTheirLowestLabel) {
  const auto labels = LeftLabels(-100, 100);
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels.front(), "100");
  EXPECT_EQ(labels.back(), "-100");
  const auto small = LeftLabels(-0.3, -0.1);
  ASSERT_FALSE(small.empty());
  EXPECT_EQ(small.back(), "-0.3");
}

TEST_F(AxisChart, LogarithmicLabels) {
  chart.LeftAxis().SetLogarithmic(true);
  struct Case {
    double lo, hi;
    int base;
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      {1, 1000, 10, {"1", "10", "100", "1,000"}},
      {3, 500, 10, {"10", "100"}},
      {0, 50, 10, {"0.1", "1", "10"}},  // a minimum of 0 starts at 0.1
      {1, 16, 2, {"1", "2", "4", "8", "16"}},
  };
  for (const Case& c : cases) {
    chart.LeftAxis().SetLogarithmicBase(c.base);
    EXPECT_EQ(LeftLabels(c.lo, c.hi), c.labels) << c.lo << ".." << c.hi;
  }
}

TEST_F(AxisChart, LabelsFromTheChartsHandler) {
  int calls = 0;
  chart.OnGetNextAxisLabel = [&](TChartAxis* a, int, double&, bool& stop) {
    if (a == &chart.LeftAxis()) ++calls;
    stop = true;  // at once: the default labels
  };
  const auto defaults = LeftLabels(0, 100);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(defaults.front(), "100");
  // Never stopping: labelling ends after index 2000.
  calls = 0;
  chart.OnGetNextAxisLabel = [&](TChartAxis* a, int, double& v, bool& stop) {
    if (a != &chart.LeftAxis()) return;
    ++calls;
    stop = false;
    v = 50;
  };
  const auto custom = LeftLabels(0, 100);
  EXPECT_EQ(calls, 2001);
  ASSERT_FALSE(custom.empty());
  EXPECT_EQ(custom.front(), "50");
  // A value outside the range ends labelling.
  calls = 0;
  chart.OnGetNextAxisLabel = [&](TChartAxis* a, int i, double& v, bool& stop) {
    if (a != &chart.LeftAxis()) return;
    ++calls;
    stop = false;
    v = i * 40;
  };
  EXPECT_EQ(LeftLabels(0, 100), (std::vector<std::string>{"0", "40", "80"}));
  EXPECT_EQ(calls, 4);
}

TEST_F(AxisChart, TextLabelsOverlapRule) {
  // Labels 40 pixels wide, points about 15 pixels apart.
  for (int i = 0; i < 20; ++i) s.AddXY(i, i, "abcde");
  d.Draw();
  const std::size_t spaced = chart.BottomAxis().DrawnLabels().size();
  EXPECT_GT(spaced, 1u);
  EXPECT_LT(spaced, 20u);
  chart.BottomAxis().SetLabelsSeparation(0);
  d.Draw();
  EXPECT_EQ(chart.BottomAxis().DrawnLabels().size(), 20u);
  // Tick storage grows with the labels: 3000 of them.
  s.Clear();
  for (int i = 0; i < 3000; ++i) s.AddXY(i, i, "x");
  d.Draw();
  EXPECT_EQ(chart.BottomAxis().TickPositions().size(), 3000u);
}

TEST_F(AxisChart, MultiLineLabels) {
  // The blanks of a formatted value become line breaks, each line drawn.
  chart.LeftAxis().LabelsMultiLine = true;
  chart.LeftAxis().AxisValuesFormat = "0 \"units\"";
  s.Clear();
  s.AddXY(0, 0);
  s.AddXY(1, 5);
  d.Draw();
  EXPECT_EQ(chart.LeftAxis().DrawnLabels().front(), "5\runits");
  EXPECT_GE(d.IndexOfText("units"), 0);
  // Two blanks, three lines.
  chart.LeftAxis().AxisValuesFormat = "0 \"a b\"";
  d.Draw();
  EXPECT_EQ(chart.LeftAxis().DrawnLabels().back(), "0\ra\rb");
}

TEST_F(AxisChart, GridLinesAndColour) {
  s.AddXY(0, 0);
  s.AddXY(1, 100);
  TChartAxis& left = chart.LeftAxis();
  left.Grid.SetColor(clDefault);
  left.SetIncrement(25);  // 5 ticks: 0, 25, 50, 75, 100
  left.Grid.SetStyle(psSolid);
  auto gridLines = [&] {
    int n = 0;
    for (const TCanvasCall* c : d.Canvas.Find("LineTo"))
      if (c->State.PenColor == clGray && c->Args[1] == c->Args[3] &&
          c->Args[0] == chart.ChartRect.Right && c->Args[2] == chart.ChartRect.Left)
        ++n;
    return n;
  };
  d.Draw();
  ASSERT_EQ(left.TickPositions().size(), 5u);
  EXPECT_EQ(gridLines(), 3);  // the ends stand on the chart's edges
  left.GridCentered = true;
  d.Draw();
  EXPECT_EQ(gridLines(), 4);
}

TEST_F(AxisChart, RoomForTitleLabelsAndTicks) {
  s.AddXY(0, 0);
  s.AddXY(1, 100);
  chart.LeftAxis().Title.SetCaption("Y");
  d.Draw();
  const TChartAxis& left = chart.LeftAxis();
  // From the margin inwards: the title band (a 16-pixel line turned), the
  // labels ("100" and a blank: 4 cells) and the ticks (axis pen 2 + 1 and
  // tick 4).
  const int margin = 12;
  EXPECT_EQ(left.TitlePosition, margin + 16);
  EXPECT_EQ(left.LabelsPosition, margin + 16 + 32);
  EXPECT_EQ(chart.ChartRect.Left, margin + 16 + 32 + 7);
  EXPECT_EQ(left.AxisPosition, chart.ChartRect.Left);
  // The title and the labels stand where the positions say.
  const int title = d.IndexOfText("Y");
  ASSERT_GE(title, 0);
  EXPECT_EQ(d.Canvas.Calls()[title].Args[0], left.TitlePosition);
}

TEST_F(AxisChart, DateTimeLabelsOnCalendarSteps) {
  // 1 January to 31 March 2000 with a month's increment: the labels stand
  // on the first of each month, whatever day the range ends on.
  s.XValues().SetDateTime(true);
  s.AddXY(EncodeDate(2000, 1, 1), 1);
  s.AddXY(EncodeDate(2000, 3, 31) + 0.5, 2);
  chart.BottomAxis().SetIncrement(30);
  chart.BottomAxis().DateTimeFormat = "yyyy-mm-dd";
  d.Draw();
  EXPECT_EQ(chart.BottomAxis().DrawnLabels(),
            (std::vector<std::string>{"2000-03-01", "2000-02-01", "2000-01-01"}));
}

TEST(AxisLabelText, DateTimeAndFormats) {
  TChartAxis a(nullptr);
  a.ShowsDateTime = true;
  EXPECT_EQ(a.FormatLabel(-1), "");
  a.ShowsDateTime = false;
  EXPECT_EQ(a.FormatLabel(1234.5), "1,234.5");
}

}  // namespace
}  // namespace qv
