// The block loops of the elementary functions for a processor with AVX2
// and FMA: four rows per SLEEF call. This file alone is built with AVX2
// and FMA code (engine/CMakeLists.txt) and is only entered after the
// processor was found to have both, so it keeps to intrinsics and builtins
// and includes no header whose inline functions other files share.
#include <immintrin.h>
#include <sleef.h>

#include <cfenv>
#include <cstdint>
#include <utility>

#include "engine/expr/ExprElementaryBlocks.h"

namespace qv::expr {
namespace {

constexpr long long kExponent = 0x7FF0000000000000;  // the exponent field of a double

struct TVec {
  using V = __m256d;
  using M = __m256d;  // all bits of a lane set or clear
  static constexpr int W = 4;

  static V Load(const double* p) { return _mm256_loadu_pd(p); }
  static void Store(double* p, V v) { _mm256_storeu_pd(p, v); }
  // From single values: the rows of a short block have just been written
  // by narrower stores, which a wide load cannot take its value from (it
  // then waits for them to reach the cache); single loads can.
  static V LoadPart(const double* p, int count) {
    const auto at = [&](int k) { return p[k < count ? k : count - 1]; };
    return _mm256_setr_pd(at(0), at(1), at(2), at(3));
  }
  static void StorePart(double* p, V v, int count) {
    const __m256i lanes =
        _mm256_cmpgt_epi64(_mm256_set1_epi64x(count), _mm256_setr_epi64x(0, 1, 2, 3));
    _mm256_maskstore_pd(p, lanes, v);
  }
  static V Set(double x) { return _mm256_set1_pd(x); }
  // All ones in the lanes where some v so far was not finite, by integer
  // operations (which raise no flag).
  static V Probe(V acc, V v) {
    const __m256i x = _mm256_set1_epi64x(kExponent);
    const __m256i e = _mm256_and_si256(_mm256_castpd_si256(v), x);
    return _mm256_or_pd(acc, _mm256_castsi256_pd(_mm256_cmpeq_epi64(e, x)));
  }
  static bool Probed(V acc) { return _mm256_movemask_pd(acc) != 0; }
  static M NoLanes() { return _mm256_setzero_pd(); }
  static M Or(M a, M b) { return _mm256_or_pd(a, b); }
  static M And(M a, M b) { return _mm256_and_pd(a, b); }
  static M Minus(M a, M b) { return _mm256_andnot_pd(b, a); }
  static bool Any(M m) { return _mm256_movemask_pd(m) != 0; }
  static unsigned Bits(M m) { return static_cast<unsigned>(_mm256_movemask_pd(m)); }
  static V Rows8(__m256d lo, __m256d hi, int i) { return i == 0 ? lo : hi; }
  static void PutRows8(__m256d* halves, V v, int i) { halves[i] = v; }

  static V Abs(V v) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); }
  static V SetWhere(V v, M m, double s) { return _mm256_blendv_pd(v, Set(s), m); }
  static M IsNaN(V v) { return _mm256_cmp_pd(v, v, _CMP_UNORD_Q); }
  static M Finite(V v) { return _mm256_cmp_pd(Abs(v), Set(__builtin_inf()), _CMP_LT_OQ); }
  static M NotFinite(V v) { return _mm256_cmp_pd(Abs(v), Set(__builtin_inf()), _CMP_NLT_UQ); }
  static M Zero(V v) { return _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_EQ_OQ); }
  static M Integral(V v) {
    return _mm256_cmp_pd(_mm256_round_pd(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC), v, _CMP_EQ_OQ);
  }
  static M Outside(V v, double b) { return _mm256_cmp_pd(Abs(v), Set(b), _CMP_NLE_UQ); }
  static M OutsideRange(V v, double low, double high) {
    return _mm256_or_pd(_mm256_cmp_pd(v, Set(low), _CMP_NGE_UQ),
                        _mm256_cmp_pd(v, Set(high), _CMP_NLE_UQ));
  }
  static M Within(V v, double b) { return _mm256_cmp_pd(Abs(v), Set(b), _CMP_LE_OQ); }
  static M Below(V v, double b) { return _mm256_cmp_pd(Abs(v), Set(b), _CMP_LT_OQ); }
};

}  // namespace
}  // namespace qv::expr

// SLEEF's name of routine f at this width.
#define QV_SLEEF(f) Sleef_finz_##f##d4_u10avx2
#include "engine/expr/ExprElementaryVector.inc"
#undef QV_SLEEF

namespace qv::expr {

TElementaryBlocks ElementaryBlocksAvx2() { return VectorBlocks(); }

TElementaryKernels ElementaryKernelsAvx2() { return VectorKernels(); }

}  // namespace qv::expr
