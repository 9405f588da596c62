// The choice of SLEEF routines for this processor, and the row and block
// forms of the elementary functions built on them.
// sleef.h declares its scalar routines of the FMA class only where the
// build itself assumes FMA; they are entered here only after the processor
// was found to have it.
#include <cmath>
#ifndef FP_FAST_FMA
#define FP_FAST_FMA 1
#include <sleef.h>
#undef FP_FAST_FMA
#endif

#include <algorithm>
#include <array>
#include <utility>

#include "engine/expr/ExprElementary.h"

namespace qv::expr {

namespace {

// Without FMA: the deterministic class without fused multiply-add, the
// scalar form for rows and blocks alike.
constexpr TElementaryRoutines kWithoutFma = {
    {&Sleef_cinz_expd1_u10purec, &Sleef_cinz_logd1_u10purec, &Sleef_cinz_log10d1_u10purec,
     &Sleef_cinz_sind1_u10purec, &Sleef_cinz_cosd1_u10purec, &Sleef_cinz_tand1_u10purec,
     &Sleef_cinz_asind1_u10purec, &Sleef_cinz_acosd1_u10purec, &Sleef_cinz_atand1_u10purec,
     &Sleef_cinz_sinhd1_u10purec, &Sleef_cinz_coshd1_u10purec, &Sleef_cinz_tanhd1_u10purec,
     &Sleef_cinz_asinhd1_u10purec, &Sleef_cinz_acoshd1_u10purec, &Sleef_cinz_atanhd1_u10purec},
    &Sleef_cinz_atan2d1_u10purec,
    &Sleef_cinz_powd1_u10purec,
    1,
    {nullptr, nullptr, nullptr},
    {}};

TElementaryRoutines gRoutines = kWithoutFma;

// The widest width this processor can run (see ElementaryWidths).
int ProcessorWidth() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return 1;
  return __builtin_cpu_supports("avx512f") ? 8 : 4;
#else
  return 1;
#endif
}

// The routines of the widest width this processor runs up to limit: with
// AVX2 and FMA the FMA class, whose scalar form gives the bits of its
// vectors of four and (with AVX-512F) of eight.
void ChooseElementaryRoutines(int limit) {
  const int width = std::min(ProcessorWidth(), limit);
  if (width < 4) {
    gRoutines = kWithoutFma;
    return;
  }
#if defined(__x86_64__) || defined(__i386__)
  gRoutines = {
      {&Sleef_finz_expd1_u10purecfma, &Sleef_finz_logd1_u10purecfma,
       &Sleef_finz_log10d1_u10purecfma, &Sleef_finz_sind1_u10purecfma,
       &Sleef_finz_cosd1_u10purecfma, &Sleef_finz_tand1_u10purecfma, &Sleef_finz_asind1_u10purecfma,
       &Sleef_finz_acosd1_u10purecfma, &Sleef_finz_atand1_u10purecfma,
       &Sleef_finz_sinhd1_u10purecfma, &Sleef_finz_coshd1_u10purecfma,
       &Sleef_finz_tanhd1_u10purecfma, &Sleef_finz_asinhd1_u10purecfma,
       &Sleef_finz_acoshd1_u10purecfma, &Sleef_finz_atanhd1_u10purecfma},
      &Sleef_finz_atan2d1_u10purecfma,
      &Sleef_finz_powd1_u10purecfma,
      4,
      ElementaryBlocksAvx2(),
      ElementaryKernelsAvx2()};
  if (width < 8) return;
  gRoutines.BlockWidth = 8;
  gRoutines.Blocks = ElementaryBlocksAvx512();
  gRoutines.Kernels = ElementaryKernelsAvx512();
#endif
}

// Chosen before the program's own static objects are made.
__attribute__((constructor(101))) void ChooseElementaryRoutinesAtStart() {
  ChooseElementaryRoutines(8);
}

constexpr unsigned kFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

template <TElementary K>
void RowsOf(double* r, const double* a, int n) {
  for (int i = 0; i < n; ++i) r[i] = ElementaryRow<K>(a[i]);
}
using TRows = void (*)(double*, const double*, int);
template <size_t... I>
constexpr auto MakeRowsTable(std::index_sequence<I...>) {
  return std::array<TRows, sizeof...(I)>{&RowsOf<static_cast<TElementary>(I)>...};
}
constexpr auto kRows = MakeRowsTable(std::make_index_sequence<kElementaryCount>());

}  // namespace

const TElementaryRoutines& gElementary = gRoutines;

std::vector<int> ElementaryWidths() {
  std::vector<int> widths;
  for (int w : {8, 4, 1})
    if (w <= ProcessorWidth()) widths.push_back(w);
  return widths;
}

int LimitElementaryWidth(int width) {
  ChooseElementaryRoutines(width);
  return gRoutines.BlockWidth;
}

void RaiseFaultFlagsOutOfLine(int flags) { RaiseFaultFlags(flags); }

double ElementaryArcTan2(double a, double b) {
  const unsigned status = ElementaryStatus();
  const double r = gElementary.ArcTan2(a, b);
  if ((ElementaryStatus() ^ status) & kFlags) RestoreElementaryStatus(status);
  if (!std::isfinite(r))
    RaiseElementaryFault(std::isnan(a) || std::isnan(b), std::isfinite(a) && std::isfinite(b),
                         false, r);
  return r;
}

double ElementaryPower(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return a + b;
  const unsigned status = ElementaryStatus();
  const double r = gElementary.Power(a, b);
  if ((ElementaryStatus() ^ status) & kFlags) RestoreElementaryStatus(status);
  if (!std::isfinite(r))
    RaiseElementaryFault(false, std::isfinite(a) && std::isfinite(b), a == 0.0, r);
  return r;
}

void ElementaryBlock(TElementary K, double* r, const double* a, int n) {
  if (gElementary.Blocks.Block)
    gElementary.Blocks.Block(static_cast<int>(K), IsPole(K), r, a, n);
  else
    kRows[static_cast<size_t>(K)](r, a, n);
}

void ElementaryArcTan2Block(double* r, const double* a, const double* b, int n) {
  if (gElementary.Blocks.ArcTan2) return gElementary.Blocks.ArcTan2(r, a, b, n);
  for (int i = 0; i < n; ++i) r[i] = ElementaryArcTan2(a[i], b[i]);
}

void ElementaryPowerBlock(double* r, const double* a, const double* b, int n, bool ScalarExponent,
                          double (*PowerRow)(double, double)) {
  if (gElementary.Blocks.Power)
    return gElementary.Blocks.Power(r, a, b, n, ScalarExponent, PowerRow);
  for (int i = 0; i < n; ++i) r[i] = PowerRow(a[i], ScalarExponent ? *b : b[i]);
}

}  // namespace qv::expr
