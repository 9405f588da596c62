// Editing through key sequences and commands: typing, line breaks,
// deleting, the selected text in the three modes, the insertion primitive,
// and undo and redo.
#include <gtest/gtest.h>

#include "EditorTestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

struct TEditCase {
  const char* Name;
  const char* Text;  // lines joined by "|"
  TPoint Caret;
  TCodeEditorOptions Clear = 0;  // options taken away
  TCodeEditorOptions Set = 0;    // options added
  bool Overwrite = false;
  std::vector<TCodeEditorCommand> Commands;
  const char* Typed = "";  // typed after the commands
  const char* Expected;
  TPoint ExpectedCaret;
};

void RunCase(TEditorFixture& f, const TEditCase& c) {
  f.SetLines(c.Text);
  f.edit.SetOptions((CODE_DEFAULT_OPTIONS & ~c.Clear) | c.Set);
  f.edit.SetInsertMode(!c.Overwrite);
  f.Goto(c.Caret.X, c.Caret.Y);
  for (TCodeEditorCommand cmd : c.Commands) f.Cmd(cmd);
  f.Type(c.Typed);
}

}  // namespace

TEST(CodeEditEditing, CommandsGiveTextAndCaret) {
  const TEditCase cases[] = {
      {"type in the middle", "abcd", {3, 1}, 0, 0, false, {}, "XY", "abXYcd", {5, 1}},
      {"overwrite", "abcd", {2, 1}, 0, 0, true, {}, "XY", "aXYd", {4, 1}},
      {"overwrite just after the end appends", "ab", {3, 1}, 0, 0, true, {}, "c", "abc", {4, 1}},
      {"type past the end pads", "ab", {5, 1}, 0, 0, false, {}, "c", "ab  c", {6, 1}},
      {"break in the middle keeps the indent",
       "  abcd",
       {5, 1},
       0,
       0,
       false,
       {ecLineBreak},
       "",
       "  ab|  cd",
       {3, 2}},
      {"break at column 1", "abc", {1, 1}, 0, 0, false, {ecLineBreak}, "", "|abc", {1, 2}},
      {"break at the end copies the indent",
       "  ab",
       {5, 1},
       0,
       0,
       false,
       {ecLineBreak},
       "",
       "  ab|  ",
       {3, 2}},
      {"break without auto indent",
       "  ab",
       {5, 1},
       eoAutoIndent,
       0,
       false,
       {ecLineBreak},
       "",
       "  ab|",
       {1, 2}},
      {"insert line keeps the caret",
       "abcd",
       {3, 1},
       0,
       0,
       false,
       {ecInsertLine},
       "",
       "ab|cd",
       {3, 1}},
      {"break on an empty line", "  a||", {1, 2}, 0, 0, false, {ecLineBreak}, "", "  a|||", {3, 3}},
      {"break trims the left part",
       "ab  cd",
       {5, 1},
       eoAutoIndent,
       0,
       false,
       {ecLineBreak},
       "",
       "ab|cd",
       {1, 2}},
      {"backspace in a line", "abc", {3, 1}, 0, 0, false, {ecDeleteLastChar}, "", "ac", {2, 1}},
      {"backspace at column 1 joins",
       "ab|cd",
       {1, 2},
       0,
       0,
       false,
       {ecDeleteLastChar},
       "",
       "abcd",
       {3, 1}},
      {"backspace at the very start",
       "ab",
       {1, 1},
       0,
       0,
       false,
       {ecDeleteLastChar},
       "",
       "ab",
       {1, 1}},
      {"smart backspace to the indent above",
       "  a|      b",
       {7, 2},
       0,
       0,
       false,
       {ecDeleteLastChar},
       "",
       "  a|  b",
       {3, 2}},
      {"backspace to the previous tab stop",
       "      b",
       {7, 1},
       eoSmartTabDelete,
       0,
       false,
       {ecDeleteLastChar},
       "",
       "b",
       {1, 1}},
      {"smart backspace past the end",
       "ab",
       {6, 1},
       0,
       0,
       false,
       {ecDeleteLastChar},
       "",
       "ab",
       {3, 1}},
      {"delete a character", "abc", {2, 1}, 0, 0, false, {ecDeleteChar}, "", "ac", {2, 1}},
      {"delete at the end joins", "ab|cd", {3, 1}, 0, 0, false, {ecDeleteChar}, "", "abcd", {3, 1}},
      {"delete past the end pads and joins",
       "ab|cd",
       {5, 1},
       0,
       0,
       false,
       {ecDeleteChar},
       "",
       "ab  cd",
       {5, 1}},
      {"delete word", "ab cd ef", {1, 1}, 0, 0, false, {ecDeleteWord}, "", "cd ef", {1, 1}},
      {"delete last word",
       "ab cd ef",
       {7, 1},
       0,
       0,
       false,
       {ecDeleteLastWord},
       "",
       "ab ef",
       {4, 1}},
      {"delete to the line end", "ab cd", {3, 1}, 0, 0, false, {ecDeleteEOL}, "", "ab", {3, 1}},
      {"delete to the line start", "ab cd", {3, 1}, 0, 0, false, {ecDeleteBOL}, "", " cd", {1, 1}},
      {"delete a middle line", "a|b|c", {1, 2}, 0, 0, false, {ecDeleteLine}, "", "a|c", {1, 2}},
      {"delete the last line", "a|b", {2, 2}, 0, 0, false, {ecDeleteLine}, "", "a", {1, 1}},
      {"delete the only line", "abc", {2, 1}, 0, 0, false, {ecDeleteLine}, "", "", {1, 1}},
      {"word right", "ab cd", {1, 1}, 0, 0, false, {ecWordRight}, "X", "ab Xcd", {5, 1}},
      {"word left", "ab cd", {5, 1}, 0, 0, false, {ecWordLeft}, "X", "ab Xcd", {5, 1}},
      {"home goes to column 1", "  ab", {4, 1}, 0, 0, false, {ecLineStart}, "X", "X  ab", {2, 1}},
      {"enhanced home goes to the text",
       "  ab",
       {5, 1},
       0,
       eoEnhanceHomeKey,
       false,
       {ecLineStart},
       "X",
       "  Xab",
       {4, 1}},
      {"enhanced home twice goes to column 1",
       "  ab",
       {5, 1},
       0,
       eoEnhanceHomeKey,
       false,
       {ecLineStart, ecLineStart},
       "X",
       "X  ab",
       {2, 1}},
      {"line end", "ab", {1, 1}, 0, 0, false, {ecLineEnd}, "X", "abX", {4, 1}},
      {"editor bottom", "a|bc", {1, 1}, 0, 0, false, {ecEditorBottom}, "X", "a|bcX", {4, 2}},
      {"down keeps the display column over tabs",
       "\tab|12345678901",
       {2, 1},
       0,
       0,
       false,
       {ecDown},
       "X",
       "\tab|12345678X901",
       {10, 2}},
      {"select left and type",
       "abc",
       {3, 1},
       0,
       0,
       false,
       {ecSelLeft, ecSelLeft},
       "X",
       "Xc",
       {2, 1}},
      {"right wraps without past-end",
       "ab|cd",
       {3, 1},
       eoScrollPastEol,
       0,
       false,
       {ecRight},
       "X",
       "ab|Xcd",
       {2, 2}},
      {"left wraps without past-end",
       "ab|cd",
       {1, 2},
       eoScrollPastEol,
       0,
       false,
       {ecLeft},
       "X",
       "abX|cd",
       {4, 1}},
  };
  TEditorFixture f;
  for (const TEditCase& c : cases) {
    RunCase(f, c);
    EXPECT_EQ(f.Lines(), c.Expected) << c.Name;
    EXPECT_EQ(f.edit.CaretXY(), c.ExpectedCaret) << c.Name;
    // Every change undoes back to the text it started from.
    f.UndoAll();
    EXPECT_EQ(f.Lines(), c.Text) << c.Name << " (undo)";
    f.RedoAll();
    EXPECT_EQ(f.Lines(), c.Expected) << c.Name << " (redo)";
  }
}

