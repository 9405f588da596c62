// Genetic algorithm: one generation per iteration.
//
// Selection types (STGroup2), on the population sorted ascending by
// relative fitness (the best at the last position):
//   0 top mate            X1 = the best sorted member, X2 = a random pool member
//   1 absolute top mate   X1 = BestPosition, X2 = a random pool member
//   2 tournament          each parent the best of t random pool candidates (t = 3, or 6 when T >=
//   11) 3 roulette wheel      each parent by its share of the relative fitness 4 rank roulette on
//   the shares (k + 1) / RankSum of the sorted positions 5 random of 0-4       one of the above,
//   drawn once per generation 6 random              two random pool members
// The pool is the whole population, or with truncation the T best members.
//
// Real-value crossover types (CTGroup2), per dimension with probability CR
// (B the best, Xi the parents, C the child slot's current value):
//   0 uniform        C1 = B + r (B + Xj - Xi - C1), C2 = B + r (B + Xi - Xj - C2), i, j random in
//   {0, 1} 1 one point      below the cut C1 = B + r (B - X1), C2 = B + r (B - X2); parents swap
//   from the cut on 2 two points     outside [lo, hi] C1 = B + r (B + X2 - X1 - C1), C2 = B + r (B
//   + X1 - X2 - C2); swapped inside 3 intermediate   C1 = B + a (B + X1 - X2 - C1), C2 = B + a (B +
//   X2 - X1 - C2), a = r per dimension 4 line           as 3 with a drawn once per pair 5 random of
//   0-4  drawn once per pair
// Encode-decode crossover types (CTGroup3) work on the gene characters:
//   0 uniform, 1 one point, 2 two points, 3 random of 0-2.
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

double R(TEngineState& S) { return RandomReal(EngineRandom(S)); }
int RI(TEngineState& S, int n) { return RandomInt(EngineRandom(S), n); }

// The selection state of one generation.
struct TSelection {
  int Type = 0;
  std::vector<int> Rank;      // member number + 1 per sorted position
  std::vector<double> Share;  // sorted relative fitness (or rank shares)
  int Kept = 0;               // K0: positions below it are outside the pool
  int Truncated = 0;          // T
  bool Truncation = false;
  double Excluded = 0;  // q: the share of the excluded part
};

TSelection Select(TEngineState& S, TSearchSettings& Set, int rankSum) {
  TSelection sel;
  sel.Type = Set.SelectionType;
  if (sel.Type == 5) sel.Type = RI(S, 5);
  const int n = S.PopSize;
  sel.Rank.resize(n);
  for (int k = 0; k < n; ++k) sel.Rank[k] = k + 1;
  SortByFitness(S.RelativeFitness, sel.Rank, 0, n - 1);
  if (sel.Type == 4)
    for (int k = 0; k < n; ++k)
      S.RelativeFitness[k] = static_cast<double>(k + 1) / (rankSum > 0 ? rankSum : 1);
  sel.Share = S.RelativeFitness;
  sel.Truncation = Set.Truncation;
  // The truncated count is clamped to [1, n] so the pool is never empty.
  sel.Truncated = std::clamp(Set.TruncatedCount, 1, std::max(n, 1));
  sel.Kept = n - sel.Truncated;
  if (sel.Truncation && (sel.Type == 3 || sel.Type == 4))
    for (int k = 0; k < sel.Kept; ++k) sel.Excluded += sel.Share[k];
  return sel;
}

// A random pool member (member number).
int PoolMember(TEngineState& S, const TSelection& sel) {
  if (!sel.Truncation) return RI(S, S.PopSize);
  return sel.Rank[sel.Kept + RI(S, S.PopSize - sel.Kept)] - 1;
}

int Tournament(TEngineState& S, const TSelection& sel) {
  const int t = sel.Truncated < 11 ? 3 : 6;
  std::vector<double> shares(t);
  std::vector<int> members(t);
  std::vector<int> position(S.PopSize);
  for (int k = 0; k < S.PopSize; ++k) position[sel.Rank[k] - 1] = k;
  for (int c = 0; c < t; ++c) {
    members[c] = PoolMember(S, sel);
    shares[c] = sel.Share[position[members[c]]];
  }
  SortByFitness(shares, members, 0, t - 1);
  return members[t - 1];
}

