// Series marks: texts by style, which points get a mark, where marks stand
// (custom positions stay), and which mark a click hits.
#include <gtest/gtest.h>

#include "ChartTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;

TEST(SeriesMarks, TextsByStyle) {
  TChart chart;
  TLineSeries s;
  s.SetParentChart(&chart);
  s.AddXY(1, 10, "ten");
  s.AddXY(2, 30);
  s.AddXY(3, -60, "minus");
  struct Case {
    TSeriesMarksStyle style;
    bool multiLine;
    int index;
    std::string text;
  };
  const std::string cr(1, char(13));
  const Case cases[] = {
      {smsValue, false, 0, "10"},
      {smsLabel, false, 0, "ten"},
      {smsLabel, false, 1, "30"},  // no label: the value
      {smsPercent, false, 2, "60 %"},
      {smsLabelPercent, false, 0, "ten 10 %"},
      {smsLabelValue, true, 2, "minus" + cr + "-60"},
      {smsPercentTotal, false, 1, "30 % of 100"},
      {smsPercentTotal, true, 1, "30 %" + cr + "of 100"},
      {smsXValue, false, 2, "3"},
      {smsXY, false, 1, "2 30"},
  };
  for (const Case& c : cases) {
    s.Marks().SetStyle(c.style);
    s.Marks().SetMultiLine(c.multiLine);
    EXPECT_EQ(s.GetMarkText(c.index), c.text) << int(c.style) << " " << c.index;
  }
  // All values 0: the percent is 100.
  TLineSeries zero;
  zero.AddXY(0, 0);
  zero.Marks().SetStyle(smsPercent);
  EXPECT_EQ(zero.GetMarkText(0), "100 %");
  // The handler has the last word.
  s.OnGetMarkText = [](TChartSeries*, int index, std::string& text) {
    text += "!" + std::to_string(index);
  };
  s.Marks().SetStyle(smsValue);
  EXPECT_EQ(s.GetMarkText(1), "30!1");
}

struct MarkedChart : ::testing::Test {
  TDrawnChart d;
  TLineSeries s;
  MarkedChart() {
    d.Chart.Legend().SetVisible(false);
    s.SetParentChart(&d.Chart);
    s.Marks().SetVisible(true);
    s.Marks().SetStyle(smsValue);
    for (int i = 0; i < 8; ++i) s.AddXY(i, 100 + i);
  }
  std::vector<std::string> MarkTexts() const {
    std::vector<std::string> out;
    for (const TCanvasCall* c : d.Canvas.Find("TextOut"))
      if (c->State.TextAlign == TA_CENTER && c->Text.rfind("10", 0) == 0) out.push_back(c->Text);
    return out;
  }
};

TEST_F(MarkedChart, DrawEveryAndNullPoints) {
  s.Marks().SetDrawEvery(3);
  s.SetValueColor(6, clNone);
  d.Draw();
  EXPECT_EQ(MarkTexts(), (std::vector<std::string>{"100", "103"}));
  // Clicks find only the marks drawn.
  const TSeriesMarkPosition* p3 = s.MarkPositions().Position(3);
  ASSERT_NE(p3, nullptr);
  const TRect box = p3->BoundsRect();
  EXPECT_EQ(s.Marks().Clicked(box.Left + 1, box.Top + 1), 3);
  const TSeriesMarkPosition* p1 = s.MarkPositions().Position(1);
  EXPECT_TRUE(p1 == nullptr || p1->Width == 0);
  EXPECT_EQ(s.Marks().Clicked(s.CalcXPos(1), s.CalcYPos(1) - 12), -1);
}

TEST_F(MarkedChart, BoxSizeAndPlaceAboveThePoint) {
  d.Draw();
  const TSeriesMarkPosition* p = s.MarkPositions().Position(2);
  ASSERT_NE(p, nullptr);
  // Text "102" (3 cells of 8) plus a "W" wide, a 16-pixel line, and the
  // frame twice; the box stands the arrow length above the point.
  EXPECT_EQ(p->Width, 3 * 8 + 8 + 2);
  EXPECT_EQ(p->Height, 16 + 2);
  EXPECT_EQ(p->ArrowStart, TPoint(s.CalcXPos(2), s.CalcYPos(2)));
  EXPECT_EQ(p->ArrowEnd.Y, s.CalcYPos(2) - 8);
  EXPECT_EQ(p->TopLeft.Y, s.CalcYPos(2) - p->Height + 1 - 8);
  // The arrow runs from the point up to the box.
  bool arrow = false;
  for (const TCanvasCall* c : d.Canvas.Find("LineTo"))
    arrow = arrow || c->Args == std::vector<int>{p->ArrowStart.X, p->ArrowStart.Y, p->ArrowEnd.X,
                                                 p->ArrowEnd.Y};
  EXPECT_TRUE(arrow);
}

TEST_F(MarkedChart, CustomPositionsStay) {
  d.Draw();
  TSeriesMarkPosition& p = s.MarkPositions().Ensure(4);
  p.IsCustom = true;
  p.TopLeft = {20, 30};
  p.ArrowEnd = {25, 40};
  d.Chart.SetMarginTop(10);  // the points move; the custom mark does not
  d.Draw();
  const TSeriesMarkPosition* q = s.MarkPositions().Position(4);
  EXPECT_EQ(q->TopLeft, TPoint(20, 30));
  EXPECT_TRUE(s.MarkPositions().HasCustom());
  // With ArrowFixed the arrow still starts at the point.
  TSeriesMarkPosition given;
  given.ArrowFixed = true;
  given.ArrowStart = {111, 222};
  s.Marks().StorePosition(4, given);
  EXPECT_EQ(given.TopLeft, TPoint(20, 30));
  EXPECT_EQ(given.ArrowStart, TPoint(111, 222));
}

TEST_F(MarkedChart, MultiLineMarksDrawEveryLine) {
  s.Clear();
  s.AddXY(0, 1, "first");
  s.Marks().SetStyle(smsLabelValue);
  s.Marks().SetMultiLine(true);
  d.Draw();
  EXPECT_GE(d.IndexOfText("first"), 0);
  EXPECT_GE(d.IndexOfText("1"), 0);
  const TSeriesMarkPosition* p = s.MarkPositions().Position(0);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Height, 2 * 16 + 2);
}

}  // namespace
}  // namespace qv
