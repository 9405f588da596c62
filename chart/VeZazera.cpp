// Value lists and the series base.
#include "chart/VeZazera.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/Chart.h"
#include "chart/ZezIdazi.h"

namespace qv {

// ---- value lists ------------------------------------------------------------------

std::function<void(const std::string&)> TChartValueList::ShowMessageHook;

TChartValueList::TChartValueList(TChartSeries* owner, const std::string& name)
    : owner_(owner), name_(name) {
  if (owner_) owner_->RegisterValueList(this);
  Clear();
}

TChartValueList::~TChartValueList() {
  if (owner_) owner_->UnregisterValueList(this);
}

void TChartValueList::Assign(const TChartValueList& source) {
  order_ = source.order_;
  dateTime_ = source.dateTime_;
  valueSource_ = source.valueSource_;
}

void TChartValueList::Grow() {
  if (count_ >= int(values_.size())) values_.resize(values_.size() + std::size_t(growthStep_));
  ++count_;
}

int TChartValueList::AddValue(double value) {
  dirty_ = true;
  if (order_ == loNone || count_ == 0 || (order_ == loAscending && value >= values_[count_ - 1]) ||
      (order_ == loDescending && value <= values_[count_ - 1]) || std::isnan(value)) {
    Grow();
    values_[count_ - 1] = value;
    return count_ - 1;
  }
  // Values that are not numbers stay at the end in either order.
  int t = count_ - 1;
  if (order_ == loAscending)
    while (t >= 0 && (std::isnan(values_[t]) || values_[t] > value)) --t;
  else
    while (t >= 0 && (std::isnan(values_[t]) || values_[t] < value)) --t;
  InsertValue(t + 1, value);
  return t + 1;
}

void TChartValueList::Clear() {
  values_.clear();
  values_.shrink_to_fit();
  count_ = 0;
  dirty_ = true;
}

void TChartValueList::InsertValue(int index, double value) {
  index = std::clamp(index, 0, count_);
  Grow();
  std::move_backward(values_.begin() + index, values_.begin() + count_ - 1,
                     values_.begin() + count_);
  values_[index] = value;
  dirty_ = true;
}

void TChartValueList::Delete(int index) {
  if (index < 0 || index >= count_) return;
  std::move(values_.begin() + index + 1, values_.begin() + count_, values_.begin() + index);
  --count_;
  dirty_ = true;
}

void TChartValueList::DeleteRange(int start, int quantity) {
  if (start < 0 || quantity <= 0 || start >= count_) return;
  quantity = std::min(quantity, count_ - start);
  std::move(values_.begin() + start + quantity, values_.begin() + count_, values_.begin() + start);
  count_ -= quantity;
  dirty_ = true;
}

void TChartValueList::SetValue(int index, double value) {
  values_[index] = value;
  dirty_ = true;
}

void TChartValueList::Recalc() {
  min_ = max_ = sum_ = absSum_ = 0;
  nonFinite_ = false;
  bool first = true;
  for (int i = 0; i < count_; ++i) {
    const double v = values_[i];
    if (!std::isfinite(v)) {
      nonFinite_ = true;
      continue;
    }
    if (first) {
      min_ = max_ = sum_ = v;
      absSum_ = std::fabs(v);
      first = false;
      continue;
    }
    if (v < min_)
      min_ = v;
    else if (v > max_)
      max_ = v;
    sum_ += v;
    absSum_ += std::fabs(v);
  }
  dirty_ = false;
}

bool TChartValueList::HasNonFinite() {
  if (dirty_) Recalc();
  return nonFinite_;
}

double TChartValueList::MaximumValue() {
  if (dirty_) Recalc();
  return max_;
}
double TChartValueList::MinimumValue() {
  if (dirty_) Recalc();
  return min_;
}
double TChartValueList::Sum() {
  if (dirty_) Recalc();
  return sum_;
}
double TChartValueList::AbsoluteSum() {
  if (dirty_) Recalc();
  return absSum_;
}
double TChartValueList::ValueRange() {
  if (dirty_) Recalc();
  return max_ - min_;
}

void TChartValueList::RotateFirstToLast() {
  if (count_ <= 0) return;
  std::rotate(values_.begin(), values_.begin() + 1, values_.begin() + count_);
  dirty_ = true;
}

void TChartValueList::SwapValues(int index1, int index2) {
  std::swap(values_[index1], values_[index2]);
  dirty_ = true;
  if (owner_) owner_->NotifyValue(veModify, index1);
}

void TChartValueList::FillWithIndices() {
  for (int i = 0; i < count_; ++i) values_[i] = i;
  dirty_ = true;
  if (owner_) owner_->NotifyValue(veModify, 0);
}

int TChartValueList::CompareValues(int a, int b) const {
  const double va = values_[a], vb = values_[b];
  const bool fa = !std::isnan(va), fb = !std::isnan(vb);
  int r;
  if (!fa || !fb) return fa == fb ? 0 : (fa ? -1 : 1);  // NaN last in either order
  r = va < vb ? -1 : (va > vb ? 1 : 0);
  return order_ == loDescending ? -r : r;
}

void TChartValueList::Sort() {
  if (order_ == loNone) return;
  auto compare = [this](int a, int b) { return CompareValues(a, b); };
  auto swap = [this](int a, int b) {
    if (owner_)
      owner_->SwapPoints(a, b);
    else
      std::swap(values_[a], values_[b]);
  };
  IndexQuickSort(0, count_ - 1, compare, swap);
  dirty_ = true;
}

void TChartValueList::SetDateTime(bool v) {
  if (v == dateTime_) return;
  dateTime_ = v;
  if (owner_) owner_->Repaint();
}

void TChartValueList::SetValueSource(const std::string& v) {
  if (v == valueSource_) return;
  valueSource_ = v;
  if (owner_ && owner_->DataSource()) owner_->AddValuesFromSource(*owner_->DataSource());
}

void TChartValueList::ReadMultiplier(double value) {
  if (value == 1.0) return;
  const std::string text = std::string("Error: Multiplier property is obsolete.") + '\r' +
                           "Modify PlotDefs (enable Multiplier) and recompile.";
  if (ShowMessageHook) ShowMessageHook(text);
}

// ---- random generator -------------------------------------------------------------

int TChartRandom::Next(int n) {
  seed_ = seed_ * 134775813u + 1u;
  if (n <= 0) return 0;
  return int((std::uint64_t(seed_) * std::uint64_t(n)) >> 32);
}

TChartRandom& ChartRandom() {
  static TChartRandom r(0x5EED1234u);
  return r;
}

// ---- chart elements -----------------------------------------------------------------

TCustomChartElement::TCustomChartElement()
    : brush_([this] { Changed(); }), pen_([this] { Changed(); }) {}

void TCustomChartElement::Assign(const TCustomChartElement& source) {
  SetActive(source.active_);
  brush_.Assign(source.brush_);
  pen_.Assign(source.pen_);
  Tag = source.Tag;
}

void TCustomChartElement::SetActive(bool v) {
  if (v == active_) return;
  active_ = v;
  Repaint();
}

void TCustomChartElement::Repaint() {
  if (parentChart_ && !parentChart_->Destroying) parentChart_->Invalidate();
}

void TCustomChartSeries::NotifySeriesChange(TSeriesEventKind kind) {
  if (!parentChart_) return;
  parentChart_->SeriesEvent(this, kind);
  if (parentChart_->SeriesChangeHook) parentChart_->SeriesChangeHook(this);
}

void TCustomChartSeries::SetActive(bool v) {
  if (v == active_) return;
  TCustomChartElement::SetActive(v);
  NotifySeriesChange(TSeriesEventKind::ActiveChanged);
}

void TCustomChartSeries::SetTitle(const std::string& v) {
  if (v == title_) return;
  title_ = v;
  Repaint();
  NotifySeriesChange(TSeriesEventKind::TitleChanged);
}

void TCustomChartSeries::SetShowInLegend(bool v) {
  if (v == showInLegend_) return;
  showInLegend_ = v;
  Repaint();
}

// ---- series -------------------------------------------------------------------------

TChartSeries::TChartSeries() {
  xValues_ = std::make_unique<TChartValueList>(this, std::string(SXValuesName));
  xValues_->SetOrder(loAscending);
  yValues_ = std::make_unique<TChartValueList>(this, std::string(SYValuesName));
  mandatory_ = yValues_.get();
  notMandatory_ = xValues_.get();
  valueFormat_ = SDefaultValueFormat;
  percentFormat_ = SPercentFormat;
  marks_ = std::make_unique<TSeriesMarks>(this);
}

TChartSeries::~TChartSeries() {
  function_.reset();
  if (seriesSource_ && seriesSource_->series_ == this) seriesSource_->series_ = nullptr;
  seriesSource_ = nullptr;
  // Stop being fed and stop feeding others.
  for (TChartSeries* s : std::vector<TChartSeries*>(dataSources_)) {
    auto& l = s->linkedSeries_;
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
  }
  dataSources_.clear();
  for (TChartSeries* s : std::vector<TChartSeries*>(linkedSeries_)) s->DropSource(this);
  linkedSeries_.clear();
  if (parentChart_) parentChart_->RemoveSeries(this);
  // Lists owned by descendants may already be gone; forget every list.
  for (TChartValueList* l : valueLists_)
    if (l != xValues_.get() && l != yValues_.get()) l->owner_ = nullptr;
  valueLists_.clear();
  xValues_->owner_ = nullptr;
  yValues_->owner_ = nullptr;
}

void TChartSeries::Assign(const TCustomChartElement& source) {
  if (const auto* s = dynamic_cast<const TChartSeries*>(&source); s && s != this) {
    SetColorEachPoint(s->colorEachPoint_);
    colorSource_ = s->colorSource_;
    xLabelsSource_ = s->xLabelsSource_;
    Cursor = s->Cursor;
    SetDepth(s->depth_);
    // A custom axis is taken over only when it belongs to this series' chart.
    auto sameChart = [this](TChartAxis* a) {
      return a && parentChart_ && a->ParentChart() == parentChart_;
    };
    customHorizAxis_ = sameChart(s->customHorizAxis_) ? s->customHorizAxis_ : nullptr;
    customVertAxis_ = sameChart(s->customVertAxis_) ? s->customVertAxis_ : nullptr;
    SetHorizAxis(s->horizAxis_ == aCustomHorizAxis && !customHorizAxis_ ? aBottomAxis
                                                                        : s->horizAxis_);
    SetVertAxis(s->vertAxis_ == aCustomVertAxis && !customVertAxis_ ? aLeftAxis : s->vertAxis_);
    SetPercentFormat(s->percentFormat_);
    SetValueFormat(s->valueFormat_);
    SetSeriesColor(s->seriesColor_);
    SetShowInLegend(s->showInLegend_);
    SetTitle(s->title_);
    identifier_ = s->identifier_;
    style_ = s->style_;
    marks_->Assign(*s->marks_);
    // Value list settings, list by list (X, Y, then further lists by index).
    const std::size_t n = std::min(valueLists_.size(), s->valueLists_.size());
    for (std::size_t i = 0; i < n; ++i) valueLists_[i]->Assign(*s->valueLists_[i]);
  }
  TCustomChartSeries::Assign(source);
}

void TChartSeries::UnregisterValueList(TChartValueList* list) {
  valueLists_.erase(std::remove(valueLists_.begin(), valueLists_.end(), list), valueLists_.end());
}

void TChartSeries::SetMandatory(bool yMandatory) {
  yMandatory_ = yMandatory;
  mandatory_ = yMandatory ? yValues_.get() : xValues_.get();
  notMandatory_ = yMandatory ? xValues_.get() : yValues_.get();
}

void TChartSeries::SetParentChart(TCustomAxisPanel* chart) {
  if (chart == parentChart_) return;
  if (parentChart_) {
    TCustomAxisPanel* old = parentChart_;
    parentChart_ = nullptr;
    old->RemoveSeries(this);
  }
  TCustomChartSeries::SetParentChart(chart);
  marks_->SetParentChart(chart);
  RecalcGetAxis();
  if (!parentChart_) return;
  parentChart_->AddSeries(this);
  if (seriesColor_ == clDefault) SetSeriesColor(parentChart_->FreeSeriesColor(true));
  if (parentChart_->Designing && !parentChart_->Loading && Count() == 0 && !HasDataSource() &&
      !function_)
    FillSampleValues(NumSampleValues());
}

void TChartSeries::RecalcGetAxis() {
  horizAxisObject_ = vertAxisObject_ = nullptr;
  if (!parentChart_) return;
  switch (horizAxis_) {
    case aTopAxis:
      horizAxisObject_ = &parentChart_->TopAxis();
      break;
    case aCustomHorizAxis:
      horizAxisObject_ = customHorizAxis_ ? customHorizAxis_ : &parentChart_->BottomAxis();
      break;
    default:
      horizAxisObject_ = &parentChart_->BottomAxis();
      break;
  }
  switch (vertAxis_) {
    case aRightAxis:
      vertAxisObject_ = &parentChart_->RightAxis();
      break;
    case aCustomVertAxis:
      vertAxisObject_ = customVertAxis_ ? customVertAxis_ : &parentChart_->LeftAxis();
      break;
    default:
      vertAxisObject_ = &parentChart_->LeftAxis();
      break;
  }
}

void TChartSeries::SetHorizAxis(THorizAxis v) {
  horizAxis_ = v;
  if (v != aCustomHorizAxis && !(parentChart_ && parentChart_->Loading)) customHorizAxis_ = nullptr;
  RecalcGetAxis();
  Repaint();
}

void TChartSeries::SetVertAxis(TVertAxis v) {
  vertAxis_ = v;
  if (v != aCustomVertAxis && !(parentChart_ && parentChart_->Loading)) customVertAxis_ = nullptr;
  RecalcGetAxis();
  Repaint();
}

void TChartSeries::SetCustomHorizAxis(TChartAxis* axis) {
  customHorizAxis_ = axis;
  SetHorizAxis(axis ? aCustomHorizAxis : aBottomAxis);
}

void TChartSeries::SetCustomVertAxis(TChartAxis* axis) {
  customVertAxis_ = axis;
  SetVertAxis(axis ? aCustomVertAxis : aLeftAxis);
}

bool TChartSeries::AssociatedToAxis(const TChartAxis* axis) const {
  if (!UsesAxes() || !axis) return false;
  if (axis->Horizontal()) return horizAxis_ == aBothHorizAxis || axis == horizAxisObject_;
  return vertAxis_ == aBothVertAxis || axis == vertAxisObject_;
}

TChartValueList& TChartSeries::ValueListByName(const std::string& name) {
  const std::string up = UpperCase(name);
  for (std::size_t i = 2; i < valueLists_.size(); ++i)
    if (UpperCase(valueLists_[i]->Name()) == up) return *valueLists_[i];
  return *valueLists_[1];
}

// -- points

int TChartSeries::AddXY(double x, double y, const std::string& label, TColor color) {
  valueLists_[0]->PendingValue = x;
  valueLists_[1]->PendingValue = y;
  if (OnBeforeAdd && !OnBeforeAdd(this)) return -1;
  const int i = valueLists_[0]->AddValue(x);
  valueLists_[1]->InsertValue(i, y);
  for (std::size_t k = 2; k < valueLists_.size(); ++k)
    valueLists_[k]->InsertValue(i, valueLists_[k]->PendingValue);
  if (pointColors_) {
    pointColors_->insert(pointColors_->begin() + std::min<std::size_t>(i, pointColors_->size()),
                         color);
  } else if (color != clDefault) {
    pointColors_ = std::make_unique<std::vector<TColor>>(std::size_t(Count() - 1), clDefault);
    pointColors_->insert(pointColors_->begin() + i, color);
  }
  if (!label.empty() || !labels_.empty()) {
    if (int(labels_.size()) < i) labels_.resize(i);
    labels_.insert(labels_.begin() + i, label);
  }
  if (updateCount_ == 0) NotifyNewValue(i);
  return i;
}

void TChartSeries::NotifyNewValue(int index) {
  if (OnAfterAdd) OnAfterAdd(this, index);
  NotifyValue(veAdd, index);
  if (active_) Repaint();
}

int TChartSeries::Add(double value, const std::string& label, TColor color) {
  if (yMandatory_) return AddXY(Count(), value, label, color);
  return AddXY(value, Count(), label, color);
}

int TChartSeries::AddY(double value, const std::string& label, TColor color) {
  return AddXY(Count(), value, label, color);
}

int TChartSeries::AddNull(const std::string& label) { return Add(0, label, clNone); }

int TChartSeries::AddNullXY(double x, double y, const std::string& label) {
  return AddXY(x, y, label, clNone);
}

void TChartSeries::Delete(int index) {
  if (index < 0 || index >= Count())
    throw ChartException(Format(SSeriesDeleteOutOfBounds, index, Count() - 1));
  for (TChartValueList* l : valueLists_) l->Delete(index);
  if (pointColors_ && index < int(pointColors_->size()))
    pointColors_->erase(pointColors_->begin() + index);
  if (index < int(labels_.size())) labels_.erase(labels_.begin() + index);
  markPositions_.Delete(index);
  NotifyValue(veDelete, index);
  if (active_) Repaint();
}

void TChartSeries::DeleteRange(int start, int quantity) {
  if (start < 0 || quantity <= 0 || start >= Count()) return;
  quantity = std::min(quantity, Count() - start);
  for (TChartValueList* l : valueLists_) l->DeleteRange(start, quantity);
  if (pointColors_) {
    const int n = int(pointColors_->size());
    if (start < n)
      pointColors_->erase(pointColors_->begin() + start,
                          pointColors_->begin() + std::min(n, start + quantity));
    if (pointColors_->empty()) pointColors_.reset();
  }
  const int nl = int(labels_.size());
  if (start < nl)
    labels_.erase(labels_.begin() + start, labels_.begin() + std::min(nl, start + quantity));
  markPositions_.DeleteRange(start, quantity);
  NotifyValue(veDelete, -1);
  if (active_) Repaint();
}

void TChartSeries::ClearLists() {
  for (TChartValueList* l : valueLists_) l->Clear();
  pointColors_.reset();
  labels_.clear();
  labels_.reserve(1000);
  markPositions_.Clear();
}

void TChartSeries::Clear() {
  ClearLists();
  if (OnClearValues) OnClearValues(this);
  NotifyValue(veClear, 0);
  if (active_ && !(parentChart_ && parentChart_->Destroying)) Repaint();
}

void TChartSeries::SwapPoints(int a, int b) {
  for (TChartValueList* l : valueLists_) l->SwapValues(a, b);
  if (pointColors_) {
    const int n = int(pointColors_->size());
    if (a < n && b < n) std::swap((*pointColors_)[a], (*pointColors_)[b]);
  }
  if (!labels_.empty()) {
    const int need = std::max(a, b) + 1;
    if (int(labels_.size()) < need) labels_.resize(need);
    std::swap(labels_[a], labels_[b]);
  }
}

std::string TChartSeries::GetLabel(int index) const {
  if (index < 0 || index >= int(labels_.size())) return {};
  return labels_[index];
}

void TChartSeries::SetLabel(int index, const std::string& label) {
  if (index < 0 || index >= Count()) return;
  if (int(labels_.size()) <= index) labels_.resize(index + 1);
  labels_[index] = label;
  Repaint();
}

TColor TChartSeries::GetValueColor(int index) const {
  if (pointColors_ && index >= 0 && index < int(pointColors_->size())) {
    const TColor c = (*pointColors_)[index];
    if (c != clDefault) return c;
  }
  if (colorEachPoint_) return DefaultSeriesColor(index);
  return seriesColor_;
}

void TChartSeries::SetValueColor(int index, TColor color) {
  if (index < 0 || index >= Count()) return;
  if (!pointColors_)
    pointColors_ = std::make_unique<std::vector<TColor>>(std::size_t(Count()), clDefault);
  if (int(pointColors_->size()) <= index) pointColors_->resize(index + 1, clDefault);
  (*pointColors_)[index] = color;
  Repaint();
}

bool TChartSeries::IsNull(int index) const {
  if (GetValueColor(index) == clNone) return true;
  return !std::isfinite(valueLists_[0]->Value(index)) ||
         !std::isfinite(valueLists_[1]->Value(index));
}

int TChartSeries::CalcXPosValue(double value) const {
  return horizAxisObject_ ? horizAxisObject_->ValueToPixelX(value) : ClampPixel(value);
}

int TChartSeries::CalcYPosValue(double value) const {
  return vertAxisObject_ ? vertAxisObject_->ValueToPixelY(value) : ClampPixel(value);
}

// -- colours and formats

void TChartSeries::SetSeriesColor(TColor v) {
  if (v == seriesColor_) return;
  seriesColor_ = v;
  NotifySeriesChange(TSeriesEventKind::ColorChanged);
  Repaint();
}

void TChartSeries::SetColorEachPoint(bool v) {
  if (v == colorEachPoint_) return;
  colorEachPoint_ = v;
  if (!v && pointColors_) {
    const bool hasNull =
        std::find(pointColors_->begin(), pointColors_->end(), clNone) != pointColors_->end();
    if (!hasNull) pointColors_.reset();
  }
  Repaint();
}

void TChartSeries::SetValueFormat(const std::string& v) {
  if (v == valueFormat_) return;
  valueFormat_ = v;
  Repaint();
}

void TChartSeries::SetPercentFormat(const std::string& v) {
  if (v == percentFormat_) return;
  percentFormat_ = v;
  Repaint();
}

void TChartSeries::SetDepth(int v) {
  if (v == depth_) return;
  depth_ = v;
  Repaint();
}

void TChartSeries::CalcZOrder() {
  if (!parentChart_) return;
  int& highest = parentChart_->MaxZOrder;
  if (zOrder_ < 0) {
    autoZ_ = ++highest;
  } else if (zOrder_ > highest) {
    highest = zOrder_;
  }
}

bool TChartSeries::MoreSameZOrder() const {
  if (!parentChart_ || !parentChart_->ApplyZOrder || HasZValues()) return false;
  const double z = MinZValue();
  for (const TChartSeries* s : parentChart_->SeriesList())
    if (s != this && s->Active() && !s->HasZValues() && s->MinZValue() == z) return true;
  return false;
}

std::string TChartSeries::ValueText(int index) const {
  const double v = mandatory_->Value(index);
  if (mandatory_->DateTime()) return FormatDateTime(DateLabelFormat(v), v);
  return FormatFloat(valueFormat_, v);
}

double TChartSeries::MarkPercent(int index) const {
  const double total = mandatory_->AbsoluteSum();
  return total == 0 ? 100.0 : std::fabs(mandatory_->Value(index)) * 100.0 / total;
}

std::string TChartSeries::PercentText(int index) const {
  const double total = mandatory_->AbsoluteSum();
  const double v = total == 0 ? 100.0 : 100.0 * mandatory_->Value(index) / total;
  return FormatFloat(percentFormat_, v);
}

std::string TChartSeries::XText(int index) const {
  const double x = valueLists_[0]->Value(index);
  if (horizAxisObject_) return horizAxisObject_->FormatLabel(x);
  return FormatFloat(valueFormat_, x);
}

std::string TChartSeries::LegendString(int index, TLegendTextStyle style) const {
  const std::string sep(1, char(6));
  const std::string label = GetLabel(index);
  switch (style) {
    case ltsLeftValue:
      return ValueText(index) + sep + label;
    case ltsRightValue:
      return label + sep + ValueText(index);
    case ltsLeftPercent:
      return PercentText(index) + sep + label;
    case ltsRightPercent:
      return label + sep + PercentText(index);
    case ltsXValue:
      return XText(index);
    case ltsValue:
      return ValueText(index);
    case ltsPercent:
      return PercentText(index);
    case ltsXAndValue:
      return XText(index) + sep + ValueText(index);
    case ltsXAndPercent:
      return XText(index) + sep + PercentText(index);
    default:
      return label;
  }
}

// -- updates

void TChartSeries::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) {
    NotifyValue(veRefresh, 0);
    if (parentChart_) parentChart_->SeriesEvent(this, TSeriesEventKind::DataChanged);
    Repaint();
  }
}

