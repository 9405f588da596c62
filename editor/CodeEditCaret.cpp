// The editor control: caret, selection, positions and pixels, scrolling,
// repaint batching, the caret shape, and soft word wrap.
#include <algorithm>
#include <cmath>

#include "editor/CodeEdit.h"
#include "editor/CodeEditPrivate.h"

namespace qv {

using namespace codeedit;

// ---- display columns -------------------------------------------------------------

TPoint TCustomCodeEdit::CaretToDisplayColumn(TPoint P) const {
  if (P.Y < 1 || P.Y > LineCount()) return P;
  const std::string& line = lines_->Rec(P.Y - 1).Text;
  int col = 0, n = 0;
  size_t i = 0;
  for (; n < P.X - 1 && i < line.size(); ++n) {
    if (UTF8NextChar(line, i) == U'\t')
      col += tabWidth_ - col % tabWidth_;
    else
      ++col;
  }
  col += IntMax(0, P.X - 1 - n);  // past the end of the line
  return TPoint(col + 1, P.Y);
}

TPoint TCustomCodeEdit::DisplayToCaretColumn(TPoint P) const {
  if (P.Y < 1 || P.Y > LineCount()) return P;
  const std::string& line = lines_->Rec(P.Y - 1).Text;
  const int target = P.X - 1;
  int col = 0, n = 0;
  size_t i = 0;
  while (col < target && i < line.size()) {
    if (UTF8NextChar(line, i) == U'\t')
      col += tabWidth_ - col % tabWidth_;
    else
      ++col;
    ++n;
  }
  if (col < target) n += target - col;
  return TPoint(n + 1, P.Y);
}

void TCustomCodeEdit::UpdateLastCaretX() { lastCaretX_ = CaretToDisplayColumn(CaretXY()).X; }

// ---- caret --------------------------------------------------------------------------

void TCustomCodeEdit::SetCaretXYEx(bool CallEnsureCursorPos, TPoint Value) {
  FirePaintTransient(ttBefore);
  int maxX = maxLeftChar_;
  if (Value.Y > LineCount()) Value.Y = LineCount();
  if (Value.Y < 1) {
    Value.Y = 1;
    if (!HasOption(eoScrollPastEol)) maxX = 1;
  } else if (!HasOption(eoScrollPastEol)) {
    maxX = LineChars(Value.Y) + 1;
  }
  Value.X = IntMax(1, IntMin(Value.X, maxX));
  if (Value == CaretXY()) {
    UpdateLastCaretX();
    FirePaintTransient(ttAfter);
    return;
  }
  {
    TPaintLockScope lock(*this);
    if (Value.X != caretX_) NoteStatusChange(scCaretX);
    if (Value.Y != caretY_) NoteStatusChange(scCaretY);
    caretX_ = Value.X;
    caretY_ = Value.Y;
    UpdateLastCaretX();
    if (CallEnsureCursorPos) EnsureCursorPosVisible();
    stateFlags_ |= sfCaretChanged | sfScrollbarChanged;
  }
  FirePaintTransient(ttAfter);
}

// ---- selection -----------------------------------------------------------------------

TPoint TCustomCodeEdit::BlockBegin() const { return EarlierPoint(blockBegin_, blockEnd_); }

TPoint TCustomCodeEdit::BlockEnd() const { return LaterPoint(blockBegin_, blockEnd_); }

bool TCustomCodeEdit::SelAvail() const {
  return !(blockBegin_.X == blockEnd_.X &&
           (blockBegin_.Y == blockEnd_.Y || selectionMode_ == smColumn));
}

bool TCustomCodeEdit::SelectionSpansLines() const {
  return blockBegin_.Y != blockEnd_.Y && selectionMode_ != smColumn;
}

void TCustomCodeEdit::SetBlockBegin(TPoint Value) {
  Value.X = IntClamp(Value.X, 1, maxLeftChar_);
  Value.Y = IntClamp(Value.Y, 1, IntMax(1, LineCount()));
  if (selectionMode_ == smNormal)
    Value.X = Value.Y <= LineCount() ? IntMin(Value.X, LineChars(Value.Y) + 1) : 1;
  if (SelAvail()) {
    const TPoint b = BlockBegin(), e = BlockEnd();
    blockBegin_ = blockEnd_ = Value;
    InvalidateLines(IntMin(Value.Y, b.Y), IntMax(Value.Y, e.Y));
    NoteStatusChange(scSelection);
  } else {
    const bool changed = blockBegin_ != Value || blockEnd_ != Value;
    blockBegin_ = blockEnd_ = Value;
    if (changed) NoteStatusChange(scSelection);
  }
}

void TCustomCodeEdit::SetBlockEnd(TPoint Value) {
  if (HasOption(eoNoSelection)) return;
  Value.X = IntClamp(Value.X, 1, maxLeftChar_);
  Value.Y = IntClamp(Value.Y, 1, IntMax(1, LineCount()));
  if (selectionMode_ == smNormal)
    Value.X = Value.Y <= LineCount() ? IntMin(Value.X, LineChars(Value.Y) + 1) : 1;
  if (Value == blockEnd_) return;
  const TPoint old = blockEnd_;
  if (selectionMode_ != smColumn || Value.X == old.X) {
    blockEnd_ = Value;
    if (!(selectionMode_ == smColumn && blockBegin_.X == Value.X))
      InvalidateLines(IntMin(old.Y, Value.Y), IntMax(old.Y, Value.Y));
  } else {
    blockEnd_ = Value;
    InvalidateLines(IntMin(blockBegin_.Y, IntMin(old.Y, Value.Y)),
                    IntMax(blockBegin_.Y, IntMax(old.Y, Value.Y)));
  }
  NoteStatusChange(scSelection);
}

void TCustomCodeEdit::SelectAll() {
  TPaintLockScope lock(*this);
  const int count = LineCount();
  const TPoint last = count > 0 ? TPoint(LineChars(count) + 1, count) : TPoint(1, 1);
  blockBegin_ = TPoint(1, 1);
  blockEnd_ = last;
  SetCaretXY(last);
  InvalidateLines(-1, -1);
  NoteStatusChange(scSelection);
}

void TCustomCodeEdit::PlaceCaretAndSelection(TPoint Caret, TPoint Begin, TPoint End) {
  TPaintLockScope lock(*this);
  SetCaretXY(Caret);
  SetBlockBegin(Begin);
  SetBlockEnd(End);
}

bool TCustomCodeEdit::IsPointInSelection(TPoint Value) const {
  const TPoint b = BlockBegin(), e = BlockEnd();
  if (Value.Y < b.Y || Value.Y > e.Y || blockBegin_ == blockEnd_) return false;
  switch (selectionMode_) {
    case smLine:
      return true;
    case smColumn: {
      const int lo = IntMin(blockBegin_.X, blockEnd_.X), hi = IntMax(blockBegin_.X, blockEnd_.X);
      if (lo == hi) return false;
      return Value.X >= lo && Value.X < hi;
    }
    default:
      if (Value.Y == b.Y && Value.X < b.X) return false;
      if (Value.Y < e.Y) return true;
      return Value.X < e.X;
  }
}

int TCustomCodeEdit::GetSelStart() const {
  const TPoint p = SelAvail() ? BlockBegin() : CaretXY();
  int offset = 0;
  for (int i = 1; i < p.Y && i <= LineCount(); ++i) offset += LineChars(i) + 2;
  return offset + IntMin(p.X, LineChars(p.Y) + 1);
}

int TCustomCodeEdit::GetSelEnd() const {
  const TPoint p = SelAvail() ? BlockEnd() : CaretXY();
  int offset = 0;
  for (int i = 1; i < p.Y && i <= LineCount(); ++i) offset += LineChars(i) + 2;
  return offset + p.X;
}

// ---- words ---------------------------------------------------------------------------

bool TCustomCodeEdit::IsIdentChar(char32_t C) const {
  if (highlighter_) {
    if (!highlighter_->IsIdentChar(C)) return false;
    return C >= 256 || !highlighter_->WordBreakChars().test(C);
  }
  if (C < 33) return false;
  switch (C) {
    case 33:
    case 34:
    case 39:
    case 58:
    case 59:
    case 61:
    case 63:
    case 91:
    case 92:  // clang-format off
    case 93: case 94: case 123: case 124: case 125:  // clang-format on
      return false;
    default:
      return !(C >= 40 && C <= 47);
  }
}

std::string TCustomCodeEdit::GetWordAtRowCol(TPoint XY) const {
  if (XY.Y < 1 || XY.Y > LineCount()) return std::string();
  const std::u32string line = U32(LineStr(XY.Y));
  const int len = int(line.size());
  if (XY.X < 1 || XY.X > len + 1) return std::string();
  auto ident = [this](char32_t c) {
    if (highlighter_) return highlighter_->IsIdentChar(c);
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
  };
  int start = XY.X, stop = XY.X;  // 1-based, word is [start, stop)
  while (stop <= len && ident(line[size_t(stop - 1)])) ++stop;
  while (start > 1 && ident(line[size_t(start - 2)])) --start;
  if (stop <= start) return std::string();
  return U8(line.substr(size_t(start - 1), size_t(stop - start)));
}

void TCustomCodeEdit::SetWordBlock(TPoint Value) {
  Value.X = IntClamp(Value.X, 1, maxLeftChar_);
  Value.Y = IntClamp(Value.Y, 1, IntMax(1, LineCount()));
  const std::u32string line = U32(LineStr(Value.Y));
  const int len = int(line.size());
  if (Value.X > len) {
    SetCaretXY(TPoint(len + 1, Value.Y));
    return;
  }
  int wordBegin = Value.X, wordEnd = Value.X;
  const char32_t at = line[size_t(Value.X - 1)];
  auto wordChar = [&](char32_t c) {
    return highlighter_ ? highlighter_->IsIdentChar(c) : IsCodeCharAlphaNumeric(c);
  };
  if (wordChar(at) || highlighter_) {
    wordEnd = Value.X;
    while (wordEnd <= len && wordChar(line[size_t(wordEnd - 1)])) ++wordEnd;
    wordBegin = Value.X;
    while (wordBegin > 1 && wordChar(line[size_t(wordBegin - 2)])) --wordBegin;
  }
  TPaintLockScope lock(*this);
  SetCaretXY(TPoint(wordEnd, Value.Y));
  SetBlockBegin(TPoint(wordBegin, Value.Y));
  SetBlockEnd(TPoint(wordEnd, Value.Y));
  InvalidateLines(Value.Y, Value.Y);
  NoteStatusChange(scSelection);
}

std::string TCustomCodeEdit::GetWordAtCursor() {
  const TPoint saved = CaretXY();
  const TPoint b = WordStartAtCaret(), e = WordEndAtCaret();
  if (e.Y != b.Y || e.X <= b.X) return std::string();
  const std::string word = CharCopy(LineStr(b.Y), b.X, e.X - b.X);
  SetBlockBegin(saved);
  return word;
}

bool TCustomCodeEdit::TokenAtPosition(TPoint XY, std::string& Token, int& TokenKind, int& Start,
                                      TCodeHighlighterAttributes*& Attri) {
  Token.clear();
  TokenKind = 0;
  Start = 0;
  Attri = nullptr;
  if (!highlighter_ || XY.Y < 1 || XY.Y > LineCount()) return false;
  highlighter_->SetRange(lines_->GetRange(XY.Y - 1));
  highlighter_->SetLine(LineStr(XY.Y), XY.Y - 1);
  while (!highlighter_->GetEol()) {
    const int start = highlighter_->GetTokenPos() + 1;
    const std::string token = highlighter_->GetToken();
    const int len = int(UTF8CharCount(token));
    if (XY.X >= start && XY.X < start + len) {
      Token = token;
      TokenKind = highlighter_->GetTokenKind();
      Start = start;
      Attri = highlighter_->GetTokenAttribute();
      return true;
    }
    highlighter_->Next();
  }
  return false;
}

bool TCustomCodeEdit::TokenAtPosition(TPoint XY, std::string& Token,
                                      TCodeHighlighterAttributes*& Attri) {
  int kind = 0, start = 0;
  return TokenAtPosition(XY, Token, kind, start, Attri);
}

// ---- pixels ------------------------------------------------------------------------------

TPoint TCustomCodeEdit::PixelsToRowColumn(int X, int Y) const {
  const double f = leftChar_ + double(X - gutterWidth_ - 2) / charWidth_;
  if (Y >= linesInWindow_ * lineHeight_) Y = IntMax(0, linesInWindow_ * lineHeight_ - 1);
  const TPoint display(RoundHalfAway(f), Y / lineHeight_ + topLine_);
  TPoint p = DisplayToCaretColumn(display);
  p.X = IntMax(1, p.X);
  return p;
}

TPoint TCustomCodeEdit::RowColumnToPixels(TPoint RowCol) const {
  return TPoint((RowCol.X - 1) * charWidth_ + textOffset_, (RowCol.Y - topLine_) * lineHeight_);
}

int TCustomCodeEdit::CaretXPix() const {
  return RowColumnToPixels(CaretToDisplayColumn(CaretXY())).X;
}

int TCustomCodeEdit::CaretYPix() const { return RowColumnToPixels(CaretXY()).Y; }

void TCustomCodeEdit::ComputeCaret(int X, int Y) { SetCaretXY(PixelsToRowColumn(X, Y)); }

// ---- scrolling ------------------------------------------------------------------------------

void TCustomCodeEdit::SetLeftChar(int Value) {
  const int maxVal = HasOption(eoScrollPastEol) ? maxLeftChar_ : lines_->GetLengthOfLongestLine();
  Value = IntMax(IntMin(Value, maxVal - charsInWindow_ + 1), 1);
  if (Value == leftChar_) return;
  leftChar_ = Value;
  textOffset_ = gutterWidth_ + 2 - (leftChar_ - 1) * charWidth_;
  UpdateScrollBars();
  InvalidateLines(-1, -1);
  NoteStatusChange(scLeftChar);
}

void TCustomCodeEdit::SetTopLine(int Value) {
  const int maxVal = HasOption(eoScrollPastEof) ? LineCount() : LineCount() + 1 - linesInWindow_;
  Value = IntMax(IntMin(Value, maxVal), 1);
  if (Value == topLine_) return;
  const int delta = topLine_ - Value;
  topLine_ = Value;
  UpdateScrollBars();
  if (host_ && visible_) {
    if (std::abs(delta) < linesInWindow_)
      host_->ScrollWindow(0, lineHeight_ * delta, host_->ClientRect());
    else
      host_->Invalidate();
  }
  NoteStatusChange(scTopLine);
}

void TCustomCodeEdit::EnsureCursorPosVisibleEx(bool ForceToMiddle) {
  if (!host_) return;
  TPaintLockScope lock(*this);
  const int x = CaretToDisplayColumn(CaretXY()).X;
  if (x < leftChar_)
    SetLeftChar(x);
  else if (x > leftChar_ + charsInWindow_)
    SetLeftChar(x - charsInWindow_ + 1);
  if (!ForceToMiddle) {
    if (caretY_ < topLine_)
      SetTopLine(caretY_);
    else if (caretY_ > topLine_ + IntMax(1, linesInWindow_) - 1)
      SetTopLine(caretY_ - (linesInWindow_ - 1));
  } else {
    if (caretY_ < topLine_ - 1)
      SetTopLine(IntMax(1, caretY_ - linesInWindow_ / 2 + 1));
    else if (caretY_ > topLine_ + linesInWindow_ - 2)
      SetTopLine(caretY_ - (linesInWindow_ - 1) + linesInWindow_ / 2);
  }
}

void TCustomCodeEdit::UpdateScrollBars() {
  if (!host_ || paintLock_ > 0) {
    stateFlags_ |= sfScrollbarChanged;
    return;
  }
  stateFlags_ &= uint16_t(~sfScrollbarChanged);
  const bool hideShow = HasOption(eoHideShowScrollbars);
  const bool wantH = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
  const bool wantV = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
  const bool disableArrows = HasOption(eoDisableScrollArrows);

  TScrollInfo h;
  h.Visible = wantH;
  h.Min = 1;
  h.Max = HasOption(eoScrollPastEol) ? maxLeftChar_ : IntMax(lines_->GetLengthOfLongestLine(), 1);
  h.Page = charsInWindow_;
  h.Pos = leftChar_;
  if (hideShow && h.Max == h.Min) {
    ++h.Max;
    h.Pos = h.Min;
  }
  if (wantH) {
    const int extra = disableArrows ? leftChar_ : 0;
    bool left = true, right = true;
    if (!disableArrows && charsInWindow_ < h.Max) {
    } else if (leftChar_ < 2 && charsInWindow_ + extra >= h.Max) {
      left = right = false;
    } else {
      if (leftChar_ > 1 && extra + charsInWindow_ > h.Max) right = false;
      if (leftChar_ <= 1) left = false;
    }
    scrollArrows_[0] = {left, right};
  }
  host_->SetScrollInfo(sbHorizontal, h);

  TScrollInfo v;
  v.Visible = wantV;
  int n = LineCount();
  if (HasOption(eoScrollPastEof)) n += linesInWindow_ - 1;
  if (n > 32767) {
    v.Min = 0;
    v.Max = 32767;
    v.Page = MulDiv(32767, linesInWindow_, n);
    v.Pos = MulDiv(32767, topLine_, n);
  } else {
    v.Min = 1;
    v.Max = IntMax(1, n);
    v.Page = linesInWindow_;
    v.Pos = topLine_;
    if (hideShow && v.Max == v.Min) {
      ++v.Max;
      v.Pos = v.Min;
    }
  }
  if (wantV) {
    bool up = true, down = true;
    if (!disableArrows && LineCount() > linesInWindow_) {
    } else if (topLine_ < 2 && LineCount() <= linesInWindow_) {
      up = down = false;
    } else {
      if (topLine_ < 2) up = false;
      if (LineCount() - topLine_ - linesInWindow_ + 1 == 0) down = false;
    }
    scrollArrows_[1] = {up, down};
  }
  host_->SetScrollInfo(sbVertical, v);
}

void TCustomCodeEdit::Scroll(TScrollBarKind Bar, TScrollCode Code, int Pos) {
  if (Bar == sbHorizontal) {
    const int page = HasOption(eoScrollByOneLess) ? charsInWindow_ - 1 : charsInWindow_;
    switch (Code) {
      case scLineUp:
        SetLeftChar(leftChar_ - 1);
        break;
      case scLineDown:
        SetLeftChar(leftChar_ + 1);
        break;
      case scPageUp:
        SetLeftChar(leftChar_ - page);
        break;
      case scPageDown:
        SetLeftChar(leftChar_ + page);
        break;
      case scPosition:
      case scTrack:
        SetLeftChar(Pos & 0xFFFF);
        break;
      case scTop:
        SetLeftChar(1);
        break;
      case scBottom:
        SetLeftChar(maxLeftChar_);
        break;
      default:
        break;
    }
  } else {
    const int page = HasOption(eoScrollByOneLess) ? linesInWindow_ - 1 : linesInWindow_;
    switch (Code) {
      case scLineUp:
        SetTopLine(topLine_ - 1);
        break;
      case scLineDown:
        SetTopLine(topLine_ + 1);
        break;
      case scPageUp:
        SetTopLine(topLine_ - page);
        break;
      case scPageDown:
        SetTopLine(topLine_ + page);
        break;
      case scTop:
        SetTopLine(1);
        break;
      case scBottom:
        SetTopLine(LineCount());
        break;
      case scPosition:
      case scTrack: {
        int line = Pos;
        if (LineCount() > 32767) line = MulDiv(LineCount() + linesInWindow_ - 1, Pos, 32767);
        SetTopLine(line);
        if (HasOption(eoShowScrollHint) && editHost_ && host_) {
          const std::string hint =
              scrollHintFormat_ == shfTopLineOnly
                  ? Format("Top Line: %d", topLine_)
                  : Format("%d - %d", topLine_,
                           topLine_ + IntMin(linesInWindow_, LineCount() - topLine_));
          TFont hintFont;
          const TSize ext = Fonts().TextExtent(hintFont, hint);
          const int hintW = IntMin(200, ext.cx + 6), hintH = ext.cy + 4;
          const TRect client = host_->ClientRect();
          int y = 10;
          if (HasOption(eoScrollHintFollows)) {
            const TScrollInfo info = host_->GetScrollInfo(sbVertical);
            constexpr int h = 17;  // height of a scroll-bar arrow
            const int range = IntMax(1, info.Max);
            y = h + RoundHalfAway(double(client.Height() - 2 * h) * info.Pos / range) + hintH / 2;
          }
          const int x = client.Width() - hintW - 4;
          editHost_->ShowScrollHint(hint, editHost_->ClientToScreen(TPoint(x, y)),
                                    scrollHintColor_);
        }
        break;
      }
      case scEndScroll:
        if (editHost_) editHost_->HideScrollHint();
        break;
      default:
        break;
    }
  }
  if (host_) host_->Update();
}

// ---- repainting ---------------------------------------------------------------------------

void TCustomCodeEdit::Invalidate() {
  if (host_ && visible_) host_->Invalidate();
}

void TCustomCodeEdit::InvalidateLines(int FirstLine, int LastLine) {
  if (!host_) return;
  InvalidateRows(FirstLine, LastLine, gutterWidth_, host_->ClientRect().Right);
}

void TCustomCodeEdit::InvalidateGutterLines(int FirstLine, int LastLine) {
  InvalidateRows(FirstLine, LastLine, 0, gutterWidth_);
}

void TCustomCodeEdit::InvalidateRows(int FirstLine, int LastLine, int Left, int Right) {
  if (!host_ || !visible_) return;
  TRect r;
  if (FirstLine == -1 && LastLine == -1) {
    r = Rect(Left, 0, Right, host_->ClientRect().Bottom);
  } else {
    if (LastLine < FirstLine) std::swap(FirstLine, LastLine);
    FirstLine = IntMax(FirstLine, topLine_);
    LastLine = IntMin(LastLine, topLine_ + linesInWindow_);
    if (LastLine < FirstLine) return;
    r = Rect(Left, lineHeight_ * (FirstLine - topLine_), Right,
             lineHeight_ * (LastLine - topLine_ + 1));
  }
  if (r.IsEmpty()) return;
  // While the line list is changing the rows are collected and repainted
  // together when the change is finished.
  if (stateFlags_ & sfLinesChanging)
    UnionRect(invalidateRect_, invalidateRect_, r);
  else
    host_->InvalidateRect(r);
}

void TCustomCodeEdit::RepaintLine(int Line) {
  if (!host_ || Line < 1 || Line > LineCount()) return;
  InvalidateRows(Line, Line, 0, host_->ClientRect().Right);
}

void TCustomCodeEdit::DecPaintLock() {
  if (paintLock_ > 0) --paintLock_;
  if (paintLock_ != 0) return;
  if (host_) {
    if (stateFlags_ & sfScrollbarChanged) UpdateScrollBars();
    if (stateFlags_ & sfCaretChanged) UpdateCaret();
  }
  if (statusChanges_ != 0) FireStatusChange();
}

// ---- the caret's shape and place -------------------------------------------------------------

TCustomCodeEdit::TCaretShape TCustomCodeEdit::CaretShape() const {
  TCaretShape s;
  const int h = IntMax(1, lineHeight_ - 2);
  switch (insertMode_ ? insertCaret_ : overwriteCaret_) {
    case ctHorizontalLine:
      s = {charWidth_, 2, 0, lineHeight_ - 2};
      break;
    case ctHalfBlock:
      s = {charWidth_, IntMax(1, h / 2), 0, h / 2};
      break;
    case ctBlock:
      s = {charWidth_, h, 0, 0};
      break;
    default:
      s = {2, h, -1, 0};
      break;
  }
  return s;
}

void TCustomCodeEdit::UpdateCaret() {
  if (!host_) return;
  if (paintLock_ > 0 || (!host_->Focused() && !alwaysShowCaret_)) {
    stateFlags_ |= sfCaretChanged;
    return;
  }
  stateFlags_ &= uint16_t(~sfCaretChanged);
  const TCaretShape shape = CaretShape();
  const int cx = CaretXPix() + shape.OffsetX;
  const int cy = CaretYPix() + shape.OffsetY + 1;
  const TRect client = host_->ClientRect();
  host_->SetCaretPos(cx, cy);
  if (cx < gutterWidth_ || !client.Contains(IntMax(cx, client.Left), cy) || cx >= client.Right)
    HideCaret();
  else
    ShowCaret();
  if (editHost_) editHost_->SetCompositionPos(cx, cy);
}

void TCustomCodeEdit::HideCaret() {
  if (!(stateFlags_ & sfCaretVisible)) return;
  if (host_) host_->HideCaret();
  stateFlags_ &= uint16_t(~sfCaretVisible);
}

void TCustomCodeEdit::ShowCaret() {
  if (HasOption(eoNoCaret) || (stateFlags_ & sfCaretVisible) || !host_) return;
  host_->ShowCaret();
  stateFlags_ |= sfCaretVisible;
}

void TCustomCodeEdit::InitializeCaret() {
  if (!host_) return;
  const TCaretShape shape = CaretShape();
  if (stateFlags_ & sfCaretVisible) host_->HideCaret();
  stateFlags_ &= uint16_t(~sfCaretVisible);
  if (host_->Focused() || alwaysShowCaret_) {
    host_->CreateCaret(shape.Width, shape.Height);
    UpdateCaret();
  }
}

// ---- auto-scroll -----------------------------------------------------------------------------

void TCustomCodeEdit::ComputeScroll(int X, int Y) {
  if (!host_) return;
  const TRect client = host_->ClientRect();
  int dx = X - gutterWidth_ - charsInWindow_ * charWidth_;
  if (dx > 0) dx += charWidth_;
  scrollDeltaX_ = IntMax(dx / charWidth_, 0);
  if (scrollDeltaX_ == 0) {
    int left = X - gutterWidth_;
    if (left < 0) left -= charWidth_;
    scrollDeltaX_ = IntMin(left / charWidth_, 0);
  }
  int dy = Y - linesInWindow_ * lineHeight_;
  if (dy > 0) dy += lineHeight_;
  scrollDeltaY_ = IntMax(dy / lineHeight_, 0);
  if (scrollDeltaY_ == 0) {
    int top = Y;
    if (top < 0) top -= lineHeight_;
    scrollDeltaY_ = IntMin(top / lineHeight_, 0);
  }
  (void)client;
  const bool run = scrollDeltaX_ != 0 || scrollDeltaY_ != 0;
  if (run && !autoScrollTimer_) {
    host_->SetTimer(AutoScrollTimerId, AutoScrollInterval);
    autoScrollTimer_ = true;
  } else if (!run && autoScrollTimer_) {
    host_->KillTimer(AutoScrollTimerId);
    autoScrollTimer_ = false;
  }
}

void TCustomCodeEdit::AutoScrollTick() {
  TPaintLockScope lock(*this);
  const TPoint ptr = PointerPos();
  TPoint c = PixelsToRowColumn(ptr.X, ptr.Y);
  if (scrollDeltaX_ != 0) {
    SetLeftChar(leftChar_ + scrollDeltaX_);
    int x = leftChar_;
    if (scrollDeltaX_ > 0) x += charsInWindow_;
    SetCaretXY(DisplayToCaretColumn(TPoint(x, c.Y)));
    SetBlockEnd(CaretXY());
  }
  if (scrollDeltaY_ != 0) {
    if (HeldShift() & ssShift)
      SetTopLine(topLine_ + scrollDeltaY_ * linesInWindow_);
    else
      SetTopLine(topLine_ + scrollDeltaY_);
    int y = topLine_;
    if (scrollDeltaY_ > 0) y += linesInWindow_ - 1;
    SetCaretXY(TPoint(caretX_, y));
    SetBlockEnd(CaretXY());
  }
}

void TCustomCodeEdit::Timer(int Id) {
  if (Id == AutoScrollTimerId) AutoScrollTick();
}

TPoint TCustomCodeEdit::PointerPos() const {
  return editHost_ ? editHost_->CursorPos() : lastPointer_;
}

TShiftState TCustomCodeEdit::HeldShift() const {
  return editHost_ ? editHost_->KeyboardShift() : 0;
}

// ---- soft word wrap ---------------------------------------------------------------------------

void TCustomCodeEdit::SetWordWrap(bool Value) {
  if (wordWrap_ == Value) return;
  ApplyWordWrap(Value);
}

void TCustomCodeEdit::ApplyWordWrap(bool Value) {
  TPaintLockScope lock(*this);
  wordWrap_ = Value;
  if (Value) {
    savedAltColumnMode_ = HasOption(eoAltSetsColumnMode);
    options_ &= ~eoAltSetsColumnMode;
    if (selectionMode_ == smColumn) selectionMode_ = smNormal;
  } else if (savedAltColumnMode_) {
    options_ |= eoAltSetsColumnMode;
  }
  TCodeCustomHighlighter* hl = highlighter_;
  highlighter_ = nullptr;
  TFinally reattach([this, hl] { highlighter_ = hl; });
  int cx = caretX_, cy = caretY_;
  const int d = cy - topLine_;
  if (!Value) {
    // Carry the caret back onto its logical line.
    while (cy > 1 && lines_->IsContinuationLine(cy - 1)) {
      --cy;
      cx += LineChars(cy);
    }
  }
  lines_->SetWrapWidth(charsInWindow_ > 0 ? charsInWindow_ : CODE_DEFAULT_WRAP_WIDTH);
  // The logical line of the caret, counted without continuation lines.
  int logical = 0;
  for (int i = 0; i < cy && i < LineCount(); ++i)
    if (!lines_->IsContinuationLine(i)) ++logical;
  lines_->SetWordWrap(Value);
  if (Value) {
    // Find the logical line again and walk the caret along its pieces.
    int seen = 0, y = 0;
    for (; y < LineCount(); ++y) {
      if (!lines_->IsContinuationLine(y)) ++seen;
      if (seen == logical) break;
    }
    cy = IntMin(y + 1, IntMax(1, LineCount()));
    while (cy < LineCount() && lines_->IsContinuationLine(cy) && cx > LineChars(cy) + 1) {
      cx -= LineChars(cy);
      ++cy;
    }
    SetLeftChar(1);
  } else {
    cy = IntMin(IntMax(1, logical), IntMax(1, LineCount()));
  }
  highlighter_ = hl;
  if (highlighter_) RescanAll();
  SetCaretXY(TPoint(cx, cy));
  SetTopLine(cy - d);
  EnsureCursorPosVisible();
  UpdateScrollBars();
  Invalidate();
}

}  // namespace qv
