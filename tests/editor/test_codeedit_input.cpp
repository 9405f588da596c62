// Clipboard, keys, commands and their hooks, the mouse, focus, the input
// method, and drag and drop between editors.
#include <gtest/gtest.h>

#include "EditorTestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

class TDragHost : public TCodeEditHost {
 public:
  void BeginDrag() override { ++drags; }
  TPoint CursorPos() const override { return TPoint(); }
  TShiftState KeyboardShift() const override { return 0; }
  TPoint ClientToScreen(TPoint P) const override { return P; }
  int drags = 0;
};

// Client x of the left edge of a character column, y of a line's middle.
int XOf(int Col) { return 32 + (Col - 1) * 8; }
int YOf(int Line) { return (Line - 1) * 16 + 8; }

}  // namespace

// ---- clipboard ----------------------------------------------------------------------

TEST(CodeEditInput, CopyWritesPlainTextAndTheEditorBlock) {
  TEditorFixture f("abc|def");
  f.Select(TPoint(2, 1), TPoint(3, 2));
  f.Cmd(ecCopy);
  const TClipboardData d = f.clipboard.GetData();
  ASSERT_TRUE(d.Text.has_value());
  EXPECT_EQ(*d.Text, "bc\r\nde");
  ASSERT_EQ(d.Formats.count("CodeEdit Control Block Type"), 1u);
  EXPECT_EQ(d.Formats.at("CodeEdit Control Block Type"), std::string("\0bc\r\nde\0", 8));
  // Nothing selected: the clipboard is left alone.
  const int writes = f.clipboard.Writes();
  f.Goto(1, 1);
  f.Cmd(ecCopy);
  EXPECT_EQ(f.clipboard.Writes(), writes);
}

TEST(CodeEditInput, ColumnBlockPastesAsAColumnInAnotherEditor) {
  TEditorFixture source("abcd|efgh|ijkl");
  source.edit.SetSelectionMode(smColumn);
  source.Select(TPoint(2, 1), TPoint(4, 3));
  source.Cmd(ecCopy);
  EXPECT_EQ(source.clipboard.AsText(), "bc\r\nfg\r\njk");
  TClipboardData block = source.clipboard.GetData();

  TEditorFixture target("12345|67890");
  target.clipboard.SetData(block);
  target.Goto(3, 1);
  target.Cmd(ecPaste);
  EXPECT_EQ(target.Lines(), "12bc345|67fg890|  jk");
  target.edit.Undo();
  EXPECT_EQ(target.Lines(), "12345|67890");

  // Another program sees only the plain text.
  TEditorFixture plain("12345|67890");
  TClipboardData text;
  text.Text = block.Text;
  plain.clipboard.SetData(text);
  plain.Goto(3, 1);
  plain.Cmd(ecPaste);
  EXPECT_EQ(plain.Lines(), "12bc|fg|jk345|67890");
}

TEST(CodeEditInput, LineBlockPastesWholeLinesAboveTheCaretLine) {
  TEditorFixture f("one|two|three");
  f.edit.SetSelectionMode(smLine);
  f.Select(TPoint(1, 2), TPoint(2, 2));
  f.Cmd(ecCopy);
  f.edit.SetSelectionMode(smNormal);
  f.Goto(3, 3);
  f.Cmd(ecPaste);
  EXPECT_EQ(f.Lines(), "one|two|two|three");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "one|two|three");
}

TEST(CodeEditInput, PasteOverASelectionUndoesInOneStep) {
  TEditorFixture f("hello world");
  f.clipboard.SetText("there");
  f.Select(TPoint(7, 1), TPoint(12, 1));
  f.Cmd(ecPaste);
  EXPECT_EQ(f.Lines(), "hello there");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "hello world");
  EXPECT_EQ(f.edit.SelText(), "world");
}

TEST(CodeEditInput, AFailedPasteRestoresItsState) {
  TEditorFixture f("abc");
  TClipboardData bad;
  bad.Text = "x";
  bad.Formats["CodeEdit Control Block Type"] = std::string("\x07zz", 3);  // no such mode
  f.clipboard.SetData(bad);
  f.Goto(2, 1);
  EXPECT_THROW(f.Cmd(ecPaste), ECodeEditError);
  EXPECT_EQ(f.Lines(), "abc");
  EXPECT_EQ(f.edit.UndoList().BlockCount(), 0);
  EXPECT_EQ(f.edit.PaintLock(), 0);
  // The editor goes on working: a good paste records normally.
  f.clipboard.SetText("Z");
  f.Cmd(ecPaste);
  EXPECT_EQ(f.Lines(), "aZbc");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "abc");
}

