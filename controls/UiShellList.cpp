#include "controls/UiShellList.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "controls/UiShellCombo.h"
#include "controls/UiShellIcons.h"
#include "controls/UiShellTree.h"
#include "platform/core/Services.h"

namespace qv {

namespace {

// Drag auto-scroll: the margins and the pace.
constexpr int kScrollMarginX = 26, kScrollMarginY = 20, kScrollEveryMs = 100;
constexpr int kPendingPollMs = 250;

// The message of an opener that ended with a failure after the open
// returned; shown whether or not the list is still there.
void ReportLateOpenFailure(int code) {
  const std::string message = ShellExecuteErrorMessage(code);
  if (!message.empty()) Dialogs().MessageBox(message, "Error", mtError, mbOK);
}

}  // namespace

TUiCustomShellList::TUiCustomShellList() {
  folder_.OnChange = [this] { FolderChanged(); };
  SetSmallImages(&SystemImageList(true));
  SetLargeImages(&SystemImageList(false));
  SetMultiSelect(true);
  contents_.SetFileFilter("");
  OnEdited = [this](TListItem& item, std::string& text) { renameItem(item, text); };
  TUiDeviceChangeHandler::Instance().Register(
      this, [this](int event, const std::string& mount) { DeviceChanged(event, mount); });
}

TUiCustomShellList::~TUiCustomShellList() {
  TUiDeviceChangeHandler::Instance().Unregister(this);
  stopWatching();
  if (combo_) combo_->listGone(this);
  if (tree_) tree_->listGone(this);
  // Items go before the folder they refer to.
  dropItem_ = nullptr;
  Items().Clear();
}

// ---- properties --------------------------------------------------------------------

void TUiCustomShellList::SetOptions(TUiShellListOptions v) {
  const TUiShellListOptions old = contents_.Options;
  contents_.Options = v;
  if (!host_) return;
  const TUiShellListOptions changed = old ^ v;
  if (changed & SloBit(sloDynamicRefresh)) {
    if (Has(sloDynamicRefresh))
      startWatching();
    else
      stopWatching();
  }
  if (changed & (SloBit(sloHideFoldersWhenLinkedToTree) | SloBit(sloShowHidden))) Fill();
}

void TUiCustomShellList::SetFileFilter(const std::string& v) {
  if (v == contents_.FileFilter()) return;
  contents_.SetFileFilter(v);
  if (Has(sloAutoFill)) Fill();
}

void TUiCustomShellList::SetSortColumn(int v) {
  const int columns = std::max(Columns().Count(), 1);
  if (v > columns || v < -columns) v = 1;
  if (v != 0)
    SetSortArrow(std::abs(v) - 1, v < 0);
  else
    SetSortArrow(-1, false);
  if (v == sortColumn_) return;
  sortColumn_ = v;
  sortItems();
}

void TUiCustomShellList::linkTree(TUiCustomShellTree* t) {
  tree_ = t;
  contents_.LinkedToTree = t != nullptr;
}

// ---- items ---------------------------------------------------------------------------

TUiShellListData* TUiCustomShellList::ItemData(TListItem& item) {
  return static_cast<TUiShellListData*>(item.OwnedData.get());
}

TUiShellListData* TUiCustomShellList::ItemData(int index) {
  if (index < 0 || index >= Items().Count()) return nullptr;
  return ItemData(Items().Item(index));
}

std::vector<TListItem*> TUiCustomShellList::SelectedItems() {
  std::vector<TListItem*> r;
  for (int i = 0; i < Items().Count(); ++i)
    if (Items().Item(i).Selected()) r.push_back(&Items().Item(i));
  return r;
}

std::string TUiCustomShellList::ItemText(TListItem& item, int column) {
  TUiShellListData* d = ItemData(item);
  std::string s = d ? d->ColumnText(column, details_.get()) : std::string();
  if (OnGetDisplayText) OnGetDisplayText(item, column, s);
  return s;
}

int TUiCustomShellList::ItemImageIndex(TListItem& item) {
  int index = TUiCustomListView::ItemImageIndex(item);
  if (index < 1)
    if (TUiShellListData* d = ItemData(item)) index = d->ImageIndex();
  return index;
}

void TUiCustomShellList::DoDeletion(TListItem& item) {
  if (dropItem_ == &item) dropItem_ = nullptr;
  TUiCustomListView::DoDeletion(item);
  if (TUiShellListData* d = ItemData(item))
    if (OnDeleteItem) OnDeleteItem(item, *d);
}

void TUiCustomShellList::addItem(std::unique_ptr<TUiShellListData> data, int index) {
  TListItem& item = index < 0 ? Items().Add() : Items().Insert(index);
  item.SetOverlayIndex(data->OverlayIndex());
  item.SetCut(data->IsGhosted());
  item.OwnedData = std::move(data);
}

int TUiCustomShellList::sortedIndexFor(const TUiShellListData& data) {
  if (sortColumn_ == 0) return -1;
  int lo = 0, hi = Items().Count();
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    TUiShellListData* m = ItemData(mid);
    if (m && contents_.Compare(*m, data, sortColumn_) <= 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

void TUiCustomShellList::sortItems() {
  if (sortColumn_ == 0) {
    AlphaSort();
    return;
  }
  CustomSort([this](TListItem& a, TListItem& b) {
    TUiShellListData *da = ItemData(a), *db = ItemData(b);
    return da && db ? contents_.Compare(*da, *db, sortColumn_) : 0;
  });
}

// ---- fill and refresh ----------------------------------------------------------------

void TUiCustomShellList::hourglass(bool on) {
  if (!host_) return;
  cursorDepth_ += on ? 1 : -1;
  host_->SetCursor(cursorDepth_ > 0 ? crHourGlass : crDefault);
}

void TUiCustomShellList::holdPending() {
  fillPending_ = true;
  if (host_) host_->SetTimer(ShellPendingTimer, kPendingPollMs);
}

void TUiCustomShellList::Fill() {
  if (!host_) return;
  if (suspend_ || IsEditing()) {
    holdPending();
    return;
  }
  fillPending_ = false;
  hourglass(true);
  TShellScopeExit restore{[this] { hourglass(false); }};
  ClearSelection();
  Items().BeginUpdate();
  TShellScopeExit endUpdate{[this] { Items().EndUpdate(); }};
  dropItem_ = nullptr;
  Items().Clear();
  if (OnFillStart) OnFillStart();
  contents_.Bind(folder_.Pidl());
  setUpColumns();
  std::vector<std::unique_ptr<TUiShellListData>> items = contents_.Fill();
  if (sortColumn_ != 0) contents_.Sort(items, sortColumn_);
  Items().SetAllocBy(static_cast<int>(items.size()));
  for (auto& d : items) addItem(std::move(d), -1);
  if (sortColumn_ == 0) AlphaSort();
  if (Items().Count() > 0) Items().Item(0).SetFocused(true);
  Scroll(-ScrollPos().X, -ScrollPos().Y);
  if (OnFillComplete) OnFillComplete();
  if (Has(sloDynamicRefresh)) startWatching();
}

void TUiCustomShellList::Refresh() {
  if (!host_) return;
  if (suspend_ || IsEditing()) {
    holdPending();
    return;
  }
  // The folder may have gone: move to the nearest parent that is there.
  TShellFolderPtr probe;
  if (contents_.Bound() && BindToFolder(contents_.FolderPidl().Get(), probe) != 0) {
    const TPidl parent = TShellListContents::NearestExistingFolder(contents_.FolderPidl().Get());
    navigate(parent.Get());
    return;
  }
  if (Items().Count() == 0 || !contents_.Bound()) {
    Fill();
    return;
  }
  fillPending_ = false;
  hourglass(true);
  TShellScopeExit restore{[this] { hourglass(false); }};
  if (OnFillStart) OnFillStart();
  std::vector<const TUiShellListData*> current;
  current.reserve(static_cast<std::size_t>(Items().Count()));
  for (int i = 0; i < Items().Count(); ++i) current.push_back(ItemData(i));
  TShellListContents::TRefresh r = contents_.Refresh(current);
  // Many removals: a fill is cheaper than deleting one by one.
  if (r.Removed.size() > 64 && r.Removed.size() * 4 > current.size()) {
    Fill();
    return;
  }
  Items().BeginUpdate();
  for (auto it = r.Removed.rbegin(); it != r.Removed.rend(); ++it) Items().Delete(*it);
  Items().SetAllocBy(static_cast<int>(r.Added.size()));
  for (auto& d : r.Added) {
    const int at = sortedIndexFor(*d);
    addItem(std::move(d), at);
  }
  Items().EndUpdate();
  if (sortColumn_ == 0 && !r.Added.empty()) AlphaSort();
  if (OnFillComplete) OnFillComplete();
  if (!editAfterRefresh_.empty() && host_) host_->PostToSelf(WM_SHELL_EDIT_NAMED, 0, 0);
}

void TUiCustomShellList::EditAfterRefresh(const std::string& name) {
  editAfterRefresh_ = name;
  if (host_) host_->PostToSelf(WM_SHELL_EDIT_NAMED, 0, 0);
}

void TUiCustomShellList::setUpColumns() {
  saveColumnWidths();
  details_ = FolderDetails(contents_.Folder());
  columnsFileSystem_ = !contents_.Folder()->Path().empty();
  const std::vector<TShellListColumn> cols =
      TShellListColumns::Build(details_.get(), columnsFileSystem_);
  Columns().Clear();
  for (const TShellListColumn& c : cols) {
    TListColumn& col = Columns().Add();
    col.SetCaption(c.Caption);
    col.SetWidth(c.Width);
    col.SetAlignment(c.Alignment == LVCFMT_RIGHT    ? taRightJustify
                     : c.Alignment == LVCFMT_CENTER ? taCenter
                                                    : taLeftJustify);
  }
  if (std::abs(sortColumn_) > Columns().Count()) sortColumn_ = 1;
  if (sortColumn_ != 0) SetSortArrow(std::abs(sortColumn_) - 1, sortColumn_ < 0);
  DoFillLastColumn();
}

void TUiCustomShellList::saveColumnWidths() {
  if (!columnsFileSystem_ || Columns().Count() == 0) return;
  std::vector<int> widths;
  for (int i = 0; i < Columns().Count(); ++i) widths.push_back(Columns()[i].Width());
  TShellListColumns::SaveWidths(widths);
}

// ---- change notification ---------------------------------------------------------------

void TUiCustomShellList::startWatching() {
  if (!host_) return;
  TChangeHandlerThread& thread = watch_.Restart(
      host_, [this](int msg, std::intptr_t w, std::intptr_t l) { Posted(msg, w, l); });
  const std::string path = contents_.Bound() ? contents_.Folder()->Path() : std::string();
  int slot = -1;
  if (!path.empty())
    thread.AddWatch(path, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, 0, slot);
}

void TUiCustomShellList::stopWatching() { watch_.Stop(host_); }

void TUiCustomShellList::changeArrived() {
  if (!host_) return;
  if (suspend_ || IsEditing()) {
    holdPending();
    return;
  }
  watch_.Change(*host_, Focused());
}

void TUiCustomShellList::runChangeRefresh() {
  watch_.Done(host_);
  if (tree_) {
    TReentry guard(reentry_);
    tree_->FlushChangeRefresh();
  }
  Refresh();
}

void TUiCustomShellList::FlushChangeRefresh() {
  if (tree_ && reentry_ == 0) {
    TReentry guard(reentry_);
    tree_->FlushChangeRefresh();
  }
  if (watch_.Pending()) runChangeRefresh();
}

void TUiCustomShellList::Timer(int id) {
  switch (id) {
    case ShellRefreshTimer:
      runChangeRefresh();
      return;
    case ShellPendingTimer:
      if (suspend_ || IsEditing()) return;
      host_->KillTimer(ShellPendingTimer);
      if (fillPending_) Refresh();
      return;
    case ShellDragScrollTimer: {
      if (dragPoint_.X < 0 || !host_) {
        host_->KillTimer(ShellDragScrollTimer);
        return;
      }
      const TRect r = host_->ClientRect();
      auto canMove = [this](TScrollBarKind bar) {
        const TScrollInfo i = host_->GetScrollInfo(bar);
        return i.Visible && i.Max - i.Min + 1 - i.Page > 0;
      };
      if (dragPoint_.X < r.Left + kScrollMarginX && canMove(sbHorizontal))
        Scroll(sbHorizontal, scLineUp, 0);
      else if (dragPoint_.X >= r.Right - kScrollMarginX && canMove(sbHorizontal))
        Scroll(sbHorizontal, scLineDown, 0);
      if (dragPoint_.Y < r.Top + kScrollMarginY && canMove(sbVertical))
        Scroll(sbVertical, scLineUp, 0);
      else if (dragPoint_.Y >= r.Bottom - kScrollMarginY && canMove(sbVertical))
        Scroll(sbVertical, scLineDown, 0);
      return;
    }
    default:
      TUiCustomListView::Timer(id);
  }
}

void TUiCustomShellList::Posted(int msg, std::intptr_t wParam, std::intptr_t lParam) {
  switch (msg) {
    case WM_SHELL_CHANGE:
      changeArrived();
      return;
    case WM_SHELL_FILL_EMPTY:
      if (Items().Count() == 0) Fill();
      return;
    case WM_SHELL_EDIT_NAMED: {
      const std::string name = std::move(editAfterRefresh_);
      editAfterRefresh_.clear();
      for (int i = 0; i < Items().Count(); ++i) {
        TUiShellListData* d = ItemData(i);
        if (d && d->DisplayName() == name) {
          if (host_) host_->SetFocus();
          EditCaption(Items().Item(i));
          break;
        }
      }
      return;
    }
    default:
      TUiCustomListView::Posted(msg, wParam, lParam);
  }
}

// ---- folders -----------------------------------------------------------------------------

void TUiCustomShellList::FolderChanged() {
  if (reentry_ == 0) {
    TReentry guard(reentry_);
    if (tree_)
      tree_->SelectedFolder().SetPidl(folder_.Pidl());
    else if (combo_)
      combo_->Folder().SetPidl(folder_.Pidl());
    Fill();
  }
  if (OnFolderChanged) OnFolderChanged();
}

void TUiCustomShellList::navigate(PCItemIDList pidl) {
  if (tree_)
    tree_->SelectedFolder().SetPidl(pidl);
  else if (combo_)
    combo_->Folder().SetPidl(pidl);
  else
    folder_.SetPidl(pidl);
}

void TUiCustomShellList::MoveUp(int levels) {
  if (Has(sloDontChangeFolder) || levels <= 0) return;
  if (tree_) {
    tree_->MoveUp(levels);
    return;
  }
  if (combo_) {
    combo_->MoveUp(levels);
    return;
  }
  const PCItemIDList p = folder_.Pidl();
  const int count = PidlCount(p);
  if (count == 0) return;
  folder_.SetPidl(PidlPrefix(p, std::max(count - levels, 0)).Get());
}

void TUiCustomShellList::DeviceChanged(int event, const std::string&) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  TDriveInfoRefresh drives;
  const PCItemIDList p = folder_.Pidl();
  if (p == nullptr || PidlCount(p) == 0)
    Fill();  // the Computer shows the mounts
  else if (event == DBT_DEVICEREMOVECOMPLETE)
    Refresh();  // moves up when the shown folder was on the mount
}

// ---- loading and the window ---------------------------------------------------------------

void TUiCustomShellList::Loaded() {
  TUiCustomListView::Loaded();
  if (Has(sloAutoFill) && Items().Count() == 0 && host_)
    host_->PostToSelf(WM_SHELL_FILL_EMPTY, 0, 0);
}

void TUiCustomShellList::SetHost(TControlHost* host) {
  if (host == nullptr && host_ != nullptr) {
    // The window goes: keep the widths, end the watching.
    saveColumnWidths();
    stopWatching();
    host_->KillTimer(ShellPendingTimer);
    host_->KillTimer(ShellDragScrollTimer);
  }
  TUiCustomListView::SetHost(host);
  if (host && Has(sloAutoFill) && Items().Count() == 0) host->PostToSelf(WM_SHELL_FILL_EMPTY, 0, 0);
}

// ---- input ---------------------------------------------------------------------------------

void TUiCustomShellList::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  downPoint_ = {x, y};
  TUiCustomListView::MouseDown(button, shift, x, y);
}

void TUiCustomShellList::DblClick() {
  THitTests where = 0;
  const int index = ItemAt(downPoint_.X, downPoint_.Y, &where);
  if (index >= 0 && HeaderColumnAt(downPoint_.X, downPoint_.Y) < 0) OpenSelection();
  TUiCustomListView::DblClick();
}

void TUiCustomShellList::KeyDown(int& key, TShiftState shift) {
  if (Has(sloDefaultKeyHandling) && !IsEditing()) {
    const int row = FindShellKeyCommand(key, shift);
    if (row >= 0) {
      key = 0;
      runKeyCommand(row);
      return;
    }
  }
  if (key == VK_RETURN && !IsEditing()) {
    // Enter stays with the list on a folder: it opens it.
    TListItem* f = ItemFocused();
    TUiShellListData* d = f ? ItemData(*f) : nullptr;
    if (d && d->IsFolder()) {
      key = 0;
      OpenSelection();
      return;
    }
  }
  TUiCustomListView::KeyDown(key, shift);
}

void TUiCustomShellList::runKeyCommand(int row) {
  switch (row) {
    case skSelectAll:
      SelectAll();
      break;
    case skDelete:
      InvokeVerb("delete");
      break;
    case skCopy:
      InvokeVerb("copy");
      break;
    case skCut:
      InvokeVerb("cut");
      break;
    case skPaste:
      InvokeVerb("paste");
      break;
    case skRefresh:
      Fill();
      break;
    case skRename:
      InvokeVerb("rename");
      break;
    default:
      break;
  }
}

void TUiCustomShellList::ColumnClick(TListColumn& column) {
  const int before = sortColumn_;
  TUiCustomListView::ColumnClick(column);
  if (sortColumn_ != before) return;  // the handler chose the order itself
  const int c = column.Index() + 1;
  SetSortColumn(std::abs(sortColumn_) == c ? -sortColumn_ : c);
}

// ---- open ------------------------------------------------------------------------------------

void TUiCustomShellList::OpenSelection() {
  FlushChangeRefresh();
  std::vector<TListItem*> sel = SelectedItems();
  if (sel.size() < 2) {
    TListItem* item = ItemFocused();
    if (item == nullptr || !item->Selected()) item = Selected();
    TUiShellListData* d = item ? ItemData(*item) : nullptr;
    if (d == nullptr) return;
    hourglass(true);
    TShellScopeExit restore{[this] { hourglass(false); }};
    if (d->IsLink()) {
      // A link to a folder opens its target.
      TUiShortcutInfo info;
      info.ResolveMode = 1;
      TPidl target;
      if (ReadShortcut(d->Path(), info, false) == 0 && info.Target.Directory &&
          PathToPidl(info.Path, target) == 0) {
        if (!Has(sloDontChangeFolder)) navigate(target.Get());
        return;
      }
    }
    if (d->IsFolder()) {
      if (Has(sloDontChangeFolder)) return;
      TPidl pidl = TPidl::Copy(d->AbsolutePidl());
      ClearSelection();
      Items().Clear();
      navigate(pidl.Get());
      return;
    }
    bool handled = false;
    if (OnDblClickOpen) OnDblClickOpen(handled);
    if (handled) return;
    const int code = ShellExecuteOpen(d->Path(), FolderPath(), ReportLateOpenFailure);
    if (code <= 32) showError(ShellExecuteErrorMessage(code));
    return;
  }
  bool handled = false;
  if (OnDblClickOpen) OnDblClickOpen(handled);
  if (handled) return;
  for (TListItem* item : sel) {
    TUiShellListData* d = ItemData(*item);
    if (d == nullptr || d->IsFolder()) continue;
    const int code = ShellExecuteOpen(d->Path(), FolderPath(), ReportLateOpenFailure);
    if (code <= 32) {
      showError(ShellExecuteErrorMessage(code));
      break;
    }
  }
}

void TUiCustomShellList::showError(const std::string& message) {
  if (!message.empty()) Dialogs().MessageBox(message, "Error", mtError, mbOK);
}

// ---- verbs and the context menu -----------------------------------------------------------

bool TUiCustomShellList::InvokeVerb(const std::string& verb) {
  std::vector<TListItem*> sel = SelectedItems();
  if (SameText(verb, "paste")) {
    const std::string folder = FolderPath();
    std::vector<std::string> paths;
    bool cut = false;
    if (folder.empty() || !GetShellClipboard(paths, cut)) return false;
    const TShellOpResult r = TransferItems(paths, folder, cut);
    if (!r.Ok) showError(r.Message);
    if (cut && r.Ok) Clipboard().Clear();  // moved: a second paste has nothing to move
    Refresh();
    return true;
  }
  if (sel.empty()) return false;
  if (SameText(verb, "open")) {
    OpenSelection();
    return true;
  }
  if (SameText(verb, "rename")) {
    TListItem* f = ItemFocused();
    if (f == nullptr || !f->Selected()) f = sel.front();
    return EditCaption(*f);
  }
  std::vector<TPidl> rel;
  std::vector<std::string> paths;
  for (TListItem* item : sel)
    if (TUiShellListData* d = ItemData(*item)) {
      rel.push_back(TPidl::Copy(d->RelativePidl()));
      const std::string p = d->Path();
      if (!p.empty()) paths.push_back(p);
    }
  if (SameText(verb, "copy") || SameText(verb, "cut")) {
    SetShellClipboard(TShellDataObject(contents_.FolderPidl().Get(), std::move(rel)),
                      SameText(verb, "cut"));
    return true;
  }
  if (SameText(verb, "delete")) {
    if (paths.empty()) return false;
    const TShellOpResult r = MoveToTrash(paths);
    if (!r.Ok) showError(r.Message);
    Refresh();
    return true;
  }
  return false;
}

std::vector<TUiShellMenuItem> TUiCustomShellList::ContextMenuItems(bool onItem) {
  std::vector<std::string> clip;
  bool cut = false;
  const bool canPaste = !FolderPath().empty() && GetShellClipboard(clip, cut);
  if (!onItem) return {{smPaste, "&Paste", canPaste, false}};
  std::vector<TListItem*> sel = SelectedItems();
  bool fileSystem = !sel.empty(), renamable = false;
  for (TListItem* i : sel)
    if (TUiShellListData* d = ItemData(*i)) fileSystem = fileSystem && !d->Path().empty();
  TListItem* f = ItemFocused();
  if (f && f->Selected() && !ReadOnly())
    if (TUiShellListData* d = ItemData(*f)) renamable = !d->Path().empty() && d->CanRename();
  return {{smOpen, "&Open", true, true},           {0, "", true, false},
          {smCut, "Cu&t", fileSystem, false},      {smCopy, "&Copy", fileSystem, false},
          {smPaste, "&Paste", canPaste, false},    {0, "", true, false},
          {smRename, "Rena&me", renamable, false}, {smTrash, "Move to &Trash", fileSystem, false}};
}

void TUiCustomShellList::RunMenuCommand(int id) {
  switch (id) {
    case smOpen:
      InvokeVerb("open");
      break;
    case smCut:
      InvokeVerb("cut");
      break;
    case smCopy:
      InvokeVerb("copy");
      break;
    case smPaste:
      InvokeVerb("paste");
      break;
    case smRename:
      InvokeVerb("rename");
      break;
    case smTrash:
      InvokeVerb("delete");
      break;
    default:
      break;
  }
}

void TUiCustomShellList::ContextMenu(int x, int y, bool fromKeyboard) {
  if (!Has(sloContextMenus)) {
    TUiCustomListView::ContextMenu(x, y, fromKeyboard);
    return;
  }
  TListItem* item = nullptr;
  if (fromKeyboard) {
    item = ItemFocused();
    if (item == nullptr || !item->Selected()) item = Selected();
    if (item) {
      const TRect icon = item->DisplayRect(drIcon);
      x = (icon.Left + icon.Right) / 2;
      y = (icon.Top + icon.Bottom) / 2;
    } else {
      x = y = 0;
    }
  } else {
    const int index = ItemAt(x, y);
    if (index >= 0) {
      item = &Items().Item(index);
      if (!item->Selected()) {
        ClearSelection();
        item->SetSelected(true);
        item->SetFocused(true);
      }
    }
  }
  if (item == nullptr && !Has(sloFolderContextMenu)) return;
  if (!ShowMenu) return;
  const int id = ShowMenu(ContextMenuItems(item != nullptr), x, y);
  if (id != 0) RunMenuCommand(id);
}

// ---- renaming --------------------------------------------------------------------------------

bool TUiCustomShellList::CanEdit(TListItem& item) {
  TUiShellListData* d = ItemData(item);
  if (d == nullptr || d->Path().empty() || !d->CanRename()) return false;
  if (!TUiCustomListView::CanEdit(item)) return false;
  // The editor starts with the name for editing.
  item.SetCaption(GetDisplayName(contents_.Folder().get(), d->RelativePidl(), dnForEditing));
  return true;
}

void TUiCustomShellList::renameItem(TListItem& item, std::string& text) {
  TUiShellListData* d = ItemData(item);
  if (d == nullptr) return;
  const std::string old = d->DisplayName();
  if (!text.empty() && text != old) {
    TPidl renamed;
    hourglass(true);
    const int e = contents_.Folder()->SetNameOf(d->RelativePidl(), text, renamed);
    hourglass(false);
    if (e == 0) {
      d->Renamed(std::move(renamed));
      sortItems();
    } else {
      showError(Format("Cannot rename \"%s\": %s", old,
                       e == EINVAL ? std::string("A file name cannot be empty or contain \"/\".")
                                   : SysErrorMessage(e)));
    }
  }
  text = d->DisplayName();
  if (fillPending_) holdPending();  // runs once the edit has ended
}

// ---- drag and drop ---------------------------------------------------------------------------

void TUiCustomShellList::DoBeginDrag(TMouseButton button) {
  TUiCustomListView::DoBeginDrag(button);
  if (!Has(sloOleDrag) || !StartDrag || (button != mbLeft && button != mbRight)) return;
  std::vector<TPidl> rel;
  for (TListItem* item : SelectedItems())
    if (TUiShellListData* d = ItemData(*item)) rel.push_back(TPidl::Copy(d->RelativePidl()));
  if (rel.empty()) return;
  const TShellDataObject data(contents_.FolderPidl().Get(), std::move(rel));
  suspend_ = true;
  {
    TShellScopeExit resume{[this] { suspend_ = false; }};
    StartDrag(data, button);
  }
  if (fillPending_) {
    fillPending_ = false;
    Refresh();
  }
}

std::string TUiCustomShellList::dropFolder(int x, int y, TListItem** item) {
  *item = nullptr;
  const int index = ItemAt(x, y);
  if (index >= 0) {
    TUiShellListData* d = ItemData(index);
    if (d && d->IsFolder()) {
      *item = &Items().Item(index);
      return d->Path();
    }
  }
  return FolderPath();
}

void TUiCustomShellList::setDropItem(TListItem* item) {
  if (item == dropItem_) return;
  if (dropItem_) dropItem_->Update();
  dropItem_ = item;
  if (dropItem_) dropItem_->Update();
}

std::uint32_t TUiCustomShellList::DragOver(const std::vector<std::string>& paths, int x, int y,
                                           TShiftState shift) {
  if (!Has(sloOleDrop)) return DROPEFFECT_NONE;
  TListItem* item = nullptr;
  const std::string folder = dropFolder(x, y, &item);
  setDropItem(item);
  dragPoint_ = {x, y};
  if (host_) host_->SetTimer(ShellDragScrollTimer, kScrollEveryMs);
  return ShellDropEffect(paths, folder, shift);
}

void TUiCustomShellList::DragLeave() {
  setDropItem(nullptr);
  dragPoint_ = {-1, -1};
  if (host_) host_->KillTimer(ShellDragScrollTimer);
}

std::uint32_t TUiCustomShellList::Drop(const std::vector<std::string>& paths, int x, int y,
                                       TShiftState shift) {
  if (!Has(sloOleDrop)) return DROPEFFECT_NONE;
  TListItem* item = nullptr;
  const std::string folder = dropFolder(x, y, &item);
  const std::uint32_t effect = ShellDropEffect(paths, folder, shift);
  DragLeave();
  if (effect == DROPEFFECT_NONE) return effect;
  hourglass(true);
  const TShellOpResult r = TransferItems(paths, folder, effect == DROPEFFECT_MOVE);
  hourglass(false);
  if (!r.Ok) showError(r.Message);
  Refresh();
  return r.Ok ? effect : DROPEFFECT_NONE;
}

void TUiCustomShellList::Paint(TCanvas& canvas, const TRect& rect) {
  TUiCustomListView::Paint(canvas, rect);
  if (dropItem_ == nullptr) return;
  // The drop target: a frame around the folder item under the cursor.
  TRect r = dropItem_->DisplayRect(drSelectBounds);
  canvas.Brush.SetStyle(bsClear);
  canvas.Pen.SetStyle(psSolid);
  canvas.Pen.SetColor(clHighlight);
  canvas.Pen.SetWidth(2);
  canvas.Rectangle(r.Left + 1, r.Top + 1, r.Right, r.Bottom);
  canvas.Pen.SetWidth(1);
}

// ---- the class description ----------------------------------------------------------------

namespace {
const TTypeInfo& shellListOptionsType() {
  static const TTypeInfo& element =
      RegisterEnumType("TUiShellListOption",
                       {"sloAutoFill", "sloNonFilesystemAncestors", "sloDesignInteractive",
                        "sloDefaultKeyHandling", "sloContextMenus", "sloDontChangeFolder",
                        "sloDontGoBelowBase", "sloDynamicRefresh", "sloHideFoldersWhenLinkedToTree",
                        "sloOleDrag", "sloOleDrop", "sloFolderContextMenu", "sloShowHidden"});
  static const TTypeInfo& set = RegisterSetType("TUiShellListOptions", element);
  return set;
}
}  // namespace

const TClassInfo& TUiShellList::ClassInfo() {
  static const TClassInfo& info =
      TClassBuilder<TUiShellList>("TUiShellList")
          .Component()
          .Property("Folder", TUiShellLocator::ClassInfo(),
                    [](TUiShellList& l) -> TUiShellLocator& { return l.Folder(); })
          .Stored([](TUiShellList& l) { return !l.ShellTree() && !l.ShellCombo(); })
          .Property(
              "Options", shellListOptionsType(), [](TUiShellList& l) { return l.Options(); },
              [](TUiShellList& l, std::int64_t v) {
                l.SetOptions(static_cast<TUiShellListOptions>(v));
              })
          .Default(static_cast<std::int64_t>(kDefaultShellListOptions))
          .Property(
              "FileFilter", TypeInfoString(), [](TUiShellList& l) { return l.FileFilter(); },
              [](TUiShellList& l, const std::string& v) { l.SetFileFilter(v); })
          .Register();
  return info;
}

}  // namespace qv
