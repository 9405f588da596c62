// The sheet: the non-visual document of the grid library.
//
// A TXLSheet owns typed cells in four sections (0 column titles, 1 row
// titles, 2 corner, 3 client), the column widths and row heights, two base
// styles, and optionally links to a TXLStyler of named styles. Grids that
// show a sheet register a TXLGridLink and hear of every change.
//
// Coordinates. Sheet coordinates address client cells from (0, 0);
// negative indices address titles: a negative column c is section column
// c + TitleCols (so -1 is the title column next to the data), a negative
// row likewise. Section coordinates start at 0 in every section.
// Rectangles are right- and bottom-exclusive. A point outside every
// section is refused: FindCell gives null, GetCell raises EXLGridError.
//
// Size indices: a column or row index >= 0 is a data line; a negative one
// I is title line -I-1.
//
// Extents: column titles ColCount x TitleRows, row titles TitleCols x
// RowCount, corner TitleCols x TitleRows, client ColCount x RowCount.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "grid/XLCellClasses.h"
#include "grid/XLLists.h"
#include "grid/XLStyles.h"

namespace qv {

class TXLSheet;
class TXLSection;
class TPrinterService;
class TClassInfo;
struct TReadOptions;

enum TXLSectionKind : std::uint8_t { skColTitles, skRowTitles, skCorner, skClient };
// Axis 0 = columns, 1 = rows.
enum TXLAxis : std::uint8_t { axCols, axRows };

// A merged block: a rectangle of a section and the cell at its top-left
// (null until one exists).
struct TXLUnion {
  TRect Rect;
  TXLCell* Origin = nullptr;
};

// A row of a section: cells by column (owned).
class TXLRow : public TObjectSList<TXLCell> {
 public:
  TXLRow() = default;
  ~TXLRow() override;
  static void* operator new(std::size_t size) { return XLPoolAllocate(size); }
  static void operator delete(void* block, std::size_t size) noexcept { XLPoolFree(block, size); }
  int Index() const { return index_; }
  TXLSection* Section() const { return section_; }
  void Reindex(int first, int last) override;
  void FreeItem(TXLCell* cell) override;

 private:
  friend class TXLSection;
  int index_ = 0;
  TXLSection* section_ = nullptr;
};

// One attribute plane with a default for the rows it creates.
template <class Inner>
class TXLPlane : public TListSList<Inner> {
 public:
  void ItemCreated(Inner* item, int) override {
    if constexpr (std::is_base_of_v<TProZeroSList, Inner>) item->SetDefault(default_);
  }
  std::int32_t Default() const { return default_; }
  // Sets the default of the plane and of every existing row.
  void SetPlaneDefault(std::int32_t value) {
    default_ = value;
    if constexpr (std::is_base_of_v<TProZeroSList, Inner>) {
      this->ForEach([&](int, Inner* row) {
        row->SetDefault(value);
        return 0;
      });
    }
  }

 private:
  std::int32_t default_ = 0;
};

class TXLSection : public TListSList<TXLRow> {
 public:
  TXLSection(TXLSheet* sheet, TXLSectionKind kind);
  ~TXLSection() override;

  TXLSheet* Sheet() const { return sheet_; }
  TXLSectionKind Kind() const { return kind_; }
  TXLBaseStyle& BaseStyle() const;
  // Extents in cells.
  int ColCount() const;
  int RowCount() const;
  bool Contains(int col, int row) const {
    return col >= 0 && row >= 0 && col < ColCount() && row < RowCount();
  }
  TRect Extent() const { return TRect(0, 0, ColCount(), RowCount()); }

  void ItemCreated(TXLRow* row, int index) override;

