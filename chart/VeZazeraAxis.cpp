// Chart axes: settings with their checks, automatic range, value-to-pixel
// mapping and label increments.
#include <algorithm>
#include <cmath>

#include "chart/Chart.h"
#include "chart/VeZazera.h"
#include "chart/ZezIdazi.h"

namespace qv {

namespace {
// Rounds to the nearest integer, ties to even (the default rounding mode).
double RoundEven(double v) { return std::nearbyint(v); }
constexpr double kOneMs = 1.0 / 86400000.0;
}  // namespace

int ClampPixel(double v) {
  if (std::isnan(v)) return 0;
  return int(RoundEven(std::clamp(v, double(-MaxPixel), double(MaxPixel))));
}

TChartAxis::TChartAxis(TCustomAxisPanel* panel)
    : AxisPen([this] { Changed(); }),
      Grid([this] { Changed(); }),
      MinorGrid([this] { Changed(); }),
      MinorTicks([this] { Changed(); }),
      Ticks([this] { Changed(); }),
      TicksInner([this] { Changed(); }),
      LabelsFont([this] { Changed(); }),
      Title(panel),
      panel_(panel) {
  AxisValuesFormat = SDefaultValueFormat;
  if (panel_) panel_->RegisterAxis(this);
}

TChartAxis::~TChartAxis() {
  if (!panel_) return;
  for (TChartSeries* s : panel_->SeriesList()) {
    if (s->CustomHorizAxis() == this) s->SetCustomHorizAxis(nullptr);
    if (s->CustomVertAxis() == this) s->SetCustomVertAxis(nullptr);
  }
  panel_->UnregisterAxis(this);
}

void TChartAxis::Changed() {
  if (panel_) panel_->Invalidate();
}

std::string TChartAxis::FormatLabel(double value) {
  std::string text;
  if (ShowsDateTime) {
    if (value >= 0)
      text = FormatDateTime(DateTimeFormat.empty() ? DateLabelFormat(RangeSpan) : DateTimeFormat,
                            value);
  } else {
    text = FormatFloat(AxisValuesFormat, value);
  }
  if (panel_ && panel_->OnGetAxisLabel) panel_->OnGetAxisLabel(this, nullptr, -1, text);
  if (LabelsMultiLine) std::replace(text.begin(), text.end(), ' ', char(13));
  return text;
}

bool TChartAxis::Loading() const { return panel_ && panel_->Loading; }

void TChartAxis::Assign(const TChartAxis& s) {
  automatic_ = s.automatic_;
  automaticMaximum_ = s.automaticMaximum_;
  automaticMinimum_ = s.automaticMinimum_;
  AxisPen.Assign(s.AxisPen);
  AxisValuesFormat = s.AxisValuesFormat;
  DateTimeFormat = s.DateTimeFormat;
  ExactDateTime = s.ExactDateTime;
  Grid.Assign(s.Grid);
  GridCentered = s.GridCentered;
  increment_ = s.increment_;
  inverted_ = s.inverted_;
  horizontal_ = s.horizontal_;
  otherSide_ = s.otherSide_;
  Labels = s.Labels;
  labelsAlign_ = s.labelsAlign_;
  labelsAngle_ = s.labelsAngle_;
  LabelsExponent = s.LabelsExponent;
  LabelsFont.Assign(s.LabelsFont);
  LabelsMultiLine = s.LabelsMultiLine;
  LabelsOnAxis = s.LabelsOnAxis;
  labelsSeparation_ = s.labelsSeparation_;
  LabelsSize = s.LabelsSize;
  labelStyle_ = s.labelStyle_;
  logarithmic_ = s.logarithmic_;
  logarithmicBase_ = s.logarithmicBase_;
  maximum_ = s.maximum_;
  minimum_ = s.minimum_;
  MinorGrid.Assign(s.MinorGrid);
  MinorTickCount = s.MinorTickCount;
  MinorTickLength = s.MinorTickLength;
  MinorTicks.Assign(s.MinorTicks);
  startPosition_ = s.startPosition_;
  endPosition_ = s.endPosition_;
  positionPercent_ = s.positionPercent_;
  RoundFirstLabel = s.RoundFirstLabel;
  TickInnerLength = s.TickInnerLength;
  TickLength = s.TickLength;
  Ticks.Assign(s.Ticks);
  TicksInner.Assign(s.TicksInner);
  TickOnLabelsOnly = s.TickOnLabelsOnly;
  Title.Assign(s.Title);
  TitleSize = s.TitleSize;
  visible_ = s.visible_;
  isDepthAxis_ = s.isDepthAxis_;
  RangeMaximum = s.RangeMaximum;
  RangeMinimum = s.RangeMinimum;
  StartPixel = s.StartPixel;
  EndPixel = s.EndPixel;
  SizePixels = s.SizePixels;
  CenterPixel = s.CenterPixel;
  RecalculateScale();
  Changed();
}

// ---- settings -------------------------------------------------------------------

void TChartAxis::SetAutomatic(bool v) {
  automatic_ = v;
  if (!Loading()) {
    automaticMinimum_ = v;
    automaticMaximum_ = v;
  }
  Changed();
}

void TChartAxis::SetAutomaticMaximum(bool v) {
  automaticMaximum_ = v;
  if (!v)
    automatic_ = false;
  else if (automaticMinimum_)
    automatic_ = true;
  Changed();
}

void TChartAxis::SetAutomaticMinimum(bool v) {
  automaticMinimum_ = v;
  if (!v)
    automatic_ = false;
  else if (automaticMaximum_)
    automatic_ = true;
  Changed();
}

void TChartAxis::SetMinimum(double v) {
  if (std::isnan(v) || (!Loading() && v > maximum_))
    throw AxisException(std::string(SAxisMinimumAboveMaximum));
  if (v == minimum_) return;
  minimum_ = v;
  Changed();
}

void TChartAxis::SetMaximum(double v) {
  if (std::isnan(v) || (!Loading() && v < minimum_))
    throw AxisException(std::string(SAxisMaximumBelowMinimum));
  if (v == maximum_) return;
  maximum_ = v;
  Changed();
}

void TChartAxis::SetIncrement(double v) {
  if (!(v >= 0)) throw AxisException(std::string(SAxisIncrementNegative));
  if (v == increment_) return;
  increment_ = v;
  Changed();
}

void TChartAxis::SetInverted(bool v) {
  if (v == inverted_) return;
  inverted_ = v;
  Changed();
}

void TChartAxis::SetLogarithmic(bool v) {
  if (v == logarithmic_) return;
  if (v && panel_) {
    for (TChartSeries* s : panel_->SeriesList()) {
      if (!s->Active() || !s->AssociatedToAxis(this)) continue;
      const bool dt = horizontal_ ? s->XValues().DateTime() : s->YValues().DateTime();
      if (dt) throw AxisException(std::string(SDateTimeAxisNotLogarithmic));
      break;
    }
  }
  if (v) {
    // The range the axis would show must be positive; the flag is kept only
    // when it is.
    const double oldMin = minimum_, oldMax = maximum_;
    const double oldRMin = RangeMinimum, oldRMax = RangeMaximum;
    AutoRange();
    if (RangeMinimum < 0 || RangeMaximum < 0) {
      minimum_ = oldMin;
      maximum_ = oldMax;
      RangeMinimum = oldRMin;
      RangeMaximum = oldRMax;
      RecalculateScale();
      throw AxisException(std::string(SLogarithmicAxisNegative));
    }
  }
  logarithmic_ = v;
  Changed();
}

void TChartAxis::SetLogarithmicBase(int v) {
  if (v < 2) throw AxisException(std::string(SAxisLogBaseTooSmall));
  if (v == logarithmicBase_) return;
  logarithmicBase_ = v;
  Changed();
}

void TChartAxis::SetLabelsSeparation(int v) {
  if (v < 0) throw AxisException(std::string(SLabelsSeparationNegative));
  if (v == labelsSeparation_) return;
  labelsSeparation_ = v;
  Changed();
}

void TChartAxis::SetLabelsAngle(int v) {
  v %= 360;
  if (v == labelsAngle_) return;
  labelsAngle_ = v;
  Changed();
}

void TChartAxis::SetLabelsAlign(TAxisLabelAlign v) {
  labelsAlign_ = v;
  Changed();
}

void TChartAxis::SetLabelStyle(TAxisLabelStyle v) {
  labelStyle_ = v;
  Changed();
}

void TChartAxis::SetStartPosition(double v) {
  if (v == startPosition_) return;
  startPosition_ = v;
  Changed();
}

void TChartAxis::SetEndPosition(double v) {
  if (v == endPosition_) return;
  endPosition_ = v;
  Changed();
}

void TChartAxis::SetPositionPercent(double v) {
  if (v == positionPercent_) return;
  positionPercent_ = v;
  Changed();
}

void TChartAxis::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed();
}

