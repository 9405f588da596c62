// The editor control: clipboard, keyboard, mouse, focus, input method and
// drag and drop between editors.
#include <cstdlib>

#include "editor/CodeEdit.h"
#include "editor/CodeEditPrivate.h"

namespace qv {

using namespace codeedit;

// ---- clipboard ----------------------------------------------------------------------------

void TCustomCodeEdit::SetClipboardText(const std::string& Text) {
  if (Text.empty()) return;
  // Plain text for every program, and the block with its selection mode
  // (one mode byte, the text, a NUL) for editors of this program.
  TClipboardData data;
  data.Text = Text;
  std::string block(1, char(selectionMode_));
  block += Text;
  block += '\0';
  data.Formats[CODE_EDIT_CLIPBOARD_FORMAT] = std::move(block);
  try {
    Clipboard().SetData(data);
  } catch (const std::exception&) {
    throw ECodeEditError("Clipboard copy operation failed");
  }
}

bool TCustomCodeEdit::ReadPrivateBlock(const std::string& Block, TCodeSelectionMode& Mode,
                                       std::string& Text) {
  // A mode byte of 0..2 followed by the text up to its NUL.
  if (Block.empty() || static_cast<unsigned char>(Block[0]) > smColumn) return false;
  Mode = TCodeSelectionMode(static_cast<unsigned char>(Block[0]));
  const size_t nul = Block.find('\0', 1);
  Text = Block.substr(1, nul == std::string::npos ? std::string::npos : nul - 1);
  return true;
}

void TCustomCodeEdit::CopyToClipboard() {
  if (SelAvail()) SetClipboardText(SelText());
}

void TCustomCodeEdit::CutToClipboard() {
  if (readOnly_ || !SelAvail()) return;
  SetClipboardText(SelText());
  RecordSelectionDeletion(urDelete);
  LockUndoLists();
  TFinally unlock([this] { UnlockUndoLists(); });
  SetSelTextPrimitiveEx(selectionMode_, std::string(), false);
}

bool TCustomCodeEdit::CanPaste() {
  if (readOnly_) return false;
  TClipboardService& cb = Clipboard();
  return cb.HasText() || cb.HasFormat(CODE_EDIT_CLIPBOARD_FORMAT);
}

void TCustomCodeEdit::PasteFromClipboard() {
  if (readOnly_) return;
  FirePaintTransient(ttBefore);
  const TClipboardData data = Clipboard().GetData();
  TPaintLockScope lock(*this);
  bool wrapSwitchedOff = false;
  pasting_ = true;
  {
    // Whatever happens, the undo block closes, word wrap comes back and the
    // pasting flag is cleared.
    TUndoBlockScope block(*undoList_);
    TFinally restore([&] {
      pasting_ = false;
      if (wrapSwitchedOff) {
        SetWordWrap(true);
        undoList_->AddChange(urWordWrapOn, CaretXY(), CaretXY(), std::string(), selectionMode_);
      }
    });
    auto formatIt = data.Formats.find(CODE_EDIT_CLIPBOARD_FORMAT);
    if (formatIt != data.Formats.end()) {
      TCodeSelectionMode m = smNormal;
      std::string text;
      if (!ReadPrivateBlock(formatIt->second, m, text))
        throw ECodeEditError("Clipboard paste operation failed.");
      if (SelAvail()) RecordSelectionDeletion(urDelete);
      if (wordWrap_) {
        undoList_->AddChange(urWordWrapOff, CaretXY(), CaretXY(), std::string(), selectionMode_);
        SetWordWrap(false);
        wrapSwitchedOff = true;
      }
      TPoint start = CaretXY();
      if (SelAvail()) {
        start = BlockBegin();
        const TPoint end = BlockEnd();
        blockBegin_ = start;
        blockEnd_ = end;
      }
      if (m == smLine) start.X = 1;
      SetSelTextPrimitiveEx(m, text, false);
      const TPoint end = BlockEnd();
      if (m != smColumn) {
        // Lines pasted as lines end in front of the caret's line: as plain
        // text from column 1 of the first of them, the item takes away
        // exactly what came in (also without a window).
        undoList_->AddChange(urPaste, lastInsertPos_, end, std::string(), smNormal);
      } else {
        // One item per row has been recorded by the column insertion.
        SetCaretXY(TPoint(IntMin(start.X, end.X), IntMax(start.Y, end.Y) + 1));
      }
    } else if (data.Text) {
      if (SelAvail()) {
        RecordSelectionDeletion(urDelete);
        const TPoint b = BlockBegin(), e = BlockEnd();
        blockBegin_ = b;
        blockEnd_ = e;
      }
      ReplaceSelectionRecorded(*data.Text, urPaste);
    }
  }
  EnsureCursorPosVisible();
  NoteStatusChange(scSelection);
  FirePaintTransient(ttAfter);
}

// ---- keyboard ---------------------------------------------------------------------------------

void TCustomCodeEdit::KeyDown(int& Key, TShiftState Shift) {
  uint16_t key = uint16_t(Key);
  if (onKeyDownSlot_) onKeyDownSlot_(this, key, Shift);
  Key = key;
  if (key == 0) {
    stateFlags_ &= uint16_t(~sfIgnoreNextChar);
    return;
  }
  std::unique_ptr<TPoint> data;
  const TCodeEditorCommand cmd = TranslateKeyCode(key, Shift, data);
  if (cmd != ecNone) {
    Key = 0;
    stateFlags_ |= sfIgnoreNextChar;
    CommandProcessor(cmd, 0, data.get());
  } else {
    stateFlags_ &= uint16_t(~sfIgnoreNextChar);
  }
}

void TCustomCodeEdit::KeyPress(char32_t& Key) {
  if (imeCount_ > 0) {
    --imeCount_;
    Key = 0;
    return;
  }
  if (stateFlags_ & sfIgnoreNextChar) {
    stateFlags_ &= uint16_t(~sfIgnoreNextChar);
    Key = 0;
    return;
  }
  if (onKeyPressSlot_) onKeyPressSlot_(this, Key);
  if (Key != 0) CommandProcessor(ecChar, Key, nullptr);
}

void TCustomCodeEdit::InputText(const std::string& Text) {
  if (Text.empty()) return;
  CommandProcessor(ecImeStr, 0, const_cast<char*>(Text.c_str()));
}

void TCustomCodeEdit::ImeComposition(const std::string& ResultString) {
  if (ResultString.empty()) return;
  imeCount_ = int(UTF8CharCount(ResultString));
  std::string buffer = ResultString;
  CommandProcessor(ecImeStr, 0, buffer.data());
}

// ---- focus --------------------------------------------------------------------------------------

void TCustomCodeEdit::FocusIn() {
  CommandProcessor(ecGotFocus, 0, nullptr);
  InitializeCaret();
  if (hideSelection_ && SelAvail()) Invalidate();
}

void TCustomCodeEdit::FocusOut() {
  CommandProcessor(ecLostFocus, 0, nullptr);
  if (host_ && !alwaysShowCaret_ && !host_->Focused()) {
    HideCaret();
    host_->DestroyCaret();
  }
  if (hideSelection_ && SelAvail()) Invalidate();
}

// ---- mouse
// ----------------------------------------------------------------------------------------

void TCustomCodeEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  lastPointer_ = TPoint(X, Y);
  bool wasSelected = false, startDrag = false;
  if (Button == mbRight && SelAvail() && HasOption(eoRightMouseMovesCursor) &&
      !IsPointInSelection(PixelsToRowColumn(X, Y))) {
    blockEnd_ = blockBegin_;
    InvalidateLines(-1, -1);
    NoteStatusChange(scSelection);
  }
  const TPoint oldBlockBegin = blockBegin_;
  if (Button != mbLeft && SelAvail()) return;
  if (Button == mbLeft) {
    if (Shift & ssDouble) return;
    if (SelAvail()) {
      wasSelected = true;
      mouseDownX_ = X;
      mouseDownY_ = Y;
    }
  }
  if (Button == mbLeft || (Button == mbRight && HasOption(eoRightMouseMovesCursor)))
    ComputeCaret(X, Y);
  if (Button == mbLeft) {
    if (host_) host_->SetCapture();
    stateFlags_ &= uint16_t(~sfWaitForDragging);
    if (wasSelected && HasOption(eoDragDropEditing) && X >= gutterWidth_ + 2 &&
        selectionMode_ == smNormal && IsPointInSelection(CaretXY())) {
      startDrag = true;
    } else {
      TPoint p = CaretXY();
      CommandProcessor(ecGotoXY, 0, &p);
    }
    if (startDrag) {
      stateFlags_ |= sfWaitForDragging;
    } else if (!(stateFlags_ & sfDblClicked)) {
      if (Shift & ssShift) {
        blockBegin_ = blockEnd_ = oldBlockBegin;
        SetBlockEnd(CaretXY());
      } else {
        if (HasOption(eoAltSetsColumnMode) && selectionMode_ != smLine)
          SetSelectionMode((Shift & ssAlt) ? smColumn : smNormal);
        SetBlockBegin(CaretXY());
      }
    }
  }
  if (X < gutterWidth_) stateFlags_ |= sfGutterClick;
  SetFocus();
}

