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

TCellStorage::TCellStorage() = default;
TCellStorage::~TCellStorage() { Clear(); }

TCell* TCellStorage::Find(uint32_t key) {
  if (lastHit_ && lastHit_->Key == key) return lastHit_;
  const auto& rh = root_[(key >> 16) & 0xFF];
  if (!rh) return nullptr;
  const auto& rl = rh->rows[(key >> 8) & 0xFF];
  if (!rl) return nullptr;
  const auto& ch = rl->cols[(key >> 4) & 0xF];
  if (!ch) return nullptr;
  TCell* c = ch->cells[key & 0xF].get();
  if (c) lastHit_ = c;
  return c;
}

void TCellStorage::Put(uint32_t key, std::unique_ptr<TCell> cell) {
  auto& rh = root_[(key >> 16) & 0xFF];
  if (!rh) {
    if (!cell) return;
    rh = std::make_unique<RowHighPage>();
  }
  auto& rl = rh->rows[(key >> 8) & 0xFF];
  if (!rl) {
    if (!cell) return;
    rl = std::make_unique<RowPage>();
  }
  auto& ch = rl->cols[(key >> 4) & 0xF];
  if (!ch) {
    if (!cell) return;
    ch = std::make_unique<ColPage>();
  }
  auto& slot = ch->cells[key & 0xF];
  if (slot) {
    if (cell && cell->FormatIndex < 1) cell->FormatIndex = slot->FormatIndex;
    if (lastHit_ == slot.get()) lastHit_ = nullptr;
    --count_;
  }
  slot = std::move(cell);
  if (slot) {
    ++count_;
    lastHit_ = slot.get();
  }
}

void TCellStorage::BeginIterate() { itRh_ = itRl_ = itCh_ = itCl_ = 0; }

TCell* TCellStorage::Next() {
  for (; itRh_ < 256; ++itRh_, itRl_ = 0, itCh_ = 0, itCl_ = 0) {
    const auto& rh = root_[itRh_];
    if (!rh) continue;
    for (; itRl_ < 256; ++itRl_, itCh_ = 0, itCl_ = 0) {
      const auto& rl = rh->rows[itRl_];
      if (!rl) continue;
      for (; itCh_ < 16; ++itCh_, itCl_ = 0) {
        const auto& ch = rl->cols[itCh_];
        if (!ch) continue;
        while (itCl_ < 16) {
          TCell* c = ch->cells[itCl_++].get();
          if (c) return c;
        }
      }
    }
  }
  return nullptr;
}

void TCellStorage::ForEach(const std::function<void(TCell&)>& f) const {
  for (const auto& rh : root_) {
    if (!rh) continue;
    for (const auto& rl : rh->rows) {
      if (!rl) continue;
      for (const auto& ch : rl->cols) {
        if (!ch) continue;
        for (const auto& c : ch->cells)
          if (c) f(*c);
      }
    }
  }
}

void TCellStorage::CalcBounds() {
  firstCol_ = firstRow_ = INT_MAX;
  lastCol_ = lastRow_ = 0;
  bool anyPage = false;
  for (int a = 0; a < 256; ++a) {
    const auto& rh = root_[a];
    if (!rh) continue;
    anyPage = true;
    for (int b = 0; b < 256; ++b) {
      const auto& rl = rh->rows[b];
      if (!rl) continue;
      for (int c = 0; c < 16; ++c) {
        const auto& ch = rl->cols[c];
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
  for (auto& rh : root_) rh.reset();
  lastHit_ = nullptr;
  count_ = 0;
  BeginIterate();
}

}  // namespace qv
