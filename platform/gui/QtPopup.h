// A control host shown as a pop-up window (Qt::Popup): while open it takes
// the mouse and keyboard; a press outside it closes it. Such a press is not
// passed on to the widget below when NoReplayAt says so (the button that
// opened the pop-up, so that the click that closes it does not open it
// again). OnClosed reports a close by the window system, not one asked for
// with HidePopup().
#pragma once

#include <functional>

#include "platform/gui/QtHost.h"

namespace qv {

class TQtPopupWidget : public TControlWidget {
 public:
  explicit TQtPopupWidget(TControlCore* core);

  std::function<bool(const QPoint& global)> NoReplayAt;
  std::function<void()> OnClosed;
  // Hides the pop-up without OnClosed.
  void HidePopup();

 protected:
  bool event(QEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  bool hiding_ = false;
};

}  // namespace qv
