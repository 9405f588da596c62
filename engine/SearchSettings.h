// The run's settings: the one place of the engine that knows the main
// window's setting controls. ReadSearchSettings turns the controls (the
// window's values, or the console driver's --set NAME=VALUE, under the
// controls' names) into the typed TSearchSettings and checks every value it
// reads; every other part of the engine reads that object. PrepareSearch
// then works out what follows from it, opens the two optional log files and
// puts the window into its running state.
//
// A refused value is named with its box's caption in a message (one OK
// button) and the box gets the focus (TFitHost::FocusSetting); the run does
// not start, and no control or state has changed.
#pragma once

#include <string>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/SearchLogs.h"
#include "engine/SearchState.h"

namespace qv {

class TFitSettings;

// Reads and checks every setting of a run into Set, in this order:
//  1. the algorithm family (RadioGroup2) and its entries, as
//     CheckAlgorithmSettings checks them, and the family's other values;
//     particle swarm needs C1 + C2 above 4;
//  2. the update rate (an empty box becomes "100"), at least 1;
//  3. the two log names (they must name different files) and their save
//     rates, at least 1;
//  4. the stop criterion (RB1..RB4; none checked means RMSE; an
//     optimisation with a direction stops by automatic detection and RB1 is
//     checked) and the box it uses: iterations at least 1, a determination
//     coefficient between 0 and 1 (both excluded), an RMSE above 0 (an
//     optimisation's target: not below 0, which its "at or below" test can
//     reach).
// Every number box read must hold a number of its kind (ReadSettingNumber,
// "." before the fraction in every locale); an empty box is "No value for".
// Values the engine writes back (the clamped neighbourhood size, the update
// rate "100", RB1) are written, and shown through Host.SettingChanged, only
// when every check has passed.
//
// A resumed run (S.Run.Resuming) keeps its population: the family
// (S.Run.Algorithm), the gene coding (S.Model) and the neighbourhood size
// stay those of the run, and the family's entries are checked again.
bool ReadSearchSettings(const TEngineState& S, TFitHost& Host, TSearchSettings& Set);

// The checks of one family's entries alone: empty boxes, population sizes
// below their minimum (2 for the genetic algorithm, 1 otherwise, 5 for a new
// differential evolution) and boxes that hold no number of their kind.
bool CheckAlgorithmSettings(TFitHost& Host, TAlgorithm Algorithm);

// Whether the controls choose the encode-decode genetic algorithm, which
// the model readers need before the rest is read.
bool EncodeDecodeChosen(const TFitSettings& Controls);

// An "exclusive" statement: the controls choose the genetic algorithm in
// encode-decode mode with whole genes (decimal digits "0"), and the window
// shows them.
void ChooseExclusiveCoding(TFitHost& Host);

// The population size box of a family.
TSettingName PopulationBox(TAlgorithm Algorithm);

// The gene coding of Set into the model (the population set-up and the
// report read it there).
void UseGeneCoding(TEngineModel& Model, const TSearchSettings& Set);

// What follows from the settings (the genetic truncation counts and rank
// sum, the swarm's constriction factor), the two logs opened (appended to
// on a resumed run, S.Run.Resuming), the window in its running state and
// the start time taken. Raises EInOutError when a log cannot be written.
void PrepareSearch(TEngineState& S, TFitHost& Host, TSearchSettings& Set);

}  // namespace qv
