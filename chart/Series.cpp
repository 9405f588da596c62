// Line, area and point series: settings, stacking, margins, drawing of
// segments (2-D lines, 3-D ribbons, areas, stairs) with their pointers,
// legend symbols and the hit test.
#include "chart/Series.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "chart/ZezIdazi.h"

namespace qv {

TCustomSeries::TCustomSeries()
    : areaBrush_([this] { Repaint(); }),
      areaLinesPen_([this] { Repaint(); }),
      outLine_([this] { Repaint(); }),
      pointer_(this),
      gradient_([this] { Repaint(); }) {
  DrawBetweenPoints = true;
}

TCustomSeries::~TCustomSeries() = default;

void TCustomSeries::Assign(const TCustomChartElement& source) {
  if (auto* s = dynamic_cast<const TCustomSeries*>(&source); s && s != this) {
    clickableLine_ = s->clickableLine_;
    areaBrush_.Assign(s->areaBrush_);
    areaColor_ = s->areaColor_;
    areaLinesPen_.Assign(s->areaLinesPen_);
    colorEachLine_ = s->colorEachLine_;
    dark3D_ = s->dark3D_;
    drawArea_ = s->drawArea_;
    drawLine_ = s->drawLine_;
    invertedStairs_ = s->invertedStairs_;
    lineHeight_ = s->lineHeight_;
    pointer_.Assign(s->pointer_);
    stacked_ = s->stacked_;
    stairs_ = s->stairs_;
    outLine_.Assign(s->outLine_);
    areaTransparency_ = s->areaTransparency_;
    gradient_.Assign(s->gradient_);
  }
  TCustomLineSeries::Assign(source);
}

void TCustomSeries::SetParentChart(TCustomAxisPanel* chart) {
  TCustomLineSeries::SetParentChart(chart);
  // The pointer repaints the series' chart, and no chart once it has left.
  pointer_.SetParentChart(chart);
}

#define QV_SERIES_SETTER(Name, field, type) \
  void TCustomSeries::Set##Name(type v) {   \
    if (v == field) return;                 \
    field = v;                              \
    Repaint();                              \
  }
QV_SERIES_SETTER(AreaColor, areaColor_, TColor)
QV_SERIES_SETTER(ClickableLine, clickableLine_, bool)
QV_SERIES_SETTER(ColorEachLine, colorEachLine_, bool)
QV_SERIES_SETTER(Dark3D, dark3D_, bool)
QV_SERIES_SETTER(DrawArea, drawArea_, bool)
QV_SERIES_SETTER(DrawLine, drawLine_, bool)
QV_SERIES_SETTER(InvertedStairs, invertedStairs_, bool)
QV_SERIES_SETTER(LineHeight, lineHeight_, int)
QV_SERIES_SETTER(Stairs, stairs_, bool)
#undef QV_SERIES_SETTER

void TCustomSeries::SetAreaTransparency(int v) {
  v = std::clamp(v, 0, 100);
  if (v == areaTransparency_) return;
  areaTransparency_ = v;
  Repaint();
}

bool TCustomSeries::SameKind(const TChartSeries& other) const {
  // Series of one class stack together; the common base stacks with all.
  return typeid(other) == typeid(*this) || typeid(other) == typeid(TCustomSeries) ||
         typeid(*this) == typeid(TCustomSeries);
}

void TCustomSeries::SetStacked(TCustomSeriesStack v) {
  if (v == stacked_) return;
  stacked_ = v;
  if (parentChart_)
    for (TChartSeries* s : parentChart_->SeriesList())
      if (s != this && SameKind(*s))
        if (auto* c = dynamic_cast<TCustomSeries*>(s)) c->stacked_ = v;
  Repaint();
}

// ---- stacking -----------------------------------------------------------------------------------

double TCustomSeries::PointOrigin(int index, bool all) const {
  if (!parentChart_) return 0;
  double sum = 0;
  for (TChartSeries* s : parentChart_->SeriesList()) {
    if (!all && s == this) break;
    if (!s->Active() || !SameKind(*s) || s->Count() <= index) continue;
    const double v = s->MandatoryValueList().Value(index);
    if (v > 0) sum += v;
  }
  return sum;
}

