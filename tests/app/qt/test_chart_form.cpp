// The chart analysis window after real runs (offscreen, dialogs scripted):
// the parameter lists, the measure at a known point against the engine's,
// the four kinds of chart, the saved data and chart files (the metafile
// rendered by libwmf), the refused ranges, the range editor and the
// irregular grid of fractional steps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <cmath>
#include <filesystem>

#include "MainWindowFixture.h"
#include "app/AppControls.h"
#include "app/ChartUnit.h"
#include "app/EditUnit.h"
#include "app/PFMainUnit.h"
#include "app/SettingsPage.h"
#include "chart/Chart.h"
#include "chart/PlotSurfa.h"
#include "chart/Series.h"
#include "chart/VuzIduro.h"
#include "chart/qt/ChartWidget.h"
#include "editor/CodeEdit.h"
#include "editor/qt/QtCodeCompletionProposal.h"
#include "platform/core/Process.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtServices.h"
#include "support/qt/QtPropInsp.h"

namespace qv {
namespace {

const std::string kExamples = std::string(QV_SOURCE_DIR) + "/examples/";
const std::string kLinear = kExamples + "Regression Curve Fit/Linear Fit.mff";
const std::string kRosenbrock = kExamples + "Optimization/Rosenbrock.mff";

std::string Read(const std::string& path) {
  TFileStream f(path, fmOpenRead);
  std::string s(std::size_t(f.Size()), '\0');
  f.ReadBuffer(s.data(), f.Size());
  return s;
}

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text = Read(path), line;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  return lines;
}

class ChartFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::TMainWindowFixture::SetUpWindowSuite("chart_form"); }
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    SetDialogService(&dialogs);
    work = std::string(QV_BINARY_DIR) + "/chart_form_files/";
    std::filesystem::remove_all(work);
    ForceDirectories(work);
  }
  void TearDown() override {
    chart.reset();
    if (form) {
      form->CodeMemo().SetModified(false);
      form->close();
      form.reset();
    }
    SetDialogService(nullptr);
  }
  // Runs the model for a few hundred iterations, then opens the window.
  TChartForm& RunAndOpen(const std::string& model) {
    form = std::make_unique<TFitForm>(std::vector<std::string>{model});
    form->show();
    QApplication::processEvents();
    form->SettingsPage().Get<QRadioButton>("RB2")->setChecked(true);
    qobject_cast<QComboBox*>(form->SettingsPage().Control("ComboBox1"))->setEditText("300");
    form->RunButtonClick();
    chart = std::make_unique<TChartForm>(form->Engine(), false, &form->Hooks());
    chart->FillParameters();
    chart->resize(760, 520);
    chart->show();
    QApplication::processEvents();
    return *chart;
  }
  void MoveDown(int row) {
    chart->ParListView->setCurrentItem(chart->ParListView->topLevelItem(row));
    chart->MoveBTClick();
  }
  void SetRange(int row, const std::string& from, const std::string& to, const std::string& size) {
    QTreeWidgetItem* it = chart->ActiveListView->topLevelItem(row);
    it->setText(1, QStr(from));
    it->setText(2, QStr(to));
    it->setText(3, QStr(size));
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> m;
    for (const auto& e : dialogs.Log())
      if (e.Kind == "Message") m.push_back(e.Text);
    return m;
  }
  // The chart as the window shows it, for looking at.
  void SavePicture(const std::string& name) {
    QWidget* w = chart->findChild<QWidget*>("Chart1");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->grab().save(QStr(std::string(QV_BINARY_DIR) + "/" + name), "PNG"));
  }

  TScriptedDialogs dialogs;
  std::unique_ptr<TFitForm> form;
  std::unique_ptr<TChartForm> chart;
  std::string work;
};

TEST_F(ChartFormTest, ListsMoveBetweenFixedAndActive) {
  RunAndOpen(kLinear);
  ASSERT_EQ(chart->ParListView->topLevelItemCount(), 2);
  EXPECT_EQ(StdStr(chart->ParListView->topLevelItem(0)->text(0)), "a");
  EXPECT_TRUE(chart->ParListView->isColumnHidden(2));
  const double a = chart->ParameterCopy()[0];
  EXPECT_EQ(StdStr(chart->ParListView->topLevelItem(0)->text(1)), Format("%0.4g", a));
  // b first, then a goes before it (index order).
  MoveDown(1);
  MoveDown(0);
  ASSERT_EQ(chart->ActiveListView->topLevelItemCount(), 2);
  EXPECT_EQ(StdStr(chart->ActiveListView->topLevelItem(0)->text(0)), "a");
  EXPECT_EQ(StdStr(chart->ActiveListView->topLevelItem(0)->text(3)), "30");
  EXPECT_FALSE(chart->MoveBT->isEnabled());
  EXPECT_TRUE(chart->DrawBT->isEnabled());
  // Back up: b returns to the fixed list in index order.
  chart->ActiveListView->setCurrentItem(chart->ActiveListView->topLevelItem(1));
  chart->MoveUpBTClick();
  EXPECT_EQ(chart->ParListView->topLevelItemCount(), 1);
  EXPECT_TRUE(chart->MoveBT->isEnabled());
  // The offered ranges: half and twice, the lower first.
  double from = 0, to = 0;
  DefaultChartRange(-4, from, to);
  EXPECT_EQ(from, -8);
  EXPECT_EQ(to, -2);
  DefaultChartRange(3, from, to);
  EXPECT_EQ(from, 1.5);
  EXPECT_EQ(to, 6);
}

