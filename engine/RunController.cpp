#include "engine/RunController.h"

#include <algorithm>
#include <functional>

#include "engine/FitSearch.h"
#include "engine/Fitness.h"
#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "engine/OptimizeLoop.h"
#include "engine/ProgramMode.h"
#include "engine/RandomValues.h"
#include "engine/SearchReport.h"
#include "platform/core/SysUtils.h"

namespace qv {

void GuardedSearch(TEngineState& S, TFitHost& Host, const TSearchSettings& Set,
                   const std::function<void()>& Loop, const std::string& Message, bool FinalReport,
                   TRunOutcome& Outcome) {
  try {
    Loop();
  } catch (const std::exception& e) {
    Outcome = TRunOutcome::roFailed;
    S.Run.StopTime = TRunClock::now();
    // The report names the failure, neither a user stop nor the reason of
    // an earlier run ("RMSE reached" ...).
    S.Run.StopCode = scFailed;
    // The fixed text first, then what went wrong, so the user can act on it.
    const std::string cause = e.what();
    Host.ShowMessage(mtInformation, cause.empty() ? Message : Message + "\n" + cause);
    ReportSearchResults(S, Host, Set, FinalReport);
  }
}

std::vector<std::string> TRunController::SummaryLines(bool Final) const {
  return ResultSummaryLines(state_, Final);
}

bool TRunController::Guarded(const std::function<bool()>& Routine) {
  try {
    return Routine();
  } catch (const EConvertError& e) {
    // A settings box that does not hold a number.
    outcome_ = TRunOutcome::roSettingsRefused;
    host_.ShowMessage(mtError, e.Message());
  } catch (const std::exception& e) {
    outcome_ = TRunOutcome::roFailed;
    host_.ShowMessage(mtError, e.what());
  }
  if (state_.Run.SearchRunning) ReportSearchResults(state_, host_, settings_, false);
  return false;
}

bool TRunController::Exclusive(const std::function<bool()>& Routine) {
  if (busy_) return false;
  busy_ = true;
  struct TLeave {
    bool& Busy;
    ~TLeave() { Busy = false; }
  } leave{busy_};
  return Routine();
}

bool TRunController::Run(const std::vector<std::string>& CodeLines) {
  return Exclusive([&] {
    return Guarded([&] {
      outcome_ = TRunOutcome::roModelRefused;
      state_.Run.Resuming = false;
      state_.Run.Report = TResultReport();
      if (!ReadModel(state_, host_, CodeLines)) return false;
      return RunModeRoutine(false);
    });
  });
}

void TRunController::Stop() {
  state_.Run.StopTime = TRunClock::now();
  state_.Run.StopCode = scUserStop;
  state_.Run.SearchRunning = false;
}

bool TRunController::Resume() {
  if (state_.Model.ModelMode == TModelMode::None) return false;
  return Exclusive([&] {
    return Guarded([&] {
      state_.Run.Resuming = true;
      return RunModeRoutine(true);
    });
  });
}

bool TRunController::RunMode(bool Parse) {
  return Exclusive([&] { return RunModeRoutine(Parse); });
}

bool TRunController::RunModeRoutine(bool Parse) {
  switch (state_.Model.ModelMode) {
    case TModelMode::Function:
      return RunFitMode(Parse);
    case TModelMode::Equation:
      return RunOptimizeMode(Parse);
    default:
      return RunProgramMode(Parse);
  }
}

namespace {

// Refuses an exclusive model whose values cannot be pairwise different.
// Genes lie between both bounds of their parameter: the reader refuses a
// parameter without them once the model is in encode-decode mode, but an
// "exclusive" statement after the parameters switches to that mode later.
bool CheckExclusive(TEngineState& S, TFitHost& Host) {
  const TEngineModel& M = S.Model;
  if (M.Exclusive && M.EncodeDecode)
    for (int d = 0; d < M.DimCount; ++d) {
      const int p = M.DimParameter(d);
      if (p < 0 || p >= M.ParameterCount || (M.HasLower[p] && M.HasUpper[p])) continue;
      Host.ShowMessage(mtInformation, NoGeneBoundsMessage(M.ParameterNames[p]));
      return false;
    }
  if (ExclusiveFeasible(S.Model, S.Pop)) return true;
  Host.ShowMessage(
      mtInformation,
      "Exclusive mode needs at least as many different parameter values as parameters!");
  return false;
}

}  // namespace

bool TRunController::ReadSettings() {
  outcome_ = TRunOutcome::roSettingsRefused;
  if (!ReadSearchSettings(state_, host_, settings_)) return false;
  UseGeneCoding(state_.Model, settings_);
  return true;
}

bool TRunController::StartPopulation() {
  outcome_ = TRunOutcome::roSettingsRefused;
  if (!CheckPopulationMemory(state_, host_, settings_)) return false;
  outcome_ = TRunOutcome::roModelRefused;
  if (!CheckExclusive(state_, host_)) return false;
  return InitPopulation(state_, host_, settings_);
}

bool TRunController::PrepareRun() {
  if (state_.Pop.PopSize <= 0 || state_.Pop.Population.empty()) return false;
  PrepareSearch(state_, host_, settings_);
  outcome_ = TRunOutcome::roSearched;
  return true;
}

bool TRunController::FitOneFunction() {
  TEngineState& S = state_;
  outcome_ = TRunOutcome::roModelRefused;
  PrepareTargetData(S);
  if (!CheckTargetRange(S, host_)) return false;
  if (!CompileFitFunction(S, host_)) return false;
  if (!CheckFunctionExpression(S, host_)) return false;
  if (!ReadSettings()) return false;
  if (!S.Run.Resuming) {
    if (!StartPopulation()) return false;
    S.Run.PopulationFunction = S.Model.CurrentFunction;
  }
  if (!PrepareRun()) return false;
  GuardedSearch(
      S, host_, settings_, [&] { RunFitSearch(S, host_, settings_); }, "Some thing wrong!", true,
      outcome_);
  return true;
}

void TRunController::KeepFunctionResult() {
  const TEngineState& S = state_;
  TFunctionResult r;
  const int k = S.Model.CurrentFunction, f = S.Model.CurrentFile, o = S.Model.CurrentOutput;
  if (k >= 0 && k < static_cast<int>(S.Model.FunctionOutputs.size()))
    r.Output = S.Model.FunctionOutputs[k];
  r.Text = S.Run.Report;  // its columns are shared, not copied
  r.Statistics = {S.Pop.BestR, S.Pop.BestDC, S.Pop.BestRMSE, S.Pop.BestSSE};
  auto column = [&](const Double3Array& a) {
    if (f < 0 || f >= static_cast<int>(a.size()) || o < 0 || o >= static_cast<int>(a[f].size()))
      return Double1Array();
    Double1Array c = a[f][o];
    if (f < static_cast<int>(S.Model.PointCount.size()))
      c.resize(std::min(c.size(), static_cast<size_t>(std::max(0, S.Model.PointCount[f]))));
    return c;
  };
  r.Observed = column(S.Model.TargetData);
  r.Calculated = column(S.Pop.BestCalculated);
  // A search that failed before its first evaluation has no values.
  if (r.Calculated.size() != r.Observed.size()) {
    r.Calculated.clear();
    r.Statistics = {};
  } else if (f < static_cast<int>(S.Pop.BestLine.size()) &&
             o < static_cast<int>(S.Pop.BestLine[f].size())) {
    r.Line = S.Pop.BestLine[f][o];
  }
  state_.Run.FunctionResults.push_back(std::move(r));
}

bool TRunController::RunFitMode(bool Parse) {
  TEngineState& S = state_;
  outcome_ = TRunOutcome::roModelRefused;
  if (Parse && !ParseFunctionModel(S, host_)) return false;
  const int functions = S.Model.FunctionCount > 0 ? S.Model.FunctionCount : 1;
  // A resumed fit by functions goes on with the function whose search left
  // the kept population (the one stopped, or the last one), then with the
  // functions after it; the results of the functions before it stay.
  int start = 0;
  if (S.Run.Resuming && S.Run.PopulationFunction > 0 && S.Run.PopulationFunction < functions)
    start = S.Run.PopulationFunction;
  auto& results = S.Run.FunctionResults;
  results.resize(std::min(results.size(), static_cast<size_t>(start)));
  for (int k = start; k < functions; ++k) {
    S.Model.CurrentFunction = k;
    S.Model.CurrentOutput = 0;
    if (!FitOneFunction()) return false;
    KeepFunctionResult();
    if (!S.Run.SearchRunning && S.Run.StopCode == scUserStop) break;  // the user stopped the run
    if (k + 1 < functions) {
      host_.ProcessMessages();
      // A Stop that arrived in this pump ends the run here instead of being
      // lost to the next function's set-up; the window leaves its running
      // state, which the function's report kept.
      if (S.Run.StopCode == scUserStop) {
        host_.SearchEnded(TSearchEnd::Report);
        break;
      }
      // The next function starts from a fresh population.
      S.Run.Resuming = false;
    }
  }
  return true;
}

bool TRunController::RunOptimizeMode(bool Parse) {
  TEngineState& S = state_;
  outcome_ = TRunOutcome::roModelRefused;
  if (Parse && !ParseEquationModel(S, host_)) return false;
  if (!CompileEquationFunctions(S, host_)) return false;
  if (!CheckEquationFunctions(S, host_)) return false;
  S.Model.DimCount = S.Model.ParameterCount;
  if (!ReadSettings()) return false;
  if (!S.Run.Resuming) {
    if (!StartPopulation()) return false;
    if (S.Model.ConstraintCount > 0) {
      // Look for a member that satisfies every constraint; redraw the whole
      // population up to 101 times, then go on regardless.
      bool found = false;
      for (int pass = 0; pass < 101 && !found; ++pass) {
        for (int m = 0; m < S.Pop.PopSize && !found; ++m) {
          LoadMember(S, S.Pop.Population[m]);
          try {
            found = Feasible(S);
          } catch (const std::exception&) {
          }
        }
        if (!found)
          for (int m = 0; m < S.Pop.PopSize; ++m) ResetPopulation(S, m);
      }
    }
  }
  if (!PrepareRun()) return false;
  GuardedSearch(
      S, host_, settings_, [&] { RunOptimizeLoop(S, host_, settings_); },
      "Some thing wrong for equation solve!", false, outcome_);
  // The loop reports its own failures (an objective that is no number);
  // the run then failed all the same.
  if (S.Run.StopCode == scFailed) outcome_ = TRunOutcome::roFailed;
  return true;
}

bool TRunController::RunProgramMode(bool Parse) {
  return qv::RunProgramMode(state_, host_, settings_, Parse, outcome_);
}

}  // namespace qv
