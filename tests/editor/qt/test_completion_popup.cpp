// The completion pop-up on Qt (offscreen): the shortcut typed into the
// editor's window opens the list window at the caret, letters typed into
// the list narrow it and reach the editor, Enter inserts the insert text,
// and one undo takes it back. The list window is rendered for a look.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "editor/CodeCompletionProposal.h"
#include "editor/CodeEdit.h"
#include "editor/qt/CodeEditWidget.h"
#include "editor/qt/QtCodeCompletionProposal.h"
#include "platform/gui/QtCanvas.h"

namespace qv {
namespace {

void SendKey(QWidget* W, int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier,
             const QString& Text = QString()) {
  QKeyEvent press(QEvent::KeyPress, Key, Mods, Text);
  QApplication::sendEvent(W, &press);
  QKeyEvent release(QEvent::KeyRelease, Key, Mods, Text);
  QApplication::sendEvent(W, &release);
}

void SendText(QWidget* W, const QString& Text) {
  for (QChar c : Text) SendKey(W, Qt::Key_A + (c.toUpper().unicode() - 'A'), Qt::NoModifier, c);
}

struct Popup : ::testing::Test {
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    InstallQtGraphics();
    InstallQtCompletionWindows();
  }
};

TEST_F(Popup, TypingNarrowsEnterInsertsAndOneUndoRemovesIt) {
  TCodeEditWidget editorWindow;
  TCodeEdit& edit = editorWindow.Edit();
  edit.SetOptions(edit.Options() & ~eoTrimTrailingSpaces);
  editorWindow.resize(420, 240);
  editorWindow.show();
  edit.SetText("parameters a [0, 20];\nfunction y = ");
  edit.SetCaretXY(TPoint(14, 2));

  TCodeCompletionProposal p;
  p.SetTitle("Math Functions");
  p.TitleFont().SetStyle(TFontStyles{fsBold});
  p.SetOptions(scoLimitToMatchedText | scoUseInsertList | scoUsePrettyText);
  p.SetBiggestWord("constructor");
  for (const char* name : {"Abs", "ArcCos", "ArcCosh", "ArcSin", "ArcSinh", "ArcTan", "ArcTanh",
                           "Cos", "Exp", "Ln", "Sin", "Sqrt"})
    p.AddItem(std::string("Function \t") + name + "\t(X: Real): Real;", std::string(name) + "()");
  p.SetEditor(&edit);
  auto* window = dynamic_cast<TQtCompletionWindow*>(p.Form().Window());
  ASSERT_NE(window, nullptr);

  SendKey(&editorWindow, Qt::Key_Space, Qt::ControlModifier);
  ASSERT_TRUE(p.Active());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(edit.Lines().Get(1), "function y = ");
  // The list's top-left corner is one line below the caret, on the screen.
  EXPECT_EQ(window->geometry().topLeft(), editorWindow.CaretScreenPos(true));
  EXPECT_EQ(window->width(), 262);
  EXPECT_TRUE(window->ListScrollBar()->isVisible());
  EXPECT_EQ(window->ListScrollBar()->maximum(), 12 - 8);

  window->grab().save(QString(QV_BINARY_DIR) + "/completion-popup-full.png");
  SendText(window, "ar");
  EXPECT_EQ(edit.Lines().Get(1), "function y = ar");
  ASSERT_EQ(p.ItemList().Count(), 6);
  EXPECT_EQ(window->ListScrollBar()->maximum(), 0);
  SendKey(window, Qt::Key_Down);
  SendKey(window, Qt::Key_Down);
  EXPECT_EQ(p.Position(), 2);
  window->grab().save(QString(QV_BINARY_DIR) + "/completion-popup.png");

  SendKey(window, Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_FALSE(p.Active());
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(edit.Lines().Get(1), "function y = ArcSin()");
  edit.Undo();
  EXPECT_EQ(edit.Lines().Get(1), "function y = ar");

  // Escape closes the list without touching the text.
  SendKey(&editorWindow, Qt::Key_Space, Qt::ControlModifier);
  ASSERT_TRUE(p.Active());
  EXPECT_EQ(p.ItemList().Count(), 6);
  SendKey(window, Qt::Key_Escape, Qt::NoModifier, QString(QChar(27)));
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(edit.Lines().Get(1), "function y = ar");
  p.SetEditor(nullptr);
}

}  // namespace
}  // namespace qv
