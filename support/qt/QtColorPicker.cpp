#include "support/qt/QtColorPicker.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QScreen>
#include <QToolTip>

namespace qv {

// ---------------------------------------------------------------------------
// TQtColorPopupWidget

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

// ---------------------------------------------------------------------------
// TQtColorPickerButton

TQtColorPickerButton::TQtColorPickerButton(QWidget* parent) : TControlWidget(nullptr, parent) {
  setFrameStyle(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
  popup_ = std::make_unique<TQtColorPopupWidget>(&core_.Popup());
  popup_->NoReplayAt = [this](const QPoint& global) { return OnArrowStrip(global); };
  // Closed by the window system (a press outside): no choice.
  popup_->OnClosed = [this] {
    if (core_.DroppedDown()) core_.SetDroppedDown(false);
  };
  core_.SetPresenter(this);
  SetCore(&core_);
  resize(TColorPickerButton::DefaultWidth, TColorPickerButton::DefaultHeight);
}

TQtColorPickerButton::~TQtColorPickerButton() {
  core_.SetPresenter(nullptr);
  popup_->OnClosed = nullptr;
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
  if (popup_) popup_->HidePopup();
}

bool TQtColorPickerButton::OnArrowStrip(const QPoint& global) const {
  const QPoint p = viewport()->mapFromGlobal(global);
  return viewport()->rect().contains(p) && p.x() >= viewport()->width() - core_.DropDownWidth();
}

}  // namespace qv
