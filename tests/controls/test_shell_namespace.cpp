// The Linux namespace: mounts, enumeration of a real folder tree (hidden
// items, a linked folder, a name that is not UTF-8), paths and lists,
// display names, ordering, renaming without replacing, special folders,
// shortcuts and device changes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "ShellTestSupport.h"
#include "controls/UiShellUtils.h"
#include "platform/core/Classes.h"

namespace qv {
namespace {

using test::TEnvGuard;
using test::TMountGuard;
using test::TTempTree;

const std::string kMountInfo = std::string(QV_TEST_DATA_DIR) + "/mountinfo.txt";

std::vector<std::string> names(TShellFolder& folder, unsigned flags) {
  std::vector<TPidl> items;
  EXPECT_EQ(folder.EnumObjects(flags, items), 0);
  std::vector<std::string> out;
  for (const TPidl& p : items)
    out.push_back(folder.GetDisplayNameOf(p.Get(), SHGDN_INFOLDER | SHGDN_FORPARSING));
  std::sort(out.begin(), out.end());
  return out;
}

TEST(ShellMounts, UserVisibleMountsFromMountInfo) {
  const std::vector<TMountEntry> m = ParseUserMounts(readFileBytes(kMountInfo));
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].MountPoint, "/media/alice/USB STICK");  // escape decoded, the later mount kept
  EXPECT_EQ(m[0].FsType, "vfat");
  EXPECT_EQ(m[1].MountPoint, "/mnt/nas");
  EXPECT_TRUE(MountIsNetwork(m[1]));
  EXPECT_EQ(m[2].MountPoint, "/run/media/alice/DVD");
  EXPECT_TRUE(MountIsOptical(m[2]));
  EXPECT_TRUE(MountIsRemovable(m[0]));
  EXPECT_FALSE(MountIsRemovable(m[1]));
}

TEST(ShellNamespace, EnumeratesHiddenLinkedAndNonUtf8Items) {
  TTempTree t;
  t.File("a.txt", "x");
  t.File("Model.mff");
  t.File(".hidden");
  t.Dir("sub/deeper");
  t.Link(t.Path("sub"), "linkdir");
  t.Link(t.Path("missing"), "dangling");
  const std::string odd = "caf\xE9.txt";  // Latin-1, not UTF-8
  t.File(odd);

  TShellFolderPtr folder;
  ASSERT_EQ(BindToFolder(t.Pidl().Get(), folder), 0);
  EXPECT_EQ(folder->Path(), t.Root);

  EXPECT_EQ(names(*folder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS),
            (std::vector<std::string>{"Model.mff", "a.txt", odd, "dangling", "linkdir", "sub"}));
  EXPECT_EQ(names(*folder, SHCONTF_FOLDERS), (std::vector<std::string>{"linkdir", "sub"}));
  const auto all = names(*folder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
  EXPECT_NE(std::find(all.begin(), all.end(), ".hidden"), all.end());

  std::vector<TPidl> items;
  ASSERT_EQ(
      folder->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, items), 0);
  auto find = [&](const std::string& n) -> PCItemIDList {
    for (const TPidl& p : items)
      if (folder->GetDisplayNameOf(p.Get(), SHGDN_INFOLDER | SHGDN_FORPARSING) == n) return p.Get();
    ADD_FAILURE() << n;
    return nullptr;
  };
  const std::uint32_t mask = 0x720B0000;
  EXPECT_EQ(folder->GetAttributesOf(find("linkdir"), mask),
            SFGAO_FOLDER | SFGAO_LINK | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR);
  EXPECT_EQ(folder->GetAttributesOf(find("sub"), mask | SFGAO_HASSUBFOLDER),
            SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER);
  EXPECT_EQ(folder->GetAttributesOf(find(".hidden"), mask), SFGAO_FILESYSTEM | SFGAO_GHOSTED);
  EXPECT_EQ(folder->GetAttributesOf(find("dangling"), mask), SFGAO_FILESYSTEM | SFGAO_LINK);

  // The odd name keeps its bytes for the path and shows a replacement
  // character.
  PCItemIDList o = find(odd);
  EXPECT_EQ(folder->GetDisplayNameOf(o, SHGDN_FORPARSING), t.Path(odd));
  EXPECT_EQ(folder->GetDisplayNameOf(o, SHGDN_INFOLDER), "caf\xEF\xBF\xBD.txt");
  EXPECT_TRUE(static_cast<TFileSystemFolder&>(*folder).StatOf(o).Found);

  // A linked folder binds and lists its target's contents.
  TShellFolderPtr linked;
  ASSERT_EQ(folder->BindToObject(find("linkdir"), linked), 0);
  EXPECT_EQ(linked->Path(), t.Path("linkdir"));
  EXPECT_EQ(names(*linked, SHCONTF_FOLDERS), (std::vector<std::string>{"deeper"}));

  TShellFolderPtr notDir;
  EXPECT_EQ(folder->BindToObject(find("a.txt"), notDir), ENOTDIR);
}

