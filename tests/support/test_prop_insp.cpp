// The object inspector without a display: rows in declaration order,
// expanding fonts and sets, the divider, the filter, applying values (veto,
// refusal), the drop-down list, completion and search, the hexadecimal and
// text-dialog editors, scrolling and hints.
#include <gtest/gtest.h>

#include "ControlHostTestSupport.h"
#include "DemoObjects.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/Services.h"
#include "support/PropEdits.h"
#include "support/PropInsp.h"

namespace qv {
namespace {

using test::TDemoControl;
using test::TFakeControlHost;

class TFakeEditHost : public TInplaceEditHost {
 public:
  int Changes = 0;
  bool Focused = false;
  bool ListShown = false;
  TRect ListBounds;
  TPoint Origin{500, 300};  // the inspector's client origin on the screen
  TRect Screen = Rect(0, 0, 1024, 768);
  std::int64_t Now = 0;
  void EditStateChanged() override { ++Changes; }
  void FocusEdit() override { Focused = true; }
  bool EditFocused() const override { return Focused; }
  void ShowList(const TRect& b) override {
    ListShown = true;
    ListBounds = b;
  }
  void HideList() override { ListShown = false; }
  TPoint ClientToScreen(TPoint p) const override { return {p.X + Origin.X, p.Y + Origin.Y}; }
  TRect ScreenWorkArea() const override { return Screen; }
  std::int64_t NowMs() const override { return Now; }
};

class InspectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFontService(&fonts);
    SetDialogService(&dialogs);
    insp = std::make_unique<TPropInspector>();
    insp->SetHost(&host);
    insp->InplaceEdit().SetHost(&editHost);
    insp->Clock = [this] { return editHost.Now; };
    control.Name = "Memo1";
  }
  void TearDown() override {
    insp.reset();
    SetDialogService(nullptr);
    SetFontService(nullptr);
    SetStrEditRunner(nullptr);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> n;
    for (int i = 0; i < insp->RowCount(); ++i)
      n.push_back(std::string(std::size_t(2 * insp->Row(i).Level), ' ') +
                  insp->Row(i).Editor->GetName());
    return n;
  }
  int RowOf(const std::string& path) { return insp->FindPath(path); }
  void Select(const std::string& path) { insp->SetCurrentRow(RowOf(path)); }
  // Types a text into the edit as a user would, key by key.
  void Type(const std::string& text) {
    TPropInplaceEdit& e = insp->InplaceEdit();
    for (char ch : text) {
      int key = std::toupper(static_cast<unsigned char>(ch));
      e.KeyDown(key, 0);
      char32_t c = static_cast<unsigned char>(ch);
      e.KeyPress(c);
      std::string t = e.Text().substr(0, std::size_t(e.SelStart())) + ch +
                      e.Text().substr(std::size_t(e.SelStart() + e.SelLength()));
      e.UserChanged(t, e.SelStart() + 1, 0);
    }
  }
  void Enter() {
    char32_t ch = 13;
    insp->InplaceEdit().KeyPress(ch);
  }

  TFakeFontService fonts{8, 16};
  TScriptedDialogs dialogs;
  TFakeControlHost host{Rect(0, 0, 200, 200)};
  TFakeEditHost editHost;
  std::unique_ptr<TPropInspector> insp;
  TDemoControl control;
};

TEST_F(InspectorTest, NoObjectMeansNoRowsAndOnlyBackground) {
  EXPECT_EQ(insp->RowCount(), 0);
  EXPECT_FALSE(insp->InplaceEdit().Visible());
  TRecordingCanvas c(Rect(0, 0, 200, 200), &fonts);
  insp->Paint(c, Rect(0, 0, 200, 200));
  EXPECT_EQ(c.Count("FillRect"), 1);
  EXPECT_EQ(c.First("FillRect")->State.BrushColor, clBtnFace);
  EXPECT_EQ(c.Count("TextRect"), 0);
}

