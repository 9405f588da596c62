#include "workbook/XLSStrings.h"

#include <iconv.h>

#include <cerrno>

#include "platform/core/Codepage.h"

namespace qv {

bool FitsLatin1(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<uint8_t>(utf8[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    if (Utf8Next(utf8, i) > 0xFF) return false;
  }
  return true;
}

std::string Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<uint8_t>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    char32_t cp = Utf8Next(utf8, i);
    out += cp <= 0xFF ? static_cast<char>(cp) : '?';
  }
  return out;
}

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    auto b = static_cast<uint8_t>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

std::string Utf16LEToUtf8(std::string_view bytes) {
  std::u16string w(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < w.size(); ++i) w[i] = readLE<uint16_t>(bytes.data() + 2 * i);
  return Utf16ToUtf8(w);
}

std::string Utf8ToUtf16LE(std::string_view utf8) {
  std::u16string w = Utf8ToUtf16(utf8);
  std::string out(w.size() * 2, '\0');
  for (size_t i = 0; i < w.size(); ++i) writeLE<uint16_t>(out.data() + 2 * i, w[i]);
  return out;
}

size_t Utf16Length(std::string_view utf8) {
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<uint8_t>(utf8[i]);
    if (b < 0x80) {
      ++i;
      ++n;
      continue;
    }
    n += Utf8Next(utf8, i) > 0xFFFF ? 2 : 1;
  }
  return n;
}

namespace {

bool isAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<uint8_t>(c) >= 0x80) return false;
  return true;
}

const char* iconvName(int codepage) {
  switch (codepage) {
    case 437:
    case 737:
    case 775:
    case 850:
    case 852:
    case 855:
    case 857:
    case 860:
    case 861:
    case 862:
    case 863:
    case 864:
    case 865:
    case 866:
    case 869:
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
      return nullptr;  // "CP<n>"
    case 10000:
    case 32768:
      return "MACINTOSH";
    case 65001:
      return "UTF-8";
    default:
      return "";  // read as 1252
  }
}

}  // namespace

std::string DecodeCodepage(int codepage, std::string_view bytes) {
  // Code page 1200 in an 8-bit file (as gnumeric writes Excel 5 files):
  // texts with a zero byte or a byte above 127 are UTF-16LE, plain ASCII
  // texts stay 8-bit.
  if (codepage == 1200) {
    bool wide = bytes.size() % 2 == 0 && !isAscii(bytes);
    for (char c : bytes) wide = wide || (c == '\0' && bytes.size() % 2 == 0);
    return wide ? Utf16LEToUtf8(bytes) : Cp1252ToUtf8(bytes);
  }
  if (isAscii(bytes)) return std::string(bytes);
  const char* name = iconvName(codepage);
  if (name && !*name) return Cp1252ToUtf8(bytes);
  std::string from = name ? std::string(name) : "CP" + std::to_string(codepage);
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return Cp1252ToUtf8(bytes);
  std::string out;
  std::string in(bytes);
  char* ip = in.data();
  size_t il = in.size();
  char buf[1024];
  while (il > 0) {
    char* op = buf;
    size_t ol = sizeof buf;
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    out.append(buf, static_cast<size_t>(op - buf));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or cut sequence: one replacement character, skip a byte.
      out += "\xEF\xBF\xBD";
      ++ip;
      --il;
    }
  }
  // Code pages 1255 and 1258 hold a character back in case a combining
  // mark follows; the flush gives it out.
  char* op = buf;
  size_t ol = sizeof buf;
  iconv(cd, nullptr, nullptr, &op, &ol);
  out.append(buf, static_cast<size_t>(op - buf));
  iconv_close(cd);
  return out;
}

std::string EncodeCp1252(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  return Utf8ToCp1252(utf8);
}

const std::vector<int>& WritableCodepages() {
  static const std::vector<int> pages = {1252, 1250, 1251, 1253, 1254, 1257, 1255, 1256, 1258, 874};
  return pages;
}

namespace {

// The byte of each character a single-byte code page holds above ASCII,
// built once per page from the decoder.
class TByteTable {
 public:
  explicit TByteTable(int codepage) {
    for (int b = 0x80; b <= 0xFF; ++b) {
      const std::string one(1, static_cast<char>(b));
      const std::string utf8 = codepage == 1252 ? Cp1252ToUtf8(one) : DecodeCodepage(codepage, one);
      size_t pos = 0;
      if (utf8.empty()) continue;
      const char32_t cp = Utf8Next(utf8, pos);
      if (cp == 0xFFFD || pos != utf8.size()) continue;  // a byte the page leaves undefined
      bytes_.emplace(cp, static_cast<uint8_t>(b));
    }
  }
  // The byte of cp, or -1.
  int Byte(char32_t cp) const {
    if (cp < 0x80) return static_cast<int>(cp);
    auto it = bytes_.find(cp);
    return it == bytes_.end() ? -1 : it->second;
  }

