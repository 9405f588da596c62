// Chart drawing attributes: pens, brushes, fonts, shadow, gradients and the
// 3-D view options, and the colour helpers.
#include "chart/PlotCanvas.h"

#include <algorithm>
#include <cmath>

#include "chart/DovOrara.h"
#include "chart/ZezIdazi.h"

namespace qv {

namespace {
std::function<void(TGraphicsObject*)> Wrap(TPlotChangeEvent e) {
  if (!e) return {};
  return [e = std::move(e)](TGraphicsObject*) { e(); };
}
}  // namespace

// ---- pens ---------------------------------------------------------------------------

TChartPen::TChartPen(TPlotChangeEvent onChange) { OnChange = Wrap(std::move(onChange)); }

void TChartPen::SetEndStyle(TPenEndStyle v) {
  if (v == endStyle_) return;
  endStyle_ = v;
  Changed();
}

void TChartPen::SetSmallDots(bool v) {
  if (v == smallDots_) return;
  smallDots_ = v;
  Changed();
}

void TChartPen::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed();
}

void TChartPen::Assign(const TPen& src) {
  if (auto* p = dynamic_cast<const TChartPen*>(&src)) {
    endStyle_ = p->endStyle_;
    smallDots_ = p->smallDots_;
    visible_ = p->visible_;
  }
  TPen::Assign(src);
}

TChartHiddenPen::TChartHiddenPen(TPlotChangeEvent onChange) : TChartPen(std::move(onChange)) {
  InitVisible(false);
}

TDottedGrayPen::TDottedGrayPen(TPlotChangeEvent onChange) : TChartPen() {
  SetColor(clGray);
  SetStyle(psDot);
  OnChange = Wrap(std::move(onChange));
}

TDarkGrayPen::TDarkGrayPen(TPlotChangeEvent onChange) : TChartPen() {
  SetColor(clGray);
  OnChange = Wrap(std::move(onChange));
}

TChartArrowPen::TChartArrowPen(TPlotChangeEvent onChange) : TChartPen() {
  SetColor(clWhite);
  OnChange = Wrap(std::move(onChange));
}

TChartAxisPen::TChartAxisPen(TPlotChangeEvent onChange) : TChartPen() {
  SetWidth(2);
  OnChange = Wrap(std::move(onChange));
}

// ---- brush ----------------------------------------------------------------------------

TChartBrush::TChartBrush(TPlotChangeEvent onChange) {
  SetColor(clDefault);
  OnChange = Wrap(std::move(onChange));
}

TImage& TChartBrush::Image() {
  if (!image_) image_ = std::make_shared<TImage>();
  return *image_;
}

void TChartBrush::SetImage(const TImage* image) {
  if (!image || image->Empty())
    image_.reset();
  else
    image_ = std::make_shared<TImage>(*image);
  Changed();
}

void TChartBrush::Assign(const TBrush& src) {
  if (auto* b = dynamic_cast<const TChartBrush*>(&src))
    image_ = b->image_ ? std::make_shared<TImage>(*b->image_) : nullptr;
  TBrush::Assign(src);
}

// ---- shadow ------------------------------------------------------------------------------

void TPlotShadow::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}
void TPlotShadow::SetHorizSize(int v) {
  if (v == horizSize_) return;
  horizSize_ = v;
  Changed();
}
void TPlotShadow::SetVertSize(int v) {
  if (v == vertSize_) return;
  vertSize_ = v;
  Changed();
}
void TPlotShadow::Assign(const TPlotShadow& src) {
  color_ = src.color_;
  horizSize_ = src.horizSize_;
  vertSize_ = src.vertSize_;
  Changed();
}

// ---- gradients -------------------------------------------------------------------------------

void TCustomPlotGradient::SetDirection(TGradientDirection v) {
  if (v == direction_) return;
  direction_ = v;
  Changed();
}
void TCustomPlotGradient::SetEndColor(TColor v) {
  if (v == endColor_) return;
  endColor_ = v;
  Changed();
}
void TCustomPlotGradient::SetStartColor(TColor v) {
  if (v == startColor_) return;
  startColor_ = v;
  Changed();
}
void TCustomPlotGradient::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed();
}
void TCustomPlotGradient::SetMidColor(TColor v) {
  if (v == clNone) {
    if (!hasMidColor_) return;
    hasMidColor_ = false;
  } else {
    if (hasMidColor_ && v == midColor_) return;
    hasMidColor_ = true;
    midColor_ = v;
  }
  Changed();
}
void TCustomPlotGradient::Assign(const TCustomPlotGradient& src) {
  direction_ = src.direction_;
  endColor_ = src.endColor_;
  midColor_ = src.midColor_;
  hasMidColor_ = src.hasMidColor_;
  startColor_ = src.startColor_;
  visible_ = src.visible_;
  Changed();
}

