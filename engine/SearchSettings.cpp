#include "engine/SearchSettings.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

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

const char* const kNoPopulation = "No value for \"Population Size\"!";

// Reads the controls one box at a time; each read that fails has refused
// the box (its message, then the focus on it) and returns false.
class TSettingsReader {
 public:
  explicit TSettingsReader(TFitHost& Host) : host_(Host), controls_(Host.Settings()) {}

  bool Refuse(TSettingName Box, const std::string& Message) {
    host_.ShowMessage(mtInformation, Message);
    host_.FocusSetting(Box);
    return false;
  }
  std::string Label(TSettingName Box) const { return controls_.Control(Box).Label; }
  std::string RawText(TSettingName Box) const { return controls_.Text(Box); }
  int Index(TSettingName Box) const { return controls_.ItemIndex(Box); }
  bool Checked(TSettingName Box) const { return controls_.Checked(Box); }

  // The box's text without the blanks around it; an empty box is refused
  // with EmptyMessage ("No value for "<caption>"!" when none is given).
  bool Present(TSettingName Box, std::string& Text, const char* EmptyMessage = nullptr) {
    Text = Trim(controls_.Text(Box));
    if (!Text.empty()) return true;
    return Refuse(Box, EmptyMessage ? EmptyMessage : "No value for \"" + Label(Box) + "\"!");
  }
  bool Real(TSettingName Box, double& Value, const char* EmptyMessage = nullptr) {
    std::string text;
    if (!Present(Box, text, EmptyMessage)) return false;
    if (ReadSettingNumber(text, Value)) return true;
    return Refuse(Box, Wrong(Box, text) + " is not a number!");
  }
  bool Whole(TSettingName Box, int& Value, const char* EmptyMessage = nullptr) {
    std::string text;
    if (!Present(Box, text, EmptyMessage)) return false;
    if (ReadSettingWholeNumber(text, Value)) return true;
    return Refuse(Box, Wrong(Box, text) + " is not a whole number!");
  }
  // A whole number of at least 1.
  bool Count(TSettingName Box, int& Value) {
    if (!Whole(Box, Value)) return false;
    return Value >= 1 || Refuse(Box, "\"" + Label(Box) + "\" must be bigger than 0!");
  }

 private:
  std::string Wrong(TSettingName Box, const std::string& Text) const {
    return "Wrong value for \"" + Label(Box) + "\": " + QuotedSettingText(Text);
  }
  TFitHost& host_;
  const TFitSettings& controls_;
};

// The chosen family; a choice outside the four runs Zedovev Avedezo
// Rezividorodo.
TAlgorithm ChosenAlgorithm(int Index) {
  return Index >= 0 && Index <= 3 ? static_cast<TAlgorithm>(Index) : TAlgorithm::Zedovev;
}

// Whether a velocity formula has the inertia weight W in it (formulas 1 and
// 3 of the list; an index outside the list runs the nearest formula).
bool UsesInertiaWeight(int Formula) {
  const int f = std::clamp(Formula, 0, 5);
  return f == 0 || f == 2;
}