TEST(CodeEditEditing, LineBreakUndoRestoresTheLineExactly) {
  TEditorFixture f("  ab  \tcd  ");
  f.edit.SetOptions(f.edit.Options() & ~eoTrimTrailingSpaces);
  f.Goto(7, 1);
  f.Cmd(ecLineBreak);
  EXPECT_EQ(f.Lines(), "  ab  |  \tcd  ");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "  ab  \tcd  ");
  EXPECT_EQ(f.edit.CaretXY(), TPoint(7, 1));
}

TEST(CodeEditEditing, TypingPastTheEndRecordsPaddingAndInsertInOneBlock) {
  TEditorFixture f("ab");
  f.Goto(5, 1);
  f.Type("c");
  ASSERT_EQ(f.edit.UndoList().ItemCount(), 2);
  const TCodeEditUndoItem* pad = f.edit.UndoList().Items(0);
  const TCodeEditUndoItem* ins = f.edit.UndoList().Items(1);
  EXPECT_EQ(pad->ChangeReason, urReplace);
  EXPECT_EQ(ins->ChangeReason, urInsert);
  EXPECT_EQ(pad->ChangeNumber, ins->ChangeNumber);
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "ab");
}

TEST(CodeEditEditing, OverwriteJustAfterTheEndRecordsOneInsert) {
  TEditorFixture f("ab");
  f.edit.SetInsertMode(false);
  f.Goto(3, 1);
  f.edit.EmptyUndoLists();
  f.Type("c");
  ASSERT_EQ(f.edit.UndoList().ItemCount(), 1);
  EXPECT_EQ(f.edit.UndoList().PeekItem()->ChangeReason, urInsert);
}

