// The page control as a Qt container: pages hold child widgets, only the
// active page shows, Ctrl+Tab cycles, and the main window's configuration
// renders as expected in classic mode.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "controls/qt/QtUiTabs.h"
#include "controls/qt/QtUiTheme.h"
#include "platform/gui/QtCanvas.h"

using namespace qv;

namespace {

QApplication& App() {
  static int argc = 1;
  static char arg0[] = "test";
  static char* argv[] = {arg0, nullptr};
  static QApplication* app = qApp ? qApp : new QApplication(argc, argv);
  return *app;
}

class PageControlWidget : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    InstallQtTheme(true);
    ResetSysColors();
  }
};

// The main window's page control: three pages, the second active, bold
// current tab, single slant, no shadow, transparent, the selected caption
// in the active caption colour.
struct TMainWindowPages {
  QWidget window;
  TUiPageControlWidget* pc;
  QLineEdit* program;
  QLineEdit* settings;
  TMainWindowPages() {
    window.resize(420, 260);
    // The classic scheme's face colour behind the transparent control.
    QPalette pal = window.palette();
    const TColor face = ColorToRGB(clBtnFace);
    pal.setColor(QPalette::Window, QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
    window.setPalette(pal);
    window.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(4, 4, 4, 4);
    pc = new TUiPageControlWidget(&window);
    layout->addWidget(pc);
    TUiPageControl& c = pc->PageControl();
    c.BeginLoading();
    TUiTabSheetWidget* p1 = pc->AddPage("Program");
    TUiTabSheetWidget* p2 = pc->AddPage("Settlemetns");
    pc->AddPage("Results");
    c.SetBackgroundColor(clBtnFace);
    c.SetBoldCurrentTab(true);
    c.SetHotTrack(false);
    c.SetHotTrackStyle(htsText);
    c.SetParentBackgroundColor(false);
    c.SetShowFocusRect(false);
    c.SetShowShadow(false);
    c.TextColors().SetSelected(clActiveCaption);
    c.SetTransparent(true);
    c.SetFixedDimension(18);
    c.SetActivePage(c.Pages(1));
    c.SetTabIndex(1);
    c.Loaded();
    auto* l1 = new QVBoxLayout(p1);
    program = new QLineEdit("model text", p1);
    l1->addWidget(program);
    auto* l2 = new QVBoxLayout(p2);
    settings = new QLineEdit("settings", p2);
    l2->addWidget(settings);
    l2->addWidget(new QLabel("Algorithm", p2));
    window.show();
    QApplication::processEvents();
  }
};

}  // namespace

TEST_F(PageControlWidget, MainWindowConfigurationShowsTheSecondPage) {
  TMainWindowPages m;
  TUiPageControl& c = m.pc->PageControl();
  EXPECT_EQ(c.ActivePageIndex(), 1);
  EXPECT_EQ(c.TabIndex(), 1);
  EXPECT_FALSE(m.program->isVisible());
  EXPECT_TRUE(m.settings->isVisible());
  // The page widget fills the card.
  const TRect card = c.CardRect();
  const QRect g = m.pc->PageWidget(1)->geometry();
  EXPECT_EQ(g, QRect(card.Left, card.Top, card.Width(), card.Height()));

  QImage shot = m.window.grab().toImage();
  ASSERT_FALSE(shot.isNull());
  shot.save(QString(QV_BINARY_DIR) + "/main_window_pages.png");
  shot.copy(0, 0, 260, 40)
      .scaled(1040, 160)
      .save(QString(QV_BINARY_DIR) + "/main_window_pages_zoom.png");
}

TEST_F(PageControlWidget, ClickingATabShowsItsPage) {
  TMainWindowPages m;
  TUiPageControl& c = m.pc->PageControl();
  const TRect r = c.TabRect(0);
  const QPoint at(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, m.pc->viewport()->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m.pc->viewport(), &press);
  EXPECT_EQ(c.ActivePageIndex(), 0);
  EXPECT_TRUE(m.program->isVisible());
  EXPECT_FALSE(m.settings->isVisible());
}

TEST_F(PageControlWidget, CtrlTabWrapsAroundAndFollowsTheFocus) {
  TMainWindowPages m;
  TUiPageControl& c = m.pc->PageControl();
  m.window.activateWindow();
  m.settings->setFocus();
  QApplication::processEvents();
  auto ctrlTab = [&](bool shift) {
    QKeyEvent e(QEvent::KeyPress, shift ? Qt::Key_Backtab : Qt::Key_Tab,
                shift ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : m.settings;
    QApplication::sendEvent(target, &e);
  };
  ctrlTab(false);
  EXPECT_EQ(c.ActivePageIndex(), 2);
  ctrlTab(false);  // from the last page back to the first
  EXPECT_EQ(c.ActivePageIndex(), 0);
  ctrlTab(true);  // and backwards to the last
  EXPECT_EQ(c.ActivePageIndex(), 2);
}

TEST_F(PageControlWidget, ClosingAPageDeletesItsWidget) {
  TMainWindowPages m;
  TUiPageControl& c = m.pc->PageControl();
  QPointer<TUiTabSheetWidget> w = m.pc->PageWidget(1);
  c.OnClose = [](bool& allow) { allow = true; };
  c.SetShowCloseButton(true);
  c.CloseActiveTab();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.isNull());
  EXPECT_EQ(c.PageCount(), 2);
  EXPECT_EQ(c.ActivePageIndex(), 0);
  EXPECT_TRUE(m.program->isVisible());
}
