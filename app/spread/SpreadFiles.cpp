// Delimited text and Excel workbooks of the data sheet document.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "app/spread/SpreadDocument.h"
#include "grid/XLRanges.h"
#include "platform/core/Codepage.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "workbook/XLSWorkbook.h"

namespace qv {

namespace {

// A cell text as one field of a TAB-separated line: inner TAB, CR and LF
// become blanks, so that the line keeps its fields.
std::string FieldText(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return text;
}

void PutField(TXLSheet& sheet, int col, int row, std::string_view text) {
  if (col >= sheet.ColCount()) TSpreadDocument::GrowSheet(sheet, col + 1, sheet.RowCount());
  // An empty field clears an existing cell but makes no new one.
  if (text.empty() && !sheet.FindCell(col, row)) return;
  sheet.SetCellText(col, row, std::string(text));
}

bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Calls f(line) for every line of text: CR, LF and CR LF end a line; a
// last line without an end counts too.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
  size_t start = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    f(text.substr(start, i - start));
    if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) f(text.substr(start));
}

// The rest of the line is the range [s, e). Each field looks for the first
// ";", "," and TAB of the rest; the position found for each separator is
// kept until the rest starts beyond it, so every separator's search walks
// the line once and a line splits in time linear in its length. Calls
// put(column, field) for every field; returns the last column.
template <class Put>
int SplitFields(std::string_view line, int c, Put&& put) {
  constexpr size_t npos = std::string_view::npos;
  constexpr char seps[3] = {';', ',', '\t'};
  size_t next[3] = {0, 0, 0};
  bool searched[3] = {false, false, false};
  size_t s = 0, e = line.size();
  int col = c;
  for (;;) {
    // p: the largest of the first positions of the three separators.
    size_t p = npos;
    for (int k = 0; k < 3; ++k) {
      if (!searched[k] || (next[k] != npos && next[k] < s)) {
        next[k] = line.find(seps[k], s);
        searched[k] = true;
      }
      if (next[k] != npos && next[k] < e && (p == npos || next[k] > p)) p = next[k];
    }
    if (p == npos) {
      // Fields apart by blanks: leading blanks make no empty field.
      const size_t lead = line.find_first_not_of(' ', s);
      if (lead != npos && lead < e && lead > s) {
        const size_t blank = line.find(' ', lead);
        if (blank != npos && blank < e) s = lead;
      }
      p = line.find(' ', s);
      if (p >= e) p = npos;
    }
    if (p == npos) {
      put(col, line.substr(s, e - s));
      return col;
    }
    put(col, TrimView(line.substr(s, p - s)));
    // The rest, trimmed at both ends.
    s = p + 1;
    while (s < e && IsBlankChar(line[s])) ++s;
    while (e > s && IsBlankChar(line[e - 1])) --e;
    ++col;
  }
}

std::string MegaBytes(std::uint64_t bytes) {
  return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

// The memory the data sheet may take when no limit is set: what the system
// has available, and under an address-space limit what is left of it.
std::uint64_t SystemMemoryAvailable() {
  std::uint64_t available = UINT64_MAX;
  {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kb = 0;
    std::string unit;
    while (meminfo >> key >> kb) {
      std::getline(meminfo, unit);
      if (key == "MemAvailable:") {
        available = kb * 1024;
        break;
      }
    }
  }
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    std::uint64_t pages = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages;
    const std::uint64_t used = pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    const std::uint64_t cap = limit.rlim_cur;
    available = std::min(available, cap > used ? cap - used : 0);
  }
  return available;
}

std::uint64_t gSheetMemoryLimit = 0;

}  // namespace

void SetSheetMemoryLimit(std::uint64_t bytes) { gSheetMemoryLimit = bytes; }

std::uint64_t SheetMemoryAvailable() {
  return gSheetMemoryLimit ? gSheetMemoryLimit : SystemMemoryAvailable();
}

std::uint64_t TextSheetBytes(std::int64_t lines, std::int64_t cells, std::uint64_t longTextBytes) {
  return static_cast<std::uint64_t>(std::max<std::int64_t>(lines, 0)) * kSheetBytesPerLine +
         static_cast<std::uint64_t>(std::max<std::int64_t>(cells, 0)) * kSheetBytesPerCell +
         longTextBytes;
}

int SplitTextLine(TXLSheet& sheet, int c, int r, std::string_view line) {
  return SplitFields(line, c,
                     [&](int col, std::string_view text) { PutField(sheet, col, r, text); });
}

// ---------------------------------------------------------------------------
// Delimited text.

