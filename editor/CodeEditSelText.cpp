// The editor control: the selected text, the insertion primitive in the
// three selection modes, indentation helpers, and undo and redo.
#include <algorithm>

#include "editor/CodeEdit.h"
#include "editor/CodeEditPrivate.h"

namespace qv {

using namespace codeedit;

namespace {

std::u32string TrimRight32(std::u32string S) {
  while (!S.empty() && S.back() == U' ') S.pop_back();
  return S;
}

bool IsAfterCaretReason(TCodeChangeReason R) {
  return R == urDeleteAfterCaret || R == urSilentDeleteAfterCaret;
}

}  // namespace

// ---- small primitives ----------------------------------------------------------------

void TCustomCodeEdit::SetCaretInternal(TPoint P) {
  P.X = IntMax(1, P.X);
  P.Y = IntMax(1, P.Y);
  if (P.X != caretX_) NoteStatusChange(scCaretX);
  if (P.Y != caretY_) NoteStatusChange(scCaretY);
  caretX_ = P.X;
  caretY_ = P.Y;
  UpdateLastCaretX();
  stateFlags_ |= sfCaretChanged | sfScrollbarChanged;
}

void TCustomCodeEdit::SelectRange(TPoint Begin, TPoint End) {
  const int maxY = IntMax(1, LineCount());
  Begin.Y = IntClamp(Begin.Y, 1, maxY);
  End.Y = IntClamp(End.Y, 1, maxY);
  Begin.X = IntMax(1, Begin.X);
  End.X = IntMax(1, End.X);
  const int lo = IntMin(IntMin(Begin.Y, End.Y), IntMin(blockBegin_.Y, blockEnd_.Y));
  const int hi = IntMax(IntMax(Begin.Y, End.Y), IntMax(blockBegin_.Y, blockEnd_.Y));
  if (Begin == blockBegin_ && End == blockEnd_) return;
  blockBegin_ = Begin;
  blockEnd_ = End;
  InvalidateLines(lo, hi);
  NoteStatusChange(scSelection);
}

void TCustomCodeEdit::CollapseSelection(TPoint At) {
  const int lo = IntMin(blockBegin_.Y, blockEnd_.Y), hi = IntMax(blockBegin_.Y, blockEnd_.Y);
  const bool had = SelAvail();
  blockBegin_ = blockEnd_ = At;
  if (had) {
    InvalidateLines(lo, hi);
    NoteStatusChange(scSelection);
  }
}

// ---- column ranges --------------------------------------------------------------------

void TCustomCodeEdit::ColumnDisplayRange(int& From, int& To) const {
  From = CaretToDisplayColumn(blockBegin_).X;
  To = CaretToDisplayColumn(blockEnd_).X;
  if (From > To) std::swap(From, To);
}

void TCustomCodeEdit::ColumnRange(int Line, int DisplayFrom, int DisplayTo, int& First,
                                  int& Last) const {
  First = DisplayToCaretColumn(TPoint(DisplayFrom, Line)).X;
  Last = DisplayToCaretColumn(TPoint(DisplayTo, Line)).X;
  if (Last < First) Last = First;
}

// ---- the selected text -----------------------------------------------------------------

std::string TCustomCodeEdit::GetSelTextEx(bool PadColumns) const {
  if (!SelAvail()) return std::string();
  const TPoint b = BlockBegin(), e = BlockEnd();
  const int count = LineCount();
  std::string r;
  switch (selectionMode_) {
    case smNormal: {
      if (b.Y > count) return r;
      if (b.Y == e.Y) return CharCopy(LineStr(b.Y), b.X, e.X - b.X);
      r = CharCopy(LineStr(b.Y), b.X);
      for (int y = b.Y + 1; y < e.Y && y <= count; ++y) {
        r += "\r\n";
        r += LineStr(y);
      }
      r += "\r\n";
      if (e.Y <= count) r += CharCopy(LineStr(e.Y), 1, e.X - 1);
      return r;
    }
    case smLine: {
      const int last = IntMin(e.Y, count);
      for (int y = b.Y; y <= last; ++y) {
        r += LineStr(y);
        if (y < count) r += "\r\n";
      }
      return r;
    }
    case smColumn: {
      int from = 0, to = 0;
      ColumnDisplayRange(from, to);
      const int y1 = IntMin(blockBegin_.Y, blockEnd_.Y),
                y2 = IntMin(IntMax(blockBegin_.Y, blockEnd_.Y), count);
      for (int y = y1; y <= y2; ++y) {
        int first = 0, last = 0;
        ColumnRange(y, from, to, first, last);
        std::u32string row = U32(CharCopy(LineStr(y), first, last - first));
        if (PadColumns) row = PadRight(row, last - first);
        r += U8(row);
        if (y < y2) r += "\r\n";
      }
      return r;
    }
  }
  return r;
}

// ---- deleting the selection ---------------------------------------------------------------

void TCustomCodeEdit::DeleteSelection() {
  const TPoint b = BlockBegin(), e = BlockEnd();
  const int count = LineCount();
  switch (selectionMode_) {
    case smNormal: {
      if (b.Y > count) {
        SetCaretInternal(b);
        return;
      }
      const int lastY = IntMin(e.Y, count);
      // Undo putting text back keeps a start past the end of its line at its
      // column: blanks trimmed away since come back.
      std::string s = CharCopy(LineStr(b.Y), 1, b.X - 1);
      if (replaying_) s = U8(PadRight(U32(s), b.X - 1));
      if (e.Y <= count) s += CharCopy(LineStr(e.Y), e.X);
      if (TrimOn() && HasOption(eoScrollPastEol)) s = TrimTrailingSpaces(s);
      lines_->Put(b.Y - 1, s);
      if (lastY > b.Y) lines_->DeleteLines(b.Y, lastY - b.Y);
      SetCaretInternal(b);
      ShiftMarksAfterDelete(b.Y, lastY - b.Y);
      break;
    }
    case smLine: {
      const int first = IntMin(b.Y, count), last = IntMin(e.Y, count);
      if (first < 1) break;
      if (last == count) {
        lines_->Put(last - 1, std::string());
        if (last > first) lines_->DeleteLines(first - 1, last - first);
      } else {
        lines_->DeleteLines(first - 1, last - first + 1);
      }
      SetCaretInternal(TPoint(1, first));
      ShiftMarksAfterDelete(first - 1, last - first + 1);
      break;
    }
    case smColumn: {
      int from = 0, to = 0;
      ColumnDisplayRange(from, to);
      const int y1 = IntMin(blockBegin_.Y, blockEnd_.Y);
      const int y2 = IntMin(IntMax(blockBegin_.Y, blockEnd_.Y), count);
      for (int y = y1; y <= y2; ++y) {
        int first = 0, last = 0;
        ColumnRange(y, from, to, first, last);
        std::u32string line = U32(LineStr(y));
        const int len = int(line.size());
        if (first > len) continue;
        line.erase(size_t(first - 1), size_t(IntMin(last, len + 1) - first));
        StoreLineTrimmed(y - 1, U8(line));
      }
      SetCaretInternal(DisplayToCaretColumn(TPoint(from, y1)));
      break;
    }
  }
}

// ---- inserting --------------------------------------------------------------------------------

int TCustomCodeEdit::InsertTextNormal(const std::string& Value) {
  if (LineCount() == 0) lines_->Add(std::string());
  const int y = IntClamp(caretY_, 1, LineCount());
  const int x = caretX_;
  const std::u32string line = U32(LineStr(y));
  const std::u32string left =
      PadRight(line.substr(0, size_t(IntMin(x - 1, int(line.size())))), x - 1);
  const std::u32string right =
      x - 1 < int(line.size()) ? line.substr(size_t(x - 1)) : std::u32string();
  const std::vector<std::string> pieces = SplitPieces(Value);
  const int breaks = int(pieces.size()) - 1;
  const bool trim = TrimOn();
  // Where the inserted text (with the blanks that pad a short line) begins.
  lastInsertPos_ = TPoint(IntMin(x, int(line.size()) + 1), y);
  // The line the text starts in keeps what stood left of the caret as it
  // is; the lines the further pieces fill lose their trailing blanks.
  auto store = [&](int index, std::u32string s, bool trimIt) {
    if (trimIt) s = TrimRight32(std::move(s));
    lines_->Put(index, U8(s));
    return int(s.size());
  };
  if (breaks == 0) {
    const std::u32string piece = U32(pieces[0]);
    store(y - 1, left + piece + right, false);
    SetCaretInternal(TPoint(int(left.size() + piece.size()) + 1, y));
    return 0;
  }
  store(y - 1, left + U32(pieces[0]), false);
  lines_->InsertLines(y, breaks);
  int lastLen = 0;
  for (int i = 1; i <= breaks; ++i) {
    std::u32string s = U32(pieces[size_t(i)]);
    if (i == breaks) s += right;
    lastLen = store(y - 1 + i, std::move(s), trim);
  }
  const int rightLen = int((trim ? TrimRight32(right) : right).size());
  SetCaretInternal(TPoint(IntMax(1, lastLen + 1 - rightLen), y + breaks));
  return breaks;
}

void TCustomCodeEdit::InsertTextColumn(const std::string& Value, bool AddToUndoList,
                                       TCodeChangeReason Reason) {
  const std::vector<std::string> pieces = SplitPieces(Value);
  const int y = IntMax(1, caretY_);
  const bool record = AddToUndoList || pasting_;
  if (LineCount() == 0) lines_->Add(std::string());
  // Lines missing below the text are added first, as one insertion of line
  // breaks that undo takes away again.
  const int lastNeeded = y + int(pieces.size()) - 1;
  if (lastNeeded > LineCount()) {
    const int count = LineCount();
    const TPoint endOfText(LineChars(count) + 1, count);
    for (int i = count; i < lastNeeded; ++i) lines_->Add(std::string());
    if (record)
      undoList_->AddChange(urInsert, endOfText, TPoint(1, lastNeeded), std::string(), smNormal);
  }
  // Every row goes to the caret's display column of its own line.
  const int display = CaretToDisplayColumn(TPoint(caretX_, y)).X;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const int line = y + int(i);
    const std::u32string piece = U32(pieces[i]);
    // An empty row leaves its line alone (no blanks pad a short line).
    if (piece.empty()) continue;
    const int x = DisplayToCaretColumn(TPoint(display, line)).X;
    std::u32string s = U32(LineStr(line));
    const int len = int(s.size());
    const int padFrom = IntMin(x, len + 1);
    if (x - 1 <= len)
      s.insert(size_t(x - 1), piece);
    else
      s = PadRight(std::move(s), x - 1) + piece;
    StoreLineTrimmed(line - 1, U8(s));
    // The item covers the padding too, so undo leaves the line as it was.
    if (record)
      undoList_->AddChange(Reason, TPoint(padFrom, line), TPoint(x + int(piece.size()), line),
                           std::string(), smNormal);
  }
  const int lastX = DisplayToCaretColumn(TPoint(display, lastNeeded)).X;
  SetCaretInternal(TPoint(lastX + int(UTF8CharCount(pieces.back())), lastNeeded));
}

