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
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/FitSettings.h"
#include "engine/ParseExpr.h"
#include "engine/ProgramMode.h"
#include "engine/RandomValues.h"
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

// Messages may hold bare CRs as line breaks (the window's message boxes
// show them so); a terminal would return to the line's start and overwrite
// the first half, so every CR, CR LF and LF becomes one newline.
std::string ConsoleLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The console host: messages to stderr, the pump turns SIGINT into the Stop
// command. It keeps only the settings: the reports are the engine's, and
// the last one is printed after the run.
class TConsoleHost : public TFitHost, public TTestValuesSource {
 public:
  TRunController* Controller = nullptr;
  TFitSettings Options;
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

  TFitSettings& Settings() override { return Options; }
  void SettingChanged(TSettingName) override {}
  void ShowMessage(TMsgDlgType Kind, const std::string& Text) override {
    std::cerr << KindName(Kind) << ": " << ConsoleLines(Text) << std::endl;
  }
  void FocusSetting(TSettingName Name) override {
    std::cerr << "setting: " << Name.Text() << std::endl;
  }
  void SetResultLines(const TResultReport&) override {}
  void SetupResultChart() override {}
  void WriteResultSummary(const std::vector<std::string>&, bool) override {}
  void ProcessMessages() override {
    if (gInterrupted && Controller) {
      gInterrupted = 0;
      Controller->Stop();
    }
  }
  void RestoreCursor() override {}
  // A console has no window to lock, open up or refill around a run.
  void SearchStarted() override {}
  void SearchEnded(TSearchEnd) override {}
  void ShowResultLists(bool, bool) override {}
};

constexpr const char* kUsage =
    "usage: qvrun MODEL [--set NAME=VALUE]... [--seed N] [--testvalue V]...\n"
    "       qvrun --eval EXPR [--var NAME=VALUE]...\n"
    "       qvrun --help\n";

int Usage() {
  std::cerr << kUsage << "(qvrun --help lists the settings and the exit codes)\n";
  return 1;
}

// A usage error with its reason.
int Usage(const std::string& Reason) {
  std::cerr << "error: " << Reason << "\n";
  return Usage();
}

// What each setting means, in the order of the settings pages.
struct THelpEntry {
  TSettingName Name;
  const char* Meaning;
};

const THelpEntry kSettingHelp[] = {
    {TSettingName::RadioGroup2, "algorithm family"},
    {TSettingName::SizeBox1, "Zedovev Avedezo Rezividorodo: population size"},
    {TSettingName::ZUDSchemeBox, "Zedovev Avedezo Rezividorodo: scheme"},
    {TSettingName::SearchOption, "Zedovev Avedezo Rezividorodo: global, or global and local"},
    {TSettingName::NSizeBox2, "Zedovev Avedezo Rezividorodo: neighbourhood size (not read)"},
    {TSettingName::PopulationBox2, "genetic algorithm: population size"},
    {TSettingName::PCBox2, "genetic algorithm: crossover rate"},
    {TSettingName::PMBox2, "genetic algorithm: mutation rate"},
    {TSettingName::BinCheckBox, "genetic algorithm: real-value or encode-decode mode"},
    {TSettingName::CTGroup2, "genetic algorithm: crossover type, real-value mode"},
    {TSettingName::CTGroup3, "genetic algorithm: crossover type, encode-decode mode"},
    {TSettingName::ComboBox2, "genetic algorithm: gene fraction digits"},
    {TSettingName::BinBox, "genetic algorithm: gene base"},
    {TSettingName::STGroup2, "genetic algorithm: selection type"},
    {TSettingName::TSBox2, "genetic algorithm: truncation selection on"},
    {TSettingName::TSEdit2, "genetic algorithm: truncation threshold"},
    {TSettingName::MGACheckBox, "genetic algorithm: MGA (not read)"},
    {TSettingName::SizeBox, "particle swarm: population size"},
    {TSettingName::ComboBox3, "particle swarm: velocity formula"},
    {TSettingName::InterBox, "particle swarm: inertia weight"},
    {TSettingName::C1Box, "particle swarm: learning factor C1"},
    {TSettingName::C2Box, "particle swarm: learning factor C2"},
    {TSettingName::NSizeBox, "particle swarm: neighbourhood size"},
    {TSettingName::VmaCheckBox, "particle swarm: use Vmax"},
    {TSettingName::ComboBox6, "particle swarm: Vmax"},
    {TSettingName::DESizeBox, "differential evolution: population size"},
    {TSettingName::PMBox3, "differential evolution: factor F"},
    {TSettingName::PCBox3, "differential evolution: crossover rate"},
    {TSettingName::SchemeBox, "differential evolution: scheme"},
    {TSettingName::DEGroup, "differential evolution: route"},
    {TSettingName::DEOptionGroup, "differential evolution: standard or advanced mutation"},
    {TSettingName::RB1, "stop criterion: automatic detection"},
    {TSettingName::RB2, "stop criterion: maximum iterations (ComboBox1)"},
    {TSettingName::RB3, "stop criterion: target RMSE (SSEEdit)"},
    {TSettingName::RB4, "stop criterion: target determination coefficient (REdit)"},
    {TSettingName::ComboBox1, "iteration limit"},
    {TSettingName::SSEEdit, "target RMSE"},
    {TSettingName::REdit, "target determination coefficient"},
    {TSettingName::CBB2, "iterations between progress reports"},
    {TSettingName::FileEdit, "results log file (empty: none)"},
    {TSettingName::SREdit, "iterations between results log records"},
    {TSettingName::FileEdit1, "parameters log file (empty: none)"},
    {TSettingName::SREdit1, "iterations between parameters log records"},
};

