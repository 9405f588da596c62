// Search settings: what the user chose on the main window's settings pages
// for the chosen algorithm and for every run, typed and checked. Where a run
// stands (counters, stop code, timer, logs) is the run part of
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

// The settings of a run as one typed object: the algorithm family and its
// parameters, the population, the gene coding, the progress display, the
// logs and the stop criterion with its targets. ReadSearchSettings
// (engine/SearchSettings.h) builds it from the main window's controls (or
// the console driver's --set NAME=VALUE) and checks every value there; the
// engine reads its settings from this object only. Only the chosen family's
// parameters and the boxes a run uses are read; the others keep these
// defaults, the window's.
struct TSearchSettings {
  // Algorithm family and population (RadioGroup2 and the family's size box;
  // a choice outside the four families runs Zedovev Avedezo Rezividorodo).
  TAlgorithm Algorithm = TAlgorithm::DifferentialEvolution;
  int PopulationSize = 20;
  // Zedovev Avedezo Rezividorodo: scheme; global and local search (a
  // neighbourhood of 2 members) instead of the global search.
  int ZudScheme = 2;
  bool ZudLocalSearch = false;
  // Genetic algorithm; differential evolution shares the two rates (its
  // mutation rate is the factor F).
  double CrossoverRate = 0.85;
  double MutationRate = 0.01;
  TSelectionType SelectionType = TSelectionType::Random;
  TCrossoverType CrossoverType = TCrossoverType::Uniform;              // real-value mode
  TGeneCrossoverType GeneCrossoverType = TGeneCrossoverType::Uniform;  // encode-decode mode
  bool Truncation = false;
  double TruncationThreshold = 0.2;
  // Gene coding: the encode-decode mode of the genetic algorithm with its
  // base and fraction digits.
  bool EncodeDecode = false;
  int GeneBase = 10;
  int GeneDecimals = 4;
  // Particle swarm; NeighbourSize is clamped to [2, PopulationSize].
  double C1 = 2.05, C2 = 2.05, InertiaWeight = 0.1, Vmax = 2;
  bool UseVmax = false;
  int VelocityFormula = 0;
  int NeighbourSize = 20;
  // Differential evolution.
  int DeRoute = 0;
  int DeMutationOption = 0;
  int DeScheme = 0;

  // Progress display and logs (a log is on when its file name is given).
  int UpdateRate = 100;
  bool SaveResults = false;
  std::string ResultsFileName;
  int ResultsSaveRate = 100;
  bool SaveParameters = false;
  std::string ParametersFileName;
  int ParametersSaveRate = 100;
  // Stop criterion and targets.
  int StopCriterion = crDC;
  int MaxIterations = 100000;
  double TargetRMSE = 0.001;
  double TargetDC = 0.99;

  // Worked out by PrepareSearch from the above and the population.
  int TruncatedCount = 0;  // T: the T best members are the selection pool
  int KeptCount = 0;       // K0 = PopSize - T
  int RankSum = 0;         // 1 + 2 + ... + PopSize
  double ConstrictionK = 0;
};

}  // namespace qv
