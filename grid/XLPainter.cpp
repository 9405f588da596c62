#include "grid/XLPainter.h"

#include <algorithm>
#include <cstdlib>

namespace qv {

namespace {

// Scratch arrays reused between calls, so painting allocates only when a
// call needs more lines than any before it.
struct TScratch {
  std::vector<int> x, y;  // start of each visible column/row, one more at the end
};
thread_local TScratch scratch;

constexpr int kMaxFontPixels = 2000;

TXLFrame frameAt(const TXLPaintInfo& info, const TXLSection& s, int col, int row) {
  if (info.FrameSource) return info.FrameSource(info.FrameData, s, col, row);
  return s.FrameAt(col, row);
}

bool insideUnion(const TXLPaintInfo& info, int col, int row) {
  if (!info.Unions) return false;
  for (const TXLPaintUnion& u : *info.Unions)
    if (u.Union->Rect.Contains(col, row)) return true;
  return false;
}

void drawEdgeFor(TCanvas& c, TRect r, TXLFrame frame) {
  unsigned edge = 0;
  switch (frame) {
    case frFlatUp:
      edge = BDR_RAISEDINNER;
      break;
    case frFlatDown:
      edge = BDR_SUNKENINNER;
      break;
    case frDeepUp:
      edge = EDGE_RAISED;
      break;
    case frDeepDown:
      edge = EDGE_SUNKEN;
      break;
    case frBevelUp:
      edge = EDGE_BUMP;
      break;
    case frBevelDown:
      edge = EDGE_ETCHED;
      break;
    default:
      return;
  }
  c.DrawEdge(r, edge, BF_RECT);
}

// Frame and diagonals of one position.
void drawFrameAndMarks(const TXLPaintInfo& info, const TXLSection& s, int col, int row,
                       const TRect& r) {
  TCanvas& c = *info.Canvas;
  const TXLCellStyles styles = TXLCellStyles(s.AttrAt(col, row, xaStyles));
  if (!(styles & CellStyleBit(csHidden))) drawEdgeFor(c, r, frameAt(info, s, col, row));
  const TXLBorder b1 = UnpackBorder(s.AttrAt(col, row, sBias1));
  const TXLBorder b2 = UnpackBorder(s.AttrAt(col, row, sBias2));
  if (b1.Width == 0 && b2.Width == 0) return;
  const bool clip = b1.Width == 3 || b2.Width == 3;
  if (clip) {
    c.PushClip();
    c.IntersectClipRect(r);
  }
  auto line = [&](const TXLBorder& b, int x1, int y1, int x2, int y2) {
    if (b.Width == 0) return;
    c.Pen.SetStyle(psSolid);
    c.Pen.SetWidth(b.Width);
    c.Pen.SetColor(b.Color);
    c.MoveTo(x1, y1);
    c.LineTo(x2, y2);
  };
  line(b1, r.Left, r.Top, r.Right - 1, r.Bottom - 1);
  line(b2, r.Right - 1, r.Top, r.Left, r.Bottom - 1);
  if (clip) c.PopClip();
}

// Content of one cell into its rectangle r.
void drawContent(const TXLPaintInfo& info, const TXLSection& s, TXLCell& cell, const TRect& r) {
  cell.SetStateFlag(xsReported, false);
  const int col = cell.Col(), row = cell.RowIndex();
  const TXLCellStyles styles = TXLCellStyles(s.AttrAt(col, row, xaStyles));
  if ((cell.State() & xsEditing) || (styles & CellStyleBit(csHidden))) return;
  TCanvas& c = *info.Canvas;
  const TXLFrame frame = frameAt(info, s, col, row);
  TRect content = FrameContentRect(r, frame);
  const TXLLayout layout = UnpackLayout(s.AttrAt(col, row, xaLayout));
  const TFont& font = cell.Font();
  c.Font.Assign(font);
  // Sizes are pixels at 96 per inch: a device of another resolution (a
  // printer) draws fonts, check boxes and pictures at the same physical size.
  const long long deviceScale =
      static_cast<long long>(info.ScaleX) * std::max(1, c.PixelsPerInchY()) / 96;
  const long long scaled = static_cast<long long>(font.Height()) * deviceScale / 100;
  const int h = static_cast<int>(std::clamp<long long>(scaled, -kMaxFontPixels, kMaxFontPixels));
  c.Font.SetHeight(h == 0 ? font.Height() : h);
  c.SetBkMode(TRANSPARENT);
  c.PushClip();
  c.IntersectClipRect(content);
  content.Left += layout.Indent;
  content.Right -= layout.Indent;
  TXLDrawInfo di;
  di.Canvas = &c;
  di.Layout = layout;
  di.Font = &font;
  di.Scale = static_cast<int>(std::min<long long>(deviceScale, 100000));
  di.Frame = frame;
  di.Styles = styles;
  di.Col = col;
  di.Row = row;
  cell.DrawValue(di, content);
  c.PopClip();
  if (info.HintMarks && HasProp(cell.Props(), prHint)) {
    c.Brush.SetStyle(bsSolid);
    c.Brush.SetColor(clRed);
    c.Pen.SetStyle(psSolid);
    c.Pen.SetWidth(1);
    c.Pen.SetColor(clRed);
    const TPoint tri[3] = {{r.Right - 5, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Top + 4}};
    c.Polygon(tri);
  }
}

void setPen(TCanvas& c, int width, TColor color) {
  c.Pen.SetStyle(psSolid);
  c.Pen.SetMode(pmCopy);
  c.Pen.SetWidth(width);
  c.Pen.SetColor(color);
}

}  // namespace

TRect FrameContentRect(const TRect& r, TXLFrame frame) {
  TRect c = r;
  switch (frame) {
    case frNone:
      c.Right -= 1;
      c.Bottom -= 1;
      break;
    case frFlatUp:
    case frFlatDown:
      InflateRect(c, -1, -1);
      break;
    default:
      InflateRect(c, -2, -2);
      break;
  }
  return c;
}

std::vector<TXLPaintUnion> CollectPaintUnions(const TXLSection& section, const TXLSizeList& cols,
                                              const TXLSizeList& rows, const TRect& cells,
                                              const TPoint& origin) {
  std::vector<TXLPaintUnion> out;
  if (section.Unions().empty()) return out;
  const std::int64_t x0 = cols.PositionOf(cells.Left), y0 = rows.PositionOf(cells.Top);
  for (const auto& u : section.Unions()) {
    TRect x;
    if (!IntersectRect(x, u->Rect, cells)) continue;
    TXLPaintUnion pu;
    pu.Union = u.get();
    pu.Pixels.Left = ClampCoord(origin.X + cols.PositionOf(u->Rect.Left) - x0);
    pu.Pixels.Right = ClampCoord(origin.X + cols.PositionOf(u->Rect.Right) - x0);
    pu.Pixels.Top = ClampCoord(origin.Y + rows.PositionOf(u->Rect.Top) - y0);
    pu.Pixels.Bottom = ClampCoord(origin.Y + rows.PositionOf(u->Rect.Bottom) - y0);
    out.push_back(pu);
  }
  return out;
}

void PaintSheetBackground(void* data, TCanvas& canvas, const TXLSection& section, const TRect& r) {
  const TXLBaseStyle& base = section.BaseStyle();
  canvas.Brush.SetStyle(bsSolid);
  canvas.Brush.SetColor(UnpackColor(base.RawAttr(xaColor)));
  canvas.FillRect(r);
  const TXLSheet* sheet = section.Sheet();
  if (!sheet) return;
  const TXLPicture& pic = const_cast<TXLSheet*>(sheet)->Background();
  const TImage* img = pic.Image();
  if (!img || img->Empty()) return;
  const TPoint origin = data ? *static_cast<const TPoint*>(data) : r.TopLeft();
  const int w = img->Width(), h = img->Height();
  // The first tile at or before r's top-left on the grid anchored at origin.
  auto floorTo = [](std::int64_t v, std::int64_t o, std::int64_t step) {
    const std::int64_t d = v - o;
    const std::int64_t q = d >= 0 ? d / step : -((-d + step - 1) / step);
    return o + q * step;
  };
  for (std::int64_t y = floorTo(r.Top, origin.Y, h); y < r.Bottom; y += h)
    for (std::int64_t x = floorTo(r.Left, origin.X, w); x < r.Right; x += w)
      canvas.Draw(static_cast<int>(x), static_cast<int>(y), *img);
}

void PaintSection(TXLSection& section, TXLPaintInfo& info) {
  if (!info.Canvas || !info.Cols || !info.Rows) return;
  TCanvas& c = *info.Canvas;
  const TRect cells = info.Cells;
  const int ncols = std::max(0, cells.Right - cells.Left);
  const int nrows = std::max(0, cells.Bottom - cells.Top);
  if (ncols == 0 || nrows == 0) return;

  // 1. Line starts of the visible columns and rows, one more at the end.
  std::vector<int>& xs = scratch.x;
  std::vector<int>& ys = scratch.y;
  xs.resize(std::size_t(ncols) + 1);
  ys.resize(std::size_t(nrows) + 1);
  std::int64_t at = info.Pixels.Left;
  xs[0] = ClampCoord(at);
  for (int i = 0; i < ncols; ++i) xs[i + 1] = ClampCoord(at += info.Cols->Get(cells.Left + i));
  at = info.Pixels.Top;
  ys[0] = ClampCoord(at);
  for (int j = 0; j < nrows; ++j) ys[j + 1] = ClampCoord(at += info.Rows->Get(cells.Top + j));
  const int right = xs[ncols], bottom = ys[nrows];

  const TXLBaseStyle& base = section.BaseStyle();
  const TColor baseRGB = ColorToRGB(UnpackColor(base.RawAttr(xaColor)));
  c.PushClip();

  // 2. Own colours, excluded from the clip.
  const auto& colorPlane = section.AttrPlane(4);
  if (!colorPlane.IsEmpty() ||
      colorPlane.Default() != static_cast<std::int32_t>(base.RawAttr(xaColor))) {
    bool haveBrush = false;
    TColor brush = 0;
    for (int j = 0; j < nrows; ++j) {
      const int row = cells.Top + j;
      const TDefSList* list = colorPlane.Get(row);
      for (int i = 0; i < ncols; ++i) {
        const std::uint32_t word =
            static_cast<std::uint32_t>(list ? list->Get(cells.Left + i) : colorPlane.Default());
        const TColor color = UnpackColor(word);
        if (color == clNone) continue;
        const TColor rgb = ColorToRGB(color);
        if (rgb == baseRGB) continue;
        if (!haveBrush || rgb != brush) {
          c.Brush.SetStyle(bsSolid);
          c.Brush.SetColor(rgb);
          brush = rgb;
          haveBrush = true;
        }
        const TRect fill(xs[i] - 1, ys[j] - 1, xs[i + 1], ys[j + 1]);
        c.FillRect(fill);
        c.ExcludeClipRect(fill);
      }
    }
  }

  // 3. The background routine.
  if (info.Background) info.Background(info.BackgroundData, c, section, info.Pixels);

  // 4. Merged blocks keep the grid lines out.
  if (info.Unions) {
    for (const TXLPaintUnion& u : *info.Unions)
      c.ExcludeClipRect(
          TRect(u.Pixels.Left, u.Pixels.Top, u.Pixels.Right - 1, u.Pixels.Bottom - 1));
  }

  // 5. Grid lines.
  if (ColorToRGB(UnpackColor(base.RawAttr(xaColor))) != ColorToRGB(base.LinesColor()) &&
      info.ScaleX > 25) {
    setPen(c, 1, base.LinesColor());
    if (info.HorzLines) {
      for (int j = 0; j <= nrows; ++j) {
        const int y = ys[j] - 1;
        if (y >= bottom) break;
        c.MoveTo(info.Pixels.Left - 1, y);
        c.LineTo(right, y);
      }
    }
    if (info.VertLines) {
      for (int i = 0; i <= ncols; ++i) {
        const int x = xs[i] - 1;
        if (x >= right) break;
        c.MoveTo(x, info.Pixels.Top - 1);
        c.LineTo(x, bottom);
      }
    }
  }

  // 6. Merged blocks: content, frame and marks over the whole block.
  c.PopClip();
  c.PushClip();
  if (info.Unions) {
    for (const TXLPaintUnion& u : *info.Unions) {
      if (u.Union->Origin) drawContent(info, section, *u.Union->Origin, u.Pixels);
      drawFrameAndMarks(info, section, u.Union->Rect.Left, u.Union->Rect.Top, u.Pixels);
      c.ExcludeClipRect(u.Pixels);
    }
  }

  // 7. The other positions, row by row.
  const bool anyUnions = info.Unions && !info.Unions->empty();
  for (int j = 0; j < nrows; ++j) {
    const int row = cells.Top + j;
    const TXLRow* rowList = section.Get(row);
    for (int i = 0; i < ncols; ++i) {
      const int col = cells.Left + i;
      if (anyUnions && insideUnion(info, col, row)) continue;
      const TRect r(xs[i], ys[j], xs[i + 1], ys[j + 1]);
      TXLCell* cell = rowList ? rowList->Get(col) : nullptr;
      if (cell && (cell->State() & xsUnion)) continue;
      if (cell) drawContent(info, section, *cell, r);
      drawFrameAndMarks(info, section, col, row, r);
    }
  }

  // 8. The cells' own border lines, client section only.
  c.PopClip();
  c.PushClip();
  if (section.Kind() == skClient) {
    bool havePen = false;
    std::uint32_t penWord = 0;
    auto usePen = [&](std::uint32_t word) {
      const TXLBorder b = UnpackBorder(word);
      const std::uint32_t key = PackBorder(b);
      if (!havePen) {
        setPen(c, 1, clBlack);
        havePen = true;
        penWord = PackBorder({1, clBlack});
      }
      if (key != penWord) {
        setPen(c, b.Width, b.Color);
        penWord = key;
      }
    };
    const auto& vert = section.LinePlane(0);
    for (int i = 0; i <= ncols; ++i) {
      const TSList* inner = vert.Get(cells.Left + i);
      if (!inner || inner->IsEmpty()) continue;
      for (int j = 0; j < nrows; ++j) {
        const std::uint32_t word = static_cast<std::uint32_t>(inner->Get(cells.Top + j));
        if (word == 0) continue;
        usePen(word);
        c.MoveTo(xs[i] - 1, ys[j + 1] - 1);
        c.LineTo(xs[i] - 1, ys[j] - 1);
      }
    }
    const auto& horz = section.LinePlane(1);
    for (int j = 0; j <= nrows; ++j) {
      const TSList* inner = horz.Get(cells.Top + j);
      if (!inner || inner->IsEmpty()) continue;
      for (int i = 0; i < ncols; ++i) {
        const std::uint32_t word = static_cast<std::uint32_t>(inner->Get(cells.Left + i));
        if (word == 0) continue;
        usePen(word);
        c.MoveTo(xs[i + 1] - 1, ys[j] - 1);
        c.LineTo(xs[i] - 1, ys[j] - 1);
      }
    }
  }
  c.PopClip();
}

}  // namespace qv
