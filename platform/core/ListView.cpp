#include "platform/core/ListView.h"

#include <algorithm>

#include "platform/core/ControlUtils.h"
#include "platform/core/DrawText.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

constexpr int CheckBoxSize = 13;

}  // namespace

// ---- TListItem -----------------------------------------------------------------

void TListItem::Changed(bool layout) {
  if (list_) list_->ItemChanged(*this, layout);
}

void TListItem::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  textWidth_ = -1;
  Changed(true);
}

void TListItem::SetSubItems(std::vector<std::string> v) {
  subItems_ = std::move(v);
  Changed(false);
}

void TListItem::SetSubItem(int index, const std::string& v) {
  if (index < 0) return;
  if (std::size_t(index) >= subItems_.size()) subItems_.resize(std::size_t(index) + 1);
  subItems_[std::size_t(index)] = v;
  Changed(false);
}

void TListItem::SetImageIndex(int v) {
  if (v != imageIndex_) imageIndex_ = v, Changed(false);
}
void TListItem::SetStateIndex(int v) {
  if (v != stateIndex_) stateIndex_ = v, Changed(false);
}
void TListItem::SetOverlayIndex(int v) {
  if (v != overlayIndex_) overlayIndex_ = v, Changed(false);
}
void TListItem::SetCut(bool v) {
  if (v != cut_) cut_ = v, Changed(false);
}
void TListItem::SetIndent(int v) {
  if (v != indent_) indent_ = std::max(v, 0), Changed(true);
}

void TListItem::SetChecked(bool v) {
  if (v == checked_) return;
  if (list_ && !list_->CanChangeCheck(*this)) return;
  checked_ = v;
  Changed(false);
  if (list_) list_->CheckChanged(*this);
}

void TListItem::SetSelected(bool v) {
  if (list_)
    list_->SetItemSelected(*this, v);
  else
    selected_ = v;
}

void TListItem::SetFocused(bool v) {
  if (!list_) {
    focused_ = v;
    return;
  }
  if (v)
    list_->FocusIndex(index_);
  else if (focused_) {
    focused_ = false;
    list_->InvalidateItem(index_);
  }
}

TRect TListItem::DisplayRect(TDisplayCode code) const { return list_->ItemPart(index_, code); }

void TListItem::MakeVisible(bool partialOk) { list_->MakeIndexVisible(index_, partialOk); }

bool TListItem::EditCaption() { return list_->EditCaption(*this); }

void TListItem::Delete() { list_->Items().Delete(index_); }

void TListItem::Update() { list_->InvalidateItem(index_); }

// ---- TListItems ----------------------------------------------------------------

TListItem& TListItems::Item(int index) {
  auto& slot = items_.at(std::size_t(index));
  if (!slot) {
    slot.reset(new TListItem(&list_));
    slot->index_ = index;
  }
  if (list_.ownerData_ && !slot->filled_) {
    slot->filled_ = true;
    if (list_.OnData) list_.OnData(*slot);
  }
  return *slot;
}

TListItem& TListItems::Insert(int index) {
  index = std::clamp(index, 0, Count());
  std::unique_ptr<TListItem> item(new TListItem(&list_));
  TListItem& ref = *item;
  items_.insert(items_.begin() + index, std::move(item));
  Renumber(index);
  if (list_.OnInsert) list_.OnInsert(ref);
  list_.LayoutChanged();
  return ref;
}

void TListItems::Renumber(int from) {
  for (int i = std::max(from, 0); i < Count(); ++i)
    if (items_[std::size_t(i)]) items_[std::size_t(i)]->index_ = i;
}

void TListItems::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  std::unique_ptr<TListItem>& slot = items_[std::size_t(index)];
  if (slot) list_.ItemRemoved(*slot);
  std::unique_ptr<TListItem> gone = std::move(slot);
  items_.erase(items_.begin() + index);
  Renumber(index);
  if (list_.anchor_ >= Count()) list_.anchor_ = Count() - 1;
  list_.LayoutChanged();
}

void TListItems::Clear() {
  BeginUpdate();
  for (auto& slot : items_)
    if (slot) list_.ItemRemoved(*slot);
  items_.clear();
  list_.anchor_ = -1;
  EndUpdate();
  list_.LayoutChanged();
}

void TListItems::SetCount(int count) {
  count = std::max(count, 0);
  for (int i = count; i < Count(); ++i)
    if (items_[std::size_t(i)]) list_.ItemRemoved(*items_[std::size_t(i)]);
  items_.resize(std::size_t(count));
  // Owner data: refetch the contents of the items still there.
  for (auto& slot : items_)
    if (slot) slot->filled_ = false;
  list_.LayoutChanged();
}

int TListItems::IndexOf(const TListItem* item) const {
  return item && item->list_ == &list_ && item->index_ >= 0 && item->index_ < Count() &&
                 items_[std::size_t(item->index_)].get() == item
             ? item->index_
             : -1;
}

void TListItems::BeginUpdate() { ++updateCount_; }

void TListItems::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) list_.LayoutChanged();
}

// ---- columns -------------------------------------------------------------------

void TListColumn::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  list_->ColumnsChanged();
  list_->Invalidate();
}

void TListColumn::SetWidth(int v) {
  v = std::max(v, 0);
  if (v == width_) return;
  width_ = v;
  list_->LayoutChanged();
}

void TListColumn::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  format_ = (format_ & ~HDF_JUSTIFYMASK) | (v == taRightJustify ? HDF_RIGHT
                                            : v == taCenter     ? HDF_CENTER
                                                                : HDF_LEFT);
  list_->ColumnsChanged();
  list_->Invalidate();
}

void TListColumn::SetHeaderFormat(unsigned v) {
  if (v == format_) return;
  format_ = v;
  list_->Invalidate();
}

TListColumn& TListColumns::Add() {
  columns_.push_back(std::unique_ptr<TListColumn>(new TListColumn(&list_)));
  columns_.back()->index_ = Count() - 1;
  list_.ColumnsChanged();
  list_.LayoutChanged();
  return *columns_.back();
}

void TListColumns::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  columns_.erase(columns_.begin() + index);
  for (int i = 0; i < Count(); ++i) columns_[std::size_t(i)]->index_ = i;
  list_.ColumnsChanged();
  list_.LayoutChanged();
}

