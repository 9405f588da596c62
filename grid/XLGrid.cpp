#include "grid/XLGrid.h"

#include <algorithm>
#include <climits>

#include "grid/XLEditors.h"
#include "grid/XLPainter.h"
#include "platform/core/Services.h"

namespace qv {

namespace {

// The title frame of the column-title and row-title views: the titles of
// the client's selected columns (rows) raised.
TXLFrame titleFrame(void* data, const TXLSection& section, int col, int row) {
  const TXLView& v = *static_cast<const TXLView*>(data);
  const TRect sel = v.Grid().View(skClient).SelRect();
  const bool marked = v.Kind() == skColTitles ? (col >= sel.Left && col < sel.Right)
                                              : (row >= sel.Top && row < sel.Bottom);
  if (marked) {
    const TXLSheet* sheet = section.Sheet();
    return sheet && sheet->FlatTitleSelection ? frFlatUp : frDeepUp;
  }
  return section.FrameAt(col, row);
}

// The line whose border lies within a pixel of pos (content pixels): the
// line before the boundary; -1 when none.
int borderAt(const TXLSizeList& list, std::int64_t pos) {
  const int count = list.Count();
  if (count <= 0 || pos < 0) return -1;
  const std::int64_t total = list.PositionOf(count);
  if (pos >= total) return pos - total <= 1 ? count - 1 : -1;
  std::int64_t start = pos;
  const int index = list.IndexAt(start);
  if (index >= count) return -1;
  const std::int64_t end = start + list.Get(index);
  if (pos - start <= 1 && index >= 1) return index - 1;
  if (end - pos <= 1) return index;
  return -1;
}

// The scaled copy of a sheet's size list; a default that scales below one
// pixel stays one pixel, so every line keeps a place to be hit.
void scaleList(TXLSizeList& dst, const TXLSizeList& src, int scale) {
  dst.AssignScaled(src, scale, 100);
  if (dst.Default() >= 1 || src.Default() < 1) return;
  dst.SetDefault(1);
  dst.SetCount(src.Count());
  src.ForEachSlot([&](int index, std::int32_t) {
    dst.Put(index, static_cast<std::int32_t>(std::int64_t(src.Get(index)) * scale / 100));
    return 0;
  });
}

}  // namespace

// ---- scroll arithmetic ---------------------------------------------------

int XLMaxFirstLine(const TXLSizeList& list, int viewExtent) {
  const int count = list.Count();
  int first = count;
  std::int64_t used = 0;
  while (first > 0) {
    const std::int64_t size = list.Get(first - 1);
    if (used + size > viewExtent) break;
    used += size;
    --first;
  }
  return std::min(first, std::max(0, count - 1));
}

int XLFirstLineToShow(const TXLSizeList& list, int first, int from, int to, int viewExtent) {
  if (from < first) return from;
  const std::int64_t end = list.PositionOf(to);
  if (end - list.PositionOf(first) <= viewExtent) return first;
  // The smallest first line after which [.., to) fits, but not past from.
  int f = to;
  std::int64_t used = 0;
  while (f > from) {
    const std::int64_t size = list.Get(f - 1);
    if (used + size > viewExtent) break;
    used += size;
    --f;
  }
  return std::max(first, std::min(f, from));
}

std::vector<TRect> SubtractRect(const TRect& a, const TRect& b) {
  std::vector<TRect> out;
  if (a.IsEmpty()) return out;
  TRect x;
  if (!IntersectRect(x, a, b)) {
    out.push_back(a);
    return out;
  }
  if (a.Top < x.Top) out.emplace_back(a.Left, a.Top, a.Right, x.Top);
  if (x.Bottom < a.Bottom) out.emplace_back(a.Left, x.Bottom, a.Right, a.Bottom);
  if (a.Left < x.Left) out.emplace_back(a.Left, x.Top, x.Left, x.Bottom);
  if (x.Right < a.Right) out.emplace_back(x.Right, x.Top, a.Right, x.Bottom);
  return out;
}

void TXLGridHost::ShowError(const std::string& message) {
  Dialogs().MessageBox(message, "Quorvane", mtError, mbOK);
}

// ---- TXLSelection ----------------------------------------------------------

TXLSection* TXLSelection::GetSection() const { return view_.Section(); }
TRect TXLSelection::GetRect() const { return view_.SelRect(); }
void TXLSelection::SetRect(const TRect& r) { view_.Select(r); }

void TXLSelection::Changed() {
  view_.InvalidateCells(view_.SelRect(), 2);
  view_.Grid().SelectionChanged(view_);
}

// ---- TXLView: geometry -----------------------------------------------------

TXLView::TXLView(TXLGrid& grid, TXLSectionKind kind)
    : grid_(grid), kind_(kind), selection_(*this) {}

TXLView::~TXLView() = default;

TXLSection* TXLView::Section() const {
  return grid_.sheet_ ? &grid_.sheet_->Section(kind_) : nullptr;
}

const TXLSizeList& TXLView::Cols() const {
  return grid_.Sizes(0, kind_ == skRowTitles || kind_ == skCorner);
}

const TXLSizeList& TXLView::Rows() const {
  return grid_.Sizes(1, kind_ == skColTitles || kind_ == skCorner);
}

bool TXLView::ScrollsAxis(int axis) const {
  if (kind_ == skClient) return true;
  return axis == 0 ? kind_ == skColTitles : kind_ == skRowTitles;
}

TPoint TXLView::TopLeft() const {
  return TPoint(ScrollsAxis(0) ? grid_.first_[0] : 0, ScrollsAxis(1) ? grid_.first_[1] : 0);
}

TPoint TXLView::Offset() const {
  const TPoint t = TopLeft();
  return TPoint(ClampCoord(Cols().PositionOf(t.X)), ClampCoord(Rows().PositionOf(t.Y)));
}

TSize TXLView::Extent() const {
  return TSize{ClampCoord(Cols().PositionOf(Cols().Count())),
               ClampCoord(Rows().PositionOf(Rows().Count()))};
}

TSize TXLView::ClientSize() const {
  if (!host_) return {};
  const TRect r = host_->ClientRect();
  return TSize{r.Width(), r.Height()};
}

TRect TXLView::CellPixels(const TRect& cells) const {
  const TPoint t = TopLeft();
  const std::int64_t ox = Cols().PositionOf(t.X), oy = Rows().PositionOf(t.Y);
  return TRect(ClampCoord(Cols().PositionOf(cells.Left) - ox),
               ClampCoord(Rows().PositionOf(cells.Top) - oy),
               ClampCoord(Cols().PositionOf(cells.Right) - ox),
               ClampCoord(Rows().PositionOf(cells.Bottom) - oy));
}

TRect TXLView::CellRectAt(int col, int row) const {
  const TXLSection* s = Section();
  if (s) {
    if (const TXLUnion* u = s->UnionAt(col, row)) return u->Rect;
  }
  return TRect(col, row, col + 1, row + 1);
}

TRect TXLView::CursorRect() const { return CellRectAt(cursor_.X, cursor_.Y); }

TRect TXLView::SpanTo(const TPoint& p) const {
  TRect r;
  UnionRect(r, CursorRect(), CellRectAt(p.X, p.Y));
  return r;
}

TRect TXLView::NormalizeSel(const TRect& r) const {
  const TXLSection* s = Section();
  if (!s) return r;
  TRect n;
  if (!IntersectRect(n, NormalizedRect(r), s->Extent())) return CursorRect();
  n = s->ExpandToUnions(n);
  if (grid_.HasOption(oRowSelect)) {
    n.Left = 0;
    n.Right = s->ColCount();
  }
  return n;
}

TXLHit TXLView::HitTest(int x, int y) const {
  TXLHit hit;
  const TXLSection* s = Section();
  if (!s) return hit;
  const TXLEdit& edit = grid_.Edit();
  if (edit.Attached() && edit.View() == this && edit.HostRect().Contains(x, y)) {
    hit.Kind = TXLHit::hEditor;
    return hit;
  }
  const TPoint t = TopLeft();
  const std::int64_t cx = x + Cols().PositionOf(t.X), cy = y + Rows().PositionOf(t.Y);
  if (kind_ != skClient) {
    if (grid_.HasOption(oColSizing)) {
      const int line = borderAt(Cols(), cx);
      if (line >= 0) {
        hit.Kind = TXLHit::hColBorder;
        hit.Col = line;
        return hit;
      }
    }
    if (grid_.HasOption(oRowSizing)) {
      const int line = borderAt(Rows(), cy);
      if (line >= 0) {
        hit.Kind = TXLHit::hRowBorder;
        hit.Row = line;
        return hit;
      }
    }
  }
  if (x < 0 || y < 0 || cx < 0 || cy < 0) return hit;
  std::int64_t ox = cx, oy = cy;
  const int col = Cols().IndexAt(ox), row = Rows().IndexAt(oy);
  if (!s->Contains(col, row)) return hit;
  hit.Kind = TXLHit::hCell;
  hit.Col = col;
  hit.Row = row;
  return hit;
}

void TXLView::InvalidateCells(const TRect& cells, int grow) {
  if (!host_ || cells.IsEmpty()) return;
  TRect r = CellPixels(cells);
  InflateRect(r, grow, grow);
  TRect x;
  const TRect client = host_->ClientRect();
  if (IntersectRect(x, r, client)) host_->InvalidateRect(x);
}

void TXLView::InvalidateAll() {
  if (host_) host_->Invalidate();
}

// ---- TXLView: state ------------------------------------------------------------

void TXLView::SetState(const TPoint& cursor, const TRect& sel, const TPoint& selEnd) {
  cursor_ = cursor;
  sel_ = sel;
  selEnd_ = selEnd;
}

void TXLView::RepaintChange(const TRect& oldSel, const TRect& oldCursor) {
  const TRect cur = CursorRect();
  if (oldSel == sel_ && oldCursor == cur) return;
  if (host_) {
    const TRect a = CellPixels(oldSel), b = CellPixels(sel_);
    for (const TRect& r : SubtractRect(a, b)) host_->InvalidateRect(r);
    for (const TRect& r : SubtractRect(b, a)) host_->InvalidateRect(r);
    if (oldCursor != cur) {
      InvalidateCells(oldCursor, 1);
      InvalidateCells(cur, 1);
    }
  }
  if (kind_ == skClient) {
    // The title views mark the selected columns and rows.
    TXLView& ct = grid_.View(skColTitles);
    TXLView& rt = grid_.View(skRowTitles);
    if (oldSel.Left != sel_.Left || oldSel.Right != sel_.Right) {
      const int n = ct.Rows().Count();
      ct.InvalidateCells(TRect(oldSel.Left, 0, oldSel.Right, n), 1);
      ct.InvalidateCells(TRect(sel_.Left, 0, sel_.Right, n), 1);
    }
    if (oldSel.Top != sel_.Top || oldSel.Bottom != sel_.Bottom) {
      const int n = rt.Cols().Count();
      rt.InvalidateCells(TRect(0, oldSel.Top, n, oldSel.Bottom), 1);
      rt.InvalidateCells(TRect(0, sel_.Top, n, sel_.Bottom), 1);
    }
  }
}

void TXLView::Select(const TRect& r) {
  TXLSection* s = Section();
  if (!s || s->ColCount() <= 0 || s->RowCount() <= 0) return;
  const TRect n = NormalizeSel(r);
  TPoint cursor = cursor_;
  if (!n.Contains(cursor.X, cursor.Y)) {
    const TRect c = CellRectAt(n.Left, n.Top);
    cursor = c.TopLeft();
  }
  if (cursor != cursor_) {
    // Leaving the cell: an open editor stores first (or the selection stays).
    if (grid_.Edit().Attached() && grid_.Edit().View() == this) grid_.Edit().Detach(true);
  }
  const TRect oldSel = sel_, oldCur = CursorRect();
  const bool moved = cursor != cursor_;
  cursor_ = cursor;
  // The moving corner is the one opposite the cursor.
  selEnd_ =
      TPoint(cursor.X == n.Left ? n.Right - 1 : n.Left, cursor.Y == n.Top ? n.Bottom - 1 : n.Top);
  sel_ = n;
  RepaintChange(oldSel, oldCur);
  if (moved && &grid_.ActiveView() == this) grid_.FireCurChanged();
  if (oldSel != sel_ && &grid_.ActiveView() == this) grid_.FireSelChanged();
}

// ---- TXLView: painting -----------------------------------------------------------

void TXLView::PaintBackground(TCanvas& c, const TRect& r) {
  if (r.IsEmpty()) return;
  const TXLSection* s = Section();
  if (!s) {
    c.Brush.SetStyle(bsSolid);
    c.Brush.SetColor(kind_ == skClient ? clWindow : clBtnFace);
    c.FillRect(r);
    return;
  }
  TPoint origin = Offset();
  origin = TPoint(-origin.X, -origin.Y);
  PaintSheetBackground(&origin, c, *s, r);
}

void TXLView::Paint(TCanvas& c, const TRect& r) {
  TXLSection* s = Section();
  if (!s || s->ColCount() <= 0 || s->RowCount() <= 0) {
    PaintBackground(c, r);
    return;
  }
  const TXLSizeList& cols = Cols();
  const TXLSizeList& rows = Rows();
  const TPoint t = TopLeft();
  const std::int64_t ox = cols.PositionOf(t.X), oy = rows.PositionOf(t.Y);
  const std::int64_t ex = cols.PositionOf(cols.Count()), ey = rows.PositionOf(rows.Count());
  const std::int64_t left = std::max<std::int64_t>(0, r.Left + ox);
  const std::int64_t top = std::max<std::int64_t>(0, r.Top + oy);
  const std::int64_t right = std::min<std::int64_t>(ex, r.Right + ox);
  const std::int64_t bottom = std::min<std::int64_t>(ey, r.Bottom + oy);
  if (left >= right || top >= bottom) {
    PaintBackground(c, r);
    PaintOverlays(c, r);
    return;
  }
  std::int64_t px0 = left, py0 = top, px1 = right - 1, py1 = bottom - 1;
  const int c0 = cols.IndexAt(px0), r0 = rows.IndexAt(py0);
  const int c1 = std::min(cols.IndexAt(px1), cols.Count() - 1);
  const int r1 = std::min(rows.IndexAt(py1), rows.Count() - 1);
  TXLPaintInfo info;
  info.Cols = &cols;
  info.Rows = &rows;
  info.ScaleX = info.ScaleY = grid_.Scale();
  info.Canvas = &c;
  info.Cells = TRect(c0, r0, c1 + 1, r1 + 1);
  info.Pixels =
      TRect(ClampCoord(px0 - ox), ClampCoord(py0 - oy), ClampCoord(cols.PositionOf(c1 + 1) - ox),
            ClampCoord(rows.PositionOf(r1 + 1) - oy));
  const std::vector<TXLPaintUnion> unions =
      CollectPaintUnions(*s, cols, rows, info.Cells, info.Pixels.TopLeft());
  info.Unions = &unions;
  info.VertLines = grid_.HasOption(oVertLines);
  info.HorzLines = grid_.HasOption(oHorzLines);
  info.HintMarks = grid_.ShowHint();
  const TXLEdit& edit = grid_.Edit();
  if ((kind_ == skColTitles || kind_ == skRowTitles) && grid_.Ctl3D() &&
      !(edit.Attached() && edit.View() == this)) {
    info.FrameSource = titleFrame;
    info.FrameData = this;
  }
  TPoint origin(ClampCoord(-ox), ClampCoord(-oy));
  info.Background = PaintSheetBackground;
  info.BackgroundData = &origin;
  PaintSection(*s, info);
  // What lies beyond the content.
  PaintBackground(c, TRect(std::max(r.Left, info.Pixels.Right), r.Top, r.Right, r.Bottom));
  PaintBackground(c, TRect(r.Left, std::max(r.Top, info.Pixels.Bottom),
                           std::min(r.Right, info.Pixels.Right), r.Bottom));
  PaintOverlays(c, r);
}

void TXLView::PaintOverlays(TCanvas& c, const TRect& r) {
  TXLSheet* sheet = grid_.Sheet();
  TXLSection* s = Section();
  if (!sheet || !s) return;
  const TPoint off = Offset();
  // The printed area and its page breaks.
  if (kind_ == skClient && grid_.HasOption(oPrintLayout)) {
    const std::vector<int> bx = sheet->PageBreaks(0), by = sheet->PageBreaks(1);
    if (!bx.empty() && !by.empty()) {
      auto px = [&](int line) { return ClampCoord(Cols().PositionOf(line) - off.X); };
      auto py = [&](int line) { return ClampCoord(Rows().PositionOf(line) - off.Y); };
      c.Pen.SetMode(pmCopy);
      c.Pen.SetStyle(psSolid);
      c.Pen.SetColor(clBlack);
      c.Pen.SetWidth(2);
      const int lx = px(bx.back()), ly = py(by.back());
      const TPoint frame[3] = {{0, ly}, {lx, ly}, {lx, 0}};
      c.Polyline(frame);
      c.Pen.SetWidth(1);
      c.Pen.SetColor(0xFF0000);
      for (int b : bx) {
        c.MoveTo(px(b) - 1, r.Top);
        c.LineTo(px(b) - 1, r.Bottom);
      }
      for (int b : by) {
        c.MoveTo(r.Left, py(b) - 1);
        c.LineTo(r.Right, py(b) - 1);
      }
    }
  }
  // The selection inverted, the cursor cell left out.
  const TRect cur = CellPixels(CursorRect());
  const TRect sel = CellPixels(sel_);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(clBlack);
  c.Pen.SetMode(pmNot);
  for (const TRect& part : SubtractRect(sel, cur)) {
    TRect x;
    if (IntersectRect(x, part, r)) c.FillRect(x);
  }
  c.Pen.SetMode(pmCopy);
  if (grid_.HasOption(oDrawFocus) && grid_.ViewFocused(*this) && !s->Extent().IsEmpty()) {
    TRect f = cur;
    f.Right -= 1;
    f.Bottom -= 1;
    c.DrawFocusRect(f);
  }
  // The line of a column or row being sized.
  if ((grid_.trackState_ == tsPressed || grid_.trackState_ == tsDragging) &&
      (grid_.tracking_ == tkColSizing || grid_.tracking_ == tkRowSizing) && grid_.trackView_) {
    const int axis = grid_.tracking_ == tkColSizing ? 0 : 1;
    const TXLView& tv = *grid_.trackView_;
    const TXLSizeList& mine = axis == 0 ? Cols() : Rows();
    const TXLSizeList& theirs = axis == 0 ? tv.Cols() : tv.Rows();
    if (&mine == &theirs) {
      const int pos =
          ClampCoord(mine.PositionOf(grid_.sizeLine_ + 1) - (axis == 0 ? off.X : off.Y));
      const TSize cs = ClientSize();
      c.DrawFocusRect(axis == 0 ? TRect(pos - 1, 0, pos, cs.cy) : TRect(0, pos - 1, cs.cx, pos));
    }
  }
}

// ---- TXLView: scroll bars ----------------------------------------------------

void TXLView::UpdateScrollBars() {
  if (!host_ || kind_ != skClient) return;
  const TSize ext = Extent(), cs = ClientSize();
  const TPoint off = Offset();
  for (int axis = 0; axis < 2; ++axis) {
    std::int64_t extent = axis == 0 ? ext.cx : ext.cy;
    std::int64_t page = axis == 0 ? cs.cx : cs.cy;
    std::int64_t pos = axis == 0 ? off.X : off.Y;
    int mult = 1;
    while (extent > 32000) {
      extent /= 2;
      page /= 2;
      pos /= 2;
      mult *= 2;
    }
    scrollMult_[axis] = mult;
    TScrollInfo info;
    info.Min = 0;
    info.Max = static_cast<int>(std::max<std::int64_t>(0, extent - 1));
    info.Page = static_cast<int>(std::max<std::int64_t>(1, page));
    info.Pos = static_cast<int>(pos);
    const TScrollBarKind bar = axis == 0 ? sbHorizontal : sbVertical;
    info.Visible = grid_.Scrolls().Contains(bar);
    host_->SetScrollInfo(bar, info);
  }
}

// ---- TXLView: input goes to the grid -------------------------------------------

void TXLView::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  grid_.ViewMouseDown(*this, b, s, x, y);
}
void TXLView::MouseMove(TShiftState s, int x, int y) { grid_.ViewMouseMove(*this, s, x, y); }
void TXLView::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  grid_.ViewMouseUp(*this, b, s, x, y);
}
bool TXLView::MouseWheel(TShiftState s, int delta, int, int) {
  return grid_.ViewMouseWheel(*this, s, delta);
}
void TXLView::KeyDown(int& key, TShiftState s) { grid_.ViewKeyDown(*this, key, s); }
void TXLView::KeyPress(char32_t& ch) { grid_.ViewKeyPress(*this, ch); }

