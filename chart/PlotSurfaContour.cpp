// Contour series: levels (automatic or the user's) and their iso-lines,
// found cell by cell with the CONREC method.
#include <algorithm>
#include <array>
#include <cmath>

#include "chart/PlotSurfa.h"
#include "chart/ZezIdazi.h"

namespace qv {

// ---- levels -------------------------------------------------------------------------------

void TContourLevel::Changed() {
  if (collection_) collection_->Changed();
}

void TContourLevel::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TContourLevel::SetUpToValue(double v) {
  if (v == upToValue_) return;
  upToValue_ = v;
  Changed();
}

void TContourLevel::Assign(const TContourLevel& source) {
  color_ = source.color_;
  upToValue_ = source.upToValue_;
  Changed();
}

void TContourLevels::Changed() {
  if (owner_) owner_->LevelsChanged();
}

TContourLevel& TContourLevels::Add() {
  items_.push_back(std::make_unique<TContourLevel>(this));
  Changed();
  return *items_.back();
}

void TContourLevels::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  Changed();
}

void TContourLevels::Clear() {
  items_.clear();
  Changed();
}

void TContourLevels::Assign(const TContourLevels& source) {
  if (&source == this) return;
  items_.clear();
  for (const auto& level : source.items_) {
    items_.push_back(std::make_unique<TContourLevel>(this));
    items_.back()->color_ = level->color_;
    items_.back()->upToValue_ = level->upToValue_;
  }
  Changed();
}

// ---- series -------------------------------------------------------------------------------

TContourSeries::TContourSeries() { SetColorEachPoint(true); }

TContourSeries::~TContourSeries() = default;

void TContourSeries::LevelsChanged() {
  if (!building_) automaticLevels_ = false;
  Repaint();
}

void TContourSeries::Assign(const TCustomChartElement& source) {
  if (const auto* s = dynamic_cast<const TContourSeries*>(&source); s && s != this) {
    levels_.Assign(s->levels_);
    automaticLevels_ = s->automaticLevels_;
    numLevels_ = s->numLevels_;
    yPosition_ = s->yPosition_;
    yPositionLevel_ = s->yPositionLevel_;
  }
  TCustom3DGridSeries::Assign(source);
}

void TContourSeries::SetAutomaticLevels(bool v) {
  if (v == automaticLevels_) return;
  automaticLevels_ = v;
  Repaint();
}

int TContourSeries::NumLevels() const { return automaticLevels_ ? numLevels_ : levels_.Count(); }

void TContourSeries::SetNumLevels(int v) {
  numLevels_ = v;
  if (automaticLevels_) {
    building_ = true;
    levels_.Clear();
    building_ = false;
    automaticLevels_ = true;
  }
  Repaint();
}

void TContourSeries::SetYPosition(double v) {
  if (v == yPosition_) return;
  yPosition_ = v;
  Repaint();
}

void TContourSeries::SetYPositionLevel(bool v) {
  if (v == yPositionLevel_) return;
  yPositionLevel_ = v;
  Repaint();
}

void TContourSeries::BeforeDrawChart() {
  TCustom3DGridSeries::BeforeDrawChart();
  CreateAutoLevels();
}

void TContourSeries::CreateAutoLevels() {
  if (!automaticLevels_ || numLevels_ < 1) return;
  // The series' own changes neither switch the automatic levels off nor
  // repaint the chart while it prepares a drawing.
  struct TBuilding {
    TContourSeries& Series;
    bool SavedRepaint;
    ~TBuilding() {
      Series.building_ = false;
      if (Series.parentChart_) Series.parentChart_->AutoRepaint = SavedRepaint;
    }
  } building{*this, parentChart_ ? parentChart_->AutoRepaint : true};
  building_ = true;
  if (parentChart_) parentChart_->AutoRepaint = false;
  TChartValueList& y = YList();
  const double step = y.ValueRange() / numLevels_;
  const double first = y.MinimumValue();
  levels_.Clear();
  for (int i = 0; i < numLevels_; ++i) {
    double value = first + i * step;
    TColor color;
    if (ColorEachPoint())
      // More levels than points: the colours a point of that index would take.
      color = i < Count() ? GetValueColor(i) : DefaultSeriesColor(i);
    else
      color = GetValueColorValue(value);
    if (OnGetLevel) OnGetLevel(this, i, value, color);
    TContourLevel& level = levels_.Add();
    level.SetUpToValue(value);
    level.SetColor(color);
  }
}

