// Machine code of a chain for small data sets (4 to 256 rows): a column
// evaluation with it must give what it gives without it and what one
// evaluation per row gives: the same first faulting row (or the row count),
// the same bits in every row before it, the bound variables left on the
// last (or the faulting) row, and the same message for the faulting row.
// The function must be made where the chain and the row count allow it,
// and the rows must stay right where it is not or where it gives up. The
// quick call (the short way of the fitness) runs it only for the rows,
// bindings and data generation of the column call that made it, and
// otherwise, or where a row may raise, gives up leaving everything but the
// results as it was. Every function made can be written out for a
// disassembler.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cfenv>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "ExprTestSupport.h"
#include "engine/ParseExpr.h"
#include "engine/expr/ExprElementaryBlocks.h"
#include "engine/expr/ExprMachineCode.h"
#include "platform/core/Random.h"

namespace qv {
namespace {

using expr::kMachineCodeRoutineRows;
using expr::MachineCodeMade;
using expr::SetMachineCodeDump;
using expr::SetMachineCodeEnabled;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A value and its bits, for failure messages.
std::string Shown(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof v);
  char text[64];
  std::snprintf(text, sizeof text, "%.17g (0x%016" PRIx64 ")", v, bits);
  return text;
}

// A quiet NaN with a payload of its own.
double NaN(uint64_t payload, bool negative = false) {
  const uint64_t bits = 0x7FF8000000000000ull | payload | (negative ? 1ull << 63 : 0);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// Row counts around the edges of the passes of eight rows and of the range
// that gets machine code.
constexpr int kRowCounts[] = {4, 5, 6, 7, 8, 9, 11, 14, 16, 17, 37, 100, 255, 256};
constexpr int kColumnRows = 260;  // more than the largest data set with machine code
constexpr int kGuard = 8;         // results watched on either side of the rows
constexpr double kUnwritten = -123456.75;

class ExprMachineCodeTest : public exprtest::WidthFixture {
 protected:
  // What one evaluation of the rows gave.
  struct TOutcome {
    int Stop = 0;                // first faulting row, or the row count
    std::vector<double> Values;  // rows before Stop
    std::vector<double> Vars;    // x, y, z, w afterwards
    std::string Message;         // of the row at Stop evaluated alone; "" when none
    bool Overran = false;        // something written outside the rows
  };

  void SetUp() override {
    WidthFixture::SetUp();
    FormatSettings() = TFormatSettings::Invariant();
    SetMachineCodeEnabled(true);
    const char* columns[] = {"x", "y", "z", "w"};
    const char* names[] = {"a", "b", "c", "b1", "b2", "b3", "b4", "b5", "b6", "b7"};
    for (int k = 0; k < 10; ++k) Params[k] = 0.3 + 0.17 * k;
    for (TExpressionParser* p : {&P, &Ref}) {
      for (int k = 0; k < 4; ++k) p->BindVariable(columns[k], &Vars[k]);
      for (int k = 0; k < 10; ++k) p->BindVariable(names[k], &Params[k]);
    }
    for (int r = 0; r < kColumnRows; ++r) {
      X.push_back(0.25 + 0.0371 * r + 0.01 * std::sin(r * 1.3));
      Y.push_back(3 * std::sin(0.37 * r + 0.2));
      Z.push_back(1.5 + std::cos(0.11 * r));
      W.push_back(0.5 - 0.003 * r);
    }
  }
  void TearDown() override {
    SetMachineCodeEnabled(true);
    std::feclearexcept(FE_ALL_EXCEPT);
    WidthFixture::TearDown();
  }

  // x, y, z and w bound to their columns, the first n of them.
  std::vector<TColumnBinding> Bound(int n) {
    std::vector<TColumnBinding> b = {
        {&Vars[0], X.data()}, {&Vars[1], Y.data()}, {&Vars[2], Z.data()}, {&Vars[3], W.data()}};
    b.resize(static_cast<size_t>(n));
    return b;
  }

  static std::string MessageOfCurrentRow(TExpressionParser& p, int index) {
    try {
      p.EvaluateCompiled(index);
    } catch (const EParserException& e) {
      return e.Message();
    }
    return "(no fault)";
  }

  // The rows as a column of parser p, with machine code or without, in a
  // data generation of its own unless one is given (machine code is made
  // and run only for calls with a data generation, as a search makes them).
  static constexpr uint64_t kNewGeneration = ~uint64_t{0};
  TOutcome Column(TExpressionParser& p, int index, int rows, const std::vector<TColumnBinding>& b,
                  bool machineCode, uint64_t generation = kNewGeneration) {
    if (generation == kNewGeneration) generation = ++generations_;
    SetMachineCodeEnabled(machineCode);
    std::vector<double> buffer(static_cast<size_t>(rows + 2 * kGuard), kUnwritten);
    double* results = buffer.data() + kGuard;
    TOutcome o;
    o.Stop = p.EvaluateCompiledColumn(index, rows, b.data(), static_cast<int>(b.size()), results,
                                      generation);
    SetMachineCodeEnabled(true);
    for (int k = 0; k < kGuard; ++k)
      if (!SameBits(results[-1 - k], kUnwritten) || !SameBits(results[rows + k], kUnwritten))
        o.Overran = true;
    o.Values.assign(results, results + std::clamp(o.Stop, 0, rows));
    o.Vars.assign(Vars, Vars + 4);
    if (o.Stop < rows) o.Message = MessageOfCurrentRow(p, index);
    return o;
  }

  // One EvaluateCompiled of P per row.
  TOutcome RowByRow(int index, int rows, const std::vector<TColumnBinding>& b) {
    TOutcome o;
    o.Stop = rows;
    for (int r = 0; r < rows; ++r) {
      for (const TColumnBinding& c : b) *c.Address = c.Values[r];
      try {
        o.Values.push_back(P.EvaluateCompiled(index));
      } catch (const EParserException& e) {
        o.Stop = r;
        o.Message = e.Message();
        break;
      }
    }
    o.Vars.assign(Vars, Vars + 4);
    return o;
  }

  ::testing::AssertionResult Agree(const char* path, const TOutcome& got, const TOutcome& want,
                                   const std::vector<TColumnBinding>& b) {
    if (got.Overran) return ::testing::AssertionFailure() << path << ": wrote outside the rows";
    if (got.Stop != want.Stop)
      return ::testing::AssertionFailure()
             << path << ": stopped at row " << got.Stop << ", the rows at " << want.Stop;
    for (size_t r = 0; r < want.Values.size(); ++r)
      if (!SameBits(got.Values[r], want.Values[r])) {
        auto f = ::testing::AssertionFailure();
        f << path << ": row " << r << " gives " << Shown(got.Values[r]) << ", the row alone "
          << Shown(want.Values[r]) << "; inputs";
        for (const TColumnBinding& c : b) f << " " << Shown(c.Values[r]);
        return f;
      }
    for (size_t k = 0; k < want.Vars.size(); ++k)
      if (!SameBits(got.Vars[k], want.Vars[k]))
        return ::testing::AssertionFailure()
               << path << ": variable " << k << " left at " << Shown(got.Vars[k]) << ", not "
               << Shown(want.Vars[k]);
    if (got.Message != want.Message)
      return ::testing::AssertionFailure() << path << ": faulting row says \"" << got.Message
                                           << "\", not \"" << want.Message << "\"";
    return ::testing::AssertionSuccess();
  }

  // Evaluates the rows of chain index of P with machine code, of the same
  // text in Ref without it, and one row at a time, and expects the three to
  // agree; returns how many functions the call with machine code made.
  // (Ref keeps P's chains from being run without machine code, which would
  // drop their functions.)
  uint64_t Check(int index, int rows, const std::vector<TColumnBinding>& b) {
    const int ref = Ref.CompileText(P.CompiledText(index));
    const uint64_t before = MachineCodeMade();
    const TOutcome on = Column(P, index, rows, b, true);
    const uint64_t made = MachineCodeMade() - before;
    const TOutcome off = Column(Ref, ref, rows, b, false);
    const TOutcome alone = RowByRow(index, rows, b);
    EXPECT_TRUE(Agree("with machine code", on, alone, b));
    EXPECT_TRUE(Agree("without machine code", off, alone, b));
    return made;
  }

  // What one EvaluateCompiledColumnQuick call of P gave. The bound
  // variables hold NaNs of their own before the call, so that what the call
  // leaves in them shows.
  struct TQuickOutcome {
    bool Done = false;
    std::vector<double> Values;  // all the rows
    std::vector<double> Vars;    // x, y, z, w afterwards
    std::vector<double> Before;  // x, y, z, w before the call
    bool Overran = false;
  };
  TQuickOutcome Quick(int index, int rows, const std::vector<TColumnBinding>& b,
                      uint64_t generation) {
    std::vector<double> buffer(static_cast<size_t>(std::max(rows, 0) + 2 * kGuard), kUnwritten);
    double* results = buffer.data() + kGuard;
    uint64_t payload = 0x51;
    for (const TColumnBinding& c : b) *c.Address = NaN(payload++);
    TQuickOutcome o;
    o.Before.assign(Vars, Vars + 4);
    EXPECT_NO_THROW(o.Done = P.EvaluateCompiledColumnQuick(
                        index, rows, b.data(), static_cast<int>(b.size()), results, generation));
    for (int k = 0; k < kGuard; ++k)
      if (!SameBits(results[-1 - k], kUnwritten) || !SameBits(results[rows + k], kUnwritten))
        o.Overran = true;
    o.Values.assign(results, results + std::max(rows, 0));
    o.Vars.assign(Vars, Vars + 4);
    return o;
  }
  // A quick call that gave up must have left the variables as they were.
  static ::testing::AssertionResult Untouched(const TQuickOutcome& q) {
    for (size_t k = 0; k < q.Vars.size(); ++k)
      if (!SameBits(q.Vars[k], q.Before[k]))
        return ::testing::AssertionFailure() << "variable " << k << " changed from "
                                             << Shown(q.Before[k]) << " to " << Shown(q.Vars[k]);
    return ::testing::AssertionSuccess();
  }
  // A quick call that ran: the outcome of a column call.
  static TOutcome AsColumn(const TQuickOutcome& q) {
    TOutcome o;
    o.Stop = static_cast<int>(q.Values.size());
    o.Values = q.Values;
    o.Vars = q.Vars;
    o.Overran = q.Overran;
    return o;
  }

  TExpressionParser P, Ref;
  uint64_t generations_ = 1000000;  // above the generations the tests give themselves
  double Vars[4] = {0.7, 0.7, 0.7, 0.7};
  double Params[10];
  std::vector<double> X, Y, Z, W;
};

// Models of the kinds fitted to small data sets, written with every word
// the machine code computes, over one, two, three and four bound columns
// (a column not bound is read from its variable like a parameter).
TEST_P(ExprMachineCodeTest, SmallDataSetsGiveTheBitsOfTheBlockPathAndOfTheRows) {
  struct TModel {
    const char* Text;
    int Columns;
  };
  const TModel models[] = {
      {"b1*(1-exp(-b2*x))", 1},
      {"b1*(1-(1+b2*x/2)^(-2))", 1},
      {"b1*x^b2", 3},
      {"(b1+b2*x+b3*x^2+b4*x^3)/(1+b5*x+b6*x^2+b7*x^3)", 1},
      {"b1*(b2+x)^(-1/b3)", 1},
      {"b1 / ((1+exp(b2-b3*x))^(1/b4))", 1},
      {"b1*(x^2+x*b2) / (x^2+x*b3+b4)", 2},
      {"(b1/b2)*exp(-0.5*((x-b3)/b2)^2)", 1},
      {"b1*exp(-b2*x) + b3*exp(-(x-b4)^2/b5^2) + b6*exp(-(x-b7)^2/c^2)", 1},
      {"b1*exp(-b2*x) + b3*exp(-b4*x) + b5*exp(-b6*x)", 1},
      {"b1 - b2*x - arctan(b3/(x-b4))/pi", 1},
      {"b1 + b2*cos(2*pi*x/12) + b3*sin(2*pi*x/12) + b5*cos(2*pi*x/b4) + b6*sin(2*pi*x/b4)", 1},
      {"sin(x)*cos(y) + tan(x/7) - arctan(y*b1)", 2},
      {"ln(x*b1) + log10(x + b2) - x*ln(x) + exp(y/4)", 2},
      {"sinh(y/3) + cosh(x/2)*tanh(y) - arccosh(x + 1.5) + arctanh(y/4)", 2},
      {"x^5 - intpower(y, 7) + x^(5) - y^(4) + z^5.0 - sqr(y) + y^3", 3},
      {"(x+1)^64*1e-20 - x^17 + intpower(z, 33) - y^(2)", 3},
      {"x^-1 + (y*y + 1)^-2 - z^(-1) + (x - 5)^(-2)", 3},
      {"b1*x + b2*y - b3*z + x*y*z - y/z", 3},
      {"b1*x + b2*y + b3*z + b4*w", 4},
      {"exp(b1)*x - b2^2", 1},
      {"x*ln(b3) + sin(b1)*cos(b2)/b4 - b5^-1 + b6^(1.5)*y - b1^b2*z", 3},
      {"-(y*0) + (y - y)*-1 - -x + +z", 3},
      {"-(-(-y))*b1 - (-z)^3", 3},
      {"x*b1 + (y*b2 + (z*b3 + (x*y + (y*z + (z*x + (x*x + y*y))))))", 3},
      {"exp(-sqr(x - b1)) + exp(-sqr(x - b1))*y - ln(1 + sqr(x - b1))", 2},
      {"((((x + b1)*y - b2)/(z + b3))*x + b4)^2 - ((x*y - z)^3)/(1 + (y*z)^2)", 3},
  };
  for (const TModel& m : models) {
    const int i = P.CompileText(m.Text);
    for (int rows : kRowCounts) {
      SCOPED_TRACE(std::string(m.Text) + ", " + std::to_string(rows) + " rows");
      Check(i, rows, Bound(m.Columns));
    }
  }
}

// Random chains of the words the machine code computes, in shapes no table
// lists: deep nesting, many values live at once (right-nested operands),
// subexpressions written twice, steps of parameters only anywhere in the
// tree. Arguments are mostly kept where the functions raise nothing, so
// that most chains run to the end in the machine code; the few that fault
// must still agree.
class TChainMaker {
 public:
  explicit TChainMaker(uint32_t seed) : g_(seed) {}

  std::string Make() {
    seen_.clear();
    return Node(2 + g_.Random(6), false);
  }

 private:
  std::string Pick(std::initializer_list<const char*> words) {
    return *(words.begin() + g_.Random(static_cast<int32_t>(words.size())));
  }
  std::string Leaf(bool paramsOnly) {
    if (!paramsOnly && g_.Random(3) != 0) return Pick({"x", "y", "z"});
    return Pick(
        {"a", "b", "c", "b1", "b2", "b3", "b4", "b5", "b6", "b7", "0.5", "2", "1.25", "pi"});
  }
  std::string Node(int depth, bool paramsOnly) {
    if (depth <= 0 || g_.Random(8) == 0) return Leaf(paramsOnly);
    if (seen_.size() > 2 && g_.Random(12) == 0)
      return seen_[static_cast<size_t>(g_.Random(static_cast<int32_t>(seen_.size())))];
    const int d = depth - 1;
    // Operands are made one statement at a time: the order of the draws
    // must not depend on the compiler.
    const std::string l = Node(d, paramsOnly);
    std::string e;
    switch (g_.Random(25)) {
      case 0:
      case 1:
      case 2:
      case 3: {
        const std::string r = Node(d, paramsOnly);
        e = "(" + l + Pick({" + ", " - ", " * ", " * "}) + r + ")";
        break;
      }
      case 4: {
        const std::string r = Node(d, paramsOnly);
        // The deeper operand second: the first one's values stay live
        // while it is computed.
        e = "(" + r + " + " + l + ")";
        break;
      }
      case 5: {
        const std::string r = Node(d, paramsOnly);
        e = "(" + l + "/(1 + sqr(" + r + ")))";
        break;
      }
      case 6: {
        const std::string r = Node(d, paramsOnly);
        e = "(" + l + "/(" + r + "))";
        break;
      }
      case 7: {
        const std::string sign = Pick({"-(", "+(", "-(-("});
        e = sign + l + (sign.size() > 2 ? "))" : ")");
        break;
      }
      case 8:
        e = g_.Random(2) ? "sqr(" + l + ")" : "(" + l + ")" + Pick({"^2", "^3"});
        break;
      case 9:
        e = "(tanh(" + l + ")*1.5)^" + std::to_string(4 + g_.Random(61));
        break;
      case 10:
        e = "(tanh(" + l + ")*1.2)^(" + std::to_string(2 + g_.Random(63)) + ")";
        break;
      case 11:
        e = "intpower(tanh(" + l + ")*2, " + std::to_string(2 + g_.Random(20)) + ")";
        break;
      case 12:
        e = Pick({"(1 + sqr(", "(2 + sqr(", "(0.5 + sqr("}) + l + "))" +
            Pick({"^-1", "^-2", "^(-1)", "^(-2)"});
        break;
      case 13:
        e = "(1 + sqr(" + l + "))^" + Pick({"0.5", "1.7", "(-2.5)", "b2", "(b1 + 0.25)", "b"});
        break;
      case 14:
        e = Pick({"exp(sin(", "exp(-sqr(", "exp(0.1*("}) + l + "))";
        break;
      case 15:
        e = Pick({"ln(1 + sqr(", "log10(2 + sqr(", "ln(0.5 + sqr("}) + l + "))";
        break;
      case 16:
        e = Pick({"sin(", "cos("}) + l + ")";
        break;
      case 17:
        e = g_.Random(2) ? "tan(" + l + "/(1 + sqr(" + l + ")))" : "arctan(" + l + ")";
        break;
      case 18:
        e = Pick({"sinh(tanh(", "cosh(tanh(", "tanh(("}) + l + ")*3)";
        break;
      case 19:
        e = g_.Random(2) ? "arccosh(1.5 + sqr(" + l + "))" : "arctanh(tanh(" + l + ")*0.5)";
        break;
      case 20:
      case 21: {
        const std::string p = Node(d, true);  // a step of parameters only
        e = "(" + p + Pick({" * ", " + ", " - "}) + l + ")";
        break;
      }
      default: {
        const std::string r = Node(d, paramsOnly);
        e = "(" + l + Pick({" - ", " + "}) + "(" + r + ")*" + Leaf(true) + ")";
        break;
      }
    }
    seen_.push_back(e);
    return e;
  }

  TRandomGenerator g_;
  std::vector<std::string> seen_;
};

TEST_P(ExprMachineCodeTest, RandomChainsGiveTheBitsOfTheBlockPathAndOfTheRows) {
  TChainMaker maker(20240517);
  constexpr int kChains = 250;
  constexpr int kCounts = static_cast<int>(std::size(kRowCounts));
  int withMachineCode = 0;
  for (int n = 0, tries = 0; n < kChains && tries < 2 * kChains; ++tries) {
    const std::string text = maker.Make();
    SCOPED_TRACE(text);
    int i = -1;
    try {
      i = P.CompileText(text);
    } catch (const EParserException&) {
      continue;  // a part of constants only that raises when folded
    }
    bool made = false;
    for (int rows : {kRowCounts[n % kCounts], kRowCounts[(n * 5 + 3) % kCounts]}) {
      SCOPED_TRACE(std::to_string(rows) + " rows");
      made = Check(i, rows, Bound(3)) > 0 || made;
    }
    withMachineCode += made ? 1 : 0;
    ++n;
    if (HasFailure()) break;  // the first chain that disagrees is enough to look at
  }
  // Most of these chains fit the machine code's registers: the test must
  // exercise it, not only the block path.
  if (CanMakeMachineCode()) {
    EXPECT_GT(withMachineCode, kChains / 2);
  }
}

// Rows that raise, and rows the routines cannot vouch for (arguments
// outside their quiet ranges, rows the power rules decide, quotients next to
// a midpoint, NaN, infinities, -0, subnormals), at the first, a middle and
// the last row of small data sets: the first faulting row, the bits before
// it and the message of that row must be those without machine code.
TEST_P(ExprMachineCodeTest, RowsThatRaiseOrThatTheRoutinesCannotVouchFor) {
  struct TCase {
    const char* Text;
    double Value;      // x of the rows the case is put at
    double B1 = 0.81;  // the parameter b1
  };
  const double inf = HUGE_VAL;
  std::vector<TCase> cases = {
      {"b1/x", 0},
      {"b1/x", -0.0},
      {"b1/x - y", inf},
      {"x^-1", 0},
      {"x^-1", -0.0},
      {"x^-1", 1e-310},
      {"x^-1", -inf},
      {"x^(-1)*y", NaN(11)},
      {"x^-2", 1e-170},
      {"x^-2", 1e170},
      {"x^-2", -4.9e-324},
      {"x^(-2) + y", 0x1p-300},
      {"ln(x)", 0},
      {"ln(x)", -1},
      {"ln(x)", 1e-310},
      {"ln(x)", 1e300},
      {"ln(x)", inf},
      {"ln(x)*y", NaN(12)},
      {"log10(x)", 0},
      {"log10(x)", NaN(13, true)},
      {"exp(x)", 800},
      {"exp(x)", 709.5},
      {"exp(x)", -800},
      {"exp(x)", -1200},
      {"exp(x)", -inf},
      {"exp(x)*y", inf},
      {"exp(x)", NaN(14)},
      {"b1*(1-exp(-b2*x))", -1000},
      {"x^b7", -2},  // b7 = 1.83: no real power of a negative base
      {"x^b7", 0},
      {"x^b7", -0.0},
      {"x^b7", inf},
      {"x^0.5", -4},
      {"(x+1)^-0.5", -1},
      {"x^1.5", 1e300},
      {"x^1.5", 1e-300},
      {"b1*x^b2", -1},
      {"x^(5)", -0.0},
      {"x^(5)", -1e-70},  // underflows to -0
      {"x^(3)", -1e-110},
      {"x^5.0", -1e-70},
      {"x^(4)", -0.0},
      {"x^5", -0.0},
      {"x^5", -1e-70},
      {"intpower(x, 3)", -0.0},
      {"x^(64)", 2},
      {"x^(64)", 1e5},
      {"x^64", -1e-6},
      {"sqr(x)", 1e200},
      {"x*x", 1e-200},
      {"sin(x)", 1e10},
      {"sin(x)", inf},
      {"cos(x)", -inf},
      {"tan(x)", 1e300},
      {"sinh(x)", 710},
      {"cosh(x)", -710},
      {"tanh(x)", 600},
      {"tanh(x)", -inf},
      {"arctan(x)", inf},
      {"arctan(x)", -1e308},
      {"arccosh(x+1)", 0},
      {"arccosh(x+1)", -0.5},
      {"arccosh(x+1)", 1e200},
      {"arctanh(x)", 1},
      {"arctanh(x)", -1},
      {"arctanh(x)", 0.9999999999},
      {"arctanh(x)", 2},
      {"x*b1 - y", NaN(15)},
      {"-x + b1", NaN(16, true)},
      {"(x + y)^2", NaN(17)},
      {"x - x", inf},
      {"x*0", -inf},
      {"x*b7*b7", 1.7e308},
      {"x*b1 + 0", 4.9e-324},
      {"-x*b1", 2.2250738585072014e-308},
      // Steps of parameters only: a fault there is a fault of every row.
      {"x*ln(b1)", 0.5, -1},
      {"exp(b1)*x", 0.5, 800},
      {"x + b2/b1", 0.5, 0},
      {"x*b1^-2", 0.5, 0},
      {"x*exp(b1)", 0.5, -1200},
      {"x*b1", 0.5, NaN(18)},
      {"x - b1", 0.5, inf},
      {"x*b1", 0, inf},
  };
  // A real power whose exponent, a parameter, happens to be an integer or
  // 0 (the power rules decide those rows), of 0, -0, a negative base and NaN.
  for (double e : {2.0, 0.0, -0.0, -1.0, 3.0, -2.0, 0.5, 64.0, 65.0, 1e10})
    for (double v : {0.0, -0.0, -2.0, NaN(19)}) cases.push_back({"x^b1", v, e});
  // x^-1 and x^-2 of arguments whose quotient lies next to a midpoint
  // between two doubles, where the double quotient differs from the
  // extended one rounded to double.
  TRandomGenerator g(5);
  int found[2] = {0, 0};
  for (int k = 0; k < 200000 && (found[0] < 3 || found[1] < 3); ++k) {
    const double a = (1 + g.Random()) * std::ldexp(1.0, static_cast<int>(g.Random() * 80) - 40);
    const long double e = a;
    if (found[0] < 3 && static_cast<double>(1.0L / e) != 1.0 / a) {
      cases.push_back({"x^-1", k % 2 ? a : -a});
      ++found[0];
    }
    if (found[1] < 3 && static_cast<double>(1.0L / (e * e)) != 1.0 / (a * a)) {
      cases.push_back({"x^-2", k % 2 ? a : -a});
      ++found[1];
    }
  }
  ASSERT_EQ(found[0], 3);
  ASSERT_EQ(found[1], 3);

  std::vector<double> x(kColumnRows);
  const std::vector<TColumnBinding> b = {{&Vars[0], x.data()}, {&Vars[1], Y.data()}};
  for (const TCase& c : cases) {
    Params[3] = c.B1;
    const int i = P.CompileText(c.Text);
    for (int rows : {4, 5, 7, 8, 9, 16, 17, 37}) {
      const std::vector<int> places[] = {{0}, {rows / 2}, {rows - 1}, {rows / 2, rows - 1}};
      for (const std::vector<int>& at : places) {
        SCOPED_TRACE(std::string(c.Text) + " with x = " + Shown(c.Value) + ", b1 = " + Shown(c.B1) +
                     " at row " + std::to_string(at[0]) + " of " + std::to_string(rows));
        for (int r = 0; r < kColumnRows; ++r) x[static_cast<size_t>(r)] = 0.5 + 0.01 * r;
        for (int r : at) x[static_cast<size_t>(r)] = c.Value;
        Check(i, rows, b);
      }
    }
  }
}

// The fault flags are not cleared before a call: a flag left set by
// something else (raised through the C library, or by an SSE division of
// the caller's own) must not count as a fault of a row of a small data
// set, and must not hide a row that does raise.
TEST_P(ExprMachineCodeTest, FlagsLeftSetBeforeACallAreNoFault) {
  volatile double zero = 0.0;
  volatile double sink = 0.0;
  const std::vector<void (*)(volatile double&, volatile double&)> raisers = {
      [](volatile double&, volatile double&) { std::feraiseexcept(FE_OVERFLOW); },
      [](volatile double&, volatile double&) { std::feraiseexcept(FE_INVALID); },
      [](volatile double&, volatile double&) { std::feraiseexcept(FE_DIVBYZERO); },
      [](volatile double& z, volatile double& s) { s = 1.0 / z; },  // SSE division by zero
      [](volatile double& z, volatile double& s) { s = z / z; },    // SSE invalid operation
  };
  const char* texts[] = {"a/x + y",        "(x+6)^-2 + y",         "exp(b1*x) - y",
                         "ln(x+6)*b3 + y", "x^(5) - sin(y)*b1^b2", "b1*(1-(1+b2*x/2)^(-2))"};
  const std::vector<TColumnBinding> b = Bound(2);
  for (const char* text : texts) {
    const int i = P.CompileText(text);
    for (int rows : {4, 7, 8, 9, 17, 256}) {
      const TOutcome expected = RowByRow(i, rows, b);
      ASSERT_EQ(expected.Stop, rows);
      for (size_t k = 0; k < raisers.size(); ++k) {
        SCOPED_TRACE(std::string(text) + ", " + std::to_string(rows) + " rows, flag " +
                     std::to_string(k));
        raisers[k](zero, sink);
        const TOutcome got = Column(P, i, rows, b, true);
        std::feclearexcept(FE_ALL_EXCEPT);
        EXPECT_TRUE(Agree("flags set before", got, expected, b));
      }
    }
  }
  // A row that raises is still found, flags set before or not.
  X[5] = 0;
  const int i = P.CompileText("a/x + y");
  for (size_t k = 0; k < raisers.size(); ++k) {
    SCOPED_TRACE(k);
    const TOutcome expected = RowByRow(i, 9, b);
    ASSERT_EQ(expected.Stop, 5);
    raisers[k](zero, sink);
    const TOutcome got = Column(P, i, 9, b, true);
    std::feclearexcept(FE_ALL_EXCEPT);
    EXPECT_TRUE(Agree("flags set before", got, expected, b));
  }
}

// The function is made for chains of the words it computes over 4 to 256
// rows (to kMachineCodeRoutineRows where the rows call two routines or
// more), and for nothing
// else: fewer or more rows, or a word it does not compute on a value that
// changes from call to call, leave the rows to the block path, with the
// same results. A word it does not compute on the bound columns alone is
// no obstacle: the column evaluation keeps those values, and the function
// reads them.
TEST_P(ExprMachineCodeTest, MadeForSupportedChainsOfFourTo256RowsOnly) {
  const uint64_t one = CanMakeMachineCode() ? 1 : 0;
  struct TSupported {
    const char* Text;
    bool Routines;  // its rows call two routines or more
  };
  const TSupported supported[] = {
      {"b1*(1-exp(-b2*x))", false},
      {"b1*(1-(1+b2*x/2)^(-2))", false},
      {"b1*x^b2", false},
      {"(b1+b2*x+b3*x^2+b4*x^3)/(1+b5*x+b6*x^2+b7*x^3)", false},
      {"b1*exp(-b2*x) + b3*exp(-(x-b4)^2/b5^2) + b6*exp(-(x-b7)^2/c^2)", true},
      {"b1*sin(b2*x + b3) + b4*cos(b5*y)*tan(z/9) - arctan(x)", true},
      {"x^5 + intpower(y, 9) - x^(12) + x^-1 - z^-2 + sqr(y) + -y", false},
      {"ln(x) - log10(z) + sinh(y/4)*cosh(y/5) - tanh(x) + arccosh(z + 1) + arctanh(y/4)", false},
      {"exp(b1)*x - b2^2 + (x + y)/z", false},
      {"arcsin(x/11)*b1 + sqrt(z)*b2 - abs(y) + if(x > y, x, z)", false},
  };
  for (const TSupported& t : supported) {
    const int i = P.CompileText(t.Text);
    for (int rows : {4, 5, 8, 9, 40, 41, 100, 256}) {
      SCOPED_TRACE(std::string(t.Text) + ", " + std::to_string(rows) + " rows");
      EXPECT_EQ(Check(i, rows, Bound(3)), t.Routines && rows > kMachineCodeRoutineRows ? 0u : one);
    }
    for (int rows : {1, 3, 257}) {
      SCOPED_TRACE(std::string(t.Text) + ", " + std::to_string(rows) + " rows");
      EXPECT_EQ(Check(i, rows, Bound(3)), 0u);
    }
  }
  const char* unsupported[] = {
      "if(x > b1, b2*x, y)", "b1*x + if(y, z, b2)", "arcsin(x/11*b1) + y",
      "(x > b1)*y + z",      "b1*x + sqrt(z*b2)",   "abs(y - b1)*x",
  };
  for (const char* text : unsupported) {
    const int i = P.CompileText(text);
    for (int rows : {4, 9, 256}) {
      SCOPED_TRACE(std::string(text) + ", " + std::to_string(rows) + " rows");
      EXPECT_EQ(Check(i, rows, Bound(3)), 0u);
    }
  }
}

// The function is made for a row count and a pattern of bound variables:
// calls with other parameters, other column contents or other arrays at the
// same places use it again; another row count or another pattern makes a
// new one; and every call, also within one data generation, gives the rows'
// bits.
TEST_P(ExprMachineCodeTest, RepeatedCallsFollowChangesOfParametersColumnsRowsAndBindings) {
  const uint64_t one = CanMakeMachineCode() ? 1 : 0;
  const int i = P.CompileText("b1*(1-exp(-b2*x)) + b3*y^(-2) - z*b4^2 + x^b5");
  std::vector<TColumnBinding> b = Bound(3);
  auto step = [&](const char* what, int rows, uint64_t expectMade) {
    SCOPED_TRACE(std::string(what) + ", " + std::to_string(rows) + " rows");
    EXPECT_EQ(Check(i, rows, b), expectMade);
  };
  step("first call", 16, one);
  step("same call", 16, 0);
  Params[3] = -2.5;  // b1
  Params[4] = 0.1;   // b2
  Params[7] = 3.0;   // b5: an integral exponent now
  step("new parameters", 16, 0);
  Params[7] = 1.49;
  X[3] *= 1.5;
  Y[15] = -Y[15];
  Z[0] = 0.125;
  step("columns changed in place", 16, 0);
  std::vector<double> x2(X.rbegin(), X.rend()), y2(Y.begin() + 1, Y.end()), z2(Z);
  b = {{&Vars[0], x2.data()}, {&Vars[1], y2.data()}, {&Vars[2], z2.data()}};
  step("other arrays", 16, 0);
  step("fewer rows", 9, one);
  step("back to the first row count", 16, one);
  Vars[2] = 0.875;
  b = {{&Vars[0], X.data()}, {&Vars[1], Y.data()}};
  step("z read from its variable", 16, one);
  b = {{&Vars[1], Y.data()}, {&Vars[0], X.data()}, {&Vars[2], Z.data()}};
  step("bindings in another order", 16, one);
  b = Bound(3);
  step("the first bindings again", 16, one);
  Y[2] = 0;  // y^-2 raises at row 2
  step("a row that raises", 16, 0);
  Y[2] = 0.5;

  // Within one data generation the set-up of the last call is kept: the
  // function too, reading the parameters of each call.
  for (uint64_t generation : {7u, 7u, 8u}) {
    for (double b1 : {0.5, -4.0}) {
      Params[3] = b1;
      SCOPED_TRACE("generation " + std::to_string(generation) + ", b1 " + std::to_string(b1));
      const TOutcome got = Column(P, i, 37, b, true, generation);
      EXPECT_TRUE(Agree("with machine code", got, RowByRow(i, 37, b), b));
    }
  }
}

// The short way of a small data set: after a column call of a data
// generation has made the machine code, a quick call of the same rows,
// bindings and generation runs it, reading the parameters of that call
// (the fitness changes them for every candidate), and gives the bits of
// the block path, the bound variables left on the last row.
TEST_P(ExprMachineCodeTest, QuickCallOfThePrimedRowsGivesTheBitsOfTheBlockPath) {
  const bool can = CanMakeMachineCode();
  struct TModel {
    const char* Text;
    int Columns;
    bool Routines = false;  // its rows call two routines or more
  };
  const TModel models[] = {
      {"b1*(1-exp(-b2*x))", 1},
      {"b1*x^b2", 1},
      {"(b1+b2*x+b3*x^2+b4*x^3)/(1+b5*x+b6*x^2+b7*x^3)", 1},
      {"b1*exp(-b2*x) + b3*exp(-(x-b4)^2/b5^2) + b6*exp(-(x-b7)^2/c^2)", 1, true},
      {"b1*sin(b2*x + b3) + b4*cos(b5*y)*tan(z/9) - arctan(x)", 3, true},
      // Steps of parameters only, computed once per call.
      {"exp(b1)*x - b2^2 + (x + y)/z", 3},
      {"x*ln(b3) + sin(b1)*cos(b2)/b4 - b5^-1 + b6^(1.5)*y - b1^b2*z", 2},
  };
  const std::vector<double> base(Params, Params + 10);
  uint64_t generation = 100;
  for (const TModel& m : models) {
    const int i = P.CompileText(m.Text);
    const int ref = Ref.CompileText(m.Text);
    const std::vector<TColumnBinding> b = Bound(m.Columns);
    for (int rows : {4, 5, 8, 9, 17, 100, 256}) {
      ++generation;
      std::copy(base.begin(), base.end(), Params);
      ASSERT_EQ(Column(P, i, rows, b, true, generation).Stop, rows);
      for (int call = 1; call <= 3; ++call) {
        SCOPED_TRACE(std::string(m.Text) + ", " + std::to_string(rows) + " rows, call " +
                     std::to_string(call));
        for (int k = 0; k < 10; ++k)
          Params[k] = base[static_cast<size_t>(k)] * (1 + 0.0625 * call + 0.01 * k);
        const TQuickOutcome q = Quick(i, rows, b, generation);
        EXPECT_EQ(q.Done, can && !(m.Routines && rows > kMachineCodeRoutineRows));
        if (!q.Done) {
          EXPECT_TRUE(Untouched(q));
          continue;
        }
        EXPECT_TRUE(Agree("quick", AsColumn(q), Column(Ref, ref, rows, b, false), b));
      }
    }
  }
  // A column call whose rows raised made the machine code all the same.
  // Having given up, it is left aside for the next call: the short way
  // gives up untried, and the column call that follows it (as in the
  // fitness) runs the rows as usual; the candidate after that, whose rows
  // do not raise, takes the short way.
  const int i = P.CompileText("ln(x - b1)*b2 + y");
  const int ref = Ref.CompileText("ln(x - b1)*b2 + y");
  Params[3] = 1.0;  // x < 1 up to row 20
  ASSERT_EQ(Column(P, i, 37, Bound(2), true, ++generation).Stop, 0);
  Params[3] = 0.125;
  const TQuickOutcome aside = Quick(i, 37, Bound(2), generation);
  EXPECT_FALSE(aside.Done);
  EXPECT_TRUE(Untouched(aside));
  EXPECT_TRUE(Agree("after giving up", Column(P, i, 37, Bound(2), true, generation),
                    Column(Ref, ref, 37, Bound(2), false), Bound(2)));
  const TQuickOutcome q = Quick(i, 37, Bound(2), generation);
  EXPECT_EQ(q.Done, can);
  if (q.Done) {
    EXPECT_TRUE(Agree("quick", AsColumn(q), Column(Ref, ref, 37, Bound(2), false), Bound(2)));
  }
}

// Without a column call of the same rows, the same bindings (addresses and
// arrays) and the same data generation that left machine code for the
// chain, the quick call gives up: false, the bound variables as they were,
// no fault; the column call after it gives the rows.
TEST_P(ExprMachineCodeTest, QuickCallGivesUpWithoutMachineCodeReadyForItsCall) {
  const bool can = CanMakeMachineCode();
  const char* text = "b1*(1-exp(-b2*x)) + b3*y - z*b4^2";
  const int i = P.CompileText(text);
  const int ref = Ref.CompileText(text);
  const int neverRun = P.CompileText("b1*(1-exp(-b2*x)) + b3*y - z*b4^2 + 0.5");
  const int noMachineCode = P.CompileText("abs(y - b2)*x + b1*z");
  Ref.CompileText("abs(y - b2)*x + b1*z");
  constexpr int kRows = 16;
  const std::vector<TColumnBinding> same = Bound(3);
  std::vector<double> xCopy(X);
  const std::vector<TColumnBinding> copied = {
      {&Vars[0], xCopy.data()}, {&Vars[1], Y.data()}, {&Vars[2], Z.data()}};
  const std::vector<TColumnBinding> otherVariable = {
      {&Vars[3], X.data()}, {&Vars[1], Y.data()}, {&Vars[2], Z.data()}};
  const std::vector<TColumnBinding> reordered = {
      {&Vars[1], Y.data()}, {&Vars[0], X.data()}, {&Vars[2], Z.data()}};
  auto prime = [&](int index, int rows, uint64_t generation, bool machineCode = true) {
    Column(P, index, rows, same, machineCode, generation);
  };
  struct TCase {
    const char* What;
    std::function<void()> Before;  // the calls before the quick one
    int Index;
    int Rows;
    std::vector<TColumnBinding> Bindings;
    uint64_t Generation;
    bool Off = false;   // machine code switched off for the quick call
    bool Runs = false;  // the quick call runs (where the processor allows)
  };
  const TCase cases[] = {
      {"the same rows, bindings and generation", [&] { prime(i, kRows, 11); }, i, kRows, same, 11,
       false, true},
      {"no column call before", [] {}, i, kRows, same, 12},
      {"a column call of another chain only", [&] { prime(i, kRows, 13); }, neverRun, kRows, same,
       13},
      {"generation 0, primed with 0", [&] { prime(i, kRows, 0); }, i, kRows, same, 0},
      {"generation 0, primed with 14", [&] { prime(i, kRows, 14); }, i, kRows, same, 0},
      {"primed with generation 0", [&] { prime(i, kRows, 0); }, i, kRows, same, 15},
      {"another generation", [&] { prime(i, kRows, 16); }, i, kRows, same, 17},
      {"a later column call of another generation",
       [&] {
         prime(i, kRows, 18);
         prime(i, kRows, 19);
       },
       i, kRows, same, 18},
      {"a row fewer", [&] { prime(i, kRows, 20); }, i, kRows - 1, same, 20},
      {"a row more", [&] { prime(i, kRows, 21); }, i, kRows + 1, same, 21},
      {"a later column call of the generation with other rows",
       [&] {
         prime(i, kRows, 22);
         prime(i, 9, 22);
       },
       i, kRows, same, 22},
      {"another array of the same values", [&] { prime(i, kRows, 23); }, i, kRows, copied, 23},
      {"another variable bound to a column", [&] { prime(i, kRows, 24); }, i, kRows, otherVariable,
       24},
      {"the bindings in another order", [&] { prime(i, kRows, 25); }, i, kRows, reordered, 25},
      {"a binding fewer", [&] { prime(i, kRows, 26); }, i, kRows, Bound(2), 26},
      {"a binding more", [&] { prime(i, kRows, 27); }, i, kRows, Bound(4), 27},
      {"machine code switched off", [&] { prime(i, kRows, 28); }, i, kRows, same, 28, true},
      {"primed with machine code switched off", [&] { prime(i, kRows, 29, false); }, i, kRows, same,
       29},
      {"a chain without machine code", [&] { prime(noMachineCode, kRows, 30); }, noMachineCode,
       kRows, same, 30},
      {"3 rows", [&] { prime(i, 3, 31); }, i, 3, same, 31},
      {"257 rows", [&] { prime(i, 257, 32); }, i, 257, same, 32},
      {"index -1", [&] { prime(i, kRows, 33); }, -1, kRows, same, 33},
      {"index past the last", [&] { prime(i, kRows, 34); }, noMachineCode + 1, kRows, same, 34},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    c.Before();
    Params[3] *= 1.25;  // another candidate
    SetMachineCodeEnabled(!c.Off);
    const TQuickOutcome q = Quick(c.Index, c.Rows, c.Bindings, c.Generation);
    SetMachineCodeEnabled(true);
    EXPECT_EQ(q.Done, c.Runs && can);
    EXPECT_FALSE(q.Overran);
    if (!q.Done) {
      EXPECT_TRUE(Untouched(q));
    }
    if (c.Index < 0 || c.Index > noMachineCode) continue;
    // The rows come out right after the quick call, whatever it did.
    const int r = c.Index == i ? ref : Ref.CompileText(P.CompiledText(c.Index));
    const TOutcome want = Column(Ref, r, c.Rows, c.Bindings, false);
    EXPECT_TRUE(Agree("column call after",
                      Column(P, c.Index, c.Rows, c.Bindings, true, c.Generation), want,
                      c.Bindings));
    if (q.Done) {
      EXPECT_TRUE(Agree("quick", AsColumn(q), want, c.Bindings));
    }
  }
}

// A row that raises, or that the routines cannot vouch for, by the data of
// the generation or by the parameters of the call: the quick call gives up
// (false, the variables as they were, no fault), and the column call after
// it finds the first faulting row with its message, as without machine code.
TEST_P(ExprMachineCodeTest, QuickCallGivesUpOnRowsThatMayRaise) {
  enum TRaises { kNone, kAtTheRows, kEveryRow };
  struct TCase {
    const char* Text;
    double Value;    // x of the rows the case is put at
    double B1;       // b1 of the quick call; the column call before has 0.81
    TRaises Raises;  // which rows raise with that b1
  };
  std::vector<TCase> cases = {
      {"b1/x", 0, 0.81, kAtTheRows},
      {"b1/x", -0.0, 0.81, kAtTheRows},
      {"b1/(x - b1)", 3, 3, kAtTheRows},  // the parameter moves the pole onto the rows
      {"exp(b1*x)", 3, 250, kAtTheRows},  // 750 overflows, the other rows do not
      {"exp(b1*x) + y", 3, 800, kEveryRow},
      {"ln(x - b1)", 1.2, 1.3, kAtTheRows},
      {"ln(x*b1)", 2, -1, kEveryRow},
      {"b1*(x - 1)^b2", 0.5, 0.81, kAtTheRows},
      {"x^b1", -2, 2, kNone},  // an integral power of a negative base
      {"x^b1", -2, 0.81, kAtTheRows},
      {"sinh(b1*x)", 3, 250, kAtTheRows},
      {"arctanh(b1/x)", 1.25, 1.25, kAtTheRows},
  };
  // x^-2 and (x - b1)^-1 where the quotient in extended precision, as the
  // rows form it, falls on a midpoint between two doubles: nothing raises,
  // but the routine cannot round it and leaves the row to the extended
  // arithmetic.
  auto onMidpoint = [](long double q) {
    const double d = static_cast<double>(q);
    const double other = std::nextafter(d, q > d ? HUGE_VAL : -HUGE_VAL);
    return q != d && q == (static_cast<long double>(d) + other) / 2;
  };
  TRandomGenerator g(9);
  bool found[2] = {false, false};
  for (int k = 0; k < 1000000 && !(found[0] && found[1]); ++k) {
    const double a = (1 + g.Random()) * std::ldexp(1.0, static_cast<int>(g.Random() * 40) - 20);
    const long double e = a;
    if (!found[0] && onMidpoint(1.0L / (e * e))) {
      cases.push_back({"x^-2", a, 0.81, kNone});
      found[0] = true;
    }
    const double v = a + 0.5, d = v - 0.5;
    if (!found[1] && onMidpoint(1.0L / static_cast<long double>(d))) {
      cases.push_back({"(x - b1)^(-1)", v, 0.5, kNone});
      found[1] = true;
    }
  }
  ASSERT_TRUE(found[0] && found[1]);

  // Rows that neither raise nor lie next to a midpoint, for every case
  // (with b1 = 0.5 where it matters): x from 1.5 to 2.5.
  auto Quiet = [](std::vector<double>& x) {
    for (size_t r = 0; r < x.size(); ++r) x[r] = 1.5 + 0.0039 * static_cast<double>(r);
  };
  std::vector<double> x(kColumnRows);
  const std::vector<TColumnBinding> b = {{&Vars[0], x.data()}, {&Vars[1], Y.data()}};
  uint64_t generation = 1000;
  for (const TCase& c : cases) {
    const int i = P.CompileText(c.Text);
    const int ref = Ref.CompileText(c.Text);
    for (int rows : {4, 7, 9, 37, 256}) {
      {
        // The chain has machine code: over rows that do not raise the
        // quick call runs it.
        SCOPED_TRACE(std::string(c.Text) + ", " + std::to_string(rows) + " rows that do not raise");
        Quiet(x);
        Params[3] = 0.81;
        Column(P, i, rows, b, true, ++generation);
        Params[3] = 0.5;
        const TQuickOutcome q = Quick(i, rows, b, generation);
        EXPECT_EQ(q.Done, CanMakeMachineCode());
        if (q.Done) {
          EXPECT_TRUE(Agree("quick", AsColumn(q), Column(Ref, ref, rows, b, false), b));
        }
      }
      const std::vector<int> places[] = {{0}, {rows / 2}, {rows - 1}, {rows / 2, rows - 1}};
      for (const std::vector<int>& at : places) {
        SCOPED_TRACE(std::string(c.Text) + " with x = " + Shown(c.Value) + ", b1 = " + Shown(c.B1) +
                     " at row " + std::to_string(at[0]) + " of " + std::to_string(rows));
        Quiet(x);
        for (int r : at) x[static_cast<size_t>(r)] = c.Value;
        Params[3] = 0.81;
        Column(P, i, rows, b, true, ++generation);
        Params[3] = c.B1;
        const TQuickOutcome q = Quick(i, rows, b, generation);
        EXPECT_FALSE(q.Done);
        EXPECT_FALSE(q.Overran);
        EXPECT_TRUE(Untouched(q));
        const TOutcome alone = RowByRow(i, rows, b);
        EXPECT_EQ(alone.Stop, c.Raises == kNone ? rows : c.Raises == kEveryRow ? 0 : at[0]);
        EXPECT_TRUE(Agree("column call after", Column(P, i, rows, b, true, generation), alone, b));
        EXPECT_TRUE(Agree("without machine code", Column(Ref, ref, rows, b, false), alone, b));
      }
    }
  }
}

// A folder of its own that every function made goes to while it lives.
class TDumpFolder {
 public:
  TDumpFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "qv-machine-code-XXXXXX").native();
    if (::mkdtemp(pattern.data())) Path = pattern;
    SetMachineCodeDump(Path.native());
  }
  ~TDumpFolder() {
    SetMachineCodeDump("");
    if (!Path.empty()) std::filesystem::remove_all(Path);
  }
  // The names of the files in it, in order.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Path))
      names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The base name of function number n of this process.
  static std::string Name(uint64_t n) {
    return "machine-code-" + std::to_string(::getpid()) + "-" + std::to_string(n);
  }
  std::filesystem::path Path;
};

