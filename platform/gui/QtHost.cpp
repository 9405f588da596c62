#include "platform/gui/QtHost.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>
#include <exception>

#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtCursors.h"

namespace qv {

namespace {

std::function<void(const std::string&)>& Reporter() {
  static std::function<void(const std::string&)> r;
  return r;
}

}  // namespace

void SetHostExceptionReporter(std::function<void(const std::string&)> reporter) {
  Reporter() = std::move(reporter);
}

void ReportHostException(const std::string& where, const std::string& message) {
  std::string text = where + ": " + message;
  if (Reporter())
    Reporter()(text);
  else
    std::fprintf(stderr, "Quorvane: %s\n", text.c_str());
}

TShiftState QtShiftState(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
  TShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::AltModifier) s |= ssAlt;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  if (b & Qt::LeftButton) s |= ssLeft;
  if (b & Qt::RightButton) s |= ssRight;
  if (b & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

int QtKeyToVirtualKey(int k, Qt::KeyboardModifiers mods) {
  if (mods & Qt::KeypadModifier) {
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return VK_NUMPAD0 + (k - Qt::Key_0);
    switch (k) {
      case Qt::Key_Asterisk:
        return VK_MULTIPLY;
      case Qt::Key_Plus:
        return VK_ADD;
      case Qt::Key_Minus:
        return VK_SUBTRACT;
      case Qt::Key_Period:
        return VK_DECIMAL;
      case Qt::Key_Slash:
        return VK_DIVIDE;
      default:
        break;
    }
  }
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return VK_F1 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Clear:
      return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
      return VK_MENU;
    case Qt::Key_Pause:
      return VK_PAUSE;
    case Qt::Key_CapsLock:
      return VK_CAPITAL;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Print:
      return VK_SNAPSHOT;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    case Qt::Key_Help:
      return VK_HELP;
    case Qt::Key_Meta:
      return VK_LWIN;
    case Qt::Key_Menu:
      return VK_APPS;
    case Qt::Key_NumLock:
      return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
      return VK_SCROLL;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
      return VK_OEM_1;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
      return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less:
      return VK_OEM_COMMA;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      return VK_OEM_MINUS;
    case Qt::Key_Period:
    case Qt::Key_Greater:
      return VK_OEM_PERIOD;
    case Qt::Key_Slash:
    case Qt::Key_Question:
      return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
      return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
      return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
      return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
      return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
      return VK_OEM_7;
    // Shifted digits on a US keyboard.
    case Qt::Key_Exclam:
      return '1';
    case Qt::Key_At:
      return '2';
    case Qt::Key_NumberSign:
      return '3';
    case Qt::Key_Dollar:
      return '4';
    case Qt::Key_Percent:
      return '5';
    case Qt::Key_AsciiCircum:
      return '6';
    case Qt::Key_Ampersand:
      return '7';
    case Qt::Key_Asterisk:
      return '8';
    case Qt::Key_ParenLeft:
      return '9';
    case Qt::Key_ParenRight:
      return '0';
    default:
      return 0;
  }
}

TControlWidget::TControlWidget(TControlCore* core, QWidget* parent) : QAbstractScrollArea(parent) {
  InstallQtGraphics();
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
  viewport()->setMouseTracking(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_[0].Visible = scroll_[1].Visible = false;
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int a) { OnScrollAction(sbHorizontal, a); });
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int a) { OnScrollAction(sbVertical, a); });
  connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this,
          [this] { OnScrollAction(sbHorizontal, -1); });
  connect(verticalScrollBar(), &QScrollBar::sliderReleased, this,
          [this] { OnScrollAction(sbVertical, -1); });
  SetCore(core);
}

TControlWidget::~TControlWidget() {
  *token_ = false;
  if (core_) Guard("SetHost", [&] { core_->SetHost(nullptr); });
}

template <class F>
void TControlWidget::Guard(const char* where, F&& f) {
  GuardHostCall(where, std::forward<F>(f));
}

void TControlWidget::SetCore(TControlCore* core) {
  if (core_) Guard("SetHost", [&] { core_->SetHost(nullptr); });
  core_ = core;
  if (core_) Guard("SetHost", [&] { core_->SetHost(this); });
  viewport()->update();
}

