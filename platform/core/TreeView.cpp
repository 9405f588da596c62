#include "platform/core/TreeView.h"

#include <algorithm>

#include "platform/core/ControlUtils.h"
#include "platform/core/SysUtils.h"

namespace qv {

// ---- TTreeNode -------------------------------------------------------------------

TTreeNode::~TTreeNode() = default;

void TTreeNode::Renumber() {
  for (std::size_t i = 0; i < children_.size(); ++i) children_[i]->index_ = int(i);
}

void TTreeNode::SetText(const std::string& v) {
  if (v == text_) return;
  text_ = v;
  tree_->StructureChanged();
}

void TTreeNode::SetImageIndex(int v) {
  if (v != imageIndex_) imageIndex_ = v, tree_->Invalidate();
}
void TTreeNode::SetSelectedIndex(int v) {
  if (v != selectedIndex_) selectedIndex_ = v, tree_->Invalidate();
}
void TTreeNode::SetStateIndex(int v) {
  if (v != stateIndex_) stateIndex_ = v, tree_->Invalidate();
}
void TTreeNode::SetOverlayIndex(int v) {
  if (v != overlayIndex_) overlayIndex_ = v, tree_->Invalidate();
}
void TTreeNode::SetCut(bool v) {
  if (v != cut_) cut_ = v, tree_->Invalidate();
}
void TTreeNode::SetHasChildren(bool v) {
  if (v != hasChildren_) hasChildren_ = v, tree_->Invalidate();
}

void TTreeNode::SetExpanded(bool v) {
  if (v)
    Expand(false);
  else
    Collapse(false);
}

void TTreeNode::Expand(bool recurse) {
  if (!expanded_) {
    if (!tree_->CanExpand(*this)) return;
    if (children_.empty()) {
      // Nothing to show after all: the button goes.
      hasChildren_ = false;
      tree_->Invalidate();
      return;
    }
    expanded_ = true;
    tree_->StructureChanged();
    if (tree_->OnExpanded) tree_->OnExpanded(*this);
  }
  if (recurse)
    for (std::size_t i = 0; i < children_.size(); ++i) children_[i]->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  if (recurse)
    for (auto& c : children_) c->Collapse(true);
  if (!expanded_) return;
  if (!tree_->CanCollapse(*this)) return;
  expanded_ = false;
  if (tree_->selected_ && tree_->selected_->HasAsParent(this)) tree_->SetSelected(this);
  tree_->StructureChanged();
  if (tree_->OnCollapsed) tree_->OnCollapsed(*this);
}

bool TTreeNode::Selected() const { return tree_->selected_ == this; }

void TTreeNode::SetSelected(bool v) {
  if (v)
    tree_->SetSelected(this);
  else if (Selected())
    tree_->SetSelected(nullptr);
}

bool TTreeNode::Focused() const { return Selected() && tree_->Focused(); }

TTreeNode* TTreeNode::Parent() const {
  return parent_ && parent_ != &tree_->items_.Root() ? parent_ : nullptr;
}

TTreeNode* TTreeNode::Item(int index) const {
  return index >= 0 && index < Count() ? children_[std::size_t(index)].get() : nullptr;
}

int TTreeNode::Level() const {
  int level = 0;
  for (const TTreeNode* p = Parent(); p; p = p->Parent()) ++level;
  return level;
}

TTreeNode* TTreeNode::GetNextSibling() const {
  return parent_ ? parent_->Item(index_ + 1) : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  return parent_ ? parent_->Item(index_ - 1) : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!children_.empty()) return children_.front().get();
  for (const TTreeNode* n = this; n && n->parent_; n = n->parent_)
    if (TTreeNode* s = n->GetNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  TTreeNode* s = GetPrevSibling();
  if (!s) return Parent();
  while (!s->children_.empty()) s = s->children_.back().get();
  return s;
}

TTreeNode* TTreeNode::GetNextVisible() const {
  if (expanded_ && !children_.empty()) return children_.front().get();
  for (const TTreeNode* n = this; n && n->parent_; n = n->parent_)
    if (TTreeNode* s = n->GetNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
  TTreeNode* s = GetPrevSibling();
  if (!s) return Parent();
  while (s->expanded_ && !s->children_.empty()) s = s->children_.back().get();
  return s;
}

bool TTreeNode::IsVisible() const {
  for (const TTreeNode* p = Parent(); p; p = p->Parent())
    if (!p->expanded_) return false;
  return true;
}

bool TTreeNode::HasAsParent(const TTreeNode* node) const {
  if (!node) return false;
  for (const TTreeNode* p = Parent(); p; p = p->Parent())
    if (p == node) return true;
  return false;
}

void TTreeNode::MakeVisible() {
  std::vector<TTreeNode*> chain;
  for (TTreeNode* p = Parent(); p; p = p->Parent()) chain.push_back(p);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) (*it)->Expand(false);
  tree_->MakeNodeVisible(this);
}

TRect TTreeNode::DisplayRect(bool textOnly) const { return tree_->NodeRect(*this, textOnly); }

bool TTreeNode::EditText() { return tree_->EditNode(*this); }

void TTreeNode::Delete() { tree_->items_.Delete(this); }

void TTreeNode::DeleteChildren() {
  while (!children_.empty()) tree_->items_.Delete(children_.back().get());
  expanded_ = false;
}

bool TTreeNode::AlphaSort(bool recurse) {
  TCustomTreeView* t = tree_;
  return CustomSort(
      [t](TTreeNode& a, TTreeNode& b) {
        if (t->OnCompare) {
          int r = 0;
          t->OnCompare(a, b, r);
          return r;
        }
        return AnsiCompareText(a.Text(), b.Text());
      },
      recurse);
}

bool TTreeNode::CustomSort(const std::function<int(TTreeNode&, TTreeNode&)>& compare,
                           bool recurse) {
  if (!compare) return false;
  std::stable_sort(children_.begin(), children_.end(),
                   [&](const std::unique_ptr<TTreeNode>& a, const std::unique_ptr<TTreeNode>& b) {
                     return compare(*a, *b) < 0;
                   });
  Renumber();
  if (recurse)
    for (auto& c : children_) c->CustomSort(compare, true);
  tree_->StructureChanged();
  return true;
}

// ---- TTreeNodes ------------------------------------------------------------------

TTreeNodes::TTreeNodes(TCustomTreeView& tree) : tree_(tree), root_(new TTreeNode(&tree)) {
  root_->expanded_ = true;
}

TTreeNodes::~TTreeNodes() = default;

int TTreeNodes::Count() const {
  int n = 0;
  for (TTreeNode* p = GetFirstNode(); p; p = p->GetNext()) ++n;
  return n;
}

TTreeNode* TTreeNodes::GetFirstNode() const { return root_->Item(0); }

TTreeNode* TTreeNodes::Item(int absoluteIndex) const {
  TTreeNode* p = GetFirstNode();
  for (int i = 0; p && i < absoluteIndex; ++i) p = p->GetNext();
  return absoluteIndex >= 0 ? p : nullptr;
}

TTreeNode& TTreeNodes::InsertAt(TTreeNode& parent, int index, const std::string& text) {
  std::unique_ptr<TTreeNode> node(new TTreeNode(&tree_));
  node->text_ = text;
  node->parent_ = &parent;
  TTreeNode& ref = *node;
  index = std::clamp(index, 0, parent.Count());
  parent.children_.insert(parent.children_.begin() + index, std::move(node));
  parent.Renumber();
  tree_.StructureChanged();
  return ref;
}

TTreeNode& TTreeNodes::Add(TTreeNode* sibling, const std::string& text) {
  TTreeNode& parent = sibling ? *sibling->parent_ : *root_;
  return InsertAt(parent, parent.Count(), text);
}

TTreeNode& TTreeNodes::AddFirst(TTreeNode* sibling, const std::string& text) {
  return InsertAt(sibling ? *sibling->parent_ : *root_, 0, text);
}

TTreeNode& TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
  TTreeNode& p = parent ? *parent : *root_;
  return InsertAt(p, p.Count(), text);
}

