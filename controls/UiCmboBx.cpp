#include "controls/UiCmboBx.h"

#include <algorithm>

#include "controls/UiThemeSrv.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

int CodePoints(const std::string& s) { return int(Utf8ToUtf32(s).size()); }

}  // namespace

// ---- TUiCustomComboBox ------------------------------------------------------------------

TUiCustomComboBox::TUiCustomComboBox() : flatButtonColor_(clBtnFace) {}

TUiCustomComboBox::~TUiCustomComboBox() {
  if (host_) host_->KillTimer(ComboSearchTimer);
}

void TUiCustomComboBox::SetFlatButtonColor(TColor v) {
  if (v != flatButtonColor_) flatButtonColor_ = v, Invalidate();
}

void TUiCustomComboBox::SetFlatButtons(bool v) {
  if (v != flatButtons_) flatButtons_ = v, Invalidate();
}

void TUiCustomComboBox::SetFrameVisible(bool v) {
  TUiFramedControl::SetFrameVisible(v);
  Invalidate();
}

void TUiCustomComboBox::SetReadOnly(bool v) {
  readOnly_ = v;
  if (comboHost_ && Editable()) comboHost_->SetEditReadOnly(v);
  Invalidate();
}

void TUiCustomComboBox::SetTextQuietly(const std::string& text) {
  if (text != Text()) SetText(text);
}

void TUiCustomComboBox::SetEnabled(bool v) {
  TCustomComboBox::SetEnabled(v);
  UpdateColors();
}

void TUiCustomComboBox::Loaded() {
  loading_ = false;
  UpdateColors();
}

bool TUiCustomComboBox::SetFrameProperty(std::string_view name, const TUiFrameValue& v) {
  if (name == "FlatButtons" && v.Kind == TUiFrameValue::vkBoolean) {
    SetFlatButtons(v.Value != 0);
    return true;
  }
  if (name == "FlatButtonColor" && v.Kind == TUiFrameValue::vkColor) {
    SetFlatButtonColor(TColor(v.Value));
    return true;
  }
  return TUiFramedControl::SetFrameProperty(name, v);
}

void TUiCustomComboBox::UpdateFrame(bool viaMouse, bool flag) {
  if (viaMouse) mouseOver_ = flag;
  if ((flatButtons_ || frameHotTrack_) && !DroppedDown()) Invalidate();
  UpdateColors();
}

void TUiCustomComboBox::Beep() {
  if (comboHost_) comboHost_->Beep();
}

// ---- painting ---------------------------------------------------------------------------

void TUiCustomComboBox::PaintButton(TCanvas& c, const TRect& rect, bool pressed) {
  TThemeServices& ts = ThemeServices();
  if (framingPreference_ == fpXPThemes && ts.ThemesEnabled()) {
    ts.DrawElement(c,
                   TThemeServices::GetElementDetails(pressed ? tcDropDownButtonPressed
                                                             : tcDropDownButtonNormal),
                   rect);
    return;
  }
  TCustomComboBox::PaintButton(c, rect, pressed);
}