// The family's entries; Resuming keeps the population (its size, its
// neighbourhood and its gene coding).
bool ReadAlgorithm(TSettingsReader& r, TAlgorithm Algorithm, bool Resuming, TSearchSettings& Set) {
  Set.Algorithm = Algorithm;
  if (!Resuming) Set.GeneBase = StrToIntDef(Trim(r.RawText(TSettingName::BinBox)), 10);
  int& size = Set.PopulationSize;
  switch (Algorithm) {
    case TAlgorithm::Genetic:
      if (!r.Whole(TSettingName::PopulationBox2, size, kNoPopulation)) return false;
      if (size < 2)
        return r.Refuse(TSettingName::PopulationBox2, "\"Population Size\"must be bigger than 2!");
      if (!r.Real(TSettingName::PCBox2, Set.CrossoverRate, "No value for \"Crossover Rate\"!"))
        return false;
      if (!r.Real(TSettingName::PMBox2, Set.MutationRate, "No value for \"Mutation Rate\"!"))
        return false;
      Set.SelectionType = static_cast<TSelectionType>(r.Index(TSettingName::STGroup2));
      if (!Resuming) {
        Set.EncodeDecode = r.Index(TSettingName::BinCheckBox) == 1;
        if (Set.EncodeDecode) {
          // The box's list: 0 to 10 digits.
          std::string text;
          if (!r.Present(TSettingName::ComboBox2, text)) return false;
          if (!ReadSettingWholeNumber(text, Set.GeneDecimals) || Set.GeneDecimals < 0 ||
              Set.GeneDecimals > 10)
            return r.Refuse(TSettingName::ComboBox2,
                            "Wrong value for \"Decimal No\": " + QuotedSettingText(text) +
                                " is not a whole number from 0 to 10!");
        }
      }
      if (Set.EncodeDecode)
        Set.GeneCrossoverType = static_cast<TGeneCrossoverType>(r.Index(TSettingName::CTGroup3));
      else
        Set.CrossoverType = static_cast<TCrossoverType>(r.Index(TSettingName::CTGroup2));
      Set.Truncation = r.Checked(TSettingName::TSBox2);
      // Also without truncation: the tournament size follows the threshold.
      return r.Real(TSettingName::TSEdit2, Set.TruncationThreshold);
    case TAlgorithm::ParticleSwarm:
      if (!r.Whole(TSettingName::SizeBox, size, kNoPopulation)) return false;
      if (size < 1)
        return r.Refuse(TSettingName::SizeBox, "\"Population Size\"must be bigger than 0!");
      if (!r.Real(TSettingName::C1Box, Set.C1, "No value for \"Learning Factor C1\"!"))
        return false;
      if (!r.Real(TSettingName::C2Box, Set.C2, "No value for \"Learning Factor C2\"!"))
        return false;
      Set.UseVmax = r.Checked(TSettingName::VmaCheckBox);
      if (Set.UseVmax && !r.Real(TSettingName::ComboBox6, Set.Vmax, "No value for \"Vax\"!"))
        return false;
      Set.VelocityFormula = r.Index(TSettingName::ComboBox3);
      if (UsesInertiaWeight(Set.VelocityFormula) &&
          !r.Real(TSettingName::InterBox, Set.InertiaWeight))
        return false;
      if (!Resuming) {
        int n = 0;
        if (!r.Whole(TSettingName::NSizeBox, n)) return false;
        Set.NeighbourSize = std::max(2, std::min(n, size));
      }
      return true;
    case TAlgorithm::DifferentialEvolution:
      if (!r.Whole(TSettingName::DESizeBox, size, kNoPopulation)) return false;
      if (size < 1)
        return r.Refuse(TSettingName::DESizeBox, "\"Population Size\"must be bigger than 0!");
      // Its schemes draw up to four members besides the one they change.
      if (!Resuming && size < 5)
        return r.Refuse(TSettingName::DESizeBox, "Population size must be bigger than 5!");
      if (!r.Real(TSettingName::PMBox3, Set.MutationRate, "No value for \"Mutatuin Rate\"!"))
        return false;
      if (!r.Real(TSettingName::PCBox3, Set.CrossoverRate, "No value for \"Crossover Rate\"!"))
        return false;
      Set.DeRoute = r.Index(TSettingName::DEGroup);
      Set.DeMutationOption = r.Index(TSettingName::DEOptionGroup);
      Set.DeScheme = r.Index(TSettingName::SchemeBox);
      return true;
    default:
      if (!r.Whole(TSettingName::SizeBox1, size, kNoPopulation)) return false;
      if (size < 1)
        return r.Refuse(TSettingName::SizeBox1, "\"Population Size\"must be bigger than 0!");
      Set.ZudScheme = r.Index(TSettingName::ZUDSchemeBox);
      Set.ZudLocalSearch = r.Index(TSettingName::SearchOption) > 0;
      Set.NeighbourSize = Set.ZudLocalSearch ? 2 : size;
      return true;
  }
}

}  // namespace

