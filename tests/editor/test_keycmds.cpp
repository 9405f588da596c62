#include <gtest/gtest.h>

#include <set>

#include "editor/CodeEditKeyCmds.h"

using namespace qv;

TEST(KeyCommands, NamesAndNumbers) {
  struct Case {
    int number;
    const char* name;
  } cases[] = {{0, "ecNone"},          {17, "ecGotoXY"},       {101, "ecSelLeft"},
               {117, "ecSelGotoXY"},   {199, "ecSelectAll"},   {250, "ecMatchBracket"},
               {301, "ecGotoMarker0"}, {310, "ecGotoMarker9"}, {351, "ecSetMarker0"},
               {360, "ecSetMarker9"},  {490, "ecContextHelp"}, {511, "ecChar"},
               {550, "ecImeStr"},      {623, "ecTitleCase"},   {650, "ecAutoCompletion"},
               {1001, "ecUserFirst"}};
  for (const Case& c : cases) {
    std::string ident;
    ASSERT_TRUE(EditorCommandToIdent(c.number, ident)) << c.number;
    EXPECT_EQ(ident, c.name);
    int number = -1;
    ASSERT_TRUE(IdentToEditorCommand(c.name, number)) << c.name;
    EXPECT_EQ(number, c.number);
    EXPECT_EQ(EditorCommandToCodeString(TCodeEditorCommand(c.number)), c.name);
  }
  std::string ident;
  EXPECT_FALSE(EditorCommandToIdent(1002, ident));
  EXPECT_EQ(EditorCommandToCodeString(1002), "1002");
  int number = 0;
  EXPECT_FALSE(IdentToEditorCommand("ecNoSuchCommand", number));
  // Every name is unique and every number is listed once.
  for (size_t i = 0; i < 96; ++i)
    for (size_t j = i + 1; j < 96; ++j) {
      EXPECT_NE(EditorCommandStrs[i].Value, EditorCommandStrs[j].Value);
      EXPECT_STRNE(EditorCommandStrs[i].Name, EditorCommandStrs[j].Name);
    }
}

