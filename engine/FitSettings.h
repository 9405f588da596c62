// The main window's setting controls as the engine sees them: every control
// the engine reads or writes back, under the control's name, holding the
// window's default. The main window keeps its widgets and this object in
// step (it copies widget values in before a run and shows what the engine
// writes back, which the engine announces through TFitHost::SettingChanged).
// Tests and the command-line driver use it without any window.
//
// Kinds of control:
//  - text boxes and editable combo boxes: Text (ItemIndex follows Items when
//    the text equals one of them);
//  - list combo boxes and radio groups: ItemIndex (Text is the item);
//  - check boxes: Checked;
//  - radio buttons: Checked, exclusive within their group (RB1..RB4).
// Asking for a name that is not a setting throws std::out_of_range: the
// names are a fixed contract, and a typo must not read a silent default.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qv {

enum class TSettingKind { skEdit, skComboBox, skListBox, skRadioGroup, skCheckBox, skRadioButton };

struct TSettingControl {
  std::string Name;
  TSettingKind Kind = TSettingKind::skEdit;
  std::string Caption;             // caption of radio groups, check boxes, radio buttons
  std::vector<std::string> Items;  // choices of combo boxes and radio groups
  std::string Text;
  int ItemIndex = -1;
  bool Checked = false;
  std::string Group;  // radio buttons: buttons of one group exclude each other
};

class TFitSettings {
 public:
  TFitSettings();  // every control at its window default

  bool Has(const std::string& Name) const;
  const TSettingControl& Control(const std::string& Name) const;

  std::string Text(const std::string& Name) const;
  void SetText(const std::string& Name, const std::string& Value);
  int ItemIndex(const std::string& Name) const;
  void SetItemIndex(const std::string& Name, int Index);
  bool Checked(const std::string& Name) const;
  // Checking a radio button unchecks the other buttons of its group.
  void SetChecked(const std::string& Name, bool Value);

  // Every setting name in a fixed order (for the window's binding and for
  // saving the settings).
  std::vector<std::string> Names() const;

  // Back to the window defaults.
  void Reset();

 private:
  TSettingControl& Mutable(const std::string& Name);
  std::map<std::string, TSettingControl> FControls;
  std::vector<std::string> FOrder;
};

}  // namespace qv
