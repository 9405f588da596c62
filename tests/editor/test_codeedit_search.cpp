// Search and replace over the editor's text: ranges, options, counts, the
// prompt and its answers, and undo.
#include <gtest/gtest.h>

#include "EditorTestSupport.h"

using namespace qv;
using namespace qv::test;

TEST(CodeEditSearch, FindSelectsTheMatchAndCountsOne) {
  TEditorFixture f("alpha beta|gamma beta");
  EXPECT_EQ(f.edit.SearchReplace("beta", "", 0), 1);
  EXPECT_EQ(f.edit.SelText(), "beta");
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(7, 1));
  EXPECT_EQ(f.edit.CaretXY(), TPoint(11, 1));
  EXPECT_EQ(f.edit.SearchReplace("", "", 0), 0);
  EXPECT_EQ(f.edit.SearchReplace("delta", "", ssoEntireScope), 0);
}

TEST(CodeEditSearch, RangeFromTheCaret) {
  TEditorFixture f("ab ab ab");
  // Forwards from column 3: the match at column 1 is skipped.
  f.Goto(3, 1);
  ASSERT_EQ(f.edit.SearchReplace("ab", "", 0), 1);
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(4, 1));
  // Backwards from column 5: the match at 4 ends after the caret.
  f.Goto(5, 1);
  ASSERT_EQ(f.edit.SearchReplace("ab", "", ssoBackwards), 1);
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(1, 1));
  EXPECT_EQ(f.edit.CaretXY(), TPoint(1, 1));
  // Entire scope ignores the caret.
  f.Goto(8, 1);
  ASSERT_EQ(f.edit.SearchReplace("ab", "", ssoEntireScope), 1);
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(1, 1));
}

TEST(CodeEditSearch, CaseAndWholeWordOptions) {
  struct TCase {
    TCodeSearchOptions Options;
    int Count;
    const char* Expected;
  };
  const TCase cases[] = {
      {ssoReplaceAll | ssoEntireScope, 4, "X X_X X"},
      {ssoReplaceAll | ssoEntireScope | ssoMatchCase, 2, "X Ab_X AB"},
      {ssoReplaceAll | ssoEntireScope | ssoWholeWord, 2, "X Ab_ab X"},
  };
  for (const TCase& c : cases) {
    TEditorFixture f("ab Ab_ab AB");
    EXPECT_EQ(f.edit.SearchReplace("ab", "X", c.Options), c.Count) << int(c.Options);
    EXPECT_EQ(f.Lines(), c.Expected) << int(c.Options);
  }
}

TEST(CodeEditSearch, ReplaceAllIsOneUndoStep) {
  TEditorFixture f("x a x|a x a|x");
  f.Type("!");  // an earlier change stays where it is
  f.Goto(1, 1);
  EXPECT_EQ(f.edit.SearchReplace("x", "yy", ssoReplaceAll | ssoEntireScope), 4);
  EXPECT_EQ(f.Lines(), "!yy a yy|a yy a|yy");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "!x a x|a x a|x");
  f.edit.Redo();
  EXPECT_EQ(f.Lines(), "!yy a yy|a yy a|yy");
}

TEST(CodeEditSearch, ReplacementsShiftTheMatchesLeftOnTheLine) {
  TEditorFixture f("a-a-a");
  EXPECT_EQ(f.edit.SearchReplace("a", "bbb", ssoReplaceAll | ssoEntireScope), 3);
  EXPECT_EQ(f.Lines(), "bbb-bbb-bbb");
  f.SetLines("aaa-aaa");
  EXPECT_EQ(f.edit.SearchReplace("aaa", "a", ssoReplaceAll | ssoEntireScope), 2);
  EXPECT_EQ(f.Lines(), "a-a");
}

TEST(CodeEditSearch, ReplacementWithLineBreaksContinuesAfterIt) {
  TEditorFixture f("a;b;c|d;e");
  EXPECT_EQ(f.edit.SearchReplace(";", ";\r\n", ssoReplaceAll | ssoEntireScope), 3);
  EXPECT_EQ(f.Lines(), "a;|b;|c|d;|e");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "a;b;c|d;e");
}

