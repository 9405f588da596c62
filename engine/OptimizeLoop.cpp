#include "engine/OptimizeLoop.h"

#include <algorithm>
#include <cmath>

#include "engine/ParseExpr.h"
#include "engine/SearchReport.h"
#include "engine/SearchSettings.h"
#include "engine/SearchSteps.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

double Evaluate(TEngineState& S, int index) {
  const double v = S.Parser->EvaluateCompiled(index);
  if (!std::isfinite(v)) throw EInvalidOp("Invalid floating point operation");
  return v;
}

bool KeepsPersonalBests(const TEngineState& S) {
  return S.Algorithm != alGenetic && S.Algorithm != alDifferentialEvolution;
}

void TakeBest(TEngineState& S, int m, double v, bool step) {
  for (int d = 0; d < S.DimCount; ++d) {
    if (step) S.BestStep[d] = S.BestPosition[d] - S.Population[m][d];
    S.BestPosition[d] = S.Population[m][d];
  }
  if (S.EncodeDecode && m < static_cast<int>(S.GeneStrings.size()))
    S.BestGeneStrings = S.GeneStrings[m];
  S.BestFitnessRMSE = v;
}

void NeighbourBests(TEngineState& S, bool first) {
  if (!(S.Algorithm == alZedovev || S.Algorithm == alParticleSwarm) || S.NeighbourSize == S.PopSize)
    return;
  for (int i = 0; i < S.PopSize; ++i) {
    if (first) {
      int at = i;
      double best = S.RelativeFitness[i];
      for (int j = 1; j < S.NeighbourSize; ++j) {
        const int idx = (i + j) % S.PopSize;
        if (S.RelativeFitness[idx] < best) best = S.RelativeFitness[idx], at = idx;
      }
      S.NeighbourBestFitness[i] = best;
      S.NeighbourBestPosition[i] = S.Population[at];
    } else {
      int at = -1;
      for (int j = 0; j < S.NeighbourSize; ++j) {
        const int idx = (i + j) % S.PopSize;
        if (S.RelativeFitness[idx] < S.NeighbourBestFitness[i])
          S.NeighbourBestFitness[i] = S.RelativeFitness[idx], at = idx;
      }
      if (at >= 0) S.NeighbourBestPosition[i] = S.Population[at];
    }
  }
}

}  // namespace

double ObjectiveValue(TEngineState& S, int i) {
  const double v = Evaluate(S, S.ObjectiveIndices[i]);
  return S.Objective == 0 ? std::fabs(v) : v;
}

double ConstraintValue(TEngineState& S, int i) { return Evaluate(S, S.ConstraintIndices[i]); }

bool ConstraintHolds(TEngineState& S, int i) {
  const double v = ConstraintValue(S, i);
  return v < 0 || (S.ConstraintNonStrict[i] && v == 0);
}

double MemberObjective(TEngineState& S, bool FirstPass) {
  double sum = 0;
  if (S.ObjectiveCount == 0) {
    if (!FirstPass) return 0;
    for (int i = 0; i < S.ConstraintCount; ++i) sum += std::fabs(ConstraintValue(S, i));
    return sum;
  }
  for (int i = 0; i < S.ObjectiveCount; ++i) sum += ObjectiveValue(S, i);
  return S.Objective == 1 ? -sum : sum;
}

bool Feasible(TEngineState& S) {
  for (int i = 0; i < S.ConstraintCount; ++i)
    if (!ConstraintHolds(S, i)) return false;
  return true;
}

bool AcceptsValue(const TEngineState& S, double v, double b, bool feasible) {
  const bool objectives = S.ObjectiveCount > 0, constraints = S.ConstraintCount > 0;
  if (objectives && !constraints) return v < b;
  if (objectives && constraints) return v < b && feasible;
  if (constraints) return feasible;
  return false;
}

void LoadMember(TEngineState& S, const Double1Array& values) {
  const int n = std::min<int>(S.DimCount, static_cast<int>(values.size()));
  for (int d = 0; d < n; ++d) S.ParameterValues[S.DimParameter(d)] = values[d];
}

