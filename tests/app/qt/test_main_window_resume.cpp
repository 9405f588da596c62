// Resume (F8) in the main window (offscreen, message boxes answered by the
// scripted dialogs), in each mode: curve fitting, optimisation, a program
// model and a fit by several functions. A resumed search goes on from the
// kept population, counts its own iterations from 0 again, and every figure
// of its report (statistics, calculated column, chart) belongs to the
// parameters the report shows.
//
// The program-model case needs Free Pascal (fpc).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "chart/VeZazera.h"
#include "engine/SearchState.h"

namespace qv {
namespace {

const std::string kExamples = std::string(QV_SOURCE_DIR) + "/examples/";
const std::string kDecay = kExamples + "Regression Curve Fit/Exponential Decay.mff";
const std::string kTwo = kExamples + "Regression Curve Fit/Two Functions.mff";
const std::string kQuadratic = kExamples + "Regression Curve Fit/Quadratic Program.mff";
const std::string kRosenbrock = kExamples + "Optimization/Rosenbrock.mff";

bool CompilerFound() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && ::access((dir + "/fpc").c_str(), X_OK) == 0) return true;
  return false;
}

// A model's value at x for the parameters p (in the order of their lines).
using TModelFunction = std::function<double(const std::vector<double>& p, double x)>;

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream s(line);
  for (std::string f; std::getline(s, f, '\t');) fields.push_back(f);
  return fields;
}

// The number after Prefix on the line that starts with it; NaN when none.
double LineValue(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const auto& l : lines)
    if (l.rfind(prefix, 0) == 0) {
      double v = 0;
      if (TryStrToFloat(Trim(l.substr(prefix.size())), v)) return v;
    }
  return std::nan("");
}

class MainWindowResumeTest : public test::TMainWindowFixture {
 protected:
  static void SetUpTestSuite() { SetUpWindowSuite("main_window_resume"); }
  void SetUp() override { SetUpWindow("main_window_resume"); }

  std::vector<std::string> Report() { return Lines(form->ResultMemo().Lines()); }

  // Every figure of a fitting report against the parameters it shows: the
  // calculated column is the model at those parameters (to the column's
  // digits), and SSE, RMSE and DC are those of that column. X holds the
  // data's first column; Calculated, when given, is what else shows the
  // values (the chart's series, a function's kept result).
  static void ExpectFiguresOfItsParameters(const std::vector<std::string>& report,
                                           const std::vector<std::string>& names,
                                           const std::vector<double>& x,
                                           const std::vector<double>& observed,
                                           const std::vector<double>& calculated,
                                           const TModelFunction& model, double digits) {
    std::vector<double> p;
    for (const auto& n : names) {
      p.push_back(LineValue(report, n + ": "));
      ASSERT_FALSE(std::isnan(p.back())) << "no line for " << n;
    }
    ASSERT_EQ(observed.size(), x.size());
    ASSERT_EQ(calculated.size(), x.size());
    double sse = 0, mean = 0, stt = 0;
    for (double t : observed) mean += t / double(observed.size());
    for (std::size_t k = 0; k < x.size(); ++k) {
      const double y = model(p, x[k]);
      EXPECT_NEAR(calculated[k], y, digits + 1e-9 * std::fabs(y)) << "row " << k + 1;
      sse += (observed[k] - y) * (observed[k] - y);
      stt += (observed[k] - mean) * (observed[k] - mean);
    }
    const double shownSSE = LineValue(report, "Sum of Square Error (SSE): ");
    const double shownRMSE = LineValue(report, "Root of Mean Square Error (RMSE): ");
    const double shownDC = LineValue(report, "Determination Coef. (DC): ");
    EXPECT_NEAR(shownSSE, sse, 1e-6 * (sse + 1e-6));
    EXPECT_NEAR(shownRMSE, std::sqrt(sse / double(x.size())), 1e-6);
    EXPECT_NEAR(shownDC, (stt - sse) / stt, 1e-6);
    EXPECT_GT(LineValue(report, "Correlation Coef. (R): "), 0.9);
  }

  // The observed and calculated columns of the report's table.
  static void TableColumns(const std::vector<std::string>& report, std::vector<double>& observed,
                           std::vector<double>& calculated) {
    observed.clear();
    calculated.clear();
    std::size_t i = 0;
    while (i < report.size() && report[i] != "====== Output Results =====") ++i;
    for (i += 3; i < report.size(); ++i) {
      const auto f = Split(report[i]);
      if (f.size() < 3) break;
      observed.push_back(StrToFloat(f[1]));
      calculated.push_back(StrToFloat(f[2]));
    }
  }

