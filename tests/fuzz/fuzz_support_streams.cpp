// Fuzz target: loading a named stream collection from arbitrary bytes
// (plain, compressed, enciphered with the model key), and expanding
// arbitrary LZH code. Every input must either load or fail with
// ECorruptFile; nothing may read or write out of bounds.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "support/ModelFile.h"
#include "support/NamedStreamCol.h"

namespace {

std::string Collection(bool compressed, bool encrypted, int items) {
  qv::TNamedStreams ns;
  ns.Compressed = compressed;
  ns.Encrypted = encrypted;
  ns.Key = qv::ModelFileKey;
  for (int i = 0; i < items; ++i) {
    std::string data;
    for (int k = 0; k < 40 * i; ++k) data += static_cast<char>("Function y = b1*x;\r\n"[k % 20]);
    qv::TMemoryStream ms(data);
    ns.AddStream("item" + std::to_string(i), &ms);
  }
  qv::TMemoryStream out;
  ns.SaveToStream(out);
  return std::string(out.View());
}

}  // namespace

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  for (int mode = 0; mode < 4; ++mode) {
    for (int items : {0, 1, 3}) seeds->push_back(Collection(mode & 1, mode & 2, items));
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    qv::TNamedStreams ns;
    qv::SetupModelCollection(ns);
    qv::TMemoryStream in(bytes);
    try {
      ns.LoadFromStream(in);
      qv::TMemoryStream out;
      ns.GetStream("item0", out);
    } catch (const qv::ECorruptFile&) {
    }
  }
  // The payload of a compressed, plain collection taken as raw LZH code,
  // its declared length held to 1 MB so one input stays quick.
  if (size >= 6) {
    std::vector<uint8_t> code(data + 2, data + size);
    uint32_t length = qv::readLE<uint32_t>(code.data()) % (1u << 20);
    qv::writeLE<uint32_t>(code.data(), length);
    try {
      std::vector<uint8_t> out = qv::LzhExpandBytes(code);
      if (out.size() != length) __builtin_trap();
    } catch (const qv::ECorruptFile&) {
    }
  }
  return 0;
}
