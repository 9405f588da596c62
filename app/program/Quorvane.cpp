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

#include "app/FlashUnit.h"
#include "app/PFMainUnit.h"
#include "chart/VuzIduro.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtServices.h"
#include "support/qt/QtPropInspector.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quorvane");
  qv::FormatSettings() = qv::TFormatSettings::FromLocale();
  qv::InstallQtServices();
  qv::InstallSupportQt();
  qv::RegisterChartClasses();

  std::vector<std::string> args;
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) args.push_back(arguments.at(1).toStdString());

  auto splash = std::make_unique<qv::TFlashForm>(nullptr, true);
  splash->show();
  splash->repaint();
  QApplication::processEvents();
  QThread::msleep(600);

  qv::TFitForm form(args);
  splash.reset();
  form.show();
  return QApplication::exec();
}
