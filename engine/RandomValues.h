// Random member values and bound repair: how every algorithm draws a fresh
// value for one dimension of one member and how it brings a value that left
// its bounds back, driven by what the model says of each dimension (initial
// value, initial range, bounds, integer flag, the exclusive flag).
//
// Each routine takes the parts of the engine state it works on: the model
// (read: the dimension's definition through Model.DimParameter(d)), the
// population (read for the exclusive rule, written by RandomizeMember) and
// the run (its generator; ExclusiveExhausted). Draws come from the run's
// generator, one after another in the order each rule below names them.
#pragma once

#include <cstdint>
#include <string>

#include "engine/CommonUnit.h"
#include "engine/GeneEncoding.h"
#include "engine/RunCache.h"

namespace qv {

// Seeds the engine's generator: once per program run, by the owner of the
// state (the window from the clock, the test driver with --seed).
void SeedEngineRandom(TEngineState& State, uint32_t Seed);

// A fresh value for dimension d of member m. With Exclusive set, a value
// equal to one of the member's values in dimensions 0 .. d-1 is drawn again
// (a bounded number of times; Run.ExclusiveExhausted tells when that bound
// was hit, see ExclusiveFeasible).
//
// Member 0 takes a given initial value. Otherwise, r a fresh draw in [0, 1):
//  - with a range [a, b]: a + (b - a) r; with an initial value I as well,
//    one draw picks the side and a fresh one the point: r >= 0.5 gives
//    I + (b - I) r, else a + (I - a) r;
//  - without a range, bounds Low, Up: Low + (Up - Low) r (Up when they are
//    equal); an upper bound only moves below it, a lower bound only above
//    it (engine/RandomValues.cpp has each formula); no bound at all gives
//    r + 0.5 in fitting by expressions, 1 - 2r otherwise, or around the
//    initial value (r - 0.5 for 0, (r + 0.5) I otherwise).
// Integer dimensions are rounded, ties to even.
double RandomValue(const TEngineModel& Model, const TPopulation& Pop, TRunState& Run, int Member,
                   int d);
// The value unchanged when inside its bounds, else a fresh one by the repair
// rules; integer dimensions are rounded (half to even) either way. A value
// that is not a finite number is replaced by RandomValue. Only dimensions
// with a bound are repaired: outside both bounds a uniform value between
// them (or the initial range, or around the initial value); beyond a single
// bound a value moved back inside it.
double RepairValue(const TEngineModel& Model, const TPopulation& Pop, TRunState& Run, int Member,
                   int d, double Value);

// Marks a stretch (one search loop) in which the model's bounds, flags and
// dimension layout do not change, so that RepairValue can read what it
// needs for a value inside its bounds from a table made once per dimension
// instead of from the per-parameter arrays. Forget() drops the table; call
// it whenever the model may have changed (after each message pump).
// Outside a scope RepairValue reads the arrays. See engine/RunCache.h.
class TRepairRunScope : public TRunCacheScope {
 public:
  explicit TRepairRunScope(TRunState& Run) : TRunCacheScope(Run.RepairCache) {}
};

// Encode-decode mode: a fresh value and its gene, and the repair of a gene
// whose value left the bounds.
void RandomGene(const TEngineModel& Model, const TPopulation& Pop, TRunState& Run, int Member,
                int d, std::string& Gene, double& Value);
void RepairGene(const TEngineModel& Model, TRunState& Run, int d, std::string& Gene, double& Value);
// Exclusive mode: draws the gene and value of dimension d of member m again
// until they differ from the member's dimensions 0 .. d-1, a bounded number
// of times (enough when a free value is left); false when none did.
bool RedrawDistinctGene(const TEngineModel& Model, TPopulation& Pop, TRunState& Run, int Member,
                        int d);

// Draws new random values for the first RandomDimCount dimensions of one
// member (and its genes in encode-decode mode). InitPopulation and
// ResetPopulation call it, and the fitness for a member whose evaluation
// faults. With Exclusive set, a dimension whose draws keep meeting earlier
// values starts the member again; when a bounded number of fresh starts all
// fail, Run.ExclusiveExhausted is set (InitPopulation then refuses the run)
// and from then on no draw of the run is repeated.
void RandomizeMember(const TEngineModel& Model, TPopulation& Pop, TRunState& Run, int Member);
inline void RandomizeMember(TEngineState& S, int Member) {
  RandomizeMember(S.Model, S.Pop, S.Run, Member);
}

// Gene layout of dimension d (from its bounds, GeneBase and GeneDecimals).
TGeneLayout DimensionGeneLayout(const TEngineModel& Model, int d);
// Fills GeneIntDigits and GeneFracDigits for every dimension.
void SetupGeneLayouts(const TEngineModel& Model, TPopulation& Pop);

// True when the exclusive rule can be met: the integer dimensions of the
// first RandomDimCount (or DimCount) dimensions have enough distinct values
// between their bounds to be pairwise different. Real-valued dimensions
// count as unlimited.
bool ExclusiveFeasible(const TEngineModel& Model, const TPopulation& Pop);

}  // namespace qv
