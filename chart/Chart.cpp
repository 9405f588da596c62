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
  depth_.reset();
  right_.reset();
  left_.reset();
  top_.reset();
  bottom_.reset();
}

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
  SeriesEvent(series, 0);
  Invalidate();
}

void TCustomAxisPanel::RemoveSeries(TChartSeries* series) {
  const int i = IndexOfSeries(series);
  if (i < 0) return;
  series_.erase(series_.begin() + i);
  if (series->ParentChart() == this) series->SetParentChart(nullptr);
  SeriesEvent(series, 1);
  Invalidate();
}

void TCustomAxisPanel::UnregisterAxis(TChartAxis* axis) {
  axes_.erase(std::remove(axes_.begin(), axes_.end(), axis), axes_.end());
}

double TCustomAxisPanel::InternalMinMax(const TChartAxis& axis, bool isMin, bool horizontal) const {
  if (axis.IsDepthAxis()) {
    if (axis.LabelStyle() == talValue ||
        (axis.LabelStyle() == talAuto && axis.AutoLabelStyle() == talValue)) {
      double r = 0;
      bool first = true;
      for (TChartSeries* s : series_) {
        if (!s->Active()) continue;
        const double v = isMin ? s->MaxZValue() : s->MinZValue();
        if (first || (isMin ? v < r : v > r)) r = v;
        first = false;
      }
      return r;
    }
    return isMin ? -0.5 : MaxZOrder + 0.5;
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

void TCustomAxisPanel::SeriesEvent(TCustomChartSeries* series, int kind) {
  if (OnSeriesEvent) OnSeriesEvent(series, kind);
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
    if (s == series) throw ChartException(SCircularSeries);
    if (std::find(seen.begin(), seen.end(), s) != seen.end()) continue;
    seen.push_back(s);
    if (s->DataSource()) todo.push_back(s->DataSource());
  }
}

}  // namespace qv
