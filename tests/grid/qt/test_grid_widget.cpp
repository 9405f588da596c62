// The grid control on Qt, offscreen, driven by synthetic Qt events: the
// rendered views checked at known pixels (grid lines, the inverted
// selection, raised titles of the selected columns), Ctrl+wheel zoom, wheel
// scrolling, sizing a column by dragging at a scale, double clicks on
// borders, the auto-scroll timer, linked grids, and in-cell editing with
// the real editor controls. Rendered images are kept in the build folder
// (grid-widget.png, grid-editing.png) for a look.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "grid/qt/QtXLGrid.h"
#include "platform/core/ManualClock.h"
#include "platform/core/Services.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtPopupMenu.h"

namespace qv {
namespace {

class GridWidgetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    SetDialogService(&dialogs);
    sheet.BaseClientStyle().SetColor(clWhite);
    sheet.BaseClientStyle().SetLinesColor(clSilver);
    w = std::make_unique<TQtXLGrid>();
    w->resize(400, 300);
    w->Grid().SetSheet(&sheet);
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w.get());
    QApplication::processEvents();
    w->View(skClient)->setFocus();
    QApplication::processEvents();
  }
  void TearDown() override {
    w.reset();
    SetDialogService(nullptr);
  }

  QImage Grab() {
    QApplication::processEvents();
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  static TColor At(const QImage& img, int x, int y) {
    const QRgb p = img.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
  }
  void Save(const QImage& img, const char* name) { img.save(QString(QV_BINARY_DIR) + "/" + name); }
  QWidget* Viewport(int kind) { return w->View(kind)->viewport(); }

  void Mouse(QEvent::Type type, QWidget* target, int x, int y,
             Qt::KeyboardModifiers mods = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    const QPointF p(x, y);
    QMouseEvent e(type, p, target->mapToGlobal(p),
                  type == QEvent::MouseMove ? Qt::NoButton : button, held, mods);
    QApplication::sendEvent(target, &e);
  }
  void Wheel(QWidget* target, int delta, Qt::KeyboardModifiers mods) {
    const QPointF p(20, 20);
    QWheelEvent e(p, target->mapToGlobal(p), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
  }
  // A key as the focused widget receives it.
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    if (QWidget* now = QApplication::focusWidget()) QApplication::sendEvent(now, &release);
  }
  void Type(const QString& text) {
    for (QChar ch : text)
      Key(ch.unicode() >= 'a' && ch.unicode() <= 'z' ? Qt::Key_A + (ch.unicode() - 'a')
                                                     : ch.unicode(),
          Qt::NoModifier, QString(ch));
  }
  // The line edit of the open editor's control.
  QLineEdit* EditorLine() {
    QWidget* k = w->EditorKeyWidget();
    if (auto* combo = qobject_cast<QComboBox*>(k)) return combo->lineEdit();
    return qobject_cast<QLineEdit*>(k);
  }

  TScriptedDialogs dialogs;
  TXLSheet sheet;
  std::unique_ptr<TQtXLGrid> w;
};

