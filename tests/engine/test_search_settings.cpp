// The search set-up: the checks of every algorithm's settings with their
// exact messages and the control that receives the focus, the settings read
// for a run, and the two log files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
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

// A line whose parameters have both bounds, as the encode-decode mode needs.
const char* kBounded = R"(variables x, y;
parameters a [0, 5], b [0, 5];
function y = a*x + b;
data;
1 3
2 5
3 7
4 9
)";

// An equation without a direction: its error (|x^2 - 4|) can reach 0.
const char* kEquation = R"(parameters x [0, 4];
functions;
x^2 - 4;
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
      // Blanks alone are no value; a text that is no whole number is named.
      {0, {{"SizeBox1", "  "}}, "SizeBox1", "No value for \"Population Size\"!"},
      {0,
       {{"SizeBox1", "0x10"}},
       "SizeBox1",
       "Wrong value for \"Population Size\": \"0x10\" is not a whole number!"},
      {3,
       {{"DESizeBox", "2.5"}},
       "DESizeBox",
       "Wrong value for \"Population Size\": \"2.5\" is not a whole number!"},
      // Its schemes draw four members besides the one they change.
      {3, {{"DESizeBox", "4"}}, "DESizeBox", "Population size must be bigger than 5!"},
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

// Every value a run reads is refused before the run starts when it is
// outside its meaning: the message names the box, the box gets the focus,
// nothing is searched and no setting is written back. (Each of these ran
// before, most of them for ever or not at all; the pump limit ends such a
// run.)
TEST(ReadSearchSettings, RefusesValuesOutsideTheirMeaning) {
  const std::string kNoNumber = " is not a number!";
  const std::string kNoWhole = " is not a whole number!";
  const std::string kDc = "\"Determination Coef. (DC)\" must be bigger than 0 and smaller than 1!";
  const std::string kDigits = " is not a whole number from 0 to 10!";
  const std::string log = std::string(QV_BINARY_DIR) + "/search-logs/refused.csv";
  const struct {
    const char* Model;
    std::map<std::string, std::string> Set;
    const char* Box;
    std::string Message;
  } cases[] = {
      // Iterations below 1, or no whole number.
      {kLine,
       {{"RB2", "True"}, {"ComboBox1", "0"}},
       "ComboBox1",
       "\"Max. Iterations\" must be bigger than 0!"},
      {kLine,
       {{"RB2", "True"}, {"ComboBox1", "-3"}},
       "ComboBox1",
       "\"Max. Iterations\" must be bigger than 0!"},
      {kLine,
       {{"RB2", "True"}, {"ComboBox1", "4.5"}},
       "ComboBox1",
       "Wrong value for \"Max. Iterations\": \"4.5\"" + kNoWhole},
      {kLine,
       {{"RB2", "True"}, {"ComboBox1", "1e3"}},
       "ComboBox1",
       "Wrong value for \"Max. Iterations\": \"1e3\"" + kNoWhole},
      {kLine,
       {{"RB2", "True"}, {"ComboBox1", "99999999999"}},
       "ComboBox1",
       "Wrong value for \"Max. Iterations\": \"99999999999\"" + kNoWhole},
      {kLine,
       {{"RB2", "True"}, {"ComboBox1", ""}},
       "ComboBox1",
       "No value for \"Max. Iterations\"!"},
      // A determination coefficient outside (0, 1): 1 is never exceeded.
      {kLine, {{"RB4", "True"}, {"REdit", "2"}}, "REdit", kDc},
      {kLine, {{"RB4", "True"}, {"REdit", "1"}}, "REdit", kDc},
      {kLine, {{"RB4", "True"}, {"REdit", "0"}}, "REdit", kDc},
      {kLine, {{"RB4", "True"}, {"REdit", "-0.5"}}, "REdit", kDc},
      {kLine,
       {{"RB4", "True"}, {"REdit", "0,9"}},
       "REdit",
       "Wrong value for \"Determination Coef. (DC)\": \"0,9\"" + kNoNumber},
      // An RMSE not above 0 (an equation's error: below 0), or no number.
      {kLine, {{"RB3", "True"}, {"SSEEdit", "0"}}, "SSEEdit", "\"RMSE\" must be bigger than 0!"},
      {kLine, {{"RB3", "True"}, {"SSEEdit", "-1"}}, "SSEEdit", "\"RMSE\" must be bigger than 0!"},
      {kEquation, {{"RB3", "True"}, {"SSEEdit", "-1"}}, "SSEEdit", "\"RMSE\" must not be below 0!"},
      {kEquation,
       {{"RB4", "True"}, {"SSEEdit", "-0.5"}},
       "SSEEdit",
       "\"RMSE\" must not be below 0!"},
      {kLine,
       {{"RB3", "True"}, {"SSEEdit", "abc"}},
       "SSEEdit",
       "Wrong value for \"RMSE\": \"abc\"" + kNoNumber},
      {kLine,
       {{"RB3", "True"}, {"SSEEdit", "inf"}},
       "SSEEdit",
       "Wrong value for \"RMSE\": \"inf\"" + kNoNumber},
      {kLine,
       {{"RB3", "True"}, {"SSEEdit", "nan"}},
       "SSEEdit",
       "Wrong value for \"RMSE\": \"nan\"" + kNoNumber},
      {kLine,
       {{"RB3", "True"}, {"SSEEdit", "1e999"}},
       "SSEEdit",
       "Wrong value for \"RMSE\": \"1e999\"" + kNoNumber},
      // Update and save rates below 1.
      {kLine, {{"CBB2", "0"}}, "CBB2", "\"Update Rate\" must be bigger than 0!"},
      {kLine, {{"CBB2", "ten"}}, "CBB2", "Wrong value for \"Update Rate\": \"ten\"" + kNoWhole},
      {kLine,
       {{"FileEdit", log}, {"SREdit", "0"}},
       "SREdit",
       "\"Results Save Rate\" must be bigger than 0!"},
      {kLine,
       {{"FileEdit1", log}, {"SREdit1", "-2"}},
       "SREdit1",
       "\"Parameters Save Rate\" must be bigger than 0!"},
      // Decimal digits: a whole number of the box's list, 0 to 10.
      {kBounded,
       {{"RadioGroup2", "1"}, {"BinCheckBox", "1"}, {"ComboBox2", "abc"}},
       "ComboBox2",
       "Wrong value for \"Decimal No\": \"abc\"" + kDigits},
      {kBounded,
       {{"RadioGroup2", "1"}, {"BinCheckBox", "1"}, {"ComboBox2", "-1"}},
       "ComboBox2",
       "Wrong value for \"Decimal No\": \"-1\"" + kDigits},
      {kBounded,
       {{"RadioGroup2", "1"}, {"BinCheckBox", "1"}, {"ComboBox2", "4.5"}},
       "ComboBox2",
       "Wrong value for \"Decimal No\": \"4.5\"" + kDigits},
      {kBounded,
       {{"RadioGroup2", "1"}, {"BinCheckBox", "1"}, {"ComboBox2", "1e3"}},
       "ComboBox2",
       "Wrong value for \"Decimal No\": \"1e3\"" + kDigits},
      {kBounded,
       {{"RadioGroup2", "1"}, {"BinCheckBox", "1"}, {"ComboBox2", "11"}},
       "ComboBox2",
       "Wrong value for \"Decimal No\": \"11\"" + kDigits},
      // The chosen family's numbers.
      {kLine,
       {{"RadioGroup2", "1"}, {"PCBox2", "abc"}},
       "PCBox2",
       "Wrong value for \"Crossover Rate\": \"abc\"" + kNoNumber},
      {kLine,
       {{"RadioGroup2", "1"}, {"TSEdit2", "0.2.1"}},
       "TSEdit2",
       "Wrong value for \"Truncation Threshold\": \"0.2.1\"" + kNoNumber},
      {kLine,
       {{"RadioGroup2", "2"}, {"C1Box", "2,05"}},
       "C1Box",
       "Wrong value for \"Learning Factor C1\": \"2,05\"" + kNoNumber},
      {kLine,
       {{"RadioGroup2", "2"}, {"InterBox", "w"}},
       "InterBox",
       "Wrong value for \"Inertia Weight W\": \"w\"" + kNoNumber},
      {kLine,
       {{"RadioGroup2", "2"}, {"VmaCheckBox", "True"}, {"ComboBox6", "$2"}},
       "ComboBox6",
       "Wrong value for \"Vmax\": \"$2\"" + kNoNumber},
      {kLine,
       {{"RadioGroup2", "2"}, {"NSizeBox", "2.5"}},
       "NSizeBox",
       "Wrong value for \"Neighbourhood Size\": \"2.5\"" + kNoWhole},
      {kLine,
       {{"PMBox3", "0x1"}},
       "PMBox3",
       "Wrong value for \"Mutation Rate F\": \"0x1\"" + kNoNumber},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message);
    TSearchRun run(c.Set);
    run.Host.StopAfterPumps = 20;
    EXPECT_FALSE(run.Run(c.Model));
    EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roSettingsRefused);
    ASSERT_EQ(run.Messages(), std::vector<std::string>{c.Message});
    EXPECT_EQ(run.Host.Messages[0].Kind, mtInformation);
    EXPECT_EQ(run.Host.Calls, std::vector<std::string>{std::string("FocusSetting ") + c.Box});
    EXPECT_FALSE(run.State.Run.SearchRunning);
    EXPECT_EQ(run.Host.Pumps, 0);
  }
  EXPECT_FALSE(std::filesystem::exists(log));
}

