#include "support/PropEditors.h"

#include <algorithm>
#include <climits>
#include <mutex>

#include "platform/core/Classes.h"
#include "platform/core/Codepage.h"
#include "platform/core/ControlCore.h"
#include "platform/core/Services.h"
#include "platform/core/ShortCuts.h"
#include "platform/core/SysUtils.h"
#include "support/KitProps.h"

namespace qv {

std::string DisplayValue(const std::string& value) {
  std::string s = value;
  for (char& ch : s)
    if (static_cast<unsigned char>(ch) < 32) ch = '.';
  return s;
}

namespace {

[[noreturn]] void InvalidValue() { throw EPropertyError("Invalid property value"); }

}  // namespace

// ---------------------------------------------------------------------------
// TPropertyEditor

const void* TPropertyEditor::GetObjectValue() const {
  return IsClassProperty() ? GetObjValue().Object : nullptr;
}

std::int64_t TPropertyEditor::GetOrdValue() const { return prop_->GetValue(object_).AsOrdinal(); }
void TPropertyEditor::SetOrdValue(std::int64_t v) { SetPropValue(TPropValue::Ordinal(v)); }
double TPropertyEditor::GetFloatValue() const { return prop_->GetValue(object_).AsFloat(); }
void TPropertyEditor::SetFloatValue(double v) { SetPropValue(TPropValue::Float(v)); }
std::string TPropertyEditor::GetStrValue() const { return prop_->GetValue(object_).AsString(); }
void TPropertyEditor::SetStrValue(const std::string& v) { SetPropValue(TPropValue::String(v)); }
TPropValue TPropertyEditor::GetVarValue() const { return prop_->GetValue(object_); }
void TPropertyEditor::SetVarValue(const TPropValue& v) { SetPropValue(v); }

TObjectRef TPropertyEditor::GetObjValue() const {
  const TPropValue v = prop_->GetValue(object_);
  return v.IsObject() ? v.AsObject() : TObjectRef{};
}

void TPropertyEditor::SetObjValue(TObjectRef v) { SetPropValue(TPropValue::Object(v)); }

void TPropertyEditor::SetPropValue(const TPropValue& v) {
  prop_->SetValue(object_, v);
  if (designer_) designer_->Modified();
}

void TPropertyEditor::Edit() {
  if (!GetAttributes().Contains(paValueList)) return;
  TStringList values;
  values.SetSorted(GetAttributes().Contains(paSortList));
  GetValues([&](const std::string& s) { values.Add(s); });
  if (values.Count() == 0) return;
  int i = values.IndexOf(GetValue()) + 1;
  if (i >= values.Count()) i = 0;
  SetValue(values[i]);
}

void TPropertyEditor::ListMeasureWidth(const std::string&, TCanvas&, int&) {}

void TPropertyEditor::ListMeasureHeight(const std::string&, TCanvas&, int&) {}

void TPropertyEditor::ListDrawValue(const std::string& value, TCanvas& c, const TRect& r, bool) {
  c.TextRect(r, r.Left + 2, r.Top, value);
}

void TPropertyEditor::PropDrawValue(TCanvas& c, const TRect& r, bool) {
  c.TextRect(r, r.Left + 1, r.Top + 1, DisplayValue(GetValue()));
}

// ---------------------------------------------------------------------------
// Ordinal kinds

std::string TIntegerProperty::GetValue() const {
  std::int64_t v = GetOrdValue();
  if (GetPropType().MinValue < 0 && v > INT32_MAX && v <= std::int64_t(UINT32_MAX))
    v -= 0x100000000LL;
  return IntToStr(v);
}

void TIntegerProperty::SetValue(const std::string& value) {
  std::int64_t v;
  if (!TryStrToInt64(value, v)) throw EConvertError("'" + value + "' is not a valid integer value");
  SetOrdValue(v);
}

std::string TCharProperty::GetValue() const {
  const std::int64_t v = GetOrdValue();
  if (v > 32 && v < 127) return std::string(1, char(v));
  if (v > 127 && GetPropInfo().Kind() == tkChar && v < 256)
    return Cp1252ToUtf8(std::string(1, char(std::uint8_t(v))));
  return "#" + IntToStr(v);
}

void TCharProperty::SetValue(const std::string& value) {
  const std::u32string cps = Utf8ToUtf32(value);
  std::int64_t v;
  if (cps.size() == 1) {
    v = GetPropInfo().Kind() == tkChar ? UnicodeToCp1252(cps[0]) : std::int64_t(cps[0]);
    if (v < 0 || v > 0xFFFF) InvalidValue();
  } else if (value.size() > 1 && value[0] == '#') {
    if (!TryStrToInt64(value.substr(1), v)) InvalidValue();
  } else {
    InvalidValue();
  }
  SetOrdValue(v);
}

std::string TEnumProperty::GetValue() const {
  const std::int64_t v = GetOrdValue();
  const std::string name = GetEnumName(GetPropType(), v);
  return name.empty() ? IntToStr(v) : name;
}

void TEnumProperty::GetValues(const TGetStrProc& proc) {
  for (const std::string& n : GetPropType().Names) proc(n);
}

void TEnumProperty::SetValue(const std::string& value) {
  const std::int64_t v = GetEnumValue(GetPropType(), Trim(value));
  if (v < 0) InvalidValue();
  SetOrdValue(v);
}

std::string TFloatProperty::GetValue() const {
  return FloatToStrF(GetFloatValue(), ffGeneral, FloatDigits(GetPropType().FloatType), 0);
}

void TFloatProperty::SetValue(const std::string& value) { SetFloatValue(StrToFloat(value)); }

std::string TInt64Property::GetValue() const { return IntToStr(GetOrdValue()); }

void TInt64Property::SetValue(const std::string& value) { SetOrdValue(StrToInt64(value)); }

std::string TVariantProperty::GetValue() const { return VariantToText(GetVarValue()); }

void TVariantProperty::SetValue(const std::string& value) {
  SetVarValue(TPropValue::String(value));
}

// ---------------------------------------------------------------------------
// Sets

std::string TSetElementProperty::GetName() const {
  const TTypeInfo* comp = GetPropType().CompType;
  const std::string n = comp ? GetEnumName(*comp, element_) : std::string();
  return n.empty() ? IntToStr(element_) : n;
}

std::string TSetElementProperty::GetValue() const {
  const std::int64_t min = GetPropType().CompType ? GetPropType().CompType->MinValue : 0;
  return (GetOrdValue() >> (element_ - min)) & 1 ? "True" : "False";
}

void TSetElementProperty::GetValues(const TGetStrProc& proc) {
  proc("False");
  proc("True");
}

void TSetElementProperty::SetValue(const std::string& value) {
  const std::int64_t min = GetPropType().CompType ? GetPropType().CompType->MinValue : 0;
  const std::int64_t bit = std::int64_t(1) << (element_ - min);
  std::int64_t v = GetOrdValue();
  if (SameText(Trim(value), "True"))
    v |= bit;
  else if (SameText(Trim(value), "False"))
    v &= ~bit;
  else
    InvalidValue();
  SetOrdValue(v);
}

std::string TSetProperty::GetValue() const {
  std::string s = "[";
  const std::vector<std::string> names = SetToNames(GetPropType(), GetOrdValue());
  for (std::size_t i = 0; i < names.size(); ++i) s += (i ? "," : "") + names[i];
  return s + "]";
}

void TSetProperty::GetProperties(const TGetPropProc& proc) {
  const TTypeInfo* comp = GetPropType().CompType;
  if (!comp) return;
  for (std::int64_t e = comp->MinValue; e <= comp->MaxValue && e - comp->MinValue < 32; ++e)
    proc(std::make_unique<TSetElementProperty>(Designer(), GetComponent(), GetPropInfo(), int(e)));
}

// ---------------------------------------------------------------------------
// Classes and components

std::string TClassProperty::GetValue() const {
  const TObjectRef obj = GetObjValue();
  const TClassInfo* cls = obj.Class ? obj.Class : GetPropType().ClassType;
  return "(" + (cls ? cls->ClassName() : std::string("TObject")) + ")";
}

void TClassProperty::GetProperties(const TGetPropProc& proc) {
  const TObjectRef obj = GetObjValue();
  if (obj) GetComponentProperties(obj, tkProperties, Designer(), proc);
}

std::string TComponentProperty::GetValue() const {
  const TObjectRef obj = GetObjValue();
  if (!obj) return {};
  return Designer() ? Designer()->GetObjectName(obj) : std::string();
}

void TComponentProperty::GetValues(const TGetStrProc& proc) {
  if (Designer() && GetPropType().ClassType)
    Designer()->GetComponentNames(*GetPropType().ClassType, proc);
}

void TComponentProperty::SetValue(const std::string& value) {
  if (Trim(value).empty()) {
    SetObjValue({});
    return;
  }
  const TObjectRef obj = Designer() ? Designer()->GetComponent(Trim(value)) : TObjectRef{};
  if (!obj) InvalidValue();
  SetObjValue(obj);
}

namespace {

std::function<std::vector<std::string>()>& fontFamilies() {
  static std::function<std::vector<std::string>()> provider;
  return provider;
}

}  // namespace

void SetFontFamiliesProvider(std::function<std::vector<std::string>()> provider) {
  fontFamilies() = std::move(provider);
}

void TFontNameProperty::GetValues(const TGetStrProc& proc) {
  std::vector<std::string> names;
  if (fontFamilies()) names = fontFamilies()();
  if (names.empty())
    names = {"Arial",           "Courier New", "MS Sans Serif",
             "Times New Roman", "DejaVu Sans", "DejaVu Sans Mono"};
  for (const std::string& n : names) proc(n);
}

// ---------------------------------------------------------------------------
// Integer types with named constants

std::string TNamedIntegerProperty::GetValue() const {
  const TTypeInfo& t = GetPropType();
  std::string ident;
  if (t.IntToIdent && t.IntToIdent(GetOrdValue(), ident)) return ident;
  if (&t == &TypeInfoColor()) return ColorToString(TColor(GetOrdValue()));
  return TIntegerProperty::GetValue();
}

void TNamedIntegerProperty::SetValue(const std::string& value) {
  const TTypeInfo& t = GetPropType();
  std::int64_t v;
  if (t.IdentToInt && t.IdentToInt(Trim(value), v)) {
    SetOrdValue(v);
    return;
  }
  TIntegerProperty::SetValue(value);
}

void TColorProperty::Edit() {
  TColor c = TColor(GetOrdValue());
  if (Dialogs().ColorDialog(c)) SetOrdValue(c);
}

void TColorProperty::ListMeasureWidth(const std::string&, TCanvas& c, int& width) {
  width += c.TextHeight("M");  // the swatch
}

void TColorProperty::ListDrawValue(const std::string& value, TCanvas& c, const TRect& r,
                                   bool selected) {
  std::int64_t v = 0;
  TColor color = clNone;
  if (IdentToColor(value, v))
    color = TColor(v);
  else if (TryStrToInt64(value, v))
    color = TColor(v);
  const int right = r.Left + (r.Bottom - r.Top);
  TPen pen;
  pen.Assign(c.Pen);
  TBrush brush;
  brush.Assign(c.Brush);
  // The swatch: a box in the colour, framed in black (white on a selection).
  c.Pen.SetStyle(psSolid);
  c.Pen.SetColor(selected ? clWindow : clBlack);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(color == clNone ? clWindow : ColorToRGB(color));
  c.Rectangle(r.Left + 1, r.Top + 1, right - 1, r.Bottom - 1);
  c.Pen.Assign(pen);
  c.Brush.Assign(brush);
  c.TextRect(Rect(right, r.Top, r.Right, r.Bottom), right + 1, r.Top, value);
}

void TColorProperty::PropDrawValue(TCanvas& c, const TRect& r, bool selected) {
  if (selected)
    TPropertyEditor::PropDrawValue(c, r, selected);
  else
    ListDrawValue(GetValue(), c, r, false);
}

// ---------------------------------------------------------------------------
// Modal results and shortcuts

namespace {

const char* const kModalResults[] = {"mrNone",  "mrOk",      "mrCancel",  "mrAbort",
                                     "mrRetry", "mrIgnore",  "mrYes",     "mrNo",
                                     "mrAll",   "mrNoToAll", "mrYesToAll"};

// The shortcuts a shortcut property offers.
std::vector<int> offeredShortCuts() {
  std::vector<int> v{0};
  for (int k = 'A'; k <= 'Z'; ++k) v.push_back(scCtrl | k);
  for (int k = 'A'; k <= 'Z'; ++k) v.push_back(scCtrl | scAlt | k);
  for (int mods : {0, scCtrl, scShift, scShift | scCtrl})
    for (int f = 0; f < 12; ++f) v.push_back(mods | (VK_F1 + f));
  for (int k : {VK_INSERT, VK_DELETE})
    for (int mods : {0, scShift, scCtrl}) v.push_back(mods | k);
  v.push_back(scAlt | VK_BACK);
  v.push_back(scShift | scAlt | VK_BACK);
  return v;
}

}  // namespace

std::string ShortCutText(int shortCut) {
  if (shortCut == 0) return "(None)";
  const std::string text = ShortCutToText(shortCut);
  return text.empty() ? IntToStr(shortCut) : text;
}

int ShortCutFromText(std::string_view text) {
  const std::string t = Trim(text);
  if (t.empty() || SameText(t, "(None)")) return 0;
  const int s = TextToShortCut(t);
  return s == 0 ? -1 : s;
}

std::string TModalResultProperty::GetValue() const {
  const std::int64_t v = GetOrdValue();
  if (v >= 0 && v < std::int64_t(std::size(kModalResults))) return kModalResults[v];
  return IntToStr(v);
}

void TModalResultProperty::GetValues(const TGetStrProc& proc) {
  for (const char* n : kModalResults) proc(n);
}

void TModalResultProperty::SetValue(const std::string& value) {
  for (std::size_t i = 0; i < std::size(kModalResults); ++i)
    if (SameText(Trim(value), kModalResults[i])) {
      SetOrdValue(std::int64_t(i));
      return;
    }
  TIntegerProperty::SetValue(value);
}

void TShortCutProperty::GetValues(const TGetStrProc& proc) {
  for (int s : offeredShortCuts()) proc(ShortCutText(s));
}

void TShortCutProperty::SetValue(const std::string& value) {
  const int s = ShortCutFromText(value);
  if (s < 0) InvalidValue();
  SetOrdValue(s);
}

// ---------------------------------------------------------------------------
// Fonts, dates, styles

void TFontProperty::Edit() {
  TFont* font = ObjectCast<TFont>(GetObjValue());
  if (!font) return;
  TFont copy;
  copy.Assign(*font);
  if (Dialogs().FontDialog(copy)) SetObjValue(MakeObjectRef(&copy));
}

std::string TDateProperty::GetValue() const {
  const double v = GetFloatValue();
  return v == 0 ? std::string() : DateToStr(v);
}

void TDateProperty::SetValue(const std::string& value) {
  SetFloatValue(Trim(value).empty() ? 0.0 : StrToDate(value));
}

std::string TTimeProperty::GetValue() const {
  const double v = GetFloatValue();
  return v == 0 ? std::string() : TimeToStr(v);
}

void TTimeProperty::SetValue(const std::string& value) {
  SetFloatValue(Trim(value).empty() ? 0.0 : StrToTime(value));
}

std::string TDateTimeProperty::GetValue() const {
  const double v = GetFloatValue();
  return v == 0 ? std::string() : DateTimeToStr(v);
}

void TDateTimeProperty::SetValue(const std::string& value) {
  SetFloatValue(Trim(value).empty() ? 0.0 : StrToDateTime(value));
}

namespace {

// A sample box for the style lists, as wide as the item is high.
int sampleWidth(TCanvas& c) { return c.TextHeight("Wg") * 2; }

}  // namespace

void TBrushStyleProperty::ListMeasureWidth(const std::string&, TCanvas& c, int& width) {
  width += sampleWidth(c);
}

void TBrushStyleProperty::ListDrawValue(const std::string& value, TCanvas& c, const TRect& r,
                                        bool selected) {
  const int right = r.Left + sampleWidth(c);
  const TBrushStyle style =
      TBrushStyle(std::max<std::int64_t>(0, GetEnumValue(GetPropType(), value)));
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(selected ? clHighlight : clWindow);
  c.FillRect(Rect(r.Left, r.Top, right, r.Bottom));
  c.Pen.SetColor(selected ? clHighlightText : clWindowText);
  c.Brush.SetColor(selected ? clHighlightText : clWindowText);
  c.Brush.SetStyle(style);
  c.Rectangle(r.Left + 1, r.Top + 1, right - 1, r.Bottom - 1);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(selected ? clHighlight : clWindow);
  c.TextRect(Rect(right, r.Top, r.Right, r.Bottom), right + 1, r.Top, value);
}

void TPenStyleProperty::ListMeasureWidth(const std::string&, TCanvas& c, int& width) {
  width += sampleWidth(c);
}

void TPenStyleProperty::ListDrawValue(const std::string& value, TCanvas& c, const TRect& r,
                                      bool selected) {
  const int right = r.Left + sampleWidth(c);
  const TPenStyle style = TPenStyle(std::max<std::int64_t>(0, GetEnumValue(GetPropType(), value)));
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(selected ? clHighlight : clWindow);
  c.FillRect(Rect(r.Left, r.Top, right, r.Bottom));
  c.Pen.SetColor(selected ? clHighlightText : clWindowText);
  c.Pen.SetStyle(style);
  const int y = (r.Top + r.Bottom) / 2;
  c.MoveTo(r.Left + 1, y);
  c.LineTo(right - 1, y);
  c.Pen.SetStyle(psSolid);
  c.TextRect(Rect(right, r.Top, r.Right, r.Bottom), right + 1, r.Top, value);
}

// ---------------------------------------------------------------------------
// The registry

namespace {

struct TRegistration {
  const TTypeInfo* Type;
  const TClassInfo* ComponentClass;
  std::string PropertyName;
  TPropertyEditorFactory Factory;
};

std::mutex gRegistryMutex;

std::vector<TRegistration>& registrations() {
  static std::vector<TRegistration> list;
  return list;
}

void registerStandardEditors();

void ensureStandardEditors() {
  static std::once_flag once;
  std::call_once(once, registerStandardEditors);
}

bool typeMatches(const TRegistration& r, const TTypeInfo& type, bool& exact) {
  exact = r.Type == &type;
  if (exact) return true;
  return r.Type->Kind == tkClass && type.Kind == tkClass && r.Type->ClassType && type.ClassType &&
         type.ClassType->InheritsFrom(*r.Type->ClassType);
}

std::unique_ptr<TPropertyEditor> defaultEditor(TFormDesigner* d, TObjectRef o, const TPropInfo& p) {
  switch (p.Kind()) {
    case tkInteger:
      return std::make_unique<TIntegerProperty>(d, o, p);
    case tkChar:
    case tkWChar:
      return std::make_unique<TCharProperty>(d, o, p);
    case tkEnumeration:
      return std::make_unique<TEnumProperty>(d, o, p);
    case tkFloat:
      return std::make_unique<TFloatProperty>(d, o, p);
    case tkString:
    case tkLString:
    case tkWString:
      return std::make_unique<TStringProperty>(d, o, p);
    case tkSet:
      return std::make_unique<TSetProperty>(d, o, p);
    case tkClass:
      if (p.PropType().ClassType && p.PropType().ClassType->IsComponent())
        return std::make_unique<TComponentProperty>(d, o, p);
      return std::make_unique<TClassProperty>(d, o, p);
    case tkVariant:
      return std::make_unique<TVariantProperty>(d, o, p);
    case tkInt64:
      return std::make_unique<TInt64Property>(d, o, p);
    default:
      return std::make_unique<TPropertyEditor>(d, o, p);
  }
}

}  // namespace

void RegisterPropertyEditor(const TTypeInfo& propertyType, const TClassInfo* componentClass,
                            const std::string& propertyName, TPropertyEditorFactory factory) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  registrations().push_back({&propertyType, componentClass, propertyName, std::move(factory)});
}

