// The series' point data stream, its mark positions and its legend symbol.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "chart/Chart.h"
#include "chart/VeZazera.h"
#include "platform/core/Classes.h"
#include "platform/core/Codepage.h"

namespace qv {

// ---- mark positions ---------------------------------------------------------------

TSeriesMarkPosition& TSeriesMarksPositions::Ensure(int index) {
  if (index >= Count()) items_.resize(std::size_t(index) + 1);
  if (!items_[index]) items_[index] = std::make_unique<TSeriesMarkPosition>();
  return *items_[index];
}

void TSeriesMarksPositions::Delete(int index) {
  if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TSeriesMarksPositions::DeleteRange(int start, int quantity) {
  if (start < 0 || quantity <= 0 || start >= Count()) return;
  const int end = std::min(Count(), start + quantity);
  items_.erase(items_.begin() + start, items_.begin() + end);
}

bool TSeriesMarksPositions::HasCustom() const {
  return std::any_of(items_.begin(), items_.end(), [](const auto& p) { return p && p->IsCustom; });
}

// ---- point data ----------------------------------------------------------------------

namespace {

constexpr int kMarkPositionBytes = 34;

void WritePoint(TStream& s, const TPoint& p) {
  s.WriteLE<int32_t>(p.X);
  s.WriteLE<int32_t>(p.Y);
}

TPoint ReadPoint(TStream& s) {
  TPoint p;
  p.X = s.ReadLE<int32_t>();
  p.Y = s.ReadLE<int32_t>();
  return p;
}

[[noreturn]] void BadData(const std::string& what) {
  throw EReadError("Invalid series point data: " + what);
}

}  // namespace

unsigned char TChartSeries::PointDataFlags() const {
  // Every point is looked at: a difference after the first thousands of
  // points must not lose X values, colours or labels in the file.
  unsigned char flags = 0;
  const int n = Count();
  if (n > 0) {
    const TChartValueList& x = *notMandatory_;
    for (int i = 0; i < n; ++i)
      if (x.Value(i) != double(i)) {
        flags |= pdXValues;
        break;
      }
    for (int i = 0; i < n; ++i) {
      const TColor c = GetValueColor(i);
      if (c != clDefault && c != seriesColor_) {
        flags |= pdColors;
        break;
      }
    }
    for (const std::string& label : labels_)
      if (!label.empty()) {
        flags |= pdLabels;
        break;
      }
  }
  if (markPositions_.HasCustom()) flags |= pdMarkPositions;
  return flags;
}

void WriteSeriesPoints(const TChartSeries& series, TStream& stream) { series.WriteData(stream); }

void TChartSeries::WriteData(TStream& stream) const {
  const unsigned char flags = PointDataFlags();
  const int n = Count();
  stream.WriteLE<uint8_t>(flags);
  stream.WriteLE<int32_t>(n);
  for (int i = 0; i < n; ++i) {
    if (flags & pdXValues) stream.WriteLE<double>(notMandatory_->Value(i));
    stream.WriteLE<double>(mandatory_->Value(i));
    if (flags & pdColors) stream.WriteLE<uint32_t>(GetValueColor(i));
    if (flags & pdLabels) {
      // One length byte and that many 8-bit characters; a longer label is
      // cut to its first 255.
      const std::string text = Utf8ToCp1252(GetLabel(i));
      const std::size_t len = std::min<std::size_t>(text.size(), 255);
      stream.WriteLE<uint8_t>(uint8_t(len));
      stream.WriteBuffer(text.data(), int64_t(len));
    }
    for (std::size_t k = 2; k < valueLists_.size(); ++k)
      stream.WriteLE<double>(valueLists_[k]->Value(i));
    if (flags & pdMarkPositions) {
      static const TSeriesMarkPosition empty;
      const TSeriesMarkPosition* p = markPositions_.Position(i);
      if (!p) p = &empty;
      WritePoint(stream, p->ArrowStart);
      stream.WriteLE<uint8_t>(p->ArrowFixed ? 1 : 0);
      WritePoint(stream, p->ArrowEnd);
      stream.WriteLE<uint8_t>(p->IsCustom ? 1 : 0);
      stream.WriteLE<int32_t>(p->Height);
      WritePoint(stream, p->TopLeft);
      stream.WriteLE<int32_t>(p->Width);
    }
  }
}

void TChartSeries::ReadData(TStream& stream) {
  const unsigned flags = stream.ReadLE<uint8_t>();
  if (flags & ~unsigned(pdXValues | pdColors | pdLabels | pdMarkPositions))
    BadData(Format("unknown flags %d", int(flags)));
  const int32_t count = stream.ReadLE<int32_t>();
  if (count < 0) BadData(Format("negative count %d", int(count)));
  const std::size_t further = valueLists_.size() > 2 ? valueLists_.size() - 2 : 0;
  const int64_t minRecord = ((flags & pdXValues) ? 8 : 0) + 8 + ((flags & pdColors) ? 4 : 0) +
                            ((flags & pdLabels) ? 1 : 0) + 8 * int64_t(further) +
                            ((flags & pdMarkPositions) ? kMarkPositionBytes : 0);
  if (int64_t(count) * minRecord > stream.Remaining())
    BadData(Format("%d points need more bytes than remain", int(count)));

  // Everything is read before the series changes, so bad data leaves it whole.
  struct Point {
    double x = 0, y = 0;
    TColor color = clDefault;
    std::string label;
    std::vector<double> more;
    std::unique_ptr<TSeriesMarkPosition> mark;
  };
  std::vector<Point> points(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    Point& p = points[std::size_t(i)];
    p.x = (flags & pdXValues) ? stream.ReadLE<double>() : double(i);
    p.y = stream.ReadLE<double>();
    if (flags & pdColors) p.color = TColor(stream.ReadLE<uint32_t>());
    if (flags & pdLabels) {
      const int len = stream.ReadLE<uint8_t>();
      p.label = Cp1252ToUtf8(stream.ReadBytes(len));
    }
    p.more.resize(further);
    for (double& v : p.more) v = stream.ReadLE<double>();
    if (flags & pdMarkPositions) {
      auto m = std::make_unique<TSeriesMarkPosition>();
      m->ArrowStart = ReadPoint(stream);
      m->ArrowFixed = stream.ReadLE<uint8_t>() != 0;
      m->ArrowEnd = ReadPoint(stream);
      m->IsCustom = stream.ReadLE<uint8_t>() != 0;
      m->Height = stream.ReadLE<int32_t>();
      m->TopLeft = ReadPoint(stream);
      m->Width = stream.ReadLE<int32_t>();
      p.mark = std::move(m);
    }
  }

  Clear();
  for (Point& p : points) {
    for (std::size_t k = 0; k < further; ++k) valueLists_[k + 2]->PendingValue = p.more[k];
    if (yMandatory_)
      AddXY(p.x, p.y, p.label, p.color);
    else
      AddXY(p.y, p.x, p.label, p.color);
    if (p.mark) markPositions_.Append(std::move(p.mark));
  }
  DesignData = true;
}

bool TChartSeries::IsDataStored() const {
  return DesignData && parentChart_ && parentChart_->Designing && !HasDataSource() && !function_;
}

// ---- legend symbol ---------------------------------------------------------------------

TColor TChartSeries::LegendFillColor(int valueIndex) const {
  return valueIndex == -1 ? seriesColor_ : LegendItemColor(valueIndex);
}

TColor TChartSeries::LegendBackColor() const {
  if (!parentChart_) return clWhite;
  const TColor c = parentChart_->LegendColor;
  return c == clDefault ? parentChart_->Color() : c;
}

void TChartSeries::DrawLegend(int valueIndex, const TRect& rect) {
  if (valueIndex == -1 && colorEachPoint_) return;
  if (!parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  canvas.ApplyPen(pen_);
  const TColor fill = LegendFillColor(valueIndex);
  if (fill == clNone) return;
  canvas.ApplyBrushColor(brush_, fill, LegendBackColor());
  DrawLegendShape(valueIndex, rect);
}

void TChartSeries::DrawLegendShape(int valueIndex, const TRect& rect) {
  if (!parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  canvas.RectOutline(rect);
  const TColor fill = ColorToRGB(LegendFillColor(valueIndex));
  if (fill != ColorToRGB(LegendBackColor())) return;
  // The symbol would vanish on the legend: outline it.
  canvas.Ref().Brush.SetStyle(bsClear);
  canvas.ApplyPenColor(pen_, fill == clBlack ? clWhite : pen_.Color());
  canvas.RectOutline(rect);
}

}  // namespace qv
