#include "engine/ParseExpr.h"

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/core/Random.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

// ===========================================================================
// Arithmetic faults.
//
// Every fault shows in the floating-point status flags: the operations set
// them as a side effect, and "div"/"mod" by zero set the division flag
// themselves (and note that it was an integer division). An evaluation
// clears the flags when it finds any set, runs, and tests them once.

namespace {

constexpr int kFaultMask = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

thread_local bool tIntegerDivisionFault = false;

inline int FaultFlags() {
#if defined(__x86_64__) || defined(__i386__)
  // The SSE and the x87 status flags share the bit positions of FE_*.
  unsigned int mxcsr;
  unsigned short sw;
  __asm__ __volatile__("stmxcsr %0" : "=m"(mxcsr));
  __asm__ __volatile__("fnstsw %0" : "=am"(sw));
  return static_cast<int>((mxcsr | sw) & kFaultMask);
#else
  return std::fetestexcept(kFaultMask);
#endif
}

inline void ClearFaultFlags() {
  std::feclearexcept(kFaultMask);
  tIntegerDivisionFault = false;
}

// Clears the flags when something left them set, so that only the coming
// evaluation is judged.
inline void PrepareFaultFlags() {
  if (FaultFlags() != 0) ClearFaultFlags();
}

// The message of the fault shown by the flags; clears them.
std::string TakeFaultMessage() {
  const int flags = FaultFlags();
  const bool integerDivision = tIntegerDivisionFault;
  ClearFaultFlags();
  if (integerDivision) return "Division by zero";
  if (flags & FE_INVALID) return "Invalid floating point operation";
  if (flags & FE_DIVBYZERO) return "Floating point division by zero";
  return "Floating point overflow";
}

double AllOnesNaN() {
  const uint64_t bits = ~uint64_t{0};
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// The block loops below are the hot path of a column evaluation; they are
// built with loop vectorisation even where the rest of the program is not.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC push_options
#pragma GCC optimize("tree-loop-vectorize", "vect-cost-model=dynamic")
#endif

// ===========================================================================
// The arithmetic of the built-in words. Each operation is one function of
// doubles; the step procedure and the block procedure of a word are both
// made from it, so a row gives the same bits either way. Compound functions
// work in extended precision and round once when stored, as the words are
// defined; the plain operations work in double.

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

// Rounds to the nearest integer in the current rounding mode (ties to even).
// NaN or a value outside the 64-bit range raises the invalid-operation flag.
inline int64_t RoundInt(double a) { return std::llrint(a); }

// Rounds toward zero; outside the 64-bit range raises the invalid flag.
inline int64_t TruncInt(double a) {
  const double t = std::trunc(a);
  if (!(t >= -9223372036854775808.0 && t < 9223372036854775808.0)) {
    std::feraiseexcept(FE_INVALID);
    return std::numeric_limits<int64_t>::min();
  }
  return static_cast<int64_t>(t);
}

// a raised to n by squaring: log2(|n|) steps whatever n is. A positive
// power works in double (an intermediate square overflows only when the
// result does); a negative one in extended precision, so that a large
// positive power whose reciprocal still fits does not overflow on the way.
inline double IntPowerOf(double a, int64_t n) {
  if (n >= 0) {
    uint64_t e = static_cast<uint64_t>(n);
    double base = a;
    double r = 1.0;
    while (e != 0) {
      if (e & 1u) r *= base;
      e >>= 1;
      if (e == 0) break;
      base *= base;
    }
    return r;
  }
  uint64_t e = uint64_t{0} - static_cast<uint64_t>(n);
  long double base = a;
  long double r = 1.0L;
  for (;;) {
    if (e & 1u) r *= base;
    e >>= 1;
    if (e == 0) break;
    base *= base;
  }
  return static_cast<double>(1.0L / r);
}

// The powers 2 and 3 as the squaring loop computes them, for exponents that
// are constants of the chain.
inline double OpSquare(double a) { return a * a; }
inline double OpCube(double a) { return a * (a * a); }

double OpIntPower(double a, double b) { return IntPowerOf(a, RoundInt(b)); }

// Real power: 1 for b = 0; 0 for a = 0 and b > 0; an integral b of at most
// 2147483647 in magnitude by squaring; else exp(b ln a).
double OpPower(double a, double b) {
  if (b == 0.0) return 1.0;
  if (a == 0.0 && std::isgreater(b, 0.0)) return 0.0;
  if (std::trunc(b) == b && std::fabs(b) <= 2147483647.0)
    return IntPowerOf(a, static_cast<int64_t>(b));
  return static_cast<double>(
      std::exp(static_cast<long double>(b) * std::log(static_cast<long double>(a))));
}

inline double OpNeg(double a) { return -a; }
inline double OpPos(double a) { return a; }
inline double OpPercent(double a) { return a * 0.01; }

// n! for n = round(a): 1 for every n up to 1; beyond 170 the value does not
// fit a double: +inf with the overflow flag, without a loop of n steps.
double OpFactorial(double a) {
  const int64_t n = RoundInt(a);
  if (n > 170) {
    std::feraiseexcept(FE_OVERFLOW);
    return std::numeric_limits<double>::infinity();
  }
  long double r = 1.0L;
  for (int64_t k = 2; k <= n; ++k) r *= static_cast<long double>(k);
  return static_cast<double>(r);
}

inline double OpMul(double a, double b) { return a * b; }
inline double OpDiv(double a, double b) { return a / b; }
inline double OpAdd(double a, double b) { return a + b; }
inline double OpSub(double a, double b) { return a - b; }

inline void IntegerDivisionFault() {
  tIntegerDivisionFault = true;
  std::feraiseexcept(FE_DIVBYZERO);
}

double OpIntDiv(double a, double b) {
  const int64_t x = RoundInt(a);
  const int64_t y = RoundInt(b);
  if (y == 0) {
    IntegerDivisionFault();
    return 0.0;
  }
  if (y == -1) return -static_cast<double>(x);  // no trap for the lowest value
  return static_cast<double>(x / y);
}

double OpIntMod(double a, double b) {
  const int64_t x = RoundInt(a);
  const int64_t y = RoundInt(b);
  if (y == 0) {
    IntegerDivisionFault();
    return 0.0;
  }
  if (y == -1) return 0.0;
  return static_cast<double>(x % y);
}

inline double OpGreater(double a, double b) { return a > b ? 1.0 : 0.0; }
inline double OpGreaterEqual(double a, double b) { return a + 1e-30 >= b ? 1.0 : 0.0; }
inline double OpLessEqual(double a, double b) { return b + 1e-30 >= a ? 1.0 : 0.0; }
inline double OpLess(double a, double b) { return a < b ? 1.0 : 0.0; }
inline double OpNotEqual(double a, double b) { return std::fabs(a - b) > 1e-30 ? 1.0 : 0.0; }
inline double OpEqual(double a, double b) { return std::fabs(a - b) <= 1e-30 ? 1.0 : 0.0; }

double OpNot(double a) { return static_cast<double>(~RoundInt(a)); }
double OpOr(double a, double b) { return static_cast<double>(RoundInt(a) | RoundInt(b)); }
double OpAnd(double a, double b) { return static_cast<double>(RoundInt(a) & RoundInt(b)); }
double OpXor(double a, double b) { return static_cast<double>(RoundInt(a) ^ RoundInt(b)); }

inline double OpIf(double a, double b, double c) { return (RoundInt(a) & 0xFF) != 0 ? b : c; }

// "if" over a block: conditions that are all 0 or 1 (comparison results)
// select without rounding, which vectorises; any other condition takes the
// general rule. One pass selects and notes whether some condition was
// neither; only then the block is done again by the general rule. The
// comparisons with 0 and 1 are quiet: they raise nothing for a NaN, which
// then raises by the general rule as it would alone.
void BlockIf(double* __restrict r, const double* const* args, int n) {
  const double* __restrict a = args[0];
  const double* __restrict b = args[1];
  const double* __restrict c = args[2];
  int i = 0;
  bool simple = true;
#if defined(__SSE2__)
  const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0);
  __m128d bad = zero;
#pragma GCC unroll 2
  for (; i + 2 <= n; i += 2) {
    const __m128d v = _mm_loadu_pd(a + i);
    const __m128d nonzero = _mm_cmpneq_pd(v, zero);
    bad = _mm_or_pd(bad, _mm_and_pd(nonzero, _mm_cmpneq_pd(v, one)));
    _mm_storeu_pd(r + i, _mm_or_pd(_mm_and_pd(nonzero, _mm_loadu_pd(b + i)),
                                   _mm_andnot_pd(nonzero, _mm_loadu_pd(c + i))));
  }
  simple = _mm_movemask_pd(bad) == 0;
#endif
  for (; i < n; ++i) {
    simple = simple && (a[i] == 0.0 || a[i] == 1.0);
    r[i] = a[i] != 0.0 ? b[i] : c[i];
  }
  if (!simple)
    for (int k = 0; k < n; ++k) r[k] = OpIf(a[k], b[k], c[k]);
}

inline double OpExp(double a) { return std::exp(a); }
double OpSigmoid(double a) {
  return static_cast<double>(1.0L / (1.0L + std::exp(-static_cast<long double>(a))));
}
inline double OpSqr(double a) { return a * a; }
inline double OpSqrt(double a) { return std::sqrt(a); }
inline double OpAbs(double a) { return std::fabs(a); }
double OpRound(double a) { return static_cast<double>(RoundInt(a)); }
double OpTrunc(double a) { return static_cast<double>(TruncInt(a)); }
inline double OpLn(double a) { return std::log(a); }
inline double OpLog10(double a) { return std::log10(a); }
double OpLogN(double a, double b) {
  return static_cast<double>(std::log(static_cast<long double>(b)) /
                             std::log(static_cast<long double>(a)));
}
inline double OpMax(double a, double b) { return a >= b ? a : b; }
inline double OpMin(double a, double b) { return a <= b ? a : b; }
inline double OpSin(double a) { return std::sin(a); }
inline double OpCos(double a) { return std::cos(a); }
inline double OpTan(double a) { return std::tan(a); }
double OpSinD(double a) { return static_cast<double>(std::sin(a * kPiL / 180.0L)); }
double OpCosD(double a) { return static_cast<double>(std::cos(a * kPiL / 180.0L)); }
double OpTanD(double a) { return static_cast<double>(std::tan(a * kPiL / 180.0L)); }
double OpAtanD(double a) { return static_cast<double>(std::atan(a * kPiL / 180.0L)); }
inline double OpArcSin(double a) { return std::asin(a); }
inline double OpArcCos(double a) { return std::acos(a); }
inline double OpArcTan(double a) { return std::atan(a); }
inline double OpArcTan2(double a, double b) { return std::atan2(a, b); }
inline double OpSinh(double a) { return std::sinh(a); }
inline double OpCosh(double a) { return std::cosh(a); }
inline double OpTanh(double a) { return std::tanh(a); }
inline double OpArcSinh(double a) { return std::asinh(a); }
inline double OpArcCosh(double a) { return std::acosh(a); }
inline double OpArcTanh(double a) { return std::atanh(a); }
double OpDegToRad(double a) { return static_cast<double>(a * kPiL / 180.0L); }
double OpRadToDeg(double a) { return static_cast<double>(a * 180.0L / kPiL); }

// ---- Random words -----------------------------------------------------------

// "random" and "randg" draw from the generator of the parser that owns the
// word (TExpressionParser::SetRandomGenerator).
class TRandomFunction : public TVaryingFunction {
 public:
  TRandomFunction(const std::string& name, int argumentCount, TExprProc proc,
                  TRandomGenerator* const* source)
      : TVaryingFunction(name, argumentCount, proc), source_(source) {}
  TRandomGenerator& Generator() const { return **source_; }