TSettingName PopulationBox(TAlgorithm Algorithm) {
  switch (Algorithm) {
    case TAlgorithm::Genetic:
      return TSettingName::PopulationBox2;
    case TAlgorithm::ParticleSwarm:
      return TSettingName::SizeBox;
    case TAlgorithm::DifferentialEvolution:
      return TSettingName::DESizeBox;
    default:
      return TSettingName::SizeBox1;
  }
}

bool EncodeDecodeChosen(const TFitSettings& Controls) {
  return Controls.ItemIndex(TSettingName::RadioGroup2) == 1 &&
         Controls.ItemIndex(TSettingName::BinCheckBox) == 1;
}

void ChooseExclusiveCoding(TFitHost& Host) {
  TFitSettings& controls = Host.Settings();
  controls.SetItemIndex(TSettingName::RadioGroup2, 1);
  Host.SettingChanged(TSettingName::RadioGroup2);
  controls.SetItemIndex(TSettingName::BinCheckBox, 1);
  Host.SettingChanged(TSettingName::BinCheckBox);
  controls.SetText(TSettingName::ComboBox2, "0");
  Host.SettingChanged(TSettingName::ComboBox2);
}

void UseGeneCoding(TEngineModel& Model, const TSearchSettings& Set) {
  Model.EncodeDecode = Set.EncodeDecode;
  Model.GeneBase = Set.GeneBase;
  Model.GeneDecimals = Set.GeneDecimals;
}

bool CheckAlgorithmSettings(TFitHost& Host, TAlgorithm Algorithm) {
  TSettingsReader r(Host);
  TSearchSettings read;
  return ReadAlgorithm(r, Algorithm, false, read);
}

