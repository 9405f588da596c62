// The worksheet tree model: its text form, the move commands, drag and
// drop, the delete count and sorting.
#include <gtest/gtest.h>

#include "SpreadTestSupport.h"
#include "app/spread/SheetTree.h"

using namespace qv;
using qv::test::TreeShape;

namespace {

// Base Folder / Sheet1, Sub / Sheet2, Sheet3; Other / Sheet4
struct Sample {
  TSheetTree tree;
  TSheetNode *base, *s1, *sub, *s2, *s3, *other, *s4;
  Sample() {
    base = tree.Add(nullptr, "Base Folder", -1);
    s1 = tree.Add(base, "Sheet1", 1);
    sub = tree.Add(base, "Sub", -1);
    s2 = tree.Add(sub, "Sheet2", 2);
    s3 = tree.Add(base, "Sheet3", 3);
    other = tree.Add(nullptr, "Other", -1);
    s4 = tree.Add(other, "Sheet4", 4);
  }
};

}  // namespace

TEST(SheetTree, NodesCarryTheirKindAndTreeOrder) {
  Sample t;
  EXPECT_EQ(TreeShape(t.tree),
            "Base Folder/-1 -Sheet1/1 -Sub/-1 --Sheet2/2 -Sheet3/3 Other/-1 -Sheet4/4 ");
  EXPECT_EQ(t.s1->ImageIndex, 0);
  EXPECT_EQ(t.s1->SelectedIndex, 1);
  EXPECT_EQ(t.sub->ImageIndex, 2);
  EXPECT_EQ(t.sub->SelectedIndex, 2);
  EXPECT_EQ(t.tree.AbsoluteIndex(t.s3), 4);
  EXPECT_EQ(t.tree.Item(4), t.s3);
  EXPECT_EQ(t.tree.Item(7), nullptr);
  EXPECT_EQ(t.tree.FindWorksheet(2), t.s2);
  EXPECT_EQ(t.tree.Worksheets().size(), 4u);
}

TEST(SheetTree, TextFormHasOneTabPerLevelAndReadsBack) {
  Sample t;
  const std::string text = t.tree.SaveText();
  EXPECT_EQ(text,
            "Base Folder\r\n\tSheet1\r\n\tSub\r\n\t\tSheet2\r\n\tSheet3\r\nOther\r\n\tSheet4\r\n");
  TSheetTree back;
  back.LoadText(text);
  EXPECT_EQ(TreeShape(back),
            "Base Folder/-1 -Sheet1/-1 -Sub/-1 --Sheet2/-1 -Sheet3/-1 Other/-1 -Sheet4/-1 ");
}

TEST(SheetTree, TextFormReadsOtherLineEndsAndHoldsLevelJumps) {
  TSheetTree t;
  // LF ends, a jump of two levels, an empty node text at level 1, no final
  // line break.
  t.LoadText("A\n\t\t\tdeep\n\t\nB");
  EXPECT_EQ(TreeShape(t), "A/-1 -deep/-1 -/-1 B/-1 ");
  t.LoadText("");
  EXPECT_TRUE(t.Empty());
}

TEST(SheetTree, NodeTextsNeverBreakTheTextForm) {
  TSheetTree t;
  TSheetNode* n = t.Add(nullptr, "two\tparts\r\nand lines", -1);
  EXPECT_EQ(n->Text, "two parts  and lines");
  t.Rename(n, "re\tnamed");
  EXPECT_EQ(n->Text, "re named");
  t.Rename(n, "  ");
  EXPECT_EQ(n->Text, "re named");
}

