// The widget host: a Qt widget that hosts a control core (ControlCore.h),
// translating Qt events into the core's calls and offering the host
// services (invalidation, capture, timers, cursors, caret, scroll bars,
// posting to self). Exceptions thrown by the core never reach Qt's event
// loop: they are caught here and passed to the exception reporter.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <functional>
#include <map>

#include "platform/core/ControlCore.h"

namespace qv {

// Receives the message of an exception caught at a widget boundary. The
// default writes it to standard error.
void SetHostExceptionReporter(std::function<void(const std::string&)> reporter);
void ReportHostException(const std::string& where, const std::string& message);
// Runs f, reporting an exception it throws instead of passing it on (for
// code called from Qt's event handlers).
template <class F>
void GuardHostCall(const char* where, F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    ReportHostException(where, e.what());
  } catch (...) {
    ReportHostException(where, "unknown exception");
  }
}

// Qt key (and modifiers) to the Windows virtual-key number; 0 when unknown.
int QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers mods);
TShiftState QtShiftState(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons = Qt::NoButton);
// The scroll code of a scroll bar's slider action (QAbstractSlider::
// SliderAction); false for an action without one.
bool ScrollCodeOfSliderAction(int action, TScrollCode& code);

class TControlWidget : public QAbstractScrollArea, public TControlHost {
  Q_OBJECT
 public:
  // The core is not owned; it must outlive the widget or be detached with
  // SetCore(nullptr).
  explicit TControlWidget(TControlCore* core = nullptr, QWidget* parent = nullptr);
  ~TControlWidget() override;
  void SetCore(TControlCore* core);
  TControlCore* Core() const { return core_; }

  // TControlHost
  TRect ClientRect() const override;
  void Invalidate() override;
  void InvalidateRect(const TRect& r) override;
  void Update() override;
  void ScrollWindow(int dx, int dy, const TRect& r) override;
  bool Focused() const override;
  void SetFocus() override;
  void SetCapture() override;
  void ReleaseCapture() override;
  bool HasCapture() const override { return capture_; }
  void SetTimer(int id, int intervalMs) override;
  void KillTimer(int id) override;
  void SetCursor(TCursor c) override;
  void CreateCaret(int width, int height) override;
  void SetCaretPos(int x, int y) override;
  void ShowCaret() override;
  void HideCaret() override;
  void DestroyCaret() override;
  void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override;
  TScrollInfo GetScrollInfo(TScrollBarKind bar) const override;
  void PostToSelf(int msg, std::intptr_t wParam, std::intptr_t lParam) override;

  bool CaretVisible() const { return caretCreated_ && caretHide_ == 0; }
  QRect CaretRect() const { return QRect(caretPos_, caretSize_); }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  bool focusNextPrevChild(bool next) override;
  void scrollContentsBy(int, int) override {}

 private:
  template <class F>
  void Guard(const char* where, F&& f);
  void OnScrollAction(TScrollBarKind bar, int action);
  void UpdateCaretArea();

  TControlCore* core_ = nullptr;
  bool capture_ = false;
  std::map<int, int> timers_;    // core id -> Qt timer id
  std::map<int, int> timerIds_;  // Qt timer id -> core id
  TScrollInfo scroll_[2];
  bool settingScroll_ = false;
  bool caretCreated_ = false;
  int caretHide_ = 1;
  QPoint caretPos_;
  QSize caretSize_;
  bool caretOn_ = true;
  QBasicTimer caretBlink_;
  bool alive_ = true;
  std::shared_ptr<bool> token_ = std::make_shared<bool>(true);
};

}  // namespace qv
