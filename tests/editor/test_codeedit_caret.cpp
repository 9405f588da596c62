// Caret, selection and scrolling: clamping, pixels and positions, keeping
// the caret in view, scroll bars and scroll messages, repaint batching, the
// caret's shape and place, auto-scroll and soft word wrap.
#include <gtest/gtest.h>

#include "EditorTestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

class TEditHostStub : public TCodeEditHost {
 public:
  void BeginDrag() override { ++drags; }
  TPoint CursorPos() const override { return cursor; }
  TShiftState KeyboardShift() const override { return shift; }
  TPoint ClientToScreen(TPoint P) const override { return TPoint(P.X + 1000, P.Y + 500); }
  void ShowScrollHint(const std::string& Text, TPoint ScreenPos, TColor) override {
    hint = Text;
    hintPos = ScreenPos;
  }
  void HideScrollHint() override { hint = "(hidden)"; }
  int drags = 0;
  TPoint cursor;
  TShiftState shift = 0;
  std::string hint;
  TPoint hintPos;
};

}  // namespace

TEST(CodeEditCaret, CaretIsClampedToTheText) {
  struct TCase {
    const char* Text;
    bool PastEnd;
    TPoint Set, Expected;
  };
  const TCase cases[] = {
      {"abc|de", false, {9, 1}, {4, 1}},      {"abc|de", true, {9, 1}, {9, 1}},
      {"abc|de", false, {2, 7}, {2, 2}},      {"abc|de", false, {0, 0}, {1, 1}},
      {"abc|de", true, {5000, 1}, {1024, 1}}, {"", false, {5, 3}, {1, 1}},
  };
  for (const TCase& c : cases) {
    TEditorFixture f;
    if (*c.Text) f.SetLines(c.Text);
    f.edit.SetOptions(c.PastEnd ? f.edit.Options() | eoScrollPastEol
                                : f.edit.Options() & ~eoScrollPastEol);
    f.edit.SetCaretXY(c.Set);
    EXPECT_EQ(f.edit.CaretXY(), c.Expected) << c.Set.X << "," << c.Set.Y;
  }
}

TEST(CodeEditCaret, SelectionEndsAndAvailability) {
  TEditorFixture f("abcdef|ghijkl|mn");
  f.Select(TPoint(4, 2), TPoint(2, 1));
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(2, 1));
  EXPECT_EQ(f.edit.BlockEnd(), TPoint(4, 2));
  EXPECT_EQ(f.edit.BlockBeginRaw(), TPoint(4, 2));
  EXPECT_TRUE(f.edit.SelAvail());
  // In column mode a zero-width block is no selection.
  f.edit.SetSelectionMode(smColumn);
  f.Select(TPoint(3, 1), TPoint(3, 3));
  EXPECT_FALSE(f.edit.SelAvail());
  f.edit.SetSelectionMode(smNormal);
  // In normal mode the anchor's column is limited to its line.
  f.edit.SetBlockBegin(TPoint(9, 3));
  EXPECT_EQ(f.edit.BlockBeginRaw(), TPoint(3, 3));
  f.edit.SelectAll();
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(1, 1));
  EXPECT_EQ(f.edit.BlockEnd(), TPoint(3, 3));
  EXPECT_EQ(f.edit.SelText(), "abcdef\r\nghijkl\r\nmn");
}

TEST(CodeEditCaret, TextOffsetsOfTheSelection) {
  TEditorFixture f("abc|de|f");
  f.Goto(2, 2);
  EXPECT_EQ(f.edit.GetSelStart(), 5 + 2);
  EXPECT_EQ(f.edit.GetSelEnd(), 5 + 2);
  f.Select(TPoint(3, 1), TPoint(2, 3));
  EXPECT_EQ(f.edit.GetSelStart(), 3);
  EXPECT_EQ(f.edit.GetSelEnd(), 5 + 4 + 2);
}

