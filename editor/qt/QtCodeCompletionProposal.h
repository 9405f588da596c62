// The completion pop-up's window on Qt: a borderless pop-up (platform/gui
// TQtPopupWidget) hosting the form's core, with its own vertical scroll bar
// below the title band. A code list is a Qt::Popup that takes the keyboard;
// the hints are tool-tip windows shown without taking the focus. A click
// elsewhere closes the list as a cancel.
//
// InstallQtCompletionWindows() makes every completion component created
// afterwards get such a window.
#pragma once

#include <QScrollBar>

#include "editor/CodeCompletionProposal.h"
#include "platform/gui/QtPopup.h"

namespace qv {

class TQtCompletionWindow : public TQtPopupWidget, public TCompletionWindow {
  Q_OBJECT
 public:
  explicit TQtCompletionWindow(TCodeBaseCompletionProposalForm& Form);
  ~TQtCompletionWindow() override;

  // TCompletionWindow
  void SetBounds(const TRect& ScreenRect) override;
  void ShowWindow(bool Activate) override;
  void HideWindow() override;
  TRect WorkArea(TPoint ScreenPoint) const override;
  void SetScrollBarBounds(const TRect& Bounds, bool Visible) override;
  int ScrollBarWidth() const override;
  bool ApplicationActive() const override;
  int WheelScrollLines() const override;

  // The form's scroll bar is this window's own child.
  void SetScrollInfo(TScrollBarKind Bar, const TScrollInfo& Info) override;
  TScrollInfo GetScrollInfo(TScrollBarKind Bar) const override;
  QScrollBar* ListScrollBar() const { return bar_; }

 private:
  void OnBarAction(int Action);

  TCodeBaseCompletionProposalForm& form_;
  QScrollBar* bar_;
  TScrollInfo info_;
  bool settingBar_ = false;
  bool popupKind_ = true;
};

// Gives every completion form created from now on a Qt window.
void InstallQtCompletionWindows();

}  // namespace qv
