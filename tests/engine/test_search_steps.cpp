// Update formulas and random-draw order of the four search families, worked
// out independently: each case runs one step on a small population with a
// fixed seed, replays the same generator in the order in which each step
// draws, and compares every new value. Dimensions without bounds keep the repair out
// of the way (a finite value inside no bounds is kept and draws nothing).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/GeneEncoding.h"
#include "engine/RandomValues.h"
#include "engine/SearchState.h"
#include "engine/SearchSteps.h"
#include "platform/core/Random.h"

using namespace qv;

namespace {

using Rows = std::vector<std::vector<double>>;

// A population of Members x Dims, no bounds, the first RandomDims drawn.
struct TFixture {
  TEngineState S;
  TSearchSettings Set;
  TFixture(int members, int dims, int randomDims, int mode, uint32_t seed) {
    S.Model.ModelMode = static_cast<TModelMode>(mode);
    S.Model.ParameterCount = dims;
    for (int d = 0; d < dims; ++d) {
      S.Model.ParameterNames.push_back("p" + std::to_string(d));
      S.Model.HasLower.push_back(false), S.Model.HasUpper.push_back(false),
          S.Model.HasBound.push_back(false);
      S.Model.HasInitial.push_back(false), S.Model.HasRange.push_back(false),
          S.Model.IsInteger.push_back(false);
      S.Model.LowerBound.push_back(0), S.Model.UpperBound.push_back(0),
          S.Model.InitialValue.push_back(0);
      S.Model.RangeLow.push_back(0), S.Model.RangeHigh.push_back(0),
          S.Model.ParameterDigits.push_back(-1);
      S.Model.ParameterValues.push_back(0);
    }
    S.Model.DimCount = dims;
    S.Pop.RandomDimCount = randomDims;
    S.Pop.PopSize = S.Pop.NeighbourSize = members;
    S.Pop.Population.assign(members, Double1Array(dims));
    for (int m = 0; m < members; ++m)
      for (int d = 0; d < dims; ++d)
        S.Pop.Population[m][d] = 0.3 + 1.7 * m - 0.9 * d + 0.25 * m * d;
    S.Pop.TrialPopulation = S.Pop.Population;
    S.Pop.Velocity.assign(members, Double1Array(dims, 0));
    for (int m = 0; m < members; ++m)
      for (int d = 0; d < dims; ++d) S.Pop.Velocity[m][d] = 0.2 * (m + 1) - 0.1 * d;
    S.Pop.PersonalBestPosition = S.Pop.Population;
    for (auto& row : S.Pop.PersonalBestPosition)
      for (double& x : row) x += 0.4;
    S.Pop.PersonalBestFitness.assign(members, 0.5);
    S.Pop.NeighbourBestPosition = S.Pop.Population;
    for (auto& row : S.Pop.NeighbourBestPosition)
      for (double& x : row) x -= 0.7;
    S.Pop.BestPosition.assign(dims, 0);
    for (int d = 0; d < dims; ++d) S.Pop.BestPosition[d] = 1.1 + 0.6 * d;
    S.Pop.RelativeFitness.assign(members, 0);
    S.Pop.ObjectiveValues.assign(members, 0);
    S.Pop.ObjectiveFeasible.assign(members, 1);
    S.Pop.Fitness.assign(members, 0);
    SeedEngineRandom(S, seed);
  }
  Rows Pop() const { return Rows(S.Pop.Population.begin(), S.Pop.Population.end()); }
};

void ExpectRows(const Rows& got, const Rows& want, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t m = 0; m < got.size(); ++m)
    for (size_t d = 0; d < got[m].size(); ++d)
      EXPECT_NEAR(got[m][d], want[m][d], 1e-9 * (1 + std::fabs(want[m][d])))
          << what << " member " << m << " dim " << d;
}

// RandomValue of a dimension without range, initial value or bounds.
double FreeValue(TRandomGenerator& g, int mode) {
  return mode == 0 ? g.Random() + 0.5 : 1 - 2 * g.Random();
}

// ---------------------------------------------------------------------------
// Zedovev Avedezo Rezividorodo, fitting variant.

