// Shortcuts as the class library stores them: a virtual-key number with
// Shift 0x2000, Ctrl 0x4000 and Alt 0x8000, and their texts
// ("Shift+Ctrl+Alt+" prefixes followed by the key's name: "Z", "BkSp",
// "F1"). This is the one place that turns shortcuts into texts and back:
// menus, the property editors, the code editor's key bindings and the
// shell controls' key table all come here.
#pragma once

#include <string>
#include <string_view>

namespace qv {

constexpr int scShift = 0x2000;
constexpr int scCtrl = 0x4000;
constexpr int scAlt = 0x8000;

// The two ways the texts are written.
//   Menu   the menus' texts: only the keys of the name table have a text.
//   Shell  the shell controls' key table: "^" reads as "Ctrl+", "#" and a
//          number from 8 to 597 reads as that key, and a key without a
//          name is written that way; the number-pad keys are written as
//          their digits (a digit read back is the digit key).
enum class TShortCutTexts { Menu, Shell };

// The text of a shortcut. Menu: empty for 0 or a key without a name.
std::string ShortCutToText(int shortCut, TShortCutTexts form = TShortCutTexts::Menu);
// The shortcut of a text (prefixes and key names without regard to case,
// blanks around it ignored); 0 when the text is no shortcut.
int TextToShortCut(std::string_view text, TShortCutTexts form = TShortCutTexts::Menu);

}  // namespace qv
