#include "editor/CodeCompletionProposal.h"

#include <algorithm>
#include <cstdint>

#include "editor/CodeEdit.h"
#include "editor/CodeEditMiscProcs.h"
#include "editor/CodeEditPrivate.h"
#include "platform/core/ShortCuts.h"
#include "platform/core/SysUtils.h"

namespace qv {

using codeedit::TFinally;

namespace {

TCompletionWindowFactory& WindowFactory() {
  static TCompletionWindowFactory factory;
  return factory;
}

std::u32string Lower(std::u32string s) {
  for (char32_t& c : s) c = CodeCharLower(c);
  return s;
}

void SetStyleBit(TFontStyles& Style, TFontStyle Bit, bool On) {
  if (On)
    Style.Include(Bit);
  else
    Style.Exclude(Bit);
}

}  // namespace

void SetCompletionWindowFactory(TCompletionWindowFactory Factory) {
  WindowFactory() = std::move(Factory);
}

// ---- pretty text ---------------------------------------------------------------

void PrettyTextOut(TCanvas& ACanvas, int X, int Y, const std::string& Text, bool Selected,
                   bool Aligned, const std::string& BiggestWord) {
  const int saved = ACanvas.SaveDC();
  TFontStyles style = ACanvas.Font.Style();
  const int nameColumn = Aligned ? ACanvas.TextWidth(BiggestWord) : 0;
  ACanvas.SetBkMode(TRANSPARENT);
  int x = X;
  bool bold = style.Contains(fsBold);
  bool firstTab = true;
  const size_t n = Text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(Text[i]);
    if (b == 1) {
      // Colour: three bytes r, g, b follow; a cut-off code ends the text.
      if (n - i < 4) break;
      if (!Selected) {
        const TColor c =
            RGB(static_cast<unsigned char>(Text[i + 1]), static_cast<unsigned char>(Text[i + 2]),
                static_cast<unsigned char>(Text[i + 3]));
        ACanvas.Font.SetColor(c);
        ACanvas.SetTextColor(c);
      }
      i += 4;
      continue;
    }
    if (b == 2) {
      if (n - i < 2) break;
      switch (Text[i + 1]) {
        case 'B':
        case 'b':
          bold = Text[i + 1] == 'B';
          SetStyleBit(style, fsBold, bold);
          break;
        case 'I':
        case 'i':
          SetStyleBit(style, fsItalic, Text[i + 1] == 'I');
          break;
        case 'U':
        case 'u':
          SetStyleBit(style, fsUnderline, Text[i + 1] == 'U');
          break;
        default:
          break;
      }
      ACanvas.Font.SetStyle(style);
      i += 2;
      continue;
    }
    if (b == '\t') {
      if (bold) {
        bold = false;
        ++x;
      } else {
        bold = true;
      }
      if (firstTab && Aligned) x = X + nameColumn + 1;
      firstTab = false;
      SetStyleBit(style, fsBold, bold);
      ACanvas.Font.SetStyle(style);
      ++i;
      continue;
    }
    const size_t start = i;
    UTF8NextChar(Text, i);
    const std::string ch = Text.substr(start, i - start);
    const int w = ACanvas.TextWidth(ch);
    if (Aligned && firstTab && x + w > X + nameColumn) continue;
    ACanvas.TextOut(x, Y, ch);
    x += w;
  }
  ACanvas.RestoreDC(saved);
}

