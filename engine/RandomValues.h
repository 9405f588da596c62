// Random member values and bound repair: how every algorithm draws a fresh
// value for one dimension of one member and how it brings a value that left
// its bounds back, driven by what the model says of each dimension (initial
// value, initial range, bounds, integer flag, the exclusive flag).
//
// Per-dimension facts are read through State.DimParameter(d). Draws come from
// the engine's one generator, in the order the rules are written.
// RandomizeMember (declared in engine/CommonUnit.h) is defined here too.
#pragma once

#include <string>

#include "engine/CommonUnit.h"
#include "engine/GeneEncoding.h"
#include "engine/RunCache.h"

namespace qv {

class TRandomGenerator;

// The engine's generator for this state, and its seed (the owner seeds it
// once: the window from the clock, the test driver with --seed).
TRandomGenerator& EngineRandom(TEngineState& State);
void SeedEngineRandom(TEngineState& State, uint32_t Seed);

// A fresh value for dimension d of member m. With Exclusive set, a value
// equal to one of the member's values in dimensions 0 .. d-1 is drawn again
// (a bounded number of times; ExclusiveExhausted tells when that bound was
// hit, see ExclusiveFeasible).
double RandomValue(TEngineState& State, int Member, int d);
// The value unchanged when inside its bounds, else a fresh one by the repair
// rules; integer dimensions are rounded (half to even) either way. A value
// that is not a finite number is replaced by RandomValue.
double RepairValue(TEngineState& State, int Member, int d, double Value);

// Marks a stretch (one search loop) in which the model's bounds, flags and
// dimension layout do not change, so that RepairValue can read what it
// needs for a value inside its bounds from a table made once per dimension
// instead of from the per-parameter arrays. Forget() drops the table; call
// it whenever the model may have changed (after each message pump).
// Outside a scope RepairValue reads the arrays. One per thread at a time is
// in effect (the innermost); see engine/RunCache.h.
class TRepairRunScope : public TRunCacheScope {
 public:
  explicit TRepairRunScope(const TEngineState& State);
};

// Encode-decode mode: a fresh value and its gene, and the repair of a gene
// whose value left the bounds.
void RandomGene(TEngineState& State, int Member, int d, std::string& Gene, double& Value);
void RepairGene(TEngineState& State, int Member, int d, std::string& Gene, double& Value);

// Gene layout of dimension d (from its bounds, GeneBase and GeneDecimals).
TGeneLayout DimensionGeneLayout(const TEngineState& State, int d);
// Fills GeneIntDigits and GeneFracDigits for every dimension.
void SetupGeneLayouts(TEngineState& State);

// True when the exclusive rule can be met: the integer dimensions of the
// first RandomDimCount (or DimCount) dimensions have enough distinct values
// between their bounds to be pairwise different. Real-valued dimensions
// count as unlimited.
bool ExclusiveFeasible(const TEngineState& State);
// Set when a re-draw of the exclusive rule gave up.
bool ExclusiveExhausted(const TEngineState& State);

}  // namespace qv
