// Drops on the editor widget: blocks dragged from editors of this program
// (copied or moved as the editors decide, refused by a read-only editor,
// nothing when dropped inside the own selection) and files from other
// programs (reaching OnDropFiles only with eoDropFiles).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <memory>

#include "editor/qt/CodeEditWidget.h"
#include "platform/gui/QtCanvas.h"

namespace qv {
namespace {

struct DragDropTest : ::testing::Test {
  static void SetUpTestSuite() { InstallQtGraphics(); }
  TCodeEditWidget source, target;
  DragDropTest() {
    source.resize(300, 200);
    target.resize(300, 200);
    source.Edit().SetText("abcd efgh");
    source.Edit().SetBlockBegin(TPoint(6, 1));
    source.Edit().SetBlockEnd(TPoint(10, 1));  // "efgh"
    target.Edit().SetText("1234\r\n5678");
  }
  // Enter, move and drop of Data at a text position of To; answers whether
  // the drop was accepted.
  static bool Drop(TCodeEditWidget& To, const QMimeData* Data, TPoint At,
                   Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    const TPoint p = To.Edit().RowColumnToPixels(At);
    const QPointF pos(p.X + 1, p.Y + 2);
    QWidget* vp = To.viewport();
    QDragEnterEvent enter(pos.toPoint(), Qt::CopyAction | Qt::MoveAction, Data, Qt::LeftButton,
                          Mods);
    QApplication::sendEvent(vp, &enter);
    QDragMoveEvent move(pos.toPoint(), Qt::CopyAction | Qt::MoveAction, Data, Qt::LeftButton, Mods);
    QApplication::sendEvent(vp, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(pos, Qt::CopyAction | Qt::MoveAction, Data, Qt::LeftButton, Mods);
    QApplication::sendEvent(vp, &drop);
    return drop.isAccepted();
  }
};

TEST_F(DragDropTest, BlockFromAnotherEditorIsCopiedOrWithShiftMoved) {
  std::unique_ptr<QMimeData> data(TCodeEditWidget::DragData(source));
  EXPECT_EQ(TCodeEditWidget::DragSource(data.get()), &source);
  ASSERT_TRUE(Drop(target, data.get(), TPoint(3, 1)));
  EXPECT_EQ(target.Edit().Lines().Get(0), "12efgh34");
  EXPECT_EQ(target.Edit().SelText(), "efgh");  // the dropped text is selected
  EXPECT_EQ(source.Edit().Lines().Get(0), "abcd efgh");
  // One undo takes the drop back.
  target.Edit().Undo();
  EXPECT_EQ(target.Edit().Lines().Get(0), "1234");

  ASSERT_TRUE(Drop(target, data.get(), TPoint(1, 2), Qt::ShiftModifier));
  EXPECT_EQ(target.Edit().Lines().Get(1), "efgh5678");
  EXPECT_EQ(source.Edit().Lines().Get(0), "abcd");  // trailing blanks are trimmed
}

TEST_F(DragDropTest, ReadOnlyTargetsAndDeadSourcesRefuse) {
  std::unique_ptr<QMimeData> data(TCodeEditWidget::DragData(source));
  target.Edit().SetReadOnly(true);
  EXPECT_FALSE(Drop(target, data.get(), TPoint(3, 1)));
  EXPECT_EQ(target.Edit().Lines().Get(0), "1234");
  target.Edit().SetReadOnly(false);
  // Data naming an editor that no longer exists is not a block.
  std::unique_ptr<QMimeData> stale;
  {
    TCodeEditWidget gone;
    gone.Edit().SetText("zz");
    gone.Edit().SelectAll();
    stale.reset(TCodeEditWidget::DragData(gone));
  }
  EXPECT_EQ(TCodeEditWidget::DragSource(stale.get()), nullptr);
  EXPECT_FALSE(Drop(target, stale.get(), TPoint(1, 1)));
  EXPECT_EQ(target.Edit().Text(), "1234\r\n5678\r\n");
}

TEST_F(DragDropTest, WithinOneEditorMovesUnlessDroppedOnTheSelection) {
  std::unique_ptr<QMimeData> data(TCodeEditWidget::DragData(source));
  // Inside its own selection nothing happens.
  Drop(source, data.get(), TPoint(7, 1));
  EXPECT_EQ(source.Edit().Lines().Get(0), "abcd efgh");
  // Before it: moved.
  ASSERT_TRUE(Drop(source, data.get(), TPoint(1, 1)));
  EXPECT_EQ(source.Edit().Lines().Get(0), "efghabcd");
  // With Ctrl: copied.
  source.Edit().SetBlockBegin(TPoint(1, 1));
  source.Edit().SetBlockEnd(TPoint(3, 1));
  ASSERT_TRUE(Drop(source, data.get(), TPoint(9, 1), Qt::ControlModifier));
  EXPECT_EQ(source.Edit().Lines().Get(0), "efghabcdef");
}

TEST_F(DragDropTest, LeavingPutsTheCaretBack) {
  std::unique_ptr<QMimeData> data(TCodeEditWidget::DragData(source));
  target.Edit().SetCaretXY(TPoint(1, 1));
  const TPoint p = target.Edit().RowColumnToPixels(TPoint(4, 2));
  QDragEnterEvent enter(QPoint(p.X + 1, p.Y + 2), Qt::CopyAction | Qt::MoveAction, data.get(),
                        Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target.viewport(), &enter);
  EXPECT_EQ(target.Edit().CaretXY(), TPoint(4, 2));  // the caret follows the pointer
  QDragLeaveEvent leave;
  QApplication::sendEvent(target.viewport(), &leave);
  EXPECT_EQ(target.Edit().CaretXY(), TPoint(1, 1));  // back at the last press
}

TEST_F(DragDropTest, FilesReachOnDropFilesWithTheOption) {
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/tmp/one model.mff"), QUrl("https://example.org/x"),
                 QUrl::fromLocalFile("/tmp/two.ssf")});
  std::vector<std::string> got;
  TPoint at;
  target.Edit().OnDropFiles = [&](TCustomCodeEdit*, int X, int Y,
                                  const std::vector<std::string>& Files) {
    got = Files;
    at = TPoint(X, Y);
  };
  EXPECT_FALSE(Drop(target, &files, TPoint(1, 1)));
  EXPECT_TRUE(got.empty());
  target.Edit().SetOptions(target.Edit().Options() | eoDropFiles);
  ASSERT_TRUE(Drop(target, &files, TPoint(2, 2)));
  EXPECT_EQ(got, (std::vector<std::string>{"/tmp/one model.mff", "/tmp/two.ssf"}));
  const TPoint p = target.Edit().RowColumnToPixels(TPoint(2, 2));
  EXPECT_EQ(at, TPoint(p.X + 1, p.Y + 2));
  EXPECT_EQ(target.Edit().Text(), "1234\r\n5678\r\n");
}

}  // namespace
}  // namespace qv
