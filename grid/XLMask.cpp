#include "grid/XLMask.h"

#include <vector>

#include "platform/core/Codepage.h"
#include "platform/core/Graphics.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

bool isPlaceholder(char32_t c) {
  switch (c) {
    case 'L':
    case 'l':
    case 'A':
    case 'a':
    case 'C':
    case 'c':
    case '0':
    case '9':
    case '#':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string FormatMaskText(const std::string& editMask, const std::string& value) {
  // Split off the save-literals and blank fields (the last two ";" fields).
  std::string mask = editMask;
  bool saveLiterals = true;
  char32_t blank = '_';
  {
    const std::size_t last = mask.rfind(';');
    if (last != std::string::npos && last > 0) {
      const std::size_t prev = mask.rfind(';', last - 1);
      if (prev != std::string::npos) {
        const std::string save = mask.substr(prev + 1, last - prev - 1);
        const std::string blankText = mask.substr(last + 1);
        saveLiterals = save != "0";
        if (!blankText.empty()) {
          std::size_t pos = 0;
          blank = Utf8Next(blankText, pos);
        }
        mask.resize(prev);
      }
    }
  }
  std::vector<char32_t> in;
  for (std::size_t pos = 0; pos < value.size();) in.push_back(Utf8Next(value, pos));
  std::size_t vi = 0;
  int caseMode = 0;  // 0 none, 1 upper, 2 lower
  std::string out;
  const std::u32string m = Utf8ToUtf32(mask);
  for (std::size_t i = 0; i < m.size(); ++i) {
    char32_t c = m[i];
    if (c == '!') continue;
    if (c == '<' && i + 1 < m.size() && m[i + 1] == '>') {
      caseMode = 0;
      ++i;
      continue;
    }
    if (c == '>') {
      caseMode = 1;
      continue;
    }
    if (c == '<') {
      caseMode = 2;
      continue;
    }
    if (isPlaceholder(c)) {
      char32_t ch = blank;
      if (vi < in.size()) {
        ch = in[vi++];
        std::string one;
        Utf8Append(one, ch);
        if (caseMode == 1) one = AnsiUpperCase(one);
        if (caseMode == 2) one = AnsiLowerCase(one);
        out += one;
        continue;
      }
      Utf8Append(out, ch);
      continue;
    }
    // A literal (escaped or plain; the separators are literals too).
    if (c == '\\' && i + 1 < m.size()) c = m[++i];
    if (c == ':') c = static_cast<unsigned char>(FormatSettings().TimeSeparator);
    if (c == '/') c = static_cast<unsigned char>(FormatSettings().DateSeparator);
    Utf8Append(out, c);
    if (saveLiterals && vi < in.size() && in[vi] == c) ++vi;
  }
  return out;
}

}  // namespace qv
