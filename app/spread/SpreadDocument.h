// The document of the data sheet window: a tree of folders and worksheets
// (SheetTree.h), each worksheet a TXLSheet, with the window's modified flag
// and caption, and every file format the window reads and writes.
//
// Worksheet n is the sheet named "Sheet" + n; the document owns it and
// finds it by its number (the StateIndex of its tree node). Per-worksheet
// state lives in the sheet itself, in the formulas of title cells:
//   corner cell (-1, -1)  the grid selection "left;top;right;bottom"
//                         (right and bottom exclusive); "0;0;1;1" when new
//   row title (-1, 0)     the tree index of the node to select after loading
//                         (read from the first worksheet)
//
// Files:
//   ".ssf"  a stream collection (support/NamedStreamCol.h, compressed):
//           "Sheet" + n per worksheet (the sheet's component stream),
//           "ImageID_Data" and "StateID_Data" (one decimal line per node in
//           tree order) and "SheetTree_Data" (one line per node, one TAB
//           per level, then its text). The three lists are Windows-1252
//           text when every character has a 1252 byte, else UTF-8 after a
//           byte-order mark; both read back.
//   ".ogy"  the sibling product's collection with the streams "InputSheet"
//           and "OutputSheet".
//   ".xls"  Excel workbooks through TXLSWorkbook; only cell texts cross.
//   text    imported by splitting lines at ";", "," or TAB (else at a
//           blank), exported as TAB-terminated cell texts, one line per row
//           (UTF-8; imports take UTF-8, else Windows-1252). A text whose
//           sheet would not fit in the memory left is refused (below).
//
// Failures: every load builds the new document (or the appended part) aside
// and takes it over only when the whole file was read; a failing load leaves
// the document, the caption and the modified flag as they were and raises
// (LoadXls/AppendXls show their message first). Writers save atomically,
// so a failed save leaves the old file as it was.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/spread/SheetTree.h"
#include "grid/XLSheet.h"
#include "support/NamedStreamCol.h"

namespace qv {

// What the document needs of its window: the grid that shows one worksheet
// and its selection. The defaults keep the state in the object, so that the
// document works (and is tested) without a window.
class TSpreadView {
 public:
  virtual ~TSpreadView() = default;
  // The grid shows sheet (null: none).
  virtual void ShowSheet(TXLSheet* sheet) { shown_ = sheet; }
  virtual TXLSheet* ShownSheet() const { return shown_; }
  // The client selection in sheet coordinates (right and bottom exclusive)
  // and the current cell.
  virtual TRect Selection() const { return sel_; }
  virtual void Select(const TRect& r) {
    sel_ = r;
    cur_ = r.TopLeft();
  }
  virtual TPoint CurrentCell() const { return cur_; }
  virtual void SetCurrentCell(const TPoint& p) {
    cur_ = p;
    sel_ = TRect(p.X, p.Y, p.X + 1, p.Y + 1);
  }
  // Leaves in-cell editing, storing the edited value.
  virtual void EndEditing() {}
  // The tree's nodes or the selected node changed.
  virtual void TreeChanged() {}
  virtual void CaptionChanged() {}
  // The hourglass cursor on and off.
  virtual void SetBusy(bool busy) { (void)busy; }

 private:
  TXLSheet* shown_ = nullptr;
  TRect sel_{0, 0, 1, 1};
  TPoint cur_{0, 0};
};

// The caption prefix; the file name follows between "[" and "]".
inline constexpr const char* kSpreadCaption = "Quorvane SpreadSheet - [";
// The caption a sheet document opened from the command line shows.
inline constexpr const char* kDataEditorCaption = "Quorvane Data Editor - [";
inline constexpr const char* kModifiedQuestion = "Spread sheet has been modified, save it?";

// File dialog filters of the window.
inline constexpr const char* kSpreadOpenFilter =
    "Quorvane Files (*.ssf;*ogy;*xls;*csv;*txt;*.prn)|*.ssf;*.ogy;*.xls;*.csv;*.txt;*.prn|"
    "Spread Sheet Files (*.ssf)|*.ssf|Tarnowelkin Files (*.ogy)|*.ogy|Excel Files "
    "(*.xls)|*.xls|Text Files (*,csv;*.txt;*.prn)|*.csv;*.txt;*.prn|All Files (*.*)|*.*";
inline constexpr const char* kSpreadSaveFilter =
    "Spread Sheet Files (*.ssf)|*.ssf|Excel File (*.xls)|*.xls|Text Files "
    "(*,csv;*.txt;*.prn)|*.csv;*.txt;*.prn|All Files (*.*)|*.*";
inline constexpr const char* kSpreadAppendFilter =
    "Quorvane Files (*.ssf;*ogy;*xls;*csv;*txt;*.prn)|*.ssf;*ogy;*xls;*csv;*txt;*.prn|Spread "
    "Sheet Files (*.ssf)|*.ssf|Tarnowelkin Files (*.ogy)|*.ogy|Text Files "
    "(*,csv;*.txt;*.prn)|*.csv;*.txt;*.prn|All Files (*.*)|*.*";
inline constexpr const char* kTextFileFilter =
    "Text Files (*,csv;*.txt;*.prn)|*.csv;*.txt;*.prn|All Files (*.*)|*.*";
inline constexpr const char* kCsvFileFilter = "CSV Files (*,csv)|*.csv";

// A worksheet number with its component name and node text.
struct TNextSheet {
  int Number = 1;
  std::string Name;  // "Sheet" + Number
  std::string Text;  // "Sheet" + Number
};

class TSpreadDocument {
 public:
  explicit TSpreadDocument(TSpreadView* view = nullptr);
  ~TSpreadDocument();
  TSpreadDocument(const TSpreadDocument&) = delete;
  TSpreadDocument& operator=(const TSpreadDocument&) = delete;

