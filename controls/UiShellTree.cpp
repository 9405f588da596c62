#include "controls/UiShellTree.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>

#include "controls/UiShellCombo.h"
#include "controls/UiShellIcons.h"
#include "controls/UiShellList.h"
#include "platform/core/Services.h"

namespace qv {

namespace {

constexpr int kUpdateDelayMs = 500;
constexpr int kScrollMarginX = 26, kScrollMarginY = 20, kScrollEveryMs = 100;
// Hovering over a node during a drag expands it: the rest area and time.
constexpr int kHoverWidth = 2, kHoverHeight = 2, kHoverMs = 400;
// The attributes asked of every node: the list's and whether it has folders.
constexpr std::uint32_t kTreeAttributeMask = kShellListAttributeMask | SFGAO_HASSUBFOLDER;

bool sameBytes(PCItemIDList a, PCItemIDList b) {
  const std::size_t sa = PidlSize(a);
  return sa == PidlSize(b) &&
         std::char_traits<char>::compare(reinterpret_cast<const char*>(a),
                                         reinterpret_cast<const char*>(b), sa) == 0;
}

}  // namespace

TUiCustomShellTree::TUiCustomShellTree() {
  base_.OnChange = [this] { baseChanged(); };
  selected_.OnChange = [this] { selectedChanged(); };
  SetShowRoot(false);
  SetImages(&SystemImageList(true));
  OnChange = [this](TTreeNode* node) { selectionChanged(node); };
  OnEdited = [this](TTreeNode& node, std::string& text) { renameNode(node, text); };
  TUiDeviceChangeHandler::Instance().Register(
      this, [this](int event, const std::string& mount) { DeviceChanged(event, mount); });
}

TUiCustomShellTree::~TUiCustomShellTree() {
  TUiDeviceChangeHandler::Instance().Unregister(this);
  stopWatching();
  if (list_) list_->linkTree(nullptr);
  if (combo_) combo_->treeGone(this);
  OnChange = nullptr;
  dropNode_ = nullptr;
  Items().Clear();
}

// ---- properties and links ------------------------------------------------------------

void TUiCustomShellTree::SetOptions(TUiShellTreeOptions v) {
  const TUiShellTreeOptions changed = options_ ^ v;
  options_ = v;
  if (!host_) return;
  if (changed & StoBit(stoDynamicRefresh)) {
    if (Has(stoDynamicRefresh))
      startWatching();
    else
      stopWatching();
  }
  if (changed & (StoBit(stoShowFiles) | StoBit(stoShowHidden) | StoBit(stoNonFilesystemAncestors)))
    Fill();
}

void TUiCustomShellTree::SetShellList(TUiCustomShellList* list) {
  if (list == list_) return;
  if (list_) list_->linkTree(nullptr);
  list_ = list;
  if (list_) {
    if (list_->ShellTree() && list_->ShellTree() != this) list_->ShellTree()->list_ = nullptr;
    list_->linkTree(this);
  }
}

void TUiCustomShellTree::comboGone(TUiCustomShellCombo* c) {
  if (combo_ == c) combo_ = nullptr;
}

void TUiCustomShellTree::listGone(TUiCustomShellList* l) {
  if (list_ == l) list_ = nullptr;
}

// ---- nodes ---------------------------------------------------------------------------------

TUiShellTreeData* TUiCustomShellTree::NodeData(TTreeNode& node) {
  return static_cast<TUiShellTreeData*>(node.OwnedData.get());
}

TShellFolderPtr TUiCustomShellTree::NodeFolder(TTreeNode* node) {
  if (node == nullptr) return baseFolder_;
  TUiShellTreeData* d = NodeData(*node);
  if (d == nullptr) return nullptr;
  if (!d->Folder) {
    TShellFolderPtr parent = NodeFolder(node->Parent());
    if (parent && parent->BindToObject(d->Rel.Get(), d->Folder) != 0) d->Folder.reset();
  }
  return d->Folder;
}

PCItemIDList TUiCustomShellTree::NodePidl(TTreeNode& node) {
  TUiShellTreeData* d = NodeData(node);
  if (d == nullptr) return nullptr;
  if (d->Abs.IsNull()) {
    PCItemIDList parent = node.Parent() ? NodePidl(*node.Parent())
                          : baseFolder_ ? baseFolder_->AbsolutePidl().Get()
                                        : nullptr;
    d->Abs = JoinPidls(parent, d->Rel.Get());
  }
  return d->Abs.Get();
}

std::string TUiCustomShellTree::NodePath(TTreeNode& node) { return PidlToPath(NodePidl(node)); }

void TUiCustomShellTree::forgetCaches(TTreeNode& node) {
  if (TUiShellTreeData* d = NodeData(node)) {
    d->Abs.Reset();
    d->Folder.reset();
  }
  for (int i = 0; i < node.Count(); ++i) forgetCaches(*node.Item(i));
}

unsigned TUiCustomShellTree::enumFlags() const {
  unsigned f = SHCONTF_FOLDERS;
  if (Has(stoShowFiles)) f |= SHCONTF_NONFOLDERS;
  if (Has(stoShowHidden)) f |= SHCONTF_INCLUDEHIDDEN;
  return f;
}

std::vector<std::unique_ptr<TUiShellTreeData>> TUiCustomShellTree::readChildren(TTreeNode* parent) {
  std::vector<std::unique_ptr<TUiShellTreeData>> result;
  TShellFolderPtr folder = NodeFolder(parent);
  if (!folder) return result;
  std::vector<TPidl> items;
  if (folder->EnumObjects(enumFlags(), items) != 0) return result;
  const TPidl parentAbs = TPidl::Copy(parent ? NodePidl(*parent) : folder->AbsolutePidl().Get());
  for (TPidl& rel : items) {
    const std::uint32_t attrs = folder->GetAttributesOf(rel.Get(), kTreeAttributeMask);
    if (!Has(stoNonFilesystemAncestors) && !(attrs & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
      continue;
    if (OnAddItem) {
      bool allow = true;
      OnAddItem(*folder, parentAbs.Get(), rel.Get(), attrs, allow);
      if (!allow) continue;
    }
    result.push_back(std::make_unique<TUiShellTreeData>(std::move(rel), attrs));
  }
  std::stable_sort(result.begin(), result.end(), [&](const auto& a, const auto& b) {
    const int c = folder->CompareIDs(0, a->Rel.Get(), b->Rel.Get());
    return c != kNotComparable && c < 0;
  });
  return result;
}

TTreeNode& TUiCustomShellTree::addNode(TTreeNode* parent, std::unique_ptr<TUiShellTreeData> data,
                                       TTreeNode* before) {
  TShellFolderPtr folder = NodeFolder(parent);
  const std::string text = folder ? folder->GetDisplayNameOf(data->Rel.Get(), SHGDN_INFOLDER) : "";
  TTreeNode& node = before ? Items().Insert(before, text) : Items().AddChild(parent, text);
  const std::uint32_t a = data->Attributes;
  const bool isFolder = (a & SFGAO_FOLDER) != 0, hasSub = (a & SFGAO_HASSUBFOLDER) != 0;
  node.SetHasChildren(Has(stoShowFiles) ? (isFolder || hasSub) : (isFolder && hasSub));
  node.SetOverlayIndex((a & SFGAO_SHARE) ? 1 : (a & SFGAO_LINK) ? 2 : -1);
  node.SetCut((a & SFGAO_GHOSTED) != 0);
  node.OwnedData = std::move(data);
  return node;
}

void TUiCustomShellTree::fillChildren(TTreeNode* parent) {
  for (auto& d : readChildren(parent)) addNode(parent, std::move(d), nullptr);
  if (parent)
    if (TUiShellTreeData* d = NodeData(*parent)) d->ChildrenRead = true;
}

int TUiCustomShellTree::NodeImageIndex(TTreeNode& node) {
  int index = TUiCustomTreeView::NodeImageIndex(node);
  if (index < 1) index = SystemIconIndex(NodePidl(node), SHGFI_SMALLICON);
  return index;
}

int TUiCustomShellTree::NodeSelectedIndex(TTreeNode& node) {
  int index = TUiCustomTreeView::NodeSelectedIndex(node);
  if (index < 1) index = SystemIconIndex(NodePidl(node), SHGFI_SMALLICON | SHGFI_OPENICON);
  return index;
}

bool TUiCustomShellTree::CanExpand(TTreeNode& node) {
  TUiShellTreeData* d = NodeData(node);
  if (d && !d->ChildrenRead) {
    Items().BeginUpdate();
    fillChildren(&node);
    Items().EndUpdate();
    if (node.Count() == 0) node.SetHasChildren(false);
  }
  const bool expand = TUiCustomTreeView::CanExpand(node) && node.Count() > 0;
  // The watches follow the open folders, once this one is open.
  if (expand && host_ && Has(stoDynamicRefresh)) host_->PostToSelf(WM_SHELL_REWATCH, 0, 0);
  return expand;
}

// ---- fill, select, refresh -------------------------------------------------------------

void TUiCustomShellTree::Fill() {
  if (!host_) return;
  if (suspend_) {
    fillPending_ = true;
    return;
  }
  fillPending_ = false;
  host_->SetCursor(crHourGlass);
  TShellScopeExit restore{[this] {
    if (host_) host_->SetCursor(crDefault);
  }};
  Items().BeginUpdate();
  {
    TReentry guard(reentry_);
    TShellScopeExit end{[this] { Items().EndUpdate(); }};
    dropNode_ = nullptr;
    Items().Clear();
    TShellFolderPtr f;
    if (const int e = BindToFolder(base_.Pidl(), f)) RaiseShellError(e);
    baseFolder_ = std::move(f);
    fillChildren(nullptr);
  }
  immediate_ = true;
  TShellScopeExit notImmediate{[this] { immediate_ = false; }};
  if (!SelectPidl(selected_.Pidl()) && Items().GetFirstNode() != nullptr && !Selected())
    SetSelected(Items().GetFirstNode());
  if (Has(stoDynamicRefresh)) startWatching();
}

bool TUiCustomShellTree::SelectPidl(PCItemIDList pidl) {
  if (pidl == nullptr || !baseFolder_) return false;
  const PCItemIDList base = baseFolder_->AbsolutePidl().Get();
  const int baseCount = PidlCount(base), count = PidlCount(pidl);
  if (count <= baseCount) return false;
  if (ComparePidls(PidlPrefix(pidl, baseCount).Get(), base) != 0 && baseCount > 0) return false;
  TTreeNode* parent = nullptr;
  TUiIdListArray ids(pidl);
  for (int level = baseCount; level < count; ++level) {
    if (parent) {
      TUiShellTreeData* d = NodeData(*parent);
      if (d && !d->ChildrenRead) fillChildren(parent);
    }
    TShellFolderPtr folder = NodeFolder(parent);
    if (!folder) return false;
    const TPidl id = ids.Item(level);
    TTreeNode* found = nullptr;
    const int n = parent ? parent->Count() : Items().Root().Count();
    for (int i = 0; i < n && !found; ++i) {
      TTreeNode* child = parent ? parent->Item(i) : Items().Root().Item(i);
      TUiShellTreeData* d = NodeData(*child);
      if (d && folder->CompareIDs(0, d->Rel.Get(), id.Get()) == 0) found = child;
    }
    if (!found) return false;
    if (parent && !parent->Expanded()) parent->Expand(false);
    parent = found;
  }
  SetSelected(parent);
  parent->MakeVisible();
  return true;
}

void TUiCustomShellTree::Refresh() {
  if (!host_) return;
  if (suspend_) {
    fillPending_ = true;
    return;
  }
  if (Items().Count() == 0 || !baseFolder_) {
    Fill();
    return;
  }
  fillPending_ = false;
  TShellFolderPtr probe;
  if (BindToFolder(baseFolder_->AbsolutePidl().Get(), probe) != 0) {
    // The base folder has gone: the nearest parent that is there.
    const TPidl up = TShellListContents::NearestExistingFolder(baseFolder_->AbsolutePidl().Get());
    base_.SetPidl(up.Get());
    if (!Has(stoAutoFill)) Fill();
    return;
  }
  Items().BeginUpdate();
  {
    TReentry guard(reentry_);
    TShellScopeExit end{[this] { Items().EndUpdate(); }};
    refreshNode(nullptr);
  }
  if (Has(stoDynamicRefresh)) startWatching();
}

void TUiCustomShellTree::refreshNode(TTreeNode* parent) {
  if (parent) {
    TUiShellTreeData* d = NodeData(*parent);
    if (d == nullptr || !d->ChildrenRead) return;
  }
  TShellFolderPtr folder = NodeFolder(parent);
  if (!folder) return;
  std::vector<std::unique_ptr<TUiShellTreeData>> fresh = readChildren(parent);
  const bool bytes = !folder->Path().empty();
  auto same = [&](PCItemIDList a, PCItemIDList b) {
    return bytes ? sameBytes(a, b) : folder->CompareIDs(0, a, b) == 0;
  };
  auto childAt = [&](int i) { return parent ? parent->Item(i) : Items().Root().Item(i); };
  auto childCount = [&] { return parent ? parent->Count() : Items().Root().Count(); };
  // Children that are gone.
  for (int i = childCount() - 1; i >= 0; --i) {
    TTreeNode* child = childAt(i);
    TUiShellTreeData* d = NodeData(*child);
    const bool kept = d && std::any_of(fresh.begin(), fresh.end(), [&](const auto& f) {
                        return f && same(f->Rel.Get(), d->Rel.Get());
                      });
    if (!kept) {
      if (dropNode_ && (dropNode_ == child || dropNode_->HasAsParent(child))) dropNode_ = nullptr;
      child->Delete();
    }
  }
  // New ones, each before the first child that sorts after it.
  for (auto& f : fresh) {
    bool present = false;
    for (int i = 0; i < childCount() && !present; ++i)
      if (TUiShellTreeData* d = NodeData(*childAt(i))) present = same(d->Rel.Get(), f->Rel.Get());
    if (present) continue;
    TTreeNode* before = nullptr;
    for (int i = 0; i < childCount() && !before; ++i) {
      TUiShellTreeData* d = NodeData(*childAt(i));
      const int c = d ? folder->CompareIDs(0, f->Rel.Get(), d->Rel.Get()) : kNotComparable;
      if (c != kNotComparable && c < 0) before = childAt(i);
    }
    addNode(parent, std::move(f), before);
  }
  for (int i = 0; i < childCount(); ++i) {
    TTreeNode* child = childAt(i);
    if (child->Expanded()) refreshNode(child);
  }
}

void TUiCustomShellTree::MoveUp(int levels) {
  TTreeNode* node = Selected();
  if (node == nullptr || levels <= 0) return;
  for (int i = 0; i < levels && node; ++i) node = node->Parent();
  if (node == nullptr) return;
  immediate_ = true;
  TShellScopeExit notImmediate{[this] { immediate_ = false; }};
  SetSelected(node);
}

// ---- selection and the linked controls -----------------------------------------------------

void TUiCustomShellTree::baseChanged() {
  {
    TReentry guard(reentry_);
    selected_.SetPidl(nullptr);
  }
  if (Has(stoAutoFill) && host_) Fill();
}

void TUiCustomShellTree::selectedChanged() {
  if (reentry_ != 0 || Items().Count() == 0) return;
  immediate_ = true;
  TShellScopeExit notImmediate{[this] { immediate_ = false; }};
  if (!SelectPidl(selected_.Pidl())) {
    // Outside the tree: the linked controls follow all the same.
    TReentry guard(reentry_);
    if (list_) list_->Folder().SetPidl(selected_.Pidl());
    if (combo_) combo_->TreeSelectionChanged();
  }
}

void TUiCustomShellTree::selectionChanged(TTreeNode* node) {
  if (loading_ || reentry_ != 0 || node == nullptr) return;
  if (list_ && !immediate_ && host_) {
    host_->SetTimer(ShellTreeUpdateTimer, kUpdateDelayMs);
    return;
  }
  updateLinked();
}

void TUiCustomShellTree::updateLinked() {
  if (host_) host_->KillTimer(ShellTreeUpdateTimer);
  TTreeNode* node = Selected();
  if (node == nullptr) return;
  const TPidl pidl = TPidl::Copy(NodePidl(*node));
  TReentry guard(reentry_);
  selected_.SetPidl(pidl.Get());
  if (list_) list_->Folder().SetPidl(pidl.Get());
  if (combo_) combo_->TreeSelectionChanged();
}

// ---- change notification ---------------------------------------------------------------------

void TUiCustomShellTree::startWatching() {
  if (!host_) return;
  TChangeHandlerThread& thread = watch_.Restart(
      host_, [this](int msg, std::intptr_t w, std::intptr_t l) { Posted(msg, w, l); });
  watched_ = 0;
  const std::uint32_t filter =
      FILE_NOTIFY_CHANGE_DIR_NAME | (Has(stoShowFiles) ? FILE_NOTIFY_CHANGE_FILE_NAME : 0);
  std::unordered_set<std::string> seen;
  auto watch = [&](const std::string& path) {
    if (path.empty() || watched_ >= TChangeHandlerThread::kSlotCount || !seen.insert(path).second)
      return;
    int slot = -1;
    if (thread.AddWatch(path, filter, 0, slot)) ++watched_;
  };
  if (baseFolder_) watch(baseFolder_->Path());
  for (TTreeNode* n = Items().GetFirstNode(); n; n = n->GetNext())
    if (n->Expanded() && n->IsVisible()) watch(NodePath(*n));
}

void TUiCustomShellTree::stopWatching() {
  watch_.Stop(host_);
  watched_ = 0;
}

void TUiCustomShellTree::changeArrived() {
  if (!host_) return;
  if (suspend_) {
    fillPending_ = true;
    return;
  }
  watch_.Change(*host_, Focused());
}

void TUiCustomShellTree::FlushChangeRefresh() {
  if (!watch_.Pending()) return;
  watch_.Done(host_);
  Refresh();
}

void TUiCustomShellTree::Timer(int id) {
  switch (id) {
    case ShellRefreshTimer:
      watch_.Done(host_);
      Refresh();
      return;
    case ShellTreeUpdateTimer:
      updateLinked();
      return;
    case ShellDragScrollTimer: {
      if (dragPoint_.X < 0) {
        host_->KillTimer(ShellDragScrollTimer);
        return;
      }
      const TRect r = host_->ClientRect();
      if (dragPoint_.Y < r.Top + kScrollMarginY)
        Scroll(sbVertical, scLineUp, 0);
      else if (dragPoint_.Y >= r.Bottom - kScrollMarginY)
        Scroll(sbVertical, scLineDown, 0);
      if (dragPoint_.X < r.Left + kScrollMarginX)
        Scroll(sbHorizontal, scLineUp, 0);
      else if (dragPoint_.X >= r.Right - kScrollMarginX)
        Scroll(sbHorizontal, scLineDown, 0);
      if (hoverSince_ >= 0 && watch_.Now() - hoverSince_ >= kHoverMs) {
        hoverSince_ = -1;  // once per rest
        if (TTreeNode* n = GetNodeAt(hoverPoint_.X, hoverPoint_.Y))
          if (!n->Expanded() && n->HasChildren()) n->Expand(false);
      }
      return;
    }
    default:
      TUiCustomTreeView::Timer(id);
  }
}

void TUiCustomShellTree::Posted(int msg, std::intptr_t wParam, std::intptr_t lParam) {
  if (msg == WM_SHELL_CHANGE) {
    changeArrived();
  } else if (msg == WM_SHELL_FILL_EMPTY) {
    if (Items().Count() == 0) Fill();
  } else if (msg == WM_SHELL_REWATCH) {
    if (Has(stoDynamicRefresh)) startWatching();
  } else {
    TUiCustomTreeView::Posted(msg, wParam, lParam);
  }
}

void TUiCustomShellTree::DeviceChanged(int event, const std::string&) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  TDriveInfoRefresh drives;
  Refresh();
}

void TUiCustomShellTree::Loaded() {
  loading_ = false;
  TUiCustomTreeView::Loaded();
  if (Has(stoAutoFill) && Items().Count() == 0 && host_)
    host_->PostToSelf(WM_SHELL_FILL_EMPTY, 0, 0);
}

void TUiCustomShellTree::SetHost(TControlHost* host) {
  if (host == nullptr && host_ != nullptr) {
    stopWatching();
    host_->KillTimer(ShellTreeUpdateTimer);
    host_->KillTimer(ShellDragScrollTimer);
  }
  TUiCustomTreeView::SetHost(host);
  if (host && Has(stoAutoFill) && Items().Count() == 0) host->PostToSelf(WM_SHELL_FILL_EMPTY, 0, 0);
}

// ---- keys, menu, verbs --------------------------------------------------------------------------

std::string TUiCustomShellTree::verbTargetPath() {
  TTreeNode* n = Selected();
  return n ? NodePath(*n) : std::string();
}

void TUiCustomShellTree::runCommand(int id) {
  TTreeNode* node = Selected();
  const std::string path = verbTargetPath();
  auto fail = [](const TShellOpResult& r) {
    if (!r.Ok) Dialogs().MessageBox(r.Message, "Error", mtError, mbOK);
  };
  switch (id) {
    case smOpen:
      if (node) node->Expand(false);
      break;
    case smCut:
    case smCopy:
      if (node && !path.empty()) {
        TUiShellTreeData* d = NodeData(*node);
        const TPidl parent = TPidl::Copy(node->Parent() ? NodePidl(*node->Parent())
                                                        : baseFolder_->AbsolutePidl().Get());
        std::vector<TPidl> items;
        items.push_back(TPidl::Copy(d->Rel.Get()));
        SetShellClipboard(TShellDataObject(parent.Get(), std::move(items)), id == smCut);
      }
      break;
    case smPaste: {
      std::vector<std::string> paths;
      bool cut = false;
      if (path.empty() || !GetShellClipboard(paths, cut)) break;
      const TShellOpResult r = TransferItems(paths, path, cut);
      fail(r);
      if (cut && r.Ok) Clipboard().Clear();
      Refresh();
      break;
    }
    case smRename:
      if (node) EditNode(*node);
      break;
    case smTrash:
      if (!path.empty()) {
        fail(MoveToTrash({path}));
        Refresh();
      }
      break;
    default:
      break;
  }
}

void TUiCustomShellTree::KeyDown(int& key, TShiftState shift) {
  if (Has(stoDefaultKeyHandling) && !IsEditing()) {
    static const int commands[skCommandCount] = {0, smTrash, smCopy, smCut, smPaste, -1, smRename};
    const int row = FindShellKeyCommand(key, shift);
    if (row >= 0 && row != skSelectAll) {
      key = 0;
      if (row == skRefresh)
        Fill();
      else
        runCommand(commands[row]);
      return;
    }
  }
  TUiCustomTreeView::KeyDown(key, shift);
}

void TUiCustomShellTree::ContextMenu(int x, int y, bool fromKeyboard) {
  if (!Has(stoContextMenus)) {
    TUiCustomTreeView::ContextMenu(x, y, fromKeyboard);
    return;
  }
  TTreeNode* node = fromKeyboard ? Selected() : GetNodeAt(x, y);
  if (node == nullptr) return;
  if (node != Selected()) SetSelected(node);
  if (fromKeyboard) {
    const TRect r = NodeRect(*node, true);
    x = (r.Left + r.Right) / 2;
    y = (r.Top + r.Bottom) / 2;
  }
  if (!ShowMenu) return;
  const std::string path = NodePath(*node);
  std::vector<std::string> clip;
  bool cut = false;
  const bool canPaste = !path.empty() && GetShellClipboard(clip, cut);
  TUiShellTreeData* d = NodeData(*node);
  TShellFolderPtr parent = NodeFolder(node->Parent());
  const bool renamable = !path.empty() && d && parent && !ReadOnly() &&
                         (parent->GetAttributesOf(d->Rel.Get(), SFGAO_CANRENAME) & SFGAO_CANRENAME);
  const std::vector<TUiShellMenuItem> items{{smOpen, "&Expand", node->HasChildren(), true},
                                            {0, "", true, false},
                                            {smCut, "Cu&t", !path.empty(), false},
                                            {smCopy, "&Copy", !path.empty(), false},
                                            {smPaste, "&Paste", canPaste, false},
                                            {0, "", true, false},
                                            {smRename, "Rena&me", renamable, false},
                                            {smTrash, "Move to &Trash", !path.empty(), false}};
  const int id = ShowMenu(items, x, y);
  if (id != 0) runCommand(id);
}

// ---- renaming -----------------------------------------------------------------------------------

bool TUiCustomShellTree::CanEdit(TTreeNode& node) {
  TUiShellTreeData* d = NodeData(node);
  TShellFolderPtr parent = NodeFolder(node.Parent());
  if (!d || !parent || NodePath(node).empty() ||
      !(parent->GetAttributesOf(d->Rel.Get(), SFGAO_CANRENAME) & SFGAO_CANRENAME))
    return false;
  if (!TUiCustomTreeView::CanEdit(node)) return false;
  node.SetText(GetDisplayName(parent.get(), d->Rel.Get(), dnForEditing));
  return true;
}

void TUiCustomShellTree::moveLocator(TUiShellLocator& locator, PCItemIDList from, PCItemIDList to) {
  const PCItemIDList p = locator.Pidl();
  const int n = PidlCount(from);
  if (p == nullptr || PidlCount(p) < n || ComparePidls(PidlPrefix(p, n).Get(), from) != 0) return;
  PCItemIDList rest = p;
  for (int i = 0; i < n; ++i) rest = PidlNext(rest);
  const TPidl moved = JoinPidls(to, rest);
  locator.SetPidl(moved.Get());
}

void TUiCustomShellTree::renameNode(TTreeNode& node, std::string& text) {
  TUiShellTreeData* d = NodeData(node);
  TShellFolderPtr parent = NodeFolder(node.Parent());
  if (!d || !parent) return;
  const std::string old = parent->GetDisplayNameOf(d->Rel.Get(), SHGDN_INFOLDER);
  if (!text.empty() && text != old) {
    TPidl renamed;
    if (host_) host_->SetCursor(crHourGlass);
    const int e = parent->SetNameOf(d->Rel.Get(), text, renamed);
    if (host_) host_->SetCursor(crDefault);
    if (e == 0) {
      const TPidl from = TPidl::Copy(NodePidl(node));
      d->Rel = std::move(renamed);
      forgetCaches(node);
      const TPidl to = TPidl::Copy(NodePidl(node));
      // Every locator at or below the folder follows it.
      {
        TReentry guard(reentry_);
        moveLocator(selected_, from.Get(), to.Get());
      }
      moveLocator(base_, from.Get(), to.Get());
      if (list_) moveLocator(list_->Folder(), from.Get(), to.Get());
      if (combo_) moveLocator(combo_->Folder(), from.Get(), to.Get());
      if (host_ && Has(stoDynamicRefresh)) startWatching();
    } else {
      Dialogs().MessageBox(
          Format("Cannot rename \"%s\": %s", old,
                 e == EINVAL ? std::string("A file name cannot be empty or contain \"/\".")
                             : SysErrorMessage(e)),
          "Error", mtError, mbOK);
    }
  }
  text = parent->GetDisplayNameOf(d->Rel.Get(), SHGDN_INFOLDER);
}

// ---- drag and drop
// --------------------------------------------------------------------------------

void TUiCustomShellTree::DoBeginDrag(TMouseButton button) {
  TUiCustomTreeView::DoBeginDrag(button);
  TTreeNode* node = Selected();
  if (!Has(stoOleDrag) || !StartDrag || node == nullptr || !baseFolder_) return;
  TUiShellTreeData* d = NodeData(*node);
  if (d == nullptr) return;
  const TPidl parent =
      TPidl::Copy(node->Parent() ? NodePidl(*node->Parent()) : baseFolder_->AbsolutePidl().Get());
  std::vector<TPidl> items;
  items.push_back(TPidl::Copy(d->Rel.Get()));
  const TShellDataObject data(parent.Get(), std::move(items));
  suspend_ = true;
  {
    TShellScopeExit resume{[this] { suspend_ = false; }};
    StartDrag(data, button);
  }
  if (fillPending_) Refresh();
}

std::uint32_t TUiCustomShellTree::DragOver(const std::vector<std::string>& paths, int x, int y,
                                           TShiftState shift) {
  if (!Has(stoOleDrop)) return DROPEFFECT_NONE;
  TTreeNode* node = GetNodeAt(x, y);
  TUiShellTreeData* d = node ? NodeData(*node) : nullptr;
  if (d == nullptr || !(d->Attributes & SFGAO_FOLDER)) node = nullptr;
  if (node != dropNode_) {
    dropNode_ = node;
    Invalidate();
  }
  if (std::abs(x - hoverPoint_.X) > kHoverWidth / 2 ||
      std::abs(y - hoverPoint_.Y) > kHoverHeight / 2) {
    hoverPoint_ = {x, y};
    hoverSince_ = watch_.Now();
  }
  dragPoint_ = {x, y};
  if (host_) host_->SetTimer(ShellDragScrollTimer, kScrollEveryMs);
  return node ? ShellDropEffect(paths, NodePath(*node), shift) : DROPEFFECT_NONE;
}

void TUiCustomShellTree::DragLeave() {
  if (dropNode_) {
    dropNode_ = nullptr;
    Invalidate();
  }
  dragPoint_ = hoverPoint_ = {-1, -1};
  if (host_) host_->KillTimer(ShellDragScrollTimer);
}

std::uint32_t TUiCustomShellTree::Drop(const std::vector<std::string>& paths, int x, int y,
                                       TShiftState shift) {
  const std::uint32_t effect = DragOver(paths, x, y, shift);
  TTreeNode* node = dropNode_;
  DragLeave();
  if (effect == DROPEFFECT_NONE || node == nullptr) return DROPEFFECT_NONE;
  const TShellOpResult r = TransferItems(paths, NodePath(*node), effect == DROPEFFECT_MOVE);
  if (!r.Ok) Dialogs().MessageBox(r.Message, "Error", mtError, mbOK);
  Refresh();
  return r.Ok ? effect : DROPEFFECT_NONE;
}

void TUiCustomShellTree::Paint(TCanvas& canvas, const TRect& rect) {
  TUiCustomTreeView::Paint(canvas, rect);
  if (dropNode_ == nullptr) return;
  const TRect r = NodeRect(*dropNode_, true);
  canvas.Brush.SetStyle(bsClear);
  canvas.Pen.SetStyle(psSolid);
  canvas.Pen.SetColor(clHighlight);
  canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
}

}  // namespace qv
