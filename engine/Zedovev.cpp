// Zedovev Avedezo Rezividorodo.
//
// Every member moves towards the best member B, with a step that shrinks as
// the fit improves, occasional halfway moves towards B (or, in the local
// version, from the neighbourhood best N towards B) and occasional wide
// jumps. The four schemes (ZUDSchemeBox) in their global and local forms:
//
//   scheme  global (fitting; A the acceleration)  local
//   0       B + A (B - x)                          B + A (N - x) + ra (B - N) + rb (B - x)
//   1       (B + x)/2 + A (B - x)                  (B + x)/2 + A (N - x) + ra (B - N) + rb (B - x)
//   2       B + V,  V = (V + 2r (B - x))(1 - r)    B + V, V = (V + 2ra (N-x) + rb (B-N) + rc
//   (B-x))(1-ra) rc rb 3       (B + x)/2 + V (V as scheme 2)          (B + x)/2 + V (V as scheme 2)
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

using TZudFormula = double (*)(TEngineState& S, TZudInput& in);

double R(TEngineState& S) { return RandomReal(EngineRandom(S)); }

double G0(TEngineState&, TZudInput& in) { return in.B + in.A * (in.B - in.x); }
double G1(TEngineState&, TZudInput& in) { return (in.B + in.x) / 2 + in.A * (in.B - in.x); }
double GV(TEngineState& S, TZudInput& in) {
  const double r = R(S);
  *in.V = (*in.V + 2 * r * (in.B - in.x)) * (1 - r);
  return *in.V;
}
double G2(TEngineState& S, TZudInput& in) { return in.B + GV(S, in); }
double G3(TEngineState& S, TZudInput& in) { return (in.B + in.x) / 2 + GV(S, in); }

double L0(TEngineState& S, TZudInput& in) {
  const double ra = R(S), rb = R(S);
  if (in.Opt) return in.B + ra * (in.N - in.x) + rb * (in.B - in.N);
  return in.B + in.A * (in.N - in.x) + ra * (in.B - in.N) + rb * (in.B - in.x);
}
double L1(TEngineState& S, TZudInput& in) {
  const double ra = R(S), rb = R(S);
  if (in.Opt) return (in.x + in.B) / 2 + ra * (in.N - in.x) + rb * (in.B - in.N);
  return (in.B + in.x) / 2 + in.A * (in.N - in.x) + ra * (in.B - in.N) + rb * (in.B - in.x);
}
double LV(TEngineState& S, TZudInput& in) {
  const double ra = R(S), rb = R(S);
  if (in.Opt) {
    *in.V = (*in.V + 2 * ra * (in.N - in.x) + rb * (in.B - in.N)) * (1 - ra) * rb;
  } else {
    const double rc = R(S);
    *in.V = (*in.V + 2 * ra * (in.N - in.x) + rb * (in.B - in.N) + rc * (in.B - in.x)) * (1 - ra) *
            rc * rb;
  }
  return *in.V;
}
double L2(TEngineState& S, TZudInput& in) { return in.B + LV(S, in); }
double L3(TEngineState& S, TZudInput& in) { return (in.B + in.x) / 2 + LV(S, in); }

// The variant table: scheme index -> global and local formula.
struct TZudScheme {
  TZudFormula Global;
  TZudFormula Local;
};
constexpr TZudScheme kSchemes[4] = {{G0, L0}, {G1, L1}, {G2, L2}, {G3, L3}};

const TZudScheme& Scheme(int index) { return kSchemes[index < 0 || index > 3 ? 0 : index]; }

// The member's value, or a random one when it sits exactly on the best.
double WorkingValue(TEngineState& S, int i, int d) {
  const double x = S.Population[i][d];
  return x == S.BestPosition[d] ? RandomValue(S, i, d) : x;
}

}  // namespace

double NonZeroRandom(TEngineState& S) {
  double r;
  do r = R(S);
  while (r == 0);
  return r;
}

void StepZedovevFit(TEngineState& S, TSearchSettings& Set) {
  // Personal bests (shared with the swarm's state).
  for (int m = 0; m < S.PopSize; ++m)
    if (S.RelativeFitness[m] > S.PersonalBestFitness[m]) {
      S.PersonalBestFitness[m] = S.RelativeFitness[m];
      S.PersonalBestPosition[m] = S.Population[m];
    }
  const bool local = S.NeighbourSize != S.PopSize;
  const double* B = S.BestPosition.data();
  const int dims = std::min(S.RandomDimCount, S.DimCount);
  if (S.BestDC <= 0.00001) {
    // Start phase: overshoot the best by up to five times the distance.
    for (int i = 0; i < S.PopSize; ++i)
      for (int d = 0; d < dims; ++d) {
        const double x = WorkingValue(S, i, d);
        const double v = B[d] + (B[d] - x) / (0.2 + 2 * R(S));
        S.Population[i][d] = RepairValue(S, i, d, v);
      }
    return;
  }
  const double A = S.BestDC <= 0.999 ? 2 * (1 - S.BestDC) * R(S) : 0.001 * R(S);
  const TZudScheme& scheme = Scheme(Set.ZudScheme);
  for (int i = 0; i < S.PopSize; ++i)
    for (int d = 0; d < dims; ++d) {
      const double x = WorkingValue(S, i, d);
      double v;
      const double r = R(S);
      if (r > 0.1) {
        if (S.PopSize == 1) {
          v = B[d] + (B[d] - x) * (2 * R(S) - 1) * A;
        } else if (R(S) <= 0.15) {
          v = local ? B[d] + 0.5 * (B[d] - S.NeighbourBestPosition[i][d]) : B[d] + 0.5 * (B[d] - x);
        } else {
          TZudInput in{B[d], x,    local ? S.NeighbourBestPosition[i][d] : 0, &S.Velocity[i][d],
                       A,    false};
          v = local ? scheme.Local(S, in) : scheme.Global(S, in);
        }
      } else if (R(S) >= 0.1) {
        const double s = S.BestDC >= 0.8 ? 0.01 : 1 - S.BestDC;
        v = x + s * (2 * R(S) - 1) * B[d];
      } else {
        v = (B[d] + x) / (4 * R(S));
      }
      // An arithmetic fault (a value that is not a finite number) gives a
      // fresh random value; RepairValue draws it.
      S.Population[i][d] = RepairValue(S, i, d, v);
    }
}

void StepZedovevOpt(TEngineState& S, TSearchSettings& Set) {
  const bool local = S.NeighbourSize != S.PopSize;
  const double* B = S.BestPosition.data();
  const TZudScheme& scheme = Scheme(Set.ZudScheme);
  for (int i = 0; i < S.PopSize; ++i)
    for (int d = 0; d < S.DimCount; ++d) {
      const double x = WorkingValue(S, i, d);
      double v;
      if (RandomInt(EngineRandom(S), 100) < 16) {
        v = (B[d] + x) / (4 * NonZeroRandom(S));
      } else {
        TZudInput in{B[d], x,   local ? S.NeighbourBestPosition[i][d] : 0, &S.Velocity[i][d],
                     0,    true};
        if (!local && Set.ZudScheme < 2) in.A = R(S);
        v = local ? scheme.Local(S, in) : scheme.Global(S, in);
      }
      S.Population[i][d] = RepairValue(S, i, d, v);
    }
}

}  // namespace qv