TEST(ShellNamespace, EnumerationOfAMissingFolderFails) {
  TTempTree t;
  TPidl p = t.Pidl();
  TShellFolderPtr folder;
  ASSERT_EQ(BindToFolder(p.Get(), folder), 0);
  std::filesystem::remove_all(t.Root);
  std::vector<TPidl> items;
  EXPECT_EQ(folder->EnumObjects(SHCONTF_FOLDERS, items), ENOENT);
  EXPECT_EQ(BindToFolder(p.Get(), folder), ENOENT);
}

TEST(ShellNamespace, PathsAndListsRoundTrip) {
  TTempTree t;
  t.Dir("one/two");
  t.File("one/two/f.mff");
  t.Link(t.Path("one"), "ln");

  TPidl p;
  ASSERT_EQ(PathToPidl(t.Path("one/two/f.mff"), p), 0);
  EXPECT_EQ(PidlToPath(p.Get()), t.Path("one/two/f.mff"));
  std::uint8_t kind = 0;
  std::string_view name;
  ASSERT_TRUE(SplitFileId(PidlLast(p.Get()), kind, name));
  EXPECT_EQ(kind, kIdFile);
  EXPECT_EQ(name, "f.mff");

  // Trailing delimiters, "." and ".." and relative paths are normalised.
  TPidl q;
  ASSERT_EQ(PathToPidl(t.Path("one/./two/../two/"), q), 0);
  EXPECT_EQ(PidlToPath(q.Get()), t.Path("one/two"));
  EXPECT_EQ(ComparePidls(q.Get(), PidlPrefix(p.Get(), PidlCount(p.Get()) - 1).Get()), 0);

  // Through a linked folder the link stays in the path.
  TPidl l;
  ASSERT_EQ(PathToPidl(t.Path("ln/two"), l), 0);
  EXPECT_EQ(PidlToPath(l.Get()), t.Path("ln/two"));

  EXPECT_EQ(PathToPidl(t.Path("nope"), q), ENOENT);
  EXPECT_TRUE(q.IsNull());
  EXPECT_EQ(PathToPidl(t.Path("one/two/f.mff/x"), q), ENOTDIR);
  EXPECT_EQ(PathToPidl("", q), EINVAL);
  EXPECT_EQ(PidlToPath(TPidl::Empty().Get()), "");
  EXPECT_EQ(PidlToPath(nullptr), "");

  // Paths longer than 260 characters are neither refused nor cut.
  std::string deep = "d";
  for (int i = 0; i < 40; ++i) deep += "/directory" + std::to_string(i);
  t.Dir(deep);
  TPidl d;
  ASSERT_EQ(PathToPidl(t.Path(deep), d), 0);
  EXPECT_GT(PidlToPath(d.Get()).size(), 400u);
  EXPECT_EQ(PidlToPath(d.Get()), t.Path(deep));
}

