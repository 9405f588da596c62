// Stored properties: the settings file written for a form with a
// placement, properties of each kind, string lists, a collection,
// component references and stored values (a golden file), and the rules
// of reading them back.
#include <gtest/gtest.h>

#include "DemoObjects.h"
#include "SettingsTestSupport.h"
#include "platform/core/IniFiles.h"
#include "platform/core/SysUtils.h"
#include "support/KitStrUtils.h"
#include "support/Placemnt.h"

namespace qv {
namespace {

using test::TDemoControl;
using test::TDemoForm;

using test::ReadText;
using test::WriteText;

class StoredPropsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    ini = test::TestIniPath("stored");
    DeleteFile(ini);
    form.Class = "TTestForm";
    form.FormName = "TestForm";
  }
  void TearDown() override { FormatSettings() = TFormatSettings::Invariant(); }

  std::unique_ptr<TFormStorage> MakeStorage(const std::vector<std::string>& entries) {
    auto s = std::make_unique<TFormStorage>(&form);
    s->SetIniFileName(ini);
    for (const std::string& e : entries) s->StoredProps().Add(e);
    s->Loaded();
    return s;
  }
  // Saves through a shown and closed form.
  void SaveAll(TFormStorage&) {
    form.Show();
    ASSERT_TRUE(form.CloseQuery());
  }
  std::string Value(const std::string& section, const std::string& key) {
    TIniFile f(ini);
    return f.ReadString(section, key, "<none>");
  }

  std::string ini;
  TDemoForm form;
};

// The golden file: placement keys, then the stored properties in entry
// order, then the stored values.
TEST_F(StoredPropsTest, GoldenSettingsFile) {
  TDemoControl& memo = form.Add("Memo1");
  memo.Height = 120;
  memo.Tag = -3;
  memo.Big = 1234567890123LL;
  memo.Letter = 0xE9;  // e acute in Windows-1252
  memo.Checked = true;
  memo.Align = test::alClient;
  memo.Ratio = 0.1;
  memo.Small = 1.5f;
  memo.Caption = "  padded  ";
  memo.Anchors = (1u << test::akLeft) | (1u << test::akBottom);
  memo.Data = TPropValue::Ordinal(7);
  memo.Color = clBtnFace;
  memo.Items.SetText("first.mff\nsecond model.mff\n");
  memo.Font.SetName("Arial");
  memo.Font.SetStyle({fsBold});
  auto& columns = memo.Columns.Items;
  columns.push_back(std::make_unique<test::TDemoItem>(test::TDemoItem{"Name", 80}));
  columns.push_back(std::make_unique<test::TDemoItem>(test::TDemoItem{"Size", 40}));
  memo.Buddy = &form.AddButton("Button1");
  TDemoControl& edit = form.Add("Edit1");
  edit.Caption = "line one\r\nline 'two'";
  auto s = MakeStorage({"Memo1.Height",  "Memo1.Tag",     "Memo1.Big",   "Memo1.Letter",
                        "Memo1.Checked", "Memo1.Align",   "Memo1.Ratio", "Memo1.Small",
                        "Memo1.Caption", "Memo1.Anchors", "Memo1.Data",  "Memo1.Color",
                        "Memo1.Items",   "Memo1.Font",    "Memo1.Buddy", "Memo1.Columns",
                        "Edit1.Caption", "Edit1.Items",   "Edit1.Buddy", "Edit1.Ratio"});
  TStoredValue& dir = s->StoredValues().Add();
  dir.SetName("LastDir");
  dir.Value = TPropValue::String("/home/user/models");
  TStoredValue& secret = s->StoredValues().Add();
  secret.SetName("Secret");
  secret.KeyString = "key";
  secret.Value = TPropValue::String("abc");
  SaveAll(*s);
  const std::string golden = ReadText(std::string(QV_TEST_DATA_DIR) + "/stored_form.ini");
  EXPECT_EQ(ReadText(ini), golden) << ReadText(ini);
}