void TListColumns::Clear() {
  columns_.clear();
  list_.ColumnsChanged();
  list_.LayoutChanged();
}

// ---- TCustomListView: settings ---------------------------------------------------

TCustomListView::TCustomListView() : items_(*this), columns_(*this) {
  font_.OnChange = [this](TGraphicsObject*) {
    for (auto& slot : items_.items_)
      if (slot) slot->textWidth_ = -1;
    LayoutChanged();
  };
  for (TChangeLink* l : {&largeLink_, &smallLink_, &stateLink_})
    l->OnChange = [this] { LayoutChanged(); };
  largeLink_.OnFree = [this] { largeImages_ = nullptr, LayoutChanged(); };
  smallLink_.OnFree = [this] { smallImages_ = nullptr, LayoutChanged(); };
  stateLink_.OnFree = [this] { stateImages_ = nullptr, LayoutChanged(); };
}

TCustomListView::~TCustomListView() {
  font_.OnChange = nullptr;
  editItem_ = nullptr;
  items_.Clear();
}

void TCustomListView::SetHost(TControlHost* host) {
  TControlCore::SetHost(host);
  if (host) {
    TRect r = host->ClientRect();
    Resize(r.Width(), r.Height());
  }
}

TFontService& TCustomListView::Fonts() { return host_ ? host_->Fonts() : FontService(); }

bool TCustomListView::Focused() const { return host_ && host_->Focused(); }

void TCustomListView::Invalidate() {
  if (host_ && !items_.Updating()) host_->Invalidate();
}

void TCustomListView::InvalidateItem(int index) {
  if (!host_ || items_.Updating() || index < 0 || index >= items_.Count()) return;
  if (needsLayout_) {
    host_->Invalidate();
    return;
  }
  TRect r = ItemBounds(index);
  if (viewStyle_ == vsReport) r.Right = std::max(r.Right, width_);
  host_->InvalidateRect(r);
}

void TCustomListView::LayoutChanged() {
  needsLayout_ = true;
  Invalidate();
}

void TCustomListView::SetViewStyle(TViewStyle v) {
  if (v == viewStyle_) return;
  viewStyle_ = v;
  scrollX_ = scrollY_ = 0;
  LayoutChanged();
}

void TCustomListView::SetLargeImages(TCustomImageList* v) {
  RelinkImages(largeImages_, v, largeLink_);
  LayoutChanged();
}
void TCustomListView::SetSmallImages(TCustomImageList* v) {
  RelinkImages(smallImages_, v, smallLink_);
  LayoutChanged();
}
void TCustomListView::SetStateImages(TCustomImageList* v) {
  RelinkImages(stateImages_, v, stateLink_);
  LayoutChanged();
}

void TCustomListView::SetMultiSelect(bool v) {
  if (v == multiSelect_) return;
  multiSelect_ = v;
  if (!v) {
    TListItem* keep = ItemFocused();
    if (!keep || !keep->Selected()) keep = Selected();
    for (int i = 0; i < items_.Count(); ++i) {
      TListItem& it = items_.Item(i);
      if (&it != keep && it.Selected()) SetItemSelected(it, false);
    }
  }
}

void TCustomListView::SetRowSelect(bool v) {
  if (v != rowSelect_) rowSelect_ = v, Invalidate();
}
void TCustomListView::SetHideSelection(bool v) {
  if (v != hideSelection_) hideSelection_ = v, Invalidate();
}
void TCustomListView::SetGridLines(bool v) {
  if (v != gridLines_) gridLines_ = v, Invalidate();
}
void TCustomListView::SetShowColumnHeaders(bool v) {
  if (v != showColumnHeaders_) showColumnHeaders_ = v, LayoutChanged();
}
void TCustomListView::SetCheckboxes(bool v) {
  if (v != checkboxes_) checkboxes_ = v, LayoutChanged();
}

void TCustomListView::SetSortType(TSortType v) {
  if (v == sortType_) return;
  sortType_ = v;
  if (v != stNone) AlphaSort();
}

void TCustomListView::SetOwnerData(bool v) {
  if (v == ownerData_) return;
  items_.Clear();
  ownerData_ = v;
}

void TCustomListView::SetBackColor(TColor v) {
  if (v != color_) color_ = v, Invalidate();
}

void TCustomListView::SetEnabled(bool v) {
  if (v != enabled_) enabled_ = v, Invalidate();
}

// ---- geometry --------------------------------------------------------------------

int TCustomListView::RowHeight() {
  int h = Fonts().TextExtent(font_, "Ay").cy;
  if (smallImages_) h = std::max(h, smallImages_->Height());
  if (stateImages_) h = std::max(h, stateImages_->Height());
  if (checkboxes_) h = std::max(h, CheckBoxSize);
  return h + 2;
}

int TCustomListView::HeaderHeight() {
  if (viewStyle_ != vsReport || !showColumnHeaders_) return 0;
  return Fonts().TextExtent(font_, "Ay").cy + 6;
}

int TCustomListView::ColumnsWidth() {
  int w = 0;
  for (int i = 0; i < columns_.Count(); ++i) w += columns_[i].Width();
  return w;
}

int TCustomListView::IconCellWidth() {
  const int iw = largeImages_ ? largeImages_->Width() : 32;
  return std::max(75, iw + 16);
}

int TCustomListView::IconCellHeight() {
  const int ih = largeImages_ ? largeImages_->Height() : 32;
  return ih + 6 + 2 * Fonts().TextExtent(font_, "Ay").cy + 4;
}

int TCustomListView::TextWidthOf(TListItem& item) {
  if (item.textWidth_ < 0) item.textWidth_ = Fonts().TextExtent(font_, ItemText(item, 0)).cx;
  return item.textWidth_;
}

void TCustomListView::EnsureLayout() {
  if (needsLayout_ && !items_.Updating()) DoLayout();
}

