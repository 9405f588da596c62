// The final report of a program-mode search: the stop reason of every stop
// criterion and of a user stop, the title and algorithm lines, the observed
// against calculated table of every output, and the results lists.
//
// The runs compile one small Free Pascal library (kept in the test's cache
// folder, so later runs load it).
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "SearchTestHost.h"
#include "engine/Fitness.h"
#include "engine/ProgramMode.h"
#include "engine/SearchReport.h"
#include "platform/core/SysUtils.h"

namespace qv {
namespace {

#define REQUIRE_COMPILER() \
  ASSERT_TRUE(StageCompilerKit(1)) << "Free Pascal (fpc) is needed: run scripts/install-deps.sh"

using Settings = std::map<std::string, std::string>;

// Two outputs of one input: y = 2x and z = 3x + 1, so that every target
// can be reached. Data set rows are appended by the tests.
const char* const kProgram =
    "variables x, y [output], z [output];\n"
    "parameters a [0, 5], b [0, 5];\n"
    "startprogram;\n"
    "var i: integer;\n"
    "begin\n"
    "  for i := 0 to DataLength - 1 do\n"
    "  begin\n"
    "    y[i] := a*x[i];\n"
    "    z[i] := b*x[i] + 1;\n"
    "  end;\n"
    "end;\n"
    "endprogram;\n";
const char* const kRows = "1 2 4\n2 4 7\n3 6 10\n0.5 1 2.5\n";

// With a second data set, it has two rows of its own.
std::string Model(const std::string& title, bool secondDataSet = false) {
  std::string text = title.empty() ? std::string() : "title " + title + ";\n";
  text += kProgram;
  text += std::string("data;\n") + kRows;
  if (secondDataSet) text += "data;\n1 2 4\n2 4 7.5\n";
  return text;
}

// Differential evolution, 20 members, the given stop criterion.
Settings Search(Settings extra) {
  Settings s{{"RadioGroup2", "3"}, {"DESizeBox", "20"}, {"CBB2", "5"}};
  for (const auto& [k, v] : extra) s[k] = v;
  return s;
}

std::string Messages(const test::TSearchRun& run) {
  std::string all;
  for (const auto& m : run.Messages()) all += m + "\n";
  return all;
}

int IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == line) return static_cast<int>(i);
  return -1;
}

// The table of a report (the lines after "====== Output Results =====" and
// its empty line).
std::vector<std::string> Table(const std::vector<std::string>& lines) {
  const int at = IndexOf(lines, "====== Output Results =====");
  if (at < 0 || at + 2 > static_cast<int>(lines.size())) return {};
  return std::vector<std::string>(lines.begin() + at + 2, lines.end());
}

TEST(ProgramReport, StopReasonOfEveryCriterionWithTheTitleAndSummaryLines) {
  REQUIRE_COMPILER();
  struct Case {
    Settings Criterion;
    std::string Title;
    std::string Reason;
    int StopCode;
  };
  const Case cases[] = {
      {{{"RB1", "True"}}, "Line Pair", "Auto-detected", scAutoDetect},
      {{{"RB2", "True"}, {"ComboBox1", "30"}}, "", "Maximum iterations reached", scMaxIterations},
      {{{"RB3", "True"}, {"SSEEdit", "0.05"}}, "Line Pair", "RMSE reached", scRMSEReached},
      {{{"RB4", "True"}, {"REdit", "0.999"}},
       "",
       "Determination Correlation DC reached",
       scDCReached},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Reason);
    test::TSearchRun run(Search(c.Criterion), 11);
    ASSERT_TRUE(run.Run(Model(c.Title))) << Messages(run);
    ASSERT_EQ(run.Controller->Outcome(), TRunOutcome::roSearched);
    EXPECT_EQ(run.State.Run.StopCode, c.StopCode);
    const std::vector<std::string>& r = run.Host.Result;
    // Title and empty line on top when there is a title; then the summary's
    // first two lines, the algorithm and the stop reason, the rest of the
    // summary.
    const size_t top = c.Title.empty() ? 0 : 2;
    ASSERT_GT(r.size(), top + 6);
    if (!c.Title.empty()) {
      EXPECT_EQ(r[0], c.Title);
      EXPECT_EQ(r[1], "");
    }
    EXPECT_EQ(r[top], "Iterations: " + std::to_string(run.State.Run.Iteration));
    EXPECT_EQ(r[top + 1].rfind("Elapsed Time (Hr:Min:Sec:Msec): ", 0), 0u) << r[top + 1];
    EXPECT_EQ(r[top + 2], "Algorithms: Differential Evoluation(Scheme 1, Route 1)");
    EXPECT_EQ(r[top + 3], "Stop Reason: " + c.Reason);
    EXPECT_EQ(r[top + 4],
              "Root of Mean Square Error (RMSE): " + Format("%0.10g", run.State.Pop.BestRMSE));
    // The window's lists are refilled only for several data sets or outputs:
    // here one data set and two outputs.
    EXPECT_EQ(run.CallCount("ShowResultLists false true"), 1);
    EXPECT_EQ(run.CallCount("WriteResultSummary true"), 1);
  }
}

