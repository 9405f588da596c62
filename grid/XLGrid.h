// The grid control's logic: the panel of four views that shows a sheet,
// their selections, the key and mouse state machines, zoom, scrolling and
// the links between grids. Qt-free: the views are control cores hosted by
// widgets (grid/qt), and tests drive them with fake hosts.
//
// Layout of the panel (section kinds of XLSheet.h):
//
//   +--------+---------------------------+
//   | corner | column titles  (kind 0)   |
//   |  (2)   |                           |
//   +--------+---------------------------+
//   | row    | client         (kind 3)   |
//   | titles |                           |
//   |  (1)   |                           |
//   +--------+---------------------------+
//
// The column titles scroll horizontally with the client, the row titles
// vertically; the corner never scrolls. Scrolling is by whole lines: the
// grid keeps the first visible data column and row.
//
// Sizes: the grid keeps the sheet's four size lists scaled by Scale (each
// size x Scale / 100), so hit tests and painting work in pixels. View
// coordinates are pixels from a view's top-left; content coordinates add
// the scroll offset (the scaled position of the first visible line).
// Section coordinates address cells from (0, 0) in every section; the
// public cursor (CurCol, CurRow) is in sheet coordinates, where negative
// indices are title lines.
//
// Failure: a value the in-cell editor cannot store (EXLGridError "Value
// out of range!", or a text that is not a number) raises from EditMode,
// SetSheet and SetCurCell, and leaves the editor open; the interactive
// paths (keys, mouse) show it through the host instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/XLRanges.h"
#include "platform/core/ControlCore.h"
#include "platform/core/EnumSet.h"
#include "platform/core/PopupMenu.h"

namespace qv {

class TXLGrid;
class TXLView;
class TXLEdit;
class TXLInplaceEditor;
class TXLEditorWidget;

enum TXLOption : std::uint8_t {
  oTitleCols,
  oTitleRows,
  oVertLines,
  oHorzLines,
  oColSizing,
  oRowSizing,
  oDrawFocus,
  oPrintLayout,
  oReadOnly,
  oPermEdit,
  oRowSelect,
  oRangeSelect,
  oTracking,
  oWrapKeys
};
using TXLOptions = TEnumSet<TXLOption>;
inline constexpr TXLOptions kXLDefaultOptions{oTitleCols, oTitleRows,   oVertLines, oHorzLines,
                                              oDrawFocus, oRangeSelect, oTracking};

// The scroll bars of the client view (TScrollBarKind members).
using TXLScrolls = TEnumSet<TScrollBarKind>;

enum TXLDirection : std::uint8_t { dNone, dRight, dDown, dLeft, dUp, dAuto };

// Zoom in percent.
constexpr int kXLMinScale = 25;
constexpr int kXLMaxScale = 500;
// The wheel zooms within 25..200.
constexpr int kXLWheelMaxScale = 200;
// The auto-scroll timer while dragging a selection.
constexpr int kXLAutoScrollTimer = 1;
constexpr int kXLAutoScrollInterval = 40;

// Mouse tracking: 0 idle, 1 button pressed, 2 dragging, 3 released,
// 4 cancelled (or released without a move).
enum TXLTrackState : std::uint8_t { tsIdle, tsPressed, tsDragging, tsReleased, tsCancelled };
// The handler of a drag.
enum TXLTracking : std::uint8_t { tkNone, tkSelect, tkColSizing, tkRowSizing };

// What lies under a point of a view.
struct TXLHit {
  enum TKind : std::uint8_t { hNone, hCell, hColBorder, hRowBorder, hEditor };
  TKind Kind = hNone;
  // hCell: the section cell; hColBorder: the sized column in Col;
  // hRowBorder: the sized row in Row (lines of the view's size lists).
  int Col = 0;
  int Row = 0;
};

// ---- scroll arithmetic (whole lines) -------------------------------------

// The largest first line worth scrolling to: the smallest first line from
// which every following line fits into viewExtent pixels (0 when all fit).
int XLMaxFirstLine(const TXLSizeList& list, int viewExtent);
// The first line that shows the lines [from, to) starting from first: first
// itself when they are visible, else the nearest first line that shows
// them (from when they do not fit).
int XLFirstLineToShow(const TXLSizeList& list, int first, int from, int to, int viewExtent);
// The rectangles of a that b does not cover (at most four).
std::vector<TRect> SubtractRect(const TRect& a, const TRect& b);

// ---- what the grid needs of its host ------------------------------------

// The panel window that holds the four views and the editor host window:
// a Qt widget (TQtXLGrid), or a fake in tests. Views are hosted on their
// own (each view is a TControlCore with its TControlHost).
class TXLGridHost {
 public:
  virtual ~TXLGridHost() = default;
  // Places a view (panel pixels) and shows or hides it.
  virtual void PlaceView(int kind, const TRect& bounds, bool visible) = 0;
  // The grid's window timer: TXLGrid::Timer(id) every intervalMs.
  virtual void SetTimer(int id, int intervalMs) = 0;
  virtual void KillTimer(int id) = 0;
  // The hint of a view changed: the hint on show is cancelled so the new
  // text shows.
  virtual void HintChanged(int kind, const std::string& text) {
    (void)kind;
    (void)text;
  }
  // A message for the user (a value the editor could not store).
  virtual void ShowError(const std::string& message);
  // The view holding the cursor changed (the one the panel's focus goes to).
  virtual void ActiveViewChanged(int kind) { (void)kind; }

