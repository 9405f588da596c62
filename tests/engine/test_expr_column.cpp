// Column evaluation: one pass of each step over many rows must give, bit
// for bit, what one evaluation per row gives, and stop at the first row
// that raises, at every vector width this processor can run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "ExprTestSupport.h"
#include "engine/EvaluationThreads.h"
#include "engine/ParseExpr.h"
#include "platform/core/Random.h"

namespace qv {
namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class ExprColumnTest : public exprtest::WidthFixture {
 protected:
  void SetUp() override {
    WidthFixture::SetUp();
    FormatSettings() = TFormatSettings::Invariant();
    for (const char* n : {"x", "y"}) P.BindVariable(n, &Vars[n[0] - 'x']);
    const char* names[] = {"a", "b", "c", "b1", "b2", "b3", "b4", "b5", "b6", "b7"};
    for (int i = 0; i < 10; ++i) {
      Params[i] = 0.3 + 0.17 * i;
      P.BindVariable(names[i], &Params[i]);
    }
    const int rows = 1000;  // several blocks and a partial one
    for (int r = 0; r < rows; ++r) {
      X.push_back(-5.0 + 10.0 * r / (rows - 1) + 1e-3);
      Y.push_back(std::sin(r * 0.37) * 3);
    }
  }

  std::vector<double> PerRow(int index) {
    std::vector<double> out;
    for (size_t r = 0; r < X.size(); ++r) {
      Vars[0] = X[r];
      Vars[1] = Y[r];
      out.push_back(P.EvaluateCompiled(index));
    }
    return out;
  }

  int Column(int index, std::vector<double>& out) {
    const TColumnBinding b[] = {{&Vars[0], X.data()}, {&Vars[1], Y.data()}};
    out.assign(X.size(), 0.0);
    return P.EvaluateCompiledColumn(index, static_cast<int>(X.size()), b, 2, out.data());
  }

  TExpressionParser P;
  double Vars[2] = {0, 0};
  double Params[10];
  std::vector<double> X, Y;
};

TEST_P(ExprColumnTest, GivesTheValuesOfOneEvaluationPerRow) {
  const char* texts[] = {
      "a*exp(-b*x)+c",
      "b1*(1-exp(-b2*x))",
      "(b1+b2*x+b3*x^2+b4*x^3)/(1+b5*x+b6*x^2+b7*x^3)",
      "sin(x)*cos(y)+x^2/(1+y^2)",
      "if(x > 0, a*x, b*y) + (x <= y) - (x = y)",
      "max(x, y) - min(x, -y) + abs(x) + sqr(y) + abs(x)^2.5 + 2^x",
      "round(x*10) div 3 + trunc(y*7) mod 4 + (not round(x)) + (round(x) and 3)",
      "Sigmoid(x) + logN(3, x*x+1) + arctan2(y, x) + sind(x*40) + 5!",
      "ln(abs(x)+1) + log10(abs(x)+2) + tan(x/3) + arcsin(x/6) + arccos(y/4) + arctan(x)",
      "sinh(x) + cosh(y) + tanh(x) + arcsinh(x) + arccosh(abs(x)+1) + arctanh(y/4)",
      "abs(x)^y + (abs(y)+1)^-1.5 + pow(abs(x), a) + abs(x)^(y/3) + exp(y*100)",
      "x",
      "2*pi",
  };
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    const int i = P.CompileText(t);
    const std::vector<double> expected = PerRow(i);
    std::vector<double> got;
    ASSERT_EQ(Column(i, got), static_cast<int>(X.size()));
    for (size_t r = 0; r < X.size(); ++r)
      ASSERT_TRUE(SameBits(got[r], expected[r]))
          << "row " << r << ": " << got[r] << " vs " << expected[r];
    // The bound variables end holding the last row, as after the row loop.
    EXPECT_EQ(Vars[0], X.back());
    EXPECT_EQ(Vars[1], Y.back());
  }
}