TEST(CodeEditSearch, PromptAnswers) {
  struct TCase {
    const char* Name;
    TCodeSearchOptions Options;
    std::vector<TCodeReplaceAction> Answers;
    int Count;
    const char* Expected;
    int Asked;
    int UndoSteps;  // undo steps that take the text back
  };
  const TCase cases[] = {
      {"replace once", ssoReplace | ssoPrompt, {raReplace}, 1, "X a a a", 1, 1},
      {"skip ends the run", ssoReplace | ssoPrompt, {raSkip}, 1, "a a a a", 1, 0},
      {"cancel", ssoReplace | ssoPrompt, {raCancel}, 1, "a a a a", 1, 0},
      {"replace, then all",
       ssoReplaceAll | ssoPrompt,
       {raReplace, raReplaceAll},
       4,
       "X X X X",
       2,
       2},
      {"skip inside replace all",
       ssoReplaceAll | ssoPrompt,
       {raSkip, raReplace, raSkip, raReplace},
       4,
       "a X a X",
       4,
       2},
      {"cancel inside replace all",
       ssoReplaceAll | ssoPrompt,
       {raReplace, raCancel},
       2,
       "X a a a",
       2,
       1},
  };
  for (const TCase& c : cases) {
    TEditorFixture f("a a a a");
    size_t asked = 0;
    f.edit.OnReplaceText = [&](TCustomCodeEdit*, const std::string& s, const std::string& r,
                               int Line, int Column, TCodeReplaceAction& a) {
      EXPECT_EQ(s, "a");
      EXPECT_EQ(r, "X");
      EXPECT_EQ(Line, 1);
      EXPECT_GE(Column, 1);
      a = asked < c.Answers.size() ? c.Answers[asked] : raCancel;
      ++asked;
    };
    EXPECT_EQ(f.edit.SearchReplace("a", "X", c.Options | ssoEntireScope), c.Count) << c.Name;
    EXPECT_EQ(f.Lines(), c.Expected) << c.Name;
    EXPECT_EQ(int(asked), c.Asked) << c.Name;
    int steps = 0;
    while (f.edit.UndoList().CanUndo()) {
      f.edit.Undo();
      ++steps;
    }
    EXPECT_EQ(steps, c.UndoSteps) << c.Name;
    EXPECT_EQ(f.Lines(), "a a a a") << c.Name;
  }
}

TEST(CodeEditSearch, WithoutAPromptHandlerEveryMatchIsReplaced) {
  TEditorFixture f("a a");
  EXPECT_EQ(f.edit.SearchReplace("a", "b", ssoReplaceAll | ssoPrompt | ssoEntireScope), 2);
  EXPECT_EQ(f.Lines(), "b b");
}

TEST(CodeEditSearch, SelectedOnlyRanges) {
  TEditorFixture f("a a a|a a a|a a a");
  // Normal mode: from (3, 1) to (4, 3).
  f.Select(TPoint(3, 1), TPoint(4, 3));
  EXPECT_EQ(f.edit.SearchReplace("a", "b", ssoReplaceAll | ssoSelectedOnly), 7);
  EXPECT_EQ(f.Lines(), "a b b|b b b|b b a");
  // Line mode: whole lines 2..3, and only the matches change.
  f.SetLines("a a|a a|a a");
  f.edit.SetSelectionMode(smLine);
  f.Select(TPoint(2, 2), TPoint(1, 3));
  EXPECT_EQ(f.edit.SearchReplace("a", "bb", ssoReplaceAll | ssoSelectedOnly), 4);
  EXPECT_EQ(f.Lines(), "a a|bb bb|bb bb");
  EXPECT_EQ(f.edit.SelectionMode(), smLine);
  // Column mode: columns 3..4 of lines 1..3.
  f.SetLines("a a a|a a a|a a a");
  f.edit.SetSelectionMode(smColumn);
  f.Select(TPoint(3, 1), TPoint(4, 3));
  EXPECT_EQ(f.edit.SearchReplace("a", "b", ssoReplaceAll | ssoSelectedOnly), 3);
  EXPECT_EQ(f.Lines(), "a b a|a b a|a b a");
}

TEST(CodeEditSearch, SkipLeavesTheRangeEndWhereItIs) {
  // The range covers "a a"; skipping a lengthening replacement must not
  // stretch it over the third "a".
  TEditorFixture f("a a a");
  f.Select(TPoint(1, 1), TPoint(4, 1));
  const std::vector<TCodeReplaceAction> answers{raSkip, raReplace, raReplace};
  size_t n = 0;
  f.edit.OnReplaceText = [&](TCustomCodeEdit*, const std::string&, const std::string&, int, int,
                             TCodeReplaceAction& a) { a = answers[n++]; };
  EXPECT_EQ(f.edit.SearchReplace("a", "aaa", ssoReplaceAll | ssoPrompt | ssoSelectedOnly), 2);
  EXPECT_EQ(f.Lines(), "a aaa a");
  EXPECT_EQ(n, 2u);
}

TEST(CodeEditSearch, SuppliedSearchEngineIsUsed) {
  TEditorFixture f("abc");
  TCodeEditSearch mine;
  f.edit.OnSearchEngineOverride = [&](TCustomCodeEdit*, TCodeEditSearch*& e) { e = &mine; };
  EXPECT_EQ(f.edit.SearchReplace("b", "", ssoEntireScope), 1);
  EXPECT_EQ(f.edit.SearchEngine(), &mine);
  EXPECT_EQ(mine.Pattern(), "b");
}
