#include "support/qt/QtColorPicker.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QToolTip>

namespace qv {

// ---------------------------------------------------------------------------
// TQtColorPopupWidget

TQtColorPopupWidget::TQtColorPopupWidget(TQtColorPickerButton* button, TColorPopup* core)
    : TControlWidget(core, nullptr), button_(button) {
  setWindowFlags(Qt::Popup);
  setFrameStyle(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
}

bool TQtColorPopupWidget::event(QEvent* e) {
  // Presses outside the pop-up reach the pop-up itself, not its viewport.
  if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
    auto* me = static_cast<QMouseEvent*>(e);
    if (!rect().contains(me->position().toPoint())) {
      if (button_->OnArrowStrip(me->globalPosition().toPoint())) setAttribute(Qt::WA_NoMouseReplay);
      close();
      return true;
    }
  }
  return TControlWidget::event(e);
}

bool TQtColorPopupWidget::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* he = static_cast<QHelpEvent*>(e);
    std::string hint;
    auto* core = static_cast<TColorPopup*>(Core());
    if (core && core->HintAt(he->pos().x(), he->pos().y(), hint))
      QToolTip::showText(he->globalPos(), QString::fromStdString(hint), viewport(), QRect(),
                         TColorPopup::HintPause);
    else
      QToolTip::hideText();
    return true;
  }
  return TControlWidget::viewportEvent(e);
}

void TQtColorPopupWidget::hideEvent(QHideEvent* e) {
  TControlWidget::hideEvent(e);
  // Closed by the window system (a press outside): no choice.
  if (!button_->hiding_ && button_->core_.DroppedDown()) button_->core_.SetDroppedDown(false);
}

// ---------------------------------------------------------------------------
// TQtColorPickerButton

TQtColorPickerButton::TQtColorPickerButton(QWidget* parent) : TControlWidget(nullptr, parent) {
  setFrameStyle(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
  popup_ = std::make_unique<TQtColorPopupWidget>(this, &core_.Popup());
  core_.SetPresenter(this);
  SetCore(&core_);
  resize(TColorPickerButton::DefaultWidth, TColorPickerButton::DefaultHeight);
}

TQtColorPickerButton::~TQtColorPickerButton() {
  core_.SetPresenter(nullptr);
  hiding_ = true;
  popup_.reset();
  SetCore(nullptr);
}

QSize TQtColorPickerButton::sizeHint() const {
  return {TColorPickerButton::DefaultWidth, TColorPickerButton::DefaultHeight};
}

TRect TQtColorPickerButton::ButtonScreenRect() const {
  const QPoint p = viewport()->mapToGlobal(QPoint(0, 0));
  return Bounds(p.x(), p.y(), viewport()->width(), viewport()->height());
}

TRect TQtColorPickerButton::ScreenWorkArea() const {
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return Rect(0, 0, 1024, 768);
  const QRect a = s->availableGeometry();
  return Bounds(a.x(), a.y(), a.width(), a.height());
}

void TQtColorPickerButton::ShowPopup(const TRect& bounds) {
  popup_->setGeometry(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  if (!popup_->isVisible()) {
    popup_->show();
    popup_->setFocus(Qt::PopupFocusReason);
  }
  popup_->viewport()->update();
}

void TQtColorPickerButton::HidePopup() {
  if (!popup_ || !popup_->isVisible()) return;
  hiding_ = true;
  popup_->hide();
  hiding_ = false;
}

bool TQtColorPickerButton::OnArrowStrip(const QPoint& global) const {
  const QPoint p = viewport()->mapFromGlobal(global);
  return viewport()->rect().contains(p) && p.x() >= viewport()->width() - core_.DropDownWidth();
}

}  // namespace qv
