#include "support/KitProps.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <set>

#include "platform/core/Codepage.h"
#include "platform/core/SysUtils.h"
#include "support/FormWindow.h"
#include "support/KitStrUtils.h"

namespace qv {

namespace {

bool isStringKind(TTypeKind k) { return k == tkString || k == tkLString || k == tkWString; }

// Kinds written even when their text is empty.
bool writtenWhenEmpty(TTypeKind k) { return k == tkString || k == tkLString || k == tkWChar; }

std::string componentName(TObjectRef ref) {
  if (!ref || !ref.Class) return {};
  const TPropInfo* p = ref.Class->FindProperty("Name");
  if (!p || !p->PropType().IsString()) return {};
  return p->GetValue(ref).AsString();
}

bool isComponentProperty(const TPropInfo& prop, TObjectRef obj) {
  const TClassInfo* c = prop.PropType().ClassType;
  return (c && c->IsComponent()) || (obj.Class && obj.Class->IsComponent());
}

std::string charText(const TPropInfo& prop, std::int64_t v) {
  if (prop.Kind() == tkChar) return Cp1252ToUtf8(std::string(1, char(std::uint8_t(v))));
  return Utf16ToUtf8(std::u16string(1, char16_t(v)));
}

}  // namespace

int FloatDigits(TFloatType t) {
  switch (t) {
    case ftSingle:
      return 7;
    case ftDouble:
      return 15;
    default:
      return 17;  // the wider types are held in a double
  }
}

// ---------------------------------------------------------------------------
// TPropInfoList

TPropInfoList::TPropInfoList(TObjectRef object, TTypeKinds filter) {
  if (!object.Class) return;
  for (const TPropInfo* p : object.Class->Properties())
    if (filter & TypeKindBit(p->Kind())) items_.push_back(p);
}

const TPropInfo* TPropInfoList::Find(std::string_view name) const {
  for (const TPropInfo* p : items_)
    if (SameText(p->Name(), name)) return p;
  return nullptr;
}

int TPropInfoList::IndexOf(const TPropInfo* p) const {
  auto it = std::find(items_.begin(), items_.end(), p);
  return it == items_.end() ? -1 : int(it - items_.begin());
}

// ---------------------------------------------------------------------------
// Entries

std::string CreateStoredItem(std::string_view comp, std::string_view prop) {
  if (comp.empty() || prop.empty()) return {};
  return std::string(comp) + "." + std::string(prop);
}

bool ParseStoredItem(std::string_view item, std::string& comp, std::string& prop) {
  const std::size_t dot = item.find('.');
  if (dot == std::string_view::npos) return false;
  comp = Trim(item.substr(0, dot));
  prop = Trim(item.substr(dot + 1));
  return !comp.empty() && !prop.empty();
}

std::string ReplaceComponentName(std::string_view item, std::string_view compName) {
  std::string comp, prop;
  if (!ParseStoredItem(item, comp, prop)) return std::string(item);
  return CreateStoredItem(compName, prop);
}

// ---------------------------------------------------------------------------
// Line breaks

std::string EncodeLineBreaks(std::string_view s) {
  if (s.find_first_of("\r\n") == std::string_view::npos) return std::string(s);
  std::string out;
  bool open = false;
  for (char ch : s) {
    if (ch == '\r' || ch == '\n') {
      if (open) out += '\'';
      open = false;
      out += ch == '\r' ? "#13" : "#10";
      continue;
    }
    if (!open) out += '\'';
    open = true;
    out += ch;
    if (ch == '\'') out += '\'';
  }
  if (open) out += '\'';
  return out;
}

std::string DecodeLineBreaks(std::string_view s) {
  std::string out;
  bool sawBreak = false;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '\'') {
      ++i;
      for (;;) {
        if (i >= s.size()) return std::string(s);  // unterminated
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            out += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        out += s[i++];
      }
    } else if (s[i] == '#') {
      ++i;
      int code = 0, digits = 0;
      while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 3) {
        code = code * 10 + (s[i++] - '0');
        ++digits;
      }
      if (digits == 0 || (code != 10 && code != 13)) return std::string(s);
      out += char(code);
      sawBreak = true;
    } else {
      return std::string(s);
    }
  }
  return sawBreak ? out : std::string(s);
}

