// Sparse lists: slots, defaults, counts, sizes and their stream form.
#include <gtest/gtest.h>

#include <algorithm>

#include "grid/XLLists.h"

namespace qv {
namespace {

std::string Bytes(const TSList& list) {
  TMemoryStream ms;
  list.WriteToStream(ms);
  return std::string(ms.View());
}

TEST(SList, NewListIsEmptyAndReadsZeroOrDefault) {
  TSList plain;
  EXPECT_EQ(plain.Last(), -1);
  EXPECT_TRUE(plain.IsEmpty());
  EXPECT_EQ(plain.Get(0), 0);
  EXPECT_EQ(plain.Get(123456), 0);
  TDefSList def;
  def.SetDefault(7);
  TProZeroSList pro;
  pro.SetDefault(-3);
  for (int i : {0, 5, 1000000}) {
    EXPECT_EQ(def.Get(i), 7);
    EXPECT_EQ(pro.Get(i), -3);
  }
}

TEST(SList, PutAllocatesOnePageAndKeepsItWhenEmptied) {
  TSList list;
  list.Put(100, 5);
  EXPECT_EQ(list.Last(), 100);
  EXPECT_EQ(list.Storage().PageCount(), 1);
  EXPECT_NE(list.Storage().FindPage(6), nullptr);  // 100 >> 4
  EXPECT_EQ(list.Get(100), 5);
  list.Put(100, 0);
  EXPECT_EQ(list.Last(), -1);
  EXPECT_EQ(list.Storage().PageCount(), 1);
  // Writing 0 over 0 allocates nothing.
  list.Put(5000, 0);
  EXPECT_EQ(list.Storage().PageCount(), 1);
  // A negative index is ignored and reads 0.
  list.Put(-1, 9);
  EXPECT_EQ(list.Get(-1), 0);
  EXPECT_EQ(list.Last(), -1);
}

TEST(SList, LastFollowsTheHighestNonZeroSlotAndForEachVisitsInOrder) {
  TSList list;
  for (int i : {40, 3, 900, 17}) list.Put(i, i * 2);
  EXPECT_EQ(list.Last(), 900);
  std::vector<int> seen;
  EXPECT_EQ(list.ForEach([&](int i, std::int32_t v) {
    EXPECT_EQ(v, i * 2);
    seen.push_back(i);
    return 0;
  }),
            0);
  EXPECT_EQ(seen, (std::vector<int>{3, 17, 40, 900}));
  // A non-zero result stops the walk and is returned.
  EXPECT_EQ(list.ForEach([](int i, std::int32_t) { return i == 17 ? 42 : 0; }), 42);
  list.Put(900, 0);
  EXPECT_EQ(list.Last(), 40);
}

TEST(SList, FarIndicesNeedNoLargeDirectory) {
  TSList list;
  list.Put(3, 1);
  list.Put(2000000000, 2);  // past any 16-bit directory
  EXPECT_EQ(list.Get(2000000000), 2);
  EXPECT_EQ(list.Last(), 2000000000);
  EXPECT_EQ(list.Storage().PageCount(), 2);
  std::vector<int> seen;
  list.ForEach([&](int i, std::int32_t) {
    seen.push_back(i);
    return 0;
  });
  EXPECT_EQ(seen, (std::vector<int>{3, 2000000000}));
  // Indices beyond 65535 pages of 16 slots: 1,048,560 and up.
  TSList big;
  for (int i = 1048550; i < 1048600; ++i) big.Put(i, i);
  for (int i = 1048550; i < 1048600; ++i) ASSERT_EQ(big.Get(i), i);
}

TEST(SList, DefaultListsTranslateSlots) {
  TDefSList def;
  def.SetDefault(5);
  def.Put(2, 5);
  EXPECT_TRUE(def.IsEmpty());
  def.Put(2, 0);
  EXPECT_EQ(def.GetSlot(2), 1);
  EXPECT_EQ(def.Get(2), 0);
  // TDefSList keeps values when its default changes; TZeroSList drops them.
  def.SetDefault(9);
  EXPECT_EQ(def.Get(2), 0);
  EXPECT_EQ(def.Get(3), 9);
  TZeroSList zero;
  zero.SetDefault(10);
  zero.Put(1, 14);
  EXPECT_EQ(zero.GetSlot(1), 4);
  zero.SetDefault(20);
  EXPECT_EQ(zero.Get(1), 20);
  EXPECT_TRUE(zero.IsEmpty());
}

TEST(SList, SetCountFreesItemsFromTheTop) {
  struct TItem {
    TItem(std::vector<int>* f, int i) : freed(f), id(i) {}
    ~TItem() { freed->push_back(id); }
    std::vector<int>* freed;
    int id;
  };
  std::vector<int> freed;
  {
    TObjectSList<TItem> list;
    for (int i : {1, 3, 7}) list.Put(i, std::make_unique<TItem>(&freed, i));
    list.SetCount(3);
    EXPECT_EQ(freed, (std::vector<int>{7, 3}));
    EXPECT_EQ(list.Count(), 3);
    ASSERT_NE(list.Get(1), nullptr);
    EXPECT_EQ(list.Get(3), nullptr);
    // Put over an item frees it; Take hands it back.
    list.Put(1, std::make_unique<TItem>(&freed, 10));
    EXPECT_EQ(freed.back(), 1);
    std::unique_ptr<TItem> taken = list.Take(1);
    EXPECT_EQ(taken->id, 10);
    EXPECT_TRUE(list.IsEmpty());
  }
  EXPECT_EQ(freed.back(), 10);
}

// An object list keeps items at small indices in one block (one item 0 in
// place of it) and moves to pages once an index reaches the block's limit;
// every form reads, removes, visits and frees the same.
TEST(SList, ObjectListsKeepTheirItemsInEveryForm) {
  struct TItem {
    TItem(std::vector<int>* f, int i) : freed(f), id(i) {}
    ~TItem() { freed->push_back(id); }
    std::vector<int>* freed;
    int id;
  };
  const std::vector<std::vector<int>> cases = {
      {0},
      {1},
      {0, 1},
      {5, 0, 2},
      {0, 255},
      {3, 256},
      {300, 2},
      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17},
      {100000, 7, 0},
  };
  for (const auto& indices : cases) {
    SCOPED_TRACE(::testing::PrintToString(indices));
    std::vector<int> freed;
    {
      TObjectSList<TItem> list;
      for (int i : indices) list.Put(i, std::make_unique<TItem>(&freed, i));
      std::vector<int> sorted = indices;
      std::sort(sorted.begin(), sorted.end());
      EXPECT_EQ(list.Last(), sorted.back());
      std::vector<int> seen;
      list.ForEach([&](int index, TItem* item) {
        EXPECT_EQ(item->id, index);
        seen.push_back(index);
        return 0;
      });
      EXPECT_EQ(seen, sorted);
      for (int i : indices) ASSERT_NE(list.Get(i), nullptr);
      EXPECT_EQ(list.Get(sorted.back() + 1), nullptr);
      // Removing the highest item brings Last down to the next one.
      list.Remove(sorted.back());
      EXPECT_EQ(freed, (std::vector<int>{sorted.back()}));
      EXPECT_EQ(list.Last(), sorted.size() > 1 ? sorted[sorted.size() - 2] : -1);
      EXPECT_EQ(list.IsEmpty(), sorted.size() == 1);
      // An item put again after the list emptied lands where it was put.
      list.Put(sorted.back(), std::make_unique<TItem>(&freed, sorted.back()));
      EXPECT_EQ(list.Get(sorted.back())->id, sorted.back());
    }
    EXPECT_EQ(freed.size(), indices.size() + 1);
  }
}

// An item put while the list is being visited (a block that grows, a list
// that moves to pages under the visit) is visited in its turn.
TEST(SList, ItemsPutWhileVisitingAreVisitedInTheirTurn) {
  for (int added : {5, 40, 300}) {
    SCOPED_TRACE(added);
    TObjectSList<int> list;
    list.Put(0, std::make_unique<int>(0));
    list.Put(1, std::make_unique<int>(1));
    std::vector<int> seen;
    list.ForEach([&](int index, int* item) {
      EXPECT_EQ(*item, index);
      seen.push_back(index);
      if (index == 0) list.Put(added, std::make_unique<int>(added));
      return 0;
    });
    EXPECT_EQ(seen, (std::vector<int>{0, 1, added}));
  }
}

TEST(SizeList, PositionOfAndIndexAt) {
  TXLSizeList sizes;
  sizes.SetDefault(60);
  sizes.Put(2, 100);
  EXPECT_EQ(sizes.PositionOf(0), 0);
  EXPECT_EQ(sizes.PositionOf(3), 220);
  EXPECT_EQ(sizes.PositionOf(4), 280);
  struct {
    std::int64_t offset;
    int index;
    std::int64_t start;
  } cases[] = {{150, 2, 120}, {0, 0, 0},     {-5, 0, 0},    {59, 0, 0},    {60, 1, 60},
               {219, 2, 120}, {220, 3, 220}, {279, 3, 220}, {281, 4, 280}, {60000, 999, 59980}};
  for (auto c : cases) {
    std::int64_t off = c.offset;
    EXPECT_EQ(sizes.IndexAt(off), c.index) << c.offset;
    EXPECT_EQ(off, c.start) << c.offset;
  }
  // Walking a gap of absent pages, then a present page, then past it.
  TXLSizeList rows;
  rows.SetDefault(15);
  rows.Put(100, 30);
  std::int64_t off = 15 * 100 + 29;
  EXPECT_EQ(rows.IndexAt(off), 100);
  EXPECT_EQ(off, 1500);
  off = 1500 + 30 + 15 * 10;
  EXPECT_EQ(rows.IndexAt(off), 111);
  // Positions do not overflow 32 bits.
  TXLSizeList wide;
  wide.SetDefault(1000);
  EXPECT_EQ(wide.PositionOf(2000000000), 2000000000000LL);
}

TEST(SizeList, AssignScaledScalesDefaultAndSizes) {
  TXLSizeList src, dst;
  src.SetDefault(60);
  src.SetCount(10);
  src.Put(3, 101);
  dst.AssignScaled(src, 625, 100);
  EXPECT_EQ(dst.Count(), 10);
  EXPECT_EQ(dst.Default(), 375);
  EXPECT_EQ(dst.Get(3), 631);
  EXPECT_EQ(dst.Get(4), 375);
}

TEST(SListStream, WrittenListReadsBackTheSame) {
  TDefSList list(1);
  list.SetDefault(4);
  list.SetCount(77);
  for (int i : {0, 9, 300, 301, 70000}) list.Put(i, i);
  const std::string bytes = Bytes(list);
  // kind, count, pages present, then per page its number and 256 slots.
  ASSERT_EQ(bytes.size(), 1u + 4 + 4 + 3 * (4 + 1024));
  EXPECT_EQ(bytes[0], 1);
  TMemoryStream in(bytes);
  TDefSList back;
  back.SetDefault(4);
  back.ReadFromStream(in);
  EXPECT_EQ(back.Kind(), 1);
  EXPECT_EQ(back.Count(), 77);
  EXPECT_EQ(back.Last(), 70000);
  for (int i : {0, 9, 300, 301, 70000, 5}) EXPECT_EQ(back.Get(i), list.Get(i)) << i;
  EXPECT_EQ(Bytes(back), bytes);
}

TEST(SListStream, TwoDimensionalFormSkipsEmptyInnerLists) {
  TListSList<TSList> plane;
  plane.GetOrCreate(3)->Put(2, 11);
  plane.GetOrCreate(5);  // empty: not written
  plane.GetOrCreate(40)->Put(0, 12);
  TMemoryStream ms;
  plane.WriteToStream(ms);
  ms.SetPosition(0);
  EXPECT_EQ(ReadInteger(ms), 2);
  EXPECT_EQ(ReadInteger(ms), 3);
  ms.SetPosition(0);
  TListSList<TSList> back;
  back.ReadFromStream(ms);
  EXPECT_EQ(back.Get(3)->Get(2), 11);
  EXPECT_EQ(back.Get(40)->Get(0), 12);
  EXPECT_EQ(back.Get(5), nullptr);
}

TEST(SListStream, DamagedFormsFailWithAClearError) {
  auto read = [](const std::string& bytes) {
    TMemoryStream in(bytes);
    TSList list;
    list.ReadFromStream(in);
  };
  std::string ok = [] {
    TSList l;
    l.Put(20, 1);
    return Bytes(l);
  }();
  std::string badKind = ok;
  badKind[0] = 2;
  EXPECT_THROW(read(badKind), EXLGridError);
  std::string hugePages = ok;
  writeLE<std::int32_t>(hugePages.data() + 5, 1 << 30);
  EXPECT_THROW(read(hugePages), EXLGridError);
  std::string badPage = ok;
  writeLE<std::int32_t>(badPage.data() + 9, -4);
  EXPECT_THROW(read(badPage), EXLGridError);
  writeLE<std::int32_t>(badPage.data() + 9, INT32_MAX);  // first index past 32 bits
  EXPECT_THROW(read(badPage), EXLGridError);
  EXPECT_THROW(read(ok.substr(0, ok.size() - 1)), Exception);
}

}  // namespace
}  // namespace qv
