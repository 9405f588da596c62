// The shell list: the items of one folder in a framed list view, with the
// system icons, the default columns or the folder's own, sorting by any
// column either way, a file filter, a refill when the file system changes,
// and what the user does with the items (open, a context menu of our own,
// the standard keys, renaming in place, drag and drop both ways).
//
// Which items it shows, their texts and order come from TShellListContents
// (UiShellListModel.h). The folder is the locator Folder(); setting it
// refills the list and moves a linked combo or tree along. The list counts
// as having a window while a host is attached: it fills only then (and
// fills itself once when the host comes, with sloAutoFill).
//
// Change refreshes: with sloDynamicRefresh the list watches its folder
// through its change thread; a change (re)starts the hold-back timer
// (400 ms focused, 2000 ms not, never beyond twice that after the first
// change), and when it fires the list refreshes differentially: unchanged
// items keep their objects, selection and place. A change during a drag
// or a label edit, or a refresh asked for then, waits as fill-pending and
// runs as soon as the drag or edit is over. When the shown folder has gone
// the list moves to its nearest existing parent.
//
// Host hooks: ShowMenu (the context menu), StartDrag (a drag with the
// selection's data); the host passes drops to DragOver/DragLeave/Drop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/UiListVw.h"
#include "controls/UiShellChangeThread.h"
#include "controls/UiShellListModel.h"
#include "controls/UiShellLocator.h"
#include "controls/UiShellOps.h"
#include "controls/UiShellWatch.h"

namespace qv {

class TUiCustomShellCombo;
class TUiCustomShellTree;

class TUiCustomShellList : public TUiCustomListView {
 public:
  TUiCustomShellList();
  ~TUiCustomShellList() override;

  // ---- properties ----
  TUiShellLocator& Folder() { return folder_; }
  TUiShellListOptions Options() const { return contents_.Options; }
  bool Has(TUiShellListOption o) const { return contents_.Has(o); }
  void SetOptions(TUiShellListOptions v);
  const std::string& FileFilter() const { return contents_.FileFilter(); }
  void SetFileFilter(const std::string& v);
  // |value| is the 1-based column, the sign the direction; 0 sorts by caption.
  int SortColumn() const { return sortColumn_; }
  void SetSortColumn(int v);
  TUiCustomShellTree* ShellTree() const { return tree_; }
  TUiCustomShellCombo* ShellCombo() const { return combo_; }

  // ---- contents ----
  // Refills from scratch (nothing without a host). Bind and enumeration
  // failures raise EUiShellError; the list is then empty.
  void Fill();
  // Refreshes differentially (a fill when the list is empty).
  void Refresh();
  // The folder's path ("" for virtual folders).
  std::string FolderPath() { return folder_.Path(); }
  const TShellListContents& Contents() const { return contents_; }
  static TUiShellListData* ItemData(TListItem& item);
  TUiShellListData* ItemData(int index);
  // The selected items in list order.
  std::vector<TListItem*> SelectedItems();
  // The folder up levels (a linked tree or combo moves instead).
  void MoveUp(int levels);
  // Runs a held-back change refresh now (the list's own and the linked
  // controls').
  void FlushChangeRefresh();
  // Starts label editing on the item of that display name after the next
  // refresh (posted).
  void EditAfterRefresh(const std::string& name);

  // ---- operations ----
  // Opens the selection: a folder (or a link to one) navigates, a file
  // goes to OnDblClickOpen or the desktop's opener.
  void OpenSelection();
  // "open", "cut", "copy", "paste", "delete", "rename"; false when the verb
  // did nothing (no selection, unknown verb).
  bool InvokeVerb(const std::string& verb);
  void RunMenuCommand(int id);
  // The context menu for the selection (or the folder, when onItem is
  // false).
  std::vector<TUiShellMenuItem> ContextMenuItems(bool onItem);

