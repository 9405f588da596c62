// The report texts and the search set-up: the algorithm names of
// every family and variant, the stop reasons of every mode, the progress and
// final texts of the optimisation mode, the result summary's number formats
// and parameter lines (also with per-data-set parameters), the settings read
// by the set-up (stop criterion, log names) and the run road (Stop only sets
// flags, the report without text, the reason after a failed search).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "SearchTestHost.h"
#include "engine/SearchReport.h"
#include "engine/SearchSettings.h"
#include "platform/core/SysUtils.h"

using namespace qv;
using namespace qv::test;

namespace {

// A host whose result text is the summary it is given (as the window shows
// it), for reports called directly on a hand-made state.
class TSummaryHost : public TRecordingFitHost {
 public:
  explicit TSummaryHost(const TEngineState&) {}
  void WriteResultSummary(const std::vector<std::string>& Lines, bool Final) override {
    TRecordingFitHost::WriteResultSummary(Lines, Final);
    Result = Lines;
  }
};

// An optimisation-mode state with two parameters, x (real) and n (integer).
void MakeOptimisationState(TEngineState& S, TSearchSettings& Set) {
  FormatSettings() = TFormatSettings::Invariant();
  S.Model.ModelMode = TModelMode::Equation;
  S.Model.ModelTitle = "Opt";
  S.Model.ParameterNames = {"x", "n"};
  S.Model.ParameterCount = 2;
  S.Model.DimCount = 2;
  S.Model.IsInteger = {false, true};
  S.Pop.BestPosition = {1.5, 3};
  S.Pop.BestObjective = -12.5;  // a maximum of 12.5, kept negated
  S.Model.Objective = TObjective::Maximum;
  S.Run.Iteration = 2500;
  S.Run.Algorithm = TAlgorithm::ParticleSwarm;
  Set.VelocityFormula = 4;
  Set.StopCriterion = crAutoDetect;
  S.Run.StopCode = scAutoDetect;
  S.Run.StartTime = TRunClock::now();
  S.Run.StopTime =
      S.Run.StartTime + std::chrono::hours(1) + std::chrono::minutes(2) + std::chrono::seconds(3);
}

TEST(SearchReport, AlgorithmNamesOfEveryFamilyAndVariant) {
  struct Case {
    int Algorithm, Scheme, Route, Formula;
    const char* Expression;  // fitting by expressions
    const char* Other;       // optimisation and program reports
  };
  const Case cases[] = {
      {0, 0, 0, 0, "Zedovev Avedezo Rezividorodo (Scheme 1)",
       "Zedovev Avedezo Rezividorodo (Scheme 1)"},
      {0, 3, 0, 0, "Zedovev Avedezo Rezividorodo (Scheme 4)",
       "Zedovev Avedezo Rezividorodo (Scheme 4)"},
      {1, 0, 0, 0, "Genetic Algorithms", "Genetic Algorithms"},
      {2, 0, 0, 0, "Parcticle Swarm Optimization", "Parcticle Swarm Optimization PSO"},
      {2, 0, 0, 1, "Parcticle Swarm Optimization", "Parcticle Swarm Optimization PSO 1"},
      {2, 0, 0, 2, "Parcticle Swarm Optimization", "Parcticle Swarm Optimization PSO 2"},
      {2, 0, 0, 3, "Parcticle Swarm Optimization", "Parcticle Swarm Optimization PSO 3"},
      {2, 0, 0, 4, "Parcticle Swarm Optimization", "Parcticle Swarm Optimization CFPSO"},
      {2, 0, 0, 5, "Parcticle Swarm Optimization", "Parcticle Swarm Optimization CFPSO 1"},
      {3, 2, 0, 0, "Differential Evoluation(Scheme 3)",
       "Differential Evoluation(Scheme 3, Route 1)"},
      {3, 9, 3, 0, "Differential Evoluation(Scheme 10)",
       "Differential Evoluation(Scheme 10, Route 4)"},
  };
  for (const Case& c : cases) {
    TEngineState S;
    TSearchSettings Set;
    S.Run.Algorithm = static_cast<TAlgorithm>(c.Algorithm);
    Set.ZudScheme = Set.DeScheme = c.Scheme;
    Set.DeRoute = c.Route;
    Set.VelocityFormula = c.Formula;
    EXPECT_EQ(AlgorithmName(S, Set, true), c.Expression);
    EXPECT_EQ(AlgorithmName(S, Set, false), c.Other);
  }
}

TEST(SearchReport, OptimisationFinalAndProgressTexts) {
  TEngineState S;
  TSearchSettings Set;
  MakeOptimisationState(S, Set);
  TSummaryHost host(S);

  // Auto-detect: the report leaves out the 2000 unchanged iterations.
  ReportSearchResults(S, host, Set, true);
  const std::vector<std::string> expect{"Opt",
                                        "",
                                        "====== Results ======",
                                        "",
                                        "Iterations: 500",
                                        "",  // elapsed time, checked below
                                        "Stop Reason: Auto-detected",
                                        "Algorithms: Parcticle Swarm Optimization CFPSO",
                                        "x: 1.5",
                                        "n: 3",
                                        "Max. Value: 12.5",
                                        "",
                                        "====== Finished ======"};
  std::vector<std::string> got = host.Result;
  ASSERT_EQ(got.size(), expect.size());
  EXPECT_EQ(got[5].rfind("Elapsed Time (Hr:Min:Sec:Msec): 01:02:03:", 0), 0u) << got[5];
  got[5] = "";
  EXPECT_EQ(got, expect);

  // The progress display: no title, reason or end line; "%0.8f" for real
  // values, the shortest text for integer parameters; all iterations.
  ShowProgress(S, host, Set, false, 2000);
  ASSERT_EQ(host.Result.size(), 7u);
  EXPECT_EQ(host.Result[0], "Iterations: 2500");
  EXPECT_EQ(host.Result[1].rfind("Elapsed Time: ", 0), 0u);
  EXPECT_NE(host.Result[1].find("02:03"), std::string::npos) << host.Result[1];
  EXPECT_EQ(host.Result[2], "Algorithms: Parcticle Swarm Optimization CFPSO");
  EXPECT_EQ(host.Result[3], "x: 1.50000000");
  EXPECT_EQ(host.Result[4], "n: 3");
  EXPECT_EQ(host.Result[5], "Max. Value: 12.50000000");
  EXPECT_EQ(host.Result[6], "");

  // Encode-decode mode shows the shortest text during the run too; a
  // minimisation shows the value as kept, no direction the error.
  S.Model.EncodeDecode = true;
  S.Model.Objective = TObjective::Minimum;
  S.Pop.BestObjective = 0.25;
  ShowProgress(S, host, Set, false, 0);
  EXPECT_EQ(host.Result[3], "x: 1.5");
  EXPECT_EQ(host.Result[5], "Min. Value: 0.25");
  S.Model.Objective = TObjective::None;
  ShowProgress(S, host, Set, false, 0);
  EXPECT_EQ(host.Result[5], "Min. Error: 0.25");
}

TEST(SearchReport, OptimisationStopReasonsAndIterationCount) {
  struct Case {
    int Objective, Criterion, Code;
    const char* Reason;
    int Iterations;
  };
  const Case cases[] = {
      {0, crAutoDetect, scAutoDetect, "Auto-detected", 500},
      {2, crAutoDetect, scAutoDetect, "Auto-detected", 500},
      {0, crMaxIterations, scMaxIterations, "Maximum iterations reached", 2500},
      {0, crRMSE, scRMSEReached, "RMSE reached", 2500},
      {0, crDC, scRMSEReached, "RMSE reached", 2500},
      {0, crDC, scDCReached, "RMSE reached", 2500},
      {1, crAutoDetect, scUserStop, "Stoped by user", 2500},  // no iterations left out
      {2, crMaxIterations, scUserStop, "Stoped by user", 2500},
  };
  for (const Case& c : cases) {
    TEngineState S;
    TSearchSettings Set;
    MakeOptimisationState(S, Set);
    S.Model.Objective = static_cast<TObjective>(c.Objective);
    Set.StopCriterion = c.Criterion;
    S.Run.StopCode = c.Code;
    TSummaryHost host(S);
    ReportSearchResults(S, host, Set, true);
    const auto& r = host.Result;
    ASSERT_GE(r.size(), 7u);
    EXPECT_EQ(r[6], std::string("Stop Reason: ") + c.Reason) << c.Code;
    EXPECT_EQ(r[4], "Iterations: " + std::to_string(c.Iterations)) << c.Code;
  }
}

TEST(SearchReport, SummaryNumberFormatsAndParameterLines) {
  FormatSettings() = TFormatSettings::Invariant();
  TEngineState S;
  TSearchSettings Set;
  S.Model.ModelMode = TModelMode::Function;
  S.Model.ParameterNames = {"a", "y", "b"};
  S.Model.ParameterCount = 3;
  S.Model.DimCount = 3;
  S.Pop.BestPosition = {1.0 / 3, 2, 1234.56789};
  S.Model.FunctionOutputs = {"y"};
  S.Pop.BestRMSE = 0.123456789012;
  S.Pop.BestSSE = 2.5;
  S.Pop.BestR = 1;
  S.Pop.BestDC = 2.0 / 3;
  S.Run.Iteration = 7;
  S.Run.StartTime = TRunClock::now();
  S.Run.StopTime = S.Run.StartTime + std::chrono::seconds(5);
  // The parameter named like the function's output is left out.
  const std::vector<std::string> running{"Iterations: 7", "",           "RMSE: 0.1234568",
                                         "SSE: 2.5",      "R: 1",       "DC: 0.6666667",
                                         "a: 0.3333333",  "b: 1234.568"};
  auto r = ResultSummaryLines(S, false);
  ASSERT_EQ(r.size(), running.size());
  EXPECT_EQ(r[1].rfind("Elapsed Time: ", 0), 0u);
  r[1] = "";
  EXPECT_EQ(r, running);
  const std::vector<std::string> final{"Iterations: 7",
                                       "Elapsed Time (Hr:Min:Sec:Msec): 00:00:05:",
                                       "Root of Mean Square Error (RMSE): 0.123456789",
                                       "Sum of Square Error (SSE): 2.5",
                                       "Correlation Coef. (R): 1",
                                       "Determination Coef. (DC): 0.6666666667",
                                       "a: 0.3333333333",
                                       "b: 1234.56789"};
  r = ResultSummaryLines(S, true);
  ASSERT_EQ(r.size(), final.size());
  EXPECT_EQ(r[1].rfind(final[1], 0), 0u) << r[1];
  r[1] = final[1];
  EXPECT_EQ(r, final);
  // Encode-decode mode: the shortest text; the optimisation mode keeps
  // every parameter.
  S.Model.EncodeDecode = true;
  S.Model.ModelMode = TModelMode::Equation;
  r = ResultSummaryLines(S, false);
  ASSERT_EQ(r.size(), 9u);
  EXPECT_EQ(r[6], "a: 0.333333333333333");
  EXPECT_EQ(r[7], "y: 2");
  EXPECT_EQ(r[8], "b: 1234.56789");
}

TEST(SearchReport, ProgramSummaryNamesEachDataSetOfPerSetParameters) {
  FormatSettings() = TFormatSettings::Invariant();
  TEngineState S;
  TSearchSettings Set;
  S.Model.ModelMode = TModelMode::Program;
  // n (integer) and a are shared, k is a per-set parameter; the third data
  // set is a test set whose k is not searched.
  S.Model.ParameterNames = {"n", "a", "k"};
  S.Model.ParameterCount = 3;
  S.Model.VarParameterCount = 1;
  S.Model.IsInteger = {true, false, false};
  S.Model.DataFileCount = 3;
  S.Model.IsTestFile = {false, false, true};
  S.Model.TestFileCount = 1;
  S.Model.DataSetNames = {"/data/one.dat", "two", "/data/held.dat"};
  S.Model.DimCount = 4;
  S.Pop.BestPosition = {12345678.0, 1.0 / 3, 0.25, 0.75};
  auto r = ResultSummaryLines(S, false);
  ASSERT_EQ(r.size(), 10u);
  const std::vector<std::string> params(r.begin() + 6, r.end());
  EXPECT_EQ(params, (std::vector<std::string>{"n: 12345678", "a: 0.3333333",
                                              "k for \"one.dat\": 0.25", "k for \"two\": 0.75"}));
  // One data set: every parameter, in the number format.
  S.Model.DataFileCount = 1;
  S.Model.IsTestFile = {false};
  S.Model.TestFileCount = 0;
  S.Model.DimCount = 3;
  r = ResultSummaryLines(S, true);
  ASSERT_EQ(r.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(r.begin() + 6, r.end()),
            (std::vector<std::string>{"n: 12345678", "a: 0.3333333333", "k: 0.25"}));
}

TEST(SearchReport, ExpressionReportReasonsTitleAndTable) {
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "20"}, {"RadioGroup2", "1"}});
  ASSERT_TRUE(run.Run(kStraightLine));
  TEngineState& S = run.State;
  struct Case {
    int Code;
    const char* Title;
    const char* Reason;
  };
  const Case cases[] = {
      {scAutoDetect, "Test", "auto-detected"},
      {scMaxIterations, "", "maximum iterations reached"},
      {scRMSEReached, "   ", "minimum square error reached"},
      {scDCReached, "Test", "determination coef. DC reached"},
      {scUserStop, "", "stoped by user"},
      {-1, "", "stoped by user"},
      {scFailed, "", "stopped by an error"},
  };
  for (const Case& c : cases) {
    S.Run.StopCode = c.Code;
    S.Model.ModelTitle = c.Title;
    ReportSearchResults(S, run.Host, run.Settings(), true);
    const auto& r = run.Host.Result;
    const size_t at = std::string(c.Title).find_first_not_of(' ') == std::string::npos ? 2 : 4;
    ASSERT_GT(r.size(), at + 1);
    if (at == 4) {
      EXPECT_EQ(r[0], c.Title);
      EXPECT_EQ(r[1], "");
    }
    EXPECT_EQ(r[at - 2], "Iterations: 21");
    EXPECT_EQ(r[at], "Algorithms: Genetic Algorithms");
    EXPECT_EQ(r[at + 1], std::string("Stop Reason: ") + c.Reason);
  }
  // The table: one row per data row; the calculated value of the best
  // member with seven decimals.
  const auto& r = run.Host.Result;
  ASSERT_EQ(r.size(), 10 + 4 + 5u);
  char calc[64];
  std::snprintf(calc, sizeof calc, "%.7f", S.Pop.BestPosition[0] * 4 + S.Pop.BestPosition[1]);
  EXPECT_EQ(r[10 + 4 + 3], std::string("4\t8.8\t") + calc);

  // A shown data set without values (a state left by a failed model) gives
  // no report text rather than a read out of bounds.
  const auto before = run.Host.Result;
  S.Model.CurrentFile = 3;
  ReportSearchResults(S, run.Host, run.Settings(), true);
  EXPECT_EQ(run.Host.Result, before);
  S.Model.CurrentFile = 0;

  // Several functions: the window is made idle and the table written only
  // after the last one; a user stop ends the run at any function.
  S.Model.FunctionCount = 3;
  S.Model.FunctionOutputs = {"y", "y", "y"};
  for (int current : {0, 2}) {
    S.Model.CurrentFunction = current;
    run.Host.Calls.clear();
    ReportSearchResults(S, run.Host, run.Settings(), true);
    const bool last = current == 2;
    EXPECT_EQ(run.Host.Calls.back(), last ? "SearchEnded Report" : "SearchEnded FunctionDone");
    EXPECT_EQ(
        std::count(run.Host.Result.begin(), run.Host.Result.end(), "====== Output Results ====="),
        last ? 1 : 0);
  }
}

