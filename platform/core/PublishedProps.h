// Published-property descriptions: the reflection layer of the program.
//
// A class that streams itself, stores chosen properties in the settings
// file or shows up in the object inspector describes its published
// properties once, in declaration order, with a small builder. The
// component stream writer and reader (ComponentStream.h), the stored
// properties and the inspector all walk these descriptions; none of them
// knows the C++ classes.
//
//   TTypeInfo   what a property holds: a kind (integer, enumeration, set,
//               float, string, class, variant, ...) plus a name that gives
//               it its identity ("TColor", "TCursor", "TShortCut",
//               "TFontStyles", "TFont", "TStrings"). Property editors and
//               the stream's named constants (clRed, crHourGlass) are
//               chosen by the type, so two integer types with different
//               names are different types. Type descriptions live as long
//               as the process; compare them by address.
//   TClassInfo  one class: its name, its parent class, its published
//               properties (ancestors' first, each in declaration order),
//               and optional hooks: DefineProperties (custom properties
//               such as binary data, written after the published ones),
//               Children (owned components written after the properties),
//               Collection (the class is a list of items).
//   TPropInfo   one property: name, type, getter, optional setter (none
//               means read-only), default value and "stored" test.
//   TPropValue  the one variant type in which every value travels:
//               empty, ordinal (integers, characters, enumerations as their
//               ordinal, Booleans as 0/1, sets as a bit mask with bit n for
//               element n), float, string (UTF-8) or object reference.
//   TObjectRef  an object together with the description of its class.
//
// Example (a pen of the chart with its own defaults):
//
//   const TClassInfo& TChartPen::ClassInfo() {
//     static const TClassInfo& info =
//         TClassBuilder<TChartPen, TPen>("TChartPen", ClassInfoPen())
//             .Property("Visible", TypeInfoBoolean(), &TChartPen::Visible,
//                       &TChartPen::SetVisible).Default(true)
//             .Property("SmallDots", TypeInfoBoolean(), &TChartPen::SmallDots,
//                       &TChartPen::SetSmallDots).Default(false)
//             .Register();
//     return info;
//   }
//
//   TChartPen pen;
//   TObjectRef ref = MakeObjectRef(&pen);
//   const TPropInfo* p = ref.Class->FindProperty("color");     // inherited
//   p->SetValue(ref, TPropValue::Ordinal(clRed));
//
// Getters are anything callable with (C&): a member function (const or
// not), a data member pointer or a lambda. Setters are a member function
// taking the value, a data member pointer, or a lambda (C&, value); leave
// the setter out for a read-only property. Values convert by the C++ type:
// bool, integers and enumerations to and from ordinals, floating types to
// and from floats, std::string (or string_view, const char*) to and from
// strings, and references, pointers or unique_ptrs of described classes to
// and from object references. Other types (a set class such as TFontStyles)
// specialise TPropConvert<T>.
//
// Defaults follow the class library: an ordinal property without Default()
// is always written; floats, 64-bit integers and strings are written when
// not 0 / empty, a variant when not empty; Stored(false) or a stored test
// returning false keeps a property out of the component stream. Read-only
// properties are written only when they are objects.
//
// Object identity: MakeObjectRef(p) gives the description registered for
// the dynamic class of *p (for polymorphic classes) or for its static type.
// A class whose objects are reached through base-class pointers must have
// been registered (its description function called) before that; do it at
// start in the subsystem's registration routine. Registration is
// thread-safe; descriptions are never freed.
//
// Failures: EPropertyError with the class library's messages ("Property is
// read-only", "Invalid property value", "Value must be between %d and %d",
// "Invalid class typecast").
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

#include "platform/core/Graphics.h"
#include "platform/core/SysUtils.h"

