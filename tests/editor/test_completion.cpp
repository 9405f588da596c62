// The completion pop-up on an editor without a display: opening by the
// shortcut and by the trigger timer, narrowing to the typed text, keys in
// the list, accepting as one undo step, placement in the work area, pretty
// text and painting.
#include <gtest/gtest.h>

#include "EditorTestSupport.h"
#include "editor/CodeCompletionProposal.h"
#include "platform/core/FakeControlHost.h"

namespace qv {
namespace {

using test::TEditorFixture;

// A window that records what the form asks of it.
class TFakeCompletionWindow : public TCompletionWindow {
 public:
  void SetBounds(const TRect& R) override { bounds = R; }
  void ShowWindow(bool Activate) override {
    shown = true;
    activated = Activate;
  }
  void HideWindow() override { shown = false; }
  TRect WorkArea(TPoint) const override { return work; }
  void SetScrollBarBounds(const TRect& R, bool Visible) override {
    bar = R;
    barVisible = Visible;
  }
  bool ApplicationActive() const override { return appActive; }

  TRect bounds, bar;
  TRect work{0, 0, 1024, 768};
  bool shown = false, activated = false, barVisible = false, appActive = true;
};

// Names of the math list; six begin with "ar".
const char* const kMath[] = {"Abs",     "ArcCos", "ArcCosh", "ArcSin", "ArcSinh", "ArcTan",
                             "ArcTanh", "Cos",    "Cosh",    "Exp",    "Frac",    "Int",
                             "Ln",      "Log10",  "Log2",    "Max",    "Min",     "Power",
                             "Round",   "Sin",    "Sinh",    "Sqr",    "Sqrt"};

struct CompletionFixture : ::testing::Test {
  TEditorFixture ed{"x = "};
  TCodeCompletionProposal p;
  TFakeCompletionWindow window;

  CompletionFixture() {
    // Blanks typed at a line's end stay, so that lines read as typed.
    ed.edit.SetOptions(ed.edit.Options() & ~eoTrimTrailingSpaces);
    p.Form().SetWindow(&window);
    p.SetTitle("Math Functions");
    p.SetOptions(scoLimitToMatchedText | scoUseInsertList | scoUsePrettyText);
    for (const char* name : kMath)
      p.AddItem(std::string("Function \t") + name + "\t(X: Real): Real;", std::string(name) + "()");
    p.SetEditor(&ed.edit);
    ed.Goto(5, 1);
  }
  ~CompletionFixture() override { p.Form().SetWindow(nullptr); }

