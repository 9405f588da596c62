// The list view control core (the common controls' list view as the class
// library wraps it): items with captions, sub-items, images, state images,
// overlays and data, shown in icon, small-icon, list or report view with a
// column header; single or multiple selection, keyboard and mouse
// navigation, check boxes, label editing, sorting, and owner data.
//
// Painting goes through TCanvas; the host supplies size, focus, timers and
// scroll bars. Texts and images may come from callbacks (OnGetDisplayText,
// OnGetImageIndex) when the list asks for them, and with OwnerData the items
// themselves are filled on demand by OnData.
//
// Items are owned by the list; an item may own a data object (OwnedData)
// that goes with it. Pointers to items stay valid until the item is deleted
// or the list cleared; sorting reorders them without moving them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/ControlCore.h"
#include "platform/core/ImageList.h"
#include "platform/core/PopupMenu.h"

namespace qv {

enum TViewStyle : std::uint8_t { vsIcon, vsSmallIcon, vsList, vsReport };
enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TSortType : std::uint8_t { stNone, stData, stText, stBoth };
enum TDisplayCode : std::uint8_t { drBounds, drIcon, drLabel, drSelectBounds };

// Hit-test results (bits).
using THitTests = unsigned;
constexpr THitTests htNowhere = 1, htOnItem = 2, htOnIcon = 4, htOnLabel = 8, htOnStateIcon = 16;
constexpr THitTests htAbove = 32, htBelow = 64, htToLeft = 128, htToRight = 256;

// Header item formats: alignment bits and the sort-arrow and drawing flags.
constexpr unsigned HDF_LEFT = 0, HDF_RIGHT = 1, HDF_CENTER = 2, HDF_JUSTIFYMASK = 3;
constexpr unsigned HDF_SORTDOWN = 0x200, HDF_SORTUP = 0x400;
constexpr unsigned HDF_STRING = 0x4000, HDF_OWNERDRAW = 0x8000;

class TCustomListView;
class TListItems;

// A data object owned by an item (freed with it).
class TListItemData {
 public:
  virtual ~TListItemData() = default;
};

class TListItem {
 public:
  TListItem(const TListItem&) = delete;
  TListItem& operator=(const TListItem&) = delete;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  // Sub-item i is the text of column i + 1.
  const std::vector<std::string>& SubItems() const { return subItems_; }
  void SetSubItems(std::vector<std::string> v);
  void SetSubItem(int index, const std::string& v);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  int StateIndex() const { return stateIndex_; }
  void SetStateIndex(int v);
  // Overlay number 0..3 of the image list, -1 for none.
  int OverlayIndex() const { return overlayIndex_; }
  void SetOverlayIndex(int v);
  bool Cut() const { return cut_; }
  void SetCut(bool v);
  bool Checked() const { return checked_; }
  // Asks the list (which may refuse) before the check mark changes.
  void SetChecked(bool v);
  bool Selected() const { return selected_; }
  void SetSelected(bool v);
  bool Focused() const { return focused_; }
  void SetFocused(bool v);
  int Indent() const { return indent_; }
  void SetIndent(int v);
  // Not owned.
  void* Data = nullptr;
  // Owned: freed with the item.
  std::unique_ptr<TListItemData> OwnedData;

  int Index() const { return index_; }
  TCustomListView& ListView() const { return *list_; }
  TRect DisplayRect(TDisplayCode code) const;
  void MakeVisible(bool partialOk = false);
  bool EditCaption();
  void Delete();
  // Repaints the item.
  void Update();

 private:
  friend class TListItems;
  friend class TCustomListView;
  explicit TListItem(TCustomListView* list) : list_(list) {}
  void Changed(bool layout);
  TCustomListView* list_;
  int index_ = -1;
  std::string caption_;
  std::vector<std::string> subItems_;
  int imageIndex_ = -1;
  int stateIndex_ = -1;
  int overlayIndex_ = -1;
  bool cut_ = false;
  bool checked_ = false;
  bool selected_ = false;
  bool focused_ = false;
  int indent_ = 0;
  bool filled_ = false;  // owner data: OnData has filled it
  int textWidth_ = -1;   // cached caption width, -1 when unknown
};

class TListItems {
 public:
  explicit TListItems(TCustomListView& list) : list_(list) {}
  TListItems(const TListItems&) = delete;
  TListItems& operator=(const TListItems&) = delete;
  int Count() const { return int(items_.size()); }
  // With owner data the item is made and filled (OnData) on first use.
  TListItem& Item(int index);
  TListItem& operator[](int index) { return Item(index); }
  TListItem& Add() { return Insert(Count()); }
  TListItem& Insert(int index);
  void Delete(int index);
  void Clear();
  // Owner data: the number of items; their contents come from OnData.
  void SetCount(int count);
  int IndexOf(const TListItem* item) const;
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }
  // A capacity hint for many additions.
  void SetAllocBy(int n) { items_.reserve(items_.size() + std::size_t(std::max(n, 0))); }

