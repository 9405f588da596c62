#include "app/spread/SpreadEdits.h"

#include <algorithm>
#include <cmath>

#include "app/spread/SpreadDocument.h"
#include "engine/GeneEncoding.h"
#include "grid/XLRanges.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

TRect ClientExtent(const TXLSheet& sheet) {
  return TRect(0, 0, sheet.ColCount(), sheet.RowCount());
}

bool HasText(const TXLCell* cell) { return cell && !Trim(cell->GetAsString()).empty(); }

// The last row (column for axis 0) of r holding a text, -1 when none.
int LastUsed(const TXLSheet& sheet, const TRect& r, int axis) {
  int last = -1;
  sheet.Section(skClient).ForEachCellIn(r, [&](TXLCell* cell) {
    if (HasText(cell)) last = std::max(last, axis == 0 ? cell->Col() : cell->RowIndex());
  });
  return last;
}

void RefuseUnions(const TXLSheet& sheet, const TRect& rect) {
  if (sheet.Section(skClient).FindUnion(rect))
    throw EXLGridError("Merged cells cannot be moved; split them first.");
}

std::string Text(const TXLSheet& sheet, int c, int r) {
  const TXLCell* cell = sheet.Section(skClient).CellAt(c, r);
  return cell ? Trim(cell->GetAsString()) : std::string();
}

}  // namespace

TRect CutSelection(const TXLSheet& sheet, const TRect& sel) {
  TRect r;
  if (!IntersectRect(r, sel, ClientExtent(sheet))) return TRect(0, 0, 0, 0);
  if (r.Top == 0 && r.Bottom == sheet.RowCount()) r.Bottom = std::max(LastUsed(sheet, r, 1), 0) + 1;
  if (r.Left == 0 && r.Right == sheet.ColCount() && sheet.ColCount() > 1)
    r.Right = std::max(LastUsed(sheet, r, 0), 0) + 1;
  return r;
}

void MoveCells(TXLSheet& sheet, const TRect& rect, const std::function<TPoint(TPoint)>& sourceOf) {
  TRect r;
  if (!IntersectRect(r, rect, ClientExtent(sheet))) return;
  RefuseUnions(sheet, r);
  TXLSection& client = sheet.Section(skClient);
  // The cells as they were, in a sheet of their own.
  TXLSheet saved;
  saved.SetTitleCols(0);
  saved.SetTitleRows(0);
  saved.SetStyler(sheet.Styler());
  saved.SetColCount(r.Width());
  saved.SetRowCount(r.Height());
  TXLSection& store = saved.Section(skClient);
  CopySectionBlock(client, r, store, TPoint(-r.Left, -r.Top));
  TXLUpdateScope update(sheet);
  client.ClearRect(r);
  for (int y = r.Top; y < r.Bottom; ++y) {
    for (int x = r.Left; x < r.Right; ++x) {
      const TPoint from = sourceOf(TPoint(x, y));
      if (!PtInRect(r, from)) continue;
      const TPoint local(from.X - r.Left, from.Y - r.Top);
      if (!store.CellAt(local.X, local.Y)) continue;
      CopySectionBlock(store, TRect(local.X, local.Y, local.X + 1, local.Y + 1), client,
                       TPoint(x - local.X, y - local.Y));
    }
  }
  sheet.SetModified(true);
}

std::vector<int> SortOrder(const TXLSheet& sheet, const TRect& rect, int key, bool ascending) {
  struct TKey {
    int Row;
    int Kind;  // 0 number, 1 text, 2 empty
    double Value;
    std::string Text;
  };
  std::vector<TKey> keys;
  const int col = rect.Left + key;
  for (int y = rect.Top; y < rect.Bottom; ++y) {
    TKey k{y - rect.Top, 2, 0, Text(sheet, col, y)};
    if (TryStrToFloat(k.Text, k.Value))
      k.Kind = 0;
    else if (!k.Text.empty())
      k.Kind = 1;
    keys.push_back(std::move(k));
  }
  std::stable_sort(keys.begin(), keys.end(), [&](const TKey& a, const TKey& b) {
    if (a.Kind == 2 || b.Kind == 2) return a.Kind < b.Kind;
    // Ascending: numbers, then texts; descending: texts, then numbers.
    if (a.Kind != b.Kind) return ascending ? a.Kind < b.Kind : a.Kind > b.Kind;
    if (a.Kind == 0) return ascending ? a.Value < b.Value : a.Value > b.Value;
    const int c = CompareStr(a.Text, b.Text);
    return ascending ? c < 0 : c > 0;
  });
  std::vector<int> order;
  for (const TKey& k : keys) order.push_back(k.Row);
  return order;
}

