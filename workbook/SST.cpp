#include "workbook/SST.h"

#include <algorithm>

#include "platform/core/Codepage.h"
#include "platform/core/SysUtils.h"
#include "workbook/XLSStream.h"
#include "workbook/XLSStrings.h"

namespace qv {

uint16_t TSST2::Hash(std::string_view bytes) {
  uint16_t h = 0;
  for (char c : bytes) {
    h = static_cast<uint16_t>((h << 5) | (h >> 11));
    h ^= static_cast<uint8_t>(c);
  }
  return h;
}

uint64_t TSST2::keyHash(uint8_t type, std::string_view chars) {
  uint64_t h = 0xcbf29ce484222325ull ^ (type & 1u);
  for (char c : chars) h = (h ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
  return h ^ (h >> 29);
}

int64_t TSST2::findEntry(uint8_t type, std::string_view chars, uint64_t hash) const {
  if (table_.empty()) return -1;
  const size_t mask = table_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    uint32_t e = table_[i];
    if (e == kEmpty) return -1;
    const TSlot& x = entries_[e];
    if ((x.Type & 1) == (type & 1) && this->chars(x) == chars) return e;
  }
}

void TSST2::insertIndex(uint32_t index, uint64_t hash) {
  if ((indexed_ + 1) * 2 > table_.size()) {
    rebuildIndex();
    if (index < indexed_) return;  // the rebuild took it in
  }
  const size_t mask = table_.size() - 1;
  size_t i = hash & mask;
  while (table_[i] != kEmpty) i = (i + 1) & mask;
  table_[i] = index;
  ++indexed_;
}

void TSST2::rebuildIndex() {
  size_t size = 1024;
  while (size < entries_.size() * 2 + 2) size *= 2;
  table_.assign(size, kEmpty);
  indexed_ = 0;
  const size_t mask = size - 1;
  for (uint32_t e = 0; e < entries_.size(); ++e) {
    const TSlot& x = entries_[e];
    // Earlier entries win: a later duplicate (read from a file) stays out.
    uint64_t h = keyHash(x.Type, chars(x));
    size_t i = h & mask;
    bool dup = false;
    for (; table_[i] != kEmpty; i = (i + 1) & mask) {
      const TSlot& y = entries_[table_[i]];
      if ((y.Type & 1) == (x.Type & 1) && chars(y) == chars(x)) {
        dup = true;
        break;
      }
    }
    if (!dup) table_[i] = e;
  }
  indexed_ = entries_.size();
}

uint32_t TSST2::add(uint8_t type, std::string_view text, uint16_t length) {
  ++TotalCount;
  uint64_t h = 0;
  if (!NoDuplicateSearch) {
    if (indexed_ != entries_.size()) rebuildIndex();
    h = keyHash(type, text);
    int64_t e = findEntry(type, text, h);
    if (e >= 0) {
      ++entries_[static_cast<size_t>(e)].UseCount;
      return static_cast<uint32_t>(e);
    }
  }
  TSlot e;
  e.At = pool_.size();
  e.CharBytes = static_cast<uint32_t>(text.size());
  e.Hash = Hash(text);
  e.UseCount = 1;
  e.Length = length;
  e.Type = type;
  pool_ += text;
  entries_.push_back(e);
  auto i = static_cast<uint32_t>(entries_.size() - 1);
  if (!NoDuplicateSearch) insertIndex(i, h);
  return i;
}

uint32_t TSST2::AddString(std::string_view utf8, bool wide) {
  if (!wide && FitsLatin1(utf8)) {
    std::string b = Utf8ToLatin1(utf8);
    if (b.size() > 0xFFFF) b.resize(0xFFFF);
    auto n = static_cast<uint16_t>(b.size());
    return add(0, b, n);
  }
  std::string w = Utf8ToUtf16LE(utf8);
  if (w.size() > 0x1FFFE) w.resize(0x1FFFE);
  auto n = static_cast<uint16_t>(w.size() / 2);
  return add(1, w, n);
}

uint32_t TSST2::AddWideString(std::u16string_view text) {
  size_t n = std::min<size_t>(text.size(), 0xFFFF);
  std::string w(n * 2, '\0');
  for (size_t i = 0; i < n; ++i) writeLE<uint16_t>(w.data() + 2 * i, text[i]);
  return add(1, w, static_cast<uint16_t>(n));
}

TSSTEntry TSST2::Entry(uint32_t index) const {
  if (index >= entries_.size())
    throw EXLSError(Format("SST index out of range (%d:%d)", index, entries_.size()));
  const TSlot& e = entries_[index];
  TSSTEntry x;
  x.Hash = e.Hash;
  x.UseCount = e.UseCount;
  x.Length = e.Length;
  x.Type = e.Type;
  std::string_view all(pool_);
  x.Chars = all.substr(e.At, e.CharBytes);
  x.Runs = all.substr(e.At + e.CharBytes, e.RunBytes);
  x.Ext = all.substr(e.At + e.CharBytes + e.RunBytes, e.ExtBytes);
  return x;
}

void TSST2::AddRef(uint32_t index) {
  if (index >= entries_.size())
    throw EXLSError(Format("SST index out of range (%d:%d)", index, entries_.size()));
  ++entries_[index].UseCount;
  ++TotalCount;
}

std::string TSST2::GetString(uint32_t index) const {
  if (index >= entries_.size()) return {};
  const TSlot& e = entries_[index];
  return (e.Type & 1) ? Utf16LEToUtf8(chars(e)) : Latin1ToUtf8(chars(e));
}

void TSST2::Clear() {
  entries_.clear();
  pool_.clear();
  table_.clear();
  indexed_ = 0;
  TotalCount = 0;
}

namespace {

// Reads the body of a record and the CONTINUE records after it as one
// sequence of parts, never past the end of the record sequence.
class TContinueReader {
 public:
  TContinueReader(TXLSStream& s, int remaining) : s_(s), remaining_(remaining) {}

