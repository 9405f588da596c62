// The shell list control without a window: fills, sorting, the hold-back
// of change refreshes (with the real watcher thread), refreshes that keep
// items and selection, vanished folders, open, keys, renaming, the context
// menu, the clipboard, drops and drags, and column widths.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "ShellTestSupport.h"
#include "controls/UiShellCombo.h"
#include "controls/UiShellList.h"
#include "controls/UiThemeSrv.h"
#include "platform/core/ComponentStream.h"
#include "platform/core/FakeControlHost.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/Services.h"

namespace qv {
namespace {

using test::TEnvGuard;
using test::TTempTree;

class ShellList : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUxThemeProvider(nullptr);
    FreeThemeServices();
    ManualUiQueue().Drain();
    SetDialogService(&Dialogs_);
    SetClipboardService(&Clip_);
    T.File("b.mff", "bb");
    T.File("a.mff", "a");
    T.File("notes.txt", "text");
    T.Dir("sub");
    T.Dir("other");
    List.SetClock([this] { return Host.Now(); });
    List.SetViewStyle(vsReport);
    List.Folder().SetPath(T.Root);  // no window yet: nothing happens
    Host.Attach(&List);
    Host.DeliverPosted();  // the fill posted when the window came
  }
  void TearDown() override {
    SetDialogService(nullptr);
    SetClipboardService(nullptr);
    ManualUiQueue().Drain();
  }
  std::vector<std::string> Names() {
    std::vector<std::string> n;
    for (int i = 0; i < List.Items().Count(); ++i) n.push_back(List.ItemText(List.Items()[i], 0));
    return n;
  }
  TListItem* Find(const std::string& name) {
    for (int i = 0; i < List.Items().Count(); ++i)
      if (List.ItemText(List.Items()[i], 0) == name) return &List.Items()[i];
    return nullptr;
  }
  // Waits for the watcher's message and hands it to the list.
  bool DeliverChange(int ms = 10000) {
    if (!ManualUiQueue().WaitPending(ms)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ManualUiQueue().Drain();
    return true;
  }
  void Select(const std::string& name) {
    List.ClearSelection();
    TListItem* i = Find(name);
    ASSERT_NE(i, nullptr) << name;
    i->SetSelected(true);
    i->SetFocused(true);
  }

  TTempTree T;
  TScriptedDialogs Dialogs_;
  TFakeClipboard Clip_;
  TFakeFontService Fonts{7, 14};
  TUiShellList List;
  TFakeControlHost Host{nullptr, 500, 300, &Fonts};
};

TEST_F(ShellList, FillsSortedWithDefaultColumns) {
  EXPECT_EQ(Names(), (std::vector<std::string>{"other", "sub", "a.mff", "b.mff", "notes.txt"}));
  ASSERT_EQ(List.Columns().Count(), 4);
  EXPECT_EQ(List.Columns()[0].Caption(), "Name");
  EXPECT_EQ(List.Columns()[3].Caption(), "Modified");
  EXPECT_EQ(List.ItemText(*Find("b.mff"), 1), "1KB");
  EXPECT_EQ(List.ItemText(*Find("b.mff"), 2), "MFF File");
  EXPECT_EQ(List.ItemImageIndex(*Find("sub")), siFolder);
  EXPECT_EQ(List.FolderPath(), T.Root);
  EXPECT_NE(List.ChangeThread(), nullptr);
  EXPECT_EQ(List.ChangeThread()->WatchCount(), 1);

  List.SetFileFilter("*.mff");
  EXPECT_EQ(Names(), (std::vector<std::string>{"other", "sub", "a.mff", "b.mff"}));
}

TEST_F(ShellList, SortColumnsAndHeaderClicks) {
  List.SetSortColumn(-1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"notes.txt", "b.mff", "a.mff", "sub", "other"}));
  EXPECT_EQ(List.SortArrowColumn(), 0);
  EXPECT_TRUE(List.SortArrowDescending());
  // The same value again does not sort: a moved item stays where it is.
  int compares = 0;
  List.OnCompare = [&](TListItem&, TListItem&, int&) { ++compares; };
  List.SetSortColumn(-1);
  EXPECT_EQ(compares, 0);
  List.OnCompare = nullptr;

  // Header clicks: size, then size again flips the direction.
  const int sizeX = List.Columns()[0].Width() + 5;
  List.MouseDown(mbLeft, ssLeft, sizeX, 5);
  List.MouseUp(mbLeft, 0, sizeX, 5);
  EXPECT_EQ(List.SortColumn(), 2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"other", "sub", "a.mff", "b.mff", "notes.txt"}));
  List.MouseDown(mbLeft, ssLeft, sizeX, 5);
  List.MouseUp(mbLeft, 0, sizeX, 5);
  EXPECT_EQ(List.SortColumn(), -2);
  EXPECT_EQ(Names().front(), "notes.txt");
}

