// Stored properties: the conversion between published property values and
// the texts of a settings section, walking the published-property
// descriptions (PublishedProps.h).
//
// Text forms by kind: integers in decimal (integer types that take negative
// values as their signed 32-bit form); characters as themselves;
// enumerations by name; floats in general format with "." (7 significant
// digits for single, 15 for double, 17 for the wider types, the most a
// double holds); strings as they are; sets as "[a,b]"; variants as their
// text. A string list goes to a sub-section "<section>.<key>" with "Count"
// and "Item0".."ItemN-1"; a collection to a count key "<key>.Count" and a
// sub-section of item properties; a component reference as its name,
// "Owner.Name" for a component of another form, or "(null)"; any other
// object as its own published properties under the prefix extended by the
// property's name.
//
// Texts are written trimmed, except strings, which keep outer blanks (the
// settings file quotes them); a string holding line breaks is written as a
// quoted literal with #13 and #10 codes ('a'#13#10'b') and read back as
// it was. Reading a list or collection takes no more items than the
// section holds. A value that cannot be read leaves its property as it
// was; any error while loading one property is ignored.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/PublishedProps.h"

namespace qv {

class TFormWindow;

// The published properties of one object whose kinds are in a filter.
class TPropInfoList {
 public:
  TPropInfoList(TObjectRef object, TTypeKinds filter);
  int Count() const { return int(items_.size()); }
  const TPropInfo* Items(int i) const { return items_[std::size_t(i)]; }
  // By name without regard to case; nullptr when absent.
  const TPropInfo* Find(std::string_view name) const;
  int IndexOf(const TPropInfo* p) const;

 private:
  std::vector<const TPropInfo*> items_;
};

// An entry of a stored-property list: component name "." property name;
// empty when either is empty.
std::string CreateStoredItem(std::string_view comp, std::string_view prop);
// Splits an entry at its first "." into trimmed names; false unless both
// are non-empty.
bool ParseStoredItem(std::string_view item, std::string& comp, std::string& prop);
// The entry with another component name.
std::string ReplaceComponentName(std::string_view item, std::string_view compName);

// A string with line breaks as a quoted literal with character codes, and
// back (a text that is no such literal, or holds no line break code, comes
// back as it stands).
std::string EncodeLineBreaks(std::string_view s);
std::string DecodeLineBreaks(std::string_view s);

class TPropsStorage {
 public:
  using TReadStrEvent = std::function<std::string(std::string_view section, std::string_view item,
                                                  std::string_view def)>;
  using TWriteStrEvent =
      std::function<void(std::string_view section, std::string_view item, std::string_view value)>;
  using TEraseSectEvent = std::function<void(std::string_view section)>;
  // The key names of a section (bounds the items a list reads).
  using TReadSectEvent = std::function<std::vector<std::string>(std::string_view section)>;

  TPropsStorage() = default;
  TPropsStorage(const TPropsStorage&) = delete;
  TPropsStorage& operator=(const TPropsStorage&) = delete;
  virtual ~TPropsStorage() = default;

  TObjectRef AObject;
  // The form whose components references are resolved against.
  TFormWindow* Owner = nullptr;
  std::string Prefix;
  std::string Section;
  TReadStrEvent OnReadString;
  TWriteStrEvent OnWriteString;
  TEraseSectEvent OnEraseSection;
  TReadSectEvent OnReadSection;

  // The virtual operations, in slot order.
  virtual std::string ReadString(std::string_view section, std::string_view item,
                                 std::string_view def);
  virtual void WriteString(std::string_view section, std::string_view item, std::string_view value);
  virtual void EraseSection(std::string_view section);
  virtual std::string GetItemName(std::string_view propName) const;
  virtual std::unique_ptr<TPropsStorage> CreateStorage() const;

  void StoreAnyProperty(const TPropInfo& prop);
  void LoadAnyProperty(const TPropInfo& prop);
  // Stores (loads) the properties named by list entries "Comp.Prop" of the
  // owner's components, each under the prefix "Comp_". Entries whose
  // component or property does not exist are passed over.
  void StoreObjectsProps(TFormWindow* owner, const TStrings& list);
  void LoadObjectsProps(TFormWindow* owner, const TStrings& list);

 private:
  std::string StoreText(const TPropInfo& prop);
  void LoadText(const TPropInfo& prop, const std::string& text);
  std::string StoreClassProperty(const TPropInfo& prop);
  void LoadClassProperty(const TPropInfo& prop, const std::string& text);
  void StoreStrings(const TPropInfo& prop, TStrings& list);
  void LoadStrings(const TPropInfo& prop, TStrings& list);
  void StoreCollection(const TPropInfo& prop, TObjectRef coll);
  void LoadCollection(const TPropInfo& prop, TObjectRef coll);
  std::string StoreComponent(TObjectRef comp) const;
  TObjectRef LoadComponent(const std::string& text) const;
  // A storage for a nested object, sharing this one's callbacks.
  std::unique_ptr<TPropsStorage> Nested(TObjectRef object, std::string prefix,
                                        std::string section) const;
  std::size_t KeyCount(std::string_view section) const;
  void ForEachProperty(TObjectRef object, const std::function<void(const TPropInfo&)>& f);
  // Runs an action on the property of each entry, with the entry's object
  // and prefix set.
  void ForEachEntry(TFormWindow* owner, const TStrings& list,
                    void (TPropsStorage::*action)(const TPropInfo&));
};

// Significant digits of a float's text by its precision: 7 single, 15
// double, 17 for the wider types (the most a double holds).
int FloatDigits(TFloatType t);

// The text of a variant value (empty for an empty variant).
std::string VariantToText(const TPropValue& v);

}  // namespace qv
