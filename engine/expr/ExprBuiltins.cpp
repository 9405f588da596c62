// The built-in words: the arithmetic of each, its step procedure (one row)
// and block procedure (a block of rows), and the table that registers them
// with every parser.
#include "engine/expr/ExprBuiltins.h"

#include <cstring>
#include <limits>
#include <memory>

#include "engine/ParseExpr.h"
#include "engine/expr/ExprElementary.h"
#include "platform/core/Random.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace qv {
namespace expr {

// ===========================================================================
// Arithmetic faults.

namespace {
// Set by "div" and "mod" by zero beside the hardware flag, so that the
// message names an integer division. Per thread, as the hardware's status
// flags are.
thread_local bool tIntegerDivisionFault = false;
}  // namespace

void ClearFaultFlags() {
  std::feclearexcept(kFaultMask);
  tIntegerDivisionFault = false;
}

std::string TakeFaultMessage() {
  const int flags = FaultFlags();
  const bool integerDivision = tIntegerDivisionFault;
  ClearFaultFlags();
  if (integerDivision) return "Division by zero";
  if (flags & FE_INVALID) return "Invalid floating point operation";
  if (flags & FE_DIVBYZERO) return "Floating point division by zero";
  return "Floating point overflow";
}

namespace {

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
// (the power by a fraction, the sigmoid, the logarithm to a base, factorial,
// the degree functions) work in extended precision and round once to double
// when stored; the plain operations work in double.

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

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

inline double OpIntPower(double a, double b) { return IntPowerOf(a, RoundInt(b)); }

// Real power: 1 for b = 0; 0 for a = 0 and b > 0; an integral b of at most
// 2147483647 in magnitude by squaring; else SLEEF's pow (engine/expr/ExprElementary.h).
double OpPower(double a, double b) {
  if (b == 0.0) return 1.0;
  if (a == 0.0 && std::isgreater(b, 0.0)) return 0.0;
  if (std::trunc(b) == b && std::fabs(b) <= 2147483647.0)
    return IntPowerOf(a, static_cast<int64_t>(b));
  return ElementaryPower(a, b);
}

inline double OpNeg(double a) { return -a; }
inline double OpPos(double a) { return a; }
inline double OpPercent(double a) { return a * 0.01; }

// n! for n = round(a): 1 for every n up to 1; beyond 170 the value does not
// fit a double: +inf with the overflow flag, without a loop of n steps.
inline double OpFactorial(double a) {
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

// The operands of "div" and "mod", rounded to integers; false, with the
// division fault raised, for a divisor that rounds to 0.
inline bool IntegerOperands(double a, double b, int64_t& x, int64_t& y) {
  x = RoundInt(a);
  y = RoundInt(b);
  if (y != 0) return true;
  IntegerDivisionFault();
  return false;
}

inline double OpIntDiv(double a, double b) {
  int64_t x, y;
  if (!IntegerOperands(a, b, x, y)) return 0.0;
  if (y == -1) return -static_cast<double>(x);  // no trap for the lowest value
  return static_cast<double>(x / y);
}

inline double OpIntMod(double a, double b) {
  int64_t x, y;
  if (!IntegerOperands(a, b, x, y)) return 0.0;
  if (y == -1) return 0.0;
  return static_cast<double>(x % y);
}

inline double OpGreater(double a, double b) { return a > b ? 1.0 : 0.0; }
inline double OpGreaterEqual(double a, double b) { return a + 1e-30 >= b ? 1.0 : 0.0; }
inline double OpLessEqual(double a, double b) { return b + 1e-30 >= a ? 1.0 : 0.0; }
inline double OpLess(double a, double b) { return a < b ? 1.0 : 0.0; }
inline double OpNotEqual(double a, double b) { return std::fabs(a - b) > 1e-30 ? 1.0 : 0.0; }
inline double OpEqual(double a, double b) { return std::fabs(a - b) <= 1e-30 ? 1.0 : 0.0; }

inline double OpNot(double a) { return static_cast<double>(~RoundInt(a)); }
inline double OpOr(double a, double b) { return static_cast<double>(RoundInt(a) | RoundInt(b)); }
inline double OpAnd(double a, double b) { return static_cast<double>(RoundInt(a) & RoundInt(b)); }
inline double OpXor(double a, double b) { return static_cast<double>(RoundInt(a) ^ RoundInt(b)); }

inline double OpSigmoid(double a) {
  return static_cast<double>(1.0L / (1.0L + std::exp(-static_cast<long double>(a))));
}
inline double OpSqr(double a) { return a * a; }
inline double OpSqrt(double a) { return std::sqrt(a); }
inline double OpAbs(double a) { return std::fabs(a); }
inline double OpRound(double a) { return static_cast<double>(RoundInt(a)); }
inline double OpTrunc(double a) { return static_cast<double>(TruncInt(a)); }
inline double OpLogN(double a, double b) {
  return static_cast<double>(std::log(static_cast<long double>(b)) /
                             std::log(static_cast<long double>(a)));
}
inline double OpMax(double a, double b) { return a >= b ? a : b; }
inline double OpMin(double a, double b) { return a <= b ? a : b; }
inline double OpSinD(double a) { return static_cast<double>(std::sin(a * kPiL / 180.0L)); }
inline double OpCosD(double a) { return static_cast<double>(std::cos(a * kPiL / 180.0L)); }
inline double OpTanD(double a) { return static_cast<double>(std::tan(a * kPiL / 180.0L)); }
inline double OpAtanD(double a) { return static_cast<double>(std::atan(a * kPiL / 180.0L)); }
inline double OpDegToRad(double a) { return static_cast<double>(a * kPiL / 180.0L); }
inline double OpRadToDeg(double a) { return static_cast<double>(a * 180.0L / kPiL); }

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

// The elementary functions and the real power over a block of rows
// (engine/expr/ExprElementary.h): the same bits as their rows one by one.
template <TElementary K>
void BlockOf(double* r, const double* const* args, int n) {
  ElementaryBlock(K, r, args[0], n);
}
void BlockArcTan2(double* r, const double* const* args, int n) {
  ElementaryArcTan2Block(r, args[0], args[1], n);
}
void BlockPower(double* r, const double* const* args, int n) {
  ElementaryPowerBlock(r, args[0], args[1], n, false, &OpPower);
}
#if defined(__x86_64__)
// a^-1 (Square false) or a^-2 (true) as the squaring loop forms them (in
// extended precision: the square rounded to it, then the quotient, then
// rounded to double) over n rows, four at a time in double precision.
//
// The square rounded to extended precision is hi + lo64: hi = a*a rounded
// to double, and its exact remainder lo (a fused multiply-add) rounded to
// the 11 bits that extended precision keeps beyond a double, ties to even.
// For the quotient, the two roundings give the double q nearest it,
// except when the quotient lies so close to the midpoint between q and its
// neighbour that the first rounding lands on the midpoint; the remainder
// 1 - s*q (exact with a fused multiply-add for the reciprocal, within 2^-106
// for the square) tells how close. Rows near a midpoint, rows whose square
// is a power of two (the rounding there may fall into the binade below),
// and arguments far from 1 (ends of the range, 0, infinities, NaN) take
// the extended arithmetic itself.
// One group of four rows: the quotients, and in ok the lanes they are
// right for (the others take the extended arithmetic).
__attribute__((target("avx2,fma"), always_inline)) inline __m256d ReciprocalGroup(__m256d x,
                                                                                  bool Square,
                                                                                  __m256d& ok) {
  const __m256d one = _mm256_set1_pd(1.0), sign = _mm256_set1_pd(-0.0);
  const __m256d exponent = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FF0000000000000));
  const __m256d lo = _mm256_set1_pd(Square ? 0x1p-400 : 0x1p-900);
  const __m256d hi = _mm256_set1_pd(Square ? 0x1p400 : 0x1p900);
  // |1/s - q| below (1/2 - 2^-10) ulp(q): the extended quotient, within
  // 2^-12 ulp(q) of 1/s, is not the midpoint.
  const __m256d margin = _mm256_set1_pd((0.5 - 0x1p-10) * 0x1p-52);
  const __m256d ax = _mm256_andnot_pd(sign, x);
  ok = _mm256_and_pd(_mm256_cmp_pd(ax, lo, _CMP_GE_OQ), _mm256_cmp_pd(ax, hi, _CMP_LE_OQ));
  __m256d q, rest;
  if (Square) {
    const __m256d s = _mm256_mul_pd(x, x);
    const __m256d tail = _mm256_fmsub_pd(x, x, s);
    const __m256d binade = _mm256_and_pd(s, exponent);  // 2^e of s
    ok = _mm256_and_pd(ok, _mm256_cmp_pd(s, binade, _CMP_NEQ_OQ));
    // The remainder to the nearest multiple of binade * 2^-63, ties to
    // even: added to 1.5 * 2^52 such steps, a number whose last bit is
    // one step (the addition rounds there), and taken away again (exact).
    const __m256d shift = _mm256_mul_pd(binade, _mm256_set1_pd(0x1.8p-11));
    const __m256d tail64 = _mm256_sub_pd(_mm256_add_pd(tail, shift), shift);
    const __m256d q0 = _mm256_div_pd(one, s);
    const __m256d rest0 = _mm256_sub_pd(_mm256_fnmadd_pd(s, q0, one), _mm256_mul_pd(tail64, q0));
    q = _mm256_fmadd_pd(q0, rest0, q0);
    rest = _mm256_sub_pd(_mm256_fnmadd_pd(s, q, one), _mm256_mul_pd(tail64, q));
  } else {
    q = _mm256_div_pd(one, x);
    rest = _mm256_fnmadd_pd(x, q, one);
  }
  const __m256d near = _mm256_mul_pd(_mm256_andnot_pd(sign, rest), _mm256_andnot_pd(sign, q));
  ok = _mm256_and_pd(
      ok, _mm256_cmp_pd(near, _mm256_mul_pd(_mm256_and_pd(q, exponent), margin), _CMP_LT_OQ));
  return q;
}

__attribute__((target("avx2,fma"))) void ReciprocalBlockFma(double* r, const double* a, int n,
                                                            bool Square) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m256d ok;
    const __m256d q = ReciprocalGroup(_mm256_loadu_pd(a + i), Square, ok);
    _mm256_storeu_pd(r + i, q);
    const int good = _mm256_movemask_pd(ok);
    if (good != 0xF)
      for (int j = 0; j < 4; ++j)
        if (!(good & (1 << j))) r[i + j] = IntPowerOf(a[i + j], Square ? -2 : -1);
  }
  for (; i < n; ++i) r[i] = IntPowerOf(a[i], Square ? -2 : -1);
}

