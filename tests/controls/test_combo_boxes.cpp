// The framed combo box and the image combo box: search by typing with its
// 1500 ms reset, completion, read-only use, Enter and MaxLength, the flat
// button and frame, and the image combo's items and drawing.
#include <gtest/gtest.h>

#include <map>

#include "../platform/ComboTestSupport.h"
#include "controls/UiCmboBx.h"
#include "controls/UiThemeSrv.h"
#include "platform/core/FakeControlHost.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;
using qv::combotest::TRecordingComboHost;

namespace {

template <class TCombo>
struct TFixture {
  TFakeFontService fonts{8, 16};
  TCombo combo;
  TFakeControlHost host;
  TRecordingComboHost edit;
  int changes = 0, selects = 0, keyPresses = 0;
  TFixture() : host(&combo, 145, 21, &fonts) {
    SetUxThemeProvider(nullptr);
    FreeThemeServices();
    combo.SetComboHost(&edit);
    combo.OnChange = [this] { ++changes; };
    combo.OnSelect = [this] { ++selects; };
    combo.OnKeyPress = [this](char32_t&) { ++keyPresses; };
  }
  ~TFixture() { combo.SetComboHost(nullptr); }
  void Type(char32_t ch) { combo.KeyPress(ch); }
};

struct TListCombo : TFixture<TUiCustomComboBox> {
  TListCombo() {
    combo.SetStyle(csDropDownList);
    for (const char* s : {"Apple", "Apricot", "Banana", "Blueberry", "Cherry"})
      combo.Items().Add(s);
  }
};

}  // namespace

TEST(FramedComboBox, TypingSearchesAndResetsAfter1500ms) {
  TListCombo f;
  f.Type(U'a');
  EXPECT_EQ(f.combo.ItemIndex(), 0);
  f.host.Advance(1000);
  f.Type(U'p');
  f.Type(U'r');
  EXPECT_EQ(f.combo.ItemIndex(), 1);  // "apr": the first item starting with all three
  EXPECT_EQ(f.combo.SearchText(), "apr");
  EXPECT_EQ(f.changes, 2);
  EXPECT_EQ(f.selects, 2);
  EXPECT_EQ(f.keyPresses, 3);
  EXPECT_TRUE(f.host.TimerActive(ComboSearchTimer));
  EXPECT_EQ(f.host.TimerInterval(ComboSearchTimer), 1500);
  f.host.Advance(1499);
  EXPECT_EQ(f.combo.SearchText(), "apr");
  f.host.Advance(1);  // 1.5 s after the last key
  EXPECT_EQ(f.combo.SearchText(), "");
  EXPECT_FALSE(f.host.TimerActive(ComboSearchTimer));
  f.Type(U'b');  // a new search
  EXPECT_EQ(f.combo.ItemIndex(), 2);
  // No match: a beep, the selection stays.
  f.Type(U'x');
  EXPECT_EQ(f.edit.Beeps, 1);
  EXPECT_EQ(f.combo.ItemIndex(), 2);
  f.combo.SetBeepOnNoMatch(false);
  f.Type(U'y');
  EXPECT_EQ(f.edit.Beeps, 1);
}

TEST(FramedComboBox, BackspaceEscapeAndNavigationKeys) {
  TListCombo f;
  f.Type(U'b');
  f.Type(U'l');
  EXPECT_EQ(f.combo.ItemIndex(), 3);
  f.Type(8);  // back to "b"
  EXPECT_EQ(f.combo.ItemIndex(), 2);
  f.Type(8);  // the whole search text gone: item 0
  EXPECT_EQ(f.combo.ItemIndex(), 0);
  f.Type(8);  // nothing left to remove: beep
  EXPECT_EQ(f.edit.Beeps, 1);
  f.Type(U'c');
  f.Type(27);  // Escape selects item 0
  EXPECT_EQ(f.combo.ItemIndex(), 0);
  EXPECT_EQ(f.combo.SearchText(), "");
  f.combo.SetDroppedDown(true);
  f.Type(U'c');
  f.Type(27);  // ... unless it closes the list
  EXPECT_FALSE(f.combo.DroppedDown());
  EXPECT_EQ(f.combo.ItemIndex(), 4);
  f.Type(U'a');
  int k = VK_DOWN;
  f.combo.KeyDown(k, 0);
  EXPECT_EQ(f.combo.SearchText(), "");
  f.Type(U'b');
  f.combo.FocusOut();
  EXPECT_EQ(f.combo.SearchText(), "");
}

