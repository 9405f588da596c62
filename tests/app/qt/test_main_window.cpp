// The main window end to end (offscreen, message boxes answered by the
// scripted dialogs): start-up, a run from the keyboard with its results
// page, Stop and Resume, the settings checks, settings and recent files
// kept over a restart, model files saved and read back, closing during a
// run, and the results page commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "MainWindowFixture.h"
#include "app/AppControls.h"
#include "app/DataSheetHooks.h"
#include "app/PFMainUnit.h"
#include "app/SettingsPage.h"
#include "app/spread/qt/SpreadUnit.h"
#include "chart/Chart.h"
#include "chart/Series.h"
#include "chart/VeZazera.h"
#include "chart/VuzIduro.h"
#include "editor/CodeEdit.h"
#include "editor/CodeEditDialogs.h"
#include "editor/qt/CodeEditWidget.h"
#include "editor/qt/QtCodeCompletionProposal.h"
#include "engine/SearchState.h"
#include "grid/XLSheet.h"
#include "platform/core/IniFiles.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtServices.h"
#include "support/ModelFile.h"
#include "support/qt/QtPropInsp.h"
#include "tests/main/PeerTools.h"
#include "tests/support/SettingsTestSupport.h"

namespace qv {
namespace {

const std::string kExamples = std::string(QV_SOURCE_DIR) + "/examples/";
const std::string kLinear = kExamples + "Regression Curve Fit/Linear Fit.mff";
const std::string kTwo = kExamples + "Regression Curve Fit/Two Functions.mff";
const std::string kRosenbrock = kExamples + "Optimization/Rosenbrock.mff";
const std::string kDrift = kExamples + "Auto-calibration/Sensor Drift Program.mff";

// A data sheet that records what it is given.
class TRecordingSheet : public TResultSheet {
 public:
  std::map<std::pair<int, int>, std::string> Cells;
  std::vector<std::string> Merges;
  void SetFloat(int Col, int Row, double Value) override {
    Cells[{Col, Row}] = "f:" + FloatToStr(Value);
  }
  void SetText(int Col, int Row, const std::string& Value) override { Cells[{Col, Row}] = Value; }
  void MergeRow(int Col, int Row, int Cols) override {
    Merges.push_back(Format("%d,%d,%d", Col, Row, Cols));
  }
  void SetColumnWidth(int, int) override {}
  void SetCurrentRow(int) override {}
};

class MainWindowTest : public test::TMainWindowFixture {
 protected:
  static void SetUpTestSuite() { SetUpWindowSuite("main_window"); }
  void SetUp() override { SetUpWindow("main_window"); }
  // Answers the next stop question with Yes and presses Stop once the
  // search runs (checked every 20 ms); Inside runs at the stop.
  void StopWhileRunning(std::function<void()> Inside = {}) {
    auto* timer = new QTimer(form.get());
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, form.get(), [this, timer, Inside] {
      if (!form->SearchRunning() || form->Engine().Run.Iteration < 50) return;
      timer->stop();
      timer->deleteLater();
      if (Inside) Inside();
      dialogs.PushResult(mrYes);
      form->StopButtonClick();
    });
    timer->start();
  }
};

TEST_F(MainWindowTest, StartsUntitledWithTheTemplate) {
  Start();
  EXPECT_EQ(form->windowTitle().toStdString(), "Quorvane - [Untitled]");
  EXPECT_EQ(Lines(form->CodeMemo().Lines()),
            (std::vector<std::string>{"Title \"Type your title here\";", "//Parameters b1, b2;",
                                      "//Variable x, y;", "//Function b1*x + b2*y;"}));
  EXPECT_FALSE(form->CodeMemo().Modified());
  EXPECT_EQ(form->ActivePageIndex(), 0);
  EXPECT_FALSE(form->Get<QToolButton>("StopButton")->isEnabled());
  EXPECT_FALSE(form->Get<QToolButton>("ResumeBT1")->isEnabled());
  EXPECT_TRUE(Page().Control("MGACheckBox")->isHidden());
  for (const char* name : {"CodeMemo", "ResultMemo", "FitChart", "PageControl1", "RB1", "SizeBox1",
                           "FunctionListBox", "OutItemList", "StatusBar"})
    EXPECT_NE(form->Component(name), nullptr) << name;
  EXPECT_TRUE(dialogs.Log().empty());
}

// The model editor paints through the model-language highlighter: the
// comment of the first line in navy, the data lines in plain black.
TEST_F(MainWindowTest, ModelEditorPaintsTheModelInSyntaxColours) {
  Start({kExamples + "Regression Curve Fit/Exponential Decay.mff"});
  ASSERT_EQ(form->CodeMemo().Lines()[0].rfind("//", 0), 0u);
  ASSERT_EQ(form->CodeMemo().Lines()[6], "0 5");
  auto* widget = form->Get<TCodeEditWidget>("CodeMemo");
  ASSERT_NE(widget, nullptr);
  const QImage image = widget->viewport()->grab().toImage();
  const int h = form->CodeMemo().LineHeight();
  ASSERT_GT(image.height(), 7 * h);
  // Pixels of text line Line (from 1) that are clearly blue.
  auto bluePixels = [&](int Line) {
    int n = 0;
    for (int y = (Line - 1) * h; y < Line * h; ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.blue() - c.red() > 40 && c.blue() - c.green() > 40) ++n;
      }
    return n;
  };
  EXPECT_GT(bluePixels(1), 20);
  EXPECT_EQ(bluePixels(7), 0);
}

