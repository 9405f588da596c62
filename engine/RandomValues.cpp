#include "engine/RandomValues.h"

#include <cmath>
#include <set>
#include <vector>

#include "engine/SearchRandom.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// How many times the exclusive rule draws again before it gives up. The run
// controller refuses models that cannot meet the rule at all, so this bound
// only guards against a run of bad luck.
constexpr int kExclusiveAttempts = 10000;

double RoundEven(double v) { return std::nearbyint(v); }

// The draw of RandomValue before rounding and the exclusive test.
double DrawValue(TEngineState& S, int m, int p) {
  TRandomGenerator& g = EngineRandom(S);
  const bool lower = S.HasLower[p], upper = S.HasUpper[p];
  const double lo = S.LowerBound[p], up = S.UpperBound[p];
  if (S.HasRange[p]) {
    const double rl = S.RangeLow[p], rh = S.RangeHigh[p];
    if (!S.HasInitial[p]) return rl + (rh - rl) * RandomReal(g);
    if (m == 0) return S.InitialValue[p];
    const double init = S.InitialValue[p];
    if (RandomReal(g) >= 0.5) return init + (rh - init) * RandomReal(g);
    return rl + (init - rl) * RandomReal(g);
  }
  if (!S.HasInitial[p]) {
    if (!lower && !upper) return S.ModelMode == 0 ? RandomReal(g) + 0.5 : 1 - 2 * RandomReal(g);
    if (lower && upper) return lo == up ? up : lo + (up - lo) * RandomReal(g);
    if (upper) {
      if (up == 0) return -5 * RandomReal(g);
      if (up < 0) return (RandomReal(g) + 1) * up;
      return (1 - RandomReal(g)) * up;
    }
    if (lo == 0) return 5 * RandomReal(g);
    if (lo < 0) return (1 - RandomReal(g)) * lo;
    return (RandomReal(g) + 1) * lo;
  }
  const double init = S.InitialValue[p];
  if (m == 0) return init;
  if (!lower && !upper) return init == 0 ? RandomReal(g) - 0.5 : (RandomReal(g) + 0.5) * init;
  if (lower && upper) return lo == up ? up : lo + (up - lo) * RandomReal(g);
  const double r = RandomReal(g);
  if (upper) {
    if (r >= 0.7) return up <= 0 ? (r + 1) * init : (1 - r) * init;
    return init + (up - init) * r;
  }
  if (r >= 0.7) return lo <= 0 ? (1 - r) * init : (r + 1) * init;
  return lo + (init - lo) * r;
}

// A replacement for a value outside both bounds.
double RepairBoth(TEngineState& S, int p) {
  TRandomGenerator& g = EngineRandom(S);
  const double lo = S.LowerBound[p], up = S.UpperBound[p];
  if (!S.HasInitial[p]) {
    if (S.HasRange[p]) return S.RangeLow[p] + (S.RangeHigh[p] - S.RangeLow[p]) * RandomReal(g);
    return lo + (up - lo) * RandomReal(g);
  }
  const double init = S.InitialValue[p];
  const double r = RandomReal(g);
  if (r >= 0.5) return init + ((S.HasRange[p] ? S.RangeHigh[p] : up) - init) * r;
  return init - (init - (S.HasRange[p] ? S.RangeLow[p] : lo)) * r;
}

bool EqualsEarlier(const TEngineState& S, int m, int d, double v) {
  if (m < 0 || m >= static_cast<int>(S.Population.size())) return false;
  const auto& row = S.Population[m];
  for (int k = 0; k < d && k < static_cast<int>(row.size()); ++k)
    if (row[k] == v) return true;
  return false;
}

bool GeneEqualsEarlier(const TEngineState& S, int m, int d, const std::string& gene) {
  if (m < 0 || m >= static_cast<int>(S.GeneStrings.size())) return false;
  const auto& row = S.GeneStrings[m];
  for (int k = 0; k < d && k < static_cast<int>(row.size()); ++k)
    if (row[k] == gene) return true;
  return false;
}

// What RepairValue needs per dimension for the test of its bounds, kept
// while a TRepairRunScope is in effect (rebuilt after Forget).
struct TRepairDim {
  uint8_t Bounds;  // kBoundNone, kBoundLower, kBoundUpper or kBoundBoth
  bool Integer;
  double Lower, Upper;
};
enum : uint8_t { kBoundNone, kBoundLower, kBoundUpper, kBoundBoth };
// Plain data, so that reading it needs no guard; the table itself lives in
// tRepairDims.
struct TRepairCache : TRunCacheSlot {
  const TRepairDim* Dims = nullptr;
  int Count = 0;
};
thread_local TRepairCache tRepair;
thread_local std::vector<TRepairDim> tRepairDims;

