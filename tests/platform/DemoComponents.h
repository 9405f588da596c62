// Small described classes shaped like the program's streamed objects: a
// chart-like component with nested option objects, a string list, a pen,
// a font, a key-binding-like collection, child series components with a
// binary "Data" property, and a reference to one of them. Used by the
// published-property and component-stream tests and the stream fuzz target.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/ComponentStream.h"
#include "platform/core/PublishedProps.h"

namespace qv::demo {

enum TDemoAlign { daLeft, daCenter, daRight };

inline const TTypeInfo& TypeInfoDemoAlign() {
  static const TTypeInfo& t = RegisterEnumType("TDemoAlign", {"daLeft", "daCenter", "daRight"});
  return t;
}

// Named constants of an integer type, as the editor's command numbers.
inline const TTypeInfo& TypeInfoDemoCommand() {
  static const TTypeInfo& t = RegisterIntegerType(
      "TDemoCommand", 0, 65535,
      [](std::int64_t v, std::string& s) {
        if (v == 3) s = "ecUp";
        if (v == 4) s = "ecDown";
        return v == 3 || v == 4;
      },
      [](std::string_view s, std::int64_t& v) {
        if (SameText(s, "ecUp")) v = 3;
        if (SameText(s, "ecDown")) v = 4;
        return SameText(s, "ecUp") || SameText(s, "ecDown");
      });
  return t;
}

class TDemoPen : public TPen {
 public:
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoPen, TPen>("TDemoPen", ClassInfoPen())
            .Property("Visible", TypeInfoBoolean(), &TDemoPen::Visible, &TDemoPen::SetVisible)
            .Default(true)
            .Register();
    return info;
  }

 private:
  bool visible_ = true;
};

class TDemoTitle {
 public:
  TStrings& Text() { return text_; }
  TFont& Font() { return font_; }
  bool Visible = true;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoTitle>("TDemoTitle")
            .Property("Font", ClassInfoFont(), &TDemoTitle::Font)
            .Property("Text", ClassInfoStrings(), &TDemoTitle::Text,
                      [](TDemoTitle& t, const TStrings& s) { t.text_.Assign(s); })
            .Property("Visible", TypeInfoBoolean(), &TDemoTitle::Visible, &TDemoTitle::Visible)
            .Default(true)
            .Register();
    return info;
  }

 private:
  TStringList text_;
  TFont font_;
};

class TDemoAxis {
 public:
  TDemoPen& Grid() { return grid_; }
  bool Automatic = true;
  double Minimum = 0;
  double Maximum = 0;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoAxis>("TDemoAxis")
            .Property("Automatic", TypeInfoBoolean(), &TDemoAxis::Automatic, &TDemoAxis::Automatic)
            .Default(true)
            .Property("Grid", TDemoPen::ClassInfo(), &TDemoAxis::Grid)
            .Property("Maximum", TypeInfoDouble(), &TDemoAxis::Maximum, &TDemoAxis::Maximum)
            .Stored([](TDemoAxis& a) { return !a.Automatic; })
            .Property("Minimum", TypeInfoDouble(), &TDemoAxis::Minimum, &TDemoAxis::Minimum)
            .Stored([](TDemoAxis& a) { return !a.Automatic; })
            .Register();
    return info;
  }

 private:
  TDemoPen grid_;
};

class TDemoKey {
 public:
  int Command = 0;
  int ShortCut = 0;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoKey>("TDemoKey")
            .Property("Command", TypeInfoDemoCommand(), &TDemoKey::Command, &TDemoKey::Command)
            .Property("ShortCut", TypeInfoShortCut(), &TDemoKey::ShortCut, &TDemoKey::ShortCut)
            .Default(0)
            .Register();
    return info;
  }
};

