// The editor's clipboard on a real X clipboard: this program runs on an X
// server of its own (Xvfb) and xclip plays the other program. Plain text
// goes out as UTF-8 with CR LF between lines and comes in from xclip; the
// editor's own block (with its selection mode) is offered to other X
// clients and carries a column block from one editor into another.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QProcess>
#include <cstdlib>

#include "XServerSupport.h"
#include "editor/CodeEdit.h"
#include "editor/qt/CodeEditWidget.h"
#include "platform/gui/QtServices.h"

namespace qv {
namespace {

test::TXServer* g_server = nullptr;

// Runs xclip with the arguments, feeding Input, while this program keeps
// answering the X server (it may own the clipboard xclip asks for).
QByteArray Xclip(const QStringList& args, const QByteArray& input = QByteArray()) {
  QProcess p;
  p.start("xclip", args);
  if (!p.waitForStarted(5000)) return "<xclip did not start>";
  if (!input.isNull()) p.write(input);
  p.closeWriteChannel();
  QElapsedTimer t;
  t.start();
  while (p.state() != QProcess::NotRunning && t.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    p.waitForFinished(10);
  }
  return p.readAllStandardOutput();
}

const QString kPrivateTarget =
    QStringLiteral("application/x-qt-windows-mime;value=\"CodeEdit Control Block Type\"");

struct XClipboardTest : ::testing::Test {
  static void SetUpTestSuite() {
    g_server = new test::TXServer;
    if (g_server->UseForQt()) InstallQtServices();
  }
  static void TearDownTestSuite() {
    // The X server goes with the suite; the application stays unused.
    delete g_server;
    g_server = nullptr;
  }
  void SetUp() override {
    ASSERT_FALSE(g_server->Display().empty()) << "Xvfb did not start";
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  }
  // Waits until the clipboard holds Text (this program learns with a delay
  // that another client took the clipboard over).
  static bool ClipboardHoldsText(const std::string& Text) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      if (Clipboard().AsText() == Text) return true;
    }
    return false;
  }
};

TEST_F(XClipboardTest, PlainTextGoesOutWithCrLfAndComesInFromAnotherClient) {
  TCodeEditWidget a;
  TCustomCodeEdit& edit = a.Edit();
  edit.SetText("alpha beta\r\ngamma\r\n\u00e9t\u00e9");
  edit.SelectAll();
  edit.CopyToClipboard();
  EXPECT_EQ(Xclip({"-o", "-selection", "clipboard"}),
            QByteArray("alpha beta\r\ngamma\r\n\u00e9t\u00e9"));
  // The editor's own block is offered to other clients too: the mode byte,
  // the text, a NUL.
  const QByteArray targets = Xclip({"-o", "-selection", "clipboard", "-t", "TARGETS"});
  EXPECT_TRUE(targets.contains(kPrivateTarget.toUtf8())) << targets.toStdString();
  const QByteArray block = Xclip({"-o", "-selection", "clipboard", "-t", kPrivateTarget});
  QByteArray expected(1, char(smNormal));
  expected += "alpha beta\r\ngamma\r\n\u00e9t\u00e9";
  expected += '\0';
  EXPECT_EQ(block, expected);

  // Text another program copies is pasted as a stream of lines.
  Xclip({"-i", "-selection", "clipboard"}, "one\ntwo");
  ASSERT_TRUE(ClipboardHoldsText("one\ntwo"));
  EXPECT_FALSE(Clipboard().HasFormat("CodeEdit Control Block Type"));
  edit.SetText("[]");
  edit.SetCaretXY(TPoint(2, 1));
  edit.PasteFromClipboard();
  EXPECT_EQ(edit.Text(), "[one\r\ntwo]\r\n");

  // Copying without a selection leaves the other program's text alone.
  edit.SetBlockBegin(edit.CaretXY());
  ASSERT_FALSE(edit.SelAvail());
  edit.CopyToClipboard();
  EXPECT_EQ(Xclip({"-o", "-selection", "clipboard"}), QByteArray("one\ntwo"));
}

TEST_F(XClipboardTest, ColumnBlockTravelsBetweenEditors) {
  TCodeEditWidget source, target;
  TCustomCodeEdit& a = source.Edit();
  TCustomCodeEdit& b = target.Edit();
  a.SetText("abcd\r\nefgh\r\nijkl");
  a.SetSelectionMode(smColumn);
  a.SetBlockBegin(TPoint(2, 1));
  a.SetBlockEnd(TPoint(4, 3));
  a.CopyToClipboard();
  // Other programs see the rows as lines.
  EXPECT_EQ(Xclip({"-o", "-selection", "clipboard"}), QByteArray("bc\r\nfg\r\njk"));
  b.SetText("1234\r\n5678\r\n9999");
  b.SetCaretXY(TPoint(3, 1));
  b.PasteFromClipboard();
  EXPECT_EQ(b.Text(), "12bc34\r\n56fg78\r\n99jk99\r\n");
  // A line block pastes whole lines above the caret's line, wherever the
  // caret stands in it.
  a.SetSelectionMode(smLine);
  a.SetBlockBegin(TPoint(1, 2));
  a.SetBlockEnd(TPoint(2, 2));
  a.CopyToClipboard();
  b.SetText("x\r\nyz");
  b.SetCaretXY(TPoint(2, 2));
  b.PasteFromClipboard();
  EXPECT_EQ(b.Text(), "x\r\nefgh\r\nyz\r\n");
}

}  // namespace
}  // namespace qv