  TSpreadView& View() const { return *view_; }
  TSheetTree& Tree() { return tree_; }
  const TSheetTree& Tree() const { return tree_; }
  // Worksheet n (null when the document holds none of that number).
  TXLSheet* Worksheet(int n) const;
  TXLSheet* SheetOf(const TSheetNode* node) const;
  // The worksheet the grid shows (null when none).
  TXLSheet* CurrentSheet() const { return view_->ShownSheet(); }
  int WorksheetCount() const { return static_cast<int>(sheets_.size()); }

  // ---- modified flag and caption ----
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // caption prefix + name + "]".
  void SetFileCaption(const std::string& name, const char* prefix = kSpreadCaption);
  // The name between the first "[" and the first "]" of the caption,
  // trimmed ("" when there is none).
  std::string FileName() const;
  // True while a load or ClearSheets runs (tree changes are not user edits).
  bool Loading() const { return loading_; }

  // ---- the document ----
  // Empties the tree and builds the "Base Folder" with count new
  // worksheets "Sheet1".."Sheet<count>"; shows Sheet1 (tree node 1).
  void NewDocument(int count);
  // Frees every worksheet and clears the tree.
  void ClearSheets();
  // The next worksheet number: one more than the largest in the tree.
  TNextSheet NextSheetNumber() const;
  // Gives a new worksheet the defaults: 50 columns, 200 rows, one title
  // row and column, widths 80/30, height 17, font size 10, titles, the
  // corner and tree-index formulas, Title and Name "Sheet" + n.
  static void InitNewWorksheet(TXLSheet& sheet, int n);
  // Row titles 1..RowCount and column letters for 0..ColCount-1.
  static void LabelTitles(TXLSheet& sheet);
  // Grows the sheet to at least cols x rows data cells, titling what it
  // adds; nothing shrinks.
  static void GrowSheet(TXLSheet& sheet, int cols, int rows);

  // ---- the shown worksheet ----
  // Selects a node: a worksheet node is shown in the grid (its stored
  // selection restored, every worksheet told the node's tree index); a
  // folder only becomes the selected node.
  void SelectNode(TSheetNode* node);
  // The grid's selection changed: stored in the shown sheet's corner.
  void SelectionChanged();

  // ---- sheet documents ----
  void LoadSsf(const std::string& fileName, bool isOgy);
  void AppendSsf(const std::string& fileName, bool isOgy);
  // The same from a collection in memory; fileName names the appended
  // folder.
  void LoadSsfStreams(const TNamedStreams& streams, bool isOgy);
  void AppendSsfStreams(const TNamedStreams& streams, const std::string& fileName, bool isOgy);
  void SaveSsf(const std::string& fileName);
  // ---- Excel workbooks ----
  // LoadXls and AppendXls show "Falied to load file "<name>"!" ("append")
  // on failure and answer false, the document left as it was.
  bool LoadXls(const std::string& fileName);
  bool AppendXls(const std::string& fileName);
  // Raises what the workbook raises (nothing written then).
  void SaveXls(const std::string& fileName);
  // ---- delimited text ----
  // Imports at (c0, r0) of sheet; grows the sheet to hold every line and
  // field; selects the block when the grid shows the sheet.
  void ImportText(int c0, int r0, TXLSheet& sheet, const std::string& fileName);
  // The shown worksheet up to its last non-empty text; clears Modified.
  void SaveText(const std::string& fileName);
  // The selected rectangle; Modified stays.
  void ExportSelection(const std::string& fileName);

