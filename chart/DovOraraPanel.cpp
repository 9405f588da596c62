// The chart panel: settings, layout rectangles and repaint requests.
#include <algorithm>
#include <cmath>

#include "chart/DovOrara.h"
#include "chart/ZezIdazi.h"
#include "platform/core/BmpWriter.h"
#include "platform/core/Services.h"
#include "platform/core/WmfWriter.h"

namespace qv {

TCustomPlotPanel::TCustomPlotPanel() : view3DOptions_(std::make_unique<TView3DOptions>(this)) {}

TCustomPlotPanel::~TCustomPlotPanel() { Destroying = true; }

void TCustomPlotPanel::Invalidate() {
  if (!AutoRepaint) return;
  ++invalidateCount_;
  canvas_.Invalidate();
  if (host_) host_->Invalidate();
}

void TCustomPlotPanel::Assign(const TCustomPlotPanel& s) {
  canvas_.SetBufferedDrawing(s.canvas_.BufferedDrawing());
  std::copy(std::begin(s.PrintMargins), std::end(s.PrintMargins), PrintMargins);
  KeepPrintAspect = s.KeepPrintAspect;
  PrintShrinkPercent = s.PrintShrinkPercent;
  marginLeft_ = s.marginLeft_;
  marginTop_ = s.marginTop_;
  marginRight_ = s.marginRight_;
  marginBottom_ = s.marginBottom_;
  canvas_.SetMonochrome(s.canvas_.Monochrome());
  view3D_ = s.view3D_;
  view3DOptions_->Assign(*s.view3DOptions_);
  chart3DPercent_ = s.chart3DPercent_;
  color_ = s.color_;
  Invalidate();
}

TRect TCustomPlotPanel::ChartExtent() const {
  if (host_) return host_->ClientRect();
  return TRect(0, 0, width_, height_);
}

void TCustomPlotPanel::SetCursor(TCursor c) {
  cursor_ = c;
  if (host_) host_->SetCursor(c);
}

void TCustomPlotPanel::SetBounds(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  Invalidate();
}

#define QV_PANEL_SETTER(Name, field, type)   \
  void TCustomPlotPanel::Set##Name(type v) { \
    if (v == field) return;                  \
    field = v;                               \
    Invalidate();                            \
  }
QV_PANEL_SETTER(BorderWidth, borderWidth_, int)
QV_PANEL_SETTER(BevelInner, bevelInner_, TPanelBevel)
QV_PANEL_SETTER(BevelOuter, bevelOuter_, TPanelBevel)
QV_PANEL_SETTER(BevelWidth, bevelWidth_, int)
QV_PANEL_SETTER(Color, color_, TColor)
QV_PANEL_SETTER(MarginLeft, marginLeft_, int)
QV_PANEL_SETTER(MarginTop, marginTop_, int)
QV_PANEL_SETTER(MarginRight, marginRight_, int)
QV_PANEL_SETTER(MarginBottom, marginBottom_, int)
#undef QV_PANEL_SETTER

void TCustomPlotPanel::SetChart3DPercent(int v) {
  if (v < 1 || v > 100) throw ChartException(Format(SChart3DPercentRange, 1, 100));
  if (v == chart3DPercent_) return;
  chart3DPercent_ = v;
  Invalidate();
}

void TCustomPlotPanel::SetView3D(bool v) {
  if (v == view3D_) return;
  view3D_ = v;
  Invalidate();
  TPlotView3DEvent event;
  NotifySinks(event);
}

