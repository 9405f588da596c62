// The main window in a test (offscreen, message boxes answered by the
// scripted dialogs): a settings and data folder of the test program's own,
// a clean folder for the test's files, the window started with its command
// line, and the helpers the window's tests share.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/AppControls.h"
#include "app/PFMainUnit.h"
#include "app/SettingsPage.h"
#include "app/spread/qt/SpreadUnit.h"
#include "chart/VuzIduro.h"
#include "editor/CodeEdit.h"
#include "editor/qt/QtCodeCompletionProposal.h"
#include "platform/core/Classes.h"
#include "platform/core/IniFiles.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtServices.h"
#include "support/qt/QtPropInsp.h"

namespace qv::test {

class TMainWindowFixture : public ::testing::Test {
 public:
  // Name: the build-tree folders of one test program, Name_home for its
  // settings and data, Name_files/ for its files (each program its own, so
  // that test programs run side by side).
  static void SetUpWindowSuite(const std::string& Name) {
    const std::string root = std::string(QV_BINARY_DIR) + "/" + Name + "_home";
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    InstallQtServices();
    InstallSupportQt();
    RegisterChartClasses();
    InstallQtCompletionWindows();
  }

 protected:
  void SetUpWindow(const std::string& Name) {
    FormatSettings() = TFormatSettings::Invariant();
    SetDialogService(&dialogs);
    DeleteFile(SettingsFileName());
    work = std::string(QV_BINARY_DIR) + "/" + Name + "_files/";
    std::filesystem::remove_all(work);
    ForceDirectories(work);
  }
  void TearDown() override {
    if (form) {
      form->CodeMemo().SetModified(false);
      form->close();
      form.reset();
    }
    // A data sheet window the test opened (results sent to the sheet).
    if (SpreadForm) {
      SpreadForm->SetModified(false);
      delete SpreadForm;
    }
    SetDialogService(nullptr);
  }

  TFitForm& Start(std::vector<std::string> args = {}, TFitFormHooks hooks = {}) {
    form = std::make_unique<TFitForm>(std::move(args), std::move(hooks));
    form->show();
    QApplication::processEvents();
    return *form;
  }
  void Restart() {
    form->close();
    form.reset();
    Start();
  }
  TSettingsPage& Page() { return form->SettingsPage(); }
  void SetText(const std::string& name, const std::string& value) {
    QWidget* w = Page().Control(name);
    if (auto* c = qobject_cast<QComboBox*>(w))
      c->setEditText(QStr(value));
    else
      qobject_cast<QLineEdit*>(w)->setText(QStr(value));
  }
  void StopAfter(int iterations) {
    Page().Get<QRadioButton>("RB2")->setChecked(true);
    SetText("ComboBox1", std::to_string(iterations));
  }
  // A key pressed in a control of the window (the model editor when To is
  // null).
  void Key(int key, QWidget* to = nullptr) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QWidget* target = to ? to : form->Get<QWidget>("CodeMemo");
    target->setFocus();
    QApplication::sendEvent(target, &e);
  }
  // The texts of the message boxes shown so far.
  std::vector<std::string> Messages() const {
    std::vector<std::string> m;
    for (const auto& e : dialogs.Log())
      if (e.Kind == "Message") m.push_back(e.Text);
    return m;
  }

  static std::vector<std::string> Lines(const TStrings& s) {
    std::vector<std::string> v;
    for (int i = 0; i < s.Count(); ++i) v.push_back(s[i]);
    return v;
  }
  static bool HasLine(const TStrings& s, const std::string& line) {
    for (int i = 0; i < s.Count(); ++i)
      if (s[i] == line) return true;
    return false;
  }
  static bool HasPrefix(const TStrings& s, const std::string& prefix) {
    for (int i = 0; i < s.Count(); ++i)
      if (s[i].rfind(prefix, 0) == 0) return true;
    return false;
  }

  TScriptedDialogs dialogs;
  std::unique_ptr<TFitForm> form;
  std::string work;
};

}  // namespace qv::test
