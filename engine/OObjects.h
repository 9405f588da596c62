// Object collections: growable lists of objects, owning and non-owning,
// and an owning list kept sorted by key.
//
// Items are TOObject descendants. An owning collection (TOCollection,
// TSortedCollection) holds each item in a std::unique_ptr: it frees its
// items when it is cleared or destroyed, takes an item with its ownership
// and hands ownership back when an item is taken out without being freed.
// A non-owning collection (TNoOwnerCollection) holds plain pointers to
// items owned elsewhere and only forgets them. Indices are 0-based; a bad
// index raises EListError "List index out of bounds (<index>)".
#pragma once

#include <memory>
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
  virtual ~TOCollection();  // frees every item, in index order

  int Count() const { return static_cast<int>(items_.size()); }
  TOObject* At(int index) const;
  TOObject* operator[](int index) const { return At(index); }
  // Appends; returns the index.
  int Add(std::unique_ptr<TOObject> item);
  void AtInsert(int index, std::unique_ptr<TOObject> item);
  // Removes without freeing: the caller gets the item.
  std::unique_ptr<TOObject> AtDelete(int index);
  void AtFree(int index);  // removes and frees
  // Removes (without freeing) when present: the caller gets the item, or
  // null when it was not in the list.
  std::unique_ptr<TOObject> Remove(const TOObject* item);
  // Frees every item in index order, then empties the list.
  void Clear();
  // Index of the very object; -1 when absent.
  virtual int IndexOf(const TOObject* item) const;

 protected:
  TOObject* ItemAt(size_t index) const { return items_[index].get(); }

 private:
  std::vector<std::unique_ptr<TOObject>> items_;
};

// A list of objects owned elsewhere; clearing or destroying it frees
// nothing.
class TNoOwnerCollection {
 public:
  explicit TNoOwnerCollection(int capacity);
  TNoOwnerCollection(const TNoOwnerCollection&) = delete;
  TNoOwnerCollection& operator=(const TNoOwnerCollection&) = delete;
  virtual ~TNoOwnerCollection() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  TOObject* At(int index) const;
  TOObject* operator[](int index) const { return At(index); }
  int Add(TOObject* item);  // appends; returns the index
  void AtInsert(int index, TOObject* item);
  void AtDelete(int index);
  void Clear() { items_.clear(); }
  int IndexOf(const TOObject* item) const;  // -1 when absent

 private:
  std::vector<TOObject*> items_;
};

// An owning collection kept sorted by key. Compare and KeyOf define the
// order; keys are opaque pointers (KeyOf returns the item itself here).
class TSortedCollection : public TOCollection {
 public:
  explicit TSortedCollection(int capacity);
  bool Duplicates = false;

  virtual int Compare(const void* key1, const void* key2) const = 0;
  virtual const void* KeyOf(const TOObject* item) const;
  // Index of the identical item, -1 when absent (with Duplicates the equal
  // keys are walked to find the very object).
  int IndexOf(const TOObject* item) const override;
  // Inserts at the sorted position and takes the item (Item becomes null);
  // returns the inserted item. When the key is present and Duplicates is
  // false nothing happens: Item stays with the caller and the result is
  // null.
  TOObject* Insert(std::unique_ptr<TOObject>& Item);
  // Replaces the entry of an equal key: that entry is taken out and handed
  // back (null when there was none), then Item is inserted.
  std::unique_ptr<TOObject> InsertReplacing(std::unique_ptr<TOObject> Item);
  // Binary search; found tells whether an equal key exists; index is its
  // position (the first equal one with Duplicates) or the insertion point.
  virtual bool Search(const void* key, int& index) const;
};

}  // namespace qv
