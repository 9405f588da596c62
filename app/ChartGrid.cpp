#include "app/ChartGrid.h"

#include <cmath>
#include <exception>

#include "chart/Chart.h"
#include "chart/PlotSurfa.h"
#include "chart/Series.h"
#include "engine/Fitness.h"
#include "engine/ModelTools.h"
#include "engine/OptimizeLoop.h"
#include "engine/ParseExpr.h"
#include "engine/ProgramMode.h"
#include "engine/ProgramRuntime.h"
#include "engine/SearchState.h"
#include "platform/core/SysUtils.h"

namespace qv {

std::string CheckChartRange(const TChartRange& R) {
  if (R.Size < 1) return "The steps of \"" + R.Name + "\" must be a whole number of at least 1.";
  if (!std::isfinite(R.From) || !std::isfinite(R.To))
    return "The range of \"" + R.Name + "\" must be given by two numbers.";
  if (R.From == R.To) return "The range of \"" + R.Name + "\" is empty: From equals To.";
  if (!std::isfinite(R.Step()) || R.Step() == 0)
    return "The range of \"" + R.Name + "\" is too narrow for its steps.";
  return {};
}

bool ParseChartNumber(const std::string& Text, double& Value) {
  double v = 0;
  if (!modeltools::TryNumber(Trim(Text), v) || !std::isfinite(v)) return false;
  Value = v;
  return true;
}

void DefaultChartRange(double V, double& From, double& To) {
  if (V >= 0) {
    From = 0.5 * V;
    To = 2 * V;
  } else {
    From = 2 * V;
    To = 0.5 * V;
  }
}

std::string ChartMeasureName(const TEngineState& S, bool Rmse) {
  if (S.Model.ModelMode == TModelMode::Equation) {
    switch (S.Model.Objective) {
      case TObjective::Maximum:
        return "Max. Value";
      case TObjective::Minimum:
        return "Min. Value";
      default:
        return "Min. Error";
    }
  }
  return Rmse ? "RMSE" : "DC";
}

bool ChartLargerIsBetter(const TEngineState& S, bool Rmse) {
  if (S.Model.ModelMode == TModelMode::Equation) return S.Model.Objective == TObjective::Maximum;
  return !Rmse;
}

namespace {

// The slot of the variable the current function computes (it holds the
// observed value while the function is evaluated).
int OutputVariable(const TEngineState& S) {
  const TEngineModel& M = S.Model;
  if (M.CurrentFunction >= 0 && M.CurrentFunction < int(M.FunctionOutputs.size()))
    for (int v = 0; v < M.VariableCount; ++v)
      if (SameText(M.VariableNames[v], M.FunctionOutputs[M.CurrentFunction])) return v;
  return M.VariableCount - 1;
}

// The fit measure of the current function over its data set: a row that
// raises counts as calculated 0 with the squared error (3 x observed)^2.
double FittingMeasure(TEngineState& S, bool Rmse) {
  TEngineModel& M = S.Model;
  const int f = M.CurrentFile, o = M.CurrentOutput;
  if (!M.Parser || f < 0 || f >= int(M.PointCount.size()) || f >= int(M.Calculated.size()) ||
      o < 0 || o >= int(M.Calculated[f].size()))
    return 0;
  const int rows = M.PointCount[f];
  const int out = OutputVariable(S);
  std::vector<double>& calc = M.Calculated[f][o];
  const std::vector<double>& target = M.TargetData[f][o];
  double sse = 0;
  bool lastFailed = false;
  for (int r = 0; r < rows && r < int(calc.size()) && r < int(target.size()); ++r) {
    int input = 0;
    for (int v = 0; v < M.VariableCount && v < int(M.VariableValues.size()); ++v) {
      if (v == out)
        M.VariableValues[v] = target[r];
      else if (input < int(M.InputData[f].size()))
        M.VariableValues[v] = M.InputData[f][input++][r];
    }
    double c = 0;
    lastFailed = false;
    try {
      c = M.Parser->EvaluateCompiled(M.CompiledFunction);
      if (!std::isfinite(c)) throw std::runtime_error("not finite");
    } catch (const std::exception&) {
      c = 0;
      lastFailed = true;
    }
    calc[r] = c;
    const double e = lastFailed ? 3 * target[r] : target[r] - c;
    sse += e * e;
  }
  if (Rmse) return rows > 0 ? std::sqrt(sse / rows) : 0;
  if (lastFailed) return 0;
  try {
    return CalcDeterminationCoef(S, o);
  } catch (const std::exception&) {
    return 0;
  }
}

// Sum over the fitted data sets and their outputs of DC (or RMSE); a data
// set whose call raises adds nothing.
double ProgramMeasure(TEngineState& S, bool Rmse) {
  TEngineModel& M = S.Model;
  double sum = 0;
  for (int f = 0; f < M.DataFileCount; ++f) {
    if (f < int(M.IsTestFile.size()) && M.IsTestFile[f]) continue;
    if (!RunFitDll(S, f)) continue;
    M.CurrentFile = f;
    for (int o = 0; o < M.OutputCount; ++o) {
      try {
        sum += Rmse ? CalcRootMeanSquareError(S, o, M.Calculated)
                    : ShownDC(CalcDeterminationCoef(S, o, M.Calculated));
      } catch (const std::exception&) {
      }
    }
  }
  return sum;
}

double OptimisationMeasure(TEngineState& S) {
  double sum = 0;
  try {
    if (S.Model.ObjectiveCount == 0) {
      for (int i = 0; i < S.Model.ConstraintCount; ++i) sum += std::fabs(ConstraintValue(S, i));
    } else {
      for (int i = 0; i < S.Model.ObjectiveCount; ++i) sum += ObjectiveValue(S, i);
    }
  } catch (const std::exception&) {
    return 0;
  }
  return sum;
}

}  // namespace

TChartGrid ComputeChartGrid(TEngineState& S, bool Rmse, const std::vector<double>& Parameters,
                            const std::vector<TChartRange>& Active, std::string& Error,
                            const std::function<void(int Step)>& Progress) {
  TChartGrid g;
  Error.clear();
  if (Active.empty() || Active.size() > 2) {
    Error = "Choose one or two active parameters.";
    return g;
  }
  for (const TChartRange& r : Active) {
    Error = CheckChartRange(r);
    if (!Error.empty()) return g;
    if (r.Index < 0 || r.Index >= int(S.Model.ParameterValues.size())) {
      Error = "No parameter \"" + r.Name + "\" in the model.";
      return g;
    }
  }
  const TModelMode mode = S.Model.ModelMode;
  if (mode == TModelMode::Program && !S.Model.ProgramRuntime().Worker.Alive()) {
    Error = "Wrong to load lib!";
    return g;
  }
  if (mode != TModelMode::Program && !S.Model.Parser) {
    Error = "No model has been run.";
    return g;
  }
  g.Active = Active;
  const int n1 = Active[0].Size + 1, n2 = Active.size() > 1 ? Active[1].Size + 1 : 1;
  g.Values.assign(std::size_t(n1), std::vector<double>(std::size_t(n2), 0.0));

  // The engine's slots as they were, put back afterwards.
  const Double1Array savedParameters = S.Model.ParameterValues;
  const Double1Array savedVariables = S.Model.VariableValues;
  const int savedFile = S.Model.CurrentFile;
  const Double3Array savedCalculated = S.Model.Calculated;
  const bool larger = ChartLargerIsBetter(S, Rmse);

  for (std::size_t p = 0; p < Parameters.size() && p < S.Model.ParameterValues.size(); ++p)
    S.Model.ParameterValues[p] = Parameters[p];
  for (int i = 0; i < n1; ++i) {
    for (int j = 0; j < n2; ++j) {
      std::vector<double> argument{Active[0].Value(i)};
      S.Model.ParameterValues[Active[0].Index] = argument[0];
      if (Active.size() > 1) {
        argument.push_back(Active[1].Value(j));
        S.Model.ParameterValues[Active[1].Index] = argument[1];
      }
      double v = 0;
      if (mode == TModelMode::Program) {
        v = ProgramMeasure(S, Rmse);
        S.Model.CurrentFile = savedFile;
      } else if (mode == TModelMode::Equation) {
        v = OptimisationMeasure(S);
      } else {
        v = FittingMeasure(S, Rmse);
      }
      g.Values[std::size_t(i)][std::size_t(j)] = v;
      if (std::isfinite(v) && (!g.HasBest || (larger ? v > g.Best : v < g.Best))) {
        g.HasBest = true;
        g.Best = v;
        g.BestArgument = argument;
      }
    }
    if (Progress) Progress(i + 1);
  }
  S.Model.ParameterValues = savedParameters;
  S.Model.VariableValues = savedVariables;
  S.Model.CurrentFile = savedFile;
  S.Model.Calculated = savedCalculated;
  return g;
}

std::string ChartTitleText(const TChartGrid& Grid, const std::string& MeasureName) {
  if (Grid.Empty() || !Grid.HasBest) return {};
  std::string s;
  for (std::size_t k = 0; k < Grid.Active.size() && k < Grid.BestArgument.size(); ++k)
    s += Grid.Active[k].Name + "=" + Format("%0.5g", Grid.BestArgument[k]) + "; ";
  return s + MeasureName + "=" + Format("%0.5g", Grid.Best);
}

namespace {

bool WholeUnitSteps(const TChartRange& r) { return r.Step() == 1 && r.From == std::floor(r.From); }

}  // namespace

std::unique_ptr<TChartSeries> BuildGridSeries(TChart& Chart, int Kind, const TChartGrid& Grid) {
  std::unique_ptr<TCustom3DGridSeries> s;
  if (Kind == 1) {
    auto c = std::make_unique<TContourSeries>();
    c->SetNumLevels(20);
    s = std::move(c);
  } else if (Kind == 2) {
    auto c = std::make_unique<TColorGridSeries>();
    c->SetStartColor(TColor(0xFF));
    c->SetMidColor(TColor(0xFFFF));
    c->SetEndColor(TColor(0xFF0000));
    s = std::move(c);
  } else {
    auto c = std::make_unique<TSurfaceSeries>();
    Chart.View3DOptions().SetPerspective(75);
    c->SetUseColorRange(false);
    c->SetUsePalette(true);
    c->SetPaletteStyle(psStrong);
    s = std::move(c);
  }
  s->SetParentChart(&Chart);
  if (Grid.Active.size() < 2) return s;
  s->SetIrregularGrid(!WholeUnitSteps(Grid.Active[0]) || !WholeUnitSteps(Grid.Active[1]));
  s->BeginUpdate();
  for (std::size_t i = 0; i < Grid.Values.size(); ++i)
    for (std::size_t j = 0; j < Grid.Values[i].size(); ++j)
      s->AddXYZ(Grid.Active[0].Value(int(i)), Grid.Values[i][j], Grid.Active[1].Value(int(j)), "",
                clDefault);
  s->EndUpdate();
  return s;
}

std::unique_ptr<TChartSeries> BuildLineSeries(TChart& Chart, const TChartGrid& Grid) {
  auto s = std::make_unique<TLineSeries>();
  s->SetParentChart(&Chart);
  if (Grid.Active.empty()) return s;
  for (std::size_t i = 0; i < Grid.Values.size(); ++i)
    s->AddXY(Grid.Active[0].Value(int(i)), Grid.Values[i][0]);
  return s;
}

std::vector<std::string> ChartDataLines(const TChartGrid& Grid, TChartTextForm Form,
                                        const std::string& Separator,
                                        const std::string& NumberFormat) {
  std::vector<std::string> lines;
  if (Grid.Empty()) return lines;
  auto num = [&](double v) { return Format(NumberFormat, v); };
  const TChartRange& a = Grid.Active[0];
  const int n1 = int(Grid.Values.size());
  if (Grid.Active.size() == 1 || Form == TChartTextForm::ctLine) {
    lines.push_back("X" + Separator + "Y");
    for (int i = 0; i < n1; ++i)
      lines.push_back(num(a.Value(i)) + Separator + num(Grid.Values[i][0]));
    return lines;
  }
  const TChartRange& b = Grid.Active[1];
  const int n2 = int(Grid.Values[0].size());
  if (Form == TChartTextForm::ctGrid) {
    for (int j = n2 - 1; j >= 0; --j) {
      std::string line;
      for (int i = 0; i < n1; ++i) line += (i ? Separator : "") + num(Grid.Values[i][j]);
      lines.push_back(line);
    }
    return lines;
  }
  lines.push_back("X" + Separator + "Y" + Separator + "Z");
  for (int i = 0; i < n1; ++i)
    for (int j = 0; j < n2; ++j)
      lines.push_back(num(a.Value(i)) + Separator + num(b.Value(j)) + Separator +
                      num(Grid.Values[i][j]));
  return lines;
}

}  // namespace qv