const char* Meaning(TSettingName Name) {
  for (const THelpEntry& e : kSettingHelp)
    if (e.Name == Name) return e.Meaning;
  return "";
}

// One setting's allowed values and default, as --set takes them.
void PrintSettingHelp(std::ostream& out, const TSettingControl& c) {
  out << "  " << c.Name.Text() << "  " << Meaning(c.Name) << "\n";
  switch (c.Kind) {
    case TSettingKind::skListBox:
    case TSettingKind::skRadioGroup:
      out << "      an item number (default " << c.ItemIndex << "):\n";
      for (size_t i = 0; i < c.Items.size(); ++i)
        out << "        " << i << "  " << c.Items[i] << "\n";
      break;
    case TSettingKind::skCheckBox:
      out << "      True or False (default " << (c.Checked ? "True" : "False") << ")\n";
      break;
    case TSettingKind::skRadioButton:
      out << "      True picks it (default " << (c.Checked ? "True" : "False") << ")\n";
      break;
    case TSettingKind::skComboBox: {
      out << "      a value (default \"" << c.Text << "\"); the list offers";
      for (const auto& item : c.Items)
        if (!item.empty()) out << " " << item;
      out << "\n";
      break;
    }
    default:
      out << "      a value (default \"" << c.Text << "\")\n";
      break;
  }
}

int Help() {
  std::cout << kUsage
            << "\nRuns a model file through the engine and prints the result report.\n\n"
               "Options:\n"
               "  --set NAME=VALUE  a setting of the main window, by its control's name\n"
               "  --seed N          seeds the random generator (0 to 4294967295): a repeatable "
               "run\n"
               "  --testvalue V     the var-parameter values of a program model's test data\n"
               "                    sets, in order (what the input form asks for)\n"
               "  --eval EXPR       prints the value of an expression; --var NAME=VALUE\n"
               "                    gives its variables\n\n"
               "Exit status:\n"
               "  0  a search ran and reported (also after SIGINT, which stops it)\n"
               "  1  a usage error, an unreadable model file, or a search that failed\n"
               "  2  the model was refused (--eval: the expression was refused)\n"
               "  3  the settings were refused\n\n"
               "Settings:\n";
  const TFitSettings settings;
  for (const THelpEntry& e : kSettingHelp) PrintSettingHelp(std::cout, settings.Control(e.Name));
  return 0;
}

// Every setting name, for the message about a name that is none of them.
std::string SettingNameList() {
  std::string list;
  for (const THelpEntry& e : kSettingHelp) list += (list.empty() ? "" : " ") + e.Name.String();
  return list;
}

// A seed: decimal digits only, at most 4294967295.
bool ParseSeed(const std::string& text, uint32_t& seed) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > UINT32_MAX) return false;
  seed = static_cast<uint32_t>(v);
  return true;
}

bool SplitAssignment(const std::string& text, std::string& name, std::string& value) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  name = text.substr(0, eq);
  value = text.substr(eq + 1);
  return true;
}

// How a --set ended: taken, a name that is no setting (a usage error), or a
// value the control cannot hold (refused as the window refuses a setting).
enum class TSetResult { Taken, UnknownName, Refused };

// Sets one control by name; the reason of a failure is on stderr.
TSetResult ApplySetting(TConsoleHost& host, const std::string& text, const std::string& value) {
  const auto found = TSettingName::Find(text);
  if (!found) {
    std::cerr << "error: no setting named \"" << text
              << "\"; the settings are: " << SettingNameList() << "\n";
    return TSetResult::UnknownName;
  }
  if (const auto refusal = host.Options.Assign(*found, value)) {
    host.ShowMessage(mtInformation, *refusal);
    host.FocusSetting(*found);
    return TSetResult::Refused;
  }
  return TSetResult::Taken;
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
    if (!TryStrToFloat(vars[i].second, values[i]))
      return Usage("--var " + vars[i].first + " needs a number, not \"" + vars[i].second + "\"");
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
    if (a == "--help" || a == "-h") {
      return Help();
    } else if (a == "--set" || a == "--var") {
      const char* v = next();
      std::string n, val;
      if (!v || !SplitAssignment(v, n, val)) return Usage(a + " takes NAME=VALUE");
      (a == "--set" ? sets : vars).emplace_back(n, val);
    } else if (a == "--seed") {
      const char* v = next();
      if (!v) return Usage("--seed needs a number");
      if (!ParseSeed(v, seed))
        return Usage("--seed takes a whole number from 0 to 4294967295, not \"" + std::string(v) +
                     "\"");
      seeded = true;
    } else if (a == "--testvalue") {
      const char* v = next();
      double value = 0;
      if (!v) return Usage("--testvalue needs a number");
      if (!TryStrToFloat(v, value))
        return Usage("--testvalue needs a number, not \"" + std::string(v) + "\"");
      testValues.push_back(value);
    } else if (a == "--eval") {
      const char* v = next();
      if (!v) return Usage();
      eval = v;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (model.empty()) {
      model = a;
    } else {
      return Usage("one model file only");
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
  for (const auto& [n, v] : sets) {
    const TSetResult set = ApplySetting(host, n, v);
    if (set == TSetResult::UnknownName) return 1;
    if (set == TSetResult::Refused) return 3;
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
    for (const auto& r : results) r.Text.Write(std::cout);
  } else {
    controller.Report().Write(std::cout);
  }
  std::cout.flush();
  return controller.Outcome() == TRunOutcome::roFailed ? 1 : 0;
}