TEST(FramedComboBox, CompletionFromTheItems) {
  TFixture<TUiCustomComboBox> f;
  for (const char* s : {"Alpha", "Beta", "Betamax"}) f.combo.Items().Add(s);
  // Typing completion: "b" becomes "Beta" with "eta" selected.
  char32_t ch = U'b';
  int completions = 0;
  f.combo.OnComplete = [&] { ++completions; };
  f.combo.EditKeyPress(ch);
  EXPECT_EQ(ch, 0u);
  EXPECT_EQ(f.edit.Text, "Beta");
  EXPECT_EQ(f.edit.SelStart, 1);
  EXPECT_EQ(f.edit.SelLength, 3);
  EXPECT_EQ(f.combo.ItemIndex(), 1);
  EXPECT_EQ(completions, 1);
  // With the typed case kept.
  f.combo.SetKeepTypedCase(true);
  f.combo.SetText("");
  ch = U'b';
  f.combo.EditKeyPress(ch);
  EXPECT_EQ(f.edit.Text, "beta");
  // No item fits: the character goes through.
  f.combo.SetText("Be");
  f.combo.SetSelection(2, 0);
  ch = U'x';
  f.combo.EditKeyPress(ch);
  EXPECT_EQ(ch, U'x');
  // Auto-completion after a text change (a paste), not after a deletion.
  f.combo.EditTextChanged("Al", 2, 0);
  EXPECT_EQ(f.edit.Text, "Alpha");
  EXPECT_EQ(f.edit.SelStart, 2);
  f.combo.EditTextChanged("Alph", 4, 0);  // shorter: a deletion
  EXPECT_EQ(f.combo.Text(), "Alph");
  f.combo.SetAutoComplete(false);
  f.combo.EditTextChanged("Bet", 3, 0);
  EXPECT_EQ(f.combo.Text(), "Bet");
}

TEST(FramedComboBox, ReadOnlyEnterMovesOnAndMaxLength) {
  TFixture<TUiCustomComboBox> f;
  f.combo.Items().Add("One");
  f.combo.SetReadOnly(true);
  EXPECT_TRUE(f.edit.ReadOnly);
  f.combo.MouseDown(mbLeft, ssLeft, 140, 10);  // the button
  EXPECT_FALSE(f.combo.DroppedDown());
  f.combo.SetReadOnly(false);
  f.combo.MouseDown(mbLeft, ssLeft, 140, 10);
  EXPECT_TRUE(f.combo.DroppedDown());
  f.combo.CloseUp(false);
  f.combo.SetEnterMovesOn(true);
  char32_t ch = 13;
  f.combo.EditKeyPress(ch);
  EXPECT_EQ(ch, 0u);
  EXPECT_EQ(f.edit.Tabs, 1);
  f.combo.SetMaxLength(3);
  f.combo.SetAutoComplete(false);
  f.combo.SetText("abc");
  ch = U'd';
  f.combo.EditKeyPress(ch);
  EXPECT_EQ(ch, 0u);
  EXPECT_EQ(f.edit.Beeps, 1);
  f.combo.SetSelection(0, 1);  // with a selection the key replaces it
  ch = U'd';
  f.combo.EditKeyPress(ch);
  EXPECT_EQ(ch, U'd');
}