void TChartSeries::NotifyValue(TValueEvent event, int index) {
  if (updateCount_ > 0) return;
  for (TChartSeries* s : std::vector<TChartSeries*>(linkedSeries_)) {
    switch (event) {
      case veClear:
        if (s->SourceEvents & seOnClear) s->Clear();
        break;
      case veAdd:
        // A function's points are not the source's points: it recalculates.
        if (s->SourceEvents & seOnInsert) {
          if (s->function_)
            s->AddValuesFromSource(*this);
          else
            s->CopyPointFromSource(*this, index);
        }
        break;
      case veDelete:
        if (s->SourceEvents & seOnDelete) {
          if (!s->function_ && index >= 0 && index < s->Count())
            s->Delete(index);
          else
            s->AddValuesFromSource(*this);
        }
        break;
      case veRefresh:
        s->AddValuesFromSource(*this);
        break;
      case veModify:
        if (s->SourceEvents & seOnModify) s->AddValuesFromSource(*this);
        break;
    }
  }
}

// -- visible range

void TChartSeries::CalcFirstLastVisible() {
  const int n = Count();
  firstVisible_ = lastVisible_ = -1;
  if (n == 0) return;
  TChartValueList& list = *notMandatory_;
  TChartAxis* axis = yMandatory_ ? horizAxisObject_ : vertAxisObject_;
  if (!CalcVisiblePoints || list.Order() == loNone || !axis) {
    firstVisible_ = 0;
    lastVisible_ = n - 1;
    return;
  }
  const double lo = axis->Minimum(), hi = axis->Maximum();
  int first = 0;
  while (first < n && !(list.Value(first) >= lo)) ++first;
  if (first >= n) return;
  firstVisible_ = first;
  if (list.Value(n - 1) <= hi) {
    lastVisible_ = n - 1;
    return;
  }
  int last = first;
  while (last < n && list.Value(last) < hi) ++last;
  if (last >= n) {
    lastVisible_ = n - 1;
    return;
  }
  lastVisible_ = (DrawBetweenPoints || list.Value(last) == hi) ? last : last - 1;
}

