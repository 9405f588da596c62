// The Linux namespace behind the shell controls: the desktop is a virtual
// "Computer" whose items are the home folder, the file system ("/") and
// the user-visible mounts; below them lie ordinary directories.
//
// User-visible mounts are the mount points under /media, /run/media and
// /mnt of block-device, optical and network file systems, read from
// /proc/self/mountinfo (tests point MountInfoFile() elsewhere). The home
// folder is $HOME. Hidden items are those whose names begin with ".";
// symbolic links are the namespace's shortcuts (SFGAO_LINK), and a link to
// a directory is a folder.
//
// A file-system folder keeps what it learnt about its items (type, size,
// times) from the last enumeration on, so sorting by a detail column and
// the detail texts stat each item at most once per fill.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "controls/UiShellIntf.h"

namespace qv {

// ---- mounts ----------------------------------------------------------------

struct TMountEntry {
  std::string MountPoint;  // absolute path, escapes decoded
  std::string FsType;
  std::string Source;
  friend bool operator==(const TMountEntry&, const TMountEntry&) = default;
};

// The mount table file read for the user-visible mounts.
const std::string& MountInfoFile();
void SetMountInfoFile(const std::string& path);  // "" restores /proc/self/mountinfo
// The user-visible mounts listed in a mountinfo text, ordered by path.
std::vector<TMountEntry> ParseUserMounts(const std::string& mountInfoText);
// The user-visible mounts of the system now (read from MountInfoFile()).
std::vector<TMountEntry> ReadUserMounts();
// Whether a mount is a removable, optical or network one.
bool MountIsRemovable(const TMountEntry& m);
bool MountIsNetwork(const TMountEntry& m);
bool MountIsOptical(const TMountEntry& m);

// ---- the home folder and the XDG user folders ------------------------------

// $HOME without a trailing "/" ("" when unset or not absolute).
std::string HomePath();
// The path of an XDG user folder ("DESKTOP", "DOCUMENTS", "MUSIC",
// "PICTURES", "VIDEOS", "TEMPLATES") from user-dirs.dirs, else its usual
// name under $HOME; "" when that folder does not exist.
std::string XdgUserDir(std::string_view name);

// ---- file-system items -----------------------------------------------------

// What a folder knows of one item after stat.
struct TShellItemStat {
  bool Found = false;  // false when the item could not be read
  bool Directory = false;
  std::int64_t Size = 0;
  std::int64_t MTime = 0;  // seconds since 1970 (0 when unknown)
  std::int64_t CTime = 0;
};

// A valid file name for an ID: not empty, no "/" and no NUL, not "." or "..".
bool ValidItemName(std::string_view name);
// The kind byte and the name of a file-system ID; false when p is not one.
bool SplitFileId(PCItemIDList p, std::uint8_t& kind, std::string_view& name);
// A file-system ID for a name.
TPidl MakeFileId(std::string_view name, bool folder, bool link);

// A directory of the file system.
class TFileSystemFolder : public TShellFolder {
 public:
  TFileSystemFolder(TPidl absolute, std::string path);

  std::string Path() const override { return path_; }
  int EnumObjects(unsigned flags, std::vector<TPidl>& items) override;
  std::uint32_t GetAttributesOf(PCItemIDList rel, std::uint32_t mask) override;
  int CompareIDs(int column, PCItemIDList a, PCItemIDList b) override;
  std::string GetDisplayNameOf(PCItemIDList rel, unsigned flags) override;
  int BindToObject(PCItemIDList rel, TShellFolderPtr& folder) override;
  // Renames without replacing an existing item (EEXIST); the name must be a
  // valid item name (EINVAL).
  int SetNameOf(PCItemIDList rel, const std::string& name, TPidl& newRel) override;

  // The item's stat, read once and kept until the next enumeration.
  const TShellItemStat& StatOf(PCItemIDList rel);
  // The item's full path ("" for an ID that is not valid).
  std::string ItemPath(PCItemIDList rel) const;
  // The type text of an item (see ShellTypeName).
  const std::string& TypeNameOf(PCItemIDList rel);

 private:
  struct TCacheEntry {
    TShellItemStat Stat;
    bool StatRead = false;
    std::optional<std::string> TypeName;
  };
  TCacheEntry& entry(std::string_view name);
  // Looked up by string_view, so sorting allocates nothing per comparison.
  struct TNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::string path_;
  std::unordered_map<std::string, TCacheEntry, TNameHash, std::equal_to<>> cache_;
  int writable_ = -1;  // whether the directory is writable (-1 unknown)
};

// The virtual desktop ("Computer").
class TDesktopFolder : public TShellFolder {
 public:
  TDesktopFolder();

  int EnumObjects(unsigned flags, std::vector<TPidl>& items) override;
  std::uint32_t GetAttributesOf(PCItemIDList rel, std::uint32_t mask) override;
  // Absolute PIDLs: level by level (the home folder, the file system, then
  // the mounts by path; below them as file-system items by name).
  int CompareIDs(int column, PCItemIDList a, PCItemIDList b) override;
  std::string GetDisplayNameOf(PCItemIDList rel, unsigned flags) override;
  // Any absolute PIDL of a directory; every ID is checked first.
  int BindToObject(PCItemIDList rel, TShellFolderPtr& folder) override;

  // Columns: "Name", "Type", "Total Size", "Free Space".
  bool HasDetails() const override { return true; }
  int GetDefaultColumnState(int column, unsigned& state) override;
  int GetDetailsOf(PCItemIDList rel, int column, TShellDetails& details) override;

  // The mounts as last read (InvalidateDriveInfo reads them again).
  const std::vector<TMountEntry>& Mounts();
  void ReloadMounts();

 private:
  std::vector<TMountEntry> mounts_;
  bool mountsRead_ = false;
};

// The root ID of the home folder, the file system and a mount.
TPidl MakeRootId(std::uint8_t subKind, std::string_view path);
// The sub-kind and path of a root ID; false when p is not a valid one.
bool SplitRootId(PCItemIDList p, std::uint8_t& subKind, std::string_view& path);

// The process's desktop folder (created on first use; UI thread).
const std::shared_ptr<TDesktopFolder>& DesktopFolder();

// Case-insensitive comparison with digit runs compared as numbers
// ("file2" < "file10"); ties are broken by the bytes, so only equal names
// give 0.
int CompareNamesNatural(std::string_view a, std::string_view b);
// A name for display: the bytes when they are UTF-8, else each byte that
// does not form UTF-8 shown as U+FFFD.
std::string DisplayNameFromNative(std::string_view name);

// The type text of a file-system item: "File Folder" for a directory, else
// the text of the installed type-name provider, else "<EXT> File" (the
// extension in upper case) or "File".
std::string ShellTypeName(const std::string& path, bool directory);
using TShellTypeNameProvider = std::string (*)(const std::string& path);
// The Qt layer installs one answering the MIME type's comment ("" when it
// knows none).
void SetShellTypeNameProvider(TShellTypeNameProvider provider);

}  // namespace qv
