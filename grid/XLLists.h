// Sparse arrays behind every indexed store of the grid library: cells by
// column and row, column widths and row heights, per-cell attributes.
//
// A list is a directory of pages of slots; a page is allocated, zero
// filled, when a slot of it is first written, and only Clear releases
// pages. A slot of value 0 is empty. The page geometry comes from the
// list's page kind: kind 0 = 16 slots a page, kind 1 = 256 slots.
//
// Indices are non-negative 32-bit integers. The directory is a vector while
// pages lie close together and a map for pages far beyond the others, so
// any index can be written without a directory that grows with the index.
//
//   TSList            raw 32-bit slots
//   TProZeroSList     slot = value - Default (empty reads as Default)
//   TZeroSList        SetDefault clears the list
//   TDefSList         slot 0 = Default, otherwise value + 1
//   TXLSizeList       sizes of columns or rows; PositionOf, IndexAt
//   TObjectSList<T>   owned objects (slots hold pointers)
//   TListSList<L>     owned inner lists: a two-dimensional sparse array
//
// Stream forms (little-endian) are those of the sheet stream: see
// TSList::WriteToStream and TListSList::WriteToStream.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "grid/XLPool.h"
#include "grid/XLStream.h"

namespace qv {

// The page kind new lists take (0: 16 slots a page).
constexpr std::uint8_t DefaultPageKind = 0;
// No page at or above this number lives in the vector directory.
constexpr int kSListDirectPages = 1 << 20;

namespace detail {

constexpr std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

}  // namespace detail

// The paged storage shared by the integer and the object lists. T is
// std::int32_t or a pointer type; the value-initialised T is "empty".
template <class T>
class TSListStorage {
 public:
  explicit TSListStorage(std::uint8_t kind = DefaultPageKind) { SetGeometry(kind); }
  TSListStorage(const TSListStorage&) = delete;
  TSListStorage& operator=(const TSListStorage&) = delete;
  ~TSListStorage() = default;

  std::uint8_t Kind() const { return kind_; }
  int PageSize() const { return pageSize_; }
  int Shift() const { return shift_; }
  // The highest index holding a non-empty slot, -1 when none.
  int Last() const { return last_; }
  bool IsEmpty() const { return last_ < 0; }

  // The slot at index (empty for a negative index or one above Last);
  // remembered in a one-entry cache.
  T GetSlot(int index) const {
    if (index < 0 || index > last_) return T();
    if (index == cacheIndex_) return cacheValue_;
    const T* page = FindPage(index >> shift_);
    const T v = page ? page[index & mask_] : T();
    cacheIndex_ = index;
    cacheValue_ = v;
    return v;
  }

  // The slot for writing: allocates its page, raises Last to index,
  // invalidates the cache. index must be >= 0.
  T* SlotFor(int index) {
    T* page = PageFor(index >> shift_);
    if (index > last_) last_ = index;
    cacheIndex_ = -1;
    return page + (index & mask_);
  }

  // Writes a slot: a negative index is ignored, writing empty over empty
  // allocates nothing, writing empty recomputes Last.
  void PutSlot(int index, T value) {
    if (index < 0) return;
    if (value == T()) {
      if (GetSlot(index) == T()) return;
      *SlotFor(index) = value;
      if (index == last_) RecomputeLast();
      return;
    }
    *SlotFor(index) = value;
  }

  // Visits every non-empty slot in ascending index order; stops at the
  // first call that returns non-zero and returns it (0 when all ran).
  template <class F>
  int ForEachSlot(F&& f) const {
    int result = 0;
    ForEachPage([&](int pageNo, const T* cells) {
      for (int i = 0; i < pageSize_; ++i) {
        if (cells[i] != T()) {
          result = f((pageNo << shift_) + i, cells[i]);
          if (result != 0) return false;
        }
      }
      return true;
    });
    return result;
  }

  // Visits the allocated pages in ascending order while f returns true.
  template <class F>
  void ForEachPage(F&& f) const {
    for (std::size_t p = 0; p < direct_.size(); ++p) {
      if (direct_[p] && !f(static_cast<int>(p), direct_[p].get())) return;
    }
    for (const auto& [p, page] : far_) {
      if (!f(p, page.get())) return;
    }
  }