TEST(ZedovevStep, FittingStepFollowsTheDrawOrder) {
  struct Case {
    int Scheme;
    bool Local;
    double DC;
    int Members;
  };
  std::vector<Case> cases;
  for (int scheme = 0; scheme < 4; ++scheme)
    for (bool local : {false, true})
      for (double dc : {-0.3, 0.00001, 0.5, 0.85, 0.9995}) cases.push_back({scheme, local, dc, 3});
  cases.push_back({0, false, 0.5, 1});
  cases.push_back({2, false, 0.9, 1});
  int jumps = 0, wideJumps = 0, halfway = 0, moves = 0, randomStarts = 0;
  for (const Case& c : cases)
    for (uint32_t seed : {1u, 77u, 4242u}) {
      TFixture f(c.Members, 3, 2, 0, seed);
      f.S.Pop.BestDC = c.DC;
      f.S.Pop.Population[0][1] =
          f.S.Pop.BestPosition[1];  // sits on the best: starts from a random value
      if (c.Local) f.S.Pop.NeighbourSize = c.Members - 1;
      f.Set.ZudScheme = c.Scheme;
      Rows X = f.Pop(), V(f.S.Pop.Velocity.begin(), f.S.Pop.Velocity.end());
      const Rows N(f.S.Pop.NeighbourBestPosition.begin(), f.S.Pop.NeighbourBestPosition.end());
      const Double1Array& B = f.S.Pop.BestPosition;
      TRandomGenerator g(seed);
      for (int step = 0; step < 4; ++step) {
        StepZedovevFit(f.S.Model, f.S.Pop, f.S.Run, f.Set);
        const bool start = c.DC <= 0.00001;
        double A = 0;
        if (!start) A = c.DC <= 0.999 ? 2 * (1 - c.DC) * g.Random() : 0.001 * g.Random();
        for (int i = 0; i < c.Members; ++i)
          for (int d = 0; d < 2; ++d) {
            double x = X[i][d];
            const double b = B[d], n = N[i][d];
            if (x == b) x = FreeValue(g, 0), ++randomStarts;
            double v;
            if (start) {
              v = b + (b - x) / (0.2 + 2 * g.Random());
            } else if (g.Random() > 0.1) {
              if (c.Members == 1) {
                v = b + (b - x) * (2 * g.Random() - 1) * A;
              } else if (g.Random() <= 0.15) {
                v = c.Local ? b + 0.5 * (b - n) : b + 0.5 * (b - x);
                ++halfway;
              } else if (!c.Local) {
                ++moves;
                if (c.Scheme == 0)
                  v = b + A * (b - x);
                else if (c.Scheme == 1)
                  v = (b + x) / 2 + A * (b - x);
                else {
                  const double r = g.Random();
                  V[i][d] = (V[i][d] + 2 * r * (b - x)) * (1 - r);
                  v = (c.Scheme == 2 ? b : (b + x) / 2) + V[i][d];
                }
              } else {
                ++moves;
                const double ra = g.Random(), rb = g.Random();
                if (c.Scheme == 0)
                  v = b + A * (n - x) + ra * (b - n) + rb * (b - x);
                else if (c.Scheme == 1)
                  v = (b + x) / 2 + A * (n - x) + ra * (b - n) + rb * (b - x);
                else {
                  const double rc = g.Random();
                  V[i][d] = (V[i][d] + 2 * ra * (n - x) + rb * (b - n) + rc * (b - x)) * (1 - ra) *
                            rc * rb;
                  v = (c.Scheme == 2 ? b : (b + x) / 2) + V[i][d];
                }
              }
            } else if (g.Random() >= 0.1) {
              const double s = c.DC >= 0.8 ? 0.01 : 1 - c.DC;
              v = x + s * (2 * g.Random() - 1) * b;
              ++jumps;
            } else {
              v = (b + x) / (4 * g.Random());
              ++wideJumps;
            }
            X[i][d] = v;
          }
        ExpectRows(f.Pop(), X,
                   "scheme " + std::to_string(c.Scheme) + (c.Local ? " local" : " global") +
                       " DC " + std::to_string(c.DC) + " seed " + std::to_string(seed));
        if (HasFailure()) return;
      }
    }
  // Every branch of the step was taken somewhere in the table.
  EXPECT_GT(jumps, 0);
  EXPECT_GT(wideJumps, 0);
  EXPECT_GT(halfway, 0);
  EXPECT_GT(moves, 0);
  EXPECT_GT(randomStarts, 0);
}

TEST(ZedovevStep, FittingStepKeepsPersonalBestsOfLargerShares) {
  TFixture f(3, 2, 2, 0, 5);
  f.S.Pop.BestDC = 0.5;
  f.S.Pop.RelativeFitness = {0.2, 0.5, 0.7};  // only the last is strictly larger than 0.5
  const Rows before = f.Pop();
  const Rows personal(f.S.Pop.PersonalBestPosition.begin(), f.S.Pop.PersonalBestPosition.end());
  StepZedovevFit(f.S.Model, f.S.Pop, f.S.Run, f.Set);
  EXPECT_EQ(f.S.Pop.PersonalBestFitness, (Double1Array{0.5, 0.5, 0.7}));
  EXPECT_EQ(f.S.Pop.PersonalBestPosition[0], personal[0]);
  EXPECT_EQ(f.S.Pop.PersonalBestPosition[1], personal[1]);
  EXPECT_EQ(f.S.Pop.PersonalBestPosition[2], before[2]);
}

TEST(ZedovevStep, OptimisationStepMovesEveryDimension) {
  int jumps = 0;
  for (int scheme = 0; scheme < 4; ++scheme)
    for (bool local : {false, true})
      for (uint32_t seed : {3u, 91u, 2024u}) {
        TFixture f(3, 3, 1, 1, seed);  // RandomDimCount 1: the step still moves all three
        if (local) f.S.Pop.NeighbourSize = 2;
        f.Set.ZudScheme = scheme;
        f.S.Pop.Population[1][2] = f.S.Pop.BestPosition[2];
        Rows X = f.Pop(), V(f.S.Pop.Velocity.begin(), f.S.Pop.Velocity.end());
        const Rows N(f.S.Pop.NeighbourBestPosition.begin(), f.S.Pop.NeighbourBestPosition.end());
        const Double1Array& B = f.S.Pop.BestPosition;
        TRandomGenerator g(seed);
        for (int step = 0; step < 3; ++step) {
          StepZedovevOpt(f.S.Model, f.S.Pop, f.S.Run, f.Set);
          for (int i = 0; i < 3; ++i)
            for (int d = 0; d < 3; ++d) {
              double x = X[i][d];
              const double b = B[d], n = N[i][d];
              if (x == b) x = FreeValue(g, 1);
              double v;
              if (g.Random(100) < 16) {
                v = (b + x) / (4 * g.Random());
                ++jumps;
              } else if (!local) {
                const double r = g.Random();
                if (scheme == 0)
                  v = b + r * (b - x);
                else if (scheme == 1)
                  v = (x + b) / 2 + r * (b - x);
                else {
                  V[i][d] = (V[i][d] + 2 * r * (b - x)) * (1 - r);
                  v = (scheme == 2 ? b : (x + b) / 2) + V[i][d];
                }
              } else {
                const double ra = g.Random(), rb = g.Random();
                if (scheme == 0)
                  v = b + ra * (n - x) + rb * (b - n);
                else if (scheme == 1)
                  v = (x + b) / 2 + ra * (n - x) + rb * (b - n);
                else {
                  V[i][d] = (V[i][d] + 2 * ra * (n - x) + rb * (b - n)) * (1 - ra) * rb;
                  v = (scheme == 2 ? b : (x + b) / 2) + V[i][d];
                }
              }
              X[i][d] = v;
            }
          ExpectRows(f.Pop(), X,
                     "scheme " + std::to_string(scheme) + (local ? " local" : " global"));
          if (HasFailure()) return;
        }
      }
  EXPECT_GT(jumps, 0);
}

