// Search settings: the algorithm settings read from the main window by
// PrepareSearch, the log settings, the stop criterion and the run timer.
// The population, the bests and the counters are engine state
// (engine/CommonUnit.h).
#pragma once

#include <chrono>
#include <string>
#include <vector>

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
};

// Stop criteria (radio buttons RB1, RB2, RB3, RB4).
enum : int { crAutoDetect = 0, crMaxIterations = 1, crRMSE = 2, crDC = 3 };

// Algorithm families (item index of RadioGroup2).
enum : int { alZedovev = 0, alGenetic = 1, alParticleSwarm = 2, alDifferentialEvolution = 3 };

// The monotonic clock of the run timer; the reports show StopTime - StartTime.
using TRunClock = std::chrono::steady_clock;

// Settings of the search and the run-time values that the engine state
// (engine/CommonUnit.h: population, bests, counters) does not hold.
struct TSearchSettings {
  TRunClock::time_point StartTime{};
  TRunClock::time_point StopTime{};

  // Settings read by PrepareSearch (only the chosen algorithm's).
  double CrossoverRate = 0.85;  // genetic and differential evolution
  double MutationRate = 0.01;   // genetic mutation rate, or the factor F of differential evolution
  int SelectionType = 6;
  int CrossoverType = 0;
  bool Truncation = false;
  double TruncationThreshold = 0.2;
  int TruncatedCount = 0;  // T: the T best members are the selection pool
  int KeptCount = 0;       // K0 = PopSize - T
  int RankSum = 0;         // 1 + 2 + ... + PopSize
  double C1 = 2.05, C2 = 2.05, InertiaWeight = 0.1, Vmax = 2, ConstrictionK = 0;
  bool UseVmax = false;
  int VelocityFormula = 0;
  int ZudScheme = 2;
  int DeRoute = 0;
  int DeMutationOption = 0;
  int DeScheme = 0;

  int UpdateRate = 100;
  bool SaveResults = false;
  std::string ResultsFileName;
  int ResultsSaveRate = 100;
  bool SaveParameters = false;
  std::string ParametersFileName;
  int ParametersSaveRate = 100;
  int StopCriterion = crDC;
  int MaxIterations = 100000;
  double TargetRMSE = 0.001;
  double TargetDC = 0.99;

  // Set by EvaluatePopulation and the differential-evolution step when the
  // best changed; read and cleared by the loops.
  bool Improved = false;
};

}  // namespace qv