  std::vector<double> FirstColumn() {
    const auto& columns = form->Engine().Model.DataColumns;
    return columns.empty() || columns[0].empty() ? std::vector<double>() : columns[0][0];
  }

  // The report of a one-function fit or a program model, and the chart's
  // calculated series, against the parameters shown.
  void ExpectFitReport(const std::vector<std::string>& names, const TModelFunction& model,
                       double digits) {
    const std::vector<std::string> report = Report();
    std::vector<double> observed, calculated;
    TableColumns(report, observed, calculated);
    ASSERT_FALSE(observed.empty()) << "no table";
    const std::vector<double> x = FirstColumn();
    ExpectFiguresOfItsParameters(report, names, x, observed, calculated, model, digits);
    ASSERT_EQ(form->ResultSeries().size(), 2u);
    const TChartSeries& chart = *form->ResultSeries()[0];
    ASSERT_EQ(chart.Count(), int(observed.size()));
    std::vector<double> charted;
    for (int k = 0; k < chart.Count(); ++k) charted.push_back(chart.GetYValue(k));
    ExpectFiguresOfItsParameters(report, names, x, observed, charted, model, digits);
  }

  // F8; the resumed search shows no message.
  void Resume() {
    dialogs.ClearLog();
    ASSERT_TRUE(form->Get<QToolButton>("ResumeBT1")->isEnabled());
    Key(Qt::Key_F8);
    ASSERT_TRUE(Messages().empty()) << Messages().front();
    EXPECT_FALSE(form->SearchRunning());
  }

  // Answers the stop question with Yes and presses Stop once the search
  // of function Function has run Iterations iterations.
  void StopAt(int Function, int Iterations) {
    auto* timer = new QTimer(form.get());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, form.get(), [=, this] {
      const TEngineState& S = form->Engine();
      if (!form->SearchRunning() || S.Model.CurrentFunction != Function ||
          S.Run.Iteration < Iterations)
        return;
      timer->stop();
      timer->deleteLater();
      dialogs.PushResult(mrYes);
      form->StopButtonClick();
    });
    timer->start();
  }
};

const TModelFunction kDecayModel = [](const std::vector<double>& p, double t) {
  return p[0] * std::exp(-p[1] * t);
};

// A finished fit resumed with the same settings, then with a limit of five
// iterations: both reports show the kept best's figures, and each counts
// the iterations of its own search.
TEST_F(MainWindowResumeTest, FittingReportsTheFiguresOfItsParameters) {
  Start({kDecay});
  Key(Qt::Key_F9);
  ASSERT_TRUE(Messages().empty()) << Messages().front();
  ASSERT_TRUE(HasLine(form->ResultMemo().Lines(), "Stop Reason: determination coef. DC reached"));
  ExpectFitReport({"a", "k"}, kDecayModel, 5e-8);
  const double dc = LineValue(Report(), "Determination Coef. (DC): ");

  // The target is met already: the resumed search stops after its first
  // step, its best at least as good as the kept one.
  Resume();
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Stop Reason: determination coef. DC reached"));
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Iterations: 0"));
  ExpectFitReport({"a", "k"}, kDecayModel, 5e-8);
  EXPECT_GE(LineValue(Report(), "Determination Coef. (DC): "), dc);

  StopAfter(5);
  Resume();
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Stop Reason: maximum iterations reached"));
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Iterations: 6"));
  ExpectFitReport({"a", "k"}, kDecayModel, 5e-8);
}

// Stopped by the user in a long run: the resumed search starts from the
// stopped one's best and counts from 0 again.
TEST_F(MainWindowResumeTest, FittingStoppedByTheUserGoesOnFromItsBest) {
  Start({kDecay});
  StopAfter(100000000);
  StopAt(0, 40);
  Key(Qt::Key_F9);
  ASSERT_TRUE(HasLine(form->ResultMemo().Lines(), "Stop Reason: stoped by user"));
  ExpectFitReport({"a", "k"}, kDecayModel, 5e-8);
  const double sse = LineValue(Report(), "Sum of Square Error (SSE): ");

  StopAfter(3);
  Resume();
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Iterations: 4"));
  ExpectFitReport({"a", "k"}, kDecayModel, 5e-8);
  EXPECT_LE(LineValue(Report(), "Sum of Square Error (SSE): "), sse);
}