  // ---- cells ----
  // The cell stored at the point (no merged-block redirection).
  TXLCell* CellAt(int col, int row) const;
  // The cell at the point, or the origin of the merged block holding it;
  // null when none.
  TXLCell* FindCell(int col, int row) const;
  // As FindCell, creating a cell of the base style's class when missing.
  // EXLGridError for a point outside the section.
  TXLCell* GetCell(int col, int row);
  // Creates a cell of cls at the point (the top-left of a merged block
  // holding it); an existing cell there is freed first.
  TXLCell* CreateCell(int col, int row, TXLCellClassRef cls);
  // Makes the cell at the point one of cls: creates it, keeps it when it
  // already has the class, or replaces it by a new one that takes over the
  // old cell's font, layout, value, hint, formula and style.
  TXLCell* SetCellClass(const TPoint& local, TXLCellClassRef cls);
  // With a source: the cell gets the source's class and the source is
  // assigned to it. Without: the cell is freed.
  TXLCell* AssignCell(const TPoint& local, const TXLCell* source);
  // Frees the cells inside r.
  void ClearRect(const TRect& r);
  // Frees a cell of this section.
  void FreeCell(TXLCell* cell);
  // Frees every cell, empties the planes, hints, formulas and blocks.
  void ClearAll();
  // Cells in r, row by row (ascending), then column.
  template <class F>
  void ForEachCellIn(const TRect& r, F&& f) const {
    ForEachIn(r.Top, r.Bottom - 1, [&](int, TXLRow* row) {
      row->ForEachIn(r.Left, r.Right - 1, [&](int, TXLCell* cell) { f(cell); });
    });
  }
  std::int64_t CellCount() const;

  // ---- merged blocks ----
  const std::vector<std::unique_ptr<TXLUnion>>& Unions() const { return unions_; }
  // The block holding the point, or null.
  TXLUnion* UnionAt(int col, int row) const;
  // The first block intersecting r other than except.
  TXLUnion* FindUnion(const TRect& r, const TXLUnion* except = nullptr) const;
  bool IsUnion(const TRect& r) const;
  // r grown by every block it intersects, until it no longer grows.
  TRect ExpandToUnions(const TRect& r) const;
  // Merges r (clipped to the section) into one block; nothing for a single
  // cell. Returns the block or null.
  TXLUnion* Merge(const TRect& r);
  // Removes every block intersecting r.
  void Split(const TRect& r);
  // Adds a block without the uniformity rule (the stream reader).
  TXLUnion* AddUnion(const TRect& r);
  void RemoveUnion(TXLUnion* u);

  // ---- attribute planes ----
  // Attribute id over a rectangle (see XLCells.h for the ids).
  std::uint32_t GetAttr(const TRect& r, int id, bool& uniform) const;
  // Writes over r grown to the merged blocks it touches, repaints.
  void SetAttr(const TRect& r, int id, std::uint32_t value);
  // Attribute of one position (planes 2-7 and the lines around it).
  std::uint32_t AttrAt(int col, int row, int id) const;
  TXLFrame FrameAt(int col, int row) const { return TXLFrame(AttrAt(col, row, xaFrame)); }
  // The plane of lines (0 vertical, keyed column first; 1 horizontal,
  // keyed row first) and the planes 2-7 (keyed row first).
  TXLPlane<TSList>& LinePlane(int k) { return lines_[k]; }
  const TXLPlane<TSList>& LinePlane(int k) const { return lines_[k]; }
  TXLPlane<TDefSList>& AttrPlane(int k) { return attrs_[k - 2]; }
  const TXLPlane<TDefSList>& AttrPlane(int k) const { return attrs_[k - 2]; }
  // Sets the defaults of planes 2-7 from the base style.
  void UpdatePlaneDefaults();
  // Drops cells, blocks and plane entries beyond the extents; the number of
  // plane entries dropped.
  int TrimToExtents();

  // ---- hints and formulas, keyed by cell ----
  const std::string* FindHint(const TXLCell* cell) const;
  const std::string* FindFormual(const TXLCell* cell) const;
  void StoreHint(const TXLCell* cell, const std::string& text);
  void StoreFormual(const TXLCell* cell, const std::string& text);
  // Removes the formulas of every cell in r.
  void ClearFormuals(const TRect& r);

  // Section rectangle to sheet coordinates.
  TRect ToSheetRect(const TRect& r) const;
  TPoint ToSheetPoint(const TPoint& p) const;

  // ---- stream ----
  void ReadSection(TStream& stream, TXLStreamReport& report);
  void WriteSection(TStream& stream) const;
  // Replaces the style indices kept while reading by the styler's styles.
  void ResolveStyleIndices(TXLStyler* styler);

 private:
  friend class TXLRow;
  friend class TXLCell;
  friend class TXLSheet;
  void CellFreed(TXLCell* cell);
  // Stores a new cell at the point and makes it the origin of a merged
  // block whose top-left it is.
  TXLCell* PlaceCell(int col, int row, std::unique_ptr<TXLCell> made);
  void ReadCells(TStream& stream, TXLStreamReport& report);
  void ReadPlanes(TStream& stream, std::int32_t flags, TXLStreamReport& report);
  void MakeUniform(const TRect& r);
  // Writes an attribute over exactly r (no growth, no repaint).
  void WriteAttrExact(const TRect& r, int id, std::uint32_t value);

