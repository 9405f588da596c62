// Tab and shift-tab, block indent and unindent, case changes and bracket
// matching.
#include <gtest/gtest.h>

#include "EditorTestSupport.h"
#include "editor/CodeHighlighterSample.h"

using namespace qv;
using namespace qv::test;

namespace {

struct TTabCase {
  const char* Name;
  const char* Text;
  TPoint From, To;  // the selection (From == To: the caret only)
  TCodeEditorOptions Clear, Set;
  TCodeEditorCommand Command;
  const char* Expected;
  TPoint Caret;
};

}  // namespace

TEST(CodeEditTabs, TabIndentCaseCommands) {
  const TTabCase cases[] = {
      {"tab to the next stop with spaces",
       "ab",
       {3, 1},
       {3, 1},
       eoSmartTabs,
       0,
       ecTab,
       "ab      ",
       {9, 1}},
      {"tab as a TAB character",
       "ab",
       {3, 1},
       {3, 1},
       eoSmartTabs | eoTabsToSpaces,
       0,
       ecTab,
       "ab\t",
       {4, 1}},
      {"tab stop by display column",
       "\tx",
       {3, 1},
       {3, 1},
       eoSmartTabs,
       0,
       ecTab,
       "\tx       ",
       {10, 1}},
      {"smart tab to the next word above",
       "abc   def|x",
       {2, 2},
       {2, 2},
       0,
       0,
       ecTab,
       "abc   def|x     ",
       {7, 2}},
      {"tab replaces a selection",
       "abcd",
       {2, 1},
       {4, 1},
       eoSmartTabs,
       0,
       ecTab,
       "a       d",
       {9, 1}},
      {"tab indents a multi-line selection",
       "a|b|c",
       {1, 1},
       {2, 3},
       0,
       eoTabIndent,
       ecTab,
       "        a|        b|        c",
       {10, 3}},
      {"shift tab unindents a multi-line selection",
       "  a|    b",
       {1, 1},
       {2, 2},
       0,
       eoTabIndent,
       ecShiftTab,
       "a|b",
       {1, 2}},
      {"shift tab back to the tab stop",
       "ab      c",
       {9, 1},
       {9, 1},
       eoSmartTabs,
       0,
       ecShiftTab,
       "abc",
       {3, 1}},
      {"shift tab never takes text", "abcdef", {5, 1}, {5, 1}, 0, 0, ecShiftTab, "abcdef", {5, 1}},
      {"block indent stops before an end in column 1",
       "a|b|c|d|e",
       {1, 2},
       {1, 5},
       0,
       0,
       ecBlockIndent,
       "a|        b|        c|        d|e",
       {1, 5}},
      {"block indent with a TAB",
       "a|b",
       {1, 1},
       {2, 2},
       eoTabsToSpaces,
       0,
       ecBlockIndent,
       "\ta|\tb",
       {3, 2}},
      {"unindent takes one TAB only",
       "\t  a|\tb",
       {1, 1},
       {2, 2},
       0,
       0,
       ecBlockUnindent,
       "  a|b",
       {1, 2}},
      {"unindent takes up to a tab width of blanks",
       "          a|  b",
       {1, 1},
       {3, 2},
       0,
       0,
       ecBlockUnindent,
       "  a|b",
       {1, 2}},
      {"upper case of the word at the caret",
       "one two",
       {6, 1},
       {6, 1},
       0,
       0,
       ecUpperCase,
       "one TWO",
       {6, 1}},
      {"lower case", "ONE TWO", {2, 1}, {2, 1}, 0, 0, ecLowerCase, "one TWO", {2, 1}},
      {"title case", "oNE tWO", {5, 1}, {5, 1}, 0, 0, ecTitleCase, "oNE Two", {5, 1}},
      {"toggle one character", "aBc", {2, 1}, {2, 1}, 0, 0, ecToggleCase, "abc", {3, 1}},
      {"toggle a selection", "aBc dÉ", {2, 1}, {7, 1}, 0, 0, ecToggleCase, "abC Dé", {7, 1}},
  };
  for (const TTabCase& c : cases) {
    TEditorFixture f(c.Text);
    f.edit.SetOptions((CODE_DEFAULT_OPTIONS & ~c.Clear) | c.Set);
    if (c.From == c.To)
      f.Goto(c.From.X, c.From.Y);
    else
      f.Select(c.From, c.To);
    f.Cmd(c.Command);
    EXPECT_EQ(f.Lines(), c.Expected) << c.Name;
    EXPECT_EQ(f.edit.CaretXY(), c.Caret) << c.Name;
    f.UndoAll();
    EXPECT_EQ(f.Lines(), c.Text) << c.Name << " (undo)";
    f.RedoAll();
    EXPECT_EQ(f.Lines(), c.Expected) << c.Name << " (redo)";
  }
}

