// The property-editor framework: which editor the registry picks, the
// value texts of the standard editors, and their value lists.
#include <gtest/gtest.h>

#include "DemoObjects.h"
#include "platform/core/ControlCore.h"
#include "platform/core/Services.h"
#include "support/PropEditors.h"

namespace qv {
namespace {

using test::TDemoControl;

// An editor that only says who it is.
template <int N>
class TTagEditor : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  std::string ClassName() const override { return "TTag" + std::to_string(N); }
};

// A component class derived from TDemoControl, for component-class rules.
class TDemoEdit : public TDemoControl {
 public:
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoEdit, TDemoControl>("TDemoEdit", TDemoControl::ClassInfo()).Register();
    return info;
  }
};

std::string EditorOf(TObjectRef obj, const char* prop) {
  return CreatePropertyEditor(nullptr, obj, *obj.Class->FindProperty(prop))->ClassName();
}

// A string type of its own, so that registrations for it touch no other test.
const TTypeInfo& TypeInfoRegistryProbe() {
  static const TTypeInfo& t = RegisterStringType("TRegistryProbe");
  return t;
}

struct TProbe {
  std::string A, B;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TProbe>("TRegistryProbeHolder")
            .Property("A", TypeInfoRegistryProbe(), &TProbe::A, &TProbe::A)
            .Property("B", TypeInfoRegistryProbe(), &TProbe::B, &TProbe::B)
            .Register();
    return info;
  }
};

TEST(PropEditors, RegistryPicksTheBestMatch) {
  const TTypeInfo& type = TypeInfoRegistryProbe();
  TProbe probe;
  const TObjectRef ref{&probe, &TProbe::ClassInfo()};
  EXPECT_EQ(EditorOf(ref, "A"), "TStringProperty") << "no registration: the kind's default";
  RegisterPropertyEditor<TTagEditor<1>>(type);
  EXPECT_EQ(EditorOf(ref, "A"), "TTag1");
  RegisterPropertyEditor<TTagEditor<2>>(type, nullptr, "b");  // by name, any case
  EXPECT_EQ(EditorOf(ref, "A"), "TTag1");
  EXPECT_EQ(EditorOf(ref, "B"), "TTag2");
  RegisterPropertyEditor<TTagEditor<3>>(type);  // newer, but names no property
  EXPECT_EQ(EditorOf(ref, "A"), "TTag3");
  EXPECT_EQ(EditorOf(ref, "B"), "TTag2");
}

TEST(PropEditors, ComponentClassRulesAndClassTypes) {
  TDemoControl plain;
  TDemoEdit edit;
  TDemoEdit::ClassInfo();
  const TTypeInfo& height = TypeInfoInteger();
  RegisterPropertyEditor<TTagEditor<4>>(height, &TDemoEdit::ClassInfo(), "Tag");
  EXPECT_EQ(EditorOf(MakeObjectRef(&plain), "Tag"), "TIntegerProperty");
  EXPECT_EQ(EditorOf(MakeObjectRef(&edit), "Tag"), "TTag4");
  EXPECT_EQ(EditorOf(MakeObjectRef(&edit), "Height"), "TIntegerProperty");
  // Fonts: the standard font editor, for the TFont class type.
  EXPECT_EQ(EditorOf(MakeObjectRef(&edit), "Font"), "TFontProperty");
  EXPECT_EQ(EditorOf(MakeObjectRef(&edit), "Buddy"), "TComponentProperty");
}

TEST(PropEditors, StandardValueTexts) {
  FormatSettings() = TFormatSettings::Invariant();
  TDemoControl c;
  c.Letter = 7;
  c.Color = clBtnFace;
  c.Anchors = (1u << test::akTop) | (1u << test::akRight);
  c.Ratio = 0.25;
  c.Font.SetCharset(ANSI_CHARSET);
  const TObjectRef ref = MakeObjectRef(&c);
  auto value = [&](const char* prop) {
    return CreatePropertyEditor(nullptr, ref, *ref.Class->FindProperty(prop))->GetValue();
  };
  EXPECT_EQ(value("Letter"), "#7");
  EXPECT_EQ(value("Color"), "clBtnFace");
  EXPECT_EQ(value("Anchors"), "[akTop,akRight]");
  EXPECT_EQ(value("Ratio"), "0.25");
  EXPECT_EQ(value("Checked"), "False");
  EXPECT_EQ(value("Columns"), "(TDemoItems)");
  EXPECT_EQ(value("Buddy"), "");

  auto set = [&](const char* prop, const std::string& text) {
    CreatePropertyEditor(nullptr, ref, *ref.Class->FindProperty(prop))->SetValue(text);
  };
  set("Letter", "Z");
  EXPECT_EQ(c.Letter, 'Z');
  set("Letter", "#65");
  EXPECT_EQ(c.Letter, 'A');
  set("Color", "$00FF00");
  EXPECT_EQ(c.Color, clLime);
  set("Color", "clNavy");
  EXPECT_EQ(c.Color, clNavy);
  set("Align", "ALRIGHT");
  EXPECT_EQ(c.Align, test::alRight);
  EXPECT_THROW(set("Align", "alSideways"), EPropertyError);
  EXPECT_THROW(set("Letter", "ab"), EPropertyError);
  EXPECT_THROW(set("Ratio", "x"), EConvertError);
  EXPECT_THROW(set("Buddy", "Nobody"), EPropertyError);
}