class TDemoKeys {
 public:
  std::vector<std::unique_ptr<TDemoKey>> Items;
  TDemoKey& Add() { return *Items.emplace_back(std::make_unique<TDemoKey>()); }
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoKeys>("TDemoKeys")
            .Collection(
                TDemoKey::ClassInfo(), [](TDemoKeys& k) { return k.Items.size(); },
                [](TDemoKeys& k, int i) -> TDemoKey& { return *k.Items[static_cast<size_t>(i)]; },
                [](TDemoKeys& k) -> TDemoKey& { return k.Add(); },
                [](TDemoKeys& k) { k.Items.clear(); })
            .Register();
    return info;
  }
};

class TDemoSeries {
 public:
  virtual ~TDemoSeries() = default;
  std::string Name;
  TColor SeriesColor = clRed;
  std::vector<double> Data;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoSeries>("TDemoSeries")
            .Component()
            .Property("Name", TypeInfoComponentName(), &TDemoSeries::Name, &TDemoSeries::Name)
            .Stored(false)
            .Property("SeriesColor", TypeInfoColor(), &TDemoSeries::SeriesColor,
                      &TDemoSeries::SeriesColor)
            .DefineProperties([](TDemoSeries& s, TFiler& f) {
              f.DefineBinaryProperty(
                  "Data",
                  [&s](TStream& in) {
                    s.Data.clear();
                    while (in.Remaining() >= 8) s.Data.push_back(in.ReadLE<double>());
                  },
                  [&s](TStream& out) {
                    for (double d : s.Data) out.WriteLE<double>(d);
                  },
                  !s.Data.empty());
            })
            .Register();
    return info;
  }
};

// A series class of its own, reached through TDemoSeries pointers.
class TDemoLineSeries : public TDemoSeries {
 public:
  int LineWidth = 1;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoLineSeries, TDemoSeries>("TDemoLineSeries", TDemoSeries::ClassInfo())
            .Property("LineWidth", TypeInfoInteger(), &TDemoLineSeries::LineWidth,
                      &TDemoLineSeries::LineWidth)
            .Default(1)
            .Register();
    return info;
  }
};

class TDemoChart {
 public:
  std::string Name;
  TDemoAlign Align = daLeft;
  TColor Color = clBtnFace;
  TFontStyles Styles;
  double Ratio = 0;
  float Small = 0;
  double Money = 0;
  double When = 0;
  std::int64_t Big = 0;
  std::string Caption;
  std::string Wide;
  TPropValue Tag;
  int Count = 0;
  TDemoTitle& Title() { return title_; }
  TDemoAxis& LeftAxis() { return leftAxis_; }
  TDemoKeys& Keys() { return keys_; }
  std::vector<std::unique_ptr<TDemoSeries>> Series;
  TDemoSeries* Active = nullptr;
  int ReadOnlyCount() const { return 42; }

  static void RegisterClasses() {
    ClassInfo();
    TDemoLineSeries::ClassInfo();
  }

  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoChart>("TDemoChart")
            .Component()
            .Property("Name", TypeInfoComponentName(), &TDemoChart::Name, &TDemoChart::Name)
            .Stored(false)
            .Property("Active", TDemoSeries::ClassInfo(), &TDemoChart::Active, &TDemoChart::Active)
            .Property("Align", TypeInfoDemoAlign(), &TDemoChart::Align, &TDemoChart::Align)
            .Default(daLeft)
            .Property("Big", TypeInfoInt64(), &TDemoChart::Big, &TDemoChart::Big)
            .Property("Caption", TypeInfoCaption(), &TDemoChart::Caption, &TDemoChart::Caption)
            .Property("Color", TypeInfoColor(), &TDemoChart::Color, &TDemoChart::Color)
            .Default(clBtnFace)
            .Property("Count", TypeInfoInteger(), &TDemoChart::Count, &TDemoChart::Count)
            .Property("Keys", TDemoKeys::ClassInfo(), &TDemoChart::Keys)
            .Property("LeftAxis", TDemoAxis::ClassInfo(), &TDemoChart::LeftAxis)
            .Property("Money", TypeInfoCurrency(), &TDemoChart::Money, &TDemoChart::Money)
            .Property("Ratio", TypeInfoDouble(), &TDemoChart::Ratio, &TDemoChart::Ratio)
            .Property("ReadOnlyCount", TypeInfoInteger(), &TDemoChart::ReadOnlyCount)
            .Property("Small", TypeInfoSingle(), &TDemoChart::Small, &TDemoChart::Small)
            .Property("Styles", TypeInfoFontStyles(), &TDemoChart::Styles, &TDemoChart::Styles)
            .Default(TFontStyles{})
            .Property("Tag", TypeInfoVariant(), &TDemoChart::Tag, &TDemoChart::Tag)
            .Property("Title", TDemoTitle::ClassInfo(), &TDemoChart::Title)
            .Property("When", TypeInfoDateTime(), &TDemoChart::When, &TDemoChart::When)
            .Property("Wide", TypeInfoWideString(), &TDemoChart::Wide, &TDemoChart::Wide)
            .Children([](TDemoChart& c, const TClassInfo::TChildProc& proc) {
              for (auto& s : c.Series) proc(MakeObjectRef(s.get()));
            })
            .Register();
    return info;
  }

 private:
  TDemoTitle title_;
  TDemoAxis leftAxis_;
  TDemoKeys keys_;
};

