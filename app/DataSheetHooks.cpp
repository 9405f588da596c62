#include "app/DataSheetHooks.h"

#include <QEventLoop>
#include <memory>

#include "app/spread/qt/SpreadUnit.h"

namespace qv {

TSpreadResultSheet::TSpreadResultSheet(TSpreadForm* Form) : form_(Form) {}

void TSpreadResultSheet::SetForm(TSpreadForm* Form) { form_ = Form; }

TSpreadForm* TSpreadResultSheet::Form() const { return form_; }

void TSpreadResultSheet::SetFloat(int Col, int Row, double Value) {
  if (form_) form_->PutCell(Col, Row, Value);
}

void TSpreadResultSheet::SetText(int Col, int Row, const std::string& Value) {
  if (form_) form_->PutCell(Col, Row, Value);
}

void TSpreadResultSheet::MergeRow(int Col, int Row, int Cols) {
  if (form_) form_->MergeCells(Col, Row, Cols);
}

void TSpreadResultSheet::SetColumnWidth(int Col, int Pixels) {
  if (form_) form_->SetColumnWidth(Col, Pixels);
}

void TSpreadResultSheet::SetCurrentRow(int Row) {
  if (form_) form_->SetCurrentRow(Row);
}

namespace {

// The population as a sheet of its own: a data sheet window of one
// worksheet holding Cells row by row, shown modally until it is closed.
void ShowCellsModally(const std::vector<std::vector<std::string>>& Cells) {
  auto* form = new TSpreadForm();
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->setWindowModality(Qt::ApplicationModal);
  form->NewDocument(1);
  for (std::size_t row = 0; row < Cells.size(); ++row)
    for (std::size_t col = 0; col < Cells[row].size(); ++col)
      form->PutCell(int(col), int(row), Cells[row][col]);
  form->SetCurrentRow(0);
  form->SetModified(false);
  QEventLoop loop;
  QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
  form->show();
  loop.exec();
}

}  // namespace

void ConnectDataSheet(TFitFormHooks& Hooks) {
  // One adapter serves every call; it is pointed at the window each time
  // the window is shown, which may be a new one.
  auto sheet = std::make_shared<TSpreadResultSheet>();
  Hooks.ShowSheet = [sheet](bool& CreatedNow) -> TResultSheet* {
    CreatedNow = SpreadForm == nullptr;
    TSpreadForm& form = ShowSpreadForm();
    // A new window starts unmodified (its empty document was never edited).
    if (CreatedNow) form.SetModified(false);
    sheet->SetForm(&form);
    return sheet.get();
  };
  Hooks.SheetExists = [] { return SpreadForm != nullptr; };
  Hooks.SheetModified = [] { return SpreadForm != nullptr && SpreadForm->Modified(); };
  Hooks.SaveSheet = [] { return SpreadForm != nullptr && SpreadForm->Save(); };
  Hooks.NewSheetDocument = [] {
    if (SpreadForm) SpreadForm->NewUntitled();
  };
  Hooks.SetSheetCaption = [](const std::string& Caption) {
    if (SpreadForm) SpreadForm->Document().SetCaption(Caption);
  };
  Hooks.OpenSheetFile = [](const std::string& FileName) { OpenSheetFromCommandLine(FileName); };
  Hooks.ShowChromosomes = ShowCellsModally;
}

}  // namespace qv
