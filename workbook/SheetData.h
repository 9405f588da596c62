// The sheet side of the workbook model: the sheet collection (TSheets) of a
// TXLSWorkbook, the sheet (TSheet) with its typed cell setters, its cell
// text getter and its measurements, and the sheet's print settings, merged
// cells and page breaks.
//
// Cells are addressed by zero-based column (0-255) and row (0-65535); a
// setter given a position outside raises EXLSError and stores nothing.
// Sheet names, cell texts and all other text are UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "workbook/CellStorage.h"
#include "workbook/ExcelMask.h"
#include "workbook/SST.h"
#include "workbook/XLSCharts.h"
#include "workbook/XLSFormats.h"
#include "workbook/XLSNames.h"
#include "workbook/XLSPictures.h"
#include "workbook/XLSTypes.h"

namespace qv {

class TXLSWorkbook;
class TSheets;
class TSheet;

enum TSheetOption : uint8_t {
  soGridlines,
  soRowColHeadings,
  soProtected,
  soR1C1Mode,
  soIteration,
  soShowFormulas,
  soFrozenPanes,
  soShowZeros
};
using TSheetOptions = TSmallSet<TSheetOption>;
enum TWorkspaceOption : uint8_t {
  woShowAutoBreaks,
  woApplyStyles,
  woRowSumsBelow,
  woColSumsRight,
  woFitToPage,
  woOutlineSymbols
};
using TWorkspaceOptions = TSmallSet<TWorkspaceOption>;
enum TPrintSetupOption : uint8_t {
  psoLeftToRight,
  psoPortrait,
  psoNoColor,
  psoDraftQuality,
  psoNotes,
  psoRowColHeading,
  psoGridlines,
  psoHorizCenter,
  psoVertCenter
};
using TPrintSetupOptions = TSmallSet<TPrintSetupOption>;

// Paper sizes are the Windows paper size numbers (0 none .. 68 A3 extra
// transverse).
constexpr int psNone = 0, psLetter = 1, psA4 = 9, psA3ExtraTransverse = 68;

struct THorizPagebreak {
  int Row = 0, Col1 = 0, Col2 = 0;  // Row: the last row before the break
};
struct TVertPagebreak {
  int Col = 0, Row1 = 0, Row2 = 0;
};

class TPrintSettings {
 public:
  explicit TPrintSettings(TSheet* sheet) : sheet_(sheet) {}

  int Copies = 1;
  double FooterMargin = 0, HeaderMargin = 0;
  double MarginBottom = -1, MarginLeft = -1, MarginRight = -1, MarginTop = -1;  // -1: not set
  TPrintSetupOptions Options{psoPortrait};
  int PaperSize = psA4;
  int ScalingFactor = 100;
  int StartingPage = 1;
  int Resolution = 600;
  std::vector<THorizPagebreak> HorizPagebreaks;
  std::vector<TVertPagebreak> VertPagebreaks;

  const std::string& Header() const { return header_; }
  const std::string& Footer() const { return footer_; }
  // Texts of 256 or more characters are refused with a message.
  void SetHeader(const std::string& v);
  void SetFooter(const std::string& v);
  // "first:last"; each part an integer of -1 or more with first <= last,
  // else EXLSError "Invalid value"; a negative part makes both -1. The
  // sheet's print titles follow in the workbook's names.
  std::string RowsOnEachPage() const;
  void SetRowsOnEachPage(const std::string& v);
  std::string ColsOnEachPage() const;
  void SetColsOnEachPage(const std::string& v);
  // What a sheet's Clear resets.
  void Reset();

 private:
  void setRange(const std::string& v, int& first, int& last);
  void recordTitles();
  TSheet* sheet_;
  std::string header_, footer_;
  int rowFirst_ = -1, rowLast_ = -1, colFirst_ = -1, colLast_ = -1;
};

class TMergedCells;

struct TMergedCell {
  int Col1 = 0, Row1 = 0, Col2 = 0, Row2 = 0;
};

class TMergedCells {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TMergedCell& Item(int i) { return items_.at(static_cast<size_t>(i)); }
  const TMergedCell& Item(int i) const { return items_.at(static_cast<size_t>(i)); }
  TMergedCell& Add() {
    items_.emplace_back();
    return items_.back();
  }
  TMergedCell& Add(int col1, int row1, int col2, int row2) {
    items_.push_back({col1, row1, col2, row2});
    return items_.back();
  }
  void Delete(int i) { items_.erase(items_.begin() + i); }
  void Clear() { items_.clear(); }
  // False when Col1 > Col2 or Row1 > Row2, or when (Col1, Row1) or
  // (Col2 - 1, Row2 - 1) lies inside another merged cell.
  bool Valid(int i) const;

 private:
  std::vector<TMergedCell> items_;
};

// A ROW record as read: row, first and last column, height, options and
// format (the XF index).
struct TRowRecord {
  int Row = 0, Col1 = 0, Col2 = 0, Height = 0, Options = 0, Format = 0;
};

struct THyperlink {
  std::string Text;  // description, TAB, address
  uint32_t Key = 0;
};

// The result of a formula cell for SetFormula: Type 8 number, 9 string,
// 10 Boolean, 11 error (Value holds the BIFF error code).
struct TFormulaResult {
  int Type = ctNumberFormula;
  double Number = 0;
  std::string Text;
  uint8_t Value = 0;
};

class TSheet {
 public:
  TSheet(TSheets* owner, int collectionId);
  ~TSheet();
  TSheet(const TSheet&) = delete;
  TSheet& operator=(const TSheet&) = delete;

