#include "editor/CodeEditTextBuffer.h"

#include <algorithm>

#include "platform/core/Codepage.h"

namespace qv {

// ---- buffered file writer ---------------------------------------------------

TCodeEditFiler::TCodeEditFiler() : fBuffer(16384, '\0') {}

void TCodeEditFiler::SetFileFormat(TCodeEditFileFormat Value) {
  fFileFormat = Value;
  switch (Value) {
    case sffDos:
      fLineBreak = "\r\n";
      break;
    case sffUnix:
      fLineBreak = "\n";
      break;
    case sffMac:
      fLineBreak = "\r";
      break;
  }
}

TCodeEditFileWriter::TCodeEditFileWriter(const std::string& FileName)
    : fStream(std::make_unique<TAtomicFileStream>(FileName)) {}

TCodeEditFileWriter::~TCodeEditFileWriter() = default;

void TCodeEditFileWriter::Flush() {
  if (fBufPtr > 0 && fStream) {
    fStream->WriteBuffer(fBuffer.data(), static_cast<int64_t>(fBufPtr));
    fBufPtr = 0;
  }
}

void TCodeEditFileWriter::Write(const std::string& S) {
  if (fBufPtr + S.size() > fBuffer.size()) {
    Flush();
    if (S.size() > fBuffer.size()) fBuffer.resize(S.size());
  }
  std::copy(S.begin(), S.end(), fBuffer.begin() + std::ptrdiff_t(fBufPtr));
  fBufPtr += S.size();
}

void TCodeEditFileWriter::WriteLine(const std::string& S) {
  const size_t need = S.size() + fLineBreak.size();
  if (fBufPtr + need > fBuffer.size()) {
    Flush();
    if (need > fBuffer.size()) fBuffer.resize(need);
  }
  std::copy(S.begin(), S.end(), fBuffer.begin() + std::ptrdiff_t(fBufPtr));
  fBufPtr += S.size();
  std::copy(fLineBreak.begin(), fLineBreak.end(), fBuffer.begin() + std::ptrdiff_t(fBufPtr));
  fBufPtr += fLineBreak.size();
}

void TCodeEditFileWriter::Commit() {
  Flush();
  if (fStream) {
    fStream->Commit();
    fStream.reset();
  }
}

// ---- TCodeEditStringList ----------------------------------------------------

TCodeEditStringList::TCodeEditStringList() : fConvertTabsProc(GetBestConvertTabsProc(8)) {}

TCodeEditStringList::~TCodeEditStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TCodeEditStringList::ListIndexError(int Index) const {
  throw ECodeEditStringList(Format("Invalid stringlist index %d", Index));
}

void TCodeEditStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    if (OnChanging) OnChanging(this);
  } else {
    if (OnChange) OnChange(this);
  }
}

void TCodeEditStringList::Grow() {
  fCapacity += fCapacity < 65 ? 16 : fCapacity / 4;
  fList.reserve(size_t(fCapacity));
}

void TCodeEditStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < GetCount()) NewCapacity = GetCount();
  fCapacity = NewCapacity;
  if (size_t(fCapacity) > fList.capacity()) fList.reserve(size_t(fCapacity));
}

std::string TCodeEditStringList::Get(int Index) const {
  if (Index < 0 || Index >= GetCount()) return std::string();
  return fList[size_t(Index)].fString;
}

void* TCodeEditStringList::GetObject(int Index) const {
  if (Index < 0 || Index >= GetCount()) return nullptr;
  return fList[size_t(Index)].fObject;
}

int32_t TCodeEditStringList::GetRange(int Index) const {
  if (Index < 0 || Index >= GetCount()) return 0;
  return fList[size_t(Index)].fRange;
}

const TCodeEditStringRec& TCodeEditStringList::Rec(int Index) const {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  return fList[size_t(Index)];
}

void TCodeEditStringList::PutRange(int Index, int32_t ARange) {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  fList[size_t(Index)].fRange = ARange;
}

void TCodeEditStringList::PutObject(int Index, void* AObject) {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  BeginUpdate();
  fList[size_t(Index)].fObject = AObject;
  EndUpdate();
}

void TCodeEditStringList::InsertItem(int Index, const std::string& S, bool Continued) {
  if (GetCount() >= fCapacity) Grow();
  TCodeEditStringRec rec;
  rec.fString = S;
  rec.fRange = -1;
  rec.fExpandedLength = -1;
  rec.fFlags = sfExpandedLengthUnknown;
  rec.fContinued = Continued;
  fList.insert(fList.begin() + Index, std::move(rec));
  fIndexOfLongestLine = -1;
}

