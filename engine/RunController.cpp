#include "engine/RunController.h"

#include <functional>

#include "engine/FitSearch.h"
#include "engine/FitSettings.h"
#include "engine/Fitness.h"
#include "engine/ModelParser.h"
#include "engine/OptimizeLoop.h"
#include "engine/ParseExpr.h"
#include "engine/ProgramMode.h"
#include "engine/RandomValues.h"
#include "engine/SearchReport.h"
#include "engine/SearchSteps.h"
#include "platform/core/Random.h"
#include "platform/core/SysUtils.h"

namespace qv {

TRunController::TRunController(TEngineState& State, TFitHost& Host) : FState(State), FHost(Host) {
  // The expression words "random" and "randg" draw from the engine's one
  // generator too.
  SetExpressionRandomGenerator(&EngineRandom(FState));
}

TRunController::~TRunController() { SetExpressionRandomGenerator(nullptr); }

std::vector<std::string> TRunController::SummaryLines(bool Final) const {
  return ResultSummaryLines(FState, FSettings, Final);
}

bool TRunController::Guarded(const std::function<bool()>& Routine) {
  try {
    return Routine();
  } catch (const EConvertError& e) {
    // A settings box that does not hold a number.
    FOutcome = TRunOutcome::roSettingsRefused;
    FHost.ShowMessage(mtError, e.Message());
  } catch (const std::exception& e) {
    FOutcome = TRunOutcome::roFailed;
    FHost.ShowMessage(mtError, e.what());
  }
  if (FState.SearchRunning) ReportSearchResults(FState, FHost, FSettings, FLogs, false);
  return false;
}

bool TRunController::Run(const std::vector<std::string>& CodeLines) {
  return Guarded([&] {
    FOutcome = TRunOutcome::roModelRefused;
    FState.Resuming = false;
    if (!ReadModel(FState, FHost, CodeLines)) return false;
    switch (FState.ModelMode) {
      case 0:
        return RunFitMode(false);
      case 1:
        return RunOptimizeMode(false);
      default:
        return RunProgramMode(false);
    }
  });
}

void TRunController::Stop() {
  FSettings.StopTime = TRunClock::now();
  FState.StopCode = scUserStop;
  FState.SearchRunning = false;
}

bool TRunController::Resume() {
  if (FState.ModelMode < 0) return false;
  return Guarded([&] {
    ReadGeneSettings(FState, FHost.Settings());
    FState.Resuming = true;
    switch (FState.ModelMode) {
      case 0:
        return RunFitMode(true);
      case 1:
        return RunOptimizeMode(true);
      default:
        return RunProgramMode(true);
    }
  });
}

// The settings of the chosen algorithm are checked before the population is
// built from them, so that an empty or too small box is reported as such.
static bool CheckSettingsFirst(TFitHost& Host) {
  return CheckAlgorithmSettings(Host, Host.Settings().ItemIndex("RadioGroup2"));
}

// Refuses an exclusive model whose values cannot be pairwise different.
static bool CheckExclusive(TEngineState& S, TFitHost& Host) {
  if (ExclusiveFeasible(S)) return true;
  Host.ShowMessage(
      mtInformation,
      "Exclusive mode needs at least as many different parameter values as parameters!");
  return false;
}

bool TRunController::StartPopulation() {
  FOutcome = TRunOutcome::roSettingsRefused;
  if (!CheckSettingsFirst(FHost)) return false;
  FOutcome = TRunOutcome::roModelRefused;
  if (!CheckExclusive(FState, FHost)) return false;
  return InitPopulation(FState, FHost);
}

bool TRunController::PrepareRun() {
  if (FState.PopSize <= 0 || FState.Population.empty()) return false;
  FOutcome = TRunOutcome::roSettingsRefused;
  if (!PrepareSearch(FState, FHost, FSettings, FLogs)) return false;
  FOutcome = TRunOutcome::roSearched;
  return true;
}

bool TRunController::FitOneFunction() {
  TEngineState& S = FState;
  FOutcome = TRunOutcome::roModelRefused;
  PrepareTargetData(S);
  if (!CompileFitFunction(S, FHost)) return false;
  if (!CheckFunctionExpression(S, FHost)) return false;
  if (!S.Resuming) {
    if (!StartPopulation()) return false;
  }
  if (!PrepareRun()) return false;
  try {
    RunFitSearch(S, FHost, FSettings, FLogs);
  } catch (const std::exception&) {
    FOutcome = TRunOutcome::roFailed;
    FSettings.StopTime = TRunClock::now();
    FHost.ShowMessage(mtInformation, "Some thing wrong!");
    ReportSearchResults(S, FHost, FSettings, FLogs, true);
  }
  return true;
}

bool TRunController::RunFitMode(bool Parse) {
  TEngineState& S = FState;
  FOutcome = TRunOutcome::roModelRefused;
  if (Parse && !ParseFunctionModel(S, FHost)) return false;
  FFunctionResults.clear();
  const int functions = S.FunctionCount > 0 ? S.FunctionCount : 1;
  for (int k = 0; k < functions; ++k) {
    S.CurrentFunction = k;
    S.CurrentOutput = 0;
    if (!FitOneFunction()) return false;
    FFunctionResults.push_back(FHost.ResultLines());
    if (!S.SearchRunning && S.StopCode == scUserStop) break;  // the user stopped the run
    if (k + 1 < functions) {
      FHost.ProcessMessages();
      // A Stop that arrived in this pump ends the run here instead of being
      // lost to the next function's set-up.
      if (S.StopCode == scUserStop) break;
      // The next function starts from a fresh population.
      S.Resuming = false;
    }
  }
  return true;
}

bool TRunController::RunOptimizeMode(bool Parse) {
  TEngineState& S = FState;
  FOutcome = TRunOutcome::roModelRefused;
  if (Parse && !ParseEquationModel(S, FHost)) return false;
  if (!CompileEquationFunctions(S, FHost)) return false;
  if (!CheckEquationFunctions(S, FHost)) return false;
  S.DimCount = S.ParameterCount;
  if (!S.Resuming) {
    if (!StartPopulation()) return false;
    if (S.ConstraintCount > 0) {
      // Look for a member that satisfies every constraint; redraw the whole
      // population up to 101 times, then go on regardless.
      bool found = false;
      for (int pass = 0; pass < 101 && !found; ++pass) {
        for (int m = 0; m < S.PopSize && !found; ++m) {
          LoadMember(S, S.Population[m]);
          try {
            found = Feasible(S);
          } catch (const std::exception&) {
          }
        }
        if (!found)
          for (int m = 0; m < S.PopSize; ++m) ResetPopulation(S, m);
      }
    }
  }
  if (!PrepareRun()) return false;
  try {
    RunOptimizeLoop(S, FHost, FSettings, FLogs);
  } catch (const std::exception&) {
    FOutcome = TRunOutcome::roFailed;
    FHost.ShowMessage(mtInformation, "Some thing wrong for equation solve!");
    ReportSearchResults(S, FHost, FSettings, FLogs, false);
  }
  return true;
}

bool TRunController::RunProgramMode(bool Parse) {
  return qv::RunProgramMode(FState, FHost, FSettings, FLogs, Parse, FOutcome);
}

}  // namespace qv
