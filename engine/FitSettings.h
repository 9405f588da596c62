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
//
// The engine does not read this object itself: ReadSearchSettings
// (engine/SearchSettings.h) turns it into the typed TSearchSettings and
// checks every value there. Numbers in the boxes have one form whatever the
// user's locale: "." before the fraction (ReadSettingNumber).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SettingNames.h"

namespace qv {

enum class TSettingKind { skEdit, skComboBox, skListBox, skRadioGroup, skCheckBox, skRadioButton };

// What a text box holds: a whole number, a real number or any text (a file
// name); the window's key filter and the checks of a run follow it.
enum class TSettingValue { svText, svWhole, svReal };

struct TSettingControl {
  explicit TSettingControl(TSettingName name) : Name(name) {}
  TSettingName Name;
  TSettingKind Kind = TSettingKind::skEdit;
  TSettingValue Value = TSettingValue::svText;
  std::string Label;               // the box's caption on the page, as messages name it
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

  // Sets a control from a value written as text, as the console driver's
  // --set NAME=VALUE gives it: lists and radio groups take an item number,
  // check boxes and radio buttons True or False (1 or 0; any letter case),
  // text boxes any text (their content is checked when a run reads it).
  // Returns the refusal, in the program's words and naming the box, for a
  // value the control cannot hold; nothing changes then.
  std::optional<std::string> Assign(TSettingName Name, const std::string& Value);

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

// The number forms of the settings boxes and of the settings file, the same
// in every locale. A real number is an optional sign, digits with at most
// one "." among them and an optional exponent ("e" or "E", a sign, digits),
// finite; a whole number is an optional sign and decimal digits that fit an
// int. Blanks around the text are ignored; nothing else is taken.
bool ReadSettingNumber(std::string_view Text, double& Value);
bool ReadSettingWholeNumber(std::string_view Text, int& Value);

// A box's text as a message quotes it: at most its first 40 characters,
// then "...".
std::string QuotedSettingText(std::string_view Text);

}  // namespace qv
