// Fitness of population members and trial vectors, the statistics R, DC,
// SSE and RMSE, the evaluation of the whole population with its best
// tracking, relative fitness and neighbourhood bests, and the test
// evaluations that check a model before a run.
//
// Fitting modes: the fitness is DC (larger is better) unless the stop
// criterion is RMSE, then RMSE (smaller is better); "better" is strict.
// Arithmetic faults of the model never leave these routines: a row that
// cannot be evaluated is penalised and its member drawn again.
#pragma once

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/RunCache.h"
#include "engine/SearchState.h"

namespace qv {

// Statistics of output o of data file f, T the observed values
// (Targets[f][o]), C the calculated ones (Calc[f][o]):
//   Stt = sum (T - mean T)^2, SSE = sum (T - C)^2,
//   Stc = sum (T - mean T)(C - mean C), Scc = sum (C - mean C)^2,
//   DC = (Stt - SSE) / Stt (0 when Stt = 0; below -100 or NaN gives -100),
//   R = sqrt(Stc^2 / (Stt Scc)) (0 when Stt or Scc is 0), RMSE = sqrt(SSE / N).
// mean T comes from TargetMean, mean C from CalculatedMean.
void CalcStatistics(const TEngineState& S, int f, int o, const Double3Array& Calc, double& SSE,
                    double& RMSE, double& DC, double& R);
// DC of output o of the current file against Calc, unclamped: it ranks
// candidates (a DC that is no number ranks lowest). An overflow gives
// -infinity and draws member Member again (no member for Member < 0).
double CalcDeterminationCoef(TEngineState& S, int o, const Double3Array& Calc, int Member = -1);
// RMSE of output o of the current file against Calc; an overflowing sum is
// replaced by the sum of the squared observed values.
double CalcRootMeanSquareError(const TEngineState& S, int o, const Double3Array& Calc);
// A DC as shown: below -100, or no number, it shows as -100.
double ShownDC(double DC);
// The two measures of output o of the current file against Calculated, for
// the chart analysis window (the DC as shown).
double CalcDeterminationCoef(TEngineState& S, int o);
double CalcRootMeanSquareError(const TEngineState& S, int o);

// Marks a stretch (one search loop) in which the data of S do not change,
// so that the fitness of S can keep, from one member to the next, the column
// bindings of the current data set and function and the observed values'
// sum of squares about their mean. Forget() drops them; call it whenever the
// data, the bound variables or the current function may have changed (after
// each message pump). Outside a scope nothing is kept; see
// engine/RunCache.h.
// Within a scope the fitness of a large data set (kParallelRows rows and
// more) sums the rows' squares without writing the values to Calculated,
// which would double what passes through memory: they are written by
// WriteCalculated, which StoreBestCalculated and the end of the scope call.
class TFitnessRunScope : public TRunCacheScope {
 public:
  explicit TFitnessRunScope(TEngineState& S) : TRunCacheScope(S.Run.FitnessCache), s_(S) {}
  ~TFitnessRunScope();

 private:
  TEngineState& s_;
};

// Writes to Calculated the values of the last candidate the fitness
// evaluated, when it left them unwritten (see TFitnessRunScope), so that
// Calculated holds them as after any other evaluation; else does nothing.
void WriteCalculated(TEngineState& S);

// Fitness of member m (Population[m]) and of its trial vector
// (TrialPopulation[m]) in expression mode, under the given stop criterion.
double MemberFitnessByExpression(TEngineState& S, int Criterion, int m);
double FitnessByExpression(TEngineState& S, int Criterion, int m);
// The member or trial fitness of the current mode: by the compiled
// expressions, or by the model's library in program mode.
double MemberFitness(TEngineState& S, int Criterion, int m);
double TrialFitness(TEngineState& S, int Criterion, int m);

// Evaluates the population (differential evolution outside the first pass
// keeps the fitness it computed itself), tracks the best, computes the
// relative fitness (shares of goodness) and the neighbourhood bests; the
// statistics of the best are brought up to date when it changed.
void EvaluatePopulation(TEngineState& S, const TSearchSettings& Set, bool First);
// A resumed search starts from the kept best member: its values are
// evaluated again over the data as they are now, so that Calculated,
// BestCalculated, the statistics and the best fitness belong to the
// parameters the reports show (a new reading of the model leaves no
// calculated values). A best that no longer evaluates gets the worst
// fitness, so that any member replaces it.
void ReevaluateBest(TEngineState& S, const TSearchSettings& Set);
// Relative fitness from Fitness: under RMSE 1/F over the sum of 1/F (a
// perfect member, RMSE 0, gets the top share 1); under DC 1/(1 - F) over
// the sum (a DC of exactly 1 gets 1).
void ComputeRelativeFitness(TPopulation& Pop, int Criterion, bool First);
// Neighbourhood bests of Zedovev Avedezo Rezividorodo and the particle
// swarm when they search locally (NeighbourSize below PopSize; other
// algorithms keep none): member i's neighbourhood is the ring window of
// NeighbourSize members from i on. Values[m] is a member's value, larger
// better or, with SmallerIsBetter, smaller better; "better" is strict. In
// the first pass each window's best starts from member i's own value; later
// passes keep a best until a better value shows in its window.
void UpdateNeighbourBests(TPopulation& Pop, TAlgorithm Algorithm, const Double1Array& Values,
                          bool SmallerIsBetter, bool First);
// Copies Calculated (written first: WriteCalculated) into BestCalculated
// with its mean, maximum and minimum.
void StoreBestCalculated(TEngineState& S);
// Fitting by expressions: evaluates the function at BestPosition into
// BestCalculated for the current data set and output (a row that raises
// gives 0) and brings the best's statistics up to date, so that what is
// reported belongs to the reported parameters, also when the member that
// set the best was drawn again by a fault in its own evaluation.
void CalculateBest(TEngineState& S);
// R, DC, SSE and RMSE of the best member into BestR .. BestRMSE, and the
// observed-against-calculated line into BestLine: in program mode of every
// data set and output (File* per set and output, the Best* means over the
// fitted sets), otherwise of the current data set and output.
void UpdateBestStatistics(TEngineState& S);
// The observed-against-calculated line (TLineEnds) of the first n points of
// T (observed) and C (calculated); n is bounded by both arrays.
TLineEnds ObservedCalculatedLine(const Double1Array& T, const Double1Array& C, int n);

// Checks before a run: the compiled fitting function must evaluate for some
// random slot values (51 tries; else "Function string "<statement>" is not
// correct!"); every objective must evaluate in one of 21 tries (else
// "Function expression of "<text> is wrong!").
bool CheckFunctionExpression(TEngineState& S, TFitHost& Host);
bool CheckEquationFunctions(TEngineState& S, TFitHost& Host);
// Test value of try t: [0, 1) for tries 0-10, its negative for 11-21, then
// in (-1, 1].
double RandomTestValue(TEngineState& S, int Try);

}  // namespace qv
