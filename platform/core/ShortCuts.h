// Menu shortcuts as the class library stores them: a virtual-key number
// with Shift 0x2000, Ctrl 0x4000 and Alt 0x8000, and their texts
// ("Shift+Ctrl+Alt+" prefixes followed by the key's name: "Z", "BkSp", "F1").
#pragma once

#include <string>
#include <string_view>

namespace qv {

constexpr int scShift = 0x2000;
constexpr int scCtrl = 0x4000;
constexpr int scAlt = 0x8000;

// The text of a shortcut; empty for 0 or a key without a name.
std::string ShortCutToText(int shortCut);
// The shortcut of a text (prefixes and key names without regard to case);
// 0 when the text is no shortcut.
int TextToShortCut(std::string_view text);

}  // namespace qv