std::string VariantToText(const TPropValue& v) {
  if (v.IsOrdinal()) return IntToStr(v.AsOrdinal());
  if (v.IsFloat()) return FloatToStr(v.AsFloat(), TFormatSettings::Invariant());
  if (v.IsString()) return v.AsString();
  return {};
}

// ---------------------------------------------------------------------------
// TPropsStorage

std::string TPropsStorage::ReadString(std::string_view section, std::string_view item,
                                      std::string_view def) {
  return OnReadString ? OnReadString(section, item, def) : std::string(def);
}

void TPropsStorage::WriteString(std::string_view section, std::string_view item,
                                std::string_view value) {
  if (OnWriteString) OnWriteString(section, item, value);
}

void TPropsStorage::EraseSection(std::string_view section) {
  if (OnEraseSection) OnEraseSection(section);
}

std::string TPropsStorage::GetItemName(std::string_view propName) const {
  return Prefix + std::string(propName);
}

std::unique_ptr<TPropsStorage> TPropsStorage::CreateStorage() const {
  return std::make_unique<TPropsStorage>();
}

std::unique_ptr<TPropsStorage> TPropsStorage::Nested(TObjectRef object, std::string prefix,
                                                     std::string section) const {
  std::unique_ptr<TPropsStorage> s = CreateStorage();
  s->AObject = object;
  s->Owner = Owner;
  s->Prefix = std::move(prefix);
  s->Section = std::move(section);
  s->OnReadString = OnReadString;
  s->OnWriteString = OnWriteString;
  s->OnEraseSection = OnEraseSection;
  s->OnReadSection = OnReadSection;
  return s;
}

std::size_t TPropsStorage::KeyCount(std::string_view section) const {
  return OnReadSection ? OnReadSection(section).size() : std::size_t(-1);
}

void TPropsStorage::ForEachProperty(TObjectRef object,
                                    const std::function<void(const TPropInfo&)>& f) {
  const TPropInfoList props(object, tkProperties);
  for (int i = 0; i < props.Count(); ++i) f(*props.Items(i));
}

// ---- storing ----

std::string TPropsStorage::StoreText(const TPropInfo& prop) {
  const TTypeInfo& type = prop.PropType();
  switch (prop.Kind()) {
    case tkInteger: {
      std::int64_t v = prop.GetValue(AObject).AsOrdinal();
      // Integer types that take negative values keep the signed 32-bit form.
      if (type.MinValue < 0 && v > INT32_MAX && v <= std::int64_t(UINT32_MAX)) v -= 0x100000000LL;
      return IntToStr(v);
    }
    case tkInt64:
      return IntToStr(prop.GetValue(AObject).AsOrdinal());
    case tkChar:
    case tkWChar:
      return charText(prop, prop.GetValue(AObject).AsOrdinal());
    case tkEnumeration:
      return GetEnumName(type, prop.GetValue(AObject).AsOrdinal());
    case tkFloat:
      return FloatToStrF(prop.GetValue(AObject).AsFloat(), ffGeneral, FloatDigits(type.FloatType),
                         0, TFormatSettings::Invariant());
    case tkString:
    case tkLString:
    case tkWString:
      return EncodeLineBreaks(prop.GetValue(AObject).AsString());
    case tkSet: {
      std::string s = "[";
      const std::vector<std::string> names = SetToNames(type, prop.GetValue(AObject).AsOrdinal());
      for (std::size_t i = 0; i < names.size(); ++i) s += (i ? "," : "") + names[i];
      return s + "]";
    }
    case tkVariant:
      return VariantToText(prop.GetValue(AObject));
    case tkClass:
      return StoreClassProperty(prop);
    default:
      return {};
  }
}

