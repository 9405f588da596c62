#include "platform/core/SysUtils.h"

#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/core/Codepage.h"
#include "platform/core/UserLocale.h"

namespace qv {

void Abort() { throw EAbort("Operation aborted"); }

std::string SysErrorMessage(int errorCode) {
  char buf[256];
  // GNU strerror_r returns the message pointer (maybe not buf).
  const char* msg = strerror_r(errorCode, buf, sizeof buf);
  return msg ? std::string(msg) : std::string("Unknown error");
}

void RaiseLastOSError(std::string_view context) {
  const int err = errno;
  std::string msg = SysErrorMessage(err);
  if (!context.empty()) msg = std::string(context) + ": " + msg;
  throw EOSError(msg, err);
}

// ---------------------------------------------------------------------------
// Format settings

TFormatSettings TFormatSettings::Invariant() { return TFormatSettings(); }

namespace {

// Converts a strftime picture ("%d/%m/%Y", "%H:%M:%S") into the
// FormatDateTime picture ("dd/mm/yyyy", "hh:nn:ss"); unknown conversions
// make the whole picture unusable (returns "").
std::string strftimeToPicture(std::string_view f) {
  std::string out;
  for (size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (c != '%') {
      if (IsAsciiLetter(c)) {
        out += '"';
        out += c;
        out += '"';
      } else {
        out += c;
      }
      continue;
    }
    if (++i >= f.size()) return {};
    c = f[i];
    if (c == 'E' || c == 'O' || c == '-' || c == '_' || c == '0') {  // modifiers
      if (++i >= f.size()) return {};
      c = f[i];
    }
    switch (c) {
      case 'd':
        out += "dd";
        break;
      case 'e':
        out += "d";
        break;
      case 'm':
        out += "mm";
        break;
      case 'b':
      case 'h':
        out += "mmm";
        break;
      case 'B':
        out += "mmmm";
        break;
      case 'y':
        out += "yy";
        break;
      case 'Y':
        out += "yyyy";
        break;
      case 'a':
        out += "ddd";
        break;
      case 'A':
        out += "dddd";
        break;
      case 'H':
        out += "hh";
        break;
      case 'I':
        out += "hh";
        break;
      case 'l':
        out += "h";
        break;
      case 'k':
        out += "h";
        break;
      case 'M':
        out += "nn";
        break;
      case 'S':
        out += "ss";
        break;
      case 'p':
        out += "ampm";
        break;
      case 'P':
        out += "ampm";
        break;
      case 'T':
        out += "hh:nn:ss";
        break;
      case 'R':
        out += "hh:nn";
        break;
      case 'D':
        out += "mm/dd/yy";
        break;
      case 'F':
        out += "yyyy-mm-dd";
        break;
      case 'Z':
      case 'z':
        break;
      case '%':
        out += '%';
        break;
      case 'n':
      case 't':
        out += ' ';
        break;
      default:
        return {};
    }
  }
  // Trim blanks left by dropped time-zone conversions.
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

char firstSeparator(const std::string& picture, const char* letters, char def) {
  for (char c : picture) {
    if (!IsAsciiLetter(c) && c != '"' && c != '\'' && c != ' ') return c;
    (void)letters;
  }
  return def;
}

// Removes the picture letters "s" (and the separator before them) from a
// long time picture, giving a short one.
std::string shortTimeOf(const std::string& longTime) {
  std::string out = longTime;
  size_t p = out.find("ss");
  if (p != std::string::npos && p > 0) {
    size_t start = p - 1;
    out.erase(start, 3);
  }
  return out;
}

}  // namespace

TFormatSettings TFormatSettings::FromLocale() {
  TFormatSettings fs = Invariant();
  locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return fs;
  auto info = [&](nl_item item) -> std::string {
    const char* s = nl_langinfo_l(item, loc);
    return s ? std::string(s) : std::string();
  };
  const std::string dec = info(RADIXCHAR);
  if (dec.size() == 1) fs.DecimalSeparator = dec[0];
  const std::string thou = info(THOUSEP);
  if (thou.size() == 1) {
    fs.ThousandSeparator = thou[0];
  } else if (!thou.empty()) {
    fs.ThousandSeparator = ' ';  // multi-byte separators (narrow no-break space)
  } else {
    fs.ThousandSeparator = fs.DecimalSeparator == ',' ? '.' : ',';
  }
  if (fs.ThousandSeparator == fs.DecimalSeparator)
    fs.ThousandSeparator = fs.DecimalSeparator == ',' ? '.' : ',';
  fs.ListSeparator = fs.DecimalSeparator == ',' ? ';' : ',';

  const std::string d = strftimeToPicture(info(D_FMT));
  if (!d.empty()) {
    fs.ShortDateFormat = d;
    fs.DateSeparator = firstSeparator(d, "dmy", '/');
  }
  const std::string t = strftimeToPicture(info(T_FMT));
  if (!t.empty()) {
    fs.LongTimeFormat = t;
    fs.ShortTimeFormat = shortTimeOf(t);
    fs.TimeSeparator = firstSeparator(t, "hns", ':');
  }
  const std::string am = info(AM_STR), pm = info(PM_STR);
  if (!am.empty() && !pm.empty()) {
    fs.TimeAMString = am;
    fs.TimePMString = pm;
  }
  static const nl_item abmon[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                    ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
  static const nl_item mon[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                  MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
  static const nl_item abday[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7};
  static const nl_item day[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
  for (int i = 0; i < 12; ++i) {
    std::string a = info(abmon[i]), b = info(mon[i]);
    if (!a.empty() && IsValidUtf8(a)) fs.ShortMonthNames[i] = a;
    if (!b.empty() && IsValidUtf8(b)) fs.LongMonthNames[i] = b;
  }
  for (int i = 0; i < 7; ++i) {
    std::string a = info(abday[i]), b = info(day[i]);
    if (!a.empty() && IsValidUtf8(a)) fs.ShortDayNames[i] = a;
    if (!b.empty() && IsValidUtf8(b)) fs.LongDayNames[i] = b;
  }
  const std::string cur = info(CRNCYSTR);
  if (cur.size() > 1 && IsValidUtf8(cur.substr(1))) {
    // "-$" symbol before, "+kr" after, ".": replaces the radix.
    fs.CurrencyString = cur.substr(1);
    fs.CurrencyFormat = cur[0] == '+' ? 3 : 0;
    fs.NegCurrFormat = cur[0] == '+' ? 8 : 1;
  }
  freelocale(loc);
  return fs;
}

TFormatSettings ProgramFormatSettings() {
  TFormatSettings fs = TFormatSettings::FromLocale();
  const TFormatSettings numbers = TFormatSettings::Invariant();
  fs.DecimalSeparator = numbers.DecimalSeparator;
  fs.ThousandSeparator = numbers.ThousandSeparator;
  fs.ListSeparator = numbers.ListSeparator;
  return fs;
}

void TakeUserLocale() {
  setlocale(LC_NUMERIC, "C");
  FormatSettings() = ProgramFormatSettings();
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = ProgramFormatSettings();
  return settings;
}

// ---------------------------------------------------------------------------
// Strings

namespace {
inline bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

char32_t foldUpper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c == 0x153) return 0x152;
  if (c == 0x161) return 0x160;
  if (c == 0x17E) return 0x17D;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;  // Greek
  if (c >= 0x430 && c <= 0x44F) return c - 32;                // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}
char32_t foldLower(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c == 0x178) return 0xFF;
  if (c == 0x152) return 0x153;
  if (c == 0x160) return 0x161;
  if (c == 0x17D) return 0x17E;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

template <class F>
std::string mapCodePoints(std::string_view s, F f) {
  std::string out;
  out.reserve(s.size());
  size_t pos = 0;
  while (pos < s.size()) {
    const size_t start = pos;
    char32_t cp = Utf8Next(s, pos);
    if (cp == 0xFFFD && pos == start + 1 && static_cast<unsigned char>(s[start]) >= 0x80) {
      out += s[start];  // keep malformed bytes as they are
      continue;
    }
    Utf8Append(out, f(cp));
  }
  return out;
}
}  // namespace

std::string_view TrimView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}
std::string Trim(std::string_view s) { return std::string(TrimView(s)); }
std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && isBlank(s[b])) ++b;
  return std::string(s.substr(b));
}
std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && isBlank(s[e - 1])) --e;
  return std::string(s.substr(0, e));
}
std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = UpperCaseChar(c);
  return r;
}
std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = LowerCaseChar(c);
  return r;
}
std::string AnsiUpperCase(std::string_view s) { return mapCodePoints(s, foldUpper); }
std::string AnsiLowerCase(std::string_view s) { return mapCodePoints(s, foldLower); }

