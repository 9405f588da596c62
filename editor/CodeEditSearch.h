// Text search engine: every occurrence of a pattern in one line of text.
//
// TCodeEditSearch uses the Sunday variant of the Boyer-Moore quick search
// over Unicode code points. Each object has its own translation (case
// folding) and shift tables, so searches with different options never
// disturb each other. Positions are 1-based character positions; matches do
// not overlap. The text given to FindFirst/FindAll is copied (decoded), so
// Next stays valid while the caller changes its own string.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

namespace qv {

class TCodeEditSearch {
 public:
  TCodeEditSearch();
  virtual ~TCodeEditSearch() = default;

  const std::string& Pattern() const { return pattern_; }
  // A different text marks the shift table unbuilt; any write resets Count.
  void SetPattern(const std::string& Value);
  bool Sensitive() const { return sensitive_; }
  void SetSensitive(bool Value);
  bool Whole() const { return whole_; }
  void SetWhole(bool Value) { whole_ = Value; }

  // 1-based position of the first match, 0 for none. An empty pattern
  // raises Exception "Pattern is empty".
  int FindFirst(const std::string& Text);
  // The following match, 0 when there is none.
  int Next();
  // Number of matches; positions are Results(0..ResultCount()-1).
  int FindAll(const std::string& Text);
  int Results(int Index) const;
  int ResultCount() const { return static_cast<int>(results_.size()); }
  // Matches found since the pattern was last set.
  int Count() const { return count_; }
  // Subtracts Delta from every result greater than First.
  void FixResults(int First, int Delta);

 protected:
  // Whole-word test of the window starting at 0-based index Start: the
  // character before must be a delimiter (or the text start), the one after
  // the window a delimiter (or the text end).
  virtual bool TestWholeWord(size_t Start);

 private:
  char32_t Trans(char32_t C) const;
  static size_t Bucket(char32_t C) { return C & 0xFF; }
  void InitShiftTable();

  std::u32string text_;     // the text being searched
  std::u32string patText_;  // pattern, translated
  std::string pattern_;
  long run_ = -1;  // index of the current window's last character
  int count_ = 0;
  int patLen_ = 0;
  int patLenPlus_ = 1;
  int lookAt_ = 1;
  std::array<int, 256> shift_{};
  std::array<char32_t, 256> trans_{};
  bool sensitive_ = false;
  bool whole_ = false;
  bool shiftInitialized_ = false;
  std::vector<int> results_;
};

}  // namespace qv