void GeneticShares(TEngineState& S) {
  if (S.PopSize <= 0) return;
  const double low = std::min(
      0.0, *std::min_element(S.RelativeFitness.begin(), S.RelativeFitness.begin() + S.PopSize));
  double sum = 0;
  for (int m = 0; m < S.PopSize; ++m) sum += 1 / (0.001 + (S.RelativeFitness[m] - low));
  for (int m = 0; m < S.PopSize; ++m)
    S.RelativeFitness[m] = (1 / (0.001 + (S.RelativeFitness[m] - low))) / sum;
}

void RunOptimizeLoop(TEngineState& S, TFitHost& Host, TSearchSettings& Set, TSearchLogs& Logs) {
  S.SearchRunning = true;
  S.Iteration = 0;
  S.DisplayRound = 0;
  Logs.ResultRecords = Logs.ParameterRecords = 0;
  int unchanged = 0;
  double lastSeen = S.BestFitnessRMSE;
  try {
    while (S.SearchRunning) {
      S.BestStep.assign(S.DimCount, 0);
      const bool first = S.Iteration == 0 && !S.Resuming;
      if (S.Algorithm != alDifferentialEvolution || first) {
        for (int m = 0; m < S.PopSize; ++m) {
          LoadMember(S, S.Population[m]);
          const double v = MemberObjective(S, first);
          S.RelativeFitness[m] = v;
          if (KeepsPersonalBests(S) && (first || v < S.PersonalBestFitness[m])) {
            S.PersonalBestFitness[m] = v;
            S.PersonalBestPosition[m] = S.Population[m];
          }
          if (first && m == 0)
            TakeBest(S, 0, v, false);
          else if (AcceptsValue(S, v, S.BestFitnessRMSE, S.ConstraintCount > 0 && Feasible(S)))
            TakeBest(S, m, v, true);
        }
        if (first) lastSeen = S.BestFitnessRMSE;
        if (S.Algorithm == alGenetic) GeneticShares(S);
        if (first) ShowProgress(S, Host, Set, false, 0);
      }
      NeighbourBests(S, first);

      StepAlgorithm(S, Set);

      Host.ProcessMessages();
      if (!S.SearchRunning) break;  // stopped by the user; the report follows once

      ++S.Iteration;
      const double shown = S.Objective == 1 ? -S.BestFitnessRMSE : S.BestFitnessRMSE;
      if (Set.SaveResults && Logs.ResultsOpen() &&
          S.Iteration > Set.ResultsSaveRate * Logs.ResultRecords) {
        Logs.AppendResults(FormatFloat("0.0000", shown));
        ++Logs.ResultRecords;
      }
      if (S.Iteration > Set.UpdateRate * (S.DisplayRound + 1)) {
        Set.StopTime = TRunClock::now();
        ShowProgress(S, Host, Set, false, 0);
        ++S.DisplayRound;
      }
      int code = -1;
      if (Set.StopCriterion == crMaxIterations && S.Iteration > Set.MaxIterations)
        code = scMaxIterations;
      else if ((Set.StopCriterion == crRMSE || Set.StopCriterion == crDC) &&
               S.BestFitnessRMSE <= Set.TargetRMSE)
        code = scRMSEReached;
      if (code >= 0) {
        Set.StopTime = TRunClock::now();
        S.StopCode = code;
        S.SearchRunning = false;
        break;
      }
      if (Set.StopCriterion == crAutoDetect) {
        if (S.BestFitnessRMSE == lastSeen) {
          ++unchanged;
        } else {
          lastSeen = S.BestFitnessRMSE;
          unchanged = 0;
        }
        if (unchanged > 2000) {
          Set.StopTime = TRunClock::now();
          S.StopCode = scAutoDetect;
          S.SearchRunning = false;
        }
      }
    }
  } catch (const std::exception&) {
    Set.StopTime = TRunClock::now();
    Host.ShowMessage(mtWarning, "Function expression is wrong!");
  }
  ReportSearchResults(S, Host, Set, Logs, true);
}

}  // namespace qv
