// The axis panel: series list, standard axes and axis extremes.
#include "chart/Chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/ZezIdazi.h"

namespace qv {

TCustomAxisPanel::TCustomAxisPanel() {
  bottom_ = std::make_unique<TChartAxis>(this);
  bottom_->SetHorizontal(true);
  top_ = std::make_unique<TChartAxis>(this);
  top_->SetHorizontal(true);
  top_->SetOtherSide(true);
  left_ = std::make_unique<TChartAxis>(this);
  left_->Title.DefaultAngle = 90;
  left_->Title.SetAngle(90);
  right_ = std::make_unique<TChartAxis>(this);
  right_->Title.DefaultAngle = 270;
  right_->Title.SetAngle(270);
  right_->SetOtherSide(true);
  depth_ = std::make_unique<TChartDepthAxis>(this);
  depth_->SetOtherSide(true);
}

TCustomAxisPanel::~TCustomAxisPanel() {
  Destroying = true;
  for (TChartSeries* s : std::vector<TChartSeries*>(series_)) s->SetParentChart(nullptr);
  series_.clear();
  tools_.clear();
  customAxes_.Clear();
  depth_.reset();
  right_.reset();
  left_.reset();
  top_.reset();
  bottom_.reset();
}

void TCustomAxisPanel::Assign(const TCustomPlotPanel& source) {
  if (auto* s = dynamic_cast<const TCustomAxisPanel*>(&source); s && s != this) {
    axisBehind_ = s->axisBehind_;
    axisVisible_ = s->axisVisible_;
    bottom_->Assign(*s->bottom_);
    top_->Assign(*s->top_);
    left_->Assign(*s->left_);
    right_->Assign(*s->right_);
    depth_->Assign(*s->depth_);
    clipPoints_ = s->clipPoints_;
    customAxes_.Assign(s->customAxes_);
    maxPointsPerPage_ = s->maxPointsPerPage_;
    page_ = s->page_;
    scaleLastPage_ = s->scaleLastPage_;
    view3DWalls_ = s->view3DWalls_;
  }
  TCustomPlotPanelExtended::Assign(source);
}

#define QV_AXIS_PANEL_SETTER(Name, field)    \
  void TCustomAxisPanel::Set##Name(bool v) { \
    if (v == field) return;                  \
    field = v;                               \
    Invalidate();                            \
  }
QV_AXIS_PANEL_SETTER(AxisBehind, axisBehind_)
QV_AXIS_PANEL_SETTER(AxisVisible, axisVisible_)
QV_AXIS_PANEL_SETTER(ClipPoints, clipPoints_)
QV_AXIS_PANEL_SETTER(View3DWalls, view3DWalls_)
QV_AXIS_PANEL_SETTER(ScaleLastPage, scaleLastPage_)
#undef QV_AXIS_PANEL_SETTER

TChartSeries& TCustomAxisPanel::GetSeries(int index) const {
  if (index < 0 || index >= int(series_.size()))
    throw ChartException(
        Format("Series index %d out of bounds (0 to %d)", index, int(series_.size()) - 1));
  return *series_[index];
}

int TCustomAxisPanel::ActiveSeriesCount() const {
  return int(
      std::count_if(series_.begin(), series_.end(), [](TChartSeries* s) { return s->Active(); }));
}

int TCustomAxisPanel::IndexOfSeries(const TChartSeries* series) const {
  auto it = std::find(series_.begin(), series_.end(), series);
  return it == series_.end() ? -1 : int(it - series_.begin());
}

void TCustomAxisPanel::AddSeries(TChartSeries* series) {
  if (!series || IndexOfSeries(series) >= 0) return;
  // The series leaves its former chart first and comes back here.
  if (series->ParentChart() != this) return series->SetParentChart(this);
  series_.push_back(series);
  series->RecalcGetAxis();
  SeriesEvent(series, TSeriesEventKind::Added);
  Invalidate();
}

void TCustomAxisPanel::RemoveSeries(TChartSeries* series) {
  const int i = IndexOfSeries(series);
  if (i < 0) return;
  series_.erase(series_.begin() + i);
  if (series->ParentChart() == this) series->SetParentChart(nullptr);
  SeriesEvent(series, TSeriesEventKind::Removed);
  Invalidate();
}

void TCustomAxisPanel::UnregisterAxis(TChartAxis* axis) {
  axes_.erase(std::remove(axes_.begin(), axes_.end(), axis), axes_.end());
}

std::string TCustomAxisPanel::SeriesTitleOrName(const TChartSeries* series) const {
  if (!series) return {};
  if (!series->Title().empty()) return series->Title();
  if (!series->Name().empty()) return series->Name();
  return std::string(SSeriesTitleStem) + IntToStr(IndexOfSeries(series) + 1);
}

bool TCustomAxisPanel::IsAxisVisible(const TChartAxis& axis) const {
  if (!axis.Visible()) return false;
  if (axis.IsDepthAxis()) return View3D();
  for (TChartSeries* s : series_)
    if (s->Active() && s->UsesAxes() && s->AssociatedToAxis(&axis)) return true;
  return false;
}

