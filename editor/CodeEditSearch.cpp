#include "editor/CodeEditSearch.h"

#include "editor/CodeEditMiscProcs.h"

namespace qv {

static bool IsDelimiter(char32_t C) { return !(IsCodeCharAlphaNumeric(C) || C == U'_'); }

TCodeEditSearch::TCodeEditSearch() {
  for (size_t c = 0; c < fTrans.size(); ++c) fTrans[c] = CodeCharLower(char32_t(c));
}

char32_t TCodeEditSearch::Trans(char32_t C) const {
  if (C < 256) return fTrans[C];
  return fSensitive ? C : CodeCharLower(C);
}

void TCodeEditSearch::SetPattern(const std::string& Value) {
  if (Value != fPattern) {
    fPattern = Value;
    fShiftInitialized = false;
  }
  fCount = 0;
}

void TCodeEditSearch::SetSensitive(bool Value) {
  if (Value == fSensitive) return;
  fSensitive = Value;
  for (size_t c = 0; c < fTrans.size(); ++c)
    fTrans[c] = fSensitive ? char32_t(c) : CodeCharLower(char32_t(c));
  fShiftInitialized = false;
}

void TCodeEditSearch::InitShiftTable() {
  const std::u32string pat = UTF8ToCodePoints(fPattern);
  fPatLen = static_cast<int>(pat.size());
  if (fPatLen == 0) throw Exception("Pattern is empty");
  fPatLenPlus = fPatLen + 1;
  fPatText.resize(pat.size());
  for (size_t i = 0; i < pat.size(); ++i) fPatText[i] = Trans(pat[i]);
  fShift.fill(fPatLenPlus);
  // Later occurrences overwrite earlier ones with smaller shifts; characters
  // sharing a bucket therefore get the smallest of their shifts, which is safe.
  for (int i = 1; i <= fPatLen; ++i) fShift[Bucket(fPatText[size_t(i - 1)])] = fPatLenPlus - i;
  fLookAt = 1;
  const char32_t last = fPatText[size_t(fPatLen - 1)];
  while (fLookAt < fPatLen && last != fPatText[size_t(fPatLen - 1 - fLookAt)]) ++fLookAt;
  fShiftInitialized = true;
}

bool TCodeEditSearch::TestWholeWord(size_t Start) {
  if (Start > 0 && !IsDelimiter(fText[Start - 1])) return false;
  const size_t after = Start + size_t(fPatLen);
  return after >= fText.size() || IsDelimiter(fText[after]);
}

int TCodeEditSearch::FindFirst(const std::string& Text) {
  if (!fShiftInitialized) InitShiftTable();
  fText = UTF8ToCodePoints(Text);
  fRun = -1;
  if (fText.size() < size_t(fPatLen)) return 0;
  return Next();
}

int TCodeEditSearch::Next() {
  if (!fShiftInitialized || fPatLen == 0) return 0;
  const long end = static_cast<long>(fText.size());
  const char32_t last = fPatText[size_t(fPatLen - 1)];
  fRun += fPatLen;
  while (fRun < end) {
    if (Trans(fText[size_t(fRun)]) == last) {
      const long start = fRun - fPatLen + 1;
      bool match = true;
      for (int k = 0; k < fPatLen - 1 && match; ++k)
        match = Trans(fText[size_t(start + k)]) == fPatText[size_t(k)];
      if (match && (!fWhole || TestWholeWord(size_t(start)))) {
        ++fCount;
        return static_cast<int>(start + 1);
      }
      fRun += fLookAt;
      if (fRun >= end) return 0;
      fRun += fShift[Bucket(Trans(fText[size_t(fRun)]))] - 1;
    } else {
      // Sunday rule: shift by the character just after the window (the
      // text's terminating zero at the end).
      const char32_t after = fRun + 1 < end ? fText[size_t(fRun + 1)] : U'\0';
      fRun += fShift[Bucket(Trans(after))];
    }
  }
  return 0;
}

int TCodeEditSearch::FindAll(const std::string& Text) {
  fResults.clear();
  for (int pos = FindFirst(Text); pos > 0; pos = Next()) fResults.push_back(pos);
  return static_cast<int>(fResults.size());
}

int TCodeEditSearch::Results(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(fResults.size())) return 0;
  return fResults[size_t(Index)];
}

void TCodeEditSearch::FixResults(int First, int Delta) {
  if (Delta == 0) return;
  for (size_t i = fResults.size(); i-- > 0;) {
    if (fResults[i] <= First) break;
    fResults[i] -= Delta;
  }
}

}  // namespace qv
