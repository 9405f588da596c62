// qvrun MODEL [--set NAME=VALUE]... [--seed N] [--testvalue V]...
//       [--eval EXPR [--var NAME=VALUE]...]
//
// Runs a model file (".mff", or plain model text) through the engine's run
// controller with a console host: the settings are the main window's
// controls by name (--set RadioGroup2=0 --set RB1=True --set ComboBox1=5000);
// the final result text goes to stdout; every model or settings message goes
// to stderr with its kind. Exit status: 0 a search ran and reported, 2 the
// model was refused, 3 the settings were refused, 1 usage errors and
// failures. SIGINT stops a running search as the Stop command does.
//
// --testvalue V gives, in order, the var-parameter values of the test data
// sets of a program model (what the input form would ask for).
//
// --eval EXPR prints ResultAsText of the expression (variables given with
// --var) and runs no model.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitSettings.h"
#include "engine/ParseExpr.h"
#include "engine/ProgramMode.h"
#include "engine/RandomValues.h"
#include "engine/RecordingFitHost.h"
#include "engine/RunController.h"
#include "platform/core/Classes.h"
#include "platform/core/Random.h"
#include "platform/core/SysUtils.h"
#include "support/ModelFile.h"

using namespace qv;

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

const char* KindName(TMsgDlgType kind) {
  switch (kind) {
    case mtWarning:
      return "warning";
    case mtError:
      return "error";
    case mtInformation:
      return "information";
    case mtConfirmation:
      return "confirmation";
    default:
      return "message";
  }
}

// The console host: messages to stderr, the result summary built by the
// controller, the pump turns SIGINT into the Stop command.
class TConsoleHost : public TRecordingFitHost, public TTestValuesSource {
 public:
  TRunController* Controller = nullptr;
  std::vector<double> TestValues;

  bool EditTestFileValues(const std::vector<std::string>& Titles,
                          std::vector<double>& Values) override {
    if (TestValues.size() < Titles.size()) {
      for (size_t i = TestValues.size(); i < Titles.size(); ++i)
        std::cerr << "test value needed: " << Titles[i] << std::endl;
      return false;
    }
    Values.assign(TestValues.begin(), TestValues.begin() + static_cast<long>(Titles.size()));
    return true;
  }

  void ShowMessage(TMsgDlgType Kind, const std::string& Text) override {
    TRecordingFitHost::ShowMessage(Kind, Text);
    std::cerr << KindName(Kind) << ": " << Text << std::endl;
  }
  void FocusSetting(TSettingName Name) override {
    TRecordingFitHost::FocusSetting(Name);
    std::cerr << "setting: " << Name.Text() << std::endl;
  }
  void WriteResultSummary(bool Final) override {
    TRecordingFitHost::WriteResultSummary(Final);
    if (Controller) SetResultLines(Controller->SummaryLines(Final));
  }
  void ProcessMessages() override {
    if (gInterrupted && Controller) {
      gInterrupted = 0;
      Controller->Stop();
    }
  }
};

int Usage() {
  std::cerr << "usage: qvrun MODEL [--set NAME=VALUE]... [--seed N] [--testvalue V]...\n"
               "       qvrun --eval EXPR [--var NAME=VALUE]...\n";
  return 1;
}

bool SplitAssignment(const std::string& text, std::string& name, std::string& value) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  name = text.substr(0, eq);
  value = text.substr(eq + 1);
  return true;
}

void ApplySetting(TFitSettings& settings, const std::string& text, const std::string& value) {
  const TSettingName name = TFitSettings::Find(text);  // unknown names throw
  const TSettingControl& c = settings.Control(name);
  switch (c.Kind) {
    case TSettingKind::skListBox:
    case TSettingKind::skRadioGroup:
      settings.SetItemIndex(name, StrToInt(value));
      break;
    case TSettingKind::skCheckBox:
    case TSettingKind::skRadioButton:
      settings.SetChecked(name, SameText(value, "true") || value == "1");
      break;
    default:
      settings.SetText(name, value);
      break;
  }
}

// Model files are stream collections; anything else is read as model text.
bool ReadModelLines(const std::string& file, std::vector<std::string>& lines) {
  TStringList list;
  try {
    LoadModelFile(file, list);
  } catch (const Exception& e) {
    std::cerr << "error: " << e.Message() << std::endl;
    return false;
  }
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
  return true;
}

int Evaluate(const std::string& expr,
             const std::vector<std::pair<std::string, std::string>>& vars) {
  TExpressionParser parser;
  std::vector<double> values(vars.size());
  for (size_t i = 0; i < vars.size(); ++i) {
    values[i] = StrToFloat(vars[i].second);
    parser.BindVariable(vars[i].first, &values[i]);
  }
  try {
    const int index = parser.CompileText(expr);
    std::cout << parser.ResultAsText(index) << std::endl;
  } catch (const Exception& e) {
    std::cerr << "error: " << e.Message() << std::endl;
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string model, eval;
  std::vector<std::pair<std::string, std::string>> sets, vars;
  std::vector<double> testValues;
  bool seeded = false;
  uint32_t seed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (a == "--set" || a == "--var") {
      const char* v = next();
      std::string n, val;
      if (!v || !SplitAssignment(v, n, val)) return Usage();
      (a == "--set" ? sets : vars).emplace_back(n, val);
    } else if (a == "--seed") {
      const char* v = next();
      if (!v) return Usage();
      seed = static_cast<uint32_t>(std::stoul(v));
      seeded = true;
    } else if (a == "--testvalue") {
      const char* v = next();
      double value = 0;
      if (!v || !TryStrToFloat(v, value)) return Usage();
      testValues.push_back(value);
    } else if (a == "--eval") {
      const char* v = next();
      if (!v) return Usage();
      eval = v;
    } else if (!a.empty() && a[0] == '-') {
      return Usage();
    } else if (model.empty()) {
      model = a;
    } else {
      return Usage();
    }
  }
  FormatSettings() = TFormatSettings::Invariant();
  if (!eval.empty()) return Evaluate(eval, vars);
  if (model.empty()) return Usage();

  std::vector<std::string> lines;
  if (!ReadModelLines(model, lines)) return 1;  // the reason is on stderr
  TEngineState state;
  state.Model.ModelFolder = ExtractFilePath(model);
  TConsoleHost host;
  host.TestValues = testValues;
  try {
    for (const auto& [n, v] : sets) ApplySetting(host.Options, n, v);
  } catch (const std::exception& e) {
    std::cerr << "error: bad setting: " << e.what() << std::endl;
    return 1;
  }
  if (seeded)
    SeedEngineRandom(state, seed);
  else
    state.Run.Random.Randomize();

  TRunController controller(state, host);
  host.Controller = &controller;
  std::signal(SIGINT, OnInterrupt);
  try {
    controller.Run(lines);
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << std::endl;
    return 1;
  }
  switch (controller.Outcome()) {
    case TRunOutcome::roModelRefused:
      return 2;
    case TRunOutcome::roSettingsRefused:
      return 3;
    case TRunOutcome::roNotRun:
      return 1;
    default:
      break;
  }
  const auto& results = controller.FunctionResults();
  if (results.size() > 1) {
    for (size_t k = 0; k < results.size(); ++k)
      for (const auto& l : results[k].Text) std::cout << l << "\n";
  } else {
    for (const auto& l : host.ResultLines()) std::cout << l << "\n";
  }
  std::cout.flush();
  return controller.Outcome() == TRunOutcome::roFailed ? 1 : 0;
}
