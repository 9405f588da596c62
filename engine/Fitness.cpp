#include "engine/Fitness.h"

#include <cmath>

#include "engine/ParseExpr.h"
#include "engine/ProgramMode.h"
#include "engine/RandomValues.h"
#include "engine/SearchRandom.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

constexpr double kWorstDC = -100;

// Column bindings of one data file for the current function: every input
// column goes to its own variable's slot and the output's slot holds the
// observed value, so an implicit equation "f+(y)" evaluates to f + y and its
// residual against y is f. Reused between calls; no allocation per row.
struct TRowBinding {
  std::vector<TColumnBinding> Columns;
  int Rows = 0;
};

int OutputVariable(const TEngineState& S) {
  if (S.CurrentFunction >= 0 && S.CurrentFunction < static_cast<int>(S.FunctionOutputs.size())) {
    const std::string& name = S.FunctionOutputs[S.CurrentFunction];
    for (int v = 0; v < S.VariableCount; ++v)
      if (SameText(S.VariableNames[v], name)) return v;
  }
  return S.VariableCount - 1;
}

void BindRows(TEngineState& S, int f, TRowBinding& b) {
  b.Columns.clear();
  b.Rows = f < static_cast<int>(S.PointCount.size()) ? S.PointCount[f] : 0;
  const int out = OutputVariable(S);
  int input = 0;
  for (int v = 0; v < S.VariableCount && v < static_cast<int>(S.VariableValues.size()); ++v) {
    if (v == out) {
      b.Columns.push_back({&S.VariableValues[v], S.TargetData[f][S.CurrentOutput].data()});
    } else if (input < static_cast<int>(S.InputData[f].size())) {
      b.Columns.push_back({&S.VariableValues[v], S.InputData[f][input].data()});
      ++input;
    }
  }
}

void LoadParameters(TEngineState& S, const Double1Array& values) {
  const int n = std::min<int>(S.ParameterCount, static_cast<int>(values.size()));
  for (int p = 0; p < n; ++p) S.ParameterValues[p] = values[p];
}

// What the fitness keeps while a search runs (TFitnessRunScope): the column
// bindings of the current data set and function and the sum of squares of
// the observed values about their mean, neither of which changes from one
// member to the next. Keys tell when the current file, output or function
// moved on; the scope drops everything after each message pump.
struct TRunCache : TRunCacheSlot {
  int File = -1, Output = -1, Function = -1, Compiled = -1;
  TRowBinding Binding;
  double Stt = 0;
};
thread_local TRunCache tRun;

// Sum of (T - mean T)^2 over the rows, in row order.
double ObservedSquares(const TEngineState& S, int f, int o, int rows) {
  const double* target = S.TargetData[f][o].data();
  const double mt = S.TargetMean[f][o];
  double stt = 0;
  for (int k = 0; k < rows; ++k) {
    const double t = target[k] - mt;
    stt += t * t;
  }
  return stt;
}

// Evaluates rows [from, rows) into calc; returns the first row that raised,
// or rows. Results are not checked for finiteness here.
int EvaluateRowsRaw(TEngineState& S, const TRowBinding& b, int from, double* calc) {
  const int n = b.Rows - from;
  if (n <= 0) return b.Rows;
  const int count = static_cast<int>(b.Columns.size());
  if (from == 0)
    return S.Parser->EvaluateCompiledColumn(S.CompiledFunction, n, b.Columns.data(), count, calc);
  thread_local std::vector<TColumnBinding> shifted;
  shifted.resize(b.Columns.size());
  for (size_t i = 0; i < b.Columns.size(); ++i)
    shifted[i] = {b.Columns[i].Address, b.Columns[i].Values + from};
  return from + S.Parser->EvaluateCompiledColumn(S.CompiledFunction, n, shifted.data(), count,
                                                 calc + from);
}

// The first row of [from, done) whose result is not a finite number, or done.
int FirstNotFinite(const double* calc, int from, int done) {
  for (int k = from; k < done; ++k)
    if (!std::isfinite(calc[k])) return k;
  return done;
}