TEST(ProgramReport, AlgorithmLineNamesTheSchemeRouteAndVariant) {
  REQUIRE_COMPILER();
  struct Case {
    Settings Algorithm;
    std::string Name;
  };
  const Case cases[] = {
      // Scheme index 2 and route index 0 are shown one-based, with the route.
      {{{"RadioGroup2", "3"}, {"SchemeBox", "2"}, {"DEGroup", "0"}},
       "Differential Evoluation(Scheme 3, Route 1)"},
      {{{"RadioGroup2", "3"}, {"SchemeBox", "0"}, {"DEGroup", "3"}},
       "Differential Evoluation(Scheme 1, Route 4)"},
      {{{"RadioGroup2", "2"}, {"ComboBox3", "4"}}, "Parcticle Swarm Optimization CFPSO"},
      {{{"RadioGroup2", "2"}, {"ComboBox3", "1"}}, "Parcticle Swarm Optimization PSO 1"},
      {{{"RadioGroup2", "1"}}, "Genetic Algorithms"},
      {{{"RadioGroup2", "0"}, {"ZUDSchemeBox", "1"}}, "Zedovev Avedezo Rezividorodo (Scheme 2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Settings s = c.Algorithm;
    s["RB2"] = "True";
    s["ComboBox1"] = "10";
    test::TSearchRun run(s, 3);
    ASSERT_TRUE(run.Run(Model("Names"))) << Messages(run);
    EXPECT_EQ(run.Line("Algorithms: "), "Algorithms: " + c.Name);
    EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: Maximum iterations reached");
  }
}

TEST(ProgramReport, TableHasObservedAndCalculatedColumnsOfEveryOutput) {
  REQUIRE_COMPILER();
  test::TSearchRun run(Search({{"RB3", "True"}, {"SSEEdit", "0.01"}}), 5);
  ASSERT_TRUE(run.Run(Model("Table"))) << Messages(run);
  const std::vector<std::string> r = run.Host.Result;
  const int at = IndexOf(r, "====== Output Results =====");
  ASSERT_GT(at, 0);
  EXPECT_EQ(r[at - 1], "");
  EXPECT_EQ(r[at + 1], "");
  const std::vector<std::string> table = Table(r);
  ASSERT_EQ(table.size(), 5u);
  EXPECT_EQ(table[0], "No\tObs. y\tCal. y\tObs. z\tCal. z");
  // Observed values as their shortest text, calculated values with five
  // decimals, from the best member; the fit is close.
  const char* observed[4][2] = {{"2", "4"}, {"4", "7"}, {"6", "10"}, {"1", "2.5"}};
  const std::regex row(R"((\d+)\t([^\t]+)\t(-?\d+\.\d{5})\t([^\t]+)\t(-?\d+\.\d{5}))");
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(table[k + 1]);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(table[k + 1], m, row));
    EXPECT_EQ(m[1].str(), std::to_string(k + 1));
    for (int o = 0; o < 2; ++o) {
      EXPECT_EQ(m[2 + 2 * o].str(), observed[k][o]);
      EXPECT_EQ(m[3 + 2 * o].str(), FormatFloat("0.00000", run.State.Pop.BestCalculated[0][o][k]));
      EXPECT_NEAR(std::stod(m[3 + 2 * o].str()), std::stod(observed[k][o]), 0.05);
    }
  }
  // The summary's statistics are those of the best member over both outputs.
  EXPECT_LT(run.State.Pop.BestRMSE, 0.01);
  EXPECT_EQ(run.Line("Root of Mean Square Error (RMSE): "),
            "Root of Mean Square Error (RMSE): " + Format("%0.10g", run.State.Pop.BestRMSE));
}

