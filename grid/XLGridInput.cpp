// The grid's keyboard and mouse: cursor moves, selections, in-cell editing,
// the wheel, and the tracking of drags (selecting, sizing lines).
#include <algorithm>
#include <cstdlib>

#include "grid/XLEditors.h"
#include "grid/XLGrid.h"

namespace qv {

namespace {

TXLDirection opposite(TXLDirection d) {
  switch (d) {
    case dRight:
      return dLeft;
    case dLeft:
      return dRight;
    case dDown:
      return dUp;
    case dUp:
      return dDown;
    default:
      return d;
  }
}

// The section cell under a view point, held to the section.
TPoint clampedCellAt(const TXLView& v, int x, int y) {
  const TXLSection* s = v.Section();
  if (!s) return {};
  const TPoint t = v.TopLeft();
  auto at = [](const TXLSizeList& list, std::int64_t pos, int count) {
    const std::int64_t total = list.PositionOf(count);
    pos = std::clamp<std::int64_t>(pos, 0, std::max<std::int64_t>(0, total - 1));
    return std::clamp(list.IndexAt(pos), 0, std::max(0, count - 1));
  };
  return TPoint(at(v.Cols(), x + v.Cols().PositionOf(t.X), s->ColCount()),
                at(v.Rows(), y + v.Rows().PositionOf(t.Y), s->RowCount()));
}

// Whether the cell at a section point is read-only for the user.
bool readOnlyAt(const TXLGrid& g, const TXLSection& s, int col, int row) {
  if (!g.Sheet() || g.Sheet()->ReadOnly || g.HasOption(oReadOnly)) return true;
  return (s.AttrAt(col, row, xaStyles) & CellStyleBit(csReadOnly)) != 0;
}

}  // namespace

// ---- keyboard ----------------------------------------------------------------

void TXLGrid::ViewKeyDown(TXLView& v, int& key, TShiftState s) {
  if (key == VK_ESCAPE) {
    if (trackState_ == tsPressed || trackState_ == tsDragging) {
      CancelTracking();
      key = 0;
    } else if (edit_->Attached()) {
      edit_->Detach(false);
      key = 0;
    }
    return;
  }
  TXLSection* sec = v.Section();
  if (!sec || sec->ColCount() <= 0 || sec->RowCount() <= 0) return;
  const TShiftState mods = s & (ssShift | ssCtrl | ssAlt);
  const bool extend = (s & ssShift) && HasOption(oRangeSelect);
  const int cols = sec->ColCount(), rows = sec->RowCount();
  const TPoint cur = v.cursor_;
  // Extends the selection to a new moving corner.
  auto extendTo = [&](TPoint p) { TryMove(v, p, true); };
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
      if (s & ssAlt) return;
      const TXLDirection dir = key == VK_LEFT    ? dLeft
                               : key == VK_RIGHT ? dRight
                               : key == VK_UP    ? dUp
                                                 : dDown;
      const int axis = dir == dLeft || dir == dRight ? 0 : 1;
      const int step = dir == dLeft || dir == dUp ? -1 : 1;
      if (extend) {
        TPoint to;
        if (v.Neighbour(v.selEnd_, dir, to)) extendTo(to);
      } else if (s & ssCtrl) {
        if (v.ScrollsAxis(axis)) ScrollBy(axis, step);
      } else {
        lastDir_ = dir;
        TPoint to;
        if (Neighbour(v, cur, dir, to)) TryMove(v, to, false, dir);
      }
      key = 0;
      break;
    }
    case VK_PRIOR:
    case VK_NEXT: {
      const int sign = key == VK_PRIOR ? -1 : 1;
      if (extend) {
        extendTo(TPoint(v.selEnd_.X, std::clamp(v.selEnd_.Y + 20 * sign, 0, rows - 1)));
      } else if (s & ssCtrl) {
        TryMove(v, TPoint(cur.X, sign < 0 ? 0 : rows - 1), false);
      } else {
        const TXLSizeList& list = v.Rows();
        const int page = std::max(1, v.ClientSize().cy);
        std::int64_t pos = std::max<std::int64_t>(0, list.PositionOf(cur.Y) + sign * page);
        const int row = std::clamp(list.IndexAt(pos), 0, rows - 1);
        if (v.ScrollsAxis(1)) {
          std::int64_t top = std::max<std::int64_t>(0, list.PositionOf(first_[1]) + sign * page);
          const int first = list.IndexAt(top);
          ScrollTo(first_[0], first);
        }
        TryMove(v, TPoint(cur.X, row), false);
      }
      key = 0;
      break;
    }
    case VK_HOME:
    case VK_END: {
      const bool home = key == VK_HOME;
      if (extend) {
        extendTo(TPoint(home ? 0 : cols - 1, (s & ssCtrl) ? (home ? 0 : rows - 1) : v.selEnd_.Y));
      } else {
        TryMove(v, TPoint(home ? 0 : cols - 1, (s & ssCtrl) ? (home ? 0 : rows - 1) : cur.Y),
                false);
      }
      key = 0;
      break;
    }
    case VK_DELETE:
      if (!mods && CanEdit(*sec, cur.X, cur.Y)) {
        DeleteSelection(v);
        key = 0;
      }
      break;
    case VK_F1 + 1:
      if (!mods) {
        if (&v != active_) SetActive(v);
        try {
          SetEditMode(2);
        } catch (const std::exception& e) {
          ReportError(e);
        }
        key = 0;
      }
      break;
    case VK_RETURN:
      if (!(s & (ssCtrl | ssAlt))) {
        EnterMove(v, s);
        key = 0;
      }
      break;
    case VK_APPS:
      ContextMenu(v, 0, 0, true);
      key = 0;
      break;
    case VK_F1 + 9:  // F10
      if (mods == ssShift) {
        ContextMenu(v, 0, 0, true);
        key = 0;
      }
      break;
    default:
      break;
  }
}

