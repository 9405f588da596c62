// Shell list operations without a window: the key table and its text
// parser, the data of drags and the clipboard, copy and move without
// replacing, the trash with its info files, and opening files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ShellTestSupport.h"
#include "controls/UiShellOps.h"
#include "platform/core/Classes.h"
#include "platform/core/IniFiles.h"
#include "platform/core/Services.h"
#include "platform/core/ThreadPost.h"

namespace qv {
namespace {

using test::TEnvGuard;
using test::TTempTree;

TEST(ShellKeys, ShortCutTexts) {
  struct TCase {
    const char* Text;
    TShortCut Expected;
  };
  const TCase cases[] = {
      {"shift+ctrl+del", static_cast<TShortCut>(scShift | scCtrl | 46)},
      {"Ctrl+Q", static_cast<TShortCut>(scCtrl | 'Q')},
      {"^c", static_cast<TShortCut>(scCtrl | 'C')},
      {"Alt+Shift+F24", static_cast<TShortCut>(scAlt | scShift | 135)},
      {"Enter", 13},
      {"pgdn", 34},
      {"0", '0'},  // the digit key comes before the number pad
      {"#300", 300},
      {"Foo", 0},
      {"Ctrl+", 0},
      {"", 0},
  };
  constexpr TShortCutTexts shell = TShortCutTexts::Shell;
  for (const TCase& c : cases) EXPECT_EQ(TextToShortCut(c.Text, shell), c.Expected) << c.Text;
  EXPECT_EQ(ShortCutToText(scAlt | scCtrl | scShift | 116, shell), "Shift+Ctrl+Alt+F5");
  EXPECT_EQ(ShortCutToText(scCtrl | 100, shell), "Ctrl+4");  // number pad 4
  EXPECT_EQ(ShortCutToText(TextToShortCut("Ctrl+V", shell), shell), "Ctrl+V");
}

TEST(ShellKeys, TableRows) {
  EXPECT_STREQ(ShellKeyTable()[skSelectAll].Text, "Ctrl+A");
  EXPECT_STREQ(ShellKeyTable()[skDelete].Text, "Del");
  EXPECT_STREQ(ShellKeyTable()[skRename].Text, "F2");
  EXPECT_EQ(FindShellKeyCommand('A', ssCtrl), skSelectAll);
  EXPECT_EQ(FindShellKeyCommand(VK_DELETE, 0), skDelete);
  EXPECT_EQ(FindShellKeyCommand('C', ssCtrl), skCopy);
  EXPECT_EQ(FindShellKeyCommand('X', ssCtrl), skCut);
  EXPECT_EQ(FindShellKeyCommand('V', ssCtrl), skPaste);
  EXPECT_EQ(FindShellKeyCommand(VK_F1 + 4, 0), skRefresh);
  EXPECT_EQ(FindShellKeyCommand(VK_F1 + 1, 0), skRename);
  EXPECT_EQ(FindShellKeyCommand('A', 0), -1);
  EXPECT_EQ(FindShellKeyCommand(VK_DELETE, ssShift), -1);
}

TEST(ShellData, IdListArrayLayoutAndDamage) {
  const TPidl folder =
      JoinPidls(MakeRootId(kRootFileSystem, "/").Get(), MakeFileId("F", true, false).Get());
  const std::vector<TPidl> items{MakeFileId("a.mff", false, false), MakeFileId("b", true, false)};
  const std::string block = BuildIdListArray(folder.Get(), items);
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(block[at]) |
                                      static_cast<unsigned char>(block[at + 1]) << 8);
  };
  EXPECT_EQ(u32(0), 2u);
  EXPECT_EQ(u32(4), 16u);  // count and three offsets
  EXPECT_EQ(block.substr(16, folder.Size()), folder.Bytes());
  EXPECT_EQ(u32(8), 16u + folder.Size());
  EXPECT_EQ(block.substr(u32(12)), items[1].Bytes());

  TPidl f;
  std::vector<TPidl> back;
  ASSERT_TRUE(ParseIdListArray(block, f, back));
  EXPECT_EQ(f, folder);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0], items[0]);
  EXPECT_EQ(AbsoluteItemsOfIdListArray(block)[1], JoinPidls(folder.Get(), items[1].Get()));

  // The desktop as the folder is the empty list.
  EXPECT_EQ(BuildIdListArray(nullptr, {}).substr(8), TPidl::Empty().Bytes());

  std::string badCount = block;
  badCount[0] = '\x7F';
  std::string badOffset = block;
  badOffset[8] = '\xF0';
  std::string badList = block;
  badList[16] = '\x7F';
  for (const std::string& b : {std::string(), block.substr(0, 7), badCount, badOffset, badList,
                               block.substr(0, block.size() - 1)}) {
    EXPECT_FALSE(ParseIdListArray(b, f, back));
    EXPECT_TRUE(back.empty());
  }
}

