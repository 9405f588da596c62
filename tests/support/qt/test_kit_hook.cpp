// Window hooks as event filters: order of the handlers, Handled, the
// widget's own handling between before and after, re-created windows, the
// removal of the hooked widget, and the registered cursors.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtHost.h"
#include "support/qt/QtKitHook.h"

namespace qv {
namespace {

// A widget that logs what reaches its own handlers.
class TProbe : public QWidget {
 public:
  std::vector<std::string>* Log = nullptr;

 protected:
  void mousePressEvent(QMouseEvent*) override { Log->push_back("widget press"); }
  void keyPressEvent(QKeyEvent* e) override {
    Log->push_back("widget key " + std::to_string(e->key()));
  }
};

class KitHookTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
  void SetUp() override { probe.Log = &log; }
  void Press(int x, int y) {
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, y), QPointF(x, y), Qt::LeftButton,
                  Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&probe, &e);
  }
  THookMessageEvent Logger(const std::string& name, bool handle = false) {
    return [this, name, handle](TKitWindowHook&, TMessage& m, bool& handled) {
      if (m.Msg == WM_LBUTTONDOWN) {
        log.push_back(name + " " + std::to_string(LoWordSigned(m.LParam)) + "," +
                      std::to_string(HiWordSigned(m.LParam)) + " keys " + std::to_string(m.WParam) +
                      " result " + std::to_string(m.Result));
        handled = handle;
      }
    };
  }
  std::vector<std::string> log;
  TProbe probe;
};

TEST_F(KitHookTest, HooksRunLastAttachedFirstAroundTheWidget) {
  TKitWindowHook a, b;
  a.BeforeMessage = Logger("a before");
  a.AfterMessage = Logger("a after");
  b.BeforeMessage = Logger("b before");
  b.AfterMessage = Logger("b after");
  a.SetWinControl(&probe);
  b.SetWinControl(&probe);
  Press(5, -3);
  const std::vector<std::string> expected = {
      "b before 5,-3 keys 5 result 0", "a before 5,-3 keys 5 result 0", "widget press",
      "b after 5,-3 keys 5 result 1", "a after 5,-3 keys 5 result 1"};
  EXPECT_EQ(log, expected);
}

TEST_F(KitHookTest, HandledStopsTheChain) {
  TKitWindowHook a, b;
  a.BeforeMessage = Logger("a before");
  b.BeforeMessage = Logger("b before", true);
  a.SetWinControl(&probe);
  b.SetWinControl(&probe);
  Press(1, 2);
  EXPECT_EQ(log, std::vector<std::string>{"b before 1,2 keys 5 result 0"});

  log.clear();
  b.BeforeMessage = Logger("b before");
  b.AfterMessage = Logger("b after", true);
  a.AfterMessage = Logger("a after");
  Press(1, 2);
  EXPECT_EQ(
      log, (std::vector<std::string>{"b before 1,2 keys 5 result 0", "a before 1,2 keys 5 result 0",
                                     "widget press", "b after 1,2 keys 5 result 1"}));
}

TEST_F(KitHookTest, InactiveHookAndDetachedControlHook) {
  TKitWindowHook a;
  a.BeforeMessage = Logger("a");
  a.SetWinControl(&probe);
  ASSERT_NE(THookList::Instance().Find(&probe), nullptr);
  a.SetActive(false);
  Press(0, 0);
  EXPECT_EQ(log, std::vector<std::string>{"widget press"});
  QApplication::processEvents();  // the empty control hook goes after the event
  EXPECT_EQ(THookList::Instance().Find(&probe), nullptr);
  a.SetActive(true);
  log.clear();
  Press(0, 0);
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(KitHookTest, ReCreatedWindowKeepsTheHook) {
  TKitWindowHook a;
  a.BeforeMessage = Logger("a");
  a.SetWinControl(&probe);
  probe.show();
  const WId first = probe.winId();
  probe.setWindowFlags(Qt::Tool);  // re-creates the native window
  probe.show();
  (void)first;
  Press(3, 4);
  EXPECT_EQ(log.front(), "a 3,4 keys 5 result 0");
  probe.hide();
}

TEST_F(KitHookTest, RemovedWidgetClearsWinControl) {
  TKitWindowHook a;
  a.BeforeMessage = Logger("a");
  {
    QWidget w;
    a.SetWinControl(&w);
    EXPECT_EQ(a.WinControl(), &w);
  }
  EXPECT_EQ(a.WinControl(), nullptr);
  a.SetWinControl(&probe);  // hooking again works
  Press(0, 0);
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(KitHookTest, IsFormHooksTheOwner) {
  TKitWindowHook a(&probe);
  EXPECT_FALSE(a.IsForm());
  a.SetIsForm(true);
  EXPECT_EQ(a.WinControl(), &probe);
  EXPECT_TRUE(a.IsForm());
}

TEST_F(KitHookTest, KeysArriveAsVirtualKeys) {
  TKitWindowHook a;
  std::vector<std::pair<unsigned, std::intptr_t>> seen;
  a.BeforeMessage = [&](TKitWindowHook&, TMessage& m, bool&) {
    if (m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN) seen.emplace_back(m.Msg, m.WParam);
  };
  a.SetWinControl(&probe);
  QKeyEvent k1(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
  QKeyEvent k2(QEvent::KeyPress, Qt::Key_X, Qt::AltModifier);
  QApplication::sendEvent(&probe, &k1);
  QApplication::sendEvent(&probe, &k2);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], std::make_pair(WM_KEYDOWN, std::intptr_t(VK_F1 + 8)));
  EXPECT_EQ(seen[1], std::make_pair(WM_SYSKEYDOWN, std::intptr_t('X')));
}

TEST_F(KitHookTest, HandlerExceptionIsReportedNotThrown) {
  std::vector<std::string> reports;
  SetHostExceptionReporter([&](const std::string& m) { reports.push_back(m); });
  TKitWindowHook a;
  a.BeforeMessage = [](TKitWindowHook&, TMessage& m, bool&) {
    if (m.Msg == WM_LBUTTONDOWN) throw std::runtime_error("bad handler");
  };
  a.SetWinControl(&probe);
  Press(0, 0);
  SetHostExceptionReporter(nullptr);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("bad handler"), std::string::npos);
}

TEST_F(KitHookTest, KitCursorsAreRegistered) {
  RegisterKitCursors();
  TControlWidget w;
  w.SetCursor(crHand);
  EXPECT_EQ(w.viewport()->cursor().shape(), Qt::PointingHandCursor);
  w.SetCursor(crDragHand);
  EXPECT_EQ(w.viewport()->cursor().shape(), Qt::ClosedHandCursor);
  w.SetCursor(crIBeam);
  EXPECT_EQ(w.viewport()->cursor().shape(), Qt::IBeamCursor);
}

}  // namespace
}  // namespace qv
