// Property editors the inspector adds to the standard ones: hexadecimal
// integers, multi-line strings and string lists (both edited in a text
// dialog), and that dialog.
#pragma once

#include <functional>
#include <string>

#include "support/PropEditors.h"

namespace qv {

// The types these editors are registered for: an integer shown in
// hexadecimal and a string that may hold line breaks.
const TTypeInfo& TypeInfoHexadecimal();
const TTypeInfo& TypeInfoMultiLineStr();

// Registers THexProperty, TMultiLineStrProperty and TStringsProperty (done
// once, when the first inspector is made).
void RegisterPropEdits();

// "$" and the value in upper-case hexadecimal without leading zeros. A
// text without "$" is read as hexadecimal; with "$" in the usual notation.
class THexProperty : public TIntegerProperty {
 public:
  using TIntegerProperty::TIntegerProperty;
  std::string ClassName() const override { return "THexProperty"; }
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

// Changed only in the text dialog.
class TMultiLineStrProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  std::string ClassName() const override { return "TMultiLineStrProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return TStringProperty::GetAttributes() + TPropertyAttributes{paDialog, paReadOnly};
  }
  void Edit() override;
};

class TStringsProperty : public TClassProperty {
 public:
  using TClassProperty::TClassProperty;
  std::string ClassName() const override { return "TStringsProperty"; }
  TPropertyAttributes GetAttributes() const override {
    return {paDialog, paMultiSelect, paReadOnly};
  }
  void Edit() override;
};

// The text dialog: a sizeable tool window with a memo, "Ok" and "Cancel".
// Text holds the memo's lines joined by CR LF; MaxLength 0 is unlimited.
struct TStrEditForm {
  std::string Caption;
  std::string Text;
  int MaxLength = 0;
};

// Shows the dialog; true when it closed with Ok (Text then holds the memo).
// The Qt layer installs the real dialog; without it the dialog cancels.
using TStrEditRunner = std::function<bool(TStrEditForm& form)>;
void SetStrEditRunner(TStrEditRunner runner);
bool ExecuteStrEditForm(TStrEditForm& form);

}  // namespace qv