  // ---- the editor host window ----
  // Creates the control of an editor core (by its kind) inside the host
  // window; the host keeps it until DestroyEditorWidget.
  virtual TXLEditorWidget* CreateEditorWidget(TXLInplaceEditor& editor) = 0;
  virtual void DestroyEditorWidget(TXLEditorWidget* widget) = 0;
  // Lays the host window over view kind at host (view pixels), its colour
  // color, and the editor control at editor (host pixels).
  virtual void PlaceEditHost(int kind, const TRect& host, const TRect& editor, TColor color) = 0;
  virtual void ShowEditHost(bool show) = 0;
  // Focuses the editor's key-receiving control.
  virtual void FocusEditor() = 0;
  virtual bool EditorFocused() const = 0;
};

// ---- the selection -------------------------------------------------------

// A range bound to a view: its section and rectangle are the view's.
// Commands (Merge, Clear, Paste, ...) repaint the view and fire the grid's
// OnSelChanged afterwards; SetRect selects.
class TXLSelection : public TXLProRange {
 public:
  explicit TXLSelection(TXLView& view) : view_(view) {}
  TXLView& View() const { return view_; }
  TXLSection* GetSection() const override;
  TRect GetRect() const override;
  void SetRect(const TRect& r) override;

 protected:
  void Changed() override;

 private:
  TXLView& view_;
};

// ---- a view --------------------------------------------------------------

// One section of the shown sheet: paints it, hit-tests it, keeps its
// cursor cell and selected rectangle (section coordinates), and passes its
// input to the grid. Only the client view shows scroll bars.
class TXLView : public TControlCore {
 public:
  TXLView(TXLGrid& grid, TXLSectionKind kind);
  ~TXLView() override;
  TXLView(const TXLView&) = delete;
  TXLView& operator=(const TXLView&) = delete;

  TXLGrid& Grid() const { return grid_; }
  TXLSectionKind Kind() const { return kind_; }
  // The section shown (null without a sheet).
  TXLSection* Section() const;
  TXLSelection& Selection() { return selection_; }
  // The size lists of the view's columns and rows, in pixels.
  const TXLSizeList& Cols() const;
  const TXLSizeList& Rows() const;
  // Whether the view scrolls along an axis (0 columns, 1 rows).
  bool ScrollsAxis(int axis) const;

  // The cursor cell (section coordinates) and the selected rectangle.
  TPoint Cursor() const { return cursor_; }
  TRect SelRect() const { return sel_; }
  // The cursor cell's rectangle: a merged block, or the single cell.
  TRect CursorRect() const;
  // Selects r (clipped to the section, grown over merged blocks, full rows
  // with oRowSelect); the cursor stays when inside, else goes to r's
  // top-left. Repaints what changed and fires OnSelChanged.
  void Select(const TRect& r);

  // First visible column and row (0 on an axis the view does not scroll).
  TPoint TopLeft() const;
  // The scroll offset in pixels.
  TPoint Offset() const;
  // The content extent in pixels.
  TSize Extent() const;
  // The view's client size (from its host; 0 without one).
  TSize ClientSize() const;
  // View pixels of a section rectangle (right and bottom exclusive).
  TRect CellPixels(const TRect& cells) const;
  TXLHit HitTest(int x, int y) const;
  // The hint text under the mouse.
  const std::string& HintText() const { return hint_; }

  void InvalidateCells(const TRect& cells, int grow = 0);
  void InvalidateAll();

