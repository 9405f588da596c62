// The section painter: draws a rectangle of cells of one section onto a
// canvas, for the screen and for paper alike. Everything that differs
// between the two lies in the paint record; the painter knows neither the
// grid view nor the printer.
//
// Geometry. A cell's rectangle runs from the start of its column (row) to
// the start of the next one; the last pixel column and row of every cell
// carry the grid line of the following line, and a line's grid line lies
// one pixel before its start. So a red cell filled from one pixel left of
// and above its rectangle to its right and bottom edge covers the grid
// lines around it.
//
// The painter draws, in order: own colours (excluded from the clip), the
// background routine, grid lines (not across coloured cells or merged
// blocks; none at 25 % or when the base colour equals the lines colour),
// merged blocks (origin content, frame, marks), the other positions row by
// row, and in the client section the cells' own border lines. It leaves the
// canvas's clip as it found it.
#pragma once

#include <vector>

#include "grid/XLSheet.h"

namespace qv {

// A merged block to draw, with its rectangle in device pixels.
struct TXLPaintUnion {
  const TXLUnion* Union = nullptr;
  TRect Pixels;
};

// The frame to draw at a section position (normally the Frame attribute).
using TXLFrameSource = TXLFrame (*)(void* data, const TXLSection& section, int col, int row);
// Paints what the clip leaves of r after own colours are filled.
using TXLBackground = void (*)(void* data, TCanvas& canvas, const TXLSection& section,
                               const TRect& r);

struct TXLPaintInfo {
  // Column widths and row heights in device pixels.
  const TXLSizeList* Cols = nullptr;
  const TXLSizeList* Rows = nullptr;
  // Percent: font sizes and the grid-line threshold follow ScaleX.
  int ScaleX = 100;
  int ScaleY = 100;
  TCanvas* Canvas = nullptr;
  // Section cells to draw: first column and row, and the ones after the last.
  TRect Cells;
  // The pixel rectangle of Cells on the device.
  TRect Pixels;
  // Merged blocks of the section intersecting the area.
  const std::vector<TXLPaintUnion>* Unions = nullptr;
  bool VertLines = true;
  bool HorzLines = true;
  bool HintMarks = false;
  TXLFrameSource FrameSource = nullptr;  // null: the section's Frame attribute
  void* FrameData = nullptr;
  TXLBackground Background = nullptr;  // null: nothing
  void* BackgroundData = nullptr;
};

// Draws info.Cells of the section. Raises nothing for a consistent record.
void PaintSection(TXLSection& section, TXLPaintInfo& info);

// The merged blocks of the section intersecting cells, with pixel
// rectangles relative to origin (the pixel position of cells' top-left).
std::vector<TXLPaintUnion> CollectPaintUnions(const TXLSection& section, const TXLSizeList& cols,
                                              const TXLSizeList& rows, const TRect& cells,
                                              const TPoint& origin);

// The background routine of the screen: the base style's colour, or the
// sheet's Background picture tiled from the content origin given in data
// (a TPoint*, the pixel position of section cell (0, 0)); null data tiles
// from r's top-left.
void PaintSheetBackground(void* data, TCanvas& canvas, const TXLSection& section, const TRect& r);

// A pixel position held to +-2^29, where any canvas draws nothing more: sizes
// from a file may add up beyond what int coordinates hold.
constexpr int kMaxCoord = 1 << 29;
inline int ClampCoord(std::int64_t v) {
  return static_cast<int>(v < -kMaxCoord ? -kMaxCoord : v > kMaxCoord ? kMaxCoord : v);
}

// The content rectangle of a cell rectangle with a frame.
TRect FrameContentRect(const TRect& r, TXLFrame frame);

}  // namespace qv
