// Horizontal alignment of a text in its box (list columns, chart titles),
// with the class library's names and values.
#pragma once

#include <cstdint>

namespace qv {

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

}  // namespace qv