TEST_F(InspectorTest, RowsInDeclarationOrderAndTheFirstIsCurrent) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  EXPECT_EQ(Names(), (std::vector<std::string>{
                         "Name",  "Height", "Tag",     "Big",     "Letter", "Checked",  "Align",
                         "Ratio", "Small",  "Caption", "Anchors", "Data",   "Color",    "Items",
                         "Font",  "Buddy",  "Columns", "Mask",    "Notes",  "TitleFont"}));
  EXPECT_EQ(insp->RowHeight(), 19);
  EXPECT_EQ(insp->CurrentRow(), 0);
  EXPECT_EQ(insp->InplaceEdit().Text(), "Memo1");
  EXPECT_EQ(insp->InplaceEdit().Bounds(), Rect(87, 0, 200, 18));
  EXPECT_EQ(host.Scroll[sbVertical].Max, 19);
  EXPECT_EQ(host.Scroll[sbVertical].Page, 10);
  const std::pair<const char*, const char*> editors[] = {
      {"Name", "TComponentNameProperty"}, {"Height", "TIntegerProperty"},
      {"Big", "TInt64Property"},          {"Letter", "TCharProperty"},
      {"Checked", "TEnumProperty"},       {"Ratio", "TFloatProperty"},
      {"Caption", "TCaptionProperty"},    {"Anchors", "TSetProperty"},
      {"Data", "TVariantProperty"},       {"Color", "TColorProperty"},
      {"Items", "TStringsProperty"},      {"Font", "TFontProperty"},
      {"Buddy", "TComponentProperty"},    {"Columns", "TClassProperty"},
      {"Mask", "THexProperty"},           {"Notes", "TMultiLineStrProperty"}};
  for (auto [name, cls] : editors)
    EXPECT_EQ(insp->Row(RowOf(name)).Editor->ClassName(), cls) << name;
}

TEST_F(InspectorTest, ExpandFontAndItsStyleSet) {
  control.Font.SetStyle({fsItalic});
  insp->SetInspectedObject(MakeObjectRef(&control));
  const int font = RowOf("Font");
  insp->SetCurrentRow(font);
  // A press on the mark box (1 to 11 pixels right of the indentation).
  const int y = (font - insp->TopRow()) * insp->RowHeight() + 5;
  insp->MouseDown(mbLeft, ssLeft, 2 + 4, y);
  insp->MouseUp(mbLeft, 0, 2 + 4, y);
  ASSERT_TRUE(insp->Row(font).Expanded);
  std::vector<std::string> sub;
  for (int i = font + 1; i < insp->RowCount() && insp->Row(i).Level == 1; ++i)
    sub.push_back(insp->Row(i).Editor->GetName());
  EXPECT_EQ(sub, (std::vector<std::string>{"Charset", "Color", "Height", "Name", "Pitch", "Size",
                                           "Style"}));
  EXPECT_EQ(insp->Row(font).Editor->GetValue(), "(TFont)");
  Select("Font\\Style");
  EXPECT_EQ(insp->InplaceEdit().Text(), "[fsItalic]");
  insp->ToggleExpansion();
  const int bold = RowOf("Font\\Style\\fsBold");
  ASSERT_GT(bold, 0);
  EXPECT_EQ(insp->Row(bold).Level, 2);
  EXPECT_EQ(insp->Row(bold).Editor->GetValue(), "False");
  insp->SetCurrentRow(bold);
  Type("True");
  Enter();
  EXPECT_EQ(control.Font.Style(), TFontStyles({fsBold, fsItalic}));
  EXPECT_EQ(insp->Row(RowOf("Font\\Style")).Editor->GetValue(), "[fsBold,fsItalic]");
  // Collapsing removes the nested rows.
  insp->SetCurrentRow(font);
  insp->ToggleExpansion();
  EXPECT_EQ(insp->RowCount(), 20);
}

TEST_F(InspectorTest, MiddleIsClamped) {
  insp->SetMiddle(10);
  EXPECT_EQ(insp->Middle(), 32);
  insp->SetMiddle(1000);
  EXPECT_EQ(insp->Middle(), 168);
  insp->SetMiddle(87);
  EXPECT_EQ(insp->Middle(), 87);
  // Dragging the divider.
  insp->SetInspectedObject(MakeObjectRef(&control));
  insp->MouseDown(mbLeft, ssLeft, 88, 5);
  insp->MouseMove(ssLeft, 120, 5);
  insp->MouseUp(mbLeft, 0, 120, 5);
  EXPECT_EQ(insp->Middle(), 120);
  EXPECT_EQ(insp->InplaceEdit().Bounds().Left, 122);
}