  // Pages allocated (empty ones included).
  int PageCount() const { return pageCount_; }
  const T* FindPage(int pageNo) const {
    if (pageNo < static_cast<int>(direct_.size())) return direct_[pageNo].get();
    if (far_.empty()) return nullptr;
    auto it = far_.find(pageNo);
    return it == far_.end() ? nullptr : it->second.get();
  }
  // The page, allocated when absent. The vector directory grows only while
  // it stays within a few entries per allocated page, so an index far from
  // the others costs one map entry, not a directory up to it. Every page in
  // the map lies above the vector's end.
  T* PageFor(int pageNo) {
    std::unique_ptr<T[]>* slot;
    if (pageNo < static_cast<int>(direct_.size())) {
      slot = &direct_[pageNo];
    } else if (pageNo < kSListDirectPages && pageNo <= 4 * (pageCount_ + 1) + 64) {
      direct_.resize(std::size_t(pageNo) + 1);
      while (!far_.empty() && far_.begin()->first < static_cast<int>(direct_.size())) {
        direct_[far_.begin()->first] = std::move(far_.begin()->second);
        far_.erase(far_.begin());
      }
      slot = &direct_[pageNo];
    } else {
      slot = &far_[pageNo];
    }
    if (!*slot) {
      *slot = std::make_unique<T[]>(pageSize_);
      ++pageCount_;
    }
    return slot->get();
  }

  // Releases every page and resets the geometry from kind.
  void ReleasePages(std::uint8_t kind) {
    direct_.clear();
    direct_.shrink_to_fit();
    far_.clear();
    pageCount_ = 0;
    SetGeometry(kind);
    last_ = -1;
    cacheIndex_ = -1;
  }

  // Sets Last from the non-empty slots (after raw page writes).
  void RecomputeLast() {
    cacheIndex_ = -1;
    last_ = -1;
    for (auto it = far_.rbegin(); it != far_.rend(); ++it) {
      if (ScanPage(it->first, it->second.get())) return;
    }
    for (std::size_t p = direct_.size(); p-- > 0;) {
      if (direct_[p] && ScanPage(static_cast<int>(p), direct_[p].get())) return;
    }
  }

  // The largest page number whose first index is still a valid index.
  int MaxPageNo() const { return INT32_MAX >> shift_; }

 private:
  void SetGeometry(std::uint8_t kind) {
    kind_ = kind;
    shift_ = kind == 1 ? 8 : 4;
    pageSize_ = 1 << shift_;
    mask_ = pageSize_ - 1;
  }
  bool ScanPage(int pageNo, const T* cells) {
    for (int i = pageSize_; i-- > 0;) {
      if (cells[i] != T()) {
        last_ = (pageNo << shift_) + i;
        return true;
      }
    }
    return false;
  }

  std::vector<std::unique_ptr<T[]>> direct_;
  std::map<int, std::unique_ptr<T[]>> far_;
  int pageCount_ = 0;
  std::uint8_t kind_ = 0;
  int shift_ = 4, pageSize_ = 16, mask_ = 15;
  int last_ = -1;
  mutable int cacheIndex_ = -1;
  mutable T cacheValue_ = T();
};

// The slots of an object list. A list whose items lie at small indices (a
// row of a few cells) keeps them in one block indexed directly, grown by
// doubling; a list of the one item 0 keeps it in place of the block. Once
// an index reaches kDenseSlots the list moves to pages (TSListStorage), so
// a wide or far-flung list costs what its pages cost. A short row thus
// costs a small block at most, instead of a page directory, a page of 16
// slots and a map.
template <class T>
class TObjectSlots {
 public:
  static constexpr int kDenseSlots = 256;
  explicit TObjectSlots(std::uint8_t kind = DefaultPageKind) : kind_(kind) {}
  TObjectSlots(const TObjectSlots&) = delete;
  TObjectSlots& operator=(const TObjectSlots&) = delete;
  ~TObjectSlots() { FreeDense(); }

  std::uint8_t Kind() const { return kind_; }
  int Last() const { return last_; }
  bool IsEmpty() const { return last_ < 0; }

