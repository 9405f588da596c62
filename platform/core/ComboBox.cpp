#include "platform/core/ComboBox.h"

#include <algorithm>

#include "platform/core/ControlUtils.h"
#include "platform/core/SysUtils.h"

namespace qv {

// ---- items ------------------------------------------------------------------------

void TComboItems::Delete(int index) {
  if (index >= 0 && index < Count()) {
    combo_.ItemDeleting(index);
    // The selection stays on its item (before the list reports the change).
    if (combo_.itemIndex_ == index)
      combo_.itemIndex_ = -1;
    else if (combo_.itemIndex_ > index)
      --combo_.itemIndex_;
  }
  TStringList::Delete(index);
}

void TComboItems::Clear() {
  for (int i = Count() - 1; i >= 0; --i) combo_.ItemDeleting(i);
  combo_.itemIndex_ = -1;
  TStringList::Clear();
}

void TComboItems::Changed() {
  TStringList::Changed();
  combo_.ItemsChanged();
}

// ---- the drop-down list's core ------------------------------------------------------

class TCustomComboBox::TListCore : public TControlCore {
 public:
  explicit TListCore(TCustomComboBox& combo) : combo_(combo) {}
  void SetHost(TControlHost* host) override {
    TControlCore::SetHost(host);
    ApplyScroll();
  }
  void ApplyScroll() {
    if (!host_) return;
    TScrollInfo v;
    v.Max = std::max(combo_.items_.Count() - 1, 0);
    v.Page = combo_.ListVisibleCount();
    v.Pos = combo_.topIndex_;
    v.Visible = combo_.items_.Count() > combo_.ListVisibleCount();
    host_->SetScrollInfo(sbVertical, v);
  }
  void Paint(TCanvas& c, const TRect& r) override {
    const TRect all = host_ ? host_->ClientRect() : r;
    combo_.PaintListTo(c, all);
  }
  int IndexAt(int y) const {
    const int i = combo_.topIndex_ + y / std::max(combo_.ItemHeight(), 1);
    return y >= 0 && i < combo_.items_.Count() ? i : -1;
  }
  void MouseMove(TShiftState, int, int y) override {
    const int i = IndexAt(y);
    if (i >= 0 && i != combo_.hotIndex_) {
      combo_.hotIndex_ = i;
      if (host_) host_->Invalidate();
    }
  }
  void MouseUp(TMouseButton b, TShiftState, int x, int y) override {
    if (b != mbLeft) return;
    const TRect client = host_ ? host_->ClientRect() : TRect(0, 0, 1 << 20, 1 << 20);
    const int i = IndexAt(y);
    if (i < 0 || !client.Contains(x, y)) return;
    combo_.hotIndex_ = i;
    combo_.SelectByUser(i);
    combo_.CloseUp(true);
  }
  bool MouseWheel(TShiftState, int delta, int, int) override {
    combo_.SetTopIndex(combo_.topIndex_ - delta / 120 * 3);
    return true;
  }
  // The open list has the keyboard; the combo handles the keys.
  void KeyDown(int& key, TShiftState shift) override { combo_.KeyDown(key, shift); }
  void KeyPress(char32_t& ch) override { combo_.KeyPress(ch); }
  void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override {
    if (bar != sbVertical) return;
    const std::optional<int> t = ScrollTarget(code, combo_.topIndex_, 1, combo_.ListVisibleCount(),
                                              pos, combo_.items_.Count());
    if (!t) return;
    combo_.SetTopIndex(*t);
  }

 private:
  TCustomComboBox& combo_;
};

// ---- TCustomComboBox ------------------------------------------------------------------

TCustomComboBox::TCustomComboBox() : items_(*this), listCore_(std::make_unique<TListCore>(*this)) {
  font_.OnChange = [this](TGraphicsObject*) { Invalidate(); };
}

TCustomComboBox::~TCustomComboBox() { font_.OnChange = nullptr; }

void TCustomComboBox::SetHost(TControlHost* host) {
  TControlCore::SetHost(host);
  if (host) {
    TRect r = host->ClientRect();
    Resize(r.Width(), r.Height());
  }
}

void TCustomComboBox::SetComboHost(TComboBoxHost* host) {
  comboHost_ = host;
  if (host && Editable()) host->SetEditText(text_, selStart_, selLength_);
}

TFontService& TCustomComboBox::Fonts() { return host_ ? host_->Fonts() : FontService(); }

bool TCustomComboBox::Focused() const { return host_ && host_->Focused(); }

void TCustomComboBox::Invalidate() {
  if (host_) host_->Invalidate();
}

TControlCore& TCustomComboBox::ListCore() { return *listCore_; }

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
  if (v == style_) return;
  style_ = v;
  UpdateEditText();
  Invalidate();
}

