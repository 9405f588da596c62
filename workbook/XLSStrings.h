// Text conversions of workbook files. Text is UTF-8 in memory.
//
// BIFF8 strings hold either one byte per character (the code points
// 0-255) or UTF-16LE; an option byte tells which and whether rich-text runs
// and extended data follow. Excel 2.1 to 5 strings are 8-bit text in the
// code page of the file's CODEPAGE record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "workbook/XLSStream.h"

namespace qv {

// True when every code point of the UTF-8 text is below 256.
bool FitsLatin1(std::string_view utf8);
// Code points 0-255 as bytes (others become "?").
std::string Utf8ToLatin1(std::string_view utf8);
std::string Latin1ToUtf8(std::string_view bytes);
std::string Utf16LEToUtf8(std::string_view bytes);
std::string Utf8ToUtf16LE(std::string_view utf8);

// 8-bit text of a Windows code page (1252, 1250-1258, 874, 932, 936, 949,
// 950, 437, 850 and the other DOS pages, 10000 Mac Roman, 367 ASCII) to
// UTF-8; with 1200 a text holding a zero byte or a byte above 127 is
// UTF-16LE; an unknown code page is read as 1252.
std::string DecodeCodepage(int codepage, std::string_view bytes);
// UTF-8 to Windows-1252 (characters without a byte become "?").
std::string EncodeCp1252(std::string_view utf8);

// The single-byte Windows code pages an Excel 4.0 or 5 file may be written
// in, in the order they are tried: 1252 first, so that a text 1252 holds
// is written as before, then 1250, 1251, 1253, 1254, 1257, 1255, 1256,
// 1258 and 874.
const std::vector<int>& WritableCodepages();
// UTF-8 to the 8-bit text of one of those code pages; a character the
// page lacks becomes "?" and is counted in *replaced (when given).
std::string EncodeCodepage(int codepage, std::string_view utf8, size_t* replaced = nullptr);

// Collects the characters of every 8-bit text a file will hold and picks
// the code page to write them in: the first of WritableCodepages() that
// holds them all, else 1252 with the number of characters it replaces.
class TCodepageChooser {
 public:
  void Add(std::string_view utf8);
  struct TChoice {
    int Codepage = 1252;
    // Characters of the added texts that the code page lacks (each
    // occurrence counts); 0 when one page holds them all.
    size_t Replaced = 0;
  };
  TChoice Choose() const;

 private:
  // How often each character above ASCII occurs.
  std::unordered_map<char32_t, size_t> counts_;
};

// A BIFF8 string at off: a character count (16-bit when count16, else 8),
// the option byte, a run count (rich) and extended size (extended), the
// characters, the runs and the extended data. Returns UTF-8; consumed
// receives the bytes used. Raises "record too short" when the record ends
// inside it.
std::string ReadBIFF8String(const TRecordView& r, size_t off, bool count16, size_t* consumed);
// A BIFF8 string without its count: option byte and characters.
std::string ReadBIFF8Chars(const TRecordView& r, size_t off, size_t count, size_t* consumed);

// Appends a BIFF8 string: count (16-bit or 8-bit), option byte (always,
// even for empty text), characters. One byte per character when every
// code point fits and wide is false, else UTF-16. Texts are cut to the
// count's range.
void AppendBIFF8String(std::string& out, std::string_view utf8, bool count16, bool wide);
// The option byte and characters only (the count is the caller's); returns
// the number of characters.
size_t AppendBIFF8Chars(std::string& out, std::string_view utf8, bool wide, size_t maxChars);
// The number of characters (UTF-16 units) of a text.
size_t Utf16Length(std::string_view utf8);

}  // namespace qv
