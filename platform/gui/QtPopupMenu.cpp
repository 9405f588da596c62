#include "platform/gui/QtPopupMenu.h"

#include "platform/gui/QtHost.h"

namespace qv {

void TQtPopupMenu::Popup(TControlHost& host, TControlCore& component, int clientX, int clientY) {
  if (!menu_) return;
  auto* widget = dynamic_cast<TControlWidget*>(&host);
  const QPoint at =
      widget ? widget->viewport()->mapToGlobal(QPoint(clientX, clientY)) : QPoint(clientX, clientY);
  component_ = &component;
  QObject::connect(
      menu_, &QMenu::aboutToHide, menu_, [this] { component_ = nullptr; },
      Qt::SingleShotConnection);
  menu_->popup(at);
}

}  // namespace qv