int TCustomCodeEdit::InsertTextLine(const std::string& Value) {
  const std::vector<std::string> pieces = SplitPieces(Value);
  int y = IntMax(1, caretY_);
  const bool trim = TrimOn();
  auto trimmed = [trim](const std::string& s) { return trim ? TrimTrailingSpaces(s) : s; };
  for (size_t i = 0; i + 1 < pieces.size(); ++i) {
    lines_->Insert(IntMin(y - 1, LineCount()), trimmed(pieces[i]));
    ++y;
  }
  const std::string& last = pieces.back();
  if (y > LineCount())
    lines_->Add(trimmed(last));
  else
    lines_->Put(y - 1, trimmed(last + LineStr(y)));
  SetCaretInternal(TPoint(int(UTF8CharCount(last)) + 1, y));
  return int(pieces.size()) - 1;
}

void TCustomCodeEdit::SetSelTextPrimitive(TCodeSelectionMode Mode, const std::string& Value) {
  SetSelTextPrimitiveEx(Mode, Value, false);
}

void TCustomCodeEdit::SetSelTextPrimitiveEx(TCodeSelectionMode Mode, const std::string& Value,
                                            bool AddToUndoList, TCodeChangeReason ColumnReason) {
  if (readOnly_) return;
  TPaintLockScope lock(*this);
  lines_->BeginUpdate();
  TFinally endUpdate([this] { lines_->EndUpdate(); });
  if (SelAvail()) {
    DeleteSelection();
    blockBegin_ = blockEnd_ = CaretXY();
  }
  if (Mode == smLine) caretX_ = 1;
  lastInsertPos_ = CaretXY();
  if (!Value.empty()) {
    const int startY = caretY_;
    switch (Mode) {
      case smNormal: {
        const int n = InsertTextNormal(Value);
        ShiftMarksAfterInsert(startY + 1, n);
        break;
      }
      case smColumn:
        InsertTextColumn(Value, AddToUndoList, ColumnReason);
        break;
      case smLine: {
        const int n = InsertTextLine(Value);
        ShiftMarksAfterInsert(startY, n);
        break;
      }
    }
    EnsureCursorPosVisible();
  }
  if (caretY_ < 1) caretY_ = 1;
}

