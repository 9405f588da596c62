// The data sheet window (TSpreadForm): the document of SpreadDocument.h
// shown in a grid (MDIGrid) with its worksheet tree (SheetTree in
// SheetPanel), menus, tool bars and a status bar of two panels.
//
// The window is the document's view: the grid shows the current worksheet,
// the tree mirrors the document's tree. Commands act on the document and
// the selection through the Qt-free cores (SpreadDocument, SpreadFormulas,
// SpreadEdits); their failures are shown in message boxes, never thrown
// into Qt.
//
// One window is the program's data sheet (SpreadForm): ShowSpreadForm()
// makes it on first use and shows it; closing it frees it and the next use
// makes a new one. Other windows (the population view) make windows of
// their own.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/spread/SpreadDocument.h"
#include "app/spread/SpreadEdits.h"
#include "app/spread/SpreadFormulas.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;

namespace qv {

class TQtXLGrid;
class TUiTreeViewWidget;
class TQtColorPickerButton;
class TSheetTreeView;
class TCustomImageList;
class TTreeNode;
class TQtFormWindow;
class TFormPlacement;

class TSpreadForm : public QMainWindow, private TSpreadView {
  Q_OBJECT
 public:
  explicit TSpreadForm(QWidget* parent = nullptr);
  ~TSpreadForm() override;
  TSpreadForm(const TSpreadForm&) = delete;
  TSpreadForm& operator=(const TSpreadForm&) = delete;

  TSpreadDocument& Document() { return doc_; }
  TSheetFormulas& Formulas() { return formulas_; }
  // The worksheet the grid shows (null when none).
  TXLSheet* CurrentSheet() const { return doc_.CurrentSheet(); }
  TXLSheet* Sheet() const { return CurrentSheet(); }

  // ---- the document (Part of the document's interface, for callers) ----
  void NewDocument(int count) { doc_.NewDocument(count); }
  // A new untitled document of three worksheets, without the modified
  // question (a caller that asked it already).
  void NewUntitled() { doc_.NewUntitled(); }
  void ClearSheets() { doc_.ClearSheets(); }
  bool Modified() const { return doc_.Modified(); }
  void SetModified(bool v) { doc_.SetModified(v); }
  // Opens a file by its extension with the caption prefix.
  bool OpenFile(const std::string& fileName, const char* prefix = kSpreadCaption);
  // Sets a cell of the current worksheet, growing the sheet (and its
  // titles) when the cell lies beyond it. For the windows that write their
  // results into the sheet.
  void PutCell(int col, int row, const std::string& text);
  void PutCell(int col, int row, double value);
  // Merges cols cells of row from col into one block (growing the sheet
  // like PutCell); a span of fewer than two cells merges nothing.
  void MergeCells(int col, int row, int cols);
  // The width in pixels of a column of the current worksheet.
  void SetColumnWidth(int col, int pixels);
  // Puts the current cell on row (column 0), scrolling it into view.
  void SetCurrentRow(int row);
  // "Save" as the menu runs it; true when the document was saved.
  bool Save();

  // ---- parts ----
  TQtXLGrid* MDIGrid = nullptr;
  TUiTreeViewWidget* SheetTreeWidget = nullptr;
  QWidget* SheetPanel = nullptr;
  QSplitter* TreeSplitter = nullptr;
  QLabel* StatusPanel0 = nullptr;
  QLabel* StatusPanel1 = nullptr;
  TQtColorPickerButton* FontColorButton = nullptr;
  TQtColorPickerButton* BackColorButton = nullptr;
  QMenu* ToolsMenu = nullptr;

  // ---- commands ----
  void NewCommand();
  void OpenCommand();
  void InputFileCommand();
  void SaveCommand();
  void SaveAsCommand();
  void PrintCommand();
  void ToggleTree();
  void CutCommand();
  void CopyCommand();
  void PasteCommand();
  void PasteAllCommand();
  void ReversePasteCommand();
  void PastePictureCommand();
  void InsertRowsCommand();
  void InsertColsCommand();
  void DeleteRowsCommand();
  void DeleteColsCommand();
  void AddSheetCommand();
  void NewFolderCommand();
  void DeleteNodeCommand();
  void OneLevelUpCommand();
  void MoveUpCommand();
  void MoveDownCommand();
  void TreeSortCommand(int tag);
  void AppendFileCommand();
  void DeleteEmptyCells(int mode);
  void FontCommand();
  // 0 row number, 1 column number, 2 row height, 3 column width.
  void SizeCommand(int which);
  void FormatDataCommand();
  void ExportSelectionCommand();
  void SwapSelection(int mode);
  void SortSelection(int direction);
  void ExtendSelection(TSelectRun first, int second = -1);
  void DrawChartCommand();
  void ScaleCommand(int scale);
  void MergeCommand(int kind);  // 0 merge, 1 line merge, 2 row merge, 3 split
  void AlignCommand(int tag);
  void BorderCommand(int tag);
  void BorderColorCommand();
  void BorderWidthCommand(int width);
  void FontColorChanged();
  void BackColorChanged();
  void ConvertCommand(TBaseConversion kind);

  // Shows the statistics of the selection in the status bar.
  void ShowSelectionInfo();
  // The tree mirrors the document's tree now (the window does it after
  // every change, once the events in hand are done).
  void SyncTree();

