#include "engine/Fitness.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

#include "engine/EvaluationThreads.h"
#include "engine/ParseExpr.h"
#include "engine/ProgramFitness.h"
#include "engine/RandomValues.h"
#include "engine/SearchRandom.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// The lowest DC shown: statistics clamp a DC below it (or NaN) to it. The
// fitness that ranks candidates keeps the DC unclamped, so that candidates
// far from the data stay comparable (a model whose every start lies below
// the clamp could otherwise never accept a step); a DC that is no number,
// or an overflowing sum, ranks below every other.
constexpr double kWorstDC = -100;
constexpr double kNoDC = -HUGE_VAL;

double RankingDC(double dc) { return std::isnan(dc) ? kNoDC : dc; }

int OutputVariable(const TEngineState& S) {
  if (S.Model.CurrentFunction >= 0 &&
      S.Model.CurrentFunction < static_cast<int>(S.Model.FunctionOutputs.size())) {
    const std::string& name = S.Model.FunctionOutputs[S.Model.CurrentFunction];
    for (int v = 0; v < S.Model.VariableCount; ++v)
      if (SameText(S.Model.VariableNames[v], name)) return v;
  }
  return S.Model.VariableCount - 1;
}

// Column bindings (engine/RunCache.h) of one data file for the current
// function: the output's slot holds the observed value, so an implicit
// equation "f+(y)" evaluates to f + y and its residual against y is f.
void BindRows(TEngineState& S, int f, TRowBinding& b) {
  b.Columns.clear();
  b.Rows = f < static_cast<int>(S.Model.PointCount.size()) ? S.Model.PointCount[f] : 0;
  const int out = OutputVariable(S);
  int input = 0;
  for (int v = 0; v < S.Model.VariableCount && v < static_cast<int>(S.Model.VariableValues.size());
       ++v) {
    if (v == out) {
      b.Columns.push_back(
          {&S.Model.VariableValues[v], S.Model.TargetData[f][S.Model.CurrentOutput].data()});
    } else if (input < static_cast<int>(S.Model.InputData[f].size())) {
      b.Columns.push_back({&S.Model.VariableValues[v], S.Model.InputData[f][input].data()});
      ++input;
    }
  }
}

void LoadParameters(TEngineState& S, const Double1Array& values) {
  const int n = std::min<int>(S.Model.ParameterCount, static_cast<int>(values.size()));
  for (int p = 0; p < n; ++p) S.Model.ParameterValues[p] = values[p];
}

// Sum of (T - mean T)^2 over the rows, in row order.
double ObservedSquares(const TEngineState& S, int f, int o, int rows) {
  const double* target = S.Model.TargetData[f][o].data();
  const double mt = S.Model.TargetMean[f][o];
  double stt = 0;
  for (int k = 0; k < rows; ++k) {
    const double t = target[k] - mt;
    stt += t * t;
  }
  return stt;
}