  int Remaining() const { return remaining_; }
  // Moves to the next CONTINUE record; raises when there is none.
  void NextRecord() {
    TBIFFHeader h;
    if (!s_.ReadHeader(h) || h.RecId != biff::CONTINUE)
      throw EXLSError("CONTINUE record is missing in SST");
    remaining_ = h.Length;
    if (s_.Position() + remaining_ > s_.Size()) throw EXLSError("record too short");
  }
  // Appends n bytes to out, across CONTINUE records without flag bytes.
  void Append(std::string& out, size_t n) {
    while (n > 0) {
      if (remaining_ == 0) NextRecord();
      size_t k = std::min<size_t>(n, static_cast<size_t>(remaining_));
      out.append(reinterpret_cast<const char*>(s_.Data() + s_.Position()), k);
      s_.Seek(static_cast<int64_t>(k), 1);
      remaining_ -= static_cast<int>(k);
      n -= k;
    }
  }
  template <class T>
  T Get() {
    char b[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) {
      if (remaining_ == 0) NextRecord();
      b[i] = static_cast<char>(s_.Data()[s_.Position()]);
      s_.Seek(1, 1);
      --remaining_;
    }
    return readLE<T>(b);
  }
  // Skips what is left of the current record.
  void Finish() {
    s_.Seek(remaining_, 1);
    remaining_ = 0;
  }

