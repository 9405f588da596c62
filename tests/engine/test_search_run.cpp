// Fitting and optimisation runs: the stop criteria, the user stop, resume,
// the report and progress texts, and the fitness rules behind them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "SearchTestHost.h"
#include "engine/Fitness.h"
#include "engine/OptimizeLoop.h"
#include "engine/SearchReport.h"

using namespace qv;
using namespace qv::test;

namespace {

// A model whose best can never change: every parameter is fixed.
const char* kFixed = R"(variables x, y;
parameters a [2, 2];
function y = a*x;
data;
1 2.1
2 3.9
3 6.2
)";

std::vector<std::string> Head(const std::vector<std::string>& lines, size_t n) {
  return std::vector<std::string>(lines.begin(), lines.begin() + std::min(n, lines.size()));
}

TEST(FitStop, MaximumIterationsCountsFinishedPasses) {
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "100"}, {"CBB2", "1000"}});
  ASSERT_TRUE(run.Run(kStraightLine));
  // 102 generation steps; the pump follows all but the last.
  EXPECT_EQ(run.Host.Pumps, 101);
  EXPECT_EQ(run.State.Run.StopCode, scMaxIterations);
  const auto& r = run.Host.Result;
  ASSERT_GE(r.size(), 12u);
  EXPECT_EQ(r[0], "Test");
  EXPECT_EQ(r[1], "");
  EXPECT_EQ(r[2], "Iterations: 101");
  EXPECT_TRUE(
      std::regex_match(r[3], std::regex(R"(Elapsed Time \(Hr:Min:Sec:Msec\): \d\d:\d\d:\d\d:\d+)")))
      << r[3];
  EXPECT_EQ(r[4], "Algorithms: Differential Evoluation(Scheme 1)");
  EXPECT_EQ(r[5], "Stop Reason: maximum iterations reached");
  EXPECT_TRUE(
      std::regex_match(r[6], std::regex(R"(Root of Mean Square Error \(RMSE\): [0-9.e+-]+)")))
      << r[6];
  EXPECT_EQ(r[7].rfind("Sum of Square Error (SSE): ", 0), 0u);
  EXPECT_EQ(r[8].rfind("Correlation Coef. (R): ", 0), 0u);
  EXPECT_EQ(r[9].rfind("Determination Coef. (DC): ", 0), 0u);
  EXPECT_EQ(r[10].rfind("a: ", 0), 0u);
  EXPECT_EQ(r[11].rfind("b: ", 0), 0u);
  const std::vector<std::string> table{"", "====== Output Results =====", "",
                                       "No\tObserved y\tCalculated y"};
  EXPECT_EQ(std::vector<std::string>(r.begin() + 12, r.begin() + 16), table);
  EXPECT_EQ(r[16].substr(0, 6), "1\t3.1\t");
  EXPECT_TRUE(std::regex_match(r[16], std::regex(R"(1\t3\.1\t\d+\.\d{7})"))) << r[16];
  EXPECT_EQ(r.size(), 21u);
  EXPECT_EQ(run.CallCount("WriteResultSummary true"), 1);
}

TEST(FitStop, TargetsAndAutoDetection) {
  {
    // A fixed parameter: every member's DC (0.993) is above the target.
    TSearchRun run({{"RB4", "True"}, {"REdit", "0.5"}});
    ASSERT_TRUE(run.Run(kFixed));
    EXPECT_EQ(run.State.Run.StopCode, scDCReached);
    EXPECT_EQ(run.Host.Pumps, 0);
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: determination coef. DC reached");
    EXPECT_EQ(run.Line("Iterations: "), "Iterations: 0");
  }
  {
    TSearchRun run({{"RB3", "True"}, {"SSEEdit", "0.2"}, {"RadioGroup2", "0"}});
    ASSERT_TRUE(run.Run(kStraightLine));
    EXPECT_EQ(run.State.Run.StopCode, scRMSEReached);
    EXPECT_LT(run.State.Pop.BestFitnessRMSE, 0.2);
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: minimum square error reached");
    EXPECT_EQ(run.Line("Algorithms: "), "Algorithms: Zedovev Avedezo Rezividorodo (Scheme 3)");
  }
  {
    // Update rate 1 and a best that never changes: the 22nd display stops.
    TSearchRun run({{"RB1", "True"}, {"CBB2", "1"}});
    ASSERT_TRUE(run.Run(kFixed));
    EXPECT_EQ(run.State.Run.StopCode, scAutoDetect);
    EXPECT_EQ(run.Line("Iterations: "), "Iterations: 22");
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: auto-detected");
    EXPECT_EQ(run.Host.Progress.size(), 21u);
  }
}