void TXLGrid::ContextMenu(TXLView& v, int x, int y, bool fromKeyboard) {
  if (!PopupMenu || !v.Host() || edit_->Attached()) return;
  if (fromKeyboard) {
    const TRect r = v.CellPixels(v.CursorRect());
    x = std::max(0, r.Left);
    y = std::max(0, r.Bottom);
  }
  PopupMenu->Popup(*v.Host(), v, x, y);
}

bool TXLView::Neighbour(const TPoint& from, TXLDirection dir, TPoint& to) const {
  const TXLSection* s = Section();
  if (!s) return false;
  const TRect cell = CellRectAt(from.X, from.Y);
  switch (dir) {
    case dRight:
      to = TPoint(cell.Right, from.Y);
      break;
    case dLeft:
      to = TPoint(cell.Left - 1, from.Y);
      break;
    case dDown:
      to = TPoint(from.X, cell.Bottom);
      break;
    case dUp:
      to = TPoint(from.X, cell.Top - 1);
      break;
    default:
      return false;
  }
  return s->Contains(to.X, to.Y);
}

void TXLGrid::EnterMove(TXLView& v, TShiftState s) {
  TXLDirection dir = enterDir_ == dAuto ? lastDir_ : enterDir_;
  if (s & ssShift) dir = opposite(dir);
  TPoint to;
  if (dir != dNone && Neighbour(v, v.cursor_, dir, to) && to != v.cursor_) {
    TryMove(v, to, false);
    return;
  }
  if (edit_->Attached() && !HasOption(oPermEdit)) {
    try {
      edit_->Detach(true);
    } catch (const std::exception& e) {
      ReportError(e);
    }
  }
}

void TXLGrid::ViewKeyPress(TXLView& v, char32_t& ch) {
  if (ch == 13 || ch == 27) {
    ch = 0;  // Enter and Esc are keys (ViewKeyDown)
    return;
  }
  if ((ch < 32 && ch != 8) || ch == 127) return;
  TXLSection* s = v.Section();
  if (!s || !s->Contains(v.cursor_.X, v.cursor_.Y)) return;
  const TPoint p = v.cursor_;
  if (TXLCell* cell = s->FindCell(p.X, p.Y)) {
    if (!readOnlyAt(*this, *s, p.X, p.Y)) {
      cell->KeyPress(ch);
      if (!ch) return;
    }
  }
  if (!CanEdit(*s, p.X, p.Y)) return;
  if (edit_->Attached()) {
    // The editor lost the focus to its view: the character goes on where
    // the caret is.
    if (host_) host_->FocusEditor();
    edit_->TypeChar(ch, false);
    ch = 0;
    return;
  }
  if (&v != active_) SetActive(v);
  SetEditMode(1);
  if (!edit_->Attached()) return;
  edit_->TypeChar(ch);
  ch = 0;
}