void TCustomCodeEdit::SetSelTextColumn(TPoint BB, TPoint BE, bool AddToUndoList,
                                       const std::string& Value) {
  TPaintLockScope lock(*this);
  SetCaretInternal(BB);
  selectionMode_ = smColumn;
  blockBegin_ = BB;
  blockEnd_ = BE;
  SetSelTextPrimitiveEx(smColumn, Value, AddToUndoList);
  NoteStatusChange(scSelection);
}

void TCustomCodeEdit::SetSelText(const std::string& Value) {
  if (readOnly_) return;
  TUndoBlockScope block(*undoList_);
  if (SelAvail()) RecordSelectionDeletion(urDelete);
  const TPoint b = BlockBegin(), e = BlockEnd();
  blockBegin_ = b;
  blockEnd_ = e;
  ReplaceSelectionRecorded(Value, urInsert);
}

void TCustomCodeEdit::ReplaceSelectionRecorded(const std::string& Value, TCodeChangeReason Reason) {
  if (selectionMode_ == smColumn) {
    SetSelTextPrimitiveEx(smColumn, Value, true, Reason);
    return;
  }
  {
    LockUndoLists();
    TFinally unlock([this] { UnlockUndoLists(); });
    SetSelTextPrimitiveEx(selectionMode_, Value, false);
  }
  undoList_->AddChange(Reason, lastInsertPos_, BlockEnd(), SelText(), smNormal);
}

