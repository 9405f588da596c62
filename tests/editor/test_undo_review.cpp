// Change numbering of the undo list across blocks, nesting and wrap-around.
#include <gtest/gtest.h>

#include "editor/CodeEditUndo.h"

using namespace qv;

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

TEST(UndoReview, ChangeNumbers) {
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

TEST(UndoReview, EventsBoundsAndAssign) {
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
