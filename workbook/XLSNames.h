// The smaller parts of the workbook model that keep formula tokens or raw
// records: the name tables (defined names, external sheets, external
// workbooks with their external names) and the user-visible area names;
// the data validations of a sheet; cell notes with their drawing anchor;
// and the record lists in which chart substreams are kept and written back
// unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/XLSStream.h"

namespace qv {

// What the model items need of their workbook: formula text to tokens and
// back, and the message callback that stands in for message boxes.
class TFormulaHost {
 public:
  virtual ~TFormulaHost() = default;
  // Tokens to text, as Excel 97 tokens.
  virtual std::string DecodeTokens(std::string_view tokens) = 0;
  // Text to tokens; raises EXLSError with the encoder's message.
  virtual std::string EncodeText(const std::string& text, size_t capacity) = 0;
  // A message for the user (the value in question stays unchanged).
  virtual void ShowMessage(const std::string& text) = 0;
};

// Token buffers as the component stream stores them: two upper-case hex
// digits per byte; reading skips anything that is not a digit pair.
std::string TokensToHex(std::string_view tokens);
std::string HexToTokens(std::string_view hex);

struct TWorkbookName {
  uint16_t Options = 0;  // 0x20: built-in, its name one character code
  uint8_t Shortcut = 0;
  int ExternSheet = 0;  // EXTERNSHEET index of the record
  int TabIndex = 0;     // sheet, from 1; 0 workbook-wide
  std::string Name;     // UTF-8
  std::string Tokens;
};

struct TExternSheet {
  int SupBook = 0;
  int FirstSheet = 0;
  int LastSheet = 0;
};

struct TExternName {
  uint16_t Options = 0;
  std::string Name;
  std::string Tokens;
};

struct TSupBook {
  // The encoded file name (see DecodeFileName); for the workbook itself
  // the two bytes 01 04, for add-in functions 01 3A.
  std::string FileName;
  int SheetCount = 0;
  std::vector<std::string> SheetNames;
  std::vector<TExternName> Names;
  bool IsInternal() const { return FileName.size() == 2 && static_cast<uint8_t>(FileName[0]) < 3; }
};

class TNameDefs {
 public:
  static const std::string InternalSupBook;  // "\x01\x04"
  static const std::string AddInSupBook;     // "\x01\x3A"

  std::vector<TWorkbookName> Names;
  std::vector<TExternSheet> ExternSheets;
  std::vector<TSupBook> SupBooks;
  int ExternCount = 0;  // EXTERNCOUNT as read

  // Raises EXLSError "No SUPBOOK for EXTERNNAME" without a SUPBOOK.
  int AddExternName(uint16_t options, const std::string& name, const std::string& tokens);
  int AddExternSheet(int supBook, int firstSheet, int lastSheet);
  // The index of an existing entry with the same three values, else new.
  int FindOrAddExternSheet(int supBook, int firstSheet, int lastSheet);
  int AddName(uint16_t options, uint8_t shortcut, int tabIndex, const std::string& name,
              const std::string& tokens, int externSheet = 0);
  // An existing entry with that file name and no sheet names, else a new
  // one.
  int AddSupBook(const std::string& fileName, int sheetCount);
  // The internal SUPBOOK (added when missing) and its sheet count.
  int InternalSupBookIndex(int sheetCount);

  // Name texts for the formula decoder: kind 0 a defined name by number
  // (from 1); kind 2 the workbook of an external sheet ("[file]sheet!" or
  // the file) or an external name. Out of range: "#NAME!".
  std::string GetNameText(int kind, int index, int nameIndex) const;
  // An encoded external file name as a path: code 1 + drive letter gives
  // "X:\", 2 "\", 3 "\" (or "|" in DDE style), 4 "..\", 5-8 nothing.
  static std::string DecodeFileName(std::string_view encoded, bool ddeStyle);

  // Records the print titles of a sheet (from 0) as the built-in name 7.
  // Negative first values leave that part out; both negative removes it.
  void SetPrintTitles(int sheet, int firstRow, int lastRow, int firstCol, int lastCol);

  void Clear();
};

class TAreaNames;

class TAreaName {
 public:
  TAreaName(TAreaNames* owner, int number);
  const std::string& AreaName() const { return name_; }
  // Trimmed; raises "Name is missing" for an empty text and "There is
  // allready an area named "<name>"" for another item's name in any case.
  void SetAreaName(const std::string& v);
  // The definition as formula text (decoded as Excel 97 tokens).
  std::string NameDef() const;
  // Encodes the text (512-byte buffer); raises the encoder's message.
  void SetNameDef(const std::string& text);
  uint16_t Options = 0;
  uint16_t TabIndex = 0;
  std::string Tokens;
  // The defined name this item mirrors (-1 for none).
  int LinkedName = -1;

