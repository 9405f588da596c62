// The main window, TFitForm: the model editor (CodeMemo), the settings page,
// the results page (result memo, result chart, results lists), the menus,
// tool bar and status bar; it keeps the model file, runs, stops and resumes
// searches through the engine's run road and shows their results.
//
// Every control's objectName is its name (CodeMemo, ResultMemo, FitChart,
// PageControl1, RB1, SizeBox1, RunButton, Run1, ...); Component(name) finds
// it. The window implements the engine's host interface through an object
// of its own (app/FitFormHost.h) and owns the engine state: the engine reads
// the settings from a settings object the window fills from its controls
// before every run and resume.
//
// A program model (which is compiled and run as native code) that was read
// from a file asks once, before its first run, whether to run it.
//
// Run state: a search runs inside RunButtonClick / Resume1Click on the UI
// thread and pumps the window's events; Stop, close and the menus reach the
// window through that pump and act on the loop only through the engine's
// stop flags. Stop is offered from the start of a run command: a program
// model is compiled and its worker started before the search, and Stop ends
// those as well as a search waiting on code that never returns. Run and
// Resume refuse to start while a search runs; closing during a run stops
// it, lets the loop unwind, then closes.
//
// Settings are kept in the settings file (Quorvane.INI in the settings
// folder) by FormStorage1: the placement and the stored properties listed
// in StoredPropertyNames().
//
// The window's own code does not include the platform's dialog services
// in this header: the engine's host interface, which the window implements
// in app/FitFormHost.h, names the same dialog kinds.
//
// Windows that come with later parts of the program (the data sheet, the
// chart analysis window, the file browser, the input form of test values)
// are reached through the factories of TFitFormHooks; without them their
// commands say that the window is not available.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/FormComponents.h"
#include "engine/CommonUnit.h"
#include "engine/FitSettings.h"
#include "platform/core/Classes.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

class TChart;
class TChartSeries;
class TChartWidget;
class TCodeCompletionProposal;
class TCodeEdit;
class TCodeEditPrint;
class TCodeEditWidget;
class TCodeCustomHighlighter;
class TFitFormHost;
class TFormStorage;
class TNamedStreams;
class TQtFormWindow;
class TQtPropInspector;
class TSettingsPage;
class TUiPageControlWidget;
class TTextReplaceDialog;
struct TFileDialogOptions;
struct TSearchSettings;

// A data sheet the results are written into (the data sheet window's grid):
// cells by (column, row) from 0.
class TResultSheet {
 public:
  virtual ~TResultSheet() = default;
  virtual void SetFloat(int Col, int Row, double Value) = 0;
  virtual void SetText(int Col, int Row, const std::string& Value) = 0;
  // Merges the cells Col..Col+Cols-1 of Row.
  virtual void MergeRow(int Col, int Row, int Cols) = 0;
  virtual void SetColumnWidth(int Col, int Pixels) = 0;
  virtual void SetCurrentRow(int Row) = 0;
};

// The windows of later parts of the program, as the main window reaches
// them. Every member may be empty.
struct TFitFormHooks {
  // The data sheet window: shows it (creating it when needed) and returns
  // its sheet; CreatedNow tells whether it did not exist before.
  std::function<TResultSheet*(bool& CreatedNow)> ShowSheet;
  // Whether the sheet window exists; whether its document is modified; saving
  // it (false: not saved); a new empty document of three worksheets.
  std::function<bool()> SheetExists;
  std::function<bool()> SheetModified;
  std::function<bool()> SaveSheet;
  std::function<void()> NewSheetDocument;
  std::function<void(const std::string& Caption)> SetSheetCaption;
  // Opens a ".ssf" file in the sheet window with its caption.
  std::function<void(const std::string& FileName)> OpenSheetFile;
  // The population as a sheet shown modally (View Chromosomes).
  std::function<void(const std::vector<std::vector<std::string>>& Cells)> ShowChromosomes;
  // The chart analysis window (2D-3D Analysis) and its chart saving.
  std::function<void()> ShowChartAnalysis;
  std::function<void(TChart& Chart)> SaveChart;
  // The file browser: toggles it; whether it is open; enables its controls.
  std::function<void()> ToggleFileBrowser;
  std::function<bool()> FileBrowserOpen;
  std::function<void(bool Enabled)> EnableFileBrowser;
  // The input form of the var-parameter values of test data files: Titles
  // as row titles, Values in and out; false when cancelled.
  std::function<bool(const std::vector<std::string>& Titles, std::vector<double>& Values)>
      EditTestValues;
  // The input form's folder page, for the file browser's favourite folders:
  // the folders in order and the ticked one (-1: none), in and out; false
  // when cancelled.
  std::function<bool(std::vector<std::string>& Folders, int& Ticked)> EditFavourites;
};