void TCustomListView::DoLayout() {
  needsLayout_ = false;
  const int n = items_.Count();
  const int rh = RowHeight();
  const int viewH = std::max(height_ - HeaderHeight(), 0);
  switch (viewStyle_) {
    case vsReport:
      cellW_ = ColumnsWidth();
      cellH_ = rh;
      perLine_ = 1;
      contentW_ = cellW_;
      contentH_ = n * rh;
      break;
    case vsIcon:
      cellW_ = IconCellWidth();
      cellH_ = IconCellHeight();
      perLine_ = std::max(1, width_ / cellW_);
      contentW_ = perLine_ * cellW_;
      contentH_ = (n + perLine_ - 1) / perLine_ * cellH_;
      break;
    case vsSmallIcon:
    case vsList: {
      // Cells as wide as the widest caption (with its icon), within limits.
      int widest = 0;
      const int iw =
          (smallImages_ ? smallImages_->Width() + 2 : 0) + (stateImages_  ? stateImages_->Width()
                                                            : checkboxes_ ? CheckBoxSize + 2
                                                                          : 0);
      if (!ownerData_)
        for (int i = 0; i < n; ++i) widest = std::max(widest, TextWidthOf(items_.Item(i)));
      else
        widest = 120;
      cellW_ = std::clamp(iw + widest + 10, 32, 250);
      cellH_ = rh;
      if (viewStyle_ == vsSmallIcon) {
        perLine_ = std::max(1, width_ / cellW_);
        contentW_ = perLine_ * cellW_;
        contentH_ = (n + perLine_ - 1) / perLine_ * rh;
      } else {
        perLine_ = std::max(1, viewH / rh);  // items per column
        contentW_ = (n + perLine_ - 1) / perLine_ * cellW_;
        contentH_ = perLine_ * rh;
      }
      break;
    }
  }
  ClampScroll();
  ApplyScrollBars();
}

void TCustomListView::ClampScroll() {
  const int viewH = std::max(height_ - HeaderHeight(), 0);
  scrollX_ = std::clamp(scrollX_, 0, std::max(contentW_ - width_, 0));
  scrollY_ = std::clamp(scrollY_, 0, std::max(contentH_ - viewH, 0));
}

void TCustomListView::ApplyScrollBars() {
  if (!host_) return;
  const int viewH = std::max(height_ - HeaderHeight(), 0);
  TScrollInfo v;
  v.Min = 0;
  v.Max = std::max(contentH_ - 1, 0);
  v.Page = std::max(viewH, 1);
  v.Pos = scrollY_;
  v.Visible = contentH_ > viewH;
  host_->SetScrollInfo(sbVertical, v);
  TScrollInfo h;
  h.Min = 0;
  h.Max = std::max(contentW_ - 1, 0);
  h.Page = std::max(width_, 1);
  h.Pos = scrollX_;
  h.Visible = contentW_ > width_;
  host_->SetScrollInfo(sbHorizontal, h);
}

int TCustomListView::ItemsPerRow() {
  EnsureLayout();
  return perLine_;
}

TRect TCustomListView::ItemBounds(int index) {
  EnsureLayout();
  const int hh = HeaderHeight();
  switch (viewStyle_) {
    case vsReport:
      return Bounds(-scrollX_, hh + index * cellH_ - scrollY_, std::max(cellW_, 1), cellH_);
    case vsList:
      return Bounds(index / perLine_ * cellW_ - scrollX_, index % perLine_ * cellH_ - scrollY_,
                    cellW_, cellH_);
    default:
      return Bounds(index % perLine_ * cellW_ - scrollX_, index / perLine_ * cellH_ - scrollY_,
                    cellW_, cellH_);
  }
}

TRect TCustomListView::ItemPart(int index, TDisplayCode code) {
  if (index < 0 || index >= items_.Count()) return TRect();
  const TRect b = ItemBounds(index);
  if (code == drBounds) return b;
  TListItem& item = items_.Item(index);
  const int textW = TextWidthOf(item);
  const int lineH = Fonts().TextExtent(font_, "Ay").cy;
  if (viewStyle_ == vsIcon) {
    const int iw = largeImages_ ? largeImages_->Width() : 32;
    const int ih = largeImages_ ? largeImages_->Height() : 32;
    const TRect icon = Bounds(b.Left + (b.Width() - iw) / 2, b.Top + 2, iw, ih);
    const int lw = std::min(textW + 4, b.Width());
    const TRect label = Bounds(b.Left + (b.Width() - lw) / 2, icon.Bottom + 2, lw, lineH + 2);
    if (code == drIcon) return icon;
    if (code == drLabel) return label;
    TRect u;
    UnionRect(u, icon, label);
    return u;
  }
  const int smallW = smallImages_ ? smallImages_->Width() : 0;
  const int stateW = stateImages_ ? stateImages_->Width() : checkboxes_ ? CheckBoxSize + 2 : 0;
  int x = b.Left + 2 + item.Indent() * std::max(smallW, 16);
  const TRect state = Bounds(x, b.Top, stateW, b.Height());
  x += stateW;
  const TRect icon = Bounds(x, b.Top, smallW, b.Height());
  x += smallW + (smallW ? 2 : 0);
  int right = x + textW + 6;
  if (viewStyle_ == vsReport) {
    const int col0 = columns_.Count() ? b.Left + columns_[0].Width() : b.Right;
    right = std::min(right, col0);
  } else {
    right = std::min(right, b.Right);
  }
  const TRect label(x, b.Top, std::max(right, x), b.Bottom);
  switch (code) {
    case drIcon:
      return icon;
    case drLabel:
      return label;
    case drSelectBounds:
      if (viewStyle_ == vsReport && rowSelect_) return b;
      return TRect(state.Left, b.Top, label.Right, b.Bottom);
    default:
      (void)state;
      return b;
  }
}

