// Population set-up: the population arrays sized from the settings of the
// chosen algorithm, every member given random values.
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "engine/FitSettings.h"
#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "engine/RandomValues.h"
#include "platform/core/SysUtils.h"

namespace qv {

using namespace modeltools;

namespace {

// The population size box of each algorithm family; an unset algorithm
// group sizes the population as Zedovev Avedezo Rezividorodo does.
TSettingName SizeBoxOf(int chosen) {
  static const TSettingName kSizeBoxes[] = {TSettingName::SizeBox1, TSettingName::PopulationBox2,
                                            TSettingName::SizeBox, TSettingName::DESizeBox};
  return kSizeBoxes[chosen >= 0 && chosen <= 3 ? chosen : 0];
}

// Bytes that the population arrays of InitPopulation take, and those the
// algorithm steps keep beside them, for one member of dims parameters: five
// arrays of dims values with their headers, the per-member scalars, and the
// gene strings in encode-decode mode.
double MemberBytes(int dims, bool genes) {
  const double array = dims * 8.0 + 40;
  return 6 * array + 8 * 8.0 + (genes ? dims * 64.0 : 0);
}

double PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<double>(pages) * pageSize : 0;
}

std::string GigaBytes(double bytes) { return FloatToStrF(bytes / 1e9, ffFixed, 15, 1) + " GB"; }

}  // namespace

bool CheckPopulationMemory(const TEngineState& S, TFitHost& Host) {
  if (S.Run.Resuming) return true;
  TFitSettings& settings = Host.Settings();
  const TSettingName box = SizeBoxOf(settings.ItemIndex(TSettingName::RadioGroup2));
  int size = 0;
  if (!TryStrToInt(Trim(settings.Text(box)), size) || size <= 0) return true;
  // Half the machine's memory at most: the data, the evaluator's columns
  // and the rest of the program need the other half, and a run that the
  // kernel kills for want of memory loses everything.
  const double need = size * MemberBytes(std::max(0, S.Model.DimCount), S.Model.EncodeDecode);
  const double memory = PhysicalMemoryBytes();
  if (memory <= 0 || need <= memory / 2) return true;
  Host.ShowMessage(mtInformation, "\"Population Size\" " + std::to_string(size) +
                                      " is too large: the population would need " +
                                      GigaBytes(need) + " of memory, and this computer has " +
                                      GigaBytes(memory) + "!");
  Host.FocusSetting(box);
  return false;
}

bool InitPopulation(TEngineState& S, TFitHost& Host) {
  if (S.Run.Resuming) return true;
  TFitSettings& settings = Host.Settings();
  const int chosen = settings.ItemIndex(TSettingName::RadioGroup2);
  S.Run.Algorithm = static_cast<TAlgorithm>(chosen);
  const int algorithm = chosen >= 0 && chosen <= 3 ? chosen : 0;
  // A text that is not a whole number raises the conversion error, which
  // the run command catches and shows.
  int size = StrToInt(Trim(settings.Text(SizeBoxOf(chosen))));
  size = std::max(0, size);
  S.Pop.PopSize = size;
  if (algorithm == 0) {
    S.Pop.NeighbourSize = settings.ItemIndex(TSettingName::SearchOption) > 0 ? 2 : size;
  } else if (algorithm == 2) {
    int n = StrToInt(Trim(settings.Text(TSettingName::NSizeBox)));
    n = std::max(2, std::min(n, size));
    S.Pop.NeighbourSize = n;
    settings.SetText(TSettingName::NSizeBox, std::to_string(n));
    Host.SettingChanged(TSettingName::NSizeBox);
  }
  if (algorithm == 3 && size < 5) {
    Host.ShowMessage(mtInformation, "Population size must be bigger than 5!");
    return false;
  }
  if (!CheckPopulationMemory(S, Host)) return false;

  const int dims = std::max(0, S.Model.DimCount);
  S.Pop.RandomDimCount = dims;
  S.Pop.Population.assign(size, Double1Array(dims, 0.0));
  S.Pop.TrialPopulation.assign(size, Double1Array(dims, 0.0));
  S.Pop.BestPosition.assign(dims, 0.0);
  S.Pop.BestStep.assign(dims, 0.0);
  S.Pop.Fitness.assign(size, 0.0);
  S.Pop.RelativeFitness.assign(size, 0.0);
  S.Pop.ObjectiveValues.assign(size, 0.0);
  S.Pop.ObjectiveFeasible.assign(size, 1);
  S.Pop.BestFeasible = true;
  S.Pop.PersonalBestFitness.assign(size, 0.0);
  S.Pop.PersonalBestFeasible.assign(size, 1);
  S.Pop.NeighbourBestFitness.assign(size, 0.0);
  if (S.Model.EncodeDecode) {
    S.Pop.GeneStrings.assign(size, String1Array(dims));
    S.Pop.BestGeneStrings.assign(dims, "");
    // The gene layouts are worked out from the bounds by the first draw.
    S.Pop.GeneIntDigits.clear();
    S.Pop.GeneFracDigits.clear();
  } else {
    S.Pop.GeneStrings.clear();
    S.Pop.BestGeneStrings.clear();
  }
  S.Pop.Velocity.assign(size, Double1Array(dims, 0.0));
  S.Pop.NeighbourBestPosition.assign(size, Double1Array(dims, 0.0));
  S.Run.ExclusiveExhausted = false;
  for (int m = 0; m < size; ++m) {
    RandomizeMember(S, m);
    if (!S.Run.ExclusiveExhausted) continue;
    Host.ShowMessage(mtInformation,
                     "The model's rule \"exclusive\" (every parameter a different value) cannot be "
                     "met: no member with pairwise different values was found between the "
                     "parameters' bounds and initial values!");
    return false;
  }
  S.Pop.PersonalBestPosition = S.Pop.Population;
  return true;
}

void ResetPopulation(TEngineState& S, int Member) {
  if (Member < 0 || Member >= static_cast<int>(S.Pop.Population.size())) return;
  RandomizeMember(S, Member);
  if (Member < static_cast<int>(S.Pop.PersonalBestFitness.size()))
    S.Pop.PersonalBestFitness[Member] = 0;
  if (Member < static_cast<int>(S.Pop.PersonalBestFeasible.size()))
    S.Pop.PersonalBestFeasible[Member] = 1;
  if (Member < static_cast<int>(S.Pop.Velocity.size()))
    std::fill(S.Pop.Velocity[Member].begin(), S.Pop.Velocity[Member].end(), 0.0);
  if (Member < static_cast<int>(S.Pop.PersonalBestPosition.size()))
    S.Pop.PersonalBestPosition[Member] = S.Pop.Population[Member];
}

}  // namespace qv
