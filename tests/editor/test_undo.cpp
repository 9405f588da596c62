#include <gtest/gtest.h>

#include "editor/CodeEditUndo.h"

using namespace qv;

namespace {

void AddInsert(TCodeEditUndoList& list, const std::string& text) {
  list.AddChange(urInsert, TPoint(1, 1), TPoint(1 + int(text.size()), 1), text, smNormal);
}

}  // namespace

TEST(UndoList, CapacityDropsOldestAndMarksFullUndoImpossible) {
  TCodeEditUndoList list;
  int added = 0;
  list.OnAdded = [&](TCodeEditUndoList*) { ++added; };
  list.SetMaxUndoActions(3);
  for (const char* t : {"a", "b", "c", "d", "e"}) AddInsert(list, t);
  EXPECT_EQ(added, 5);
  ASSERT_EQ(list.ItemCount(), 3);
  EXPECT_EQ(list.Items(0)->ChangeStr, "c");
  EXPECT_EQ(list.PeekItem()->ChangeStr, "e");
  EXPECT_TRUE(list.FullUndoImpossible());
  list.Clear();
  EXPECT_FALSE(list.FullUndoImpossible());
  EXPECT_FALSE(list.CanUndo());
  EXPECT_EQ(list.GetLastChangeReason(), urNothing);

  // A negative maximum counts as 0 and empties the list at once.
  AddInsert(list, "x");
  list.SetMaxUndoActions(-5);
  EXPECT_EQ(list.MaxUndoActions(), 0);
  EXPECT_EQ(list.ItemCount(), 0);
  EXPECT_TRUE(list.FullUndoImpossible());
}

TEST(UndoList, BlocksShareOneChangeNumber) {
  TCodeEditUndoList list;
  AddInsert(list, "first");  // number 1
  list.BeginBlock();
  list.BeginBlock();  // nested: still one action
  AddInsert(list, "a");
  list.AddChange(urDelete, TPoint(1, 1), TPoint(2, 1), "b", smColumn);
  list.EndBlock();
  AddInsert(list, "c");
  list.EndBlock();
  list.EndBlock();  // unbalanced EndBlock is ignored
  AddInsert(list, "after");

  ASSERT_EQ(list.ItemCount(), 5);
  EXPECT_EQ(list.Items(0)->ChangeNumber, 1);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(list.Items(i)->ChangeNumber, 2) << i;
  EXPECT_EQ(list.Items(4)->ChangeNumber, 3);
  EXPECT_EQ(list.Items(2)->ChangeSelMode, smColumn);
  EXPECT_EQ(list.BlockCount(), 0);
  EXPECT_EQ(list.BlockChangeNumber(), 0);
}

TEST(UndoList, GroupBreaks) {
  TCodeEditUndoList list;
  int added = 0;
  list.OnAdded = [&](TCodeEditUndoList*) { ++added; };
  list.AddGroupBreak();  // empty list: nothing
  EXPECT_EQ(list.ItemCount(), 0);
  AddInsert(list, "a");
  list.AddGroupBreak();
  list.AddGroupBreak();  // only one break in a row
  ASSERT_EQ(list.ItemCount(), 2);
  EXPECT_EQ(list.GetLastChangeReason(), urGroupBreak);
  EXPECT_EQ(list.PeekItem()->ChangeStartPos, TPoint(0, 0));
  EXPECT_EQ(added, 1);  // a break does not fire OnAdded
}

TEST(UndoList, LockPopPushAndAssign) {
  TCodeEditUndoList list;
  list.Lock();
  AddInsert(list, "ignored");
  EXPECT_EQ(list.ItemCount(), 0);
  list.Unlock();
  list.Unlock();  // more unlocks than locks stay at 0
  EXPECT_EQ(list.LockCount(), 0);
  AddInsert(list, "a");
  AddInsert(list, "b");

  auto item = list.PopItem();
  ASSERT_TRUE(item);
  EXPECT_EQ(item->ChangeStr, "b");
  TCodeEditUndoList redo;
  redo.PushItem(std::move(item));
  redo.PushItem(nullptr);
  EXPECT_EQ(redo.ItemCount(), 1);

  TCodeEditUndoList copy;
  AddInsert(copy, "old");
  list.SetMaxUndoActions(7);
  copy.Assign(list);
  ASSERT_EQ(copy.ItemCount(), 1);
  EXPECT_EQ(copy.Items(0)->ChangeStr, "a");
  EXPECT_NE(copy.Items(0), list.Items(0));
  EXPECT_EQ(copy.MaxUndoActions(), 7);
  EXPECT_EQ(copy.NextChangeNumber(), list.NextChangeNumber());
  EXPECT_EQ(list.PopItem()->ChangeStr, "a");
  EXPECT_EQ(list.PopItem(), nullptr);
}

