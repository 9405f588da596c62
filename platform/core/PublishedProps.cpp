#include "platform/core/PublishedProps.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <mutex>
#include <span>
#include <unordered_map>

#include "platform/core/Classes.h"
#include "platform/core/ComponentStream.h"
#include "platform/core/ControlCore.h"

namespace qv {

namespace {

constexpr const char* kInvalidValue = "Invalid property value";

[[noreturn]] void invalidValue() { throw EPropertyError(kInvalidValue); }

// ---------------------------------------------------------------------------
// Registries. Descriptions are never freed, so references stay valid.

struct TypeRegistry {
  std::mutex lock;
  std::deque<std::unique_ptr<TTypeInfo>> types;
};

TypeRegistry& typeRegistry() {
  static TypeRegistry r;
  return r;
}

struct ClassRegistry {
  std::mutex lock;
  std::deque<std::unique_ptr<TClassInfo>> classes;
  std::unordered_map<std::type_index, const TClassInfo*> byType;
};

ClassRegistry& classRegistry() {
  static ClassRegistry r;
  return r;
}

// The standard classes are registered before the first lookup, so objects
// of them are always recognised.
void ensureStandardClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    ClassInfoFont();
    ClassInfoPen();
    ClassInfoBrush();
    ClassInfoStrings();
    ClassInfoStringList();
  });
}

// ---------------------------------------------------------------------------
// Named constants.

struct IdentEntry {
  std::int64_t value;
  const char* name;
};

bool valueToIdent(std::span<const IdentEntry> table, std::int64_t value, std::string& ident) {
  for (const IdentEntry& e : table) {
    if (e.value == value) {
      ident = e.name;
      return true;
    }
  }
  return false;
}

bool identToValue(std::span<const IdentEntry> table, std::string_view ident, std::int64_t& value) {
  for (const IdentEntry& e : table) {
    if (SameText(e.name, ident)) {
      value = e.value;
      return true;
    }
  }
  return false;
}