TTreeNode& TTreeNodes::AddChildFirst(TTreeNode* parent, const std::string& text) {
  return InsertAt(parent ? *parent : *root_, 0, text);
}

TTreeNode& TTreeNodes::Insert(TTreeNode* sibling, const std::string& text) {
  if (!sibling) return Add(nullptr, text);
  return InsertAt(*sibling->parent_, sibling->index_, text);
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (!node || node == root_.get() || !node->parent_) return;
  TTreeNode* parent = node->parent_;
  const bool wasSelected =
      tree_.selected_ && (tree_.selected_ == node || tree_.selected_->HasAsParent(node));
  // The selection moves to a neighbour (or the parent) before the node goes.
  TTreeNode* next = nullptr;
  if (wasSelected) {
    next = node->GetNextSibling();
    if (!next) next = node->GetPrevSibling();
    if (!next) next = node->Parent();
  }
  tree_.NodeRemoving(*node);
  std::unique_ptr<TTreeNode> gone = std::move(parent->children_[std::size_t(node->index_)]);
  parent->children_.erase(parent->children_.begin() + node->index_);
  parent->Renumber();
  if (parent->children_.empty() && parent != root_.get()) parent->expanded_ = false;
  gone.reset();
  if (wasSelected) {
    tree_.selected_ = next;
    if (tree_.OnChange) tree_.OnChange(next);
  }
  tree_.StructureChanged();
}