TEST_F(InspectorTest, FilterChangeKeepsTheCurrentPath) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  Select("Font");
  insp->ToggleExpansion();
  Select("Font\\Name");
  insp->SetFilter(tkProperties & ~TypeKindBit(tkInteger));
  EXPECT_EQ(insp->RowPath(insp->CurrentRow()), "Font\\Name");
  for (int i = 0; i < insp->RowCount(); ++i)
    if (insp->Row(i).Level == 0) {
      EXPECT_NE(insp->Row(i).Editor->GetName(), "Height");
    }
  EXPECT_EQ(insp->InplaceEdit().Text(), control.Font.Name());
}

TEST_F(InspectorTest, VetoThroughOnChanging) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  int changes = 0;
  std::vector<std::string> asked;
  insp->OnChanging = [&](TPropInspector&, TPropertyEditor& p, bool& can) {
    asked.push_back(p.ClassName());
    can = p.ClassName() != "TComponentNameProperty";
  };
  insp->OnChange = [&](TPropInspector&, TPropertyEditor&) { ++changes; };
  Select("Name");
  Type("Other");
  Enter();
  EXPECT_EQ(control.Name, "Memo1");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(insp->InplaceEdit().Text(), "Memo1") << "the edit shows the value again";
  Select("Height");
  Type("42");
  Enter();
  EXPECT_EQ(control.Height, 42);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(asked, (std::vector<std::string>{"TComponentNameProperty", "TIntegerProperty"}));
}

TEST_F(InspectorTest, RefusedValueIsReportedAndTheOldValueStays) {
  control.Height = 7;
  insp->SetInspectedObject(MakeObjectRef(&control));
  Select("Height");
  Type("seven");
  Enter();
  EXPECT_EQ(control.Height, 7);
  ASSERT_EQ(dialogs.Log().size(), 1u);
  EXPECT_EQ(dialogs.Log()[0].Text, "'seven' is not a valid integer value");
  EXPECT_EQ(dialogs.Log()[0].Type, mtError);
  EXPECT_EQ(insp->InplaceEdit().Text(), "7");
}

TEST_F(InspectorTest, LineBreaksAndTabsShowAsDots) {
  control.Caption = "a\tb\r\nc";
  insp->SetInspectedObject(MakeObjectRef(&control));
  Select("Caption");
  EXPECT_EQ(insp->InplaceEdit().Text(), "a.b..c");
  // Leaving the row without typing changes nothing.
  Select("Height");
  EXPECT_EQ(control.Caption, "a\tb\r\nc");
}

TEST_F(InspectorTest, NewFontOnAnExpandedRowCollapsesIt) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  Select("TitleFont");
  insp->ToggleExpansion();
  ASSERT_TRUE(insp->Row(insp->CurrentRow()).Expanded);
  TScriptedDialogs::TAnswer a;
  a.Font = [](TFont& f) { f.SetName("Arial"); };
  dialogs.Push(a);
  insp->InplaceEdit().DblClick();  // the font dialog
  EXPECT_EQ(control.TitleFont->Name(), "Arial");
  EXPECT_FALSE(insp->Row(insp->CurrentRow()).Expanded);
  EXPECT_EQ(insp->RowCount(), 20);
}

