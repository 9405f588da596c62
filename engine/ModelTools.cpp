// Text helpers of the model readers.
#include "engine/ModelTools.h"

#include <cctype>
#include <cmath>

#include "engine/ParseExpr.h"
#include "platform/core/SysUtils.h"

namespace qv::modeltools {

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::string TrimText(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string CutComment(std::string_view s) {
  size_t p = s.find("//");
  return TrimText(p == std::string_view::npos ? s : s.substr(0, p));
}

std::string RemoveBlanks(std::string_view s) {
  std::string r;
  for (char c : s)
    if (static_cast<unsigned char>(c) > ' ') r += c;
  return r;
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool TryNumber(const std::string& s, double& value) {
  std::string t = TrimText(s);
  if (t.empty()) return false;
  // Hexadecimal and other forms that the conversion routine may accept are
  // not plain decimal numbers of the model language.
  for (char c : t)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == 'e' ||
          c == 'E' || c == FormatSettings().DecimalSeparator))
      return false;
  double v = 0;
  if (!TryStrToFloat(t, v)) return false;
  if (!std::isfinite(v)) return false;
  value = v;
  return true;
}

bool TryValue(const std::string& s, double& value) {
  if (TryNumber(s, value)) return true;
  std::string t = TrimText(s);
  if (t.empty()) return false;
  try {
    TExpressionParser parser;
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
  std::string l = Lower(TrimText(line));
  if (StartsWith(l, "datafile")) return true;
  if (!StartsWith(l, "data")) return false;
  return l.size() == 4 || !IsWordChar(l[4]);
}

bool IsProgramStart(std::string_view line) {
  return StartsWith(Lower(TrimText(line)), "startprogram");
}

std::string Keyword(std::string_view line) {
  std::string t = TrimText(line);
  size_t p = t.find_first_of(" ;");
  return Lower(p == std::string::npos ? t : t.substr(0, p));
}

std::string StatementText(std::string_view line) {
  std::string t = TrimText(line);
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

namespace {

// Split at ","; with topLevel only at those outside round and square
// brackets.
std::vector<std::string> splitCommas(std::string_view s, bool topLevel) {
  std::vector<std::string> parts;
  int round = 0, square = 0;
  std::string cur;
  for (char c : s) {
    if (topLevel) {
      if (c == '(')
        ++round;
      else if (c == ')')
        --round;
      else if (c == '[')
        ++square;
      else if (c == ']')
        --square;
    }
    if (c == ',' && round <= 0 && square <= 0) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  return parts;
}

}  // namespace

std::vector<std::string> SplitTopLevel(const std::string& s) { return splitCommas(s, true); }

std::vector<std::string> SplitAtCommas(std::string_view s) { return splitCommas(s, false); }

}  // namespace qv::modeltools
