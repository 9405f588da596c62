// The tree view control core (the common controls' tree view as the class
// library wraps it): a hierarchy of nodes with text, images (normal and
// selected), state images, overlays and data; lines and expand buttons;
// single selection; expanding on demand (OnExpanding may add children);
// keyboard and mouse navigation, label editing and sorting.
//
// Nodes are owned by the tree. A node may own a data object (OwnedData),
// freed with it; OnDeletion runs for every node that goes, children first.
// Pointers to nodes stay valid until the node is deleted.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/ControlCore.h"
#include "platform/core/ImageList.h"
#include "platform/core/ListView.h"
#include "platform/core/PopupMenu.h"

namespace qv {

class TCustomTreeView;
class TTreeNodes;

// Hit-test results of the tree (bits; htNowhere, htOnIcon, htOnLabel,
// htOnStateIcon and htOnItem as for the list view).
constexpr THitTests htOnButton = 512, htOnIndent = 1024, htOnRight = 2048;

class TTreeNodeData {
 public:
  virtual ~TTreeNodeData() = default;
};

class TTreeNode {
 public:
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;
  ~TTreeNode();

  const std::string& Text() const { return text_; }
  void SetText(const std::string& v);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  int SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(int v);
  int StateIndex() const { return stateIndex_; }
  void SetStateIndex(int v);
  int OverlayIndex() const { return overlayIndex_; }
  void SetOverlayIndex(int v);
  bool Cut() const { return cut_; }
  void SetCut(bool v);
  // Shows an expand button even before children are added.
  bool HasChildren() const { return hasChildren_ || !children_.empty(); }
  void SetHasChildren(bool v);
  bool Expanded() const { return expanded_; }
  void SetExpanded(bool v);
  void Expand(bool recurse);
  void Collapse(bool recurse);
  bool Selected() const;
  void SetSelected(bool v);
  bool Focused() const;
  void* Data = nullptr;
  std::unique_ptr<TTreeNodeData> OwnedData;

  // Null for top-level nodes.
  TTreeNode* Parent() const;
  int Count() const { return int(children_.size()); }
  TTreeNode* Item(int index) const;
  int Index() const { return index_; }
  int Level() const;
  TTreeNode* GetFirstChild() const { return Item(0); }
  TTreeNode* GetLastChild() const { return Item(Count() - 1); }
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // Depth first, every node.
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  // Through expanded nodes only.
  TTreeNode* GetNextVisible() const;
  TTreeNode* GetPrevVisible() const;
  bool IsVisible() const;
  bool HasAsParent(const TTreeNode* node) const;
  void MakeVisible();
  TRect DisplayRect(bool textOnly) const;
  bool EditText();
  void Delete();
  void DeleteChildren();
  bool AlphaSort(bool recurse = false);
  bool CustomSort(const std::function<int(TTreeNode&, TTreeNode&)>& compare, bool recurse = false);
  TCustomTreeView& TreeView() const { return *tree_; }

 private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  explicit TTreeNode(TCustomTreeView* tree) : tree_(tree) {}
  void Renumber();
  TCustomTreeView* tree_;
  TTreeNode* parent_ = nullptr;  // the hidden root for top-level nodes
  int index_ = 0;
  std::vector<std::unique_ptr<TTreeNode>> children_;
  std::string text_;
  int imageIndex_ = -1;
  int selectedIndex_ = -1;
  int stateIndex_ = -1;
  int overlayIndex_ = -1;
  bool cut_ = false;
  bool hasChildren_ = false;
  bool expanded_ = false;
};

class TTreeNodes {
 public:
  explicit TTreeNodes(TCustomTreeView& tree);
  ~TTreeNodes();
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  // Every node in the tree.
  int Count() const;
  TTreeNode* GetFirstNode() const;
  // The node at a depth-first position.
  TTreeNode* Item(int absoluteIndex) const;
  // A new last sibling of sibling (null: top level).
  TTreeNode& Add(TTreeNode* sibling, const std::string& text);
  TTreeNode& AddFirst(TTreeNode* sibling, const std::string& text);
  // A new last or first child of parent (null: top level).
  TTreeNode& AddChild(TTreeNode* parent, const std::string& text);
  TTreeNode& AddChildFirst(TTreeNode* parent, const std::string& text);
  // A new node before sibling.
  TTreeNode& Insert(TTreeNode* sibling, const std::string& text);
  void Delete(TTreeNode* node);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }
  TTreeNode& Root() const { return *root_; }

 private:
  friend class TCustomTreeView;
  friend class TTreeNode;
  TTreeNode& InsertAt(TTreeNode& parent, int index, const std::string& text);
  TCustomTreeView& tree_;
  std::unique_ptr<TTreeNode> root_;
  int updateCount_ = 0;
};

constexpr int TreeViewEditTimer = 102;

class TCustomTreeView : public TControlCore {
 public:
  TCustomTreeView();
  ~TCustomTreeView() override;
  TCustomTreeView(const TCustomTreeView&) = delete;
  TCustomTreeView& operator=(const TCustomTreeView&) = delete;

  TTreeNodes& Items() { return items_; }