// Read options that create the series children and resolve references to
// them by name.
inline TReadOptions DemoReadOptions(TDemoChart& chart, std::vector<std::string>* errors = nullptr) {
  TReadOptions o;
  o.OnChild = [&chart](TObjectRef, const TComponentHeader& h) -> TObjectRef {
    std::unique_ptr<TDemoSeries> s;
    if (h.ClassName == "TDemoLineSeries")
      s = std::make_unique<TDemoLineSeries>();
    else if (h.ClassName == "TDemoSeries")
      s = std::make_unique<TDemoSeries>();
    else
      return {};
    chart.Series.push_back(std::move(s));
    return MakeObjectRef(chart.Series.back().get());
  };
  o.FindComponent = [&chart](const std::string& name) -> TObjectRef {
    for (auto& s : chart.Series)
      if (s->Name == name) return MakeObjectRef(s.get());
    return {};
  };
  if (errors != nullptr)
    o.OnError = [errors](const std::string& path, const std::string& message) {
      errors->push_back(path + ": " + message);
    };
  return o;
}

// A chart with a value of every kind, nested objects, a collection and two
// children, one of them referenced.
inline void FillDemoChart(TDemoChart& c) {
  c.Name = "Chart1";
  c.Align = daCenter;
  c.Color = 0x80000019;  // a system colour without a name
  c.Styles = {fsBold, fsStrikeOut};
  c.Ratio = 1.0 / 3.0;
  c.Small = 0.1f;
  c.Money = 12.3456;
  c.When = 45000.5;
  c.Big = -(1LL << 40);
  c.Caption = "Résumé";
  c.Wide = "Ωmega";
  c.Tag = TPropValue::Float(2.5);
  c.Count = 70000;
  c.Title().Text().SetText("first\r\nsecond");
  c.Title().Font().SetName("Arial");
  c.Title().Font().SetStyle({fsItalic});
  c.Title().Visible = false;
  c.LeftAxis().Automatic = false;
  c.LeftAxis().Minimum = -1;
  c.LeftAxis().Maximum = 1e300;
  c.LeftAxis().Grid().SetColor(clGray);
  c.LeftAxis().Grid().SetVisible(false);
  c.Keys().Add().Command = 3;
  auto& k = c.Keys().Add();
  k.Command = 4;
  k.ShortCut = 0x4028;
  auto line = std::make_unique<TDemoLineSeries>();
  line->Name = "Line1";
  line->LineWidth = 2;
  line->Data = {1, 2.5, -3};
  c.Active = line.get();
  c.Series.push_back(std::move(line));
  auto plain = std::make_unique<TDemoSeries>();
  plain->Name = "Plain";
  plain->SeriesColor = clNone;
  c.Series.push_back(std::move(plain));
}

}  // namespace qv::demo