TEST(FitStop, ProgressSummaryUsesShortLabels) {
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "30"}, {"CBB2", "10"}});
  ASSERT_TRUE(run.Run(kStraightLine));
  ASSERT_EQ(run.Host.Progress.size(), 4u);  // after iterations 1, 11, 21, 31
  const auto& p = run.Host.Progress[0];
  EXPECT_EQ(p[0], "Iterations: 1");
  EXPECT_EQ(p[1].rfind("Elapsed Time: ", 0), 0u);
  for (size_t k = 2; k < 6; ++k)
    EXPECT_TRUE(std::regex_match(p[k], std::regex(R"((RMSE|SSE|R|DC): -?[0-9.]+(e[+-]\d+)?)")))
        << p[k];
  EXPECT_EQ(p[6].rfind("a: ", 0), 0u);
  // Seven significant digits during the run, ten at the end.
  const std::string dc = run.Host.Progress.back()[5];
  EXPECT_LE(dc.size(), std::string("DC: 0.9999999").size());
  EXPECT_EQ(ResultSummaryLines(run.State, true)[5].rfind("Determination Coef. (DC): ", 0), 0u);
}

TEST(FitStop, UserStopIsReportedOnceAfterThePump) {
  TSearchRun run({{"RB4", "True"}, {"REdit", "0.9999"}});  // beyond the line's best DC
  run.Host.StopAfterPumps = 5;
  ASSERT_TRUE(run.Run(kStraightLine));
  EXPECT_EQ(run.State.Run.StopCode, scUserStop);
  EXPECT_FALSE(run.State.Run.SearchRunning);
  EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: stoped by user");
  EXPECT_EQ(run.Line("Iterations: "), "Iterations: 4");
  EXPECT_EQ(run.CallCount("WriteResultSummary true"), 1);
  EXPECT_EQ(run.CallCount("SearchEnded Report"), 1);

  // Resume keeps the population and its best.
  const double before = run.State.Pop.BestFitnessDC;
  const auto kept = run.State.Pop.Population;
  run.Host.StopAfterPumps = run.Host.Pumps + 3;
  ASSERT_TRUE(run.Controller->Resume());
  EXPECT_GE(run.State.Pop.BestFitnessDC, before);
  EXPECT_EQ(run.Line("Iterations: "), "Iterations: 2");
  EXPECT_EQ(run.CallCount("SetupResultChart"), 1);
  EXPECT_NE(run.State.Pop.Population, kept);
}

TEST(FitModel, OutputSlotHoldsTheObservedValue) {
  // The output is the first variable and the function is an implicit
  // equation: each input goes to its own slot, the output's slot holds the
  // observed value, so the residual is the function's value.
  const char* model = R"(variables y [output], x;
parameters a, b;
function a*x + b - y;
data;
3.1 1
4.9 2
7.2 3
8.8 4
11.1 5
)";
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "2000"}}, 3);
  ASSERT_TRUE(run.Run(model)) << (run.Messages().empty() ? "" : run.Messages()[0]);
  EXPECT_NEAR(run.Value("a"), 1.99, 1e-6);
  EXPECT_NEAR(run.Value("b"), 1.05, 1e-6);
  EXPECT_GT(run.State.Pop.BestDC, 0.99);
}

