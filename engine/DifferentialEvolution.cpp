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
int RandomOther(TEngineState& S, int i, std::initializer_list<int> taken) {
  TRandomGenerator& g = EngineRandom(S);
  const int needed = static_cast<int>(taken.size()) + 2;
  for (int attempt = 0;; ++attempt) {
    const int k = RandomInt(g, S.PopSize);
    bool clash = k == i;
    for (int t : taken) clash = clash || k == t;
    if (!clash || (S.PopSize < needed && attempt > 100)) return k;
  }
}

bool Better(int criterion, double a, double b) { return criterion == crRMSE ? a < b : a > b; }

}  // namespace

void StepDifferentialEvolution(TEngineState& S, TSearchSettings& Set) {
  const TDeScheme& scheme = kSchemes[std::clamp(Set.DeScheme, 0, 9)];
  const TDeFormula formula = Set.DeMutationOption == 1 ? scheme.Advanced : scheme.Standard;
  const int crit = Set.StopCriterion;
  const bool opt = S.ModelMode == 1;
  TRandomGenerator& g = EngineRandom(S);
  const int taken = S.RandomDimCount < S.DimCount ? S.RandomDimCount + 1 : S.DimCount;
  bool improved = false;
  for (int i = 0; i < S.PopSize; ++i) {
    const int a = RandomOther(S, i, {});
    const int b = RandomOther(S, i, {a});
    const int c = scheme.Partners >= 3 ? RandomOther(S, i, {a, b}) : -1;
    const int e = scheme.Partners >= 4 ? RandomOther(S, i, {a, b, c}) : -1;
    Double1Array& trial = S.TrialPopulation[i];
    for (int d = 0; d < S.DimCount; ++d) {
      const double B = S.BestPosition[d];
      double x = S.Population[i][d];
      if (x == B) x = RandomValue(S, i, d);
      double v;
      if (RandomReal(g) <= Set.CrossoverRate) {
        TDeTerms t{B,
                   x,
                   S.Population[a][d],
                   S.Population[b][d],
                   c >= 0 ? S.Population[c][d] : 0,
                   e >= 0 ? S.Population[e][d] : 0,
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
      trial[d] = RepairValue(S, i, d, v);
    }
    if (opt) {
      LoadMember(S, trial);
      const double value = MemberObjective(S, false);
      const bool feasible = Feasible(S);
      if (AcceptsValue(S, value, S.RelativeFitness[i], feasible)) {
        S.Population[i] = trial;
        S.RelativeFitness[i] = value;
        if (value < S.BestFitnessRMSE) {
          S.BestFitnessRMSE = value;
          S.BestPosition = trial;
        }
      }
      continue;
    }
    const double f = TrialFitness(S, crit, i);
    if (!Better(crit, f, S.Fitness[i])) continue;
    S.Fitness[i] = f;
    for (int d = 0; d < taken; ++d) S.Population[i][d] = trial[d];
    double& best = crit == crRMSE ? S.BestFitnessRMSE : S.BestFitnessDC;
    if (Better(crit, f, best)) {
      best = f;
      S.BestPosition = S.Population[i];
      StoreBestCalculated(S);
      improved = true;
    }
  }
  if (!opt) {
    ComputeRelativeFitness(S, crit, true);
    if (improved) {
      Set.Improved = true;
      UpdateBestStatistics(S);
    }
  }
}

}  // namespace qv
