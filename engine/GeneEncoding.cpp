#include "engine/GeneEncoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "engine/SearchRandom.h"

namespace qv {

std::string IntToBaseDigits(double value, int base) {
  if (base < 2) base = 2;
  // A gene's digits stand for a 64-bit integer: larger magnitudes (and
  // infinities) saturate at its largest value, NaN counts as 0.
  const double magnitude = std::fabs(std::trunc(value));
  int64_t n = 0;
  if (magnitude >= 9223372036854775807.0)
    n = INT64_MAX;
  else if (magnitude > 0)
    n = static_cast<int64_t>(magnitude);
  std::string result;
  while (n >= base) {
    result.insert(result.begin(), static_cast<char>('0' + n % base));
    n /= base;
  }
  result.insert(result.begin(), static_cast<char>('0' + n));
  return result;
}

std::string BaseDigitsToDecimal(const std::string& digits, int base) {
  // A sum beyond 2^63 - 1 (a mutated gene of a saturated layout, absurd
  // digits) saturates there, so a decoded value never changes its sign.
  constexpr uint64_t kMax = INT64_MAX;
  uint64_t sum = 0;
  for (const char c : digits) {
    const uint64_t d = static_cast<uint64_t>(std::max(0, c - '0'));
    if (sum > (kMax - d) / static_cast<uint64_t>(base)) return std::to_string(kMax);
    sum = sum * static_cast<uint64_t>(base) + d;
  }
  return std::to_string(sum);
}

TGeneLayout MakeGeneLayout(double lower, double upper, int base, int decimals) {
  TGeneLayout l;
  l.Base = base < 2 ? 2 : (base > 10 ? 10 : base);
  double big = std::max(std::fabs(lower), std::fabs(upper));
  l.IntDigits = static_cast<int>(IntToBaseDigits(big, l.Base).size());
  l.DecimalCount = std::clamp(decimals, 0, kMaxGeneDecimals);
  if (l.DecimalCount > 0)
    l.FracDigits =
        static_cast<int>(IntToBaseDigits(std::pow(10.0, l.DecimalCount) - 1, l.Base).size());
  l.SignFree = lower < 0 && upper >= 0;
  return l;
}

// Locale-independent reading of the texts built here.
static double ParseNumber(const std::string& text) {
  double v = 0;
  const char* b = text.data();
  if (!text.empty() && text[0] == '-') {
    std::from_chars(b + 1, b + text.size(), v);
    return -v;
  }
  std::from_chars(b, b + text.size(), v);
  return v;
}

static std::string PadLeft(const std::string& s, int width) {
  if (static_cast<int>(s.size()) >= width) return s;
  return std::string(width - s.size(), '0') + s;
}

std::string EncodeGene(const TGeneLayout& l, double value) {
  std::string gene = value < 0 ? "0" : "1";
  double a = std::fabs(value);
  if (l.FracDigits <= 0) {
    gene += PadLeft(IntToBaseDigits(a, l.Base), l.IntDigits);
    return gene;
  }
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::fixed, l.DecimalCount);
  std::string text(buf, res.ptr);
  size_t dot = text.find('.');
  std::string intText = dot == std::string::npos ? text : text.substr(0, dot);
  std::string fracText = dot == std::string::npos ? "0" : text.substr(dot + 1);
  gene += PadLeft(IntToBaseDigits(ParseNumber(intText), l.Base), l.IntDigits);
  gene += '.';
  gene += PadLeft(IntToBaseDigits(ParseNumber(fracText), l.Base), l.FracDigits);
  return gene;
}

double DecodeGene(const TGeneLayout& l, const std::string& gene) {
  if (gene.empty()) return 0;
  std::string body = gene.substr(1);
  size_t dot = body.find('.');
  std::string text = gene[0] != '1' ? "-" : "";
  text += BaseDigitsToDecimal(dot == std::string::npos ? body : body.substr(0, dot), l.Base);
  if (dot != std::string::npos) {
    text += '.';
    text += PadLeft(BaseDigitsToDecimal(body.substr(dot + 1), l.Base), l.DecimalCount);
  }
  return ParseNumber(text);
}

std::string MutateGene(const TGeneLayout& l, const std::string& gene, TRandomGenerator& random) {
  std::string g = gene;
  int len = l.FracDigits > 0 ? l.IntDigits + l.FracDigits + 2 : l.IntDigits + 1;
  if (static_cast<int>(g.size()) < len) len = static_cast<int>(g.size());
  int first = l.SignFree ? 1 : 2;
  if (len < first) return g;
  int p;
  for (;;) {
    p = first + RandomInt(random, len - first + 1);
    if (!(l.FracDigits > 0 && p == l.IntDigits + 2)) break;
    if (len == first) return g;  // only the "." could be chosen
  }
  char& c = g[p - 1];
  if (l.Base == 2 || p == 1) {
    c = c == '1' ? '0' : '1';
  } else {
    char old = c;
    do c = static_cast<char>('0' + RandomInt(random, l.Base));
    while (c == old);
  }
  return g;
}

}  // namespace qv