TEST(FitnessRules, StatisticsAndEdgeValues) {
  TEngineState S;
  S.Model.PointCount = {4};
  S.Model.TargetData = {{{1, 2, 3, 4}}};
  S.Model.TargetMean = {{2.5}};
  S.Pop.CalculatedMean = {{0}};
  double sse, rmse, dc, r;
  // Perfectly anti-correlated: R is 1 (never negative).
  Double3Array calc = {{{4, 3, 2, 1}}};
  S.Pop.CalculatedMean[0][0] = 2.5;
  CalcStatistics(S, 0, 0, calc, sse, rmse, dc, r);
  EXPECT_DOUBLE_EQ(r, 1);
  EXPECT_DOUBLE_EQ(sse, 20);
  EXPECT_DOUBLE_EQ(rmse, std::sqrt(5.0));
  EXPECT_DOUBLE_EQ(dc, -3);
  // A DC of -500 is reported as -100.
  calc = {{{51, 2, 3, 4}}};
  S.Pop.CalculatedMean[0][0] = 15;
  CalcStatistics(S, 0, 0, calc, sse, rmse, dc, r);
  EXPECT_EQ(dc, -100);
  // Observed values all equal: DC and R are 0.
  S.Model.TargetData = {{{2, 2, 2, 2}}};
  S.Model.TargetMean = {{2}};
  CalcStatistics(S, 0, 0, calc, sse, rmse, dc, r);
  EXPECT_EQ(dc, 0);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(CalcDeterminationCoef(S, 0, calc), 0);
}

TEST(FitnessRules, ObservedAgainstCalculatedLine) {
  struct TCase {
    Double1Array T, C;
    int n;
    TLineEnds Want;
  };
  const TCase cases[] = {
      // An exact line y = 2x + 1 over unordered points: its ends at the
      // smallest and largest observed value.
      {{3, 1, 2}, {7, 3, 5}, 3, {1, 3, 3, 7}},
      // Least squares through scattered points: slope 0.25, through the means
      // (1, 0.75).
      {{0, 2, 0, 2}, {0, 0, 1, 2}, 4, {0, 0.5, 2, 1}},
      // Every observed value the same: flat at the mean calculated value.
      {{2, 2, 2}, {1, 2, 6}, 3, {2, 3, 2, 3}},
      // No points; n beyond the shorter array.
      {{}, {}, 0, {0, 0, 0, 0}},
      {{1, 2, 3}, {1, 2}, 5, {1, 1, 2, 2}},
  };
  for (const TCase& c : cases) {
    const TLineEnds l = ObservedCalculatedLine(c.T, c.C, c.n);
    EXPECT_DOUBLE_EQ(l.X1, c.Want.X1);
    EXPECT_DOUBLE_EQ(l.Y1, c.Want.Y1);
    EXPECT_DOUBLE_EQ(l.X2, c.Want.X2);
    EXPECT_DOUBLE_EQ(l.Y2, c.Want.Y2);
  }
}

TEST(FitnessRules, RelativeFitnessGivesPerfectMembersTheTopShare) {
  TEngineState S;
  S.Pop.PopSize = 3;
  S.Pop.Fitness = {0, 0.5, 1};
  S.Pop.RelativeFitness.assign(3, 0);
  ComputeRelativeFitness(S.Pop, crRMSE, true);
  EXPECT_EQ(S.Pop.RelativeFitness[0], 1);  // RMSE 0 is the best there is
  EXPECT_NEAR(S.Pop.RelativeFitness[1], 2.0 / 3, 1e-12);
  EXPECT_NEAR(S.Pop.RelativeFitness[2], 1.0 / 3, 1e-12);
  S.Pop.Fitness = {1, 0.5, 0};
  ComputeRelativeFitness(S.Pop, crDC, true);  // DC 1 sets the sum to 1, later members add
  EXPECT_EQ(S.Pop.RelativeFitness[0], 1);
  EXPECT_NEAR(S.Pop.RelativeFitness[1], 2.0 / 4, 1e-12);
  EXPECT_NEAR(S.Pop.RelativeFitness[2], 1.0 / 4, 1e-12);
}