void TCustomPlotPanel::RecalcWidthHeight() {
  ChartRect.Left = std::max(ChartRect.Left, ChartBounds.Left);
  ChartRect.Top = std::max(ChartRect.Top, ChartBounds.Top);
  if (ChartRect.Left > ChartRect.Right)
    ChartRect.Right = ChartRect.Left + 1;
  else if (ChartRect.Left == ChartRect.Right)
    ChartRect.Right = ChartRect.Left + width_;
  if (ChartRect.Top > ChartRect.Bottom)
    ChartRect.Bottom = ChartRect.Top + 1;
  else if (ChartRect.Top == ChartRect.Bottom)
    ChartRect.Bottom = ChartRect.Top + height_;
  ChartWidth = ChartRect.Width();
  ChartHeight = ChartRect.Height();
  ChartXCenter = (ChartRect.Left + ChartRect.Right) / 2;
  ChartYCenter = (ChartRect.Top + ChartRect.Bottom) / 2;
}

void TCustomPlotPanel::DrawInto(TCanvas& userCanvas, const TRect& userRect) {
  ChartBounds = canvas_.BeginDrawing(userCanvas, view3DOptions_.get(), color_, view3D_, userRect);
  const int w = ChartBounds.Width(), h = ChartBounds.Height(), b = borderWidth_;
  ChartRect = TRect(ChartBounds.Left + b + MulDiv(marginLeft_, w, 100),
                    ChartBounds.Top + b + MulDiv(marginTop_, h, 100),
                    ChartBounds.Right - b - MulDiv(marginRight_, w, 100),
                    ChartBounds.Bottom - b - MulDiv(marginBottom_, h, 100));
  RecalcWidthHeight();
  InternalDraw(ChartBounds);
  canvas_.PresentBuffer(userCanvas, &userCanvas, userRect);
}

void TCustomPlotPanel::InternalDraw(const TRect& rect) {
  if (color_ == clNone || PrintingNow) return;
  TCanvas& c = canvas_.Ref();
  c.Brush.SetBitmap(nullptr);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(ColorToRGB(color_));
  c.FillRect(rect);
}

void TCustomPlotPanel::Paint(TCanvas& c, const TRect& /*r*/) {
  if (PrintingNow) return;
  canvas_.SetReferenceCanvas(&c);
  if (!canvas_.RepaintFromBuffer()) DrawInto(c, ChartExtent());
  // The window's canvas lives only while it paints.
  canvas_.SetReferenceCanvas(nullptr);
}

namespace {
// Switches the surface to unbuffered drawing for a scope, with the
// metafile flag when asked, and back even when drawing throws.
class TUnbufferedScope {
 public:
  TUnbufferedScope(TPlotCanvas3D& s, bool metafile)
      : s_(s), buffered_(s.BufferedDrawing()), metafile_(metafile) {
    if (metafile_) s_.Metafiling = true;
    s_.SetBufferedDrawing(false);
  }
  ~TUnbufferedScope() {
    s_.SetBufferedDrawing(buffered_);
    if (metafile_) s_.Metafiling = false;
  }
  TUnbufferedScope(const TUnbufferedScope&) = delete;
  TUnbufferedScope& operator=(const TUnbufferedScope&) = delete;

 private:
  TPlotCanvas3D& s_;
  bool buffered_, metafile_;
};
}  // namespace

void TCustomPlotPanel::RenderUnbuffered(TCanvas& canvas, const TRect& rect) {
  TUnbufferedScope scope(canvas_, true);
  DrawInto(canvas, rect);
}

std::unique_ptr<TImage> TCustomPlotPanel::RenderToBitmap(TColor backColor, const TRect& rect) {
  auto image = std::make_unique<TImage>(std::max(1, rect.Width()), std::max(1, rect.Height()));
  image->Fill(ColorToRGB(backColor == clNone ? clWhite : backColor));
  {
    TUnbufferedScope scope(canvas_, false);
    DrawInto(image->Canvas(), TRect(0, 0, rect.Width(), rect.Height()));
  }
  image->CloseCanvas();
  return image;
}

std::unique_ptr<TWmfCanvas> TCustomPlotPanel::RenderToMetafile(bool /*enhanced*/,
                                                               const TRect& rect) {
  const int w = std::max(1, rect.Width()), h = std::max(1, rect.Height());
  auto metafile = std::make_unique<TWmfCanvas>(w, h);
  RenderUnbuffered(*metafile, TRect(0, 0, w, h));
  return metafile;
}