TEST(ShellData, UriLists) {
  const std::vector<std::string> paths{"/tmp/a b.txt", "/tmp/caf\xE9", "/x/100%"};
  const std::string text = BuildUriList(paths);
  EXPECT_EQ(text, "file:///tmp/a%20b.txt\r\nfile:///tmp/caf%E9\r\nfile:///x/100%25\r\n");
  EXPECT_EQ(ParseUriList(text), paths);
  EXPECT_EQ(ParseUriList("# comment\nhttp://example.org/x\nfile://localhost/etc/hosts\n"
                         "file://otherhost/etc/passwd\nfile:///bad%zz\nfile:///nul%00\nfile:///ok"),
            (std::vector<std::string>{"/etc/hosts", "/ok"}));
}

TEST(ShellData, DataObjectFormats) {
  TTempTree t;
  t.File("a.mff");
  TShellDataObject data(t.Pidl().Get(), {MakeFileId("a.mff", false, false)});
  EXPECT_TRUE(data.QueryGetData(CFSTR_SHELLIDLIST));
  EXPECT_TRUE(data.QueryGetData(CFSTR_URILIST));
  EXPECT_FALSE(data.QueryGetData("CF_TEXT"));
  EXPECT_EQ(data.GetData("CF_TEXT"), "");
  EXPECT_EQ(data.Paths(), std::vector<std::string>{t.Path("a.mff")});
  EXPECT_EQ(ParseUriList(data.GetData(CFSTR_URILIST)), data.Paths());

  // The desktop's own items have no paths to drop as files.
  std::vector<TPidl> roots;
  DesktopFolder()->EnumObjects(SHCONTF_FOLDERS, roots);
  TShellDataObject virt(nullptr, {});
  EXPECT_TRUE(virt.Formats().empty());
}

TEST(ShellFileOps, CopyAndMoveNeverReplace) {
  TTempTree t;
  t.File("src/a.txt", "new");
  t.File("dst/a.txt", "keep");
  t.Dir("src/folder/inner");
  t.File("src/folder/inner/f", "deep");
  t.Link("inner", "src/folder/ln");

  TShellOpResult r = TransferItems({t.Path("src/a.txt")}, t.Path("dst"), false);
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(r.Created, std::vector<std::string>{t.Path("dst/a (2).txt")});
  EXPECT_EQ(readFileBytes(t.Path("dst/a.txt")), "keep");
  EXPECT_EQ(readFileBytes(t.Path("dst/a (2).txt")), "new");

  // A copy into its own folder gets the next free name too.
  r = TransferItems({t.Path("src/a.txt")}, t.Path("src"), false);
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Created, std::vector<std::string>{t.Path("src/a (2).txt")});

  r = TransferItems({t.Path("src/folder")}, t.Path("dst"), false);
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(readFileBytes(t.Path("dst/folder/inner/f")), "deep");
  EXPECT_TRUE(std::filesystem::is_symlink(t.Path("dst/folder/ln")));
  EXPECT_EQ(std::filesystem::read_symlink(t.Path("dst/folder/ln")), "inner");

  // No temporary copies remain.
  for (const auto& e : std::filesystem::directory_iterator(t.Path("dst")))
    EXPECT_EQ(e.path().filename().native().rfind(".qv-copy", 0), std::string::npos);

  r = TransferItems({t.Path("src/a.txt")}, t.Path("dst"), true);
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Created, std::vector<std::string>{t.Path("dst/a (3).txt")});
  EXPECT_FALSE(std::filesystem::exists(t.Path("src/a.txt")));

  // Moving into the same folder does nothing.
  r = TransferItems({t.Path("dst/a (3).txt")}, t.Path("dst"), true);
  EXPECT_TRUE(r.Ok);
  EXPECT_TRUE(r.Created.empty());
  EXPECT_TRUE(std::filesystem::exists(t.Path("dst/a (3).txt")));

  // A folder never goes into itself.
  r = TransferItems({t.Path("src/folder")}, t.Path("src/folder/inner"), true);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message,
            "Cannot move \"folder\": The destination folder is inside the source folder.");
  EXPECT_TRUE(std::filesystem::exists(t.Path("src/folder/inner/f")));

  r = TransferItems({t.Path("src/missing")}, t.Path("dst"), false);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message, "Cannot copy \"missing\": " + SysErrorMessage(ENOENT));
}

