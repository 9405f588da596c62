// The loop of a fitting search (fitting by function expressions and by
// program): evaluate the population, one algorithm step, the stop test, the
// message pump, the log records and the progress summary at the update rate.
#pragma once

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/SearchState.h"

namespace qv {

// Runs until a stop criterion ends it (the report is written here) or
// S.Run.SearchRunning becomes false during the pump (a user stop: the report
// is written once, right after the pump). Precondition: PrepareSearch
// returned true. Exceptions (a log that cannot be written) leave the loop.
void RunFitSearch(TEngineState& S, TFitHost& Host, const TSearchSettings& Set);

}  // namespace qv
