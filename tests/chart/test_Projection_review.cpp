// Drawing surface arithmetic worked out by hand: the rotated projection in
// each view, pivot shift and screen offsets, rounding ties to even, and the
// band colours and positions of every gradient direction.
#include <gtest/gtest.h>

#include <cmath>

#include "SurfaceTestSupport.h"
#include "chart/PlotCanvas.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

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
