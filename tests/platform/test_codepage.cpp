// Windows-1252, UTF-8 and UTF-16 conversions.
#include <gtest/gtest.h>

#include "platform/core/Codepage.h"

using namespace qv;

namespace {

TEST(CodepageTest, Cp1252BytesAndCodePoints) {
  struct Case {
    uint8_t byte;
    char32_t cp;
  } cases[] = {
      {0x41, U'A'},   {0x80, 0x20AC}, {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F},
      {0x90, 0x0090}, {0x9D, 0x009D}, {0x92, 0x2019}, {0x9F, 0x0178}, {0xA0, 0x00A0},
      {0xE9, 0x00E9}, {0xFF, 0x00FF}, {0x00, 0x0000}, {0x8A, 0x0160}, {0x99, 0x2122},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1252ToUnicode(c.byte), c.cp) << int(c.byte);
    EXPECT_EQ(UnicodeToCp1252(c.cp), c.byte) << int(c.byte);
  }
  // Every byte survives the round trip through UTF-8.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(Cp1252ToUtf8("\x80 caf\xE9"), "\xE2\x82\xAC caf\xC3\xA9");
}

TEST(CodepageTest, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(UnicodeToCp1252(0x0100), -1);
  EXPECT_EQ(UnicodeToCp1252(0x0080), -1);  // C1 control without a 1252 byte
  // U+4E2D (3 bytes), U+1F600 (4 bytes), a lone continuation byte, a
  // truncated sequence at the end.
  EXPECT_EQ(Utf8ToCp1252("a\xE4\xB8\xAD"
                         "b\xF0\x9F\x98\x80"
                         "c\x80"
                         "d\xC3"),
            "a?b?c?d?");
}

TEST(CodepageTest, Utf8Validation) {
  struct Case {
    std::string text;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain", true},
      {"\xC3\xA9", true},
      {"\xEF\xBF\xBD", true},       // U+FFFD itself
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
      {"\xC0\xAF", false},          // overlong '/'
      {"\xE0\x80\xAF", false},      // overlong
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xC3", false},              // truncated
      {"\xE9t\xE9", false},         // Windows-1252 text
      {std::string("a\0b", 3), true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsValidUtf8(c.text), c.valid) << testing::PrintToString(c.text);
  EXPECT_EQ(Utf8Length("a\xC3\xA9\xF0\x9F\x98\x80"), 3u);
  EXPECT_EQ(ToUtf8Guess("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(ToUtf8Guess("caf\xC3\xA9"), "caf\xC3\xA9");
}

TEST(CodepageTest, Utf16RoundTripAndBrokenSurrogates) {
  const std::string text = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";
  const std::u16string w = Utf8ToUtf16(text);
  EXPECT_EQ(w, (std::u16string{u'A', 0x00E9, 0x4E2D, 0xD83D, 0xDE00}));
  EXPECT_EQ(Utf16ToUtf8(w), text);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'x', 0xDE00}), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

}  // namespace