TEST(CodeEditTabs, IndentKeepsTheSelectionOnItsText) {
  TEditorFixture f("abc|def|ghi");
  f.Select(TPoint(2, 1), TPoint(3, 3));
  f.Cmd(ecBlockIndent);
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(10, 1));
  EXPECT_EQ(f.edit.BlockEnd(), TPoint(11, 3));
  f.Cmd(ecBlockUnindent);
  EXPECT_EQ(f.Lines(), "abc|def|ghi");
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(2, 1));
  EXPECT_EQ(f.edit.BlockEnd(), TPoint(3, 3));
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "        abc|        def|        ghi");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "abc|def|ghi");
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(2, 1));
}

TEST(CodeEditTabs, IndentWithoutASelectionDoesNothing) {
  TEditorFixture f("abc");
  f.Goto(2, 1);
  f.Cmd(ecBlockIndent);
  f.Cmd(ecBlockUnindent);
  EXPECT_EQ(f.Lines(), "abc");
  EXPECT_FALSE(f.edit.Modified());
}

TEST(CodeEditTabs, MatchingBrackets) {
  struct TCase {
    const char* Name;
    const char* Text;
    TPoint At, Expected;
  };
  const TCase cases[] = {
      {"forward", "(a(b)c)", {1, 1}, {7, 1}},
      {"backward", "(a(b)c)", {7, 1}, {1, 1}},
      {"nested inner", "(a(b)c)", {3, 1}, {5, 1}},
      {"over lines", "( a|[b]|)", {1, 1}, {1, 3}},
      {"angle brackets", "<x>", {1, 1}, {3, 1}},
      {"no partner", "((a)", {1, 1}, {0, 0}},
      {"not a bracket", "abc", {2, 1}, {0, 0}},
      {"strings do not count", "(a \")\" b)", {1, 1}, {9, 1}},
      {"comments do not count", "(a {)} b)", {1, 1}, {9, 1}},
      {"a bracket in a string still searches", "\"(\" ) a", {2, 1}, {5, 1}},
  };
  TCodeSampleSyn hl;
  for (const TCase& c : cases) {
    TEditorFixture f(c.Text);
    f.edit.SetHighlighter(&hl);
    EXPECT_EQ(f.edit.MatchingBracketAt(c.At, false), c.Expected) << c.Name;
    f.edit.SetHighlighter(nullptr);
  }
  TEditorFixture f("\t(x)");
  EXPECT_EQ(f.edit.MatchingBracketAt(TPoint(2, 1), true), TPoint(11, 1));
  f.Goto(2, 1);
  f.Cmd(ecMatchBracket);
  EXPECT_EQ(f.edit.CaretXY(), TPoint(4, 1));
  f.Goto(3, 1);
  f.Cmd(ecMatchBracket);
  EXPECT_EQ(f.edit.CaretXY(), TPoint(3, 1));
}

TEST(CodeEditTabs, ShiftTabAtColumnOneDoesNothing) {
  for (int width : {1, 2, 8}) {
    TEditorFixture f("  a");
    f.edit.SetTabWidth(width);
    f.edit.SetOptions(f.edit.Options() & ~eoSmartTabs);
    f.Goto(1, 1);
    f.Cmd(ecShiftTab);
    EXPECT_EQ(f.Lines(), "  a") << width;
    EXPECT_EQ(f.edit.CaretXY(), TPoint(1, 1)) << width;
  }
}