bool TChartSeries::DrawValuesForward() const {
  if (!yMandatory_) return !(vertAxisObject_ && vertAxisObject_->Inverted());
  bool forward = !(horizAxisObject_ && horizAxisObject_->Inverted());
  if (parentChart_ && parentChart_->IsViewFromOtherSide()) forward = !forward;
  return forward;
}

void TChartSeries::DrawAllValues() {
  if (firstVisible_ < 0) return;
  BeginDrawValues();
  if (DrawValuesForward())
    for (int i = firstVisible_; i <= lastVisible_; ++i) DrawValue(i);
  else
    for (int i = lastVisible_; i >= firstVisible_; --i) DrawValue(i);
}

// -- data sources

void TChartSeries::DropSource(TChartSeries* source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source),
                     dataSources_.end());
}

void TChartSeries::DetachSources() {
  for (TChartSeries* s : dataSources_) {
    auto& l = s->linkedSeries_;
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
  }
  dataSources_.clear();
  if (TPlotSeriesSource* c = seriesSource_) {
    seriesSource_ = nullptr;
    if (c->series_ == this) c->series_ = nullptr;
  }
}

void TChartSeries::SetDataSource(std::nullptr_t) {
  DetachSources();
  if (!parentChart_ || parentChart_->Loading) return;
  if (parentChart_->Designing && !function_)
    FillSampleValues(NumSampleValues());
  else
    parentChart_->CheckDataSource(this);
}

