// The input form (offscreen, dialogs scripted): its input page storing the
// values typed or pointing at the first wrong row; the form as the program
// shows it for a program model's test data sets ("VarParameter Values",
// one titled row per value), and its folder page for the file browser's
// favourites ("Folder Selection": Add through the "Select folder" chooser
// without duplicates, Delete after a click on an item, exactly one ticked
// item).
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "../SpreadTestSupport.h"
#include "app/InputFormHooks.h"
#include "app/spread/qt/TestUnit.h"
#include "engine/ProgramRuntime.h"
#include "grid/qt/QtXLGrid.h"
#include "platform/gui/QtCanvas.h"
#include "tests/app/qt/MainWindowFixture.h"

namespace qv {
namespace {

TEST(TestForm, OkStoresTheValuesOrPointsAtTheWrongRow) {
  InstallQtGraphics();
  FormatSettings() = TFormatSettings::Invariant();
  TScriptedDialogs dialogs;
  SetDialogService(&dialogs);
  TTestForm f;
  f.TestFiles = 2;
  f.First = 0;
  f.Last = 1;
  f.XLS.SetRowCount(4);
  std::vector<double> stored;
  f.Store = [&](int, int, double v) { stored.push_back(v); };
  test::Put(f.XLS, 0, 0, {{"1"}, {"2"}, {""}, {"4"}});
  f.OKBTClick();
  EXPECT_EQ(dialogs.Log().back().Text, "Wrong data input!");
  EXPECT_EQ(f.XLG->Grid().GetCurCell().Y, 2);
  EXPECT_EQ(stored, (std::vector<double>{1, 2}));
  EXPECT_EQ(f.result(), 0);
  f.XLS.SetCellText(0, 2, "3");
  stored.clear();
  f.OKBTClick();
  EXPECT_EQ(stored, (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(f.result(), QDialog::Accepted);
  // The folder page.
  TTestForm folders;
  folders.BrowseFolder = [] { return std::string("/data/runs"); };
  folders.ShowFolderPage();
  EXPECT_EQ(folders.windowTitle().toStdString(), "Folder Selection");
  folders.AddButtonClick();
  folders.AddButtonClick();
  EXPECT_EQ(folders.ListBox1->count(), 1);
  EXPECT_FALSE(folders.DeleteButton->isEnabled());
  SetDialogService(nullptr);
}

// Runs Fill on the input form as soon as the code under test shows it
// modally (a program run first builds its library, which takes a while);
// gives up after five minutes.
void WhenShown(std::function<void(TTestForm&)> Fill) {
  auto* poll = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, [poll, tries, Fill] {
    if (auto* form = qobject_cast<TTestForm*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      Fill(*form);
    } else if (++*tries > 15000) {
      poll->stop();
      poll->deleteLater();
      ADD_FAILURE() << "no input form shown";
    }
  });
  poll->start(20);
}

class InputFormTest : public test::TMainWindowFixture {
 public:
  static void SetUpTestSuite() { SetUpWindowSuite("input_form"); }

 protected:
  void SetUp() override { SetUpWindow("input_form"); }
};

TEST_F(InputFormTest, TestValuesAreAskedInOneTitledColumn) {
  const std::vector<std::string> titles{"offset for \"sensor C\"", "gain for \"sensor C\"",
                                        "offset for \"sensor D\"", "gain for \"sensor D\""};
  std::vector<double> values{9, 9, 9, 9};
  std::vector<std::string> messages;
  WhenShown([&](TTestForm& f) {
    EXPECT_EQ(f.windowTitle().toStdString(), "Quorvane Input");
    EXPECT_FALSE(f.Panel2->isHidden());
    EXPECT_TRUE(f.Panel1->isHidden());
    EXPECT_EQ(f.XLS.RowCount(), 4);
    EXPECT_EQ(f.XLS.GetCellText(0, -1), "VarParameter Values");
    for (int r = 0; r < 4; ++r) {
      EXPECT_EQ(f.XLS.GetCellText(-1, r), titles[std::size_t(r)]);
      EXPECT_EQ(f.XLS.GetCell(-1, r)->HorzAlign(), haLeft);
      EXPECT_EQ(f.XLS.GetCell(-1, r)->Indent(), 4);
    }
    EXPECT_EQ(f.XLG->Grid().GetCurCell(), TPoint(0, 0));
    // The longest title fits its column, and both columns are in sight.
    EXPECT_GT(f.XLS.GetSize(-1, 0), 100);
    EXPECT_GE(f.XLG->width(), f.XLS.GetSize(-1, 0) + f.XLS.GetSize(0, 0));
    f.grab().save(QString::fromStdString(work + "input-form.png"));
    // A row left empty is pointed at, and the form stays open.
    test::Put(f.XLS, 0, 0, {{"1.5"}, {"-2"}, {""}, {"4e-3"}});
    f.OKBTClick();
    EXPECT_EQ(f.XLG->Grid().GetCurCell().Y, 2);
    EXPECT_TRUE(f.isVisible());
    f.XLS.SetCellText(0, 2, " 3 ");
    f.OKBTClick();
  });
  EXPECT_TRUE(EditTestValuesInForm(titles, values));
  EXPECT_EQ(values, (std::vector<double>{1.5, -2, 3, 4e-3}));
  for (const auto& e : dialogs.Log()) messages.push_back(e.Text);
  EXPECT_EQ(messages, std::vector<std::string>{"Wrong data input!"});

  // Cancelled (Escape): the values stay as they were.
  WhenShown([](TTestForm& f) {
    f.XLS.SetCellText(0, 0, "7");
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&f, &esc);
  });
  EXPECT_FALSE(EditTestValuesInForm(titles, values));
  EXPECT_EQ(values, (std::vector<double>{1.5, -2, 3, 4e-3}));
}

TEST_F(InputFormTest, ProgramRunAsksTheTestValuesInTheForm) {
  if (!FileExists("/usr/bin/fpc")) GTEST_SKIP() << "no Pascal compiler";
  TFitFormHooks hooks;
  ConnectInputForm(hooks);
  Start({std::string(QV_SOURCE_DIR) + "/examples/Auto-calibration/Sensor Drift Program.mff"},
        hooks);
  StopAfter(20);
  std::vector<std::string> rows;
  WhenShown([&](TTestForm& f) {
    for (int r = 0; r < f.XLS.RowCount(); ++r) rows.push_back(f.XLS.GetCellText(-1, r));
    f.XLS.SetCellText(0, 0, "0.25");
    f.OKBTClick();
  });
  dialogs.PushResult(mrYes);  // run the program read from a file
  form->RunButtonClick();
  EXPECT_EQ(rows, std::vector<std::string>{"offset for \"sensor C\""});
  EXPECT_EQ(form->Engine().Model.ProgramRuntime().TestValues, std::vector<double>{0.25});
  // Cancelled: no search runs.
  bool asked = false;
  form->ResultMemo().SetText("");
  WhenShown([&](TTestForm& f) {
    asked = true;
    f.reject();
  });
  form->RunButtonClick();
  EXPECT_TRUE(asked);
  EXPECT_EQ(form->ResultMemo().Lines().Count(), 0);
}

TEST_F(InputFormTest, FolderPageAddsDeletesAndTicksOneFolder) {
  std::vector<std::string> folders{"/data/a", "/data/b", "/data/c"};
  int ticked = 1;
  WhenShown([&](TTestForm& f) {
    EXPECT_EQ(f.windowTitle().toStdString(), "Folder Selection");
    EXPECT_TRUE(f.Panel2->isHidden());
    QListWidget& list = *f.ListBox1;
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(1)->checkState(), Qt::Checked);
    EXPECT_FALSE(f.DeleteButton->isEnabled());
    // Add: the chooser "Select folder"; a folder already listed (with or
    // without its trailing "/") is not added again.
    for (const char* chosen : {"/data/d", "/data/a/", "/data/d"}) {
      TScriptedDialogs::TAnswer a;
      a.Value = chosen;
      dialogs.Push(a);
      f.AddButton->click();
    }
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.item(3)->text().toStdString(), "/data/d");
    EXPECT_EQ(dialogs.Log().back().Kind, "Folder");
    EXPECT_EQ(dialogs.Log().back().Caption, "Select folder");
    // Ticking one unticks the others; unticking the ticked one keeps it.
    list.item(3)->setCheckState(Qt::Checked);
    list.item(3)->setCheckState(Qt::Unchecked);
    for (int i = 0; i < list.count(); ++i)
      EXPECT_EQ(list.item(i)->checkState(), i == 3 ? Qt::Checked : Qt::Unchecked) << i;
    // A click on an item enables Delete, which removes it.
    list.setCurrentRow(0);
    emit list.itemClicked(list.item(0));
    EXPECT_TRUE(f.DeleteButton->isEnabled());
    f.grab().save(QString::fromStdString(work + "folder-selection.png"));
    f.DeleteButton->click();
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(0)->text().toStdString(), "/data/b");
    EXPECT_EQ(list.item(2)->checkState(), Qt::Checked);
    for (QPushButton* b : f.Panel1->findChildren<QPushButton*>())
      if (b->text() == "OK") b->click();
  });
  EXPECT_TRUE(EditFavouritesInForm(folders, ticked));
  EXPECT_EQ(folders, (std::vector<std::string>{"/data/b", "/data/c", "/data/d"}));
  EXPECT_EQ(ticked, 2);
  // Cancel leaves the list alone.
  WhenShown([](TTestForm& f) {
    f.Folders.Add("/data/e");
    f.reject();
  });
  EXPECT_FALSE(EditFavouritesInForm(folders, ticked));
  EXPECT_EQ(folders.size(), 3u);
}

}  // namespace
}  // namespace qv
