// The 3-D solids of the drawing surface: cones and cylinders, pyramids and
// frustums, pie slices, arrows, free triangles and the box clip.
//
// Every solid is convex (a pie slice up to half a turn), so drawing only the
// faces that turn towards the viewer gives a closed picture in any view and
// in any order. A face turns towards the viewer when its projected outline
// runs clockwise on the screen while its world normal (Newell's method)
// points into the body; the surface's projections keep orientation, so the
// test holds for the oblique and the rotated views alike.
#include <algorithm>
#include <cmath>
#include <vector>

#include "chart/PlotCanvas.h"

namespace qv {

namespace {

// Twice the signed area of a screen polygon; positive for clockwise
// outlines (y grows downwards).
long long ScreenArea2(std::span<const TPoint> p) {
  long long a = 0;
  const std::size_t n = p.size();
  for (std::size_t i = 0; i < n; ++i) {
    const TPoint& u = p[i];
    const TPoint& v = p[(i + 1) % n];
    a += (long long)u.X * v.Y - (long long)v.X * u.Y;
  }
  return a;
}

}  // namespace

// Monotone chain: the lower and the upper chain of the points sorted by x.
std::vector<TPoint> ConvexHull(std::vector<TPoint> pts) {
  std::sort(pts.begin(), pts.end(), [](const TPoint& a, const TPoint& b) {
    return a.X < b.X || (a.X == b.X && a.Y < b.Y);
  });
  pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
  if (pts.size() < 3) return pts;
  auto cross = [](const TPoint& o, const TPoint& a, const TPoint& b) {
    return (long long)(a.X - o.X) * (b.Y - o.Y) - (long long)(a.Y - o.Y) * (b.X - o.X);
  };
  std::vector<TPoint> h(2 * pts.size());
  std::size_t k = 0;
  for (const TPoint& p : pts) {
    while (k >= 2 && cross(h[k - 2], h[k - 1], p) <= 0) --k;
    h[k++] = p;
  }
  for (std::size_t i = pts.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross(h[k - 2], h[k - 1], pts[i]) <= 0) --k;
    h[k++] = pts[i];
  }
  h.resize(k - 1);
  return h;
}

bool TPlotCanvas3D::SolidFace(std::span<const TPoint3D> face, const double (&inside)[3],
                              int darken) {
  const std::size_t n = face.size();
  if (n < 3) return false;
  double nx = 0, ny = 0, nz = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const TPoint3D& a = face[i];
    const TPoint3D& b = face[(i + 1) % n];
    nx += double(a.Y - b.Y) * (a.Z + b.Z);
    ny += double(a.Z - b.Z) * (a.X + b.X);
    nz += double(a.X - b.X) * (a.Y + b.Y);
  }
  const double towardsInside =
      nx * (inside[0] - face[0].X) + ny * (inside[1] - face[0].Y) + nz * (inside[2] - face[0].Z);
  std::vector<TPoint> screen(n);
  for (std::size_t i = 0; i < n; ++i) screen[i] = ProjectPoint(face[i].X, face[i].Y, face[i].Z);
  const long long area = ScreenArea2(screen);
  const bool visible = towardsInside >= 0 ? area > 0 : area < 0;
  if (!visible) return false;
  if (darken > 0) {
    const TColor color = ref_->Brush.Color(), back = ref_->BkColor();
    const int mode = ref_->BkMode();
    DarkenBrush(color, darken);
    ref_->Polygon(screen);
    if (ref_->Brush.Color() != color) ref_->Brush.SetColor(color);
    ref_->SetBkColor(back);
    ref_->SetBkMode(mode);
  } else {
    ref_->Polygon(screen);
  }
  return true;
}

void TPlotCanvas3D::Cone3D(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                           bool dark3D, int conePercent) {
  if (conePercent == 0) conePercent = 10;
  const double tipScale = conePercent * 0.01;
  constexpr int n = 16;
  const double zc = (z0 + z1) / 2.0, rz = (z1 - z0) / 2.0;
  // Across the axis: x for a vertical cone, y for a horizontal one.
  const double across = vertical ? (left + right) / 2.0 : (top + bottom) / 2.0;
  const double radius = vertical ? (right - left) / 2.0 : (bottom - top) / 2.0;
  const int baseAt = vertical ? bottom : left;
  const int tipAt = vertical ? top : right;
  TPoint3D base[n], tip[n];
  double angle[n];
  for (int i = 1; i <= n; ++i) {
    const double a = (i - (vertical ? 4 : 5)) * M_PI / 8;
    double s, c;
    SineCosine(a, s, c);
    angle[i - 1] = a;
    const int b = RoundInt(across + radius * c), t = RoundInt(across + radius * tipScale * c);
    const int zb = RoundInt(zc + rz * s), zt = RoundInt(zc + rz * tipScale * s);
    if (vertical) {
      base[i - 1] = {b, baseAt, zb};
      tip[i - 1] = {t, tipAt, zt};
    } else {
      base[i - 1] = {baseAt, b, zb};
      tip[i - 1] = {tipAt, t, zt};
    }
  }
  const double inside[3] = {vertical ? across : (left + right) / 2.0,
                            vertical ? (top + bottom) / 2.0 : across, zc};
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    const TPoint3D face[] = {base[i], base[j], tip[j], tip[i]};
    // Faces seen edge-on (the left and right of the cone) darkest, the one
    // facing the viewer lightest.
    const double mid = (angle[i] + angle[i] + M_PI / 8) / 2;
    const int darken = dark3D ? 32 + RoundInt(48 * std::fabs(std::cos(mid))) : 0;
    SolidFace(face, inside, darken);
  }
  // The end cap that faces the viewer: the base ring reversed so that both
  // rings are tested with the same orientation rule.
  std::vector<TPoint3D> baseRing(base, base + n), tipRing(tip, tip + n);
  if (!SolidFace(tipRing, inside, 0)) SolidFace(baseRing, inside, 0);
}

