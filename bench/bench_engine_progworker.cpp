// Cost of evaluating a program model in the worker process against calling
// its library in this process, on the program-model examples.
//
//   BM_CallInProcess   one call of the library loaded here (TFitDll), data set 0
//   BM_CallInWorker    the same call through the worker (RunFitDll: one round
//                      trip over shared memory, outputs copied back)
//   BM_BatchInWorker   N calls in one round trip (as a population or every
//                      data set of a member goes), per call
//   BM_SearchInWorker  a whole search (population 30, 200 generations) through
//                      the run controller, per member evaluation: particle
//                      swarm (the whole population in one round trip) and
//                      differential evolution (one member per round trip)
// Needs Free Pascal (fpc); the libraries are compiled once into the cache
// folder ($XDG_CACHE_HOME/quorvane/lib).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitDll.h"
#include "engine/FitSettings.h"
#include "engine/FitWorker.h"
#include "engine/ModelParser.h"
#include "engine/ProgramMode.h"
#include "engine/RandomValues.h"
#include "engine/RecordingFitHost.h"
#include "engine/RunController.h"
#include "platform/core/SysUtils.h"

using namespace qv;

namespace {

const char* const kExamples[] = {
    "Regression Curve Fit/Quadratic Program.mff",
    "Regression Curve Fit/Quadratic Program VB.mff",
    "Auto-calibration/Sensor Drift Program.mff",
};

std::vector<std::string> ModelLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string ExamplePath(int k) { return std::string(QV_SOURCE_DIR) + "/examples/" + kExamples[k]; }

// An example read and built, its library running in the worker.
struct TBuiltExample {
  TEngineState State;
  TRecordingFitHost Host;
  bool Ok = false;
  explicit TBuiltExample(int k) {
    FormatSettings() = TFormatSettings::Invariant();
    State.Model.ModelFolder = ExtractFilePath(ExamplePath(k));
    Ok = ReadModel(State, Host, ModelLines(ExamplePath(k)));
    if (!Ok) return;
    PrepareTargetData(State);
    Ok = BuildFitDll(State, Host);
    State.Model.ParameterValues.assign(State.Model.ParameterCount, 0.5);
  }
  ~TBuiltExample() { FreeFitDll(State); }
  std::string Why() const {
    std::string all;
    for (const auto& m : Host.Messages) all += m.Text + " ";
    return all.empty() ? "cannot read the example" : all;
  }
};

int InputCount(const TEngineState& S) {
  return static_cast<int>(S.Model.VariableNames.size()) - S.Model.OutputCount;
}

void BM_CallInProcess(benchmark::State& st) {
  TBuiltExample e(static_cast<int>(st.range(0)));
  if (!e.Ok) return st.SkipWithError(e.Why().c_str());
  TFitDll dll;
  std::string error;
  const TEngineModel& M = e.State.Model;
  if (!dll.Load(LastFitDllBuild(e.State).LibraryPath, error) ||
      !dll.Setup(M.PointCount, M.InputData, M.VarConstantValues, InputCount(e.State),
                 M.VarConstantCount, M.OutputCount, M.ParameterCount, error))
    return st.SkipWithError(error.c_str());
  Double2Array y;
  for (auto _ : st) {
    if (dll.Run(0, M.ParameterValues.data(), y) != TFitDllStatus::Ok)
      return st.SkipWithError("the call failed");
    benchmark::DoNotOptimize(y.data());
  }
  st.SetLabel(kExamples[st.range(0)]);
  st.counters["rows"] = M.PointCount[0];
}

void BM_CallInWorker(benchmark::State& st) {
  TBuiltExample e(static_cast<int>(st.range(0)));
  if (!e.Ok) return st.SkipWithError(e.Why().c_str());
  // Each call's own time as well: on a busy machine the mean is mostly
  // the wait for a processor, the fastest calls show the round trip itself.
  std::vector<double> ns;
  for (auto _ : st) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!RunFitDll(e.State, 0)) return st.SkipWithError("the call failed");
    ns.push_back(
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count());
    benchmark::DoNotOptimize(e.State.Model.Calculated[0][0].data());
  }
  st.SetLabel(kExamples[st.range(0)]);
  st.counters["rows"] = e.State.Model.PointCount[0];
  if (!ns.empty()) {
    std::sort(ns.begin(), ns.end());
    st.counters["min_ns"] = ns.front();
    st.counters["p10_ns"] = ns[ns.size() / 10];
    st.counters["median_ns"] = ns[ns.size() / 2];
  }
}

void BM_BatchInWorker(benchmark::State& st) {
  TBuiltExample e(static_cast<int>(st.range(0)));
  if (!e.Ok) return st.SkipWithError(e.Why().c_str());
  const int jobs = static_cast<int>(st.range(1));
  TFitWorker& w = e.State.Model.ProgramRuntime().Worker;
  if (!w.Reserve(jobs)) return st.SkipWithError("no room for the jobs");
  for (int j = 0; j < jobs; ++j) w.SetJob(j, 0, e.State.Model.ParameterValues.data());
  for (auto _ : st) {
    if (w.Execute(jobs) != TFitWorkerWait::Done || w.FailedJob() >= 0)
      return st.SkipWithError("the calls failed");
    benchmark::DoNotOptimize(w.JobOutput(jobs - 1));
  }
  st.SetItemsProcessed(st.iterations() * jobs);
  st.SetLabel(kExamples[st.range(0)]);
}

void BM_SearchInWorker(benchmark::State& st) {
  const int k = static_cast<int>(st.range(0));
  long long members = 0;
  for (auto _ : st) {
    TEngineState s;
    TRecordingFitHost host;
    FormatSettings() = TFormatSettings::Invariant();
    s.Model.ModelFolder = ExtractFilePath(ExamplePath(k));
    SeedEngineRandom(s, 5);
    host.Options.SetItemIndex(TSettingName::RadioGroup2, static_cast<int>(st.range(1)));
    host.Options.SetText(TSettingName::DESizeBox, "30");
    host.Options.SetText(TSettingName::SizeBox, "30");
    host.Options.SetChecked(TSettingName::RB2, true);
    host.Options.SetText(TSettingName::ComboBox1, "200");
    if (k == 2) {  // the held-out sensor's offset
      st.SkipWithError("needs a test value");
      return;
    }
    TRunController c(s, host);
    c.Run(ModelLines(ExamplePath(k)));
    if (c.Outcome() != TRunOutcome::roSearched) return st.SkipWithError("the search did not run");
    members += static_cast<long long>(s.Run.Iteration + 1) * 30;
    FreeFitDll(s);
  }
  st.counters["per_member"] = benchmark::Counter(
      static_cast<double>(members), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  st.SetLabel(kExamples[k]);
}

}  // namespace

BENCHMARK(BM_CallInProcess)->DenseRange(0, 2)->UseRealTime();
BENCHMARK(BM_CallInWorker)->DenseRange(0, 2)->UseRealTime();
BENCHMARK(BM_BatchInWorker)->ArgsProduct({{0, 2}, {1, 30}})->UseRealTime();
// Differential evolution (3) sends one member per round trip; particle
// swarm (2) the whole population.
BENCHMARK(BM_SearchInWorker)
    ->ArgsProduct({{0, 1}, {2, 3}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_MAIN();
