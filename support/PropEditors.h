// The property-editor framework of the object inspector over the
// published-property descriptions (PublishedProps.h): an editor per
// property of one object (its name, its value as text, a list of values,
// sub-properties, a dialog, the drawing of values), the designer the
// editors talk to, and the registry that picks the editor for a property.
//
// Registry: editors are registered for a property type (for class types
// also matching properties of derived classes), optionally only for a
// component class (and its descendants) and a property name. Registrations
// are tried newest first; a later match replaces the best so far when it
// names a component class and the best does not, or names a property and
// the best does not, or has the exact type where the best has an ancestor
// class, or has a more derived class type. Without a match the default
// editor of the property's kind serves. The standard editors (colour,
// font, cursor, shortcut, dates, component name and reference, ...) are
// registered on first use.
//
// Failures: SetValue raises EPropertyError or EConvertError with the class
// library's messages ("Invalid property value", "'x' is not a valid
// integer value", "Value must be between %d and %d").
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/EnumSet.h"
#include "platform/core/PublishedProps.h"

namespace qv {

// Editor attributes; bit n of the set is member n: value list 1,
// sub-properties 2, dialog 4, multi-select 8, auto-update 16, sorted list
// 32, read-only 64, revertable 128.
enum TPropertyAttribute : std::uint8_t {
  paValueList,
  paSubProperties,
  paDialog,
  paMultiSelect,
  paAutoUpdate,
  paSortList,
  paReadOnly,
  paRevertable
};
using TPropertyAttributes = TEnumSet<TPropertyAttribute>;

class TPropertyEditor;
using TGetStrProc = std::function<void(const std::string&)>;
using TGetPropProc = std::function<void(std::unique_ptr<TPropertyEditor>)>;

// What the editors ask of the designer that shows them.
class TFormDesigner {
 public:
  virtual ~TFormDesigner() = default;
  // A method handler's name: the object's name, "." and the method name.
  virtual std::string GetMethodName(TObjectRef object, const std::string& method) = 0;
  // The name of a component ("" for none).
  virtual std::string GetObjectName(TObjectRef component) = 0;
  // The components that a reference property may take, by name.
  virtual void GetComponentNames(const TClassInfo& cls, const TGetStrProc& proc) = 0;
  virtual TObjectRef GetComponent(const std::string& name) = 0;
  // A value was changed through an editor.
  virtual void Modified() = 0;
};

// The editor of one property of one object. Editors are made by the
// registry (or by a parent editor for its sub-properties) and owned by
// whoever asked for them; the object must outlive them.
class TPropertyEditor {
 public:
  TPropertyEditor(TFormDesigner* designer, TObjectRef object, const TPropInfo& prop)
      : designer_(designer), object_(object), prop_(&prop) {}
  TPropertyEditor(const TPropertyEditor&) = delete;
  TPropertyEditor& operator=(const TPropertyEditor&) = delete;
  virtual ~TPropertyEditor() = default;

  // The editor's class name ("TColorProperty"), as handlers test it.
  virtual std::string ClassName() const { return "TPropertyEditor"; }
  // Called before the editor is used for editing.
  virtual void Activate() {}
  virtual TPropertyAttributes GetAttributes() const { return {paRevertable}; }
  // The longest text the value may take.
  virtual int GetEditLimit() const { return 255; }
  virtual std::string GetName() const { return prop_->Name(); }
  virtual std::string GetValue() const { return "(unknown)"; }
  // Sets the property from a text; raises on a bad value.
  virtual void SetValue(const std::string& value) { (void)value; }
  // Opens the editor's dialog; for a value list, takes the next value.
  virtual void Edit();
  // The values of a value list, in order.
  virtual void GetValues(const TGetStrProc& proc) { (void)proc; }
  // The sub-properties, in order.
  virtual void GetProperties(const TGetPropProc& proc) { (void)proc; }

  // List drawing: the item's width and height (unchanged by default) and
  // the item itself (its text by default).
  virtual void ListMeasureWidth(const std::string& value, TCanvas& c, int& width);
  virtual void ListMeasureHeight(const std::string& value, TCanvas& c, int& height);
  virtual void ListDrawValue(const std::string& value, TCanvas& c, const TRect& r, bool selected);
  // The value in the inspector's value cell (its text by default).
  virtual void PropDrawValue(TCanvas& c, const TRect& r, bool selected);

  TFormDesigner* Designer() const { return designer_; }
  TObjectRef GetComponent() const { return object_; }
  const TPropInfo& GetPropInfo() const { return *prop_; }
  const TTypeInfo& GetPropType() const { return prop_->PropType(); }
  // Whether the property holds an object, and which.
  bool IsClassProperty() const { return prop_->Kind() == tkClass; }
  const void* GetObjectValue() const;

  std::int64_t GetOrdValue() const;
  void SetOrdValue(std::int64_t v);
  double GetFloatValue() const;
  void SetFloatValue(double v);
  std::string GetStrValue() const;
  void SetStrValue(const std::string& v);
  TPropValue GetVarValue() const;
  void SetVarValue(const TPropValue& v);
  TObjectRef GetObjValue() const;
  void SetObjValue(TObjectRef v);

