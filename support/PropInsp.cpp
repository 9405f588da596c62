#include "support/PropInsp.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include "platform/core/RecordingCanvas.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "support/PropEdits.h"

namespace qv {

namespace {

constexpr int kListButtonWidth = 16;  // a vertical scroll bar's width

// Each of red, green and blue less 16 (at least 0).
TColor Darker(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return RGB(std::max(0, GetRValue(rgb) - 16), std::max(0, GetGValue(rgb) - 16),
             std::max(0, GetBValue(rgb) - 16));
}

std::int64_t SteadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> names;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = path.find('\\', from);
    names.push_back(path.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (at == std::string::npos) break;
    from = at + 1;
  }
  return names;
}

}  // namespace

// ---------------------------------------------------------------------------
// TPropFormDesigner

std::string TPropFormDesigner::GetMethodName(TObjectRef object, const std::string& method) {
  return GetObjectName(object) + "." + method;
}

std::string TPropFormDesigner::GetObjectName(TObjectRef component) {
  if (!component || !component.Class) return {};
  const TPropInfo* p = component.Class->FindProperty("Name");
  if (!p || !p->PropType().IsString()) return {};
  return p->GetValue(component).AsString();
}

void TPropFormDesigner::Modified() { inspector_.MarkModified(); }

// ---------------------------------------------------------------------------
// TPropPopupList

void TPropPopupList::Fill(TPropertyEditor& editor, const std::string& current, int minWidth,
                          int maxWidth) {
  editor_ = &editor;
  items_.clear();
  editor.GetValues([&](const std::string& s) { items_.push_back(s); });
  itemIndex_ = -1;
  for (std::size_t i = 0; i < items_.size() && itemIndex_ < 0; ++i)
    if (items_[i] == current) itemIndex_ = int(i);
  for (std::size_t i = 0; i < items_.size() && itemIndex_ < 0; ++i)
    if (SameText(items_[i], current)) itemIndex_ = int(i);
  TFontService& fonts = host_ ? host_->Fonts() : FontService();
  TRecordingCanvas measure(Rect(0, 0, 1, 1), &fonts);
  measure.Font.Assign(edit_.Inspector().Font());
  itemHeight_ = measure.TextHeight("Wg") + 2;
  int height = itemHeight_;
  for (const std::string& s : items_) {
    int h = itemHeight_;
    editor.ListMeasureHeight(s, measure, h);
    height = std::max(height, h);
  }
  itemHeight_ = height;
  rows_ = std::clamp(int(items_.size()), 1, MaxRows);
  int width = minWidth;
  for (const std::string& s : items_) {
    const int tw = measure.TextWidth(s);
    int w = tw;
    editor.ListMeasureWidth(s, measure, w);
    width = std::max(width, w == tw ? tw + 4 : w);
  }
  width_ = std::min(width, maxWidth);
  topIndex_ = 0;
  if (itemIndex_ >= rows_) topIndex_ = itemIndex_ - rows_ + 1;
  search_.clear();
  UpdateScroll();
}

void TPropPopupList::UpdateScroll() {
  if (!host_) return;
  TScrollInfo si;
  si.Min = 0;
  si.Max = std::max(0, int(items_.size()) - 1);
  si.Page = rows_;
  si.Pos = topIndex_;
  si.Visible = int(items_.size()) > rows_;
  host_->SetScrollInfo(sbVertical, si);
}

void TPropPopupList::SetItemIndex(int i) {
  if (items_.empty()) return;
  i = std::clamp(i, 0, int(items_.size()) - 1);
  itemIndex_ = i;
  if (i < topIndex_) topIndex_ = i;
  if (i >= topIndex_ + rows_) topIndex_ = i - rows_ + 1;
  UpdateScroll();
  if (host_) host_->Invalidate();
}

int TPropPopupList::ItemAt(int y) const {
  if (itemHeight_ <= 0) return -1;
  const int i = (y - 1) / itemHeight_ + topIndex_;
  return y >= 1 && i >= 0 && i < int(items_.size()) ? i : -1;
}

void TPropPopupList::Paint(TCanvas& c, const TRect&) {
  const TRect client = host_ ? host_->ClientRect() : Rect(0, 0, width_, rows_ * itemHeight_ + 2);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(clWindow);
  c.FillRect(client);
  c.Font.Assign(edit_.Inspector().Font());
  for (int i = topIndex_; i < int(items_.size()) && i < topIndex_ + rows_; ++i) {
    const int y = 1 + (i - topIndex_) * itemHeight_;
    const TRect r = Rect(1, y, client.Right - 1, y + itemHeight_);
    const bool selected = i == itemIndex_;
    c.Brush.SetColor(selected ? clHighlight : clWindow);
    c.FillRect(r);
    c.SetBkMode(TRANSPARENT);
    c.SetTextColor(selected ? clHighlightText : clWindowText);
    c.Font.SetColor(selected ? clHighlightText : clWindowText);
    if (editor_) editor_->ListDrawValue(items_[std::size_t(i)], c, r, selected);
  }
  c.Brush.SetColor(clWindowFrame);
  c.FrameRect(client);
}