std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TFormDesigner* designer, TObjectRef object,
                                                      const TPropInfo& prop) {
  ensureStandardEditors();
  const TPropertyEditorFactory* best = nullptr;
  const TRegistration* bestReg = nullptr;
  bool bestExact = false;
  {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    const std::vector<TRegistration>& list = registrations();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      const TRegistration& r = *it;
      bool exact = false;
      if (!typeMatches(r, prop.PropType(), exact)) continue;
      if (r.ComponentClass && !(object.Class && object.Class->InheritsFrom(*r.ComponentClass)))
        continue;
      if (!r.PropertyName.empty() && !SameText(r.PropertyName, prop.Name())) continue;
      bool better = !bestReg;
      if (!better) {
        if (r.ComponentClass && !bestReg->ComponentClass)
          better = true;
        else if (!r.PropertyName.empty() && bestReg->PropertyName.empty())
          better = true;
        else if (exact && !bestExact)
          better = true;
        else if (r.Type->Kind == tkClass && bestReg->Type->Kind == tkClass && r.Type->ClassType &&
                 bestReg->Type->ClassType && r.Type != bestReg->Type &&
                 r.Type->ClassType->InheritsFrom(*bestReg->Type->ClassType))
          better = true;
      }
      if (better) {
        bestReg = &r;
        best = &r.Factory;
        bestExact = exact;
      }
    }
  }
  if (best) return (*best)(designer, object, prop);
  return defaultEditor(designer, object, prop);
}