void TCustomComboBox::SetDropDownWidth(int v) { dropDownWidth_ = std::max(v, 0); }

int TCustomComboBox::ItemHeight() {
  if (itemHeight_ > 0) return itemHeight_;
  return Fonts().TextExtent(font_, "Ay").cy + 2;
}

void TCustomComboBox::SetItemHeight(int v) {
  itemHeight_ = std::max(v, 0);
  Invalidate();
}

void TCustomComboBox::SetBackColor(TColor v) {
  if (v != color_) color_ = v, Invalidate();
}

void TCustomComboBox::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  if (!v && droppedDown_) CloseUp(false);
  Invalidate();
}

void TCustomComboBox::SetItemIndex(int v) {
  if (v < -1 || v >= items_.Count()) v = -1;
  if (v == itemIndex_) return;
  itemIndex_ = v;
  UpdateEditText();
  Invalidate();
  if (droppedDown_ && comboHost_) comboHost_->InvalidateDropDown();
}

std::string TCustomComboBox::Text() const {
  if (Editable()) return text_;
  return itemIndex_ >= 0 && itemIndex_ < items_.Count() ? items_[itemIndex_] : std::string();
}

void TCustomComboBox::SetText(const std::string& v) {
  const int exact = FindStringExact(v);
  if (!Editable()) {
    SetItemIndex(exact);
    return;
  }
  itemIndex_ = exact;
  text_ = v;
  selStart_ = int(Utf8ToUtf32(v).size());
  selLength_ = 0;
  if (comboHost_) comboHost_->SetEditText(text_, selStart_, selLength_);
  Invalidate();
}

void TCustomComboBox::SetSelection(int start, int length) {
  const int n = int(Utf8ToUtf32(text_).size());
  selStart_ = std::clamp(start, 0, n);
  selLength_ = std::clamp(length, 0, n - selStart_);
  if (comboHost_ && Editable()) comboHost_->SetEditText(text_, selStart_, selLength_);
}

void TCustomComboBox::UpdateEditText() {
  if (!Editable()) return;
  if (itemIndex_ >= 0 && itemIndex_ < items_.Count()) {
    text_ = items_[itemIndex_];
    selStart_ = 0;
    selLength_ = int(Utf8ToUtf32(text_).size());
  }
  if (comboHost_) comboHost_->SetEditText(text_, selStart_, selLength_);
}

TRect TCustomComboBox::ButtonRect() const {
  return TRect(std::max(width_ - 2 - ButtonWidth, 2), 2, std::max(width_ - 2, 2),
               std::max(height_ - 2, 2));
}

TRect TCustomComboBox::EditRect() const {
  const TRect b = ButtonRect();
  return TRect(3, 3, std::max(b.Left - 1, 3), std::max(height_ - 3, 3));
}

int TCustomComboBox::FindItem(const std::string& text) {
  for (int i = 0; i < items_.Count(); ++i)
    if (StartsText(text, items_[i])) return i;
  return -1;
}

int TCustomComboBox::FindStringExact(const std::string& text, int start) {
  const int n = items_.Count();
  for (int k = 1; k <= n; ++k) {
    const int i = (start + k + n) % n;
    if (AnsiSameText(items_[i], text)) return i;
  }
  return -1;
}

void TCustomComboBox::ItemsChanged() {
  if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
  if (topIndex_ >= items_.Count()) topIndex_ = std::max(items_.Count() - 1, 0);
  Invalidate();
  if (droppedDown_ && comboHost_) comboHost_->InvalidateDropDown();
}

// ---- events ------------------------------------------------------------------------------

void TCustomComboBox::Change() {
  if (OnChange) OnChange();
}

void TCustomComboBox::Select() {
  if (OnSelect) OnSelect();
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown();
}

void TCustomComboBox::SelectByUser(int index) {
  if (index < 0 || index >= items_.Count() || index == itemIndex_) return;
  SetItemIndex(index);
  Change();
  Select();
}

// ---- the list ------------------------------------------------------------------------------

int TCustomComboBox::ListVisibleCount() {
  return std::max(std::min(items_.Count(), dropDownCount_), 1);
}

int TCustomComboBox::ListWidth() { return std::max(dropDownWidth_, width_); }