void TTreeNodes::Clear() {
  BeginUpdate();
  for (auto& c : root_->children_) tree_.NodeRemoving(*c);
  tree_.selected_ = nullptr;
  root_->children_.clear();
  EndUpdate();
}

void TTreeNodes::BeginUpdate() { ++updateCount_; }

void TTreeNodes::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) tree_.StructureChanged();
}

// ---- TCustomTreeView: settings ---------------------------------------------------

TCustomTreeView::TCustomTreeView() : items_(*this) {
  font_.OnChange = [this](TGraphicsObject*) { StructureChanged(); };
  imagesLink_.OnChange = stateLink_.OnChange = [this] { StructureChanged(); };
  imagesLink_.OnFree = [this] { images_ = nullptr, StructureChanged(); };
  stateLink_.OnFree = [this] { stateImages_ = nullptr, StructureChanged(); };
}

TCustomTreeView::~TCustomTreeView() {
  font_.OnChange = nullptr;
  items_.Clear();
}

void TCustomTreeView::SetHost(TControlHost* host) {
  TControlCore::SetHost(host);
  if (host) {
    TRect r = host->ClientRect();
    Resize(r.Width(), r.Height());
  }
}

TFontService& TCustomTreeView::Fonts() { return host_ ? host_->Fonts() : FontService(); }

bool TCustomTreeView::Focused() const { return host_ && host_->Focused(); }

void TCustomTreeView::Invalidate() {
  if (host_ && !items_.Updating()) host_->Invalidate();
}

void TCustomTreeView::StructureChanged() {
  rowsDirty_ = true;
  Invalidate();
}

void TCustomTreeView::SetImages(TCustomImageList* v) {
  RelinkImages(images_, v, imagesLink_);
  StructureChanged();
}
void TCustomTreeView::SetStateImages(TCustomImageList* v) {
  RelinkImages(stateImages_, v, stateLink_);
  StructureChanged();
}
void TCustomTreeView::SetIndent(int v) {
  v = std::max(v, 0);
  if (v != indent_) indent_ = v, StructureChanged();
}
void TCustomTreeView::SetShowLines(bool v) {
  if (v != showLines_) showLines_ = v, Invalidate();
}
void TCustomTreeView::SetShowButtons(bool v) {
  if (v != showButtons_) showButtons_ = v, Invalidate();
}
void TCustomTreeView::SetShowRoot(bool v) {
  if (v != showRoot_) showRoot_ = v, StructureChanged();
}
void TCustomTreeView::SetHideSelection(bool v) {
  if (v != hideSelection_) hideSelection_ = v, Invalidate();
}
void TCustomTreeView::SetRowSelect(bool v) {
  if (v != rowSelect_) rowSelect_ = v, Invalidate();
}
void TCustomTreeView::SetSortType(TSortType v) {
  if (v == sortType_) return;
  sortType_ = v;
  if (v != stNone) AlphaSort(true);
}
void TCustomTreeView::SetBackColor(TColor v) {
  if (v != color_) color_ = v, Invalidate();
}
void TCustomTreeView::SetEnabled(bool v) {
  if (v != enabled_) enabled_ = v, Invalidate();
}

