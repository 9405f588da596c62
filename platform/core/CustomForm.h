// A small modal window described by its controls, shown through the
// dialogs service (Services.h: TDialogService::ShowForm). The Qt service
// builds a real dialog from the description, places the controls where the
// description says, runs it and writes what the user left in the controls
// back into the description; the scripted answerer of tests changes the
// values as the script says and never blocks.
//
// Coordinates are client pixels of the form, or of the group box named as
// a control's Parent. Captions may hold "&" before the accelerator letter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Graphics.h"

namespace qv {

enum TFormControlKind : std::uint8_t {
  fcLabel,       // Caption; FocusControl: the control its accelerator focuses
  fcEdit,        // Text
  fcComboBox,    // Text and Items (an editable list of earlier texts)
  fcCheckBox,    // Caption, Checked
  fcRadioGroup,  // Caption, Items, ItemIndex
  fcGroupBox,    // Caption; holds the controls naming it as Parent
  fcButton,      // Caption, ModalResult, Default, Cancel
  fcImage        // Icon
};

// System icons of an image control.
enum TFormIcon : std::uint8_t { fiNone, fiQuestion, fiInformation, fiWarning, fiError };

struct TFormControl {
  std::string Name;
  TFormControlKind Kind = fcLabel;
  std::string Parent;  // the group box holding the control; empty: the form
  TRect Bounds;
  std::string Caption;
  std::string Text;
  std::vector<std::string> Items;
  int ItemIndex = -1;
  bool Checked = false;
  bool WordWrap = false;
  int ModalResult = 0;   // a button closing the form with this result; 0 none
  bool Default = false;  // answers Return
  bool Cancel = false;   // answers Escape
  TFormIcon Icon = fiNone;
  std::string FocusControl;
};

struct TFormSpec {
  std::string Name;  // the form's class, e.g. "TTextSearchDialog"
  std::string Caption;
  int ClientWidth = 0;
  int ClientHeight = 0;
  // Centred on the screen, or with the window's top-left corner at
  // (Left, Top) in screen pixels.
  bool Centered = true;
  int Left = 0;
  int Top = 0;
  std::string ActiveControl;  // the control with the focus when shown
  std::vector<TFormControl> Controls;

  TFormControl& Add(TFormControl Control) {
    Controls.push_back(std::move(Control));
    return Controls.back();
  }
  // Null when there is no control of that name.
  TFormControl* Find(const std::string& ControlName) {
    for (TFormControl& c : Controls)
      if (c.Name == ControlName) return &c;
    return nullptr;
  }
  const TFormControl* Find(const std::string& ControlName) const {
    return const_cast<TFormSpec*>(this)->Find(ControlName);
  }
};

}  // namespace qv
