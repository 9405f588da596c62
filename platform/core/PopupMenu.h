// A popup menu as controls see it: something that pops up at a point of a
// control. The Qt layer wraps a QMenu (platform/gui/QtPopupMenu.h); tests
// record the calls.
#pragma once

#include <memory>

#include "platform/core/ControlCore.h"

namespace qv {

class TPopupMenu {
 public:
  virtual ~TPopupMenu() = default;
  // Shows the menu at a client point of the control hosted by host; the
  // control is the menu's popup component while it is shown.
  virtual void Popup(TControlHost& host, TControlCore& component, int clientX, int clientY) = 0;
};

using TPopupMenuRef = std::shared_ptr<TPopupMenu>;

}  // namespace qv
