// The editor control: painting. Paint splits the invalid rectangle into the
// gutter and the text area. The gutter shows line numbers, the edge lines
// and the marks; the text area shows each line with the highlighter's
// colours, the selection, the special-character marks and the right edge.
// All text goes through the text drawer on the character grid; nothing is
// erased beforehand, so every pixel of the invalid rectangle is painted.
#include "editor/CodeEdit.h"
#include "editor/CodeEditPrivate.h"

namespace qv {

using namespace codeedit;

namespace {

constexpr char32_t kSpaceGlyph = U'\u00B7';      // a space with special characters on
constexpr char32_t kTabGlyph = U'\u00BB';        // the middle of a tab stop
constexpr char32_t kLineBreakGlyph = U'\u00B6';  // the end of a line

}  // namespace

void TCustomCodeEdit::Paint(TCanvas& C, const TRect& R) {
  const int gw = gutterWidth_;
  int firstCol = leftChar_;
  if (R.Left > gw + 2) firstCol = leftChar_ + (R.Left - gw - 2) / charWidth_;
  const int lastCol = firstCol + (R.Right - gw - 2 + charWidth_ - 1) / charWidth_;
  const int firstLine = IntMax(topLine_ + R.Top / lineHeight_, topLine_);
  const int lastLine = IntMin(topLine_ + (R.Bottom + lineHeight_ - 1) / lineHeight_, LineCount());
  HideCaret();
  paintCanvas_ = &C;
  TFinally done([this] { paintCanvas_ = nullptr; });
  if (R.Left < gw)
    PaintGutter(C, Rect(R.Left, R.Top, IntMin(R.Right, gw), R.Bottom), firstLine, lastLine);
  if (gw < R.Right)
    PaintTextLines(C, Rect(IntMax(R.Left, gw), R.Top, R.Right, R.Bottom), firstLine, lastLine,
                   firstCol, lastCol);
  FirePaint(C);
  FirePaintTransient(ttAfter);
  UpdateCaret();
}

// ---- the gutter -------------------------------------------------------------------------

void TCustomCodeEdit::PaintGutter(TCanvas& C, const TRect& Clip, int FirstLine, int LastLine) {
  C.Brush.SetColor(gutter_->Color());
  C.Brush.SetStyle(bsSolid);
  if (gutter_->ShowLineNumbers()) {
    TheTextDrawer& drawer = *textDrawer_;
    drawer.BeginDrawing(C);
    {
      TFinally end([&] {
        drawer.EndDrawing();
        if (gutter_->UseFontStyle()) drawer.SetBaseFont(&font_);
      });
      if (gutter_->UseFontStyle()) {
        drawer.SetBaseFont(&gutter_->Font());
        drawer.SetForeColor(gutter_->Font().Color());
      } else {
        drawer.SetStyle(TFontStyles());
        drawer.SetForeColor(font_.Color());
      }
      drawer.SetBackColor(gutter_->Color());
      TRect row = Rect(Clip.Left, 0, IntMax(Clip.Right, gutterWidth_ - 2), 0);
      // With word wrap, continuation rows carry no number and the others
      // the number of their logical line.
      const bool wrapped = wordWrap_ && LineCount() > 1;
      int logical = FirstLine;  // the number the next numbered row shows
      if (wrapped) {
        logical = 1;
        for (int i = 0; i < FirstLine - 1 && i < LineCount(); ++i)
          if (!lines_->IsContinuationLine(i)) ++logical;
      }
      TFontService& fonts = drawer.Fonts();
      for (int line = FirstLine; line <= LastLine; ++line) {
        row.Top = (line - topLine_) * lineHeight_;
        row.Bottom = row.Top + lineHeight_;
        std::string number;
        if (!wrapped) {
          number = gutter_->FormatLineNumber(line);
        } else if (!lines_->IsContinuationLine(line - 1)) {
          number = gutter_->FormatLineNumber(logical);
          ++logical;
        }
        const TSize ext = fonts.TextExtent(drawer.CurrentFont(), number);
        C.ExtTextOut(gutterWidth_ - gutter_->RightOffset() - 2 - ext.cx,
                     row.Top + (lineHeight_ - ext.cy) / 2, ETO_OPAQUE, &row, number, nullptr);
      }
      // The space below the last row.
      row.Top = IntMax(Clip.Top, (LastLine - topLine_ + 1) * lineHeight_);
      row.Bottom = Clip.Bottom;
      if (row.Top < row.Bottom) FillRectOpaque(C, row);
    }
  } else {
    C.FillRect(Clip);
  }
  if (gutterWidth_ - 2 <= Clip.Right && gutterWidth_ >= 2) {
    C.Pen.SetWidth(1);
    C.Pen.SetStyle(psSolid);
    C.Pen.SetColor(color_);
    C.MoveTo(gutterWidth_ - 2, Clip.Top);
    C.LineTo(gutterWidth_ - 2, Clip.Bottom);
    C.Pen.SetColor(gutter_->Color());
    C.MoveTo(gutterWidth_ - 1, Clip.Top);
    C.LineTo(gutterWidth_ - 1, Clip.Bottom);
  }
  if (bookMarkOpt_->GlyphsVisible() && marks_->Count() > 0 && FirstLine <= LastLine)
    PaintGutterMarks(C, FirstLine, LastLine);
}

void TCustomCodeEdit::PaintGutterMarks(TCanvas& C, int FirstLine, int LastLine) {
  // One x offset per painted row; marks of the kind drawn first come in the
  // first pass, the others in a second.
  std::vector<int> offsets(size_t(LastLine - FirstLine + 1), 0);
  const bool firstKind = bookMarkOpt_->DrawBookmarksFirst();
  TCustomImageList* images = bookMarkOpt_->BookmarkImages();
  auto drawMark = [&](TCodeEditMark& m, bool firstPass) {
    int& offset = offsets[size_t(m.Line() - FirstLine)];
    const int y = lineHeight_ * (m.Line() - topLine_);
    if (images && !m.InternalImage()) {
      if (m.ImageIndex() < 0 || m.ImageIndex() >= images->Count()) return;
      if (firstPass)
        offset = 0;
      else if (offset == 0)
        offset = bookMarkOpt_->Xoffset();
      images->Draw(C, bookMarkOpt_->LeftMargin() + offset, y, m.ImageIndex());
      offset += bookMarkOpt_->Xoffset();
    } else {
      if (m.ImageIndex() < 0 || m.ImageIndex() > 9) return;
      if (offset == 0) {
        if (!internalImages_)
          internalImages_ = std::make_unique<TCodeInternalImage>("CodeEditInternalImages", 10);
        internalImages_->Draw(C, m.ImageIndex(), bookMarkOpt_->LeftMargin() + offset, y,
                              lineHeight_);
      }
      offset += bookMarkOpt_->Xoffset();
    }
  };
  auto shown = [&](const TCodeEditMark* m) {
    return m && m->Visible() && m->Line() >= FirstLine && m->Line() <= LastLine;
  };
  bool others = false;
  for (int i = 0; i < marks_->Count(); ++i) {
    TCodeEditMark* m = marks_->Items(i);
    if (!shown(m)) continue;
    if (m->IsBookmark() == firstKind)
      drawMark(*m, true);
    else
      others = true;
  }
  if (!others) return;
  for (int i = 0; i < marks_->Count(); ++i) {
    TCodeEditMark* m = marks_->Items(i);
    if (shown(m) && m->IsBookmark() != firstKind) drawMark(*m, false);
  }
}

// ---- the text lines ---------------------------------------------------------------------

// The state of one paint of text rows. Columns are display columns (TABs
// expanded), 1-based; a row is one line of the buffer.
class TCustomCodeEdit::TLinePainter {
 public:
  TLinePainter(TCustomCodeEdit& E, TCanvas& C, const TRect& Clip, int FirstCol, int LastCol)
      : e_(E),
        c_(C),
        drawer_(*E.textDrawer_),
        highlighter_(E.ActiveHighlighter()),
        firstCol_(FirstCol),
        lastCol_(LastCol),
        rcLine_(Clip),
        specialChars_(E.showSpecialChars_),
        editorBG_(E.EditorBackground()) {}
  // Selection on screen: whether any, and its ordered ends in display
  // columns.
  void ComputeSelection(int FirstLine, int LastLine);
  void PaintLine(int Line, const TRect& Row);

