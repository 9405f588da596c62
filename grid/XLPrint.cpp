// Printing a sheet page by page, and fitting a line's size to its contents.
#include <algorithm>

#include "grid/XLPainter.h"
#include "grid/XLSheet.h"
#include "platform/core/Services.h"

namespace qv {

namespace {

// The page used when no printer is installed: 600 dots per inch, 4676 x
// 6744 dots of printable area.
constexpr int kDefaultDpi = 600;
constexpr int kDefaultPageWidth = 4676;
constexpr int kDefaultPageHeight = 6744;

int scaleFactor(int dpi) { return std::max(1, dpi) * 100 / 96; }

}  // namespace

void TXLSheet::UpdatePageRect() { UpdatePageRect(Printer()); }

void TXLSheet::UpdatePageRect(TPrinterService* printer) {
  int w = kDefaultPageWidth, h = kDefaultPageHeight;
  dpi_[0] = dpi_[1] = kDefaultDpi;
  if (printer && printer->Available() && printer->DpiX() > 0 && printer->DpiY() > 0) {
    dpi_[0] = printer->DpiX();
    dpi_[1] = printer->DpiY();
    w = printer->PageWidth();
    h = printer->PageHeight();
  }
  // Margins (96 per inch) move the edges in; the page keeps at least one
  // pixel whatever they say.
  const std::int64_t right = std::max<std::int64_t>(1, std::int64_t(w) * 96 / dpi_[0]);
  const std::int64_t bottom = std::max<std::int64_t>(1, std::int64_t(h) * 96 / dpi_[1]);
  const std::int64_t left = std::clamp<std::int64_t>(PrintLeftMargin, 0, right - 1);
  const std::int64_t top = std::clamp<std::int64_t>(PrintTopMargin, 0, bottom - 1);
  const std::int64_t r1 = std::max(left + 1, right - std::max(0, PrintRightMargin));
  const std::int64_t b1 = std::max(top + 1, bottom - std::max(0, PrintBottomMargin));
  const TRect r(static_cast<int>(left), static_cast<int>(top), static_cast<int>(r1),
                static_cast<int>(b1));
  pageRect_ = r;
  for (TXLGridLink* l : links_) l->SheetPageRectChanged();
}

void TXLSheet::PrintLists(int dpiX, int dpiY, TXLSizeList lists[2][2]) const {
  const int k[2] = {scaleFactor(dpiX), scaleFactor(dpiY)};
  for (int axis = 0; axis < 2; ++axis)
    for (int t = 0; t < 2; ++t) lists[axis][t].AssignScaled(sizes_[axis][t], k[axis], 100);
}

std::int64_t TXLSheet::WalkBreaks(const TXLSizeList& title, const TXLSizeList& data,
                                  std::int64_t extent, std::vector<int>* breaks) const {
  const std::int64_t space = extent - title.PositionOf(title.Count());
  const int n = data.Count();
  std::int64_t count = 0;
  std::int64_t line = 0, bandStart = 0, sum = 0;
  auto cut = [&] {
    if (breaks) breaks->push_back(static_cast<int>(line));
    ++count;
    bandStart = line;
    sum = 0;
  };
  // Lines of one size in bulk: a long run of default lines costs one step
  // per page, not one per line. Every band takes at least one line.
  auto run = [&](std::int64_t lines, std::int64_t size) {
    while (lines > 0) {
      std::int64_t fit = size > 0 ? std::max<std::int64_t>(0, (space - sum) / size) : lines;
      if (line == bandStart) fit = std::max<std::int64_t>(1, fit);
      fit = std::min(fit, lines);
      if (fit == 0) {
        cut();
        continue;
      }
      sum += fit * size;
      line += fit;
      lines -= fit;
      if (lines > 0) cut();
    }
  };
  std::vector<int> custom;
  data.ForEachSlot([&](int index, std::int32_t) {
    if (index >= n) return 1;
    custom.push_back(index);
    return 0;
  });
  for (int index : custom) {
    run(index - line, data.Default());
    const std::int64_t size = data.Get(index);
    if (sum + size > space && line > bandStart) cut();
    sum += size;
    ++line;
  }
  run(n - line, data.Default());
  if (breaks) breaks->push_back(n);
  return count + 1;
}

std::vector<int> TXLSheet::BreaksOf(const TXLSizeList& title, const TXLSizeList& data,
                                    std::int64_t extent) const {
  std::vector<int> breaks;
  WalkBreaks(title, data, extent, &breaks);
  return breaks;
}

std::vector<int> TXLSheet::PageBreaks(int axis) const {
  TXLSizeList lists[2][2];
  PrintLists(dpi_[0], dpi_[1], lists);
  const int k = scaleFactor(dpi_[axis]);
  const std::int64_t extent =
      std::int64_t(axis == 0 ? pageRect_.Width() : pageRect_.Height()) * k / 100;
  return BreaksOf(lists[axis][1], lists[axis][0], extent);
}

int TXLSheet::GetPageCount() const {
  TXLSizeList lists[2][2];
  PrintLists(dpi_[0], dpi_[1], lists);
  std::int64_t n = 1;
  for (int axis = 0; axis < 2; ++axis) {
    const std::int64_t extent = std::int64_t(axis == 0 ? pageRect_.Width() : pageRect_.Height()) *
                                scaleFactor(dpi_[axis]) / 100;
    n *= WalkBreaks(lists[axis][1], lists[axis][0], extent, nullptr);
  }
  return static_cast<int>(std::min<std::int64_t>(n, INT32_MAX));
}

void TXLSheet::Print(int fromPage, int toPage) {
  TPrinterService* printer = Printer();
  if (!printer) throw EPrinter();
  Print(*printer, fromPage, toPage);
}

void TXLSheet::Print(TPrinterService& printer, int fromPage, int toPage) {
  const int dpiX = std::max(1, printer.DpiX()), dpiY = std::max(1, printer.DpiY());
  TXLSizeList lists[2][2];
  PrintLists(dpiX, dpiY, lists);
  const int kx = scaleFactor(dpiX), ky = scaleFactor(dpiY);
  const TRect page(static_cast<int>(std::int64_t(pageRect_.Left) * kx / 100),
                   static_cast<int>(std::int64_t(pageRect_.Top) * ky / 100),
                   static_cast<int>(std::int64_t(pageRect_.Right) * kx / 100),
                   static_cast<int>(std::int64_t(pageRect_.Bottom) * ky / 100));
  const std::vector<int> colBreaks = BreaksOf(lists[0][1], lists[0][0], page.Width());
  const std::vector<int> rowBreaks = BreaksOf(lists[1][1], lists[1][0], page.Height());
  const int across = static_cast<int>(colBreaks.size());
  const std::int64_t total = std::int64_t(across) * std::int64_t(rowBreaks.size());
  fromPage = std::max(1, fromPage);
  const std::int64_t last = std::min<std::int64_t>(toPage, total);
  if (last < fromPage) return;

  printer.SetTitle(Title);
  if (!printer.BeginDoc()) throw EPrinter();
  const int titleW = ClampCoord(lists[0][1].PositionOf(TitleCols()));
  const int titleH = ClampCoord(lists[1][1].PositionOf(TitleRows()));
  try {
    for (std::size_t rb = 0; rb < rowBreaks.size(); ++rb) {
      const int r0 = rb == 0 ? 0 : rowBreaks[rb - 1], r1 = rowBreaks[rb];
      for (int cb = 0; cb < across; ++cb) {
        const std::int64_t number = std::int64_t(rb) * across + cb + 1;
        if (number < fromPage || number > last) continue;
        const int c0 = cb == 0 ? 0 : colBreaks[cb - 1], c1 = colBreaks[cb];
        TCanvas& canvas = printer.Canvas();
        struct TPart {
          int kind;
          TRect cells;
          const TXLSizeList* cols;
          const TXLSizeList* rows;
          TPoint origin;
        };
        const TPart parts[4] = {
            {skColTitles, TRect(c0, 0, c1, TitleRows()), &lists[0][0], &lists[1][1],
             TPoint(page.Left + titleW, page.Top)},
            {skRowTitles, TRect(0, r0, TitleCols(), r1), &lists[0][1], &lists[1][0],
             TPoint(page.Left, page.Top + titleH)},
            {skCorner, TRect(0, 0, TitleCols(), TitleRows()), &lists[0][1], &lists[1][1],
             TPoint(page.Left, page.Top)},
            {skClient, TRect(c0, r0, c1, r1), &lists[0][0], &lists[1][0],
             TPoint(page.Left + titleW, page.Top + titleH)},
        };
        for (const TPart& part : parts) {
          if (part.cells.IsEmpty()) continue;
          TXLSection& section = *sections_[part.kind];
          const std::vector<TXLPaintUnion> unions =
              CollectPaintUnions(section, *part.cols, *part.rows, part.cells, part.origin);
          TXLPaintInfo info;
          info.Cols = part.cols;
          info.Rows = part.rows;
          info.Canvas = &canvas;
          info.Cells = part.cells;
          const std::int64_t w =
              part.cols->PositionOf(part.cells.Right) - part.cols->PositionOf(part.cells.Left);
          const std::int64_t h =
              part.rows->PositionOf(part.cells.Bottom) - part.rows->PositionOf(part.cells.Top);
          info.Pixels = TRect(part.origin.X, part.origin.Y, ClampCoord(part.origin.X + w),
                              ClampCoord(part.origin.Y + h));
          info.Unions = &unions;
          info.VertLines = info.HorzLines = PrintGridLines;
          info.HintMarks = false;
          PaintSection(section, info);
        }
        if (number < last) printer.NewPage();
      }
    }
  } catch (...) {
    printer.Abort();
    throw;
  }
  printer.EndDoc();
}

int TXLSheet::FitSize(int index, int axis, TCanvas& measure) const {
  int best = 0;
  auto visit = [&](const TXLSection& s, const TRect& r) {
    s.ForEachCellIn(r, [&](TXLCell* cell) {
      if (cell->State() & xsUnion) {
        const TRect u = cell->GetRect();
        if ((axis == 0 ? u.Width() : u.Height()) > 1) return;
      }
      const TSize e = cell->GetExtent(measure);
      best = std::max(best, axis == 0 ? e.cx : e.cy);
    });
  };
  const bool title = index < 0;
  const int line = title ? -(index + 1) : index;
  if (axis == 0) {
    // A column: its title part and its data part.
    const TXLSection& head = *sections_[title ? skCorner : skColTitles];
    const TXLSection& body = *sections_[title ? skRowTitles : skClient];
    visit(head, TRect(line, 0, line + 1, INT32_MAX));
    visit(body, TRect(line, 0, line + 1, INT32_MAX));
  } else {
    const TXLSection& head = *sections_[title ? skCorner : skRowTitles];
    const TXLSection& body = *sections_[title ? skColTitles : skClient];
    visit(head, TRect(0, line, INT32_MAX, line + 1));
    visit(body, TRect(0, line, INT32_MAX, line + 1));
  }
  return best > 0 ? best : (axis == 0 ? ColDefWidth() : RowDefHeight());
}

}  // namespace qv
