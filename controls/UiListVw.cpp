#include "controls/UiListVw.h"

#include <algorithm>

#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// The common-controls version this list view behaves as (native sort
// arrows in the header).
constexpr unsigned CommonControlsVersion = 0x60000;

}  // namespace

TUiCustomListView::TUiCustomListView() = default;

TUiCustomListView::~TUiCustomListView() { OnRepaintFrame = nullptr; }

void TUiCustomListView::RepaintFrame() {
  if (loading_) return;
  if (OnRepaintFrame) OnRepaintFrame();
  Invalidate();
}

void TUiCustomListView::SetEnabled(bool v) {
  TCustomListView::SetEnabled(v);
  UpdateColors();
}

void TUiCustomListView::Loaded() {
  loading_ = false;
  UpdateColors();
  UpdateFrame(false, false);
  DoFillLastColumn();
}

void TUiCustomListView::FocusIn() {
  TCustomListView::FocusIn();
  UpdateFrame(false, true);
}

void TUiCustomListView::FocusOut() {
  TCustomListView::FocusOut();
  UpdateFrame(false, false);
}

void TUiCustomListView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  dragging_ = false;
  mouse_ = {x, y};
  TCustomListView::MouseDown(button, shift, x, y);
}

void TUiCustomListView::MouseMove(TShiftState shift, int x, int y) {
  mouse_ = {x, y};
  if (!MouseOver()) {
    UpdateFrame(true, true);
    if (OnMouseEnter) OnMouseEnter();
  }
  TCustomListView::MouseMove(shift, x, y);
}

void TUiCustomListView::MouseLeave() {
  mouse_ = {-1, -1};
  if (!MouseOver()) return;
  UpdateFrame(true, false);
  if (OnMouseLeave) OnMouseLeave();
}

bool TUiCustomListView::MouseWheel(TShiftState, int delta, int, int) {
  const int notches = delta / 120;
  const int pixels = WheelScrollLines * (ViewStyle() == vsIcon ? 32 : 16);
  if (ViewStyle() == vsList)
    Scroll(-notches * pixels, 0);
  else
    Scroll(0, -notches * pixels);
  return true;
}

void TUiCustomListView::Resize(int width, int height) {
  TCustomListView::Resize(width, height);
  DoFillLastColumn();
  if (FrameVisible() && !UseThemedFrame()) RepaintFrame();
}

// ---- header ------------------------------------------------------------------------

void TUiCustomListView::SetHeaderSortDisplayMode(TUiLVHeaderSortDisplayMode v) {
  headerSortDisplayMode_ = CommonControlsVersion >= 0x40046 ? v : hsdmNone;
  UpdateHeaderFormats();
  Invalidate();
}

void TUiCustomListView::SetSortArrow(int column, bool descending) {
  arrowColumn_ = column;
  arrowDescending_ = descending;
  UpdateHeaderFormats();
  Invalidate();
}

void TUiCustomListView::UpdateHeaderFormats() {
  if (updatingFormats_) return;
  updatingFormats_ = true;
  const bool ownerDraw =
      headerSortDisplayMode_ != hsdmNone &&
      (CommonControlsVersion < 0x60000 || headerSortDisplayMode_ != hsdmRightOfText);
  for (int i = 0; i < Columns().Count(); ++i) {
    TListColumn& col = Columns()[i];
    unsigned fmt = col.HeaderFormat() & HDF_JUSTIFYMASK;
    if (ownerDraw) {
      fmt |= HDF_OWNERDRAW;
    } else {
      fmt |= HDF_STRING;
      if (i == arrowColumn_) fmt |= arrowDescending_ ? HDF_SORTDOWN : HDF_SORTUP;
    }
    col.SetHeaderFormat(fmt);
  }
  updatingFormats_ = false;
}

void TUiCustomListView::ColumnsChanged() { UpdateHeaderFormats(); }