TEST(SearchReport, StopOnlySetsFlagsAndReportWithoutTextShowsTheFirstPage) {
  TSearchRun run({{"RB2", "True"}, {"ComboBox1", "5"}});
  ASSERT_TRUE(run.Run(kStraightLine));
  const auto calls = run.Host.Calls;
  const auto lines = run.Host.Result;
  run.State.Run.SearchRunning = true;
  run.Controller->Stop();
  EXPECT_FALSE(run.State.Run.SearchRunning);
  EXPECT_EQ(run.State.Run.StopCode, scUserStop);
  EXPECT_EQ(run.Host.Calls, calls);  // nothing shown, nothing reported
  EXPECT_EQ(run.Host.Result, lines);

  run.Host.Calls.clear();
  ReportSearchResults(run.State, run.Host, run.Settings(), false);
  EXPECT_EQ(run.Host.Result, lines);
  ASSERT_FALSE(run.Host.Calls.empty());
  EXPECT_EQ(run.Host.Calls.back(), "SearchEnded NoReport");
  EXPECT_EQ(run.CallCount("SetResultLines"), 0);
}

// PrepareSearch on a small hand-made state.
struct TPrepared {
  TEngineState S;
  TRecordingFitHost Host;
  TSearchSettings Set;
  TSearchLogs& Logs = S.Run.Logs;
  TPrepared(int mode, int objective, const std::map<std::string, std::string>& settings) {
    FormatSettings() = TFormatSettings::Invariant();
    S.Model.ModelMode = static_cast<TModelMode>(mode);
    S.Model.Objective = static_cast<TObjective>(objective);
    S.Run.Algorithm = TAlgorithm::DifferentialEvolution;
    S.Pop.PopSize = 20;
    S.Model.ParameterNames = {"a", "b"};
    S.Model.ParameterCount = 2;
    for (const auto& [name, value] : settings) {
      if (value == "True" || value == "False")
        Host.Options.SetChecked(TFitSettings::Find(name), value == "True");
      else
        Host.Options.SetText(TFitSettings::Find(name), value);
    }
  }
  bool Prepare() {
    if (!ReadSearchSettings(S, Host, Set)) return false;
    PrepareSearch(S, Host, Set);
    return true;
  }
};