// ---------------------------------------------------------------------------
// Particle swarm.

TEST(SwarmStep, VelocityFormulasAndLimits) {
  struct Case {
    int Formula;
    bool Local;
    bool UseVmax;
    double Vmax;
    double Scale;
  };
  std::vector<Case> cases;
  for (int formula = 0; formula < 6; ++formula)
    for (bool local : {false, true}) {
      cases.push_back({formula, local, false, 2, 1});
      cases.push_back({formula, local, true, 1.5, 1});
      cases.push_back({formula, local, false, 2, 3000});  // velocities beyond +-10000
    }
  int zeroed = 0, keptNegative = 0;
  for (const Case& c : cases) {
    TFixture f(4, 3, 2, 0, 31 + c.Formula);
    for (int m = 0; m < 4; ++m)
      for (double& x : f.S.Pop.Population[m]) x *= m % 2 ? -c.Scale : c.Scale;
    for (double& b : f.S.Pop.BestPosition) b = -b * c.Scale;
    if (c.Local) f.S.Pop.NeighbourSize = 2;
    f.Set.VelocityFormula = c.Formula;
    f.Set.UseVmax = c.UseVmax;
    f.Set.Vmax = c.Vmax;
    f.Set.InertiaWeight = 0.7;
    f.Set.C1 = 2.05, f.Set.C2 = 2.1;
    f.Set.ConstrictionK = 0.73;
    f.S.Pop.RelativeFitness = {0.1, 0.9, 0.2, 0.6};  // members 1 and 3 improve their personal best
    Rows X = f.Pop(), V(f.S.Pop.Velocity.begin(), f.S.Pop.Velocity.end());
    Rows P(f.S.Pop.PersonalBestPosition.begin(), f.S.Pop.PersonalBestPosition.end());
    P[1] = X[1], P[3] = X[3];
    const Rows N(f.S.Pop.NeighbourBestPosition.begin(), f.S.Pop.NeighbourBestPosition.end());
    const Double1Array G = f.S.Pop.BestPosition;
    TRandomGenerator g(31 + c.Formula);
    StepParticleSwarm(f.S.Model, f.S.Pop, f.S.Run, f.Set);
    const double W = 0.7, C1 = 2.05, C2 = 2.1, K = 0.73;
    for (int i = 0; i < 4; ++i)
      for (int d = 0; d < 2; ++d) {
        const double r1 = g.Random(), r2 = g.Random(), r3 = g.Random();
        const bool usesR4 =
            c.Local && (c.Formula == 1 || c.Formula == 2 || c.Formula == 3 || c.Formula == 5);
        const double r4 = usesR4 ? g.Random() : 0;
        const double x = X[i][d], v0 = V[i][d], p = P[i][d], gb = G[d];
        const double social = c.Local ? C2 * r2 * (N[i][d] - x) : C2 * r2 * (gb - x);
        const double extra = c.Local ? r3 * (gb - p) + r4 * (gb - N[i][d]) : r3 * (gb - p);
        const double own = C1 * r1 * (p - x);
        double v = 0;
        switch (c.Formula) {
          case 0:
            v = W * v0 + own + social;
            break;
          case 1:
            v = (1 - r1) * r2 * v0 + own + social + (c.Local ? extra : 0);
            break;
          case 2:
            v = W * v0 + own + social + extra;
            break;
          case 3:
            v = r1 * r2 * r3 * v0 + own + social + extra;
            break;
          case 4:
            v = K * (v0 + own + social);
            break;
          case 5:
            v = K * (v0 + own + social + extra);
            break;
        }
        if (c.UseVmax ? (v > c.Vmax || v < -c.Vmax) : v > 10000) v = 0, ++zeroed;
        if (!c.UseVmax && v < -10000) ++keptNegative;
        V[i][d] = v;
        X[i][d] = x + v;
      }
    const std::string what = "formula " + std::to_string(c.Formula) +
                             (c.Local ? " local" : " global") + (c.UseVmax ? " vmax" : "") +
                             " scale " + std::to_string(c.Scale);
    ExpectRows(f.Pop(), X, what);
    ExpectRows(Rows(f.S.Pop.Velocity.begin(), f.S.Pop.Velocity.end()), V, what + " velocity");
    EXPECT_EQ(f.S.Pop.PersonalBestFitness, (Double1Array{0.5, 0.9, 0.5, 0.6})) << what;
    if (HasFailure()) return;
  }
  EXPECT_GT(zeroed, 0);
  EXPECT_GT(keptNegative, 0);
}