TEST(CodeEditCaret, PointInSelectionPerMode) {
  TEditorFixture f("abcdef|ghijkl|mnopqr");
  f.Select(TPoint(3, 1), TPoint(4, 3));
  EXPECT_FALSE(f.edit.IsPointInSelection(TPoint(2, 1)));
  EXPECT_TRUE(f.edit.IsPointInSelection(TPoint(3, 1)));
  EXPECT_TRUE(f.edit.IsPointInSelection(TPoint(1, 2)));
  EXPECT_FALSE(f.edit.IsPointInSelection(TPoint(4, 3)));
  f.edit.SetSelectionMode(smColumn);
  EXPECT_FALSE(f.edit.IsPointInSelection(TPoint(1, 2)));
  EXPECT_TRUE(f.edit.IsPointInSelection(TPoint(3, 2)));
  f.edit.SetSelectionMode(smLine);
  EXPECT_TRUE(f.edit.IsPointInSelection(TPoint(6, 3)));
}

TEST(CodeEditCaret, PixelsAndPositions) {
  TEditorFixture f("a\tb|xyz");
  // Column 1 starts at 32; a press in the right half of a cell lands after it.
  EXPECT_EQ(f.edit.PixelsToRowColumn(32, 0), TPoint(1, 1));
  EXPECT_EQ(f.edit.PixelsToRowColumn(32 + 3, 0), TPoint(1, 1));
  EXPECT_EQ(f.edit.PixelsToRowColumn(32 + 4, 0), TPoint(2, 1));
  EXPECT_EQ(f.edit.PixelsToRowColumn(32 + 8, 20), TPoint(2, 2));
  // Display column 9 is the "b" behind the TAB.
  EXPECT_EQ(f.edit.PixelsToRowColumn(32 + 8 * 8, 0), TPoint(3, 1));
  // Below the window the last visible row counts.
  EXPECT_EQ(f.edit.PixelsToRowColumn(32, 5000).Y, 20);
  EXPECT_EQ(f.edit.RowColumnToPixels(TPoint(9, 2)), TPoint(32 + 64, 16));
  f.Goto(3, 1);
  EXPECT_EQ(f.edit.CaretXPix(), 32 + 64);
  EXPECT_EQ(f.edit.CaretToDisplayColumn(TPoint(3, 1)), TPoint(9, 1));
  EXPECT_EQ(f.edit.DisplayToCaretColumn(TPoint(9, 1)), TPoint(3, 1));
  EXPECT_EQ(f.edit.CaretToDisplayColumn(TPoint(7, 2)), TPoint(7, 2));
}

TEST(CodeEditCaret, KeepingTheCaretInView) {
  TEditorFixture f(NumberedLines(100, 200));
  const int chars = f.edit.CharsInWindow();
  f.Goto(1 + chars, 1);  // exactly left char + chars in window
  EXPECT_EQ(f.edit.LeftChar(), 1);
  f.Goto(2 + chars, 1);
  EXPECT_EQ(f.edit.LeftChar(), 3);
  f.Goto(1, 1);
  EXPECT_EQ(f.edit.LeftChar(), 1);
  f.Goto(1, 30);
  EXPECT_EQ(f.edit.TopLine(), 11);
  f.Goto(1, 5);
  EXPECT_EQ(f.edit.TopLine(), 5);
  // Jumping to a bookmark centres it.
  f.edit.SetBookMark(0, 1, 80);
  f.edit.GotoBookMark(0);
  EXPECT_EQ(f.edit.TopLine(), 80 - 19 + 10);
}

TEST(CodeEditCaret, ScrollBarsScaleLongTexts) {
  TEditorFixture f(NumberedLines(40000));
  const TScrollInfo v = f.host.GetScrollInfo(sbVertical);
  EXPECT_EQ(v.Min, 0);
  EXPECT_EQ(v.Max, 32767);
  f.edit.Scroll(sbVertical, scTrack, 32767);
  EXPECT_EQ(f.edit.TopLine(), 40000 + 1 - f.edit.LinesInWindow());
  const TScrollInfo h = f.host.GetScrollInfo(sbHorizontal);
  EXPECT_EQ(h.Max, 1024);  // past-end: the horizontal range is MaxLeftChar
  EXPECT_EQ(h.Page, f.edit.CharsInWindow());
}