TEST(ShellNamespace, RootItemsFollowHomeAndMounts) {
  TTempTree t;
  t.Dir("home/user/docs");
  TEnvGuard home("HOME", t.Path("home/user"));
  TMountGuard mounts(kMountInfo);

  TPidl p;
  ASSERT_EQ(PathToPidl(t.Path("home/user/docs"), p), 0);
  EXPECT_EQ(PidlCount(p.Get()), 2);
  std::uint8_t sub = 0;
  std::string_view root;
  ASSERT_TRUE(SplitRootId(p.Get(), sub, root));
  EXPECT_EQ(sub, kRootHome);
  EXPECT_EQ(GetAbsoluteDisplayName(PidlPrefix(p.Get(), 1).Get(), dnNormal), "Home");
  EXPECT_EQ(GetAbsoluteDisplayName(p.Get(), dnNormal), "docs");
  EXPECT_EQ(GetAbsoluteDisplayName(p.Get(), dnForParsing), t.Path("home/user/docs"));
  EXPECT_EQ(GetAbsoluteDisplayName(TPidl::Empty().Get(), dnNormal), "Computer");

  // The desktop: home, the file system, then the mounts.
  std::vector<TPidl> items;
  ASSERT_EQ(DesktopFolder()->EnumObjects(SHCONTF_FOLDERS, items), 0);
  std::vector<std::string> shown;
  for (const TPidl& i : items)
    shown.push_back(DesktopFolder()->GetDisplayNameOf(i.Get(), SHGDN_NORMAL));
  EXPECT_EQ(shown, (std::vector<std::string>{"Home", "File System", "USB STICK", "nas", "DVD"}));
  EXPECT_EQ(DesktopFolder()->GetAttributesOf(items[2].Get(), SFGAO_REMOVABLE | SFGAO_FOLDER),
            SFGAO_REMOVABLE | SFGAO_FOLDER);
  EXPECT_EQ(SystemIconIndex(items[3].Get(), SHGFI_SMALLICON), siNetwork);
  EXPECT_EQ(SystemIconIndex(items[4].Get(), SHGFI_SMALLICON), siOptical);
  EXPECT_EQ(SystemIconIndex(items[0].Get(), SHGFI_SMALLICON), siHome);

  // Its columns come through the details adapter.
  TShellDetailsPtr details = FolderDetails(DesktopFolder());
  ASSERT_TRUE(details);
  std::vector<std::string> captions;
  TShellDetails d;
  for (int c = 0; details->GetDetailsOf(nullptr, c, d) == 0; ++c) captions.push_back(d.Text);
  EXPECT_EQ(captions, (std::vector<std::string>{"Name", "Type", "Total Size", "Free Space"}));
  ASSERT_EQ(details->GetDetailsOf(items[3].Get(), 1, d), 0);
  EXPECT_EQ(d.Text, "Network Drive");
  EXPECT_EQ(details->ColumnClick(0), ENOSYS);
  // File-system folders have none: the list shows its default columns.
  TShellFolderPtr folder;
  ASSERT_EQ(BindToFolder(p.Get(), folder), 0);
  EXPECT_FALSE(FolderDetails(folder));
}

TEST(ShellNamespace, ForgedIdsAreRefused) {
  // Lists from outside are checked ID by ID before the disk is touched.
  const TPidl root = MakeRootId(kRootFileSystem, "/");
  const TPidl cases[] = {
      JoinPidls(root.Get(), TPidl::MakeId(std::string("\x31..", 3)).Get()),
      JoinPidls(root.Get(), TPidl::MakeId(std::string("\x31"
                                                      "etc/passwd",
                                                      11))
                                .Get()),
      JoinPidls(root.Get(), TPidl::MakeId(std::string("\x31"
                                                      "a\0b",
                                                      4))
                                .Get()),
      JoinPidls(root.Get(), TPidl::MakeId(std::string("\x55"
                                                      "tmp",
                                                      4))
                                .Get()),
      MakeRootId(kRootMount, "/media/../etc"),
      MakeRootId(kRootMount, "relative"),
      MakeRootId(kRootFileSystem, "/tmp"),
  };
  for (const TPidl& p : cases) {
    TShellFolderPtr f;
    EXPECT_EQ(BindToFolder(p.Get(), f), EINVAL) << PidlToPath(p.Get());
    EXPECT_EQ(PidlToPath(p.Get()), "");
  }
}