// ---------------------------------------------------------------------------
// Differential evolution. In the optimisation mode a model with neither
// objectives nor constraints refuses every trial, so each generation leaves
// the population as it is and the trials stay in TrialPopulation.

TEST(DifferentialStep, TenSchemesFourRoutesTwoOptions) {
  const int partners[10] = {3, 2, 3, 3, 2, 2, 4, 4, 3, 2};
  for (int scheme = 0; scheme < 10; ++scheme)
    for (int option = 0; option < 2; ++option)
      for (int route = 0; route < 4; ++route) {
        const uint32_t seed = 1000 + 37 * scheme + 5 * option + route;
        TFixture f(6, 3, 3, 1, seed);
        f.S.Pop.Population[2][0] = f.S.Pop.BestPosition[0];
        f.Set.DeScheme = scheme, f.Set.DeMutationOption = option, f.Set.DeRoute = route;
        f.Set.CrossoverRate = 0.5;
        f.Set.MutationRate = 0.6;  // the factor F
        const Rows X = f.Pop();
        const Double1Array B = f.S.Pop.BestPosition;
        StepDifferentialEvolution(f.S, f.Set);
        TRandomGenerator g(seed);
        Rows T = X;
        const double F = 0.6;
        for (int i = 0; i < 6; ++i) {
          int a, b, c = -1, e = -1;
          do a = g.Random(6);
          while (a == i);
          do b = g.Random(6);
          while (b == i || b == a);
          if (partners[scheme] >= 3) do
              c = g.Random(6);
            while (c == i || c == a || c == b);
          if (partners[scheme] >= 4) do
              e = g.Random(6);
            while (e == i || e == a || e == b || e == c);
          for (int d = 0; d < 3; ++d) {
            const double Bd = B[d], X1 = X[a][d], X2 = X[b][d];
            const double X3 = c >= 0 ? X[c][d] : 0, X4 = e >= 0 ? X[e][d] : 0;
            double x = X[i][d];
            if (x == Bd) x = FreeValue(g, 1);
            double v;
            if (g.Random() <= 0.5) {
              if (option == 0) {
                switch (scheme) {
                  case 0:
                    v = X3 + F * (X1 - X2);
                    break;
                  case 1:
                    v = x + F * (Bd + X1 - x - X2);
                    break;
                  case 2:
                    v = X3 + F * (Bd + X1 - X2 - X3);
                    break;
                  case 3:
                    v = Bd + F * (X1 + Bd - X2 - X3);
                    break;
                  case 4:
                    v = Bd + F * (X1 - X2);
                    break;
                  case 5:
                    v = X1 + F * (Bd - X2);
                    break;
                  case 6:
                    v = Bd + F * (X1 + X2 - X3 - X4);
                    break;
                  case 7:
                    v = X3 + F * (X1 + X2 - X3 - X4);
                    break;
                  case 8:
                    v = x + F * (X1 + X2 - x - X3);
                    break;
                  default:
                    v = Bd + F * (X1 - (X2 + x) / 2);
                    break;
                }
              } else {
                double G;
                switch (scheme) {
                  case 0:
                    v = Bd + (1 - F) * (Bd - X1) + F * (X1 - X2);
                    break;
                  case 1:
                    G = Bd + (1 - F) * (Bd - x);
                    v = G + F * (Bd + X1 - G - X2);
                    break;
                  case 2:
                    G = Bd + (1 - F) * (Bd - X3);
                    v = G + F * (Bd + X1 - X2 - G);
                    break;
                  case 3:
                    v = X2 + F * (X1 + Bd + (1 - F) * (Bd - X1) - X2 - X3);
                    break;
                  case 4:
                    v = Bd + (1 - F) * (Bd - X1) + F * (X1 - X2);
                    break;
                  case 5:
                    v = X1 + F * (Bd + (1 - F) * (Bd - X1) - X2);
                    break;
                  case 6:
                    v = Bd + (1 - F) * (Bd - X1) + F * (X1 + X2 - X3 - X4);
                    break;
                  case 7:
                    G = Bd + (1 - F) * (Bd - X3);
                    v = G + F * (X1 + X2 - G - X4);
                    break;
                  case 8:
                    G = Bd + (1 - F) * (Bd - x);
                    v = G + F * (X1 + X2 - G - X3);
                    break;
                  default:
                    v = Bd + (1 - F) * (Bd - X1) + F * (X1 - (X2 + x) / 2);
                    break;
                }
              }
            } else if (route == 0) {
              v = x;
            } else {
              const double r = g.Random();
              v = route == 1   ? Bd + r * (Bd - x)
                  : route == 2 ? (1 - r) * x + r * Bd
                               : (r >= 0.5 ? Bd : x);
            }
            T[i][d] = v;
          }
        }
        const std::string what = "scheme " + std::to_string(scheme) + " option " +
                                 std::to_string(option) + " route " + std::to_string(route);
        ExpectRows(Rows(f.S.Pop.TrialPopulation.begin(), f.S.Pop.TrialPopulation.end()), T, what);
        ExpectRows(f.Pop(), X, what + " (refused trials leave the members)");
        if (HasFailure()) return;
      }
}