void TXLView::InputText(const std::string& text) {
  // Text of an input method: opens the editor on the cursor cell as typing does.
  TXLEdit& edit = grid_.Edit();
  if (!edit.Attached()) {
    TXLSection* s = Section();
    if (!s || !grid_.CanEdit(*s, cursor_.X, cursor_.Y)) return;
    if (&grid_.ActiveView() != this) grid_.SetActive(*this);
    grid_.SetEditMode(1);
  }
  edit.TypeText(text);
}

void TXLView::FocusIn() {
  if (&grid_.ActiveView() != this) grid_.SetActive(*this);
  InvalidateCells(CursorRect(), 1);
}

void TXLView::FocusOut() { InvalidateCells(CursorRect(), 1); }

void TXLView::Resize(int, int) {
  if (kind_ == skClient) {
    grid_.ClipViews();
    UpdateScrollBars();
  }
}

void TXLView::Scroll(TScrollBarKind bar, TScrollCode code, int pos) {
  grid_.ViewScroll(*this, bar, code, pos);
}

// ---- TXLGrid: life -------------------------------------------------------------

TXLGrid::TXLGrid() {
  // The client view first.
  views_[skClient] = std::make_unique<TXLView>(*this, skClient);
  views_[skColTitles] = std::make_unique<TXLView>(*this, skColTitles);
  views_[skRowTitles] = std::make_unique<TXLView>(*this, skRowTitles);
  views_[skCorner] = std::make_unique<TXLView>(*this, skCorner);
  active_ = views_[skClient].get();
  edit_ = std::make_unique<TXLEdit>(*this);
  Relayout(-1);
}

