// Axis labels and drawing: the automatic label style, label texts and
// sizes, the room an axis takes in the chart rectangle, and drawing the
// title, the labels (with the overlap rule of text labels), the axis line,
// ticks, grid and minor marks.
#include <algorithm>
#include <cmath>

#include "chart/Chart.h"
#include "chart/VeZazera.h"

namespace qv {

namespace {
// Half the width of the band around the axis line that takes clicks.
constexpr int kAxisClickTolerance = 3;
// More labels than this are never drawn.
constexpr double kMaxValueLabels = 10000;
// OnGetNextAxisLabel is asked for at most this many labels.
constexpr int kMaxCustomLabels = 2000;

bool Turned(int angle) { return angle == 90 || angle == 270; }

// Text alignment of labels by [horizontal axis][other side].
constexpr unsigned kLabelAlign[2][2] = {{TA_RIGHT, TA_LEFT}, {TA_CENTER, TA_CENTER | TA_BOTTOM}};

int LineCount(const std::string& text) {
  return text.empty() ? 0 : int(std::count(text.begin(), text.end(), ChartLineSeparator)) + 1;
}

// Makes the text of a value for comparisons, as the platform formats floats.
std::string PlainText(double v) { return FloatToStr(v); }
}  // namespace

// ---- label style ------------------------------------------------------------------------

TAxisLabelStyle TChartAxis::AutoLabelStyle() const {
  if (!panel_) return talValue;
  TAxisLabelStyle result = talNone;
  for (TChartSeries* s : panel_->SeriesList()) {
    if (!s->Active() || !s->AssociatedToAxis(this)) continue;
    result = talValue;
    if (horizontal_ == s->YMandatory() && s->HasLabels() && !s->GetLabel(0).empty()) return talText;
  }
  return result;
}

TAxisLabelStyle TChartDepthAxis::AutoLabelStyle() const {
  if (!ParentChart()) return talText;
  for (TChartSeries* s : ParentChart()->SeriesList())
    if (s->Active() && (s->HasZValues() || s->MinZValue() != s->MaxZValue())) return talValue;
  return talText;
}

int TChartAxis::AxisDepth() const {
  if (!panel_ || !panel_->View3D() || isDepthAxis_) return 0;
  return otherSide_ ? panel_->Width3D : 0;
}

// ---- sizes ----------------------------------------------------------------------------------

int TChartAxis::LabelWidth(double value) {
  if (!panel_ || !panel_->Canvas().ReferenceCanvas()) return 0;
  TPlotCanvas3D& canvas = panel_->Canvas();
  canvas.ApplyFont(LabelsFont);
  const std::string text = FormatLabel(value);
  if (Turned(labelsAngle_)) return canvas.FontHeight() * LineCount(text);
  int lines = 0;
  return panel_->MultiLineTextWidth(text, lines);
}

int TChartAxis::LabelHeight(double value) {
  if (!panel_ || !panel_->Canvas().ReferenceCanvas()) return 0;
  TPlotCanvas3D& canvas = panel_->Canvas();
  canvas.ApplyFont(LabelsFont);
  const std::string text = FormatLabel(value);
  if (Turned(labelsAngle_)) {
    int lines = 0;
    return panel_->MultiLineTextWidth(text, lines);
  }
  return canvas.FontHeight() * LineCount(text);
}

int TChartAxis::MaxLabelsWidth() {
  if (!panel_ || !panel_->Canvas().ReferenceCanvas()) return 0;
  panel_->Canvas().ApplyFont(LabelsFont);
  switch (EffectiveLabelStyle()) {
    case talValue: {
      // Measured as the values are, without the chart's label handler.
      auto handler = std::move(panel_->OnGetAxisLabel);
      panel_->OnGetAxisLabel = nullptr;
      const int w = std::max(LabelWidth(RangeMinimum), LabelWidth(RangeMaximum));
      panel_->OnGetAxisLabel = std::move(handler);
      return w + panel_->Canvas().TextWidth(" ");
    }
    case talMark:
      return panel_->MaxMarkWidth();
    case talText:
      return panel_->MaxTextWidth();
    default:
      return 0;
  }
}

int TChartAxis::OuterLength() const {
  int n = AxisPen.Visible() ? AxisPen.Width() + 1 : 0;
  if (Ticks.Visible()) n += TickLength;
  if (MinorTicks.Visible()) n = std::max(n, MinorTickLength);
  return n;
}

int TChartAxis::TitleSizeAcross() {
  if (TitleSize > 0) return TitleSize;
  TPlotCanvas3D& canvas = panel_->Canvas();
  canvas.ApplyFont(Title.Font());
  // Across a horizontal axis a level title takes its height; across a
  // vertical one a turned title does.
  const bool level = !Turned(Title.Angle());
  if (horizontal_ == level) return canvas.FontHeight();
  return canvas.TextWidth(Title.Caption());
}

int TChartAxis::LabelsSizeAcross() {
  if (LabelsSize > 0) return LabelsSize;
  if (!horizontal_) return MaxLabelsWidth();
  panel_->Canvas().ApplyFont(LabelsFont);
  // Lines of the widest label of the range ends.
  const int lines =
      std::max({1, LineCount(FormatLabel(RangeMinimum)), LineCount(FormatLabel(RangeMaximum))});
  if (Turned(labelsAngle_)) return MaxLabelsWidth();
  return panel_->Canvas().FontHeight() * lines;
}

bool TChartAxis::FirstSeriesIsDateTime() const {
  if (!panel_) return false;
  for (TChartSeries* s : panel_->SeriesList()) {
    if (!s->Active() || !s->AssociatedToAxis(this)) continue;
    // Along a horizontal axis a Y-mandatory series shows its X values.
    const bool xAlong = horizontal_ == s->YMandatory();
    return xAlong ? s->XValues().DateTime() : s->YValues().DateTime();
  }
  return false;
}

// ---- layout ---------------------------------------------------------------------------------

namespace {
// The edge of Rect an axis stands on, and the direction that points out of
// the rectangle there (+1 right or down, -1 left or up).
int& Edge(TRect& r, bool horizontal, bool otherSide) {
  if (horizontal) return otherSide ? r.Top : r.Bottom;
  return otherSide ? r.Right : r.Left;
}
int Outward(bool horizontal, bool otherSide) {
  if (horizontal) return otherSide ? -1 : 1;
  return otherSide ? 1 : -1;
}
}  // namespace

void TChartAxis::ReserveSpace(TRect& rect, bool inflate) {
  ShowsDateTime = FirstSeriesIsDateTime();
  if (!panel_ || !panel_->Canvas().ReferenceCanvas()) return;
  const int out = Outward(horizontal_, otherSide_);
  int& edge = Edge(rect, horizontal_, otherSide_);
  if (!inflate) {
    AxisPosition = OffsetByPercent(edge, rect);
    LabelsPosition = AxisPosition + out * OuterLength();
    TitlePosition = LabelsPosition + out * (Labels ? LabelsSizeAcross() : 0);
    return;
  }
  if (!isDepthAxis_ && Title.Visible() && !Title.Caption().empty()) {
    edge -= out * TitleSizeAcross();
    TitlePosition = edge;
  }
  if (Labels) {
    edge -= out * LabelsSizeAcross();
    LabelsPosition = edge;
  }
  const int n = OuterLength() + panel_->CalcWallSize(*this);
  if (n > 0) edge -= out * n;
  TitlePosition = OffsetByPercent(TitlePosition, rect);
  LabelsPosition = OffsetByPercent(LabelsPosition, rect);
}

bool TChartAxis::Clicked(int x, int y) {
  if (!panel_ || !panel_->IsAxisVisible(*this)) return false;
  panel_->Canvas().ScreenToWorld(x, y, AxisDepth());
  const int lo = std::min(StartPixel, EndPixel), hi = std::max(StartPixel, EndPixel);
  const int along = horizontal_ ? x : y, across = horizontal_ ? y : x;
  return along >= lo && along <= hi && across >= AxisPosition - kAxisClickTolerance &&
         across <= AxisPosition + kAxisClickTolerance;
}

// ---- drawing --------------------------------------------------------------------------------

void TChartAxis::AddTick(int pixel, double value) {
  ticks_.push_back(pixel);
  tickValues_.push_back(value);
}

void TChartAxis::Draw(bool calcPosition) {
  if (!panel_ || !panel_->Canvas().ReferenceCanvas()) return;
  TPlotCanvas3D& canvas = panel_->Canvas();
  ShowsDateTime = FirstSeriesIsDateTime();
  canvas.ApplyFont(LabelsFont);
  if (calcPosition) {
    TRect r = panel_->ChartRect;
    if (isDepthAxis_)
      AxisPosition = r.Right;
    else
      AxisPosition = OffsetByPercent(Edge(r, horizontal_, otherSide_), r);
  }
  ticks_.clear();
  tickValues_.clear();
  drawnLabels_.clear();
  if (Title.Visible() && !Title.Caption().empty()) DrawTitle();
  if (RangeMaximum >= RangeMinimum) {
    switch (EffectiveLabelStyle()) {
      case talValue:
        if (panel_->OnGetNextAxisLabel)
          DrawCustomValueLabels();
        else
          DrawValueLabels();
        break;
      case talMark:
        DrawTextLabels(true);
        break;
      case talText:
        if (isDepthAxis_)
          DrawDepthTitleLabels();
        else
          DrawTextLabels(false);
        break;
      default:
        break;
    }
  }
  DrawLines();
}

void TChartAxis::DrawTitle() {
  TPlotCanvas3D& canvas = panel_->Canvas();
  canvas.ApplyFont(Title.Font());
  canvas.Ref().Brush.SetStyle(bsClear);
  canvas.SetBackMode(TRANSPARENT);
  if (isDepthAxis_) {
    canvas.SetTextAlign(TA_LEFT);
    canvas.TextAtDepth(AxisPosition + OuterLength(), panel_->ChartRect.Bottom, panel_->Width3D / 2,
                       Title.Caption());
  } else {
    const int x = horizontal_ ? CenterPixel : TitlePosition;
    const int y = horizontal_ ? TitlePosition : CenterPixel;
    // The title stands in its band like a label: the side nearest the
    // axis at TitlePosition, centred on the axis.
    const int a = Title.Angle();
    unsigned align = TA_CENTER;
    if (horizontal_)
      align = (a == 180) != otherSide_ ? TA_CENTER | TA_BOTTOM : TA_CENTER | TA_TOP;
    else if (a == 90)
      align = otherSide_ ? TA_CENTER | TA_TOP : TA_CENTER | TA_BOTTOM;
    else if (a == 270)
      align = otherSide_ ? TA_CENTER | TA_BOTTOM : TA_CENTER | TA_TOP;
    else
      align = otherSide_ ? TA_LEFT : TA_RIGHT;
    canvas.SetTextAlign(align);
    DrawLabelText(x, !horizontal_ && !Turned(a) ? y - canvas.FontHeight() / 2 : y, AxisDepth(),
                  Title.Caption(), a);
  }
  canvas.SetTextAlign(TA_LEFT | TA_TOP);
  canvas.ApplyFont(LabelsFont);
}

void TChartAxis::DrawLabelText(int x, int y, int z, const std::string& text, int angle) {
  TPlotCanvas3D& canvas = panel_->Canvas();
  const bool depth = panel_->View3D();
  if (angle == 0 || angle == 360) {
    if (depth)
      canvas.TextAtDepth(x, y, z, text);
    else
      canvas.TextOut(x, y, text);
  } else if (depth) {
    canvas.TextOutRotated3D(x, y, z, text, angle);
  } else {
    canvas.TextOutRotated(x, y, text, angle);
  }
}

void TChartAxis::DrawLabel(int pixel, const std::string& text, double value) {
  TPlotCanvas3D& canvas = panel_->Canvas();
  if (TickOnLabelsOnly) AddTick(pixel, value);
  drawnLabels_.push_back(text);
  canvas.ApplyFont(LabelsFont);
  canvas.Ref().Brush.SetStyle(bsClear);
  canvas.SetBackMode(TRANSPARENT);
  const int fh = canvas.FontHeight();
  const int h = fh / 2;
  if (isDepthAxis_) {
    canvas.SetTextAlign(TA_LEFT);
    const std::vector<std::string> lines = SplitChartText(text);
    int y = panel_->ChartRect.Bottom - h;
    for (const std::string& line : lines) {
      canvas.TextAtDepth(AxisPosition + OuterLength(), y, pixel, line);
      y += fh;
    }
    canvas.SetTextAlign(TA_LEFT | TA_TOP);
    return;
  }
  int x = horizontal_ ? pixel : LabelsPosition;
  int y = horizontal_ ? LabelsPosition : pixel;
  const int a = labelsAngle_;
  const int hz = horizontal_ ? 1 : 0, os = otherSide_ ? 1 : 0;
  unsigned align;
  if (a == 0 || a == 360) {
    if (horizontal_ || labelsAlign_ == alDefault) {
      align = kLabelAlign[hz][os];
    } else if (otherSide_) {
      align = TA_RIGHT;
      x += LabelsSizeAcross();
    } else {
      align = TA_LEFT;
      x -= LabelsSizeAcross();
    }
    if (!horizontal_) y -= h;
  } else if (a == 90) {
    if (horizontal_) {
      align = kLabelAlign[0][os];
      x -= h;
    } else {
      align = kLabelAlign[1][1 - os];
    }
  } else if (a == 180) {
    align = kLabelAlign[hz][1 - os];
    if (!horizontal_) y += h;
  } else if (a == 270) {
    if (horizontal_) {
      align = kLabelAlign[0][1 - os];
      x += h;
    } else {
      align = kLabelAlign[1][os];
    }
  } else {
    align = TA_LEFT | TA_TOP;
  }
  canvas.SetTextAlign(align);
  const std::vector<std::string> lines = SplitChartText(text);
  const int n = int(lines.size());
  // Lines follow each other downwards (level labels) or sideways (turned
  // labels); several lines stay centred on their pixel along the axis.
  const bool sideways = Turned(a);
  int dx = 0, dy = 0;
  if (sideways)
    dx = a == 90 ? fh : -fh;
  else
    dy = a == 180 ? -fh : fh;
  if (n > 1) {
    const int half = (n - 1) * fh / 2;
    if (!horizontal_ && !sideways) y -= (a == 180 ? -half : half);
    if (horizontal_ && sideways) x -= (a == 90 ? half : -half);
  }
  const int z = AxisDepth();
  for (const std::string& line : lines) {
    const std::size_t e = LabelsExponent ? UpperCase(line).find('E') : std::string::npos;
    if (e != std::string::npos && !sideways && (a == 0 || a == 360)) {
      // Mantissa, then the exponent in a smaller font, raised.
      const std::string mantissa = line.substr(0, e), exponent = line.substr(e + 1);
      const int mw = canvas.TextWidth(mantissa);
      TFont& font = canvas.Ref().Font;
      const int size = font.Size();
      font.SetSize(size - size / 4);
      const int ew = canvas.TextWidth(exponent);
      font.SetSize(size);
      // The pair is placed as one text of the given alignment.
      int left = x;
      const unsigned horiz = align & (TA_CENTER | TA_RIGHT);
      if (horiz == TA_CENTER)
        left = x - (mw + ew) / 2;
      else if (horiz == TA_RIGHT)
        left = x - (mw + ew);
      canvas.SetTextAlign((align & ~(TA_CENTER | TA_RIGHT)) | TA_LEFT);
      DrawLabelText(left, y, z, mantissa, 0);
      font.SetSize(size - size / 4);
      DrawLabelText(left + mw, y - fh / 4, z, exponent, 0);
      font.SetSize(size);
      canvas.SetTextAlign(align);
    } else {
      DrawLabelText(x, y, z, line, a);
    }
    x += dx;
    y += dy;
  }
  canvas.SetTextAlign(TA_LEFT | TA_TOP);
}

void TChartAxis::AddValueLabel(double value) {
  const int p = ValueToPixel(value);
  const bool inside = p > std::min(StartPixel, EndPixel) && p < std::max(StartPixel, EndPixel);
  if (!LabelsOnAxis && !inside) return;
  if (!TickOnLabelsOnly) AddTick(p, value);
  if (Labels) DrawLabel(p, FormatLabel(value), value);
}

void TChartAxis::DrawValueLabels() {
  // The increment that lets the range ends' labels fit.
  const int size = horizontal_ ? std::max(LabelWidth(RangeMinimum), LabelWidth(RangeMaximum))
                               : std::max(LabelHeight(RangeMinimum), LabelHeight(RangeMaximum));
  if (logarithmic_ && increment_ == 0) {
    if (RangeMinimum == RangeMaximum) return;
    double first;
    if (RangeMinimum <= 0) {
      RangeMinimum = RangeMinimum == 0 ? 0.1 : 1e-10;
      RecalculateScale();
      first = RangeMinimum;
    } else {
      first = std::pow(double(logarithmicBase_),
                       std::nearbyint(std::log(RangeMinimum) / std::log(double(logarithmicBase_))));
    }
    const double base = logarithmicBase_;
    // Powers of the base from the first candidate up to the maximum.
    std::vector<double> values;
    double v = first;
    for (int guard = 0; v <= RangeMaximum && guard < 2000; ++guard, v *= base)
      if (v >= RangeMinimum) values.push_back(v);
    if (MinorGrid.Visible()) {
      // One more power at each end, so minor marks cover the whole range.
      const double below = first >= RangeMinimum ? first / base : first;
      AddTick(ValueToPixel(below), below);
    }
    for (double value : values) AddValueLabel(value);
    if (MinorGrid.Visible()) AddTick(ValueToPixel(v), v);
    return;
  }
  const double inc = LabelsIncrement(size);
  if (!(inc > 0) || std::fabs(RangeSpan / inc) >= kMaxValueLabels) return;
  // The calendar step of a date-time axis: with ExactDateTime and an
  // increment of its own, the first table step not below it; else the
  // step the increment equals (none for other increments).
  int step = ShowsDateTime ? DateStepIndex(inc) : NoDateStep;
  if (ShowsDateTime && ExactDateTime && increment_ != 0) {
    step = NoDateStep;
    for (int k = 0; k < DateStepCount && step == NoDateStep; ++k)
      if (DateStepTable[k] >= increment_) step = k;
  }
  double value;
  if (ShowsDateTime && ExactDateTime && step != NoDateStep && step >= 15) {
    value = RoundDateToStep(RangeMaximum, step);
  } else if (PlainText(RangeMinimum) != PlainText(RangeMaximum) && RoundFirstLabel) {
    value = std::trunc(RangeMaximum / inc) * inc;
  } else {
    value = RangeMaximum;
  }
  auto stepDown = [&](double& v) { StepDateTime(ShowsDateTime, false, v, inc, step); };
  for (int guard = 0; value > RangeMaximum && guard < 1000; ++guard) stepDown(value);
  double below = value;
  stepDown(below);
  if (RangeSpan != 0 && std::fabs(RangeSpan) >= 1e-10 && PlainText(value) != PlainText(below)) {
    // Down to the minimum, allowing for the rounding of repeated steps on
    // either side of zero.
    const double limit = RangeMinimum - 1e-12 * (1 + std::fabs(RangeMinimum));
    for (int guard = 0; value >= limit && guard <= kMaxValueLabels; ++guard) {
      AddValueLabel(value);
      const double before = value;
      stepDown(value);
      if (!(value < before)) break;
    }
  } else {
    AddValueLabel(value);
  }
}

void TChartAxis::DrawCustomValueLabels() {
  double value = RangeMinimum;
  for (int index = 0; index <= kMaxCustomLabels; ++index) {
    bool stop = true;
    panel_->OnGetNextAxisLabel(this, index, value, stop);
    if (stop) {
      if (index == 0) DrawValueLabels();
      return;
    }
    if (value < RangeMinimum - 1e-7 || value > RangeMaximum + 1e-7) return;
    AddValueLabel(value);
  }
}

void TChartAxis::DrawTextLabels(bool marks) {
  std::vector<TChartSeries*> series;
  int first = -1, last = -1;
  for (TChartSeries* s : panel_->SeriesList()) {
    if (!s->Active() || !s->AssociatedToAxis(this)) continue;
    s->CalcFirstLastVisible();
    series.push_back(s);
    if (s->FirstVisibleIndex() < 0) continue;
    first = first < 0 ? s->FirstVisibleIndex() : std::min(first, s->FirstVisibleIndex());
    last = std::max(last, s->LastVisibleIndex());
  }
  if (first < 0) return;
  TPlotCanvas3D& canvas = panel_->Canvas();
  bool haveLast = false;
  int lastPixel = 0, lastExtent = 0;
  for (int i = first; i <= last; ++i) {
    std::string text;
    double value = 0;
    bool found = false;
    for (TChartSeries* s : series) {
      if (i < s->FirstVisibleIndex() || i > s->LastVisibleIndex()) continue;
      text = marks ? s->GetMarkText(i) : s->GetLabel(i);
      if (panel_->OnGetAxisLabel) panel_->OnGetAxisLabel(this, s, i, text);
      if (text.empty()) continue;
      value = horizontal_ ? s->GetXValue(i) : s->GetYValue(i);
      found = true;
      break;
    }
    if (!found || value < RangeMinimum || value > RangeMaximum) continue;
    const int p = ValueToPixel(value);
    if (!TickOnLabelsOnly) AddTick(p, value);
    // Overlap rule: the label's extent along the axis, widened by the
    // separation, must not reach into the last drawn label's. A label
    // whose pixel lies inside the last one's half extent overlaps whatever
    // its own size (no need to measure it).
    if (haveLast && labelsSeparation_ > 0 && std::abs(p - lastPixel) * 2 < lastExtent) continue;
    canvas.ApplyFont(LabelsFont);
    int lines = 0;
    int extent;
    if (horizontal_ == Turned(labelsAngle_))
      extent = canvas.FontHeight() * LineCount(text);
    else
      extent = panel_->MultiLineTextWidth(text, lines);
    if (labelsSeparation_ > 0) {
      extent += RoundInt(0.02 * extent * labelsSeparation_);
      if (haveLast && std::abs(p - lastPixel) * 2 < extent + lastExtent) continue;
    }
    if (Labels) DrawLabel(p, text, value);
    haveLast = true;
    lastPixel = p;
    lastExtent = extent;
  }
}

void TChartAxis::DrawDepthTitleLabels() {
  const int n = panel_->SeriesCount();
  if (n == 0) return;
  for (int i = int(std::trunc(RangeMinimum)); i <= int(std::trunc(RangeMaximum)); ++i) {
    if (i < 0 || i >= n) continue;
    std::string text = panel_->SeriesTitleOrName(&panel_->GetSeries(i));
    if (panel_->OnGetAxisLabel) panel_->OnGetAxisLabel(this, &panel_->GetSeries(i), i, text);
    const int p = ValueToPixelY(RangeMaximum - i - 0.5);
    if (!TickOnLabelsOnly) AddTick(p, i);
    if (Labels) DrawLabel(p, text, i);
  }
}

// ---- lines ------------------------------------------------------------------------------------

void TChartAxis::DrawTickMarks(const std::vector<int>& ticks, const TChartPen& pen, int from,
                               int to) {
  if (!pen.Visible() || ticks.empty() || from == to) return;
  TPlotCanvas3D& canvas = panel_->Canvas();
  canvas.ApplyPen(pen);
  const int z = AxisDepth();
  for (int p : ticks) {
    if (isDepthAxis_) {
      canvas.LineAtDepth(AxisPosition + from, panel_->ChartRect.Bottom, AxisPosition + to,
                         panel_->ChartRect.Bottom, p);
    } else if (horizontal_) {
      canvas.LineAtDepth(p, AxisPosition + from, p, AxisPosition + to, z);
    } else {
      canvas.LineAtDepth(AxisPosition + from, p, AxisPosition + to, p, z);
    }
  }
}

void TChartAxis::DrawGridLines(const std::vector<int>& ticks, const TChartPen& pen, bool centered) {
  if (!pen.Visible() || ticks.empty()) return;
  TPlotCanvas3D& canvas = panel_->Canvas();
  canvas.ApplyPenColor(pen, pen.Color() == clDefault ? clGray : pen.Color());
  canvas.Ref().Brush.SetStyle(bsClear);
  canvas.SetBackMode(TRANSPARENT);
  const TRect r = panel_->ChartRect;
  const bool depth = panel_->View3D();
  const int w3 = panel_->Width3D;
  const int lo = std::min(StartPixel, EndPixel), hi = std::max(StartPixel, EndPixel);
  std::vector<int> at;
  if (centered) {
    for (std::size_t i = 1; i < ticks.size(); ++i)
      at.push_back(RoundInt((ticks[i] + ticks[i - 1]) * 0.5));
  } else {
    at = ticks;
  }
  for (int p : at) {
    if (p <= lo || p >= hi) continue;
    if (isDepthAxis_) {
      // Across the floor and up the side wall at that depth.
      canvas.LineAtDepth(r.Left, r.Bottom, r.Right, r.Bottom, p);
      canvas.LineAtDepth(r.Right, r.Top, r.Right, r.Bottom, p);
    } else if (horizontal_) {
      if (depth) {
        canvas.VerticalLine3D(p, r.Top, r.Bottom, w3);
        canvas.DepthLine3D(p, otherSide_ ? r.Top : r.Bottom, 0, w3);
      } else if (otherSide_) {
        canvas.VerticalLine(p, r.Bottom, r.Top);
      } else {
        // Drawn towards the axis, whose own line keeps its last pixel.
        canvas.VerticalLine(p, r.Top, r.Bottom);
      }
    } else {
      if (depth) {
        canvas.HorizontalLine3D(r.Left, r.Right, p, w3);
        canvas.DepthLine3D(otherSide_ ? r.Right : r.Left, p, 0, w3);
      } else if (otherSide_) {
        canvas.HorizontalLine(r.Left, r.Right, p);
      } else {
        canvas.HorizontalLine(r.Right, r.Left, p);
      }
    }
  }
}

std::vector<int> TChartAxis::MinorTickPositions() const {
  std::vector<int> out;
  // More marks than pixels between two ticks would only repeat pixels.
  const int n = std::min(MinorTickCount, std::max(1, std::abs(SizePixels)));
  if (n < 1 || ticks_.empty()) return out;
  const int lo = std::min(StartPixel, EndPixel), hi = std::max(StartPixel, EndPixel);
  auto add = [&](double p) {
    const int q = RoundInt(p);
    if (q > lo && q < hi) out.push_back(q);
  };
  if (logarithmic_) {
    const double base = logarithmicBase_;
    for (double v : tickValues_) {
      for (int k = 1; k <= n; ++k) {
        const double m = v + k * (base * v - v) / (n + 1);
        if (m > RangeMaximum) break;
        add(ValueToPixel(m));
      }
    }
    return out;
  }
  const std::size_t count = ticks_.size();
  for (std::size_t i = 0; i + 1 < count; ++i)
    for (int k = 1; k <= n; ++k) add(ticks_[i] + k * double(ticks_[i + 1] - ticks_[i]) / (n + 1));
  if (count > 1) {
    // The first interval's width continues the marks beyond both ends.
    const double d = ticks_[1] - ticks_[0];
    for (int k = 1; k <= n; ++k) {
      add(ticks_[0] - k * d / (n + 1));
      add(ticks_[count - 1] + k * d / (n + 1));
    }
  }
  return out;
}

void TChartAxis::DrawLines() {
  TPlotCanvas3D& canvas = panel_->Canvas();
  const int out = isDepthAxis_ ? 1 : Outward(horizontal_, otherSide_);
  const int z = AxisDepth();
  canvas.Ref().Brush.SetStyle(bsClear);
  if (AxisPen.Visible()) {
    canvas.ApplyPen(AxisPen);
    if (isDepthAxis_)
      canvas.DepthLine3D(AxisPosition, panel_->ChartRect.Bottom, StartPixel, EndPixel);
    else if (horizontal_)
      canvas.HorizontalLine3D(StartPixel, EndPixel, AxisPosition, z);
    else
      canvas.VerticalLine3D(AxisPosition, StartPixel, EndPixel, z);
  }
  // Ticks start beyond the axis line.
  const int a = AxisPen.Visible() ? (AxisPen.Width() + 1) / 2 : 0;
  DrawTickMarks(ticks_, Ticks, out * a, out * (a + TickLength));
  if (!InFront) DrawGridLines(ticks_, Grid, GridCentered);
  DrawTickMarks(ticks_, TicksInner, 0, -out * TickInnerLength);
  const std::vector<int> minor = MinorTickPositions();
  DrawTickMarks(minor, MinorTicks, out * a, out * (a + MinorTickLength));
  if (!InFront) DrawGridLines(minor, MinorGrid, false);
}

}  // namespace qv