void TXLGrid::DeleteSelection(TXLView& v) {
  TXLSection* s = v.Section();
  if (!s) return;
  const TRect r = v.sel_;
  bool protectedCells = false;
  std::vector<TPoint> clear;
  s->ForEachCellIn(r, [&](TXLCell* c) {
    const int col = c->Col(), row = c->RowIndex();
    if (s->AttrAt(col, row, xaStyles) & CellStyleBit(csReadOnly))
      protectedCells = true;
    else
      clear.emplace_back(col, row);
  });
  if (!protectedCells) {
    v.selection_.Clear();
    return;
  }
  // Read-only cells keep their values; the others are cleared one by one.
  {
    TXLUpdateScope scope(*sheet_);
    for (const TPoint& p : clear) s->ClearRect(TRect(p.X, p.Y, p.X + 1, p.Y + 1));
  }
  v.InvalidateCells(r, 2);
  SelectionChanged(v);
}

// ---- mouse -------------------------------------------------------------------

void TXLGrid::ViewMouseDown(TXLView& v, TMouseButton b, TShiftState s, int x, int y) {
  const TRect& at = bounds_[v.Kind()];
  if (OnMouseDown) OnMouseDown(*this, b, s, x + at.Left, y + at.Top);
  if (b != mbLeft || trackState_ != tsIdle) return;
  ignoreUp_ = false;
  if (!sheet_) return;
  const TXLHit hit = v.HitTest(x, y);
  if (hit.Kind == TXLHit::hEditor) return;
  tracking_ = tkNone;
  if (!sheet_->ReadOnly) {
    switch (hit.Kind) {
      case TXLHit::hCell:
        if (HasOption(oRangeSelect) || v.Kind() == skClient) tracking_ = tkSelect;
        break;
      case TXLHit::hColBorder:
        tracking_ = tkColSizing;
        sizeLine_ = hit.Col;
        break;
      case TXLHit::hRowBorder:
        tracking_ = tkRowSizing;
        sizeLine_ = hit.Row;
        break;
      default:
        break;
    }
  }
  trackView_ = &v;
  trackPos_ = TPoint(x, y);
  trackShift_ = s;
  trackMoved_ = false;
  trackState_ = tsPressed;
  if (v.Host()) v.Host()->SetCapture();
  Track(tsPressed, s, x, y);
}

void TXLGrid::ViewMouseMove(TXLView& v, TShiftState s, int x, int y) {
  const TRect& at = bounds_[v.Kind()];
  if (OnMouseMove) OnMouseMove(*this, s, x + at.Left, y + at.Top);
  if ((trackState_ == tsPressed || trackState_ == tsDragging) && &v == trackView_) {
    trackPos_ = TPoint(x, y);
    trackShift_ = s;
    trackState_ = tsDragging;
    trackMoved_ = true;
    Track(tsDragging, s, x, y);
    if (tracking_ == tkSelect && trackState_ == tsDragging && !timerOn_ && host_) {
      host_->SetTimer(kXLAutoScrollTimer, kXLAutoScrollInterval);
      timerOn_ = true;
    }
    return;
  }
  if (trackState_ != tsIdle) return;
  UpdateHint(v, x, y);
  if (v.Host() && sheet_ && !sheet_->ReadOnly) {
    const TXLHit hit = v.HitTest(x, y);
    v.Host()->SetCursor(hit.Kind == TXLHit::hColBorder   ? crHSplit
                        : hit.Kind == TXLHit::hRowBorder ? crVSplit
                                                         : crDefault);
  }
}

void TXLGrid::ViewMouseUp(TXLView& v, TMouseButton b, TShiftState s, int x, int y) {
  const TRect& at = bounds_[v.Kind()];
  if (OnMouseUp) OnMouseUp(*this, b, s, x + at.Left, y + at.Top);
  if (b == mbRight && trackState_ == tsIdle) ContextMenu(v, x, y, false);
  if (b != mbLeft) return;
  if (ignoreUp_) {
    ignoreUp_ = false;
    return;
  }
  if (trackState_ != tsPressed && trackState_ != tsDragging) return;
  trackPos_ = TPoint(x, y);
  trackState_ = trackMoved_ ? tsReleased : tsCancelled;
  Track(trackState_, s, x, y);
  EndTracking();
}

