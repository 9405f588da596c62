// The editor control: painting. Paint splits the invalid rectangle into the
// gutter and the text area and hands each to its painter. The painters here
// draw the plain picture (gutter band, text on the character grid in the
// font colour, the selection, the right edge); highlighting, marks and
// special characters are drawn by the full painter of the editor's widget
// layer, which overrides PaintGutter and PaintTextLines.
#include "editor/CodeEdit.h"
#include "editor/CodeEditPrivate.h"

namespace qv {

using namespace codeedit;

void TCustomCodeEdit::Paint(TCanvas& C, const TRect& R) {
  const int gw = gutterWidth_;
  int firstCol = leftChar_;
  if (R.Left > gw + 2) firstCol = leftChar_ + (R.Left - gw - 2) / charWidth_;
  const int lastCol = firstCol + (R.Right - gw - 2 + charWidth_ - 1) / charWidth_;
  const int firstLine = IntMax(topLine_ + R.Top / lineHeight_, topLine_);
  const int lastLine = IntMin(topLine_ + (R.Bottom + lineHeight_ - 1) / lineHeight_, LineCount());
  HideCaret();
  if (R.Left < gw)
    PaintGutter(C, Rect(R.Left, R.Top, IntMin(R.Right, gw), R.Bottom), firstLine, lastLine);
  if (gw < R.Right)
    PaintTextLines(C, Rect(IntMax(R.Left, gw), R.Top, R.Right, R.Bottom), firstLine, lastLine,
                   firstCol, lastCol);
  FirePaint(C);
  FirePaintTransient(ttAfter);
  UpdateCaret();
}

void TCustomCodeEdit::PaintGutter(TCanvas& C, const TRect& Clip, int FirstLine, int LastLine) {
  C.Brush.SetColor(gutter_->Color());
  C.Brush.SetStyle(bsSolid);
  C.FillRect(Clip);
  if (gutter_->ShowLineNumbers()) {
    C.Font.Assign(gutter_->UseFontStyle() ? gutter_->Font() : font_);
    C.SetBkMode(TRANSPARENT);
    for (int line = FirstLine; line <= LastLine; ++line) {
      const std::string number = gutter_->FormatLineNumber(line);
      const TSize ext = C.TextExtent(number);
      const int top = (line - topLine_) * lineHeight_;
      C.TextOut(gutterWidth_ - gutter_->RightOffset() - 2 - ext.cx,
                top + (lineHeight_ - ext.cy) / 2, number);
    }
  }
  if (gutterWidth_ - 2 <= Clip.Right && gutterWidth_ >= 2) {
    C.Pen.SetWidth(1);
    C.Pen.SetColor(color_);
    C.MoveTo(gutterWidth_ - 2, Clip.Top);
    C.LineTo(gutterWidth_ - 2, Clip.Bottom);
    C.Pen.SetColor(gutter_->Color());
    C.MoveTo(gutterWidth_ - 1, Clip.Top);
    C.LineTo(gutterWidth_ - 1, Clip.Bottom);
  }
  if (bookMarkOpt_->GlyphsVisible() && marks_->Count() > 0 && FirstLine <= LastLine) {
    if (!internalImages_)
      internalImages_ = std::make_unique<TCodeInternalImage>("CodeEditInternalImages", 10);
    for (int line = FirstLine; line <= LastLine; ++line) {
      TCodeEditMarks marks;
      marks_->GetMarksForLine(line, marks);
      int offset = 0;
      for (TCodeEditMark* m : marks) {
        if (!m) break;
        if (!m->Visible() || m->ImageIndex() < 0 || m->ImageIndex() > 9) continue;
        internalImages_->Draw(C, m->ImageIndex(), bookMarkOpt_->LeftMargin() + offset,
                              (line - topLine_) * lineHeight_, lineHeight_);
        offset += bookMarkOpt_->Xoffset();
      }
    }
  }
}

void TCustomCodeEdit::PaintTextLines(TCanvas& C, const TRect& Clip, int FirstLine, int LastLine,
                                     int FirstCol, int LastCol) {
  (void)FirstCol;
  (void)LastCol;
  const TColor fore = font_.Color(), back = color_;
  const TColor selFore = selectedColor_->Foreground(), selBack = selectedColor_->Background();
  C.Font.Assign(font_);
  C.Brush.SetStyle(bsSolid);
  C.Brush.SetColor(back);
  C.FillRect(Clip);
  const bool showSel = SelAvail() && !(hideSelection_ && host_ && !host_->Focused());
  const TPoint sb = BlockBegin(), se = BlockEnd();
  int selFrom = 0, selTo = 0;
  if (showSel && selectionMode_ == smColumn) ColumnDisplayRange(selFrom, selTo);
  std::vector<int> dx;
  for (int line = FirstLine; line <= LastLine; ++line) {
    const int top = (line - topLine_) * lineHeight_;
    const std::u32string text = U32(lines_->GetExpandedString(line - 1));
    // Selected display columns [a, b) of this line.
    int a = 0, b = 0;
    if (showSel && line >= sb.Y && line <= se.Y) {
      switch (selectionMode_) {
        case smLine:
          a = 1;
          b = 1 << 20;
          break;
        case smColumn:
          a = selFrom;
          b = selTo;
          break;
        default:
          a = line == sb.Y ? CaretToDisplayColumn(sb).X : 1;
          b = line == se.Y ? CaretToDisplayColumn(se).X : int(text.size()) + 2;
          break;
      }
    }
    if (b > a) {
      const int x1 = IntMax(Clip.Left, (a - 1) * charWidth_ + textOffset_);
      const int x2 =
          IntMin(Clip.Right, b >= (1 << 20) ? Clip.Right : (b - 1) * charWidth_ + textOffset_);
      if (x2 > x1) {
        C.Brush.SetColor(selBack);
        C.FillRect(Rect(x1, top, x2, top + lineHeight_));
        C.Brush.SetColor(back);
      }
    }
    if (text.empty()) continue;
    std::string shown;
    for (char32_t ch : text) UTF8AppendChar(shown, ch == U'\t' ? U' ' : ch);
    dx.assign(text.size(), charWidth_);
    C.SetBkMode(TRANSPARENT);
    C.SetTextColor(fore);
    C.ExtTextOut(textOffset_, top, ETO_CLIPPED, &Clip, shown, dx.data());
    if (b > a) {
      // The selected part again in the selection's text colour.
      const int x1 = IntMax(Clip.Left, (a - 1) * charWidth_ + textOffset_);
      const int x2 =
          IntMin(Clip.Right, b >= (1 << 20) ? Clip.Right : (b - 1) * charWidth_ + textOffset_);
      if (x2 > x1) {
        const TRect sel = Rect(x1, top, x2, top + lineHeight_);
        C.SetTextColor(selFore);
        C.ExtTextOut(textOffset_, top, ETO_CLIPPED, &sel, shown, dx.data());
      }
    }
  }
  const int edge = rightEdge_ * charWidth_ + textOffset_;
  if (rightEdge_ > 0 && edge >= Clip.Left && edge < Clip.Right) {
    C.Pen.SetWidth(1);
    C.Pen.SetColor(rightEdgeColor_);
    C.MoveTo(edge, Clip.Top);
    C.LineTo(edge, Clip.Bottom + 1);
  }
}

}  // namespace qv