  // ---- drag and drop ----
  // The effect a drop would have (DROPEFFECT_*); the folder item under the
  // point is shown as the drop target.
  std::uint32_t DragOver(const std::vector<std::string>& paths, int x, int y, TShiftState shift);
  void DragLeave();
  std::uint32_t Drop(const std::vector<std::string>& paths, int x, int y, TShiftState shift);
  TListItem* DropTarget() const { return dropItem_; }
  bool Suspended() const { return suspend_; }
  bool FillPending() const { return fillPending_; }

  // ---- host hooks ----
  // Shows the menu at a client point; the chosen Id, 0 for none.
  std::function<int(const std::vector<TUiShellMenuItem>&, int x, int y)> ShowMenu;
  // Runs a drag of the data; the effect of the drop (DROPEFFECT_*).
  std::function<std::uint32_t(const TShellDataObject&, TMouseButton)> StartDrag;
  // The clock of the hold-back, milliseconds (tests set it).
  void SetClock(std::function<std::int64_t()> clock) { watch_.Clock = std::move(clock); }

  // ---- events ----
  std::function<void(TListItem&, TUiShellListData&)> OnDeleteItem;
  std::function<void(bool& handled)> OnDblClickOpen;
  std::function<void()> OnFillStart;
  std::function<void()> OnFillComplete;
  std::function<void()> OnFolderChanged;
  void SetOnAddItem(TShellListContents::TAddItemEvent e) { contents_.OnAddItem = std::move(e); }

  // The change thread (null before the first watch).
  TChangeHandlerThread* ChangeThread() const { return watch_.Thread(); }
  void Loaded();

  // ---- TControlCore / list view ----
  void SetHost(TControlHost* host) override;
  void Paint(TCanvas& canvas, const TRect& rect) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void DblClick() override;
  void KeyDown(int& key, TShiftState shift) override;
  void Timer(int id) override;
  void Posted(int msg, std::intptr_t wParam, std::intptr_t lParam) override;
  std::string ItemText(TListItem& item, int column) override;
  int ItemImageIndex(TListItem& item) override;

 protected:
  bool CanEdit(TListItem& item) override;
  void ContextMenu(int x, int y, bool fromKeyboard) override;
  void DoBeginDrag(TMouseButton button) override;
  void DoDeletion(TListItem& item) override;
  void ColumnClick(TListColumn& column) override;
  virtual void FolderChanged();
  virtual void DeviceChanged(int event, const std::string& mountPoint);

 private:
  friend class TUiCustomShellCombo;
  friend class TUiCustomShellTree;
  void linkCombo(TUiCustomShellCombo* c) { combo_ = c; }
  void linkTree(TUiCustomShellTree* t);
  void navigate(PCItemIDList pidl);
  void sortItems();
  void setUpColumns();
  void saveColumnWidths();
  void startWatching();
  void stopWatching();
  void changeArrived();
  void runChangeRefresh();
  void holdPending();
  void addItem(std::unique_ptr<TUiShellListData> data, int index);
  int sortedIndexFor(const TUiShellListData& data);
  void renameItem(TListItem& item, std::string& text);
  void runKeyCommand(int row);
  void showError(const std::string& message);
  void setDropItem(TListItem* item);
  std::string dropFolder(int x, int y, TListItem** item);
  void hourglass(bool on);

  TUiShellLocator folder_;
  TShellListContents contents_;
  TShellDetailsPtr details_;
  TShellChangeWatch watch_{ShellRefreshTimer};
  bool columnsFileSystem_ = false;
  int sortColumn_ = 1;
  TUiCustomShellTree* tree_ = nullptr;
  TUiCustomShellCombo* combo_ = nullptr;
  int reentry_ = 0;
  bool suspend_ = false;
  bool fillPending_ = false;
  std::string editAfterRefresh_;
  TListItem* dropItem_ = nullptr;
  TPoint dragPoint_{-1, -1};
  TPoint downPoint_{-1, -1};
  int cursorDepth_ = 0;
};

// The published form (the class the file browser places), described for
// the component stream and the stored properties: Folder (stored only
// when no combo or tree is linked), Options, FileFilter.
class TUiShellList : public TUiCustomShellList {
 public:
  static const TClassInfo& ClassInfo();
};

}  // namespace qv
