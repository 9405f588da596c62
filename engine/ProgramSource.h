// The library source of a program model: the program block rewritten into
// the Pascal of the procedure `Run__DLL` of "FitDll.dpr", with the header
// lines, the exports and the C adapter (engine/FitDll.h) around it.
#pragma once

#include <string>
#include <vector>

#include "engine/CommonUnit.h"

namespace qv {

// ---- The generated source ------------------------------------------------------

// Rewrites one line of the program block into Pascal of the library:
//   `^`            the leftmost a^b becomes (Power(a, b)); a and b are a
//                  bracketed group (with the function or array name before
//                  it), a number or a name with its index brackets, so
//                  x[i+1]^2 and sin(x)^2 work; spaces around `^` are allowed;
//   parameters     PData[p] (p in definition order),
//   constants      their value text,
//   var-constants  VCData[FileID,c],
//   inputs         name[ -> XData[FileID,i,  (i over the non-output variables),
//   outputs        name[ -> YData[FileID,o,
//   DataLength     DataNo[FileID];
// then ": =" becomes ":=", and an assignment written with "=" (no "if ",
// "while ", "until " in the line) gets ":=".
// Names are replaced in one pass over the tokens of the line: whole
// identifiers only, letter case ignored, never inside strings or comments,
// and replaced text is never matched again. A line in which a parameter,
// constant, var-constant or DataLength was replaced is lower-cased outside
// its strings (the replacements keep their case).
// InComment carries an open (* *) or { } comment from line to line.
std::string RewriteProgramLine(const TEngineState& State, const std::string& Line,
                               int* InComment = nullptr);

// The power step alone (leftmost first, repeated while a "^" is left).
std::string RewritePowerOperator(const std::string& Line);

// The whole library source, one string per line: the header lines, the
// rewritten program block (work lines ProgramStart..ProgramEnd), the exports
// of Run__DLL, the C adapter (engine/FitDll.h) and "Begin" / "End.".
std::vector<std::string> BuildFitDllSource(const TEngineState& State);
// Index (0-based) of the first program line in that source.
constexpr int kFitDllProgramLine = 12;

}  // namespace qv
