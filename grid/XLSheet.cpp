#include "grid/XLSheet.h"

#include <algorithm>
#include <utility>

#include "platform/core/Canvas.h"
#include "platform/core/Image.h"
#include "platform/core/Services.h"

namespace qv {

namespace {

// The attribute id each plane holds.
constexpr int kPlaneAttr[8] = {0, 1, 4, 5, 8, 9, 10, 11};

// The plane (2-7) of a per-cell attribute id, -1 for the line ids.
int planeOfAttr(int id) {
  switch (id) {
    case sBias1:
      return 2;
    case sBias2:
      return 3;
    case xaColor:
      return 4;
    case xaFrame:
      return 5;
    case xaStyles:
      return 6;
    case xaLayout:
      return 7;
    default:
      return -1;
  }
}

bool isVerticalLine(int id) { return id == sLeft || id == sRight || id == sVInside; }
bool isHorizontalLine(int id) { return id == sTop || id == sBottom || id == sHInside; }

// Where a line attribute of r lies: on the boundaries a0..a1 (inclusive;
// columns for vertical lines, rows for horizontal ones), each across the
// lines b0..b1-1. None (a0 > a1) for the inner lines of a one-line r.
void lineSpan(int id, const TRect& r, int& a0, int& a1, int& b0, int& b1) {
  const bool vert = isVerticalLine(id);
  if (id == sLeft) {
    a0 = a1 = r.Left;
  } else if (id == sRight) {
    a0 = a1 = r.Right;
  } else if (id == sTop) {
    a0 = a1 = r.Top;
  } else if (id == sBottom) {
    a0 = a1 = r.Bottom;
  } else if (vert) {
    a0 = r.Left + 1;
    a1 = r.Right - 1;
  } else {
    a0 = r.Top + 1;
    a1 = r.Bottom - 1;
  }
  b0 = vert ? r.Top : r.Left;
  b1 = vert ? r.Bottom : r.Right;
}

// Reads uniform values: the first one, and whether all equal it.
struct TUniform {
  bool first = true;
  std::uint32_t value = 0;
  bool uniform = true;
  // false once the values differ (the caller may stop).
  bool add(std::uint32_t v) {
    if (first) {
      first = false;
      value = v;
    } else if (v != value) {
      uniform = false;
    }
    return uniform;
  }
};

}  // namespace

// ---- TXLRow ----------------------------------------------------------------

TXLRow::~TXLRow() { Clear(); }

void TXLRow::Reindex(int first, int last) {
  for (int i = first; i <= last; ++i) {
    if (TXLCell* c = Get(i)) {
      c->col_ = i;
      c->row_ = this;
    }
  }
}

void TXLRow::FreeItem(TXLCell* cell) {
  if (section_ && !section_->bulk_) section_->CellFreed(cell);
  cell->Destroying();
  delete cell;
}

// ---- TXLSection ------------------------------------------------------------

TXLSection::TXLSection(TXLSheet* sheet, TXLSectionKind kind) : sheet_(sheet), kind_(kind) {}

TXLSection::~TXLSection() {
  bulk_ = true;
  Clear();
}

TXLBaseStyle& TXLSection::BaseStyle() const {
  return sheet_->GetBaseStyle(kind_ == skClient ? 0 : 1);
}

int TXLSection::ColCount() const {
  return kind_ == skColTitles || kind_ == skClient ? sheet_->ColCount() : sheet_->TitleCols();
}

int TXLSection::RowCount() const {
  return kind_ == skRowTitles || kind_ == skClient ? sheet_->RowCount() : sheet_->TitleRows();
}

void TXLSection::ItemCreated(TXLRow* row, int index) {
  row->section_ = this;
  row->index_ = index;
}

TXLCell* TXLSection::CellAt(int col, int row) const {
  const TXLRow* r = Get(row);
  return r ? r->Get(col) : nullptr;
}

TXLCell* TXLSection::FindCell(int col, int row) const {
  if (!unions_.empty()) {
    if (const TXLUnion* u = UnionAt(col, row)) return u->Origin;
  }
  return CellAt(col, row);
}

TXLCell* TXLSection::GetCell(int col, int row) {
  if (TXLCell* c = FindCell(col, row)) return c;
  return CreateCell(col, row, BaseStyle().GetCellClass());
}

TXLCell* TXLSection::CreateCell(int col, int row, TXLCellClassRef cls) {
  if (const TXLUnion* u = UnionAt(col, row)) {
    col = u->Rect.Left;
    row = u->Rect.Top;
  }
  if (!Contains(col, row))
    throw EXLGridError(Format("Cell [%d, %d] lies outside the sheet", col, row));
  std::unique_ptr<TXLCell> made = qv::CreateCell(cls);
  made->Created();
  TXLCell* cell = PlaceCell(col, row, std::move(made));
  sheet_->NotifyInvalidate(*this, cell->GetRect(), false);
  sheet_->SetModified(true);
  return cell;
}

TXLCell* TXLSection::PlaceCell(int col, int row, std::unique_ptr<TXLCell> made) {
  TXLCell* cell = made.get();
  GetOrCreate(row)->Put(col, std::move(made));  // frees a cell that stood there
  for (const auto& u : unions_) {
    if (u->Rect.Left == col && u->Rect.Top == row) {
      u->Origin = cell;
      cell->SetStateFlag(xsUnion, true);
    }
  }
  cell->SetStateFlag(xsStale, true);
  return cell;
}

TXLCell* TXLSection::SetCellClass(const TPoint& local, TXLCellClassRef cls) {
  TXLCell* old = FindCell(local.X, local.Y);
  if (!old) return CreateCell(local.X, local.Y, cls);
  if (old->GetCellClass() == cls) return old;
  std::unique_ptr<TXLCell> made = qv::CreateCell(cls);
  made->Created();
  // The value first: a value the new class cannot hold raises before
  // anything changed. An empty value stays behind.
  const TVariant v = old->GetAsVariant();
  const bool emptyValue = v.IsEmpty() || (v.IsText() && v.RawString().empty());
  if (old->GetAsPicture() && made->GetAsPicture())
    made->SetAsPicture(*old->GetAsPicture());
  else if (old->GetAsStrings() && made->GetAsStrings())
    made->SetAsStrings(old->GetAsStrings()->ToVector());
  else if (!emptyValue)
    made->SetAsVariant(v);
  // What travels with the position: font, look groups kept in the planes,
  // hint, formula and style.
  const TXLProps keep =
      old->Props() & TXLProps(PropBit(prLayout) | PropBit(prColor) | PropBit(prBorder) |
                              PropBit(prFrame) | PropBit(prStyles) | PropBit(prFont));
  if (HasProp(old->Props(), prFont)) made->EditFont().Assign(old->Font());
  const std::string hint = old->Hint();
  const std::string formual = old->Formual();
  TXLStyle* style = old->Style();
  const int col = old->Col(), row = old->RowIndex();
  TXLCell* cell = PlaceCell(col, row, std::move(made));  // frees the old cell
  {
    TXLAssigning guard(*cell);
    cell->props_ |= keep | TXLProps(cell->Props() & PropBit(prValue));
    if (style) {
      cell->SetStyleRef(style);
      cell->props_ |= PropBit(prBasedOn);
    }
    if (!hint.empty()) {
      StoreHint(cell, hint);
      cell->props_ |= PropBit(prHint);
    }
    if (!formual.empty()) {
      StoreFormual(cell, formual);
      cell->props_ |= PropBit(prFormual);
    }
  }
  sheet_->NotifyInvalidate(*this, cell->GetRect(), false);
  sheet_->SetModified(true);
  return cell;
}

TXLCell* TXLSection::AssignCell(const TPoint& local, const TXLCell* source) {
  TXLCell* cell = FindCell(local.X, local.Y);
  if (!source) {
    if (cell) FreeCell(cell);
    return nullptr;
  }
  if (cell && cell->GetCellClass() != source->GetCellClass()) {
    FreeCell(cell);
    cell = nullptr;
  }
  if (!cell) cell = CreateCell(local.X, local.Y, source->GetCellClass());
  cell->Assign(*source);
  return cell;
}

void TXLSection::ClearRect(const TRect& r) {
  std::vector<TXLCell*> doomed;
  ForEachCellIn(r, [&](TXLCell* c) { doomed.push_back(c); });
  for (TXLCell* c : doomed) FreeCell(c);
  if (!doomed.empty()) sheet_->SetModified(true);
}

void TXLSection::FreeCell(TXLCell* cell) {
  if (!cell || !cell->row_) return;
  cell->row_->Remove(cell->col_);
}

void TXLSection::CellFreed(TXLCell* cell) {
  if (cell->State() & xsEditing) {
    for (TXLGridLink* l : sheet_->Links()) l->SheetCellFreed(*cell);
  }
  if (!hints_.empty()) hints_.erase(cell);
  if (!formulas_.empty()) formulas_.erase(cell);
  if (!pendingStyles_.empty()) pendingStyles_.erase(cell);
  TRect r(cell->col_, cell->RowIndex(), cell->col_ + 1, cell->RowIndex() + 1);
  for (const auto& u : unions_) {
    if (u->Origin == cell) {
      u->Origin = nullptr;
      r = u->Rect;
    }
  }
  sheet_->NotifyInvalidate(*this, r, false);
}

void TXLSection::ClearAll() {
  if (!sheet_->Links().empty()) {
    ForEachCellIn(TRect(0, 0, INT32_MAX, INT32_MAX), [&](TXLCell* c) {
      if (c->State() & xsEditing)
        for (TXLGridLink* l : sheet_->Links()) l->SheetCellFreed(*c);
    });
  }
  bulk_ = true;
  Clear();
  bulk_ = false;
  unions_.clear();
  for (auto& p : lines_) p.Clear();
  for (auto& p : attrs_) p.Clear();
  hints_.clear();
  formulas_.clear();
  pendingStyles_.clear();
}

std::int64_t TXLSection::CellCount() const {
  std::int64_t n = 0;
  ForEachCellIn(TRect(0, 0, INT32_MAX, INT32_MAX), [&](TXLCell*) { ++n; });
  return n;
}

// ---- merged blocks ---------------------------------------------------------

TXLUnion* TXLSection::UnionAt(int col, int row) const {
  for (const auto& u : unions_)
    if (u->Rect.Contains(col, row)) return u.get();
  return nullptr;
}

TXLUnion* TXLSection::FindUnion(const TRect& r, const TXLUnion* except) const {
  for (const auto& u : unions_) {
    TRect x;
    if (u.get() != except && IntersectRect(x, u->Rect, r)) return u.get();
  }
  return nullptr;
}

bool TXLSection::IsUnion(const TRect& r) const {
  for (const auto& u : unions_)
    if (u->Rect == r) return true;
  return false;
}

TRect TXLSection::ExpandToUnions(const TRect& r) const {
  TRect out = r;
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& u : unions_) {
      TRect x;
      if (IntersectRect(x, u->Rect, out)) {
        TRect merged;
        UnionRect(merged, out, u->Rect);
        if (!(merged == out)) {
          out = merged;
          grew = true;
        }
      }
    }
  }
  return out;
}

