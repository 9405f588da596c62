// Population set-up: the population arrays sized from the run's settings
// (the chosen algorithm's population), every member given random values.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "engine/RandomValues.h"
#include "engine/SearchSettings.h"
#include "platform/core/SysUtils.h"

namespace qv {

using namespace modeltools;

namespace {

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

std::string GigaBytes(double bytes) {
  return FloatToStrF(bytes / 1e9, ffFixed, 15, 1, ModelNumberForm()) + " GB";
}

}  // namespace

bool CheckPopulationMemory(const TEngineState& S, TFitHost& Host, const TSearchSettings& Set) {
  if (S.Run.Resuming) return true;
  const int size = Set.PopulationSize;
  if (size <= 0) return true;
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
  Host.FocusSetting(PopulationBox(Set.Algorithm));
  return false;
}

namespace {

// Genes hold whole numbers exactly only up to 2^53 in magnitude: beyond,
// a double has no room for every whole number, and the base-N digits stop
// at 2^63 - 1. A dimension whose bounds lie beyond is refused, naming its
// parameter, rather than searched with values that break its bounds.
bool CheckGeneBounds(const TEngineState& S, TFitHost& Host) {
  const TEngineModel& M = S.Model;
  if (!M.EncodeDecode) return true;
  constexpr double kExact = 9007199254740992.0;  // 2^53
  for (int d = 0; d < M.DimCount; ++d) {
    const int p = M.DimParameter(d);
    if (p < 0 || p >= M.ParameterCount || p >= static_cast<int>(M.ParameterNames.size())) continue;
    const double lo = M.LowerBound[p], up = M.UpperBound[p];
    if (std::fabs(lo) <= kExact && std::fabs(up) <= kExact) continue;
    Host.ShowMessage(mtInformation,
                     "Bound values of \"" + M.ParameterNames[p] + "\"" +
                         " are too large!\r(bound values must lie between -9007199254740992 "
                         "and 9007199254740992 in encode/decode mode of GA)");
    return false;
  }
  return true;
}

}  // namespace

bool InitPopulation(TEngineState& S, TFitHost& Host, const TSearchSettings& Set) {
  if (S.Run.Resuming) return true;
  if (!CheckGeneBounds(S, Host)) return false;
  S.Run.Algorithm = Set.Algorithm;
  const int size = std::max(0, Set.PopulationSize);
  S.Pop.PopSize = size;
  // Only these two families search neighbourhoods.
  if (Set.Algorithm == TAlgorithm::Zedovev || Set.Algorithm == TAlgorithm::ParticleSwarm)
    S.Pop.NeighbourSize = Set.NeighbourSize;
  if (!CheckPopulationMemory(S, Host, Set)) return false;

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
  S.Pop.ObjectiveViolation.assign(size, 0.0);
  S.Pop.BestFeasible = true;
  S.Pop.BestViolation = 0;
  S.Pop.PersonalBestFitness.assign(size, 0.0);
  S.Pop.PersonalBestFeasible.assign(size, 1);
  S.Pop.PersonalBestViolation.assign(size, 0.0);
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
  if (Member < static_cast<int>(S.Pop.PersonalBestViolation.size()))
    S.Pop.PersonalBestViolation[Member] = 0;
  if (Member < static_cast<int>(S.Pop.Velocity.size()))
    std::fill(S.Pop.Velocity[Member].begin(), S.Pop.Velocity[Member].end(), 0.0);
  if (Member < static_cast<int>(S.Pop.PersonalBestPosition.size()))
    S.Pop.PersonalBestPosition[Member] = S.Pop.Population[Member];
}

}  // namespace qv