TXLGrid::~TXLGrid() {
  destroying_ = true;
  // The owner's handlers may already be gone: nothing is reported from here.
  ClearEvents();
  try {
    edit_->Detach(true);
  } catch (...) {
    edit_->Drop();
  }
  SetLink(0, nullptr);
  SetLink(1, nullptr);
  if (sheet_) sheet_->RemoveLink(this);
  sheet_ = nullptr;
  if (host_ && timerOn_) host_->KillTimer(kXLAutoScrollTimer);
  edit_.reset();
}

void TXLGrid::ClearEvents() {
  OnColDblClick = OnRowDblClick = OnCellClick = OnCellDblClick = nullptr;
  OnSelChanged = OnCurChanged = OnSheetChanged = OnEditModeChanged = OnScaleChanged = nullptr;
  OnMouseDown = OnMouseUp = nullptr;
  OnMouseMove = nullptr;
}

void TXLGrid::SetHost(TXLGridHost* host) {
  if (host_ == host) return;
  if (host_ && timerOn_) host_->KillTimer(kXLAutoScrollTimer);
  timerOn_ = false;
  if (host_) {
    edit_->Drop();
    edit_ = std::make_unique<TXLEdit>(*this);  // the editor's control went with the host
  }
  host_ = host;
  if (host_) AlignViews();
}

