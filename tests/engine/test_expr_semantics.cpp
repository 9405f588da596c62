// The expression language where a reader most easily goes wrong: how
// prefix, postfix and logical words bind, the integer rounding of the
// logical and integer words, the absolute comparison tolerance, literals,
// letter case of strings, the order of the syntax checks, the result text,
// the decimal-comma locale, faults of parts that are not selected, and the
// column form on rows that fault.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "ExprTestSupport.h"
#include "engine/ParseExpr.h"

namespace qv {
namespace {

using namespace exprtest;
using ExprSemanticsTest = ExprFixture;

// Values worked out by hand from the precedence table (a smaller number
// binds tighter; equal numbers associate to the left) and the definitions
// of the words.
TEST_F(ExprSemanticsTest, BindingOfPrefixPostfixAndLogicalWords) {
  const ValueCase cases[] = {
      // Postfix words (10) bind tighter than "^" (20), and a prefix sign
      // shares their level: the sign is applied first.
      {"2^3!", 64, 0},  // 2^(3!)
      {"3!^2", 36, 0},  // (3!)^2
      {"-3!", 1, 0},    // (-3)! = 1
      {"-x^2", 9, 0},   // (-x)^2 with x = -3
      {"2*-x", 6, 0},
      {"a - -b", 5, 0},
      {"-(a+b)", -5, 0},
      {"50%%", 0.005, 1e-18},  // (50%)%
      {"200%*3", 6, 0},
      {"2+3*4^2", 50, 0},
      {"2^2*3", 12, 0},
      // Comparisons (50) below arithmetic, chained from the left.
      {"1+2 = 3", 1, 0},
      {"3 > 2 > 1", 0, 0},  // (3>2) > 1
      {"1 = 1 = 1", 1, 0},
      // "not" (60) takes everything up to a logical word (70): it is looser
      // than a comparison, tighter than and/or/xor.
      {"not 1 = 1", -2, 0},   // not (1=1)
      {"not 0 and 2", 2, 0},  // (not 0) and 2 = -1 and 2
      // and, or, xor share one level: left to right, no "and before or".
      {"1 or 2 and 4", 0, 0},  // (1 or 2) and 4 = 3 and 4
      {"1 and 2 or 4", 4, 0},
      // ":=" (200) takes the whole right side.
      {"(c := 2 > 1) + c", 2, 0},
      // Integer words of one level with "*" and "/".
      {"7 mod 4 * 2", 6, 0},
      {"2 * 7 mod 4", 2, 0},
      {"7 div 2 * 2", 6, 0},
      {"-7.5 mod 2", 0, 0},  // round(-7.5) = -8
      // A sign after an argument separator opens the argument.
      {"if(x<0,-1,1)", -1, 0},
      {"min(-a, -b)", -3, 0},
  };
  CheckValues(*P, cases, std::size(cases));
}

TEST_F(ExprSemanticsTest, RoundingToEvenToleranceAndDefinitionsOfWords) {
  const ValueCase cases[] = {
      // round() is to the nearest integer, ties to even, before the integer
      // and logical words act.
      {"4.5!", 24, 0},
      {"3.5!", 24, 0},
      {"2.5!", 2, 0},
      {"1.4!", 1, 0},
      {"7.5 div 2", 4, 0},
      {"6.5 div 2", 3, 0},
      {"9 mod 2.5", 1, 0},  // divisor round(2.5) = 2
      {"not 2.5", -3, 0},
      {"not 3.5", -5, 0},
      {"5 and 3", 1, 0},
      {"5 or 3", 7, 0},
      {"5 xor 3", 6, 0},
      {"-1 and 255", 255, 0},
      {"if(-1, 2, 3)", 2, 0},   // low byte of -1 is 255
      {"if(0.5, 2, 3)", 3, 0},  // round(0.5) = 0
      {"if(1.5, 2, 3)", 2, 0},
      {"if(513, 2, 3)", 2, 0},
      {"if(512, 2, 3)", 3, 0},
      {"round(-2.5)", -2, 0},
      {"round(-3.5)", -4, 0},
      {"round(0.5)", 0, 0},
      {"trunc(2.9)", 2, 0},
      {"intpower(2, 2.5)", 4, 0},
      {"intpower(2, 3.5)", 16, 0},
      {"$8000000000000000 div -1", 9223372036854775808.0, 0},
      {"$8000000000000000 mod -1", 0, 0},
      // The comparison tolerance is 1e-30 and absolute.
      {"1e-31 = 0", 1, 0},
      {"1e-30 = 0", 1, 0},
      {"2e-30 = 0", 0, 0},
      {"1e-31 <> 0", 0, 0},
      {"1e-31 > 0", 1, 0},  // ">" and "<" have no tolerance
      {"1e-31 <= 0", 1, 0},
      {"0 >= 1e-31", 1, 0},
      {"0 > 1e-31", 0, 0},
      {"-1e-31 < 0", 1, 0},
      {"1 >= 1+1e-15", 0, 0},
      // Powers: real power of a negative base with an integral exponent,
      // the special cases of 0, and the integer power of a sign.
      {"(-2)^3.0", -8, 0},
      {"(-2)^-2", 0.25, 0},
      {"power(-2, -3)", -0.125, 0},
      {"0^0", 1, 0},
      {"0^0.0", 1, 0},
      {"0^2.5", 0, 0},
      {"power(foo, 0)", 1, 0},
      // Functions whose argument order or meaning is easy to misread.
      {"logN(10, 0.001)", -3, 1e-15},
      {"arctan2(0, -1)", kPi, 0},
      {"arctan2(-1, 0)", -kPi / 2, 0},
      {"arctan2(1, 1)", kPi / 4, 0},
      {"sqr(-3)", 9, 0},
      {"sigmoid(2)", 1 / (1 + std::exp(-2.0)), 2e-16},
      {"atand(1)", std::atan(kPi / 180), 1e-17},
      {"ABS(-2)+LOGN(2, 8)", 5, 0},
      // Underflow is no fault: the value goes to 0.
      {"exp(-1000)", 0, 0},
      {"1e-300*1e-300", 0, 0},
  };
  CheckValues(*P, cases, std::size(cases));
}

TEST_F(ExprSemanticsTest, LiteralsNamesAndStrings) {
  const ValueCase cases[] = {
      {"$abc", 2748, 0},
      {"$1F", 31, 0},
      {"$10*2", 32, 0},
      {"$0", 0, 0},
      {"2^$3", 8, 0},       // a hexadecimal literal is an integer literal
      {"$xyz+1", kNaN, 0},  // "$" without a digit starts a name
      {"5.*2", 10, 0},
      {"1e+3", 1000, 0},
      {"2E-3*1000", 2, 0},
      {"1.e3", 1000, 0},
      {"1\t+\n2\r", 3, 0},  // tabs and line breaks are blanks
      // An exponent written with a negative power of ten is no integer: the
      // real power applies.
      {"2^1e-1", std::pow(2.0, 0.1), 1e-15},
      {"2^15e-1", std::sqrt(8.0), 1e-15},
      {"2^1e1", 1024, 0},
      // The text is lower-cased before it is read, strings included.
      {"'B' > 'a'", 1, 0},
      {"'ABC' = 'abc'", 1, 0},
      {"'a' = 'a' and 'b' < 'c'", 1, 0},
      {"'b' < 'a' or 'a' <= 'a'", 1, 0},
      {"('a' = 'a') + 1", 2, 0},
      {"'a' + 1", kNaN, 0},  // a string read as a number is NaN
      {"'", kNaN, 0},
      {"'a' = 'a' and 'b' < 'c' and 'd' >= 'e'", 0, 0},
      {"'a' = 'a' and 'b' < 'c' and 'e' >= 'd'", 1, 0},
  };
  CheckValues(*P, cases, std::size(cases));
}

TEST_F(ExprSemanticsTest, SyntaxErrorsInTheOrderTheyAreChecked) {
  const struct {
    const char* Text;
    const char* Message;
  } cases[] = {
      // Two-character words that are not operators become names.
      {"1 == 1", "1 two space limited variables/constants"},
      {"5!=3", "5 two space limited variables/constants"},
      {"1x", "1 two space limited variables/constants"},
      {"$fg", "15 two space limited variables/constants"},
      {"'a' 'b'", "'a' two space limited variables/constants"},
      {"Foo(1)", "foo is an unknown function"},
      {"pi(2)", "Missing operand between constant/variable and ("},
      {"x(1)", "Missing operand between constant/variable and ("},
      // Only the totals of brackets are compared first; a ")" before its
      // "(" is then found by the checks of neighbours.
      {")(", "Missing operand between )("},
      {") + (", "Empty brackets ()"},
      {"1)+(2", "Unequal brackets"},
      {"(1,2)", "Syntax error in expression (1,2)"},
      {"   ", "Syntax error in expression    "},
      {"random(1)", "Syntax error in expression random(1)"},
      {"max(,1)", "Syntax error: function or operand has too few arguments"},
      {"if(1,2)", "Syntax error: function or operand has too few arguments"},
      // A sign is only taken after "(", a separator or a two-operand
      // operator, and "not" (60) ends the right operand of "+" (40).
      {"not -1", "Syntax error: function or operand has too few arguments"},
      {"1 + not 0", "Syntax error: function or operand has too few arguments"},
      {"'a' and 'b'", "and is not a valid string operand"},
      {"1;2", "1 two space limited variables/constants"},  // ";" is a name here
      // Faults of the integer words and of parts whose value is not used.
      {"1e19 div 2", "Invalid floating point operation"},
      {"not 1e19", "Invalid floating point operation"},
      {"0^-1", "Floating point division by zero"},
      {"intpower(0, -1)", "Floating point division by zero"},
      {"(-8)^(1/3)", "Invalid floating point operation"},
      {"power(0, -0.5)", "Floating point division by zero"},
      {"arccosh(0.5)", "Invalid floating point operation"},
      {"1e308*10", "Floating point overflow"},
      {"if(x<0, 1, ln(x))", "Invalid floating point operation"},  // both branches run
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ErrorOf(c.Text), c.Message);
  }
}

TEST_F(ExprSemanticsTest, ResultTextOfLogicalWordsAndPlainValues) {
  const struct {
    const char* Text;
    const char* Result;
  } cases[] = {
      {"5 and 1", "True"},     {"4 and 1", "False"}, {"2 and 3", "2"},
      {"x > 0", "False"},      {"(x < 0) + 0", "1"}, {"'a' < 'b'", "True"},
      {"2/3", "0.6666666667"}, {"-0.5", "-0.5"},     {"1234567890", "1234567890"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(P->ResultAsText(P->CompileText(c.Text)), c.Result);
  }
  // The boolean text follows the value at each evaluation.
  const int i = P->CompileText("x >= a");
  x = 2;
  EXPECT_EQ(P->ResultAsText(i), "True");
  x = 1.9;
  EXPECT_EQ(P->ResultAsText(i), "False");
}

TEST_F(ExprSemanticsTest, StaleIndicesAndTheSameTextAfterClearing) {
  const int i = P->CompileText("x*2");
  const int j = P->CompileText("x*3");
  P->ClearCompiled();
  EXPECT_THROW(P->EvaluateCompiled(j), EParserException);
  EXPECT_THROW(P->ResultAsText(i), EParserException);
  EXPECT_EQ(P->CompileText("X*3"), 0);
  EXPECT_EQ(P->EvaluateCompiled(0), -9);
}

// Whatever the process-wide format says (a user's locale with a decimal
// comma), expressions read and print numbers with "." and separate
// arguments with ",".
TEST(ExprSemanticsLocale, ADecimalCommaElsewhereStillReadsAndPrintsPoints) {
  FormatSettings() = TFormatSettings::Invariant();
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  FormatSettings().ListSeparator = ';';
  TExpressionParser p;
  auto errorOf = [&](const char* text) -> std::string {
    try {
      p.EvaluateCompiled(p.CompileText(text));
    } catch (const EParserException& e) {
      return e.Message();
    }
    return "";
  };
  EXPECT_EQ(p.EvaluateCompiled(p.CompileText(".5+1")), 1.5);
  EXPECT_EQ(p.EvaluateCompiled(p.CompileText("if(1,2.5,3)")), 2.5);
  EXPECT_EQ(p.EvaluateCompiled(p.CompileText("max(1,5)")), 5);
  EXPECT_EQ(errorOf("if(1;2,5;3)"), "1 two space limited variables/constants");
  EXPECT_EQ(errorOf("2,5"), "Syntax error in expression 2,5");
  EXPECT_EQ(p.ResultAsText(p.CompileText("1/4")), "0.25");
  EXPECT_EQ(p.ResultAsText(p.CompileText("-1e20/3")), "-3.333333333E019");
  FormatSettings() = TFormatSettings::Invariant();
}

// The column form on rows where single evaluations fault or meet signed
// zeros: it must stop at the same row and give the same bits before it.
TEST(ExprSemanticsColumn, SameBitsAndSameFaultRowAsSingleEvaluations) {
  FormatSettings() = TFormatSettings::Invariant();
  TExpressionParser p;
  double x = 0;
  p.BindVariable("x", &x);
  std::vector<double> xs;
  for (int r = 0; r < 700; ++r) xs.push_back(r % 2 ? 0.0 : -0.0);
  xs[650] = kNaN;
  const char* texts[] = {"x > 0", "max(x, -x)", "min(-x, x)", "if(x, 1, 2)", "x = 0", "x*1 >= -x"};
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    const int i = p.CompileText(t);
    std::vector<double> single;
    int faultRow = static_cast<int>(xs.size());
    for (size_t r = 0; r < xs.size(); ++r) {
      x = xs[r];
      try {
        single.push_back(p.EvaluateCompiled(i));
      } catch (const EParserException&) {
        faultRow = static_cast<int>(r);
        break;
      }
    }
    std::vector<double> column(xs.size(), 0.0);
    const TColumnBinding bind[] = {{&x, xs.data()}};
    EXPECT_EQ(faultRow, 650);  // a NaN compared or rounded is a fault
    ASSERT_EQ(p.EvaluateCompiledColumn(i, static_cast<int>(xs.size()), bind, 1, column.data()),
              faultRow);
    for (int r = 0; r < faultRow; ++r)
      ASSERT_EQ(std::memcmp(&column[static_cast<size_t>(r)], &single[static_cast<size_t>(r)],
                            sizeof(double)),
                0)
          << "row " << r;
  }
}

}  // namespace
}  // namespace qv
