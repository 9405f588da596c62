// The framed list view, tree view and combo boxes as Qt widgets, driven by
// real input events under the offscreen platform, in classic mode.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "controls/qt/QtUiLists.h"
#include "controls/qt/QtUiTabs.h"
#include "controls/qt/QtUiTheme.h"
#include "platform/core/ManualClock.h"
#include "platform/gui/QtCanvas.h"

using namespace qv;

namespace {

class ListWidgets : public ::testing::Test {
 protected:
  TManualClock clock;
  void SetUp() override {
    InstallQtTheme(true);
    ResetSysColors();
    SetControlTimerClock(&clock);
  }
  void TearDown() override { SetControlTimerClock(nullptr); }
};

void Click(QWidget* w, QPoint at, Qt::MouseButton b = Qt::LeftButton) {
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), b, b, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), b, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

void Key(QWidget* w, int key, const QString& text = QString(),
         Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &release);
}

}  // namespace

TEST_F(ListWidgets, ColumnClicksSortTheListView) {
  TUiListViewWidget w;
  w.resize(260, 160);
  TUiCustomListView& lv = w.ListView();
  lv.SetViewStyle(vsReport);
  lv.SetSortOnColumnClick(true);
  lv.Columns().Add().SetCaption("Name");
  lv.Columns()[0].SetWidth(120);
  lv.Columns().Add().SetCaption("Size");
  for (const char* s : {"delta", "Alpha", "charlie", "", "bravo"}) lv.Items().Add().SetCaption(s);
  w.show();
  QApplication::processEvents();
  auto order = [&] {
    std::string s;
    for (int i = 0; i < lv.Items().Count(); ++i) s += lv.Items()[i].Caption() + ",";
    return s;
  };
  const QPoint header(30, lv.HeaderHeight() / 2);
  Click(w.viewport(), header);
  EXPECT_EQ(order(), "Alpha,bravo,charlie,delta,,");
  Click(w.viewport(), header);
  EXPECT_EQ(order(), ",delta,charlie,bravo,Alpha,");
  Click(w.viewport(), header);
  EXPECT_EQ(order(), "Alpha,bravo,charlie,delta,,");
  EXPECT_EQ(lv.Columns()[0].HeaderFormat() & HDF_SORTUP, HDF_SORTUP);
  // The last column filled the rest of the viewport.
  EXPECT_EQ(lv.Columns()[1].Width(), w.viewport()->width() - 120);
}

TEST_F(ListWidgets, LabelEditingWithTheInPlaceEditor) {
  TUiListViewWidget w;
  w.resize(200, 120);
  TUiCustomListView& lv = w.ListView();
  lv.SetViewStyle(vsReport);
  lv.Columns().Add().SetWidth(150);
  lv.Items().Add().SetCaption("old name");
  w.show();
  QApplication::processEvents();
  lv.SetItemIndex(0);
  w.setFocus();
  Key(w.viewport(), Qt::Key_F2);
  ASSERT_TRUE(w.LabelEditor().Editing());
  QLineEdit* e = w.LabelEditor().Editor();
  EXPECT_TRUE(e->isVisible());
  EXPECT_EQ(e->text(), "old name");
  e->setText("new name");
  Key(e, Qt::Key_Return);
  EXPECT_FALSE(w.LabelEditor().Editing());
  EXPECT_EQ(lv.Items()[0].Caption(), "new name");
  // Escape cancels.
  Key(w.viewport(), Qt::Key_F2);
  w.LabelEditor().Editor()->setText("other");
  Key(w.LabelEditor().Editor(), Qt::Key_Escape);
  EXPECT_EQ(lv.Items()[0].Caption(), "new name");
}

TEST_F(ListWidgets, ComboTypeToSearchResetsAfter1500ms) {
  TUiComboBoxWidget w;
  TUiCustomComboBox& cb = w.ComboBox();
  cb.SetStyle(csDropDownList);
  w.SyncEdit();
  for (const char* s : {"Apple", "Apricot", "Banana", "Blueberry"}) cb.Items().Add(s);
  w.show();
  QApplication::processEvents();
  Key(w.viewport(), Qt::Key_A, "a");
  Key(w.viewport(), Qt::Key_P, "p");
  Key(w.viewport(), Qt::Key_R, "r");
  EXPECT_EQ(cb.ItemIndex(), 1);
  EXPECT_EQ(cb.SearchText(), "apr");
  clock.Advance(1499);
  EXPECT_EQ(cb.SearchText(), "apr");
  clock.Advance(1);
  EXPECT_EQ(cb.SearchText(), "");
  Key(w.viewport(), Qt::Key_B, "b");
  Key(w.viewport(), Qt::Key_L, "l");
  EXPECT_EQ(cb.ItemIndex(), 3);
  clock.Advance(1500);
  Key(w.viewport(), Qt::Key_A, "a");  // a new search after the pause
  EXPECT_EQ(cb.ItemIndex(), 0);
}