namespace qv {

QV_DECLARE_EXCEPTION(EPropertyError, Exception)

class TClassInfo;
class TPropInfo;
class TFiler;

// ---------------------------------------------------------------------------
// Type descriptions.

enum TTypeKind : std::uint8_t {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,  // short string
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,  // the ordinary (long) string
  tkWString,  // wide string
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray
};

// A set of kinds, bit k for kind k.
using TTypeKinds = std::uint32_t;
constexpr TTypeKinds TypeKindBit(TTypeKind k) { return TTypeKinds(1) << k; }
constexpr TTypeKinds tkAny = (TTypeKinds(1) << (tkDynArray + 1)) - 1;
// Every kind except unknown and method: the filter of the inspector and of
// the stored properties.
constexpr TTypeKinds tkProperties = tkAny & ~TypeKindBit(tkUnknown) & ~TypeKindBit(tkMethod);

enum TFloatType : std::uint8_t { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// What a property holds. Built once through the Register...Type functions
// (or the standard TypeInfo... functions below) and never freed.
struct TTypeInfo {
  std::string Name;
  TTypeKind Kind = tkUnknown;
  // Ordinal kinds (integer, char, enumeration, int64): the value range.
  std::int64_t MinValue = 0;
  std::int64_t MaxValue = 0;
  // Enumeration: the names of MinValue .. MaxValue in order.
  std::vector<std::string> Names;
  // Set: the element type (an enumeration or a small integer range).
  const TTypeInfo* CompType = nullptr;
  // Float: the precision the value is held in.
  TFloatType FloatType = ftDouble;
  // Class: the class description.
  const TClassInfo* ClassType = nullptr;
  // Integer types with named constants (clRed, crHourGlass, ecUp): value to
  // name and name to value (names compare without regard to case); both or
  // neither. The component stream writes such values as identifiers.
  std::function<bool(std::int64_t, std::string&)> IntToIdent;
  std::function<bool(std::string_view, std::int64_t&)> IdentToInt;