TEST_F(InspectorTest, ValueListsDropDownWithAtMostEightRows) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  struct Case {
    const char* row;
    int values;
    int rows;
  };
  const Case cases[] = {{"Checked", 2, 2}, {"Align", 6, 6}, {"Color", 0, 8}};
  for (const Case& c : cases) {
    Select(c.row);
    TPropInplaceEdit& e = insp->InplaceEdit();
    ASSERT_EQ(e.ButtonKind(), 2) << c.row;
    EXPECT_EQ(e.Bounds().Right, 200 - 16);
    EXPECT_EQ(e.ButtonBounds(), Rect(184, e.Bounds().Top, 200, e.Bounds().Bottom));
    int key = VK_DOWN;
    e.KeyDown(key, ssAlt);
    ASSERT_TRUE(e.DroppedDown()) << c.row;
    const TPropPopupList& list = e.List();
    if (c.values) {
      EXPECT_EQ(int(list.Items().size()), c.values) << c.row;
    }
    EXPECT_EQ(list.VisibleRows(), c.rows) << c.row;
    EXPECT_EQ(list.ItemHeight(), 18);
    EXPECT_EQ(editHost.ListBounds.Height(), c.rows * 18 + 2) << c.row;
    EXPECT_EQ(editHost.ListBounds.Right, editHost.Origin.X + 200)
        << "right-aligned with the button";
    EXPECT_EQ(editHost.ListBounds.Top, editHost.Origin.Y + e.Bounds().Bottom);
    EXPECT_EQ(list.Items()[std::size_t(list.ItemIndex())], e.Text());
    key = VK_ESCAPE;
    e.KeyDown(key, 0);
    EXPECT_FALSE(e.DroppedDown());
  }
  // Picking a value: Down then Enter.
  Select("Align");
  TPropInplaceEdit& e = insp->InplaceEdit();
  int key = VK_DOWN;
  e.KeyDown(key, ssAlt);
  key = VK_DOWN;
  e.KeyDown(key, 0);
  key = VK_RETURN;
  e.KeyDown(key, 0);
  EXPECT_EQ(control.Align, test::alTop);
  EXPECT_FALSE(editHost.ListShown);
  EXPECT_EQ(e.Text(), "alTop");
}

TEST_F(InspectorTest, ListOpensAboveWhenBelowPassesTheScreen) {
  editHost.Origin = {500, 700};
  insp->SetInspectedObject(MakeObjectRef(&control));
  Select("Align");
  int key = VK_DOWN;
  insp->InplaceEdit().KeyDown(key, ssAlt);
  EXPECT_EQ(editHost.ListBounds.Bottom, 700 + insp->InplaceEdit().Bounds().Top);
}

TEST_F(InspectorTest, CompletionAndNoCompletionAfterBackspace) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  Select("Color");
  TPropInplaceEdit& e = insp->InplaceEdit();
  Type("c");  // typed over the selected text: no completion
  EXPECT_EQ(e.Text(), "c");
  Type("l");
  EXPECT_EQ(e.Text(), "clBlack");  // the first colour beginning with "cl"
  EXPECT_EQ(e.SelStart(), 2);
  EXPECT_EQ(e.SelLength(), 5);
  EXPECT_TRUE(e.Modified());
  Type("R");  // over the completed tail
  EXPECT_EQ(e.Text(), "clR");
  Type("e");
  EXPECT_EQ(e.Text(), "clRed");
  EXPECT_EQ(e.SelStart(), 4);
  EXPECT_EQ(e.SelLength(), 1);
  int key = VK_BACK;
  e.KeyDown(key, 0);
  e.UserChanged("clRe", 4, 0);
  EXPECT_EQ(e.Text(), "clRe") << "no completion after a deletion";
  Enter();
  EXPECT_EQ(dialogs.Log().size(), 1u) << "clRe is no colour";
  Select("Color");
  Type("c");
  Type("l");
  Type("R");
  Type("e");
  Enter();
  EXPECT_EQ(control.Color, clRed);
}

TEST_F(InspectorTest, IncrementalSearchInTheListResetsAfterTwoSeconds) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  Select("Color");
  TPropInplaceEdit& e = insp->InplaceEdit();
  int key = VK_DOWN;
  e.KeyDown(key, ssAlt);
  ASSERT_TRUE(e.DroppedDown());
  TPropPopupList& list = e.List();
  auto type = [&](char ch) {
    char32_t c = static_cast<unsigned char>(ch);
    e.KeyPress(c);
    EXPECT_EQ(c, 0u);
  };
  editHost.Now = 10000;
  type('c');
  editHost.Now += 500;
  type('l');
  editHost.Now += 500;
  type('m');
  EXPECT_EQ(list.SearchText(), "clm");
  EXPECT_EQ(list.Items()[std::size_t(list.ItemIndex())], "clMaroon");
  editHost.Now += 2500;
  type('c');
  EXPECT_EQ(list.SearchText(), "c");
  EXPECT_EQ(list.Items()[std::size_t(list.ItemIndex())], "clBlack");
  key = VK_BACK;
  list.KeyDown(key, 0);
  EXPECT_EQ(list.SearchText(), "");
}

