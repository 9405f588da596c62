// TXLSStream: the one channel through which the workbook reader and writer
// see a workbook file, and the bounds-checked view of a record body.
//
// A BIFF record is a 16-bit id, a 16-bit body length (little-endian) and
// the body. Excel 2.1, 3.0 and 4.0 files are a plain sequence of records;
// Excel 5 and 97 keep them in the "Book" or "Workbook" stream of a
// compound document.
//
// Reading loads the whole record sequence into memory (the workbook stream
// of a compound document, or the plain file) and serves it through Read,
// ReadHeader and Seek; the version comes from the first BOF record. Writing
// collects the records in memory; Close wraps them in a compound document
// for Excel 5 and 97 and saves the file atomically (or hands the bytes to
// TargetStream), so a write that fails leaves the old file as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/CompoundFile.h"
#include "platform/core/SysUtils.h"
#include "workbook/XLSRecords.h"

namespace qv {

// Versions in the order they compare: xvExcel40 < xvExcel50 < xvExcel97.
enum TExcelVersion : uint8_t {
  xvNone,
  xvExcelUnknown,
  xvExcel21,
  xvExcel30,
  xvExcel40,
  xvExcel50,
  xvExcel97
};

// Every failure of the workbook library carries its message in one of
// these (or in the platform's stream exceptions).
QV_DECLARE_EXCEPTION(EXLSError, Exception)

// Largest record body: 8224 bytes in Excel 97 files, 2080 before.
constexpr int MaxRecordBody(TExcelVersion v) { return v >= xvExcel97 ? 8224 : 2080; }
// Rows a sheet of the version holds: 65,536 in Excel 97, 16,384 before.
constexpr int MaxRows(TExcelVersion v) { return v >= xvExcel97 ? 65536 : 16384; }
// "Excel 97", "Excel 5", "Excel 4.0", ... as messages name the versions.
constexpr const char* VersionName(TExcelVersion v) {
  switch (v) {
    case xvExcel21:
      return "Excel 2.1";
    case xvExcel30:
      return "Excel 3.0";
    case xvExcel40:
      return "Excel 4.0";
    case xvExcel50:
      return "Excel 5";
    case xvExcel97:
      return "Excel 97";
    default:
      return "Excel";
  }
}

// A read-only view of a record body. Every access is checked against the
// body's length; a read past the end raises EXLSError "record too short".
class TRecordView {
 public:
  TRecordView() = default;
  TRecordView(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit TRecordView(std::string_view bytes)
      : data_(reinterpret_cast<const uint8_t*>(bytes.data())), size_(bytes.size()) {}

  size_t Size() const { return size_; }
  const uint8_t* Data() const { return data_; }
  // Raises unless n bytes lie at offset off.
  void Need(size_t off, size_t n) const {
    if (off > size_ || n > size_ - off) TooShort();
  }
  bool Has(size_t off, size_t n) const { return off <= size_ && n <= size_ - off; }
  uint8_t U8(size_t off) const {
    Need(off, 1);
    return data_[off];
  }
  uint16_t U16(size_t off) const {
    Need(off, 2);
    return readLE<uint16_t>(data_ + off);
  }
  int16_t I16(size_t off) const { return static_cast<int16_t>(U16(off)); }
  uint32_t U32(size_t off) const {
    Need(off, 4);
    return readLE<uint32_t>(data_ + off);
  }
  int32_t I32(size_t off) const { return static_cast<int32_t>(U32(off)); }
  double F64(size_t off) const {
    Need(off, 8);
    return readLE<double>(data_ + off);
  }
  std::string_view Bytes(size_t off, size_t n) const {
    Need(off, n);
    return {reinterpret_cast<const char*>(data_ + off), n};
  }
  // The bytes from off to the end (empty when off is at or past the end).
  std::string_view Rest(size_t off) const {
    if (off >= size_) return {};
    return {reinterpret_cast<const char*>(data_ + off), size_ - off};
  }
  TRecordView Sub(size_t off, size_t n) const {
    Need(off, n);
    return {data_ + off, n};
  }
  [[noreturn]] static void TooShort();

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

struct TBIFFHeader {
  uint16_t RecId = 0;
  uint16_t Length = 0;
};

// The sub-storages of a compound document kept for writing back unchanged
// (macro and project storages), in directory order.
class TExtraObjects {
 public:
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  const TCompoundItem& Item(int i) const { return items_.at(static_cast<size_t>(i)); }
  void Add(TCompoundItem s) { items_.push_back(std::move(s)); }
  const std::vector<TCompoundItem>& Items() const { return items_; }

 private:
  std::vector<TCompoundItem> items_;
};

class TXLSStream {
 public:
  TXLSStream() = default;
  TXLSStream(const TXLSStream&) = delete;
  TXLSStream& operator=(const TXLSStream&) = delete;

  // Keep the sub-storages of a compound document when reading (into
  // ExtraObjects, when set).
  bool PreserveMacros = true;
  TExtraObjects* ExtraObjects = nullptr;
  // When set, Close hands the written bytes to this stream instead of
  // saving a file.
  TStream* TargetStream = nullptr;

  // Reads FileName into memory. A compound document must hold a "Workbook"
  // (preferred) or "Book" stream, else EXLSError "File is not a Excel
  // Workbook". The version is that of the first record's BOF; a first
  // record that is no BOF gives xvNone (the reader then reports it).
  // Raises EFOpenError for a file that cannot be read.
  TExcelVersion OpenRead(const std::string& fileName);
  // The same for the bytes of a whole file.
  TExcelVersion OpenReadBytes(std::string fileBytes);

  // Starts writing a file of the given version; nothing reaches the disk
  // before Close.
  void OpenWrite(const std::string& fileName, TExcelVersion version);
  // Writing: wraps the records (compound document for Excel 5 and 97),
  // then saves atomically or writes to TargetStream. Reading: forgets the
  // data. Raises EFCreateError/EWriteError when the file cannot be saved.
  void Close();
  // Drops what was written without saving.
  void Abandon();

  TExcelVersion Version() const { return version_; }

  // ---- reading ----
  int64_t Read(void* buffer, int64_t count);
  // False when fewer than 4 bytes remain.
  bool ReadHeader(TBIFFHeader& header);
  int64_t Seek(int64_t offset, int origin);
  int64_t Position() const { return pos_; }
  int64_t Size() const { return static_cast<int64_t>(data_.size()); }
  // The record bytes (reading: the whole record sequence).
  const uint8_t* Data() const { return reinterpret_cast<const uint8_t*>(data_.data()); }

  // ---- writing ----
  void WriteHeader(uint16_t recId, uint16_t length);
  void WriteRecord(uint16_t recId, const void* buffer, size_t length);
  void WriteRecord(uint16_t recId, std::string_view body) {
    WriteRecord(recId, body.data(), body.size());
  }
  void WriteWordRecord(uint16_t recId, uint16_t value);
  int64_t Write(const void* buffer, int64_t count);
  void Write(std::string_view bytes) { Write(bytes.data(), static_cast<int64_t>(bytes.size())); }
  // A body write that takes part in CONTINUE splitting.
  void WriteData(const void* buffer, int64_t count);
  void WriteData(std::string_view bytes) {
    WriteData(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  // Brackets a record whose body may pass maxBody bytes: call, then write
  // the header with length 0, then the body with WriteData, then End.
  void BeginContinueRecord(int maxBody);
  void EndContinueRecord();
  void WriteWord(uint16_t value);
  // Patches a 16- or 32-bit value at an absolute position.
  void PatchWord(int64_t pos, uint16_t value);
  void PatchLong(int64_t pos, uint32_t value);
  // The bytes written so far.
  const std::string& Written() const { return data_; }
  // Room for this many bytes of records, to save regrowing.
  void Reserve(size_t bytes) { data_.reserve(bytes); }

 private:
  void openBytes(std::string fileBytes);

  std::string fileName_;
  std::string data_;
  int64_t pos_ = 0;
  TExcelVersion version_ = xvNone;
  bool writing_ = false;
  // CONTINUE splitting.
  int64_t contCount_ = 0;
  int64_t contHeaderPos_ = -1;
  int64_t contMax_ = -1;
};

// The version a BOF record stands for: its id and, for 0x0809, the
// version word of its body (0x0500 Excel 5, 0x0600 Excel 97). xvNone for
// anything else.
TExcelVersion VersionFromBOF(uint16_t recId, TRecordView body);

}  // namespace qv