void TCustomCodeEdit::MouseMove(TShiftState Shift, int X, int Y) {
  lastPointer_ = TPoint(X, Y);
  if (!host_ || !host_->HasCapture()) return;
  if (stateFlags_ & sfWaitForDragging) {
    const TSize th = editHost_ ? editHost_->DragThreshold() : TSize{4, 4};
    if (std::abs(mouseDownX_ - X) >= th.cx || std::abs(mouseDownY_ - Y) >= th.cy) {
      stateFlags_ &= uint16_t(~sfWaitForDragging);
      if (editHost_) editHost_->BeginDrag();
    }
    return;
  }
  if (!(Shift & ssLeft)) return;
  const TRect client = host_->ClientRect();
  const TPoint p = PixelsToRowColumn(X, Y);
  TPoint c = CaretXY();
  if (Y >= 0 && Y < client.Height()) c.Y = p.Y;
  if (X >= gutterWidth_ && X < client.Width())
    c.X = DisplayToCaretColumn(TPoint(CaretToDisplayColumn(p).X, c.Y)).X;
  TPaintLockScope lock(*this);
  SetCaretXY(c);
  SetBlockEnd(CaretXY());
  ComputeScroll(X, Y);
}

void TCustomCodeEdit::MouseUp(TMouseButton, TShiftState, int X, int Y) {
  lastPointer_ = TPoint(X, Y);
  if (host_ && autoScrollTimer_) {
    host_->KillTimer(AutoScrollTimerId);
    autoScrollTimer_ = false;
  }
  scrollDeltaX_ = scrollDeltaY_ = 0;
  if (host_) host_->ReleaseCapture();
  if ((stateFlags_ & sfGutterClick) && X < gutterWidth_) {
    DoOnGutterClick(X, Y);
  } else if ((stateFlags_ & sfWaitForDragging) && !(stateFlags_ & sfDblClicked)) {
    // A press inside the selection that never became a drag.
    TPaintLockScope lock(*this);
    ComputeCaret(X, Y);
    SetBlockBegin(CaretXY());
    stateFlags_ &= uint16_t(~sfWaitForDragging);
  }
  stateFlags_ &= uint16_t(~(sfDblClicked | sfGutterClick | sfWaitForDragging));
}

