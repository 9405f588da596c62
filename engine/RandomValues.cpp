#include "engine/RandomValues.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "engine/SearchRandom.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// How many times the exclusive rule draws one value again before it gives
// up. The run controller refuses models that cannot meet the rule at all,
// so this bound only guards against a run of bad luck.
constexpr int kExclusiveAttempts = 10000;

// A member drawn afresh in exclusive mode: dimension d is drawn at most
// 20 (d + 1) + 100 times. When a free whole value is left, one draw in d + 1
// at least finds it, so that many tries miss it with a chance below e^-20;
// a dimension that misses has no free value left (the earlier dimensions
// took them), and the member starts again from its first dimension, at
// most kExclusiveRounds times.
int ExclusiveDimensionTries(int d) { return 20 * (d + 1) + 100; }
constexpr int kExclusiveRounds = 50;

double RoundEven(double v) { return std::nearbyint(v); }

// The value at r (0 <= r < 1) of the way from a to b. Bounds of opposite
// signs near the largest double (a range of -1e308 to 1e308) overflow
// b - a; the weighted form then gives the finite value inside the range.
double Between(double a, double b, double r) {
  const double span = b - a;
  return std::isfinite(span) ? a + span * r : a * (1 - r) + b * r;
}

// The draw of RandomValue before rounding and the exclusive test.
double DrawValue(const TEngineModel& M, TRandomGenerator& g, int m, int p) {
  const bool lower = M.HasLower[p], upper = M.HasUpper[p];
  const double lo = M.LowerBound[p], up = M.UpperBound[p];
  if (M.HasRange[p]) {
    const double rl = M.RangeLow[p], rh = M.RangeHigh[p];
    if (!M.HasInitial[p]) return Between(rl, rh, RandomReal(g));
    if (m == 0) return M.InitialValue[p];
    const double init = M.InitialValue[p];
    if (RandomReal(g) >= 0.5) return Between(init, rh, RandomReal(g));
    return Between(rl, init, RandomReal(g));
  }
  if (!M.HasInitial[p]) {
    if (!lower && !upper)
      return M.ModelMode == TModelMode::Function ? RandomReal(g) + 0.5 : 1 - 2 * RandomReal(g);
    if (lower && upper) return lo == up ? up : Between(lo, up, RandomReal(g));
    if (upper) {
      if (up == 0) return -5 * RandomReal(g);
      if (up < 0) return (RandomReal(g) + 1) * up;
      return (1 - RandomReal(g)) * up;
    }
    if (lo == 0) return 5 * RandomReal(g);
    if (lo < 0) return (1 - RandomReal(g)) * lo;
    return (RandomReal(g) + 1) * lo;
  }
  const double init = M.InitialValue[p];
  if (m == 0) return init;
  if (!lower && !upper) return init == 0 ? RandomReal(g) - 0.5 : (RandomReal(g) + 0.5) * init;
  if (lower && upper) return lo == up ? up : Between(lo, up, RandomReal(g));
  const double r = RandomReal(g);
  if (upper) {
    if (r >= 0.7) return up <= 0 ? (r + 1) * init : (1 - r) * init;
    return Between(init, up, r);
  }
  if (r >= 0.7) return lo <= 0 ? (1 - r) * init : (r + 1) * init;
  return Between(lo, init, r);
}

// A replacement for a value outside both bounds.
double RepairBoth(const TEngineModel& M, TRandomGenerator& g, int p) {
  const double lo = M.LowerBound[p], up = M.UpperBound[p];
  if (!M.HasInitial[p]) {
    if (M.HasRange[p]) return Between(M.RangeLow[p], M.RangeHigh[p], RandomReal(g));
    return Between(lo, up, RandomReal(g));
  }
  const double init = M.InitialValue[p];
  const double r = RandomReal(g);
  if (r >= 0.5) return Between(init, M.HasRange[p] ? M.RangeHigh[p] : up, r);
  return Between(init, M.HasRange[p] ? M.RangeLow[p] : lo, r);
}