const IdentEntry kColors[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

const IdentEntry kCursors[] = {
    {crDefault, "crDefault"},
    {crArrow, "crArrow"},
    {crCross, "crCross"},
    {crIBeam, "crIBeam"},
    {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},
    {crSizeNWSE, "crSizeNWSE"},
    {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},
    {crHourGlass, "crHourGlass"},
    {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},
    {crHSplit, "crHSplit"},
    {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"},
    {crSQLWait, "crSQLWait"},
    {crNo, "crNo"},
    {crAppStart, "crAppStart"},
    {crHelp, "crHelp"},
    {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
    {crNone, "crNone"},
};

const IdentEntry kCharsets[] = {
    {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
};

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kUInt32Max = std::numeric_limits<std::uint32_t>::max();

const TTypeInfo& enumType(const char* name, std::vector<std::string> names) {
  return RegisterEnumType(name, std::move(names));
}

}  // namespace

// ---------------------------------------------------------------------------
// Values.

std::int64_t TPropValue::AsOrdinal() const {
  if (const auto* p = std::get_if<std::int64_t>(&v_)) return *p;
  invalidValue();
}

double TPropValue::AsFloat() const {
  if (const auto* p = std::get_if<double>(&v_)) return *p;
  if (const auto* p = std::get_if<std::int64_t>(&v_)) return static_cast<double>(*p);
  invalidValue();
}

const std::string& TPropValue::AsString() const {
  if (const auto* p = std::get_if<std::string>(&v_)) return *p;
  invalidValue();
}

TObjectRef TPropValue::AsObject() const {
  if (const auto* p = std::get_if<TObjectRef>(&v_)) return *p;
  invalidValue();
}

namespace props_detail {
void ThrowInvalidValue() { invalidValue(); }
}  // namespace props_detail

// ---------------------------------------------------------------------------
// Types.

const TTypeInfo& RegisterTypeInfo(TTypeInfo info) {
  TypeRegistry& r = typeRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.types.push_back(std::make_unique<TTypeInfo>(std::move(info)));
  return *r.types.back();
}

const TTypeInfo& RegisterEnumType(std::string name, std::vector<std::string> names) {
  TTypeInfo t;
  t.Name = std::move(name);
  t.Kind = tkEnumeration;
  t.MinValue = 0;
  t.MaxValue = static_cast<std::int64_t>(names.size()) - 1;
  t.Names = std::move(names);
  return RegisterTypeInfo(std::move(t));
}

const TTypeInfo& RegisterSetType(std::string name, const TTypeInfo& elementType) {
  if (elementType.MinValue < 0 || elementType.MaxValue > 63)
    throw EPropertyError("The elements of set type " + name + " must lie in 0..63");
  TTypeInfo t;
  t.Name = std::move(name);
  t.Kind = tkSet;
  t.CompType = &elementType;
  return RegisterTypeInfo(std::move(t));
}

const TTypeInfo& RegisterIntegerType(
    std::string name, std::int64_t minValue, std::int64_t maxValue,
    std::function<bool(std::int64_t, std::string&)> intToIdent,
    std::function<bool(std::string_view, std::int64_t&)> identToInt) {
  TTypeInfo t;
  t.Name = std::move(name);
  t.Kind = tkInteger;
  t.MinValue = minValue;
  t.MaxValue = maxValue;
  t.IntToIdent = std::move(intToIdent);
  t.IdentToInt = std::move(identToInt);
  return RegisterTypeInfo(std::move(t));
}

const TTypeInfo& RegisterFloatType(std::string name, TFloatType floatType) {
  TTypeInfo t;
  t.Name = std::move(name);
  t.Kind = tkFloat;
  t.FloatType = floatType;
  return RegisterTypeInfo(std::move(t));
}

const TTypeInfo& RegisterStringType(std::string name, TTypeKind kind) {
  TTypeInfo t;
  t.Name = std::move(name);
  t.Kind = kind;
  return RegisterTypeInfo(std::move(t));
}

const TTypeInfo* FindTypeInfo(std::string_view name) {
  TypeRegistry& r = typeRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const auto& t : r.types)
    if (SameText(t->Name, name)) return t.get();
  return nullptr;
}

std::string GetEnumName(const TTypeInfo& type, std::int64_t value) {
  if (value < type.MinValue || value > type.MaxValue) return {};
  const auto i = static_cast<size_t>(value - type.MinValue);
  return i < type.Names.size() ? type.Names[i] : std::string();
}

std::int64_t GetEnumValue(const TTypeInfo& type, std::string_view name) {
  for (size_t i = 0; i < type.Names.size(); ++i)
    if (SameText(type.Names[i], name)) return type.MinValue + static_cast<std::int64_t>(i);
  return -1;
}

std::vector<std::string> SetToNames(const TTypeInfo& setType, std::int64_t value) {
  std::vector<std::string> names;
  const TTypeInfo* comp = setType.CompType;
  if (comp == nullptr) return names;
  const auto bits = static_cast<std::uint64_t>(value);
  for (std::int64_t e = std::max<std::int64_t>(comp->MinValue, 0);
       e <= std::min<std::int64_t>(comp->MaxValue, 63); ++e) {
    if (((bits >> e) & 1u) == 0) continue;
    if (comp->Kind == tkEnumeration) {
      std::string n = GetEnumName(*comp, e);
      if (!n.empty()) names.push_back(std::move(n));
    } else {
      names.push_back(IntToStr(e));
    }
  }
  return names;
}

bool NamesToSet(const TTypeInfo& setType, const std::vector<std::string>& names,
                std::int64_t& value) {
  const TTypeInfo* comp = setType.CompType;
  if (comp == nullptr) return false;
  std::uint64_t bits = 0;
  for (const std::string& n : names) {
    std::int64_t e = -1;
    if (comp->Kind == tkEnumeration) {
      e = GetEnumValue(*comp, n);
    } else if (!TryStrToInt64(n, e)) {
      e = -1;
    }
    if (e < comp->MinValue || e > comp->MaxValue || e < 0 || e > 63) return false;
    bits |= std::uint64_t(1) << e;
  }
  value = static_cast<std::int64_t>(bits);
  return true;
}

// A character or 64-bit type: an ordinal range without named constants.
const TTypeInfo& ordinalType(const char* name, TTypeKind kind, std::int64_t minValue,
                             std::int64_t maxValue) {
  TTypeInfo t;
  t.Name = name;
  t.Kind = kind;
  t.MinValue = minValue;
  t.MaxValue = maxValue;
  return RegisterTypeInfo(std::move(t));
}

#define QV_STD_TYPE(fn, expr)         \
  const TTypeInfo& fn() {             \
    static const TTypeInfo& t = expr; \
    return t;                         \
  }

QV_STD_TYPE(TypeInfoInteger, RegisterIntegerType("Integer", kInt32Min, kInt32Max))
QV_STD_TYPE(TypeInfoCardinal, RegisterIntegerType("Cardinal", 0, kUInt32Max))
QV_STD_TYPE(TypeInfoShortInt, RegisterIntegerType("ShortInt", -128, 127))
QV_STD_TYPE(TypeInfoSmallInt, RegisterIntegerType("SmallInt", -32768, 32767))
QV_STD_TYPE(TypeInfoByte, RegisterIntegerType("Byte", 0, 255))
QV_STD_TYPE(TypeInfoWord, RegisterIntegerType("Word", 0, 65535))
QV_STD_TYPE(TypeInfoInt64, ordinalType("Int64", tkInt64, std::numeric_limits<std::int64_t>::min(),
                                       std::numeric_limits<std::int64_t>::max()))
QV_STD_TYPE(TypeInfoChar, ordinalType("Char", tkChar, 0, 255))
QV_STD_TYPE(TypeInfoWideChar, ordinalType("WideChar", tkWChar, 0, 65535))
QV_STD_TYPE(TypeInfoBoolean, enumType("Boolean", {"False", "True"}))
QV_STD_TYPE(TypeInfoSingle, RegisterFloatType("Single", ftSingle))
QV_STD_TYPE(TypeInfoDouble, RegisterFloatType("Double", ftDouble))
QV_STD_TYPE(TypeInfoExtended, RegisterFloatType("Extended", ftExtended))
QV_STD_TYPE(TypeInfoComp, RegisterFloatType("Comp", ftComp))
QV_STD_TYPE(TypeInfoCurrency, RegisterFloatType("Currency", ftCurr))
QV_STD_TYPE(TypeInfoDateTime, RegisterFloatType("TDateTime", ftDouble))
QV_STD_TYPE(TypeInfoDate, RegisterFloatType("TDate", ftDouble))
QV_STD_TYPE(TypeInfoTime, RegisterFloatType("TTime", ftDouble))
QV_STD_TYPE(TypeInfoString, RegisterStringType("string", tkLString))
QV_STD_TYPE(TypeInfoShortString, RegisterStringType("ShortString", tkString))
QV_STD_TYPE(TypeInfoWideString, RegisterStringType("WideString", tkWString))
QV_STD_TYPE(TypeInfoVariant, RegisterStringType("Variant", tkVariant))
// TColor takes both the signed and the unsigned reading of its 32 bits.
QV_STD_TYPE(TypeInfoColor,
            RegisterIntegerType("TColor", kInt32Min, kUInt32Max, ColorToIdent, IdentToColor))
QV_STD_TYPE(TypeInfoCursor,
            RegisterIntegerType("TCursor", -32768, 32767, CursorToIdent, IdentToCursor))
QV_STD_TYPE(TypeInfoShortCut, RegisterIntegerType("TShortCut", 0, 65535))
QV_STD_TYPE(TypeInfoFontCharset,
            RegisterIntegerType("TFontCharset", 0, 255, CharsetToIdent, IdentToCharset))
QV_STD_TYPE(TypeInfoFontName, RegisterStringType("TFontName", tkLString))
QV_STD_TYPE(TypeInfoFontPitch, enumType("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"}))
QV_STD_TYPE(TypeInfoFontStyle,
            enumType("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}))
QV_STD_TYPE(TypeInfoFontStyles, RegisterSetType("TFontStyles", TypeInfoFontStyle()))
QV_STD_TYPE(TypeInfoPenStyle, enumType("TPenStyle", {"psSolid", "psDash", "psDot", "psDashDot",
                                                     "psDashDotDot", "psClear", "psInsideFrame"}))
QV_STD_TYPE(TypeInfoPenMode,
            enumType("TPenMode",
                     {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy",
                      "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge",
                      "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"}))
QV_STD_TYPE(TypeInfoBrushStyle,
            enumType("TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                     "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"}))
QV_STD_TYPE(TypeInfoCaption, RegisterStringType("TCaption", tkLString))
QV_STD_TYPE(TypeInfoComponentName, RegisterStringType("TComponentName", tkLString))
QV_STD_TYPE(TypeInfoImeName, RegisterStringType("TImeName", tkLString))
QV_STD_TYPE(TypeInfoModalResult, RegisterIntegerType("TModalResult", kInt32Min, kInt32Max))
QV_STD_TYPE(TypeInfoTabOrder, RegisterIntegerType("TTabOrder", -1, 32767))

#undef QV_STD_TYPE

bool ColorToIdent(std::int64_t color, std::string& ident) {
  return valueToIdent(kColors, static_cast<std::uint32_t>(color), ident);
}

bool IdentToColor(std::string_view ident, std::int64_t& color) {
  return identToValue(kColors, ident, color);
}

std::string ColorToString(TColor color) {
  std::string ident;
  if (ColorToIdent(color, ident)) return ident;
  return "$" + IntToHex(color, 8);
}

TColor StringToColor(std::string_view text) {
  std::int64_t v = 0;
  if (IdentToColor(Trim(text), v)) return static_cast<TColor>(v);
  if (!TryStrToInt64(text, v) || v < kInt32Min || v > kUInt32Max)
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return static_cast<TColor>(v);
}

bool CursorToIdent(std::int64_t cursor, std::string& ident) {
  return valueToIdent(kCursors, cursor, ident);
}

bool IdentToCursor(std::string_view ident, std::int64_t& cursor) {
  return identToValue(kCursors, ident, cursor);
}

bool CharsetToIdent(std::int64_t charset, std::string& ident) {
  return valueToIdent(kCharsets, charset, ident);
}

bool IdentToCharset(std::string_view ident, std::int64_t& charset) {
  return identToValue(kCharsets, ident, charset);
}

void GetColorValues(const std::function<void(const std::string&)>& proc) {
  for (const IdentEntry& e : kColors) proc(e.name);
}

void GetCursorValues(const std::function<void(const std::string&)>& proc) {
  for (const IdentEntry& e : kCursors) proc(e.name);
}

void GetCharsetValues(const std::function<void(const std::string&)>& proc) {
  for (const IdentEntry& e : kCharsets) proc(e.name);
}

// ---------------------------------------------------------------------------
// Properties.

TPropInfo::TPropInfo(std::string name, const TTypeInfo& type, TGetter getter, TSetter setter)
    : name_(std::move(name)),
      type_(&type),
      getter_(std::move(getter)),
      setter_(std::move(setter)) {}

namespace {

void* castOrThrow(TObjectRef object, const TClassInfo& owner) {
  void* p = object.Class != nullptr && object.Object != nullptr
                ? object.Class->CastTo(object.Object, owner)
                : nullptr;
  if (p == nullptr) throw EPropertyError("Invalid class typecast");
  return p;
}

}  // namespace

void* TClassInfo::castChecked(TObjectRef object) const { return castOrThrow(object, *this); }

namespace {

// The value as the property's type holds it; raises when it does not fit.
TPropValue checkedValue(const TTypeInfo& type, const TPropValue& value) {
  switch (type.Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkInt64: {
      const std::int64_t v = value.AsOrdinal();
      if (v < type.MinValue || v > type.MaxValue)
        throw EPropertyError(
            Format("Value must be between %d and %d", type.MinValue, type.MaxValue));
      return value;
    }
    case tkEnumeration: {
      const std::int64_t v = value.AsOrdinal();
      if (v < type.MinValue || v > type.MaxValue) invalidValue();
      return value;
    }
    case tkSet: {
      const auto bits = static_cast<std::uint64_t>(value.AsOrdinal());
      const TTypeInfo* comp = type.CompType;
      for (int e = 0; e < 64; ++e) {
        if (((bits >> e) & 1u) != 0 &&
            (comp == nullptr || e < comp->MinValue || e > comp->MaxValue))
          invalidValue();
      }
      return value;
    }
    case tkFloat:
      return TPropValue::Float(value.AsFloat());
    case tkString:
    case tkLString:
    case tkWString:
      (void)value.AsString();
      return value;
    case tkClass: {
      if (value.IsEmpty()) return TPropValue::Object({nullptr, type.ClassType});
      const TObjectRef ref = value.AsObject();
      if (ref.Object != nullptr &&
          (ref.Class == nullptr ||
           (type.ClassType != nullptr && !ref.Class->InheritsFrom(*type.ClassType))))
        invalidValue();
      return value;
    }
    case tkVariant:
      if (value.IsObject()) invalidValue();
      return value;
    default:
      invalidValue();
  }
}

}  // namespace

TPropValue TPropInfo::GetValue(TObjectRef object) const {
  return getter_(castOrThrow(object, *owner_));
}

void TPropInfo::SetValue(TObjectRef object, const TPropValue& value) const {
  if (!setter_) throw EPropertyError("Property is read-only");
  void* p = castOrThrow(object, *owner_);
  setter_(p, checkedValue(*type_, value));
}

bool TPropInfo::IsStored(TObjectRef object) const {
  if (stored_) return stored_(castOrThrow(object, *owner_));
  return storedConst_;
}

bool TPropInfo::IsDefaultValue(TObjectRef object) const {
  if (type_->Kind == tkClass) return false;
  const TPropValue v = GetValue(object);
  if (hasDefault_) return v == default_;
  switch (type_->Kind) {
    case tkFloat:
      return v.IsFloat() && v.AsFloat() == 0;
    case tkInt64:
      return v.IsOrdinal() && v.AsOrdinal() == 0;
    case tkString:
    case tkLString:
    case tkWString:
      return v.IsString() && v.AsString().empty();
    case tkVariant:
      return v.IsEmpty();
    default:
      return false;  // ordinals without a default are always written
  }
}

// ---------------------------------------------------------------------------
// Classes.

TClassInfo::TClassInfo(std::string name, std::type_index cppType, const TClassInfo* parent,
                       TUpcast toParent)
    : name_(std::move(name)), cppType_(cppType), parent_(parent), toParent_(toParent) {
  typeInfo_.Name = name_;
  typeInfo_.Kind = tkClass;
  typeInfo_.ClassType = this;
}

bool TClassInfo::InheritsFrom(const TClassInfo& ancestor) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
    if (c == &ancestor) return true;
  return false;
}

bool TClassInfo::IsComponent() const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
    if (c->component_) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
  for (const TPropInfo* p : all_)
    if (SameText(p->Name(), name)) return p;
  return nullptr;
}

void TClassInfo::DefineProperties(TObjectRef object, TFiler& filer) const {
  defineProperties(castChecked(object), filer);
}

void TClassInfo::defineProperties(void* object, TFiler& filer) const {
  if (parent_ != nullptr) parent_->defineProperties(toParent_(object), filer);
  if (defineProperties_) defineProperties_(object, filer);
}

void TClassInfo::GetChildren(TObjectRef object, const TChildProc& proc) const {
  void* p = castChecked(object);
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
    if (c->children_) {
      c->children_(p, proc);
      return;
    }
    if (c->parent_ != nullptr) p = c->toParent_(p);
  }
}

const TCollectionInfo* TClassInfo::Collection() const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
    if (c->collection_) return c->collection_.get();
  return nullptr;
}

void* TClassInfo::CastTo(void* object, const TClassInfo& ancestor) const {
  void* p = object;
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
    if (c == &ancestor) return p;
    if (c->parent_ != nullptr) p = c->toParent_(p);
  }
  return nullptr;
}