 private:
  TRandomGenerator* const* source_;  // the parser's generator slot
};

void RandomProc(TExprRec* s) {
  s->Result = static_cast<const TRandomFunction*>(s->Word)->Generator().Random();
}
void RandGProc(TExprRec* s) {
  s->Result =
      static_cast<const TRandomFunction*>(s->Word)->Generator().RandG(*s->Args[0], *s->Args[1]);
}

// ":=": stores the right operand into the storage of the left one. After
// a fault of this evaluation nothing is stored.
void AssignProc(TExprRec* s) {
  const double v = *s->Args[1];
  if (FaultFlags() == 0) *s->Args[0] = v;
  s->Result = v;
}

// ---- Step and block procedures made from the operations -------------------

template <double (*F)(double)>
void Step1(TExprRec* s) {
  s->Result = F(*s->Args[0]);
}
template <double (*F)(double, double)>
void Step2(TExprRec* s) {
  s->Result = F(*s->Args[0], *s->Args[1]);
}
template <double (*F)(double, double, double)>
void Step3(TExprRec* s) {
  s->Result = F(*s->Args[0], *s->Args[1], *s->Args[2]);
}

template <double (*F)(double)>
void Block1(double* __restrict r, const double* const* args, int n) {
  const double* __restrict a = args[0];
  for (int i = 0; i < n; ++i) r[i] = F(a[i]);
}
template <double (*F)(double, double)>
void Block2(double* __restrict r, const double* const* args, int n) {
  const double* __restrict a = args[0];
  const double* __restrict b = args[1];
  for (int i = 0; i < n; ++i) r[i] = F(a[i], b[i]);
}
template <double (*F)(double, double, double)>
void Block3(double* __restrict r, const double* const* args, int n) {
  const double* __restrict a = args[0];
  const double* __restrict b = args[1];
  const double* __restrict c = args[2];
  for (int i = 0; i < n; ++i) r[i] = F(a[i], b[i], c[i]);
}

// Two-argument blocks where one argument is the same for every row (a
// parameter, a constant or a value made of them): that argument is read
// once from *args[i] instead of from a column of copies.
template <double (*F)(double, double)>
void Block2VS(double* __restrict r, const double* const* args, int n) {
  const double* __restrict a = args[0];
  const double b = *args[1];
  for (int i = 0; i < n; ++i) r[i] = F(a[i], b);
}
template <double (*F)(double, double)>
void Block2SV(double* __restrict r, const double* const* args, int n) {
  const double a = *args[0];
  const double* __restrict b = args[1];
  for (int i = 0; i < n; ++i) r[i] = F(a, b[i]);
}

// The blocks that have such variants: {all columns, scalar second, scalar first}.
struct TScalarVariants {
  TBlockProc Columns, ScalarSecond, ScalarFirst;
};
const TScalarVariants kScalarVariants[] = {
    {&Block2<OpAdd>, &Block2VS<OpAdd>, &Block2SV<OpAdd>},
    {&Block2<OpSub>, &Block2VS<OpSub>, &Block2SV<OpSub>},
    {&Block2<OpMul>, &Block2VS<OpMul>, &Block2SV<OpMul>},
    {&Block2<OpDiv>, &Block2VS<OpDiv>, &Block2SV<OpDiv>},
};

// ---- Fused groups -----------------------------------------------------------
//
// A tree of varying steps made only of the plain arithmetic words (+ - * /,
// the signs, square, cube and "if") runs as one short program of compound
// loops: a sum of products "acc + b*x" is one pass over the rows instead of
// two, and no intermediate of the tree gets a column of its own but the
// accumulators of the nesting depths. Every node still computes the same
// IEEE operation on the same operands in the same order, so each row gives
// the same bits and raises the same flags as its steps one by one. These
// loops are built without contraction of a*b+c into one rounding.

// Binary operations of a fused program.
enum : uint8_t { kFuAdd, kFuSub, kFuMul, kFuDiv };
constexpr int kFusedDepth = 8;  // accumulators below the output: deeper trees are not fused

// One instruction over n rows: a is the accumulator of its depth; its
// operands are ptr[args[0]], ptr[args[1]], ... (each a column, or one value
// where the loop says so).
using TFusedLoop = void (*)(double* a, const double* const* ptr, const uint16_t* args, int n);
constexpr int kFusedArgs = 9;  // operands of one instruction at most

struct TFusedInstr {
  TFusedLoop Loop = nullptr;
  int Depth = 0;  // 0: the output column of the group
  int ArgCount = 0;
  uint16_t Args[kFusedArgs] = {};
};

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")
#endif

// The loops below are also built for processors with 256-bit vectors and
// picked when the program starts: the same IEEE operations per row, four
// rows at a time instead of two.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define QV_WIDE_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define QV_WIDE_LOOP
#endif

template <uint8_t Op>
inline double FuOp(double a, double b) {
  if constexpr (Op == kFuAdd)
    return a + b;
  else if constexpr (Op == kFuSub)
    return a - b;
  else if constexpr (Op == kFuMul)
    return a * b;
  else
    return a / b;
}

template <bool XS>
QV_WIDE_LOOP void FuLoad(double* __restrict a, const double* const* ptr, const uint16_t* args,
                         int n) {
  const double* __restrict x = ptr[args[0]];
  const double xs = *x;
  for (int i = 0; i < n; ++i) a[i] = XS ? xs : x[i];
}
template <uint8_t Op2, bool XS, bool YS>
QV_WIDE_LOOP void FuPair(double* __restrict a, const double* const* ptr, const uint16_t* args,
                         int n) {
  const double* __restrict x = ptr[args[0]];
  const double* __restrict y = ptr[args[1]];
  const double xs = *x, ys = *y;
  for (int i = 0; i < n; ++i) a[i] = FuOp<Op2>(XS ? xs : x[i], YS ? ys : y[i]);
}
template <uint8_t Op, bool XS>
QV_WIDE_LOOP void FuAcc(double* __restrict a, const double* const* ptr, const uint16_t* args,
                        int n) {
  const double* __restrict x = ptr[args[0]];
  const double xs = *x;
  for (int i = 0; i < n; ++i) a[i] = FuOp<Op>(a[i], XS ? xs : x[i]);
}
template <uint8_t Op, bool XS>
QV_WIDE_LOOP void FuRAcc(double* __restrict a, const double* const* ptr, const uint16_t* args,
                         int n) {
  const double* __restrict x = ptr[args[0]];
  const double xs = *x;
  for (int i = 0; i < n; ++i) a[i] = FuOp<Op>(XS ? xs : x[i], a[i]);
}
template <uint8_t Op, uint8_t Op2, bool XS, bool YS>
QV_WIDE_LOOP void FuTerm(double* __restrict a, const double* const* ptr, const uint16_t* args,
                         int n) {
  const double* __restrict x = ptr[args[0]];
  const double* __restrict y = ptr[args[1]];
  const double xs = *x, ys = *y;
  for (int i = 0; i < n; ++i) a[i] = FuOp<Op>(a[i], FuOp<Op2>(XS ? xs : x[i], YS ? ys : y[i]));
}
template <uint8_t Op, uint8_t Op2, bool XS, bool YS>
QV_WIDE_LOOP void FuRTerm(double* __restrict a, const double* const* ptr, const uint16_t* args,
                          int n) {
  const double* __restrict x = ptr[args[0]];
  const double* __restrict y = ptr[args[1]];
  const double xs = *x, ys = *y;
  for (int i = 0; i < n; ++i) a[i] = FuOp<Op>(FuOp<Op2>(XS ? xs : x[i], YS ? ys : y[i]), a[i]);
}
QV_WIDE_LOOP void FuNeg(double* __restrict a, const double* const*, const uint16_t*, int n) {
  for (int i = 0; i < n; ++i) a[i] = -a[i];
}
QV_WIDE_LOOP void FuSquare(double* __restrict a, const double* const*, const uint16_t*, int n) {
  for (int i = 0; i < n; ++i) a[i] = a[i] * a[i];
}
QV_WIDE_LOOP void FuCube(double* __restrict a, const double* const*, const uint16_t*, int n) {
  for (int i = 0; i < n; ++i) a[i] = a[i] * (a[i] * a[i]);
}
void FuIf(double* __restrict a, const double* const* ptr, const uint16_t* args, int n) {
  const double* o[3] = {ptr[args[0]], ptr[args[1]], ptr[args[2]]};
  BlockIf(a, o, n);
}

// "if" whose second or third argument (or both) is a parameter times a
// column (T1, T2), computed in the same pass: both products for every row,
// as the steps would, then the selection by the rule of BlockIf.
// Operands: the condition, then s1, x1 (or the column) and s2, x2 (or the
// column).
template <bool T1, bool T2>
void FuIfTerms(double* __restrict a, const double* const* ptr, const uint16_t* args, int n) {
  constexpr int second = T1 ? 3 : 2;  // where the third argument starts
  const double* __restrict c = ptr[args[0]];
  const double s1 = T1 ? *ptr[args[1]] : 0.0;
  const double* __restrict x1 = ptr[args[T1 ? 2 : 1]];
  const double s2 = T2 ? *ptr[args[second]] : 0.0;
  const double* __restrict x2 = ptr[args[T2 ? second + 1 : second]];
  auto then = [&](int k) { return T1 ? s1 * x1[k] : x1[k]; };
  auto other = [&](int k) { return T2 ? s2 * x2[k] : x2[k]; };
  int i = 0;
  bool simple = true;
#if defined(__SSE2__)
  const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0);
  const __m128d m1 = _mm_set1_pd(s1), m2 = _mm_set1_pd(s2);
  __m128d bad = zero;
  for (; i + 2 <= n; i += 2) {
    const __m128d v = _mm_loadu_pd(c + i);
    const __m128d nonzero = _mm_cmpneq_pd(v, zero);
    bad = _mm_or_pd(bad, _mm_and_pd(nonzero, _mm_cmpneq_pd(v, one)));
    __m128d t = _mm_loadu_pd(x1 + i), e = _mm_loadu_pd(x2 + i);
    if (T1) t = _mm_mul_pd(m1, t);
    if (T2) e = _mm_mul_pd(m2, e);
    _mm_storeu_pd(a + i, _mm_or_pd(_mm_and_pd(nonzero, t), _mm_andnot_pd(nonzero, e)));
  }
  simple = _mm_movemask_pd(bad) == 0;
#endif
  for (; i < n; ++i) {
    simple = simple && (c[i] == 0.0 || c[i] == 1.0);
    const double t = then(i), e = other(i);
    a[i] = c[i] != 0.0 ? t : e;
  }
  if (!simple)
    for (int k = 0; k < n; ++k) {
      const double t = then(k), e = other(k);
      a[k] = OpIf(c[k], t, e);
    }
}

// A sum of products s*x (a parameter times a column), the shape of
// polynomials and of sums of exponentials, in one pass with the running sum
// in a register:
//   Lead 0: a = ((a +- s1*x1) +- s2*x2) ...
//   Lead 1: a = ((c +- s1*x1) +- s2*x2) ...   (c the first operand)
//   Lead 2: a = ((s1*x1 +- s2*x2) +- s3*x3) ...
// bit j of Sub makes term j a subtraction (unused for the first term of
// Lead 2). Operands: [c,] then s_j, x_j for each term.
template <int K, int Lead, unsigned Sub>
QV_WIDE_LOOP void FuSum(double* __restrict a, const double* const* ptr, const uint16_t* args,
                        int n) {
  typedef double V __attribute__((vector_size(32)));
  typedef double U __attribute__((vector_size(32), aligned(8)));
  constexpr int first = Lead == 1 ? 1 : 0;
  const double c = Lead == 1 ? *ptr[args[0]] : 0.0;
  double s[K];
  const double* x[K];
  for (int j = 0; j < K; ++j) {
    s[j] = *ptr[args[first + 2 * j]];
    x[j] = ptr[args[first + 2 * j + 1]];
  }
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    V t;
    if constexpr (Lead == 0)
      t = *reinterpret_cast<const U*>(a + i);
    else if constexpr (Lead == 1)
      t = V{c, c, c, c};
    else
      t = V{s[0], s[0], s[0], s[0]} * *reinterpret_cast<const U*>(x[0] + i);
#pragma GCC unroll 4
    for (int j = Lead == 2 ? 1 : 0; j < K; ++j) {
      const V p = V{s[j], s[j], s[j], s[j]} * *reinterpret_cast<const U*>(x[j] + i);
      t = (Sub >> j) & 1u ? t - p : t + p;
    }
    *reinterpret_cast<U*>(a + i) = t;
  }
  for (; i < n; ++i) {
    double t = Lead == 0 ? a[i] : Lead == 1 ? c : s[0] * x[0][i];
#pragma GCC unroll 4
    for (int j = Lead == 2 ? 1 : 0; j < K; ++j) {
      const double p = s[j] * x[j][i];
      t = (Sub >> j) & 1u ? t - p : t + p;
    }
    a[i] = t;
  }
}
template <int K, int Lead, size_t... Sub>
TFusedLoop PickSumOf(unsigned sub, std::index_sequence<Sub...>) {
  static constexpr TFusedLoop kLoops[] = {&FuSum<K, Lead, static_cast<unsigned>(Sub)>...};
  return kLoops[sub];
}
template <int Lead>
TFusedLoop PickSumLead(int k, unsigned sub) {
  switch (k) {
    case 1:
      return PickSumOf<1, Lead>(sub, std::make_index_sequence<2>{});
    case 2:
      return PickSumOf<2, Lead>(sub, std::make_index_sequence<4>{});
    case 3:
      return PickSumOf<3, Lead>(sub, std::make_index_sequence<8>{});
    default:
      return PickSumOf<4, Lead>(sub, std::make_index_sequence<16>{});
  }
}
constexpr int kSumTerms = 4;  // terms of one sum loop at most
TFusedLoop PickSumLoop(int k, int lead, unsigned sub) {
  return lead == 0   ? PickSumLead<0>(k, sub)
         : lead == 1 ? PickSumLead<1>(k, sub)
                     : PickSumLead<2>(k, sub);
}
#undef QV_WIDE_LOOP