  // ---- worksheet tree commands ----
  // "Add Sheet": a new worksheet after the selected worksheet node, or as
  // the last child of the selected folder; selected and shown.
  TSheetNode* AddSheet();
  // "New Folder": a folder "New Folder" after the selected node's last
  // sibling.
  TSheetNode* NewFolder();
  // "Delete" with its check and question; true when something went.
  bool DeleteNode(TSheetNode* node);
  // Every worksheet learns the selected node's tree index.
  void StoreTreeIndex();
  // ---- the window's file commands (dialogs through Dialogs()) ----
  // The modified question (Yes, No, Cancel; Yes saves first). False when
  // the command must stop: Cancel, or a save that did not happen.
  bool CheckModified();
  // Reads a file by its extension (".ssf", ".ogy", ".xls", anything else
  // as text into a new one-worksheet document) with the caption naming it
  // (prefix: kSpreadCaption, or kDataEditorCaption from the command line).
  // A failure is shown, and the document, caption and modified flag stay
  // as they were. True when the file was read.
  bool OpenFile(const std::string& fileName, const char* prefix = kSpreadCaption);
  // "Open": the modified check, the open dialog, nothing for the file
  // already open and unmodified, OpenFile, the recent-file list.
  bool OpenCommand();
  // A recent file: the modified check, OpenFile, the name to the top.
  bool ReopenCommand(const std::string& fileName);
  // "Save": by the name in the caption; "Untitled" and ".ogy" names ask
  // for a name (SaveAsCommand). Failures are shown; true when saved.
  bool SaveCommand();
  bool SaveAsCommand();
  // "New": the modified check, then NewUntitled.
  bool NewCommand();
  // A new untitled document of three worksheets, unmodified (no question).
  void NewUntitled();
  // Files dropped on the window, each after the modified check (Cancel
  // ends the drop).
  void DropFiles(const std::vector<std::string>& files);
  // Closing: a modified document asks (Yes, No); Yes saves. False keeps the
  // window open: the save the user asked for did not happen.
  bool CloseQuery();
  // "Append File...": ".ssf", ".ogy", ".xls" appended; any other file as
  // text into a new worksheet below a new top-level folder. Failures are
  // shown; true when appended.
  bool AppendFile(const std::string& fileName);
  // The recent files, newest first, at most 10.
  std::vector<std::string> RecentFiles;
  void AddRecentFile(const std::string& fileName);

  // After a move, drop, rename or sort of the tree: modified, the tree
  // index stored, the view told.
  void TreeEdited();

 private:
  // Worksheets by number.
  using TSheetMap = std::map<int, std::unique_ptr<TXLSheet>>;
  // Takes a freshly read document over, replacing the current one.
  void TakeOver(TSheetTree& tree, TSheetMap& sheets);
  // Reads the numbered worksheets of a collection into sheets.
  void ReadSsfInto(const TNamedStreams& streams, bool isOgy, TSheetTree& tree, TSheetMap& sheets);
  void AppendSsfInto(const TNamedStreams& streams, const std::string& fileName, bool isOgy,
                     TSheetTree& tree, TSheetMap& sheets, int firstNumber);
  void ReadXlsInto(const std::string& fileName, TSheetTree& tree, TSheetNode* folder,
                   TSheetMap& sheets, int firstNumber);
  // Reads a text file into sheet at (c0, r0); the block it filled.
  TRect ReadText(int c0, int r0, TXLSheet& sheet, const std::string& fileName);
  // A new one-worksheet document holding a text file.
  void OpenText(const std::string& fileName);
  // The tree index a loaded document selects.
  int StoredTreeIndex() const;
  void WriteLines(const std::string& fileName, TXLSheet& sheet, const TRect& cells) const;

  std::unique_ptr<TSpreadView> ownView_;
  TSpreadView* view_;
  TSheetTree tree_;
  TSheetMap sheets_;
  bool modified_ = false;
  bool loading_ = false;
  std::string caption_;
};

// Splits one line of delimited text into cells of sheet from (c, r): at the
// largest of the first positions of ";", "," and TAB, else at the first
// blank, decided anew for each field; fields are trimmed, the last piece
// kept as it is. Writes through SetCellText, growing the sheet's columns
// when a field lies beyond them. Returns the last column written.
int SplitTextLine(TXLSheet& sheet, int c, int r, std::string_view text);

// Memory for delimited text. Before a text file is read into a sheet, the
// bytes its sheet will take (TextSheetBytes: per line the row of cells, the
// row title and its row; per cell the cell with its slot; the texts too
// long to stand in a cell) are weighed
// against the memory left (SheetMemoryAvailable: MemAvailable of
// /proc/meminfo, and under an address-space limit, RLIMIT_AS, what is left
// of it); a file that would not fit is refused with EOutOfMemory before a
// cell is made. SetSheetMemoryLimit(bytes) puts a fixed figure in place of
// the system's (0: the system's again), for tests.
inline constexpr std::uint64_t kSheetBytesPerLine = 168;
inline constexpr std::uint64_t kSheetBytesPerCell = 56;
std::uint64_t TextSheetBytes(std::int64_t lines, std::int64_t cells,
                             std::uint64_t longTextBytes = 0);
std::uint64_t SheetMemoryAvailable();
void SetSheetMemoryLimit(std::uint64_t bytes);

// The bytes of a ".ssf" list stream for UTF-8 text, and the text back.
std::string EncodeListText(std::string_view utf8);
std::string DecodeListText(std::string_view bytes);

// A sheet name Excel takes for a node text: the characters : \ / ? * [ ]
// become "_", apostrophes at either end go, at most 31 characters, and a
// name equal (ignoring case) to one of taken gets " (2)", " (3)" ...; an
// empty text gives "Sheet" + (index + 1).
std::string ValidSheetName(std::string_view text, int index, const std::vector<std::string>& taken);

}  // namespace qv
