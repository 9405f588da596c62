// The file browser beside the main window (offscreen or under Xvfb,
// dialogs scripted): the filter and the filter list kept for the next
// start, a file added to the folder showing up after the hold-back, opening
// a model in the main window (and not asking for the open one), rename
// that never replaces and refuses separators, delete to the trash that
// keeps the editor's modified state, favourites with their exact paths and
// edited in the input form's folder page, and the root folder's items
// opened by their own paths.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "MainWindowFixture.h"
#include "app/AppControls.h"
#include "app/FileUnit.h"
#include "app/InputFormHooks.h"
#include "app/PFMainUnit.h"
#include "app/spread/qt/TestUnit.h"
#include "controls/UiShellList.h"
#include "controls/qt/QtUiShell.h"
#include "editor/CodeEdit.h"
#include "editor/qt/QtCodeCompletionProposal.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtServices.h"
#include "support/KitAppUtils.h"
#include "support/qt/QtPropInsp.h"

namespace qv {
// The chart classes' registration (chart/VuzIduro.h, whose chart headers
// clash with the list view's alignment names).
void RegisterChartClasses();
namespace {

const std::string kLinear =
    std::string(QV_SOURCE_DIR) + "/examples/Regression Curve Fit/Linear Fit.mff";

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class FileBrowserTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::TMainWindowFixture::SetUpWindowSuite("file_browser"); }
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    SetDialogService(&dialogs);
    DeleteFile(GetDefaultIniName());
    work = std::string(QV_BINARY_DIR) + "/file_browser_files";
    std::filesystem::remove_all(work);
    ForceDirectories(work + "/sub & more");
    std::filesystem::copy_file(kLinear, work + "/a.mff");
    WriteText(work + "/b.txt", "text\n");
    WriteText(work + "/c.mff", "// c\n");
    main = std::make_unique<TFitForm>();
    main->show();
    QApplication::processEvents();
    browser = std::make_unique<TFileBrowser>(*main);
  }
  void TearDown() override {
    browser.reset();
    main->CodeMemo().SetModified(false);
    main->close();
    main.reset();
    SetDialogService(nullptr);
  }
  TFileForm& Open() {
    if (!browser->IsOpen()) browser->FilePanel1Click();
    TFileForm& f = *browser->Form();
    f.SetFolder(work);
    Settle();
    return f;
  }
  static void Settle(int ms = 50) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> v;
    TListItems& items = browser->Form()->ShellList().Items();
    for (int i = 0; i < items.Count(); ++i) v.push_back(Name(items.Item(i)));
    return v;
  }
  static std::string Name(TListItem& item) {
    TUiShellListData* d = TUiCustomShellList::ItemData(item);
    return d ? d->DisplayName() : std::string();
  }
  bool Shows(const std::string& name) {
    for (const std::string& n : Names())
      if (n == name) return true;
    return false;
  }
  void Select(const std::string& name) {
    TListItems& items = browser->Form()->ShellList().Items();
    for (int i = 0; i < items.Count(); ++i) {
      TListItem& it = items.Item(i);
      it.SetSelected(Name(it) == name);
      if (Name(it) == name) it.SetFocused(true);
    }
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> m;
    for (const auto& e : dialogs.Log())
      if (e.Kind == "Message") m.push_back(e.Text);
    return m;
  }

  TScriptedDialogs dialogs;
  std::unique_ptr<TFitForm> main;
  std::unique_ptr<TFileBrowser> browser;
  std::string work;
};

TEST_F(FileBrowserTest, FilterAppliesAndTypedFiltersAreKept) {
  TFileForm& f = Open();
  EXPECT_TRUE(Shows("a.mff"));
  EXPECT_TRUE(Shows("c.mff"));
  EXPECT_FALSE(Shows("b.txt"));
  EXPECT_EQ(StdStr(f.windowTitle()), "File Browse");
  // The list's items give the filter between "." and ")".
  f.FilterBox->setCurrentText("Text Files (*.txt)");
  f.FilterBoxChange();
  Settle();
  EXPECT_EQ(f.ShellList().FileFilter(), "*.txt");
  EXPECT_TRUE(Shows("b.txt"));
  EXPECT_FALSE(Shows("a.mff"));
  // A typed filter is kept in the list for the next start.
  f.FilterBox->setCurrentText("*.DAT");
  browser->FilePanel1Click();  // closes
  EXPECT_FALSE(browser->IsOpen());
  TFileForm& again = Open();
  EXPECT_GE(again.FilterBox->findText("*.dat"), 3);
  EXPECT_EQ(StdStr(again.FilterBox->currentText()), "*.dat");
  EXPECT_EQ(again.ShellList().FileFilter(), "*.dat");
  EXPECT_LE(again.FilterBox->count(), 10);
}

