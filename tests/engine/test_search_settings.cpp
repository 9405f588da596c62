// The search set-up: the checks of every algorithm's settings with their
// exact messages and the control that receives the focus, the settings read
// for a run, and the two log files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "SearchTestHost.h"
#include "engine/SearchSettings.h"

using namespace qv;
using namespace qv::test;

namespace {

const char* kLine = R"(title Line;
variables x, y;
parameters a, b;
function y = a*x + b;
data;
1 3
2 5
3 7
4 9
)";

const char* kMaximum = R"(parameters x [-10, 10];
maximum = true;
functions;
5 - (x-1)^2;
)";

TEST(CheckAlgorithmSettings, RefusesEmptyAndSmallEntries) {
  struct Case {
    int Algorithm;
    std::map<std::string, std::string> Set;
    const char* Control;
    const char* Message;
  };
  const Case cases[] = {
      {1, {{"PopulationBox2", ""}}, "PopulationBox2", "No value for \"Population Size\"!"},
      {1, {{"PopulationBox2", "1"}}, "PopulationBox2", "\"Population Size\"must be bigger than 2!"},
      {1, {{"PCBox2", ""}}, "PCBox2", "No value for \"Crossover Rate\"!"},
      {1, {{"PMBox2", ""}}, "PMBox2", "No value for \"Mutation Rate\"!"},
      {2, {{"SizeBox", ""}}, "SizeBox", "No value for \"Population Size\"!"},
      {2, {{"SizeBox", "0"}}, "SizeBox", "\"Population Size\"must be bigger than 0!"},
      {2, {{"C1Box", ""}}, "C1Box", "No value for \"Learning Factor C1\"!"},
      {2, {{"C2Box", ""}}, "C2Box", "No value for \"Learning Factor C2\"!"},
      {2, {{"VmaCheckBox", "True"}, {"ComboBox6", ""}}, "ComboBox6", "No value for \"Vax\"!"},
      {3, {{"DESizeBox", ""}}, "DESizeBox", "No value for \"Population Size\"!"},
      {3, {{"DESizeBox", "0"}}, "DESizeBox", "\"Population Size\"must be bigger than 0!"},
      {3, {{"PMBox3", ""}}, "PMBox3", "No value for \"Mutatuin Rate\"!"},
      {3, {{"PCBox3", ""}}, "PCBox3", "No value for \"Crossover Rate\"!"},
      {0, {{"SizeBox1", ""}}, "SizeBox1", "No value for \"Population Size\"!"},
      {0, {{"SizeBox1", "0"}}, "SizeBox1", "\"Population Size\"must be bigger than 0!"},
      {0, {{"SizeBox1", "-3"}}, "SizeBox1", "\"Population Size\"must be bigger than 0!"},
      {7, {{"SizeBox1", ""}}, "SizeBox1", "No value for \"Population Size\"!"},
  };
  for (const Case& c : cases) {
    TSearchRun run(c.Set);
    EXPECT_FALSE(CheckAlgorithmSettings(run.Host, static_cast<TAlgorithm>(c.Algorithm)))
        << c.Message;
    ASSERT_EQ(run.Messages(), std::vector<std::string>{c.Message});
    EXPECT_EQ(run.Host.Messages[0].Kind, mtInformation);
    EXPECT_EQ(run.Host.Calls.back(), std::string("FocusSetting ") + c.Control);
  }
  // The first failing test ends the check; a genetic population of 2 passes.
  TSearchRun first({{"PCBox2", ""}, {"PMBox2", ""}, {"PopulationBox2", "2"}});
  EXPECT_FALSE(CheckAlgorithmSettings(first.Host, TAlgorithm::Genetic));
  EXPECT_EQ(first.Messages(), std::vector<std::string>{"No value for \"Crossover Rate\"!"});
  TSearchRun defaults;
  for (int a = 0; a < 4; ++a)
    EXPECT_TRUE(CheckAlgorithmSettings(defaults.Host, static_cast<TAlgorithm>(a)));
  EXPECT_TRUE(defaults.Messages().empty());
}

