// Drawing surface: projection, gradients, blending, text effects, clips and
// the attribute rules.
#include <gtest/gtest.h>

#include <cmath>

#include "SurfaceTestSupport.h"
#include "chart/PlotCanvas.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

struct SurfaceFixture : surfacetest::TSurfaceTestBase {
  void Begin(bool is3D, const TRect& r = TRect(0, 0, 300, 200), int depth = 0) {
    surface.BeginDrawing(rec, &view, clWhite, is3D, r);
    surface.SetProjectionCentre(depth, r);
  }
};

TEST_F(SurfaceFixture, FlatDrawingIsNotProjected) {
  // Orthogonal or rotated, between BeginFlat and EndFlat points stay put.
  for (bool orthogonal : {true, false}) {
    view.SetOrthogonal(orthogonal);
    Begin(true, TRect(0, 0, 300, 200), 40);
    const TPoint projected = surface.ProjectPoint(10, 20, 30);
    EXPECT_NE(projected, TPoint(10, 20));
    surface.BeginFlat();
    EXPECT_EQ(surface.ProjectPoint(10, 20, 30), TPoint(10, 20));
    surface.EndFlat();
    EXPECT_EQ(surface.ProjectPoint(10, 20, 30), projected);
  }
}

TEST_F(SurfaceFixture, ProjectPointTable) {
  struct Case {
    bool orthogonal;
    int orthoAngle, rotation, elevation, tilt, perspective, zoom;
    TPoint in;
    int z;
    TPoint out;
  };
  // Centre of (0,0,300,200) is (150,100); depth 0 so PivotZ is 0.
  const Case cases[] = {
      {false, 45, 0, 0, 0, 0, 100, {10, 20}, 30, {10, 20}},     // identity around the centre
      {false, 45, 0, 0, 0, 0, 200, {160, 110}, 0, {170, 120}},  // zoom doubles offsets
      {true, 45, 345, 345, 0, 0, 100, {10, 20}, 5, {15, 15}},   // (x + z, y - z)
      {true, 90, 345, 345, 0, 0, 100, {10, 20}, 5, {15, 15}},   // cos 90 < 0.01: factor 1
      {true, 135, 345, 345, 0, 0, 100, {10, 20}, 5, {5, 15}},   // x sign flips
      {true, 60, 345, 345, 0, 0, 100, {150, 100}, 10, {160, 83}},
  };
  for (const Case& c : cases) {
    view.SetOrthogonal(c.orthogonal);
    view.SetOrthoAngle(c.orthoAngle);
    view.SetRotation(c.rotation);
    view.SetElevation(c.elevation);
    view.SetTilt(c.tilt);
    view.SetPerspective(c.perspective);
    view.SetZoom(c.zoom);
    Begin(true);
    EXPECT_EQ(surface.ProjectPoint(c.in.X, c.in.Y, c.z), c.out)
        << c.orthoAngle << " zoom " << c.zoom;
  }
  // Flat drawing leaves points alone whatever the zoom.
  view.SetOrthogonal(false);
  view.SetZoom(300);
  Begin(false);
  EXPECT_EQ(surface.ProjectPoint(7, 9, 40), TPoint(7, 9));
}

TEST_F(SurfaceFixture, PerspectiveOnRectangle) {
  view.SetOrthogonal(false);
  view.SetRotation(0);
  view.SetElevation(0);
  view.SetTilt(0);
  view.SetPerspective(15);
  Begin(true, TRect(0, 0, 300, 200), 100);
  EXPECT_DOUBLE_EQ(surface.PerspectiveFactor, 1.0 / 3000);
  EXPECT_EQ(surface.PivotZ, 50);
  // Nearer points (z below the pivot) grow, farther ones shrink.
  const TPoint nearP = surface.ProjectPoint(250, 100, 0);
  const TPoint farP = surface.ProjectPoint(250, 100, 100);
  // s = 1 - (z - 50) / 3000: at z 0 -> 1.01667, x offset 100 -> 101.67 -> 102.
  EXPECT_EQ(nearP, TPoint(252, 100));
  EXPECT_EQ(farP, TPoint(248, 100));
}