size_t TCodeEditStringList::WrapSplit(const std::string& S) const {
  // Returns the byte length of the first piece.
  if (!fWordWrap) return S.size();
  const std::u32string chars = UTF8ToCodePoints(S);
  const int len = static_cast<int>(chars.size());
  if (len <= fWrapWidth) return S.size();
  auto isBreak = [](char32_t c) {
    return c == U'\t' || c == U' ' || c == U',' || c == U';' || c == U'>';
  };
  int p = 0;  // 1-based position of the break character
  for (int i = fWrapWidth; i >= 1; --i)
    if (isBreak(chars[size_t(i - 1)])) {
      p = i;
      break;
    }
  if (p == 0)
    for (int i = fWrapWidth + 1; i <= len - 1; ++i)
      if (isBreak(chars[size_t(i - 1)])) {
        p = i;
        break;
      }
  if (p == 0) return S.size();
  return UTF8CharToByteIndex(S, size_t(p));
}

int TCodeEditStringList::InsertWrapped(int Index, const std::string& S) {
  std::string rest = S;
  int pieces = 0;
  do {
    const size_t cut = WrapSplit(rest);
    InsertItem(Index + pieces, rest.substr(0, cut), pieces > 0);
    rest.erase(0, cut);
    ++pieces;
  } while (!rest.empty());
  return pieces;
}

int TCodeEditStringList::Add(const std::string& S) {
  BeginUpdate();
  const int index = GetCount();
  InsertWrapped(index, S);
  if (OnAdded) OnAdded(this, index, S);
  EndUpdate();
  return index;
}

void TCodeEditStringList::AddStrings(const TStrings& AStrings) {
  const int n = AStrings.Count();
  if (n <= 0) return;
  BeginUpdate();
  const int first = GetCount();
  const int need = first + n;
  SetCapacity((need + 15) / 16 * 16);
  for (int i = 0; i < n; ++i) {
    TCodeEditStringRec rec;
    rec.fString = AStrings.Get(i);
    rec.fObject = AStrings.GetObject(i);
    rec.fRange = -1;
    rec.fExpandedLength = -1;
    rec.fFlags = sfExpandedLengthUnknown;
    fList.push_back(std::move(rec));
  }
  fIndexOfLongestLine = -1;
  if (OnAdded) OnAdded(this, first, std::string());
  EndUpdate();
}

void TCodeEditStringList::Insert(int Index, const std::string& S) {
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  BeginUpdate();
  InsertWrapped(Index, S);
  if (OnInserted) OnInserted(this, Index, S);
  EndUpdate();
}

void TCodeEditStringList::InsertLines(int Index, int NumLines) {
  if (NumLines <= 0) return;
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  BeginUpdate();
  while (GetCount() + NumLines > fCapacity) Grow();
  fList.insert(fList.begin() + Index, size_t(NumLines), TCodeEditStringRec());
  fIndexOfLongestLine = -1;
  if (OnAdded) OnAdded(this, Index, std::string());
  EndUpdate();
}

void TCodeEditStringList::Put(int Index, const std::string& S) {
  if ((Index == 0 && GetCount() == 0) || Index == GetCount()) {
    Add(S);
    return;
  }
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  BeginUpdate();
  TCodeEditStringRec& rec = fList[size_t(Index)];
  rec.fString = S;
  rec.fFlags = sfExpandedLengthUnknown;
  rec.fExpandedLength = -1;
  fIndexOfLongestLine = -1;
  if (OnPutted) OnPutted(this, Index, S);
  EndUpdate();
}

void TCodeEditStringList::Delete(int Index) {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  BeginUpdate();
  fList.erase(fList.begin() + Index);
  fIndexOfLongestLine = -1;
  if (OnDeleted) OnDeleted(this, Index);
  EndUpdate();
}

void TCodeEditStringList::DeleteLines(int Index, int NumLines) {
  if (NumLines <= 0) return;
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  NumLines = std::min(NumLines, GetCount() - Index);
  BeginUpdate();
  fList.erase(fList.begin() + Index, fList.begin() + Index + NumLines);
  EndUpdate();
  fIndexOfLongestLine = -1;
  if (OnDeleted) OnDeleted(this, Index);
}