void TCustomPlotPanel::SaveToBitmapFile(const std::string& fileName) {
  auto image = RenderToBitmap(clWhite, GetRectangle());
  SaveBmpToFile(*image, fileName);
}

void TCustomPlotPanel::SaveToMetafile(const std::string& fileName) {
  auto metafile = RenderToMetafile(false, GetRectangle());
  metafile->SaveToFile(fileName);
}

void TCustomPlotPanel::CopyToClipboardBitmap() {
  auto image = RenderToBitmap(clWhite, GetRectangle());
  Clipboard().SetImage(*image);
}

bool TCustomPlotPanel::IsPrintMarginsStored() const {
  for (int m : PrintMargins)
    if (m != 15) return true;
  return false;
}

void TCustomPlotPanel::CalcProportionalMargins(int pageWidth, int pageHeight, double pixelRatio) {
  const TRect e = ChartExtent();
  const int w = e.Width(), h = e.Height();
  if (w <= 0 || h <= 0 || pageWidth <= 0 || pageHeight <= 0) return;
  auto margin = [pixelRatio](double a, double b, double q) {
    return int(std::nearbyint(100.0 * (b - a * (1 - 40 * 0.01) * q * pixelRatio) / b)) / 2;
  };
  if (w > h) {
    const int m = margin(pageWidth, pageHeight, double(h) / w);
    PrintMargins[0] = 15;
    PrintMargins[1] = m;
    PrintMargins[2] = 15;
    PrintMargins[3] = m;
  } else {
    const int m = margin(pageHeight, pageWidth, double(w) / h);
    PrintMargins[0] = m;
    PrintMargins[1] = 15;
    PrintMargins[2] = m;
    PrintMargins[3] = 15;
  }
}

TRect TCustomPlotPanel::PrintArea(int pageWidth, int pageHeight, double pixelRatio) {
  if (KeepPrintAspect) CalcProportionalMargins(pageWidth, pageHeight, pixelRatio);
  auto r = [](double v) { return int(std::nearbyint(v)); };
  return TRect(r(PrintMargins[0] * 0.01 * pageWidth), r(PrintMargins[1] * 0.01 * pageHeight),
               pageWidth - r(PrintMargins[2] * 0.01 * pageWidth),
               pageHeight - r(PrintMargins[3] * 0.01 * pageHeight));
}

namespace {
TPrinterService& CheckedPrinter() {
  TPrinterService* p = Printer();
  if (!p || !p->Available()) throw EPrinter();
  return *p;
}
}  // namespace

TRect TCustomPlotPanel::ChartPrintRect() {
  TPrinterService& p = CheckedPrinter();
  const double ratio = p.DpiY() > 0 ? double(p.DpiX()) / p.DpiY() : 1.0;
  return PrintArea(p.PageWidth(), p.PageHeight(), ratio);
}

void TCustomPlotPanel::Print() { PrintInto(ChartPrintRect()); }

void TCustomPlotPanel::PrintInto(const TRect& rect) {
  TPrinterService& p = CheckedPrinter();
  if (!name_.empty()) p.SetTitle(name_);
  if (!p.BeginDoc()) throw EPrinter();
  try {
    PrintOnCanvas(p.Canvas(), rect);
  } catch (...) {
    p.Abort();
    throw;
  }
  p.EndDoc();
}