TEST(CodeEditEditing, BackspaceJoiningLinesMovesMarksAndRecordsTheBreak) {
  TEditorFixture f("ab|cd|ef");
  f.edit.SetBookMark(1, 1, 3);
  f.Goto(1, 2);
  f.edit.EmptyUndoLists();
  f.Cmd(ecDeleteLastChar);
  const TCodeEditUndoItem* item = f.edit.UndoList().PeekItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->ChangeReason, urSilentDelete);
  EXPECT_EQ(item->ChangeStr, "\r\n");
  EXPECT_EQ(f.edit.Bookmark(1)->Line(), 2);
}

TEST(CodeEditEditing, DeleteLineFiresBothPaintTransients) {
  TEditorFixture f("a|b");
  std::vector<TTransientType> fired;
  f.edit.OnPaintTransient = [&](TCustomCodeEdit*, TCanvas*, TTransientType t) {
    fired.push_back(t);
  };
  f.Cmd(ecDeleteLine);
  ASSERT_FALSE(fired.empty());
  EXPECT_EQ(fired.front(), ttBefore);
  EXPECT_EQ(fired.back(), ttAfter);
  EXPECT_EQ(std::count(fired.begin(), fired.end(), ttBefore),
            std::count(fired.begin(), fired.end(), ttAfter));
}

TEST(CodeEditEditing, SelectedTextInTheThreeModes) {
  struct TCase {
    const char* Name;
    TCodeSelectionMode Mode;
    bool Trim;
    TPoint From, To;
    const char* Expected;
  };
  const TCase cases[] = {
      {"normal, one line", smNormal, true, {2, 1}, {4, 1}, "bc"},
      {"normal, backwards", smNormal, true, {4, 1}, {2, 1}, "bc"},
      {"normal, three lines", smNormal, true, {3, 1}, {2, 3}, "cde\r\nfg\r\nh"},
      {"line mode, last two lines", smLine, true, {2, 2}, {1, 3}, "fg\r\nhij"},
      {"line mode, two middle lines", smLine, true, {1, 1}, {1, 2}, "abcde\r\nfg\r\n"},
      {"column, rows padded", smColumn, false, {2, 1}, {4, 3}, "bc\r\ng \r\nij"},
      {"column, rows trimmed", smColumn, true, {2, 1}, {4, 3}, "bc\r\ng\r\nij"},
  };
  TEditorFixture f("abcde|fg|hij");
  for (const TCase& c : cases) {
    TCodeEditorOptions o = f.edit.Options();
    f.edit.SetOptions(c.Trim ? o | eoTrimTrailingSpaces : o & ~eoTrimTrailingSpaces);
    f.edit.SetSelectionMode(c.Mode);
    f.Select(c.From, c.To);
    EXPECT_EQ(f.edit.SelText(), c.Expected) << c.Name;
  }
}

