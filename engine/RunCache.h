// What parts of the search keep from one member to the next while one
// search loop runs: the fitness' column bindings (engine/Fitness.cpp) and
// the bound-repair table (engine/RandomValues.cpp). Each cache lives in the
// run part of the engine state (engine/RunState.h); a scope switches it on
// for one loop, and Forget() drops what was kept whenever the data, the
// bound variables or the model may have changed (after each message pump).
// Outside a scope nothing is kept. Scopes nest: leaving the inner one
// restores the outer one's state, with nothing kept.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/ParseExpr.h"

namespace qv {

// The part every cache shares; a cache derives from it and adds its data.
struct TRunCacheSlot {
  bool Active = false;  // a scope is in effect
  bool Valid = false;   // the data kept may be used
};

class TRunCacheScope {
 public:
  explicit TRunCacheScope(TRunCacheSlot& Slot) : slot_(Slot), outer_(Slot.Active) {
    Slot.Active = true;
    Slot.Valid = false;
  }
  ~TRunCacheScope() {
    slot_.Active = outer_;
    slot_.Valid = false;
  }
  TRunCacheScope(const TRunCacheScope&) = delete;
  TRunCacheScope& operator=(const TRunCacheScope&) = delete;
  void Forget() { slot_.Valid = false; }

 private:
  TRunCacheSlot& slot_;
  bool outer_;
};

// Column bindings of one data set for the current function: every input
// column goes to its own variable's slot and the output's slot holds the
// observed value.
struct TRowBinding {
  std::vector<TColumnBinding> Columns;
  int Rows = 0;
};

// The fitness' cache: the bindings of the current data set and function and
// the sum of squares of the observed values about their mean, with the keys
// that tell when the data set, output or function moved on; and the scratch
// the fitness uses outside a scope and for a shifted start row, kept to
// spare an allocation per evaluation.
struct TFitnessCache : TRunCacheSlot {
  int File = -1, Output = -1, Function = -1, Compiled = -1;
  TRowBinding Binding;
  // The data generation of Binding (TExpressionParser::EvaluateCompiledColumn):
  // a new number each time the bindings are made, as the data may have
  // changed since the last time.
  uint64_t Generation = 0;
  double Stt = 0;
  // The candidate whose values over a large data set the last evaluation
  // summed without writing them to Calculated (engine/Fitness.cpp), with
  // the keys that say which column they belong to: they are written when
  // Calculated is asked for and when the scope ends.
  struct TUnwritten {
    bool Due = false;
    int File = -1, Output = -1, Function = -1, Compiled = -1;
    std::vector<double> Values;  // the parameters
  } Unwritten;
  TRowBinding Scratch;
  std::vector<TColumnBinding> Shifted;
};

// What the test of one dimension's bounds needs, per dimension.
enum : uint8_t { kBoundNone, kBoundLower, kBoundUpper, kBoundBoth };
struct TRepairDim {
  uint8_t Bounds;  // kBoundNone, kBoundLower, kBoundUpper or kBoundBoth
  bool Integer;
  double Lower, Upper;
};
struct TRepairCache : TRunCacheSlot {
  std::vector<TRepairDim> Dims;  // [d] for the leading dimensions with plain bounds
};

}  // namespace qv