TEST_P(ExprColumnTest, StopsAtTheFirstRowThatRaises) {
  X[600] = 0;
  X[900] = 0;
  const int i = P.CompileText("a/x + y");
  std::vector<double> got;
  EXPECT_EQ(Column(i, got), 600);
  Vars[0] = 1;
  const std::vector<double> ok = [&] {
    std::vector<double> v;
    for (int r = 0; r < 600; ++r) v.push_back(Params[0] / X[r] + Y[r]);
    return v;
  }();
  for (int r = 0; r < 600; ++r) ASSERT_TRUE(SameBits(got[r], ok[r])) << r;
  // The variables hold the failing row: evaluating it repeats the fault.
  EXPECT_THROW(
      {
        Vars[0] = X[600];
        Vars[1] = Y[600];
        P.EvaluateCompiled(i);
      },
      EParserException);
  Column(i, got);
  EXPECT_EQ(Vars[0], 0);
  try {
    P.EvaluateCompiled(i);
    ADD_FAILURE();
  } catch (const EParserException& e) {
    EXPECT_EQ(e.Message(), "Floating point division by zero");
  }

  // Integer division faults too, and in the first block.
  X[3] = 0.2;
  EXPECT_EQ(Column(P.CompileText("7 div x"), got), 3);
}

// The elementary functions raise where the C library raises: one row of
// otherwise harmless values holds the argument that faults, and the column
// stops there with the message the row gives alone. Underflow is no fault.
TEST_P(ExprColumnTest, ElementaryFunctionsFaultWhereTheCLibraryFaults) {
  struct TCase {
    const char* Text;
    double Value;         // x of row 700
    const char* Message;  // "": no row raises
  };
  const TCase cases[] = {
      {"ln(x)", 0, "Floating point division by zero"},
      {"ln(x)", -1, "Invalid floating point operation"},
      {"log10(x)", 0, "Floating point division by zero"},
      {"exp(x)", 1000, "Floating point overflow"},
      {"exp(x)", -1000, ""},
      {"exp(x)", 1e300 * 1e300, ""},
      {"cosh(x)", 1000, "Floating point overflow"},
      {"sinh(x)", -1000, "Floating point overflow"},
      {"arcsin(1/x)", 0.5, "Invalid floating point operation"},
      {"arccosh(x)", 0.5, "Invalid floating point operation"},
      {"arctanh(1/x)", 1, "Floating point division by zero"},
      {"sin(x)", 1e300 * 1e300, "Invalid floating point operation"},
      {"x^0.5", -4, "Invalid floating point operation"},
      {"(x-1)^-0.5", 1, "Floating point division by zero"},
      {"x^1.5", 1e300, "Floating point overflow"},
      {"x^b7", 1e300, "Floating point overflow"},  // b7 = 1.32: a spread exponent
  };
  for (double& x : X) x = 2.0 + std::fabs(x);
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Text) + " at " + std::to_string(c.Value));
    const double keep = X[700];
    X[700] = c.Value;
    const int i = P.CompileText(c.Text);
    std::vector<double> got;
    const int rows = static_cast<int>(X.size());
    const int stop = Column(i, got);
    std::string message;
    try {
      Vars[0] = X[700];
      P.EvaluateCompiled(i);
    } catch (const EParserException& e) {
      message = e.Message();
    }
    EXPECT_EQ(message, c.Message);
    EXPECT_EQ(stop, *c.Message ? 700 : rows);
    for (int r = 0; r < stop; ++r) {
      Vars[0] = X[static_cast<size_t>(r)];
      ASSERT_TRUE(SameBits(got[static_cast<size_t>(r)], P.EvaluateCompiled(i))) << "row " << r;
    }
    X[700] = keep;
  }
}

