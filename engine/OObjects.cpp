#include "engine/OObjects.h"

#include "platform/core/Classes.h"

namespace qv {

namespace {
[[noreturn]] void IndexError(int index) {
  throw EListError(Format("List index out of bounds (%d)", index));
}
}  // namespace

TOCollection::TOCollection(int capacity) {
  if (capacity > 0) FItems.reserve(static_cast<size_t>(capacity));
}

TOCollection::~TOCollection() {
  // Destruction frees the items as Clear does; FreeItem is called through
  // this class's own table here, so descendants that own nothing empty
  // the list in their own destructor first.
  Clear();
}

TOObject* TOCollection::At(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[static_cast<size_t>(index)];
}

int TOCollection::Add(TOObject* item) {
  FItems.push_back(item);
  return Count() - 1;
}

void TOCollection::AtInsert(int index, TOObject* item) {
  if (index < 0 || index > Count()) IndexError(index);
  FItems.insert(FItems.begin() + index, item);
}

void TOCollection::AtDelete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  FItems.erase(FItems.begin() + index);
}

void TOCollection::AtFree(int index) {
  TOObject* item = At(index);
  FItems.erase(FItems.begin() + index);
  FreeItem(item);
}

void TOCollection::Remove(TOObject* item) {
  const int i = IndexOf(item);
  if (i >= 0) FItems.erase(FItems.begin() + i);
}

void TOCollection::Clear() {
  // Take the items out first so that a FreeItem that looks at the list
  // never sees a half-freed one.
  std::vector<TOObject*> items;
  items.swap(FItems);
  for (TOObject* item : items) FreeItem(item);
}

void TOCollection::FreeItem(TOObject* item) { delete item; }

int TOCollection::IndexOf(TOObject* item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == item) return static_cast<int>(i);
  return -1;
}

void TOCollection::Insert(TOObject* item) { Add(item); }

TNoOwnerCollection::~TNoOwnerCollection() { FItems.clear(); }

void TNoOwnerCollection::FreeItem(TOObject*) {}

TSortedCollection::TSortedCollection(int capacity) : TOCollection(capacity) {}

const void* TSortedCollection::KeyOf(TOObject* item) const { return item; }

bool TSortedCollection::Search(const void* key, int& index) const {
  int lo = 0;
  int hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = Compare(KeyOf(FItems[static_cast<size_t>(mid)]), key);
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

int TSortedCollection::IndexOf(TOObject* item) const {
  int i = 0;
  if (!Search(KeyOf(item), i)) return -1;
  if (!Duplicates) return FItems[static_cast<size_t>(i)] == item ? i : -1;
  const void* key = KeyOf(item);
  for (; i < Count(); ++i) {
    TOObject* at = FItems[static_cast<size_t>(i)];
    if (at == item) return i;
    if (Compare(KeyOf(at), key) != 0) break;
  }
  return -1;
}

void TSortedCollection::Insert(TOObject* item) {
  int i = 0;
  if (!Search(KeyOf(item), i) || Duplicates) AtInsert(i, item);
}

void TSortedCollection::InsertReplacing(TOObject* item) {
  int i = 0;
  if (Search(KeyOf(item), i)) AtDelete(i);
  Insert(item);
}

}  // namespace qv
