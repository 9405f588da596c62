// The class library's maths routines, with its definitions:
// Variance and StdDev are the sample forms (divide by n - 1; 0 for fewer
// than two values), PopnVariance/PopnStdDev divide by n, Norm is the square
// root of the sum of squares. Mean, MinValue and MaxValue of no data raise
// EInvalidArgument. Power(x, 0) = 1 for every x (also 0 and NaN);
// IntPower multiplies by repeated squaring.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>

#include "platform/core/SysUtils.h"

namespace qv {

double Sum(std::span<const double> data);
double SumOfSquares(std::span<const double> data);
void SumsAndSquares(std::span<const double> data, double& sum, double& sumOfSquares);
double Mean(std::span<const double> data);
double MinValue(std::span<const double> data);
double MaxValue(std::span<const double> data);
int MinIntValue(std::span<const int> data);
int MaxIntValue(std::span<const int> data);
double Variance(std::span<const double> data);
double StdDev(std::span<const double> data);
void MeanAndStdDev(std::span<const double> data, double& mean, double& stdDev);
double PopnVariance(std::span<const double> data);
double PopnStdDev(std::span<const double> data);
double TotalVariance(std::span<const double> data);  // sum of squared deviations
double Norm(std::span<const double> data);

// Power: exponent 0 gives 1; base 0 with a positive exponent 0; an integral
// exponent goes through IntPower; otherwise exp(exponent * ln(base)), which
// is NaN for a negative base. Power(0, negative) is +infinity.
double Power(double base, double exponent);
double IntPower(double base, int exponent);
double LogN(double base, double x);  // ln(x) / ln(base)
double Log10(double x);
double Log2(double x);
double Ln(double x);
double Exp(double x);
double ArcTan2(double y, double x);
double Hypot(double x, double y);
double Sinh(double x);
double Cosh(double x);
double Tanh(double x);
double ArcSinh(double x);
double ArcCosh(double x);
double ArcTanh(double x);
double Tan(double x);
double Cotan(double x);
double ArcSin(double x);
double ArcCos(double x);
double DegToRad(double degrees);
double RadToDeg(double radians);

// Rounding as the run-time library does it: Round to nearest with ties to
// even (2.5 -> 2, 3.5 -> 4), Trunc toward zero, Frac = x - Int(x).
// Round and Trunc raise EInvalidOp for NaN, infinities and values outside
// the 64-bit range.
int64_t Round(double x);
int64_t Trunc(double x);
double Int(double x);
double Frac(double x);
int64_t Ceil(double x);
int64_t Floor(double x);
double Sqr(double x);

int Sign(double x);  // -1, 0, 1
bool IsNan(double x);
bool IsInfinite(double x);
// Equal within epsilon; epsilon 0 picks a tolerance relative to the
// magnitudes (as the class library's SameValue).
bool SameValue(double a, double b, double epsilon = 0);
bool IsZero(double x, double epsilon = 0);
// Rounds to a power of ten: RoundTo(1234.5678, -2) = 1234.57 (ties to even
// as the class library's RoundTo), SimpleRoundTo rounds ties away from zero.
double RoundTo(double x, int digit);
double SimpleRoundTo(double x, int digit = -2);
bool InRange(double value, double lo, double hi);
double EnsureRange(double value, double lo, double hi);

}  // namespace qv
