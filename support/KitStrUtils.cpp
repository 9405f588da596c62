#include "support/KitStrUtils.h"

namespace qv {

std::string ReplaceStr(std::string_view S, std::string_view Srch, std::string_view Replace) {
  if (Srch.empty()) return std::string(S);
  std::string out;
  out.reserve(S.size());
  size_t from = 0;
  for (size_t at; (at = S.find(Srch, from)) != std::string_view::npos; from = at + Srch.size()) {
    out.append(S.substr(from, at - from));
    out.append(Replace);
  }
  out.append(S.substr(from));
  return out;
}

namespace {
// Start (0-based) and length of word N; start npos when there is none.
std::pair<size_t, size_t> FindWord(int N, std::string_view S, const TSysCharSet& delims) {
  int count = 0;
  size_t i = 0;
  while (i < S.size()) {
    while (i < S.size() && delims.Contains(S[i])) ++i;
    if (i >= S.size()) break;
    const size_t start = i;
    while (i < S.size() && !delims.Contains(S[i])) ++i;
    if (++count == N) return {start, i - start};
  }
  return {std::string_view::npos, 0};
}
}  // namespace

int WordCount(std::string_view S, const TSysCharSet& WordDelims) {
  int count = 0;
  size_t i = 0;
  while (i < S.size()) {
    while (i < S.size() && WordDelims.Contains(S[i])) ++i;
    if (i < S.size()) ++count;
    while (i < S.size() && !WordDelims.Contains(S[i])) ++i;
  }
  return count;
}

int WordPosition(int N, std::string_view S, const TSysCharSet& WordDelims) {
  auto [start, len] = FindWord(N, S, WordDelims);
  (void)len;
  return start == std::string_view::npos ? 0 : static_cast<int>(start) + 1;
}

std::string ExtractWord(int N, std::string_view S, const TSysCharSet& WordDelims) {
  auto [start, len] = FindWord(N, S, WordDelims);
  return start == std::string_view::npos ? std::string() : std::string(S.substr(start, len));
}

std::string XorEncode(std::string_view Key, std::string_view Source) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(Source.size() * 2);
  for (size_t i = 0; i < Source.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(Source[i]);
    if (!Key.empty()) b ^= static_cast<unsigned char>(Key[i % Key.size()]);
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
  }
  return out;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string XorDecode(std::string_view Key, std::string_view Source) {
  std::string out;
  out.reserve(Source.size() / 2);
  for (size_t k = 0; 2 * k + 1 < Source.size(); ++k) {
    const int hi = HexDigit(Source[2 * k]), lo = HexDigit(Source[2 * k + 1]);
    unsigned char b = (hi < 0 || lo < 0) ? 32 : static_cast<unsigned char>(hi * 16 + lo);
    if (!Key.empty()) b ^= static_cast<unsigned char>(Key[k % Key.size()]);
    out.push_back(static_cast<char>(b));
  }
  return out;
}

}  // namespace qv