// A refused run writes nothing back: neither the update rate that an empty
// box stands for, nor the clamped neighbourhood, nor RB1.
TEST(ReadSearchSettings, ARefusedRunWritesNoSettingBack) {
  TSearchRun run(
      {{"RadioGroup2", "2"}, {"NSizeBox", "99"}, {"CBB2", ""}, {"RB3", "True"}, {"SSEEdit", "0"}});
  run.Host.StopAfterPumps = 20;  // a run that was not refused ends
  EXPECT_FALSE(run.Run(kLine));
  EXPECT_EQ(run.Host.Options.Text(TSettingName::CBB2), "");
  EXPECT_EQ(run.Host.Options.Text(TSettingName::NSizeBox), "99");
  EXPECT_EQ(run.Host.Calls, std::vector<std::string>{"FocusSetting SSEEdit"});
  TSearchRun directed({{"RB3", "True"}, {"CBB2", "0"}});
  directed.Host.StopAfterPumps = 20;
  EXPECT_FALSE(directed.Run(kMaximum));
  EXPECT_FALSE(directed.Host.Options.Checked(TSettingName::RB1));
}

// The edges of each meaning are taken, and a box that the chosen criterion
// or formula does not use is neither read nor refused.
TEST(ReadSearchSettings, TakesEveryValueInsideItsMeaning) {
  const struct {
    const char* Model;
    std::map<std::string, std::string> Set;
    std::function<bool(const TSearchSettings&)> Holds;
  } cases[] = {
      {kLine,
       {{"RB2", "True"}, {"ComboBox1", "1"}},
       [](const TSearchSettings& s) { return s.MaxIterations == 1; }},
      {kLine,
       {{"RB2", "True"}, {"ComboBox1", " +12 "}},
       [](const TSearchSettings& s) { return s.MaxIterations == 12; }},
      {kLine,
       {{"RB4", "True"}, {"REdit", "0.5"}, {"ComboBox1", "abc"}, {"SSEEdit", "abc"}},
       [](const TSearchSettings& s) { return s.TargetDC == 0.5; }},
      {kLine,
       {{"RB4", "True"}, {"REdit", "1e-3"}},
       [](const TSearchSettings& s) { return s.TargetDC == 0.001; }},
      {kLine,
       {{"RB3", "True"}, {"SSEEdit", "1E+2"}, {"REdit", "2"}},
       [](const TSearchSettings& s) { return s.TargetRMSE == 100; }},
      // An equation's error reaches 0.
      {kEquation,
       {{"RB3", "True"}, {"SSEEdit", "0"}},
       [](const TSearchSettings& s) { return s.TargetRMSE == 0; }},
      {kBounded,
       {{"RadioGroup2", "1"},
        {"BinCheckBox", "1"},
        {"ComboBox2", "10"},
        {"RB2", "True"},
        {"ComboBox1", "3"}},
       [](const TSearchSettings& s) { return s.EncodeDecode && s.GeneDecimals == 10; }},
      // Formula 5 has no inertia weight; without Vmax its box is not read.
      {kLine,
       {{"RadioGroup2", "2"},
        {"ComboBox3", "4"},
        {"InterBox", "w"},
        {"ComboBox6", "v"},
        {"RB2", "True"},
        {"ComboBox1", "3"}},
       [](const TSearchSettings& s) { return s.VelocityFormula == 4 && !s.UseVmax; }},
      {kLine,
       {{"CBB2", " "}, {"RB2", "True"}, {"ComboBox1", "3"}},
       [](const TSearchSettings& s) { return s.UpdateRate == 100; }},
  };
  for (const auto& c : cases) {
    TSearchRun run(c.Set);
    run.Host.StopAfterPumps = 1000;
    EXPECT_TRUE(run.Run(c.Model)) << (run.Messages().empty() ? "" : run.Messages()[0]);
    EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roSearched);
    EXPECT_TRUE(c.Holds(run.Settings()));
  }
}