std::string FormatParameterList(const std::string& List, int Index) {
  std::string r;
  int i = 0;
  size_t start = 0;
  while (true) {
    const size_t comma = List.find(',', start);
    const std::string item =
        Trim(List.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (i > 0) r += ", ";
    r += i == Index ? "\t" + item + "\t" : item;
    if (comma == std::string::npos) break;
    start = comma + 1;
    ++i;
  }
  return r;
}

// ---- the form -------------------------------------------------------------------

TCodeBaseCompletionProposalForm::TCodeBaseCompletionProposalForm() {
  font_.SetColor(clBtnText);
  titleFont_.SetColor(clBtnText);
  font_.OnChange = [this](TGraphicsObject*) { FontChanged(); };
  titleFont_.OnChange = [this](TGraphicsObject*) { FontChanged(); };
  FontChanged();
}

TCodeBaseCompletionProposalForm::~TCodeBaseCompletionProposalForm() {
  // The window goes first: it lets go of this core.
  ownedWindow_.reset();
  window_ = nullptr;
  font_.OnChange = nullptr;
  titleFont_.OnChange = nullptr;
}

void TCodeBaseCompletionProposalForm::AdoptWindow(std::unique_ptr<TCompletionWindow> Value) {
  ownedWindow_ = std::move(Value);
  window_ = ownedWindow_.get();
}

TFontService& TCodeBaseCompletionProposalForm::Fonts() const {
  return host_ ? host_->Fonts() : FontService();
}

void TCodeBaseCompletionProposalForm::FontChanged() {
  itemHeight_ = std::max(1, Fonts().TextExtent(font_, "CompletionProposal").cy);
  titleHeight_ = std::max(1, Fonts().TextExtent(titleFont_, "CompletionProposal").cy);
  if (visible_ && displayType_ == ctCode) PlaceAt(bounds_.Left, bounds_.Top);
  Repaint();
}

void TCodeBaseCompletionProposalForm::SetTitle(const std::string& Value) {
  if (Value == title_) return;
  title_ = Value;
  if (visible_ && displayType_ == ctCode) PlaceAt(bounds_.Left, bounds_.Top);
  Repaint();
}

void TCodeBaseCompletionProposalForm::SetNbLinesInWindow(int Value) {
  nbLinesInWindow_ = std::max(1, Value);
  ScrollTo(scrollPos_);
  if (visible_ && displayType_ == ctCode) PlaceAt(bounds_.Left, bounds_.Top);
  Repaint();
}

void TCodeBaseCompletionProposalForm::SetCurrentEditor(TCustomCodeEdit* Value) {
  if (Value == currentEditor_) return;
  if (visible_) Hide();
  currentEditor_ = Value;
}

bool TCodeBaseCompletionProposalForm::IsEndOfTokenChar(char32_t C) const {
  return UTF8ToCodePoints(endOfTokenChr_).find(C) != std::u32string::npos;
}

// ---- window ----

void TCodeBaseCompletionProposalForm::SetBoundsRect(const TRect& R) {
  bounds_ = R;
  if (window_) {
    window_->SetBounds(R);
    const int sbw = window_->ScrollBarWidth();
    const TRect bar(R.Width() - 1 - sbw, TitleBand() + 1, R.Width() - 1, R.Height() - 1);
    window_->SetScrollBarBounds(bar, displayType_ == ctCode);
  }
}

void TCodeBaseCompletionProposalForm::PlaceAt(int X, int Y) {
  int w = bounds_.Width(), h = bounds_.Height();
  if (displayType_ == ctCode) {
    w = width_;
    h = itemHeight_ * nbLinesInWindow_ + 2 + TitleBand();
  }
  if (window_) {
    const TRect work = window_->WorkArea(TPoint(X, Y));
    if (X + w > work.Right) X = std::max(work.Left, X - w);
    if (Y + h > work.Bottom) Y = Y - h - (currentEditor_ ? currentEditor_->LineHeight() : 0);
  }
  SetBoundsRect(TRect(X, Y, X + w, Y + h));
}

void TCodeBaseCompletionProposalForm::Show(bool Activate) {
  const bool wasActivated = activated_;
  visible_ = true;
  activated_ = Activate;
  UpdateScrollBar();
  if (Activate && !wasActivated && currentEditor_) {
    savedAlwaysShowCaret_ = currentEditor_->AlwaysShowCaret();
    currentEditor_->SetAlwaysShowCaret(true);
    currentEditor_->AddFocusTaker(this);
  }
  if (window_) window_->ShowWindow(Activate);
  Repaint();
}

void TCodeBaseCompletionProposalForm::Hide() {
  if (!visible_) return;
  visible_ = false;
  if (window_) window_->HideWindow();
  if (activated_ && currentEditor_) {
    currentEditor_->RemoveFocusTaker(this);
    currentEditor_->SetAlwaysShowCaret(savedAlwaysShowCaret_);
  }
  activated_ = false;
}

void TCodeBaseCompletionProposalForm::WindowClosed() {
  if (!visible_) return;
  Cancel();
}

void TCodeBaseCompletionProposalForm::Cancel() {
  if (OnCancel)
    OnCancel();
  else
    Hide();
}

void TCodeBaseCompletionProposalForm::Repaint() {
  if (host_ && visible_) host_->Invalidate();
}

// ---- list ----

void TCodeBaseCompletionProposalForm::SetItemList(const TStrings& Value) {
  itemList_.Assign(Value);
  assignedList_.clear();
  position_ = 0;
  ScrollTo(0);
  Repaint();
}

int TCodeBaseCompletionProposalForm::FullIndex(int VisibleIndex) const {
  if (VisibleIndex < 0 || VisibleIndex >= itemList_.Count()) return -1;
  const auto tag = reinterpret_cast<intptr_t>(itemList_.GetObject(VisibleIndex));
  return tag > 0 ? int(tag - 1) : VisibleIndex;
}

bool TCodeBaseCompletionProposalForm::Matches(const std::string& Item) const {
  std::string name = Item;
  if (UsePrettyText) {
    const size_t tab = Item.find('\t');
    if (tab != std::string::npos) name = Item.substr(tab + 1);
  }
  const std::u32string typed = Lower(UTF8ToCodePoints(currentString_));
  std::u32string head = UTF8ToCodePoints(name);
  if (head.size() < typed.size()) return false;
  head.resize(typed.size());
  return Lower(head) == typed;
}

void TCodeBaseCompletionProposalForm::Rebuild() {
  if (size_t(itemList_.Count()) > assignedList_.size()) {
    assignedList_.clear();
    for (int i = 0; i < itemList_.Count(); ++i) assignedList_.push_back(itemList_.Get(i));
  }
  itemList_.Clear();
  for (size_t i = 0; i < assignedList_.size(); ++i)
    if (Matches(assignedList_[i]))
      itemList_.AddObject(assignedList_[i], reinterpret_cast<void*>(intptr_t(i + 1)));
}

void TCodeBaseCompletionProposalForm::SetCurrentString(const std::string& Value) {
  currentString_ = Value;
  if (displayType_ == ctHint) return;
  if (!CaseSensitive) currentString_ = CodePointsToUTF8(Lower(UTF8ToCodePoints(Value)));
  if (MatchText) {
    Rebuild();
  } else if (!assignedList_.empty()) {
    // No longer narrowed: the whole list again.
    TStringList all(assignedList_);
    itemList_.Assign(all);
    assignedList_.clear();
  }
  int first = 0;
  for (int i = 0; i < itemList_.Count(); ++i)
    if (Matches(itemList_.Get(i))) {
      first = i;
      break;
    }
  ScrollTo(scrollPos_);
  if (itemList_.Count() > 0) {
    SetPosition(first);
  } else {
    position_ = 0;
    UpdateScrollBar();
  }
  Repaint();
}

int TCodeBaseCompletionProposalForm::ScrollMax() const {
  return std::max(0, itemList_.Count() - nbLinesInWindow_);
}

void TCodeBaseCompletionProposalForm::ScrollTo(int Value) {
  scrollPos_ = std::clamp(Value, 0, ScrollMax());
}

void TCodeBaseCompletionProposalForm::UpdateScrollBar() {
  if (!host_ || displayType_ != ctCode) return;
  TScrollInfo info;
  info.Min = 0;
  info.Max = ScrollMax();
  info.Page = nbLinesInWindow_;
  info.Pos = scrollPos_;
  info.Visible = true;
  host_->SetScrollInfo(sbVertical, info);
}

void TCodeBaseCompletionProposalForm::SetPosition(int Value) {
  if (Value < 0 || Value >= itemList_.Count()) return;
  const bool changed = Value != position_;
  position_ = Value;
  if (position_ < scrollPos_)
    ScrollTo(position_);
  else if (position_ >= scrollPos_ + nbLinesInWindow_)
    ScrollTo(position_ - nbLinesInWindow_ + 1);
  UpdateScrollBar();
  if (changed && visible_ && OnChange) OnChange(this, position_);
  Repaint();
}

void TCodeBaseCompletionProposalForm::MoveLine(int Delta) {
  if (itemList_.Count() == 0) return;
  SetPosition(std::clamp(position_ + Delta, 0, itemList_.Count() - 1));
}

// ---- input ----

void TCodeBaseCompletionProposalForm::KeyDown(int& Key, TShiftState Shift) {
  if (!visible_) return;
  const TShiftState mods = Shift & (ssShift | ssAlt | ssCtrl);
  if (displayType_ == ctHint) {
    if (Key != VK_SHIFT && Key != VK_CONTROL && Key != VK_MENU) Cancel();
    return;
  }
  if (displayType_ == ctParams) {
    if (Key == VK_ESCAPE) {
      Cancel();
      Key = 0;
    } else if (Key == VK_RETURN && currentEditor_) {
      const int lh = currentEditor_->LineHeight();
      SetBoundsRect(TRect(bounds_.Left, bounds_.Top + lh, bounds_.Right, bounds_.Bottom + lh));
    }
    return;
  }
  switch (Key) {
    case VK_RETURN:
    case VK_TAB:
      if (OnValidate) OnValidate(Shift, 0);
      Key = 0;
      break;
    case VK_SPACE:
      // A blank that ends a token is handled with the character.
      if (!IsEndOfTokenChar(U' ')) {
        if (OnValidate) OnValidate(Shift, 0);
        Key = 0;
      }
      break;
    case VK_ESCAPE:
      Cancel();
      Key = 0;
      break;
    case VK_BACK:
      if (mods != 0) break;
      if (!currentString_.empty()) {
        std::u32string s = UTF8ToCodePoints(currentString_);
        s.pop_back();
        SetCurrentString(CodePointsToUTF8(s));
        if (OnKeyPress) OnKeyPress(char32_t(8));
      } else if (OnKeyDelete) {
        OnKeyDelete();
      } else {
        Cancel();
      }
      Key = 0;
      break;
    case VK_PRIOR:
      MoveLine(-nbLinesInWindow_);
      Key = 0;
      break;
    case VK_NEXT:
      MoveLine(nbLinesInWindow_);
      Key = 0;
      break;
    case VK_END:
      MoveLine(itemList_.Count());
      Key = 0;
      break;
    case VK_HOME:
      MoveLine(-itemList_.Count());
      Key = 0;
      break;
    case VK_LEFT:
    case VK_RIGHT: {
      TCustomCodeEdit* editor = currentEditor_;
      Cancel();
      if (editor) editor->CommandProcessor(Key == VK_LEFT ? ecLeft : ecRight, 0, nullptr);
      Key = 0;
      break;
    }
    case VK_UP:
      if (mods & ssCtrl)
        MoveLine(-itemList_.Count());
      else
        MoveLine(-1);
      Key = 0;
      break;
    case VK_DOWN:
      if (mods & ssCtrl)
        MoveLine(itemList_.Count());
      else
        MoveLine(1);
      Key = 0;
      break;
    default:
      break;
  }
}

void TCodeBaseCompletionProposalForm::KeyPress(char32_t& Key) {
  if (!visible_ || Key == 0) return;
  const char32_t key = Key;
  Key = 0;
  if (displayType_ == ctHint) {
    Cancel();
    return;
  }
  if (displayType_ == ctParams) {
    if (key == 27) {
      Cancel();
    } else if (UTF8ToCodePoints(TriggerChars).find(key) != std::u32string::npos &&
               OnParameterToken) {
      int level = CurrentLevel, index = CurrentIndex;
      std::string display;
      OnParameterToken(this, CurrentIndex, level, index, key, display);
      CurrentIndex = index;
      CurrentLevel = level;
      Repaint();
    }
    return;
  }
  if (key < 32) {
    // Enter, TAB, backspace and Escape were handled as keys; other control
    // characters close the list.
    if (key != 8 && key != 9 && key != 13 && key != 27) Cancel();
    return;
  }
  if (IsEndOfTokenChar(key) && OnValidate) OnValidate(0, key);
  if (visible_) {
    std::u32string s = UTF8ToCodePoints(currentString_);
    s.push_back(key);
    SetCurrentString(CodePointsToUTF8(s));
  }
  if (OnKeyPress) OnKeyPress(key);
}

void TCodeBaseCompletionProposalForm::MouseDown(TMouseButton Button, TShiftState, int, int Y) {
  if (!visible_ || displayType_ != ctCode || Button != mbLeft) return;
  const int row = Y - TitleBand() - 1;
  if (row < 0) return;
  const int line = scrollPos_ + row / itemHeight_;
  if (line < itemList_.Count() && row / itemHeight_ < nbLinesInWindow_) SetPosition(line);
}

bool TCodeBaseCompletionProposalForm::MouseWheel(TShiftState Shift, int WheelDelta, int, int) {
  if (!visible_ || displayType_ != ctCode) return false;
  int lines = nbLinesInWindow_;
  if (!(Shift & ssCtrl)) {
    lines = window_ ? window_->WheelScrollLines() : 3;
    if (lines < 0 || lines > nbLinesInWindow_) lines = nbLinesInWindow_;
  }
  wheelAccumulator_ += WheelDelta;
  const int notches = wheelAccumulator_ / 120;
  wheelAccumulator_ %= 120;
  if (notches != 0) MoveLine(-lines * notches);
  return true;
}

void TCodeBaseCompletionProposalForm::Scroll(TScrollBarKind Bar, TScrollCode Code, int Pos) {
  if (Bar != sbVertical || displayType_ != ctCode) return;
  int p = scrollPos_;
  switch (Code) {
    case scLineUp:
      --p;
      break;
    case scLineDown:
      ++p;
      break;
    case scPageUp:
      p -= nbLinesInWindow_;
      break;
    case scPageDown:
      p += nbLinesInWindow_;
      break;
    case scPosition:
    case scTrack:
      p = Pos;
      break;
    case scTop:
      p = 0;
      break;
    case scBottom:
      p = ScrollMax();
      break;
    case scEndScroll:
      return;
  }
  ScrollTo(p);
  // The selection stays among the lines shown.
  if (position_ < scrollPos_)
    SetPosition(scrollPos_);
  else if (position_ >= scrollPos_ + nbLinesInWindow_)
    SetPosition(scrollPos_ + nbLinesInWindow_ - 1);
  UpdateScrollBar();
  Repaint();
}

void TCodeBaseCompletionProposalForm::Timer(int Id) {
  if (OnTimer) OnTimer(Id);
}

// ---- painting ----

void TCodeBaseCompletionProposalForm::Paint(TCanvas& C, const TRect&) {
  const TRect client(0, 0, bounds_.Width(), bounds_.Height());
  C.Brush.SetStyle(bsSolid);
  C.Brush.SetColor(clBlack);
  C.FrameRect(client);
  if (displayType_ == ctCode)
    PaintCodeList(C);
  else
    PaintHint(C);
}

void TCodeBaseCompletionProposalForm::PaintCodeList(TCanvas& C) {
  const int w = bounds_.Width();
  const int band = TitleBand();
  const int sbw = window_ ? window_->ScrollBarWidth() : 16;
  const TRect list(1, band + 1, std::max(1, w - 1 - sbw),
                   band + 1 + itemHeight_ * nbLinesInWindow_);
  C.Brush.SetColor(ClBackground);
  C.FillRect(list);
  const int saved = C.SaveDC();
  C.IntersectClipRect(list);
  for (int i = 0; i < nbLinesInWindow_; ++i) {
    const int index = scrollPos_ + i;
    if (index >= itemList_.Count()) break;
    const TRect item(list.Left, list.Top + i * itemHeight_, list.Right,
                     list.Top + (i + 1) * itemHeight_);
    const bool selected = index == position_;
    C.Brush.SetStyle(bsSolid);
    C.Brush.SetColor(selected ? ClSelect : ClBackground);
    C.FillRect(item);
    C.Font.Assign(font_);
    C.Font.SetColor(selected ? ClSelectedText : font_.Color());
    C.SetTextColor(C.Font.Color());
    bool custom = false;
    if (OnPaintItem) OnPaintItem(index, C, item, custom);
    if (custom) continue;
    if (UsePrettyText) {
      PrettyTextOut(C, item.Left + 1, item.Top, itemList_.Get(index), selected, true, biggestWord_);
    } else {
      C.SetBkMode(TRANSPARENT);
      C.TextOut(item.Left + 2, item.Top, itemList_.Get(index));
    }
  }
  C.RestoreDC(saved);
  if (band > 0) {
    TRect title(1, 1, w - 1, band + 1);
    C.Brush.SetStyle(bsSolid);
    C.Brush.SetColor(ClTitleBackground);
    C.FillRect(title);
    C.DrawEdge(title, BDR_RAISEDINNER, BF_RECT);
    C.Font.Assign(titleFont_);
    C.SetBkMode(TRANSPARENT);
    const int tw = C.TextWidth(title_);
    C.TextOut(CenterTitle ? std::max(2, (w - tw) / 2) : 2, 1, title_);
  }
}

void TCodeBaseCompletionProposalForm::PaintHint(TCanvas& C) {
  const TRect inside(1, 1, bounds_.Width() - 1, bounds_.Height() - 1);
  C.Brush.SetStyle(bsSolid);
  C.Brush.SetColor(ClBackground);
  C.FillRect(inside);
  const int step =
      displayType_ == ctHint ? Fonts().TextExtent(font_, "Wg").cy + 4 : itemHeight_ + 4;
  for (int i = 0; i < itemList_.Count(); ++i) {
    const TRect item(inside.Left, inside.Top + i * step, inside.Right, inside.Top + (i + 1) * step);
    C.Font.Assign(font_);
    C.SetTextColor(font_.Color());
    bool custom = false;
    if (OnPaintItem) OnPaintItem(i, C, item, custom);
    if (custom) continue;
    const std::string text = displayType_ == ctParams
                                 ? FormatParameterList(itemList_.Get(i), CurrentIndex)
                                 : itemList_.Get(i);
    PrettyTextOut(C, item.Left + 1, item.Top + 1, text, false, false, biggestWord_);
  }
}

// ---- the base component ------------------------------------------------------------

TCodeBaseCompletionProposal::TCodeBaseCompletionProposal()
    : form_(std::make_unique<TCodeBaseCompletionProposalForm>()) {
  form_->OnChange = [this](void*, int Index) {
    if (OnChange) OnChange(this, Index);
  };
  form_->OnPaintItem = [this](int Index, TCanvas& C, const TRect& R, bool& Custom) {
    if (OnPaintItem) OnPaintItem(Index, C, R, Custom);
  };
  form_->OnParameterToken = [this](void*, int Current, int& Level, int& Index, char32_t Key,
                                   std::string& Display) {
    if (OnParameterToken) OnParameterToken(this, Current, Level, Index, Key, Display);
  };
  if (WindowFactory()) form_->AdoptWindow(WindowFactory()(*form_));
}

TCodeBaseCompletionProposal::~TCodeBaseCompletionProposal() {
  if (form_->Visible()) form_->Hide();
  form_->SetCurrentEditor(nullptr);
}

void TCodeBaseCompletionProposal::SetOptions(TCodeCompletionOptions Value) {
  options_ = Value;
  TCodeBaseCompletionProposalForm& f = *form_;
  f.AnsiStrings = Value & scoAnsiStrings;
  f.CaseSensitive = Value & scoCaseSensitive;
  f.MatchText = Value & scoLimitToMatchedText;
  f.CenterTitle = Value & scoTitleIsCentered;
  f.UseInsertList = Value & scoUseInsertList;
  f.UsePrettyText = Value & scoUsePrettyText;
}

bool TCodeBaseCompletionProposal::IsTriggerChar(char32_t C) const {
  return C != 0 && UTF8ToCodePoints(triggerChars_).find(C) != std::u32string::npos;
}

void TCodeBaseCompletionProposal::Deactivate() {
  if (form_->Visible()) form_->Hide();
}

void TCodeBaseCompletionProposal::ExecuteEx(const std::string& S, int x, int y,
                                            CodeCompletionType Kind) {
  TCodeBaseCompletionProposalForm& f = *form_;
  f.SetDisplayType(Kind);
  std::string text = S;
  bool canExecute = true;
  if (OnExecute) OnExecute(Kind, this, text, x, y, canExecute);
  if (!canExecute) {
    if (f.Visible()) f.Hide();
    return;
  }
  TFontService& fonts = f.Host() ? f.Host()->Fonts() : FontService();
  TFont bold;
  bold.Assign(f.Font());
  bold.SetStyle(bold.Style() + TFontStyles{fsBold});
  switch (Kind) {
    case ctCode:
      f.SetCurrentString(text);
      f.PlaceAt(x, y);
      f.Show(true);
      break;
    case ctParams: {
      const std::string shown =
          f.ItemList().Count() > 0 ? FormatParameterList(f.ItemList().Get(0), f.CurrentIndex) : "";
      if (shown != lastParamsText_ || !f.Visible()) {
        lastParamsText_ = shown;
        lastParamsIndent_ = -1;
      }
      std::string plain = shown;
      plain.erase(std::remove(plain.begin(), plain.end(), '\t'), plain.end());
      const size_t tab = shown.find('\t');
      const int indent = fonts.TextExtent(bold, shown.substr(0, tab)).cx;
      // The current parameter stays under the caret while the text before
      // it keeps its width.
      if (indent != lastParamsIndent_) {
        lastParamsIndent_ = indent;
        lastParamsLeft_ = x - indent;
      }
      const int width = fonts.TextExtent(bold, plain).cx + 4;
      f.SetBoundsRect(TRect(lastParamsLeft_, y, lastParamsLeft_ + width, y + f.ItemHeight() + 4));
      f.Show(false);
      break;
    }
    case ctHint: {
      int width = 0;
      for (int i = 0; i < f.ItemList().Count(); ++i)
        width = std::max(width, fonts.TextExtent(bold, f.ItemList().Get(i)).cx);
      const int line = fonts.TextExtent(f.Font(), "Wg").cy + 4;
      f.SetBoundsRect(TRect(x, y, x + width + 4, y + line * f.ItemList().Count() + 2));
      f.Show(false);
      break;
    }
  }
}

void TCodeBaseCompletionProposal::AddItem(const std::string& ADisplayText,
                                          const std::string& AInsertText) {
  AddItemAt(std::min(form_->ItemList().Count(), form_->InsertList().Count()), ADisplayText,
            AInsertText);
}

void TCodeBaseCompletionProposal::AddItemAt(int Where, const std::string& ADisplayText,
                                            const std::string& AInsertText) {
  TCodeBaseCompletionProposalForm& f = *form_;
  // Items are added to the whole list, not to the narrowed one.
  if (!f.AssignedList().empty()) {
    TStringList all(f.AssignedList());
    f.SetItemList(all);
  }
  if (Where < 0 || Where > f.ItemList().Count() || Where > f.InsertList().Count())
    throw ECompletionProposal("Cannot insert item at position " + IntToStr(Where) + ".");
  f.ItemList().Insert(Where, ADisplayText);
  f.InsertList().Insert(Where, AInsertText);
}

void TCodeBaseCompletionProposal::ClearList() {
  form_->ItemList().Clear();
  form_->InsertList().Clear();
  form_->ResetAssignedList();
  form_->SetPosition(0);
}

std::string TCodeBaseCompletionProposal::DisplayItem(int AIndex) const {
  TStringList& l = form_->ItemList();
  return AIndex >= 0 && AIndex < l.Count() ? l.Get(AIndex) : std::string();
}

std::string TCodeBaseCompletionProposal::InsertItem(int AIndex) const {
  TStringList& l = form_->InsertList();
  return AIndex >= 0 && AIndex < l.Count() ? l.Get(AIndex) : std::string();
}

// ---- the editor component ----------------------------------------------------------

TCodeCompletionProposal::TCodeCompletionProposal() : shortCut_(scCtrl | VK_SPACE) {
  SetTriggerChars(".");
  SetOptions(scoLimitToMatchedText | scoEndCharCompletion);
  TCodeBaseCompletionProposalForm& f = *form_;
  f.OnKeyPress = [this](char32_t Key) { FormKeyPress(Key); };
  f.OnKeyDelete = [this] { FormKeyDelete(); };
  f.OnValidate = [this](TShiftState Shift, char32_t EndToken) { FormValidate(Shift, EndToken); };
  f.OnCancel = [this] { FormCancel(); };
  f.OnTimer = [this](int Id) {
    if (Id == TriggerTimerId) TimerFired();
  };
}

TCodeCompletionProposal::~TCodeCompletionProposal() {
  StopTimer();
  while (!editors_.empty()) DetachEditor(editors_.back());
  form_->OnCancel = nullptr;
  form_->OnTimer = nullptr;
}

void TCodeCompletionProposal::SetOptions(TCodeCompletionOptions Value) {
  TCodeBaseCompletionProposal::SetOptions(Value);
  if (Value & scoUseBuiltInTimer) {
    timerExists_ = true;
  } else {
    StopTimer();
    timerExists_ = false;
  }
}

void TCodeCompletionProposal::SetTimerInterval(int Value) {
  timerInterval_ = std::max(1, Value);
  if (timerEnabled_) StartTimer();
}

void TCodeCompletionProposal::StartTimer() {
  if (!timerExists_) return;
  timerEnabled_ = true;
  if (TControlHost* host = form_->Host()) host->SetTimer(TriggerTimerId, timerInterval_);
}

void TCodeCompletionProposal::StopTimer() {
  timerEnabled_ = false;
  if (TControlHost* host = form_->Host()) host->KillTimer(TriggerTimerId);
}

int TCodeCompletionProposal::IndexOfEditor(const TCustomCodeEdit* E) const {
  const auto it = std::find(editors_.begin(), editors_.end(), E);
  return it == editors_.end() ? -1 : int(it - editors_.begin());
}

TCustomCodeEdit* TCodeCompletionProposal::Editors(int Index) const {
  return Index >= 0 && Index < EditorsCount() ? editors_[size_t(Index)] : nullptr;
}

TCustomCodeEdit* TCodeCompletionProposal::CurrentEditor() const { return Editors(currentEditor_); }

TCustomCodeEdit* TCodeCompletionProposal::Editor() const {
  if (TCustomCodeEdit* e = CurrentEditor()) return e;
  return Editors(0);
}

void TCodeCompletionProposal::SetEditor(TCustomCodeEdit* Value) {
  for (TCustomCodeEdit* e : std::vector<TCustomCodeEdit*>(editors_))
    if (e != Value) DetachEditor(e);
  if (Value) AttachEditor(Value);
}

void TCodeCompletionProposal::AttachEditor(TCustomCodeEdit* Value) {
  if (!Value || IndexOfEditor(Value) >= 0) return;
  editors_.push_back(Value);
  Value->AddKeyDownHandler(
      TCodeKeyDownHandler(this, [this](void* Sender, uint16_t& Key, TShiftState Shift) {
        EditorKeyDown(Sender, Key, Shift);
      }));
  Value->AddKeyPressHandler(TCodeKeyPressHandler(
      this, [this](void* Sender, char32_t& Key) { EditorKeyPress(Sender, Key); }));
  Value->AddCommandHook(
      THookedCommandEvent(
          this, [this](TCustomCodeEdit* Sender, bool After, bool& Handled,
                       TCodeEditorCommand& Command, char32_t& AChar, void* Data,
                       void*) { EditorCommandHook(Sender, After, Handled, Command, AChar, Data); }),
      this);
  Value->AddDestroyListener(TCodeNotifyEvent(
      this, [this](void* Sender) { DetachEditor(static_cast<TCustomCodeEdit*>(Sender)); }));
  if (currentEditor_ < 0) currentEditor_ = IndexOfEditor(Value);
}

void TCodeCompletionProposal::DetachEditor(TCustomCodeEdit* Value) {
  const int index = IndexOfEditor(Value);
  if (index < 0) return;
  // A pending trigger must not open the pop-up for an editor no longer
  // served, and a pop-up serving it goes.
  StopTimer();
  if (index == currentEditor_ || form_->CurrentEditor() == Value) {
    form_->Hide();
    form_->SetCurrentEditor(nullptr);
    noNextKey_ = false;
  }
  if (index == currentEditor_)
    currentEditor_ = -1;
  else if (index < currentEditor_)
    --currentEditor_;
  const auto noKeyDown = [](void*, uint16_t&, TShiftState) {};
  Value->RemoveKeyDownHandler(TCodeKeyDownHandler(this, noKeyDown));
  Value->RemoveKeyPressHandler(TCodeKeyPressHandler(this, [](void*, char32_t&) {}));
  Value->RemoveCommandHook(
      THookedCommandEvent(
          this, [](TCustomCodeEdit*, bool, bool&, TCodeEditorCommand&, char32_t&, void*, void*) {}),
      this);
  Value->RemoveDestroyListener(TCodeNotifyEvent(this, [](void*) {}));
  editors_.erase(editors_.begin() + index);
}

std::string TCodeCompletionProposal::WordBeforeCaret(TCustomCodeEdit& E) const {
  const std::u32string line = UTF8ToCodePoints(E.LineText());
  const int end = std::clamp(E.CaretX() - 1, 0, int(line.size()));
  int start = end;
  while (start > 0 && line[size_t(start - 1)] >= 33 &&
         !form_->IsEndOfTokenChar(line[size_t(start - 1)]))
    --start;
  return CodePointsToUTF8(line.substr(size_t(start), size_t(end - start)));
}

void TCodeCompletionProposal::ActivateForEditor(TCustomCodeEdit* AEditor) {
  const int index = IndexOfEditor(AEditor);
  if (index < 0 || AEditor->ReadOnly()) return;
  currentEditor_ = index;
  form_->SetCurrentEditor(AEditor);
  TPoint p = AEditor->RowColumnToPixels(AEditor->CaretToDisplayColumn(AEditor->CaretXY()));
  p.Y += AEditor->LineHeight();
  if (TCodeEditHost* host = AEditor->EditHost()) p = host->ClientToScreen(p);
  ExecuteEx(WordBeforeCaret(*AEditor), p.X, p.Y, defaultType_);
  noNextKey_ = defaultType_ == ctCode && Active();
}

void TCodeCompletionProposal::ExecuteEx(const std::string& S, int x, int y,
                                        CodeCompletionType Kind) {
  TCodeBaseCompletionProposal::ExecuteEx(S, x, y, Kind);
  if (Kind != ctCode) StopTimer();
}

void TCodeCompletionProposal::CancelParameterHint() {
  if (!Active()) return;
  form_->Hide();
  if (OnCancelled) OnCancelled(this);
}

void TCodeCompletionProposal::EditorKeyDown(void* Sender, uint16_t& Key, TShiftState Shift) {
  auto* editor = static_cast<TCustomCodeEdit*>(Sender);
  if (IndexOfEditor(editor) < 0 || Key == 0) return;
  int shortCut = Key;
  if (Shift & ssShift) shortCut |= scShift;
  if (Shift & ssCtrl) shortCut |= scCtrl;
  if (Shift & ssAlt) shortCut |= scAlt;
  if (shortCut != shortCut_ || editor->ReadOnly()) return;
  currentEditor_ = IndexOfEditor(editor);
  StopTimer();
  ActivateForEditor(editor);
  Key = 0;
}

void TCodeCompletionProposal::EditorKeyPress(void* Sender, char32_t& Key) {
  auto* editor = static_cast<TCustomCodeEdit*>(Sender);
  if (Active() && noNextKey_) {
    noNextKey_ = false;
    Key = 0;
    return;
  }
  if (!timerExists_ || Key == 0) return;
  if (IsTriggerChar(Key)) {
    currentEditor_ = IndexOfEditor(editor);
    StartTimer();
  } else if (!Active()) {
    StopTimer();
  }
}

void TCodeCompletionProposal::EditorCommandHook(TCustomCodeEdit* Sender, bool, bool&,
                                                TCodeEditorCommand& Command, char32_t& AChar,
                                                void*) {
  if (form_->DisplayType() != ctParams) return;
  if (Command == ecLostFocus || (Command == ecChar && AChar == 27))
    CancelParameterHint();
  else if (Active())
    ActivateForEditor(Sender);
}

void TCodeCompletionProposal::TimerFired() {
  StopTimer();
  const bool appActive = !form_->Window() || form_->Window()->ApplicationActive();
  if (appActive) {
    if (TCustomCodeEdit* e = CurrentEditor()) ActivateForEditor(e);
  } else if (Active()) {
    form_->Hide();
  }
}

void TCodeCompletionProposal::FormKeyPress(char32_t Key) {
  TCustomCodeEdit* editor = form_->CurrentEditor();
  if (!editor) return;
  if (Key == 8) {
    editor->CommandProcessor(ecDeleteLastChar, 0, nullptr);
    return;
  }
  editor->CommandProcessor(ecChar, Key, nullptr);
  if (!Active() && IsTriggerChar(Key)) ActivateForEditor(editor);
}

void TCodeCompletionProposal::FormKeyDelete() {
  TCustomCodeEdit* editor = form_->CurrentEditor();
  FormCancel();
  if (editor) editor->CommandProcessor(ecDeleteLastChar, 0, nullptr);
}

void TCodeCompletionProposal::FormValidate(TShiftState Shift, char32_t EndToken) {
  TCodeBaseCompletionProposalForm& f = *form_;
  TCustomCodeEdit* editor = f.CurrentEditor();
  const int index = f.Position();
  std::string value;
  if (editor && !editor->ReadOnly()) {
    editor->IncPaintLock();
    TFinally unlock([editor] { editor->DecPaintLock(); });
    // Kept apart from the typing before it, so that one undo takes back
    // exactly the completion.
    editor->UndoList().AddGroupBreak();
    editor->UndoList().BeginBlock();
    TFinally endBlock([editor] { editor->UndoList().EndBlock(); });
    const TCodeSelectionMode mode = editor->SelectionMode();
    TFinally restoreMode([editor, mode] { editor->SetSelectionMode(mode); });
    if (!editor->SelAvail()) {
      // The typed text before the caret, a stream whatever the editor's mode.
      editor->SetSelectionMode(smNormal);
      const TPoint caret = editor->CaretXY();
      TPoint start(std::max(1, caret.X - int(UTF8CharCount(f.CurrentString()))), caret.Y);
      const std::u32string line = UTF8ToCodePoints(editor->LineText());
      if (start.X < caret.X && size_t(start.X) <= line.size() &&
          f.IsEndOfTokenChar(line[size_t(start.X - 1)]))
        ++start.X;
      editor->PlaceCaretAndSelection(caret, start, caret);
    }
    const std::string selected = editor->SelText();
    value = selected;
    bool found = false;
    std::string candidate;
    if (index >= 0 && index < f.ItemList().Count()) {
      if (f.UseInsertList) {
        const int insertIndex = f.MatchText ? f.FullIndex(index) : index;
        if (insertIndex >= 0 && insertIndex < f.InsertList().Count()) {
          candidate = f.InsertList().Get(insertIndex);
          found = true;
        }
      } else {
        candidate = f.ItemList().Get(index);
        found = true;
      }
    }
    if (found && ((options_ & scoEndCharCompletion) || EndToken == 0)) value = candidate;
    if (OnCodeCompletion) OnCodeCompletion(value, Shift, index, EndToken);
    if (value != selected) editor->SetSelText(value);
  }
  f.Hide();
  StopTimer();
  noNextKey_ = false;
  if (editor) {
    editor->SetFocus();
    editor->EnsureCursorPosVisible();
    const TPoint caret = editor->CaretXY();
    editor->PlaceCaretAndSelection(caret, caret, caret);
  }
  if (OnAfterCodeCompletion) OnAfterCodeCompletion(value, Shift, index, EndToken);
}

void TCodeCompletionProposal::FormCancel() {
  TCustomCodeEdit* editor = form_->CurrentEditor();
  // Hidden first: while the pop-up is in the editor's focus list the
  // editor would hand the focus straight back to it.
  form_->Hide();
  StopTimer();
  noNextKey_ = false;
  if (editor) editor->SetFocus();
  if (OnCancelled) OnCancelled(this);
}

}  // namespace qv
