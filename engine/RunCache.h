// What parts of the search keep from one member to the next while one search
// loop runs (the fitness' column bindings, the bound-repair table). Each such
// cache is a per-thread slot; a scope names the engine state it belongs to,
// and Forget() drops what was kept whenever the data, the bound variables or
// the model may have changed (after each message pump). Outside a scope
// nothing is kept. Scopes nest: the innermost is in effect.
#pragma once

namespace qv {

class TEngineState;

// The part every cache shares; a cache derives from it and adds its data.
struct TRunCacheSlot {
  const TEngineState* State = nullptr;
  bool Valid = false;
};

class TRunCacheScope {
 public:
  TRunCacheScope(TRunCacheSlot& Slot, const TEngineState& S) : FSlot(Slot), FOuter(Slot.State) {
    Slot.State = &S;
    Slot.Valid = false;
  }
  ~TRunCacheScope() {
    FSlot.State = FOuter;
    FSlot.Valid = false;
  }
  TRunCacheScope(const TRunCacheScope&) = delete;
  TRunCacheScope& operator=(const TRunCacheScope&) = delete;
  void Forget() { FSlot.Valid = false; }

 private:
  TRunCacheSlot& FSlot;
  const TEngineState* FOuter;
};

}  // namespace qv