TEST(FitnessRules, ModelThatAlwaysFailsIsPenalised) {
  const char* model = R"(variables x, y;
parameters a [1, 2];
function y = ln(-1 - a^2) + x;
data;
1 1
2 2
3 3
)";
  for (const char* rb : {"RB4", "RB3"}) {
    TSearchRun run({{rb, "True"}}, 5);
    EXPECT_FALSE(run.Run(model));
    // The test evaluation finds no slot values that work.
    ASSERT_EQ(run.Messages(),
              std::vector<std::string>{"Function string \"y = ln(-1 - a^2) + x\" is not correct!"});
  }
  // Penalties of a member whose every row fails.
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "1"}});
  ASSERT_TRUE(run.Run(kStraightLine));
  TEngineState& S = run.State;
  S.Pop.Population[0] = {std::nan(""), 0};
  const Double1Array before = S.Pop.Population[0];
  EXPECT_EQ(MemberFitnessByExpression(S, crDC, 0), 0);
  double squares = 0;
  for (double t : S.Model.TargetData[0][0]) squares += 9 * t * t;
  S.Pop.Population[0] = {std::nan(""), 0};
  EXPECT_NEAR(MemberFitnessByExpression(S, crRMSE, 0), std::sqrt(squares / 5), 1e-12);
  EXPECT_TRUE(std::isfinite(S.Pop.Population[0][0]));  // drawn again
  // A trial that fails cannot win: it returns the member's fitness.
  S.Pop.Fitness[1] = 0.25;
  S.Pop.TrialPopulation[1] = {std::nan(""), 0};
  EXPECT_EQ(FitnessByExpression(S, crDC, 1), 0.25);
}

const char* kConstant = R"(title Constant;
parameters x [2, 2];
functions;
x^2 - 4;
)";

TEST(OptimiseStop, ReportTextsAndStopReasons) {
  {
    TSearchRun run({{"RB1", "True"}, {"CBB2", "100000"}});
    ASSERT_TRUE(run.Run(kConstant));
    EXPECT_EQ(run.State.Run.Iteration, 2001);
    const std::vector<std::string> expect{"Constant", "", "====== Results ======", "",
                                          "Iterations: 1"};
    EXPECT_EQ(Head(run.Host.Result, 5), expect);
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: Auto-detected");
    EXPECT_EQ(run.Line("x: "), "x: 2");
    EXPECT_EQ(run.Line("Min. Error: "), "Min. Error: 0");
    EXPECT_EQ(run.Host.Result.back(), "====== Finished ======");
  }
  {
    // An objective that stays at 5, above the target.
    TSearchRun run({{"RB3", "True"}, {"SSEEdit", "0.5"}, {"SchemeBox", "2"}});
    run.Host.StopAfterPumps = 3;
    ASSERT_TRUE(run.Run("title Constant;\nparameters x [3, 3];\nfunctions;\nx^2 - 4;\n"));
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: Stoped by user");  // never "RMSE reached"
    EXPECT_EQ(run.Line("Algorithms: "), "Algorithms: Differential Evoluation(Scheme 3, Route 1)");
    EXPECT_EQ(run.CallCount("SearchEnded Report"), 1);
  }
  {
    TSearchRun run(
        {{"RB3", "True"}, {"SSEEdit", "0.001"}, {"RadioGroup2", "2"}, {"ComboBox3", "4"}});
    ASSERT_TRUE(run.Run(kConstant));
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: RMSE reached");
    EXPECT_EQ(run.Line("Algorithms: "), "Algorithms: Parcticle Swarm Optimization CFPSO");
  }
}

