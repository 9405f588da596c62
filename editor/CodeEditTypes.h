// Small value types shared by the code editor's units.
//
// Editor positions are TPoint values (X = column, Y = line, both 1-based;
// the column counts characters, i.e. Unicode code points, a TAB being one).
#pragma once

#include <cstdint>

#include "platform/core/Graphics.h"

namespace qv {

// How a selection is shaped.
enum TCodeSelectionMode : uint8_t { smNormal = 0, smLine = 1, smColumn = 2 };

}  // namespace qv