int TCustomListView::ItemAt(int x, int y, THitTests* where) {
  EnsureLayout();
  if (where) *where = htNowhere;
  const int n = items_.Count();
  const int hh = HeaderHeight();
  if (n == 0 || y < hh) return -1;
  const int cx = x + scrollX_, cy = y + scrollY_ - hh;
  int index = -1;
  switch (viewStyle_) {
    case vsReport:
      if (cy >= 0) index = cy / cellH_;
      break;
    case vsList:
      if (cx >= 0 && cy >= 0 && cy < perLine_ * cellH_)
        index = cx / cellW_ * perLine_ + cy / cellH_;
      break;
    default:
      if (cx >= 0 && cy >= 0 && cx < perLine_ * cellW_)
        index = cy / cellH_ * perLine_ + cx / cellW_;
      break;
  }
  if (index < 0 || index >= n) return -1;
  const TRect icon = ItemPart(index, drIcon), label = ItemPart(index, drLabel);
  THitTests h = 0;
  const TRect b = ItemBounds(index);
  const int stateW = stateImages_ ? stateImages_->Width() : checkboxes_ ? CheckBoxSize + 2 : 0;
  if (viewStyle_ != vsIcon && stateW > 0 && x >= icon.Left - stateW && x < icon.Left &&
      b.Contains(x, y))
    h = htOnStateIcon;
  else if (icon.Contains(x, y))
    h = htOnIcon;
  else if (label.Contains(x, y))
    h = htOnLabel;
  else if (viewStyle_ == vsReport && rowSelect_ && b.Contains(x, y))
    h = htOnLabel;
  if (h == 0) return -1;
  if (where) *where = h | htOnItem;
  return index;
}

TListItem* TCustomListView::GetItemAt(int x, int y) {
  const int i = ItemAt(x, y);
  return i >= 0 ? &items_.Item(i) : nullptr;
}

THitTests TCustomListView::GetHitTestInfoAt(int x, int y) {
  THitTests h = htNowhere;
  ItemAt(x, y, &h);
  if (x < 0) h |= htToLeft;
  if (x >= width_) h |= htToRight;
  if (y < 0) h |= htAbove;
  if (y >= height_) h |= htBelow;
  return h;
}

TListItem* TCustomListView::TopItem() {
  EnsureLayout();
  if (items_.Count() == 0) return nullptr;
  int i = 0;
  if (viewStyle_ == vsReport)
    i = scrollY_ / std::max(cellH_, 1);
  else if (viewStyle_ == vsList)
    i = scrollX_ / std::max(cellW_, 1) * perLine_;
  else
    i = scrollY_ / std::max(cellH_, 1) * perLine_;
  return i < items_.Count() ? &items_.Item(i) : nullptr;
}

int TCustomListView::VisibleRowCount() {
  EnsureLayout();
  const int viewH = std::max(height_ - HeaderHeight(), 0);
  if (viewStyle_ == vsList) return perLine_;
  return std::max(viewH / std::max(cellH_, 1), 1);
}

void TCustomListView::Scroll(int dx, int dy) {
  EnsureLayout();
  const int ox = scrollX_, oy = scrollY_;
  scrollX_ += dx;
  scrollY_ += dy;
  ClampScroll();
  if (ox != scrollX_ || oy != scrollY_) {
    ApplyScrollBars();
    Invalidate();
  }
}

void TCustomListView::MakeIndexVisible(int index, bool partialOk) {
  if (index < 0 || index >= items_.Count()) return;
  EnsureLayout();
  const TRect b = ItemBounds(index);
  const int top = HeaderHeight();
  int dx = 0, dy = 0;
  if (b.Top < top)
    dy = b.Top - top;
  else if (b.Bottom > height_ && !(partialOk && b.Top < height_))
    dy = std::min(b.Bottom - height_, b.Top - top);
  const int right = viewStyle_ == vsReport ? b.Left + cellW_ : b.Right;
  if (viewStyle_ != vsReport) {
    if (b.Left < 0)
      dx = b.Left;
    else if (right > width_ && !(partialOk && b.Left < width_))
      dx = std::min(right - width_, b.Left);
  }
  if (dx || dy) Scroll(dx, dy);
}

int TCustomListView::HeaderColumnAt(int x, int y, bool* onDivider) {
  if (onDivider) *onDivider = false;
  if (y < 0 || y >= HeaderHeight()) return -1;
  int left = -scrollX_;
  for (int i = 0; i < columns_.Count(); ++i) {
    const int right = left + columns_[i].Width();
    if (std::abs(x - right) <= 3) {
      if (onDivider) *onDivider = true;
      return i;
    }
    if (x >= left && x < right) return i;
    left = right;
  }
  return -1;
}

TRect TCustomListView::HeaderItemRect(int column) {
  int left = -scrollX_;
  for (int i = 0; i < column && i < columns_.Count(); ++i) left += columns_[i].Width();
  if (column < 0 || column >= columns_.Count()) return TRect();
  return TRect(left, 0, left + columns_[column].Width(), HeaderHeight());
}

// ---- selection ---------------------------------------------------------------------

TListItem* TCustomListView::Selected() {
  for (int i = 0; i < items_.Count(); ++i)
    if (items_.items_[std::size_t(i)] && items_.items_[std::size_t(i)]->selected_)
      return items_.items_[std::size_t(i)].get();
  return nullptr;
}

TListItem* TCustomListView::ItemFocused() {
  for (auto& slot : items_.items_)
    if (slot && slot->focused_) return slot.get();
  return nullptr;
}

int TCustomListView::ItemIndex() {
  TListItem* s = Selected();
  return s ? s->Index() : -1;
}

void TCustomListView::SetItemIndex(int index) {
  if (index < 0 || index >= items_.Count()) {
    ClearSelection();
    return;
  }
  SelectRange(index, index, false);
  FocusIndex(index);
  anchor_ = index;
}

int TCustomListView::SelCount() {
  int n = 0;
  for (auto& slot : items_.items_)
    if (slot && slot->selected_) ++n;
  return n;
}

void TCustomListView::ClearSelection() {
  for (auto& slot : items_.items_)
    if (slot && slot->selected_) SetItemSelected(*slot, false);
}

void TCustomListView::SelectAll() {
  if (!multiSelect_) return;
  for (int i = 0; i < items_.Count(); ++i) SetItemSelected(items_.Item(i), true);
}

void TCustomListView::SetItemSelected(TListItem& item, bool selected) {
  if (item.selected_ == selected) return;
  if (selected && !multiSelect_)
    for (auto& slot : items_.items_)
      if (slot && slot.get() != &item && slot->selected_) SetItemSelected(*slot, false);
  item.selected_ = selected;
  InvalidateItem(item.index_);
  if (OnSelectItem) OnSelectItem(&item, selected);
  if (OnChange) OnChange(&item);
}