TEST(OptimiseStop, ProgressUsesEightDecimalsAndMaximaShowTheirValue) {
  const char* model = R"(parameters x [-10, 10], n [0, 10, 0];
maximum = true;
functions;
7 - (x-1)^2 - (n-3)^2;
)";
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "300"}, {"CBB2", "100"}, {"RadioGroup2", "1"}},
                 11);
  ASSERT_TRUE(run.Run(model));
  ASSERT_GE(run.Host.History.size(), 3u);
  const auto& progress = run.Host.History[0];  // the first pass's display
  EXPECT_EQ(progress[0], "Iterations: 0");
  EXPECT_EQ(progress[1].rfind("Elapsed Time: ", 0), 0u);
  EXPECT_EQ(progress[2], "Algorithms: Genetic Algorithms");
  EXPECT_TRUE(std::regex_match(progress[3], std::regex(R"(x: -?\d+\.\d{8})"))) << progress[3];
  EXPECT_TRUE(std::regex_match(progress[4], std::regex(R"(n: -?\d+)"))) << progress[4];
  EXPECT_TRUE(std::regex_match(progress[5], std::regex(R"(Max\. Value: -?\d+\.\d{8})")))
      << progress[5];
  EXPECT_EQ(run.Host.History.size(), 5u);  // first pass, after 101, 201 and 301, the report
  EXPECT_NEAR(run.Value("Max. Value"), 7, 1e-3);
  EXPECT_NEAR(run.Value("x"), 1, 1e-2);
  EXPECT_EQ(run.Value("n"), 3);
  EXPECT_GT(run.State.Pop.BestObjective, -7.001);  // the engine keeps the negated value
  EXPECT_LT(run.State.Pop.BestObjective, -6.999);
}

TEST(OptimiseModel, ExclusiveWithoutEnoughValuesIsRefused) {
  const char* model = R"(parameters p(1:3) [0, 1];
exclusive = true;
functions;
p1 + p2 + p3;
)";
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "5"}, {"ComboBox2", "0"}});
  EXPECT_FALSE(run.Run(model));
  EXPECT_EQ(run.Messages(),
            std::vector<std::string>{
                "Exclusive mode needs at least as many different parameter values as parameters!"});
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roModelRefused);
}

