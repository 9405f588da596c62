#include "workbook/CellStorage.h"

#include <climits>

namespace qv {

namespace {
template <class T>
std::unique_ptr<TCell> cloneFormula(const T& src) {
  auto c = std::make_unique<T>(src.Key, src.FormatIndex, src.Tokens);
  c->Extra = src.Extra;
  return c;
}
}  // namespace

std::unique_ptr<TCell> TBlankCell::Clone() const {
  return std::make_unique<TBlankCell>(Key, FormatIndex);
}
std::unique_ptr<TCell> TFloatCell::Clone() const {
  return std::make_unique<TFloatCell>(Key, FormatIndex, Value);
}
std::unique_ptr<TCell> TStringCell::Clone() const {
  return std::make_unique<TStringCell>(Key, FormatIndex, Index);
}
std::unique_ptr<TCell> TBooleanCell::Clone() const {
  return std::make_unique<TBooleanCell>(Key, FormatIndex, Value);
}
std::unique_ptr<TCell> TErrorCell::Clone() const {
  return std::make_unique<TErrorCell>(Key, FormatIndex, Value);
}
std::unique_ptr<TCell> TNumberFormulaCell::Clone() const { return cloneFormula(*this); }
std::unique_ptr<TCell> TStringFormulaCell::Clone() const { return cloneFormula(*this); }
std::unique_ptr<TCell> TBooleanFormulaCell::Clone() const { return cloneFormula(*this); }
std::unique_ptr<TCell> TErrorFormulaCell::Clone() const { return cloneFormula(*this); }
std::unique_ptr<TCell> TArrayFormulaCell::Clone() const {
  auto c = std::make_unique<TArrayFormulaCell>(Key, FormatIndex, Tokens, ArrayTokens);
  c->Extra = Extra;
  return c;
}

// ---------------------------------------------------------------------------
// TCellArena

void* TCellArena::Allocate(size_t size) {
  size = (size + 7) & ~size_t(7);
  if (size <= kLargest) {
    void*& head = free_[size / 8];
    if (head) {
      void* p = head;
      head = *static_cast<void**>(p);
      return p;
    }
  }
  if (left_ < size) {
    blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(kBlock));
    next_ = blocks_.back().get();
    left_ = kBlock;
  }
  void* p = next_;
  next_ += size;
  left_ -= size;
  return p;
}

void TCellArena::Free(void* p, size_t size) {
  size = (size + 7) & ~size_t(7);
  *static_cast<void**>(p) = free_[size / 8];
  free_[size / 8] = p;
}

void TCellArena::Clear() {
  blocks_.clear();
  next_ = nullptr;
  left_ = 0;
  free_.fill(nullptr);
}

// ---------------------------------------------------------------------------
// TCellStorage

namespace {
// The size of an arena cell by its type code (each code has one class).
size_t cellSize(int type) {
  switch (type) {
    case ctBlank:
      return sizeof(TBlankCell);
    case ctFloat:
      return sizeof(TFloatCell);
    case ctString:
      return sizeof(TStringCell);
    case ctBoolean:
      return sizeof(TBooleanCell);
    case ctError:
      return sizeof(TErrorCell);
    case ctNumberFormula:
      return sizeof(TNumberFormulaCell);
    case ctStringFormula:
      return sizeof(TStringFormulaCell);
    case ctBooleanFormula:
      return sizeof(TBooleanFormulaCell);
    case ctErrorFormula:
      return sizeof(TErrorFormulaCell);
    default:
      return sizeof(TArrayFormulaCell);
  }
}
}  // namespace

TCellStorage::TCellStorage() = default;
TCellStorage::~TCellStorage() { Clear(); }

void TCellStorage::release(uintptr_t slot) {
  TCell* c = cellOf(slot);
  if (slot & kHeap) {
    delete c;
    return;
  }
  const size_t size = cellSize(c->CellType());
  c->~TCell();
  arena_.Free(c, size);
}

TCell* TCellStorage::Find(uint32_t key) {
  if (lastHit_ && lastHit_->Key == key) return lastHit_;
  const RowHighPage* rh = root_[(key >> 16) & 0xFF];
  if (!rh) return nullptr;
  const RowPage* rl = rh->rows[(key >> 8) & 0xFF];
  if (!rl) return nullptr;
  const ColPage* ch = rl->cols[(key >> 4) & 0xF];
  if (!ch) return nullptr;
  const uintptr_t slot = ch->cells[key & 0xF];
  if (!slot) return nullptr;
  lastHit_ = cellOf(slot);
  return lastHit_;
}