 private:
  TAreaNames* owner_;
  std::string name_;
};

class TAreaNames {
 public:
  TAreaNames(TFormulaHost* host, TNameDefs* defs) : host_(host), defs_(defs) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TAreaName& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TAreaName& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TAreaName& Add();
  void Delete(int i) { items_.erase(items_.begin() + i); }
  void Clear() { items_.clear(); }
  // Index of the item of that name (any case), -1 when absent.
  int Find(const std::string& name) const;
  TFormulaHost* Host() const { return host_; }
  TNameDefs* Defs() const { return defs_; }

 private:
  TFormulaHost* host_;
  TNameDefs* defs_;
  std::vector<std::unique_ptr<TAreaName>> items_;
};

enum TValidationType : uint8_t {
  vtAny,
  vtInteger,
  vtNumber,
  vtList,
  vtDate,
  vtTime,
  vtTextLength,
  vtCustom
};
enum TValidationStyle : uint8_t { vsStop, vsWarning, vsInfo };
enum TValidationOperator : uint8_t {
  voBetween,
  voNotBetween,
  voEqual,
  voNotEqual,
  voGreater,
  voLess,
  voGreateEqual,
  voLessEqual
};

struct TArea {
  int Row1 = 0, Row2 = 0, Col1 = 0, Col2 = 0;
};

class TDataValidation {
 public:
  explicit TDataValidation(TFormulaHost* host) : host_(host) {}
  std::vector<TArea> Areas;
  std::string InputTitle, InputMsg, ErrorTitle, ErrorMsg;
  TValidationType ValidationType = vtAny;
  TValidationStyle ValidationStyle = vsStop;
  TValidationOperator ValidationOperator = voBetween;
  std::string Tokens1, Tokens2;

  std::string Expression1() const;
  void SetExpression1(const std::string& text);
  std::string Expression2() const;
  void SetExpression2(const std::string& text);

 private:
  TFormulaHost* host_;
};

class TDataValidations {
 public:
  explicit TDataValidations(TFormulaHost* host) : host_(host) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TDataValidation& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TDataValidation& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TDataValidation& Add() {
    items_.push_back(std::make_unique<TDataValidation>(host_));
    return *items_.back();
  }
  void Clear() { items_.clear(); }

 private:
  TFormulaHost* host_;
  std::vector<std::unique_ptr<TDataValidation>> items_;
};

// The drawing anchor of an object: cells and offsets (row offsets in
// 1/256 of the row height, column offsets in 1/1024 of the column width).
struct TAnchorObject {
  int Row1 = 0, Col1 = 0, RowOffset1 = 0, ColOffset1 = 0;
  int Row2 = 0, Col2 = 0, RowOffset2 = 0, ColOffset2 = 0;
  bool Explicit = false;  // set explicitly rather than placed by the cell
};

class TNote {
 public:
  explicit TNote(int index);
  TAnchorObject Anchor;
  std::string Name;               // "Note <index>"
  std::vector<std::string> Text;  // lines; a new note holds "Note"
  int ObjId = -1;                 // object id; -1 until written
  bool Shown = true;
  bool Bound = true;  // bound to its cell (a note read from a drawing waits for its NOTE record)

  int CellCol() const { return col_; }
  int CellRow() const { return row_; }
  // Store the cell and, unless the anchor was set explicitly, place the
  // anchor: rows cell row - 1 (not below 0) to + 2, columns cell column
  // + 1 to + 3.
  void SetCellCol(int v);
  void SetCellRow(int v);
  uint32_t Key() const { return key_; }
  // The lines joined with CR LF.
  std::string JoinedText() const;

 private:
  void place();
  int col_ = 0, row_ = 0;
  uint32_t key_ = 0;
};

class TNotes {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TNote& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TNote& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TNote& Add() {
    items_.push_back(std::make_unique<TNote>(Count()));
    return *items_.back();
  }
  void Delete(int i) { items_.erase(items_.begin() + i); }
  void Clear() { items_.clear(); }
  // The note with this object id, or null.
  TNote* FindObjId(int id);

 private:
  std::vector<std::unique_ptr<TNote>> items_;
};

struct TKeptRecord {
  uint16_t RecId = 0;
  std::string Body;
};

// Raw BIFF records kept as read.
class TRecordStorage {
 public:
  std::vector<TKeptRecord> Records;
  // Reads and keeps records up to an EOF record (read, not kept), a header
  // that does not fit, or a record running past the end.
  void ReadUntilEOF(TXLSStream& stream);
  void WriteAll(TXLSStream& stream) const;
};

class TRecordStorageAnchor : public TRecordStorage {
 public:
  TAnchorObject Anchor;
};

}  // namespace qv