void TXLGrid::SetSheet(TXLSheet* sheet) {
  if (sheet == sheet_) return;
  edit_->Detach(true);
  CancelTracking();
  if (sheet_) sheet_->RemoveLink(this);
  sheet_ = sheet;
  if (sheet_) sheet_->AddLink(this);
  first_[0] = first_[1] = 0;
  for (auto& v : views_) v->SetState(TPoint(0, 0), TRect(0, 0, 1, 1), TPoint(0, 0));
  SetActive(View(skClient));
  Relayout(-1);
  if (!destroying_ && OnSheetChanged) OnSheetChanged(*this);
}

// ---- zoom and settings -----------------------------------------------------------

int TXLGrid::ToPixels(int v) const {
  if (scale_ == 100) return v;
  return static_cast<int>(std::int64_t(v) * scale_ / 100);
}

int TXLGrid::FromPixels(int v) const {
  if (scale_ == 100) return v;
  return static_cast<int>(std::int64_t(v) * 100 / scale_);
}

void TXLGrid::SetScale(int scale) {
  scale = std::clamp(scale, kXLMinScale, kXLMaxScale);
  if (scale == scale_) return;
  scale_ = scale;
  Relayout(-1);
  edit_->UpdateLook();
  if (OnScaleChanged) OnScaleChanged(*this);
}

