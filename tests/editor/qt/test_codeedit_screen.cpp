// The model editor on a real X display (an Xvfb of the test's own): a
// screenshot of the screen shows the highlighted model with line numbers,
// special characters, a selection and the right edge where the editor put
// them; the completion list then opens right below the caret. The pictures
// are kept as codeedit_screen.png and codeedit_screen_completion.png in the
// build folder.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

#include "EditorWidgetSupport.h"
#include "XServerSupport.h"
#include "editor/CodeCompletionProposal.h"
#include "editor/qt/QtCodeCompletionProposal.h"

namespace qv {
namespace {

QColor Rgb(TColor c) { return ToQColor(ColorToRGB(c)); }

TEST(CodeEditScreen, ScreenshotShowsTheEditorsPicture) {
  test::TXServer server;
  ASSERT_TRUE(server.UseForQt()) << "Xvfb did not start";
  InstallQtGraphics();
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");

  test::TModelEditorView v(test::kSampleModel, 560, 220);
  TCustomCodeEdit& e = v.edit;
  e.SetOptions(e.Options() | eoShowSpecialChars);
  e.SetRightEdge(40);
  e.SetRightEdgeColor(clRed);
  e.SetBlockBegin(TPoint(3, 3));
  e.SetBlockEnd(TPoint(8, 5));
  v.widget.move(20, 20);
  v.widget.show();
  v.widget.activateWindow();
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 5000 && !(v.widget.windowHandle() && v.widget.windowHandle()->isExposed()))
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_TRUE(v.widget.windowHandle()->isExposed());
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

  const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  ASSERT_FALSE(shot.isNull());
  shot.save(QV_BINARY_DIR "/codeedit_screen.png");

  // Screen pixel of a client point.
  auto at = [&](TPoint p) {
    const QPoint g = v.widget.viewport()->mapToGlobal(QPoint(p.X, p.Y));
    return shot.pixelColor(g);
  };
  // Screen pixel just inside the cell of a text position.
  auto cell = [&](int col, int line) {
    const TPoint p = e.RowColumnToPixels(TPoint(col, line));
    return at(TPoint(p.X + 1, p.Y + 1));
  };
  const int lh = e.LineHeight();
  EXPECT_EQ(at(TPoint(2, lh / 2)), Rgb(clBtnFace));  // the gutter
  EXPECT_EQ(cell(1, 3), Rgb(clWindow));
  EXPECT_EQ(cell(5, 3), Rgb(clHighlight));
  EXPECT_EQ(cell(2, 5), Rgb(clHighlight));
  EXPECT_EQ(cell(9, 5), Rgb(clWindow));
  const int edgeX = 40 * e.CharWidth() + e.TextOffset();
  for (int y = 1; y < 200; y += 13) EXPECT_EQ(at(TPoint(edgeX, y)), Rgb(clRed)) << y;
  // Some navy (keywords) and red (the string) glyph pixels on line 1.
  int navy = 0, red = 0;
  for (int x = e.TextOffset(); x < edgeX; ++x)
    for (int y = 0; y < lh; ++y) {
      const QColor c = at(TPoint(x, y));
      navy += c.blue() > 90 && c.red() < 60 && c.green() < 60;
      red += c.red() > 180 && c.green() < 80 && c.blue() < 80;
    }
  EXPECT_GT(navy, 20);
  EXPECT_GT(red, 20);

  // The completion list opens on the screen right below the caret, over
  // the editor, and its keys stay with it.
  InstallQtCompletionWindows();
  TCodeCompletionProposal p;
  p.SetTitle("Math Functions");
  p.SetOptions(scoLimitToMatchedText | scoUseInsertList | scoUsePrettyText);
  p.SetBiggestWord("constructor");
  for (const char* name : {"Abs", "ArcCos", "ArcSin", "ArcTan", "Cos", "Exp", "Ln", "Sin", "Sqrt"})
    p.AddItem(std::string("Function \t") + name + "\t(X: Real): Real;", std::string(name) + "()");
  p.SetEditor(&e);
  // At the start of a line nothing is typed yet: the whole list shows.
  e.SetCaretXY(TPoint(1, 7));
  e.SetBlockBegin(e.CaretXY());
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier, " ");
  QApplication::sendEvent(&v.widget, &press);
  ASSERT_TRUE(p.Active());
  EXPECT_EQ(p.ItemList().Count(), 9);
  auto* popup = dynamic_cast<TQtCompletionWindow*>(p.Form().Window());
  ASSERT_NE(popup, nullptr);
  t.restart();
  while (t.elapsed() < 5000 && !(popup->windowHandle() && popup->windowHandle()->isExposed()))
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(popup->geometry().topLeft(), v.widget.CaretScreenPos(true));
  const QImage list = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  list.save(QV_BINARY_DIR "/codeedit_screen_completion.png");
  // The first item is selected: its band, right below the title, is in
  // the selection colour on the screen.
  const QPoint band =
      popup->mapToGlobal(QPoint(popup->width() - 20, p.Form().TitleHeight() + 2 + 4));
  EXPECT_EQ(list.pixelColor(band), Rgb(clHighlight));
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(QChar(27)));
  QApplication::sendEvent(popup, &esc);
  EXPECT_FALSE(p.Active());
  p.SetEditor(nullptr);
  v.widget.hide();
}

}  // namespace
}  // namespace qv