TEST_F(ChartFormTest, OneParameterDrawsTheMeasureThatTheEngineComputes) {
  RunAndOpen(kLinear);
  const double a = chart->ParameterCopy()[0];
  MoveDown(0);
  // Three steps around the best value: the middle one is the best member.
  SetRange(0, Format("%0.17g", a - 1), Format("%0.17g", a + 1), "2");
  chart->DrawBTClick();
  ASSERT_TRUE(Messages().empty()) << Messages().front();
  const TChartGrid& g = chart->Grid();
  ASSERT_EQ(g.Values.size(), 3u);
  EXPECT_NEAR(g.Values[1][0], form->Engine().Pop.BestDC, 1e-9);
  EXPECT_GT(g.Values[1][0], g.Values[0][0]);
  EXPECT_GT(g.Values[1][0], g.Values[2][0]);
  ASSERT_EQ(chart->Chart1().SeriesCount(), 1);
  EXPECT_NE(dynamic_cast<TLineSeries*>(&chart->Chart1().GetSeries(0)), nullptr);
  EXPECT_EQ(chart->Chart1().GetSeries(0).Count(), 3);
  EXPECT_FALSE(chart->Chart1().View3D());
  EXPECT_TRUE(chart->ListPanel->isHidden());
  ASSERT_EQ(chart->Chart1().SubFoot().Text().Count(), 1);
  EXPECT_EQ(chart->Chart1().SubFoot().Text()[0],
            "a=" + Format("%0.5g", g.BestArgument[0]) + "; DC=" + Format("%0.5g", g.Best));
  // The engine's slots are as they were.
  EXPECT_EQ(form->Engine().Model.ParameterValues[0], form->Engine().Model.ParameterValues[0]);

  // A wide line, saved as a picture and its data as CSV.
  chart->ListPanel->show();
  SetRange(0, "0", "5", "50");
  chart->DrawBTClick();
  SavePicture("chart-form-line.png");
  TScriptedDialogs::TAnswer save;
  save.Files = {work + "line.csv"};
  dialogs.Push(save);
  chart->SaveData1Click();
  const std::vector<std::string> lines = FileLines(work + "line.csv");
  ASSERT_EQ(lines.size(), 52u);
  EXPECT_EQ(lines[0], "X,Y");
  EXPECT_EQ(lines[1], "0," + Format("%0.6g", chart->Grid().Values[0][0]));
  EXPECT_EQ(lines[51], "5," + Format("%0.6g", chart->Grid().Values[50][0]));
  EXPECT_EQ(dialogs.Log().back().Caption, "Chart Data Save");
}