void TChartSeries::SetDataSource(TChartSeries* source) {
  if (!source) return SetDataSource(nullptr);
  if (!parentChart_) throw ChartException(std::string(SNoParentChartToValidate));
  if (!parentChart_->IsValidDataSource(this, source) || !IsValidSourceOf(*source))
    throw ChartException(Format(SNoValidDataSource, source->Name()));
  parentChart_->CheckCircular(this, source);
  if (dataSources_.size() == 1 && dataSources_[0] == source && !seriesSource_) return;
  DetachSources();
  dataSources_.push_back(source);
  source->linkedSeries_.push_back(this);
  parentChart_->CheckDataSource(this);
}

void TChartSeries::SetDataSource(TPlotSeriesSource* source) {
  if (!source) return SetDataSource(nullptr);
  if (!parentChart_) throw ChartException(std::string(SNoParentChartToValidate));
  if (!parentChart_->IsValidDataSource(this, source))
    throw ChartException(Format(SNoValidDataSource, source->Name));
  if (seriesSource_ == source && dataSources_.empty()) return;
  DetachSources();
  seriesSource_ = source;
  if (source->series_ != this) {
    // The component links back to this series; it is already the source.
    source->series_ = this;
  }
  parentChart_->CheckDataSource(this);
}

void TChartSeries::Loaded(const std::function<TChartSeries*(const std::string&)>& findSeries) {
  for (const std::string& name : DataSourceNames) {
    TChartSeries* s = findSeries ? findSeries(name) : nullptr;
    if (!s || s == this) continue;
    if (std::find(dataSources_.begin(), dataSources_.end(), s) != dataSources_.end()) continue;
    dataSources_.push_back(s);
    s->linkedSeries_.push_back(this);
  }
  DataSourceNames.clear();
  if (parentChart_) parentChart_->CheckDataSource(this);
}

