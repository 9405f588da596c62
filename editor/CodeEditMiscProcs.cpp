#include "editor/CodeEditMiscProcs.h"

namespace qv {

TPoint LaterPoint(const TPoint& P1, const TPoint& P2) {
  if (P2.Y > P1.Y || (P2.Y == P1.Y && P2.X > P1.X)) return P2;
  return P1;
}

TPoint EarlierPoint(const TPoint& P1, const TPoint& P2) {
  if (P2.Y < P1.Y || (P2.Y == P1.Y && P2.X < P1.X)) return P2;
  return P1;
}

// ---- UTF-8 -----------------------------------------------------------------

char32_t UTF8NextChar(std::string_view S, size_t& I) {
  const unsigned char b0 = static_cast<unsigned char>(S[I]);
  if (b0 < 0x80) {
    ++I;
    return b0;
  }
  int len = 0;
  char32_t c = 0, minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, c = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, c = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, c = b0 & 0x07, minimum = 0x10000;
  }
  if (len == 0 || I + size_t(len) > S.size()) {
    ++I;
    return 0xFFFD;
  }
  for (int k = 1; k < len; ++k) {
    const unsigned char b = static_cast<unsigned char>(S[I + size_t(k)]);
    if ((b & 0xC0) != 0x80) {
      ++I;
      return 0xFFFD;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++I;
    return 0xFFFD;
  }
  I += size_t(len);
  return c;
}

void UTF8AppendChar(std::string& S, char32_t C) {
  if (C < 0x80) {
    S += char(C);
  } else if (C < 0x800) {
    S += char(0xC0 | (C >> 6));
    S += char(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    S += char(0xE0 | (C >> 12));
    S += char(0x80 | ((C >> 6) & 0x3F));
    S += char(0x80 | (C & 0x3F));
  } else {
    S += char(0xF0 | (C >> 18));
    S += char(0x80 | ((C >> 12) & 0x3F));
    S += char(0x80 | ((C >> 6) & 0x3F));
    S += char(0x80 | (C & 0x3F));
  }
}

size_t UTF8CharCount(std::string_view S) {
  size_t n = 0;
  for (size_t i = 0; i < S.size(); ++n) {
    if (static_cast<unsigned char>(S[i]) < 0x80)
      ++i;
    else
      UTF8NextChar(S, i);
  }
  return n;
}

size_t UTF8CharToByteIndex(std::string_view S, size_t CharIndex) {
  size_t i = 0;
  for (size_t n = 0; n < CharIndex && i < S.size(); ++n) UTF8NextChar(S, i);
  return i;
}

std::u32string UTF8ToCodePoints(std::string_view S) {
  std::u32string r;
  r.reserve(S.size());
  for (size_t i = 0; i < S.size();) r += UTF8NextChar(S, i);
  return r;
}

std::string CodePointsToUTF8(std::u32string_view S) {
  std::string r;
  r.reserve(S.size());
  for (char32_t c : S) UTF8AppendChar(r, c);
  return r;
}

bool IsValidUTF8Text(std::string_view S) {
  for (size_t i = 0; i < S.size();) {
    if (static_cast<unsigned char>(S[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t at = i;
    const char32_t c = UTF8NextChar(S, i);
    // U+FFFD decoded from one byte marks an invalid sequence; a real U+FFFD
    // takes three bytes.
    if (c == 0xFFFD && i == at + 1) return false;
  }
  return true;
}

char32_t CodeCharLower(char32_t C) {
  if (C < 0x80) return (C >= 'A' && C <= 'Z') ? C + 32 : C;
  if (C >= 0xC0 && C <= 0xDE && C != 0xD7) return C + 32;
  if (C >= 0x100 && C <= 0x17F && C != 0x130 && C != 0x131 && C != 0x138 && C != 0x149 &&
      C != 0x17F) {
    // Latin Extended-A: pairs (even upper, odd lower) except 0x139..0x148
    // and 0x179..0x17E where the upper case is odd.
    const bool oddUpper = (C >= 0x139 && C <= 0x148) || (C >= 0x179 && C <= 0x17E);
    if (oddUpper) return (C & 1) ? C + 1 : C;
    return (C & 1) ? C : C + 1;
  }
  if (C >= 0x391 && C <= 0x3A9 && C != 0x3A2) return C + 32;
  if (C >= 0x410 && C <= 0x42F) return C + 32;
  if (C >= 0x400 && C <= 0x40F) return C + 80;
  return C;
}

char32_t CodeCharUpper(char32_t C) {
  if (C < 0x80) return (C >= 'a' && C <= 'z') ? C - 32 : C;
  if (C >= 0xE0 && C <= 0xFE && C != 0xF7) return C - 32;
  if (C >= 0x100 && C <= 0x17F && C != 0x130 && C != 0x131 && C != 0x138 && C != 0x149 &&
      C != 0x17F) {
    const bool oddUpper = (C >= 0x139 && C <= 0x148) || (C >= 0x179 && C <= 0x17E);
    if (oddUpper) return (C & 1) ? C : C - 1;
    return (C & 1) ? C - 1 : C;
  }
  if (C >= 0x3B1 && C <= 0x3C9 && C != 0x3C2) return C - 32;
  if (C >= 0x430 && C <= 0x44F) return C - 32;
  if (C >= 0x450 && C <= 0x45F) return C - 80;
  return C;
}

bool IsCodeCharAlphaNumeric(char32_t C) {
  if (C < 0x80) return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
  if (C < 0xC0) return C == 0xAA || C == 0xB5 || C == 0xBA;
  if (C <= 0xFF) return C != 0xD7 && C != 0xF7;
  return C != 0xFFFD;
}

// ---- tab expansion ---------------------------------------------------------

std::string ConvertTabs1(const std::string& Line, int /*TabWidth*/, bool& HasTabs) {
  HasTabs = Line.find('\t') != std::string::npos;
  if (!HasTabs) return Line;
  std::string r = Line;
  for (char& c : r)
    if (c == '\t') c = ' ';
  return r;
}

template <bool PowerOfTwo>
static std::string ExpandTabs(const std::string& Line, int TabWidth, bool& HasTabs) {
  HasTabs = Line.find('\t') != std::string::npos;
  if (!HasTabs) return Line;
  std::string r;
  r.reserve(Line.size() + size_t(TabWidth) * 2);
  const unsigned mask = unsigned(TabWidth) - 1;
  size_t column = 0;  // 0-based display column of the next character
  for (size_t i = 0; i < Line.size();) {
    if (Line[i] == '\t') {
      size_t next;
      if constexpr (PowerOfTwo)
        next = (column + size_t(TabWidth)) & ~size_t(mask);
      else
        next = column + size_t(TabWidth) - column % size_t(TabWidth);
      r.append(next - column, '\t');
      column = next;
      ++i;
    } else {
      const size_t start = i;
      UTF8NextChar(Line, i);
      r.append(Line, start, i - start);
      ++column;
    }
  }
  return r;
}

std::string ConvertTabs2n(const std::string& Line, int TabWidth, bool& HasTabs) {
  return ExpandTabs<true>(Line, TabWidth, HasTabs);
}

std::string ConvertTabs(const std::string& Line, int TabWidth, bool& HasTabs) {
  if (TabWidth < 1) return ConvertTabs1(Line, TabWidth, HasTabs);
  return ExpandTabs<false>(Line, TabWidth, HasTabs);
}

TConvertTabsProc GetBestConvertTabsProc(int TabWidth) {
  if (TabWidth < 2) return &ConvertTabs1;
  if (TabWidth <= 65536 && (TabWidth & (TabWidth - 1)) == 0) return &ConvertTabs2n;
  return &ConvertTabs;
}

bool CountCharsBeforeTab(const std::string& Text, int& Count) {
  const size_t tab = Text.find('\t');
  Count = static_cast<int>(UTF8CharCount(std::string_view(Text).substr(0, tab)));
  return tab != std::string::npos;
}

// ---- scans -----------------------------------------------------------------

TCodeCharSet MakeCharSet(std::string_view Chars) {
  TCodeCharSet s;
  for (char c : Chars)
    if (static_cast<unsigned char>(c) < 128) s.set(static_cast<unsigned char>(c));
  return s;
}

int ScanForCharInSet(const std::string& Line, int Start, const TCodeCharSet& Set) {
  if (Start < 1) Start = 1;
  size_t i = UTF8CharToByteIndex(Line, size_t(Start - 1));
  for (int pos = Start; i < Line.size(); ++pos)
    if (InCharSet(Set, UTF8NextChar(Line, i))) return pos;
  return 0;
}

int ReverseScanForCharInSet(const std::string& Line, int Start, const TCodeCharSet& Set) {
  int found = 0;
  size_t i = 0;
  for (int pos = 1; pos <= Start && i < Line.size(); ++pos)
    if (InCharSet(Set, UTF8NextChar(Line, i))) found = pos;
  return found;
}

size_t FindLineEnd(std::string_view Text) {
  for (size_t i = 0; i < Text.size(); ++i)
    if (Text[i] == '\0' || Text[i] == '\n' || Text[i] == '\r') return i;
  return Text.size();
}

}  // namespace qv