void TCustomListView::SelectRange(int from, int to, bool keepOthers) {
  if (from > to) std::swap(from, to);
  if (!keepOthers)
    for (auto& slot : items_.items_)
      if (slot && slot->selected_ && (slot->index_ < from || slot->index_ > to))
        SetItemSelected(*slot, false);
  for (int i = std::max(from, 0); i <= to && i < items_.Count(); ++i)
    SetItemSelected(items_.Item(i), true);
}

void TCustomListView::FocusIndex(int index) {
  for (auto& slot : items_.items_)
    if (slot && slot->focused_ && slot->index_ != index) {
      slot->focused_ = false;
      InvalidateItem(slot->index_);
    }
  if (index >= 0 && index < items_.Count()) {
    TListItem& it = items_.Item(index);
    if (!it.focused_) {
      it.focused_ = true;
      InvalidateItem(index);
    }
  }
}

int TCustomListView::NeighbourIndex(int index, int key) {
  const int n = items_.Count();
  if (n == 0) return -1;
  if (index < 0) return key == VK_END ? n - 1 : 0;
  const int per = ItemsPerRow();
  const int page = std::max(VisibleRowCount() - 1, 1);
  int step = 0;
  switch (key) {
    case VK_HOME:
      return 0;
    case VK_END:
      return n - 1;
    case VK_PRIOR:
      step = viewStyle_ == vsReport || viewStyle_ == vsList ? -page : -page * per;
      break;
    case VK_NEXT:
      step = viewStyle_ == vsReport || viewStyle_ == vsList ? page : page * per;
      break;
    case VK_UP:
      step = viewStyle_ == vsReport || viewStyle_ == vsList ? -1 : -per;
      break;
    case VK_DOWN:
      step = viewStyle_ == vsReport || viewStyle_ == vsList ? 1 : per;
      break;
    case VK_LEFT:
      step = viewStyle_ == vsList ? -per : -1;
      break;
    case VK_RIGHT:
      step = viewStyle_ == vsList ? per : 1;
      break;
    default:
      return index;
  }
  const int target = index + step;
  if (target < 0 || target >= n) {
    // Page keys stop at the ends; arrows across rows stay put.
    if (key == VK_PRIOR) return 0;
    if (key == VK_NEXT) return n - 1;
    return index;
  }
  return target;
}

void TCustomListView::MoveFocus(int index, TShiftState shift) {
  if (index < 0) return;
  if ((shift & ssShift) && multiSelect_) {
    if (anchor_ < 0) anchor_ = index;
    SelectRange(anchor_, index, (shift & ssCtrl) != 0);
  } else if (!(shift & ssCtrl) || !multiSelect_) {
    SelectRange(index, index, false);
    anchor_ = index;
  }
  FocusIndex(index);
  MakeIndexVisible(index, false);
}

// ---- sorting -------------------------------------------------------------------------

bool TCustomListView::AlphaSort() {
  return CustomSort([this](TListItem& a, TListItem& b) {
    if (OnCompare) {
      int r = 0;
      OnCompare(a, b, r);
      return r;
    }
    return AnsiCompareText(ItemText(a, 0), ItemText(b, 0));
  });
}

bool TCustomListView::CustomSort(const TCompare& compare) {
  if (ownerData_ || !compare) return false;
  std::stable_sort(items_.items_.begin(), items_.items_.end(),
                   [&](const std::unique_ptr<TListItem>& a, const std::unique_ptr<TListItem>& b) {
                     return compare(*a, *b) < 0;
                   });
  items_.Renumber(0);
  anchor_ = -1;
  pendingEdit_ = -1;
  LayoutChanged();
  return true;
}

TListItem* TCustomListView::FindCaption(int start, const std::string& text, bool partial,
                                        bool inclusive, bool wrap) {
  const int n = items_.Count();
  if (n == 0) return nullptr;
  int i = std::clamp(start, 0, n - 1);
  if (!inclusive) ++i;
  for (int k = 0; k < n; ++k, ++i) {
    if (i >= n) {
      if (!wrap) break;
      i = 0;
    }
    TListItem& it = items_.Item(i);
    const std::string cap = ItemText(it, 0);
    if (partial ? StartsText(text, cap) : SameText(text, cap)) return &it;
  }
  return nullptr;
}

// ---- texts and images --------------------------------------------------------------------

std::string TCustomListView::ItemText(TListItem& item, int column) {
  std::string s;
  if (column == 0)
    s = item.caption_;
  else if (column > 0 && std::size_t(column - 1) < item.subItems_.size())
    s = item.subItems_[std::size_t(column - 1)];
  if (OnGetDisplayText) OnGetDisplayText(item, column, s);
  return s;
}

int TCustomListView::ItemImageIndex(TListItem& item) {
  if (OnGetImageIndex) OnGetImageIndex(item);
  return item.imageIndex_;
}

// ---- label editing ---------------------------------------------------------------------------

bool TCustomListView::CanEdit(TListItem& item) {
  bool allow = true;
  if (OnEditing) OnEditing(item, allow);
  return allow;
}

bool TCustomListView::EditCaption(TListItem& item) {
  if (readOnly_ || items_.IndexOf(&item) < 0) return false;
  if (editItem_) EndLabelEdit(false, std::string());
  if (!CanEdit(item)) return false;
  editItem_ = &item;
  MakeIndexVisible(item.index_, false);
  if (LabelEditor) LabelEditor(ItemPart(item.index_, drLabel), item.caption_);
  return true;
}

void TCustomListView::EndLabelEdit(bool accept, const std::string& text) {
  TListItem* item = editItem_;
  editItem_ = nullptr;
  if (!item || !accept) return;
  std::string s = text;
  endingItem_ = item;  // cleared should OnEdited delete the item
  if (OnEdited) OnEdited(*item, s);
  if (endingItem_) endingItem_->SetCaption(s);
  endingItem_ = nullptr;
}

// ---- item bookkeeping ------------------------------------------------------------------------

void TCustomListView::DoDeletion(TListItem& item) {
  if (OnDeletion) OnDeletion(item);
}

void TCustomListView::ItemRemoved(TListItem& item) {
  if (editItem_ == &item) {
    editItem_ = nullptr;
    if (CloseLabelEditor) CloseLabelEditor(false);
  }
  pendingEdit_ = -1;  // indexes shift
  // A press on an item that goes (a double click that changed the folder)
  // leaves its release no item to act on.
  downItem_ = -1;
  wasSelectedOnDown_ = false;
  if (endingItem_ == &item) endingItem_ = nullptr;
  DoDeletion(item);
}