// ---- range ---------------------------------------------------------------------------

void TChartAxis::AutoRange() {
  if (panel_) {
    if (automatic_ || automaticMaximum_) maximum_ = panel_->AxisMinMax(*this, false);
    if (automatic_ || automaticMinimum_) minimum_ = panel_->AxisMinMax(*this, true);
  }
  RangeMaximum = maximum_;
  RangeMinimum = minimum_;
  RecalculateScale();
}

void TChartAxis::RecalculateScale() {
  RangeSpan = RangeMaximum - RangeMinimum;
  // A span that is not finite (an infinite end) cannot be scaled: the axis
  // then maps every value to its centre, like a zero span.
  const bool finite = std::isfinite(RangeSpan);
  RangeIsZero = RangeSpan == 0 || !finite;
  PixelsPerUnit = RangeIsZero ? 0 : SizePixels / RangeSpan;
  LogMinimum = RangeMinimum > 0 && std::isfinite(RangeMinimum) ? std::log(RangeMinimum) : 0;
  LogMaximum = RangeMaximum > 0 && std::isfinite(RangeMaximum) ? std::log(RangeMaximum) : 0;
  LogSpan = LogMaximum - LogMinimum;
  PixelsPerLogUnit = LogSpan == 0 ? 0 : SizePixels / LogSpan;
}