 private:
  struct TTokenAccu {
    std::u32string Text;
    int CharsBefore = 0;  // columns before the token
    TColor FG = clNone, BG = clNone;
    TFontStyles Style;
    int Len() const { return int(Text.size()); }
  };

  int ColumnToX(int Col) const { return (Col - 1) * e_.charWidth_ + e_.textOffset_; }
  void SetDrawingColors(bool Selected) {
    drawer_.SetBackColor(Selected ? colSelBG_ : colBG_);
    drawer_.SetForeColor(Selected ? colSelFG_ : colFG_);
  }
  // The right end of a token part: the x of a column, not past the row.
  int PartRight(int Col) const { return IntMin(rcLine_.Right, ColumnToX(Col)); }
  void FillToken() {
    drawer_.ExtTextOut(rcToken_.Left, rcToken_.Top, ETO_OPAQUE, &rcToken_, nullptr, 0);
  }
  void PaintToken(const std::u32string& Token, int CharsBefore, int First, int Last);
  void AddHighlightToken(const char32_t* Token, int Len, int CharsBefore, TColor FG, TColor BG,
                         TFontStyles Style);
  void PaintHighlightToken(bool FillToEOL);

  TCustomCodeEdit& e_;
  TCanvas& c_;
  TheTextDrawer& drawer_;
  TCodeCustomHighlighter* const highlighter_;
  const int firstCol_, lastCol_;
  TRect rcLine_, rcToken_;
  const bool specialChars_;
  const TColor editorBG_;