TEST_F(ChartFormTest, TwoParametersDrawSurfaceContourAndColourGrid) {
  RunAndOpen(kLinear);
  MoveDown(0);
  MoveDown(0);
  SetRange(0, "2", "3", "20");
  SetRange(1, "0", "2", "10");
  chart->DrawBTClick();
  ASSERT_TRUE(Messages().empty()) << Messages().front();
  const TChartGrid& g = chart->Grid();
  ASSERT_EQ(g.Values.size(), 21u);
  ASSERT_EQ(g.Values[0].size(), 11u);
  const double* before = g.Values[0].data();
  auto* surface = dynamic_cast<TSurfaceSeries*>(&chart->Chart1().GetSeries(0));
  ASSERT_NE(surface, nullptr);
  EXPECT_TRUE(chart->Chart1().View3D());
  EXPECT_EQ(surface->Count(), 21 * 11);
  // Steps of 0.05 and 0.2: every point keeps its own cell.
  EXPECT_TRUE(surface->IrregularGrid());
  surface->BeforeDrawChart();
  EXPECT_EQ(surface->NumXValues(), 21);
  EXPECT_EQ(surface->NumZValues(), 11);
  SavePicture("chart-form-surface.png");

  chart->ContourChart1Click();
  auto* contour = dynamic_cast<TContourSeries*>(&chart->Chart1().GetSeries(0));
  ASSERT_NE(contour, nullptr);
  EXPECT_EQ(contour->NumLevels(), 20);
  EXPECT_FALSE(chart->Chart1().View3D());
  SavePicture("chart-form-contour.png");
  chart->ColorGridChart1Click();
  auto* grid = dynamic_cast<TColorGridSeries*>(&chart->Chart1().GetSeries(0));
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->StartColor(), TColor(0xFF));
  EXPECT_EQ(grid->MidColor(), TColor(0xFFFF));
  EXPECT_EQ(grid->EndColor(), TColor(0xFF0000));
  SavePicture("chart-form-colorgrid.png");
  // Switching the kind drew from the same grid: nothing was evaluated.
  EXPECT_EQ(chart->Grid().Values[0].data(), before);

  // The popup: the kinds with their check mark.
  chart->PopupMenu1Popup();
  EXPECT_TRUE(chart->MenuAction("ColorGridChart1")->isChecked());
  EXPECT_FALSE(chart->MenuAction("SurfaceChart1")->isChecked());
  EXPECT_TRUE(chart->MenuAction("SaveData1")->isEnabled());

  // The grid form, second parameter from its To down; the X-Y-Z form.
  TScriptedDialogs::TAnswer gridForm;
  gridForm.Files = {work + "grid.csv"};
  gridForm.FilterIndex = 1;
  dialogs.Push(gridForm);
  chart->SaveData1Click();
  std::vector<std::string> lines = FileLines(work + "grid.csv");
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0].substr(0, lines[0].find(',')), Format("%0.6g", g.Values[0][10]));
  EXPECT_EQ(lines[10].substr(lines[10].rfind(',') + 1), Format("%0.6g", g.Values[20][0]));
  TScriptedDialogs::TAnswer xyz;
  xyz.Files = {work + "xyz.csv"};
  xyz.FilterIndex = 2;
  dialogs.Push(xyz);
  chart->SaveData1Click();
  lines = FileLines(work + "xyz.csv");
  ASSERT_EQ(lines.size(), 1u + 21 * 11);
  EXPECT_EQ(lines[0], "X,Y,Z");
  EXPECT_EQ(lines[2], "2,0.2," + Format("%0.6g", g.Values[0][1]));

  // The chart files: the chart stream, a bitmap and a metafile.
  for (auto [name, filter] : {std::pair{"grid.qvc", 1}, {"grid.bmp", 2}, {"grid.wmf", 3}}) {
    TScriptedDialogs::TAnswer a;
    a.Files = {work + name};
    a.FilterIndex = filter;
    dialogs.Push(a);
    chart->Save1Click();
    ASSERT_TRUE(FileExists(work + name)) << name;
  }
  EXPECT_EQ(Read(work + "grid.qvc").substr(0, 4), std::string("\x60\x30\x40\x01", 4));
  EXPECT_EQ(Read(work + "grid.bmp").substr(0, 2), "BM");
  EXPECT_EQ(Read(work + "grid.wmf").substr(0, 4), std::string("\xD7\xCD\xC6\x9A", 4));
  const std::string svg = work + "grid.svg";
  const TProcessResult r = RunProcess("wmf2svg", {"-o", svg, work + "grid.wmf"}, 30000);
  ASSERT_TRUE(r.Succeeded()) << r.StdErr << r.Error;
  EXPECT_NE(Read(svg).find("<svg"), std::string::npos);
  RunProcess(
      "wmf2gd",
      {"-t", "png", "-o", std::string(QV_BINARY_DIR) + "/chart-form-wmf.png", work + "grid.wmf"},
      30000);
}

TEST_F(ChartFormTest, RangesThatCannotBeWalkedAreRefused) {
  RunAndOpen(kLinear);
  MoveDown(0);
  struct Case {
    const char *from, *to, *size;
  } cases[] = {
      {"1", "2", "0"}, {"1", "2", ""}, {"1", "1", "10"}, {"x", "2", "10"}, {"1", "2", "2.5"}};
  for (const Case& c : cases) {
    dialogs.ClearLog();
    SetRange(0, c.from, c.to, c.size);
    chart->DrawBTClick();
    EXPECT_EQ(Messages().size(), 1u) << c.from << " " << c.to << " " << c.size;
    EXPECT_EQ(chart->Chart1().SeriesCount(), 0);
    EXPECT_FALSE(chart->ListPanel->isHidden());
  }
  // A parameter of value 0 gets From = To = 0: refused, not divided by.
  TChartRange zero{"a", 0, 0, 0, 30};
  EXPECT_FALSE(CheckChartRange(zero).empty());
}