TEST(CodeEditInput, CutAndReadOnly) {
  TEditorFixture f("abcdef");
  f.Select(TPoint(2, 1), TPoint(4, 1));
  f.edit.SetReadOnly(true);
  f.Cmd(ecCut);
  f.Cmd(ecPaste);
  EXPECT_EQ(f.Lines(), "abcdef");
  EXPECT_FALSE(f.edit.CanPaste());
  f.edit.SetReadOnly(false);
  f.Cmd(ecCut);
  EXPECT_EQ(f.Lines(), "adef");
  EXPECT_EQ(f.clipboard.AsText(), "bc");
  EXPECT_TRUE(f.edit.CanPaste());
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "abcdef");
}

// ---- keys and commands -------------------------------------------------------------

TEST(CodeEditInput, ACharacterThatMadeACommandIsNotTyped) {
  TEditorFixture f("one|two");
  f.Goto(1, 1);
  f.Key('Y', ssCtrl);  // Ctrl+Y deletes the line; its character must not arrive
  EXPECT_EQ(f.Lines(), "two");
  f.Key(VK_LEFT);  // no character follows an arrow key
  f.Char(U'x');
  EXPECT_EQ(f.Lines(), "xtwo");
}

TEST(CodeEditInput, TwoKeyBindings) {
  TEditorFixture f("abc");
  TCodeEditKeyStroke* k = f.edit.Keystrokes().Add();
  k->SetKey('K');
  k->SetShift(ssCtrl);
  k->SetKey2('U');
  k->SetShift2(ssCtrl);
  k->SetCommand(ecUpperCase);
  std::unique_ptr<TPoint> data;
  EXPECT_EQ(f.edit.TranslateKeyCode('K', ssCtrl, data), ecNone);
  EXPECT_EQ(f.edit.TranslateKeyCode('U', ssCtrl, data), ecUpperCase);
  // The first key is forgotten after a second one.
  EXPECT_EQ(f.edit.TranslateKeyCode('U', ssCtrl, data), ecNone);
  // Marker commands carry the caret.
  f.Goto(3, 1);
  EXPECT_EQ(f.edit.TranslateKeyCode('4', ssCtrl | ssShift, data), ecSetMarker0 + 4);
  ASSERT_TRUE(data);
  EXPECT_EQ(*data, TPoint(3, 1));
  f.Key('K', ssCtrl);
  f.Key('U', ssCtrl);
  EXPECT_EQ(f.Lines(), "ABC");
}

TEST(CodeEditInput, CommandEventsAndHooks) {
  TEditorFixture f("abc");
  std::vector<std::string> log;
  f.edit.OnProcessCommand = [&](TCustomCodeEdit*, TCodeEditorCommand& c, char32_t& ch, void*) {
    log.push_back("process " + std::to_string(c));
    if (c == ecChar && ch == U'q') ch = U'Q';  // the event may change the character
  };
  f.edit.OnProcessUserCommand = [&](TCustomCodeEdit*, TCodeEditorCommand& c, char32_t&, void*) {
    log.push_back("user " + std::to_string(c));
  };
  f.edit.OnCommandProcessed = [&](TCustomCodeEdit*, TCodeEditorCommand& c, char32_t&, void*) {
    log.push_back("done " + std::to_string(c));
  };
  int owner = 0;
  THookedCommandEvent hook(&owner, [&](TCustomCodeEdit*, bool after, bool& handled,
                                       TCodeEditorCommand& c, char32_t&, void*, void* data) {
    log.push_back(std::string(after ? "after " : "before ") + std::to_string(c));
    EXPECT_EQ(data, &owner);
    if (!after && c == ecDeleteLine) handled = true;
  });
  f.edit.AddCommandHook(hook, &owner);
  f.edit.AddCommandHook(hook, &owner);  // registered once
  EXPECT_EQ(f.edit.CommandHookCount(), 1);
  f.Cmd(ecChar, U'q');
  EXPECT_EQ(f.Lines(), "Qabc");
  f.Cmd(ecDeleteLine);  // a hook handles it: nothing happens
  EXPECT_EQ(f.Lines(), "Qabc");
  f.Cmd(ecUserFirst + 5);
  EXPECT_EQ(f.Lines(), "Qabc");
  const std::vector<std::string> expected = {
      "process 511", "before 511", "after 511", "done 511",    "process 507", "before 507",
      "after 0",     "done 0",     "user 1006", "before 1006", "after 1006",  "done 1006"};
  EXPECT_EQ(log, expected);
  f.edit.RemoveCommandHook(hook, &owner);
  EXPECT_EQ(f.edit.CommandHookCount(), 0);
}