TEST_F(GridWidgetTest, RenderedViewsAtKnownPixels) {
  sheet.SetColCount(6);
  sheet.SetRowCount(12);
  for (int c = 0; c < 6; ++c) sheet.SetCellText(c, -1, ColumnLetters(c));
  for (int r = 0; r < 12; ++r) sheet.SetCellInteger(-1, r, r + 1);
  sheet.SetCellText(0, 0, "Quorvane");
  TXLSectionRange(&sheet.Section(skClient), TRect(4, 3, 5, 4)).SetColor(clRed);
  w->Grid().SelectRange(1, 1, 3, 3);
  const QImage img = Grab();
  Save(img, "grid-widget.png");
  ASSERT_EQ(w->Grid().ViewBounds(skClient), TRect(60, 15, 400, 300));
  const int x0 = 60, y0 = 15;
  // Grid lines: the last pixel column of column 0, the last row of row 0.
  EXPECT_EQ(At(img, x0 + 59, y0 + 40), clSilver);
  EXPECT_EQ(At(img, x0 + 200, y0 + 14), clSilver);
  // The cursor cell (1, 1) stays white; the rest of the selection is
  // inverted, white to black and its grid lines to their inverse.
  EXPECT_EQ(At(img, x0 + 60 + 30, y0 + 15 + 7), clWhite);
  EXPECT_EQ(At(img, x0 + 120 + 30, y0 + 15 + 7), clBlack);
  EXPECT_EQ(At(img, x0 + 60 + 30, y0 + 30 + 7), clBlack);
  EXPECT_EQ(At(img, x0 + 120 + 59, y0 + 30 + 7), RGB(0x3F, 0x3F, 0x3F));
  // Outside the selection: white, and the red cell.
  EXPECT_EQ(At(img, x0 + 240 + 30, y0 + 15 + 7), clWhite);
  EXPECT_EQ(At(img, x0 + 240 + 30, y0 + 45 + 7), clRed);
  // The focus frame marks the cursor cell: dots along its top edge.
  int dots = 0;
  for (int x = x0 + 62; x < x0 + 118; ++x) dots += At(img, x, y0 + 15) != clWhite ? 1 : 0;
  EXPECT_GT(dots, 20);
  // Titles of the selected columns 1-2 and rows 1-2 raised deep; the others flat.
  const TColor dark = ColorToRGB(cl3DDkShadow), shadow = ColorToRGB(clBtnShadow);
  EXPECT_EQ(At(img, x0 + 60 + 5, 14), dark);
  EXPECT_EQ(At(img, x0 + 60 + 5, 13), shadow);
  EXPECT_EQ(At(img, x0 + 180 + 5, 14), shadow);
  EXPECT_EQ(At(img, x0 + 180 + 5, 13), ColorToRGB(clBtnFace));
  EXPECT_EQ(At(img, 59, y0 + 15 + 7), dark);
  EXPECT_EQ(At(img, 59, y0 + 45 + 7), shadow);
  // The data sheet's flat marking.
  sheet.FlatTitleSelection = true;
  w->View(skColTitles)->viewport()->update();
  const QImage flat = Grab();
  EXPECT_EQ(At(flat, x0 + 60 + 5, 14), shadow);
  EXPECT_EQ(At(flat, x0 + 60 + 5, 13), ColorToRGB(clBtnFace));
}

TEST_F(GridWidgetTest, CtrlWheelZoomsAndTheWheelScrollsRows) {
  sheet.SetRowCount(100);
  QWidget* vp = Viewport(skClient);
  Wheel(vp, 120, Qt::ControlModifier);
  EXPECT_EQ(w->Grid().Scale(), 125);
  Wheel(vp, 120, Qt::ControlModifier);
  EXPECT_EQ(w->Grid().Scale(), 150);
  Wheel(vp, -120, Qt::ControlModifier);
  Wheel(vp, -120, Qt::ControlModifier);
  Wheel(vp, -120, Qt::ControlModifier);
  EXPECT_EQ(w->Grid().Scale(), 85);
  // The zoomed layout reaches the widgets: titles at 85 %.
  EXPECT_EQ(w->View(skClient)->geometry(), QRect(51, 12, 349, 288));
  w->Grid().SetScale(100);
  Wheel(vp, -120, Qt::NoModifier);
  EXPECT_EQ(w->Grid().View(skClient).TopLeft().Y, 5);
  EXPECT_EQ(w->View(skClient)->verticalScrollBar()->value(), 5 * 15);
  // The row titles were scrolled along.
  const QImage img = Grab();
  int ink = 0;
  for (int y = 15; y < 30; ++y)
    for (int x = 0; x < 59; ++x) ink += At(img, x, y) != ColorToRGB(clBtnFace) ? 1 : 0;
  EXPECT_GT(ink, 0);
}

