// The main window with a large result (offscreen): a fit of 1,000,000 rows
// of y = a*exp(-b*x)+c read from a data file, one iteration, and the
// report with its observed-against-calculated table shown in the result
// memo, the chart filled.
//   end_to_idle_ms   from the end of the search (the engine's stop time)
//                    to the window idle with the report shown
//   scroll_paint_ms  the memo scrolled to its last line and painted (the
//                    window stays responsive with the whole table in it)
//   memo_lines       lines in the result memo
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QRadioButton>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/PFMainUnit.h"
#include "app/SettingsPage.h"
#include "chart/VuzIduro.h"
#include "editor/CodeEdit.h"
#include "editor/qt/QtCodeCompletionProposal.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtServices.h"
#include "support/qt/QtPropInsp.h"

using namespace qv;

namespace {

std::string Folder() { return std::filesystem::temp_directory_path().string() + "/"; }

std::string ModelFile(int Rows) {
  const std::string data = Folder() + "quorvane_bigreport_" + std::to_string(Rows) + ".txt";
  const std::string model = Folder() + "quorvane_bigreport_" + std::to_string(Rows) + ".mff";
  if (!std::filesystem::exists(model)) {
    std::mt19937_64 g(7);
    std::normal_distribution<double> noise(0, 0.01);
    std::string text;
    char buffer[64];
    for (int k = 0; k < Rows; ++k) {
      const double x = 5.0 * k / Rows;
      const int n = std::snprintf(buffer, sizeof buffer, "%.7g %.7g\n", x,
                                  2.5 * std::exp(-1.3 * x) + 0.7 + noise(g));
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

double MsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

void BM_WindowReport(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::string model = ModelFile(rows);
  double idle = 0, scroll = 0;
  int lines = 0;
  for (auto _ : state) {
    TFitForm form({model});
    form.show();
    QApplication::processEvents();
    TSettingsPage& page = form.SettingsPage();
    page.Get<QRadioButton>("RB2")->setChecked(true);
    qobject_cast<QComboBox*>(page.Control("ComboBox1"))->setEditText("1");
    form.RunButtonClick();
    QApplication::processEvents();
    idle = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                     form.Engine().Run.StopTime)
               .count();
    lines = form.ResultMemo().Lines().Count();
    const auto start = std::chrono::steady_clock::now();
    form.ResultMemo().SetCaretXY(TPoint(1, lines));
    form.ResultMemo().EnsureCursorPosVisible();
    QApplication::processEvents();
    form.grab();
    scroll = MsSince(start);
    state.SetIterationTime(idle / 1000);
    form.CodeMemo().SetModified(false);
    form.close();
  }
  state.counters["end_to_idle_ms"] = idle;
  state.counters["scroll_paint_ms"] = scroll;
  state.counters["memo_lines"] = lines;
}
BENCHMARK(BM_WindowReport)
    ->Arg(1000000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string home = Folder() + "quorvane_bench_home";
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
  QApplication app(argc, argv);
  InstallQtServices();
  InstallSupportQt();
  RegisterChartClasses();
  InstallQtCompletionWindows();
  FormatSettings() = TFormatSettings::Invariant();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