  // ---- settings ----
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);
  TCustomImageList* StateImages() const { return stateImages_; }
  void SetStateImages(TCustomImageList* v);
  int Indent() const { return indent_; }
  void SetIndent(int v);
  bool ShowLines() const { return showLines_; }
  void SetShowLines(bool v);
  bool ShowButtons() const { return showButtons_; }
  void SetShowButtons(bool v);
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool v);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool v);
  TSortType SortType() const { return sortType_; }
  void SetSortType(TSortType v);
  TColor Color() const { return color_; }
  void SetBackColor(TColor v);
  TFont& Font() { return font_; }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);
  TPopupMenuRef PopupMenu;

  // ---- state ----
  int ClientWidth() const { return width_; }
  int ClientHeight() const { return height_; }
  bool Focused() const;
  TTreeNode* Selected() const { return selected_; }
  void SetSelected(TTreeNode* node);
  TTreeNode* TopItem();
  void SetTopItem(TTreeNode* node);
  TTreeNode* GetNodeAt(int x, int y);
  THitTests GetHitTestInfoAt(int x, int y);
  int ItemHeight();
  // Rows that fit the client height.
  int VisibleCount();
  void FullExpand();
  void FullCollapse();
  // The node's row (or its text only), client pixels.
  TRect NodeRect(const TTreeNode& node, bool textOnly);
  void ScrollBy(int dx, int rows);
  TPoint ScrollPos() const { return {scrollX_, scrollRow_}; }

  bool AlphaSort(bool recurse = true);
  bool CustomSort(const std::function<int(TTreeNode&, TTreeNode&)>& compare, bool recurse = true);

  // ---- label editing ----
  bool IsEditing() const { return editNode_ != nullptr; }
  bool EditNode(TTreeNode& node);
  void EndLabelEdit(bool accept, const std::string& text);
  std::function<void(const TRect& rect, const std::string& text)> LabelEditor;
  std::function<void(bool accept)> CloseLabelEditor;

  // The images as the tree shows them (fire OnGetImageIndex and
  // OnGetSelectedIndex once each).
  virtual int NodeImageIndex(TTreeNode& node);
  virtual int NodeSelectedIndex(TTreeNode& node);

  // ---- events ----
  std::function<void(TTreeNode*)> OnChange;
  std::function<void(TTreeNode*, bool& allow)> OnChanging;
  std::function<void(TTreeNode&, bool& allow)> OnExpanding;
  std::function<void(TTreeNode&)> OnExpanded;
  std::function<void(TTreeNode&, bool& allow)> OnCollapsing;
  std::function<void(TTreeNode&)> OnCollapsed;
  std::function<void(TTreeNode&)> OnGetImageIndex;
  std::function<void(TTreeNode&)> OnGetSelectedIndex;
  std::function<void(TTreeNode&, bool& allowEdit)> OnEditing;
  std::function<void(TTreeNode&, std::string& text)> OnEdited;
  std::function<void(TTreeNode&)> OnDeletion;
  std::function<void(TTreeNode&, TTreeNode&, int& compare)> OnCompare;
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void(int& key, TShiftState)> OnKeyDown;
  std::function<void(TMouseButton)> OnBeginDrag;

  // ---- TControlCore ----
  void SetHost(TControlHost* host) override;
  void Paint(TCanvas& canvas, const TRect& rect) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DblClick() override;
  bool MouseWheel(TShiftState shift, int delta, int x, int y) override;
  void KeyDown(int& key, TShiftState shift) override;
  void KeyPress(char32_t& ch) override;
  void FocusIn() override;
  void FocusOut() override;
  void Resize(int width, int height) override;
  void Timer(int id) override;
  void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override;
  bool WantsAllKeys() const override { return false; }

  void Invalidate();
  void StructureChanged();

 protected:
  virtual bool CanEdit(TTreeNode& node);
  virtual bool CanExpand(TTreeNode& node);
  virtual bool CanCollapse(TTreeNode& node);
  virtual bool CanChange(TTreeNode* node);
  virtual void ContextMenu(int x, int y, bool fromKeyboard);
  virtual void DoBeginDrag(TMouseButton button);
  virtual void DoDeletion(TTreeNode& node);
  // After the normal paint.
  virtual void PaintOver(TCanvas& canvas) { (void)canvas; }
  TFontService& Fonts();
  // The node under a point and where on it.
  TTreeNode* NodeAt(int x, int y, THitTests* where);

  TColor color_ = clWindow;
  bool enabled_ = true;
  int width_ = 120;
  int height_ = 100;
  bool editByMouse_ = false;

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  void EnsureRows();
  int RowOf(const TTreeNode* node);
  int NodeX(const TTreeNode& node);
  void ApplyScrollBars();
  void ClampScroll();
  void MakeNodeVisible(const TTreeNode* node);
  void NodeRemoving(TTreeNode& node);
  void PaintRow(TCanvas& c, int row);
  void SelectRow(int row);

  TTreeNodes items_;
  TFont font_;
  TCustomImageList* images_ = nullptr;
  TCustomImageList* stateImages_ = nullptr;
  TChangeLink imagesLink_, stateLink_;
  int indent_ = 19;
  bool showLines_ = true;
  bool showButtons_ = true;
  bool showRoot_ = true;
  bool hideSelection_ = true;
  bool readOnly_ = false;
  bool rowSelect_ = false;
  TSortType sortType_ = stNone;
  TTreeNode* selected_ = nullptr;
  TTreeNode* editNode_ = nullptr;
  TTreeNode* pendingEdit_ = nullptr;
  TTreeNode* endingNode_ = nullptr;
  std::vector<TTreeNode*> rows_;  // the visible nodes in order
  bool rowsDirty_ = true;
  int scrollRow_ = 0, scrollX_ = 0;
  int contentW_ = 0;
  bool mouseDown_ = false;
  TMouseButton downButton_ = mbLeft;
  TPoint downAt_;
  TTreeNode* downNode_ = nullptr;
  bool dragStarted_ = false;
  bool wasSelectedOnDown_ = false;
};

}  // namespace qv