TEST_F(StoredPropsTest, EveryKindReadsBack) {
  const std::string path = std::string(QV_TEST_DATA_DIR) + "/stored_form.ini";
  WriteText(ini, ReadText(path));
  TDemoControl& memo = form.Add("Memo1");
  TDemoControl& edit = form.Add("Edit1");
  edit.Ratio = 9;  // "Edit1.Ratio" is 0 in the file
  test::TDemoButton& button = form.AddButton("Button1");
  auto s =
      MakeStorage({"Memo1.Height", "Memo1.Tag", "Memo1.Big", "Memo1.Letter", "Memo1.Checked",
                   "Memo1.Align", "Memo1.Ratio", "Memo1.Small", "Memo1.Caption", "Memo1.Anchors",
                   "Memo1.Data", "Memo1.Color", "Memo1.Items", "Memo1.Font", "Memo1.Buddy",
                   "Memo1.Columns", "Edit1.Caption", "Edit1.Items", "Edit1.Ratio"});
  TStoredValue& secret = s->StoredValues().Add();
  secret.SetName("Secret");
  secret.KeyString = "key";
  form.Show();
  EXPECT_EQ(memo.Height, 120);
  EXPECT_EQ(memo.Tag, -3);
  EXPECT_EQ(memo.Big, 1234567890123LL);
  EXPECT_EQ(memo.Letter, 0xE9);
  EXPECT_TRUE(memo.Checked);
  EXPECT_EQ(memo.Align, test::alClient);
  EXPECT_DOUBLE_EQ(memo.Ratio, 0.1);
  EXPECT_FLOAT_EQ(memo.Small, 1.5f);
  EXPECT_EQ(memo.Caption, "  padded  ");
  EXPECT_EQ(memo.Anchors, (1u << test::akLeft) | (1u << test::akBottom));
  EXPECT_EQ(memo.Data, TPropValue::String("7"));
  EXPECT_EQ(memo.Color, clBtnFace);
  EXPECT_EQ(memo.Items.Text(), "first.mff\r\nsecond model.mff\r\n");
  EXPECT_EQ(memo.Font.Name(), "Arial");
  EXPECT_EQ(memo.Font.Style(), TFontStyles({fsBold}));
  EXPECT_EQ(memo.Buddy, &button);
  ASSERT_EQ(memo.Columns.Items.size(), 2u);
  EXPECT_EQ(memo.Columns.Items[1]->Caption, "Size");
  EXPECT_EQ(memo.Columns.Items[1]->Width, 40);
  EXPECT_EQ(edit.Caption, "line one\r\nline 'two'");
  EXPECT_DOUBLE_EQ(edit.Ratio, 0);
  EXPECT_EQ(secret.Value, TPropValue::String("abc"));
}

TEST_F(StoredPropsTest, ValuesThatCannotBeReadKeepOrZeroTheirProperty) {
  WriteText(ini,
            "[TTestForm]\r\nMemo1_Height=abc\r\nMemo1_Ratio=1,5\r\nMemo1_Align=alSideways\r\n"
            "Memo1_Checked=tRuE\r\nMemo1_Anchors=[akTop, bogus,akRight]\r\n"
            "Memo1_Color=notacolour\r\nMemo1_Buddy=Nobody\r\n");
  TDemoControl& memo = form.Add("Memo1");
  memo.Height = 5;
  memo.Ratio = 2.5;
  memo.Align = test::alTop;
  memo.Color = clRed;
  memo.Buddy = &form.AddButton("Button1");
  memo.Columns.Items.push_back(std::make_unique<test::TDemoItem>(test::TDemoItem{"Kept", 5}));
  auto s = MakeStorage({"Memo1.Height", "Memo1.Ratio", "Memo1.Align", "Memo1.Checked",
                        "Memo1.Anchors", "Memo1.Color", "Memo1.Buddy", "Memo1.Columns"});
  form.Show();
  EXPECT_EQ(memo.Height, 0) << "an integer that is no number reads as 0";
  EXPECT_DOUBLE_EQ(memo.Ratio, 2.5) << "a bad float leaves the property";
  EXPECT_EQ(memo.Align, test::alTop) << "an unknown name leaves the property";
  EXPECT_TRUE(memo.Checked) << "names compare without regard to case";
  EXPECT_EQ(memo.Anchors, (1u << test::akTop) | (1u << test::akRight)) << "unknown names skipped";
  EXPECT_EQ(memo.Color, TColor(0));
  EXPECT_EQ(memo.Buddy, nullptr) << "a component that is not found gives none";
  ASSERT_EQ(memo.Columns.Items.size(), 1u) << "a collection without a stored count stays";
  EXPECT_EQ(memo.Columns.Items[0]->Caption, "Kept");
}