void TPlotCanvas3D::Pyramid3D(bool vertical, int left, int top, int right, int bottom, int z0,
                              int z1, bool darkSides) {
  const int zm = (z0 + z1) / 2;
  if (vertical) {
    if (top == bottom) {
      FloorRect3D(left, bottom, right, z0, z1);
      return;
    }
    const TPoint3D apex{(left + right) / 2, top, zm};
    const TPoint3D b0{left, bottom, z0}, b1{right, bottom, z0}, b2{right, bottom, z1},
        b3{left, bottom, z1};
    const double inside[3] = {(left + right) / 2.0, (top + bottom) / 2.0, (z0 + z1) / 2.0};
    const TPoint3D front[] = {b0, b1, apex}, sideR[] = {b1, b2, apex}, back[] = {b2, b3, apex},
                   sideL[] = {b3, b0, apex}, base[] = {b0, b1, b2, b3};
    SolidFace(front, inside, 0);
    SolidFace(sideL, inside, darkSides ? 128 : 0);
    SolidFace(sideR, inside, darkSides ? 128 : 0);
    SolidFace(back, inside, 0);
    SolidFace(base, inside, darkSides ? 64 : 0);
  } else {
    if (left == right) {
      SideRect3D(left, top, bottom, z0, z1);
      return;
    }
    const TPoint3D apex{right, (top + bottom) / 2, zm};
    const TPoint3D b0{left, top, z0}, b1{left, bottom, z0}, b2{left, bottom, z1}, b3{left, top, z1};
    const double inside[3] = {(left + right) / 2.0, (top + bottom) / 2.0, (z0 + z1) / 2.0};
    const TPoint3D front[] = {b0, b1, apex}, sideB[] = {b1, b2, apex}, back[] = {b2, b3, apex},
                   sideT[] = {b3, b0, apex}, base[] = {b0, b1, b2, b3};
    SolidFace(front, inside, 0);
    SolidFace(sideT, inside, darkSides ? 128 : 0);
    SolidFace(sideB, inside, darkSides ? 128 : 0);
    SolidFace(back, inside, 0);
    SolidFace(base, inside, darkSides ? 64 : 0);
  }
}

void TPlotCanvas3D::Frustum3D(const TRect& rect, int startZ, int endZ, int truncX, int truncZ) {
  const int l = rect.Left, r = rect.Right, t = rect.Top, b = rect.Bottom;
  const TPoint3D b0{l, b, startZ}, b1{r, b, startZ}, b2{r, b, endZ}, b3{l, b, endZ};
  const TPoint3D t0{l + truncX, t, startZ + truncZ}, t1{r - truncX, t, startZ + truncZ},
      t2{r - truncX, t, endZ - truncZ}, t3{l + truncX, t, endZ - truncZ};
  const double inside[3] = {(l + r) / 2.0, (t + b) / 2.0, (startZ + endZ) / 2.0};
  const TPoint3D front[] = {t0, t1, b1, b0}, right[] = {t1, t2, b2, b1}, back[] = {t2, t3, b3, b2},
                 left[] = {t3, t0, b0, b3}, cap[] = {t0, t1, t2, t3}, base[] = {b0, b1, b2, b3};
  SolidFace(front, inside, 0);
  SolidFace(left, inside, 128);
  SolidFace(right, inside, 128);
  SolidFace(back, inside, 0);
  SolidFace(cap, inside, 64);
  SolidFace(base, inside, 64);
}

