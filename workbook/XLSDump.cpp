#include "workbook/XLSDump.h"

#include <charconv>
#include <vector>

#include "workbook/DecodeFormula.h"
#include "workbook/XLSWorkbook.h"

namespace qv {

std::string ShortestNumberText(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

namespace {

std::string escaped(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The value text of a cell; false for blank cells.
bool valueText(TSheets& sheets, TXLSWorkbook& wb, TCell& c, std::string& out) {
  switch (c.CellType()) {
    case ctBlank:
      return false;
    case ctFloat:
      out = ShortestNumberText(static_cast<TFloatCell&>(c).Value);
      return true;
    case ctString:
      out = escaped(sheets.SST.GetString(static_cast<TStringCell&>(c).Index));
      return true;
    case ctBoolean:
      out = static_cast<TBooleanCell&>(c).Value ? "TRUE" : "FALSE";
      return true;
    case ctError:
      out = ErrorIndexToText(static_cast<TErrorCell&>(c).Value);
      return true;
    case ctNumberFormula:
      out = ShortestNumberText(static_cast<TNumberFormulaCell&>(c).Value);
      return true;
    case ctArrayFormula:
      out = ShortestNumberText(static_cast<TArrayFormulaCell&>(c).Value);
      return true;
    case ctStringFormula:
      out = escaped(static_cast<TStringFormulaCell&>(c).Value);
      return true;
    case ctBooleanFormula:
      out = static_cast<TBooleanFormulaCell&>(c).Value ? "TRUE" : "FALSE";
      return true;
    case ctErrorFormula:
      out = ErrorIndexToText(static_cast<TErrorFormulaCell&>(c).Value);
      return true;
    default:
      (void)wb;
      return false;
  }
}

}  // namespace

std::string DumpWorkbook(TXLSWorkbook& wb) {
  std::string out;
  for (int i = 0; i < wb.Sheets.Count(); ++i) {
    TSheet& sh = wb.Sheets.GetItem(i);
    out += "## " + escaped(sh.Name()) + "\n";
    int lastRow = -1, lastCol = -1;
    std::string text;
    sh.Cells.ForEach([&](TCell& c) {
      if (!valueText(wb.Sheets, wb, c, text)) return;
      lastRow = std::max(lastRow, c.Row());
      lastCol = std::max(lastCol, c.Col());
    });
    if (lastRow < 0) continue;
    std::vector<std::string> row(static_cast<size_t>(lastCol) + 1);
    int current = 0;
    auto flush = [&](int upTo) {
      // Writes rows current..upTo-1 (only the first can hold values).
      for (; current < upTo; ++current) {
        for (size_t k = 0; k < row.size(); ++k) {
          if (k) out += '\t';
          out += row[k];
          row[k].clear();
        }
        out += '\n';
      }
    };
    sh.Cells.ForEach([&](TCell& c) {
      if (c.Row() > lastRow || c.Col() > lastCol) return;
      if (!valueText(wb.Sheets, wb, c, text)) return;
      if (c.Row() > current) flush(c.Row());
      row[static_cast<size_t>(c.Col())] = text;
    });
    flush(lastRow + 1);
  }
  return out;
}

}  // namespace qv