TEST_F(ShellList, ALiveAddAppearsAfterTheHoldBackAndKeepsTheOthers) {
  Select("a.mff");
  TListItem* a = Find("a.mff");
  T.File("new.mff");
  ASSERT_TRUE(DeliverChange());
  ASSERT_TRUE(Host.TimerActive(ShellRefreshTimer));
  EXPECT_EQ(Host.TimerInterval(ShellRefreshTimer), 2000);  // not focused
  Host.Advance(1990);
  EXPECT_EQ(Find("new.mff"), nullptr);
  Host.Advance(10);
  ASSERT_NE(Find("new.mff"), nullptr);
  EXPECT_EQ(Find("a.mff"), a);  // the same item object
  EXPECT_TRUE(a->Selected());
  EXPECT_EQ(Names(), (std::vector<std::string>{"other", "sub", "a.mff", "b.mff", "new.mff",
                                               "notes.txt"}));  // in order

  // Focused: 400 ms. A deletion removes only that item.
  Host.GiveFocus();
  ::unlink(T.Path("b.mff").c_str());
  ASSERT_TRUE(DeliverChange());
  EXPECT_EQ(Host.TimerInterval(ShellRefreshTimer), 400);
  Host.Advance(400);
  EXPECT_EQ(Find("b.mff"), nullptr);
  EXPECT_EQ(Find("a.mff"), a);
}

TEST_F(ShellList, ContinuousChurnStillRefreshes) {
  Host.GiveFocus();
  T.File("early.mff");
  int refreshes = 0;
  List.OnFillComplete = [&] { ++refreshes; };
  // A change every 300 ms would keep restarting a plain 400 ms wait.
  for (int i = 0; i < 3; ++i) {
    List.Posted(WM_SHELL_CHANGE, 0, 0);
    Host.Advance(300);
  }
  EXPECT_EQ(refreshes, 1);  // at 800 ms after the first change
  EXPECT_NE(Find("early.mff"), nullptr);
}

TEST_F(ShellList, ChangesDuringADragWaitForItsEnd) {
  Select("a.mff");
  std::vector<std::string> dragged;
  List.StartDrag = [&](const TShellDataObject& data, TMouseButton) {
    dragged = data.Paths();
    T.File("during.mff");
    List.Posted(WM_SHELL_CHANGE, 0, 0);  // arrives while the drag runs
    EXPECT_TRUE(List.Suspended());
    EXPECT_TRUE(List.FillPending());
    EXPECT_FALSE(Host.TimerActive(ShellRefreshTimer));
    return DROPEFFECT_NONE;
  };
  // A press on the item and a move far enough starts the drag.
  const TRect r = Find("a.mff")->DisplayRect(drLabel);
  List.MouseDown(mbLeft, ssLeft, r.Left + 2, r.Top + 2);
  List.MouseMove(ssLeft, r.Left + 40, r.Top + 30);
  List.MouseUp(mbLeft, 0, r.Left + 40, r.Top + 30);
  EXPECT_EQ(dragged, std::vector<std::string>{T.Path("a.mff")});
  EXPECT_FALSE(List.Suspended());
  EXPECT_NE(Find("during.mff"), nullptr);  // refreshed when the drag ended
}