int Roulette(TEngineState& S, const TSelection& sel) {
  const double u = sel.Truncation ? sel.Excluded + (1 - sel.Excluded) * R(S) : R(S);
  // The running sum starts with the excluded share, so that u, drawn above
  // it, falls on one of the kept positions.
  double sum = sel.Truncation ? sel.Excluded : 0;
  for (int k = sel.Truncation ? sel.Kept : 0; k < S.PopSize; ++k) {
    sum += sel.Share[k];
    if (sum > u) return sel.Rank[k] - 1;
  }
  return 0;
}

// The two parents of one pair (copied: children overwrite members in place).
void Parents(TEngineState& S, const TSelection& sel, int& p1, int& p2, bool& useBest) {
  useBest = false;
  switch (sel.Type) {
    case 0:
      p1 = sel.Rank[S.PopSize - 1] - 1;
      p2 = PoolMember(S, sel);
      break;
    case 1:
      useBest = true;
      p1 = -1;
      p2 = PoolMember(S, sel);
      break;
    case 2:
      p1 = Tournament(S, sel);
      p2 = Tournament(S, sel);
      break;
    case 3:
    case 4:
      p1 = Roulette(S, sel);
      p2 = Roulette(S, sel);
      break;
    default:
      p1 = PoolMember(S, sel);
      p2 = PoolMember(S, sel);
      break;
  }
}

void Mutate(TEngineState& S, int child, int d) {
  double& c = S.Population[child][d];
  const double B = S.BestPosition[d];
  if (S.ModelMode == 1) {
    c = RepairValue(S, child, d, (B + c) / (4 * NonZeroRandom(S)));
  } else {
    const double s = S.BestDC >= 0.8 ? 0.01 : 1 - S.BestDC;
    c = RepairValue(S, child, d, c + (2 * R(S) - 1) * s * B);
  }
}

}  // namespace

void StepGeneticReal(TEngineState& S, TSearchSettings& Set, int rankSum) {
  if (S.PopSize <= 0) return;
  TSelection sel = Select(S, Set, rankSum);
  const int dims = std::min(S.RandomDimCount, S.DimCount);
  std::vector<double> X1(S.DimCount), X2(S.DimCount);
  const double* B = S.BestPosition.data();
  for (int p = 0; p < S.PopSize / 2; ++p) {
    const int c1 = 2 * p, c2 = 2 * p + 1;
    int p1, p2;
    bool useBest;
    Parents(S, sel, p1, p2, useBest);
    X1 = useBest ? S.BestPosition : S.Population[p1];
    X2 = S.Population[p2];
    int c = Set.CrossoverType;
    if (c == 5) c = RI(S, 5);
    int cut = 0, lo = 0, hi = 0;
    double a = 0;
    if (c == 1) cut = RI(S, S.DimCount);
    if (c == 2) {
      const int u = RI(S, S.DimCount), v = RI(S, S.DimCount);
      lo = std::min(u, v), hi = std::max(u, v);
    }
    if (c == 4) a = R(S);
    double* C1 = S.Population[c1].data();
    double* C2 = S.Population[c2].data();
    for (int d = 0; d < dims; ++d) {
      if (R(S) > Set.CrossoverRate) continue;
      double n1, n2;
      switch (c) {
        case 0: {
          const int i = RI(S, 2), j = RI(S, 2);
          const double Xi = i == 0 ? X1[d] : X2[d], Xj = j == 0 ? X1[d] : X2[d];
          n1 = B[d] + R(S) * (B[d] + Xj - Xi - C1[d]);
          n2 = B[d] + R(S) * (B[d] + Xi - Xj - C2[d]);
          break;
        }
        case 1: {
          const double A1 = d < cut ? X1[d] : X2[d], A2 = d < cut ? X2[d] : X1[d];
          n1 = B[d] + R(S) * (B[d] - A1);
          n2 = B[d] + R(S) * (B[d] - A2);
          break;
        }
        case 2: {
          const bool inside = d >= lo && d <= hi;
          const double A1 = inside ? X2[d] : X1[d], A2 = inside ? X1[d] : X2[d];
          n1 = B[d] + R(S) * (B[d] + A2 - A1 - C1[d]);
          n2 = B[d] + R(S) * (B[d] + A1 - A2 - C2[d]);
          break;
        }
        default: {
          if (c == 3) a = R(S);
          n1 = B[d] + a * (B[d] + X1[d] - X2[d] - C1[d]);
          n2 = B[d] + a * (B[d] + X2[d] - X1[d] - C2[d]);
          break;
        }
      }
      C1[d] = RepairValue(S, c1, d, n1);
      C2[d] = RepairValue(S, c2, d, n2);
    }
    for (int d = 0; d < dims; ++d) {
      if (R(S) >= Set.MutationRate) continue;
      Mutate(S, c1, d);
      Mutate(S, c2, d);
    }
  }
}