// The loop of each form for an operation known only at run time.
template <bool XS, bool YS>
TFusedLoop PickPair(uint8_t op2) {
  switch (op2) {
    case kFuAdd:
      return &FuPair<kFuAdd, XS, YS>;
    case kFuSub:
      return &FuPair<kFuSub, XS, YS>;
    case kFuMul:
      return &FuPair<kFuMul, XS, YS>;
    default:
      return &FuPair<kFuDiv, XS, YS>;
  }
}
template <uint8_t Op, bool XS, bool YS>
TFusedLoop PickTerm2(bool reversed, uint8_t op2) {
  switch (op2) {
    case kFuAdd:
      return reversed ? &FuRTerm<Op, kFuAdd, XS, YS> : &FuTerm<Op, kFuAdd, XS, YS>;
    case kFuSub:
      return reversed ? &FuRTerm<Op, kFuSub, XS, YS> : &FuTerm<Op, kFuSub, XS, YS>;
    case kFuMul:
      return reversed ? &FuRTerm<Op, kFuMul, XS, YS> : &FuTerm<Op, kFuMul, XS, YS>;
    default:
      return reversed ? &FuRTerm<Op, kFuDiv, XS, YS> : &FuTerm<Op, kFuDiv, XS, YS>;
  }
}
template <bool XS, bool YS>
TFusedLoop PickTerm1(bool reversed, uint8_t op, uint8_t op2) {
  switch (op) {
    case kFuAdd:
      return PickTerm2<kFuAdd, XS, YS>(reversed, op2);
    case kFuSub:
      return PickTerm2<kFuSub, XS, YS>(reversed, op2);
    case kFuMul:
      return PickTerm2<kFuMul, XS, YS>(reversed, op2);
    default:
      return PickTerm2<kFuDiv, XS, YS>(reversed, op2);
  }
}
template <bool XS>
TFusedLoop PickAcc1(bool reversed, uint8_t op) {
  switch (op) {
    case kFuAdd:
      return reversed ? &FuRAcc<kFuAdd, XS> : &FuAcc<kFuAdd, XS>;
    case kFuSub:
      return reversed ? &FuRAcc<kFuSub, XS> : &FuAcc<kFuSub, XS>;
    case kFuMul:
      return reversed ? &FuRAcc<kFuMul, XS> : &FuAcc<kFuMul, XS>;
    default:
      return reversed ? &FuRAcc<kFuDiv, XS> : &FuAcc<kFuDiv, XS>;
  }
}
// A = X op2 Y
TFusedLoop PickPairLoop(uint8_t op2, bool xs, bool ys) {
  return xs ? (ys ? PickPair<true, true>(op2) : PickPair<true, false>(op2))
            : (ys ? PickPair<false, true>(op2) : PickPair<false, false>(op2));
}
// A = A op (X op2 Y), or (X op2 Y) op A when reversed
TFusedLoop PickTermLoop(bool reversed, uint8_t op, uint8_t op2, bool xs, bool ys) {
  return xs ? (ys ? PickTerm1<true, true>(reversed, op, op2)
                  : PickTerm1<true, false>(reversed, op, op2))
            : (ys ? PickTerm1<false, true>(reversed, op, op2)
                  : PickTerm1<false, false>(reversed, op, op2));
}
// A = A op X, or X op A when reversed
TFusedLoop PickAccLoop(bool reversed, uint8_t op, bool xs) {
  return xs ? PickAcc1<true>(reversed, op) : PickAcc1<false>(reversed, op);
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif

}  // namespace

// ===========================================================================
// Compiled chains.

namespace {
constexpr int kBlockRows = 256;  // rows per pass of a column evaluation
// Step classes and argument sources of a column plan.
enum : uint8_t { kStepVarying, kStepUniform, kStepConstant, kStepInvariant };
enum : uint8_t { kArgStep, kArgColumn, kArgInvariant, kArgScalar, kArgBroadcast, kArgDepth };
constexpr int kMaxBracketDepth = 256;  // deeper nesting is refused
}  // namespace

struct TExpressionParser::TChain {
  std::string Text;
  std::unique_ptr<TExprRec[]> Steps;
  int Count = 0;

  // Column form: per step its block procedure and where each argument
  // comes from (>= 0: the result of that step; < 0: external storage
  // number -1 - value).
  bool ColumnReady = false;
  std::vector<TBlockProc> Blocks;
  std::vector<int> ArgCounts;
  std::vector<int> ArgSources;            // Count * 4
  std::vector<double*> Externals;         // distinct storage read by the chain
  std::vector<uint8_t> ExternalConstant;  // 1: storage of a constant word
  std::vector<double> Buffer;             // step results, spread values, accumulators
  std::vector<int> ExternalBinding;       // binding number, -1 for a scalar

  // Plan of the column form for one pattern of bound externals
  // (PlanBinding, empty until made). Steps are sorted into classes:
  //   varying   - run over every block of rows;
  //   uniform   - read only unbound storage and uniform steps: the same for
  //               every row, so run once per evaluation;
  //   constant  - uniform and made of constant words only;
  //   invariant - read only bound columns, constants and invariant steps:
  //               the same from one evaluation to the next while the
  //               columns hold the same values, so kept (Invariant) with a
  //               copy of those columns (Snapshot) that tells when to redo it.
  // The last step is always varying: it writes the results.
  std::vector<int> PlanBinding;
  std::vector<uint8_t> StepClass;
  std::vector<int> OnceSteps;           // uniform and constant, in order
  std::vector<int> InvariantRunSteps;   // constant and invariant, in order
  std::vector<int> InvariantAt;         // per step: its column in Invariant
  std::vector<int> InvariantExternals;  // bound externals they read
  // The varying steps run over each block of rows as units, in chain order:
  // the block procedure of one step, or the fused program of a tree of
  // steps (Code[First, First + Count)). What a unit reads are operands: the
  // result column of a step, a bound column, a kept invariant column, or a
  // value read once per call (as it is, spread over a column for a block
  // procedure, or spread over the lanes of a fused program).
  struct TOperand {
    uint8_t Kind;         // kArg...
    int Index;            // step, external, invariant column or spread slot
    const double* Value;  // a value read once per call
  };
  struct TUnit {
    TBlockProc Proc;   // null: fused program
    int Step;          // the step whose result the unit writes
    int First, Count;  // arguments in UnitArgs, or instructions in Code
  };
  std::vector<TOperand> Operands;
  std::vector<TUnit> Units;
  std::vector<uint16_t> UnitArgs;
  std::vector<TFusedInstr> Code;
  int BroadcastCount = 0;  // columns of spread values
  // Per call: where each operand starts at row 0 (OperandBase) and at the
  // current block (OperandPtr), and whether it moves with the rows.
  std::vector<const double*> OperandBase, OperandPtr;
  std::vector<size_t> OperandRowed;
  // Operands whose start is not fixed when the plan is made: bound columns
  // (operand, binding number; set per call), kept invariant columns
  // (operand, column; set when the kept values are computed) and spread
  // values (operand; filled per call).
  std::vector<std::pair<int, int>> ColumnOperands, InvariantOperands;
  std::vector<int> BroadcastOperands;
  // Addresses of the bindings of the last call: when the next call binds
  // the same ones, ExternalBinding and the plan still hold.
  std::vector<double*> LastAddresses;
  bool HaveLast = false;
  int InvariantColumns = 0;       // invariant steps
  std::vector<double> Invariant;  // InvariantRows values per column
  std::vector<double> Snapshot;   // InvariantRows values per column
  int InvariantRows = -1;         // -1: Invariant not computed
  int InvariantFault = 0;         // first row whose invariants raised

  TExprRec* Last() const { return &Steps[static_cast<size_t>(Count - 1)]; }
};

// A node of the expression tree built while compiling.
struct TExpressionParser::TNode {
  TExprWord* Word = nullptr;
  TExprProc Proc = nullptr;
  double* Value = nullptr;  // value-like leaf: the storage it reads
  TNode* Args[4] = {nullptr, nullptr, nullptr, nullptr};
  bool Surplus = false;  // an operand that the word has no place for
};

// ===========================================================================
// The compiler: tokens, checks and rewrites, tree, argument check, folding,
// linking.

class TExpressionParser::TCompiler {
 public:
  TCompiler(TExpressionParser& parser, const std::string& text) : P(parser), FText(text) {}

  std::unique_ptr<TChain> Compile();

 private:
  struct TToken {
    TExprWord* Word;
    bool Literal;
  };

  TExpressionParser& P;
  const std::string& FText;
  std::vector<std::unique_ptr<TNode>> FNodes;
  bool FSurplus = false;

  TExprWord* FLeftBracket = nullptr;
  TExprWord* FRightBracket = nullptr;
  TExprWord* FComma = nullptr;
  TExprWord* FPlus = nullptr;
  TExprWord* FMinus = nullptr;
  TExprWord* FNeg = nullptr;
  TExprWord* FPos = nullptr;
  TExprWord* FNot = nullptr;
  TExprWord* FPower = nullptr;
  TExprWord* FIntPower = nullptr;
  TExprWord* FIntPowerFn = nullptr;
  TExprWord* FAssign = nullptr;

  [[noreturn]] void SyntaxError() const {
    throw EParserException("Syntax error in expression " + FText);
  }

  std::vector<TToken> Tokenise();
  TExprWord* LiteralWord(const std::string& text, bool isString);
  void CheckAndRewrite(std::vector<TToken>& t);
  void StringComparisons(std::vector<TToken>& t);
  TNode* Build(std::vector<TExprWord*> t, int depth);
  TNode* NewNode() {
    FNodes.push_back(std::make_unique<TNode>());
    return FNodes.back().get();
  }
  static std::vector<TNode*> PostOrder(TNode* root);
  void CheckArguments(TNode* root);
  void Fold(TNode* root);
  double EvaluateSubtree(TNode* root, int& kind);
  std::unique_ptr<TChain> Link(TNode* root);

  int MatchingClose(const std::vector<TExprWord*>& t, size_t open) const {
    int depth = 0;
    for (size_t i = open; i < t.size(); ++i) {
      if (t[i] == FLeftBracket)
        ++depth;
      else if (t[i] == FRightBracket && --depth == 0)
        return static_cast<int>(i);
    }
    return -1;
  }
};

namespace {

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f'); }

}  // namespace