TEST_F(SurfaceFixture, ScreenToWorldInvertsRotation) {
  view.SetOrthogonal(false);
  view.SetPerspective(0);
  for (int rot : {345, 20, 300}) {
    view.SetRotation(rot);
    view.SetElevation(340);
    view.SetTilt(10);
    Begin(true, TRect(0, 0, 300, 200), 40);
    for (TPoint p : {TPoint(10, 20), TPoint(290, 180), TPoint(150, 100)}) {
      const int z = 15;
      const TPoint s = surface.ProjectPoint(p.X, p.Y, z);
      int x = s.X, y = s.Y;
      surface.ScreenToWorld(x, y, z);
      EXPECT_NEAR(x, p.X, 1) << rot;
      EXPECT_NEAR(y, p.Y, 1) << rot;
    }
  }
  view.SetOrthogonal(true);
  Begin(true);
  const TPoint s = surface.ProjectPoint(40, 60, 12);
  int x = s.X, y = s.Y;
  surface.ScreenToWorld(x, y, 12);
  EXPECT_EQ(TPoint(x, y), TPoint(40, 60));
}

TEST_F(SurfaceFixture, TallTopBottomGradientUses256Bands) {
  Begin(false, TRect(0, 0, 600, 700));
  rec.Clear();
  surface.FillGradient(TRect(0, 0, 50, 600), clRed, clBlue, gdTopBottom);
  auto fills = rec.Find("FillRect");
  ASSERT_EQ(fills.size(), 256u);
  // Band 0 lies at the bottom edge in StartColor; the last at the top in EndColor.
  EXPECT_EQ(fills.front()->Args[3], 600);
  EXPECT_EQ(fills.front()->State.BrushColor, clRed);
  EXPECT_EQ(fills.back()->Args[1], 0);
  EXPECT_EQ(fills.back()->State.BrushColor, clBlue);
  int covered = 0;
  for (auto* f : fills) covered += f->Args[3] - f->Args[1];
  EXPECT_EQ(covered, 600);
  // gdBottomTop swaps the ends.
  rec.Clear();
  surface.FillGradient(TRect(0, 0, 50, 10), clRed, clBlue, gdBottomTop);
  EXPECT_EQ(rec.Find("FillRect").front()->State.BrushColor, clBlue);
  EXPECT_EQ(rec.Find("FillRect").size(), 10u);
}

TEST_F(SurfaceFixture, MidColourSplitsTheRectangle) {
  Begin(false, TRect(0, 0, 600, 700));
  TPlotGradient g;
  g.SetStartColor(clRed);
  g.SetEndColor(clBlue);
  g.SetMidColor(clLime);
  rec.Clear();
  g.PaintInto(surface, TRect(0, 0, 40, 100));
  auto fills = rec.Find("FillRect");
  ASSERT_EQ(fills.size(), 100u);
  // Upper half first: its bottom band (at the split) is the mid colour, its
  // top band the end colour; the lower half starts at the bottom edge.
  EXPECT_EQ(fills[0]->Args[3], 50);
  EXPECT_EQ(fills[0]->State.BrushColor, clLime);
  EXPECT_EQ(fills[49]->State.BrushColor, clBlue);
  EXPECT_EQ(fills[50]->Args[3], 100);
  EXPECT_EQ(fills[50]->State.BrushColor, clRed);
  EXPECT_EQ(fills[99]->State.BrushColor, clLime);
  // The middle colour is ignored from the centre.
  g.SetDirection(gdFromCenter);
  rec.Clear();
  g.PaintInto(surface, TRect(0, 0, 10, 10));
  EXPECT_EQ(rec.Find("FillRect").front()->State.BrushColor, clBlue);
  // Clearing a mid colour that is not there does not notify.
  int changes = 0;
  TPlotGradient plain([&] { ++changes; });
  plain.SetMidColor(clNone);
  EXPECT_EQ(changes, 0);
  plain.SetMidColor(clRed);
  EXPECT_EQ(plain.MidColor(), clRed);
  plain.SetMidColor(clNone);
  EXPECT_EQ(changes, 2);
}

