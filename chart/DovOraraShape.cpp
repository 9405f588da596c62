// Framed shapes: the brush, frame and visibility of chart elements, and the
// shape with shadow, gradient, bevel, rotation and transparency that
// titles, the legend, marks, axis titles and walls are drawn as.
#include <algorithm>
#include <cmath>

#include "chart/DovOrara.h"

namespace qv {

// ---- brush and pen of a shape ------------------------------------------------------

TPlotCustomShapeBrushPen::TPlotCustomShapeBrushPen(TCustomPlotPanel* parent)
    : parent_(parent), brush_([this] { Repaint(); }), pen_([this] { Repaint(); }) {}

void TPlotCustomShapeBrushPen::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Repaint();
}

void TPlotCustomShapeBrushPen::Assign(const TPlotCustomShapeBrushPen& s) {
  brush_.Assign(s.brush_);
  pen_.Assign(s.pen_);
  visible_ = s.visible_;
  Repaint();
}

// ---- the shape ------------------------------------------------------------------------

TPlotCustomShape::TPlotCustomShape(TCustomPlotPanel* parent)
    : TPlotCustomShapeBrushPen(parent), font_([this] { Repaint(); }) {}

TPlotCustomShape::~TPlotCustomShape() = default;

#define QV_SHAPE_SETTER(Name, field, type)   \
  void TPlotCustomShape::Set##Name(type v) { \
    if (v == field) return;                  \
    field = v;                               \
    Repaint();                               \
  }
QV_SHAPE_SETTER(Bevel, bevel_, TPanelBevel)
QV_SHAPE_SETTER(BevelWidth, bevelWidth_, int)
QV_SHAPE_SETTER(Color, color_, TColor)
QV_SHAPE_SETTER(ShadowColor, shadowColor_, TColor)
QV_SHAPE_SETTER(ShadowSize, shadowSize_, int)
QV_SHAPE_SETTER(ShapeStyle, shapeStyle_, TChartObjectShapeStyle)
QV_SHAPE_SETTER(Transparent, transparent_, bool)
#undef QV_SHAPE_SETTER

void TPlotCustomShape::SetTransparency(int v) {
  v = std::clamp(v, 0, 100);
  if (v == transparency_) return;
  transparency_ = v;
  Repaint();
}

TPlotGradient& TPlotCustomShape::Gradient() {
  if (!gradient_) {
    gradient_ = NewGradient();
    gradient_->OnChange = [this] { Repaint(); };
  }
  return *gradient_;
}

void TPlotCustomShape::Assign(const TPlotCustomShapeBrushPen& source) {
  if (auto* s = dynamic_cast<const TPlotCustomShape*>(&source)) {
    bevel_ = s->bevel_;
    bevelWidth_ = s->bevelWidth_;
    color_ = s->color_;
    font_.Assign(s->font_);
    if (s->gradient_)
      Gradient().Assign(*s->gradient_);
    else
      gradient_.reset();
    shapeStyle_ = s->shapeStyle_;
    shadowColor_ = s->shadowColor_;
    shadowSize_ = s->shadowSize_;
    transparent_ = s->transparent_;
  }
  TPlotCustomShapeBrushPen::Assign(source);
}

void TPlotCustomShape::PaintShape() {
  if (!parent_) return;
  TPlotCanvas3D& surface = parent_->Canvas();
  if (transparency_ > 0) {
    TPlotBlend blend(surface, ShapeBounds);
    DrawShapeRotated(ShapeBounds, 0, 0);
    blend.MixBack(transparency_);
  } else {
    DrawShapeRotated(ShapeBounds, 0, 0);
  }
}

namespace {
// The four corners of Rect turned by Angle degrees about its centre.
std::vector<TPoint> RotatedCorners(const TRect& r, int angle) {
  int cx, cy;
  RectMiddle(r, cx, cy);
  double s, c;
  SineCosine(angle * M_PI / 180.0, s, c);
  const TPoint corners[] = {
      {r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
  std::vector<TPoint> out;
  for (const TPoint& p : corners) {
    const double x = p.X - cx, y = p.Y - cy;
    out.push_back({RoundInt(x * c + y * s) + cx, RoundInt(-x * s + y * c) + cy});
  }
  return out;
}
}  // namespace

void TPlotCustomShape::DrawShapeRotated(const TRect& rect, int angle, int z) {
  if (transparent_ || !parent_) return;
  TPlotCanvas3D& surface = parent_->Canvas();
  if (!surface.ReferenceCanvas()) return;
  TCanvas& dev = surface.Ref();
  const bool round = shapeStyle_ == fosRoundRectangle;
  auto outline = [&](const TRect& r) {
    if (angle >= 1) {
      surface.PolygonAtDepth(RotatedCorners(r, angle), z);
    } else if (TPlotCanvas3D::SupportsFullRotation()) {
      surface.RectAtDepth(r, z);
    } else if (round) {
      surface.RoundRect(r.Left, r.Top, r.Right, r.Bottom, 16, 16);
    } else {
      surface.RectOutline(r);
    }
  };
  // 1. The shadow, shifted right and down (further by a visible frame).
  if (shadowSize_ != 0 && Brush().Style() != bsClear && !TPlotCanvas3D::SupportsFullRotation()) {
    int s = shadowSize_;
    if (Pen().Visible() && shadowSize_ > 0) s += Pen().Width();
    TRect shadow = rect;
    OffsetRect(shadow, s, s);
    dev.Pen.SetStyle(psClear);
    dev.Brush.SetBitmap(nullptr);
    dev.Brush.SetStyle(bsSolid);
    dev.Brush.SetColor(ColorToRGB(shadowColor_));
    outline(shadow);
  }
  // 2. The fill: a gradient (unrotated shapes only) or the brush.
  if (gradient_ && gradient_->Visible() && angle == 0) {
    gradient_->PaintInto(surface, rect, round ? 16 : 0);
    dev.Brush.SetStyle(bsClear);
  } else {
    surface.ApplyBrush(Brush(), color_);
  }
  // 3. The frame and 4. the outline.
  surface.ApplyPen(Pen());
  outline(rect);
  // 5. The bevel inside the outline.
  if (bevel_ != bvNone) {
    const TColor top = bevel_ == bvLowered ? clBtnShadow : clBtnHighlight;
    const TColor bottom = bevel_ == bvLowered ? clBtnHighlight : clBtnShadow;
    TRect r = rect;
    if (Pen().Visible()) InflateRect(r, -1, -1);
    surface.BevelFrame(r, top, bottom, bevelWidth_);
  }
}

}  // namespace qv