void SortRows(TXLSheet& sheet, const TRect& rect, int key, bool ascending) {
  TRect r;
  if (!IntersectRect(r, rect, ClientExtent(sheet)) || key < 0 || key >= r.Width()) return;
  const std::vector<int> order = SortOrder(sheet, r, key, ascending);
  MoveCells(sheet, r,
            [&](TPoint p) { return TPoint(p.X, r.Top + order[static_cast<size_t>(p.Y - r.Top)]); });
}

void SwapCells(TXLSheet& sheet, const TRect& rect, int mode) {
  MoveCells(sheet, rect, [&](TPoint p) {
    return mode == 1 ? TPoint(p.X, rect.Bottom - 1 - p.Y + rect.Top)
                     : TPoint(rect.Right - 1 - p.X + rect.Left, p.Y);
  });
}

void CloseUpCells(TXLSheet& sheet, const TRect& rect, int mode) {
  TRect r;
  if (!IntersectRect(r, rect, ClientExtent(sheet))) return;
  const bool vertical = mode == 1;
  // For every column (row): the positions holding a text, in order.
  std::vector<std::vector<int>> kept(static_cast<size_t>(vertical ? r.Width() : r.Height()));
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (!Text(sheet, x, y).empty()) {
        if (vertical)
          kept[static_cast<size_t>(x - r.Left)].push_back(y);
        else
          kept[static_cast<size_t>(y - r.Top)].push_back(x);
      }
  MoveCells(sheet, r, [&](TPoint p) {
    const auto& line = kept[static_cast<size_t>(vertical ? p.X - r.Left : p.Y - r.Top)];
    const size_t i = static_cast<size_t>(vertical ? p.Y - r.Top : p.X - r.Left);
    if (i >= line.size()) return TPoint(-1, -1);
    return vertical ? TPoint(p.X, line[i]) : TPoint(line[i], p.Y);
  });
}

namespace {

// Shifts the lines from first on by delta along an axis (0 columns, 1 rows);
// a positive delta inserts, a negative one deletes -delta lines at first.
void ShiftLines(TXLSheet& sheet, int axis, int first, int delta) {
  const int count = axis == 0 ? sheet.ColCount() : sheet.RowCount();
  if (first < 0 || first >= count || delta == 0) return;
  if (delta > 0) {
    // Grow so that the last text still has a place after the move.
    const TRect tail = axis == 0 ? TRect(first, 0, count, sheet.RowCount())
                                 : TRect(0, first, sheet.ColCount(), count);
    const int last = LastUsed(sheet, tail, axis);
    if (last >= 0 && last + delta >= count) {
      if (axis == 0)
        TSpreadDocument::GrowSheet(sheet, last + delta + 1, sheet.RowCount());
      else
        TSpreadDocument::GrowSheet(sheet, sheet.ColCount(), last + delta + 1);
    }
  }
  const int n = axis == 0 ? sheet.ColCount() : sheet.RowCount();
  const TRect area =
      axis == 0 ? TRect(first, 0, n, sheet.RowCount()) : TRect(0, first, sheet.ColCount(), n);
  MoveCells(sheet, area, [&](TPoint p) {
    if (axis == 0) {
      const int from = p.X - delta;
      return from >= first ? TPoint(from, p.Y) : TPoint(-1, -1);
    }
    const int from = p.Y - delta;
    return from >= first ? TPoint(p.X, from) : TPoint(-1, -1);
  });
}

}  // namespace

