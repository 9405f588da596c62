#include "platform/gui/QtPopup.h"

#include <QMouseEvent>

namespace qv {

TQtPopupWidget::TQtPopupWidget(TControlCore* core) : TControlWidget(core, nullptr) {
  setWindowFlags(Qt::Popup);
  setFrameStyle(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
}

void TQtPopupWidget::HidePopup() {
  if (!isVisible()) return;
  hiding_ = true;
  hide();
  hiding_ = false;
}

bool TQtPopupWidget::event(QEvent* e) {
  // Presses outside the pop-up reach the pop-up itself, not its viewport.
  if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
    auto* me = static_cast<QMouseEvent*>(e);
    if (!rect().contains(me->position().toPoint())) {
      setAttribute(Qt::WA_NoMouseReplay, NoReplayAt && NoReplayAt(me->globalPosition().toPoint()));
      close();
      return true;
    }
  }
  return TControlWidget::event(e);
}

void TQtPopupWidget::hideEvent(QHideEvent* e) {
  TControlWidget::hideEvent(e);
  if (!hiding_ && OnClosed) GuardHostCall("OnClosed", [&] { OnClosed(); });
}

}  // namespace qv