// ---- custom axes -------------------------------------------------------------------------

TChartAxis& TChartCustomAxes::Add() {
  items_.push_back(std::make_unique<TChartAxis>(panel_));
  if (panel_) panel_->Invalidate();
  return *items_.back();
}

void TChartCustomAxes::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  if (panel_) panel_->Invalidate();
}

void TChartCustomAxes::Clear() { items_.clear(); }

int TChartCustomAxes::IndexOf(const TChartAxis* axis) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].get() == axis) return i;
  return -1;
}

void TChartCustomAxes::Assign(const TChartCustomAxes& source) {
  if (&source == this) return;
  Clear();
  for (const auto& a : source.items_) Add().Assign(*a);
}

// ---- texts ---------------------------------------------------------------------------------

int TCustomAxisPanel::MultiLineTextWidth(const std::string& text, int& lines) {
  const std::vector<std::string> parts = SplitChartText(text);
  lines = int(parts.size());
  if (!canvas_.ReferenceCanvas()) return 0;
  int w = 0;
  for (const std::string& p : parts) w = std::max(w, canvas_.TextWidth(p));
  return w;
}

int TCustomAxisPanel::MaxTextWidth() {
  if (!canvas_.ReferenceCanvas()) return 0;
  int w = 0;
  for (TChartSeries* s : series_) {
    if (!s->HasLabels()) continue;
    for (int i = 0; i < s->Count(); ++i) {
      int lines = 0;
      w = std::max(w, MultiLineTextWidth(s->GetLabel(i), lines));
    }
  }
  return w;
}

int TCustomAxisPanel::MaxMarkWidth() {
  if (!canvas_.ReferenceCanvas()) return 0;
  const TFont font = canvas_.Ref().Font;
  int w = 0;
  for (TChartSeries* s : series_)
    if (s->Active()) w = std::max(w, s->MaxMarkWidth());
  canvas_.Ref().Font.Assign(font);
  return w;
}

// ---- tools ----------------------------------------------------------------------------------

void TCustomAxisPanel::AddTool(std::unique_ptr<TChartTool> tool) {
  if (!tool) return;
  tool->ParentChart = this;
  tools_.push_back(std::move(tool));
  Invalidate();
}

void TCustomAxisPanel::NotifyTools(TChartToolEvent event) {
  for (const auto& t : tools_)
    if (t->Active) t->ChartEvent(event);
}

void TCustomAxisPanel::NotifyToolsMouse(TChartMouseEventKind kind, TMouseButton button,
                                        TShiftState shift, int x, int y) {
  for (const auto& t : tools_) {
    if (!t->Active) continue;
    t->ChartMouseEvent(kind, button, shift, x, y);
    if (MouseTaken) break;
  }
}

double TCustomAxisPanel::InternalMinMax(const TChartAxis& axis, bool isMin, bool horizontal) const {
  if (axis.IsDepthAxis()) {
    if (axis.LabelStyle() == talValue ||
        (axis.LabelStyle() == talAuto && axis.AutoLabelStyle() == talValue)) {
      // The span of every series' Z extent (a single value for a series
      // without Z values of its own; a grid series without points has none).
      double r = 0;
      bool first = true;
      for (TChartSeries* s : series_) {
        if (!s->Active() || (s->HasZValues() && s->Count() == 0)) continue;
        const double v = isMin ? s->MinZValue() : s->MaxZValue();
        if (first || (isMin ? v < r : v > r)) r = v;
        first = false;
      }
      return r;
    }
    return isMin ? -0.5 : MaxZOrder + 0.5;
  }
  if (maxPointsPerPage_ > 0) {
    // Paging: the X direction of the first series of the axis spans the
    // points of the current page.
    for (TChartSeries* s : series_) {
      if (!s->AssociatedToAxis(&axis)) continue;
      const bool xDirection = axis.Horizontal() == s->YMandatory();
      const int n = s->Count();
      if (!xDirection || n == 0) break;
      int first, last;
      PageRange(n, first, last);
      const TChartValueList& list = horizontal ? s->XValues() : s->YValues();
      double lo = list.Value(first), hi = list.Value(last);
      const int shown = last - first + 1;
      if (!scaleLastPage_ && shown < maxPointsPerPage_)
        hi = lo + (hi - lo) * maxPointsPerPage_ / shown;
      return isMin ? lo : hi;
    }
  }
  bool anyActive = false;
  for (TChartSeries* s : series_)
    if (s->Active() && s->AssociatedToAxis(&axis)) anyActive = true;
  double r = 0;
  bool first = true;
  for (TChartSeries* s : series_) {
    if (anyActive && !s->Active()) continue;
    if (s->Count() == 0 || !s->AssociatedToAxis(&axis)) continue;
    double v;
    if (horizontal)
      v = isMin ? s->MinXValue() : s->MaxXValue();
    else
      v = isMin ? s->MinYValue() : s->MaxYValue();
    if (first || (isMin ? v < r : v > r)) r = v;
    first = false;
  }
  return r;
}

// ---- paging -----------------------------------------------------------------------------------

