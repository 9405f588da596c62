// The main window's reach to the program's data sheet window (SpreadForm,
// app/spread/qt/SpreadUnit.h): the data sheet members of TFitFormHooks
// (show it and fill it with results, ask whether it exists or is modified,
// save it, start a new document, set its caption, open a ".ssf" file), and
// the population view (View Chromosomes): a data sheet window of its own,
// shown modally and freed when it closes.
//
//   TFitForm form(args);
//   ConnectDataSheet(form.Hooks());
//
// The data sheet window frees itself when closed; the hooks make a new one
// on next use, so they never hold on to a window that has gone.
#pragma once

#include <QPointer>
#include <string>

#include "app/PFMainUnit.h"

namespace qv {

class TSpreadForm;

// A data sheet window's current worksheet as the sheet the results go
// into: cells grow the worksheet as needed; a window that has gone takes
// nothing.
class TSpreadResultSheet : public TResultSheet {
 public:
  explicit TSpreadResultSheet(TSpreadForm* Form = nullptr);
  void SetForm(TSpreadForm* Form);
  TSpreadForm* Form() const;

  void SetFloat(int Col, int Row, double Value) override;
  void SetText(int Col, int Row, const std::string& Value) override;
  void MergeRow(int Col, int Row, int Cols) override;
  void SetColumnWidth(int Col, int Pixels) override;
  void SetCurrentRow(int Row) override;

 private:
  QPointer<TSpreadForm> form_;
};

// Sets the data sheet hooks of Hooks to the program's data sheet window.
void ConnectDataSheet(TFitFormHooks& Hooks);

}  // namespace qv