TEST(CodeEditInput, InputMethodStrings) {
  TEditorFixture f("ab");
  f.Goto(2, 1);
  // A result string whose characters also arrive one by one: inserted once.
  f.edit.ImeComposition("\xE6\x97\xA5\xE6\x9C\xAC");
  char32_t c1 = 0x65E5, c2 = 0x672C;
  f.edit.KeyPress(c1);
  f.edit.KeyPress(c2);
  EXPECT_EQ(f.Lines(),
            "a\xE6\x97\xA5\xE6\x9C\xAC"
            "b");
  EXPECT_EQ(f.edit.CaretXY(), TPoint(4, 1));
  // Committed text from the toolkit comes without characters after it.
  f.edit.InputText("x");
  f.Char(U'y');
  EXPECT_EQ(f.Lines(),
            "a\xE6\x97\xA5\xE6\x9C\xAC"
            "xyb");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "ab");
}

TEST(CodeEditInput, KeyboardChainSeesKeysFirst) {
  TEditorFixture f("ab");
  int seen = 0;
  f.edit.AddKeyPressHandler(TCodeKeyPressHandler(&seen, [&](void*, char32_t& k) {
    ++seen;
    if (k == U'z') k = 0;  // swallowed
  }));
  f.Char(U'x');
  f.Char(U'z');
  EXPECT_EQ(f.Lines(), "xab");
  EXPECT_EQ(seen, 2);
}

TEST(CodeEditInput, FocusCommandsAndWheel) {
  TEditorFixture f;
  f.SetLines(NumberedLines(100));
  std::vector<TCodeEditorCommand> commands;
  f.edit.OnProcessCommand = [&](TCustomCodeEdit*, TCodeEditorCommand& c, char32_t&, void*) {
    commands.push_back(c);
  };
  f.edit.FocusIn();
  f.host.focused = false;
  f.edit.FocusOut();
  EXPECT_EQ(commands, (std::vector<TCodeEditorCommand>{ecGotFocus, ecLostFocus}));
  f.edit.SetTopLine(50);
  f.edit.MouseWheel(0, 120, 0, 0);
  EXPECT_EQ(f.edit.TopLine(), 47);
  f.edit.MouseWheel(0, -60, 0, 0);
  EXPECT_EQ(f.edit.TopLine(), 47);  // half a notch waits
  f.edit.MouseWheel(0, -60, 0, 0);
  EXPECT_EQ(f.edit.TopLine(), 50);
  f.edit.MouseWheel(ssCtrl, -120, 0, 0);
  EXPECT_EQ(f.edit.TopLine(), 70);
}

// ---- mouse ------------------------------------------------------------------------------

TEST(CodeEditInput, ClickShiftClickAndDoubleClick) {
  TEditorFixture f("alpha beta|gamma delta");
  f.edit.MouseDown(mbLeft, ssLeft, XOf(3), YOf(1));
  f.edit.MouseUp(mbLeft, 0, XOf(3), YOf(1));
  EXPECT_EQ(f.edit.CaretXY(), TPoint(3, 1));
  f.edit.MouseDown(mbLeft, ssLeft | ssShift, XOf(4), YOf(2));
  f.edit.MouseUp(mbLeft, 0, XOf(4), YOf(2));
  EXPECT_EQ(f.edit.SelText(), "pha beta\r\ngam");
  // Shift+click again extends from the same anchor, not from the caret.
  f.edit.MouseDown(mbLeft, ssLeft | ssShift, XOf(2), YOf(1));
  f.edit.MouseUp(mbLeft, 0, XOf(2), YOf(1));
  EXPECT_EQ(f.edit.SelText(), "l");
  // Double click on a word in column 1.
  f.edit.MouseDown(mbLeft, ssLeft, XOf(2), YOf(2));
  f.edit.MouseDown(mbLeft, ssLeft | ssDouble, XOf(2), YOf(2));
  f.edit.DblClick();
  f.edit.MouseUp(mbLeft, 0, XOf(2), YOf(2));
  EXPECT_EQ(f.edit.SelText(), "gamma");
  EXPECT_EQ(f.edit.BlockBegin(), TPoint(1, 2));
}

TEST(CodeEditInput, DraggingWithTheMouseSelects) {
  TEditorFixture f("abcdef|ghijkl");
  f.edit.MouseDown(mbLeft, ssLeft, XOf(2), YOf(1));
  f.edit.MouseMove(ssLeft, XOf(5), YOf(2));
  f.edit.MouseUp(mbLeft, 0, XOf(5), YOf(2));
  EXPECT_EQ(f.edit.SelText(), "bcdef\r\nghij");
  // With Alt and eoAltSetsColumnMode the block is a column.
  f.edit.SetOptions(f.edit.Options() | eoAltSetsColumnMode);
  f.Goto(1, 1);
  f.edit.MouseDown(mbLeft, ssLeft | ssAlt, XOf(2), YOf(1));
  f.edit.MouseMove(ssLeft | ssAlt, XOf(4), YOf(2));
  f.edit.MouseUp(mbLeft, 0, XOf(4), YOf(2));
  EXPECT_EQ(f.edit.SelectionMode(), smColumn);
  EXPECT_EQ(f.edit.SelText(), "bc\r\nhi");
}