TEST(PlotBlend, WhiteOverBlackAtHalf) {
  TPlotCanvas3D surface;
  TFakeFontService fonts;
  TRecordingCanvas target(TRect(0, 0, 20, 20), &fonts);
  surface.BeginDrawing(target, nullptr, clWhite, false, TRect(0, 0, 20, 20));
  ASSERT_NE(surface.Buffer(), nullptr);
  surface.Buffer()->Fill(clBlack);
  TPlotBlend blend(surface, TRect(-5, 2, 10, 8));
  ASSERT_TRUE(blend.Valid());
  surface.Buffer()->Fill(clWhite);  // the shape drawn over it
  blend.MixBack(50);
  EXPECT_EQ(surface.Buffer()->Pixel(0, 2), 0x808080u);
  EXPECT_EQ(surface.Buffer()->Pixel(9, 7), 0x808080u);
  EXPECT_EQ(surface.Buffer()->Pixel(10, 7), clWhite);  // outside the rectangle
  // On a metafile or printer the blend degrades to plain drawing.
  surface.Metafiling = true;
  TPlotBlend none(surface, TRect(0, 0, 5, 5));
  EXPECT_FALSE(none.Valid());
  TPlotBlend empty(surface, TRect(5, 5, 5, 9));
  EXPECT_FALSE(empty.Valid());
}

TEST_F(SurfaceFixture, TextShadowAndOutlineOffsets) {
  Begin(false);
  TPlotFont font;
  font.Shadow().SetHorizSize(-2);
  font.Shadow().SetVertSize(3);
  font.Shadow().SetColor(clGray);
  surface.ApplyFont(font);
  rec.Clear();
  surface.TextOut(100, 50, "Hi");
  auto texts = rec.Find("TextOut");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0]->Args, (std::vector<int>{100, 53}));  // shadow at (X, Y + 3)
  EXPECT_EQ(texts[0]->State.TextColor, clGray);
  EXPECT_EQ(texts[1]->Args, (std::vector<int>{102, 50}));  // text moved right by 2
  EXPECT_EQ(texts[1]->State.TextColor, clBlack);
  EXPECT_EQ(surface.TextWidth("Hi"), 16 + 2);
  EXPECT_EQ(surface.TextHeight("Hi"), 16 + 3);
  // A visible outline draws the text as a path, stroked and filled.
  font.OutLine().SetVisible(true);
  font.OutLine().SetColor(clRed);
  font.Shadow().SetHorizSize(0);
  font.Shadow().SetVertSize(0);
  rec.Clear();
  surface.TextOut(10, 20, "A");
  ASSERT_EQ(rec.Count("BeginPath"), 1);
  EXPECT_TRUE(rec.First("TextOut")->State.InPath);
  const TCanvasCall* sf = rec.First("StrokeAndFillPath");
  ASSERT_NE(sf, nullptr);
  EXPECT_EQ(sf->State.PenColor, clRed);
  EXPECT_EQ(sf->State.BrushColor, clBlack);
}

TEST_F(SurfaceFixture, RotatedTextAngles) {
  Begin(false);
  const int cases[][2] = {{90, 900}, {450, 900}, {360, 3600}, {0, 0}};
  for (const auto& c : cases) {
    rec.Clear();
    surface.TextOutRotated(5, 6, "R", c[0]);
    const TCanvasCall* t = rec.First("TextOut");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->State.FontEscapement, c[1]) << c[0];
    EXPECT_EQ(rec.State().FontEscapement, 0);  // the font is restored
  }
}

TEST_F(SurfaceFixture, ClipsNest) {
  Begin(false);
  surface.ClipToRect(TRect(0, 0, 100, 100));
  surface.ClipToRect(TRect(10, 10, 50, 50));
  EXPECT_EQ(surface.ClipDepth(), 2);
  surface.RemoveClip();
  EXPECT_EQ(rec.ClipBox(), TRect(0, 0, 100, 100));
  surface.RemoveClip();
  surface.RemoveClip();  // one too many does nothing
  EXPECT_EQ(surface.ClipDepth(), 0);
  EXPECT_EQ(rec.Count("PopClip"), 2);
}

