// The cell values of a workbook as text, one line per row: what the qvxls
// tool prints and the tests compare with other readers.
//
// Each sheet starts with "## " and its name; then rows 0 to the last row
// that holds a value, each with columns 0 to the sheet's last column that
// holds a value, separated by TAB. A number is its shortest text that
// reads back to the same double; a string its UTF-8 text with backslash,
// TAB, LF and CR written as \\, \t, \n, \r; a Boolean TRUE or FALSE; an
// error its text (#DIV/0!, ...); a formula its cached result; blank and
// missing cells are empty.
#pragma once

#include <string>

namespace qv {

class TXLSWorkbook;

std::string DumpWorkbook(TXLSWorkbook& wb);
// The shortest text that reads back to the same double (printf "%f" or
// "%e" style, whichever is shorter).
std::string ShortestNumberText(double v);

}  // namespace qv
