// The Qt host of the object inspector: the list widget hosting the
// inspector core, a QLineEdit child for the in-place edit (showing the
// edit model and reporting keys, typing, presses and focus to it), a child
// widget for the list button, a pop-up window for the drop-down list, and
// value hints as tool tips.
//
// InstallSupportQt() installs what the support components take from Qt:
// the hand and drag cursors, the installed font families for font-name
// properties and the text dialog of the string editors.
#pragma once

#include <QLineEdit>
#include <memory>

#include "platform/gui/QtHost.h"
#include "platform/gui/QtPopup.h"
#include "support/PropEdits.h"
#include "support/PropInsp.h"

namespace qv {

class TQtPropInspector;

void InstallSupportQt();

// The text dialog of the string editors, shown modally.
bool RunQtStrEditForm(TStrEditForm& form);

class TQtInplaceEdit : public QLineEdit, public TInplaceEditHost {
  Q_OBJECT
 public:
  explicit TQtInplaceEdit(TQtPropInspector* owner);

  // TInplaceEditHost
  void EditStateChanged() override;
  void FocusEdit() override;
  bool EditFocused() const override { return hasFocus(); }
  void ShowList(const TRect& screenBounds) override;
  void HideList() override;
  TPoint ClientToScreen(TPoint p) const override;
  TRect ScreenWorkArea() const override;
  std::int64_t NowMs() const override;
  int DoubleClickTimeMs() const override;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  TPropInplaceEdit& Model();
  TQtPropInspector* owner_;
  bool updating_ = false;
};

class TQtPropInspector : public TControlWidget {
  Q_OBJECT
 public:
  explicit TQtPropInspector(QWidget* parent = nullptr);
  ~TQtPropInspector() override;

  TPropInspector& Inspector() { return core_; }
  TQtInplaceEdit* Edit() const { return edit_; }
  TControlWidget* ListButton() const { return button_; }
  TQtPopupWidget* ListPopup() const { return list_.get(); }
  // Applies BorderStyle to the frame.
  void UpdateFrame();

  QSize sizeHint() const override;

 protected:
  bool viewportEvent(QEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;

 private:
  friend class TQtInplaceEdit;
  TPropInspector core_;
  TQtInplaceEdit* edit_ = nullptr;
  TControlWidget* button_ = nullptr;
  std::unique_ptr<TQtPopupWidget> list_;
};

}  // namespace qv