void TUiCustomComboBox::Paint(TCanvas& c, const TRect& rect) {
  TCustomComboBox::Paint(c, rect);
  const bool themed = ThemeServices().ThemesEnabled();
  const int inset = themed ? 1 : 2;
  const TRect button(width_ - inset - ButtonWidth, inset, width_ - inset, height_ - inset);
  const bool custom = frameVisible_ && !UseThemedFrame();
  const TRect all(0, 0, width_, height_);
  // The 3-D border gives way to the custom frame.
  if (custom && ColorToRGB(TUiFramedControl::color_) != clWhite)
    DrawBevel(c, all, TUiFramedControl::color_, TUiFramedControl::color_, 2, sdAll);
  const bool active = Focused() || mouseOver_;
  if (flatButtons_ && !readOnly_) {
    if (!active) {
      c.Brush.SetStyle(bsSolid);
      c.Brush.SetColor(TUiFramedControl::color_);
      c.FillRect(button);
      DrawDropDownArrow(c, button, themed ? uasThemed : uasClassic, Enabled(), false);
    } else if (themed) {
      ThemeServices().DrawElement(
          c,
          TThemeServices::GetElementDetails(DroppedDown() ? tcDropDownButtonPressed
                                                          : tcDropDownButtonHot),
          button);
    } else {
      c.Brush.SetStyle(bsSolid);
      c.Brush.SetColor(flatButtonColor_);
      c.FillRect(button);
      if (flatButtonColor_ != clBtnFace)
        DrawColorBorder(c, button, flatButtonColor_, DroppedDown() ? fsStatus : fsPopup);
      else if (DroppedDown())
        DrawBevel(c, button, clBtnShadow, clBtnHighlight, 1, sdAll);
      else
        DrawBevel(c, button, clBtnHighlight, clBtnShadow, 1, sdAll);
      DrawDropDownArrow(c, button, uasClassic, Enabled(), DroppedDown());
    }
  } else if (readOnly_) {
    c.Brush.SetStyle(bsSolid);
    c.Brush.SetColor(TUiFramedControl::color_);
    c.FillRect(button);
  }
  if (!custom) return;
  const bool hot = frameHotTrack_ && active;
  const TFrameStyle style = hot ? frameHotStyle_ : frameStyle_;
  const TColor frame = hot ? frameHotColor_ : frameColor_;
  if (style == fsFlat)
    DrawSides(c, all, frame, frame, frameSides_);
  else if (style == fsFlatBold)
    DrawBevel(c, all, frame, frame, 2, frameSides_);
  else if (TUiFramedControl::color_ != clWindow)
    DrawColorBorderSides(c, all, TUiFramedControl::color_, style, frameSides_);
  else
    DrawBorderSides(c, all, style, frameSides_);
}

// ---- mouse and focus ----------------------------------------------------------------------

void TUiCustomComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (readOnly_ && button == mbLeft) return;
  TCustomComboBox::MouseDown(button, shift, x, y);
}

void TUiCustomComboBox::MouseMove(TShiftState shift, int x, int y) {
  if (!mouseOver_) {
    UpdateFrame(true, true);
    if (OnMouseEnter) OnMouseEnter();
  }
  TCustomComboBox::MouseMove(shift, x, y);
}

void TUiCustomComboBox::MouseLeave() {
  if (!mouseOver_) return;
  UpdateFrame(true, false);
  if (OnMouseLeave) OnMouseLeave();
}

void TUiCustomComboBox::FocusIn() {
  TCustomComboBox::FocusIn();
  UpdateFrame(false, true);
}

void TUiCustomComboBox::FocusOut() {
  ClearSearch();
  TCustomComboBox::FocusOut();
  UpdateFrame(false, false);
}

// ---- typing search --------------------------------------------------------------------------

void TUiCustomComboBox::ClearSearch() {
  searchText_.clear();
  if (host_) host_->KillTimer(ComboSearchTimer);
}

void TUiCustomComboBox::Timer(int id) {
  if (id != ComboSearchTimer) {
    TCustomComboBox::Timer(id);
    return;
  }
  if (inKeyPress_) return;
  ClearSearch();
}

void TUiCustomComboBox::RunSearch() {
  const int i = FindItem(searchText_);
  if (i >= 0) {
    if (i != ItemIndex()) {
      SetItemIndex(i);
      Change();
      Select();
    }
  } else if (beepOnNoMatch_) {
    Beep();
  }
}

bool TUiCustomComboBox::FilterKeyPress(char32_t& ch) {
  if (ch == 13 && enterMovesOn_ && !DroppedDown()) {
    ch = 0;
    if (comboHost_) comboHost_->PostTab();
    return true;
  }
  if (Editable() && MaxLength() >= 1 && ch >= 32 && SelLength() == 0 &&
      CodePoints(text_) >= MaxLength()) {
    Beep();
    ch = 0;
    return true;
  }
  return false;
}