  TCodeBaseCompletionProposalForm& Form() { return p.Form(); }
  void Open() { ed.Key(VK_SPACE, ssCtrl); }
  // A key into the pop-up as the window system sends it: the key, then its
  // character.
  void ListKey(int VK, char32_t Ch = 0, TShiftState Shift = 0) {
    int key = VK;
    Form().KeyDown(key, Shift);
    if (Ch) Form().KeyPress(Ch);
  }
  void ListType(const std::string& Text) {
    for (char32_t c : UTF8ToCodePoints(Text)) {
      const int vk = c >= U'a' && c <= U'z' ? int(c - 32) : (c == U' ' ? VK_SPACE : 0);
      if (vk)
        ListKey(vk, c);
      else
        Form().KeyPress(c);
    }
  }
  std::string Shown(int I) { return Form().ItemList().Get(I); }
};

TEST_F(CompletionFixture, TypingNarrowsTheListAndEnterInsertsOneUndoStep) {
  Open();
  ASSERT_TRUE(p.Active());
  EXPECT_TRUE(window.shown);
  EXPECT_TRUE(window.activated);
  EXPECT_EQ(Form().ItemList().Count(), 23);
  ListType("ar");
  EXPECT_EQ(ed.Lines(), "x = ar");
  ASSERT_EQ(Form().ItemList().Count(), 6);
  EXPECT_EQ(Shown(0), "Function \tArcCos\t(X: Real): Real;");
  EXPECT_EQ(Shown(5), "Function \tArcTanh\t(X: Real): Real;");
  ListKey(VK_DOWN);
  ListKey(VK_DOWN);
  EXPECT_EQ(p.Position(), 2);
  ListKey(VK_RETURN, U'\r');
  EXPECT_FALSE(p.Active());
  EXPECT_FALSE(window.shown);
  EXPECT_EQ(ed.Lines(), "x = ArcSin()");
  EXPECT_EQ(ed.edit.CaretXY(), TPoint(13, 1));
  EXPECT_FALSE(ed.edit.SelAvail());
  ed.edit.Undo();
  EXPECT_EQ(ed.Lines(), "x = ar");
  ed.edit.Redo();
  EXPECT_EQ(ed.Lines(), "x = ArcSin()");
}

TEST_F(CompletionFixture, TheListNarrowsToTheTypedPrefixWithoutRegardToCase) {
  struct TCase {
    const char* Typed;
    int Count;
    const char* First;
  };
  const TCase cases[] = {{"", 23, "Abs"},       {"a", 7, "Abs"},  {"AR", 6, "ArcCos"},
                         {"arcs", 2, "ArcSin"}, {"sq", 2, "Sqr"}, {"log1", 1, "Log10"},
                         {"zz", 0, nullptr},    {"s", 4, "Sin"}};
  for (const TCase& c : cases) {
    p.ExecuteEx(c.Typed, 10, 10, ctCode);
    EXPECT_EQ(Form().ItemList().Count(), c.Count) << c.Typed;
    if (c.First) {
      EXPECT_EQ(Shown(0), std::string("Function \t") + c.First + "\t(X: Real): Real;");
    }
    EXPECT_EQ(p.Position(), 0);
  }
  // Without narrowing the whole list stays and the first match is selected.
  p.SetOptions(scoUseInsertList | scoUsePrettyText);
  p.ExecuteEx("cos", 10, 10, ctCode);
  EXPECT_EQ(Form().ItemList().Count(), 23);
  EXPECT_EQ(p.Position(), 7);
  // Without pretty text the whole item is compared.
  p.SetOptions(scoLimitToMatchedText);
  p.ExecuteEx("function \tar", 10, 10, ctCode);
  EXPECT_EQ(Form().ItemList().Count(), 6);
}

TEST_F(CompletionFixture, AnEndOfTokenCharacterAcceptsOnlyWithEndCharCompletion) {
  Open();
  ListType("ab(");
  EXPECT_EQ(ed.Lines(), "x = ab(");
  EXPECT_FALSE(p.Active());

  ed.SetLines("x = ");
  ed.Goto(5, 1);
  p.SetOptions(p.Options() | scoEndCharCompletion);
  Open();
  ListType("ab(");
  EXPECT_EQ(ed.Lines(), "x = Abs()(");
  // A blank is an end of token too.
  ed.SetLines("y = ");
  ed.Goto(5, 1);
  Open();
  ListType("ex ");
  EXPECT_EQ(ed.Lines(), "y = Exp() ");
}

TEST_F(CompletionFixture, KeysMoveTheSelectionAndCloseTheList) {
  Open();
  ListKey(VK_END);
  EXPECT_EQ(p.Position(), 22);
  EXPECT_EQ(Form().ScrollPos(), 15);
  ListKey(VK_PRIOR);
  EXPECT_EQ(p.Position(), 14);
  ListKey(VK_HOME);
  EXPECT_EQ(p.Position(), 0);
  ListKey(VK_NEXT);
  EXPECT_EQ(p.Position(), 8);
  EXPECT_EQ(Form().ScrollPos(), 1);
  ListKey(VK_UP, 0, ssCtrl);
  EXPECT_EQ(p.Position(), 0);
  ListKey(VK_DOWN, 0, ssCtrl);
  EXPECT_EQ(p.Position(), 22);
  ListKey(VK_UP);
  EXPECT_EQ(p.Position(), 21);
  // Shift alone does nothing; Escape cancels.
  int cancelled = 0;
  p.OnCancelled = [&](void*) { ++cancelled; };
  ListKey(VK_SHIFT);
  EXPECT_TRUE(p.Active());
  ListKey(VK_ESCAPE, 27);
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(cancelled, 1);
  EXPECT_EQ(ed.Lines(), "x = ");

  // Backspace takes back a typed letter; on nothing typed it cancels and
  // deletes the character before the caret.
  Open();
  ListType("arc");
  ListKey(VK_BACK, 8);
  EXPECT_EQ(Form().CurrentString(), "ar");
  EXPECT_EQ(ed.Lines(), "x = ar");
  EXPECT_TRUE(p.Active());
  ListKey(VK_BACK, 8);
  ListKey(VK_BACK, 8);
  EXPECT_EQ(ed.Lines(), "x = ");
  ListKey(VK_BACK, 8);
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(ed.Lines(), "x =");
  EXPECT_EQ(cancelled, 2);

  // Left and right cancel and move the caret; other control characters
  // cancel.
  Open();
  ListKey(VK_LEFT);
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(ed.edit.CaretX(), 3);
  Open();
  char32_t ctrlA = 1;
  Form().KeyPress(ctrlA);
  EXPECT_FALSE(p.Active());
}

TEST_F(CompletionFixture, AcceptingAnEmptyListLeavesTheTypedText) {
  Open();
  ListType("zq");
  EXPECT_EQ(Form().ItemList().Count(), 0);
  std::string after = "-";
  p.OnAfterCodeCompletion = [&](const std::string& V, TShiftState, int, char32_t) { after = V; };
  ListKey(VK_RETURN, U'\r');
  EXPECT_EQ(ed.Lines(), "x = zq");
  EXPECT_EQ(after, "zq");
  EXPECT_FALSE(p.Active());
}

TEST_F(CompletionFixture, OnCodeCompletionMayChangeTheValue) {
  p.OnCodeCompletion = [](std::string& Value, TShiftState, int Index, char32_t EndToken) {
    Value = "[" + Value + ":" + std::to_string(Index) + ":" + std::to_string(int(EndToken)) + "]";
  };
  Open();
  ListType("co");
  ListKey(VK_DOWN);
  ListKey(VK_TAB, 9);
  EXPECT_EQ(ed.Lines(), "x = [Cosh():1:0]");
}

TEST_F(CompletionFixture, TheShortcutOpensAtTheCaretAndIsSwallowed) {
  ed.Type("ab");
  // The shortcut's character (Ctrl+M gives a CR) is swallowed, not typed.
  p.SetShortCut(scCtrl | 'M');
  ed.Key('M', ssCtrl);
  ASSERT_TRUE(p.Active());
  EXPECT_EQ(ed.Lines(), "x = ab");
  EXPECT_EQ(Form().CurrentString(), "ab");
  EXPECT_EQ(Form().ItemList().Count(), 1);
  // The pop-up sits one line below the caret's top (no window: screen =
  // client pixels).
  const TPoint caret = ed.edit.RowColumnToPixels(TPoint(7, 1));
  EXPECT_EQ(Form().Bounds().Left, caret.X);
  EXPECT_EQ(Form().Bounds().Top, caret.Y + ed.edit.LineHeight());
  EXPECT_EQ(Form().Bounds().Width(), 262);
  EXPECT_EQ(Form().Bounds().Height(), Form().ItemHeight() * 8 + 2 + Form().TitleBand());
  // While shown the editor keeps its caret and hands the focus to the list.
  EXPECT_TRUE(ed.edit.AlwaysShowCaret());
  void* taker = nullptr;
  ed.edit.OnFocusTaker = [&](void* C) { taker = C; };
  ed.edit.SetFocus();
  EXPECT_EQ(taker, &Form());
  ListKey(VK_ESCAPE, 27);
  EXPECT_FALSE(ed.edit.AlwaysShowCaret());
  taker = nullptr;
  ed.edit.SetFocus();
  EXPECT_EQ(taker, nullptr);
}

TEST_F(CompletionFixture, AReadOnlyEditorNeverOpensThePopup) {
  ed.edit.SetReadOnly(true);
  Open();
  EXPECT_FALSE(p.Active());
  p.ActivateForEditor(&ed.edit);
  EXPECT_FALSE(p.Active());
}

TEST_F(CompletionFixture, OnExecuteMayVetoOrChangeThePlace) {
  bool allow = false;
  p.OnExecute = [&](CodeCompletionType Kind, void*, std::string& S, int& X, int& Y, bool& Can) {
    EXPECT_EQ(Kind, ctCode);
    S = "sq";
    X = 100;
    Y = 200;
    Can = allow;
  };
  Open();
  EXPECT_FALSE(p.Active());
  allow = true;
  Open();
  ASSERT_TRUE(p.Active());
  EXPECT_EQ(Form().ItemList().Count(), 2);
  EXPECT_EQ(Form().Bounds().Left, 100);
  // A veto hides a list that is showing.
  allow = false;
  Open();
  EXPECT_FALSE(p.Active());
}

TEST_F(CompletionFixture, ThePopupStaysInsideTheWorkArea) {
  window.work = TRect(0, 0, 800, 600);
  const int h = Form().ItemHeight() * 8 + 2 + Form().TitleBand();
  struct TCase {
    int X, Y, Left, Top;
  };
  const int lh = ed.edit.LineHeight();
  const TCase cases[] = {{100, 100, 100, 100},
                         {700, 100, 700 - 262, 100},
                         {100, 590, 100, 590 - h - lh},
                         {780, 590, 780 - 262, 590 - h - lh},
                         {200, 600 - h, 200, 600 - h}};
  for (const TCase& c : cases) {
    Form().SetCurrentEditor(&ed.edit);
    p.ExecuteEx("", c.X, c.Y, ctCode);
    EXPECT_EQ(window.bounds.Left, c.Left) << c.X << "," << c.Y;
    EXPECT_EQ(window.bounds.Top, c.Top) << c.X << "," << c.Y;
  }
  // The scroll bar sits below the title band at the right edge.
  EXPECT_TRUE(window.barVisible);
  EXPECT_EQ(window.bar, TRect(262 - 1 - 16, Form().TitleBand() + 1, 261, h - 1));
}

TEST_F(CompletionFixture, ScrollBarFollowsTheListLength) {
  TFakeControlHost host(&Form(), 262, 120, &ed.fonts);
  Open();
  EXPECT_EQ(host.GetScrollInfo(sbVertical).Max, 15);
  EXPECT_EQ(host.GetScrollInfo(sbVertical).Page, 8);
  ListType("arc");
  EXPECT_EQ(Form().ScrollMax(), 0);
  EXPECT_EQ(host.GetScrollInfo(sbVertical).Max, 0);
  // Scrolling keeps the selection among the lines shown.
  ListKey(VK_ESCAPE, 27);
  ed.SetLines("x = ");
  ed.Goto(5, 1);
  Open();
  Form().Scroll(sbVertical, scPosition, 10);
  EXPECT_EQ(Form().ScrollPos(), 10);
  EXPECT_EQ(p.Position(), 10);
  Form().Scroll(sbVertical, scBottom, 0);
  EXPECT_EQ(Form().ScrollPos(), 15);
  Form().Scroll(sbVertical, scLineUp, 0);
  EXPECT_EQ(Form().ScrollPos(), 14);
  EXPECT_EQ(p.Position(), 15);
  Form().Scroll(sbVertical, scPosition, 99);
  EXPECT_EQ(Form().ScrollPos(), 15);
  host.Attach(nullptr);
}

TEST_F(CompletionFixture, MouseClicksSelectAndTheWheelMoves) {
  Open();
  const int band = Form().TitleBand(), ih = Form().ItemHeight();
  Form().MouseDown(mbLeft, 0, 20, band + 1 + 3 * ih + 2);
  EXPECT_EQ(p.Position(), 3);
  Form().MouseDown(mbLeft, 0, 20, 2);  // the title
  EXPECT_EQ(p.Position(), 3);
  EXPECT_TRUE(Form().MouseWheel(0, -120, 0, 0));
  EXPECT_EQ(p.Position(), 6);
  Form().MouseWheel(0, -60, 0, 0);
  EXPECT_EQ(p.Position(), 6);
  Form().MouseWheel(0, -60, 0, 0);  // the halves add up to a notch
  EXPECT_EQ(p.Position(), 9);
  Form().MouseWheel(ssCtrl, 240, 0, 0);
  EXPECT_EQ(p.Position(), 0);
}

TEST_F(CompletionFixture, TheTriggerTimerOpensThePopupAfterADot) {
  TFakeControlHost host(&Form(), 262, 120, &ed.fonts);
  p.SetOptions(p.Options() | scoUseBuiltInTimer);
  ed.Type("a.");
  EXPECT_TRUE(host.TimerActive(TCodeCompletionProposal::TriggerTimerId));
  EXPECT_EQ(host.TimerInterval(TCodeCompletionProposal::TriggerTimerId), 1000);
  host.Advance(999);
  EXPECT_FALSE(p.Active());
  host.Advance(1);
  ASSERT_TRUE(p.Active());
  EXPECT_FALSE(host.TimerActive(TCodeCompletionProposal::TriggerTimerId));
  EXPECT_EQ(Form().CurrentString(), "");
  ListType("s");
  EXPECT_EQ(ed.Lines(), "x = a.s");
  ListKey(VK_RETURN, U'\r');
  EXPECT_EQ(ed.Lines(), "x = a.Sin()");

  // Another key before the time stops the timer; an inactive application
  // gets no pop-up.
  ed.Type(".");
  ed.Type("q");
  EXPECT_FALSE(host.TimerActive(TCodeCompletionProposal::TriggerTimerId));
  window.appActive = false;
  ed.Type(".");
  host.Advance(1000);
  EXPECT_FALSE(p.Active());
  host.Attach(nullptr);
}

TEST_F(CompletionFixture, DetachingStopsTheTriggerTimer) {
  TFakeControlHost host(&Form(), 262, 120, &ed.fonts);
  p.SetOptions(p.Options() | scoUseBuiltInTimer);
  ed.Type(".");
  ASSERT_TRUE(host.TimerActive(TCodeCompletionProposal::TriggerTimerId));
  p.DetachEditor(&ed.edit);
  EXPECT_FALSE(host.TimerActive(TCodeCompletionProposal::TriggerTimerId));
  host.Advance(2000);
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(p.EditorsCount(), 0);
  // The editor no longer calls into the proposal.
  ed.Key(VK_SPACE, ssCtrl);
  EXPECT_FALSE(p.Active());

  // An editor that is destroyed with the pop-up open and the timer running
  // is let go of.
  auto other = std::make_unique<TCodeEdit>();
  other->SetText("z");
  p.AttachEditor(other.get());
  p.AttachEditor(other.get());
  EXPECT_EQ(p.EditorsCount(), 1);
  other->SetCaretXY(TPoint(2, 1));
  p.ActivateForEditor(other.get());
  ASSERT_TRUE(p.Active());
  EXPECT_EQ(p.CurrentEditor(), other.get());
  char32_t dot = U'.';
  other->KeyPress(dot);
  other.reset();
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(p.EditorsCount(), 0);
  EXPECT_EQ(p.CurrentEditor(), nullptr);
  host.Advance(2000);
  EXPECT_FALSE(p.Active());
  host.Attach(nullptr);
}

TEST_F(CompletionFixture, ItemsAreAddedToTheWholeList) {
  try {
    p.AddItemAt(24, "x", "y");
    ADD_FAILURE() << "no exception";
  } catch (const ECompletionProposal& e) {
    EXPECT_EQ(e.Message(), "Cannot insert item at position 24.");
  }
  EXPECT_THROW(p.AddItemAt(-1, "x", "y"), ECompletionProposal);
  p.ExecuteEx("ar", 0, 0, ctCode);
  EXPECT_EQ(Form().ItemList().Count(), 6);
  p.AddItemAt(0, "Function \tArg\t(Z: Complex): Real;", "Arg()");
  EXPECT_EQ(Form().ItemList().Count(), 24);
  EXPECT_EQ(p.DisplayItem(0), "Function \tArg\t(Z: Complex): Real;");
  EXPECT_EQ(p.InsertItem(1), "Abs()");
  EXPECT_EQ(p.InsertItem(99), "");
  p.ExecuteEx("ar", 0, 0, ctCode);
  EXPECT_EQ(Form().ItemList().Count(), 7);
  EXPECT_EQ(Form().FullIndex(0), 0);
  EXPECT_EQ(Form().FullIndex(1), 2);
  p.ClearList();
  EXPECT_EQ(p.ItemList().Count(), 0);
  EXPECT_EQ(p.InsertList().Count(), 0);
}

TEST(CompletionText, FormatParameterListMarksTheCurrentEntry) {
  EXPECT_EQ(FormatParameterList("a, b,c", 1), "a, \tb\t, c");
  EXPECT_EQ(FormatParameterList("x: Real", 0), "\tx: Real\t");
  EXPECT_EQ(FormatParameterList("a,b", 5), "a, b");
}

// The characters drawn by PrettyTextOut with their x and style.
struct TDrawn {
  std::string Text;
  int X;
  bool Bold;
  TColor Color;
};
std::vector<TDrawn> Drawn(const TRecordingCanvas& C) {
  std::vector<TDrawn> r;
  for (const TCanvasCall* c : C.Find("TextOut"))
    r.push_back({c->Text, c->Args[0], c->State.FontStyle.Contains(fsBold), c->State.TextColor});
  return r;
}

TEST(CompletionText, PrettyTextAlignsTheNameColumnAndTogglesBold) {
  TFakeFontService fonts(8, 16);
  TRecordingCanvas c(TRect(0, 0, 300, 20), &fonts);
  c.Font.SetColor(clBlack);
  c.SetTextColor(clBlack);
  // The first column stops at the width of "WORD" (32 pixels).
  PrettyTextOut(c, 1, 0, "Procedure \tAbs\t()", false, true, "WORD");
  const auto d = Drawn(c);
  ASSERT_EQ(d.size(), 4u + 3u + 2u);
  EXPECT_EQ(d[0].Text, "P");
  EXPECT_EQ(d[3].Text, "c");
  EXPECT_EQ(d[3].X, 1 + 24);
  EXPECT_EQ(d[4].Text, "A");
  EXPECT_EQ(d[4].X, 1 + 32 + 1);
  EXPECT_TRUE(d[4].Bold);
  EXPECT_FALSE(d[3].Bold);
  // Leaving bold adds one pixel.
  EXPECT_EQ(d[7].Text, "(");
  EXPECT_EQ(d[7].X, 1 + 32 + 1 + 24 + 1);
  EXPECT_FALSE(d[7].Bold);
  EXPECT_EQ(c.Font.Style(), TFontStyles());
}

TEST(CompletionText, PrettyTextCodesAreReadWithinTheText) {
  TFakeFontService fonts(8, 16);
  const std::string red = std::string("\x01\xFF", 2) + std::string(2, '\0');
  struct TCase {
    std::string Text;
    bool Selected;
    std::string Expected;  // the characters drawn
  };
  const TCase cases[] = {
      {"a" + red + "b", false, "ab"},
      {"ab\x01\x10\x20", false, "ab"},  // colour cut off
      {"ab\x02", false, "ab"},          // style letter missing
      {"a\x02"
       "Bb\x02"
       "b"
       "c",
       false, "abc"},
      {"\x01", false, ""},
  };
  for (const TCase& t : cases) {
    TRecordingCanvas c(TRect(0, 0, 300, 20), &fonts);
    c.SetTextColor(clBlack);
    PrettyTextOut(c, 0, 0, t.Text, t.Selected, false, "W");
    std::string drawn;
    for (const TDrawn& d : Drawn(c)) drawn += d.Text;
    EXPECT_EQ(drawn, t.Expected);
  }
  TRecordingCanvas c(TRect(0, 0, 300, 20), &fonts);
  c.SetTextColor(clBlack);
  PrettyTextOut(c, 0, 0,
                "a" + red +
                    "b\x02"
                    "Bc\x02"
                    "Ud",
                false, false, "W");
  auto d = Drawn(c);
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[1].Color, RGB(255, 0, 0));
  EXPECT_TRUE(d[2].Bold);
  EXPECT_EQ(c.Find("TextOut")[3]->State.FontStyle, (TFontStyles{fsBold, fsUnderline}));
  // The selected item keeps its colour.
  TRecordingCanvas s(TRect(0, 0, 300, 20), &fonts);
  s.SetTextColor(clWhite);
  PrettyTextOut(s, 0, 0, "a" + red + "b", true, false, "W");
  EXPECT_EQ(Drawn(s)[1].Color, clWhite);
}

TEST_F(CompletionFixture, PaintingShowsTheVisibleItemsAndTheTitle) {
  TFakeControlHost host(&Form(), 262, 120, &ed.fonts);
  p.SetOptions(p.Options() | scoTitleIsCentered);
  Open();
  ListType("arc");
  ListKey(VK_DOWN);
  const TRect b = Form().Bounds();
  TRecordingCanvas c(TRect(0, 0, b.Width(), b.Height()), &ed.fonts);
  Form().Paint(c, TRect(0, 0, b.Width(), b.Height()));
  const TCanvasCall* frame = c.First("FrameRect");
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Args, (std::vector<int>{0, 0, b.Width(), b.Height()}));
  EXPECT_EQ(frame->State.BrushColor, clBlack);
  const int band = Form().TitleBand(), ih = Form().ItemHeight();
  // The selected band in the selection colour.
  bool selectedBand = false;
  for (const TCanvasCall* f : c.Find("FillRect"))
    if (f->Args == std::vector<int>{1, band + 1 + ih, 262 - 17, band + 1 + 2 * ih})
      selectedBand = f->State.BrushColor == clHighlight;
  EXPECT_TRUE(selectedBand);
  // Six items drawn, the title centred.
  std::string text;
  for (const TCanvasCall* t : c.Find("TextOut")) text += t->Text;
  EXPECT_NE(text.find("ArcCos"), std::string::npos);
  EXPECT_NE(text.find("ArcTanh"), std::string::npos);
  EXPECT_EQ(text.find("Abs"), std::string::npos);
  const TCanvasCall* title = c.Find("TextOut").back();
  EXPECT_EQ(title->Text, "Math Functions");
  EXPECT_EQ(title->Args[0], (262 - 14 * 8) / 2);
  host.Attach(nullptr);
}

TEST_F(CompletionFixture, AParameterHintFollowsTheTypingAndEscapeCancelsIt) {
  p.SetDefaultType(ctParams);
  p.ClearList();
  p.AddItem("X: Real, Y: Real", "");
  int cancelled = 0;
  p.OnCancelled = [&](void*) { ++cancelled; };
  p.ActivateForEditor(&ed.edit);
  ASSERT_TRUE(p.Active());
  EXPECT_FALSE(window.activated);
  EXPECT_FALSE(window.barVisible);
  EXPECT_EQ(Form().Bounds().Height(), Form().ItemHeight() + 4);
  // Typing moves it along; Escape typed in the editor cancels it.
  ed.Type("a");
  EXPECT_TRUE(p.Active());
  char32_t esc = 27;
  ed.edit.KeyPress(esc);
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(cancelled, 1);
}

}  // namespace
}  // namespace qv
