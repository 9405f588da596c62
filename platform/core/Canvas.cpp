#include "platform/core/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qv {

// ---- regions -------------------------------------------------------------

TRegion TRegion::FromRect(const TRect& r) {
  TRegion g;
  TPart p;
  p.Shape = shRect;
  p.Bounds = NormalizedRect(r);
  g.parts_.push_back(std::move(p));
  return g;
}

TRegion TRegion::FromPolygon(std::span<const TPoint> pts) {
  return FromPolygons({std::vector<TPoint>(pts.begin(), pts.end())});
}

TRegion TRegion::FromPolygons(const std::vector<std::vector<TPoint>>& rings) {
  TRegion g;
  TPart p;
  p.Shape = shPolygon;
  p.Polygons = rings;
  TRect b;
  bool first = true;
  for (const auto& ring : rings)
    for (const TPoint& q : ring) {
      if (first) {
        b = TRect(q.X, q.Y, q.X, q.Y);
        first = false;
      }
      b.Left = std::min(b.Left, q.X);
      b.Top = std::min(b.Top, q.Y);
      b.Right = std::max(b.Right, q.X);
      b.Bottom = std::max(b.Bottom, q.Y);
    }
  p.Bounds = b;
  g.parts_.push_back(std::move(p));
  return g;
}

TRegion TRegion::FromEllipse(const TRect& r) {
  TRegion g = FromRect(r);
  g.parts_[0].Shape = shEllipse;
  return g;
}

TRegion TRegion::FromRoundRect(const TRect& r, int w, int h) {
  TRegion g = FromRect(r);
  g.parts_[0].Shape = shRoundRect;
  g.parts_[0].EllipseWidth = std::abs(w);
  g.parts_[0].EllipseHeight = std::abs(h);
  return g;
}

void TRegion::Combine(const TRegion& other, TRegionMode mode) {
  if (mode == RGN_COPY) {
    parts_ = other.parts_;
    return;
  }
  if (other.parts_.size() == 1 && other.parts_[0].Mode == RGN_OR) {
    TPart p = other.parts_[0];
    p.Mode = mode;
    parts_.push_back(std::move(p));
    return;
  }
  TPart p;
  p.Mode = mode;
  p.Shape = shRegion;
  p.Bounds = other.BoundingBox();
  p.Sub = std::make_shared<TRegion>(other);
  parts_.push_back(std::move(p));
}

void TRegion::Offset(int dx, int dy) {
  for (TPart& p : parts_) {
    OffsetRect(p.Bounds, dx, dy);
    for (auto& ring : p.Polygons)
      for (TPoint& q : ring) {
        q.X += dx;
        q.Y += dy;
      }
    if (p.Sub) {
      auto sub = std::make_shared<TRegion>(*p.Sub);
      sub->Offset(dx, dy);
      p.Sub = sub;
    }
  }
}

namespace {

bool InsideEllipse(double cx, double cy, double rx, double ry, double x, double y) {
  if (rx <= 0 || ry <= 0) return false;
  double u = (x - cx) / rx, v = (y - cy) / ry;
  return u * u + v * v <= 1.0;
}

bool PartContains(const TRegion::TPart& p, int x, int y) {
  double px = x + 0.5, py = y + 0.5;
  switch (p.Shape) {
    case TRegion::shRect:
      return p.Bounds.Contains(x, y);
    case TRegion::shEllipse:
      return InsideEllipse((p.Bounds.Left + p.Bounds.Right) / 2.0,
                           (p.Bounds.Top + p.Bounds.Bottom) / 2.0, p.Bounds.Width() / 2.0,
                           p.Bounds.Height() / 2.0, px, py);
    case TRegion::shRoundRect: {
      if (!p.Bounds.Contains(x, y)) return false;
      double rx = std::min(p.EllipseWidth, p.Bounds.Width()) / 2.0;
      double ry = std::min(p.EllipseHeight, p.Bounds.Height()) / 2.0;
      double cx = std::clamp(px, p.Bounds.Left + rx, p.Bounds.Right - rx);
      double cy = std::clamp(py, p.Bounds.Top + ry, p.Bounds.Bottom - ry);
      if (cx == px || cy == py) return true;
      return InsideEllipse(cx, cy, rx, ry, px, py);
    }
    case TRegion::shPolygon: {
      bool in = false;
      for (const auto& ring : p.Polygons) {
        std::size_t n = ring.size();
        for (std::size_t i = 0, j = n ? n - 1 : 0; i < n; j = i++) {
          double xi = ring[i].X, yi = ring[i].Y, xj = ring[j].X, yj = ring[j].Y;
          if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) in = !in;
        }
      }
      return in;
    }
    case TRegion::shRegion:
      return p.Sub && p.Sub->Contains(x, y);
  }
  return false;
}

}  // namespace

