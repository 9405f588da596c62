// The population part of the engine state: the members the algorithms
// move, their values, the bests found so far and the arrays one algorithm
// family keeps between its steps. InitPopulation (engine/ModelParser.h)
// sizes it from the chosen algorithm's settings; an algorithm step changes
// it; the model part (engine/EngineModel.h) never refers to it.
//
// m is a member (PopSize of them), d a dimension (the model's DimCount),
// f a data set, o an output.
//
// What a member's value is depends on the model:
//  - fitting modes: Fitness[m] is DC (larger is better) or, under the RMSE
//    stop criterion, RMSE (smaller is better); RelativeFitness[m] is the
//    member's share of the population's goodness; the bests are
//    BestFitnessDC or BestFitnessRMSE;
//  - optimisation mode: ObjectiveValues[m] is the member's objective,
//    smaller is better (a maximisation keeps the negated objective), and
//    BestObjective the best of them; RelativeFitness holds the genetic
//    algorithm's selection shares made from them.
#pragma once

#include "engine/EngineTypes.h"

namespace qv {

struct TPopulation {
  int PopSize = 0;
  int NeighbourSize = 0;   // members of a neighbourhood; PopSize: no neighbourhoods
  int RandomDimCount = 0;  // leading dimensions drawn at random and moved by the steps

  Double2Array Population;       // [m][d]; children are written in place
  Double2Array TrialPopulation;  // [m][d] trial vectors of differential evolution
  Double1Array Fitness;          // [m] fitting modes
  Double1Array RelativeFitness;  // [m] shares of goodness (genetic selection)
  Double1Array ObjectiveValues;  // [m] optimisation mode
  // [m] optimisation mode: 1 when the member satisfies every constraint (a
  // model without constraints: always 1).
  Integer1Array ObjectiveFeasible;
  // [m] optimisation mode: the sum of the amounts by which the member breaks
  // its constraints (0 when it meets them); between two members that break
  // them, the one with the smaller sum is the better.
  Double1Array ObjectiveViolation;

  // ---- Bests ----------------------------------------------------------------
  Double1Array BestPosition;  // [d] the best member's values
  Double1Array BestStep;      // [d] old best minus new best of the last improvement
  double BestFitnessDC = 0, BestFitnessRMSE = 0;  // fitting modes
  double BestObjective = 0;                       // optimisation mode
  // Optimisation mode: the best satisfies every constraint. A feasible
  // member always beats an infeasible best, whatever their values.
  bool BestFeasible = true;
  double BestViolation = 0;  // the best's sum of broken amounts (see ObjectiveViolation)
  // Statistics of the best member (program mode: means over the fitted data
  // sets and outputs) and, in program mode, per data set and output.
  double BestR = 0, BestDC = 0, BestSSE = 0, BestRMSE = 0;
  Double2Array FileR, FileDC, FileSSE, FileRMSE;  // [f][o]
  // The observed-against-calculated line of the best member's values, per
  // data set and output ([f][o]), sized and filled with the statistics.
  std::vector<std::vector<TLineEnds>> BestLine;
  // The values calculated for the best member, shown in the results, with
  // their mean, minimum and maximum.
  Double3Array BestCalculated;                                // [f][o][r]
  Double2Array CalculatedMean, CalculatedMin, CalculatedMax;  // [f][o]

  // ---- Per algorithm --------------------------------------------------------
  Double2Array Velocity;               // [m][d] particle swarm; Zedovev schemes 2 and 3
  Double2Array PersonalBestPosition;   // [m][d]
  Double1Array PersonalBestFitness;    // [m] (optimisation mode: best objective)
  Integer1Array PersonalBestFeasible;  // [m] optimisation mode: that best meets the constraints
  Double1Array PersonalBestViolation;  // [m] optimisation mode: that best's broken amounts
  Double1Array NeighbourBestFitness;   // [m]
  Double2Array NeighbourBestPosition;  // [m][d]
  String2Array GeneStrings;            // [m][d] genetic encode-decode mode
  String1Array BestGeneStrings;        // [d]
  Integer1Array GeneIntDigits;         // [d] gene layout, worked out by the first draw
  Integer1Array GeneFracDigits;        // [d]
};

}  // namespace qv