void TUiCustomComboBox::KeyDown(int& key, TShiftState shift) {
  switch (key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      ClearSearch();
      break;
    default:
      break;
  }
  TCustomComboBox::KeyDown(key, shift);
}

void TUiCustomComboBox::KeyPress(char32_t& ch) {
  if (FilterKeyPress(ch)) return;
  if (Editable()) {
    TCustomComboBox::KeyPress(ch);
    return;
  }
  inKeyPress_ = true;
  struct TReset {
    bool& f;
    ~TReset() { f = false; }
  } reset{inKeyPress_};
  const char32_t typed = ch;
  ch = 0;
  if (typed == 27) {
    // Escape: item 0, unless it closed the list.
    const bool wasDropped = DroppedDown();
    ClearSearch();
    if (wasDropped) {
      CloseUp(false);
    } else if (Items().Count() > 0) {
      SetItemIndex(0);
      Change();
      Select();
    }
    return;
  }
  if (typed == 8) {
    if (searchText_.empty()) {
      if (beepOnNoMatch_) Beep();
      return;
    }
    std::u32string u = Utf8ToUtf32(searchText_);
    u.pop_back();
    searchText_ = Utf32ToUtf8(u);
    if (searchText_.empty()) {
      if (Items().Count() > 0) {
        SetItemIndex(0);
        Change();
        Select();
      }
    } else {
      RunSearch();
    }
    if (host_) host_->SetTimer(ComboSearchTimer, SearchResetMs);
    return;
  }
  if (typed < 32) return;
  searchText_ += Utf32ToUtf8(std::u32string(1, typed));
  const int found = FindItem(searchText_);
  RunSearch();
  if (found >= 0 && OnKeyPress) {
    char32_t k = typed;
    OnKeyPress(k);
  }
  if (host_) host_->SetTimer(ComboSearchTimer, SearchResetMs);
}

// ---- the edit field: completion -------------------------------------------------------------

void TUiCustomComboBox::CloseUp(bool ok) {
  if (ok) selEndOk_ = true;
  TCustomComboBox::CloseUp(ok);
}

void TUiCustomComboBox::EditTextChanged(const std::string& text, int selStart, int selLength) {
  const bool shortened = CodePoints(text) < CodePoints(text_);
  TCustomComboBox::EditTextChanged(text, selStart, selLength);
  const bool afterPick = selEndOk_;
  selEndOk_ = false;
  if (!autoComplete_ || afterPick || DroppedDown() || shortened || text.empty()) return;
  const int i = FindItem(text);
  if (i < 0) return;
  const std::string item = Items()[i];
  const int typed = CodePoints(text);
  SetItemIndex(i);
  text_ = item;
  selStart_ = typed;
  selLength_ = CodePoints(item) - typed;
  if (comboHost_) comboHost_->SetEditText(text_, selStart_, selLength_);
}

void TUiCustomComboBox::EditKeyPress(char32_t& ch) {
  if (FilterKeyPress(ch)) return;
  if (!autoComplete_ || ch < 32 || readOnly_) {
    TCustomComboBox::EditKeyPress(ch);
    return;
  }
  // The remembered text with the selection replaced by the character.
  std::u32string u = Utf8ToUtf32(text_);
  const int start = std::clamp(selStart_, 0, int(u.size()));
  const int len = std::clamp(selLength_, 0, int(u.size()) - start);
  u.replace(std::size_t(start), std::size_t(len), 1, ch);
  const std::string typed = Utf32ToUtf8(u);
  const int i = FindItem(typed);
  if (i < 0) {
    TCustomComboBox::EditKeyPress(ch);
    return;
  }
  const std::string item = Items()[i];
  const std::u32string itemU = Utf8ToUtf32(item);
  const int typedLen = int(u.size());
  SetItemIndex(i);
  text_ = keepTypedCase_ ? typed + Utf32ToUtf8(itemU.substr(std::size_t(typedLen))) : item;
  Change();
  Select();
  char32_t k = ch;
  if (OnKeyPress) OnKeyPress(k);
  selStart_ = typedLen;
  selLength_ = int(itemU.size()) - typedLen;
  if (comboHost_) comboHost_->SetEditText(text_, selStart_, selLength_);
  Invalidate();
  if (OnComplete) OnComplete();
  ch = 0;
}