bool TRegion::Contains(int x, int y) const {
  bool in = false;
  for (const TPart& p : parts_) {
    bool q = PartContains(p, x, y);
    switch (p.Mode) {
      case RGN_AND:
        in = in && q;
        break;
      case RGN_OR:
        in = in || q;
        break;
      case RGN_XOR:
        in = in != q;
        break;
      case RGN_DIFF:
        in = in && !q;
        break;
      case RGN_COPY:
        in = q;
        break;
    }
  }
  return in;
}

TRect TRegion::BoundingBox() const {
  TRect b;
  for (const TPart& p : parts_) {
    TRect pb = p.Shape == shRegion && p.Sub ? p.Sub->BoundingBox() : p.Bounds;
    if (p.Shape == shPolygon) {  // polygons cover up to their right/bottom vertex
      pb.Right += 1;
      pb.Bottom += 1;
    }
    switch (p.Mode) {
      case RGN_AND:
        IntersectRect(b, b, pb);
        break;
      case RGN_OR:
      case RGN_XOR:
        UnionRect(b, b, pb);
        break;
      case RGN_DIFF:
        break;
      case RGN_COPY:
        b = pb;
        break;
    }
  }
  return b;
}

bool operator==(const TRegion& a, const TRegion& b) {
  if (a.parts_.size() != b.parts_.size()) return false;
  for (std::size_t i = 0; i < a.parts_.size(); ++i) {
    const auto& p = a.parts_[i];
    const auto& q = b.parts_[i];
    if (p.Mode != q.Mode || p.Shape != q.Shape || !(p.Bounds == q.Bounds) ||
        p.Polygons != q.Polygons || p.EllipseWidth != q.EllipseWidth ||
        p.EllipseHeight != q.EllipseHeight)
      return false;
    if (bool(p.Sub) != bool(q.Sub) || (p.Sub && !(*p.Sub == *q.Sub))) return false;
  }
  return true;
}

// ---- canvas --------------------------------------------------------------

struct TCanvas::TSavedState {
  TPen Pen;
  TBrush Brush;
  TFont Font;
  TColor TextColor, BkColor;
  int BkMode;
  unsigned TextAlign;
  int CharExtra;
  TPoint PenPos;
  TMapMode MapMode;
  TPoint WinOrg, VpOrg;
  TSize WinExt, VpExt;
  bool HadClip;
  TRegion Clip;
};

TCanvas::TCanvas() {
  Pen.OnChange = [this](TGraphicsObject*) { penChanged_ = true; };
  Brush.OnChange = [this](TGraphicsObject*) {
    brushChanged_ = true;
    // As the class library's canvas: a solid brush gives an opaque
    // background in its colour, any other style a transparent one.
    if (Brush.Style() == bsSolid && !Brush.Bitmap()) {
      bkColor_ = Brush.Color();
      bkMode_ = OPAQUE;
    } else {
      bkMode_ = TRANSPARENT;
    }
  };
  Font.OnChange = [this](TGraphicsObject*) {
    fontChanged_ = true;
    textColor_ = Font.Color();
  };
  textColor_ = Font.Color();
  bkColor_ = Brush.Color();
}

