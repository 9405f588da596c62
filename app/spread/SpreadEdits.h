// Cell commands of the data sheet window on the client cells of one
// worksheet: sort, reverse and close up (moving whole cells, so that a
// number stays a number and formulas, hints and looks go with their cell),
// row and column insertion and deletion, extending the selection over
// data, number formatting, borders and colours, and the base conversions.
//
// Rectangles are sheet coordinates of data cells, right and bottom
// exclusive. Commands that move cells refuse a rectangle that touches a
// merged block (EFormulaError-free: they raise EXLGridError with a message
// for the user), since a block cannot be cut into the moved rows.
#pragma once

#include <string>
#include <vector>

#include "grid/XLSheet.h"

namespace qv {

// A selection spanning whole columns (top 0, bottom RowCount) cut down to
// the rows up to the last one holding a text in any of its columns (one
// row when none does); a selection of whole rows likewise to the columns
// holding texts. Any other selection comes back held to the sheet.
TRect CutSelection(const TXLSheet& sheet, const TRect& sel);

// Moves whole cells inside rect: the cell at p takes the cell that stood at
// sourceOf(p) (a point of rect), or becomes empty when sourceOf answers a
// point outside rect.
void MoveCells(TXLSheet& sheet, const TRect& rect, const std::function<TPoint(TPoint)>& sourceOf);

// The row order of a sort by the key column (an index into the rectangle's
// columns): numbers by value, then other texts by their bytes, then empty
// keys; descending reverses numbers and texts, empty keys stay last. Equal
// keys keep their order. order[i] is the offset of the row that goes to
// offset i.
std::vector<int> SortOrder(const TXLSheet& sheet, const TRect& rect, int key, bool ascending);
// Sorts the rows of rect by the key column.
void SortRows(TXLSheet& sheet, const TRect& rect, int key, bool ascending);
// Mode 1 reverses the rows of rect, else its columns.
void SwapCells(TXLSheet& sheet, const TRect& rect, int mode);
// Mode 1 moves the non-empty cells of each column up over the empty ones,
// else those of each row to the left.
void CloseUpCells(TXLSheet& sheet, const TRect& rect, int mode);

// "Insert Rows"/"Insert Columns": the cells from the rectangle's first row
// (column) on move down (right) by its height (width); the sheet grows so
// that no text moves past its end. "Delete Rows"/"Delete Columns": the
// rectangle's rows (columns) go, the cells below (right) move up (left).
void InsertRows(TXLSheet& sheet, const TRect& rect);
void InsertCols(TXLSheet& sheet, const TRect& rect);
void DeleteRows(TXLSheet& sheet, const TRect& rect);
void DeleteCols(TXLSheet& sheet, const TRect& rect);

// "Select" items: the selection extended over the run of following
// (preceding) rows or columns that hold a text in at least one of its
// columns (rows).
enum TSelectRun { srDown, srUp, srRight, srLeft };
TRect ExtendSelection(const TXLSheet& sheet, const TRect& sel, TSelectRun run);

// "Format Data": every cell of rect whose trimmed text is a number is
// rewritten with that many decimals ("%0.<digits>f"). The count of cells.
int FormatNumbers(TXLSheet& sheet, const TRect& rect, int digits);

// Borders by the tag of the drop-down item (0 none .. 9 toggles of a side),
// with the current border.
void ApplyBorderTag(TXLSheet& sheet, const TRect& rect, int tag, const TXLBorder& border);
// The back colour of rect: equal to the client base style's colour, every
// border line of rect goes; else every side but the diagonals gets a single
// grey line.
void ApplyBackColor(TXLSheet& sheet, const TRect& rect, TColor color);
void ApplyFontColor(TXLSheet& sheet, const TRect& rect, TColor color);
// Marks the titles of the selected columns and rows bold in CA9C91 and
// returns the others to regular text on the button face colour.
void HighlightTitles(TXLSheet& sheet, const TRect& sel);

// "Draw chart": one series per selected column, one point per data row.
// The data end at the first row whose first column is empty; a first row
// whose first cell is no number holds the series titles, else the column
// titles name the series. Error is "No enough data for drawing chart!"
// (fewer than three rows, or no column) or "Wrong chart data value!" with
// BadCell at the first data cell that is no number.
struct TChartColumn {
  std::string Title;
  std::vector<double> Values;
};
struct TChartData {
  std::vector<TChartColumn> Series;
  std::string Error;
  TPoint BadCell{-1, -1};
};
TChartData ChartFromSelection(const TXLSheet& sheet, const TRect& sel);

// The hidden Tools menu: the cells of rect converted with the engine's base
// conversions in base N, as TAB-separated lines (one per row, CR LF).
enum TBaseConversion { bcBinToOct, bcOctToBin, bcToDecimal, bcFromDecimal };
std::string ConvertCells(const TXLSheet& sheet, const TRect& rect, TBaseConversion kind, int base);

}  // namespace qv