TEST_F(MainWindowTest, F9RunsTheCommandLineModelAndFillsTheResultsPage) {
  Start({kLinear});
  EXPECT_EQ(form->windowTitle().toStdString(), "Quorvane - [" + kLinear + "]");
  EXPECT_EQ(form->ReopenFileList()[0], kLinear);
  StopAfter(300);
  Key(Qt::Key_F9);
  EXPECT_TRUE(Messages().empty()) << Messages().front();
  EXPECT_EQ(form->ActivePageIndex(), 2);
  const TStrings& result = form->ResultMemo().Lines();
  EXPECT_TRUE(HasLine(result, "Stop Reason: maximum iterations reached"));
  EXPECT_TRUE(HasPrefix(result, "Root of Mean Square Error (RMSE): "));
  EXPECT_TRUE(HasPrefix(result, "a: "));
  EXPECT_TRUE(HasLine(result, "====== Output Results ====="));
  // The chart: calculated in red, the target in blue, one point per row.
  ASSERT_EQ(form->ResultSeries().size(), 2u);
  const TChartSeries& calc = *form->ResultSeries()[0];
  const TChartSeries& target = *form->ResultSeries()[1];
  EXPECT_EQ(calc.Title(), "Calculated y");
  EXPECT_EQ(target.Title(), "Target y");
  EXPECT_EQ(calc.Count(), form->Engine().Model.PointCount[0]);
  EXPECT_EQ(target.Count(), calc.Count());
  EXPECT_FALSE(form->Get<QWidget>("Panel11")->isHidden());
  // The other two chart kinds: observed against calculated with the line
  // through them, and the target as points.
  form->LineLineChart1Click(1);
  ASSERT_EQ(form->ResultSeries().size(), 2u);
  EXPECT_EQ(form->ResultSeries()[0]->Title(), "X- Y Points");
  EXPECT_EQ(form->ResultSeries()[0]->Count(), form->Engine().Model.PointCount[0]);
  const TChartSeries& line = *form->ResultSeries()[1];
  EXPECT_EQ(line.Title(), "X - Y Line");
  ASSERT_EQ(line.Count(), 2);
  EXPECT_DOUBLE_EQ(line.GetXValue(0), 3.75);   // the smallest observed value
  EXPECT_NEAR(line.GetYValue(1), 36.23, 0.5);  // a good fit ends near the largest
  form->LineLineChart1Click(2);
  EXPECT_NE(dynamic_cast<const TPointSeries*>(form->ResultSeries()[1].get()), nullptr);
  EXPECT_EQ(ComponentTag(form->Component("FitChart")), 2);
  // Back to idle: Run and Resume offered, Stop not, the editor writable.
  EXPECT_TRUE(form->Get<QToolButton>("RunButton")->isEnabled());
  EXPECT_TRUE(form->Get<QToolButton>("ResumeBT1")->isEnabled());
  EXPECT_FALSE(form->Get<QToolButton>("StopButton")->isEnabled());
  EXPECT_FALSE(form->CodeMemo().ReadOnly());
  EXPECT_EQ(form->StatusText(3), "");
}

TEST_F(MainWindowTest, StopEndsTheRunOnceAndResumeContinuesIt) {
  Start({kLinear});
  StopAfter(100000000);
  bool runRefused = false, editMenuDisabled = false;
  StopWhileRunning([&] {
    // While the search runs: Run is refused and the Edit menu is disabled.
    const int before = form->Engine().Run.Iteration;
    form->RunButtonClick();
    runRefused = form->SearchRunning() && form->Engine().Run.Iteration >= before &&
                 !form->Get<QToolButton>("RunButton")->isEnabled() &&
                 !form->Action("Run1")->isEnabled();
    QMenu* edit = form->findChild<QMenu*>("Edit1");
    form->Edit1Click(edit);
    editMenuDisabled = true;
    for (QAction* a : edit->actions())
      if (!a->isSeparator()) editMenuDisabled &= !a->isEnabled();
    form->File1Click();
    EXPECT_FALSE(form->Action("NewAction")->isEnabled());
    EXPECT_FALSE(form->Action("OpenAction")->isEnabled());
    EXPECT_EQ(form->StatusText(3), "Running Search...");
    EXPECT_TRUE(form->CodeMemo().ReadOnly());
  });
  form->RunButtonClick();
  EXPECT_TRUE(runRefused);
  EXPECT_TRUE(editMenuDisabled);
  form->File1Click();
  EXPECT_TRUE(form->Action("NewAction")->isEnabled());
  const TStrings& result = form->ResultMemo().Lines();
  EXPECT_TRUE(HasLine(result, "Stop Reason: stoped by user"));
  EXPECT_EQ(dialogs.Log().back().Text, "Are you sure to stop optimal search!");
  const std::vector<double> best = form->Engine().Pop.BestPosition;
  ASSERT_FALSE(best.empty());

  // Resume goes on from the kept population: three more steps stay where the
  // stopped search was (a new population would start anywhere).
  StopAfter(1);
  form->Resume1Click();
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Stop Reason: maximum iterations reached"));
  ASSERT_EQ(form->Engine().Pop.BestPosition.size(), best.size());
  for (std::size_t d = 0; d < best.size(); ++d)
    EXPECT_NEAR(form->Engine().Pop.BestPosition[d], best[d], 1e-3 * (1 + std::fabs(best[d])));
  // A changed population cannot be resumed.
  SetText("DESizeBox", "30");
  EXPECT_FALSE(form->Get<QToolButton>("ResumeBT1")->isEnabled());
}

TEST_F(MainWindowTest, StopAnsweredNoLeavesTheRunGoing) {
  Start({kLinear});
  StopAfter(100000000);
  bool stillRunning = false;
  int asked = 0;
  auto* timer = new QTimer(form.get());
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, form.get(), [&, timer] {
    if (!form->SearchRunning() || form->Engine().Run.Iteration < 20) return;
    if (asked++ == 0) {
      dialogs.PushResult(mrNo);
      form->StopButtonClick();
      stillRunning = form->SearchRunning();
      return;
    }
    timer->stop();
    dialogs.PushResult(mrYes);
    form->StopButtonClick();
  });
  timer->start();
  form->RunButtonClick();
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Stop Reason: stoped by user"));
}