TEST_F(FileBrowserTest, FileAddedToTheFolderShowsAfterTheHoldBack) {
  Open();
  ASSERT_FALSE(Shows("new.mff"));
  WriteText(work + "/new.mff", "// new\n");
  QElapsedTimer t;
  t.start();
  while (!Shows("new.mff") && t.elapsed() < 6000) Settle(50);
  EXPECT_TRUE(Shows("new.mff"));
  // Within twice the unfocused hold-back.
  EXPECT_LT(t.elapsed(), 4500);
}

TEST_F(FileBrowserTest, DoubleClickOpensAModelAndTheOpenOneWithoutAsking) {
  TFileForm& f = Open();
  Select("a.mff");
  f.UiShellList1DblClick();
  EXPECT_EQ(main->FileName(), work + "/a.mff");
  EXPECT_EQ(StdStr(main->windowTitle()), "Quorvane - [" + work + "/a.mff]");
  EXPECT_TRUE(Messages().empty());
  // The open model again, unchanged: no question.
  f.UiShellList1DblClick();
  EXPECT_TRUE(Messages().empty());
  // Changed: the save question comes first; Cancel keeps the edits.
  main->CodeMemo().SetModified(true);
  dialogs.PushResult(mrCancel);
  f.UiShellList1DblClick();
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(main->CodeMemo().Modified());
  // Enter in the list opens too.
  main->CodeMemo().SetModified(false);
  Select("c.mff");
  EXPECT_TRUE(f.FormKeyDown(Qt::Key_Return, true, false));
  EXPECT_EQ(main->FileName(), work + "/c.mff");
}

TEST_F(FileBrowserTest, MouseDoubleClickOnAModelOpensItInTheMainWindow) {
  TFileForm& f = Open();
  f.SetViewStyle(3);
  f.resize(320, 300);
  Settle(100);
  TListItem* target = nullptr;
  TListItems& items = f.ShellList().Items();
  for (int i = 0; i < items.Count(); ++i)
    if (Name(items.Item(i)) == "a.mff") target = &items.Item(i);
  ASSERT_NE(target, nullptr);
  const TRect r = target->DisplayRect(drLabel);
  const QPointF at(r.Left + 4, (r.Top + r.Bottom) / 2.0);
  QWidget* list = f.UiShellList1->viewport();
  const QPointF global = list->mapToGlobal(at);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    QMouseEvent e(type, at, global, Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(list, &e);
  }
  Settle(100);
  EXPECT_EQ(main->FileName(), work + "/a.mff");
  EXPECT_TRUE(Messages().empty());
  ASSERT_TRUE(f.grab().save(QStr(std::string(QV_BINARY_DIR) + "/file-browser.png"), "PNG"));
}

TEST_F(FileBrowserTest, RenameNeverReplacesAndFollowsTheOpenModel) {
  TFileForm& f = Open();
  Select("a.mff");
  f.UiShellList1DblClick();
  struct Case {
    std::string name, message;
  } refused[] = {{"c.mff", "File of \"c.mff\" existed, try anothre name!"},
                 {"x/y.mff", "\"x/y.mff\" is not a valid file name."}};
  for (const Case& c : refused) {
    dialogs.ClearLog();
    TScriptedDialogs::TAnswer a;
    a.Value = c.name;
    dialogs.Push(a);
    Select("a.mff");
    f.RenameActionExecute();
    ASSERT_EQ(Messages().size(), 1u) << c.name;
    EXPECT_EQ(Messages()[0], c.message);
    EXPECT_TRUE(FileExists(work + "/a.mff"));
    EXPECT_EQ(FileSizeOf(work + "/c.mff"), 5);
  }
  TScriptedDialogs::TAnswer a;
  a.Value = "renamed.mff";
  dialogs.Push(a);
  Select("a.mff");
  f.RenameActionExecute();
  EXPECT_FALSE(FileExists(work + "/a.mff"));
  EXPECT_TRUE(FileExists(work + "/renamed.mff"));
  EXPECT_EQ(main->FileName(), work + "/renamed.mff");
  EXPECT_EQ(StdStr(main->windowTitle()), "Quorvane - [" + work + "/renamed.mff]");
}

TEST_F(FileBrowserTest, DeleteGoesToTheTrashAndKeepsTheEditorsChanges) {
  TFileForm& f = Open();
  Select("a.mff");
  f.UiShellList1DblClick();
  main->CodeMemo().SetModified(true);
  // No: nothing happens.
  dialogs.PushResult(mrNo);
  Select("a.mff");
  f.DelShellFileExecute();
  EXPECT_TRUE(FileExists(work + "/a.mff"));
  dialogs.PushResult(mrYes);
  Select("a.mff");
  f.DelShellFileExecute();
  EXPECT_FALSE(FileExists(work + "/a.mff"));
  const std::string trash = std::string(getenv("XDG_DATA_HOME")) + "/Trash";
  EXPECT_TRUE(FileExists(trash + "/files/a.mff"));
  EXPECT_TRUE(FileExists(trash + "/info/a.mff.trashinfo"));
  // The editor's unsaved text is still marked as changed.
  EXPECT_TRUE(main->CodeMemo().Modified());
  EXPECT_EQ(dialogs.Log()[dialogs.Log().size() - 1].Text,
            "Are you sure to delete selected file/folder?");
  std::filesystem::remove_all(trash);
}