bool TCustomTreeView::AlphaSort(bool recurse) { return items_.Root().AlphaSort(recurse); }

bool TCustomTreeView::CustomSort(const std::function<int(TTreeNode&, TTreeNode&)>& compare,
                                 bool recurse) {
  return items_.Root().CustomSort(compare, recurse);
}

// ---- geometry ----------------------------------------------------------------------

int TCustomTreeView::ItemHeight() {
  int h = Fonts().TextExtent(font_, "Ay").cy;
  if (images_) h = std::max(h, images_->Height());
  if (stateImages_) h = std::max(h, stateImages_->Height());
  return h + 2;
}

int TCustomTreeView::VisibleCount() { return std::max(height_ / std::max(ItemHeight(), 1), 1); }

void TCustomTreeView::EnsureRows() {
  if (!rowsDirty_) return;
  rowsDirty_ = false;
  rows_.clear();
  contentW_ = 0;
  const int stateW = stateImages_ ? stateImages_->Width() : 0;
  const int imageW = images_ ? images_->Width() + 2 : 0;
  for (TTreeNode* n = items_.GetFirstNode(); n; n = n->GetNextVisible()) {
    rows_.push_back(n);
    const int x = (n->Level() + (showRoot_ ? 1 : 0)) * indent_;
    contentW_ =
        std::max(contentW_, x + stateW + imageW + Fonts().TextExtent(font_, n->text_).cx + 6);
  }
  ClampScroll();
  ApplyScrollBars();
}

void TCustomTreeView::ClampScroll() {
  const int maxRow = std::max(int(rows_.size()) - VisibleCount(), 0);
  scrollRow_ = std::clamp(scrollRow_, 0, maxRow);
  scrollX_ = std::clamp(scrollX_, 0, std::max(contentW_ - width_, 0));
}

void TCustomTreeView::ApplyScrollBars() {
  if (!host_) return;
  TScrollInfo v;
  v.Max = std::max(int(rows_.size()) - 1, 0);
  v.Page = VisibleCount();
  v.Pos = scrollRow_;
  v.Visible = int(rows_.size()) > VisibleCount();
  host_->SetScrollInfo(sbVertical, v);
  TScrollInfo h;
  h.Max = std::max(contentW_ - 1, 0);
  h.Page = std::max(width_, 1);
  h.Pos = scrollX_;
  h.Visible = contentW_ > width_;
  host_->SetScrollInfo(sbHorizontal, h);
}

int TCustomTreeView::RowOf(const TTreeNode* node) {
  EnsureRows();
  auto it = std::find(rows_.begin(), rows_.end(), node);
  return it == rows_.end() ? -1 : int(it - rows_.begin());
}

int TCustomTreeView::NodeX(const TTreeNode& node) {
  return (node.Level() + (showRoot_ ? 1 : 0)) * indent_ - scrollX_;
}

TRect TCustomTreeView::NodeRect(const TTreeNode& node, bool textOnly) {
  const int row = RowOf(&node);
  if (row < 0) return TRect();
  const int rh = ItemHeight();
  const int y = (row - scrollRow_) * rh;
  if (!textOnly) return TRect(0, y, width_, y + rh);
  int x = NodeX(node);
  if (stateImages_) x += stateImages_->Width();
  if (images_) x += images_->Width() + 2;
  const int tw = Fonts().TextExtent(font_, node.text_).cx;
  return TRect(x, y, x + tw + 4, y + rh);
}

