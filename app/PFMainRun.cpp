// The run road of the main window: Run, Stop and Resume through the
// engine's run controller, the window's state around a run, and the
// engine's host interface implemented by the window.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <chrono>

#include "app/AppControls.h"
#include "app/AppDialogs.h"
#include "app/FitFormHost.h"
#include "app/SettingsPage.h"
#include "engine/ModelParser.h"
#include "engine/RandomValues.h"
#include "engine/SearchReport.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The panels and groups a run disables.
const char* const kRunLockedControls[] = {"RadioGroup2", "GAPanel", "MainPanel", "OptionPanel",
                                          "PSOPanel",    "DEPanel", "ZUDPanel"};

}  // namespace

std::shared_ptr<TFitFormHost> CreateFitFormHost(TFitForm& Form) {
  return std::make_shared<TFitFormHost>(Form);
}

// ---- the host ---------------------------------------------------------------

TFitFormHost::TFitFormHost(TFitForm& Form) : form_(Form), controller_(*Form.engine_, *this) {}

TFitSettings& TFitFormHost::Settings() { return form_.settings_; }

const TSearchSettings& TFitForm::RunSettings() const { return host_->Controller().Settings(); }

void TFitFormHost::SettingChanged(TSettingName Name) {
  form_.settingsPage_->ShowSetting(form_.settings_, Name);
}

void TFitFormHost::ShowMessage(TMsgDlgType Kind, const std::string& Text) {
  // The hourglass of a run must not stand over a message.
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  const TAppMsgKind kind = Kind == mtWarning        ? TAppMsgKind::Warning
                           : Kind == mtError        ? TAppMsgKind::Error
                           : Kind == mtConfirmation ? TAppMsgKind::Confirmation
                                                    : TAppMsgKind::Information;
  AppMessageBox(Text, kind, TAppButtons::OK);
}

void TFitFormHost::FocusSetting(TSettingName Name) {
  form_.SetActivePageIndex(1);
  TSettingsPage& page = *form_.settingsPage_;
  QWidget* control = page.Control(Name.String());
  if (!control) return;
  // The box may stand on the view that is not shown.
  const bool onOptions = page.Control("OptionPanel")->isAncestorOf(control);
  page.Get<QToolButton>(onOptions ? "OptionBT" : "MainBT")->setChecked(true);
  page.MainBTClick();
  page.ensureWidgetVisible(control);
  control->setFocus(Qt::OtherFocusReason);
}

void TFitFormHost::SearchStarted() {
  form_.SetActivePageIndex(-1);
  form_.SetRunningState(true);
  form_.UpdateFileFormControls();
  form_.ResetInspectorSelection();
}

void TFitFormHost::SearchEnded(TSearchEnd How) {
  if (How == TSearchEnd::FunctionDone) return;
  form_.SetRunningState(false);
  form_.UpdateFileFormControls();
  form_.SetActivePageIndex(How == TSearchEnd::Report ? -1 : 0);
  // A program model's data sets: the list is where the user goes next.
  const TEngineModel& M = form_.engine_->Model;
  if (How == TSearchEnd::Report && M.ModelMode == TModelMode::Program && M.DataFileCount > 1)
    form_.functionList_->setFocus();
}

void TFitFormHost::SetResultLines(const TResultReport& Report) { form_.ShowReport(Report); }

void TFitFormHost::SetupResultChart() { form_.SetupResultChart(); }
void TFitFormHost::WriteResultSummary(const std::vector<std::string>& Lines, bool Final) {
  form_.WriteResultSummary(Lines, Final);
}
void TFitFormHost::ShowResultLists(bool DataSets, bool Outputs) {
  if (DataSets) form_.FillFunctionListBox(ComponentTag(form_.panel11_));
  if (Outputs) form_.FillOutItemList(ComponentTag(form_.leftPanel_));
}

void TFitFormHost::ProcessMessages() { form_.Pump(); }

void TFitFormHost::RestoreCursor() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

