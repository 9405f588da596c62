#include "platform/core/DrawText.h"

#include <algorithm>
#include <vector>

#include "platform/core/Codepage.h"

namespace qv {

namespace {

// Replaces each TAB by blanks up to the next multiple of eight characters.
std::string expandTabs(const std::string& s) {
  if (s.find('\t') == std::string::npos) return s;
  std::string out;
  std::size_t column = 0;
  for (std::size_t pos = 0; pos < s.size();) {
    const std::size_t start = pos;
    const char32_t cp = Utf8Next(s, pos);
    if (cp == '\t') {
      const std::size_t n = 8 - column % 8;
      out.append(n, ' ');
      column += n;
    } else {
      out.append(s, start, pos - start);
      ++column;
    }
  }
  return out;
}

// Splits at CR LF, LF or CR.
std::vector<std::string> splitLines(const std::string& s) {
  std::vector<std::string> lines;
  std::string cur;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else {
      cur += s[i];
    }
  }
  lines.push_back(cur);
  return lines;
}

// Breaks one paragraph into lines no wider than width, at blanks.
void wordBreak(TCanvas& c, const std::string& para, int width, std::vector<std::string>& out) {
  if (para.empty()) {
    out.push_back({});
    return;
  }
  std::size_t pos = 0;
  while (pos < para.size()) {
    // The longest run of whole words from pos that fits; a word wider
    // than the rectangle alone when nothing fits.
    std::size_t lineEnd = std::string::npos;
    std::size_t scan = pos;
    for (;;) {
      std::size_t wordEnd = para.find(' ', scan);
      if (wordEnd == std::string::npos) wordEnd = para.size();
      if (c.TextWidth(para.substr(pos, wordEnd - pos)) > width) {
        if (lineEnd == std::string::npos) lineEnd = wordEnd;
        break;
      }
      lineEnd = wordEnd;
      if (wordEnd >= para.size()) break;
      scan = wordEnd + 1;
    }
    out.push_back(para.substr(pos, lineEnd - pos));
    pos = lineEnd;
    while (pos < para.size() && para[pos] == ' ') ++pos;
  }
}

// Shortens a line to fit width, ending it with "...".
std::string ellipsize(TCanvas& c, const std::string& line, int width) {
  if (c.TextWidth(line) <= width) return line;
  std::u32string u = Utf8ToUtf32(line);
  while (!u.empty()) {
    u.pop_back();
    std::string s = Utf32ToUtf8(u) + "...";
    if (c.TextWidth(s) <= width) return s;
  }
  return "...";
}

}  // namespace

int DrawText(TCanvas& canvas, const std::string& text, TRect& r, unsigned flags) {
  const std::string src = (flags & DT_EXPANDTABS) ? expandTabs(text) : text;
  std::vector<std::string> lines;
  if (flags & DT_SINGLELINE) {
    std::string one = src;
    std::replace(one.begin(), one.end(), '\r', ' ');
    std::replace(one.begin(), one.end(), '\n', ' ');
    lines.push_back(one);
  } else {
    for (const std::string& para : splitLines(src)) {
      if (flags & DT_WORDBREAK)
        wordBreak(canvas, para, r.Width(), lines);
      else
        lines.push_back(para);
    }
  }
  const int width = r.Width();
  if (flags & DT_END_ELLIPSIS) {
    for (std::string& l : lines) l = ellipsize(canvas, l, width);
  }
  const int lineHeight = std::max(1, canvas.GetTextMetrics().tmHeight);
  const int height = lineHeight * static_cast<int>(lines.size());
  if (flags & DT_CALCRECT) {
    int widest = 0;
    for (const std::string& l : lines) widest = std::max(widest, canvas.TextWidth(l));
    r.Bottom = r.Top + height;
    if (!(flags & DT_WORDBREAK)) r.Right = r.Left + widest;
    return height;
  }
  int y = r.Top;
  if (flags & DT_SINGLELINE) {
    if (flags & DT_BOTTOM)
      y = r.Bottom - lineHeight;
    else if (flags & DT_VCENTER)
      y = (r.Top + r.Bottom - lineHeight) / 2;
  }
  const unsigned savedAlign = canvas.TextAlign();
  canvas.SetTextAlign(TA_LEFT | TA_TOP);
  const bool clip = !(flags & DT_NOCLIP);
  for (const std::string& l : lines) {
    if (!l.empty()) {
      const int w = canvas.TextWidth(l);
      int x = r.Left;
      if (flags & DT_RIGHT)
        x = r.Right - w;
      else if (flags & DT_CENTER)
        x = (r.Left + r.Right - w) / 2;
      if (clip)
        canvas.ExtTextOut(x, y, ETO_CLIPPED, &r, l, nullptr);
      else
        canvas.TextOut(x, y, l);
    }
    y += lineHeight;
  }
  canvas.SetTextAlign(savedAlign);
  return height;
}

}  // namespace qv
