// Draws from the engine's one random generator (the run's, engine/RunState.h)
// in the two shapes the search uses.
#pragma once

#include "platform/core/Random.h"

namespace qv {

// A uniform real in [0, 1).
inline double RandomReal(TRandomGenerator& g) { return g.Random(); }
// A uniform integer in [0, n); 0 when n <= 0.
inline int RandomInt(TRandomGenerator& g, int n) { return n <= 0 ? 0 : g.Random(n); }

}  // namespace qv
