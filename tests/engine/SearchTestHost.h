// Test support for the search: a recording host that shows the result
// summary it is given and can stop a run after a number of
// pumps (one pump per iteration), and a runner that reads a model text,
// applies settings by control name and runs it with a fixed seed.
#pragma once

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitSettings.h"
#include "engine/RandomValues.h"
#include "engine/RecordingFitHost.h"
#include "engine/RunController.h"
#include "platform/core/SysUtils.h"

namespace qv::test {

class TSearchTestHost : public TRecordingFitHost {
 public:
  TRunController* Controller = nullptr;
  int Pumps = 0;
  int StopAfterPumps = -1;                         // < 0: never stop
  std::function<void(int)> OnPump;                 // called with the pump count
  std::vector<std::vector<std::string>> Progress;  // result lines at each summary during a run
  std::vector<std::vector<std::string>> History;   // every rewrite of the result lines

  void WriteResultSummary(const std::vector<std::string>& Lines, bool Final) override {
    TRecordingFitHost::WriteResultSummary(Lines, Final);
    Result = Lines;
    if (!Final) Progress.push_back(Result);
  }
  void SetResultLines(const TResultReport& Report) override {
    TRecordingFitHost::SetResultLines(Report);
    History.push_back(Result);
  }
  void ProcessMessages() override {
    ++Pumps;
    if (OnPump) OnPump(Pumps);
    if (StopAfterPumps >= 0 && Pumps >= StopAfterPumps && Controller) Controller->Stop();
  }
};

// Splits a model text into lines.
inline std::vector<std::string> ModelLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// A straight line through five points: a small fitting model with title
// "Test" and the parameters a and b.
inline const char* const kStraightLine = R"(title Test;
variables x, y;
parameters a, b;
function y = a*x + b;
data;
1 3.1
2 4.9
3 7.2
4 8.8
5 11.1
)";

// One run of a model: state, host and controller kept together.
struct TSearchRun {
  TEngineState State;
  TSearchTestHost Host;
  std::unique_ptr<TRunController> Controller;

  explicit TSearchRun(const std::map<std::string, std::string>& settings = {}, uint32_t seed = 1) {
    FormatSettings() = TFormatSettings::Invariant();
    Apply(settings);
    SeedEngineRandom(State, seed);
    Controller = std::make_unique<TRunController>(State, Host);
    Host.Controller = Controller.get();
  }
  void Apply(const std::map<std::string, std::string>& settings) {
    for (const auto& [text, value] : settings) {
      const TSettingName name = TFitSettings::Find(text);
      const TSettingControl& c = Host.Options.Control(name);
      if (c.Kind == TSettingKind::skListBox || c.Kind == TSettingKind::skRadioGroup)
        Host.Options.SetItemIndex(name, std::stoi(value));
      else if (c.Kind == TSettingKind::skCheckBox || c.Kind == TSettingKind::skRadioButton)
        Host.Options.SetChecked(name, value == "True");
      else
        Host.Options.SetText(name, value);
    }
  }
  bool Run(const std::string& model) { return Controller->Run(ModelLines(model)); }
  // The texts of the messages shown, in order.
  std::vector<std::string> Messages() const { return Host.MessageTexts(); }
  // How often a call was recorded ("WriteResultSummary true", ...).
  int CallCount(const std::string& call) const {
    int n = 0;
    for (const auto& c : Host.Calls) n += c == call;
    return n;
  }
  TSearchSettings& Settings() { return Controller->Settings(); }
  // The result line that starts with the given text, or "".
  std::string Line(const std::string& start) const {
    for (const auto& l : Host.Result)
      if (l.rfind(start, 0) == 0) return l;
    return {};
  }
  // The value of a "name: value" result line, NaN when absent.
  double Value(const std::string& name) const {
    const std::string l = Line(name + ": ");
    double v = 0;
    if (l.empty() || !TryStrToFloat(l.substr(name.size() + 2), v)) return std::nan("");
    return v;
  }
};

}  // namespace qv::test