bool TXLGrid::ViewMouseWheel(TXLView& v, TShiftState s, int delta) {
  if (!sheet_) return false;
  if ((trackState_ == tsPressed || trackState_ == tsDragging) &&
      (tracking_ == tkColSizing || tracking_ == tkRowSizing))
    return true;
  // Wheels that report fractions of a notch add up to one.
  v.wheelRest_ += delta;
  if (std::abs(v.wheelRest_) < 120) return true;
  delta = v.wheelRest_;
  v.wheelRest_ = 0;
  if ((s & (ssShift | ssCtrl | ssAlt)) == ssCtrl) {
    int scale = scale_;
    if (delta > 0) {
      // Forward never zooms out, also from a scale set above the wheel's range.
      if (scale >= kXLWheelMaxScale) return true;
      scale += scale < 100 ? 15 : 25;
    } else {
      scale -= scale <= 100 ? 15 : 25;
    }
    SetScale(std::clamp(scale, kXLMinScale, kXLWheelMaxScale));
    return true;
  }
  // A sheet's default row height is at least 1; a zero is read as 1.
  const int rowHeight = std::max(1, sheet_->RowDefHeight());
  const int n = (delta / 2) / rowHeight;
  const int lines = std::abs(n) + 1;
  ScrollBy(1, delta > 0 ? -lines : lines);
  return true;
}

void TXLGrid::Timer(int id) {
  if (id != kXLAutoScrollTimer) return;
  if (trackState_ != tsDragging || tracking_ != tkSelect || !trackView_) {
    if (host_ && timerOn_) host_->KillTimer(kXLAutoScrollTimer);
    timerOn_ = false;
    return;
  }
  TXLView& v = *trackView_;
  const TSize cs = v.ClientSize();
  int dc = 0, dr = 0;
  if (v.ScrollsAxis(0)) dc = trackPos_.X < 0 ? -1 : trackPos_.X >= cs.cx ? 1 : 0;
  if (v.ScrollsAxis(1)) dr = trackPos_.Y < 0 ? -1 : trackPos_.Y >= cs.cy ? 1 : 0;
  if (dc || dr) {
    ScrollTo(first_[0] + dc, first_[1] + dr);
    for (auto& view : views_)
      if (view->Host()) view->Host()->Update();
  }
  Track(tsDragging, trackShift_, trackPos_.X, trackPos_.Y);
}

// ---- tracking ------------------------------------------------------------------

void TXLGrid::Track(TXLTrackState state, TShiftState s, int x, int y) {
  switch (tracking_) {
    case tkSelect:
      TrackSelect(state, s, x, y);
      break;
    case tkColSizing:
    case tkRowSizing:
      TrackSize(state, s, x, y);
      break;
    default:
      break;
  }
}

void TXLGrid::TrackSelect(TXLTrackState state, TShiftState s, int x, int y) {
  TXLView& v = *trackView_;
  TXLSection* sec = v.Section();
  if (!sec) return;
  switch (state) {
    case tsPressed: {
      const TXLHit hit = v.HitTest(x, y);
      const TPoint p(hit.Col, hit.Row);
      if (&v != active_) {
        if (edit_->Attached()) {
          try {
            edit_->Detach(true);
          } catch (const std::exception& e) {
            ReportError(e);
            EndTracking();
            ignoreUp_ = true;
            return;
          }
        }
        SetActive(v);
      }
      if (v.Host() && !v.Host()->Focused() && !(edit_->Attached() && host_->EditorFocused()))
        v.Host()->SetFocus();
      const bool ok =
          (s & ssShift) && HasOption(oRangeSelect) ? TryMove(v, p, true) : TryMove(v, p, false);
      if (!ok) {
        EndTracking();
        ignoreUp_ = true;
        return;
      }
      if ((s & ssDouble) && v.Kind() == skClient) {
        const TPoint c = v.cursor_;
        if (CanEdit(*sec, c.X, c.Y)) {
          try {
            SetEditMode(sec->FindCell(c.X, c.Y) ? 2 : 1);
          } catch (const std::exception& e) {
            ReportError(e);
          }
        }
        CellClick(v, c, true);
      }
      break;
    }
    case tsDragging: {
      // The selection follows the pointer within the view; beyond it the
      // auto-scroll brings the next lines in.
      const TSize cs = v.ClientSize();
      const int cx = std::clamp(x, 0, std::max(0, cs.cx - 1));
      const int cy = std::clamp(y, 0, std::max(0, cs.cy - 1));
      const TPoint p = clampedCellAt(v, cx, cy);
      if (HasOption(oRangeSelect)) {
        if (p != v.selEnd_) TryMove(v, p, true, dNone, false);
      } else {
        const TXLHit hit = v.HitTest(x, y);
        if (hit.Kind == TXLHit::hCell && TPoint(hit.Col, hit.Row) != v.cursor_)
          TryMove(v, TPoint(hit.Col, hit.Row), false, dNone, false);
      }
      break;
    }
    case tsReleased:
    case tsCancelled: {
      if (trackCancelled_) break;
      const TXLHit hit = v.HitTest(x, y);
      if (hit.Kind == TXLHit::hCell) CellClick(v, TPoint(hit.Col, hit.Row), false);
      // After a drag the cell the selection reached is shown whole.
      if (state == tsReleased) ShowCells(v, v.CellRectAt(v.selEnd_.X, v.selEnd_.Y));
      break;
    }
    default:
      break;
  }
}

