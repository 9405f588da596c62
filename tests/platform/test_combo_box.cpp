// The combo box core: selection and its notifications, the edit field,
// the drop-down list, keyboard and wheel.
#include <gtest/gtest.h>

#include "ComboTestSupport.h"
#include "platform/core/FakeControlHost.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;
using qv::combotest::TRecordingComboHost;

namespace {

struct TComboFixture {
  TFakeFontService fonts{8, 16};
  TCustomComboBox combo;
  TFakeControlHost host;
  TRecordingComboHost edit;
  std::vector<std::string> events;
  TComboFixture() : host(&combo, 145, 21, &fonts) {
    combo.SetComboHost(&edit);
    for (const char* s : {"Alpha", "Beta", "Gamma", "Delta"}) combo.Items().Add(s);
    combo.OnChange = [this] { events.push_back("change"); };
    combo.OnSelect = [this] { events.push_back("select"); };
    combo.OnDropDown = [this] { events.push_back("dropdown"); };
    combo.OnCloseUp = [this] { events.push_back("closeup"); };
    combo.OnSelEndOk = [this] { events.push_back("ok"); };
    combo.OnSelEndCancel = [this] { events.push_back("cancel"); };
  }
  ~TComboFixture() { combo.SetComboHost(nullptr); }
  int Key(int vk, TShiftState s = 0) {
    int k = vk;
    combo.KeyDown(k, s);
    return combo.ItemIndex();
  }
};

}  // namespace

TEST(ComboBox, SelectingByKeysNotifiesAndFillsTheEditField) {
  TComboFixture f;
  EXPECT_EQ(f.Key(VK_DOWN), 0);
  EXPECT_EQ(f.edit.Text, "Alpha");
  EXPECT_EQ(f.edit.SelLength, 5);
  EXPECT_EQ(f.Key(VK_END), 3);
  EXPECT_EQ(f.Key(VK_DOWN), 3);  // stays at the end, no event
  EXPECT_EQ(f.events, (std::vector<std::string>{"change", "select", "change", "select"}));
  f.combo.SetItemIndex(1);  // programmatic: no events
  EXPECT_EQ(f.events.size(), 4u);
  EXPECT_EQ(f.combo.Text(), "Beta");
  f.combo.SetItemIndex(9);
  EXPECT_EQ(f.combo.ItemIndex(), -1);
}

TEST(ComboBox, DropDownOpensClosesAndPicks) {
  TComboFixture f;
  f.combo.SetDropDownCount(3);
  f.combo.MouseDown(mbLeft, ssLeft, 140, 10);  // the button
  EXPECT_TRUE(f.combo.DroppedDown());
  EXPECT_TRUE(f.edit.Shown);
  EXPECT_EQ(f.edit.ShownHeight, 3 * 18 + 2);
  EXPECT_EQ(f.edit.ShownWidth, 145);
  // Mouse in the list: hover marks, release picks.
  TControlCore& list = f.combo.ListCore();
  list.MouseMove(0, 10, 20);
  EXPECT_EQ(f.combo.HotIndex(), 1);
  list.MouseUp(mbLeft, 0, 10, 20);
  EXPECT_FALSE(f.combo.DroppedDown());
  EXPECT_EQ(f.combo.ItemIndex(), 1);
  EXPECT_EQ(f.events, (std::vector<std::string>{"dropdown", "change", "select", "ok", "closeup"}));
  f.events.clear();
  f.Key(VK_F1 + 3);  // F4 opens
  f.Key(VK_ESCAPE);
  EXPECT_EQ(f.events, (std::vector<std::string>{"dropdown", "cancel", "closeup"}));
  // Losing the focus closes the list.
  f.combo.SetDroppedDown(true);
  f.combo.FocusOut();
  EXPECT_FALSE(f.combo.DroppedDown());
}

TEST(ComboBox, TypingInTheEditFieldAndFinding) {
  TComboFixture f;
  f.combo.EditTextChanged("gamma", 5, 0);
  EXPECT_EQ(f.combo.ItemIndex(), 2);  // an exact match, ignoring case
  EXPECT_EQ(f.combo.Text(), "gamma");
  f.combo.EditTextChanged("gam", 3, 0);
  EXPECT_EQ(f.combo.ItemIndex(), -1);
  EXPECT_EQ(f.combo.FindItem("de"), 3);
  EXPECT_EQ(f.combo.FindItem("x"), -1);
  f.combo.SetText("Beta");
  EXPECT_EQ(f.combo.ItemIndex(), 1);
  EXPECT_EQ(f.edit.Text, "Beta");
}

TEST(ComboBox, ListStylesSearchByFirstLetterAndWheel) {
  TComboFixture f;
  f.combo.SetStyle(csDropDownList);
  char32_t ch = U'd';
  f.combo.KeyPress(ch);
  EXPECT_EQ(f.combo.ItemIndex(), 3);
  EXPECT_TRUE(f.combo.MouseWheel(0, 120, 0, 0));
  EXPECT_EQ(f.combo.ItemIndex(), 2);
  f.combo.MouseWheel(0, -120, 0, 0);
  EXPECT_EQ(f.combo.ItemIndex(), 3);
  // Deleting items before the selection keeps it on its item.
  f.combo.Items().Delete(0);
  EXPECT_EQ(f.combo.Text(), "Delta");
  f.combo.Items().Delete(2);
  EXPECT_EQ(f.combo.ItemIndex(), -1);
}

TEST(ComboBox, PaintsTheChosenItemOnTheFace) {
  TComboFixture f;
  f.combo.SetStyle(csDropDownList);
  f.combo.SetItemIndex(2);
  f.host.GiveFocus();
  TRecordingCanvas c(TRect(0, 0, 145, 21), &f.fonts);
  f.combo.Paint(c, TRect(0, 0, 145, 21));
  const TCanvasCall* t = c.First("TextRect");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Text, "Gamma");
  EXPECT_EQ(t->State.TextColor, clHighlightText);
  EXPECT_EQ(c.Count("DrawFocusRect"), 1);
  EXPECT_EQ(c.Count("Polygon"), 1);  // the button's arrow
}
