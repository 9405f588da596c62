// Cell storage: lookups, replacement with format take-over, bounds and the
// row-major walk.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "workbook/CellStorage.h"

using namespace qv;

TEST(CellStorage, FindPutAndReplace) {
  TCellStorage s;
  EXPECT_EQ(s.Find(CellKey(0, 0)), nullptr);
  s.Put(CellKey(3, 2), std::make_unique<TFloatCell>(CellKey(3, 2), 15, 1.0));
  EXPECT_EQ(s.Find(CellKey(4, 2)), nullptr);      // page there, slot empty
  EXPECT_EQ(s.Find(CellKey(3, 70000)), nullptr);  // no row page
  // A new cell without a format (below 1) takes the old cell's format.
  s.Put(CellKey(3, 2), std::make_unique<TBlankCell>(CellKey(3, 2), 0));
  EXPECT_EQ(s.Find(CellKey(3, 2))->FormatIndex, 15);
  EXPECT_EQ(s.Find(CellKey(3, 2))->CellType(), ctBlank);
  s.Put(CellKey(3, 2), std::make_unique<TBlankCell>(CellKey(3, 2), 3));
  EXPECT_EQ(s.Find(CellKey(3, 2))->FormatIndex, 3);
  EXPECT_EQ(s.Count(), 1);
  s.Put(CellKey(3, 2), nullptr);
  EXPECT_EQ(s.Find(CellKey(3, 2)), nullptr);
  EXPECT_EQ(s.Count(), 0);
}

TEST(CellStorage, Bounds) {
  TCellStorage s;
  s.CalcBounds();
  EXPECT_EQ((std::vector<int>{s.FirstCol(), s.LastCol(), s.FirstRow(), s.LastRow()}),
            (std::vector<int>{0, 0, 0, 0}));
  s.Put(CellKey(7, 300), std::make_unique<TBlankCell>(CellKey(7, 300), -1));
  s.Put(CellKey(2, 65535), std::make_unique<TBlankCell>(CellKey(2, 65535), -1));
  s.CalcBounds();
  EXPECT_EQ((std::vector<int>{s.FirstCol(), s.LastCol(), s.FirstRow(), s.LastRow()}),
            (std::vector<int>{2, 7, 300, 65535}));
  s.Put(CellKey(7, 300), nullptr);
  s.Put(CellKey(2, 65535), nullptr);
  s.CalcBounds();
  EXPECT_EQ((std::vector<int>{s.FirstCol(), s.LastCol(), s.FirstRow(), s.LastRow()}),
            (std::vector<int>{INT_MAX, 0, INT_MAX, 0}));
}

TEST(CellStorage, WalksRowByRow) {
  TCellStorage s;
  for (auto [c, r] : {std::pair{0, 1}, {5, 0}, {3, 1}, {255, 256}, {16, 0}})
    s.Put(CellKey(c, r), std::make_unique<TBlankCell>(CellKey(c, r), -1));
  std::vector<std::pair<int, int>> seen;
  s.BeginIterate();
  while (TCell* c = s.Next()) seen.emplace_back(c->Col(), c->Row());
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{5, 0}, {16, 0}, {0, 1}, {3, 1}, {255, 256}}));
  std::vector<std::pair<int, int>> again;
  s.ForEach([&](TCell& c) { again.emplace_back(c.Col(), c.Row()); });
  EXPECT_EQ(again, seen);
}

TEST(CellStorage, FormulaClonesKeepTokensNotResults) {
  TNumberFormulaCell f(CellKey(1, 1), 4, std::string("\x1E\x01\x00", 3));
  f.Value = 42;
  f.Extra = "x";
  auto c = f.Clone();
  auto& g = static_cast<TNumberFormulaCell&>(*c);
  EXPECT_EQ(g.Tokens, f.Tokens);
  EXPECT_EQ(g.Extra, "x");
  EXPECT_EQ(g.Value, 0);
  EXPECT_EQ(g.FormatIndex, 4);
  TArrayFormulaCell a(CellKey(0, 0), -1, "t", "array");
  a.Value = 3;
  auto ac = a.Clone();
  EXPECT_EQ(static_cast<TArrayFormulaCell&>(*ac).ArrayTokens, "array");
  EXPECT_EQ(static_cast<TArrayFormulaCell&>(*ac).Value, 0);
}

// Cells made in the storage's memory and cells handed over on the heap mix
// in one tree: replacing either kind by the other keeps the format rule,
// freed cells make room for new ones instead of growing the memory, and
// formula cells free their texts (the sanitized build finds leaks).
TEST(CellStorage, CellsInTheStorageMemoryAndOnTheHeap) {
  TCellStorage s;
  const std::string longTokens(200, '\x1E');  // longer than a short string
  struct TStep {
    const char* what;
    std::function<void()> put;
    int type, format;
  };
  const uint32_t k = CellKey(4, 9);
  const TStep steps[] = {
      {"arena float", [&] { s.Emplace<TFloatCell>(k, 15, 1.5); }, ctFloat, 15},
      {"heap blank takes the format", [&] { s.Put(k, std::make_unique<TBlankCell>(k, -1)); },
       ctBlank, 15},
      {"arena formula over a heap cell",
       [&] { s.Emplace<TStringFormulaCell>(k, 0, longTokens).Value = std::string(100, 'v'); },
       ctStringFormula, 15},
      {"arena string with its own format", [&] { s.Emplace<TStringCell>(k, 7, 3u); }, ctString, 7},
      {"heap formula", [&] { s.Put(k, std::make_unique<TNumberFormulaCell>(k, 2, longTokens)); },
       ctNumberFormula, 2},
  };
  for (const TStep& st : steps) {
    SCOPED_TRACE(st.what);
    st.put();
    TCell* c = s.Find(k);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->CellType(), st.type);
    EXPECT_EQ(c->FormatIndex, st.format);
    EXPECT_EQ(c->Key, k);
    EXPECT_EQ(s.Count(), 1);
  }
  s.Put(k, nullptr);
  EXPECT_EQ(s.Find(k), nullptr);
  EXPECT_EQ(s.Count(), 0);

  // Writing every cell of a block over and over reuses the freed cells.
  for (int r = 0; r < 200; ++r)
    for (int c = 0; c < 10; ++c) s.Emplace<TFloatCell>(CellKey(c, r), -1, r + c);
  const size_t filled = s.ReservedBytes();
  for (int round = 0; round < 20; ++round)
    for (int r = 0; r < 200; ++r)
      for (int c = 0; c < 10; ++c) {
        if (round % 2)
          s.Emplace<TNumberFormulaCell>(CellKey(c, r), -1, longTokens).Value = round;
        else
          s.Emplace<TFloatCell>(CellKey(c, r), -1, round);
      }
  EXPECT_LE(s.ReservedBytes(), filled + 200 * 10 * sizeof(TNumberFormulaCell) + 65536);
  EXPECT_EQ(s.Count(), 2000);
  double sum = 0;
  s.ForEach([&](TCell& c) { sum += static_cast<TNumberFormulaCell&>(c).Value; });
  EXPECT_EQ(sum, 19 * 2000);
  s.Clear();
  EXPECT_EQ(s.ReservedBytes(), 0u);
  EXPECT_EQ(s.Find(CellKey(0, 0)), nullptr);
  s.Emplace<TBlankCell>(CellKey(1, 1), 4);
  EXPECT_EQ(s.Find(CellKey(1, 1))->FormatIndex, 4);
}