TXLUnion* TXLSection::AddUnion(const TRect& r) {
  auto u = std::make_unique<TXLUnion>();
  u->Rect = r;
  if (TXLCell* c = CellAt(r.Left, r.Top)) {
    u->Origin = c;
    c->SetStateFlag(xsUnion, true);
  }
  unions_.push_back(std::move(u));
  return unions_.back().get();
}

void TXLSection::RemoveUnion(TXLUnion* u) {
  auto it = std::find_if(unions_.begin(), unions_.end(),
                         [&](const std::unique_ptr<TXLUnion>& p) { return p.get() == u; });
  if (it == unions_.end()) return;
  if (u->Origin) u->Origin->SetStateFlag(xsUnion, false);
  const TRect r = u->Rect;
  unions_.erase(it);
  sheet_->NotifyInvalidate(*this, r, true);
}

TXLUnion* TXLSection::Merge(const TRect& r) {
  TRect c;
  if (!IntersectRect(c, r, Extent())) return nullptr;
  if (c.Width() * std::int64_t(c.Height()) <= 1) return nullptr;
  Split(c);
  TXLUnion* u = AddUnion(c);
  MakeUniform(c);
  sheet_->NotifyInvalidate(*this, c, true);
  sheet_->SetModified(true);
  return u;
}