  T GetSlot(int index) const {
    if (index < 0 || index > last_) return T();
    if (paged_) return paged_->GetSlot(index);
    return Slots()[index];
  }
  // A negative index is ignored; writing empty over empty allocates nothing.
  void PutSlot(int index, T value) {
    if (index < 0) return;
    if (!paged_ && index >= kDenseSlots) {
      if (value == T()) return;
      MoveToPages();
    }
    if (paged_) {
      paged_->PutSlot(index, value);
      last_ = paged_->Last();
      return;
    }
    if (value == T()) {
      if (index > last_) return;
      T* items = Slots();
      items[index] = T();
      while (last_ >= 0 && items[last_] == T()) --last_;
      return;
    }
    if (index >= cap_) Grow(index + 1);
    Slots()[index] = value;
    if (index > last_) last_ = index;
  }
  // Visits every non-empty slot in ascending index order; stops at the
  // first call that returns non-zero and returns it (0 when all ran).
  // The callback may add items: the block is looked up again for every
  // slot, and a list the callback moved to pages goes on there.
  template <class F>
  int ForEachSlot(F&& f) const {
    if (paged_) return paged_->ForEachSlot(std::forward<F>(f));
    for (int i = 0; i <= last_; ++i) {
      if (paged_) {
        return paged_->ForEachSlot(
            [&](int index, T item) { return index >= i ? f(index, item) : 0; });
      }
      const T item = Slots()[i];
      if (item != T()) {
        const int result = f(i, item);
        if (result != 0) return result;
      }
    }
    return 0;
  }
  // Releases every slot; the list takes the page kind.
  void ReleasePages(std::uint8_t kind) {
    FreeDense();
    paged_.reset();
    last_ = -1;
    kind_ = kind;
  }

 private:
  T* Slots() { return cap_ == 1 ? &single_ : dense_; }
  const T* Slots() const { return cap_ == 1 ? &single_ : dense_; }
  // The block comes from the grid's block pool.
  void Grow(int need) {
    if (need == 1 && cap_ == 0) {
      single_ = T();
      cap_ = 1;
      return;
    }
    int cap = cap_ < 2 ? 2 : cap_;
    while (cap < need) cap *= 2;
    T* block = static_cast<T*>(XLPoolAllocate(sizeof(T) * std::size_t(cap)));
    const T* old = Slots();
    for (int i = 0; i < cap; ++i) block[i] = i <= last_ ? old[i] : T();
    FreeDense();
    dense_ = block;
    cap_ = static_cast<std::uint16_t>(cap);
  }
  void FreeDense() {
    if (cap_ > 1) XLPoolFree(dense_, sizeof(T) * std::size_t(cap_));
    dense_ = nullptr;
    cap_ = 0;
  }
  void MoveToPages() {
    auto paged = std::make_unique<TSListStorage<T>>(kind_);
    const T* items = Slots();
    for (int i = 0; i <= last_; ++i)
      if (items[i] != T()) paged->PutSlot(i, items[i]);
    FreeDense();
    paged_ = std::move(paged);
  }

  union {
    T* dense_ = nullptr;  // cap_ > 1: the block
    T single_;            // cap_ == 1: item 0
  };
  std::unique_ptr<TSListStorage<T>> paged_;
  std::int32_t last_ = -1;
  std::uint16_t cap_ = 0;
  std::uint8_t kind_;
};

// ---------------------------------------------------------------------------
// TSList: 32-bit slots; Get and Put read and write values (the raw slot in
// this class; descendants translate).
class TSList {
 public:
  explicit TSList(std::uint8_t kind = DefaultPageKind) : store_(kind) {}
  TSList(const TSList&) = delete;
  TSList& operator=(const TSList&) = delete;
  virtual ~TSList() = default;

  // Called for every value that leaves the list through SetCount or Clear.
  virtual void FreeItem(std::int32_t value) { (void)value; }
  // Stream form: 1 byte page kind, int32 Count, int32 number P of pages
  // present, then P times the int32 page number and the page's raw slots
  // (page size x 4 bytes), pages ascending. Reading clears the list first,
  // bounds the kind (0 or 1), the page count and every page number by
  // what the stream holds, and recomputes Last; EXLGridError or EReadError
  // on a damaged form (the list keeps what was read).
  virtual void ReadFromStream(TStream& stream);
  virtual void WriteToStream(TStream& stream) const;
  // Hook for descendants whose items know their index.
  virtual void Reindex(int first, int last) {
    (void)first;
    (void)last;
  }
  // Releases every page (after FreeItem of every value); Last becomes -1.
  virtual void Clear();
  virtual std::int32_t Get(int index) const { return store_.GetSlot(index); }
  virtual void Put(int index, std::int32_t value) { store_.PutSlot(index, value); }