void TChartSeries::SetColorSource(const std::string& v) {
  if (v == colorSource_) return;
  colorSource_ = v;
  if (parentChart_) parentChart_->CheckDataSource(this);
}

void TChartSeries::SetXLabelsSource(const std::string& v) {
  if (v == xLabelsSource_) return;
  xLabelsSource_ = v;
  if (parentChart_) parentChart_->CheckDataSource(this);
}

void TChartSeries::AddValuesFromSource(TChartSeries& source) {
  BeginUpdate();
  if (function_) {
    valueLists_[0]->SetDateTime(source.valueLists_[0]->DateTime());
    valueLists_[1]->SetDateTime(source.valueLists_[1]->DateTime());
    function_->AddPoints(source);
  } else {
    Clear();
    for (int i = 0; i < source.Count(); ++i) CopyPointFromSource(source, i);
  }
  EndUpdate();
}

void TChartSeries::SetFunction(std::unique_ptr<TChartSeriesFunction> function) {
  if (function && function.get() == function_.get()) return;
  function_ = std::move(function);
  if (function_) function_->series_ = this;
  if (parentChart_ && function_ && DataSource()) parentChart_->CheckDataSource(this);
}

std::unique_ptr<TChartSeriesFunction> TChartSeries::ReleaseFunction() {
  if (function_) function_->series_ = nullptr;
  return std::move(function_);
}

