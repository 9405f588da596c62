#include "platform/core/MathUtils.h"

#include <algorithm>
#include <cfloat>
#include <limits>

namespace qv {

namespace {
void requireData(std::span<const double> data, const char* what) {
  if (data.empty()) throw EInvalidArgument(std::string(what) + ": no data");
}
}  // namespace

double Sum(std::span<const double> data) {
  double s = 0;
  for (double v : data) s += v;
  return s;
}

double SumOfSquares(std::span<const double> data) {
  double s = 0;
  for (double v : data) s += v * v;
  return s;
}

void SumsAndSquares(std::span<const double> data, double& sum, double& sumOfSquares) {
  sum = Sum(data);
  sumOfSquares = SumOfSquares(data);
}

double Mean(std::span<const double> data) {
  requireData(data, "Mean");
  return Sum(data) / static_cast<double>(data.size());
}

double MinValue(std::span<const double> data) {
  requireData(data, "MinValue");
  double m = data[0];
  for (double v : data)
    if (v < m) m = v;
  return m;
}

double MaxValue(std::span<const double> data) {
  requireData(data, "MaxValue");
  double m = data[0];
  for (double v : data)
    if (v > m) m = v;
  return m;
}

int MinIntValue(std::span<const int> data) {
  if (data.empty()) throw EInvalidArgument("MinIntValue: no data");
  return *std::min_element(data.begin(), data.end());
}

int MaxIntValue(std::span<const int> data) {
  if (data.empty()) throw EInvalidArgument("MaxIntValue: no data");
  return *std::max_element(data.begin(), data.end());
}

// Sum of squared deviations from the mean, in two passes so that a large
// common offset does not cancel the digits that matter.
double TotalVariance(std::span<const double> data) {
  if (data.size() < 2) return 0;
  const double m = Sum(data) / static_cast<double>(data.size());
  double s = 0, c = 0;
  for (double v : data) {
    s += (v - m) * (v - m);
    c += v - m;
  }
  return s - c * c / static_cast<double>(data.size());
}

double Variance(std::span<const double> data) {
  if (data.size() < 2) return 0;
  return TotalVariance(data) / static_cast<double>(data.size() - 1);
}

double StdDev(std::span<const double> data) { return std::sqrt(Variance(data)); }

void MeanAndStdDev(std::span<const double> data, double& mean, double& stdDev) {
  mean = Mean(data);
  stdDev = StdDev(data);
}

double PopnVariance(std::span<const double> data) {
  if (data.empty()) return 0;
  return TotalVariance(data) / static_cast<double>(data.size());
}

double PopnStdDev(std::span<const double> data) { return std::sqrt(PopnVariance(data)); }

double Norm(std::span<const double> data) { return std::sqrt(SumOfSquares(data)); }

double IntPower(double base, int exponent) {
  uint64_t y = exponent < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(exponent))
                            : static_cast<uint64_t>(exponent);
  double result = 1;
  double b = base;
  while (y > 0) {
    while ((y & 1) == 0) {
      y >>= 1;
      b *= b;
    }
    --y;
    result *= b;
  }
  return exponent < 0 ? 1.0 / result : result;
}

double Power(double base, double exponent) {
  if (exponent == 0) return 1;
  if (base == 0 && exponent > 0) return 0;
  if (std::isfinite(exponent) && exponent == std::trunc(exponent) &&
      std::fabs(exponent) <= 2147483647.0)
    return IntPower(base, static_cast<int>(exponent));
  if (base < 0) return std::numeric_limits<double>::quiet_NaN();
  if (base == 0) return std::numeric_limits<double>::infinity();
  return std::exp(exponent * std::log(base));
}

double LogN(double base, double x) { return std::log(x) / std::log(base); }
double Log10(double x) { return std::log10(x); }
double Log2(double x) { return std::log2(x); }
double Ln(double x) { return std::log(x); }
double Exp(double x) { return std::exp(x); }
double ArcTan2(double y, double x) { return std::atan2(y, x); }
double Hypot(double x, double y) { return std::hypot(x, y); }
double Sinh(double x) { return std::sinh(x); }
double Cosh(double x) { return std::cosh(x); }
double Tanh(double x) { return std::tanh(x); }
double ArcSinh(double x) { return std::asinh(x); }
double ArcCosh(double x) { return std::acosh(x); }
double ArcTanh(double x) { return std::atanh(x); }
double Tan(double x) { return std::tan(x); }
double Cotan(double x) { return 1.0 / std::tan(x); }
double ArcSin(double x) { return std::asin(x); }
double ArcCos(double x) { return std::acos(x); }
double DegToRad(double degrees) { return degrees * (M_PI / 180.0); }
double RadToDeg(double radians) { return radians * (180.0 / M_PI); }

namespace {
int64_t toInt64(double x, const char* what) {
  if (!std::isfinite(x) || x >= 9223372036854775808.0 || x < -9223372036854775808.0)
    throw EInvalidOp(std::string("Invalid floating point operation (") + what + ")");
  return static_cast<int64_t>(x);
}
}  // namespace

int64_t Round(double x) {
  return toInt64(std::nearbyint(x), "Round");
}  // default mode: ties to even
int64_t Trunc(double x) { return toInt64(std::trunc(x), "Trunc"); }
double Int(double x) { return std::trunc(x); }
double Frac(double x) { return x - std::trunc(x); }
int64_t Ceil(double x) { return toInt64(std::ceil(x), "Ceil"); }
int64_t Floor(double x) { return toInt64(std::floor(x), "Floor"); }
double Sqr(double x) { return x * x; }

int Sign(double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }
bool IsNan(double x) { return std::isnan(x); }
bool IsInfinite(double x) { return std::isinf(x); }

bool SameValue(double a, double b, double epsilon) {
  if (epsilon == 0) epsilon = std::max(std::min(std::fabs(a), std::fabs(b)) * 1e-12, 1e-12);
  if (a > b) return a - b <= epsilon;
  return b - a <= epsilon;
}

bool IsZero(double x, double epsilon) {
  if (epsilon == 0) epsilon = 1e-12;
  return std::fabs(x) <= epsilon;
}

double RoundTo(double x, int digit) {
  const double f = IntPower(10, digit);
  return static_cast<double>(Round(x / f)) * f;
}

double SimpleRoundTo(double x, int digit) {
  const double f = IntPower(10, -digit);
  if (x < 0) return std::trunc(x * f - 0.5) / f;
  return std::trunc(x * f + 0.5) / f;
}

bool InRange(double value, double lo, double hi) { return value >= lo && value <= hi; }
double EnsureRange(double value, double lo, double hi) { return std::min(std::max(value, lo), hi); }

}  // namespace qv
