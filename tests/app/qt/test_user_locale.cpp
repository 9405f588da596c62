// The program in a user's locale with a decimal comma (de_DE.UTF-8 and
// fr_FR.UTF-8, offscreen): the model text, its data files, constants, the
// settings boxes and the settings file are read with "." as under "C", and
// a run gives the same report and the same values to the bit; the data
// sheet imports text, computes formulas and statistics and writes its files
// as under "C".
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTreeWidget>

#include "../LocaleTestSupport.h"
#include "../SpreadTestSupport.h"
#include "MainWindowFixture.h"
#include "app/ChartUnit.h"
#include "app/spread/qt/SpreadUnit.h"
#include "chart/Chart.h"
#include "grid/qt/QtXLGrid.h"
#include "platform/gui/QtCanvas.h"
#include "tests/support/SettingsTestSupport.h"

namespace qv {
namespace {

const std::string kExamples = std::string(QV_SOURCE_DIR) + "/examples/";
const char* const kCommaLocales[] = {"de_DE.UTF-8", "fr_FR.UTF-8"};

// The lines of a text file, without their CR LF or LF.
std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> out(1);
  for (const char c : Text) {
    if (c == '\n')
      out.emplace_back();
    else if (c != '\r')
      out.back() += c;
  }
  if (out.back().empty()) out.pop_back();
  return out;
}

// Whether the scope's locale is what the test means: the user's locale has
// a decimal comma, and the program still writes numbers with ".".
void ExpectDecimalCommaLocale(const std::string& Locale) {
  if (Locale == "C") return;
  EXPECT_EQ(TFormatSettings::FromLocale().DecimalSeparator, ',') << Locale;
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.') << Locale;
  EXPECT_EQ(FloatToStr(0.5), "0.5") << Locale;
}

// What a run shows: the messages, the result text without its elapsed time,
// and the best member.
struct TRunShown {
  std::vector<std::string> Messages;
  std::vector<std::string> Lines;
  std::vector<double> Best;
};

class UserLocaleWindow : public test::TMainWindowFixture {
 protected:
  static void SetUpTestSuite() { SetUpWindowSuite("user_locale"); }
  void SetUp() override { SetUpWindow("user_locale"); }

