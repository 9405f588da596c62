#include "support/NamedStreamCol.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "platform/core/Classes.h"

namespace qv {
namespace {

constexpr char kCompressedFlag = '&';
constexpr char kEncipheredFlag = '*';
constexpr char kBlankFlag = ' ';
constexpr unsigned char kSignature[8] = {1, 2, 3, 4, 5, 6, 7, 8};
constexpr size_t kMaxName = 0xFFFF;
constexpr int64_t kMaxData = std::numeric_limits<int32_t>::max();

// Case-insensitive order with a fixed ASCII fold: 'a'..'z' compare as
// 'A'..'Z', every other byte as itself.
int CompareNames(std::string_view a, std::string_view b) { return CompareText(a, b); }

bool HasSignature(std::string_view body) {
  return body.size() >= sizeof kSignature &&
         std::memcmp(body.data(), kSignature, sizeof kSignature) == 0;
}

// Reads the body with every length checked against what remains.
class BodyReader {
 public:
  explicit BodyReader(std::string_view body) : body_(body) {}
  size_t Remaining() const { return body_.size() - pos_; }
  bool Take(size_t n, std::string_view& out) {
    if (n > Remaining()) return false;
    out = body_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  template <class T>
  bool Read(T& v) {
    std::string_view b;
    if (!Take(sizeof(T), b)) return false;
    v = readLE<T>(b.data());
    return true;
  }

 private:
  std::string_view body_;
  size_t pos_ = 0;
};

}  // namespace

TNamedStreams::TNamedStreams() = default;
TNamedStreams::~TNamedStreams() = default;

void TNamedStreams::Put(Items& items, const std::string& name, std::string data) {
  auto it = std::lower_bound(
      items.begin(), items.end(), name,
      [](const Item& item, const std::string& n) { return CompareNames(item.name, n) < 0; });
  if (it != items.end() && CompareNames(it->name, name) == 0) {
    it->data = std::move(data);
  } else {
    items.insert(it, Item{name, std::move(data)});
  }
}

const TNamedStreams::Item* TNamedStreams::Find(const std::string& name) const {
  auto it = std::lower_bound(
      items_.begin(), items_.end(), name,
      [](const Item& item, const std::string& n) { return CompareNames(item.name, n) < 0; });
  return it != items_.end() && CompareNames(it->name, name) == 0 ? &*it : nullptr;
}

void TNamedStreams::AddStream(const std::string& Name, TStream* Stream) {
  if (Name.empty() || Stream == nullptr) return;
  if (Name.size() > kMaxName) throw EInvalidOperation("Stream name is longer than 65535 bytes");
  const int64_t size = Stream->Size();
  if (size > kMaxData) throw EInvalidOperation("Stream is larger than 2147483647 bytes");
  Stream->SetPosition(0);
  std::string data = Stream->ReadBytes(size);
  Put(items_, Name, std::move(data));
}

void TNamedStreams::GetStream(const std::string& Name, TStream& Dest) const {
  if (Name.empty()) return;
  if (const Item* item = Find(Name)) Dest.WriteString(item->data);
  Dest.SetPosition(0);
}

void TNamedStreams::Clear() { items_.clear(); }

std::string TNamedStreams::SaveToBytes() const {
  std::string body(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
  appendLE<int32_t>(body, static_cast<int32_t>(items_.size()));
  for (const Item& item : items_) {
    appendLE<uint16_t>(body, static_cast<uint16_t>(item.name.size()));
    body += item.name;
    appendLE<int32_t>(body, static_cast<int32_t>(item.data.size()));
    body += item.data;
  }
  const bool encipher = Encrypted && !Key.empty();
  std::string out;
  out.push_back(Compressed ? kCompressedFlag : kBlankFlag);
  out.push_back(encipher ? kEncipheredFlag : kBlankFlag);
  std::vector<uint8_t> payload;
  if (Compressed) {
    payload = LzhCompressBytes({reinterpret_cast<const uint8_t*>(body.data()), body.size()});
  } else {
    payload.assign(body.begin(), body.end());
  }
  if (encipher) EncryptBytes(payload, Key);
  out.append(payload.begin(), payload.end());
  return out;
}

void TNamedStreams::SaveToStream(TStream& Dest) const { Dest.WriteString(SaveToBytes()); }

void TNamedStreams::SaveToFile(const std::string& FileName) const {
  writeFileAtomic(FileName, SaveToBytes());
}

void TNamedStreams::Corrupt() {
  if (OnCorrupt) OnCorrupt(*this);
  throw ECorruptFile(SFileCorrupt);
}

void TNamedStreams::LoadFromBytes(std::string_view bytes) {
  std::string workingKey = Key;
  if (bytes.size() < 2) Corrupt();
  const bool compressed = bytes[0] == kCompressedFlag;
  const bool enciphered = bytes[1] == kEncipheredFlag;
  if (enciphered && OnAskForKey) OnAskForKey(*this, workingKey);

  Items loaded;
  bool ok = false;
  try {
    std::vector<uint8_t> payload(bytes.begin() + 2, bytes.end());
    if (enciphered) DecryptBytes(payload, workingKey);
    std::string_view view(reinterpret_cast<const char*>(payload.data()), payload.size());
    std::vector<uint8_t> expanded;
    if (compressed) {
      expanded = LzhExpandBytes(payload);
      view = std::string_view(reinterpret_cast<const char*>(expanded.data()), expanded.size());
    }
    if (!HasSignature(view)) throw ECorruptFile(SFileCorrupt);
    BodyReader in(view.substr(sizeof kSignature));
    int32_t count = 0;
    // Each item takes at least 6 bytes (name length and size).
    if (!in.Read(count) || count < 0 || static_cast<size_t>(count) > in.Remaining() / 6)
      throw ECorruptFile(SFileCorrupt);
    for (int32_t i = 0; i < count; ++i) {
      uint16_t nameLength = 0;
      int32_t size = 0;
      std::string_view name, data;
      if (!in.Read(nameLength) || !in.Take(nameLength, name) || !in.Read(size) || size < 0 ||
          !in.Take(static_cast<size_t>(size), data))
        throw ECorruptFile(SFileCorrupt);
      if (!name.empty()) Put(loaded, std::string(name), std::string(data));
    }
    ok = true;
  } catch (const Exception&) {
  } catch (const std::bad_alloc&) {
  }
  if (!ok) Corrupt();

  items_.swap(loaded);
  Key = workingKey;
  Compressed = compressed;
  Encrypted = enciphered;
}

void TNamedStreams::LoadFromStream(TStream& Source) {
  Source.SetPosition(0);
  const int64_t size = Source.Size();
  const std::string bytes = Source.ReadBytes(size);
  LoadFromBytes(bytes);
}

void TNamedStreams::LoadFromFile(const std::string& FileName) {
  LoadFromBytes(readFileBytes(FileName));
}

bool TNamedStreams::HasCollectionHeader(std::string_view Bytes) {
  if (Bytes.size() < 2) return false;
  const char c = Bytes[0], e = Bytes[1];
  if ((c != kCompressedFlag && c != kBlankFlag) || (e != kEncipheredFlag && e != kBlankFlag))
    return false;
  if (c == kCompressedFlag || e == kEncipheredFlag) return true;
  return HasSignature(Bytes.substr(2));
}

}  // namespace qv
