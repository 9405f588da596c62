// Shell utilities shared by the shell list, combo, tree and locator:
// item-ID list arithmetic, conversions between paths, item-ID lists and
// display names, the special folders, the system icons, a sorted list of
// item-ID lists, shortcut (symbolic link) reading and the process-wide
// device-change fan-out.
//
// Memory: item-ID lists are TPidl values (UiShellIntf.h); what the shell
// allocator did is done by their owners. Routines that return an errno
// value hand a failure on unchanged; routines that return a string return
// "" on any failure; routines that return a list return null.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/UiShellIntf.h"
#include "controls/UiShellNamespace.h"
#include "platform/core/SysUtils.h"

namespace qv {

QV_DECLARE_EXCEPTION(EUiShellError, Exception)

// Raises EUiShellError with the system's text for an errno value.
[[noreturn]] void RaiseShellError(int error);

// ---- scopes -----------------------------------------------------------------

// Runs a function when the scope ends (a flag, a counter or a cursor put
// back, an update lock released), exceptions included.
template <class F>
class TShellScopeExit {
 public:
  explicit TShellScopeExit(F f) : f_(std::move(f)) {}
  ~TShellScopeExit() { f_(); }
  TShellScopeExit(const TShellScopeExit&) = delete;
  TShellScopeExit& operator=(const TShellScopeExit&) = delete;

 private:
  F f_;
};
template <class F>
TShellScopeExit(F) -> TShellScopeExit<F>;

// Raises a re-entry counter for the scope.
class TReentry {
 public:
  explicit TReentry(int& counter) : n_(counter) { ++n_; }
  ~TReentry() { --n_; }
  TReentry(const TReentry&) = delete;
  TReentry& operator=(const TReentry&) = delete;

 private:
  int& n_;
};

// ---- item-ID list arithmetic -----------------------------------------------

TPidl CopyPidl(PCItemIDList p);
// a's IDs followed by b's; a null list counts as empty.
TPidl JoinPidls(PCItemIDList a, PCItemIDList b);
// Compares two absolute lists: both null 0, one null -1, both empty 0, one
// empty -1; otherwise the desktop's order (0 = the same item) or
// kNotComparable.
int ComparePidls(PCItemIDList a, PCItemIDList b);

// One absolute list seen as an array of single IDs. The list is not owned
// and must outlive the view.
class TUiIdListArray {
 public:
  explicit TUiIdListArray(PCItemIDList pidl) : pidl_(pidl), count_(PidlCount(pidl)) {}
  int Count() const { return count_; }
  // ID i with a terminator; null when i is outside 0 .. Count - 1, except
  // that Item(0) of an empty list is an empty list.
  TPidl Item(int i) const;
  // The first Count - n IDs (the folder n levels up); null when there are
  // not that many.
  TPidl Parent(int n) const;

 private:
  PCItemIDList pidl_;
  int count_;
};

// ---- namespace access ------------------------------------------------------

// The folder of an absolute list; null or empty gives the desktop.
int BindToFolder(PCItemIDList pidl, TShellFolderPtr& folder);
// Parses an existing file-system path (absolute, or relative to the current
// folder) into an absolute list: under the home folder it starts at the
// home item, under a user-visible mount at that mount, else at the file
// system. No length limit. 0 or an errno value (pidl null then).
int PathToPidl(const std::string& path, TPidl& pidl);
// The file-system path of a list; "" for virtual items (the desktop) and
// for lists that are not valid.
std::string PidlToPath(PCItemIDList pidl);

enum TUiDisplayNameKind : std::uint8_t { dnNormal, dnInFolder, dnForParsing, dnForEditing };
// 0, 1, 0x8000, 0x1001.
unsigned DisplayNameFlags(TUiDisplayNameKind kind);
// The name of an item of a folder (null folder: the desktop).
std::string GetDisplayName(TShellFolder* folder, PCItemIDList rel, TUiDisplayNameKind kind);
// The name of an absolute list, asked of its parent folder.
std::string GetAbsoluteDisplayName(PCItemIDList pidl, TUiDisplayNameKind kind);

// The list of a special folder (csidl AND 127): the desktop and "drives"
// are the Computer, the profile is the home folder, the XDG user folders
// stand for documents, desktop, music, pictures, videos and templates,
// application data lives in $XDG_CONFIG_HOME and $XDG_DATA_HOME. Null when
// the system has no such folder.
TPidl SpecialFolderLocation(int csidl);
std::string SpecialFolderPath(int csidl);
// The first special folder 0..49 whose location is the list; CSIDL_NONE
// (50) when none is.
int SpecialFolderOf(PCItemIDList pidl);

// Reads the mount table again (so the Computer's items follow mounts),
// unless suppressed; the two routines raise and lower the suppression.
void InvalidateDriveInfo();
void SuppressDriveInfoInvalidation();
void AllowDriveInfoInvalidation();
// Invalidates the drive information, then suppresses further invalidation
// for the scope (a refresh after a device change).
class TDriveInfoRefresh {
 public:
  TDriveInfoRefresh() {
    InvalidateDriveInfo();
    SuppressDriveInfoInvalidation();
  }
  ~TDriveInfoRefresh() { AllowDriveInfoInvalidation(); }
  TDriveInfoRefresh(const TDriveInfoRefresh&) = delete;
  TDriveInfoRefresh& operator=(const TDriveInfoRefresh&) = delete;
};

// ---- icons -----------------------------------------------------------------

// The images of the system image lists, by index.
enum TShellIcon : int {
  siDocument,
  siFolder,
  siFolderOpen,
  siComputer,
  siHome,
  siDrive,
  siRemovable,
  siNetwork,
  siOptical,
  siModel,
  siSheet,
  siText,
  siShareOverlay,
  siLinkOverlay,
  siIconCount
};
constexpr unsigned SHGFI_LARGEICON = 0, SHGFI_SMALLICON = 1, SHGFI_OPENICON = 2;
// The system icon of an absolute list (SHGFI_OPENICON: a folder's open
// look); read from the list alone, without touching the disk.
int SystemIconIndex(PCItemIDList pidl, unsigned flags);

// ---- path routines ---------------------------------------------------------

// s with delim added unless it already ends with it; "" stays "".
std::string AppendDelimiter(std::string_view s, char delim);
// Appends the character at index (a whole UTF-8 sequence; a malformed byte
// alone) to dst and advances index past it.
void CopyCharAt(std::string_view src, std::size_t& index, std::string& dst);

// ---- shortcuts -------------------------------------------------------------

// A shortcut is a symbolic link. ResolveMode 0 takes the link's target as
// written (made absolute); 1 resolves the whole chain and fails for a
// dangling link.
struct TUiShortcutInfo {
  std::string Path;  // the target
  std::string Description;
  std::string Arguments;
  std::string IconLocation;
  int IconIndex = 0;
  std::string WorkingDirectory;  // the target's folder
  int ShowCmd = 1;
  std::uint16_t HotKey = 0;
  std::uint8_t ResolveMode = 0;
  TPidl Pidl;             // the target's list, when asked for
  TShellItemStat Target;  // the target's find data
};
// 0 or an errno value (EINVAL when the file is not a link).
int ReadShortcut(const std::string& fileName, TUiShortcutInfo& info, bool wantPidl);

// ---- a list of item-ID lists ------------------------------------------------

QV_DECLARE_EXCEPTION(EUiPidlListError, Exception)

// Entries of (list, object). An entry added as a TPidl owns its list; one
// added as a pointer only refers to a list kept alive by the caller.
// Sorted lists order by the comparison folder's CompareIDs (column 0) when
// one is set, else by the bytes (first differing byte, then the size).
class TUiPidlList {
 public:
  enum TDuplicates : std::uint8_t { dupIgnore, dupAccept, dupError };

