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
