// Builds a record body in memory: little-endian values appended in order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/Classes.h"
#include "workbook/XLSStream.h"

namespace qv {

class TRecordBuilder {
 public:
  TRecordBuilder& U8(unsigned v) {
    b_ += static_cast<char>(v & 0xFF);
    return *this;
  }
  TRecordBuilder& U16(unsigned v) {
    appendLE<uint16_t>(b_, static_cast<uint16_t>(v));
    return *this;
  }
  TRecordBuilder& U32(uint32_t v) {
    appendLE<uint32_t>(b_, v);
    return *this;
  }
  TRecordBuilder& I32(int32_t v) {
    appendLE<int32_t>(b_, v);
    return *this;
  }
  TRecordBuilder& F64(double v) {
    appendLE<double>(b_, v);
    return *this;
  }
  TRecordBuilder& Bytes(std::string_view s) {
    b_ += s;
    return *this;
  }
  TRecordBuilder& Zeros(size_t n) {
    b_.append(n, '\0');
    return *this;
  }
  size_t Size() const { return b_.size(); }
  std::string& Str() { return b_; }
  const std::string& Str() const { return b_; }
  // Writes the body as one record.
  void WriteTo(TXLSStream& s, uint16_t recId) const { s.WriteRecord(recId, b_); }

 private:
  std::string b_;
};

}  // namespace qv
