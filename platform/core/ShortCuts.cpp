#include "platform/core/ShortCuts.h"

#include "platform/core/ControlCore.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// The key bits of a shortcut: everything below the modifiers.
constexpr int kKeyBits = 0x1FFF;

// The name of a key; empty for a key that has none.
std::string keyName(int key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
  if (key >= VK_F1 && key < VK_F1 + 24) return "F" + IntToStr(key - VK_F1 + 1);
  switch (key) {
    case VK_BACK:
      return "BkSp";
    case VK_TAB:
      return "Tab";
    case VK_RETURN:
      return "Enter";
    case VK_ESCAPE:
      return "Esc";
    case VK_SPACE:
      return "Space";
    case VK_PRIOR:
      return "PgUp";
    case VK_NEXT:
      return "PgDn";
    case VK_END:
      return "End";
    case VK_HOME:
      return "Home";
    case VK_LEFT:
      return "Left";
    case VK_UP:
      return "Up";
    case VK_RIGHT:
      return "Right";
    case VK_DOWN:
      return "Down";
    case VK_INSERT:
      return "Ins";
    case VK_DELETE:
      return "Del";
    default:
      return {};
  }
}

// The shell's key numbers written after "#".
constexpr int kFirstNumberedKey = 8, kLastNumberedKey = 597;

}  // namespace

std::string ShortCutToText(int shortCut, TShortCutTexts form) {
  const int key = shortCut & kKeyBits;
  std::string name = keyName(key);
  if (form == TShortCutTexts::Menu && (shortCut == 0 || name.empty())) return {};
  if (form == TShortCutTexts::Shell && name.empty())
    name = key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9 ? std::string(1, char('0' + key - VK_NUMPAD0))
                                                      : "#" + IntToStr(key);
  std::string s;
  if (shortCut & scShift) s += "Shift+";
  if (shortCut & scCtrl) s += "Ctrl+";
  if (shortCut & scAlt) s += "Alt+";
  return s + name;
}

int TextToShortCut(std::string_view text, TShortCutTexts form) {
  const bool shell = form == TShortCutTexts::Shell;
  std::string t = Trim(text);
  int mods = 0;
  for (;;) {
    if (shell && StartsText("^", t)) {
      mods |= scCtrl;
      t.erase(0, 1);
    } else if (StartsText("Shift+", t)) {
      mods |= scShift;
      t.erase(0, 6);
    } else if (StartsText("Ctrl+", t)) {
      mods |= scCtrl;
      t.erase(0, 5);
    } else if (StartsText("Alt+", t)) {
      mods |= scAlt;
      t.erase(0, 4);
    } else {
      break;
    }
  }
  if (t.empty()) return 0;
  if (shell && t.size() > 1 && t[0] == '#') {
    int code = 0;
    if (!TryStrToInt(std::string_view(t).substr(1), code) || code < kFirstNumberedKey ||
        code > kLastNumberedKey)
      return 0;
    return mods | code;
  }
  for (int k = 1; k < 256; ++k)
    if (SameText(keyName(k), t)) return mods | k;
  return 0;
}

}  // namespace qv