void TCustomCodeEdit::RemoveSelectedText() {
  if (SelAvail()) SetSelText(std::string());
}

void TCustomCodeEdit::RecordSelectionDeletion(TCodeChangeReason Reason) {
  if (selectionMode_ == smNormal) {
    // Past the end of a line there is no text: the ends are taken to the
    // line ends, so the item says exactly what goes.
    for (TPoint* p : {&blockBegin_, &blockEnd_})
      if (p->Y >= 1 && p->Y <= LineCount()) p->X = IntMin(p->X, LineChars(p->Y) + 1);
  }
  if (selectionMode_ != smColumn) {
    if (Reason == urDeleteAfterCaret)
      undoList_->AddChange(Reason, blockEnd_, blockBegin_, SelTextForUndo(), selectionMode_);
    else
      undoList_->AddChange(Reason, blockBegin_, blockEnd_, SelTextForUndo(), selectionMode_);
    return;
  }
  TUndoBlockScope block(*undoList_);
  int from = 0, to = 0;
  ColumnDisplayRange(from, to);
  const int y1 = IntMin(blockBegin_.Y, blockEnd_.Y);
  const int y2 = IntMin(IntMax(blockBegin_.Y, blockEnd_.Y), LineCount());
  for (int y = y1; y <= y2; ++y) {
    int first = 0, last = 0;
    ColumnRange(y, from, to, first, last);
    const int len = LineChars(y);
    if (first > len) continue;
    last = IntMin(last, len + 1);
    const std::string text = CharCopy(LineStr(y), first, last - first);
    if (!text.empty())
      undoList_->AddChange(Reason, TPoint(first, y), TPoint(last, y), text, smNormal);
  }
}