  TXLSheet* sheet_;
  TXLSectionKind kind_;
  std::vector<std::unique_ptr<TXLUnion>> unions_;
  TXLPlane<TSList> lines_[2];
  TXLPlane<TDefSList> attrs_[6];
  std::unordered_map<const TXLCell*, std::string> hints_;
  std::unordered_map<const TXLCell*, std::string> formulas_;
  // Style indices of cells read from a stream until the styler is known.
  std::unordered_map<const TXLCell*, std::int32_t> pendingStyles_;
  bool bulk_ = false;  // freeing everything: no per-cell notifications
};

// What a grid hears from the sheet it shows. Every call runs on the UI
// thread; none may throw.
class TXLGridLink {
 public:
  virtual ~TXLGridLink() = default;
  // A rectangle of a section must be repainted (lines: border lines changed).
  virtual void SheetInvalidateRect(TXLSection& section, const TRect& r, bool lines) {
    (void)section;
    (void)r;
    (void)lines;
  }
  // A cell changed its look or value (prop), for an open editor to follow.
  virtual void SheetCellChanged(TXLCell& cell, TXLProp prop) {
    (void)cell;
    (void)prop;
  }
  // A cell is about to be freed (an editor attached to it must close).
  virtual void SheetCellFreed(TXLCell& cell) { (void)cell; }
  // Counts or defaults changed along an axis (-1: both).
  virtual void SheetLayoutChanged(int axis) { (void)axis; }
  // One size changed (index as GetSize counts it).
  virtual void SheetSizeChanged(int axis, int index) {
    (void)axis;
    (void)index;
  }
  virtual void SheetBackgroundChanged() {}
  virtual void SheetPageRectChanged() {}
  // The sheet is being destroyed: drop it.
  virtual void SheetDestroying() {}
  // Refresh after the outermost EndUpdate.
  virtual void SheetRefresh() {}
  // The sheet was read from a stream.
  virtual void SheetRead() {}
};

using TXLSizingEvent = std::function<void(TXLSheet& sender, TXLAxis axis, int index, int& value)>;
using TXLGridEvent = std::function<void(TXLSheet& sender, const TPoint& coord)>;
using TXLCellTextEvent =
    std::function<void(TXLSheet& sender, const TPoint& coord, std::string& text)>;
using TXLRectEvent = std::function<void(TXLSheet& sender, const TRect& rect)>;
using TXLSheetEvent = std::function<void(TXLSheet& sender)>;

class TXLSheet {
 public:
  TXLSheet();
  ~TXLSheet();
  TXLSheet(const TXLSheet&) = delete;
  TXLSheet& operator=(const TXLSheet&) = delete;

  std::string Name;  // component name

  // ---- sections, styles, sizes ----
  TXLSection& Section(int kind) { return *sections_[kind]; }
  const TXLSection& Section(int kind) const { return *sections_[kind]; }
  TXLBaseStyle& BaseClientStyle() { return *baseStyles_[0]; }
  TXLBaseStyle& BaseTitleStyle() { return *baseStyles_[1]; }
  const TXLBaseStyle& BaseClientStyle() const { return *baseStyles_[0]; }
  const TXLBaseStyle& BaseTitleStyle() const { return *baseStyles_[1]; }
  // 0 BaseClientStyle, 1 BaseTitleStyle.
  TXLBaseStyle& GetBaseStyle(int index) { return *baseStyles_[index == 0 ? 0 : 1]; }
  // The size list of an axis: title or data lines.
  TXLSizeList& SizeList(int axis, bool title) { return sizes_[axis][title ? 1 : 0]; }
  const TXLSizeList& SizeList(int axis, bool title) const { return sizes_[axis][title ? 1 : 0]; }