const TClassInfo& RegisterClassInfo(std::unique_ptr<TClassInfo> info) {
  if (!info) throw EPropertyError("A class description can be registered only once");
  // Own properties: unique names, defaults of the right kind.
  for (size_t i = 0; i < info->own_.size(); ++i) {
    const TPropInfo& p = *info->own_[i];
    for (size_t j = 0; j < i; ++j)
      if (SameText(info->own_[j]->Name(), p.Name()))
        throw EPropertyError("Property " + p.Name() + " is declared twice in " + info->name_);
    if (p.HasDefault()) (void)checkedValue(p.PropType(), p.Default());
  }
  // All properties: the parent's, with redeclared ones in their place,
  // then the new ones.
  if (info->parent_ != nullptr) info->all_ = info->parent_->all_;
  for (const auto& own : info->own_) {
    auto it = std::find_if(info->all_.begin(), info->all_.end(),
                           [&](const TPropInfo* p) { return SameText(p->Name(), own->Name()); });
    if (it != info->all_.end())
      *it = own.get();
    else
      info->all_.push_back(own.get());
  }
  ClassRegistry& r = classRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const auto& c : r.classes)
    if (SameText(c->name_, info->name_))
      throw EPropertyError("A class named " + info->name_ + " already exists");
  r.byType.emplace(info->cppType_, info.get());
  r.classes.push_back(std::move(info));
  return *r.classes.back();
}

