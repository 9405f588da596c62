// The optimisation loop's member values: a model of constraints alone, and
// the genetic shares of the objective values.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "SearchTestHost.h"
#include "engine/OptimizeLoop.h"

using namespace qv;
using namespace qv::test;

namespace {

// No objective, no direction: find a point where both constraints hold.
const char* kFeasible = R"(title Feasible;
parameters x [-10, 10], y [-10, 10];
functions;
x+y<=1;
x-y>=3;
)";

TEST(OptimiseLoop, ConstraintsAloneStopAtTheFirstFeasiblePoint) {
  struct Case {
    const char* Algorithm;
    const char* Criterion;
    int StopCode;
  };
  const Case cases[] = {
      {"0", "RB3", scRMSEReached}, {"1", "RB3", scRMSEReached}, {"2", "RB3", scRMSEReached},
      {"3", "RB3", scRMSEReached}, {"0", "RB1", scAutoDetect},  {"3", "RB1", scAutoDetect},
  };
  for (const Case& c : cases) {
    TSearchRun run({{"RadioGroup2", c.Algorithm},
                    {c.Criterion, "True"},
                    {"SSEEdit", "0.001"},
                    {"CBB2", "100000"}},
                   7);
    run.Host.StopAfterPumps = 20000;  // a run that never settles is stopped as by the user
    ASSERT_TRUE(run.Run(kFeasible)) << c.Algorithm;
    EXPECT_EQ(run.State.Run.StopCode, c.StopCode) << c.Algorithm << " " << c.Criterion;
    // After the first pass every member is worth 0; the best is a feasible point.
    EXPECT_EQ(run.State.Pop.BestObjective, 0) << c.Algorithm;
    EXPECT_EQ(run.Line("Min. Error: "), "Min. Error: 0") << c.Algorithm;
    const double x = run.State.Pop.BestPosition[0], y = run.State.Pop.BestPosition[1];
    EXPECT_LE(x + y, 1) << c.Algorithm;
    EXPECT_GE(x - y, 3) << c.Algorithm;
  }
}

// The smallest x with x >= 5: every infeasible member has a smaller
// objective than every feasible one, so a best taken by value alone stays
// infeasible for good.
const char* kBoundBelow = R"(title Bound below;
parameters x [-10, 10];
minimum = true;
functions;
x;
5 - x <= 0;
)";

TEST(OptimiseLoop, AFeasibleMemberAlwaysBeatsAnInfeasibleBest) {
  for (const char* algorithm : {"0", "1", "2", "3"}) {
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
      TSearchRun run(
          {{"RadioGroup2", algorithm}, {"RB2", "True"}, {"ComboBox1", "300"}, {"CBB2", "100000"}},
          seed);
      ASSERT_TRUE(run.Run(kBoundBelow)) << algorithm;
      EXPECT_TRUE(run.State.Pop.BestFeasible) << algorithm << " seed " << seed;
      EXPECT_GE(run.State.Pop.BestPosition[0], 5) << algorithm << " seed " << seed;
      EXPECT_LT(run.State.Pop.BestPosition[0], 5.5) << algorithm << " seed " << seed;
      EXPECT_TRUE(run.Messages().empty()) << algorithm;
      EXPECT_EQ(run.Line("Constraints: "), "") << algorithm;
      // The members kept are feasible wherever the algorithm keeps a
      // member only when it is no worse (differential evolution).
      // Members' own bests (swarm and Zedovev): a feasible one is never
      // given up for an infeasible one of smaller value.
      if (std::string(algorithm) == "0" || std::string(algorithm) == "2") {
        int feasibleBests = 0;
        for (int m = 0; m < run.State.Pop.PopSize; ++m) {
          if (!run.State.Pop.PersonalBestFeasible[m]) continue;
          ++feasibleBests;
          EXPECT_GE(run.State.Pop.PersonalBestPosition[m][0], 5) << m;
        }
        EXPECT_EQ(feasibleBests, run.State.Pop.PopSize) << algorithm << " seed " << seed;
      }
      if (std::string(algorithm) != "3") continue;
      for (int m = 0; m < run.State.Pop.PopSize; ++m) {
        if (!run.State.Pop.ObjectiveFeasible[m]) continue;
        EXPECT_GE(run.State.Pop.Population[m][0], 5) << m;
      }
    }
  }
}

