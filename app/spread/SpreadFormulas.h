// Cell formulas of the data sheet and the statistics of a selection.
//
// A formula is a cell text beginning with "=" or "+". It is kept upper-cased
// in the cell's Formual and its result becomes the cell's text. The window
// evaluates it in three steps over the formula's tokens (numbers, names,
// signs):
//   1. range calls NAME(first:last) or NAME(F,first:last) become their
//      value at full precision; NAME is one of SUM, AVERAGE, MAXVALUE,
//      MINVALUE, VARIANCE (sample), STDDEV (sample), NORM (Euclidean) and
//      SUMOFSQUARES, applied to F(x) of every cell of the range, column by
//      column (a cell whose text is no number counts 0);
//   2. cell references (column letters then the row number: B12 is column
//      1, row 11) become the referenced cell's text in parentheses; a name
//      followed by "(" is a function and a number's exponent is part of the
//      number, so neither is a reference;
//   3. the engine's expression compiler evaluates the rest.
// A formula whose steps 1 or 2 cannot be carried out (an unknown range
// function, a ":" outside a range call, a reference without letters or row)
// raises EFormulaError with what is wrong; a formula the compiler rejects or
// cannot evaluate yields its text as typed.
#pragma once

#include <memory>
#include <string>

#include "grid/XLSheet.h"

namespace qv {

class TExpressionParser;

QV_DECLARE_EXCEPTION(EFormulaError, Exception)

class TSheetFormulas {
 public:
  // Creates the expression compiler with the variable "x".
  TSheetFormulas();
  ~TSheetFormulas();
  TSheetFormulas(const TSheetFormulas&) = delete;
  TSheetFormulas& operator=(const TSheetFormulas&) = delete;

  // The result text of text in cell (col, row) of sheet; a formula is
  // stored upper-cased in the cell's Formual, any other text clears it.
  std::string EvaluateFormula(const std::string& text, int col, int row, TXLSheet& sheet);
  // The value of one range call NAME(first:last) or NAME(F,first:last) as
  // text at full precision.
  std::string RangeFunction(const std::string& call, TXLSheet& sheet);
  // text with every cell reference replaced by the cell's text in
  // parentheses.
  std::string SubstituteReferences(TXLSheet& sheet, const std::string& text);
  // text with every reference moved by dc columns and dr rows; a reference
  // moved before the first column or row becomes "#REF!".
  static std::string ShiftReferences(const std::string& text, int dc, int dr);

 private:
  std::unique_ptr<TExpressionParser> parser_;
  double x_ = 0;
};

// The kind of selection Cut and Copy remember for the next Paste: 1 one
// cell, 2 one row of several columns, 3 one column of several rows, 0
// anything else.
int CopyKind(const TRect& selection);

// Paste with fill: the cells of rect (which holds source) take the content
// of their source cell: kind 1 the source cell, kind 2 the cell of their
// row in the source column, kind 3 the cell of their column in the source
// row. A source formula is moved by the target's offset from its source
// (for kind 3 the rows are counted from the top row unless the source row
// is the bottom row) and evaluated; a source without one gives its text and
// the target loses its formula. EFormulaError from a formula stops the fill.
void FillFromSource(TSheetFormulas& formulas, TXLSheet& sheet, const TRect& rect,
                    const TPoint& source, int kind);

// Whether a text is a formula: its first character is "=" or "+".
bool IsFormulaText(std::string_view text);

// The two status-bar panels for a selection (sheet coordinates, right and
// bottom exclusive): one cell "Cell[c, r] - [A1] = <formula or text>", a
// range "Cells[l, t : r, b] - [A1 : B3]" with "Sum=..; Ave.=..; Max.=..;
// Min.=.." when at least two of its cells hold numbers.
struct TSelectionInfo {
  std::string Cells;
  std::string Stats;
};
TSelectionInfo SelectionInfo(const TXLSheet& sheet, const TRect& selection);

}  // namespace qv