const TClassInfo* FindClassInfo(std::string_view name) {
  ensureStandardClasses();
  ClassRegistry& r = classRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const auto& c : r.classes)
    if (SameText(c->ClassName(), name)) return c.get();
  return nullptr;
}

const TClassInfo* ClassInfoOf(std::type_index type) {
  ensureStandardClasses();
  ClassRegistry& r = classRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.byType.find(type);
  return it == r.byType.end() ? nullptr : it->second;
}

bool FindPropertyPath(TObjectRef object, std::string_view path, TObjectRef& owner,
                      const TPropInfo*& prop) {
  TObjectRef cur = object;
  while (true) {
    if (!cur || cur.Class == nullptr) return false;
    const size_t dot = path.find('.');
    const std::string_view name = path.substr(0, dot);
    const TPropInfo* p = cur.Class->FindProperty(name);
    if (p == nullptr) return false;
    if (dot == std::string_view::npos) {
      owner = cur;
      prop = p;
      return true;
    }
    if (p->Kind() != tkClass) return false;
    const TPropValue v = p->GetValue(cur);
    if (!v.IsObject()) return false;
    cur = v.AsObject();
    path.remove_prefix(dot + 1);
  }
}

// ---------------------------------------------------------------------------
// The standard classes.

const TClassInfo& ClassInfoFont() {
  static const TClassInfo& info =
      TClassBuilder<TFont>("TFont")
          .Property("Charset", TypeInfoFontCharset(), &TFont::Charset, &TFont::SetCharset)
          .Property("Color", TypeInfoColor(), &TFont::Color, &TFont::SetColor)
          .Property("Height", TypeInfoInteger(), &TFont::Height, &TFont::SetHeight)
          .Property("Name", TypeInfoFontName(), &TFont::Name, &TFont::SetName)
          .Property("Pitch", TypeInfoFontPitch(), &TFont::Pitch, &TFont::SetPitch)
          .Default(fpDefault)
          .Property("Size", TypeInfoInteger(), &TFont::Size, &TFont::SetSize)
          .Stored(false)
          .Property("Style", TypeInfoFontStyles(), &TFont::Style, &TFont::SetStyle)
          .Register();
  return info;
}

