#include <gtest/gtest.h>

#include <random>

#include "editor/CodeEditSearch.h"

using namespace qv;

namespace {

std::vector<int> FindAllOf(TCodeEditSearch& s, const std::string& text) {
  std::vector<int> r;
  const int n = s.FindAll(text);
  for (int i = 0; i < n; ++i) r.push_back(s.Results(i));
  return r;
}

}  // namespace

TEST(Search, FindAllTable) {
  struct Case {
    const char* pattern;
    const char* text;
    bool sensitive;
    bool whole;
    std::vector<int> expected;
  } cases[] = {
      {"ab", "abab", false, false, {1, 3}},
      {"aa", "aaaa", false, false, {1, 3}},  // no overlaps
      {"Ab", "xaBy", false, false, {2}},
      {"Ab", "xaBy", true, false, {}},
      {"Ab", "Ab ab AB", true, false, {1}},
      {"ab", "ab_ab ab", false, true, {7}},  // "_" joins words
      {"ab", "ab,ab(ab)", false, true, {1, 4, 7}},
      {"ab", "abc", false, true, {}},
      {"abc", "ab", false, false, {}},  // text shorter than the pattern
      {"needle", "a needle in a haystack with another needle", false, false, {3, 37}},
      {"x", "", false, false, {}},
      {"cabab", "cacababcabab", false, false, {3, 8}},
      {"aab", "aaab aab", false, false, {2, 6}},
      // Code points, not bytes: "é" is one column.
      {"b", "éb", false, false, {2}},
      {"ÄB", "xäb äB", false, false, {2, 5}},
      {"ÄB", "xäb äB", true, false, {}},
      {"straße", "Die STRASSE, die Straße", false, true, {18}},
      {"word", "word·word", false, true, {1, 6}},  // U+00B7 is no letter
  };
  for (const Case& c : cases) {
    TCodeEditSearch s;
    s.SetPattern(c.pattern);
    s.SetSensitive(c.sensitive);
    s.SetWhole(c.whole);
    EXPECT_EQ(FindAllOf(s, c.text), c.expected) << c.pattern << " in " << c.text;
    EXPECT_EQ(s.ResultCount(), int(c.expected.size()));
  }
}

TEST(Search, FirstNextCountAndErrors) {
  TCodeEditSearch s;
  s.SetPattern("to");
  EXPECT_EQ(s.FindFirst("to be or not to be"), 1);
  EXPECT_EQ(s.Next(), 14);
  EXPECT_EQ(s.Next(), 0);
  EXPECT_EQ(s.Count(), 2);
  s.SetPattern("to");  // any write resets the count
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.Results(-1), 0);
  EXPECT_EQ(s.Results(5), 0);

  TCodeEditSearch empty;
  try {
    empty.FindFirst("abc");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Pattern is empty");
  }
}

TEST(Search, ObjectsKeepTheirOwnCaseTables) {
  // A case-sensitive search must not change what a case-insensitive one
  // finds, even when both are used alternately.
  TCodeEditSearch insensitive, sensitive;
  insensitive.SetPattern("abc");
  sensitive.SetPattern("abc");
  sensitive.SetSensitive(true);
  EXPECT_EQ(insensitive.FindAll("ABC abc"), 2);
  EXPECT_EQ(sensitive.FindAll("ABC abc"), 1);
  EXPECT_EQ(insensitive.FindAll("ABC abc"), 2);
  sensitive.SetSensitive(false);
  EXPECT_EQ(sensitive.FindAll("ABC abc"), 2);
}

TEST(Search, FixResultsShiftsLaterPositions) {
  TCodeEditSearch s;
  s.SetPattern("x");
  ASSERT_EQ(s.FindAll("  x    x   x"), 3);
  EXPECT_EQ(s.Results(0), 3);
  EXPECT_EQ(s.Results(1), 8);
  EXPECT_EQ(s.Results(2), 12);
  s.FixResults(5, 2);
  EXPECT_EQ(s.Results(0), 3);
  EXPECT_EQ(s.Results(1), 6);
  EXPECT_EQ(s.Results(2), 10);
  s.FixResults(0, 0);
  EXPECT_EQ(s.Results(0), 3);
}

// ---- The quick search against a plain left-to-right scan on many small texts:
// the skips must never jump over a match.

namespace {

bool IsWordChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

std::vector<int> Plain(const std::string& text, const std::string& pat, bool sensitive,
                       bool whole) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
  std::vector<int> r;
  for (size_t i = 0; i + pat.size() <= text.size();) {
    bool match = true;
    for (size_t k = 0; k < pat.size() && match; ++k)
      match = sensitive ? text[i + k] == pat[k] : lower(text[i + k]) == lower(pat[k]);
    if (match && whole) {
      const size_t after = i + pat.size();
      match = (i == 0 || !IsWordChar(text[i - 1])) &&
              (after == text.size() || !IsWordChar(text[after]));
    }
    if (match) {
      r.push_back(int(i + 1));
      i += pat.size();
    } else {
      ++i;
    }
  }
  return r;
}

}  // namespace

TEST(Search, AgreesWithPlainScan) {
  std::mt19937 rng(12345);
  const std::string alphabet = "aAb _";
  auto random = [&](size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 4000; ++round) {
    const std::string pat = random(1 + rng() % 4);
    const std::string text = random(rng() % 24);
    const bool sensitive = rng() % 2, whole = rng() % 2;
    TCodeEditSearch s;
    s.SetSensitive(sensitive);
    s.SetWhole(whole);
    s.SetPattern(pat);
    s.FindAll(text);
    std::vector<int> got;
    for (int i = 0; i < s.ResultCount(); ++i) got.push_back(s.Results(i));
    ASSERT_EQ(got, Plain(text, pat, sensitive, whole))
        << "pattern \"" << pat << "\" text \"" << text << "\" sensitive " << sensitive << " whole "
        << whole;
  }
}
