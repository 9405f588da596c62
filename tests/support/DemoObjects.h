// Described test components with published properties of every kind the
// stored properties and the inspector handle, and a form holding them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FormWindowTestSupport.h"
#include "platform/core/Classes.h"
#include "platform/core/PublishedProps.h"
#include "support/PropEdits.h"

namespace qv::test {

enum TDemoAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TDemoAnchor : std::uint8_t { akLeft, akTop, akRight, akBottom };

inline const TTypeInfo& TypeInfoDemoAlign() {
  static const TTypeInfo& t = RegisterEnumType(
      "TDemoAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"});
  return t;
}
inline const TTypeInfo& TypeInfoDemoAnchor() {
  static const TTypeInfo& t =
      RegisterEnumType("TDemoAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
  return t;
}
inline const TTypeInfo& TypeInfoDemoAnchors() {
  static const TTypeInfo& t = RegisterSetType("TDemoAnchors", TypeInfoDemoAnchor());
  return t;
}

// An item of a collection.
struct TDemoItem {
  std::string Caption;
  int Width = 0;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoItem>("TDemoItem")
            .Property("Caption", TypeInfoString(), &TDemoItem::Caption, &TDemoItem::Caption)
            .Property("Width", TypeInfoInteger(), &TDemoItem::Width, &TDemoItem::Width)
            .Register();
    return info;
  }
};

struct TDemoItems {
  std::vector<std::unique_ptr<TDemoItem>> Items;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoItems>("TDemoItems")
            .Collection(
                TDemoItem::ClassInfo(), [](TDemoItems& c) { return int(c.Items.size()); },
                [](TDemoItems& c, int i) -> TDemoItem& { return *c.Items[std::size_t(i)]; },
                [](TDemoItems& c) -> TDemoItem& {
                  c.Items.push_back(std::make_unique<TDemoItem>());
                  return *c.Items.back();
                },
                [](TDemoItems& c) { c.Items.clear(); })
            .Register();
    return info;
  }
};

// A second component class, the target of component references.
class TDemoButton {
 public:
  virtual ~TDemoButton() = default;
  std::string Name;
  int Tag = 0;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoButton>("TDemoButton")
            .Component()
            .Property("Name", TypeInfoComponentName(), &TDemoButton::Name, &TDemoButton::Name)
            .Property("Tag", TypeInfoInteger(), &TDemoButton::Tag, &TDemoButton::Tag)
            .Register();
    return info;
  }
};

class TDemoControl {
 public:
  TDemoControl() { TDemoControl::ClassInfo(); }
  virtual ~TDemoControl() = default;

  std::string Name;
  int Height = 0;
  int Tag = 0;
  std::int64_t Big = 0;
  int Letter = 'a';
  bool Checked = false;
  TDemoAlign Align = alNone;
  double Ratio = 0;
  float Small = 0;
  std::string Caption;
  std::uint32_t Anchors = 0;
  TPropValue Data;
  TColor Color = clBtnFace;
  TStringList Items;
  TFont Font;
  TDemoButton* Buddy = nullptr;
  TDemoItems Columns;
  int Mask = 0;
  std::string Notes;
  std::unique_ptr<TFont> TitleFont = std::make_unique<TFont>();

  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoControl>("TDemoControl")
            .Component()
            .Property("Name", TypeInfoComponentName(), &TDemoControl::Name, &TDemoControl::Name)
            .Property("Height", TypeInfoInteger(), &TDemoControl::Height, &TDemoControl::Height)
            .Property("Tag", TypeInfoInteger(), &TDemoControl::Tag, &TDemoControl::Tag)
            .Property("Big", TypeInfoInt64(), &TDemoControl::Big, &TDemoControl::Big)
            .Property("Letter", TypeInfoChar(), &TDemoControl::Letter, &TDemoControl::Letter)
            .Property("Checked", TypeInfoBoolean(), &TDemoControl::Checked, &TDemoControl::Checked)
            .Property("Align", TypeInfoDemoAlign(), &TDemoControl::Align, &TDemoControl::Align)
            .Property("Ratio", TypeInfoDouble(), &TDemoControl::Ratio, &TDemoControl::Ratio)
            .Property("Small", TypeInfoSingle(), &TDemoControl::Small, &TDemoControl::Small)
            .Property("Caption", TypeInfoCaption(), &TDemoControl::Caption, &TDemoControl::Caption)
            .Property("Anchors", TypeInfoDemoAnchors(), &TDemoControl::Anchors,
                      &TDemoControl::Anchors)
            .Property("Data", TypeInfoVariant(), &TDemoControl::Data, &TDemoControl::Data)
            .Property("Color", TypeInfoColor(), &TDemoControl::Color, &TDemoControl::Color)
            .Property(
                "Items", ClassInfoStrings(), [](TDemoControl& c) -> TStrings& { return c.Items; },
                [](TDemoControl& c, const TStrings& s) { c.Items.Assign(s); })
            .Property(
                "Font", ClassInfoFont(), [](TDemoControl& c) -> TFont& { return c.Font; },
                [](TDemoControl& c, const TFont& f) { c.Font.Assign(f); })
            .Property("Buddy", TDemoButton::ClassInfo(), &TDemoControl::Buddy, &TDemoControl::Buddy)
            .Property("Columns", TDemoItems::ClassInfo(),
                      [](TDemoControl& c) -> TDemoItems& { return c.Columns; })
            .Property("Mask", TypeInfoHexadecimal(), &TDemoControl::Mask, &TDemoControl::Mask)
            .Property("Notes", TypeInfoMultiLineStr(), &TDemoControl::Notes, &TDemoControl::Notes)
            // Setting the title font replaces the font object.
            .Property(
                "TitleFont", ClassInfoFont(),
                [](TDemoControl& c) -> TFont& { return *c.TitleFont; },
                [](TDemoControl& c, const TFont& f) {
                  auto font = std::make_unique<TFont>();
                  font->Assign(f);
                  c.TitleFont = std::move(font);
                })
            .Register();
    return info;
  }
};

// A form whose components are TDemoControls found by name.
class TDemoForm : public TFakeFormWindow {
 public:
  std::string FormName;
  std::vector<std::unique_ptr<TDemoControl>> Controls;
  std::vector<std::unique_ptr<TDemoButton>> Buttons;

  std::string Name() const override { return FormName; }
  TDemoControl& Add(const std::string& name) {
    Controls.push_back(std::make_unique<TDemoControl>());
    Controls.back()->Name = name;
    return *Controls.back();
  }
  TDemoButton& AddButton(const std::string& name) {
    TDemoButton::ClassInfo();
    Buttons.push_back(std::make_unique<TDemoButton>());
    Buttons.back()->Name = name;
    return *Buttons.back();
  }
  void Remove(const std::string& name) {
    std::erase_if(Controls, [&](const auto& c) { return c->Name == name; });
  }
  TObjectRef FindComponent(const std::string& name) const override {
    for (const auto& c : Controls)
      if (SameText(c->Name, name)) return MakeObjectRef(c.get());
    for (const auto& b : Buttons)
      if (SameText(b->Name, name)) return MakeObjectRef(b.get());
    return {};
  }
};

}  // namespace qv::test