  std::int32_t GetSlot(int index) const { return store_.GetSlot(index); }
  void PutSlot(int index, std::int32_t value) { store_.PutSlot(index, value); }
  std::int32_t* SlotFor(int index) { return store_.SlotFor(index); }
  // Visits every non-zero slot (raw) ascending; see TSListStorage.
  int ForEach(const std::function<int(int, std::int32_t)>& callback) const {
    return store_.ForEachSlot(callback);
  }
  template <class F>
  int ForEachSlot(F&& f) const {
    return store_.ForEachSlot(std::forward<F>(f));
  }

  // Count is the logical length, kept apart from Last; the list does not
  // bound indices by it. SetCount releases every item at n or above, from
  // the top down.
  int Count() const { return count_; }
  void SetCount(int n);
  // Empties every slot at n or above without touching Count; the number of
  // non-empty slots removed.
  int TruncateAt(int n);
  int Last() const { return store_.Last(); }
  bool IsEmpty() const { return store_.IsEmpty(); }
  std::uint8_t Kind() const { return store_.Kind(); }
  int PageSize() const { return store_.PageSize(); }
  const TSListStorage<std::int32_t>& Storage() const { return store_; }

 protected:
  TSListStorage<std::int32_t> store_;
  int count_ = 0;
};

// Slots hold value - Default, so an empty slot reads as Default.
class TProZeroSList : public TSList {
 public:
  using TSList::TSList;
  std::int32_t Get(int index) const override {
    return detail::wrapAdd(store_.GetSlot(index), default_);
  }
  void Put(int index, std::int32_t value) override {
    store_.PutSlot(index, detail::wrapSub(value, default_));
  }
  std::int32_t Default() const { return default_; }
  virtual void SetDefault(std::int32_t value) { default_ = value; }

 protected:
  std::int32_t default_ = 0;
};

// A new default discards every stored value.
class TZeroSList : public TProZeroSList {
 public:
  using TProZeroSList::TProZeroSList;
  void SetDefault(std::int32_t value) override {
    default_ = value;
    Clear();
  }
};

// Slot 0 reads as Default; any other slot holds value + 1.
class TDefSList : public TProZeroSList {
 public:
  using TProZeroSList::TProZeroSList;
  std::int32_t Get(int index) const override {
    const std::int32_t s = store_.GetSlot(index);
    return s == 0 ? default_ : detail::wrapSub(s, 1);
  }
  void Put(int index, std::int32_t value) override {
    store_.PutSlot(index, value == default_ ? 0 : detail::wrapAdd(value, 1));
  }
  void SetDefault(std::int32_t value) override { default_ = value; }
};

// Column widths or row heights: slots hold size - Default. Count is the
// number of lines, Default the default size.
class TXLSizeList : public TZeroSList {
 public:
  using TZeroSList::TZeroSList;
  // Sum of the sizes of indices 0 .. n-1 (0 for n < 1), 64-bit.
  std::int64_t PositionOf(int n) const;
  // The index whose extent holds the pixel offset (counted from index 0);
  // offset becomes the start of that index. An offset below 1 or a default
  // below 1 gives index 0 and offset 0.
  int IndexAt(std::int64_t& offset) const;
  // Raises every stored size below min to min (sizes read from files).
  void ClampSizes(std::int32_t min);
  // Copies count, default and sizes, each size scaled by num / den
  // (integer division, 64-bit product); for zoomed and printed layouts.
  void AssignScaled(const TXLSizeList& source, int num, int den);
};

// ---------------------------------------------------------------------------
// Owned objects by index. Put takes ownership and frees what the slot held;
// Take gives ownership back; Clear and SetCount free the objects.
template <class T>
class TObjectSList {
 public:
  explicit TObjectSList(std::uint8_t kind = DefaultPageKind) : store_(kind) {}
  TObjectSList(const TObjectSList&) = delete;
  TObjectSList& operator=(const TObjectSList&) = delete;
  virtual ~TObjectSList() { FreeAll(); }

