// The tree view core: node structure and walks, expanding on demand, hit
// tests, selection by mouse and keyboard, deletion, sorting and editing.
#include <gtest/gtest.h>

#include <functional>

#include "platform/core/FakeControlHost.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/TreeView.h"

using namespace qv;

namespace {

// Characters 8 x 16: rows 18 high, indent 19.
struct TTreeFixture {
  TFakeFontService fonts{8, 16};
  TCustomTreeView tree;
  TFakeControlHost host;
  TTreeNode* a;
  TTreeNode* a1;
  TTreeNode* a2;
  TTreeNode* b;
  explicit TTreeFixture(int w = 200, int h = 90) : host(&tree, w, h, &fonts) {
    a = &tree.Items().Add(nullptr, "a");
    a1 = &tree.Items().AddChild(a, "a1");
    a2 = &tree.Items().AddChild(a, "a2");
    b = &tree.Items().Add(nullptr, "b");
  }
};

}  // namespace

TEST(TreeView, NodesWalkDepthFirstAndThroughExpandedNodes) {
  TTreeFixture f;
  EXPECT_EQ(f.tree.Items().Count(), 4);
  EXPECT_EQ(f.a->GetNext(), f.a1);
  EXPECT_EQ(f.a2->GetNext(), f.b);
  EXPECT_EQ(f.b->GetPrev(), f.a2);
  EXPECT_EQ(f.a->GetNextVisible(), f.b);  // collapsed
  EXPECT_EQ(f.a1->Parent(), f.a);
  EXPECT_EQ(f.a->Parent(), nullptr);
  EXPECT_EQ(f.a2->Level(), 1);
  EXPECT_EQ(f.a2->Index(), 1);
  EXPECT_TRUE(f.a2->HasAsParent(f.a));
  EXPECT_FALSE(f.a1->IsVisible());
  f.a->Expand(false);
  EXPECT_EQ(f.a->GetNextVisible(), f.a1);
  EXPECT_EQ(f.b->GetPrevVisible(), f.a2);
  EXPECT_EQ(f.tree.Items().Item(3), f.b);
}

TEST(TreeView, ExpandingAsksFirstAndMayAddChildrenOnDemand) {
  TTreeFixture f;
  TTreeNode& lazy = f.tree.Items().Add(nullptr, "lazy");
  lazy.SetHasChildren(true);
  int asked = 0;
  f.tree.OnExpanding = [&](TTreeNode& n, bool& allow) {
    ++asked;
    if (&n == &lazy && n.Count() == 0) f.tree.Items().AddChild(&n, "child");
    allow = &n != f.b;
  };
  lazy.Expand(false);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(lazy.Expanded());
  EXPECT_EQ(lazy.Count(), 1);
  // A node that turns out empty loses its button instead of expanding.
  TTreeNode& empty = f.tree.Items().Add(nullptr, "empty");
  empty.SetHasChildren(true);
  empty.Expand(false);
  EXPECT_FALSE(empty.Expanded());
  EXPECT_FALSE(empty.HasChildren());
  // A refused expansion.
  f.tree.Items().AddChild(f.b, "b1");
  f.b->Expand(false);
  EXPECT_FALSE(f.b->Expanded());
}

TEST(TreeView, CollapsingMovesTheSelectionOutOfTheBranch) {
  TTreeFixture f;
  f.a->Expand(false);
  f.tree.SetSelected(f.a2);
  std::vector<TTreeNode*> changes;
  f.tree.OnChange = [&](TTreeNode* n) { changes.push_back(n); };
  f.a->Collapse(false);
  EXPECT_EQ(f.tree.Selected(), f.a);
  EXPECT_EQ(changes, std::vector<TTreeNode*>{f.a});
}

TEST(TreeView, HitTestParts) {
  TTreeFixture f;
  f.a->Expand(false);
  // Row 1 is a1, level 1: its item starts at 2 * 19 = 38, the button cell
  // of a (row 0) is 0..18.
  EXPECT_EQ(f.tree.GetHitTestInfoAt(9, 9) & htOnButton, htOnButton);
  EXPECT_EQ(f.tree.GetHitTestInfoAt(40, 20) & htOnLabel, htOnLabel);
  EXPECT_EQ(f.tree.GetHitTestInfoAt(10, 20) & htOnIndent, htOnIndent);
  EXPECT_EQ(f.tree.GetHitTestInfoAt(190, 20) & htOnRight, htOnRight);
  EXPECT_EQ(f.tree.GetNodeAt(40, 20), f.a1);
  EXPECT_EQ(f.tree.GetNodeAt(190, 20), nullptr);
  EXPECT_EQ(f.tree.NodeRect(*f.a1, true), TRect(38, 18, 38 + 16 + 4, 36));
  // A click on the button toggles.
  f.tree.MouseDown(mbLeft, ssLeft, 9, 9);
  EXPECT_FALSE(f.a->Expanded());
  f.tree.MouseUp(mbLeft, 0, 9, 9);
  f.tree.MouseDown(mbLeft, ssLeft, 22, 20);  // b (level 0, at 19) is on row 1 now
  EXPECT_EQ(f.tree.Selected(), f.b);
}