void TPropPopupList::MouseDown(TMouseButton b, TShiftState, int, int y) {
  if (b != mbLeft) return;
  tracking_ = true;
  const int i = ItemAt(y);
  if (i >= 0) SetItemIndex(i);
}

void TPropPopupList::MouseMove(TShiftState s, int, int y) {
  if (!tracking_ || !(s & ssLeft)) return;
  const int i = ItemAt(y);
  if (i >= 0) SetItemIndex(i);
}

void TPropPopupList::MouseUp(TMouseButton b, TShiftState, int x, int y) {
  if (b != mbLeft) return;
  tracking_ = false;
  const bool inside = x >= 0 && x < width_;
  const int i = inside ? ItemAt(y) : -1;
  if (i >= 0) {
    SetItemIndex(i);
    edit_.CloseUp(true);
  }
}

bool TPropPopupList::MouseWheel(TShiftState, int delta, int, int) {
  const int maxTop = std::max(0, int(items_.size()) - rows_);
  topIndex_ = std::clamp(topIndex_ - delta / 40, 0, maxTop);
  UpdateScroll();
  if (host_) host_->Invalidate();
  return true;
}

void TPropPopupList::Scroll(TScrollBarKind, TScrollCode code, int pos) {
  const int maxTop = std::max(0, int(items_.size()) - rows_);
  switch (code) {
    case scLineUp:
      --topIndex_;
      break;
    case scLineDown:
      ++topIndex_;
      break;
    case scPageUp:
      topIndex_ -= rows_;
      break;
    case scPageDown:
      topIndex_ += rows_;
      break;
    case scTrack:
    case scPosition:
      topIndex_ = pos;
      break;
    case scTop:
      topIndex_ = 0;
      break;
    case scBottom:
      topIndex_ = maxTop;
      break;
    default:
      return;
  }
  topIndex_ = std::clamp(topIndex_, 0, maxTop);
  UpdateScroll();
  if (host_) host_->Invalidate();
}

void TPropPopupList::KeyDown(int& key, TShiftState) {
  const int n = int(items_.size());
  switch (key) {
    case VK_UP:
      SetItemIndex(itemIndex_ < 0 ? 0 : itemIndex_ - 1);
      break;
    case VK_DOWN:
      SetItemIndex(itemIndex_ + 1);
      break;
    case VK_PRIOR:
      SetItemIndex(itemIndex_ - (rows_ - 1));
      break;
    case VK_NEXT:
      SetItemIndex(itemIndex_ + (rows_ - 1));
      break;
    case VK_HOME:
      SetItemIndex(0);
      break;
    case VK_END:
      SetItemIndex(n - 1);
      break;
    case VK_RETURN:
      key = 0;
      edit_.CloseUp(true);
      return;
    case VK_ESCAPE:
      key = 0;
      search_.clear();
      edit_.CloseUp(false);
      return;
    case VK_BACK:
      search_.clear();
      break;
    default:
      return;
  }
  key = 0;
}

void TPropPopupList::KeyPress(char32_t& ch) {
  if (ch < 32 || ch > 255) return;
  const std::int64_t now = edit_.Inspector().Clock ? edit_.Inspector().Clock() : SteadyMs();
  if (now - lastKey_ > SearchResetMs) search_.clear();
  lastKey_ = now;
  if (search_.size() < std::size_t(MaxSearch)) search_ += Utf32ToUtf8(std::u32string(1, ch));
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (StartsText(search_, items_[i])) {
      SetItemIndex(int(i));
      break;
    }
  ch = 0;
}

// ---------------------------------------------------------------------------
// TPropListButton

int TPropListButton::Kind() const { return edit_.ButtonKind(); }

void TPropListButton::Paint(TCanvas& c, const TRect&) {
  if (!host_) return;
  TRect r = host_->ClientRect();
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(clBtnFace);
  c.FillRect(r);
  const bool down = pressed_ || (Kind() == 2 && edit_.DroppedDown());
  if (down) {
    c.Brush.SetColor(clBtnShadow);
    c.FrameRect(r);
  } else {
    TRect e = r;
    c.DrawEdge(e, EDGE_RAISED, BF_RECT);
  }
  const int shift = down ? 1 : 0;
  c.Pen.SetStyle(psSolid);
  c.Pen.SetColor(clBtnText);
  c.Brush.SetColor(clBtnText);
  if (Kind() == 2) {
    const int cx = r.Width() / 2 + shift, cy = r.Height() / 2 + shift;
    const TPoint tri[3] = {{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}};
    c.Polygon(tri);
  } else if (Kind() == 1) {
    const int d = std::max(1, r.Width() / 8);
    const int x0 = (r.Width() - 5 * d) / 2 + shift, y0 = (r.Height() - d) / 2 + shift;
    c.Brush.SetColor(clBlack);
    for (int i = 0; i < 3; ++i) c.FillRect(Bounds(x0 + i * 2 * d, y0, d, d));
  }
}

