// The run part of the engine state: what happens while a search runs and
// what it leaves for the reports: the running and resume flags, the stop
// code, the chosen algorithm family, the iteration counters, the run timer,
// the engine's random generator, the two logs and the caches of one search
// loop. The search settings (engine/SearchState.h) say what the user chose;
// this says where the run stands.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "engine/EngineTypes.h"
#include "engine/ResultReport.h"
#include "engine/RunCache.h"
#include "engine/SearchLogs.h"
#include "platform/core/Random.h"

namespace qv {

// Stop codes, also used by the reports. scNone: no stop criterion and no
// user has ended the search yet (set when a search starts, so that a search
// ended by a failure never shows the reason of an earlier run).
enum : int {
  scNone = -1,
  scAutoDetect = 0,
  scMaxIterations = 1,
  scRMSEReached = 2,
  scDCReached = 3,
  scUserStop = 10,
  scFailed = 11,  // an exception or a value that is no number ended the search
};

// The monotonic clock of the run timer; the reports show StopTime - StartTime.
using TRunClock = std::chrono::steady_clock;

// What a multi-function fit keeps of one function once its search has
// ended: the results page lists, charts and copies these after the run,
// when the state holds only the last function's data and best member.
struct TFunctionResult {
  std::string Output;                 // the variable the function computes
  TResultReport Text;                 // its report
  TFitStatistics Statistics;          // of its best member
  Double1Array Observed, Calculated;  // [r] its data and its best member's values
  TLineEnds Line;                     // observed-against-calculated line
};

struct TRunState {
  bool SearchRunning = false;
  bool Resuming = false;  // the next run continues with the kept population
  // The function of a fit by functions whose search drew the kept
  // population (Resume continues that function's search); -1 for none.
  int PopulationFunction = -1;
  int StopCode = 0;
  TAlgorithm Algorithm = TAlgorithm::DifferentialEvolution;
  int Iteration = 0;     // finished iterations
  int DisplayRound = 0;  // progress displays so far
  TRunClock::time_point StartTime{};
  TRunClock::time_point StopTime{};  // the last display or the stop

  // The engine's one uniform generator, seeded once by the owner of the
  // state; every random draw of the search and of the expression words
  // "random" and "randg" comes from it.
  TRandomGenerator Random;
  // Set when an "exclusive" model ran out of distinct values while drawing.
  bool ExclusiveExhausted = false;

  // A fit by functions: one entry per function whose search has ended, in
  // function order (cleared when a run starts; a run stopped by the user
  // keeps the functions that ended).
  std::vector<TFunctionResult> FunctionResults;
  // The last report the engine built (the final report, or the progress
  // text of an optimisation search); hosts are shown it, and it stays here.
  TResultReport Report;

  TSearchLogs Logs;
  TFitnessCache FitnessCache;
  TRepairCache RepairCache;
};

}  // namespace qv