class TFitForm;
// The window's engine host (app/FitFormHost.h), made where the engine's
// host interface is seen.
std::shared_ptr<TFitFormHost> CreateFitFormHost(TFitForm& Form);

class TFitForm : public QMainWindow {
  Q_OBJECT
 public:
  // Args: the command line without the program (one optional file name).
  explicit TFitForm(std::vector<std::string> Args = {}, TFitFormHooks Hooks = {},
                    QWidget* parent = nullptr);
  ~TFitForm() override;
  TFitForm(const TFitForm&) = delete;
  TFitForm& operator=(const TFitForm&) = delete;

  // ---- components ------------------------------------------------------------
  QObject* Component(const std::string& Name) const;
  template <class T>
  T* Get(const std::string& Name) const {
    return qobject_cast<T*>(Component(Name));
  }
  QAction* Action(const std::string& Name) const;
  TCodeEdit& CodeMemo();
  TCodeEdit& ResultMemo();
  TChart& FitChart();
  TSettingsPage& SettingsPage() { return *settingsPage_; }
  TEngineState& Engine() { return *engine_; }
  TFitSettings& Settings() { return settings_; }
  // The typed settings the last run read from the controls.
  const TSearchSettings& RunSettings() const;
  TStringList& ReopenFileList() { return reopenFiles_; }
  TFormStorage& FormStorage1() { return *storage_; }
  // The printing component of the two editors' Print commands.
  TCodeEditPrint& CodeEditPrint() { return *codeEditPrint_; }
  // The model editor's completion list (Ctrl+Space).
  TCodeCompletionProposal& Completion() { return *completion_; }
  TFitFormHooks& Hooks() { return hooks_; }
  // The chart's series (owned by the window), in chart order.
  const std::vector<std::unique_ptr<TChartSeries>>& ResultSeries() const { return series_; }

  // The file name of the model shown ("" for a new model).
  const std::string& FileName() const { return fileName_; }
  std::string StatusText(int Panel) const;
  int ActivePageIndex() const;
  void SetActivePageIndex(int Index);
  bool SearchRunning() const;
  // The stored-property list of FormStorage1, in order.
  static const std::vector<std::string>& StoredPropertyNames();

  // ---- life cycle (PFMainUnit.cpp) --------------------------------------------
  void FormShow();
  void FormPaint();
  // False keeps the window open.
  bool FormCloseQuery();
  void FormClose();
  void FormStorage1RestorePlacement();
  bool CodeModifiyCheck();
  void ShowFileInfo(const std::string& Name, bool Show);
  std::string EditorModeText();
  void CodeMemoStatusChange();
  void ShowSheetActionExecute();
  void ExitActionExecute();
  void Program1Click();

  // ---- run road (PFMainRun.cpp) ------------------------------------------------
  void RunButtonClick();
  void StopButtonClick();
  void Resume1Click();
  void PrepareResultPage();
  // The window for a run starting or ending (the host's running state).
  void SetRunningState(bool Running);
  // The engine's final result text for the shown data set (program mode).
  void ShowFinalResults(bool KeepLists);
  // Pumps pending events (the host's ProcessMessages); at most every
  // PumpIntervalMs during a search, always when Force.
  void Pump(bool Force = false);
  static constexpr int PumpIntervalMs = 15;

  // ---- result routines (PFMainResults.cpp) -----------------------------------
  // The engine's summary: shown as the result text during a run (Final
  // false); with Final the report follows, and only the chart and the
  // function's list line are brought up to date.
  void WriteResultSummary(const std::vector<std::string>& Lines, bool Final);
  // A report of the engine as the result text.
  void ShowReport(const TResultReport& Report);
  void SetupResultChart();
  void UpdateResultChart(bool RefreshTarget);
  void FillOutItemList(int Measure);
  void FillFunctionListBox(int Measure);
  void UpdateFileFormControls();
  void R1Click(int Measure);
  void LineLineChart1Click(int Kind);
  void OutItemListClick();
  void FunctionListBoxClick();
  void FunctionListBoxDblClick();
  void ListBoxMenuPopup();
  // What the engine kept of each function of the last fitting run, in
  // function order (engine/RunState.h).
  const std::vector<TFunctionResult>& FunctionResults() const;