void TPropListButton::MouseDown(TMouseButton b, TShiftState, int, int) {
  if (b != mbLeft) return;
  if (Kind() == 2) {
    if (edit_.DroppedDown())
      edit_.CloseUp(false);
    else
      edit_.DropDown();
    if (host_) host_->Invalidate();
    return;
  }
  if (Kind() != 1) return;
  pressed_ = tracking_ = true;
  if (host_) {
    host_->SetCapture();
    host_->Invalidate();
  }
}

void TPropListButton::MouseMove(TShiftState, int x, int y) {
  if (!tracking_ || !host_) return;
  const bool inside = host_->ClientRect().Contains(x, y);
  if (inside != pressed_) {
    pressed_ = inside;
    host_->Invalidate();
  }
}

void TPropListButton::MouseUp(TMouseButton b, TShiftState, int x, int y) {
  if (b != mbLeft || !tracking_) return;
  tracking_ = false;
  const bool run = pressed_ && host_ && host_->ClientRect().Contains(x, y);
  pressed_ = false;
  if (host_) {
    host_->ReleaseCapture();
    host_->Invalidate();
  }
  if (run && Kind() == 1) edit_.DblClick();
}

void TPropListButton::KeyDown(int& key, TShiftState s) {
  if (edit_.DroppedDown()) edit_.List().KeyDown(key, s);
}

// ---------------------------------------------------------------------------
// TPropInplaceEdit

TPropInplaceEdit::TPropInplaceEdit(TPropInspector& inspector)
    : inspector_(inspector), button_(*this), list_(*this) {}

void TPropInplaceEdit::Changed() {
  if (host_) host_->EditStateChanged();
}

void TPropInplaceEdit::SetText(const std::string& t) {
  std::string s = t;
  if (maxLength_ > 0 && int(Utf8ToUtf32(s).size()) > maxLength_)
    s = Utf32ToUtf8(Utf8ToUtf32(s).substr(0, std::size_t(maxLength_)));
  text_ = s;
  selStart_ = int(text_.size());
  selLength_ = 0;
  Changed();
}

void TPropInplaceEdit::SetSel(int start, int length) {
  selStart_ = std::clamp(start, 0, int(text_.size()));
  selLength_ = std::clamp(length, 0, int(text_.size()) - selStart_);
  Changed();
}

void TPropInplaceEdit::SelectAll() { SetSel(0, int(text_.size())); }

void TPropInplaceEdit::Configure(int maxLength, bool readOnly, bool autoUpdate) {
  maxLength_ = maxLength;
  readOnly_ = readOnly;
  autoUpdate_ = autoUpdate;
  Changed();
}

void TPropInplaceEdit::Move(const TRect& cell, int buttonKind, int buttonWidth) {
  if (droppedDown_) CloseUp(false);
  buttonKind_ = buttonKind;
  visible_ = !cell.IsEmpty();
  if (buttonKind != 0) {
    bounds_ = Rect(cell.Left, cell.Top, cell.Right - buttonWidth, cell.Bottom);
    buttonBounds_ = Rect(cell.Right - buttonWidth, cell.Top, cell.Right, cell.Bottom);
  } else {
    bounds_ = cell;
    buttonBounds_ = TRect();
  }
  Changed();
  if (visible_ && host_ && inspector_.Host() && inspector_.Host()->Focused()) host_->FocusEdit();
}

void TPropInplaceEdit::Hide() {
  if (droppedDown_) CloseUp(false);
  visible_ = false;
  bounds_ = buttonBounds_ = TRect();
  buttonKind_ = 0;
  Changed();
}

void TPropInplaceEdit::KeyDown(int& key, TShiftState s) {
  if (droppedDown_) {
    list_.KeyDown(key, s);
    return;
  }
  lastKeyDeleted_ = key == VK_DELETE || key == VK_BACK;
  if (key == VK_DOWN && (s & ssAlt)) {
    if (buttonKind_ == 2) DropDown();
    key = 0;
    return;
  }
  if (key == VK_RETURN && (s & ssCtrl)) {
    key = 0;
    DblClick();
    return;
  }
  if (key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT) {
    inspector_.KeyDown(key, s);
    key = 0;
  }
}

void TPropInplaceEdit::KeyPress(char32_t& ch) {
  if (droppedDown_) {
    list_.KeyPress(ch);
    return;
  }
  if (ch == 13) {
    ch = 0;
    if (modified_)
      inspector_.ApplyPendingEdit(true);
    else
      SelectAll();
    return;
  }
  if (ch == 27) {
    ch = 0;
    const int row = inspector_.CurrentRow();
    if (row < 0) return;
    TPropertyEditor& ed = *inspector_.rows_[std::size_t(row)].Editor;
    if (ed.GetAttributes().Contains(paRevertable)) {
      SetText(DisplayValue(ed.GetValue()));
      SelectAll();
      modified_ = false;
    }
    return;
  }
  // Typing over a selection deletes it.
  if (ch >= 32) lastKeyDeleted_ = selLength_ > 0;
}