TEST_F(InspectorTest, HexadecimalEditor) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  Select("Mask");
  EXPECT_EQ(insp->InplaceEdit().Text(), "$0");
  Type("10");
  Enter();
  EXPECT_EQ(control.Mask, 16);
  EXPECT_EQ(insp->InplaceEdit().Text(), "$10");
  Type("$1F");
  Enter();
  EXPECT_EQ(control.Mask, 31);
  control.Mask = -1;
  insp->RefreshEditor(false);
  EXPECT_EQ(insp->InplaceEdit().Text(), "$FFFFFFFF");
}

TEST_F(InspectorTest, TextDialogForMultiLineStringsAndLists) {
  control.Notes = "one\r\ntwo";
  control.Items.SetText("a\nb\n");
  insp->SetInspectedObject(MakeObjectRef(&control));
  std::vector<TStrEditForm> seen;
  bool accept = false;
  std::string answer;
  SetStrEditRunner([&](TStrEditForm& f) {
    seen.push_back(f);
    if (accept) f.Text = answer;
    return accept;
  });
  Select("Notes");
  EXPECT_EQ(insp->InplaceEdit().ButtonKind(), 1);
  EXPECT_TRUE(insp->InplaceEdit().ReadOnly());
  EXPECT_EQ(insp->InplaceEdit().Text(), "one..two");
  insp->InplaceEdit().DblClick();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Caption, "Editing \"Notes\" property");
  EXPECT_EQ(seen[0].Text, "one\r\ntwo");
  EXPECT_EQ(control.Notes, "one\r\ntwo") << "cancelling leaves the property";
  accept = true;
  answer = "three";
  insp->InplaceEdit().DblClick();
  EXPECT_EQ(control.Notes, "three");
  Select("Items");
  answer = "x\r\ny\r\nz";
  insp->InplaceEdit().DblClick();
  EXPECT_EQ(seen.back().Caption, "Editing \"Items\" property");
  EXPECT_EQ(seen.back().Text, "a\r\nb");
  EXPECT_EQ(control.Items.Text(), "x\r\ny\r\nz\r\n");
}

TEST_F(InspectorTest, DoubleClickOnTheEditRightAfterARowPress) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  const int row = RowOf("Checked");
  const int y = row * insp->RowHeight() + 4;
  editHost.Now = 1000;
  insp->MouseDown(mbLeft, ssLeft, 150, y);
  insp->MouseUp(mbLeft, 0, 150, y);
  editHost.Now = 1200;
  insp->InplaceEdit().MouseDown();  // within the double-click time: next value
  EXPECT_TRUE(control.Checked);
  editHost.Now = 5000;
  insp->InplaceEdit().MouseDown();
  EXPECT_TRUE(control.Checked);
}

TEST_F(InspectorTest, DestroyedObjectIsForgotten) {
  auto other = std::make_unique<TDemoControl>();
  insp->SetInspectedObject(MakeObjectRef(other.get()));
  std::vector<std::pair<const void*, const void*>> news;
  insp->OnNewObject = [&](TPropInspector&, TObjectRef o, TObjectRef n) {
    news.emplace_back(o.Object, n.Object);
  };
  insp->ObjectDestroyed(other.get());
  other.reset();
  EXPECT_EQ(insp->RowCount(), 0);
  EXPECT_FALSE(insp->InspectedObject());
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].second, nullptr);
}

TEST_F(InspectorTest, ExpandingTheLastRowScrollsItsSubRowsIntoView) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  const int last = RowOf("TitleFont");
  insp->SetCurrentRow(last);
  EXPECT_EQ(insp->TopRow(), last - 9);
  insp->ToggleExpansion();
  // Seven sub-rows: the list scrolls as far as needed to show them.
  EXPECT_EQ(insp->TopRow(), last + 7 - 9);
  EXPECT_EQ(insp->CurrentRow(), last);
  insp->SetCurrentRow(12);
  insp->ToggleExpansion();  // a row without sub-properties: nothing happens
  EXPECT_EQ(insp->RowCount(), 27);
}