// -- legend

TColor TContourSeries::LegendItemColor(int index) const {
  const int n = levels_.Count();
  return index >= 0 && index < n ? levels_[n - 1 - index].Color() : clNone;
}

std::string TContourSeries::LegendString(int index, TLegendTextStyle /*style*/) const {
  const int n = levels_.Count();
  if (index < 0 || index >= n) return {};
  return FormatFloat(ValueFormat(), levels_[n - 1 - index].UpToValue());
}

double TContourSeries::MaxYValue() {
  if (parentChart_ && parentChart_->View3D()) return TCustom3DGridSeries::MaxYValue();
  return ZValues().MaximumValue();
}

double TContourSeries::MinYValue() {
  if (parentChart_ && parentChart_->View3D()) return TCustom3DGridSeries::MinYValue();
  return ZValues().MinimumValue();
}

// -- gallery

std::vector<std::string> TContourSeries::SubGalleryStyles() const {
  std::vector<std::string> styles = TCustom3DGridSeries::SubGalleryStyles();
  styles.emplace_back(SStyleColors);
  styles.emplace_back(SStylePositions);
  return styles;
}

void TContourSeries::ApplySubGalleryStyle(int index) {
  switch (index) {
    case 2:
      SetColorEachPoint(true);
      break;
    case 3:
      SetYPositionLevel(true);
      break;
    default:
      TCustom3DGridSeries::ApplySubGalleryStyle(index);
  }
}

void TContourSeries::PrepareForGallery(bool enabled) {
  TCustom3DGridSeries::PrepareForGallery(enabled);
  if (!enabled) SetSeriesColor(clGray);
}

void TContourSeries::AddSampleValues(int numValues) {
  CreateSampleGrid(numValues);
  SetYPosition(0.5 * (YValues().MinimumValue() + YValues().MaximumValue()));
}

// -- drawing

namespace {

// One level of one drawing: its value, colour and segments (x0, y0, x1,
// y1 in pixels; the second coordinate is the depth in a 3-D chart).
struct TLevelSegments {
  double Value = 0;
  TColor Color = clNone;
  std::vector<std::array<int, 4>> Segments;
};

// CONREC's case table, indexed by the signs (+1) of a triangle's first
// corner, the cell centre and the next corner: 0 no segment; 1..3 along a
// side between two vertices; 4..6 from a vertex to the crossing on the
// opposite side; 7..9 between the crossings on two sides.
constexpr int kCases[3][3][3] = {{{0, 0, 8}, {0, 2, 5}, {7, 6, 9}},
                                 {{0, 3, 4}, {1, 3, 1}, {4, 3, 0}},
                                 {{9, 6, 7}, {5, 2, 0}, {8, 0, 0}}};

// The segments of one level in one cell. Vertex 0 is the cell centre,
// 1..4 the corners in order round the cell; X, Y are their pixels and D
// their values.
void ContourCell(const double (&px)[5], const double (&py)[5], const double (&d)[5],
                 TLevelSegments& level) {
  double h[5];
  int sign[5];
  for (int m = 0; m < 5; ++m) {
    h[m] = d[m] - level.Value;
    sign[m] = h[m] > 0 ? 1 : h[m] < 0 ? -1 : 0;
  }
  // Where the level crosses the side between vertices p and q.
  auto crossX = [&](int p, int q) { return (h[q] * px[p] - h[p] * px[q]) / (h[q] - h[p]); };
  auto crossY = [&](int p, int q) { return (h[q] * py[p] - h[p] * py[q]) / (h[q] - h[p]); };
  for (int m = 1; m <= 4; ++m) {
    const int m1 = m, m2 = 0, m3 = m == 4 ? 1 : m + 1;
    const int c = kCases[sign[m1] + 1][sign[m2] + 1][sign[m3] + 1];
    if (c == 0) continue;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    switch (c) {
      case 1:  // vertices 1 and 2
        x1 = px[m1], y1 = py[m1], x2 = px[m2], y2 = py[m2];
        break;
      case 2:  // vertices 2 and 3
        x1 = px[m2], y1 = py[m2], x2 = px[m3], y2 = py[m3];
        break;
      case 3:  // vertices 3 and 1
        x1 = px[m3], y1 = py[m3], x2 = px[m1], y2 = py[m1];
        break;
      case 4:  // vertex 1 and side 2-3
        x1 = px[m1], y1 = py[m1], x2 = crossX(m2, m3), y2 = crossY(m2, m3);
        break;
      case 5:  // vertex 2 and side 3-1
        x1 = px[m2], y1 = py[m2], x2 = crossX(m3, m1), y2 = crossY(m3, m1);
        break;
      case 6:  // vertex 3 and side 1-2
        x1 = px[m3], y1 = py[m3], x2 = crossX(m1, m2), y2 = crossY(m1, m2);
        break;
      case 7:  // sides 1-2 and 2-3
        x1 = crossX(m1, m2), y1 = crossY(m1, m2), x2 = crossX(m2, m3), y2 = crossY(m2, m3);
        break;
      case 8:  // sides 2-3 and 3-1
        x1 = crossX(m2, m3), y1 = crossY(m2, m3), x2 = crossX(m3, m1), y2 = crossY(m3, m1);
        break;
      default:  // 9: sides 3-1 and 1-2
        x1 = crossX(m3, m1), y1 = crossY(m3, m1), x2 = crossX(m1, m2), y2 = crossY(m1, m2);
        break;
    }
    level.Segments.push_back({RoundInt(x1), RoundInt(y1), RoundInt(x2), RoundInt(y2)});
  }
}

}  // namespace