TEST(CodeEditCaret, ScrollBarRangesAndArrows) {
  TEditorFixture f(NumberedLines(10, 20));
  f.edit.SetOptions((f.edit.Options() & ~eoScrollPastEol) | eoHideShowScrollbars);
  EXPECT_EQ(f.host.GetScrollInfo(sbHorizontal).Max, 22);
  EXPECT_EQ(f.host.GetScrollInfo(sbVertical).Max, 10);
  f.SetLines("x");
  f.edit.UpdateScrollBars();
  EXPECT_EQ(f.host.GetScrollInfo(sbVertical).Max, 2);  // raised by one to hide
  f.edit.SetOptions((f.edit.Options() & ~eoHideShowScrollbars) | eoDisableScrollArrows);
  f.edit.UpdateScrollBars();
  EXPECT_EQ(f.edit.ScrollArrows(sbVertical), std::make_pair(false, false));
  f.SetLines(NumberedLines(50));
  f.edit.SetTopLine(5);
  f.edit.UpdateScrollBars();
  EXPECT_EQ(f.edit.ScrollArrows(sbVertical), std::make_pair(true, true));
  f.edit.SetTopLine(31);
  f.edit.UpdateScrollBars();
  EXPECT_EQ(f.edit.ScrollArrows(sbVertical), std::make_pair(true, false));
}

TEST(CodeEditCaret, ScrollMessagesAndTheHint) {
  TEditorFixture f(NumberedLines(100));
  TEditHostStub stub;
  f.edit.SetEditHost(&stub);
  f.edit.Scroll(sbVertical, scLineDown, 0);
  EXPECT_EQ(f.edit.TopLine(), 2);
  f.edit.Scroll(sbVertical, scPageDown, 0);
  EXPECT_EQ(f.edit.TopLine(), 22);
  f.edit.SetOptions(f.edit.Options() | eoScrollByOneLess);
  f.edit.Scroll(sbVertical, scPageUp, 0);
  EXPECT_EQ(f.edit.TopLine(), 3);
  f.edit.Scroll(sbVertical, scTrack, 40);
  EXPECT_EQ(f.edit.TopLine(), 40);
  EXPECT_EQ(stub.hint, "Top Line: 40");
  EXPECT_EQ(stub.hintPos.Y, 500 + 10);
  f.edit.SetScrollHintFormat(shfTopToBottom);
  f.edit.Scroll(sbVertical, scTrack, 90);
  EXPECT_EQ(stub.hint, "81 - 100");
  f.edit.Scroll(sbVertical, scEndScroll, 0);
  EXPECT_EQ(stub.hint, "(hidden)");
  f.edit.Scroll(sbVertical, scTop, 0);
  EXPECT_EQ(f.edit.TopLine(), 1);
  f.edit.Scroll(sbHorizontal, scLineDown, 0);
  EXPECT_EQ(f.edit.LeftChar(), 2);
  f.edit.Scroll(sbHorizontal, scBottom, 0);
  EXPECT_EQ(f.edit.LeftChar(), 1024 - f.edit.CharsInWindow() + 1);
  f.edit.SetEditHost(nullptr);
}

TEST(CodeEditCaret, SmallScrollsMoveTheWindowContent) {
  TEditorFixture f(NumberedLines(100));
  f.host.scrolled.clear();
  f.edit.SetTopLine(4);
  ASSERT_EQ(f.host.scrolled.size(), 1u);
  EXPECT_EQ(f.host.scrolled[0], -3 * 16);
  f.edit.SetTopLine(60);
  EXPECT_EQ(f.host.scrolled.size(), 1u);  // a whole page and more repaints
}

TEST(CodeEditCaret, PaintLockDefersStatusAndScrollBars) {
  TEditorFixture f(NumberedLines(50));
  int calls = 0;
  f.edit.OnStatusChange = [&](TCustomCodeEdit*, TCodeStatusChanges) { ++calls; };
  f.host.scroll.clear();
  f.edit.IncPaintLock();
  f.edit.SetCaretXY(TPoint(2, 30));
  f.edit.SetTopLine(10);
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(f.host.scroll.empty());
  EXPECT_NE(f.edit.PendingStatusChanges() & scTopLine, 0);
  f.edit.DecPaintLock();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(f.host.GetScrollInfo(sbVertical).Pos, 10);
}

