// The series pointer: settings, margins, canvas preparation and drawing
// of one marker, flat or as a solid.
#include <algorithm>

#include "chart/Series.h"
#include "chart/ZezIdazi.h"

namespace qv {

TSeriesPointer::TSeriesPointer(TChartSeries* owner)
    : TPlotCustomShapeBrushPen(owner ? owner->ParentChart() : nullptr), owner_(owner) {}

void TSeriesPointer::Changed() {
  if (owner_) owner_->Repaint();
}

void TSeriesPointer::Assign(const TPlotCustomShapeBrushPen& source) {
  if (auto* p = dynamic_cast<const TSeriesPointer*>(&source)) {
    dark3D_ = p->dark3D_;
    draw3D_ = p->draw3D_;
    horizSize_ = p->horizSize_;
    inflateMargins_ = p->inflateMargins_;
    style_ = p->style_;
    vertSize_ = p->vertSize_;
  }
  TPlotCustomShapeBrushPen::Assign(source);
  Changed();
}

#define QV_POINTER_SETTER(Name, field, type) \
  void TSeriesPointer::Set##Name(type v) {   \
    if (v == field) return;                  \
    field = v;                               \
    Changed();                               \
  }
QV_POINTER_SETTER(Dark3D, dark3D_, bool)
QV_POINTER_SETTER(Draw3D, draw3D_, bool)
QV_POINTER_SETTER(InflateMargins, inflateMargins_, bool)
QV_POINTER_SETTER(Style, style_, TSeriesPointerStyle)
#undef QV_POINTER_SETTER

void TSeriesPointer::SetHorizSize(int v) {
  if (v < 1) throw ChartException(std::string(SPointerSizeNotPositive));
  if (v == horizSize_) return;
  horizSize_ = v;
  Changed();
}

void TSeriesPointer::SetVertSize(int v) {
  if (v < 1) throw ChartException(std::string(SPointerSizeNotPositive));
  if (v == vertSize_) return;
  vertSize_ = v;
  Changed();
}

void TSeriesPointer::CalcHorizMargins(int& leftMargin, int& rightMargin) const {
  if (!Visible() || !inflateMargins_) return;
  leftMargin = std::max(leftMargin, horizSize_ + 1);
  rightMargin = std::max(rightMargin, horizSize_ + 1);
}

void TSeriesPointer::CalcVerticalMargins(int& topMargin, int& bottomMargin) const {
  if (!Visible() || !inflateMargins_) return;
  topMargin = std::max(topMargin, vertSize_ + 1);
  bottomMargin = std::max(bottomMargin, vertSize_ + 1);
}

void TSeriesPointer::PrepareCanvas(TPlotCanvas3D& canvas, TColor color) {
  TChartPen& pen = Pen();
  if (!pen.Visible()) {
    if (canvas.Ref().Pen.Style() != psClear) canvas.Ref().Pen.SetStyle(psClear);
  } else if (pen.Color() != clDefault) {
    canvas.ApplyPen(pen);
  } else {
    canvas.ApplyPenColor(pen, color);
  }
  TColor fill = Brush().Color();
  if (fill == clDefault) fill = Brush().Style() == bsSolid ? color : clBlack;
  canvas.ApplyBrush(Brush(), fill);
}

void TSeriesPointer::Draw(TPlotCanvas3D& canvas, bool is3D, int x, int y, int h, int v,
                          TColor color, TSeriesPointerStyle style) {
  const int left = x - h, right = x + h, top = y - v, bottom = y + v;
  const int z0 = owner_ ? owner_->StartZ : 0, z1 = owner_ ? owner_->EndZ : 0;
  const int zm = owner_ ? owner_->MiddleZ : 0;
  auto crossLines = [&] {
    canvas.ApplyPenColor(Pen(), color);
    if (is3D) {
      canvas.VerticalLine3D(x, top, bottom + 1, z0);
      canvas.HorizontalLine3D(left, right + 1, y, z0);
    } else {
      canvas.VerticalLine(x, top, bottom + 1);
      canvas.HorizontalLine(left, right + 1, y);
    }
  };
  auto diagLines = [&] {
    canvas.ApplyPenColor(Pen(), color);
    if (is3D) {
      canvas.LineAtDepth(left, top, right + 1, bottom + 1, z0);
      canvas.LineAtDepth(right, top, left - 1, bottom + 1, z0);
    } else {
      canvas.Line(left, top, right + 1, bottom + 1);
      canvas.Line(right, top, left - 1, bottom + 1);
    }
  };
  switch (style) {
    case psRectangle:
      if (!is3D)
        canvas.Rectangle(left, top, right + 1, bottom + 1);
      else if (draw3D_)
        canvas.Box3D(left, right, top, bottom, z0, z1, dark3D_);
      else
        canvas.RectAtDepth(TRect(left, top, right, bottom), z0);
      break;
    case psCircle:
      if (!is3D)
        canvas.Ellipse(left, top, right, bottom);
      else if (draw3D_ && TPlotCanvas3D::SupportsFullRotation())
        canvas.Ball3D(x, y, zm, h);
      else
        canvas.EllipseAtDepth(left, top, right, bottom, z0);
      break;
    case psTriangle:
    case psDownTriangle: {
      const bool up = style == psTriangle;
      const TPoint pts[3] = {
          {left, up ? bottom : top}, {right, up ? bottom : top}, {x, up ? top : bottom}};
      if (!is3D)
        canvas.Polygon(pts);
      else if (draw3D_)
        canvas.Pyramid3D(true, left, up ? top : bottom, right, up ? bottom : top, z0, z1, dark3D_);
      else
        canvas.TriangleAtDepth(pts[0], pts[1], pts[2], z0);
      break;
    }
    case psCross:
      crossLines();
      break;
    case psDiagCross:
      diagLines();
      break;
    case psStar:
      crossLines();
      diagLines();
      break;
    case psDiamond: {
      const TPoint pts[4] = {{left, y}, {x, top}, {right, y}, {x, bottom}};
      if (is3D)
        canvas.PolygonAtDepth(pts, z0);
      else
        canvas.Polygon(pts);
      break;
    }
    case psSmallDot:
      if (is3D)
        canvas.PixelAtDepth(x, y, zm, color);
      else
        canvas.SetPixel(x, y, ColorToRGB(color));
      break;
    case psNothing:
      break;
  }
}

void TSeriesPointer::DrawPointer(int x, int y, TColor color, TSeriesPointerStyle style) {
  TCustomAxisPanel* chart = owner_ ? owner_->ParentChart() : nullptr;
  if (!chart || !chart->Canvas().ReferenceCanvas()) return;
  Draw(chart->Canvas(), chart->View3D(), x, y, horizSize_, vertSize_, color, style);
}

void TSeriesPointer::DrawLegendShape(TColor color, const TRect& rect, bool lineVisible) {
  TCustomAxisPanel* chart = owner_ ? owner_->ParentChart() : nullptr;
  if (!chart || !chart->Canvas().ReferenceCanvas()) return;
  int a, b;
  if (lineVisible) {
    a = rect.Width() / 3;
    b = rect.Height() / 3;
  } else {
    a = rect.Width() / 2 + 1;
    b = rect.Height() / 2 + 1;
  }
  PrepareCanvas(chart->Canvas(), color);
  Draw(chart->Canvas(), false, (rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2,
       std::min(horizSize_, a), std::min(vertSize_, b), color, style_);
}

}  // namespace qv