void TPropInplaceEdit::UserChanged(const std::string& text, int selStart, int selLength) {
  text_ = text;
  selStart_ = std::clamp(selStart, 0, int(text_.size()));
  selLength_ = std::clamp(selLength, 0, int(text_.size()) - selStart_);
  modified_ = true;
  const int row = inspector_.CurrentRow();
  if (row < 0) return;
  TPropertyEditor& ed = *inspector_.rows_[std::size_t(row)].Editor;
  if (buttonKind_ == 2 && !lastKeyDeleted_ && !text.empty()) {
    std::string match;
    bool found = false;
    ed.GetValues([&](const std::string& v) {
      if (!found && v.size() >= text.size() && SameText(v.substr(0, text.size()), text)) {
        match = v;
        found = true;
      }
    });
    if (found) {
      const int typed = int(text.size());
      text_ = match;
      selStart_ = typed;
      selLength_ = int(match.size()) - typed;
      Changed();
    }
  }
  if (autoUpdate_) inspector_.ApplyPendingEdit(false);
}

void TPropInplaceEdit::MouseDown() {
  const std::int64_t now = inspector_.Now();
  const int dbl = host_ ? host_->DoubleClickTimeMs() : 500;
  if (now - rowPressTime_ < dbl) DblClick();
}

void TPropInplaceEdit::DblClick() {
  const int row = inspector_.CurrentRow();
  if (row < 0) return;
  TPropertyEditor& ed = *inspector_.rows_[std::size_t(row)].Editor;
  const TPropertyAttributes attrs = ed.GetAttributes();
  if (!attrs.Contains(paDialog) && !attrs.Contains(paValueList)) return;
  inspector_.ApplyValue(ed, text_, true);
  inspector_.RefreshEditor(false);
  inspector_.Invalidate();
}

void TPropInplaceEdit::FocusIn() { Changed(); }

void TPropInplaceEdit::FocusOut(bool toOwnParts) {
  if (toOwnParts || droppedDown_) return;
  if (modified_) inspector_.ApplyPendingEdit(true);
}

void TPropInplaceEdit::DropDown() {
  if (buttonKind_ != 2 || droppedDown_ || !host_) return;
  const int row = inspector_.CurrentRow();
  if (row < 0) return;
  TPropertyEditor& ed = *inspector_.rows_[std::size_t(row)].Editor;
  list_.Fill(ed, text_, bounds_.Width() + buttonBounds_.Width() + 1, inspector_.ClientWidth());
  const TSize size = list_.ListSize();
  const TPoint bottomRight = host_->ClientToScreen({buttonBounds_.Right, bounds_.Bottom});
  const TPoint top = host_->ClientToScreen({bounds_.Left, bounds_.Top});
  const TRect screen = host_->ScreenWorkArea();
  int y = bottomRight.Y;
  if (y + size.cy > screen.Bottom) y = top.Y - size.cy;
  droppedDown_ = true;
  host_->ShowList(qv::Bounds(bottomRight.X - size.cx, y, size.cx, size.cy));
  Changed();
}

void TPropInplaceEdit::CloseUp(bool accept) {
  if (!droppedDown_) return;
  droppedDown_ = false;
  if (host_) host_->HideList();
  if (accept && list_.ItemIndex() >= 0) {
    const std::string value = list_.Items()[std::size_t(list_.ItemIndex())];
    char32_t esc = 27;
    KeyPress(esc);  // back to the property's text
    SetText(value);
    modified_ = true;
    char32_t enter = 13;
    KeyPress(enter);  // and applied
  }
  if (host_) host_->FocusEdit();
  Changed();
}

// ---------------------------------------------------------------------------
// TPropInspector

TPropInspector::TPropInspector() : edit_(*this), designer_(*this) {
  RegisterPropEdits();
  font_.SetColor(clWindowText);
  UpdateRowHeight();
}

TPropInspector::~TPropInspector() {
  destroying_ = true;
  edit_.SetHost(nullptr);
  object_ = {};
  rows_.clear();
}

void TPropInspector::SetHost(TControlHost* host) {
  TControlCore::SetHost(host);
  if (!host) return;
  UpdateRowHeight();
  UpdateScrollBar();
  MoveEditor();
}

std::int64_t TPropInspector::Now() const { return Clock ? Clock() : SteadyMs(); }

int TPropInspector::ClientWidth() const {
  return host_ ? host_->ClientRect().Width() : DefaultWidth;
}

int TPropInspector::ClientHeight() const {
  return host_ ? host_->ClientRect().Height() : DefaultHeight;
}

void TPropInspector::Invalidate() {
  if (host_) host_->Invalidate();
}

void TPropInspector::InvalidateRow(int row) {
  if (!host_ || row < 0) return;
  const int y = (row - topRow_) * rowHeight_;
  host_->InvalidateRect(Rect(0, y - 1, ClientWidth(), y + rowHeight_ + 1));
}