void TChartAxis::SetRange(double aMin, double aMax) {
  if (std::isnan(aMin) || std::isnan(aMax)) return;
  automatic_ = automaticMaximum_ = automaticMinimum_ = false;
  if (aMin > aMax) std::swap(aMin, aMax);
  minimum_ = aMin;
  maximum_ = aMax;
  if (maximum_ - minimum_ < 1e-10) maximum_ = minimum_ + 1e-10;
  Changed();
}

void TChartAxis::ScrollBy(double offset, bool checkLimits) {
  if (offset == 0 || std::isnan(offset)) return;
  if (checkLimits) {
    if (!panel_) return;
    if (offset > 0 && !(panel_->AxisMinMax(*this, false) > maximum_)) return;
    if (offset < 0 && !(panel_->AxisMinMax(*this, true) < minimum_)) return;
  }
  automatic_ = automaticMaximum_ = automaticMinimum_ = false;
  maximum_ += offset;
  minimum_ += offset;
  Changed();
}

void TChartAxis::SetPixelEnds(int startPixel, int endPixel) {
  StartPixel = startPixel;
  EndPixel = endPixel;
  SizePixels = EndPixel - StartPixel;
  CenterPixel = (StartPixel + EndPixel) / 2;
  RecalculateScale();
}

void TChartAxis::ComputePixelEnds() {
  if (!panel_) {
    SetPixelEnds(StartPixel, EndPixel);
    return;
  }
  int length, origin;
  if (isDepthAxis_) {
    length = panel_->Width3D;
    origin = 0;
  } else if (horizontal_) {
    length = panel_->ChartWidth;
    origin = panel_->ChartRect.Left;
  } else {
    length = panel_->ChartHeight;
    origin = panel_->ChartRect.Top;
  }
  SetPixelEnds(origin + int(RoundEven(length * 0.01 * startPosition_)),
               origin + int(RoundEven(length * 0.01 * endPosition_)));
}

