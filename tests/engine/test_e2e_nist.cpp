// NIST StRD nonlinear regression problems fitted by differential evolution
// with its default settings and a fixed seed. The table states which
// problems reach the certified residual sum of squares (to 1e-6 relative)
// and which are known not to within the iteration budget, so that both
// regressions and improvements show.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "NistData.h"
#include "SearchTestHost.h"

using namespace qv;
using namespace qv::test;

namespace {

struct TNistCase {
  friend void PrintTo(const TNistCase& c, std::ostream* os) { *os << c.Name; }
  const char* Name;
  // Expected to reach the certified RSS within 6000 generations from the
  // boxes built from the published starts only (NistBox). Known not to:
  // Lanczos1, Lanczos2 and Lanczos3 (sums of exponentials whose RSS of 1e-25
  // to 2e-8 needs more digits than the search keeps), MGH10 (a valley of
  // width 1e-5 in a box of 4e6), Thurber, Bennett5, Gauss2, Gauss3 (stop in
  // a local minimum) and ENSO (its certified b8 has the other sign than both
  // starts, so it lies outside the box).
  bool Reaches;
};

class NistProblem : public ::testing::TestWithParam<TNistCase> {};

TEST_P(NistProblem, ReachesTheCertifiedFit) {
  TNistProblem p;
  std::string error;
  ASSERT_TRUE(LoadNistProblem(GetParam().Name, p, &error)) << error;
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "6000"}, {"CBB2", "100000"}}, 2024);
  ASSERT_TRUE(run.Run(p.ModelText)) << (run.Messages().empty() ? "" : run.Messages()[0]);
  const double rss = run.State.Pop.BestSSE;
  const bool reached = std::fabs(rss - p.CertifiedRss) <= 1e-6 * p.CertifiedRss;
  EXPECT_EQ(reached, GetParam().Reaches)
      << p.Name << ": RSS " << rss << " certified " << p.CertifiedRss;
  if (!reached) return;
  for (size_t i = 0; i < p.Certified.size(); ++i) {
    EXPECT_NEAR(run.State.Pop.BestPosition[i], p.Certified[i], 1e-3 * std::fabs(p.Certified[i]))
        << "b" << i + 1;
  }
}

// MGH17 from boxes of ten times the larger start on both sides of zero:
// every first candidate lies far below a DC of -100, where the DC was
// clamped, so no step was ever accepted and 5 and 2000 iterations gave the
// same parameters. The report's SSE and calculated values belong to the
// reported parameters (they showed "SSE: INF" and -3.3e77 in row 2, left by
// a member drawn again after an overflow).
TEST(NistProblemFarStarts, SearchMovesAndReportsItsOwnParameters) {
  TNistProblem p;
  std::string error;
  ASSERT_TRUE(LoadNistProblem("MGH17", p, &error, true)) << error;
  const TJson j = [] {
    std::ifstream in(NistDir() + "MGH17.json");
    std::stringstream ss;
    ss << in.rdbuf();
    return TJson::Parse(ss.str());
  }();
  auto model = [](const std::vector<double>& b, double x) {
    return b[0] + b[1] * std::exp(-x * b[3]) + b[2] * std::exp(-x * b[4]);
  };
  struct Result {
    std::vector<double> Best;
    double Sse;
  };
  auto run = [&](int algorithm, int iterations, uint32_t seed) {
    TSearchRun r({{"RB2", "True"},
                  {"ComboBox1", std::to_string(iterations)},
                  {"RadioGroup2", std::to_string(algorithm)}},
                 seed);
    EXPECT_TRUE(r.Run(p.ModelText));
    const std::vector<double> b = r.State.Pop.BestPosition;
    double sse = 0;
    for (size_t k = 0; k < j["x"].Items.size(); ++k) {
      const double c = model(b, j["x"].Items[k].Number);
      sse += (j["y"].Items[k].Number - c) * (j["y"].Items[k].Number - c);
      EXPECT_NEAR(r.State.Pop.BestCalculated[0][0][k], c, 1e-9 * std::fabs(c) + 1e-12)
          << "row " << k + 1;
    }
    EXPECT_NEAR(r.State.Pop.BestSSE, sse, 1e-9 * sse);
    EXPECT_NEAR(r.Value("Sum of Square Error (SSE)"), sse, 1e-8 * sse);
    // Row 2 of the report's table: number, observed, calculated.
    const std::string row = r.Line("2\t");
    const double shown = std::strtod(row.substr(row.rfind('\t') + 1).c_str(), nullptr);
    EXPECT_NEAR(shown, model(b, j["x"].Items[1].Number), 1e-6) << row;
    return Result{b, sse};
  };
  for (int algorithm : {0, 1, 2, 3}) {
    SCOPED_TRACE(algorithm);
    const Result few = run(algorithm, 5, 11), many = run(algorithm, 2000, 11);
    EXPECT_NE(few.Best, many.Best);
    EXPECT_LT(many.Sse, few.Sse);
  }
}

INSTANTIATE_TEST_SUITE_P(
    StRD, NistProblem,
    ::testing::Values(
        TNistCase{"Misra1a", true}, TNistCase{"Misra1b", true}, TNistCase{"Misra1c", true},
        TNistCase{"Misra1d", true}, TNistCase{"DanWood", true}, TNistCase{"Chwirut1", true},
        TNistCase{"Chwirut2", true}, TNistCase{"BoxBOD", true}, TNistCase{"Rat42", true},
        TNistCase{"Rat43", true}, TNistCase{"MGH09", true}, TNistCase{"MGH10", false},
        TNistCase{"MGH17", true}, TNistCase{"Thurber", false}, TNistCase{"Roszman1", true},
        TNistCase{"Lanczos1", false}, TNistCase{"Lanczos2", false}, TNistCase{"Lanczos3", false},
        TNistCase{"Kirby2", true}, TNistCase{"Hahn1", true}, TNistCase{"Eckerle4", true},
        TNistCase{"Bennett5", false}, TNistCase{"Gauss1", true}, TNistCase{"Gauss2", false},
        TNistCase{"Gauss3", false}, TNistCase{"ENSO", false}),
    [](const ::testing::TestParamInfo<TNistCase>& param) { return std::string(param.param.Name); });

}  // namespace
