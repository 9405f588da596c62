// The cells of one worksheet: small typed cell objects and the sparse tree
// that keeps them by cell key.
//
// Cell key: column (0-255) + row (0-65535) * 256. The tree has four levels
// (row high byte, row low byte, column high nibble, column low nibble), so
// a cell is found in constant time and the cells are walked row by row,
// each row from left to right, as the BIFF writer needs them. The cells and
// the pages live in memory blocks of the storage (TCellArena), so reading
// a sheet of many cells costs no allocation per cell.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace qv {

constexpr uint32_t CellKey(int col, int row) {
  return static_cast<uint32_t>(col & 0xFF) + static_cast<uint32_t>(row) * 256u;
}
constexpr int MaxCellCol = 255;
constexpr int MaxCellRow = 65535;

// Type codes of the cell classes.
enum TCellType : int {
  ctBlank = 1,
  ctFloat = 4,
  ctString = 5,
  ctBoolean = 6,
  ctError = 7,
  ctNumberFormula = 8,
  ctStringFormula = 9,
  ctBooleanFormula = 10,
  ctErrorFormula = 11,
  ctArrayFormula = 12
};

// Base of all cells: the cell-format index (-1 for none) and the key.
class TCell {
 public:
  TCell(uint32_t key, int formatIndex) : FormatIndex(formatIndex), Key(key) {}
  virtual ~TCell() = default;
  TCell(const TCell&) = delete;
  TCell& operator=(const TCell&) = delete;

  virtual int CellType() const = 0;
  // A new cell of the same class with the same key, format and value;
  // formula cells copy their tokens and leave the result zero or empty.
  virtual std::unique_ptr<TCell> Clone() const = 0;

  int Col() const { return static_cast<int>(Key & 0xFF); }
  int Row() const { return static_cast<int>(Key >> 8); }

  int FormatIndex;
  uint32_t Key;
};

class TBlankCell : public TCell {
 public:
  using TCell::TCell;
  int CellType() const override { return ctBlank; }
  std::unique_ptr<TCell> Clone() const override;
};

class TFloatCell : public TCell {
 public:
  TFloatCell(uint32_t key, int formatIndex, double value) : TCell(key, formatIndex), Value(value) {}
  int CellType() const override { return ctFloat; }
  std::unique_ptr<TCell> Clone() const override;
  double Value;
};

// Holds the index of its text in the workbook's shared string table.
class TStringCell : public TCell {
 public:
  TStringCell(uint32_t key, int formatIndex, uint32_t index)
      : TCell(key, formatIndex), Index(index) {}
  int CellType() const override { return ctString; }
  std::unique_ptr<TCell> Clone() const override;
  uint32_t Index;
};

class TBooleanCell : public TCell {
 public:
  TBooleanCell(uint32_t key, int formatIndex, uint8_t value)
      : TCell(key, formatIndex), Value(value) {}
  int CellType() const override { return ctBoolean; }
  std::unique_ptr<TCell> Clone() const override;
  uint8_t Value;
};

// Error kind: 1 #NULL!, 2 #DIV/0!, 3 #VALUE!, 4 #REF!, 5 #NAME?, 6 #NUM!,
// 7 #N/A; 0 = no error value. The BIFF codes live only in files.
class TErrorCell : public TCell {
 public:
  TErrorCell(uint32_t key, int formatIndex, uint8_t kind) : TCell(key, formatIndex), Value(kind) {}
  int CellType() const override { return ctError; }
  std::unique_ptr<TCell> Clone() const override;
  uint8_t Value;
};

// A formula: its BIFF tokens (the token form of DecodeFormula.h) and the
// constant-array values that follow the tokens in the record (Extra).
class TFormulaCell : public TCell {
 public:
  TFormulaCell(uint32_t key, int formatIndex, std::string tokens)
      : TCell(key, formatIndex), Tokens(std::move(tokens)) {}
  std::string Tokens;
  std::string Extra;
};

class TNumberFormulaCell : public TFormulaCell {
 public:
  using TFormulaCell::TFormulaCell;
  int CellType() const override { return ctNumberFormula; }
  std::unique_ptr<TCell> Clone() const override;
  double Value = 0;
};

class TStringFormulaCell : public TFormulaCell {
 public:
  using TFormulaCell::TFormulaCell;
  int CellType() const override { return ctStringFormula; }
  std::unique_ptr<TCell> Clone() const override;
  std::string Value;  // UTF-8
};

class TBooleanFormulaCell : public TFormulaCell {
 public:
  using TFormulaCell::TFormulaCell;
  int CellType() const override { return ctBooleanFormula; }
  std::unique_ptr<TCell> Clone() const override;
  uint8_t Value = 0;
};

class TErrorFormulaCell : public TFormulaCell {
 public:
  using TFormulaCell::TFormulaCell;
  int CellType() const override { return ctErrorFormula; }
  std::unique_ptr<TCell> Clone() const override;
  uint8_t Value = 0;  // error kind as for TErrorCell
};

