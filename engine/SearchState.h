// Search settings: what the user chose on the main window's settings pages
// for the chosen algorithm and for every run, as PrepareSearch reads them.
// Where a run stands (counters, stop code, timer, logs) is the run part of
// the engine state (engine/RunState.h).
#pragma once

#include <string>

#include "engine/RunState.h"

namespace qv {

// Stop criteria (radio buttons RB1, RB2, RB3, RB4).
enum : int { crAutoDetect = 0, crMaxIterations = 1, crRMSE = 2, crDC = 3 };

// Genetic selection types, the item index of "STGroup2", on the population
// sorted ascending by relative fitness (the best last); engine/Genetic.cpp
// gives each rule.
enum class TSelectionType : int {
  TopMate = 0,
  AbsoluteTopMate = 1,
  Tournament = 2,
  RouletteWheel = 3,
  Rank = 4,
  RandomOfAbove = 5,  // one of the five above, drawn once per generation
  Random = 6,
};

// Genetic crossover types of the real-value mode, the item index of
// "CTGroup2".
enum class TCrossoverType : int {
  Uniform = 0,
  OnePoint = 1,
  TwoPoints = 2,
  Intermediate = 3,
  Line = 4,
  RandomOfAbove = 5,  // one of the five above, drawn once per pair
};

// Genetic crossover types of the encode-decode mode, the item index of
// "CTGroup3"; they work on the characters of the genes.
enum class TGeneCrossoverType : int {
  Uniform = 0,
  OnePoint = 1,
  TwoPoints = 2,
  RandomOfAbove = 3,  // one of the three above, drawn once per pair
};

// Settings read by PrepareSearch (only the chosen algorithm's).
struct TSearchSettings {
  double CrossoverRate = 0.85;  // genetic and differential evolution
  double MutationRate = 0.01;   // genetic mutation rate, or the factor F of differential evolution
  TSelectionType SelectionType = TSelectionType::Random;
  TCrossoverType CrossoverType = TCrossoverType::Uniform;              // real-value mode
  TGeneCrossoverType GeneCrossoverType = TGeneCrossoverType::Uniform;  // encode-decode mode
  bool Truncation = false;
  double TruncationThreshold = 0.2;
  int TruncatedCount = 0;  // T: the T best members are the selection pool
  int KeptCount = 0;       // K0 = PopSize - T
  int RankSum = 0;         // 1 + 2 + ... + PopSize
  double C1 = 2.05, C2 = 2.05, InertiaWeight = 0.1, Vmax = 2, ConstrictionK = 0;
  bool UseVmax = false;
  int VelocityFormula = 0;
  int ZudScheme = 2;
  int DeRoute = 0;
  int DeMutationOption = 0;
  int DeScheme = 0;

  int UpdateRate = 100;
  bool SaveResults = false;
  std::string ResultsFileName;
  int ResultsSaveRate = 100;
  bool SaveParameters = false;
  std::string ParametersFileName;
  int ParametersSaveRate = 100;
  int StopCriterion = crDC;
  int MaxIterations = 100000;
  double TargetRMSE = 0.001;
  double TargetDC = 0.99;
};

}  // namespace qv
