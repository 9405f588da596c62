// The editor control: construction, properties, reaction to changes of the
// line list and the highlighter, marks and bookmarks, and state services.
#include "editor/CodeEdit.h"

#include <algorithm>
#include <cmath>

#include "editor/CodeEditPrivate.h"

namespace qv {

using namespace codeedit;

const char* const CODE_EDIT_CLIPBOARD_FORMAT = "CodeEdit Control Block Type";

// ---- shared helpers ------------------------------------------------------------

namespace codeedit {

std::string CharCopy(const std::string& S, int Start, int Count) {
  if (Start < 1) {
    Count += Start - 1;
    Start = 1;
  }
  if (Count <= 0) return std::string();
  const size_t from = UTF8CharToByteIndex(S, size_t(Start - 1));
  if (from >= S.size()) return std::string();
  size_t to = from;
  for (int n = 0; n < Count && to < S.size(); ++n) UTF8NextChar(S, to);
  return S.substr(from, to - from);
}

std::vector<std::string> SplitPieces(const std::string& Text) {
  std::vector<std::string> pieces;
  std::string piece;
  size_t i = 0;
  const size_t n = Text.size();
  while (i < n && Text[i] != '\0') {
    const char c = Text[i];
    if (c == '\r' || c == '\n') {
      pieces.push_back(std::move(piece));
      piece.clear();
      ++i;
      if (c == '\r' && i < n && Text[i] == '\n') ++i;
    } else {
      piece += c;
      ++i;
    }
  }
  pieces.push_back(std::move(piece));
  return pieces;
}

std::u32string PadRight(std::u32string S, int Count) {
  if (int(S.size()) < Count) S.append(size_t(Count) - S.size(), U' ');
  return S;
}

}  // namespace codeedit

// ---- marks -----------------------------------------------------------------------

TCustomCodeEdit* TCodeEditMark::Edit() {
  if (edit_ && edit_->Marks().IndexOf(this) < 0) edit_ = nullptr;
  return edit_;
}

void TCodeEditMark::RepaintRow(int Line) {
  if (visible_ && edit_ && Line > 0) edit_->InvalidateGutterLines(Line, Line);
}

void TCodeEditMark::SetLine(int Value) {
  if (visible_ && edit_) {
    if (line_ > 0) RepaintRow(line_);
    line_ = Value;
    RepaintRow(line_);
  } else {
    line_ = Value;
  }
}

void TCodeEditMark::SetImageIndex(int Value) {
  imageIndex_ = Value;
  RepaintRow(line_);
}

void TCodeEditMark::SetInternalImage(bool Value) {
  internalImage_ = Value;
  RepaintRow(line_);
}

void TCodeEditMark::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  if (edit_ && line_ > 0) edit_->InvalidateGutterLines(line_, line_);
}

int TCodeEditMarkList::Add(std::unique_ptr<TCodeEditMark> Mark) {
  if (!Mark) return -1;
  items_.push_back(std::move(Mark));
  const int index = Count() - 1;
  if (OnChange) OnChange(this);
  return index;
}

std::unique_ptr<TCodeEditMark> TCodeEditMarkList::Remove(TCodeEditMark* Mark) {
  const int index = IndexOf(Mark);
  if (index < 0) return nullptr;
  std::unique_ptr<TCodeEditMark> owned = std::move(items_[size_t(index)]);
  items_.erase(items_.begin() + index);
  if (OnChange) OnChange(this);
  return owned;
}

int TCodeEditMarkList::IndexOf(const TCodeEditMark* Mark) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == Mark) return int(i);
  return -1;
}

TCodeEditMark* TCodeEditMarkList::Items(int Index) const {
  return Index >= 0 && Index < Count() ? items_[size_t(Index)].get() : nullptr;
}

void TCodeEditMarkList::GetMarksForLine(int Line, TCodeEditMarks& Marks) const {
  Marks.fill(nullptr);
  size_t n = 0;
  for (const auto& m : items_) {
    if (m->Line() != Line) continue;
    Marks[n++] = m.get();
    if (n == Marks.size()) break;
  }
}

// ---- construction ------------------------------------------------------------------

