// The common ancestors of the 3-D grid series: Z values, colouring by
// value (colour range and palette) and the grid index.
#include "chart/PlotSurfa.h"

#include <algorithm>
#include <cmath>

#include "chart/ZezIdazi.h"

namespace qv {

// ---- Z values ---------------------------------------------------------------------------------

TCustom3DSeries::TCustom3DSeries() {
  zValues_ = std::make_unique<TChartValueList>(this, "Z");
  XValues().SetOrder(loNone);
}

void TCustom3DSeries::Assign(const TCustomChartElement& source) {
  if (const auto* s = dynamic_cast<const TCustom3DSeries*>(&source); s && s != this)
    timesZOrder_ = s->timesZOrder_;
  // The value lists' settings, Z among them, come with the series'.
  TChartSeries::Assign(source);
}

void TCustom3DSeries::SetTimesZOrder(int v) {
  if (v == timesZOrder_) return;
  timesZOrder_ = v;
  Repaint();
}

int TCustom3DSeries::AddXYZ(double x, double y, double z, const std::string& label, TColor color) {
  zValues_->PendingValue = z;
  return AddXY(x, y, label, color);
}

void TCustom3DSeries::CalcZOrder() {
  TChartSeries::CalcZOrder();
  if (parentChart_) parentChart_->MaxZOrder = timesZOrder_;
}

double TCustom3DSeries::MinZValue() const { return zValues_->MinimumValue(); }
double TCustom3DSeries::MaxZValue() const { return zValues_->MaximumValue(); }

bool TCustom3DSeries::IsValidSourceOf(const TChartSeries& source) const {
  return dynamic_cast<const TCustom3DSeries*>(&source) != nullptr;
}

int TCustom3DSeries::CalcZPosValue(double z) const {
  return parentChart_ ? parentChart_->DepthAxis().ValueToPixel(z) : 0;
}

void TCustom3DSeries::DrawMark(int index, const std::string& text, TSeriesMarkPosition& position) {
  Marks().ZPosition = CalcZPosValue(GetZValue(index));
  TChartSeries::DrawMark(index, text, position);
}

void TCustom3DSeries::DrawLegendShape(int valueIndex, const TRect& rect) {
  auto* chart = dynamic_cast<TCustomChart*>(parentChart_);
  if (chart && chart->Legend().Symbol().Continuous() && chart->Canvas().ReferenceCanvas())
    chart->Canvas().Ref().Pen.SetStyle(psClear);
  TChartSeries::DrawLegendShape(valueIndex, rect);
}

// ---- colour by value --------------------------------------------------------------------------

TCustom3DPaletteSeries::TCustom3DPaletteSeries() { CalcColorRange(); }

void TCustom3DPaletteSeries::Assign(const TCustomChartElement& source) {
  if (const auto* s = dynamic_cast<const TCustom3DPaletteSeries*>(&source); s && s != this) {
    startColor_ = s->startColor_;
    midColor_ = s->midColor_;
    endColor_ = s->endColor_;
    useColorRange_ = s->useColorRange_;
    usePalette_ = s->usePalette_;
    paletteSteps_ = s->paletteSteps_;
    paletteStyle_ = s->paletteStyle_;
    RedDivisor = s->RedDivisor;
    GreenDivisor = s->GreenDivisor;
    BlueDivisor = s->BlueDivisor;
    palette_.clear();
    CalcColorRange();
  }
  TCustom3DSeries::Assign(source);
}

void TCustom3DPaletteSeries::BeforeDrawChart() {
  TCustom3DSeries::BeforeDrawChart();
  if (Count() > 0 && palette_.empty()) BuildDefaultPalette();
}

void TCustom3DPaletteSeries::BuildDefaultPalette() {
  CreateDefaultPalette(paletteSteps_);
  automaticPalette_ = true;
}

void TCustom3DPaletteSeries::NotifyValue(TValueEvent event, int index) {
  // A palette built from the values no longer fits values that changed.
  if (automaticPalette_) palette_.clear();
  TCustom3DSeries::NotifyValue(event, index);
}

TColor TCustom3DPaletteSeries::GetValueColor(int index) const {
  TColor c = TCustom3DSeries::GetValueColor(index);
  if (c != clNone && index >= 0 && index < Count()) {
    const double y = GetYValue(index);
    if (!std::isfinite(y))
      c = clNone;
    else if (!ColorEachPoint() && (useColorRange_ || usePalette_))
      c = GetValueColorValue(y);
  }
  if (OnGetColor) OnGetColor(const_cast<TCustom3DPaletteSeries*>(this), index, c);
  return c;
}

void TCustom3DPaletteSeries::Clear() {
  TCustom3DSeries::Clear();
  if (usePalette_) palette_.clear();
}

// -- legend

int TCustom3DPaletteSeries::CountLegendItems() const {
  if (useColorRange_ || usePalette_) return int(palette_.size());
  return TCustom3DSeries::CountLegendItems();
}

TColor TCustom3DPaletteSeries::LegendItemColor(int index) const {
  if (!(useColorRange_ || usePalette_)) return TCustom3DSeries::LegendItemColor(index);
  const int n = int(palette_.size());
  if (index < 0 || index >= n) return clNone;
  return GetValueColorValue(palette_[n - 1 - index].UpToValue);
}

std::string TCustom3DPaletteSeries::LegendString(int index, TLegendTextStyle style) const {
  if (!(useColorRange_ || usePalette_)) return TCustom3DSeries::LegendString(index, style);
  const int n = int(palette_.size());
  if (index < 0 || index >= n) return {};
  return FormatFloat(ValueFormat(), palette_[n - 1 - index].UpToValue);
}

// -- palette

int TCustom3DPaletteSeries::AddPalette(double value, TColor color) {
  automaticPalette_ = false;
  const auto at =
      std::upper_bound(palette_.begin(), palette_.end(), value,
                       [](double v, const TSurfacePaletteEntry& e) { return v < e.UpToValue; });
  const int index = int(at - palette_.begin());
  palette_.insert(at, TSurfacePaletteEntry{value, color});
  return index;
}

void TCustom3DPaletteSeries::ClearPalette() {
  palette_.clear();
  automaticPalette_ = false;
}

void TCustom3DPaletteSeries::CreateDefaultPalette(int steps) {
  ClearPalette();
  if (steps < 1) return;
  TChartValueList& y = YList();
  double angleStep = M_PI / steps;
  if (paletteStyle_ == psStrong) angleStep *= 2;
  const double valueStep = y.ValueRange() / std::max(1, steps - 1);
  const double first = y.MinimumValue();
  auto wave = [](double v) { return int(std::trunc((v + 1) * 127)); };
  auto divisor = [](double d) { return d != 0 ? d : 1.0; };
  palette_.reserve(std::size_t(steps));
  for (int i = 0; i < steps; ++i) {
    const double t = i * angleStep;
    const int r = wave(std::sin(t / divisor(RedDivisor)));
    const int g = wave(std::sin(t / divisor(GreenDivisor)));
    const int b = wave(std::cos(t / divisor(BlueDivisor)));
    AddPalette(first + i * valueStep, RGB(r, g, b));
  }
}

TColor TCustom3DPaletteSeries::GetSurfacePaletteColor(double value) const {
  for (const TSurfacePaletteEntry& e : palette_)
    if (e.UpToValue > value) return e.Color;
  return palette_.back().Color;
}

void TCustom3DPaletteSeries::CalcColorRange() {
  const TColor start = ColorToRGB(startColor_), end = ColorToRGB(endColor_);
  const int s[3] = {GetRValue(start), GetGValue(start), GetBValue(start)};
  const int e[3] = {GetRValue(end), GetGValue(end), GetBValue(end)};
  int m[3] = {0, 0, 0};
  if (midColor_ != clNone) {
    const TColor mid = ColorToRGB(midColor_);
    m[0] = GetRValue(mid);
    m[1] = GetGValue(mid);
    m[2] = GetBValue(mid);
  }
  for (int k = 0; k < 3; ++k) {
    endRGB_[k] = e[k];
    midRGB_[k] = m[k];
    if (midColor_ == clNone) {
      rangeRGB_[k] = s[k] - e[k];
      midRangeRGB_[k] = 0;
    } else {
      rangeRGB_[k] = s[k] - m[k];
      midRangeRGB_[k] = m[k] - e[k];
    }
  }
}

TColor TCustom3DPaletteSeries::RangePercent(double fraction) const {
  // Outside 0..1 (a value beyond the data) the nearer end colour holds.
  const double f = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
  int c[3];
  for (int k = 0; k < 3; ++k) {
    if (midColor_ == clNone)
      c[k] = endRGB_[k] + RoundInt(f * rangeRGB_[k]);
    else if (f >= 0.5)
      c[k] = midRGB_[k] + RoundInt((f - 0.5) * 2 * rangeRGB_[k]);
    else
      c[k] = endRGB_[k] + RoundInt(2 * f * midRangeRGB_[k]);
  }
  return RGB(c[0] & 0xFF, c[1] & 0xFF, c[2] & 0xFF);
}

TColor TCustom3DPaletteSeries::GetValueColorValue(double value) const {
  if (useColorRange_) {
    TChartValueList& y = YList();
    const double range = y.ValueRange();
    if (range == 0) return endColor_;
    return RangePercent((value - y.MinimumValue()) / range);
  }
  if (usePalette_ && !palette_.empty()) return GetSurfacePaletteColor(value);
  return SeriesColor();
}

// -- settings

void TCustom3DPaletteSeries::SetStartColor(TColor v) {
  if (v == startColor_) return;
  startColor_ = v;
  CalcColorRange();
  Repaint();
}

void TCustom3DPaletteSeries::SetMidColor(TColor v) {
  if (v == midColor_) return;
  midColor_ = v;
  CalcColorRange();
  Repaint();
}

void TCustom3DPaletteSeries::SetEndColor(TColor v) {
  if (v == endColor_) return;
  endColor_ = v;
  CalcColorRange();
  Repaint();
}

void TCustom3DPaletteSeries::SetUseColorRange(bool v) {
  if (v != useColorRange_) {
    useColorRange_ = v;
    Repaint();
  }
  if (v) SetColorEachPoint(false);
}

void TCustom3DPaletteSeries::SetUsePalette(bool v) {
  if (v != usePalette_) {
    usePalette_ = v;
    Repaint();
  }
  if (!v) return;
  SetColorEachPoint(false);
  if (palette_.empty() && Count() > 0) BuildDefaultPalette();
}

void TCustom3DPaletteSeries::SetPaletteSteps(int v) {
  paletteSteps_ = v;
  BuildDefaultPalette();
  Repaint();
}

void TCustom3DPaletteSeries::SetPaletteStyle(TPlotPaletteStyle v) {
  if (v == paletteStyle_) return;
  paletteStyle_ = v;
  ClearPalette();
  Repaint();
}

// -- gallery

std::vector<std::string> TCustom3DPaletteSeries::SubGalleryStyles() const {
  return {std::string(SGalleryNormal), std::string(SColorRange)};
}

void TCustom3DPaletteSeries::ApplySubGalleryStyle(int index) {
  if (index != 1) return;
  SetUseColorRange(true);
  SetUsePalette(false);
}

void TCustom3DPaletteSeries::PrepareForGallery(bool enabled) {
  SetUseColorRange(false);
  Pen().SetColor(enabled ? clBlack : clGray);
  SetUsePalette(enabled);
}

void TCustom3DPaletteSeries::ApplyGallery3D(bool is3D) {
  if (!parentChart_) return;
  TCustomAxisPanel& chart = *parentChart_;
  chart.SetView3D(true);
  TView3DOptions& view = chart.View3DOptions();
  view.SetZoom(60);
  view.SetVertOffset(-2);
  view.SetRotation(is3D ? 335 : 0);
  view.SetElevation(is3D ? 340 : 270);
  view.SetPerspective(is3D ? 60 : 0);
}

// ---- the grid -----------------------------------------------------------------------------

TCustom3DGridSeries::TCustom3DGridSeries() = default;
TCustom3DGridSeries::~TCustom3DGridSeries() = default;

void TCustom3DGridSeries::Assign(const TCustomChartElement& source) {
  if (const auto* s = dynamic_cast<const TCustom3DGridSeries*>(&source); s && s != this) {
    numXValues_ = s->numXValues_;
    numZValues_ = s->numZValues_;
    irregularGrid_ = s->irregularGrid_;
  }
  TCustom3DPaletteSeries::Assign(source);
}

void TCustom3DGridSeries::BeforeDrawChart() {
  TCustom3DPaletteSeries::BeforeDrawChart();
  if (Count() > 0) FillGridIndex();
}

void TCustom3DGridSeries::AddValuesFromSource(TChartSeries& source) {
  if (const auto* g = dynamic_cast<const TCustom3DGridSeries*>(&source)) {
    numXValues_ = g->numXValues_;
    numZValues_ = g->numZValues_;
  }
  TCustom3DPaletteSeries::AddValuesFromSource(source);
  FillGridIndex();
  Repaint();
}

bool TCustom3DGridSeries::IsValidSourceOf(const TChartSeries& source) const {
  return dynamic_cast<const TCustom3DGridSeries*>(&source) != nullptr;
}

void TCustom3DGridSeries::Clear() {
  TCustom3DPaletteSeries::Clear();
  XValues().SetOrder(loNone);
  FreeGridIndex();
}

void TCustom3DGridSeries::SetNumXValues(int v) {
  numXValues_ = v;
  CreateValues(numXValues_, numZValues_);
}

void TCustom3DGridSeries::SetNumZValues(int v) {
  numZValues_ = v;
  CreateValues(numXValues_, numZValues_);
}

void TCustom3DGridSeries::SetIrregularGrid(bool v) {
  if (v == irregularGrid_) return;
  irregularGrid_ = v;
  Repaint();
}

// -- grid index

int TCustom3DGridSeries::GetGridIndex(int x, int z) const {
  if (x < 1 || x > MaxGridSize || z < 1 || z > MaxGridSize || x > int(columns_.size())) return -1;
  const int* column = columns_[x - 1].get();
  return column ? column[z - 1] : -1;
}

void TCustom3DGridSeries::SetGridIndex(int x, int z, int index) {
  if (x < 1 || x > MaxGridSize || z < 1 || z > MaxGridSize) return;
  if (int(columns_.size()) < x) columns_.resize(MaxGridSize);
  std::unique_ptr<int[]>& column = columns_[x - 1];
  if (!column) {
    column = std::make_unique<int[]>(MaxGridSize);
    std::fill_n(column.get(), MaxGridSize, -1);
  }
  column[z - 1] = index;
}

void TCustom3DGridSeries::FreeGridIndex() { columns_.clear(); }

void TCustom3DGridSeries::EmptyGridIndex() {
  for (std::unique_ptr<int[]>& column : columns_)
    if (column) std::fill_n(column.get(), MaxGridSize, -1);
}

namespace {

// The 1-based cell of an offset from the grid's first value, or 0 when it
// lies outside the grid.
int RegularCell(double offset) {
  if (!(offset > -0.5 && offset < TCustom3DGridSeries::MaxGridSize)) return 0;
  const int cell = RoundInt(offset) + 1;
  return cell <= TCustom3DGridSeries::MaxGridSize ? cell : 0;
}

// The distinct finite values of List, ascending; the smallest MaxGridSize
// of them.
std::vector<double> DistinctValues(const TChartValueList& list) {
  std::vector<double> v;
  v.reserve(std::size_t(list.Count()));
  for (int i = 0; i < list.Count(); ++i)
    if (std::isfinite(list.Value(i))) v.push_back(list.Value(i));
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  if (int(v.size()) > TCustom3DGridSeries::MaxGridSize) v.resize(TCustom3DGridSeries::MaxGridSize);
  return v;
}

// The 1-based position of Value in the ascending list, 0 when absent.
int PositionOf(const std::vector<double>& list, double value) {
  const auto at = std::lower_bound(list.begin(), list.end(), value);
  return at != list.end() && *at == value ? int(at - list.begin()) + 1 : 0;
}

}  // namespace

void TCustom3DGridSeries::FillGridIndex() {
  // The columns stay allocated from one drawing to the next.
  EmptyGridIndex();
  gridX_.clear();
  gridZ_.clear();
  const int n = Count();
  if (n == 0) return;
  TChartValueList& xs = XValues();
  TChartValueList& zs = ZValues();
  gridMinX_ = xs.MinimumValue();
  gridMinZ_ = zs.MinimumValue();
  if (!irregularGrid_) {
    for (int i = 0; i < n; ++i) {
      const int x = RegularCell(xs.Value(i) - gridMinX_);
      const int z = RegularCell(zs.Value(i) - gridMinZ_);
      if (x > 0 && z > 0) SetGridIndex(x, z, i);
    }
    auto size = [](double span) {
      return span < MaxGridSize ? std::max(1, RoundInt(span) + 1) : MaxGridSize;
    };
    numXValues_ = size(xs.MaximumValue() - gridMinX_);
    numZValues_ = size(zs.MaximumValue() - gridMinZ_);
    return;
  }
  gridX_ = DistinctValues(xs);
  gridZ_ = DistinctValues(zs);
  for (int i = 0; i < n; ++i) {
    const int x = PositionOf(gridX_, xs.Value(i));
    const int z = PositionOf(gridZ_, zs.Value(i));
    if (x > 0 && z > 0) SetGridIndex(x, z, i);
  }
  numXValues_ = int(gridX_.size());
  numZValues_ = int(gridZ_.size());
}

bool TCustom3DGridSeries::ExistFourGridIndex(int x, int z) {
  cell_[0] = GetGridIndex(x, z);
  if (cell_[0] < 0) return false;
  cell_[1] = GetGridIndex(x + CellDX, z);
  if (cell_[1] < 0) return false;
  cell_[2] = GetGridIndex(x + CellDX, z + CellDZ);
  if (cell_[2] < 0) return false;
  cell_[3] = GetGridIndex(x, z + CellDZ);
  return cell_[3] >= 0;
}

// -- generated values

void TCustom3DGridSeries::CreateValues(int numX, int numZ) {
  const bool designing = parentChart_ && parentChart_->Designing;
  if (!(OnGetYValue || designing || sampleValues_)) return;
  numX = std::clamp(numX, 0, MaxGridSize);
  numZ = std::clamp(numZ, 0, MaxGridSize);
  numXValues_ = numX;
  numZValues_ = numZ;
  // The series' lists grow once to the whole grid, and afterwards again in
  // their usual steps.
  struct TGrowth {
    const std::vector<TChartValueList*>& Lists;
    ~TGrowth() {
      for (TChartValueList* list : Lists) list->SetGrowthStep(TChartValueList::DefaultGrowthStep);
    }
  } growth{ValueLists()};
  for (TChartValueList* list : ValueLists()) list->SetGrowthStep(numX * numZ);
  Clear();
  BeginUpdate();
  try {
    for (int z = 1; z <= numZ; ++z)
      for (int x = 1; x <= numX; ++x) AddXYZ(x, GetXZValue(x, z), z, "", clDefault);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  BuildDefaultPalette();
}

double TCustom3DGridSeries::GetXZValue(int x, int z) {
  if (OnGetYValue) return OnGetYValue(this, x, z);
  const bool designing = parentChart_ && parentChart_->Designing;
  if (!(designing || sampleValues_) || numXValues_ < 1 || numZValues_ < 1) return 0;
  auto sqr = [](double v) { return v * v; };
  return 0.5 * sqr(std::cos(x / (0.2 * numXValues_))) + sqr(std::cos(z / (0.2 * numZValues_))) -
         std::cos(z / (0.5 * numZValues_));
}

void TCustom3DGridSeries::CreateSampleGrid(int n) {
  if (n >= 1) CreateSampleValues(std::min(MaxGridSize, n), std::min(MaxGridSize, n));
}

void TCustom3DGridSeries::CreateSampleValues(int numX, int numZ) {
  struct TSample {
    bool& Flag;
    ~TSample() { Flag = false; }
  } sample{sampleValues_};
  sampleValues_ = true;
  CreateValues(numX, numZ);
}

void TCustom3DGridSeries::AddSampleValues(int numValues) { CreateSampleGrid(numValues); }

// ---- registration -------------------------------------------------------------------------

const TSeriesClass& SurfaceSeriesClass() {
  static const TSeriesClass c{"TSurfaceSeries", [] { return std::make_unique<TSurfaceSeries>(); }};
  return c;
}

const TSeriesClass& ContourSeriesClass() {
  static const TSeriesClass c{"TContourSeries", [] { return std::make_unique<TContourSeries>(); }};
  return c;
}

const TSeriesClass& WaterFallSeriesClass() {
  static const TSeriesClass c{"TWaterFallSeries",
                              [] { return std::make_unique<TWaterFallSeries>(); }};
  return c;
}

const TSeriesClass& ColorGridSeriesClass() {
  static const TSeriesClass c{"TColorGridSeries",
                              [] { return std::make_unique<TColorGridSeries>(); }};
  return c;
}

void RegisterGridSeriesTypes() {
  RegisterSeriesType(&SurfaceSeriesClass(), SSeriesTypeSurface, SGalleryExtended, 1);
  RegisterSeriesType(&ContourSeriesClass(), SSeriesTypeContour, SGalleryExtended, 1);
  RegisterSeriesType(&WaterFallSeriesClass(), SSeriesTypeWaterFall, SGalleryStats, 1);
  RegisterSeriesType(&ColorGridSeriesClass(), SSeriesTypeColorGrid, SGalleryStats, 1);
}

void UnregisterGridSeriesTypes() {
  UnregisterSeriesTypes({&SurfaceSeriesClass(), &ContourSeriesClass(), &WaterFallSeriesClass(),
                         &ColorGridSeriesClass()});
}

namespace {
// The types are offered from program start to program end.
struct TGridSeriesRegistration {
  TGridSeriesRegistration() { RegisterGridSeriesTypes(); }
  ~TGridSeriesRegistration() { UnregisterGridSeriesTypes(); }
  TGridSeriesRegistration(const TGridSeriesRegistration&) = delete;
  TGridSeriesRegistration& operator=(const TGridSeriesRegistration&) = delete;
} gridSeriesRegistration;
}  // namespace

}  // namespace qv
