#include "platform/gui/QtComboBox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

#include "platform/gui/QtClockedTimers.h"

namespace qv {

TComboBoxWidget::TComboBoxWidget(TCustomComboBox* core, QWidget* parent)
    : TControlWidget(core, parent), combo_(core) {
  setFrameStyle(QFrame::NoFrame);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  edit_ = new QLineEdit(viewport());
  edit_->setFrame(false);
  edit_->installEventFilter(this);
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (settingText_ || !combo_) return;
    const int start = edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
    const int length = edit_->hasSelectedText() ? int(edit_->selectedText().size()) : 0;
    GuardHostCall("EditTextChanged",
                  [&] { combo_->EditTextChanged(t.toStdString(), start, length); });
  });
  popup_ = std::make_unique<TQtPopupWidget>(&core->ListCore());
  popup_->setFrameStyle(QFrame::Box | QFrame::Plain);
  popup_->setLineWidth(1);
  // The click on the combo that closes the list does not open it again.
  popup_->NoReplayAt = [this](const QPoint& global) {
    return rect().contains(mapFromGlobal(global));
  };
  popup_->OnClosed = [this] {
    if (combo_ && combo_->DroppedDown()) combo_->CloseUp(false);
  };
  core->SetComboHost(this);
  SyncEdit();
}

TComboBoxWidget::~TComboBoxWidget() {
  DetachCombo();
  ForgetClockedTimers(*this);
}

void TComboBoxWidget::SetTimer(int id, int intervalMs) {
  if (!SetClockedTimer(*this, id, intervalMs)) TControlWidget::SetTimer(id, intervalMs);
}

void TComboBoxWidget::KillTimer(int id) {
  if (!KillClockedTimer(*this, id)) TControlWidget::KillTimer(id);
}

void TComboBoxWidget::DetachCombo() {
  if (!combo_) return;
  edit_->removeEventFilter(this);
  combo_->SetComboHost(nullptr);
  popup_->OnClosed = nullptr;
  popup_->HidePopup();
  popup_->SetCore(nullptr);
  SetCore(nullptr);
  combo_ = nullptr;
}

QSize TComboBoxWidget::sizeHint() const {
  return QSize(145, std::max(edit_->sizeHint().height() + 4, 21));
}

QSize TComboBoxWidget::minimumSizeHint() const {
  return QSize(TCustomComboBox::ButtonWidth + 8, sizeHint().height());
}

void TComboBoxWidget::SyncEdit() {
  const TRect r = combo_->EditRect();
  edit_->setGeometry(r.Left, r.Top, r.Width(), r.Height());
  edit_->setVisible(combo_->Editable());
  setFocusProxy(combo_->Editable() ? edit_ : nullptr);
  if (combo_->MaxLength() > 0) edit_->setMaxLength(combo_->MaxLength() + 1);
}

void TComboBoxWidget::resizeEvent(QResizeEvent* e) {
  TControlWidget::resizeEvent(e);
  if (combo_) SyncEdit();
}

void TComboBoxWidget::focusOutEvent(QFocusEvent* e) {
  if (e->reason() == Qt::PopupFocusReason) {
    QAbstractScrollArea::focusOutEvent(e);
    return;
  }
  TControlWidget::focusOutEvent(e);
}

void TComboBoxWidget::SetEditText(const std::string& text, int selStart, int selLength) {
  settingText_ = true;
  const QString t = QString::fromStdString(text);
  if (edit_->text() != t) edit_->setText(t);
  if (selLength > 0)
    edit_->setSelection(selStart, selLength);
  else
    edit_->setCursorPosition(selStart);
  settingText_ = false;
  if (combo_ && edit_->isVisible() != combo_->Editable()) SyncEdit();
}

void TComboBoxWidget::SetEditReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }

void TComboBoxWidget::ShowDropDown(bool show, int width, int height) {
  if (!show) {
    popup_->HidePopup();
    return;
  }
  popup_->resize(width, height);
  popup_->move(mapToGlobal(QPoint(0, this->height())));
  popup_->show();
}

void TComboBoxWidget::InvalidateDropDown() { popup_->viewport()->update(); }

void TComboBoxWidget::Beep() { QApplication::beep(); }

void TComboBoxWidget::PostTab() {
  QTimer::singleShot(0, this, [this] { focusNextChild(); });
}

bool TComboBoxWidget::eventFilter(QObject* watched, QEvent* e) {
  if (watched != edit_ || !combo_) return TControlWidget::eventFilter(watched, e);
  bool consumed = false;
  GuardHostCall("Edit", [&] { consumed = EditEvent(e); });
  return consumed;
}

bool TComboBoxWidget::EditEvent(QEvent* e) {
  switch (e->type()) {
    case QEvent::KeyPress: {
      auto* k = static_cast<QKeyEvent*>(e);
      int key = QtKeyToVirtualKey(k->key(), k->modifiers());
      if (key) {
        combo_->EditKeyDown(key, QtShiftState(k->modifiers()));
        if (key == 0) return true;
      }
      if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        char32_t ch = 13;
        combo_->EditKeyPress(ch);
        return ch == 0;
      }
      for (char32_t ch : k->text().toStdU32String()) {
        if (ch < 32) continue;
        combo_->EditKeyPress(ch);
        if (ch == 0) return true;
      }
      return false;
    }
    case QEvent::FocusIn:
      combo_->FocusIn();
      return false;
    case QEvent::FocusOut:
      // Opening the drop-down list takes the focus only for a while.
      if (static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason) combo_->FocusOut();
      return false;
    default:
      return false;
  }
}

}  // namespace qv