void TXLGrid::SetOptions(TXLOptions options) {
  const TXLOptions old = options_;
  options_ = options;
  const TXLOptions changed = TXLOptions::FromBits(old.Bits() ^ options.Bits());
  if (changed.Empty()) return;
  if (changed.Contains(oTitleCols) || changed.Contains(oTitleRows)) AlignViews();
  if (changed.Contains(oRowSelect)) ClipViews();
  for (auto& v : views_) v->InvalidateAll();
}

void TXLGrid::SetScrolls(TXLScrolls scrolls) {
  scrolls_ = scrolls;
  View(skClient).UpdateScrollBars();
}

void TXLGrid::SetCtl3D(bool v) {
  if (ctl3D_ == v) return;
  ctl3D_ = v;
  View(skColTitles).InvalidateAll();
  View(skRowTitles).InvalidateAll();
}

void TXLGrid::SetShowHint(bool v) {
  if (showHint_ == v) return;
  showHint_ = v;
  for (auto& view : views_) view->InvalidateAll();
}

bool TXLGrid::ViewFocused(const TXLView& v) const { return v.Host() && v.Host()->Focused(); }

// ---- layout ----------------------------------------------------------------

void TXLGrid::Relayout(int axis) {
  for (int a = 0; a < 2; ++a) {
    if (axis >= 0 && a != axis) continue;
    for (int t = 0; t < 2; ++t) {
      TXLSizeList& list = sizes_[a][t];
      if (sheet_) {
        scaleList(list, sheet_->SizeList(a, t == 1), scale_);
      } else {
        list.SetDefault(0);
        list.SetCount(0);
      }
    }
  }
  AlignViews();
  ClipViews();
  for (auto& v : views_) v->InvalidateAll();
  View(skClient).UpdateScrollBars();
  edit_->UpdatePlacement();
}