void InsertRows(TXLSheet& sheet, const TRect& rect) {
  ShiftLines(sheet, 1, rect.Top, rect.Height());
}
void InsertCols(TXLSheet& sheet, const TRect& rect) {
  ShiftLines(sheet, 0, rect.Left, rect.Width());
}
void DeleteRows(TXLSheet& sheet, const TRect& rect) {
  ShiftLines(sheet, 1, rect.Top, -rect.Height());
}
void DeleteCols(TXLSheet& sheet, const TRect& rect) {
  ShiftLines(sheet, 0, rect.Left, -rect.Width());
}

TRect ExtendSelection(const TXLSheet& sheet, const TRect& sel, TSelectRun run) {
  TRect r = sel;
  auto rowHasText = [&](int y) {
    for (int x = r.Left; x < r.Right; ++x)
      if (!Text(sheet, x, y).empty()) return true;
    return false;
  };
  auto colHasText = [&](int x) {
    for (int y = r.Top; y < r.Bottom; ++y)
      if (!Text(sheet, x, y).empty()) return true;
    return false;
  };
  switch (run) {
    case srDown:
      while (r.Bottom < sheet.RowCount() && rowHasText(r.Bottom)) ++r.Bottom;
      break;
    case srUp:
      while (r.Top > 0 && rowHasText(r.Top - 1)) --r.Top;
      break;
    case srRight:
      while (r.Right < sheet.ColCount() && colHasText(r.Right)) ++r.Right;
      break;
    case srLeft:
      while (r.Left > 0 && colHasText(r.Left - 1)) --r.Left;
      break;
  }
  return r;
}

int FormatNumbers(TXLSheet& sheet, const TRect& rect, int digits) {
  TRect r;
  if (!IntersectRect(r, rect, ClientExtent(sheet))) return 0;
  std::vector<TXLCell*> cells;
  sheet.Section(skClient).ForEachCellIn(r, [&](TXLCell* cell) { cells.push_back(cell); });
  int count = 0;
  const std::string mask = "%0." + std::to_string(std::clamp(digits, 0, 30)) + "f";
  TXLUpdateScope update(sheet);
  for (TXLCell* cell : cells) {
    double v;
    if (!TryStrToFloat(Trim(cell->GetAsString()), v)) continue;
    cell->SetAsString(Format(mask, v));
    ++count;
  }
  return count;
}

void ApplyBorderTag(TXLSheet& sheet, const TRect& rect, int tag, const TXLBorder& border) {
  TXLSectionRange range(&sheet.Section(skClient), rect);
  static const TXLSide toggles[] = {sLeft, sRight, sTop, sBottom, sBias2, sBias1};
  switch (tag) {
    case 0:
      range.SetBorders(255, TXLBorder{0, clNone});
      break;
    case 1:
      range.SetBorders(207, border);
      break;
    case 2:
      range.SetBorders(15, border);
      break;
    case 3:
      range.SetBorders(192, border);
      break;
    default:
      if (tag >= 4 && tag <= 9) {
        const TXLSide side = toggles[tag - 4];
        const bool has = range.Border(side).Width > 0;
        range.SetBorder(side, has ? TXLBorder{0, clNone} : border);
      }
  }
}

void ApplyBackColor(TXLSheet& sheet, const TRect& rect, TColor color) {
  TXLSectionRange range(&sheet.Section(skClient), rect);
  TXLUpdateScope update(sheet);
  range.SetColor(color);
  if (color == sheet.BaseClientStyle().Color())
    range.SetBorders(255, TXLBorder{0, clNone});
  else
    range.SetBorders(207, TXLBorder{1, clGray});
}

void ApplyFontColor(TXLSheet& sheet, const TRect& rect, TColor color) {
  TXLSectionRange range(&sheet.Section(skClient), rect);
  TFont font = range.Font();
  font.SetColor(color);
  range.SetFont(font);
}