namespace {

void DecodeInto(TEngineState& S, int child, int d) {
  std::string& gene = S.GeneStrings[child][d];
  double& value = S.Population[child][d];
  value = DecodeGene(DimensionGeneLayout(S, d), gene);
  RepairGene(S, child, d, gene, value);
}

// Exclusive mode: a child value equal to an earlier dimension's value is
// drawn again, so the child's values stay pairwise different.
void MakeExclusive(TEngineState& S, int child, int dims) {
  for (int d = 1; d < dims; ++d)
    for (int k = 0; k < d; ++k)
      if (S.Population[child][k] == S.Population[child][d]) {
        RandomGene(S, child, d, S.GeneStrings[child][d], S.Population[child][d]);
        break;
      }
}

}  // namespace

void StepGeneticEncoded(TEngineState& S, TSearchSettings& Set, int rankSum) {
  if (S.PopSize <= 0) return;
  TSelection sel = Select(S, Set, rankSum);
  const int dims = std::min(S.RandomDimCount, S.DimCount);
  std::vector<std::string> G1, G2;
  for (int p = 0; p < S.PopSize / 2; ++p) {
    const int c1 = 2 * p, c2 = 2 * p + 1;
    int p1, p2;
    bool useBest;
    Parents(S, sel, p1, p2, useBest);
    G1 = useBest ? S.BestGeneStrings : S.GeneStrings[p1];
    G2 = S.GeneStrings[p2];
    int c = Set.CrossoverType;
    if (c == 3) c = RI(S, 3);
    for (int d = 0; d < dims; ++d) {
      if (R(S) > Set.CrossoverRate) continue;
      const TGeneLayout layout = DimensionGeneLayout(S, d);
      std::string& a = G1[d];
      std::string& b = G2[d];
      if (a == b) {
        a = MutateGene(layout, a, EngineRandom(S));
        b = MutateGene(layout, b, EngineRandom(S));
      }
      const int len = static_cast<int>(std::min(a.size(), b.size()));
      std::string k1 = a, k2 = b;
      if (c == 0) {
        for (int pos = 0; pos < len; ++pos) {
          if (R(S) < 0.25)
            k1[pos] = a[pos], k2[pos] = b[pos];
          else
            k1[pos] = b[pos], k2[pos] = a[pos];
        }
      } else if (c == 1) {
        const int cut = RI(S, len);
        for (int pos = cut; pos < len; ++pos) k1[pos] = b[pos], k2[pos] = a[pos];
      } else {
        const int u = RI(S, len), v = RI(S, len);
        for (int pos = std::min(u, v); pos <= std::max(u, v) && pos < len; ++pos)
          k1[pos] = b[pos], k2[pos] = a[pos];
      }
      S.GeneStrings[c1][d] = k1;
      S.GeneStrings[c2][d] = k2;
      DecodeInto(S, c1, d);
      DecodeInto(S, c2, d);
    }
    if (S.Exclusive) {
      MakeExclusive(S, c1, dims);
      MakeExclusive(S, c2, dims);
    }
    for (int child : {c1, c2})
      for (int d = 0; d < dims; ++d) {
        if (R(S) >= Set.MutationRate) continue;
        if (S.Exclusive) {
          if (dims < 2) continue;
          const int u = RI(S, dims);
          int v;
          do v = RI(S, dims);
          while (v == u);
          std::swap(S.GeneStrings[child][u], S.GeneStrings[child][v]);
          std::swap(S.Population[child][u], S.Population[child][v]);
          RepairGene(S, child, u, S.GeneStrings[child][u], S.Population[child][u]);
          RepairGene(S, child, v, S.GeneStrings[child][v], S.Population[child][v]);
          continue;
        }
        const TGeneLayout layout = DimensionGeneLayout(S, d);
        std::string& gene = S.GeneStrings[child][d];
        const bool twice = R(S) < 0.2;
        gene = MutateGene(layout, gene, EngineRandom(S));
        if (twice) gene = MutateGene(layout, gene, EngineRandom(S));
        DecodeInto(S, child, d);
      }
  }
}

}  // namespace qv