void GetComponentProperties(TObjectRef object, TTypeKinds filter, TFormDesigner* designer,
                            const TGetPropProc& proc) {
  if (!object || !object.Class) return;
  for (const TPropInfo* p : object.Class->Properties())
    if (filter & TypeKindBit(p->Kind())) proc(CreatePropertyEditor(designer, object, *p));
}

namespace {

void registerStandardEditors() {
  RegisterPropertyEditor<TCaptionProperty>(TypeInfoCaption());
  RegisterPropertyEditor<TColorProperty>(TypeInfoColor());
  RegisterPropertyEditor<TComponentNameProperty>(TypeInfoComponentName());
  RegisterPropertyEditor<TCursorProperty>(TypeInfoCursor());
  RegisterPropertyEditor<TDateProperty>(TypeInfoDate());
  RegisterPropertyEditor<TDateTimeProperty>(TypeInfoDateTime());
  RegisterPropertyEditor<TFontCharsetProperty>(TypeInfoFontCharset());
  RegisterPropertyEditor<TImeNameProperty>(TypeInfoImeName());
  RegisterPropertyEditor<TTimeProperty>(TypeInfoTime());
  RegisterPropertyEditor<TFontNameProperty>(TypeInfoFontName());
  RegisterPropertyEditor<TFontProperty>(ClassInfoFont().TypeInfo());
  RegisterPropertyEditor<TModalResultProperty>(TypeInfoModalResult());
  RegisterPropertyEditor<TShortCutProperty>(TypeInfoShortCut());
  RegisterPropertyEditor<TTabOrderProperty>(TypeInfoTabOrder());
  RegisterPropertyEditor<TBrushStyleProperty>(TypeInfoBrushStyle());
  RegisterPropertyEditor<TInt64Property>(TypeInfoInt64());
  RegisterPropertyEditor<TPenStyleProperty>(TypeInfoPenStyle());
}

}  // namespace

}  // namespace qv