  // ---- counts and sizes ----
  int ColCount() const { return sizes_[0][0].Count(); }
  void SetColCount(int n) { SetLineCount(0, false, n); }
  int RowCount() const { return sizes_[1][0].Count(); }
  void SetRowCount(int n) { SetLineCount(1, false, n); }
  int TitleCols() const { return sizes_[0][1].Count(); }
  void SetTitleCols(int n) { SetLineCount(0, true, n); }
  int TitleRows() const { return sizes_[1][1].Count(); }
  void SetTitleRows(int n) { SetLineCount(1, true, n); }
  int ColDefWidth() const { return sizes_[0][0].Default(); }
  void SetColDefWidth(int v) { SetDefSize(0, v); }
  int RowDefHeight() const { return sizes_[1][0].Default(); }
  void SetRowDefHeight(int v) { SetDefSize(1, v); }
  int ColMaxWidth() const { return maxSize_[0]; }
  void SetColMaxWidth(int v) { SetMaxSize(0, v); }
  int RowMaxHeight() const { return maxSize_[1]; }
  void SetRowMaxHeight(int v) { SetMaxSize(1, v); }
  // Width of column index (axis 0) or height of row index (axis 1); a
  // negative index reads title line -index-1. 0 outside the lines.
  int GetSize(int index, int axis) const;
  // Size -1 fits the line to its contents. OnSizing may change the size,
  // then the axis maximum caps it; sizes below 1 become 1. Stored only for
  // an existing line whose size changes.
  void SetSize(int index, int axis, int size);
  // The size SetSize would store for a size (OnSizing, the maximum, at
  // least 1), without storing it: a grid sizing a line by dragging.
  int SizingRule(int axis, int index, int size);

  // ---- cells by sheet coordinates ----
  // The section of a point and the point in section coordinates; null
  // when the point lies outside every section.
  TXLSection* FindSection(int col, int row, TPoint& local);
  const TXLSection* FindSection(int col, int row, TPoint& local) const;
  // The cell (a merged block's origin), created when missing. EXLGridError
  // for a point outside every section.
  TXLCell* GetCell(int col, int row);
  TXLCell* Cells(int col, int row) { return GetCell(col, row); }
  TXLCell* FindCell(int col, int row) const;
  double GetCellFloat(int col, int row) const;
  std::string GetCellText(int col, int row) const;
  TVariant GetCellVariant(int col, int row) const;
  void SetCellFloat(int col, int row, double v);
  void SetCellInteger(int col, int row, std::int32_t v);
  void SetCellText(int col, int row, const std::string& v);
  void SetCellVariant(int col, int row, const TVariant& v);
  // Visits every existing cell whose sheet position lies in r (sheet
  // coordinates), section by section, summing the callback's results.
  std::int64_t ForEachCell(const TRect& r,
                           const std::function<int(TXLCell&, const TPoint& sheetPos)>& f) const;

  // ---- whole sheet ----
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  // Empties all four sections.
  void ClearSections();
  bool Modified() const { return modified_; }
  void SetModified(bool v);

  // The binary property "XLData" (magic 58 4C 47 16, framed base styles,
  // size lists, sections). ReadData raises EXLGridError "Unknown XLGrid
  // Stream format!" for a wrong magic (the stream back before it), and
  // EReadError/EXLGridError for a stream too damaged to go on; damaged
  // records it can skip are counted in LastReport(). WriteData leaves
  // Modified alone; the caller clears it when its save succeeded.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;
  // What the last ReadData or WriteData skipped, dropped or altered.
  const TXLStreamReport& LastReport() const { return report_; }
  // Fires after a read or write whose report is not empty.
  std::function<void(TXLSheet&, const TXLStreamReport&)> OnStreamWarning;
  // Resolves the style indices read from a stream (after loading).
  void Loaded();

  // The sheet as a component ("TPF0"): its published settings, then
  // "XLData". Loading first returns the sheet to a new sheet's settings,
  // so that what the stream leaves at the defaults is the default; it
  // runs between BeginUpdate and EndUpdate, resolves styles at the end and
  // leaves the sheet unmodified. Properties of the stream that the sheet
  // does not know are skipped and noted in LastReport(). Saving leaves
  // Modified alone (the caller clears it when its file was written).
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);
  void LoadFromStream(TStream& stream, const TReadOptions& options);
  // The description of the published properties, registered on first use
  // together with those of TXLStyler and TXLPicture (call it before
  // streaming a styler on its own).
  static const TClassInfo& ClassInfo();
  const std::string& GetName() const { return Name; }
  void SetName(const std::string& name) { Name = name; }

  // ---- styler ----
  TXLStyler* Styler() const { return styler_; }
  void SetStyler(TXLStyler* styler);

  // ---- grid links ----
  void AddLink(TXLGridLink* link);
  void RemoveLink(TXLGridLink* link);
  const std::vector<TXLGridLink*>& Links() const { return links_; }
  // Notifications to every link (not while updates are held back, for
  // repaints).
  void NotifyInvalidate(TXLSection& section, const TRect& r, bool lines);
  void NotifyCellChanged(TXLCell& cell, TXLProp prop);
  void NotifyLayout(int axis);
  void NotifyBackground();