void TCustomAxisPanel::PageRange(int n, int& first, int& last) const {
  const int m = maxPointsPerPage_;
  first = (page_ - 1) * m;
  if (first >= n) first = std::max(0, n / m - 1) * m;
  last = first + m - 1;
  if (last >= n) last = first + n % m - 1;
  // A page beyond a count that is a multiple of the page size.
  if (last < first) last = std::min(n - 1, first + m - 1);
}

int TCustomAxisPanel::NumPages() const {
  const int m = maxPointsPerPage_;
  if (m < 1 || series_.empty()) return 1;
  const TChartSeries* firstSeries = series_.front();
  const bool yMandatory = firstSeries->YMandatory();
  const TChartAxis* axes[2] = {yMandatory ? bottom_.get() : left_.get(),
                               yMandatory ? top_.get() : right_.get()};
  int n = 0;
  for (const TChartAxis* a : axes)
    for (TChartSeries* s : series_)
      if (s->Active() && s->AssociatedToAxis(a)) n = std::max(n, s->Count());
  return std::max(1, n / m + (n % m >= 1 ? 1 : 0));
}

void TCustomAxisPanel::SetPage(int v) {
  v = std::clamp(v, 1, NumPages());
  if (v == page_) return;
  page_ = v;
  Invalidate();
  TPlotPageChangeEvent event;
  NotifySinks(event);
  if (OnPageChange) OnPageChange(this);
}

void TCustomAxisPanel::SetMaxPointsPerPage(int v) {
  if (v < 0) throw ChartException(std::string(SMaxPointsPerPageNegative));
  if (v != maxPointsPerPage_) {
    maxPointsPerPage_ = v;
    Invalidate();
  }
  if (page_ > NumPages()) page_ = NumPages();
  TPlotPageChangeEvent event;
  NotifySinks(event);
}

void TCustomAxisPanel::CalcSize3D() {
  if (!View3D()) {
    SeriesWidth3D = SeriesHeight3D = Width3D = Height3D = 0;
    return;
  }
  double f = Chart3DPercent() * 0.001;
  if (!view3DOptions_->Orthogonal()) f *= 2;
  SeriesWidth3D = RoundInt(ChartWidth * f);
  const double z = canvas_.ZoomFactor;
  if (z > 1) SeriesWidth3D = RoundInt(SeriesWidth3D / z);
  SeriesHeight3D = RoundInt(SeriesWidth3D * z);
  const int n = ApplyZOrder ? std::max(1, MaxZOrder + 1) : 1;
  Width3D = SeriesWidth3D * n;
  Height3D = SeriesHeight3D * n;
}

void TCustomAxisPanel::SeriesEvent(TCustomChartSeries* series, TSeriesEventKind kind) {
  TPlotSeriesEvent event;
  event.Series = series;
  event.Kind = kind;
  NotifySinks(event);
}

bool TCustomAxisPanel::IsFreeSeriesColor(TColor color, bool checkBackground) const {
  for (const TChartSeries* s : series_)
    if (s->SeriesColor() == color) return false;
  return !(checkBackground && color == Color());
}

TColor TCustomAxisPanel::FreeSeriesColor(bool checkBackground) const {
  TColor c = DefaultSeriesColor(0);
  for (int i = 0; i <= DefaultPaletteSize; ++i) {
    c = DefaultSeriesColor(i);
    if (IsFreeSeriesColor(c, checkBackground)) break;
  }
  return c;
}

bool TCustomAxisPanel::IsViewFromOtherSide() const {
  if (!View3D()) return false;
  const TView3DOptions& o = *view3DOptions_;
  return o.Orthogonal() ? o.OrthoAngle() > 90 : o.Rotation() < 270;
}

bool TCustomAxisPanel::IsValidDataSource(const TChartSeries* series,
                                         const TChartSeries* source) const {
  return source && source != series && IndexOfSeries(source) >= 0;
}

bool TCustomAxisPanel::IsValidDataSource(const TChartSeries* series,
                                         const TPlotSeriesSource* source) const {
  return source && series && (source->Series() == nullptr || source->Series() == series);
}

void TCustomAxisPanel::CheckDataSource(TChartSeries* series) {
  if (Loading || !series) return;
  if (TChartSeries* source = series->DataSource())
    series->AddValuesFromSource(*source);
  else if (TPlotSeriesSource* component = series->SeriesSource())
    component->Refresh();
  Invalidate();
}

void TCustomAxisPanel::CheckCircular(const TChartSeries* series, const TChartSeries* source) const {
  // Walk the sources of Source: reaching Series means a cycle.
  std::vector<const TChartSeries*> todo{source};
  std::vector<const TChartSeries*> seen;
  while (!todo.empty()) {
    const TChartSeries* s = todo.back();
    todo.pop_back();
    if (s == series) throw ChartException(std::string(SCircularSeries));
    if (std::find(seen.begin(), seen.end(), s) != seen.end()) continue;
    seen.push_back(s);
    if (s->DataSource()) todo.push_back(s->DataSource());
  }
}

}  // namespace qv