void TCustomCodeEdit::DblClick() {
  const TPoint p = PointerPos();
  if (p.X >= gutterWidth_ + 2) {
    if (!HasOption(eoNoSelection)) SetWordBlock(CaretXY());
    if (OnDblClick) OnDblClick(this);
    stateFlags_ |= sfDblClicked;
    if (host_) host_->ReleaseCapture();
  } else if (OnDblClick) {
    OnDblClick(this);
  }
}

bool TCustomCodeEdit::MouseWheel(TShiftState Shift, int WheelDelta, int, int) {
  int step;
  if (Shift & ssCtrl) {
    step = linesInWindow_;
    if (HasOption(eoHalfPageScroll)) step >>= 1;
  } else {
    step = editHost_ ? editHost_->WheelScrollLines() : 3;
  }
  if (step == -1 || step > linesInWindow_) step = linesInWindow_;
  wheelAccumulator_ += WheelDelta;
  const int notches = wheelAccumulator_ / 120;
  wheelAccumulator_ %= 120;
  if (notches != 0) SetTopLine(topLine_ - step * notches);
  if (host_) host_->Update();
  return true;
}

void TCustomCodeEdit::DoOnGutterClick(int X, int Y) {
  stateFlags_ &= uint16_t(~(sfDblClicked | sfGutterClick));
  if (!OnGutterClick) return;
  const int line = PixelsToRowColumn(X, Y).Y;
  if (line < 1 || line > LineCount()) return;
  TCodeEditMarks marks;
  marks_->GetMarksForLine(line, marks);
  TCodeEditMark* clicked = nullptr;
  int x = 0;
  for (TCodeEditMark* m : marks) {
    if (!m) break;
    x += bookMarkOpt_->Xoffset();
    if (x > X) {
      clicked = m;
      break;
    }
  }
  OnGutterClick(this, X, Y, line, clicked);
}