void TCustomPlotPanel::PrintOnCanvas(TCanvas& canvas, const TRect& rect) {
  const TRect r = NormalizedRect(rect);
  const TRect e = ChartExtent();
  const int w = e.Width(), h = e.Height();
  const int lw = w - MulDiv(w, PrintShrinkPercent, 100),
            lh = h - MulDiv(h, PrintShrinkPercent, 100);
  if (lw <= 0 || lh <= 0 || r.Width() <= 0 || r.Height() <= 0) return;
  const TMapMode oldMode = canvas.MapMode();
  const TPoint oldWinOrg = canvas.WindowOrg(), oldVpOrg = canvas.ViewportOrg();
  const TSize oldWinExt = canvas.WindowExt(), oldVpExt = canvas.ViewportExt();
  // The logical drawing size fills the target rectangle.
  canvas.SetMapMode(MM_ANISOTROPIC);
  canvas.SetWindowOrg(0, 0);
  canvas.SetViewportOrg(0, 0);
  canvas.SetWindowExt(lw, lh);
  canvas.SetViewportExt(r.Width(), r.Height());
  const TRect logical(MulDiv(r.Left, lw, r.Width()), MulDiv(r.Top, lh, r.Height()),
                      MulDiv(r.Right, lw, r.Width()), MulDiv(r.Bottom, lh, r.Height()));
  PrintingNow = true;
  const bool clip = ClipAllowed();
  if (clip) {
    canvas.PushClip();
    canvas.IntersectClipRect(logical);
  }
  auto restore = [&] {
    if (clip) canvas.PopClip();
    canvas.SetMapMode(oldMode);
    canvas.SetWindowOrg(oldWinOrg.X, oldWinOrg.Y);
    canvas.SetViewportOrg(oldVpOrg.X, oldVpOrg.Y);
    canvas.SetWindowExt(oldWinExt.cx, oldWinExt.cy);
    canvas.SetViewportExt(oldVpExt.cx, oldVpExt.cy);
    PrintingNow = false;
  };
  try {
    RenderUnbuffered(canvas, logical);
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TCustomPlotPanel::ApplyContrastBrush(TColor color, const TBrush& brush, TColor backColor) {
  if (brush.Style() != bsSolid && brush.Style() != bsClear && backColor == color)
    color = ColorToRGB(backColor) == clBlack ? clWhite : clBlack;
  canvas_.ApplyBrushColor(brush, color, backColor);
}

void TCustomPlotPanel::PrinterPenWidth(TPen& pen) const {
  if (PrintingNow && pen.Width() == 1 && pen.Style() != psSolid) pen.SetWidth(0);
}

// ---- events and mouse ------------------------------------------------------------------

void TZoomPanning::Activate(int x, int y) {
  X0 = X1 = x;
  Y0 = Y1 = y;
  Active = true;
}

void TZoomPanning::Check() {
  if (X0 > X1) std::swap(X0, X1);
  if (Y0 > Y1) std::swap(Y0, Y1);
}

void TCustomPlotPanel::AddListener(IPlotEventListener* l) {
  if (l && std::find(eventSinks_.begin(), eventSinks_.end(), l) == eventSinks_.end())
    eventSinks_.push_back(l);
}

void TCustomPlotPanel::RemoveListener(IPlotEventListener* l) {
  eventSinks_.erase(std::remove(eventSinks_.begin(), eventSinks_.end(), l), eventSinks_.end());
}

void TCustomPlotPanel::NotifySinks(TPlotEvent& event) {
  if (Destroying) return;
  event.Sender = this;
  const bool mouse = dynamic_cast<TPlotMouseEvent*>(&event) != nullptr;
  // A listener may remove itself (or another) while the event goes round.
  const TPlotEventListeners snapshot = eventSinks_;
  for (IPlotEventListener* l : snapshot) {
    if (std::find(eventSinks_.begin(), eventSinks_.end(), l) == eventSinks_.end()) continue;
    l->PlotEvent(event);
    if (mouse && MouseTaken) break;
  }
}

void TCustomPlotPanel::NotifyMouse(TPlotMouseEventKind kind, TMouseButton button, TShiftState shift,
                                   int x, int y) {
  if (eventSinks_.empty()) return;
  TPlotMouseEvent event;
  event.Kind = kind;
  event.Button = button;
  event.Shift = shift;
  event.X = x;
  event.Y = y;
  NotifySinks(event);
}

void TCustomPlotPanel::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  MouseTaken = false;
  NotifyMouse(meDown, b, s, x, y);
}

void TCustomPlotPanel::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  NotifyMouse(meUp, b, s, x, y);
}