// Exclusive models end: bounded ones with pairwise different values, the
// others refused with a message (an unbounded model spun for half a minute
// and came back with 0, 0, 0).
TEST(OptimiseModel, ExclusiveModelsEndQuicklyWithDifferentValuesOrAMessage) {
  struct TCase {
    const char* Model;
    std::vector<double> Best;  // empty: refused
    std::string Message;       // the refusal's text
  };
  const std::string rule =
      "The model's rule \"exclusive\" (every parameter a different value) cannot be met: no "
      "member with pairwise different values was found between the parameters' bounds and "
      "initial values!";
  auto tooLarge = [](const std::string& name) {
    return "Bound values of \"" + name +
           "\" are too large!\r(bound values must lie between -9007199254740992 and "
           "9007199254740992 in encode/decode mode of GA)";
  };
  const std::vector<TCase> cases{
      {"parameters p(1:4) [1, 4];\nexclusive = true;\nminimum = true;\nfunctions;\n"
       "(p1-3)^2 + (p2-1)^2 + (p3-4)^2 + (p4-2)^2;\n",
       {3, 1, 4, 2},
       ""},
      // Drawn one after another, a and b often leave c nothing: a member
      // starts again, and a mutation's repair keeps the rule.
      {"parameters a [1, 3], b [1, 2], c [1, 2];\nexclusive = true;\nminimum = true;\n"
       "functions;\na + 2*b + 3*c;\n",
       {3, 2, 1},
       ""},
      {"parameters a, b, c;\nexclusive = true;\nminimum = true;\nfunctions;\n"
       "(a-1)^2 + (b-2)^2 + (c-3)^2;\n",
       {},
       "Wrong defination for a, no range values defined!\r(you have to specify bound values for "
       "all parameter in encode/decode mode of GA)"},
      // Enough values in all, yet a and b can only be 1.
      {"parameters a [1, 1], b [1, 1], c [1, 5];\nexclusive = true;\nfunctions;\na+b+c;\n",
       {},
       rule},
      {"parameters a = 4 [0, 9], b = 4 [0, 9];\nexclusive = true;\nfunctions;\na+b;\n", {}, rule},
      // Ranges reaching beyond 2^53, where whole-number genes are no longer
      // exact: refused, naming the parameter. The first two looped for ever
      // counting the range's values; the third gave p1 = p2 = 2^63 - 1.
      {"parameters p(1:2) [-1e20, 5];\nexclusive = true;\nminimum = true;\nfunctions;\np1+p2;\n",
       {},
       tooLarge("p1")},
      {"parameters p(1:2) [1e16, 1e17];\nexclusive = true;\nminimum = true;\nfunctions;\n"
       "p1+p2;\n",
       {},
       tooLarge("p1")},
      {"parameters a [1, 5], p(1:2) [1, 1e20];\nexclusive = true;\nmaximum = true;\n"
       "functions;\na+p1+p2;\n",
       {},
       tooLarge("p1")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Model);
    TSearchRun run({{"RB2", "True"}, {"ComboBox1", "200"}}, 5);
    // A model that spins never returns: the test's own time limit ends it.
    const bool ran = run.Run(c.Model);
    if (c.Best.empty()) {
      EXPECT_FALSE(ran);
      EXPECT_EQ(run.Messages(), std::vector<std::string>{c.Message});
      EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roModelRefused);
      continue;
    }
    ASSERT_TRUE(ran);
    EXPECT_TRUE(run.Messages().empty());
    EXPECT_EQ(run.State.Pop.BestPosition, c.Best);
    for (const auto& member : run.State.Pop.Population)
      EXPECT_EQ(std::set<double>(member.begin(), member.end()).size(), member.size());
  }
}

TEST(RunRoad, StopBetweenTwoFunctionsEndsTheRun) {
  const char* model = R"(title Two;
variables x, y, z;
parameters a [0, 10], b [0, 10];
function y = a*x;
function z = b*x;
data;
1 2 3
2 4 6
3 6 9
4 8 12
)";
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "20"}, {"CBB2", "1000"}});
  // The Stop command arrives in the pump that follows the first function's
  // report: the second function must not start.
  run.Host.OnPump = [&](int) {
    if (run.CallCount("WriteResultSummary true") == 1 && run.Controller) run.Controller->Stop();
  };
  ASSERT_TRUE(run.Run(model));
  EXPECT_EQ(run.Controller->FunctionResults().size(), 1u);
  EXPECT_EQ(run.State.Run.StopCode, scUserStop);
  // The first function's report kept the window running; the stop ends it.
  EXPECT_EQ(run.CallCount("SearchEnded FunctionDone"), 1);
  ASSERT_FALSE(run.Host.Calls.empty());
  EXPECT_EQ(run.Host.Calls.back(), "SearchEnded Report");
}