TEST(SearchSetup, StopCriterionFromTheRadioButtons) {
  struct Case {
    int Mode, Objective;
    const char* Button;  // checked; "" = none
    int Criterion;
    bool Rb1;  // RB1 checked afterwards
  };
  const Case cases[] = {
      {0, 0, "RB1", crAutoDetect, true}, {0, 0, "RB2", crMaxIterations, false},
      {0, 0, "RB3", crRMSE, false},      {0, 0, "RB4", crDC, false},
      {0, 0, "", crRMSE, false},         {1, 0, "RB3", crRMSE, false},
      {1, 0, "RB4", crDC, false},        {1, 1, "RB4", crAutoDetect, true},
      {1, 2, "RB3", crAutoDetect, true}, {1, 2, "RB2", crMaxIterations, false},
      {1, 1, "", crAutoDetect, true},    {2, 1, "RB3", crRMSE, false},
  };
  for (const Case& c : cases) {
    TPrepared p(c.Mode, c.Objective, {});
    for (TSettingName rb :
         {TSettingName::RB1, TSettingName::RB2, TSettingName::RB3, TSettingName::RB4})
      p.Host.Options.SetChecked(rb, false);
    if (*c.Button) p.Host.Options.SetChecked(TFitSettings::Find(c.Button), true);
    ASSERT_TRUE(p.Prepare());
    EXPECT_EQ(p.Set.StopCriterion, c.Criterion) << c.Mode << c.Objective << c.Button;
    EXPECT_EQ(p.Host.Options.Checked(TSettingName::RB1), c.Rb1)
        << c.Mode << c.Objective << c.Button;
    EXPECT_TRUE(p.S.Run.SearchRunning);
  }
}