void TPlotCanvas3D::PieSlice3D(int xCenter, int yCenter, int xRadius, int yRadius,
                               double startAngle, double endAngle, int z0, int z1, bool drawSides,
                               bool dark3D) {
  const int n = std::min(RoundInt(std::fabs(endAngle - startAngle) * 180 / M_PI / 10), 30) + 2;
  const double step = (endAngle - startAngle) / (n - 1);
  std::vector<TPoint3D> front(n), back(n);
  for (int i = 0; i < n; ++i) {
    double s, c;
    SineCosine(startAngle + i * step, s, c);
    const int x = xCenter + RoundInt(xRadius * c), y = yCenter - RoundInt(yRadius * s);
    front[i] = {x, y, z0};
    back[i] = {x, y, z1};
  }
  // A point inside the slice: halfway out along the middle angle.
  double ms, mc;
  SineCosine((startAngle + endAngle) / 2, ms, mc);
  const double inside[3] = {xCenter + xRadius * 0.5 * mc, yCenter - yRadius * 0.5 * ms,
                            (z0 + z1) / 2.0};
  const TPoint3D cf{xCenter, yCenter, z0}, cb{xCenter, yCenter, z1};
  if (drawSides) {
    const TPoint3D first[] = {cf, front[0], back[0], cb};
    const TPoint3D last[] = {cf, front[n - 1], back[n - 1], cb};
    SolidFace(first, inside, dark3D ? 32 : 0);
    SolidFace(last, inside, dark3D ? 32 : 0);
  }
  // The curved side, face by face where it turns towards the viewer.
  for (int i = 0; i + 1 < n; ++i) {
    const TPoint3D face[] = {front[i], front[i + 1], back[i + 1], back[i]};
    SolidFace(face, inside, dark3D ? 64 : 0);
  }
  // The cover that faces the viewer, in the brush's own colour.
  std::vector<TPoint3D> coverFront{cf}, coverBack{cb};
  coverFront.insert(coverFront.end(), front.begin(), front.end());
  coverBack.insert(coverBack.end(), back.begin(), back.end());
  if (!SolidFace(coverFront, inside, 0)) SolidFace(coverBack, inside, 0);
}

void TPlotCanvas3D::Arrow3D(bool filled, const TPoint& fromPoint, const TPoint& toPoint,
                            int headWidth, int headHeight, int z) {
  const double dx = toPoint.X - fromPoint.X, dy = toPoint.Y - fromPoint.Y;
  const double length = std::hypot(dx, dy);
  if (length == 0) return;
  const double ux = dx / length, uy = dy / length;  // along the arrow
  const double vx = -uy, vy = ux;                   // across it
  const double head = std::min(length, double(headHeight));
  const double half = headWidth / 2.0, shaft = headWidth / 4.0;
  auto at = [&](double along, double side) {
    return ProjectPoint(RoundInt(fromPoint.X + ux * along + vx * side),
                        RoundInt(fromPoint.Y + uy * along + vy * side), z);
  };
  const TPoint tip = ProjectPoint(toPoint.X, toPoint.Y, z);
  if (filled) {
    const TPoint pts[] = {at(0, shaft), at(length - head, shaft), at(length - head, half),
                          tip,          at(length - head, -half), at(length - head, -shaft),
                          at(0, -shaft)};
    ref_->Polygon(pts);
  } else {
    const TPoint pts[] = {ProjectPoint(fromPoint.X, fromPoint.Y, z), tip, at(length - head, half),
                          at(length - head, -half), tip};
    ref_->Polyline(pts);
  }
}

void TPlotCanvas3D::ClipToBox(const TRect& rect, int minZ, int maxZ) {
  if (!DepthMode) return;
  const int elevation = ViewOptions ? ViewOptions->Elevation() : 0;
  const int rotation = ViewOptions ? ViewOptions->Rotation() : 0;
  if (!OrthoMode && elevation == 270 && (rotation == 270 || rotation == 360)) {
    // Seen from straight above: the box is the rectangle of its top.
    const TPoint a = ProjectPoint(rect.Left, rect.Top, minZ),
                 b = ProjectPoint(rect.Right, rect.Top, maxZ);
    ClipToRect(NormalizedRect(TRect(a.X, a.Y, b.X, b.Y)));
    return;
  }
  // The outline of the faces that face the viewer is the convex hull of
  // the eight projected corners.
  std::vector<TPoint> corners;
  for (int z : {minZ, maxZ})
    for (int y : {rect.Top, rect.Bottom})
      for (int x : {rect.Left, rect.Right}) corners.push_back(ProjectPoint(x, y, z));
  const std::vector<TPoint> hull = ConvexHull(std::move(corners));
  if (hull.size() < 3) {
    ClipToRect(TRect(0, 0, 0, 0));
    return;
  }
  ClipToPolygon(hull);
}

void TPlotCanvas3D::TriangleFree3D(const TPoint3D (&points)[3], TColor color) {
  if (ref_->Brush.Style() != bsClear) ref_->Brush.SetColor(ColorToRGB(color));
  const TPoint pts[] = {ProjectPoint(points[0].X, points[0].Y, points[0].Z),
                        ProjectPoint(points[1].X, points[1].Y, points[1].Z),
                        ProjectPoint(points[2].X, points[2].Y, points[2].Z)};
  ref_->Polygon(pts);
}

}  // namespace qv