TEST(ShellFileOps, TrashWritesInfoFiles) {
  TTempTree t;
  TEnvGuard data("XDG_DATA_HOME", t.Path("data"));
  t.File("work/my file.mff", "model");
  t.Dir("work/folder");
  TShellOpResult r = MoveToTrash({t.Path("work/my file.mff"), t.Path("work/folder")});
  ASSERT_TRUE(r.Ok) << r.Message;
  const std::string trash = t.Path("data/Trash");
  EXPECT_EQ(HomeTrashDir(), trash);
  EXPECT_FALSE(std::filesystem::exists(t.Path("work/my file.mff")));
  EXPECT_EQ(readFileBytes(trash + "/files/my file.mff"), "model");
  EXPECT_TRUE(std::filesystem::is_directory(trash + "/files/folder"));
  const std::string info = readFileBytes(trash + "/info/my file.mff.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + t.Path("work/my%20file.mff") + "\nDeletionDate=", 0),
            0u)
      << info;
  EXPECT_EQ(info.size(),
            std::string("[Trash Info]\nPath=\nDeletionDate=2024-01-01T00:00:00\n").size() +
                t.Path("work/my%20file.mff").size());

  // A second item of the same name gets a name of its own.
  t.File("work/my file.mff", "second");
  r = MoveToTrash({t.Path("work/my file.mff")});
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Created, std::vector<std::string>{trash + "/files/my file.mff.2"});
  EXPECT_TRUE(std::filesystem::exists(trash + "/info/my file.mff.2.trashinfo"));
  EXPECT_EQ(readFileBytes(trash + "/files/my file.mff"), "model");

  r = MoveToTrash({t.Path("work/none")});
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message, "Cannot move \"none\" to the trash: " + SysErrorMessage(ENOENT));
}

// The code comes at once: the checks of the file and folder, whether the
// opener started. How the opener ended comes later, on the UI thread: its
// status 2 as "file not found", any other failure as "no application".
TEST(ShellFileOps, OpenWithTheDesktopOpener) {
  TTempTree t;
  const std::string file = t.File("x.txt");
  struct TCase {
    const char* Program;
    std::string File;
    std::string Folder;
    int Code;
    int Late;  // the code reported when the opener has ended; 0: none
  };
  const std::string exit2 = std::string(QV_TEST_DATA_DIR) + "/opener-exit2.sh";
  const TCase cases[] = {
      {"true", file, "", 42, 0},
      {"true", file, t.Root, 42, 0},
      {"false", file, "", 42, 31},
      {"/nonexistent/opener", file, "", 31, 0},
      {exit2.c_str(), file, "", 42, 2},
      {"true", t.Path("missing.txt"), "", 2, 0},
      {"true", t.Path("missing/x.txt"), "", 3, 0},
      {"true", file, t.Path("nofolder"), 3, 0},
  };
  const std::string saved = ShellOpenProgram();
  ManualUiQueue().Drain();
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Program) + " " + c.File);
    SetShellOpenProgram(c.Program);
    std::vector<int> late;
    EXPECT_EQ(ShellExecuteOpen(c.File, c.Folder, [&](int code) { late.push_back(code); }), c.Code);
    if (c.Late != 0) {
      ASSERT_TRUE(ManualUiQueue().WaitPending(20000));
      ManualUiQueue().Drain();
      EXPECT_EQ(late, std::vector<int>{c.Late});
    }
  }
  SetShellOpenProgram(saved);
  EXPECT_EQ(ShellExecuteErrorMessage(2), "The specified file was not found.");
  EXPECT_EQ(ShellExecuteErrorMessage(31),
            "There is no application associated with the given filename extension.");
  EXPECT_EQ(ShellExecuteErrorMessage(42), "");
  EXPECT_EQ(ShellExecuteErrorMessage(4), "");
}

TEST(ShellFileOps, ClipboardCarriesItemsAndTheCut) {
  TTempTree t;
  t.File("a");
  t.File("b");
  TFakeClipboard clip;
  SetClipboardService(&clip);
  TShellDataObject data(t.Pidl().Get(),
                        {MakeFileId("a", false, false), MakeFileId("b", false, false)});
  SetShellClipboard(data, true);
  std::vector<std::string> paths;
  bool cut = false;
  ASSERT_TRUE(GetShellClipboard(paths, cut));
  EXPECT_TRUE(cut);
  EXPECT_EQ(paths, (std::vector<std::string>{t.Path("a"), t.Path("b")}));
  EXPECT_EQ(clip.AsText(), t.Path("a") + "\n" + t.Path("b") + "\n");
  SetShellClipboard(data, false);
  ASSERT_TRUE(GetShellClipboard(paths, cut));
  EXPECT_FALSE(cut);
  clip.SetText("just text");
  EXPECT_FALSE(GetShellClipboard(paths, cut));
  SetClipboardService(nullptr);
}

}  // namespace
}  // namespace qv