  // ---- TControlCore ----
  void Paint(TCanvas& c, const TRect& r) override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  bool MouseWheel(TShiftState s, int delta, int x, int y) override;
  void KeyDown(int& key, TShiftState s) override;
  void KeyPress(char32_t& ch) override;
  void InputText(const std::string& text) override;
  void FocusIn() override;
  void FocusOut() override;
  void Resize(int width, int height) override;
  void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override;
  bool WantsAllKeys() const override { return false; }

  // Sets the scroll bars from the extent, the client size and the offset.
  void UpdateScrollBars();

 private:
  friend class TXLGrid;
  friend class TXLEdit;
  friend class TXLSelection;
  // The cursor and the selection without repainting or events.
  void SetState(const TPoint& cursor, const TRect& sel, const TPoint& selEnd);
  // Repaints the difference between two (selection, cursor) states.
  void RepaintChange(const TRect& oldSel, const TRect& oldCursor);
  // r clipped, grown over blocks, and made full rows with oRowSelect.
  TRect NormalizeSel(const TRect& r) const;
  // The cell rectangle (merged block or single cell) at a point.
  TRect CellRectAt(int col, int row) const;
  // The rectangle spanning the cursor cell and the cell at p.
  TRect SpanTo(const TPoint& p) const;
  // The neighbour of a point in a direction, leaving a merged block (no
  // wrapping); false at the section's edge.
  bool Neighbour(const TPoint& from, TXLDirection dir, TPoint& to) const;
  void PaintOverlays(TCanvas& c, const TRect& r);
  void PaintBackground(TCanvas& c, const TRect& r);

  TXLGrid& grid_;
  TXLSectionKind kind_;
  TXLSelection selection_;
  TPoint cursor_;
  TRect sel_{0, 0, 1, 1};
  TPoint selEnd_;  // the moving corner of a selection being extended
  std::string hint_;
  int scrollMult_[2] = {1, 1};  // scroll-bar units per pixel step
  int wheelRest_ = 0;           // wheel delta below one notch, kept for the next event
};

// ---- the grid --------------------------------------------------------------

class TXLGrid : public TXLGridLink {
 public:
  TXLGrid();
  ~TXLGrid() override;
  TXLGrid(const TXLGrid&) = delete;
  TXLGrid& operator=(const TXLGrid&) = delete;

  // The panel host; null detaches (timers and the editor window go).
  void SetHost(TXLGridHost* host);
  TXLGridHost* Host() const { return host_; }

  // ---- the sheet ----
  TXLSheet* Sheet() const { return sheet_; }
  // Leaves edit mode (storing), links to the new sheet, rebuilds the
  // views and fires OnSheetChanged.
  void SetSheet(TXLSheet* sheet);

  TXLView& View(int kind) { return *views_[kind]; }
  const TXLView& View(int kind) const { return *views_[kind]; }
  // The view that has (or last had) the cursor; the client at first.
  TXLView& ActiveView() const { return *active_; }
  TXLEdit& Edit() { return *edit_; }
  const TXLEdit& Edit() const { return *edit_; }
  // The sheet's size lists scaled by Scale (axis 0 columns, 1 rows).
  const TXLSizeList& Sizes(int axis, bool title) const { return sizes_[axis][title ? 1 : 0]; }

  // ---- zoom ----
  int Scale() const { return scale_; }
  // Held to 25..500; re-lays out, moves an open editor, fires OnScaleChanged.
  void SetScale(int scale);
  // Sheet units to pixels and back.
  int ToPixels(int v) const;
  int FromPixels(int v) const;