bool TFitFormHost::EditTestFileValues(const std::vector<std::string>& Titles,
                                      std::vector<double>& Values) {
  if (form_.hooks_.EditTestValues) return form_.hooks_.EditTestValues(Titles, Values);
  // Without the input form: one question per value.
  for (std::size_t i = 0; i < Titles.size() && i < Values.size(); ++i) {
    std::string text = FloatToStr(Values[i]);
    for (;;) {
      if (!AppInputQuery("VarParameter Values", Titles[i], text)) return false;
      double v = 0;
      if (TryStrToFloat(Trim(text), v)) {
        Values[i] = v;
        break;
      }
      AppMessageBox("\"" + text + "\" is not a number.", TAppMsgKind::Information, TAppButtons::OK);
    }
  }
  return true;
}

// ---- engine calls of the life cycle -----------------------------------------------

void TFitForm::StageCompilerKitAtStart() { StageCompilerKit(1); }
void TFitForm::StageCompilerKitAtClose() { StageCompilerKit(0); }
void TFitForm::CleanLibFilesAtClose() { CleanLibFiles(0); }
void TFitForm::SeedEngineRandom() { engine_->Run.Random.Randomize(); }
void TFitForm::StopSearch() { host_->Controller().Stop(); }
bool TFitForm::SearchRunning() const { return engine_->Run.SearchRunning; }

const std::vector<TFunctionResult>& TFitForm::FunctionResults() const {
  return host_->Controller().FunctionResults();
}

void TFitForm::ShowFinalResults(bool KeepLists) {
  qv::ShowFinalResults(*engine_, *host_, host_->Controller().Settings(), KeepLists);
}