void TXLGrid::Resize(int width, int height) {
  size_ = TSize{std::max(0, width), std::max(0, height)};
  AlignViews();
}

void TXLGrid::AlignViews() {
  const int w = size_.cx, h = size_.cy;
  int tw = 0, th = 0;
  if (sheet_ && HasOption(oTitleCols))
    tw = ClampCoord(sizes_[0][1].PositionOf(sizes_[0][1].Count()));
  if (sheet_ && HasOption(oTitleRows))
    th = ClampCoord(sizes_[1][1].PositionOf(sizes_[1][1].Count()));
  tw = std::min(tw, w);
  th = std::min(th, h);
  bounds_[skCorner] = TRect(0, 0, tw, th);
  bounds_[skColTitles] = TRect(tw, 0, w, th);
  bounds_[skRowTitles] = TRect(0, th, tw, h);
  bounds_[skClient] = TRect(tw, th, w, h);
  const bool visible[4] = {th > 0, tw > 0, tw > 0 && th > 0, true};
  if (!visible[active_->Kind()]) SetActive(View(skClient));
  if (host_)
    for (int k = 0; k < 4; ++k) host_->PlaceView(k, bounds_[k], visible[k]);
}

int TXLGrid::MaxFirst(int axis) const {
  const TSize cs = View(skClient).ClientSize();
  return XLMaxFirstLine(sizes_[axis][0], axis == 0 ? cs.cx : cs.cy);
}

void TXLGrid::ClipViews() {
  for (auto& v : views_) {
    const TXLSection* s = v->Section();
    if (!s) continue;
    const int cols = s->ColCount(), rows = s->RowCount();
    TPoint c = v->cursor_;
    c.X = std::clamp(c.X, 0, std::max(0, cols - 1));
    c.Y = std::clamp(c.Y, 0, std::max(0, rows - 1));
    if (cols > 0 && rows > 0) c = v->CellRectAt(c.X, c.Y).TopLeft();
    v->cursor_ = c;
    v->sel_ = v->NormalizeSel(v->sel_);
    if (!v->sel_.Contains(c.X, c.Y)) v->sel_ = v->NormalizeSel(v->CursorRect());
    v->selEnd_.X = std::clamp(v->selEnd_.X, 0, std::max(0, cols - 1));
    v->selEnd_.Y = std::clamp(v->selEnd_.Y, 0, std::max(0, rows - 1));
  }
  const int c = std::clamp(first_[0], 0, MaxFirst(0));
  const int r = std::clamp(first_[1], 0, MaxFirst(1));
  if (c != first_[0] || r != first_[1]) ScrollTo(c, r);
}

// ---- scrolling -----------------------------------------------------------------

void TXLGrid::ScrollTo(int col, int row, bool fromLink) {
  col = std::clamp(col, 0, MaxFirst(0));
  row = std::clamp(row, 0, MaxFirst(1));
  const bool dc = col != first_[0], dr = row != first_[1];
  if (!dc && !dr) return;
  TPoint before[4];
  for (int k = 0; k < 4; ++k) before[k] = views_[k]->Offset();
  first_[0] = col;
  first_[1] = row;
  for (int k = 0; k < 4; ++k) {
    TXLView& v = *views_[k];
    if (!v.Host() || !((dc && v.ScrollsAxis(0)) || (dr && v.ScrollsAxis(1)))) continue;
    const TPoint after = v.Offset();
    v.Host()->ScrollWindow(before[k].X - after.X, before[k].Y - after.Y, v.Host()->ClientRect());
  }
  View(skClient).UpdateScrollBars();
  edit_->UpdatePlacement();
  if (fromLink) return;
  for (int axis = 0; axis < 2; ++axis) {
    TXLGrid* partner = links_[axis];
    if (!partner || !(axis == 0 ? dc : dr) || partner->following_) continue;
    following_ = true;
    partner->following_ = true;
    partner->ScrollTo(axis == 0 ? col : partner->first_[0], axis == 1 ? row : partner->first_[1],
                      true);
    partner->following_ = false;
    following_ = false;
  }
}

void TXLGrid::ScrollBy(int axis, int lines) {
  if (axis == 0)
    ScrollTo(first_[0] + lines, first_[1]);
  else
    ScrollTo(first_[0], first_[1] + lines);
}

void TXLGrid::ShowCells(TXLView& v, const TRect& r) {
  const TSize cs = v.ClientSize();
  int col = first_[0], row = first_[1];
  if (v.ScrollsAxis(0) && cs.cx > 0)
    col = XLFirstLineToShow(sizes_[0][0], first_[0], r.Left, r.Right, cs.cx);
  if (v.ScrollsAxis(1) && cs.cy > 0)
    row = XLFirstLineToShow(sizes_[1][0], first_[1], r.Top, r.Bottom, cs.cy);
  ScrollTo(col, row);
}

