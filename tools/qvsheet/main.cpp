// qvsheet: the data sheet window on its own, until the main window opens it.
//
//   qvsheet [FILE]               opens FILE (".ssf" with the command-line
//                                caption "Quorvane Data Editor - [FILE]")
//   qvsheet --demo [--screenshot PNG]
//                                a worksheet with data, a formula and a chart
//                                drawn from them; with --screenshot the screen
//                                is saved to PNG after a moment and the
//                                program ends
#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <cstring>
#include <string>

#include "app/spread/qt/SpreadUnit.h"
#include "grid/qt/QtXLGrid.h"
#include "platform/gui/QtServices.h"

using namespace qv;

namespace {

// Columns x, sin and a formula column, and a chart of them.
void Demo(TSpreadForm& form) {
  TXLSheet& s = *form.CurrentSheet();
  s.SetCellText(0, 0, "x");
  s.SetCellText(1, 0, "y");
  s.SetCellText(2, 0, "2*y+1");
  for (int i = 1; i <= 12; ++i) {
    s.SetCellText(0, i, std::to_string(i));
    s.SetCellText(1, i, FloatToStr(i * i / 10.0));
    const std::string formula = "=2*B" + std::to_string(i + 1) + "+1";
    s.SetCellText(2, i, form.Formulas().EvaluateFormula(formula, 2, i, s));
  }
  s.SetCellText(4, 0, "Sum of y");
  s.SetCellText(5, 0, form.Formulas().EvaluateFormula("=SUM(B2:B13)", 5, 0, s));
  form.MDIGrid->Grid().SetCurCell(1, 0);
  form.MDIGrid->Grid().SelectRange(1, 0, 3, 13);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallQtServices();
  FormatSettings() = TFormatSettings::Invariant();
  std::string file, screenshot;
  bool demo = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--demo") == 0)
      demo = true;
    else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
      screenshot = argv[++i];
    else
      file = argv[i];
  }
  TSpreadForm& form = ShowSpreadForm();
  form.move(10, 10);
  // The program is the sheet: when its window has closed (and gone), the
  // program ends, whatever other window (a chart beside it) is still open.
  QObject::connect(&form, &QObject::destroyed, &app, &QCoreApplication::quit);
  if (!file.empty()) {
    if (LowerCase(ExtractFileExt(file)) == ".ssf")
      OpenSheetFromCommandLine(file);
    else
      form.OpenFile(file);
  }
  QPointer<TSheetChartWindow> chartWindow;
  if (demo) {
    // Room for the chart beside the sheet.
    form.resize(750, 560);
    Demo(form);
    form.SetModified(false);
    // The chart in a window that stays beside the sheet and goes with it.
    form.ChartShower = [&](const std::vector<TChartColumn>& columns) {
      delete chartWindow;
      chartWindow = new TSheetChartWindow(columns, &form);
      chartWindow->resize(500, 360);
      chartWindow->move(form.x() + form.width() + 8, form.y() + 60);
      chartWindow->show();
    };
    form.DrawChartCommand();
  }
  if (!screenshot.empty()) {
    QTimer::singleShot(1500, [&] {
      QScreen* screen = QGuiApplication::primaryScreen();
      screen->grabWindow(0).save(QString::fromStdString(screenshot));
      form.SetModified(false);
      form.close();
    });
  }
  return app.exec();
}
