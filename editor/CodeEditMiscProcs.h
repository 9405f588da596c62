// Helper routines of the code editor: integer and point helpers, UTF-8
// character counting, tab expansion, character-set scans and line ends.
//
// Text is UTF-8 in memory; a column is one Unicode code point. A byte that
// does not start a valid UTF-8 sequence counts as one character of its own
// (decoded as U+FFFD), so every routine accepts any byte string.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/CodeEditTypes.h"

namespace qv {

inline int IntMax(int A, int B) { return A > B ? A : B; }
inline int IntMin(int A, int B) { return A < B ? A : B; }
// Min when Value is below it, else the smaller of Value and Max.
inline int IntClamp(int Value, int Min, int Max) {
  return Value < Min ? Min : (Value > Max ? Max : Value);
}
inline void SwapInts(int& A, int& B) {
  int t = A;
  A = B;
  B = t;
}
// Points compare by line, then column; equal points give P1.
TPoint LaterPoint(const TPoint& P1, const TPoint& P2);
TPoint EarlierPoint(const TPoint& P1, const TPoint& P2);

// ---- UTF-8 -----------------------------------------------------------------

// Decodes the character at S[I] and advances I past it.
char32_t UTF8NextChar(std::string_view S, size_t& I);
void UTF8AppendChar(std::string& S, char32_t C);
size_t UTF8CharCount(std::string_view S);
// Byte index of the 0-based character index (S.size() when past the end).
size_t UTF8CharToByteIndex(std::string_view S, size_t CharIndex);
std::u32string UTF8ToCodePoints(std::string_view S);
std::string CodePointsToUTF8(std::u32string_view S);
bool IsValidUTF8Text(std::string_view S);
// Simple case mapping for Latin, Greek and Cyrillic letters.
char32_t CodeCharLower(char32_t C);
char32_t CodeCharUpper(char32_t C);
// Letters and digits: ASCII ones, Latin-1 letters, and everything above
// U+00FF (scripts the editor does not classify further).
bool IsCodeCharAlphaNumeric(char32_t C);

// ---- tab expansion ---------------------------------------------------------

// A tab-expansion routine: returns Line with every TAB widened to as many
// TAB characters as reach the next multiple of TabWidth (so the character
// count of the result is the display width), and tells whether Line held a
// TAB. A line without TAB comes back unchanged.
using TConvertTabsProc = std::string (*)(const std::string& Line, int TabWidth, bool& HasTabs);
std::string ConvertTabs1(const std::string& Line, int TabWidth, bool& HasTabs);   // TAB -> blank
std::string ConvertTabs2n(const std::string& Line, int TabWidth, bool& HasTabs);  // power of two
std::string ConvertTabs(const std::string& Line, int TabWidth, bool& HasTabs);    // any width
// Below 2: the width-1 routine; a power of two up to 65536: the bit-mask
// routine; otherwise the general one.
TConvertTabsProc GetBestConvertTabsProc(int TabWidth);

// Whether Text holds a TAB; Count is the number of characters before it
// (or the whole character count when there is none).
bool CountCharsBeforeTab(const std::string& Text, int& Count);

// ---- scans -----------------------------------------------------------------

// A set of ASCII characters; characters above 127 are never in it.
using TCodeCharSet = std::bitset<128>;
TCodeCharSet MakeCharSet(std::string_view Chars);
inline bool InCharSet(const TCodeCharSet& Set, char32_t C) { return C < 128 && Set.test(C); }
// First 1-based character position at or after Start whose character is in
// Set, or 0.
int ScanForCharInSet(const std::string& Line, int Start, const TCodeCharSet& Set);
// Last position at or before Start whose character is in Set, or 0.
int ReverseScanForCharInSet(const std::string& Line, int Start, const TCodeCharSet& Set);
// Double-byte lead bytes do not exist in UTF-8 text: both give 0.
inline int ScanForLeadByte(const std::string&, int) { return 0; }
inline int ReverseScanForLeadByte(const std::string&, int) { return 0; }
// Byte index of the first NUL, LF or CR (Text.size() when none).
size_t FindLineEnd(std::string_view Text);

}  // namespace qv