  // ---- published settings ----
  std::string Title;
  bool ReadOnly = false;
  bool PrintGridLines = false;
  int PrintLeftMargin = 0, PrintTopMargin = 0, PrintRightMargin = 0, PrintBottomMargin = 0;
  // Grids frame the selected columns' and rows' titles flat (not streamed).
  bool FlatTitleSelection = false;
  TXLPicture& Background() { return *background_; }
  void SetBackground(const TXLPicture& picture);

  // ---- events ----
  TXLSizingEvent OnSizing;
  TXLSheetEvent OnModified;
  TXLGridEvent OnCellClick;
  TXLGridEvent OnCellDblClick;
  TXLSheetEvent OnStylerChanged;
  TXLCellTextEvent OnGetCellHint;
  TXLRectEvent OnCellChanged;

  // ---- printing and fitting ----
  // Reads resolution and page size from the printer service (600 dpi and
  // 4676 x 6744 dots without one) into the page rectangle (96 per inch),
  // moved in by the margins (96 per inch as well).
  void UpdatePageRect(TPrinterService* printer);
  void UpdatePageRect();
  const TRect& PageRect() const { return pageRect_; }
  int PrinterDpiX() const { return dpi_[0]; }
  int PrinterDpiY() const { return dpi_[1]; }
  // Page breaks along an axis in printer dots: the index before which each
  // page starts, the line count last.
  std::vector<int> PageBreaks(int axis) const;
  int GetPageCount() const;
  // Prints pages FromPage..ToPage (numbered across first, then down).
  void Print(int fromPage, int toPage);
  void Print(TPrinterService& printer, int fromPage, int toPage);
  // The size of the widest (tallest) content of a line (axis 0 column,
  // 1 row; negative index a title line); the default size when empty.
  int FitSize(int index, int axis, TCanvas& measure) const;

  // ---- internal ----
  void CellValueChanged(TXLCell& cell);
  // A base style changed: plane defaults follow, the sections repaint.
  void BaseStyleChanged(int index);
  bool Loading() const { return loading_; }
  bool Destroying() const { return destroying_; }

 private:
  friend class TXLSection;
  void SetLineCount(int axis, bool title, int n);
  void SetDefSize(int axis, int v);
  void SetMaxSize(int axis, int v);
  void ReadDataBody(TStream& stream);
  // A new sheet's settings, sections and base styles.
  void ResetToNew();
  // Builds the printer-scaled size lists and the page breaks.
  void PrintLists(int dpiX, int dpiY, TXLSizeList lists[2][2]) const;
  std::vector<int> BreaksOf(const TXLSizeList& title, const TXLSizeList& data,
                            std::int64_t extent) const;
  // Walks the page breaks of an axis (into breaks when given); the number
  // of pages along it.
  std::int64_t WalkBreaks(const TXLSizeList& title, const TXLSizeList& data, std::int64_t extent,
                          std::vector<int>* breaks) const;

  TXLSizeList sizes_[2][2];  // [axis][0 data, 1 title]
  int maxSize_[2] = {0, 0};
  std::unique_ptr<TXLBaseStyle> baseStyles_[2];
  std::unique_ptr<TXLSection> sections_[4];
  std::unique_ptr<TXLPicture> background_;
  TXLStyler* styler_ = nullptr;
  std::vector<TXLGridLink*> links_;
  mutable TXLStreamReport report_;
  TRect pageRect_;
  int dpi_[2] = {600, 600};
  int updateCount_ = 0;
  bool modified_ = false;
  bool loading_ = false;
  bool destroying_ = false;
};

// Holds a sheet's repaints back for a scope (BeginUpdate .. EndUpdate).
class TXLUpdateScope {
 public:
  explicit TXLUpdateScope(TXLSheet& sheet) : sheet_(sheet) { sheet_.BeginUpdate(); }
  ~TXLUpdateScope() { sheet_.EndUpdate(); }
  TXLUpdateScope(const TXLUpdateScope&) = delete;
  TXLUpdateScope& operator=(const TXLUpdateScope&) = delete;

 private:
  TXLSheet& sheet_;
};

// The library's clipboard sheet (created on first use, no title lines).
TXLSheet& ClipboardSheet();
bool HasClipboardSheet();

}  // namespace qv
