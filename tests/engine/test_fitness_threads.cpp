// The fitness by its fast ways, to the bits of the plain column evaluation.
// A large data set, its rows shared among threads: the same bits whatever
// the number of threads, the same penalties for a row that raises, and the
// same values as the plain column evaluation. A small data set, its rows
// by the machine code while they allow it: the same fitness, penalties and
// search as without machine code, at every vector width the processor can
// run.
#include <gtest/gtest.h>
#include <sched.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ExprTestSupport.h"
#include "SearchTestHost.h"
#include "engine/EvaluationThreads.h"
#include "engine/Fitness.h"
#include "engine/ParseExpr.h"
#include "engine/expr/ExprMachineCode.h"

namespace qv {
namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// y = b1*(1-exp(-b2*x)) with noise, over rows rows: more than one chunk and
// a partial last one.
std::string LargeModel(int rows) {
  std::string text =
      "variables x, y;\nparameters b1 [100, 400], b2 [1e-5, 1e-3];\n"
      "function y = b1*(1-exp(-b2*x)) + ln(x);\ndata;\n";
  for (int r = 0; r < rows; ++r) {
    const double x = 1 + 0.01 * r;
    text += std::to_string(x) + " " +
            std::to_string(240 * (1 - std::exp(-5.5e-4 * x)) + 0.01 * (r % 7)) + "\n";
  }
  return text;
}

class FitnessThreadsTest : public ::testing::Test {
 protected:
  static constexpr int kRows = kParallelRows + kEvaluationChunkRows / 2 + 3;

  void SetUp() override { ASSERT_TRUE(Search.Run(LargeModel(kRows))); }
  void TearDown() override { SetEvaluationThreads(0); }

  double Fitness(int threads, int criterion) {
    SetEvaluationThreads(threads);
    TFitnessRunScope scope(Search.State);
    Search.State.Pop.Population[0] = {241.5, 5.4e-4};
    return MemberFitnessByExpression(Search.State, criterion, 0);
  }