TEST(SearchSetup, RefusedSettingsChangeNothing) {
  TPrepared p(0, 0, {{"DESizeBox", "0"}, {"CBB2", ""}});
  p.S.Run.StopCode = scMaxIterations;
  EXPECT_FALSE(p.Prepare());
  EXPECT_FALSE(p.S.Run.SearchRunning);
  EXPECT_EQ(p.S.Run.StopCode, scMaxIterations);
  EXPECT_EQ(p.Host.Options.Text(TSettingName::CBB2), "");
  EXPECT_EQ(p.Host.Calls, (std::vector<std::string>{"FocusSetting DESizeBox"}));
  // A box that does not hold a number is refused as the others are.
  TPrepared q(0, 0, {{"RB2", "True"}, {"ComboBox1", "12x"}});
  EXPECT_FALSE(q.Prepare());
  EXPECT_EQ(q.Host.MessageTexts(),
            std::vector<std::string>{"Wrong value for \"Max. Iterations\": \"12x\" is not a whole "
                                     "number!"});
  EXPECT_EQ(q.Host.Calls, (std::vector<std::string>{"FocusSetting ComboBox1"}));
  EXPECT_FALSE(q.S.Run.SearchRunning);
}

class SetupLogs : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = std::filesystem::path(QV_BINARY_DIR) / "search-report-logs" /
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(Dir);
    std::filesystem::create_directories(Dir);
  }
  std::string Path(const std::string& name) { return (Dir / name).string(); }
  static std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The files of the folder with their contents.
  std::map<std::string, std::string> Files() {
    std::map<std::string, std::string> m;
    for (const auto& e : std::filesystem::directory_iterator(Dir))
      m[e.path().filename().string()] = Read(e.path());
    return m;
  }
  std::filesystem::path Dir;
};