TCustomCodeEdit::TCustomCodeEdit() {
  lines_ = std::make_unique<TCodeEditStringList>();
  lines_->OnChanging = [this](TCodeEditStringList*) { LinesChanging(); };
  lines_->OnChange = [this](TCodeEditStringList*) { LinesChanged(); };
  lines_->OnAdded = [this](TCodeEditStringList*, int I, const std::string& S) { ListAdded(I, S); };
  lines_->OnInserted = [this](TCodeEditStringList*, int I, const std::string& S) {
    ListInserted(I, S);
  };
  lines_->OnPutted = [this](TCodeEditStringList*, int I, const std::string& S) {
    ListPutted(I, S);
  };
  lines_->OnDeleted = [this](TCodeEditStringList*, int I) { ListDeleted(I); };
  lines_->OnCleared = [this](TCodeEditStringList*) { ListCleared(); };
  lines_->SetWrapWidth(CODE_DEFAULT_WRAP_WIDTH);

  internalFont_.SetName("Courier New");
  internalFont_.SetSize(10);
  internalFont_.SetPitch(fpFixed);

  undoList_ = std::make_unique<TCodeEditUndoList>();
  undoList_->OnAdded = [this](TCodeEditUndoList* L) { UndoListItemAdded(L); };
  redoList_ = std::make_unique<TCodeEditUndoList>();
  redoList_->OnAdded = [this](TCodeEditUndoList* L) { UndoListItemAdded(L); };

  selectedColor_ = std::make_unique<TCodeSelectedColor>();
  selectedColor_->OnChange = [this](void*) { Invalidate(); };
  bookMarkOpt_ = std::make_unique<TCodeBookMarkOpt>();
  bookMarkOpt_->OnChange = [this](void*) { Invalidate(); };
  gutter_ = std::make_unique<TCodeGutter>();
  gutter_->OnChange = [this](void*) { GutterChanged(); };
  gutterWidth_ = gutter_->Width();
  textOffset_ = gutterWidth_ + 2;

  font_.SetName("Courier New");
  font_.SetSize(10);
  font_.SetCharset(DEFAULT_CHARSET);
  font_.Assign(internalFont_);
  font_.OnChange = [this](TGraphicsObject*) { FontChanged(); };
  FontChanged();

  kbdHandler_ = std::make_unique<TCodeEditKbdHandler>(this, onKeyDownSlot_, onKeyPressSlot_);
  keystrokes_ = std::make_unique<TCodeEditKeyStrokes>(this);
  marks_ = std::make_unique<TCodeEditMarkList>(this);
  marks_->OnChange = [this](TCodeEditMarkList*) { InvalidateGutter(); };
  keystrokes_->ResetDefaults();
}

TCustomCodeEdit::~TCustomCodeEdit() {
  destroying_ = true;
  highlighter_ = nullptr;
  if (host_) {
    host_->KillTimer(AutoScrollTimerId);
    host_->DestroyCaret();
  }
  // The keyboard chain gives the key slots back before they go.
  kbdHandler_.reset();
  lines_->OnChanging = nullptr;
  lines_->OnChange = nullptr;
  lines_->OnAdded = nullptr;
  lines_->OnInserted = nullptr;
  lines_->OnPutted = nullptr;
  lines_->OnDeleted = nullptr;
  lines_->OnCleared = nullptr;
}

void TCustomCodeEdit::SetHost(TControlHost* AHost) {
  if (host_ && host_ != AHost) host_->KillTimer(AutoScrollTimerId);
  TControlCore::SetHost(AHost);
  autoScrollTimer_ = false;
  if (!host_) return;
  RecalcCharExtent();
  SizeOrFontChanged(true);
  GutterChanged();
  UpdateScrollBars();
}

TFontService& TCustomCodeEdit::Fonts() const { return host_ ? host_->Fonts() : FontService(); }

// ---- text --------------------------------------------------------------------------

int TCustomCodeEdit::LineChars(int Line) const {
  if (Line < 1 || Line > LineCount()) return 0;
  return static_cast<int>(UTF8CharCount(lines_->Rec(Line - 1).Text));
}

std::string TCustomCodeEdit::LineText() const {
  if (caretY_ >= 1 && caretY_ <= LineCount()) return LineStr(caretY_);
  return std::string();
}

void TCustomCodeEdit::SetLineText(const std::string& Value) {
  if (caretY_ >= 1 && caretY_ <= IntMax(1, LineCount())) lines_->Put(caretY_ - 1, Value);
}