void TChartSeriesFunction::SetParentSeries(TChartSeries& series) {
  if (series_ == &series) return;
  std::unique_ptr<TChartSeriesFunction> self;
  if (series_)
    self = series_->ReleaseFunction();
  else
    self.reset(this);  // a free function is adopted by its first series
  series.SetFunction(std::move(self));
}

// ---- series-source components -------------------------------------------------------

TPlotSeriesSource::~TPlotSeriesSource() {
  Destroying = true;
  Close();
  if (TChartSeries* s = series_) {
    series_ = nullptr;
    if (s->seriesSource_ == this) s->DetachSources();
  }
}

void TPlotSeriesSource::SetActive(bool v) {
  if (v == active_) return;
  active_ = v;
  if (v) {
    if (!Loading && series_) Load();
  } else if (!Destroying && series_) {
    series_->Clear();
  }
}

void TPlotSeriesSource::Close() {
  if (!Loading && !Destroying) SetActive(false);
}

void TPlotSeriesSource::SetSeries(TChartSeries* series) {
  if (series == series_) return;
  if (TChartSeries* old = series_) {
    series_ = nullptr;
    if (old->seriesSource_ == this) old->SetDataSource(nullptr);
  }
  if (!series) return;
  series_ = series;
  try {
    series->SetDataSource(this);
  } catch (...) {
    series_ = nullptr;
    throw;
  }
}