TEST(FramedComboBox, FlatButtonAndFrame) {
  TFixture<TUiCustomComboBox> f;
  f.combo.SetFlatButtons(true);
  TRecordingCanvas c(TRect(0, 0, 145, 21), &f.fonts);
  f.combo.Paint(c, TRect(0, 0, 145, 21));
  // Inactive: the button area in the control's colour, a classic arrow.
  const TRect button(145 - 2 - 17, 2, 145 - 2, 19);
  bool plain = false;
  for (const TCanvasCall& call : c.Calls())
    if (call.Op == "FillRect" &&
        call.Args == std::vector<int>{button.Left, button.Top, button.Right, button.Bottom})
      plain = plain || call.State.BrushColor == clWindow;
  EXPECT_TRUE(plain);
  // Under the mouse: FlatButtonColor with a raised one-pixel bevel.
  f.combo.MouseMove(0, 10, 10);
  c.Clear();
  f.combo.Paint(c, TRect(0, 0, 145, 21));
  const auto lines = c.Find("LineTo");
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4]->State.PenColor, clBtnHighlight);
  // A custom frame: fsFlat in FrameColor around the control.
  f.combo.SetFramingPreference(fpCustomFraming);
  f.combo.SetFrameVisible(true);
  f.combo.SetFrameColor(clRed);
  c.Clear();
  f.combo.Paint(c, TRect(0, 0, 145, 21));
  EXPECT_EQ(c.Find("LineTo").back()->State.PenColor, clRed);
  EXPECT_EQ(c.Find("LineTo").back()->Args, (std::vector<int>{0, 20, 145, 20}));
}

TEST(FramedComboBox, ControllerPushesFlatButtons) {
  TFixture<TUiCustomComboBox> f;
  TUiFrameController fc;
  fc.SetFlatButtonColor(clYellow);
  f.combo.SetFrameController(&fc);
  EXPECT_TRUE(f.combo.FlatButtons());
  EXPECT_EQ(f.combo.FlatButtonColor(), clYellow);
}

// ---- image combo ------------------------------------------------------------------------

namespace {

struct TImageCombo : TFixture<TUiCustomImageComboBox> {
  TCustomImageList images{16, 16};
  TImageCombo() {
    images.Add(TImage(16, 16, clRed));
    combo.SetImages(&images);
    combo.AddItem("Desktop", 0, 0);
    combo.AddItem("Documents", 0, 1);
    combo.AddItem("Models", 0, 2);
  }
};

}  // namespace

TEST(ImageComboBox, ItemsAreIndentedInTheListButFlushInTheFace) {
  TImageCombo f;
  EXPECT_EQ(f.combo.ItemIndent(), 12);
  TRecordingCanvas c(TRect(0, 0, 200, 200), &f.fonts);
  f.combo.SetDroppedDown(true);
  f.combo.ListCore().Paint(c, TRect(0, 0, 145, 60));
  std::map<std::string, int> textX;
  for (const TCanvasCall& call : c.Calls())
    if (call.Op == "TextRect") textX[call.Text] = call.Args[4];
  // x = image width + 4 + indent + left + 1, drawn at x + 1.
  EXPECT_EQ(textX["Desktop"], 16 + 4 + 0 + 1 + 1);
  EXPECT_EQ(textX["Models"], 16 + 4 + 24 + 1 + 1);
  f.combo.CloseUp(false);
  f.combo.SetItemIndex(2);
  c.Clear();
  f.combo.Paint(c, TRect(0, 0, 145, 21));
  const TCanvasCall* face = c.First("TextRect");
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->Text, "Models");
  EXPECT_EQ(face->Args[4], 3 + 16 + 4 + 0 + 1 + 1);  // flush: the face's left is 3
  EXPECT_EQ(c.Count("Draw"), 1);                     // the image
}