TEST_F(ShellList, AVanishedFolderMovesToTheNearestParent) {
  const std::string deep = T.Dir("sub/x/y");
  List.Folder().SetPath(deep);
  EXPECT_EQ(List.FolderPath(), deep);
  std::filesystem::remove_all(T.Path("sub/x"));
  List.Refresh();
  EXPECT_EQ(List.FolderPath(), T.Path("sub"));
}

TEST_F(ShellList, OpeningFoldersLinksAndFiles) {
  T.Link(T.Path("other"), "shortcut");
  T.File("other/inside.mff");
  List.Fill();
  int folderChanges = 0;
  List.OnFolderChanged = [&] { ++folderChanges; };

  Select("shortcut");
  List.OpenSelection();
  char* real = ::realpath(T.Path("other").c_str(), nullptr);
  EXPECT_EQ(List.FolderPath(), real);  // the link's target, not the link
  std::free(real);
  EXPECT_EQ(Names(), std::vector<std::string>{"inside.mff"});
  EXPECT_EQ(folderChanges, 1);

  List.Folder().SetPath(T.Root);
  List.SetOptions(List.Options() | SloBit(sloDontChangeFolder));
  Select("sub");
  List.OpenSelection();
  EXPECT_EQ(List.FolderPath(), T.Root);
  List.SetOptions(List.Options() & ~SloBit(sloDontChangeFolder));
  Select("sub");
  List.OpenSelection();
  EXPECT_EQ(List.FolderPath(), T.Path("sub"));
  List.MoveUp(1);
  EXPECT_EQ(List.FolderPath(), T.Root);

  // A file: the handler may take it; else the desktop opener starts.
  const std::string saved = ShellOpenProgram();
  SetShellOpenProgram("false");
  bool asked = false;
  List.OnDblClickOpen = [&](bool& handled) {
    asked = true;
    handled = true;
  };
  Select("a.mff");
  List.OpenSelection();
  EXPECT_TRUE(asked);
  EXPECT_TRUE(Dialogs_.Log().empty());
  List.OnDblClickOpen = nullptr;
  List.OpenSelection();
  // The opener runs on its own: its failure is told once it has ended.
  for (int i = 0; i < 100 && Dialogs_.Log().empty(); ++i)
    if (ManualUiQueue().WaitPending(200)) ManualUiQueue().Drain();
  ASSERT_EQ(Dialogs_.Log().size(), 1u);
  EXPECT_EQ(Dialogs_.Log()[0].Text,
            "There is no application associated with the given filename extension.");
  SetShellOpenProgram(saved);
}

TEST_F(ShellList, DefaultKeys) {
  int edits = 0;
  std::string editText;
  List.LabelEditor = [&](const TRect&, const std::string& text) {
    ++edits;
    editText = text;
  };
  int key = 'A';
  List.KeyDown(key, ssCtrl);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(static_cast<int>(List.SelectedItems().size()), List.Items().Count());

  Select("a.mff");
  key = VK_F1 + 1;
  List.KeyDown(key, 0);
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(editText, "a.mff");
  List.EndLabelEdit(false, "");

  int fills = 0;
  List.OnFillStart = [&] { ++fills; };
  key = VK_F1 + 4;
  List.KeyDown(key, 0);
  EXPECT_EQ(fills, 1);

  // Without default key handling the table does nothing.
  List.SetOptions(List.Options() & ~SloBit(sloDefaultKeyHandling));
  key = VK_F1 + 4;
  List.KeyDown(key, 0);
  EXPECT_EQ(fills, 1);
}

