// TSST2: the workbook's shared string table (the SST record of Excel 97
// files). String cells hold an index into it. Strings are added with
// de-duplication and use counts, read from the SST record with all its
// CONTINUE parts, and written back split into CONTINUE records.
//
// An entry keeps its characters in BIFF8 form: one byte per character
// (code points 0-255) when type bit 0 is clear, UTF-16LE when it is set;
// rich-text runs (type bit 3) and extended data (bit 2) are kept as read,
// so that they are written back unchanged. Text goes in and out as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class TXLSStream;

// One entry as the table hands it out: the views point into the table's
// storage and stay valid until the next add or read.
struct TSSTEntry {
  uint16_t Hash = 0;
  uint32_t UseCount = 0;
  uint16_t Length = 0;     // characters (UTF-16 code units for wide entries)
  uint8_t Type = 0;        // option bits 0 (UTF-16), 2 (extended), 3 (rich)
  std::string_view Chars;  // Length or 2 * Length bytes
  std::string_view Runs;   // 4 bytes per run
  std::string_view Ext;    // extended (phonetic) data
};

class TSST2 {
 public:
  TSST2() = default;
  TSST2(const TSST2&) = delete;
  TSST2& operator=(const TSST2&) = delete;

  // Number of string references in the workbook: every add counts one;
  // reading sets it from the file.
  uint32_t TotalCount = 0;
  // Largest record body for writing: 8224 for Excel 97, 2080 before.
  int MaxRecordSize = 8224;
  // Turns the duplicate search off.
  bool NoDuplicateSearch = false;

  // Adds a UTF-8 text and returns its index: stored with one byte per
  // character when every code point is below 256 (and wide is false),
  // else as UTF-16. Texts longer than 65535 UTF-16 units are cut.
  uint32_t AddString(std::string_view utf8, bool wide = false);
  // Adds UTF-16 text, stored as UTF-16.
  uint32_t AddWideString(std::u16string_view text);
  // One more reference to an existing entry (a shared-string cell);
  // raises "SST index out of range (%d:%d)" for a bad index.
  void AddRef(uint32_t index);

  // The text as UTF-8; an index outside the table gives "".
  std::string GetString(uint32_t index) const;
  int Count() const { return static_cast<int>(entries_.size()); }
  // Bytes of characters, runs and extended data held.
  size_t PoolSize() const { return pool_.size(); }
  // Raises "SST index out of range (%d:%d)" for a bad index.
  TSSTEntry Entry(uint32_t index) const;
  void Clear();

  // The hash of a character block: rotate the 16-bit value left by 5,
  // then XOR the byte into its low 8 bits, for each byte.
  static uint16_t Hash(std::string_view bytes);

  // Reads the SST record at the stream's position (its header first) with
  // the CONTINUE records that follow. Raises EXLSError on bad data; the
  // entries read so far stay.
  void Read(TXLSStream& stream);
  // Writes the SST record and its CONTINUE records.
  void Write(TXLSStream& stream) const;

 private:
  // An entry's place in the pool: characters, then runs, then extended
  // data, one after the other.
  struct TSlot {
    uint64_t At = 0;
    uint32_t CharBytes = 0;
    uint32_t RunBytes = 0;
    uint32_t ExtBytes = 0;
    uint32_t UseCount = 0;
    uint16_t Length = 0;
    uint16_t Hash = 0;
    uint8_t Type = 0;
  };
  std::string_view chars(const TSlot& e) const {
    return std::string_view(pool_).substr(e.At, e.CharBytes);
  }
  uint32_t add(uint8_t type, std::string_view chars, uint16_t length);
  // The duplicate search: an open-addressing table of entry indices keyed
  // by the width bit and the characters; built on the first add after a
  // read, kept up to date after that.
  static uint64_t keyHash(uint8_t type, std::string_view chars);
  int64_t findEntry(uint8_t type, std::string_view chars, uint64_t hash) const;
  void insertIndex(uint32_t index, uint64_t hash);
  void rebuildIndex();

  std::vector<TSlot> entries_;
  std::string pool_;
  std::vector<uint32_t> table_;  // entry indices, kEmpty for free slots
  size_t indexed_ = 0;           // entries [0, indexed_) are in the table
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
};

}  // namespace qv