namespace {
int StackedPosition(const TCustomSeries& s, const TChartAxis* axis, int index, double value,
                    TCustomSeriesStack stack) {
  if (!axis) return 0;
  if (stack == cssStack100) {
    const double total = s.PointOrigin(index, true);
    // All stacked values at 0 (or below) stand at 0 %.
    if (total == 0) return axis->ValueToPixelY(0);
    return axis->ValueToPixelY((s.PointOrigin(index, false) + value) * 100 / total);
  }
  return std::min(axis->ValueToPixelY(s.PointOrigin(index, false) + value), axis->EndPixel);
}
}  // namespace

int TCustomSeries::GetOriginPos(int index) const {
  const TChartAxis* axis = VertAxisObject();
  if (stacked_ == cssNone || stacked_ == cssOverlap) return axis ? axis->EndPixel : 0;
  return StackedPosition(*this, axis, index, 0, stacked_);
}

int TCustomSeries::CalcYPos(int index) const {
  if (stacked_ == cssStack || stacked_ == cssStack100)
    return StackedPosition(*this, VertAxisObject(), index, GetYValue(index), stacked_);
  return TCustomLineSeries::CalcYPos(index);
}

double TCustomSeries::MaxYValue() {
  if (stacked_ == cssStack100) return 100;
  double m = TCustomLineSeries::MaxYValue();
  if (stacked_ == cssStack)
    for (int i = 0; i < Count(); ++i) m = std::max(m, PointOrigin(i, false) + GetYValue(i));
  return m;
}

double TCustomSeries::MinYValue() {
  return stacked_ == cssStack100 ? 0 : TCustomLineSeries::MinYValue();
}

void TCustomSeries::CalcZOrder() {
  if (stacked_ == cssNone || !parentChart_) return TCustomLineSeries::CalcZOrder();
  // Stacked series share the current depth slot.
  int& highest = parentChart_->MaxZOrder;
  if (highest < 0) highest = 0;
  SetAutoZ(highest);
}

// ---- margins
// --------------------------------------------------------------------------------------

void TCustomSeries::CalcHorizMargins(int& leftMargin, int& rightMargin) {
  TCustomLineSeries::CalcHorizMargins(leftMargin, rightMargin);
  pointer_.CalcHorizMargins(leftMargin, rightMargin);
  if (drawLine_) {
    if (stairs_) {
      leftMargin = std::max(leftMargin, LinePen().Width());
      rightMargin = std::max(rightMargin, LinePen().Width());
    }
    if (outLine_.Visible()) {
      leftMargin = std::max(leftMargin, outLine_.Width());
      rightMargin = std::max(rightMargin, outLine_.Width());
    }
  }
}

void TCustomSeries::CalcVerticalMargins(int& topMargin, int& bottomMargin) {
  TCustomLineSeries::CalcVerticalMargins(topMargin, bottomMargin);
  pointer_.CalcVerticalMargins(topMargin, bottomMargin);
  if (drawLine_) {
    if (stairs_) {
      topMargin = std::max(topMargin, LinePen().Width());
      bottomMargin = std::max(bottomMargin, LinePen().Width() + 1);
    }
    if (outLine_.Visible()) {
      topMargin = std::max(topMargin, outLine_.Width());
      bottomMargin = std::max(bottomMargin, outLine_.Width());
    }
  }
  if (lineHeight_ >= 1 && !drawArea_ && parentChart_ && parentChart_->View3D() &&
      lineHeight_ > bottomMargin)
    bottomMargin = lineHeight_;
  if (Marks().Visible()) topMargin = std::max(topMargin, Marks().ArrowLength());
}

// ---- drawing
// --------------------------------------------------------------------------------------

void TCustomSeries::DrawAllValues() {
  if (!outLine_.Visible()) return TCustomLineSeries::DrawAllValues();
  // The outline first: the line drawn wider in the outline's colour, with
  // the pen and colour borrowed quietly (no repaint while drawing).
  auto notify = std::move(pen_.OnChange);
  pen_.OnChange = nullptr;
  TChartPen saved;
  saved.Assign(pen_);
  const TColor savedColor = SeriesColor();
  const int width = pen_.Width() + outLine_.Width() + 2;
  pen_.Assign(outLine_);
  pen_.SetVisible(true);
  pen_.SetWidth(width);
  StoreSeriesColor(outLine_.Color());
  TCustomLineSeries::DrawAllValues();
  pen_.Assign(saved);
  StoreSeriesColor(savedColor);
  pen_.OnChange = std::move(notify);
  TCustomLineSeries::DrawAllValues();
}