void TXLSection::Split(const TRect& r) {
  while (TXLUnion* u = FindUnion(r)) RemoveUnion(u);
}

void TXLSection::MakeUniform(const TRect& c) {
  for (int id : {int(sLeft), int(sRight), int(sTop), int(sBottom), int(sBias1), int(sBias2)}) {
    bool uniform = true;
    GetAttr(c, id, uniform);
    if (!uniform) WriteAttrExact(c, id, 0);
  }
  WriteAttrExact(c, sVInside, 0);
  WriteAttrExact(c, sHInside, 0);
  for (int id : {xaColor, xaFrame, xaStyles, xaLayout})
    WriteAttrExact(c, id, AttrAt(c.Left, c.Top, id));
}

// ---- attribute planes ------------------------------------------------------

std::uint32_t TXLSection::GetAttr(const TRect& r, int id, bool& uniform) const {
  if (r.IsEmpty() || id < 0 || id >= kXLAttrCount) return 0;
  TUniform u;
  if (isVerticalLine(id) || isHorizontalLine(id)) {
    const auto& plane = lines_[isVerticalLine(id) ? 0 : 1];
    int a0, a1, b0, b1;
    lineSpan(id, r, a0, a1, b0, b1);
    if (a0 > a1) return 0;
    for (int a = a0; a <= a1 && u.uniform; ++a) {
      const TSList* inner = plane.Get(a);
      for (int b = b0; b < b1; ++b)
        if (!u.add(inner ? static_cast<std::uint32_t>(inner->Get(b)) : 0u)) break;
    }
  } else {
    const auto& plane = attrs_[planeOfAttr(id) - 2];
    for (int row = r.Top; row < r.Bottom && u.uniform; ++row) {
      const TDefSList* list = plane.Get(row);
      if (!list) {
        u.add(static_cast<std::uint32_t>(plane.Default()));
        continue;
      }
      for (int col = r.Left; col < r.Right; ++col)
        if (!u.add(static_cast<std::uint32_t>(list->Get(col)))) break;
    }
  }
  if (!u.uniform) uniform = false;
  return u.value;
}

