// Published-property descriptions: declaration order and inheritance, typed
// get and set with the type checks, type identity, dynamic classes,
// defaults and stored tests, named constants, dotted paths.
#include <gtest/gtest.h>

#include "DemoComponents.h"
#include "platform/core/ControlCore.h"
#include "platform/core/PublishedProps.h"

namespace qv {
namespace {

using demo::TDemoAxis;
using demo::TDemoChart;
using demo::TDemoLineSeries;
using demo::TDemoPen;
using demo::TDemoSeries;

std::vector<std::string> names(const TClassInfo& c) {
  std::vector<std::string> out;
  for (const TPropInfo* p : c.Properties()) out.push_back(p->Name());
  return out;
}

// A font class that redeclares Color with its own default, as the chart
// fonts do.
class TRedFont : public TFont {
 public:
  TRedFont() { SetColor(clRed); }
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TRedFont, TFont>("TRedFont", ClassInfoFont())
            .Property("Color", TypeInfoColor(), &TFont::Color, &TFont::SetColor)
            .Default(clRed)
            .Property("Shadow", TypeInfoBoolean(), &TRedFont::shadow_, &TRedFont::shadow_)
            .Default(false)
            .Register();
    return info;
  }

 private:
  bool shadow_ = false;
};

TEST(PublishedProps, PropertiesInDeclarationOrderAncestorsFirst) {
  EXPECT_EQ(names(ClassInfoFont()), (std::vector<std::string>{"Charset", "Color", "Height", "Name",
                                                              "Pitch", "Size", "Style"}));
  // A redeclared property keeps the ancestor's place; new ones follow.
  const TClassInfo& red = TRedFont::ClassInfo();
  EXPECT_EQ(names(red), (std::vector<std::string>{"Charset", "Color", "Height", "Name", "Pitch",
                                                  "Size", "Style", "Shadow"}));
  EXPECT_EQ(&red.FindProperty("color")->Owner(), &red);
  EXPECT_EQ(&red.FindProperty("HEIGHT")->Owner(), &ClassInfoFont());
  EXPECT_EQ(red.FindProperty("Colour"), nullptr);
  EXPECT_TRUE(red.InheritsFrom(ClassInfoFont()));
  EXPECT_FALSE(ClassInfoFont().InheritsFrom(red));
  EXPECT_EQ(FindClassInfo("tredfont"), &red);
  EXPECT_EQ(ClassInfoOf(typeid(TRedFont)), &red);
  EXPECT_EQ(names(TDemoPen::ClassInfo()),
            (std::vector<std::string>{"Color", "Mode", "Style", "Width", "Visible"}));
}

TEST(PublishedProps, GetAndSetEachKind) {
  TDemoChart::RegisterClasses();
  TDemoChart c;
  const TObjectRef ref = MakeObjectRef(&c);
  ASSERT_EQ(ref.Class, &TDemoChart::ClassInfo());
  auto prop = [&](const char* n) { return ref.Class->FindProperty(n); };

  prop("Count")->SetValue(ref, TPropValue::Ordinal(-7));
  EXPECT_EQ(c.Count, -7);
  prop("Align")->SetValue(ref, TPropValue::Ordinal(demo::daRight));
  EXPECT_EQ(c.Align, demo::daRight);
  prop("Styles")->SetValue(ref, TPropValue::Ordinal(1 | 4));
  EXPECT_EQ(c.Styles, (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(prop("Styles")->GetValue(ref), TPropValue::Ordinal(5));
  prop("Ratio")->SetValue(ref, TPropValue::Ordinal(3));  // an ordinal is taken as a float
  EXPECT_EQ(c.Ratio, 3.0);
  EXPECT_TRUE(prop("Ratio")->GetValue(ref).IsFloat());
  prop("Caption")->SetValue(ref, TPropValue::String("Grüße"));
  EXPECT_EQ(c.Caption, "Grüße");
  prop("Big")->SetValue(ref, TPropValue::Ordinal(1LL << 40));
  EXPECT_EQ(c.Big, 1LL << 40);
  prop("Tag")->SetValue(ref, TPropValue::String("x"));
  EXPECT_EQ(c.Tag, TPropValue::String("x"));
  prop("Tag")->SetValue(ref, TPropValue());
  EXPECT_TRUE(c.Tag.IsEmpty());
  prop("Color")->SetValue(ref, TPropValue::Ordinal(-2147483633));  // clBtnFace as an int32
  EXPECT_EQ(c.Color, clBtnFace);

  // Objects: the nested title, and an object reference set and cleared.
  const TPropValue title = prop("Title")->GetValue(ref);
  ASSERT_TRUE(title.IsObject());
  EXPECT_EQ(title.AsObject().Object, &c.Title());
  EXPECT_EQ(title.AsObject().Class, &demo::TDemoTitle::ClassInfo());
  TDemoLineSeries line;
  prop("Active")->SetValue(ref, TPropValue::Object(MakeObjectRef(&line)));
  EXPECT_EQ(c.Active, &line);
  prop("Active")->SetValue(ref, TPropValue());
  EXPECT_EQ(c.Active, nullptr);
}

TEST(PublishedProps, RejectedValuesKeepTheOldValue) {
  TDemoChart::RegisterClasses();
  TDemoChart c;
  c.Count = 9;
  const TObjectRef ref = MakeObjectRef(&c);
  const TClassInfo& ci = *ref.Class;
  auto message = [&](const char* p, const TPropValue& v) {
    try {
      ci.FindProperty(p)->SetValue(ref, v);
    } catch (const EPropertyError& e) {
      return e.Message();
    }
    return std::string("accepted");
  };
  EXPECT_EQ(message("ReadOnlyCount", TPropValue::Ordinal(1)), "Property is read-only");
  EXPECT_EQ(message("Count", TPropValue::String("9")), "Invalid property value");
  EXPECT_EQ(message("Count", TPropValue::Ordinal(1LL << 32)),
            "Value must be between -2147483648 and 2147483647");
  EXPECT_EQ(message("Align", TPropValue::Ordinal(3)), "Invalid property value");
  EXPECT_EQ(message("Styles", TPropValue::Ordinal(16)), "Invalid property value");
  EXPECT_EQ(message("Caption", TPropValue::Ordinal(1)), "Invalid property value");
  EXPECT_EQ(message("Tag", TPropValue::Object(MakeObjectRef(&c))), "Invalid property value");
  // An object of an unrelated class is no series.
  EXPECT_EQ(message("Active", TPropValue::Object(MakeObjectRef(&c))), "Invalid property value");
  EXPECT_EQ(c.Count, 9);
  EXPECT_EQ(c.Active, nullptr);

  demo::TDemoKey key;
  const TObjectRef kref = MakeObjectRef(&key);
  EXPECT_THROW(kref.Class->FindProperty("ShortCut")->SetValue(kref, TPropValue::Ordinal(65536)),
               EPropertyError);
  // A property of one class asked of an object of another.
  try {
    ci.FindProperty("Count")->GetValue(kref);
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Invalid class typecast");
  }
}

TEST(PublishedProps, TypesHaveIdentityByName) {
  const TClassInfo& font = ClassInfoFont();
  EXPECT_EQ(&font.FindProperty("Color")->PropType(), &TypeInfoColor());
  EXPECT_NE(&TypeInfoColor(), &TypeInfoInteger());
  EXPECT_EQ(font.FindProperty("Color")->Kind(), tkInteger);
  EXPECT_EQ(&font.FindProperty("Style")->PropType(), &TypeInfoFontStyles());
  EXPECT_EQ(TypeInfoFontStyles().CompType, &TypeInfoFontStyle());
  EXPECT_EQ(&font.FindProperty("Name")->PropType(), &TypeInfoFontName());
  EXPECT_EQ(FindTypeInfo("tcolor"), &TypeInfoColor());
  EXPECT_EQ(FindTypeInfo("TNoSuchType"), nullptr);
  // Class-typed properties carry the class, so an editor registered for
  // TFont also serves a class derived from it.
  const TPropInfo* titleFont = demo::TDemoTitle::ClassInfo().FindProperty("Font");
  EXPECT_EQ(titleFont->Kind(), tkClass);
  EXPECT_EQ(titleFont->PropType().ClassType, &font);
  EXPECT_TRUE(TRedFont::ClassInfo().TypeInfo().ClassType->InheritsFrom(font));
  EXPECT_EQ(TypeInfoShortCut().MaxValue, 65535);
  EXPECT_TRUE((tkProperties & TypeKindBit(tkClass)) != 0);
  EXPECT_TRUE((tkProperties & TypeKindBit(tkMethod)) == 0);
}

TEST(PublishedProps, ObjectsAreSeenWithTheirDynamicClass) {
  TDemoChart::RegisterClasses();
  TDemoLineSeries line;
  TDemoSeries* base = &line;
  const TObjectRef ref = MakeObjectRef(base);
  EXPECT_EQ(ref.Class, &TDemoLineSeries::ClassInfo());
  EXPECT_EQ(ObjectCast<TDemoSeries>(ref), base);
  EXPECT_EQ(ObjectCast<TDemoLineSeries>(ref), &line);
  EXPECT_EQ(ObjectCast<TDemoChart>(ref), nullptr);
  // Inherited and own properties both work on the derived object.
  ref.Class->FindProperty("LineWidth")->SetValue(ref, TPropValue::Ordinal(3));
  ref.Class->FindProperty("SeriesColor")->SetValue(ref, TPropValue::Ordinal(clBlue));
  EXPECT_EQ(line.LineWidth, 3);
  EXPECT_EQ(line.SeriesColor, clBlue);
  // A TFont pointer to a derived font finds the derived description.
  TRedFont::ClassInfo();
  TRedFont red;
  TFont* f = &red;
  EXPECT_EQ(MakeObjectRef(f).Class, &TRedFont::ClassInfo());
  // The standard string list is known through a TStrings pointer.
  TStringList list;
  TStrings* s = &list;
  EXPECT_EQ(MakeObjectRef(s).Class, &ClassInfoStringList());
}

TEST(PublishedProps, DefaultsAndStoredTests) {
  TDemoChart::RegisterClasses();
  TDemoChart c;
  const TObjectRef ref = MakeObjectRef(&c);
  auto isDefault = [&](const char* n) { return ref.Class->FindProperty(n)->IsDefaultValue(ref); };
  // Without Default(): ordinals are never default; floats, int64, strings
  // and variants are when 0 / empty.
  struct Case {
    const char* prop;
    bool atStart;
  };
  for (const Case& k : {Case{"Count", false}, Case{"Ratio", true}, Case{"Big", true},
                        Case{"Caption", true}, Case{"Tag", true}, Case{"Align", true},
                        Case{"Color", true}, Case{"Styles", true}, Case{"Title", false}})
    EXPECT_EQ(isDefault(k.prop), k.atStart) << k.prop;
  c.Ratio = 0.5;
  c.Big = -1;
  c.Caption = "x";
  c.Tag = TPropValue::Ordinal(0);
  c.Align = demo::daCenter;
  c.Color = clWhite;
  c.Styles = {fsItalic};
  for (const char* n : {"Ratio", "Big", "Caption", "Tag", "Align", "Color", "Styles"})
    EXPECT_FALSE(isDefault(n)) << n;

  TDemoAxis axis;
  const TObjectRef aref = MakeObjectRef(&axis);
  const TPropInfo* maximum = aref.Class->FindProperty("Maximum");
  EXPECT_FALSE(maximum->IsStored(aref));
  axis.Automatic = false;
  EXPECT_TRUE(maximum->IsStored(aref));
  EXPECT_FALSE(ClassInfoFont().FindProperty("Size")->IsStored(MakeObjectRef(&c.Title().Font())));
}

TEST(PublishedProps, NamedConstantsAndSetNames) {
  struct ColorCase {
    TColor color;
    const char* text;
  };
  for (const ColorCase& k :
       {ColorCase{clBlack, "clBlack"}, ColorCase{clBtnFace, "clBtnFace"},
        ColorCase{clNone, "clNone"}, ColorCase{clDefault, "clDefault"},
        ColorCase{0x00123456, "$00123456"}, ColorCase{0x80000019, "$80000019"}}) {
    EXPECT_EQ(ColorToString(k.color), k.text);
    EXPECT_EQ(StringToColor(k.text), k.color);
  }
  EXPECT_EQ(StringToColor("CLRED"), clRed);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_THROW(StringToColor("reddish"), EConvertError);
  std::string ident;
  std::int64_t v = 0;
  EXPECT_TRUE(CursorToIdent(crHourGlass, ident));
  EXPECT_EQ(ident, "crHourGlass");
  EXPECT_TRUE(IdentToCursor("crhandpoint", v));
  EXPECT_EQ(v, crHandPoint);
  EXPECT_TRUE(CharsetToIdent(1, ident));
  EXPECT_EQ(ident, "DEFAULT_CHARSET");
  EXPECT_FALSE(CharsetToIdent(3, ident));

  EXPECT_EQ(GetEnumName(TypeInfoBoolean(), 1), "True");
  EXPECT_EQ(GetEnumName(TypeInfoBoolean(), 2), "");
  EXPECT_EQ(GetEnumValue(TypeInfoPenStyle(), "PSDOT"), psDot);
  EXPECT_EQ(GetEnumValue(TypeInfoPenStyle(), "psDotted"), -1);
  EXPECT_EQ(SetToNames(TypeInfoFontStyles(), 0b1010),
            (std::vector<std::string>{"fsItalic", "fsStrikeOut"}));
  std::int64_t bits = 99;
  EXPECT_TRUE(NamesToSet(TypeInfoFontStyles(), {"fsStrikeOut", "FSBOLD"}, bits));
  EXPECT_EQ(bits, 0b1001);
  EXPECT_FALSE(NamesToSet(TypeInfoFontStyles(), {"fsBold", "fsWide"}, bits));
  EXPECT_EQ(bits, 0b1001);
}

TEST(PublishedProps, DottedPathsReachNestedObjects) {
  TDemoChart::RegisterClasses();
  TDemoChart c;
  TObjectRef owner;
  const TPropInfo* prop = nullptr;
  ASSERT_TRUE(FindPropertyPath(MakeObjectRef(&c), "LeftAxis.Grid.Color", owner, prop));
  EXPECT_EQ(owner.Object, &c.LeftAxis().Grid());
  prop->SetValue(owner, TPropValue::Ordinal(clGreen));
  EXPECT_EQ(c.LeftAxis().Grid().Color(), clGreen);
  ASSERT_TRUE(FindPropertyPath(MakeObjectRef(&c), "title.font.style", owner, prop));
  EXPECT_EQ(&prop->PropType(), &TypeInfoFontStyles());
  EXPECT_FALSE(FindPropertyPath(MakeObjectRef(&c), "Title.Colour", owner, prop));
  EXPECT_FALSE(FindPropertyPath(MakeObjectRef(&c), "Count.Value", owner, prop));
  EXPECT_FALSE(FindPropertyPath(MakeObjectRef(&c), "Active.Name", owner, prop));  // null object
}

TEST(PublishedProps, RegistrationMistakesAreCaught) {
  struct TDup {
    int A = 0;
  };
  TDemoChart::ClassInfo();
  EXPECT_THROW(TClassBuilder<TDup>("TDemoChart").Register(), EPropertyError);
  EXPECT_THROW(TClassBuilder<TDup>("TDupTwice")
                   .Property("A", TypeInfoInteger(), &TDup::A, &TDup::A)
                   .Property("a", TypeInfoInteger(), &TDup::A, &TDup::A)
                   .Register(),
               EPropertyError);
  EXPECT_THROW(TClassBuilder<TDup>("TDupDefault")
                   .Property("A", TypeInfoByte(), &TDup::A, &TDup::A)
                   .Default(300)
                   .Register(),
               EPropertyError);
  EXPECT_THROW(TClassBuilder<TDup>("TDupEarly").Default(1), EPropertyError);
}

}  // namespace
}  // namespace qv
