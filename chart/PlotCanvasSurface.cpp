// The chart drawing surface: attribute rules, 2-D helpers, gradients,
// text effects, clipping, buffering, 3-D projection and blending.
#include <algorithm>
#include <cmath>

#include "chart/DovOrara.h"
#include "chart/PlotCanvas.h"

namespace qv {

namespace {
constexpr double kDeg = M_PI / 180.0;
constexpr int kMaxCoord = 67108863;
int Clamp(double v) {
  return int(std::nearbyint(std::clamp(v, double(-kMaxCoord), double(kMaxCoord))));
}
}  // namespace

int RoundInt(double v) { return Clamp(v); }

void RectExtent(const TRect& r, int& width, int& height) {
  width = r.Right - r.Left;
  height = r.Bottom - r.Top;
}

void RectMiddle(const TRect& r, int& x, int& y) {
  x = (r.Left + r.Right) / 2;
  y = (r.Top + r.Bottom) / 2;
}

void SineCosine(double angle, double& s, double& c) {
  s = std::sin(angle);
  c = std::cos(angle);
}

TPlotCanvas3D::TPlotCanvas3D() = default;
TPlotCanvas3D::~TPlotCanvas3D() = default;

void TPlotCanvas3D::SetMonochrome(bool v) {
  if (v == monochrome_) return;
  monochrome_ = v;
  BufferStale = true;
  if (ViewOptions && ViewOptions->Panel()) ViewOptions->Panel()->Invalidate();
}

void TPlotCanvas3D::SetBufferedDrawing(bool v) {
  buffered_ = v;
  if (!v && bitmap_) {
    bitmap_.reset();
    BufferStale = true;
  }
}

// ---- attributes -----------------------------------------------------------------

void TPlotCanvas3D::ApplyPenColor(const TPen& pen, TColor color) {
  if (monochrome_) color = clBlack;
  TPen& dev = ref_->Pen;
  auto* chartPen = dynamic_cast<const TChartPen*>(&pen);
  if (chartPen && !chartPen->Visible()) {
    dev.SetStyle(psClear);
    return;
  }
  if (!chartPen || pen.Width() < 2 || chartPen->SmallDots()) {
    dev.Assign(pen);
    if (chartPen && chartPen->SmallDots()) {
      dev.SetWidth(1);
      dev.SetStyle(psDot);
    }
    dev.SetColor(ColorToRGB(color));
    return;
  }
  // A geometric pen: caps and joins by the end style.
  dev.Assign(pen);
  dev.SetColor(ColorToRGB(color));
  switch (chartPen->EndStyle()) {
    case esRound:
      dev.SetEndCap(pecRound);
      dev.SetJoin(pjRound);
      break;
    case esSquare:
      dev.SetEndCap(pecSquare);
      dev.SetJoin(pjBevel);
      break;
    case esFlat:
      dev.SetEndCap(pecFlat);
      dev.SetJoin(pjMiter);
      break;
  }
  dev.SetMode(pen.Mode());
}

void TPlotCanvas3D::ApplyBrushColor(const TBrush& brush, TColor color, TColor backColor) {
  if (monochrome_) color = clWhite;
  TBrush& dev = ref_->Brush;
  auto* chartBrush = dynamic_cast<const TChartBrush*>(&brush);
  if (chartBrush && chartBrush->HasImage()) {
    dev.SetBitmap(std::make_shared<TImage>(const_cast<TChartBrush*>(chartBrush)->Image()));
    ref_->SetTextColor(ColorToRGB(color));
    ref_->SetBkMode(OPAQUE);
    ref_->SetBkColor(ColorToRGB(backColor));
    return;
  }
  if (dev.Bitmap()) dev.SetBitmap(nullptr);
  if (dev.Color() != ColorToRGB(color)) dev.SetColor(ColorToRGB(color));
  if (dev.Style() != brush.Style()) dev.SetStyle(brush.Style());
  if (backColor != clNone && backColor != clDefault) {
    ref_->SetBkMode(OPAQUE);
    ref_->SetBkColor(ColorToRGB(backColor));
  } else {
    ref_->SetBkMode(TRANSPARENT);
  }
}

void TPlotCanvas3D::ApplyFont(TPlotFont& font) {
  TFont& dev = ref_->Font;
  dev.Assign(font);
  if (monochrome_) dev.SetColor(clBlack);
  if (ref_->TextCharacterExtra() != font.InterCharSize())
    ref_->SetTextCharacterExtra(font.InterCharSize());
  font.Canvas = this;
  ChartFont = &font;
}

void TPlotCanvas3D::ResetDrawingState() {
  ref_->Pen.SetColor(clBlack);
  ref_->Pen.SetWidth(1);
  ref_->Pen.SetStyle(psSolid);
  ref_->Brush.SetBitmap(nullptr);
  ref_->Brush.SetColor(clWhite);
  ref_->Brush.SetStyle(bsSolid);
  ref_->Font.SetColor(clBlack);
  ref_->Font.SetSize(10);
  ref_->SetBkColor(clWhite);
  ref_->SetBkMode(TRANSPARENT);
  ref_->SetTextAlign(0);
}

void TPlotCanvas3D::DarkenBrush(TColor color, int amount) {
  const TColor dark = DarkenColor(color, amount);
  if (ref_->Brush.Style() == bsSolid)
    ref_->Brush.SetColor(dark);
  else
    ref_->SetBkColor(dark);
}

// ---- 2-D helpers -------------------------------------------------------------------

void TPlotCanvas3D::BevelFrame(const TRect& rect, TColor topColor, TColor bottomColor, int width) {
  TRect r = rect;
  ref_->Pen.SetWidth(1);
  ref_->Pen.SetStyle(psSolid);
  --r.Right;
  --r.Bottom;
  for (int i = 0; i < width; ++i) {
    ref_->Pen.SetColor(ColorToRGB(topColor));
    const TPoint top[] = {{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}};
    ref_->Polyline(top);
    ref_->Pen.SetColor(ColorToRGB(bottomColor));
    const TPoint bottom[] = {{r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left - 1, r.Bottom}};
    ref_->Polyline(bottom);
    InflateRect(r, -1, -1);
  }
}

void TPlotCanvas3D::RingSector(int xc, int yc, int xr, int yr, double startAngle, double endAngle,
                               double holePercent) {
  int n = RoundInt((endAngle - startAngle) * 128 / M_PI);
  n = std::clamp(n, 2, 128);
  std::vector<TPoint> pts(2 * n);
  const double step = (endAngle - startAngle) / (n - 1);
  const double hole = holePercent * 0.01;
  for (int i = 0; i < n; ++i) {
    double s, c;
    SineCosine(startAngle + i * step, s, c);
    pts[i] = {xc + RoundInt(xr * c), yc - RoundInt(yr * s)};
    pts[2 * n - 1 - i] = {xc + RoundInt(xr * hole * c), yc - RoundInt(yr * hole * s)};
  }
  ref_->Polygon(pts);
}

void TPlotCanvas3D::FillGradient(const TRect& rect, TColor startColor, TColor endColor,
                                 TGradientDirection direction) {
  if (direction != gdTopBottom && direction != gdLeftRight) std::swap(startColor, endColor);
  const TColor a = ColorToRGB(startColor), b = ColorToRGB(endColor);
  const TRect r = NormalizedRect(rect);
  const int w = r.Width(), h = r.Height();
  if (w <= 0 || h <= 0) return;
  const TBrush saved = ref_->Brush;
  const TPen savedPen = ref_->Pen;
  auto bandColor = [&](int i, int n) {
    if (n <= 0) return a;
    return RGB(GetRValue(a) + MulDiv(i, GetRValue(b) - GetRValue(a), n),
               GetGValue(a) + MulDiv(i, GetGValue(b) - GetGValue(a), n),
               GetBValue(a) + MulDiv(i, GetBValue(b) - GetBValue(a), n));
  };
  TColor last = clNone;
  auto useColor = [&](TColor c) {
    if (c == last) return;
    last = c;
    ref_->Brush.SetBitmap(nullptr);
    ref_->Brush.SetStyle(bsSolid);
    ref_->Brush.SetColor(c);
    ref_->Pen.SetColor(c);
  };
  switch (direction) {
    case gdTopBottom:
    case gdBottomTop: {
      const int n = std::min(256, h);
      for (int i = 0; i < n; ++i) {
        useColor(bandColor(i, n - 1));
        const int y0 = r.Bottom - MulDiv(i + 1, h, n), y1 = r.Bottom - MulDiv(i, h, n);
        if (y1 > y0) ref_->FillRect(TRect(r.Left, y0, r.Right, y1));
      }
      break;
    }
    case gdLeftRight:
    case gdRightLeft: {
      const int n = std::min(256, w);
      for (int i = 0; i < n; ++i) {
        useColor(bandColor(i, n - 1));
        const int x0 = r.Right - MulDiv(i + 1, w, n), x1 = r.Right - MulDiv(i, w, n);
        if (x1 > x0) ref_->FillRect(TRect(x0, r.Top, x1, r.Bottom));
      }
      break;
    }
    case gdFromTopLeft:
    case gdFromBottomLeft: {
      // Diagonal lines from the named corner (EndColor) to the opposite one.
      const int n = w + h;
      ref_->Pen.SetWidth(1);
      ref_->Pen.SetStyle(psSolid);
      for (int i = 0; i < n; ++i) {
        useColor(bandColor(i, n));
        const int d = i;  // distance from the named corner
        int x0 = r.Left + std::min(d, w - 1), x1 = r.Left + std::max(0, d - h + 1);
        int yA = d - (x0 - r.Left), yB = d - (x1 - r.Left);
        if (direction == gdFromTopLeft) {
          ref_->MoveTo(x0, r.Top + yA);
          ref_->LineTo(x1 - 1, r.Top + yB + 1);
        } else {
          ref_->MoveTo(x0, r.Bottom - 1 - yA);
          ref_->LineTo(x1 - 1, r.Bottom - 1 - yB - 1);
        }
      }
      break;
    }
    case gdFromCenter: {
      const int n = w / 2 + h / 2;
      TRect band = r;
      int i = 0;
      while (band.Width() > 0 && band.Height() > 0) {
        useColor(bandColor(i, n));
        ref_->FillRect(TRect(band.Left, band.Top, band.Right, band.Top + 1));
        ref_->FillRect(TRect(band.Left, band.Bottom - 1, band.Right, band.Bottom));
        ref_->FillRect(TRect(band.Left, band.Top, band.Left + 1, band.Bottom));
        ref_->FillRect(TRect(band.Right - 1, band.Top, band.Right, band.Bottom));
        InflateRect(band, -1, -1);
        ++i;
      }
      break;
    }
  }
  ref_->Brush.Assign(saved);
  ref_->Pen.Assign(savedPen);
}

// ---- text ------------------------------------------------------------------------------

int TPlotCanvas3D::TextWidth(const std::string& text) const {
  int w = ref_->TextExtent(text).cx;
  if (ChartFont && ChartFont->HasShadow()) w += std::abs(ChartFont->Shadow().HorizSize());
  return w;
}

int TPlotCanvas3D::TextHeight(const std::string& text) const {
  int h = ref_->TextExtent(text).cy;
  if (ChartFont && ChartFont->HasShadow()) h += std::abs(ChartFont->Shadow().VertSize());
  return h;
}

void TPlotCanvas3D::TextOut(int x, int y, const std::string& text) {
  TPlotFont* f = ChartFont;
  if (f && f->HasShadow() && (f->Shadow().HorizSize() != 0 || f->Shadow().VertSize() != 0)) {
    const int h = f->Shadow().HorizSize(), v = f->Shadow().VertSize();
    ref_->SetTextColor(ColorToRGB(f->Shadow().Color()));
    ref_->TextOut(x + std::max(0, h), y + std::max(0, v), text);
    if (h < 0) x -= h;
    if (v < 0) y -= v;
  }
  const TColor fontColor = ref_->Font.Color();
  ref_->SetTextColor(ColorToRGB(fontColor));
  const bool outline = f && f->HasOutLine() && f->OutLine().Visible();
  const bool gradient = f && f->HasGradient() && f->Gradient().Visible();
  if (!outline && !gradient) {
    ref_->TextOut(x, y, text);
    return;
  }
  if (outline)
    ApplyPen(f->OutLine());
  else
    ref_->Pen.SetStyle(psClear);
  ref_->Brush.SetBitmap(nullptr);
  ref_->Brush.SetStyle(bsSolid);
  ref_->Brush.SetColor(ColorToRGB(fontColor));
  ref_->SetBkMode(TRANSPARENT);
  auto buildPath = [&] {
    ref_->BeginPath();
    ref_->TextOut(x, y, text);
    ref_->EndPath();
  };
  buildPath();
  if (gradient) {
    if (f->Gradient().Outline()) ref_->WidenPath();
    ref_->PushClip();
    ++clipDepth_;
    ref_->SelectClipPath(RGN_AND);
    f->Gradient().PaintInto(*this, TRect(x, y, x + TextWidth(text), y + TextHeight(text)));
    RemoveClip();
    if (f->Gradient().Outline()) return;
    if (!outline) return;
    buildPath();
    ref_->Brush.SetStyle(bsClear);
  }
  if (fontColor != clNone && ref_->Brush.Style() != bsClear)
    ref_->StrokeAndFillPath();
  else
    ref_->StrokePath();
}

void TPlotCanvas3D::TextOutRotated(int x, int y, const std::string& text, int angle) {
  if (angle > 360) angle -= 360;
  ref_->Brush.SetStyle(bsClear);
  const TFont saved = ref_->Font;
  ref_->Font.SetEscapement(angle * 10);
  ref_->Font.SetQuality(fqAntialiased);
  if (ZoomText && ZoomFactor != 1) {
    const int size = std::max(1, RoundInt(saved.Size() * ZoomFactor));
    ref_->Font.SetHeight(-MulDiv(size, ScreenPixelsPerInch, 72));
  }
  TextOut(x, y, text);
  ref_->Font.Assign(saved);
}

void TPlotCanvas3D::TextAtDepth(int x, int y, int z, const std::string& text) {
  const TPoint p = ProjectPoint(x, y, z);
  if (ZoomText && ZoomFactor != 1) {
    const TFont saved = ref_->Font;
    const int size = std::max(1, RoundInt(saved.Size() * ZoomFactor));
    if (size != saved.Size()) {
      ref_->Font.SetHeight(-MulDiv(size, ScreenPixelsPerInch, 72));
      TextOut(p.X, p.Y, text);
      ref_->Font.Assign(saved);
      return;
    }
  }
  TextOut(p.X, p.Y, text);
}

void TPlotCanvas3D::TextOutRotated3D(int x, int y, int z, const std::string& text, int angle) {
  const TPoint p = ProjectPoint(x, y, z);
  TextOutRotated(p.X, p.Y, text, angle);
}

// ---- clipping ------------------------------------------------------------------------------

void TPlotCanvas3D::ClipToRect(const TRect& r) {
  ref_->PushClip();
  ++clipDepth_;
  ref_->IntersectClipRect(r);
}

void TPlotCanvas3D::ClipToRoundRect(const TRect& r, int radius) {
  ref_->PushClip();
  ++clipDepth_;
  ref_->SelectClipRegion(TRegion::FromRoundRect(ref_->LPtoDP(r), radius, radius), RGN_AND);
}

void TPlotCanvas3D::ClipToPolygon(std::span<const TPoint> pts) {
  ref_->PushClip();
  ++clipDepth_;
  std::vector<TPoint> dev(pts.begin(), pts.end());
  for (TPoint& p : dev) p = ref_->LPtoDP(p);
  ref_->SelectClipRegion(TRegion::FromPolygon(dev), RGN_AND);
}

void TPlotCanvas3D::RemoveClip() {
  if (clipDepth_ <= 0) return;
  --clipDepth_;
  ref_->PopClip();
}

// ---- drawing sequence and buffer ---------------------------------------------------------------

TRect TPlotCanvas3D::BeginDrawing(TCanvas& canvas, TView3DOptions* options, TColor backColor,
                                  bool is3D, const TRect& rect) {
  DrawBounds = rect;
  ViewOptions = options;
  DepthMode = is3D;
  OrthoMode = false;
  ZoomFactor = 1.0;
  if (DepthMode && options) {
    OrthoMode = options->Orthogonal();
    if (OrthoMode) {
      double a = options->OrthoAngle();
      if (a > 90) {
        OrthoXSign = -1;
        a = 180 - a;
      } else {
        OrthoXSign = 1;
      }
      OrthoYFactor = std::cos(a * kDeg) < 0.01 ? 1.0 : std::tan(a * kDeg);
    }
    ZoomFactor = options->Zoom() * 0.01;
    ZoomText = options->ZoomText();
  }
  if (DepthMode && !OrthoMode) ComputeRotation();
  clipDepth_ = 0;
  if (buffered_) {
    if (!bitmap_) bitmap_ = std::make_unique<TImage>();
    const int w = std::max(0, rect.Width()), h = std::max(0, rect.Height());
    // Filled every time: a picture never shows what the last drawing left.
    const TColor fill = backColor == clNone ? clWhite : ColorToRGB(backColor);
    if (bitmap_->Width() != w || bitmap_->Height() != h)
      bitmap_->SetSize(w, h, fill);
    else
      bitmap_->Fill(fill);
    ref_ = &bitmap_->Canvas();
    return TRect(0, 0, w, h);
  }
  ref_ = &canvas;
  return rect;
}

void TPlotCanvas3D::ComputeRotation() {
  PerspectiveFactor = 0;
  const double r = (ViewOptions ? ViewOptions->Rotation() : 0) * kDeg;
  const double e = (ViewOptions ? ViewOptions->Elevation() : 0) * kDeg;
  const double t = (ViewOptions ? ViewOptions->Tilt() : 0) * kDeg;
  const double sr = std::sin(r), cr = std::cos(r), se = std::sin(e), ce = std::cos(e),
               st = std::sin(t), ct = std::cos(t);
  kXx = std::max(0.00001, sr * se * st + cr * ct);
  kXy = ce * st;
  kXz = cr * se * st - ct * sr;
  kYx = ct * sr * se - cr * st;
  kYy = std::max(0.00001, ce * ct);
  kYz = cr * ct * se + sr * st;
  kPx = ce * sr;
  kPz = cr * ce;
  SinElevation = se;
}

void TPlotCanvas3D::SetProjectionCentre(int maxDepth, const TRect& rect) {
  RectMiddle(rect, PivotX, PivotY);
  PivotX += RoundInt(PivotShift[0]);
  PivotY += RoundInt(PivotShift[1]);
  PivotZ = RoundInt(maxDepth / 2.0 + PivotShift[2]);
  ScreenPivotX = PivotX;
  ScreenPivotY = PivotY;
  if (ViewOptions) {
    ScreenPivotX += ViewOptions->HorizOffset();
    ScreenPivotY += ViewOptions->VertOffset();
    if (ViewOptions->Perspective() > 0 && rect.Width() != 0)
      PerspectiveFactor = (ViewOptions->Perspective() / 150.0) / rect.Width();
  }
}

TPoint TPlotCanvas3D::ProjectPoint(int x, int y, int z) const {
  if (OrthoMode)
    return {Clamp((x - PivotX + z * OrthoXSign) * ZoomFactor) + ScreenPivotX,
            Clamp((y - PivotY - z * OrthoYFactor) * ZoomFactor) + ScreenPivotY};
  if (!DepthMode) return {x, y};
  const double px = x - PivotX, py = y - PivotY, pz = z - PivotZ;
  double s = ZoomFactor;
  if (PerspectiveFactor > 0)
    s = (1 - (px * kPx - py * SinElevation + pz * kPz) * PerspectiveFactor) * ZoomFactor;
  return {Clamp((px * kXx + py * kXy + pz * kXz) * s) + ScreenPivotX,
          Clamp((px * kYx + py * kYy + pz * kYz) * s) + ScreenPivotY};
}

TRect TPlotCanvas3D::ProjectRect(const TRect& r, int z) const {
  const TPoint a = ProjectPoint(r.Left, r.Top, z), b = ProjectPoint(r.Right, r.Bottom, z);
  return TRect(a.X, a.Y, b.X, b.Y);
}

void TPlotCanvas3D::ScreenToWorld(int& x, int& y, int z) const {
  if (ZoomFactor == 0) return;
  const double i = 1.0 / ZoomFactor;
  if (OrthoMode) {
    x = Clamp((x - ScreenPivotX) * i - z * OrthoXSign) + PivotX;
    y = Clamp((y - ScreenPivotY) * i + z * OrthoYFactor) + PivotY;
    return;
  }
  if (!DepthMode || kXx == 0 || kYy == 0) return;
  // Solve the 2 x 2 system of the rotation for the world x and y at depth z
  // (perspective is not undone).
  const double sx = (x - ScreenPivotX) * i - (z - PivotZ) * kXz;
  const double sy = (y - ScreenPivotY) * i - (z - PivotZ) * kYz;
  const double det = kXx * kYy - kXy * kYx;
  if (std::fabs(det) < 1e-12) return;
  const double wx = (sx * kYy - sy * kXy) / det;
  const double wy = (sy * kXx - sx * kYx) / det;
  x = Clamp(wx) + PivotX;
  y = Clamp(wy) + PivotY;
}

void TPlotCanvas3D::PresentBuffer(TCanvas& dest, TCanvas* defaultCanvas, const TRect& rect) {
  if (buffered_ && bitmap_) {
    bitmap_->CloseCanvas();
    dest.Draw(rect.Left, rect.Top, *bitmap_);
    BufferStale = false;
  }
  ref_ = defaultCanvas ? defaultCanvas : &dest;
}

bool TPlotCanvas3D::BeginBufferedUpdate() {
  if (!buffered_ || !bitmap_ || BufferStale || bitmap_->Empty()) return false;
  ref_ = &bitmap_->Canvas();
  return true;
}

void TPlotCanvas3D::EndBufferedUpdate() {
  if (bitmap_) bitmap_->CloseCanvas();
  ref_ = nullptr;
}

bool TPlotCanvas3D::RepaintFromBuffer() {
  if (BufferStale || !bitmap_ || !ref_) return false;
  ref_->Draw(0, 0, *bitmap_);
  return true;
}

void TPlotCanvas3D::CopyBufferTo(int x, int y, TCanvas& canvas) {
  if (bitmap_) {
    bitmap_->CloseCanvas();
    canvas.Draw(x, y, *bitmap_);
  }
}

// ---- 3-D primitives ---------------------------------------------------------------------------

void TPlotCanvas3D::PixelAtDepth(int x, int y, int z, TColor color) {
  const TPoint p = ProjectPoint(x, y, z);
  if (ref_->Pen.Width() != 1) {
    ref_->MoveTo(p.X, p.Y);
    ref_->LineTo(p.X, p.Y);
  } else {
    ref_->SetPixel(p.X, p.Y, color);
  }
}

void TPlotCanvas3D::LineAtDepth(int x0, int y0, int x1, int y1, int z) {
  const TPoint a = ProjectPoint(x0, y0, z), b = ProjectPoint(x1, y1, z);
  Line(a.X, a.Y, b.X, b.Y);
}
void TPlotCanvas3D::HorizontalLine3D(int left, int right, int y, int z) {
  LineAtDepth(left, y, right, y, z);
}
void TPlotCanvas3D::VerticalLine3D(int x, int top, int bottom, int z) {
  LineAtDepth(x, top, x, bottom, z);
}
void TPlotCanvas3D::DepthLine3D(int x, int y, int z0, int z1) {
  const TPoint a = ProjectPoint(x, y, z0), b = ProjectPoint(x, y, z1);
  Line(a.X, a.Y, b.X, b.Y);
}
void TPlotCanvas3D::MovePen3D(int x, int y, int z) {
  const TPoint p = ProjectPoint(x, y, z);
  ref_->MoveTo(p.X, p.Y);
}
void TPlotCanvas3D::DrawLineTo3D(int x, int y, int z) {
  const TPoint p = ProjectPoint(x, y, z);
  ref_->LineTo(p.X, p.Y);
}

void TPlotCanvas3D::RectAtDepth(const TRect& r, int z) {
  const TPoint pts[] = {ProjectPoint(r.Left, r.Top, z), ProjectPoint(r.Right, r.Top, z),
                        ProjectPoint(r.Right, r.Bottom, z), ProjectPoint(r.Left, r.Bottom, z)};
  ref_->Polygon(pts);
}

void TPlotCanvas3D::PolygonAtDepth(std::span<const TPoint> pts, int z) {
  std::vector<TPoint> p(pts.size());
  for (std::size_t i = 0; i < pts.size(); ++i) p[i] = ProjectPoint(pts[i].X, pts[i].Y, z);
  ref_->Polygon(p);
}

void TPlotCanvas3D::QuadAtDepth(const TPoint& p1, const TPoint& p2, const TPoint& p3,
                                const TPoint& p4, int z) {
  const TPoint pts[] = {p1, p2, p3, p4};
  PolygonAtDepth(pts, z);
}

void TPlotCanvas3D::TriangleAtDepth(const TPoint& p1, const TPoint& p2, const TPoint& p3, int z) {
  const TPoint pts[] = {p1, p2, p3};
  PolygonAtDepth(pts, z);
}

void TPlotCanvas3D::SlabAcrossDepth(const TPoint& a, const TPoint& b, int z0, int z1) {
  const TPoint pts[] = {ProjectPoint(a.X, a.Y, z1), ProjectPoint(b.X, b.Y, z1),
                        ProjectPoint(b.X, b.Y, z0), ProjectPoint(a.X, a.Y, z0)};
  ref_->Polygon(pts);
}

void TPlotCanvas3D::QuadAcrossDepth(std::span<const TPoint, 4> p, int z0, int z1) {
  const TPoint pts[] = {ProjectPoint(p[0].X, p[0].Y, z0), ProjectPoint(p[1].X, p[1].Y, z0),
                        ProjectPoint(p[2].X, p[2].Y, z1), ProjectPoint(p[3].X, p[3].Y, z1)};
  ref_->Polygon(pts);
}

void TPlotCanvas3D::FloorRect3D(int left, int top, int right, int z0, int z1) {
  const TPoint pts[] = {ProjectPoint(left, top, z0), ProjectPoint(right, top, z0),
                        ProjectPoint(right, top, z1), ProjectPoint(left, top, z1)};
  ref_->Polygon(pts);
}

void TPlotCanvas3D::SideRect3D(int left, int top, int bottom, int z0, int z1) {
  const TPoint pts[] = {ProjectPoint(left, top, z0), ProjectPoint(left, top, z1),
                        ProjectPoint(left, bottom, z1), ProjectPoint(left, bottom, z0)};
  ref_->Polygon(pts);
}

void TPlotCanvas3D::FillPolygonNoPen(std::span<const TPoint> pts) {
  const TPen saved = ref_->Pen;
  ref_->Pen.SetStyle(psClear);
  ref_->Polygon(pts);
  ref_->Pen.Assign(saved);
}

void TPlotCanvas3D::EllipseAtDepth(int x1, int y1, int x2, int y2, int z) {
  if (OrthoMode || !DepthMode) {
    const TPoint a = ProjectPoint(x1, y1, z), b = ProjectPoint(x2, y2, z);
    ref_->Ellipse(a.X, a.Y, b.X, b.Y);
    return;
  }
  // 32 points around the whole ellipse, projected at depth z.
  constexpr int n = 32;
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0, hw = (x2 - x1) / 2.0,
               hh = (y2 - y1) / 2.0;
  std::vector<TPoint> pts(n);
  for (int i = 0; i < n; ++i) {
    const double a = i * 2 * M_PI / n;
    pts[i] = ProjectPoint(int(cx + std::trunc(hw * std::cos(a))),
                          int(cy + std::trunc(hh * std::sin(a))), z);
  }
  if (ref_->Brush.Style() != bsClear) {
    const TPoint c = ProjectPoint(int(cx), int(cy), z);
    for (int i = 0; i < n; ++i) {
      const TPoint tri[] = {c, pts[i], pts[(i + 1) % n]};
      FillPolygonNoPen(tri);
    }
  }
  std::vector<TPoint> ring(pts);
  ring.push_back(pts[0]);
  ref_->Polyline(ring);
}

void TPlotCanvas3D::Ball3D(int x, int y, int z, double radius) {
  const int r = RoundInt(radius);
  EllipseAtDepth(x - r, y - r, x + r, y + r, z);
}

void TPlotCanvas3D::Box3D(int left, int right, int top, int bottom, int z0, int z1,
                          bool darkSides) {
  const TColor base = ref_->Brush.Color();
  const TColor baseBack = ref_->BkColor();
  RectAtDepth(TRect(left, top, right, bottom), z0);
  // The side that faces the viewer: compare projected x of front and back.
  const TPoint frontLeft = ProjectPoint(left, top, z0), backLeft = ProjectPoint(left, top, z1);
  if (darkSides) DarkenBrush(base, 128);
  if (backLeft.X < frontLeft.X)
    SideRect3D(left, top, bottom, z0, z1);
  else
    SideRect3D(right, top, bottom, z0, z1);
  // Restoring touches the brush colour only when darkening changed it: a
  // colour set on a clear brush would make it solid.
  if (darkSides) {
    if (ref_->Brush.Color() != base) ref_->Brush.SetColor(base);
    ref_->SetBkColor(baseBack);
    DarkenBrush(base, 64);
  }
  const TPoint backTop = ProjectPoint(left, top, z1);
  if (backTop.Y < frontLeft.Y)
    FloorRect3D(left, top, right, z0, z1);
  else
    FloorRect3D(left, bottom, right, z0, z1);
  if (darkSides) {
    if (ref_->Brush.Color() != base) ref_->Brush.SetColor(base);
    ref_->SetBkColor(baseBack);
  }
}

// ---- blending
// ------------------------------------------------------------------------------------

TPlotBlend::TPlotBlend(TPlotCanvas3D& surface, const TRect& rect) : surface_(surface), rect_(rect) {
  rect_.Left = std::max(0, rect_.Left);
  rect_.Top = std::max(0, rect_.Top);
  if (rect_.Width() <= 0 || rect_.Height() <= 0 || surface.Metafiling) return;
  TImage* buffer = surface.BufferedDrawing() ? surface.Buffer() : nullptr;
  saved_.SetSize(rect_.Width(), rect_.Height());
  if (buffer) {
    buffer->CloseCanvas();
    surface.SetReferenceCanvas(&buffer->Canvas());
    for (int y = 0; y < saved_.Height(); ++y)
      for (int x = 0; x < saved_.Width(); ++x)
        saved_.SetPixel(x, y, buffer->Pixel(rect_.Left + x, rect_.Top + y));
    valid_ = true;
    return;
  }
  // Unbuffered: only targets that can be read back blend.
  TCanvas& c = surface.Ref();
  if (c.GetPixel(rect_.Left, rect_.Top) == clNone) return;
  for (int y = 0; y < saved_.Height(); ++y)
    for (int x = 0; x < saved_.Width(); ++x)
      saved_.SetPixel(x, y, c.GetPixel(rect_.Left + x, rect_.Top + y));
  valid_ = true;
}

void TPlotBlend::MixBack(int transparency) {
  if (!valid_) return;
  auto mix = [transparency](int cur, int saved) {
    return (cur + ((saved - cur) * transparency) / 100) & 0xFF;
  };
  auto blend = [&](TColor cur, TColor old) {
    return RGB(mix(GetRValue(cur), GetRValue(old)), mix(GetGValue(cur), GetGValue(old)),
               mix(GetBValue(cur), GetBValue(old)));
  };
  TImage* buffer = surface_.BufferedDrawing() ? surface_.Buffer() : nullptr;
  if (buffer) {
    buffer->CloseCanvas();
    const int w = std::min(saved_.Width(), buffer->Width() - rect_.Left);
    const int h = std::min(saved_.Height(), buffer->Height() - rect_.Top);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int bx = rect_.Left + x, by = rect_.Top + y;
        buffer->SetPixel(bx, by, blend(buffer->Pixel(bx, by), saved_.Pixel(x, y)));
      }
    surface_.SetReferenceCanvas(&buffer->Canvas());
    return;
  }
  TCanvas& c = surface_.Ref();
  for (int y = 0; y < saved_.Height(); ++y)
    for (int x = 0; x < saved_.Width(); ++x) {
      const TColor cur = c.GetPixel(rect_.Left + x, rect_.Top + y);
      if (cur == clNone) continue;
      c.SetPixel(rect_.Left + x, rect_.Top + y, blend(cur, saved_.Pixel(x, y)));
    }
}