void TXLGrid::TrackSize(TXLTrackState state, TShiftState s, int x, int y) {
  TXLView& v = *trackView_;
  const int axis = tracking_ == tkColSizing ? 0 : 1;
  const TXLSizeList& list = axis == 0 ? v.Cols() : v.Rows();
  const int index = SizeIndex(v, axis, sizeLine_);
  switch (state) {
    case tsPressed:
      sizeStart_ = list.PositionOf(sizeLine_);
      sizeFrom_ = sizeNow_ = list.Get(sizeLine_);
      sizeSheet_ = sizeSheetFrom_ = sheet_->GetSize(index, axis);
      if (v.Host()) v.Host()->SetCursor(axis == 0 ? crHSplit : crVSplit);
      if (s & ssDouble) {
        // A double click on a border sizes nothing and reports the line.
        const int line = SheetLine(v, axis, sizeLine_);
        EndTracking();
        ignoreUp_ = true;
        if (axis == 0 && OnColDblClick) OnColDblClick(*this, TPoint(line, 0));
        if (axis == 1 && OnRowDblClick) OnRowDblClick(*this, TPoint(0, line));
        return;
      }
      SetScaledSize(v, axis, sizeLine_, sizeNow_);
      break;
    case tsDragging: {
      const int pos = axis == 0 ? x : y;
      const TSize cs = v.ClientSize();
      const int viewExtent = axis == 0 ? cs.cx : cs.cy;
      int sheetSize = sizeSheetFrom_;
      int pixels = sizeFrom_;
      if (pos >= 0 && pos < viewExtent) {
        const TPoint t = v.TopLeft();
        const std::int64_t offset = list.PositionOf(axis == 0 ? t.X : t.Y);
        const std::int64_t px = pos + offset - sizeStart_;
        const std::int64_t units = std::clamp<std::int64_t>(px * 100 / scale_, 5, INT32_MAX / 8);
        sheetSize = SizingRule(axis, index, static_cast<int>(units));
        pixels = ToPixels(sheetSize);
      }
      if (pixels == sizeNow_) {
        sizeSheet_ = sheetSize;
        break;
      }
      sizeNow_ = pixels;
      sizeSheet_ = sheetSize;
      SetScaledSize(v, axis, sizeLine_, pixels);
      break;
    }
    case tsReleased: {
      TXLView* view = &v;
      const int size = sizeSheet_;
      const int line = sizeLine_;
      sheet_->SetSize(index, axis, size);
      // The scaled size follows the sheet, also when the sheet kept its size.
      SetScaledSize(*view, axis, line, ToPixels(sheet_->GetSize(index, axis)));
      const TRect sel = view->sel_;
      if ((s & ssAlt) && !sel.IsEmpty()) {
        TXLUpdateScope scope(*sheet_);
        const int from = axis == 0 ? sel.Left : sel.Top;
        const int to = axis == 0 ? sel.Right : sel.Bottom;
        for (int l = from; l < to; ++l) sheet_->SetSize(SizeIndex(*view, axis, l), axis, size);
      }
      break;
    }
    case tsCancelled:
      SetScaledSize(v, axis, sizeLine_, sizeFrom_);
      break;
    default:
      break;
  }
}