 protected:
  // Sets the property and tells the designer.
  void SetPropValue(const TPropValue& v);

 private:
  TFormDesigner* designer_;
  TObjectRef object_;
  const TPropInfo* prop_;
};

using TPropertyEditorFactory =
    std::function<std::unique_ptr<TPropertyEditor>(TFormDesigner*, TObjectRef, const TPropInfo&)>;

// Registers an editor for properties of a type, optionally only for a
// component class (and its descendants) and a property name.
void RegisterPropertyEditor(const TTypeInfo& propertyType, const TClassInfo* componentClass,
                            const std::string& propertyName, TPropertyEditorFactory factory);
template <class E>
void RegisterPropertyEditor(const TTypeInfo& propertyType,
                            const TClassInfo* componentClass = nullptr,
                            const std::string& propertyName = {}) {
  RegisterPropertyEditor(propertyType, componentClass, propertyName,
                         [](TFormDesigner* d, TObjectRef o, const TPropInfo& p) {
                           return std::make_unique<E>(d, o, p);
                         });
}

// The editor for one property of an object (the best registration, else
// the default editor of its kind).
std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TFormDesigner* designer, TObjectRef object,
                                                      const TPropInfo& prop);
// An editor for each published property of the object whose kind is in the
// filter, in declaration order.
void GetComponentProperties(TObjectRef object, TTypeKinds filter, TFormDesigner* designer,
                            const TGetPropProc& proc);

// The font families offered by font-name properties (the Qt layer sets
// the installed ones; by default the metric-compatible standard faces).
void SetFontFamiliesProvider(std::function<std::vector<std::string>()> provider);

// Shortcut texts of shortcut properties: "Ctrl+A", "Shift+F1", "(None)".
std::string ShortCutText(int shortCut);
// 0 for "(None)" or an empty text, -1 for a text that is no shortcut.
int ShortCutFromText(std::string_view text);

// The value text as a row shows it: every character below 32 as ".".
std::string DisplayValue(const std::string& value);

// ---------------------------------------------------------------------------
// The standard editors.

class TOrdinalProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string ClassName() const override { return "TOrdinalProperty"; }
  TPropertyAttributes GetAttributes() const override { return {paMultiSelect, paRevertable}; }
};

class TIntegerProperty : public TOrdinalProperty {
 public:
  using TOrdinalProperty::TOrdinalProperty;
  std::string ClassName() const override { return "TIntegerProperty"; }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

class TCharProperty : public TOrdinalProperty {
 public:
  using TOrdinalProperty::TOrdinalProperty;
  std::string ClassName() const override { return "TCharProperty"; }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

class TEnumProperty : public TOrdinalProperty {
 public:
  using TOrdinalProperty::TOrdinalProperty;
  std::string ClassName() const override { return "TEnumProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
  }
  std::string GetValue() const override;
  void GetValues(const TGetStrProc& proc) override;
  void SetValue(const std::string& value) override;
};

class TFloatProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string ClassName() const override { return "TFloatProperty"; }
  TPropertyAttributes GetAttributes() const override { return {paMultiSelect, paRevertable}; }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

class TInt64Property : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string ClassName() const override { return "TInt64Property"; }
  TPropertyAttributes GetAttributes() const override { return {paMultiSelect, paRevertable}; }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

class TStringProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string ClassName() const override { return "TStringProperty"; }
  TPropertyAttributes GetAttributes() const override { return {paMultiSelect, paRevertable}; }
  std::string GetValue() const override { return GetStrValue(); }
  void SetValue(const std::string& value) override { SetStrValue(value); }
};

class TVariantProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string ClassName() const override { return "TVariantProperty"; }
  TPropertyAttributes GetAttributes() const override { return {paMultiSelect, paRevertable}; }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

// One member of a set property, shown as "True" or "False".
class TSetElementProperty : public TPropertyEditor {
 public:
  TSetElementProperty(TFormDesigner* d, TObjectRef o, const TPropInfo& p, int element)
      : TPropertyEditor(d, o, p), element_(element) {}
  std::string ClassName() const override { return "TSetElementProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paValueList, paSortList};
  }
  std::string GetName() const override;
  std::string GetValue() const override;
  void GetValues(const TGetStrProc& proc) override;
  void SetValue(const std::string& value) override;

 private:
  int element_;
};

class TSetProperty : public TOrdinalProperty {
 public:
  using TOrdinalProperty::TOrdinalProperty;
  std::string ClassName() const override { return "TSetProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paSubProperties, paReadOnly, paRevertable};
  }
  std::string GetValue() const override;
  void GetProperties(const TGetPropProc& proc) override;
};

class TClassProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string ClassName() const override { return "TClassProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paSubProperties, paReadOnly};
  }
  std::string GetValue() const override;
  void GetProperties(const TGetPropProc& proc) override;
};