TRect TControlWidget::ClientRect() const {
  QSize s = viewport()->size();
  return TRect(0, 0, s.width(), s.height());
}

void TControlWidget::Invalidate() { viewport()->update(); }

void TControlWidget::InvalidateRect(const TRect& r) {
  viewport()->update(QRect(r.Left, r.Top, r.Width(), r.Height()));
}

void TControlWidget::Update() { viewport()->repaint(); }

void TControlWidget::ScrollWindow(int, int, const TRect& r) { InvalidateRect(r); }

bool TControlWidget::Focused() const { return hasFocus(); }

void TControlWidget::SetFocus() { setFocus(Qt::OtherFocusReason); }

void TControlWidget::SetCapture() {
  capture_ = true;
  if (isVisible() && QGuiApplication::platformName() != "offscreen") viewport()->grabMouse();
}

void TControlWidget::ReleaseCapture() {
  if (capture_ && QWidget::mouseGrabber() == viewport()) viewport()->releaseMouse();
  capture_ = false;
}

void TControlWidget::SetTimer(int id, int intervalMs) {
  KillTimer(id);
  int qid = startTimer(std::max(1, intervalMs));
  if (qid == 0) return;
  timers_[id] = qid;
  timerIds_[qid] = id;
}

void TControlWidget::KillTimer(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  killTimer(it->second);
  timerIds_.erase(it->second);
  timers_.erase(it);
}

void TControlWidget::SetCursor(TCursor c) {
  if (const QCursor* registered = RegisteredScreenCursor(c)) {
    viewport()->setCursor(*registered);
    return;
  }
  Qt::CursorShape s = Qt::ArrowCursor;
  switch (c) {
    case crNone:
      s = Qt::BlankCursor;
      break;
    case crCross:
      s = Qt::CrossCursor;
      break;
    case crIBeam:
      s = Qt::IBeamCursor;
      break;
    case crSizeNESW:
      s = Qt::SizeBDiagCursor;
      break;
    case crSizeNS:
      s = Qt::SizeVerCursor;
      break;
    case crSizeNWSE:
      s = Qt::SizeFDiagCursor;
      break;
    case crSizeWE:
      s = Qt::SizeHorCursor;
      break;
    case crUpArrow:
      s = Qt::UpArrowCursor;
      break;
    case crHourGlass:
    case crSQLWait:
      s = Qt::WaitCursor;
      break;
    case crDrag:
    case crMultiDrag:
      s = Qt::DragCopyCursor;
      break;
    case crNoDrop:
    case crNo:
      s = Qt::ForbiddenCursor;
      break;
    case crHSplit:
      s = Qt::SplitHCursor;
      break;
    case crVSplit:
      s = Qt::SplitVCursor;
      break;
    case crAppStart:
      s = Qt::BusyCursor;
      break;
    case crHelp:
      s = Qt::WhatsThisCursor;
      break;
    case crHandPoint:
      s = Qt::PointingHandCursor;
      break;
    case crSizeAll:
      s = Qt::SizeAllCursor;
      break;
    default:
      break;
  }
  viewport()->setCursor(s);
}

void TControlWidget::UpdateCaretArea() {
  if (caretCreated_) viewport()->update(QRect(caretPos_, caretSize_));
}

void TControlWidget::CreateCaret(int width, int height) {
  UpdateCaretArea();
  caretCreated_ = true;
  caretHide_ = 1;  // a new caret starts hidden, as in Windows
  caretSize_ = QSize(std::max(1, width), std::max(1, height));
  caretOn_ = true;
  caretBlink_.start(std::max(100, QApplication::cursorFlashTime() / 2), this);
}

void TControlWidget::SetCaretPos(int x, int y) {
  if (caretPos_ == QPoint(x, y)) return;
  UpdateCaretArea();
  caretPos_ = QPoint(x, y);
  caretOn_ = true;
  UpdateCaretArea();
}

void TControlWidget::ShowCaret() {
  if (caretHide_ > 0) --caretHide_;
  caretOn_ = true;
  UpdateCaretArea();
}

void TControlWidget::HideCaret() {
  ++caretHide_;
  UpdateCaretArea();
}

void TControlWidget::DestroyCaret() {
  UpdateCaretArea();
  caretCreated_ = false;
  caretHide_ = 1;
  caretBlink_.stop();
}