  bool IsOrdinal() const {
    return Kind == tkInteger || Kind == tkChar || Kind == tkEnumeration || Kind == tkSet ||
           Kind == tkWChar || Kind == tkInt64;
  }
  bool IsString() const { return Kind == tkString || Kind == tkLString || Kind == tkWString; }
};

// Registration of a type description; the reference stays valid for the
// life of the process. Call each once (from a function-local static).
const TTypeInfo& RegisterTypeInfo(TTypeInfo info);
const TTypeInfo& RegisterEnumType(std::string name, std::vector<std::string> names);
const TTypeInfo& RegisterSetType(std::string name, const TTypeInfo& elementType);
// An integer type of its own identity (TColor, TCursor, TShortCut).
const TTypeInfo& RegisterIntegerType(
    std::string name, std::int64_t minValue, std::int64_t maxValue,
    std::function<bool(std::int64_t, std::string&)> intToIdent = {},
    std::function<bool(std::string_view, std::int64_t&)> identToInt = {});
const TTypeInfo& RegisterFloatType(std::string name, TFloatType floatType);
const TTypeInfo& RegisterStringType(std::string name, TTypeKind kind = tkLString);
// The first type registered under the name (without regard to case), or
// nullptr.
const TTypeInfo* FindTypeInfo(std::string_view name);

// Enumeration names: the name of a value ("" when out of range) and the
// value of a name (without regard to case; -1 when none).
std::string GetEnumName(const TTypeInfo& type, std::int64_t value);
std::int64_t GetEnumValue(const TTypeInfo& type, std::string_view name);
// Set elements: the names of the members of a set value in ascending order
// (bits without a name are left out), and the value of a list of names
// (false, with value unchanged, when a name is unknown).
std::vector<std::string> SetToNames(const TTypeInfo& setType, std::int64_t value);
bool NamesToSet(const TTypeInfo& setType, const std::vector<std::string>& names,
                std::int64_t& value);

// The standard types of the class library.
const TTypeInfo& TypeInfoInteger();   // Integer, -2^31 .. 2^31-1
const TTypeInfo& TypeInfoCardinal();  // Cardinal, 0 .. 2^32-1
const TTypeInfo& TypeInfoShortInt();  // -128 .. 127
const TTypeInfo& TypeInfoSmallInt();  // -32768 .. 32767
const TTypeInfo& TypeInfoByte();      // 0 .. 255
const TTypeInfo& TypeInfoWord();      // 0 .. 65535
const TTypeInfo& TypeInfoInt64();
const TTypeInfo& TypeInfoChar();      // an 8-bit (Windows-1252) character code
const TTypeInfo& TypeInfoWideChar();  // a UTF-16 code unit
const TTypeInfo& TypeInfoBoolean();   // enumeration False, True
const TTypeInfo& TypeInfoSingle();
const TTypeInfo& TypeInfoDouble();
const TTypeInfo& TypeInfoExtended();
const TTypeInfo& TypeInfoComp();
const TTypeInfo& TypeInfoCurrency();
const TTypeInfo& TypeInfoDateTime();  // TDateTime (a double); streamed as a date
const TTypeInfo& TypeInfoDate();      // TDate
const TTypeInfo& TypeInfoTime();      // TTime
const TTypeInfo& TypeInfoString();    // string (long string, UTF-8 in memory)
const TTypeInfo& TypeInfoShortString();
const TTypeInfo& TypeInfoWideString();
const TTypeInfo& TypeInfoVariant();
// Types that property editors are registered for.
const TTypeInfo& TypeInfoColor();          // TColor, named constants clBlack .. clNone
const TTypeInfo& TypeInfoCursor();         // TCursor, named constants crDefault ..
const TTypeInfo& TypeInfoShortCut();       // TShortCut, 0 .. 65535
const TTypeInfo& TypeInfoFontCharset();    // TFontCharset, 0 .. 255, ANSI_CHARSET ..
const TTypeInfo& TypeInfoFontName();       // TFontName (string)
const TTypeInfo& TypeInfoFontPitch();      // fpDefault, fpVariable, fpFixed
const TTypeInfo& TypeInfoFontStyle();      // fsBold, fsItalic, fsUnderline, fsStrikeOut
const TTypeInfo& TypeInfoFontStyles();     // set of TFontStyle
const TTypeInfo& TypeInfoPenStyle();       // psSolid ..
const TTypeInfo& TypeInfoPenMode();        // pmBlack ..
const TTypeInfo& TypeInfoBrushStyle();     // bsSolid ..
const TTypeInfo& TypeInfoCaption();        // TCaption (string)
const TTypeInfo& TypeInfoComponentName();  // TComponentName (string)
const TTypeInfo& TypeInfoImeName();        // TImeName (string)
const TTypeInfo& TypeInfoModalResult();    // TModalResult (Integer)
const TTypeInfo& TypeInfoTabOrder();       // TTabOrder, -1 .. 32767

// Named constants of the standard integer types.
bool ColorToIdent(std::int64_t color, std::string& ident);
bool IdentToColor(std::string_view ident, std::int64_t& color);
// The name of a colour, else "$" and eight hexadecimal digits.
std::string ColorToString(TColor color);
// A name or a number ("$0000FF", "255"); EConvertError when neither.
TColor StringToColor(std::string_view text);
bool CursorToIdent(std::int64_t cursor, std::string& ident);
bool IdentToCursor(std::string_view ident, std::int64_t& cursor);
bool CharsetToIdent(std::int64_t charset, std::string& ident);
bool IdentToCharset(std::string_view ident, std::int64_t& charset);
// Every named constant of these types, in table order (for value lists).
void GetColorValues(const std::function<void(const std::string&)>& proc);
void GetCursorValues(const std::function<void(const std::string&)>& proc);
void GetCharsetValues(const std::function<void(const std::string&)>& proc);

// ---------------------------------------------------------------------------
// Values.

// An object and the description of its class. Class is null only for an
// object of a class without a description (such an object is not walked).
struct TObjectRef {
  void* Object = nullptr;
  const TClassInfo* Class = nullptr;
  explicit operator bool() const { return Object != nullptr; }
  friend bool operator==(const TObjectRef& a, const TObjectRef& b) { return a.Object == b.Object; }
};

class TPropValue {
 public:
  TPropValue() = default;  // empty (an unassigned variant)
  static TPropValue Ordinal(std::int64_t v) { return TPropValue(Data(v)); }
  static TPropValue Float(double v) { return TPropValue(Data(v)); }
  static TPropValue String(std::string v) { return TPropValue(Data(std::move(v))); }
  static TPropValue Object(TObjectRef v) { return TPropValue(Data(v)); }

