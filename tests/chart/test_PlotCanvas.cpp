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

// Projection and gradient arithmetic worked out by hand.
struct ProjectionFixture : surfacetest::TSurfaceTestBase {};

// One row: the view angles, perspective, zoom, depth given to the centre,
// offsets and pivot shift, a world point and its expected screen point.
// Expected values follow the coefficient table by hand (rect 0,0,300,200:
// centre 150,100; PivotZ = depth / 2).
struct RotatedCase {
  int rotation, elevation, tilt, perspective, zoom, depth;
  int horizOffset, vertOffset;
  double shiftX, shiftY, shiftZ;
  int x, y, z;
  TPoint out;
};

TEST_F(ProjectionFixture, RotatedViewsTable) {
  const RotatedCase cases[] = {
      // Rotation 90: kXz = -1, kXx floors at 0.00001: depth becomes -x.
      {90, 0, 0, 0, 100, 40, 0, 0, 0, 0, 0, 160, 110, 30, {140, 110}},
      // Elevation 90: kYz = 1, kYy floors at 0.00001: depth becomes y.
      {0, 90, 0, 0, 100, 40, 0, 0, 0, 0, 0, 160, 110, 30, {160, 110}},
      // Tilt 90: x' = y, y' = -x.
      {0, 0, 90, 0, 100, 40, 0, 0, 0, 0, 0, 160, 110, 30, {160, 90}},
      // Rotation 30, elevation 20: x' = 100 cos30 - 40 sin30 = 66.6,
      // y' = 100 sin30 sin20 + 50 cos20 + 40 cos30 sin20 = 75.93.
      {30, 20, 0, 0, 100, 0, 0, 0, 0, 0, 0, 250, 150, 40, {217, 176}},
      // The default view (345, 345).
      {345, 345, 0, 0, 100, 60, 0, 0, 0, 0, 0, 40, 170, 10, {39, 165}},
      // With tilt and perspective 15 on a 300-pixel rectangle.
      {30, 20, 10, 15, 100, 60, 0, 0, 0, 0, 0, 250, 30, 0, {239, 27}},
      // Zoom 150 with perspective 30.
      {330, 10, 350, 30, 150, 100, 0, 0, 0, 0, 0, 20, 190, 90, {-5, 225}},
      // Offsets move the screen centre only; the pivot shift is rounded to
      // even (4.5 -> 4, -2.5 -> -2) and PivotZ = Round(20 + 3) = 23.
      {345, 345, 0, 0, 100, 40, 7, -3, 4.5, -2.5, 3, 100, 80, 20, {108, 75}},
  };
  for (const RotatedCase& c : cases) {
    view.SetOrthogonal(false);
    view.SetRotation(c.rotation);
    view.SetElevation(c.elevation);
    view.SetTilt(c.tilt);
    view.SetPerspective(c.perspective);
    view.SetZoom(c.zoom);
    view.SetHorizOffset(c.horizOffset);
    view.SetVertOffset(c.vertOffset);
    surface.PivotShift[0] = c.shiftX;
    surface.PivotShift[1] = c.shiftY;
    surface.PivotShift[2] = c.shiftZ;
    const TRect r(0, 0, 300, 200);
    surface.BeginDrawing(rec, &view, clWhite, true, r);
    surface.SetProjectionCentre(c.depth, r);
    EXPECT_EQ(surface.ProjectPoint(c.x, c.y, c.z), c.out)
        << "rot " << c.rotation << " elev " << c.elevation << " tilt " << c.tilt << " persp "
        << c.perspective;
  }
}

TEST_F(ProjectionFixture, OrthogonalZoomOffsetsAndTiesToEven) {
  struct Case {
    int angle, zoom, horizOffset, vertOffset, x, y, z;
    TPoint out;
  };
  // Centre (150,100). Orthogonal: X' = Round((x-150+z*sign)*zoom) + 150 + h,
  // Y' = Round((y-100-z*factor)*zoom) + 100 + v; z is not made relative.
  const Case cases[] = {
      {45, 150, 10, 20, 160, 110, 4, {181, 129}},  // (14*1.5, 6*1.5) = (21, 9)
      {45, 50, 0, 0, 155, 107, 0, {152, 104}},     // 2.5 -> 2, 3.5 -> 4
      {45, 50, 0, 0, 147, 95, 0, {148, 98}},       // -1.5 -> -2, -2.5 -> -2
      {135, 100, 0, 0, 150, 100, 8, {142, 92}},    // sign -1, factor 1
      {0, 100, 0, 0, 150, 100, 8, {158, 100}},     // factor tan 0 = 0
      {120, 100, -5, 5, 150, 100, 10, {135, 88}},  // a = 60: factor 1.732 -> -17.32
  };
  for (const Case& c : cases) {
    view.SetOrthogonal(true);
    view.SetOrthoAngle(c.angle);
    view.SetZoom(c.zoom);
    view.SetHorizOffset(c.horizOffset);
    view.SetVertOffset(c.vertOffset);
    const TRect r(0, 0, 300, 200);
    surface.BeginDrawing(rec, &view, clWhite, true, r);
    surface.SetProjectionCentre(500, r);  // the depth does not matter here
    EXPECT_EQ(surface.ProjectPoint(c.x, c.y, c.z), c.out) << c.angle << " zoom " << c.zoom;
  }
  // A 2-D drawing without options: zoom 1 and no coefficients.
  surface.BeginDrawing(rec, nullptr, clWhite, true, TRect(0, 0, 300, 200));
  EXPECT_EQ(surface.ZoomFactor, 1.0);
  EXPECT_FALSE(surface.OrthoMode);
}

