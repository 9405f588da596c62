// Population set-up: the population arrays sized from the settings of the
// chosen algorithm, every member given random values.
#include <algorithm>

#include "engine/FitSettings.h"
#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "platform/core/SysUtils.h"

namespace qv {

using namespace modeltools;

bool InitPopulation(TEngineState& S, TFitHost& Host) {
  if (S.Resuming) return true;
  TFitSettings& settings = Host.Settings();
  S.Algorithm = settings.ItemIndex("RadioGroup2");
  static const char* const kSizeBoxes[] = {"SizeBox1", "PopulationBox2", "SizeBox", "DESizeBox"};
  const int algorithm = S.Algorithm >= 0 && S.Algorithm <= 3 ? S.Algorithm : 0;
  // A text that is not a whole number raises the conversion error, which
  // the run command catches and shows.
  int size = StrToInt(Trim(settings.Text(kSizeBoxes[algorithm])));
  size = std::max(0, size);
  S.PopSize = size;
  if (algorithm == 0) {
    S.NeighbourSize = settings.ItemIndex("SearchOption") > 0 ? 2 : size;
  } else if (algorithm == 2) {
    int n = StrToInt(Trim(settings.Text("NSizeBox")));
    n = std::max(2, std::min(n, size));
    S.NeighbourSize = n;
    settings.SetText("NSizeBox", std::to_string(n));
    Host.SettingChanged("NSizeBox");
  }
  if (algorithm == 3 && size < 5) {
    Host.ShowMessage(mtInformation, "Population size must be bigger than 5!");
    return false;
  }

  const int dims = std::max(0, S.DimCount);
  S.RandomDimCount = dims;
  S.Population.assign(size, Double1Array(dims, 0.0));
  S.TrialPopulation.assign(size, Double1Array(dims, 0.0));
  S.BestPosition.assign(dims, 0.0);
  S.BestStep.assign(dims, 0.0);
  S.Fitness.assign(size, 0.0);
  S.RelativeFitness.assign(size, 0.0);
  S.PersonalBestFitness.assign(size, 0.0);
  S.PreviousFitness.assign(size, 0.0);
  S.NeighbourBestFitness.assign(size, 0.0);
  if (S.EncodeDecode) {
    S.MemberGenes.assign(size, "");
    S.GeneStrings.assign(size, String1Array(dims));
    S.BestGeneStrings.assign(dims, "");
    // The gene layouts are worked out from the bounds by the first draw.
    S.GeneIntDigits.clear();
    S.GeneFracDigits.clear();
  } else {
    S.MemberGenes.clear();
    S.GeneStrings.clear();
    S.BestGeneStrings.clear();
  }
  S.Velocity.assign(size, Double1Array(dims, 0.0));
  S.VelocityBound.assign(size, Double1Array(dims, 0.0));
  S.NeighbourBestPosition.assign(size, Double1Array(dims, 0.0));
  S.MemberFlags.assign(size, false);
  S.DimensionLimits.assign(2, Double1Array(dims, 0.0));
  S.DimensionSpans.assign(2, Double1Array(dims, 0.0));
  for (int m = 0; m < size; ++m) RandomizeMember(S, m);
  S.PersonalBestPosition = S.Population;
  return true;
}

void ResetPopulation(TEngineState& S, int Member) {
  if (Member < 0 || Member >= static_cast<int>(S.Population.size())) return;
  RandomizeMember(S, Member);
  if (Member < static_cast<int>(S.PersonalBestFitness.size())) S.PersonalBestFitness[Member] = 0;
  if (Member < static_cast<int>(S.Velocity.size()))
    std::fill(S.Velocity[Member].begin(), S.Velocity[Member].end(), 0.0);
  if (Member < static_cast<int>(S.PersonalBestPosition.size()))
    S.PersonalBestPosition[Member] = S.Population[Member];
}

}  // namespace qv
