// Search set-up: checks and reads the settings of the chosen algorithm and
// of every run, opens the two optional log files and puts the window into
// its running state.
#pragma once

#include <string>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/SearchLogs.h"
#include "engine/SearchState.h"

namespace qv {

// Refuses empty or too small entries of the given algorithm with a message
// and the focus on the offending control.
bool CheckAlgorithmSettings(TFitHost& Host, TAlgorithm Algorithm);

// The whole set-up; false when a check failed (the search must not start).
// A text that is not a number raises EConvertError. Resume (S.Run.Resuming)
// appends to existing logs (S.Run.Logs).
bool PrepareSearch(TEngineState& S, TFitHost& Host, TSearchSettings& Set);

}  // namespace qv
