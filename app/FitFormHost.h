// The main window as the engine's host: what the engine asks of the window
// during a run (settings, messages, pages, running state, result text,
// result chart and lists, pumping) mapped onto TFitForm, and the run
// controller through which the window runs, stops and resumes searches.
//
// Only the window's run-road code includes this header: the engine's host
// interface and the platform's dialog services name the same dialog kinds.
#pragma once

#include "app/PFMainUnit.h"
#include "engine/FitHost.h"
#include "engine/ProgramMode.h"
#include "engine/RunController.h"

namespace qv {

class TFitFormHost : public TFitHost, public TTestValuesSource {
 public:
  explicit TFitFormHost(TFitForm& Form);
  TFitFormHost(const TFitFormHost&) = delete;
  TFitFormHost& operator=(const TFitFormHost&) = delete;

  TRunController& Controller() { return controller_; }

  // TFitHost
  TFitSettings& Settings() override;
  void SettingChanged(TSettingName Name) override;
  void FocusSetting(TSettingName Name) override;
  void ShowMessage(TMsgDlgType Kind, const std::string& Text) override;
  void RestoreCursor() override;
  void SearchStarted() override;
  void SearchEnded(TSearchEnd How) override;
  void SetupResultChart() override;
  void WriteResultSummary(const std::vector<std::string>& Lines, bool Final) override;
  void SetResultLines(const TResultReport& Report) override;
  void ShowResultLists(bool DataSets, bool Outputs) override;
  void ProcessMessages() override;

  // TTestValuesSource
  bool EditTestFileValues(const std::vector<std::string>& Titles,
                          std::vector<double>& Values) override;

 private:
  TFitForm& form_;
  TRunController controller_;
};

}  // namespace qv
