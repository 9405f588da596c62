// Edit masks of text cells and the mask editor: "mask;save;blank".
//
// Mask characters: "L" letter, "l" optional letter, "A" letter or digit,
// "a" optional letter or digit, "C" any character, "c" optional any
// character, "0" digit, "9" optional digit, "#" optional digit or sign,
// ":" the time separator, "/" the date separator, "\" takes the next
// character literally, ">" upper case from here, "<" lower case, "<>" no
// case conversion, "!" is accepted and ignored; any other character is a
// literal. The second field ("0" or "1", default "1") says whether the
// value holds the literals; the third (default "_") is the blank shown for
// an empty position.
#pragma once

#include <string>

namespace qv {

// The text of value laid into the mask (as a display text): every position
// takes the next character of value (case converted as the mask says), or
// the blank character when value is used up; literals are copied.
std::string FormatMaskText(const std::string& editMask, const std::string& value);

}  // namespace qv
