// Fast line series: one polyline through the points, one point per pixel
// column without DrawAllPoints, null points breaking the line, entering a
// zoomed range, colour and pen kept together, and live segments.
#include <gtest/gtest.h>

#include <cmath>

#include "ChartTestSupport.h"

namespace qv {
namespace {

using charttest::TDrawnChart;
using charttest::TTestHost;

struct FastLine : ::testing::Test {
  TDrawnChart d;
  TFastLineSeries line;
  FastLine() {
    d.Chart.Legend().SetVisible(false);
    line.SetSeriesColor(clRed);
    line.SetParentChart(&d.Chart);
  }
  // The points of the red polylines, in drawing order.
  std::vector<std::vector<TPoint>> Polylines() const {
    std::vector<std::vector<TPoint>> out;
    for (const TCanvasCall* c : d.Canvas.Find("Polyline"))
      if (c->State.PenColor == clRed) out.push_back(c->Points);
    return out;
  }
};

TEST_F(FastLine, OnePointPerPixelColumnWithoutDrawAllPoints) {
  // 10 000 points over a plot about 300 pixels wide.
  for (int i = 0; i < 10000; ++i) line.AddXY(i, (i * 7919) % 1000);
  line.SetDrawAllPoints(false);
  d.Draw();
  const int width = d.Chart.ChartWidth;
  ASSERT_LT(width, 400);
  EXPECT_LE(line.LineCalls(), width);
  // Every drawn point stands in a column of its own, left to right.
  int lastX = -1, points = 0;
  for (const auto& poly : Polylines())
    for (const TPoint& p : poly) {
      if (points++ == 0 || p.X == lastX) continue;  // a chunk repeats its first point
      EXPECT_GT(p.X, lastX);
      lastX = p.X;
    }
  // The first point that falls in each column is the one drawn.
  const auto polys = Polylines();
  ASSERT_FALSE(polys.empty());
  int j = 1;
  while (line.CalcXPos(j) == line.CalcXPos(0)) ++j;
  EXPECT_EQ(polys[0][1], TPoint(line.CalcXPos(j), line.CalcYPos(j)));
}

TEST_F(FastLine, AllPointsSkipOnlyRepeatedPixels) {
  line.AddXY(0, 0);
  line.AddXY(1, 100);
  line.AddXY(1.0000001, 100.0000001);  // the same pixel as the point before
  line.AddXY(2, 50);
  d.Draw();
  EXPECT_EQ(line.LineCalls(), 2);
  const auto polys = Polylines();
  ASSERT_EQ(polys.size(), 1u);
  EXPECT_EQ(polys[0].size(), 3u);
}

TEST_F(FastLine, NullPointsBreakTheLine) {
  for (int i = 0; i < 6; ++i) {
    if (i == 3)
      line.AddNullXY(i, 0);
    else
      line.AddXY(i, i * 10);
  }
  d.Draw();
  const auto polys = Polylines();
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_EQ(polys[0].back(), TPoint(line.CalcXPos(2), line.CalcYPos(2)));
  EXPECT_EQ(polys[1].front(), TPoint(line.CalcXPos(4), line.CalcYPos(4)));
  // A point that is not a number breaks it the same way.
  line.YValues().SetValue(1, std::nan(""));
  d.Draw();
  // Points 0 and 2 stand alone between nulls: only 4-5 is a line.
  const auto after = Polylines();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].front(), TPoint(line.CalcXPos(4), line.CalcYPos(4)));
}

TEST_F(FastLine, ZoomedLineStartsAtThePointBefore) {
  for (int i = 0; i <= 20; ++i) line.AddXY(i, i);
  d.Chart.BottomAxis().SetRange(5, 15);
  d.Draw();
  EXPECT_EQ(line.FirstVisibleIndex(), 5);
  const auto polys = Polylines();
  ASSERT_FALSE(polys.empty());
  EXPECT_EQ(polys[0][0], TPoint(line.CalcXPos(4), line.CalcYPos(4)));
}

TEST_F(FastLine, ColourAndPenAgree) {
  line.SetSeriesColor(clRed);
  EXPECT_EQ(line.LinePen().Color(), clRed);
  TChartPen blue;
  blue.SetColor(clBlue);
  line.SetLinePen(blue);
  EXPECT_EQ(line.SeriesColor(), clBlue);
}

TEST_F(FastLine, LiveSegmentsGoIntoTheShownPicture) {
  TTestHost host;
  d.Chart.SetHost(&host);
  d.Chart.Canvas().SetBufferedDrawing(true);
  for (int i = 0; i < 5; ++i) line.AddXY(i, i);
  TImage window(400, 250);
  d.Chart.Paint(window.Canvas(), TRect(0, 0, 400, 250));
  const int full = d.Chart.InvalidateCount();
  line.AutoRepaint = false;
  int added = 0;
  line.OnAfterAdd = [&](TChartSeries*, int) { ++added; };
  line.AddXY(5, 3);
  // No new picture; the host shows the buffer, which holds the segment.
  EXPECT_EQ(d.Chart.InvalidateCount(), full);
  EXPECT_FALSE(d.Chart.Canvas().BufferStale);
  EXPECT_GE(host.Invalidates, 1);
  EXPECT_EQ(added, 1);
  EXPECT_EQ(line.LineCalls(), 1);
  EXPECT_EQ(line.LastX, line.CalcXPos(5));
  d.Chart.SetHost(nullptr);
}

TEST_F(FastLine, ClickedOnPointsAndSegments) {
  for (int i = 0; i < 5; ++i) line.AddXY(i, i * 10);
  d.Draw();
  EXPECT_EQ(line.Clicked(line.CalcXPos(2), line.CalcYPos(2)), 2);
  const int x = (line.CalcXPos(2) + line.CalcXPos(3)) / 2;
  const int y = (line.CalcYPos(2) + line.CalcYPos(3)) / 2;
  EXPECT_EQ(line.Clicked(x, y), 2);
  EXPECT_EQ(line.Clicked(x, y - 30), -1);
}

}  // namespace
}  // namespace qv