TExprWord* TExpressionParser::TCompiler::LiteralWord(const std::string& text, bool isString) {
  TExprWord* w;
  if (isString) {
    w = new TStringConstant(text);
  } else {
    TFormatSettings fs = FormatSettings();
    fs.DecimalSeparator = P.FDecimalSeparator;
    double v = 0.0;
    if (!TryStrToFloat(text, v, fs) || !std::isfinite(v))
      throw EParserException("'" + text + "' is not a valid floating point value");
    w = new TDoubleConstant(text, v);
  }
  P.FConstants.Add(w);
  return w;
}

std::vector<TExpressionParser::TCompiler::TToken> TExpressionParser::TCompiler::Tokenise() {
  const std::string s = Trim(LowerCase(FText));
  const size_t n = s.size();
  const char dec = P.FDecimalSeparator;
  std::vector<TToken> tokens;
  size_t i = 0;
  while (i < n) {
    while (i < n && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    if (i >= n) break;
    const char c = s[i];
    const char next = i + 1 < n ? s[i + 1] : '\0';
    size_t j = i + 1;
    enum { kName, kHex, kNumber, kString } kind = kName;
    if (c == P.FMarker) {
      while (j < n && IsHexDigit(s[j])) ++j;
      if (j > i + 1) {
        kind = kHex;
      } else {
        while (j < n && IsIdentChar(s[j])) ++j;
      }
    } else if (IsDigit(c) || c == dec) {
      kind = kNumber;
      j = i;
      while (j < n && IsDigit(s[j])) ++j;
      if (j < n && s[j] == dec) {
        ++j;
        while (j < n && IsDigit(s[j])) ++j;
      }
      if (j < n && s[j] == 'e') {
        size_t k = j + 1;
        if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < n && IsDigit(s[k])) {
          while (k < n && IsDigit(s[k])) ++k;
          j = k;
        }
      }
    } else if (c == '\'') {
      kind = kString;
      while (j < n && s[j] != '\'') ++j;
      if (j < n) ++j;  // the closing quote
    } else if (IsIdentStart(c)) {
      while (j < n && IsIdentChar(s[j])) ++j;
    } else if ((c == '<' && (next == '<' || next == '=' || next == '>')) ||
               ((c == '=' || c == '>') && (next == '<' || next == '=' || next == '>')) ||
               ((c == '!' || c == ':') && next == '=') || (c == '&' && next == '&') ||
               (c == '|' && next == '|')) {
      j = i + 2;
    }
    const std::string text = Trim(s.substr(i, j - i));
    i = j;
    TToken tok{nullptr, false};
    switch (kind) {
      case kHex: {
        // "$" and up to 16 hexadecimal digits: a 64-bit pattern, read as a
        // signed integer; more digits do not fit.
        if (text.size() > 17) throw EParserException("'" + text + "' is not a valid integer value");
        uint64_t v = 0;
        for (size_t k = 1; k < text.size(); ++k) {
          const char h = text[k];
          v = v * 16 + static_cast<uint64_t>(IsDigit(h) ? h - '0' : h - 'a' + 10);
        }
        tok = {LiteralWord(IntToStr(static_cast<int64_t>(v)), false), true};
        break;
      }
      case kNumber:
        tok = {LiteralWord(text, false), true};
        break;
      case kString:
        tok = {LiteralWord(text, true), true};
        break;
      default: {
        TExprWord* w = P.FWords.Find(text);
        if (!w) {
          w = new TGeneratedVariable(text);
          P.FWords.Insert(w);
        }
        tok = {w, false};
        break;
      }
    }
    tokens.push_back(tok);
  }
  return tokens;
}

void TExpressionParser::TCompiler::CheckAndRewrite(std::vector<TToken>& t) {
  // Bracket balance: the totals first. A ")" before its "(" is refused
  // after the checks of neighbours below (which name most such texts more
  // precisely), and runaway nesting here, so that every later stage sees
  // properly nested brackets.
  int depth = 0;
  int opens = 0;
  int closes = 0;
  bool misnested = false;
  for (const TToken& k : t) {
    if (k.Word == FLeftBracket) {
      ++opens;
      if (++depth > kMaxBracketDepth) SyntaxError();
    } else if (k.Word == FRightBracket) {
      ++closes;
      if (--depth < 0) misnested = true;
    }
  }
  if (opens != closes) throw EParserException("Unequal brackets");

  auto isSign = [&](TExprWord* w) { return w == FPlus || w == FMinus; };
  // "(" and the argument separator open an operand alike.
  auto opensOperand = [&](TExprWord* w) { return w == FLeftBracket || w == FComma; };

  for (size_t i = 0; i < t.size(); ++i) {
    // Signs: a run of "+"/"-" where an operand must begin becomes one sign.
    if (isSign(t[i].Word)) {
      const bool sign = i == 0 || opensOperand(t[i - 1].Word) ||
                        (t[i - 1].Word->IsOperator() && t[i - 1].Word->ArgumentCount() == 2);
      if (sign) {
        size_t j = i;
        int minus = 0;
        while (j < t.size() && isSign(t[j].Word)) {
          if (t[j].Word == FMinus) ++minus;
          ++j;
        }
        t[i] = {(minus % 2) ? FNeg : FPos, false};
        t.erase(t.begin() + static_cast<ptrdiff_t>(i + 1), t.begin() + static_cast<ptrdiff_t>(j));
      }
    }
    // "not" runs: an even run vanishes, an odd one is one "not".
    if (t[i].Word == FNot &&
        (i == 0 || opensOperand(t[i - 1].Word) || t[i - 1].Word->IsOperator())) {
      size_t j = i;
      while (j < t.size() && t[j].Word == FNot) ++j;
      if ((j - i) % 2 == 0) {
        t.erase(t.begin() + static_cast<ptrdiff_t>(i), t.begin() + static_cast<ptrdiff_t>(j));
        if (i >= t.size()) break;
        --i;  // look at the token that moved here as if it were new
        continue;
      }
      t.erase(t.begin() + static_cast<ptrdiff_t>(i + 1), t.begin() + static_cast<ptrdiff_t>(j));
    }
    TExprWord* w = t[i].Word;
    TExprWord* nx = i + 1 < t.size() ? t[i + 1].Word : nullptr;
    if (nx && w->IsValueLike() && nx->IsValueLike())
      throw EParserException(w->Name() + " two space limited variables/constants");
    if (nx == FLeftBracket && dynamic_cast<TGeneratedVariable*>(w))
      throw EParserException(w->Name() + " is an unknown function");
    if (w == FLeftBracket && (!nx || nx == FRightBracket))
      throw EParserException("Empty brackets ()");
    if (w == FRightBracket && nx == FLeftBracket)
      throw EParserException("Missing operand between )(");
    if (w == FRightBracket && nx && nx->IsValueLike())
      throw EParserException("Missing operand between ) and constant/variable");
    if (w->IsValueLike() && nx == FLeftBracket)
      throw EParserException("Missing operand between constant/variable and (");
    // "^" before a whole-number literal is the integer power. A literal
    // without a decimal separator can still be a fraction ("1e-1"): that one
    // keeps the real power rather than being rounded to an integer.
    if (w == FPower && nx && i + 1 < t.size() && t[i + 1].Literal) {
      auto* k = dynamic_cast<TDoubleConstant*>(nx);
      if (k && nx->Name().find(P.FDecimalSeparator) == std::string::npos &&
          std::trunc(k->Value()) == k->Value())
        t[i].Word = FIntPower;
    }
  }
  if (misnested) throw EParserException("Unequal brackets");
}

void TExpressionParser::TCompiler::StringComparisons(std::vector<TToken>& t) {
  if (t.size() < 3) return;
  // Positions are taken from the third-last down to the first; a position
  // is compared with what now stands two places to its right (a comparison
  // made there is no string). The tokens already passed are kept reversed,
  // so that replacing three tokens by one costs nothing however many
  // comparisons the text holds.
  std::vector<TToken> done(t.rbegin(), t.rbegin() + 2);  // done.back() stands right of k
  for (size_t k = t.size() - 2; k-- > 0;) {
    TExprWord* right = done.size() >= 2 ? done[done.size() - 2].Word : nullptr;
    if (right && t[k].Word->ResultKind() == rkString && right->ResultKind() == rkString) {
      auto* op = new TLogicalStringOper(done.back().Word->Name(), t[k].Word, right);
      P.FConstants.Add(op);
      done.pop_back();
      done.back() = {op, false};
    } else {
      done.push_back(t[k]);
    }
  }
  t.assign(done.rbegin(), done.rend());
}

// Builds the tree of one token list. Operators are found left to right at
// bracket depth 0; each takes what stands before it as its left operand and
// what follows up to the next operator of equal or weaker binding as its
// right operand, so equal precedences associate to the left.
TExpressionParser::TNode* TExpressionParser::TCompiler::Build(std::vector<TExprWord*> t,
                                                              int depth) {
  if (depth > 4 * kMaxBracketDepth) SyntaxError();
  while (t.size() >= 2 && t.front() == FLeftBracket &&
         MatchingClose(t, 0) == static_cast<int>(t.size()) - 1) {
    t.pop_back();
    t.erase(t.begin());
  }
  if (t.empty()) return nullptr;
  if (t.size() == 1) {
    TNode* leaf = NewNode();
    leaf->Word = t[0];
    leaf->Proc = t[0]->Proc();
    if (t[0]->IsValueLike()) leaf->Value = t[0]->ValueAddress();
    return leaf;
  }

  auto place = [&](TNode* node, int& next, TNode* arg) {
    if (!arg) {
      ++next;
      return;
    }
    if (next >= node->Word->ArgumentCount()) {
      // More operands than the word has places for ("5! 3", "sin(x) random"):
      // refused once the argument check has passed.
      node->Surplus = true;
      FSurplus = true;
      return;
    }
    node->Args[next++] = arg;
  };

  TNode* left = nullptr;
  size_t start = 0;
  for (;;) {
    TNode* node = NewNode();
    int next = 0;
    if (left) node->Args[next++] = left;

    // The first word that takes arguments, at depth 0, from start on.
    size_t pos = t.size();
    {
      int d = 0;
      for (size_t i = start; i < t.size(); ++i) {
        if (t[i] == FLeftBracket)
          ++d;
        else if (t[i] == FRightBracket)
          --d;
        else if (d == 0 && t[i]->ArgumentCount() > 0) {
          pos = i;
          break;
        }
      }
    }
    if (pos >= t.size()) SyntaxError();
    TExprWord* w = t[pos];
    TFunction* f = w->AsFunction();
    if (!f) throw EParserException("Can not find operand/function");
    node->Word = w;
    node->Proc = w->Proc();

    size_t after;
    if (!w->IsOperator()) {
      // A function call. An operand before the name has no operator to
      // join it ("2 sin(x)"): refused rather than dropped.
      if (left || pos > start) {
        node->Surplus = true;
        FSurplus = true;
      }
      node->Args[0] = nullptr;
      next = 0;
      if (pos + 1 >= t.size() || t[pos + 1] != FLeftBracket)
        throw EParserException("Can not find operand/function");
      const int close = MatchingClose(t, pos + 1);
      if (close < 0) throw EParserException("Unequal brackets");
      std::vector<std::vector<TExprWord*>> argTokens(1);
      int d = 0;
      for (size_t i = pos + 2; i < static_cast<size_t>(close); ++i) {
        if (t[i] == FLeftBracket)
          ++d;
        else if (t[i] == FRightBracket)
          --d;
        if (d == 0 && t[i] == FComma) {
          argTokens.emplace_back();
          continue;
        }
        argTokens.back().push_back(t[i]);
      }
      if (static_cast<int>(argTokens.size()) > f->ArgumentCount())
        throw EParserException("Too many arguments");
      for (auto& tokens : argTokens) {
        TNode* arg = Build(std::move(tokens), depth + 1);
        node->Args[next++] = arg;
      }
      after = static_cast<size_t>(close) + 1;
    } else {
      if (pos > start) {
        std::vector<TExprWord*> sub(t.begin() + static_cast<ptrdiff_t>(start),
                                    t.begin() + static_cast<ptrdiff_t>(pos));
        place(node, next, Build(std::move(sub), depth + 1));
      }
      after = pos + 1;
    }

    // The right operand: up to the next word of equal or weaker binding.
    const int prec = f->Precedence();
    size_t found = t.size();
    {
      int d = 0;
      for (size_t i = after; i < t.size(); ++i) {
        if (t[i] == FLeftBracket)
          ++d;
        else if (t[i] == FRightBracket)
          --d;
        else if (d == 0 && t[i]->ArgumentCount() > 0) {
          TFunction* g = t[i]->AsFunction();
          if (g && g->Precedence() >= prec) {
            found = i;
            break;
          }
        }
      }
    }
    if (found > after) {
      std::vector<TExprWord*> sub(t.begin() + static_cast<ptrdiff_t>(after),
                                  t.begin() + static_cast<ptrdiff_t>(found));
      place(node, next, Build(std::move(sub), depth + 1));
    }
    left = node;
    start = found;
    if (start >= t.size()) return left;
  }
}