void TCanvas::FrameRect(const TRect& r) {
  if (r.IsEmpty()) return;
  FillRect(TRect(r.Left, r.Top, r.Right, r.Top + 1));
  FillRect(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
  FillRect(TRect(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1));
  FillRect(TRect(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1));
}

void TCanvas::DrawEdge(TRect& r, unsigned edge, unsigned flags) {
  TBrush saved;
  saved.Assign(Brush);
  int savedBkMode = bkMode_;
  TColor savedBk = bkColor_;
  auto line = [&](TColor c, const TRect& s) {
    if (s.IsEmpty()) return;
    Brush.SetColor(c);
    Brush.SetStyle(bsSolid);
    FillRect(s);
  };
  TRect q = r;
  // Outer border, then inner: each a top-left and a bottom-right colour.
  struct TBorder {
    unsigned Raised, Sunken;
    TColor RaisedTL, RaisedBR, SunkenTL, SunkenBR;
  };
  const TBorder borders[2] = {
      {BDR_RAISEDOUTER, BDR_SUNKENOUTER, cl3DLight, cl3DDkShadow, clBtnShadow, clBtnHighlight},
      {BDR_RAISEDINNER, BDR_SUNKENINNER, clBtnHighlight, clBtnShadow, cl3DDkShadow, cl3DLight}};
  for (const TBorder& b : borders) {
    if (!(edge & (b.Raised | b.Sunken))) continue;
    bool raised = edge & b.Raised;
    TColor tl = raised ? b.RaisedTL : b.SunkenTL;
    TColor br = raised ? b.RaisedBR : b.SunkenBR;
    if (flags & BF_BOTTOM) line(br, TRect(q.Left, q.Bottom - 1, q.Right, q.Bottom));
    if (flags & BF_RIGHT) line(br, TRect(q.Right - 1, q.Top, q.Right, q.Bottom));
    if (flags & BF_TOP)
      line(tl, TRect(q.Left, q.Top, q.Right - ((flags & BF_RIGHT) ? 1 : 0), q.Top + 1));
    if (flags & BF_LEFT)
      line(tl, TRect(q.Left, q.Top, q.Left + 1, q.Bottom - ((flags & BF_BOTTOM) ? 1 : 0)));
    if (flags & BF_LEFT) ++q.Left;
    if (flags & BF_TOP) ++q.Top;
    if (flags & BF_RIGHT) --q.Right;
    if (flags & BF_BOTTOM) --q.Bottom;
  }
  if (flags & BF_MIDDLE) line(clBtnFace, q);
  Brush.Assign(saved);
  bkMode_ = savedBkMode;
  bkColor_ = savedBk;
  if (flags & BF_ADJUST) r = q;
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  unsigned opts = ETO_CLIPPED;
  if (Brush.Style() == bsSolid) opts |= ETO_OPAQUE;
  ExtTextOut(x, y, opts, &r, text, nullptr);
}

TSize TCanvas::TextExtent(const std::string& text) {
  TSize s = Fonts().TextExtent(Font, text);
  if (charExtra_ != 0) s.cx += charExtra_ * int(Utf8ToUtf32(text).size());
  return s;
}

TTextMetric TCanvas::GetTextMetrics() { return Fonts().GetTextMetrics(Font); }

bool TCanvas::GetCharABCWidths(char32_t ch, TABC& abc) {
  return Fonts().GetCharABCWidths(Font, ch, abc);
}

void TCanvas::PushClip() {
  TSavedClip s;
  s.Had = GetClipRegion(s.Rgn);
  clipStack_.push_back(std::move(s));
}

void TCanvas::PopClip() {
  if (clipStack_.empty()) return;
  TSavedClip s = std::move(clipStack_.back());
  clipStack_.pop_back();
  SelectClipRegion(s.Had ? s.Rgn : TRegion(), RGN_COPY);
}

int TCanvas::SaveDC() {
  auto s = std::make_shared<TSavedState>();
  s->Pen.Assign(Pen);
  s->Brush.Assign(Brush);
  s->Font.Assign(Font);
  s->TextColor = textColor_;
  s->BkColor = bkColor_;
  s->BkMode = bkMode_;
  s->TextAlign = textAlign_;
  s->CharExtra = charExtra_;
  s->PenPos = penPos_;
  s->MapMode = mapMode_;
  s->WinOrg = winOrg_;
  s->VpOrg = vpOrg_;
  s->WinExt = winExt_;
  s->VpExt = vpExt_;
  s->HadClip = GetClipRegion(s->Clip);
  saved_.push_back(std::move(s));
  return int(saved_.size());
}

void TCanvas::RestoreDC(int saved) {
  if (saved_.empty()) return;
  std::size_t index;
  if (saved < 0) {
    if (std::size_t(-saved) > saved_.size()) return;
    index = saved_.size() - std::size_t(-saved);
  } else {
    if (saved == 0 || std::size_t(saved) > saved_.size()) return;
    index = std::size_t(saved) - 1;
  }
  std::shared_ptr<TSavedState> s = saved_[index];
  saved_.resize(index);
  Pen.Assign(s->Pen);
  Brush.Assign(s->Brush);
  Font.Assign(s->Font);
  textColor_ = s->TextColor;
  bkColor_ = s->BkColor;
  bkMode_ = s->BkMode;
  textAlign_ = s->TextAlign;
  charExtra_ = s->CharExtra;
  penPos_ = s->PenPos;
  mapMode_ = s->MapMode;
  winOrg_ = s->WinOrg;
  vpOrg_ = s->VpOrg;
  winExt_ = s->WinExt;
  vpExt_ = s->VpExt;
  MappingChanged();
  SelectClipRegion(s->HadClip ? s->Clip : TRegion(), RGN_COPY);
}

// ---- mapping -------------------------------------------------------------

void TCanvas::SetMapMode(TMapMode m) {
  mapMode_ = m;
  if (m == MM_TEXT) {
    winExt_ = {1, 1};
    vpExt_ = {1, 1};
  }
  MappingChanged();
}

void TCanvas::SetWindowOrg(int x, int y) {
  winOrg_ = {x, y};
  MappingChanged();
}

void TCanvas::SetWindowExt(int cx, int cy) {
  if (mapMode_ == MM_TEXT || cx == 0 || cy == 0) return;
  winExt_ = {cx, cy};
  MappingChanged();
}

void TCanvas::SetViewportOrg(int x, int y) {
  vpOrg_ = {x, y};
  MappingChanged();
}

void TCanvas::SetViewportExt(int cx, int cy) {
  if (mapMode_ == MM_TEXT || cx == 0 || cy == 0) return;
  vpExt_ = {cx, cy};
  MappingChanged();
}

namespace {

// Scale factors of the mapping; isotropic mode takes the smaller scale for
// both axes, keeping each axis's sign.
void Scales(TMapMode mode, TSize w, TSize v, double& sx, double& sy) {
  if (mode == MM_TEXT) {
    sx = sy = 1.0;
    return;
  }
  sx = double(v.cx) / w.cx;
  sy = double(v.cy) / w.cy;
  if (mode == MM_ISOTROPIC) {
    double m = std::min(std::fabs(sx), std::fabs(sy));
    sx = sx < 0 ? -m : m;
    sy = sy < 0 ? -m : m;
  }
}

}  // namespace

TPoint TCanvas::LPtoDP(TPoint p) const {
  double sx, sy;
  Scales(mapMode_, winExt_, vpExt_, sx, sy);
  return {int(std::lround((p.X - winOrg_.X) * sx)) + vpOrg_.X,
          int(std::lround((p.Y - winOrg_.Y) * sy)) + vpOrg_.Y};
}

TPoint TCanvas::DPtoLP(TPoint p) const {
  double sx, sy;
  Scales(mapMode_, winExt_, vpExt_, sx, sy);
  return {int(std::lround((p.X - vpOrg_.X) / sx)) + winOrg_.X,
          int(std::lround((p.Y - vpOrg_.Y) / sy)) + winOrg_.Y};
}

TRect TCanvas::LPtoDP(const TRect& r) const {
  TPoint a = LPtoDP(r.TopLeft()), b = LPtoDP(r.BottomRight());
  return TRect(a.X, a.Y, b.X, b.Y);
}

bool TCanvas::IdentityMapping() const {
  double sx, sy;
  Scales(mapMode_, winExt_, vpExt_, sx, sy);
  return sx == 1.0 && sy == 1.0 && winOrg_ == vpOrg_;
}

}  // namespace qv