void TCustomListView::ItemChanged(TListItem& item, bool layout) {
  if (layout && (viewStyle_ == vsSmallIcon || viewStyle_ == vsList))
    LayoutChanged();
  else
    InvalidateItem(item.index_);
}

bool TCustomListView::CanChangeCheck(TListItem&) { return true; }

void TCustomListView::CheckChanged(TListItem&) {}

void TCustomListView::ColumnClick(TListColumn& column) {
  if (OnColumnClick) OnColumnClick(column);
}

void TCustomListView::ContextMenu(int x, int y, bool fromKeyboard) {
  if (!PopupMenu || !host_) return;
  if (fromKeyboard) x = y = 0;
  PopupMenu->Popup(*host_, *this, x, y);
}

void TCustomListView::DoBeginDrag(TMouseButton button) {
  if (OnBeginDrag) OnBeginDrag(button);
}

// ---- painting -----------------------------------------------------------------------------

void TCustomListView::DrawCell(TCanvas& c, const std::string& text, const TRect& r,
                               TAlignment align) {
  if (r.Width() <= 4 || text.empty()) return;
  TRect t = r;
  InflateRect(t, -2, 0);
  const unsigned just = align == taRightJustify ? DT_RIGHT
                        : align == taCenter     ? DT_CENTER
                                                : DT_LEFT;
  c.SetBkMode(TRANSPARENT);
  DrawText(c, text, t, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | just);
}

void TCustomListView::DrawHeaderItem(TCanvas& c, TListColumn& column, const TRect& r, bool) {
  c.Brush.SetStyle(bsClear);
  TRect t = r;
  InflateRect(t, -4, 0);
  const unsigned just = column.HeaderFormat() & HDF_JUSTIFYMASK;
  DrawCell(c, column.Caption(), t,
           just == HDF_RIGHT    ? taRightJustify
           : just == HDF_CENTER ? taCenter
                                : taLeftJustify);
}

void TCustomListView::PaintHeader(TCanvas& c) {
  const int hh = HeaderHeight();
  if (hh <= 0) return;
  c.Font.Assign(font_);
  c.SetTextColor(clBtnText);
  int left = -scrollX_;
  for (int i = 0; i < columns_.Count(); ++i) {
    TListColumn& col = columns_[i];
    TRect r(left, 0, left + col.Width(), hh);
    left = r.Right;
    if (r.Right <= 0 || r.Left >= width_) continue;
    FillRectWith(c, r, clBtnFace);
    TRect e = r;
    const bool pressed = pressedColumn_ == i;
    c.DrawEdge(e, pressed ? BDR_SUNKENOUTER : EDGE_RAISED, BF_RECT);
    if (col.HeaderFormat() & HDF_OWNERDRAW) {
      TRect inner = r;
      InflateRect(inner, -2, -2);
      c.PushClip();
      c.IntersectClipRect(inner);
      DrawHeaderItem(c, col, r, pressed);
      c.PopClip();
      continue;
    }
    TRect text = r;
    InflateRect(text, -4, 0);
    if (pressed) OffsetRect(text, 1, 1);
    const bool arrow = (col.HeaderFormat() & (HDF_SORTUP | HDF_SORTDOWN)) != 0;
    if (arrow) text.Right -= 14;
    c.Brush.SetStyle(bsClear);
    const unsigned just = col.HeaderFormat() & HDF_JUSTIFYMASK;
    DrawCell(c, col.Caption(), text,
             just == HDF_RIGHT    ? taRightJustify
             : just == HDF_CENTER ? taCenter
                                  : taLeftJustify);
    if (arrow && r.Width() > 20) {
      // The native sort arrow: up for ascending, down for descending.
      const int ax = r.Right - 14, ay = r.Top + (hh - 4) / 2;
      std::vector<TPoint> pts;
      if (col.HeaderFormat() & HDF_SORTUP)
        pts = {{ax + 4, ay}, {ax, ay + 4}, {ax + 8, ay + 4}};
      else
        pts = {{ax, ay}, {ax + 8, ay}, {ax + 4, ay + 4}};
      c.Brush.SetStyle(bsSolid);
      c.Brush.SetColor(clBtnShadow);
      c.Pen.SetStyle(psClear);
      c.Polygon(pts);
      c.Pen.SetStyle(psSolid);
    }
  }
  if (left < width_) {
    TRect rest(left, 0, width_, hh);
    FillRectWith(c, rest, clBtnFace);
    c.DrawEdge(rest, EDGE_RAISED, BF_RECT);
  }
}