void TCustomPlotPanel::MouseMove(TShiftState s, int x, int y) {
  MouseTaken = false;
  if (!eventSinks_.empty() && !Designing) NotifyMouse(meMove, mbLeft, s, x, y);
}

void TCustomPlotPanel::MouseLeave() {
  SetCursor(SavedCursor);
  DragRect.Active = false;
}

// ---- extended panel --------------------------------------------------------------------

TPlotZoomBrush::TPlotZoomBrush(TPlotChangeEvent onChange) : TChartBrush() {
  SetColor(clWhite);
  SetStyle(bsClear);
  OnChange = onChange ? [e = std::move(onChange)](TGraphicsObject*) { e(); }
                      : std::function<void(TGraphicsObject*)>();
}

TPlotZoomPen::TPlotZoomPen(TPlotChangeEvent onChange) : TChartPen() {
  SetColor(clWhite);
  OnChange = onChange ? [e = std::move(onChange)](TGraphicsObject*) { e(); }
                      : std::function<void(TGraphicsObject*)>();
}

TPlotZoomBrush& TPlotZoom::Brush() {
  if (!brush_) brush_ = std::make_unique<TPlotZoomBrush>(onChange_);
  return *brush_;
}

TPlotZoomPen& TPlotZoom::Pen() {
  if (!pen_) pen_ = std::make_unique<TPlotZoomPen>(onChange_);
  return *pen_;
}

void TPlotZoom::Assign(const TPlotZoom& s) {
  Allow = s.Allow;
  Animated = s.Animated;
  AnimatedSteps = s.AnimatedSteps;
  Direction = s.Direction;
  KeyShift = s.KeyShift;
  MinimumPixels = s.MinimumPixels;
  MouseButton = s.MouseButton;
  if (s.brush_) Brush().Assign(*s.brush_);
  if (s.pen_) Pen().Assign(*s.pen_);
}

TCustomPlotPanelExtended::TCustomPlotPanelExtended() : zoom_([this] { Invalidate(); }) {}
TCustomPlotPanelExtended::~TCustomPlotPanelExtended() = default;

TImage& TCustomPlotPanelExtended::BackImage() {
  if (!backImage_) backImage_ = std::make_unique<TImage>();
  return *backImage_;
}

void TCustomPlotPanelExtended::SetBackImage(const TImage* image) {
  if (!image || image->Empty())
    backImage_.reset();
  else
    backImage_ = std::make_unique<TImage>(*image);
  Invalidate();
}

void TCustomPlotPanelExtended::SetBackImageInside(bool v) {
  if (v == backImageInside_) return;
  backImageInside_ = v;
  Invalidate();
}

void TCustomPlotPanelExtended::SetBackImageMode(TPlotBackImageMode v) {
  if (v == backImageMode_) return;
  backImageMode_ = v;
  Invalidate();
}

void TCustomPlotPanelExtended::SetBackImageTransp(bool v) {
  if (!HasBackImage() || v == backImageTransp_) return;
  backImageTransp_ = v;
  Invalidate();
}

TPlotGradient& TCustomPlotPanelExtended::Gradient() {
  if (!gradient_) gradient_ = std::make_unique<TPlotGradient>([this] { Invalidate(); });
  return *gradient_;
}

void TCustomPlotPanelExtended::InternalDraw(const TRect& rect) { DrawPanelBackground(rect); }

void TCustomPlotPanelExtended::FillBackground(const TRect& rect) {
  if (gradient_ && gradient_->Visible()) {
    gradient_->PaintInto(canvas_, rect, 0);
    return;
  }
  if (PrintingNow || color_ == clNone) return;
  TCanvas& c = canvas_.Ref();
  c.Brush.SetBitmap(nullptr);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(ColorToRGB(color_));
  canvas_.EraseRect(rect);
}