  // ---- model file (PFMainFile.cpp) ---------------------------------------------
  void SaveModelFile(const std::string& Name);
  // False when the file was read as plain text.
  bool LoadModelFile(const std::string& Name);
  void NewActionExecute();
  void OpenActionExecute();
  // Opens a file as Open does after its dialog (the command line, a drop).
  bool OpenModel(const std::string& Name);
  // False when nothing was saved (cancelled or failed).
  bool SaveActionExecute();
  bool SaveAsActionExecute();
  void AddRecentFile(const std::string& Name);
  // The open model's file was renamed (the file browser): the window keeps
  // and shows the new name.
  void ModelFileRenamed(const std::string& Name);
  void OpenRecentFile(const std::string& Name);
  void ClearRecentFiles();
  void FilePopupMenuPopup();
  void File1Click();
  void CodeMemoChange();
  void CodeMemoDropFiles(const std::vector<std::string>& Files);

  // ---- results page commands (PFMainResults.cpp) ------------------------------
  void Copy3Click();
  void CopyAll1Click();
  void Save2Click();
  void Print2Click();
  void PrintButtonClick();
  void SaveChart1Click();
  void CatchDataClick();
  void ResultsToSheet(TResultSheet& Sheet);
  void ViewActionExecute();
  void ViewChromosomes1Click();

  // ---- editing and menus (PFMainEdit.cpp) -------------------------------------
  void CutActionExecute();
  void CopyActionExecute();
  void PasteActionExecute();
  void UndoActionExecute();
  void RedoActionExecute();
  void SelectAllActionExecute();
  void SearchReplaceText(bool Replace);
  void DoSearchText(bool Replace, bool Backwards);
  // The editor asks before each replacement: raCancel .. raReplaceAll.
  int CodeMemoReplaceText(const std::string& Found, const std::string& Replacement);
  void SearchNextActionExecute();
  void SearchPrevActionExecute();
  void GoToLine1Click();
  void InsertTime1Click();
  void InsertFileName1Click();
  void InsertFileData1Click();
  void EditPopupMenuPopup();
  void Edit1Click(QMenu* Menu);
  void PageControl1Change();
  void InspectActionExecute();
  void SpeedButton4Click();
  void ObjComboBoxDropDown();
  void ObjComboBoxChange();
  void ResetInspectorSelection();
  void About1Click();
  void Content1Click();
  void HomePage1Click();
  // The search state shared by the search commands.
  struct TSearchState {
    std::string SearchText, ReplaceText, SearchHistory, ReplaceHistory;
    bool Backwards = false, MatchCase = false, FromCaret = false, SelectionOnly = false,
         WholeWord = false;
  };
  TSearchState& SearchState() { return search_; }
  // Which control a popup menu was opened on ("" when none).
  void SetPopupComponent(const std::string& Name) { popupComponent_ = Name; }
  const std::string& PopupComponent() const { return popupComponent_; }

