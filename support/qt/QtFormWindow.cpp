#include "support/qt/QtFormWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "platform/gui/QtHost.h"

namespace qv {

namespace {

TQtFormWindow* gMainForm = nullptr;
// Frame margins of the last window seen decorated.
QMargins gLastMargins;

TRect ToTRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

}  // namespace

TQtFormWindow::TQtFormWindow(QWidget* window, std::string className)
    : window_(window), className_(std::move(className)) {
  window->installEventFilter(this);
}

TQtFormWindow::~TQtFormWindow() {
  NotifyDestroying();
  if (gMainForm == this) gMainForm = nullptr;
  if (window_) window_->removeEventFilter(this);
}

void TQtFormWindow::SetMainForm(bool v) {
  if (v)
    gMainForm = this;
  else if (gMainForm == this)
    gMainForm = nullptr;
}

void TQtFormWindow::NotifyDestroying() {
  if (destroyed_) return;
  destroyed_ = true;
  if (OnDestroy) GuardHostCall("OnDestroy", [&] { OnDestroy(); });
}

std::string TQtFormWindow::Name() const {
  return window_ ? window_->objectName().toStdString() : std::string();
}

QMargins TQtFormWindow::FrameMargins() const {
  if (!window_) return {};
  const QRect f = window_->frameGeometry();
  const QRect g = window_->geometry();
  QMargins m(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
             f.bottom() - g.bottom());
  if (!m.isNull()) {
    gLastMargins = m;
    return m;
  }
  return window_->isVisible() ? m : gLastMargins;
}

TRect TQtFormWindow::BoundsRect() const {
  if (!window_) return {};
  return ToTRect(window_->geometry().marginsAdded(FrameMargins()));
}

bool TQtFormWindow::Visible() const { return window_ && window_->isVisible(); }

bool TQtFormWindow::HandleAllocated() const {
  return window_ && window_->testAttribute(Qt::WA_WState_Created);
}

TWindowPlacement TQtFormWindow::GetWindowPlacement() const {
  TWindowPlacement wp;
  if (!window_) return wp;
  const Qt::WindowStates s = window_->windowState();
  wp.showCmd = (s & Qt::WindowMinimized)   ? SW_SHOWMINIMIZED
               : (s & Qt::WindowMaximized) ? SW_SHOWMAXIMIZED
                                           : SW_SHOWNORMAL;
  if ((s & Qt::WindowMinimized) && (s & Qt::WindowMaximized)) wp.flags |= WPF_RESTORETOMAXIMIZED;
  wp.ptMaxPosition = maxPosition_;
  const QRect normal = (s & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
                           ? window_->normalGeometry()
                           : window_->geometry();
  wp.rcNormalPosition = ToTRect(normal.marginsAdded(FrameMargins()));
  return wp;
}

void TQtFormWindow::SetWindowPlacement(const TWindowPlacement& wp) {
  if (!window_) return;
  maxPosition_ = wp.ptMaxPosition;
  const Qt::WindowStates state = window_->windowState();
  if (state != Qt::WindowNoState) window_->setWindowState(Qt::WindowNoState);
  const QMargins m = FrameMargins();
  const TRect& r = wp.rcNormalPosition;
  // Stored limits must not hold the stored size back.
  const QSize min = window_->minimumSize(), max = window_->maximumSize();
  window_->setMinimumSize(0, 0);
  window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  window_->resize(std::max(1, r.Width() - m.left() - m.right()),
                  std::max(1, r.Height() - m.top() - m.bottom()));
  window_->move(r.Left, r.Top);
  window_->setMinimumSize(min);
  window_->setMaximumSize(max);
  if (state != Qt::WindowNoState) window_->setWindowState(state);
  switch (wp.showCmd) {
    case SW_HIDE:
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      SetWindowState(wsMinimized);
      break;
    case SW_SHOWMAXIMIZED:
      SetWindowState(wsMaximized);
      break;
    default:
      SetWindowState(wsNormal);
      break;
  }
  ApplySizeLimits();
}

TWindowState TQtFormWindow::WindowState() const {
  if (!window_) return wsNormal;
  const Qt::WindowStates s = window_->windowState();
  if (s & Qt::WindowMinimized) return wsMinimized;
  if (s & Qt::WindowMaximized) return wsMaximized;
  return wsNormal;
}

void TQtFormWindow::SetWindowState(TWindowState s) {
  if (!window_) return;
  Qt::WindowStates st = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (s == wsMinimized) st |= Qt::WindowMinimized;
  if (s == wsMaximized) st |= Qt::WindowMaximized;
  window_->setWindowState(st);
}

void TQtFormWindow::Repaint() {
  if (window_) window_->update();
}

bool TQtFormWindow::IsMainForm() const { return gMainForm == this; }

bool TQtFormWindow::MainFormExists() const { return gMainForm != nullptr; }

bool TQtFormWindow::ApplicationMinimized() const {
  return gMainForm && gMainForm->window_ && gMainForm->window_->isMinimized();
}

void TQtFormWindow::MinimizeApplication() {
  QPointer<QWidget> main = gMainForm ? gMainForm->window_ : window_;
  QTimer::singleShot(0, [main] {
    if (main) main->showMinimized();
  });
}

std::string TQtFormWindow::ActiveControlName() const {
  if (!window_) return {};
  QWidget* f = window_->focusWidget();
  if (!f || f == window_ || !window_->isAncestorOf(f)) return {};
  return f->objectName().toStdString();
}

bool TQtFormWindow::FocusControl(const std::string& name) {
  if (!window_ || name.empty()) return false;
  auto* w = window_->findChild<QWidget*>(QString::fromStdString(name));
  if (!w || w->focusPolicy() == Qt::NoFocus || !w->isEnabled()) return false;
  w->setFocus(Qt::OtherFocusReason);
  return true;
}

TSize TQtFormWindow::ScreenSize() const {
  QScreen* s = QGuiApplication::primaryScreen();
  if (!s) return {};
  return {s->geometry().width(), s->geometry().height()};
}

int TQtFormWindow::ScreenPixelsPerInch() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? int(std::lround(s->logicalDotsPerInch())) : ::qv::ScreenPixelsPerInch;
}

std::vector<TRect> TQtFormWindow::ScreenWorkAreas() const {
  std::vector<TRect> areas;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) areas.push_back(ToTRect(primary->availableGeometry()));
  for (QScreen* s : QGuiApplication::screens())
    if (s != primary) areas.push_back(ToTRect(s->availableGeometry()));
  return areas;
}

