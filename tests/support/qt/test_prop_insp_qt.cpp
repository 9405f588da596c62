// The object inspector on Qt: typing into the in-place line edit, the
// drop-down list window, the hexadecimal editor, the text dialog, a veto,
// and the painted list (a screenshot is saved for looking at).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "platform/gui/QtCanvas.h"
#include "support/qt/QtPropInsp.h"
#include "tests/support/DemoObjects.h"

namespace qv {
namespace {

using test::TDemoControl;

class QtInspectorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallSupportQt(); }
  void SetUp() override {
    control.Name = "Memo1";
    control.Caption = "Results";
    control.Anchors = 1u << test::akLeft;
    control.Color = clRed;
    window.resize(260, 420);
    insp = new TQtPropInspector(&window);
    insp->setGeometry(0, 0, 260, 420);
    insp->Inspector().SetMiddle(87);
    window.show();
    insp->Inspector().SetInspectedObject(MakeObjectRef(&control));
    QApplication::processEvents();
  }
  void Select(const std::string& path) {
    TPropInspector& core = insp->Inspector();
    core.SetCurrentRow(core.FindPath(path));
  }
  void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
           const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &e);
  }
  void TypeText(const QString& text) {
    for (QChar ch : text) {
      const int key = ch.isDigit()    ? Qt::Key_0 + ch.digitValue()
                      : ch.isLetter() ? Qt::Key_A + (ch.toUpper().unicode() - 'A')
                                      : Qt::Key_Dollar;
      Key(insp->Edit(), key, Qt::NoModifier, QString(ch));
    }
  }

  TDemoControl control;
  QWidget window;
  TQtPropInspector* insp = nullptr;
};

TEST_F(QtInspectorTest, TypingIntoTheLineEditAppliesOnEnter) {
  Select("Height");
  QLineEdit* edit = insp->Edit();
  ASSERT_TRUE(edit->isVisible());
  EXPECT_EQ(edit->text(), "0");
  EXPECT_EQ(edit->selectedText(), "0");
  const TRect cell = insp->Inspector().ValueRect(insp->Inspector().CurrentRow());
  EXPECT_EQ(edit->geometry(), QRect(cell.Left, cell.Top, cell.Width(), cell.Height()));
  TypeText("125");
  EXPECT_EQ(control.Height, 0);
  Key(edit, Qt::Key_Return);
  EXPECT_EQ(control.Height, 125);
  EXPECT_EQ(edit->text(), "125");
  Key(edit, Qt::Key_Down);
  EXPECT_EQ(insp->Inspector().RowPath(insp->Inspector().CurrentRow()), "Tag");
}

TEST_F(QtInspectorTest, HexadecimalEditor) {
  Select("Mask");
  TypeText("10");
  Key(insp->Edit(), Qt::Key_Return);
  EXPECT_EQ(control.Mask, 16);
  EXPECT_EQ(insp->Edit()->text(), "$10");
  TypeText("$1F");
  Key(insp->Edit(), Qt::Key_Return);
  EXPECT_EQ(control.Mask, 31);
}

TEST_F(QtInspectorTest, DropDownListWindow) {
  Select("Align");
  ASSERT_TRUE(insp->ListButton()->isVisible());
  Key(insp->Edit(), Qt::Key_Down, Qt::AltModifier);
  TQtPopupWidget* list = insp->ListPopup();
  ASSERT_TRUE(list->isVisible());
  const QRect button = insp->ListButton()->geometry();
  const QPoint right = insp->viewport()->mapToGlobal(button.topRight());
  EXPECT_EQ(list->geometry().right(), right.x());
  EXPECT_EQ(list->geometry().top(), insp->viewport()->mapToGlobal(button.bottomLeft()).y() + 1);
  EXPECT_EQ(list->height(), 6 * insp->Inspector().InplaceEdit().List().ItemHeight() + 2);
  Key(list, Qt::Key_Down);
  Key(list, Qt::Key_Down);
  list->viewport()->grab().toImage().save(QString(QV_BINARY_DIR) + "/prop_list.png");
  Key(list, Qt::Key_Return);
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(control.Align, test::alBottom);
  EXPECT_EQ(insp->Edit()->text(), "alBottom");
}

TEST_F(QtInspectorTest, TextDialogOkAndCancel) {
  control.Notes = "first";
  insp->Inspector().Refresh();
  Select("Notes");
  auto answer = [](const char* text, bool ok) {
    QTimer::singleShot(0, [text, ok] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dlg = qobject_cast<QDialog*>(w);
        if (!dlg || !dlg->isVisible()) continue;
        EXPECT_EQ(dlg->windowTitle(), "Editing \"Notes\" property");
        auto* memo = dlg->findChild<QPlainTextEdit*>("Memo");
        auto* okButton = dlg->findChild<QPushButton*>("Ok");
        auto* cancel = dlg->findChild<QPushButton*>("Cancel");
        EXPECT_EQ(memo->toPlainText(), "first");
        EXPECT_EQ(cancel->geometry().right() + 1, cancel->parentWidget()->width() - 2);
        EXPECT_EQ(okButton->geometry().right() + 1, cancel->x() - 4);
        EXPECT_EQ(okButton->y(), 4);
        memo->setPlainText(text);
        (ok ? okButton : cancel)->click();
      }
    });
  };
  answer("changed", false);
  insp->Inspector().InplaceEdit().DblClick();
  EXPECT_EQ(control.Notes, "first");
  answer("line 1\nline 2", true);
  insp->Inspector().InplaceEdit().DblClick();
  EXPECT_EQ(control.Notes, "line 1\r\nline 2");
  EXPECT_EQ(insp->Edit()->text(), "line 1..line 2");
}

TEST_F(QtInspectorTest, VetoKeepsTheComponentName) {
  insp->Inspector().OnChanging = [](TPropInspector&, TPropertyEditor& p, bool& can) {
    can = LowerCase(p.ClassName()) != "tcomponentnameproperty";
  };
  Select("Name");
  TypeText("X");
  Key(insp->Edit(), Qt::Key_Return);
  EXPECT_EQ(control.Name, "Memo1");
  EXPECT_EQ(insp->Edit()->text(), "Memo1");
}

TEST_F(QtInspectorTest, PaintedRowsScreenshot) {
  TPropInspector& core = insp->Inspector();
  Select("Font");
  core.ToggleExpansion();
  Select("Font\\Style");
  core.ToggleExpansion();
  Select("Anchors");
  core.ToggleExpansion();
  Select("Color");
  QApplication::processEvents();
  const QImage img = window.grab().toImage();
  img.save(QString(QV_BINARY_DIR) + "/prop_insp.png");
  // The mark box of the expanded Font row: a 9 x 9 box in the window colour.
  const int font = core.FindPath("Font");
  const int y = (font - core.TopRow()) * core.RowHeight() + (core.RowHeight() - 9) / 2;
  const QPoint box = insp->viewport()->mapTo(&window, QPoint(2, y));
  EXPECT_EQ(img.pixelColor(box.x() + 1, box.y() + 1), QColor(Qt::white));
  EXPECT_EQ(img.pixelColor(box.x(), box.y()).rgb() & 0xFFFFFF, 0u);  // the border
  // The list button of the colour row, right of the edit.
  EXPECT_TRUE(insp->ListButton()->isVisible());
  EXPECT_EQ(insp->Edit()->text(), "clRed");
}

}  // namespace
}  // namespace qv