std::uint32_t TXLSection::AttrAt(int col, int row, int id) const {
  const int k = planeOfAttr(id);
  if (k >= 2) {
    const TDefSList* list = attrs_[k - 2].Get(row);
    return static_cast<std::uint32_t>(list ? list->Get(col) : attrs_[k - 2].Default());
  }
  bool u = true;
  return GetAttr(TRect(col, row, col + 1, row + 1), id, u);
}

void TXLSection::WriteAttrExact(const TRect& g, int id, std::uint32_t value) {
  if (isVerticalLine(id) || isHorizontalLine(id)) {
    auto& plane = lines_[isVerticalLine(id) ? 0 : 1];
    int a0, a1, b0, b1;
    lineSpan(id, g, a0, a1, b0, b1);
    for (int a = a0; a <= a1; ++a) {
      if (value == 0 && !plane.Get(a)) continue;
      TSList* inner = plane.GetOrCreate(a);
      for (int b = b0; b < b1; ++b) inner->Put(b, static_cast<std::int32_t>(value));
    }
    return;
  }
  auto& plane = attrs_[planeOfAttr(id) - 2];
  for (int row = g.Top; row < g.Bottom; ++row) {
    if (!plane.Get(row) && static_cast<std::int32_t>(value) == plane.Default()) continue;
    TDefSList* list = plane.GetOrCreate(row);
    for (int col = g.Left; col < g.Right; ++col) list->Put(col, static_cast<std::int32_t>(value));
  }
}