int CompareStr(std::string_view a, std::string_view b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = static_cast<unsigned char>(UpperCaseChar(a[i]));
    const unsigned char y = static_cast<unsigned char>(UpperCaseChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}
bool SameStr(std::string_view a, std::string_view b) { return a == b; }
int AnsiCompareText(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = foldUpper(Utf8Next(a, i));
    const char32_t y = foldUpper(Utf8Next(b, j));
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}
int AnsiCompareStr(std::string_view a, std::string_view b) { return CompareStr(a, b); }
bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }
bool StartsText(std::string_view sub, std::string_view s) {
  return s.size() >= sub.size() && SameText(s.substr(0, sub.size()), sub);
}
bool EndsText(std::string_view sub, std::string_view s) {
  return s.size() >= sub.size() && SameText(s.substr(s.size() - sub.size()), sub);
}
bool ContainsText(std::string_view s, std::string_view sub) {
  return UpperCase(s).find(UpperCase(sub)) != std::string::npos;
}
int Pos(std::string_view sub, std::string_view s, int offset) {
  if (offset < 1 || sub.empty() || static_cast<size_t>(offset - 1) > s.size()) return 0;
  const size_t p = s.find(sub, static_cast<size_t>(offset - 1));
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, unsigned flags) {
  if (oldPattern.empty()) return std::string(s);
  const bool ic = flags & rfIgnoreCase;
  const std::string hay = ic ? UpperCase(s) : std::string(s);
  const std::string pat = ic ? UpperCase(oldPattern) : std::string(oldPattern);
  std::string out;
  size_t from = 0;
  while (true) {
    const size_t p = hay.find(pat, from);
    if (p == std::string::npos) break;
    out.append(s.substr(from, p - from));
    out.append(newPattern);
    from = p + pat.size();
    if (!(flags & rfReplaceAll)) break;
  }
  out.append(s.substr(from));
  return out;
}

