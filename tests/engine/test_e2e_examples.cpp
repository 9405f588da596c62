// Every example model runs through the engine test driver with a fixed seed
// and finds its known answer; the report carries the expected texts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "E2eDriver.h"
#include "engine/FitSettings.h"

using namespace qv;

namespace {

using namespace e2e;

TDriverRun Drive(const std::vector<std::string>& args) { return RunDriver(args, 120000); }

struct TExample {
  std::string File;
  std::vector<std::string> Extra;                      // settings beyond the seed
  std::vector<std::pair<std::string, double>> Answer;  // name and value (first occurrence)
  double Tolerance;
  std::vector<std::string> Texts;  // lines the report must hold
};

class ExampleModel : public ::testing::TestWithParam<TExample> {};

void PrintTo(const TExample& e, std::ostream* os) { *os << e.File; }

TEST_P(ExampleModel, FindsTheKnownAnswer) {
  const TExample& e = GetParam();
  std::vector<std::string> args{kExamples + e.File, "--seed", "5", "--set", "RB2=True", "--set",
                                "ComboBox1=3000"};
  args.insert(args.end(), e.Extra.begin(), e.Extra.end());
  TDriverRun run = Drive(args);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Err, "");
  for (const auto& [name, value] : e.Answer)
    EXPECT_NEAR(run.First(name), value, e.Tolerance * std::max(1.0, std::fabs(value)))
        << name << "\n"
        << run.Out;
  for (const auto& t : e.Texts) EXPECT_TRUE(run.Has(t)) << t << "\n" << run.Out;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ExampleModel,
    ::testing::Values(
        TExample{"Regression Curve Fit/Linear Fit.mff",
                 {},
                 {{"a", 2.4996044}, {"b", 1.20582418}},
                 1e-5,
                 {"Linear Fit", "Algorithms: Differential Evoluation(Scheme 1)",
                  "Stop Reason: maximum iterations reached", "Iterations: 3001",
                  "====== Output Results =====", "No\tObserved y\tCalculated y"}},
        TExample{"Regression Curve Fit/Exponential Decay.mff",
                 {"--set", "RadioGroup2=2"},
                 {{"a", 5.00279663}, {"k", 0.30109773}},
                 1e-5,
                 {"Algorithms: Parcticle Swarm Optimization"}},
        TExample{"Auto-calibration/Sensor Calibration.mff",
                 {},
                 {{"c0", 0.80325412}, {"c1", 2.09887258}, {"c2", -0.04989854}},
                 1e-5,
                 {"Sensor Calibration"}},
        TExample{
            "Optimization/Constrained Minimum.mff",
            {},
            {{"x", 2.5}, {"y", 1.5}, {"Min. Value", 0.5}},
            1e-3,
            {"====== Results ======", "Stop Reason: Maximum iterations reached",
             "Algorithms: Differential Evoluation(Scheme 1, Route 1)", "====== Finished ======"}},
        TExample{"Optimization/Maximum.mff",
                 {"--set", "RadioGroup2=0"},
                 {{"x", 1}, {"y", -2}, {"Max. Value", 7}},
                 1e-3,
                 {"Algorithms: Zedovev Avedezo Rezividorodo (Scheme 3)"}},
        TExample{"Optimization/Ordering.mff",
                 {},
                 {{"p1", 3}, {"p2", 1}, {"p3", 4}, {"p4", 2}, {"Min. Value", 0}},
                 0,
                 {"Algorithms: Genetic Algorithms"}},
        TExample{
            "Optimization/Rosenbrock.mff", {}, {{"x", 1}, {"y", 1}, {"Min. Value", 0}}, 1e-3, {}},
        TExample{"Equation Solve/Three Unknowns.mff",
                 {},
                 {{"p1", 1}, {"p2", 2}, {"p3", 3}, {"Min. Error", 0}},
                 1e-3,
                 {}}),
    [](const ::testing::TestParamInfo<TExample>& param) {
      std::string n;
      for (char c : param.param.File) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return n;
    });