TEST_P(ExprColumnTest, WordsWithSideEffectsRunRowByRowInOrder) {
  TRandomGenerator g1(99), g2(99);
  P.SetRandomGenerator(&g1);
  const int i = P.CompileText("x*random + random");
  const std::vector<double> expected = PerRow(i);
  P.SetRandomGenerator(&g2);
  std::vector<double> got;
  EXPECT_EQ(Column(i, got), static_cast<int>(X.size()));
  for (size_t r = 0; r < X.size(); ++r) ASSERT_TRUE(SameBits(got[r], expected[r])) << r;
  P.SetRandomGenerator(nullptr);

  // An assignment in the chain: each row sees what the row before stored.
  P.EvaluateCompiled(P.CompileText("t := 0"));
  const int acc = P.CompileText("t := t + x");
  std::vector<double> sums;
  ASSERT_EQ(Column(acc, sums), static_cast<int>(X.size()));
  double t = 0;
  for (size_t r = 0; r < X.size(); ++r) {
    t += X[r];
    ASSERT_EQ(sums[r], t) << r;
  }
}

TEST_P(ExprColumnTest, ParametersNotGivenAsColumnsAreReadOncePerCall) {
  const int i = P.CompileText("a*x");
  std::vector<double> got;
  Params[0] = 2;
  Column(i, got);
  EXPECT_EQ(got[10], 2 * X[10]);
  Params[0] = -1;
  Column(i, got);
  EXPECT_EQ(got[10], -X[10]);
  std::vector<double> none;
  EXPECT_EQ(P.EvaluateCompiledColumn(i, 0, nullptr, 0, none.data()), 0);
}

// Parts of an expression that read only the columns (x^2, ln(x)) are kept
// between calls and parts that read only parameters are computed once per
// call; every call must still give the bits of one evaluation per row when
// the columns change in place, the row count changes, the parameters change
// or the columns bound change, and must stop at the first row that raises
// wherever the raising part sits.
TEST_P(ExprColumnTest, RepeatedCallsFollowEveryChangeOfColumnsAndParameters) {
  const int i = P.CompileText("(b1+b2*x+b3*x^2)/(1+b5*ln(x+6)+exp(-b2)*y^3) + sqrt(b4)*x");
  auto check = [&](const char* what) {
    SCOPED_TRACE(what);
    const std::vector<double> expected = PerRow(i);
    std::vector<double> got;
    ASSERT_EQ(Column(i, got), static_cast<int>(X.size()));
    for (size_t r = 0; r < X.size(); ++r) ASSERT_TRUE(SameBits(got[r], expected[r])) << "row " << r;
  };
  check("first call");
  check("same data again");
  Params[4] = -0.7;  // b2
  Params[6] = 2.5;   // b4
  check("new parameters");
  X[5] += 0.25;
  Y[700] = -Y[700];
  check("columns changed in place");
  X.resize(300);
  Y.resize(300);
  check("fewer rows");

  // Only x given as a column: y is read from its variable like a parameter.
  Vars[1] = 0.5;
  std::vector<double> got(X.size());
  const TColumnBinding onlyX[] = {{&Vars[0], X.data()}};
  ASSERT_EQ(P.EvaluateCompiledColumn(i, static_cast<int>(X.size()), onlyX, 1, got.data()),
            static_cast<int>(X.size()));
  for (size_t r = 0; r < X.size(); ++r) {
    Vars[0] = X[r];
    ASSERT_TRUE(SameBits(got[r], P.EvaluateCompiled(i))) << "row " << r;
  }
  check("both columns again");

  // A fault in a kept part (ln of a negative number at row 270), in a part
  // computed once per call (sqrt of a negative parameter: every row), and
  // in a varying part before the kept one (division by zero at row 40).
  X[270] = -7;
  std::vector<double> out;
  EXPECT_EQ(Column(i, out), 270);
  EXPECT_EQ(Vars[0], -7);
  EXPECT_EQ(Column(i, out), 270);  // kept values remember the raising row
  Params[6] = -1;
  EXPECT_EQ(Column(i, out), 0);
  Params[6] = 1;
  const int j = P.CompileText("ln(x+6) + b1/(x - 0.5)");
  X[40] = 0.5;
  EXPECT_EQ(Column(j, out), 40);
  X[40] = 0.75;
  EXPECT_EQ(Column(j, out), 270);
  X[270] = 1;
  EXPECT_EQ(Column(j, out), static_cast<int>(X.size()));
}

