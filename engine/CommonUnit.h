// The engine state: the one model loaded, the population that searches it
// and the run that moves the population, kept in three parts that a reader
// can tell apart:
//   Model  what is fitted or optimised: names, definitions, data, compiled
//          expressions, the program block (engine/EngineModel.h);
//   Pop    the members, their values, the bests and the per-algorithm
//          arrays (engine/Population.h);
//   Run    counters, stop state, timer, the random generator, logs and the
//          caches of a search loop (engine/RunState.h).
// The model parsers fill Model; an algorithm step reads Model and changes
// Pop, drawing from Run's generator; the loops keep Run.
//
// The owner of the state (the main window or the test driver) keeps it for
// the whole program; every run of a model overwrites it. Not copyable.
#pragma once

#include "engine/EngineModel.h"
#include "engine/EngineTypes.h"
#include "engine/Population.h"
#include "engine/RunState.h"

namespace qv {

class TEngineState {
 public:
  TEngineState() = default;
  TEngineState(const TEngineState&) = delete;
  TEngineState& operator=(const TEngineState&) = delete;

  TEngineModel Model;
  TPopulation Pop;
  TRunState Run;

  // Releases every array, string, the parser and the program library (the
  // state of a fresh program), but for the model mode, which the run command
  // owns, the work lines object, which stays (empty), and the random
  // generator, which is seeded once per program run.
  void FreeEngineArrays();
};

}  // namespace qv