void TUiCustomComboBox::EditKeyDown(int& key, TShiftState shift) {
  TCustomComboBox::EditKeyDown(key, shift);
}

// ---- TUiImageComboBoxItem ----------------------------------------------------------------

void TUiImageComboBoxItem::SetCaption(const std::string& v) {
  caption_ = v;
  owner_->Invalidate();
}

void TUiImageComboBoxItem::SetImageIndex(int v) {
  imageIndex_ = v;
  owner_->Invalidate();
}

void TUiImageComboBoxItem::SetOverlayIndex(int v) {
  overlayIndex_ = v;
  owner_->Invalidate();
}

int TUiImageComboBoxItem::Index() const { return owner_->Items().IndexOfObject(this); }

// ---- TUiCustomImageComboBox -----------------------------------------------------------------

TUiCustomImageComboBox::TUiCustomImageComboBox() {
  SetStyle(csOwnerDrawFixed);
  imageLink_.OnChange = [this] { UpdateItemHeight(); };
  imageLink_.OnFree = [this] {
    images_ = nullptr;
    UpdateItemHeight();
  };
  Font().OnChange = [this](TGraphicsObject*) { UpdateItemHeight(); };
  UpdateItemHeight();
}

TUiCustomImageComboBox::~TUiCustomImageComboBox() {
  destroying_ = true;
  Font().OnChange = nullptr;
  ClearItems();
}

void TUiCustomImageComboBox::SetImages(TCustomImageList* v) {
  if (v == images_) return;
  if (images_) images_->UnRegisterChanges(&imageLink_);
  images_ = v;
  if (v) v->RegisterChanges(&imageLink_);
  UpdateItemHeight();
}

void TUiCustomImageComboBox::SetItemIndent(int v) {
  if (v != itemIndent_) itemIndent_ = v, Invalidate();
}

void TUiCustomImageComboBox::SetAutoHeight(bool v) {
  autoHeight_ = v;
  UpdateItemHeight();
}

void TUiCustomImageComboBox::UpdateItemHeight() {
  if (!autoHeight_ || !OwnerDraw()) return;
  const int h = std::abs(Fonts().GetTextMetrics(Font()).tmHeight) + 4;
  SetItemHeight(std::max(h, images_ ? images_->Height() : 0));
}

std::unique_ptr<TUiImageComboBoxItem> TUiCustomImageComboBox::NewItem() {
  return std::unique_ptr<TUiImageComboBoxItem>(new TUiImageComboBoxItem(this));
}

TUiImageComboBoxItem& TUiCustomImageComboBox::AddItem(const std::string& caption, int imageIndex,
                                                      int indentLevel) {
  std::unique_ptr<TUiImageComboBoxItem> item = NewItem();
  item->caption_ = caption;
  item->imageIndex_ = imageIndex;
  item->indentLevel_ = std::max(indentLevel, 0);
  TUiImageComboBoxItem& ref = *item;
  Items().AddObject(std::string(), item.release());
  return ref;
}

TUiImageComboBoxItem* TUiCustomImageComboBox::Item(int index) {
  if (index < 0 || index >= Items().Count()) return nullptr;
  return static_cast<TUiImageComboBoxItem*>(Items().Objects(index));
}

int TUiCustomImageComboBox::IndexOfCaption(const std::string& text) {
  for (int i = 0; i < Items().Count(); ++i)
    if (TUiImageComboBoxItem* it = Item(i); it && AnsiCompareText(it->Caption(), text) == 0)
      return i;
  return -1;
}

int TUiCustomImageComboBox::FindItem(const std::string& text) {
  for (int i = 0; i < Items().Count(); ++i)
    if (TUiImageComboBoxItem* it = Item(i); it && StartsText(text, it->Caption())) return i;
  return -1;
}

