#include "engine/OptimizeLoop.h"

#include <algorithm>
#include <cmath>

#include "engine/Fitness.h"
#include "engine/ParseExpr.h"
#include "engine/SearchReport.h"
#include "engine/SearchSettings.h"
#include "engine/SearchSteps.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

double Evaluate(TEngineState& S, int index) {
  const double v = S.Model.Parser->EvaluateCompiled(index);
  if (!std::isfinite(v)) throw EInvalidOp("Invalid floating point operation");
  return v;
}

bool KeepsPersonalBests(const TEngineState& S) {
  return S.Run.Algorithm != TAlgorithm::Genetic &&
         S.Run.Algorithm != TAlgorithm::DifferentialEvolution;
}

void TakeBest(TEngineState& S, int m, double v, bool step) {
  TPopulation& P = S.Pop;
  for (int d = 0; d < S.Model.DimCount; ++d) {
    if (step) P.BestStep[d] = P.BestPosition[d] - P.Population[m][d];
    P.BestPosition[d] = P.Population[m][d];
  }
  if (S.Model.EncodeDecode && m < static_cast<int>(P.GeneStrings.size()))
    P.BestGeneStrings = P.GeneStrings[m];
  P.BestObjective = v;
}

}  // namespace

double BestValueOf(const TEngineState& S, double v, bool feasible, bool FirstPass) {
  return FirstPass || feasible || S.Model.ObjectiveCount > 0 ? v : S.Pop.BestObjective;
}

double ObjectiveValue(TEngineState& S, int i) {
  const double v = Evaluate(S, S.Model.ObjectiveIndices[i]);
  return S.Model.Objective == TObjective::None ? std::fabs(v) : v;
}

double ConstraintValue(TEngineState& S, int i) { return Evaluate(S, S.Model.ConstraintIndices[i]); }

bool ConstraintHolds(TEngineState& S, int i) {
  const double v = ConstraintValue(S, i);
  return v < 0 || (S.Model.ConstraintNonStrict[i] && v == 0);
}

double MemberObjective(TEngineState& S, bool FirstPass) {
  double sum = 0;
  if (S.Model.ObjectiveCount == 0) {
    if (!FirstPass) return 0;
    for (int i = 0; i < S.Model.ConstraintCount; ++i) sum += std::fabs(ConstraintValue(S, i));
    return sum;
  }
  for (int i = 0; i < S.Model.ObjectiveCount; ++i) sum += ObjectiveValue(S, i);
  return S.Model.Objective == TObjective::Maximum ? -sum : sum;
}

bool Feasible(TEngineState& S) {
  for (int i = 0; i < S.Model.ConstraintCount; ++i)
    if (!ConstraintHolds(S, i)) return false;
  return true;
}

bool Feasible(TEngineState& S, double& Violation) {
  bool feasible = true;
  Violation = 0;
  for (int i = 0; i < S.Model.ConstraintCount; ++i) {
    const double g = ConstraintValue(S, i);
    if (g < 0 || (S.Model.ConstraintNonStrict[i] && g == 0)) continue;
    feasible = false;
    Violation += g;
  }
  return feasible;
}

bool AcceptsValue(const TEngineState& S, double v, bool feasible, double b, bool bFeasible) {
  const bool objectives = S.Model.ObjectiveCount > 0, constraints = S.Model.ConstraintCount > 0;
  if (objectives && !constraints) return v < b;
  if (objectives && constraints) return feasible && (v < b || !bFeasible);
  if (constraints) return feasible;
  return false;
}

bool AcceptsMember(const TEngineState& S, double v, bool feasible, double violation, double b,
                   bool bFeasible, double bViolation) {
  if (S.Model.ConstraintCount > 0 && !feasible) return !bFeasible && violation < bViolation;
  return AcceptsValue(S, v, feasible, b, bFeasible);
}

void LoadMember(TEngineState& S, const Double1Array& values) {
  const int n = std::min<int>(S.Model.DimCount, static_cast<int>(values.size()));
  for (int d = 0; d < n; ++d) S.Model.ParameterValues[S.Model.DimParameter(d)] = values[d];
}

void GeneticShares(TPopulation& P) {
  if (P.PopSize <= 0) return;
  const double low = std::min(
      0.0, *std::min_element(P.ObjectiveValues.begin(), P.ObjectiveValues.begin() + P.PopSize));
  double sum = 0;
  for (int m = 0; m < P.PopSize; ++m) sum += 1 / (0.001 + (P.ObjectiveValues[m] - low));
  for (int m = 0; m < P.PopSize; ++m)
    P.RelativeFitness[m] = (1 / (0.001 + (P.ObjectiveValues[m] - low))) / sum;
}