TEST_F(MainWindowTest, EverySettingsCheckNamesTheBoxAndFocusesIt) {
  struct Case {
    int Algorithm;
    const char* Box;
    const char* Value;
    const char* Message;
  } cases[] = {
      {1, "PopulationBox2", "", "No value for \"Population Size\"!"},
      {1, "PopulationBox2", "1", "\"Population Size\"must be bigger than 2!"},
      {1, "PCBox2", "", "No value for \"Crossover Rate\"!"},
      {1, "PMBox2", "", "No value for \"Mutation Rate\"!"},
      {2, "SizeBox", "", "No value for \"Population Size\"!"},
      {2, "SizeBox", "0", "\"Population Size\"must be bigger than 0!"},
      {2, "C1Box", "", "No value for \"Learning Factor C1\"!"},
      {2, "C2Box", "", "No value for \"Learning Factor C2\"!"},
      {3, "DESizeBox", "", "No value for \"Population Size\"!"},
      {3, "DESizeBox", "0", "\"Population Size\"must be bigger than 0!"},
      {3, "PMBox3", "", "No value for \"Mutatuin Rate\"!"},
      {3, "PCBox3", "", "No value for \"Crossover Rate\"!"},
      {0, "SizeBox1", "", "No value for \"Population Size\"!"},
  };
  Start({kLinear});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Box);
    Page().Get<TRadioGroupBox>("RadioGroup2")->SetItemIndex(c.Algorithm);
    Page().RadioGroup2Click();
    QWidget* box = Page().Control(c.Box);
    const std::string old = qobject_cast<QComboBox*>(box)
                                ? qobject_cast<QComboBox*>(box)->currentText().toStdString()
                                : std::string();
    SetText(c.Box, c.Value);
    form->SetActivePageIndex(0);
    dialogs.ClearLog();
    form->RunButtonClick();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], c.Message);
    EXPECT_EQ(form->ActivePageIndex(), 1);
    QWidget* focus = form->focusWidget();
    EXPECT_TRUE(focus == box || box->isAncestorOf(focus));
    EXPECT_FALSE(form->SearchRunning());
    // A refused run gives the run commands back as they were.
    EXPECT_TRUE(form->Get<QToolButton>("RunButton")->isEnabled());
    EXPECT_FALSE(form->Get<QToolButton>("ResumeBT1")->isEnabled());
    SetText(c.Box, old);
  }
  // A swarm whose learning factors add up to 4 or less.
  Page().Get<TRadioGroupBox>("RadioGroup2")->SetItemIndex(2);
  SetText("C1Box", "2");
  SetText("C2Box", "2");
  dialogs.ClearLog();
  form->RunButtonClick();
  EXPECT_EQ(Messages(), std::vector<std::string>{"For CFPSO, C1+C2 should be bigger than 4!"});
}

// The stop criterion's box and the rates are refused like the population
// boxes: the message names the box, the settings page shows it (on its
// "Options" view) with the focus, and nothing runs.
TEST_F(MainWindowTest, StopAndRateChecksNameTheBoxAndFocusIt) {
  struct Case {
    const char* Criterion;
    std::map<std::string, std::string> Texts;
    const char* Box;
    const char* Message;
  } cases[] = {
      {"RB2", {{"ComboBox1", "0"}}, "ComboBox1", "\"Max. Iterations\" must be bigger than 0!"},
      {"RB2",
       {{"ComboBox1", "12x"}},
       "ComboBox1",
       "Wrong value for \"Max. Iterations\": \"12x\" is not a whole number!"},
      {"RB3", {{"SSEEdit", "0"}}, "SSEEdit", "\"RMSE\" must be bigger than 0!"},
      {"RB3",
       {{"SSEEdit", "abc"}},
       "SSEEdit",
       "Wrong value for \"RMSE\": \"abc\" is not a number!"},
      {"RB4",
       {{"REdit", "2"}},
       "REdit",
       "\"Determination Coef. (DC)\" must be bigger than 0 and smaller than 1!"},
      {"RB4", {{"CBB2", "0"}}, "CBB2", "\"Update Rate\" must be bigger than 0!"},
      {"RB4",
       {{"FileEdit", "r.csv"}, {"SREdit", "0"}},
       "SREdit",
       "\"Results Save Rate\" must be bigger than 0!"},
  };
  Start({kLinear});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Box);
    Page().Get<QRadioButton>(c.Criterion)->click();  // as the user does: its box opens
    std::map<std::string, std::string> old;
    for (const auto& [box, value] : c.Texts) {
      QWidget* w = Page().Control(box);
      old[box] = qobject_cast<QComboBox*>(w)
                     ? qobject_cast<QComboBox*>(w)->currentText().toStdString()
                     : qobject_cast<QLineEdit*>(w)->text().toStdString();
      SetText(box, value);
    }
    // The "Main" view and another page are shown when the run starts.
    Page().Get<QToolButton>("MainBT")->setChecked(true);
    form->SetActivePageIndex(0);
    dialogs.ClearLog();
    form->RunButtonClick();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], c.Message);
    EXPECT_EQ(form->ActivePageIndex(), 1);
    EXPECT_FALSE(Page().Control("OptionPanel")->isHidden());
    QWidget* box = Page().Control(c.Box);
    QWidget* focus = form->focusWidget();
    EXPECT_TRUE(focus == box || box->isAncestorOf(focus));
    EXPECT_FALSE(form->SearchRunning());
    EXPECT_TRUE(form->Get<QToolButton>("RunButton")->isEnabled());
    for (const auto& [name, value] : old) SetText(name, value);
  }
}

