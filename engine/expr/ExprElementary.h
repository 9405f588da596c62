// The elementary functions of the expression evaluator (exp, the
// logarithms, the circular and hyperbolic functions and their inverses,
// atan2 and the real power), from SLEEF's 1-ULP functions.
//
// The row path (one value) and the column path (a block of rows) call the
// same deterministic SLEEF variant, so a row gives the same bits either
// way: on a processor with AVX2 and FMA the FMA class (vectors of eight
// for blocks where the processor has AVX-512F, else of four; its scalar
// form for rows), elsewhere the class without FMA in both paths.
//
// Faults: the evaluator reads arithmetic faults from the floating-point
// status flags (engine/expr/ExprBuiltins.h), and SLEEF's routines neither raise
// the flags a C library raises nor keep from raising others on the way
// (a conversion of an infinite intermediate raises "invalid"). Each call
// therefore puts back the flags it found when the routine changed them
// (a block whose arguments all lie where the vector routine raises nothing
// of its own skips that, engine/expr/ExprElementaryVector.inc) and raises, from
// the arguments and the result, what the C library raises:
//   a NaN from arguments that are not NaN       invalid operation;
//   an infinity from finite arguments           division by zero at a pole
//                                               (ln, log10, arctanh of +-1,
//                                               0 to a negative power),
//                                               overflow otherwise.
// Internal to the engine's expression compiler.
#pragma once

#include <sleef.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/expr/ExprElementaryBlocks.h"
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

// The routines chosen for this processor (set before main; narrowed only
// by LimitElementaryWidth). (SLEEF declares its routines with a
// const-qualified result.)
struct TElementaryRoutines {
  decltype(&Sleef_cinz_expd1_u10purec) Row[kElementaryCount];
  decltype(&Sleef_cinz_atan2d1_u10purec) ArcTan2;
  decltype(&Sleef_cinz_powd1_u10purec) Power;
  int BlockWidth;              // rows per SLEEF call in the block functions below: 1, 4 or 8
  TElementaryBlocks Blocks;    // the block loops of that width (null for width 1)
  TElementaryKernels Kernels;  // the machine code's routines (null without AVX2 and FMA)
};
static_assert(kElementaryFunctions == kElementaryCount);
extern const TElementaryRoutines& gElementary;

// The widths the routines come in, as BlockWidth: 8 (AVX-512F besides
// AVX2 and FMA), 4 (AVX2 and FMA) and 1 (neither: the routines without
// fused multiply-add, and no machine code). Those this processor can run,
// widest first; 1 is always among them.
std::vector<int> ElementaryWidths();
// For tests, so that each width runs on a processor that has a wider one:
// the routines of the widest width this processor can run that is not
// wider than width (1 for anything below 4; a width above the processor's
// gives its own choice back). Returns the width now in force. Call it only
// while nothing evaluates; a chain compiled or evaluated before keeps what
// it computed then (folded constants, kept values, machine code), so
// compile again after a change.
int LimitElementaryWidth(int width);

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

// Raises the faults in flags (of FE_INVALID, FE_DIVBYZERO, FE_OVERFLOW). On
// x86-64 through SSE arithmetic that makes the fault (0/0, 1/0,
// DBL_MAX*DBL_MAX), so the flags land in the SSE status register, where the
// evaluator's own SSE steps raise theirs (the C library's feraiseexcept
// sets some of them in the x87 status word instead). The operations are
// written in assembly so the compiler can neither fold nor drop them.
inline void RaiseFaultFlags(int flags) {
#if defined(__x86_64__)
  if (flags & FE_INVALID) {
    double z = 0.0;
    __asm__ volatile("divsd %0, %0" : "+x"(z));
  }
  if (flags & FE_DIVBYZERO) {
    double one = 1.0;
    const double z = 0.0;
    __asm__ volatile("divsd %1, %0" : "+x"(one) : "x"(z));
  }
  if (flags & FE_OVERFLOW) {
    double m = DBL_MAX;
    __asm__ volatile("mulsd %0, %0" : "+x"(m));
  }
#else
  if (flags) std::feraiseexcept(flags);
#endif
}

// Raises what the C library raises for result r of arguments whose
// finiteness and NaN-ness are given (see the top of this file).
inline void RaiseElementaryFault(bool argumentNaN, bool argumentsFinite, bool pole, double r) {
  if (std::isnan(r) && !argumentNaN)
    RaiseFaultFlags(FE_INVALID);
  else if (std::isinf(r) && argumentsFinite)
    RaiseFaultFlags(pole ? FE_DIVBYZERO : FE_OVERFLOW);
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

// RaiseFaultFlags for the vector files, which share no inline function.
void RaiseFaultFlagsOutOfLine(int flags);

}  // namespace qv::expr
