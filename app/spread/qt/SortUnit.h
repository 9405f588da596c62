// The sort dialog of the data sheet window: "Sort" with the label
// "Sort Key:", a check list of the selected columns' titles (clb1) and the
// buttons "&OK" and "&Cancel". Exactly one item is checked at any time:
// item 0 at first; clicking an item, or checking its box, checks it alone.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace qv {

class TSortForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSortForm(const std::vector<std::string>& keys, QWidget* parent = nullptr);
  // The checked item (-1 when none).
  int CheckedIndex() const;
  QListWidget* clb1 = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void CheckOnly(QListWidgetItem* item);
  bool checking_ = false;
};

// Shows the dialog modally: the chosen key's index after OK, else -1.
int AskSortKey(const std::vector<std::string>& keys, QWidget* parent);

}  // namespace qv