int TCustomComboBox::ListHeight() { return ListVisibleCount() * ItemHeight() + 2; }

void TCustomComboBox::SetTopIndex(int v) {
  v = std::clamp(v, 0, std::max(items_.Count() - ListVisibleCount(), 0));
  if (v == topIndex_) return;
  topIndex_ = v;
  listCore_->ApplyScroll();
  if (comboHost_) comboHost_->InvalidateDropDown();
}

void TCustomComboBox::SetDroppedDown(bool v) {
  if (v == droppedDown_) return;
  if (!v) {
    CloseUp(false);
    return;
  }
  if (!enabled_) return;
  DropDown();
  droppedDown_ = true;
  hotIndex_ = itemIndex_;
  // The chosen item shows in the list.
  if (hotIndex_ >= 0 && hotIndex_ < topIndex_) SetTopIndex(hotIndex_);
  if (hotIndex_ >= topIndex_ + ListVisibleCount()) SetTopIndex(hotIndex_ - ListVisibleCount() + 1);
  listCore_->ApplyScroll();
  if (comboHost_) comboHost_->ShowDropDown(true, ListWidth(), ListHeight());
  Invalidate();
}

void TCustomComboBox::CloseUp(bool ok) {
  if (!droppedDown_) return;
  droppedDown_ = false;
  if (comboHost_) comboHost_->ShowDropDown(false, 0, 0);
  Invalidate();
  if (ok) {
    if (OnSelEndOk) OnSelEndOk();
  } else if (OnSelEndCancel) {
    OnSelEndCancel();
  }
  if (OnCloseUp) OnCloseUp();
}

// ---- painting -------------------------------------------------------------------------------

void TCustomComboBox::DrawItem(TCanvas& c, int index, const TRect& r, TOwnerDrawState state) {
  if (index < 0 || index >= items_.Count()) return;
  c.Font.Assign(font_);
  c.SetTextColor(!enabled_ ? clGrayText : (state & odSelected) ? clHighlightText : font_.Color());
  c.SetBkMode(TRANSPARENT);
  const std::string s = items_[index];
  const int th = Fonts().TextExtent(font_, s).cy;
  c.Brush.SetStyle(bsClear);
  c.TextRect(r, r.Left + 2, r.Top + (r.Height() - th) / 2, s);
  c.Brush.SetStyle(bsSolid);
}

void TCustomComboBox::PaintItemAt(TCanvas& c, int index, const TRect& r, TOwnerDrawState state) {
  FillRectWith(c, r, (state & odSelected) ? clHighlight : color_);
  drawCanvas_ = &c;
  struct TReset {
    TCanvas*& p;
    ~TReset() { p = nullptr; }
  } reset{drawCanvas_};
  if (OnDrawItem)
    OnDrawItem(index, r, state);
  else
    DrawItem(c, index, r, state);
  if ((state & odFocused) && (state & odSelected)) c.DrawFocusRect(r);
}

void TCustomComboBox::PaintButton(TCanvas& c, const TRect& rect, bool pressed) {
  TRect r = rect;
  FillRectWith(c, r, clBtnFace);
  if (pressed) {
    c.Brush.SetColor(clBtnShadow);
    c.FrameRect(r);
  } else {
    c.DrawEdge(r, EDGE_RAISED, BF_RECT);
  }
  const int x = rect.Left + rect.Width() / 2 + (pressed ? 1 : 0);
  const int y = rect.Top + rect.Height() / 2 + (pressed ? 1 : 0);
  const TPoint pts[] = {{x - 3, y - 2}, {x + 4, y - 2}, {x, y + 2}};
  c.Brush.SetColor(enabled_ ? clBtnText : clGrayText);
  c.Pen.SetStyle(psClear);
  c.Polygon(pts);
  c.Pen.SetStyle(psSolid);
}

void TCustomComboBox::Paint(TCanvas& c, const TRect&) {
  TRect r(0, 0, width_, height_);
  FillRectWith(c, r, enabled_ ? color_ : clBtnFace);
  c.DrawEdge(r, EDGE_SUNKEN, BF_RECT);
  PaintButton(c, ButtonRect(), droppedDown_);
  if (!Editable()) {
    const bool focused = Focused() && !droppedDown_;
    const TRect face = EditRect();
    if (itemIndex_ >= 0)
      PaintItemAt(
          c, itemIndex_, face,
          odComboBoxEdit | (focused ? odSelected | odFocused : 0) | (enabled_ ? 0 : odDisabled));
    else if (focused)
      c.DrawFocusRect(face);
  }
}