void TCustomCodeEdit::ClearText() {
  lines_->Clear();
  EmptyUndoLists();
  SetModified(false);
}

std::string TCustomCodeEdit::TrimTrailingSpaces(const std::string& S) {
  size_t n = S.size();
  while (n > 0 && S[n - 1] == ' ') --n;
  return S.substr(0, n);
}

int TCustomCodeEdit::RoundHalfAway(double Value) {
  return static_cast<int>(Value >= 0 ? Value + 0.5 : Value - 0.5);
}

void TCustomCodeEdit::StoreLineTrimmed(int Index, const std::string& S) {
  lines_->Put(Index, TrimOn() ? TrimTrailingSpaces(S) : S);
}

// ---- fonts and sizes ------------------------------------------------------------------

void TCustomCodeEdit::SetFont(const TFont& Value) {
  TFontService& fonts = Fonts();
  const TTextMetric tm = fonts.GetTextMetrics(Value);
  if (tm.tmAveCharWidth == tm.tmMaxCharWidth) {
    font_.Assign(Value);
  } else {
    internalFont_.SetColor(Value.Color());
    internalFont_.SetHeight(Value.Height());
    internalFont_.SetStyle(Value.Style());
    internalFont_.SetPitch(fpFixed);
    font_.Assign(internalFont_);
  }
  if (gutter_->ShowLineNumbers()) GutterChanged();
}

void TCustomCodeEdit::RecalcCharExtent() {
  TFontService& fonts = Fonts();
  // The cell is as wide as the widest "M" among the styles the font and the
  // highlighter's attributes use.
  std::vector<TFontStyles> styles{font_.Style()};
  if (highlighter_)
    for (int i = 0; i < highlighter_->GetAttributeCount(); ++i)
      if (TCodeHighlighterAttributes* a = highlighter_->GetAttribute(i))
        styles.push_back(a->Style());
  int width = 0, height = 0;
  for (const TFontStyles& st : styles) {
    TFont f;
    f.Assign(font_);
    f.SetStyle(st);
    const TTextMetric tm = fonts.GetTextMetrics(f);
    TABC abc;
    if (!fonts.GetCharABCWidths(f, U'M', abc)) {
      abc.abcA = 0;
      abc.abcB = tm.tmAveCharWidth;
      abc.abcC = 0;
    }
    width = IntMax(width, abc.abcA + abc.abcB + abc.abcC + tm.tmOverhang);
    height = IntMax(height, std::abs(tm.tmHeight));
  }
  charWidth_ = IntMax(1, width);
  charHeight_ = IntMax(1, height);
  lineHeight_ = IntMax(1, charHeight_ + extraLineSpacing_);
}

void TCustomCodeEdit::FontChanged() {
  RecalcCharExtent();
  SizeOrFontChanged(true);
}

void TCustomCodeEdit::SizeOrFontChanged(bool FontChanged) {
  if (!host_ || charWidth_ == 0) return;
  const TRect client = host_->ClientRect();
  charsInWindow_ = IntMax(0, (client.Width() - gutterWidth_ - 2) / charWidth_);
  linesInWindow_ = IntMax(0, client.Height() / lineHeight_);
  textOffset_ = gutterWidth_ + 2 - (leftChar_ - 1) * charWidth_;
  if (FontChanged) {
    if (gutter_->ShowLineNumbers())
      GutterChanged();
    else
      UpdateScrollBars();
    InitializeCaret();
    stateFlags_ &= uint16_t(~sfCaretChanged);
    Invalidate();
  } else {
    UpdateScrollBars();
  }
  stateFlags_ &= uint16_t(~sfScrollbarChanged);
  if (!HasOption(eoScrollPastEol)) SetLeftChar(leftChar_);
  if (!HasOption(eoScrollPastEof)) SetTopLine(topLine_);
}

void TCustomCodeEdit::Resize(int, int) { SizeOrFontChanged(false); }

void TCustomCodeEdit::GutterChanged() {
  if (gutter_->ShowLineNumbers() && gutter_->AutoSize()) gutter_->AutoSizeDigitCount(LineCount());
  const int w = gutter_->RealGutterWidth(charWidth_);
  if (w == gutterWidth_)
    InvalidateGutter();
  else
    SetGutterWidth(w);
}

