// Whole-search cost per model evaluation.
//
// For the NIST models Misra1a (14 rows), Thurber (37 rows) and Hahn1 (236
// rows), each algorithm family runs a fixed number of generations at its
// default settings through the run controller. The cost of the whole search
// (evaluation, algorithm step, bookkeeping) is divided by the number of
// row evaluations of the model and set against a hand-written C++ loop that
// evaluates the same model natively over the same rows for as many
// candidates, with the same statistics. Counters:
//   ns_per_row_eval    nanoseconds per row evaluation
//   cand_per_s         candidate (whole data set) evaluations per second
// bench/scipy_de_bench.py measures SciPy's differential_evolution on the
// same models, data, population and generations for the second comparison.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../tests/engine/NistData.h"
#include "engine/CommonUnit.h"
#include "engine/RandomValues.h"
#include "engine/RecordingFitHost.h"
#include "engine/RunController.h"
#include "platform/core/Random.h"
#include "platform/core/SysUtils.h"

using namespace qv;

namespace {

constexpr int kGenerations = 200;
constexpr int kPopulation = 20;

bool Load(const std::string& name, test::TNistProblem& p) { return test::LoadNistProblem(name, p); }

const char* kModels[] = {"Misra1a", "Thurber", "Hahn1"};
const char* kAlgorithms[] = {"ZUD", "GA", "PSO", "DE"};

void BM_Search(benchmark::State& state) {
  const std::string model = kModels[state.range(0)];
  const int algorithm = static_cast<int>(state.range(1));
  test::TNistProblem p;
  if (!Load(model, p)) {
    state.SkipWithError("NIST data not found in tests/engine/data/nist");
    return;
  }
  FormatSettings() = TFormatSettings::Invariant();
  std::vector<std::string> lines;
  for (size_t at = 0; at < p.ModelText.size();) {
    size_t end = p.ModelText.find('\n', at);
    if (end == std::string::npos) end = p.ModelText.size();
    lines.push_back(p.ModelText.substr(at, end - at));
    at = end + 1;
  }
  int64_t candidates = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    TEngineState s;
    TRecordingFitHost host;
    host.Options.SetItemIndex(TSettingName::RadioGroup2, algorithm);
    host.Options.SetChecked(TSettingName::RB2, true);
    host.Options.SetText(TSettingName::ComboBox1, std::to_string(kGenerations));
    host.Options.SetText(TSettingName::CBB2, "100000");
    SeedEngineRandom(s, 1);
    TRunController controller(s, host);
    controller.Run(lines);
    // One evaluation of every member per generation step (differential
    // evolution: its trials), plus the first evaluation.
    candidates += static_cast<int64_t>(kPopulation) * (kGenerations + 3);
  }
  const double ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  state.counters["ns_per_row_eval"] = ns / (static_cast<double>(candidates) * p.Rows);
  state.counters["cand_per_s"] =
      benchmark::Counter(static_cast<double>(candidates), benchmark::Counter::kIsRate);
  state.SetLabel(model + "/" + kAlgorithms[algorithm]);
}

// The same models written out in C++, with the fitness statistics the
// search computes per candidate (SSE and DC).
double NativeModel(int model, const double* b, double x) {
  switch (model) {
    case 0:
      return b[0] * (1 - std::exp(-b[1] * x));
    default: {
      const double x2 = x * x, x3 = x2 * x;
      return (b[0] + b[1] * x + b[2] * x2 + b[3] * x3) / (1 + b[4] * x + b[5] * x2 + b[6] * x3);
    }
  }
}

void BM_Native(benchmark::State& state) {
  const int model = static_cast<int>(state.range(0));
  test::TNistProblem p;
  if (!Load(kModels[model], p)) {
    state.SkipWithError("NIST data not found in tests/engine/data/nist");
    return;
  }
  // Data back from the model text's rows.
  std::vector<double> xs, ys;
  const size_t data = p.ModelText.find("data;\n") + 6;
  for (size_t at = data; at < p.ModelText.size();) {
    size_t end = p.ModelText.find('\n', at);
    const std::string row = p.ModelText.substr(at, end - at);
    const size_t blank = row.find(' ');
    xs.push_back(std::stod(row.substr(0, blank)));
    ys.push_back(std::stod(row.substr(blank + 1)));
    at = end + 1;
  }
  const int n = static_cast<int>(xs.size());
  double mean = 0;
  for (double y : ys) mean += y;
  mean /= n;
  double stt = 0;
  for (double y : ys) stt += (y - mean) * (y - mean);
  TRandomGenerator g(1);
  std::vector<double> calc(n), b(p.Certified.size());
  int64_t candidates = 0;
  double sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (int c = 0; c < kPopulation * (kGenerations + 3); ++c) {
      for (size_t i = 0; i < b.size(); ++i) b[i] = p.Certified[i] * (0.9 + 0.2 * g.Random());
      double sse = 0;
      for (int k = 0; k < n; ++k) {
        calc[k] = NativeModel(model, b.data(), xs[k]);
        sse += (ys[k] - calc[k]) * (ys[k] - calc[k]);
      }
      sink += (stt - sse) / stt;
    }
    candidates += static_cast<int64_t>(kPopulation) * (kGenerations + 3);
  }
  benchmark::DoNotOptimize(sink);
  const double ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  state.counters["ns_per_row_eval"] = ns / (static_cast<double>(candidates) * n);
  state.counters["cand_per_s"] =
      benchmark::Counter(static_cast<double>(candidates), benchmark::Counter::kIsRate);
  state.SetLabel(std::string(kModels[model]) + "/native");
}

}  // namespace

BENCHMARK(BM_Search)->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Native)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