void TPropInspector::UpdateRowHeight() {
  TFontService& fonts = host_ ? host_->Fonts() : FontService();
  rowHeight_ = fonts.TextExtent(font_, "Wg").cy + 3;
}

void TPropInspector::SetPropColor(TColor v) {
  if (v == propColor_) return;
  propColor_ = v;
  Invalidate();
}

int TPropInspector::AdjustHeight(int height) const {
  if (!integralHeight_ || rowHeight_ <= 0) return height;
  const int border = borderStyle_ == bsSingle ? 4 : 0;  // a sunken client edge
  const int client = std::max(0, height - border);
  return border + client - client % rowHeight_;
}

void TPropInspector::SetFilter(TTypeKinds v) {
  if (v == filter_) return;
  filter_ = v;
  Rebuild();
}

void TPropInspector::SetNewButtons(bool v) {
  if (v == newButtons_) return;
  newButtons_ = v;
  Invalidate();
}

void TPropInspector::SetMiddle(int v) {
  v = std::min(v, ClientWidth() - 32);
  v = std::max(v, 32);
  if (v == middle_) return;
  middle_ = v;
  Invalidate();
  MoveEditor();
}

void TPropInspector::SetBorderStyle(TBorderStyle v) {
  borderStyle_ = v;
  Invalidate();
}

void TPropInspector::SetColor(TColor v) {
  color_ = v;
  Invalidate();
}

void TPropInspector::SetFont(const TFont& f) {
  font_.Assign(f);
  UpdateRowHeight();
  UpdateScrollBar();
  MoveEditor();
  Invalidate();
}

// ---- object and rows ----

void TPropInspector::SetInspectedObject(TObjectRef obj) {
  if (obj.Object == object_.Object && obj.Class == object_.Class) return;
  if (OnNewObject) OnNewObject(*this, object_, obj);
  edit_.SetModified(false);
  object_ = obj;
  Rebuild();
}

void TPropInspector::ObjectDestroyed(const void* object) {
  if (!object || destroying_) return;
  if (object == object_.Object) {
    SetInspectedObject({});
    return;
  }
  for (const TPropEditorRow& r : rows_)
    if (r.Editor->GetComponent().Object == object) {
      edit_.SetModified(false);
      Rebuild();
      return;
    }
}

void TPropInspector::Rebuild() {
  const std::string path = current_ >= 0 ? RowPath(current_) : std::string();
  rows_.clear();
  current_ = -1;
  if (destroying_) return;
  edit_.Hide();
  if (object_) {
    GetComponentProperties(object_, filter_, &designer_,
                           [this](std::unique_ptr<TPropertyEditor> ed) {
                             TPropEditorRow row;
                             row.HasSubProps = ed->GetAttributes().Contains(paSubProperties);
                             row.Editor = std::move(ed);
                             rows_.push_back(std::move(row));
                           });
  }
  const int maxTop = std::max(0, RowCount() - VisibleRowCount());
  topRow_ = std::clamp(topRow_, 0, maxTop);
  int found = path.empty() ? -1 : FindPath(path);
  if (found < 0 && !rows_.empty()) found = 0;
  if (found >= 0) {
    current_ = found;
    if (current_ < topRow_) topRow_ = current_;
    const int visible = std::max(1, ClientHeight() / std::max(1, rowHeight_));
    if (current_ >= topRow_ + visible) topRow_ = current_ - visible + 1;
    MoveEditor();
    RefreshEditor(true);
  }
  Invalidate();
  UpdateScrollBar();
}

void TPropInspector::Refresh() {
  edit_.SetModified(false);
  Rebuild();
}

std::string TPropInspector::RowPath(int row) const {
  if (row < 0 || row >= RowCount()) return {};
  std::string path = rows_[std::size_t(row)].Editor->GetName();
  int level = rows_[std::size_t(row)].Level;
  for (int i = row - 1; i >= 0 && level > 0; --i)
    if (rows_[std::size_t(i)].Level < level) {
      level = rows_[std::size_t(i)].Level;
      path = rows_[std::size_t(i)].Editor->GetName() + "\\" + path;
    }
  return path;
}

int TPropInspector::FindPath(const std::string& path) {
  const std::vector<std::string> names = SplitPath(path);
  int result = -1, from = 0;
  for (std::size_t k = 0; k < names.size(); ++k) {
    int found = -1;
    for (int j = from; j < RowCount(); ++j)
      if (rows_[std::size_t(j)].Editor->GetName() == names[k]) {
        found = j;
        break;
      }
    if (found < 0) break;
    result = found;
    from = found + 1;
    // A collapsed row is expanded to go on; an expanded one is searched on.
    if (rows_[std::size_t(found)].HasSubProps && k + 1 < names.size() &&
        !rows_[std::size_t(found)].Expanded)
      ExpandRow(found);
  }
  return result;
}

void TPropInspector::AddRows(int level, int at, TPropertyEditor& parent, int& count) {
  parent.GetProperties([&](std::unique_ptr<TPropertyEditor> ed) {
    TPropEditorRow row;
    row.Level = level;
    row.HasSubProps = ed->GetAttributes().Contains(paSubProperties);
    row.Editor = std::move(ed);
    rows_.insert(rows_.begin() + at + count, std::move(row));
    ++count;
  });
}