// Written out for debugging: with a dump folder set, each function made
// goes there as its bytes alone, which objdump reads as x86-64 code from
// the first byte to the return, with the chain's text and rows beside it;
// nothing is written for calls that make no function or once the folder
// is cleared.
TEST_P(ExprMachineCodeTest, DumpWritesEachFunctionForTheDisassembler) {
  const char* text = "b1*(1-exp(-b2*x)) + y^(-2) - sin(x)*b3";
  const int i = P.CompileText(text);
  uint64_t before = 0, made = 0;
  std::vector<std::string> files;
  std::string bin, about;
  {
    TDumpFolder dump;
    ASSERT_FALSE(dump.Path.empty());
    Column(P, i, 16, Bound(2), false);  // no machine code: nothing written
    EXPECT_TRUE(dump.Files().empty());
    before = MachineCodeMade();
    Column(P, i, 16, Bound(2), true);
    made = MachineCodeMade() - before;
    SetMachineCodeDump("");
    Column(P, i, 9, Bound(2), true);  // made, not written
    EXPECT_EQ(MachineCodeMade() - before, 2 * made);
    files = dump.Files();
    if (made == 1) {
      bin = dump.Read(TDumpFolder::Name(before + 1) + ".bin");
      about = dump.Read(TDumpFolder::Name(before + 1) + ".txt");
    }
  }
  if (!CanMakeMachineCode()) {
    EXPECT_EQ(made, 0u);
    EXPECT_TRUE(files.empty());
    return;
  }
  ASSERT_EQ(made, 1u);
  const std::string name = TDumpFolder::Name(before + 1);
  ASSERT_EQ(files, (std::vector<std::string>{name + ".bin", name + ".txt"}));
  EXPECT_NE(about.find(std::string("text: ") + text + "\n"), std::string::npos) << about;
  EXPECT_NE(about.find("rows: 16\n"), std::string::npos) << about;
  EXPECT_NE(about.find("bytes: " + std::to_string(bin.size()) + "\n"), std::string::npos) << about;

  // objdump decodes every byte (no "(bad)"), the last instruction ends at
  // the last byte and is the return, and the body has the vector
  // arithmetic and the routine calls of the model.
  TDumpFolder again;  // a file objdump can read
  const std::filesystem::path file = again.Path / "function.bin";
  std::ofstream(file, std::ios::binary) << bin;
  std::string listing;
  if (std::FILE* p =
          ::popen(("objdump -D -b binary -mi386:x86-64 " + file.native()).c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) listing.append(buffer, n);
    EXPECT_EQ(::pclose(p), 0);
  }
  ASSERT_NE(listing.find("<.data>:"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("(bad)"), std::string::npos) << listing;
  for (const char* word : {"vmulpd", "vsubpd", "vaddpd", "vbroadcastsd", "call", "stmxcsr"})
    EXPECT_NE(listing.find(word), std::string::npos) << word;
  std::istringstream lines(listing);
  std::string line, last;
  while (std::getline(lines, line))
    if (line.find(":\t") != std::string::npos) last = line;
  const size_t colon = last.find(':');
  ASSERT_NE(colon, std::string::npos);
  EXPECT_EQ(std::stoul(last.substr(0, colon), nullptr, 16) + 1, bin.size()) << last;
  EXPECT_NE(last.find("ret"), std::string::npos) << last;
}

// The function calls the routines of the width in force: with AVX-512
// SLEEF's eight-lane exp itself and the power routine of eight lanes,
// with AVX2 the routines of four lanes; without AVX2 there is none. (The
// function moves the address of each routine it calls into rax as a
// 64-bit value, so the address stands among its bytes.)
TEST_P(ExprMachineCodeTest, FunctionsCallTheRoutinesOfTheWidthInForce) {
  using expr::TElementary;
  using expr::TElementaryKernel;
  constexpr int kExp = static_cast<int>(TElementary::Exp);
  std::vector<TElementaryKernel> wanted, unwanted;
  if (GetParam() >= 4) {
    const expr::TElementaryKernels four = expr::ElementaryKernelsAvx2();
    (GetParam() == 4 ? wanted : unwanted).push_back(four.Function[kExp]);
    (GetParam() == 4 ? wanted : unwanted).push_back(four.Power);
  }
  if (GetParam() == 8) {
    const expr::TElementaryKernels eight = expr::ElementaryKernelsAvx512();
    wanted.push_back(eight.Wide[kExp]);
    wanted.push_back(eight.Power);
    unwanted.push_back(eight.Function[kExp]);
  }
  const int i = P.CompileText("b1*exp(-b2*x) + x^b3");
  TDumpFolder dump;
  const uint64_t before = MachineCodeMade();
  EXPECT_EQ(Check(i, 16, Bound(1)), CanMakeMachineCode() ? 1u : 0u);
  if (!CanMakeMachineCode()) {
    EXPECT_TRUE(dump.Files().empty());
    return;
  }
  const std::string code = dump.Read(TDumpFolder::Name(before + 1) + ".bin");
  ASSERT_FALSE(code.empty());
  auto holds = [&](TElementaryKernel routine) {
    const uint64_t address = reinterpret_cast<uint64_t>(routine);
    return code.find(std::string(reinterpret_cast<const char*>(&address), sizeof address)) !=
           std::string::npos;
  };
  for (TElementaryKernel routine : wanted) EXPECT_TRUE(holds(routine)) << routine;
  for (TElementaryKernel routine : unwanted) EXPECT_FALSE(holds(routine)) << routine;
}

INSTANTIATE_TEST_SUITE_P(Widths, ExprMachineCodeTest, ::testing::ValuesIn(expr::ElementaryWidths()),
                         exprtest::WidthName);

}  // namespace
}  // namespace qv