void TCustomCodeEdit::DeleteSelectionForCommand() {
  const bool backwards =
      EarlierPoint(blockEnd_, blockBegin_) == blockEnd_ && blockEnd_ != blockBegin_;
  RecordSelectionDeletion(backwards ? urDeleteAfterCaret : urDelete);
  SetSelTextPrimitiveEx(selectionMode_, std::string(), false);
}

// ---- indentation -------------------------------------------------------------------------------

int TCustomCodeEdit::LeftSpacesEx(const std::string& Line, bool WantTabs) const {
  if (Line.empty() || !HasOption(eoAutoIndent)) return 0;
  int n = 0;
  for (size_t i = 0; i < Line.size();) {
    const char32_t c = UTF8NextChar(Line, i);
    if (!IsBlank(c)) break;
    n += (c == U'\t' && WantTabs) ? tabWidth_ : 1;
  }
  return n;
}

std::string TCustomCodeEdit::GetLeftSpacing(int CharCount, bool WantTabs) const {
  CharCount = IntMax(0, CharCount);
  if (WantTabs && !HasOption(eoTabsToSpaces) && CharCount >= tabWidth_)
    return std::string(size_t(CharCount / tabWidth_), '\t') +
           std::string(size_t(CharCount % tabWidth_), ' ');
  return std::string(size_t(CharCount), ' ');
}

// ---- undo and redo
// -------------------------------------------------------------------------------

// While one item is replayed the editor takes the item's selection mode and
// lets the caret stand past line ends; undo also keeps trailing blanks.
struct TCustomCodeEdit::TReplayScope {
  TReplayScope(TCustomCodeEdit& E, TCodeSelectionMode Mode, bool Undoing)
      : e(E), mode(E.selectionMode_), options(E.options_), replaying(E.replaying_) {
    e.selectionMode_ = Mode;
    e.options_ |= eoScrollPastEol;
    if (Undoing) e.replaying_ = true;
  }
  TReplayScope(const TReplayScope&) = delete;
  TReplayScope& operator=(const TReplayScope&) = delete;
  ~TReplayScope() {
    e.selectionMode_ = mode;
    e.options_ = options;
    e.replaying_ = replaying;
  }
  TCustomCodeEdit& e;
  TCodeSelectionMode mode;
  TCodeEditorOptions options;
  bool replaying;
};

TPoint TCustomCodeEdit::ReplayReplacement(const TCodeEditUndoItem& Item,
                                          TCodeEditUndoList& Inverse) {
  const TPoint from = EarlierPoint(Item.ChangeStartPos, Item.ChangeEndPos);
  SetCaretInternal(from);
  SelectRange(Item.ChangeStartPos, Item.ChangeEndPos);
  const std::string removed = SelTextForUndo();
  SetSelTextPrimitiveEx(Item.ChangeSelMode, Item.ChangeStr, false);
  const TPoint after = CaretXY();
  Inverse.AddChange(Item.ChangeReason, from, after, removed, Item.ChangeSelMode);
  return after;
}