void TUiCustomImageComboBox::DeleteItem(int index) { Items().Delete(index); }

void TUiCustomImageComboBox::ClearItems() { Items().Clear(); }

void TUiCustomImageComboBox::ItemDeleting(int index) {
  TUiImageComboBoxItem* item = Item(index);
  if (!item) return;
  Items().PutObject(index, nullptr);
  if (OnDeleteItem && !destroying_) OnDeleteItem(*this, *item);
  if (ownsItems_ || destroying_) delete item;
}

void TUiCustomImageComboBox::DrawItem(TCanvas& c, int index, const TRect& rect,
                                      TOwnerDrawState state) {
  TUiImageComboBoxItem* item = Item(index);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(TUiFramedControl::Color());
  c.FillRect(rect);
  if (!item) return;
  const bool selected = (state & odSelected) != 0;
  // Indented in the list, flush in the face.
  const int indent = (state & odComboBoxEdit) ? 0 : itemIndent_ * item->IndentLevel();
  int x = rect.Left + indent + 1;
  if (images_) {
    // On the combo's colour; the list (shared with other controls: the
    // system's icons) is left unchanged, so painting never asks for more
    // painting.
    if (item->ImageIndex() >= 0)
      images_->DrawOverlayOn(c, rect.Left + indent + 2,
                             (rect.Top + rect.Bottom - images_->Height()) / 2, item->ImageIndex(),
                             item->OverlayIndex(), selected ? dsSelected : dsNormal,
                             TUiFramedControl::Color());
    x += images_->Width() + 4;
  } else {
    x += 4;
  }
  c.Font.Assign(Font());
  const int tw = Fonts().TextExtent(Font(), item->Caption()).cx;
  const TRect text(x, rect.Top, x + tw + 3, rect.Bottom - 1);
  c.Brush.SetColor(selected ? clHighlight : TUiFramedControl::Color());
  c.SetTextColor(!Enabled() ? clBtnShadow : selected ? clHighlightText : Font().Color());
  c.SetBkMode(OPAQUE);
  c.TextRect(text, x + 1, rect.Top + 1, item->Caption());
}

// ---- named colours ----------------------------------------------------------------------------

const std::array<TUiColorName, 43> UiColorNames = {{
    {"Default", 0},
    {"Custom", 0},
    {"Black", 0x000000},
    {"Maroon", 0x000080},
    {"Green", 0x008000},
    {"Olive", 0x008080},
    {"Navy", 0x800000},
    {"Purple", 0x800080},
    {"Teal", 0x808000},
    {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},
    {"Red", 0x0000FF},
    {"Lime", 0x00FF00},
    {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},
    {"Fuchsia", 0xFF00FF},
    {"Aqua", 0xFFFF00},
    {"White", 0xFFFFFF},
    {"ScrollBar", 0x80000000},
    {"Background", 0x80000001},
    {"ActiveCaption", 0x80000002},
    {"InactiveCaption", 0x80000003},
    {"Menu", 0x80000004},
    {"Window", 0x80000005},
    {"WindowFrame", 0x80000006},
    {"MenuText", 0x80000007},
    {"WindowText", 0x80000008},
    {"CaptionText", 0x80000009},
    {"ActiveBorder", 0x8000000A},
    {"InactiveBorder", 0x8000000B},
    {"AppWorkSpace", 0x8000000C},
    {"Highlight", 0x8000000D},
    {"HighlightText", 0x8000000E},
    {"BtnFace", 0x8000000F},
    {"BtnShadow", 0x80000010},
    {"GrayText", 0x80000011},
    {"BtnText", 0x80000012},
    {"InactiveCaptionText", 0x80000013},
    {"BtnHighlight", 0x80000014},
    {"3DDkShadow", 0x80000015},
    {"3DLight", 0x80000016},
    {"InfoText", 0x80000017},
    {"InfoBk", 0x80000018},
}};

}  // namespace qv