void TPropsStorage::StoreAnyProperty(const TPropInfo& prop) {
  std::string text = StoreText(prop);
  if (!isStringKind(prop.Kind())) text = Trim(text);
  if (!text.empty() || writtenWhenEmpty(prop.Kind()))
    WriteString(Section, GetItemName(prop.Name()), text);
}

std::string TPropsStorage::StoreClassProperty(const TPropInfo& prop) {
  const TObjectRef obj = prop.GetValue(AObject).AsObject();
  if (!obj) return isComponentProperty(prop, obj) ? "(null)" : std::string();
  if (TStrings* list = ObjectCast<TStrings>(obj)) {
    StoreStrings(prop, *list);
    return {};
  }
  if (obj.Class && obj.Class->Collection()) {
    StoreCollection(prop, obj);
    return {};
  }
  if (isComponentProperty(prop, obj)) return StoreComponent(obj);
  std::unique_ptr<TPropsStorage> nested = Nested(obj, Prefix + prop.Name(), Section);
  ForEachProperty(obj, [&](const TPropInfo& p) { nested->StoreAnyProperty(p); });
  return {};
}

void TPropsStorage::StoreStrings(const TPropInfo& prop, TStrings& list) {
  const std::string sect = Section + "." + GetItemName(prop.Name());
  EraseSection(sect);
  if (list.Count() == 0) return;
  WriteString(sect, "Count", IntToStr(list.Count()));
  for (int i = 0; i < list.Count(); ++i) WriteString(sect, Format("Item%d", i), list[i]);
}

void TPropsStorage::StoreCollection(const TPropInfo& prop, TObjectRef coll) {
  const TCollectionInfo& info = *coll.Class->Collection();
  const std::string name = GetItemName(prop.Name());
  const std::string sect = Section + "." + name;
  EraseSection(sect);
  const int count = info.Count(coll);
  WriteString(Section, Format("%s.%s", name, "Count"), IntToStr(count));
  for (int i = 0; i < count; ++i) {
    const TObjectRef item = info.Item(coll, i);
    std::unique_ptr<TPropsStorage> nested = Nested(item, Format("Item%d", i) + "_", sect);
    ForEachProperty(item, [&](const TPropInfo& p) { nested->StoreAnyProperty(p); });
  }
}

std::string TPropsStorage::StoreComponent(TObjectRef comp) const {
  if (!comp) return "(null)";
  const std::string name = componentName(comp);
  TFormWindow* owner = nullptr;
  for (TFormWindow* f : TFormWindow::Forms())
    if (f->FindComponent(name).Object == comp.Object) {
      owner = f;
      break;
    }
  if (!owner || owner == Owner) return name;
  std::string ownerName = owner->Name();
  if (ownerName.empty()) {
    ownerName = owner->ClassName();
    if (!ownerName.empty() && (ownerName[0] == 'T' || ownerName[0] == 't')) ownerName.erase(0, 1);
  }
  return ownerName + "." + name;
}

// ---- loading ----

void TPropsStorage::LoadAnyProperty(const TPropInfo& prop) {
  try {
    const TTypeKind kind = prop.Kind();
    std::string def;
    if (kind == tkClass) {
      const TObjectRef obj = prop.GetValue(AObject).AsObject();
      if (isComponentProperty(prop, obj)) def = StoreComponent(obj);
    } else {
      def = StoreText(prop);
    }
    // Every kind is read back; a variant whose current value has no text
    // too, so that its stored value is not lost.
    std::string text;
    if (!def.empty() || writtenWhenEmpty(kind) || isStringKind(kind) || kind == tkClass ||
        kind == tkVariant) {
      text = ReadString(Section, GetItemName(prop.Name()), def);
      if (!isStringKind(kind)) text = Trim(text);
    }
    LoadText(prop, text);
  } catch (...) {
    // A value that cannot be loaded leaves its property as it was.
  }
}