void TXLSection::SetAttr(const TRect& r, int id, std::uint32_t value) {
  if (id < 0 || id >= kXLAttrCount) return;
  TRect g = ExpandToUnions(r);
  if (!IntersectRect(g, g, Extent())) return;
  if (id == xaColor && value == 0) value = BaseStyle().RawAttr(xaColor);
  WriteAttrExact(g, id, value);
  TRect repaint = g;
  if (id <= sBottom || id == sHInside || id == sVInside) InflateRect(repaint, 1, 1);
  sheet_->NotifyInvalidate(*this, repaint, id < 4);
  sheet_->SetModified(true);
}

void TXLSection::UpdatePlaneDefaults() {
  const TXLBaseStyle& base = BaseStyle();
  for (int k = 2; k < 8; ++k)
    attrs_[k - 2].SetPlaneDefault(static_cast<std::int32_t>(base.RawAttr(kPlaneAttr[k])));
}

int TXLSection::TrimToExtents() {
  const int cols = ColCount(), rows = RowCount();
  int dropped = 0;
  // Cells beyond the extents.
  SetCount(rows);
  ForEach([&](int, TXLRow* row) {
    row->SetCount(cols);
    return 0;
  });
  // Blocks are cut back; one that keeps a single cell goes.
  for (std::size_t i = 0; i < unions_.size();) {
    TXLUnion* u = unions_[i].get();
    TRect c;
    if (!IntersectRect(c, u->Rect, Extent()) || c.Width() * std::int64_t(c.Height()) <= 1) {
      RemoveUnion(u);
      continue;
    }
    u->Rect = c;
    ++i;
  }
  // Plane entries: lines may lie on the boundary after the last line.
  auto countAbove = [](auto& plane, int keep) {
    int n = 0;
    plane.ForEach([&](int index, auto* inner) {
      if (index > keep) n += inner->IsEmpty() ? 0 : 1;
      return 0;
    });
    plane.SetCount(keep + 1);
    return n;
  };
  dropped += countAbove(lines_[0], cols);
  lines_[0].ForEach([&](int, TSList* inner) {
    dropped += inner->TruncateAt(rows);
    return 0;
  });
  dropped += countAbove(lines_[1], rows);
  lines_[1].ForEach([&](int, TSList* inner) {
    dropped += inner->TruncateAt(cols);
    return 0;
  });
  for (auto& plane : attrs_) {
    dropped += countAbove(plane, rows - 1);
    plane.ForEach([&](int, TDefSList* inner) {
      dropped += inner->TruncateAt(cols);
      return 0;
    });
  }
  return dropped;
}

// ---- hints and formulas ----------------------------------------------------

const std::string* TXLSection::FindHint(const TXLCell* cell) const {
  auto it = hints_.find(cell);
  return it == hints_.end() ? nullptr : &it->second;
}

const std::string* TXLSection::FindFormual(const TXLCell* cell) const {
  auto it = formulas_.find(cell);
  return it == formulas_.end() ? nullptr : &it->second;
}

void TXLSection::StoreHint(const TXLCell* cell, const std::string& text) {
  if (text.empty())
    hints_.erase(cell);
  else
    hints_[cell] = text;
}

void TXLSection::StoreFormual(const TXLCell* cell, const std::string& text) {
  if (text.empty())
    formulas_.erase(cell);
  else
    formulas_[cell] = text;
}

void TXLSection::ClearFormuals(const TRect& r) {
  std::vector<TXLCell*> cells;
  ForEachCellIn(r, [&](TXLCell* c) {
    if (HasProp(c->Props(), prFormual)) cells.push_back(c);
  });
  for (TXLCell* c : cells) c->SetFormual({});
}

TPoint TXLSection::ToSheetPoint(const TPoint& p) const {
  TPoint out = p;
  if (kind_ == skColTitles || kind_ == skCorner) out.Y -= sheet_->TitleRows();
  if (kind_ == skRowTitles || kind_ == skCorner) out.X -= sheet_->TitleCols();
  return out;
}

TRect TXLSection::ToSheetRect(const TRect& r) const {
  const TPoint tl = ToSheetPoint(r.TopLeft());
  return TRect(tl.X, tl.Y, tl.X + r.Width(), tl.Y + r.Height());
}