  bool IsEmpty() const { return v_.index() == 0; }
  bool IsOrdinal() const { return v_.index() == 1; }
  bool IsFloat() const { return v_.index() == 2; }
  bool IsString() const { return v_.index() == 3; }
  bool IsObject() const { return v_.index() == 4; }

  // Each raises EPropertyError "Invalid property value" for a value of
  // another kind; AsFloat also takes an ordinal.
  std::int64_t AsOrdinal() const;
  double AsFloat() const;
  const std::string& AsString() const;
  TObjectRef AsObject() const;

  friend bool operator==(const TPropValue& a, const TPropValue& b) { return a.v_ == b.v_; }

 private:
  using Data = std::variant<std::monostate, std::int64_t, double, std::string, TObjectRef>;
  explicit TPropValue(Data d) : v_(std::move(d)) {}
  Data v_;
};

// Conversion of a C++ type that is none of the built-in cases:
//   template <> struct TPropConvert<MySet> {
//     static TPropValue ToValue(const MySet& s);
//     static MySet FromValue(const TPropValue& v);
//   };
template <class T>
struct TPropConvert;

template <>
struct TPropConvert<TFontStyles> {
  static TPropValue ToValue(const TFontStyles& s) { return TPropValue::Ordinal(s.Bits()); }
  static TFontStyles FromValue(const TPropValue& v) {
    return TFontStyles::FromBits(static_cast<unsigned>(v.AsOrdinal()));
  }
};

// ---------------------------------------------------------------------------
// Property descriptions.

class TPropInfo {
 public:
  using TGetter = std::function<TPropValue(void*)>;
  using TSetter = std::function<void(void*, const TPropValue&)>;
  using TStoredTest = std::function<bool(void*)>;

  TPropInfo(std::string name, const TTypeInfo& type, TGetter getter, TSetter setter);
  TPropInfo(const TPropInfo&) = delete;
  TPropInfo& operator=(const TPropInfo&) = delete;

  const std::string& Name() const { return name_; }
  const TTypeInfo& PropType() const { return *type_; }
  TTypeKind Kind() const { return type_->Kind; }
  // The class that declares the property.
  const TClassInfo& Owner() const { return *owner_; }
  bool IsReadOnly() const { return !setter_; }
  bool HasDefault() const { return hasDefault_; }
  const TPropValue& Default() const { return default_; }

  // The object must be of the owner class or a class derived from it
  // (else EPropertyError "Invalid class typecast").
  TPropValue GetValue(TObjectRef object) const;
  // Checks the value against the type first: the kind ("Invalid property
  // value"), the range of integer types ("Value must be between %d and
  // %d"), enumerations and sets ("Invalid property value"); a read-only
  // property raises "Property is read-only". The setter's own exceptions
  // pass through.
  void SetValue(TObjectRef object, const TPropValue& value) const;
  // The stored specifier: Stored(false), a stored test, or true.
  bool IsStored(TObjectRef object) const;
  // Whether the current value equals the default (see the file comment);
  // always false for objects.
  bool IsDefaultValue(TObjectRef object) const;

 private:
  template <class C, class P>
  friend class TClassBuilder;
  friend class TClassInfo;

