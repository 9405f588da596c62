// One step of each of the four search families on a small population with a
// fixed seed, for every scheme, formula, route and option: the new values
// follow the trace recorded from the engine bit for bit, and they keep what
// each step promises (finite values, undrawn dimensions left alone, limits
// on velocities, refused trials leaving the members). Then the random member
// values, the bound repair and the base-N genes. Dimensions without bounds
// keep the repair out of the way (a finite value inside no bounds is kept
// and draws nothing). Cases whose rules ignore a setting (the random start
// of every scheme, for one) share a trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "RecordedTraces.h"
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
    S.Pop.ObjectiveViolation.assign(members, 0);
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

// The bit patterns of a step's results, folded: the first three values in
// full and an FNV-1a digest of all of them, so that one table line holds a
// whole case and a change of any bit shows.
struct TTrace {
  std::vector<double> Head;
  uint64_t Digest = 14695981039346656037ull;
  void Add(double v) {
    if (Head.size() < 3) Head.push_back(v);
    uint64_t bits = std::bit_cast<uint64_t>(v);
    for (int k = 0; k < 8; ++k, bits >>= 8) Digest = (Digest ^ (bits & 0xff)) * 1099511628211ull;
  }
  void Add(const Double2Array& rows) {
    for (const auto& row : rows)
      for (double v : row) Add(v);
  }
  std::string Text() const {
    std::string text;
    char part[24];
    for (double v : Head) {
      std::snprintf(part, sizeof part, "%016llx ",
                    static_cast<unsigned long long>(std::bit_cast<uint64_t>(v)));
      text += part;
    }
    std::snprintf(part, sizeof part, "#%016llx", static_cast<unsigned long long>(Digest));
    return text + part;
  }
};

// Each case's trace is compared with the one recorded from the engine as
// it stands, known good (tests/engine/data/traces).
void ExpectTrace(test::TRecordedTraces& golden, const std::string& name, const TTrace& trace) {
  golden.Expect(name, trace.Text());
}

void ExpectFinite(const Double2Array& rows) {
  for (const auto& row : rows)
    for (double v : row) EXPECT_TRUE(std::isfinite(v)) << v;
}

// ---------------------------------------------------------------------------
// Zedovev Avedezo Rezividorodo, fitting variant: every scheme, global and
// local, from the random start (DC near 0) to the fine steps (DC near 1),
// four steps from three seeds.

TEST(ZedovevStep, FittingStepFollowsItsRecordedTrace) {
  test::TRecordedTraces golden("zedovev_fit.txt");
  for (int scheme = 0; scheme < 4; ++scheme)
    for (bool local : {false, true})
      for (double dc : {-0.3, 0.00001, 0.5, 0.85, 0.9995})
        for (int members : {3, 1}) {
          if (members == 1 &&
              (local || !((scheme == 0 && dc == 0.5) || (scheme == 2 && dc == 0.85))))
            continue;
          TTrace trace;
          for (uint32_t seed : {1u, 77u, 4242u}) {
            TFixture f(members, 3, 2, 0, seed);
            f.S.Pop.BestDC = dc;
            f.S.Pop.Population[0][1] = f.S.Pop.BestPosition[1];  // on the best: a random start
            if (local) f.S.Pop.NeighbourSize = members - 1;
            f.Set.ZudScheme = scheme;
            const Rows before = f.Pop();
            for (int step = 0; step < 4; ++step) {
              StepZedovevFit(f.S.Model, f.S.Pop, f.S.Run, f.Set);
              trace.Add(f.S.Pop.Population);
              ExpectFinite(f.S.Pop.Population);
            }
            // The dimension that is not drawn stays where it was.
            for (int m = 0; m < members; ++m) EXPECT_EQ(f.S.Pop.Population[m][2], before[m][2]);
          }
          ExpectTrace(golden,
                      "scheme " + std::to_string(scheme) + (local ? " local" : " global") + " DC " +
                          std::to_string(dc) + " members " + std::to_string(members),
                      trace);
        }
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

// Optimisation: every dimension moves, drawn or not, on every step.
TEST(ZedovevStep, OptimisationStepFollowsItsRecordedTrace) {
  test::TRecordedTraces golden("zedovev_opt.txt");
  for (int scheme = 0; scheme < 4; ++scheme)
    for (bool local : {false, true}) {
      TTrace trace;
      for (uint32_t seed : {3u, 91u, 2024u}) {
        TFixture f(3, 3, 1, 1, seed);  // RandomDimCount 1: the step still moves all three
        if (local) f.S.Pop.NeighbourSize = 2;
        f.Set.ZudScheme = scheme;
        f.S.Pop.Population[1][2] = f.S.Pop.BestPosition[2];
        for (int step = 0; step < 3; ++step) {
          const Rows before = f.Pop();
          StepZedovevOpt(f.S.Model, f.S.Pop, f.S.Run, f.Set);
          trace.Add(f.S.Pop.Population);
          ExpectFinite(f.S.Pop.Population);
          for (int m = 0; m < 3; ++m)
            for (int d = 0; d < 3; ++d) EXPECT_NE(f.S.Pop.Population[m][d], before[m][d]);
        }
      }
      ExpectTrace(golden, "scheme " + std::to_string(scheme) + (local ? " local" : " global"),
                  trace);
    }
}

// ---------------------------------------------------------------------------
// Particle swarm.

TEST(SwarmStep, VelocityFormulasFollowTheirRecordedTraceWithinTheLimits) {
  test::TRecordedTraces golden("swarm.txt");
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
    const Rows X = f.Pop();
    StepParticleSwarm(f.S.Model, f.S.Pop, f.S.Run, f.Set);
    const std::string what = "formula " + std::to_string(c.Formula) +
                             (c.Local ? " local" : " global") + (c.UseVmax ? " vmax" : "") +
                             " scale " + std::to_string(c.Scale);
    TTrace trace;
    trace.Add(f.S.Pop.Population);
    trace.Add(f.S.Pop.Velocity);
    ExpectTrace(golden, what, trace);
    // Each member moves by its new velocity; a velocity beyond the limit is
    // set to 0 (only the upper one without vmax).
    for (int i = 0; i < 4; ++i)
      for (int d = 0; d < 2; ++d) {
        const double v = f.S.Pop.Velocity[i][d];
        EXPECT_EQ(f.S.Pop.Population[i][d], X[i][d] + v) << what;
        if (c.UseVmax)
          EXPECT_LE(std::fabs(v), c.Vmax) << what;
        else
          EXPECT_LE(v, 10000) << what;
      }
    EXPECT_EQ(f.S.Pop.Population[0][2], X[0][2]) << what;  // not drawn, not moved
    EXPECT_EQ(f.S.Pop.PersonalBestFitness, (Double1Array{0.5, 0.9, 0.5, 0.6})) << what;
  }
}

