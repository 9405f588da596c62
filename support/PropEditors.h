// The property-editor framework of the object inspector: what an editor of
// one published property offers (its name, its value as text, a list of
// values, sub-properties, a dialog, drawing of values), the designer the
// editors talk to, and the registry that picks an editor for a property.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/core/Canvas.h"
#include "platform/core/EnumSet.h"

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

// What the editors ask of the designer that shows them.
class TFormDesigner {
 public:
  virtual ~TFormDesigner() = default;
  // A method handler's name: the object's name, "." and the method name.
  virtual std::string GetMethodName(const std::string& objectName, const std::string& method) = 0;
  // The name of a component ("" for none).
  virtual std::string GetObjectName(const std::string& componentName) = 0;
  // A value was changed through an editor.
  virtual void Modified() = 0;
};

// The editor of one property of one object. Editors are made by the
// registry (or by a parent editor for its sub-properties) and owned by
// whoever asked for them.
class TPropertyEditor {
 public:
  using TGetStrProc = std::function<void(const std::string&)>;
  using TGetPropProc = std::function<void(std::unique_ptr<TPropertyEditor>)>;

  TPropertyEditor() = default;
  TPropertyEditor(const TPropertyEditor&) = delete;
  TPropertyEditor& operator=(const TPropertyEditor&) = delete;
  virtual ~TPropertyEditor() = default;

  // The editor's class name ("TColorProperty"), as handlers test it.
  virtual std::string ClassName() const = 0;
  // Called before the editor is used for editing.
  virtual void Activate() {}
  virtual TPropertyAttributes GetAttributes() const { return {paRevertable}; }
  // The longest text the value may take.
  virtual int GetEditLimit() const { return 255; }
  virtual std::string GetName() const = 0;
  virtual std::string GetValue() const = 0;
  // Sets the property from a text; raises on a bad value.
  virtual void SetValue(const std::string& value) = 0;
  // Opens the editor's dialog, or takes the next value of its list.
  virtual void Edit() {}
  // The values of a value list, in order.
  virtual void GetValues(const TGetStrProc& proc) { (void)proc; }
  // The sub-properties, in order.
  virtual void GetProperties(const TGetPropProc& proc) { (void)proc; }
  // Whether the property holds an object, and which (its identity).
  virtual bool IsClassProperty() const { return false; }
  virtual const void* GetObjectValue() const { return nullptr; }

  // List drawing: the item's width and height (unchanged by default) and
  // the item itself (its text by default).
  virtual void ListMeasureWidth(const std::string& value, TCanvas& c, int& width);
  virtual void ListMeasureHeight(const std::string& value, TCanvas& c, int& height);
  virtual void ListDrawValue(const std::string& value, TCanvas& c, const TRect& r, bool selected);
  // The value in the inspector's value cell (its text by default).
  virtual void PropDrawValue(TCanvas& c, const TRect& r, bool selected);

  TFormDesigner* Designer() const { return designer_; }
  void SetDesigner(TFormDesigner* d) { designer_ = d; }

 protected:
  // Tells the designer that a value changed.
  void Modified() {
    if (designer_) designer_->Modified();
  }

 private:
  TFormDesigner* designer_ = nullptr;
};

// The value text as a row shows it: every character below 32 as ".".
std::string DisplayValue(const std::string& value);

}  // namespace qv