  // Model run in a new window under Locale: the same seed and at most
  // Iterations iterations every time.
  TRunShown Run(const std::string& Locale, const std::string& Model, int Iterations) {
    test::TUserLocaleScope locale(Locale);
    EXPECT_TRUE(locale.Ready) << Locale << ": " << locale.Why;
    if (!locale.Ready) return {};
    ExpectDecimalCommaLocale(Locale);
    if (form) {
      form->close();
      form.reset();
    }
    const size_t before = Messages().size();
    Start({Model});
    form->Engine().Run.Random.SetSeed(2718);
    StopAfter(Iterations);
    form->RunButtonClick();
    TRunShown shown;
    const std::vector<std::string> all = Messages();
    shown.Messages.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    for (const std::string& line : Lines(form->ResultMemo().Lines()))
      if (line.rfind("Elapsed Time", 0) != 0) shown.Lines.push_back(line);
    shown.Best = form->Engine().Pop.BestPosition;
    return shown;
  }
};

// The shipped examples and a model of decimals everywhere (parameter
// ranges, an initial value, a constant, a data file with ";" and tabs), with
// the settings boxes at their decimal defaults ("0.85", "0.7", "2.05", ...),
// written back to the settings file at each close and read at each start.
TEST_F(UserLocaleWindow, ModelsRunAsUnderC) {
  const std::string decimals = work + "decimals.mff";
  test::WriteText(work + "decay.csv",
                  "0;5\n0.25;4.6417\n0.5\t4.3008\n0.75 ; 3.9837\n1;3.6995\n1.5;3.1887\n"
                  "2;2.7391\n3;2.0339\n4;1.4925\n");
  test::WriteText(decimals,
                  "title Decimals;\nvariables t, y;\n"
                  "parameters a = 5.5 [0.5, 20.5], k [0.05, 2.5];\nconstant c = 0.5;\n"
                  "function y = a*exp(-k*t*c*2.0);\ndatafile decay.csv;\n");
  const std::string models[] = {kExamples + "Regression Curve Fit/Exponential Decay.mff",
                                kExamples + "Optimization/Rosenbrock.mff", decimals};
  for (const std::string& model : models) {
    SCOPED_TRACE(model);
    const TRunShown c = Run("C", model, 300);
    ASSERT_TRUE(c.Messages.empty()) << c.Messages[0];
    ASSERT_FALSE(c.Best.empty());
    ASSERT_FALSE(c.Lines.empty());
    for (const char* locale : kCommaLocales) {
      SCOPED_TRACE(locale);
      const TRunShown shown = Run(locale, model, 300);
      ASSERT_TRUE(shown.Messages.empty()) << shown.Messages[0];
      EXPECT_EQ(shown.Lines, c.Lines);
      EXPECT_EQ(shown.Best, c.Best);
    }
  }
}

// The chart analysis window: the range it offers for a parameter, the range
// typed into it, the line under the chart and the data it saves (",", then
// "." decimals) as under "C".
TEST_F(UserLocaleWindow, ChartAnalysisRangesAndDataAsUnderC) {
  const std::string model = kExamples + "Regression Curve Fit/Linear Fit.mff";
  auto shown = [&](const std::string& Locale) {
    std::vector<std::string> out;
    const TRunShown run = Run(Locale, model, 300);
    EXPECT_TRUE(run.Messages.empty()) << run.Messages[0];
    test::TUserLocaleScope locale(Locale);
    EXPECT_TRUE(locale.Ready) << Locale << ": " << locale.Why;
    if (!locale.Ready) return out;
    TChartForm chart(form->Engine(), false, &form->Hooks());
    chart.FillParameters();
    chart.show();
    QApplication::processEvents();
    chart.ParListView->setCurrentItem(chart.ParListView->topLevelItem(0));
    chart.MoveBTClick();
    QTreeWidgetItem* item = chart.ActiveListView->topLevelItem(0);
    out.push_back(item->text(1).toStdString());
    out.push_back(item->text(2).toStdString());
    item->setText(1, "0.5");
    item->setText(2, "2.5");
    item->setText(3, "4");
    chart.DrawBTClick();
    for (const std::string& m : Messages()) out.push_back("message: " + m);
    for (int i = 0; i < chart.Chart1().SubFoot().Text().Count(); ++i)
      out.push_back(chart.Chart1().SubFoot().Text()[i]);
    const std::string data = work + "chart-" + Locale + ".csv";
    TScriptedDialogs::TAnswer save;
    save.Files = {data};
    dialogs.Push(save);
    chart.SaveData1Click();
    for (const std::string& line : SplitLines(test::ReadText(data))) out.push_back(line);
    return out;
  };
  const std::vector<std::string> c = shown("C");
  ASSERT_GE(c.size(), 9u);
  EXPECT_EQ(c[3], "X,Y");
  EXPECT_EQ(c[4].rfind("0.5,", 0), 0u) << c[4];
  for (const char* locale : kCommaLocales) {
    SCOPED_TRACE(locale);
    EXPECT_EQ(shown(locale), c);
  }
}

// The data sheet: text imported with "." decimals, formulas over it, the
// statistics of a selection, and the text, sheet and workbook files it
// writes and reads back, all as under "C".
class UserLocaleSheet : public test::SpreadTest {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }

  struct TShown {
    std::vector<std::string> Cells, Statistics, Text, SsfCells, XlsCells;
    std::vector<std::string> Messages;
  };

