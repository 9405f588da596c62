// The two screen cursors the support components register at start: a
// pointing hand over links and a hand that drags. The Qt layer registers
// them with RegisterKitCursors() (support/qt/QtKitHook.h).
#pragma once

#include "platform/core/ControlCore.h"

namespace qv {

constexpr TCursor crHand = 14000;
constexpr TCursor crDragHand = 14001;

}  // namespace qv