TCursor TCustomCodeEdit::CursorAt(int X, int Y) const {
  if (X <= gutterWidth_) return gutter_->Cursor();
  if (HasOption(eoDragDropEditing)) {
    const TPoint display((X + (leftChar_ - 1) * charWidth_ - gutterWidth_ - 2) / charWidth_ + 1,
                         Y / lineHeight_ + topLine_);
    if (IsPointInSelection(DisplayToCaretColumn(display))) return crArrow;
  }
  return cursor_;
}

// ---- drag and drop between editors
// ---------------------------------------------------------------------

void TCustomCodeEdit::DragOver(TCustomCodeEdit* Source, int X, int Y, TDragState State,
                               bool& Accept, TShiftState Shift) {
  Accept = Source != nullptr && !Source->ReadOnly() && !readOnly_;
  if (!Accept) return;
  dragCursor_ = (Shift & ssCtrl) ? crMultiDrag : crDrag;
  if (State == dsDragLeave)
    ComputeCaret(mouseDownX_, mouseDownY_);
  else
    ComputeCaret(X, Y);
}

void TCustomCodeEdit::DragDrop(TCustomCodeEdit* Source, int X, int Y, TShiftState Shift) {
  if (readOnly_ || !Source || !Source->SelAvail()) return;
  TPaintLockScope lock(*this);
  ComputeCaret(X, Y);
  TPoint newPos = CaretXY();
  const bool same = Source == this;
  bool dropAfter = false, doDrop = true, move = false;
  if (same) {
    move = !(Shift & ssCtrl);
    const TPoint b = BlockBegin(), e = BlockEnd();
    dropAfter = LaterPoint(newPos, e) == newPos && newPos != e;
    const bool dropBefore = EarlierPoint(newPos, b) == newPos && newPos != b;
    doDrop = dropAfter || dropBefore;
  } else {
    move = (Shift & ssShift) != 0;
  }
  if (!doDrop) return;
  TUndoBlockScope block(*undoList_);
  const std::string text = Source->SelText();
  if (move && same) {
    const TPoint b = BlockBegin(), e = BlockEnd();
    RecordSelectionDeletion(urDelete);
    {
      LockUndoLists();
      TFinally unlock([this] { UnlockUndoLists(); });
      SetSelTextPrimitiveEx(selectionMode_, std::string(), false);
    }
    if (dropAfter && selectionMode_ == smNormal) {
      // The drop point moves with the text that followed the selection.
      if (newPos.Y == e.Y) newPos.X = b.X + (newPos.X - e.X);
      newPos.Y -= e.Y - b.Y;
    } else if (dropAfter && selectionMode_ == smLine) {
      newPos.Y -= e.Y - b.Y + 1;
    }
  } else if (move) {
    Source->SetSelText(std::string());
  }
  const TCodeEditorOptions saved = options_;
  options_ |= eoScrollPastEol;
  TFinally restore(
      [this, saved] { options_ = (options_ & ~eoScrollPastEol) | (saved & eoScrollPastEol); });
  SetCaretXY(newPos);
  SetBlockBegin(newPos);
  ReplaceSelectionRecorded(text, same ? urDragDropInsert : urInsert);
  SetBlockEnd(CaretXY());
  TPoint p = lastInsertPos_;
  CommandProcessor(ecSelGotoXY, 0, &p);
}

void TCustomCodeEdit::DropFiles(int X, int Y, const std::vector<std::string>& Files) {
  if (OnDropFiles) OnDropFiles(this, X, Y, Files);
}

}  // namespace qv