TEST(CodeEditEditing, InsertingABreakInTheMiddleOfALine) {
  TEditorFixture f("pqrs");
  f.Goto(3, 1);
  f.edit.SetSelText("x\r\ny");
  EXPECT_EQ(f.Lines(), "pqx|yrs");
  EXPECT_EQ(f.edit.CaretXY(), TPoint(2, 2));
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "pqrs");
}

TEST(CodeEditEditing, ReplacingSelectionsInEachMode) {
  struct TCase {
    const char* Name;
    TCodeSelectionMode Mode;
    TPoint From, To;
    const char* Text;
    const char* Expected;
  };
  const TCase cases[] = {
      {"normal", smNormal, {2, 1}, {2, 2}, "X", "aXefgh|ijk"},
      {"line", smLine, {2, 1}, {1, 2}, "X\r\n", "X|ijk"},
      {"line, text without a break", smLine, {1, 2}, {2, 2}, "X", "abc|Xijk"},
      {"column", smColumn, {2, 1}, {3, 3}, "1\r\n2\r\n3", "a1c|d2fgh|i3k"},
      {"column past the last line",
       smColumn,
       {2, 3},
       {2, 3},
       "1\r\n2\r\n3",
       "abc|defgh|i1jk| 2| 3"},
  };
  for (const TCase& c : cases) {
    TEditorFixture f("abc|defgh|ijk");
    f.edit.SetSelectionMode(c.Mode);
    f.Select(c.From, c.To);
    f.edit.SetSelText(c.Text);
    EXPECT_EQ(f.Lines(), c.Expected) << c.Name;
    f.UndoAll();
    EXPECT_EQ(f.Lines(), "abc|defgh|ijk") << c.Name << " (undo)";
    f.RedoAll();
    EXPECT_EQ(f.Lines(), c.Expected) << c.Name << " (redo)";
  }
}

TEST(CodeEditEditing, UndoOfABackwardSelectionPutsTheTextBackWhereItWas) {
  TEditorFixture f("one two|three");
  f.Select(TPoint(3, 2), TPoint(5, 1));  // anchor after the moving end
  f.Cmd(ecDeleteChar);
  EXPECT_EQ(f.Lines(), "one ree");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "one two|three");
  EXPECT_EQ(f.edit.CaretXY(), TPoint(5, 1));
  f.Select(TPoint(3, 2), TPoint(5, 1));
  f.edit.SetSelText("");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "one two|three");
}

TEST(CodeEditEditing, GroupUndoTakesLikeChangesTogether) {
  TEditorFixture f("|");
  f.Type("abc");
  f.Cmd(ecLeft);  // a group break
  f.Type("de");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "abc");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "");
  f.edit.Redo();
  EXPECT_EQ(f.Lines(), "abc");

  f.SetLines("|");
  f.edit.SetOptions(f.edit.Options() & ~eoGroupUndo);
  f.Type("abc");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "ab");
}

TEST(CodeEditEditing, BlockMarkersUndoAsOneStep) {
  TEditorFixture f("|");
  f.edit.UndoList().AddChange(urBlock1Begin, TPoint(0, 0), TPoint(0, 0), "", smNormal);
  f.Type("a");
  f.Cmd(ecLineBreak);
  f.Type("b");
  f.edit.UndoList().AddChange(urBlock1End, TPoint(0, 0), TPoint(0, 0), "", smNormal);
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "");
  EXPECT_FALSE(f.edit.UndoList().CanUndo());
  f.edit.Redo();
  EXPECT_EQ(f.Lines(), "a|b");
}

TEST(CodeEditEditing, IndentItemsNeverGroupByReason) {
  TEditorFixture f("a|b|c");
  f.Select(TPoint(1, 1), TPoint(2, 2));
  f.Cmd(ecBlockIndent);
  f.Select(TPoint(1, 2), TPoint(2, 3));
  f.Cmd(ecBlockIndent);
  EXPECT_EQ(f.Lines(), "        a|                b|        c");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "        a|        b|c");
}