TEST_F(ListWidgets, EditableComboCompletesInItsEditField) {
  TUiComboBoxWidget w;
  TUiCustomComboBox& cb = w.ComboBox();
  for (const char* s : {"Genetic algorithm", "Particle swarm", "Differential evolution"})
    cb.Items().Add(s);
  w.show();
  QApplication::processEvents();
  QLineEdit* e = w.Edit();
  ASSERT_TRUE(e->isVisible());
  Key(e, Qt::Key_P, "p");
  EXPECT_EQ(e->text(), "Particle swarm");
  EXPECT_EQ(e->selectedText(), "article swarm");
  EXPECT_EQ(cb.ItemIndex(), 1);
  // The drop-down list opens below and picks with the mouse.
  cb.SetDroppedDown(true);
  TControlWidget* popup = w.DropDownWindow();
  ASSERT_TRUE(popup->isVisible());
  EXPECT_EQ(popup->height(), cb.ListHeight());
  const int ih = cb.ItemHeight();
  QMouseEvent move(QEvent::MouseMove, QPoint(5, 2 * ih + 2),
                   popup->viewport()->mapToGlobal(QPoint(5, 2 * ih + 2)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(popup->viewport(), &move);
  Click(popup->viewport(), QPoint(5, 2 * ih + 2));
  EXPECT_FALSE(cb.DroppedDown());
  EXPECT_FALSE(popup->isVisible());
  EXPECT_EQ(cb.ItemIndex(), 2);
  EXPECT_EQ(e->text(), "Differential evolution");
}

TEST_F(ListWidgets, CustomFramePaintsTheBorder) {
  TUiTreeViewWidget w;
  w.resize(120, 80);
  TUiCustomTreeView& tv = w.TreeView();
  tv.SetFramingPreference(fpCustomFraming);
  tv.SetFrameVisible(true);
  tv.SetFrameStyle(fsFlat);
  tv.SetFrameColor(clRed);
  tv.Items().Add(nullptr, "node");
  w.show();
  QApplication::processEvents();
  QImage shot = w.grab().toImage();
  EXPECT_EQ(shot.pixelColor(0, 40), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(60, 79), QColor(255, 0, 0));
  // Inside the frame the bevel in the control's colour covers the sunken edge.
  EXPECT_EQ(shot.pixelColor(1, 40), QColor(255, 255, 255));
  shot.save(QString(QV_BINARY_DIR) + "/framed_tree.png");
}

TEST_F(ListWidgets, ExceptionsInPaintHandlersAreReportedNotThrown) {
  std::vector<std::string> reports;
  SetHostExceptionReporter([&](const std::string& m) { reports.push_back(m); });
  TUiPageControlWidget pc;
  pc.resize(200, 100);
  pc.AddPage("A");
  pc.PageControl().SetActivePageIndex(0);
  pc.PageControl().OnPaintTabBackground = [](TCanvas&, int, const TRect&, bool&) {
    throw Exception("tab paint failed");
  };
  pc.show();
  QImage shot = pc.grab().toImage();
  EXPECT_FALSE(reports.empty());
  EXPECT_NE(reports.front().find("tab paint failed"), std::string::npos);
  pc.PageControl().OnPaintTabBackground = nullptr;
  reports.clear();
  shot = pc.grab().toImage();
  EXPECT_TRUE(reports.empty());
  SetHostExceptionReporter(nullptr);
}

TEST_F(ListWidgets, HotTrackingTimerRunsOnTheClock) {
  TUiPageControlWidget pc;
  pc.resize(300, 120);
  pc.AddPage("One");
  pc.AddPage("Two");
  pc.show();
  QApplication::processEvents();
  TUiPageControl& c = pc.PageControl();
  const TRect r = c.TabRect(1);
  QMouseEvent move(QEvent::MouseMove, QPoint(r.Left + 5, r.Top + 5),
                   pc.viewport()->mapToGlobal(QPoint(r.Left + 5, r.Top + 5)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(pc.viewport(), &move);
  EXPECT_EQ(c.HotTab(), 1);
  EXPECT_TRUE(clock.Active(&pc, UiTabHotTrackTimer));
  c.PointerPos = [] { return TPoint(-10, -10); };  // the pointer went away
  clock.Advance(60);
  EXPECT_EQ(c.HotTab(), -1);
}
