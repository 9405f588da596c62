#include "engine/SearchReport.h"

#include <algorithm>
#include <chrono>

#include "engine/Fitness.h"
#include "engine/SearchSettings.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

std::string Title(const TEngineState& S) { return Trim(S.Model.ModelTitle); }

// The name of the output whose function is shown.
std::string OutputName(const TEngineState& S, int o) {
  if (o >= 0 && o < static_cast<int>(S.Model.OutputNames.size()) &&
      S.Model.ModelMode == TModelMode::Program)
    return S.Model.OutputNames[o];
  if (S.Model.CurrentFunction >= 0 &&
      S.Model.CurrentFunction < static_cast<int>(S.Model.FunctionOutputs.size()))
    return S.Model.FunctionOutputs[S.Model.CurrentFunction];
  if (o >= 0 && o < static_cast<int>(S.Model.OutputNames.size())) return S.Model.OutputNames[o];
  return std::string();
}

// Whether the function being fitted is the last one of the model (or the
// model has at most one).
bool LastFunction(const TEngineState& S) {
  return S.Model.FunctionCount <= 1 || S.Model.CurrentFunction >= S.Model.FunctionCount - 1;
}

std::string ExpressionStopReason(int code) {
  switch (code) {
    case scAutoDetect:
      return "auto-detected";
    case scMaxIterations:
      return "maximum iterations reached";
    case scRMSEReached:
      return "minimum square error reached";
    case scDCReached:
      return "determination coef. DC reached";
    case scFailed:
      return "stopped by an error";
    default:
      return "stoped by user";
  }
}

std::string ProgramStopReason(int code) {
  switch (code) {
    case scAutoDetect:
      return "Auto-detected";
    case scMaxIterations:
      return "Maximum iterations reached";
    case scRMSEReached:
      return "RMSE reached";
    case scDCReached:
      return "Determination Correlation DC reached";
    case scFailed:
      return "stopped by an error";
    default:
      return "stoped by user";
  }
}

// The title, algorithm and stop-reason lines of a fitting report, put into
// the result summary: the title (when there is one) and an empty line on
// top, then, after the summary's iteration and elapsed-time lines, the
// algorithm line followed by the stop-reason line.
void InsertRunLines(const TEngineState& S, std::vector<std::string>& lines,
                    const std::string& algorithm, const std::string& reason) {
  size_t at = 2;
  if (!Title(S).empty()) {
    lines.insert(lines.begin(), S.Model.ModelTitle);
    lines.insert(lines.begin() + 1, "");
    at = 4;
  }
  at = std::min(at, lines.size());
  lines.insert(lines.begin() + at, "Stop Reason: " + reason);
  lines.insert(lines.begin() + at, "Algorithms: " + algorithm);
}

// Whether the best member's calculated values cover every data set and
// output (not yet before the first evaluation of a search).
bool HasBestCalculated(const TEngineState& S) {
  if (static_cast<int>(S.Pop.BestCalculated.size()) < S.Model.DataFileCount) return false;
  for (int f = 0; f < S.Model.DataFileCount; ++f) {
    if (static_cast<int>(S.Pop.BestCalculated[f].size()) < S.Model.OutputCount) return false;
    const size_t rows = f < static_cast<int>(S.Model.PointCount.size())
                            ? static_cast<size_t>(S.Model.PointCount[f])
                            : 0;
    for (int o = 0; o < S.Model.OutputCount; ++o)
      if (S.Pop.BestCalculated[f][o].size() < rows) return false;
  }
  return true;
}

// Whether the shown data set and output have their observed values and the
// best member's values (the expression report reads both).
bool ShowsData(const TEngineState& S) {
  const int f = S.Model.CurrentFile, o = S.Model.CurrentOutput;
  if (!HasBestCalculated(S) || f < 0 || f >= S.Model.DataFileCount || o < 0 ||
      o >= S.Model.OutputCount)
    return false;
  if (f >= static_cast<int>(S.Model.PointCount.size()) ||
      f >= static_cast<int>(S.Model.TargetData.size()))
    return false;
  return o < static_cast<int>(S.Model.TargetData[f].size()) &&
         static_cast<int>(S.Model.TargetData[f][o].size()) >= S.Model.PointCount[f];
}