void TCustomListView::PaintItem(TCanvas& c, int index) {
  TListItem& item = items_.Item(index);
  const TRect b = ItemBounds(index);
  const bool focusedCtl = Focused();
  const bool showSel = item.selected_ && (focusedCtl || !hideSelection_);
  const TColor selBack = focusedCtl ? clHighlight : clBtnFace;
  const TColor selText = focusedCtl ? clHighlightText : clBtnText;
  const TRect label = ItemPart(index, drLabel);
  const TRect icon = ItemPart(index, drIcon);
  const bool rowSel = viewStyle_ == vsReport && rowSelect_;
  TRect selRect = rowSel ? TRect(label.Left, b.Top, b.Right, b.Bottom) : label;
  if (showSel) FillRectWith(c, selRect, selBack);
  // The state image or check box just before the icon.
  const int stateW = stateImages_ ? stateImages_->Width() : checkboxes_ ? CheckBoxSize + 2 : 0;
  if (viewStyle_ != vsIcon && stateW > 0) {
    const int sx = icon.Left - stateW;
    if (stateImages_ && item.stateIndex_ >= 0) {
      stateImages_->Draw(c, sx, b.Top + (b.Height() - stateImages_->Height()) / 2,
                         item.stateIndex_);
    } else if (checkboxes_) {
      TRect box = Bounds(sx, b.Top + (b.Height() - CheckBoxSize) / 2, CheckBoxSize, CheckBoxSize);
      FillRectWith(c, box, clWindow);
      TRect edge = box;
      c.DrawEdge(edge, EDGE_SUNKEN, BF_RECT);
      if (item.checked_) {
        c.Pen.SetStyle(psSolid);
        c.Pen.SetColor(clWindowText);
        for (int d = 0; d < 3; ++d) {
          c.MoveTo(box.Left + 3, box.Top + 5 + d);
          c.LineTo(box.Left + 5, box.Top + 7 + d);
          c.LineTo(box.Left + 10, box.Top + 2 + d);
        }
      }
    }
  }
  // The icon, ghosted when cut, tinted when selected.
  TCustomImageList* images = viewStyle_ == vsIcon ? largeImages_ : smallImages_;
  const int image = ItemImageIndex(item);
  if (images && image >= 0) {
    const TDrawingStyle look = showSel && focusedCtl ? dsSelected : dsNormal;
    images->DrawOverlay(c, icon.Left, icon.Top + (icon.Height() - images->Height()) / 2, image,
                        item.overlayIndex_, look, enabled_ && !item.cut_);
  }
  // Texts.
  c.Font.Assign(font_);
  c.SetTextColor(!enabled_ ? clGrayText : showSel ? selText : font_.Color());
  c.SetBkMode(TRANSPARENT);
  c.Brush.SetStyle(bsClear);
  if (viewStyle_ == vsReport) {
    int left = b.Left;
    for (int col = 0; col < std::max(columns_.Count(), 1); ++col) {
      const int w = columns_.Count() ? columns_[col].Width() : b.Width();
      TRect cell(col == 0 ? label.Left : left, b.Top, left + w, b.Bottom);
      if (col > 0)
        c.SetTextColor(!enabled_ ? clGrayText : showSel && rowSel ? selText : font_.Color());
      const TAlignment align = columns_.Count() ? columns_[col].Alignment() : taLeftJustify;
      DrawCell(c, ItemText(item, col), cell, col == 0 ? taLeftJustify : align);
      left += w;
    }
  } else {
    DrawCell(c, ItemText(item, 0), label, viewStyle_ == vsIcon ? taCenter : taLeftJustify);
  }
  c.Brush.SetStyle(bsSolid);
  if (item.focused_ && focusedCtl) c.DrawFocusRect(selRect);
}

void TCustomListView::Paint(TCanvas& c, const TRect& rect) {
  EnsureLayout();
  FillRectWith(c, rect, color_);
  const int n = items_.Count();
  if (n > 0) {
    // Only the items that can show.
    int first = 0, last = n - 1;
    const int hh = HeaderHeight();
    if (viewStyle_ == vsReport) {
      first = std::max(0, (scrollY_ + std::max(rect.Top - hh, 0)) / cellH_);
      last = std::min(n - 1, (scrollY_ + std::max(rect.Bottom - hh, 0)) / cellH_);
    } else if (viewStyle_ == vsList) {
      first = std::max(0, (scrollX_ + rect.Left) / cellW_ * perLine_);
      last = std::min(n - 1, ((scrollX_ + rect.Right) / cellW_ + 1) * perLine_ - 1);
    } else {
      first = std::max(0, (scrollY_ + rect.Top) / cellH_ * perLine_);
      last = std::min(n - 1, ((scrollY_ + rect.Bottom) / cellH_ + 1) * perLine_ - 1);
    }
    c.PushClip();
    c.IntersectClipRect(TRect(0, hh, width_, height_));
    for (int i = first; i <= last; ++i) PaintItem(c, i);
    if (gridLines_ && viewStyle_ == vsReport) {
      c.Pen.SetStyle(psSolid);
      c.Pen.SetColor(clBtnFace);
      for (int i = first; i <= last + 1; ++i) {
        const int y = hh + i * cellH_ - scrollY_ - 1;
        c.MoveTo(0, y);
        c.LineTo(width_, y);
      }
      int x = -scrollX_;
      for (int col = 0; col < columns_.Count(); ++col) {
        x += columns_[col].Width();
        c.MoveTo(x - 1, hh);
        c.LineTo(x - 1, height_);
      }
    }
    c.PopClip();
  }
  PaintHeader(c);
}

// ---- input ---------------------------------------------------------------------------------

void TCustomListView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!enabled_) return;
  if (host_) host_->SetFocus();
  if (host_) host_->KillTimer(ListViewEditTimer);
  pendingEdit_ = -1;
  EnsureLayout();
  if (button == mbLeft && y < HeaderHeight()) {
    bool divider = false;
    const int col = HeaderColumnAt(x, y, &divider);
    if (col < 0) return;
    if (divider) {
      trackColumn_ = col;
      trackStartX_ = x;
      trackStartWidth_ = columns_[col].Width();
    } else {
      pressedColumn_ = col;
      Invalidate();
    }
    mouseDown_ = true;
    if (host_) host_->SetCapture();
    return;
  }
  THitTests where = 0;
  const int index = ItemAt(x, y, &where);
  if (index >= 0 && (where & htOnStateIcon) && checkboxes_ && button == mbLeft) {
    TListItem& it = items_.Item(index);
    it.SetChecked(!it.Checked());
    return;
  }
  mouseDown_ = true;
  downButton_ = button;
  downAt_ = {x, y};
  downItem_ = index;
  dragStarted_ = false;
  if (host_) host_->SetCapture();
  if (index < 0) {
    if (!(shift & (ssCtrl | ssShift))) ClearSelection();
    return;
  }
  TListItem& item = items_.Item(index);
  // Only a single press on the one selected item arms the edit on release;
  // the second press of a double click never does.
  wasSelectedOnDown_ = !(shift & ssDouble) && item.selected_ && item.focused_ && SelCount() == 1;
  if (button == mbLeft && multiSelect_ && (shift & ssCtrl)) {
    SetItemSelected(item, !item.selected_);
    anchor_ = index;
  } else if (button == mbLeft && multiSelect_ && (shift & ssShift)) {
    if (anchor_ < 0) anchor_ = index;
    SelectRange(anchor_, index, false);
  } else if (!item.selected_) {
    SelectRange(index, index, false);
    anchor_ = index;
  }
  FocusIndex(index);
}