// A population whose arrays would not fit in memory is refused before
// anything is allocated, naming the size and the box of the chosen family;
// nothing of the model was searched.
TEST(CheckAlgorithmSettings, RefusesAPopulationThatDoesNotFitInMemory) {
  const struct {
    const char* Algorithm;
    const char* Box;
  } cases[] = {{"0", "SizeBox1"}, {"1", "PopulationBox2"}, {"2", "SizeBox"}, {"3", "DESizeBox"}};
  for (const auto& c : cases) {
    TSearchRun run({{"RadioGroup2", c.Algorithm}, {c.Box, "2000000000"}});
    EXPECT_FALSE(run.Run(kLine));
    EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roSettingsRefused);
    ASSERT_EQ(run.Messages().size(), 1u) << c.Box;
    EXPECT_EQ(run.Messages()[0].rfind("\"Population Size\" 2000000000 is too large: the "
                                      "population would need ",
                                      0),
              0u)
        << run.Messages()[0];
    EXPECT_EQ(run.Host.Calls.back(), std::string("FocusSetting ") + c.Box);
    EXPECT_TRUE(run.State.Pop.Population.empty());
  }
  TSearchRun fits(
      {{"RadioGroup2", "3"}, {"DESizeBox", "1000"}, {"RB2", "True"}, {"ComboBox1", "2"}});
  EXPECT_TRUE(fits.Run(kLine));
  EXPECT_EQ(fits.State.Pop.Population.size(), 1000u);
}

TEST(PrepareSearch, SwarmNeedsLearningFactorsAboveFour) {
  TSearchRun refused({{"RadioGroup2", "2"}, {"C1Box", "2"}, {"C2Box", "2"}});
  EXPECT_FALSE(refused.Run(kLine));
  EXPECT_EQ(refused.Messages(),
            std::vector<std::string>{"For CFPSO, C1+C2 should be bigger than 4!"});
  EXPECT_EQ(refused.Controller->Outcome(), TRunOutcome::roSettingsRefused);

  TSearchRun swarm({{"RadioGroup2", "2"}, {"ComboBox3", "1"}, {"RB2", "True"}, {"ComboBox1", "3"}});
  EXPECT_TRUE(swarm.Run(kLine));
  EXPECT_NEAR(swarm.Settings().ConstrictionK, 0.729843788, 1e-9);
}

TEST(PrepareSearch, ReadsTheRunSettings) {
  TSearchRun run({{"RadioGroup2", "1"},
                  {"TSBox2", "True"},
                  {"TSEdit2", "0.5"},
                  {"PopulationBox2", "5"},
                  {"CBB2", ""},
                  {"RB2", "True"},
                  {"ComboBox1", "7"},
                  {"SSEEdit", "0.25"},
                  {"REdit", "0.5"}});
  ASSERT_TRUE(run.Run(kLine));
  const TSearchSettings& s = run.Settings();
  EXPECT_EQ(run.Host.Options.Text(TSettingName::CBB2), "100");
  EXPECT_EQ(s.UpdateRate, 100);
  EXPECT_EQ(s.TruncatedCount, 2);  // 2.5 goes to the even integer
  EXPECT_EQ(s.KeptCount, 3);
  EXPECT_EQ(s.RankSum, 15);
  EXPECT_EQ(s.StopCriterion, crMaxIterations);
  EXPECT_EQ(s.MaxIterations, 7);
  EXPECT_EQ(s.TargetRMSE, 0.25);
  EXPECT_EQ(s.TargetDC, 0.5);
  // The window went into its running state and back.
  const auto& calls = run.Host.Calls;
  auto at = [&](const std::string& c) {
    return std::find(calls.begin(), calls.end(), c) - calls.begin();
  };
  EXPECT_LT(at("SearchStarted"), at("SearchEnded Report"));
  EXPECT_EQ(run.CallCount("SearchStarted"), 1);
}

