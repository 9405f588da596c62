// Cost of one candidate's fitness, the engine against native C++.
//
// Per model, the same candidates (parameters drawn around the certified
// values) are evaluated three ways over the same rows, each giving the DC
// of the candidate:
//   Engine/<model>   MemberFitnessByExpression on the model as the search
//                    runs it (compiled function, machine code of a small
//                    data set or column evaluation, SSE), each candidate
//                    a member of the population;
//   EngineBlocks/<model>  the same without machine code: the column
//                    evaluation alone, which shows where machine code pays;
//   Native/<model>   the model written out in C++, built as the program is
//                    (-O2);
//   Fast/<model>     the same loop built with -O3 -march=native -ffast-math
//                    (vectorised elementary functions): the limit.
// Models: every NIST problem with one x column (the 14-row Misra1a and the
// 37-row Thurber among them) and "Large", b1*(1-exp(-b2*x)) over 1,000,000
// rows. Engine/Large runs with 1, 2, 4 and 8 threads (second argument).
// Load/Large reads that model's text (1,000,000 data lines) into an engine
// state as a run does, with the heap memory the loaded state holds.
// Counter: ns_per_row  nanoseconds per row evaluation.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../tests/engine/NistData.h"
#include "engine/CommonUnit.h"
#include "engine/EvaluationThreads.h"
#include "engine/Fitness.h"
#include "engine/ModelParser.h"
#include "engine/RandomValues.h"
#include "engine/RecordingFitHost.h"
#include "engine/RunController.h"
#include "engine/expr/ExprMachineCode.h"
#include "platform/core/Random.h"
#include "platform/core/SysUtils.h"

namespace qv::bench {
namespace o2 {
double NativeDc(const char* model, const double* b, const double* x, const double* y, int n,
                double stt);
}
namespace fast {
double NativeDc(const char* model, const double* b, const double* x, const double* y, int n,
                double stt);
}
}  // namespace qv::bench

using namespace qv;

