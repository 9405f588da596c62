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
// Settings are named by the constants of engine/SettingNames.h.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SettingNames.h"

namespace qv {

enum class TSettingKind { skEdit, skComboBox, skListBox, skRadioGroup, skCheckBox, skRadioButton };

struct TSettingControl {
  explicit TSettingControl(TSettingName name) : Name(name) {}
  TSettingName Name;
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

  const TSettingControl& Control(TSettingName Name) const;

  std::string Text(TSettingName Name) const;
  void SetText(TSettingName Name, const std::string& Value);
  int ItemIndex(TSettingName Name) const;
  void SetItemIndex(TSettingName Name, int Index);
  bool Checked(TSettingName Name) const;
  // Checking a radio button unchecks the other buttons of its group.
  void SetChecked(TSettingName Name, bool Value);

  // The setting whose name is Text, for names that come as text (the
  // window's object names, the test driver's command line); raises
  // std::out_of_range "No setting named ..." for any other text.
  static TSettingName Find(std::string_view Text);

  // Every setting name in a fixed order (for the window's binding and for
  // saving the settings).
  std::vector<TSettingName> Names() const;

  // Back to the window defaults.
  void Reset();

 private:
  TSettingControl& Mutable(TSettingName Name);
  std::map<TSettingName, TSettingControl> controls_;
};

}  // namespace qv