void HighlightTitles(TXLSheet& sheet, const TRect& sel) {
  constexpr TColor kMarked = 0xCA9C91;
  TXLUpdateScope update(sheet);
  auto mark = [&](TXLSection& section, bool columns) {
    std::vector<TXLCell*> cells;
    section.ForEachCellIn(section.Extent(), [&](TXLCell* c) { cells.push_back(c); });
    for (TXLCell* cell : cells) {
      const int line = columns ? cell->Col() : cell->RowIndex();
      const bool on =
          columns ? (line >= sel.Left && line < sel.Right) : (line >= sel.Top && line < sel.Bottom);
      const bool bold = cell->Font().Style().Contains(fsBold);
      if (on) {
        if (!bold) cell->EditFont().SetStyle(cell->Font().Style().Include(fsBold));
        if (cell->Color() != kMarked) cell->SetColor(kMarked);
      } else {
        if (bold) cell->EditFont().SetStyle(cell->Font().Style().Exclude(fsBold));
        const TColor c = cell->Color();
        if (c != clBtnFace && c != clNone) cell->SetColor(clBtnFace);
      }
    }
  };
  mark(sheet.Section(skColTitles), true);
  mark(sheet.Section(skRowTitles), false);
}

TChartData ChartFromSelection(const TXLSheet& sheet, const TRect& sel) {
  TChartData data;
  TRect r;
  if (!IntersectRect(r, sel, ClientExtent(sheet)) || r.Height() < 3 || r.Width() < 1) {
    data.Error = "No enough data for drawing chart!";
    return data;
  }
  double v;
  const bool titled = !TryStrToFloat(Text(sheet, r.Left, r.Top), v);
  const int first = titled ? r.Top + 1 : r.Top;
  int end = first;
  while (end < r.Bottom && !Text(sheet, r.Left, end).empty()) ++end;
  for (int x = r.Left; x < r.Right; ++x) {
    TChartColumn column;
    column.Title = titled ? Text(sheet, x, r.Top) : Trim(sheet.GetCellText(x, -1));
    for (int y = first; y < end; ++y) {
      if (!TryStrToFloat(Text(sheet, x, y), v)) {
        data.Series.clear();
        data.Error = "Wrong chart data value!";
        data.BadCell = TPoint(x, y);
        return data;
      }
      column.Values.push_back(v);
    }
    data.Series.push_back(std::move(column));
  }
  return data;
}

std::string ConvertCells(const TXLSheet& sheet, const TRect& rect, TBaseConversion kind, int base) {
  std::string out;
  for (int y = rect.Top; y < rect.Bottom; ++y) {
    for (int x = rect.Left; x < rect.Right; ++x) {
      if (x > rect.Left) out += '\t';
      const std::string text = Text(sheet, x, y);
      if (text.empty()) continue;
      double v = 0;
      // Values beyond a 64-bit integer have no digits to give.
      const bool number = TryStrToFloat(text, v) && std::fabs(v) < 9.2e18;
      switch (kind) {
        case bcBinToOct: {
          const size_t dot = text.find('.');
          if (dot == std::string::npos) {
            out += BaseDigitsToDecimal(text, base);
          } else {
            // A sign digit, the integer digits, ".", the fraction digits.
            out += BaseDigitsToDecimal(text.substr(1, dot - 1), base) + "." +
                   BaseDigitsToDecimal(text.substr(dot + 1), base);
          }
          break;
        }
        case bcToDecimal:
          out += BaseDigitsToDecimal(text, base);
          break;
        case bcFromDecimal:
          if (number) out += IntToBaseDigits(std::fabs(v), base);
          break;
        case bcOctToBin: {
          if (!number) break;
          out += v >= 0 ? "1" : "0";
          out += IntToBaseDigits(std::trunc(std::fabs(v)), base);
          const std::string dec = FloatToStr(std::fabs(v));
          const size_t dot = dec.find(FormatSettings().DecimalSeparator);
          if (dot != std::string::npos && dec.find('E') == std::string::npos) {
            std::string frac = dec.substr(dot + 1);
            while (!frac.empty() && frac.back() == '0') frac.pop_back();
            if (!frac.empty()) {
              double f = 0;
              TryStrToFloat(frac, f);
              out += "." + IntToBaseDigits(f, base);
            }
          }
          break;
        }
      }
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace qv
