// The run road: how a model is run, stopped and resumed, the same for the
// main window and the engine test driver. The controller owns the search
// settings; the engine state (with the logs of the run) and the host belong
// to the caller.
//
//   Run(code lines)  prepares and classifies the text, reads the model and
//                    runs the mode routine (fitting, optimisation or
//                    program mode);
//   Stop()           only sets the stop code 10 and clears the running flag:
//                    the loop leaves right after its next pump and writes the
//                    report once;
//   Resume()         continues the last run with the kept population.
//
// The controller is not re-entrant: Run, Resume and RunMode called while
// one of them is under way (from inside the pump) are refused.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/SearchSettings.h"
#include "engine/SearchState.h"

namespace qv {

// How the last run ended, for callers that need more than the texts.
enum class TRunOutcome {
  roNotRun,           // nothing ran yet
  roModelRefused,     // a model message ended the run before the search
  roSettingsRefused,  // a settings check refused the search
  roSearched,         // a search ran and reported (also after a user stop)
  roFailed,           // an exception ended the search ("Some thing wrong!" ...)
};

// Runs one search loop (RunFitSearch or RunOptimizeLoop). An exception out
// of it (a log that cannot be written, a fault the loop does not handle)
// ends the search: Outcome becomes roFailed, no stop criterion is named, the
// message is shown (with the exception's own text on the next line) and
// the report written, the final one or, when
// FinalReport is false, the return to the first page.
void GuardedSearch(TEngineState& S, TFitHost& Host, const TSearchSettings& Set,
                   const std::function<void()>& Loop, const std::string& Message, bool FinalReport,
                   TRunOutcome& Outcome);

class TRunController {
 public:
  TRunController(TEngineState& State, TFitHost& Host) : state_(State), host_(Host) {}
  TRunController(const TRunController&) = delete;
  TRunController& operator=(const TRunController&) = delete;

  // The run command: false when the model or the settings were refused.
  bool Run(const std::vector<std::string>& CodeLines);
  // The three mode routines (on a model already read into the state when
  // Parse is false).
  bool RunFitMode(bool Parse);
  bool RunOptimizeMode(bool Parse);
  bool RunProgramMode(bool Parse);
  // The mode routine of the model's mode.
  bool RunMode(bool Parse);
  // The stop command (safe to call from the pump).
  void Stop();
  // Continues the last run's mode with the kept population.
  bool Resume();

  TSearchSettings& Settings() { return settings_; }
  TSearchLogs& Logs() { return state_.Run.Logs; }
  TRunOutcome Outcome() const { return outcome_; }
  // The window's result summary text for the current state.
  std::vector<std::string> SummaryLines(bool Final) const;
  // The last report the engine built, which the host was shown: the final
  // report of the last run (of its last function), or an optimisation
  // search's progress text.
  const TResultReport& Report() const { return state_.Run.Report; }
  // Multi-function fitting: what each function left once its search ended
  // (its result text, statistics, data and line), in function order.
  const std::vector<TFunctionResult>& FunctionResults() const { return state_.Run.FunctionResults; }
  // Whether Run, Resume or a mode routine is under way. While it is, a call
  // of Run, Resume or RunMode (from a host call that runs the window's event
  // loop, such as the pump or a message) is refused: it returns false and
  // changes nothing.
  bool Busy() const { return busy_; }

 private:
  bool FitOneFunction();
  // Reads and checks the run's settings (ReadSearchSettings) into the
  // controller's typed settings and the model's gene coding; the outcome is
  // roSettingsRefused when a value was refused.
  bool ReadSettings();
  // A new run: checks the population's memory and the exclusive statement,
  // then draws the first population; the outcome tells which part refused.
  bool StartPopulation();
  // Refuses an empty population, then prepares the search from the settings
  // and opens the logs; the outcome is roSearched when the search may start.
  bool PrepareRun();
  // Runs a routine; an exception out of it is shown (a conversion error of
  // a settings box refuses the settings) and ends the run.
  bool Guarded(const std::function<bool()>& Routine);
  TEngineState& state_;
  TFitHost& host_;
  TSearchSettings settings_;
  // Keeps what one function of a multi-function fit leaves (FunctionResults).
  void KeepFunctionResult();
  bool RunModeRoutine(bool Parse);
  // Runs Routine unless the controller is busy (then false), busy meanwhile.
  bool Exclusive(const std::function<bool()>& Routine);
  TRunOutcome outcome_ = TRunOutcome::roNotRun;
  bool busy_ = false;
};

}  // namespace qv
