// The cells of one worksheet: small typed cell objects and the sparse tree
// that keeps them by cell key.
//
// Cell key: column (0-255) + row (0-65535) * 256. The tree has four levels
// (row high byte, row low byte, column high nibble, column low nibble), so
// a cell is found in constant time and the cells are walked row by row,
// each row from left to right, as the BIFF writer needs them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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

// The sparse tree of one sheet's cells. Owns its cells.
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

  // Row-major walk: BeginIterate, then Next until it returns null.
  void BeginIterate();
  TCell* Next();
  // Calls f for every cell in row-major order.
  void ForEach(const std::function<void(TCell&)>& f) const;

  // Recomputes the used bounds. An empty tree gives 0, 0, 0, 0; pages
  // whose cells were all deleted give first 2147483647, last 0.
  void CalcBounds();
  int FirstCol() const { return firstCol_; }
  int LastCol() const { return lastCol_; }
  int FirstRow() const { return firstRow_; }
  int LastRow() const { return lastRow_; }

  int Count() const { return count_; }
  void Clear();

 private:
  struct ColPage {
    std::array<std::unique_ptr<TCell>, 16> cells;
  };
  struct RowPage {
    std::array<std::unique_ptr<ColPage>, 16> cols;
  };
  struct RowHighPage {
    std::array<std::unique_ptr<RowPage>, 256> rows;
  };

  std::array<std::unique_ptr<RowHighPage>, 256> root_;
  TCell* lastHit_ = nullptr;
  int count_ = 0;
  // Iteration cursor: row high, row low, column high, column low.
  int itRh_ = 0, itRl_ = 0, itCh_ = 0, itCl_ = 0;
  int firstCol_ = 0, lastCol_ = 0, firstRow_ = 0, lastRow_ = 0;
};

}  // namespace qv