TEST_F(StoredPropsTest, FloatsUseAPointOnEverySystem) {
  TDemoControl& memo = form.Add("Memo1");
  memo.Ratio = 2.25;
  FormatSettings().DecimalSeparator = ',';
  {
    auto s = MakeStorage({"Memo1.Ratio"});
    SaveAll(*s);
  }
  EXPECT_EQ(Value("TTestForm", "Memo1_Ratio"), "2.25");
  memo.Ratio = 0;
  {
    auto s = MakeStorage({"Memo1.Ratio"});
    form.Show();
  }
  EXPECT_DOUBLE_EQ(memo.Ratio, 2.25);
  FormatSettings().DecimalSeparator = '.';
  memo.Ratio = 0;
  auto s = MakeStorage({"Memo1.Ratio"});
  form.Show();
  EXPECT_DOUBLE_EQ(memo.Ratio, 2.25);
}

TEST_F(StoredPropsTest, EmptyStringListErasesItsSectionAndRestoreKeepsTheList) {
  TDemoControl& memo = form.Add("Memo1");
  memo.Items.SetText("old.mff\n");
  {
    auto s = MakeStorage({"Memo1.Items"});
    SaveAll(*s);
  }
  EXPECT_EQ(Value("TTestForm.Memo1_Items", "Item0"), "old.mff");
  {
    auto s = MakeStorage({"Memo1.Items"});
    form.Show();
    memo.Items.Clear();
    form.CloseQuery();
  }
  const std::string text = ReadText(ini);
  EXPECT_EQ(text.find("Memo1_Items]"), std::string::npos) << text;
  EXPECT_EQ(text.find("Count"), std::string::npos) << text;
  memo.Items.SetText("made by the window\n");
  auto s = MakeStorage({"Memo1.Items"});
  form.Show();
  EXPECT_EQ(memo.Items.Count(), 1);
  EXPECT_EQ(memo.Items[0], "made by the window");
}

TEST_F(StoredPropsTest, HugeCountIsCappedByTheItemsPresent) {
  WriteText(ini, "[TTestForm.Memo1_Items]\r\nCount=2000000000\r\nItem0=a\r\nItem1=b\r\n");
  TDemoControl& memo = form.Add("Memo1");
  auto s = MakeStorage({"Memo1.Items"});
  form.Show();
  EXPECT_EQ(memo.Items.Text(), "a\r\nb\r\n");
}

TEST_F(StoredPropsTest, MalformedAndMissingEntriesAreDroppedAtLoad) {
  form.Add("Memo1");
  auto s = MakeStorage(
      {"Memo1.Height", "NoDot", ".Height", "Memo1.", " Memo1 . Tag ", "Missing.Height"});
  EXPECT_EQ(s->StoredProps().ToVector(),
            (std::vector<std::string>{"Memo1.Height", " Memo1 . Tag "}));
}

TEST_F(StoredPropsTest, RenamedComponentKeepsItsEntriesAndRemovedOneLosesThem) {
  TDemoControl& memo = form.Add("Memo1");
  memo.Height = 44;
  form.Add("Edit1");
  auto s = MakeStorage({"Memo1.Height", "Edit1.Height"});
  memo.Name = "ResultMemo";
  s->ComponentRemoved(form.FindComponent("Edit1").Object);
  form.Remove("Edit1");
  SaveAll(*s);
  EXPECT_EQ(s->StoredProps().ToVector(), std::vector<std::string>{"ResultMemo.Height"});
  EXPECT_EQ(Value("TTestForm", "ResultMemo_Height"), "44");
  EXPECT_EQ(Value("TTestForm", "Edit1_Height"), "<none>");
}