void TFitForm::Pump(bool Force) {
  // A search pumps once per iteration; the queue is looked at no more often
  // than every PumpIntervalMs, which keeps fast searches fast and Stop
  // answered at once.
  const long long now = NowMs();
  if (!Force && now - lastPumpMs_ < PumpIntervalMs) return;
  lastPumpMs_ = now;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// ---- Run, Stop, Resume ------------------------------------------------------------

void TFitForm::LockRunCommands() {
  resumeBeforeRun_ = Get<QToolButton>("ResumeBT1")->isEnabled();
  for (const char* n : {"RunButton", "ResumeBT1"}) Get<QToolButton>(n)->setEnabled(false);
  for (const char* n : {"Run1", "ResumeBT"}) Action(n)->setEnabled(false);
  // Stop is offered from here on: a program model is compiled and its
  // worker started before the search, and the stop command ends those.
  stopBeforeSearch_ = true;
  Get<QToolButton>("StopButton")->setEnabled(true);
  Action("Stop1")->setEnabled(true);
}

void TFitForm::UnlockRunCommands() {
  if (SearchRunning()) return;
  stopBeforeSearch_ = false;
  Get<QToolButton>("StopButton")->setEnabled(false);
  Action("Stop1")->setEnabled(false);
  Get<QToolButton>("RunButton")->setEnabled(true);
  Action("Run1")->setEnabled(true);
  // A run that never reached its report leaves Resume as it was.
  const TRunOutcome outcome = host_->Controller().Outcome();
  if (outcome != TRunOutcome::roSearched && outcome != TRunOutcome::roFailed) {
    Get<QToolButton>("ResumeBT1")->setEnabled(resumeBeforeRun_);
    Action("ResumeBT")->setEnabled(resumeBeforeRun_);
  }
}

bool TFitForm::ProgramRunAllowed(const std::vector<std::string>& Lines) {
  if (!askBeforeProgram_) return true;
  // Only a program model runs code of its own.
  TEngineState probe;
  PrepareModelText(probe, Lines);
  if (ClassifyModel(probe) != TModelMode::Program) return true;
  const std::string name = fileName_.empty() ? std::string("Untitled") : ExtractFileName(fileName_);
  if (AppMessageBox("The model \"" + name +
                        "\" holds a program that is compiled and run as native code on this "
                        "computer. Run it only if you trust where the model came from.\n\n"
                        "Compile and run it?",
                    TAppMsgKind::Confirmation, TAppButtons::YesNo) != AppResultYes)
    return false;
  askBeforeProgram_ = false;
  return true;
}

void TFitForm::RunButtonClick() {
  // Refused while a search runs (also from inside its pump).
  if (inRun_ || SearchRunning()) return;
  const std::vector<std::string> lines = CodeLines();
  if (!ProgramRunAllowed(lines)) return;
  inRun_ = true;
  LockRunCommands();
  runLayoutDone_ = false;
  shownFunction_ = -1;
  settingsPage_->ReadInto(settings_);
  engine_->Model.ModelFolder = fileName_.empty() ? std::string() : ExtractFileDir(fileName_);
  ClearChartFoot();
  try {
    host_->Controller().Run(lines);
  } catch (const std::exception& e) {
    AppMessageBox(e.what(), TAppMsgKind::Error, TAppButtons::OK);
  }
  TrimFunctionItems();
  SetComponentTag(functionList_, 1);
  inRun_ = false;
  host_->RestoreCursor();
  if (SearchRunning()) SetRunningState(false);  // a run that failed without its report
  UnlockRunCommands();
  if (closeAfterRun_) QTimer::singleShot(0, this, [this] { close(); });
}

bool TFitForm::StopAllowed() const { return SearchRunning() || (inRun_ && stopBeforeSearch_); }

void TFitForm::StopButtonClick() {
  if (!StopAllowed()) return;
  if (AppMessageBox("Are you sure to stop optimal search!", TAppMsgKind::Confirmation,
                    TAppButtons::YesNo) != AppResultYes)
    return;
  // The run may have ended while the question was open.
  if (!StopAllowed()) return;
  // Only the flags change here: the loop leaves after this pump and writes
  // the report once.
  StopSearch();
}

void TFitForm::Resume1Click() {
  if (inRun_ || SearchRunning() || engine_->Model.ModelMode == TModelMode::None) return;
  if (!Get<QToolButton>("ResumeBT1")->isEnabled()) return;
  inRun_ = true;
  LockRunCommands();
  shownFunction_ = -1;
  settingsPage_->ReadInto(settings_);
  RestoreFunctionItems();
  try {
    host_->Controller().Resume();
  } catch (const std::exception& e) {
    AppMessageBox(e.what(), TAppMsgKind::Error, TAppButtons::OK);
  }
  TrimFunctionItems();
  SetComponentTag(functionList_, 1);
  inRun_ = false;
  host_->RestoreCursor();
  if (SearchRunning()) SetRunningState(false);
  UnlockRunCommands();
  if (closeAfterRun_) QTimer::singleShot(0, this, [this] { close(); });
}

// ---- the window around a run ---------------------------------------------------

void TFitForm::TrimFunctionItems() {
  const TEngineState& S = *engine_;
  if (S.Model.ModelMode != TModelMode::Function || S.Run.StopCode != scUserStop) return;
  const int done = int(host_->Controller().FunctionResults().size());
  while (functionList_->topLevelItemCount() > std::max(done, 1) &&
         functionList_->topLevelItemCount() > 1 && leftPanel_->isVisible())
    delete functionList_->takeTopLevelItem(functionList_->topLevelItemCount() - 1);
}

void TFitForm::RestoreFunctionItems() {
  const TEngineState& S = *engine_;
  if (S.Model.ModelMode != TModelMode::Function || S.Model.FunctionCount <= 1 ||
      !leftPanel_->isVisible())
    return;
  const QSignalBlocker block(functionList_);
  for (int k = functionList_->topLevelItemCount(); k < S.Model.FunctionCount; ++k) {
    auto* item = new QTreeWidgetItem(functionList_);
    item->setText(0,
                  QStr(k < int(S.Model.FunctionOutputs.size()) ? S.Model.FunctionOutputs[k] : ""));
  }
  SetComponentTag(functionList_, 0);
}

void TFitForm::PrepareResultPage() {
  if (panel11_->isVisible()) return;
  int height = 0;
  if (!TryStrToInt(ComponentCaption(leftPanel_), height)) height = 0;
  if (height <= 0 || height >= int(std::lround(this->height() * 0.8))) {
    height = int(std::lround(this->height() * 0.3));
    SetComponentCaption(leftPanel_, std::to_string(height));
  }
  panel11_->setVisible(true);
  const int total = std::max(splitter1_->height(), height + 100);
  splitter1_->setSizes({height, total - height});
}

void TFitForm::LayoutListsForRun() {
  const TEngineState& S = *engine_;
  const QSignalBlocker blockF(functionList_);
  const QSignalBlocker blockO(outItemList_);
  if (S.Model.ModelMode == TModelMode::Equation) {
    // Optimisation: the memo fills the page.
    panel11_->setVisible(false);
    leftPanel_->setVisible(false);
    return;
  }
  PrepareResultPage();
  if (leftPanel_->isHidden()) {
    // The lists' panel opens at its width of last time, or 170 pixels.
    const int total = splitter2_->width();
    const int width = std::clamp(leftPanel_->width() > 50 ? leftPanel_->width() : 170, 50,
                                 std::max(50, total / 2));
    splitter2_->setSizes({width, std::max(1, total - width)});
  }
  functionList_->clear();
  outItemList_->clear();
  if (S.Model.ModelMode == TModelMode::Function) {
    const bool several = S.Model.FunctionCount > 1;
    leftPanel_->setVisible(several);
    outItemList_->setVisible(false);
    functionList_->setVisible(several);
    if (several) {
      functionList_->headerItem()->setText(0, "Functions");
      for (int k = 0; k < S.Model.FunctionCount; ++k) {
        auto* item = new QTreeWidgetItem(functionList_);
        item->setText(
            0, QStr(k < int(S.Model.FunctionOutputs.size()) ? S.Model.FunctionOutputs[k] : ""));
      }
      SetComponentTag(functionList_, 0);
    }
  } else {
    const int files = S.Model.DataFileCount, outputs = S.Model.OutputCount;
    leftPanel_->setVisible(files > 1 || outputs > 1);
    functionList_->setVisible(files > 1);
    outItemList_->setVisible(outputs > 1);
    if (files > 1 && outputs > 1) {
      const int h = splitter4_->height();
      splitter4_->setSizes({h - h * 2 / 5, h * 2 / 5});
    }
    if (files > 1) {
      functionList_->headerItem()->setText(0, "Data File Names");
      for (int f = 0; f < files; ++f) {
        auto* item = new QTreeWidgetItem(functionList_);
        item->setText(
            0, QStr(ExtractFileName(f < int(S.Model.DataSetNames.size()) ? S.Model.DataSetNames[f]
                                                                         : std::string())));
      }
      functionList_->setCurrentItem(functionList_->topLevelItem(0));
    }
    if (outputs > 1) {
      outItemList_->headerItem()->setText(0, "Output Items");
      for (int o = 0; o < outputs; ++o) {
        auto* item = new QTreeWidgetItem(outItemList_);
        item->setText(0, QStr(o < int(S.Model.OutputNames.size()) ? S.Model.OutputNames[o] : ""));
      }
      outItemList_->setCurrentItem(outItemList_->topLevelItem(0));
    }
  }
}

void TFitForm::SetRunningState(bool Running) {
  TEngineState& S = *engine_;
  if (Running) {
    if (!runLayoutDone_) {
      runLayoutDone_ = true;
      if (!S.Run.Resuming) LayoutListsForRun();
    }
    // Each function of a multi-function run is the selected list item while
    // it runs (the report reads which one is last).
    if (S.Model.ModelMode == TModelMode::Function && S.Model.FunctionCount > 1 &&
        S.Model.CurrentFunction < functionList_->topLevelItemCount()) {
      const QSignalBlocker block(functionList_);
      functionList_->setCurrentItem(functionList_->topLevelItem(S.Model.CurrentFunction));
    }
  }
  // Once a search has ended, Stop has nothing left to stop.
  if (!Running) stopBeforeSearch_ = false;
  ShowEditorRunning(Running);
  SetStatus(3, Running ? "Running Search..." : "");
  for (const char* n : kRunLockedControls)
    if (QWidget* w = settingsPage_->Control(n)) w->setEnabled(!Running);
  for (QToolButton* b : toolBar_->findChildren<QToolButton*>()) {
    if (b->objectName().isEmpty() || b->objectName().startsWith("qt_")) continue;
    const int tag = ComponentTag(b);
    b->setEnabled(Running ? tag == 1 : tag == 0);
  }
  if (!Running) Get<QToolButton>("ResumeBT1")->setEnabled(true);
  Action("Run1")->setEnabled(!Running);
  Action("ResumeBT")->setEnabled(!Running);
  Action("Stop1")->setEnabled(Running);
  CodeMemoStatusChange();
  if (!Running) PageControl1Change();
}

}  // namespace qv