  // Asks for the sort key among the titles (the sort dialog by default).
  std::function<int(const std::vector<std::string>&)> SortKeyAsker;
  // "Print": asks for the pages to print among 1..pages (the print dialog
  // of the Qt printer by default, one copy, the whole range preset); false
  // when cancelled.
  std::function<bool(int pages, int& from, int& to)> PrintRangeAsker;
  // Shows the series of "Draw chart" (a chart window by default).
  std::function<void(const std::vector<TChartColumn>&)> ChartShower;
  // The engine's number base of the Tools menu.
  std::function<int()> NumberBase;

  // The window's placement and stored settings (section "TSpreadForm" of
  // the settings file): the recent files, the tree panel's visibility and
  // width.
  TFormPlacement& Placement() { return *placement_; }

  // The border width choice (1 single, 2 medium, 3 double) and colour.
  int BorderWidth() const { return borderWidth_; }
  TColor BorderColor() const { return borderColor_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // ---- TSpreadView ----
  void ShowSheet(TXLSheet* sheet) override;
  TXLSheet* ShownSheet() const override;
  TRect Selection() const override;
  void Select(const TRect& r) override;
  TPoint CurrentCell() const override;
  void SetCurrentCell(const TPoint& p) override;
  void EndEditing() override;
  void TreeChanged() override;
  void CaptionChanged() override;
  void SetBusy(bool busy) override;

  void BuildMenus();
  void BuildToolBars();
  void BuildTree();
  void WireGrid();
  // Runs a command, showing its failure.
  void Run(const char* name, const std::function<void()>& f);
  void GridSelectionChanged();
  void GridEditModeChanged();
  void GridCellDblClick(const TPoint& p);
  // The data selection (client cells), held to the sheet.
  TRect DataSelection() const;
  void RebuildTree();
  TSheetNode* ModelNode(TTreeNode* node) const;
  void TreeNodeSelected(TTreeNode* node);
  void TreeDrop(TTreeNode* dragged, int x, int y);
  void UpdateMergeButtons();
  void RedrawColorGlyph(TQtColorPickerButton* button, bool fontButton);
  void RefreshRecentMenu();
  void RefreshWorksheetMenu();
  void RefreshPasteMenu();
  bool AskShrink(int cols, int rows);
  // A command on the cut data selection of the current worksheet (after
  // editing ends); the document is modified.
  void CutCellCommand(const std::function<void(TXLSheet&, const TRect&)>& f);
  void SaveSettings(TFormPlacement& p);
  void RestoreSettings(TFormPlacement& p);

  TSpreadDocument doc_;
  TSheetFormulas formulas_;
  std::unique_ptr<TQtFormWindow> formWindow_;
  std::unique_ptr<TFormPlacement> placement_;
  std::unique_ptr<TCustomImageList> treeImages_;
  TSheetTreeView* treeCore_ = nullptr;
  std::vector<std::pair<const TSheetNode*, std::string>> builtShape_;
  bool syncingTree_ = false;
  bool treeSyncPending_ = false;
  bool editingLabel_ = false;
  int busy_ = 0;
  int copyKind_ = 0;
  int borderWidth_ = 1;
  TColor borderColor_ = clBlack;
  int borderTag_ = 1;
  // The cell being edited in the grid and its text when editing began.
  bool editing_ = false;
  TPoint editCell_;
  std::string editText_;
  bool reopening_ = false;
  QMenu* recentMenu_ = nullptr;
  QMenu* worksheetMenu_ = nullptr;
  QMenu* pasteMenu_ = nullptr;
  QMenu* gridMenu_ = nullptr;
  QMenu* treeMenu_ = nullptr;
  QMenu* scaleMenu_ = nullptr;
  QMenu* sortMenu_ = nullptr;
  QMenu* borderWidthMenu_ = nullptr;
  QToolButton* alignButton_ = nullptr;
  QToolButton* borderButton_ = nullptr;
  QAction* treeAction_ = nullptr;
  QAction* mergeAction_ = nullptr;
  QAction* lineMergeAction_ = nullptr;
  QAction* rowMergeAction_ = nullptr;
  QAction* splitAction_ = nullptr;
  QAction* pasteAllAction_ = nullptr;
  QAction* reversePasteAction_ = nullptr;
  QAction* pastePictureAction_ = nullptr;
};

class TChartWidget;
class TLineSeries;

// A window with a 2-D chart of one line series per column (X the point's
// index, Y its value); it owns the series. "Draw chart" shows one modally
// until the chart analysis window takes its place.
class TSheetChartWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TSheetChartWindow(const std::vector<TChartColumn>& columns, QWidget* parent = nullptr);
  ~TSheetChartWindow() override;
  TChartWidget* Chart() const { return chart_; }

 private:
  TChartWidget* chart_;
  std::vector<std::unique_ptr<TLineSeries>> series_;
};

// The print dialog of the Qt printer for pages 1..pages (one copy, every
// page preset): from and to as chosen; false when cancelled. Without a Qt
// printer every page, at once.
bool AskPrintRange(QWidget* parent, int pages, int& from, int& to);

// The program's data sheet window (null until made, and after it closed).
extern TSpreadForm* SpreadForm;
// Makes the data sheet window when there is none, shows it in its normal
// state and returns it.
TSpreadForm& ShowSpreadForm();
// A ".ssf" name on the command line: the data sheet window shows the file
// under the caption "Quorvane Data Editor - [name]", unmodified. False (the
// failure shown) when the file could not be read.
bool OpenSheetFromCommandLine(const std::string& fileName);

}  // namespace qv