 private:
  friend class TCustomListView;
  void Renumber(int from);
  TCustomListView& list_;
  std::vector<std::unique_ptr<TListItem>> items_;
  int updateCount_ = 0;
};

class TListColumn {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  // The header item's format: alignment bits, HDF_STRING or HDF_OWNERDRAW,
  // and a native sort arrow (HDF_SORTUP / HDF_SORTDOWN).
  unsigned HeaderFormat() const { return format_; }
  void SetHeaderFormat(unsigned v);
  int Index() const { return index_; }
  int Tag = 0;

 private:
  friend class TListColumns;
  friend class TCustomListView;
  explicit TListColumn(TCustomListView* list) : list_(list) {}
  TCustomListView* list_;
  int index_ = 0;
  std::string caption_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  unsigned format_ = HDF_STRING;
};

class TListColumns {
 public:
  explicit TListColumns(TCustomListView& list) : list_(list) {}
  int Count() const { return int(columns_.size()); }
  TListColumn& operator[](int i) { return *columns_[std::size_t(i)]; }
  const TListColumn& operator[](int i) const { return *columns_[std::size_t(i)]; }
  TListColumn& Add();
  void Delete(int index);
  void Clear();

 private:
  TCustomListView& list_;
  std::vector<std::unique_ptr<TListColumn>> columns_;
};

// Timer ids of the list view.
constexpr int ListViewEditTimer = 101;

class TCustomListView : public TControlCore {
 public:
  TCustomListView();
  ~TCustomListView() override;
  TCustomListView(const TCustomListView&) = delete;
  TCustomListView& operator=(const TCustomListView&) = delete;

  TListItems& Items() { return items_; }
  TListColumns& Columns() { return columns_; }

