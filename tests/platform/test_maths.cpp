// Statistics, powers, rounding and the run-time library's random generator.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/core/MathUtils.h"
#include "platform/core/Random.h"

using namespace qv;

namespace {

TEST(MathsTest, StatisticsUseTheSampleForms) {
  const std::vector<double> d{2, 4, 4, 4, 5, 5, 7, 9};
  EXPECT_DOUBLE_EQ(Sum(d), 40);
  EXPECT_DOUBLE_EQ(Mean(d), 5);
  EXPECT_DOUBLE_EQ(SumOfSquares(d), 232);
  EXPECT_DOUBLE_EQ(Norm(d), std::sqrt(232.0));
  EXPECT_DOUBLE_EQ(PopnVariance(d), 4);
  EXPECT_DOUBLE_EQ(Variance(d), 32.0 / 7);
  EXPECT_DOUBLE_EQ(StdDev(d), std::sqrt(32.0 / 7));
  EXPECT_DOUBLE_EQ(MinValue(d), 2);
  EXPECT_DOUBLE_EQ(MaxValue(d), 9);
  double m, s;
  MeanAndStdDev(d, m, s);
  EXPECT_DOUBLE_EQ(s, std::sqrt(32.0 / 7));
  // A large common offset does not wipe out the variance.
  const std::vector<double> shifted{1e9 + 1, 1e9 + 2, 1e9 + 3};
  EXPECT_DOUBLE_EQ(Variance(shifted), 1);
  // Degenerate inputs.
  const std::vector<double> one{3}, none;
  EXPECT_EQ(Variance(one), 0);
  EXPECT_EQ(StdDev(none), 0);
  EXPECT_EQ(Sum(none), 0);
  EXPECT_THROW(Mean(none), EInvalidArgument);
  EXPECT_THROW(MinValue(none), EInvalidArgument);
  EXPECT_THROW(MaxValue(none), EInvalidArgument);
}

TEST(MathsTest, Powers) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double base, exponent, expected;
  } cases[] = {
      {0, 0, 1},   {nan, 0, 1}, {0, 2.5, 0},        {2, 10, 1024}, {2, -2, 0.25},
      {-2, 3, -8}, {9, 0.5, 3}, {-8, 1.0 / 3, nan}, {0, -1, inf},  {10, 1, 10},
  };
  for (const auto& c : cases) {
    const double r = Power(c.base, c.exponent);
    if (std::isnan(c.expected))
      EXPECT_TRUE(std::isnan(r)) << c.base << "^" << c.exponent;
    else
      EXPECT_DOUBLE_EQ(r, c.expected) << c.base << "^" << c.exponent;
  }
  EXPECT_EQ(IntPower(3, 0), 1);
  EXPECT_EQ(IntPower(3, 5), 243);
  EXPECT_EQ(IntPower(-1.5, 3), -3.375);
  EXPECT_EQ(IntPower(2, -3), 0.125);
  EXPECT_EQ(IntPower(2, std::numeric_limits<int>::min()), 0.0);  // no overflow of -exponent
  EXPECT_DOUBLE_EQ(LogN(2, 8), 3);
  EXPECT_DOUBLE_EQ(LogN(10, 0.001), -3);
  EXPECT_DOUBLE_EQ(ArcTan2(1, -1), 3 * M_PI / 4);
  EXPECT_DOUBLE_EQ(ArcSinh(Sinh(0.7)), 0.7);
}

TEST(MathsTest, RoundingFollowsTheRunTimeLibrary) {
  struct Case {
    double x;
    int64_t round, trunc;
  } cases[] = {{2.5, 2, 2},    {3.5, 4, 3},     {-2.5, -2, -2},
               {-2.6, -3, -2}, {0.49999, 0, 0}, {1e15 + 0.5, 1000000000000000, 1000000000000000}};
  for (const auto& c : cases) {
    EXPECT_EQ(Round(c.x), c.round) << c.x;
    EXPECT_EQ(Trunc(c.x), c.trunc) << c.x;
  }
  EXPECT_THROW(Round(std::nan("")), EInvalidOp);
  EXPECT_THROW(Trunc(1e30), EInvalidOp);
  EXPECT_DOUBLE_EQ(Frac(-2.25), -0.25);
  EXPECT_DOUBLE_EQ(RoundTo(1234.5678, -2), 1234.57);
  EXPECT_DOUBLE_EQ(RoundTo(1250, 2), 1200);  // ties to even
  EXPECT_DOUBLE_EQ(SimpleRoundTo(-1.005e2, 0), -101);
  EXPECT_TRUE(SameValue(0.1 + 0.2, 0.3));
  EXPECT_FALSE(SameValue(1, 1.001));
}

TEST(RandomTest, LinearCongruentialSequence) {
  // Reference values of seed := seed * 134775813 + 1 (mod 2^32), worked out
  // with plain 64-bit arithmetic.
  auto step = [](uint64_t s) { return (s * 134775813ull + 1ull) % 4294967296ull; };
  TRandomGenerator g(0);
  const uint32_t fromZero[] = {1u, 134775814u, 3698175007u, 870078620u};
  for (uint32_t expected : fromZero) EXPECT_EQ(g.Next(), expected);

  // Draws step first and read the new seed.
  TRandomGenerator r(12345);
  EXPECT_EQ(r.Random(100), 38);  // (1655067934 * 100) >> 32
  EXPECT_DOUBLE_EQ(r.Random(), 1242767767.0 / 4294967296.0);
  EXPECT_EQ(r.Seed(), 1242767767u);
  EXPECT_EQ(r.Random(100), 7);  // (342459380 * 100) >> 32

  uint64_t s = 987654321;
  TRandomGenerator t(987654321);
  for (int i = 0; i < 1000; ++i) {
    s = step(s);
    const int n = 1 + i % 97;
    EXPECT_EQ(t.Random(n), static_cast<int32_t>((s * static_cast<uint64_t>(n)) >> 32));
  }
  for (int i = 0; i < 1000; ++i) {
    const double v = t.Random();
    s = step(s);
    EXPECT_EQ(v, static_cast<double>(s) / 4294967296.0);
    EXPECT_GE(v, 0.0);
    EXPECT_LT(v, 1.0);
  }
  EXPECT_EQ(t.Random(0), 0);
  EXPECT_EQ(t.Random(-5), 0);
  for (int i = 0; i < 100; ++i) {
    const int v = t.RandomRange(10, 5);
    EXPECT_GE(v, 5);
    EXPECT_LT(v, 10);
  }
}

TEST(RandomTest, SameSeedSameNormalDeviates) {
  TRandomGenerator a(42), b(42);
  double sum = 0;
  for (int i = 0; i < 2000; ++i) {
    const double x = a.RandG(10, 2);
    EXPECT_EQ(x, b.RandG(10, 2));
    sum += x;
  }
  EXPECT_NEAR(sum / 2000, 10, 0.3);
  TRandomGenerator c;
  c.Randomize();
  const uint32_t first = c.Seed();
  c.Next();
  EXPECT_NE(c.Seed(), first);
}

}  // namespace
