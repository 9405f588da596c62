// The shell list, combo and tree as Qt widgets under the offscreen
// platform: a live change arriving through the Qt event loop, drops of
// file URLs, the drag data, the context menu entries, and a picture of the
// file-browser arrangement (combo over list) for inspection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QThread>
#include <QVBoxLayout>

#include "../ShellTestSupport.h"
#include "controls/qt/QtUiShell.h"
#include "controls/qt/QtUiTheme.h"
#include "platform/core/Classes.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtServices.h"

using namespace qv;
using test::TMountGuard;
using test::TTempTree;

namespace {

class ShellWidgets : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InstallQtServices();
    InstallQtTheme(true);
  }
  void SetUp() override {
    T.File("alpha.mff", "a");
    T.File("beta.mff", "bb");
    T.File("readme.txt", "text");
    T.Dir("Examples");
    T.Dir("Results");
  }
  static bool pumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
      if (t.elapsed() > ms) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }
  static TListItem* find(TUiShellList& l, const std::string& name) {
    for (int i = 0; i < l.Items().Count(); ++i)
      if (l.ItemText(l.Items()[i], 0) == name) return &l.Items()[i];
    return nullptr;
  }
  TTempTree T;
  TTempTree M;
  TMountGuard Mounts{M.File("mountinfo", "")};
};

TEST_F(ShellWidgets, ALiveAddArrivesThroughTheEventLoopAfterTheHoldBack) {
  TUiShellListWidget w;
  TUiShellList& list = w.ShellList();
  list.Folder().SetPath(T.Root);
  w.resize(400, 300);
  w.show();
  ASSERT_TRUE(pumpUntil([&] { return list.Items().Count() == 5; }, 10000));
  TListItem* alpha = find(list, "alpha.mff");
  QElapsedTimer t;
  t.start();
  T.File("gamma.mff");
  ASSERT_TRUE(pumpUntil([&] { return find(list, "gamma.mff") != nullptr; }, 5000));
  const qint64 took = t.elapsed();
  EXPECT_GE(took, list.Focused() ? 350 : 1900);  // held back, not at once
  EXPECT_EQ(find(list, "alpha.mff"), alpha);
}

TEST_F(ShellWidgets, DropsOfFileUrlsCopyOrMove) {
  TTempTree outside;
  outside.File("dropped.mff", "x");
  outside.File("alpha.mff", "other");
  TUiShellListWidget w;
  TUiShellList& list = w.ShellList();
  list.SetViewStyle(vsReport);
  list.Folder().SetPath(T.Root);
  w.resize(400, 300);
  w.show();
  pumpUntil([&] { return list.Items().Count() == 5; }, 10000);

  auto drop = [&](const std::string& path, QPoint at, Qt::KeyboardModifiers mods) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, mods);
    QApplication::sendEvent(w.viewport(), &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, mods);
    QApplication::sendEvent(w.viewport(), &dropped);
    return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
  };
  // Onto the "Results" folder item: moved into it.
  const TRect r = find(list, "Results")->DisplayRect(drLabel);
  EXPECT_EQ(drop(outside.Path("dropped.mff"), QPoint(r.Left + 3, r.Top + 3), Qt::NoModifier),
            Qt::MoveAction);
  EXPECT_TRUE(std::filesystem::exists(T.Path("Results/dropped.mff")));
  // Onto empty space with Ctrl: a copy next to the one of the same name.
  EXPECT_EQ(drop(outside.Path("alpha.mff"), QPoint(390, 290), Qt::ControlModifier), Qt::CopyAction);
  EXPECT_EQ(readFileBytes(T.Path("alpha.mff")), "a");
  EXPECT_EQ(readFileBytes(T.Path("alpha (2).mff")), "other");
  EXPECT_NE(find(list, "alpha (2).mff"), nullptr);
}

TEST_F(ShellWidgets, DragDataAndMenus) {
  TShellDataObject data(T.Pidl().Get(), {MakeFileId("alpha.mff", false, false)});
  std::unique_ptr<QMimeData> mime(ShellMimeData(data));
  EXPECT_EQ(DroppedPaths(*mime), std::vector<std::string>{T.Path("alpha.mff")});
  EXPECT_TRUE(mime->hasFormat(QString::fromStdString(ClipboardFormatMime(CFSTR_SHELLIDLIST))));

  QMenu menu;
  FillShellMenu(menu, {{smOpen, "&Open", true, true},
                       {0, "", true, false},
                       {smTrash, "Move to &Trash", false, false}});
  ASSERT_EQ(menu.actions().size(), 3);
  EXPECT_EQ(menu.defaultAction(), menu.actions()[0]);
  EXPECT_TRUE(menu.actions()[1]->isSeparator());
  EXPECT_FALSE(menu.actions()[2]->isEnabled());
  EXPECT_EQ(menu.actions()[2]->data().toInt(), smTrash);
}

TEST_F(ShellWidgets, FileBrowserPicture) {
  QWidget form;
  auto* layout = new QVBoxLayout(&form);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* combo = new TUiShellComboWidget(&form);
  auto* list = new TUiShellListWidget(&form);
  layout->addWidget(combo);
  layout->addWidget(list);
  combo->ShellCombo().SetShellList(&list->ShellList());
  combo->ShellCombo().SetFrameVisible(true);
  list->ShellList().SetViewStyle(vsReport);
  list->ShellList().SetFileFilter("*.mff");
  list->ShellList().Folder().SetPath(T.Root);
  form.resize(420, 260);
  form.show();
  ASSERT_TRUE(pumpUntil([&] { return list->ShellList().Items().Count() == 4; }, 10000));
  EXPECT_EQ(combo->ShellCombo().ShellItem(combo->ShellCombo().ItemIndex())->Caption(),
            ExtractFileName(T.Root));
  const QImage shot = form.grab().toImage();
  shot.save(QString::fromStdString(std::string(QV_BINARY_DIR) + "/shell_browser.png"));
  // Something was painted in the list's rows (not one plain colour).
  const QPoint origin = list->mapTo(&form, QPoint(0, 0));
  QRgb first = shot.pixel(origin.x() + 20, origin.y() + 30);
  bool varied = false;
  for (int x = origin.x() + 4; x < origin.x() + 200 && !varied; ++x)
    for (int y = origin.y() + 24; y < origin.y() + 80 && !varied; ++y)
      varied = shot.pixel(x, y) != first;
  EXPECT_TRUE(varied);
}

TEST_F(ShellWidgets, AWidgetDestroyedWithChangesInFlight) {
  for (int round = 0; round < 3; ++round) {
    auto w = std::make_unique<TUiShellListWidget>();
    w->ShellList().Folder().SetPath(T.Root);
    w->show();
    pumpUntil([&] { return w->ShellList().Items().Count() > 0; }, 10000);
    T.File("churn" + std::to_string(round));
    QThread::msleep(30);  // the watcher has posted by now
    w.reset();
    QApplication::processEvents();  // the queued call finds its target closed
  }
}

}  // namespace
