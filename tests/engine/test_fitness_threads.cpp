// The fitness of a large data set, its rows shared among threads: the same
// bits whatever the number of threads, the same penalties for a row that
// raises, and the same values as the plain column evaluation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "SearchTestHost.h"
#include "engine/EvaluationThreads.h"
#include "engine/Fitness.h"
#include "engine/ParseExpr.h"

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

}  // namespace
}  // namespace qv