// A settings file of an earlier version (the same keys: the controls' names)
// gives its values to the next run, its numbers read with "." also where
// the user's locale writes ",".
TEST_F(MainWindowTest, AnEarlierSettingsFileStillSetsTheRun) {
  test::WriteText(SettingsFileName(),
                  "[TFitForm]\n"
                  "RadioGroup2_ItemIndex=1\n"
                  "PopulationBox2_Text=12\n"
                  "PCBox2_Text=0.6\n"
                  "PMBox2_Text=0.05\n"
                  "STGroup2_Tag=2\n"
                  "TSBox2_Checked=True\n"
                  "TSEdit2_Text=0.3\n"
                  "RB1_Checked=False\n"
                  "RB2_Checked=True\n"
                  "RB3_Checked=False\n"
                  "RB4_Checked=False\n"
                  "ComboBox1_Text=7\n"
                  "SSEEdit_Text=0.001\n"
                  "REdit_Text=0.99\n"
                  "CBB2_Text=1\n");
  struct TCommaLocale {
    TCommaLocale() {
      FormatSettings().DecimalSeparator = ',';
      FormatSettings().ThousandSeparator = '.';
    }
    ~TCommaLocale() { FormatSettings() = TFormatSettings::Invariant(); }
  } locale;
  // Whole numbers only: the model's own numbers are not this test's subject.
  const std::string model = work + "line.mff";
  test::WriteText(model,
                  "variables x, y;\nparameters a [0, 5], b [0, 5];\nfunction y = a*x + b;\n"
                  "data;\n1 3\n2 5\n3 7\n4 9\n");
  Start({model});
  form->RunButtonClick();
  ASSERT_TRUE(Messages().empty()) << Messages()[0];
  const TSearchSettings& s = form->RunSettings();
  EXPECT_EQ(s.Algorithm, TAlgorithm::Genetic);
  EXPECT_EQ(s.PopulationSize, 12);
  EXPECT_EQ(s.CrossoverRate, 0.6);
  EXPECT_EQ(s.MutationRate, 0.05);
  EXPECT_EQ(s.SelectionType, TSelectionType::Tournament);
  EXPECT_TRUE(s.Truncation);
  EXPECT_EQ(s.TruncationThreshold, 0.3);
  EXPECT_EQ(s.StopCriterion, crMaxIterations);
  EXPECT_EQ(s.MaxIterations, 7);
  EXPECT_EQ(s.UpdateRate, 1);
  EXPECT_EQ(form->Engine().Pop.PopSize, 12);
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Iterations: 8"));
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "Algorithms: Genetic Algorithms"));
}

TEST_F(MainWindowTest, SettingsAndRecentFilesSurviveARestart) {
  Start({kLinear});
  Page().Get<TRadioGroupBox>("RadioGroup2")->SetItemIndex(1);
  Page().RadioGroup2Click();
  SetText("PopulationBox2", "30");
  Page().Get<QComboBox>("STGroup2")->setCurrentIndex(2);
  Page().Get<QRadioButton>("RB2")->setChecked(true);
  SetText("ComboBox1", "500");
  SetText("FileEdit", "results.csv");
  Page().Get<QCheckBox>("TSBox2")->setChecked(true);
  form->AddRecentFile(kTwo);
  Restart();
  TFitSettings s;
  Page().ReadInto(s);
  EXPECT_EQ(s.ItemIndex(TSettingName::RadioGroup2), 1);
  EXPECT_FALSE(Page().Control("GAPanel")->isHidden());
  EXPECT_EQ(s.Text(TSettingName::PopulationBox2), "30");
  EXPECT_EQ(s.ItemIndex(TSettingName::STGroup2), 2);
  EXPECT_TRUE(s.Checked(TSettingName::RB2));
  EXPECT_FALSE(s.Checked(TSettingName::RB4));
  EXPECT_EQ(s.Text(TSettingName::ComboBox1), "500");
  EXPECT_TRUE(s.Checked(TSettingName::TSBox2));
  EXPECT_EQ(s.Text(TSettingName::FileEdit), "");  // the log names are not kept
  ASSERT_EQ(form->ReopenFileList().Count(), 2);
  EXPECT_EQ(form->ReopenFileList()[0], kTwo);
  EXPECT_EQ(form->ReopenFileList()[1], kLinear);
  // Twelve names come back as the first ten.
  for (int i = 0; i < 12; ++i) form->ReopenFileList().Insert(0, Format("/m/%d.mff", i));
  Restart();
  ASSERT_EQ(form->ReopenFileList().Count(), 10);
  EXPECT_EQ(form->ReopenFileList()[0], "/m/11.mff");
}

TEST_F(MainWindowTest, SavedModelReadsBackAndSavesByteForByte) {
  Start();
  form->CodeMemo().Lines().SetText("Title \"Saved\";\nParameters a, b;\nVariable x, y;\n");
  const std::string file = work + "saved.mff";
  dialogs.PushFile(file);
  ASSERT_TRUE(form->SaveActionExecute());
  EXPECT_EQ(form->windowTitle().toStdString(), "Quorvane - [" + file + "]");
  EXPECT_FALSE(form->CodeMemo().Modified());
  const std::string first = test::ReadText(file);
  const std::vector<std::string> lines = Lines(form->CodeMemo().Lines());
  form->NewActionExecute();
  dialogs.PushFile(file);
  form->OpenActionExecute();
  EXPECT_EQ(Lines(form->CodeMemo().Lines()), lines);
  ASSERT_TRUE(form->SaveActionExecute());  // named now: no dialog
  EXPECT_EQ(test::ReadText(file), first);
  EXPECT_EQ(dialogs.Pending(), 0u);
}