std::vector<TExpressionParser::TNode*> TExpressionParser::TCompiler::PostOrder(TNode* root) {
  // Arguments first, left to right, then the node; value-like leaves are
  // not steps of their own (their storage is read directly).
  std::vector<TNode*> out;
  std::vector<std::pair<TNode*, int>> stack;
  stack.push_back({root, 0});
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    if (next < 4) {
      TNode* child = node->Args[next++];
      if (child && !child->Word->IsValueLike()) stack.push_back({child, 0});
      continue;
    }
    out.push_back(node);
    stack.pop_back();
  }
  return out;
}

void TExpressionParser::TCompiler::CheckArguments(TNode* root) {
  std::vector<TNode*> stack{root};
  bool badWord = false;
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    if (!node->Proc) badWord = true;  // a bracket or separator standing alone
    const int n = node->Word->ArgumentCount();
    for (int i = 0; i < n; ++i)
      if (!node->Args[i])
        throw EParserException("Syntax error: function or operand has too few arguments");
    for (TNode* a : node->Args)
      if (a) stack.push_back(a);
  }
  if (badWord || FSurplus) SyntaxError();
  // ":=" needs a variable on its left: the storage of a constant is never
  // written.
  stack.push_back(root);
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    if (node->Word == FAssign) {
      TNode* target = node->Args[0];
      if (!dynamic_cast<TDoubleVariable*>(target->Word) &&
          !dynamic_cast<TGeneratedVariable*>(target->Word))
        SyntaxError();
    }
    for (TNode* a : node->Args)
      if (a) stack.push_back(a);
  }
}

double TExpressionParser::TCompiler::EvaluateSubtree(TNode* root, int& kind) {
  std::unique_ptr<TChain> chain = Link(root);
  kind = chain->Last()->Word->ResultKind();
  PrepareFaultFlags();
  TExprRec* s = chain->Steps.get();
  for (int i = 0; i < chain->Count; ++i) s[i].Proc(&s[i]);
  const double v = chain->Last()->Result;
  if (FaultFlags() != 0) throw EParserException(TakeFaultMessage());
  return v;
}

void TExpressionParser::TCompiler::Fold(TNode* root) {
  // Which nodes read nothing that may vary: arguments come first in post
  // order, so one pass settles every node.
  std::vector<TNode*> all;
  {
    std::vector<std::pair<TNode*, int>> stack;
    stack.push_back({root, 0});
    while (!stack.empty()) {
      auto& [node, next] = stack.back();
      if (next < 4) {
        TNode* child = node->Args[next++];
        if (child) stack.push_back({child, 0});
        continue;
      }
      all.push_back(node);
      stack.pop_back();
    }
  }
  std::unordered_map<TNode*, bool> constant;
  for (TNode* node : all) {
    bool c = !node->Word->IsVarying() && node->Word != FAssign;
    for (TNode* a : node->Args)
      if (a && !constant[a]) c = false;
    constant[node] = c;
  }
  // Top down: a constant sub-tree is evaluated now and replaced by a
  // constant; a varying one is descended into.
  std::vector<TNode*> stack{root};
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    if (constant[node] && !node->Word->IsValueLike()) {
      int kind = rkReal;
      const double v = EvaluateSubtree(node, kind);
      TDoubleConstant* k = kind == rkBoolean ? new TBooleanConstant(std::string(), v)
                                             : new TDoubleConstant(std::string(), v);
      P.FConstants.Add(k);
      node->Word = k;
      node->Proc = k->Proc();
      node->Value = k->ValueAddress();
      for (TNode*& a : node->Args) a = nullptr;
      continue;
    }
    for (TNode* a : node->Args)
      if (a) stack.push_back(a);
  }
}

std::unique_ptr<TExpressionParser::TChain> TExpressionParser::TCompiler::Link(TNode* root) {
  auto chain = std::make_unique<TChain>();
  std::vector<TNode*> order;
  if (root->Word->IsValueLike())
    order.push_back(root);
  else
    order = PostOrder(root);
  const int count = static_cast<int>(order.size());
  chain->Count = count;
  chain->Steps = std::make_unique<TExprRec[]>(static_cast<size_t>(count));
  std::unordered_map<TNode*, int> indexOf;
  indexOf.reserve(order.size());
  std::unordered_map<double*, int> externalOf;  // storage -> its number in Externals
  chain->Blocks.resize(static_cast<size_t>(count));
  chain->ArgCounts.resize(static_cast<size_t>(count));
  chain->ArgSources.assign(static_cast<size_t>(count) * 4, 0);
  bool ready = true;
  for (int k = 0; k < count; ++k) {
    TNode* node = order[static_cast<size_t>(k)];
    TExprRec& step = chain->Steps[static_cast<size_t>(k)];
    step.Proc = node->Proc;
    step.Word = node->Word;
    step.Next = k + 1 < count ? &chain->Steps[static_cast<size_t>(k + 1)] : nullptr;
    indexOf[node] = k;
    chain->Blocks[static_cast<size_t>(k)] = node->Word->BlockProc();
    if (!chain->Blocks[static_cast<size_t>(k)]) ready = false;
    int nargs = 0;
    auto external = [&](TExprWord* word, double* address) {
      auto [it, added] = externalOf.try_emplace(address, static_cast<int>(chain->Externals.size()));
      if (added) {
        chain->Externals.push_back(address);
        chain->ExternalConstant.push_back(word->IsVarying() ? 0 : 1);
      } else if (word->IsVarying()) {
        chain->ExternalConstant[static_cast<size_t>(it->second)] = 0;
      }
      return -1 - it->second;
    };
    if (node->Word->IsValueLike()) {
      step.Args[0] = node->Value;
      chain->ArgSources[static_cast<size_t>(k) * 4] = external(node->Word, node->Value);
      nargs = 1;
    } else {
      for (int i = 0; i < 4; ++i) {
        TNode* a = node->Args[i];
        if (!a) continue;
        if (a->Word->IsValueLike()) {
          step.Args[i] = a->Value;
          chain->ArgSources[static_cast<size_t>(k) * 4 + static_cast<size_t>(i)] =
              external(a->Word, a->Value);
        } else {
          const int j = indexOf.at(a);
          step.Args[i] = &chain->Steps[static_cast<size_t>(j)].Result;
          chain->ArgSources[static_cast<size_t>(k) * 4 + static_cast<size_t>(i)] = j;
        }
        nargs = i + 1;
      }
    }
    chain->ArgCounts[static_cast<size_t>(k)] = nargs;
    // An integer power whose exponent is a constant 2 or 3 becomes one or
    // two multiplications (the same ones the squaring loop makes).
    if ((node->Word == FIntPower || node->Word == FIntPowerFn) && node->Args[1] &&
        node->Args[1]->Word->IsValueLike() && !node->Args[1]->Word->IsVarying() &&
        dynamic_cast<TDoubleConstant*>(node->Args[1]->Word)) {
      const double e = *node->Args[1]->Value;
      if (e >= 1.5 && e <= 3.5) {
        const int64_t n = RoundInt(e);
        if (n == 2) {
          step.Proc = &Step1<OpSquare>;
          chain->Blocks[static_cast<size_t>(k)] = &Block1<OpSquare>;
        } else if (n == 3) {
          step.Proc = &Step1<OpCube>;
          chain->Blocks[static_cast<size_t>(k)] = &Block1<OpCube>;
        }
      }
    }
  }
  chain->ColumnReady = ready;
  return chain;
}

std::unique_ptr<TExpressionParser::TChain> TExpressionParser::TCompiler::Compile() {
  FLeftBracket = P.FWords.Find("(");
  FRightBracket = P.FWords.Find(")");
  FComma = P.FWords.Find(std::string(1, P.FArgSeparator));
  FPlus = P.FWords.Find("+");
  FMinus = P.FWords.Find("-");
  FNeg = P.FWords.Find("-@");
  FPos = P.FWords.Find("+@");
  FNot = P.FWords.Find("not");
  FPower = P.FWords.Find("^");
  FIntPower = P.FWords.Find("^@");
  FIntPowerFn = P.FWords.Find("intpower");
  FAssign = P.FWords.Find(":=");

  std::vector<TToken> tokens = Tokenise();
  CheckAndRewrite(tokens);
  StringComparisons(tokens);
  std::vector<TExprWord*> words;
  words.reserve(tokens.size());
  for (const TToken& k : tokens) words.push_back(k.Word);
  TNode* root = Build(std::move(words), 0);
  if (!root) SyntaxError();
  CheckArguments(root);
  if (P.FFoldConstants) Fold(root);
  std::unique_ptr<TChain> chain = Link(root);
  chain->Text = FText;
  return chain;
}

// ===========================================================================
// TExpressionParser

TExpressionParser::TExpressionParser() : FWords(30), FConstants(10) {
  FDecimalSeparator = FormatSettings().DecimalSeparator;
  FArgSeparator = FDecimalSeparator == ',' ? ';' : ',';
  RegisterBuiltinWords();
}

TExpressionParser::~TExpressionParser() {
  ClearCompiled();
  FConstants.Clear();
  FWords.Clear();
}

void TExpressionParser::AddWord(TExprWord* word) {
  if (FWords.IndexOf(word) >= 0) return;
  int i = 0;
  if (FWords.Search(&word->Name(), i)) {
    delete word;
    return;
  }
  FWords.Insert(word);
}

