// Palette, date-time steps, hit tests and the index quicksort.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/DovOrara.h"

namespace qv {

namespace {
const TColor kPalette[DefaultPaletteSize] = {clRed,   clGreen,      clYellow,  clBlue,   clWhite,
                                             clGray,  clFuchsia,    clTeal,    clNavy,   clMaroon,
                                             clLime,  clOlive,      clPurple,  clSilver, clAqua,
                                             clBlack, clMoneyGreen, clSkyBlue, clCream,  clMedGray};

// The earliest date that date rounding touches.
TDateTime BaseDate() {
  static const TDateTime base = EncodeDate(1900, 1, 1);
  return base;
}

constexpr double kOneMillisecond = 1.0 / 86400000.0;
}  // namespace

std::vector<std::string> SplitChartText(const std::string& text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

void DrawCheckMark(int x, int y, TCanvas& canvas, bool checked) {
  TRect r(x, y, x + 13, y + 13);
  const TBrush savedBrush = canvas.Brush;
  const TPen savedPen = canvas.Pen;
  canvas.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  canvas.Brush.SetBitmap(nullptr);
  canvas.Brush.SetStyle(bsSolid);
  canvas.Brush.SetColor(clWhite);
  canvas.FillRect(r);
  if (checked) {
    // The tick: three strokes of a seven-pixel check mark.
    canvas.Pen.SetStyle(psSolid);
    canvas.Pen.SetWidth(1);
    canvas.Pen.SetMode(pmCopy);
    canvas.Pen.SetColor(clBlack);
    for (int d = 0; d < 3; ++d) {
      canvas.MoveTo(r.Left + 1, r.Top + 3 + d);
      canvas.LineTo(r.Left + 3, r.Top + 5 + d);
      canvas.LineTo(r.Left + 8, r.Top + d);
    }
  }
  canvas.Brush.Assign(savedBrush);
  canvas.Pen.Assign(savedPen);
}

TColor DefaultSeriesColor(int index) {
  int i = index % DefaultPaletteSize;
  if (i < 0) i += DefaultPaletteSize;
  return kPalette[i];
}

const double DateStepTable[DateStepCount] = {1.0 / 86400000.0,
                                             1.0 / 86400.0,
                                             5.0 / 86400.0,
                                             10.0 / 86400.0,
                                             15.0 / 86400.0,
                                             30.0 / 86400.0,
                                             1.0 / 1440.0,
                                             5.0 / 1440.0,
                                             10.0 / 1440.0,
                                             15.0 / 1440.0,
                                             30.0 / 1440.0,
                                             1.0 / 24.0,
                                             2.0 / 24.0,
                                             0.25,
                                             0.5,
                                             1.0,
                                             2.0,
                                             3.0,
                                             7.0,
                                             15.0,
                                             30.0,
                                             60.0,
                                             90.0,
                                             120.0,
                                             182.0,
                                             365.0};

std::string DateLabelFormat(double step) {
  return step <= 1.0 ? FormatSettings().ShortTimeFormat : FormatSettings().ShortDateFormat;
}

double NextDateStep(double value) {
  for (int k = DateStepCount - 2; k >= 0; --k)
    if (value >= DateStepTable[k]) return DateStepTable[k + 1];
  return DateStepTable[DateStepCount - 1];
}

int DateStepIndex(double value) {
  for (int k = DateStepCount - 1; k >= 0; --k)
    if (std::fabs(DateStepTable[k] - value) < kOneMillisecond) return k;
  return NoDateStep;
}

TDateTime RoundDateToStep(TDateTime date, int step) {
  if (!std::isfinite(date) || date <= BaseDate()) return date;
  int y, m, d;
  DecodeDate(date, y, m, d);
  if (step == StepHalfMonth)
    d = d >= 15 ? 15 : 1;
  else if (step >= StepOneMonth && step <= StepSixMonths)
    d = 1;
  else if (step == StepOneYear) {
    d = 1;
    m = 1;
  }
  return EncodeDate(y, m, d);
}

void StepDateTime(bool isDateTime, bool increment, double& value, double amount, int step) {
  if (!isDateTime || step < StepHalfMonth || step > StepOneYear || !std::isfinite(value)) {
    value = increment ? value + amount : value - amount;
    return;
  }
  int y, m, d;
  DecodeDate(value, y, m, d);
  // Moves the month by delta, carrying into the year.
  auto moveMonths = [&](int delta) {
    int total = y * 12 + (m - 1) + delta;
    y = total / 12;
    m = total % 12 + 1;
  };
  switch (step) {
    case StepHalfMonth:
      // Day 1 becomes the 15th of the previous month (backwards) or of the
      // same month (forwards); days 2..15 become the 1st (backwards) or the
      // 15th (forwards); days above 15 become the 15th (backwards) or the
      // 1st of the next month (forwards).
      if (increment) {
        if (d < 15)
          d = 15;
        else {
          d = 1;
          moveMonths(1);
        }
      } else {
        if (d > 15)
          d = 15;
        else if (d > 1)
          d = 1;
        else {
          d = 15;
          moveMonths(-1);
        }
      }
      break;
    case StepOneMonth:
      moveMonths(increment ? 1 : -1);
      break;
    case StepTwoMonths:
      moveMonths(increment ? 2 : -2);
      break;
    case StepThreeMonths:
      moveMonths(increment ? 3 : -3);
      break;
    case StepFourMonths:
      moveMonths(increment ? 4 : -4);
      break;
    case StepSixMonths:
      moveMonths(increment ? 6 : -6);
      break;
    case StepOneYear:
      y += increment ? 1 : -1;
      break;
    default:
      break;
  }
  // A day beyond the new month's length (29 February a year on, 31 March a
  // month back) becomes the month's last day.
  d = std::min(d, DaysInAMonth(y, m));
  value = EncodeDate(y, m, d);
}

bool PointNearSegment(const TPoint& p, const TPoint& a, const TPoint& b, int tolerance) {
  const long long dx = (long long)b.X - a.X, dy = (long long)b.Y - a.Y;
  const long long cross = dy * ((long long)p.X - a.X) - ((long long)p.Y - a.Y) * dx;
  if (std::llabs(cross) >= std::max(std::llabs(dx), std::llabs(dy))) return false;
  return p.X >= std::min(a.X, b.X) - tolerance && p.X <= std::max(a.X, b.X) + tolerance &&
         p.Y >= std::min(a.Y, b.Y) - tolerance && p.Y <= std::max(a.Y, b.Y) + tolerance;
}

bool PointInsidePolygon(const TPoint& p, std::span<const TPoint> points, int highIndex) {
  if (highIndex < 0) return false;
  highIndex = std::min<int>(highIndex, int(points.size()) - 1);
  bool inside = false;
  int j = highIndex;
  for (int i = 0; i <= highIndex; ++i) {
    const TPoint& pi = points[i];
    const TPoint& pj = points[j];
    if ((pi.Y <= p.Y && p.Y < pj.Y) || (pj.Y <= p.Y && p.Y < pi.Y)) {
      const long long x =
          pi.X + ((long long)pj.X - pi.X) * ((long long)p.Y - pi.Y) / ((long long)pj.Y - pi.Y);
      if (p.X < x) inside = !inside;
    }
    j = i;
  }
  return inside;
}

void IndexQuickSort(int startIndex, int endIndex, const TIndexCompare& compare,
                    const TIndexSwap& swap) {
  if (startIndex >= endIndex) return;
  int i = startIndex, j = endIndex;
  int pivot = (i + j) >> 1;
  while (i <= j) {
    while (i < endIndex && compare(i, pivot) < 0) ++i;
    while (j > startIndex && compare(pivot, j) < 0) --j;
    if (i <= j) {
      if (i < j) {
        swap(i, j);
        if (pivot == i)
          pivot = j;
        else if (pivot == j)
          pivot = i;
      }
      ++i;
      --j;
    }
  }
  if (j > startIndex) IndexQuickSort(startIndex, j, compare, swap);
  if (i < endIndex) IndexQuickSort(i, endIndex, compare, swap);
}

}  // namespace qv