  static std::vector<std::string> Cells(const TXLSheet& Sheet) {
    std::vector<std::string> out;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) out.push_back(Sheet.GetCellText(c, r));
    return out;
  }

  TShown Shown(const std::string& Locale) {
    TShown shown;
    test::TUserLocaleScope locale(Locale);
    EXPECT_TRUE(locale.Ready) << Locale << ": " << locale.Why;
    if (!locale.Ready) return shown;
    ExpectDecimalCommaLocale(Locale);
    const std::string in = test::OutFile("user_locale_sheet", "in.csv");
    test::WriteText(in, "0.5;1.5\n2.5;3.5\n1e-1\t-2.25\n");
    TSpreadForm form;
    form.show();
    EXPECT_TRUE(form.Document().OpenFile(in));
    TXLSheet& s = *form.CurrentSheet();
    s.SetCellText(2, 0, form.Formulas().EvaluateFormula("=A1*3+B1", 2, 0, s));
    s.SetCellText(2, 1, form.Formulas().EvaluateFormula("=AVERAGE(A1:B2)", 2, 1, s));
    s.SetCellText(2, 2, form.Formulas().EvaluateFormula("=SUM(SQRT,A1:A2)", 2, 2, s));
    s.SetCellText(3, 0, form.Formulas().EvaluateFormula("=A1/4", 3, 0, s));
    shown.Cells = Cells(s);
    for (const TRect& r : {TRect(0, 0, 2, 2), TRect(0, 0, 2, 3), TRect(2, 0, 4, 1)}) {
      form.MDIGrid->Grid().SetCurCell(r.Left, r.Top);
      form.MDIGrid->Grid().SelectRange(r.Left, r.Top, r.Right, r.Bottom);
      for (int i = 0; i < 3; ++i) QApplication::processEvents();
      shown.Statistics.push_back(form.StatusPanel1->text().toStdString());
    }
    const std::string text = test::OutFile("user_locale_sheet", "out.csv");
    const std::string ssf = test::OutFile("user_locale_sheet", "out.ssf");
    const std::string xls = test::OutFile("user_locale_sheet", "out.xls");
    form.Document().SaveText(text);
    form.Document().SaveSsf(ssf);
    form.Document().SaveXls(xls);
    shown.Text = SplitLines(test::ReadText(text));
    EXPECT_TRUE(form.Document().OpenFile(ssf));
    shown.SsfCells = Cells(*form.CurrentSheet());
    EXPECT_TRUE(form.Document().OpenFile(xls));
    shown.XlsCells = Cells(*form.CurrentSheet());
    shown.Messages = Messages();
    form.SetModified(false);
    return shown;
  }
};

TEST_F(UserLocaleSheet, TextFormulasStatisticsAndFilesAsUnderC) {
  const TShown c = Shown("C");
  ASSERT_TRUE(c.Messages.empty()) << c.Messages[0];
  EXPECT_EQ(c.Cells, (std::vector<std::string>{"0.5", "1.5", "3", "0.125", "2.5", "3.5", "2", "",
                                               "1e-1", "-2.25", "2.288245611", ""}));
  EXPECT_EQ(c.Statistics, (std::vector<std::string>{"Sum=8; Ave.=2; Max.=3.5; Min.=0.5",
                                                    "Sum=5.85; Ave.=0.975; Max.=3.5; Min.=-2.25",
                                                    "Sum=3.125; Ave.=1.563; Max.=3; Min.=0.125"}));
  EXPECT_EQ(c.SsfCells, c.Cells);
  EXPECT_EQ(c.XlsCells, c.Cells);
  for (const char* locale : kCommaLocales) {
    SCOPED_TRACE(locale);
    const TShown shown = Shown(locale);
    ASSERT_TRUE(shown.Messages.empty()) << shown.Messages[0];
    EXPECT_EQ(shown.Cells, c.Cells);
    EXPECT_EQ(shown.Statistics, c.Statistics);
    EXPECT_EQ(shown.Text, c.Text);
    EXPECT_EQ(shown.SsfCells, c.SsfCells);
    EXPECT_EQ(shown.XlsCells, c.XlsCells);
  }
}

}  // namespace
}  // namespace qv