void TCustomCodeEdit::SetGutterWidth(int Value) {
  Value = IntMax(0, Value);
  if (Value == gutterWidth_) return;
  gutterWidth_ = Value;
  textOffset_ = gutterWidth_ + 2 - (leftChar_ - 1) * charWidth_;
  if (host_) {
    charsInWindow_ = IntMax(0, (host_->ClientRect().Width() - gutterWidth_ - 2) / charWidth_);
    UpdateScrollBars();
    Invalidate();
  }
}

// ---- property setters --------------------------------------------------------------

void TCustomCodeEdit::SetBorderStyle(TBorderStyle Value) {
  if (borderStyle_ == Value) return;
  borderStyle_ = Value;
  Invalidate();
}

void TCustomCodeEdit::SetScrollBars(TScrollStyle Value) {
  if (scrollBars_ == Value) return;
  scrollBars_ = Value;
  UpdateScrollBars();
  Invalidate();
}

void TCustomCodeEdit::SetHideSelection(bool Value) {
  if (hideSelection_ == Value) return;
  hideSelection_ = Value;
  Invalidate();
}

void TCustomCodeEdit::SetInsertMode(bool Value) {
  if (insertMode_ == Value) return;
  insertMode_ = Value;
  InitializeCaret();
  NoteStatusChange(scInsertMode);
}

void TCustomCodeEdit::SetInsertCaret(TCodeEditCaretType Value) {
  if (insertCaret_ == Value) return;
  insertCaret_ = Value;
  InitializeCaret();
}

void TCustomCodeEdit::SetOverwriteCaret(TCodeEditCaretType Value) {
  if (overwriteCaret_ == Value) return;
  overwriteCaret_ = Value;
  InitializeCaret();
}

void TCustomCodeEdit::SetMaxLeftChar(int Value) {
  Value = IntClamp(Value, 1, 32767);
  if (maxLeftChar_ == Value) return;
  maxLeftChar_ = Value;
  Invalidate();
}

void TCustomCodeEdit::SetRightEdge(int Value) {
  if (rightEdge_ == Value) return;
  rightEdge_ = Value;
  Invalidate();
}

void TCustomCodeEdit::SetRightEdgeColor(TColor Value) {
  if (rightEdgeColor_ == Value) return;
  rightEdgeColor_ = Value;
  if (host_ && visible_) {
    const int x = rightEdge_ * charWidth_ + textOffset_;
    host_->InvalidateRect(Rect(x - 1, 0, x + 2, host_->ClientRect().Height()));
  }
}

void TCustomCodeEdit::SetMaxUndo(int Value) {
  if (Value < 0) return;
  undoList_->SetMaxUndoActions(Value);
  redoList_->SetMaxUndoActions(Value);
}

void TCustomCodeEdit::SetColor(TColor Value) {
  if (color_ == Value) return;
  color_ = Value;
  Invalidate();
}

void TCustomCodeEdit::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  if (visible_ && host_) host_->Invalidate();
}

void TCustomCodeEdit::SetKeystrokes(const TCodeEditKeyStrokes* Value) {
  if (!Value)
    keystrokes_->Clear();
  else
    keystrokes_->Assign(*Value);
}

void TCustomCodeEdit::SetHighlighter(TCodeCustomHighlighter* Value) {
  if (Value == highlighter_) return;
  if (highlighter_) highlighter_->UnhookAttrChangeEvent(TCodeNotifyEvent(this, [](void*) {}));
  if (Value)
    Value->HookAttrChangeEvent(TCodeNotifyEvent(this, [this](void*) {
      RecalcCharExtent();
      SizeOrFontChanged(true);
      Invalidate();
    }));
  highlighter_ = Value;
  RecalcCharExtent();
  lines_->BeginUpdate();
  TFinally endUpdate([this] { lines_->EndUpdate(); });
  RescanAll();
  SizeOrFontChanged(true);
  Invalidate();
}

void TCustomCodeEdit::HighlighterRemoved() {
  highlighter_ = nullptr;
  if (destroying_) return;
  RecalcCharExtent();
  SizeOrFontChanged(true);
  Invalidate();
}

void TCustomCodeEdit::SetTabWidth(int Value) {
  Value = IntClamp(Value, 1, 256);
  if (tabWidth_ == Value) return;
  tabWidth_ = Value;
  lines_->SetTabWidth(Value);
  Invalidate();
}

void TCustomCodeEdit::SetExtraLineSpacing(int Value) {
  if (extraLineSpacing_ == Value) return;
  extraLineSpacing_ = Value;
  FontChanged();
}

