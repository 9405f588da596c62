// Framed shapes through the recording canvas: what each setting draws, and
// what Assign copies.
#include <gtest/gtest.h>

#include "chart/Chart.h"
#include "chart/DovOrara.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

struct ShapeFixture : ::testing::Test {
  TFakeFontService fonts{8, 16};
  TRecordingCanvas rec{TRect(0, 0, 400, 300), &fonts};
  TCustomPlotPanel panel;
  TPlotCustomShape shape{&panel};
  ShapeFixture() {
    panel.Canvas().SetBufferedDrawing(false);
    panel.DrawInto(rec, TRect(0, 0, 400, 300));
    rec.Clear();
    shape.ShapeBounds = TRect(10, 20, 110, 60);
  }
};

TEST_F(ShapeFixture, ShadowFillFrameAndBevel) {
  shape.Pen().SetWidth(2);
  shape.SetColor(clYellow);
  shape.SetBevel(bvLowered);
  shape.PaintShape();
  auto rects = rec.Find("Rectangle");
  ASSERT_EQ(rects.size(), 2u);
  // Shadow: shifted by ShadowSize plus the frame's width, filled without a pen.
  EXPECT_EQ(rects[0]->Args, (std::vector<int>{15, 25, 115, 65}));
  EXPECT_EQ(rects[0]->State.PenStyle, psClear);
  EXPECT_EQ(rects[0]->State.BrushColor, clBlack);
  EXPECT_EQ(rects[1]->Args, (std::vector<int>{10, 20, 110, 60}));
  EXPECT_EQ(rects[1]->State.BrushColor, clYellow);
  EXPECT_EQ(rects[1]->State.PenWidth, 2);
  // Lowered bevel: shadow colour at the top and left, inside the frame.
  auto lines = rec.Find("Polyline");
  ASSERT_EQ(lines.size(), 4u);  // BevelWidth 2: two rings of two polylines
  EXPECT_EQ(lines[0]->State.PenColor, ColorToRGB(clBtnShadow));
  EXPECT_EQ(lines[0]->Points.front(), TPoint(11, 58));

  // Round rectangles with 16-pixel corners; a negative shadow is not widened.
  rec.Clear();
  shape.SetShapeStyle(fosRoundRectangle);
  shape.SetShadowSize(-3);
  shape.SetBevel(bvNone);
  shape.PaintShape();
  auto rounds = rec.Find("RoundRect");
  ASSERT_EQ(rounds.size(), 2u);
  EXPECT_EQ(rounds[0]->Args, (std::vector<int>{7, 17, 107, 57, 16, 16}));

  // A clear brush has no shadow; a transparent shape draws nothing at all.
  rec.Clear();
  shape.Brush().SetStyle(bsClear);
  shape.PaintShape();
  EXPECT_EQ(rec.Count("RoundRect"), 1);
  rec.Clear();
  shape.SetTransparent(true);
  shape.PaintShape();
  EXPECT_TRUE(rec.Calls().empty());
}

TEST_F(ShapeFixture, GradientOnlyWhenUnrotated) {
  shape.SetShadowSize(0);
  shape.Gradient().SetVisible(true);
  shape.PaintShape();
  EXPECT_EQ(rec.Count("FillRect"), 40);  // one band per row of the 40-row shape
  ASSERT_EQ(rec.Count("Rectangle"), 1);
  EXPECT_EQ(rec.First("Rectangle")->State.BrushStyle, bsClear);
  // Rotated by 90 degrees: a polygon of the turned corners, brush fill, no gradient.
  rec.Clear();
  shape.DrawShapeRotated(TRect(10, 20, 110, 60), 90, 0);
  EXPECT_EQ(rec.Count("FillRect"), 0);
  const TCanvasCall* poly = rec.First("Polygon");
  ASSERT_NE(poly, nullptr);
  EXPECT_EQ(poly->Points, (std::vector<TPoint>{{40, 90}, {40, -10}, {80, -10}, {80, 90}}));
  EXPECT_EQ(poly->State.BrushColor, clWhite);
}

TEST_F(ShapeFixture, AssignKeepsTransparency) {
  TPlotCustomShape other(&panel);
  other.SetTransparency(70);
  shape.SetTransparency(20);
  shape.SetBevel(bvRaised);
  shape.SetColor(clRed);
  shape.Font().SetSize(14);
  shape.Pen().SetVisible(false);
  shape.SetVisible(false);
  other.Assign(shape);
  EXPECT_EQ(other.Transparency(), 70);
  EXPECT_EQ(other.Bevel(), bvRaised);
  EXPECT_EQ(other.Color(), clRed);
  EXPECT_EQ(other.Font().Size(), 14);
  EXPECT_FALSE(other.Pen().Visible());
  EXPECT_FALSE(other.Visible());
  // Changes repaint the parent chart.
  const int before = panel.InvalidateCount();
  other.Brush().SetColor(clBlue);
  other.SetShadowSize(9);
  EXPECT_EQ(panel.InvalidateCount(), before + 2);
  // Axis titles are framed shapes: Assign copies angle and caption too.
  TCustomAxisPanel chart;
  chart.LeftAxis().Title.SetCaption("Y");
  chart.LeftAxis().Title.SetAngle(450);
  chart.LeftAxis().Title.SetColor(clAqua);
  chart.RightAxis().Assign(chart.LeftAxis());
  EXPECT_EQ(chart.RightAxis().Title.Caption(), "Y");
  EXPECT_EQ(chart.RightAxis().Title.Angle(), 90);
  EXPECT_EQ(chart.RightAxis().Title.Color(), clAqua);
  EXPECT_EQ(chart.RightAxis().Title.ParentChart(), &chart);
}

}  // namespace
}  // namespace qv
