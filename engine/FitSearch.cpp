#include "engine/FitSearch.h"

#include <optional>

#include "engine/Fitness.h"
#include "engine/RandomValues.h"
#include "engine/SearchReport.h"
#include "engine/SearchSettings.h"
#include "engine/SearchSteps.h"
#include "platform/core/SysUtils.h"

namespace qv {

void StepAlgorithm(TEngineState& S, TSearchSettings& Set) {
  switch (S.Algorithm) {
    case alGenetic:
      if (S.EncodeDecode)
        StepGeneticEncoded(S, Set, Set.RankSum);
      else
        StepGeneticReal(S, Set, Set.RankSum);
      break;
    case alParticleSwarm:
      StepParticleSwarm(S, Set);
      break;
    case alDifferentialEvolution:
      StepDifferentialEvolution(S, Set);
      break;
    default:
      if (S.ModelMode == 1)
        StepZedovevOpt(S, Set);
      else
        StepZedovevFit(S, Set);
      break;
  }
}

void RunFitSearch(TEngineState& S, TFitHost& Host, TSearchSettings& Set, TSearchLogs& Logs) {
  const bool rmse = Set.StopCriterion == crRMSE;
  S.Iteration = 0;
  S.DisplayRound = 0;
  Logs.ResultRecords = Logs.ParameterRecords = 0;
  int unchanged = 0;
  bool improved = false;
  double shownBest = 0;
  std::optional<double> lastDisplayed;  // no value until a display follows an improvement
  auto fitnessBest = [&] { return rmse ? S.BestFitnessRMSE : S.BestFitnessDC; };
  // The data stay as they are between two pumps of the message loop.
  TFitnessRunScope fitnessScope(S);
  TRepairRunScope repairScope(S);

  while (S.SearchRunning) {
    if (S.Iteration == 0) {
      EvaluatePopulation(S, Set, !S.Resuming);
      if (!S.Resuming) Host.SetupResultChart();
      shownBest = fitnessBest();
      improved = false;
    } else {
      EvaluatePopulation(S, Set, false);
    }

    StepAlgorithm(S, Set);

    int code = -1;
    if (Set.StopCriterion == crMaxIterations && S.Iteration > Set.MaxIterations)
      code = scMaxIterations;
    else if (Set.StopCriterion == crRMSE && S.BestFitnessRMSE < Set.TargetRMSE)
      code = scRMSEReached;
    else if (Set.StopCriterion == crDC && S.BestFitnessDC > Set.TargetDC)
      code = scDCReached;
    if (code >= 0) {
      Set.StopTime = TRunClock::now();
      S.StopCode = code;
      ReportSearchResults(S, Host, Set, Logs, true);
      return;
    }

    Host.ProcessMessages();
    fitnessScope.Forget();
    repairScope.Forget();
    if (!S.SearchRunning) {
      // Stopped by the user: the stop command only set the flags.
      ReportSearchResults(S, Host, Set, Logs, true);
      return;
    }

    if (S.Iteration == 0) improved = true;
    if (rmse) {
      if (S.BestFitnessRMSE <= shownBest) improved = true, shownBest = S.BestFitnessRMSE;
    } else if (S.BestFitnessDC > shownBest) {
      improved = true, shownBest = S.BestFitnessDC;
    }

    ++S.Iteration;

    if (Set.SaveResults && Logs.ResultsOpen() &&
        S.Iteration > Set.ResultsSaveRate * Logs.ResultRecords) {
      Logs.AppendResults(FormatFloat("0.0000", S.BestR) + "\t" + FormatFloat("0.0000", S.BestDC) +
                         "\t" + FormatFloat("0.000000", S.BestSSE) + "\t" +
                         FormatFloat("0.000000", S.BestRMSE));
      ++Logs.ResultRecords;
    }
    if (Set.SaveParameters && Logs.ParametersOpen() &&
        S.Iteration > Set.ParametersSaveRate * Logs.ParameterRecords) {
      std::string line;
      for (int p = 0; p < S.ParameterCount && p < static_cast<int>(S.BestPosition.size()); ++p)
        line += FormatFloat("0.0000", S.BestPosition[p]) + "\t";
      Logs.AppendParameters(line);
      ++Logs.ParameterRecords;
    }

    if (S.Iteration > Set.UpdateRate * S.DisplayRound) {
      if (Set.StopCriterion == crAutoDetect) {
        if (lastDisplayed && S.BestFitnessDC == *lastDisplayed) ++unchanged;
        if (unchanged > 20) {
          Set.StopTime = TRunClock::now();
          S.StopCode = scAutoDetect;
          ReportSearchResults(S, Host, Set, Logs, true);
          return;
        }
      }
      Set.StopTime = TRunClock::now();
      Host.WriteResultSummary(false);
      if (improved) {
        lastDisplayed = fitnessBest();
        improved = false;
        unchanged = 0;
      }
      ++S.DisplayRound;
    }
  }
}

}  // namespace qv
