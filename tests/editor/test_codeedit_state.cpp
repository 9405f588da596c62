// The editor control's state: defaults, property setters, font and view
// quantities, reaction to the line list and the highlighter, marks and
// bookmarks, and the internal bookmark pictures.
#include <gtest/gtest.h>

#include "EditorTestSupport.h"
#include "editor/CodeHighlighterSample.h"

using namespace qv;
using namespace qv::test;

TEST(CodeEditState, DefaultsAndViewQuantities) {
  TEditorFixture f;
  TCodeEdit& e = f.edit;
  EXPECT_EQ(e.Options(), TCodeEditorOptions(0x3360092));
  EXPECT_TRUE(e.InsertMode());
  EXPECT_EQ(e.TabWidth(), 8);
  EXPECT_EQ(e.MaxLeftChar(), 1024);
  EXPECT_EQ(e.MaxUndo(), 1024);
  EXPECT_EQ(e.RightEdge(), 80);
  EXPECT_EQ(e.RightEdgeColor(), clSilver);
  EXPECT_EQ(e.SelectionMode(), smNormal);
  EXPECT_EQ(e.InsertCaret(), ctVerticalLine);
  EXPECT_EQ(e.OverwriteCaret(), ctBlock);
  EXPECT_EQ(e.ScrollBars(), ssBoth);
  EXPECT_EQ(e.Cursor(), crIBeam);
  EXPECT_EQ(e.Font().Name(), "Courier New");
  EXPECT_EQ(e.Font().Size(), 10);
  EXPECT_EQ(e.CaretXY(), TPoint(1, 1));
  EXPECT_FALSE(e.WantTabs());
  // 8 x 16 cells in 400 x 320 pixels, gutter 30.
  EXPECT_EQ(e.GutterWidth(), 30);
  EXPECT_EQ(e.CharWidth(), 8);
  EXPECT_EQ(e.LineHeight(), 16);
  EXPECT_EQ(e.CharsInWindow(), (400 - 30 - 2) / 8);
  EXPECT_EQ(e.LinesInWindow(), 20);
  EXPECT_EQ(e.TextOffset(), 32);
}

TEST(CodeEditState, ProportionalFontBecomesCourierNew) {
  TEditorFixture f;
  f.fonts.SetCharWidth(U'W', 12);  // the fake font is now proportional
  TFont arial;
  arial.SetName("Arial");
  arial.SetSize(14);
  arial.SetColor(clRed);
  arial.SetStyle(TFontStyles{fsBold});
  f.edit.SetFont(arial);
  EXPECT_EQ(f.edit.Font().Name(), "Courier New");
  EXPECT_EQ(f.edit.Font().Size(), 14);
  EXPECT_EQ(f.edit.Font().Color(), clRed);
  EXPECT_EQ(f.edit.Font().Style(), TFontStyles{fsBold});
}

TEST(CodeEditState, LineHeightAndCharacterWidthStayPositive) {
  TEditorFixture f;
  f.edit.SetExtraLineSpacing(4);
  EXPECT_EQ(f.edit.LineHeight(), 20);
  f.edit.SetExtraLineSpacing(-100);
  EXPECT_EQ(f.edit.LineHeight(), 1);
  TFakeFontService zero(0, 16);
  TTestHost host(zero);
  TCodeEdit e;
  e.SetHost(&host);
  EXPECT_EQ(e.CharWidth(), 1);
  e.SetHost(nullptr);
}

TEST(CodeEditState, SettersClampAndIgnoreBadValues) {
  TEditorFixture f;
  f.edit.SetMaxLeftChar(0);
  EXPECT_EQ(f.edit.MaxLeftChar(), 1);
  f.edit.SetMaxLeftChar(40000);
  EXPECT_EQ(f.edit.MaxLeftChar(), 32767);
  f.edit.SetMaxUndo(5);
  EXPECT_EQ(f.edit.UndoList().MaxUndoActions(), 5);
  EXPECT_EQ(f.edit.RedoList().MaxUndoActions(), 5);
  f.edit.SetMaxUndo(-1);
  EXPECT_EQ(f.edit.UndoList().MaxUndoActions(), 5);
  EXPECT_EQ(f.edit.RedoList().MaxUndoActions(), 5);
}

