// The block loops of the elementary functions for a processor with AVX2
// and FMA: four rows per SLEEF call. This file alone is built with AVX2
// and FMA code (engine/CMakeLists.txt) and is only entered after the
// processor was found to have both, so it keeps to intrinsics and builtins
// and includes no header whose inline functions other files share.
#include <immintrin.h>
#include <sleef.h>

#include <cfenv>
#include <cstdint>

namespace qv::expr {

void ElementaryBlockAvx2(int K, bool Pole, double* r, const double* a, int n);
void ElementaryArcTan2BlockAvx2(double* r, const double* a, const double* b, int n);
void ElementaryPowerBlockAvx2(double* r, const double* a, const double* b, int n,
                              bool ScalarExponent, double (*PowerRow)(double, double));

namespace {

using TVector1 = decltype(&Sleef_finz_expd4_u10avx2);

// In the order of TElementary.
const TVector1 kVector1[] = {
    &Sleef_finz_expd4_u10avx2,   &Sleef_finz_logd4_u10avx2,   &Sleef_finz_log10d4_u10avx2,
    &Sleef_finz_sind4_u10avx2,   &Sleef_finz_cosd4_u10avx2,   &Sleef_finz_tand4_u10avx2,
    &Sleef_finz_asind4_u10avx2,  &Sleef_finz_acosd4_u10avx2,  &Sleef_finz_atand4_u10avx2,
    &Sleef_finz_sinhd4_u10avx2,  &Sleef_finz_coshd4_u10avx2,  &Sleef_finz_tanhd4_u10avx2,
    &Sleef_finz_asinhd4_u10avx2, &Sleef_finz_acoshd4_u10avx2, &Sleef_finz_atanhd4_u10avx2,
};
constexpr unsigned kFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

inline __m256d Abs(__m256d v) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); }
inline __m256d Finite(__m256d v) {
  return _mm256_cmp_pd(Abs(v), _mm256_set1_pd(__builtin_inf()), _CMP_LT_OQ);
}
inline __m256d IsNaN(__m256d v) { return _mm256_cmp_pd(v, v, _CMP_UNORD_Q); }

// Lanes whose result calls for a raised fault: NaN from arguments that are
// not NaN, or not finite from finite arguments.
inline __m256d Faulty(__m256d res, __m256d argNaN, __m256d argFinite) {
  const __m256d notFinite = _mm256_cmp_pd(Abs(res), _mm256_set1_pd(__builtin_inf()), _CMP_NLT_UQ);
  return _mm256_or_pd(_mm256_andnot_pd(argNaN, IsNaN(res)), _mm256_and_pd(argFinite, notFinite));
}

// The last, partial group of rows: its lanes beyond n repeat the last row,
// so that they add no case of their own.
inline __m256d LoadTail(const double* a, int count) {
  alignas(32) double t[4];
  for (int i = 0; i < 4; ++i) t[i] = a[i < count ? i : count - 1];
  return _mm256_load_pd(t);
}
inline void StoreTail(double* r, __m256d v, int count) {
  alignas(32) double t[4];
  _mm256_store_pd(t, v);
  for (int i = 0; i < count; ++i) r[i] = t[i];
}

// Raises the faults of the rows one by one: pole faults for Pole rows.
void RaiseRows(const double* r, const double* a, const double* b, int n, bool pole) {
  int raise = 0;
  for (int i = 0; i < n; ++i) {
    const double v = r[i];
    const bool argNaN = __builtin_isnan(a[i]) || (b && __builtin_isnan(b[i]));
    const bool argFinite = __builtin_isfinite(a[i]) && (!b || __builtin_isfinite(b[i]));
    if (__builtin_isnan(v) && !argNaN)
      raise |= FE_INVALID;
    else if (__builtin_isinf(v) && argFinite)
      raise |= pole ? FE_DIVBYZERO : FE_OVERFLOW;
  }
  if (raise) std::feraiseexcept(raise);
}

}  // namespace

void ElementaryBlockAvx2(int K, bool Pole, double* r, const double* a, int n) {
  const TVector1 f = kVector1[K];
  const unsigned status = _mm_getcsr();
  __m256d bad = _mm256_setzero_pd();
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m256d x = _mm256_loadu_pd(a + i);
    const __m256d y = f(x);
    _mm256_storeu_pd(r + i, y);
    bad = _mm256_or_pd(bad, Faulty(y, IsNaN(x), Finite(x)));
  }
  if (i < n) {
    const __m256d x = LoadTail(a + i, n - i);
    const __m256d y = f(x);
    StoreTail(r + i, y, n - i);
    bad = _mm256_or_pd(bad, Faulty(y, IsNaN(x), Finite(x)));
  }
  if ((_mm_getcsr() ^ status) & kFlags) _mm_setcsr(status);
  if (_mm256_movemask_pd(bad) != 0) RaiseRows(r, a, nullptr, n, Pole);
}

