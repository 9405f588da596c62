#include "app/InputFormHooks.h"

#include <QApplication>
#include <algorithm>

#include "app/spread/qt/TestUnit.h"
#include "grid/qt/QtXLGrid.h"

namespace qv {

bool EditTestValuesInForm(const std::vector<std::string>& Titles, std::vector<double>& Values) {
  TTestForm form(QApplication::activeWindow());
  const int rows = static_cast<int>(Titles.size());
  form.XLS.SetRowCount(rows);
  form.XLS.SetCellText(0, -1, "VarParameter Values");
  for (int r = 0; r < rows; ++r) {
    form.XLS.SetCellText(-1, r, Titles[static_cast<std::size_t>(r)]);
    TXLCell* title = form.XLS.GetCell(-1, r);
    title->SetHorzAlign(haLeft);
    title->SetIndent(4);
  }
  // The titles fit their column (their indent and a margin added), and the
  // value column stays in sight.
  form.XLS.SetSize(-1, 0, -1);
  form.XLS.SetSize(-1, 0, form.XLS.GetSize(-1, 0) + 8);
  const int width = form.XLS.GetSize(-1, 0) + form.XLS.GetSize(0, 0) + 24;
  form.XLG->setMinimumWidth(std::max(form.XLG->minimumWidth(), width));
  // The rows are the values in the order of Titles (one "test file" of
  // that many values, as the engine lays them out).
  std::vector<double> typed = Values;
  typed.resize(Titles.size(), 0.0);
  form.TestFiles = rows > 0 ? 1 : 0;
  form.First = 0;
  form.Last = rows - 1;
  form.Store = [&typed](int, int j, double v) {
    if (j >= 0 && static_cast<std::size_t>(j) < typed.size())
      typed[static_cast<std::size_t>(j)] = v;
  };
  form.XLG->Grid().SetCurCell(0, 0);
  if (form.exec() != QDialog::Accepted) return false;
  Values = typed;
  return true;
}

bool EditFavouritesInForm(std::vector<std::string>& Folders, int& Ticked) {
  TTestForm form(QApplication::activeWindow());
  QApplication::setOverrideCursor(Qt::WaitCursor);
  form.Folders.Items = Folders;
  form.Folders.Checked = Ticked >= 0 && Ticked < static_cast<int>(Folders.size()) ? Ticked : -1;
  form.ShowFolderPage();
  QApplication::restoreOverrideCursor();
  if (form.exec() != QDialog::Accepted) return false;
  Folders = form.Folders.Items;
  Ticked = form.Folders.Checked;
  return true;
}

void ConnectInputForm(TFitFormHooks& Hooks) {
  Hooks.EditTestValues = EditTestValuesInForm;
  Hooks.EditFavourites = EditFavouritesInForm;
}

}  // namespace qv