TEST(KeyCommands, DefaultBindingsInOrder) {
  constexpr TShiftState N = 0, S = ssShift, C = ssCtrl, SC = ssShift | ssCtrl, A = ssAlt,
                        SA = ssShift | ssAlt;
  struct B {
    uint16_t key;
    TShiftState shift;
    TCodeEditorCommand cmd;
  };
  std::vector<B> expected = {{VK_UP, N, ecUp},
                             {VK_UP, S, ecSelUp},
                             {VK_UP, C, ecScrollUp},
                             {VK_DOWN, N, ecDown},
                             {VK_DOWN, S, ecSelDown},
                             {VK_DOWN, C, ecScrollDown},
                             {VK_LEFT, N, ecLeft},
                             {VK_LEFT, S, ecSelLeft},
                             {VK_LEFT, C, ecWordLeft},
                             {VK_LEFT, SC, ecSelWordLeft},
                             {VK_RIGHT, N, ecRight},
                             {VK_RIGHT, S, ecSelRight},
                             {VK_RIGHT, C, ecWordRight},
                             {VK_RIGHT, SC, ecSelWordRight},
                             {VK_NEXT, N, ecPageDown},
                             {VK_NEXT, S, ecSelPageDown},
                             {VK_NEXT, C, ecPageBottom},
                             {VK_NEXT, SC, ecSelPageBottom},
                             {VK_PRIOR, N, ecPageUp},
                             {VK_PRIOR, S, ecSelPageUp},
                             {VK_PRIOR, C, ecPageTop},
                             {VK_PRIOR, SC, ecSelPageTop},
                             {VK_HOME, N, ecLineStart},
                             {VK_HOME, S, ecSelLineStart},
                             {VK_HOME, C, ecEditorTop},
                             {VK_HOME, SC, ecSelEditorTop},
                             {VK_END, N, ecLineEnd},
                             {VK_END, S, ecSelLineEnd},
                             {VK_END, C, ecEditorBottom},
                             {VK_END, SC, ecSelEditorBottom},
                             {VK_INSERT, N, ecToggleMode},
                             {VK_INSERT, C, ecCopy},
                             {VK_DELETE, S, ecCut},
                             {VK_INSERT, S, ecPaste},
                             {VK_DELETE, N, ecDeleteChar},
                             {VK_BACK, N, ecDeleteLastChar},
                             {VK_BACK, S, ecDeleteLastChar},
                             {VK_BACK, C, ecDeleteLastWord},
                             {VK_BACK, A, ecUndo},
                             {VK_BACK, SA, ecRedo},
                             {VK_RETURN, N, ecLineBreak},
                             {VK_RETURN, S, ecLineBreak},
                             {VK_TAB, N, ecTab},
                             {VK_TAB, S, ecShiftTab},
                             {VK_F1, C, ecContextHelp},
                             {'A', C, ecSelectAll},
                             {'C', C, ecCopy},
                             {'V', C, ecPaste},
                             {'X', C, ecCut},
                             {'I', SC, ecBlockIndent},
                             {'U', SC, ecBlockUnindent},
                             {'M', C, ecLineBreak},
                             {'N', C, ecInsertLine},
                             {'T', C, ecDeleteWord},
                             {'Y', C, ecDeleteLine},
                             {'Y', SC, ecDeleteEOL},
                             {'Z', C, ecUndo},
                             {'Z', SC, ecRedo}};
  for (int i = 0; i <= 9; ++i)
    expected.push_back({uint16_t('0' + i), C, TCodeEditorCommand(301 + i)});
  for (int i = 0; i <= 9; ++i)
    expected.push_back({uint16_t('0' + i), SC, TCodeEditorCommand(351 + i)});
  for (B b : std::vector<B>{{'N', SC, ecNormalSelect},
                            {'C', SC, ecColumnSelect},
                            {'L', SC, ecLineSelect},
                            {'B', SC, ecMatchBracket}})
    expected.push_back(b);
  ASSERT_EQ(expected.size(), 82u);

  TCodeEditKeyStrokes keys;
  keys.Add();  // ResetDefaults clears first
  keys.ResetDefaults();
  ASSERT_EQ(keys.Count(), 82);
  for (int i = 0; i < 82; ++i) {
    const TCodeEditKeyStroke* k = keys.Items(i);
    EXPECT_EQ(k->Key(), expected[size_t(i)].key) << i;
    EXPECT_EQ(k->Shift(), expected[size_t(i)].shift) << i;
    EXPECT_EQ(k->Command(), expected[size_t(i)].cmd) << i;
    EXPECT_EQ(k->Key2(), 0) << i;
  }
  EXPECT_EQ(keys.Items(keys.FindKeycode(VK_BACK, ssShift))->Command(), ecDeleteLastChar);
  EXPECT_EQ(keys.FindKeycode('Q', ssCtrl), -1);

  TCodeEditKeyStrokes copy;
  copy.Assign(keys);
  ASSERT_EQ(copy.Count(), 82);
  EXPECT_EQ(copy.Items(81)->Command(), ecMatchBracket);
}

