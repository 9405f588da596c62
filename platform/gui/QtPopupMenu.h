// A popup menu over a QMenu, for controls' PopupMenu and item menus.
#pragma once

#include <QMenu>
#include <QPointer>

#include "platform/core/PopupMenu.h"

namespace qv {

class TQtPopupMenu : public TPopupMenu {
 public:
  // The menu is not owned.
  explicit TQtPopupMenu(QMenu* menu) : menu_(menu) {}
  // Pops the menu up at the client point of the control hosted by host (a
  // TControlWidget); the control is the popup component meanwhile.
  void Popup(TControlHost& host, TControlCore& component, int clientX, int clientY) override;
  QMenu* Menu() const { return menu_; }
  // The control the menu was last popped up for (null once it closed).
  TControlCore* PopupComponent() const { return component_; }

 private:
  QPointer<QMenu> menu_;
  TControlCore* component_ = nullptr;
};

}  // namespace qv