TEST_F(GridWidgetTest, SizingAColumnByDragAtAScale) {
  TXLGrid& g = w->Grid();
  g.SetOptions(g.Options() + TXLOptions{oColSizing});
  sheet.SetColDefWidth(40);
  g.SetScale(200);
  QWidget* vp = Viewport(skColTitles);
  Mouse(QEvent::MouseButtonPress, vp, 80, 10);
  EXPECT_EQ(vp->cursor().shape(), Qt::SplitHCursor);
  Mouse(QEvent::MouseMove, vp, 100, 10);
  Mouse(QEvent::MouseMove, vp, 120, 10);
  Mouse(QEvent::MouseButtonRelease, vp, 120, 10);
  EXPECT_EQ(sheet.GetSize(0, 0), 60);
  const QImage img = Grab();
  // Column 1 starts 120 pixels after column 0: its title's left edge is
  // the highlight, the pixel before it the dark edge of column 0's title
  // (raised deep: column 0 holds the client's selection).
  const int x = g.ViewBounds(skColTitles).Left + 120;
  EXPECT_EQ(At(img, x, 10), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(At(img, x - 1, 10), ColorToRGB(cl3DDkShadow));
}

TEST_F(GridWidgetTest, DoubleClicksOnBordersReportTheLine) {
  TXLGrid& g = w->Grid();
  g.SetOptions(g.Options() + TXLOptions{oColSizing});
  std::vector<TPoint> cols;
  g.OnColDblClick = [&](TXLGrid&, const TPoint& p) { cols.push_back(p); };
  QWidget* vp = Viewport(skColTitles);
  for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                         QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
    Mouse(t, vp, 180, 8);
  QWidget* rows = Viewport(skRowTitles);
  for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                         QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
    Mouse(t, rows, 59, 30);
  ASSERT_EQ(cols.size(), 2u);
  EXPECT_EQ(cols[0], TPoint(2, 0));
  EXPECT_EQ(cols[1], TPoint(-1, 0));
  EXPECT_EQ(sheet.GetSize(2, 0), 60);
}

TEST_F(GridWidgetTest, AutoScrollEveryTickWhileDragging) {
  TManualClock clock;
  SetControlTimerClock(&clock);
  sheet.SetRowCount(100);
  QWidget* vp = Viewport(skClient);
  Mouse(QEvent::MouseButtonPress, vp, 10, 5);
  Mouse(QEvent::MouseMove, vp, 10, vp->height() + 30);
  ASSERT_TRUE(w->TimerActive(kXLAutoScrollTimer));
  TXLGrid& g = w->Grid();
  const int rows = g.View(skClient).SelRect().Bottom;
  clock.Advance(39);
  EXPECT_EQ(g.View(skClient).TopLeft().Y, 0);
  clock.Advance(1);
  EXPECT_EQ(g.View(skClient).TopLeft().Y, 1);
  clock.Advance(80);
  EXPECT_EQ(g.View(skClient).TopLeft().Y, 3);
  EXPECT_EQ(g.View(skClient).SelRect().Bottom, rows + 3);
  EXPECT_EQ(w->View(skClient)->verticalScrollBar()->value(), 3 * 15);
  Mouse(QEvent::MouseButtonRelease, vp, 10, vp->height() + 30);
  EXPECT_FALSE(w->TimerActive(kXLAutoScrollTimer));
  clock.Advance(400);
  EXPECT_EQ(g.View(skClient).TopLeft().Y, 3);
  SetControlTimerClock(nullptr);
  // Without the test clock it is the panel's window timer.
  Mouse(QEvent::MouseButtonPress, vp, 10, 5);
  Mouse(QEvent::MouseMove, vp, 10, vp->height() + 30);
  EXPECT_TRUE(w->TimerActive(kXLAutoScrollTimer));
  QElapsedTimer elapsed;
  elapsed.start();
  while (g.View(skClient).TopLeft().Y < 4 && elapsed.elapsed() < 5000)
    QApplication::processEvents();
  EXPECT_GE(g.View(skClient).TopLeft().Y, 4);
  Mouse(QEvent::MouseButtonRelease, vp, 10, vp->height() + 30);
  EXPECT_FALSE(w->TimerActive(kXLAutoScrollTimer));
}

TEST_F(GridWidgetTest, LinkedGridsScrollTogether) {
  TXLSheet other;
  TQtXLGrid b;
  b.resize(400, 300);
  b.Grid().SetSheet(&other);
  b.show();
  sheet.SetColCount(40);
  other.SetColCount(40);
  w->Grid().SetHorzLink(&b.Grid());
  QScrollBar* bar = w->View(skClient)->horizontalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(w->Grid().View(skClient).TopLeft().X, 2);
  EXPECT_EQ(b.Grid().View(skClient).TopLeft().X, 2);
  EXPECT_EQ(b.View(skClient)->horizontalScrollBar()->value(), 120);
  w->Grid().SetHorzLink(nullptr);
}

TEST_F(GridWidgetTest, TypingEscAndEnterInTheEditor) {
  sheet.SetCellText(0, 0, "old");
  sheet.SetCellText(0, 3, "other");
  Key(Qt::Key_N, Qt::NoModifier, "n");
  ASSERT_EQ(w->Grid().EditMode(), 1);
  ASSERT_NE(EditorLine(), nullptr);
  EXPECT_TRUE(w->EditHost()->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), w->EditorKeyWidget());
  EXPECT_EQ(EditorLine()->text(), "n");
  Type("ew");
  EXPECT_EQ(EditorLine()->text(), "new");
  Key(Qt::Key_Escape);
  EXPECT_EQ(w->Grid().EditMode(), 0);
  EXPECT_FALSE(w->EditHost()->isVisible());
  EXPECT_EQ(sheet.GetCellText(0, 0), "old");
  EXPECT_EQ(QApplication::focusWidget(), w->View(skClient));
  // Enter stores and moves down; Shift+Enter moves up.
  Key(Qt::Key_A, Qt::NoModifier, "a");
  Key(Qt::Key_Return);
  EXPECT_EQ(sheet.GetCellText(0, 0), "a");
  EXPECT_EQ(w->Grid().GetCurCell(), TPoint(0, 1));
  Key(Qt::Key_B, Qt::NoModifier, "b");
  Key(Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(sheet.GetCellText(0, 1), "b");
  EXPECT_EQ(w->Grid().GetCurCell(), TPoint(0, 0));
  // The pick list holds the column's other texts, completing as typed.
  w->Grid().SetCurCell(0, 2);
  Key(Qt::Key_O, Qt::NoModifier, "o");
  auto* combo = dynamic_cast<QComboBox*>(w->EditorControl()->Widget());
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(0), "a");
  EXPECT_EQ(combo->itemText(2), "other");
  EXPECT_EQ(EditorLine()->text(), "other");
  EXPECT_EQ(EditorLine()->selectedText(), "ther");
  Key(Qt::Key_T, Qt::NoModifier, "t");  // through the control: completes again
  EXPECT_EQ(EditorLine()->text(), "other");
  EXPECT_EQ(EditorLine()->selectedText(), "her");
  const QImage img = Grab();
  Save(img, "grid-editing.png");
  Key(Qt::Key_Return);
  EXPECT_EQ(sheet.GetCellText(0, 2), "other");
}

