// Base-N genes, random member values and bound repair.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "SearchTestHost.h"
#include "engine/CommonUnit.h"
#include "engine/GeneEncoding.h"
#include "engine/RandomValues.h"
#include "platform/core/Random.h"

using namespace qv;

namespace {

TEST(GeneDigits, ConvertBetweenBases) {
  struct Case {
    double Value;
    int Base;
    const char* Digits;
  };
  for (const Case& c : {Case{0, 2, "0"}, Case{5, 2, "101"}, Case{10, 2, "1010"},
                        Case{511, 8, "777"}, Case{7.9, 3, "21"}, Case{1234, 10, "1234"}}) {
    EXPECT_EQ(IntToBaseDigits(c.Value, c.Base), c.Digits) << c.Value;
    EXPECT_EQ(BaseDigitsToDecimal(c.Digits, c.Base),
              std::to_string(static_cast<long long>(c.Value)));
  }
}

TEST(GeneEncoding, EncodesSignIntegerAndFraction) {
  TGeneLayout whole{2, 3, 0, 0, true};
  EXPECT_EQ(EncodeGene(whole, 5), "1101");
  EXPECT_EQ(EncodeGene(whole, -5), "0101");
  EXPECT_EQ(DecodeGene(whole, "1101"), 5);
  EXPECT_EQ(DecodeGene(whole, "0101"), -5);
  EXPECT_EQ(EncodeGene(whole, 1), "1001");  // padded to W digits

  const TGeneLayout dec = MakeGeneLayout(-20, 20, 10, 4);
  EXPECT_EQ(dec.IntDigits, 2);
  EXPECT_EQ(dec.FracDigits, 4);
  EXPECT_EQ(EncodeGene(dec, 3.1416), "103.1416");
  EXPECT_EQ(EncodeGene(dec, -0.0416), "000.0416");
  EXPECT_DOUBLE_EQ(DecodeGene(dec, "000.0416"), -0.0416);

  const TGeneLayout bin = MakeGeneLayout(0, 10, 2, 4);
  EXPECT_EQ(bin.IntDigits, 4);
  EXPECT_EQ(bin.FracDigits, 14);  // 9999 needs 14 binary digits
  EXPECT_FALSE(bin.SignFree);
  for (double v : {0.0, 2.5, 9.9999, 7.0625})
    EXPECT_DOUBLE_EQ(DecodeGene(bin, EncodeGene(bin, v)), v) << v;
}

// Ranges and decimal counts beyond what a 64-bit gene holds saturate
// instead of overflowing: the integer digits stop at 2^63 - 1, the fraction
// at 17 decimals, and a value still encodes and decodes inside its range.
TEST(GeneEncoding, HugeRangesAndDecimalCountsSaturate) {
  const std::string maxDigits = IntToBaseDigits(9223372036854775807.0, 10);
  EXPECT_EQ(maxDigits, "9223372036854775807");
  for (double v : {1e20, -1e20, 1e308, HUGE_VAL, -HUGE_VAL, 9223372036854775808.0})
    EXPECT_EQ(IntToBaseDigits(v, 10), maxDigits) << v;
  EXPECT_EQ(IntToBaseDigits(std::nan(""), 2), "0");
  EXPECT_EQ(IntToBaseDigits(HUGE_VAL, 2), std::string(63, '1'));

  const TGeneLayout wide = MakeGeneLayout(-1e20, 1e20, 10, 400);
  EXPECT_EQ(wide.IntDigits, 19);
  EXPECT_EQ(wide.DecimalCount, kMaxGeneDecimals);
  EXPECT_EQ(wide.FracDigits, 18);  // 10^17 - 1 rounds to 10^17 in a double
  for (double v : {0.0, 1.5, -123456.25, 5e18}) {
    const std::string gene = EncodeGene(wide, v);
    EXPECT_EQ(gene.size(), 1u + 19 + 1 + 18) << gene;
    EXPECT_DOUBLE_EQ(DecodeGene(wide, gene), v) << gene;
  }
  // Every digit at its largest: the integer part saturates, the sign holds.
  const double top = DecodeGene(wide, "1" + std::string(19, '9') + "." + std::string(18, '9'));
  EXPECT_GT(top, 9.2e18);
  EXPECT_LT(top, 9.3e18);
  EXPECT_EQ(BaseDigitsToDecimal(std::string(30, '9'), 10), "9223372036854775807");
  const TGeneLayout bin = MakeGeneLayout(0, 1e300, 2, 4);
  EXPECT_EQ(bin.IntDigits, 63);
  EXPECT_GE(DecodeGene(bin, EncodeGene(bin, 1e300)), 0);  // saturated, not wrapped
}

// Whole-number genes are exact up to 2^53, the largest bound a gene
// dimension may have: every whole number there encodes and decodes to itself.
TEST(GeneEncoding, WholeNumbersUpTo2To53AreExact) {
  constexpr double kTop = 9007199254740992.0;  // 2^53
  for (int base : {2, 7, 10}) {
    const TGeneLayout l = MakeGeneLayout(-kTop, kTop, base, 0);
    for (double v : {kTop, kTop - 1, -kTop, -(kTop - 1), 4503599627370497.0, 123456789012345.0}) {
      const std::string gene = EncodeGene(l, v);
      EXPECT_EQ(DecodeGene(l, gene), v) << base << " " << gene;
    }
  }
}

TEST(GeneEncoding, MutationChangesOneAllowedPosition) {
  TRandomGenerator g(17);
  const TGeneLayout fixedSign = MakeGeneLayout(0, 99, 10, 2);  // sign may not change
  const TGeneLayout freeSign = MakeGeneLayout(-99, 99, 2, 1);
  for (const TGeneLayout& l : {fixedSign, freeSign}) {
    const std::string gene = EncodeGene(l, 12.5);
    bool signChanged = false;
    for (int i = 0; i < 2000; ++i) {
      const std::string m = MutateGene(l, gene, g);
      ASSERT_EQ(m.size(), gene.size());
      int diffs = 0;
      for (size_t k = 0; k < m.size(); ++k) diffs += m[k] != gene[k];
      EXPECT_EQ(diffs, 1);
      EXPECT_EQ(m[l.IntDigits + 1], '.');
      signChanged = signChanged || m[0] != gene[0];
    }
    EXPECT_EQ(signChanged, l.SignFree);
  }
}

// A state with one parameter per call to Add, all dimensions drawn at random.
struct TValueState {
  TEngineState S;
  TValueState() { SeedEngineRandom(S, 99); }
  int Add(bool lower, double lo, bool upper, double up, bool init = false, double iv = 0,
          bool integer = false) {
    S.Model.ParameterNames.push_back("p" + std::to_string(S.Model.ParameterCount));
    S.Model.HasLower.push_back(lower), S.Model.LowerBound.push_back(lo);
    S.Model.HasUpper.push_back(upper), S.Model.UpperBound.push_back(up);
    S.Model.HasBound.push_back(lower || upper);
    S.Model.HasInitial.push_back(init), S.Model.InitialValue.push_back(iv);
    S.Model.HasRange.push_back(false), S.Model.RangeLow.push_back(0),
        S.Model.RangeHigh.push_back(0);
    S.Model.IsInteger.push_back(integer), S.Model.ParameterDigits.push_back(integer ? 0 : -1);
    S.Model.ParameterValues.push_back(0);
    S.Model.DimCount = S.Pop.RandomDimCount = ++S.Model.ParameterCount;
    return S.Model.ParameterCount - 1;
  }
  void Members(int n) {
    S.Pop.PopSize = n, S.Pop.Population.assign(n, Double1Array(S.Model.DimCount, 0));
  }
};

TEST(RandomValues, DrawsByTheDefinition) {
  {
    TValueState v;  // initial value 3, no bounds, curve fitting
    v.S.Model.ModelMode = TModelMode::Function;
    v.Add(false, 0, false, 0, true, 3);
    EXPECT_EQ(RandomValue(v.S.Model, v.S.Pop, v.S.Run, 0, 0), 3);
    for (int i = 0; i < 500; ++i) {
      const double x = RandomValue(v.S.Model, v.S.Pop, v.S.Run, 1 + i % 7, 0);
      EXPECT_GE(x, 1.5);
      EXPECT_LT(x, 4.5);
    }
  }
  struct Case {
    bool Lower;
    double Lo;
    bool Upper;
    double Up;
    double Min, Max;
  };
  for (const Case& c : {Case{true, 0, false, 0, 0, 5}, Case{true, 2, true, 2, 2, 2},
                        Case{false, 0, true, 0, -5, 0}, Case{false, 0, true, -4, -8, -4},
                        Case{true, 3, false, 0, 3, 6}, Case{true, -1, true, 1, -1, 1}}) {
    TValueState v;
    v.Add(c.Lower, c.Lo, c.Upper, c.Up);
    for (int i = 0; i < 300; ++i) {
      const double x = RandomValue(v.S.Model, v.S.Pop, v.S.Run, i % 5, 0);
      EXPECT_GE(x, c.Min);
      EXPECT_LE(x, c.Max);
    }
  }
  {
    TValueState v;  // no bound, no initial value: r + 0.5 when fitting, 1 - 2r otherwise
    v.Add(false, 0, false, 0);
    v.S.Model.ModelMode = TModelMode::Function;
    for (int i = 0; i < 100; ++i) EXPECT_GE(RandomValue(v.S.Model, v.S.Pop, v.S.Run, 1, 0), 0.5);
    v.S.Model.ModelMode = TModelMode::Equation;
    bool negative = false;
    for (int i = 0; i < 100; ++i)
      negative = negative || RandomValue(v.S.Model, v.S.Pop, v.S.Run, 1, 0) < 0;
    EXPECT_TRUE(negative);
  }
}

TEST(RandomValues, ExclusiveIntegersStayPairwiseDifferent) {
  TValueState v;
  for (int k = 0; k < 3; ++k) v.Add(true, 0, true, 10, false, 0, true);
  v.S.Model.Exclusive = true;
  v.Members(200);
  for (int m = 0; m < 200; ++m) {
    RandomizeMember(v.S, m);
    const auto& row = v.S.Pop.Population[m];
    EXPECT_EQ(std::set<double>(row.begin(), row.end()).size(), 3u);
    for (double x : row) EXPECT_EQ(x, std::nearbyint(x));
  }
  EXPECT_TRUE(ExclusiveFeasible(v.S.Model, v.S.Pop));
  EXPECT_FALSE(v.S.Run.ExclusiveExhausted);

  TValueState tight;  // three integer dimensions, two possible values
  for (int k = 0; k < 3; ++k) tight.Add(true, 0, true, 1, false, 0, true);
  tight.S.Model.Exclusive = true;
  EXPECT_FALSE(ExclusiveFeasible(tight.S.Model, tight.S.Pop));
  tight.Members(1);
  RandomizeMember(tight.S, 0);  // gives up instead of drawing for ever
  EXPECT_TRUE(tight.S.Run.ExclusiveExhausted);
}

// Whole-number ranges that reach beyond 2^53, where v + 1 == v: the count
// of their values ends (it looped for ever) and counts doubles, not steps
// of 1 (2^53 .. 2^53 + 4 holds three doubles, 1e17 .. 1e17 + 16 two).
TEST(RandomValues, ExclusiveCountOfHugeWholeRangesEnds) {
  constexpr double kTop = 9007199254740992.0;  // 2^53
  struct Case {
    double Lo, Up;
    int Dims;
    bool Feasible;
  };
  for (const Case& c :
       {Case{-1e20, 5, 2, true}, Case{1e16, 1e17, 2, true}, Case{1, 1e20, 3, true},
        Case{-1e308, 1e308, 4, true}, Case{kTop, kTop + 4, 3, true}, Case{kTop, kTop + 4, 4, false},
        Case{1e17, 1e17 + 16, 2, true}, Case{1e17, 1e17 + 16, 3, false}}) {
    SCOPED_TRACE(std::to_string(c.Lo) + " " + std::to_string(c.Up) + " " + std::to_string(c.Dims));
    TValueState v;
    for (int k = 0; k < c.Dims; ++k) v.Add(true, c.Lo, true, c.Up, false, 0, true);
    v.S.Model.Exclusive = true;
    EXPECT_EQ(ExclusiveFeasible(v.S.Model, v.S.Pop), c.Feasible);
  }
}

// Bounds near the largest double: b - a overflows, yet every member, drawn
// or moved by any algorithm and repaired, stays a finite value inside its
// declared range (they came back as INF).
TEST(RandomValues, RangesNearTheLargestDoubleGiveFiniteValuesInside) {
  const char* wide = R"(variables x, y;
parameters a [-1e308, 1e308], b [-1e308, 1e308];
function y = a*x + b;
data;
1 3
2 5
3 7
)";
  for (const char* algorithm : {"0", "1", "2", "3"}) {
    test::TSearchRun run({{"RadioGroup2", algorithm}, {"RB2", "True"}, {"ComboBox1", "60"}});
    ASSERT_TRUE(run.Run(wide)) << algorithm;
    for (const auto& member : run.State.Pop.Population)
      for (double v : member) {
        EXPECT_TRUE(std::isfinite(v)) << algorithm;
        EXPECT_LE(std::fabs(v), 1e308) << algorithm;
      }
    for (double v : run.State.Pop.BestPosition) EXPECT_TRUE(std::isfinite(v)) << algorithm;
  }
}