TEST_F(ShellList, RenamingInPlace) {
  Select("a.mff");
  TListItem* a = Find("a.mff");
  ASSERT_TRUE(List.InvokeVerb("rename"));
  List.EndLabelEdit(true, "renamed.mff");
  EXPECT_TRUE(std::filesystem::exists(T.Path("renamed.mff")));
  EXPECT_EQ(Find("renamed.mff"), a);
  EXPECT_EQ(List.ItemData(*a)->Path(), T.Path("renamed.mff"));
  // The change the rename caused finds nothing to do.
  List.Refresh();
  EXPECT_EQ(Find("renamed.mff"), a);

  // Onto a taken name: nothing is replaced, the old name comes back.
  ASSERT_TRUE(List.EditCaption(*a));
  List.EndLabelEdit(true, "b.mff");
  EXPECT_EQ(readFileBytes(T.Path("b.mff")), "bb");
  EXPECT_EQ(List.ItemText(*a, 0), "renamed.mff");
  ASSERT_EQ(Dialogs_.Log().size(), 1u);
  EXPECT_EQ(Dialogs_.Log()[0].Text, "Cannot rename \"renamed.mff\": " + SysErrorMessage(EEXIST));

  // A refresh asked for during the edit runs when it ends.
  T.File("meanwhile.mff");
  ASSERT_TRUE(List.EditCaption(*a));
  List.Refresh();
  EXPECT_TRUE(List.FillPending());
  EXPECT_EQ(Find("meanwhile.mff"), nullptr);
  List.EndLabelEdit(false, "");
  Host.Advance(300);
  EXPECT_NE(Find("meanwhile.mff"), nullptr);
}

// Double clicks as the window delivers them (press, release, a second
// press with ssDouble and DblClick, release) open the item and never start
// renaming: not the opened file, not the item that lies under the pointer
// once a folder has opened, not on the first click in the new folder.
TEST_F(ShellList, DoubleClicksOpenWithoutRenaming) {
  for (const char* name : {"one.mff", "two.mff", "three.mff", "four.mff", "five.mff", "six.mff"})
    T.File(std::string("sub/") + name);
  List.Fill();
  auto labelPoint = [&](const std::string& name) {
    TListItem* i = Find(name);
    EXPECT_NE(i, nullptr) << name;
    const TRect r = i ? i->DisplayRect(drLabel) : TRect();
    return TPoint(r.Left + 3, (r.Top + r.Bottom) / 2);
  };
  auto click = [&](TPoint p, TShiftState extra = 0) {
    List.MouseDown(mbLeft, ssLeft | extra, p.X, p.Y);
    if (extra & ssDouble) List.DblClick();
    List.MouseUp(mbLeft, 0, p.X, p.Y);
  };
  auto doubleClick = [&](TPoint p) {
    click(p);
    click(p, ssDouble);
  };
  bool opened = false;
  List.OnDblClickOpen = [&](bool& handled) {
    opened = true;
    handled = true;
  };

  // A folder: the list shows its items, none of them is being renamed.
  const TPoint onSub = labelPoint("sub");
  Select("sub");
  doubleClick(onSub);
  ASSERT_EQ(List.FolderPath(), T.Path("sub"));
  ASSERT_GE(List.ItemAt(onSub.X, onSub.Y), 0);  // an item lies under the pointer
  Host.Advance(2000);
  EXPECT_FALSE(List.IsEditing());
  // The first click in the new folder selects; it does not rename.
  click(onSub);
  Host.Advance(2000);
  EXPECT_FALSE(List.IsEditing());

  // A file, selected before or not: opened through the handler, not renamed.
  List.Folder().SetPath(T.Root);
  for (bool selectedBefore : {false, true}) {
    SCOPED_TRACE(selectedBefore ? "selected before" : "not selected before");
    opened = false;
    List.ClearSelection();
    if (selectedBefore) Select("a.mff");
    doubleClick(labelPoint("a.mff"));
    EXPECT_TRUE(opened);
    Host.Advance(2000);
    EXPECT_FALSE(List.IsEditing());
  }
  EXPECT_TRUE(std::filesystem::exists(T.Path("a.mff")));

  // The list's own rule still holds: a slow second click renames.
  const TPoint onB = labelPoint("b.mff");
  click(onB);
  Host.Advance(1000);
  click(onB);
  Host.Advance(1000);
  EXPECT_TRUE(List.IsEditing());
  List.EndLabelEdit(false, "");
}

