#include "app/EditUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

#include "app/AppControls.h"
#include "app/ChartGrid.h"
#include "app/SettingKeys.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"

namespace qv {

TEditForm::TEditForm(QWidget* parent) : QDialog(parent) {
  setObjectName("EditForm");
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  Edit2 = new QLineEdit(this);
  Edit2->setObjectName("Edit2");
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  for (const char* s : {"10", "20", "30", "40", "50", "80", "100", "150"}) ComboBox1->addItem(s);
  ComboBox1->setCurrentText("20");
  form->addRow("From:", Edit1);
  form->addRow("To:", Edit2);
  form->addRow("Steps:", ComboBox1);
  layout->addLayout(form);
  CheckBox1 = new QCheckBox("Both Items", this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setVisible(false);
  layout->addWidget(CheckBox1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TEditForm::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TEditForm::reject);
  layout->addWidget(buttons);
  for (QObject* o : {static_cast<QObject*>(Edit1), static_cast<QObject*>(Edit2),
                     static_cast<QObject*>(ComboBox1->lineEdit())})
    o->installEventFilter(this);
}

void TEditForm::SetValues(const std::string& From, const std::string& To, const std::string& Steps,
                          bool ShowBoth) {
  Edit1->setText(QStr(From));
  Edit2->setText(QStr(To));
  ComboBox1->setCurrentText(QStr(Steps));
  showBoth_ = ShowBoth;
  CheckBox1->setVisible(ShowBoth);
  if (!ShowBoth) CheckBox1->setChecked(false);
}

bool TEditForm::BothItems() const { return showBoth_ && CheckBox1->isChecked(); }

bool TEditForm::Confirm() {
  double from = 0, to = 0, steps = 0;
  const std::string fromText = Trim(StdStr(Edit1->text())), toText = Trim(StdStr(Edit2->text())),
                    stepsText = Trim(StdStr(ComboBox1->currentText()));
  std::string error;
  if (!ParseChartNumber(fromText, from) || !std::isfinite(from))
    error = "\"" + fromText + "\" is not a valid From value.";
  else if (!ParseChartNumber(toText, to) || !std::isfinite(to))
    error = "\"" + toText + "\" is not a valid To value.";
  else if (!ParseChartNumber(stepsText, steps) || steps != std::floor(steps) || steps < 1 ||
           steps > 2000)
    error = "The steps must be a whole number from 1 to 2000.";
  else if (from == to)
    error = "From and To must differ.";
  if (!error.empty()) {
    Dialogs().MessageBox(error, "Error", mtError, mbOK);
    return false;
  }
  from_ = from;
  to_ = to;
  steps_ = int(steps);
  return true;
}

void TEditForm::accept() {
  if (Confirm()) QDialog::accept();
}

void TEditForm::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  QDialog::keyPressEvent(e);  // Esc rejects
}

bool TEditForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    const QString t = static_cast<QKeyEvent*>(e)->text();
    // Editing keys pass; a typed character must be one the box accepts.
    if (t.size() == 1 && t[0].unicode() >= 32) {
      const char16_t ch = t[0].unicode();
      const char key = ch < 128 ? char(ch) : '\x7f';
      const bool integer = watched == ComboBox1->lineEdit();
      std::string text;
      if (auto* edit = qobject_cast<QLineEdit*>(watched)) text = StdStr(edit->text());
      if (!AcceptSettingKey(integer, key, text)) return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}

}  // namespace qv