void TPropsStorage::LoadText(const TPropInfo& prop, const std::string& text) {
  const TTypeInfo& type = prop.PropType();
  switch (prop.Kind()) {
    case tkInteger:
    case tkInt64:
      prop.SetValue(AObject, TPropValue::Ordinal(StrToInt64Def(text, 0)));
      break;
    case tkChar:
    case tkWChar: {
      const std::u32string cps = Utf8ToUtf32(text);
      if (cps.empty()) break;
      std::int64_t v = std::int64_t(cps[0]);
      if (prop.Kind() == tkChar) {
        v = UnicodeToCp1252(cps[0]);
        if (v < 0) break;
      } else if (v > 0xFFFF) {
        break;
      }
      prop.SetValue(AObject, TPropValue::Ordinal(v));
      break;
    }
    case tkEnumeration: {
      const std::int64_t v = GetEnumValue(type, text);
      if (v >= 0) prop.SetValue(AObject, TPropValue::Ordinal(v));
      break;
    }
    case tkFloat: {
      std::string s = text;
      std::replace(s.begin(), s.end(), '.', FormatSettings().DecimalSeparator);
      double v;
      if (TryStrToFloat(s, v, FormatSettings())) prop.SetValue(AObject, TPropValue::Float(v));
      break;
    }
    case tkString:
    case tkLString:
    case tkWString:
      prop.SetValue(AObject, TPropValue::String(DecodeLineBreaks(text)));
      break;
    case tkSet: {
      std::int64_t value = 0;
      const TSysCharSet delims(" ,[]");
      const int n = WordCount(text, delims);
      for (int i = 1; i <= n; ++i) {
        std::int64_t bit = 0;
        if (NamesToSet(type, {ExtractWord(i, text, delims)}, bit)) value |= bit;
      }
      prop.SetValue(AObject, TPropValue::Ordinal(value));
      break;
    }
    case tkVariant:
      prop.SetValue(AObject, TPropValue::String(text));
      break;
    case tkClass:
      LoadClassProperty(prop, text);
      break;
    default:
      break;
  }
}

void TPropsStorage::LoadClassProperty(const TPropInfo& prop, const std::string& text) {
  const TObjectRef obj = prop.GetValue(AObject).AsObject();
  if (obj) {
    if (TStrings* list = ObjectCast<TStrings>(obj)) {
      LoadStrings(prop, *list);
      return;
    }
    if (obj.Class && obj.Class->Collection()) {
      LoadCollection(prop, obj);
      return;
    }
  }
  if (isComponentProperty(prop, obj)) {
    const TObjectRef comp = LoadComponent(text);
    prop.SetValue(AObject, TPropValue::Object(comp.Object ? comp : TObjectRef{nullptr, nullptr}));
    return;
  }
  if (!obj) return;
  std::unique_ptr<TPropsStorage> nested = Nested(obj, Prefix + prop.Name(), Section);
  ForEachProperty(obj, [&](const TPropInfo& p) { nested->LoadAnyProperty(p); });
}

void TPropsStorage::LoadStrings(const TPropInfo& prop, TStrings& list) {
  const std::string sect = Section + "." + GetItemName(prop.Name());
  std::int64_t count = StrToInt64Def(Trim(ReadString(sect, "Count", "0")), 0);
  // No more items than the section holds keys ("Count" among them).
  const std::size_t keys = KeyCount(sect);
  if (keys != std::size_t(-1)) count = std::min<std::int64_t>(count, std::int64_t(keys) - 1);
  if (count <= 0) return;
  TStringList lines;
  for (int i = 0; i < count; ++i) lines.Add(ReadString(sect, Format("Item%d", i), ""));
  ClassInfoStringList();  // the list must be known as a described object
  if (!prop.IsReadOnly())
    prop.SetValue(AObject, TPropValue::Object(MakeObjectRef(&lines)));
  else
    list.Assign(lines);
}

