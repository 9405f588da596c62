// The Qt host of a combo box core: the control face is painted by the core,
// the edit field of the editable styles is a line edit over the core's edit
// rectangle, and the drop-down list is a popup window hosting the core's
// list.
#pragma once

#include <QLineEdit>
#include <memory>

#include "platform/core/ComboBox.h"
#include "platform/gui/QtHost.h"
#include "platform/gui/QtPopup.h"

namespace qv {

class TComboBoxWidget : public TControlWidget, public TComboBoxHost {
  Q_OBJECT
 public:
  // The core is not owned.
  explicit TComboBoxWidget(TCustomComboBox* core, QWidget* parent = nullptr);
  ~TComboBoxWidget() override;
  TCustomComboBox* Combo() const { return combo_; }
  QLineEdit* Edit() const { return edit_; }
  // The drop-down window (exists while the widget does).
  TQtPopupWidget* DropDownWindow() const { return popup_.get(); }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  void SetEditText(const std::string& text, int selStart, int selLength) override;
  void SetEditReadOnly(bool readOnly) override;
  void ShowDropDown(bool show, int width, int height) override;
  void InvalidateDropDown() override;
  void Beep() override;
  void PostTab() override;
  // Timers go on the control timer clock while one is installed.
  void SetTimer(int id, int intervalMs) override;
  void KillTimer(int id) override;

  // The style may have changed: show or hide the edit field.
  void SyncEdit();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  // Lets go of the core (before a derived widget frees it).
  void DetachCombo();
  // An event of the edit field; true when consumed.
  bool EditEvent(QEvent* e);

 private:
  TCustomComboBox* combo_;
  QLineEdit* edit_;
  std::unique_ptr<TQtPopupWidget> popup_;
  bool settingText_ = false;
};

}  // namespace qv