// The settings boxes have one number form whatever the user's locale: "."
// before the fraction, also where the locale writes ",".
TEST(ReadSearchSettings, NumbersHaveOneFormInEveryLocale) {
  struct TCommaLocale {
    TCommaLocale() {
      FormatSettings().DecimalSeparator = ',';
      FormatSettings().ThousandSeparator = '.';
    }
    ~TCommaLocale() { FormatSettings() = TFormatSettings::Invariant(); }
  };
  TSearchRun run({{"RadioGroup2", "1"},
                  {"PCBox2", "0.6"},
                  {"PMBox2", "0.05"},
                  {"TSEdit2", "0.3"},
                  {"RB4", "True"},
                  {"REdit", "0.75"}});
  TSearchRun comma({{"RB4", "True"}, {"REdit", "0,75"}});
  const TCommaLocale locale;
  ASSERT_TRUE(run.Run(kLine)) << run.Messages()[0];
  EXPECT_EQ(run.Settings().CrossoverRate, 0.6);
  EXPECT_EQ(run.Settings().MutationRate, 0.05);
  EXPECT_EQ(run.Settings().TruncationThreshold, 0.3);
  EXPECT_EQ(run.Settings().TargetDC, 0.75);
  EXPECT_FALSE(comma.Run(kLine));
  EXPECT_EQ(comma.Messages(), std::vector<std::string>{
                                  "Wrong value for \"Determination Coef. (DC)\": \"0,75\" is not "
                                  "a number!"});
}