void TPlotFontGradient::SetOutline(bool v) {
  if (v == outline_) return;
  outline_ = v;
  Changed();
}
void TPlotFontGradient::Assign(const TCustomPlotGradient& src) {
  if (auto* g = dynamic_cast<const TPlotFontGradient*>(&src)) outline_ = g->outline_;
  TCustomPlotGradient::Assign(src);
}

// ---- font -----------------------------------------------------------------------------------

std::string PlotDefaultFontName() { return std::string(SDefaultFontName); }

int PlotDefaultFontSize() {
  int v = 8;
  return TryStrToInt(SDefaultFontSize, v) ? v : 8;
}

TPlotFont::TPlotFont(TPlotChangeEvent onChange) : notify_(onChange) {
  SetName(PlotDefaultFontName());
  SetSize(PlotDefaultFontSize());
  SetColor(clBlack);
  SetCharset(DEFAULT_CHARSET);
  OnChange = Wrap(std::move(onChange));
}

TPlotFont::~TPlotFont() = default;

void TPlotFont::SetInterCharSize(int v) {
  if (v == interCharSize_) return;
  interCharSize_ = v;
  Changed();
}

TPlotFontGradient& TPlotFont::Gradient() {
  if (!gradient_) gradient_ = std::make_unique<TPlotFontGradient>(notify_);
  return *gradient_;
}

TChartHiddenPen& TPlotFont::OutLine() {
  if (!outline_) outline_ = std::make_unique<TChartHiddenPen>(notify_);
  return *outline_;
}

TPlotShadow& TPlotFont::Shadow() {
  if (!shadow_) shadow_ = std::make_unique<TPlotShadow>(notify_);
  return *shadow_;
}

void TPlotFont::Assign(const TFont& src) {
  if (auto* f = dynamic_cast<const TPlotFont*>(&src)) {
    interCharSize_ = f->interCharSize_;
    if (f->gradient_) Gradient().Assign(*f->gradient_);
    if (f->outline_) OutLine().Assign(*f->outline_);
    if (f->shadow_) Shadow().Assign(*f->shadow_);
  }
  TFont::Assign(src);
}

// ---- 3-D view options ---------------------------------------------------------------------------

void TView3DOptions::Repaint() {
  if (panel_) panel_->Invalidate();
}

#define QV_VIEW_SETTER(Name, field, type)  \
  void TView3DOptions::Set##Name(type v) { \
    if (v == field) return;                \
    field = v;                             \
    Repaint();                             \
  }
QV_VIEW_SETTER(Elevation, elevation_, int)
QV_VIEW_SETTER(OrthoAngle, orthoAngle_, int)
QV_VIEW_SETTER(Orthogonal, orthogonal_, bool)
QV_VIEW_SETTER(Perspective, perspective_, int)
QV_VIEW_SETTER(Rotation, rotation_, int)
QV_VIEW_SETTER(Tilt, tilt_, int)
QV_VIEW_SETTER(ZoomText, zoomText_, bool)
#undef QV_VIEW_SETTER

void TView3DOptions::SetHorizOffset(int v) {
  if (v == horizOffset_) return;
  horizOffset_ = v;
  Repaint();
  if (ScrollNotify) ScrollNotify(true);
}

void TView3DOptions::SetVertOffset(int v) {
  if (v == vertOffset_) return;
  vertOffset_ = v;
  Repaint();
  if (ScrollNotify) ScrollNotify(false);
}

void TView3DOptions::SetZoom(int v) {
  if (v == zoom_) return;
  if (ZoomNotify) ZoomNotify(v);
  zoom_ = v;
  Repaint();
}

double TView3DOptions::OrthoSlope() const {
  if (!orthogonal_) return 1.0;
  double a = orthoAngle_;
  if (a > 90) a = 180 - a;
  return std::tan(a * M_PI / 180.0);
}

void TView3DOptions::Assign(const TView3DOptions& s) {
  elevation_ = s.elevation_;
  horizOffset_ = s.horizOffset_;
  orthoAngle_ = s.orthoAngle_;
  orthogonal_ = s.orthogonal_;
  perspective_ = s.perspective_;
  rotation_ = s.rotation_;
  tilt_ = s.tilt_;
  vertOffset_ = s.vertOffset_;
  zoom_ = s.zoom_;
  zoomText_ = s.zoomText_;
  Repaint();
}

// ---- colours ------------------------------------------------------------------------------------

TColor DarkenColor(TColor color, int amount) {
  const TColor c = ColorToRGB(color);
  const int r = std::max(0, GetRValue(c) - amount);
  const int g = std::max(0, GetGValue(c) - amount);
  const int b = std::max(0, GetBValue(c) - amount);
  return RGB(r, g, b);
}

TColor GrayOfColor(TColor color) {
  const TColor c = ColorToRGB(color);
  const int v = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
  return RGB(v, v, v);
}

}  // namespace qv