  // ---- settings ----
  TXLOptions Options() const { return options_; }
  void SetOptions(TXLOptions options);
  bool HasOption(TXLOption o) const { return options_.Contains(o); }
  TXLScrolls Scrolls() const { return scrolls_; }
  void SetScrolls(TXLScrolls scrolls);
  TXLDirection EnterDir() const { return enterDir_; }
  void SetEnterDir(TXLDirection d) { enterDir_ = d; }
  // The direction of the last cursor move (dDown at first).
  TXLDirection LastDirection() const { return lastDir_; }
  // Title views mark the selected columns and rows raised while on.
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool v);
  // Hint marks on screen and hints under the mouse.
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);

  // ---- links: another grid follows the scroll position ----
  TXLGrid* HorzLink() const { return links_[0]; }
  TXLGrid* VertLink() const { return links_[1]; }
  // Linking to itself means none; the link is mutual and the partner takes
  // over the scroll position.
  void SetHorzLink(TXLGrid* other) { SetLink(0, other); }
  void SetVertLink(TXLGrid* other) { SetLink(1, other); }

  // ---- cursor and selection (sheet coordinates) ----
  int CurCol() const { return GetCurCell().X; }
  int CurRow() const { return GetCurCell().Y; }
  void SetCurCol(int col) { SetCurCell(col, CurRow()); }
  void SetCurRow(int row) { SetCurCell(CurCol(), row); }
  TPoint GetCurCell() const;
  // Makes the section of the point the active view and puts its cursor
  // there (a point outside every section changes nothing).
  void SetCurCell(int col, int row);
  // The active view's selection; null without a sheet.
  TXLSelection* Selection();
  // Selects [left, right) x [top, bottom) (section coordinates) in the
  // active view.
  void SelectRange(int left, int top, int right, int bottom);

  // ---- editing ----
  // 0: not editing; 1: editing, navigation keys with Shift, Ctrl or Alt
  // move the cursor; 2: full editing.
  int EditMode() const;
  // 0 leaves the editor (storing its value); 1 and 2 open it on the cursor
  // cell of the active view when that cell may be edited.
  void SetEditMode(int mode);
  // Whether the cell at a section point may be edited: the sheet and the
  // grid are not read-only, the cell is not csReadOnly, its class has an
  // editor, and the point lies in the section.
  bool CanEdit(const TXLSection& section, int col, int row) const;

  // ---- the panel ----
  void Resize(int width, int height);
  TSize ClientSize() const { return size_; }
  // A view's place in the panel.
  TRect ViewBounds(int kind) const { return bounds_[kind]; }
  void Timer(int id);
  TXLTrackState TrackState() const { return trackState_; }
  TXLTracking Tracking() const { return tracking_; }
  // Whether the view holds the keyboard focus.
  bool ViewFocused(const TXLView& v) const;

  // Popped up by the right button and the menu keys; parked while a cell
  // is edited.
  TPopupMenuRef PopupMenu;

  // ---- events (sheet coordinates) ----
  std::function<void(TXLGrid&, const TPoint&)> OnColDblClick;
  std::function<void(TXLGrid&, const TPoint&)> OnRowDblClick;
  std::function<void(TXLGrid&, const TPoint&)> OnCellClick;
  std::function<void(TXLGrid&, const TPoint&)> OnCellDblClick;
  std::function<void(TXLGrid&)> OnSelChanged;
  std::function<void(TXLGrid&)> OnCurChanged;
  std::function<void(TXLGrid&)> OnSheetChanged;
  std::function<void(TXLGrid&)> OnEditModeChanged;
  std::function<void(TXLGrid&)> OnScaleChanged;
  // The panel's mouse events, in panel pixels.
  std::function<void(TXLGrid&, TMouseButton, TShiftState, int x, int y)> OnMouseDown;
  std::function<void(TXLGrid&, TShiftState, int x, int y)> OnMouseMove;
  std::function<void(TXLGrid&, TMouseButton, TShiftState, int x, int y)> OnMouseUp;

  // Drops every handler (an owner going away).
  void ClearEvents();

  // ---- TXLGridLink ----
  void SheetInvalidateRect(TXLSection& section, const TRect& r, bool lines) override;
  void SheetCellChanged(TXLCell& cell, TXLProp prop) override;
  void SheetCellFreed(TXLCell& cell) override;
  void SheetLayoutChanged(int axis) override;
  void SheetSizeChanged(int axis, int index) override;
  void SheetBackgroundChanged() override;
  void SheetPageRectChanged() override;
  void SheetDestroying() override;
  void SheetRefresh() override;
  void SheetRead() override;

 private:
  friend class TXLView;
  friend class TXLEdit;
  friend class TXLSelection;

  // ---- layout ----
  // Rebuilds the scaled lists of an axis (-1 both) and lays the views out.
  void Relayout(int axis);
  void AlignViews();
  // Clips the views' cursors, selections and scroll positions.
  void ClipViews();
  // Scroll positions: the first visible data column and row.
  void ScrollTo(int col, int row, bool fromLink = false);
  void ScrollBy(int axis, int lines);
  // Scrolls the view so that the section cells r are visible.
  void ShowCells(TXLView& v, const TRect& r);
  int MaxFirst(int axis) const;

  // ---- cursor ----
  void SetActive(TXLView& v);
  // Moves the view's cursor to p (clipped to the section): stores an open
  // editor first (false, nothing moved, when it cannot), reselects, shows
  // the cell, fires OnCurChanged/OnSelChanged; with oPermEdit the editor
  // follows. extend keeps the anchor and selects up to p.
  // show scrolls the moved cell into view.
  bool MoveCursor(TXLView& v, TPoint p, bool extend, TXLDirection dir = dNone, bool show = true);
  // The neighbour of the cursor in a direction, leaving a merged block;
  // false when there is none.
  bool Neighbour(const TXLView& v, const TPoint& from, TXLDirection dir, TPoint& to) const;
  void SelectionChanged(TXLView& v);
  // As MoveCursor, reporting a failed store to the user.
  bool TryMove(TXLView& v, const TPoint& p, bool extend, TXLDirection dir = dNone,
               bool show = true);
  // Moves one cell by EnterDir (Shift reverses); closes the editor when
  // it cannot move, unless oPermEdit.
  void EnterMove(TXLView& v, TShiftState s);

  // ---- input from the views ----
  void ViewKeyDown(TXLView& v, int& key, TShiftState s);
  void ViewKeyPress(TXLView& v, char32_t& ch);
  void ViewMouseDown(TXLView& v, TMouseButton b, TShiftState s, int x, int y);
  void ViewMouseMove(TXLView& v, TShiftState s, int x, int y);
  void ViewMouseUp(TXLView& v, TMouseButton b, TShiftState s, int x, int y);
  bool ViewMouseWheel(TXLView& v, TShiftState s, int delta);
  void ViewScroll(TXLView& v, TScrollBarKind bar, TScrollCode code, int pos);
  // Runs the tracking handler in a state.
  void Track(TXLTrackState state, TShiftState s, int x, int y);
  void TrackSelect(TXLTrackState state, TShiftState s, int x, int y);
  void TrackSize(TXLTrackState state, TShiftState s, int x, int y);
  void EndTracking();
  void CancelTracking();
  void UpdateHint(TXLView& v, int x, int y);
  // Click and double-click notifications of the cell at a section point.
  void CellClick(TXLView& v, const TPoint& p, bool dbl);
  // Pops the menu up at a view point (keyboard: below the cursor cell).
  void ContextMenu(TXLView& v, int x, int y, bool fromKeyboard);
  // Clears the editable cells of the view's selection.
  void DeleteSelection(TXLView& v);
  // Reports a failed store of the editor.
  void ReportError(const std::exception& e);

  // ---- sizing ----
  // The size index of a line of a view's list (as TXLSheet::GetSize counts
  // it) and its sheet coordinate (negative for titles).
  int SizeIndex(const TXLView& v, int axis, int line) const;
  int SheetLine(const TXLView& v, int axis, int line) const;
  // The sheet's sizing rule applied to a size in sheet units.
  int SizingRule(int axis, int index, int size) const;
  void SetScaledSize(const TXLView& v, int axis, int line, int pixels);

  void SetLink(int axis, TXLGrid* other);
  void FireSelChanged();
  void FireCurChanged();

  TXLGridHost* host_ = nullptr;
  TXLSheet* sheet_ = nullptr;
  std::unique_ptr<TXLView> views_[4];
  TXLView* active_ = nullptr;
  std::unique_ptr<TXLEdit> edit_;
  TXLSizeList sizes_[2][2];  // [axis][0 data, 1 title], pixels
  int scale_ = 100;
  TXLOptions options_ = kXLDefaultOptions;
  TXLScrolls scrolls_{sbHorizontal, sbVertical};
  TXLDirection enterDir_ = dAuto;
  TXLDirection lastDir_ = dDown;
  bool ctl3D_ = true;
  bool showHint_ = true;
  TXLGrid* links_[2] = {nullptr, nullptr};
  bool following_ = false;  // taking over a linked grid's position
  TSize size_;
  TRect bounds_[4];
  int first_[2] = {0, 0};  // first visible data column and row

  // ---- mouse tracking ----
  TXLTrackState trackState_ = tsIdle;
  TXLTracking tracking_ = tkNone;
  TXLView* trackView_ = nullptr;
  TPoint trackPos_;  // last pointer position in the tracking view
  TShiftState trackShift_ = 0;
  bool trackMoved_ = false;
  bool trackCancelled_ = false;  // ended by Esc or a new sheet
  bool ignoreUp_ = false;        // the release of a press that ended its tracking
  bool timerOn_ = false;
  // sizing
  int sizeLine_ = 0;            // line of the view's list
  std::int64_t sizeStart_ = 0;  // the line's start in content pixels
  int sizeFrom_ = 0;            // pixels at the press
  int sizeNow_ = 0;             // pixels now
  int sizeSheet_ = 0;           // sheet units now
  int sizeSheetFrom_ = 0;       // sheet units at the press
  bool destroying_ = false;
};

}  // namespace qv