TEST(TreeView, KeyboardNavigation) {
  TTreeFixture f;
  f.tree.SetSelected(f.a);
  auto key = [&](int vk) {
    int k = vk;
    f.tree.KeyDown(k, 0);
    return f.tree.Selected();
  };
  EXPECT_EQ(key(VK_RIGHT), f.a);  // expands
  EXPECT_TRUE(f.a->Expanded());
  EXPECT_EQ(key(VK_RIGHT), f.a1);  // into the first child
  EXPECT_EQ(key(VK_DOWN), f.a2);
  EXPECT_EQ(key(VK_LEFT), f.a);  // to the parent
  EXPECT_EQ(key(VK_LEFT), f.a);  // collapses
  EXPECT_FALSE(f.a->Expanded());
  EXPECT_EQ(key(VK_END), f.b);
  EXPECT_EQ(key(VK_HOME), f.a);
  char32_t ch = U'B';
  f.tree.KeyPress(ch);
  EXPECT_EQ(f.tree.Selected(), f.b);
  f.tree.OnChanging = [&](TTreeNode*, bool& allow) { allow = false; };
  EXPECT_EQ(key(VK_UP), f.b);
}

TEST(TreeView, DeletionFiresForEveryNodeChildrenFirst) {
  struct TData : TTreeNodeData {
    int* freed;
    explicit TData(int* p) : freed(p) {}
    ~TData() override { ++*freed; }
  };
  int freed = 0;
  std::vector<std::string> order;
  {
    TTreeFixture f;
    f.tree.OnDeletion = [&](TTreeNode& n) { order.push_back(n.Text()); };
    f.a1->OwnedData = std::make_unique<TData>(&freed);
    f.a->Expand(false);
    f.tree.SetSelected(f.a1);
    f.a1->Delete();
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(f.tree.Selected(), f.a2);  // the selection moved on
    EXPECT_EQ(f.a2->Index(), 0);
    order.push_back("|");
  }
  EXPECT_EQ(order, (std::vector<std::string>{"a1", "|", "a2", "a", "b"}));
}

TEST(TreeView, SortingAndEditing) {
  TTreeFixture f;
  f.tree.Items().AddChild(f.a, "A0");
  f.tree.AlphaSort(true);
  EXPECT_EQ(f.a->Item(0)->Text(), "A0");
  f.tree.CustomSort([](TTreeNode& x, TTreeNode& y) { return y.Text().compare(x.Text()); }, false);
  EXPECT_EQ(f.tree.Items().GetFirstNode(), f.b);
  std::string shown;
  f.tree.LabelEditor = [&](const TRect&, const std::string& t) { shown = t; };
  EXPECT_TRUE(f.a->EditText());
  EXPECT_EQ(shown, "a");
  f.tree.OnEdited = [&](TTreeNode& n, std::string&) { n.Delete(); };  // deleting is safe
  f.tree.EndLabelEdit(true, "renamed");
  EXPECT_EQ(f.tree.Items().Count(), 1);
}

// Label editing by mouse starts from a slow second click on the selected
// node, never from a double click (which toggles a node with children).
TEST(TreeView, OnlyASlowSecondClickEditsALabel) {
  auto click = [](TCustomTreeView& t, int x, int y) {
    t.MouseDown(mbLeft, ssLeft, x, y);
    t.MouseUp(mbLeft, 0, x, y);
  };
  auto doubleClick = [&](TCustomTreeView& t, int x, int y) {
    click(t, x, y);
    t.MouseDown(mbLeft, ssLeft | ssDouble, x, y);
    t.DblClick();
    t.MouseUp(mbLeft, 0, x, y);
  };
  struct TCase {
    const char* name;
    std::function<void(TTreeFixture&)> act;
    bool editing;
  };
  // Collapsed: a's label on row 0, b's on row 1, both from x = 19.
  const TCase cases[] = {
      {"slow second click",
       [&](TTreeFixture& f) {
         click(f.tree, 22, 27);
         f.host.Advance(1000);
         click(f.tree, 22, 27);
       },
       true},
      {"double click on an unselected node", [&](TTreeFixture& f) { doubleClick(f.tree, 22, 27); },
       false},
      {"double click on the selected node",
       [&](TTreeFixture& f) {
         f.tree.SetSelected(f.b);
         doubleClick(f.tree, 22, 27);
       },
       false},
      {"double click that expands a node",
       [&](TTreeFixture& f) {
         doubleClick(f.tree, 22, 9);
         EXPECT_TRUE(f.a->Expanded());
       },
       false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTreeFixture f;
    f.tree.LabelEditor = [](const TRect&, const std::string&) {};
    c.act(f);
    f.host.Advance(2000);
    EXPECT_EQ(f.tree.IsEditing(), c.editing);
  }
}

TEST(TreeView, PaintDrawsButtonsLinesAndTheSelection) {
  TTreeFixture f;
  f.tree.SetSelected(f.b);
  f.host.GiveFocus();
  TRecordingCanvas c(TRect(0, 0, 200, 90), &f.fonts);
  f.tree.Paint(c, TRect(0, 0, 200, 90));
  int texts = 0;
  for (const TCanvasCall& call : c.Calls())
    if (call.Op == "TextOut") {
      ++texts;
      if (call.Text == "b") {
        EXPECT_EQ(call.State.TextColor, clHighlightText);
      }
    }
  EXPECT_EQ(texts, 2);                 // a (collapsed) and b
  EXPECT_EQ(c.Count("FrameRect"), 1);  // a's button
  EXPECT_EQ(c.Count("DrawFocusRect"), 1);
  EXPECT_GT(c.Count("SetPixel"), 5);  // dotted lines
}
