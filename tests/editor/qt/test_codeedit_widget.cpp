// The editor on a Qt widget: the painted picture (gutter, highlighting,
// selection, right edge), keys and characters reaching the editor, the
// focus and TAB, the mouse, input-method commits, the scroll hint, the
// frame, and the services a pop-up needs (key hooks, the caret's screen
// point).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include "EditorWidgetSupport.h"
#include "editor/CodeEditTextDrawer.h"
#include "platform/gui/QtToolWindow.h"

namespace qv {
namespace {

using test::TModelEditorView;

QColor Rgb(TColor c) { return ToQColor(ColorToRGB(c)); }

struct CodeEditWidgetTest : ::testing::Test {
  static void SetUpTestSuite() { InstallQtGraphics(); }

  static void Key(QWidget& w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                  const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(&w, &release);
  }
  static void Type(QWidget& w, const QString& s) {
    for (QChar ch : s) {
      const int key = ch.isLetter() ? Qt::Key_A + (ch.toUpper().unicode() - 'A')
                      : ch == ' '   ? Qt::Key_Space
                                    : 0;
      Key(w, key, Qt::NoModifier, QString(ch));
    }
  }
  static void Mouse(QWidget& viewport, QEvent::Type type, int x, int y,
                    Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(x, y), viewport.mapToGlobal(QPointF(x, y)), button, held, mods);
    QApplication::sendEvent(&viewport, &e);
  }
};

TEST_F(CodeEditWidgetTest, PaintsHighlightedTextSelectionGutterAndEdge) {
  TModelEditorView v;
  TCustomCodeEdit& e = v.edit;
  e.SetOptions(e.Options() | eoShowSpecialChars);
  e.SetRightEdge(30);
  e.SetBlockBegin(TPoint(3, 3));
  e.SetBlockEnd(TPoint(8, 5));
  const QImage shot = v.Shot();
  shot.save(QV_BINARY_DIR "/codeedit_widget.png");
  const int cw = e.CharWidth(), lh = e.LineHeight(), gw = e.GutterWidth();
  ASSERT_GT(cw, 4);
  ASSERT_GT(lh, 8);
  // Text is antialiased: some pixel of the cell comes close to the colour.
  auto cellHas = [&](int col, int line, const QColor& color) {
    const TPoint p = e.RowColumnToPixels(TPoint(col, line));
    for (int y = p.Y; y < p.Y + lh; ++y)
      for (int x = p.X; x < p.X + cw; ++x) {
        const QColor c = shot.pixelColor(x, y);
        if (std::abs(c.red() - color.red()) + std::abs(c.green() - color.green()) +
                std::abs(c.blue() - color.blue()) <
            60)
          return true;
      }
    return false;
  };
  // The gutter band and its numbers.
  EXPECT_EQ(shot.pixelColor(2, lh / 2), Rgb(clBtnFace));
  bool number = false;
  for (int x = 0; x < gw - 2; ++x)
    for (int y = 0; y < lh; ++y) number = number || shot.pixelColor(x, y) == Rgb(clWindowText);
  EXPECT_TRUE(number);
  // Keywords in navy, the string in red, the comment in navy italics.
  EXPECT_TRUE(cellHas(1, 1, Rgb(clNavy)));
  EXPECT_TRUE(cellHas(8, 1, Rgb(clRed)));
  // The selection: unselected before column 3 of line 3, selected after.
  EXPECT_EQ(shot.pixelColor(e.RowColumnToPixels(TPoint(1, 3)).X + 1,
                            e.RowColumnToPixels(TPoint(1, 3)).Y + 1),
            Rgb(clWindow));
  EXPECT_EQ(shot.pixelColor(e.RowColumnToPixels(TPoint(4, 3)).X + 1,
                            e.RowColumnToPixels(TPoint(4, 3)).Y + 1),
            Rgb(clHighlight));
  EXPECT_TRUE(cellHas(5, 3, Rgb(clHighlightText)));
  // The right edge crosses every row and the space below.
  const int edgeX = 30 * cw + e.TextOffset();
  for (int y = 0; y < shot.height(); y += 7)
    EXPECT_EQ(shot.pixelColor(edgeX, y), Rgb(clSilver)) << y;
  // Special characters: the pilcrow ends line 3 (selected, so in the
  // selection's text colour).
  EXPECT_TRUE(cellHas(15, 3, Rgb(clHighlightText)));
}

TEST_F(CodeEditWidgetTest, TextDrawerKeepsAProportionalFontOnTheGrid) {
  // The editor itself takes only fixed-pitch fonts; its drawer still puts
  // any font's characters one to a cell, the cell being the advance of "M".
  TFont font;
  font.SetName("DejaVu Sans");
  font.SetHeight(-13);
  TQtFontService fonts;
  TheTextDrawer drawer(TFontStyles(), font, fonts);
  const QFontMetrics fm(ToQFont(font));
  ASSERT_LT(fm.horizontalAdvance('i') * 2, fm.horizontalAdvance('M'));
  const int cw = drawer.GetCharWidth(), lh = drawer.GetCharHeight();
  EXPECT_EQ(cw, fm.horizontalAdvance('M'));
  QImage image(20 * cw, lh, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    TQtCanvas canvas(image);
    drawer.SetForeColor(clBlack);
    drawer.SetBackColor(clWhite);
    drawer.BeginDrawing(canvas);
    drawer.ExtTextOut(0, 0, 0, nullptr, U"iiiiiiiiiiM");
    drawer.EndDrawing();
  }
  auto inked = [&](int cell) {
    for (int y = 0; y < lh; ++y)
      for (int x = cell * cw; x < (cell + 1) * cw; ++x)
        if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
  };
  // Each narrow "i" stands in a cell of its own, so the tenth one is far
  // right of where the font's own spacing would put it.
  for (int cell = 0; cell < 11; ++cell) EXPECT_TRUE(inked(cell)) << cell;
  EXPECT_FALSE(inked(11));
}

TEST_F(CodeEditWidgetTest, KeysCharactersAndCommands) {
  TModelEditorView v("");
  v.widget.show();
  Type(v.widget, "ab c");
  EXPECT_EQ(v.edit.Lines().Get(0), "ab c");
  // Ctrl+Z is bound to undo; its control character is not typed.
  Key(v.widget, Qt::Key_Z, Qt::ControlModifier, QString(QChar(26)));
  EXPECT_EQ(v.edit.Text().find('\x1a'), std::string::npos);
  // Return breaks the line; Home and Shift+End select the new line.
  v.edit.SetText("one");
  v.edit.SetCaretXY(TPoint(4, 1));
  Key(v.widget, Qt::Key_Return, Qt::NoModifier, "\r");
  Type(v.widget, "two");
  EXPECT_EQ(v.edit.Lines().Count(), 2);
  EXPECT_EQ(v.edit.Lines().Get(1), "two");
  Key(v.widget, Qt::Key_Home);
  Key(v.widget, Qt::Key_End, Qt::ShiftModifier);
  EXPECT_EQ(v.edit.SelText(), "two");
  // A committed input-method string is inserted once.
  QInputMethodEvent ime;
  ime.setCommitString(QString::fromUtf8("\u00e9t\u00e9"));
  QApplication::sendEvent(&v.widget, &ime);
  EXPECT_EQ(v.edit.Lines().Get(1), "\u00e9t\u00e9");
  // Key hooks see keys first; one that takes a key keeps it from the
  // editor.
  int seen = 0;
  v.widget.AddKeyHook(&seen, [&](QKeyEvent* k) {
    ++seen;
    return k->key() == Qt::Key_X;
  });
  Type(v.widget, "xy");
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(v.edit.Lines().Get(1), "\u00e9t\u00e9y");
  v.widget.RemoveKeyHooks(&seen);
  Type(v.widget, "x");
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(v.edit.Lines().Get(1), "\u00e9t\u00e9yx");
}

TEST_F(CodeEditWidgetTest, TabStaysOrMovesTheFocus) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* widget = new TCodeEditWidget;
  auto* next = new QLineEdit;
  layout->addWidget(widget);
  layout->addWidget(next);
  window.show();
  QApplication::setActiveWindow(&window);
  widget->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(widget->hasFocus());
  // Without WantTabs TAB goes to the next control.
  Key(*widget, Qt::Key_Tab);
  EXPECT_TRUE(next->hasFocus());
  EXPECT_EQ(widget->Edit().Text(), "");
  // With it the editor inserts the TAB.
  widget->Edit().SetWantTabs(true);
  widget->setFocus();
  QApplication::processEvents();
  Key(*widget, Qt::Key_Tab, Qt::NoModifier, "\t");
  EXPECT_TRUE(widget->hasFocus());
  EXPECT_NE(widget->Edit().Text(), "");
}