void TCustomSeries::BeginDrawValues() {
  prevColor_ = clNone;
  prevIndex_ = -1;
  firstSegment_ = true;
  const bool forward = DrawValuesForward();
  firstDraw_ = forward ? FirstVisibleIndex() : LastVisibleIndex();
  lastDraw_ = forward ? LastVisibleIndex() : FirstVisibleIndex();
  slope_ = 1;
}

TSeriesPointerStyle TCustomSeries::PointerStyleOf(int index) {
  return OnGetPointerStyle ? OnGetPointerStyle(this, index) : pointer_.Style();
}

void TCustomSeries::DrawPointer(int index, int x, int y, TColor color) {
  TCustomAxisPanel* chart = parentChart_;
  if (!chart) return;
  pointer_.PrepareCanvas(chart->Canvas(), color);
  pointer_.DrawPointer(x, y, color, PointerStyleOf(index));
}

void TCustomSeries::DrawValue(int index) {
  if (!parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  const TColor c = GetValueColor(index);
  const int x = CalcXPos(index), y = CalcYPos(index);
  if (c != clNone && canvas.Ref().Brush.Color() != ColorToRGB(c))
    canvas.Ref().Brush.SetColor(ColorToRGB(c));
  if (prevColor_ == clNone) {
    prevX_ = x;
    prevY_ = y;
  }
  const int origin = GetOriginPos(index);
  if (index == firstDraw_) {
    if (dark3D_) {
      const int w = parentChart_->SeriesWidth3D;
      slope_ = w == 0 ? 1.0 : std::fabs(double(parentChart_->SeriesHeight3D) / w);
    }
    if (index == FirstVisibleIndex() && index > 0) {
      // Points lie before the visible range: the line enters it from the
      // chart's edge.
      if (!drawArea_) {
        const TChartAxis* h = HorizAxisObject();
        const bool inverted = h && h->Inverted();
        prevX_ = inverted ? parentChart_->ChartRect.Right : parentChart_->ChartRect.Left;
        if (stairs_) {
          prevY_ = y;
        } else {
          const int x0 = CalcXPos(index - 1), y0 = CalcYPos(index - 1);
          prevY_ = x == x0 ? y : y0 + RoundInt(double(prevX_ - x0) * (y - y0) / (x - x0));
        }
      } else {
        prevX_ = x;
        prevY_ = y;
        prevOrigin_ = origin;
      }
      // No pointers on the segment that enters the range.
      if (c != clNone) DrawSegment(index, c, x, y, origin, false);
    }
    if (index == lastDraw_ && pointer_.Visible() && c != clNone) DrawPointer(index, x, y, c);
  } else {
    DrawSegment(index, c, x, y, origin, true);
  }
  prevX_ = x;
  prevY_ = y;
  prevOrigin_ = origin;
  prevColor_ = c;
  prevIndex_ = index;
}

void TCustomSeries::DrawSegment(int index, TColor c, int x, int y, int origin, bool pointers) {
  TCustomAxisPanel& chart = *parentChart_;
  TPlotCanvas3D& canvas = chart.Canvas();
  TCanvas& dev = canvas.Ref();
  const bool is3D = chart.View3D();
  const int px = prevX_, py = prevY_;
  const int z0 = StartZ, z1 = EndZ;
  const bool last = index == lastDraw_;
  if ((px != x || py != y) && c != clNone) {
    const TColor fill = !ColorEachPoint() && areaColor_ != clDefault ? areaColor_ : c;
    if (is3D && (drawArea_ || drawLine_)) {
      // A ribbon across the series' depth.
      canvas.ApplyPen(LinePen());
      canvas.ApplyBrushColor(brush_, fill, clNone);
      const TColor base = dev.Brush.Color();
      auto darken = [&] {
        if (dark3D_) canvas.DarkenBrush(fill, 64);
      };
      auto restore = [&] {
        dev.Brush.SetColor(base);
        canvas.ApplyBrushColor(brush_, fill, clNone);
      };
      if (!stairs_) {
        int planeY0 = py, planeY1 = y;
        if (lineHeight_ > 0 && !drawArea_) {
          const TPoint front[4] = {{x, y}, {px, py}, {px, py + lineHeight_}, {x, y + lineHeight_}};
          canvas.PolygonAtDepth(front, z0);
          if (last) canvas.SideRect3D(x, y, y + lineHeight_, z0, z1);
        }
        if (dark3D_ && !TPlotCanvas3D::SupportsFullRotation() && x != px && slope_ != 0 &&
            double(py - y) / (x - px) > slope_) {
          canvas.DarkenBrush(fill, 64);
          if (lineHeight_ > 0 && !drawArea_) {
            planeY0 += lineHeight_;
            planeY1 += lineHeight_;
          }
        }
        canvas.SlabAcrossDepth({px, planeY0}, {x, planeY1}, z0, z1);
        restore();
      } else if (!invertedStairs_) {
        canvas.SlabAcrossDepth({px, py}, {x, py}, z0, z1);
        darken();
        canvas.SlabAcrossDepth({x, py}, {x, y}, z0, z1);
        restore();
      } else {
        darken();
        canvas.SlabAcrossDepth({px, py}, {px, y}, z0, z1);
        restore();
        canvas.SlabAcrossDepth({px, y}, {x, y}, z0, z1);
      }
    }
    if (!drawArea_ && !is3D && drawLine_) {
      canvas.ApplyPenColor(LinePen(), colorEachLine_ ? c : SeriesColor());
      dev.Brush.SetStyle(bsClear);
      if (!stairs_) {
        canvas.Line(px, py, x, y);
      } else {
        const TPoint mid = invertedStairs_ ? TPoint{px, y} : TPoint{x, py};
        const TPoint pts[3] = {{px, py}, mid, {x, y}};
        dev.Polyline(pts);
      }
    }
    if (drawArea_) {
      const TColor areaFill = areaBrush_.Color() != clDefault ? areaBrush_.Color() : fill;
      if (areaLinesPen_.Visible() && areaLinesPen_.Color() != clDefault)
        canvas.ApplyPen(areaLinesPen_);
      else
        canvas.ApplyPenColor(areaLinesPen_.Visible() ? areaLinesPen_ : LinePen(), c);
      canvas.ApplyBrushColor(areaBrush_, areaFill, clNone);
      if (is3D && firstSegment_) canvas.SlabAcrossDepth({px, py}, {px, prevOrigin_}, z0, z1);
      if (!stairs_) {
        const TPoint quad[4] = {{px, prevOrigin_}, {px, py}, {x, y}, {x, origin}};
        TRect box(std::min(px, x), std::min({py, y, prevOrigin_, origin}), std::max(px, x) + 1,
                  std::max({py, y, prevOrigin_, origin}) + 1);
        if (is3D) box = canvas.ProjectRect(box, z0);
        std::unique_ptr<TPlotBlend> blend;
        if (areaTransparency_ > 0)
          blend = std::make_unique<TPlotBlend>(canvas, NormalizedRect(box));
        if (!is3D) {
          if (gradient_.Visible()) {
            const TChartAxis* v = VertAxisObject();
            canvas.ClipToPolygon(quad);
            gradient_.PaintInto(canvas, TRect(px, v ? v->StartPixel : py, x, v ? v->EndPixel : y));
            canvas.RemoveClip();
            dev.Brush.SetStyle(bsClear);
          }
          canvas.Polygon(quad);
        } else {
          canvas.PolygonAtDepth(quad, z0);
        }
        if (blend) blend->MixBack(areaTransparency_);
        if (LinePen().Visible()) {
          canvas.ApplyPenColor(LinePen(), colorEachLine_ ? c : SeriesColor());
          canvas.LineAtDepth(px, py, x, y, is3D ? z0 : 0);
        }
      } else {
        const TRect r(std::min(px, x), invertedStairs_ ? y : py, std::max(px, x), origin);
        if (is3D) {
          canvas.RectAtDepth(NormalizedRect(r), z0);
        } else {
          if (gradient_.Visible()) {
            gradient_.PaintInto(canvas, NormalizedRect(r));
            dev.Brush.SetStyle(bsClear);
          }
          const TRect n = NormalizedRect(r);
          canvas.Rectangle(n.Left, n.Top, n.Right, n.Bottom);
        }
      }
    }
    firstSegment_ = false;
  }
  // Each pointer is drawn over the segments on both of its sides.
  if (pointers && pointer_.Visible()) {
    if (prevColor_ != clNone && prevIndex_ >= 0) DrawPointer(prevIndex_, px, py, prevColor_);
    if (last && c != clNone) DrawPointer(index, x, y, c);
  }
}

void TCustomSeries::DrawMark(int index, const std::string& text, TSeriesMarkPosition& position) {
  Marks().ZPosition = StartZ;
  Marks().ApplyArrowLength(position);
  TCustomLineSeries::DrawMark(index, text, position);
}

// ---- legend
// ---------------------------------------------------------------------------------------

void TCustomSeries::DrawLegendLine(const TRect& rect) {
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  canvas.ApplyPenColor(LinePen(), SeriesColor());
  if (parentChart_->View3D()) {
    canvas.ApplyBrushColor(brush_, SeriesColor(), clNone);
    canvas.Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom);
  } else {
    canvas.Ref().Brush.SetStyle(bsClear);
    const int y = (rect.Top + rect.Bottom) / 2;
    canvas.Line(rect.Left, y, rect.Right, y);
  }
}