TTreeNode* TCustomTreeView::NodeAt(int x, int y, THitTests* where) {
  EnsureRows();
  if (where) *where = htNowhere;
  const int rh = ItemHeight();
  if (y < 0) return nullptr;
  const int row = y / rh + scrollRow_;
  if (row < 0 || row >= int(rows_.size())) return nullptr;
  TTreeNode* n = rows_[std::size_t(row)];
  const int nx = NodeX(*n);
  const TRect text = NodeRect(*n, true);
  const int stateW = stateImages_ ? stateImages_->Width() : 0;
  const int imageW = images_ ? images_->Width() : 0;
  THitTests h;
  const bool buttonShown = showButtons_ && n->HasChildren() && (showRoot_ || n->Level() > 0);
  if (x < nx - indent_) {
    h = htOnIndent;
  } else if (x < nx) {
    h = buttonShown ? htOnButton : htOnIndent;
  } else if (x < nx + stateW) {
    h = htOnStateIcon;
  } else if (x < nx + stateW + imageW) {
    h = htOnIcon;
  } else if (x < text.Right) {
    h = htOnLabel;
  } else {
    h = htOnRight;
  }
  if (rowSelect_ && (h & (htOnIndent | htOnRight))) h = htOnLabel;
  if (where) *where = h | ((h & (htOnIcon | htOnLabel | htOnStateIcon)) ? htOnItem : 0);
  return n;
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) {
  THitTests h = 0;
  TTreeNode* n = NodeAt(x, y, &h);
  return n && (h & (htOnItem | htOnButton)) ? n : nullptr;
}

THitTests TCustomTreeView::GetHitTestInfoAt(int x, int y) {
  THitTests h = htNowhere;
  NodeAt(x, y, &h);
  if (x < 0) h |= htToLeft;
  if (x >= width_) h |= htToRight;
  if (y < 0) h |= htAbove;
  if (y >= height_) h |= htBelow;
  return h;
}

TTreeNode* TCustomTreeView::TopItem() {
  EnsureRows();
  return scrollRow_ < int(rows_.size()) ? rows_[std::size_t(scrollRow_)] : nullptr;
}

void TCustomTreeView::SetTopItem(TTreeNode* node) {
  const int row = RowOf(node);
  if (row >= 0) ScrollBy(0, row - scrollRow_);
}

void TCustomTreeView::ScrollBy(int dx, int rows) {
  EnsureRows();
  const int ox = scrollX_, oy = scrollRow_;
  scrollX_ += dx;
  scrollRow_ += rows;
  ClampScroll();
  if (ox != scrollX_ || oy != scrollRow_) {
    ApplyScrollBars();
    Invalidate();
  }
}

void TCustomTreeView::MakeNodeVisible(const TTreeNode* node) {
  const int row = RowOf(node);
  if (row < 0) return;
  if (row < scrollRow_)
    ScrollBy(0, row - scrollRow_);
  else if (row >= scrollRow_ + VisibleCount())
    ScrollBy(0, row - scrollRow_ - VisibleCount() + 1);
}

void TCustomTreeView::FullExpand() {
  for (TTreeNode* n = items_.GetFirstNode(); n; n = n->GetNextSibling()) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* n = items_.GetFirstNode(); n; n = n->GetNextSibling()) n->Collapse(true);
}

// ---- selection, expansion and editing --------------------------------------------------

bool TCustomTreeView::CanChange(TTreeNode* node) {
  bool allow = true;
  if (OnChanging) OnChanging(node, allow);
  return allow;
}

void TCustomTreeView::SetSelected(TTreeNode* node) {
  if (node == selected_) return;
  if (!CanChange(node)) return;
  selected_ = node;
  if (node) MakeNodeVisible(node);
  Invalidate();
  if (OnChange) OnChange(node);
}

bool TCustomTreeView::CanExpand(TTreeNode& node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(node, allow);
  return allow;
}

bool TCustomTreeView::CanCollapse(TTreeNode& node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(node, allow);
  return allow;
}

bool TCustomTreeView::CanEdit(TTreeNode& node) {
  bool allow = true;
  if (OnEditing) OnEditing(node, allow);
  return allow;
}

bool TCustomTreeView::EditNode(TTreeNode& node) {
  if (readOnly_) return false;
  if (editNode_) EndLabelEdit(false, std::string());
  if (!CanEdit(node)) return false;
  editNode_ = &node;
  node.MakeVisible();
  if (LabelEditor) LabelEditor(NodeRect(node, true), node.text_);
  return true;
}