TEST_F(InspectorTest, ExpandingNeverScrollsTheExpandedRowOffTheTop) {
  host.Client = Rect(0, 0, 200, 5 * 19);
  insp->SetInspectedObject(MakeObjectRef(&control));
  const int last = RowOf("TitleFont");
  insp->SetCurrentRow(last);
  insp->ToggleExpansion();
  EXPECT_EQ(insp->TopRow(), last);
}

TEST_F(InspectorTest, KeysMoveRowsAndTheEditForwardsThem) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  int key = VK_DOWN;
  insp->KeyDown(key, 0);
  EXPECT_EQ(insp->CurrentRow(), 1);
  key = VK_NEXT;
  insp->InplaceEdit().KeyDown(key, 0);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(insp->CurrentRow(), 10);
  key = VK_PRIOR;
  insp->KeyDown(key, 0);
  EXPECT_EQ(insp->CurrentRow(), 1);
  key = VK_UP;
  insp->InplaceEdit().KeyDown(key, 0);
  insp->InplaceEdit().KeyDown(key = VK_UP, 0);
  EXPECT_EQ(insp->CurrentRow(), 0);
}

TEST_F(InspectorTest, ValueHintForAValueWiderThanItsCell) {
  control.Caption = "a caption far wider than the value cell";
  control.Notes = "x\r\ny";
  insp->SetInspectedObject(MakeObjectRef(&control));
  THintInfo info;
  const int caption = RowOf("Caption");
  EXPECT_FALSE(insp->ValueHint(50, caption * 19 + 3, info)) << "left of the divider";
  ASSERT_TRUE(insp->ValueHint(120, caption * 19 + 3, info));
  EXPECT_EQ(info.HintStr, control.Caption);
  EXPECT_EQ(info.CursorRect, Rect(87, caption * 19, 200, caption * 19 + 19));
  EXPECT_EQ(info.HintPos, TPoint(86, caption * 19 - 2));
  EXPECT_FALSE(insp->ValueHint(120, RowOf("Height") * 19 + 3, info));
  // A value with line breaks always gets a hint.
  insp->SetCurrentRow(RowOf("Notes"));
  const int y = (RowOf("Notes") - insp->TopRow()) * 19 + 3;
  ASSERT_TRUE(insp->ValueHint(120, y, info));
  EXPECT_EQ(info.HintStr, "x\r\ny");
}

TEST_F(InspectorTest, PaintsNamesMarksGridAndCurrentRowFrame) {
  insp->SetInspectedObject(MakeObjectRef(&control));
  Select("Font");
  insp->ToggleExpansion();
  insp->SetTopRow(0);
  insp->SetCurrentRow(2);
  TRecordingCanvas c(Rect(0, 0, 200, 200), &fonts);
  insp->Paint(c, Rect(0, 0, 200, 200));
  std::vector<std::string> texts;
  for (const TCanvasCall* t : c.Find("TextRect")) texts.push_back(t->Text);
  // Names and values of the ten visible rows; the current row's value is
  // the edit's.
  EXPECT_EQ(texts[0], "Name");
  EXPECT_EQ(texts[1], "Memo1");
  EXPECT_EQ(texts[4], "Tag");
  EXPECT_EQ(texts[5], "Big");
  const TCanvasCall* name = c.Find("TextRect")[0];
  EXPECT_EQ(name->Args[4], 13) << "names start 11 pixels after the mark area";
  EXPECT_EQ(name->State.TextColor, clWindowText);
  const TCanvasCall* value = c.Find("TextRect")[1];
  EXPECT_EQ(value->State.TextColor, clNavy);
}

TEST(InspectorBasics, IntegralHeightAndDesignerName) {
  TPropInspector insp;
  EXPECT_EQ(insp.AdjustHeight(200), 200);
  insp.SetIntegralHeight(true);
  const int rh = insp.RowHeight();
  EXPECT_EQ((insp.AdjustHeight(200) - 4) % rh, 0);
  EXPECT_LE(insp.AdjustHeight(200), 200);
  EXPECT_EQ(TPropFormDesigner::Name(), "IFormDesigner.GetObjectName");
  EXPECT_EQ(insp.PropColor(), clNavy);
  EXPECT_EQ(insp.Middle(), 85);
  EXPECT_EQ(insp.Filter(), tkProperties);
  EXPECT_TRUE(insp.NewButtons());
}

}  // namespace
}  // namespace qv