TEST_F(SetupLogs, NamesHeadersAndTheEqualNameCheck) {
  struct Case {
    int Mode;
    const char* Results;
    const char* Parameters;
    bool Refused;
    std::map<std::string, std::string> Files;
  };
  const Case cases[] = {
      {0, "res", "RES.csv", true, {}},
      {0, "res", "res.txt", false, {{"res.csv", "R\tDC\tSSE\tRMSE\n"}, {"res.txt", "a\tb\t\n"}}},
      {0, "r.log", "", false, {{"r.log", "R\tDC\tSSE\tRMSE\n"}}},
      {2, "", "p", false, {{"p.csv", "a\tb\t\n"}}},
      // No parameters log in the optimisation mode, so no equal-name check.
      {1, "same", "same", false, {{"same.csv", "Results\n"}}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(Dir);
    std::filesystem::create_directories(Dir);
    TPrepared p(c.Mode, 0,
                {{"FileEdit", *c.Results ? Path(c.Results) : ""},
                 {"FileEdit1", *c.Parameters ? "  " + Path(c.Parameters) + " " : ""}});
    EXPECT_EQ(p.Prepare(), !c.Refused) << c.Results << " " << c.Parameters;
    EXPECT_EQ(Files(), c.Files) << c.Results << " " << c.Parameters;
    if (c.Refused) {
      EXPECT_EQ(p.Host.MessageTexts(),
                std::vector<std::string>{
                    "File name for \"Results Save\" and \"Parameter Save\" should be different!"});
      EXPECT_FALSE(p.Logs.ResultsOpen());
    }
  }
}

// Turns the results log into a folder after the given pump of the next
// run, so that the next record cannot be written and the search fails.
void BreakLogAfter(TSearchRun& run, const std::string& file, int pump) {
  pump += run.Host.Pumps;
  run.Host.OnPump = [file, pump](int n) {
    if (n != pump) return;
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
  };
}

TEST_F(SetupLogs, FailedSearchDoesNotRepeatTheLastRunsReason) {
  {
    TSearchRun run({{"RB2", "True"}, {"ComboBox1", "3"}});
    ASSERT_TRUE(run.Run(kStraightLine));
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: maximum iterations reached");
    run.Apply({{"FileEdit", Path("fit.csv")}, {"SREdit", "1"}, {"ComboBox1", "50"}});
    BreakLogAfter(run, Path("fit.csv"), 3);
    ASSERT_TRUE(run.Run(kStraightLine));
    EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roFailed);
    // The fixed text, then the cause on the next line.
    EXPECT_EQ(run.Messages(), std::vector<std::string>{"Some thing wrong!\nCannot open file \"" +
                                                       Path("fit.csv") + "\""});
    // A failure is no user stop.
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: stopped by an error");
  }
  {
    const char* model = R"(parameters x [-5, 5];
functions;
x^2 - 4;
)";
    TSearchRun run({{"RB2", "True"}, {"ComboBox1", "3"}});
    ASSERT_TRUE(run.Run(model));
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: Maximum iterations reached");
    run.Apply({{"FileEdit", Path("opt.csv")}, {"SREdit", "1"}, {"ComboBox1", "50"}});
    BreakLogAfter(run, Path("opt.csv"), 3);
    ASSERT_TRUE(run.Run(model));
    EXPECT_EQ(run.Messages(),
              std::vector<std::string>{"Function expression is wrong!\nCannot open file \"" +
                                       Path("opt.csv") + "\""});
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: Stopped by an error");
    EXPECT_EQ(run.Line("Iterations: "), "Iterations: 3");
  }
}

}  // namespace