  bool anySelection_ = false;
  TPoint selStart_, selEnd_;
  int columnFrom_ = 0, columnTo_ = 0;  // display columns of a column block

  // The current line.
  std::u32string line_;
  std::u32string partBuffer_;
  TColor lineFG_ = clNone, lineBG_ = clNone;  // as the line's colours came
  TColor colFG_ = clNone, colBG_ = clNone, colSelFG_ = clNone, colSelBG_ = clNone;
  bool specialLine_ = false;
  int lineSelStart_ = 0, lineSelEnd_ = 0;
  bool complexLine_ = false;
  bool lineSelected_ = false;
  TTokenAccu accu_;
};

void TCustomCodeEdit::TLinePainter::ComputeSelection(int FirstLine, int LastLine) {
  anySelection_ = !(e_.hideSelection_ && !(e_.host_ && e_.host_->Focused())) && e_.SelAvail();
  if (!anySelection_) return;
  selStart_ = e_.BlockBegin();
  selEnd_ = e_.BlockEnd();
  anySelection_ = selEnd_.Y >= FirstLine && selStart_.Y <= LastLine;
  if (!anySelection_) return;
  if (e_.selectionMode_ == smColumn) {
    e_.ColumnDisplayRange(columnFrom_, columnTo_);
  } else {
    selStart_ = e_.CaretToDisplayColumn(selStart_);
    selEnd_ = e_.CaretToDisplayColumn(selEnd_);
  }
}

void TCustomCodeEdit::TLinePainter::PaintToken(const std::u32string& Token, int CharsBefore,
                                               int First, int Last) {
  if (Last < First || rcToken_.Right <= rcToken_.Left) return;
  const int x = ColumnToX(First);
  const int start = First - CharsBefore;  // 1-based in the token
  const int len = int(Token.size());
  int count = 0;
  if (start <= len) count = IntMin(Last - First + 1, len - start + 1);
  bool tabs = false;
  const char32_t* text = nullptr;
  if (count > 0) {
    text = Token.data() + (start - 1);
    // Special characters are shown on a copy: spaces as middle dots; a TAB
    // is always a blank, marked below when special characters are on.
    bool copy = false;
    for (int i = 0; i < count && !copy; ++i)
      copy = text[i] == U'\t' || (specialChars_ && text[i] == U' ');
    if (copy) {
      partBuffer_.assign(text, size_t(count));
      for (char32_t& ch : partBuffer_) {
        if (ch == U'\t') {
          ch = U' ';
          tabs = specialChars_;
        } else if (specialChars_ && ch == U' ') {
          ch = kSpaceGlyph;
        }
      }
      text = partBuffer_.data();
    }
  }
  drawer_.ExtTextOut(x, rcToken_.Top, ETO_OPAQUE | ETO_CLIPPED, &rcToken_, text, count);
  if (tabs) {
    // One mark per tab stop that a run of TABs reaches: in the middle of
    // the stop's cells.
    const char32_t* orig = Token.data() + (start - 1);
    const int cw = e_.charWidth_, tw = IntMax(1, e_.tabWidth_);
    c_.SetBkMode(TRANSPARENT);
    int i = 0;
    while (i < count) {
      if (orig[i] != U'\t') {
        ++i;
        continue;
      }
      int col = CharsBefore + start + i;  // display column of this TAB
      int j = i;
      while (j < count && orig[j] == U'\t') ++j;
      int left = j - i;
      while (left > 0) {
        const int n = IntMin(left, tw - (col - 1) % tw);
        const int gx = ColumnToX(col + n / 2 - 1) + ((n & 1) ? cw : cw / 2);
        drawer_.ExtTextOut(gx, rcToken_.Top, ETO_CLIPPED, &rcToken_, &kTabGlyph, 1);
        col += n;
        left -= n;
      }
      i = j;
    }
    c_.SetBkMode(OPAQUE);
  }
  rcToken_.Left = rcToken_.Right;
}

void TCustomCodeEdit::TLinePainter::AddHighlightToken(const char32_t* Token, int Len,
                                                      int CharsBefore, TColor FG, TColor BG,
                                                      TFontStyles Style) {
  if (BG == clNone) BG = editorBG_;
  if (FG == clNone) FG = e_.font_.Color();
  bool canAppend = false;
  if (accu_.Len() > 0) {
    bool spacesKnown = false, spaces = false;
    auto isSpaces = [&] {
      if (!spacesKnown) {
        spacesKnown = true;
        spaces = true;
        for (int i = 0; i < Len && spaces; ++i) spaces = Token[i] == U' ';
      }
      return spaces;
    };
    const bool styleFits =
        Style == accu_.Style ||
        (!Style.Contains(fsUnderline) && !accu_.Style.Contains(fsUnderline) && isSpaces());
    canAppend = styleFits && ((specialLine_ && !e_.HasOption(eoSpecialLineDefaultFg)) ||
                              lineSelected_ || (BG == accu_.BG && (FG == accu_.FG || isSpaces())));
  }
  if (canAppend) {
    if (accu_.Text.capacity() < accu_.Text.size() + size_t(Len))
      accu_.Text.reserve(accu_.Text.size() + size_t(Len) + 32);
    accu_.Text.append(Token, size_t(Len));
    return;
  }
  if (accu_.Len() > 0) PaintHighlightToken(false);
  accu_.Text.assign(Token, size_t(Len));
  accu_.CharsBefore = CharsBefore;
  accu_.FG = FG;
  accu_.BG = BG;
  accu_.Style = Style;
}

void TCustomCodeEdit::TLinePainter::PaintHighlightToken(bool FillToEOL) {
  const int c1 = IntMax(firstCol_, accu_.CharsBefore + 1);
  const int c2 = IntMin(lastCol_, accu_.CharsBefore + accu_.Len() + 1);
  bool before = false, selected, after = false, split = false;
  if (complexLine_) {
    before = c1 < lineSelStart_;
    selected = c1 < lineSelEnd_ && c2 >= lineSelStart_;
    after = c2 >= lineSelEnd_;
    split = selected && (before || after);
  } else {
    selected = lineSelected_;
  }
  if (accu_.Len() > 0) {
    if (!specialLine_) {
      colBG_ = accu_.BG;
      colFG_ = accu_.FG;
    } else if (e_.HasOption(eoSpecialLineDefaultFg)) {
      colFG_ = accu_.FG;
    }
    drawer_.SetStyle(accu_.Style);
    if (split) {
      if (before) {
        SetDrawingColors(false);
        rcToken_.Right = PartRight(lineSelStart_);
        PaintToken(accu_.Text, accu_.CharsBefore, c1, lineSelStart_);
      }
      SetDrawingColors(true);
      const int s1 = IntMax(lineSelStart_, c1), s2 = IntMin(lineSelEnd_, c2);
      rcToken_.Right = PartRight(s2);
      PaintToken(accu_.Text, accu_.CharsBefore, s1, s2);
      if (after) {
        SetDrawingColors(false);
        rcToken_.Right = PartRight(c2);
        PaintToken(accu_.Text, accu_.CharsBefore, lineSelEnd_, c2);
      }
    } else {
      SetDrawingColors(selected);
      rcToken_.Right = PartRight(c2);
      PaintToken(accu_.Text, accu_.CharsBefore, c1, c2);
    }
  }
  if (FillToEOL && rcToken_.Left < rcLine_.Right) {
    if (!specialLine_) colBG_ = editorBG_;
    if (complexLine_) {
      const int x1 = PartRight(lineSelStart_), x2 = PartRight(lineSelEnd_);
      if (rcToken_.Left < x1) {
        SetDrawingColors(false);
        rcToken_.Right = x1;
        FillToken();
        rcToken_.Left = x1;
      }
      if (rcToken_.Left < x2) {
        SetDrawingColors(true);
        rcToken_.Right = x2;
        FillToken();
        rcToken_.Left = x2;
      }
      if (rcToken_.Left < rcLine_.Right) {
        SetDrawingColors(false);
        rcToken_.Right = rcLine_.Right;
        FillToken();
      }
    } else {
      SetDrawingColors(lineSelected_);
      rcToken_.Right = rcLine_.Right;
      FillToken();
    }
  }
}

void TCustomCodeEdit::TLinePainter::PaintLine(int Line, const TRect& Row) {
  rcLine_.Top = Row.Top;
  rcLine_.Bottom = Row.Bottom;
  line_ = U32(e_.lines_->GetExpandedString(Line - 1));

  // The selected columns of this row.
  lineSelStart_ = lineSelEnd_ = 0;
  complexLine_ = false;
  if (anySelection_ && Line >= selStart_.Y && Line <= selEnd_.Y) {
    lineSelStart_ = firstCol_;
    lineSelEnd_ = lastCol_ + 1;
    const bool column = e_.selectionMode_ == smColumn;
    int from = selStart_.X, to = selEnd_.X;
    if (column) {
      // The block's display columns met on this line's characters.
      int first = 0, last = 0;
      e_.ColumnRange(Line, columnFrom_, columnTo_, first, last);
      from = e_.CaretToDisplayColumn(TPoint(first, Line)).X;
      to = e_.CaretToDisplayColumn(TPoint(last, Line)).X;
    }
    const bool normal = e_.selectionMode_ == smNormal;
    if (column || (normal && Line == selStart_.Y)) {
      if (from > lastCol_) {
        lineSelStart_ = lineSelEnd_ = 0;
      } else if (from > firstCol_) {
        lineSelStart_ = from;
        complexLine_ = true;
      }
    }
    if (lineSelEnd_ > 0 && (column || (normal && Line == selEnd_.Y))) {
      if (to < firstCol_) {
        lineSelStart_ = lineSelEnd_ = 0;
        complexLine_ = false;
      } else if (to < lastCol_) {
        lineSelEnd_ = to;
        complexLine_ = true;
      }
    }
  }

  // Colours.
  colFG_ = e_.font_.Color();
  colBG_ = editorBG_;
  specialLine_ = e_.AskSpecialLineColors(Line, colFG_, colBG_);
  lineFG_ = colFG_;
  lineBG_ = colBG_;
  if (specialLine_) {
    colSelFG_ = colBG_;
    colSelBG_ = colFG_;
  } else {
    colSelFG_ = e_.selectedColor_->Foreground();
    colSelBG_ = e_.selectedColor_->Background();
  }
  lineSelected_ = !complexLine_ && lineSelStart_ > 0;
  rcToken_ = rcLine_;

  const bool breakMark = specialChars_ && !(e_.wordWrap_ && Line < e_.LineCount() &&
                                            e_.lines_->IsContinuationLine(Line));
  if (!highlighter_) {
    if (breakMark) line_ += kLineBreakGlyph;
    drawer_.SetStyle(e_.font_.Style());
    if (!complexLine_) {
      SetDrawingColors(lineSelected_);
      PaintToken(line_, 0, firstCol_, lastCol_);
    } else {
      SetDrawingColors(false);
      rcToken_.Left = IntMax(rcLine_.Left, ColumnToX(firstCol_));
      rcToken_.Right = IntMin(rcLine_.Right, ColumnToX(lineSelStart_));
      PaintToken(line_, 0, firstCol_, lineSelStart_);
      rcToken_.Left = IntMax(rcLine_.Left, ColumnToX(lineSelEnd_));
      rcToken_.Right = rcLine_.Right;
      PaintToken(line_, 0, lineSelEnd_, lastCol_);
      SetDrawingColors(true);
      rcToken_.Left = IntMax(rcLine_.Left, ColumnToX(lineSelStart_));
      rcToken_.Right = IntMin(rcLine_.Right, ColumnToX(lineSelEnd_));
      PaintToken(line_, 0, lineSelStart_, lineSelEnd_ - 1);
    }
  } else {
    highlighter_->SetRange(e_.lines_->GetRange(Line - 1));
    highlighter_->SetLine(U8(line_), Line - 1);
    accu_.Text.clear();
    bool toEol = true;
    while (!highlighter_->GetEol()) {
      const int pos = highlighter_->GetTokenPos();
      const int len = int(UTF8CharCount(highlighter_->GetToken()));
      if (pos + 1 > lastCol_) {
        toEol = false;
        break;
      }
      if (pos + len >= firstCol_ && len > 0 && pos + len <= int(line_.size())) {
        TCodeHighlighterAttributes* attr = highlighter_->GetTokenAttribute();
        if (attr)
          AddHighlightToken(line_.data() + pos, len, pos, attr->Foreground(), attr->Background(),
                            attr->Style());
        else
          AddHighlightToken(line_.data() + pos, len, pos, lineFG_, lineBG_, e_.font_.Style());
      }
      highlighter_->Next();
    }
    if (breakMark && toEol) {
      TCodeHighlighterAttributes* ws = highlighter_->GetDefaultAttribute(4);
      AddHighlightToken(&kLineBreakGlyph, 1, int(line_.size()), ws ? ws->Foreground() : lineFG_,
                        ws ? ws->Background() : lineBG_, TFontStyles());
    }
    PaintHighlightToken(true);
  }
}

TColor TCustomCodeEdit::EditorBackground() const {
  if (TCodeCustomHighlighter* h = ActiveHighlighter())
    if (TCodeHighlighterAttributes* ws = h->GetDefaultAttribute(4))
      if (ws->Background() != clNone) return ws->Background();
  return color_;
}

void TCustomCodeEdit::PaintTextLines(TCanvas& C, const TRect& Clip, int FirstLine, int LastLine,
                                     int FirstCol, int LastCol) {
  const int edgeX = rightEdge_ * charWidth_ + textOffset_;
  const bool edge = rightEdge_ > 0 && edgeX >= Clip.Left && edgeX < Clip.Right;
  auto drawEdge = [&](int Top, int Bottom) {
    if (!edge) return;
    C.Pen.SetColor(rightEdgeColor_);
    C.Pen.SetWidth(1);
    C.Pen.SetStyle(psSolid);
    C.MoveTo(edgeX, Top);
    C.LineTo(edgeX, Bottom);
  };
  const TColor editorBG = EditorBackground();
  TRect clip = Clip;
  C.Brush.SetStyle(bsSolid);
  if (clip.Left < gutterWidth_ + 2) {
    C.Brush.SetColor(editorBG);
    C.FillRect(Rect(IntMax(clip.Left, gutterWidth_), clip.Top, gutterWidth_ + 2, clip.Bottom));
    clip.Left = gutterWidth_ + 2;
  }
  int rowTop = (FirstLine - topLine_) * lineHeight_;
  if (FirstLine <= LastLine && clip.Left < clip.Right) {
    TLinePainter rows(*this, C, clip, FirstCol, LastCol);
    rows.ComputeSelection(FirstLine, LastLine);
    textDrawer_->SetStyle(font_.Style());
    textDrawer_->BeginDrawing(C);
    {
      TFinally end([this] { textDrawer_->EndDrawing(); });
      for (int line = FirstLine; line <= LastLine; ++line, rowTop += lineHeight_) {
        const TRect row = Rect(clip.Left, rowTop, clip.Right, rowTop + lineHeight_);
        rows.PaintLine(line, row);
        drawEdge(row.Top, row.Bottom + 1);
      }
    }
  }
  // The space below the last row.
  rowTop = IntMax(rowTop, clip.Top);
  if (rowTop < clip.Bottom && clip.Left < clip.Right) {
    C.Brush.SetColor(editorBG);
    C.FillRect(Rect(clip.Left, rowTop, clip.Right, clip.Bottom));
    drawEdge(rowTop, clip.Bottom + 1);
  }
}

}  // namespace qv