TEST_F(SurfaceFixture, EllipseAtDepthStepsAFullTurn) {
  view.SetOrthogonal(false);
  view.SetRotation(0);
  view.SetElevation(0);
  view.SetTilt(0);
  view.SetPerspective(0);
  Begin(true);
  rec.Clear();
  surface.Ref().Brush.SetStyle(bsClear);
  surface.EllipseAtDepth(100, 50, 200, 150, 0);
  const TCanvasCall* outline = rec.First("Polyline");
  ASSERT_NE(outline, nullptr);
  ASSERT_EQ(outline->Points.size(), 33u);
  int minX = 1000, maxX = -1000, minY = 1000, maxY = -1000;
  for (TPoint p : outline->Points) {
    minX = std::min(minX, p.X);
    maxX = std::max(maxX, p.X);
    minY = std::min(minY, p.Y);
    maxY = std::max(maxY, p.Y);
  }
  EXPECT_EQ(minX, 100);
  EXPECT_EQ(maxX, 200);
  EXPECT_EQ(minY, 50);
  EXPECT_EQ(maxY, 150);
}

TEST_F(SurfaceFixture, PenAndBrushRules) {
  Begin(false);
  TChartPen hidden;
  hidden.SetVisible(false);
  hidden.SetColor(clRed);
  surface.ApplyPen(hidden);
  EXPECT_EQ(surface.Ref().Pen.Style(), psClear);
  TChartPen wide;
  wide.SetWidth(3);
  wide.SetEndStyle(esFlat);
  surface.ApplyPenColor(wide, clBlue);
  EXPECT_EQ(surface.Ref().Pen.EndCap(), pecFlat);
  EXPECT_EQ(surface.Ref().Pen.Join(), pjMiter);
  EXPECT_EQ(surface.Ref().Pen.Color(), clBlue);
  surface.SetMonochrome(true);
  surface.ApplyPenColor(wide, clBlue);
  EXPECT_EQ(surface.Ref().Pen.Color(), clBlack);
  TChartBrush brush;
  brush.SetStyle(bsCross);
  surface.ApplyBrushColor(brush, clRed, clYellow);
  EXPECT_EQ(surface.Ref().Brush.Color(), clWhite);  // monochrome
  EXPECT_EQ(surface.Ref().BkMode(), OPAQUE);
  EXPECT_EQ(surface.Ref().BkColor(), clYellow);
  surface.SetMonochrome(false);
  surface.ApplyBrushColor(brush, clRed, clNone);
  EXPECT_EQ(surface.Ref().BkMode(), TRANSPARENT);
}

TEST(PlotAttributes, DefaultsAndColourHelpers) {
  TChartBrush brush;
  EXPECT_EQ(brush.Color(), clDefault);
  TDottedGrayPen dotted;
  EXPECT_EQ(dotted.Color(), clGray);
  EXPECT_EQ(dotted.Style(), psDot);
  EXPECT_EQ(TChartAxisPen().Width(), 2);
  EXPECT_FALSE(TChartHiddenPen().Visible());
  TPlotFont font;
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Size(), 8);
  EXPECT_FALSE(font.IsHeightStored());
  EXPECT_FALSE(font.IsColorStored());
  font.SetSize(12);
  font.SetColor(clRed);
  EXPECT_TRUE(font.IsHeightStored());
  EXPECT_TRUE(font.IsColorStored());
  EXPECT_EQ(DarkenColor(RGB(64, 64, 64), 128), clBlack);
  EXPECT_EQ(DarkenColor(RGB(64, 64, 64), 64), clBlack);
  EXPECT_EQ(DarkenColor(RGB(32, 32, 32), 32), clBlack);
  EXPECT_EQ(DarkenColor(RGB(200, 100, 10), 50), RGB(150, 50, 0));
  EXPECT_EQ(GrayOfColor(RGB(30, 60, 91)), RGB(60, 60, 60));
  TView3DOptions v;
  EXPECT_EQ(v.Elevation(), 345);
  EXPECT_NEAR(v.OrthoSlope(), 1.0, 1e-12);
  v.SetOrthoAngle(150);
  EXPECT_NEAR(v.OrthoSlope(), std::tan(30 * M_PI / 180), 1e-12);
  int zoomSeen = 0;
  v.ZoomNotify = [&](int z) { zoomSeen = z; };
  v.SetZoom(150);
  EXPECT_EQ(zoomSeen, 150);
}

}  // namespace
}  // namespace qv
