// Text helpers of the model readers.
#include "engine/ModelTools.h"

#include <cmath>

#include "engine/FitSettings.h"
#include "engine/ParseExpr.h"
#include "platform/core/SysUtils.h"

namespace qv::modeltools {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string CutComment(std::string_view s) {
  size_t p = s.find("//");
  return Trim(p == std::string_view::npos ? s : s.substr(0, p));
}

std::string RemoveBlanks(std::string_view s) {
  std::string r;
  for (char c : s)
    if (static_cast<unsigned char>(c) > ' ') r += c;
  return r;
}

bool IsWordChar(char c) { return IsAsciiAlphaNumeric(c) || c == '_'; }

std::string TextStart(std::string_view Text, size_t Shown) {
  if (Text.size() <= Shown) return std::string(Text);
  size_t n = Shown;
  while (n > 0 && (static_cast<unsigned char>(Text[n]) & 0xC0) == 0x80) --n;
  return std::string(Text.substr(0, n)) + "...";
}

bool TryNumber(const std::string& s, double& value) {
  // The plain decimal form of the settings boxes: no hexadecimal, no "inf"
  // or "nan", "." before the fraction whatever the locale.
  return ReadSettingNumber(s, value);
}

bool TryValue(const std::string& s, double& value, TRandomGenerator* Random) {
  if (TryNumber(s, value)) return true;
  std::string t = Trim(s);
  if (t.empty()) return false;
  try {
    TExpressionParser parser;
    parser.SetRandomGenerator(Random);
    int index = parser.CompileText(t);
    if (index < 0) return false;
    double v = parser.EvaluateCompiled(index);
    if (std::isnan(v)) return false;
    value = v;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool IsDataLine(std::string_view line) {
  std::string l = LowerCase(Trim(line));
  if (StartsWith(l, "datafile")) return true;
  if (!StartsWith(l, "data")) return false;
  return l.size() == 4 || !IsWordChar(l[4]);
}

bool IsProgramStart(std::string_view line) {
  return StartsWith(LowerCase(Trim(line)), "startprogram");
}

std::string Keyword(std::string_view line) {
  std::string t = Trim(line);
  size_t p = t.find_first_of(" ;");
  return LowerCase(p == std::string::npos ? t : t.substr(0, p));
}

std::string StatementText(std::string_view line) {
  std::string t = Trim(line);
  size_t b = t.find(' ');
  if (b == std::string::npos) return "";
  size_t e = t.find(';', b + 1);
  size_t first = t.find(';');
  if (first != std::string::npos && first < b) return "";
  return t.substr(b + 1, e == std::string::npos ? std::string::npos : e - b - 1);
}

std::string ConstantReplacement(const std::string& value) {
  double v = 0;
  if (!value.empty() && value[0] != '-' && value[0] != '+' && TryNumber(value, v)) return value;
  return "(" + value + ")";
}

std::vector<std::string> SplitAtCommas(std::string_view s, TCommaBrackets Brackets) {
  const bool round = Brackets == TCommaBrackets::RoundAndSquare;
  const bool square = Brackets != TCommaBrackets::None;
  std::vector<std::string> parts;
  int roundDepth = 0, squareDepth = 0;
  std::string cur;
  for (char c : s) {
    if (round && c == '(')
      ++roundDepth;
    else if (round && c == ')')
      --roundDepth;
    else if (square && c == '[')
      ++squareDepth;
    else if (square && c == ']')
      --squareDepth;
    if (c == ',' && roundDepth <= 0 && squareDepth <= 0) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  return parts;
}

}  // namespace qv::modeltools