void TCustomCodeEdit::SetSelectionMode(TCodeSelectionMode Value) {
  if (selectionMode_ == Value) return;
  selectionMode_ = Value;
  if (SelAvail()) Invalidate();
  NoteStatusChange(scSelection);
}

void TCustomCodeEdit::SetModified(bool Value) {
  if (modified_ == Value) return;
  modified_ = Value;
  NoteStatusChange(scModified);
}

void TCustomCodeEdit::SetReadOnly(bool Value) {
  if (readOnly_ == Value) return;
  readOnly_ = Value;
  NoteStatusChange(scReadOnly);
}

void TCustomCodeEdit::SetOptions(TCodeEditorOptions Value) {
  if (Value == options_) return;
  if (!HasOption(eoScrollPastEol)) SetLeftChar(leftChar_);
  if (!HasOption(eoScrollPastEof)) SetTopLine(topLine_);
  const TCodeEditorOptions old = options_;
  options_ = Value;
  if (!HasOption(eoScrollPastEol)) SetCaretX(caretX_);
  // The scroll ranges depend on these.
  if ((old ^ options_) &
      (eoScrollPastEol | eoScrollPastEof | eoHideShowScrollbars | eoDisableScrollArrows))
    UpdateScrollBars();
  if ((old ^ options_) & eoShowSpecialChars) {
    showSpecialChars_ = HasOption(eoShowSpecialChars);
    Invalidate();
  }
}

void TCustomCodeEdit::SetAlwaysShowCaret(bool Value) {
  if (alwaysShowCaret_ == Value) return;
  alwaysShowCaret_ = Value;
  if (!destroying_ && host_ && !host_->Focused() && !Value) {
    HideCaret();
    host_->DestroyCaret();
  }
}

// ---- status, modified flag, undo lists -------------------------------------------------

void TCustomCodeEdit::NoteStatusChange(TCodeStatusChanges Changes) {
  statusChanges_ = TCodeStatusChanges(statusChanges_ | Changes);
  if (paintLock_ == 0) FireStatusChange();
}

void TCustomCodeEdit::FireStatusChange() {
  if (!OnStatusChange || statusChanges_ == 0) return;
  const TCodeStatusChanges changes = statusChanges_;
  statusChanges_ = 0;
  OnStatusChange(this, changes);
}

void TCustomCodeEdit::UndoListItemAdded(TCodeEditUndoList* Sender) {
  SetModified(undoList_->CanUndo() || undoList_->FullUndoImpossible());
  if (Sender == undoList_.get() && !inRedo_ && undoList_->PeekItem() &&
      undoList_->PeekItem()->ChangeReason != urGroupBreak)
    redoList_->Clear();
  if (OnChange) OnChange(this);
}

void TCustomCodeEdit::EmptyUndoLists() {
  undoList_->Clear();
  redoList_->Clear();
}

void TCustomCodeEdit::LockUndoLists() {
  undoList_->Lock();
  redoList_->Lock();
}

void TCustomCodeEdit::UnlockUndoLists() {
  undoList_->Unlock();
  redoList_->Unlock();
}

bool TCustomCodeEdit::AskSpecialLineColors(int Line, TColor& Foreground, TColor& Background) {
  bool special = false;
  if (OnSpecialLineColors) OnSpecialLineColors(this, Line, special, Foreground, Background);
  return special;
}

TCodeReplaceAction TCustomCodeEdit::AskReplaceText(const std::string& ASearch,
                                                   const std::string& AReplace, int Line,
                                                   int Column) {
  TCodeReplaceAction action = raCancel;
  if (OnReplaceText) OnReplaceText(this, ASearch, AReplace, Line, Column, action);
  return action;
}

void TCustomCodeEdit::FirePaintTransientLocked(TTransientType Type, bool Lock) {
  if (Lock) {
    if (Type == ttBefore)
      ++paintTransientLock_;
    else
      --paintTransientLock_;
  }
  if (paintTransientLock_ == 0 && OnPaintTransient) OnPaintTransient(this, nullptr, Type);
}

void TCustomCodeEdit::FirePaint(TCanvas& C) {
  if (!OnPaint) return;
  C.Font.Assign(font_);
  C.Brush.SetColor(color_);
  OnPaint(this, C);
}