  std::string name_;
  const TTypeInfo* type_;
  const TClassInfo* owner_ = nullptr;
  TGetter getter_;
  TSetter setter_;
  TStoredTest stored_;
  bool storedConst_ = true;
  bool hasDefault_ = false;
  TPropValue default_;
};

// ---------------------------------------------------------------------------
// Class descriptions.

// A class whose objects are lists of items, each item an object described
// by ItemClass (the class library's collections).
// Each function takes the collection object (of the describing class or a
// class derived from it).
struct TCollectionInfo {
  const TClassInfo* ItemClass = nullptr;
  std::function<int(TObjectRef)> Count;
  std::function<TObjectRef(TObjectRef, int)> Item;
  std::function<TObjectRef(TObjectRef)> Add;  // appends a new item and returns it
  std::function<void(TObjectRef)> Clear;
};

class TClassInfo {
 public:
  using TDefinePropertiesHook = std::function<void(void*, TFiler&)>;
  using TChildProc = std::function<void(TObjectRef)>;
  using TChildrenHook = std::function<void(void*, const TChildProc&)>;
  using TUpcast = void* (*)(void*);

  TClassInfo(std::string name, std::type_index cppType, const TClassInfo* parent, TUpcast toParent);
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& ClassName() const { return name_; }
  const TClassInfo* ClassParent() const { return parent_; }
  bool InheritsFrom(const TClassInfo& ancestor) const;
  // The class as a property type (kind tkClass, ClassType this).
  const TTypeInfo& TypeInfo() const { return typeInfo_; }
  std::type_index CppType() const { return cppType_; }
  // Objects of component classes have a name (their published "Name") and
  // are written as references by name when another object's property
  // points at them.
  bool IsComponent() const;

  // Every published property, ancestors' first, each in declaration order;
  // a property redeclared by a derived class takes the ancestor's place.
  const std::vector<const TPropInfo*>& Properties() const { return all_; }
  // Without regard to case; nullptr when the class has no such property.
  const TPropInfo* FindProperty(std::string_view name) const;

  // Runs the DefineProperties hooks of the class and its ancestors
  // (ancestors first) for an object of this class (or a derived class).
  void DefineProperties(TObjectRef object, TFiler& filer) const;
  // Calls proc for each owned child component, through the nearest
  // Children hook of the class or its ancestors (none: no children).
  void GetChildren(TObjectRef object, const TChildProc& proc) const;
  // The nearest collection description, or nullptr.
  const TCollectionInfo* Collection() const;

  // The object of this class as an object of the ancestor class (the C++
  // pointer adjusted); nullptr when ancestor is not this class or one of
  // its ancestors.
  void* CastTo(void* object, const TClassInfo& ancestor) const;
  // The object as a C, C being the C++ class this description was built
  // for; EPropertyError "Invalid class typecast" when the object is not of
  // this class or a class derived from it.
  template <class C>
  C* Cast(TObjectRef object) const {
    return static_cast<C*>(castChecked(object));
  }

 private:
  void* castChecked(TObjectRef object) const;
  void defineProperties(void* object, TFiler& filer) const;

  template <class C, class P>
  friend class TClassBuilder;
  friend const TClassInfo& RegisterClassInfo(std::unique_ptr<TClassInfo> info);