void TPropInspector::ExpandRow(int row) {
  TPropEditorRow& r = rows_[std::size_t(row)];
  if (!r.HasSubProps || r.Expanded) return;
  int added = 0;
  AddRows(r.Level + 1, row + 1, *rows_[std::size_t(row)].Editor, added);
  rows_[std::size_t(row)].Expanded = true;
  if (current_ > row) current_ += added;
  if (added > 0) {
    // Show the new rows, but keep the expanded row in view.
    const int visible = std::max(1, ClientHeight() / std::max(1, rowHeight_));
    const int last = row + added;
    if (last >= topRow_ + visible) topRow_ = std::min(last - visible + 1, row);
  }
}

void TPropInspector::CollapseRow(int row) {
  TPropEditorRow& r = rows_[std::size_t(row)];
  if (!r.Expanded) return;
  const int level = r.Level;
  int end = row + 1;
  while (end < RowCount() && rows_[std::size_t(end)].Level > level) ++end;
  rows_.erase(rows_.begin() + row + 1, rows_.begin() + end);
  rows_[std::size_t(row)].Expanded = false;
  const int removed = end - row - 1;
  if (current_ > row && current_ < end)
    current_ = row;
  else if (current_ >= end)
    current_ -= removed;
  const int maxTop = std::max(0, RowCount() - VisibleRowCount());
  topRow_ = std::clamp(topRow_, 0, maxTop);
}

void TPropInspector::ToggleExpansion() {
  if (current_ < 0 || !rows_[std::size_t(current_)].HasSubProps) return;
  ApplyPendingEdit(false);
  if (rows_[std::size_t(current_)].Expanded)
    CollapseRow(current_);
  else
    ExpandRow(current_);
  Invalidate();
  UpdateScrollBar();
  MoveEditor();
}

int TPropInspector::VisibleRowCount() const {
  if (rowHeight_ <= 0) return 0;
  return std::min(ClientHeight() / rowHeight_, RowCount());
}

void TPropInspector::UpdateScrollBar() {
  if (!host_) return;
  TScrollInfo si;
  si.Min = 0;
  si.Max = std::max(0, RowCount() - 1);
  si.Page = VisibleRowCount();
  si.Pos = topRow_;
  si.Visible = RowCount() > 0 && RowCount() > ClientHeight() / std::max(1, rowHeight_);
  host_->SetScrollInfo(sbVertical, si);
}

void TPropInspector::SetTopRow(int v) {
  const int visible = rowHeight_ > 0 ? ClientHeight() / rowHeight_ : 0;
  v = std::clamp(v, 0, std::max(0, RowCount() - visible));
  if (v == topRow_) return;
  const int delta = topRow_ - v;
  topRow_ = v;
  if (host_) {
    if (std::abs(delta) < visible)
      host_->ScrollWindow(0, delta * rowHeight_, host_->ClientRect());
    else
      host_->Invalidate();
  }
  MoveEditor();
  UpdateScrollBar();
}

void TPropInspector::SetCurrentRow(int v) {
  ApplyPendingEdit(false);
  if (rows_.empty()) {
    current_ = -1;
    edit_.Hide();
    return;
  }
  v = std::clamp(v, 0, RowCount() - 1);
  if (v != current_) {
    InvalidateRow(current_);
    current_ = v;
    InvalidateRow(current_);
  }
  const int visible = std::max(1, rowHeight_ > 0 ? ClientHeight() / rowHeight_ : 1);
  if (current_ < topRow_)
    SetTopRow(current_);
  else if (current_ >= topRow_ + visible)
    SetTopRow(current_ - visible + 1);
  MoveEditor();
  RefreshEditor(true);
}

TRect TPropInspector::NameRect(int row) const {
  const int y = (row - topRow_) * rowHeight_;
  return Rect(0, y, middle_, y + rowHeight_ - 1);
}

TRect TPropInspector::ValueRect(int row) const {
  const int y = (row - topRow_) * rowHeight_;
  return Rect(middle_ + 2, y, ClientWidth(), y + rowHeight_ - 1);
}

void TPropInspector::MoveEditor() {
  if (current_ < 0 || current_ >= RowCount() || current_ < topRow_ ||
      (current_ - topRow_) * rowHeight_ >= ClientHeight()) {
    edit_.Hide();
    return;
  }
  const TPropertyAttributes attrs = rows_[std::size_t(current_)].Editor->GetAttributes();
  const int kind = attrs.Contains(paValueList) ? 2 : attrs.Contains(paDialog) ? 1 : 0;
  edit_.Move(ValueRect(current_), kind, kListButtonWidth);
}

// ---- editing ----