TEST_F(MainWindowTest, FileFaultsAreReportedAndNothingIsLost) {
  Start();
  // A damaged collection is reported, not shown as binary text.
  const std::string damaged = work + "damaged.mff";
  test::WriteText(damaged, std::string("&*\x01\x02\x03\x04\x05\x06\x07\x08\xff\xff", 12));
  form->OpenModel(damaged);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("damaged.mff"), std::string::npos);
  EXPECT_EQ(form->windowTitle().toStdString(), "Quorvane - [Untitled]");
  EXPECT_EQ(form->CodeMemo().Lines()[0], "Title \"Type your title here\";");

  // An export does not rename the document.
  form->CodeMemo().SetCaretXY(TPoint(1, 4));
  form->CodeMemo().SetSelText("Parameters a;\n");
  ASSERT_TRUE(form->CodeMemo().Modified());
  TScriptedDialogs::TAnswer html;
  html.Files = {work + "model.html"};
  html.FilterIndex = 2;
  dialogs.Push(html);
  ASSERT_TRUE(form->SaveAsActionExecute());
  EXPECT_TRUE(FileExists(work + "model.html"));
  EXPECT_EQ(form->windowTitle().toStdString(), "Quorvane - [Untitled]");
  EXPECT_TRUE(form->CodeMemo().Modified());

  // "Yes, save" whose save is cancelled keeps the model.
  dialogs.PushResult(mrYes);
  dialogs.PushResult(mrCancel);
  form->NewActionExecute();
  EXPECT_EQ(form->CodeMemo().Lines().Count(), 5);
  // Cancel at the question keeps the window open.
  dialogs.PushResult(mrCancel);
  EXPECT_FALSE(form->FormCloseQuery());
  EXPECT_TRUE(form->isVisible());

  // A recent file that is gone is reported and dropped.
  form->CodeMemo().SetModified(false);
  form->AddRecentFile(work + "gone.mff");
  form->OpenRecentFile(work + "gone.mff");
  EXPECT_EQ(Messages().back(), "File \"" + work + "gone.mff\" not exist!");
  EXPECT_EQ(form->ReopenFileList().IndexOf(work + "gone.mff"), -1);
}

TEST_F(MainWindowTest, InsertFileDataKeepsTheResultText) {
  Start({kLinear});
  StopAfter(100);
  form->RunButtonClick();
  const std::vector<std::string> report = Lines(form->ResultMemo().Lines());
  const std::string data = work + "data.csv";
  test::WriteText(data, "1;2\n3;4\n");
  form->CodeMemo().SetCaretXY(TPoint(1, 1));
  dialogs.PushFile(data);
  form->InsertFileData1Click();
  EXPECT_EQ(form->CodeMemo().Lines()[0], "1;2");
  EXPECT_EQ(Lines(form->ResultMemo().Lines()), report);
}

TEST_F(MainWindowTest, ClosingDuringARunStopsItThenCloses) {
  Start({kLinear});
  StopAfter(100000000);
  bool keptOpen = false;
  auto* timer = new QTimer(form.get());
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, form.get(), [&, timer] {
    if (!form->SearchRunning() || form->Engine().Run.Iteration < 20) return;
    if (!keptOpen) {
      dialogs.PushResult(mrNo);
      form->close();
      keptOpen = form->isVisible() && form->SearchRunning();
      return;
    }
    timer->stop();
    dialogs.PushResult(mrYes);
    form->close();
  });
  timer->start();
  form->RunButtonClick();
  EXPECT_TRUE(keptOpen);
  EXPECT_EQ(dialogs.Log().back().Text, "The procedure of optimization is running, stop it?");
  EXPECT_FALSE(form->SearchRunning());
  QApplication::processEvents();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowTest, SeveralFunctionsGetTheirListAndTheirOwnResults) {
  TRecordingSheet sheet;
  TFitFormHooks hooks;
  hooks.ShowSheet = [&](bool& created) -> TResultSheet* {
    created = true;
    return &sheet;
  };
  Start({kTwo}, hooks);
  StopAfter(200);
  form->RunButtonClick();
  auto* list = form->Get<QTreeWidget>("FunctionListBox");
  EXPECT_FALSE(form->Get<QWidget>("LeftPanel")->isHidden());
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->headerItem()->text(0).toStdString(), "Functions");
  EXPECT_EQ(list->headerItem()->text(1).toStdString(), "R");
  ASSERT_EQ(form->FunctionResults().size(), 2u);
  for (int k = 0; k < 2; ++k)
    EXPECT_EQ(list->topLevelItem(k)->text(1).toStdString(),
              Format("%0.6g", form->FunctionResults()[std::size_t(k)].Statistics.R));
  // The first function's text and chart come back from the list.
  list->setCurrentItem(list->topLevelItem(0));
  EXPECT_EQ(form->Engine().Model.CurrentFunction, 0);
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "====== Output Results ====="));
  EXPECT_EQ(form->ResultSeries()[1]->Count(), int(form->FunctionResults()[0].Observed.size()));
  // Catch Data: two columns per function, from the first data file.
  form->CatchDataClick();
  const int rows = int(form->FunctionResults()[0].Observed.size());
  EXPECT_EQ(sheet.Cells[std::make_pair(0, 0)], form->FunctionResults()[0].Output);
  EXPECT_EQ(sheet.Cells[std::make_pair(2, 0)], form->FunctionResults()[1].Output);
  EXPECT_EQ(sheet.Cells[std::make_pair(3, 1)], "Cal. " + form->FunctionResults()[1].Output);
  EXPECT_EQ(sheet.Cells.count({3, rows + 1}), 1u);
  EXPECT_EQ(sheet.Cells.count({4, 0}), 0u);
  EXPECT_EQ(sheet.Merges, (std::vector<std::string>{"0,0,2", "2,0,2"}));
}