TEST(PrepareSearch, DirectedOptimisationStopsByAutoDetection) {
  for (const char* rb : {"RB3", "RB4"}) {
    TSearchRun run({{rb, "True"}, {"CBB2", "10000"}});
    ASSERT_TRUE(run.Run(kMaximum));
    EXPECT_TRUE(run.Host.Options.Checked(TSettingName::RB1));
    EXPECT_EQ(run.Settings().StopCriterion, crAutoDetect);
    EXPECT_EQ(run.State.Run.StopCode, scAutoDetect);
  }
}

std::string Read(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class LogFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = std::filesystem::path(QV_BINARY_DIR) / "search-logs" /
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(Dir);
    std::filesystem::create_directories(Dir);
  }
  std::string Path(const std::string& name) { return (Dir / name).string(); }
  std::filesystem::path Dir;
};

TEST_F(LogFiles, NamesGetCsvAndDifferentNamesAreRequired) {
  EXPECT_EQ(LogFileName("out"), "out.csv");
  EXPECT_EQ(LogFileName("out.txt"), "out.txt");
  EXPECT_TRUE(SameLogFile("A.csv", "a.CSV"));
  EXPECT_TRUE(SameLogFile(Path("x.csv"), Path("sub/../x.csv")));
  EXPECT_FALSE(SameLogFile(Path("x.csv"), Path("y.csv")));

  TSearchRun run({{"FileEdit", Path("A.csv")}, {"FileEdit1", Path("a.CSV")}});
  EXPECT_FALSE(run.Run(kLine));
  EXPECT_EQ(run.Messages(),
            std::vector<std::string>{
                "File name for \"Results Save\" and \"Parameter Save\" should be different!"});
  EXPECT_EQ(run.Host.Messages[0].Kind, mtWarning);
  EXPECT_TRUE(std::filesystem::is_empty(Dir));  // refused before any file was created
}

TEST_F(LogFiles, HeadersAndOneRecordPerSaveRate) {
  TSearchRun run({{"FileEdit", Path("results")},
                  {"FileEdit1", Path("params.txt")},
                  {"SREdit", "100"},
                  {"SREdit1", "50"},
                  {"RB2", "True"},
                  {"ComboBox1", "249"}});
  ASSERT_TRUE(run.Run(kLine));
  EXPECT_EQ(run.State.Run.Iteration, 250);
  const std::string results = Read(Path("results.csv"));
  const std::string params = Read(Path("params.txt"));
  // Records after iterations 1, 101, 201 and 1, 51, ..., 201.
  EXPECT_EQ(std::count(results.begin(), results.end(), '\n'), 1 + 3);
  EXPECT_EQ(std::count(params.begin(), params.end(), '\n'), 1 + 5);
  EXPECT_EQ(results.substr(0, results.find('\n')), "R\tDC\tSSE\tRMSE");
  EXPECT_EQ(params.substr(0, params.find('\n')), "a\tb\t");
  const std::string last = results.substr(results.rfind('\n', results.size() - 2) + 1);
  EXPECT_EQ(last, "1.0000\t1.0000\t0.000000\t0.000000\n");
  EXPECT_EQ(params.substr(params.rfind('\n', params.size() - 2) + 1), "2.0000\t1.0000\t\n");
}

TEST_F(LogFiles, OptimisationLogsTheValueShownAndResumeAppends) {
  const char* model = R"(parameters x [2.5, 2.5];
maximum = true;
functions;
5*x;
)";
  TSearchRun run({{"FileEdit", Path("opt")},
                  {"FileEdit1", Path("never")},
                  {"SREdit", "1"},
                  {"RB2", "True"},
                  {"ComboBox1", "2"}});
  ASSERT_TRUE(run.Run(model));
  EXPECT_EQ(Read(Path("opt.csv")), "Results\n12.5000\n12.5000\n12.5000\n");
  EXPECT_FALSE(std::filesystem::exists(Path("never.csv")));  // no parameters log in this mode
  ASSERT_TRUE(run.Controller->Resume());
  EXPECT_EQ(Read(Path("opt.csv")),
            "Results\n12.5000\n12.5000\n12.5000\n12.5000\n12.5000\n12.5000\n");
}

}  // namespace