bool TPropInspector::ApplyValue(TPropertyEditor& editor, const std::string& text, bool dialog) {
  bool canChange = true;
  if (OnChanging) OnChanging(*this, editor, canChange);
  if (!canChange) {
    RefreshEditor(false);
    return false;
  }
  const bool classProp = editor.IsClassProperty();
  const void* before = classProp ? editor.GetObjectValue() : nullptr;
  try {
    if (dialog)
      editor.Edit();
    else
      editor.SetValue(text);
  } catch (const std::exception& e) {
    // The value is refused: say why and show the old value again.
    Dialogs().MessageBox(e.what(), "Quorvane", mtError, mbOK);
    RefreshEditor(false);
    return false;
  }
  if (classProp && editor.GetObjectValue() != before) {
    for (int i = 0; i < RowCount(); ++i)
      if (rows_[std::size_t(i)].Editor.get() == &editor && rows_[std::size_t(i)].Expanded) {
        CollapseRow(i);
        UpdateScrollBar();
        break;
      }
  }
  if (OnChange) OnChange(*this, editor);
  needsRefresh_ = false;
  Invalidate();
  return true;
}

bool TPropInspector::ApplyPendingEdit(bool refresh) {
  if (applying_ || current_ < 0 || current_ >= RowCount()) return true;
  // Only a text the user changed is applied: the displayed text may have
  // lost characters (line breaks shown as ".").
  if (!edit_.Modified()) return true;
  applying_ = true;
  ApplyValue(*rows_[std::size_t(current_)].Editor, edit_.Text(), false);
  edit_.SetModified(false);
  if (refresh) RefreshEditor(false);
  applying_ = false;
  Invalidate();
  return true;
}

void TPropInspector::RefreshEditor(bool activate) {
  if (current_ < 0 || current_ >= RowCount()) return;
  TPropertyEditor& ed = *rows_[std::size_t(current_)].Editor;
  if (activate) ed.Activate();
  const TPropertyAttributes attrs = ed.GetAttributes();
  edit_.Configure(ed.GetEditLimit(), attrs.Contains(paReadOnly), attrs.Contains(paAutoUpdate));
  std::string value;
  try {
    value = ed.GetValue();
  } catch (const std::exception&) {
    value.clear();
  }
  edit_.SetText(DisplayValue(value));
  edit_.SelectAll();
  edit_.SetModified(false);
}

bool TPropInspector::ValueHint(int x, int y, THintInfo& info) {
  if (x <= middle_ || rowHeight_ <= 0) return false;
  const int row = y / rowHeight_ + topRow_;
  if (row < 0 || row >= RowCount()) return false;
  TPropertyEditor& ed = *rows_[std::size_t(row)].Editor;
  const std::string text = ed.GetValue();
  TFontService& fonts = host_ ? host_->Fonts() : FontService();
  int width = INT_MAX / 2;
  if (text.find_first_of("\r\n") == std::string::npos) {
    TRecordingCanvas measure(Rect(0, 0, 1, 1), &fonts);
    measure.Font.Assign(font_);
    width = measure.TextWidth(text);
    int measured = width;
    ed.ListMeasureWidth(text, measure, measured);
    if (measured != width) width = measured + 4;
  }
  const TRect cell = ValueRect(row);
  if (cell.Width() > width + 1) return false;
  info.HintStr = text;
  info.CursorRect = Rect(cell.Left, cell.Top, cell.Right, cell.Bottom + 1);
  info.HintPos = {cell.Left - 1, cell.Top - 2};
  if (OnHint) OnHint(*this, ed, info);
  return true;
}

// ---- painting ----

void TPropInspector::PaintRow(TCanvas& c, int row, int y) {
  const TPropEditorRow& r = rows_[std::size_t(row)];
  const int bottom = y + rowHeight_;
  const int width = ClientWidth();
  const TColor fontColor = font_.Color();
  c.Font.Assign(font_);
  c.SetBkMode(TRANSPARENT);
  c.SetTextColor(fontColor);
  const int markLeft = 2 + 10 * r.Level;
  const int textY = y + 1;
  TRect nameRect = Rect(0, y, middle_, bottom - 1);
  if (row == current_ - 1) nameRect.Bottom -= 1;
  std::string name = r.Editor->GetName();
  int nameX = markLeft + 11;
  if (newButtons_) {
    if (r.HasSubProps) {
      const int top = y + (rowHeight_ - 9) / 2;
      c.Pen.SetStyle(psSolid);
      c.Pen.SetWidth(1);
      c.Pen.SetColor(fontColor);
      c.Brush.SetStyle(bsSolid);
      c.Brush.SetColor(clWindow);
      c.Rectangle(markLeft, top, markLeft + 9, top + 9);
      c.MoveTo(markLeft + 2, top + 4);
      c.LineTo(markLeft + 7, top + 4);
      if (!r.Expanded) {
        c.MoveTo(markLeft + 4, top + 2);
        c.LineTo(markLeft + 4, top + 7);
      }
    }
  } else {
    name = std::string(std::size_t(2 * r.Level + (r.HasSubProps ? 0 : 2)), ' ') +
           (r.HasSubProps ? (r.Expanded ? "- " : "+") : "") + name;
    nameX = 2;
  }
  c.Brush.SetStyle(bsClear);
  c.TextRect(nameRect, nameX, textY, name);
  const bool editorShows = row == current_ && edit_.Visible() && edit_.Host();
  if (!editorShows) {
    c.Font.SetColor(propColor_);
    c.SetTextColor(propColor_);
    try {
      r.Editor->PropDrawValue(c, ValueRect(row), false);
    } catch (const std::exception&) {
      // a value that cannot be read is left blank
    }
  }
  c.Brush.SetStyle(bsSolid);
  if (row != current_ && row != current_ - 1) {
    c.Pen.SetStyle(psSolid);
    c.Pen.SetColor(Darker(color_));
    c.MoveTo(0, bottom - 1);
    c.LineTo(width, bottom - 1);
  }
  if (row == current_) {
    TRect frame = Rect(0, y - 2, width, bottom + 1);
    c.DrawEdge(frame, EDGE_SUNKEN, BF_LEFT | BF_RIGHT | BF_BOTTOM);
    c.DrawEdge(frame, EDGE_SUNKEN, BF_TOP);
  }
}

