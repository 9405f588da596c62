// What the shell list shows, without a window: which items of a folder it
// admits (options, file filter, the add-item event), their per-item data
// and texts, their order, the differential refresh, the columns, and the
// hold-back of change refreshes. TUiCustomShellList (UiShellList.h) keeps
// one TShellListContents and mirrors its items into list-view items.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/UiShellIntf.h"
#include "controls/UiShellUtils.h"
#include "platform/core/ListView.h"

namespace qv {

// Options of the shell list (bit numbers as stored).
enum TUiShellListOption : std::uint8_t {
  sloAutoFill,
  sloNonFilesystemAncestors,
  sloDesignInteractive,
  sloDefaultKeyHandling,
  sloContextMenus,
  sloDontChangeFolder,
  sloDontGoBelowBase,
  sloDynamicRefresh,
  sloHideFoldersWhenLinkedToTree,
  sloOleDrag,
  sloOleDrop,
  sloFolderContextMenu,
  sloShowHidden
};
using TUiShellListOptions = std::uint16_t;
constexpr TUiShellListOptions SloBit(TUiShellListOption o) {
  return static_cast<TUiShellListOptions>(1u << o);
}
constexpr TUiShellListOptions kDefaultShellListOptions =
    SloBit(sloAutoFill) | SloBit(sloNonFilesystemAncestors) | SloBit(sloDefaultKeyHandling) |
    SloBit(sloContextMenus) | SloBit(sloDynamicRefresh) | SloBit(sloOleDrag) | SloBit(sloOleDrop) |
    SloBit(sloFolderContextMenu) | SloBit(sloShowHidden);

// The attributes asked of every item.
constexpr std::uint32_t kShellListAttributeMask = SFGAO_FILESYSTEM | SFGAO_FOLDER |
                                                  SFGAO_FILESYSANCESTOR | SFGAO_REMOVABLE |
                                                  SFGAO_GHOSTED | SFGAO_SHARE | SFGAO_LINK;

// One item of the list: its lists, its attributes and its cached texts.
// Texts are read when first asked for and kept. A list item owns it.
class TUiShellListData : public TListItemData {
 public:
  TUiShellListData(TShellFolderPtr folder, TPidl rel, std::uint32_t attributes);
  TUiShellListData(const TUiShellListData&) = delete;
  TUiShellListData& operator=(const TUiShellListData&) = delete;

  PCItemIDList RelativePidl() const { return rel_.Get(); }
  // The folder's list joined with the item's (built on first use).
  PCItemIDList AbsolutePidl() const;
  std::string Path() const;
  // The in-folder name (cached).
  const std::string& DisplayName() const;
  std::uint32_t Attributes() const { return attributes_; }
  bool IsFolder() const { return (attributes_ & SFGAO_FOLDER) != 0; }
  bool IsLink() const { return (attributes_ & SFGAO_LINK) != 0; }
  bool IsGhosted() const { return (attributes_ & SFGAO_GHOSTED) != 0; }
  bool IsShared() const { return (attributes_ & SFGAO_SHARE) != 0; }
  bool CanRename() const;
  // The text of a column (0 the name); details: the folder's own columns,
  // or null for the default size, type and modified columns.
  std::string ColumnText(int column, TShellDetailsSource* details) const;
  // The small system icon (read on first use).
  int ImageIndex() const;
  // Overlay number: 1 shared, 2 link, -1 none.
  int OverlayIndex() const { return IsShared() ? 1 : IsLink() ? 2 : -1; }
  // After a rename: the new ID and name.
  void Renamed(TPidl rel);

 private:
  void readDefaultDetails() const;
  TShellFolderPtr folder_;
  TPidl rel_;
  std::uint32_t attributes_;
  mutable TPidl abs_;
  mutable std::string name_;
  mutable bool nameRead_ = false;
  mutable bool detailsRead_ = false;
  mutable std::string size_, type_, modified_;
  mutable int image_ = -1;
};

// Size text of the default columns: kilobytes rounded up, with thousands
// separators ("0KB", "1KB", "2KB" for 0, 1024, 1025 bytes).
std::string ShellSizeText(std::int64_t bytes);
// Date and time text of the default columns (local time, short date and
// time formats); "" for 0.
std::string ShellTimeText(std::int64_t unixSeconds);

// The contents of one folder as the list admits them.
class TShellListContents {
 public:
  using TAddItemEvent =
      std::function<void(TShellFolder& parent, PCItemIDList parentAbs, PCItemIDList rel,
                         std::uint32_t attributes, bool& allow)>;