void TXLGrid::ViewScroll(TXLView& v, TScrollBarKind bar, TScrollCode code, int pos) {
  if (!sheet_) return;
  const int axis = bar == sbHorizontal ? 0 : 1;
  const TXLSizeList& list = sizes_[axis][0];
  const TSize cs = v.ClientSize();
  const int page = std::max(1, axis == 0 ? cs.cx : cs.cy);
  int first = first_[axis];
  switch (code) {
    case scLineUp:
      --first;
      break;
    case scLineDown:
      ++first;
      break;
    case scPageUp: {
      std::int64_t off = std::max<std::int64_t>(0, list.PositionOf(first) - page);
      const std::int64_t want = off;
      first = list.IndexAt(off);
      if (off < want) ++first;  // a line cut at the top stays out
      first = std::min(first, first_[axis] - 1);
      break;
    }
    case scPageDown: {
      std::int64_t off = list.PositionOf(first) + page;
      first = std::max(list.IndexAt(off), first + 1);
      break;
    }
    case scTop:
      first = 0;
      break;
    case scBottom:
      first = MaxFirst(axis);
      break;
    case scTrack:
      if (!HasOption(oTracking)) return;
      [[fallthrough]];
    case scPosition: {
      std::int64_t off = std::int64_t(pos) * v.scrollMult_[axis];
      first = list.IndexAt(off);
      break;
    }
    default:
      return;
  }
  if (axis == 0)
    ScrollTo(first, first_[1]);
  else
    ScrollTo(first_[0], first);
}

// ---- links -----------------------------------------------------------------------

void TXLGrid::SetLink(int axis, TXLGrid* other) {
  if (other == this) other = nullptr;
  TXLGrid* old = links_[axis];
  if (old == other) return;
  if (old) old->links_[axis] = nullptr;
  if (other) {
    TXLGrid* theirs = other->links_[axis];
    if (theirs && theirs != this) theirs->links_[axis] = nullptr;
    other->links_[axis] = this;
  }
  links_[axis] = other;
  if (other) {
    other->following_ = true;
    other->ScrollTo(axis == 0 ? first_[0] : other->first_[0],
                    axis == 1 ? first_[1] : other->first_[1], true);
    other->following_ = false;
  }
}

// ---- cursor and selection ------------------------------------------------------------

TPoint TXLGrid::GetCurCell() const {
  const TXLSection* s = active_->Section();
  if (!s) return active_->Cursor();
  return s->ToSheetPoint(active_->Cursor());
}

void TXLGrid::SetActive(TXLView& v) {
  if (active_ == &v) return;
  const bool focused = host_ && (ViewFocused(*active_) || host_->EditorFocused());
  TXLView* old = active_;
  active_ = &v;
  old->InvalidateCells(old->CursorRect(), 1);
  if (host_) host_->ActiveViewChanged(v.Kind());
  if (focused && v.Host()) v.Host()->SetFocus();
}

void TXLGrid::SetCurCell(int col, int row) {
  if (!sheet_) return;
  TPoint local;
  TXLSection* s = sheet_->FindSection(col, row, local);
  if (!s) return;
  TXLView& v = View(s->Kind());
  if (&v != active_ && edit_->Attached()) edit_->Detach(true);
  SetActive(v);
  MoveCursor(v, local, false);
}

TXLSelection* TXLGrid::Selection() { return sheet_ ? &active_->Selection() : nullptr; }

void TXLGrid::SelectRange(int left, int top, int right, int bottom) {
  active_->Select(TRect(left, top, right, bottom));
}

void TXLGrid::FireSelChanged() {
  if (OnSelChanged) OnSelChanged(*this);
}

void TXLGrid::FireCurChanged() {
  if (OnCurChanged) OnCurChanged(*this);
}

void TXLGrid::SelectionChanged(TXLView& v) {
  if (&v == active_) FireSelChanged();
}

bool TXLGrid::Neighbour(const TXLView& v, const TPoint& from, TXLDirection dir, TPoint& to) const {
  if (v.Neighbour(from, dir, to)) return true;
  // With wrap keys Right and Left go on in the next or previous row.
  const TXLSection* s = v.Section();
  if (!s || !HasOption(oWrapKeys)) return false;
  const TRect cell = v.CellRectAt(from.X, from.Y);
  if (dir == dRight && cell.Bottom < s->RowCount()) {
    to = TPoint(0, cell.Bottom);
    return true;
  }
  if (dir == dLeft && cell.Top > 0) {
    to = TPoint(s->ColCount() - 1, cell.Top - 1);
    return true;
  }
  return false;
}