// A replacement for a value beyond the only bound of its dimension: below
// an upper bound, or above a lower one (the two sides mirror each other).
// Without an initial value and range, the bound's size times r moves it
// inside (r itself from a bound 0); with a range only, the range formula;
// with an initial value, one draw picks the side and a fresh one the point:
// r >= 0.5 moves away from the bound by r times the initial value, or
// towards the range's high end, else between the initial value and the
// bound, or between the range's low end and the initial value.
double RepairOneSide(const TEngineModel& M, TRandomGenerator& g, int p, bool upper) {
  const double bound = upper ? M.UpperBound[p] : M.LowerBound[p];
  const bool init = M.HasInitial[p], range = M.HasRange[p];
  if (!init && !range) {
    const double r = RandomReal(g);
    if (bound > 0) return upper ? bound - r * bound : bound + r * bound;
    if (bound == 0) return upper ? -r : r;
    return upper ? bound + r * bound : bound - r * bound;
  }
  if (!init) return Between(M.RangeLow[p], M.RangeHigh[p], RandomReal(g));
  const double iv = M.InitialValue[p];
  const bool high = RandomReal(g) >= 0.5;
  const double r = RandomReal(g);
  if (range) return high ? Between(iv, M.RangeHigh[p], r) : Between(M.RangeLow[p], iv, r);
  if (upper) return high ? iv - r * iv : Between(iv, bound, r);
  return high ? iv + r * iv : iv - (iv - bound) * r;
}

bool EqualsEarlier(const TPopulation& P, int m, int d, double v) {
  if (m < 0 || m >= static_cast<int>(P.Population.size())) return false;
  const auto& row = P.Population[m];
  for (int k = 0; k < d && k < static_cast<int>(row.size()); ++k)
    if (row[k] == v) return true;
  return false;
}

bool GeneEqualsEarlier(const TPopulation& P, int m, int d, const std::string& gene) {
  if (m < 0 || m >= static_cast<int>(P.GeneStrings.size())) return false;
  const auto& row = P.GeneStrings[m];
  for (int k = 0; k < d && k < static_cast<int>(row.size()); ++k)
    if (row[k] == gene) return true;
  return false;
}

// The table of the repair cache: what the test of each leading dimension's
// bounds needs.
__attribute__((noinline)) void BuildRepairDims(const TEngineModel& M, TRepairCache& cache) {
  std::vector<TRepairDim>& dims = cache.Dims;
  dims.clear();
  for (int d = 0; d < M.DimCount; ++d) {
    const int p = M.DimParameter(d);
    if (p < 0 || p >= static_cast<int>(M.HasLower.size()) ||
        p >= static_cast<int>(M.HasUpper.size()) || p >= static_cast<int>(M.IsInteger.size()) ||
        p >= static_cast<int>(M.LowerBound.size()) || p >= static_cast<int>(M.UpperBound.size()))
      break;  // the dimensions from here on take the general path
    const bool lower = M.HasLower[p], upper = M.HasUpper[p];
    const uint8_t bounds = lower && upper ? kBoundBoth
                           : upper        ? kBoundUpper
                           : lower        ? kBoundLower
                                          : kBoundNone;
    dims.push_back({bounds, static_cast<bool>(M.IsInteger[p]), M.LowerBound[p], M.UpperBound[p]});
  }
  cache.Valid = true;
}

// Kept out of line: the test of the bounds above is the common case.
__attribute__((noinline)) double RepairValueGeneral(const TEngineModel& M, const TPopulation& P,
                                                    TRunState& R, int m, int d, double v) {
  const int p = M.DimParameter(d);
  if (!std::isfinite(v)) return RandomValue(M, P, R, m, d);
  const bool lower = M.HasLower[p], upper = M.HasUpper[p];
  if (lower && upper) {
    if (v < M.LowerBound[p] || v > M.UpperBound[p]) v = RepairBoth(M, R.Random, p);
  } else if (upper) {
    if (v > M.UpperBound[p]) v = RepairOneSide(M, R.Random, p, true);
  } else if (lower) {
    if (v < M.LowerBound[p]) v = RepairOneSide(M, R.Random, p, false);
  }
  if (M.IsInteger[p]) v = RoundEven(v);
  return v;
}

}  // namespace

void SeedEngineRandom(TEngineState& State, uint32_t Seed) { State.Run.Random.SetSeed(Seed); }