// A cell of an array formula: its own tokens (a reference to the array's
// base cell), the double result, and the tokens of the array formula.
class TArrayFormulaCell : public TFormulaCell {
 public:
  TArrayFormulaCell(uint32_t key, int formatIndex, std::string tokens, std::string arrayTokens)
      : TFormulaCell(key, formatIndex, std::move(tokens)), ArrayTokens(std::move(arrayTokens)) {}
  int CellType() const override { return ctArrayFormula; }
  std::unique_ptr<TCell> Clone() const override;
  double Value = 0;
  std::string ArrayTokens;
};

// The memory of one storage's cells and pages: blocks of 64 KB handed out
// from front to back, with a list of freed pieces per size for reuse. All
// of it goes at once with Clear, so a sheet's cells cost no allocation
// each.
class TCellArena {
 public:
  TCellArena() = default;
  TCellArena(const TCellArena&) = delete;
  TCellArena& operator=(const TCellArena&) = delete;

  // size bytes (at most one block), 8-aligned.
  void* Allocate(size_t size);
  // Gives back a piece of the size it was allocated with (at most
  // kLargest bytes) for the next Allocate of that size.
  void Free(void* p, size_t size);
  // Drops every block (the objects in them must be destroyed first).
  void Clear();
  // Bytes in blocks.
  size_t Reserved() const { return blocks_.size() * kBlock; }

  static constexpr size_t kLargest = 256;

 private:
  static constexpr size_t kBlock = 64 * 1024;
  std::vector<std::unique_ptr<std::byte[]>> blocks_;
  std::byte* next_ = nullptr;
  size_t left_ = 0;
  // Freed pieces by size / 8, chained through their first word.
  std::array<void*, kLargest / 8 + 1> free_{};
};

// The sparse tree of one sheet's cells. Owns its cells. Cells made with
// Emplace live in the storage's arena; cells handed over with Put stay
// on the heap.
class TCellStorage {
 public:
  TCellStorage();
  ~TCellStorage();
  TCellStorage(const TCellStorage&) = delete;
  TCellStorage& operator=(const TCellStorage&) = delete;

  // The cell at key, or null.
  TCell* Find(uint32_t key);
  // Stores cell at key (its Key is not changed), freeing a cell that was
  // there; a new cell whose format index is below 1 takes over the old
  // cell's format index. A null cell deletes the slot's cell.
  void Put(uint32_t key, std::unique_ptr<TCell> cell);
  // Makes a T(key, args...) in the storage's memory and stores it at key
  // as Put does; returns it. T is one of the cell classes above.
  template <class T, class... A>
  T& Emplace(uint32_t key, A&&... args) {
    static_assert(std::is_base_of_v<TCell, T> && sizeof(T) <= TCellArena::kLargest);
    T* cell = new (arena_.Allocate(sizeof(T))) T(key, std::forward<A>(args)...);
    store(key, reinterpret_cast<uintptr_t>(static_cast<TCell*>(cell)));
    return *cell;
  }

  // Row-major walk: BeginIterate, then Next until it returns null.
  void BeginIterate();
  TCell* Next();
  // Calls f for every cell in row-major order.
  template <class F>
  void ForEach(F&& f) const {
    for (const RowHighPage* rh : root_) {
      if (!rh) continue;
      for (const RowPage* rl : rh->rows) {
        if (!rl) continue;
        for (const ColPage* ch : rl->cols) {
          if (!ch) continue;
          for (uintptr_t c : ch->cells)
            if (c) f(*cellOf(c));
        }
      }
    }
  }

  // Recomputes the used bounds. An empty tree gives 0, 0, 0, 0; pages
  // whose cells were all deleted give first 2147483647, last 0.
  void CalcBounds();
  int FirstCol() const { return firstCol_; }
  int LastCol() const { return lastCol_; }
  int FirstRow() const { return firstRow_; }
  int LastRow() const { return lastRow_; }

  int Count() const { return count_; }
  // Bytes of the memory blocks that hold the cells and pages.
  size_t ReservedBytes() const { return arena_.Reserved(); }
  void Clear();

 private:
  // A slot holds a cell's address; bit 0 set marks a cell on the heap
  // (from Put), clear one in the arena (from Emplace).
  static constexpr uintptr_t kHeap = 1;
  static TCell* cellOf(uintptr_t slot) { return reinterpret_cast<TCell*>(slot & ~kHeap); }
  struct ColPage {
    std::array<uintptr_t, 16> cells{};
  };
  struct RowPage {
    std::array<ColPage*, 16> cols{};
  };
  struct RowHighPage {
    std::array<RowPage*, 256> rows{};
  };
  template <class P>
  P* newPage() {
    return new (arena_.Allocate(sizeof(P))) P();
  }
  // The slot of key, its pages made on the way when make is set (else
  // null when a page is missing).
  uintptr_t* slotOf(uint32_t key, bool make);
  void store(uint32_t key, uintptr_t cell);
  void release(uintptr_t slot);

  TCellArena arena_;
  std::array<RowHighPage*, 256> root_{};
  TCell* lastHit_ = nullptr;
  int count_ = 0;
  // Iteration cursor: row high, row low, column high, column low.
  int itRh_ = 0, itRl_ = 0, itCh_ = 0, itCl_ = 0;
  int firstCol_ = 0, lastCol_ = 0, firstRow_ = 0, lastRow_ = 0;
};

}  // namespace qv