void TPropInspector::Paint(TCanvas& c, const TRect& r) {
  if (rowHeight_ < 1) return;
  const int width = ClientWidth(), height = ClientHeight();
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(color_);
  c.FillRect(r.IsEmpty() ? Rect(0, 0, width, height) : r);
  int y = 0;
  for (int i = topRow_; i < RowCount() && y < height; ++i, y += rowHeight_) PaintRow(c, i, y);
  if (y > 0) {
    TRect divider = Rect(middle_, 0, middle_ + 2, std::min(y, height));
    c.DrawEdge(divider, EDGE_ETCHED, BF_LEFT);
  }
}

// ---- input ----

void TPropInspector::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (host_ && !host_->Focused()) host_->SetFocus();
  if (b != mbLeft) return;
  if (std::abs(x - middle_) < 3) {
    draggingDivider_ = true;
    if (host_) host_->SetCapture();
    return;
  }
  if (rowHeight_ <= 0) return;
  const int row = y / rowHeight_ + topRow_;
  if (row >= RowCount() || y < 0) return;
  SetCurrentRow(row);
  const TPropEditorRow& r = rows_[std::size_t(current_)];
  const int markLeft = 2 + 10 * r.Level;
  if (newButtons_ && r.HasSubProps && !(s & ssDouble) && x >= markLeft + 1 && x <= markLeft + 11) {
    ToggleExpansion();
    return;
  }
  tracking_ = true;
  if (host_) host_->SetCapture();
  edit_.SetRowPressTime(Now());
}

void TPropInspector::MouseMove(TShiftState s, int x, int y) {
  if (draggingDivider_) {
    SetMiddle(x);
    return;
  }
  if (host_) host_->SetCursor(std::abs(x - middle_) < 3 ? crHSplit : crDefault);
  if (tracking_ && (s & ssLeft) && rowHeight_ > 0) {
    const int row = std::clamp(y / rowHeight_ + topRow_, 0, std::max(0, RowCount() - 1));
    if (row != current_) SetCurrentRow(row);
  }
}

void TPropInspector::MouseUp(TMouseButton, TShiftState, int, int) {
  if ((draggingDivider_ || tracking_) && host_) host_->ReleaseCapture();
  draggingDivider_ = false;
  tracking_ = false;
}

void TPropInspector::DblClick() { ToggleExpansion(); }

bool TPropInspector::MouseWheel(TShiftState, int delta, int, int) {
  SetTopRow(topRow_ - delta / 40);
  return true;
}

void TPropInspector::KeyDown(int& key, TShiftState) {
  const int page = std::max(1, VisibleRowCount() - 1);
  switch (key) {
    case VK_UP:
      SetCurrentRow(current_ - 1);
      break;
    case VK_DOWN:
      SetCurrentRow(current_ + 1);
      break;
    case VK_PRIOR:
      SetCurrentRow(current_ - page);
      break;
    case VK_NEXT:
      SetCurrentRow(current_ + page);
      break;
    default:
      return;
  }
  key = 0;
}

void TPropInspector::Resize(int, int) {
  UpdateScrollBar();
  MoveEditor();
  Invalidate();
}

void TPropInspector::Scroll(TScrollBarKind bar, TScrollCode code, int pos) {
  if (bar != sbVertical) return;
  const int page = VisibleRowCount();
  switch (code) {
    case scLineUp:
      SetTopRow(topRow_ - 1);
      break;
    case scLineDown:
      SetTopRow(topRow_ + 1);
      break;
    case scPageUp:
      SetTopRow(topRow_ - page);
      break;
    case scPageDown:
      SetTopRow(topRow_ + page);
      break;
    case scTrack:
    case scPosition:
      SetTopRow(pos);
      break;
    case scTop:
      SetTopRow(0);
      break;
    case scBottom:
      SetTopRow(RowCount() - 1 - page + 1);
      break;
    default:
      break;
  }
}

}  // namespace qv
