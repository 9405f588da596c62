#include "app/spread/qt/TestUnit.h"

#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "grid/qt/QtXLGrid.h"
#include "platform/core/Services.h"

namespace qv {

TTestForm::TTestForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Quorvane Input");
  setWindowFlag(Qt::Tool, true);
  auto* layout = new QVBoxLayout(this);

  // The input page.
  Panel2 = new QWidget(this);
  Panel2->setObjectName("Panel2");
  auto* input = new QVBoxLayout(Panel2);
  input->setContentsMargins(0, 0, 0, 0);
  input->addWidget(new QLabel("Input VapParameter for test file:", Panel2));
  XLS.SetTitleRows(1);
  XLS.SetTitleCols(1);
  XLS.SetColCount(1);
  XLS.SetRowCount(5);
  XLS.SetColDefWidth(195);
  XLS.SetRowDefHeight(18);
  XLS.PrintLeftMargin = XLS.PrintTopMargin = XLS.PrintRightMargin = XLS.PrintBottomMargin = 0;
  XLG = new TQtXLGrid(Panel2);
  XLG->setObjectName("XLG");
  XLG->Grid().SetOptions(TXLOptions{oTitleCols, oTitleRows, oVertLines, oHorzLines, oDrawFocus,
                                    oRowSelect, oRangeSelect, oTracking});
  XLG->Grid().SetScrolls(TXLScrolls{sbVertical});
  XLG->Grid().SetSheet(&XLS);
  XLG->setMinimumSize(260, 130);
  input->addWidget(XLG, 1);
  auto* inputButtons = new QHBoxLayout;
  inputButtons->addStretch();
  OKBT = new QPushButton("&OK", Panel2);
  CancelBT = new QPushButton("&Cancel", Panel2);
  inputButtons->addWidget(OKBT);
  inputButtons->addWidget(CancelBT);
  input->addLayout(inputButtons);
  connect(OKBT, &QPushButton::clicked, this,
          [this] { GuardHostCall("TTestForm.OK", [&] { OKBTClick(); }); });
  connect(CancelBT, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(Panel2);

  // The folder page.
  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  auto* folders = new QVBoxLayout(Panel1);
  folders->setContentsMargins(0, 0, 0, 0);
  folders->addWidget(new QLabel("Favourite Folders:", Panel1));
  ListBox1 = new QListWidget(Panel1);
  ListBox1->setObjectName("ListBox1");
  folders->addWidget(ListBox1, 1);
  folders->addWidget(new QLabel("(Checked one for the most often used folder)", Panel1));
  auto* folderButtons = new QHBoxLayout;
  AddButton = new QPushButton("Add", Panel1);
  DeleteButton = new QPushButton("Delete", Panel1);
  DeleteButton->setEnabled(false);
  auto* ok = new QPushButton("OK", Panel1);
  auto* cancel = new QPushButton("Cancel", Panel1);
  for (QPushButton* b : {AddButton, DeleteButton, ok, cancel}) folderButtons->addWidget(b);
  folders->addLayout(folderButtons);
  connect(AddButton, &QPushButton::clicked, this, [this] { AddButtonClick(); });
  connect(DeleteButton, &QPushButton::clicked, this, [this] { DeleteButtonClick(); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ListBox1, &QListWidget::itemClicked, this,
          [this](QListWidgetItem*) { DeleteButton->setEnabled(ListBox1->currentRow() >= 0); });
  connect(ListBox1, &QListWidget::itemChanged, this,
          [this](QListWidgetItem* item) { SyncChecks(item); });
  Panel1->hide();
  layout->addWidget(Panel1);

  BrowseFolder = [] {
    std::string folder = QDir::homePath().toStdString();
    return Dialogs().SelectFolder("Select folder", folder) ? folder : std::string();
  };
}

TTestForm::~TTestForm() { XLG->Grid().SetSheet(nullptr); }

void TTestForm::ShowFolderPage() {
  setWindowTitle("Folder Selection");
  Panel2->hide();
  Panel1->show();
  ShowFolders();
}

void TTestForm::OKBTClick() {
  XLG->Grid().SetEditMode(0);
  const int bad = StoreTestValues(XLS, TestFiles, First, Last, [this](int k, int j, double v) {
    if (Store) Store(k, j, v);
  });
  if (bad >= 0) {
    Dialogs().MessageBox("Wrong data input!", "Error", mtError, mbOK);
    XLG->Grid().SetCurCell(0, std::min(bad, std::max(XLS.RowCount() - 1, 0)));
    return;
  }
  accept();
}

void TTestForm::ShowFolders() {
  filling_ = true;
  ListBox1->clear();
  for (size_t i = 0; i < Folders.Items.size(); ++i) {
    auto* item = new QListWidgetItem(QString::fromStdString(Folders.Items[i]), ListBox1);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(static_cast<int>(i) == Folders.Checked ? Qt::Checked : Qt::Unchecked);
  }
  filling_ = false;
  DeleteButton->setEnabled(ListBox1->currentRow() >= 0);
}

void TTestForm::SyncChecks(QListWidgetItem* item) {
  if (filling_) return;
  // A click on a check box leaves exactly that item ticked, also when it
  // was the ticked one (the click would untick it).
  Folders.Check(ListBox1->row(item));
  filling_ = true;
  for (int i = 0; i < ListBox1->count(); ++i)
    ListBox1->item(i)->setCheckState(i == Folders.Checked ? Qt::Checked : Qt::Unchecked);
  filling_ = false;
}

void TTestForm::AddButtonClick() {
  const std::string folder = BrowseFolder ? BrowseFolder() : std::string();
  if (folder.empty() || !Folders.Add(folder)) return;
  ShowFolders();
}

void TTestForm::DeleteButtonClick() {
  const int row = ListBox1->currentRow();
  if (row < 0) return;
  Folders.Delete(row);
  ShowFolders();
}

}  // namespace qv