void TContourSeries::DrawAllValues() {
  if (Count() == 0 || !parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  canvas.ApplyPen(pen_);
  canvas.Ref().Brush.SetStyle(bsClear);
  CellDX = CellDZ = 1;
  const bool is3D = parentChart_->View3D();
  const TChartAxis* zAxis = is3D ? &parentChart_->DepthAxis() : VertAxisObject();
  const TChartAxis* xAxis = HorizAxisObject();
  if (!zAxis || !xAxis) return;

  std::vector<TLevelSegments> levels(std::size_t(levels_.Count()));
  if (levels.empty()) return;
  double lowest = levels_[0].UpToValue(), highest = lowest;
  for (int k = 0; k < levels_.Count(); ++k) {
    levels[k].Value = levels_[k].UpToValue();
    levels[k].Color = levels_[k].Color();
    lowest = std::min(lowest, levels[k].Value);
    highest = std::max(highest, levels[k].Value);
  }

  const int nx = NumXValues(), nz = NumZValues();
  for (int x = 1; x < nx; ++x)
    for (int z = 1; z < nz; ++z) {
      if (!ExistFourGridIndex(x, z)) continue;
      // Corners round the cell: (x, z), (x, z + 1), (x + 1, z + 1), (x + 1, z).
      const int corner[4] = {CellIndex(0), CellIndex(3), CellIndex(2), CellIndex(1)};
      double px[5], py[5], d[5];
      double dmin = 0, dmax = 0;
      bool usable = true;
      for (int k = 0; k < 4; ++k) {
        const int i = corner[k];
        d[k + 1] = GetYValue(i);
        if (!std::isfinite(d[k + 1])) {
          usable = false;
          break;
        }
        px[k + 1] = xAxis->ValueToPixelExact(GetXValue(i));
        py[k + 1] = zAxis->ValueToPixelExact(GetZValue(i));
        dmin = k == 0 ? d[1] : std::min(dmin, d[k + 1]);
        dmax = k == 0 ? d[1] : std::max(dmax, d[k + 1]);
      }
      if (!usable || dmin > highest || dmax < lowest) continue;
      d[0] = 0.25 * (d[1] + d[2] + d[3] + d[4]);
      px[0] = 0.25 * (px[1] + px[2] + px[3] + px[4]);
      py[0] = 0.25 * (py[1] + py[2] + py[3] + py[4]);
      for (TLevelSegments& level : levels)
        if (level.Value >= dmin && level.Value <= dmax) ContourCell(px, py, d, level);
    }

  for (const TLevelSegments& level : levels) {
    if (level.Segments.empty() || level.Color == clNone) continue;
    canvas.ApplyPenColor(pen_, level.Color);
    if (!is3D) {
      for (const auto& s : level.Segments) canvas.Line(s[0], s[1], s[2], s[3]);
      continue;
    }
    const int y = CalcYPosValue(yPositionLevel_ ? level.Value : yPosition_);
    for (const auto& s : level.Segments) {
      canvas.MovePen3D(s[0], y, s[1]);
      canvas.DrawLineTo3D(s[2], y, s[3]);
    }
  }
}

}  // namespace qv