void TCustomComboBox::PaintListTo(TCanvas& c, const TRect& rect) {
  FillRectWith(c, rect, color_);
  const int ih = ItemHeight();
  for (int k = 0; k < ListVisibleCount(); ++k) {
    const int i = topIndex_ + k;
    if (i >= items_.Count()) break;
    const TRect r(rect.Left, rect.Top + k * ih, rect.Right, rect.Top + (k + 1) * ih);
    PaintItemAt(c, i, r, i == hotIndex_ ? odSelected | odFocused : 0);
  }
}

// ---- input -------------------------------------------------------------------------------------

void TCustomComboBox::MouseDown(TMouseButton button, TShiftState, int x, int y) {
  if (button != mbLeft || !enabled_) return;
  if (host_) host_->SetFocus();
  if (Editable() && !ButtonRect().Contains(x, y)) return;
  SetDroppedDown(!droppedDown_);
}

void TCustomComboBox::KeyDown(int& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(key, shift);
  if (key == 0 || !enabled_) return;
  const int n = items_.Count();
  const bool alt = (shift & ssAlt) != 0;
  if (key == VK_F1 + 3 || (alt && (key == VK_DOWN || key == VK_UP))) {  // F4
    if (droppedDown_)
      CloseUp(true);
    else
      SetDroppedDown(true);
    key = 0;
    return;
  }
  if (droppedDown_ && (key == VK_RETURN || key == VK_ESCAPE)) {
    CloseUp(key == VK_RETURN);
    key = 0;
    return;
  }
  if (n == 0) return;
  const int cur = droppedDown_ ? hotIndex_ : itemIndex_;
  const int page = std::max(ListVisibleCount() - 1, 1);
  int target;
  switch (key) {
    case VK_UP:
    case VK_LEFT:
      target = cur < 0 ? 0 : cur - 1;
      break;
    case VK_DOWN:
    case VK_RIGHT:
      target = cur + 1;
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = n - 1;
      break;
    case VK_PRIOR:
      target = cur - page;
      break;
    case VK_NEXT:
      target = cur + page;
      break;
    default:
      return;
  }
  key = 0;
  target = std::clamp(target, 0, n - 1);
  if (droppedDown_) {
    hotIndex_ = target;
    if (target < topIndex_) SetTopIndex(target);
    if (target >= topIndex_ + ListVisibleCount()) SetTopIndex(target - ListVisibleCount() + 1);
    if (comboHost_) comboHost_->InvalidateDropDown();
  }
  SelectByUser(target);
}

void TCustomComboBox::KeyPress(char32_t& ch) {
  if (OnKeyPress) OnKeyPress(ch);
  if (ch < 32 || Editable()) return;
  // The next item starting with the character.
  const int n = items_.Count();
  const std::string prefix = Utf32ToUtf8(std::u32string(1, ch));
  for (int k = 1; k <= n; ++k) {
    const int i = (itemIndex_ + k + n) % n;
    if (StartsText(prefix, items_[i])) {
      SelectByUser(i);
      break;
    }
  }
  ch = 0;
}

bool TCustomComboBox::MouseWheel(TShiftState, int delta, int, int) {
  if (!enabled_ || delta == 0) return true;
  if (droppedDown_) {
    SetTopIndex(topIndex_ - delta / 120 * 3);
    return true;
  }
  const int target = itemIndex_ + (delta < 0 ? 1 : -1);
  if (target >= 0 && target < items_.Count()) SelectByUser(target);
  return true;
}

void TCustomComboBox::FocusIn() { Invalidate(); }

void TCustomComboBox::FocusOut() {
  if (droppedDown_) CloseUp(false);
  Invalidate();
}

void TCustomComboBox::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  Invalidate();
}

void TCustomComboBox::EditTextChanged(const std::string& text, int selStart, int selLength) {
  text_ = text;
  selStart_ = selStart;
  selLength_ = selLength;
  itemIndex_ = FindStringExact(text);
  Change();
}

void TCustomComboBox::EditKeyPress(char32_t& ch) {
  if (OnKeyPress) OnKeyPress(ch);
}

void TCustomComboBox::EditKeyDown(int& key, TShiftState shift) {
  // Up, Down, page keys and F4 work on the list; the others belong to the field.
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_F1 + 3:
    case VK_RETURN:
    case VK_ESCAPE:
      KeyDown(key, shift);
      break;
    default:
      if (OnKeyDown) OnKeyDown(key, shift);
      break;
  }
}

}  // namespace qv