TEST(CodeEditCaret, ChangedLinesAreRepaintedAsOneRectangle) {
  TEditorFixture f(NumberedLines(30));
  f.host.invalidated.clear();
  f.Goto(1, 3);
  f.host.invalidated.clear();
  f.edit.SetSelText("a\r\nb\r\nc");
  // The changes inside the one line-list update come as one rectangle that
  // covers the three rows, with few repaints besides.
  bool covered = false;
  for (const TRect& r : f.host.invalidated)
    covered = covered || (r.Top <= 2 * 16 && r.Bottom >= 5 * 16);
  EXPECT_TRUE(covered);
  EXPECT_LE(f.host.invalidated.size(), 4u);
}

TEST(CodeEditCaret, CaretShapePerType) {
  struct TCase {
    TCodeEditCaretType Type;
    int W, H, DX, DY;
  };
  const TCase cases[] = {{ctVerticalLine, 2, 14, -1, 0},
                         {ctHorizontalLine, 8, 2, 0, 14},
                         {ctHalfBlock, 8, 7, 0, 7},
                         {ctBlock, 8, 14, 0, 0}};
  TEditorFixture f;
  for (const TCase& c : cases) {
    f.edit.SetInsertCaret(c.Type);
    const auto s = f.edit.CaretShape();
    EXPECT_EQ(s.Width, c.W) << c.Type;
    EXPECT_EQ(s.Height, c.H) << c.Type;
    EXPECT_EQ(s.OffsetX, c.DX) << c.Type;
    EXPECT_EQ(s.OffsetY, c.DY) << c.Type;
  }
  f.edit.SetInsertMode(false);
  EXPECT_EQ(f.edit.CaretShape().Width, 8);  // the overwrite caret: a block
  EXPECT_EQ(f.host.caretSize.cx, 8);
}

TEST(CodeEditCaret, CaretIsPlacedAndHidden) {
  TEditorFixture f("abc");
  f.edit.FocusIn();
  f.Goto(3, 1);
  EXPECT_TRUE(f.host.caretShown);
  EXPECT_EQ(f.host.caretPos, TPoint(32 + 16 - 1, 1));
  f.edit.SetLeftChar(10);  // the caret is now left of the text area
  f.edit.UpdateCaret();
  EXPECT_FALSE(f.host.caretShown);
  f.edit.SetLeftChar(1);
  f.host.focused = false;
  f.edit.FocusOut();
  EXPECT_FALSE(f.host.caretShown);
  f.edit.SetAlwaysShowCaret(true);
  f.edit.InitializeCaret();
  EXPECT_TRUE(f.host.caretShown);
}

TEST(CodeEditCaret, AutoScrollWhileSelectingWithTheMouse) {
  TEditorFixture f(NumberedLines(100));
  TEditHostStub stub;
  f.edit.SetEditHost(&stub);
  f.edit.MouseDown(mbLeft, ssLeft, 40, 5);
  f.edit.MouseMove(ssLeft, 40, 20 * 16 + 20);  // below the window
  ASSERT_EQ(f.host.timers.count(1), 1u);
  stub.cursor = TPoint(40, 20 * 16 + 20);
  f.edit.Timer(1);
  EXPECT_EQ(f.edit.TopLine(), 3);
  EXPECT_EQ(f.edit.CaretY(), 22);
  EXPECT_TRUE(f.edit.SelAvail());
  f.edit.MouseUp(mbLeft, 0, 40, 20 * 16 + 20);
  EXPECT_EQ(f.host.timers.count(1), 0u);
  f.edit.SetEditHost(nullptr);
}

TEST(CodeEditCaret, WordWrapKeepsTheCaretOnItsCharacter) {
  TEditorFixture f("aaaa bbbb cccc dddd eeee|x");
  f.host.client = Rect(0, 0, 30 + 2 + 12 * 8, 160);  // twelve characters
  f.edit.Resize(0, 0);
  f.Goto(17, 1);  // on the first "e"... of "dddd" line part
  f.edit.SetWordWrap(true);
  EXPECT_GT(f.edit.Lines().Count(), 2);
  EXPECT_TRUE(f.edit.Lines().IsContinuationLine(1));
  const std::string at = f.edit.Lines().Get(f.edit.CaretY() - 1);
  EXPECT_EQ(UTF8ToCodePoints(at)[size_t(f.edit.CaretX() - 1)], U'd');
  f.edit.SetWordWrap(false);
  EXPECT_EQ(f.Lines(), "aaaa bbbb cccc dddd eeee|x");
  EXPECT_EQ(f.edit.CaretXY(), TPoint(17, 1));
}
