// Byte rules of loading and saving that the existing tables leave open.
#include <gtest/gtest.h>

#include "editor/CodeEditTextBuffer.h"

using namespace qv;

namespace {
std::vector<std::string> LinesOf(const TCodeEditStringList& l) {
  std::vector<std::string> r;
  for (int i = 0; i < l.Count(); ++i) r.push_back(l.Get(i));
  return r;
}
}  // namespace

TEST(TextBufferReview, LoadByteRules) {
  using S = std::string;
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
    TCodeEditFileFormat format;
  } cases[] = {
      // After a line: one CR, then one LF, then one NUL are skipped.
      {S("a\0\0b", 4), {"a", "", "b"}, sffDos},
      {S("a\r\0b", 4), {"a", "b"}, sffMac},
      {S("a\n\0b", 4), {"a", "b"}, sffUnix},
      {S("a\0", 2), {"a"}, sffDos},
      {S("\0", 1), {""}, sffDos},
      // LF CR is two breaks: an empty line between, both kinds seen.
      {"a\n\rb", {"a", "", "b"}, sffDos},
      {"a\r\n\r\n", {"a", ""}, sffDos},
      {"\r\n", {""}, sffDos},
      {"\n\n", {"", ""}, sffUnix},
      {"\r", {""}, sffMac},
      {"a\tb \n", {"a\tb "}, sffUnix},  // tabs and trailing blanks stay
  };
  for (const Case& c : cases) {
    TCodeEditStringList list;
    list.LoadFromBytes(c.bytes);
    EXPECT_EQ(LinesOf(list), c.lines) << testing::PrintToString(c.bytes);
    EXPECT_EQ(list.FileFormat(), c.format) << testing::PrintToString(c.bytes);
    // A new load replaces the old lines completely.
    list.LoadFromBytes("z");
    EXPECT_EQ(LinesOf(list), std::vector<std::string>{"z"});
  }
}

TEST(TextBufferReview, SaveByteRules) {
  struct Case {
    std::vector<std::string> lines;
    TCodeEditFileFormat format;
    bool appendBreak;
    std::string expected;
  } cases[] = {
      {{}, sffDos, true, ""},
      {{""}, sffDos, true, "\r\n"},
      {{""}, sffDos, false, ""},
      {{"a", ""}, sffUnix, false, "a\n"},
      {{"a", ""}, sffUnix, true, "a\n\n"},
      {{"x", "y"}, sffMac, true, "x\ry\r"},
  };
  for (const Case& c : cases) {
    TCodeEditStringList list;
    for (const auto& l : c.lines) list.Add(l);
    list.SetFileFormat(c.format);
    list.SetAppendBreakAtEnd(c.appendBreak);
    EXPECT_EQ(list.SaveToBytes(), c.expected);
    // Loading the bytes back gives the lines again (a final empty line
    // needs the final break).
    if (c.appendBreak) {
      TCodeEditStringList back;
      back.LoadFromBytes(c.expected);
      EXPECT_EQ(LinesOf(back), c.lines);
    }
  }
}

TEST(TextBufferReview, SavedWrappedTextHoldsLogicalLines) {
  TCodeEditStringList list;
  list.SetWrapWidth(10);
  list.SetWordWrap(true);
  list.Add("alpha beta gamma delta");
  list.Add("short");
  ASSERT_GT(list.Count(), 2);
  list.SetFileFormat(sffUnix);
  EXPECT_EQ(list.SaveToBytes(), "alpha beta gamma delta\nshort\n");
  list.SetWordWrap(false);
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"alpha beta gamma delta", "short"}));
}