  // The dialog of the search commands: shown modally, OK true. Tests and
  // the window without the editor's dialogs replace it.
  std::function<bool(TTextReplaceDialog& Dialog, bool Replace)> RunSearchDialog;
  // The confirmation of one replacement: raCancel .. raReplaceAll.
  std::function<int(const std::string& Found, const std::string& Replacement)> ConfirmReplace;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  friend class TFitFormHost;
  void FormCreate();
  void BuildActions();
  void BuildMenus();
  void BuildToolBar();
  void BuildPages();
  void BuildResultsPage(QWidget* page);
  void BuildInspector();
  void BuildStatusBar();
  void RegisterComponents();
  void SetupStorage();
  QAction* MakeAction(const std::string& Name, const std::string& Caption,
                      const std::string& Shortcut, std::function<void()> Handler);
  void SetCaptionFor(const std::string& Name);
  void SetStatus(int Panel, const std::string& Text);
  void ShowPopup(const std::string& Component, QMenu* Menu, const QPoint& Global);
  void FormKeyDown(QKeyEvent* e, bool& Handled);
  void RefillRecentMenus();
  void LoadIntoEditor(const std::string& Name);
  // The editor and chart around a run, for the run-road code (which does
  // not see the editor's and chart's headers).
  std::vector<std::string> CodeLines();
  void ShowEditorRunning(bool Running);
  void ClearChartFoot();
  // Engine calls of the life cycle (PFMainRun.cpp).
  void StageCompilerKitAtStart();
  void StageCompilerKitAtClose();
  void CleanLibFilesAtClose();
  void SeedEngineRandom();
  void StopSearch();
  // Whether the stop command has something to stop: a search, or a run
  // command before its search (reading, compiling and loading the model).
  bool StopAllowed() const;
  // Run and Resume are off from the moment a run command starts (reading
  // and compiling the model come before the search) until it has ended.
  void LockRunCommands();
  // A program model opened from a file asks once before it is first
  // compiled and run; false when the user said no.
  bool ProgramRunAllowed(const std::vector<std::string>& Lines);
  void UnlockRunCommands();
  bool SaveTo(const std::string& Name);
  void LayoutListsForRun();
  // A fit by functions stopped by the user lists only the functions that
  // ran (TrimFunctionItems); a resumed one lists every function again
  // (RestoreFunctionItems), since it goes on with the rest.
  void TrimFunctionItems();
  void RestoreFunctionItems();
  void FreeSeries();
  void PrintEditor(TCodeEdit& Editor);
  // Before results go into an existing data sheet: the question to save a
  // modified sheet, then a new document; false when the user cancelled or
  // the save failed.
  bool ReplaceSheetDocument();
  // The dialog of the two insert-file commands; false when cancelled.
  bool AskInsertFile(std::string& Name);
  // The observed and calculated values the chart shows, their output's
  // name and their line (Text and Statistics are left empty): of a finished
  // function of a fitting run (the one chosen in the list), or the engine's
  // current data set and output. Function: the finished function, or -1
  // for the engine's values. False when there are no observed values.
  bool ChartData(int Function, TFunctionResult& Data) const;
  double MeasureOf(int File, int Output, int Measure) const;
  // Measure of data set File over all outputs (mean R and DC, summed RMSE
  // and SSE), or of function File in a multi-function fitting run.
  double ListMeasure(int File, int Measure) const;
  // Measure of list column 2 for code 0..3 (else SSE).
  static std::string MeasureName(int Measure);
  void SetResultLines(const std::vector<std::string>& Lines);
  std::vector<std::string> ResultLines() const;

  std::vector<std::string> args_;
  TFitFormHooks hooks_;
  std::unique_ptr<TEngineState> engine_;
  TFitSettings settings_;
  std::shared_ptr<TFitFormHost> host_;
  std::unique_ptr<TCodeCustomHighlighter> highlighter_;
  std::unique_ptr<TCodeEditPrint> codeEditPrint_;
  std::unique_ptr<TCodeCompletionProposal> completion_;
  std::unique_ptr<TNamedStreams> cns_;
  std::unique_ptr<TQtFormWindow> formWindow_;
  std::unique_ptr<TFormStorage> storage_;
  TFormComponents components_;
  TStringList reopenFiles_;
  std::vector<std::unique_ptr<TChartSeries>> series_;

  TCodeEditWidget* codeMemo_ = nullptr;
  TCodeEditWidget* resultMemo_ = nullptr;
  TChartWidget* fitChart_ = nullptr;
  TSettingsPage* settingsPage_ = nullptr;
  TUiPageControlWidget* pages_ = nullptr;
  QTreeWidget* functionList_ = nullptr;
  QTreeWidget* outItemList_ = nullptr;
  QSplitter* splitter1_ = nullptr;  // result memo over the chart panel
  QSplitter* splitter2_ = nullptr;  // lists beside the memo and chart
  QSplitter* splitter4_ = nullptr;  // function list over the output list
  QWidget* leftPanel_ = nullptr;
  QWidget* panel11_ = nullptr;
  QWidget* inspectPanel_ = nullptr;
  QComboBox* objComboBox_ = nullptr;
  TQtPropInspector* objInspec_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QMenu* file1_ = nullptr;
  QMenu* filePopupMenu_ = nullptr;
  QMenu* editPopupMenu_ = nullptr;
  QMenu* listBoxMenu_ = nullptr;
  std::array<QLabel*, 6> statusPanels_{};
  std::map<std::string, QAction*> actions_;

  std::string fileName_;
  std::string programFolder_;
  std::shared_ptr<TFileDialogOptions> openDialog_;
  std::shared_ptr<TFileDialogOptions> saveDialog_;
  TSearchState search_;
  std::string popupComponent_;
  bool shown_ = false;
  bool painted_ = false;
  bool inRun_ = false;
  bool closeAfterRun_ = false;
  bool closing_ = false;
  bool resumeBeforeRun_ = false;
  // From the start of a run command until its search has ended.
  bool stopBeforeSearch_ = false;
  bool askBeforeProgram_ = false;
  bool runLayoutDone_ = false;
  int shownFunction_ = -1;
  long long lastPumpMs_ = 0;
};

}  // namespace qv
