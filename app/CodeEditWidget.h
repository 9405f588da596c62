// The code editor on a window: a widget hosting a TCodeEdit core, which
// does the painting, caret, selection, scrolling and input; the widget
// carries Qt's events to it, answers what the editor asks of its window
// (pointer position, modifiers, screen coordinates) and hands dropped files
// to the editor's OnDropFiles.
#pragma once

#include "editor/CodeEdit.h"
#include "platform/gui/QtHost.h"

namespace qv {

class TCodeEditWidget : public TControlWidget, public TCodeEditHost {
  Q_OBJECT
 public:
  explicit TCodeEditWidget(QWidget* parent = nullptr);
  ~TCodeEditWidget() override;
  TCodeEditWidget(const TCodeEditWidget&) = delete;
  TCodeEditWidget& operator=(const TCodeEditWidget&) = delete;

  TCodeEdit& Edit() { return edit_; }
  const TCodeEdit& Edit() const { return edit_; }

  // TCodeEditHost
  void BeginDrag() override {}
  TPoint CursorPos() const override;
  TShiftState KeyboardShift() const override;
  TPoint ClientToScreen(TPoint P) const override;

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  TCodeEdit edit_;
};

}  // namespace qv
