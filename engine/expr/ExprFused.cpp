// The loops of fused programs (engine/expr/ExprFused.h).
#include "engine/expr/ExprFused.h"

#include <cstddef>
#include <type_traits>
#include <utility>

#include "engine/expr/ExprBuiltins.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv::expr {

namespace {

// The loops are built with loop vectorisation even where the rest of the
// program is not, and without contraction of a*b+c into one rounding.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC push_options
#pragma GCC optimize("tree-loop-vectorize", "vect-cost-model=dynamic")
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
QV_WIDE_LOOP void FuLoad(double* __restrict a, const double* const* ptr, const TOperandId* args,
                         int n) {
  const double* __restrict x = ptr[args[0]];
  const double xs = *x;
  for (int i = 0; i < n; ++i) a[i] = XS ? xs : x[i];
}
template <uint8_t Op2, bool XS, bool YS>
QV_WIDE_LOOP void FuPair(double* __restrict a, const double* const* ptr, const TOperandId* args,
                         int n) {
  const double* __restrict x = ptr[args[0]];
  const double* __restrict y = ptr[args[1]];
  const double xs = *x, ys = *y;
  for (int i = 0; i < n; ++i) a[i] = FuOp<Op2>(XS ? xs : x[i], YS ? ys : y[i]);
}
// a op v, or v op a when R (reversed).
template <uint8_t Op, bool R>
inline double FuApply(double a, double v) {
  return R ? FuOp<Op>(v, a) : FuOp<Op>(a, v);
}
template <uint8_t Op, bool XS, bool R>
QV_WIDE_LOOP void FuAcc(double* __restrict a, const double* const* ptr, const TOperandId* args,
                        int n) {
  const double* __restrict x = ptr[args[0]];
  const double xs = *x;
  for (int i = 0; i < n; ++i) a[i] = FuApply<Op, R>(a[i], XS ? xs : x[i]);
}
template <uint8_t Op2, bool XS, bool YS, uint8_t Op, bool R>
QV_WIDE_LOOP void FuPairAcc(double* __restrict a, const double* const* ptr, const TOperandId* args,
                            int n) {
  const double* __restrict x = ptr[args[0]];
  const double* __restrict y = ptr[args[1]];
  const double xs = *x, ys = *y, s = *ptr[args[2]];
  for (int i = 0; i < n; ++i) a[i] = FuApply<Op, R>(FuOp<Op2>(XS ? xs : x[i], YS ? ys : y[i]), s);
}
template <uint8_t Op, uint8_t Op2, bool XS, bool YS, bool R>
QV_WIDE_LOOP void FuTerm(double* __restrict a, const double* const* ptr, const TOperandId* args,
                         int n) {
  const double* __restrict x = ptr[args[0]];
  const double* __restrict y = ptr[args[1]];
  const double xs = *x, ys = *y;
  for (int i = 0; i < n; ++i)
    a[i] = FuApply<Op, R>(a[i], FuOp<Op2>(XS ? xs : x[i], YS ? ys : y[i]));
}
QV_WIDE_LOOP void FuNeg(double* __restrict a, const double* const*, const TOperandId*, int n) {
  for (int i = 0; i < n; ++i) a[i] = -a[i];
}
QV_WIDE_LOOP void FuSquare(double* __restrict a, const double* const*, const TOperandId*, int n) {
  for (int i = 0; i < n; ++i) a[i] = a[i] * a[i];
}
QV_WIDE_LOOP void FuCube(double* __restrict a, const double* const*, const TOperandId*, int n) {
  for (int i = 0; i < n; ++i) a[i] = a[i] * (a[i] * a[i]);
}
void FuIf(double* __restrict a, const double* const* ptr, const TOperandId* args, int n) {
  const double* o[3] = {ptr[args[0]], ptr[args[1]], ptr[args[2]]};
  BlockIf(a, o, n);
}

// "if" whose second or third argument (or both) is a parameter times a
// column (T1, T2), computed in the same pass: both products for every row,
// as the steps would, then the selection by the rule of BlockIf.
// Operands: the condition, then s1, x1 (or the column) and s2, x2 (or the
// column).
template <bool T1, bool T2>
void FuIfTerms(double* __restrict a, const double* const* ptr, const TOperandId* args, int n) {
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
//   Lead 1: a = ((c +- s1*x1) +- s2*x2) ...   (c one value)
//   Lead 2: a = ((s1*x1 +- s2*x2) +- s3*x3) ...
//   Lead 3: a = ((c +- s1*x1) +- s2*x2) ...   (c a column)
// bit j of Sub makes term j a subtraction (unused for the first term of
// Lead 2). Operands: [c,] then s_j, x_j for each term.
template <int K, int Lead, unsigned Sub>
QV_WIDE_LOOP void FuSum(double* __restrict a, const double* const* ptr, const TOperandId* args,
                        int n) {
  typedef double V __attribute__((vector_size(32)));
  typedef double U __attribute__((vector_size(32), aligned(8)));
  constexpr int first = Lead == 1 || Lead == 3 ? 1 : 0;
  const double c = Lead == 1 ? *ptr[args[0]] : 0.0;
  const double* __restrict cs = Lead == 3 ? ptr[args[0]] : nullptr;
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
    else if constexpr (Lead == 3)
      t = *reinterpret_cast<const U*>(cs + i);
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
    double t = Lead == 0 ? a[i] : Lead == 1 ? c : Lead == 3 ? cs[i] : s[0] * x[0][i];
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
#undef QV_WIDE_LOOP

// The loop of each form for an operation known only at run time: WithOp
// calls its function with the operation as a compile-time constant.
template <class TPick>
TFusedLoop WithOp(uint8_t op, TPick pick) {
  switch (op) {
    case kFuAdd:
      return pick(std::integral_constant<uint8_t, kFuAdd>{});
    case kFuSub:
      return pick(std::integral_constant<uint8_t, kFuSub>{});
    case kFuMul:
      return pick(std::integral_constant<uint8_t, kFuMul>{});
    default:
      return pick(std::integral_constant<uint8_t, kFuDiv>{});
  }
}
template <bool XS, bool YS>
TFusedLoop PickPair(uint8_t op2) {
  return WithOp(op2, [](auto o2) -> TFusedLoop { return &FuPair<decltype(o2)::value, XS, YS>; });
}
template <bool XS, bool YS, bool R>
TFusedLoop PickTerm(uint8_t op, uint8_t op2) {
  return WithOp(op, [op2](auto o) {
    return WithOp(op2, [](auto o2) -> TFusedLoop {
      return &FuTerm<decltype(o)::value, decltype(o2)::value, XS, YS, R>;
    });
  });
}
template <bool XS, bool YS, bool R>
TFusedLoop PickPairAcc(uint8_t op2, uint8_t op) {
  return WithOp(op2, [op](auto o2) {
    return WithOp(op, [](auto o) -> TFusedLoop {
      return &FuPairAcc<decltype(o2)::value, XS, YS, decltype(o)::value, R>;
    });
  });
}
template <bool XS, bool R>
TFusedLoop PickAcc(uint8_t op) {
  return WithOp(op, [](auto o) -> TFusedLoop { return &FuAcc<decltype(o)::value, XS, R>; });
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif

}  // namespace

TFusedLoop PickSumLoop(int k, int lead, unsigned sub) {
  return lead == 0   ? PickSumLead<0>(k, sub)
         : lead == 1 ? PickSumLead<1>(k, sub)
         : lead == 2 ? PickSumLead<2>(k, sub)
                     : PickSumLead<3>(k, sub);
}

TFusedLoop PickPairLoop(uint8_t op2, bool xs, bool ys) {
  return xs ? (ys ? PickPair<true, true>(op2) : PickPair<true, false>(op2))
            : (ys ? PickPair<false, true>(op2) : PickPair<false, false>(op2));
}
TFusedLoop PickTermLoop(bool reversed, uint8_t op, uint8_t op2, bool xs, bool ys) {
  if (reversed)
    return xs ? (ys ? PickTerm<true, true, true>(op, op2) : PickTerm<true, false, true>(op, op2))
              : (ys ? PickTerm<false, true, true>(op, op2) : PickTerm<false, false, true>(op, op2));
  return xs ? (ys ? PickTerm<true, true, false>(op, op2) : PickTerm<true, false, false>(op, op2))
            : (ys ? PickTerm<false, true, false>(op, op2) : PickTerm<false, false, false>(op, op2));
}
TFusedLoop PickPairAccLoop(uint8_t op2, bool xs, bool ys, bool reversed, uint8_t op) {
  if (reversed)
    return xs ? (ys ? PickPairAcc<true, true, true>(op2, op)
                    : PickPairAcc<true, false, true>(op2, op))
              : (ys ? PickPairAcc<false, true, true>(op2, op)
                    : PickPairAcc<false, false, true>(op2, op));
  return xs ? (ys ? PickPairAcc<true, true, false>(op2, op)
                  : PickPairAcc<true, false, false>(op2, op))
            : (ys ? PickPairAcc<false, true, false>(op2, op)
                  : PickPairAcc<false, false, false>(op2, op));
}
TFusedLoop PickAccLoop(bool reversed, uint8_t op, bool xs) {
  if (reversed) return xs ? PickAcc<true, true>(op) : PickAcc<false, true>(op);
  return xs ? PickAcc<true, false>(op) : PickAcc<false, false>(op);
}

TFusedLoop PickLoadLoop(bool xs) { return xs ? &FuLoad<true> : &FuLoad<false>; }
TFusedLoop PickNegLoop() { return &FuNeg; }
TFusedLoop PickSquareLoop() { return &FuSquare; }
TFusedLoop PickCubeLoop() { return &FuCube; }
TFusedLoop PickIfLoop() { return &FuIf; }
TFusedLoop PickIfTermsLoop(bool t1, bool t2) {
  return t1 ? (t2 ? &FuIfTerms<true, true> : &FuIfTerms<true, false>) : &FuIfTerms<false, true>;
}

}  // namespace qv::expr