// Reads the brush colour of the FillRect covering pixel (x, y).
TColor BandAt(const TRecordingCanvas& rec, int x, int y) {
  TColor found = clNone;
  for (const TCanvasCall* f : rec.Find("FillRect"))
    if (f->Args[0] <= x && x < f->Args[2] && f->Args[1] <= y && y < f->Args[3])
      found = f->State.BrushColor;
  return found;
}

TEST_F(ProjectionFixture, GradientBandsPerDirection) {
  surface.BeginDrawing(rec, nullptr, clWhite, false, TRect(0, 0, 600, 700));
  const TColor start = RGB(0, 0, 0), end = RGB(255, 100, 10);
  // Band i per channel: first + MulDiv(i, second - first, N); MulDiv rounds
  // halves away from zero (255/2 = 127.5 -> 128, 100/2 = 50, 10/2 = 5).
  const TColor middle = RGB(128, 50, 5);
  // Reversed directions swap the colours first: 255 + MulDiv(1, -255, 2) = 127.
  const TColor middleReversed = RGB(127, 50, 5);
  struct Case {
    TGradientDirection dir;
    TRect rect;
    TPoint probe[3];  // first band, middle band, last band
    TColor colour[3];
  };
  const Case cases[] = {
      // Three rows: band 0 at the bottom row.
      {gdTopBottom, TRect(0, 0, 4, 3), {{0, 2}, {0, 1}, {0, 0}}, {start, middle, end}},
      {gdBottomTop, TRect(0, 0, 4, 3), {{0, 2}, {0, 1}, {0, 0}}, {end, middleReversed, start}},
      // Three columns: band 0 at the right edge.
      {gdLeftRight, TRect(10, 0, 13, 4), {{12, 0}, {11, 0}, {10, 0}}, {start, middle, end}},
      {gdRightLeft, TRect(10, 0, 13, 4), {{12, 0}, {11, 0}, {10, 0}}, {end, middleReversed, start}},
  };
  for (const Case& c : cases) {
    rec.Clear();
    surface.FillGradient(c.rect, start, end, c.dir);
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(BandAt(rec, c.probe[i].X, c.probe[i].Y), c.colour[i])
          << int(c.dir) << " band " << i;
  }
  // From the centre: the border has EndColor, each ring inwards moves by
  // MulDiv(i, diff, w div 2 + h div 2); 6 x 4 gives N = 5 and two rings.
  rec.Clear();
  surface.FillGradient(TRect(0, 0, 6, 4), start, end, gdFromCenter);
  EXPECT_EQ(BandAt(rec, 0, 0), end);
  EXPECT_EQ(BandAt(rec, 2, 1), RGB(255 - 51, 100 - 20, 10 - 2));
  // From the top-left corner: the corner pixel has EndColor.
  rec.Clear();
  surface.FillGradient(TRect(0, 0, 8, 8), start, end, gdFromTopLeft);
  const TCanvasCall* first = rec.First("LineTo");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->State.PenColor, end);
  // A one-row rectangle has one band in StartColor (N = 0 never divides).
  rec.Clear();
  surface.FillGradient(TRect(0, 0, 5, 1), start, end, gdTopBottom);
  ASSERT_EQ(rec.Count("FillRect"), 1);
  EXPECT_EQ(BandAt(rec, 0, 0), start);
  // A rectangle given upside down is oriented first.
  rec.Clear();
  surface.FillGradient(TRect(0, 3, 4, 0), start, end, gdTopBottom);
  EXPECT_EQ(BandAt(rec, 0, 2), start);
  EXPECT_EQ(BandAt(rec, 0, 0), end);
}

TEST_F(ProjectionFixture, MidColourAcrossTheWidth) {
  surface.BeginDrawing(rec, nullptr, clWhite, false, TRect(0, 0, 600, 700));
  TPlotGradient g;
  g.SetStartColor(clRed);
  g.SetEndColor(clBlue);
  g.SetMidColor(clLime);
  struct Case {
    TGradientDirection dir;
    TColor left, atSplit, right;
  };
  // Split at (Left + Right) div 2 = 50; gdLeftRight has StartColor at the
  // right edge, gdRightLeft at the left edge; both pass through MidColor.
  const Case cases[] = {{gdLeftRight, clBlue, clLime, clRed}, {gdRightLeft, clRed, clLime, clBlue}};
  for (const Case& c : cases) {
    g.SetDirection(c.dir);
    rec.Clear();
    g.PaintInto(surface, TRect(0, 0, 100, 10));
    EXPECT_EQ(BandAt(rec, 0, 5), c.left) << int(c.dir);
    EXPECT_EQ(BandAt(rec, 49, 5), c.atSplit) << int(c.dir);
    EXPECT_EQ(BandAt(rec, 50, 5), c.atSplit) << int(c.dir);
    EXPECT_EQ(BandAt(rec, 99, 5), c.right) << int(c.dir);
  }
  // gdBottomTop: StartColor at the top, EndColor at the bottom.
  g.SetDirection(gdBottomTop);
  rec.Clear();
  g.PaintInto(surface, TRect(0, 0, 10, 100));
  EXPECT_EQ(BandAt(rec, 5, 0), clRed);
  EXPECT_EQ(BandAt(rec, 5, 49), clLime);
  EXPECT_EQ(BandAt(rec, 5, 50), clLime);
  EXPECT_EQ(BandAt(rec, 5, 99), clBlue);
  // In monochrome the three colours become greys: red (255,0,0) -> 85.
  surface.SetMonochrome(true);
  g.SetDirection(gdTopBottom);
  rec.Clear();
  g.PaintInto(surface, TRect(0, 0, 10, 100));
  EXPECT_EQ(BandAt(rec, 5, 99), RGB(85, 85, 85));
  surface.SetMonochrome(false);
}

}  // namespace
}  // namespace qv
