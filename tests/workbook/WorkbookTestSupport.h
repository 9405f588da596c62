// Test support of the workbook tests: BIFF record streams and workbook
// files built and taken apart in memory, a workbook with en-US settings
// that keeps its messages, and the paths of fixtures and outputs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/CompoundFile.h"
#include "workbook/XLSRecordBuilder.h"
#include "workbook/XLSWorkbook.h"

namespace qv::test {

// Appends records: b.Rec(0x0203, TRecordBuilder().U16(0)...).
class TBiff {
 public:
  TBiff& Rec(uint16_t id, const TRecordBuilder& body = {}) {
    appendLE<uint16_t>(s_, id);
    appendLE<uint16_t>(s_, static_cast<uint16_t>(body.Size()));
    s_ += body.Str();
    return *this;
  }
  TBiff& Raw(std::string_view bytes) {
    s_ += bytes;
    return *this;
  }
  // BOF records: Excel 97 (16 bytes), Excel 5 (8 bytes), Excel 2.1-4.0.
  TBiff& Bof8(uint16_t type) {
    return Rec(0x0809, TRecordBuilder().U16(0x0600).U16(type).U16(6319).U16(1997).U32(0).U32(262));
  }
  TBiff& Bof5(uint16_t type) {
    return Rec(0x0809, TRecordBuilder().U16(0x0500).U16(type).U16(3515).U16(1998));
  }
  TBiff& Eof() { return Rec(0x000A); }
  // BOUNDSHEET of Excel 97 with a compressed name.
  TBiff& BoundSheet8(const std::string& latin1Name, uint16_t options = 0) {
    return Rec(0x0085, TRecordBuilder()
                           .U32(0)
                           .U16(options)
                           .U8(static_cast<unsigned>(latin1Name.size()))
                           .U8(0)
                           .Bytes(latin1Name));
  }
  TBiff& Number(int row, int col, double v, int xf = 15) {
    return Rec(0x0203, TRecordBuilder()
                           .U16(static_cast<unsigned>(row))
                           .U16(static_cast<unsigned>(col))
                           .U16(static_cast<unsigned>(xf))
                           .F64(v));
  }
  const std::string& Str() const { return s_; }

 private:
  std::string s_;
};

// A compound document holding the records as its "Workbook" (or "Book")
// stream.
inline std::string CompoundWorkbook(const std::string& records,
                                    const std::string& stream = "Workbook") {
  TCompoundItem root = TCompoundItem::Storage("Root Entry");
  root.Items.push_back(TCompoundItem::Stream(stream, records));
  return WriteCompoundFile(root);
}

}  // namespace qv::test

namespace qv::test {

struct TRecordEntry {
  uint16_t Id;
  int64_t Pos;  // of the header in the record stream
  std::string Body;
};

// The records of a record stream (stops at a record that does not fit).
inline std::vector<TRecordEntry> ParseRecords(std::string_view s) {
  std::vector<TRecordEntry> out;
  size_t p = 0;
  while (p + 4 <= s.size()) {
    uint16_t id = readLE<uint16_t>(s.data() + p);
    uint16_t len = readLE<uint16_t>(s.data() + p + 2);
    if (p + 4 + len > s.size()) break;
    out.push_back({id, static_cast<int64_t>(p), std::string(s.substr(p + 4, len))});
    p += 4 + len;
  }
  return out;
}

// The records of a written file: its workbook stream, or the plain file.
inline std::vector<TRecordEntry> FileRecords(const std::string& file,
                                             std::string* stream = nullptr) {
  std::string bytes = file;
  if (IsCompoundFile(file)) {
    TCompoundFile doc(file);
    int id = doc.Find(doc.Root(), "Workbook");
    if (id < 0) id = doc.Find(doc.Root(), "Book");
    bytes = doc.ReadStream(id);
  }
  if (stream) *stream = bytes;
  return ParseRecords(bytes);
}

inline int CountRecords(const std::vector<TRecordEntry>& r, uint16_t id) {
  int n = 0;
  for (const auto& e : r) n += e.Id == id;
  return n;
}

inline const TRecordEntry* FindRecord(const std::vector<TRecordEntry>& r, uint16_t id,
                                      int nth = 0) {
  for (const auto& e : r)
    if (e.Id == id && nth-- == 0) return &e;
  return nullptr;
}

}  // namespace qv::test

namespace qv::test {

// A workbook with en-US settings whose messages are kept.
struct TTestBook {
  TXLSWorkbook wb{LocaleSettings::EnUS()};
  std::vector<std::string> messages;
  TTestBook() {
    wb.OnMessage = [this](const std::string& m) { messages.push_back(m); };
  }
};

// A fixture of tests/workbook/data.
inline std::string DataFile(const std::string& name) {
  return std::string(QV_TEST_DATA_DIR) + "/" + name;
}

// A path under the test's build folder (the folder is made).
inline std::string OutFile(const std::string& folder, const std::string& name) {
  std::string dir = std::string(QV_BINARY_DIR) + "/" + folder;
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

// The bytes that f writes through a record stream.
inline std::string WrittenRecords(const std::function<void(TXLSStream&)>& f) {
  TXLSStream s;
  TMemoryStream out;
  s.TargetStream = &out;
  s.OpenWrite("", xvExcel40);
  f(s);
  s.Close();
  return std::string(out.View());
}

}  // namespace qv::test
