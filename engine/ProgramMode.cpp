#include "engine/ProgramMode.h"

#include <string>
#include <vector>

#include "engine/FitSearch.h"
#include "engine/ModelParser.h"
#include "engine/SearchReport.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// After the report: how many calls of the model failed, and a failure when
// none succeeded (its parameters are then random values, not a result).
void ReportProgramFaults(TEngineState& S, TFitHost& Host, TRunOutcome& Outcome) {
  const TProgramRuntime& rt = S.Model.ProgramRuntime();
  // The lines go under the report the engine has just built, which the host
  // is shown again.
  std::vector<std::string>& tail = S.Run.Report.Tail;
  if (rt.Abandoned && rt.Calls == 0) {
    // Stopped while the first call still ran (a model that never returns).
    tail.push_back("");
    tail.push_back(
        "No call of the program codes returned before the stop: the parameters above are no "
        "result.");
    Host.SetResultLines(S.Run.Report);
    return;
  }
  if (rt.Faults == 0) return;
  tail.push_back("");
  tail.push_back("Failed calls of the program codes: " + std::to_string(rt.Faults) + " of " +
                 std::to_string(rt.Calls) + " (the first: " + rt.FirstFault + ")");
  const bool none = rt.Faults >= rt.Calls;
  if (none)
    tail.push_back("No call of the program codes succeeded: the parameters above are no result.");
  Host.SetResultLines(S.Run.Report);
  if (none && Outcome == TRunOutcome::roSearched) {
    Outcome = TRunOutcome::roFailed;
    Host.ShowMessage(
        mtWarning, "No evaluation of the program codes succeeded: every call failed (" +
                       std::to_string(rt.Calls) + " calls).\nThe first failure: " + rt.FirstFault);
  }
}

}  // namespace

bool RunProgramMode(TEngineState& S, TFitHost& Host, TSearchSettings& Set, bool Parse,
                    TRunOutcome& Outcome) {
  Outcome = TRunOutcome::roModelRefused;
  auto refuse = [&] {
    Host.RestoreCursor();
    return false;
  };
  if (Parse && !ParseProgramModel(S, Host)) {
    S.Run.Report = TResultReport();
    Host.SetResultLines(S.Run.Report);
    return refuse();
  }
  S.Model.CurrentFile = 0;
  S.Model.CurrentOutput = 0;
  PrepareTargetData(S);
  // A stop from here on is this run's (the compile honours it).
  S.Run.StopCode = scNone;
  if (!BuildFitDll(S, Host)) return refuse();

  const int vpc = S.Model.VarParameterCount;
  const bool perFile = S.Model.DataFileCount > 1 && vpc > 0;
  const int tests = TestDataSetCount(S);
  S.Model.DimCount = perFile
                         ? S.Model.ParameterCount + vpc * (S.Model.DataFileCount - 1) - tests * vpc
                         : S.Model.ParameterCount;

  Outcome = TRunOutcome::roSettingsRefused;
  if (!ReadSearchSettings(S, Host, Set)) return refuse();
  UseGeneCoding(S.Model, Set);
  if (!S.Run.Resuming) {
    if (!CheckPopulationMemory(S, Host, Set)) return refuse();
    Outcome = TRunOutcome::roModelRefused;
    if (!InitPopulation(S, Host, Set)) return refuse();
  }
  if (S.Pop.PopSize <= 0 || S.Pop.Population.empty()) return refuse();

  if (perFile && tests > 0) {
    // The var-parameters of the test data sets are not searched: ask for them.
    std::vector<std::string> titles;
    std::vector<double> values;
    const int shared = S.Model.ParameterCount - vpc;
    const std::vector<double>& previous = S.Model.ProgramRuntime().TestValues;
    for (int f = 0; f < S.Model.DataFileCount; ++f) {
      if (!IsTestDataSet(S, f)) continue;
      for (int k = 0; k < vpc; ++k) {
        titles.push_back(S.Model.ParameterNames[shared + k] + " for \"" +
                         ExtractFileName(S.Model.DataSetNames[f]) + "\"");
        values.push_back(values.size() < previous.size() ? previous[values.size()] : 0.0);
      }
    }
    auto* source = dynamic_cast<TTestValuesSource*>(&Host);
    if (!source) {
      Host.ShowMessage(
          mtInformation,
          "The VarParameter values of the test data files are needed before the search!");
      return refuse();
    }
    if (!source->EditTestFileValues(titles, values)) return refuse();
    values.resize(titles.size(), 0.0);
    SetTestFileValues(S, values);
  }

  Host.RestoreCursor();
  PrepareSearch(S, Host, Set);
  Outcome = TRunOutcome::roSearched;
  TProgramRuntime& rt = S.Model.ProgramRuntime();
  rt.Calls = rt.Faults = 0;
  rt.FirstFault.clear();
  rt.Abandoned = false;
  rt.Prefetched = 0;
  // Evaluations waiting for the worker pump the window; a stop ends them.
  struct TPumpScope {
    TProgramRuntime& Runtime;
    ~TPumpScope() { Runtime.Pump = nullptr; }
  } pumpScope{rt};
  rt.Pump = [&] {
    Host.ProcessMessages();
    return S.Run.SearchRunning;
  };
  GuardedSearch(
      S, Host, Set,
      [&] {
        try {
          RunFitSearch(S, Host, Set);
        } catch (const EFitWorkerDied& e) {
          // The run ends here, and the report is written.
          rt.Pump = nullptr;
          Outcome = TRunOutcome::roFailed;
          S.Run.StopTime = TRunClock::now();
          S.Run.StopCode = scNone;
          Host.ShowMessage(mtInformation, std::string("Some thing wrong!\n") + e.what());
          ReportSearchResults(S, Host, Set, true);
        }
      },
      "Some thing wrong!", true, Outcome);
  rt.Pump = nullptr;
  ReportProgramFaults(S, Host, Outcome);
  return true;
}

}  // namespace qv
