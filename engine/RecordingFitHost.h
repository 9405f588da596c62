// A host that records every call the engine makes, for tests and for the
// command-line driver. Messages are kept with their kind; every other call
// is kept as one text line in Calls ("SetActivePage 1", "FocusSetting
// SizeBox1", ...). Nothing blocks.
#pragma once

#include <string>
#include <vector>

#include "engine/FitHost.h"
#include "engine/FitSettings.h"

namespace qv {

class TRecordingFitHost : public TFitHost {
 public:
  struct TMessage {
    TMsgDlgType Kind;
    std::string Text;
  };

  TFitSettings Options;
  std::vector<TMessage> Messages;
  std::vector<std::string> Calls;
  std::vector<std::string> Result;
  int FunctionItems = 0;
  int FunctionSelected = -1;
  int Panel11Tag = 0;
  int LeftPanelTag = 0;

  TFitSettings& Settings() override { return Options; }
  void SettingChanged(TSettingName Name) override {
    Calls.push_back("SettingChanged " + Name.String());
  }
  void ShowMessage(TMsgDlgType Kind, const std::string& Text) override {
    Messages.push_back({Kind, Text});
  }
  void SetActivePage(int Page) override {
    Calls.push_back("SetActivePage " + std::to_string(Page));
  }
  void FocusSetting(TSettingName Name) override {
    Calls.push_back("FocusSetting " + Name.String());
  }
  void SetRunningState(bool Running) override {
    Calls.push_back(std::string("SetRunningState ") + (Running ? "true" : "false"));
  }
  void ResetInspectorSelection() override { Calls.push_back("ResetInspectorSelection"); }
  void SetResultLines(const std::vector<std::string>& Lines) override {
    Result = Lines;
    Calls.push_back("SetResultLines");
  }
  std::vector<std::string> ResultLines() const override { return Result; }
  void SetupResultChart() override { Calls.push_back("SetupResultChart"); }
  void WriteResultSummary(bool Final) override {
    Calls.push_back(std::string("WriteResultSummary ") + (Final ? "true" : "false"));
  }
  void FillOutItemList(int Tag) override {
    Calls.push_back("FillOutItemList " + std::to_string(Tag));
  }
  void FillFunctionListBox(int Tag) override {
    Calls.push_back("FillFunctionListBox " + std::to_string(Tag));
  }
  void FocusFunctionList() override { Calls.push_back("FocusFunctionList"); }
  void UpdateFileFormControls() override { Calls.push_back("UpdateFileFormControls"); }
  int FunctionListCount() const override { return FunctionItems; }
  int FunctionListSelected() const override { return FunctionSelected; }
  int ControlTag(TTaggedPanel Panel) const override {
    return Panel == TTaggedPanel::Panel11 ? Panel11Tag : LeftPanelTag;
  }
  void ProcessMessages() override {}
  void RestoreCursor() override { Calls.push_back("RestoreCursor"); }

  // The texts of the messages, in order.
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> r;
    for (const auto& m : Messages) r.push_back(m.Text);
    return r;
  }
};

}  // namespace qv