TEST(CodeEditEditing, ModifiedFlagFollowsTheUndoList) {
  TEditorFixture f("x");
  std::vector<TCodeStatusChanges> changes;
  f.edit.OnStatusChange = [&](TCustomCodeEdit*, TCodeStatusChanges c) { changes.push_back(c); };
  EXPECT_FALSE(f.edit.Modified());
  f.Type("a");
  EXPECT_TRUE(f.edit.Modified());
  f.edit.Undo();
  EXPECT_FALSE(f.edit.Modified());
  EXPECT_TRUE(f.edit.RedoList().CanUndo());
  f.Type("b");  // a new change drops what could be redone
  EXPECT_FALSE(f.edit.RedoList().CanUndo());
  bool sawModified = false;
  for (TCodeStatusChanges c : changes) sawModified = sawModified || (c & scModified);
  EXPECT_TRUE(sawModified);
}

TEST(CodeEditEditing, StatusChangesOfOneCommandArriveOnce) {
  TEditorFixture f("abc|def");
  std::vector<TCodeStatusChanges> changes;
  f.edit.OnStatusChange = [&](TCustomCodeEdit*, TCodeStatusChanges c) { changes.push_back(c); };
  f.Goto(2, 2);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0] & (scCaretX | scCaretY), scCaretX | scCaretY);
}

TEST(CodeEditEditing, ReadOnlyEditorChangesNothingAndRecordsNothing) {
  TEditorFixture f("abc");
  f.edit.SetReadOnly(true);
  f.Goto(2, 1);
  f.Type("x");
  f.Cmd(ecDeleteLastChar);
  f.Cmd(ecLineBreak);
  f.Select(TPoint(1, 1), TPoint(3, 1));
  f.edit.SetSelText("zz");
  f.Cmd(ecDeleteLine);
  EXPECT_EQ(f.Lines(), "abc");
  for (int i = 0; i < f.edit.UndoList().ItemCount(); ++i)
    EXPECT_EQ(f.edit.UndoList().Items(i)->ChangeReason, urGroupBreak);
  EXPECT_FALSE(f.edit.Modified());
}

TEST(CodeEditEditing, PageMovesHonourHalfPageAndOneLess) {
  struct TCase {
    TCodeEditorOptions Options;
    int Expected;
  };
  const TCase cases[] = {
      {0, 21}, {eoHalfPageScroll, 10}, {eoHalfPageScroll | eoScrollByOneLess, 9}};
  for (const TCase& c : cases) {
    TEditorFixture f;
    f.host.client = Rect(0, 0, 400, 21 * 16);
    f.edit.Resize(400, 21 * 16);
    f.SetLines(NumberedLines(100));
    f.edit.SetOptions(f.edit.Options() | c.Options);
    ASSERT_EQ(f.edit.LinesInWindow(), 21);
    f.Cmd(ecPageDown);
    EXPECT_EQ(f.edit.CaretY(), 1 + c.Expected) << c.Options;
  }
}

TEST(CodeEditEditing, ColumnSelectStaysNormalWhileWordWrapIsOn) {
  TEditorFixture f("abc");
  f.edit.SetWordWrap(true);
  f.Cmd(ecColumnSelect);
  EXPECT_EQ(f.edit.SelectionMode(), smNormal);
  f.edit.SetWordWrap(false);
  f.Cmd(ecColumnSelect);
  EXPECT_EQ(f.edit.SelectionMode(), smColumn);
}

TEST(CodeEditEditing, LeftCharAdvancesAtLeastOneColumnInANarrowWindow) {
  TEditorFixture f("|");
  f.host.client = Rect(0, 0, 30 + 2 + 8, 100);  // one character wide
  f.edit.Resize(40, 100);
  ASSERT_EQ(f.edit.CharsInWindow(), 1);
  f.Type("abc");
  EXPECT_GE(f.edit.LeftChar(), 3);
}

TEST(CodeEditEditing, WithoutAWindowTheInsertItemEndsAfterTheText) {
  // A hidden editor (the engine's work buffer) records the same items as a
  // visible one.
  TEditorFixture f("ab|cd", false);
  f.edit.SetCaretXY(TPoint(2, 1));
  f.edit.SetSelText("xy\r\nz");
  const TCodeEditUndoItem* item = f.edit.UndoList().PeekItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->ChangeReason, urInsert);
  EXPECT_EQ(item->ChangeStartPos, TPoint(2, 1));
  EXPECT_EQ(item->ChangeEndPos, TPoint(2, 2));
  EXPECT_FALSE(f.edit.SelAvail());
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "ab|cd");
}
