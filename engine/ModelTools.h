// Small text helpers shared by the model readers (internal to the engine).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/FitHost.h"

namespace qv {

class TEngineState;
class TRandomGenerator;

namespace modeltools {

bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
// The text before the first "//", trimmed.
std::string CutComment(std::string_view s);
// Every blank (and other white space) removed.
std::string RemoveBlanks(std::string_view s);
bool IsWordChar(char c);  // letter, digit or "_"
// A text as a message quotes it: the whole text when it has at most Shown
// bytes, else its start (cut before a character, not inside one) and "...".
std::string TextStart(std::string_view Text, size_t Shown);
// A data row as a message quotes it: at most its first 100 bytes.
inline std::string RowExcerpt(std::string_view Row) { return TextStart(Row, 100); }
// A plain number in the model language's one number form (no expression).
bool TryNumber(const std::string& s, double& value);
// A number, else the value of the text compiled as an expression of
// numbers and built-in words, whose "random" and "randg" draw from Random
// (the engine's generator; null: a generator of the expression's own).
// False when neither works or the result is not a number.
bool TryValue(const std::string& s, double& value, TRandomGenerator* Random = nullptr);
// Whether a prepared line starts a data section ("data" as a word,
// "datafile", any letter case) or the program block ("startprogram").
bool IsDataLine(std::string_view line);
bool IsProgramStart(std::string_view line);
// Keyword of a statement (text before the first blank or ";", lower case)
// and its text (between that blank and the first ";").
std::string Keyword(std::string_view line);
std::string StatementText(std::string_view line);
// The replacement text of a constant: the value text itself when it is an
// unsigned plain number, else the value in brackets, so that the value
// keeps its meaning inside a larger expression.
std::string ConstantReplacement(const std::string& value);
// Which brackets hide the commas inside them from SplitAtCommas.
enum class TCommaBrackets { None, Square, RoundAndSquare };
// The fields between the commas of s that stand outside the given brackets;
// empty fields are kept, nothing is trimmed.
std::vector<std::string> SplitAtCommas(std::string_view s,
                                       TCommaBrackets Brackets = TCommaBrackets::None);
// Top-level split at "," (outside round and square brackets).
inline std::vector<std::string> SplitTopLevel(std::string_view s) {
  return SplitAtCommas(s, TCommaBrackets::RoundAndSquare);
}

}  // namespace modeltools

// SplitDataRow that also tells whether it has shown a message itself (the
// column-count warning), so that the caller adds no second one.
bool SplitDataRowChecked(TEngineState& State, TFitHost& Host, std::string_view Text, int Column,
                         int Row, bool& Reported);
// A "datafile" name without surrounding double quotes, relative names
// resolved against the model's folder.
std::string ResolveDataFileName(const TEngineState& S, const std::string& Name);
// The non-empty trimmed lines of a data file (a UTF-8 byte-order mark
// skipped), with their 1-based line numbers in the file when LineNumbers is
// given. False when the file is missing, not a file, or cannot be read; Error
// then says which ("<file>: no such file", "<file>: cannot be read (...)").
bool ReadDataFileLines(const std::string& FileName, std::vector<std::string>& Rows,
                       std::vector<int>* LineNumbers = nullptr, std::string* Error = nullptr);
// The same rows as views into Text, which holds the whole file: one read
// and no copy per row (a data file may have millions of rows).
bool ReadDataFileText(const std::string& FileName, std::string& Text,
                      std::vector<std::string_view>& Rows, std::vector<int>* LineNumbers,
                      std::string* Error);
// Empties the title, the exclusive flag and the lists every model reader
// fills (names, texts, bounds and their flags, digits, data-set sizes); the
// counts and the lists of one kind of model are the reader's own.
void ClearModelLists(TEngineState& S);
// Sizes DataColumns, InputData ([f][Inputs][rows]) and the output arrays
// per data set from PointCount.
void SizeDataArrays(TEngineState& S, int Inputs);
// An "exclusive" statement: the encode-decode genetic algorithm with whole
// genes, set on the window's controls and in the state.
void ApplyExclusive(TEngineState& S, TFitHost& Host);
// The refusal of a parameter without both bounds in encode-decode mode.
std::string NoGeneBoundsMessage(const std::string& Parameter);
}  // namespace qv