// Evaluates rows [from, rows) into calc; returns the first row that raised,
// or rows. Results are not checked for finiteness here.
int EvaluateRowsRaw(TEngineState& S, const TRowBinding& b, int from, double* calc,
                    uint64_t generation = 0) {
  const int n = b.Rows - from;
  if (n <= 0) return b.Rows;
  const int count = static_cast<int>(b.Columns.size());
  if (from == 0)
    return S.Model.Parser->EvaluateCompiledColumn(S.Model.CompiledFunction, n, b.Columns.data(),
                                                  count, calc, generation);
  std::vector<TColumnBinding>& shifted = S.Run.FitnessCache.Shifted;
  shifted.resize(b.Columns.size());
  for (size_t i = 0; i < b.Columns.size(); ++i)
    shifted[i] = {b.Columns[i].Address, b.Columns[i].Values + from};
  return from + S.Model.Parser->EvaluateCompiledColumn(S.Model.CompiledFunction, n, shifted.data(),
                                                       count, calc + from);
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

// Whether the cache holds the bindings of column (f, o) of that function,
// compiled as compiled.
bool CacheHolds(const TFitnessCache& cache, int f, int o, int function, int compiled) {
  return cache.Valid && cache.File == f && cache.Output == o && cache.Function == function &&
         cache.Compiled == compiled;
}

// A new evaluation of column (f, o): values of another column left
// unwritten are written first; those of this one are given up. This and
// LargeSquares stay out of line, so that the fitness of a small data set,
// where a candidate takes some tens of nanoseconds, keeps its short path.
__attribute__((noinline)) void SupersedeUnwritten(TEngineState& S, int f, int o) {
  TFitnessCache::TUnwritten& u = S.Run.FitnessCache.Unwritten;
  if (u.File != f || u.Output != o) WriteCalculated(S);
  u.Due = false;
}

// A large data set: its rows in fixed chunks on the evaluation threads,
// each chunk's squares summed into sse as its rows are done; returns the
// first row that raised, or the row count. Within a scope the values are
// not written to calc (WriteCalculated writes them when asked for); a fault
// or a sum that is not finite evaluates again with them written, to find
// the rows.
__attribute__((noinline)) int LargeSquares(TEngineState& S, const TRowBinding& b,
                                           const Double1Array& values, double* calc,
                                           const double* target, uint64_t generation, double& sse) {
  TFitnessCache& cache = S.Run.FitnessCache;
  auto evaluate = [&](double* results) {
    return S.Model.Parser->EvaluateCompiledColumnSquares(
        S.Model.CompiledFunction, b.Rows, b.Columns.data(), static_cast<int>(b.Columns.size()),
        results, kEvaluationChunkRows, target, sse, generation);
  };
  if (cache.Active && evaluate(nullptr) >= b.Rows && std::isfinite(sse)) {
    TFitnessCache::TUnwritten& u = cache.Unwritten;
    u.Due = true;
    u.File = S.Model.CurrentFile, u.Output = S.Model.CurrentOutput,
    u.Function = S.Model.CurrentFunction, u.Compiled = S.Model.CompiledFunction;
    u.Values.assign(values.begin(), values.end());
    return b.Rows;
  }
  return evaluate(calc);
}

// The sum of (calc - target)^2 over n rows, in row order.
inline double RowOrderSquares(const double* calc, const double* target, int n) {
  double sse = 0;
#pragma GCC unroll 4
  for (int k = 0; k < n; ++k) {
    const double d = calc[k] - target[k];
    sse += d * d;
  }
  return sse;
}

// The fitness of a finite sum of squares sse over rows evaluated without a
// fault, stt the observed values' squares.
inline double SquaresFitness(int criterion, double sse, int rows, double stt) {
  if (criterion == crRMSE) return rows > 0 ? std::sqrt(sse / rows) : 0;
  if (stt == 0) return 0;
  return RankingDC((stt - sse) / stt);
}

// ExpressionFitness on every way but the short one.
__attribute__((noinline)) double ExpressionFitnessAll(TEngineState& S, int criterion, int m,
                                                      const Double1Array& values, bool trial);

// The fitness of one candidate (a member or its trial) by the compiled
// function. Trial: the first row that raises ends the loop and the member's
// current fitness is returned, so the trial cannot win.
// A small data set inside a search loop takes a short way first: its
// bindings kept, the machine code of the function run, the squares summed.
inline double ExpressionFitness(TEngineState& S, int criterion, int m, const Double1Array& values,
                                bool trial) {
  TFitnessCache& cache = S.Run.FitnessCache;
  const int f = S.Model.CurrentFile;
  const int o = S.Model.CurrentOutput;
  if (cache.Active && !cache.Unwritten.Due && cache.Binding.Rows < kParallelRows &&
      CacheHolds(cache, f, o, S.Model.CurrentFunction, S.Model.CompiledFunction)) {
    const TRowBinding& b = cache.Binding;
    LoadParameters(S, values);
    double* calc = S.Model.Calculated[f][o].data();
    if (S.Model.Parser->EvaluateCompiledColumnQuick(
            S.Model.CompiledFunction, b.Rows, b.Columns.data(), static_cast<int>(b.Columns.size()),
            calc, cache.Generation)) {
      const double sse = RowOrderSquares(calc, S.Model.TargetData[f][o].data(), b.Rows);
      if (std::isfinite(sse)) return SquaresFitness(criterion, sse, b.Rows, cache.Stt);
    }
  }
  return ExpressionFitnessAll(S, criterion, m, values, trial);
}

double ExpressionFitnessAll(TEngineState& S, int criterion, int m, const Double1Array& values,
                            bool trial) {
  const int f = S.Model.CurrentFile;
  const int o = S.Model.CurrentOutput;
  // Inside a search loop the bindings and the observed values' squares are
  // kept from one member to the next (engine/RunCache.h).
  TFitnessCache& cache = S.Run.FitnessCache;
  const TRowBinding* bp;
  uint64_t generation = 0;
  double stt = 0;
  bool haveStt = false;
  if (cache.Active) {
    if (!CacheHolds(cache, f, o, S.Model.CurrentFunction, S.Model.CompiledFunction)) {
      BindRows(S, f, cache.Binding);
      cache.Stt = ObservedSquares(S, f, o, cache.Binding.Rows);
      cache.File = f, cache.Output = o, cache.Function = S.Model.CurrentFunction,
      cache.Compiled = S.Model.CompiledFunction;
      static std::atomic<uint64_t> generations{0};
      cache.Generation = ++generations;
      cache.Valid = true;
    }
    bp = &cache.Binding;
    generation = cache.Generation;
    stt = cache.Stt;
    haveStt = true;
  } else {
    BindRows(S, f, cache.Scratch);
    bp = &cache.Scratch;
  }
  const TRowBinding& b = *bp;
  // Values left unwritten belong to this column, which is written below, or
  // to another, which gets them first.
  if (cache.Unwritten.Due) SupersedeUnwritten(S, f, o);
  LoadParameters(S, values);
  double* calc = S.Model.Calculated[f][o].data();
  const double* target = S.Model.TargetData[f][o].data();
  const int rows = b.Rows;
  double sse = 0;
  int done;
  if (rows >= kParallelRows) {
    done = LargeSquares(S, b, values, calc, target, generation, sse);
  } else {
    done = EvaluateRowsRaw(S, b, 0, calc, generation);
    if (done >= rows) sse = RowOrderSquares(calc, target, rows);
  }
  int bad;
  if (done >= rows) {
    // Every row evaluated: a result that is not finite makes the sum not
    // finite.
    if (std::isfinite(sse)) {
      if (criterion != crRMSE && !haveStt) stt = ObservedSquares(S, f, o, rows);
      return SquaresFitness(criterion, sse, rows, stt);
    }
    bad = FirstNotFinite(calc, 0, rows);
  } else {
    bad = FirstNotFinite(calc, 0, done);
  }
  // Some row raised, or the sums overflowed: row by row with the penalties.
  double sum = 0;
  bool lastRaised = false;
  int raised = 0;
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
    if (trial) return S.Pop.Fitness[m];
    calc[bad] = 0;
    RandomizeMember(S, m);
    if (criterion != crDC) sum += Sqr(3 * target[bad]);
    ++raised;
    lastRaised = bad == rows - 1;
    k = bad + 1;
    bad = -1;
  }
  if (criterion == crRMSE) return rows > 0 ? std::sqrt(sum / rows) : 0;
  // A member none of whose rows could be evaluated scores 0. One whose
  // other rows were evaluated scores the DC of its values, the rows that
  // raised counted as 0: scoring 0 because the last row raised ranked a
  // model that overflows at the end of the data above every fit worse than
  // the observed mean, and a search from far starts stood still on it.
  if (lastRaised && raised == rows) return 0;
  return CalcDeterminationCoef(S, o, S.Model.Calculated, m);
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

void CalcStatistics(const TEngineState& S, int f, int o, const Double3Array& Calc, double& SSE,
                    double& RMSE, double& DC, double& R) {
  const Double1Array& T = S.Model.TargetData[f][o];
  const Double1Array& C = Calc[f][o];
  const int n = f < static_cast<int>(S.Model.PointCount.size()) ? S.Model.PointCount[f] : 0;
  const double mt = S.Model.TargetMean[f][o];
  const double mc = S.Pop.CalculatedMean[f][o];
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
  DC = ShownDC(stt == 0 ? 0 : (stt - sse) / stt);
  R = (stt == 0 || scc == 0) ? 0 : std::sqrt(Sqr(stc) / (stt * scc));
  if (!std::isfinite(R)) R = 0;
}

double CalcDeterminationCoef(TEngineState& S, int o, const Double3Array& Calc, int Member) {
  const int f = S.Model.CurrentFile;
  const Double1Array& T = S.Model.TargetData[f][o];
  const Double1Array& C = Calc[f][o];
  const int n = S.Model.PointCount[f];
  const double mt = S.Model.TargetMean[f][o];
  double stt = 0, sse = 0;
  for (int k = 0; k < n; ++k) {
    stt += Sqr(T[k] - mt);
    sse += Sqr(T[k] - C[k]);
  }
  if (!std::isfinite(sse) || !std::isfinite(stt)) {
    if (Member >= 0) RandomizeMember(S, Member);
    return kNoDC;
  }
  if (stt == 0) return 0;
  return RankingDC((stt - sse) / stt);
}

double CalcRootMeanSquareError(const TEngineState& S, int o, const Double3Array& Calc) {
  const int f = S.Model.CurrentFile;
  const Double1Array& T = S.Model.TargetData[f][o];
  const Double1Array& C = Calc[f][o];
  const int n = S.Model.PointCount[f];
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

double ShownDC(double DC) { return std::isnan(DC) || DC < kWorstDC ? kWorstDC : DC; }

double CalcDeterminationCoef(TEngineState& S, int o) {
  return ShownDC(CalcDeterminationCoef(S, o, S.Model.Calculated, -1));
}
double CalcRootMeanSquareError(const TEngineState& S, int o) {
  return CalcRootMeanSquareError(S, o, S.Model.Calculated);
}

double MemberFitnessByExpression(TEngineState& S, int Criterion, int m) {
  return ExpressionFitness(S, Criterion, m, S.Pop.Population[m], false);
}

double FitnessByExpression(TEngineState& S, int Criterion, int m) {
  return ExpressionFitness(S, Criterion, m, S.Pop.TrialPopulation[m], true);
}

double MemberFitness(TEngineState& S, int Criterion, int m) {
  if (S.Model.ModelMode == TModelMode::Program) return MemberFitnessByProgram(S, Criterion, m);
  return MemberFitnessByExpression(S, Criterion, m);
}

double TrialFitness(TEngineState& S, int Criterion, int m) {
  if (S.Model.ModelMode == TModelMode::Program) return FitnessByProgram(S, Criterion, m);
  return FitnessByExpression(S, Criterion, m);
}

TFitnessRunScope::~TFitnessRunScope() {
  try {
    WriteCalculated(s_);
  } catch (...) {
    // Only an allocation can fail here; Calculated then keeps what it held.
  }
}

void WriteCalculated(TEngineState& S) {
  TFitnessCache& cache = S.Run.FitnessCache;
  TFitnessCache::TUnwritten& u = cache.Unwritten;
  if (!u.Due) return;
  u.Due = false;
  TEngineModel& M = S.Model;
  if (!M.Parser || u.Compiled < 0 || u.Compiled >= M.Parser->CompiledCount() || u.File < 0 ||
      u.File >= static_cast<int>(M.Calculated.size()) || u.Output < 0 ||
      u.Output >= static_cast<int>(M.Calculated[u.File].size()) ||
      u.File >= static_cast<int>(M.TargetData.size()) ||
      u.Output >= static_cast<int>(M.TargetData[u.File].size()))
    return;
  // The bindings of the column's own data set, function and output, which
  // need not be the current ones any more.
  const int file = M.CurrentFile, output = M.CurrentOutput, function = M.CurrentFunction,
            compiled = M.CompiledFunction;
  M.CurrentFile = u.File, M.CurrentOutput = u.Output, M.CurrentFunction = u.Function,
  M.CompiledFunction = u.Compiled;
  const bool kept = CacheHolds(cache, u.File, u.Output, u.Function, u.Compiled);
  if (!kept) BindRows(S, u.File, cache.Scratch);
  const TRowBinding& b = kept ? cache.Binding : cache.Scratch;
  Double1Array& calc = M.Calculated[u.File][u.Output];
  const Double1Array& target = M.TargetData[u.File][u.Output];
  if (b.Rows <= static_cast<int>(calc.size()) && b.Rows <= static_cast<int>(target.size())) {
    // The parameters and variables are put back as they were, in place
    // (the parser reads them by address): only Calculated changes.
    const Double1Array parameters = M.ParameterValues, variables = M.VariableValues;
    LoadParameters(S, u.Values);
    double sse = 0;
    M.Parser->EvaluateCompiledColumnSquares(
        u.Compiled, b.Rows, b.Columns.data(), static_cast<int>(b.Columns.size()), calc.data(),
        kEvaluationChunkRows, target.data(), sse, kept ? cache.Generation : 0);
    std::copy(parameters.begin(), parameters.end(), M.ParameterValues.begin());
    std::copy(variables.begin(), variables.end(), M.VariableValues.begin());
  }
  M.CurrentFile = file, M.CurrentOutput = output, M.CurrentFunction = function,
  M.CompiledFunction = compiled;
}

void StoreBestCalculated(TEngineState& S) {
  WriteCalculated(S);
  S.Pop.BestCalculated = S.Model.Calculated;
  for (int f = 0; f < static_cast<int>(S.Pop.BestCalculated.size()); ++f)
    for (int o = 0; o < static_cast<int>(S.Pop.BestCalculated[f].size()); ++o) {
      const int n =
          std::min<int>(S.Model.PointCount[f], static_cast<int>(S.Pop.BestCalculated[f][o].size()));
      MeanMinMax(S.Pop.BestCalculated[f][o], n, S.Pop.CalculatedMean[f][o],
                 S.Pop.CalculatedMin[f][o], S.Pop.CalculatedMax[f][o]);
    }
}

void CalculateBest(TEngineState& S) {
  TEngineModel& M = S.Model;
  const int f = M.CurrentFile, o = M.CurrentOutput;
  if (M.ModelMode != TModelMode::Function || !M.Parser || f < 0 || o < 0 ||
      f >= static_cast<int>(S.Pop.BestCalculated.size()) ||
      o >= static_cast<int>(S.Pop.BestCalculated[f].size()) ||
      f >= static_cast<int>(M.TargetData.size()) || o >= static_cast<int>(M.TargetData[f].size()) ||
      static_cast<int>(S.Pop.BestPosition.size()) < M.ParameterCount) {
    UpdateBestStatistics(S);
    return;
  }
  WriteCalculated(S);
  TRowBinding& b = S.Run.FitnessCache.Scratch;
  BindRows(S, f, b);
  Double1Array& calc = S.Pop.BestCalculated[f][o];
  if (b.Rows > static_cast<int>(calc.size())) return;
  // The parameters and variables are put back as they were, in place (the
  // parser reads them by address).
  const Double1Array parameters = M.ParameterValues, variables = M.VariableValues;
  LoadParameters(S, S.Pop.BestPosition);
  // A row that raises shows 0, as in the fitness.
  for (int k = 0; k < b.Rows;) {
    const int bad = EvaluateRowsRaw(S, b, k, calc.data());
    if (bad >= b.Rows) break;
    calc[bad] = 0;
    k = bad + 1;
  }
  std::copy(parameters.begin(), parameters.end(), M.ParameterValues.begin());
  std::copy(variables.begin(), variables.end(), M.VariableValues.begin());
  const int n = std::min<int>(M.PointCount[f], static_cast<int>(calc.size()));
  MeanMinMax(calc, n, S.Pop.CalculatedMean[f][o], S.Pop.CalculatedMin[f][o],
             S.Pop.CalculatedMax[f][o]);
  UpdateBestStatistics(S);
}

void ComputeRelativeFitness(TPopulation& P, int Criterion, bool First) {
  const int n = P.PopSize;
  double total = 0;
  if (Criterion == crRMSE) {
    for (int m = 0; m < n; ++m)
      if (P.Fitness[m] != 0) total += 1 / P.Fitness[m];
    for (int m = 0; m < n; ++m)
      P.RelativeFitness[m] = P.Fitness[m] == 0 ? 1 : (total > 0 ? (1 / P.Fitness[m]) / total : 0);
  } else {
    for (int m = 0; m < n; ++m) {
      if (P.Fitness[m] != 1)
        total += 1 / (1 - P.Fitness[m]);
      else if (First)
        total = 1;
    }
    for (int m = 0; m < n; ++m)
      P.RelativeFitness[m] =
          P.Fitness[m] == 1 ? 1 : (total > 0 ? (1 / (1 - P.Fitness[m])) / total : 0);
  }
}

void UpdateNeighbourBests(TPopulation& P, TAlgorithm Algorithm, const Double1Array& Values,
                          bool SmallerIsBetter, bool First) {
  if (!(Algorithm == TAlgorithm::Zedovev || Algorithm == TAlgorithm::ParticleSwarm) ||
      P.NeighbourSize == P.PopSize || P.PopSize <= 0)
    return;
  auto better = [&](double a, double b) { return SmallerIsBetter ? a < b : a > b; };
  for (int i = 0; i < P.PopSize; ++i) {
    if (First) {
      int at = i;
      double best = Values[i];
      for (int j = 1; j < P.NeighbourSize; ++j) {
        const int idx = (i + j) % P.PopSize;
        if (better(Values[idx], best)) best = Values[idx], at = idx;
      }
      P.NeighbourBestFitness[i] = best;
      P.NeighbourBestPosition[i] = P.Population[at];
    } else {
      int at = -1;
      for (int j = 0; j < P.NeighbourSize; ++j) {
        const int idx = (i + j) % P.PopSize;
        if (better(Values[idx], P.NeighbourBestFitness[i]))
          P.NeighbourBestFitness[i] = Values[idx], at = idx;
      }
      if (at >= 0) P.NeighbourBestPosition[i] = P.Population[at];
    }
  }
}

void EvaluatePopulation(TEngineState& S, const TSearchSettings& Set, bool First) {
  TPopulation& P = S.Pop;
  const int crit = Set.StopCriterion;
  const bool rmse = crit == crRMSE;
  P.BestStep.assign(S.Model.DimCount, 0);
  bool improved = false;
  const bool every = !(S.Run.Algorithm == TAlgorithm::DifferentialEvolution && !First);
  if (every && S.Model.ModelMode == TModelMode::Program) PrefetchMembersByProgram(S);
  for (int m = 0; m < P.PopSize; ++m) {
    if (every) P.Fitness[m] = MemberFitness(S, crit, m);
    const double fit = P.Fitness[m];
    double& best = rmse ? P.BestFitnessRMSE : P.BestFitnessDC;
    const bool take = (First && m == 0) || (rmse ? fit < best : fit > best);
    if (!take) continue;
    best = fit;
    for (int d = 0; d < S.Model.DimCount; ++d) {
      if (!First) P.BestStep[d] = P.BestPosition[d] - P.Population[m][d];
      P.BestPosition[d] = P.Population[m][d];
      if (S.Model.EncodeDecode && m < static_cast<int>(P.GeneStrings.size())) {
        if (static_cast<int>(P.BestGeneStrings.size()) < S.Model.DimCount)
          P.BestGeneStrings.resize(S.Model.DimCount);
        P.BestGeneStrings[d] = P.GeneStrings[m][d];
      }
    }
    StoreBestCalculated(S);
    improved = true;
  }
  if (First) improved = true;
  ComputeRelativeFitness(P, crit, First);
  if (improved) UpdateBestStatistics(S);
  UpdateNeighbourBests(P, S.Run.Algorithm, P.RelativeFitness, false, First);
}

void ReevaluateBest(TEngineState& S, const TSearchSettings& Set) {
  TPopulation& P = S.Pop;
  const int crit = Set.StopCriterion;
  const bool rmse = crit == crRMSE;
  if (P.PopSize <= 0 || P.TrialPopulation.empty() || P.Fitness.empty() ||
      static_cast<int>(P.BestPosition.size()) < S.Model.DimCount)
    return;
  // The best is scored as member 0's trial vector: a trial that cannot be
  // evaluated returns the member's fitness, here a NaN that says so, and
  // never draws a member again.
  Double1Array trial = std::move(P.TrialPopulation[0]);
  const double fitness = P.Fitness[0];
  P.TrialPopulation[0] = P.BestPosition;
  P.Fitness[0] = std::numeric_limits<double>::quiet_NaN();
  double fit;
  try {
    fit = TrialFitness(S, crit, 0);
  } catch (...) {
    P.TrialPopulation[0] = std::move(trial);
    P.Fitness[0] = fitness;
    throw;
  }
  P.TrialPopulation[0] = std::move(trial);
  P.Fitness[0] = fitness;
  if (std::isnan(fit)) fit = rmse ? std::numeric_limits<double>::infinity() : kWorstDC;
  (rmse ? P.BestFitnessRMSE : P.BestFitnessDC) = fit;
  StoreBestCalculated(S);
  UpdateBestStatistics(S);
}

TLineEnds ObservedCalculatedLine(const Double1Array& T, const Double1Array& C, int n) {
  n = std::min({n, static_cast<int>(T.size()), static_cast<int>(C.size())});
  TLineEnds line;
  if (n <= 0) return line;
  double st = 0, sc = 0, lo = T[0], hi = T[0];
  for (int k = 0; k < n; ++k) {
    st += T[k];
    sc += C[k];
    lo = std::min(lo, T[k]);
    hi = std::max(hi, T[k]);
  }
  const double mt = st / n, mc = sc / n;
  double stt = 0, stc = 0;
  for (int k = 0; k < n; ++k) {
    stt += (T[k] - mt) * (T[k] - mt);
    stc += (T[k] - mt) * (C[k] - mc);
  }
  double slope = stt > 0 ? stc / stt : 0;
  if (!std::isfinite(slope)) slope = 0;
  line.X1 = lo;
  line.Y1 = mc + slope * (lo - mt);
  line.X2 = hi;
  line.Y2 = mc + slope * (hi - mt);
  return line;
}

namespace {

// The line of output o of data set f through the best member's values.
void StoreBestLine(TEngineState& S, int f, int o) {
  const int files = std::max(S.Model.DataFileCount, f + 1);
  const int outs = std::max(S.Model.OutputCount, o + 1);
  auto& lines = S.Pop.BestLine;
  if (static_cast<int>(lines.size()) < files) lines.resize(files);
  for (auto& row : lines)
    if (static_cast<int>(row.size()) < outs) row.resize(outs);
  lines[f][o] = ObservedCalculatedLine(S.Model.TargetData[f][o], S.Pop.BestCalculated[f][o],
                                       S.Model.PointCount[f]);
}

}  // namespace

void UpdateBestStatistics(TEngineState& S) {
  if (S.Model.ModelMode == TModelMode::Program) {
    const int files = S.Model.DataFileCount, outs = S.Model.OutputCount;
    S.Pop.BestLine.assign(files, std::vector<TLineEnds>(outs));
    S.Pop.FileSSE.assign(files, Double1Array(outs, 0));
    S.Pop.FileRMSE = S.Pop.FileDC = S.Pop.FileR = S.Pop.FileSSE;
    double r = 0, dc = 0, rmse = 0, sse = 0;
    int fitted = 0;  // data sets that take part in the fit (test sets do not)
    for (int f = 0; f < files; ++f) {
      const bool test = f < static_cast<int>(S.Model.IsTestFile.size()) && S.Model.IsTestFile[f];
      if (!test) ++fitted;
      for (int o = 0; o < outs; ++o) {
        CalcStatistics(S, f, o, S.Pop.BestCalculated, S.Pop.FileSSE[f][o], S.Pop.FileRMSE[f][o],
                       S.Pop.FileDC[f][o], S.Pop.FileR[f][o]);
        StoreBestLine(S, f, o);
        if (test) continue;
        r += S.Pop.FileR[f][o], dc += S.Pop.FileDC[f][o], rmse += S.Pop.FileRMSE[f][o],
            sse += S.Pop.FileSSE[f][o];
      }
    }
    const double count = static_cast<double>(fitted) * outs;
    S.Pop.BestR = count > 0 ? r / count : 0;
    S.Pop.BestDC = count > 0 ? dc / count : 0;
    S.Pop.BestRMSE = count > 0 ? rmse / count : 0;
    S.Pop.BestSSE = sse;
    return;
  }
  CalcStatistics(S, S.Model.CurrentFile, S.Model.CurrentOutput, S.Pop.BestCalculated, S.Pop.BestSSE,
                 S.Pop.BestRMSE, S.Pop.BestDC, S.Pop.BestR);
  StoreBestLine(S, S.Model.CurrentFile, S.Model.CurrentOutput);
}

double RandomTestValue(TEngineState& S, int Try) {
  TRandomGenerator& g = S.Run.Random;
  if (Try <= 10) return RandomReal(g);
  if (Try <= 21) return -RandomReal(g);
  return 1 - 2 * RandomReal(g);
}

bool CheckFunctionExpression(TEngineState& S, TFitHost& Host) {
  for (int t = 0; t <= 50; ++t) {
    for (auto& v : S.Model.VariableValues) v = RandomTestValue(S, t);
    for (auto& p : S.Model.ParameterValues) p = RandomTestValue(S, t);
    try {
      if (std::isfinite(S.Model.Parser->EvaluateCompiled(S.Model.CompiledFunction))) return true;
    } catch (const std::exception&) {
    }
  }
  const std::string text = S.Model.CurrentFunction < static_cast<int>(S.Model.FunctionTexts.size())
                               ? S.Model.FunctionTexts[S.Model.CurrentFunction]
                               : std::string();
  Host.ShowMessage(mtInformation, "Function string \"" + text + "\" is not correct!");
  return false;
}

bool CheckEquationFunctions(TEngineState& S, TFitHost& Host) {
  for (int i = 0; i < S.Model.ObjectiveCount; ++i) {
    bool ok = false;
    for (int t = 0; t < 21 && !ok; ++t) {
      for (int p = 0; p < S.Model.ParameterCount; ++p)
        S.Model.ParameterValues[p] = RandomValue(S.Model, S.Pop, S.Run, 0, p);
      try {
        ok = std::isfinite(S.Model.Parser->EvaluateCompiled(S.Model.ObjectiveIndices[i]));
      } catch (const std::exception&) {
      }
    }
    if (!ok) {
      Host.ShowMessage(mtInformation,
                       "Function expression of \"" + S.Model.ObjectiveTexts[i] + " is wrong!");
      return false;
    }
  }
  return true;
}

}  // namespace qv
