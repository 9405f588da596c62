// Word splitting, text replacement and the key-cycled XOR text encoding of
// stored values. Texts are byte strings (UTF-8 in practice); delimiters
// are single bytes, so ASCII delimiters split UTF-8 text correctly.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

namespace qv {

// A set of byte values, built from the characters of a text:
// TSysCharSet(" ,;\t").
class TSysCharSet {
 public:
  TSysCharSet() = default;
  TSysCharSet(std::string_view chars) {  // NOLINT: implicit by design
    for (char c : chars) bits_.set(static_cast<unsigned char>(c));
  }
  TSysCharSet(const char* chars) : TSysCharSet(std::string_view(chars)) {}  // NOLINT
  bool Contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }
  void Include(char c) { bits_.set(static_cast<unsigned char>(c)); }

 private:
  std::bitset<256> bits_;
};

// Every occurrence of Srch, scanning left to right without rescanning
// replaced text, replaced by Replace. An empty Srch changes nothing.
std::string ReplaceStr(std::string_view S, std::string_view Srch, std::string_view Replace);

// A word is a maximal run of characters not in WordDelims.
int WordCount(std::string_view S, const TSysCharSet& WordDelims);
// 1-based index of the first character of word N (counted from 1); 0 when
// there is no such word.
int WordPosition(int N, std::string_view S, const TSysCharSet& WordDelims);
// Word N, empty when there is none.
std::string ExtractWord(int N, std::string_view S, const TSysCharSet& WordDelims);

// Each byte of Source, XORed with the key bytes in turn (the key cycled;
// an empty key leaves the byte), as two lower-case hexadecimal digits.
std::string XorEncode(std::string_view Key, std::string_view Source);
// The reverse: each pair of characters read as a hexadecimal byte (a pair
// that is not hexadecimal counts as 32, a blank), XORed with the key bytes
// in turn. A trailing odd character is ignored.
std::string XorDecode(std::string_view Key, std::string_view Source);

}  // namespace qv
