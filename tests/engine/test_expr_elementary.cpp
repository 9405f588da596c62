// The elementary functions over a block of rows must give, bit for bit, what
// their rows one by one give, and leave the same fault flags, at every
// vector width the processor offers and whichever route (with or without
// saving the status register) a block takes. The width can be narrowed
// to each one the processor has, and only to those.
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ExprTestSupport.h"
#include "engine/expr/ExprElementary.h"
#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace qv::expr {
namespace {

constexpr int kFaults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Each test runs at every vector width this processor can run, the
// routines narrowed to it: the block loops of eight and four rows and the
// scalar loops of the routines without FMA, each against the rows of the
// same routines.
class ElementaryBlockTest : public exprtest::WidthFixture {};

template <TElementary K>
double RowOf(double a) {
  return ElementaryRow<K>(a);
}
using TRow = double (*)(double);
constexpr TRow kRows[] = {
    &RowOf<TElementary::Exp>,     &RowOf<TElementary::Ln>,      &RowOf<TElementary::Log10>,
    &RowOf<TElementary::Sin>,     &RowOf<TElementary::Cos>,     &RowOf<TElementary::Tan>,
    &RowOf<TElementary::ArcSin>,  &RowOf<TElementary::ArcCos>,  &RowOf<TElementary::ArcTan>,
    &RowOf<TElementary::Sinh>,    &RowOf<TElementary::Cosh>,    &RowOf<TElementary::Tanh>,
    &RowOf<TElementary::ArcSinh>, &RowOf<TElementary::ArcCosh>, &RowOf<TElementary::ArcTanh>,
};
static_assert(std::size(kRows) == kElementaryCount);

// Ordinary values, both signs, tiny, subnormal, huge, the zeros, the
// infinities, NaN, the poles and domain edges, and values just inside and
// past the ranges where the vector routines stay quiet or the result
// overflows.
const double kPayloadNaN = std::bit_cast<double>(0xfff8000000000123ull);
const double kAboveOne = 1 + DBL_EPSILON, kBelowOne = 1 - DBL_EPSILON / 2;
const double kSpecial[] = {
    0.7,       -0.7,      1.0,       -1.0,        2.5,    -3.25,   1e-300,  -1e-300,  4.9e-324,
    -2e-310,   DBL_MIN,   0.0,       -0.0,        1e300,  -1e300,  DBL_MAX, -DBL_MAX, INFINITY,
    -INFINITY, NAN,       -NAN,      kPayloadNaN, 708.9,  709.7,   709.8,   710.0,    711.0,
    -712.0,    -745.2,    -900.0,    -999.0,      1000.0, -1000.0, -1500.0, 5e8,      -5e8,
    4e9,       -7e9,      1e10,      1e150,       1e200,  1e280,   2e289,   1e308,    kAboveOne,
    kBelowOne, 1.0000001, 0.9999999, 1e-20,       -1e-20,
};

// The block's lanes: ordinary values of this function's domain that raise
// nothing, with the special value v at position at.
std::vector<double> Fixture(int K, int n, double v, int at) {
  std::vector<double> a(static_cast<size_t>(n));
  const double base = K == static_cast<int>(TElementary::ArcCosh) ? 1.5 : 0.125;
  for (int i = 0; i < n; ++i) a[static_cast<size_t>(i)] = base + 0.0625 * (i % 11);
  if (at >= 0) a[static_cast<size_t>(at)] = v;
  return a;
}

const int kLengths[] = {1, 3, 7, 8, 9, 17, 256};

// Expects the block's bits and flags to be those of the rows one by one.
template <class Rows, class Block>
void ExpectSameAsRows(int n, Rows rows, Block block, const std::string& what) {
  std::vector<double> expected(static_cast<size_t>(n)), got(static_cast<size_t>(n));
  std::feclearexcept(FE_ALL_EXCEPT);
  rows(expected.data());
  const int rowFlags = std::fetestexcept(kFaults);
  std::feclearexcept(FE_ALL_EXCEPT);
  block(got.data());
  const int blockFlags = std::fetestexcept(kFaults);
  std::feclearexcept(FE_ALL_EXCEPT);
  EXPECT_EQ(blockFlags, rowFlags) << what;
  for (int i = 0; i < n; ++i)
    ASSERT_TRUE(SameBits(got[static_cast<size_t>(i)], expected[static_cast<size_t>(i)]))
        << what << " row " << i << ": " << got[static_cast<size_t>(i)] << " vs "
        << expected[static_cast<size_t>(i)];
}

TEST_P(ElementaryBlockTest, EveryFunctionGivesTheBitsAndFlagsOfItsRows) {
  for (int K = 0; K < kElementaryCount; ++K)
    for (int n : kLengths)
      // No special value (the quiet route), then each special value first
      // and last in the block (the last lands in a partial group).
      for (int s = -1; s < static_cast<int>(std::size(kSpecial)); ++s)
        for (int at : {0, n - 1}) {
          if (s < 0 && at > 0) continue;
          const double v = s < 0 ? 0.0 : kSpecial[s];
          const std::vector<double> a = Fixture(K, n, v, s < 0 ? -1 : at);
          ExpectSameAsRows(
              n,
              [&](double* r) {
                for (int i = 0; i < n; ++i) r[i] = kRows[K](a[static_cast<size_t>(i)]);
              },
              [&](double* r) { ElementaryBlock(static_cast<TElementary>(K), r, a.data(), n); },
              std::string("function ") + std::to_string(K) + " n " + std::to_string(n) + " value " +
                  std::to_string(v) + " at " + std::to_string(at));
        }
}

// Pairs of arguments for atan2 and the power: the special values against
// an ordinary value and against each other.
std::vector<std::pair<double, double>> SpecialPairs() {
  std::vector<std::pair<double, double>> p;
  for (double x : kSpecial) {
    p.push_back({x, 0.75});
    p.push_back({0.75, x});
    p.push_back({x, x});
    p.push_back({x, -2.5});
    p.push_back({-2.5, x});
  }
  return p;
}

TEST_P(ElementaryBlockTest, ArcTan2GivesTheBitsAndFlagsOfItsRows) {
  const auto pairs = SpecialPairs();
  for (int n : kLengths)
    for (int s = -1; s < static_cast<int>(pairs.size()); ++s)
      for (int at : {0, n - 1}) {
        if (s < 0 && at > 0) continue;
        std::vector<double> a = Fixture(0, n, 0, -1), b = Fixture(0, n, 0, -1);
        for (double& x : b) x = 1.5 - x;
        if (s >= 0) {
          a[static_cast<size_t>(at)] = pairs[static_cast<size_t>(s)].first;
          b[static_cast<size_t>(at)] = pairs[static_cast<size_t>(s)].second;
        }
        ExpectSameAsRows(
            n,
            [&](double* r) {
              for (int i = 0; i < n; ++i)
                r[i] = ElementaryArcTan2(a[static_cast<size_t>(i)], b[static_cast<size_t>(i)]);
            },
            [&](double* r) { ElementaryArcTan2Block(r, a.data(), b.data(), n); },
            std::string("n ") + std::to_string(n) + " pair " + std::to_string(s) + " at " +
                std::to_string(at));
      }
}

// The rules a power row applies before the elementary power (as the
// language's power does): exponent 0, base 0, a small integral exponent
// and NaN go elsewhere, here to the C library's pow.
double PowerRow(double a, double b) {
  if (b == 0.0 || a == 0.0 || std::isnan(a) || std::isnan(b) ||
      (std::trunc(b) == b && std::fabs(b) <= 2147483647.0))
    return std::pow(a, b);
  return ElementaryPower(a, b);
}

TEST_P(ElementaryBlockTest, PowerGivesTheBitsAndFlagsOfItsRows) {
  auto pairs = SpecialPairs();
  // Inside and past the quiet range of bases and exponents, and integral
  // exponents among the others.
  for (double e : {9.5, 10.0, -10.5, 30.5, 3.0, -2.0})
    for (double x : {1e-20, 1e20, 2e20, 1e-21, 50.0, -50.0}) pairs.push_back({x, e});
  for (bool scalar : {false, true})
    for (int n : kLengths)
      for (int s = -1; s < static_cast<int>(pairs.size()); ++s)
        for (int at : {0, n - 1}) {
          if (s < 0 && at > 0) continue;
          std::vector<double> a = Fixture(0, n, 0, -1), b(static_cast<size_t>(n), 1.375);
          if (!scalar)
            for (int i = 0; i < n; ++i) b[static_cast<size_t>(i)] = 0.5 + 0.25 * (i % 5);
          if (s >= 0) {
            a[static_cast<size_t>(at)] = pairs[static_cast<size_t>(s)].first;
            if (scalar)
              std::fill(b.begin(), b.end(), pairs[static_cast<size_t>(s)].second);
            else
              b[static_cast<size_t>(at)] = pairs[static_cast<size_t>(s)].second;
          }
          ExpectSameAsRows(
              n,
              [&](double* r) {
                for (int i = 0; i < n; ++i)
                  r[i] = PowerRow(a[static_cast<size_t>(i)], b[static_cast<size_t>(i)]);
              },
              [&](double* r) { ElementaryPowerBlock(r, a.data(), b.data(), n, scalar, &PowerRow); },
              std::string(scalar ? "scalar" : "column") + " n " + std::to_string(n) + " pair " +
                  std::to_string(s) + " at " + std::to_string(at));
        }
}

INSTANTIATE_TEST_SUITE_P(Widths, ElementaryBlockTest, ::testing::ValuesIn(ElementaryWidths()),
                         exprtest::WidthName);

// A limit gives the widest width the processor has that is not above it
// (1, without AVX2 and FMA, below 4), never a wider one, with the routines
// of that width for rows, blocks and machine code alike; a limit at or
// above the processor's width gives back its own choice.
TEST(ElementaryWidthTest, NarrowsToTheWidthsTheProcessorHasOnly) {
  const std::vector<int> widths = ElementaryWidths();
  ASSERT_FALSE(widths.empty());
  ASSERT_EQ(widths.back(), 1);
  const int own = widths.front();
  EXPECT_EQ(gElementary.BlockWidth, own);
  constexpr int kExp = static_cast<int>(TElementary::Exp);
  for (int limit : {16, 9, 8, 7, 5, 4, 3, 2, 1, 0, -1, 8}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    int expected = 1;
    for (int w : widths)
      if (w <= limit) {
        expected = w;
        break;
      }
    ASSERT_EQ(LimitElementaryWidth(limit), expected);
    ASSERT_EQ(gElementary.BlockWidth, expected);
    // The scalar routines of the class of that width: with FMA from 4 on.
    EXPECT_EQ(gElementary.Row[kExp] == &Sleef_cinz_expd1_u10purec, expected == 1);
    EXPECT_EQ(gElementary.Power == &Sleef_cinz_powd1_u10purec, expected == 1);
    if (expected == 1) {
      EXPECT_EQ(gElementary.Blocks.Block, nullptr);
      EXPECT_EQ(gElementary.Kernels.Function[kExp], nullptr);
      EXPECT_EQ(gElementary.Kernels.Power, nullptr);
      continue;
    }
    const TElementaryBlocks blocks =
        expected == 8 ? ElementaryBlocksAvx512() : ElementaryBlocksAvx2();
    const TElementaryKernels kernels =
        expected == 8 ? ElementaryKernelsAvx512() : ElementaryKernelsAvx2();
    EXPECT_EQ(gElementary.Blocks.Block, blocks.Block);
    EXPECT_EQ(gElementary.Blocks.ArcTan2, blocks.ArcTan2);
    EXPECT_EQ(gElementary.Blocks.Power, blocks.Power);
    EXPECT_EQ(gElementary.Kernels.Function[kExp], kernels.Function[kExp]);
    EXPECT_EQ(gElementary.Kernels.Power, kernels.Power);
    // Only eight lanes have SLEEF's own routines for the machine code.
    EXPECT_EQ(gElementary.Kernels.Wide[kExp] != nullptr, expected == 8);
  }
  EXPECT_EQ(LimitElementaryWidth(own), own);
}

// Each fault is raised alone, and on x86-64 in the SSE status register.
TEST(ElementaryFaultTest, RaiseFaultFlagsRaisesEachFaultAlone) {
  for (int flag : {FE_INVALID, FE_DIVBYZERO, FE_OVERFLOW, FE_INVALID | FE_OVERFLOW, 0}) {
    std::feclearexcept(FE_ALL_EXCEPT);
    RaiseFaultFlags(flag);
    EXPECT_EQ(std::fetestexcept(kFaults), flag) << flag;
#if defined(__x86_64__)
    // The SSE register's flag bits are those of <fenv.h> on x86-64.
    EXPECT_EQ(static_cast<int>(_mm_getcsr()) & kFaults, flag) << flag;
#endif
  }
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace qv::expr