TEST_F(GridWidgetTest, TheSpinEditorAndItsLimits) {
  TXLCell* cell = sheet.Section(skClient).SetCellClass(TPoint(1, 1), &TXLCInteger::ClassInfo);
  cell->SetAsInteger(5);
  cell->SetFormat("0|spin");
  w->Grid().SetCurCell(1, 1);
  Key(Qt::Key_F2);
  auto* line = dynamic_cast<TQtXLLineEdit*>(w->EditorControl());
  ASSERT_NE(line, nullptr);
  ASSERT_NE(line->SpinnerBar(), nullptr);
  EXPECT_TRUE(line->SpinnerBar()->isVisible());
  auto* num = dynamic_cast<TXLNumEdit*>(w->Grid().Edit().Editor());
  num->SetMinValue(0);
  num->SetMaxValue(10);
  EXPECT_EQ(line->Edit()->text(), "5");
  // The spinner's up arrow adds one and the bar returns to its middle.
  line->SpinnerBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(line->Edit()->text(), "6");
  EXPECT_EQ(line->SpinnerBar()->value(), 0);
  line->SpinnerBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  line->SpinnerBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(line->Edit()->text(), "4");
  // Typing: a point is refused in integer mode.
  line->Edit()->selectAll();
  Type("1.2");
  EXPECT_EQ(line->Edit()->text(), "12");
  Key(Qt::Key_Return);
  ASSERT_EQ(dialogs.Log().size(), 1u);
  EXPECT_EQ(dialogs.Log()[0].Text, "Value out of range!");
  EXPECT_EQ(dialogs.Log()[0].Type, mtError);
  EXPECT_EQ(w->Grid().EditMode(), 2);
  EXPECT_EQ(line->Edit()->text(), "12");
  EXPECT_EQ(cell->GetAsInteger(), 5);
  Key(Qt::Key_Backspace);
  Key(Qt::Key_Return);
  EXPECT_EQ(cell->GetAsInteger(), 1);
  EXPECT_EQ(w->Grid().GetCurCell(), TPoint(1, 2));
}

TEST_F(GridWidgetTest, ACompositionOpensTheEditor) {
  sheet.SetCellText(0, 0, "old");
  QInputMethodEvent start(QString::fromUtf8("に"), {});
  QApplication::sendEvent(w->View(skClient), &start);
  ASSERT_EQ(w->Grid().EditMode(), 1);
  EXPECT_EQ(QApplication::focusWidget(), w->EditorKeyWidget());
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("日"));
  QApplication::sendEvent(w->EditorKeyWidget(), &commit);
  EXPECT_EQ(EditorLine()->text(), QString::fromUtf8("日"));
  Key(Qt::Key_Return);
  EXPECT_EQ(sheet.GetCellText(0, 0), "日");
}

