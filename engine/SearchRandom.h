// Draws from the engine's one random generator (platform/core/Random.h),
// in the two shapes the search uses.
#pragma once

#include "platform/core/Random.h"

namespace qv {

class TEngineState;

// A uniform real in [0, 1).
inline double RandomReal(TRandomGenerator& g) { return g.Random(); }
// A uniform integer in [0, n); 0 when n <= 0.
inline int RandomInt(TRandomGenerator& g, int n) { return n <= 0 ? 0 : g.Random(n); }

// The generator of the engine that owns the state.
TRandomGenerator& EngineRandom(TEngineState& State);

}  // namespace qv