// ---------------------------------------------------------------------------
// Genetic algorithm, real-value mode.

// The sorted order of the shares (member numbers, worst first).
std::vector<int> SortedMembers(const Double1Array& share) {
  std::vector<int> order(share.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
  std::sort(order.begin(), order.end(), [&](int a, int b) { return share[a] < share[b]; });
  return order;
}

TEST(GeneticStep, SelectionCrossoverAndMutation) {
  struct Case {
    int Selection;
    int Crossover;
    int Mode;
    bool Truncation;
  };
  std::vector<Case> cases;
  for (int selection : {0, 1, 2, 3, 4, 6})
    for (int crossover = 0; crossover < 6; ++crossover)
      cases.push_back({selection, crossover, 0, false});
  for (int selection : {0, 2, 3, 4, 6}) cases.push_back({selection, 2, 1, true});
  cases.push_back({1, 3, 1, false});
  for (const Case& c : cases) {
    const uint32_t seed = 500 + 11 * c.Selection + c.Crossover + 100 * c.Truncation;
    const int n = 5, dims = 3;
    TFixture f(n, dims + 1, dims, c.Mode, seed);  // the last dimension is not drawn
    f.S.Pop.BestDC = 0.6;
    const Double1Array share{0.25, 0.05, 0.4, 0.1, 0.2};
    f.S.Pop.RelativeFitness = share;
    f.Set.SelectionType = static_cast<TSelectionType>(c.Selection);
    f.Set.CrossoverType = static_cast<TCrossoverType>(c.Crossover);
    f.Set.CrossoverRate = 0.7;
    f.Set.MutationRate = 0.3;
    f.Set.Truncation = c.Truncation;
    f.Set.TruncatedCount = c.Truncation ? 2 : 1;
    f.Set.KeptCount = n - f.Set.TruncatedCount;
    const int rankSum = n * (n + 1) / 2;
    const Rows X = f.Pop();
    const Double1Array B = f.S.Pop.BestPosition;
    f.Set.RankSum = rankSum;
    StepGeneticReal(f.S.Model, f.S.Pop, f.S.Run, f.Set);

    TRandomGenerator g(seed);
    const std::vector<int> order = SortedMembers(share);  // position -> member
    std::vector<double> sorted(n);
    for (int k = 0; k < n; ++k)
      sorted[k] = c.Selection == 4 ? double(k + 1) / rankSum : share[order[k]];
    const int kept = c.Truncation ? n - 2 : 0;
    double q = 0;
    if (c.Truncation && (c.Selection == 3 || c.Selection == 4))
      for (int k = 0; k < kept; ++k) q += sorted[k];
    auto pool = [&] { return c.Truncation ? order[kept + g.Random(n - kept)] : g.Random(n); };
    auto memberShare = [&](int m) {
      return sorted[std::find(order.begin(), order.end(), m) - order.begin()];
    };
    auto roulette = [&] {
      const double u = c.Truncation ? q + (1 - q) * g.Random() : g.Random();
      double sum = c.Truncation ? q : 0;
      for (int k = kept; k < n; ++k) {
        sum += sorted[k];
        if (sum > u) return order[k];
      }
      return 0;
    };
    auto tournament = [&] {
      int best = -1;
      for (int t = 0; t < 3; ++t) {
        const int m = pool();
        if (best < 0 || memberShare(m) > memberShare(best)) best = m;
      }
      return best;
    };
    Rows C = X;
    for (int p = 0; p < n / 2; ++p) {
      // Children replace members as they are made: later pairs see them.
      Double1Array P1, P2;
      switch (c.Selection) {
        case 0:
          P1 = C[order[n - 1]], P2 = C[pool()];
          break;
        case 1:
          P1 = B, P2 = C[pool()];
          break;
        case 2:
          P1 = C[tournament()], P2 = C[tournament()];
          break;
        case 3:
        case 4:
          P1 = C[roulette()], P2 = C[roulette()];
          break;
        default:
          P1 = C[pool()], P2 = C[pool()];
          break;
      }
      int type = c.Crossover == 5 ? g.Random(5) : c.Crossover;
      int cut = 0, lo = 0, hi = 0;
      double a = 0;
      if (type == 1) cut = g.Random(dims + 1);
      if (type == 2) {
        const int u = g.Random(dims + 1), v = g.Random(dims + 1);
        lo = std::min(u, v), hi = std::max(u, v);
      }
      if (type == 4) a = g.Random();
      std::vector<double>& K1 = C[2 * p];
      std::vector<double>& K2 = C[2 * p + 1];
      for (int d = 0; d < dims; ++d) {
        if (g.Random() > 0.7) continue;
        const double b = B[d], x1 = P1[d], x2 = P2[d];
        if (type == 0) {
          const int i = g.Random(2), j = g.Random(2);
          const double Xi = i == 0 ? x1 : x2, Xj = j == 0 ? x1 : x2;
          const double n1 = b + g.Random() * (b + Xj - Xi - K1[d]);
          K2[d] = b + g.Random() * (b + Xi - Xj - K2[d]);
          K1[d] = n1;
        } else if (type == 1) {
          K1[d] = b + g.Random() * (b - (d < cut ? x1 : x2));
          K2[d] = b + g.Random() * (b - (d < cut ? x2 : x1));
        } else if (type == 2) {
          const bool inside = d >= lo && d <= hi;
          const double y1 = inside ? x2 : x1, y2 = inside ? x1 : x2;
          K1[d] = b + g.Random() * (b + y2 - y1 - K1[d]);
          K2[d] = b + g.Random() * (b + y1 - y2 - K2[d]);
        } else {
          if (type == 3) a = g.Random();
          K1[d] = b + a * (b + x1 - x2 - K1[d]);
          K2[d] = b + a * (b + x2 - x1 - K2[d]);
        }
      }
      for (int d = 0; d < dims; ++d) {
        if (!(g.Random() < 0.3)) continue;
        for (std::vector<double>* K : {&K1, &K2}) {
          if (c.Mode == 1)
            (*K)[d] = (B[d] + (*K)[d]) / (4 * g.Random());
          else
            (*K)[d] = (*K)[d] + (2 * g.Random() - 1) * (1 - 0.6) * B[d];
        }
      }
    }
    const std::string what = "selection " + std::to_string(c.Selection) + " crossover " +
                             std::to_string(c.Crossover) + " mode " + std::to_string(c.Mode) +
                             (c.Truncation ? " truncated" : "");
    ExpectRows(f.Pop(), C, what);  // member 4 (odd population) keeps its values
    // The relative fitness is left sorted (rank selection: the rank shares).
    for (int k = 0; k < n; ++k) EXPECT_DOUBLE_EQ(f.S.Pop.RelativeFitness[k], sorted[k]) << what;
    if (HasFailure()) return;
  }
}

TEST(GeneticStep, RankSharesOfFourMembers) {
  TFixture f(4, 1, 1, 0, 8);
  f.S.Pop.RelativeFitness = {0.4, 0.1, 0.3, 0.2};
  f.Set.SelectionType = TSelectionType::Rank;
  f.Set.RankSum = 10;
  StepGeneticReal(f.S.Model, f.S.Pop, f.S.Run, f.Set);
  EXPECT_EQ(f.S.Pop.RelativeFitness, (Double1Array{0.1, 0.2, 0.3, 0.4}));
}

// ---------------------------------------------------------------------------
// Random member values and bound repair.

struct TDim {
  bool Range = false;
  double RangeLow = 0, RangeHigh = 0;
  bool Init = false;
  double Initial = 0;
  bool Lower = false;
  double Low = 0;
  bool Upper = false;
  double Up = 0;
};

void SetDimension(TFixture& f, const TDim& dim) {
  f.S.Model.HasRange[0] = dim.Range, f.S.Model.RangeLow[0] = dim.RangeLow,
  f.S.Model.RangeHigh[0] = dim.RangeHigh;
  f.S.Model.HasInitial[0] = dim.Init, f.S.Model.InitialValue[0] = dim.Initial;
  f.S.Model.HasLower[0] = dim.Lower, f.S.Model.LowerBound[0] = dim.Low;
  f.S.Model.HasUpper[0] = dim.Upper, f.S.Model.UpperBound[0] = dim.Up;
  f.S.Model.HasBound[0] = dim.Lower || dim.Upper;
}

TEST(RandomValueDraws, OrderOfEveryDefinition) {
  using Rule = double (*)(TRandomGenerator&);
  struct Case {
    const char* Name;
    TDim Dim;
    int Mode;
    Rule Expected;
  };
  const Case cases[] = {
      {"range", {true, -2, 6}, 0, [](TRandomGenerator& g) { return -2 + 8 * g.Random(); }},
      {"range and initial",
       {true, -2, 6, true, 1},
       0,
       [](TRandomGenerator& g) {
         return g.Random() >= 0.5 ? 1 + 5 * g.Random() : -2 + 3 * g.Random();
       }},
      {"free, fitting", {}, 0, [](TRandomGenerator& g) { return g.Random() + 0.5; }},
      {"free, optimisation", {}, 1, [](TRandomGenerator& g) { return 1 - 2 * g.Random(); }},
      {"both bounds",
       {false, 0, 0, false, 0, true, -3, true, 5},
       1,
       [](TRandomGenerator& g) { return -3 + 8 * g.Random(); }},
      {"upper 0",
       {false, 0, 0, false, 0, false, 0, true, 0},
       0,
       [](TRandomGenerator& g) { return -5 * g.Random(); }},
      {"upper -4",
       {false, 0, 0, false, 0, false, 0, true, -4},
       0,
       [](TRandomGenerator& g) { return (g.Random() + 1) * -4; }},
      {"upper 4",
       {false, 0, 0, false, 0, false, 0, true, 4},
       0,
       [](TRandomGenerator& g) { return (1 - g.Random()) * 4; }},
      {"lower 0",
       {false, 0, 0, false, 0, true, 0},
       0,
       [](TRandomGenerator& g) { return 5 * g.Random(); }},
      {"lower -4",
       {false, 0, 0, false, 0, true, -4},
       0,
       [](TRandomGenerator& g) { return (1 - g.Random()) * -4; }},
      {"lower 4",
       {false, 0, 0, false, 0, true, 4},
       0,
       [](TRandomGenerator& g) { return (g.Random() + 1) * 4; }},
      {"initial 0",
       {false, 0, 0, true, 0},
       0,
       [](TRandomGenerator& g) { return g.Random() - 0.5; }},
      {"initial 3",
       {false, 0, 0, true, 3},
       0,
       [](TRandomGenerator& g) { return (g.Random() + 0.5) * 3; }},
      {"initial, upper above 0",
       {false, 0, 0, true, 3, false, 0, true, 8},
       0,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.7 ? (1 - r) * 3 : 3 + 5 * r;
       }},
      {"initial, upper below 0",
       {false, 0, 0, true, -3, false, 0, true, -1},
       0,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.7 ? (r + 1) * -3 : -3 + 2 * r;
       }},
      {"initial, lower above 0",
       {false, 0, 0, true, 3, true, 1},
       0,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.7 ? (r + 1) * 3 : 1 + 2 * r;
       }},
      {"initial, lower below 0",
       {false, 0, 0, true, 3, true, -1},
       0,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.7 ? (1 - r) * 3 : -1 + 4 * r;
       }},
  };
  for (const Case& c : cases)
    for (uint32_t seed : {2u, 13u, 555u, 9001u}) {
      TFixture f(3, 1, 1, c.Mode, seed);
      SetDimension(f, c.Dim);
      TRandomGenerator g(seed);
      for (int k = 0; k < 6; ++k)
        EXPECT_DOUBLE_EQ(RandomValue(f.S.Model, f.S.Pop, f.S.Run, 1 + k % 2, 0), c.Expected(g))
            << c.Name;
      EXPECT_EQ(f.S.Run.Random.Seed(), g.Seed()) << c.Name << ": number of draws";
      if (c.Dim.Init) {
        EXPECT_EQ(RandomValue(f.S.Model, f.S.Pop, f.S.Run, 0, 0), c.Dim.Initial) << c.Name;
      }
    }
}