// Evaluates rows [from, rows) into calc; returns the first row that raised,
// or rows. A result that is not a finite number counts as raised.
int EvaluateRows(TEngineState& S, const TRowBinding& b, int from, double* calc) {
  return FirstNotFinite(calc, from, EvaluateRowsRaw(S, b, from, calc));
}

double Sqr(double x) { return x * x; }

// The fitness of one candidate (a member or its trial) by the compiled
// function. Trial: the first row that raises ends the loop and the member's
// current fitness is returned, so the trial cannot win.
double ExpressionFitness(TEngineState& S, int criterion, int m, const Double1Array& values,
                         bool trial) {
  const int f = S.CurrentFile;
  const int o = S.CurrentOutput;
  const TRowBinding* bp;
  double stt = 0;
  bool haveStt = false;
  if (tRun.State == &S) {
    if (!tRun.Valid || tRun.File != f || tRun.Output != o || tRun.Function != S.CurrentFunction ||
        tRun.Compiled != S.CompiledFunction) {
      BindRows(S, f, tRun.Binding);
      tRun.Stt = ObservedSquares(S, f, o, tRun.Binding.Rows);
      tRun.File = f, tRun.Output = o, tRun.Function = S.CurrentFunction,
      tRun.Compiled = S.CompiledFunction;
      tRun.Valid = true;
    }
    bp = &tRun.Binding;
    stt = tRun.Stt;
    haveStt = true;
  } else {
    thread_local TRowBinding b;
    BindRows(S, f, b);
    bp = &b;
  }
  const TRowBinding& b = *bp;
  LoadParameters(S, values);
  double* calc = S.Calculated[f][o].data();
  const double* target = S.TargetData[f][o].data();
  const int rows = b.Rows;
  const int done = EvaluateRowsRaw(S, b, 0, calc);
  int bad;
  if (done >= rows) {
    // Every row evaluated: SSE in the same pass that checks the results (a
    // result that is not finite makes the sum not finite).
    double sse = 0;
#pragma GCC unroll 4
    for (int k = 0; k < rows; ++k) {
      const double d = calc[k] - target[k];
      sse += d * d;
    }
    if (std::isfinite(sse)) {
      if (criterion == crRMSE) return rows > 0 ? std::sqrt(sse / rows) : 0;
      if (!haveStt) stt = ObservedSquares(S, f, o, rows);
      if (stt == 0) return 0;
      const double dc = (stt - sse) / stt;
      return std::isnan(dc) || dc < kWorstDC ? kWorstDC : dc;
    }
    bad = FirstNotFinite(calc, 0, rows);
  } else {
    bad = FirstNotFinite(calc, 0, done);
  }
  // Some row raised, or the sums overflowed: row by row with the penalties.
  double sum = 0;
  bool lastRaised = false;
  int k = 0;
  while (k < rows) {
    if (k > 0 || bad < 0) bad = EvaluateRows(S, b, k, calc);
    if (criterion != crDC)
      for (int j = k; j < bad; ++j) {
        double sq = Sqr(calc[j] - target[j]);
        sum += std::isfinite(sq) ? sq : Sqr(3 * target[j]);
      }
    if (bad >= rows) {
      lastRaised = false;
      break;
    }
    if (trial) return S.Fitness[m];
    calc[bad] = 0;
    RandomizeMember(S, m);
    if (criterion != crDC) sum += Sqr(3 * target[bad]);
    lastRaised = bad == rows - 1;
    k = bad + 1;
    bad = -1;
  }
  if (criterion == crRMSE) return rows > 0 ? std::sqrt(sum / rows) : 0;
  if (lastRaised) return 0;
  return CalcDeterminationCoef(S, o, S.Calculated, m);
}