// The first n values of a column, as a report's table column.
std::shared_ptr<const Double1Array> Rows(const Double1Array& Column, int n) {
  const auto end = Column.begin() + std::min<std::ptrdiff_t>(
                                        std::max(0, n), static_cast<std::ptrdiff_t>(Column.size()));
  return std::make_shared<const Double1Array>(Column.begin(), end);
}

}  // namespace

std::string ElapsedText(const TRunState& Run, bool Final) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(Run.StopTime - Run.StartTime).count();
  const TDateTime t = static_cast<double>(ms < 0 ? 0 : ms) / MSecsPerDay;
  return Final ? FormatDateTime("hh:nn:ss:zz", t) : TimeToStr(t);
}

std::string FormatResultValue(const TEngineState& S, int d, double Value, bool Final) {
  if (S.Model.EncodeDecode || Final) return FloatToStr(Value, ModelNumberForm());
  if (d >= 0) {
    const int p = S.Model.DimParameter(d);
    if (p >= 0 && p < static_cast<int>(S.Model.IsInteger.size()) && S.Model.IsInteger[p])
      return FloatToStr(Value, ModelNumberForm());
  }
  return Format(ModelNumberForm(), "%0.8f", Value);
}

std::vector<std::string> ResultSummaryLines(const TEngineState& S, bool Final) {
  std::vector<std::string> lines;
  const char* fmt = Final ? "%0.10g" : "%0.7g";
  lines.push_back("Iterations: " + std::to_string(S.Run.Iteration));
  lines.push_back((Final ? "Elapsed Time (Hr:Min:Sec:Msec): " : "Elapsed Time: ") +
                  ElapsedText(S.Run, Final));
  lines.push_back((Final ? "Root of Mean Square Error (RMSE): " : "RMSE: ") +
                  Format(ModelNumberForm(), fmt, S.Pop.BestRMSE));
  lines.push_back((Final ? "Sum of Square Error (SSE): " : "SSE: ") +
                  Format(ModelNumberForm(), fmt, S.Pop.BestSSE));
  lines.push_back((Final ? "Correlation Coef. (R): " : "R: ") +
                  Format(ModelNumberForm(), fmt, S.Pop.BestR));
  lines.push_back((Final ? "Determination Coef. (DC): " : "DC: ") +
                  Format(ModelNumberForm(), fmt, S.Pop.BestDC));
  auto valueText = [&](int, double v) {
    return S.Model.EncodeDecode ? FloatToStr(v, ModelNumberForm())
                                : Format(ModelNumberForm(), fmt, v);
  };
  const int dims = std::min<int>(S.Model.DimCount, static_cast<int>(S.Pop.BestPosition.size()));
  if (S.Model.ModelMode == TModelMode::Program) {
    const bool perSet = S.Model.DataFileCount > 1 && S.Model.VarParameterCount > 0;
    if (!perSet) {
      for (int d = 0; d < dims; ++d) {
        const int p = S.Model.DimParameter(d);
        lines.push_back(S.Model.ParameterNames[p] + ": " + valueText(p, S.Pop.BestPosition[d]));
      }
      return lines;
    }
    // The shared parameters (integer ones as the shortest text), then the
    // per-set parameters data set by data set. The member holds one block
    // per searched data set; those come first among the data sets.
    const int shared = S.Model.ParameterCount - S.Model.VarParameterCount;
    for (int p = 0; p < shared && p < dims; ++p) {
      const bool integer = p < static_cast<int>(S.Model.IsInteger.size()) && S.Model.IsInteger[p];
      lines.push_back(S.Model.ParameterNames[p] + ": " +
                      (integer ? FloatToStr(S.Pop.BestPosition[p], ModelNumberForm())
                               : valueText(p, S.Pop.BestPosition[p])));
    }
    for (int d = std::max(shared, 0); d < dims; ++d) {
      const int f = (d - shared) / S.Model.VarParameterCount;
      const std::string set = f < static_cast<int>(S.Model.DataSetNames.size())
                                  ? ExtractFileName(S.Model.DataSetNames[f])
                                  : "";
      lines.push_back(S.Model.ParameterNames[S.Model.DimParameter(d)] + " for \"" + set +
                      "\": " + valueText(S.Model.DimParameter(d), S.Pop.BestPosition[d]));
    }
    return lines;
  }
  const std::string output = S.Model.ModelMode == TModelMode::Function
                                 ? OutputName(S, S.Model.CurrentOutput)
                                 : std::string();
  for (int p = 0; p < S.Model.ParameterCount && p < dims; ++p) {
    if (!output.empty() && S.Model.ParameterNames[p] == output) continue;
    lines.push_back(S.Model.ParameterNames[p] + ": " + valueText(p, S.Pop.BestPosition[p]));
  }
  return lines;
}