// Optimisation: the reported value is the objective at the reported
// parameters, after the run and after Resume.
TEST_F(MainWindowResumeTest, OptimisationReportsTheValueOfItsParameters) {
  Start({kRosenbrock});
  StopAfter(200);
  auto expectValue = [&](const char* when) {
    SCOPED_TRACE(when);
    const std::vector<std::string> report = Report();
    const double x = LineValue(report, "x: "), y = LineValue(report, "y: ");
    const double value = (1 - x) * (1 - x) + 100 * (y - x * x) * (y - x * x);
    EXPECT_NEAR(LineValue(report, "Min. Value: "), value, 1e-9 * (1 + value));
    EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "====== Finished ======"));
  };
  Key(Qt::Key_F9);
  ASSERT_TRUE(Messages().empty()) << Messages().front();
  expectValue("run");
  const double best = LineValue(Report(), "Min. Value: ");
  StopAfter(20);
  Resume();
  expectValue("resumed");
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Iterations: 21"));
  EXPECT_LE(LineValue(Report(), "Min. Value: "), best);
}

// A program model: its table, statistics and chart after Resume belong to
// the parameters shown.
TEST_F(MainWindowResumeTest, ProgramModelReportsTheFiguresOfItsParameters) {
  ASSERT_TRUE(CompilerFound()) << "Free Pascal (fpc) is needed: run scripts/install-deps.sh";
  const TModelFunction quadratic = [](const std::vector<double>& p, double x) {
    return p[0] * x * x + p[1] * x + p[2];
  };
  Start({kQuadratic});
  dialogs.PushResult(mrYes);  // compile and run the model's program
  Key(Qt::Key_F9);
  ASSERT_TRUE(Messages().size() == 1) << Messages().back();
  ASSERT_TRUE(
      HasLine(form->ResultMemo().Lines(), "Stop Reason: Determination Correlation DC reached"));
  ExpectFitReport({"a", "b", "c"}, quadratic, 5e-6);
  // The target is met already: the resumed search stops after its first
  // step.
  Resume();
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Iterations: 0"));
  ExpectFitReport({"a", "b", "c"}, quadratic, 5e-6);
  StopAfter(10);
  Resume();
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Iterations: 11"));
  ExpectFitReport({"a", "b", "c"}, quadratic, 5e-6);
}

// A fit by two functions: Resume after the whole run goes on with the last
// function, whose population it kept; Resume after a stop in the first
// function goes on with the first and then runs the second. Each
// function's kept result belongs to the parameters of its own text.
TEST_F(MainWindowResumeTest, SeveralFunctionsResumeTheFunctionThatWasRunning) {
  const TModelFunction line = [](const std::vector<double>& p, double x) {
    return p[0] * x + p[1];
  };
  const TModelFunction parabola = [](const std::vector<double>& p, double x) {
    return p[0] * x * x + p[1];
  };
  Start({kTwo});
  auto expectResults = [&](const char* when) {
    SCOPED_TRACE(when);
    const auto& results = form->FunctionResults();
    ASSERT_EQ(results.size(), 2u);
    const std::vector<double> x = FirstColumn();
    ExpectFiguresOfItsParameters(results[0].Text.AllLines(), {"a", "b"}, x, results[0].Observed,
                                 results[0].Calculated, line, 1e-9);
    ExpectFiguresOfItsParameters(results[1].Text.AllLines(), {"c", "d"}, x, results[1].Observed,
                                 results[1].Calculated, parabola, 1e-9);
    auto* list = form->Get<QTreeWidget>("FunctionListBox");
    ASSERT_EQ(list->topLevelItemCount(), 2);
  };
  StopAfter(100);
  Key(Qt::Key_F9);
  ASSERT_TRUE(Messages().empty()) << Messages().front();
  expectResults("run");
  const std::vector<std::string> first = form->FunctionResults()[0].Text.AllLines();

  StopAfter(5);
  Resume();
  expectResults("last function resumed");
  EXPECT_EQ(form->FunctionResults()[0].Text.AllLines(), first);
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Iterations: 6"));

  // A new run stopped in the first function lists that function only;
  // Resume finishes it and runs the second.
  StopAfter(100000000);
  StopAt(0, 30);
  Key(Qt::Key_F9);
  ASSERT_EQ(form->FunctionResults().size(), 1u);
  EXPECT_EQ(form->Get<QTreeWidget>("FunctionListBox")->topLevelItemCount(), 1);
  StopAfter(50);
  Resume();
  expectResults("first function resumed");
}

}  // namespace
}  // namespace qv