TEST(CodeEditState, AutoSizeMaxLeftCharOnPutButNotOnAdd) {
  TEditorFixture f("x");
  f.edit.SetOptions(f.edit.Options() | eoAutoSizeMaxLeftChar);
  f.edit.SetMaxLeftChar(10);
  f.edit.Lines().Add(std::string(9, 'a'));
  EXPECT_EQ(f.edit.MaxLeftChar(), 10);
  f.edit.Lines().Put(0, std::string(9, 'b'));
  EXPECT_EQ(f.edit.MaxLeftChar(), 11);
}

TEST(CodeEditState, ClearingTheLinesResetsTheView) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += (i ? "|" : "") + std::string(70, 'x');
  TEditorFixture f(text);
  f.Type("y");
  f.Select(TPoint(60, 50), TPoint(3, 55));
  ASSERT_GT(f.edit.TopLine(), 1);
  ASSERT_GT(f.edit.LeftChar(), 1);
  TCodeStatusChanges seen = 0;
  f.edit.OnStatusChange = [&](TCustomCodeEdit*, TCodeStatusChanges c) { seen |= c; };
  f.edit.Lines().Clear();
  EXPECT_EQ(f.edit.CaretXY(), TPoint(1, 1));
  EXPECT_EQ(f.edit.BlockBeginRaw(), TPoint(1, 1));
  EXPECT_EQ(f.edit.BlockEndRaw(), TPoint(1, 1));
  EXPECT_EQ(f.edit.TopLine(), 1);
  EXPECT_EQ(f.edit.LeftChar(), 1);
  EXPECT_FALSE(f.edit.UndoList().CanUndo());
  EXPECT_FALSE(f.edit.RedoList().CanUndo());
  EXPECT_TRUE(seen & scAll);
}

TEST(CodeEditState, HighlighterRangesFollowEdits) {
  TCodeSampleSyn hl;
  TEditorFixture f("a|b|c|d");
  f.edit.SetHighlighter(&hl);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f.edit.Lines().GetRange(i), rsUnKnown) << i;
  // Opening a brace comment on line 2 puts the lines after it inside.
  f.Goto(2, 2);
  f.Type("{");
  EXPECT_EQ(f.edit.Lines().GetRange(2), rsBraceComment);
  EXPECT_EQ(f.edit.Lines().GetRange(3), rsBraceComment);
  f.Goto(2, 3);
  f.Type("}");
  EXPECT_EQ(f.edit.Lines().GetRange(3), rsUnKnown);
  f.edit.SetHighlighter(nullptr);
}

TEST(CodeEditState, OptionsSetterClampsTheCaretWithoutPastEnd) {
  TEditorFixture f("abc");
  f.Goto(10, 1);
  EXPECT_EQ(f.edit.CaretX(), 10);
  f.edit.SetOptions(f.edit.Options() & ~eoScrollPastEol);
  EXPECT_EQ(f.edit.CaretX(), 4);
}

TEST(CodeEditState, ReadOnlyAndInsertModeReportStatus) {
  TEditorFixture f("a");
  TCodeStatusChanges seen = 0;
  f.edit.OnStatusChange = [&](TCustomCodeEdit*, TCodeStatusChanges c) { seen |= c; };
  f.edit.SetReadOnly(true);
  f.Cmd(ecToggleMode);
  EXPECT_EQ(seen & (scReadOnly | scInsertMode), scReadOnly | scInsertMode);
  EXPECT_FALSE(f.edit.InsertMode());
}

// ---- bookmarks and marks ----------------------------------------------------------