  test::TSearchRun Search{{{"RB2", "True"}, {"ComboBox1", "1"}}};
};

TEST_F(FitnessThreadsTest, GivesTheSameBitsWhateverTheNumberOfThreads) {
  for (int criterion : {crDC, crRMSE}) {
    const double one = Fitness(1, criterion);
    const std::vector<double> calc = Search.State.Model.Calculated[0][0];
    for (int threads : {2, 3, 8}) {
      SCOPED_TRACE(threads);
      EXPECT_TRUE(SameBits(Fitness(threads, criterion), one));
      EXPECT_EQ(Search.State.Model.Calculated[0][0], calc);
    }
    // The sum over the chunks is the sum of the squares the rows give.
    double sse = 0;
    for (int r = 0; r < kRows; ++r) {
      const double d = calc[r] - Search.State.Model.TargetData[0][0][r];
      sse += d * d;
    }
    if (criterion == crRMSE) {
      EXPECT_NEAR(one, std::sqrt(sse / kRows), 1e-9 * one);
    }
  }
  // The values are those of one evaluation per row.
  TEngineState& S = Search.State;
  S.Model.ParameterValues = {241.5, 5.4e-4};
  for (int r : {0, kEvaluationChunkRows - 1, kEvaluationChunkRows, kRows - 1}) {
    S.Model.VariableValues[0] = S.Model.InputData[0][0][r];
    S.Model.VariableValues[1] = S.Model.TargetData[0][0][r];
    EXPECT_TRUE(SameBits(S.Model.Parser->EvaluateCompiled(S.Model.CompiledFunction),
                         S.Model.Calculated[0][0][r]))
        << r;
  }
}

// Within a search loop the rows' values are summed without being written;
// Calculated still shows each candidate's values wherever it is read: when
// the best is stored and once the loop ends. The fitness is the one the
// written values give.
TEST_F(FitnessThreadsTest, ValuesSummedInALoopAreWrittenWhenRead) {
  TEngineState& S = Search.State;
  const Double1Array a = {241.5, 5.4e-4}, b = {250.25, 4.9e-4};
  auto outside = [&](const Double1Array& values, std::vector<double>& calc) {
    S.Pop.Population[0] = values;
    const double f = MemberFitnessByExpression(S, crDC, 0);
    calc = S.Model.Calculated[0][0];
    return f;
  };
  SetEvaluationThreads(4);
  std::vector<double> calcA, calcB;
  const double fitA = outside(a, calcA), fitB = outside(b, calcB);
  ASSERT_NE(calcA, calcB);
  {
    TFitnessRunScope scope(S);
    S.Pop.Population[0] = a;
    EXPECT_TRUE(SameBits(MemberFitnessByExpression(S, crDC, 0), fitA));
    StoreBestCalculated(S);
    EXPECT_EQ(S.Pop.BestCalculated[0][0], calcA);
    S.Pop.Population[0] = b;
    EXPECT_TRUE(SameBits(MemberFitnessByExpression(S, crDC, 0), fitB));
    // Writing the values changes nothing else.
    S.Model.ParameterValues = a;
  }
  EXPECT_EQ(S.Model.Calculated[0][0], calcB);
  EXPECT_EQ(S.Model.ParameterValues, a);
}

TEST_F(FitnessThreadsTest, ARowThatRaisesIsFoundInAnyChunkWithTheSamePenalty) {
  // ln(x) of a negative x raises; the rows are in two chunks beyond the first.
  std::vector<double>& x = Search.State.Model.InputData[0][0];
  const int late = kEvaluationChunkRows * 2 + 100, later = kEvaluationChunkRows * 3 + 5;
  x[late] = -1;
  x[later] = -2;
  const double one = Fitness(1, crRMSE);
  const Double1Array drawn = Search.State.Pop.Population[0];
  for (int threads : {2, 4}) {
    SCOPED_TRACE(threads);
    EXPECT_TRUE(SameBits(Fitness(threads, crRMSE), one));
    EXPECT_EQ(Search.State.Pop.Population[0].size(), drawn.size());
    EXPECT_EQ(Search.State.Model.Calculated[0][0][late], 0);  // the raising rows count as 0
    EXPECT_EQ(Search.State.Model.Calculated[0][0][later], 0);
  }
  // A trial whose row raises cannot win: the member's fitness comes back.
  SetEvaluationThreads(4);
  TFitnessRunScope scope(Search.State);
  Search.State.Pop.Fitness[0] = 0.125;
  Search.State.Pop.TrialPopulation[0] = {241.5, 5.4e-4};
  EXPECT_EQ(FitnessByExpression(Search.State, crDC, 0), 0.125);
}

// Small data sets whose rows raise for some candidates: exp(b2*x)
// overflows at the largest x, ln and a real power of x - b2 raise where
// x < b2. Good is a candidate of no raising row, Faulting one of some.
struct TSmallModel {
  const char* Name;
  std::string Text;
  Double1Array Good, Faulting;
};

std::vector<TSmallModel> SmallModels() {
  auto text = [](const char* head, int rows, const std::function<double(int)>& x,
                 const std::function<double(double, int)>& y) {
    std::string t = std::string("variables x, y;\n") + head + "data;\n";
    char line[64];
    for (int r = 0; r < rows; ++r) {
      std::snprintf(line, sizeof line, "%.10g %.10g\n", x(r), y(x(r), r));
      t += line;
    }
    return t;
  };
  auto noise = [](int r) { return 0.01 * ((r * 7) % 5 - 2); };
  return {
      {"overflow at the last rows",
       text(
           "parameters b1 [0, 5], b2 [0, 4];\nfunction y = b1*exp(b2*x);\n", 12,
           [](int r) { return 25.0 * (r + 1); },
           [&](double x, int r) { return 2 * std::exp(0.01 * x) + noise(r); }),
       {2, 0.01},
       {2, 3}},  // exp(750) at row 9 on
      {"logarithm of a negative at the first rows",
       text(
           "parameters b1 [0, 3], b2 [0, 2], b3 [-5, 5];\nfunction y = b1*ln(x - b2) + b3;\n", 30,
           [](int r) { return 0.5 + 0.25 * r; },
           [&](double x, int r) { return 1.5 * std::log(x - 0.2) + 1 + noise(r); }),
       {1.5, 0.2, 1},
       {1.5, 1.1, 1}},  // rows 0 to 2
      {"power of a negative base in the middle",
       text(
           "parameters b1 [0, 3], b2 [-1, 2], b3 [0.5, 2.5];\nfunction y = b1*(x - b2)^b3;\n", 40,
           [](int r) { return 1 + 0.1 * r - (r == 20 ? 2.5 : 0); },
           [&](double x, int r) { return std::fabs(x + 0.5) * 1.5 + noise(r); }),
       {1, -0.6, 1.25},
       {1, 0.75, 1.25}},  // row 20 only
  };
}

// At every vector width this processor can run (the routines and the
// machine code narrowed to it).
class FitnessSmallDataSetTest : public exprtest::WidthFixture {
 protected:
  void TearDown() override {
    expr::SetMachineCodeEnabled(true);
    WidthFixture::TearDown();
  }
};

// One candidate after another within one search loop, as the search gives
// them: candidates of no raising row take the short way (after the first of
// the loop, which makes the machine code), a candidate with a raising row
// falls back to the column evaluation, is penalised and its member drawn
// again, a trial with one keeps its member's fitness. Every fitness, every
// calculated value and every member drawn again is the same without
// machine code.
TEST_P(FitnessSmallDataSetTest, CandidatesGiveTheBitsTheyGiveWithoutMachineCode) {
  struct TRecord {
    std::vector<double> Fitness;
    Double2Array Members;
    Double2Array Calculated;
  };
  for (const TSmallModel& model : SmallModels()) {
    for (int criterion : {crDC, crRMSE}) {
      SCOPED_TRACE(std::string(model.Name) + (criterion == crDC ? ", DC" : ", RMSE"));
      auto record = [&](bool machineCode) {
        expr::SetMachineCodeEnabled(machineCode);
        test::TSearchRun run({{"RB2", "True"}, {"ComboBox1", "1"}}, 3);
        EXPECT_TRUE(run.Run(model.Text));
        TEngineState& S = run.State;
        TRecord r;
        TFitnessRunScope scope(S);
        // g: good (a little other for each call), f: faulting, t: a
        // faulting trial.
        int call = 0;
        for (char kind : std::string("gggfggfgtgfg")) {
          ++call;
          Double1Array values = kind == 'g' ? model.Good : model.Faulting;
          if (kind == 'g')
            for (double& v : values) v *= 1 + 0.001 * call;
          if (kind == 't') {
            S.Pop.Fitness[0] = 0.125;
            S.Pop.TrialPopulation[0] = values;
            r.Fitness.push_back(FitnessByExpression(S, criterion, 0));
            EXPECT_EQ(r.Fitness.back(), 0.125);
          } else {
            S.Pop.Population[0] = values;
            r.Fitness.push_back(MemberFitnessByExpression(S, criterion, 0));
            // A raising row draws the member again.
            EXPECT_EQ(S.Pop.Population[0] == values, kind == 'g') << "call " << call;
          }
          r.Members.push_back(S.Pop.Population[0]);
          // A trial whose row raises leaves the values from that row on
          // as they fell: nothing reads them.
          if (kind != 't') r.Calculated.push_back(S.Model.Calculated[0][0]);
        }
        return r;
      };
      const TRecord on = record(true), off = record(false);
      ASSERT_EQ(on.Fitness.size(), off.Fitness.size());
      for (size_t k = 0; k < on.Fitness.size(); ++k) {
        SCOPED_TRACE("call " + std::to_string(k + 1));
        EXPECT_TRUE(SameBits(on.Fitness[k], off.Fitness[k]))
            << on.Fitness[k] << " with machine code, " << off.Fitness[k] << " without";
        EXPECT_EQ(on.Members[k], off.Members[k]);
      }
      ASSERT_EQ(on.Calculated.size(), off.Calculated.size());
      for (size_t k = 0; k < on.Calculated.size(); ++k) {
        for (size_t r = 0; r < on.Calculated[k].size(); ++r)
          EXPECT_TRUE(SameBits(on.Calculated[k][r], off.Calculated[k][r]))
              << "row " << r << ": " << on.Calculated[k][r] << " with machine code, "
              << off.Calculated[k][r] << " without";
      }
    }
  }
}

// The whole search of a small data set whose rows raise for some of its
// candidates goes the same way with and without machine code: the same
// members, the same best, to the last bit.
TEST_P(FitnessSmallDataSetTest, SearchFindsTheSameBestWithAndWithoutMachineCode) {
  const bool can = CanMakeMachineCode();
  struct TCriterion {
    const char* Name;
    std::map<std::string, std::string> Settings;
  };
  const TCriterion criteria[] = {
      {"DC", {{"RB2", "True"}, {"ComboBox1", "60"}}},
      {"RMSE", {{"RB3", "True"}, {"SSEEdit", "1e-300"}, {"ComboBox1", "60"}}},
  };
  for (const TSmallModel& model : SmallModels()) {
    for (const TCriterion& criterion : criteria) {
      SCOPED_TRACE(std::string(model.Name) + ", " + criterion.Name);
      auto search = [&](bool machineCode) {
        expr::SetMachineCodeEnabled(machineCode);
        auto run = std::make_unique<test::TSearchRun>(criterion.Settings, 5);
        run->Host.StopAfterPumps = 60;  // also for RMSE, whose target is out of reach
        const uint64_t before = expr::MachineCodeMade();
        EXPECT_TRUE(run->Run(model.Text));
        EXPECT_TRUE(run->Messages().empty());
        if (machineCode && can) {
          EXPECT_GT(expr::MachineCodeMade(), before);
        }
        return run;
      };
      const auto on = search(true);
      const auto off = search(false);
      const TPopulation &a = on->State.Pop, &b = off->State.Pop;
      EXPECT_EQ(on->State.Run.Iteration, off->State.Run.Iteration);
      EXPECT_TRUE(SameBits(a.BestSSE, b.BestSSE)) << a.BestSSE << " against " << b.BestSSE;
      EXPECT_TRUE(SameBits(a.BestDC, b.BestDC)) << a.BestDC << " against " << b.BestDC;
      EXPECT_EQ(a.BestPosition, b.BestPosition);
      EXPECT_EQ(a.Population, b.Population);
      EXPECT_EQ(a.Fitness, b.Fitness);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, FitnessSmallDataSetTest,
                         ::testing::ValuesIn(expr::ElementaryWidths()), exprtest::WidthName);

// The evaluation threads follow the processors the process may use: its
// affinity mask (it took every processor of the machine under taskset -c 0)
// and a cgroup v2 CPU quota.
TEST(EvaluationThreads, CgroupQuotaInWholeProcessors) {
  struct Case {
    const char* Text;
    int Processors;
  };
  for (const Case& c :
       {Case{"max 100000\n", 0}, Case{"200000 100000\n", 2}, Case{"150000 100000", 2},
        Case{"100000 100000", 1}, Case{"1000 100000", 1}, Case{"", 0}, Case{"abc 100000", 0},
        Case{"-5 100000", 0}, Case{"100000 0", 0}, Case{"100000", 0}})
    EXPECT_EQ(CpuMaxProcessors(c.Text), c.Processors) << c.Text;

  // The smallest quota of the group and the groups above it; cgroup v1
  // lines alone set none.
  const std::string root = std::string(QV_TEST_DATA_DIR) + "/cgroup";
  struct Group {
    const char* Proc;
    int Limit;
  };
  for (const Group& g : {Group{"0::/slice/job/step\n", 2}, Group{"0::/slice/job\n", 2},
                         Group{"0::/slice\n", 2}, Group{"0::/\n", 0}, Group{"0::/elsewhere\n", 0},
                         Group{"4:memory:/slice\n1:cpu:/slice\n", 0}, Group{"", 0}})
    EXPECT_EQ(CgroupProcessorLimit(root, g.Proc), g.Limit) << g.Proc;
}

TEST(EvaluationThreads, FollowTheAffinityMask) {
  cpu_set_t saved;
  ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
  std::vector<int> cpus;
  for (int c = 0; c < CPU_SETSIZE; ++c)
    if (CPU_ISSET(c, &saved)) cpus.push_back(c);
  ASSERT_FALSE(cpus.empty());
  auto restrictTo = [&](size_t count) {
    cpu_set_t set;
    CPU_ZERO(&set);
    for (size_t i = 0; i < count; ++i) CPU_SET(cpus[i], &set);
    return sched_setaffinity(0, sizeof set, &set) == 0;
  };

  // One processor: the single-thread path, every task on the calling thread.
  ASSERT_TRUE(restrictTo(1));
  SetEvaluationThreads(0);
  EXPECT_EQ(UsableProcessors(), 1);
  EXPECT_EQ(EvaluationThreads(), 1);
  std::vector<std::thread::id> ran(8);
  ParallelTasks(8, [&](int t) { ran[t] = std::this_thread::get_id(); });
  for (const auto& id : ran) EXPECT_EQ(id, std::this_thread::get_id());

  if (cpus.size() >= 2) {
    ASSERT_TRUE(restrictTo(2));
    SetEvaluationThreads(0);
    EXPECT_LE(EvaluationThreads(), 2);
    EXPECT_EQ(EvaluationThreads(), UsableProcessors());
  }
  ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
  SetEvaluationThreads(0);
  EXPECT_LE(EvaluationThreads(), static_cast<int>(cpus.size()));
}

}  // namespace
}  // namespace qv