void MeanMinMax(const Double1Array& v, int n, double& mean, double& mn, double& mx) {
  double sum = 0;
  mean = mn = mx = 0;
  for (int k = 0; k < n; ++k) {
    sum += v[k];
    if (k == 0 || v[k] > mx) mx = v[k];
    if (k == 0 || v[k] < mn) mn = v[k];
  }
  if (n > 0) mean = sum / n;
}

}  // namespace

TFitnessRunScope::TFitnessRunScope(const TEngineState& S) : TRunCacheScope(tRun, S) {}

void CalcStatistics(const TEngineState& S, int f, int o, const Double3Array& Calc, double& SSE,
                    double& RMSE, double& DC, double& R) {
  const Double1Array& T = S.TargetData[f][o];
  const Double1Array& C = Calc[f][o];
  const int n = f < static_cast<int>(S.PointCount.size()) ? S.PointCount[f] : 0;
  const double mt = S.TargetMean[f][o];
  const double mc = S.CalculatedMean[f][o];
  double stt = 0, sse = 0, stc = 0, scc = 0;
  for (int k = 0; k < n; ++k) {
    const double dt = T[k] - mt, dc = C[k] - mc;
    stt += dt * dt;
    sse += Sqr(T[k] - C[k]);
    stc += dt * dc;
    scc += dc * dc;
  }
  SSE = sse;
  RMSE = n > 0 ? std::sqrt(sse / n) : 0;
  DC = stt == 0 ? 0 : (stt - sse) / stt;
  if (std::isnan(DC) || DC < kWorstDC) DC = kWorstDC;
  R = (stt == 0 || scc == 0) ? 0 : std::sqrt(Sqr(stc) / (stt * scc));
  if (!std::isfinite(R)) R = 0;
}

double CalcDeterminationCoef(TEngineState& S, int o, const Double3Array& Calc, int Member) {
  const int f = S.CurrentFile;
  const Double1Array& T = S.TargetData[f][o];
  const Double1Array& C = Calc[f][o];
  const int n = S.PointCount[f];
  const double mt = S.TargetMean[f][o];
  double stt = 0, sse = 0;
  for (int k = 0; k < n; ++k) {
    stt += Sqr(T[k] - mt);
    sse += Sqr(T[k] - C[k]);
  }
  if (!std::isfinite(sse) || !std::isfinite(stt)) {
    if (Member >= 0) RandomizeMember(S, Member);
    return kWorstDC;
  }
  if (stt == 0) return 0;
  double dc = (stt - sse) / stt;
  if (std::isnan(dc) || dc < kWorstDC) dc = kWorstDC;
  return dc;
}

double CalcRootMeanSquareError(const TEngineState& S, int o, const Double3Array& Calc) {
  const int f = S.CurrentFile;
  const Double1Array& T = S.TargetData[f][o];
  const Double1Array& C = Calc[f][o];
  const int n = S.PointCount[f];
  double sum = 0;
  int k = 0;
  for (; k < n; ++k) {
    const double sq = Sqr(T[k] - C[k]);
    if (!std::isfinite(sq) || !std::isfinite(sum + sq)) break;
    sum += sq;
  }
  if (k < n)  // overflow: the observed values stand in for the whole sum
    for (int j = 0; j < n; ++j) sum += Sqr(T[j]);
  return n > 0 ? std::sqrt(sum / n) : 0;
}

double CalcDeterminationCoef(TEngineState& S, int o) {
  return CalcDeterminationCoef(S, o, S.Calculated, -1);
}
double CalcRootMeanSquareError(const TEngineState& S, int o) {
  return CalcRootMeanSquareError(S, o, S.Calculated);
}

double MemberFitnessByExpression(TEngineState& S, int Criterion, int m) {
  return ExpressionFitness(S, Criterion, m, S.Population[m], false);
}

double FitnessByExpression(TEngineState& S, int Criterion, int m) {
  return ExpressionFitness(S, Criterion, m, S.TrialPopulation[m], true);
}

