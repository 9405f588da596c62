// A whole run of a large data set, as the console driver makes it: the
// model read with its data file, one iteration of differential evolution,
// and the report with its observed-against-calculated table written out.
// Set against a hand-written reader that only reads the same file into two
// columns of numbers (the floor of any program that loads the data).
//
// The data: rows of x and y = 2.5*exp(-1.3*x) + 0.7 with a little noise,
// written once into the temporary folder (1,000,000 and 4,000,000 rows).
// Counters:
//   rows_per_s     data rows per second of the whole run
//   peak_rss_mb    the process's peak resident memory so far (a run of the
//                  larger set raises it; run one size alone with
//                  --benchmark_filter to see that size's own peak)
//   report_mb      size of the report text
// The same run by the console driver, for /usr/bin/time -v:
//   qvrun <tmp>/quorvane_bigrun_1000000.mff --set RB2=True --set ComboBox1=1
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <streambuf>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitSettings.h"
#include "engine/RandomValues.h"
#include "engine/RecordingFitHost.h"
#include "engine/ResultReport.h"
#include "engine/RunController.h"
#include "platform/core/SysUtils.h"

using namespace qv;

namespace {

std::string Folder() { return std::filesystem::temp_directory_path().string() + "/"; }

// The data file of Rows rows and the model that reads it; written once.
std::string DataFile(int Rows) {
  const std::string data = Folder() + "quorvane_bigrun_" + std::to_string(Rows) + ".txt";
  const std::string model = Folder() + "quorvane_bigrun_" + std::to_string(Rows) + ".mff";
  if (!std::filesystem::exists(data)) {
    std::mt19937_64 g(7);
    std::normal_distribution<double> noise(0, 0.01);
    std::string text;
    char buffer[64];
    for (int k = 0; k < Rows; ++k) {
      const double x = 5.0 * k / Rows;
      const double y = 2.5 * std::exp(-1.3 * x) + 0.7 + noise(g);
      const int n = std::snprintf(buffer, sizeof buffer, "%.7g %.7g\n", x, y);
      text.append(buffer, static_cast<size_t>(n));
    }
    std::ofstream(data, std::ios::binary) << text;
    std::ofstream(model, std::ios::binary)
        << "title Big Decay;\nvariables x, y;\nparameters a [0, 5], b [0, 5], c [0, 2];\n"
           "function y = a*exp(-b*x)+c;\ndatafile \""
        << data << "\";\n";
  }
  return model;
}

double PeakMb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Counts what is written and keeps nothing.
class TCountingBuffer : public std::streambuf {
 public:
  std::streamsize Count = 0;

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    Count += n;
    return n;
  }
  int_type overflow(int_type c) override {
    ++Count;
    return c;
  }
};

// A console host that keeps nothing: the report is the engine's.
class TQuietHost : public TRecordingFitHost {
 public:
  void SetResultLines(const TResultReport&) override {}
  void WriteResultSummary(const std::vector<std::string>&, bool) override {}
};

void BM_RunOneIteration(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::string model = DataFile(rows);
  FormatSettings() = TFormatSettings::Invariant();
  std::vector<std::string> lines;
  {
    std::ifstream in(model);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
  }
  std::streamsize written = 0;
  for (auto _ : state) {
    TEngineState S;
    S.Model.ModelFolder = Folder();
    SeedEngineRandom(S, 1);
    TQuietHost host;
    host.Options.SetChecked(TSettingName::RB2, true);
    host.Options.SetText(TSettingName::ComboBox1, "1");
    TRunController controller(S, host);
    controller.Run(lines);
    if (controller.Outcome() != TRunOutcome::roSearched) {
      state.SkipWithError("the run did not search");
      return;
    }
    TCountingBuffer counter;
    std::ostream out(&counter);
    controller.Report().Write(out);
    written = counter.Count;
  }
  state.counters["rows_per_s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_rss_mb"] = PeakMb();
  state.counters["report_mb"] = static_cast<double>(written) / 1e6;
}
BENCHMARK(BM_RunOneIteration)->Arg(1000000)->Arg(4000000)->Unit(benchmark::kMillisecond);

// The hand-written reader: the whole file in one read, two columns parsed.
void BM_HandWrittenReader(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  DataFile(rows);
  const std::string data = Folder() + "quorvane_bigrun_" + std::to_string(rows) + ".txt";
  for (auto _ : state) {
    std::ifstream in(data, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<double> x, y;
    x.reserve(static_cast<size_t>(rows));
    y.reserve(static_cast<size_t>(rows));
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
      double a = 0, b = 0;
      p = std::from_chars(p, end, a).ptr;
      while (p < end && *p == ' ') ++p;
      p = std::from_chars(p, end, b).ptr;
      while (p < end && (*p == '\n' || *p == '\r')) ++p;
      x.push_back(a);
      y.push_back(b);
    }
    benchmark::DoNotOptimize(x.data());
    benchmark::DoNotOptimize(y.data());
  }
  state.counters["rows_per_s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_rss_mb"] = PeakMb();
}
BENCHMARK(BM_HandWrittenReader)->Arg(1000000)->Arg(4000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