// The image list may be shared (the system's icons, with the shell list
// beside the combo): painting the combo changes nothing in it, so no user
// of the list is told to paint again, and the icons still sit on the
// combo's colour.
TEST(ImageComboBox, PaintingLeavesASharedImageListAlone) {
  TImageCombo f;
  f.images.SetBkColor(clYellow);
  TChangeLink other;
  int changes = 0;
  other.OnChange = [&] { ++changes; };
  f.images.RegisterChanges(&other);
  f.combo.SetColor(clAqua);
  f.combo.SetItemIndex(1);
  TRecordingCanvas c(TRect(0, 0, 200, 200), &f.fonts);
  f.combo.Paint(c, TRect(0, 0, 145, 21));
  f.combo.SetDroppedDown(true);
  f.combo.ListCore().Paint(c, TRect(0, 0, 145, 60));
  f.combo.CloseUp(false);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(f.images.BkColor(), clYellow);
  // Every icon's cell is filled with the combo's colour before it is drawn.
  int iconFills = 0;
  TColor lastFill = clNone;
  for (const TCanvasCall& call : c.Calls()) {
    if (call.Op == "FillRect") lastFill = call.State.BrushColor;
    if (call.Op == "Draw" && lastFill == clAqua) ++iconFills;
  }
  EXPECT_EQ(iconFills, c.Count("Draw"));
  EXPECT_GT(iconFills, 0);
  f.images.UnRegisterChanges(&other);
}

TEST(ImageComboBox, CaptionsFindDeleteAndHeights) {
  TImageCombo f;
  EXPECT_EQ(f.combo.IndexOfCaption("documents"), 1);
  EXPECT_EQ(f.combo.IndexOfCaption("Doc"), -1);
  EXPECT_EQ(f.combo.FindItem("mo"), 2);
  EXPECT_EQ(f.combo.Text(), "");
  // Font height 16 + 4, at least the image's 16.
  EXPECT_EQ(f.combo.ItemHeight(), 20);
  TCustomImageList big(32, 32);
  f.combo.SetImages(&big);
  EXPECT_EQ(f.combo.ItemHeight(), 32);
  f.combo.SetImages(&f.images);
  std::vector<std::string> deleted;
  f.combo.OnDeleteItem = [&](TUiCustomImageComboBox&, TUiImageComboBoxItem& it) {
    deleted.push_back(it.Caption());
  };
  f.combo.DeleteItem(0);
  EXPECT_EQ(deleted, std::vector<std::string>{"Desktop"});
  EXPECT_EQ(f.combo.Item(0)->Caption(), "Documents");
  EXPECT_EQ(f.combo.Item(0)->Index(), 0);
  f.combo.ClearItems();
  EXPECT_EQ(deleted.size(), 3u);
  // Typing search runs over the captions.
  f.combo.AddItem("Alpha", -1, 0);
  f.combo.AddItem("Beta", -1, 0);
  f.Type(U'b');
  EXPECT_EQ(f.combo.ItemIndex(), 1);
}

TEST(ImageComboBox, ItemsNotOwnedSurviveDeletion) {
  TImageCombo f;
  f.combo.SetOwnsItems(false);
  TUiImageComboBoxItem* kept = nullptr;
  f.combo.OnDeleteItem = [&](TUiCustomImageComboBox&, TUiImageComboBoxItem& it) { kept = &it; };
  f.combo.DeleteItem(1);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->Caption(), "Documents");  // still alive: the deleter owns it now
  delete kept;
}

TEST(ColorNames, TableHoldsTheBasicAndSystemColours) {
  EXPECT_EQ(std::string(UiColorNames[0].Name), "Default");
  EXPECT_EQ(std::string(UiColorNames[13].Name), "Yellow");
  EXPECT_EQ(UiColorNames[13].Value, 0x00FFFFu);
  EXPECT_EQ(std::string(UiColorNames[42].Name), "InfoBk");
  EXPECT_EQ(UiColorNames[42].Value, 0x80000018u);
}