void TXLSection::ResolveStyleIndices(TXLStyler* styler) {
  for (const auto& [c, index] : pendingStyles_) {
    auto* cell = const_cast<TXLCell*>(c);
    TXLStyle* style = styler ? styler->Styles(index) : nullptr;
    TXLAssigning guard(*cell);
    cell->SetStyleRef(style);
    if (!style) cell->props_ &= TXLProps(~PropBit(prBasedOn));
  }
  pendingStyles_.clear();
}

// ---- TXLSheet --------------------------------------------------------------

TXLSheet::TXLSheet() {
  baseStyles_[0] = std::make_unique<TXLBaseStyle>(this, 0);
  baseStyles_[1] = std::make_unique<TXLBaseStyle>(this, 1);
  for (int k = 0; k < 4; ++k) sections_[k] = std::make_unique<TXLSection>(this, TXLSectionKind(k));
  background_ = std::make_unique<TXLPicture>();
  for (int axis = 0; axis < 2; ++axis)
    for (auto& list : sizes_[axis]) list.SetDefault(axis == 0 ? 60 : 15);
  sizes_[0][0].SetCount(5);
  sizes_[1][0].SetCount(5);
  sizes_[0][1].SetCount(1);
  sizes_[1][1].SetCount(1);
  for (auto& s : sections_) s->UpdatePlaneDefaults();
  UpdatePageRect(Printer());
  modified_ = false;
}

TXLSheet::~TXLSheet() {
  destroying_ = true;
  const std::vector<TXLGridLink*> links = links_;
  for (TXLGridLink* l : links) l->SheetDestroying();
  links_.clear();
  for (auto& s : sections_) s.reset();
  if (styler_) {
    auto& list = styler_->sheets_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    styler_ = nullptr;
  }
}

void TXLSheet::SetLineCount(int axis, bool title, int n) {
  n = std::max(0, n);
  TXLSizeList& list = sizes_[axis][title ? 1 : 0];
  const int old = list.Count();
  if (n == old) return;
  list.SetCount(n);
  if (n < old) {
    // The sections holding these lines lose what lies beyond.
    int kinds[2];
    if (axis == 0) {
      kinds[0] = title ? skRowTitles : skColTitles;
      kinds[1] = title ? skCorner : skClient;
    } else {
      kinds[0] = title ? skColTitles : skRowTitles;
      kinds[1] = title ? skCorner : skClient;
    }
    for (int k : kinds) sections_[k]->TrimToExtents();
  }
  NotifyLayout(axis);
  SetModified(true);
}

void TXLSheet::SetDefSize(int axis, int v) {
  v = std::max(1, v);
  bool changed = false;
  for (auto& list : sizes_[axis]) {
    if (list.Default() != v || !list.IsEmpty()) {
      list.SetDefault(v);
      changed = true;
    }
  }
  if (!changed) return;
  NotifyLayout(axis);
  SetModified(true);
}

void TXLSheet::SetMaxSize(int axis, int v) {
  v = std::max(0, v);
  maxSize_[axis] = v;
  if (v == 0) return;
  if (v < sizes_[axis][0].Default()) {
    SetDefSize(axis, v);
    return;
  }
  bool changed = false;
  for (auto& list : sizes_[axis]) {
    std::vector<int> larger;
    list.ForEachSlot([&](int index, std::int32_t) {
      if (list.Get(index) > v) larger.push_back(index);
      return 0;
    });
    for (int index : larger) list.Put(index, v);
    changed = changed || !larger.empty();
  }
  if (changed) {
    NotifyLayout(axis);
    SetModified(true);
  }
}

int TXLSheet::GetSize(int index, int axis) const {
  if (axis < 0 || axis > 1) return 0;
  if (index >= 0) return sizes_[axis][0].Get(index);
  return sizes_[axis][1].Get(-index - 1);
}

void TXLSheet::SetSize(int index, int axis, int size) {
  if (axis < 0 || axis > 1) return;
  TXLSizeList& list = sizes_[axis][index >= 0 ? 0 : 1];
  const int line = index >= 0 ? index : -(index + 1);
  if (line >= list.Count()) return;
  if (size == -1) {
    TImage measure(1, 1);
    size = FitSize(index, axis, measure.Canvas());
  }
  size = SizingRule(axis, index, size);
  if (list.Get(line) == size) return;
  list.Put(line, size);
  for (TXLGridLink* l : links_) l->SheetSizeChanged(axis, index);
  SetModified(true);
}