void ElementaryArcTan2BlockAvx2(double* r, const double* a, const double* b, int n) {
  const unsigned status = _mm_getcsr();
  __m256d bad = _mm256_setzero_pd();
  int i = 0;
  auto group = [&](__m256d x, __m256d y) {
    const __m256d v = Sleef_finz_atan2d4_u10avx2(x, y);
    bad = _mm256_or_pd(
        bad, Faulty(v, _mm256_or_pd(IsNaN(x), IsNaN(y)), _mm256_and_pd(Finite(x), Finite(y))));
    return v;
  };
  for (; i + 4 <= n; i += 4)
    _mm256_storeu_pd(r + i, group(_mm256_loadu_pd(a + i), _mm256_loadu_pd(b + i)));
  if (i < n) StoreTail(r + i, group(LoadTail(a + i, n - i), LoadTail(b + i, n - i)), n - i);
  if ((_mm_getcsr() ^ status) & kFlags) _mm_setcsr(status);
  if (_mm256_movemask_pd(bad) != 0) RaiseRows(r, a, b, n, false);
}

void ElementaryPowerBlockAvx2(double* r, const double* a, const double* b, int n,
                              bool ScalarExponent, double (*PowerRow)(double, double)) {
  // Rows that the language's power rules decide (exponent 0, base 0, an
  // integral exponent of at most 2^31 - 1 in magnitude, a NaN) are done
  // afterwards by PowerRow; the SLEEF routine does the others.
  auto special = [](__m256d x, __m256d y) {
    const __m256d zero = _mm256_setzero_pd();
    const __m256d integral = _mm256_and_pd(
        _mm256_cmp_pd(_mm256_round_pd(y, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC), y, _CMP_EQ_OQ),
        _mm256_cmp_pd(Abs(y), _mm256_set1_pd(2147483647.0), _CMP_LE_OQ));
    return _mm256_or_pd(
        _mm256_or_pd(_mm256_cmp_pd(y, zero, _CMP_EQ_OQ), _mm256_cmp_pd(x, zero, _CMP_EQ_OQ)),
        _mm256_or_pd(integral, _mm256_or_pd(IsNaN(x), IsNaN(y))));
  };
  auto specialRow = [](double x, double y) {
    return y == 0.0 || x == 0.0 || __builtin_isnan(x) || __builtin_isnan(y) ||
           (__builtin_trunc(y) == y && __builtin_fabs(y) <= 2147483647.0);
  };
  if (ScalarExponent) {
    const double e = *b;
    if (e == 0.0 || __builtin_isnan(e) ||
        (__builtin_trunc(e) == e && __builtin_fabs(e) <= 2147483647.0)) {
      for (int i = 0; i < n; ++i) r[i] = PowerRow(a[i], e);
      return;
    }
  }
  const unsigned status = _mm_getcsr();
  __m256d bad = _mm256_setzero_pd(), any = _mm256_setzero_pd();
  const __m256d spread = ScalarExponent ? _mm256_set1_pd(*b) : _mm256_setzero_pd();
  auto group = [&](__m256d x, __m256d y) {
    const __m256d v = Sleef_finz_powd4_u10avx2(x, y);
    const __m256d s = special(x, y);
    any = _mm256_or_pd(any, s);
    bad = _mm256_or_pd(bad, _mm256_andnot_pd(s, Faulty(v, _mm256_setzero_pd(),
                                                       _mm256_and_pd(Finite(x), Finite(y)))));
    return v;
  };
  int i = 0;
  for (; i + 4 <= n; i += 4)
    _mm256_storeu_pd(
        r + i, group(_mm256_loadu_pd(a + i), ScalarExponent ? spread : _mm256_loadu_pd(b + i)));
  if (i < n)
    StoreTail(r + i,
              group(LoadTail(a + i, n - i), ScalarExponent ? spread : LoadTail(b + i, n - i)),
              n - i);
  if ((_mm_getcsr() ^ status) & kFlags) _mm_setcsr(status);
  if (_mm256_movemask_pd(bad) != 0) {
    // Only the rows the SLEEF routine gave count here.
    int raise = 0;
    for (int k = 0; k < n; ++k) {
      const double x = a[k], y = ScalarExponent ? *b : b[k];
      if (specialRow(x, y)) continue;
      if (__builtin_isnan(r[k]))
        raise |= FE_INVALID;
      else if (__builtin_isinf(r[k]) && __builtin_isfinite(x) && __builtin_isfinite(y))
        raise |= FE_OVERFLOW;
    }
    if (raise) std::feraiseexcept(raise);
  }
  if (_mm256_movemask_pd(any) != 0)
    for (int k = 0; k < n; ++k) {
      const double y = ScalarExponent ? *b : b[k];
      if (specialRow(a[k], y)) r[k] = PowerRow(a[k], y);
    }
}

}  // namespace qv::expr
