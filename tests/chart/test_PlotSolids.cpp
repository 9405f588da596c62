// The 3-D solids of the drawing surface, through the recording canvas: each
// solid is drawn as exactly the faces that face the viewer, so the drawn
// faces tile the solid's outline without gaps or overlaps in every view.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

#include "chart/PlotCanvas.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

long long Area2(const std::vector<TPoint>& p) {
  long long a = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const TPoint& u = p[i];
    const TPoint& v = p[(i + 1) % p.size()];
    a += (long long)u.X * v.Y - (long long)v.X * u.Y;
  }
  return a;
}

// Twice the signed area of the triangle o, a, b: positive when o, a, b turn
// clockwise on the screen.
long long Turn(TPoint o, TPoint a, TPoint b) {
  return (long long)(a.X - o.X) * (b.Y - o.Y) - (long long)(a.Y - o.Y) * (b.X - o.X);
}

// What a convex hull is, checked on its own terms: its corners are input
// points, each turn is clockwise (so the outline is convex and holds no
// collinear corner), and every input point lies inside or on an edge.
void ExpectHullOf(const std::vector<TPoint>& points, const std::vector<TPoint>& hull) {
  ASSERT_GE(hull.size(), 3u);
  const std::size_t n = hull.size();
  for (std::size_t i = 0; i < n; ++i) {
    EXPECT_NE(std::find(points.begin(), points.end(), hull[i]), points.end());
    EXPECT_GT(Turn(hull[i], hull[(i + 1) % n], hull[(i + 2) % n]), 0) << "corner " << i;
  }
  for (const TPoint& p : points)
    for (std::size_t i = 0; i < n; ++i)
      EXPECT_GE(Turn(hull[i], hull[(i + 1) % n], p), 0)
          << "(" << p.X << ", " << p.Y << ") outside edge " << i;
}

