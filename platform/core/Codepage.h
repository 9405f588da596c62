// Windows-1252 and UTF-16 conversions of UTF-8 text.
//
// Files with 8-bit strings are read and written in Windows-1252. The bytes
// 0x81, 0x8D, 0x8F, 0x90 and 0x9D that the code page leaves undefined map
// to U+0081, U+008D, U+008F, U+0090 and U+009D and back, as Windows does.
// Characters without a 1252 byte become "?". Malformed UTF-8 bytes become
// "?" on the way to 1252 and U+FFFD on the way to UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// The code point of a 1252 byte.
char32_t Cp1252ToUnicode(uint8_t byte);
// The 1252 byte of a code point, or -1 when it has none.
int UnicodeToCp1252(char32_t cp);

std::string Cp1252ToUtf8(std::string_view bytes);
std::string Utf8ToCp1252(std::string_view utf8);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s);
// Decodes the code point at pos and advances pos; a malformed sequence
// yields U+FFFD and advances by one byte. pos must be < s.size().
char32_t Utf8Next(std::string_view s, size_t& pos);
void Utf8Append(std::string& out, char32_t cp);
// Number of code points (malformed bytes count one each).
size_t Utf8Length(std::string_view s);
// Text that is valid UTF-8 comes back as it is; other text is taken as
// Windows-1252 and converted (for reading files of unknown encoding).
std::string ToUtf8Guess(std::string_view bytes);

std::u16string Utf8ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace qv