// ---- Change numbering of the undo list across blocks, nesting and wrap-around.

namespace {
void Change(TCodeEditUndoList& l, TCodeChangeReason r = urInsert) {
  l.AddChange(r, TPoint(1, 1), TPoint(2, 1), "x", smNormal);
}
std::vector<int> Numbers(const TCodeEditUndoList& l) {
  std::vector<int> r;
  for (int i = 0; i < l.ItemCount(); ++i) r.push_back(l.Items(i)->ChangeNumber);
  return r;
}
}  // namespace

TEST(UndoList, ChangeNumbers) {
  // Script: c = change, b = BeginBlock, e = EndBlock, g = group break.
  struct Case {
    const char* script;
    std::vector<int> numbers;
  } cases[] = {
      {"ccc", {1, 2, 3}},
      {"cbcce", {1, 2, 2}},
      {"bccec", {1, 1, 2}},
      {"bcbceec", {1, 1, 2}},      // nested blocks share the outer number
      {"bcbcecec", {1, 1, 1, 2}},  // a change after the inner end still belongs to the block
      {"bec", {2}},                // an empty block still uses up a number
      {"ee c", {1}},               // EndBlock without a block does nothing
      {"cgcgg", {1, 2, 3, 4}},     // group breaks take numbers too, but only one in a row
  };
  for (const Case& c : cases) {
    TCodeEditUndoList l;
    for (const char* p = c.script; *p; ++p) {
      switch (*p) {
        case 'c':
          Change(l);
          break;
        case 'b':
          l.BeginBlock();
          break;
        case 'e':
          l.EndBlock();
          break;
        case 'g':
          l.AddGroupBreak();
          break;
        default:
          break;
      }
    }
    EXPECT_EQ(Numbers(l), c.numbers) << c.script;
  }
}

TEST(UndoList, EventsBoundsAndAssign) {
  TCodeEditUndoList l;
  int added = 0;
  l.OnAdded = [&](TCodeEditUndoList*) { ++added; };
  Change(l);
  l.AddGroupBreak();
  Change(l, urDelete);
  EXPECT_EQ(added, 2);  // no event for the group break
  EXPECT_EQ(l.GetLastChangeReason(), urDelete);
  l.SetMaxUndoActions(2);
  EXPECT_EQ(l.ItemCount(), 2);
  EXPECT_EQ(l.Items(0)->ChangeReason, urGroupBreak);
  EXPECT_TRUE(l.FullUndoImpossible());
  l.PushItem(nullptr);
  EXPECT_EQ(l.ItemCount(), 2);

  TCodeEditUndoList copy;
  copy.Assign(l);
  EXPECT_EQ(copy.ItemCount(), 2);
  EXPECT_EQ(copy.MaxUndoActions(), 2);
  EXPECT_TRUE(copy.FullUndoImpossible());
  EXPECT_EQ(Numbers(copy), Numbers(l));
  EXPECT_EQ(copy.Items(1)->ChangeStr, "x");
  EXPECT_NE(copy.Items(1), l.Items(1));  // own items
  Change(copy);
  EXPECT_EQ(copy.Items(1)->ChangeNumber, 4);  // next number was copied too
  EXPECT_EQ(copy.ItemCount(), 2);             // and so was the maximum
  EXPECT_EQ(l.ItemCount(), 2);

  TCodeEditUndoList empty;
  EXPECT_EQ(empty.GetLastChangeReason(), urNothing);
  EXPECT_EQ(empty.PopItem(), nullptr);
  EXPECT_EQ(empty.PeekItem(), nullptr);
}