TRect TSpreadDocument::ReadText(int c0, int r0, TXLSheet& sheet, const std::string& fileName) {
  // A file larger than the memory left is not read at all.
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(fileName, error);
  if (!error && size > SheetMemoryAvailable()) {
    throw EOutOfMemory("File \"" + fileName + "\" is too large to open: it holds " +
                       MegaBytes(size) + ", and only " + MegaBytes(SheetMemoryAvailable()) +
                       " of memory are available!");
  }
  // The lines are read in place from the file's text (UTF-8, else
  // Windows-1252), without a copy of each line.
  const std::string bytes = readFileBytes(fileName);
  std::string_view text = bytes;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::string converted;
  if (!IsValidUtf8(text)) {
    converted = Cp1252ToUtf8(text);
    text = converted;
  }
  // The cells the text makes, counted before any is made: a text whose
  // sheet would not fit in the memory left is refused, rather than read
  // until the machine runs out.
  int count = 0;
  std::int64_t cells = 0;
  std::uint64_t longTexts = 0;
  ForEachLine(text, [&](std::string_view line) {
    ++count;
    SplitFields(line, c0, [&](int, std::string_view field) {
      cells += field.empty() ? 0 : 1;
      // A text longer than a cell holds in place takes a block of its own.
      if (field.size() > 15) longTexts += field.size() + 16;
    });
  });
  const std::uint64_t need = TextSheetBytes(count, cells, longTexts);
  const std::uint64_t available = SheetMemoryAvailable();
  if (need > available) {
    throw EOutOfMemory("File \"" + fileName + "\" is too large to open: its " +
                       std::to_string(count) + " lines would take about " + MegaBytes(need) +
                       " of memory, and only " + MegaBytes(available) + " are available!");
  }
  int lastCol = c0;
  TXLUpdateScope update(sheet);
  if (count > sheet.RowCount() - r0) sheet.SetRowCount(r0 + count);
  if (c0 >= sheet.ColCount()) GrowSheet(sheet, c0 + 1, sheet.RowCount());
  int i = 0;
  ForEachLine(text, [&](std::string_view line) {
    lastCol = std::max(lastCol, SplitTextLine(sheet, c0, r0 + i, line));
    ++i;
  });
  LabelTitles(sheet);
  return TRect(c0, r0, lastCol + 1, r0 + std::max(count, 1));
}

void TSpreadDocument::ImportText(int c0, int r0, TXLSheet& sheet, const std::string& fileName) {
  const TRect block = ReadText(c0, r0, sheet, fileName);
  modified_ = true;
  if (view_->ShownSheet() == &sheet) {
    view_->SetCurrentCell(block.TopLeft());
    view_->Select(block);
  }
}

void TSpreadDocument::WriteLines(const std::string& fileName, TXLSheet& sheet,
                                 const TRect& cells) const {
  std::string out;
  const TXLSection& client = sheet.Section(skClient);
  for (int r = cells.Top; r < cells.Bottom; ++r) {
    for (int c = cells.Left; c < cells.Right; ++c) {
      // A merged block's text stands once, at its origin.
      if (const TXLCell* cell = client.CellAt(c, r)) out += FieldText(cell->GetAsString());
      out += '\t';
    }
    out += "\r\n";
  }
  writeFileAtomic(fileName, out);
}

void TSpreadDocument::SaveText(const std::string& fileName) {
  view_->EndEditing();
  TXLSheet* sheet = view_->ShownSheet();
  if (!sheet) return;
  int lastCol = 0, lastRow = 0;
  sheet->Section(skClient).ForEachCellIn(sheet->Section(skClient).Extent(), [&](TXLCell* cell) {
    if (cell->GetAsString().empty()) return;
    lastCol = std::max(lastCol, cell->Col());
    lastRow = std::max(lastRow, cell->RowIndex());
  });
  WriteLines(fileName, *sheet, TRect(0, 0, lastCol + 1, lastRow + 1));
  modified_ = false;
}

void TSpreadDocument::ExportSelection(const std::string& fileName) {
  view_->EndEditing();
  TXLSheet* sheet = view_->ShownSheet();
  if (!sheet) return;
  TRect r;
  if (!IntersectRect(r, view_->Selection(), TRect(0, 0, sheet->ColCount(), sheet->RowCount())))
    r = TRect(0, 0, 0, 0);
  WriteLines(fileName, *sheet, r);
}

// ---------------------------------------------------------------------------
// Excel workbooks.

void TSpreadDocument::ReadXlsInto(const std::string& fileName, TSheetTree& tree, TSheetNode* folder,
                                  TSheetMap& sheets, int firstNumber) {
  TXLSWorkbook workbook;
  workbook.Filename = fileName;
  workbook.Read();
  int n = firstNumber;
  for (int i = 0; i < workbook.Sheets.Count(); ++i, ++n) {
    TSheet& source = workbook.Sheets.GetItem(i);
    tree.Add(folder, source.Name(), n);
    source.CalcDimensions();
    auto sheet = std::make_unique<TXLSheet>();
    InitNewWorksheet(*sheet, n);
    TXLUpdateScope update(*sheet);
    sheet->Title = source.Name();
    sheet->SetRowCount(std::max(100, source.LastRow + 1));
    sheet->SetColCount(std::max(50, source.LastCol + 1));
    LabelTitles(*sheet);
    if (source.Cells.Count() > 0) {
      try {
        for (int c = source.FirstCol; c <= source.LastCol; ++c)
          sheet->SetSize(c, 0, source.ColWidthPixels(c));
      } catch (const std::exception&) {
        // A column that cannot be measured keeps the default widths.
      }
    }
    source.Cells.ForEach([&](TCell& cell) {
      const std::string text = source.CellText(cell);
      if (!text.empty()) sheet->SetCellText(cell.Col(), cell.Row(), text);
    });
    sheet->SetModified(false);
    sheets[n] = std::move(sheet);
  }
}