  // ---- settings ----
  TViewStyle ViewStyle() const { return viewStyle_; }
  virtual void SetViewStyle(TViewStyle v);
  TCustomImageList* LargeImages() const { return largeImages_; }
  void SetLargeImages(TCustomImageList* v);
  TCustomImageList* SmallImages() const { return smallImages_; }
  void SetSmallImages(TCustomImageList* v);
  TCustomImageList* StateImages() const { return stateImages_; }
  void SetStateImages(TCustomImageList* v);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  bool GridLines() const { return gridLines_; }
  void SetGridLines(bool v);
  bool ShowColumnHeaders() const { return showColumnHeaders_; }
  void SetShowColumnHeaders(bool v);
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool v);
  TSortType SortType() const { return sortType_; }
  void SetSortType(TSortType v);
  bool OwnerData() const { return ownerData_; }
  void SetOwnerData(bool v);
  TColor Color() const { return color_; }
  // The background (and text background) colour.
  void SetBackColor(TColor v);
  TFont& Font() { return font_; }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);
  // Shown on a right click unless a handler shows another menu.
  TPopupMenuRef PopupMenu;

  // ---- state ----
  int ClientWidth() const { return width_; }
  int ClientHeight() const { return height_; }
  bool Focused() const;
  TListItem* Selected();
  TListItem* ItemFocused();
  int ItemIndex();
  void SetItemIndex(int index);
  int SelCount();
  void ClearSelection();
  void SelectAll();
  TListItem* GetItemAt(int x, int y);
  THitTests GetHitTestInfoAt(int x, int y);
  // The item hit at a point, and its parts.
  int ItemAt(int x, int y, THitTests* where = nullptr);
  TListItem* TopItem();
  int VisibleRowCount();
  void Scroll(int dx, int dy);
  TPoint ScrollPos() const { return {scrollX_, scrollY_}; }
  int HeaderHeight();
  int RowHeight();
  // The header item under a point: the column, and whether it is on a divider.
  int HeaderColumnAt(int x, int y, bool* onDivider = nullptr);
  TRect HeaderItemRect(int column);
  // First item from start whose caption matches (partial: starts with).
  TListItem* FindCaption(int start, const std::string& text, bool partial, bool inclusive,
                         bool wrap);

  // ---- sorting ----
  using TCompare = std::function<int(TListItem& a, TListItem& b)>;
  // Sorts by caption (SortType) or through OnCompare.
  bool AlphaSort();
  bool CustomSort(const TCompare& compare);

  // ---- label editing ----
  bool IsEditing() const { return editItem_ != nullptr; }
  TListItem* EditItem() const { return editItem_; }
  // Starts editing an item's caption (false when refused or read-only).
  bool EditCaption(TListItem& item);
  // The host's editor closed: accepted with the new text, or cancelled.
  void EndLabelEdit(bool accept, const std::string& text);
  // Set by the host: shows an editor over the rectangle with the text.
  std::function<void(const TRect& rect, const std::string& text)> LabelEditor;
  // Set by the host: the editor must close (accepting when accept).
  std::function<void(bool accept)> CloseLabelEditor;

  // ---- texts and images as the list shows them ----
  virtual std::string ItemText(TListItem& item, int column);
  virtual int ItemImageIndex(TListItem& item);

  // ---- events ----
  std::function<void(TListItem*)> OnChange;
  std::function<void(TListItem*, bool selected)> OnSelectItem;
  std::function<void(TListColumn&)> OnColumnClick;
  std::function<void(TListItem&, TListItem&, int& compare)> OnCompare;
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void(TListItem&, bool& allowEdit)> OnEditing;
  std::function<void(TListItem&, std::string& text)> OnEdited;
  std::function<void(TListItem&)> OnDeletion;
  std::function<void(TListItem&)> OnInsert;
  std::function<void(TListItem&)> OnData;
  std::function<void(TListItem&)> OnGetImageIndex;
  std::function<void(TListItem&, int column, std::string& text)> OnGetDisplayText;
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
  void FocusIn() override;
  void FocusOut() override;
  void Resize(int width, int height) override;
  void Timer(int id) override;
  void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override;
  bool WantsAllKeys() const override { return false; }

  void Invalidate();
  void InvalidateItem(int index);
  // Recomputes the arrangement before the next paint or hit test.
  void LayoutChanged();

 protected:
  // Hooks for derived controls.
  virtual void ColumnClick(TListColumn& column);
  virtual bool CanEdit(TListItem& item);
  // Before and after a check mark changes (false refuses).
  virtual bool CanChangeCheck(TListItem& item);
  virtual void CheckChanged(TListItem& item);
  // A header item with HDF_OWNERDRAW.
  virtual void DrawHeaderItem(TCanvas& canvas, TListColumn& column, const TRect& rect,
                              bool pressed);
  // After a divider drag ends (endTrack) or a divider double click.
  virtual void HeaderDividerChanged(bool doubleClick) { (void)doubleClick; }
  // Columns, sizes or header formats changed.
  virtual void ColumnsChanged() {}
  // A right click (mouse) or the context-menu keys (keyboard: x = y = -1).
  virtual void ContextMenu(int x, int y, bool fromKeyboard);
  virtual void DoBeginDrag(TMouseButton button);
  virtual void DoDeletion(TListItem& item);
  TFontService& Fonts();
  // Text in a cell: aligned, vertically centred, cut with "..." to fit.
  void DrawCell(TCanvas& c, const std::string& text, const TRect& r, TAlignment align);
  void ApplyScrollBars();
  int IconCellWidth();
  int IconCellHeight();
  int ColumnsWidth();

  TColor color_ = clWindow;
  bool enabled_ = true;
  int width_ = 120;
  int height_ = 100;
  // Set while an edit started by clicking an item's label begins.
  bool editByMouse_ = false;

 private:
  friend class TListItem;
  friend class TListItems;
  friend class TListColumn;
  friend class TListColumns;
  struct TLayout;
  void EnsureLayout();
  void DoLayout();
  TRect ItemBounds(int index);
  TRect ItemPart(int index, TDisplayCode code);
  int TextWidthOf(TListItem& item);
  int ItemsPerRow();
  void ClampScroll();
  void MakeIndexVisible(int index, bool partialOk);
  void SelectRange(int from, int to, bool keepOthers);
  void FocusIndex(int index);
  void SetItemSelected(TListItem& item, bool selected);
  void MoveFocus(int index, TShiftState shift);
  int NeighbourIndex(int index, int key);
  void PaintHeader(TCanvas& c);
  void PaintItem(TCanvas& c, int index);
  void ItemRemoved(TListItem& item);
  void ItemChanged(TListItem& item, bool layout);

  TListItems items_;
  TListColumns columns_;
  TFont font_;
  TViewStyle viewStyle_ = vsIcon;
  TCustomImageList* largeImages_ = nullptr;
  TCustomImageList* smallImages_ = nullptr;
  TCustomImageList* stateImages_ = nullptr;
  TChangeLink largeLink_, smallLink_, stateLink_;
  bool multiSelect_ = false;
  bool rowSelect_ = false;
  bool readOnly_ = false;
  bool hideSelection_ = true;
  bool gridLines_ = false;
  bool showColumnHeaders_ = true;
  bool checkboxes_ = false;
  TSortType sortType_ = stNone;
  bool ownerData_ = false;

  bool needsLayout_ = true;
  int cellW_ = 0, cellH_ = 0, perLine_ = 1;  // icon, small-icon and list arrangement
  int contentW_ = 0, contentH_ = 0;
  int scrollX_ = 0, scrollY_ = 0;
  int anchor_ = -1;  // shift-selection anchor
  TListItem* editItem_ = nullptr;
  TListItem* endingItem_ = nullptr;
  int pendingEdit_ = -1;
  // mouse
  bool mouseDown_ = false;
  TMouseButton downButton_ = mbLeft;
  TPoint downAt_;
  int downItem_ = -1;
  bool dragStarted_ = false;
  bool wasSelectedOnDown_ = false;
  int trackColumn_ = -1;  // header divider being dragged
  int trackStartX_ = 0, trackStartWidth_ = 0;
  int pressedColumn_ = -1;
};

}  // namespace qv