// Each function of a multi-function model is fitted in turn; the driver
// prints every function's result text.
TEST(ExampleModels, TwoFunctionsFitInTurn) {
  TDriverRun run = Drive({kExamples + "Regression Curve Fit/Two Functions.mff", "--seed", "5",
                          "--set", "RB2=True", "--set", "ComboBox1=3000"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NEAR(run.First("a"), 1.5011472, 1e-5);
  EXPECT_NEAR(run.First("b"), -2.00840128, 1e-5);
  EXPECT_NEAR(run.Last("c"), 0.50013855, 1e-5);
  EXPECT_NEAR(run.Last("d"), 2.99451606, 1e-5);
  EXPECT_TRUE(run.Has("No\tObserved z\tCalculated z"));
}

// Model and settings refusals: the message with its kind on stderr and the
// exit status that tells them apart.
TEST(ExampleModels, RefusalsExitWithTheirKind) {
  const std::string model = kExamples + "Regression Curve Fit/Linear Fit.mff";
  TDriverRun settings =
      Drive({model, "--set", "RadioGroup2=2", "--set", "C1Box=2", "--set", "C2Box=2"});
  EXPECT_EQ(settings.Exit, 3);
  EXPECT_EQ(settings.Err, "information: For CFPSO, C1+C2 should be bigger than 4!\n");
  TDriverRun empty = Drive({model, "--set", "DESizeBox="});
  EXPECT_EQ(empty.Exit, 3);
  EXPECT_EQ(empty.Err, "information: No value for \"Population Size\"!\nsetting: DESizeBox\n");
  TDriverRun pop = Drive({model, "--set", "DESizeBox=4"});
  EXPECT_EQ(pop.Exit, 3);
  EXPECT_EQ(pop.Err, "information: Population size must be bigger than 5!\nsetting: DESizeBox\n");
}

// A value outside a setting's meaning is refused before anything runs, as
// the window refuses it: the message naming the box and the box's name on
// stderr, exit status 3, nothing on stdout. Values a control cannot hold
// (an item number out of its list, a check that is neither True nor False)
// and values a run cannot use alike.
TEST(ExampleModels, SettingsOutsideTheirMeaningAreRefused) {
  // Its parameters have both bounds, as the encode-decode mode needs.
  const std::string model = kExamples + "Regression Curve Fit/Exponential Decay.mff";
  const struct {
    std::vector<std::string> Sets;
    const char* Message;
    const char* Box;
  } cases[] = {
      {{"RB2=maybe"},
       "Wrong value for \"Max. Iterations\": \"maybe\" is not True or False!",
       "RB2"},
      {{"TSBox2=yes"},
       "Wrong value for \"Truncation Selection\": \"yes\" is not True or False!",
       "TSBox2"},
      {{"RadioGroup2=abc"},
       "Wrong value for \"Algorithms\": \"abc\" is not an item number from 0 to 3!",
       "RadioGroup2"},
      {{"RadioGroup2=4"},
       "Wrong value for \"Algorithms\": \"4\" is not an item number from 0 to 3!",
       "RadioGroup2"},
      {{"RadioGroup2=1", "BinCheckBox=1", "ComboBox2=abc"},
       "Wrong value for \"Decimal No\": \"abc\" is not a whole number from 0 to 10!",
       "ComboBox2"},
      {{"RadioGroup2=1", "BinCheckBox=1", "ComboBox2=-1"},
       "Wrong value for \"Decimal No\": \"-1\" is not a whole number from 0 to 10!",
       "ComboBox2"},
      {{"RadioGroup2=1", "BinCheckBox=1", "ComboBox2=4.5"},
       "Wrong value for \"Decimal No\": \"4.5\" is not a whole number from 0 to 10!",
       "ComboBox2"},
      {{"RadioGroup2=1", "BinCheckBox=1", "ComboBox2=1e3"},
       "Wrong value for \"Decimal No\": \"1e3\" is not a whole number from 0 to 10!",
       "ComboBox2"},
      {{"RB2=True", "ComboBox1=0"}, "\"Max. Iterations\" must be bigger than 0!", "ComboBox1"},
      {{"RB2=True", "ComboBox1=-3"}, "\"Max. Iterations\" must be bigger than 0!", "ComboBox1"},
      {{"RB4=True", "REdit=2"},
       "\"Determination Coef. (DC)\" must be bigger than 0 and smaller than 1!",
       "REdit"},
      {{"RB3=True", "SSEEdit=abc"},
       "Wrong value for \"RMSE\": \"abc\" is not a number!",
       "SSEEdit"},
      {{"RB3=True", "SSEEdit=0"}, "\"RMSE\" must be bigger than 0!", "SSEEdit"},
      {{"CBB2=0"}, "\"Update Rate\" must be bigger than 0!", "CBB2"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{model};
    for (const std::string& set : c.Sets) args.insert(args.end(), {"--set", set});
    TDriverRun run = Drive(args);
    EXPECT_EQ(run.Exit, 3) << c.Message;
    EXPECT_EQ(run.Err, std::string("information: ") + c.Message + "\nsetting: " + c.Box + "\n");
    EXPECT_TRUE(run.Out.empty()) << run.Out;
  }
}

// The README's examples of --set still work, with their meaning: the genetic
// algorithm, and a stop after 5000 iterations (the report counts the pass
// the limit is tested on).
TEST(ExampleModels, TheReadmesSettingsExamplesWork) {
  const std::string model = kExamples + "Regression Curve Fit/Exponential Decay.mff";
  TDriverRun genetic = Drive({model, "--seed", "1", "--set", "RadioGroup2=1"});
  ASSERT_EQ(genetic.Exit, 0) << genetic.Err;
  EXPECT_TRUE(genetic.Has("Algorithms: Genetic Algorithms"));
  TDriverRun iterations =
      Drive({model, "--seed", "1", "--set", "RB2=True", "--set", "ComboBox1=5000"});
  ASSERT_EQ(iterations.Exit, 0) << iterations.Err;
  EXPECT_TRUE(iterations.Has("Iterations: 5001"));
  EXPECT_TRUE(iterations.Has("Stop Reason: maximum iterations reached"));
}

// A bad number or name on the command line is a usage error (exit 1) with a
// message saying what was wrong, never an abort.
TEST(DriverCommandLine, BadNumbersAndNamesAreUsageErrors) {
  const std::string model = kExamples + "Regression Curve Fit/Linear Fit.mff";
  const struct {
    std::vector<std::string> Args;
    const char* Error;
  } cases[] = {
      {{model, "--seed", "abc"},
       "error: --seed takes a whole number from 0 to 4294967295, not \"abc\"\n"},
      {{model, "--seed", "99999999999999999999999"},
       "error: --seed takes a whole number from 0 to 4294967295, not "
       "\"99999999999999999999999\"\n"},
      {{model, "--seed", "4294967296"},
       "error: --seed takes a whole number from 0 to 4294967295, not \"4294967296\"\n"},
      {{model, "--seed", "-1"},
       "error: --seed takes a whole number from 0 to 4294967295, not \"-1\"\n"},
      {{"--eval", "x+1", "--var", "x=abc"}, "error: --var x needs a number, not \"abc\"\n"},
      {{model, "--testvalue", "1e"}, "error: --testvalue needs a number, not \"1e\"\n"},
      {{model, "--set", "NoSuchBox=1"},
       "error: no setting named \"NoSuchBox\"; the settings are: "},
      {{model, "--frobnicate"}, "error: unknown option --frobnicate\n"},
  };
  for (const auto& c : cases) {
    TDriverRun run = Drive(c.Args);
    EXPECT_EQ(run.Exit, 1) << c.Error;
    EXPECT_EQ(run.Err.rfind(c.Error, 0), 0u) << run.Err;
    EXPECT_TRUE(run.Out.empty()) << run.Out;
  }
  // The list of valid names holds every setting.
  const std::string unknown = Drive({model, "--set", "NoSuchBox=1"}).Err;
  for (TSettingName name : TFitSettings().Names())
    EXPECT_NE(unknown.find(" " + name.String()), std::string::npos) << name.String();
  // The seed's whole range is accepted.
  EXPECT_EQ(
      Drive({model, "--seed", "4294967295", "--set", "RB2=True", "--set", "ComboBox1=10"}).Exit, 0);
}

// --help names every setting with its meaning, allowed values and default,
// and every exit status.
TEST(DriverCommandLine, HelpListsTheSettingsAndExitCodes) {
  TDriverRun run = Drive({"--help"});
  ASSERT_EQ(run.Exit, 0);
  for (TSettingName name : TFitSettings().Names())
    EXPECT_TRUE(run.Out.find("\n  " + name.String() + "  ") != std::string::npos) << name.String();
  for (const char* line :
       {"  0  a search ran and reported", "  1  a usage error", "  2  the model was refused",
        "  3  the settings were refused", "      an item number (default 3):\n",
        "        1  Genetic Algorithm (GA)\n", "      True or False (default False)\n",
        "  SSEEdit  target RMSE\n      a value (default \"0.001\")\n"})
    EXPECT_NE(run.Out.find(line), std::string::npos) << line;
}

// A message whose lines are parted by a bare CR reaches the terminal with
// a line break, so neither half hides the other.
TEST(DriverCommandLine, PrintsCarriageReturnsAsLineBreaks) {
  TDriverRun run = Drive({std::string(QV_TEST_DATA_DIR) + "/driver/open_range.txt", "--set",
                          "RadioGroup2=1", "--set", "BinCheckBox=1"});
  EXPECT_EQ(run.Exit, 2);
  EXPECT_EQ(run.Err,
            "information: Wrong defination for a, no range values defined!\n(you have to specify "
            "bound values for all parameter in encode/decode mode of GA)\n");
}

// Observed values whose squared deviations overflow leave no statistic to
// report: the model is refused with a warning instead of RMSE INF, DC -100.
TEST(DriverCommandLine, DataTooLargeForTheStatisticsIsRefused) {
  TDriverRun run = Drive({std::string(QV_TEST_DATA_DIR) + "/driver/huge_values.txt"});
  EXPECT_EQ(run.Exit, 2);
  EXPECT_EQ(run.Err,
            "warning: The observed values of \"y\" are too large: the sum of their squared "
            "deviations exceeds the largest number, so RMSE, SSE and DC cannot be computed. Scale "
            "the data.\n");
  EXPECT_TRUE(run.Out.empty());
}

TEST(ExampleModels, EvaluatesAnExpression) {
  TDriverRun run = Drive({"--eval", "2*x+1", "--var", "x=3"});
  EXPECT_EQ(run.Exit, 0);
  EXPECT_EQ(run.Out, "7\n");
  EXPECT_EQ(Drive({"--eval", "x>1", "--var", "x=3"}).Out, "True\n");
}

}  // namespace

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace {

// SIGINT stops a running search as the Stop command does: the report is
// written once and names a user stop.
TEST(ExampleModels, InterruptIsAUserStop) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const std::string model = kExamples + "Regression Curve Fit/Exponential Decay.mff";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    execl(kDriver.c_str(), kDriver.c_str(), model.c_str(), "--seed", "1", "--set", "RB2=True",
          "--set", "ComboBox1=2000000000", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  // The search never ends by itself here; the interrupt is sent once the
  // driver handles it, however long its start takes on a busy machine.
  ASSERT_TRUE(WaitForSignalHandler(pid, SIGINT, 120000));
  kill(pid, SIGINT);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, n);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(text.find("Stop Reason: stoped by user\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Iterations: "), text.rfind("Iterations: "));  // one report
}

}  // namespace
