// Particle swarm optimisation: every particle moves once per iteration.
//
// Velocity formulas (ComboBox3), P the personal best, G the global best, N
// the neighbourhood best, K the constriction factor, r1..r4 fresh draws.
// Global versions:
//   0  W V + C1 r1 (P-x) + C2 r2 (G-x)
//   1  (1-r1) r2 V + C1 r1 (P-x) + C2 r2 (G-x)
//   2  W V + C1 r1 (P-x) + C2 r2 (G-x) + r3 (G-P)
//   3  r1 r2 r3 V + C1 r1 (P-x) + C2 r2 (G-x) + r3 (G-P)
//   4  K (V + C1 r1 (P-x) + C2 r2 (G-x))
//   5  K (V + C1 r1 (P-x) + C2 r2 (G-x) + r3 (G-P))
// Local versions: N in place of G in the C2 term; formulas 1, 2, 3 and 5 add
// r3 (G-P) + r4 (G-N) instead of the global r3 (G-P) term.
// The local version runs when NeighbourSize differs from PopSize. With
// use-Vmax a velocity beyond +-Vmax becomes 0; without it a velocity above
// 10000 becomes 0.
#include <algorithm>

#include "engine/RandomValues.h"
#include "engine/SearchRandom.h"
#include "engine/SearchSteps.h"

namespace qv {

namespace {

struct TPsoTerms {
  double V, x, P, G, N;
  double r1, r2, r3, r4;
  double W, C1, C2, K;
};

// Inertia part, whether the (G - P) term is added, constriction, and
// whether the local version adds r4 (G - N).
struct TPsoFormula {
  double (*Inertia)(const TPsoTerms&);
  bool GlobalPull;   // + r3 (G - P)
  bool Constricted;  // K (...)
  bool LocalExtra;   // local version: + r3 (G - P) + r4 (G - N)
};

double WV(const TPsoTerms& t) { return t.W * t.V; }
double RandV(const TPsoTerms& t) { return (1 - t.r1) * t.r2 * t.V; }
double R3V(const TPsoTerms& t) { return t.r1 * t.r2 * t.r3 * t.V; }
double PlainV(const TPsoTerms& t) { return t.V; }

constexpr TPsoFormula kFormulas[6] = {
    {WV, false, false, false}, {RandV, false, false, true},  {WV, true, false, true},
    {R3V, true, false, true},  {PlainV, false, true, false}, {PlainV, true, true, true},
};

double Velocity(const TPsoFormula& f, const TPsoTerms& t, bool local) {
  double v = f.Inertia(t) + t.C1 * t.r1 * (t.P - t.x);
  if (local) {
    v += t.C2 * t.r2 * (t.N - t.x);
    if (f.LocalExtra) v += t.r3 * (t.G - t.P) + t.r4 * (t.G - t.N);
  } else {
    v += t.C2 * t.r2 * (t.G - t.x);
    if (f.GlobalPull) v += t.r3 * (t.G - t.P);
  }
  return f.Constricted ? t.K * v : v;
}

}  // namespace

void StepParticleSwarm(const TEngineModel& M, TPopulation& P, TRunState& R,
                       const TSearchSettings& Set) {
  // Personal bests: the fitting modes keep them here (larger share is
  // better); the optimisation loop keeps them itself (smaller is better).
  if (M.ModelMode != TModelMode::Equation)
    for (int i = 0; i < P.PopSize; ++i)
      if (P.RelativeFitness[i] > P.PersonalBestFitness[i]) {
        P.PersonalBestFitness[i] = P.RelativeFitness[i];
        P.PersonalBestPosition[i] = P.Population[i];
      }
  const bool local = P.NeighbourSize != P.PopSize;
  const int index = std::clamp(Set.VelocityFormula, 0, 5);
  const TPsoFormula& f = kFormulas[index];
  TRandomGenerator& g = R.Random;
  const int dims = std::min(P.RandomDimCount, M.DimCount);
  for (int i = 0; i < P.PopSize; ++i)
    for (int d = 0; d < dims; ++d) {
      TPsoTerms t{};
      t.r1 = RandomReal(g);
      t.r2 = RandomReal(g);
      t.r3 = RandomReal(g);
      if (local && f.LocalExtra) t.r4 = RandomReal(g);
      t.x = P.Population[i][d];
      t.V = P.Velocity[i][d];
      t.P = P.PersonalBestPosition[i][d];
      t.G = P.BestPosition[d];
      t.N = local ? P.NeighbourBestPosition[i][d] : 0;
      t.W = Set.InertiaWeight, t.C1 = Set.C1, t.C2 = Set.C2, t.K = Set.ConstrictionK;
      double v = Velocity(f, t, local);
      if (Set.UseVmax) {
        if (v > Set.Vmax || v < -Set.Vmax) v = 0;
      } else if (v > 10000) {
        v = 0;
      }
      P.Velocity[i][d] = v;
      P.Population[i][d] = RepairValue(M, P, R, i, d, t.x + v);
    }
}

}  // namespace qv