TEST_F(CodeEditWidgetTest, MouseSelectsAndSetsTheCursor) {
  TModelEditorView v;
  v.widget.show();
  QWidget& vp = *v.widget.viewport();
  const TPoint a = v.edit.RowColumnToPixels(TPoint(1, 3));
  const TPoint b = v.edit.RowColumnToPixels(TPoint(9, 3));
  Mouse(vp, QEvent::MouseButtonPress, a.X + 1, a.Y + 2);
  Mouse(vp, QEvent::MouseMove, b.X + 1, b.Y + 2);
  Mouse(vp, QEvent::MouseButtonRelease, b.X + 1, b.Y + 2);
  EXPECT_EQ(v.edit.SelText(), "Variable");
  // The I-beam over the text, the arrow over the selection (it can be
  // dragged), the gutter's cursor over the gutter.
  const TPoint c = v.edit.RowColumnToPixels(TPoint(3, 1));
  Mouse(vp, QEvent::MouseMove, c.X, c.Y + 2);
  EXPECT_EQ(vp.cursor().shape(), Qt::IBeamCursor);
  Mouse(vp, QEvent::MouseMove, a.X + 20, a.Y + 2);
  EXPECT_EQ(vp.cursor().shape(), Qt::ArrowCursor);
  // Shift+click extends from the anchor.
  const TPoint d = v.edit.RowColumnToPixels(TPoint(4, 4));
  Mouse(vp, QEvent::MouseButtonPress, d.X + 1, d.Y + 2, Qt::ShiftModifier);
  Mouse(vp, QEvent::MouseButtonRelease, d.X + 1, d.Y + 2, Qt::ShiftModifier);
  EXPECT_EQ(v.edit.BlockBegin(), TPoint(1, 3));
  EXPECT_EQ(v.edit.BlockEnd(), TPoint(4, 4));
}

