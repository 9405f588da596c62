// The expression compiler and evaluator: operators, precedence, signs,
// literals, strings, built-in words, every error text, the compiled-text
// cache, variable binding, assignment and the result text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "ExprTestSupport.h"
#include "engine/ParseExpr.h"
#include "platform/core/Random.h"

namespace qv {
namespace {

using namespace exprtest;
using ExprParserTest = ExprFixture;

TEST_F(ExprParserTest, ValuesOfOperatorsLiteralsAndBuiltins) {
  const ValueCase cases[] = {
      // Signs and precedence.
      {"2*-3", -6, 0},
      {"--3", 3, 0},
      {"-2^2", 4, 0},
      {"2^-1", 0.5, 0},
      {"2--3", 5, 0},
      {"2---3", -1, 0},
      {"-x", 3, 0},
      {"+-+2", -2, 0},
      {"1+2*3", 7, 0},
      {"(1+2)*3", 9, 0},
      {"10-4-3", 3, 0},
      {"8/2/2", 2, 0},
      {"2^3^2", 64, 0},
      {"3 mod 2 * 2", 2, 0},
      {"((((2))))+1", 3, 0},
      {"max(1,-2)", 1, 0},
      {"max(1,(-2))", 1, 0},
      {"min(-1, -2)", -2, 0},
      // Powers.
      {"2^3", 8, 0},
      {"2^3.0", 8, 0},
      {"x^2", 9, 0},
      {"x^3", -27, 0},
      {"2^0.5", std::sqrt(2.0), 1e-15},
      {"2^10", 1024, 0},
      {"a^-2", 0.25, 0},
      {"power(2,10)", 1024, 0},
      {"pow(0,3)", 0, 0},
      {"power(5,0)", 1, 0},
      {"power(x,2)", 9, 0},
      {"intpower(2,-2)", 0.25, 0},
      {"intpower(1, 1e18)", 1, 0},
      {"intpower(-1, 1e15+1)", -1, 0},
      {"0.5^1e18", 0, 0},
      // Literals.
      {"$ff+1", 256, 0},
      {"$FF", 255, 0},
      {"$ffffffffffffffff", -1, 0},
      {"1e3+1", 1001, 0},
      {"1.5e-1*2", 0.3, 1e-16},
      {".5*2", 1, 0},
      {"2.5E+2", 250, 0},
      {"pi", kPi, 0},
      {"PI*2", 2 * kPi, 0},
      // Postfix words.
      {"5!", 120, 0},
      {"0!", 1, 0},
      {"(-3)!", 1, 0},
      {"4.6!", 120, 0},
      {"170!", 7.257415615307994e306, 1e292},
      {"5!-3", 117, 0},
      {"2+3!", 8, 0},
      {"-5!", 1, 0},
      {"50%", 0.5, 0},
      // Integer words.
      {"7 div 2", 3, 0},
      {"-7 div 2", -3, 0},
      {"7 mod -2", 1, 0},
      {"-7 mod 2", -1, 0},
      {"2.6 div 1", 3, 0},
      {"not 0", -1, 0},
      {"not 1", -2, 0},
      {"not not 1", 1, 0},
      {"not not not 0", -1, 0},
      {"1 and 3", 1, 0},
      {"1 or 2", 3, 0},
      {"5 xor 1", 4, 0},
      {"1 and not 0", 1, 0},
      // Comparisons (absolute tolerance 1e-30).
      {"3 > 2", 1, 0},
      {"2 >= 2", 1, 0},
      {"2 <= 1", 0, 0},
      {"1 < 2", 1, 0},
      {"1 <> 1", 0, 0},
      {"1 = 1", 1, 0},
      {"0.1+0.2 = 0.3", 0, 0},
      {"1 = 1 and 2 = 2", 1, 0},
      {"if(1, 2, 3)", 2, 0},
      {"if(0.4, 2, 3)", 3, 0},
      {"if(256, 2, 3)", 3, 0},
      {"if(not 1, 2, 3)", 2, 0},
      {"if(x<0, 1, 2)", 1, 0},
      // Strings: ordinal comparison of the texts.
      {"'abc' = 'abc'", 1, 0},
      {"'b' > 'a'", 1, 0},
      {"'ab' < 'abc'", 1, 0},
      {"'abc' >= 'abd'", 0, 0},
      {"'x' <= 'x'", 1, 0},
      {"'abc'", kNaN, 0},
      // Functions.
      {"logN(2, 8)", 3, 0},
      {"logN(10, 1000)", 3, 0},
      {"arctan2(1, 0)", kPi / 2, 0},
      {"max(2, 2)", 2, 0},
      {"min(2, 2)", 2, 0},
      {"exp(0)", 1, 0},
      {"Sigmoid(0)", 0.5, 0},
      {"sigmoid(-1000)", 0, 0},
      {"sqr(3)", 9, 0},
      {"sqrt(16)", 4, 0},
      {"abs(-2.5)", 2.5, 0},
      {"round(2.5)", 2, 0},
      {"round(3.5)", 4, 0},
      {"trunc(-2.7)", -2, 0},
      {"ln(1)", 0, 0},
      {"log(1000)", 3, 0},
      {"log10(100)", 2, 0},
      {"sin(0)+cos(0)", 1, 0},
      {"tan(0)", 0, 0},
      {"sind(30)", 0.5, 1e-16},
      {"cosd(60)", 0.5, 1e-16},
      {"tand(45)", 1, 1e-15},
      {"atand(45)", std::atan(kPi / 4), 1e-16},
      {"arcsin(1)", kPi / 2, 0},
      {"arccos(1)", 0, 0},
      {"arctan(1)", kPi / 4, 0},
      {"sinh(0)+cosh(0)+tanh(0)", 1, 0},
      {"arcsinh(0)+arccosh(1)+arctanh(0)", 0, 0},
      {"degtorad(180)", kPi, 0},
      {"radtodeg(pi)", 180, 0},
      // Names never defined read as NaN.
      {"foo+1", kNaN, 0},
  };
  CheckValues(*P, cases, std::size(cases));
}

TEST_F(ExprParserTest, ErrorsRaiseTheirMessages) {
  const struct {
    const char* Text;
    const char* Message;
  } cases[] = {
      {"a b", "a two space limited variables/constants"},
      {"2 3", "2 two space limited variables/constants"},
      {"foo(1)", "foo is an unknown function"},
      {"()", "Empty brackets ()"},
      {"sin()", "Empty brackets ()"},
      {"(", "Unequal brackets"},
      {"(a)(b)", "Missing operand between )("},
      {"(a)2", "Missing operand between ) and constant/variable"},
      {"2(3)", "Missing operand between constant/variable and ("},
      {"((a)", "Unequal brackets"},
      {"1)", "Unequal brackets"},
      {")a(", "Missing operand between ) and constant/variable"},
      {"max(1)", "Syntax error: function or operand has too few arguments"},
      {"max(1,)", "Syntax error: function or operand has too few arguments"},
      {"2+", "Syntax error: function or operand has too few arguments"},
      {"1 +* 2", "Syntax error: function or operand has too few arguments"},
      {"sin", "Syntax error: function or operand has too few arguments"},
      {"'abc' <> 'abd'", "<> is not a valid string operand"},
      {"'a' + 'b'", "+ is not a valid string operand"},
      {"max(1,2,3,4,5)", "Too many arguments"},
      {"max(1,2,3)", "Too many arguments"},
      {"sin x", "Can not find operand/function"},
      {",", "Syntax error in expression ,"},
      {"not not", "Syntax error in expression not not"},
      // An operand with no operator to join it is refused, not dropped.
      {"2 sin(x)", "Syntax error in expression 2 sin(x)"},
      {"1+2 sin(x)", "Syntax error in expression 1+2 sin(x)"},
      {"sin(x) cos(x)", "Syntax error in expression sin(x) cos(x)"},
      {"5! 3", "Syntax error in expression 5! 3"},
      // ":=" writes only into a variable.
      {"pi := 3", "Syntax error in expression pi := 3"},
      {"3 := 4", "Syntax error in expression 3 := 4"},
      // Literals that are no numbers.
      {"1e999", "'1e999' is not a valid floating point value"},
      {".", "'.' is not a valid floating point value"},
      {"$12345678901234567", "'$12345678901234567' is not a valid integer value"},
      // Arithmetic faults of constant parts show while compiling, the others
      // while evaluating; both as the same messages.
      {"1/0", "Floating point division by zero"},
      {"x/0", "Floating point division by zero"},
      {"0/0", "Invalid floating point operation"},
      {"7 div 0", "Division by zero"},
      {"x mod (a-2)", "Division by zero"},
      {"ln(x)", "Invalid floating point operation"},
      {"ln(0)", "Floating point division by zero"},
      {"sqrt(x)", "Invalid floating point operation"},
      {"arcsin(2)", "Invalid floating point operation"},
      {"x^0.5", "Invalid floating point operation"},
      {"exp(-x*1000)", "Floating point overflow"},
      {"10^400", "Floating point overflow"},
      {"intpower(2, 1e15)", "Floating point overflow"},
      {"171!", "Floating point overflow"},
      {"1e18!", "Floating point overflow"},
      {"1e300!", "Invalid floating point operation"},
      {"round(1e30)", "Invalid floating point operation"},
      {"trunc(-1e30)", "Invalid floating point operation"},
      {"foo > 1", "Invalid floating point operation"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ErrorOf(c.Text), c.Message);
  }
  // A fault leaves the parser and the flags ready for the next evaluation.
  EXPECT_EQ(Eval("x+1"), -2);
}

TEST_F(ExprParserTest, FaultsOfLargeArgumentsDoNotHangOrRecurse) {
  x = 1e9;
  const int fact = P->CompileText("x!");
  EXPECT_THROW(P->EvaluateCompiled(fact), EParserException);
  x = 1e18;
  const int pow = P->CompileText("a^x");  // variable exponent: real power
  EXPECT_THROW(P->EvaluateCompiled(pow), EParserException);
  const int ipow = P->CompileText("intpower(1.0000001, x)");
  EXPECT_THROW(P->EvaluateCompiled(ipow), EParserException);
  x = 3;
  EXPECT_EQ(P->EvaluateCompiled(fact), 6);
  EXPECT_EQ(P->EvaluateCompiled(pow), 8);
}

TEST_F(ExprParserTest, LongAndDeepTextsStayWithinBounds) {
  // A long flat sum is a deep left-leaning tree: compiled without recursion
  // per term.
  std::string sum = "x";
  for (int i = 1; i < 20000; ++i) sum += "+x";
  EXPECT_EQ(Eval(sum), -3 * 20000.0);
  std::string nested = "a";
  for (int i = 0; i < 200; ++i) nested = "max(" + nested + ", 1)";
  EXPECT_EQ(Eval(nested), 2);
  // Runaway nesting is refused instead of exhausting the stack.
  const std::string deep = std::string(300, '(') + "1" + std::string(300, ')');
  EXPECT_EQ(ErrorOf(deep), "Syntax error in expression " + deep);
}

TEST_F(ExprParserTest, EmptyTextAndBadIndices) {
  EXPECT_EQ(P->CompileText(""), -1);
  const double v = P->EvaluateCompiled(-1);
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  EXPECT_EQ(bits, ~uint64_t{0});
  EXPECT_THROW(P->EvaluateCompiled(5), EParserException);
}

TEST_F(ExprParserTest, CompiledTextsAreCachedIgnoringCase) {
  const int i = P->CompileText("A+B");
  EXPECT_EQ(P->CompileText("a+b"), i);
  EXPECT_EQ(P->CompileText("A+B"), i);
  EXPECT_EQ(P->CompiledText(i), "A+B");
  const int j = P->CompileText("a*b");
  EXPECT_NE(i, j);
  EXPECT_EQ(P->CurrentIndex(), j);
  EXPECT_EQ(P->CompileText("a+b"), i);
  EXPECT_EQ(P->CurrentIndex(), i);
  EXPECT_EQ(P->CompiledCount(), 2);

  // A failed compilation adds nothing.
  EXPECT_THROW(P->CompileText("a b"), EParserException);
  EXPECT_EQ(P->CompiledCount(), 2);

  P->ClearCompiled();
  EXPECT_EQ(P->CompiledCount(), 0);
  EXPECT_EQ(P->CurrentIndex(), -1);
  EXPECT_EQ(P->CompileText("a*b"), 0);
  EXPECT_EQ(P->EvaluateCompiled(0), 6);
}

TEST_F(ExprParserTest, BoundVariablesAreReadAtEveryEvaluation) {
  const int i = P->CompileText("a*exp(-b*x)+1");
  for (double v : {0.0, 1.0, -2.5}) {
    x = v;
    EXPECT_EQ(P->EvaluateCompiled(i), 2 * std::exp(-3 * v) + 1);
  }
  // A name already in the word list keeps its word: binding "pi" or an
  // earlier generated variable changes nothing.
  double other = 7;
  P->BindVariable("PI", &other);
  EXPECT_EQ(Eval("pi"), kPi);
  EXPECT_TRUE(std::isnan(Eval("late+0")));
  P->BindVariable("late", &other);
  EXPECT_TRUE(std::isnan(Eval("late*1")));
  // Names are found in any letter case.
  double upper = 4;
  P->BindVariable("Speed", &upper);
  EXPECT_EQ(Eval("SPEED*speed"), 16);
}

TEST_F(ExprParserTest, ConstantPartsAreFoldedAndVaryingPartsAreNot) {
  EXPECT_EQ(P->StepCount(P->CompileText("2*pi+sqrt(16)")), 1);
  EXPECT_EQ(P->StepCount(P->CompileText("x*(2+3)")), 1);  // one multiplication
  EXPECT_EQ(P->StepCount(P->CompileText("sin(x)+cos(1)")), 2);
  const int r = P->CompileText("random*0+random");
  EXPECT_EQ(P->StepCount(r), 4);

  P->SetFoldConstants(false);
  EXPECT_EQ(P->StepCount(P->CompileText("2*pi+3")), 2);
  EXPECT_EQ(Eval("'a' < 'b'"), 1);  // the comparison step runs at evaluation
}

TEST_F(ExprParserTest, AssignmentWritesIntoVariables) {
  x = 0;
  const int i = P->CompileText("x := 1+2");
  EXPECT_EQ(P->EvaluateCompiled(i), 3);
  EXPECT_EQ(x, 3);
  x = 0;
  EXPECT_EQ(P->EvaluateCompiled(i), 3);  // never folded away
  EXPECT_EQ(x, 3);
  // A generated variable keeps the value for later expressions.
  EXPECT_EQ(Eval("(y := 2) + y"), 4);
  EXPECT_EQ(Eval("y*10"), 20);
  // pi := 3 is refused and pi stays.
  EXPECT_THROW(P->CompileText("pi := 3"), EParserException);
  EXPECT_EQ(Eval("pi+0"), kPi);
  // Nothing is stored by an evaluation that faults.
  x = 5;
  EXPECT_THROW(Eval("x := 1/(a-2)"), EParserException);
  EXPECT_EQ(x, 5);
}

TEST_F(ExprParserTest, ResultAsTextGivesTrueFalseOrTenDigits) {
  const struct {
    const char* Text;
    const char* Result;
  } cases[] = {
      {"1 > 0", "True"},      {"1 < 0", "False"},      {"2 = 2", "True"},
      {"'a' = 'b'", "False"}, {"1/3", "0.3333333333"}, {"not 1", "-2"},
      {"not 0", "-1"},        {"if(1>0, 1, 0)", "1"},  {"x", "-3"},
      {"a*1.5", "3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(P->ResultAsText(P->CompileText(c.Text)), c.Result);
  }
  EXPECT_TRUE(P->IsBooleanResult(P->CompileText("x > 0")));
  EXPECT_FALSE(P->IsBooleanResult(P->CompileText("x + 0")));
  EXPECT_EQ(P->ResultAsText(P->CompileText("undefined")), Format("%.10g", kNaN));
}

TEST_F(ExprParserTest, RandomWordsDrawFromTheEngineGenerator) {
  TRandomGenerator g(12345);
  TRandomGenerator ref(12345);
  P->SetRandomGenerator(&g);
  const int i = P->CompileText("random");
  for (int k = 0; k < 3; ++k) EXPECT_EQ(P->EvaluateCompiled(i), ref.Random());
  const int n = P->CompileText("randg(10, 0)");
  EXPECT_EQ(P->EvaluateCompiled(n), 10);
  P->SetRandomGenerator(nullptr);
  const double v = P->EvaluateCompiled(i);
  EXPECT_GE(v, 0);
  EXPECT_LT(v, 1);
}

// The model language has one number form: a process-wide decimal comma
// (a user's locale) changes neither the decimal point nor the argument
// separator of expressions.
TEST(ExprParserLocale, ADecimalCommaElsewhereLeavesPointAndCommaInExpressions) {
  FormatSettings() = TFormatSettings::Invariant();
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  FormatSettings().ListSeparator = ';';
  TExpressionParser p;
  EXPECT_EQ(p.ArgumentSeparator(), ',');
  EXPECT_EQ(p.DecimalSeparator(), '.');
  EXPECT_EQ(p.EvaluateCompiled(p.CompileText("max(1.5, 2)")), 2);
  EXPECT_EQ(p.EvaluateCompiled(p.CompileText("1.5*2")), 3);
  EXPECT_EQ(p.EvaluateCompiled(p.CompileText("2^2.0")), 4);  // real power
  EXPECT_THROW(p.CompileText("max(1,5; 2)"), EParserException);
  FormatSettings() = TFormatSettings::Invariant();
}

}  // namespace
}  // namespace qv