__attribute__((noinline)) void BuildRepairDims(const TEngineState& S) {
  std::vector<TRepairDim>& dims = tRepairDims;
  dims.clear();
  for (int d = 0; d < S.DimCount; ++d) {
    const int p = S.DimParameter(d);
    if (p < 0 || p >= static_cast<int>(S.HasLower.size()) ||
        p >= static_cast<int>(S.HasUpper.size()) || p >= static_cast<int>(S.IsInteger.size()) ||
        p >= static_cast<int>(S.LowerBound.size()) || p >= static_cast<int>(S.UpperBound.size()))
      break;  // the dimensions from here on take the general path
    const bool lower = S.HasLower[p], upper = S.HasUpper[p];
    const uint8_t bounds = lower && upper ? kBoundBoth
                           : upper        ? kBoundUpper
                           : lower        ? kBoundLower
                                          : kBoundNone;
    dims.push_back({bounds, static_cast<bool>(S.IsInteger[p]), S.LowerBound[p], S.UpperBound[p]});
  }
  tRepair.Dims = dims.data();
  tRepair.Count = static_cast<int>(dims.size());
  tRepair.Valid = true;
}

// Kept out of line: the test of the bounds above is the common case.
__attribute__((noinline)) double RepairValueGeneral(TEngineState& S, int m, int d, double v);

}  // namespace

TRepairRunScope::TRepairRunScope(const TEngineState& S) : TRunCacheScope(tRepair, S) {}

TRandomGenerator& EngineRandom(TEngineState& State) { return State.Random; }

void SeedEngineRandom(TEngineState& State, uint32_t Seed) { EngineRandom(State).SetSeed(Seed); }

bool ExclusiveExhausted(const TEngineState& State) { return State.ExclusiveExhausted; }

double RandomValue(TEngineState& S, int m, int d) {
  const int p = S.DimParameter(d);
  double v = 0;
  for (int attempt = 0;; ++attempt) {
    v = DrawValue(S, m, p);
    if (S.IsInteger[p]) v = RoundEven(v);
    if (!S.Exclusive || !EqualsEarlier(S, m, d, v)) break;
    if (attempt >= kExclusiveAttempts) {
      S.ExclusiveExhausted = true;
      break;
    }
  }
  return v;
}

double RepairValue(TEngineState& S, int m, int d, double v) {
  // Inside a search loop: a finite value inside its bounds is decided from
  // the table; everything else by the general rules below.
  if (tRepair.State == &S && std::isfinite(v)) {
    if (!tRepair.Valid) BuildRepairDims(S);
    if (d >= 0 && d < tRepair.Count) {
      const TRepairDim& t = tRepair.Dims[d];
      bool inside = true;
      switch (t.Bounds) {
        case kBoundBoth:
          inside = !(v < t.Lower || v > t.Upper);
          break;
        case kBoundUpper:
          inside = !(v > t.Upper);
          break;
        case kBoundLower:
          inside = !(v < t.Lower);
          break;
        default:
          break;
      }
      if (inside) return t.Integer ? RoundEven(v) : v;
    }
  }
  return RepairValueGeneral(S, m, d, v);
}

namespace {

double RepairValueGeneral(TEngineState& S, int m, int d, double v) {
  const int p = S.DimParameter(d);
  if (!std::isfinite(v)) return RandomValue(S, m, d);
  const bool lower = S.HasLower[p], upper = S.HasUpper[p];
  TRandomGenerator& g = EngineRandom(S);
  if (lower && upper) {
    if (v < S.LowerBound[p] || v > S.UpperBound[p]) v = RepairBoth(S, p);
  } else if (upper) {
    const double up = S.UpperBound[p];
    if (v > up) {
      const bool init = S.HasInitial[p], range = S.HasRange[p];
      if (!init && !range) {
        const double r = RandomReal(g);
        v = up > 0 ? up - r * up : up == 0 ? -r : up + r * up;
      } else if (!init) {
        v = S.RangeLow[p] + (S.RangeHigh[p] - S.RangeLow[p]) * RandomReal(g);
      } else {
        // One draw picks the side, a fresh one the point on it.
        const double iv = S.InitialValue[p];
        const bool high = RandomReal(g) >= 0.5;
        const double r = RandomReal(g);
        if (!range)
          v = high ? iv - r * iv : iv + (up - iv) * r;
        else
          v = high ? iv + (S.RangeHigh[p] - iv) * r : S.RangeLow[p] + (iv - S.RangeLow[p]) * r;
      }
    }
  } else if (lower) {
    const double lo = S.LowerBound[p];
    if (v < lo) {
      const bool init = S.HasInitial[p], range = S.HasRange[p];
      if (!init && !range) {
        const double r = RandomReal(g);
        v = lo > 0 ? lo + r * lo : lo == 0 ? r : lo - r * lo;
      } else if (!init) {
        v = S.RangeLow[p] + (S.RangeHigh[p] - S.RangeLow[p]) * RandomReal(g);
      } else {
        const double iv = S.InitialValue[p];
        const bool high = RandomReal(g) >= 0.5;
        const double r = RandomReal(g);
        if (!range)
          v = high ? iv + r * iv : iv - (iv - lo) * r;
        else
          v = high ? iv + (S.RangeHigh[p] - iv) * r : S.RangeLow[p] + (iv - S.RangeLow[p]) * r;
      }
    }
  }
  if (S.IsInteger[p]) v = RoundEven(v);
  return v;
}

}  // namespace

