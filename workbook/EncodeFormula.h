// TEncodeFormula: formula text (as a user writes it into a workbook cell,
// a defined name, a validation or a chart range) to the BIFF token form of
// DecodeFormula.h, for Excel 5 and Excel 97 files. A hand-written
// tokenizer and a recursive-descent parser emit the tokens in reverse
// Polish order.
//
// Errors in the text raise EXLSError with the program's messages ("Invalid
// character "%" in formula "5%"", "Unknown Name "x" in function "x+1"",
// "To few arguments to function: "IF"", ...); the caller keeps its old
// tokens then.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "workbook/XLSStream.h"

namespace qv {

class TEncodeFormula {
 public:
  TEncodeFormula();
  TEncodeFormula(const TEncodeFormula&) = delete;
  TEncodeFormula& operator=(const TEncodeFormula&) = delete;

  // Separates function arguments; from the locale at construction.
  char ListSeparator = ',';
  // The decimal separator of number literals.
  char DecimalSeparator = '.';
  TExcelVersion Version = xvExcel97;
  // The code page of string literals before Excel 97 (the file's
  // CODEPAGE); characters it lacks become "?" and are counted in Replaced.
  int Codepage = 1252;
  size_t Replaced = 0;
  std::string StrTRUE = "TRUE";
  std::string StrFALSE = "FALSE";

  // The workbook's services. NameIndex: the number (from 1) of a defined
  // name, 0 when unknown. SheetIndex: the external-sheet index of a sheet
  // name (as written, without quotes), -1 when unknown. ExternName: for an
  // add-in function name, its external-sheet and name index (true when
  // known).
  std::function<int(const std::string& name)> NameIndex;
  std::function<int(const std::string& sheet)> SheetIndex;
  std::function<bool(const std::string& name, int& externSheet, int& nameIndex)> ExternName;

  // The tokens of a formula text (without a leading "="). Raises
  // "Formula buffer owerflow" when they pass capacity bytes.
  std::string Encode(std::string_view formula, size_t capacity = 8224);

 private:
  class TParser;
};

}  // namespace qv