void TControlWidget::SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) {
  TScrollInfo i = info;
  int maxPos = std::max(i.Min, i.Max - std::max(0, i.Page - 1));
  i.Pos = std::clamp(i.Pos, i.Min, maxPos);
  scroll_[bar] = i;
  QScrollBar* sb = bar == sbHorizontal ? horizontalScrollBar() : verticalScrollBar();
  settingScroll_ = true;
  sb->setRange(i.Min, maxPos);
  sb->setPageStep(std::max(1, i.Page));
  sb->setSingleStep(1);
  sb->setValue(i.Pos);
  settingScroll_ = false;
  bool show = i.Visible && maxPos > i.Min;
  Qt::ScrollBarPolicy policy = show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (bar == sbHorizontal) {
    if (horizontalScrollBarPolicy() != policy) setHorizontalScrollBarPolicy(policy);
  } else if (verticalScrollBarPolicy() != policy) {
    setVerticalScrollBarPolicy(policy);
  }
}

TScrollInfo TControlWidget::GetScrollInfo(TScrollBarKind bar) const { return scroll_[bar]; }

void TControlWidget::OnScrollAction(TScrollBarKind bar, int action) {
  if (settingScroll_ || !core_) return;
  QScrollBar* sb = bar == sbHorizontal ? horizontalScrollBar() : verticalScrollBar();
  TScrollCode code;
  int pos = sb->sliderPosition();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      code = scLineDown;
      break;
    case QAbstractSlider::SliderSingleStepSub:
      code = scLineUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = scPageDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = scPageUp;
      break;
    case QAbstractSlider::SliderToMinimum:
      code = scTop;
      break;
    case QAbstractSlider::SliderToMaximum:
      code = scBottom;
      break;
    case QAbstractSlider::SliderMove:
      code = scTrack;
      break;
    case -1:
      code = scPosition;
      pos = sb->value();
      break;
    default:
      return;
  }
  // The core decides the position (it calls SetScrollInfo); the bar itself
  // does not move on line and page actions.
  if (action != QAbstractSlider::SliderMove && action != -1)
    sb->setSliderPosition(scroll_[bar].Pos);
  Guard("Scroll", [&] {
    core_->Scroll(bar, code, pos);
    if (action == -1) core_->Scroll(bar, scEndScroll, pos);
  });
}

void TControlWidget::PostToSelf(int msg, std::intptr_t wParam, std::intptr_t lParam) {
  std::weak_ptr<bool> alive = token_;
  QTimer::singleShot(0, this, [this, alive, msg, wParam, lParam] {
    if (alive.expired() || !core_) return;
    Guard("Posted", [&] { core_->Posted(msg, wParam, lParam); });
  });
}

