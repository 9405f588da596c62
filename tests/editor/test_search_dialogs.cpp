// The search, replace and confirm-replace dialogs: histories, where the
// confirmation stands, and the dialogs shown as forms of the dialogs
// service (answered by the script).
#include <gtest/gtest.h>

#include "editor/CodeEditDialogs.h"
#include "platform/core/Services.h"

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

namespace {

// Installs a scripted dialogs service for one test.
struct TScriptedScope {
  TScriptedDialogs dialogs;
  TScriptedScope() { SetDialogService(&dialogs); }
  ~TScriptedScope() { SetDialogService(nullptr); }
  TScriptedScope(const TScriptedScope&) = delete;
  TScriptedScope& operator=(const TScriptedScope&) = delete;
};

}  // namespace

TEST(SearchDialogs, SearchFormShowsTheValuesAndTakesThemOnOk) {
  TScriptedScope scope;
  TTextSearchDialog d;
  d.SetSearchText("old");
  d.SetSearchTextHistory("old\r\nearlier");
  d.SetSearchWholeWords(true);
  TFormSpec shown;
  TScriptedDialogs::TAnswer ok;
  ok.Form = [&](TFormSpec& f) {
    shown = f;
    f.Find("cbSearchText")->Text = "new";
    f.Find("cbSearchCaseSensitive")->Checked = true;
    f.Find("cbSearchWholeWords")->Checked = false;
    f.Find("rgSearchDirection")->ItemIndex = 1;
  };
  scope.dialogs.Push(ok);
  EXPECT_EQ(d.ShowModal(), mrOk);
  // The form: the caption, the controls and their captions.
  EXPECT_EQ(shown.Caption, "Search Text");
  EXPECT_TRUE(shown.Centered);
  const struct {
    const char* Name;
    TFormControlKind Kind;
    const char* Caption;
  } controls[] = {
      {"Label1", fcLabel, "&Search for:"},
      {"cbSearchText", fcComboBox, ""},
      {"gbSearchOptions", fcGroupBox, "Options"},
      {"cbSearchCaseSensitive", fcCheckBox, "C&ase sensitivity"},
      {"cbSearchWholeWords", fcCheckBox, "&Whole words only"},
      {"cbSearchFromCursor", fcCheckBox, "Search from &caret"},
      {"cbSearchSelectedOnly", fcCheckBox, "&Selected text only"},
      {"rgSearchDirection", fcRadioGroup, "Direction"},
      {"btnOK", fcButton, "OK"},
      {"btnCancel", fcButton, "Cancel"},
  };
  for (const auto& c : controls) {
    const TFormControl* f = shown.Find(c.Name);
    ASSERT_NE(f, nullptr) << c.Name;
    EXPECT_EQ(f->Kind, c.Kind) << c.Name;
    EXPECT_EQ(f->Caption, c.Caption) << c.Name;
  }
  EXPECT_EQ(shown.Find("cbSearchText")->Text, "old");
  EXPECT_EQ(shown.Find("cbSearchText")->Items, (std::vector<std::string>{"old", "earlier"}));
  EXPECT_TRUE(shown.Find("cbSearchWholeWords")->Checked);
  EXPECT_EQ(shown.Find("rgSearchDirection")->Items,
            (std::vector<std::string>{"&Forward", "&Backward"}));
  EXPECT_EQ(shown.Find("rgSearchDirection")->ItemIndex, 0);
  EXPECT_TRUE(shown.Find("btnOK")->Default);
  EXPECT_TRUE(shown.Find("btnCancel")->Cancel);
  // The values came back and the text went to the top of its history.
  EXPECT_EQ(d.SearchText(), "new");
  EXPECT_TRUE(d.SearchCaseSensitive());
  EXPECT_FALSE(d.SearchWholeWords());
  EXPECT_TRUE(d.SearchBackwards());
  EXPECT_EQ(d.SearchTextHistory(), "new\r\nold\r\nearlier");

  // Cancel keeps everything as it was.
  TScriptedDialogs::TAnswer cancel;
  cancel.Result = mrCancel;
  cancel.Form = [](TFormSpec& f) { f.Find("cbSearchText")->Text = "ignored"; };
  scope.dialogs.Push(cancel);
  EXPECT_EQ(d.ShowModal(), mrCancel);
  EXPECT_EQ(d.SearchText(), "new");
  EXPECT_EQ(d.SearchTextHistory(), "new\r\nold\r\nearlier");
  ASSERT_EQ(scope.dialogs.Log().size(), 2u);
  EXPECT_EQ(scope.dialogs.Log()[0].Kind, "Form");
  EXPECT_EQ(scope.dialogs.Log()[0].Text, "TTextSearchDialog");
}