// The same as a routine of a chain's machine code (TElementaryKernel):
// eight rows in two halves, the lanes the extended arithmetic must decide
// added to *bad.
template <bool Square>
__attribute__((target("avx2,fma"))) __m256d ReciprocalKernel(__m256d lo, __m256d hi, double* high,
                                                             unsigned* bad) {
  __m256d ok[2];
  const __m256d q = ReciprocalGroup(lo, Square, ok[0]);
  _mm256_storeu_pd(high, ReciprocalGroup(hi, Square, ok[1]));
  *bad |= (~static_cast<unsigned>(_mm256_movemask_pd(ok[0])) & 0xF) |
          (~static_cast<unsigned>(_mm256_movemask_pd(ok[1])) & 0xF) << 4;
  return q;
}
#endif

// The real power with one exponent for every row. An integral exponent
// takes OpPower's own rules in a loop of its own (no call per row): the
// squaring loop for that exponent, -1 and -2 four rows at a time where the
// processor has AVX2 and FMA.
void BlockPowerVS(double* __restrict r, const double* const* args, int n) {
  const double* __restrict a = args[0];
  const double e = *args[1];
  if (e == 0.0 || !(std::trunc(e) == e && std::fabs(e) <= 2147483647.0))
    return ElementaryPowerBlock(r, a, args[1], n, true, &OpPower);
  const int64_t k = static_cast<int64_t>(e);
#if defined(__x86_64__)
  if ((k == -1 || k == -2) && gElementary.BlockWidth >= 4)  // AVX2 and FMA
    return ReciprocalBlockFma(r, a, n, k == -2);
#endif
  if (k > 0) {
    for (int i = 0; i < n; ++i) r[i] = a[i] == 0.0 ? 0.0 : IntPowerOf(a[i], k);
  } else {
    for (int i = 0; i < n; ++i) r[i] = IntPowerOf(a[i], k);
  }
}

}  // namespace

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

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif

