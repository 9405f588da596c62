// A host that records every call the engine makes, for tests and
// benchmarks. Messages are kept with their kind; every other call is kept
// as one text line in Calls ("SearchStarted", "FocusSetting SizeBox1",
// ...), the last report's text in Result. Nothing blocks.
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
  std::vector<std::string> Result;   // the text of the last report
  std::vector<std::string> Summary;  // the last summary

  TFitSettings& Settings() override { return Options; }
  void SettingChanged(TSettingName Name) override {
    Calls.push_back("SettingChanged " + Name.String());
  }
  void ShowMessage(TMsgDlgType Kind, const std::string& Text) override {
    Messages.push_back({Kind, Text});
  }
  void FocusSetting(TSettingName Name) override {
    Calls.push_back("FocusSetting " + Name.String());
  }
  void RestoreCursor() override { Calls.push_back("RestoreCursor"); }
  void SearchStarted() override { Calls.push_back("SearchStarted"); }
  void SearchEnded(TSearchEnd How) override {
    Calls.push_back(std::string("SearchEnded ") + (How == TSearchEnd::Report     ? "Report"
                                                   : How == TSearchEnd::NoReport ? "NoReport"
                                                                                 : "FunctionDone"));
  }
  // The report's whole text, line by line.
  void SetResultLines(const TResultReport& Report) override {
    Result = Report.AllLines();
    Calls.push_back("SetResultLines");
  }
  void SetupResultChart() override { Calls.push_back("SetupResultChart"); }
  // The summary's lines are kept in Summary.
  void WriteResultSummary(const std::vector<std::string>& Lines, bool Final) override {
    Summary = Lines;
    Calls.push_back(std::string("WriteResultSummary ") + (Final ? "true" : "false"));
  }
  void ShowResultLists(bool DataSets, bool Outputs) override {
    Calls.push_back(std::string("ShowResultLists ") + (DataSets ? "true" : "false") + " " +
                    (Outputs ? "true" : "false"));
  }
  void ProcessMessages() override {}

  // The texts of the messages, in order.
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> r;
    for (const auto& m : Messages) r.push_back(m.Text);
    return r;
  }
};

}  // namespace qv
