#include "app/CodeEditWidget.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace qv {

TCodeEditWidget::TCodeEditWidget(QWidget* parent) : TControlWidget(nullptr, parent) {
  edit_.SetEditHost(this);
  SetCore(&edit_);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
}

TCodeEditWidget::~TCodeEditWidget() {
  SetCore(nullptr);
  edit_.SetEditHost(nullptr);
}

TPoint TCodeEditWidget::CursorPos() const {
  const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
  return TPoint(p.x(), p.y());
}

TShiftState TCodeEditWidget::KeyboardShift() const {
  return QtShiftState(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

TPoint TCodeEditWidget::ClientToScreen(TPoint P) const {
  const QPoint g = viewport()->mapToGlobal(QPoint(P.X, P.Y));
  return TPoint(g.x(), g.y());
}

void TCodeEditWidget::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TCodeEditWidget::dragMoveEvent(QDragMoveEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TCodeEditWidget::dropEvent(QDropEvent* e) {
  std::vector<std::string> files;
  for (const QUrl& u : e->mimeData()->urls())
    if (u.isLocalFile()) files.push_back(u.toLocalFile().toStdString());
  if (files.empty()) return;
  e->acceptProposedAction();
  const QPoint p = viewport()->mapFrom(this, e->position().toPoint());
  GuardHostCall("TCodeEditWidget::dropEvent", [&] { edit_.DropFiles(p.x(), p.y(), files); });
}

}  // namespace qv