// ===========================================================================
// Words with an effect beyond their value.

namespace {

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

// The blocks that have a variant for one argument that is one value for
// every row: {all columns, scalar second, scalar first}.
struct TScalarVariants {
  TBlockProc Columns, ScalarSecond, ScalarFirst;
};
const TScalarVariants kScalarVariants[] = {
    {&Block2<OpAdd>, &Block2VS<OpAdd>, &Block2SV<OpAdd>},
    {&Block2<OpSub>, &Block2VS<OpSub>, &Block2SV<OpSub>},
    {&Block2<OpMul>, &Block2VS<OpMul>, &Block2SV<OpMul>},
    {&Block2<OpDiv>, &Block2VS<OpDiv>, &Block2SV<OpDiv>},
    {&BlockPower, &BlockPowerVS, &Block2SV<OpPower>},
};

// The words a fused program computes: their block procedure, form and
// operation.
struct TFuseEntry {
  TBlockProc Proc;
  TFuseWord Word;
};
const TFuseEntry kFuseWords[] = {
    {&Block2<OpAdd>, {kFuseBinary, kFuAdd}}, {&Block2<OpSub>, {kFuseBinary, kFuSub}},
    {&Block2<OpMul>, {kFuseBinary, kFuMul}}, {&Block2<OpDiv>, {kFuseBinary, kFuDiv}},
    {&Block1<OpNeg>, {kFuseNeg, 0}},         {&Block1<OpPos>, {kFusePos, 0}},
    {&Block1<OpSquare>, {kFuseSquare, 0}},   {&Block1<OpSqr>, {kFuseSquare, 0}},
    {&Block1<OpCube>, {kFuseCube, 0}},       {&BlockIf, {kFuseIf, 0}},
};

}  // namespace

