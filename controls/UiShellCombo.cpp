#include "controls/UiShellCombo.h"

#include <algorithm>

#include "controls/UiShellIcons.h"
#include "controls/UiShellList.h"
#include "controls/UiShellTree.h"

namespace qv {

TUiCustomShellCombo::TUiCustomShellCombo() {
  folder_.OnChange = [this] { FolderChanged(); };
  SetStyle(csOwnerDrawFixed);
  SetImages(&SystemImageList(true));
}

TUiCustomShellCombo::~TUiCustomShellCombo() {
  if (list_) list_->linkCombo(nullptr);
  if (tree_) tree_->comboGone(this);
  ClearItems();
}

std::unique_ptr<TUiImageComboBoxItem> TUiCustomShellCombo::NewItem() {
  return std::make_unique<TUiShellComboItem>(this);
}

TUiShellComboItem* TUiCustomShellCombo::ShellItem(int index) {
  return static_cast<TUiShellComboItem*>(Item(index));
}

// ---- links -------------------------------------------------------------------------------

void TUiCustomShellCombo::SetShellList(TUiCustomShellList* list) {
  if (tree_ && list) return;
  if (list == list_) return;
  if (list_) list_->linkCombo(nullptr);
  list_ = list;
  if (list_) {
    if (list_->ShellCombo() && list_->ShellCombo() != this) list_->ShellCombo()->list_ = nullptr;
    list_->linkCombo(this);
  }
}

void TUiCustomShellCombo::SetShellTree(TUiCustomShellTree* tree) {
  if (list_ && tree) return;
  if (tree == tree_) return;
  if (tree_) tree_->linkCombo(nullptr);
  tree_ = tree;
  if (tree_) tree_->linkCombo(this);
}

void TUiCustomShellCombo::listGone(TUiCustomShellList* list) {
  if (list_ == list) list_ = nullptr;
}

void TUiCustomShellCombo::treeGone(TUiCustomShellTree* tree) {
  if (tree_ == tree) tree_ = nullptr;
}

// ---- filling -----------------------------------------------------------------------------

TUiShellComboItem& TUiCustomShellCombo::addEntry(const TShellFolderPtr& parent, PCItemIDList rel,
                                                 PCItemIDList parentAbs, int depth,
                                                 const std::string& caption) {
  TPidl abs = JoinPidls(parentAbs, rel);
  auto& item = static_cast<TUiShellComboItem&>(
      AddItem(caption, SystemIconIndex(abs.Get(), SHGFI_SMALLICON), depth));
  item.ParentFolder = parent;
  item.RelativePidl = TPidl::Copy(rel);
  item.ParentPidl = parentAbs ? TPidl::Copy(parentAbs) : TPidl::Empty();
  item.AbsolutePidl = std::move(abs);
  return item;
}

bool TUiCustomShellCombo::AcceptItem(TShellFolder&, PCItemIDList, std::uint32_t) { return true; }

void TUiCustomShellCombo::AddLevel(const TShellFolderPtr& folder, PCItemIDList parentAbs, int depth,
                                   const TUiIdListArray& chain, bool top) {
  if (top) {
    const TPidl empty = TPidl::Empty();
    TUiShellComboItem& desk = addEntry(nullptr, empty.Get(), nullptr, depth,
                                       GetDisplayName(folder.get(), nullptr, dnNormal));
    if (chain.Count() == 0) SetItemIndex(desk.Index());
  }
  std::vector<TPidl> children;
  if (const int e = folder->EnumObjects(SHCONTF_FOLDERS, children)) {
    if (top) RaiseShellError(e);
    return;  // a folder on the way that cannot be read shows no children
  }
  std::stable_sort(children.begin(), children.end(), [&](const TPidl& a, const TPidl& b) {
    const int c = folder->CompareIDs(0, a.Get(), b.Get());
    return c != kNotComparable && c < 0;
  });
  // The children's depth, and the ID of the current folder's chain at it
  // (the desktop's children match the chain's first ID).
  const int childDepth = top ? depth + 1 : depth;
  const int level = childDepth - 1;
  const TPidl onPath = chain.Item(level);
  for (const TPidl& child : children) {
    const std::uint32_t attrs = folder->GetAttributesOf(
        child.Get(), SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_FOLDER);
    if (!(options_ & ScoBit(scoNonFilesystemAncestors)) &&
        !(attrs & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
      continue;
    if (!AcceptItem(*folder, child.Get(), attrs)) continue;
    TUiShellComboItem& entry = addEntry(folder, child.Get(), parentAbs, childDepth,
                                        folder->GetDisplayNameOf(child.Get(), SHGDN_INFOLDER));
    if (onPath.IsNull() || folder->CompareIDs(0, child.Get(), onPath.Get()) != 0) continue;
    // On the way to the current folder: select it, or open it.
    if (level + 1 >= chain.Count()) {
      SetItemIndex(entry.Index());
      continue;
    }
    TShellFolderPtr sub;
    if (folder->BindToObject(child.Get(), sub) != 0) continue;
    const TPidl subAbs = TPidl::Copy(entry.AbsolutePidl.Get());
    AddLevel(sub, subAbs.Get(), childDepth + 1, chain, false);
  }
}

void TUiCustomShellCombo::Fill() {
  filling_ = true;
  TShellScopeExit done{[this] { filling_ = false; }};
  BeginUpdate();
  SetItemIndex(-1);
  ClearItems();
  EndUpdate();
  const TPidl current = TPidl::Copy(folder_.Pidl());
  TUiIdListArray chain(current.Get());
  BeginUpdate();
  TShellScopeExit end{[this] { EndUpdate(); }};
  const TShellFolderPtr desktop = DesktopFolder();
  AddLevel(desktop, nullptr, 0, chain, true);
  if (ItemIndex() < 0 && ItemCount() > 0) SetItemIndex(0);
}

// ---- folders -------------------------------------------------------------------------------

void TUiCustomShellCombo::pushToLinked() {
  TReentry guard(reentry_);
  if (tree_)
    tree_->SelectedFolder().SetPidl(folder_.Pidl());
  else if (list_)
    list_->Folder().SetPidl(folder_.Pidl());
}

void TUiCustomShellCombo::FolderChanged() {
  if (reentry_ == 0) pushToLinked();
  Fill();
}

void TUiCustomShellCombo::Select() {
  TUiCustomImageComboBox::Select();
  if (filling_) return;
  if (TUiShellComboItem* item = ShellItem(ItemIndex())) folder_.SetPidl(item->AbsolutePidl.Get());
}

void TUiCustomShellCombo::MoveUp(int levels) {
  const int index = ItemIndex();
  TUiShellComboItem* item = ShellItem(index);
  if (item == nullptr || levels <= 0) return;
  const int want = item->IndentLevel() - levels;
  for (int i = index - 1; i >= 0; --i) {
    TUiShellComboItem* above = ShellItem(i);
    if (above && above->IndentLevel() <= want) {
      folder_.SetPidl(above->AbsolutePidl.Get());
      return;
    }
  }
}

void TUiCustomShellCombo::TreeSelectionChanged() {
  if (tree_ == nullptr) return;
  TReentry guard(reentry_);
  folder_.SetPidl(tree_->SelectedFolder().Pidl());
}

void TUiCustomShellCombo::DropDown() {
  if (autoDropDownCount_ && ScreenSpaceBelow) {
    const int h = std::max(ItemHeight(), 1);
    SetDropDownCount(std::max((ScreenSpaceBelow() - 1) / h, 1));
  }
  TUiCustomImageComboBox::DropDown();
}

void TUiCustomShellCombo::Loaded() {
  TUiCustomImageComboBox::Loaded();
  if (!(options_ & ScoBit(scoAutofill))) return;
  Fill();
  pushToLinked();
}

void TUiCustomShellCombo::SetHost(TControlHost* host) {
  const bool created = host != nullptr && host_ == nullptr;
  TUiCustomImageComboBox::SetHost(host);
  if (created && (options_ & ScoBit(scoAutofill))) Fill();
}

}  // namespace qv