// Catch Data with the program's data sheet window: the finished fit's
// observed and calculated values land in the window's current worksheet;
// a modified sheet is asked about before it is replaced, and a sheet
// window that was closed is made anew.
TEST_F(MainWindowTest, CatchDataWritesTheFitIntoTheDataSheetWindow) {
  TFitFormHooks hooks;
  ConnectDataSheet(hooks);
  Start({kLinear}, hooks);
  StopAfter(300);
  form->RunButtonClick();
  ASSERT_TRUE(Messages().empty()) << Messages().front();
  const TChartSeries& calc = *form->ResultSeries()[0];
  const TChartSeries& target = *form->ResultSeries()[1];
  const int rows = target.Count();
  ASSERT_GT(rows, 2);
  auto expectResults = [&](const char* when) {
    SCOPED_TRACE(when);
    ASSERT_NE(SpreadForm, nullptr);
    EXPECT_TRUE(SpreadForm->isVisible());
    EXPECT_FALSE(SpreadForm->Modified());
    TXLSheet& sheet = *SpreadForm->CurrentSheet();
    EXPECT_EQ(SpreadForm->CurrentSheet(), SpreadForm->Document().Worksheet(1));
    EXPECT_EQ(sheet.GetCellText(0, 0), "y");
    const TXLUnion* head = sheet.Section(skClient).UnionAt(1, 0);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->Rect, TRect(0, 0, 2, 1));
    EXPECT_EQ(sheet.GetCellText(0, 1), "Obs. y");
    EXPECT_EQ(sheet.GetCellText(1, 1), "Cal. y");
    for (int i = 0; i < rows; ++i) {
      EXPECT_DOUBLE_EQ(sheet.GetCellFloat(0, i + 2), target.GetYValue(i)) << "row " << i;
      EXPECT_EQ(sheet.GetCellText(1, i + 2), FormatFloat("0.00000", calc.GetYValue(i)))
          << "row " << i;
    }
    EXPECT_EQ(sheet.GetCellText(0, rows + 2), "");
    EXPECT_EQ(sheet.GetCellText(2, 1), "");
  };

  form->CatchDataClick();
  expectResults("a new sheet window");
  EXPECT_TRUE(dialogs.Log().empty());

  // A modified sheet: Cancel leaves it as it is; No replaces it.
  TSpreadForm* shown = SpreadForm;
  shown->CurrentSheet()->SetCellText(5, 5, "mine");
  shown->SetModified(true);
  dialogs.PushResult(mrCancel);
  form->CatchDataClick();
  ASSERT_EQ(dialogs.Log().size(), 1u);
  EXPECT_EQ(dialogs.Log().back().Text, "Spread sheet has been modified, save it?");
  EXPECT_EQ(shown->CurrentSheet()->GetCellText(5, 5), "mine");
  EXPECT_TRUE(shown->Modified());
  dialogs.PushResult(mrNo);
  form->CatchDataClick();
  EXPECT_EQ(dialogs.Log().size(), 2u);
  EXPECT_EQ(SpreadForm, shown);
  EXPECT_EQ(SpreadForm->CurrentSheet()->GetCellText(5, 5), "");
  expectResults("the same window, a new document");

  // Closed, the window is gone; the next Catch Data makes a new one.
  shown->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(SpreadForm, nullptr);
  form->CatchDataClick();
  expectResults("a window made again");
  EXPECT_EQ(dialogs.Log().size(), 2u);
}

// View Chromosomes opens a data sheet window of its own (not the program's
// data sheet), modal, holding the population; closing it frees it.
TEST_F(MainWindowTest, ViewChromosomesShowsThePopulationInASheetWindowOfItsOwn) {
  TFitFormHooks hooks;
  ConnectDataSheet(hooks);
  Start({kLinear}, hooks);
  StopAfter(50);
  form->RunButtonClick();
  ASSERT_TRUE(Messages().empty()) << Messages().front();
  const TEngineState& S = form->Engine();
  ASSERT_GT(S.Pop.PopSize, 1);
  std::vector<std::vector<std::string>> seen;
  bool modal = false;
  QPointer<TSpreadForm> shown;
  QTimer::singleShot(0, form.get(), [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* f = qobject_cast<TSpreadForm*>(w); f && f->isVisible()) shown = f;
    if (!shown) return;
    modal = shown->isModal();
    TXLSheet& sheet = *shown->CurrentSheet();
    for (int row = 0; row < 3; ++row)
      seen.push_back({sheet.GetCellText(0, row), sheet.GetCellText(1, row)});
    seen.push_back({sheet.GetCellText(0, S.Pop.PopSize + 1)});
    shown->close();
  });
  form->ViewChromosomes1Click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(modal);
  EXPECT_EQ(SpreadForm, nullptr);
  EXPECT_TRUE(shown.isNull());
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], (std::vector<std::string>{"", S.Model.ParameterNames[0]}));
  EXPECT_EQ(seen[1][0], "Chrom-1");
  EXPECT_EQ(seen[1][1], Format("%0.7g", S.Pop.Population[0][0]));
  EXPECT_EQ(seen[2][0], "Chrom-2");
  EXPECT_EQ(seen[3][0], "Best Chrom");
}

// The X-Y chart of a finished function shows the line the engine kept for
// it; a stop during the first of two functions ends the whole run and gives
// the window back.
TEST_F(MainWindowTest, FunctionChartUsesTheKeptLineAndAStopEndsAllFunctions) {
  Start({kTwo});
  StopAfter(200);
  form->RunButtonClick();
  ASSERT_EQ(form->FunctionResults().size(), 2u);
  auto* list = form->Get<QTreeWidget>("FunctionListBox");
  list->setCurrentItem(list->topLevelItem(0));
  form->LineLineChart1Click(1);
  const TFunctionResult& first = form->FunctionResults()[0];
  const TChartSeries& line = *form->ResultSeries()[1];
  ASSERT_EQ(line.Count(), 2);
  EXPECT_EQ(line.GetXValue(0), first.Line.X1);
  EXPECT_EQ(line.GetYValue(0), first.Line.Y1);
  EXPECT_EQ(line.GetXValue(1), first.Line.X2);
  EXPECT_EQ(line.GetYValue(1), first.Line.Y2);
  EXPECT_EQ(form->ResultSeries()[0]->Count(), int(first.Observed.size()));

  StopAfter(100000000);
  StopWhileRunning();
  form->RunButtonClick();
  EXPECT_EQ(form->FunctionResults().size(), 1u);
  EXPECT_EQ(form->Engine().Run.StopCode, scUserStop);
  EXPECT_TRUE(form->Get<QToolButton>("RunButton")->isEnabled());
  EXPECT_FALSE(form->Get<QToolButton>("StopButton")->isEnabled());
  EXPECT_FALSE(form->CodeMemo().ReadOnly());
  EXPECT_EQ(form->StatusText(3), "");
}