void TCustomPlotPanelExtended::DrawPanelBackground(const TRect& rect) {
  FillBackground(rect);
  if (HasBackImage() && !backImageInside_) PaintBackImage(rect, 0);
  if (!TPlotCanvas3D::SupportsFullRotation()) DrawBevelsAndBorder(rect);
}

void TCustomPlotPanelExtended::PaintBackImage(const TRect& rect, int depth) {
  if (!HasBackImage()) return;
  if (depth != 0 && view3D_ && !view3DOptions_->Orthogonal()) return;
  const TImage& image = *backImage_;
  if (backImageMode_ == pbmStretch) {
    canvas_.StretchDraw(depth > 0 ? canvas_.ProjectRect(rect, depth) : rect, &image);
    return;
  }
  const int clipsBefore = canvas_.ClipDepth();
  if (ClipAllowed()) {
    if (depth == 0)
      canvas_.ClipToRect(rect);
    else
      canvas_.ClipToBox(rect, 0, BackImageDepth());
  }
  const TRect r = depth > 0 ? canvas_.ProjectRect(rect, depth) : rect;
  const int iw = image.Width(), ih = image.Height();
  if (backImageMode_ == pbmTile) {
    for (int y = r.Top; y < r.Bottom; y += ih)
      for (int x = r.Left; x < r.Right; x += iw) canvas_.DrawGraphic(x, y, &image);
  } else {
    FillBackground(r);
    canvas_.DrawGraphic(r.Left + (r.Width() - iw) / 2, r.Top + (r.Height() - ih) / 2, &image);
  }
  while (canvas_.ClipDepth() > clipsBefore) canvas_.RemoveClip();
}

void TCustomPlotPanelExtended::DrawBevelsAndBorder(const TRect& rect) {
  if (PrintingNow) return;
  TCanvas& c = canvas_.Ref();
  c.Pen.SetStyle(psSolid);
  c.Pen.SetWidth(1);
  c.Pen.SetMode(pmCopy);
  c.Brush.SetStyle(bsClear);
  TRect r = rect;
  auto bevel = [&](TPanelBevel b) {
    if (b == bvNone) return;
    const TColor top = b == bvLowered ? clBtnShadow : clBtnHighlight;
    const TColor bottom = b == bvLowered ? clBtnHighlight : clBtnShadow;
    canvas_.BevelFrame(r, top, bottom, bevelWidth_);
    InflateRect(r, -bevelWidth_, -bevelWidth_);
  };
  bevel(bevelOuter_);
  if (borderWidth_ > 0 && color_ != clNone) {
    canvas_.BevelFrame(r, color_, color_, borderWidth_);
    InflateRect(r, -borderWidth_, -borderWidth_);
  }
  bevel(bevelInner_);
}

void TCustomPlotPanelExtended::PaintDragRect() {
  if (!canvas_.ReferenceCanvas()) return;
  TCanvas& dev = canvas_.Ref();
  const TColor c = ColorToRGB(color_ == clNone ? clWhite : color_);
  const TColor invert = 0xFFFFFF - c;
  const bool brush = zoom_.HasBrush() && zoom_.Brush().Style() != bsClear;
  if (zoom_.HasBrush())
    ApplyContrastBrush(ColorToRGB(zoom_.Brush().Color()) ^ invert, zoom_.Brush(), c);
  else
    dev.Brush.SetStyle(bsClear);
  TChartPen pen;
  pen.Assign(zoom_.Pen());
  pen.SetMode(pmNotXor);
  canvas_.ApplyPenColor(pen, ColorToRGB(zoom_.Pen().Color()) ^ invert);
  dev.Pen.SetMode(pmNotXor);
  if (!brush) canvas_.SetBackMode(TRANSPARENT);
  dev.Rectangle(zoom_.X0, zoom_.Y0, zoom_.X1, zoom_.Y1);
  dev.Pen.SetMode(pmCopy);
}

}  // namespace qv