void TPropsStorage::LoadCollection(const TPropInfo& prop, TObjectRef coll) {
  const TCollectionInfo& info = *coll.Class->Collection();
  const std::string name = GetItemName(prop.Name());
  const std::string sect = Section + "." + name;
  const std::string countText = Trim(ReadString(Section, Format("%s.%s", name, "Count"), ""));
  if (countText.empty()) return;  // nothing stored: the collection stays as it is
  std::int64_t count = StrToInt64Def(countText, 0);
  if (OnReadSection) {
    // Items present: the distinct "Item<i>_" prefixes of the sub-section.
    std::set<std::int64_t> present;
    for (const std::string& key : OnReadSection(sect)) {
      if (!StartsText("Item", key)) continue;
      const std::size_t bar = key.find('_');
      std::int64_t i;
      if (bar != std::string::npos && TryStrToInt64(key.substr(4, bar - 4), i)) present.insert(i);
    }
    count = std::min<std::int64_t>(count, std::int64_t(present.size()));
  }
  info.Clear(coll);
  for (int i = 0; i < count; ++i) {
    const TObjectRef item = info.Add(coll);
    std::unique_ptr<TPropsStorage> nested = Nested(item, Format("Item%d", i) + "_", sect);
    ForEachProperty(item, [&](const TPropInfo& p) { nested->LoadAnyProperty(p); });
  }
}

TObjectRef TPropsStorage::LoadComponent(const std::string& text) const {
  if (text.empty() || SameText(text, "(null)")) return {};
  const std::size_t dot = text.find('.');
  if (dot != std::string::npos) {
    TFormWindow* form = TFormWindow::FindForm(Trim(text.substr(0, dot)));
    if (!form) {
      // An owner without a name is written as its class name without "T".
      for (TFormWindow* f : TFormWindow::Forms())
        if (f->Name().empty() && SameText(f->ClassName(), "T" + Trim(text.substr(0, dot)))) {
          form = f;
          break;
        }
    }
    return form ? form->FindComponent(Trim(text.substr(dot + 1))) : TObjectRef{};
  }
  return Owner ? Owner->FindComponent(text) : TObjectRef{};
}

// ---- lists of entries ----

namespace {

// The distinct components of the entries with their property lists, each
// looked up once.
class TComponentProps {
 public:
  explicit TComponentProps(TFormWindow* owner) : owner_(owner) {}
  // The component and property of an entry; false when either is missing.
  bool Resolve(const std::string& entry, TObjectRef& comp, std::string& compName,
               const TPropInfo*& prop) {
    std::string c, p;
    if (!owner_ || !ParseStoredItem(entry, c, p)) return false;
    auto it = cache_.find(UpperCase(c));
    if (it == cache_.end()) {
      TObjectRef ref = owner_->FindComponent(c);
      std::string name = componentName(ref);
      if (name.empty()) name = c;
      it = cache_.emplace(UpperCase(c), TEntry{ref, name, TPropInfoList(ref, tkProperties)}).first;
    }
    if (!it->second.Comp) return false;
    prop = it->second.Props.Find(p);
    comp = it->second.Comp;
    compName = it->second.Name;
    return prop != nullptr;
  }

 private:
  struct TEntry {
    TObjectRef Comp;
    std::string Name;
    TPropInfoList Props;
  };
  TFormWindow* owner_;
  std::map<std::string, TEntry> cache_;
};

}  // namespace

void TPropsStorage::ForEachEntry(TFormWindow* owner, const TStrings& list,
                                 void (TPropsStorage::*action)(const TPropInfo&)) {
  TComponentProps comps(owner);
  for (int i = 0; i < list.Count(); ++i) {
    TObjectRef comp;
    std::string name;
    const TPropInfo* prop = nullptr;
    if (!comps.Resolve(list[i], comp, name, prop)) continue;
    AObject = comp;
    Prefix = name + "_";
    (this->*action)(*prop);
  }
}

void TPropsStorage::StoreObjectsProps(TFormWindow* owner, const TStrings& list) {
  ForEachEntry(owner, list, &TPropsStorage::StoreAnyProperty);
}

void TPropsStorage::LoadObjectsProps(TFormWindow* owner, const TStrings& list) {
  ForEachEntry(owner, list, &TPropsStorage::LoadAnyProperty);
}

}  // namespace qv