bool ReadSearchSettings(const TEngineState& S, TFitHost& Host, TSearchSettings& Set) {
  TSettingsReader r(Host);
  const TFitSettings& controls = Host.Settings();
  const bool resuming = S.Run.Resuming;
  const bool equation = S.Model.ModelMode == TModelMode::Equation;
  // A fresh object: a refused run leaves the last one as it was.
  TSearchSettings read;
  // A resumed run goes on with the population it has: its family, size,
  // neighbourhood and gene coding (genes that a changed coding would read
  // are not there).
  if (resuming) {
    read.EncodeDecode = S.Model.EncodeDecode;
    read.GeneBase = S.Model.GeneBase;
    read.GeneDecimals = S.Model.GeneDecimals;
  }
  const TAlgorithm algorithm =
      resuming ? S.Run.Algorithm : ChosenAlgorithm(controls.ItemIndex(TSettingName::RadioGroup2));
  if (!ReadAlgorithm(r, algorithm, resuming, read)) return false;
  if (resuming) {
    read.PopulationSize = S.Pop.PopSize;
    read.NeighbourSize = S.Pop.NeighbourSize;
  }
  if (read.Algorithm == TAlgorithm::ParticleSwarm && !(read.C1 + read.C2 > 4)) {
    Host.ShowMessage(mtInformation, "For CFPSO, C1+C2 should be bigger than 4!");
    return false;
  }

  // Update rate: an empty box stands for 100.
  const bool noUpdateRate = Trim(controls.Text(TSettingName::CBB2)).empty();
  if (noUpdateRate)
    read.UpdateRate = 100;
  else if (!r.Count(TSettingName::CBB2, read.UpdateRate))
    return false;

  // Both log names are checked before either rate, and before any file is
  // created.
  read.SaveResults = !Trim(controls.Text(TSettingName::FileEdit)).empty();
  if (read.SaveResults) read.ResultsFileName = LogFileName(controls.Text(TSettingName::FileEdit));
  read.SaveParameters = !Trim(controls.Text(TSettingName::FileEdit1)).empty() && !equation;
  if (read.SaveParameters)
    read.ParametersFileName = LogFileName(Trim(controls.Text(TSettingName::FileEdit1)));
  if (read.SaveResults && read.SaveParameters &&
      SameLogFile(read.ResultsFileName, read.ParametersFileName)) {
    Host.ShowMessage(mtWarning,
                     "File name for \"Results Save\" and \"Parameter Save\" should be different!");
    return false;
  }
  if (read.SaveResults && !r.Count(TSettingName::SREdit, read.ResultsSaveRate)) return false;
  if (read.SaveParameters && !r.Count(TSettingName::SREdit1, read.ParametersSaveRate)) return false;

  if (controls.Checked(TSettingName::RB1))
    read.StopCriterion = crAutoDetect;
  else if (controls.Checked(TSettingName::RB2))
    read.StopCriterion = crMaxIterations;
  else if (controls.Checked(TSettingName::RB4))
    read.StopCriterion = crDC;
  else
    read.StopCriterion = crRMSE;
  // An optimisation with a direction has no error to reach.
  const bool autoDetectInstead = equation && S.Model.Objective != TObjective::None &&
                                 (read.StopCriterion == crRMSE || read.StopCriterion == crDC);
  if (autoDetectInstead) read.StopCriterion = crAutoDetect;

  // The box of the criterion: the others are neither used nor checked.
  if (read.StopCriterion == crMaxIterations &&
      !r.Count(TSettingName::ComboBox1, read.MaxIterations))
    return false;
  // The fitting test is "RMSE below the target", which 0 never meets; the
  // optimisation's is "objective at or below it" (its DC criterion too).
  if (read.StopCriterion == crRMSE || (equation && read.StopCriterion == crDC)) {
    if (!r.Real(TSettingName::SSEEdit, read.TargetRMSE)) return false;
    if (!equation && !(read.TargetRMSE > 0))
      return r.Refuse(TSettingName::SSEEdit, "\"RMSE\" must be bigger than 0!");
    if (equation && read.TargetRMSE < 0)
      return r.Refuse(TSettingName::SSEEdit, "\"RMSE\" must not be below 0!");
  }
  // The test is "DC above the target"; DC is never above 1.
  if (read.StopCriterion == crDC && !equation) {
    if (!r.Real(TSettingName::REdit, read.TargetDC)) return false;
    if (!(read.TargetDC > 0 && read.TargetDC < 1))
      return r.Refuse(TSettingName::REdit,
                      "\"Determination Coef. (DC)\" must be bigger than 0 and smaller than 1!");
  }

  // Every check has passed: the values the engine writes back.
  TFitSettings& shown = Host.Settings();
  if (!resuming && read.Algorithm == TAlgorithm::ParticleSwarm) {
    shown.SetText(TSettingName::NSizeBox, std::to_string(read.NeighbourSize));
    Host.SettingChanged(TSettingName::NSizeBox);
  }
  if (noUpdateRate) {
    shown.SetText(TSettingName::CBB2, "100");
    Host.SettingChanged(TSettingName::CBB2);
  }
  if (autoDetectInstead) {
    shown.SetChecked(TSettingName::RB1, true);
    Host.SettingChanged(TSettingName::RB1);
  }
  Set = read;
  return true;
}

void PrepareSearch(TEngineState& S, TFitHost& Host, TSearchSettings& Set) {
  const int size = S.Pop.PopSize;
  if (Set.Algorithm == TAlgorithm::Genetic) {
    // Ties go to the even integer.
    Set.TruncatedCount = static_cast<int>(std::nearbyint(Set.TruncationThreshold * size));
    Set.KeptCount = size - Set.TruncatedCount;
    Set.RankSum = size * (size + 1) / 2;
  }
  if (Set.Algorithm == TAlgorithm::ParticleSwarm) {
    const double phi = Set.C1 + Set.C2;
    Set.ConstrictionK = 2 / std::fabs(2 - phi - std::sqrt(phi * phi - 4 * phi));
  }
  S.Run.Logs.Open(S.Model, Set, S.Run.Resuming);

  S.Run.StopCode = scNone;
  S.Run.SearchRunning = true;
  Host.SearchStarted();
  S.Run.StartTime = TRunClock::now();
  S.Run.StopTime = S.Run.StartTime;
}

}  // namespace qv