TEST(CodeEditState, BookmarkPlacementRules) {
  struct TCase {
    const char* Text;
    int Number, Line;
    bool Placed;
  };
  const TCase cases[] = {
      {"a|b", 0, 1, true},   {"a|b", 9, 2, true},  {"a|b", 10, 1, false},
      {"a|b", -1, 1, false}, {"a|b", 3, 0, false}, {"a|b", 3, 3, false},
  };
  for (const TCase& c : cases) {
    TEditorFixture f(c.Text);
    f.edit.SetBookMark(c.Number, 1, c.Line);
    EXPECT_EQ(f.edit.IsBookmark(c.Number), c.Placed) << c.Number << " line " << c.Line;
    EXPECT_EQ(f.edit.Marks().Count(), c.Placed ? 1 : 0);
  }
  TEditorFixture empty;
  empty.edit.SetBookMark(2, 1, 1);  // line 1 of an empty text
  EXPECT_TRUE(empty.edit.IsBookmark(2));
}

TEST(CodeEditState, ReplacingAndVetoingBookmarks) {
  TEditorFixture f("a|b|c");
  std::vector<int> cleared;
  f.edit.OnClearBookmark = [&](TCustomCodeEdit*, TCodeEditMark& m) { cleared.push_back(m.Line()); };
  f.edit.SetBookMark(4, 1, 1);
  f.edit.SetBookMark(4, 1, 3);
  ASSERT_EQ(cleared.size(), 1u);
  EXPECT_EQ(cleared[0], 1);
  EXPECT_EQ(f.edit.Bookmark(4)->Line(), 3);
  EXPECT_EQ(f.edit.Marks().Count(), 1);
  f.edit.OnPlaceBookmark = [](TCustomCodeEdit*, std::unique_ptr<TCodeEditMark>& m) { m.reset(); };
  f.edit.SetBookMark(5, 1, 2);
  EXPECT_FALSE(f.edit.IsBookmark(5));
}

TEST(CodeEditState, GotoBookmarkMovesTheCaretAndCollapsesTheSelection) {
  TEditorFixture f("abc|def|ghi");
  f.edit.SetBookMark(1, 3, 2);
  f.Select(TPoint(1, 1), TPoint(2, 3));
  f.Cmd(TCodeEditorCommand(ecGotoMarker0 + 1));
  EXPECT_EQ(f.edit.CaretXY(), TPoint(3, 2));
  EXPECT_FALSE(f.edit.SelAvail());
  // A bookmark whose line went past the end of the text is not followed.
  f.edit.Bookmark(1)->SetLine(9);
  f.Goto(1, 1);
  f.edit.GotoBookMark(1);
  EXPECT_EQ(f.edit.CaretXY(), TPoint(1, 1));
}

TEST(CodeEditState, MarkerKeysToggleAndMove) {
  TEditorFixture f("a|b|c");
  f.Goto(1, 2);
  f.Key('3', ssShift | ssCtrl);
  ASSERT_TRUE(f.edit.IsBookmark(3));
  f.Key('3', ssShift | ssCtrl);  // same line: removed
  EXPECT_FALSE(f.edit.IsBookmark(3));
  f.Key('3', ssShift | ssCtrl);
  f.Goto(1, 3);
  f.Key('3', ssShift | ssCtrl);  // another line: moved
  ASSERT_TRUE(f.edit.IsBookmark(3));
  EXPECT_EQ(f.edit.Bookmark(3)->Line(), 3);
  f.edit.BookMarkOptions().SetEnableKeys(false);
  f.Key('3', ssShift | ssCtrl);
  EXPECT_TRUE(f.edit.IsBookmark(3));
}

