#include "engine/SearchSettings.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>

#include "engine/FitSettings.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

void WriteLine(const std::string& file, const std::string& line, bool append) {
  std::ofstream out(file,
                    append ? std::ios::app | std::ios::binary : std::ios::trunc | std::ios::binary);
  if (!out) throw EInOutError("Cannot open file \"" + file + "\"", errno);
  out << line << '\n';
  out.flush();
  if (!out) throw EInOutError("Cannot write file \"" + file + "\"", errno);
}

// Refuses the control with an information box and moves the focus to it.
bool Refuse(TFitHost& Host, TSettingName control, const std::string& text) {
  Host.ShowMessage(mtInformation, text);
  Host.FocusSetting(control);
  return false;
}

bool Empty(TFitSettings& s, TSettingName name) { return s.Text(name).empty(); }

}  // namespace

std::string LogFileName(const std::string& Name) {
  return ExtractFileExt(Name).empty() ? Name + ".csv" : Name;
}

bool SameLogFile(const std::string& A, const std::string& B) {
  if (SameText(A, B)) return true;
  std::error_code ec1, ec2;
  const auto a = std::filesystem::weakly_canonical(std::filesystem::absolute(A, ec1), ec1);
  const auto b = std::filesystem::weakly_canonical(std::filesystem::absolute(B, ec2), ec2);
  return !ec1 && !ec2 && a == b;
}

void TSearchLogs::Open(const TEngineModel& Model, const TSearchSettings& Set, bool Append) {
  Close();
  if (Set.SaveResults) {
    const bool keep = Append && std::filesystem::exists(Set.ResultsFileName);
    if (!keep)
      WriteLine(Set.ResultsFileName,
                Model.ModelMode == TModelMode::Equation ? "Results" : "R\tDC\tSSE\tRMSE", false);
    results_ = Set.ResultsFileName;
  }
  if (Set.SaveParameters && Model.ModelMode != TModelMode::Equation) {
    const bool keep = Append && std::filesystem::exists(Set.ParametersFileName);
    if (!keep) {
      std::string header;
      for (int p = 0; p < Model.ParameterCount; ++p) header += Model.ParameterNames[p] + "\t";
      WriteLine(Set.ParametersFileName, header, false);
    }
    parameters_ = Set.ParametersFileName;
  }
  ResultRecords = ParameterRecords = 0;
}

void TSearchLogs::AppendResults(const std::string& Line) {
  if (!results_.empty()) WriteLine(results_, Line, true);
}

void TSearchLogs::AppendParameters(const std::string& Line) {
  if (!parameters_.empty()) WriteLine(parameters_, Line, true);
}

void TSearchLogs::Close() {
  results_.clear();
  parameters_.clear();
}

namespace {

// One check of CheckAlgorithmSettings: the box is refused with the message
// when it is empty or, with a Minimum, when its whole number is below it;
// a check with a Switch applies only while that check box is checked.
struct TSettingCheck {
  TSettingName Box;
  int Minimum;  // 0: only emptiness is checked
  const char* Message;
  std::optional<TSettingName> Switch = std::nullopt;
};

const char* const kNoPopulation = "No value for \"Population Size\"!";

const TSettingCheck kGeneticChecks[] = {
    {TSettingName::PopulationBox2, 0, kNoPopulation},
    {TSettingName::PopulationBox2, 2, "\"Population Size\"must be bigger than 2!"},
    {TSettingName::PCBox2, 0, "No value for \"Crossover Rate\"!"},
    {TSettingName::PMBox2, 0, "No value for \"Mutation Rate\"!"},
};
const TSettingCheck kSwarmChecks[] = {
    {TSettingName::SizeBox, 0, kNoPopulation},
    {TSettingName::SizeBox, 1, "\"Population Size\"must be bigger than 0!"},
    {TSettingName::C1Box, 0, "No value for \"Learning Factor C1\"!"},
    {TSettingName::C2Box, 0, "No value for \"Learning Factor C2\"!"},
    {TSettingName::ComboBox6, 0, "No value for \"Vax\"!", TSettingName::VmaCheckBox},
};
const TSettingCheck kEvolutionChecks[] = {
    {TSettingName::DESizeBox, 0, kNoPopulation},
    {TSettingName::DESizeBox, 1, "\"Population Size\"must be bigger than 0!"},
    {TSettingName::PMBox3, 0, "No value for \"Mutatuin Rate\"!"},
    {TSettingName::PCBox3, 0, "No value for \"Crossover Rate\"!"},
};
const TSettingCheck kZedovevChecks[] = {
    {TSettingName::SizeBox1, 0, kNoPopulation},
    {TSettingName::SizeBox1, 1, "\"Population Size\"must be bigger than 0!"},
};

}  // namespace

bool CheckAlgorithmSettings(TFitHost& Host, TAlgorithm Algorithm) {
  TFitSettings& s = Host.Settings();
  std::span<const TSettingCheck> checks;
  switch (Algorithm) {
    case TAlgorithm::Genetic:
      checks = kGeneticChecks;
      break;
    case TAlgorithm::ParticleSwarm:
      checks = kSwarmChecks;
      break;
    case TAlgorithm::DifferentialEvolution:
      checks = kEvolutionChecks;
      break;
    default:
      checks = kZedovevChecks;
      break;
  }
  for (const TSettingCheck& c : checks) {
    if (c.Switch && !s.Checked(*c.Switch)) continue;
    const bool refused =
        c.Minimum > 0 ? StrToInt(Trim(s.Text(c.Box))) < c.Minimum : Empty(s, c.Box);
    if (refused) return Refuse(Host, c.Box, c.Message);
  }
  return true;
}