  const std::string& Name() const { return name_; }
  // A name that equals (case-sensitively) the name of a sheet of the
  // collection, this one included, shows "Sheet name "<name>" allready
  // exists" and keeps the old name. A leading encoding byte 0 or 1 is
  // dropped.
  void SetName(const std::string& v);

  int DefaultColWidth = 8;
  int DefaultRowHeight = 0;  // twentieths of a point; 0 for none
  TPrintSettings PrintSettings;
  TMergedCells MergedCells;
  TSheetOptions Options{soGridlines, soRowColHeadings, soShowZeros};
  TWorkspaceOptions WorkspaceOptions{woShowAutoBreaks, woRowSumsBelow, woColSumsRight,
                                     woOutlineSymbols};
  int CalcCount = 100;
  double Delta = 0.001;
  int Zoom = 100;
  int ZoomPreview = 100;
  bool RecalcFormulas = true;
  TNotes Notes;
  TSheetPictures SheetPictures;
  TColumnFormats ColumnFormats;
  TXLSCharts Charts;
  int FixedRows = 0;
  int FixedCols = 0;
  TDataValidations Validations;

  // Members the reader fills and the writer uses.
  TCellStorage Cells;
  std::vector<THyperlink> Hyperlinks;
  TXLSInFileCharts InFileCharts;
  std::vector<TRowRecord> Rows;
  int FirstCol = 65535, LastCol = 0, FirstRow = 65535, LastRow = 0;  // the dimensions
  int FrozenRow = 0, FrozenCol = 0;
  std::array<int, 4> Guts{};
  int GridSet = 1;

  // ---- cell setters ----
  void SetBlank(int col, int row, int format);
  void SetBoolean(int col, int row, bool value, int format);
  // kind: 1 #NULL! .. 7 #N/A, 0 no error value.
  void SetError(int col, int row, int kind, int format);
  void SetFloat(int col, int row, double value, int format);
  void SetString(int col, int row, const std::string& text, int format);
  void SetWideString(int col, int row, const std::u16string& text, int format);
  void SetSharedString(int col, int row, uint32_t index, int format);
  void SetCellText(int col, int row, const std::string& text) { SetString(col, row, text, -1); }
  // Raises "Invalid Formula cell type" for a result type other than 8-11.
  void SetFormula(int col, int row, int format, std::string tokens, const TFormulaResult& result);
  void SetArrayFormula(int col, int row, int format, std::string tokens, std::string arrayTokens,
                       double result);
  // Stores a cell made elsewhere (its Key gives the position).
  void PutCell(std::unique_ptr<TCell> cell);
  // Makes a T(key, args...) in the sheet's cell storage (no allocation of
  // its own) at key, replacing a cell there as PutCell does.
  template <class T, class... A>
  T& NewCell(uint32_t key, A&&... args) {
    widthsValid_ = false;
    return Cells.Emplace<T>(key, std::forward<A>(args)...);
  }

  // The cell's text as the workbook shows it: numbers by their number
  // format, strings, TRUE/FALSE, error texts; formula cells their result
  // (or the formula with ShowFormulas).
  std::string GetCellText(int col, int row);
  std::string CellText(TCell& cell);

  // Recomputes the used range into FirstCol..LastRow; no cells: all 0.
  void CalcDimensions();
  // The width of a column in pixels: the widest text of its cells in
  // their fonts, at least DefaultColWidth times the width of "8". Sets the
  // column's format width when the widest differs. All columns are
  // measured in one pass over the cells and kept until a cell changes.
  int ColWidthPixels(int col);
  // The height of a row in pixels (its ROW record's, else the default).
  int RowHeightPixels(int row);
  // Places a sheet picture whose anchor has not been computed.
  void ComputePictureAnchor(TSheetPicture& p);

  void Clear();
  TSheets* Owner() const { return owner_; }
  TXLSWorkbook* Workbook() const;
  int Index() const;

 private:
  void check(int col, int row) const;
  void measureColumns();
  TSheets* owner_;
  std::string name_;
  bool widthsValid_ = false;
  std::vector<int> widest_;  // per column: widest text in pixels, -1 none
};

class TSheets {
 public:
  explicit TSheets(TXLSWorkbook* workbook);
  ~TSheets();
  TSheets(const TSheets&) = delete;
  TSheets& operator=(const TSheets&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TSheet& GetItem(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TSheet& GetItem(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TSheet& operator[](int i) { return GetItem(i); }
  TSheet& Add();
  // Removes a sheet; the collection never stays empty.
  void Delete(int i);
  // Clears the shared strings and every sheet, then leaves one new sheet.
  void Clear();
  int IndexOf(const TSheet* s) const;

  TSST2 SST;
  TExcelMask Mask;
  TXLSWorkbook* Workbook() const { return workbook_; }

 private:
  TXLSWorkbook* workbook_;
  int nextId_ = 0;
  std::vector<std::unique_ptr<TSheet>> items_;
};

// Fraction text of a value with denominators up to maxDenominator (a
// Stern-Brocot search): 0.5 gives "1/2", 2.25 "2 1/4", -2.25 "-2 1/4".
std::string FractionText(double value, int maxDenominator);

}  // namespace qv
