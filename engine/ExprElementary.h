// The elementary functions of the expression evaluator (exp, the
// logarithms, the circular and hyperbolic functions and their inverses,
// atan2 and the real power), from SLEEF's 1-ULP functions.
//
// The row path (one value) and the column path (a block of rows) call the
// same deterministic SLEEF variant, so a row gives the same bits either
// way: on a processor with AVX2 and FMA the FMA class (vectors of four for
// blocks, its scalar form for rows), elsewhere the class without FMA in
// both paths.
//
// Faults: the evaluator reads arithmetic faults from the floating-point
// status flags (engine/ExprBuiltins.h), and SLEEF's routines neither raise
// the flags a C library raises nor keep from raising others on the way
// (a conversion of an infinite intermediate raises "invalid"). Each call
// therefore puts back the flags it found when the routine changed them and
// raises, from the arguments and the result, what the C library raises:
//   a NaN from arguments that are not NaN       invalid operation;
//   an infinity from finite arguments           division by zero at a pole
//                                               (ln, log10, arctanh of +-1,
//                                               0 to a negative power),
//                                               overflow otherwise.
// Internal to the engine's expression compiler.
#pragma once

#include <sleef.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace qv::expr {

enum class TElementary : uint8_t {
  Exp,
  Ln,
  Log10,
  Sin,
  Cos,
  Tan,
  ArcSin,
  ArcCos,
  ArcTan,
  Sinh,
  Cosh,
  Tanh,
  ArcSinh,
  ArcCosh,
  ArcTanh,
};
constexpr int kElementaryCount = static_cast<int>(TElementary::ArcTanh) + 1;

// The routines chosen for this processor (set once, before main).
// (SLEEF declares its routines with a const-qualified result.)
struct TElementaryRoutines {
  decltype(&Sleef_cinz_expd1_u10purec) Row[kElementaryCount];
  decltype(&Sleef_cinz_atan2d1_u10purec) ArcTan2;
  decltype(&Sleef_cinz_powd1_u10purec) Power;
  bool Vector;  // the block functions below run four rows at a time
};
extern const TElementaryRoutines& gElementary;

// Floating-point status of the SSE unit (flags and modes).
inline unsigned ElementaryStatus() {
#if defined(__SSE__)
  return _mm_getcsr();
#else
  return static_cast<unsigned>(std::fetestexcept(FE_ALL_EXCEPT));
#endif
}
inline void RestoreElementaryStatus(unsigned status) {
#if defined(__SSE__)
  _mm_setcsr(status);
#else
  std::feclearexcept(FE_ALL_EXCEPT);
  std::feraiseexcept(static_cast<int>(status));
#endif
}

// Raises what the C library raises for result r of arguments whose
// finiteness and NaN-ness are given (see the top of this file).
inline void RaiseElementaryFault(bool argumentNaN, bool argumentsFinite, bool pole, double r) {
  if (std::isnan(r) && !argumentNaN)
    std::feraiseexcept(FE_INVALID);
  else if (std::isinf(r) && argumentsFinite)
    std::feraiseexcept(pole ? FE_DIVBYZERO : FE_OVERFLOW);
}

constexpr bool IsPole(TElementary k) {
  return k == TElementary::Ln || k == TElementary::Log10 || k == TElementary::ArcTanh;
}

// One value of function K, with the C library's fault flags.
template <TElementary K>
inline double ElementaryRow(double a) {
  const unsigned status = ElementaryStatus();
  const double r = gElementary.Row[static_cast<int>(K)](a);
  constexpr unsigned kFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
  if ((ElementaryStatus() ^ status) & kFlags) RestoreElementaryStatus(status);
  if (!std::isfinite(r)) RaiseElementaryFault(std::isnan(a), std::isfinite(a), IsPole(K), r);
  return r;
}

// arctan2(a, b), with the C library's fault flags.
double ElementaryArcTan2(double a, double b);
// a^b by SLEEF's pow for an exponent that is not an integer (the language's
// power handles the integers itself); a NaN argument gives NaN.
double ElementaryPower(double a, double b);

// The same over n rows: r[i] = K(a[i]), bit for bit as ElementaryRow, with
// the flags the rows one by one would leave.
void ElementaryBlock(TElementary K, double* r, const double* a, int n);
void ElementaryArcTan2Block(double* r, const double* a, const double* b, int n);
// The language's real power over n rows (PowerRow for one row: the
// rules of exponent 0, base 0 and integral exponents, else
// ElementaryPower), with exponent column b, or one exponent *b for every
// row when ScalarExponent.
void ElementaryPowerBlock(double* r, const double* a, const double* b, int n, bool ScalarExponent,
                          double (*PowerRow)(double, double));

// The AVX2 block loops (engine/ExprElementaryAvx2.cpp), for a processor
// with AVX2 and FMA only; the same contracts as the functions above (Pole:
// an infinity from a finite argument is a division by zero).
void ElementaryBlockAvx2(int K, bool Pole, double* r, const double* a, int n);
void ElementaryArcTan2BlockAvx2(double* r, const double* a, const double* b, int n);
void ElementaryPowerBlockAvx2(double* r, const double* a, const double* b, int n,
                              bool ScalarExponent, double (*PowerRow)(double, double));

}  // namespace qv::expr