// Each function of a multi-function fit keeps its statistics, its data and
// calculated values and its line once its search ended; they agree with one
// another and with the text of its report.
TEST(RunRoad, EachFunctionKeepsItsStatisticsAndLine) {
  const char* model = R"(title Two;
variables x, y, z;
parameters a [0, 10], b [0, 10];
function y = a*x;
function z = b*x*x;
data;
1 2.1 2.9
2 3.9 12.2
3 6.2 26.8
4 7.9 48.5
)";
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "200"}, {"CBB2", "1000"}});
  ASSERT_TRUE(run.Run(model)) << (run.Messages().empty() ? "" : run.Messages()[0]);
  const auto& results = run.Controller->FunctionResults();
  ASSERT_EQ(results.size(), 2u);
  const std::vector<std::vector<double>> observed = {{2.1, 3.9, 6.2, 7.9}, {2.9, 12.2, 26.8, 48.5}};
  for (size_t k = 0; k < 2; ++k) {
    const TFunctionResult& r = results[k];
    EXPECT_EQ(r.Output, k == 0 ? "y" : "z");
    EXPECT_EQ(r.Observed, observed[k]);
    ASSERT_EQ(r.Calculated.size(), 4u);
    // The statistics are those of the kept values.
    TEngineState S;
    S.Model.PointCount = {4};
    S.Model.TargetData = {{r.Observed}};
    S.Model.TargetMean = {{(r.Observed[0] + r.Observed[1] + r.Observed[2] + r.Observed[3]) / 4}};
    S.Pop.CalculatedMean = {
        {(r.Calculated[0] + r.Calculated[1] + r.Calculated[2] + r.Calculated[3]) / 4}};
    double sse, rmse, dc, rr;
    CalcStatistics(S, 0, 0, {{r.Calculated}}, sse, rmse, dc, rr);
    EXPECT_DOUBLE_EQ(r.Statistics.SSE, sse);
    EXPECT_DOUBLE_EQ(r.Statistics.RMSE, rmse);
    EXPECT_DOUBLE_EQ(r.Statistics.DC, dc);
    EXPECT_DOUBLE_EQ(r.Statistics.R, rr);
    EXPECT_GT(r.Statistics.DC, 0.9);
    const TLineEnds want = ObservedCalculatedLine(r.Observed, r.Calculated, 4);
    EXPECT_DOUBLE_EQ(r.Line.Y1, want.Y1);
    EXPECT_DOUBLE_EQ(r.Line.Y2, want.Y2);
    EXPECT_EQ(r.Line.X1, observed[k][0]);
    EXPECT_EQ(r.Line.X2, observed[k][3]);
    // The report's own figures.
    EXPECT_NE(std::find(r.Text.Lines.begin(), r.Text.Lines.end(),
                        "Determination Coef. (DC): " + Format("%0.10g", r.Statistics.DC)),
              r.Text.Lines.end());
  }
  // The second function's functions differ: its results are its own.
  EXPECT_NE(results[0].Statistics.SSE, results[1].Statistics.SSE);
  EXPECT_EQ(run.CallCount("SearchEnded FunctionDone"), 1);
  EXPECT_EQ(run.CallCount("SearchEnded Report"), 1);
}

// The controller refuses Run, Resume and RunMode from inside its own pump
// (a second click on Run while a search runs): the running search goes on
// undisturbed, and once it has ended the controller runs again.
TEST(RunRoad, RunAndResumeFromInsideThePumpAreRefused) {
  TSearchRun alone({{"RB2", "True"}, {"ComboBox1", "30"}}, 7);
  ASSERT_TRUE(alone.Run(kStraightLine));

  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "30"}}, 7);
  int refused = 0;
  run.Host.OnPump = [&](int pump) {
    if (pump != 10) return;
    EXPECT_TRUE(run.Controller->Busy());
    refused += !run.Controller->Run(ModelLines(kStraightLine));
    refused += !run.Controller->Resume();
    refused += !run.Controller->RunMode(false);
  };
  ASSERT_TRUE(run.Run(kStraightLine));
  EXPECT_EQ(refused, 3);
  EXPECT_FALSE(run.Controller->Busy());
  EXPECT_EQ(run.State.Run.Iteration, alone.State.Run.Iteration);
  EXPECT_EQ(run.State.Pop.BestPosition, alone.State.Pop.BestPosition);
  EXPECT_EQ(run.CallCount("SearchStarted"), 1);
  EXPECT_EQ(run.CallCount("SearchEnded Report"), 1);
  // Free again: a resume runs.
  run.Host.OnPump = nullptr;
  EXPECT_TRUE(run.Controller->Resume());
  EXPECT_EQ(run.CallCount("SearchStarted"), 2);
}

