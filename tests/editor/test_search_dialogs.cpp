// The search, replace and confirm-replace dialogs: histories and where the
// confirmation stands.
#include <gtest/gtest.h>

#include "editor/CodeEditDialogs.h"

using namespace qv;

TEST(SearchDialogs, HistoryMovesTheTextToTheTopOnOk) {
  TTextSearchDialog d;
  d.SetSearchTextHistory("one\r\ntwo\r\nthree\r\nfour");
  d.SetSearchText("three");
  d.Closed(false);
  EXPECT_EQ(d.SearchTextHistory(), "one\r\ntwo\r\nthree\r\nfour");
  d.Closed(true);
  EXPECT_EQ(d.SearchTextHistory(), "three\r\none\r\ntwo\r\nfour");
  d.SetSearchText("");
  d.Closed(true);
  EXPECT_EQ(d.SearchHistoryItems().size(), 4u);
  d.SetSearchText("new");
  d.Closed(true);
  EXPECT_EQ(d.SearchHistoryItems().front(), "new");
}

TEST(SearchDialogs, HistoryReadsAtMostTenEntries) {
  TTextSearchDialog d;
  std::string text;
  for (int i = 1; i <= 15; ++i) text += (i > 1 ? "\r\n" : "") + std::to_string(i);
  d.SetSearchTextHistory(text);
  EXPECT_EQ(d.SearchHistoryItems().size(), 15u);
  EXPECT_EQ(d.SearchTextHistory(), "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10");
  d.SetSearchTextHistory("");
  EXPECT_TRUE(d.SearchHistoryItems().empty());
}

TEST(SearchDialogs, ReplaceDialogKeepsBothHistories) {
  TTextReplaceDialog d;
  d.SetSearchText("a");
  d.SetReplaceText("b");
  d.SetReplaceTextHistory("c\r\nb");
  d.Closed(true);
  EXPECT_EQ(d.SearchTextHistory(), "a");
  EXPECT_EQ(d.ReplaceTextHistory(), "b\r\nc");
  d.SetSearchBackwards(true);
  EXPECT_EQ(d.DirectionIndex(), 1);
  EXPECT_STREQ(TTextReplaceDialog::Caption, "Replace text");
}

TEST(SearchDialogs, ConfirmationStandsNextToTheMatch) {
  struct TCase {
    const char* Name;
    TRect Editor;
    int X, Y1, Y2;
    int Left, Top;
  };
  const TCase cases[] = {
      {"below the line", Rect(100, 100, 900, 700), 300, 200, 216, 300, 220},
      {"above the line in the lower third", Rect(100, 100, 900, 700), 300, 600, 616, 300, 498},
      {"kept inside on the right", Rect(100, 100, 900, 700), 800, 200, 216, 900 - 328, 220},
      {"centred on a narrow editor", Rect(100, 100, 300, 700), 150, 200, 216, 100 - 64, 220},
  };
  for (const TCase& c : cases) {
    TConfirmReplaceDialog d;
    d.PrepareShow(c.Editor, c.X, c.Y1, c.Y2, "new");
    EXPECT_EQ(d.Left(), c.Left) << c.Name;
    EXPECT_EQ(d.Top(), c.Top) << c.Name;
    EXPECT_EQ(d.Confirmation(), "Replace this occurence of \"new\"?");
  }
}
