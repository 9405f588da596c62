// Differential evolution: one generation builds a trial vector for every
// member, evaluates it at once and keeps it when it is better; accepted
// trials replace members within the generation.
//
// Schemes (SchemeBox); B the best, x the member, X1..X4 distinct other
// members, F the mutation factor; the advanced option (DEOptionGroup 1)
// first pulls a point towards B: G = B + (1 - F)(B - y).
//   scheme  standard                      advanced
//   0       X3 + F (X1 - X2)              B + (1-F)(B-X1) + F (X1 - X2)
//   1       x + F (B + X1 - x - X2)       G(x) + F (B + X1 - G - X2)
//   2       X3 + F (B + X1 - X2 - X3)     G(X3) + F (B + X1 - X2 - G)
//   3       B + F (X1 + B - X2 - X3)      X2 + F (X1 + B + (1-F)(B-X1) - X2 - X3)
//   4       B + F (X1 - X2)               B + (1-F)(B-X1) + F (X1 - X2)
//   5       X1 + F (B - X2)               X1 + F (B + (1-F)(B-X1) - X2)
//   6       B + F (X1 + X2 - X3 - X4)     B + (1-F)(B-X1) + F (X1 + X2 - X3 - X4)
//   7       X3 + F (X1 + X2 - X3 - X4)    G(X3) + F (X1 + X2 - G - X4)
//   8       x + F (X1 + X2 - x - X3)      G(x) + F (X1 + X2 - G - X3)
//   9       B + F (X1 - (X2 + x)/2)       B + (1-F)(B-X1) + F (X1 - (X2 + x)/2)
// Routes (DEGroup), for a dimension not crossed over (r > CR):
//   0 standard: x;  1 quick: B + r'(B - x);  2 both: (1 - r') x + r' B;
//   3 mixed: B when r' >= 0.5, else x.
#include <algorithm>
#include <cmath>

#include "engine/Fitness.h"
#include "engine/OptimizeLoop.h"
#include "engine/RandomValues.h"
#include "engine/SearchRandom.h"
#include "engine/SearchSteps.h"

