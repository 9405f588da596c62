// Word splitting, replacement and the key-cycled XOR text encoding.
#include <gtest/gtest.h>

#include <string>

#include "support/KitStrUtils.h"

namespace qv {
namespace {

TEST(KitStrUtils, ReplaceStr) {
  struct Case {
    const char* s;
    const char* srch;
    const char* repl;
    const char* expected;
  };
  const Case cases[] = {
      {"aaa", "aa", "b", "ba"},  // no rescanning of what was replaced
      {"a.b.c", ".", "::", "a::b::c"},
      {"abc", "x", "y", "abc"},
      {"abab", "ab", "", ""},
      {"xx", "x", "xx", "xxxx"},
      {"", "a", "b", ""},
      {"abc", "", "z", "abc"},  // an empty search changes nothing
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReplaceStr(c.s, c.srch, c.repl), c.expected) << c.s << "/" << c.srch;
}

TEST(KitStrUtils, Words) {
  const TSysCharSet delims(" ,[]");
  struct Case {
    const char* s;
    int count;
    int n;
    int position;
    const char* word;
  };
  const Case cases[] = {
      {"", 0, 1, 0, ""},
      {" , [] ", 0, 1, 0, ""},
      {"[fpState,fpPosition]", 2, 1, 2, "fpState"},
      {"[fpState,fpPosition]", 2, 2, 10, "fpPosition"},
      {"[fpState,fpPosition]", 2, 3, 0, ""},
      {"one", 1, 1, 1, "one"},
      {"  lead and trail  ", 3, 3, 12, "trail"},
      {"a b", 2, 0, 0, ""},
      {"a b", 2, -1, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(WordCount(c.s, delims), c.count);
    EXPECT_EQ(WordPosition(c.n, c.s, delims), c.position);
    EXPECT_EQ(ExtractWord(c.n, c.s, delims), c.word);
  }
}

TEST(KitStrUtils, XorEncoding) {
  // No key: plain lower-case hexadecimal of the bytes.
  EXPECT_EQ(XorEncode("", "abc"), "616263");
  EXPECT_EQ(XorDecode("", "616263"), "abc");
  // The key is cycled from its first byte: 'a'^'K', 'b'^'e', 'c'^'K'.
  EXPECT_EQ(XorEncode("Ke", "abc"), "2a0728");
  EXPECT_EQ(XorDecode("Ke", "2a0728"), "abc");
  // A pair that is not hexadecimal counts as a blank; an odd last
  // character is dropped; upper-case digits are read too.
  EXPECT_EQ(XorDecode("", "61zz63"), "a c");
  EXPECT_EQ(XorDecode("", "6162636"), "abc");
  EXPECT_EQ(XorDecode("", "4A4b"), "JK");
  EXPECT_EQ(XorDecode("\x01", "zz"), "!");  // the blank goes through the key too
  // Every byte round-trips under a key, UTF-8 text included.
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  all += "Größe µ";
  const std::string enc = XorEncode("stored key", all);
  EXPECT_EQ(enc.size(), 2 * all.size());
  EXPECT_EQ(enc.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(XorDecode("stored key", enc), all);
}

}  // namespace
}  // namespace qv
