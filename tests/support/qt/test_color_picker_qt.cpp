// The colour picker on Qt: the pop-up opens from the arrow strip below the
// button, keys choose, a press outside closes without a choice, and the
// painted pixels of the palette, comb, grey row and intensity bar.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/gui/QtCanvas.h"
#include "support/qt/QtColorPicker.h"

namespace qv {
namespace {

class QtColorPickerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
  void SetUp() override {
    window.resize(300, 200);
    button = new TQtColorPickerButton(&window);
    button->move(40, 30);
    button->Button().SetDefaultText("Default");
    button->Button().SetCustomText("More...");
    button->Button().OnChange = [this] { ++changes; };
    window.show();
  }
  void Press(QWidget* w, QPoint p, QEvent::Type type = QEvent::MouseButtonPress) {
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  void Key(QWidget* w, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  QImage Grab(TControlWidget* w) { return w->viewport()->grab().toImage(); }
  static TColor At(const QImage& img, int x, int y) {
    const QRgb p = img.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
  }

  QWidget window;
  TQtColorPickerButton* button = nullptr;
  int changes = 0;
};

TEST_F(QtColorPickerTest, ArrowStripOpensThePopupBelowTheButton) {
  Press(button->viewport(), QPoint(40, 10));
  ASSERT_TRUE(button->Button().DroppedDown());
  TQtColorPopupWidget* popup = button->PopupWidget();
  ASSERT_TRUE(popup->isVisible());
  const QPoint below = button->mapToGlobal(QPoint(-1, button->height()));
  EXPECT_EQ(popup->geometry().topLeft(), below);
  EXPECT_EQ(popup->width(), button->Button().Popup().WindowSize().cx);

  // The focus starts on the current colour (black, the first cell).
  Key(popup->viewport(), Qt::Key_Down);
  Key(popup->viewport(), Qt::Key_Right);
  Key(popup->viewport(), Qt::Key_Return);  // "Orange", below and right of black
  EXPECT_FALSE(popup->isVisible());
  EXPECT_FALSE(button->Button().DroppedDown());
  EXPECT_EQ(button->Button().SelectionColor(), TColor(0x0066FF));
  EXPECT_EQ(changes, 1);
}

TEST_F(QtColorPickerTest, PressOutsideClosesWithoutChoiceAndIsNotReplayedOnTheArrow) {
  Press(button->viewport(), QPoint(40, 10));
  TQtColorPopupWidget* popup = button->PopupWidget();
  ASSERT_TRUE(popup->isVisible());
  // A press on the button's arrow strip, delivered to the pop-up.
  const QPoint arrow = popup->mapFromGlobal(button->viewport()->mapToGlobal(QPoint(40, 10)));
  Press(popup, arrow);
  EXPECT_FALSE(popup->isVisible());
  EXPECT_FALSE(button->Button().DroppedDown());
  EXPECT_TRUE(popup->testAttribute(Qt::WA_NoMouseReplay));
  EXPECT_EQ(changes, 0);
}

TEST_F(QtColorPickerTest, PaintedPaletteAndComb) {
  button->Button().SetSelectionColor(0x0000FF);
  Press(button->viewport(), QPoint(40, 10));
  TQtColorPopupWidget* popup = button->PopupWidget();
  TColorPopup& core = button->Button().Popup();
  core.Choose(CustomCell);
  core.SetSelectedCombCell(0);
  QApplication::processEvents();
  ASSERT_EQ(popup->height(), core.WindowSize().cy);
  const QImage img = Grab(popup);
  img.save(QString(QV_BINARY_DIR) + "/color_popup.png");
  for (int i : {0, 13, 16, 26, 39}) {
    const TRect r = core.CellRect(i);
    EXPECT_EQ(At(img, r.Left + 9, r.Top + 9), PaletteEntry(i).Color) << i;
  }
  const TPoint o = core.CombOrigin();
  EXPECT_EQ(At(img, o.X, o.Y), clWhite);
  EXPECT_EQ(At(img, o.X + 47, o.Y + 27), RGB(255, 0, 0));
  EXPECT_EQ(At(img, o.X, o.Y - 55), RGB(0, 255, 0));
  const TRect g = core.GreyRowRect();
  EXPECT_EQ(At(img, g.Left + 124, g.Top + 11), clBlack);
  const TRect bar = core.IntensityBarRect();
  EXPECT_EQ(At(img, bar.Left + 5, bar.Top), clWhite);
  EXPECT_EQ(At(img, bar.Left + 5, bar.Bottom - 1), clBlack);
  EXPECT_EQ(At(img, bar.Left + 12, bar.Top), clBlack) << "the intensity marker";

  const QImage face = Grab(button);
  face.save(QString(QV_BINARY_DIR) + "/color_button.png");
  EXPECT_EQ(At(face, 15, 11), RGB(255, 0, 0)) << "the colour indicator";
  popup->close();
}

}  // namespace
}  // namespace qv