TEST_F(MainWindowTest, OptimisationShowsItsTextWithoutTheChart) {
  Start({kRosenbrock});
  StopAfter(200);
  form->RunButtonClick();
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(form->Get<QWidget>("Panel11")->isHidden());
  EXPECT_TRUE(HasLine(form->ResultMemo().Lines(), "====== Results ======"));
}

TEST_F(MainWindowTest, ReplacingATextByItselfNeverAsks) {
  Start();
  form->CodeMemo().Lines().SetText("ab ab ab\n");
  int asked = 0;
  form->ConfirmReplace = [&](const std::string&, const std::string&) {
    ++asked;
    return int(raReplace);
  };
  form->RunSearchDialog = [](TTextReplaceDialog& d, bool) {
    d.SetReplaceText(d.SearchText());
    return true;
  };
  form->CodeMemo().SetCaretXY(TPoint(1, 1));
  form->SearchReplaceText(true);
  EXPECT_EQ(asked, 0);
  form->RunSearchDialog = [](TTextReplaceDialog& d, bool) {
    d.SetSearchText("ab");
    d.SetReplaceText("cd");
    return true;
  };
  form->SearchState().FromCaret = false;
  form->SearchReplaceText(true);
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(form->CodeMemo().Lines()[0], "cd cd cd");
}

// A model file dropped on the model editor from another program opens as
// the model; the editor takes the drag only for files.
TEST_F(MainWindowTest, ModelFileDroppedOnTheEditorOpensIt) {
  Start();
  QWidget* viewport = form->Get<TCodeEditWidget>("CodeMemo")->viewport();
  const QPoint at(40, 40);
  QMimeData text;
  text.setText("not a file");
  QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &refused);
  EXPECT_FALSE(refused.isAccepted());

  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(QStr(kLinear))});
  QDragEnterEvent enter(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(form->CodeMemo().Lines()[1], "title Linear Fit;");
}

TEST_F(MainWindowTest, CommandLineExtensionsAreTakenWithoutRegardToCase) {
  const std::string upper = work + "LINE.MFF";
  std::filesystem::copy_file(kLinear, upper);
  Start({upper});
  EXPECT_EQ(form->windowTitle().toStdString(), "Quorvane - [" + upper + "]");
  EXPECT_EQ(form->CodeMemo().Lines()[1], "title Linear Fit;");
  EXPECT_EQ(form->ReopenFileList()[0], upper);
}

TEST_F(MainWindowTest, SheetFileFromTheCommandLineGoesToTheSheetWindow) {
  std::string opened;
  TFitFormHooks hooks;
  hooks.OpenSheetFile = [&](const std::string& name) { opened = name; };
  Start({work + "table.ssf"}, hooks);
  QApplication::processEvents();
  EXPECT_EQ(opened, work + "table.ssf");
  // No new model is started for it.
  EXPECT_EQ(form->windowTitle().toStdString(), "Quorvane - [Untitled]");
  EXPECT_EQ(form->CodeMemo().Lines().Count(), 0);
}

// With the data sheet window connected, a ".ssf" on the command line opens
// in it as a data editor document.
TEST_F(MainWindowTest, SheetFileFromTheCommandLineOpensInTheDataSheetWindow) {
  const std::string file = work + "table.ssf";
  {
    TSpreadDocument d;
    d.NewDocument(1);
    d.Worksheet(1)->SetCellText(0, 0, "kept");
    d.SaveSsf(file);
  }
  TFitFormHooks hooks;
  ConnectDataSheet(hooks);
  Start({file}, hooks);
  QApplication::processEvents();
  ASSERT_NE(SpreadForm, nullptr);
  EXPECT_TRUE(SpreadForm->isVisible());
  EXPECT_EQ(SpreadForm->windowTitle().toStdString(), "Quorvane Data Editor - [" + file + "]");
  EXPECT_EQ(SpreadForm->CurrentSheet()->GetCellText(0, 0), "kept");
  EXPECT_FALSE(SpreadForm->Modified());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(MainWindowTest, PopupMenusShowTheItemsOfTheirControl) {
  Start({kLinear});
  QMenu* menu = form->findChild<QMenu*>("EditPopupMenu");
  auto visible = [&] {
    std::vector<std::string> names;
    for (QAction* a : menu->actions())
      if (a->isVisible() && !a->isSeparator()) names.push_back(a->objectName().toStdString());
    return names;
  };
  form->SetPopupComponent("CodeMemo");
  form->EditPopupMenuPopup();
  EXPECT_EQ(visible(), (std::vector<std::string>{"Cut1", "Copy2", "Paste1", "SelectAll1",
                                                 "InsertItem", "ViewChromosomes1"}));
  EXPECT_FALSE(form->Action("Copy2")->isEnabled());  // nothing selected
  form->SetPopupComponent("FitChart");
  form->EditPopupMenuPopup();
  EXPECT_EQ(visible(), (std::vector<std::string>{"Copy2", "LineLineChart1", "PointLineChart1",
                                                 "XYChart1", "SaveChart1", "ViewChromosomes1"}));
  EXPECT_TRUE(form->Action("LineLineChart1")->isChecked());
  form->SetPopupComponent("ResultMemo");
  form->EditPopupMenuPopup();
  EXPECT_EQ(visible(), (std::vector<std::string>{"Copy2", "SelectAll1", "Save2", "Print2",
                                                 "CatchData1", "ViewChromosomes1"}));
  EXPECT_FALSE(form->Action("Save2")->isEnabled());  // no result text yet
}

TEST_F(MainWindowTest, EditingButtonsBelongToTheModelPage) {
  Start();
  for (int page : {1, 2, 0}) {
    form->SetActivePageIndex(page);
    form->PageControl1Change();
    for (const char* n : {"CutButton", "CopyButton", "PasteButton", "UndoButton", "RedoButton",
                          "SearchButton", "ReplaceButton", "PrintButton"})
      EXPECT_EQ(form->Get<QToolButton>(n)->isEnabled(), page == 0) << n << page;
    EXPECT_TRUE(form->Get<QToolButton>("RunButton")->isEnabled());
  }
}

TEST_F(MainWindowTest, ListCopiesAreTabSeparatedWithTheirHeader) {
  Start({kTwo});
  form->SetPopupComponent("FunctionListBox");
  form->Copy3Click();
  EXPECT_EQ(Clipboard().AsText(), "Functions\tR\r\n");
  StopAfter(100);
  form->RunButtonClick();
  form->SetPopupComponent("FunctionListBox");
  form->R1Click(3);
  EXPECT_EQ(ComponentTag(form->Component("Panel11")), 3);
  form->Copy3Click();
  const auto& r = form->FunctionResults();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(Clipboard().AsText(), "Functions\tSSE\r\n" + r[0].Output + "\t" +
                                      Format("%0.6g", r[0].Statistics.SSE) + "\r\n" + r[1].Output +
                                      "\t" + Format("%0.6g", r[1].Statistics.SSE) + "\r\n");
  form->CopyAll1Click();
  const std::string all = Clipboard().AsText();
  EXPECT_EQ(all.substr(0, all.find('\r')), "Function\tR\tDC\tRMSE\tSSE");
  EXPECT_NE(all.find(r[1].Output + Format("\t%0.5f", r[1].Statistics.R)), std::string::npos);
}

TEST_F(MainWindowTest, InspectorShowsTheThreeObjectsAndTheChartsSeries) {
  Start({kLinear});
  StopAfter(50);
  form->RunButtonClick();
  form->InspectActionExecute();
  auto* panel = form->Get<QWidget>("InspectPanel");
  auto* combo = form->Get<QComboBox>("ObjComboBox");
  EXPECT_FALSE(panel->isHidden());
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(2).toStdString(), "Result Chart");
  form->ObjComboBoxDropDown();
  ASSERT_EQ(combo->count(), 5);
  EXPECT_EQ(combo->itemText(4).toStdString(), "Series2");
  combo->setCurrentIndex(4);
  form->ObjComboBoxChange();
  auto& inspector = form->findChild<TQtPropInspector*>("ObjInspec")->Inspector();
  EXPECT_EQ(inspector.InspectedObject().Object, form->ResultSeries()[1].get());
  // A run goes back to the chart itself.
  form->RunButtonClick();
  EXPECT_EQ(combo->currentIndex(), 2);
  form->SpeedButton4Click();
  EXPECT_TRUE(panel->isHidden());
}