  std::string name_;
  std::type_index cppType_;
  const TClassInfo* parent_;
  TUpcast toParent_;
  TTypeInfo typeInfo_;
  bool component_ = false;
  std::vector<std::unique_ptr<TPropInfo>> own_;
  std::vector<const TPropInfo*> all_;
  TDefinePropertiesHook defineProperties_;
  TChildrenHook children_;
  std::unique_ptr<TCollectionInfo> collection_;
};

// Moves a finished description into the process-wide registry (by class
// name and by C++ type) and returns it. A second class of the same name
// raises EPropertyError "A class named <name> already exists".
const TClassInfo& RegisterClassInfo(std::unique_ptr<TClassInfo> info);
// By class name, without regard to case; nullptr when not registered.
const TClassInfo* FindClassInfo(std::string_view name);
// By C++ type; nullptr when not registered.
const TClassInfo* ClassInfoOf(std::type_index type);

// An object with the description of its dynamic class (polymorphic
// classes) or its static class; Class is null when neither is registered.
template <class T>
TObjectRef MakeObjectRef(T* p) {
  using U = std::remove_cv_t<T>;
  if (p == nullptr) return {nullptr, ClassInfoOf(typeid(U))};
  if constexpr (std::is_polymorphic_v<U>) {
    if (const TClassInfo* dyn = ClassInfoOf(typeid(*p)))
      return {const_cast<void*>(dynamic_cast<const void*>(p)), dyn};
  }
  return {const_cast<void*>(static_cast<const void*>(p)), ClassInfoOf(typeid(U))};
}

// The C++ object of an object reference as a T (T described and the
// object's class T or derived from it); nullptr otherwise.
template <class T>
T* ObjectCast(TObjectRef ref) {
  if (ref.Object == nullptr || ref.Class == nullptr) return nullptr;
  if (ref.Class->CppType() == typeid(T)) return static_cast<T*>(ref.Object);
  const TClassInfo* target = ClassInfoOf(typeid(T));
  if (target == nullptr) return nullptr;
  return static_cast<T*>(ref.Class->CastTo(ref.Object, *target));
}

// Resolves a dotted path ("LeftAxis.Grid.Color") from an object: every
// name but the last must be a published property holding an object. On
// success owner is the object that holds the last property and prop its
// description; false when a name is unknown or an object on the way is
// null.
bool FindPropertyPath(TObjectRef object, std::string_view path, TObjectRef& owner,
                      const TPropInfo*& prop);

// The standard classes: TFont (Charset, Color, Height, Name, Pitch, Size,
// Style), TPen (Color, Mode, Style, Width), TBrush (Color, Style), TStrings
// (its lines as the defined property "Strings") and TStringList.
const TClassInfo& ClassInfoFont();
const TClassInfo& ClassInfoPen();
const TClassInfo& ClassInfoBrush();
const TClassInfo& ClassInfoStrings();
const TClassInfo& ClassInfoStringList();

// ---------------------------------------------------------------------------
// The builder.

namespace props_detail {

template <class T>
inline constexpr bool kAlwaysFalse = false;

template <class T>
concept HasPropConvert = requires(const T& t, const TPropValue& v) {
  { TPropConvert<T>::ToValue(t) } -> std::same_as<TPropValue>;
  { TPropConvert<T>::FromValue(v) } -> std::same_as<T>;
};

template <class T>
struct IsUniquePtr : std::false_type {};
template <class T, class D>
struct IsUniquePtr<std::unique_ptr<T, D>> : std::true_type {};

// A getter's result as a value.
template <class R>
TPropValue ToValue(R&& r) {
  using D = std::remove_cvref_t<R>;
  if constexpr (std::is_same_v<D, TPropValue>) {
    return r;
  } else if constexpr (HasPropConvert<D>) {
    return TPropConvert<D>::ToValue(r);
  } else if constexpr (std::is_same_v<D, bool>) {
    return TPropValue::Ordinal(r ? 1 : 0);
  } else if constexpr (std::is_integral_v<D> || std::is_enum_v<D>) {
    return TPropValue::Ordinal(static_cast<std::int64_t>(r));
  } else if constexpr (std::is_floating_point_v<D>) {
    return TPropValue::Float(static_cast<double>(r));
  } else if constexpr (std::is_convertible_v<const D&, std::string_view>) {
    return TPropValue::String(std::string(std::string_view(r)));
  } else if constexpr (std::is_pointer_v<D>) {
    return TPropValue::Object(MakeObjectRef(r));
  } else if constexpr (IsUniquePtr<D>::value) {
    return TPropValue::Object(MakeObjectRef(r.get()));
  } else if constexpr (std::is_class_v<D> && std::is_lvalue_reference_v<R>) {
    return TPropValue::Object(MakeObjectRef(&r));
  } else {
    static_assert(kAlwaysFalse<R>,
                  "a getter must return a number, a string, a TPropValue, a type with "
                  "TPropConvert, or an object by reference or pointer");
  }
}

[[noreturn]] void ThrowInvalidValue();

// A value as the parameter type P of a setter.
template <class P>
decltype(auto) FromValue(const TPropValue& v) {
  using D = std::remove_cvref_t<P>;
  if constexpr (std::is_same_v<D, TPropValue>) {
    return (v);
  } else if constexpr (HasPropConvert<D>) {
    return TPropConvert<D>::FromValue(v);
  } else if constexpr (std::is_same_v<D, bool>) {
    return v.AsOrdinal() != 0;
  } else if constexpr (std::is_integral_v<D> || std::is_enum_v<D>) {
    return static_cast<D>(v.AsOrdinal());
  } else if constexpr (std::is_floating_point_v<D>) {
    return static_cast<D>(v.AsFloat());
  } else if constexpr (std::is_same_v<D, std::string> || std::is_same_v<D, std::string_view>) {
    return D(v.AsString());
  } else if constexpr (std::is_pointer_v<D>) {
    return ObjectCast<std::remove_cv_t<std::remove_pointer_t<D>>>(v.AsObject());
  } else if constexpr (std::is_class_v<D>) {
    D* p = ObjectCast<D>(v.AsObject());
    if (p == nullptr) ThrowInvalidValue();
    return static_cast<D&>(*p);
  } else {
    static_assert(kAlwaysFalse<P>, "unsupported setter parameter type");
  }
}

// The value parameter of a setter: the last parameter of a member function
// or of a callable's call operator.
template <class F>
struct LastArg : LastArg<decltype(&F::operator())> {};
template <class R, class K, class... A>
struct LastArg<R (K::*)(A...)> {
  using type = std::tuple_element_t<sizeof...(A) - 1, std::tuple<A...>>;
};
template <class R, class K, class... A>
struct LastArg<R (K::*)(A...) const> : LastArg<R (K::*)(A...)> {};
template <class R, class K, class... A>
struct LastArg<R (K::*)(A...) noexcept> : LastArg<R (K::*)(A...)> {};
template <class R, class K, class... A>
struct LastArg<R (K::*)(A...) const noexcept> : LastArg<R (K::*)(A...)> {};
template <class R, class... A>
struct LastArg<R (*)(A...)> {
  using type = std::tuple_element_t<sizeof...(A) - 1, std::tuple<A...>>;
};

}  // namespace props_detail

// Builds the description of class C (derived from Parent, whose
// description is given; Parent = void for a root class). Each Default,
// NoDefault and Stored applies to the property declared last.
template <class C, class Parent = void>
class TClassBuilder {
 public:
  explicit TClassBuilder(std::string className) requires std::is_void_v<Parent>
      : info_(std::make_unique<TClassInfo>(std::move(className), typeid(C), nullptr, nullptr)) {}