std::string AlgorithmName(const TEngineState& S, const TSearchSettings& Set, bool Expression) {
  switch (S.Run.Algorithm) {
    case TAlgorithm::Genetic:
      return "Genetic Algorithms";
    case TAlgorithm::ParticleSwarm: {
      if (Expression) return "Parcticle Swarm Optimization";
      static const char* variants[6] = {"PSO", "PSO 1", "PSO 2", "PSO 3", "CFPSO", "CFPSO 1"};
      const int v = Set.VelocityFormula < 0 || Set.VelocityFormula > 5 ? 0 : Set.VelocityFormula;
      return std::string("Parcticle Swarm Optimization ") + variants[v];
    }
    case TAlgorithm::DifferentialEvolution:
      if (Expression)
        return "Differential Evoluation(Scheme " + std::to_string(Set.DeScheme + 1) + ")";
      return "Differential Evoluation(Scheme " + std::to_string(Set.DeScheme + 1) + ", Route " +
             std::to_string(Set.DeRoute + 1) + ")";
    default:
      return "Zedovev Avedezo Rezividorodo (Scheme " + std::to_string(Set.ZudScheme + 1) + ")";
  }
}

void ShowProgress(TEngineState& S, TFitHost& Host, const TSearchSettings& Set, bool Final,
                  int IterationsBack) {
  std::vector<std::string> lines;
  if (Final) {
    if (!Title(S).empty()) {
      lines.push_back(S.Model.ModelTitle);
      lines.push_back("");
    }
    lines.push_back("====== Results ======");
    lines.push_back("");
  }
  const int n = Final && Set.StopCriterion == crAutoDetect ? S.Run.Iteration - IterationsBack
                                                           : S.Run.Iteration;
  lines.push_back("Iterations: " + std::to_string(n));
  lines.push_back(Final ? "Elapsed Time (Hr:Min:Sec:Msec): " + ElapsedText(S.Run, true)
                        : "Elapsed Time: " + ElapsedText(S.Run, false));
  if (Final) {
    std::string reason;
    switch (S.Run.StopCode) {
      case scAutoDetect:
        reason = "Auto-detected";
        break;
      case scMaxIterations:
        reason = "Maximum iterations reached";
        break;
      case scRMSEReached:
      case scDCReached:
        reason = "RMSE reached";
        break;
      case scFailed:
        reason = "Stopped by an error";
        break;
      default:
        reason = "Stoped by user";
        break;  // a user stop is never a target reached
    }
    lines.push_back("Stop Reason: " + reason);
  }
  lines.push_back("Algorithms: " + AlgorithmName(S, Set, false));
  for (int d = 0; d < S.Model.DimCount && d < static_cast<int>(S.Pop.BestPosition.size()); ++d)
    lines.push_back(S.Model.ParameterNames[S.Model.DimParameter(d)] + ": " +
                    FormatResultValue(S, d, S.Pop.BestPosition[d], Final));
  const double best = S.Pop.BestObjective;
  if (S.Model.Objective == TObjective::Maximum)
    lines.push_back("Max. Value: " + FormatResultValue(S, -1, -best, Final));
  else if (S.Model.Objective == TObjective::Minimum)
    lines.push_back("Min. Value: " + FormatResultValue(S, -1, best, Final));
  else
    lines.push_back("Min. Error: " + FormatResultValue(S, -1, best, Final));
  // No member ever satisfied the constraints: the values above are the
  // least bad found, not a solution.
  if (S.Model.ConstraintCount > 0 && !S.Pop.BestFeasible) lines.push_back(kInfeasibleBestLine);
  lines.push_back("");
  if (Final) lines.push_back("====== Finished ======");
  S.Run.Report = TResultReport(std::move(lines));
  Host.SetResultLines(S.Run.Report);
}