void TChartAxis::ShrinkToRectangle(const TRect& rect) {
  const int oldStart = StartPixel, oldEnd = EndPixel;
  if (horizontal_) {
    StartPixel += rect.Left;
    EndPixel -= rect.Right;
  } else {
    StartPixel += rect.Top;
    EndPixel -= rect.Bottom;
  }
  SizePixels = EndPixel - StartPixel;
  const double vStart = PixelToValue(oldStart);
  const double vEnd = PixelToValue(oldEnd);
  SetPixelEnds(oldStart, oldEnd);
  RangeMaximum = vEnd;
  RangeMinimum = vStart;
  if (RangeMinimum > RangeMaximum) std::swap(RangeMinimum, RangeMaximum);
  RecalculateScale();
}

int TChartAxis::OffsetByPercent(int position, const TRect& rect) const {
  if (positionPercent_ == 0) return position;
  int d = int(RoundEven(0.01 * positionPercent_ * (horizontal_ ? rect.Height() : rect.Width())));
  if (otherSide_) d = -d;
  if (horizontal_) d = -d;
  return position + d;
}

// ---- mapping ---------------------------------------------------------------------------

int TChartAxis::ValueToPixel(double value) const {
  return horizontal_ ? ValueToPixelX(value) : ValueToPixelY(value);
}

int TChartAxis::ValueToPixelX(double v) const {
  if (std::isnan(v)) return CenterPixel;
  if (isDepthAxis_) {
    if (RangeIsZero) return CenterPixel;
    return ClampPixel((inverted_ ? RangeMaximum - v : v - RangeMinimum) * PixelsPerUnit);
  }
  if (logarithmic_) {
    if (LogSpan == 0) return CenterPixel;
    if (v <= 0) return inverted_ ? EndPixel : StartPixel;
    const double t =
        (inverted_ ? LogMaximum - std::log(v) : std::log(v) - LogMinimum) * PixelsPerLogUnit;
    return ClampPixel(StartPixel + RoundEven(t));
  }
  if (RangeIsZero) return CenterPixel;
  const double d = (v - RangeMinimum) * PixelsPerUnit;
  return ClampPixel(inverted_ ? EndPixel - d : StartPixel + d);
}

int TChartAxis::ValueToPixelY(double v) const {
  if (std::isnan(v)) return CenterPixel;
  if (isDepthAxis_) {
    if (RangeIsZero) return CenterPixel;
    return ClampPixel((inverted_ ? RangeMaximum - v : v - RangeMinimum) * PixelsPerUnit);
  }
  if (logarithmic_) {
    if (LogSpan == 0) return CenterPixel;
    if (v <= 0) return inverted_ ? StartPixel : EndPixel;
    const double t =
        (inverted_ ? LogMaximum - std::log(v) : std::log(v) - LogMinimum) * PixelsPerLogUnit;
    return ClampPixel(EndPixel - RoundEven(t));
  }
  if (RangeIsZero) return CenterPixel;
  const double d = (v - RangeMinimum) * PixelsPerUnit;
  return ClampPixel(inverted_ ? StartPixel + d : EndPixel - d);
}

double TChartAxis::ValueToPixelExact(double v) const {
  auto clamp = [](double p) { return std::clamp(p, double(-MaxPixel), double(MaxPixel)); };
  if (std::isnan(v)) return CenterPixel;
  if (isDepthAxis_) {
    if (RangeIsZero) return CenterPixel;
    return clamp((inverted_ ? RangeMaximum - v : v - RangeMinimum) * PixelsPerUnit);
  }
  // Along a vertical axis values grow upwards.
  const bool fromStart = horizontal_ != inverted_;
  if (logarithmic_) {
    if (LogSpan == 0) return CenterPixel;
    if (v <= 0) return fromStart ? StartPixel : EndPixel;
    const double t =
        (inverted_ ? LogMaximum - std::log(v) : std::log(v) - LogMinimum) * PixelsPerLogUnit;
    return clamp(horizontal_ ? StartPixel + t : EndPixel - t);
  }
  if (RangeIsZero) return CenterPixel;
  const double d = (v - RangeMinimum) * PixelsPerUnit;
  return clamp(fromStart ? StartPixel + d : EndPixel - d);
}

