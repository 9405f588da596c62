// Formula tokens of workbook files: the built-in function table, the error
// codes and their texts, cell-reference texts, the decoder that turns a
// BIFF token buffer (reverse Polish) back into formula text, and the
// rewriting of a shared formula's tokens for one cell.
//
// A token buffer is the formula's token bytes (the length a FORMULA or NAME
// record gives). Constant arrays (token 0x20) keep their values after the
// tokens in the record; those bytes are passed separately as `extra`.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "workbook/XLSStream.h"

namespace qv {

struct TExcelFunc {
  uint8_t MinArgs;  // smallest argument count
  uint8_t MaxArgs;  // largest; 99 means any number
  const char* Name;
};
constexpr int ExcelFuncCount = 368;
// Indexed by the BIFF function number 0..367.
extern const TExcelFunc ExcelFuncs[ExcelFuncCount];

// The text of a BIFF error code ("#???" for an unknown code).
std::string ErrorCodeToText(int code);
// The error kind (1..7) of a BIFF code; 0 for an unknown code.
int ErrorCodeToIndex(int code);
// The BIFF code of an error kind: 0 maps to 42 (#N/A), kinds above 7 to def.
int ErrorIndexToCode(int index, int def = 42);
// The text of an error kind: 1 "#NULL!" .. 7 "#N/A", 0 "[int] No error
// value"; other values "#???".
std::string ErrorIndexToText(int index);

// "A".."Z", "AA".."IV", then the row counted from 1; "$" before absolute
// parts: RefToText(27, 9, true, true) is "$AB$10".
std::string RefToText(int col, int row, bool absCol, bool absRow);
// Column letters of a column 0..255.
std::string BiffColumnLetters(int col);

// Supplies names to the decoder. kind 0: a defined name by its number
// (from 1); 1: an external name of an Excel 5 file (index: the external
// reference index, nameIndex: the name); 2: an external sheet or name of an
// Excel 97 file (index: the EXTERNSHEET entry; nameIndex -1 for a sheet,
// the text then ends with "!"); 3: a sheet of an Excel 5 3-D reference.
using TNameLookup = std::function<std::string(int kind, int index, int nameIndex)>;

struct TDecodeOptions {
  char ListSeparator = ',';
  char DecimalSeparator = '.';
  // Base cell of relative references (0x2C, 0x2D tokens).
  int BaseCol = 0;
  int BaseRow = 0;
  // The code page of the 8-bit string literals of Excel 2.1 to 5 tokens
  // (the file's CODEPAGE).
  int Codepage = 1252;
};

// The formula text (without "=") of a token buffer. Never raises: missing
// operands show as "<Val missing>", an unknown token as "Unknown ptg[XX]"
// (and ends the walk); a token cut short by the end of the buffer ends the
// walk. An empty result is "[ERROR]".
std::string DecodeFormulaTokens(TExcelVersion version, std::string_view tokens,
                                const TNameLookup& lookup, const TDecodeOptions& options = {},
                                std::string_view extra = {});

// True when the tokens refer to defined names, external names or other
// sheets (tokens that need the link tables of the workbook globals).
bool TokensUseLinks(TExcelVersion version, std::string_view tokens);

// Rewrites, in place, the relative tokens of a shared formula for the
// cell (col, row): relative references and areas become plain ones with
// the cell's position added. Raises EXLSError "Unknown ptg[XX] in Shared
// Formula" for a token outside the known set.
void ConvertSharedFormula(TExcelVersion version, std::string& tokens, int col, int row);

}  // namespace qv