void TCustomTreeView::EndLabelEdit(bool accept, const std::string& text) {
  TTreeNode* node = editNode_;
  editNode_ = nullptr;
  if (!node || !accept) return;
  std::string s = text;
  endingNode_ = node;  // cleared should OnEdited delete the node
  if (OnEdited) OnEdited(*node, s);
  if (endingNode_) endingNode_->SetText(s);
  endingNode_ = nullptr;
}

int TCustomTreeView::NodeImageIndex(TTreeNode& node) {
  if (OnGetImageIndex) OnGetImageIndex(node);
  return node.imageIndex_;
}

int TCustomTreeView::NodeSelectedIndex(TTreeNode& node) {
  if (OnGetSelectedIndex) OnGetSelectedIndex(node);
  return node.selectedIndex_;
}

void TCustomTreeView::DoDeletion(TTreeNode& node) {
  if (OnDeletion) OnDeletion(node);
}

void TCustomTreeView::NodeRemoving(TTreeNode& node) {
  for (auto& c : node.children_) NodeRemoving(*c);
  if (editNode_ == &node) {
    editNode_ = nullptr;
    if (CloseLabelEditor) CloseLabelEditor(false);
  }
  if (pendingEdit_ == &node) pendingEdit_ = nullptr;
  if (endingNode_ == &node) endingNode_ = nullptr;
  if (downNode_ == &node) downNode_ = nullptr;
  DoDeletion(node);
}

void TCustomTreeView::ContextMenu(int x, int y, bool fromKeyboard) {
  if (!PopupMenu || !host_) return;
  if (fromKeyboard) x = y = 0;
  PopupMenu->Popup(*host_, *this, x, y);
}

void TCustomTreeView::DoBeginDrag(TMouseButton button) {
  if (OnBeginDrag) OnBeginDrag(button);
}

// ---- painting --------------------------------------------------------------------------

void TCustomTreeView::PaintRow(TCanvas& c, int row) {
  TTreeNode& n = *rows_[std::size_t(row)];
  const int rh = ItemHeight();
  const int y = (row - scrollRow_) * rh;
  const int nx = NodeX(n);
  const int cy = y + rh / 2;
  const TColor lineColor = clGrayText;
  auto dottedV = [&](int x, int y1, int y2) {
    for (int yy = y1 + ((y1 + x) & 1); yy < y2; yy += 2) c.SetPixel(x, yy, lineColor);
  };
  auto dottedH = [&](int x1, int x2, int yy) {
    for (int x = x1 + ((x1 + yy) & 1); x < x2; x += 2) c.SetPixel(x, yy, lineColor);
  };
  const bool rootCell = showRoot_ || n.Level() > 0;
  if (showLines_ && rootCell) {
    const int lx = nx - indent_ / 2;
    const bool first = !n.GetPrevSibling() && !n.Parent();
    dottedV(lx, first ? cy : y, n.GetNextSibling() ? y + rh : cy + 1);
    dottedH(lx, nx - 1, cy);
    // The lines of the ancestors that have further siblings.
    int ax = lx - indent_;
    for (TTreeNode* a = n.Parent(); a && (showRoot_ || a->Level() > 0); a = a->Parent()) {
      if (a->GetNextSibling()) dottedV(ax, y, y + rh);
      ax -= indent_;
    }
  }
  if (showButtons_ && rootCell && n.HasChildren()) {
    const int bx = nx - indent_ / 2;
    TRect box(bx - 4, cy - 4, bx + 5, cy + 5);
    FillRectWith(c, box, clWindow);
    c.Brush.SetColor(clGrayText);
    c.FrameRect(box);
    c.Pen.SetStyle(psSolid);
    c.Pen.SetColor(clWindowText);
    c.MoveTo(bx - 2, cy);
    c.LineTo(bx + 3, cy);
    if (!n.expanded_) {
      c.MoveTo(bx, cy - 2);
      c.LineTo(bx, cy + 3);
    }
  }
  int x = nx;
  if (stateImages_) {
    if (n.stateIndex_ >= 0)
      stateImages_->Draw(c, x, y + (rh - stateImages_->Height()) / 2, n.stateIndex_, enabled_);
    x += stateImages_->Width();
  }
  const bool isSel = selected_ == &n;
  const bool focusedCtl = Focused();
  const bool showSel = isSel && (focusedCtl || !hideSelection_);
  if (images_) {
    const int img = isSel ? NodeSelectedIndex(n) : NodeImageIndex(n);
    if (img >= 0)
      images_->DrawOverlay(c, x, y + (rh - images_->Height()) / 2, img, n.overlayIndex_, dsNormal,
                           enabled_ && !n.cut_);
    x += images_->Width() + 2;
  }
  const TRect text = NodeRect(n, true);
  const TRect selRect = rowSelect_ ? TRect(text.Left, y, width_, y + rh) : text;
  if (showSel) FillRectWith(c, selRect, focusedCtl ? clHighlight : clBtnFace);
  c.Font.Assign(font_);
  c.SetTextColor(!enabled_ ? clGrayText
                 : showSel ? (focusedCtl ? clHighlightText : clBtnText)
                           : font_.Color());
  c.SetBkMode(TRANSPARENT);
  const int th = Fonts().TextExtent(font_, n.text_).cy;
  c.Brush.SetStyle(bsClear);
  c.TextOut(text.Left + 2, y + (rh - th) / 2, n.text_);
  c.Brush.SetStyle(bsSolid);
  if (isSel && focusedCtl) c.DrawFocusRect(selRect);
}