TEST_F(StoredPropsTest, HigherVersionSkipsStoredPropertiesToo) {
  WriteText(ini, "[TTestForm]\r\nFormVersion=1\r\nMemo1_Height=77\r\nLastDir=/x\r\n");
  TDemoControl& memo = form.Add("Memo1");
  auto s = MakeStorage({"Memo1.Height"});
  s->SetVersion(2);
  TStoredValue& v = s->StoredValues().Add();
  v.SetName("LastDir");
  form.Show();
  EXPECT_EQ(memo.Height, 0);
  EXPECT_TRUE(v.Value.IsEmpty());
}

TEST_F(StoredPropsTest, ComponentOfAnotherFormIsNamedWithItsOwner) {
  TDemoForm other;
  other.Class = "TSpreadForm";
  test::TDemoButton& remote = other.AddButton("FontButton");
  TDemoForm unnamed;
  unnamed.Class = "TChartForm";
  test::TDemoButton& far = unnamed.AddButton("Chart1");
  TDemoControl& memo = form.Add("Memo1");
  TDemoControl& edit = form.Add("Edit1");
  memo.Buddy = &remote;
  edit.Buddy = &far;
  other.FormName = "SpreadForm";
  {
    auto s = MakeStorage({"Memo1.Buddy", "Edit1.Buddy"});
    SaveAll(*s);
  }
  EXPECT_EQ(Value("TTestForm", "Memo1_Buddy"), "SpreadForm.FontButton");
  EXPECT_EQ(Value("TTestForm", "Edit1_Buddy"), "ChartForm.Chart1");
  memo.Buddy = edit.Buddy = nullptr;
  auto s = MakeStorage({"Memo1.Buddy", "Edit1.Buddy"});
  form.Show();
  EXPECT_EQ(memo.Buddy, &remote);
  EXPECT_EQ(edit.Buddy, &far);
}

TEST_F(StoredPropsTest, StoredValues) {
  auto s = MakeStorage({});
  TStoredValue& a = s->StoredValues().Add();
  a.SetName("Alpha");
  TStoredValue& b = s->StoredValues().Add();
  EXPECT_THROW(b.SetName("ALPHA"), EStringListError);
  b.SetName("Beta");
  b.KeyString = "k";
  b.Value = TPropValue::Ordinal(12);
  int saves = 0;
  b.OnSave = [&](TStoredValue&, TPropValue& v) {
    ++saves;
    v = TPropValue::String("changed");
  };
  SaveAll(*s);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(Value("TTestForm", "Beta"), XorEncode("k", "changed"));
  EXPECT_EQ(Value("TTestForm", "Alpha"), "") << "an empty value is written empty";
  b.OnRestore = [](TStoredValue&, TPropValue& v) { v = TPropValue::String(v.AsString() + "!"); };
  form.Show();
  EXPECT_EQ(b.Value, TPropValue::String("changed!"));
  EXPECT_EQ(b.DisplayName(), "Beta");
}

TEST(StoredItems, EntriesAndLineBreaks) {
  std::string c, p;
  EXPECT_TRUE(ParseStoredItem("ReopenFileList.Items", c, p));
  EXPECT_EQ(c + "|" + p, "ReopenFileList|Items");
  EXPECT_TRUE(ParseStoredItem("A.B.C", c, p));
  EXPECT_EQ(c + "|" + p, "A|B.C");
  EXPECT_FALSE(ParseStoredItem("A.", c, p));
  EXPECT_EQ(CreateStoredItem("A", ""), "");
  EXPECT_EQ(CreateStoredItem("ResultMemo", "Height"), "ResultMemo.Height");
  EXPECT_EQ(ReplaceComponentName("Old.Height", "New"), "New.Height");

  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},
      {"a\r\nb", "'a'#13#10'b'"},
      {"\nit's\n", "#10'it''s'#10"},
      {"'quoted'", "'quoted'"},  // no line break: as it stands
  };
  for (const auto& [text, encoded] : cases) {
    EXPECT_EQ(EncodeLineBreaks(text), encoded);
    EXPECT_EQ(DecodeLineBreaks(encoded), text);
  }
  for (const char* notEncoded : {"'a'#9'b'", "'open", "#", "x#10", "'a' #10"})
    EXPECT_EQ(DecodeLineBreaks(notEncoded), notEncoded);
}

}  // namespace
}  // namespace qv