 private:
  std::unordered_map<char32_t, uint8_t> bytes_;
};

const TByteTable& tableOf(int codepage) {
  // One table per writable page, made on first use (thread-safe statics).
  static const std::vector<TByteTable> tables = [] {
    std::vector<TByteTable> t;
    for (int cp : WritableCodepages()) t.emplace_back(cp);
    return t;
  }();
  const std::vector<int>& pages = WritableCodepages();
  for (size_t i = 0; i < pages.size(); ++i)
    if (pages[i] == codepage) return tables[i];
  return tables[0];  // 1252
}

}  // namespace

std::string EncodeCodepage(int codepage, std::string_view utf8, size_t* replaced) {
  if (isAscii(utf8)) return std::string(utf8);
  const TByteTable& table = tableOf(codepage);
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const int b = table.Byte(Utf8Next(utf8, pos));
    if (b < 0) {
      out += '?';
      if (replaced) ++*replaced;
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

void TCodepageChooser::Add(std::string_view utf8) {
  if (isAscii(utf8)) return;
  size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t cp = Utf8Next(utf8, pos);
    if (cp >= 0x80) ++counts_[cp];
  }
}

TCodepageChooser::TChoice TCodepageChooser::Choose() const {
  TChoice c;
  for (int page : WritableCodepages()) {
    const TByteTable& table = tableOf(page);
    bool all = true;
    for (const auto& [cp, n] : counts_)
      if (table.Byte(cp) < 0) {
        all = false;
        break;
      }
    if (all) {
      c.Codepage = page;
      return c;
    }
  }
  const TByteTable& table = tableOf(1252);
  for (const auto& [cp, n] : counts_)
    if (table.Byte(cp) < 0) c.Replaced += n;
  return c;
}

std::string ReadBIFF8Chars(const TRecordView& r, size_t off, size_t count, size_t* consumed) {
  uint8_t opt = r.U8(off);
  size_t p = off + 1;
  uint16_t runs = 0;
  uint32_t ext = 0;
  if (opt & 0x08) {
    runs = r.U16(p);
    p += 2;
  }
  if (opt & 0x04) {
    ext = r.U32(p);
    p += 4;
  }
  std::string text;
  if (opt & 0x01) {
    text = Utf16LEToUtf8(r.Bytes(p, count * 2));
    p += count * 2;
  } else {
    text = Latin1ToUtf8(r.Bytes(p, count));
    p += count;
  }
  size_t tail = size_t(runs) * 4 + ext;
  r.Need(p, tail);
  p += tail;
  if (consumed) *consumed = p - off;
  return text;
}

std::string ReadBIFF8String(const TRecordView& r, size_t off, bool count16, size_t* consumed) {
  size_t count = count16 ? r.U16(off) : r.U8(off);
  size_t head = count16 ? 2 : 1;
  size_t used = 0;
  std::string s = ReadBIFF8Chars(r, off + head, count, &used);
  if (consumed) *consumed = head + used;
  return s;
}

size_t AppendBIFF8Chars(std::string& out, std::string_view utf8, bool wide, size_t maxChars) {
  if (!wide && FitsLatin1(utf8)) {
    std::string b = Utf8ToLatin1(utf8);
    if (b.size() > maxChars) b.resize(maxChars);
    out += '\0';
    out += b;
    return b.size();
  }
  std::string w = Utf8ToUtf16LE(utf8);
  if (w.size() / 2 > maxChars) w.resize(maxChars * 2);
  out += '\x01';
  out += w;
  return w.size() / 2;
}

void AppendBIFF8String(std::string& out, std::string_view utf8, bool count16, bool wide) {
  size_t countPos = out.size();
  out.append(count16 ? 2 : 1, '\0');
  size_t n = AppendBIFF8Chars(out, utf8, wide, count16 ? 0xFFFF : 0xFF);
  if (count16)
    writeLE<uint16_t>(out.data() + countPos, static_cast<uint16_t>(n));
  else
    out[countPos] = static_cast<char>(n);
}

}  // namespace qv
