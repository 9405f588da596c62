// The shell combo and the shell tree without a window: the combo's entry
// chain, its links with a list, the tree's folders and expand buttons, its
// deferred list update, refreshes and renames that move the locators.
#include <gtest/gtest.h>

#include <thread>

#include "ShellTestSupport.h"
#include "controls/UiShellCombo.h"
#include "controls/UiShellList.h"
#include "controls/UiShellTree.h"
#include "controls/UiThemeSrv.h"
#include "platform/core/FakeControlHost.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/Services.h"

namespace qv {
namespace {

using test::TMountGuard;
using test::TTempTree;

// Opens the item of that name in the list, as a double click does.
void OpenInList(TUiShellList& list, const std::string& name) {
  list.ClearSelection();
  for (int i = 0; i < list.Items().Count(); ++i)
    if (list.ItemText(list.Items()[i], 0) == name) {
      list.Items()[i].SetSelected(true);
      list.Items()[i].SetFocused(true);
    }
  list.OpenSelection();
}

class ShellControls : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUxThemeProvider(nullptr);
    FreeThemeServices();
    ManualUiQueue().Drain();
    T.Dir("a/b/c");
    T.Dir("a/sibling");
    T.File("a/file.mff");
    T.Dir("only-files");
    T.File("only-files/x.txt");
  }
  void TearDown() override { ManualUiQueue().Drain(); }
  TTempTree T;
  TMountGuard Mounts{T.File("mountinfo", "")};
  TFakeFontService Fonts{7, 14};
};

// ---- combo ---------------------------------------------------------------------------

TEST_F(ShellControls, ComboShowsTheChainToTheCurrentFolder) {
  TUiShellCombo combo;
  TFakeControlHost host(&combo, 300, 22, &Fonts);
  combo.Folder().SetPath(T.Path("a/b"));
  TUiShellComboItem* sel = combo.ShellItem(combo.ItemIndex());
  ASSERT_NE(sel, nullptr);
  EXPECT_EQ(sel->Caption(), "b");
  EXPECT_EQ(PidlToPath(sel->AbsolutePidl.Get()), T.Path("a/b"));
  EXPECT_EQ(combo.ShellItem(0)->Caption(), "Computer");
  EXPECT_EQ(combo.ShellItem(0)->IndentLevel(), 0);

  // Up from the selection, the nearest shallower entries are the chain.
  std::vector<std::string> chain;
  int depth = sel->IndentLevel();
  for (int i = combo.ItemIndex(); i >= 0; --i) {
    TUiShellComboItem* e = combo.ShellItem(i);
    if (e->IndentLevel() == depth) {
      chain.insert(chain.begin(), e->Caption());
      --depth;
    }
  }
  // Computer, File System, then the folders of the path.
  ASSERT_GE(chain.size(), 4u);
  EXPECT_EQ(chain[0], "Computer");
  EXPECT_EQ(chain[1], "File System");
  EXPECT_EQ(chain[chain.size() - 2], "a");
  EXPECT_EQ(chain.back(), "b");
  EXPECT_EQ(static_cast<int>(chain.size()) - 1, sel->IndentLevel());

  // a's folders are listed beneath it, sorted; b's own folders are not.
  int aIndex = -1;
  for (int i = 0; i < combo.ItemCount(); ++i)
    if (combo.ShellItem(i)->Caption() == "a") aIndex = i;
  ASSERT_GE(aIndex, 0);
  EXPECT_EQ(combo.ShellItem(aIndex + 1)->Caption(), "b");
  EXPECT_EQ(combo.ShellItem(aIndex + 2)->Caption(), "sibling");
  EXPECT_EQ(combo.ShellItem(aIndex + 2)->IndentLevel(), sel->IndentLevel());

  combo.MoveUp(2);
  EXPECT_EQ(combo.Folder().Path(), T.Root);
}

