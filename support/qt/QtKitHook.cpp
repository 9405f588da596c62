#include "support/qt/QtKitHook.h"

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "platform/gui/QtCursors.h"
#include "platform/gui/QtHost.h"

namespace qv {

// ---------------------------------------------------------------------------
// Events as messages

namespace {

std::intptr_t mouseKeys(const QMouseEvent* m) {
  unsigned k = 0;
  if (m->buttons() & Qt::LeftButton) k |= MK_LBUTTON;
  if (m->buttons() & Qt::RightButton) k |= MK_RBUTTON;
  if (m->buttons() & Qt::MiddleButton) k |= MK_MBUTTON;
  if (m->modifiers() & Qt::ShiftModifier) k |= MK_SHIFT;
  if (m->modifiers() & Qt::ControlModifier) k |= MK_CONTROL;
  return std::intptr_t(k);
}

unsigned buttonMessage(Qt::MouseButton b, unsigned left, unsigned right, unsigned middle) {
  if (b == Qt::RightButton) return right;
  if (b == Qt::MiddleButton) return middle;
  return left;
}

}  // namespace

TMessage QtEventToMessage(QWidget* widget, QEvent* e) {
  TMessage m;
  m.Native = e;
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(e);
      const QPoint p = me->position().toPoint();
      m.WParam = mouseKeys(me);
      m.LParam = MakeLParam(p.x(), p.y());
      if (e->type() == QEvent::MouseMove)
        m.Msg = WM_MOUSEMOVE;
      else if (e->type() == QEvent::MouseButtonPress)
        m.Msg = buttonMessage(me->button(), WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN);
      else if (e->type() == QEvent::MouseButtonRelease)
        m.Msg = buttonMessage(me->button(), WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP);
      else
        m.Msg = buttonMessage(me->button(), WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK);
      break;
    }
    case QEvent::NonClientAreaMouseButtonPress: {
      auto* me = static_cast<QMouseEvent*>(e);
      const QPoint p = me->globalPosition().toPoint();
      m.Msg = buttonMessage(me->button(), WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN);
      m.LParam = MakeLParam(p.x(), p.y());
      break;
    }
    case QEvent::Wheel: {
      auto* we = static_cast<QWheelEvent*>(e);
      const QPoint p = we->globalPosition().toPoint();
      m.Msg = WM_MOUSEWHEEL;
      m.WParam = MakeLParam(0, we->angleDelta().y());
      m.LParam = MakeLParam(p.x(), p.y());
      break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(e);
      const bool alt = ke->modifiers() & Qt::AltModifier;
      if (e->type() == QEvent::KeyPress)
        m.Msg = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
      else
        m.Msg = alt ? WM_SYSKEYUP : WM_KEYUP;
      m.WParam = QtKeyToVirtualKey(ke->key(), ke->modifiers());
      break;
    }
    case QEvent::Resize: {
      auto* re = static_cast<QResizeEvent*>(e);
      m.Msg = WM_SIZE;
      m.WParam = widget && widget->isMinimized()   ? SIZE_MINIMIZED
                 : widget && widget->isMaximized() ? SIZE_MAXIMIZED
                                                   : SIZE_RESTORED;
      m.LParam = MakeLParam(re->size().width(), re->size().height());
      break;
    }
    case QEvent::Move: {
      auto* me = static_cast<QMoveEvent*>(e);
      m.Msg = WM_MOVE;
      m.LParam = MakeLParam(me->pos().x(), me->pos().y());
      break;
    }
    case QEvent::Show:
    case QEvent::Hide:
      m.Msg = WM_SHOWWINDOW;
      m.WParam = e->type() == QEvent::Show ? 1 : 0;
      break;
    case QEvent::Close:
      m.Msg = WM_CLOSE;
      break;
    case QEvent::FocusIn:
      m.Msg = WM_SETFOCUS;
      break;
    case QEvent::FocusOut:
      m.Msg = WM_KILLFOCUS;
      break;
    case QEvent::Paint:
      m.Msg = WM_PAINT;
      break;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
      m.Msg = WM_ACTIVATE;
      m.WParam = e->type() == QEvent::WindowActivate ? 1 : 0;
      break;
    case QEvent::EnabledChange:
      m.Msg = WM_ENABLE;
      m.WParam = widget && widget->isEnabled() ? 1 : 0;
      break;
    default:
      m.Msg = WM_NULL;
      break;
  }
  return m;
}

// ---------------------------------------------------------------------------
// TControlHook

// A child of its control: it goes with the control at the latest.
TControlHook::TControlHook(QWidget* control) : QObject(control), control_(control) {
  control->installEventFilter(this);
  connect(control, &QObject::destroyed, this, [this] { ControlDestroyed(); });
}