// The fault flags are not cleared before a call: a flag that something
// else left set (in the SSE unit or the x87 unit) must not count as a fault
// of a row, whether the chain is plain double arithmetic, extended
// precision (a negative integer power) or elementary functions, and
// whether a fault sits in a part computed once per call or not.
TEST_P(ExprColumnTest, FlagsLeftSetBeforeACallAreNoFault) {
  const char* texts[] = {"a/x + y", "(x+6)^-2 + y", "exp(b1*x) - y", "b1*x + sqrt(b2)*y",
                         "ln(x+6)*b3 + y"};
  for (const char* text : texts) {
    const int i = P.CompileText(text);
    const std::vector<double> expected = PerRow(i);
    for (int flag : {FE_OVERFLOW, FE_INVALID, FE_DIVBYZERO}) {
      SCOPED_TRACE(std::string(text) + " flag " + std::to_string(flag));
      std::feraiseexcept(flag);  // the x87 unit for overflow, else the SSE unit
      std::vector<double> got;
      ASSERT_EQ(Column(i, got), static_cast<int>(X.size()));
      for (size_t r = 0; r < X.size(); ++r) ASSERT_TRUE(SameBits(got[r], expected[r])) << r;
      ASSERT_EQ(Column(i, got), static_cast<int>(X.size()));  // and once more, clean
    }
  }
  // A fault of the part computed once per call is a fault of row 0, in
  // one block or in chunks on several threads, flags set before or not.
  Params[4] = -1;  // b2: sqrt(b2) raises
  const int j = P.CompileText("b1*x + sqrt(b2)*y");
  std::vector<double> got;
  EXPECT_EQ(Column(j, got), 0);
  const TColumnBinding b[] = {{&Vars[0], X.data()}, {&Vars[1], Y.data()}};
  for (int threads : {1, 4}) {
    SetEvaluationThreads(threads);
    double squares = -1;
    got.assign(X.size(), 0.0);
    EXPECT_EQ(P.EvaluateCompiledColumnSquares(j, static_cast<int>(X.size()), b, 2, got.data(), 128,
                                              Y.data(), squares),
              0)
        << threads;
    EXPECT_EQ(squares, -1);
  }
  SetEvaluationThreads(0);
}

// Summed without keeping the values, the chunks give the sum they give
// when the values are kept, whatever the number of threads, and the bound
// variables end on the last row. A row that raises, a fault of the part
// computed once per call and words that run row by row end the call below
// the row count without running a row, and leave the sum alone.
TEST_P(ExprColumnTest, SquaresWithoutKeptValuesAreTheSquaresOfTheKeptOnes) {
  const TColumnBinding b[] = {{&Vars[0], X.data()}, {&Vars[1], Y.data()}};
  const int rows = static_cast<int>(X.size());
  auto squares = [&](int index, double* results, double& sum) {
    return P.EvaluateCompiledColumnSquares(index, rows, b, 2, results, 128, Y.data(), sum);
  };
  for (const char* text : {"b1*(1-exp(-b2*x))", "a*x + b*x^2 - c", "sin(x)*y"}) {
    const int i = P.CompileText(text);
    for (int threads : {1, 4}) {
      SCOPED_TRACE(std::string(text) + " threads " + std::to_string(threads));
      SetEvaluationThreads(threads);
      std::vector<double> kept(X.size());
      double withValues = -1, without = -1;
      ASSERT_EQ(squares(i, kept.data(), withValues), rows);
      Vars[0] = Vars[1] = 0;
      ASSERT_EQ(squares(i, nullptr, without), rows);
      EXPECT_TRUE(SameBits(without, withValues));
      EXPECT_EQ(Vars[0], X.back());
      EXPECT_EQ(Vars[1], Y.back());
    }
  }
  SetEvaluationThreads(4);
  X[700] = 0;
  const int pole = P.CompileText("a/x + y");
  const int once = P.CompileText("b1*x + sqrt(b2 - 10)*y");
  TRandomGenerator g(3);
  P.SetRandomGenerator(&g);
  const int drawn = P.CompileText("x*random");
  for (int i : {pole, once, drawn}) {
    SCOPED_TRACE(i);
    double sum = -1;
    const uint32_t before = g.Seed();
    EXPECT_LT(squares(i, nullptr, sum), rows);
    EXPECT_EQ(sum, -1);
    EXPECT_EQ(g.Seed(), before);  // no row ran
  }
  P.SetRandomGenerator(nullptr);
  SetEvaluationThreads(0);
}

