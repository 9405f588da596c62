// The quick search against a plain left-to-right scan on many small texts:
// the skips must never jump over a match.
#include <gtest/gtest.h>

#include <random>

#include "editor/CodeEditSearch.h"

using namespace qv;

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

TEST(SearchReview, AgreesWithPlainScan) {
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