bool TQtFormWindow::HasMaximizeButton() const {
  return window_ && window_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
}

void TQtFormWindow::SetMaximizeButton(bool on) {
  if (!window_ || HasMaximizeButton() == on) return;
  const bool visible = window_->isVisible();
  window_->setWindowFlag(Qt::WindowMaximizeButtonHint, on);
  if (visible) window_->show();  // changing the flags hides a window
}

void TQtFormWindow::SizeLimitsChanged() { ApplySizeLimits(); }

void TQtFormWindow::ApplySizeLimits() {
  if (!window_ || applyingLimits_) return;
  if (!OnGetMinMaxInfo) {
    if (limitsTouched_) {
      window_->setMinimumSize(designMin_);
      window_->setMaximumSize(designMax_);
      limitsTouched_ = false;
    }
    return;
  }
  if (!limitsTouched_) {
    designMin_ = window_->minimumSize();
    designMax_ = window_->maximumSize();
    limitsTouched_ = true;
  }
  applyingLimits_ = true;
  GuardHostCall("OnGetMinMaxInfo", [&] {
    const TSize screen = ScreenSize();
    TMinMaxInfo info;
    info.ptMaxSize = {screen.cx, screen.cy};
    info.ptMaxPosition = maxPosition_;
    info.ptMinTrackSize = {designMin_.width(), designMin_.height()};
    info.ptMaxTrackSize = {designMax_.width(), designMax_.height()};
    const QMargins m = FrameMargins();
    const int dw = m.left() + m.right(), dh = m.top() + m.bottom();
    // Tracking sizes are frame sizes; Qt's limits are client sizes.
    info.ptMinTrackSize.X += dw;
    info.ptMinTrackSize.Y += dh;
    if (info.ptMaxTrackSize.X < QWIDGETSIZE_MAX) info.ptMaxTrackSize.X += dw;
    if (info.ptMaxTrackSize.Y < QWIDGETSIZE_MAX) info.ptMaxTrackSize.Y += dh;
    OnGetMinMaxInfo(info);
    auto client = [](int v, int d) {
      return v >= QWIDGETSIZE_MAX ? QWIDGETSIZE_MAX : std::clamp(v - d, 0, QWIDGETSIZE_MAX);
    };
    window_->setMinimumSize(client(info.ptMinTrackSize.X, dw), client(info.ptMinTrackSize.Y, dh));
    window_->setMaximumSize(client(info.ptMaxTrackSize.X, dw), client(info.ptMaxTrackSize.Y, dh));
  });
  applyingLimits_ = false;
}

void TQtFormWindow::CentreIfAsked() {
  if (position_ != poScreenCenter && position_ != poDesktopCenter && position_ != poMainFormCenter)
    return;
  QScreen* s = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect a = s->availableGeometry();
  const QRect f = window_->geometry().marginsAdded(FrameMargins());
  window_->move(a.x() + (a.width() - f.width()) / 2, a.y() + (a.height() - f.height()) / 2);
}

bool TQtFormWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched != window_) return false;
  switch (e->type()) {
    case QEvent::Show:
      if (!e->spontaneous()) {
        if (OnShow) GuardHostCall("OnShow", [&] { OnShow(); });
        if (window_) CentreIfAsked();
      }
      ApplySizeLimits();
      break;
    case QEvent::Close: {
      bool canClose = true;
      if (OnCloseQuery) GuardHostCall("OnCloseQuery", [&] { OnCloseQuery(canClose); });
      if (!canClose) {
        e->ignore();
        return true;
      }
      break;
    }
    case QEvent::Resize:
    case QEvent::Hide:
      ApplySizeLimits();
      break;
    default:
      break;
  }
  return false;
}

}  // namespace qv