// Nothing of a run lives outside its engine state: a second engine that
// runs a whole search inside a pump of the first (its random words, its
// caches, its controller coming and going) leaves the first one's search
// exactly as it would have been alone.
TEST(RunRoad, TwoEnginesInOneThreadShareNothing) {
  const char* noisy = R"(variables x, y;
parameters a, b;
function y = a*x + b + 0.001*random;
data;
1 3.1
2 4.9
3 7.2
4 8.8
5 11.1
)";
  const std::map<std::string, std::string> settings{
      {"RB2", "True"}, {"ComboBox1", "40"}, {"CBB2", "1000"}, {"RadioGroup2", "1"}};
  TSearchRun alone(settings, 11);
  ASSERT_TRUE(alone.Run(noisy));

  TSearchRun first(settings, 11);
  int inner = 0;
  first.Host.OnPump = [&](int pump) {
    if (pump % 10 != 0) return;
    TSearchRun other({{"RB2", "True"}, {"ComboBox1", "15"}, {"RadioGroup2", "2"}}, 99 + pump);
    ASSERT_TRUE(other.Run(noisy));
    ++inner;
  };
  ASSERT_TRUE(first.Run(noisy));
  EXPECT_EQ(inner, 4);
  EXPECT_EQ(first.State.Pop.BestPosition, alone.State.Pop.BestPosition);
  EXPECT_EQ(first.State.Pop.BestFitnessDC, alone.State.Pop.BestFitnessDC);
  EXPECT_EQ(first.Line("a: "), alone.Line("a: "));
}

TEST(RunRoad, ProgramModelThatNeverAssignsItsOutputIsRefused) {
  const char* model = R"(variables x, y [output];
parameters a;
startprogram;
y = a*x;
endprogram;
data;
1 2
2 4
3 6
)";
  TSearchRun run;
  EXPECT_FALSE(run.Run(model));
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roModelRefused);
  EXPECT_EQ(run.Messages(),
            std::vector<std::string>{
                "Not find output item \"y\" in the left side of any program line code!"});
}

}  // namespace

namespace {

TEST(GeneticRules, SharesArePositiveAndFavourSmallerValues) {
  TEngineState S;
  S.Pop.PopSize = 4;
  S.Pop.RelativeFitness.assign(4, 0);
  S.Pop.ObjectiveValues = {-12.5, -3, 0, 40};  // maximising keeps negated objectives
  GeneticShares(S.Pop);
  double sum = 0;
  for (int m = 0; m < 4; ++m) {
    EXPECT_GT(S.Pop.RelativeFitness[m], 0);
    sum += S.Pop.RelativeFitness[m];
  }
  EXPECT_NEAR(sum, 1, 1e-12);
  EXPECT_GT(S.Pop.RelativeFitness[0], S.Pop.RelativeFitness[1]);
  EXPECT_GT(S.Pop.RelativeFitness[1], S.Pop.RelativeFitness[2]);
  EXPECT_GT(S.Pop.RelativeFitness[2], S.Pop.RelativeFitness[3]);
  S.Pop.ObjectiveValues = {-0.001, -0.001, 5, 6};  // 0.001 + v would be zero here
  GeneticShares(S.Pop);
  for (double share : S.Pop.RelativeFitness) EXPECT_TRUE(std::isfinite(share));
}

TEST(GeneticRules, TruncationKeepsAPool) {
  for (const char* threshold : {"0", "0.01"}) {
    for (const char* selection : {"0", "2", "3", "6"}) {
      TSearchRun run({{"RadioGroup2", "1"},
                      {"TSBox2", "True"},
                      {"TSEdit2", threshold},
                      {"STGroup2", selection},
                      {"RB2", "True"},
                      {"ComboBox1", "200"}});
      ASSERT_TRUE(run.Run(kStraightLine));
      EXPECT_EQ(run.Settings().TruncatedCount, 0);
      EXPECT_GT(run.State.Pop.BestDC, 0.9) << threshold << " " << selection;
    }
  }
}

}  // namespace
