// Arbitrary text through the expression compiler and evaluator: every
// failure must be an EParserException; no crash, no hang; and the column
// evaluation over more than two blocks of rows gives, bit for bit (any NaN
// matching any NaN), what one evaluation per row gives, up to the first row that raises, which
// raises row by row too.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/ParseExpr.h"

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  *seeds = {
      "a*exp(-b*x)+c",
      "(b1+b2*x+b3*x^2+b4*x^3)/(1+b5*x+b6*x^2+b7*x^3)",
      "if(x > 0, sin(x), cos(y)) + max(1,-2) - min(x; y)",
      "2*-3 + --3 - -2^2 + 2^-1 + $ff + 5! + 50% + 7 div 2 + 7 mod -2",
      "not not 1 and 3 or 4 xor 5",
      "'abc' = 'abc' + ('b' > 'a')",
      "y := x + 1",
      "logN(2, 8) + arctan2(1, 0) + sind(30) + randg(0, 1) * random",
      "((((x))))^((y))",
      "sqrt(-1) / 0 + ln(0) + 1e308*10 + 171! + intpower(2, 1e18)",
      "foo(1) (a)(b) 2(3) () sin() max(1) 'x' <> 'y'",
      "max(1,2,3,4,5,6)",
      "'a' = 'a' and 'b' < 'c' and 'd' >= 'e' or 'f' = 'g' = 'h'",
      ")a( + 1)+(2 ) + ( (()) ",
      "2^1e-1 + 2^15e-1 + 2^$3 + x^2 + intpower(x, 3) + $8000000000000000 div -1",
      "not -1 + not 0 and 1 = not 2.5 xor if(x, -1, 1e19 div 2)",
  };
}

namespace {

constexpr int kRows = 600;  // two whole blocks of 256 rows and a partial one

bool Mentions(const std::string& text, const char* word) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return lower.find(word) != std::string::npos;
}

// Words that draw random numbers or assign give each evaluation its own
// result by design; only the absence of faults is checked for them.
void CompareColumnWithRows(qv::TExpressionParser& p, int index, const std::string& text, double& x,
                           double& y) {
  static double xs[kRows];
  for (int r = 0; r < kRows; ++r) xs[r] = -3 + 0.01 * r;  // passes 0 exactly at row 300
  double out[kRows];
  const qv::TColumnBinding bind[] = {{&x, xs}};
  y = -2;
  const int done = p.EvaluateCompiledColumn(index, kRows, bind, 1, out);
  if (done < 0 || done > kRows) __builtin_trap();
  if (Mentions(text, "rand") || Mentions(text, ":=")) return;
  for (int r = 0; r < done; ++r) {
    x = xs[r];
    y = -2;
    double v = 0;
    try {
      v = p.EvaluateCompiled(index);
    } catch (const qv::EParserException&) {
      __builtin_trap();  // the column took this row
    }
    // Not-a-number results are compared as such: the row and the column
    // path may give NaNs of different sign bits (0 * inf of one of two
    // forms), which no report or statistic tells apart.
    if (std::isnan(v) && std::isnan(out[r])) continue;
    if (std::memcmp(&v, &out[r], sizeof v) != 0) __builtin_trap();
  }
  if (done == kRows) return;
  x = xs[done];
  y = -2;
  p.EvaluateCompiled(index);  // must raise as the column did
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static double x = 0.5, y = -2, a = 1, b = 2, c = 3;
  static double b1 = 1, b2 = 2, b3 = 3, b4 = 4, b5 = 5, b6 = 6, b7 = 7;
  const std::string text(reinterpret_cast<const char*>(data), size);
  qv::TExpressionParser p;
  p.BindVariable("x", &x);
  p.BindVariable("y", &y);
  double* vars[] = {&a, &b, &c, &b1, &b2, &b3, &b4, &b5, &b6, &b7};
  const char* names[] = {"a", "b", "c", "b1", "b2", "b3", "b4", "b5", "b6", "b7"};
  for (int i = 0; i < 10; ++i) p.BindVariable(names[i], vars[i]);
  x = 0.5;
  y = -2;
  try {
    const int index = p.CompileText(text);
    p.EvaluateCompiled(index);
    p.ResultAsText(index);
    // The same text again comes from the cache.
    if (p.CompileText(text) != index) __builtin_trap();
    CompareColumnWithRows(p, index, text, x, y);
  } catch (const qv::EParserException&) {
  }
  return 0;
}