double TChartAxis::PixelToValue(int p) const {
  if (logarithmic_) {
    if (p == StartPixel) return (horizontal_ != inverted_) ? RangeMinimum : RangeMaximum;
    if (p == EndPixel) return (horizontal_ != inverted_) ? RangeMaximum : RangeMinimum;
    if (LogSpan != 0 && SizePixels != 0) {
      const double t = double(inverted_ ? EndPixel - p : p - StartPixel) * LogSpan / SizePixels;
      return horizontal_ ? std::exp(LogMinimum + t) : std::exp(LogMaximum - t);
    }
    return RangeMinimum;
  }
  if (SizePixels < 1) return 0;
  const double t = double(inverted_ ? EndPixel - p : p - StartPixel) * RangeSpan / SizePixels;
  return horizontal_ ? RangeMinimum + t : RangeMaximum - t;
}

// ---- increments ---------------------------------------------------------------------------

double TChartAxis::NextIncrementStep(double step) {
  // Steps that are not positive finite numbers have no next step.
  if (!(step > 0) || !std::isfinite(step)) return step;
  // The step is brought into [1, 10) by factors of 10, which drift in the
  // last bits (1e-12 scaled up twelve times is 0.9999999999999994): a value
  // within a relative 1e-9 below a rung counts as that rung, so the answer is
  // always the next rung up and never the step itself.
  constexpr double kSnap = 1 - 1e-9;
  double m = step;
  int decade = 0;
  while (m >= 10 * kSnap) {
    m *= 0.1;
    ++decade;
  }
  while (m < kSnap) {
    m *= 10;
    --decade;
  }
  const double rung = m < 2 * kSnap ? 2 : (m < 5 * kSnap ? 5 : 10);
  const double next = rung * std::pow(10.0, decade);
  // Below the normal range the power of ten underflows: still move up.
  return next > step ? next : step * 2;
}

double TChartAxis::ComputeIncrement(int maxLabels) const {
  const bool dateTime = ShowsDateTime;
  if (maxLabels < 1) return dateTime ? DateStepTable[0] : 1e-12;
  const double span = RangeSpan;
  if (!dateTime) {
    double step = increment_ > 0 ? increment_ : (std::fabs(span) >= 1 ? 1.0 : 1e-12);
    if (!std::isfinite(span)) return std::max(1e-12, step);
    for (;;) {
      const double q = span / step;
      if (std::fabs(q) >= 2147483647.0) {
        step = NextIncrementStep(step);
        continue;
      }
      const double n = RoundEven(q);
      if (n > maxLabels) {
        step = NextIncrementStep(step);
        continue;
      }
      break;
    }
    return std::max(1e-12, step);
  }
  double step = std::max(kOneMs, increment_);
  if (!std::isfinite(span)) return step;
  if (span / step >= 1e6) step = span / 1e6;
  for (;;) {
    const double n = RoundEven(span / step);
    if (n <= maxLabels) break;
    step = step >= 365 ? step * 2 : NextDateStep(step);
  }
  return std::max(kOneMs, step);
}

double TChartAxis::LabelsIncrement(int maxLabelSize) const {
  if (maxLabelSize < 1) return ComputeIncrement(1);
  int size = maxLabelSize;
  if (labelsSeparation_ > 0) size += int(RoundEven(labelsSeparation_ * 0.01 * maxLabelSize));
  const int maxLabels = int(RoundEven(double(SizePixels) / size));
  return ComputeIncrement(maxLabels);
}

// ---- depth axis ------------------------------------------------------------------------------

TChartDepthAxis::TChartDepthAxis(TCustomAxisPanel* panel) : TChartAxis(panel) {
  isDepthAxis_ = true;
  visible_ = false;
}

}  // namespace qv
