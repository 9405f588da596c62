// The editor control: the command processor and the commands that move the
// caret, delete, break lines, type, scroll and toggle bookmarks.
#include <algorithm>

#include "editor/CodeEdit.h"
#include "editor/CodeEditPrivate.h"

namespace qv {

using namespace codeedit;

// ---- dispatch ------------------------------------------------------------------------

void TCustomCodeEdit::FireProcessCommand(TCodeEditorCommand& Command, char32_t& AChar, void* Data) {
  if (Command >= ecUserFirst) {
    if (OnProcessUserCommand) OnProcessUserCommand(this, Command, AChar, Data);
  } else if (OnProcessCommand) {
    OnProcessCommand(this, Command, AChar, Data);
  }
}

void TCustomCodeEdit::FireCommandProcessed(TCodeEditorCommand Command, char32_t AChar, void* Data) {
  if (OnCommandProcessed) OnCommandProcessed(this, Command, AChar, Data);
}

void TCustomCodeEdit::NotifyCommandHooks(bool AfterProcessing, TCodeEditorCommand& Command,
                                         char32_t& AChar, void* Data) {
  // A copy: a handler may register or unregister handlers.
  const std::vector<THookedCommandHandlerEntry> entries = hookedCommandHandlers_;
  bool handled = false;
  for (const THookedCommandHandlerEntry& e : entries) {
    bool h = false;
    e.Event.Code(this, AfterProcessing, h, Command, AChar, Data, e.Data);
    handled = handled || h;
  }
  if (handled) Command = ecNone;
}

void TCustomCodeEdit::AddCommandHook(const THookedCommandEvent& Handler, void* HandlerData) {
  if (!Handler) return;
  for (size_t i = hookedCommandHandlers_.size(); i-- > 0;)
    if (hookedCommandHandlers_[i].Equals(Handler, HandlerData)) return;
  hookedCommandHandlers_.push_back({Handler, HandlerData});
}

void TCustomCodeEdit::RemoveCommandHook(const THookedCommandEvent& Handler, void* HandlerData) {
  for (size_t i = hookedCommandHandlers_.size(); i-- > 0;)
    if (hookedCommandHandlers_[i].Equals(Handler, HandlerData)) {
      hookedCommandHandlers_.erase(hookedCommandHandlers_.begin() + std::ptrdiff_t(i));
      return;
    }
}

void TCustomCodeEdit::CommandProcessor(TCodeEditorCommand Command, char32_t AChar, void* Data) {
  FireProcessCommand(Command, AChar, Data);
  if (Command != ecNone) {
    NotifyCommandHooks(false, Command, AChar, Data);
    if (Command >= 1 && Command <= 1000) ExecuteCommand(Command, AChar, Data);
    NotifyCommandHooks(true, Command, AChar, Data);
  }
  FireCommandProcessed(Command, AChar, Data);
}

TCodeEditorCommand TCustomCodeEdit::TranslateKeyCode(uint16_t Code, TShiftState Shift,
                                                     std::unique_ptr<TPoint>& MarkerPos) {
  Shift &= ssShift | ssAlt | ssCtrl;
  TCodeEditorCommand cmd = ecNone;
  int i = -1;
  if (lastKey_ != 0) i = keystrokes_->FindKeycode2(lastKey_, lastShiftState_, Code, Shift);
  if (i < 0) i = keystrokes_->FindKeycode(Code, Shift);
  if (i >= 0) cmd = keystrokes_->Items(i)->Command();
  if (cmd == ecNone && Code >= 30 && Code <= 145) {
    lastKey_ = Code;
    lastShiftState_ = Shift;
  } else {
    lastKey_ = 0;
    lastShiftState_ = 0;
  }
  if (cmd >= ecSetMarker0 && cmd <= ecSetMarker9) MarkerPos = std::make_unique<TPoint>(CaretXY());
  return cmd;
}

void TCustomCodeEdit::ExecuteCommand(TCodeEditorCommand Command, char32_t AChar, void* Data) {
  TPaintLockScope lock(*this);
  const bool sel = Command >= ecSelection && Command <= ecSelection + 17;
  auto update = [this] {
    if (host_) host_->Update();
  };
  switch (Command) {
    case ecLeft:
    case ecSelLeft:
      MoveCaretByColumns(-1, sel);
      break;
    case ecRight:
    case ecSelRight:
      MoveCaretByColumns(1, sel);
      break;
    case ecPageLeft:
    case ecSelPageLeft:
      MoveCaretByColumns(-charsInWindow_, sel);
      break;
    case ecPageRight:
    case ecSelPageRight:
      MoveCaretByColumns(charsInWindow_, sel);
      break;
    case ecLineStart:
    case ecSelLineStart:
      MoveCaretToLineStart(sel);
      break;
    case ecLineEnd:
    case ecSelLineEnd:
      MoveCaretWithSelection(CaretXY(), TPoint(LineChars(caretY_) + 1, caretY_), sel);
      break;
    case ecUp:
    case ecSelUp:
      MoveCaretByLines(-1, sel);
      update();
      break;
    case ecDown:
    case ecSelDown:
      MoveCaretByLines(1, sel);
      update();
      break;
    case ecPageUp:
    case ecPageDown:
    case ecSelPageUp:
    case ecSelPageDown:
      DoPageMove(Command);
      update();
      break;
    case ecPageTop:
    case ecSelPageTop:
      MoveCaretWithSelection(CaretXY(), TPoint(caretX_, topLine_), sel);
      update();
      break;
    case ecPageBottom:
    case ecSelPageBottom:
      MoveCaretWithSelection(CaretXY(), TPoint(caretX_, topLine_ + linesInWindow_ - 1), sel);
      update();
      break;
    case ecEditorTop:
    case ecSelEditorTop:
      MoveCaretWithSelection(CaretXY(), TPoint(1, 1), sel);
      update();
      break;
    case ecEditorBottom:
    case ecSelEditorBottom: {
      const int count = LineCount();
      MoveCaretWithSelection(CaretXY(),
                             count > 0 ? TPoint(LineChars(count) + 1, count) : TPoint(1, 1), sel);
      update();
      break;
    }
    case ecGotoXY:
    case ecSelGotoXY:
      if (Data) {
        MoveCaretWithSelection(CaretXY(), *static_cast<const TPoint*>(Data), sel);
        update();
      }
      break;
    case ecWordLeft:
    case ecSelWordLeft:
      MoveCaretWithSelection(CaretXY(), PreviousWordStart(), sel);
      break;
    case ecWordRight:
    case ecSelWordRight:
      MoveCaretWithSelection(CaretXY(), NextWordStart(), sel);
      break;
    case ecSelectAll:
      SelectAll();
      break;
    case ecDeleteLastChar:
      if (!readOnly_) DoBackspace();
      break;
    case ecDeleteChar:
      if (!readOnly_) DoDeleteChar();
      break;
    case ecDeleteWord:
    case ecDeleteEOL:
    case ecDeleteLastWord:
    case ecDeleteBOL:
      if (!readOnly_) DoDeleteRange(Command);
      break;
    case ecDeleteLine:
      if (!readOnly_) DoDeleteLine();
      break;
    case ecClearAll:
      if (!readOnly_) ClearText();
      break;
    case ecLineBreak:
    case ecInsertLine:
      if (!readOnly_) DoLineBreak(Command);
      break;
    case ecChar:
      if (!readOnly_ && AChar >= 32 && AChar != 127) DoTypeText(std::u32string(1, AChar));
      break;
    case ecImeStr:
      if (!readOnly_ && Data) {
        const std::u32string text = U32(static_cast<const char*>(Data));
        if (!text.empty()) DoTypeText(text);
      }
      break;
    case ecUndo:
      if (!readOnly_) Undo();
      break;
    case ecRedo:
      if (!readOnly_) Redo();
      break;
    case ecCut:
      if (!readOnly_ && SelAvail()) CutToClipboard();
      break;
    case ecCopy:
      CopyToClipboard();
      break;
    case ecPaste:
      if (!readOnly_) PasteFromClipboard();
      break;
    case ecScrollUp:
    case ecScrollDown:
      DoScrollLine(Command);
      break;
    case ecScrollLeft:
      SetLeftChar(leftChar_ - 1);
      update();
      break;
    case ecScrollRight:
      SetLeftChar(leftChar_ + 1);
      update();
      break;
    case ecInsertMode:
      SetInsertMode(true);
      break;
    case ecOverwriteMode:
      SetInsertMode(false);
      break;
    case ecToggleMode:
      SetInsertMode(!insertMode_);
      break;
    case ecNormalSelect:
      SetSelectionMode(smNormal);
      break;
    case ecColumnSelect:
      SetSelectionMode(wordWrap_ ? smNormal : smColumn);
      break;
    case ecLineSelect:
      SetSelectionMode(smLine);
      break;
    case ecMatchBracket:
      JumpToMatchingBracket();
      break;
    case ecContextHelp:
      if (OnContextHelp) OnContextHelp(this, GetWordAtCursor());
      break;
    case ecBlockIndent:
      if (!readOnly_) IndentSelectedLines();
      break;
    case ecBlockUnindent:
      if (!readOnly_) UnindentSelectedLines();
      break;
    case ecTab:
      if (!readOnly_) InsertTabAtCaret();
      break;
    case ecShiftTab:
      if (!readOnly_) RemoveTabBeforeCaret();
      break;
    case ecUpperCase:
    case ecLowerCase:
    case ecToggleCase:
    case ecTitleCase:
      if (!readOnly_) ChangeCaseOfWord(Command);
      break;
    default:
      if (Command >= ecGotoMarker0 && Command <= ecGotoMarker9) {
        if (bookMarkOpt_->EnableKeys()) GotoBookMark(Command - ecGotoMarker0);
      } else if (Command >= ecSetMarker0 && Command <= ecSetMarker9) {
        if (bookMarkOpt_->EnableKeys())
          DoToggleMarker(Command - ecSetMarker0, static_cast<const TPoint*>(Data));
      }
      break;
  }
}

// ---- caret movement -------------------------------------------------------------------------

void TCustomCodeEdit::MoveCaretWithSelection(TPoint From, TPoint To, bool SelectionCommand) {
  if (HasOption(eoGroupUndo)) undoList_->AddGroupBreak();
  TPaintLockScope lock(*this);
  if (SelectionCommand) {
    if (!SelAvail()) SetBlockBegin(From);
    SetBlockEnd(To);
  } else {
    SetBlockBegin(To);
  }
  SetCaretXY(To);
}

void TCustomCodeEdit::MoveCaretByColumns(int DX, bool SelectionCommand) {
  const int x = caretX_, y = caretY_;
  const int n = LineChars(y);
  const bool lineChange = !HasOption(eoScrollPastEol);
  TPoint target;
  if (DX == -1 && x == 1 && y > 1 && lineChange) {
    target = TPoint(LineChars(y - 1) + 1, y - 1);
  } else if (DX == 1 && x > n && lineChange && y < LineCount()) {
    target = TPoint(1, y + 1);
  } else {
    int t = IntMax(1, x + DX);
    if (DX >= 1 && lineChange) t = IntMin(t, n + 1);
    target = TPoint(t, y);
  }
  MoveCaretWithSelection(CaretXY(), target, SelectionCommand);
}

void TCustomCodeEdit::MoveCaretByLines(int DY, bool SelectionCommand) {
  int y = caretY_ + DY;
  if (DY < 0)
    y = IntMax(1, y);
  else
    y = IntMax(1, IntMin(y, LineCount()));
  int display = CaretToDisplayColumn(CaretXY()).X;
  if (y != caretY_ && HasOption(eoKeepCaretX)) display = lastCaretX_;
  const TPoint target = DisplayToCaretColumn(TPoint(display, y));
  const int saved = lastCaretX_;
  MoveCaretWithSelection(CaretXY(), target, SelectionCommand);
  lastCaretX_ = saved;
}

void TCustomCodeEdit::MoveCaretToLineStart(bool SelectionCommand) {
  int target = 1;
  if (HasOption(eoEnhanceHomeKey)) {
    const std::u32string line = U32(LineStr(caretY_));
    int k = 0;
    while (k < int(line.size()) && (line[size_t(k)] == U' ' || line[size_t(k)] == U'\t')) ++k;
    target = (caretX_ - 1 > k || caretX_ == 1) ? k + 1 : 1;
  }
  MoveCaretWithSelection(CaretXY(), TPoint(target, caretY_), SelectionCommand);
}

void TCustomCodeEdit::DoPageMove(TCodeEditorCommand Command) {
  int n = linesInWindow_;
  if (HasOption(eoHalfPageScroll)) n >>= 1;
  if (HasOption(eoScrollByOneLess)) --n;
  if (Command == ecPageUp || Command == ecSelPageUp) n = -n;
  SetTopLine(topLine_ + n);
  MoveCaretByLines(n, Command == ecSelPageUp || Command == ecSelPageDown);
}

void TCustomCodeEdit::DoScrollLine(TCodeEditorCommand Command) {
  if (caretY_ < topLine_ || caretY_ >= topLine_ + linesInWindow_) {
    ScrollCaretIntoView();
    return;
  }
  if (Command == ecScrollUp) {
    SetTopLine(topLine_ - 1);
    if (caretY_ > topLine_ + linesInWindow_ - 1)
      MoveCaretByLines(topLine_ + linesInWindow_ - 1 - caretY_, false);
  } else {
    SetTopLine(topLine_ + 1);
    if (caretY_ < topLine_) MoveCaretByLines(topLine_ - caretY_, false);
  }
  ScrollCaretIntoView();
  if (host_) host_->Update();
}

// ---- word positions ---------------------------------------------------------------------------

TPoint TCustomCodeEdit::NextWordStart() {
  const int y = caretY_;
  if (y < 1 || y > LineCount()) return CaretXY();
  const std::u32string line = U32(LineStr(y));
  const int len = int(line.size());
  int x = caretX_;
  if (x <= len) {
    if (IsIdentChar(line[size_t(x - 1)]))
      while (x <= len && IsIdentChar(line[size_t(x - 1)])) ++x;
    while (x <= len && !IsIdentChar(line[size_t(x - 1)])) ++x;
    return TPoint(x, y);
  }
  if (y < LineCount()) {
    const std::u32string next = U32(LineStr(y + 1));
    int p = 1;
    while (p <= int(next.size()) && !IsIdentChar(next[size_t(p - 1)])) ++p;
    return TPoint(p > int(next.size()) ? 1 : p, y + 1);
  }
  return CaretXY();
}

TPoint TCustomCodeEdit::WordStartAtCaret() {
  const int y = caretY_;
  if (y < 1 || y > LineCount()) return CaretXY();
  const std::u32string line = U32(LineStr(y));
  int x = IntMin(caretX_, int(line.size()) + 1);
  while (x > 1 && IsIdentChar(line[size_t(x - 2)])) --x;
  return TPoint(x, y);
}

TPoint TCustomCodeEdit::WordEndAtCaret() {
  const int y = caretY_;
  if (y < 1 || y > LineCount()) return CaretXY();
  const std::u32string line = U32(LineStr(y));
  const int len = int(line.size());
  int x = IntMin(caretX_, len + 1);
  while (x <= len && IsIdentChar(line[size_t(x - 1)])) ++x;
  return TPoint(x, y);
}

TPoint TCustomCodeEdit::PreviousWordStart() {
  const int y = caretY_;
  if (y < 1 || y > LineCount()) return CaretXY();
  const std::u32string line = U32(LineStr(y));
  int x = IntMin(caretX_, int(line.size()) + 1);
  if (x > 1) {
    int p = x - 1;  // 1-based position of the character before the caret
    while (p >= 1 && !IsIdentChar(line[size_t(p - 1)])) --p;
    if (p >= 1) {
      while (p >= 1 && IsIdentChar(line[size_t(p - 1)])) --p;
      return TPoint(p + 1, y);
    }
  }
  if (y > 1) return TPoint(LineChars(y - 1) + 1, y - 1);
  return TPoint(1, 1);
}

// ---- deleting
// ------------------------------------------------------------------------------------

void TCustomCodeEdit::DoBackspace() {
  FirePaintTransientLocked(ttBefore, true);
  TFinally after([this] { FirePaintTransientLocked(ttAfter, true); });
  if (SelAvail()) {
    DeleteSelectionForCommand();
    return;
  }
  if (LineCount() == 0) return;
  const int x = caretX_, y = IntMin(caretY_, LineCount());
  std::u32string t = U32(LineStr(y));
  const int n = int(t.size());
  const TPoint old = CaretXY();
  std::string deleted;
  if (x > n + 1) {
    // Past the end of the line nothing is deleted; the caret only moves.
    int target = x - 1;
    if (HasOption(eoSmartTabDelete)) {
      if (n > 0) {
        target = n + 1;
      } else {
        target = 1;
        for (int i = y - 1; i >= 1; --i) {
          const std::string above = LineStr(i);
          if (above.empty()) continue;
          const int s = LeftSpacesEx(above, true);
          if (s < x - 1) {
            target = s + 1;
            break;
          }
        }
      }
    }
    SetCaretXY(TPoint(target, y));
  } else if (x == 1) {
    if (y > 1) {
      const int prevLen = LineChars(y - 1);
      const std::string rest = TrimOn() ? TrimTrailingSpaces(LineStr(y)) : LineStr(y);
      lines_->BeginUpdate();
      {
        TFinally endUpdate([this] { lines_->EndUpdate(); });
        SetCaretInternal(TPoint(prevLen + 1, y - 1));
        lines_->Delete(y - 1);
        ShiftMarksAfterDelete(y - 1, 1);
        lines_->Put(y - 2, LineStr(y - 1) + rest);
      }
      deleted = "\r\n";
    }
  } else {
    int s = 0;
    if (HasOption(eoAutoIndent))
      while (s < n && IsBlank(t[size_t(s)])) ++s;
    int removeFrom = x - 2, count = 1;  // 0-based start and length of the cut
    if (IsBlank(t[size_t(x - 2)]) && x - 1 == s) {
      if (HasOption(eoSmartTabDelete)) {
        int target = 0;
        for (int i = y - 1; i >= 1; --i) {
          const std::u32string above = U32(LineStr(i));
          if (above.empty()) continue;
          int k = 0;
          while (k < int(above.size()) && IsBlank(above[size_t(k)])) ++k;
          if (k < s) {
            target = k;
            break;
          }
        }
        removeFrom = target;
        count = s - target;
      } else {
        // One tab stop back, stopping after a TAB.
        const int c = CaretToDisplayColumn(old).X;
        int b = (c - 1) % tabWidth_;
        if (b == 0) b = tabWidth_;
        int k = 0, width = 0;
        while (k < s) {
          const char32_t ch = t[size_t(x - 2 - k)];
          ++k;
          if (ch == U'\t') break;
          if (++width >= b) break;
        }
        removeFrom = x - 1 - k;
        count = k;
      }
      if (count <= 0) {
        removeFrom = x - 2;
        count = 1;
      }
    }
    deleted = U8(t.substr(size_t(removeFrom), size_t(count)));
    t.erase(size_t(removeFrom), size_t(count));
    StoreLineTrimmed(y - 1, U8(t));
    SetCaretInternal(TPoint(x - count, y));
  }
  if (!deleted.empty()) undoList_->AddChange(urSilentDelete, CaretXY(), old, deleted, smNormal);
  if (wordWrap_) ReflowCaretParagraph();
  ScrollCaretIntoView();
}

void TCustomCodeEdit::DoDeleteChar() {
  FirePaintTransient(ttBefore);
  TFinally after([this] { FirePaintTransient(ttAfter); });
  if (SelAvail()) {
    DeleteSelectionForCommand();
    return;
  }
  UpdateLastCaretX();
  if (LineCount() == 0) return;
  const int x = caretX_, y = IntMin(caretY_, LineCount());
  std::u32string t = U32(LineStr(y));
  const int n = int(t.size());
  if (x <= n) {
    const std::string deleted = U8(t.substr(size_t(x - 1), 1));
    t.erase(size_t(x - 1), 1);
    StoreLineTrimmed(y - 1, U8(t));
    undoList_->AddChange(urSilentDeleteAfterCaret, CaretXY(), TPoint(x + 1, y), deleted, smNormal);
  } else if (y < LineCount()) {
    // The next line joins this one at the caret; the blanks that fill the
    // gap are recorded too, so undo takes them away again.
    TUndoBlockScope block(*undoList_);
    const int pad = x - n - 1;
    if (pad > 0)
      undoList_->AddChange(urReplace, TPoint(x, y), TPoint(n + 1, y), std::string(), smNormal);
    lines_->BeginUpdate();
    {
      TFinally endUpdate([this] { lines_->EndUpdate(); });
      lines_->Put(y - 1, U8(PadRight(t, x - 1)) + LineStr(y + 1));
      lines_->Delete(y);
      ShiftMarksAfterDelete(y, 1);
    }
    undoList_->AddChange(urSilentDeleteAfterCaret, CaretXY(), TPoint(1, y + 1), "\r\n", smNormal);
  }
  if (wordWrap_) ReflowCaretParagraph();
}

void TCustomCodeEdit::DoDeleteRange(TCodeEditorCommand Command) {
  FirePaintTransient(ttBefore);
  TFinally after([this] { FirePaintTransient(ttAfter); });
  if (LineCount() == 0) return;
  const int y = IntMin(caretY_, LineCount());
  const int len = LineChars(y);
  TPoint other;
  switch (Command) {
    case ecDeleteWord:
      if (caretX_ > len + 1) SetCaretInternal(TPoint(len + 1, y));
      other = NextWordStart();
      break;
    case ecDeleteEOL:
      other = TPoint(len + 1, y);
      break;
    case ecDeleteLastWord:
      other = PreviousWordStart();
      break;
    default:
      other = TPoint(1, y);
      break;
  }
  const TPoint caret = CaretXY();
  if (other == caret) return;
  const bool forward = Command == ecDeleteWord || Command == ecDeleteEOL;
  const TCodeSelectionMode savedMode = selectionMode_;
  selectionMode_ = smNormal;
  TFinally restore([this, savedMode] { selectionMode_ = savedMode; });
  blockBegin_ = caret;
  blockEnd_ = other;
  const std::string text = SelText();
  if (text.empty()) {
    blockBegin_ = blockEnd_ = caret;
    SetBlockBegin(caret);
    return;
  }
  if (forward)
    undoList_->AddChange(urSilentDeleteAfterCaret, caret, other, text, smNormal);
  else
    undoList_->AddChange(urSilentDelete, other, caret, text, smNormal);
  SetSelTextPrimitiveEx(smNormal, std::string(), false);
  SetCaretXY(EarlierPoint(caret, other));
}

void TCustomCodeEdit::DoDeleteLine() {
  const int count = LineCount();
  if (count == 0 || (count == 1 && LineStr(1).empty())) return;
  FirePaintTransient(ttBefore);
  // The matching "after" notification comes too, also when a step fails.
  TFinally after([this] { FirePaintTransient(ttAfter); });
  if (SelAvail()) SetBlockBegin(CaretXY());
  const int y = IntMin(caretY_, count);
  // The item's range is exactly the text that goes (with one line break),
  // so redo takes away the same.
  if (y < count)
    undoList_->AddChange(urDeleteAfterCaret, TPoint(1, y), TPoint(1, y + 1), LineStr(y) + "\r\n",
                         smNormal);
  else if (count > 1)
    undoList_->AddChange(urDeleteAfterCaret, TPoint(LineChars(y - 1) + 1, y - 1),
                         TPoint(LineChars(y) + 1, y), "\r\n" + LineStr(y), smNormal);
  else
    undoList_->AddChange(urDeleteAfterCaret, TPoint(1, y), TPoint(LineChars(y) + 1, y), LineStr(y),
                         smNormal);
  if (count == 1)
    lines_->Put(0, std::string());
  else
    lines_->Delete(y - 1);
  ShiftMarksAfterDelete(y - 1, 1);
  SetCaretXY(TPoint(1, y));
}

// ---- line breaks
// ------------------------------------------------------------------------------------

void TCustomCodeEdit::DoLineBreak(TCodeEditorCommand Command) {
  if (SelAvail()) {
    RecordSelectionDeletion(urDelete);
    SetSelTextPrimitiveEx(selectionMode_, std::string(), false);
  }
  if (LineCount() == 0) lines_->Add(std::string());
  const int y = IntMin(caretY_, LineCount());
  const int x = caretX_;
  const std::string original = LineStr(y);
  const std::u32string t = U32(original);
  const int n = int(t.size());
  const bool lineBreak = Command == ecLineBreak;
  const bool autoIndent = HasOption(eoAutoIndent);
  // The undo item keeps the whole line as it was, so undo restores it
  // exactly, blanks included.
  const TPoint caret(x, y);
  TPoint newCaret = caret;
  int firstInserted = y;
  lines_->BeginUpdate();
  {
    TFinally endUpdate([this] { lines_->EndUpdate(); });
    if (n > 0 && x <= n && x > 1) {
      const std::u32string left = t.substr(0, size_t(x - 1)), right = t.substr(size_t(x - 1));
      StoreLineTrimmed(y - 1, U8(left));
      const int w = autoIndent ? LeftSpacesEx(U8(left), true) : 0;
      const std::string indent = GetLeftSpacing(w, true);
      lines_->Insert(y, indent + U8(right));
      if (lineBreak) newCaret = TPoint(int(indent.size()) + 1, y + 1);
      firstInserted = y + 1;
    } else if (n > 0 && x == 1) {
      lines_->Insert(y - 1, std::string());
      if (lineBreak) newCaret = TPoint(1, y + 1);
      firstInserted = y;
    } else if (n > 0) {
      std::u32string indent;
      if (autoIndent)
        for (int i = y; i >= 1; --i) {
          const std::u32string above = U32(LineStr(i));
          if (above.empty()) continue;
          size_t k = 0;
          while (k < above.size() && IsBlank(above[k])) ++k;
          indent = above.substr(0, k);
          break;
        }
      lines_->Insert(y, lineBreak ? U8(indent) : std::string());
      if (lineBreak) newCaret = TPoint(int(indent.size()) + 1, y + 1);
      firstInserted = y + 1;
    } else {
      int i = 0;
      if (autoIndent)
        for (int k = y - 1; k >= 1; --k) {
          const std::string above = LineStr(k);
          if (above.empty()) continue;
          i = LeftSpacesEx(above, true);
          break;
        }
      lines_->Insert(y - 1, std::string());
      if (lineBreak) newCaret = TPoint(i + 1, y + 1);
      firstInserted = y;
    }
    ShiftMarksAfterInsert(firstInserted, 1);
    // The item ends where the caret goes (where it was for ecInsertLine), so
    // redo knows which of the two commands made the break.
    undoList_->AddChange(urLineBreak, caret, newCaret, original, smNormal);
  }
  SetCaretXY(newCaret);
  SetBlockBegin(CaretXY());
  ScrollCaretIntoView();
  UpdateLastCaretX();
}

// ---- typing
// --------------------------------------------------------------------------------------

void TCustomCodeEdit::DoTypeText(const std::u32string& Text) {
  FirePaintTransient(ttBefore);
  TFinally after([this] { FirePaintTransient(ttAfter); });
  // Text that holds line breaks (an input method may send one) goes in as
  // a block, like a paste.
  if (SelAvail() || Text.find_first_of(U"\r\n") != std::u32string::npos) {
    SetSelText(U8(Text));
    if (Text.size() > 1) InvalidateGutter();
    return;
  }
  if (LineCount() == 0) lines_->Add(std::string());
  const int y = IntMin(caretY_, LineCount());
  const int x = caretX_;
  std::u32string t = U32(LineStr(y));
  const int n = int(t.size());
  const int len = int(Text.size());
  const TCodeEditorOptions savedOptions = options_;
  options_ |= eoScrollPastEol;
  TFinally restore([this, savedOptions] {
    options_ = (options_ & ~eoScrollPastEol) | (savedOptions & eoScrollPastEol);
  });
  // A caret past the end of the line: the gap fills with blanks (the
  // left-spacing string on an empty line), which undo takes away again.
  int at = x - 1;  // 0-based index of the first typed character
  bool padded = false;
  if (n < x - 1) {
    const std::string pad =
        n == 0 ? GetLeftSpacing(x - 1, true) : std::string(size_t(x - 1 - n), ' ');
    t += U32(pad);
    at = int(t.size());
    padded = true;
  }
  std::string replaced;
  if (insertMode_ || at >= int(t.size())) {
    t.insert(size_t(at), Text);
  } else {
    const int over = IntMin(len, int(t.size()) - at);
    replaced = U8(t.substr(size_t(at), size_t(over)));
    t.replace(size_t(at), size_t(over), Text);
  }
  const TPoint start(at + 1, y), stop(at + 1 + len, y);
  TUndoBlockScope block(*undoList_);
  if (padded) undoList_->AddChange(urReplace, start, TPoint(n + 1, y), std::string(), smNormal);
  StoreLineTrimmed(y - 1, U8(t));
  SetCaretInternal(stop);
  undoList_->AddChange(urInsert, start, stop, replaced, smNormal);
  if (host_ && CaretToDisplayColumn(CaretXY()).X >= leftChar_ + charsInWindow_)
    SetLeftChar(leftChar_ + IntMax(1, IntMin(25, charsInWindow_ - 1)));
  if (wordWrap_) ReflowCaretParagraph();
}

void TCustomCodeEdit::ReflowCaretParagraph() {
  if (!wordWrap_ || LineCount() == 0) return;
  int first = IntMin(caretY_, LineCount()) - 1;  // 0-based
  while (first > 0 && lines_->IsContinuationLine(first)) --first;
  int offset = caretX_ - 1;
  for (int i = first; i < caretY_ - 1; ++i) offset += LineChars(i + 1);
  lines_->BeginUpdate();
  {
    TFinally endUpdate([this] { lines_->EndUpdate(); });
    lines_->RewrapParagraph(first);
  }
  int y = first + 1;
  while (y < LineCount() && lines_->IsContinuationLine(y) && offset > LineChars(y)) {
    offset -= LineChars(y);
    ++y;
  }
  SetCaretInternal(TPoint(offset + 1, y));
  InvalidateGutter();
  Invalidate();
}

// ---- bookmarks from the keyboard
// -------------------------------------------------------------------

void TCustomCodeEdit::DoToggleMarker(int Index, const TPoint* Data) {
  const TPoint p = Data ? *Data : CaretXY();
  if (TCodeEditMark* m = Bookmark(Index)) {
    const int oldLine = m->Line();
    ClearBookMark(Index);
    if (oldLine != p.Y) SetBookMark(Index, p.X, p.Y);
  } else {
    SetBookMark(Index, p.X, p.Y);
  }
}

}  // namespace qv
