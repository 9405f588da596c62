// Zedovev Avedezo Rezividorodo.
//
// Every member moves towards the best member B, with a step that shrinks as
// the fit improves, occasional halfway moves towards B (or, in the local
// version, from the neighbourhood best N towards B) and occasional wide
// jumps. The four schemes (ZUDSchemeBox) in their global forms, A the
// acceleration:
//   0  B + A (B - x)
//   1  (B + x)/2 + A (B - x)
//   2  B + V,        V = (V + 2r (B - x)) (1 - r)
//   3  (B + x)/2 + V, V as in scheme 2
// and their local forms:
//   0  B + A (N - x) + ra (B - N) + rb (B - x)
//   1  (B + x)/2 + A (N - x) + ra (B - N) + rb (B - x)
//   2  B + V,        V = (V + 2ra (N - x) + rb (B - N) + rc (B - x)) (1 - ra) rc rb
//   3  (B + x)/2 + V, V as in scheme 2
//
// The optimisation variant uses r in place of A, no rc term, a 16 in 100
// chance of the jump (B + x)/(4r) and moves every dimension.
#include <algorithm>
#include <cmath>

#include "engine/RandomValues.h"
#include "engine/SearchRandom.h"
#include "engine/SearchSteps.h"

namespace qv {

namespace {

struct TZudInput {
  double B, x, N;
  double* V;
  double A;  // acceleration (fitting) or a fresh r (optimisation, scheme 0 and 1)
  bool Opt;
};

using TZudFormula = double (*)(TRandomGenerator& g, TZudInput& in);

double G0(TRandomGenerator&, TZudInput& in) { return in.B + in.A * (in.B - in.x); }
double G1(TRandomGenerator&, TZudInput& in) { return (in.B + in.x) / 2 + in.A * (in.B - in.x); }
double GV(TRandomGenerator& g, TZudInput& in) {
  const double r = RandomReal(g);
  *in.V = (*in.V + 2 * r * (in.B - in.x)) * (1 - r);
  return *in.V;
}
double G2(TRandomGenerator& g, TZudInput& in) { return in.B + GV(g, in); }
double G3(TRandomGenerator& g, TZudInput& in) { return (in.B + in.x) / 2 + GV(g, in); }

double L0(TRandomGenerator& g, TZudInput& in) {
  const double ra = RandomReal(g), rb = RandomReal(g);
  if (in.Opt) return in.B + ra * (in.N - in.x) + rb * (in.B - in.N);
  return in.B + in.A * (in.N - in.x) + ra * (in.B - in.N) + rb * (in.B - in.x);
}
double L1(TRandomGenerator& g, TZudInput& in) {
  const double ra = RandomReal(g), rb = RandomReal(g);
  if (in.Opt) return (in.x + in.B) / 2 + ra * (in.N - in.x) + rb * (in.B - in.N);
  return (in.B + in.x) / 2 + in.A * (in.N - in.x) + ra * (in.B - in.N) + rb * (in.B - in.x);
}
double LV(TRandomGenerator& g, TZudInput& in) {
  const double ra = RandomReal(g), rb = RandomReal(g);
  if (in.Opt) {
    *in.V = (*in.V + 2 * ra * (in.N - in.x) + rb * (in.B - in.N)) * (1 - ra) * rb;
  } else {
    const double rc = RandomReal(g);
    *in.V = (*in.V + 2 * ra * (in.N - in.x) + rb * (in.B - in.N) + rc * (in.B - in.x)) * (1 - ra) *
            rc * rb;
  }
  return *in.V;
}
double L2(TRandomGenerator& g, TZudInput& in) { return in.B + LV(g, in); }
double L3(TRandomGenerator& g, TZudInput& in) { return (in.B + in.x) / 2 + LV(g, in); }

// The variant table: scheme index -> global and local formula.
struct TZudScheme {
  TZudFormula Global;
  TZudFormula Local;
};
constexpr TZudScheme kSchemes[4] = {{G0, L0}, {G1, L1}, {G2, L2}, {G3, L3}};

const TZudScheme& Scheme(int index) { return kSchemes[index < 0 || index > 3 ? 0 : index]; }

// The member's value, or a random one when it sits exactly on the best.
double WorkingValue(const TEngineModel& M, const TPopulation& P, TRunState& R, int i, int d) {
  const double x = P.Population[i][d];
  return x == P.BestPosition[d] ? RandomValue(M, P, R, i, d) : x;
}

}  // namespace

double NonZeroRandom(TRandomGenerator& g) {
  double r;
  do r = RandomReal(g);
  while (r == 0);
  return r;
}

void StepZedovevFit(const TEngineModel& M, TPopulation& P, TRunState& R,
                    const TSearchSettings& Set) {
  TRandomGenerator& g = R.Random;
  // Personal bests (shared with the swarm's state).
  for (int m = 0; m < P.PopSize; ++m)
    if (P.RelativeFitness[m] > P.PersonalBestFitness[m]) {
      P.PersonalBestFitness[m] = P.RelativeFitness[m];
      P.PersonalBestPosition[m] = P.Population[m];
    }
  const bool local = P.NeighbourSize != P.PopSize;
  const double* B = P.BestPosition.data();
  const int dims = std::min(P.RandomDimCount, M.DimCount);
  if (P.BestDC <= 0.00001) {
    // Start phase: overshoot the best by up to five times the distance.
    for (int i = 0; i < P.PopSize; ++i)
      for (int d = 0; d < dims; ++d) {
        const double x = WorkingValue(M, P, R, i, d);
        const double v = B[d] + (B[d] - x) / (0.2 + 2 * RandomReal(g));
        P.Population[i][d] = RepairValue(M, P, R, i, d, v);
      }
    return;
  }
  const double A = P.BestDC <= 0.999 ? 2 * (1 - P.BestDC) * RandomReal(g) : 0.001 * RandomReal(g);
  const TZudScheme& scheme = Scheme(Set.ZudScheme);
  for (int i = 0; i < P.PopSize; ++i)
    for (int d = 0; d < dims; ++d) {
      const double x = WorkingValue(M, P, R, i, d);
      double v;
      const double r = RandomReal(g);
      if (r > 0.1) {
        if (P.PopSize == 1) {
          v = B[d] + (B[d] - x) * (2 * RandomReal(g) - 1) * A;
        } else if (RandomReal(g) <= 0.15) {
          v = local ? B[d] + 0.5 * (B[d] - P.NeighbourBestPosition[i][d]) : B[d] + 0.5 * (B[d] - x);
        } else {
          TZudInput in{B[d], x,    local ? P.NeighbourBestPosition[i][d] : 0, &P.Velocity[i][d],
                       A,    false};
          v = local ? scheme.Local(g, in) : scheme.Global(g, in);
        }
      } else if (RandomReal(g) >= 0.1) {
        const double s = P.BestDC >= 0.8 ? 0.01 : 1 - P.BestDC;
        v = x + s * (2 * RandomReal(g) - 1) * B[d];
      } else {
        v = (B[d] + x) / (4 * RandomReal(g));
      }
      // An arithmetic fault (a value that is not a finite number) gives a
      // fresh random value; RepairValue draws it.
      P.Population[i][d] = RepairValue(M, P, R, i, d, v);
    }
}

void StepZedovevOpt(const TEngineModel& M, TPopulation& P, TRunState& R,
                    const TSearchSettings& Set) {
  TRandomGenerator& g = R.Random;
  const bool local = P.NeighbourSize != P.PopSize;
  const double* B = P.BestPosition.data();
  const TZudScheme& scheme = Scheme(Set.ZudScheme);
  for (int i = 0; i < P.PopSize; ++i)
    for (int d = 0; d < M.DimCount; ++d) {
      const double x = WorkingValue(M, P, R, i, d);
      double v;
      if (RandomInt(g, 100) < 16) {
        v = (B[d] + x) / (4 * NonZeroRandom(g));
      } else {
        TZudInput in{B[d], x,   local ? P.NeighbourBestPosition[i][d] : 0, &P.Velocity[i][d],
                     0,    true};
        if (!local && Set.ZudScheme < 2) in.A = RandomReal(g);
        v = local ? scheme.Local(g, in) : scheme.Global(g, in);
      }
      P.Population[i][d] = RepairValue(M, P, R, i, d, v);
    }
}

}  // namespace qv