void TCustomTreeView::Paint(TCanvas& c, const TRect& rect) {
  EnsureRows();
  FillRectWith(c, rect, color_);
  const int rh = ItemHeight();
  const int first = scrollRow_ + std::max(rect.Top, 0) / rh;
  const int last = std::min(int(rows_.size()) - 1, scrollRow_ + (rect.Bottom + rh - 1) / rh);
  for (int row = first; row <= last; ++row) PaintRow(c, row);
  PaintOver(c);
}

// ---- input -------------------------------------------------------------------------------

void TCustomTreeView::SelectRow(int row) {
  EnsureRows();
  if (rows_.empty()) return;
  SetSelected(rows_[std::size_t(std::clamp(row, 0, int(rows_.size()) - 1))]);
}

void TCustomTreeView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!enabled_) return;
  if (host_) {
    host_->SetFocus();
    host_->KillTimer(TreeViewEditTimer);
  }
  pendingEdit_ = nullptr;
  THitTests where = 0;
  TTreeNode* n = NodeAt(x, y, &where);
  downNode_ = nullptr;
  if (!n) return;
  if (button == mbLeft && (where & htOnButton)) {
    n->SetExpanded(!n->Expanded());
    return;
  }
  if (!(where & htOnItem)) return;
  mouseDown_ = true;
  downButton_ = button;
  downAt_ = {x, y};
  downNode_ = n;
  dragStarted_ = false;
  // The second press of a double click never arms the edit.
  wasSelectedOnDown_ = !(shift & ssDouble) && selected_ == n;
  if (host_) host_->SetCapture();
  if (button == mbLeft) SetSelected(n);
}

void TCustomTreeView::MouseMove(TShiftState, int x, int y) {
  if (!mouseDown_ || !downNode_ || dragStarted_) return;
  if (std::abs(x - downAt_.X) > 4 || std::abs(y - downAt_.Y) > 4) {
    dragStarted_ = true;
    mouseDown_ = false;
    if (host_) host_->ReleaseCapture();
    DoBeginDrag(downButton_);
  }
}

void TCustomTreeView::MouseUp(TMouseButton button, TShiftState, int x, int y) {
  const bool wasDown = mouseDown_;
  mouseDown_ = false;
  if (host_) host_->ReleaseCapture();
  if (dragStarted_) return;
  if (button == mbRight) {
    ContextMenu(x, y, false);
    return;
  }
  if (!wasDown || button != mbLeft) return;
  THitTests where = 0;
  TTreeNode* n = NodeAt(x, y, &where);
  if (n && n == downNode_ && wasSelectedOnDown_ && (where & htOnLabel) && !readOnly_ && host_) {
    pendingEdit_ = n;
    host_->SetTimer(TreeViewEditTimer, 500);
  }
  if (OnClick) OnClick();
}