TEST_F(ShellControls, ComboAndListFollowEachOther) {
  TUiShellCombo combo;
  TUiShellList list;
  TFakeControlHost comboHost(&combo, 300, 22, &Fonts);
  TFakeControlHost listHost(&list, 300, 200, &Fonts);
  combo.SetShellList(&list);
  EXPECT_EQ(list.ShellCombo(), &combo);
  TUiShellTree tree;
  combo.SetShellTree(&tree);
  EXPECT_EQ(combo.ShellTree(), nullptr);  // a list is linked already

  list.Folder().SetPath(T.Path("a"));
  EXPECT_EQ(combo.Folder().Path(), T.Path("a"));
  EXPECT_EQ(combo.ShellItem(combo.ItemIndex())->Caption(), "a");

  // Navigating inside the list moves the combo.
  OpenInList(list, "b");
  EXPECT_EQ(list.FolderPath(), T.Path("a/b"));
  EXPECT_EQ(combo.ShellItem(combo.ItemIndex())->Caption(), "b");

  // Picking an entry in the combo moves the list (Up: the entry above).
  int key = VK_UP;
  combo.KeyDown(key, 0);
  EXPECT_EQ(combo.ShellItem(combo.ItemIndex())->Caption(), "a");
  EXPECT_EQ(list.FolderPath(), T.Path("a"));

  // The list's move-up goes through the combo.
  list.MoveUp(1);
  EXPECT_EQ(list.FolderPath(), T.Root);
}

TEST_F(ShellControls, LinksAreUndoneWhenAControlGoes) {
  TUiShellList list;
  {
    TUiShellCombo combo;
    combo.SetShellList(&list);
    EXPECT_EQ(list.ShellCombo(), &combo);
  }
  EXPECT_EQ(list.ShellCombo(), nullptr);
  {
    TUiShellTree tree;
    tree.SetShellList(&list);
    EXPECT_EQ(list.ShellTree(), &tree);
  }
  EXPECT_EQ(list.ShellTree(), nullptr);
  auto list2 = std::make_unique<TUiShellList>();
  TUiShellCombo combo;
  combo.SetShellList(list2.get());
  list2.reset();
  EXPECT_EQ(combo.ShellList(), nullptr);
}

// ---- tree ----------------------------------------------------------------------------

class ShellTree : public ShellControls {
 protected:
  void SetUp() override {
    ShellControls::SetUp();
    Tree.SetClock([this] { return Host.Now(); });
    Tree.BaseFolder().SetPath(T.Root);
    Host.Attach(&Tree);
    Host.DeliverPosted();
  }
  TTreeNode* Node(TTreeNode* parent, const std::string& text) {
    const int n = parent ? parent->Count() : Tree.Items().Root().Count();
    for (int i = 0; i < n; ++i) {
      TTreeNode* c = parent ? parent->Item(i) : Tree.Items().Root().Item(i);
      if (c->Text() == text) return c;
    }
    return nullptr;
  }
  std::vector<std::string> Texts(TTreeNode* parent) {
    std::vector<std::string> out;
    const int n = parent ? parent->Count() : Tree.Items().Root().Count();
    for (int i = 0; i < n; ++i)
      out.push_back((parent ? parent->Item(i) : Tree.Items().Root().Item(i))->Text());
    return out;
  }
  TUiShellTree Tree;
  TFakeControlHost Host{nullptr, 300, 400, &Fonts};
};

TEST_F(ShellTree, FoldersOnlyAndExpandButtons) {
  EXPECT_EQ(Texts(nullptr), (std::vector<std::string>{"a", "only-files"}));
  TTreeNode* a = Node(nullptr, "a");
  EXPECT_TRUE(a->HasChildren());
  EXPECT_FALSE(Node(nullptr, "only-files")->HasChildren());
  a->Expand(false);
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"b", "sibling"}));  // no files
  EXPECT_EQ(Tree.NodePath(*Node(a, "b")), T.Path("a/b"));
  EXPECT_EQ(Tree.NodeImageIndex(*a), siFolder);
  EXPECT_EQ(Tree.NodeSelectedIndex(*a), siFolderOpen);

  // With files shown, files appear and a folder of files can open.
  Tree.SetOptions(Tree.Options() | StoBit(stoShowFiles));
  EXPECT_TRUE(Node(nullptr, "only-files")->HasChildren());
  a = Node(nullptr, "a");
  a->Expand(false);
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"b", "sibling", "file.mff"}));
}

