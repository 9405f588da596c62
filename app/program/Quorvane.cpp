// The program entry: the splash while the main window is built, then the
// main window until it closes.
//
//   quorvane [FILE]
//
// FILE ending in ".mff" is opened as the model; one ending in ".ssf" in the
// data sheet window; without FILE a new model is started.
#include <QApplication>
#include <QThread>
#include <memory>
#include <string>
#include <vector>

#include "app/AppControls.h"
#include "app/ChartUnit.h"
#include "app/DataSheetHooks.h"
#include "app/FileUnit.h"
#include "app/FlashUnit.h"
#include "app/InputFormHooks.h"
#include "app/PFMainUnit.h"
#include "chart/VuzIduro.h"
#include "editor/qt/QtCodeCompletionProposal.h"
#include "platform/core/SysUtils.h"
#include "platform/core/UserLocale.h"
#include "platform/gui/QtServices.h"
#include "support/qt/QtPropInsp.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quorvane");
  // Dates and names from the user's locale; numbers in the one form.
  qv::TakeUserLocale();
  qv::InstallQtServices();
  qv::InstallSupportQt();
  qv::RegisterChartClasses();
  // The model editor's completion lists open in windows of their own.
  qv::InstallQtCompletionWindows();

  std::vector<std::string> args;
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) args.push_back(arguments.at(1).toStdString());

  auto splash = std::make_unique<qv::TFlashForm>(nullptr, true);
  splash->show();
  splash->repaint();
  QApplication::processEvents();
  QThread::msleep(600);

  qv::TFitForm form(args);
  // The chart analysis window and the file browser.
  qv::TFileBrowser browser(form);
  qv::TFitFormHooks& hooks = form.Hooks();
  // The data sheet window (results, data files, the population view).
  qv::ConnectDataSheet(hooks);
  // The input form: test values of a program model, favourite folders.
  qv::ConnectInputForm(hooks);
  hooks.ShowChartAnalysis = [&form] { qv::ShowChartAnalysis(form); };
  std::string chartFolder;
  hooks.SaveChart = [&chartFolder](qv::TChart& chart) {
    qv::TChartForm::SaveChart(chart, chartFolder);
  };
  hooks.ToggleFileBrowser = [&browser] { browser.FilePanel1Click(); };
  hooks.FileBrowserOpen = [&browser] { return browser.IsOpen(); };
  hooks.EnableFileBrowser = [&browser](bool enabled) { browser.EnableControls(enabled); };
  // Open again when it was open at the last close.
  if (qv::ComponentTag(form.Action("FilePanel1")) > 0) browser.FilePanel1Click();
  splash.reset();
  form.show();
  return QApplication::exec();
}
