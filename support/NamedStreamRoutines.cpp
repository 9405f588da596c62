// Stream forms of the LZH coder and of the Blowfish stream enciphering.
#include "support/NamedStreamRoutines.h"

#include <algorithm>

#include "platform/core/Classes.h"

namespace qv {

namespace {
std::vector<uint8_t> RemainingBytes(TStream& s) {
  const int64_t n = std::max<int64_t>(0, s.Size() - s.Position());
  std::vector<uint8_t> v(static_cast<size_t>(n));
  if (n > 0) s.ReadBuffer(v.data(), n);
  return v;
}

void ReplaceContent(TMemoryStream& stream, const std::vector<uint8_t>& bytes) {
  stream.Clear();
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(0);
}
std::vector<uint8_t> WholeContent(TMemoryStream& stream) {
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}
}  // namespace

void EncryptStream(TMemoryStream& Stream, const std::string& Key) {
  std::vector<uint8_t> data = WholeContent(Stream);
  EncryptBytes(data, Key);
  ReplaceContent(Stream, data);
}

void DecryptStream(TMemoryStream& Stream, const std::string& Key) {
  std::vector<uint8_t> data = WholeContent(Stream);
  DecryptBytes(data, Key);
  ReplaceContent(Stream, data);
}

void LzhCompress(TStream& Input, TStream& Output) {
  const std::vector<uint8_t> in = RemainingBytes(Input);
  const std::vector<uint8_t> out = LzhCompressBytes(in);
  Output.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

void LzhExpand(TStream& Input, TStream& Output) {
  const std::vector<uint8_t> in = RemainingBytes(Input);
  const std::vector<uint8_t> out = LzhExpandBytes(in);
  if (!out.empty()) Output.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

}  // namespace qv