  T* Get(int index) const { return store_.GetSlot(index); }
  void Put(int index, std::unique_ptr<T> item) {
    if (index < 0) return;
    T* old = store_.GetSlot(index);
    T* raw = item.release();
    store_.PutSlot(index, raw);
    if (old && old != raw) FreeItem(old);
    if (raw) Reindex(index, index);
  }
  // Removes the item from the list without freeing it.
  std::unique_ptr<T> Take(int index) {
    T* old = store_.GetSlot(index);
    if (old) store_.PutSlot(index, nullptr);
    return std::unique_ptr<T>(old);
  }
  void Remove(int index) { Put(index, nullptr); }

  virtual void FreeItem(T* item) { delete item; }
  virtual void Reindex(int first, int last) {
    (void)first;
    (void)last;
  }
  virtual void Clear() {
    FreeAll();
    store_.ReleasePages(store_.Kind());
  }
  void SetCount(int n) {
    count_ = n;
    while (store_.Last() >= n && store_.Last() >= 0) {
      const int last = store_.Last();
      T* item = store_.GetSlot(last);
      store_.PutSlot(last, nullptr);
      FreeItem(item);
    }
  }
  int Count() const { return count_; }
  int Last() const { return store_.Last(); }
  bool IsEmpty() const { return store_.IsEmpty(); }
  // f(index, T*) for every item ascending; non-zero stops and is returned.
  template <class F>
  int ForEach(F&& f) const {
    return store_.ForEachSlot(std::forward<F>(f));
  }
  // Items from first to last (inclusive), ascending.
  template <class F>
  void ForEachIn(int first, int last, F&& f) const {
    store_.ForEachSlot([&](int i, T* item) {
      if (i > last) return 1;
      if (i >= first) f(i, item);
      return 0;
    });
  }

 protected:
  void FreeAll() {
    std::vector<T*> items;
    store_.ForEachSlot([&](int, T* item) {
      items.push_back(item);
      return 0;
    });
    store_.ReleasePages(store_.Kind());
    for (T* item : items) FreeItem(item);
  }
  TObjectSlots<T*> store_;
  int count_ = 0;
};

// A two-dimensional sparse array: outer index -> owned inner list.
template <class Inner>
class TListSList : public TObjectSList<Inner> {
 public:
  using TObjectSList<Inner>::TObjectSList;

  // The inner list at index, created (and announced to ItemCreated) when
  // absent. index must be >= 0.
  Inner* GetOrCreate(int index) {
    Inner* inner = this->Get(index);
    if (!inner) {
      auto made = std::make_unique<Inner>();
      inner = made.get();
      this->Put(index, std::move(made));
      ItemCreated(inner, index);
    }
    return inner;
  }
  virtual void ItemCreated(Inner* item, int index) {
    (void)item;
    (void)index;
  }

  // Stream form: int32 number of non-empty inner lists, then per list, in
  // ascending order, the int32 outer index and the inner list's own form.
  void WriteToStream(TStream& stream) const {
    int n = 0;
    this->ForEach([&](int, Inner* inner) {
      n += inner->IsEmpty() ? 0 : 1;
      return 0;
    });
    WriteInteger(stream, n);
    this->ForEach([&](int index, Inner* inner) {
      if (!inner->IsEmpty()) {
        WriteInteger(stream, index);
        inner->WriteToStream(stream);
      }
      return 0;
    });
  }
  // Reads entries into the list (it is not cleared first). Every entry
  // takes at least 13 bytes, which bounds the count; an outer index below
  // 0 or above maxIndex raises EXLGridError.
  void ReadFromStream(TStream& stream, int maxIndex = INT32_MAX) {
    const std::int32_t n = ReadInteger(stream);
    if (n < 0 || n > stream.Remaining() / 13)
      throw EXLGridError("Corrupt XLGrid stream: bad list count");
    for (std::int32_t i = 0; i < n; ++i) {
      const std::int32_t index = ReadInteger(stream);
      if (index < 0 || index > maxIndex)
        throw EXLGridError("Corrupt XLGrid stream: list index out of range");
      GetOrCreate(index)->ReadFromStream(stream);
    }
  }
};

}  // namespace qv