// x^-1 and x^-2 are the reciprocal and the reciprocal square in extended
// precision, rounded to double. The column finds them in double precision
// where that gives the same bits, so the rows whose quotient lies next to a
// midpoint between two doubles, where the two roundings differ from one,
// must come out as the row does.
TEST_P(ExprColumnTest, ReciprocalPowersKeepTheBitsOfTheExtendedQuotient) {
  TRandomGenerator g(5);
  X.clear();
  int twice[2] = {0, 0};  // rows where the two roundings differ from one
  for (int r = 0; r < 20000; ++r) {
    const double a = (1 + g.Random()) * std::ldexp(1.0, static_cast<int>(g.Random() * 80) - 40);
    X.push_back(r % 2 ? a : -a);
    const long double b = a;
    if (static_cast<double>(1.0L / b) != 1.0 / a) ++twice[0];
    if (static_cast<double>(1.0L / (b * b)) != 1.0 / (a * a)) ++twice[1];
  }
  ASSERT_GT(twice[0], 0) << "no row where the two roundings of 1/a differ";
  ASSERT_GT(twice[1], 0) << "no row where the two roundings of 1/a^2 differ";
  Y.assign(X.size(), 0.0);
  for (const char* text : {"x^-1", "(x+0)^(-1)", "1/x^-1", "x^-2", "(x*1)^(-2)"}) {
    SCOPED_TRACE(text);
    const int i = P.CompileText(text);
    std::vector<double> got;
    ASSERT_EQ(Column(i, got), static_cast<int>(X.size()));
    for (size_t r = 0; r < X.size(); ++r) {
      Vars[0] = X[r];
      ASSERT_TRUE(SameBits(got[r], P.EvaluateCompiled(i))) << X[r];
    }
  }
  // Arguments the double arithmetic does not take (powers of two among
  // them, whose square may round into the binade below): the column stops
  // where the row raises, with the row's bits before.
  const double inf = std::numeric_limits<double>::infinity();
  for (const char* text : {"x^-1", "x^-2"}) {
    const int i = P.CompileText(text);
    for (double v :
         {0.0, -0.0, 1e-310, -1e-320, 1e300, 1e-170, 1e170, 0x1p-1000, 0x1p1000, 0x1p-300, 0.5,
          1.0 + 0x1p-52, 1.0 - 0x1p-53, inf, -inf, std::numeric_limits<double>::quiet_NaN()}) {
      SCOPED_TRACE(std::string(text) + " of " + std::to_string(v));
      X.assign(9, 3.0);
      X[5] = v;
      Y.assign(X.size(), 0.0);
      bool raises = false;
      Vars[0] = v;
      try {
        P.EvaluateCompiled(i);
      } catch (const EParserException&) {
        raises = true;
      }
      std::vector<double> got;
      const int stop = Column(i, got);
      EXPECT_EQ(stop, raises ? 5 : 9);
      for (int r = 0; r < stop; ++r) {
        Vars[0] = X[static_cast<size_t>(r)];
        ASSERT_TRUE(SameBits(got[static_cast<size_t>(r)], P.EvaluateCompiled(i))) << r;
      }
    }
  }
}

