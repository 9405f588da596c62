// The fast line series: one polyline through the visible points, at most
// one point per pixel column without DrawAllPoints, and live segments for
// points added while AutoRepaint is off.
#include <algorithm>

#include "chart/Series.h"
#include "chart/ZezIdazi.h"

namespace qv {

namespace {
// Points per polyline call: long lines go out in pieces that share their
// end points.
constexpr std::size_t kPolylineChunk = 4096;
}  // namespace

TFastLineSeries::TFastLineSeries() { DrawBetweenPoints = true; }

void TFastLineSeries::Assign(const TCustomChartElement& source) {
  if (auto* s = dynamic_cast<const TFastLineSeries*>(&source)) {
    AutoRepaint = s->AutoRepaint;
    drawAllPoints_ = s->drawAllPoints_;
  }
  TCustomLineSeries::Assign(source);
}

void TFastLineSeries::SetPen(const TChartPen& v) {
  TCustomLineSeries::SetPen(v);
  TCustomLineSeries::SetSeriesColor(pen_.Color());
}

void TFastLineSeries::SetSeriesColor(TColor v) {
  TCustomLineSeries::SetSeriesColor(v);
  pen_.SetColor(v);
}

void TFastLineSeries::SetDrawAllPoints(bool v) {
  if (v == drawAllPoints_) return;
  drawAllPoints_ = v;
  Repaint();
}

void TFastLineSeries::PrepareCanvas() {
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  canvas.ApplyPen(LinePen());
  parentChart_->PrinterPenWidth(canvas.Ref().Pen);
  canvas.Ref().Brush.SetStyle(bsClear);
  canvas.SetBackMode(TRANSPARENT);
}

void TFastLineSeries::Flush() {
  if (path_.size() >= 2 && parentChart_) parentChart_->Canvas().Ref().Polyline(path_);
  path_.clear();
}

void TFastLineSeries::MoveTo(int x, int y) {
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  const TPoint p = parentChart_->View3D() ? canvas.ProjectPoint(x, y, MiddleZ) : TPoint{x, y};
  if (!batching_) {
    canvas.Ref().MoveTo(p.X, p.Y);
    return;
  }
  Flush();
  path_.push_back(p);
}

void TFastLineSeries::LineTo(int x, int y) {
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  const TPoint p = parentChart_->View3D() ? canvas.ProjectPoint(x, y, MiddleZ) : TPoint{x, y};
  ++lineCalls_;
  if (!batching_) {
    canvas.Ref().LineTo(p.X, p.Y);
    return;
  }
  path_.push_back(p);
  if (path_.size() >= kPolylineChunk) {
    Flush();
    path_.push_back(p);
  }
}

void TFastLineSeries::BeginDrawValues() {
  if (!parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  PrepareCanvas();
  lineCalls_ = 0;
  broken_ = true;
}

int TFastLineSeries::NextColumn(int i, int last) const {
  if (CalcXPos(i) != LastX) return i;
  // Gallop while the column stays the same, then halve the last step.
  int lo = i, step = 1;
  while (lo + step <= last && CalcXPos(lo + step) == LastX) {
    lo += step;
    step *= 2;
  }
  int hi = std::min(lo + step, last + 1);  // first index known (or assumed) past the column
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    if (CalcXPos(mid) == LastX)
      lo = mid;
    else
      hi = mid;
  }
  return hi;
}

void TFastLineSeries::DrawAllValues() {
  if (!parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  const int f = FirstVisibleIndex(), l = LastVisibleIndex();
  if (f < 0) return;
  PrepareCanvas();
  lineCalls_ = 0;
  batching_ = true;
  path_.clear();
  LastX = CalcXPos(f);
  LastY = CalcYPos(f);
  broken_ = IsNull(f);
  if (!broken_) {
    // The line enters the visible range from the point before it.
    if (f < 1 || IsNull(f - 1)) {
      MoveTo(LastX, LastY);
    } else {
      MoveTo(CalcXPos(f - 1), CalcYPos(f - 1));
      LineTo(LastX, LastY);
    }
  }
  // One point per column can be found by searching when the columns rise
  // with the index and no point breaks the line.
  TChartValueList& x = XValues();
  const bool searchColumns = !drawAllPoints_ && YMandatory() && x.Order() == loAscending &&
                             !HasPointColors() && !ColorEachPoint() && !x.HasNonFinite() &&
                             !YValues().HasNonFinite();
  for (int i = f + 1; i <= l; ++i) {
    if (searchColumns && !broken_) {
      i = NextColumn(i, l);
      if (i > l) break;
    }
    DrawValue(i);
  }
  Flush();
  batching_ = false;
}

void TFastLineSeries::DrawValue(int index) {
  if (!parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  if (IsNull(index)) {
    broken_ = true;
    return;
  }
  const int x = CalcXPos(index), y = CalcYPos(index);
  if (broken_) {
    MoveTo(x, y);
    LastX = x;
    LastY = y;
    broken_ = false;
    return;
  }
  if (drawAllPoints_ ? x == LastX && y == LastY : x == LastX) return;
  LineTo(x, y);
  LastX = x;
  LastY = y;
}

void TFastLineSeries::NotifyNewValue(int index) {
  if (AutoRepaint || !parentChart_) return TCustomLineSeries::NotifyNewValue(index);
  // The point still reaches its listeners; only the repaint is replaced
  // by drawing the new segment into the picture shown.
  if (OnAfterAdd) OnAfterAdd(this, index);
  NotifyValue(veAdd, index);
  if (!Active()) return;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  if (!canvas.BeginBufferedUpdate()) return;
  const int clipDepth = canvas.ClipDepth();
  if (parentChart_->ClipPoints()) {
    TRect r = parentChart_->ChartRect;
    ++r.Bottom;
    canvas.ClipToRect(r);
  }
  PrepareCanvas();
  lineCalls_ = 0;
  const int p = index > 0 ? index - 1 : 0;
  LastX = CalcXPos(p);
  LastY = CalcYPos(p);
  broken_ = IsNull(p);
  if (!broken_) MoveTo(LastX, LastY);
  DrawValue(index);
  while (canvas.ClipDepth() > clipDepth) canvas.RemoveClip();
  canvas.EndBufferedUpdate();
  if (TControlHost* host = parentChart_->Host()) host->Invalidate();
}

void TFastLineSeries::DrawLegendShape(int /*valueIndex*/, const TRect& rect) {
  if (!parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  PrepareCanvas();
  const int y = int((unsigned(rect.Top) + unsigned(rect.Bottom)) / 2);
  parentChart_->Canvas().Line(rect.Left, y, rect.Right, y);
}

void TFastLineSeries::DrawMark(int index, const std::string& text, TSeriesMarkPosition& position) {
  Marks().ApplyArrowLength(position);
  TCustomLineSeries::DrawMark(index, text, position);
}

int TFastLineSeries::Clicked(int x, int y) {
  const int first = FirstVisibleIndex(), last = LastVisibleIndex();
  if (first < 0 || last < 0) return -1;
  if (parentChart_) parentChart_->Canvas().ScreenToWorld(x, y, MiddleZ);
  const TPoint p{x, y};
  TPoint previous{0, 0};
  for (int i = first; i <= last; ++i) {
    const TPoint here{CalcXPos(i), CalcYPos(i)};
    if (here == p) return i;
    if (i > first && PointNearSegment(p, previous, here)) return i - 1;
    previous = here;
  }
  return -1;
}

std::vector<std::string> TFastLineSeries::SubGalleryStyles() const {
  return {std::string(SGalleryNormal), std::string(SStyleMarks), std::string(SStyleDotted)};
}

void TFastLineSeries::ApplySubGalleryStyle(int index) {
  if (index == 1) Marks().SetVisible(true);
  if (index == 2) LinePen().SetSmallDots(true);
}

}  // namespace qv