void ShowFinalResults(TEngineState& S, TFitHost& Host, const TSearchSettings& Set, bool KeepLists) {
  if (S.Run.SearchRunning) return;
  const bool calculated = HasBestCalculated(S);
  if (calculated) UpdateBestStatistics(S);
  if (!KeepLists && (S.Model.DataFileCount > 1 || S.Model.OutputCount > 1))
    Host.ShowResultLists(S.Model.DataFileCount > 1, S.Model.OutputCount > 1);
  std::vector<std::string> lines = ResultSummaryLines(S, true);
  Host.WriteResultSummary(lines, true);
  InsertRunLines(S, lines, AlgorithmName(S, Set, false), ProgramStopReason(S.Run.StopCode));

  TResultReport report(std::move(lines));
  const int outputs =
      std::min<int>(S.Model.OutputCount, static_cast<int>(S.Model.OutputNames.size()));
  std::string header = "No";
  for (int o = 0; o < outputs; ++o)
    header += "\tObs. " + S.Model.OutputNames[o] + "\tCal. " + S.Model.OutputNames[o];
  report.TableHead = {"", "====== Output Results =====", "", header};
  // The rows of the data set shown in the window.
  const int f = S.Model.CurrentFile;
  if (f >= 0 && f < S.Model.DataFileCount && f < static_cast<int>(S.Model.PointCount.size()) &&
      f < static_cast<int>(S.Model.TargetData.size()) &&
      static_cast<int>(S.Model.TargetData[f].size()) >= outputs) {
    report.Rows = std::max(0, S.Model.PointCount[f]);
    for (int o = 0; o < outputs; ++o) {
      report.Columns.push_back({Rows(S.Model.TargetData[f][o], report.Rows), -1});
      // No calculated values yet (the search failed before its first
      // evaluation): the cells stay empty.
      report.Columns.push_back(
          {calculated ? Rows(S.Pop.BestCalculated[f][o], report.Rows) : nullptr, 5});
    }
  }
  S.Run.Report = std::move(report);
  Host.SetResultLines(S.Run.Report);
}

void ReportSearchResults(TEngineState& S, TFitHost& Host, const TSearchSettings& Set, bool Final) {
  S.Run.SearchRunning = false;
  if (!Final) {
    // Nothing to report: the window goes back to the model.
  } else if (S.Model.ModelMode == TModelMode::Program) {
    ShowFinalResults(S, Host, Set, false);
  } else if (S.Model.ModelMode == TModelMode::Equation) {
    const int back = Set.StopCriterion == crAutoDetect && S.Run.StopCode == scAutoDetect ? 2000 : 0;
    ShowProgress(S, Host, Set, true, back);
  } else if (S.Model.ModelMode == TModelMode::Function && ShowsData(S)) {
    const int f = S.Model.CurrentFile, o = S.Model.CurrentOutput;
    CalculateBest(S);
    std::vector<std::string> lines = ResultSummaryLines(S, true);
    Host.WriteResultSummary(lines, true);
    InsertRunLines(S, lines, AlgorithmName(S, Set, true), ExpressionStopReason(S.Run.StopCode));
    TResultReport report(std::move(lines));
    if (LastFunction(S)) {
      const std::string name = OutputName(S, o);
      report.TableHead = {"", "====== Output Results =====", "",
                          "No\tObserved " + name + "\tCalculated " + name};
      report.Rows = std::max(0, S.Model.PointCount[f]);
      report.Columns = {{Rows(S.Model.TargetData[f][o], report.Rows), -1},
                        {Rows(S.Pop.BestCalculated[f][o], report.Rows), 7}};
    }
    S.Run.Report = std::move(report);
    Host.SetResultLines(S.Run.Report);
  }
  // A multi-function fit goes on with its next function unless this one
  // was the last, the user stopped the run or the run ends without report.
  const bool more = Final && S.Model.ModelMode == TModelMode::Function && !LastFunction(S) &&
                    S.Run.StopCode != scUserStop;
  Host.SearchEnded(!Final ? TSearchEnd::NoReport
                   : more ? TSearchEnd::FunctionDone
                          : TSearchEnd::Report);
  S.Run.Logs.Close();
}

}  // namespace qv
