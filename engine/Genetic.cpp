// Genetic algorithm: one generation per iteration.
//
// Selection types (TSelectionType, STGroup2), on the population sorted
// ascending by relative fitness (the best at the last position):
//   TopMate          X1 = the best sorted member, X2 = a random pool member
//   AbsoluteTopMate  X1 = BestPosition, X2 = a random pool member
//   Tournament       each parent the best of t random pool candidates
//                    (t = 3, or 6 when T >= 11)
//   RouletteWheel    each parent by its share of the relative fitness
//   Rank             roulette on the shares (k + 1) / RankSum of the sorted
//                    positions
//   RandomOfAbove    one of the five above, drawn once per generation
//   Random           two random pool members
// The pool is the whole population, or with truncation the T best members.
//
// Real-value crossover types (TCrossoverType, CTGroup2), per dimension with
// probability CR (B the best, Xi the parents, C the child slot's current
// value, r a fresh draw):
//   Uniform       C1 = B + r (B + Xj - Xi - C1), C2 = B + r (B + Xi - Xj - C2),
//                 i, j random in {0, 1}
//   OnePoint      below the cut C1 = B + r (B - X1), C2 = B + r (B - X2);
//                 the parents swap from the cut on
//   TwoPoints     outside [lo, hi] C1 = B + r (B + X2 - X1 - C1),
//                 C2 = B + r (B + X1 - X2 - C2); swapped inside
//   Intermediate  C1 = B + a (B + X1 - X2 - C1), C2 = B + a (B + X2 - X1 - C2),
//                 a = r per dimension
//   Line          as Intermediate with a drawn once per pair
//   RandomOfAbove one of the five above, drawn once per pair
// Encode-decode crossover types (TGeneCrossoverType, CTGroup3) work on the
// gene characters: uniform, one point, two points, or one of them drawn
// once per pair.
//
// Children are written in place: the pair p gives members 2p and 2p + 1.
#include <algorithm>
#include <cmath>
#include <string>

#include "engine/RandomValues.h"
#include "engine/SearchRandom.h"
#include "engine/SearchSteps.h"

