// What the shell list admits and in which order, the differential refresh,
// the item texts, the columns and the hold-back of change refreshes.
#include <gtest/gtest.h>

#include <algorithm>

#include "ShellTestSupport.h"
#include "controls/UiShellListModel.h"
#include "controls/UiShellWatch.h"
#include "platform/core/IniFiles.h"

namespace qv {
namespace {

using test::TEnvGuard;
using test::TTempTree;

std::vector<std::string> namesOf(const std::vector<std::unique_ptr<TUiShellListData>>& items) {
  std::vector<std::string> n;
  for (const auto& i : items) n.push_back(i->DisplayName());
  return n;
}

std::vector<std::string> sortedNames(const std::vector<std::unique_ptr<TUiShellListData>>& items) {
  std::vector<std::string> n = namesOf(items);
  std::sort(n.begin(), n.end());
  return n;
}

class ListContents : public ::testing::Test {
 protected:
  void SetUp() override {
    T.File("a.mff");
    T.File("B.MFF");
    T.File("notes.txt");
    T.File("data.csv");
    T.File(".hidden.mff");
    T.Dir("folder");
  }
  std::vector<std::unique_ptr<TUiShellListData>> fill(const std::string& filter) {
    C.SetFileFilter(filter);
    C.Bind(T.Pidl().Get());
    return C.Fill();
  }
  TTempTree T;
  TShellListContents C;
};

TEST_F(ListContents, FileFilters) {
  struct TCase {
    const char* Filter;
    std::vector<std::string> Shown;
  };
  const TCase cases[] = {
      {"*.mff", {".hidden.mff", "B.MFF", "a.mff", "folder"}},
      {"*", {".hidden.mff", "B.MFF", "a.mff", "data.csv", "folder", "notes.txt"}},
      {"*.*", {".hidden.mff", "B.MFF", "a.mff", "data.csv", "folder", "notes.txt"}},
      {"", {".hidden.mff", "B.MFF", "a.mff", "data.csv", "folder", "notes.txt"}},
      {"*.mff;*.txt", {".hidden.mff", "B.MFF", "a.mff", "folder", "notes.txt"}},
      {";*.csv;;", {"data.csv", "folder"}},
      {"*.xyz", {"folder"}},
  };
  for (const TCase& c : cases) EXPECT_EQ(sortedNames(fill(c.Filter)), c.Shown) << c.Filter;
  C.SetFileFilter(" *.a ; ;*.b;");
  EXPECT_EQ(C.Masks(), (std::vector<std::string>{"*.a", "*.b"}));
}

TEST_F(ListContents, OptionsAndTheAddItemEvent) {
  C.Options &= ~SloBit(sloShowHidden);
  EXPECT_EQ(sortedNames(fill("*.mff")), (std::vector<std::string>{"B.MFF", "a.mff", "folder"}));

  C.Options |= SloBit(sloHideFoldersWhenLinkedToTree);
  EXPECT_EQ(sortedNames(fill("*.mff")).size(), 3u);  // no tree linked: folders stay
  C.LinkedToTree = true;
  EXPECT_EQ(sortedNames(fill("*.mff")), (std::vector<std::string>{"B.MFF", "a.mff"}));
  C.LinkedToTree = false;

  int asked = 0;
  C.OnAddItem = [&](TShellFolder& parent, PCItemIDList parentAbs, PCItemIDList rel,
                    std::uint32_t attrs, bool& allow) {
    ++asked;
    EXPECT_EQ(parentAbs, C.FolderPidl().Get());
    EXPECT_NE(attrs & SFGAO_FILESYSTEM, 0u);
    allow = parent.GetDisplayNameOf(rel, SHGDN_INFOLDER) != "a.mff";
  };
  EXPECT_EQ(sortedNames(fill("*.mff")), (std::vector<std::string>{"B.MFF", "folder"}));
  EXPECT_EQ(asked, 3);  // only items still allowed are asked
}

TEST_F(ListContents, SortColumnsAndDirection) {
  T.File("big.mff", std::string(5000, 'x'));
  T.File("a.mff", "x");
  auto items = fill("*");
  C.Sort(items, 1);
  EXPECT_EQ(namesOf(items), (std::vector<std::string>{"folder", ".hidden.mff", "a.mff", "B.MFF",
                                                      "big.mff", "data.csv", "notes.txt"}));
  C.Sort(items, -1);
  EXPECT_EQ(namesOf(items).front(), "notes.txt");
  EXPECT_EQ(namesOf(items).back(), "folder");
  C.Sort(items, 2);  // size: folders first, then by size, then name
  const auto bySize = namesOf(items);
  EXPECT_EQ(bySize.front(), "folder");
  EXPECT_EQ(bySize.back(), "big.mff");
}

TEST_F(ListContents, RefreshKeepsUnchangedItems) {
  auto items = fill("*");
  std::vector<const TUiShellListData*> current;
  for (const auto& i : items) current.push_back(i.get());

  TShellListContents::TRefresh r = C.Refresh(current);
  EXPECT_TRUE(r.Removed.empty());
  EXPECT_TRUE(r.Added.empty());

  T.File("new.mff");
  ::unlink(T.Path("notes.txt").c_str());
  r = C.Refresh(current);
  ASSERT_EQ(r.Added.size(), 1u);
  EXPECT_EQ(r.Added[0]->DisplayName(), "new.mff");
  ASSERT_EQ(r.Removed.size(), 1u);
  EXPECT_EQ(current[static_cast<std::size_t>(r.Removed[0])]->DisplayName(), "notes.txt");

  // New items pass the same admission as a fill.
  C.SetFileFilter("*.mff");
  T.File("more.txt");
  T.File("more.mff");
  r = C.Refresh(current);
  std::vector<std::string> added;
  for (const auto& a : r.Added) added.push_back(a->DisplayName());
  std::sort(added.begin(), added.end());
  EXPECT_EQ(added, (std::vector<std::string>{"more.mff", "new.mff"}));
}

TEST_F(ListContents, BindingFailuresAndVanishedFolders) {
  const TPidl gone = T.Pidl("folder");
  ::rmdir(T.Path("folder").c_str());
  try {
    C.Bind(gone.Get());
    FAIL();
  } catch (const EUiShellError& e) {
    EXPECT_EQ(e.Message(), SysErrorMessage(ENOENT));
  }
  EXPECT_EQ(TShellListContents::NearestExistingFolder(gone.Get()), T.Pidl());
  EXPECT_EQ(TShellListContents::NearestExistingFolder(nullptr), TPidl::Empty());

  C.Bind(T.Pidl().Get());
  std::filesystem::remove_all(T.Root);
  EXPECT_THROW(C.Fill(), EUiShellError);
}

TEST(ShellListTexts, DefaultColumnTexts) {
  struct TCase {
    std::int64_t Bytes;
    const char* Text;
  };
  for (const TCase& c : {TCase{0, "0KB"}, TCase{1, "1KB"}, TCase{1024, "1KB"}, TCase{1025, "2KB"},
                         TCase{5000000, "4,883KB"}})
    EXPECT_EQ(ShellSizeText(c.Bytes), c.Text) << c.Bytes;
  EXPECT_EQ(ShellTimeText(0), "");

  TTempTree t;
  t.File("m.mff", std::string(1025, 'x'));
  t.Dir("f");
  TShellListContents c;
  c.Bind(t.Pidl().Get());
  auto items = c.Fill();
  c.Sort(items, 1);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->ColumnText(1, nullptr), "");
  EXPECT_EQ(items[0]->ColumnText(2, nullptr), "File Folder");
  EXPECT_EQ(items[1]->ColumnText(0, nullptr), "m.mff");
  EXPECT_EQ(items[1]->ColumnText(1, nullptr), "2KB");
  EXPECT_EQ(items[1]->ColumnText(2, nullptr), "MFF File");
  EXPECT_FALSE(items[1]->ColumnText(3, nullptr).empty());
  EXPECT_EQ(items[1]->ColumnText(4, nullptr), "");
  EXPECT_EQ(items[1]->ImageIndex(), siModel);
  EXPECT_EQ(items[0]->ImageIndex(), siFolder);
  EXPECT_EQ(items[1]->Path(), t.Path("m.mff"));
  EXPECT_TRUE(items[1]->CanRename());
}

TEST(ShellListColumnsTest, DefaultRegistryAndSavedWidths) {
  TTempTree t;
  TEnvGuard config("XDG_CONFIG_HOME", t.Path("config"));
  TShellListColumns::ClearSavedWidths();

  auto widths = [](const std::vector<TShellListColumn>& cols) {
    std::vector<int> w;
    for (const auto& c : cols) w.push_back(c.Width);
    return w;
  };
  std::vector<TShellListColumn> cols = TShellListColumns::Build(nullptr, true);
  ASSERT_EQ(cols.size(), 4u);
  EXPECT_EQ(cols[0].Caption, "Name");
  EXPECT_EQ(cols[1].Caption, "Size");
  EXPECT_EQ(cols[1].Alignment, LVCFMT_RIGHT);
  EXPECT_EQ(cols[2].Caption, "Type");
  EXPECT_EQ(cols[3].Caption, "Modified");
  EXPECT_EQ(widths(cols), (std::vector<int>{200, 60, 100, 120}));

  // The user widened "Name" in one file-system folder: the next keeps it.
  TShellListColumns::SaveWidths({321, 60, 100, 120});
  EXPECT_EQ(widths(TShellListColumns::Build(nullptr, true)), (std::vector<int>{321, 60, 100, 120}));
  // Saved widths of a longer set reach only the columns that exist.
  TShellListColumns::SaveWidths({1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(widths(TShellListColumns::Build(nullptr, true)), (std::vector<int>{1, 2, 3, 4}));

  // The registry value gives the widths, and a new value wins over saved ones.
  TShellListColumns::SaveWidths({321, 60, 100, 120});
  {
    TRegistryStore reg;
    ASSERT_TRUE(reg.OpenKey(TShellListColumns::kExplorerKey, true));
    reg.WriteBinaryData(TShellListColumns::kDirectoryCols,
                        std::string("\x96\x00\x32\x00\x50\x00\x64\x00", 8));
  }
  EXPECT_EQ(widths(TShellListColumns::Build(nullptr, true)), (std::vector<int>{150, 50, 80, 100}));
  EXPECT_EQ(widths(TShellListColumns::Build(nullptr, true)), (std::vector<int>{321, 60, 100, 120}));
  {
    TRegistryStore reg;
    ASSERT_TRUE(reg.OpenKey(TShellListColumns::kExplorerKey, true));
    reg.WriteBinaryData(TShellListColumns::kDirectoryCols, std::string(24, '\x10'));  // too long
  }
  EXPECT_EQ(widths(TShellListColumns::Build(nullptr, true)), (std::vector<int>{200, 60, 100, 120}));

  // A folder with details: its captions at 7 pixels per character.
  TShellListColumns::ClearSavedWidths();
  TShellDetailsPtr details = FolderDetails(DesktopFolder());
  cols = TShellListColumns::Build(details.get(), false);
  ASSERT_EQ(cols.size(), 4u);
  EXPECT_EQ(cols[2].Caption, "Total Size");
  EXPECT_EQ(cols[2].Alignment, LVCFMT_RIGHT);
  EXPECT_EQ(cols[0].Width, 140);
  TShellListColumns::ClearSavedWidths();
}

TEST(ShellHoldBack, BurstsWaitAndChurnStillRefreshes) {
  TShellRefreshHoldBack h;
  EXPECT_FALSE(h.Pending());
  EXPECT_EQ(h.Change(1000, true), 400);
  EXPECT_TRUE(h.Pending());
  EXPECT_EQ(h.Change(1300, true), 400);  // a burst restarts the wait
  EXPECT_EQ(h.Change(1600, true), 200);  // but never past 800 ms after the first
  EXPECT_EQ(h.Change(1900, true), 0);
  h.Reset();
  EXPECT_EQ(h.Change(5000, false), 2000);
  EXPECT_EQ(h.Change(8000, false), 1000);
}

}  // namespace
}  // namespace qv
