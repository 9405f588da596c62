// A result report as the engine builds it, once, and owns: the lines of
// its text, then the observed-against-calculated table as columns of
// numbers that are turned into text only when a host shows them, then a
// few closing lines. A host shows it (the window's result memo, the console
// driver's output) and never hands it back: the engine keeps what it needs.
//
// The table's text: one line per row, the row number (from 1) and then each
// column's value, TAB-separated; a column formats its values with a fixed
// number of decimals ("0.0000000") or as the shortest decimal text, and an
// absent value (no column, or a row beyond it) is an empty field.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineTypes.h"

namespace qv {

struct TReportColumn {
  // Shared with what the engine keeps of the run (a function's result), so
  // that a copy of the report copies no values.
  std::shared_ptr<const Double1Array> Values;
  int Decimals = -1;  // -1: the shortest decimal text
};

class TResultReport {
 public:
  TResultReport() = default;
  explicit TResultReport(std::vector<std::string> Text) : Lines(std::move(Text)) {}

  std::vector<std::string> Lines;      // the text before the table
  std::vector<std::string> TableHead;  // the table's title and header lines
  int Rows = 0;                        // rows of the table
  std::vector<TReportColumn> Columns;  // the table's columns after the row number
  std::vector<std::string> Tail;       // lines after the table

  std::size_t LineCount() const {
    return Lines.size() + TableHead.size() + static_cast<std::size_t>(Rows) + Tail.size();
  }
  bool Empty() const { return LineCount() == 0; }
  // Line i of the whole text (0 <= i < LineCount()).
  std::string Line(std::size_t i) const;
  // Appends the text of table row k (from 0), without a line end.
  void AppendRow(std::string& Out, int k) const;
  // The whole text as lines.
  std::vector<std::string> AllLines() const;
  // Writes the whole text, each line followed by "\n", in large blocks.
  void Write(std::ostream& Out) const;
  // Calls Fn(line) for every line in order, the table's rows built in one
  // reused buffer.
  template <typename F>
  void ForEachLine(F&& Fn) const {
    for (const auto& l : Lines) Fn(l);
    for (const auto& l : TableHead) Fn(l);
    std::string row;
    for (int k = 0; k < Rows; ++k) {
      row.clear();
      AppendRow(row, k);
      Fn(row);
    }
    for (const auto& l : Tail) Fn(l);
  }
};

// The value texts of the table, the same as FormatFloat with a mask of
// Decimals decimals ("0.0000000") and FloatToStr in the model language's
// number form (ModelNumberForm: "." whatever the locale), appended to Out. The common values take a
// short way; values that the short way cannot decide exactly (a possible tie of the rounding, very
// large or small values) take the general routines.
void AppendFixed(std::string& Out, double Value, int Decimals);
void AppendShortest(std::string& Out, double Value);

}  // namespace qv