namespace {

const char* kModels[] = {"Bennett5", "BoxBOD",   "Chwirut1", "Chwirut2", "DanWood", "ENSO",
                         "Eckerle4", "Gauss1",   "Gauss2",   "Gauss3",   "Hahn1",   "Kirby2",
                         "Lanczos1", "Lanczos2", "Lanczos3", "MGH09",    "MGH10",   "MGH17",
                         "Misra1a",  "Misra1b",  "Misra1c",  "Misra1d",  "Rat42",   "Rat43",
                         "Roszman1", "Thurber",  "Large"};
constexpr int kLarge = 26;
constexpr int kLargeRows = 1000000;

// A problem: its model text, certified values, and the x and y columns.
struct TProblem {
  std::string Name, Text;
  std::vector<double> Certified, X, Y;
  double Stt = 0;
};

std::string LargeText(TProblem& p) {
  std::string text =
      "title Large;\nvariables x, y;\nparameters b1 [100, 400], b2 [1e-5, 1e-3];\n"
      "function y = b1*(1-exp(-b2*x));\ndata;\n";
  TRandomGenerator g(7);
  char line[64];
  for (int r = 0; r < kLargeRows; ++r) {
    const double x = 1 + 1000.0 * r / kLargeRows;
    const double y = 240 * (1 - std::exp(-5.5e-4 * x)) * (1 + 0.01 * (g.Random() - 0.5));
    std::snprintf(line, sizeof line, "%.10g %.10g\n", x, y);
    text += line;
  }
  p.Certified = {240, 5.5e-4};
  return text;
}

bool Load(int model, TProblem& p) {
  p.Name = kModels[model];
  if (model == kLarge) {
    p.Text = LargeText(p);
  } else {
    test::TNistProblem n;
    if (!test::LoadNistProblem(p.Name, n)) return false;
    p.Text = n.ModelText;
    p.Certified = n.Certified;
  }
  const size_t data = p.Text.find("data;\n") + 6;
  for (size_t at = data; at < p.Text.size();) {
    const size_t end = p.Text.find('\n', at);
    char* next = nullptr;
    p.X.push_back(std::strtod(p.Text.c_str() + at, &next));
    p.Y.push_back(std::strtod(next, nullptr));
    at = end + 1;
  }
  double mean = 0;
  for (double y : p.Y) mean += y;
  mean /= static_cast<double>(p.Y.size());
  for (double y : p.Y) p.Stt += (y - mean) * (y - mean);
  return true;
}

const TProblem& Problem(int model) {
  static std::vector<std::unique_ptr<TProblem>> cache(std::size(kModels));
  auto& p = cache[static_cast<size_t>(model)];
  if (!p) {
    p = std::make_unique<TProblem>();
    if (!Load(model, *p)) p->Name.clear();
  }
  return *p;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// Candidates near the certified values, the same for every column.
std::vector<std::vector<double>> Candidates(const TProblem& p, int count) {
  TRandomGenerator g(1);
  std::vector<std::vector<double>> out(static_cast<size_t>(count));
  for (auto& b : out)
    for (double c : p.Certified) b.push_back(c * (0.95 + 0.1 * g.Random()));
  return out;
}

int CandidateCount(const TProblem& p) {
  return p.X.size() >= 100000 ? 4 : std::max(64, static_cast<int>(200000 / p.X.size()));
}

void Report(benchmark::State& state, const TProblem& p, int64_t rows, double ns, double sink) {
  benchmark::DoNotOptimize(sink);
  state.counters["ns_per_row"] = ns / static_cast<double>(rows);
  state.SetLabel(p.Name);
}

void EngineFitness(benchmark::State& state, bool machineCode) {
  const TProblem& p = Problem(static_cast<int>(state.range(0)));
  if (p.Name.empty()) return state.SkipWithError("NIST data not found in tests/engine/data/nist");
  FormatSettings() = TFormatSettings::Invariant();
  TEngineState s;
  TRecordingFitHost host;
  host.Options.SetItemIndex(TSettingName::RadioGroup2, 3);
  host.Options.SetChecked(TSettingName::RB2, true);
  host.Options.SetText(TSettingName::ComboBox1, "1");
  SeedEngineRandom(s, 1);
  TRunController controller(s, host);
  if (!controller.Run(Lines(p.Text))) return state.SkipWithError("the model did not run");
  SetEvaluationThreads(static_cast<int>(state.range(1)));
  expr::SetMachineCodeEnabled(machineCode);
  // The candidates are the members of the population, evaluated where
  // they are, as the search evaluates its members (one that raises is
  // drawn again, as there).
  s.Pop.Population = Candidates(p, CandidateCount(p));
  const int members = static_cast<int>(s.Pop.Population.size());
  int64_t rows = 0;
  double sink = 0;
  TFitnessRunScope scope(s);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (int m = 0; m < members; ++m) sink += MemberFitnessByExpression(s, crDC, m);
    rows += static_cast<int64_t>(members) * static_cast<int64_t>(p.X.size());
  }
  SetEvaluationThreads(0);
  expr::SetMachineCodeEnabled(true);
  Report(state, p, rows,
         std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count(),
         sink);
}

void BM_Engine(benchmark::State& state) { EngineFitness(state, true); }
void BM_EngineBlocks(benchmark::State& state) { EngineFitness(state, false); }

template <double (*Dc)(const char*, const double*, const double*, const double*, int, double)>
void BM_Hand(benchmark::State& state) {
  const TProblem& p = Problem(static_cast<int>(state.range(0)));
  if (p.Name.empty()) return state.SkipWithError("NIST data not found in tests/engine/data/nist");
  const auto candidates = Candidates(p, CandidateCount(p));
  const int n = static_cast<int>(p.X.size());
  int64_t rows = 0;
  double sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (const auto& b : candidates)
      sink += Dc(p.Name.c_str(), b.data(), p.X.data(), p.Y.data(), n, p.Stt);
    rows += static_cast<int64_t>(candidates.size()) * n;
  }
  Report(state, p, rows,
         std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count(),
         sink);
}
void BM_Native(benchmark::State& state) { BM_Hand<&qv::bench::o2::NativeDc>(state); }
void BM_Fast(benchmark::State& state) { BM_Hand<&qv::bench::fast::NativeDc>(state); }

// Bytes of the heap in use, the large blocks the allocator maps on their
// own included (a column of a million rows is one).
double HeapBytes() {
  const struct mallinfo2 m = mallinfo2();
  return static_cast<double>(m.uordblks + m.hblkhd);
}

void BM_Load(benchmark::State& state) {
  const TProblem& p = Problem(kLarge);
  const std::vector<std::string> lines = Lines(p.Text);
  FormatSettings() = TFormatSettings::Invariant();
  double added = 0;
  for (auto _ : state) {
    const double before = HeapBytes();
    TEngineState s;
    TRecordingFitHost host;
    if (!ReadModel(s, host, lines)) return state.SkipWithError("the model was refused");
    PrepareTargetData(s);
    added = std::max(added, HeapBytes() - before);
  }
  state.counters["MB_added"] = added / 1e6;
  state.SetLabel("Large");
}

void Models(benchmark::internal::Benchmark* b) {
  for (int m = 0; m < static_cast<int>(std::size(kModels)); ++m) b->Args({m, 1});
}

}  // namespace

BENCHMARK(BM_Engine)->Apply(Models)->Args({kLarge, 2})->Args({kLarge, 4})->Args({kLarge, 8});
BENCHMARK(BM_EngineBlocks)->Apply(Models);
BENCHMARK(BM_Native)->Apply(Models);
BENCHMARK(BM_Fast)->Apply(Models);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