bool TSpreadDocument::LoadXls(const std::string& fileName) {
  TSheetTree tree;
  TSheetMap sheets;
  try {
    TSheetNode* root = tree.Add(nullptr, "Base Folder", -1);
    ReadXlsInto(fileName, tree, root, sheets, 1);
  } catch (const std::exception&) {
    view_->SetBusy(false);
    Dialogs().MessageBox("Falied to load file \"" + fileName + "\"!", "Information", mtInformation,
                         mbOK);
    return false;
  }
  TakeOver(tree, sheets);
  SelectNode(tree_.Item(1) ? tree_.Item(1) : tree_.WorksheetNear(0));
  modified_ = false;
  return true;
}

bool TSpreadDocument::AppendXls(const std::string& fileName) {
  TSheetTree part;
  TSheetMap sheets;
  try {
    TSheetNode* folder = part.Add(nullptr, ExtractFileName(fileName), -1);
    ReadXlsInto(fileName, part, folder, sheets, NextSheetNumber().Number);
  } catch (const std::exception&) {
    view_->SetBusy(false);
    Dialogs().MessageBox("Falied to append file \"" + fileName + "\"!", "Information",
                         mtInformation, mbOK);
    return false;
  }
  tree_.MoveRootsFrom(part, nullptr);
  for (auto& [n, sheet] : sheets) sheets_[n] = std::move(sheet);
  modified_ = true;
  view_->TreeChanged();
  return true;
}

std::string ValidSheetName(std::string_view text, int index,
                           const std::vector<std::string>& taken) {
  // Excel refuses : \ / ? * [ ] in a sheet name, an apostrophe at either
  // end, and more than 31 characters.
  std::string name;
  for (char c : Trim(text))
    name += std::string_view(":\\/?*[]").find(c) == std::string::npos ? c : '_';
  while (!name.empty() && name.front() == '\'') name.erase(0, 1);
  while (!name.empty() && name.back() == '\'') name.pop_back();
  auto cut = [](std::string s, size_t chars) {
    size_t pos = 0, n = 0;
    while (pos < s.size() && n < chars) {
      Utf8Next(s, pos);
      ++n;
    }
    s.resize(pos);
    return s;
  };
  name = cut(name, 31);
  if (name.empty()) name = "Sheet" + std::to_string(index + 1);
  auto used = [&](const std::string& s) {
    return std::any_of(taken.begin(), taken.end(),
                       [&](const std::string& t) { return SameText(t, s); });
  };
  std::string result = name;
  for (int k = 2; used(result); ++k) {
    const std::string suffix = " (" + std::to_string(k) + ")";
    result = cut(name, 31 - suffix.size()) + suffix;
  }
  return result;
}

void TSpreadDocument::SaveXls(const std::string& fileName) {
  view_->EndEditing();
  TXLSWorkbook workbook;
  workbook.Filename = fileName;
  workbook.WriteUnicodeStrings = true;
  workbook.Sheets.Clear();
  workbook.Clear();
  std::vector<std::string> names;
  int k = 0;
  for (const TSheetNode* node : tree_.Worksheets()) {
    const TXLSheet* sheet = SheetOf(node);
    if (!sheet) continue;
    if (k > 0) workbook.Sheets.Add();
    TSheet& target = workbook.Sheets.GetItem(k);
    names.push_back(ValidSheetName(node->Text, k, names));
    target.SetName(names.back());
    // A worksheet longer than a workbook sheet is refused, naming it and
    // the limit, before anything is written.
    int rows = 0;
    sheet->Section(skClient).ForEachCellIn(sheet->Section(skClient).Extent(), [&](TXLCell* cell) {
      const std::string text = cell->GetAsString();
      if (text.empty()) return;
      rows = std::max(rows, cell->RowIndex() + 1);
      if (cell->RowIndex() < MaxRows(workbook.Version()))
        target.SetCellText(cell->Col(), cell->RowIndex(), text);
    });
    if (rows > MaxRows(workbook.Version()))
      throw EXLSError(TooManyRowsMessage(names.back(), rows, workbook.Version()));
    ++k;
  }
  workbook.Write();
}

}  // namespace qv