int TXLSheet::SizingRule(int axis, int index, int size) {
  if (OnSizing) OnSizing(*this, TXLAxis(axis), index, size);
  if (maxSize_[axis & 1] >= 1 && size > maxSize_[axis & 1]) size = maxSize_[axis & 1];
  return std::max(1, size);
}

TXLSection* TXLSheet::FindSection(int col, int row, TPoint& local) {
  return const_cast<TXLSection*>(std::as_const(*this).FindSection(col, row, local));
}

const TXLSection* TXLSheet::FindSection(int col, int row, TPoint& local) const {
  int kind;
  local = TPoint(col, row);
  if (col < 0 && row < 0) {
    kind = skCorner;
    local = TPoint(col + TitleCols(), row + TitleRows());
  } else if (col < 0) {
    kind = skRowTitles;
    local.X = col + TitleCols();
  } else if (row < 0) {
    kind = skColTitles;
    local.Y = row + TitleRows();
  } else {
    kind = skClient;
  }
  const TXLSection* s = sections_[kind].get();
  return s->Contains(local.X, local.Y) ? s : nullptr;
}

TXLCell* TXLSheet::GetCell(int col, int row) {
  TPoint local;
  TXLSection* s = FindSection(col, row, local);
  if (!s) throw EXLGridError(Format("Cell [%d, %d] lies outside the sheet", col, row));
  return s->GetCell(local.X, local.Y);
}

TXLCell* TXLSheet::FindCell(int col, int row) const {
  TPoint local;
  const TXLSection* s = FindSection(col, row, local);
  return s ? s->FindCell(local.X, local.Y) : nullptr;
}

double TXLSheet::GetCellFloat(int col, int row) const {
  const TXLCell* c = FindCell(col, row);
  return c ? c->GetAsFloat() : 0.0;
}

std::string TXLSheet::GetCellText(int col, int row) const {
  const TXLCell* c = FindCell(col, row);
  return c ? c->GetAsString() : std::string();
}

TVariant TXLSheet::GetCellVariant(int col, int row) const {
  const TXLCell* c = FindCell(col, row);
  return c ? c->GetAsVariant() : TVariant();
}

void TXLSheet::SetCellFloat(int col, int row, double v) { GetCell(col, row)->SetAsFloat(v); }

void TXLSheet::SetCellInteger(int col, int row, std::int32_t v) {
  GetCell(col, row)->SetAsInteger(v);
}

void TXLSheet::SetCellText(int col, int row, const std::string& v) {
  GetCell(col, row)->SetAsString(v);
}

void TXLSheet::SetCellVariant(int col, int row, const TVariant& v) {
  GetCell(col, row)->SetAsVariant(v);
}

std::int64_t TXLSheet::ForEachCell(
    const TRect& r, const std::function<int(TXLCell&, const TPoint& sheetPos)>& f) const {
  std::int64_t sum = 0;
  for (int k = 0; k < 4; ++k) {
    const TXLSection& s = *sections_[k];
    const TRect extent = s.ToSheetRect(s.Extent());
    TRect x;
    if (!IntersectRect(x, extent, r)) continue;
    const int dx = extent.Left, dy = extent.Top;
    const TRect local(x.Left - dx, x.Top - dy, x.Right - dx, x.Bottom - dy);
    std::vector<TXLCell*> cells;
    s.ForEachCellIn(local, [&](TXLCell* c) { cells.push_back(c); });
    for (TXLCell* c : cells) sum += f(*c, TPoint(c->Col() + dx, c->RowIndex() + dy));
  }
  return sum;
}

void TXLSheet::BeginUpdate() { ++updateCount_; }

void TXLSheet::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) {
    for (TXLGridLink* l : links_) l->SheetRefresh();
  }
}

