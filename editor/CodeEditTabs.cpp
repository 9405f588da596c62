// The editor control: tab and shift-tab, block indent and unindent, case
// changes and bracket matching.
#include <algorithm>

#include "editor/CodeEdit.h"
#include "editor/CodeEditPrivate.h"

namespace qv {

using namespace codeedit;

namespace {

bool IsTabBlank(char32_t C) { return C == U' ' || C == U'\t'; }

constexpr char32_t Brackets[8] = {U'(', U')', U'[', U']', U'{', U'}', U'<', U'>'};

}  // namespace

// Whether the selection covers whole lines: from column 1 to the end of a
// line, or to column 1 of a later line.
static bool CoversWholeLines(TCustomCodeEdit& E) {
  if (!E.SelAvail() || E.SelectionMode() == smColumn) return false;
  const TPoint b = E.BlockBegin(), e = E.BlockEnd();
  if (b.X != 1) return false;
  if (e.X == 1 && e.Y > b.Y) return true;
  return e.X > int(UTF8CharCount(E.Lines().Get(e.Y - 1)));
}

void TCustomCodeEdit::InsertTabAtCaret() {
  const bool multiLine = SelAvail() && SelectionSpansLines();
  const bool wholeLines = CoversWholeLines(*this);
  if (HasOption(eoTabIndent) && (multiLine || wholeLines)) {
    IndentSelectedLines();
    if (wholeLines) {
      if (EarlierPoint(blockBegin_, blockEnd_) == blockBegin_)
        blockBegin_.X = 1;
      else
        blockEnd_.X = 1;
      InvalidateLines(-1, -1);
    }
    return;
  }
  // A selection goes first; the tab then reaches on from where it is put.
  TUndoBlockScope block(*undoList_);
  if (SelAvail()) {
    RecordSelectionDeletion(urDelete);
    SetSelTextPrimitiveEx(selectionMode_, std::string(), false);
  }
  const int display = CaretToDisplayColumn(CaretXY()).X;
  int w = 0;
  if (HasOption(eoSmartTabs) && caretY_ > 1 && caretY_ <= LineCount()) {
    for (int i = caretY_ - 1; i >= 1; --i) {
      const std::u32string above = U32(lines_->GetExpandedString(i - 1));
      if (int(above.size()) < display) continue;
      int p = display - 1;
      while (p < int(above.size()) && !IsTabBlank(above[size_t(p)])) ++p;
      while (p < int(above.size()) && IsTabBlank(above[size_t(p)])) ++p;
      w = p - (display - 1);
      break;
    }
  }
  if (w == 0) {
    if (HasOption(eoTabsToSpaces)) {
      // To the next tab stop of the display column.
      w = tabWidth_ - (display - 1) % tabWidth_;
    } else {
      w = tabWidth_;
    }
  }
  std::string text;
  if (HasOption(eoTabsToSpaces)) {
    text.assign(size_t(w), ' ');
  } else if (!HasOption(eoSmartTabs)) {
    text.assign(1, '\t');
  } else {
    const int start = CaretToDisplayColumn(CaretXY()).X, target = start + w;
    int cur = start;
    const int nextStop = ((cur - 1) / tabWidth_ + 1) * tabWidth_ + 1;
    if (nextStop <= target) {
      text += '\t';
      cur = nextStop;
      while (cur + tabWidth_ <= target) {
        text += '\t';
        cur += tabWidth_;
      }
    }
    text.append(size_t(target - cur), ' ');
  }
  const TPoint old = CaretXY();
  const int lineLen = LineChars(old.Y);
  SetSelTextPrimitiveEx(smNormal, text, false);
  const int newX = old.X + int(UTF8CharCount(text));
  // The item starts where blanks padding a short line began, so undo takes
  // those away too.
  undoList_->AddChange(urInsert, TPoint(IntMin(old.X, lineLen + 1), old.Y), TPoint(newX, old.Y),
                       std::string(), smNormal);
  const TCodeEditorOptions saved = options_;
  options_ |= eoScrollPastEol;
  SetCaretXY(TPoint(newX, old.Y));
  options_ = saved;
  ScrollCaretIntoView();
}

void TCustomCodeEdit::RemoveTabBeforeCaret() {
  const bool multiLine = SelAvail() && SelectionSpansLines();
  if (HasOption(eoTabIndent) && (multiLine || CoversWholeLines(*this))) {
    UnindentSelectedLines();
    return;
  }
  if (LineCount() == 0 || caretY_ > LineCount()) return;
  const std::u32string line = U32(LineStr(caretY_));
  int c = caretX_;
  if (HasOption(eoSmartTabs) && caretX_ > 1 && caretY_ > 1) {
    for (int i = caretY_ - 1; i >= 1; --i) {
      const std::u32string above = U32(LineStr(i));
      if (int(above.size()) < caretX_ - 1) continue;
      int p = caretX_ - 1;  // 1-based position scanned leftwards
      while (p >= 1 && c > 1 && above[size_t(p - 1)] == U' ') {
        --p;
        --c;
      }
      while (p >= 1 && c > 1 && above[size_t(p - 1)] != U' ') {
        --p;
        --c;
      }
      break;
    }
  }
  if (c == caretX_ && caretX_ > 1) {
    const int stop = ((caretX_ - 2) / tabWidth_) * tabWidth_ + 1;
    while (c > stop && c - 1 <= int(line.size()) && line[size_t(c - 2)] == U' ') --c;
  }
  // Only blanks of the caret's line are ever removed.
  int k = caretX_;
  while (k > 1 && (k - 1 > int(line.size()) || IsTabBlank(line[size_t(k - 2)]))) --k;
  c = IntMax(c, k);
  if (c >= caretX_) return;
  // Past the end of the line there is nothing to take away: the caret only
  // moves back.
  const int realEnd = IntMin(caretX_, int(line.size()) + 1);
  if (c < realEnd) {
    const TCodeSelectionMode savedMode = selectionMode_;
    selectionMode_ = smNormal;
    TFinally restore([this, savedMode] { selectionMode_ = savedMode; });
    blockBegin_ = TPoint(c, caretY_);
    blockEnd_ = TPoint(realEnd, caretY_);
    const std::string removed = SelTextForUndo();
    undoList_->AddChange(urDeleteAfterCaret, blockBegin_, blockEnd_, removed, smNormal);
    SetSelTextPrimitiveEx(smNormal, std::string(), false);
  }
  SetCaretXY(TPoint(c, caretY_));
}

void TCustomCodeEdit::IndentSelectedLines() {
  if (!SelAvail()) return;
  const TPoint bb = BlockBegin(), be = BlockEnd();
  const TPoint anchor = blockBegin_, moving = blockEnd_, caret = CaretXY();
  int lastLine = be.Y;
  bool endInColumn1 = false;
  if (be.X == 1 && be.Y > bb.Y) {
    lastLine = be.Y - 1;
    endInColumn1 = true;
  }
  const std::string indent =
      HasOption(eoTabsToSpaces) ? std::string(size_t(tabWidth_), ' ') : std::string("\t");
  std::string text;
  for (int y = bb.Y; y <= lastLine; ++y) {
    if (y > bb.Y) text += "\r\n";
    text += indent;
  }
  const int shift = int(indent.size());
  auto shifted = [&](TPoint p) {
    if (p.Y >= bb.Y && p.Y <= lastLine) p.X += shift;
    return p;
  };
  const TCodeSelectionMode savedMode = selectionMode_;
  {
    TUndoBlockScope block(*undoList_);
    undoList_->AddChange(urIndent, bb, be, std::string(), smColumn);
    SetSelTextColumn(TPoint(1, bb.Y), TPoint(1, bb.Y), true, text);
    undoList_->AddChange(urIndent, shifted(bb), shifted(be), std::string(), smColumn);
  }
  selectionMode_ = savedMode;
  TPoint newCaret = shifted(caret);
  if (endInColumn1 && caret.Y == be.Y) newCaret.X = 1;
  PlaceCaretAndSelection(newCaret, shifted(anchor), shifted(moving));
}

void TCustomCodeEdit::UnindentSelectedLines() {
  if (!SelAvail()) return;
  const TPoint bb = BlockBegin(), be = BlockEnd();
  const TPoint anchor = blockBegin_, moving = blockEnd_, caret = CaretXY();
  int lastLine = IntMin(be.Y, LineCount());
  if (be.X == 1 && be.Y > bb.Y) lastLine = be.Y - 1;
  std::vector<int> cut(size_t(IntMax(0, lastLine - bb.Y + 1)), 0);
  std::string pieces;
  bool any = false;
  lines_->BeginUpdate();
  {
    TFinally endUpdate([this] { lines_->EndUpdate(); });
    for (int y = bb.Y; y <= lastLine; ++y) {
      const std::u32string line = U32(LineStr(y));
      int k = 0;
      if (!line.empty() && line[0] == U'\t') {
        k = 1;
      } else {
        while (k < int(line.size()) && k < tabWidth_ && IsTabBlank(line[size_t(k)])) {
          ++k;
          if (line[size_t(k - 1)] == U'\t') break;
        }
      }
      if (y > bb.Y) pieces += "\r\n";
      pieces += U8(line.substr(0, size_t(k)));
      cut[size_t(y - bb.Y)] = k;
      if (k > 0) {
        any = true;
        lines_->Put(y - 1, U8(line.substr(size_t(k))));
      }
    }
  }
  if (!any) return;
  undoList_->AddChange(urUnindent, bb, be, pieces, smColumn);
  auto cutOf = [&](int y) { return y >= bb.Y && y <= lastLine ? cut[size_t(y - bb.Y)] : 0; };
  auto moved = [&](TPoint p) {
    p.X = IntMax(1, p.X - cutOf(p.Y));
    return p;
  };
  TPoint newCaret = caret;
  if (caret.X > 1) newCaret = moved(caret);
  PlaceCaretAndSelection(newCaret, moved(anchor), moved(moving));
}

// ---- case ------------------------------------------------------------------------------------

void TCustomCodeEdit::ChangeCaseOfWord(TCodeEditorCommand Command) {
  const TPoint oldCaret = CaretXY();
  const TCodeSelectionMode savedMode = selectionMode_;
  if (Command == ecToggleCase) {
    auto toggle = [](std::u32string s) {
      for (char32_t& c : s) {
        const char32_t up = CodeCharUpper(c);
        c = up != c ? up : CodeCharLower(c);
      }
      return s;
    };
    if (SelAvail()) {
      const TPoint anchor = blockBegin_, moving = blockEnd_;
      const std::string text = SelTextForUndo();
      const std::string toggled = U8(toggle(U32(text)));
      if (toggled != text) SetSelText(toggled);
      TPaintLockScope lock(*this);
      SetCaretXY(oldCaret);
      SelectRange(anchor, moving);
      return;
    }
    if (oldCaret.X > LineChars(oldCaret.Y)) return;
    selectionMode_ = smNormal;
    TFinally restore([this, savedMode] { selectionMode_ = savedMode; });
    blockBegin_ = oldCaret;
    blockEnd_ = TPoint(oldCaret.X + 1, oldCaret.Y);
    const std::string ch = SelTextForUndo();
    const std::string toggled = U8(toggle(U32(ch)));
    if (toggled != ch)
      SetSelText(toggled);
    else
      blockBegin_ = blockEnd_ = oldCaret;
    SetCaretXY(TPoint(oldCaret.X + 1, oldCaret.Y));
    SetBlockBegin(CaretXY());
    return;
  }
  const TPoint b = WordStartAtCaret(), e = WordEndAtCaret();
  if (e.Y != b.Y || e.X <= b.X) return;
  std::u32string word = U32(CharCopy(LineStr(b.Y), b.X, e.X - b.X));
  const std::u32string before = word;
  for (size_t i = 0; i < word.size(); ++i) {
    if (Command == ecUpperCase || (Command == ecTitleCase && i == 0))
      word[i] = CodeCharUpper(word[i]);
    else
      word[i] = CodeCharLower(word[i]);
  }
  if (word != before) {
    selectionMode_ = smNormal;
    TFinally restore([this, savedMode] { selectionMode_ = savedMode; });
    blockBegin_ = b;
    blockEnd_ = e;
    SetSelText(U8(word));
  }
  SetCaretXY(oldCaret);
  SetBlockBegin(oldCaret);
}

// ---- brackets
// ------------------------------------------------------------------------------------

TPoint TCustomCodeEdit::MatchingBracketAt(TPoint P, bool AdjustForTabs) {
  if (P.Y < 1 || P.Y > LineCount()) return TPoint(0, 0);
  std::u32string line = U32(LineStr(P.Y));
  if (P.X < 1 || P.X > int(line.size())) return TPoint(0, 0);
  const char32_t bracket = line[size_t(P.X - 1)];
  const char32_t* found = std::find(std::begin(Brackets), std::end(Brackets), bracket);
  if (found == std::end(Brackets)) return TPoint(0, 0);
  const int index = int(found - std::begin(Brackets));
  const char32_t partner = Brackets[index ^ 1];
  const bool forward = (index & 1) == 0;

  // Characters inside strings and comments do not count.
  TCodeHighlighterAttributes* stringAttr =
      highlighter_ ? highlighter_->GetDefaultAttribute(3) : nullptr;
  TCodeHighlighterAttributes* commentAttr =
      highlighter_ ? highlighter_->GetDefaultAttribute(0) : nullptr;
  std::vector<bool> skip;
  auto scanLine = [&](int y) {
    line = U32(LineStr(y));
    skip.assign(line.size(), false);
    if (!highlighter_) return;
    const TCodeLineHighlight h =
        HighlightLine(*highlighter_, LineStr(y), lines_->GetRange(y - 1), y - 1);
    for (const TCodeTokenRun& run : h.Runs) {
      if (!run.Attribute || (run.Attribute != stringAttr && run.Attribute != commentAttr)) continue;
      const size_t runLen = UTF8CharCount(run.Text);
      for (size_t k = 0; k < runLen && size_t(run.Pos) + k < skip.size(); ++k)
        skip[size_t(run.Pos) + k] = true;
    }
  };
  int y = P.Y, x = P.X, level = 1;
  scanLine(y);
  while (true) {
    x += forward ? 1 : -1;
    while (x < 1 || x > int(line.size())) {
      y += forward ? 1 : -1;
      if (y < 1 || y > LineCount()) return TPoint(0, 0);
      scanLine(y);
      x = forward ? 1 : int(line.size());
    }
    const char32_t ch = line[size_t(x - 1)];
    if ((ch != bracket && ch != partner) || skip[size_t(x - 1)]) continue;
    level += ch == bracket ? 1 : -1;
    if (level == 0) {
      TPoint r(x, y);
      if (AdjustForTabs) r = CaretToDisplayColumn(r);
      return r;
    }
  }
}

void TCustomCodeEdit::JumpToMatchingBracket() {
  const TPoint p = MatchingBracketAtCaret();
  if (p.X >= 1 && p.Y >= 1) {
    TPaintLockScope lock(*this);
    SetCaretXY(p);
    SetBlockBegin(CaretXY());
  }
}

}  // namespace qv
