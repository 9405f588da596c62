// What the engine needs of the main window, as one abstract interface. The
// main window implements it; tests and the command-line driver use
// TRecordingFitHost (engine/RecordingFitHost.h), which records every call.
//
// Every call happens on the thread that runs the engine. None may throw.
#pragma once

#include <string>
#include <vector>

#include "engine/SettingNames.h"

namespace qv {

class TFitSettings;

// The window's panels whose Tag values the program-mode report reads.
enum class TTaggedPanel { Panel11, LeftPanel };

// Kinds of the message dialogs (one OK button each).
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

class TFitHost {
 public:
  virtual ~TFitHost() = default;

  // The window's setting controls. The engine reads them and writes a few back.
  virtual TFitSettings& Settings() = 0;
  // The engine has written the named setting (e.g. NSizeBox clamped,
  // RadioGroup2 set by an "exclusive" statement): show the new value.
  virtual void SettingChanged(TSettingName Name) = 0;

  // A message dialog of the given kind with one OK button; returns when the
  // user has closed it.
  virtual void ShowMessage(TMsgDlgType Kind, const std::string& Text) = 0;

  // Page of the window's page control: 0 the model, 1 the settings, the
  // last one (ResultPage) the results.
  static constexpr int SettingsPage = 1;
  static constexpr int ResultPage = -1;
  virtual void SetActivePage(int Page) = 0;
  // Makes the settings page active and gives the named setting the focus
  // (a refused setting).
  virtual void FocusSetting(TSettingName Name) = 0;

  // Running state: true disables the settings (RadioGroup2 and the algorithm
  // panels), makes the model editor read-only in grey, shows "Running
  // Search..." in status panel 3 and enables only the stop button; false
  // undoes all of it and enables the resume button.
  virtual void SetRunningState(bool Running) = 0;
  // The object inspector, when visible and beyond item 2, goes back to item 2.
  virtual void ResetInspectorSelection() = 0;

  // The lines of the result editor, rewritten as a whole (bracketed by a
  // begin-update and an end-update in the window).
  virtual void SetResultLines(const std::vector<std::string>& Lines) = 0;
  virtual std::vector<std::string> ResultLines() const = 0;

  // Window routines.
  virtual void SetupResultChart() = 0;
  virtual void WriteResultSummary(bool Final) = 0;
  virtual void FillOutItemList(int Tag) = 0;
  virtual void FillFunctionListBox(int Tag) = 0;
  // Gives FunctionListBox the keyboard focus.
  virtual void FocusFunctionList() = 0;
  virtual void UpdateFileFormControls() = 0;
  // Item count and selected index of FunctionListBox (-1: none selected).
  virtual int FunctionListCount() const = 0;
  virtual int FunctionListSelected() const = 0;
  // Tag of one of the window's panels whose Tag the report passes on to the
  // list-filling routines.
  virtual int ControlTag(TTaggedPanel Panel) const = 0;
  // Pumps pending window events (Stop and Resume arrive here).
  virtual void ProcessMessages() = 0;
  // The mouse cursor back to the default one.
  virtual void RestoreCursor() = 0;
};

}  // namespace qv