TControlHook::~TControlHook() {
  if (control_ && !destroying_) control_->removeEventFilter(this);
  destroying_ = true;
  THookList::Instance().Forget(this);
}

void TControlHook::Attach(TKitWindowHook* hook) {
  if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) hooks_.push_back(hook);
  hook->control_ = this;
}

void TControlHook::Detach(TKitWindowHook* hook) {
  std::erase(hooks_, hook);
  if (hook->control_ == this) hook->control_ = nullptr;
  if (hooks_.empty()) THookList::Instance().Release(this);
}

void TControlHook::ControlDestroyed() {
  destroying_ = true;
  const std::vector<TKitWindowHook*> hooks = hooks_;
  for (TKitWindowHook* h : hooks) h->ControlRemoved();
  hooks_.clear();
  THookList::Instance().Forget(this);
}

bool TControlHook::eventFilter(QObject* watched, QEvent* e) {
  if (watched != control_ || destroying_ || hooks_.empty()) return false;
  QWidget* w = control_;
  TMessage m = QtEventToMessage(w, e);
  // Handlers may attach or detach hooks: walk a copy, skipping those gone.
  const std::vector<TKitWindowHook*> hooks = hooks_;
  auto attached = [this](TKitWindowHook* h) {
    return std::find(hooks_.begin(), hooks_.end(), h) != hooks_.end();
  };
  bool handled = false;
  GuardHostCall("BeforeMessage", [&] {
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it)
      if (attached(*it) && (*it)->BeforeMessage) (*it)->BeforeMessage(**it, m, handled);
  });
  if (handled) return true;
  const bool after = std::any_of(hooks_.begin(), hooks_.end(),
                                 [](TKitWindowHook* h) { return bool(h->AfterMessage); });
  if (!after) return false;
  // Deliver the event to the widget here (event() does not pass through the
  // filters again), so that the after-handlers see it handled.
  QPointer<QWidget> alive(w);
  m.Result = static_cast<QObject*>(w)->event(e) ? 1 : 0;
  if (!alive || destroying_) return true;
  const std::vector<TKitWindowHook*> now = hooks_;
  bool done = false;
  GuardHostCall("AfterMessage", [&] {
    for (auto it = now.rbegin(); it != now.rend() && !done; ++it)
      if (attached(*it) && (*it)->AfterMessage) (*it)->AfterMessage(**it, m, done);
  });
  return true;
}

// ---------------------------------------------------------------------------
// THookList

THookList& THookList::Instance() {
  static THookList list;
  return list;
}

TControlHook* THookList::Find(QWidget* control) const {
  auto it = hooks_.find(control);
  return it == hooks_.end() ? nullptr : it->second;
}

TControlHook* THookList::Get(QWidget* control) {
  if (TControlHook* h = Find(control)) return h;
  auto* h = new TControlHook(control);  // owned by the control; Release frees it early
  hooks_[control] = h;
  return h;
}

void THookList::Release(TControlHook* hook) {
  QPointer<TControlHook> p(hook);
  QTimer::singleShot(0, [p] {
    if (p && p->Hooks().empty()) delete p.data();
  });
}

void THookList::Forget(TControlHook* hook) {
  for (auto it = hooks_.begin(); it != hooks_.end(); ++it)
    if (it->second == hook) {
      hooks_.erase(it);
      return;
    }
}

// ---------------------------------------------------------------------------
// TKitWindowHook

TKitWindowHook::TKitWindowHook(QWidget* owner) : owner_(owner) {}

TKitWindowHook::~TKitWindowHook() {
  SetActive(false);
  SetWinControl(nullptr);
}

void TKitWindowHook::SetActive(bool v) {
  if (active_ == v) return;
  active_ = v;
  if (v)
    HookControl();
  else
    UnhookControl();
}

void TKitWindowHook::SetWinControl(QWidget* w) {
  if (winControl_ == w) return;
  UnhookControl();
  QObject::disconnect(removal_);
  winControl_ = w;
  if (w) {
    removal_ = QObject::connect(w, &QObject::destroyed, [this] { ControlRemoved(); });
    if (active_) HookControl();
  }
}

void TKitWindowHook::HookControl() {
  if (!winControl_ || control_) return;
  THookList::Instance().Get(winControl_)->Attach(this);
}

void TKitWindowHook::UnhookControl() {
  if (control_) control_->Detach(this);
  control_ = nullptr;
}

void TKitWindowHook::ControlRemoved() {
  control_ = nullptr;
  QObject::disconnect(removal_);
  winControl_ = nullptr;
}

void RegisterKitCursors() {
  RegisterScreenCursor(crHand, QCursor(Qt::PointingHandCursor));
  RegisterScreenCursor(crDragHand, QCursor(Qt::ClosedHandCursor));
}

}  // namespace qv