TEST(SearchDialogs, ReplaceFormAddsTheReplacementBelowTheSearchText) {
  TScriptedScope scope;
  TTextReplaceDialog d;
  d.SetReplaceTextHistory("x");
  TFormSpec shown;
  TScriptedDialogs::TAnswer ok;
  ok.Form = [&](TFormSpec& f) {
    shown = f;
    f.Find("cbSearchText")->Text = "a";
    f.Find("cbReplaceText")->Text = "b";
  };
  scope.dialogs.Push(ok);
  EXPECT_EQ(d.ShowModal(), mrOk);
  EXPECT_EQ(shown.Caption, "Replace text");
  ASSERT_NE(shown.Find("Label2"), nullptr);
  EXPECT_EQ(shown.Find("Label2")->Caption, "&Replace with:");
  ASSERT_NE(shown.Find("cbReplaceText"), nullptr);
  // The groups and buttons stand lower than in the search dialog.
  const TFormSpec search = TTextSearchDialog().BuildForm();
  EXPECT_GT(shown.Find("gbSearchOptions")->Bounds.Top, search.Find("gbSearchOptions")->Bounds.Top);
  EXPECT_GT(shown.Find("btnOK")->Bounds.Top, search.Find("btnOK")->Bounds.Top);
  EXPECT_GT(shown.ClientHeight, search.ClientHeight);
  EXPECT_GT(shown.Find("gbSearchOptions")->Bounds.Top, shown.Find("cbReplaceText")->Bounds.Bottom);
  EXPECT_EQ(d.ReplaceText(), "b");
  EXPECT_EQ(d.ReplaceTextHistory(), "b\r\nx");
  EXPECT_EQ(d.SearchTextHistory(), "a");
}

TEST(SearchDialogs, ConfirmFormStandsWherePrepareShowPutIt) {
  TScriptedScope scope;
  TConfirmReplaceDialog d;
  d.PrepareShow(Rect(100, 100, 900, 700), 300, 600, 616, "new");
  TFormSpec shown;
  TScriptedDialogs::TAnswer all;
  all.Result = TConfirmReplaceDialog::mrYesToAll;
  all.Form = [&](TFormSpec& f) { shown = f; };
  scope.dialogs.Push(all);
  EXPECT_EQ(d.ShowModal(), 10);
  EXPECT_EQ(shown.Caption, "Confirm replace");
  EXPECT_FALSE(shown.Centered);
  EXPECT_EQ(shown.Left, 300);
  EXPECT_EQ(shown.Top, 498);
  EXPECT_EQ(shown.ClientWidth, 328);
  EXPECT_EQ(shown.ClientHeight, 98);
  EXPECT_EQ(shown.Find("lblConfirmation")->Caption, "Replace this occurence of \"new\"?");
  EXPECT_EQ(shown.Find("Image1")->Icon, fiQuestion);
  const struct {
    const char* Name;
    const char* Caption;
    int Result;
  } buttons[] = {{"btnReplace", "&Yes", 6},
                 {"btnSkip", "&No", 7},
                 {"btnCancel", "Cancel", 2},
                 {"btnReplaceAll", "Yes to &all", 10}};
  for (const auto& b : buttons) {
    const TFormControl* c = shown.Find(b.Name);
    ASSERT_NE(c, nullptr) << b.Name;
    EXPECT_EQ(c->Caption, b.Caption);
    EXPECT_EQ(c->ModalResult, b.Result);
  }
  // Any other way of closing it cancels.
  scope.dialogs.PushResult(mrAbort);
  EXPECT_EQ(d.ShowModal(), mrCancel);
  EXPECT_EQ(d.ShowModal(), mrCancel);  // no script: closed
}