TEST(ProgramReport, UserStopIsNeverReportedAsATargetReached) {
  REQUIRE_COMPILER();
  test::TSearchRun run(Search({{"RB3", "True"}, {"SSEEdit", "0.05"}}), 9);
  // A first run reaches its target ...
  ASSERT_TRUE(run.Run(Model("Stops")));
  ASSERT_EQ(run.Line("Stop Reason: "), "Stop Reason: RMSE reached");
  // ... the next one cannot (an RMSE below 1e-300) and the user stops it.
  run.Apply({{"SSEEdit", "1e-300"}});
  run.Host.Pumps = 0;
  run.Host.StopAfterPumps = 3;
  run.Host.Calls.clear();
  ASSERT_TRUE(run.Run(Model("Stops")));
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roSearched);
  EXPECT_EQ(run.State.Run.StopCode, scUserStop);
  EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: stoped by user");
  EXPECT_EQ(run.Host.Result[0], "Stops");
  EXPECT_EQ(run.Line("Iterations: "), "Iterations: 2");
  // The report is written once, with the whole table.
  EXPECT_EQ(run.CallCount("WriteResultSummary true"), 1);
  EXPECT_EQ(Table(run.Host.Result).size(), 5u);

  // Resumed, the search reports its own ending again.
  run.Host.StopAfterPumps = -1;
  run.Apply({{"SSEEdit", "0.05"}});
  ASSERT_TRUE(run.Controller->Resume());
  EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: RMSE reached");
}

TEST(ProgramReport, SeveralDataSetsRefillBothListsAndShowTheDisplayedDataSet) {
  REQUIRE_COMPILER();
  test::TSearchRun run(Search({{"RB2", "True"}, {"ComboBox1", "20"}}), 4);
  ASSERT_TRUE(run.Run(Model("", true))) << Messages(run);
  ASSERT_EQ(run.State.Model.DataFileCount, 2);
  // Both lists are refilled before the summary is written, and the window
  // leaves its running state after the report.
  const auto& calls = run.Host.Calls;
  const int lists = IndexOf(calls, "ShowResultLists true true");
  const int summary = IndexOf(calls, "WriteResultSummary true");
  ASSERT_GE(lists, 0);
  EXPECT_LT(lists, summary);
  EXPECT_LT(summary, IndexOf(calls, "SearchEnded Report"));
  // The statistics and the observed-against-calculated line are kept per
  // data set and output.
  const TPopulation& P = run.State.Pop;
  ASSERT_EQ(P.BestLine.size(), 2u);
  for (int f = 0; f < 2; ++f) {
    ASSERT_EQ(int(P.BestLine[f].size()), run.State.Model.OutputCount);
    const TLineEnds& l = P.BestLine[f][0];
    EXPECT_LE(l.X1, l.X2);
    const TLineEnds want = ObservedCalculatedLine(
        run.State.Model.TargetData[f][0], P.BestCalculated[f][0], run.State.Model.PointCount[f]);
    EXPECT_EQ(l.Y1, want.Y1);
    EXPECT_EQ(l.Y2, want.Y2);
  }
  // The table is that of the data set the window shows, the first one
  // (the search evaluated the second one last).
  EXPECT_EQ(run.State.Model.CurrentFile, 0);
  EXPECT_EQ(Table(run.Host.Result).size(), 5u);

  // The window shows the second data set: the report is rewritten for it
  // and the lists are kept.
  const size_t before = calls.size();
  run.State.Model.CurrentFile = 1;
  run.State.Pop.BestCalculated[1][1][1] = 12.345678;
  ShowFinalResults(run.State, run.Host, run.Settings(), true);
  for (size_t i = before; i < calls.size(); ++i)
    EXPECT_EQ(calls[i].rfind("Fill", 0), std::string::npos) << calls[i];
  const std::vector<std::string> table = Table(run.Host.Result);
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[2].rfind("2\t4\t", 0), 0u) << table[2];
  EXPECT_EQ(table[2].substr(table[2].rfind('\t')), "\t12.34568");
  EXPECT_NE(table[2].find("\t7.5\t"), std::string::npos) << table[2];
  EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: Maximum iterations reached");

  // While a search runs nothing is written.
  run.State.Run.SearchRunning = true;
  run.Host.Result = {"kept"};
  ShowFinalResults(run.State, run.Host, run.Settings(), false);
  EXPECT_EQ(run.Host.Result, std::vector<std::string>{"kept"});
  run.State.Run.SearchRunning = false;
}

}  // namespace
}  // namespace qv