  TUiShellListOptions Options = kDefaultShellListOptions;
  bool LinkedToTree = false;
  TAddItemEvent OnAddItem;

  bool Has(TUiShellListOption o) const { return (Options & SloBit(o)) != 0; }

  // Masks of the filter, split at ";" (empty pieces skipped). "*" and
  // "*.*" admit every file. Matching ignores letter case.
  void SetFileFilter(const std::string& filter);
  const std::string& FileFilter() const { return filter_; }
  const std::vector<std::string>& Masks() const { return masks_; }

  // Binds a folder (null: the desktop); EUiShellError with the system's
  // message when it cannot be bound.
  void Bind(PCItemIDList folder);
  const TShellFolderPtr& Folder() const { return folder_; }
  const TPidl& FolderPidl() const { return folderPidl_; }
  bool Bound() const { return folder_ != nullptr; }

  // Every admitted item of the folder, in the system's order. Enumeration
  // failures raise EUiShellError.
  std::vector<std::unique_ptr<TUiShellListData>> Fill();

  // What a refresh changes: the indices (into current) of items that are
  // gone, and the admitted new items. Unchanged items keep their objects.
  struct TRefresh {
    std::vector<int> Removed;
    std::vector<std::unique_ptr<TUiShellListData>> Added;
  };
  TRefresh Refresh(const std::vector<const TUiShellListData*>& current);

  // Admission of one item: with sloNonFilesystemAncestors every item is a
  // candidate, else only file-system items and their ancestors; with
  // sloHideFoldersWhenLinkedToTree and a linked tree, file-system folders
  // are dropped; folders pass the filter, files must match a mask; the
  // add-item event decides last. Null when it is not admitted.
  std::unique_ptr<TUiShellListData> Admit(TPidl rel);

  // Order by a sort column (its absolute value the 1-based column, its sign
  // the direction): the folder's CompareIDs, 0 when that fails.
  int Compare(const TUiShellListData& a, const TUiShellListData& b, int sortColumn) const;
  void Sort(std::vector<std::unique_ptr<TUiShellListData>>& items, int sortColumn) const;

  // The nearest folder at or above a list that still exists (the desktop
  // at worst).
  static TPidl NearestExistingFolder(PCItemIDList pidl);

 private:
  bool admittedByFilter(std::string_view name) const;
  std::vector<TPidl> enumerate();
  TShellFolderPtr folder_;
  TPidl folderPidl_;
  std::string filter_;
  std::vector<std::string> masks_;
};

// One column of the list.
struct TShellListColumn {
  std::string Caption;
  int Alignment = LVCFMT_LEFT;
  int Width = 50;
};

// The columns of a folder. A folder with details shows its leading
// default columns at 7 pixels per character; one without shows "Name",
// "Size", "Type", "Modified" at 200, 60, 100, 120 pixels, or at the widths
// of the registry value "DirectoryCols" under kExplorerKey (at most 22
// bytes of 16-bit widths). The widths of the last set that belonged to a
// file-system folder are kept process-wide and given to the next such set
// (for the default columns, while the registry value stays the same);
// saved widths only ever reach columns that exist.
class TShellListColumns {
 public:
  // The registry value read for the default widths.
  static constexpr const char* kExplorerKey =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
  static constexpr const char* kDirectoryCols = "DirectoryCols";

  // Widths of the set that belonged to a file-system folder, kept for the
  // next one.
  static void SaveWidths(const std::vector<int>& widths);
  static std::vector<int> SavedWidths();
  static void ClearSavedWidths();  // tests
  static std::vector<TShellListColumn> Build(TShellDetailsSource* details, bool fileSystemFolder);
};

}  // namespace qv