void TCustomCodeEdit::AddFocusTaker(void* Control) {
  if (Control && std::find(focusTakers_.begin(), focusTakers_.end(), Control) == focusTakers_.end())
    focusTakers_.push_back(Control);
}

void TCustomCodeEdit::RemoveFocusTaker(void* Control) {
  focusTakers_.erase(std::remove(focusTakers_.begin(), focusTakers_.end(), Control),
                     focusTakers_.end());
}

void TCustomCodeEdit::SetFocus() {
  if (!focusTakers_.empty()) {
    if (OnFocusTaker) OnFocusTaker(focusTakers_.back());
  } else if (host_) {
    host_->SetFocus();
  }
}

// ---- line-list handlers ------------------------------------------------------------------

void TCustomCodeEdit::LinesChanging() { stateFlags_ |= sfLinesChanging; }

void TCustomCodeEdit::LinesChanged() {
  stateFlags_ &= uint16_t(~sfLinesChanging);
  // The selection collapses to the caret, which stands at the end of what
  // was inserted; undo items read that end from the block. This holds with
  // or without a window.
  SetBlockBegin(CaretXY());
  if (host_) {
    UpdateScrollBars();
    if (!invalidateRect_.IsEmpty() && visible_) host_->InvalidateRect(invalidateRect_);
  }
  invalidateRect_ = TRect();
  if (gutter_->ShowLineNumbers() && gutter_->AutoSize()) gutter_->AutoSizeDigitCount(LineCount());
  if (!HasOption(eoScrollPastEof)) SetTopLine(topLine_);
}

int TCustomCodeEdit::ScanFrom(int Index) {
  // The highlighter has been set to the range at the start of line Index.
  int result = Index;
  const int count = LineCount();
  if (!highlighter_ || Index >= count - 1 || Index < 0) return result;
  highlighter_->SetLine(lines_->Rec(Index).Text, Index);
  highlighter_->NextToEol();
  for (int j = Index + 1; j < count; ++j) {
    const int32_t range = highlighter_->GetRange();
    if (range == lines_->GetRange(j)) break;
    lines_->PutRange(j, range);
    highlighter_->SetLine(lines_->Rec(j).Text, j);
    highlighter_->NextToEol();
    result = j;
  }
  return result;
}

void TCustomCodeEdit::RescanFrom(int Index) {
  if (!highlighter_ || LineCount() == 0) return;
  if (Index < 1) {
    highlighter_->ResetRange();
    lines_->PutRange(0, highlighter_->GetRange());
    if (LineCount() > 1) ScanFrom(0);
  } else {
    highlighter_->SetRange(lines_->GetRange(Index - 1));
    ScanFrom(Index - 1);
  }
}

void TCustomCodeEdit::RescanAll() {
  if (!highlighter_) return;
  highlighter_->ResetRange();
  for (int i = 0; i < LineCount(); ++i) {
    lines_->PutRange(i, highlighter_->GetRange());
    highlighter_->SetLine(lines_->Rec(i).Text, i);
    highlighter_->NextToEol();
  }
}

void TCustomCodeEdit::ListAdded(int Index, const std::string& S) {
  RescanFrom(Index);
  InvalidateLines(Index + 1, IntMax(Index + 1, LineCount()));
  InvalidateGutterLines(Index + 1, IntMax(Index + 1, LineCount()));
  if (HasOption(eoAutoSizeMaxLeftChar)) {
    const int len = int(UTF8CharCount(S));
    if (len + 1 > maxLeftChar_) SetMaxLeftChar(len + 1);
  }
}

void TCustomCodeEdit::ListInserted(int Index, const std::string& S) {
  RescanFrom(Index);
  InvalidateLines(Index + 1, topLine_ + linesInWindow_);
  InvalidateGutterLines(Index + 1, topLine_ + linesInWindow_);
  if (HasOption(eoAutoSizeMaxLeftChar)) {
    const int len = int(UTF8CharCount(S));
    if (len + 1 > maxLeftChar_) SetMaxLeftChar(len + 1);
  }
}

void TCustomCodeEdit::ListPutted(int Index, const std::string& S) {
  int last = Index;
  if (highlighter_) {
    highlighter_->SetRange(lines_->GetRange(Index));
    last = ScanFrom(Index);
  }
  InvalidateLines(Index + 1, last + 1);
  if (HasOption(eoAutoSizeMaxLeftChar)) {
    const int len = int(UTF8CharCount(S));
    if (len + 1 >= maxLeftChar_) SetMaxLeftChar(len + 2);
  }
}