namespace qv {

void SortByFitness(std::vector<double>& a, std::vector<int>& idx, int low, int high) {
  if (low >= high) return;
  int i = low, j = high;
  const double pivot = a[(low + high) / 2];
  do {
    while (a[i] < pivot) ++i;
    while (a[j] > pivot) --j;
    if (i <= j) {
      std::swap(a[i], a[j]);
      std::swap(idx[i], idx[j]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (low < j) SortByFitness(a, idx, low, j);
  if (i < high) SortByFitness(a, idx, i, high);
}

namespace {

// The selection state of one generation.
struct TSelection {
  TSelectionType Type = TSelectionType::TopMate;
  std::vector<int> Rank;      // member number + 1 per sorted position
  std::vector<double> Share;  // sorted relative fitness (or rank shares)
  int Kept = 0;               // K0: positions below it are outside the pool
  int Truncated = 0;          // T
  bool Truncation = false;
  double Excluded = 0;  // q: the share of the excluded part
};

TSelection Select(TPopulation& P, TRandomGenerator& g, const TSearchSettings& Set) {
  TSelection sel;
  sel.Type = Set.SelectionType;
  if (sel.Type == TSelectionType::RandomOfAbove)
    sel.Type = static_cast<TSelectionType>(RandomInt(g, 5));
  const int n = P.PopSize;
  sel.Rank.resize(n);
  for (int k = 0; k < n; ++k) sel.Rank[k] = k + 1;
  SortByFitness(P.RelativeFitness, sel.Rank, 0, n - 1);
  if (sel.Type == TSelectionType::Rank)
    for (int k = 0; k < n; ++k)
      P.RelativeFitness[k] = static_cast<double>(k + 1) / (Set.RankSum > 0 ? Set.RankSum : 1);
  sel.Share = P.RelativeFitness;
  sel.Truncation = Set.Truncation;
  // The truncated count is clamped to [1, n] so the pool is never empty.
  sel.Truncated = std::clamp(Set.TruncatedCount, 1, std::max(n, 1));
  sel.Kept = n - sel.Truncated;
  if (sel.Truncation &&
      (sel.Type == TSelectionType::RouletteWheel || sel.Type == TSelectionType::Rank))
    for (int k = 0; k < sel.Kept; ++k) sel.Excluded += sel.Share[k];
  return sel;
}

// A random pool member (member number).
int PoolMember(const TPopulation& P, TRandomGenerator& g, const TSelection& sel) {
  if (!sel.Truncation) return RandomInt(g, P.PopSize);
  return sel.Rank[sel.Kept + RandomInt(g, P.PopSize - sel.Kept)] - 1;
}

int Tournament(const TPopulation& P, TRandomGenerator& g, const TSelection& sel) {
  const int t = sel.Truncated < 11 ? 3 : 6;
  std::vector<double> shares(t);
  std::vector<int> members(t);
  std::vector<int> position(P.PopSize);
  for (int k = 0; k < P.PopSize; ++k) position[sel.Rank[k] - 1] = k;
  for (int c = 0; c < t; ++c) {
    members[c] = PoolMember(P, g, sel);
    shares[c] = sel.Share[position[members[c]]];
  }
  SortByFitness(shares, members, 0, t - 1);
  return members[t - 1];
}

int Roulette(const TPopulation& P, TRandomGenerator& g, const TSelection& sel) {
  const double u =
      sel.Truncation ? sel.Excluded + (1 - sel.Excluded) * RandomReal(g) : RandomReal(g);
  // The running sum starts with the excluded share, so that u, drawn above
  // it, falls on one of the kept positions.
  double sum = sel.Truncation ? sel.Excluded : 0;
  for (int k = sel.Truncation ? sel.Kept : 0; k < P.PopSize; ++k) {
    sum += sel.Share[k];
    if (sum > u) return sel.Rank[k] - 1;
  }
  return 0;
}

// The two parents of one pair: member numbers, the first -1 for the best
// member (absolute top mate).
struct TParents {
  int First, Second;
};

TParents Parents(const TPopulation& P, TRandomGenerator& g, const TSelection& sel) {
  TParents parents{0, 0};
  switch (sel.Type) {
    case TSelectionType::TopMate:
      parents.First = sel.Rank[P.PopSize - 1] - 1;
      parents.Second = PoolMember(P, g, sel);
      break;
    case TSelectionType::AbsoluteTopMate:
      parents.First = -1;
      parents.Second = PoolMember(P, g, sel);
      break;
    case TSelectionType::Tournament:
      parents.First = Tournament(P, g, sel);
      parents.Second = Tournament(P, g, sel);
      break;
    case TSelectionType::RouletteWheel:
    case TSelectionType::Rank:
      parents.First = Roulette(P, g, sel);
      parents.Second = Roulette(P, g, sel);
      break;
    default:
      parents.First = PoolMember(P, g, sel);
      parents.Second = PoolMember(P, g, sel);
      break;
  }
  return parents;
}

// One generation: the selection, then for every pair its parents and the
// breeding of children 2p and 2p + 1, Breed(first child, second child,
// parents).
template <class TBreed>
void Generation(TPopulation& P, TRandomGenerator& g, const TSearchSettings& Set, TBreed&& Breed) {
  if (P.PopSize <= 0) return;
  const TSelection sel = Select(P, g, Set);
  for (int p = 0; p < P.PopSize / 2; ++p) {
    const TParents parents = Parents(P, g, sel);
    Breed(2 * p, 2 * p + 1, parents);
  }
}

void Mutate(const TEngineModel& M, TPopulation& P, TRunState& R, int child, int d) {
  double& c = P.Population[child][d];
  const double B = P.BestPosition[d];
  if (M.ModelMode == TModelMode::Equation) {
    c = RepairValue(M, P, R, child, d, (B + c) / (4 * NonZeroRandom(R.Random)));
  } else {
    const double s = P.BestDC >= 0.8 ? 0.01 : 1 - P.BestDC;
    c = RepairValue(M, P, R, child, d, c + (2 * RandomReal(R.Random) - 1) * s * B);
  }
}

}  // namespace

void StepGeneticReal(const TEngineModel& M, TPopulation& P, TRunState& R,
                     const TSearchSettings& Set) {
  TRandomGenerator& g = R.Random;
  const int dims = std::min(P.RandomDimCount, M.DimCount);
  std::vector<double> X1(M.DimCount), X2(M.DimCount);
  const double* B = P.BestPosition.data();
  Generation(P, g, Set, [&](int c1, int c2, const TParents& parents) {
    X1 = parents.First < 0 ? P.BestPosition : P.Population[parents.First];
    X2 = P.Population[parents.Second];
    TCrossoverType c = Set.CrossoverType;
    if (c == TCrossoverType::RandomOfAbove) c = static_cast<TCrossoverType>(RandomInt(g, 5));
    int cut = 0, lo = 0, hi = 0;
    double a = 0;
    if (c == TCrossoverType::OnePoint) cut = RandomInt(g, M.DimCount);
    if (c == TCrossoverType::TwoPoints) {
      const int u = RandomInt(g, M.DimCount), v = RandomInt(g, M.DimCount);
      lo = std::min(u, v), hi = std::max(u, v);
    }
    if (c == TCrossoverType::Line) a = RandomReal(g);
    double* C1 = P.Population[c1].data();
    double* C2 = P.Population[c2].data();
    for (int d = 0; d < dims; ++d) {
      if (RandomReal(g) > Set.CrossoverRate) continue;
      double n1, n2;
      switch (c) {
        case TCrossoverType::Uniform: {
          const int i = RandomInt(g, 2), j = RandomInt(g, 2);
          const double Xi = i == 0 ? X1[d] : X2[d], Xj = j == 0 ? X1[d] : X2[d];
          n1 = B[d] + RandomReal(g) * (B[d] + Xj - Xi - C1[d]);
          n2 = B[d] + RandomReal(g) * (B[d] + Xi - Xj - C2[d]);
          break;
        }
        case TCrossoverType::OnePoint: {
          const double A1 = d < cut ? X1[d] : X2[d], A2 = d < cut ? X2[d] : X1[d];
          n1 = B[d] + RandomReal(g) * (B[d] - A1);
          n2 = B[d] + RandomReal(g) * (B[d] - A2);
          break;
        }
        case TCrossoverType::TwoPoints: {
          const bool inside = d >= lo && d <= hi;
          const double A1 = inside ? X2[d] : X1[d], A2 = inside ? X1[d] : X2[d];
          n1 = B[d] + RandomReal(g) * (B[d] + A2 - A1 - C1[d]);
          n2 = B[d] + RandomReal(g) * (B[d] + A1 - A2 - C2[d]);
          break;
        }
        default: {  // intermediate and line
          if (c == TCrossoverType::Intermediate) a = RandomReal(g);
          n1 = B[d] + a * (B[d] + X1[d] - X2[d] - C1[d]);
          n2 = B[d] + a * (B[d] + X2[d] - X1[d] - C2[d]);
          break;
        }
      }
      C1[d] = RepairValue(M, P, R, c1, d, n1);
      C2[d] = RepairValue(M, P, R, c2, d, n2);
    }
    for (int d = 0; d < dims; ++d) {
      if (RandomReal(g) >= Set.MutationRate) continue;
      Mutate(M, P, R, c1, d);
      Mutate(M, P, R, c2, d);
    }
  });
}

namespace {

void DecodeInto(const TEngineModel& M, TPopulation& P, TRunState& R, int child, int d) {
  std::string& gene = P.GeneStrings[child][d];
  double& value = P.Population[child][d];
  value = DecodeGene(DimensionGeneLayout(M, d), gene);
  RepairGene(M, R, d, gene, value);
}

// Exclusive mode: a child value equal to an earlier dimension's value is
// drawn again, so the child's values stay pairwise different. When the
// earlier values leave none free for it, the whole child is drawn afresh.
void MakeExclusive(const TEngineModel& M, TPopulation& P, TRunState& R, int child, int dims) {
  for (int d = 1; d < dims; ++d)
    for (int k = 0; k < d; ++k)
      if (P.Population[child][k] == P.Population[child][d]) {
        if (!RedrawDistinctGene(M, P, R, child, d)) {
          RandomizeMember(M, P, R, child);
          return;
        }
        break;
      }
}

}  // namespace

void StepGeneticEncoded(const TEngineModel& M, TPopulation& P, TRunState& R,
                        const TSearchSettings& Set) {
  TRandomGenerator& g = R.Random;
  const int dims = std::min(P.RandomDimCount, M.DimCount);
  std::vector<std::string> G1, G2;
  Generation(P, g, Set, [&](int c1, int c2, const TParents& parents) {
    G1 = parents.First < 0 ? P.BestGeneStrings : P.GeneStrings[parents.First];
    G2 = P.GeneStrings[parents.Second];
    TGeneCrossoverType c = Set.GeneCrossoverType;
    if (c == TGeneCrossoverType::RandomOfAbove)
      c = static_cast<TGeneCrossoverType>(RandomInt(g, 3));
    for (int d = 0; d < dims; ++d) {
      if (RandomReal(g) > Set.CrossoverRate) continue;
      const TGeneLayout layout = DimensionGeneLayout(M, d);
      std::string& a = G1[d];
      std::string& b = G2[d];
      if (a == b) {
        a = MutateGene(layout, a, g);
        b = MutateGene(layout, b, g);
      }
      const int len = static_cast<int>(std::min(a.size(), b.size()));
      std::string k1 = a, k2 = b;
      if (c == TGeneCrossoverType::Uniform) {
        for (int pos = 0; pos < len; ++pos) {
          if (RandomReal(g) < 0.25)
            k1[pos] = a[pos], k2[pos] = b[pos];
          else
            k1[pos] = b[pos], k2[pos] = a[pos];
        }
      } else if (c == TGeneCrossoverType::OnePoint) {
        const int cut = RandomInt(g, len);
        for (int pos = cut; pos < len; ++pos) k1[pos] = b[pos], k2[pos] = a[pos];
      } else {  // two points
        const int u = RandomInt(g, len), v = RandomInt(g, len);
        for (int pos = std::min(u, v); pos <= std::max(u, v) && pos < len; ++pos)
          k1[pos] = b[pos], k2[pos] = a[pos];
      }
      P.GeneStrings[c1][d] = k1;
      P.GeneStrings[c2][d] = k2;
      DecodeInto(M, P, R, c1, d);
      DecodeInto(M, P, R, c2, d);
    }
    if (M.Exclusive) {
      MakeExclusive(M, P, R, c1, dims);
      MakeExclusive(M, P, R, c2, dims);
    }
    for (int child : {c1, c2})
      for (int d = 0; d < dims; ++d) {
        if (RandomReal(g) >= Set.MutationRate) continue;
        if (M.Exclusive) {
          if (dims < 2) continue;
          const int u = RandomInt(g, dims);
          int v;
          do v = RandomInt(g, dims);
          while (v == u);
          std::swap(P.GeneStrings[child][u], P.GeneStrings[child][v]);
          std::swap(P.Population[child][u], P.Population[child][v]);
          RepairGene(M, R, u, P.GeneStrings[child][u], P.Population[child][u]);
          RepairGene(M, R, v, P.GeneStrings[child][v], P.Population[child][v]);
          // A value that left its new dimension's bounds is drawn afresh
          // and may meet another of the child's values.
          MakeExclusive(M, P, R, child, dims);
          continue;
        }
        const TGeneLayout layout = DimensionGeneLayout(M, d);
        std::string& gene = P.GeneStrings[child][d];
        const bool twice = RandomReal(g) < 0.2;
        gene = MutateGene(layout, gene, g);
        if (twice) gene = MutateGene(layout, gene, g);
        DecodeInto(M, P, R, child, d);
      }
  });
}

}  // namespace qv
