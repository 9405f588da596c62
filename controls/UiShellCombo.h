// The shell combo: the folder drop-down above a shell list. Its entries
// are the desktop ("Computer"), the desktop's items (the home folder, the
// file system, the mounts) and the chain of folders leading to the current
// one, each with its system icon and indented by its depth; the entry of
// the current folder is selected. Picking an entry changes the folder; a
// linked shell list or shell tree follows, and the combo follows them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/UiCmboBx.h"
#include "controls/UiShellLocator.h"
#include "controls/UiShellUtils.h"

namespace qv {

class TUiCustomShellList;
class TUiCustomShellTree;

enum TUiShellComboOption : std::uint8_t { scoAutofill, scoNonFilesystemAncestors };
using TUiShellComboOptions = std::uint8_t;
constexpr TUiShellComboOptions ScoBit(TUiShellComboOption o) {
  return static_cast<TUiShellComboOptions>(1u << o);
}

// One entry: the parent folder, the entry's relative list, the parent's
// absolute list and the entry's own (their join).
class TUiShellComboItem : public TUiImageComboBoxItem {
 public:
  explicit TUiShellComboItem(TUiCustomImageComboBox* owner) : TUiImageComboBoxItem(owner) {}
  TShellFolderPtr ParentFolder;
  TPidl RelativePidl;
  TPidl ParentPidl;
  TPidl AbsolutePidl;
};

class TUiCustomShellCombo : public TUiCustomImageComboBox {
 public:
  TUiCustomShellCombo();
  ~TUiCustomShellCombo() override;

  TUiShellLocator& Folder() { return folder_; }
  TUiShellComboOptions Options() const { return options_; }
  void SetOptions(TUiShellComboOptions v) { options_ = v; }
  bool AutoDropDownCount() const { return autoDropDownCount_; }
  void SetAutoDropDownCount(bool v) { autoDropDownCount_ = v; }
  // At most one of the two is linked; setting one while the other is set
  // does nothing.
  TUiCustomShellList* ShellList() const { return list_; }
  void SetShellList(TUiCustomShellList* list);
  TUiCustomShellTree* ShellTree() const { return tree_; }
  void SetShellTree(TUiCustomShellTree* tree);

  // Rebuilds every entry. The desktop cannot be bound: EUiShellError.
  void Fill();
  // From the selected entry at depth d, the nearest entry above it at depth
  // d - levels or less becomes the folder.
  void MoveUp(int levels);
  // The linked tree's selection changed.
  void TreeSelectionChanged();
  TUiShellComboItem* ShellItem(int index);
  void Loaded();

  // Space below the combo on its screen in pixels (set by the host); with
  // AutoDropDownCount the list reaches the bottom of the screen.
  std::function<int()> ScreenSpaceBelow;

  void SetHost(TControlHost* host) override;

 protected:
  virtual void FolderChanged();
  // The add-item test of each child (true: shown).
  virtual bool AcceptItem(TShellFolder& folder, PCItemIDList rel, std::uint32_t attributes);
  // Adds a folder's entries at depth (top: the folder itself at depth, its
  // children one deeper); the entry on the current folder's chain opens
  // below itself.
  virtual void AddLevel(const TShellFolderPtr& folder, PCItemIDList parentAbs, int depth,
                        const TUiIdListArray& chain, bool top);
  std::unique_ptr<TUiImageComboBoxItem> NewItem() override;
  void Select() override;
  void DropDown() override;

 private:
  friend class TUiCustomShellList;
  friend class TUiCustomShellTree;
  void listGone(TUiCustomShellList* list);
  // The linked tree's or list's folder takes the combo's.
  void pushToLinked();
  void treeGone(TUiCustomShellTree* tree);
  TUiShellComboItem& addEntry(const TShellFolderPtr& parent, PCItemIDList rel,
                              PCItemIDList parentAbs, int depth, const std::string& caption);

  TUiShellLocator folder_;
  TUiShellComboOptions options_ = ScoBit(scoAutofill) | ScoBit(scoNonFilesystemAncestors);
  bool autoDropDownCount_ = true;
  TUiCustomShellList* list_ = nullptr;
  TUiCustomShellTree* tree_ = nullptr;
  int reentry_ = 0;
  bool filling_ = false;
};

class TUiShellCombo : public TUiCustomShellCombo {};

}  // namespace qv
