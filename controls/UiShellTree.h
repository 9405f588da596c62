// The shell tree: the folders (optionally the files) below a base folder
// as a framed tree, read as nodes are first expanded; it can drive a
// linked shell list (the list shows the selected folder, 500 ms after the
// last selection change) and a linked shell combo.
//
// Change refreshes: with dynamic refresh the tree watches the folders of
// its expanded nodes (the base folder's items included), one watch each,
// so that a refresh, which only reads expanded nodes again, sees every
// change it can show. A change (re)starts the hold-back timer (400 ms
// focused, 2000 ms not, never beyond twice that); the deferred list update
// has a timer of its own. The refresh walks the expanded nodes from the
// top, removing vanished children and adding new ones in order.
//
// Renaming a folder moves every locator that pointed at it or below it
// (the base folder, the selected folder, the linked list's and combo's)
// to the new name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/UiShellChangeThread.h"
#include "controls/UiShellListModel.h"
#include "controls/UiShellLocator.h"
#include "controls/UiShellOps.h"
#include "controls/UiShellWatch.h"
#include "controls/UiTreeVw.h"

namespace qv {

class TUiCustomShellList;
class TUiCustomShellCombo;

// Options of the shell tree (bit numbers as stored).
enum TUiShellTreeOption : std::uint8_t {
  stoAutoFill,
  stoNonFilesystemAncestors,
  stoDesignInteractive,
  stoDefaultKeyHandling,
  stoContextMenus,
  stoDynamicRefresh,
  stoShowFiles,
  stoOleDrag,
  stoOleDrop,
  stoShowHidden
};
using TUiShellTreeOptions = std::uint16_t;
constexpr TUiShellTreeOptions StoBit(TUiShellTreeOption o) {
  return static_cast<TUiShellTreeOptions>(1u << o);
}
constexpr TUiShellTreeOptions kDefaultShellTreeOptions = 955;

// The data of a node: its relative list, its absolute list and its own
// folder (both made when first needed).
class TUiShellTreeData : public TTreeNodeData {
 public:
  TUiShellTreeData(TPidl rel, std::uint32_t attributes)
      : Rel(std::move(rel)), Attributes(attributes) {}
  TPidl Rel;
  std::uint32_t Attributes;
  TPidl Abs;               // cached; empty until asked
  TShellFolderPtr Folder;  // cached
  bool ChildrenRead = false;
};

class TUiCustomShellTree : public TUiCustomTreeView {
 public:
  TUiCustomShellTree();
  ~TUiCustomShellTree() override;

  // The root of the tree; a change clears the selected folder and, with
  // stoAutoFill, rebuilds the tree.
  TUiShellLocator& BaseFolder() { return base_; }
  // The selected folder; a change selects its node.
  TUiShellLocator& SelectedFolder() { return selected_; }
  TUiShellTreeOptions Options() const { return options_; }
  bool Has(TUiShellTreeOption o) const { return (options_ & StoBit(o)) != 0; }
  void SetOptions(TUiShellTreeOptions v);
  TUiCustomShellList* ShellList() const { return list_; }
  void SetShellList(TUiCustomShellList* list);
  TUiCustomShellCombo* ShellCombo() const { return combo_; }

  // Rebuilds the tree (nothing without a host).
  void Fill();
  // Reads the expanded nodes again.
  void Refresh();
  // Expands the chain of an absolute list from the base folder and selects
  // its last node; false when it is not below the base.
  bool SelectPidl(PCItemIDList pidl);
  // The selected folder up levels (not above the base).
  void MoveUp(int levels);
  void FlushChangeRefresh();
  static TUiShellTreeData* NodeData(TTreeNode& node);
  // The node's absolute list (built from its parents).
  PCItemIDList NodePidl(TTreeNode& node);
  std::string NodePath(TTreeNode& node);
  // The folder of a node (the base folder for null).
  TShellFolderPtr NodeFolder(TTreeNode* node);
  TChangeHandlerThread* ChangeThread() const { return watch_.Thread(); }
  // Number of watches the tree holds (one per watched folder).
  int WatchedFolders() const { return watched_; }
  void Loaded();

  // The add-item event (as the list's); may refuse an item.
  TShellListContents::TAddItemEvent OnAddItem;
  // Host hooks, as for the list.
  std::function<int(const std::vector<TUiShellMenuItem>&, int x, int y)> ShowMenu;
  std::function<std::uint32_t(const TShellDataObject&, TMouseButton)> StartDrag;
  // The clock of the hold-back and the hover wait (tests set it).
  void SetClock(std::function<std::int64_t()> clock) { watch_.Clock = std::move(clock); }

  // Drops onto folder nodes.
  std::uint32_t DragOver(const std::vector<std::string>& paths, int x, int y, TShiftState shift);
  void DragLeave();
  std::uint32_t Drop(const std::vector<std::string>& paths, int x, int y, TShiftState shift);
  TTreeNode* DropTarget() const { return dropNode_; }

  // ---- TControlCore / tree view ----
  void SetHost(TControlHost* host) override;
  void KeyDown(int& key, TShiftState shift) override;
  void Timer(int id) override;
  void Posted(int msg, std::intptr_t wParam, std::intptr_t lParam) override;
  void Paint(TCanvas& canvas, const TRect& rect) override;
  int NodeImageIndex(TTreeNode& node) override;
  int NodeSelectedIndex(TTreeNode& node) override;

 protected:
  bool CanExpand(TTreeNode& node) override;
  bool CanEdit(TTreeNode& node) override;
  void ContextMenu(int x, int y, bool fromKeyboard) override;
  void DoBeginDrag(TMouseButton button) override;
  virtual void DeviceChanged(int event, const std::string& mountPoint);

 private:
  friend class TUiCustomShellList;
  friend class TUiCustomShellCombo;
  void linkCombo(TUiCustomShellCombo* c) { combo_ = c; }
  void comboGone(TUiCustomShellCombo* c);
  void listGone(TUiCustomShellList* l);
  void baseChanged();
  void selectedChanged();
  void selectionChanged(TTreeNode* node);
  void updateLinked();
  unsigned enumFlags() const;
  std::vector<std::unique_ptr<TUiShellTreeData>> readChildren(TTreeNode* parent);
  TTreeNode& addNode(TTreeNode* parent, std::unique_ptr<TUiShellTreeData> data, TTreeNode* before);
  void fillChildren(TTreeNode* parent);
  void refreshNode(TTreeNode* parent);
  void forgetCaches(TTreeNode& node);
  void startWatching();
  void stopWatching();
  void changeArrived();
  void renameNode(TTreeNode& node, std::string& text);
  void moveLocator(TUiShellLocator& locator, PCItemIDList from, PCItemIDList to);
  std::string verbTargetPath();
  void runCommand(int id);

  TUiShellLocator base_;
  TUiShellLocator selected_;
  TUiShellTreeOptions options_ = kDefaultShellTreeOptions;
  TUiCustomShellList* list_ = nullptr;
  TUiCustomShellCombo* combo_ = nullptr;
  TShellFolderPtr baseFolder_;
  TShellChangeWatch watch_{ShellRefreshTimer};
  int watched_ = 0;
  int reentry_ = 0;
  bool loading_ = false;
  bool immediate_ = false;  // the selection change comes from the tree's own update
  bool suspend_ = false;
  bool fillPending_ = false;
  TTreeNode* dropNode_ = nullptr;
  TPoint dragPoint_{-1, -1};
  TPoint hoverPoint_{-1, -1};
  std::int64_t hoverSince_ = 0;
};

class TUiShellTree : public TUiCustomShellTree {};

}  // namespace qv