TEST(PropEditors, ValueListsAndTheNextValue) {
  TDemoControl c;
  const TObjectRef ref = MakeObjectRef(&c);
  auto values = [&](const char* prop) {
    std::vector<std::string> v;
    CreatePropertyEditor(nullptr, ref, *ref.Class->FindProperty(prop))
        ->GetValues([&](const std::string& s) { v.push_back(s); });
    return v;
  };
  EXPECT_EQ(values("Checked"), (std::vector<std::string>{"False", "True"}));
  EXPECT_EQ(values("Align").size(), 6u);
  const std::vector<std::string> colours = values("Color");
  EXPECT_EQ(colours.front(), "clBlack");
  EXPECT_NE(std::find(colours.begin(), colours.end(), "clBtnFace"), colours.end());
  // Edit on a value list takes the next value (in sorted order when sorted).
  auto checked = CreatePropertyEditor(nullptr, ref, *ref.Class->FindProperty("Checked"));
  checked->Edit();
  EXPECT_TRUE(c.Checked);
  checked->Edit();
  EXPECT_FALSE(c.Checked);
  // The font charset and name editors.
  const TObjectRef font = MakeObjectRef(&c.Font);
  auto charset = CreatePropertyEditor(nullptr, font, *font.Class->FindProperty("Charset"));
  EXPECT_EQ(charset->ClassName(), "TFontCharsetProperty");
  EXPECT_EQ(charset->GetValue(), "DEFAULT_CHARSET");
  auto name = CreatePropertyEditor(nullptr, font, *font.Class->FindProperty("Name"));
  EXPECT_EQ(name->ClassName(), "TFontNameProperty");
  SetFontFamiliesProvider([] { return std::vector<std::string>{"Alpha", "Beta"}; });
  std::vector<std::string> faces;
  name->GetValues([&](const std::string& s) { faces.push_back(s); });
  EXPECT_EQ(faces, (std::vector<std::string>{"Alpha", "Beta"}));
  SetFontFamiliesProvider(nullptr);
}

TEST(PropEditors, ColourDialogThroughEdit) {
  TScriptedDialogs dialogs;
  SetDialogService(&dialogs);
  TDemoControl c;
  const TObjectRef ref = MakeObjectRef(&c);
  auto color = CreatePropertyEditor(nullptr, ref, *ref.Class->FindProperty("Color"));
  TScriptedDialogs::TAnswer a;
  a.Color = clTeal;
  dialogs.Push(a);
  color->Edit();
  EXPECT_EQ(c.Color, clTeal);
  a.Result = mrCancel;
  dialogs.Push(a);
  c.Color = clRed;
  color->Edit();
  EXPECT_EQ(c.Color, clRed);
  SetDialogService(nullptr);
}

TEST(PropEditors, ShortCutTexts) {
  const std::pair<int, const char*> cases[] = {{0, "(None)"},
                                               {0x4000 | 'A', "Ctrl+A"},
                                               {VK_F1 + 2, "F3"},
                                               {0x2000 | VK_F1, "Shift+F1"},
                                               {0xA000 | VK_BACK, "Shift+Alt+BkSp"},
                                               {0x4000 | VK_INSERT, "Ctrl+Ins"}};
  for (auto [sc, text] : cases) {
    EXPECT_EQ(ShortCutText(sc), text);
    EXPECT_EQ(ShortCutFromText(text), sc) << text;
  }
  EXPECT_EQ(ShortCutFromText(""), 0);
  EXPECT_EQ(ShortCutFromText("Ctrl+Nothing"), -1);
}

}  // namespace
}  // namespace qv
