// Object collections: growable lists of object references, owning and
// non-owning, and a sorted list looked up by key.
//
// Items are pointers to TOObject descendants. An owning collection
// (TOCollection, TSortedCollection) deletes its items when it is cleared or
// destroyed; a non-owning one (TNoOwnerCollection) only forgets them.
// Indices are 0-based; a bad index raises EListError
// "List index out of bounds (<index>)".
#pragma once

#include <vector>

namespace qv {

// The base of every object a collection can hold and free.
class TOObject {
 public:
  TOObject() = default;
  TOObject(const TOObject&) = delete;
  TOObject& operator=(const TOObject&) = delete;
  virtual ~TOObject() = default;
};

class TOCollection {
 public:
  explicit TOCollection(int capacity);
  TOCollection(const TOCollection&) = delete;
  TOCollection& operator=(const TOCollection&) = delete;
  virtual ~TOCollection();  // frees every item (through FreeItem)

  int Count() const { return static_cast<int>(FItems.size()); }
  TOObject* At(int index) const;
  TOObject* operator[](int index) const { return At(index); }
  int Add(TOObject* item);  // appends; returns the index
  void AtInsert(int index, TOObject* item);
  void AtDelete(int index);     // removes without freeing
  void AtFree(int index);       // removes and frees
  void Remove(TOObject* item);  // removes (without freeing) when present
  // Frees every item in index order (FreeItem), then empties the list.
  void Clear();
  // Empties the list without freeing anything.
  void DeleteAll() { FItems.clear(); }

  virtual void FreeItem(TOObject* item);      // deletes the item
  virtual int IndexOf(TOObject* item) const;  // plain identity search; -1 when absent
  virtual void Insert(TOObject* item);        // appends

 protected:
  std::vector<TOObject*> FItems;
};

// A collection that never frees its items.
class TNoOwnerCollection : public TOCollection {
 public:
  using TOCollection::TOCollection;
  ~TNoOwnerCollection() override;
  void FreeItem(TOObject* item) override;  // does nothing
};

// An owning collection kept sorted by key. Compare and KeyOf define the
// order; keys are opaque pointers (KeyOf returns the item itself here).
class TSortedCollection : public TOCollection {
 public:
  explicit TSortedCollection(int capacity);
  bool Duplicates = false;

  virtual int Compare(const void* key1, const void* key2) const = 0;
  virtual const void* KeyOf(TOObject* item) const;
  // Index of the identical item, -1 when absent (with Duplicates the equal
  // keys are walked to find the very object).
  int IndexOf(TOObject* item) const override;
  // Inserts at the sorted position. When the key is present and Duplicates
  // is false nothing happens and the caller keeps the object.
  void Insert(TOObject* item) override;
  // Replaces the entry of an equal key (the old entry is removed, not freed).
  void InsertReplacing(TOObject* item);
  // Binary search; found tells whether an equal key exists; index is its
  // position (the first equal one with Duplicates) or the insertion point.
  virtual bool Search(const void* key, int& index) const;
};

}  // namespace qv