void TPlotSeriesSource::Loaded() {
  Loading = false;
  Refresh();
}

void TPlotSeriesSource::Refresh() {
  if (active_ && !Loading && series_) Load();
}

void TChartSeries::CopyPointFromSource(TChartSeries& source, int index) {
  if (index < 0 || index >= source.Count()) return;
  for (std::size_t k = 2; k < valueLists_.size(); ++k)
    valueLists_[k]->PendingValue =
        k < source.valueLists_.size() ? source.valueLists_[k]->Value(index) : 0.0;
  double x = source.GetXValue(index), y = source.GetYValue(index);
  if (source.yMandatory_ != yMandatory_) std::swap(x, y);
  const TColor c = source.pointColors_ && index < int(source.pointColors_->size())
                       ? (*source.pointColors_)[index]
                       : clDefault;
  AddXY(x, y, source.GetLabel(index), c);
}

// -- sample values

void TChartSeries::FillSampleValues(int numValues) {
  if (numValues < 0) throw ChartException(std::string(SFillSampleValuesNeedsPositive));
  if (numValues == 0) numValues = NumSampleValues();
  Clear();
  BeginUpdate();
  ChartRandom().SetSeed(std::uint32_t(ChartRandom().Next(7774444)));
  AddSampleValues(numValues);
  if (mandatory_->Order() != loNone) {
    mandatory_->Sort();
    if (notMandatory_->ValueSource().empty()) notMandatory_->FillWithIndices();
  }
  EndUpdate();
  DesignData = false;
}

