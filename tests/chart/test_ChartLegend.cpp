// Chart legend: what it lists, its layouts (one column beside the chart,
// rows of columns above or below it), the room it takes, item texts and
// the item under the mouse, check boxes.
#include <gtest/gtest.h>

#include "ChartTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;

struct LegendChart : ::testing::Test {
  TDrawnChart d;
  TChartLegend& legend = d.Chart.Legend();
  std::vector<std::unique_ptr<TLineSeries>> series;
  TLineSeries& Add(const std::string& title, int points = 3) {
    series.push_back(std::make_unique<TLineSeries>());
    TLineSeries& s = *series.back();
    s.SetTitle(title);
    s.SetParentChart(&d.Chart);
    for (int i = 0; i < points; ++i) s.AddXY(i, i * 10 + int(series.size()));
    return s;
  }
  std::vector<std::string> ItemTexts() {
    std::vector<std::string> out;
    for (int i = legend.FirstValue(); i <= legend.LastValue; ++i)
      out.push_back(d.Chart.FormattedLegend(i));
    return out;
  }
};

TEST_F(LegendChart, ValuesForOneSeriesSeriesForTwo) {
  TLineSeries& a = Add("alpha", 3);
  d.Draw();
  EXPECT_EQ(legend.EffectiveStyle(), lsValues);
  // Value, then the label column (empty here).
  const std::string sep(1, char(6));
  EXPECT_EQ(ItemTexts(), (std::vector<std::string>{"1" + sep, "11" + sep, "21" + sep}));
  Add("beta", 2);
  d.Draw();
  EXPECT_EQ(legend.EffectiveStyle(), lsSeries);
  EXPECT_EQ(ItemTexts(), (std::vector<std::string>{"alpha", "beta"}));
  // Last values of each series.
  legend.SetLegendStyle(lsLastValues);
  d.Draw();
  EXPECT_EQ(ItemTexts(), (std::vector<std::string>{"21" + sep, "12" + sep}));
  // An inactive series is not listed, unless with check boxes.
  legend.SetLegendStyle(lsSeries);
  a.SetActive(false);
  d.Draw();
  EXPECT_EQ(ItemTexts(), (std::vector<std::string>{"beta"}));
  EXPECT_THROW(legend.SetFirstValue(-1), LegendException);
  legend.SetFirstValue(0);
}

TEST_F(LegendChart, VerticalLegendTakesItsRoomAndAGap) {
  Add("alpha");
  Add("beta");
  legend.SetHorizMargin(0);
  d.Draw();
  const TRect b = legend.ShapeBounds;
  // Right of the chart, 10 % down; two items of 16 pixels.
  EXPECT_EQ(b.Top, 25);
  EXPECT_EQ(b.Height(), 2 * 16 + 2);
  EXPECT_EQ(legend.Rows, 2);
  // The right edge: the chart rectangle's, less the shadow and the frame.
  EXPECT_EQ(b.Right, 388 - 3 - 2);
  // The chart rectangle ends at the legend's left, less 3 % of its
  // 376-pixel width.
  EXPECT_EQ(d.Chart.ChartRect.Right, b.Left - 11);
}

TEST_F(LegendChart, HorizontalRowsAndMaxNumRows) {
  for (int i = 0; i < 25; ++i) Add("s" + std::to_string(100 + i));
  legend.SetAlignment(laBottom);
  // Items 80 pixels wide ("s1xx" in 8-pixel cells, two blanks, a 25-pixel
  // symbol, 8 between): four fit in a row of the 376-pixel chart.
  legend.Symbol().SetWidthUnits(lcsPixels);
  legend.Symbol().SetWidth(25);
  d.Draw();
  ASSERT_EQ(legend.Columns, 4) << "item width changed";
  EXPECT_EQ(legend.Rows, 7);
  EXPECT_EQ(legend.LastValue, 24);
  legend.SetMaxNumRows(5);
  d.Draw();
  EXPECT_EQ(legend.Rows, 5);
  EXPECT_EQ(legend.LastValue, 19);
  // A click in the second row, third column.
  const TRect b = legend.ShapeBounds;
  const int cw = b.Width() / legend.Columns;
  EXPECT_EQ(legend.ItemAtPoint(b.Left + 2 * cw + 5, b.Top + 1 + legend.ItemHeight + 3), 6);
  EXPECT_EQ(legend.ItemAtPoint(b.Left - 5, b.Top + 3), -1);
}

TEST_F(LegendChart, InvertedListsTheLastFirst) {
  Add("a");
  Add("b");
  Add("c");
  legend.SetInverted(true);
  d.Draw();
  const int ia = d.IndexOfText("a"), ic = d.IndexOfText("c");
  ASSERT_GE(ia, 0);
  ASSERT_GE(ic, 0);
  EXPECT_LT(ic, ia);
  const TRect b = legend.ShapeBounds;
  EXPECT_EQ(legend.ItemAtPoint(b.Left + 5, b.Top + 3), 2);
}

TEST_F(LegendChart, TwoTextColumnsAtMost) {
  TLineSeries& s = Add("only", 1);
  s.SetLabel(0, "label");
  d.Chart.OnGetLegendText = [](TCustomChart*, TLegendStyle, int, std::string& text) {
    text = std::string("one") + char(6) + "two" + char(6) + "three";
  };
  d.Draw();
  EXPECT_GE(d.IndexOfText("one"), 0);
  EXPECT_GE(d.IndexOfText("two"), 0);
  EXPECT_EQ(d.IndexOfText("three"), -1);
}

TEST_F(LegendChart, CheckBoxesSwitchSeries) {
  TLineSeries& a = Add("alpha");
  Add("beta");
  legend.SetCheckBoxes(true);
  d.Draw();
  EXPECT_TRUE(legend.HasCheckBoxes());
  const TRect b = legend.ShapeBounds;
  // Check-box items are at least 17 pixels high.
  EXPECT_EQ(legend.ItemHeight, 17);
  EXPECT_TRUE(legend.ToggleCheckBox(b.Left + 5, b.Top + 3));
  EXPECT_FALSE(a.Active());
  d.Draw();
  // Still listed, unticked.
  EXPECT_GE(d.IndexOfText("alpha"), 0);
  EXPECT_EQ(legend.LastValue, 1);
  // A press on the item through the chart toggles it back.
  d.Chart.MouseDown(mbLeft, 0, b.Left + 5, b.Top + 3);
  d.Chart.MouseUp(mbLeft, 0, b.Left + 5, b.Top + 3);
  EXPECT_TRUE(a.Active());
}

TEST_F(LegendChart, ForgetsASeriesThatLeaves) {
  Add("a");
  {
    TLineSeries gone;
    gone.SetParentChart(&d.Chart);
    legend.SetSeries(&gone);
  }
  EXPECT_EQ(legend.Series(), nullptr);
  d.Draw();  // lists the first active series' values again
  EXPECT_EQ(legend.LegendSeries(), series[0].get());
}

TEST_F(LegendChart, ValuesLegendFollowsThePage) {
  Add("paged", 25);
  d.Chart.SetMaxPointsPerPage(10);
  d.Chart.SetPage(3);
  d.Draw();
  EXPECT_EQ(legend.EffectiveStyle(), lsValues);
  EXPECT_EQ(legend.LastValue, 24);
  // Points 20..24 (values 201..241), none of the earlier pages.
  EXPECT_GE(d.IndexOfText("201"), 0);
  EXPECT_GE(d.IndexOfText("241"), 0);
  EXPECT_EQ(d.IndexOfText("191"), -1);
}

}  // namespace
}  // namespace qv