// Kept values (the parts that read only bound columns) are compared with
// their columns on every call, unless the caller gives the same data
// generation for the same columns: a new generation or a column elsewhere
// is compared again.
TEST_P(ExprColumnTest, KeptValuesFollowTheDataGeneration) {
  const int i = P.CompileText("ln(x+6)*b1 + y");
  const TColumnBinding b[] = {{&Vars[0], X.data()}, {&Vars[1], Y.data()}};
  const int rows = static_cast<int>(X.size());
  std::vector<double> got(X.size());
  auto same = [&](const char* what) {
    SCOPED_TRACE(what);
    const std::vector<double> expected = PerRow(i);
    for (size_t r = 0; r < X.size(); ++r) ASSERT_TRUE(SameBits(got[r], expected[r])) << r;
  };
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, b, 2, got.data(), 7), rows);
  same("first call of generation 7");
  X[10] += 1;
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, b, 2, got.data(), 8), rows);
  same("generation 8 after a change in place");
  std::vector<double> other = X;
  other[20] += 2;
  const TColumnBinding moved[] = {{&Vars[0], other.data()}, {&Vars[1], Y.data()}};
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, moved, 2, got.data(), 8), rows);
  X.swap(other);
  same("generation 8, another column");
  X.swap(other);
  // Within a generation the set-up of the last call is kept only for the
  // same bindings and rows: the same array rebound in place, fewer rows, and
  // a return to a generation after another call all take their own columns.
  TColumnBinding rebound[] = {b[0], b[1]};
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, rebound, 2, got.data(), 9), rows);
  same("generation 9");
  rebound[0].Values = other.data();
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, rebound, 2, got.data(), 9), rows);
  X.swap(other);
  same("generation 9, rebound in place");
  X.swap(other);
  std::fill(got.begin(), got.end(), 0.0);
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows - 5, b, 2, got.data(), 9), rows - 5);
  {
    const std::vector<double> expected = PerRow(i);
    for (int r = 0; r < rows - 5; ++r)
      ASSERT_TRUE(SameBits(got[static_cast<size_t>(r)], expected[static_cast<size_t>(r)])) << r;
    EXPECT_EQ(got[static_cast<size_t>(rows - 5)], 0.0);
  }
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, b, 2, got.data(), 9), rows);
  same("generation 9, all rows again");
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, moved, 2, got.data(), 10), rows);
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, b, 2, got.data(), 9), rows);
  same("generation 9 after generation 10");
  X[30] += 3;
  ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, b, 2, got.data(), 0), rows);
  same("no generation");
}