void TCustomCodeEdit::UndoItem() {
  std::unique_ptr<TCodeEditUndoItem> item = undoList_->PopItem();
  if (!item) return;
  TReplayScope scope(*this, item->ChangeSelMode, true);
  TPaintLockScope lock(*this);
  const TPoint s = item->ChangeStartPos, e = item->ChangeEndPos;
  const TCodeChangeReason reason = item->ChangeReason;
  switch (reason) {
    case urInsert:
    case urPaste:
    case urDragDropInsert:
    case urReplace:
      ReplayReplacement(*item, *redoList_);
      SetCaretInternal(EarlierPoint(s, e));
      blockBegin_ = blockEnd_ = CaretXY();
      break;
    case urDeleteAfterCaret:
    case urDelete:
    case urSilentDelete:
    case urSilentDeleteAfterCaret:
    case urDeleteAll: {
      // The text goes back in at the earlier of the two points, whichever
      // way the selection was made.
      const TPoint at = item->ChangeSelMode == smColumn ? TPoint(IntMin(s.X, e.X), IntMin(s.Y, e.Y))
                                                        : EarlierPoint(s, e);
      while (LineCount() < at.Y) lines_->Add(std::string());
      blockBegin_ = blockEnd_ = at;
      SetCaretInternal(at);
      SetSelTextPrimitiveEx(item->ChangeSelMode, item->ChangeStr, false);
      const TPoint caret = IsAfterCaretReason(reason) ? s : e;
      if (reason == urSilentDelete || reason == urSilentDeleteAfterCaret)
        blockBegin_ = blockEnd_ = caret;
      else
        SelectRange(s, e);
      SetCaretInternal(caret);
      redoList_->AddChange(reason, s, e, std::string(), item->ChangeSelMode);
      if (reason == urDeleteAll) {
        SetCaretInternal(TPoint(1, 1));
        blockEnd_ = TPoint(1, 1);
      }
      EnsureCursorPosVisible();
      break;
    }
    case urLineBreak: {
      // The item holds the line as it was before the break.
      redoList_->AddChange(reason, s, e, item->ChangeStr, item->ChangeSelMode);
      lines_->BeginUpdate();
      {
        TFinally endUpdate([this] { lines_->EndUpdate(); });
        if (s.Y < LineCount()) lines_->Delete(s.Y);
        if (s.Y >= 1 && s.Y <= LineCount()) lines_->Put(s.Y - 1, item->ChangeStr);
        SetCaretInternal(s);
        ShiftMarksAfterDelete(s.Y, 1);
      }
      break;
    }
    case urIndent:
      redoList_->AddChange(reason, s, e, item->ChangeStr, item->ChangeSelMode);
      SetCaretInternal(e);
      SelectRange(s, e);
      break;
    case urUnindent: {
      redoList_->AddChange(reason, s, e, item->ChangeStr, smColumn);
      blockBegin_ = blockEnd_ = TPoint(1, s.Y);
      SetCaretInternal(TPoint(1, s.Y));
      selectionMode_ = smColumn;
      SetSelTextPrimitiveEx(smColumn, item->ChangeStr, false);
      SetCaretInternal(s);
      SelectRange(s, e);
      break;
    }
    case urWordWrapOn:
    case urWordWrapOff:
      redoList_->AddChange(reason, s, e, item->ChangeStr, item->ChangeSelMode);
      SetWordWrap(reason == urWordWrapOff);
      break;
    default:
      // Group breaks and block markers move to the redo list.
      redoList_->PushItem(std::move(item));
      break;
  }
}