void TExpressionParser::RegisterBuiltinWords() {
  auto fn = [&](TFunction* f, TBlockProc block) {
    f->SetBlockProc(block);
    AddWord(f);
  };
  AddWord(new TLeftBracket("("));
  AddWord(new TRightBracket(")"));
  AddWord(new TComma(std::string(1, FArgSeparator)));
  AddWord(new TDoubleConstant("pi", 3.141592653589793));
  fn(new TRandomFunction("random", 0, &RandomProc, &random_), nullptr);

  // Operators: a smaller precedence binds tighter.
  fn(new TFunction("!", 10, true, 1, &Step1<OpFactorial>), &Block1<OpFactorial>);
  fn(new TFunction("%", 10, true, 1, &Step1<OpPercent>), &Block1<OpPercent>);
  fn(new TFunction("-@", 10, true, 1, &Step1<OpNeg>), &Block1<OpNeg>);
  fn(new TFunction("+@", 10, true, 1, &Step1<OpPos>), &Block1<OpPos>);
  fn(new TFunction("^", 20, true, 2, &Step2<OpPower>), &Block2<OpPower>);
  fn(new TFunction("^@", 20, true, 2, &Step2<OpIntPower>), &Block2<OpIntPower>);
  fn(new TFunction("*", 30, true, 2, &Step2<OpMul>), &Block2<OpMul>);
  fn(new TFunction("/", 30, true, 2, &Step2<OpDiv>), &Block2<OpDiv>);
  fn(new TFunction("div", 30, true, 2, &Step2<OpIntDiv>), &Block2<OpIntDiv>);
  fn(new TFunction("mod", 30, true, 2, &Step2<OpIntMod>), &Block2<OpIntMod>);
  fn(new TFunction("+", 40, true, 2, &Step2<OpAdd>), &Block2<OpAdd>);
  fn(new TFunction("-", 40, true, 2, &Step2<OpSub>), &Block2<OpSub>);
  fn(new TBooleanFunction(">", 50, true, 2, &Step2<OpGreater>), &Block2<OpGreater>);
  fn(new TBooleanFunction(">=", 50, true, 2, &Step2<OpGreaterEqual>), &Block2<OpGreaterEqual>);
  fn(new TBooleanFunction("<=", 50, true, 2, &Step2<OpLessEqual>), &Block2<OpLessEqual>);
  fn(new TBooleanFunction("<", 50, true, 2, &Step2<OpLess>), &Block2<OpLess>);
  fn(new TBooleanFunction("<>", 50, true, 2, &Step2<OpNotEqual>), &Block2<OpNotEqual>);
  fn(new TBooleanFunction("=", 50, true, 2, &Step2<OpEqual>), &Block2<OpEqual>);
  fn(new TBooleanFunction("not", 60, true, 1, &Step1<OpNot>), &Block1<OpNot>);
  fn(new TBooleanFunction("or", 70, true, 2, &Step2<OpOr>), &Block2<OpOr>);
  fn(new TBooleanFunction("and", 70, true, 2, &Step2<OpAnd>), &Block2<OpAnd>);
  fn(new TBooleanFunction("xor", 70, true, 2, &Step2<OpXor>), &Block2<OpXor>);
  fn(new TFunction(":=", 200, true, 2, &AssignProc), nullptr);

  // Functions.
  fn(new TRandomFunction("randg", 2, &RandGProc, &random_), nullptr);
  fn(new TFunction("exp", 1, &Step1<OpExp>), &Block1<OpExp>);
  fn(new TFunction("if", 3, &Step3<OpIf>), &BlockIf);
  fn(new TFunction("Sigmoid", 1, &Step1<OpSigmoid>), &Block1<OpSigmoid>);
  fn(new TFunction("sqr", 1, &Step1<OpSqr>), &Block1<OpSqr>);
  fn(new TFunction("sqrt", 1, &Step1<OpSqrt>), &Block1<OpSqrt>);
  fn(new TFunction("abs", 1, &Step1<OpAbs>), &Block1<OpAbs>);
  fn(new TFunction("round", 1, &Step1<OpRound>), &Block1<OpRound>);
  fn(new TFunction("trunc", 1, &Step1<OpTrunc>), &Block1<OpTrunc>);
  fn(new TFunction("ln", 1, &Step1<OpLn>), &Block1<OpLn>);
  fn(new TFunction("log10", 1, &Step1<OpLog10>), &Block1<OpLog10>);
  fn(new TFunction("log", 1, &Step1<OpLog10>), &Block1<OpLog10>);
  fn(new TFunction("logN", 2, &Step2<OpLogN>), &Block2<OpLogN>);
  fn(new TFunction("power", 2, &Step2<OpPower>), &Block2<OpPower>);
  fn(new TFunction("pow", 2, &Step2<OpPower>), &Block2<OpPower>);
  fn(new TFunction("intpower", 2, &Step2<OpIntPower>), &Block2<OpIntPower>);
  fn(new TFunction("max", 2, &Step2<OpMax>), &Block2<OpMax>);
  fn(new TFunction("min", 2, &Step2<OpMin>), &Block2<OpMin>);
  fn(new TFunction("sin", 1, &Step1<OpSin>), &Block1<OpSin>);
  fn(new TFunction("cos", 1, &Step1<OpCos>), &Block1<OpCos>);
  fn(new TFunction("tan", 1, &Step1<OpTan>), &Block1<OpTan>);
  fn(new TFunction("sind", 1, &Step1<OpSinD>), &Block1<OpSinD>);
  fn(new TFunction("cosd", 1, &Step1<OpCosD>), &Block1<OpCosD>);
  fn(new TFunction("tand", 1, &Step1<OpTanD>), &Block1<OpTanD>);
  fn(new TFunction("atand", 1, &Step1<OpAtanD>), &Block1<OpAtanD>);
  fn(new TFunction("arcsin", 1, &Step1<OpArcSin>), &Block1<OpArcSin>);
  fn(new TFunction("arccos", 1, &Step1<OpArcCos>), &Block1<OpArcCos>);
  fn(new TFunction("arctan", 1, &Step1<OpArcTan>), &Block1<OpArcTan>);
  fn(new TFunction("arctan2", 2, &Step2<OpArcTan2>), &Block2<OpArcTan2>);
  fn(new TFunction("sinh", 1, &Step1<OpSinh>), &Block1<OpSinh>);
  fn(new TFunction("cosh", 1, &Step1<OpCosh>), &Block1<OpCosh>);
  fn(new TFunction("tanh", 1, &Step1<OpTanh>), &Block1<OpTanh>);
  fn(new TFunction("arcsinh", 1, &Step1<OpArcSinh>), &Block1<OpArcSinh>);
  fn(new TFunction("arccosh", 1, &Step1<OpArcCosh>), &Block1<OpArcCosh>);
  fn(new TFunction("arctanh", 1, &Step1<OpArcTanh>), &Block1<OpArcTanh>);
  fn(new TFunction("degtorad", 1, &Step1<OpDegToRad>), &Block1<OpDegToRad>);
  fn(new TFunction("radtodeg", 1, &Step1<OpRadToDeg>), &Block1<OpRadToDeg>);
}

void TExpressionParser::BindVariable(const std::string& name, double* address) {
  AddWord(new TDoubleVariable(name, address));
}

int TExpressionParser::CompileText(const std::string& text) {
  if (text.empty()) return -1;
  const std::string key = LowerCase(text);
  auto it = FIndexByText.find(key);
  if (it != FIndexByText.end()) {
    FCurrentIndex = it->second;
    FCurrent = FCompiled[static_cast<size_t>(it->second)].get();
    return it->second;
  }
  TCompiler compiler(*this, text);
  std::unique_ptr<TChain> chain = compiler.Compile();
  const int index = static_cast<int>(FCompiled.size());
  FCurrent = chain.get();
  FCompiled.push_back(std::move(chain));
  FIndexByText.emplace(key, index);
  FCurrentIndex = index;
  return index;
}

TExpressionParser::TChain* TExpressionParser::ChainAt(int index) const {
  if (index < 0 || index >= static_cast<int>(FCompiled.size()))
    throw EParserException(Format("List index out of bounds (%d)", index));
  return FCompiled[static_cast<size_t>(index)].get();
}

void TExpressionParser::RaiseFault() { throw EParserException(TakeFaultMessage()); }

double TExpressionParser::EvaluateCompiled(int index) {
  if (index < 0) return AllOnesNaN();
  TChain* c = ChainAt(index);
  FCurrent = c;
  FCurrentIndex = index;
  PrepareFaultFlags();
  TExprRec* s = c->Steps.get();
  TExprRec* const end = s + c->Count;
  for (; s != end; ++s) s->Proc(s);
  const double v = end[-1].Result;
  if (FaultFlags() != 0) RaiseFault();
  return v;
}

std::string TExpressionParser::ResultAsText(int index) {
  const double v = EvaluateCompiled(index);
  if (index >= 0 && FCurrent->Last()->Word->ResultKind() == rkBoolean) {
    if (std::isgreater(v, -0.1) && std::isless(v, 0.1)) return "False";
    if (std::isgreater(v, 0.9) && std::isless(v, 1.1)) return "True";
  }
  return Format("%.10g", v);
}

int TExpressionParser::EvaluateCompiledColumn(int index, int rowCount,
                                              const TColumnBinding* bindings, int bindingCount,
                                              double* results) {
  if (rowCount <= 0) return rowCount < 0 ? 0 : rowCount;
  if (index < 0) {
    for (int r = 0; r < rowCount; ++r) results[r] = AllOnesNaN();
    return rowCount;
  }
  TChain* c = index < static_cast<int>(FCompiled.size())
                  ? FCompiled[static_cast<size_t>(index)].get()
                  : ChainAt(index);
  FCurrent = c;
  FCurrentIndex = index;

  auto setRow = [&](int row) {
    for (int b = 0; b < bindingCount; ++b) *bindings[b].Address = bindings[b].Values[row];
  };
  // One row alone, as EvaluateCompiled runs it; false when it raises.
  auto runRow = [&](int row) {
    setRow(row);
    PrepareFaultFlags();
    TExprRec* s = c->Steps.get();
    TExprRec* const end = s + c->Count;
    for (; s != end; ++s) s->Proc(s);
    if (FaultFlags() != 0) {
      ClearFaultFlags();
      return false;
    }
    results[row] = end[-1].Result;
    return true;
  };

  if (!c->ColumnReady) {
    for (int r = 0; r < rowCount; ++r)
      if (!runRow(r)) {
        setRow(r);
        return r;
      }
    return rowCount;
  }

  // Column form: every step runs over a block of rows at a time. The plan
  // depends only on which variables the bindings address.
  bool sameBindings = c->HaveLast && static_cast<size_t>(bindingCount) == c->LastAddresses.size();
  for (int b = 0; sameBindings && b < bindingCount; ++b)
    sameBindings = bindings[b].Address == c->LastAddresses[static_cast<size_t>(b)];
  if (!sameBindings) {
    const size_t ext = c->Externals.size();
    c->ExternalBinding.assign(ext, -1);
    for (size_t e = 0; e < ext; ++e)
      for (int b = 0; b < bindingCount; ++b)
        if (bindings[b].Address == c->Externals[e]) c->ExternalBinding[e] = b;
    if (c->PlanBinding.empty() || c->PlanBinding != c->ExternalBinding) MakeColumnPlan(*c);
    c->LastAddresses.resize(static_cast<size_t>(bindingCount));
    for (int b = 0; b < bindingCount; ++b)
      c->LastAddresses[static_cast<size_t>(b)] = bindings[b].Address;
    c->HaveLast = true;
  }

  // Invariant steps: computed again only when the columns they read differ
  // from the copy taken when they were computed. Row by row with the step
  // procedures (the same bits as the blocks); the first row that raises is
  // remembered, as that row raises in every evaluation.
  if (c->InvariantColumns > 0) {
    const size_t rows = static_cast<size_t>(rowCount);
    bool same = c->InvariantRows == rowCount;
    for (size_t j = 0; same && j < c->InvariantExternals.size(); ++j) {
      const double* col =
          bindings[c->ExternalBinding[static_cast<size_t>(c->InvariantExternals[j])]].Values;
      same = std::memcmp(c->Snapshot.data() + j * rows, col, rows * sizeof(double)) == 0;
    }
    if (!same) {
      c->Invariant.assign(static_cast<size_t>(c->InvariantColumns) * rows, 0.0);
      c->Snapshot.resize(c->InvariantExternals.size() * rows);
      for (size_t j = 0; j < c->InvariantExternals.size(); ++j) {
        const double* col =
            bindings[c->ExternalBinding[static_cast<size_t>(c->InvariantExternals[j])]].Values;
        std::memcpy(c->Snapshot.data() + j * rows, col, rows * sizeof(double));
      }
      c->InvariantFault = rowCount;
      for (int r = 0; r < rowCount; ++r) {
        setRow(r);
        PrepareFaultFlags();
        for (int k : c->InvariantRunSteps) {
          TExprRec* st = &c->Steps[static_cast<size_t>(k)];
          st->Proc(st);
          if (c->StepClass[static_cast<size_t>(k)] == kStepInvariant)
            c->Invariant[static_cast<size_t>(c->InvariantAt[static_cast<size_t>(k)]) * rows +
                         static_cast<size_t>(r)] = st->Result;
        }
        if (FaultFlags() != 0) {
          ClearFaultFlags();
          if (c->InvariantFault == rowCount) c->InvariantFault = r;
        }
      }
      c->InvariantRows = rowCount;
      for (const auto& [o, column] : c->InvariantOperands)
        c->OperandBase[static_cast<size_t>(o)] =
            c->Invariant.data() + static_cast<size_t>(column) * rows;
    }
  }

  // Uniform steps once. A fault there is a fault of every row: row 0 is
  // then the first that raises, found by the row-by-row rule.
  PrepareFaultFlags();
  for (int k : c->OnceSteps) {
    TExprRec* st = &c->Steps[static_cast<size_t>(k)];
    st->Proc(st);
  }
  if (FaultFlags() != 0) {
    ClearFaultFlags();
    for (int r = 0; r < rowCount; ++r)
      if (!runRow(r)) {
        setRow(r);
        return r;
      }
    setRow(rowCount - 1);
    return rowCount;
  }

  // Where each operand starts in this evaluation; values read once per call
  // that a block procedure needs as a column are spread over one.
  double* stepBuf = c->Buffer.data();
  double* castBuf = stepBuf + static_cast<size_t>(c->Count) * kBlockRows;
  double* depthBuf = castBuf + static_cast<size_t>(c->BroadcastCount) * kBlockRows;
  const int fill = rowCount < kBlockRows ? rowCount : kBlockRows;
  const size_t operands = c->Operands.size();
  const double** base = c->OperandBase.data();
  for (const auto& [o, b] : c->ColumnOperands) base[o] = bindings[b].Values;
  for (const int o : c->BroadcastOperands) {
    const TChain::TOperand& op = c->Operands[static_cast<size_t>(o)];
    double* buf = castBuf + static_cast<size_t>(op.Index) * kBlockRows;
    const double v = *op.Value;
    for (int i = 0; i < fill; ++i) buf[i] = v;
  }

  const int last = c->Count - 1;
  const TFusedInstr* code = c->Code.data();
  for (int row0 = 0; row0 < rowCount; row0 += kBlockRows) {
    const int n = rowCount - row0 < kBlockRows ? rowCount - row0 : kBlockRows;
    const double* const* ptr = base;
    if (row0 > 0) {
      const double** moved = c->OperandPtr.data();
      for (size_t o = 0; o < operands; ++o)
        moved[o] = base[o] + static_cast<size_t>(row0) * c->OperandRowed[o];
      ptr = moved;
    }
    PrepareFaultFlags();
    for (const TChain::TUnit& u : c->Units) {
      double* out =
          u.Step == last ? results + row0 : stepBuf + static_cast<size_t>(u.Step) * kBlockRows;
      if (u.Proc) {
        const double* args[4] = {nullptr, nullptr, nullptr, nullptr};
        const uint16_t* ids = c->UnitArgs.data() + u.First;
        for (int i = 0; i < u.Count; ++i) args[i] = ptr[ids[i]];
        u.Proc(out, args, n);
      } else {
        for (const TFusedInstr* in = code + u.First, *end = in + u.Count; in != end; ++in) {
          double* acc =
              in->Depth == 0 ? out : depthBuf + static_cast<size_t>(in->Depth) * kBlockRows;
          in->Loop(acc, ptr, in->Args, n);
        }
      }
    }
    const bool invariantFault =
        c->InvariantFault >= row0 && c->InvariantFault < row0 + n && c->InvariantColumns > 0;
    if (FaultFlags() != 0 || invariantFault) {
      // Some row of this block raised: find it row by row, as the
      // evaluation of each row alone would.
      ClearFaultFlags();
      for (int r = row0; r < row0 + n; ++r)
        if (!runRow(r)) {
          setRow(r);
          return r;
        }
    }
  }
  setRow(rowCount - 1);
  return rowCount;
}

