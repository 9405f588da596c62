#include "engine/OObjects.h"

#include "platform/core/Classes.h"

namespace qv {

namespace {
[[noreturn]] void IndexError(int index) {
  throw EListError(Format("List index out of bounds (%d)", index));
}
}  // namespace

// ---- TOCollection -------------------------------------------------------------

TOCollection::TOCollection(int capacity) {
  if (capacity > 0) items_.reserve(static_cast<size_t>(capacity));
}

TOCollection::~TOCollection() { Clear(); }

TOObject* TOCollection::At(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)].get();
}

int TOCollection::Add(std::unique_ptr<TOObject> item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

void TOCollection::AtInsert(int index, std::unique_ptr<TOObject> item) {
  if (index < 0 || index > Count()) IndexError(index);
  items_.insert(items_.begin() + index, std::move(item));
}

std::unique_ptr<TOObject> TOCollection::AtDelete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  std::unique_ptr<TOObject> item = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  return item;
}

void TOCollection::AtFree(int index) { AtDelete(index).reset(); }

std::unique_ptr<TOObject> TOCollection::Remove(const TOObject* item) {
  const int i = IndexOf(item);
  return i >= 0 ? AtDelete(i) : nullptr;
}

void TOCollection::Clear() {
  // Take the items out first so that an item's destructor that looks at the
  // list never sees a half-freed one; free them in index order.
  std::vector<std::unique_ptr<TOObject>> items;
  items.swap(items_);
  for (auto& item : items) item.reset();
}

int TOCollection::IndexOf(const TOObject* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

// ---- TNoOwnerCollection -------------------------------------------------------

TNoOwnerCollection::TNoOwnerCollection(int capacity) {
  if (capacity > 0) items_.reserve(static_cast<size_t>(capacity));
}

TOObject* TNoOwnerCollection::At(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)];
}

int TNoOwnerCollection::Add(TOObject* item) {
  items_.push_back(item);
  return Count() - 1;
}

void TNoOwnerCollection::AtInsert(int index, TOObject* item) {
  if (index < 0 || index > Count()) IndexError(index);
  items_.insert(items_.begin() + index, item);
}

void TNoOwnerCollection::AtDelete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  items_.erase(items_.begin() + index);
}

int TNoOwnerCollection::IndexOf(const TOObject* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == item) return static_cast<int>(i);
  return -1;
}

// ---- TSortedCollection --------------------------------------------------------

TSortedCollection::TSortedCollection(int capacity) : TOCollection(capacity) {}

const void* TSortedCollection::KeyOf(const TOObject* item) const { return item; }

bool TSortedCollection::Search(const void* key, int& index) const {
  int lo = 0;
  int hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = Compare(KeyOf(ItemAt(static_cast<size_t>(mid))), key);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (!Duplicates) lo = mid;  // stop at this position
      }
    }
  }
  index = lo;
  return found;
}

int TSortedCollection::IndexOf(const TOObject* item) const {
  int i = 0;
  if (!Search(KeyOf(item), i)) return -1;
  if (!Duplicates) return ItemAt(static_cast<size_t>(i)) == item ? i : -1;
  const void* key = KeyOf(item);
  for (; i < Count(); ++i) {
    const TOObject* at = ItemAt(static_cast<size_t>(i));
    if (at == item) return i;
    if (Compare(KeyOf(at), key) != 0) break;
  }
  return -1;
}

TOObject* TSortedCollection::Insert(std::unique_ptr<TOObject>& Item) {
  int i = 0;
  if (Search(KeyOf(Item.get()), i) && !Duplicates) return nullptr;
  TOObject* inserted = Item.get();
  AtInsert(i, std::move(Item));
  return inserted;
}

std::unique_ptr<TOObject> TSortedCollection::InsertReplacing(std::unique_ptr<TOObject> Item) {
  int i = 0;
  std::unique_ptr<TOObject> old;
  if (Search(KeyOf(Item.get()), i)) old = AtDelete(i);
  Insert(Item);
  return old;
}

}  // namespace qv