// When no member ever meets the constraints the report and the window say
// so, instead of showing the least bad point as the minimum.
TEST(OptimiseLoop, AnInfeasibleBestIsReportedAsSuch) {
  const char* impossible = R"(parameters x [-5, 5], y [-5, 5];
minimum = true;
functions;
x + y;
x^2 + y^2 + 1 <= 0;
)";
  for (const char* algorithm : {"0", "1", "2", "3"}) {
    TSearchRun run({{"RadioGroup2", algorithm}, {"RB2", "True"}, {"ComboBox1", "50"}});
    ASSERT_TRUE(run.Run(impossible)) << algorithm;
    EXPECT_FALSE(run.State.Pop.BestFeasible);
    EXPECT_EQ(run.Line("Constraints: "),
              "Constraints: not satisfied; no point found meets every constraint");
    EXPECT_EQ(run.Messages(), std::vector<std::string>{"No point was found that meets every "
                                                       "constraint: the values shown break at "
                                                       "least one."});
  }
}

// An objective that is no number ends the search with its cause and a
// report that names the error, never a user stop.
TEST(OptimiseLoop, AnObjectiveThatIsNoNumberEndsTheSearchAsAnError) {
  const char* nan = R"(parameters x [-5, 5];
minimum = true;
functions;
sqrt(x);
)";
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "50"}});
  ASSERT_TRUE(run.Run(nan));
  EXPECT_EQ(run.State.Run.StopCode, scFailed);
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roFailed);
  EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: Stopped by an error");
  ASSERT_EQ(run.Messages().size(), 1u);
  EXPECT_EQ(run.Messages()[0], "Function expression is wrong!\nInvalid floating point operation");
}

// Feasible regions that are narrow bands: few random members land inside,
// so the search must be led there. Between two members that break the
// constraints, the one that breaks them by less wins; without that rule
// nothing decided between them and the runs ended after one iteration by
// auto-detection with "Constraints: not satisfied".
TEST(OptimiseLoop, NarrowFeasibleBandsAreEnteredAndTheirOptimumFound) {
  struct TCase {
    const char* Name;
    const char* Model;
    std::vector<double> Optimum;
    double Value;
  };
  const TCase cases[] = {
      // The point of the band 9.9999 <= x + y <= 10 nearest to (3, 2).
      {"band",
       "parameters x [-10, 10], y [-10, 10];\nminimum = true;\nfunctions;\n"
       "(x-3)^2 + (y-2)^2;\nx + y >= 9.9999;\nx + y <= 10;\n",
       {5.49995, 4.49995},
       2 * 2.49995 * 2.49995},
      // The lowest x + 2 y on a ring of radius 5 and width 2e-5.
      {"ring",
       "parameters x [-10, 10], y [-10, 10];\nminimum = true;\nfunctions;\n"
       "x + 2*y;\nx^2 + y^2 >= 24.9999;\nx^2 + y^2 <= 25.0001;\n",
       {-std::sqrt(25.0001 / 5), -2 * std::sqrt(25.0001 / 5)},
       -std::sqrt(25.0001 * 5)},
  };
  for (const TCase& c : cases) {
    for (const char* algorithm : {"0", "1", "2", "3"}) {
      SCOPED_TRACE(std::string(c.Name) + " algorithm " + algorithm);
      int found = 0, entered = 0;
      for (uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
        TSearchRun run({{"RadioGroup2", algorithm}, {"RB1", "True"}, {"CBB2", "100000"}}, seed);
        ASSERT_TRUE(run.Run(c.Model));
        const auto& best = run.State.Pop.BestPosition;
        const bool optimum = run.State.Pop.BestFeasible &&
                             std::fabs(best[0] - c.Optimum[0]) < 0.02 &&
                             std::fabs(best[1] - c.Optimum[1]) < 0.02 &&
                             std::fabs(run.State.Pop.BestObjective - c.Value) < 0.01;
        found += optimum;
        entered += run.State.Pop.BestFeasible;
        EXPECT_EQ(run.Line("Constraints: ").empty(), run.State.Pop.BestFeasible) << seed;
      }
      // Particle swarm enters the bands but, its swarm drawn together
      // across them, is known not to reach the optimum along them.
      EXPECT_GE(entered, 4);
      EXPECT_GE(found, std::string(algorithm) == "2" ? 0 : 4);
    }
  }
}

TEST(OptimiseLoop, GeneticSharesOfNonNegativeValuesAreInverseValues) {
  TPopulation P;
  P.PopSize = 3;
  P.ObjectiveValues = {0, 1, 3};
  P.RelativeFitness.assign(3, 0);
  GeneticShares(P);
  const double g0 = 1 / 0.001, g1 = 1 / 1.001, g2 = 1 / 3.001, sum = g0 + g1 + g2;
  EXPECT_DOUBLE_EQ(P.RelativeFitness[0], g0 / sum);
  EXPECT_DOUBLE_EQ(P.RelativeFitness[1], g1 / sum);
  EXPECT_DOUBLE_EQ(P.RelativeFitness[2], g2 / sum);
}

}  // namespace
