// Shortcut texts, the one converter for menus, property editors, the code
// editor's key bindings and the shell controls' key table: both ways, in
// the menu form and in the shell form, and where the two forms differ.
#include <gtest/gtest.h>

#include "platform/core/ControlCore.h"
#include "platform/core/ShortCuts.h"

using namespace qv;

namespace {

constexpr TShortCutTexts kMenu = TShortCutTexts::Menu;
constexpr TShortCutTexts kShell = TShortCutTexts::Shell;

// Shortcuts whose text is the same in both forms, and read back to them.
TEST(ShortCuts, NamedKeysRoundTripInBothForms) {
  struct TCase {
    int ShortCut;
    const char* Text;
  };
  const TCase cases[] = {
      {scCtrl | 'Z', "Ctrl+Z"},
      {scShift | scCtrl | 'Z', "Shift+Ctrl+Z"},
      {scShift | scCtrl | scAlt | (VK_F1 + 4), "Shift+Ctrl+Alt+F5"},
      {VK_F1 + 23, "F24"},
      {scAlt | VK_BACK, "Alt+BkSp"},
      {VK_RETURN, "Enter"},
      {VK_ESCAPE, "Esc"},
      {scShift | VK_SPACE, "Shift+Space"},
      {VK_PRIOR, "PgUp"},
      {VK_NEXT, "PgDn"},
      {VK_INSERT, "Ins"},
      {scShift | scCtrl | VK_DELETE, "Shift+Ctrl+Del"},
      {'0', "0"},
      {scCtrl | '9', "Ctrl+9"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    for (TShortCutTexts form : {kMenu, kShell}) {
      EXPECT_EQ(ShortCutToText(c.ShortCut, form), c.Text);
      EXPECT_EQ(TextToShortCut(c.Text, form), c.ShortCut);
    }
  }
}

// Reading: prefixes in any order and case, blanks around the text; what
// names no key is 0; "^" and "#n" are the shell form's only.
TEST(ShortCuts, ReadingTexts) {
  struct TCase {
    const char* Text;
    int Menu;
    int Shell;
  };
  const TCase cases[] = {
      {"shift+ctrl+del", scShift | scCtrl | VK_DELETE, scShift | scCtrl | VK_DELETE},
      {"alt+SHIFT+f2", scAlt | scShift | (VK_F1 + 1), scAlt | scShift | (VK_F1 + 1)},
      {"  Ctrl+Q  ", scCtrl | 'Q', scCtrl | 'Q'},
      {"^c", 0, scCtrl | 'C'},
      {"Shift+^Home", 0, scShift | scCtrl | VK_HOME},
      {"#300", 0, 300},
      {"Ctrl+#65", 0, scCtrl | 65},
      {"#7", 0, 0},  // below the numbered keys
      {"#598", 0, 0},
      {"#x", 0, 0},
      {"#", 0, 0},
      {"F25", 0, 0},
      {"Foo", 0, 0},
      {"Ctrl+", 0, 0},
      {"Ctrl+ A", 0, 0},
      {"", 0, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(TextToShortCut(c.Text, kMenu), c.Menu);
    EXPECT_EQ(TextToShortCut(c.Text, kShell), c.Shell);
  }
}

// Writing keys without a name: the menu form has no text for them, the
// shell form writes the number-pad digits and "#" with the number.
TEST(ShortCuts, WritingKeysWithoutAName) {
  struct TCase {
    int ShortCut;
    const char* Menu;
    const char* Shell;
  };
  const TCase cases[] = {
      {0, "", "#0"},
      {scCtrl | (VK_NUMPAD0 + 4), "", "Ctrl+4"},
      {VK_NUMPAD0 + 9, "", "9"},
      {VK_MULTIPLY, "", "#106"},
      {scAlt | 300, "", "Alt+#300"},
      {0x141, "", "#321"},  // a key past the table, not the name of its low byte
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Shell);
    EXPECT_EQ(ShortCutToText(c.ShortCut, kMenu), c.Menu);
    EXPECT_EQ(ShortCutToText(c.ShortCut, kShell), c.Shell);
  }
  // A number-pad digit reads back as the digit key.
  EXPECT_EQ(TextToShortCut(ShortCutToText(VK_NUMPAD0 + 4, kShell), kShell), '4');
}

}  // namespace