bool TXLGrid::MoveCursor(TXLView& v, TPoint p, bool extend, TXLDirection dir, bool show) {
  TXLSection* s = v.Section();
  if (!s || s->ColCount() <= 0 || s->RowCount() <= 0) return false;
  p.X = std::clamp(p.X, 0, s->ColCount() - 1);
  p.Y = std::clamp(p.Y, 0, s->RowCount() - 1);
  p = v.CellRectAt(p.X, p.Y).TopLeft();
  if (dir != dNone) lastDir_ = dir;
  const bool editing = edit_->Attached() && edit_->View() == &v;
  const bool leaving = extend ? editing && !HasOption(oPermEdit) : p != v.cursor_ && editing;
  if (leaving) edit_->Detach(true);  // raises when the value cannot be stored
  const TRect oldSel = v.sel_, oldCur = v.CursorRect();
  const TPoint oldCursor = v.cursor_;
  TRect shown;
  if (extend) {
    v.selEnd_ = p;
    v.sel_ = v.NormalizeSel(v.SpanTo(p));
    shown = v.CellRectAt(p.X, p.Y);
  } else {
    v.cursor_ = p;
    v.selEnd_ = p;
    v.sel_ = v.NormalizeSel(v.CursorRect());
    shown = v.CursorRect();
  }
  v.RepaintChange(oldSel, oldCur);
  if (show) ShowCells(v, shown);
  if (leaving && !extend && HasOption(oPermEdit) && CanEdit(*s, p.X, p.Y)) {
    if (TXLCell* cell = s->GetCell(p.X, p.Y)) edit_->Attach(v, *cell, 1);
  }
  if (&v == active_) {
    if (oldCursor != v.cursor_) FireCurChanged();
    if (oldSel != v.sel_) FireSelChanged();
  }
  return true;
}

bool TXLGrid::TryMove(TXLView& v, const TPoint& p, bool extend, TXLDirection dir, bool show) {
  try {
    return MoveCursor(v, p, extend, dir, show);
  } catch (const std::exception& e) {
    ReportError(e);
    return false;
  }
}

void TXLGrid::ReportError(const std::exception& e) {
  if (!host_) return;
  host_->ShowError(e.what());
  // The editor stays open with its text: the keys go on to it.
  if (edit_->Attached()) host_->FocusEditor();
}

// ---- editing ---------------------------------------------------------------------

int TXLGrid::EditMode() const { return edit_->Mode(); }

void TXLGrid::SetEditMode(int mode) {
  if (mode <= 0) {
    edit_->Detach(true);
    return;
  }
  if (edit_->Attached()) {
    edit_->SetMode(mode);
    return;
  }
  TXLSection* s = active_->Section();
  if (!s) return;
  const TPoint p = active_->Cursor();
  if (!CanEdit(*s, p.X, p.Y)) return;
  if (TXLCell* cell = s->GetCell(p.X, p.Y)) edit_->Attach(*active_, *cell, mode);
}

bool TXLGrid::CanEdit(const TXLSection& section, int col, int row) const {
  if (!sheet_ || sheet_->ReadOnly || HasOption(oReadOnly)) return false;
  if (!section.Contains(col, row)) return false;
  const TXLCell* cell = section.FindCell(col, row);
  TPoint at(col, row);
  if (const TXLUnion* u = section.UnionAt(col, row)) at = u->Rect.TopLeft();
  if (section.AttrAt(at.X, at.Y, xaStyles) & CellStyleBit(csReadOnly)) return false;
  const TXLCellClassRef cls = cell ? cell->GetCellClass() : section.BaseStyle().GetCellClass();
  return TXLManager::Instance().EditorCount(cls) > 0;
}

// ---- notifications from the sheet ---------------------------------------------------

void TXLGrid::SheetInvalidateRect(TXLSection& section, const TRect& r, bool lines) {
  View(section.Kind()).InvalidateCells(r, lines ? 2 : 1);
}

void TXLGrid::SheetCellChanged(TXLCell& cell, TXLProp prop) {
  if (edit_->Cell() != &cell) return;
  if (prop == prControl || prop == prLayout || prop == prFont) edit_->UpdateLook();
}

void TXLGrid::SheetCellFreed(TXLCell& cell) {
  if (edit_->Cell() == &cell) edit_->Drop();
}

void TXLGrid::SheetLayoutChanged(int axis) { Relayout(axis < 0 || axis > 1 ? -1 : axis); }

void TXLGrid::SheetSizeChanged(int axis, int index) {
  if (!sheet_ || axis < 0 || axis > 1) return;
  const bool title = index < 0;
  const int line = title ? -index - 1 : index;
  TXLSizeList& list = sizes_[axis][title ? 1 : 0];
  if (line >= list.Count()) return;
  list.Put(line, ToPixels(sheet_->SizeList(axis, title).Get(line)));
  if (title) AlignViews();
  for (auto& v : views_) {
    const TXLSizeList& mine = axis == 0 ? v->Cols() : v->Rows();
    if (&mine != &list) continue;
    v->InvalidateAll();
  }
  ClipViews();
  View(skClient).UpdateScrollBars();
  edit_->UpdatePlacement();
}

void TXLGrid::SheetBackgroundChanged() {
  for (auto& v : views_) v->InvalidateAll();
}

void TXLGrid::SheetPageRectChanged() {
  if (HasOption(oPrintLayout)) View(skClient).InvalidateAll();
}

void TXLGrid::SheetDestroying() {
  edit_->Drop();
  CancelTracking();
  sheet_ = nullptr;
  first_[0] = first_[1] = 0;
  for (auto& v : views_) v->SetState(TPoint(0, 0), TRect(0, 0, 1, 1), TPoint(0, 0));
  SetActive(View(skClient));
  Relayout(-1);
  if (!destroying_ && OnSheetChanged) OnSheetChanged(*this);
}

void TXLGrid::SheetRefresh() {
  for (auto& v : views_) v->InvalidateAll();
}

void TXLGrid::SheetRead() { Relayout(-1); }

}  // namespace qv
