// Windows shown beside a control without taking the focus from it: a tool
// window hosting a control core (lists and hints placed next to a caret or
// a scroll bar), and a one-line hint built on it. They stay above the other
// windows, have no frame of the window system, and keyboard input stays
// with the control that showed them.
#pragma once

#include <memory>
#include <string>

#include "platform/gui/QtHost.h"

namespace qv {

class TQtToolWindow : public TControlWidget {
 public:
  explicit TQtToolWindow(TControlCore* core = nullptr);
  // Shows the window with its top-left corner at a screen point.
  void ShowAt(const QPoint& global, const QSize& size);
};

// A hint of one line: the text on a coloured background inside a thin
// frame, at most MaxWidth pixels wide.
class TQtHintWindow : public TQtToolWindow {
 public:
  TQtHintWindow();
  ~TQtHintWindow() override;
  TQtHintWindow(const TQtHintWindow&) = delete;
  TQtHintWindow& operator=(const TQtHintWindow&) = delete;

  // Shows (or moves and updates) the hint with its top-left corner at a
  // screen point.
  void ShowHint(const std::string& text, const QPoint& global, TColor color, int maxWidth = 200);
  void HideHint() { hide(); }
  const std::string& HintText() const;
  // The hint's size for a text (font of the hint, 3 pixels of margin on
  // each side, 2 above and below).
  static QSize HintSize(const std::string& text, int maxWidth);

 private:
  class THintCore;
  std::unique_ptr<THintCore> core_;
};

}  // namespace qv