uintptr_t* TCellStorage::slotOf(uint32_t key, bool make) {
  RowHighPage*& rh = root_[(key >> 16) & 0xFF];
  if (!rh) {
    if (!make) return nullptr;
    rh = newPage<RowHighPage>();
  }
  RowPage*& rl = rh->rows[(key >> 8) & 0xFF];
  if (!rl) {
    if (!make) return nullptr;
    rl = newPage<RowPage>();
  }
  ColPage*& ch = rl->cols[(key >> 4) & 0xF];
  if (!ch) {
    if (!make) return nullptr;
    ch = newPage<ColPage>();
  }
  return &ch->cells[key & 0xF];
}

void TCellStorage::store(uint32_t key, uintptr_t cell) {
  uintptr_t* slot = slotOf(key, cell != 0);
  if (!slot) return;
  if (*slot) {
    TCell* old = cellOf(*slot);
    if (cell && cellOf(cell)->FormatIndex < 1) cellOf(cell)->FormatIndex = old->FormatIndex;
    if (lastHit_ == old) lastHit_ = nullptr;
    release(*slot);
    --count_;
  }
  *slot = cell;
  if (cell) {
    ++count_;
    lastHit_ = cellOf(cell);
  }
}

void TCellStorage::Put(uint32_t key, std::unique_ptr<TCell> cell) {
  store(key, cell ? reinterpret_cast<uintptr_t>(cell.release()) | kHeap : 0);
}

void TCellStorage::BeginIterate() { itRh_ = itRl_ = itCh_ = itCl_ = 0; }

TCell* TCellStorage::Next() {
  for (; itRh_ < 256; ++itRh_, itRl_ = 0, itCh_ = 0, itCl_ = 0) {
    const RowHighPage* rh = root_[itRh_];
    if (!rh) continue;
    for (; itRl_ < 256; ++itRl_, itCh_ = 0, itCl_ = 0) {
      const RowPage* rl = rh->rows[itRl_];
      if (!rl) continue;
      for (; itCh_ < 16; ++itCh_, itCl_ = 0) {
        const ColPage* ch = rl->cols[itCh_];
        if (!ch) continue;
        while (itCl_ < 16) {
          const uintptr_t c = ch->cells[itCl_++];
          if (c) return cellOf(c);
        }
      }
    }
  }
  return nullptr;
}

void TCellStorage::CalcBounds() {
  firstCol_ = firstRow_ = INT_MAX;
  lastCol_ = lastRow_ = 0;
  bool anyPage = false;
  for (int a = 0; a < 256; ++a) {
    const RowHighPage* rh = root_[a];
    if (!rh) continue;
    anyPage = true;
    for (int b = 0; b < 256; ++b) {
      const RowPage* rl = rh->rows[b];
      if (!rl) continue;
      for (int c = 0; c < 16; ++c) {
        const ColPage* ch = rl->cols[c];
        if (!ch) continue;
        for (int d = 0; d < 16; ++d) {
          if (!ch->cells[d]) continue;
          int col = c * 16 + d, row = a * 256 + b;
          if (col < firstCol_) firstCol_ = col;
          if (col > lastCol_) lastCol_ = col;
          if (row < firstRow_) firstRow_ = row;
          if (row > lastRow_) lastRow_ = row;
        }
      }
    }
  }
  if (!anyPage) firstCol_ = firstRow_ = 0;
}

void TCellStorage::Clear() {
  // Cells are destroyed (heap cells freed); the pages are plain memory of
  // the arena and go with it.
  for (RowHighPage* rh : root_) {
    if (!rh) continue;
    for (RowPage* rl : rh->rows) {
      if (!rl) continue;
      for (ColPage* ch : rl->cols) {
        if (!ch) continue;
        for (uintptr_t c : ch->cells) {
          if (!c) continue;
          if (c & kHeap)
            delete cellOf(c);
          else
            cellOf(c)->~TCell();
        }
      }
    }
  }
  root_.fill(nullptr);
  arena_.Clear();
  lastHit_ = nullptr;
  count_ = 0;
  BeginIterate();
}

}  // namespace qv