TEST_F(ShellList, ContextMenuClipboardAndTrash) {
  TEnvGuard data("XDG_DATA_HOME", T.Path("xdg"));
  std::vector<TUiShellMenuItem> shown;
  int answer = smCopy;
  List.ShowMenu = [&](const std::vector<TUiShellMenuItem>& items, int, int) {
    shown = items;
    return answer;
  };
  const TRect r = Find("a.mff")->DisplayRect(drIcon);
  List.MouseDown(mbRight, ssRight, r.Left + 2, r.Top + 2);
  List.MouseUp(mbRight, 0, r.Left + 2, r.Top + 2);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].Caption, "&Open");
  EXPECT_TRUE(shown[0].Default);
  EXPECT_EQ(shown.back().Caption, "Move to &Trash");
  std::vector<std::string> paths;
  bool cut = true;
  ASSERT_TRUE(GetShellClipboard(paths, cut));
  EXPECT_EQ(paths, std::vector<std::string>{T.Path("a.mff")});
  EXPECT_FALSE(cut);

  // Paste in another folder copies; pasting again does not replace.
  List.Folder().SetPath(T.Path("other"));
  int key = 'V';
  List.KeyDown(key, ssCtrl);
  List.KeyDown(key = 'V', ssCtrl);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a (2).mff", "a.mff"}));

  // Move to Trash from the menu.
  answer = smTrash;
  Select("a.mff");
  List.KeyDown(key = VK_APPS, 0);  // the menu key
  EXPECT_EQ(Names(), std::vector<std::string>{"a (2).mff"});
  EXPECT_TRUE(std::filesystem::exists(T.Path("xdg/Trash/info/a.mff.trashinfo")));

  // Without sloContextMenus the list's own popup menu is used.
  List.SetOptions(List.Options() & ~SloBit(sloContextMenus));
  shown.clear();
  List.KeyDown(key = VK_APPS, 0);  // the menu key
  EXPECT_TRUE(shown.empty());
}

TEST_F(ShellList, DropsCopyOrMoveWithoutReplacing) {
  TTempTree outside;
  outside.File("x.mff", "dropped");
  outside.File("a.mff", "other a");
  // Onto the folder item "sub": moved there (same file system).
  const TRect sub = Find("sub")->DisplayRect(drLabel);
  EXPECT_EQ(List.DragOver({outside.Path("x.mff")}, sub.Left + 2, sub.Top + 2, 0), DROPEFFECT_MOVE);
  EXPECT_EQ(List.DropTarget(), Find("sub"));
  EXPECT_EQ(List.Drop({outside.Path("x.mff")}, sub.Left + 2, sub.Top + 2, 0), DROPEFFECT_MOVE);
  EXPECT_EQ(List.DropTarget(), nullptr);
  EXPECT_EQ(readFileBytes(T.Path("sub/x.mff")), "dropped");
  EXPECT_FALSE(std::filesystem::exists(outside.Path("x.mff")));

  // Onto empty space with Ctrl: copied into the shown folder, next to the
  // item of the same name.
  EXPECT_EQ(List.Drop({outside.Path("a.mff")}, 450, 280, ssCtrl), DROPEFFECT_COPY);
  EXPECT_EQ(readFileBytes(T.Path("a.mff")), "a");
  EXPECT_EQ(readFileBytes(T.Path("a (2).mff")), "other a");
  EXPECT_NE(Find("a (2).mff"), nullptr);

  // Items already in the folder go nowhere.
  EXPECT_EQ(List.DragOver({T.Path("a.mff")}, 450, 280, 0), DROPEFFECT_NONE);
  List.DragLeave();
  List.SetOptions(List.Options() & ~SloBit(sloOleDrop));
  EXPECT_EQ(List.DragOver({outside.Path("a.mff")}, 450, 280, 0), DROPEFFECT_NONE);
}

