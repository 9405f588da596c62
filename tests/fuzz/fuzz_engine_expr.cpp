// Arbitrary text through the expression compiler and evaluator: every
// failure must be an EParserException; no crash, no hang.
#include <cstdint>
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
    // The same text again comes from the cache; the column form must agree
    // with the row form or stop where it raises.
    if (p.CompileText(text) != index) __builtin_trap();
    double xs[3] = {-1, 0, 2};
    double out[3];
    const qv::TColumnBinding bind[] = {{&x, xs}};
    p.EvaluateCompiledColumn(index, 3, bind, 1, out);
  } catch (const qv::EParserException&) {
  }
  return 0;
}