TGeneLayout DimensionGeneLayout(const TEngineState& S, int d) {
  const int p = S.DimParameter(d);
  const double lo = S.HasLower[p] ? S.LowerBound[p] : 0;
  const double up = S.HasUpper[p] ? S.UpperBound[p] : 0;
  return MakeGeneLayout(lo, up, S.GeneBase, S.GeneDecimals);
}

void SetupGeneLayouts(TEngineState& S) {
  S.GeneIntDigits.assign(S.DimCount, 0);
  S.GeneFracDigits.assign(S.DimCount, 0);
  for (int d = 0; d < S.DimCount; ++d) {
    TGeneLayout l = DimensionGeneLayout(S, d);
    S.GeneIntDigits[d] = l.IntDigits;
    S.GeneFracDigits[d] = l.FracDigits;
  }
}

void RandomGene(TEngineState& S, int m, int d, std::string& gene, double& value) {
  const int p = S.DimParameter(d);
  const TGeneLayout layout = DimensionGeneLayout(S, d);
  TRandomGenerator& g = EngineRandom(S);
  for (int attempt = 0;; ++attempt) {
    double v;
    const double lo = S.LowerBound[p], up = S.UpperBound[p];
    if (S.HasRange[p] && !S.HasInitial[p]) {
      v = S.RangeLow[p] + (S.RangeHigh[p] - S.RangeLow[p]) * RandomReal(g);
    } else if (S.HasInitial[p] && m == 0) {
      v = S.InitialValue[p];
    } else if (S.HasRange[p]) {
      const double init = S.InitialValue[p];
      v = RandomReal(g) >= 0.5 ? init + (S.RangeHigh[p] - init) * RandomReal(g)
                               : S.RangeLow[p] + (init - S.RangeLow[p]) * RandomReal(g);
    } else {
      v = lo == up ? up : lo + (up - lo) * RandomReal(g);
    }
    if (layout.FracDigits == 0) v = RoundEven(v);
    gene = EncodeGene(layout, v);
    value = DecodeGene(layout, gene);
    if (!S.Exclusive || !GeneEqualsEarlier(S, m, d, gene)) break;
    if (attempt >= kExclusiveAttempts) {
      S.ExclusiveExhausted = true;
      break;
    }
  }
}

void RepairGene(TEngineState& S, int m, int d, std::string& gene, double& value) {
  (void)m;
  const int p = S.DimParameter(d);
  if (std::isfinite(value) && value <= S.UpperBound[p] && value >= S.LowerBound[p]) return;
  const TGeneLayout layout = DimensionGeneLayout(S, d);
  double v = RepairBoth(S, p);
  if (layout.FracDigits == 0)
    v = RoundEven(v);
  else
    v = StrToFloat(
        Format(TFormatSettings::Invariant(), "%0." + std::to_string(layout.DecimalCount) + "f", v),
        TFormatSettings::Invariant());
  gene = EncodeGene(layout, v);
  value = v;
}

void RandomizeMember(TEngineState& S, int m) {
  if (m < 0 || m >= static_cast<int>(S.Population.size())) return;
  const bool genes = S.EncodeDecode;
  if (genes && static_cast<int>(S.GeneIntDigits.size()) != S.DimCount) SetupGeneLayouts(S);
  auto& row = S.Population[m];
  for (int d = 0; d < S.RandomDimCount && d < static_cast<int>(row.size()); ++d) {
    if (genes) {
      if (static_cast<int>(S.GeneStrings.size()) <= m) S.GeneStrings.resize(m + 1);
      if (static_cast<int>(S.GeneStrings[m].size()) < S.DimCount)
        S.GeneStrings[m].resize(S.DimCount);
      RandomGene(S, m, d, S.GeneStrings[m][d], row[d]);
    } else {
      row[d] = RandomValue(S, m, d);
    }
  }
}

bool ExclusiveFeasible(const TEngineState& S) {
  if (!S.Exclusive) return true;
  const int dims = S.RandomDimCount > 0 ? S.RandomDimCount : S.DimCount;
  std::set<long long> values;
  int integerDims = 0;
  for (int d = 0; d < dims; ++d) {
    const int p = S.DimParameter(d);
    if (p < 0 || p >= S.ParameterCount) continue;
    const bool whole = S.IsInteger[p] || (S.EncodeDecode && S.GeneDecimals <= 0);
    if (!whole) continue;
    if (!(S.HasLower[p] && S.HasUpper[p])) return true;  // unbounded: values to spare
    ++integerDims;
    const double lo = std::ceil(S.LowerBound[p]), up = std::floor(S.UpperBound[p]);
    for (double v = lo; v <= up && values.size() < 100000; v += 1)
      values.insert(static_cast<long long>(v));
  }
  return static_cast<int>(values.size()) >= integerDims;
}

}  // namespace qv
