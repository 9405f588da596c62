// The Qt host of the colour picker button: a widget hosting the button
// core, and a pop-up window (Qt::Popup, so it takes the mouse and keyboard
// while open and closes on a press outside it) hosting the pop-up core.
// Hints of the pop-up show as tool tips for 5000 ms.
//
// A press outside the pop-up closes it without a choice; when that press
// is on the button's arrow strip it is not replayed to the button, so the
// click that closes the pop-up does not open it again.
#pragma once

#include <memory>

#include "platform/gui/QtHost.h"
#include "platform/gui/QtPopup.h"
#include "support/ColorPickerButton.h"

namespace qv {

class TQtColorPickerButton;

// The pop-up window; its hints show as tool tips.
class TQtColorPopupWidget : public TQtPopupWidget {
 public:
  explicit TQtColorPopupWidget(TColorPopup* core) : TQtPopupWidget(core) {}

 protected:
  bool viewportEvent(QEvent* e) override;
};

class TQtColorPickerButton : public TControlWidget, public TColorPopupPresenter {
  Q_OBJECT
 public:
  explicit TQtColorPickerButton(QWidget* parent = nullptr);
  ~TQtColorPickerButton() override;

  TColorPickerButton& Button() { return core_; }
  TQtColorPopupWidget* PopupWidget() const { return popup_.get(); }

  // TColorPopupPresenter
  TRect ButtonScreenRect() const override;
  TRect ScreenWorkArea() const override;
  void ShowPopup(const TRect& bounds) override;
  void HidePopup() override;

  // The pop-up window takes the mouse itself while it is open.
  void SetCapture() override {}
  void ReleaseCapture() override {}

  QSize sizeHint() const override;
  // Whether a global point lies on the arrow strip.
  bool OnArrowStrip(const QPoint& global) const;

 private:
  TColorPickerButton core_;
  std::unique_ptr<TQtColorPopupWidget> popup_;
};

}  // namespace qv
