#include "app/spread/qt/SortUnit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

TSortForm::TSortForm(const std::vector<std::string>& keys, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Sort");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Sort Key:", this));
  clb1 = new QListWidget(this);
  clb1->setObjectName("clb1");
  for (const std::string& k : keys) {
    auto* item = new QListWidgetItem(QString::fromStdString(k), clb1);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  if (clb1->count() > 0) {
    clb1->item(0)->setCheckState(Qt::Checked);
    clb1->setCurrentRow(0);
  }
  layout->addWidget(clb1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  OKButton = new QPushButton("&OK", this);
  OKButton->setDefault(true);
  CancelButton = new QPushButton("&Cancel", this);
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  layout->addLayout(buttons);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(clb1, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { CheckOnly(item); });
  connect(clb1, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (!checking_ && item->checkState() == Qt::Checked) CheckOnly(item);
    // Unchecking the one checked item leaves it checked.
    if (!checking_ && CheckedIndex() < 0) CheckOnly(item);
  });
  resize(220, 260);
}

void TSortForm::CheckOnly(QListWidgetItem* item) {
  checking_ = true;
  for (int i = 0; i < clb1->count(); ++i)
    clb1->item(i)->setCheckState(clb1->item(i) == item ? Qt::Checked : Qt::Unchecked);
  clb1->setCurrentItem(item);
  checking_ = false;
}

int TSortForm::CheckedIndex() const {
  for (int i = 0; i < clb1->count(); ++i)
    if (clb1->item(i)->checkState() == Qt::Checked) return i;
  return -1;
}

int AskSortKey(const std::vector<std::string>& keys, QWidget* parent) {
  TSortForm form(keys, parent);
  return form.exec() == QDialog::Accepted ? form.CheckedIndex() : -1;
}

}  // namespace qv
