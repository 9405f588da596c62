// The widget host: event translation, exceptions kept out of Qt's loop,
// posted messages, timers, scroll bars and the caret.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <stdexcept>

#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtHost.h"

using namespace qv;

namespace {

class TProbeCore : public TControlCore {
 public:
  std::vector<std::string> Log;
  bool ThrowInPaint = false;
  bool ThrowInKey = false;
  void Paint(TCanvas& c, const TRect& r) override {
    Log.push_back("Paint");
    if (ThrowInPaint) throw std::runtime_error("paint failed");
    c.Brush.SetColor(clBlue);
    c.FillRect(r);
  }
  void KeyDown(int& key, TShiftState s) override {
    Log.push_back("KeyDown " + std::to_string(key) + " " + std::to_string(s));
    if (ThrowInKey) throw std::runtime_error("key failed");
  }
  void KeyPress(char32_t& ch) override { Log.push_back("KeyPress " + std::to_string(int(ch))); }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    Log.push_back("MouseDown " + std::to_string(b) + " " + std::to_string(s) + " " +
                  std::to_string(x) + "," + std::to_string(y));
  }
  void Posted(int msg, std::intptr_t w, std::intptr_t) override {
    Log.push_back("Posted " + std::to_string(msg) + " " + std::to_string(w));
  }
  void Timer(int id) override {
    Log.push_back("Timer " + std::to_string(id));
    Host()->KillTimer(id);
  }
  void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override {
    Log.push_back("Scroll " + std::to_string(bar) + " " + std::to_string(code) + " " +
                  std::to_string(pos));
  }
};

class HostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
  void SetUp() override {
    SetHostExceptionReporter([this](const std::string& m) { reports.push_back(m); });
  }
  void TearDown() override { SetHostExceptionReporter(nullptr); }
  std::vector<std::string> reports;
};

}  // namespace

TEST_F(HostTest, KeysBecomeVirtualKeysWithShiftBits) {
  struct Case {
    int qtKey;
    Qt::KeyboardModifiers mods;
    int vk;
    TShiftState shift;
  };
  const Case cases[] = {
      {Qt::Key_A, Qt::NoModifier, 'A', 0},
      {Qt::Key_A, Qt::ShiftModifier | Qt::ControlModifier, 'A', ssShift | ssCtrl},
      {Qt::Key_7, Qt::AltModifier, '7', ssAlt},
      {Qt::Key_F5, Qt::NoModifier, VK_F1 + 4, 0},
      {Qt::Key_PageDown, Qt::NoModifier, VK_NEXT, 0},
      {Qt::Key_Left, Qt::ShiftModifier, VK_LEFT, ssShift},
      {Qt::Key_Return, Qt::NoModifier, VK_RETURN, 0},
      {Qt::Key_Enter, Qt::KeypadModifier, VK_RETURN, 0},
      {Qt::Key_Delete, Qt::NoModifier, VK_DELETE, 0},
      {Qt::Key_5, Qt::KeypadModifier, VK_NUMPAD0 + 5, 0},
      {Qt::Key_Semicolon, Qt::NoModifier, VK_OEM_1, 0},
      {Qt::Key_BraceLeft, Qt::ShiftModifier, VK_OEM_4, ssShift},
      {Qt::Key_Control, Qt::ControlModifier, VK_CONTROL, ssCtrl},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(QtKeyToVirtualKey(k.qtKey, k.mods), k.vk) << k.qtKey;
    EXPECT_EQ(QtShiftState(k.mods), k.shift) << k.qtKey;
  }
  EXPECT_EQ(QtShiftState(Qt::NoModifier, Qt::LeftButton | Qt::RightButton), ssLeft | ssRight);
}

TEST_F(HostTest, KeyEventsReachTheCoreWithTypedCharacters) {
  TProbeCore core;
  TControlWidget w(&core);
  QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(&w, &a);
  QKeyEvent ctrlA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, "");
  QApplication::sendEvent(&w, &ctrlA);
  QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QApplication::sendEvent(&w, &ret);
  EXPECT_EQ(core.Log, (std::vector<std::string>{"KeyDown 65 0", "KeyPress 97", "KeyDown 65 4",
                                                "KeyPress 1", "KeyDown 13 0", "KeyPress 13"}));
}

TEST_F(HostTest, ExceptionsAreCaughtAndReported) {
  TProbeCore core;
  core.ThrowInPaint = true;
  core.ThrowInKey = true;
  TControlWidget w(&core);
  w.resize(100, 80);
  w.show();
  QKeyEvent a(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
  EXPECT_NO_THROW(QApplication::sendEvent(&w, &a));
  w.viewport()->grab();
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports[0], "KeyDown: key failed");
  EXPECT_EQ(reports.back(), "Paint: paint failed");
}

TEST_F(HostTest, PaintsThroughTheCanvasAndDrawsTheCaret) {
  TProbeCore core;
  TControlWidget w(&core);
  w.resize(60, 40);
  w.show();
  w.SetFocus();
  w.CreateCaret(2, 10);
  w.SetCaretPos(5, 5);
  w.ShowCaret();
  EXPECT_TRUE(w.CaretVisible());
  QImage shot = w.viewport()->grab().toImage();
  EXPECT_EQ(shot.pixel(30, 30) & 0xFFFFFF, 0x0000FFu);  // the core filled blue
  if (w.hasFocus()) {
    EXPECT_EQ(shot.pixel(5, 5) & 0xFFFFFF, 0xFFFF00u);  // the caret inverts the blue
  }
  w.HideCaret();
  EXPECT_FALSE(w.CaretVisible());
}

TEST_F(HostTest, PostedMessagesArriveLaterInOrder) {
  TProbeCore core;
  TControlWidget w(&core);
  w.PostToSelf(1024, 1, 0);
  w.PostToSelf(1025, 2, 0);
  EXPECT_TRUE(core.Log.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(core.Log, (std::vector<std::string>{"Posted 1024 1", "Posted 1025 2"}));
  // A message posted to a widget that is gone is dropped.
  TProbeCore other;
  {
    TControlWidget gone(&other);
    gone.PostToSelf(7, 0, 0);
  }
  QCoreApplication::processEvents();
  EXPECT_TRUE(other.Log.empty());
}

TEST_F(HostTest, TimersAndScrollBars) {
  TProbeCore core;
  TControlWidget w(&core);
  w.resize(100, 100);
  w.SetTimer(3, 5);
  QEventLoop loop;
  QTimer::singleShot(100, &loop, &QEventLoop::quit);
  loop.exec();
  ASSERT_FALSE(core.Log.empty());
  EXPECT_EQ(core.Log[0], "Timer 3");

  TScrollInfo si;
  si.Min = 1;
  si.Max = 100;
  si.Page = 20;
  si.Pos = 95;  // beyond the last position, 100 - 20 + 1
  w.SetScrollInfo(sbVertical, si);
  EXPECT_EQ(w.GetScrollInfo(sbVertical).Pos, 81);
  EXPECT_EQ(w.verticalScrollBar()->maximum(), 81);
  core.Log.clear();
  // A line step asks the core; the bar only moves when the core says so.
  w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(core.Log, (std::vector<std::string>{"Scroll 1 0 80"}));
  EXPECT_EQ(w.verticalScrollBar()->value(), 81);
}