void TCustomSeries::DrawLegendShape(int valueIndex, const TRect& rect) {
  if (!parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  const TColor color = valueIndex == -1 ? SeriesColor() : ValueColor(valueIndex);
  if (pointer_.Visible()) {
    if (drawLine_) DrawLegendLine(rect);
    pointer_.DrawLegendShape(color, rect, LinePen().Visible());
  } else if (drawLine_ && !drawArea_) {
    DrawLegendLine(rect);
  } else {
    TCustomLineSeries::DrawLegendShape(valueIndex, rect);
  }
}

// ---- hit test -----------------------------------------------------------------------------------

bool TCustomSeries::ClickedPointer(int index, int px, int py, int x, int y) {
  if (PointerStyleOf(index) == psNothing) return false;
  return std::abs(x - px) < pointer_.HorizSize() && std::abs(y - py) < pointer_.VertSize();
}

int TCustomSeries::Clicked(int x, int y) {
  if (parentChart_) parentChart_->Canvas().ScreenToWorld(x, y, StartZ);
  const int first = FirstVisibleIndex(), last = LastVisibleIndex();
  if (first < 0 || last < 0) return -1;
  const TPoint p{x, y};
  const bool is3D = parentChart_ && parentChart_->View3D();
  const int w3 = parentChart_ ? parentChart_->SeriesWidth3D : 0;
  const int h3 = parentChart_ ? parentChart_->SeriesHeight3D : 0;
  TPoint prev;
  int prevOrigin = 0;
  for (int i = first; i <= last; ++i) {
    const TPoint here{CalcXPos(i), CalcYPos(i)};
    if (pointer_.Visible() && ClickedPointer(i, here.X, here.Y, x, y)) {
      if (OnClickPointer) OnClickPointer(this, i, x, y);
      return i;
    }
    if (here == p) return i;
    const int origin = GetOriginPos(i);
    if (i > first && clickableLine_) {
      bool onLine;
      if (is3D) {
        const TPoint quad[4] = {prev, {prev.X + w3, prev.Y - h3}, {here.X + w3, here.Y - h3}, here};
        onLine = PointInsidePolygon(p, quad);
      } else if (stairs_) {
        const int yh = invertedStairs_ ? here.Y : prev.Y;
        const int xv = invertedStairs_ ? prev.X : here.X;
        onLine = PointNearSegment(p, {prev.X, yh}, {here.X, yh}) ||
                 PointNearSegment(p, {xv, prev.Y}, {xv, here.Y});
      } else {
        onLine = PointNearSegment(p, prev, here);
      }
      if (onLine) return i - 1;
      if (drawArea_) {
        const TPoint area[4] = {prev, here, {here.X, origin}, {prev.X, prevOrigin}};
        if (PointInsidePolygon(p, area)) return i - 1;
      }
    }
    prev = here;
    prevOrigin = origin;
  }
  return -1;
}

// ---- line and point series
// ------------------------------------------------------------------------

TLineSeries::TLineSeries() {
  drawLine_ = true;
  pointer_.SetVisible(false);
}

void TLineSeries::Assign(const TCustomChartElement& source) {
  TCustomSeries::Assign(source);
  if (!dynamic_cast<const TLineSeries*>(&source)) pointer_.SetVisible(false);
  drawArea_ = false;
  drawLine_ = true;
}

std::vector<std::string> TLineSeries::SubGalleryStyles() const {
  return {std::string(SGalleryNormal), std::string(SStyleStairs),  std::string(SStylePoints),
          std::string(SStyleHeight),   std::string(SStyleHollow),  std::string(SStyleColors),
          std::string(SStyleMarks),    std::string(SStyleNoBorder)};
}

void TLineSeries::ApplySubGalleryStyle(int index) {
  switch (index) {
    case 1:
      SetStairs(true);
      break;
    case 2:
      pointer_.SetVisible(true);
      break;
    case 3:
      SetLineHeight(5);
      break;
    case 4:
      SetLineBrush(bsClear);
      break;
    case 5:
      SetColorEachPoint(true);
      break;
    case 6:
      Marks().SetVisible(true);
      break;
    case 7:
      LinePen().SetVisible(false);
      break;
    default:
      break;
  }
}

TPointSeries::TPointSeries() {
  pointer_.SetVisible(true);
  drawArea_ = drawLine_ = clickableLine_ = false;
  Marks().SetArrowLength(0);
}

void TPointSeries::Assign(const TCustomChartElement& source) {
  TCustomSeries::Assign(source);
  pointer_.SetVisible(true);
  drawArea_ = drawLine_ = clickableLine_ = false;
}

void TPointSeries::SetColorEachPoint(bool v) {
  TCustomSeries::SetColorEachPoint(v);
  if (v) pointer_.Brush().SetColor(clDefault);
}

std::vector<std::string> TPointSeries::SubGalleryStyles() const {
  std::vector<std::string> styles = {std::string(SGalleryNormal), std::string(SStyleColors),
                                     std::string(SStyleMarks), std::string(SStyleHollow),
                                     std::string(SStyleNoBorder)};
  if (HasPointerGallery())
    for (std::string_view s : {SStylePoint2D, SStyleTriangle, SStyleStar, SStyleCircle,
                               SStyleDownTriangle, SStyleCross, SStyleDiamond})
      styles.emplace_back(s);
  return styles;
}

void TPointSeries::ApplySubGalleryStyle(int index) {
  switch (index) {
    case 1:
      SetColorEachPoint(true);
      break;
    case 2:
      Marks().SetVisible(true);
      break;
    case 3:
      pointer_.Brush().SetStyle(bsClear);
      break;
    case 4:
      pointer_.Pen().SetVisible(false);
      break;
    case 5:
      pointer_.SetDraw3D(false);
      break;
    case 6:
      pointer_.SetStyle(psTriangle);
      break;
    case 7:
      pointer_.SetStyle(psStar);
      break;
    case 8:
      pointer_.SetStyle(psCircle);
      pointer_.SetHorizSize(8);
      pointer_.SetVertSize(8);
      break;
    case 9:
      pointer_.SetStyle(psDownTriangle);
      break;
    case 10:
      pointer_.SetStyle(psCross);
      break;
    case 11:
      pointer_.SetStyle(psDiamond);
      break;
    default:
      break;
  }
}

void TPointSeries::PrepareForGallery(int galleryHeight, bool secondSeries) {
  const int size = galleryHeight < 50 ? 4 : 6;
  pointer_.SetHorizSize(size);
  pointer_.SetVertSize(size);
  if (secondSeries) pointer_.SetStyle(psTriangle);
}

}  // namespace qv