std::string QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }
std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string out(1, quote);
  for (char c : s) {
    out += c;
    if (c == quote) out += c;
  }
  out += quote;
  return out;
}
std::string AnsiDequotedStr(std::string_view s, char quote) {
  if (s.empty() || s[0] != quote) return std::string(s);
  std::string out;
  size_t i = 1;
  while (i < s.size()) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        out += quote;
        i += 2;
        continue;
      }
      return out;  // closing quote
    }
    out += s[i++];
  }
  return out;  // no closing quote: the rest
}
std::string StringOfChar(char c, int count) {
  return count > 0 ? std::string(static_cast<size_t>(count), c) : std::string();
}

// ---------------------------------------------------------------------------
// File names

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string r(path);
  if (r.empty() || r.back() != '/') r += '/';
  return r;
}
std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string r(path);
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  return r;
}
std::string ExtractFilePath(std::string_view fileName) {
  const size_t p = fileName.rfind('/');
  return p == std::string_view::npos ? std::string() : std::string(fileName.substr(0, p + 1));
}
std::string ExtractFileDir(std::string_view fileName) {
  const size_t p = fileName.rfind('/');
  if (p == std::string_view::npos) return {};
  if (p == 0) return "/";
  return std::string(fileName.substr(0, p));
}
std::string ExtractFileName(std::string_view fileName) {
  const size_t p = fileName.rfind('/');
  return std::string(p == std::string_view::npos ? fileName : fileName.substr(p + 1));
}
std::string ExtractFileExt(std::string_view fileName) {
  const size_t slash = fileName.rfind('/');
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(fileName.substr(dot));
}
std::string ChangeFileExt(std::string_view fileName, std::string_view ext) {
  const size_t slash = fileName.rfind('/');
  size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
    dot = fileName.size();
  return std::string(fileName.substr(0, dot)) + std::string(ext);
}
std::string ExpandFileName(std::string_view fileName) {
  std::error_code ec;
  auto p = std::filesystem::absolute(std::filesystem::path(std::string(fileName)), ec);
  if (ec) return std::string(fileName);
  return p.lexically_normal().string();
}
bool FileExists(const std::string& fileName) {
  struct stat st;
  return ::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
bool DirectoryExists(const std::string& dir) {
  struct stat st;
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool ForceDirectories(const std::string& dir) {
  if (dir.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return DirectoryExists(dir);
}
bool DeleteFile(const std::string& fileName) { return ::unlink(fileName.c_str()) == 0; }
bool RenameFile(const std::string& oldName, const std::string& newName) {
  if (::access(newName.c_str(), F_OK) == 0) return false;  // never replaces
  return ::rename(oldName.c_str(), newName.c_str()) == 0;
}
std::string GetCurrentDir() {
  std::error_code ec;
  auto p = std::filesystem::current_path(ec);
  return ec ? std::string() : p.string();
}
int64_t FileSizeOf(const std::string& fileName) {
  struct stat st;
  if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

}  // namespace qv