TEST(RepairValueDraws, OrderOfEveryReplacement) {
  using Rule = double (*)(TRandomGenerator&);
  struct Case {
    const char* Name;
    TDim Dim;
    double Value;
    Rule Expected;
  };
  const Case cases[] = {
      {"both",
       {false, 0, 0, false, 0, true, -1, true, 3},
       7,
       [](TRandomGenerator& g) { return -1 + 4 * g.Random(); }},
      {"both, range",
       {true, 0, 2, false, 0, true, -1, true, 3},
       -7,
       [](TRandomGenerator& g) { return 0 + 2 * g.Random(); }},
      {"both, initial",
       {false, 0, 0, true, 1, true, -1, true, 3},
       7,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.5 ? 1 + 2 * r : 1 - 2 * r;
       }},
      {"both, range and initial",
       {true, 0, 2, true, 1, true, -1, true, 3},
       7,
       [](TRandomGenerator& g) {
         const double r = g.Random();
         return r >= 0.5 ? 1 + 1 * r : 1 - 1 * r;
       }},
      {"upper 10",
       {false, 0, 0, false, 0, false, 0, true, 10},
       11,
       [](TRandomGenerator& g) { return 10 - g.Random() * 10; }},
      {"upper 0",
       {false, 0, 0, false, 0, false, 0, true, 0},
       1,
       [](TRandomGenerator& g) { return -g.Random(); }},
      {"upper -2",
       {false, 0, 0, false, 0, false, 0, true, -2},
       1,
       [](TRandomGenerator& g) { return -2 + g.Random() * -2; }},
      {"upper, range",
       {true, -4, 1, false, 0, false, 0, true, 2},
       3,
       [](TRandomGenerator& g) { return -4 + 5 * g.Random(); }},
      {"upper, initial",
       {false, 0, 0, true, 4, false, 0, true, 6},
       9,
       [](TRandomGenerator& g) {
         const bool hi = g.Random() >= 0.5;
         const double r = g.Random();
         return hi ? 4 - r * 4 : 4 + 2 * r;
       }},
      {"upper, range and initial",
       {true, 1, 5, true, 4, false, 0, true, 6},
       9,
       [](TRandomGenerator& g) {
         const bool hi = g.Random() >= 0.5;
         const double r = g.Random();
         return hi ? 4 + 1 * r : 1 + 3 * r;
       }},
      {"lower 3",
       {false, 0, 0, false, 0, true, 3},
       1,
       [](TRandomGenerator& g) { return 3 + g.Random() * 3; }},
      {"lower 0",
       {false, 0, 0, false, 0, true, 0},
       -1,
       [](TRandomGenerator& g) { return g.Random(); }},
      {"lower -2",
       {false, 0, 0, false, 0, true, -2},
       -5,
       [](TRandomGenerator& g) { return -2 - g.Random() * -2; }},
      {"lower, initial",
       {false, 0, 0, true, 4, true, 2},
       1,
       [](TRandomGenerator& g) {
         const bool hi = g.Random() >= 0.5;
         const double r = g.Random();
         return hi ? 4 + r * 4 : 4 - 2 * r;
       }},
      {"lower, range and initial",
       {true, 3, 6, true, 4, true, 2},
       1,
       [](TRandomGenerator& g) {
         const bool hi = g.Random() >= 0.5;
         const double r = g.Random();
         return hi ? 4 + 2 * r : 3 + 1 * r;
       }},
  };
  for (const Case& c : cases)
    for (uint32_t seed : {4u, 17u, 808u, 31337u}) {
      TFixture f(3, 1, 1, 0, seed);
      SetDimension(f, c.Dim);
      TRandomGenerator g(seed);
      for (int k = 0; k < 6; ++k)
        EXPECT_DOUBLE_EQ(RepairValue(f.S.Model, f.S.Pop, f.S.Run, 1, 0, c.Value), c.Expected(g))
            << c.Name;
      EXPECT_EQ(f.S.Run.Random.Seed(), g.Seed()) << c.Name << ": number of draws";
      // A value inside its bounds is kept and draws nothing.
      const double inside = c.Dim.Lower ? c.Dim.Low : c.Dim.Up;
      EXPECT_EQ(RepairValue(f.S.Model, f.S.Pop, f.S.Run, 1, 0, inside), inside) << c.Name;
      EXPECT_EQ(f.S.Run.Random.Seed(), g.Seed()) << c.Name;
    }
}

