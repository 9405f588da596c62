// The framed list view: the list view core with a custom non-client frame
// (TUiFramedControl), colours by focus and enabled state, a frame
// controller link, wheel scrolling, per-item context menus, header sort
// arrows, sorting by column click and a last column that fills the width.
// The shell list derives from it.
//
// The frame is painted by PaintNonClient into the control's outer border
// (TUiFramedControl::FrameWidth pixels on each side); the host calls it and
// repaints the border when OnRepaintFrame fires.
#pragma once

#include <functional>

#include "controls/UiCommon.h"
#include "platform/core/ListView.h"

namespace qv {

enum TUiLVHeaderSortDisplayMode : std::uint8_t {
  hsdmNone,
  hsdmLeftAlign,
  hsdmRightOfText,
  hsdmRightAlign
};

class TUiCustomListView : public TCustomListView, public TUiFramedControl {
 public:
  TUiCustomListView();
  ~TUiCustomListView() override;
  using TUiFramedControl::Color;

  TUiLVHeaderSortDisplayMode HeaderSortDisplayMode() const { return headerSortDisplayMode_; }
  void SetHeaderSortDisplayMode(TUiLVHeaderSortDisplayMode v);
  // The last column fills the rest of the width in report view.
  bool FillLastColumn() const { return fillLastColumn_; }
  void SetFillLastColumn(bool v);
  // A column click sorts by that column (again: descending, then ascending).
  bool SortOnColumnClick() const { return sortOnColumnClick_; }
  void SetSortOnColumnClick(bool v) { sortOnColumnClick_ = v; }
  // The column showing the sort arrow (-1: none) and its direction.
  int SortArrowColumn() const { return arrowColumn_; }
  bool SortArrowDescending() const { return arrowDescending_; }
  void SetSortArrow(int column, bool descending);
  // Whether a drag began since the last mouse press.
  bool Dragging() const { return dragging_; }
  // Compares two items by a column: captions for column 0, sub-item c - 1
  // for column c (empty when missing), ignoring case; empty texts after
  // non-empty ones.
  int CompareItems(TListItem& a, TListItem& b, int column);
  // Fits the last column to the width (see FillLastColumn).
  void DoFillLastColumn();
  // The header items' formats from the sort arrow and the display mode.
  void UpdateHeaderFormats();

  void SetEnabled(bool v) override;
  // After the control's settings were loaded.
  void Loaded();
  // Paints the outer border of width x height (the whole control).
  void PaintNonClient(TCanvas& canvas, int width, int height) { PaintFrame(canvas, width, height); }

  // ---- events ----
  // Before a check box changes (may refuse) and after.
  std::function<void(TListItem&, bool& allow)> OnItemChecking;
  std::function<void(TListItem&)> OnItemChecked;
  // May move the point (client pixels) or choose another menu.
  std::function<void(TListItem&, TPoint& point, TPopupMenuRef& menu)> OnItemContextMenu;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;
  // The border needs repainting (set by the host).
  std::function<void()> OnRepaintFrame;

  // ---- TControlCore ----
  void FocusIn() override;
  void FocusOut() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  bool MouseWheel(TShiftState shift, int delta, int x, int y) override;
  void Resize(int width, int height) override;

  // Lines per wheel notch (the system setting).
  static constexpr int WheelScrollLines = 3;
  // Width of a vertical scroll bar, taken off an empty list's width.
  static constexpr int VScrollWidth = 17;

 protected:
  void ColumnClick(TListColumn& column) override;
  bool CanEdit(TListItem& item) override;
  bool CanChangeCheck(TListItem& item) override;
  void CheckChanged(TListItem& item) override;
  void DrawHeaderItem(TCanvas& canvas, TListColumn& column, const TRect& rect,
                      bool pressed) override;
  void HeaderDividerChanged(bool doubleClick) override;
  void ColumnsChanged() override;
  void ContextMenu(int x, int y, bool fromKeyboard) override;
  void DoBeginDrag(TMouseButton button) override;

  // TUiFramedControl
  bool FrameFocused() const override { return Focused(); }
  bool FrameEnabled() const override { return Enabled(); }
  bool FrameLoading() const override { return loading_; }
  void RepaintFrame() override;
  void ApplyColor(TColor color) override { SetBackColor(color); }

 private:
  TUiLVHeaderSortDisplayMode headerSortDisplayMode_ = hsdmRightOfText;
  bool fillLastColumn_ = true;
  bool sortOnColumnClick_ = false;
  int lastSortedColumn_ = -1;
  int arrowColumn_ = -1;
  bool arrowDescending_ = false;
  bool dragging_ = false;
  bool loading_ = false;
  bool filling_ = false;
  bool updatingFormats_ = false;
  TPoint mouse_{-1, -1};
};

}  // namespace qv
