// Screen cursors registered under cursor numbers of their own (beyond the
// built-in shapes of ControlCore.h), as components add cursors at start.
// Widget hosts look a cursor number up here before the built-in shapes.
#pragma once

#include <QCursor>

#include "platform/core/ControlCore.h"

namespace qv {

// Registers (or replaces) the cursor of a number.
void RegisterScreenCursor(TCursor id, const QCursor& cursor);
// The registered cursor of a number, null when none is.
const QCursor* RegisteredScreenCursor(TCursor id);

}  // namespace qv
