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

void TSST2::index(uint32_t i) {
  const TSSTEntry& e = entries_[i];
  std::string key;
  key.reserve(e.Chars.size() + 1);
  key += static_cast<char>(e.Type & 1);
  key += e.Chars;
  lookup_.emplace(std::move(key), i);
}

uint32_t TSST2::add(uint8_t type, std::string chars, uint16_t length) {
  ++TotalCount;
  if (!NoDuplicateSearch) {
    std::string key;
    key.reserve(chars.size() + 1);
    key += static_cast<char>(type & 1);
    key += chars;
    auto it = lookup_.find(key);
    if (it != lookup_.end()) {
      ++entries_[it->second].UseCount;
      return it->second;
    }
  }
  TSSTEntry e;
  e.Hash = Hash(chars);
  e.UseCount = 1;
  e.Length = length;
  e.Type = type;
  e.Chars = std::move(chars);
  entries_.push_back(std::move(e));
  auto i = static_cast<uint32_t>(entries_.size() - 1);
  if (!NoDuplicateSearch) index(i);
  return i;
}

uint32_t TSST2::AddString(std::string_view utf8, bool wide) {
  if (!wide && FitsLatin1(utf8)) {
    std::string b = Utf8ToLatin1(utf8);
    if (b.size() > 0xFFFF) b.resize(0xFFFF);
    auto n = static_cast<uint16_t>(b.size());
    return add(0, std::move(b), n);
  }
  std::string w = Utf8ToUtf16LE(utf8);
  if (w.size() > 0x1FFFE) w.resize(0x1FFFE);
  auto n = static_cast<uint16_t>(w.size() / 2);
  return add(1, std::move(w), n);
}

uint32_t TSST2::AddWideString(std::u16string_view text) {
  size_t n = std::min<size_t>(text.size(), 0xFFFF);
  std::string w(n * 2, '\0');
  for (size_t i = 0; i < n; ++i) writeLE<uint16_t>(w.data() + 2 * i, text[i]);
  return add(1, std::move(w), static_cast<uint16_t>(n));
}

const TSSTEntry& TSST2::Entry(uint32_t index) const {
  if (index >= entries_.size())
    throw EXLSError(Format("SST index out of range (%d:%d)", index, entries_.size()));
  return entries_[index];
}

void TSST2::AddRef(uint32_t index) {
  if (index >= entries_.size())
    throw EXLSError(Format("SST index out of range (%d:%d)", index, entries_.size()));
  ++entries_[index].UseCount;
  ++TotalCount;
}

std::string TSST2::GetString(uint32_t index) const {
  if (index >= entries_.size()) return {};
  const TSSTEntry& e = entries_[index];
  return (e.Type & 1) ? Utf16LEToUtf8(e.Chars) : Latin1ToUtf8(e.Chars);
}

void TSST2::Clear() {
  entries_.clear();
  lookup_.clear();
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
  void Read(void* dst, size_t n) {
    auto* d = static_cast<char*>(dst);
    while (n > 0) {
      if (remaining_ == 0) NextRecord();
      size_t k = std::min<size_t>(n, static_cast<size_t>(remaining_));
      if (static_cast<int64_t>(k) != s_.Read(d, static_cast<int64_t>(k)))
        throw EXLSError("record too short");
      d += k;
      n -= k;
      remaining_ -= static_cast<int>(k);
    }
  }
  std::string ReadBytes(size_t n) {
    std::string out;
    while (n > 0) {
      if (remaining_ == 0) NextRecord();
      size_t k = std::min<size_t>(n, static_cast<size_t>(remaining_));
      size_t at = out.size();
      out.resize(at + k);
      Read(out.data() + at, k);
      n -= k;
    }
    return out;
  }
  template <class T>
  T Get() {
    char b[sizeof(T)];
    Read(b, sizeof(T));
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
  for (uint32_t n = 0; n < unique; ++n) {
    if (r.Remaining() == 0) r.NextRecord();
    uint16_t length = r.Get<uint16_t>();
    uint8_t opt = r.Get<uint8_t>();
    if ((opt & 0x02) || opt > 13)
      throw EXLSError(Format("STT: Unhandled string type in Read (%.2X) # %d", opt, n + 1));
    uint16_t runs = (opt & 0x08) ? r.Get<uint16_t>() : 0;
    uint32_t ext = (opt & 0x04) ? r.Get<uint32_t>() : 0;
    TSSTEntry e;
    e.Length = length;
    e.Type = opt;
    // Characters, part by part: each CONTINUE inside them starts with an
    // option byte of its own telling the width of its part; one UTF-16
    // part makes the whole string UTF-16.
    bool wide = opt & 0x01;
    bool partWide = wide;
    std::u16string chars;
    std::string narrow;
    size_t left = length;
    while (left > 0) {
      if (r.Remaining() == 0) {
        r.NextRecord();
        partWide = r.Get<uint8_t>() & 0x01;
        if (partWide && !wide) {
          for (char c : narrow) chars += static_cast<char16_t>(static_cast<uint8_t>(c));
          narrow.clear();
          wide = true;
        }
      }
      auto avail = static_cast<size_t>(r.Remaining());
      size_t k;
      if (partWide) {
        k = std::min(left, avail / 2);
        if (k == 0) {
          // A stray odd byte cannot hold a character.
          r.Finish();
          continue;
        }
        std::string b = r.ReadBytes(k * 2);
        for (size_t i = 0; i < k; ++i) chars += static_cast<char16_t>(readLE<uint16_t>(&b[2 * i]));
      } else {
        k = std::min(left, avail);
        std::string b = r.ReadBytes(k);
        if (wide) {
          for (char c : b) chars += static_cast<char16_t>(static_cast<uint8_t>(c));
        } else {
          narrow += b;
        }
      }
      left -= k;
    }
    if (wide) {
      e.Type |= 0x01;
      e.Chars.resize(chars.size() * 2);
      for (size_t i = 0; i < chars.size(); ++i) writeLE<uint16_t>(&e.Chars[2 * i], chars[i]);
    } else {
      e.Chars = std::move(narrow);
    }
    e.Runs = r.ReadBytes(size_t(runs) * 4);
    e.Ext = r.ReadBytes(ext);
    e.Hash = Hash(e.Chars);
    e.UseCount = 0;
    entries_.push_back(std::move(e));
    if (!NoDuplicateSearch) index(static_cast<uint32_t>(entries_.size() - 1));
  }
  r.Finish();
}

void TSST2::Write(TXLSStream& s) const {
  const int64_t maxRec = std::max(MaxRecordSize, 32);
  int64_t headerPos = s.Position();
  s.WriteHeader(0x00FC, 0);
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
  auto putSplit = [&](const std::string& bytes, int optByte, int64_t unit) {
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
  int n = 0;
  for (const TSSTEntry& e : entries_) {
    ++n;
    if (e.Type > 13 || (e.Type & 0x02))
      throw EXLSError(Format("STT: Unhandled string type in Write (%.2X) # %d", e.Type, n));
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