  TUiPidlList() = default;
  TUiPidlList(const TUiPidlList&) = delete;
  TUiPidlList& operator=(const TUiPidlList&) = delete;

  // Index of the new entry. Sorted: a duplicate returns the existing index
  // (dupIgnore), is inserted (dupAccept) or raises "TUiPidlList: Duplicate
  // PIDL" with the list unchanged (dupError).
  int Add(TPidl pidl) { return AddObject(std::move(pidl), nullptr); }
  int AddObject(TPidl pidl, void* object);
  int AddObject(PCItemIDList pidl, void* object);
  // -1 when absent.
  int IndexOf(PCItemIDList pidl) const;
  void Delete(int index);
  void Clear() { entries_.clear(); }
  int Count() const { return static_cast<int>(entries_.size()); }
  int Capacity() const { return static_cast<int>(entries_.capacity()); }
  void SetCapacity(int n) { entries_.reserve(static_cast<std::size_t>(n)); }
  PCItemIDList Pidls(int index) const { return entries_.at(index).Get(); }
  void* Objects(int index) const { return entries_.at(index).Object; }
  // Takes the owned list out of an entry (null for a referring entry).
  TPidl TakePidl(int index);

  bool Sorted() const { return sorted_; }
  // Turning it on sorts at once.
  void SetSorted(bool sorted);
  TDuplicates Duplicates = dupError;
  void SetCompareFolder(TShellFolderPtr folder) { compareFolder_ = std::move(folder); }

 private:
  struct TEntry {
    TPidl Owned;
    PCItemIDList View = nullptr;
    void* Object = nullptr;
    PCItemIDList Get() const { return Owned ? Owned.Get() : View; }
  };
  int compare(PCItemIDList a, PCItemIDList b) const;
  bool find(PCItemIDList pidl, int& index) const;
  int insert(TEntry entry);

  std::vector<TEntry> entries_;
  bool sorted_ = false;
  TShellFolderPtr compareFolder_;
};

// ---- device changes ---------------------------------------------------------

// The process's one fan-out of mount changes to the shell controls. The Qt
// layer watches the mount table and calls CheckMounts; tests call it
// themselves. Handlers run in registration order, each told the event
// (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE) and the mount point. A
// handler may unregister itself or others while it runs.
class TUiDeviceChangeHandler {
 public:
  using THandler = std::function<void(int event, const std::string& mountPoint)>;
  static TUiDeviceChangeHandler& Instance();

  void Register(const void* owner, THandler handler);
  void Unregister(const void* owner);
  bool Enabled = true;
  // Reads the mount table and reports what changed since the last read
  // (the first read only records).
  void CheckMounts();
  // Reports one event to every handler (when enabled).
  void Notify(int event, const std::string& mountPoint);

 private:
  TUiDeviceChangeHandler() = default;
  struct TEntry {
    const void* Owner;
    THandler Handler;
    std::uint64_t Serial;
  };
  std::vector<TEntry> handlers_;
  std::uint64_t serial_ = 0;
  std::vector<TMountEntry> last_;
  bool read_ = false;
};

}  // namespace qv
