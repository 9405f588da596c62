#include <gtest/gtest.h>

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