TEST(ConvexHull, SmallCasesByHand) {
  // Points inside, on edges, repeated: the square's four corners, clockwise
  // on the screen from the left-most, top-most corner.
  const std::vector<TPoint> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 5},
                                   {5, 0}, {10, 5}, {0, 0},   {3, 7}};
  const std::vector<TPoint> hull = ConvexHull(square);
  EXPECT_EQ(hull, (std::vector<TPoint>{{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
  ExpectHullOf(square, hull);
  EXPECT_EQ(Area2(hull), 200);
  EXPECT_EQ(ConvexHull({{3, 1}, {1, 2}}), (std::vector<TPoint>{{1, 2}, {3, 1}}));
  EXPECT_EQ(ConvexHull({{4, 4}, {4, 4}, {4, 4}}), (std::vector<TPoint>{{4, 4}}));
  EXPECT_EQ(ConvexHull({{2, 2}, {0, 0}, {1, 1}, {3, 3}}), (std::vector<TPoint>{{0, 0}, {3, 3}}));
  EXPECT_TRUE(ConvexHull({}).empty());
}

TEST(ConvexHull, RandomPointSetsGiveAConvexOutlineHoldingEveryPoint) {
  std::mt19937 random(7);
  for (int set = 0; set < 200; ++set) {
    const int count = 3 + set % 40;
    const int spread = set % 3 == 0 ? 4 : 2000;  // small spreads: many repeats and collinear runs
    std::uniform_int_distribution<int> coordinate(-spread, spread);
    std::vector<TPoint> points;
    for (int i = 0; i < count; ++i) points.push_back({coordinate(random), coordinate(random)});
    const std::vector<TPoint> hull = ConvexHull(points);
    if (hull.size() < 3) continue;  // all on one line
    SCOPED_TRACE(set);
    ExpectHullOf(points, hull);
  }
}

struct SolidsFixture : ::testing::Test {
  TFakeFontService fonts{8, 16};
  TRecordingCanvas rec{TRect(0, 0, 600, 600), &fonts};
  TPlotCanvas3D surface;
  TView3DOptions view;
  SolidsFixture() { surface.SetBufferedDrawing(false); }
  void Begin(bool orthogonal, int orthoAngle, int rotation, int elevation, int tilt,
             int perspective) {
    view.SetOrthogonal(orthogonal);
    view.SetOrthoAngle(orthoAngle);
    view.SetRotation(rotation);
    view.SetElevation(elevation);
    view.SetTilt(tilt);
    view.SetPerspective(perspective);
    surface.BeginDrawing(rec, &view, clWhite, true, TRect(0, 0, 600, 600));
    surface.SetProjectionCentre(100, TRect(0, 0, 600, 600));
    surface.Ref().Brush.SetColor(RGB(200, 160, 120));
    rec.Clear();
  }
};

struct View {
  bool orthogonal;
  int orthoAngle, rotation, elevation, tilt, perspective;
};
const View kViews[] = {
    {true, 45, 0, 0, 0, 0},      {true, 135, 0, 0, 0, 0},     {true, 60, 0, 0, 0, 0},
    {false, 45, 345, 345, 0, 0}, {false, 45, 20, 330, 0, 0},  {false, 45, 300, 20, 10, 0},
    {false, 45, 60, 345, 0, 0},  {false, 45, 330, 290, 0, 0}, {false, 45, 345, 345, 0, 15},
};

TEST_F(SolidsFixture, VisibleFacesTileTheOutlineInEveryView) {
  using Draw = std::function<void(TPlotCanvas3D&)>;
  struct Solid {
    const char* name;
    bool curved;  // rounded rim points: faces seen edge-on may leave a sliver
    Draw draw;    // rounded rim points: faces seen edge-on may leave a sliver
  };
  const Solid solids[] = {
      {"box", false, [](TPlotCanvas3D& s) { s.Box3D(250, 350, 200, 400, 10, 90, true); }},
      {"cylinder", true,
       [](TPlotCanvas3D& s) { s.Cylinder3D(true, 250, 200, 350, 400, 10, 90, true); }},
      {"cone", true,
       [](TPlotCanvas3D& s) { s.Cone3D(true, 250, 200, 350, 400, 10, 90, false, 0); }},
      {"cone down", true,
       [](TPlotCanvas3D& s) { s.Cone3D(true, 250, 400, 350, 200, 10, 90, true, 30); }},
      {"cone lying", true,
       [](TPlotCanvas3D& s) { s.Cone3D(false, 200, 250, 400, 350, 10, 90, true, 50); }},
      {"pyramid", false,
       [](TPlotCanvas3D& s) { s.Pyramid3D(true, 250, 200, 350, 400, 10, 90, true); }},
      {"pyramid down", false,
       [](TPlotCanvas3D& s) { s.Pyramid3D(true, 250, 400, 350, 200, 10, 90, true); }},
      {"pyramid lying", false,
       [](TPlotCanvas3D& s) { s.Pyramid3D(false, 200, 250, 400, 350, 10, 90, false); }},
      {"frustum", false,
       [](TPlotCanvas3D& s) { s.Frustum3D(TRect(250, 200, 350, 400), 10, 90, 20, 20); }},
      {"pie slice", true,
       [](TPlotCanvas3D& s) { s.PieSlice3D(300, 300, 120, 120, 0.3, 2.2, 10, 50, true, true); }},
  };
  for (const View& v : kViews) {
    for (const Solid& solid : solids) {
      // Box3D draws three fixed faces; it is only exact in the views its
      // face choice was made for (the oblique ones).
      if (std::string(solid.name) == "box" && !v.orthogonal) continue;
      Begin(v.orthogonal, v.orthoAngle, v.rotation, v.elevation, v.tilt, v.perspective);
      solid.draw(surface);
      long long faces = 0;
      std::vector<TPoint> all;
      for (const TCanvasCall* c : rec.Find("Polygon")) {
        faces += std::llabs(Area2(c->Points));
        all.insert(all.end(), c->Points.begin(), c->Points.end());
      }
      const long long hull = std::llabs(Area2(ConvexHull(all)));
      ASSERT_GT(hull, 0) << solid.name;
      const double slack = ((v.perspective ? 0.01 : 0) + (solid.curved ? 0.01 : 0)) * hull;
      EXPECT_NEAR(double(faces), double(hull), slack)
          << solid.name << " view rot " << v.rotation << " elev " << v.elevation << " ortho "
          << v.orthogonal;
    }
  }
}

TEST_F(SolidsFixture, DarkenedFacesAndRestoredBrush) {
  Begin(true, 45, 0, 0, 0, 0);  // oblique: front, right side and top show
  surface.Pyramid3D(true, 250, 400, 350, 200, 10, 90, true);  // pointing down: base on top
  std::vector<TColor> colors;
  for (const TCanvasCall* c : rec.Find("Polygon")) colors.push_back(c->State.BrushColor);
  // Front plain, right side darkened by 128, base (seen from above) by 64.
  EXPECT_EQ(colors, (std::vector<TColor>{RGB(200, 160, 120), RGB(72, 32, 0), RGB(136, 96, 56)}));
  EXPECT_EQ(surface.Ref().Brush.Color(), RGB(200, 160, 120));
  // A hatched brush keeps its colour; the background takes the darkening.
  surface.Ref().Brush.SetStyle(bsCross);
  rec.Clear();
  surface.Cylinder3D(true, 250, 200, 350, 400, 10, 90, true);
  bool backDarkened = false;
  for (const TCanvasCall* c : rec.Find("Polygon")) {
    EXPECT_EQ(c->State.BrushColor, RGB(200, 160, 120));
    const int r = GetRValue(c->State.BkColor);
    backDarkened |= r >= 120 && r <= 168 && GetGValue(c->State.BkColor) == r - 40;
  }
  EXPECT_TRUE(backDarkened);
}

TEST_F(SolidsFixture, ConeTipAndCylinderCaps) {
  Begin(true, 45, 0, 0, 0, 0);
  // ConePercent 0 means a tip of 10 percent: the cap at the top is a
  // 16-point ring a tenth of the base's width.
  surface.Cone3D(true, 200, 100, 400, 300, 0, 100, false, 0);
  const TCanvasCall* cap = rec.Find("Polygon").back();
  ASSERT_EQ(cap->Points.size(), 16u);
  auto [minX, maxX] = std::minmax_element(cap->Points.begin(), cap->Points.end(),
                                          [](TPoint a, TPoint b) { return a.X < b.X; });
  EXPECT_NEAR(maxX->X - minX->X, 2 * std::sqrt(125.0), 2);  // x and the oblique z both widen it
  rec.Clear();
  surface.Cylinder3D(true, 200, 100, 400, 300, 0, 100, false);
  cap = rec.Find("Polygon").back();
  ASSERT_EQ(cap->Points.size(), 16u);
  for (TPoint p : cap->Points) EXPECT_LE(p.Y, 100);  // the top cap, raised by the depth
}

TEST_F(SolidsFixture, PieSliceArrowTriangleAndBoxClip) {
  Begin(false, 45, 0, 0, 0, 0);  // rotation 0: identity around the centre
  // A slice of 90 degrees: 9 + 2 rim points, the cover is centre + rim.
  surface.PieSlice3D(300, 300, 100, 50, 0, M_PI / 2, 0, 40, true, false);
  const TCanvasCall* cover = rec.Find("Polygon").back();
  ASSERT_EQ(cover->Points.size(), 12u);
  EXPECT_EQ(cover->Points[0], surface.ProjectPoint(300, 300, 0));
  EXPECT_EQ(cover->Points[1], surface.ProjectPoint(400, 300, 0));
  EXPECT_EQ(cover->Points[11], surface.ProjectPoint(300, 250, 0));

  rec.Clear();
  surface.Arrow3D(true, TPoint(100, 100), TPoint(200, 100), 20, 30, 0);
  const TCanvasCall* arrow = rec.First("Polygon");
  ASSERT_NE(arrow, nullptr);
  const std::vector<TPoint> expect = {{100, 105}, {170, 105}, {170, 110}, {200, 100},
                                      {170, 90},  {170, 95},  {100, 95}};
  // Identity view: the points are the arrow's own.
  EXPECT_EQ(arrow->Points, expect);
  rec.Clear();
  surface.Arrow3D(false, TPoint(100, 100), TPoint(100, 110), 20, 30,
                  0);  // head longer than the arrow
  const TCanvasCall* line = rec.First("Polyline");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->Points,
            (std::vector<TPoint>{{100, 100}, {100, 110}, {90, 100}, {110, 100}, {100, 110}}));

  rec.Clear();
  surface.Ref().Brush.SetStyle(bsSolid);
  const TPoint3D tri[3] = {{10, 10, 0}, {50, 10, 20}, {30, 40, 40}};
  surface.TriangleFree3D(tri, clRed);
  ASSERT_EQ(rec.Count("Polygon"), 1);
  EXPECT_EQ(rec.First("Polygon")->State.BrushColor, clRed);
  surface.Ref().Brush.SetStyle(bsClear);
  surface.TriangleFree3D(tri, clBlue);
  EXPECT_EQ(surface.Ref().Brush.Color(), clRed);

  // The box clip is the outline of the projected box.
  Begin(true, 45, 0, 0, 0, 0);
  surface.ClipToBox(TRect(100, 100, 200, 200), 0, 50);
  const TCanvasCall* clip = rec.First("SelectClipRegion");
  ASSERT_NE(clip, nullptr);
  TRegion rgn;
  ASSERT_TRUE(rec.GetClipRegion(rgn));
  EXPECT_TRUE(rgn.Contains(120, 190));  // front face
  EXPECT_TRUE(rgn.Contains(245, 60));   // top right, at the back
  EXPECT_FALSE(rgn.Contains(105, 60));  // above the front-left edge
  surface.RemoveClip();
  EXPECT_EQ(surface.ClipDepth(), 0);
  // Flat drawing does not clip to boxes.
  surface.BeginDrawing(rec, &view, clWhite, false, TRect(0, 0, 600, 600));
  surface.ClipToBox(TRect(100, 100, 200, 200), 0, 50);
  EXPECT_EQ(surface.ClipDepth(), 0);
}

}  // namespace
}  // namespace qv
