#include "editor/CodeEditSearch.h"

#include "editor/CodeEditMiscProcs.h"

namespace qv {

static bool IsDelimiter(char32_t C) { return !(IsCodeCharAlphaNumeric(C) || C == U'_'); }

TCodeEditSearch::TCodeEditSearch() {
  for (size_t c = 0; c < trans_.size(); ++c) trans_[c] = CodeCharLower(char32_t(c));
}

char32_t TCodeEditSearch::Trans(char32_t C) const {
  if (C < 256) return trans_[C];
  return sensitive_ ? C : CodeCharLower(C);
}

void TCodeEditSearch::SetPattern(const std::string& Value) {
  if (Value != pattern_) {
    pattern_ = Value;
    shiftInitialized_ = false;
  }
  count_ = 0;
}

void TCodeEditSearch::SetSensitive(bool Value) {
  if (Value == sensitive_) return;
  sensitive_ = Value;
  for (size_t c = 0; c < trans_.size(); ++c)
    trans_[c] = sensitive_ ? char32_t(c) : CodeCharLower(char32_t(c));
  shiftInitialized_ = false;
}

void TCodeEditSearch::InitShiftTable() {
  const std::u32string pat = UTF8ToCodePoints(pattern_);
  patLen_ = static_cast<int>(pat.size());
  if (patLen_ == 0) throw Exception("Pattern is empty");
  patLenPlus_ = patLen_ + 1;
  patText_.resize(pat.size());
  for (size_t i = 0; i < pat.size(); ++i) patText_[i] = Trans(pat[i]);
  shift_.fill(patLenPlus_);
  // Later occurrences overwrite earlier ones with smaller shifts; characters
  // sharing a bucket therefore get the smallest of their shifts, which is safe.
  for (int i = 1; i <= patLen_; ++i) shift_[Bucket(patText_[size_t(i - 1)])] = patLenPlus_ - i;
  lookAt_ = 1;
  const char32_t last = patText_[size_t(patLen_ - 1)];
  while (lookAt_ < patLen_ && last != patText_[size_t(patLen_ - 1 - lookAt_)]) ++lookAt_;
  shiftInitialized_ = true;
}

bool TCodeEditSearch::TestWholeWord(size_t Start) {
  if (Start > 0 && !IsDelimiter(text_[Start - 1])) return false;
  const size_t after = Start + size_t(patLen_);
  return after >= text_.size() || IsDelimiter(text_[after]);
}

int TCodeEditSearch::FindFirst(const std::string& Text) {
  if (!shiftInitialized_) InitShiftTable();
  text_ = UTF8ToCodePoints(Text);
  run_ = -1;
  if (text_.size() < size_t(patLen_)) return 0;
  return Next();
}

int TCodeEditSearch::Next() {
  if (!shiftInitialized_ || patLen_ == 0) return 0;
  const long end = static_cast<long>(text_.size());
  const char32_t last = patText_[size_t(patLen_ - 1)];
  run_ += patLen_;
  while (run_ < end) {
    if (Trans(text_[size_t(run_)]) == last) {
      const long start = run_ - patLen_ + 1;
      bool match = true;
      for (int k = 0; k < patLen_ - 1 && match; ++k)
        match = Trans(text_[size_t(start + k)]) == patText_[size_t(k)];
      if (match && (!whole_ || TestWholeWord(size_t(start)))) {
        ++count_;
        return static_cast<int>(start + 1);
      }
      run_ += lookAt_;
      if (run_ >= end) return 0;
      run_ += shift_[Bucket(Trans(text_[size_t(run_)]))] - 1;
    } else {
      // Sunday rule: shift by the character just after the window (the
      // text's terminating zero at the end).
      const char32_t after = run_ + 1 < end ? text_[size_t(run_ + 1)] : U'\0';
      run_ += shift_[Bucket(Trans(after))];
    }
  }
  return 0;
}

int TCodeEditSearch::FindAll(const std::string& Text) {
  results_.clear();
  for (int pos = FindFirst(Text); pos > 0; pos = Next()) results_.push_back(pos);
  return static_cast<int>(results_.size());
}

int TCodeEditSearch::Results(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(results_.size())) return 0;
  return results_[size_t(Index)];
}

void TCodeEditSearch::FixResults(int First, int Delta) {
  if (Delta == 0) return;
  for (size_t i = results_.size(); i-- > 0;) {
    if (results_[i] <= First) break;
    results_[i] -= Delta;
  }
}

}  // namespace qv
