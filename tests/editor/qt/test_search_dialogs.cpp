// The search, replace and confirm dialogs as real Qt dialogs: the controls
// carry the dialogs' names and captions, what the user types and ticks is
// taken on OK, and the confirmation stands where it was placed and answers
// with the button pressed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>

#include "editor/CodeEditDialogs.h"
#include "platform/gui/QtServices.h"

namespace qv {
namespace {

struct QtDialogsTest : ::testing::Test {
  static void SetUpTestSuite() { InstallQtServices(); }
  // Runs User on the modal dialog once it is shown.
  static void WhenShown(std::function<void(QDialog&)> User) {
    QTimer::singleShot(0, [User] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      User(*dialog);
    });
  }
  template <class T>
  static T* Child(QDialog& d, const char* name) {
    T* w = d.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
};

TEST_F(QtDialogsTest, SearchDialogTakesWhatTheUserLeft) {
  TTextSearchDialog d;
  d.SetSearchText("alpha");
  d.SetSearchTextHistory("alpha\r\nbeta");
  d.SetSearchFromCursor(true);
  QString caption, label, group;
  int historyCount = 0;
  WhenShown([&](QDialog& dlg) {
    dlg.grab().save(QV_BINARY_DIR "/search-dialog.png");
    caption = dlg.windowTitle();
    label = Child<QLabel>(dlg, "Label1")->text();
    QComboBox* text = Child<QComboBox>(dlg, "cbSearchText");
    historyCount = text->count();
    EXPECT_EQ(text->currentText(), "alpha");
    EXPECT_TRUE(Child<QCheckBox>(dlg, "cbSearchFromCursor")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(dlg, "rgSearchDirection.0")->isChecked());
    group = Child<QWidget>(dlg, "gbSearchOptions")->property("title").toString();
    text->setEditText("gamma");
    Child<QCheckBox>(dlg, "cbSearchCaseSensitive")->setChecked(true);
    Child<QCheckBox>(dlg, "cbSearchFromCursor")->setChecked(false);
    Child<QRadioButton>(dlg, "rgSearchDirection.1")->setChecked(true);
    Child<QPushButton>(dlg, "btnOK")->click();
  });
  EXPECT_EQ(d.ShowModal(), mrOk);
  EXPECT_EQ(caption, "Search Text");
  EXPECT_EQ(label, "&Search for:");
  EXPECT_EQ(group, "Options");
  EXPECT_EQ(historyCount, 2);
  EXPECT_EQ(d.SearchText(), "gamma");
  EXPECT_TRUE(d.SearchCaseSensitive());
  EXPECT_FALSE(d.SearchFromCursor());
  EXPECT_TRUE(d.SearchBackwards());
  EXPECT_EQ(d.SearchTextHistory(), "gamma\r\nalpha\r\nbeta");

  // Escape cancels and keeps the values.
  WhenShown([](QDialog& dlg) {
    Child<QComboBox>(dlg, "cbSearchText")->setEditText("lost");
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &esc);
  });
  EXPECT_EQ(d.ShowModal(), mrCancel);
  EXPECT_EQ(d.SearchText(), "gamma");
}

TEST_F(QtDialogsTest, ReplaceDialogHasTheReplacementField) {
  TTextReplaceDialog d;
  d.SetReplaceText("one");
  QString caption;
  WhenShown([&](QDialog& dlg) {
    dlg.grab().save(QV_BINARY_DIR "/replace-dialog.png");
    caption = dlg.windowTitle();
    EXPECT_EQ(Child<QLabel>(dlg, "Label2")->text(), "&Replace with:");
    QComboBox* replace = Child<QComboBox>(dlg, "cbReplaceText");
    EXPECT_EQ(replace->currentText(), "one");
    EXPECT_LT(replace->geometry().bottom(),
              Child<QWidget>(dlg, "gbSearchOptions")->geometry().top());
    Child<QComboBox>(dlg, "cbSearchText")->setEditText("x");
    replace->setEditText("two");
    // Return presses the default button.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &enter);
  });
  EXPECT_EQ(d.ShowModal(), mrOk);
  EXPECT_EQ(caption, "Replace text");
  EXPECT_EQ(d.ReplaceText(), "two");
  EXPECT_EQ(d.ReplaceTextHistory(), "two");
}

TEST_F(QtDialogsTest, ConfirmDialogStandsBesideTheMatchAndAnswers) {
  TConfirmReplaceDialog d;
  d.PrepareShow(Rect(100, 100, 900, 700), 300, 200, 216, "beta");
  QPoint pos;
  QSize client;
  QString question, yes;
  bool icon = false;
  WhenShown([&](QDialog& dlg) {
    dlg.grab().save(QV_BINARY_DIR "/confirm-dialog.png");
    pos = dlg.pos();
    client = dlg.size();
    question = Child<QLabel>(dlg, "lblConfirmation")->text();
    icon = !Child<QLabel>(dlg, "Image1")->pixmap().isNull();
    yes = Child<QPushButton>(dlg, "btnReplace")->text();
    Child<QPushButton>(dlg, "btnReplaceAll")->click();
  });
  EXPECT_EQ(d.ShowModal(), TConfirmReplaceDialog::mrYesToAll);
  EXPECT_EQ(pos, QPoint(300, 220));
  EXPECT_EQ(client, QSize(328, 98));
  EXPECT_EQ(question, "Replace this occurence of \"beta\"?");
  EXPECT_EQ(yes, "&Yes");
  EXPECT_TRUE(icon);
  const struct {
    const char* Button;
    int Result;
  } answers[] = {{"btnReplace", 6}, {"btnSkip", 7}, {"btnCancel", 2}};
  for (const auto& a : answers) {
    WhenShown([&](QDialog& dlg) { Child<QPushButton>(dlg, a.Button)->click(); });
    EXPECT_EQ(d.ShowModal(), a.Result) << a.Button;
  }
}

}  // namespace
}  // namespace qv
