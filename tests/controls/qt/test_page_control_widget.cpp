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

class PageControlWidget : public ::testing::Test {
 protected:
  void SetUp() override {
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
  // Pixels of the page control, in the window's coordinates.
  const QPoint at = m.pc->viewport()->mapTo(&m.window, QPoint(0, 0));
  auto px = [&](int x, int y) {
    const QColor q = shot.pixelColor(at.x() + x, at.y() + y);
    return RGB(q.red(), q.green(), q.blue());
  };
  auto count = [&](const TRect& r, auto match) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += match(px(x, y));
    return n;
  };
  auto navy = [](TColor p) { return GetBValue(p) > 90 && GetRValue(p) < 60 && GetGValue(p) < 60; };
  auto dark = [](TColor p) { return GetRValue(p) + GetGValue(p) + GetBValue(p) < 200; };
  const TColor face = ColorToRGB(clBtnFace);
  // The selected tab: the highlight bar on its outer edge, its caption in
  // the active caption colour; the others in black.
  const TRect sel = c.TabRect(1);
  EXPECT_EQ(px(sel.Left + 6, sel.Top + 1), ColorToRGB(clHighlight));
  EXPECT_GT(count(c.TabContentRect(1), navy), 20);
  EXPECT_GT(count(c.TabContentRect(0), dark), 20);
  EXPECT_EQ(count(c.TabContentRect(0), navy), 0);
  // Single slant: the right end of the first tab falls away to the card.
  const TRect first = c.TabRect(0);
  EXPECT_EQ(px(first.Right - first.Height() + 3, first.Top + 1), face);  // the parent shows
  // No shadow: beside the card frame lies the parent's colour.
  const TRect frame = c.CardRect();
  EXPECT_EQ(px(frame.Right, frame.Top + 20), ColorToRGB(clBtnShadow));
  EXPECT_EQ(px(m.pc->viewport()->width() - 1, frame.Top + 20), ColorToRGB(clBtnShadow));
  // Bold: the selected caption is wider than the same text in the plain font.
  TFont plain;
  plain.Assign(c.Font());
  TFont bold;
  bold.Assign(c.Font());
  bold.SetStyle(TFontStyles{fsBold});
  EXPECT_GT(FontService().TextExtent(bold, "Settlemetns").cx,
            FontService().TextExtent(plain, "Settlemetns").cx);
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

TEST_F(PageControlWidget, PageIndexChecksAndTabIndexPastTheEnd) {
  TMainWindowPages m;
  TUiPageControl& c = m.pc->PageControl();
  for (int bad : {3, -1}) {
    try {
      c.Pages(0)->SetPageIndex(bad);
      ADD_FAILURE() << bad;
    } catch (const EUiPageError& e) {
      EXPECT_EQ(e.Message(),
                Format("%d is an invalid PageIndex value. PageIndex must be between 0 and 2", bad));
    }
  }
  // Moving a page moves its tab and keeps its widget.
  TUiTabSheetWidget* results = m.pc->PageWidget(2);
  c.Pages(2)->SetPageIndex(0);
  EXPECT_EQ(c.Tabs()[0].Caption, "Results");
  EXPECT_EQ(m.pc->PageWidget(0), results);
  // TabIndex := the tab count: no tab selected, the page stays.
  c.SetTabIndex(c.TabCount());
  EXPECT_EQ(c.TabIndex(), -1);
  EXPECT_TRUE(m.settings->isVisible());
}
