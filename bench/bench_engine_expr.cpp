// The expression evaluator against hand-written C++ (the limit) and
// muparser, on the same expressions and the same data column. Times are per
// pass over the column; items per second are rows per second.
//
//   Hand/<expr>     compiled C++ loop
//   RowByRow/<expr> one EvaluateCompiled per row (the variables set per row)
//   Column/<expr>   one EvaluateCompiledColumn per pass
//   MuParser/<expr> one Eval per row (when QV_HAVE_MUPARSER)
//
// The machine code of small data sets (engine/expr/ExprMachineCode.h), on
// models of the kinds fitted to them:
//   MachineCodeWrite/<model>  the column call that writes the model's
//                   function (a new data generation and another row count
//                   each time, 16 and 17 rows by turns): items per second
//                   are functions written per second
//   MachineCodeRun/<model>    the quick call that runs the function written
//                   for 16 rows; items per second are rows per second
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ParseExpr.h"
#include "engine/expr/ExprMachineCode.h"

#ifdef QV_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

constexpr int kRows = 4096;

struct TData {
  std::vector<double> X, Y;
  TData() {
    for (int r = 0; r < kRows; ++r) {
      X.push_back(0.01 + 10.0 * r / kRows);
      Y.push_back(std::sin(r * 0.37) * 3);
    }
  }
};
const TData& Data() {
  static TData d;
  return d;
}

// Parameters of the models.
double pa = 2.5, pb = 0.3, pc = 1.25;
double b1 = 1.1, b2 = 0.2, b3 = 0.03, b4 = 0.004, b5 = 0.5, b6 = 0.06, b7 = 0.007;

struct TCase {
  const char* Name;
  const char* Ours;  // our text
  const char* Mu;    // muparser's text of the same expression
  void (*Hand)(const double* x, const double* y, double* out, int n);
};

void HandExp(const double* x, const double*, double* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = pa * std::exp(-pb * x[i]) + pc;
}
void HandRise(const double* x, const double*, double* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = b1 * (1 - std::exp(-b2 * x[i]));
}
void HandRational(const double* x, const double*, double* out, int n) {
  for (int i = 0; i < n; ++i) {
    const double v = x[i];
    out[i] =
        (b1 + b2 * v + b3 * v * v + b4 * v * v * v) / (1 + b5 * v + b6 * v * v + b7 * v * v * v);
  }
}
void HandTrig(const double* x, const double* y, double* out, int n) {
  for (int i = 0; i < n; ++i)
    out[i] = std::sin(x[i]) * std::cos(y[i]) + x[i] * x[i] / (1 + y[i] * y[i]);
}
void HandIf(const double* x, const double* y, double* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = (x[i] > y[i] ? pa * x[i] : pb * y[i]) + pc;
}

const TCase kCases[] = {
    {"exp_decay", "a*exp(-b*x)+c", "a*exp(-b*x)+c", &HandExp},
    {"exp_rise", "b1*(1-exp(-b2*x))", "b1*(1-exp(-b2*x))", &HandRise},
    {"rational", "(b1+b2*x+b3*x^2+b4*x^3)/(1+b5*x+b6*x^2+b7*x^3)",
     "(b1+b2*x+b3*x^2+b4*x^3)/(1+b5*x+b6*x^2+b7*x^3)", &HandRational},
    {"trig", "sin(x)*cos(y)+x^2/(1+y^2)", "sin(x)*cos(y)+x^2/(1+y^2)", &HandTrig},
    {"if", "if(x > y, a*x, b*y)+c", "(x > y ? a*x : b*y)+c", &HandIf},
};

void BindAll(qv::TExpressionParser& p, double* x, double* y) {
  p.BindVariable("x", x);
  p.BindVariable("y", y);
  p.BindVariable("a", &pa);
  p.BindVariable("b", &pb);
  p.BindVariable("c", &pc);
  double* bs[] = {&b1, &b2, &b3, &b4, &b5, &b6, &b7};
  for (int i = 0; i < 7; ++i) p.BindVariable("b" + std::to_string(i + 1), bs[i]);
}