TEST(KeyCommands, ShortcutsAndDisplayNames) {
  TCodeEditKeyStrokes keys;
  keys.ResetDefaults();
  const int undo = keys.FindKeycode('Z', ssCtrl);
  ASSERT_GE(undo, 0);
  EXPECT_EQ(keys.Items(undo)->GetDisplayName(), "ecUndo - Ctrl+Z");
  EXPECT_EQ(keys.Items(keys.FindKeycode(VK_BACK, ssShift | ssAlt))->GetDisplayName(),
            "ecRedo - Shift+Alt+BkSp");

  const TShortCut ctrlC = Menus::ShortCut('C', ssCtrl);
  EXPECT_EQ(ctrlC, 0x4043);
  const int copyIdx = keys.FindShortcut2(ctrlC, 0);
  ASSERT_GE(copyIdx, 0);
  EXPECT_NO_THROW(keys.Items(copyIdx)->SetShortCut(ctrlC));  // itself: no clash

  TCodeEditKeyStroke* other = keys.Items(0);  // Up -> ecUp
  try {
    other->SetShortCut(ctrlC);
    FAIL() << "no error";
  } catch (const ECodeKeyError& e) {
    EXPECT_EQ(e.Message(), "Shortcut already exists");
  }
  EXPECT_EQ(other->Key(), VK_UP);  // keeps its old keys
  EXPECT_EQ(other->Shift(), 0);

  // Two-key bindings.
  TCodeEditKeyStroke* two = keys.Add();
  two->SetCommand(ecUserFirst);
  two->SetShortCut(Menus::ShortCut('K', ssCtrl));
  two->SetShortCut2(Menus::ShortCut('B', 0));
  EXPECT_EQ(keys.FindKeycode2('K', ssCtrl, 'B', 0), keys.Count() - 1);
  EXPECT_EQ(keys.FindKeycode('K', ssCtrl), -1);  // single-key lookup skips it
  EXPECT_EQ(two->GetDisplayName(), "ecUserFirst - Ctrl+K B");
  TCodeEditKeyStroke* clash = keys.Add();
  clash->SetShortCut(Menus::ShortCut('K', ssCtrl));
  EXPECT_THROW(clash->SetShortCut2(Menus::ShortCut('B', 0)), ECodeKeyError);
}

// ---- Default bindings and shortcut numbers written with the raw Windows
// virtual-key numbers and modifier bits, independent of the header's names.

TEST(KeyCommands, DefaultBindingsAsRawNumbers) {
  // (key, shift, command), shift bits Shift 1, Alt 2, Ctrl 4.
  struct B {
    int key, shift, cmd;
  };
  std::vector<B> expected = {
      {38, 0, 3},   {38, 1, 103}, {38, 4, 211},  {40, 0, 4},   {40, 1, 104}, {40, 4, 212},
      {37, 0, 1},   {37, 1, 101}, {37, 4, 5},    {37, 5, 105}, {39, 0, 2},   {39, 1, 102},
      {39, 4, 6},   {39, 5, 106}, {34, 0, 10},   {34, 1, 110}, {34, 4, 14},  {34, 5, 114},
      {33, 0, 9},   {33, 1, 109}, {33, 4, 13},   {33, 5, 113}, {36, 0, 7},   {36, 1, 107},
      {36, 4, 15},  {36, 5, 115}, {35, 0, 8},    {35, 1, 108}, {35, 4, 16},  {35, 5, 116},
      {45, 0, 223}, {45, 4, 201}, {46, 1, 603},  {45, 1, 604}, {46, 0, 502}, {8, 0, 501},
      {8, 1, 501},  {8, 4, 504},  {8, 2, 601},   {8, 3, 602},  {13, 0, 509}, {13, 1, 509},
      {9, 0, 612},  {9, 1, 613},  {112, 4, 490}, {65, 4, 199}, {67, 4, 201}, {86, 4, 604},
      {88, 4, 603}, {73, 5, 610}, {85, 5, 611},  {77, 4, 509}, {78, 4, 510}, {84, 4, 503},
      {89, 4, 507}, {89, 5, 506}, {90, 4, 601},  {90, 5, 602}};
  for (int i = 0; i < 10; ++i) expected.push_back({48 + i, 4, 301 + i});
  for (int i = 0; i < 10; ++i) expected.push_back({48 + i, 5, 351 + i});
  expected.insert(expected.end(), {{78, 5, 231}, {67, 5, 232}, {76, 5, 233}, {66, 5, 250}});
  ASSERT_EQ(expected.size(), 82u);

  TCodeEditKeyStrokes keys;
  keys.ResetDefaults();
  ASSERT_EQ(keys.Count(), 82);
  for (int i = 0; i < 82; ++i) {
    const TCodeEditKeyStroke* k = keys.Items(i);
    EXPECT_EQ(int(k->Key()), expected[size_t(i)].key) << i;
    EXPECT_EQ(int(k->Shift()), expected[size_t(i)].shift) << i;
    EXPECT_EQ(int(k->Command()), expected[size_t(i)].cmd) << i;
    EXPECT_EQ(k->ShortCut2(), 0) << i;
  }
}