TFuseWord FuseWordOf(TBlockProc proc) {
  for (const TFuseEntry& e : kFuseWords)
    if (e.Proc == proc) return e.Word;
  return {kFuseNone, 0};
}

namespace {

// The procedures of the plain double arithmetic, the comparisons and the
// elementary functions: their faults are raised by SSE instructions (the
// elementary functions raise theirs through RaiseFaultFlags). The power,
// the integer power, factorial, the sigmoid, the logarithm to a base and
// the degree functions work in extended precision and are not listed.
template <TElementary... K>
struct TElementaryProcs {
  static constexpr TBlockProc Blocks[] = {&BlockOf<K>...};
  static constexpr TExprProc Steps[] = {&Step1<ElementaryRow<K>>...};
};
using TAllElementary =
    TElementaryProcs<TElementary::Exp, TElementary::Ln, TElementary::Log10, TElementary::Sin,
                     TElementary::Cos, TElementary::Tan, TElementary::ArcSin, TElementary::ArcCos,
                     TElementary::ArcTan, TElementary::Sinh, TElementary::Cosh, TElementary::Tanh,
                     TElementary::ArcSinh, TElementary::ArcCosh, TElementary::ArcTanh>;

template <double (*... F)(double)>
struct TUnaryProcs {
  static bool Has(TBlockProc p) { return ((p == &Block1<F>) || ...); }
  static bool Has(TExprProc p) { return ((p == &Step1<F>) || ...); }
};
template <double (*... F)(double, double)>
struct TBinaryProcs {
  static bool Has(TBlockProc p) {
    return ((p == &Block2<F> || p == &Block2VS<F> || p == &Block2SV<F>) || ...);
  }
  static bool Has(TExprProc p) { return ((p == &Step2<F>) || ...); }
};
using TSseUnary = TUnaryProcs<OpNeg, OpPos, OpPercent, OpSquare, OpCube, OpSqr, OpSqrt, OpAbs>;
using TSseBinary = TBinaryProcs<OpAdd, OpSub, OpMul, OpDiv, OpMax, OpMin, OpGreater, OpGreaterEqual,
                                OpLessEqual, OpLess, OpNotEqual, OpEqual>;

}  // namespace

bool SseFaultsOnly(TBlockProc proc) {
  if (TSseUnary::Has(proc) || TSseBinary::Has(proc) || proc == &BlockIf || proc == &BlockArcTan2)
    return true;
  for (const TBlockProc p : TAllElementary::Blocks)
    if (p == proc) return true;
  return false;
}

bool SseFaultsOnly(TExprProc proc) {
  if (TSseUnary::Has(proc) || TSseBinary::Has(proc) || proc == &Step3<OpIf> ||
      proc == &Step2<ElementaryArcTan2>)
    return true;
  for (const TExprProc p : TAllElementary::Steps)
    if (p == proc) return true;
  return false;
}

int ElementaryIndexOf(TBlockProc proc) {
  for (int k = 0; k < kElementaryCount; ++k)
    if (TAllElementary::Blocks[k] == proc) return k;
  return -1;
}

bool IsRealPowerBlock(TBlockProc proc) { return proc == &BlockPower; }
bool IsIntegerPowerBlock(TBlockProc proc) { return proc == &Block2<OpIntPower>; }