namespace {

// The words a fused program computes: their block procedure, form and
// operation.
enum : uint8_t { kFuseBinary, kFuseNeg, kFusePos, kFuseSquare, kFuseCube, kFuseIf, kFuseNone };
struct TFuseWord {
  TBlockProc Proc;
  uint8_t Form, Op;
};
const TFuseWord kFuseWords[] = {
    {&Block2<OpAdd>, kFuseBinary, kFuAdd}, {&Block2<OpSub>, kFuseBinary, kFuSub},
    {&Block2<OpMul>, kFuseBinary, kFuMul}, {&Block2<OpDiv>, kFuseBinary, kFuDiv},
    {&Block1<OpNeg>, kFuseNeg, 0},         {&Block1<OpPos>, kFusePos, 0},
    {&Block1<OpSquare>, kFuseSquare, 0},   {&Block1<OpSqr>, kFuseSquare, 0},
    {&Block1<OpCube>, kFuseCube, 0},       {&BlockIf, kFuseIf, 0},
};
constexpr int kMaxFusedSteps = 256;  // larger trees are split into blocks

}  // namespace

void TExpressionParser::MakeColumnPlan(TChain& c) {
  const size_t count = static_cast<size_t>(c.Count);
  c.PlanBinding = c.ExternalBinding;
  c.StepClass.assign(count, kStepVarying);
  c.InvariantAt.assign(count, -1);
  c.OnceSteps.clear();
  c.InvariantRunSteps.clear();
  c.InvariantExternals.clear();
  c.Operands.clear();
  c.Units.clear();
  c.UnitArgs.clear();
  c.Code.clear();
  c.BroadcastCount = 0;
  c.Invariant.clear();
  c.Snapshot.clear();
  c.InvariantRows = -1;
  c.InvariantFault = 0;
  const int last = c.Count - 1;
  int invariantColumns = 0;
  std::vector<uint8_t> readByInvariant(c.Externals.size(), 0);
  std::vector<int> varying;
  for (int k = 0; k <= last; ++k) {
    const size_t at = static_cast<size_t>(k) * 4;
    const int na = c.ArgCounts[static_cast<size_t>(k)];
    bool uniform = true, constant = true, invariant = true;
    for (int i = 0; i < na; ++i) {
      const int src = c.ArgSources[at + static_cast<size_t>(i)];
      if (src < 0) {
        const size_t e = static_cast<size_t>(-1 - src);
        if (c.ExternalBinding[e] >= 0)
          uniform = constant = false;
        else if (!c.ExternalConstant[e])
          constant = invariant = false;
      } else {
        const uint8_t cls = c.StepClass[static_cast<size_t>(src)];
        if (cls == kStepVarying)
          uniform = constant = invariant = false;
        else if (cls == kStepUniform)
          constant = invariant = false;
        else if (cls == kStepInvariant)
          uniform = constant = false;
      }
    }
    uint8_t cls = constant    ? kStepConstant
                  : uniform   ? kStepUniform
                  : invariant ? kStepInvariant
                              : kStepVarying;
    if (k == last) cls = kStepVarying;
    c.StepClass[static_cast<size_t>(k)] = cls;
    if (cls == kStepConstant || cls == kStepUniform) c.OnceSteps.push_back(k);
    if (cls == kStepConstant || cls == kStepInvariant) c.InvariantRunSteps.push_back(k);
    if (cls == kStepInvariant) {
      c.InvariantAt[static_cast<size_t>(k)] = invariantColumns++;
      for (int i = 0; i < na; ++i) {
        const int src = c.ArgSources[at + static_cast<size_t>(i)];
        if (src < 0 && c.ExternalBinding[static_cast<size_t>(-1 - src)] >= 0)
          readByInvariant[static_cast<size_t>(-1 - src)] = 1;
      }
    }
    if (cls == kStepVarying) varying.push_back(k);
  }
  for (size_t e = 0; e < readByInvariant.size(); ++e)
    if (readByInvariant[e]) c.InvariantExternals.push_back(static_cast<int>(e));
  c.InvariantColumns = invariantColumns;

  // Operands, each made once.
  auto operand = [&](uint8_t kind, int index, const double* value) -> uint16_t {
    for (size_t o = 0; o < c.Operands.size(); ++o)
      if (c.Operands[o].Kind == kind && c.Operands[o].Index == index &&
          c.Operands[o].Value == value)
        return static_cast<uint16_t>(o);
    c.Operands.push_back({kind, index, value});
    return static_cast<uint16_t>(c.Operands.size() - 1);
  };
  auto spreadSlot = [&](uint8_t kind, const double* value) {
    for (const TChain::TOperand& o : c.Operands)
      if (o.Kind == kind && o.Value == value) return o.Index;
    (void)kind;
    return c.BroadcastCount++;
  };
  // Argument i of step k: its operand kind, and the value read once per
  // call when it is one (else null).
  auto source = [&](int k, int i, int& index) -> uint8_t {
    const int src = c.ArgSources[static_cast<size_t>(k) * 4 + static_cast<size_t>(i)];
    if (src < 0) {
      index = -1 - src;
      return c.ExternalBinding[static_cast<size_t>(index)] >= 0 ? kArgColumn : kArgScalar;
    }
    const uint8_t from = c.StepClass[static_cast<size_t>(src)];
    if (from == kStepInvariant)
      return index = c.InvariantAt[static_cast<size_t>(src)], kArgInvariant;
    if (from == kStepVarying) return index = src, kArgStep;
    index = src;
    return kArgScalar;
  };
  auto onceValue = [&](int k, int i) -> const double* {
    const int src = c.ArgSources[static_cast<size_t>(k) * 4 + static_cast<size_t>(i)];
    return src < 0 ? c.Externals[static_cast<size_t>(-1 - src)]
                   : &c.Steps[static_cast<size_t>(src)].Result;
  };
  // A leaf of a fused program; scalar tells whether it is one value.
  auto fusedLeaf = [&](int k, int i, bool& scalar) -> uint16_t {
    int index = 0;
    const uint8_t kind = source(k, i, index);
    scalar = kind == kArgScalar;
    if (!scalar) return operand(kind, index, nullptr);
    return operand(kArgScalar, -1, onceValue(k, i));
  };
  // The same as a column (the "if" loop reads columns only).
  auto columnLeaf = [&](int k, int i) -> uint16_t {
    bool scalar = false;
    const uint16_t id = fusedLeaf(k, i, scalar);
    if (!scalar) return id;
    const double* v = onceValue(k, i);
    return operand(kArgBroadcast, spreadSlot(kArgBroadcast, v), v);
  };

  // Fused groups: a varying step of a fused word whose result goes to
  // another such step belongs to that step's group; the others head one.
  std::vector<uint8_t> form(count, kFuseNone), fop(count, 0);
  std::vector<int> parent(count, -1), head(count, -1), size(count, 0);
  for (int k : varying) {
    const TBlockProc proc = c.Blocks[static_cast<size_t>(k)];
    for (const TFuseWord& w : kFuseWords)
      if (w.Proc == proc) form[static_cast<size_t>(k)] = w.Form, fop[static_cast<size_t>(k)] = w.Op;
    for (int i = 0; i < c.ArgCounts[static_cast<size_t>(k)]; ++i) {
      const int src = c.ArgSources[static_cast<size_t>(k) * 4 + static_cast<size_t>(i)];
      if (src >= 0) parent[static_cast<size_t>(src)] = k;
    }
  }
  // Heads come after their members in chain order: walk backwards.
  for (auto it = varying.rbegin(); it != varying.rend(); ++it) {
    const size_t k = static_cast<size_t>(*it);
    if (form[k] == kFuseNone) continue;
    const int p = parent[k];
    head[k] = p >= 0 && form[static_cast<size_t>(p)] != kFuseNone ? head[static_cast<size_t>(p)]
                                                                  : static_cast<int>(k);
    ++size[static_cast<size_t>(head[k])];
  }
  std::vector<uint8_t> fusedOk(count, 0);
  for (int k : varying) {
    const size_t h = static_cast<size_t>(k);
    if (head[h] != k || size[h] < 2 || size[h] > kMaxFusedSteps) continue;
    const size_t first = c.Code.size();
    auto inner = [&](int src) { return src >= 0 && head[static_cast<size_t>(src)] == k; };
    auto arg = [&](int step, int i) {
      return c.ArgSources[static_cast<size_t>(step) * 4 + static_cast<size_t>(i)];
    };
    auto emitN = [&](TFusedLoop loop, int depth, std::initializer_list<uint16_t> args) {
      TFusedInstr in;
      in.Loop = loop;
      in.Depth = depth;
      for (const uint16_t a : args) in.Args[in.ArgCount++] = a;
      c.Code.push_back(in);
    };
    auto emit = [&](TFusedLoop loop, int depth, uint16_t x, uint16_t y, uint16_t z, int argCount) {
      emitN(loop, depth, {x, y, z});
      c.Code.back().ArgCount = argCount;
    };
    auto isPair = [&](int src) {
      return inner(src) && form[static_cast<size_t>(src)] == kFuseBinary && !inner(arg(src, 0)) &&
             !inner(arg(src, 1));
    };
    // A parameter times a column, both leaves: a term of a sum loop.
    auto isSumTerm = [&](int src) {
      if (!isPair(src) || fop[static_cast<size_t>(src)] != kFuMul) return false;
      int index = 0;
      return source(src, 0, index) == kArgScalar && source(src, 1, index) != kArgScalar;
    };
    // Code that leaves the value of step s in the accumulator of depth.
    auto gen = [&](auto& self, int s, int depth) -> bool {
      const size_t st = static_cast<size_t>(s);
      bool xs = false, ys = false;
      switch (form[st]) {
        case kFuseBinary: {
          const int l = arg(s, 0), r = arg(s, 1);
          const uint8_t op = fop[st];
          // A chain lead +- s1*x1 +- s2*x2 ... down the left operands.
          int terms[kSumTerms + 1];
          bool subs[kSumTerms + 1];
          int nterms = 0, node = s, innermost = s;
          while (nterms < kSumTerms && form[static_cast<size_t>(node)] == kFuseBinary &&
                 (fop[static_cast<size_t>(node)] == kFuAdd ||
                  fop[static_cast<size_t>(node)] == kFuSub) &&
                 isSumTerm(arg(node, 1))) {
            terms[nterms] = arg(node, 1);
            subs[nterms++] = fop[static_cast<size_t>(node)] == kFuSub;
            innermost = node;
            if (!inner(arg(node, 0))) break;
            node = arg(node, 0);
          }
          if (nterms > 0) {
            const int lead = arg(innermost, 0);
            int index = 0;
            int leadKind = -1;
            bool loadLead = false;
            if (!inner(lead)) {
              if (source(innermost, 0, index) == kArgScalar)
                leadKind = 1;
              else if (nterms >= 2)
                leadKind = 0, loadLead = true;
            } else if (isSumTerm(lead) && nterms < kSumTerms) {
              leadKind = 2;
              terms[nterms] = lead;
              subs[nterms++] = false;
            } else if (nterms >= 2) {
              leadKind = 0;
            }
            if (leadKind >= 0) {
              if (leadKind == 0) {
                if (loadLead) {
                  const uint16_t x = fusedLeaf(innermost, 0, xs);
                  emit(&FuLoad<false>, depth, x, 0, 0, 1);
                } else if (!self(self, lead, depth)) {
                  return false;
                }
              }
              TFusedInstr in;
              in.Depth = depth;
              if (leadKind == 1) in.Args[in.ArgCount++] = fusedLeaf(innermost, 0, xs);
              unsigned sub = 0;
              for (int j = 0; j < nterms; ++j) {  // evaluation order: innermost first
                const int t = terms[nterms - 1 - j];
                if (subs[nterms - 1 - j]) sub |= 1u << j;
                in.Args[in.ArgCount++] = fusedLeaf(t, 0, xs);
                in.Args[in.ArgCount++] = fusedLeaf(t, 1, ys);
              }
              in.Loop = PickSumLoop(nterms, leadKind, sub);
              c.Code.push_back(in);
              return true;
            }
          }
          if (!inner(l) && !inner(r)) {
            const uint16_t x = fusedLeaf(s, 0, xs), y = fusedLeaf(s, 1, ys);
            emit(PickPairLoop(op, xs, ys), depth, x, y, 0, 2);
          } else if (!inner(r)) {
            if (!self(self, l, depth)) return false;
            const uint16_t x = fusedLeaf(s, 1, xs);
            emit(PickAccLoop(false, op, xs), depth, x, 0, 0, 1);
          } else if (!inner(l)) {
            if (!self(self, r, depth)) return false;
            const uint16_t x = fusedLeaf(s, 0, xs);
            emit(PickAccLoop(true, op, xs), depth, x, 0, 0, 1);
          } else if (isPair(r)) {
            if (!self(self, l, depth)) return false;
            const uint16_t x = fusedLeaf(r, 0, xs), y = fusedLeaf(r, 1, ys);
            emit(PickTermLoop(false, op, fop[static_cast<size_t>(r)], xs, ys), depth, x, y, 0, 2);
          } else if (isPair(l)) {
            if (!self(self, r, depth)) return false;
            const uint16_t x = fusedLeaf(l, 0, xs), y = fusedLeaf(l, 1, ys);
            emit(PickTermLoop(true, op, fop[static_cast<size_t>(l)], xs, ys), depth, x, y, 0, 2);
          } else {
            if (depth + 1 > kFusedDepth || !self(self, l, depth) || !self(self, r, depth + 1))
              return false;
            emit(PickAccLoop(false, op, false), depth, operand(kArgDepth, depth + 1, nullptr), 0, 0,
                 1);
          }
          return true;
        }
        case kFuseIf: {
          const bool t1 = isSumTerm(arg(s, 1)), t2 = isSumTerm(arg(s, 2));
          if (t1 || t2) {
            TFusedInstr in;
            in.Depth = depth;
            const int a0 = arg(s, 0);
            if (inner(a0)) {
              if (depth + 1 > kFusedDepth || !self(self, a0, depth + 1)) return false;
              in.Args[in.ArgCount++] = operand(kArgDepth, depth + 1, nullptr);
            } else {
              in.Args[in.ArgCount++] = columnLeaf(s, 0);
            }
            for (int i = 1; i < 3; ++i) {
              const int a = arg(s, i);
              if (i == 1 ? t1 : t2) {
                in.Args[in.ArgCount++] = fusedLeaf(a, 0, xs);
                in.Args[in.ArgCount++] = fusedLeaf(a, 1, ys);
              } else if (inner(a)) {
                if (depth + 1 + i > kFusedDepth || !self(self, a, depth + 1 + i)) return false;
                in.Args[in.ArgCount++] = operand(kArgDepth, depth + 1 + i, nullptr);
              } else {
                in.Args[in.ArgCount++] = columnLeaf(s, i);
              }
            }
            in.Loop = t1 ? (t2 ? &FuIfTerms<true, true> : &FuIfTerms<true, false>)
                         : &FuIfTerms<false, true>;
            c.Code.push_back(in);
            return true;
          }
          uint16_t at[3] = {0, 0, 0};
          for (int i = 0; i < 3; ++i) {
            const int a = arg(s, i);
            if (!inner(a)) {
              at[i] = columnLeaf(s, i);
              continue;
            }
            if (depth + 1 + i > kFusedDepth || !self(self, a, depth + 1 + i)) return false;
            at[i] = operand(kArgDepth, depth + 1 + i, nullptr);
          }
          emit(&FuIf, depth, at[0], at[1], at[2], 3);
          return true;
        }
        default: {
          const int a = arg(s, 0);
          if (inner(a)) {
            if (!self(self, a, depth)) return false;
          } else {
            const uint16_t x = fusedLeaf(s, 0, xs);
            emit(xs ? &FuLoad<true> : &FuLoad<false>, depth, x, 0, 0, 1);
          }
          if (form[st] == kFuseNeg)
            emit(&FuNeg, depth, 0, 0, 0, 0);
          else if (form[st] == kFuseSquare)
            emit(&FuSquare, depth, 0, 0, 0, 0);
          else if (form[st] == kFuseCube)
            emit(&FuCube, depth, 0, 0, 0, 0);
          return true;
        }
      }
    };
    if (gen(gen, k, 0) && c.Operands.size() < 0xFFFF) {
      fusedOk[h] = 1;
      c.Units.push_back(
          {nullptr, k, static_cast<int>(first), static_cast<int>(c.Code.size() - first)});
    } else {
      c.Code.resize(first);  // too deep: its steps run block by block
    }
  }
  // Units in chain order: the fused heads were added above in chain order;
  // merge the block steps among them.
  std::vector<TChain::TUnit> fusedUnits;
  fusedUnits.swap(c.Units);
  size_t nextFused = 0;
  for (int k : varying) {
    const size_t st = static_cast<size_t>(k);
    if (head[st] >= 0 && fusedOk[static_cast<size_t>(head[st])]) {
      if (head[st] == k) c.Units.push_back(fusedUnits[nextFused++]);
      continue;
    }
    const int na = c.ArgCounts[st];
    uint8_t kinds[4] = {kArgStep, kArgStep, kArgStep, kArgStep};
    int index[4] = {0, 0, 0, 0};
    int scalars = 0;
    for (int i = 0; i < na; ++i)
      if ((kinds[i] = source(k, i, index[i])) == kArgScalar) ++scalars;
    TBlockProc proc = c.Blocks[st];
    bool spread = scalars > 0;
    if (scalars == 1 && na == 2) {
      for (const TScalarVariants& v : kScalarVariants)
        if (v.Columns == proc) {
          proc = kinds[0] == kArgScalar ? v.ScalarFirst : v.ScalarSecond;
          spread = false;
          break;
        }
    }
    const int first = static_cast<int>(c.UnitArgs.size());
    for (int i = 0; i < na; ++i) {
      uint16_t id;
      if (kinds[i] == kArgScalar) {
        const double* v = onceValue(k, i);
        // No variant for this word: the value is copied into a column.
        id = spread ? operand(kArgBroadcast, spreadSlot(kArgBroadcast, v), v)
                    : operand(kArgScalar, -1, v);
      } else {
        id = operand(kinds[i], index[i], nullptr);
      }
      c.UnitArgs.push_back(id);
    }
    c.Units.push_back({proc, k, first, na});
  }
  // Step results, spread values and the accumulators of fused programs
  // in one buffer of kBlockRows rows each.
  const size_t need =
      (static_cast<size_t>(c.Count) + static_cast<size_t>(c.BroadcastCount) + kFusedDepth + 1) *
      kBlockRows;
  c.Buffer.assign(need, 0.0);
  double* stepBuf = c.Buffer.data();
  double* castBuf = stepBuf + static_cast<size_t>(c.Count) * kBlockRows;
  double* depthBuf = castBuf + static_cast<size_t>(c.BroadcastCount) * kBlockRows;
  const size_t operands = c.Operands.size();
  c.OperandBase.assign(operands, nullptr);
  c.OperandPtr.assign(operands, nullptr);
  c.OperandRowed.assign(operands, 0);
  c.ColumnOperands.clear();
  c.InvariantOperands.clear();
  c.BroadcastOperands.clear();
  for (size_t o = 0; o < operands; ++o) {
    const TChain::TOperand& op = c.Operands[o];
    const int at = static_cast<int>(o);
    switch (op.Kind) {
      case kArgStep:
        c.OperandBase[o] = stepBuf + static_cast<size_t>(op.Index) * kBlockRows;
        break;
      case kArgDepth:
        c.OperandBase[o] = depthBuf + static_cast<size_t>(op.Index) * kBlockRows;
        break;
      case kArgBroadcast:
        c.OperandBase[o] = castBuf + static_cast<size_t>(op.Index) * kBlockRows;
        c.BroadcastOperands.push_back(at);
        break;
      case kArgScalar:
        c.OperandBase[o] = op.Value;
        break;
      case kArgColumn:
        c.OperandRowed[o] = 1;
        c.ColumnOperands.push_back({at, c.ExternalBinding[static_cast<size_t>(op.Index)]});
        break;
      default:  // kArgInvariant
        c.OperandRowed[o] = 1;
        c.InvariantOperands.push_back({at, op.Index});
        break;
    }
  }
}

void TExpressionParser::ClearCompiled() {
  FCompiled.clear();
  FIndexByText.clear();
  FCurrent = nullptr;
  FCurrentIndex = -1;
}

int TExpressionParser::ResultKind(int index) const {
  if (index < 0 || index >= static_cast<int>(FCompiled.size())) return -1;
  return FCompiled[static_cast<size_t>(index)]->Last()->Word->ResultKind();
}

const std::string& TExpressionParser::CompiledText(int index) const { return ChainAt(index)->Text; }

int TExpressionParser::StepCount(int index) const { return ChainAt(index)->Count; }

TExprWord* TExpressionParser::FindWord(const std::string& name) const {
  return FWords.Find(LowerCase(name));
}

}  // namespace qv