TEST(KeyCommands, ShortcutNumbersAndTexts) {
  struct Case {
    int index;     // default binding
    int shortcut;  // key | Shift 0x2000 | Ctrl 0x4000 | Alt 0x8000
    const char* name;
  } cases[] = {
      {56, 0x4000 + 90, "ecUndo - Ctrl+Z"},
      {57, 0x6000 + 90, "ecRedo - Shift+Ctrl+Z"},
      {39, 0xA000 + 8, "ecRedo - Shift+Alt+BkSp"},
      {14, 34, "ecPageDown - PgDn"},
      {44, 0x4000 + 112, "ecContextHelp - Ctrl+F1"},
      {32, 0x2000 + 46, "ecCut - Shift+Del"},
      {77, 0x6000 + 57, "ecSetMarker9 - Shift+Ctrl+9"},
  };
  TCodeEditKeyStrokes keys;
  keys.ResetDefaults();
  for (const Case& c : cases) {
    const TCodeEditKeyStroke* k = keys.Items(c.index);
    EXPECT_EQ(int(k->ShortCut()), c.shortcut) << c.name;
    EXPECT_EQ(k->GetDisplayName(), c.name);
    EXPECT_EQ(keys.FindShortcut2(TShortCut(c.shortcut), 0), c.index) << c.name;
  }
  // A two-key binding shows both shortcuts; changing the second to one that
  // another two-key binding already has is refused and keeps the old keys.
  TCodeEditKeyStroke* a = keys.Add();
  a->SetCommand(1001);
  a->SetShortCut(0x4000 + 'K');
  a->SetShortCut2(0x4000 + 'B');
  EXPECT_EQ(a->GetDisplayName(), "ecUserFirst - Ctrl+K Ctrl+B");
  EXPECT_EQ(keys.FindKeycode2('K', 4, 'B', 4), 82);
  EXPECT_EQ(keys.FindKeycode('K', 4), -1);  // a two-key binding is not a single key
  TCodeEditKeyStroke* b = keys.Add();
  b->SetCommand(1002);
  b->SetShortCut(0x4000 + 'K');
  EXPECT_EQ(b->GetDisplayName(), "1002 - Ctrl+K");
  EXPECT_THROW(b->SetShortCut2(0x4000 + 'B'), ECodeKeyError);
  EXPECT_EQ(b->Key2(), 0);
  EXPECT_NO_THROW(a->SetShortCut2(0x4000 + 'B'));  // its own keys
}

TEST(KeyCommands, NameTableIsComplete) {
  std::set<int> values;
  std::set<std::string> names;
  for (const TIdentMapEntry& e : EditorCommandStrs) {
    ASSERT_NE(e.Name, nullptr);
    values.insert(e.Value);
    names.insert(e.Name);
    int back = -1;
    EXPECT_TRUE(IdentToEditorCommand(e.Name, back));
    EXPECT_EQ(back, e.Value) << e.Name;
  }
  EXPECT_EQ(values.size(), 96u);
  EXPECT_EQ(names.size(), 96u);
  struct Case {
    int cmd;
    const char* text;
  } cases[] = {{0, "ecNone"},           {117, "ecSelGotoXY"},   {199, "ecSelectAll"},
               {250, "ecMatchBracket"}, {305, "ecGotoMarker4"}, {360, "ecSetMarker9"},
               {490, "ecContextHelp"},  {550, "ecImeStr"},      {650, "ecAutoCompletion"},
               {1001, "ecUserFirst"},   {1002, "1002"},         {200, "200"}};
  for (const Case& c : cases)
    EXPECT_EQ(EditorCommandToCodeString(TCodeEditorCommand(c.cmd)), c.text);
  int cmd = -1;
  EXPECT_TRUE(IdentToEditorCommand("ECUNDO", cmd));
  EXPECT_EQ(cmd, 601);
  EXPECT_FALSE(IdentToEditorCommand("ecUnd", cmd));
}