TEST_F(ChartFormTest, RangeEditorWritesOneOrBothItems) {
  RunAndOpen(kLinear);
  MoveDown(0);
  MoveDown(0);
  chart->EditOnActiveList = true;
  chart->ActiveListView->setCurrentItem(chart->ActiveListView->topLevelItem(1));
  std::string caption;
  chart->RunEditForm = [&](TEditForm& f) {
    caption = StdStr(f.windowTitle());
    EXPECT_TRUE(f.CheckBox1->isVisibleTo(&f));
    f.Edit1->setText("-1");
    f.Edit2->setText("4");
    f.ComboBox1->setCurrentText("40");
    f.CheckBox1->setChecked(true);
    return f.Confirm();
  };
  chart->EditBTClick();
  EXPECT_EQ(caption, "b - [" + Format("%0.5g", chart->ParameterCopy()[1]) + "]");
  EXPECT_EQ(StdStr(chart->ActiveListView->topLevelItem(1)->text(1)), "-1");
  EXPECT_EQ(StdStr(chart->ActiveListView->topLevelItem(1)->text(2)), "4");
  EXPECT_EQ(StdStr(chart->ActiveListView->topLevelItem(0)->text(3)), "40");
  EXPECT_EQ(StdStr(chart->ActiveListView->topLevelItem(1)->text(3)), "40");
  // The editor refuses steps of 0 and an empty range.
  TEditForm f;
  f.SetValues("1", "2", "0", false);
  EXPECT_FALSE(f.Confirm());
  f.SetValues("1", "1", "10", false);
  EXPECT_FALSE(f.Confirm());
  f.SetValues("1", "2", "10", false);
  EXPECT_TRUE(f.Confirm());
  EXPECT_EQ(f.Steps(), 10);
  // Its boxes take only the keys of their numbers.
  f.Edit1->clear();
  for (char c : std::string("1a.5")) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(c)));
    QApplication::sendEvent(f.Edit1, &press);
  }
  EXPECT_EQ(StdStr(f.Edit1->text()), "1.5");
  // Edit on an empty fixed list.
  chart->EditOnActiveList = false;
  dialogs.ClearLog();
  chart->EditBTClick();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "No item selected!");
}

TEST_F(ChartFormTest, RowsThatCannotBeEvaluatedCountAsZeroAndNeverStopTheDrawing) {
  const std::string model = work + "root.mff";
  {
    TStringList l;
    for (const char* line :
         {"title Root;", "variables x, y;", "parameters a [0, 5], b [0, 0.5];",
          "function y = a*sqrt(x - b);", "data;", "1 1", "2 1.4", "3 1.7", "4 2"})
      l.Add(line);
    l.SaveToFile(model);
  }
  RunAndOpen(model);
  const double a = chart->ParameterCopy()[0];
  // RMSE: the windows' own measure over b = 0, 1, 2, 3.
  chart.reset();
  chart = std::make_unique<TChartForm>(form->Engine(), true, &form->Hooks());
  chart->FillParameters();
  MoveDown(1);
  SetRange(0, "0", "3", "3");
  chart->DrawBTClick();
  ASSERT_TRUE(Messages().empty()) << Messages().front();
  const double x[] = {1, 2, 3, 4}, y[] = {1, 1.4, 1.7, 2};
  for (int i = 0; i < 4; ++i) {
    double sse = 0;
    for (int r = 0; r < 4; ++r) {
      const double e = x[r] - i < 0 ? 3 * y[r] : y[r] - a * std::sqrt(x[r] - i);
      sse += e * e;
    }
    EXPECT_NEAR(chart->Grid().Values[std::size_t(i)][0], std::sqrt(sse / 4), 1e-9) << i;
  }
  EXPECT_EQ(ChartMeasureName(form->Engine(), true), "RMSE");
}

TEST_F(ChartFormTest, OptimisationDrawsTheObjective) {
  RunAndOpen(kRosenbrock);
  EXPECT_EQ(ChartMeasureName(form->Engine(), false), "Min. Value");
  MoveDown(0);
  MoveDown(0);
  SetRange(0, "0", "2", "2");
  SetRange(1, "0", "2", "2");
  chart->ContourChart1Click();
  chart->DrawBTClick();
  ASSERT_TRUE(Messages().empty()) << Messages().front();
  const TChartGrid& g = chart->Grid();
  // (1 - x)^2 + 100 (y - x^2)^2 at the nine points; its minimum at (1, 1).
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const double x = i, y = j;
      EXPECT_NEAR(g.Values[i][j], (1 - x) * (1 - x) + 100 * (y - x * x) * (y - x * x), 1e-9);
    }
  EXPECT_EQ(g.BestArgument, (std::vector<double>{1, 1}));
  EXPECT_EQ(chart->Chart1().SubFoot().Text()[0], "x=1; y=1; Min. Value=0");
}

}  // namespace
}  // namespace qv