// ---------------------------------------------------------------------------
// Differential evolution. In the optimisation mode a model with neither
// objectives nor constraints refuses every trial, so each generation leaves
// the population as it is and the trials stay in TrialPopulation.

TEST(DifferentialStep, TenSchemesFourRoutesTwoOptionsFollowTheirRecordedTrace) {
  test::TRecordedTraces golden("differential.txt");
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
        StepDifferentialEvolution(f.S, f.Set);
        const std::string what = "scheme " + std::to_string(scheme) + " option " +
                                 std::to_string(option) + " route " + std::to_string(route);
        TTrace trace;
        trace.Add(f.S.Pop.TrialPopulation);
        ExpectTrace(golden, what, trace);
        ExpectFinite(f.S.Pop.TrialPopulation);
        // Route 0 keeps a member's own value where it does not cross over.
        if (route == 0) {
          int kept = 0;
          for (int i = 0; i < 6; ++i)
            for (int d = 0; d < 3; ++d) kept += f.S.Pop.TrialPopulation[i][d] == X[i][d];
          EXPECT_GT(kept, 0) << what;
        }
        ExpectRows(f.Pop(), X, what + " (refused trials leave the members)");
      }
}

// ---------------------------------------------------------------------------
// Genetic algorithm, real-value mode.

TEST(GeneticStep, SelectionCrossoverAndMutationFollowTheirRecordedTrace) {
  test::TRecordedTraces golden("genetic.txt");
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
    f.Set.RankSum = rankSum;
    StepGeneticReal(f.S.Model, f.S.Pop, f.S.Run, f.Set);
    const std::string what = "selection " + std::to_string(c.Selection) + " crossover " +
                             std::to_string(c.Crossover) + " mode " + std::to_string(c.Mode) +
                             (c.Truncation ? " truncated" : "");
    TTrace trace;
    trace.Add(f.S.Pop.Population);
    ExpectTrace(golden, what, trace);
    ExpectFinite(f.S.Pop.Population);
    EXPECT_EQ(f.S.Pop.Population[4], X[4]) << what;  // odd population: the last keeps its values
    for (int m = 0; m < n; ++m) EXPECT_EQ(f.S.Pop.Population[m][dims], X[m][dims]) << what;
    // The relative fitness is left sorted (rank selection: the rank shares).
    Double1Array sorted = share;
    std::sort(sorted.begin(), sorted.end());
    if (c.Selection == 4)
      for (int k = 0; k < n; ++k) sorted[k] = double(k + 1) / rankSum;
    for (int k = 0; k < n; ++k) EXPECT_DOUBLE_EQ(f.S.Pop.RelativeFitness[k], sorted[k]) << what;
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