void TCustomCodeEdit::ListDeleted(int Index) {
  if (LineCount() > 0) RescanFrom(Index);
  InvalidateLines(Index + 1, IntMax(Index + 1, LineCount() + 1));
  InvalidateGutterLines(Index + 1, IntMax(Index + 1, LineCount() + 1));
}

void TCustomCodeEdit::ListCleared() {
  EmptyUndoLists();
  invalidateRect_ = TRect();
  Invalidate();
  const bool selChanged = blockBegin_ != TPoint(1, 1) || blockEnd_ != TPoint(1, 1);
  blockBegin_ = blockEnd_ = TPoint(1, 1);
  caretX_ = caretY_ = 1;
  lastCaretX_ = 1;
  topLine_ = leftChar_ = 1;
  textOffset_ = gutterWidth_ + 2;
  stateFlags_ |= sfCaretChanged | sfScrollbarChanged;
  (void)selChanged;
  NoteStatusChange(scAll);
}

// ---- bookmarks ---------------------------------------------------------------------

void TCustomCodeEdit::FirePlaceBookmark(std::unique_ptr<TCodeEditMark>& Mark) {
  if (OnPlaceBookmark) OnPlaceBookmark(this, Mark);
}

void TCustomCodeEdit::FireClearBookmark(TCodeEditMark& Mark) {
  if (OnClearBookmark) OnClearBookmark(this, Mark);
}

bool TCustomCodeEdit::GetBookMark(int BookMark, int& X, int& Y) const {
  const TCodeEditMark* m = Bookmark(BookMark);
  if (!m) return false;
  X = m->Column();
  Y = m->Line();
  return true;
}

void TCustomCodeEdit::SetBookMark(int BookMark, int X, int Y) {
  if (BookMark < 0 || BookMark > 9 || Y < 1 || Y > IntMax(1, LineCount())) return;
  auto mark = std::make_unique<TCodeEditMark>(this);
  mark->SetLine(Y);
  mark->SetColumn(X);
  mark->SetImageIndex(BookMark);
  mark->SetBookmarkNumber(BookMark);
  mark->SetVisible(true);
  mark->SetInternalImage(bookMarkOpt_->BookmarkImages() == nullptr);
  FirePlaceBookmark(mark);
  if (!mark) return;
  if (bookmarks_[size_t(BookMark)]) ClearBookMark(BookMark);
  bookmarks_[size_t(BookMark)] = mark.get();
  marks_->Add(std::move(mark));
}

void TCustomCodeEdit::ClearBookMark(int BookMark) {
  TCodeEditMark* m = Bookmark(BookMark);
  if (!m) return;
  FireClearBookmark(*m);
  std::unique_ptr<TCodeEditMark> owned = marks_->Remove(m);
  bookmarks_[size_t(BookMark)] = nullptr;
}

void TCustomCodeEdit::GotoBookMark(int BookMark) {
  const TCodeEditMark* m = Bookmark(BookMark);
  if (!m || m->Line() > LineCount() || m->Line() < 1) return;
  TPaintLockScope lock(*this);
  SetCaretXYEx(false, TPoint(m->Column(), m->Line()));
  if (SelAvail()) SetBlockBegin(CaretXY());
  EnsureCursorPosVisibleEx(true);
}

void TCustomCodeEdit::ShiftMarksAfterDelete(int First, int Count) {
  if (Count <= 0) return;
  for (int i = 0; i < marks_->Count(); ++i) {
    TCodeEditMark* m = marks_->Items(i);
    // Marks never move onto line 0 (the first line may go while its mark
    // stays, when the only line is emptied).
    if (m->Line() >= First + Count)
      m->SetLine(IntMax(1, m->Line() - Count));
    else if (m->Line() > First)
      m->SetLine(IntMax(1, First));
  }
}

void TCustomCodeEdit::ShiftMarksAfterInsert(int First, int Count) {
  if (Count <= 0) return;
  for (int i = 0; i < marks_->Count(); ++i) {
    TCodeEditMark* m = marks_->Items(i);
    if (m->Line() >= First) m->SetLine(m->Line() + Count);
  }
}

}  // namespace qv