// A reference to a component, chosen by name.
class TComponentProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string ClassName() const override { return "TComponentProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
  }
  int GetEditLimit() const override { return 127; }
  std::string GetValue() const override;
  void GetValues(const TGetStrProc& proc) override;
  void SetValue(const std::string& value) override;
};

class TComponentNameProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  std::string ClassName() const override { return "TComponentNameProperty"; }
  TPropertyAttributes GetAttributes() const override { return {paRevertable}; }
  int GetEditLimit() const override { return 63; }
};

class TCaptionProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  std::string ClassName() const override { return "TCaptionProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paAutoUpdate, paRevertable};
  }
};

class TFontNameProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  std::string ClassName() const override { return "TFontNameProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
  }
  void GetValues(const TGetStrProc& proc) override;
};

class TImeNameProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  std::string ClassName() const override { return "TImeNameProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
  }
};

// Integer types with named constants: the names as the value list.
class TNamedIntegerProperty : public TIntegerProperty {
 public:
  using TIntegerProperty::TIntegerProperty;
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
  }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

class TColorProperty : public TNamedIntegerProperty {
 public:
  using TNamedIntegerProperty::TNamedIntegerProperty;
  std::string ClassName() const override { return "TColorProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paDialog, paValueList, paRevertable};
  }
  void Edit() override;
  void GetValues(const TGetStrProc& proc) override { GetColorValues(proc); }
  void ListMeasureWidth(const std::string& value, TCanvas& c, int& width) override;
  void ListDrawValue(const std::string& value, TCanvas& c, const TRect& r, bool selected) override;
  void PropDrawValue(TCanvas& c, const TRect& r, bool selected) override;
};

class TCursorProperty : public TNamedIntegerProperty {
 public:
  using TNamedIntegerProperty::TNamedIntegerProperty;
  std::string ClassName() const override { return "TCursorProperty"; }
  void GetValues(const TGetStrProc& proc) override { GetCursorValues(proc); }
};

class TFontCharsetProperty : public TNamedIntegerProperty {
 public:
  using TNamedIntegerProperty::TNamedIntegerProperty;
  std::string ClassName() const override { return "TFontCharsetProperty"; }
  void GetValues(const TGetStrProc& proc) override { GetCharsetValues(proc); }
};

class TModalResultProperty : public TIntegerProperty {
 public:
  using TIntegerProperty::TIntegerProperty;
  std::string ClassName() const override { return "TModalResultProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paValueList, paRevertable};
  }
  std::string GetValue() const override;
  void GetValues(const TGetStrProc& proc) override;
  void SetValue(const std::string& value) override;
};

class TShortCutProperty : public TOrdinalProperty {
 public:
  using TOrdinalProperty::TOrdinalProperty;
  std::string ClassName() const override { return "TShortCutProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paValueList, paRevertable};
  }
  std::string GetValue() const override { return ShortCutText(int(GetOrdValue())); }
  void GetValues(const TGetStrProc& proc) override;
  void SetValue(const std::string& value) override;
};

class TTabOrderProperty : public TIntegerProperty {
 public:
  using TIntegerProperty::TIntegerProperty;
  std::string ClassName() const override { return "TTabOrderProperty"; }
  TPropertyAttributes GetAttributes() const override { return {paRevertable}; }
};

class TFontProperty : public TClassProperty {
 public:
  using TClassProperty::TClassProperty;
  std::string ClassName() const override { return "TFontProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paMultiSelect, paSubProperties, paDialog, paReadOnly};
  }
  void Edit() override;
};

// Dates and times: empty for 0, else the locale's date and time texts.
class TDateProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string ClassName() const override { return "TDateProperty"; }
  TPropertyAttributes GetAttributes() const override { return {paMultiSelect, paRevertable}; }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

class TTimeProperty : public TDateProperty {
 public:
  using TDateProperty::TDateProperty;
  std::string ClassName() const override { return "TTimeProperty"; }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

class TDateTimeProperty : public TDateProperty {
 public:
  using TDateProperty::TDateProperty;
  std::string ClassName() const override { return "TDateTimeProperty"; }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

// Enumerations drawn with a sample of the style in lists and cells.
class TBrushStyleProperty : public TEnumProperty {
 public:
  using TEnumProperty::TEnumProperty;
  std::string ClassName() const override { return "TBrushStyleProperty"; }
  void ListMeasureWidth(const std::string& value, TCanvas& c, int& width) override;
  void ListDrawValue(const std::string& value, TCanvas& c, const TRect& r, bool selected) override;
};

class TPenStyleProperty : public TEnumProperty {
 public:
  using TEnumProperty::TEnumProperty;
  std::string ClassName() const override { return "TPenStyleProperty"; }
  void ListMeasureWidth(const std::string& value, TCanvas& c, int& width) override;
  void ListDrawValue(const std::string& value, TCanvas& c, const TRect& r, bool selected) override;
};

}  // namespace qv