  TClassBuilder(std::string className, const TClassInfo& parent) requires(!std::is_void_v<Parent>)
      : info_(std::make_unique<TClassInfo>(std::move(className), typeid(C), &parent, &upcast)) {
    static_assert(std::is_base_of_v<Parent, C>, "Parent must be a base class of C");
    if (parent.CppType() != typeid(Parent))
      throw EPropertyError("The parent description of " + info_->ClassName() +
                           " is not the one of its C++ parent class");
  }

  template <class Getter, class Setter = std::nullptr_t>
  TClassBuilder& Property(std::string name, const TTypeInfo& type, Getter getter,
                          Setter setter = nullptr) {
    TPropInfo::TGetter get = [getter](void* p) -> TPropValue {
      return props_detail::ToValue(std::invoke(getter, *static_cast<C*>(p)));
    };
    TPropInfo::TSetter set;
    if constexpr (std::is_member_object_pointer_v<Setter>) {
      set = [setter](void* p, const TPropValue& v) {
        using M = std::remove_cvref_t<decltype(static_cast<C*>(p)->*setter)>;
        static_cast<C*>(p)->*setter = props_detail::FromValue<M>(v);
      };
    } else if constexpr (!std::is_same_v<Setter, std::nullptr_t>) {
      set = [setter](void* p, const TPropValue& v) {
        using A = typename props_detail::LastArg<Setter>::type;
        std::invoke(setter, *static_cast<C*>(p), props_detail::FromValue<A>(v));
      };
    }
    auto prop = std::make_unique<TPropInfo>(std::move(name), type, std::move(get), std::move(set));
    prop->owner_ = info_.get();
    info_->own_.push_back(std::move(prop));
    return *this;
  }