namespace qv {

namespace {

struct TDeTerms {
  double B, x, X1, X2, X3, X4, F;
};

using TDeFormula = double (*)(const TDeTerms&);

double Pull(const TDeTerms& t, double y) { return t.B + (1 - t.F) * (t.B - y); }

struct TDeScheme {
  TDeFormula Standard;
  TDeFormula Advanced;
  int Partners;  // distinct other members needed: 2, 3 or 4
};

const TDeScheme kSchemes[10] = {
    {[](const TDeTerms& t) { return t.X3 + t.F * (t.X1 - t.X2); },
     [](const TDeTerms& t) { return Pull(t, t.X1) + t.F * (t.X1 - t.X2); }, 3},
    {[](const TDeTerms& t) { return t.x + t.F * (t.B + t.X1 - t.x - t.X2); },
     [](const TDeTerms& t) {
       const double g = Pull(t, t.x);
       return g + t.F * (t.B + t.X1 - g - t.X2);
     },
     2},
    {[](const TDeTerms& t) { return t.X3 + t.F * (t.B + t.X1 - t.X2 - t.X3); },
     [](const TDeTerms& t) {
       const double g = Pull(t, t.X3);
       return g + t.F * (t.B + t.X1 - t.X2 - g);
     },
     3},
    {[](const TDeTerms& t) { return t.B + t.F * (t.X1 + t.B - t.X2 - t.X3); },
     [](const TDeTerms& t) { return t.X2 + t.F * (t.X1 + Pull(t, t.X1) - t.X2 - t.X3); }, 3},
    {[](const TDeTerms& t) { return t.B + t.F * (t.X1 - t.X2); },
     [](const TDeTerms& t) { return Pull(t, t.X1) + t.F * (t.X1 - t.X2); }, 2},
    {[](const TDeTerms& t) { return t.X1 + t.F * (t.B - t.X2); },
     [](const TDeTerms& t) { return t.X1 + t.F * (Pull(t, t.X1) - t.X2); }, 2},
    {[](const TDeTerms& t) { return t.B + t.F * (t.X1 + t.X2 - t.X3 - t.X4); },
     [](const TDeTerms& t) { return Pull(t, t.X1) + t.F * (t.X1 + t.X2 - t.X3 - t.X4); }, 4},
    {[](const TDeTerms& t) { return t.X3 + t.F * (t.X1 + t.X2 - t.X3 - t.X4); },
     [](const TDeTerms& t) {
       const double g = Pull(t, t.X3);
       return g + t.F * (t.X1 + t.X2 - g - t.X4);
     },
     4},
    {[](const TDeTerms& t) { return t.x + t.F * (t.X1 + t.X2 - t.x - t.X3); },
     [](const TDeTerms& t) {
       const double g = Pull(t, t.x);
       return g + t.F * (t.X1 + t.X2 - g - t.X3);
     },
     3},
    {[](const TDeTerms& t) { return t.B + t.F * (t.X1 - (t.X2 + t.x) / 2); },
     [](const TDeTerms& t) { return Pull(t, t.X1) + t.F * (t.X1 - (t.X2 + t.x) / 2); }, 2},
};

// A uniform member index different from i and from the given ones; when the
// population is too small for that, repeats are allowed.
int RandomOther(TRandomGenerator& g, int popSize, int i, std::initializer_list<int> taken) {
  const int needed = static_cast<int>(taken.size()) + 2;
  for (int attempt = 0;; ++attempt) {
    const int k = RandomInt(g, popSize);
    bool clash = k == i;
    for (int t : taken) clash = clash || k == t;
    if (!clash || (popSize < needed && attempt > 100)) return k;
  }
}

bool Better(int criterion, double a, double b) { return criterion == crRMSE ? a < b : a > b; }

}  // namespace

void StepDifferentialEvolution(TEngineState& S, const TSearchSettings& Set) {
  const TEngineModel& M = S.Model;
  TPopulation& P = S.Pop;
  TRunState& R = S.Run;
  const TDeScheme& scheme = kSchemes[std::clamp(Set.DeScheme, 0, 9)];
  const TDeFormula formula = Set.DeMutationOption == 1 ? scheme.Advanced : scheme.Standard;
  const int crit = Set.StopCriterion;
  const bool opt = M.ModelMode == TModelMode::Equation;
  TRandomGenerator& g = R.Random;
  const int taken = P.RandomDimCount < M.DimCount ? P.RandomDimCount + 1 : M.DimCount;
  bool improved = false;
  for (int i = 0; i < P.PopSize; ++i) {
    const int a = RandomOther(g, P.PopSize, i, {});
    const int b = RandomOther(g, P.PopSize, i, {a});
    const int c = scheme.Partners >= 3 ? RandomOther(g, P.PopSize, i, {a, b}) : -1;
    const int e = scheme.Partners >= 4 ? RandomOther(g, P.PopSize, i, {a, b, c}) : -1;
    Double1Array& trial = P.TrialPopulation[i];
    for (int d = 0; d < M.DimCount; ++d) {
      const double B = P.BestPosition[d];
      double x = P.Population[i][d];
      if (x == B) x = RandomValue(M, P, R, i, d);
      double v;
      if (RandomReal(g) <= Set.CrossoverRate) {
        TDeTerms t{B,
                   x,
                   P.Population[a][d],
                   P.Population[b][d],
                   c >= 0 ? P.Population[c][d] : 0,
                   e >= 0 ? P.Population[e][d] : 0,
                   Set.MutationRate};
        v = formula(t);
      } else {
        switch (Set.DeRoute) {
          case 1:
            v = B + RandomReal(g) * (B - x);
            break;
          case 2: {
            const double r = RandomReal(g);
            v = (1 - r) * x + r * B;
            break;
          }
          case 3:
            v = RandomReal(g) >= 0.5 ? B : x;
            break;
          default:
            v = x;
            break;
        }
      }
      trial[d] = RepairValue(M, P, R, i, d, v);
    }
    if (opt) {
      LoadMember(S, trial);
      const double value = MemberObjective(S, false);
      double violation = 0;
      const bool feasible = Feasible(S, violation);
      if (AcceptsMember(S, value, feasible, violation, P.ObjectiveValues[i],
                        P.ObjectiveFeasible[i] != 0, P.ObjectiveViolation[i])) {
        P.Population[i] = trial;
        P.ObjectiveValues[i] = value;
        P.ObjectiveFeasible[i] = feasible;
        P.ObjectiveViolation[i] = violation;
        // A trial that breaks constraints becomes the best only against a
        // best that breaks them by more.
        if (feasible ? value < P.BestObjective || !P.BestFeasible
                     : !P.BestFeasible && violation < P.BestViolation) {
          P.BestObjective = BestValueOf(S, value, feasible, false);
          P.BestPosition = trial;
          P.BestFeasible = feasible;
          P.BestViolation = violation;
        }
      }
      continue;
    }
    const double f = TrialFitness(S, crit, i);
    if (!Better(crit, f, P.Fitness[i])) continue;
    P.Fitness[i] = f;
    for (int d = 0; d < taken; ++d) P.Population[i][d] = trial[d];
    double& best = crit == crRMSE ? P.BestFitnessRMSE : P.BestFitnessDC;
    if (Better(crit, f, best)) {
      best = f;
      P.BestPosition = P.Population[i];
      StoreBestCalculated(S);
      improved = true;
    }
  }
  if (!opt) {
    ComputeRelativeFitness(P, crit, true);
    if (improved) UpdateBestStatistics(S);
  }
}

}  // namespace qv