void RunOptimizeLoop(TEngineState& S, TFitHost& Host, const TSearchSettings& Set) {
  TPopulation& P = S.Pop;
  TRunState& R = S.Run;
  TSearchLogs& Logs = R.Logs;
  R.SearchRunning = true;
  R.Iteration = 0;
  R.DisplayRound = 0;
  Logs.ResultRecords = Logs.ParameterRecords = 0;
  int unchanged = 0;
  double lastSeen = P.BestObjective;
  try {
    while (R.SearchRunning) {
      P.BestStep.assign(S.Model.DimCount, 0);
      const bool first = R.Iteration == 0 && !R.Resuming;
      if (R.Algorithm != TAlgorithm::DifferentialEvolution || first) {
        for (int m = 0; m < P.PopSize; ++m) {
          LoadMember(S, P.Population[m]);
          const double v = MemberObjective(S, first);
          double violation = 0;
          const bool feasible = S.Model.ConstraintCount == 0 || Feasible(S, violation);
          P.ObjectiveValues[m] = v;
          P.ObjectiveFeasible[m] = feasible;
          P.ObjectiveViolation[m] = violation;
          // A member's own best: feasibility first, then the value; between
          // two that break constraints, the smaller broken amount.
          const bool ownFeasible = P.PersonalBestFeasible[m] != 0;
          if (KeepsPersonalBests(S) &&
              (first || (feasible != ownFeasible ? feasible
                         : feasible              ? v < P.PersonalBestFitness[m]
                                                 : violation < P.PersonalBestViolation[m]))) {
            P.PersonalBestFitness[m] = v;
            P.PersonalBestFeasible[m] = feasible;
            P.PersonalBestViolation[m] = violation;
            P.PersonalBestPosition[m] = P.Population[m];
          }
          if (first && m == 0) {
            TakeBest(S, 0, v, false);
            P.BestFeasible = feasible;
            P.BestViolation = violation;
          } else if (AcceptsMember(S, v, feasible, violation, P.BestObjective, P.BestFeasible,
                                   P.BestViolation)) {
            // Constraints alone: after the first pass every member is worth
            // 0, which would end the search as if the constraints held; a
            // best that still breaks them keeps its value.
            TakeBest(S, m, BestValueOf(S, v, feasible, first), true);
            P.BestFeasible = feasible;
            P.BestViolation = violation;
          }
        }
        if (first) lastSeen = P.BestObjective;
        if (R.Algorithm == TAlgorithm::Genetic) GeneticShares(P);
        if (first) ShowProgress(S, Host, Set, false, 0);
      }
      UpdateNeighbourBests(P, R.Algorithm, P.ObjectiveValues, true, first);

      StepAlgorithm(S, Set);

      Host.ProcessMessages();
      if (!R.SearchRunning) break;  // stopped by the user; the report follows once

      ++R.Iteration;
      const double shown =
          S.Model.Objective == TObjective::Maximum ? -P.BestObjective : P.BestObjective;
      if (Set.SaveResults && Logs.ResultsOpen() &&
          R.Iteration > Set.ResultsSaveRate * Logs.ResultRecords) {
        Logs.AppendResults(FormatFloat("0.0000", shown, ModelNumberForm()));
        ++Logs.ResultRecords;
      }
      if (R.Iteration > Set.UpdateRate * (R.DisplayRound + 1)) {
        R.StopTime = TRunClock::now();
        ShowProgress(S, Host, Set, false, 0);
        ++R.DisplayRound;
      }
      int code = -1;
      if (Set.StopCriterion == crMaxIterations && R.Iteration > Set.MaxIterations)
        code = scMaxIterations;
      else if ((Set.StopCriterion == crRMSE || Set.StopCriterion == crDC) &&
               P.BestObjective <= Set.TargetRMSE)
        code = scRMSEReached;
      if (code >= 0) {
        R.StopTime = TRunClock::now();
        R.StopCode = code;
        R.SearchRunning = false;
        break;
      }
      if (Set.StopCriterion == crAutoDetect) {
        if (P.BestObjective == lastSeen) {
          ++unchanged;
        } else {
          lastSeen = P.BestObjective;
          unchanged = 0;
        }
        if (unchanged > 2000) {
          R.StopTime = TRunClock::now();
          R.StopCode = scAutoDetect;
          R.SearchRunning = false;
        }
      }
    }
  } catch (const std::exception& e) {
    R.StopTime = TRunClock::now();
    R.StopCode = scFailed;  // not a user stop: the report says so
    Host.ShowMessage(mtWarning, std::string("Function expression is wrong!\n") + e.what());
  }
  ReportSearchResults(S, Host, Set, true);
  if (S.Model.ConstraintCount > 0 && !P.BestFeasible && P.PopSize > 0)
    Host.ShowMessage(mtWarning, kInfeasibleBestMessage);
}

}  // namespace qv