void TCodeEditStringList::Clear() {
  if (fList.empty()) return;
  BeginUpdate();
  fList.clear();
  fList.shrink_to_fit();
  fCapacity = 0;
  fIndexOfLongestLine = -1;
  if (OnCleared) OnCleared(this);
  EndUpdate();
}

void TCodeEditStringList::Exchange(int Index1, int Index2) {
  if (Index1 < 0 || Index1 >= GetCount()) ListIndexError(Index1);
  if (Index2 < 0 || Index2 >= GetCount()) ListIndexError(Index2);
  BeginUpdate();
  std::swap(fList[size_t(Index1)], fList[size_t(Index2)]);
  if (fIndexOfLongestLine == Index1)
    fIndexOfLongestLine = Index2;
  else if (fIndexOfLongestLine == Index2)
    fIndexOfLongestLine = Index1;
  EndUpdate();
}

// ---- tabs and the longest line ---------------------------------------------

void TCodeEditStringList::ExpandString(int Index) {
  TCodeEditStringRec& rec = fList[size_t(Index)];
  if (rec.fString.empty()) {
    rec.fFlags = sfHasNoTabs;
    rec.fExpandedLength = 0;
    return;
  }
  bool hasTabs = false;
  const std::string expanded = fConvertTabsProc(rec.fString, fTabWidth, hasTabs);
  rec.fExpandedLength = static_cast<int>(UTF8CharCount(expanded));
  rec.fFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
}

std::string TCodeEditStringList::GetExpandedString(int Index) {
  if (Index < 0 || Index >= GetCount()) return std::string();
  TCodeEditStringRec& rec = fList[size_t(Index)];
  if (rec.fFlags & sfHasNoTabs) return rec.fString;
  bool hasTabs = false;
  std::string expanded = fConvertTabsProc(rec.fString, fTabWidth, hasTabs);
  rec.fExpandedLength = static_cast<int>(UTF8CharCount(expanded));
  rec.fFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
  return expanded;
}

int TCodeEditStringList::GetLengthOfLongestLine() {
  if (fIndexOfLongestLine < 0) {
    int maxLen = 0;
    for (int i = 0; i < GetCount(); ++i) {
      if (fList[size_t(i)].fFlags & sfExpandedLengthUnknown) ExpandString(i);
      if (fList[size_t(i)].fExpandedLength > maxLen) {
        maxLen = fList[size_t(i)].fExpandedLength;
        fIndexOfLongestLine = i;
      }
    }
  }
  if (fIndexOfLongestLine >= 0 && fIndexOfLongestLine < GetCount())
    return fList[size_t(fIndexOfLongestLine)].fExpandedLength;
  return 0;
}

void TCodeEditStringList::SetTabWidth(int Value) {
  if (Value == fTabWidth) return;
  fTabWidth = Value;
  fConvertTabsProc = GetBestConvertTabsProc(fTabWidth);
  fIndexOfLongestLine = -1;
  for (auto& rec : fList) {
    rec.fExpandedLength = -1;
    rec.fFlags = uint8_t((rec.fFlags & ~sfHasNoTabs) | sfExpandedLengthUnknown);
  }
}

// ---- soft word wrap ---------------------------------------------------------

bool TCodeEditStringList::IsContinuationLine(int Index) const {
  if (Index < 0 || Index >= GetCount()) return false;
  return fList[size_t(Index)].fContinued;
}

void TCodeEditStringList::WrapLine(int Index) {
  TCodeEditStringRec& rec = fList[size_t(Index)];
  const size_t cut = WrapSplit(rec.fString);
  if (cut >= rec.fString.size()) return;
  std::string rest = rec.fString.substr(cut);
  rec.fString.erase(cut);
  rec.fFlags = sfExpandedLengthUnknown;
  rec.fExpandedLength = -1;
  int at = Index + 1;
  while (!rest.empty()) {
    const size_t c = WrapSplit(rest);
    InsertItem(at++, rest.substr(0, c), true);
    rest.erase(0, c);
  }
}

int TCodeEditStringList::RewrapParagraph(int Index) {
  if (!fWordWrap) return Index;
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  int first = Index;
  while (first > 0 && fList[size_t(first)].fContinued) --first;
  int last = Index;
  while (last + 1 < GetCount() && fList[size_t(last + 1)].fContinued) ++last;
  std::string text = fList[size_t(first)].fString;
  for (int i = first + 1; i <= last; ++i) text += fList[size_t(i)].fString;
  for (int i = last; i > first; --i) Delete(i);
  BeginUpdate();
  TCodeEditStringRec& rec = fList[size_t(first)];
  rec.fString = text;
  rec.fFlags = sfExpandedLengthUnknown;
  rec.fExpandedLength = -1;
  WrapLine(first);
  fIndexOfLongestLine = -1;
  EndUpdate();
  return first;
}

