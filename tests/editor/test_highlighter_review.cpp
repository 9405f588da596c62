// Token runs with positions, and the fixed texts of the model highlighter.
#include <gtest/gtest.h>

#include "editor/CodeHighlighterSample.h"

using namespace qv;

TEST(HighlighterReview, RunsWithPositionsAndAttributes) {
  struct R {
    int pos, kind;
    std::string text;
    const char* attr;  // attribute name, nullptr for none
  };
  struct Case {
    std::string line;
    int32_t rangeIn;
    std::vector<R> runs;
    int32_t rangeOut;
  } cases[] = {
      {"x{", 0, {{0, 1, "x", "Identifier"}, {1, 0, "{", "Comment"}}, 1},
      {"{}", 0, {{0, 0, "{}", "Comment"}}, 0},
      {"}x", 1, {{0, 0, "}", "Comment"}, {1, 1, "x", "Identifier"}}, 0},
      {"\"\"=", 0, {{0, 6, "\"\"", "String"}, {2, 8, "=", "Identifier"}}, 0},
      {"//", 0, {{0, 0, "//", "Comment"}}, 0},
      {"a//b//c",
       0,
       {{0, 1, "a", "Identifier"}, {1, 0, "//b//", "Comment"}, {6, 1, "c", "Identifier"}},
       0},
      {"\xC3\xA9/x",
       0,
       {{0, 8, "\xC3\xA9", "Identifier"}, {1, 1, "/", "Identifier"}, {2, 1, "x", "Identifier"}},
       0},
      {"Title\t\"t\"",
       0,
       {{0, 4, "Title", "Paskey"}, {5, 5, "\t", "Space"}, {6, 6, "\"t\"", "String"}},
       0},
      {"Variables2", 0, {{0, 4, "Variables", "Paskey"}, {9, 8, "2", "Identifier"}}, 0},
      {"{ a } Data",
       0,
       {{0, 0, "{ a }", "Comment"}, {5, 5, " ", "Space"}, {6, 4, "Data", "Paskey"}},
       0},
  };
  TCodeSampleSyn hl;
  for (const Case& c : cases) {
    const TCodeLineHighlight h = HighlightLine(hl, c.line, c.rangeIn);
    ASSERT_EQ(h.Runs.size(), c.runs.size()) << c.line;
    for (size_t i = 0; i < c.runs.size(); ++i) {
      const TCodeTokenRun& got = h.Runs[i];
      EXPECT_EQ(got.Pos, c.runs[i].pos) << c.line << " #" << i;
      EXPECT_EQ(got.Kind, c.runs[i].kind) << c.line << " #" << i;
      EXPECT_EQ(got.Text, c.runs[i].text) << c.line << " #" << i;
      ASSERT_NE(got.Attribute, nullptr) << c.line << " #" << i;
      EXPECT_EQ(got.Attribute->Name(), c.runs[i].attr) << c.line << " #" << i;
    }
    EXPECT_EQ(h.Range, c.rangeOut) << c.line;
  }
}

TEST(HighlighterReview, FixedTexts) {
  TCodeSampleSyn hl;
  EXPECT_EQ(hl.GetSampleSource(),
            "{ Sample source for the demo highlighter }\r\n\r\n"
            "This highlighter will recognize the words Hello and\r\n"
            "World as keywords. It will also highlight \"Strings\".\r\n\r\n"
            "And a special keyword type: CodeEdit\r\n\r\n"
            "/* This style of comments is also highlighted */");
  EXPECT_EQ(hl.GetDefaultAttribute(1)->Name(), "Identifier");
  EXPECT_EQ(hl.GetDefaultAttribute(-1), nullptr);
  const TCodeCharSet256 ident = hl.GetIdentChars();
  EXPECT_EQ(ident.count(), 53u);
  EXPECT_TRUE(ident.test('_') && ident.test('a') && ident.test('Z'));
  EXPECT_FALSE(ident.test('0'));
  // After a line ends inside a brace comment the next line continues it;
  // the stored range of a line ending inside a string is 0.
  hl.ResetRange();
  hl.SetLine("{ open", 0);
  hl.NextToEol();
  EXPECT_EQ(hl.GetRange(), 1);
  hl.SetRange(3);
  hl.SetLine("x", 1);
  EXPECT_EQ(hl.GetTokenKind(), 1);
  EXPECT_EQ(hl.GetTokenAttribute(), hl.IdentifierAttri());
  hl.Next();
  EXPECT_TRUE(hl.GetEol());
  EXPECT_EQ(hl.GetTokenAttribute(), nullptr);
}