TEST(CodeEditInput, PressInsideTheSelection) {
  TEditorFixture f("abcdefgh");
  TDragHost drag;
  f.edit.SetEditHost(&drag);
  f.Select(TPoint(2, 1), TPoint(6, 1));
  // Press and release without moving: the selection collapses there.
  f.edit.MouseDown(mbLeft, ssLeft, XOf(4), YOf(1));
  EXPECT_TRUE(f.edit.SelAvail());
  f.edit.MouseUp(mbLeft, 0, XOf(4), YOf(1));
  EXPECT_FALSE(f.edit.SelAvail());
  EXPECT_EQ(f.edit.CaretXY(), TPoint(4, 1));
  // Moving past the drag distance starts dragging.
  f.Select(TPoint(2, 1), TPoint(6, 1));
  f.edit.MouseDown(mbLeft, ssLeft, XOf(4), YOf(1));
  f.edit.MouseMove(ssLeft, XOf(4) + 2, YOf(1));
  EXPECT_EQ(drag.drags, 0);
  f.edit.MouseMove(ssLeft, XOf(4) + 6, YOf(1));
  EXPECT_EQ(drag.drags, 1);
  f.edit.SetEditHost(nullptr);
}

TEST(CodeEditInput, GutterClickFindsTheMark) {
  TEditorFixture f("a|b|c");
  f.edit.SetBookMark(0, 1, 2);
  f.edit.SetBookMark(1, 1, 2);
  std::vector<std::pair<int, int>> clicks;  // line, bookmark number (-2: none)
  f.edit.OnGutterClick = [&](TCustomCodeEdit*, int, int, int Line, TCodeEditMark* Mark) {
    clicks.emplace_back(Line, Mark ? Mark->BookmarkNumber() : -2);
  };
  for (int x : {5, 15, 27}) {
    f.edit.MouseDown(mbLeft, ssLeft, x, YOf(2));
    f.edit.MouseUp(mbLeft, 0, x, YOf(2));
  }
  EXPECT_EQ(clicks, (std::vector<std::pair<int, int>>{{2, 0}, {2, 1}, {2, -2}}));
}

TEST(CodeEditInput, DragAndDropWithinAndBetweenEditors) {
  TEditorFixture f("one two three");
  f.Select(TPoint(5, 1), TPoint(9, 1));  // "two "
  // Inside its own selection: nothing.
  f.edit.DragDrop(&f.edit, XOf(6), YOf(1), 0);
  EXPECT_EQ(f.Lines(), "one two three");
  // After it: moved, and one undo step takes it back.
  f.edit.DragDrop(&f.edit, XOf(14), YOf(1), 0);
  EXPECT_EQ(f.Lines(), "one threetwo ");
  EXPECT_EQ(f.edit.SelText(), "two ");
  f.edit.Undo();
  EXPECT_EQ(f.Lines(), "one two three");
  // With Ctrl it is copied.
  f.Select(TPoint(1, 1), TPoint(4, 1));
  f.edit.DragDrop(&f.edit, XOf(14), YOf(1), ssCtrl);
  EXPECT_EQ(f.Lines(), "one two threeone");

  TEditorFixture other("xyz");
  bool accept = false;
  other.edit.DragOver(&f.edit, XOf(2), YOf(1), dsDragMove, accept, ssCtrl);
  EXPECT_TRUE(accept);
  EXPECT_EQ(other.edit.DragCursor(), crMultiDrag);
  // From another editor the text is copied, or moved with Shift.
  f.Select(TPoint(1, 1), TPoint(4, 1));
  other.edit.DragDrop(&f.edit, XOf(2), YOf(1), ssShift);
  EXPECT_EQ(other.Lines(), "xoneyz");
  EXPECT_EQ(f.Lines(), " two threeone");
}

TEST(CodeEditInput, MouseCursorOverGutterSelectionAndText) {
  TEditorFixture f("abcdef");
  f.edit.Gutter().SetCursor(crArrow);
  EXPECT_EQ(f.edit.CursorAt(10, YOf(1)), crArrow);
  EXPECT_EQ(f.edit.CursorAt(XOf(3), YOf(1)), crIBeam);
  f.Select(TPoint(2, 1), TPoint(5, 1));
  EXPECT_EQ(f.edit.CursorAt(XOf(3), YOf(1)), crArrow);  // a drag can start here
  f.edit.SetOptions(f.edit.Options() & ~eoDragDropEditing);
  EXPECT_EQ(f.edit.CursorAt(XOf(3), YOf(1)), crIBeam);
}