// ---- gradient of option objects
// ------------------------------------------------------------------

void TCustomPlotGradient::PaintInto(TPlotCanvas3D& canvas, const TRect& rect,
                                    int roundRadius) const {
  TColor start = startColor_, end = endColor_, mid = midColor_;
  if (canvas.Monochrome()) {
    start = GrayOfColor(start);
    end = GrayOfColor(end);
    mid = GrayOfColor(mid);
  }
  if (roundRadius > 0) canvas.ClipToRoundRect(rect, roundRadius);
  const TRect& r = rect;
  if (hasMidColor_ && (direction_ == gdTopBottom || direction_ == gdBottomTop)) {
    const int split = (r.Top + r.Bottom) / 2;
    if (direction_ == gdTopBottom) {
      // Upper half: MidColor at the split (bottom of the half), EndColor at the top.
      canvas.FillGradient(TRect(r.Left, r.Top, r.Right, split), mid, end, gdTopBottom);
      canvas.FillGradient(TRect(r.Left, split, r.Right, r.Bottom), start, mid, gdTopBottom);
    } else {
      canvas.FillGradient(TRect(r.Left, r.Top, r.Right, split), start, mid, gdBottomTop);
      canvas.FillGradient(TRect(r.Left, split, r.Right, r.Bottom), mid, end, gdBottomTop);
    }
  } else if (hasMidColor_ && (direction_ == gdLeftRight || direction_ == gdRightLeft)) {
    const int split = (r.Left + r.Right) / 2;
    if (direction_ == gdLeftRight) {
      canvas.FillGradient(TRect(r.Left, r.Top, split, r.Bottom), mid, end, gdLeftRight);
      canvas.FillGradient(TRect(split, r.Top, r.Right, r.Bottom), start, mid, gdLeftRight);
    } else {
      canvas.FillGradient(TRect(r.Left, r.Top, split, r.Bottom), start, mid, gdRightLeft);
      canvas.FillGradient(TRect(split, r.Top, r.Right, r.Bottom), mid, end, gdRightLeft);
    }
  } else {
    canvas.FillGradient(r, start, end, direction_);
  }
  if (roundRadius > 0) canvas.RemoveClip();
}

}  // namespace qv