  template <class Getter, class Setter = std::nullptr_t>
  TClassBuilder& Property(std::string name, const TClassInfo& type, Getter getter,
                          Setter setter = nullptr) {
    return Property(std::move(name), type.TypeInfo(), std::move(getter), std::move(setter));
  }

  // The default value of the last property (any value a getter could give).
  template <class V>
  TClassBuilder& Default(const V& value) {
    TPropInfo& p = last();
    p.hasDefault_ = true;
    if constexpr (std::is_same_v<V, TPropValue>)
      p.default_ = value;
    else
      p.default_ = props_detail::ToValue(value);
    return *this;
  }
  TClassBuilder& Default(const char* value) { return Default(std::string(value)); }
  // The last property is always written (the ordinal behaviour).
  TClassBuilder& NoDefault() {
    last().hasDefault_ = false;
    last().default_ = TPropValue();
    return *this;
  }
  TClassBuilder& Stored(bool stored) {
    last().stored_ = nullptr;
    last().storedConst_ = stored;
    return *this;
  }
  // A test (C&) -> bool deciding whether the last property is written.
  template <class F>
  TClassBuilder& Stored(F test) {
    last().stored_ = [test](void* p) -> bool { return std::invoke(test, *static_cast<C*>(p)); };
    return *this;
  }

  // hook(C&, TFiler&) defines custom properties (TFiler::DefineProperty,
  // DefineBinaryProperty); they are written after the published ones.
  template <class F>
  TClassBuilder& DefineProperties(F hook) {
    info_->defineProperties_ = [hook](void* p, TFiler& filer) {
      std::invoke(hook, *static_cast<C*>(p), filer);
    };
    return *this;
  }

  // hook(C&, proc) calls proc(TObjectRef) for each owned child component.
  template <class F>
  TClassBuilder& Children(F hook) {
    info_->children_ = [hook](void* p, const TClassInfo::TChildProc& proc) {
      std::invoke(hook, *static_cast<C*>(p), proc);
    };
    return *this;
  }

  // The class is a collection of items of itemClass: count(C&) -> int,
  // item(C&, int) and add(C&) give an item by reference or pointer,
  // clear(C&) removes every item.
  template <class FCount, class FItem, class FAdd, class FClear>
  TClassBuilder& Collection(const TClassInfo& itemClass, FCount count, FItem item, FAdd add,
                            FClear clear) {
    auto c = std::make_unique<TCollectionInfo>();
    c->ItemClass = &itemClass;
    const TClassInfo* self = info_.get();
    c->Count = [count, self](TObjectRef r) {
      return static_cast<int>(std::invoke(count, *self->template Cast<C>(r)));
    };
    c->Item = [item, self](TObjectRef r, int i) {
      return props_detail::ToValue(std::invoke(item, *self->template Cast<C>(r), i)).AsObject();
    };
    c->Add = [add, self](TObjectRef r) {
      return props_detail::ToValue(std::invoke(add, *self->template Cast<C>(r))).AsObject();
    };
    c->Clear = [clear, self](TObjectRef r) { std::invoke(clear, *self->template Cast<C>(r)); };
    info_->collection_ = std::move(c);
    return *this;
  }

  // Objects of the class are components (see TClassInfo::IsComponent).
  TClassBuilder& Component() {
    info_->component_ = true;
    return *this;
  }

  const TClassInfo& Register() { return RegisterClassInfo(std::move(info_)); }

 private:
  static void* upcast(void* p) {
    if constexpr (std::is_void_v<Parent>) {
      return p;
    } else {
      return static_cast<Parent*>(static_cast<C*>(p));
    }
  }
  TPropInfo& last() {
    if (info_->own_.empty())
      throw EPropertyError("No property declared yet in " + info_->ClassName());
    return *info_->own_.back();
  }

  std::unique_ptr<TClassInfo> info_;
};

}  // namespace qv