void TXLGrid::EndTracking() {
  if (host_ && timerOn_) host_->KillTimer(kXLAutoScrollTimer);
  timerOn_ = false;
  TXLView* v = trackView_;
  const bool sizing = tracking_ == tkColSizing || tracking_ == tkRowSizing;
  trackState_ = tsIdle;
  tracking_ = tkNone;
  trackView_ = nullptr;
  trackCancelled_ = false;
  if (v && v->Host()) {
    v->Host()->ReleaseCapture();
    if (sizing) v->Host()->SetCursor(crDefault);
  }
  if (sizing)
    for (auto& view : views_) view->InvalidateAll();
}

void TXLGrid::CancelTracking() {
  if (trackState_ != tsPressed && trackState_ != tsDragging) return;
  trackState_ = tsCancelled;
  trackCancelled_ = true;
  Track(tsCancelled, trackShift_, trackPos_.X, trackPos_.Y);
  EndTracking();
  ignoreUp_ = true;
}

// ---- cell notifications and hints ------------------------------------------------

void TXLGrid::CellClick(TXLView& v, const TPoint& p, bool dbl) {
  TXLSection* s = v.Section();
  if (!s || !sheet_) return;
  const TPoint sp = s->ToSheetPoint(p);
  if (TXLCell* cell = s->FindCell(p.X, p.Y)) {
    if (!dbl)
      cell->Click();
    else if (!readOnlyAt(*this, *s, p.X, p.Y))
      cell->DblClick();
  }
  TXLSheet& sheet = *sheet_;
  if (dbl) {
    if (sheet.OnCellDblClick) sheet.OnCellDblClick(sheet, sp);
    if (OnCellDblClick) OnCellDblClick(*this, sp);
  } else {
    if (sheet.OnCellClick) sheet.OnCellClick(sheet, sp);
    if (OnCellClick) OnCellClick(*this, sp);
  }
}

void TXLGrid::UpdateHint(TXLView& v, int x, int y) {
  std::string text;
  TXLSection* s = v.Section();
  if (s && showHint_) {
    const TXLHit hit = v.HitTest(x, y);
    if (hit.Kind == TXLHit::hCell) {
      const TXLCell* cell = s->FindCell(hit.Col, hit.Row);
      const bool own = cell && HasProp(cell->Props(), prHint);
      if (!own && (s->AttrAt(hit.Col, hit.Row, xaStyles) & CellStyleBit(csExtHint)) &&
          sheet_->OnGetCellHint) {
        sheet_->OnGetCellHint(*sheet_, TPoint(hit.Col, hit.Row), text);
      } else if (cell) {
        text = cell->Hint();
      }
    }
  }
  if (text == v.hint_) return;
  v.hint_ = text;
  if (host_) host_->HintChanged(v.Kind(), text);
}

// ---- sizing ----------------------------------------------------------------------

int TXLGrid::SizeIndex(const TXLView& v, int axis, int line) const {
  const bool title = axis == 0 ? (v.Kind() == skRowTitles || v.Kind() == skCorner)
                               : (v.Kind() == skColTitles || v.Kind() == skCorner);
  return title ? -line - 1 : line;
}

int TXLGrid::SheetLine(const TXLView& v, int axis, int line) const {
  const bool title = axis == 0 ? (v.Kind() == skRowTitles || v.Kind() == skCorner)
                               : (v.Kind() == skColTitles || v.Kind() == skCorner);
  if (!title || !sheet_) return line;
  return line - (axis == 0 ? sheet_->TitleCols() : sheet_->TitleRows());
}

int TXLGrid::SizingRule(int axis, int index, int size) const {
  return sheet_ ? sheet_->SizingRule(axis, index, size) : size;
}

void TXLGrid::SetScaledSize(const TXLView& v, int axis, int line, int pixels) {
  const bool title = axis == 0 ? (v.Kind() == skRowTitles || v.Kind() == skCorner)
                               : (v.Kind() == skColTitles || v.Kind() == skCorner);
  TXLSizeList& list = sizes_[axis][title ? 1 : 0];
  if (line < 0 || line >= list.Count()) return;
  list.Put(line, pixels);
  if (title) AlignViews();
  for (auto& view : views_) {
    const TXLSizeList& mine = axis == 0 ? view->Cols() : view->Rows();
    if (&mine == &list) view->InvalidateAll();
  }
  View(skClient).UpdateScrollBars();
  edit_->UpdatePlacement();
}

}  // namespace qv