namespace {

// RandomValue with at most tries draws for the exclusive rule; distinct
// tells whether the value differs from the member's earlier ones.
double DrawDistinctValue(const TEngineModel& M, const TPopulation& P, TRunState& R, int m, int d,
                         int tries, bool& distinct) {
  const int p = M.DimParameter(d);
  double v = 0;
  distinct = true;
  for (int attempt = 1;; ++attempt) {
    v = DrawValue(M, R.Random, m, p);
    if (M.IsInteger[p]) v = RoundEven(v);
    if (!M.Exclusive || !EqualsEarlier(P, m, d, v)) return v;
    if (attempt >= tries) {
      distinct = false;
      return v;
    }
  }
}

}  // namespace

double RandomValue(const TEngineModel& M, const TPopulation& P, TRunState& R, int m, int d) {
  bool distinct = true;
  const double v = DrawDistinctValue(M, P, R, m, d, kExclusiveAttempts, distinct);
  if (!distinct) R.ExclusiveExhausted = true;
  return v;
}

double RepairValue(const TEngineModel& M, const TPopulation& P, TRunState& R, int m, int d,
                   double v) {
  // Inside a search loop: a finite value inside its bounds is decided from
  // the table; everything else by the general rules.
  TRepairCache& cache = R.RepairCache;
  if (cache.Active && std::isfinite(v)) {
    if (!cache.Valid) BuildRepairDims(M, cache);
    if (d >= 0 && d < static_cast<int>(cache.Dims.size())) {
      const TRepairDim& t = cache.Dims[static_cast<size_t>(d)];
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
  return RepairValueGeneral(M, P, R, m, d, v);
}

TGeneLayout DimensionGeneLayout(const TEngineModel& M, int d) {
  const int p = M.DimParameter(d);
  const double lo = M.HasLower[p] ? M.LowerBound[p] : 0;
  const double up = M.HasUpper[p] ? M.UpperBound[p] : 0;
  return MakeGeneLayout(lo, up, M.GeneBase, M.GeneDecimals);
}

void SetupGeneLayouts(const TEngineModel& M, TPopulation& P) {
  P.GeneIntDigits.assign(M.DimCount, 0);
  P.GeneFracDigits.assign(M.DimCount, 0);
  for (int d = 0; d < M.DimCount; ++d) {
    TGeneLayout l = DimensionGeneLayout(M, d);
    P.GeneIntDigits[d] = l.IntDigits;
    P.GeneFracDigits[d] = l.FracDigits;
  }
}

namespace {

// RandomGene with at most tries draws for the exclusive rule; false when
// the gene still equals one of the member's earlier genes.
bool DrawDistinctGene(const TEngineModel& M, const TPopulation& P, TRunState& R, int m, int d,
                      int tries, std::string& gene, double& value) {
  const int p = M.DimParameter(d);
  const TGeneLayout layout = DimensionGeneLayout(M, d);
  TRandomGenerator& g = R.Random;
  for (int attempt = 1;; ++attempt) {
    double v;
    const double lo = M.LowerBound[p], up = M.UpperBound[p];
    if (M.HasRange[p] && !M.HasInitial[p]) {
      v = Between(M.RangeLow[p], M.RangeHigh[p], RandomReal(g));
    } else if (M.HasInitial[p] && m == 0) {
      v = M.InitialValue[p];
    } else if (M.HasRange[p]) {
      const double init = M.InitialValue[p];
      v = RandomReal(g) >= 0.5 ? Between(init, M.RangeHigh[p], RandomReal(g))
                               : Between(M.RangeLow[p], init, RandomReal(g));
    } else {
      v = lo == up ? up : Between(lo, up, RandomReal(g));
    }
    if (layout.FracDigits == 0) v = RoundEven(v);
    gene = EncodeGene(layout, v);
    value = DecodeGene(layout, gene);
    if (!M.Exclusive || !GeneEqualsEarlier(P, m, d, gene)) return true;
    if (attempt >= tries) return false;
  }
}

}  // namespace

void RandomGene(const TEngineModel& M, const TPopulation& P, TRunState& R, int m, int d,
                std::string& gene, double& value) {
  if (!DrawDistinctGene(M, P, R, m, d, kExclusiveAttempts, gene, value))
    R.ExclusiveExhausted = true;
}

bool RedrawDistinctGene(const TEngineModel& M, TPopulation& P, TRunState& R, int m, int d) {
  if (m < 0 || m >= static_cast<int>(P.GeneStrings.size()) ||
      d >= static_cast<int>(P.GeneStrings[m].size()))
    return false;
  return DrawDistinctGene(M, P, R, m, d, ExclusiveDimensionTries(d), P.GeneStrings[m][d],
                          P.Population[m][d]);
}

void RepairGene(const TEngineModel& M, TRunState& R, int d, std::string& gene, double& value) {
  const int p = M.DimParameter(d);
  if (std::isfinite(value) && value <= M.UpperBound[p] && value >= M.LowerBound[p]) return;
  const TGeneLayout layout = DimensionGeneLayout(M, d);
  double v = RepairBoth(M, R.Random, p);
  if (layout.FracDigits == 0)
    v = RoundEven(v);
  else
    v = StrToFloat(
        Format(TFormatSettings::Invariant(), "%0." + std::to_string(layout.DecimalCount) + "f", v),
        TFormatSettings::Invariant());
  gene = EncodeGene(layout, v);
  value = v;
}

void RandomizeMember(const TEngineModel& M, TPopulation& P, TRunState& R, int m) {
  if (m < 0 || m >= static_cast<int>(P.Population.size())) return;
  const bool genes = M.EncodeDecode;
  if (genes && static_cast<int>(P.GeneIntDigits.size()) != M.DimCount) SetupGeneLayouts(M, P);
  auto& row = P.Population[m];
  if (genes) {
    if (static_cast<int>(P.GeneStrings.size()) <= m) P.GeneStrings.resize(m + 1);
    if (static_cast<int>(P.GeneStrings[m].size()) < M.DimCount) P.GeneStrings[m].resize(M.DimCount);
  }
  const int dims = std::min(P.RandomDimCount, static_cast<int>(row.size()));
  // Once a run has found the rule cannot be met, its draws no longer repeat.
  const int rounds = M.Exclusive && !R.ExclusiveExhausted ? kExclusiveRounds : 1;
  for (int round = 0; round < rounds; ++round) {
    bool distinct = true;
    for (int d = 0; d < dims && distinct; ++d) {
      const int tries = R.ExclusiveExhausted ? 1 : ExclusiveDimensionTries(d);
      if (genes)
        distinct = DrawDistinctGene(M, P, R, m, d, tries, P.GeneStrings[m][d], row[d]);
      else
        row[d] = DrawDistinctValue(M, P, R, m, d, tries, distinct);
    }
    if (distinct) return;
  }
  if (M.Exclusive) R.ExclusiveExhausted = true;
}

bool ExclusiveFeasible(const TEngineModel& M, const TPopulation& P) {
  if (!M.Exclusive) return true;
  const int dims = P.RandomDimCount > 0 ? P.RandomDimCount : M.DimCount;
  // The whole values the dimensions may take, as doubles: beyond 2^53 in
  // magnitude every double is whole and v + 1 == v, so the walk goes to the
  // next double there. Only as many values as there are dimensions matter.
  std::set<double> values;
  int integerDims = 0;
  for (int d = 0; d < dims; ++d) {
    const int p = M.DimParameter(d);
    if (p < 0 || p >= M.ParameterCount) continue;
    const bool whole = M.IsInteger[p] || (M.EncodeDecode && M.GeneDecimals <= 0);
    if (!whole) continue;
    if (!(M.HasLower[p] && M.HasUpper[p])) return true;  // unbounded: values to spare
    ++integerDims;
    const double lo = std::ceil(M.LowerBound[p]), up = std::floor(M.UpperBound[p]);
    // A range of at least as many whole values as dimensions leaves enough
    // (counted by subtraction only where doubles are 1 apart or closer).
    constexpr double kExact = 9007199254740992.0;  // 2^53
    if (std::fabs(lo) <= kExact && std::fabs(up) <= kExact && !(up - lo + 1 < dims)) return true;
    if (!std::isfinite(lo) || !std::isfinite(up)) return true;
    int taken = 0;
    for (double v = lo; v <= up && taken < dims; ++taken) {
      values.insert(v);
      if (v == up) break;
      const double next = v + 1;
      v = next != v ? next : std::nextafter(v, up);
    }
    if (static_cast<int>(values.size()) >= dims) return true;
  }
  return static_cast<int>(values.size()) >= integerDims;
}

}  // namespace qv
