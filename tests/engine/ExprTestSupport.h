// Shared by the expression tests: a parser with x, a and b bound, helpers
// that evaluate a text or give the message it raises, a runner for tables
// of expected values, and a fixture that runs a suite at every vector width.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>

#include "engine/ParseExpr.h"
#include "engine/expr/ExprElementary.h"

namespace qv {
namespace exprtest {

inline const double kPi = 3.141592653589793;
inline const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A fixture owning a parser with the variables x = -3, a = 2 and b = 3
// bound, under the invariant number format.
class ExprFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    P = std::make_unique<TExpressionParser>();
    P->BindVariable("x", &x);
    P->BindVariable("a", &a);
    P->BindVariable("b", &b);
  }

  double Eval(const std::string& text) { return P->EvaluateCompiled(P->CompileText(text)); }

  // The message of the EParserException that compiling and evaluating the
  // text raises; "" when nothing is raised.
  std::string ErrorOf(const std::string& text) {
    try {
      Eval(text);
    } catch (const EParserException& e) {
      return e.Message();
    }
    return "";
  }

  double x = -3, a = 2, b = 3;
  std::unique_ptr<TExpressionParser> P;
};

struct ValueCase {
  const char* Text;
  double Value;      // NaN: the result must be NaN
  double Tolerance;  // 0: exact
};

// Compiles and evaluates every text of the table with the parser and checks
// the value it gives.
inline void CheckValues(TExpressionParser& p, const ValueCase* cases, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const ValueCase& c = cases[i];
    SCOPED_TRACE(c.Text);
    double v = 0;
    ASSERT_NO_THROW(v = p.EvaluateCompiled(p.CompileText(c.Text)));
    if (std::isnan(c.Value))
      EXPECT_TRUE(std::isnan(v)) << v;
    else if (c.Tolerance == 0)
      EXPECT_EQ(v, c.Value);
    else
      EXPECT_NEAR(v, c.Value, c.Tolerance);
  }
}

// A suite whose tests run once per vector width of the elementary routines
// and the machine code that this processor can run (AVX-512, AVX2, neither;
// engine/expr/ExprElementary.h), so that the narrower ones, which users'
// processors take, are tested on a wider processor too. Instantiate it
// with
//   INSTANTIATE_TEST_SUITE_P(Widths, Suite, ::testing::ValuesIn(expr::ElementaryWidths()),
//                            exprtest::WidthName);
// A fixture's SetUp calls WidthFixture::SetUp first, before it compiles
// anything.
class WidthFixture : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_EQ(expr::LimitElementaryWidth(GetParam()), GetParam());
    ASSERT_EQ(expr::gElementary.BlockWidth, GetParam());
  }
  void TearDown() override { expr::LimitElementaryWidth(expr::ElementaryWidths().front()); }
  // Whether machine code can be made at this width (AVX2 and FMA).
  static bool CanMakeMachineCode() { return expr::gElementary.BlockWidth >= 4; }
};

inline std::string WidthName(const ::testing::TestParamInfo<int>& info) {
  return info.param == 8 ? "Avx512" : info.param == 4 ? "Avx2" : "WithoutAvx2";
}

}  // namespace exprtest
}  // namespace qv