void TUiCustomListView::DrawHeaderItem(TCanvas& c, TListColumn& column, const TRect& rect, bool) {
  c.Font.Assign(Font());
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(clBtnFace);
  TRect r = rect;
  InflateRect(r, -2, -2);
  const unsigned just = column.HeaderFormat() & HDF_JUSTIFYMASK;
  const TAlignment align = just == HDF_RIGHT    ? taRightJustify
                           : just == HDF_CENTER ? taCenter
                                                : taLeftJustify;
  const bool arrow = column.Index() == arrowColumn_;
  const int box = r.Height() / 2;
  const bool roomForArrow = arrow && rect.Width() > 2 * box && box > 0;
  TRect text = r;
  if (roomForArrow && headerSortDisplayMode_ == hsdmLeftAlign) text.Left += box + 2;
  if (roomForArrow && headerSortDisplayMode_ != hsdmLeftAlign) text.Right -= box + 2;
  c.Brush.SetStyle(bsClear);
  DrawCell(c, column.Caption(), text, align);
  if (!roomForArrow) return;
  const int size = box * 3 / 4, w = 2 * size - 1;
  int boxLeft = r.Left;
  if (headerSortDisplayMode_ == hsdmRightAlign) boxLeft = r.Right - w;
  if (headerSortDisplayMode_ == hsdmRightOfText) {
    const int tw = Fonts().TextExtent(Font(), column.Caption()).cx;
    boxLeft = std::min(text.Left + 2 + tw + 4, r.Right - w);
  }
  const int boxTop = r.Top + (r.Height() - box) / 2;
  const int top = boxTop + box - size, left = boxLeft;
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(clBtnFace);
  c.FillRect(Bounds(left, top, w, size));
  std::vector<TPoint> pts;
  if (!arrowDescending_)
    pts = {{left + w / 2, top + size - 1}, {left, top}, {left + w - 1, top}};
  else
    pts = {{left + w / 2, top}, {left, top + size - 1}, {left + w - 1, top + size - 1}};
  c.Brush.SetColor(clBtnShadow);
  c.Pen.SetStyle(psSolid);
  c.Pen.SetColor(clBtnShadow);
  c.Polygon(pts);
}

void TUiCustomListView::HeaderDividerChanged(bool) { DoFillLastColumn(); }

// ---- sorting and the last column ---------------------------------------------------------

int TUiCustomListView::CompareItems(TListItem& a, TListItem& b, int column) {
  const std::string ta = ItemText(a, column), tb = ItemText(b, column);
  if (ta.empty() != tb.empty()) return ta.empty() ? 1 : -1;
  return CompareText(ta, tb);
}

void TUiCustomListView::ColumnClick(TListColumn& column) {
  if (sortOnColumnClick_) {
    const int c = column.Index();
    if (c != lastSortedColumn_) {
      SetSortArrow(c, false);
      CustomSort([this, c](TListItem& a, TListItem& b) { return CompareItems(a, b, c); });
      lastSortedColumn_ = c;
    } else {
      SetSortArrow(c, true);
      CustomSort([this, c](TListItem& a, TListItem& b) { return -CompareItems(a, b, c); });
      lastSortedColumn_ = -1;
    }
  }
  TCustomListView::ColumnClick(column);
}

void TUiCustomListView::SetFillLastColumn(bool v) {
  fillLastColumn_ = v;
  DoFillLastColumn();
}

void TUiCustomListView::DoFillLastColumn() {
  if (ViewStyle() != vsReport || !fillLastColumn_ || filling_ || Columns().Count() == 0) return;
  filling_ = true;
  Items().BeginUpdate();
  const int w = ClientWidth() - (Items().Count() == 0 ? VScrollWidth : 0);
  int others = 0;
  for (int i = 0; i + 1 < Columns().Count(); ++i) others += Columns()[i].Width();
  if (w > others) Columns()[Columns().Count() - 1].SetWidth(std::max(w - others, 5));
  Items().EndUpdate();
  filling_ = false;
}

// ---- items -------------------------------------------------------------------------------

bool TUiCustomListView::CanEdit(TListItem& item) {
  // With rows selected whole, a click edits only on the label itself.
  if (editByMouse_ && ViewStyle() == vsReport && RowSelect() &&
      !item.DisplayRect(drLabel).Contains(mouse_.X, mouse_.Y))
    return false;
  return TCustomListView::CanEdit(item);
}

bool TUiCustomListView::CanChangeCheck(TListItem& item) {
  bool allow = true;
  if (OnItemChecking) OnItemChecking(item, allow);
  return allow;
}

void TUiCustomListView::CheckChanged(TListItem& item) {
  if (OnItemChecked) OnItemChecked(item);
}

void TUiCustomListView::DoBeginDrag(TMouseButton button) {
  dragging_ = true;
  TCustomListView::DoBeginDrag(button);
}

void TUiCustomListView::ContextMenu(int x, int y, bool fromKeyboard) {
  TListItem* item = Selected();
  if (!item || !host_) {
    TCustomListView::ContextMenu(x, y, fromKeyboard);
    return;
  }
  TPoint pt(x, y);
  if (fromKeyboard) {
    const TRect icon = item->DisplayRect(drIcon);
    pt = {(icon.Left + icon.Right) / 2, (icon.Top + icon.Bottom) / 2};
  }
  TPopupMenuRef menu = PopupMenu;
  if (OnItemContextMenu) OnItemContextMenu(*item, pt, menu);
  if (menu) menu->Popup(*host_, *this, pt.X, pt.Y);
}

}  // namespace qv
