// The block loops of the elementary functions for a processor with
// AVX-512F: eight rows per SLEEF call. This file alone is built with
// AVX-512F code (engine/CMakeLists.txt) and is only entered after the
// processor was found to have it, so it keeps to intrinsics and builtins
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
  using V = __m512d;
  using M = __mmask8;
  static constexpr int W = 8;

  static V Load(const double* p) { return _mm512_loadu_pd(p); }
  static void Store(double* p, V v) { _mm512_storeu_pd(p, v); }
  // From single values: the rows of a short block have just been written
  // by narrower stores, which a wide load cannot take its value from (it
  // then waits for them to reach the cache); single loads can.
  static V LoadPart(const double* p, int count) {
    const auto at = [&](int k) { return p[k < count ? k : count - 1]; };
    return _mm512_setr_pd(at(0), at(1), at(2), at(3), at(4), at(5), at(6), at(7));
  }
  static void StorePart(double* p, V v, int count) {
    _mm512_mask_storeu_pd(p, static_cast<M>((1u << count) - 1), v);
  }
  static V Set(double x) { return _mm512_set1_pd(x); }
  // The largest exponent field seen so far, by integer operations (which
  // raise no flag): all ones once some lane was not finite.
  static V Probe(V acc, V v) {
    const __m512i e = _mm512_and_si512(_mm512_castpd_si512(v), _mm512_set1_epi64(kExponent));
    // (The zero-masked form: GCC 12 warns of the plain form's undefined
    // source operand.)
    return _mm512_castsi512_pd(_mm512_maskz_max_epu64(0xFF, _mm512_castpd_si512(acc), e));
  }
  static bool Probed(V acc) {
    return _mm512_cmpeq_epi64_mask(_mm512_castpd_si512(acc), _mm512_set1_epi64(kExponent)) != 0;
  }
  static M NoLanes() { return 0; }
  static M Or(M a, M b) { return static_cast<M>(a | b); }
  static M And(M a, M b) { return static_cast<M>(a & b); }
  static M Minus(M a, M b) { return static_cast<M>(a & ~b); }
  static bool Any(M m) { return m != 0; }
  static unsigned Bits(M m) { return m; }
  // (The zero-masked forms: GCC 12 warns of the plain forms' undefined
  // source operand.)
  static V Rows8(__m256d lo, __m256d hi, int) {
    const V low = _mm512_maskz_insertf64x4(0xFF, _mm512_setzero_pd(), lo, 0);
    return _mm512_maskz_insertf64x4(0xFF, low, hi, 1);
  }
  static void PutRows8(__m256d* halves, V v, int) {
    halves[0] = _mm512_maskz_extractf64x4_pd(0xF, v, 0);
    halves[1] = _mm512_maskz_extractf64x4_pd(0xF, v, 1);
  }

  static V SetWhere(V v, M m, double s) { return _mm512_mask_blend_pd(m, v, Set(s)); }
  static M IsNaN(V v) { return _mm512_cmp_pd_mask(v, v, _CMP_UNORD_Q); }
  static M Finite(V v) {
    return _mm512_cmp_pd_mask(_mm512_abs_pd(v), Set(__builtin_inf()), _CMP_LT_OQ);
  }
  static M NotFinite(V v) {
    return _mm512_cmp_pd_mask(_mm512_abs_pd(v), Set(__builtin_inf()), _CMP_NLT_UQ);
  }
  static M Zero(V v) { return _mm512_cmp_pd_mask(v, _mm512_setzero_pd(), _CMP_EQ_OQ); }
  static M Integral(V v) {
    // (The zero-masked form: GCC 12 warns of an undefined source in the other.)
    return _mm512_cmp_pd_mask(
        _mm512_maskz_roundscale_pd(0xFF, v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC), v, _CMP_EQ_OQ);
  }
  static M Outside(V v, double b) {
    return _mm512_cmp_pd_mask(_mm512_abs_pd(v), Set(b), _CMP_NLE_UQ);
  }
  static M OutsideRange(V v, double low, double high) {
    return static_cast<M>(_mm512_cmp_pd_mask(v, Set(low), _CMP_NGE_UQ) |
                          _mm512_cmp_pd_mask(v, Set(high), _CMP_NLE_UQ));
  }
  static M Within(V v, double b) {
    return _mm512_cmp_pd_mask(_mm512_abs_pd(v), Set(b), _CMP_LE_OQ);
  }
  static M Below(V v, double b) { return _mm512_cmp_pd_mask(_mm512_abs_pd(v), Set(b), _CMP_LT_OQ); }
};

}  // namespace
}  // namespace qv::expr

// SLEEF's name of routine f at this width.
#define QV_SLEEF(f) Sleef_finz_##f##d8_u10avx512f
#include "engine/expr/ExprElementaryVector.inc"
#undef QV_SLEEF

namespace qv::expr {

TElementaryBlocks ElementaryBlocksAvx512() { return VectorBlocks(); }

TElementaryKernels ElementaryKernelsAvx512() { return VectorKernels(); }

}  // namespace qv::expr