void TControlWidget::paintEvent(QPaintEvent* e) {
  QPainter p(viewport());
  QRect r = e->rect();
  if (!core_) {
    p.fillRect(r, palette().window());
    return;
  }
  Guard("Paint", [&] {
    TQtCanvas c(p, viewport()->rect());
    c.IntersectClipRect(TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
    core_->Paint(c, TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
  });
  if (CaretVisible() && caretOn_ && hasFocus()) {
    p.setClipping(false);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(QRect(caretPos_, caretSize_), Qt::white);
  }
}

namespace {
// The button of a press, double click or release; any button other than the
// right and the middle one counts as the left.
TMouseButton MouseButtonOf(const QMouseEvent* e) {
  switch (e->button()) {
    case Qt::RightButton:
      return mbRight;
    case Qt::MiddleButton:
      return mbMiddle;
    default:
      return mbLeft;
  }
}
}  // namespace

void TControlWidget::mousePressEvent(QMouseEvent* e) {
  if (!core_) return;
  const TMouseButton b = MouseButtonOf(e);
  QPoint pt = e->position().toPoint();
  Guard("MouseDown",
        [&] { core_->MouseDown(b, QtShiftState(e->modifiers(), e->buttons()), pt.x(), pt.y()); });
}

void TControlWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  if (!core_) return;
  const TMouseButton b = MouseButtonOf(e);
  QPoint pt = e->position().toPoint();
  Guard("MouseDown", [&] {
    core_->MouseDown(b, QtShiftState(e->modifiers(), e->buttons()) | ssDouble, pt.x(), pt.y());
    if (b == mbLeft) core_->DblClick();
  });
}

void TControlWidget::mouseMoveEvent(QMouseEvent* e) {
  if (!core_) return;
  QPoint pt = e->position().toPoint();
  Guard("MouseMove",
        [&] { core_->MouseMove(QtShiftState(e->modifiers(), e->buttons()), pt.x(), pt.y()); });
}

void TControlWidget::mouseReleaseEvent(QMouseEvent* e) {
  if (!core_) return;
  const TMouseButton b = MouseButtonOf(e);
  QPoint pt = e->position().toPoint();
  Guard("MouseUp",
        [&] { core_->MouseUp(b, QtShiftState(e->modifiers(), e->buttons()), pt.x(), pt.y()); });
}

void TControlWidget::wheelEvent(QWheelEvent* e) {
  if (!core_) return;
  int delta = e->angleDelta().y();
  QPoint pt = e->position().toPoint();
  bool handled = false;
  Guard("MouseWheel", [&] {
    handled = core_->MouseWheel(QtShiftState(e->modifiers(), e->buttons()), delta, pt.x(), pt.y());
  });
  e->setAccepted(handled);
}

void TControlWidget::keyPressEvent(QKeyEvent* e) {
  if (!core_) return;
  int key = QtKeyToVirtualKey(e->key(), e->modifiers());
  TShiftState s = QtShiftState(e->modifiers());
  if (e->key() == Qt::Key_Backtab) s |= ssShift;
  Guard("KeyDown", [&] {
    if (key != 0) core_->KeyDown(key, s);
    // The characters the key types, as Windows sends them: control keys
    // give their control codes (Ctrl+A is 1), Alt combinations none.
    std::u32string chars;
    const int vk = QtKeyToVirtualKey(e->key(), e->modifiers());  // before KeyDown changed it
    if ((s & ssCtrl) && !(s & ssAlt) && vk >= 'A' && vk <= 'Z') {
      chars.push_back(char32_t(vk - 'A' + 1));
    } else if (!(s & (ssCtrl | ssAlt))) {
      if (vk == VK_RETURN)
        chars.push_back(13);
      else if (vk == VK_BACK)
        chars.push_back(8);
      else if (vk == VK_TAB)
        chars.push_back(9);
      else if (vk == VK_ESCAPE)
        chars.push_back(27);
      else
        for (char32_t ch : e->text().toStdU32String())
          if (ch >= 32 && ch != 127) chars.push_back(ch);
    }
    for (char32_t ch : chars) core_->KeyPress(ch);
  });
}

void TControlWidget::keyReleaseEvent(QKeyEvent* e) {
  if (!core_) return;
  int key = QtKeyToVirtualKey(e->key(), e->modifiers());
  if (key == 0) return;
  Guard("KeyUp", [&] { core_->KeyUp(key, QtShiftState(e->modifiers())); });
}

void TControlWidget::inputMethodEvent(QInputMethodEvent* e) {
  if (!core_ || e->commitString().isEmpty()) return;
  std::string text = e->commitString().toStdString();
  Guard("InputText", [&] { core_->InputText(text); });
}

void TControlWidget::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  if (core_) Guard("FocusIn", [&] { core_->FocusIn(); });
  UpdateCaretArea();
}

void TControlWidget::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  if (core_) Guard("FocusOut", [&] { core_->FocusOut(); });
  UpdateCaretArea();
}

void TControlWidget::leaveEvent(QEvent* e) {
  QAbstractScrollArea::leaveEvent(e);
  if (core_) Guard("MouseLeave", [&] { core_->MouseLeave(); });
}

void TControlWidget::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  if (core_) {
    QSize s = viewport()->size();
    Guard("Resize", [&] { core_->Resize(s.width(), s.height()); });
  }
}

void TControlWidget::timerEvent(QTimerEvent* e) {
  if (e->timerId() == caretBlink_.timerId()) {
    caretOn_ = !caretOn_;
    UpdateCaretArea();
    return;
  }
  auto it = timerIds_.find(e->timerId());
  if (it == timerIds_.end() || !core_) return;
  int id = it->second;
  Guard("Timer", [&] { core_->Timer(id); });
}

bool TControlWidget::focusNextPrevChild(bool next) {
  if (core_ && core_->WantsAllKeys()) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

}  // namespace qv
