// The range editor of the chart analysis window, TEditForm: From, To and
// the number of steps of an active parameter, and "Both Items" to give the
// steps to both active parameters. Esc cancels, Enter confirms; From and
// To take only the keys of a real number, the steps box those of a whole
// number. OK is refused with a message while a value cannot be read or the
// range cannot be walked (no steps, From equal to To).
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace qv {

class TEditForm : public QDialog {
  Q_OBJECT
 public:
  explicit TEditForm(QWidget* parent = nullptr);

  // The edits (Edit1 From, Edit2 To, ComboBox1 steps, CheckBox1 "Both
  // Items"); the check box shows only when ShowBoth.
  void SetValues(const std::string& From, const std::string& To, const std::string& Steps,
                 bool ShowBoth);
  double From() const { return from_; }
  double To() const { return to_; }
  int Steps() const { return steps_; }
  bool BothItems() const;

  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;

  // Reads and checks the edits; false (after a message) keeps the form open.
  bool Confirm();
  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  double from_ = 0, to_ = 0;
  int steps_ = 0;
  bool showBoth_ = false;
};

}  // namespace qv
