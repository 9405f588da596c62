// The Qt dialog of a form description (CustomForm.h): the dialogs service
// shows forms through it.
#pragma once

#include "platform/core/CustomForm.h"

namespace qv {

// Builds the dialog, runs it modally and writes the controls' values back
// into the description; answers the modal result of the closing button
// (mrCancel when the window was closed or Escape pressed without a cancel
// button of another result).
int ShowQtForm(TFormSpec& form);

}  // namespace qv