void TChartSeries::AddSampleValues(int numValues) {
  double minY = 0, maxY = 1000, minX = 0, maxX = numValues - 1;
  bool haveData = false;
  if (parentChart_) {
    for (TChartSeries* s : parentChart_->SeriesList())
      if (s != this && s->Active() && s->Count() > 0) haveData = true;
  }
  if (haveData && vertAxisObject_ && horizAxisObject_) {
    minY = parentChart_->MinYValue(*vertAxisObject_);
    maxY = parentChart_->MaxYValue(*vertAxisObject_);
    if (maxY == minY) maxY = minY == 0 ? 1000 : 2 * minY;
    minX = parentChart_->MinXValue(*horizAxisObject_);
    maxX = parentChart_->MaxXValue(*horizAxisObject_);
    if (maxX == minX) maxX = minX == 0 ? numValues : 2 * minX;
    if (!yMandatory_) {
      std::swap(minX, minY);
      std::swap(maxX, maxY);
    }
  } else if (valueLists_[0]->DateTime()) {
    minX = std::floor(Now());
    maxX = minX + numValues - 1;
  }
  const double stepX = numValues > 1 ? (maxX - minX) / (numValues - 1) : maxX - minX;
  double difY = std::clamp(maxY - minY, -2147483647.0, 2147483647.0);
  if (!std::isfinite(difY)) difY = 1000;
  TChartRandom& rnd = ChartRandom();
  double y = minY + rnd.Next(int(std::trunc(difY)));
  const int q = int(std::nearbyint(difY)) / 4;
  double x = minX;
  for (int i = 0; i < numValues; ++i) {
    y = std::fabs(y + rnd.Next(q) - q / 2);
    if (yMandatory_)
      AddXY(x, y);
    else
      AddXY(y, x);
    x += stepX;
  }
}

}  // namespace qv