TEST(SheetTree, MoveCommands) {
  struct Case {
    const char* name;
    std::function<bool(Sample&)> op;
    bool changed;
    const char* shape;
  };
  const Case cases[] = {
      {"up of a first child does nothing", [](Sample& t) { return t.tree.MoveUp(t.s1); }, false,
       "Base Folder/-1 -Sheet1/1 -Sub/-1 --Sheet2/2 -Sheet3/3 Other/-1 -Sheet4/4 "},
      {"up goes before the previous sibling", [](Sample& t) { return t.tree.MoveUp(t.s3); }, true,
       "Base Folder/-1 -Sheet1/1 -Sheet3/3 -Sub/-1 --Sheet2/2 Other/-1 -Sheet4/4 "},
      {"down takes the next sibling before it", [](Sample& t) { return t.tree.MoveDown(t.s1); },
       true, "Base Folder/-1 -Sub/-1 --Sheet2/2 -Sheet1/1 -Sheet3/3 Other/-1 -Sheet4/4 "},
      {"down of a last child does nothing", [](Sample& t) { return t.tree.MoveDown(t.s2); }, false,
       "Base Folder/-1 -Sheet1/1 -Sub/-1 --Sheet2/2 -Sheet3/3 Other/-1 -Sheet4/4 "},
      {"level up to the grandparent's last child",
       [](Sample& t) { return t.tree.OneLevelUp(t.s2); }, true,
       "Base Folder/-1 -Sheet1/1 -Sub/-1 -Sheet3/3 -Sheet2/2 Other/-1 -Sheet4/4 "},
      {"level up below a top-level node ends last at the top",
       [](Sample& t) { return t.tree.OneLevelUp(t.s1); }, true,
       "Base Folder/-1 -Sub/-1 --Sheet2/2 -Sheet3/3 Other/-1 -Sheet4/4 Sheet1/1 "},
      {"level up of a top-level node does nothing",
       [](Sample& t) { return t.tree.OneLevelUp(t.other); }, false,
       "Base Folder/-1 -Sheet1/1 -Sub/-1 --Sheet2/2 -Sheet3/3 Other/-1 -Sheet4/4 "},
      {"drop on an item: its last child",
       [](Sample& t) { return t.tree.Drop(t.s4, t.sub, sdOnItem); }, true,
       "Base Folder/-1 -Sheet1/1 -Sub/-1 --Sheet2/2 --Sheet4/4 -Sheet3/3 Other/-1 "},
      {"drop on an indent: before the item",
       [](Sample& t) { return t.tree.Drop(t.s4, t.s1, sdBeforeItem); }, true,
       "Base Folder/-1 -Sheet4/4 -Sheet1/1 -Sub/-1 --Sheet2/2 -Sheet3/3 Other/-1 "},
      {"drop below the items: the last top-level node",
       [](Sample& t) { return t.tree.Drop(t.sub, nullptr, sdBelowItems); }, true,
       "Base Folder/-1 -Sheet1/1 -Sheet3/3 Other/-1 -Sheet4/4 Sub/-1 -Sheet2/2 "},
      {"drop into its own subtree is refused",
       [](Sample& t) { return t.tree.Drop(t.base, t.s2, sdOnItem); }, false,
       "Base Folder/-1 -Sheet1/1 -Sub/-1 --Sheet2/2 -Sheet3/3 Other/-1 -Sheet4/4 "},
      {"drop on itself is refused", [](Sample& t) { return t.tree.Drop(t.sub, t.sub, sdOnItem); },
       false, "Base Folder/-1 -Sheet1/1 -Sub/-1 --Sheet2/2 -Sheet3/3 Other/-1 -Sheet4/4 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sample t;
    EXPECT_EQ(c.op(t), c.changed);
    EXPECT_EQ(TreeShape(t.tree), c.shape);
  }
}

TEST(SheetTree, WorksheetsLeftAfterDeleteCountOnlyWorksheetsOutsideTheSubtree) {
  Sample t;
  EXPECT_EQ(t.tree.WorksheetsLeftAfterDelete(t.s1), 3);
  EXPECT_EQ(t.tree.WorksheetsLeftAfterDelete(t.base), 1);
  EXPECT_EQ(t.tree.WorksheetsLeftAfterDelete(t.other), 3);
  // Empty folders after a folder do not count as worksheets.
  TSheetTree lone;
  TSheetNode* a = lone.Add(nullptr, "A", -1);
  lone.Add(a, "Sheet1", 1);
  lone.Add(nullptr, "empty", -1);
  EXPECT_EQ(lone.WorksheetsLeftAfterDelete(a), 0);
}

TEST(SheetTree, DeleteAndTheWorksheetNearAnIndex) {
  Sample t;
  t.tree.Selected = t.s2;
  t.tree.Delete(t.sub);
  EXPECT_EQ(t.tree.Selected, nullptr);
  EXPECT_EQ(TreeShape(t.tree), "Base Folder/-1 -Sheet1/1 -Sheet3/3 Other/-1 -Sheet4/4 ");
  // From index 2 (Sheet3) forward; from past the end, the last one before.
  EXPECT_EQ(t.tree.WorksheetNear(2), t.s3);
  EXPECT_EQ(t.tree.WorksheetNear(3), t.s4);
  EXPECT_EQ(t.tree.WorksheetNear(9), t.s4);
}

TEST(SheetTree, SortingOrdersEveryLevelByTextAndKeepsNewNodesInPlace) {
  TSheetTree t;
  TSheetNode* r = t.Add(nullptr, "root", -1);
  t.Add(r, "beta", 1);
  TSheetNode* f = t.Add(r, "Alpha", -1);
  t.Add(f, "z", 2);
  t.Add(f, "a", 3);
  t.SetSortType(stText);
  EXPECT_EQ(TreeShape(t), "root/-1 -Alpha/-1 --a/3 --z/2 -beta/1 ");
  t.Add(r, "Gamma", 4);
  EXPECT_EQ(TreeShape(t), "root/-1 -Alpha/-1 --a/3 --z/2 -beta/1 -Gamma/4 ");
  t.SetSortType(stNone);
  t.Add(r, "aaa", 5);
  EXPECT_EQ(TreeShape(t), "root/-1 -Alpha/-1 --a/3 --z/2 -beta/1 -Gamma/4 -aaa/5 ");
}

TEST(SheetTree, MovingRootsFromAnotherTree) {
  Sample t;
  TSheetTree part;
  TSheetNode* x = part.Add(nullptr, "X", -1);
  part.Add(x, "Sheet9", 9);
  part.Add(nullptr, "Y", -1);
  t.tree.MoveRootsFrom(part, t.sub);
  EXPECT_TRUE(part.Empty());
  EXPECT_EQ(TreeShape(t.tree),
            "Base Folder/-1 -Sheet1/1 -Sub/-1 --Sheet2/2 --X/-1 ---Sheet9/9 --Y/-1 -Sheet3/3 "
            "Other/-1 -Sheet4/4 ");
}