 private:
  TXLSStream& s_;
  int remaining_;
};

}  // namespace

void TSST2::Read(TXLSStream& stream) {
  TBIFFHeader h;
  if (!stream.ReadHeader(h)) throw EXLSError("record too short");
  if (stream.Position() + h.Length > stream.Size()) throw EXLSError("record too short");
  TContinueReader r(stream, h.Length);
  TotalCount = r.Get<uint32_t>();
  uint32_t unique = r.Get<uint32_t>();
  // Every string takes at least three bytes of the records that follow.
  const size_t streamLeft = static_cast<size_t>(stream.Size() - stream.Position());
  entries_.reserve(entries_.size() + std::min<size_t>(unique, streamLeft / 3));
  pool_.reserve(pool_.size() + std::min<size_t>(size_t(unique) * 8, streamLeft));
  for (uint32_t n = 0; n < unique; ++n) {
    uint16_t length = r.Get<uint16_t>();
    uint8_t opt = r.Get<uint8_t>();
    if ((opt & 0x02) || opt > 13)
      throw EXLSError(Format("STT: Unhandled string type in Read (%.2X) # %d", opt, n + 1));
    uint16_t runs = (opt & 0x08) ? r.Get<uint16_t>() : 0;
    uint32_t ext = (opt & 0x04) ? r.Get<uint32_t>() : 0;
    TSlot e;
    e.At = pool_.size();
    e.Length = length;
    e.Type = opt;
    // Characters, part by part: each CONTINUE inside them starts with an
    // option byte of its own telling the width of its part; one UTF-16
    // part makes the whole string UTF-16.
    bool wide = opt & 0x01;
    bool partWide = wide;
    size_t left = length;
    while (left > 0) {
      if (r.Remaining() == 0) {
        r.NextRecord();
        partWide = r.Get<uint8_t>() & 0x01;
        if (partWide && !wide) {
          // Widen what was read so far.
          std::string narrow = pool_.substr(e.At);
          pool_.resize(e.At);
          for (char c : narrow) {
            pool_ += c;
            pool_ += '\0';
          }
          wide = true;
        }
      }
      auto avail = static_cast<size_t>(r.Remaining());
      size_t k;
      if (partWide) {
        k = std::min(left, avail / 2);
        if (k == 0) {
          r.Finish();  // a stray odd byte cannot hold a character
          continue;
        }
        r.Append(pool_, k * 2);
      } else {
        k = std::min(left, avail);
        if (wide) {
          std::string b;
          r.Append(b, k);
          for (char c : b) {
            pool_ += c;
            pool_ += '\0';
          }
        } else {
          r.Append(pool_, k);
        }
      }
      left -= k;
    }
    if (wide) e.Type |= 0x01;
    e.CharBytes = static_cast<uint32_t>(pool_.size() - e.At);
    e.Hash = Hash(std::string_view(pool_).substr(e.At, e.CharBytes));
    r.Append(pool_, size_t(runs) * 4);
    e.RunBytes = runs * 4u;
    r.Append(pool_, ext);
    e.ExtBytes = ext;
    e.UseCount = 0;
    entries_.push_back(e);
  }
  r.Finish();
}

void TSST2::Write(TXLSStream& s) const {
  const int64_t maxRec = std::max(MaxRecordSize, 32);
  int64_t headerPos = s.Position();
  s.WriteHeader(biff::SST, 0);
  int64_t used = 0;
  auto closeAndContinue = [&]() {
    s.PatchWord(headerPos + 2, static_cast<uint16_t>(used));
    headerPos = s.Position();
    s.WriteHeader(biff::CONTINUE, 0);
    used = 0;
  };
  auto put = [&](const void* p, int64_t n) {
    s.Write(p, n);
    used += n;
  };
  // Writes a block that may be split; an option byte starts each
  // CONTINUE when optByte >= 0. unit keeps UTF-16 characters whole.
  auto putSplit = [&](std::string_view bytes, int optByte, int64_t unit) {
    int64_t at = 0, total = static_cast<int64_t>(bytes.size());
    while (at < total) {
      int64_t room = maxRec - used;
      int64_t k = std::min(room, total - at);
      if (k < total - at) k -= k % unit;
      if (k > 0) put(bytes.data() + at, k);
      at += k;
      if (at < total) {
        closeAndContinue();
        if (optByte >= 0) {
          uint8_t b = static_cast<uint8_t>(optByte);
          put(&b, 1);
        }
      }
    }
  };
  uint32_t counts[2] = {TotalCount, static_cast<uint32_t>(entries_.size())};
  char cb[8];
  writeLE<uint32_t>(cb, counts[0]);
  writeLE<uint32_t>(cb + 4, counts[1]);
  put(cb, 8);
  for (size_t n = 1; n <= entries_.size(); ++n) {
    TSSTEntry e = Entry(static_cast<uint32_t>(n - 1));
    if (e.Type > 13 || (e.Type & 0x02))
      throw EXLSError(
          Format("STT: Unhandled string type in Write (%.2X) # %d", e.Type, static_cast<int>(n)));
    if (maxRec - used <= 15) closeAndContinue();
    char hb[9];
    int hn = 0;
    writeLE<uint16_t>(hb, e.Length);
    hb[2] = static_cast<char>(e.Type);
    hn = 3;
    if (e.Type & 0x08) {
      writeLE<uint16_t>(hb + hn, static_cast<uint16_t>(e.Runs.size() / 4));
      hn += 2;
    }
    if (e.Type & 0x04) {
      writeLE<uint32_t>(hb + hn, static_cast<uint32_t>(e.Ext.size()));
      hn += 4;
    }
    put(hb, hn);
    putSplit(e.Chars, (e.Type & 1) ? 1 : 0, (e.Type & 1) ? 2 : 1);
    putSplit(e.Runs, -1, 4);
    putSplit(e.Ext, -1, 1);
  }
  s.PatchWord(headerPos + 2, static_cast<uint16_t>(used));
  s.Seek(0, 2);
}

}  // namespace qv
