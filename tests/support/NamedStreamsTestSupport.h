// Shared by the named-stream tests: the collection's signature and the
// little-endian forms of its counts and lengths, for building stored bytes
// by hand.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core/Classes.h"

namespace qv::streamtest {

inline const std::string kSignature("\x01\x02\x03\x04\x05\x06\x07\x08", 8);

inline std::string Le32(int32_t v) {
  std::string s;
  appendLE<int32_t>(s, v);
  return s;
}

inline std::string Le16(uint16_t v) {
  std::string s;
  appendLE<uint16_t>(s, v);
  return s;
}

}  // namespace qv::streamtest
