// Editing, search and replace, the popup menus, the object inspector and
// the Help commands of the main window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "app/AppControls.h"
#include "app/AppPaths.h"
#include "app/FlashUnit.h"
#include "app/PFMainUnit.h"
#include "app/SettingsPage.h"
#include "chart/Chart.h"
#include "chart/qt/ChartWidget.h"
#include "editor/CodeEditDialogs.h"
#include "editor/qt/CodeEditWidget.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "support/qt/QtPropInsp.h"

namespace qv {

namespace {

// The site of the program's maker.
const char* const kHomePage = "https://olbra.software/quorvane/";

// The editor as the inspector shows it: through its published properties
// when its class is described, else nothing.
template <class E>
TObjectRef InspectableEditor(E& edit) {
  if constexpr (requires { E::ClassInfo(); })
    return MakeObjectRef(&edit);
  else
    return {};
}

void ShowInformation(const std::string& text) {
  Dialogs().MessageBox(text, "Information", mtInformation, mbOK);
}

}  // namespace

// ---- clipboard and undo ------------------------------------------------------------

void TFitForm::CutActionExecute() { CodeMemo().CutToClipboard(); }
void TFitForm::UndoActionExecute() { CodeMemo().Undo(); }
void TFitForm::RedoActionExecute() { CodeMemo().Redo(); }

void TFitForm::PasteActionExecute() {
  if (!CodeMemo().ReadOnly() && codeMemo_->hasFocus()) CodeMemo().PasteFromClipboard();
}

void TFitForm::CopyActionExecute() {
  if (popupComponent_ == "FitChart") {
    FitChart().CopyToClipboardBitmap();
    popupComponent_.clear();
  } else if (popupComponent_ == "CodeMemo" || codeMemo_->hasFocus()) {
    CodeMemo().CopyToClipboard();
  } else if (popupComponent_ == "ResultMemo" || resultMemo_->hasFocus()) {
    ResultMemo().CopyToClipboard();
  }
}

void TFitForm::SelectAllActionExecute() {
  if (popupComponent_ == "ResultMemo" || (popupComponent_.empty() && resultMemo_->hasFocus()))
    ResultMemo().SelectAll();
  else
    CodeMemo().SelectAll();
}

// ---- search and replace ----------------------------------------------------------

void TFitForm::SearchReplaceText(bool Replace) {
  SetStatus(3, "");
  TCodeEdit& code = CodeMemo();
  TTextReplaceDialog dialog;
  dialog.SetSearchBackwards(search_.Backwards);
  dialog.SetSearchCaseSensitive(search_.MatchCase);
  dialog.SetSearchFromCursor(search_.FromCaret);
  dialog.SetSearchSelectedOnly(search_.SelectionOnly);
  dialog.SetSearchWholeWords(search_.WholeWord);
  // The selection on one line, else the word at the caret, is searched.
  if (code.SelAvail() && code.BlockBegin().Y == code.BlockEnd().Y)
    dialog.SetSearchText(code.SelText());
  else
    dialog.SetSearchText(code.GetWordAtRowCol(code.CaretXY()));
  dialog.SetSearchTextHistory(search_.SearchHistory);
  if (Replace) {
    dialog.SetReplaceText(search_.ReplaceText);
    dialog.SetReplaceTextHistory(search_.ReplaceHistory);
  }
  bool ok = false;
  if (RunSearchDialog) {
    ok = RunSearchDialog(dialog, Replace);
  } else {
    // Without the editor's dialogs: the texts are asked one by one.
    std::string text = dialog.SearchText();
    ok = Dialogs().InputQuery(Replace ? TTextReplaceDialog::Caption : TTextSearchDialog::Caption,
                              "Search for:", text);
    dialog.SetSearchText(text);
    if (ok && Replace) {
      std::string replacement = dialog.ReplaceText();
      ok = Dialogs().InputQuery(TTextReplaceDialog::Caption, "Replace with:", replacement);
      dialog.SetReplaceText(replacement);
    }
  }
  if (!ok) return;
  dialog.Closed(true);
  search_.Backwards = dialog.SearchBackwards();
  search_.MatchCase = dialog.SearchCaseSensitive();
  search_.FromCaret = dialog.SearchFromCursor();
  search_.SelectionOnly = dialog.SearchSelectedOnly();
  search_.WholeWord = dialog.SearchWholeWords();
  search_.SearchText = dialog.SearchText();
  search_.SearchHistory = dialog.SearchTextHistory();
  if (Replace) {
    search_.ReplaceText = dialog.ReplaceText();
    search_.ReplaceHistory = dialog.ReplaceTextHistory();
  }
  if (!search_.SearchText.empty()) {
    DoSearchText(Replace, search_.Backwards);
    search_.FromCaret = true;
  }
}

void TFitForm::DoSearchText(bool Replace, bool Backwards) {
  TCodeEdit& code = CodeMemo();
  TCodeSearchOptions options = 0;
  if (Replace) options |= ssoReplace | ssoReplaceAll | ssoPrompt;
  if (Backwards) options |= ssoBackwards;
  if (search_.MatchCase) options |= ssoMatchCase;
  if (!search_.FromCaret) options |= ssoEntireScope;
  if (search_.SelectionOnly) options |= ssoSelectedOnly;
  if (search_.WholeWord) options |= ssoWholeWord;
  if (code.SearchReplace(search_.SearchText, search_.ReplaceText, options) == 0) {
    QApplication::beep();
    SetStatus(3, "Text not found");
    code.SetCaretXY(Backwards ? code.BlockBegin() : code.BlockEnd());
  }
}

void TFitForm::SearchNextActionExecute() {
  if (search_.SearchText.empty()) {
    SearchReplaceText(false);
    return;
  }
  DoSearchText(false, false);
}

void TFitForm::SearchPrevActionExecute() {
  if (search_.SearchText.empty()) {
    SearchReplaceText(false);
    return;
  }
  DoSearchText(false, true);
}

int TFitForm::CodeMemoReplaceText(const std::string& Found, const std::string& Replacement) {
  // An occurrence that the replacement would not change is passed by.
  if (Found == Replacement) return raSkip;
  if (ConfirmReplace) return ConfirmReplace(Found, Replacement);
  switch (Dialogs().MessageBox("Replace this occurence of \"" + Found + "\"?", "Confirm replace",
                               mtConfirmation, mbYesNoCancel)) {
    case mrYes:
      return raReplace;
    case mrNo:
      return raSkip;
    default:
      return raCancel;
  }
}

// ---- other editing commands ---------------------------------------------------------

void TFitForm::GoToLine1Click() {
  TCodeEdit& code = CodeMemo();
  std::string value = std::to_string(code.CaretY());
  if (!Dialogs().InputQuery("Go to line", "Enter Line Number", value)) return;
  int line = 0;
  if (!TryStrToInt(Trim(value), line)) {
    ShowInformation("'" + value + "' is not a valid line number");
    return;
  }
  code.SetCaretXY(TPoint(code.CaretX(), std::clamp(line, 1, std::max(1, code.Lines().Count()))));
  code.EnsureCursorPosVisible();
}

void TFitForm::InsertTime1Click() { CodeMemo().SetSelText(DateTimeToStr(Now())); }

bool TFitForm::AskInsertFile(std::string& Name) {
  TFileDialogOptions ask = *openDialog_;
  ask.Filter = "Data File (*.csv,*txt)|*.csv;*.txt|All Files (*.*)|*.*";
  ask.Title = "Insert File Name";
  ask.FileName.clear();
  const TFileDialogResult r = Dialogs().OpenDialog(ask);
  if (!r.Ok) return false;
  Name = r.FileName();
  openDialog_->InitialDir = ExtractFileDir(Name);
  return true;
}

void TFitForm::InsertFileName1Click() {
  std::string name;
  if (AskInsertFile(name)) CodeMemo().SetSelText(name);
}

void TFitForm::InsertFileData1Click() {
  std::string name;
  if (!AskInsertFile(name)) return;
  // Read into a list of its own, so that the result text stays.
  TStringList inserted;
  try {
    inserted.LoadFromFile(name);
  } catch (const std::exception& e) {
    Dialogs().MessageBox(e.what(), "Error", mtError, mbOK);
    return;
  }
  CodeMemo().SetSelText(inserted.Text());
}

// ---- popup menus and the menu bar -----------------------------------------------------

void TFitForm::EditPopupMenuPopup() {
  const std::string on = popupComponent_;
  const bool running = SearchRunning() || inRun_;
  QAction* copy = Action("Copy2");
  QAction* selectAll = Action("SelectAll1");
  const QList<QAction*> items = editPopupMenu_->actions();
  if (on == "FitChart") {
    for (QAction* a : items) a->setVisible(ComponentTag(a) >= 2 || a == copy);
    copy->setEnabled(true);
    const int kind = ComponentTag(fitChart_);
    for (const char* n : {"LineLineChart1", "XYChart1", "PointLineChart1"})
      Action(n)->setChecked(ComponentTag(Action(n)) == kind + 2);
    selectAll->setVisible(false);
  } else if (on == "ResultMemo") {
    const bool lines = ResultMemo().Lines().Count() > 0;
    for (QAction* a : items) {
      const bool mine = ComponentTag(a) == 1 || a == copy;
      a->setVisible(mine);
      if (mine) a->setEnabled(lines);
    }
    selectAll->setVisible(true);
    selectAll->setEnabled(lines && !running);
    copy->setEnabled(ResultMemo().SelAvail());
  } else {
    for (QAction* a : items) a->setVisible(ComponentTag(a) == 0 || a == copy);
    copy->setEnabled(CodeMemo().SelAvail());
    for (const char* n : {"Cut1", "Paste1"}) Action(n)->setEnabled(!CodeMemo().ReadOnly());
  }
  Action("ViewChromosomes1")->setVisible(true);
  Action("ViewChromosomes1")->setEnabled(!engine_->Pop.Population.empty());
}

void TFitForm::Edit1Click(QMenu* Menu) {
  const bool running = SearchRunning() || inRun_;
  for (QAction* a : Menu->actions())
    if (!a->isSeparator()) a->setEnabled(!running);
  Action("InspectAction")->setChecked(inspectPanel_->isVisible());
  Action("FilePanel1")->setChecked(hooks_.FileBrowserOpen && hooks_.FileBrowserOpen());
}

void TFitForm::PageControl1Change() {
  const int page = ActivePageIndex();
  if (!SearchRunning()) {
    for (const char* n : {"CutButton", "CopyButton", "PasteButton", "UndoButton", "RedoButton",
                          "SearchButton", "ReplaceButton", "PrintButton"})
      if (auto* b = Get<QToolButton>(n)) b->setEnabled(page == 0);
  }
  if (page == 1) settingsPage_->verticalScrollBar()->setValue(0);
}

// ---- object inspector ------------------------------------------------------------------

void TFitForm::InspectActionExecute() {
  const bool show = !inspectPanel_->isVisible();
  inspectPanel_->setVisible(show);
  Action("InspectAction")->setChecked(show);
  if (!show) return;
  objComboBox_->clear();
  objComboBox_->addItems({"Code Editor", "Result Memo", "Result Chart"});
  objComboBox_->setCurrentIndex(0);
  ObjComboBoxChange();
}

void TFitForm::SpeedButton4Click() {
  inspectPanel_->setVisible(false);
  Action("InspectAction")->setChecked(false);
}

void TFitForm::ObjComboBoxDropDown() {
  if (objComboBox_->currentIndex() > 2) return;
  while (objComboBox_->count() > 3) objComboBox_->removeItem(3);
  const TChart& chart = FitChart();
  for (int n = 1; n <= chart.SeriesCount(); ++n)
    objComboBox_->addItem(QStr("Series" + std::to_string(n)));
}

void TFitForm::ObjComboBoxChange() {
  const int index = objComboBox_->currentIndex();
  TObjectRef object;
  if (index == 2) {
    object = MakeObjectRef(&FitChart());
  } else if (index > 2) {
    TChart& chart = FitChart();
    if (index - 3 < chart.SeriesCount()) object = MakeObjectRef(&chart.GetSeries(index - 3));
  } else {
    // The editors are inspected through their published properties once
    // their descriptions are registered.
    TCodeEdit& edit = index == 0 ? CodeMemo() : ResultMemo();
    object = InspectableEditor(edit);
  }
  objInspec_->Inspector().SetInspectedObject(object);
}

void TFitForm::ResetInspectorSelection() {
  if (!inspectPanel_->isVisible() || objComboBox_->currentIndex() <= 2) return;
  objComboBox_->setCurrentIndex(2);
  ObjComboBoxChange();
}

// ---- help -----------------------------------------------------------------------------

void TFitForm::About1Click() {
  TFlashForm about(this, false);
  about.exec();
}

void TFitForm::Content1Click() {
  std::string help;
  for (const std::string& f :
       {programFolder_ + "Quorvane.chm", programFolder_ + "../share/doc/quorvane/Quorvane.chm"})
    if (FileExists(f)) help = f;
  if (help.empty()) {
    ShowInformation("The help file \"Quorvane.chm\" is not installed.");
    return;
  }
  // The opener runs on its own; a failure it meets is told when it ends.
  const std::string message =
      "The help file \"" + help + "\" could not be opened: no viewer for it.";
  auto report = [message](int) { ShowInformation(message); };
  if (!ShellOpen(help, report)) report(-1);
}

void TFitForm::HomePage1Click() {
  const std::string message = std::string("The web page ") + kHomePage + " could not be opened.";
  auto report = [message](int) { ShowInformation(message); };
  if (!ShellOpen(kHomePage, report)) report(-1);
}

}  // namespace qv