TEST(ShellNamespace, OrderByColumns) {
  TTempTree t;
  t.File("file10", std::string(10, 'x'));
  t.File("File2", std::string(3000, 'x'));
  t.File("file1.txt", "");
  t.Dir("zfolder");
  auto folder = std::make_shared<TFileSystemFolder>(t.Pidl(), t.Root);
  std::vector<TPidl> items;
  ASSERT_EQ(folder->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items), 0);
  auto sorted = [&](int column) {
    std::sort(items.begin(), items.end(), [&](const TPidl& a, const TPidl& b) {
      return folder->CompareIDs(column, a.Get(), b.Get()) < 0;
    });
    std::vector<std::string> out;
    for (const TPidl& p : items) out.push_back(folder->GetDisplayNameOf(p.Get(), SHGDN_INFOLDER));
    return out;
  };
  // Folders first, then natural order without regard to case.
  EXPECT_EQ(sorted(0), (std::vector<std::string>{"zfolder", "file1.txt", "File2", "file10"}));
  EXPECT_EQ(sorted(1), (std::vector<std::string>{"zfolder", "file1.txt", "file10", "File2"}));
  EXPECT_EQ(sorted(2), (std::vector<std::string>{"zfolder", "File2", "file10", "file1.txt"}));
  EXPECT_EQ(folder->CompareIDs(0, items[0].Get(), CopyPidl(items[0].Get()).Get()), 0);
  EXPECT_EQ(CompareNamesNatural("a", "A") != 0, true);  // distinct names never tie
  EXPECT_LT(CompareNamesNatural("x9", "x010"), 0);
}

TEST(ShellNamespace, RenameNeverReplaces) {
  TTempTree t;
  t.File("old.txt", "old");
  t.File("taken.txt", "keep me");
  auto folder = std::make_shared<TFileSystemFolder>(t.Pidl(), t.Root);
  const TPidl old = MakeFileId("old.txt", false, false);
  TPidl renamed;
  EXPECT_EQ(folder->SetNameOf(old.Get(), "taken.txt", renamed), EEXIST);
  EXPECT_EQ(readFileBytes(t.Path("taken.txt")), "keep me");
  EXPECT_EQ(readFileBytes(t.Path("old.txt")), "old");
  for (const char* bad : {"", "a/b", ".", ".."})
    EXPECT_EQ(folder->SetNameOf(old.Get(), bad, renamed), EINVAL) << bad;
  ASSERT_EQ(folder->SetNameOf(old.Get(), "new.txt", renamed), 0);
  EXPECT_EQ(renamed, MakeFileId("new.txt", false, false));
  EXPECT_EQ(readFileBytes(t.Path("new.txt")), "old");
  EXPECT_EQ(folder->SetNameOf(old.Get(), "again.txt", renamed), ENOENT);
}

TEST(ShellSpecialFolders, LocationsAndNumbers) {
  TTempTree t;
  t.Dir("home/Documents");
  t.Dir("elsewhere");
  TEnvGuard home("HOME", t.Path("home"));
  TEnvGuard config("XDG_CONFIG_HOME", t.Path("config"));

  EXPECT_EQ(SpecialFolderLocation(CSIDL_DESKTOP), TPidl::Empty());
  EXPECT_EQ(SpecialFolderLocation(CSIDL_DRIVES | 0x8000 /* flag bits are masked */),
            TPidl::Empty());
  EXPECT_EQ(SpecialFolderPath(CSIDL_PROFILE), t.Path("home"));
  EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), t.Path("home/Documents"));
  EXPECT_TRUE(SpecialFolderLocation(CSIDL_MYMUSIC).IsNull());  // not there
  EXPECT_TRUE(SpecialFolderLocation(CSIDL_SENDTO).IsNull());

  EXPECT_EQ(SpecialFolderOf(t.Pidl("elsewhere").Get()), CSIDL_NONE);
  EXPECT_EQ(SpecialFolderOf(t.Pidl("home").Get()), CSIDL_PROFILE);
  EXPECT_EQ(SpecialFolderOf(t.Pidl("home/Documents").Get()), CSIDL_PERSONAL);
  EXPECT_EQ(SpecialFolderOf(TPidl::Empty().Get()), CSIDL_DESKTOP);

  // user-dirs.dirs moves a folder.
  t.Dir("config");
  t.Dir("home/Docs");
  t.File("config/user-dirs.dirs", "# written by xdg-user-dirs\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
  EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), t.Path("home/Docs"));
}