void TCodeEditStringList::SetWordWrap(bool Value) {
  if (Value == fWordWrap) return;
  fWordWrap = Value;
  BeginUpdate();
  if (fWordWrap) {
    for (int i = GetCount() - 1; i >= 0; --i) WrapLine(i);
  } else {
    // Walk up from the end, collecting continuation lines and appending
    // them to the line they continue. The collected text is used once and
    // then dropped, so no text is repeated.
    std::string tail;
    for (int i = GetCount() - 1; i >= 0; --i) {
      TCodeEditStringRec& rec = fList[size_t(i)];
      if (rec.fContinued) {
        tail = rec.fString + tail;
        fList.erase(fList.begin() + i);
      } else if (!tail.empty()) {
        rec.fString += tail;
        rec.fFlags = uint8_t(rec.fFlags | sfExpandedLengthUnknown);
        rec.fFlags = uint8_t(rec.fFlags & ~(sfHasTabs | sfHasNoTabs));
        rec.fExpandedLength = -1;
        tail.clear();
      }
    }
    if (!tail.empty()) {
      // Continuation lines at the very top (no first line): keep the text.
      TCodeEditStringRec rec;
      rec.fString = tail;
      rec.fRange = -1;
      rec.fExpandedLength = -1;
      rec.fFlags = sfExpandedLengthUnknown;
      fList.insert(fList.begin(), std::move(rec));
    }
    fIndexOfLongestLine = -1;
  }
  EndUpdate();
}

// ---- files ------------------------------------------------------------------

void TCodeEditStringList::LoadFromFile(const std::string& FileName) {
  LoadFromBytes(readFileBytes(FileName));
}

void TCodeEditStringList::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  const std::string bytes = Stream.ReadBytes(Stream.Size());
  LoadFromBytes(bytes);
}

void TCodeEditStringList::LoadFromBytes(std::string_view Bytes) {
  const std::string text = ToUtf8Guess(Bytes);
  BeginUpdate();
  try {
    Clear();
    bool sawCR = false, sawLF = false;
    size_t p = 0;
    const size_t size = text.size();
    while (p < size) {
      size_t start = p;
      while (p < size && text[p] != '\0' && text[p] != '\n' && text[p] != '\r') ++p;
      Add(text.substr(start, p - start));
      if (p < size && text[p] == '\r') {
        ++p;
        sawCR = true;
      }
      if (p < size && text[p] == '\n') {
        ++p;
        sawLF = true;
      }
      if (p < size && text[p] == '\0') ++p;
    }
    if (sawCR && !sawLF)
      fFileFormat = sffMac;
    else if (sawLF && !sawCR)
      fFileFormat = sffUnix;
    else
      fFileFormat = sffDos;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::vector<std::string> TCodeEditStringList::LogicalLines() const {
  std::vector<std::string> lines;
  lines.reserve(fList.size());
  for (const auto& rec : fList) {
    if (rec.fContinued && !lines.empty())
      lines.back() += rec.fString;
    else
      lines.push_back(rec.fString);
  }
  return lines;
}

static const char* BreakOf(TCodeEditFileFormat Format) {
  switch (Format) {
    case sffUnix:
      return "\n";
    case sffMac:
      return "\r";
    default:
      return "\r\n";
  }
}

std::string TCodeEditStringList::SaveToBytes() const {
  const std::vector<std::string> lines = LogicalLines();
  const std::string br = BreakOf(fFileFormat);
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + br.size();
  std::string out;
  out.reserve(total);
  for (size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || fAppendNewLineAtEOF) out += br;
  }
  return out;
}

void TCodeEditStringList::SaveToStream(TStream& Stream) {
  const std::string bytes = SaveToBytes();
  Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TCodeEditStringList::SaveToFile(const std::string& FileName) {
  TCodeEditFileWriter writer(FileName);
  writer.SetFileFormat(fFileFormat);
  const std::vector<std::string> lines = LogicalLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i + 1 < lines.size() || fAppendNewLineAtEOF)
      writer.WriteLine(lines[i]);
    else
      writer.Write(lines[i]);
  }
  writer.Commit();
}

}  // namespace qv