TEST(RepairValue, ReplacesOnlyOutOfBoundValues) {
  TValueState v;
  const int upper = v.Add(false, 0, true, 10);
  const int both = v.Add(true, -1, true, 1);
  const int whole = v.Add(true, 0, true, 10, false, 0, true);
  const int free = v.Add(false, 0, false, 0);
  for (int i = 0; i < 300; ++i) {
    const double x = RepairValue(v.S.Model, v.S.Pop, v.S.Run, 1, upper, 12);
    EXPECT_GT(x, 0);
    EXPECT_LE(x, 10);
    const double y = RepairValue(v.S.Model, v.S.Pop, v.S.Run, 1, both, -3);
    EXPECT_GE(y, -1);
    EXPECT_LE(y, 1);
  }
  EXPECT_EQ(RepairValue(v.S.Model, v.S.Pop, v.S.Run, 1, upper, 9.5), 9.5);
  EXPECT_EQ(RepairValue(v.S.Model, v.S.Pop, v.S.Run, 1, whole, 2.5),
            2);  // integers round half to even
  EXPECT_EQ(RepairValue(v.S.Model, v.S.Pop, v.S.Run, 1, whole, 3.5), 4);
  EXPECT_EQ(RepairValue(v.S.Model, v.S.Pop, v.S.Run, 1, free, -1e300), -1e300);
  EXPECT_TRUE(std::isfinite(RepairValue(v.S.Model, v.S.Pop, v.S.Run, 1, free,
                                        std::nan(""))));  // not a number: drawn again
}

}  // namespace