TEST(CodeEditState, MarksFollowInsertedAndDeletedLines) {
  TEditorFixture f("l1|l2|l3|l4|l5");
  for (int n = 0; n < 5; ++n) f.edit.SetBookMark(n, 1, n + 1);
  f.Goto(1, 2);
  f.Cmd(ecLineBreak);  // an empty line before line 2
  EXPECT_EQ(f.edit.Bookmark(0)->Line(), 1);
  EXPECT_EQ(f.edit.Bookmark(1)->Line(), 3);
  EXPECT_EQ(f.edit.Bookmark(4)->Line(), 6);
  // Deleting from line 3 to line 6 collects the marks of the lines that go
  // on line 3, which the rest of line 6 joins.
  f.Select(TPoint(1, 3), TPoint(1, 6));
  f.Cmd(ecDeleteChar);
  EXPECT_EQ(f.Lines(), "l1||l5");
  EXPECT_EQ(f.edit.Bookmark(0)->Line(), 1);
  for (int n = 1; n < 5; ++n) EXPECT_EQ(f.edit.Bookmark(n)->Line(), 3) << n;
  // The only line emptied keeps its mark on line 1.
  TEditorFixture one("x");
  one.edit.SetBookMark(0, 1, 1);
  one.Cmd(ecDeleteLine);
  EXPECT_EQ(one.edit.Bookmark(0)->Line(), 1);
}

TEST(CodeEditState, AtMostSixteenMarksPerLine) {
  TEditorFixture f("a|b");
  for (int i = 0; i < 20; ++i) {
    auto m = std::make_unique<TCodeEditMark>(&f.edit);
    m->SetLine(1);
    m->SetImageIndex(i);
    f.edit.Marks().Add(std::move(m));
  }
  TCodeEditMarks marks;
  f.edit.Marks().GetMarksForLine(1, marks);
  for (int i = 0; i < CODE_MAX_MARKS_PER_LINE; ++i) {
    ASSERT_NE(marks[size_t(i)], nullptr);
    EXPECT_EQ(marks[size_t(i)]->ImageIndex(), i);
  }
  f.edit.Marks().GetMarksForLine(2, marks);
  EXPECT_EQ(marks[0], nullptr);
}

TEST(CodeEditState, MarkForgetsAnEditorThatDroppedIt) {
  TEditorFixture f("a");
  f.edit.SetBookMark(0, 1, 1);
  TCodeEditMark* m = f.edit.Bookmark(0);
  EXPECT_EQ(m->Edit(), &f.edit);
  std::unique_ptr<TCodeEditMark> owned = f.edit.Marks().Remove(m);
  EXPECT_EQ(owned->Edit(), nullptr);
}

// ---- internal pictures --------------------------------------------------------------

TEST(CodeEditState, InternalImagesAreSharedAndDrawnPerGlyph) {
  EXPECT_EQ(TCodeInternalImage::SharedUsers("CodeEditInternalImages"), 0);
  {
    TCodeInternalImage a("CodeEditInternalImages", 10);
    TCodeInternalImage b("codeeditinternalimages", 10);
    EXPECT_EQ(TCodeInternalImage::SharedUsers("CodeEditInternalImages"), 2);
    EXPECT_EQ(a.Width(), 12);
    EXPECT_EQ(a.Height(), 16);

    TRecordingCanvas c;
    a.Draw(c, 10, 0, 0, 16);  // outside 0..9
    a.Draw(c, -1, 0, 0, 16);
    EXPECT_EQ(c.Count("Draw"), 0);
    a.Draw(c, 3, 5, 40, 20);  // centred in a taller row
    a.Draw(c, 3, 5, 40, 10);  // cut to a shorter row
    const auto draws = c.Find("Draw");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->Args[1], 42);
    EXPECT_EQ(draws[1]->Args[1], 40);
  }
  EXPECT_EQ(TCodeInternalImage::SharedUsers("CodeEditInternalImages"), 0);
  EXPECT_THROW(TCodeInternalImage("NoSuchPicture", 1), EInvalidOperation);
}

TEST(CodeEditState, FillRectOpaqueIsAnOpaqueEmptyTextOutput) {
  TRecordingCanvas c;
  FillRectOpaque(c, Rect(1, 2, 30, 40));
  const TCanvasCall* call = c.First("ExtTextOut");
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->Args[2] & ETO_OPAQUE, ETO_OPAQUE);
  EXPECT_TRUE(call->Text.empty());
}