void TCustomCodeEdit::RedoItem() {
  std::unique_ptr<TCodeEditUndoItem> item = redoList_->PopItem();
  if (!item) return;
  // Redo trims trailing blanks as the original change did.
  TReplayScope scope(*this, item->ChangeSelMode, false);
  TPaintLockScope lock(*this);
  const TPoint s = item->ChangeStartPos, e = item->ChangeEndPos;
  const TCodeChangeReason reason = item->ChangeReason;
  switch (reason) {
    case urInsert:
    case urPaste:
    case urDragDropInsert:
    case urReplace: {
      const TPoint after = ReplayReplacement(*item, *undoList_);
      if (item->ChangeSelMode == smColumn)
        SelectRange(EarlierPoint(s, e), after);
      else
        blockBegin_ = blockEnd_ = after;
      break;
    }
    case urDeleteAfterCaret:
    case urDelete:
    case urSilentDelete:
    case urSilentDeleteAfterCaret:
    case urDeleteAll: {
      SelectRange(s, e);
      const std::string removed = SelTextForUndo();
      SetSelTextPrimitiveEx(item->ChangeSelMode, std::string(), false);
      undoList_->AddChange(reason, s, e, removed, item->ChangeSelMode);
      blockBegin_ = blockEnd_ = CaretXY();
      EnsureCursorPosVisible();
      break;
    }
    case urLineBreak:
      // The break is made again by the command itself, which records it.
      blockBegin_ = blockEnd_ = s;
      SetCaretInternal(s);
      ExecuteCommand(e == s ? ecInsertLine : ecLineBreak, U'\r', nullptr);
      break;
    case urIndent:
      undoList_->AddChange(reason, s, e, item->ChangeStr, item->ChangeSelMode);
      SetCaretInternal(e);
      SelectRange(s, e);
      break;
    case urUnindent: {
      undoList_->AddChange(reason, s, e, item->ChangeStr, smColumn);
      const std::vector<std::string> pieces = SplitPieces(item->ChangeStr);
      lines_->BeginUpdate();
      {
        TFinally endUpdate([this] { lines_->EndUpdate(); });
        for (size_t i = 0; i < pieces.size(); ++i) {
          const int line = s.Y + int(i);
          if (line > LineCount()) break;
          const int cut = int(UTF8CharCount(pieces[i]));
          if (cut > 0) lines_->Put(line - 1, CharCopy(LineStr(line), cut + 1));
        }
      }
      const int lastCut = int(UTF8CharCount(pieces.back()));
      const TPoint b(IntMax(1, s.X - tabWidth_), s.Y), en(IntMax(1, e.X - lastCut), e.Y);
      SetCaretInternal(en);
      SelectRange(b, en);
      break;
    }
    case urWordWrapOn:
    case urWordWrapOff:
      undoList_->AddChange(reason, s, e, item->ChangeStr, item->ChangeSelMode);
      SetWordWrap(reason == urWordWrapOn);
      break;
    default:
      undoList_->PushItem(std::move(item));
      break;
  }
}

void TCustomCodeEdit::Undo() {
  if (!readOnly_) UndoOrRedo(true);
}

void TCustomCodeEdit::Redo() {
  if (!readOnly_) UndoOrRedo(false);
}

void TCustomCodeEdit::UndoOrRedo(bool Undoing) {
  TCodeEditUndoList& from = Undoing ? *undoList_ : *redoList_;
  TCodeEditUndoList& to = Undoing ? *redoList_ : *undoList_;
  auto step = [this, Undoing] { Undoing ? UndoItem() : RedoItem(); };
  auto moveBreaks = [&] {
    while (from.PeekItem() && from.PeekItem()->ChangeReason == urGroupBreak) {
      from.PopItem();
      to.AddGroupBreak();
    }
  };
  TPaintLockScope lock(*this);
  moveBreaks();
  const TCodeEditUndoItem* top = from.PeekItem();
  if (!top) return;
  const TCodeChangeReason r = top->ChangeReason;
  const int32_t c = top->ChangeNumber;
  // What is recorded on the other list meanwhile shares the action's number.
  const int32_t savedNumber = to.BlockChangeNumber();
  to.SetBlockChangeNumber(c);
  inRedo_ = !Undoing;
  TFinally restore([&] {
    to.SetBlockChangeNumber(savedNumber);
    inRedo_ = false;
  });
  // A bracketed action goes whole: undo runs from an end marker back to its
  // begin marker, redo from a begin marker forward to its end marker.
  const bool bracket = Undoing ? (r == urBlock1End || r == urBlock2End || r == urBlock3End)
                               : (r == urBlock1Begin || r == urBlock2Begin || r == urBlock3Begin);
  const TCodeChangeReason partner = TCodeChangeReason(Undoing ? r - 1 : r + 1);
  const bool groups = HasOption(eoGroupUndo) && r != urIndent && r != urUnindent;
  step();
  while (const TCodeEditUndoItem* next = from.PeekItem()) {
    if (bracket) {
      if (next->ChangeReason == partner) break;
    } else if (!(next->ChangeNumber == c || (groups && next->ChangeReason == r))) {
      break;
    }
    step();
  }
  moveBreaks();
  if (bracket && from.GetLastChangeReason() == partner) step();
}

}  // namespace qv