TEST_F(CodeEditWidgetTest, AutoScrollStopsWhenAnotherWindowTakesTheMouse) {
  std::string text;
  for (int i = 1; i <= 300; ++i) text += "line " + std::to_string(i) + "\n";
  TModelEditorView v(text);
  v.widget.show();
  QWidget& vp = *v.widget.viewport();
  auto waitMs = [](int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
  };
  // Selecting past the bottom edge scrolls on by itself.
  const TPoint a = v.edit.RowColumnToPixels(TPoint(1, 2));
  Mouse(vp, QEvent::MouseButtonPress, a.X + 1, a.Y + 2);
  Mouse(vp, QEvent::MouseMove, a.X + 1, vp.height() + 40);
  waitMs(350);
  const int top = v.edit.TopLine();
  EXPECT_GT(top, 1);
  // Another window becomes active before the button is released there:
  // the editor never sees the release, and the scrolling must end.
  QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(&v.widget, &out);
  EXPECT_FALSE(v.widget.HasCapture());
  waitMs(350);
  EXPECT_EQ(v.edit.TopLine(), top);
}

TEST_F(CodeEditWidgetTest, ScrollBarsHintAndFrame) {
  std::string text;
  for (int i = 1; i <= 200; ++i) text += "line " + std::to_string(i) + "\n";
  TModelEditorView v(text);
  v.widget.show();
  QScrollBar* bar = v.widget.verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->maximum(), 200 - v.edit.LinesInWindow() + 1);
  // Dragging the thumb shows "Top Line: n" beside it; the release hides it.
  bar->setSliderDown(true);
  bar->setSliderPosition(50);
  EXPECT_EQ(v.edit.TopLine(), 50);
  TQtHintWindow* hint = TCodeEditWidget::ScrollHintWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->HintText(), "Top Line: 50");
  bar->setSliderDown(false);
  EXPECT_FALSE(hint->isVisible());
  // The border follows BorderStyle.
  EXPECT_NE(v.widget.frameStyle(), int(QFrame::NoFrame));
  v.edit.SetBorderStyle(bsNone);
  EXPECT_EQ(v.widget.frameStyle(), int(QFrame::NoFrame));
}

TEST_F(CodeEditWidgetTest, CaretPointForPopups) {
  TModelEditorView v;
  v.widget.show();
  v.edit.SetCaretXY(TPoint(5, 2));
  const TPoint p = v.edit.RowColumnToPixels(TPoint(5, 2));
  EXPECT_EQ(v.widget.CaretScreenPos(false), v.widget.viewport()->mapToGlobal(QPoint(p.X, p.Y)));
  EXPECT_EQ(v.widget.CaretScreenPos().y() - v.widget.CaretScreenPos(false).y(),
            v.edit.LineHeight());
  EXPECT_EQ(TCodeEditWidget::Of(v.edit), &v.widget);
  TCodeEdit hidden;
  EXPECT_EQ(TCodeEditWidget::Of(hidden), nullptr);
}

}  // namespace
}  // namespace qv
