// The worksheet tree of the data sheet window: folders and worksheets in
// any depth, as the tree view shows them and the sheet document stores them.
//
// Every node carries the three numbers the document relies on:
//   StateIndex     the worksheet number n (n >= 1) of a worksheet node, whose
//                  sheet is named "Sheet" + n; -1 for a folder
//   ImageIndex     0 worksheet, 2 folder
//   SelectedIndex  1 worksheet, 2 folder
// and the text shown to the user. The tree may hold several top-level
// nodes (the "Base Folder" and the folders that appending adds). "Tree
// order" is pre-order: a node, then its children in order, then its next
// sibling; absolute indices count nodes in that order from 0.
//
// The tree owns its nodes; node pointers stay valid until the node is
// deleted or the tree cleared. The commands never throw for a node that
// cannot move: they change nothing and answer false.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/ListView.h"

namespace qv {

class TSheetNode {
 public:
  TSheetNode(std::string text, int stateIndex);
  TSheetNode(const TSheetNode&) = delete;
  TSheetNode& operator=(const TSheetNode&) = delete;

  std::string Text;
  int StateIndex = -1;
  int ImageIndex = 2;
  int SelectedIndex = 2;

  bool IsWorksheet() const { return StateIndex > 0; }
  TSheetNode* Parent() const { return parent_; }
  const std::vector<std::unique_ptr<TSheetNode>>& Children() const { return children_; }
  bool HasChildren() const { return !children_.empty(); }
  // 0 for a top-level node.
  int Level() const;
  // Whether this node is other or lies below it.
  bool IsWithin(const TSheetNode* other) const;

 private:
  friend class TSheetTree;
  TSheetNode* parent_ = nullptr;
  std::vector<std::unique_ptr<TSheetNode>> children_;
};

// Where a dragged node lands.
enum TSheetDrop {
  sdOnItem,      // as the last child of the target
  sdBeforeItem,  // before the target (dropped on its indent)
  sdBelowItems   // as the last top-level node (empty space below the items)
};

class TSheetTree {
 public:
  TSheetTree() = default;
  TSheetTree(const TSheetTree&) = delete;
  TSheetTree& operator=(const TSheetTree&) = delete;

  const std::vector<std::unique_ptr<TSheetNode>>& Roots() const { return roots_; }
  // Every node in tree order.
  std::vector<TSheetNode*> Items() const;
  int Count() const;
  // The node at an absolute index, null outside.
  TSheetNode* Item(int index) const;
  // -1 for a node not in the tree.
  int AbsoluteIndex(const TSheetNode* node) const;
  // Worksheet nodes in tree order.
  std::vector<TSheetNode*> Worksheets() const;
  // The worksheet node of number n, or null.
  TSheetNode* FindWorksheet(int n) const;
  bool Empty() const { return roots_.empty(); }

  // Removes every node (Selected becomes null).
  void Clear();
  // A new node as the last child of parent (the last top-level node for
  // null): a worksheet for stateIndex > 0, else a folder; images follow.
  TSheetNode* Add(TSheetNode* parent, std::string text, int stateIndex);
  // A new node just after sibling, at its level.
  TSheetNode* InsertAfter(TSheetNode* sibling, std::string text, int stateIndex);
  // Deletes the node with its subtree; Selected is cleared when it lay
  // inside.
  void Delete(TSheetNode* node);
  // Takes the top-level nodes of other over (with their subtrees) as the
  // last children of parent, or as the last top-level nodes for null;
  // other is left empty.
  void MoveRootsFrom(TSheetTree& other, TSheetNode* parent);
  // Exchanges the whole content with other (nodes and selection).
  void Swap(TSheetTree& other);

  // The selected node (null when none).
  TSheetNode* Selected = nullptr;

  // ---- commands (true when the tree changed) ----
  // "One Level Up": the node becomes the last child of its grandparent, or
  // the last top-level node when its parent is a top-level node.
  bool OneLevelUp(TSheetNode* node);
  // "Move Up": before its previous sibling.
  bool MoveUp(TSheetNode* node);
  // "Move Down": its next sibling moves before it.
  bool MoveDown(TSheetNode* node);
  // Drag and drop. Refused (false) when the target lies within the node.
  bool Drop(TSheetNode* node, TSheetNode* target, TSheetDrop where);
  // Sort type: anything but stNone orders the siblings of every level by
  // their texts (ignoring case; equal texts keep their order), now and
  // after every Add, InsertAfter and Rename.
  TSortType SortType() const { return sortType_; }
  void SetSortType(TSortType type);
  // Gives a node a new text (TAB, CR and LF become blanks, since the text
  // form keeps one node per line and counts TABs as levels); a blank text
  // changes nothing.
  void Rename(TSheetNode* node, std::string_view text);

  // How many worksheets would remain after deleting node and its subtree.
  int WorksheetsLeftAfterDelete(const TSheetNode* node) const;
  // The worksheet to select after the selection went: the first worksheet
  // at or after absolute index from; failing that the last one before it.
  TSheetNode* WorksheetNear(int from) const;

  // ---- text form ----
  // One line per node in tree order: one TAB per level, then the text;
  // every line ends with CR LF.
  std::string SaveText() const;
  // Replaces the tree by the lines of text (CR LF, LF or CR line ends; a
  // line break at the end closes the last line). A line's level is its count of leading
  // TABs, held to one more than the line before (the first line is top
  // level). Every node is made a folder; the caller sets the numbers.
  void LoadText(std::string_view text);

 private:
  std::vector<std::unique_ptr<TSheetNode>>& SiblingsOf(TSheetNode* parent) {
    return parent ? parent->children_ : roots_;
  }
  std::vector<std::unique_ptr<TSheetNode>>& SiblingsOf(const TSheetNode& node) {
    return SiblingsOf(node.parent_);
  }
  std::unique_ptr<TSheetNode> Detach(TSheetNode* node);
  void Place(std::unique_ptr<TSheetNode> node, TSheetNode* parent, int index);
  void SortLevel(std::vector<std::unique_ptr<TSheetNode>>& level);
  void Resort();

  std::vector<std::unique_ptr<TSheetNode>> roots_;
  TSortType sortType_ = stNone;
};

// Sets the images of a node after its StateIndex: worksheet 0/1, folder 2/2.
void SetNodeKind(TSheetNode& node, int stateIndex);

}  // namespace qv