// Trees of plain arithmetic run as compound loops (sums of products in one
// pass, nested operands in accumulators). Every shape must still give the
// bits of one evaluation per row, NaN payloads included, for any row count
// (partial passes), and stop at the first row that raises even when the
// fault sits deep inside such a tree.
TEST_P(ExprColumnTest, CompoundArithmeticKeepsTheBitsOfOneEvaluationPerRow) {
  // Quiet NaNs with their own payloads (one per row: which of two NaNs
  // survives an operation is the compiler's choice of operand order, in
  // either path) and infinities, which raise where they meet.
  auto nan = [](uint64_t payload) {
    const uint64_t bits = 0x7FF8000000000000ull | payload;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  };
  X[3] = nan(2);
  Y[10] = nan(3);
  X[17] = -nan(4);
  Y[40] = HUGE_VAL;
  Y[41] = -HUGE_VAL;
  const char* texts[] = {
      "b1 + b2*x - b3*y + b4*x - b5*y + b6*x - b7*y", "x + b1*y + b2*x", "b1*x - b2*y - b3*x",
      "exp(x/4) - b1*x + b2*y - b3*x + b4*y + b5*x", "x*b1 + y*b2 + b*x + b*y",
      "(b1 - b2*x)/(b3 + b4*y) * (c - b5*x) - (a*x - y)/(x*x + 1)",
      "-(x - (y - (x - (y - (x - (y - (x - (y - (x - (y - x*y))))))))))*a",
      "((((((((((x + y)*(x - y) + (x*y - a))*(y + x)) - (x/(a + y)))*y) + x)*y) - y)*x)/(y*y + 2))",
      "-x^2 + (y - b3)^3 - sqr(x*b1) + +y", "if(x > y, a*x, b*y) + c",
      "if(x*0.7, x - y, y/x) * if(y < 0, if(x > 1, a, b*x), -y) + if(b1, x, y)",
      "if(y*0.7, a*x, b*y) - if(x < y, y, b2*x)", "b/x - a*y",
      // Terms written column first, and sums led by a column or by a kept
      // (invariant) column.
      "y - b1*x", "x*x + y*b2 - x*b3", "b1*(x*x + x*b2) / (x*x + x*b3 + b4)",
      "if(x < y, x*a, y*b) - y*b1",
      // A pair and an operation with one value after it, either side.
      "b1/(x + b2)", "(x - b3)/b2*a", "a - (y - b)", "(y/b2 - c)*(b1 - x/a)",
      "a*x + b1*y - b2*y",            // inf - inf at row 40, inside one sum loop
      "x - (b1*y + b2*y) / (x - x)",  // division by zero in every row
  };
  // Both operands nested at every level: deeper than the accumulators of
  // a compound loop go, so that tree runs step by step.
  std::string deep = "x";
  for (int level = 0; level < 12; ++level) deep = "((x*y - a) * (" + deep + " + b1*y))";
  std::vector<std::string> all(std::begin(texts), std::end(texts));
  all.push_back(deep);
  for (const std::string& t : all) {
    SCOPED_TRACE(t);
    const int i = P.CompileText(t);
    for (const int rows : {1, 2, 3, 5, 7, 9, 17, 37, 300}) {
      SCOPED_TRACE(rows);
      std::vector<double> expected;
      int fault = rows;
      for (int r = 0; r < rows; ++r) {
        Vars[0] = X[static_cast<size_t>(r)];
        Vars[1] = Y[static_cast<size_t>(r)];
        try {
          expected.push_back(P.EvaluateCompiled(i));
        } catch (const EParserException&) {
          fault = r;
          break;
        }
      }
      const TColumnBinding b[] = {{&Vars[0], X.data()}, {&Vars[1], Y.data()}};
      std::vector<double> got(static_cast<size_t>(rows), 0.0);
      ASSERT_EQ(P.EvaluateCompiledColumn(i, rows, b, 2, got.data()), fault);
      for (int r = 0; r < fault; ++r)
        ASSERT_TRUE(SameBits(got[static_cast<size_t>(r)], expected[static_cast<size_t>(r)]))
            << "row " << r << ": " << got[static_cast<size_t>(r)] << " vs "
            << expected[static_cast<size_t>(r)];
    }
  }
}

// Expressions of more terms than a 16-bit operand index can count: every
// operand keeps its own slot, so the column and the row give the same bits
// and the right value.
TEST_P(ExprColumnTest, LongExpressionsKeepEveryOperand) {
  for (int terms : {70000}) {  // past both 32,768 and 65,536
    std::string text = "a*x";
    for (int k = 1; k < terms; ++k) text += "+" + std::to_string(k % 97) + "*x";
    const int index = P.CompileText(text);
    std::vector<double> col;
    ASSERT_EQ(Column(index, col), static_cast<int>(X.size())) << terms;
    const std::vector<double> row = PerRow(index);
    double coefficient = Params[0];
    for (int k = 1; k < terms; ++k) coefficient += k % 97;
    for (size_t r = 0; r < X.size(); r += 37) {
      EXPECT_TRUE(SameBits(col[r], row[r])) << terms << " row " << r;
      EXPECT_NEAR(row[r], coefficient * X[r], 1e-9 * std::fabs(coefficient * X[r]) + 1e-9)
          << terms << " row " << r;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, ExprColumnTest, ::testing::ValuesIn(expr::ElementaryWidths()),
                         exprtest::WidthName);

}  // namespace
}  // namespace qv