TEST_F(ShellTree, KeyboardSelectionUpdatesTheListOnceAfterAPause) {
  TUiShellList list;
  TFakeControlHost listHost(&list, 300, 200, &Fonts);
  Tree.SetShellList(&list);
  int fills = 0;
  list.OnFillStart = [&] { ++fills; };
  Tree.SetSelected(Node(nullptr, "a"));
  Host.GiveFocus();
  int key = VK_DOWN;
  Tree.KeyDown(key, 0);  // "only-files"
  Host.Advance(300);
  key = VK_UP;
  Tree.KeyDown(key, 0);  // back to "a"
  Host.Advance(499);
  EXPECT_EQ(fills, 0);
  Host.Advance(1);
  EXPECT_EQ(fills, 1);
  EXPECT_EQ(list.FolderPath(), T.Path("a"));
  EXPECT_EQ(Tree.SelectedFolder().Path(), T.Path("a"));

  // A folder opened in the list selects its node at once.
  OpenInList(list, "b");
  EXPECT_EQ(list.FolderPath(), T.Path("a/b"));
  ASSERT_NE(Tree.Selected(), nullptr);
  EXPECT_EQ(Tree.Selected()->Text(), "b");
  list.MoveUp(1);
  EXPECT_EQ(Tree.Selected()->Text(), "a");
  EXPECT_EQ(list.FolderPath(), T.Path("a"));
}

TEST_F(ShellTree, RefreshFollowsExpandedFoldersAndWatchesThem) {
  TTreeNode* a = Node(nullptr, "a");
  a->Expand(false);
  Host.DeliverPosted();  // watching starts again once the node is open
  ASSERT_NE(Tree.ChangeThread(), nullptr);
  EXPECT_EQ(Tree.WatchedFolders(), 2);  // the base and "a"
  T.Dir("a/new");
  std::filesystem::remove_all(T.Path("a/sibling"));
  ASSERT_TRUE(ManualUiQueue().WaitPending(10000));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ManualUiQueue().Drain();
  ASSERT_TRUE(Host.TimerActive(ShellRefreshTimer));
  Host.Advance(2000);
  EXPECT_EQ(Node(nullptr, "a"), a);  // kept
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"b", "new"}));
}

TEST_F(ShellTree, RenamingAFolderMovesTheLocatorsBelowIt) {
  TUiShellList list;
  TFakeControlHost listHost(&list, 300, 200, &Fonts);
  Tree.SetShellList(&list);
  TTreeNode* a = Node(nullptr, "a");
  a->Expand(false);
  Tree.SetSelected(Node(a, "b"));
  Host.Advance(500);
  list.Folder().SetPath(T.Path("a/b/c"));  // the tree selects c
  EXPECT_EQ(list.FolderPath(), T.Path("a/b/c"));
  EXPECT_EQ(Tree.Selected()->Text(), "c");

  ASSERT_TRUE(Tree.EditNode(*a));
  Tree.EndLabelEdit(true, "renamed");
  EXPECT_TRUE(std::filesystem::exists(T.Path("renamed/b/c")));
  EXPECT_EQ(a->Text(), "renamed");
  EXPECT_EQ(Tree.NodePath(*Node(a, "b")), T.Path("renamed/b"));
  EXPECT_EQ(list.FolderPath(), T.Path("renamed/b/c"));
  EXPECT_EQ(Tree.SelectedFolder().Path(), T.Path("renamed/b/c"));
  EXPECT_EQ(Tree.Selected()->Text(), "c");
}

}  // namespace
}  // namespace qv
