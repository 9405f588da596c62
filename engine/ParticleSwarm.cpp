// Particle swarm optimisation: every particle moves once per iteration.
//
// Velocity formulas (ComboBox3), P the personal best, G the global best, N
// the neighbourhood best, K the constriction factor, r1..r4 fresh draws:
//   index  global version                                    local version (adds r4 (G - N) where
//   marked *) 0      W V + C1 r1 (P-x) + C2 r2 (G-x)                    W V + C1 r1 (P-x) + C2 r2
//   (N-x) 1      (1-r1) r2 V + C1 r1 (P-x) + C2 r2 (G-x)            (1-r1) r2 V + C1 r1 (P-x) + C2
//   r2 (N-x) + r3 (G-P) * 2      W V + C1 r1 (P-x) + C2 r2 (G-x) + r3 (G-P)         W V + C1 r1
//   (P-x) + C2 r2 (N-x) + r3 (G-P) * 3      r1 r2 r3 V + C1 r1 (P-x) + C2 r2 (G-x) + r3 (G-P)  r1
//   r2 r3 V + C1 r1 (P-x) + C2 r2 (N-x) + r3 (G-P) * 4      K (V + C1 r1 (P-x) + C2 r2 (G-x)) K (V
//   + C1 r1 (P-x) + C2 r2 (N-x)) 5      K (V + C1 r1 (P-x) + C2 r2 (G-x) + r3 (G-P))       K (V +
//   C1 r1 (P-x) + C2 r2 (N-x) + r3 (G-P)) *
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

void StepParticleSwarm(TEngineState& S, TSearchSettings& Set) {
  // Personal bests: the fitting modes keep them here (larger share is
  // better); the optimisation loop keeps them itself (smaller is better).
  if (S.ModelMode != 1)
    for (int i = 0; i < S.PopSize; ++i)
      if (S.RelativeFitness[i] > S.PersonalBestFitness[i]) {
        S.PersonalBestFitness[i] = S.RelativeFitness[i];
        S.PersonalBestPosition[i] = S.Population[i];
      }
  const bool local = S.NeighbourSize != S.PopSize;
  const int index = std::clamp(Set.VelocityFormula, 0, 5);
  const TPsoFormula& f = kFormulas[index];
  TRandomGenerator& g = EngineRandom(S);
  const int dims = std::min(S.RandomDimCount, S.DimCount);
  for (int i = 0; i < S.PopSize; ++i)
    for (int d = 0; d < dims; ++d) {
      TPsoTerms t{};
      t.r1 = RandomReal(g);
      t.r2 = RandomReal(g);
      t.r3 = RandomReal(g);
      if (local && f.LocalExtra) t.r4 = RandomReal(g);
      t.x = S.Population[i][d];
      t.V = S.Velocity[i][d];
      t.P = S.PersonalBestPosition[i][d];
      t.G = S.BestPosition[d];
      t.N = local ? S.NeighbourBestPosition[i][d] : 0;
      t.W = Set.InertiaWeight, t.C1 = Set.C1, t.C2 = Set.C2, t.K = Set.ConstrictionK;
      double v = Velocity(f, t, local);
      if (Set.UseVmax) {
        if (v > Set.Vmax || v < -Set.Vmax) v = 0;
      } else if (v > 10000) {
        v = 0;
      }
      S.Velocity[i][d] = v;
      S.Population[i][d] = RepairValue(S, i, d, t.x + v);
    }
}

}  // namespace qv