void TXLSheet::ClearSections() {
  for (auto& s : sections_) s->ClearAll();
  SetModified(true);
}

void TXLSheet::SetModified(bool v) {
  if (v == modified_) return;
  modified_ = v;
  if (OnModified) OnModified(*this);
}

void TXLSheet::Loaded() {
  for (auto& s : sections_) s->ResolveStyleIndices(styler_);
}

void TXLSheet::SetStyler(TXLStyler* styler) {
  if (styler == styler_) return;
  TXLStyler* old = styler_;
  std::vector<std::pair<TXLCell*, std::string>> aliases;
  auto styledCells = [&]() {
    std::vector<TXLCell*> cells;
    for (auto& s : sections_)
      s->ForEachCellIn(TRect(0, 0, INT32_MAX, INT32_MAX), [&](TXLCell* c) {
        if (c->Style()) cells.push_back(c);
      });
    return cells;
  };
  if (old && styler && !loading_) {
    for (TXLCell* c : styledCells()) {
      aliases.emplace_back(c, c->Style()->Alias());
      TXLAssigning guard(*c);
      c->SetStyleRef(nullptr);
    }
  } else if (old && !styler && !destroying_) {
    for (TXLCell* c : styledCells()) c->SetStyle(nullptr);
  }
  if (old) {
    auto& list = old->sheets_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  styler_ = styler;
  if (styler_) styler_->sheets_.push_back(this);
  for (auto& [cell, alias] : aliases) {
    TXLStyle* s = styler_->FindByAlias(alias);
    if (s) {
      cell->SetStyleRef(s);
      for (int p = prLayout; p <= prStyles; ++p)
        if (!HasProp(cell->Props(), TXLProp(p))) cell->RefreshGroup(TXLProp(p));
    } else {
      cell->SetStyle(nullptr);
    }
  }
  if (OnStylerChanged) OnStylerChanged(*this);
}

void TXLSheet::AddLink(TXLGridLink* link) {
  if (link && std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TXLSheet::RemoveLink(TXLGridLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void TXLSheet::NotifyInvalidate(TXLSection& section, const TRect& r, bool lines) {
  if (updateCount_ > 0 || links_.empty()) return;
  for (TXLGridLink* l : links_) l->SheetInvalidateRect(section, r, lines);
}

void TXLSheet::NotifyCellChanged(TXLCell& cell, TXLProp prop) {
  for (TXLGridLink* l : links_) l->SheetCellChanged(cell, prop);
}

void TXLSheet::NotifyLayout(int axis) {
  for (TXLGridLink* l : links_) l->SheetLayoutChanged(axis);
}

void TXLSheet::NotifyBackground() {
  for (TXLGridLink* l : links_) l->SheetBackgroundChanged();
}

void TXLSheet::SetBackground(const TXLPicture& picture) {
  *background_ = picture;
  NotifyBackground();
  SetModified(true);
}

void TXLSheet::CellValueChanged(TXLCell& cell) {
  if (!OnCellChanged) return;
  if (!(cell.Styles() & CellStyleBit(csNotify))) return;
  const TXLSection* s = cell.GetSection();
  if (s) OnCellChanged(*this, s->ToSheetRect(cell.GetRect()));
}

void TXLSheet::BaseStyleChanged(int index) {
  for (auto& s : sections_) {
    if ((s->Kind() == skClient) != (index == 0)) continue;
    s->UpdatePlaneDefaults();
    NotifyInvalidate(*s, s->Extent(), true);
  }
  SetModified(true);
}

// ---- the clipboard sheet ---------------------------------------------------

namespace {
std::unique_ptr<TXLSheet>& clipboardSheetHolder() {
  static std::unique_ptr<TXLSheet> sheet;
  return sheet;
}
}  // namespace

TXLSheet& ClipboardSheet() {
  auto& holder = clipboardSheetHolder();
  if (!holder) {
    holder = std::make_unique<TXLSheet>();
    holder->SetTitleCols(0);
    holder->SetTitleRows(0);
    holder->SetModified(false);
  }
  return *holder;
}

bool HasClipboardSheet() { return clipboardSheetHolder() != nullptr; }

}  // namespace qv
