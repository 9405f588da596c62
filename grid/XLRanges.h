// Ranges: a rectangle of one section that behaves like a single cell.
//
// Reading a property of a range gives the value of the rectangle (of its
// top-left cell, or the planes' value when uniform); writing one writes it
// to the whole rectangle. Ranges also carry the block commands (merge,
// split, clear) and the two clipboards: the system clipboard as
// TAB-separated text, and the library's clipboard sheet for copying cells
// with their looks.
//
// TXLProRange      the behaviour; the rectangle comes from a descendant
// TXLSectionRange  a stored section and rectangle (code builds these)
// The grid's selection (a range bound to a view) descends from TXLProRange
// in the grid control.
#pragma once

#include <string>
#include <string_view>

#include "grid/XLSheet.h"

namespace qv {

// Column letters, bijective base 26: 0 "A", 25 "Z", 26 "AA", 701 "ZZ",
// 702 "AAA". Empty for a negative index.
std::string ColumnLetters(int col);
// The column of letters (any case), -1 for a text that is not letters or
// names a column beyond the 32-bit range.
int LettersToColumn(std::string_view letters);

class TXLProRange : public TXLProCell {
 public:
  TXLProRange();

  // The rectangle in sheet coordinates (right and bottom exclusive).
  TRect GetSheetRect() const;
  // One cell, or exactly one merged block.
  bool IsSingleCell() const;
  // A merged block of the section intersects the rectangle.
  bool HasUnions() const;
  // "Cell [c, r]" or "Cells [l, t : r, b]" in sheet coordinates, right and
  // bottom inclusive.
  std::string Caption() const;

  // The top-left cell (null when there is none).
  TXLCell* TopLeftCell() const;

  TXLCellClassRef GetCellClass() const override;
  // Gives every position of the rectangle the class (creating cells).
  // A value that a cell's new class cannot hold leaves that cell as it was;
  // the first such conversion error is raised after all others are done.
  void SetCellClass(TXLCellClassRef cls) override;
  TXLPersistent* GetStyle() const override;
  void SetStyle(TXLStyle* style) override;
  const TXLPersistent* GetPropSource(TXLProp prop) const override;
  void IncludeProp(TXLProp prop, unsigned mask) override;
  TVariant GetAsVariant() const override;
  void SetAsVariant(const TVariant& v) override;
  // Gives the target the source's rectangle, then the source's attributes.
  void Assign(const TXLPersistent& source) override;

  // ---- commands (each followed by Changed()) ----
  // Merges the rectangle into one block unless IsSingleCell; whether it merged.
  bool Merge();
  void MergeRows();
  void MergeCols();
  void Split();
  // Frees the cells inside (looks kept in the planes stay).
  void Clear();
  void ClearFormual();

  // The rectangle as text: one line per row (CR LF), fields joined by TAB,
  // each the cell's stored text trimmed, inner TAB/CR/LF turned into blanks.
  std::string ClipboardText() const;
  // Puts ClipboardText() on the system clipboard; EXLGridError
  // "Cannot open clipboard" when the clipboard refuses.
  void CopyToClipboard();
  // Pastes clipboard text at the rectangle's top-left; a client range grows
  // the sheet to hold it (new columns titled with letters, new rows with
  // their numbers), a title range clips. col and row return one past the
  // last column of the last line and one past the last row.
  void PasteFromClipboard(int& col, int& row);
  // The same with text given (the clipboard's text).
  void PasteText(const std::string& text, int& col, int& row);
  // Pastes transposed: field j of line i goes to (left + i, top + j).
  void PasteReversed(int& col, int& row);
  void PasteTextReversed(const std::string& text, int& col, int& row);

  // Copies cells and blocks with their looks to the clipboard sheet.
  void Copy();
  void Cut();
  bool CanPaste() const;
  // Pastes the clipboard sheet at the top-left; the rectangle becomes the
  // pasted block.
  void Paste();

 protected:
  // After every command (a selection repaints and tells its grid).
  virtual void Changed() {}

 private:
  // Writes one pasted field to a cell (sheet coordinates).
  void PasteField(int col, int row, const std::string& field);
  // Grows the sheet so that section point (col, row) exists; false when it
  // cannot (a title section).
  bool GrowTo(int col, int row);
};

class TXLSectionRange : public TXLProRange {
 public:
  TXLSectionRange(TXLSection* section, const TRect& rect) : section_(section), rect_(rect) {}
  TXLSection* GetSection() const override { return section_; }
  TRect GetRect() const override { return rect_; }
  void SetRect(const TRect& r) override { rect_ = r; }
  void SetSection(TXLSection* s) { section_ = s; }

 private:
  TXLSection* section_;
  TRect rect_;
};

// Copies the cells and blocks of a section rectangle to another section at
// an offset, with their looks (the cell copy of the clipboard sheet).
void CopySectionBlock(const TXLSection& from, const TRect& rect, TXLSection& to,
                      const TPoint& offset);

}  // namespace qv