void BM_Hand(benchmark::State& state, const TCase* c) {
  const TData& d = Data();
  std::vector<double> out(kRows);
  for (auto _ : state) {
    c->Hand(d.X.data(), d.Y.data(), out.data(), kRows);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// A case compiled by our parser, with its variables x and y bound.
struct TCompiled {
  double x = 0, y = 0;
  qv::TExpressionParser p;
  int index;
  explicit TCompiled(const TCase* c) {
    BindAll(p, &x, &y);
    index = p.CompileText(c->Ours);
  }
};

void BM_RowByRow(benchmark::State& state, const TCase* c) {
  const TData& d = Data();
  TCompiled e(c);
  std::vector<double> out(kRows);
  for (auto _ : state) {
    for (int r = 0; r < kRows; ++r) {
      e.x = d.X[static_cast<size_t>(r)];
      e.y = d.Y[static_cast<size_t>(r)];
      out[static_cast<size_t>(r)] = e.p.EvaluateCompiled(e.index);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_Column(benchmark::State& state, const TCase* c) {
  const TData& d = Data();
  TCompiled e(c);
  std::vector<double> out(kRows);
  const qv::TColumnBinding b[] = {{&e.x, d.X.data()}, {&e.y, d.Y.data()}};
  for (auto _ : state) {
    if (e.p.EvaluateCompiledColumn(e.index, kRows, b, 2, out.data()) != kRows)
      state.SkipWithError("fault");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

#ifdef QV_HAVE_MUPARSER
void BM_MuParser(benchmark::State& state, const TCase* c) {
  const TData& d = Data();
  double x = 0, y = 0;
  mu::Parser p;
  p.DefineVar("x", &x);
  p.DefineVar("y", &y);
  p.DefineVar("a", &pa);
  p.DefineVar("b", &pb);
  p.DefineVar("c", &pc);
  double* bs[] = {&b1, &b2, &b3, &b4, &b5, &b6, &b7};
  for (int i = 0; i < 7; ++i) p.DefineVar("b" + std::to_string(i + 1), bs[i]);
  p.SetExpr(c->Mu);
  std::vector<double> out(kRows);
  p.Eval();  // parse once before timing
  for (auto _ : state) {
    for (int r = 0; r < kRows; ++r) {
      x = d.X[static_cast<size_t>(r)];
      y = d.Y[static_cast<size_t>(r)];
      out[static_cast<size_t>(r)] = p.Eval();
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
#endif

// Models fitted to small data sets, from one exponential to a sum of
// three and a long polynomial ratio.
struct TSmallModel {
  const char* Name;
  const char* Text;
};
const TSmallModel kSmallModels[] = {
    {"exp_rise", "b1*(1-exp(-b2*x))"},
    {"rational", "(b1+b2*x+b3*x^2+b4*x^3)/(1+b5*x+b6*x^2+b7*x^3)"},
    {"three_exp", "b1*exp(-b2*x) + b3*exp(-b4*x) + b5*exp(-b6*x)"},
    {"gauss", "b1*exp(-b2*x) + b3*exp(-(x-b4)^2/b5^2) + b6*exp(-(x-b7)^2/c^2)"},
    {"long_rational",
     "(b1 + b2*x + b3*x^2 + b4*x^3 + b5*x^4 + b6*x^5 + b7*x^6)/(1 + a*x + b*x^2 + c*x^3 + "
     "b1*x^4 + b2*x^5 + b3*x^6) + (b4 - b5*x)^3/(b6 + x^2) - b7*x*y + (a + b*y)/(c + x)"},
};
constexpr int kSmallRows = 16;

// A small model compiled by our parser, x and y bound to their columns.
struct TSmallCompiled {
  double x = 0, y = 0;
  qv::TExpressionParser p;
  int index;
  std::vector<double> out = std::vector<double>(kSmallRows + 1);
  qv::TColumnBinding b[2];
  explicit TSmallCompiled(const TSmallModel* m) {
    BindAll(p, &x, &y);
    index = p.CompileText(m->Text);
    b[0] = {&x, Data().X.data()};
    b[1] = {&y, Data().Y.data()};
  }
  int Column(int rows, uint64_t generation) {
    return p.EvaluateCompiledColumn(index, rows, b, 2, out.data(), generation);
  }
};

void BM_MachineCodeWrite(benchmark::State& state, const TSmallModel* m) {
  TSmallCompiled e(m);
  uint64_t generation = 1;
  const uint64_t before = qv::expr::MachineCodeMade();
  for (auto _ : state) {
    const int rows = kSmallRows + static_cast<int>(generation & 1);
    if (e.Column(rows, ++generation) != rows) state.SkipWithError("fault");
    benchmark::DoNotOptimize(e.out.data());
  }
  if (qv::expr::MachineCodeMade() - before != static_cast<uint64_t>(state.iterations()))
    state.SkipWithError("no machine code for every call");
  state.SetItemsProcessed(state.iterations());
}

void BM_MachineCodeRun(benchmark::State& state, const TSmallModel* m) {
  TSmallCompiled e(m);
  if (e.Column(kSmallRows, 1) != kSmallRows) return state.SkipWithError("fault");
  for (auto _ : state) {
    if (!e.p.EvaluateCompiledColumnQuick(e.index, kSmallRows, e.b, 2, e.out.data(), 1))
      return state.SkipWithError("no machine code");
    benchmark::DoNotOptimize(e.out.data());
  }
  state.SetItemsProcessed(state.iterations() * kSmallRows);
}

int RegisterAll() {
  for (const TCase& c : kCases) {
    const std::string n = c.Name;
    benchmark::RegisterBenchmark(("Hand/" + n).c_str(), BM_Hand, &c);
    benchmark::RegisterBenchmark(("Column/" + n).c_str(), BM_Column, &c);
    benchmark::RegisterBenchmark(("RowByRow/" + n).c_str(), BM_RowByRow, &c);
#ifdef QV_HAVE_MUPARSER
    benchmark::RegisterBenchmark(("MuParser/" + n).c_str(), BM_MuParser, &c);
#endif
  }
  for (const TSmallModel& m : kSmallModels) {
    const std::string n = m.Name;
    benchmark::RegisterBenchmark(("MachineCodeWrite/" + n).c_str(), BM_MachineCodeWrite, &m);
    benchmark::RegisterBenchmark(("MachineCodeRun/" + n).c_str(), BM_MachineCodeRun, &m);
  }
  return 0;
}
const int kRegistered = RegisterAll();

}  // namespace

BENCHMARK_MAIN();