TEST_F(MainWindowTest, ProgramModelListsItsDataFilesAndAsksForTheTestValues) {
  QV_REQUIRE_PEER(!test::FindPeerProgram("/usr/bin/fpc").empty(), "The Pascal compiler fpc");
  std::vector<std::string> asked;
  TFitFormHooks hooks;
  hooks.EditTestValues = [&](const std::vector<std::string>& titles, std::vector<double>& values) {
    asked = titles;
    for (double& v : values) v = 0.5;
    return true;
  };
  Start({kDrift}, hooks);
  StopAfter(100);
  // A program read from a file runs only once the user has said so.
  dialogs.PushResult(mrNo);
  form->RunButtonClick();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("The model \"Sensor Drift Program.mff\" holds a program", 0), 0u);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(form->ActivePageIndex(), 0);
  dialogs.ClearLog();
  dialogs.PushResult(mrYes);
  form->RunButtonClick();
  ASSERT_EQ(Messages().size(), 1u) << Messages().back();
  EXPECT_EQ(asked, (std::vector<std::string>{"offset for \"sensor C\""}));
  auto* list = form->Get<QTreeWidget>("FunctionListBox");
  EXPECT_EQ(list->headerItem()->text(0).toStdString(), "Data File Names");
  ASSERT_EQ(list->topLevelItemCount(), 3);
  EXPECT_EQ(list->topLevelItem(2)->foreground(0).color(), QColor(Qt::red));
  EXPECT_NE(list->topLevelItem(0)->foreground(0).color(), QColor(Qt::red));
  list->setCurrentItem(list->topLevelItem(1));
  EXPECT_EQ(form->Engine().Model.CurrentFile, 1);
  EXPECT_EQ(form->ResultSeries()[1]->Count(), form->Engine().Model.PointCount[1]);
  // Asked once: the next run goes straight on.
  dialogs.ClearLog();
  form->RunButtonClick();
  EXPECT_TRUE(Messages().empty());
}

TEST_F(MainWindowTest, GoToLineAndHelpSayWhatTheyCannotDo) {
  Start({kLinear});
  dialogs.PushInput("5");
  form->GoToLine1Click();
  EXPECT_EQ(dialogs.Log().back().Caption, "Go to line");
  EXPECT_EQ(dialogs.Log().back().Text, "Enter Line Number");
  EXPECT_EQ(form->CodeMemo().CaretY(), 5);
  dialogs.PushInput("five");
  form->GoToLine1Click();
  EXPECT_EQ(Messages().back(), "'five' is not a valid line number");
  EXPECT_EQ(form->CodeMemo().CaretY(), 5);

  form->Content1Click();
  EXPECT_EQ(Messages().back(), "The help file \"Quorvane.chm\" is not installed.");
  // The opener runs on its own; its failure is told when it has ended.
  SetShellOpenProgram("/bin/false");
  const std::size_t shown = Messages().size();
  form->HomePage1Click();
  QElapsedTimer waited;
  waited.start();
  while (Messages().size() == shown && waited.elapsed() < 20000)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_GT(Messages().size(), shown);
  EXPECT_NE(Messages().back().find("could not be opened"), std::string::npos);
  SetShellOpenProgram("xdg-open");
}

}  // namespace
}  // namespace qv