// ---------------------------------------------------------------------------
// Base-N genes.

TEST(GeneStep, MutationDrawsPositionThenDigit) {
  struct Case {
    TGeneLayout Layout;
    const char* Gene;
  };
  const Case cases[] = {
      {{3, 3, 2, 1, false}, "1012.21"},  // the sign stays; "." (position 5) is drawn again
      {{3, 3, 2, 1, true}, "0012.21"},
      {{2, 4, 0, 0, true}, "01011"},  // base 2 flips
      {{7, 2, 0, 0, false}, "166"},
  };
  for (const Case& c : cases)
    for (uint32_t seed = 1; seed < 60; ++seed) {
      TRandomGenerator mine(seed), g(seed);
      const std::string got = MutateGene(c.Layout, c.Gene, mine);
      std::string want = c.Gene;
      const int W = c.Layout.IntDigits, F = c.Layout.FracDigits;
      const int L = F > 0 ? W + F + 2 : W + 1;
      const int first = c.Layout.SignFree ? 1 : 2;
      int p;
      do p = first + g.Random(L - first + 1);
      while (F > 0 && p == W + 2);
      char& ch = want[p - 1];
      if (c.Layout.Base == 2 || p == 1) {
        ch = ch == '1' ? '0' : '1';
      } else {
        const char old = ch;
        do ch = static_cast<char>('0' + g.Random(c.Layout.Base));
        while (ch == old);
      }
      EXPECT_EQ(got, want) << c.Gene << " seed " << seed;
      EXPECT_EQ(mine.Seed(), g.Seed()) << c.Gene << " seed " << seed;
    }
}