// Resume goes on with the population it has, whose genes (or their absence)
// belong to the coding it was drawn with: a coding changed since, or another
// family chosen, waits for the next run. (A real-valued population resumed
// in encode-decode mode read genes that were never drawn.)
TEST(ReadSearchSettings, AResumedRunKeepsItsPopulationsFamilyAndCoding) {
  const struct {
    std::map<std::string, std::string> First, Then;
  } cases[] = {
      {{{"RadioGroup2", "1"}, {"BinCheckBox", "0"}}, {{"BinCheckBox", "1"}}},
      {{{"RadioGroup2", "1"}, {"BinCheckBox", "1"}}, {{"BinCheckBox", "0"}}},
      {{{"RadioGroup2", "1"}, {"BinCheckBox", "1"}}, {{"RadioGroup2", "3"}}},
      {{{"RadioGroup2", "3"}}, {{"RadioGroup2", "1"}, {"BinCheckBox", "1"}}},
  };
  for (const auto& c : cases) {
    TSearchRun run(c.First);
    run.Apply({{"RB2", "True"}, {"ComboBox1", "1000000"}});
    run.Host.StopAfterPumps = 3;
    ASSERT_TRUE(run.Run(kBounded));
    const bool genes = run.State.Model.EncodeDecode;
    const TAlgorithm family = run.State.Run.Algorithm;
    const std::string algorithm = run.Line("Algorithms: ");
    run.Apply(c.Then);
    run.Host.StopAfterPumps = run.Host.Pumps + 3;
    ASSERT_TRUE(run.Controller->Resume());
    EXPECT_EQ(run.State.Model.EncodeDecode, genes);
    EXPECT_EQ(run.State.Run.Algorithm, family);
    EXPECT_EQ(run.Settings().Algorithm, family);
    EXPECT_EQ(run.Line("Algorithms: "), algorithm);
    EXPECT_EQ(run.State.Run.StopCode, scUserStop);
  }
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
  // The boxes of the other criteria are neither read nor checked.
  EXPECT_EQ(s.TargetRMSE, TSearchSettings().TargetRMSE);
  EXPECT_EQ(s.TargetDC, TSearchSettings().TargetDC);
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