TEST_F(GridWidgetTest, TheMemoTakesCtrlEnterAndTabLeavesTheCell) {
  TXLCell* cell = sheet.GetCell(0, 0);
  cell->SetAsString("one\r\ntwo");
  cell->SetEditor(1);
  Key(Qt::Key_F2);
  auto* memo = dynamic_cast<QPlainTextEdit*>(w->EditorKeyWidget());
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->toPlainText(), "one\ntwo");
  Key(Qt::Key_Return, Qt::ControlModifier);
  Type("x");
  EXPECT_EQ(memo->toPlainText(), "one\ntwo\nx");
  EXPECT_EQ(w->Grid().EditMode(), 2);
  Key(Qt::Key_Return);
  EXPECT_EQ(sheet.GetCellText(0, 0), "one\r\ntwo\r\nx");
  EXPECT_EQ(w->Grid().GetCurCell(), TPoint(0, 1));
  // Tab stores and leaves the editor.
  Key(Qt::Key_Q, Qt::NoModifier, "q");
  Key(Qt::Key_Tab);
  EXPECT_EQ(w->Grid().EditMode(), 0);
  EXPECT_EQ(sheet.GetCellText(0, 1), "q");
}

TEST_F(GridWidgetTest, TheEditorCoversAMergedBlock) {
  sheet.SetCellText(1, 1, "block");
  sheet.Section(skClient).Merge(TRect(1, 1, 3, 3));
  w->Grid().SetCurCell(1, 1);
  Key(Qt::Key_F2);
  ASSERT_TRUE(w->EditHost()->isVisible());
  EXPECT_EQ(w->EditHost()->parentWidget(), Viewport(skClient));
  EXPECT_EQ(w->EditHost()->geometry(), QRect(58, 13, 124, 34));
  EXPECT_EQ(w->EditorControl()->Widget()->geometry().width(), 120);
  // The cell under the editor draws no value; the host is the cell's colour.
  const QImage img = Grab();
  EXPECT_EQ(At(img, 60 + 58, 15 + 13), ColorToRGB(clBtnShadow));  // the sunken edge
  EXPECT_EQ(At(img, 60 + 58 + 100, 15 + 13 + 4), clWhite);
  // A right-click shows no pop-up while editing.
  QMenu menu;
  menu.addAction("Cut");
  w->Grid().PopupMenu = std::make_shared<TQtPopupMenu>(&menu);
  Mouse(QEvent::MouseButtonPress, Viewport(skClient), 5, 5, Qt::NoModifier, Qt::RightButton);
  Mouse(QEvent::MouseButtonRelease, Viewport(skClient), 5, 5, Qt::NoModifier, Qt::RightButton);
  EXPECT_FALSE(menu.isVisible());
  Key(Qt::Key_Escape);
  Mouse(QEvent::MouseButtonPress, Viewport(skClient), 5, 5, Qt::NoModifier, Qt::RightButton);
  Mouse(QEvent::MouseButtonRelease, Viewport(skClient), 5, 5, Qt::NoModifier, Qt::RightButton);
  EXPECT_TRUE(menu.isVisible());
  menu.hide();
  // The menu key pops it up under the cursor cell.
  Key(Qt::Key_Menu);
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(menu.pos(), Viewport(skClient)->mapToGlobal(QPoint(60, 45)));
  menu.hide();
}

TEST_F(GridWidgetTest, FocusEntersAndLeavesTheGrid) {
  QWidget outside;
  outside.setFocusPolicy(Qt::StrongFocus);
  outside.show();
  int enters = 0, exits = 0;
  w->OnEnter = [&](TQtXLGrid&) { ++enters; };
  w->OnExit = [&](TQtXLGrid&) { ++exits; };
  outside.activateWindow();
  QApplication::setActiveWindow(&outside);
  outside.setFocus();
  QApplication::processEvents();
  EXPECT_EQ(exits, 1);
  w->activateWindow();
  QApplication::setActiveWindow(w.get());
  w->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(enters, 1);
  // Moving into the editor stays inside.
  Key(Qt::Key_X, Qt::NoModifier, "x");
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(enters, 1);
}

}  // namespace
}  // namespace qv