TEST(GeneStep, RepairedGeneIsCutToItsDecimals) {
  for (uint32_t seed : {6u, 60u, 600u}) {
    TFixture f(2, 1, 1, 1, seed);
    f.S.Model.EncodeDecode = true;
    f.S.Model.GeneBase = 4, f.S.Model.GeneDecimals = 2;
    f.S.Model.HasLower[0] = f.S.Model.HasUpper[0] = f.S.Model.HasBound[0] = true;
    f.S.Model.LowerBound[0] = -1, f.S.Model.UpperBound[0] = 3;
    const TGeneLayout layout = DimensionGeneLayout(f.S.Model, 0);
    std::string gene = EncodeGene(layout, 7);
    double value = 7;
    RepairGene(f.S.Model, f.S.Run, 0, gene, value);
    TRandomGenerator g(seed);
    const double want = std::round((-1 + 4 * g.Random()) * 100) / 100;
    EXPECT_NEAR(value, want, 1e-12);
    EXPECT_EQ(gene, EncodeGene(layout, want));
    EXPECT_NEAR(DecodeGene(layout, gene), want, 1e-12);
  }
}

TEST(GeneStep, UniformGeneCrossoverTakesParentsCharactersAtAQuarter) {
  for (uint32_t seed : {21u, 210u, 2100u}) {
    TFixture f(2, 1, 1, 1, seed);
    f.S.Model.EncodeDecode = true;
    f.S.Model.GeneBase = 2, f.S.Model.GeneDecimals = 0;
    f.S.Model.HasLower[0] = f.S.Model.HasUpper[0] = f.S.Model.HasBound[0] = true;
    f.S.Model.LowerBound[0] = -7,
    f.S.Model.UpperBound[0] = 7;  // every 3-bit gene with either sign is inside
    SetupGeneLayouts(f.S.Model, f.S.Pop);
    f.S.Pop.GeneStrings = {{"1101"}, {"0010"}};
    f.S.Pop.Population = {{5}, {-2}};
    f.S.Pop.BestGeneStrings = {"1110"};
    f.S.Pop.RelativeFitness = {0.3, 0.7};
    f.Set.SelectionType = TSelectionType::AbsoluteTopMate;  // the best and one random member
    f.Set.GeneCrossoverType = TGeneCrossoverType::Uniform;
    f.Set.CrossoverRate = 1;
    f.Set.MutationRate = 0;
    const std::vector<std::string> genes{"1101", "0010"};
    f.Set.RankSum = 3;
    StepGeneticEncoded(f.S.Model, f.S.Pop, f.S.Run, f.Set);
    TRandomGenerator g(seed);
    const std::string a = "1110", b = genes[g.Random(2)];
    g.Random();  // the crossover-rate draw
    std::string k1 = a, k2 = b;
    for (size_t pos = 0; pos < a.size(); ++pos)
      if (!(g.Random() < 0.25)) std::swap(k1[pos], k2[pos]);
    const TGeneLayout layout = DimensionGeneLayout(f.S.Model, 0);
    EXPECT_EQ(f.S.Pop.GeneStrings[0][0], k1);
    EXPECT_EQ(f.S.Pop.GeneStrings[1][0], k2);
    EXPECT_EQ(f.S.Pop.Population[0][0], DecodeGene(layout, k1));
    EXPECT_EQ(f.S.Pop.Population[1][0], DecodeGene(layout, k2));
  }
}

}  // namespace