double MemberFitness(TEngineState& S, int Criterion, int m) {
  if (S.ModelMode == 2) return MemberFitnessByProgram(S, Criterion, m);
  return MemberFitnessByExpression(S, Criterion, m);
}

double TrialFitness(TEngineState& S, int Criterion, int m) {
  if (S.ModelMode == 2) return FitnessByProgram(S, Criterion, m);
  return FitnessByExpression(S, Criterion, m);
}

void StoreBestCalculated(TEngineState& S) {
  S.BestCalculated = S.Calculated;
  for (int f = 0; f < static_cast<int>(S.BestCalculated.size()); ++f)
    for (int o = 0; o < static_cast<int>(S.BestCalculated[f].size()); ++o) {
      const int n = std::min<int>(S.PointCount[f], static_cast<int>(S.BestCalculated[f][o].size()));
      MeanMinMax(S.BestCalculated[f][o], n, S.CalculatedMean[f][o], S.CalculatedMin[f][o],
                 S.CalculatedMax[f][o]);
    }
}

void ComputeRelativeFitness(TEngineState& S, int Criterion, bool First) {
  const int n = S.PopSize;
  double total = 0;
  if (Criterion == crRMSE) {
    for (int m = 0; m < n; ++m)
      if (S.Fitness[m] != 0) total += 1 / S.Fitness[m];
    for (int m = 0; m < n; ++m)
      S.RelativeFitness[m] = S.Fitness[m] == 0 ? 1 : (total > 0 ? (1 / S.Fitness[m]) / total : 0);
  } else {
    for (int m = 0; m < n; ++m) {
      if (S.Fitness[m] != 1)
        total += 1 / (1 - S.Fitness[m]);
      else if (First)
        total = 1;
    }
    for (int m = 0; m < n; ++m)
      S.RelativeFitness[m] =
          S.Fitness[m] == 1 ? 1 : (total > 0 ? (1 / (1 - S.Fitness[m])) / total : 0);
  }
}

void EvaluatePopulation(TEngineState& S, TSearchSettings& Set, bool First) {
  const int crit = Set.StopCriterion;
  const bool rmse = crit == crRMSE;
  S.BestStep.assign(S.DimCount, 0);
  bool improved = false;
  for (int m = 0; m < S.PopSize; ++m) {
    if (!(S.Algorithm == alDifferentialEvolution && !First))
      S.Fitness[m] = MemberFitness(S, crit, m);
    const double fit = S.Fitness[m];
    double& best = rmse ? S.BestFitnessRMSE : S.BestFitnessDC;
    const bool take = (First && m == 0) || (rmse ? fit < best : fit > best);
    if (!take) continue;
    best = fit;
    for (int d = 0; d < S.DimCount; ++d) {
      if (!First) S.BestStep[d] = S.BestPosition[d] - S.Population[m][d];
      S.BestPosition[d] = S.Population[m][d];
      if (S.EncodeDecode && m < static_cast<int>(S.GeneStrings.size())) {
        if (static_cast<int>(S.BestGeneStrings.size()) < S.DimCount)
          S.BestGeneStrings.resize(S.DimCount);
        S.BestGeneStrings[d] = S.GeneStrings[m][d];
      }
    }
    StoreBestCalculated(S);
    improved = true;
  }
  if (First) improved = true;
  ComputeRelativeFitness(S, crit, First);
  if (improved) {
    Set.Improved = true;
    UpdateBestStatistics(S);
  }
  // Neighbourhood bests: ring windows of NeighbourSize members from i on.
  if ((S.Algorithm == alZedovev || S.Algorithm == alParticleSwarm) &&
      S.NeighbourSize != S.PopSize && S.PopSize > 0) {
    for (int i = 0; i < S.PopSize; ++i) {
      if (First) {
        int at = i;
        double bestShare = S.RelativeFitness[i];
        for (int j = 1; j < S.NeighbourSize; ++j) {
          const int idx = (i + j) % S.PopSize;
          if (S.RelativeFitness[idx] > bestShare) bestShare = S.RelativeFitness[idx], at = idx;
        }
        S.NeighbourBestFitness[i] = bestShare;
        S.NeighbourBestPosition[i] = S.Population[at];
      } else {
        int at = -1;
        for (int j = 0; j < S.NeighbourSize; ++j) {
          const int idx = (i + j) % S.PopSize;
          if (S.RelativeFitness[idx] > S.NeighbourBestFitness[i]) {
            S.NeighbourBestFitness[i] = S.RelativeFitness[idx];
            at = idx;
          }
        }
        if (at >= 0) S.NeighbourBestPosition[i] = S.Population[at];
      }
    }
  }
}