TEST_F(ShellList, ColumnWidthsFollowAcrossFolders) {
  TShellListColumns::ClearSavedWidths();
  List.Fill();
  List.Columns()[0].SetWidth(333);
  List.Folder().SetPath(T.Path("other"));
  EXPECT_EQ(List.Columns()[0].Width(), 333);
  TShellListColumns::ClearSavedWidths();
}

TEST_F(ShellList, TheComputerListsMountsAndFollowsThem) {
  test::TMountGuard mounts(T.File("mountinfo", ""));
  TUiDeviceChangeHandler::Instance().CheckMounts();
  List.Folder().SetPidl(TPidl::Empty().Get());
  List.Folder().SetSpecialFolder(CSIDL_DRIVES);
  const std::size_t before = Names().size();
  ASSERT_GE(before, 1u);
  EXPECT_EQ(List.Columns()[1].Caption(), "Type");  // the Computer's own columns
  T.File("mountinfo", "50 27 8:33 / /media/u/CARD rw - exfat /dev/sdc1 rw\n");
  TUiDeviceChangeHandler::Instance().CheckMounts();
  EXPECT_EQ(Names().size(), before + 1);
  EXPECT_EQ(Names().back(), "CARD");
}

TEST_F(ShellList, PaintsWithTheDropTargetFramed) {
  TRecordingCanvas c;
  const TRect sub = Find("sub")->DisplayRect(drLabel);
  List.DragOver({T.Path("a.mff")}, sub.Left + 2, sub.Top + 2, 0);
  List.Paint(c, TRect(0, 0, 500, 300));
  EXPECT_NE(c.Log().find("Rectangle"), std::string::npos);
  List.DragLeave();
}

TEST_F(ShellList, StreamedPropertiesKeepTheFolderOnlyWhenUnlinked) {
  TUiShellList::ClassInfo();
  List.SetFileFilter("*.mff");
  TMemoryStream ms;
  TWriter(ms).WriteRootComponent(MakeObjectRef(&List));
  EXPECT_NE(ms.Bytes().find("Folder.Pidl"), std::string::npos);
  EXPECT_NE(ms.Bytes().find("FileFilter"), std::string::npos);

  TUiShellList back;
  ms.SetPosition(0);
  TReader(ms).ReadRootComponent(MakeObjectRef(&back));
  EXPECT_EQ(back.FolderPath(), T.Root);
  EXPECT_EQ(back.FileFilter(), "*.mff");
  EXPECT_EQ(back.Options(), List.Options());

  TUiShellCombo combo;
  combo.SetShellList(&List);
  TMemoryStream linked;
  TWriter(linked).WriteRootComponent(MakeObjectRef(&List));
  EXPECT_EQ(linked.Bytes().find("Folder.Pidl"), std::string::npos);
  combo.SetShellList(nullptr);
}

TEST(ShellListLifetime, DestroyedWithChangesInFlight) {
  TTempTree t;
  TFakeFontService fonts{7, 14};
  for (int round = 0; round < 5; ++round) {
    auto list = std::make_unique<TUiShellList>();
    TFakeControlHost host(list.get(), 300, 200, &fonts);
    list->Folder().SetPath(t.Root);
    t.File("f" + std::to_string(round));
    ManualUiQueue().WaitPending(500);
    host.Attach(nullptr);
    list.reset();  // queued calls for it are dropped
    ManualUiQueue().Drain();
  }
}

}  // namespace
}  // namespace qv