const TClassInfo& ClassInfoPen() {
  static const TClassInfo& info =
      TClassBuilder<TPen>("TPen")
          .Property("Color", TypeInfoColor(), &TPen::Color, &TPen::SetColor)
          .Default(clBlack)
          .Property("Mode", TypeInfoPenMode(), &TPen::Mode, &TPen::SetMode)
          .Default(pmCopy)
          .Property("Style", TypeInfoPenStyle(), &TPen::Style, &TPen::SetStyle)
          .Default(psSolid)
          .Property("Width", TypeInfoInteger(), &TPen::Width, &TPen::SetWidth)
          .Default(1)
          .Register();
  return info;
}

const TClassInfo& ClassInfoBrush() {
  static const TClassInfo& info =
      TClassBuilder<TBrush>("TBrush")
          .Property("Color", TypeInfoColor(), &TBrush::Color, &TBrush::SetColor)
          .Default(clWhite)
          .Property("Style", TypeInfoBrushStyle(), &TBrush::Style, &TBrush::SetStyle)
          .Default(bsSolid)
          .Register();
  return info;
}

namespace {

// The lines of a string list as the defined property "Strings": a list of
// strings, written when the list is not empty.
void defineStrings(TStrings& s, TFiler& filer) {
  filer.DefineProperty(
      "Strings",
      [&s](TReader& reader) {
        reader.ReadListBegin();
        s.BeginUpdate();
        try {
          s.Clear();
          while (!reader.EndOfList()) s.Add(reader.ReadString());
        } catch (...) {
          s.EndUpdate();
          throw;
        }
        s.EndUpdate();
        reader.ReadListEnd();
      },
      [&s](TWriter& writer) {
        writer.WriteListBegin();
        for (int i = 0; i < s.Count(); ++i) writer.WriteString(s.Get(i));
        writer.WriteListEnd();
      },
      s.Count() > 0);
}

}  // namespace

const TClassInfo& ClassInfoStrings() {
  static const TClassInfo& info =
      TClassBuilder<TStrings>("TStrings").DefineProperties(&defineStrings).Register();
  return info;
}

const TClassInfo& ClassInfoStringList() {
  static const TClassInfo& info =
      TClassBuilder<TStringList, TStrings>("TStringList", ClassInfoStrings()).Register();
  return info;
}

}  // namespace qv