TEST_F(FileBrowserTest, FavouritesKeepTheirPathsExactly) {
  TFileForm& f = Open();
  ASSERT_GE(f.LBox.size(), 5u);
  EXPECT_NE(f.LBox[4].find("Regression Curve Fit"), std::string::npos);
  const std::string odd = work + "/sub & more";
  f.LBox = {odd, work + "/gone"};
  f.FolderMenuPopup();
  const QList<QAction*> actions = f.FolderMenu->actions();
  ASSERT_EQ(actions.size(), 4);  // two folders, the separator, Edit
  EXPECT_EQ(StdStr(actions[0]->data().toString()), odd);
  EXPECT_EQ(StdStr(actions[0]->text()), work + "/sub && more");
  actions[0]->trigger();
  Settle();
  EXPECT_EQ(f.Folder(), odd);
  f.FolderMenuPopup();
  EXPECT_TRUE(f.FolderMenu->actions()[0]->isChecked());
  // A folder that has gone is reported and dropped.
  f.OpenFavouriteFolder(work + "/gone");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "The folder of \"" + work + "/gone\" does not existed!");
  EXPECT_EQ(f.LBox, std::vector<std::string>{odd});
  // Editing: the ticked folder becomes the favourites button's.
  f.EditFavourites = [&](std::vector<std::string>& folders, int& ticked) {
    folders.push_back(work);
    ticked = 1;
    return true;
  };
  f.Edit1Click();
  EXPECT_EQ(f.LBox, (std::vector<std::string>{odd, work}));
  EXPECT_EQ(f.FPanelCaption, work);
  f.SetFolder(odd);
  f.ToolButton3Click();
  Settle();
  EXPECT_EQ(f.Folder(), work);
}

TEST_F(FileBrowserTest, FavouritesAreEditedInTheFolderSelectionForm) {
  ConnectInputForm(main->Hooks());
  TFileForm& f = Open();
  const std::string sub = work + "/sub & more";
  f.LBox = {work, sub};
  f.FPanelCaption = sub;
  std::string title;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<TTestForm*>(QApplication::activeModalWidget());
    if (!form) {
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
      return;
    }
    title = form->windowTitle().toStdString();
    EXPECT_EQ(form->ListBox1->count(), 2);
    EXPECT_EQ(form->ListBox1->item(1)->checkState(), Qt::Checked);
    form->ListBox1->item(0)->setCheckState(Qt::Checked);
    TScriptedDialogs::TAnswer a;
    a.Value = "/";
    dialogs.Push(a);
    form->AddButtonClick();
    form->accept();
  });
  f.Edit1Click();
  EXPECT_EQ(title, "Folder Selection");
  EXPECT_EQ(f.LBox, (std::vector<std::string>{work, sub, "/"}));
  EXPECT_EQ(f.FPanelCaption, work);
  // The favourites menu lists them, the ticked one checked when open.
  f.SetFolder(work);
  Settle();
  f.FolderMenuPopup();
  const QList<QAction*> actions = f.FolderMenu->actions();
  ASSERT_EQ(actions.size(), 5);
  EXPECT_TRUE(actions[0]->isChecked());
  EXPECT_FALSE(actions[1]->isChecked());
}

TEST_F(FileBrowserTest, RootFolderItemsHaveTheirOwnPaths) {
  TFileForm& f = Open();
  f.FilterBox->setCurrentText("*.*");
  f.FilterBoxChange();
  f.SetFolder("/");
  Settle();
  Select("usr");
  EXPECT_EQ(f.SelectedPath(), "/usr");
  f.Open1Click();
  Settle();
  EXPECT_EQ(f.Folder(), "/usr");
  f.OneLeveUpActionExecute();
  Settle();
  EXPECT_EQ(f.Folder(), "/");
  // Views from the menu's tags and the check mark.
  f.IconView1Click(2);
  f.ShellMenuPopup();
  EXPECT_EQ(f.ShellList().ViewStyle(), vsReport);
  EXPECT_TRUE(f.ShellMenu->findChild<QAction*>("ReportView1")->isChecked());
  EXPECT_FALSE(f.ShellMenu->findChild<QAction*>("IconView1")->isChecked());
}

TEST_F(FileBrowserTest, ControlsFollowTheSearchState) {
  TFileForm& f = Open();
  browser->EnableControls(false);
  EXPECT_FALSE(f.UiShellList1->isEnabled());
  EXPECT_FALSE(f.FilterBox->isEnabled());
  browser->EnableControls(true);
  EXPECT_TRUE(f.UiShellList1->isEnabled());
  // The folder shown is where the browser opens next time.
  EXPECT_EQ(ComponentCaption(main->Component("LDockPanel")), work);
}

}  // namespace
}  // namespace qv
