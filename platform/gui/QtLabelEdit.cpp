#include "platform/gui/QtLabelEdit.h"

#include <QKeyEvent>

namespace qv {

TLabelEditOverlay::TLabelEditOverlay(QWidget* viewport, TFinish finish)
    : QObject(viewport), edit_(new QLineEdit(viewport)), finish_(std::move(finish)) {
  editObject_ = edit_.data();
  edit_->hide();
  edit_->installEventFilter(this);
}

TLabelEditOverlay::~TLabelEditOverlay() {
  editing_ = false;
  finish_ = nullptr;
  if (QLineEdit* e = edit_.data()) {
    e->removeEventFilter(this);
    edit_ = nullptr;
    delete e;
  }
}

void TLabelEditOverlay::Begin(const TRect& r, const std::string& text) {
  editing_ = true;
  const int w = std::max(r.Width() + 24, 60);
  const int h = std::max(r.Height() + 4, edit_->sizeHint().height());
  edit_->setGeometry(r.Left - 2, r.Top + (r.Height() - h) / 2, w, h);
  edit_->setText(QString::fromStdString(text));
  edit_->selectAll();
  edit_->show();
  edit_->setFocus(Qt::OtherFocusReason);
}

void TLabelEditOverlay::Close(bool accept) {
  if (!editing_ || !edit_) return;
  editing_ = false;
  const std::string text = edit_->text().toStdString();
  edit_->hide();
  if (edit_->parentWidget()) edit_->parentWidget()->setFocus(Qt::OtherFocusReason);
  if (finish_) finish_(accept, text);
}

bool TLabelEditOverlay::eventFilter(QObject* watched, QEvent* e) {
  // Compared as objects: the editor may be half destroyed here.
  if (!editing_ || watched != editObject_) return false;
  if (e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      Close(true);
      return true;
    }
    if (k->key() == Qt::Key_Escape) {
      Close(false);
      return true;
    }
  } else if (e->type() == QEvent::FocusOut) {
    Close(true);
  }
  return false;
}

}  // namespace qv
