// The input form (TTestForm): one small modal tool window "Quorvane Input"
// with two pages, of which the caller shows one:
// - the input page (Panel2): a one-column sheet XLS in the grid XLG where
//   the user types one value per row for the per-file parameters of the
//   test files; OK stores them through Store and closes, or shows "Wrong
//   data input!" and puts the cursor on the first row that is no number;
// - the folder page (Panel1, "Folder Selection"): the favourite folders as
//   a check list (ListBox1) with "Add", "Delete", "OK" and "Cancel".
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "app/spread/TestInput.h"
#include "grid/XLSheet.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace qv {

class TQtXLGrid;

class TTestForm : public QDialog {
  Q_OBJECT
 public:
  explicit TTestForm(QWidget* parent = nullptr);
  ~TTestForm() override;

  // Shows the folder page instead of the input page (caption "Folder
  // Selection").
  void ShowFolderPage();

  // ---- input page ----
  QWidget* Panel2 = nullptr;
  TQtXLGrid* XLG = nullptr;
  TXLSheet XLS;
  // What the rows stand for: test files 0..TestFiles-1, per-file parameters
  // First..Last; each valid value goes to Store(k, j, value).
  int TestFiles = 0;
  int First = 0;
  int Last = -1;
  std::function<void(int k, int j, double value)> Store;
  QPushButton* OKBT = nullptr;
  QPushButton* CancelBT = nullptr;
  // "&OK": stores and closes, or shows the message.
  void OKBTClick();

  // ---- folder page ----
  QWidget* Panel1 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QPushButton* AddButton = nullptr;
  QPushButton* DeleteButton = nullptr;
  TFolderList Folders;
  // Asks for a folder; empty when cancelled (by default the dialogs
  // service's folder chooser "Select folder", starting at home).
  std::function<std::string()> BrowseFolder;
  void AddButtonClick();
  void DeleteButtonClick();
  // Fills the list from Folders.
  void ShowFolders();

 private:
  void SyncChecks(QListWidgetItem* item);
  bool filling_ = false;
};

}  // namespace qv