void TCustomTreeView::DblClick() {
  if (host_) host_->KillTimer(TreeViewEditTimer);
  pendingEdit_ = nullptr;
  wasSelectedOnDown_ = false;
  if (downNode_ && downNode_->HasChildren()) downNode_->SetExpanded(!downNode_->Expanded());
  if (OnDblClick) OnDblClick();
}

bool TCustomTreeView::MouseWheel(TShiftState, int delta, int, int) {
  ScrollBy(0, -delta / 120 * 3);
  return true;
}

void TCustomTreeView::KeyDown(int& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(key, shift);
  if (key == 0 || !enabled_) return;
  EnsureRows();
  const int row = RowOf(selected_);
  const int page = std::max(VisibleCount() - 1, 1);
  switch (key) {
    case VK_UP:
      SelectRow(row < 0 ? 0 : row - 1);
      break;
    case VK_DOWN:
      SelectRow(row + 1);
      break;
    case VK_HOME:
      SelectRow(0);
      break;
    case VK_END:
      SelectRow(int(rows_.size()) - 1);
      break;
    case VK_PRIOR:
      SelectRow(row - page);
      break;
    case VK_NEXT:
      SelectRow(row + page);
      break;
    case VK_LEFT:
      if (!selected_) break;
      if (selected_->Expanded())
        selected_->Collapse(false);
      else if (selected_->Parent())
        SetSelected(selected_->Parent());
      break;
    case VK_RIGHT:
      if (!selected_ || !selected_->HasChildren()) break;
      if (!selected_->Expanded())
        selected_->Expand(false);
      else
        SetSelected(selected_->GetFirstChild());
      break;
    case VK_ADD:
      if (selected_) selected_->Expand(false);
      break;
    case VK_SUBTRACT:
      if (selected_) selected_->Collapse(false);
      break;
    case VK_MULTIPLY:
      if (selected_) selected_->Expand(true);
      break;
    case VK_F1 + 1:  // F2
      if (selected_) EditNode(*selected_);
      break;
    case VK_APPS:
      ContextMenu(-1, -1, true);
      break;
    case VK_F1 + 9:  // F10
      if (!(shift & ssShift)) return;
      ContextMenu(-1, -1, true);
      break;
    default:
      return;
  }
  key = 0;
}

void TCustomTreeView::KeyPress(char32_t& ch) {
  if (ch < 32 || !enabled_) return;
  // The next visible node whose text starts with the character.
  EnsureRows();
  const int n = int(rows_.size());
  if (n == 0) return;
  const int start = RowOf(selected_);
  const std::string prefix = Utf32ToUtf8(std::u32string(1, ch));
  for (int k = 1; k <= n; ++k) {
    TTreeNode* node = rows_[std::size_t((start + k + n) % n)];
    if (StartsText(prefix, node->text_)) {
      SetSelected(node);
      break;
    }
  }
  ch = 0;
}

void TCustomTreeView::FocusIn() { Invalidate(); }

void TCustomTreeView::FocusOut() { Invalidate(); }

void TCustomTreeView::Resize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  StructureChanged();
}

void TCustomTreeView::Timer(int id) {
  if (id != TreeViewEditTimer) return;
  if (host_) host_->KillTimer(TreeViewEditTimer);
  TTreeNode* n = pendingEdit_;
  pendingEdit_ = nullptr;
  if (!n || (host_ && !host_->Focused())) return;
  editByMouse_ = true;
  struct TReset {
    bool& f;
    ~TReset() { f = false; }
  } reset{editByMouse_};
  EditNode(*n);
}

void TCustomTreeView::Scroll(TScrollBarKind bar, TScrollCode code, int pos) {
  EnsureRows();
  const bool v = bar == sbVertical;
  const int line = v ? 1 : 16;
  const int page = v ? VisibleCount() : std::max(width_, 1);
  const int cur = v ? scrollRow_ : scrollX_;
  const std::optional<int> t =
      ScrollTarget(code, cur, line, page, pos, v ? int(rows_.size()) : contentW_);
  if (!t) return;
  const int target = *t;
  if (v)
    ScrollBy(0, target - cur);
  else
    ScrollBy(target - cur, 0);
}

}  // namespace qv