void TCustomListView::MouseMove(TShiftState, int x, int y) {
  if (host_) {
    bool divider = false;
    const bool over = y < HeaderHeight() && HeaderColumnAt(x, y, &divider) >= 0 && divider;
    host_->SetCursor(over || trackColumn_ >= 0 ? crSizeWE : crDefault);
  }
  if (!mouseDown_) return;
  if (trackColumn_ >= 0) {
    columns_[trackColumn_].SetWidth(trackStartWidth_ + x - trackStartX_);
    return;
  }
  if (pressedColumn_ >= 0 || downItem_ < 0 || dragStarted_) return;
  if (std::abs(x - downAt_.X) > 4 || std::abs(y - downAt_.Y) > 4) {
    dragStarted_ = true;
    mouseDown_ = false;
    if (host_) host_->ReleaseCapture();
    DoBeginDrag(downButton_);
  }
}

void TCustomListView::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const bool wasDown = mouseDown_;
  mouseDown_ = false;
  if (host_) host_->ReleaseCapture();
  if (trackColumn_ >= 0) {
    trackColumn_ = -1;
    ColumnsChanged();
    HeaderDividerChanged(false);
    return;
  }
  if (pressedColumn_ >= 0) {
    const int col = pressedColumn_;
    pressedColumn_ = -1;
    Invalidate();
    bool divider = false;
    if (HeaderColumnAt(x, y, &divider) == col && col < columns_.Count()) ColumnClick(columns_[col]);
    return;
  }
  if (!wasDown || dragStarted_) return;
  if (button == mbLeft) {
    THitTests where = 0;
    const int index = ItemAt(x, y, &where);
    if (index >= 0 && index == downItem_ && !(shift & (ssCtrl | ssShift))) {
      SelectRange(index, index, false);
      anchor_ = index;
      // A second click on the label of the only selected item edits it
      // (after a pause, so that a double click does not).
      if (wasSelectedOnDown_ && (where & htOnLabel) && !readOnly_ && host_) {
        pendingEdit_ = index;
        host_->SetTimer(ListViewEditTimer, 500);
      }
    }
    if (OnClick) OnClick();
  } else if (button == mbRight) {
    ContextMenu(x, y, false);
  }
}

void TCustomListView::DblClick() {
  if (host_) host_->KillTimer(ListViewEditTimer);
  pendingEdit_ = -1;
  wasSelectedOnDown_ = false;
  bool divider = false;
  if (HeaderColumnAt(downAt_.X, downAt_.Y, &divider) >= 0 && divider) {
    // Fit the column to its widest text.
    const int col = HeaderColumnAt(downAt_.X, downAt_.Y, &divider);
    int w = Fonts().TextExtent(font_, columns_[col].Caption()).cx + 12;
    for (int i = 0; i < items_.Count(); ++i)
      w = std::max(w, Fonts().TextExtent(font_, ItemText(items_.Item(i), col)).cx + 12 +
                          (col == 0 ? (smallImages_ ? smallImages_->Width() + 2 : 0) : 0));
    trackColumn_ = -1;
    mouseDown_ = false;
    columns_[col].SetWidth(w);
    ColumnsChanged();
    HeaderDividerChanged(true);
    return;
  }
  if (OnDblClick) OnDblClick();
}

bool TCustomListView::MouseWheel(TShiftState, int delta, int, int) {
  const int lines = -delta / 120 * 3;
  if (viewStyle_ == vsList)
    Scroll(lines * cellW_ / 3, 0);
  else
    Scroll(0, lines * cellH_);
  return true;
}

void TCustomListView::KeyDown(int& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(key, shift);
  if (key == 0 || !enabled_) return;
  switch (key) {
    case VK_F1 + 1:  // F2
      if (TListItem* f = ItemFocused()) EditCaption(*f);
      key = 0;
      return;
    case VK_APPS:
      ContextMenu(-1, -1, true);
      key = 0;
      return;
    case VK_F1 + 9:  // F10
      if (shift & ssShift) {
        ContextMenu(-1, -1, true);
        key = 0;
      }
      return;
    case VK_SPACE: {
      TListItem* f = ItemFocused();
      if (!f) return;
      if (checkboxes_ && !(shift & ssCtrl))
        f->SetChecked(!f->Checked());
      else if ((shift & ssCtrl) && multiSelect_)
        SetItemSelected(*f, !f->Selected());
      else
        SetItemSelected(*f, true);
      key = 0;
      return;
    }
    case VK_LEFT:
    case VK_RIGHT:
      if (viewStyle_ == vsReport) {
        Scroll(key == VK_LEFT ? -16 : 16, 0);
        key = 0;
        return;
      }
      [[fallthrough]];
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT: {
      TListItem* f = ItemFocused();
      MoveFocus(NeighbourIndex(f ? f->Index() : -1, key), shift);
      key = 0;
      return;
    }
    default:
      return;
  }
}

void TCustomListView::FocusIn() { Invalidate(); }

void TCustomListView::FocusOut() {
  if (editItem_ == nullptr) Invalidate();
}

void TCustomListView::Resize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  LayoutChanged();
}

void TCustomListView::Timer(int id) {
  if (id != ListViewEditTimer) return;
  if (host_) host_->KillTimer(ListViewEditTimer);
  const int i = pendingEdit_;
  pendingEdit_ = -1;
  // The edit of a slow second click starts only while the list still has
  // the keyboard focus.
  if (i < 0 || i >= items_.Count() || (host_ && !host_->Focused())) return;
  editByMouse_ = true;
  struct TReset {
    bool& f;
    ~TReset() { f = false; }
  } reset{editByMouse_};
  EditCaption(items_.Item(i));
}

void TCustomListView::Scroll(TScrollBarKind bar, TScrollCode code, int pos) {
  EnsureLayout();
  const bool v = bar == sbVertical;
  const int line = v ? cellH_ : (viewStyle_ == vsList ? cellW_ : 16);
  const int page = v ? std::max(height_ - HeaderHeight(), 1) : std::max(width_, 1);
  const int cur = v ? scrollY_ : scrollX_;
  const std::optional<int> t = ScrollTarget(code, cur, line, page, pos, v ? contentH_ : contentW_);
  if (!t) return;
  const int target = *t;
  if (v)
    Scroll(0, target - cur);
  else
    Scroll(target - cur, 0);
}

}  // namespace qv