void UpdateBestStatistics(TEngineState& S) {
  if (S.ModelMode == 2) {
    const int files = S.DataFileCount, outs = S.OutputCount;
    S.FileSSE.assign(files, Double1Array(outs, 0));
    S.FileRMSE = S.FileDC = S.FileR = S.FileSSE;
    double r = 0, dc = 0, rmse = 0, sse = 0;
    int fitted = 0;  // data sets that take part in the fit (test sets do not)
    for (int f = 0; f < files; ++f) {
      const bool test = f < static_cast<int>(S.IsTestFile.size()) && S.IsTestFile[f];
      if (!test) ++fitted;
      for (int o = 0; o < outs; ++o) {
        CalcStatistics(S, f, o, S.BestCalculated, S.FileSSE[f][o], S.FileRMSE[f][o], S.FileDC[f][o],
                       S.FileR[f][o]);
        if (test) continue;
        r += S.FileR[f][o], dc += S.FileDC[f][o], rmse += S.FileRMSE[f][o], sse += S.FileSSE[f][o];
      }
    }
    const double count = static_cast<double>(fitted) * outs;
    S.BestR = count > 0 ? r / count : 0;
    S.BestDC = count > 0 ? dc / count : 0;
    S.BestRMSE = count > 0 ? rmse / count : 0;
    S.BestSSE = sse;
    return;
  }
  CalcStatistics(S, S.CurrentFile, S.CurrentOutput, S.BestCalculated, S.BestSSE, S.BestRMSE,
                 S.BestDC, S.BestR);
}

double RandomTestValue(TEngineState& S, int Try) {
  TRandomGenerator& g = EngineRandom(S);
  if (Try <= 10) return RandomReal(g);
  if (Try <= 21) return -RandomReal(g);
  return 1 - 2 * RandomReal(g);
}

bool CheckFunctionExpression(TEngineState& S, TFitHost& Host) {
  for (int t = 0; t <= 50; ++t) {
    for (auto& v : S.VariableValues) v = RandomTestValue(S, t);
    for (auto& p : S.ParameterValues) p = RandomTestValue(S, t);
    try {
      if (std::isfinite(S.Parser->EvaluateCompiled(S.CompiledFunction))) return true;
    } catch (const std::exception&) {
    }
  }
  const std::string text = S.CurrentFunction < static_cast<int>(S.FunctionTexts.size())
                               ? S.FunctionTexts[S.CurrentFunction]
                               : std::string();
  Host.ShowMessage(mtInformation, "Function string \"" + text + "\" is not correct!");
  return false;
}

bool CheckEquationFunctions(TEngineState& S, TFitHost& Host) {
  for (int i = 0; i < S.ObjectiveCount; ++i) {
    bool ok = false;
    for (int t = 0; t < 21 && !ok; ++t) {
      for (int p = 0; p < S.ParameterCount; ++p) S.ParameterValues[p] = RandomValue(S, 0, p);
      try {
        ok = std::isfinite(S.Parser->EvaluateCompiled(S.ObjectiveIndices[i]));
      } catch (const std::exception&) {
      }
    }
    if (!ok) {
      Host.ShowMessage(mtInformation,
                       "Function expression of \"" + S.ObjectiveTexts[i] + " is wrong!");
      return false;
    }
  }
  return true;
}

}  // namespace qv