TEST(ShellShortcuts, LinksReadAsShortcuts) {
  TTempTree t;
  t.Dir("target");
  t.File("plain.txt");
  t.Link("target", "rel-link");
  t.Link(t.Path("nowhere"), "dangling");

  TUiShortcutInfo info;
  info.ResolveMode = 1;
  ASSERT_EQ(ReadShortcut(t.Path("rel-link"), info, true), 0);
  char* real = ::realpath(t.Path("target").c_str(), nullptr);
  EXPECT_EQ(info.Path, real);
  std::free(real);
  EXPECT_TRUE(info.Target.Found);
  EXPECT_TRUE(info.Target.Directory);
  EXPECT_FALSE(info.Pidl.IsNull());

  EXPECT_EQ(ReadShortcut(t.Path("plain.txt"), info, false), EINVAL);
  EXPECT_EQ(ReadShortcut(t.Path("dangling"), info, false), ENOENT);
  info.ResolveMode = 0;
  ASSERT_EQ(ReadShortcut(t.Path("dangling"), info, false), 0);
  EXPECT_EQ(info.Path, t.Path("nowhere"));
  EXPECT_FALSE(info.Target.Found);
  EXPECT_TRUE(info.Pidl.IsNull());
}

TEST(ShellDeviceChange, MountChangesReachHandlersInOrder) {
  TTempTree t;
  const std::string table = t.File("mountinfo", "");
  TMountGuard mounts(table);
  auto& handler = TUiDeviceChangeHandler::Instance();
  std::vector<std::string> log;
  int a = 0, b = 0, c = 0;
  handler.Register(
      &a, [&](int ev, const std::string& p) { log.push_back("a" + std::to_string(ev) + p); });
  handler.Register(&b, [&](int ev, const std::string& p) {
    log.push_back("b" + std::to_string(ev) + p);
    handler.Unregister(&c);  // a handler that unregisters another
  });
  handler.Register(&c, [&](int, const std::string&) { log.push_back("c"); });
  handler.CheckMounts();  // the first read only records
  EXPECT_TRUE(log.empty());

  t.File("mountinfo", "50 27 8:33 / /media/u/CARD rw - exfat /dev/sdc1 rw\n");
  handler.CheckMounts();
  EXPECT_EQ(log, (std::vector<std::string>{"a32768/media/u/CARD", "b32768/media/u/CARD"}));
  log.clear();
  handler.Enabled = false;
  t.File("mountinfo", "");
  handler.CheckMounts();
  EXPECT_TRUE(log.empty());
  handler.Enabled = true;
  t.File("mountinfo", "50 27 8:33 / /media/u/CARD rw - exfat /dev/sdc1 rw\n");
  handler.CheckMounts();
  EXPECT_EQ(log.size(), 2u);
  handler.Unregister(&a);
  handler.Unregister(&b);
  log.clear();
  t.File("mountinfo", "");
  handler.CheckMounts();
  EXPECT_TRUE(log.empty());
}

TEST(ShellDriveInfo, InvalidationRereadsMountsUnlessSuppressed) {
  TTempTree t;
  const std::string table = t.File("mountinfo", "");
  TMountGuard mounts(table);
  EXPECT_TRUE(DesktopFolder()->Mounts().empty());
  t.File("mountinfo", "50 27 8:33 / /media/u/CARD rw - exfat /dev/sdc1 rw\n");
  SuppressDriveInfoInvalidation();
  InvalidateDriveInfo();
  EXPECT_TRUE(DesktopFolder()->Mounts().empty());
  AllowDriveInfoInvalidation();
  InvalidateDriveInfo();
  EXPECT_EQ(DesktopFolder()->Mounts().size(), 1u);
}

}  // namespace
}  // namespace qv
