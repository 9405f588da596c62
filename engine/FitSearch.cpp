#include "engine/FitSearch.h"

#include <optional>

#include "engine/Fitness.h"
#include "engine/RandomValues.h"
#include "engine/SearchReport.h"
#include "engine/SearchSettings.h"
#include "engine/SearchSteps.h"
#include "platform/core/SysUtils.h"

namespace qv {

void StepAlgorithm(TEngineState& S, const TSearchSettings& Set) {
  switch (S.Run.Algorithm) {
    case TAlgorithm::Genetic:
      if (S.Model.EncodeDecode)
        StepGeneticEncoded(S.Model, S.Pop, S.Run, Set);
      else
        StepGeneticReal(S.Model, S.Pop, S.Run, Set);
      break;
    case TAlgorithm::ParticleSwarm:
      StepParticleSwarm(S.Model, S.Pop, S.Run, Set);
      break;
    case TAlgorithm::DifferentialEvolution:
      StepDifferentialEvolution(S, Set);
      break;
    default:
      if (S.Model.ModelMode == TModelMode::Equation)
        StepZedovevOpt(S.Model, S.Pop, S.Run, Set);
      else
        StepZedovevFit(S.Model, S.Pop, S.Run, Set);
      break;
  }
}

void RunFitSearch(TEngineState& S, TFitHost& Host, const TSearchSettings& Set) {
  TPopulation& P = S.Pop;
  TRunState& R = S.Run;
  TSearchLogs& Logs = R.Logs;
  const bool rmse = Set.StopCriterion == crRMSE;
  R.Iteration = 0;
  R.DisplayRound = 0;
  Logs.ResultRecords = Logs.ParameterRecords = 0;
  int unchanged = 0;
  bool improved = false;
  double shownBest = 0;
  std::optional<double> lastDisplayed;  // no value until a display follows an improvement
  auto fitnessBest = [&] { return rmse ? P.BestFitnessRMSE : P.BestFitnessDC; };
  // The data stay as they are between two pumps of the message loop.
  TFitnessRunScope fitnessScope(S);
  TRepairRunScope repairScope(R);

  while (R.SearchRunning) {
    if (R.Iteration == 0) {
      // A resumed search: the kept best is scored again first, so that the
      // figures of its reports belong to the parameters they show.
      if (R.Resuming) ReevaluateBest(S, Set);
      EvaluatePopulation(S, Set, !R.Resuming);
      if (!R.Resuming) Host.SetupResultChart();
      shownBest = fitnessBest();
      improved = false;
    } else {
      EvaluatePopulation(S, Set, false);
    }

    StepAlgorithm(S, Set);

    int code = -1;
    if (Set.StopCriterion == crMaxIterations && R.Iteration > Set.MaxIterations)
      code = scMaxIterations;
    else if (Set.StopCriterion == crRMSE && P.BestFitnessRMSE < Set.TargetRMSE)
      code = scRMSEReached;
    else if (Set.StopCriterion == crDC && P.BestFitnessDC > Set.TargetDC)
      code = scDCReached;
    if (code >= 0) {
      R.StopTime = TRunClock::now();
      R.StopCode = code;
      ReportSearchResults(S, Host, Set, true);
      return;
    }

    Host.ProcessMessages();
    fitnessScope.Forget();
    repairScope.Forget();
    if (!R.SearchRunning) {
      // Stopped by the user: the stop command only set the flags.
      ReportSearchResults(S, Host, Set, true);
      return;
    }

    if (R.Iteration == 0) improved = true;
    if (rmse) {
      if (P.BestFitnessRMSE <= shownBest) improved = true, shownBest = P.BestFitnessRMSE;
    } else if (P.BestFitnessDC > shownBest) {
      improved = true, shownBest = P.BestFitnessDC;
    }

    ++R.Iteration;

    if (Set.SaveResults && Logs.ResultsOpen() &&
        R.Iteration > Set.ResultsSaveRate * Logs.ResultRecords) {
      Logs.AppendResults(FormatFloat("0.0000", P.BestR, ModelNumberForm()) + "\t" +
                         FormatFloat("0.0000", P.BestDC, ModelNumberForm()) + "\t" +
                         FormatFloat("0.000000", P.BestSSE, ModelNumberForm()) + "\t" +
                         FormatFloat("0.000000", P.BestRMSE, ModelNumberForm()));
      ++Logs.ResultRecords;
    }
    if (Set.SaveParameters && Logs.ParametersOpen() &&
        R.Iteration > Set.ParametersSaveRate * Logs.ParameterRecords) {
      std::string line;
      for (int p = 0; p < S.Model.ParameterCount && p < static_cast<int>(P.BestPosition.size());
           ++p)
        line += FormatFloat("0.0000", P.BestPosition[p], ModelNumberForm()) + "\t";
      Logs.AppendParameters(line);
      ++Logs.ParameterRecords;
    }

    if (R.Iteration > Set.UpdateRate * R.DisplayRound) {
      if (Set.StopCriterion == crAutoDetect) {
        if (lastDisplayed && P.BestFitnessDC == *lastDisplayed) ++unchanged;
        if (unchanged > 20) {
          R.StopTime = TRunClock::now();
          R.StopCode = scAutoDetect;
          ReportSearchResults(S, Host, Set, true);
          return;
        }
      }
      R.StopTime = TRunClock::now();
      // The progress text is the run's last report until the final one.
      R.Report = TResultReport(ResultSummaryLines(S, false));
      Host.WriteResultSummary(R.Report.Lines, false);
      if (improved) {
        lastDisplayed = fitnessBest();
        improved = false;
        unchanged = 0;
      }
      ++R.DisplayRound;
    }
  }
}

}  // namespace qv