bool PrepareSearch(TEngineState& S, TFitHost& Host, TSearchSettings& Set) {
  TSearchLogs& Logs = S.Run.Logs;
  if (!CheckAlgorithmSettings(Host, S.Run.Algorithm)) return false;
  TFitSettings& s = Host.Settings();
  auto real = [&](TSettingName name) { return StrToFloat(Trim(s.Text(name))); };
  auto whole = [&](TSettingName name) { return StrToInt(Trim(s.Text(name))); };

  switch (S.Run.Algorithm) {
    case TAlgorithm::Genetic: {
      Set.CrossoverRate = real(TSettingName::PCBox2);
      Set.MutationRate = real(TSettingName::PMBox2);
      Set.SelectionType = static_cast<TSelectionType>(s.ItemIndex(TSettingName::STGroup2));
      if (s.ItemIndex(TSettingName::BinCheckBox) == 1)
        Set.GeneCrossoverType =
            static_cast<TGeneCrossoverType>(s.ItemIndex(TSettingName::CTGroup3));
      else
        Set.CrossoverType = static_cast<TCrossoverType>(s.ItemIndex(TSettingName::CTGroup2));
      Set.Truncation = s.Checked(TSettingName::TSBox2);
      Set.TruncationThreshold = real(TSettingName::TSEdit2);
      // Ties go to the even integer.
      Set.TruncatedCount =
          static_cast<int>(std::nearbyint(Set.TruncationThreshold * S.Pop.PopSize));
      Set.KeptCount = S.Pop.PopSize - Set.TruncatedCount;
      Set.RankSum = S.Pop.PopSize * (S.Pop.PopSize + 1) / 2;
      break;
    }
    case TAlgorithm::ParticleSwarm: {
      Set.C1 = real(TSettingName::C1Box);
      Set.C2 = real(TSettingName::C2Box);
      Set.InertiaWeight = real(TSettingName::InterBox);
      Set.UseVmax = s.Checked(TSettingName::VmaCheckBox);
      if (Set.UseVmax) Set.Vmax = real(TSettingName::ComboBox6);
      Set.VelocityFormula = s.ItemIndex(TSettingName::ComboBox3);
      const double phi = Set.C1 + Set.C2;
      if (!(phi > 4)) {
        Host.ShowMessage(mtInformation, "For CFPSO, C1+C2 should be bigger than 4!");
        return false;
      }
      Set.ConstrictionK = 2 / std::fabs(2 - phi - std::sqrt(phi * phi - 4 * phi));
      break;
    }
    case TAlgorithm::DifferentialEvolution:
      Set.CrossoverRate = real(TSettingName::PCBox3);
      Set.MutationRate = real(TSettingName::PMBox3);
      Set.DeRoute = s.ItemIndex(TSettingName::DEGroup);
      Set.DeMutationOption = s.ItemIndex(TSettingName::DEOptionGroup);
      Set.DeScheme = s.ItemIndex(TSettingName::SchemeBox);
      break;
    default:
      Set.ZudScheme = s.ItemIndex(TSettingName::ZUDSchemeBox);
      break;
  }

  if (s.Text(TSettingName::CBB2).empty()) {
    s.SetText(TSettingName::CBB2, "100");
    Host.SettingChanged(TSettingName::CBB2);
  }
  Set.UpdateRate = whole(TSettingName::CBB2);

  // Both log names are checked before either file is created.
  Set.SaveResults = !Trim(s.Text(TSettingName::FileEdit)).empty();
  if (Set.SaveResults) Set.ResultsFileName = LogFileName(s.Text(TSettingName::FileEdit));
  Set.SaveParameters =
      !Trim(s.Text(TSettingName::FileEdit1)).empty() && S.Model.ModelMode != TModelMode::Equation;
  if (Set.SaveParameters)
    Set.ParametersFileName = LogFileName(Trim(s.Text(TSettingName::FileEdit1)));
  if (Set.SaveResults && Set.SaveParameters &&
      SameLogFile(Set.ResultsFileName, Set.ParametersFileName)) {
    Host.ShowMessage(mtWarning,
                     "File name for \"Results Save\" and \"Parameter Save\" should be different!");
    Logs.Close();
    return false;
  }
  if (Set.SaveResults) Set.ResultsSaveRate = whole(TSettingName::SREdit);
  if (Set.SaveParameters) Set.ParametersSaveRate = whole(TSettingName::SREdit1);

  if (s.Checked(TSettingName::RB1))
    Set.StopCriterion = crAutoDetect;
  else if (s.Checked(TSettingName::RB2))
    Set.StopCriterion = crMaxIterations;
  else if (s.Checked(TSettingName::RB4))
    Set.StopCriterion = crDC;
  else
    Set.StopCriterion = crRMSE;
  if (S.Model.ModelMode == TModelMode::Equation && S.Model.Objective != TObjective::None &&
      (Set.StopCriterion == crRMSE || Set.StopCriterion == crDC)) {
    s.SetChecked(TSettingName::RB1, true);
    Host.SettingChanged(TSettingName::RB1);
    Set.StopCriterion = crAutoDetect;
  }

  Set.MaxIterations = whole(TSettingName::ComboBox1);
  Set.TargetRMSE = real(TSettingName::SSEEdit);
  Set.TargetDC = real(TSettingName::REdit);

  Logs.Open(S.Model, Set, S.Run.Resuming);

  S.Run.StopCode = scNone;
  S.Run.SearchRunning = true;
  Host.SearchStarted();
  S.Run.StartTime = TRunClock::now();
  S.Run.StopTime = S.Run.StartTime;
  return true;
}

}  // namespace qv