TElementaryKernel ReciprocalKernelRoutine(bool Square) {
#if defined(__x86_64__)
  if (gElementary.BlockWidth >= 4)  // AVX2 and FMA
    return Square ? reinterpret_cast<TElementaryKernel>(&ReciprocalKernel<true>)
                  : reinterpret_cast<TElementaryKernel>(&ReciprocalKernel<false>);
#endif
  (void)Square;
  return nullptr;
}

TBlockProc ScalarVariantOf(TBlockProc proc, bool ScalarFirst) {
  for (const TScalarVariants& v : kScalarVariants)
    if (v.Columns == proc) return ScalarFirst ? v.ScalarFirst : v.ScalarSecond;
  return nullptr;
}

bool SmallPowerProcs(int64_t exponent, TExprProc& step, TBlockProc& block) {
  if (exponent == 2) {
    step = &Step1<OpSquare>;
    block = &Block1<OpSquare>;
    return true;
  }
  if (exponent == 3) {
    step = &Step1<OpCube>;
    block = &Block1<OpCube>;
    return true;
  }
  return false;
}

}  // namespace expr

// ===========================================================================
// The built-in table.

void TExpressionParser::RegisterBuiltinWords() {
  using namespace expr;
  auto fn = [&](std::unique_ptr<TFunction> f, TBlockProc block) {
    f->SetBlockProc(block);
    AddWord(std::move(f));
  };
  // A word of each kind: a plain function or operator, and one of Boolean
  // result (comparisons and the logical words).
  auto plain = [&](const char* name, int precedence, bool isOperator, int args, TExprProc step,
                   TBlockProc block) {
    fn(std::make_unique<TFunction>(name, precedence, isOperator, args, step), block);
  };
  auto boolean = [&](const char* name, int precedence, int args, TExprProc step, TBlockProc block) {
    fn(std::make_unique<TBooleanFunction>(name, precedence, true, args, step), block);
  };
  AddWord(std::make_unique<TLeftBracket>("("));
  AddWord(std::make_unique<TRightBracket>(")"));
  AddWord(std::make_unique<TComma>(std::string(1, argSeparator_)));
  AddWord(std::make_unique<TDoubleConstant>("pi", 3.141592653589793));
  fn(std::make_unique<TRandomFunction>("random", 0, &RandomProc, &random_), nullptr);

  // Operators: a smaller precedence binds tighter.
  plain("!", 10, true, 1, &Step1<OpFactorial>, &Block1<OpFactorial>);
  plain("%", 10, true, 1, &Step1<OpPercent>, &Block1<OpPercent>);
  plain("-@", 10, true, 1, &Step1<OpNeg>, &Block1<OpNeg>);
  plain("+@", 10, true, 1, &Step1<OpPos>, &Block1<OpPos>);
  plain("^", 20, true, 2, &Step2<OpPower>, &BlockPower);
  plain("^@", 20, true, 2, &Step2<OpIntPower>, &Block2<OpIntPower>);
  plain("*", 30, true, 2, &Step2<OpMul>, &Block2<OpMul>);
  plain("/", 30, true, 2, &Step2<OpDiv>, &Block2<OpDiv>);
  plain("div", 30, true, 2, &Step2<OpIntDiv>, &Block2<OpIntDiv>);
  plain("mod", 30, true, 2, &Step2<OpIntMod>, &Block2<OpIntMod>);
  plain("+", 40, true, 2, &Step2<OpAdd>, &Block2<OpAdd>);
  plain("-", 40, true, 2, &Step2<OpSub>, &Block2<OpSub>);
  boolean(">", 50, 2, &Step2<OpGreater>, &Block2<OpGreater>);
  boolean(">=", 50, 2, &Step2<OpGreaterEqual>, &Block2<OpGreaterEqual>);
  boolean("<=", 50, 2, &Step2<OpLessEqual>, &Block2<OpLessEqual>);
  boolean("<", 50, 2, &Step2<OpLess>, &Block2<OpLess>);
  boolean("<>", 50, 2, &Step2<OpNotEqual>, &Block2<OpNotEqual>);
  boolean("=", 50, 2, &Step2<OpEqual>, &Block2<OpEqual>);
  boolean("not", 60, 1, &Step1<OpNot>, &Block1<OpNot>);
  boolean("or", 70, 2, &Step2<OpOr>, &Block2<OpOr>);
  boolean("and", 70, 2, &Step2<OpAnd>, &Block2<OpAnd>);
  boolean("xor", 70, 2, &Step2<OpXor>, &Block2<OpXor>);
  plain(":=", 200, true, 2, &AssignProc, nullptr);

  // Functions.
  fn(std::make_unique<TRandomFunction>("randg", 2, &RandGProc, &random_), nullptr);
  auto function = [&](const char* name, int args, TExprProc step, TBlockProc block) {
    plain(name, 0, false, args, step, block);
  };
  function("exp", 1, &Step1<ElementaryRow<TElementary::Exp>>, &BlockOf<TElementary::Exp>);
  function("if", 3, &Step3<OpIf>, &BlockIf);
  function("Sigmoid", 1, &Step1<OpSigmoid>, &Block1<OpSigmoid>);
  function("sqr", 1, &Step1<OpSqr>, &Block1<OpSqr>);
  function("sqrt", 1, &Step1<OpSqrt>, &Block1<OpSqrt>);
  function("abs", 1, &Step1<OpAbs>, &Block1<OpAbs>);
  function("round", 1, &Step1<OpRound>, &Block1<OpRound>);
  function("trunc", 1, &Step1<OpTrunc>, &Block1<OpTrunc>);
  function("ln", 1, &Step1<ElementaryRow<TElementary::Ln>>, &BlockOf<TElementary::Ln>);
  function("log10", 1, &Step1<ElementaryRow<TElementary::Log10>>, &BlockOf<TElementary::Log10>);
  function("log", 1, &Step1<ElementaryRow<TElementary::Log10>>, &BlockOf<TElementary::Log10>);
  function("logN", 2, &Step2<OpLogN>, &Block2<OpLogN>);
  function("power", 2, &Step2<OpPower>, &BlockPower);
  function("pow", 2, &Step2<OpPower>, &BlockPower);
  function("intpower", 2, &Step2<OpIntPower>, &Block2<OpIntPower>);
  function("max", 2, &Step2<OpMax>, &Block2<OpMax>);
  function("min", 2, &Step2<OpMin>, &Block2<OpMin>);
  function("sin", 1, &Step1<ElementaryRow<TElementary::Sin>>, &BlockOf<TElementary::Sin>);
  function("cos", 1, &Step1<ElementaryRow<TElementary::Cos>>, &BlockOf<TElementary::Cos>);
  function("tan", 1, &Step1<ElementaryRow<TElementary::Tan>>, &BlockOf<TElementary::Tan>);
  function("sind", 1, &Step1<OpSinD>, &Block1<OpSinD>);
  function("cosd", 1, &Step1<OpCosD>, &Block1<OpCosD>);
  function("tand", 1, &Step1<OpTanD>, &Block1<OpTanD>);
  function("atand", 1, &Step1<OpAtanD>, &Block1<OpAtanD>);
  function("arcsin", 1, &Step1<ElementaryRow<TElementary::ArcSin>>, &BlockOf<TElementary::ArcSin>);
  function("arccos", 1, &Step1<ElementaryRow<TElementary::ArcCos>>, &BlockOf<TElementary::ArcCos>);
  function("arctan", 1, &Step1<ElementaryRow<TElementary::ArcTan>>, &BlockOf<TElementary::ArcTan>);
  function("arctan2", 2, &Step2<ElementaryArcTan2>, &BlockArcTan2);
  function("sinh", 1, &Step1<ElementaryRow<TElementary::Sinh>>, &BlockOf<TElementary::Sinh>);
  function("cosh", 1, &Step1<ElementaryRow<TElementary::Cosh>>, &BlockOf<TElementary::Cosh>);
  function("tanh", 1, &Step1<ElementaryRow<TElementary::Tanh>>, &BlockOf<TElementary::Tanh>);
  function("arcsinh", 1, &Step1<ElementaryRow<TElementary::ArcSinh>>,
           &BlockOf<TElementary::ArcSinh>);
  function("arccosh", 1, &Step1<ElementaryRow<TElementary::ArcCosh>>,
           &BlockOf<TElementary::ArcCosh>);
  function("arctanh", 1, &Step1<ElementaryRow<TElementary::ArcTanh>>,
           &BlockOf<TElementary::ArcTanh>);
  function("degtorad", 1, &Step1<OpDegToRad>, &Block1<OpDegToRad>);
  function("radtodeg", 1, &Step1<OpRadToDeg>, &Block1<OpRadToDeg>);
}

}  // namespace qv
