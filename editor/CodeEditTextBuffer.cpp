#include "editor/CodeEditTextBuffer.h"

#include <algorithm>

#include "platform/core/Codepage.h"

namespace qv {

// ---- buffered file writer ---------------------------------------------------

TCodeEditFiler::TCodeEditFiler() : buffer_(16384, '\0') {}

void TCodeEditFiler::SetFileFormat(TCodeEditFileFormat Value) {
  fileFormat_ = Value;
  switch (Value) {
    case sffDos:
      lineBreak_ = "\r\n";
      break;
    case sffUnix:
      lineBreak_ = "\n";
      break;
    case sffMac:
      lineBreak_ = "\r";
      break;
  }
}

TCodeEditFileWriter::TCodeEditFileWriter(const std::string& FileName)
    : stream_(std::make_unique<TAtomicFileStream>(FileName)) {}

TCodeEditFileWriter::~TCodeEditFileWriter() = default;

void TCodeEditFileWriter::Flush() {
  if (bufPtr_ > 0 && stream_) {
    stream_->WriteBuffer(buffer_.data(), static_cast<int64_t>(bufPtr_));
    bufPtr_ = 0;
  }
}

void TCodeEditFileWriter::Write(const std::string& S) {
  if (bufPtr_ + S.size() > buffer_.size()) {
    Flush();
    if (S.size() > buffer_.size()) buffer_.resize(S.size());
  }
  std::copy(S.begin(), S.end(), buffer_.begin() + std::ptrdiff_t(bufPtr_));
  bufPtr_ += S.size();
}

void TCodeEditFileWriter::WriteLine(const std::string& S) {
  const size_t need = S.size() + lineBreak_.size();
  if (bufPtr_ + need > buffer_.size()) {
    Flush();
    if (need > buffer_.size()) buffer_.resize(need);
  }
  std::copy(S.begin(), S.end(), buffer_.begin() + std::ptrdiff_t(bufPtr_));
  bufPtr_ += S.size();
  std::copy(lineBreak_.begin(), lineBreak_.end(), buffer_.begin() + std::ptrdiff_t(bufPtr_));
  bufPtr_ += lineBreak_.size();
}

void TCodeEditFileWriter::Commit() {
  Flush();
  if (stream_) {
    stream_->Commit();
    stream_.reset();
  }
}

// ---- TCodeEditStringList ----------------------------------------------------

TCodeEditStringList::TCodeEditStringList() : convertTabsProc_(GetBestConvertTabsProc(8)) {}

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
  capacity_ += capacity_ < 65 ? 16 : capacity_ / 4;
  list_.reserve(size_t(capacity_));
}

void TCodeEditStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < GetCount()) NewCapacity = GetCount();
  capacity_ = NewCapacity;
  if (size_t(capacity_) > list_.capacity()) list_.reserve(size_t(capacity_));
}

std::string TCodeEditStringList::Get(int Index) const {
  if (Index < 0 || Index >= GetCount()) return std::string();
  return list_[size_t(Index)].Text;
}

void* TCodeEditStringList::GetObject(int Index) const {
  if (Index < 0 || Index >= GetCount()) return nullptr;
  return list_[size_t(Index)].Object;
}

int32_t TCodeEditStringList::GetRange(int Index) const {
  if (Index < 0 || Index >= GetCount()) return 0;
  return list_[size_t(Index)].Range;
}

const TCodeEditStringRec& TCodeEditStringList::Rec(int Index) const {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  return list_[size_t(Index)];
}

void TCodeEditStringList::PutRange(int Index, int32_t ARange) {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  list_[size_t(Index)].Range = ARange;
}

void TCodeEditStringList::PutObject(int Index, void* AObject) {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  BeginUpdate();
  list_[size_t(Index)].Object = AObject;
  EndUpdate();
}

void TCodeEditStringList::InsertItem(int Index, const std::string& S, bool Continued) {
  if (GetCount() >= capacity_) Grow();
  TCodeEditStringRec rec;
  rec.Text = S;
  rec.Range = -1;
  rec.ExpandedLength = -1;
  rec.Flags = sfExpandedLengthUnknown;
  rec.Continued = Continued;
  list_.insert(list_.begin() + Index, std::move(rec));
  if (indexOfLongestLine_ >= Index) ++indexOfLongestLine_;
  NoteLineLength(Index, S);
}

int TCodeEditStringList::ExpandedLengthOf(const std::string& S) const {
  bool hasTabs = false;
  const std::string expanded = convertTabsProc_(S, tabWidth_, hasTabs);
  return static_cast<int>(
      UTF8CharCount(hasTabs ? std::string_view(expanded) : std::string_view(S)));
}

void TCodeEditStringList::NoteLineLength(int Index, const std::string& S) {
  // The cached longest line stays known when the changed line cannot
  // change the answer of a full scan (the first line of greatest length).
  if (indexOfLongestLine_ < 0) return;
  const int len = ExpandedLengthOf(S);
  if (Index == indexOfLongestLine_) {
    if (len >= longestLength_)
      longestLength_ = len;
    else
      indexOfLongestLine_ = -1;
  } else if (len > longestLength_ || (len == longestLength_ && Index < indexOfLongestLine_)) {
    indexOfLongestLine_ = Index;
    longestLength_ = len;
  }
}

size_t TCodeEditStringList::WrapSplit(const std::string& S) const {
  // Returns the byte length of the first piece.
  if (!wordWrap_) return S.size();
  const std::u32string chars = UTF8ToCodePoints(S);
  const int len = static_cast<int>(chars.size());
  if (len <= wrapWidth_) return S.size();
  auto isBreak = [](char32_t c) {
    return c == U'\t' || c == U' ' || c == U',' || c == U';' || c == U'>';
  };
  int p = 0;  // 1-based position of the break character
  for (int i = wrapWidth_; i >= 1; --i)
    if (isBreak(chars[size_t(i - 1)])) {
      p = i;
      break;
    }
  if (p == 0)
    for (int i = wrapWidth_ + 1; i <= len - 1; ++i)
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
    rec.Text = AStrings.Get(i);
    rec.Object = AStrings.GetObject(i);
    rec.Range = -1;
    rec.ExpandedLength = -1;
    rec.Flags = sfExpandedLengthUnknown;
    list_.push_back(std::move(rec));
  }
  indexOfLongestLine_ = -1;
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
  while (GetCount() + NumLines > capacity_) Grow();
  list_.insert(list_.begin() + Index, size_t(NumLines), TCodeEditStringRec());
  indexOfLongestLine_ = -1;
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
  TCodeEditStringRec& rec = list_[size_t(Index)];
  rec.Text = S;
  rec.Flags = sfExpandedLengthUnknown;
  rec.ExpandedLength = -1;
  NoteLineLength(Index, S);
  if (OnPutted) OnPutted(this, Index, S);
  EndUpdate();
}

void TCodeEditStringList::Delete(int Index) {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  BeginUpdate();
  list_.erase(list_.begin() + Index);
  if (indexOfLongestLine_ == Index)
    indexOfLongestLine_ = -1;
  else if (indexOfLongestLine_ > Index)
    --indexOfLongestLine_;
  if (OnDeleted) OnDeleted(this, Index);
  EndUpdate();
}

void TCodeEditStringList::DeleteLines(int Index, int NumLines) {
  if (NumLines <= 0) return;
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  NumLines = std::min(NumLines, GetCount() - Index);
  BeginUpdate();
  list_.erase(list_.begin() + Index, list_.begin() + Index + NumLines);
  EndUpdate();
  indexOfLongestLine_ = -1;
  if (OnDeleted) OnDeleted(this, Index);
}

void TCodeEditStringList::Clear() {
  if (list_.empty()) return;
  BeginUpdate();
  list_.clear();
  list_.shrink_to_fit();
  capacity_ = 0;
  indexOfLongestLine_ = -1;
  if (OnCleared) OnCleared(this);
  EndUpdate();
}

void TCodeEditStringList::Exchange(int Index1, int Index2) {
  if (Index1 < 0 || Index1 >= GetCount()) ListIndexError(Index1);
  if (Index2 < 0 || Index2 >= GetCount()) ListIndexError(Index2);
  BeginUpdate();
  std::swap(list_[size_t(Index1)], list_[size_t(Index2)]);
  if (indexOfLongestLine_ == Index1)
    indexOfLongestLine_ = Index2;
  else if (indexOfLongestLine_ == Index2)
    indexOfLongestLine_ = Index1;
  EndUpdate();
}

// ---- tabs and the longest line ---------------------------------------------

void TCodeEditStringList::ExpandString(int Index) {
  TCodeEditStringRec& rec = list_[size_t(Index)];
  if (rec.Text.empty()) {
    rec.Flags = sfHasNoTabs;
    rec.ExpandedLength = 0;
    return;
  }
  bool hasTabs = false;
  const std::string expanded = convertTabsProc_(rec.Text, tabWidth_, hasTabs);
  rec.ExpandedLength = static_cast<int>(UTF8CharCount(expanded));
  rec.Flags = hasTabs ? sfHasTabs : sfHasNoTabs;
}

std::string TCodeEditStringList::GetExpandedString(int Index) {
  if (Index < 0 || Index >= GetCount()) return std::string();
  TCodeEditStringRec& rec = list_[size_t(Index)];
  if (rec.Flags & sfHasNoTabs) return rec.Text;
  bool hasTabs = false;
  std::string expanded = convertTabsProc_(rec.Text, tabWidth_, hasTabs);
  rec.ExpandedLength = static_cast<int>(UTF8CharCount(expanded));
  rec.Flags = hasTabs ? sfHasTabs : sfHasNoTabs;
  return expanded;
}

int TCodeEditStringList::GetLengthOfLongestLine() {
  if (indexOfLongestLine_ < 0) {
    longestLength_ = 0;
    for (int i = 0; i < GetCount(); ++i) {
      if (list_[size_t(i)].Flags & sfExpandedLengthUnknown) ExpandString(i);
      if (list_[size_t(i)].ExpandedLength > longestLength_) {
        longestLength_ = list_[size_t(i)].ExpandedLength;
        indexOfLongestLine_ = i;
      }
    }
  }
  return indexOfLongestLine_ >= 0 && indexOfLongestLine_ < GetCount() ? longestLength_ : 0;
}

void TCodeEditStringList::SetTabWidth(int Value) {
  if (Value == tabWidth_) return;
  tabWidth_ = Value;
  convertTabsProc_ = GetBestConvertTabsProc(tabWidth_);
  indexOfLongestLine_ = -1;
  for (auto& rec : list_) {
    rec.ExpandedLength = -1;
    rec.Flags = uint8_t((rec.Flags & ~sfHasNoTabs) | sfExpandedLengthUnknown);
  }
}

// ---- soft word wrap ---------------------------------------------------------

bool TCodeEditStringList::IsContinuationLine(int Index) const {
  if (Index < 0 || Index >= GetCount()) return false;
  return list_[size_t(Index)].Continued;
}

void TCodeEditStringList::WrapLine(int Index) {
  TCodeEditStringRec& rec = list_[size_t(Index)];
  const size_t cut = WrapSplit(rec.Text);
  if (cut >= rec.Text.size()) return;
  std::string rest = rec.Text.substr(cut);
  rec.Text.erase(cut);
  rec.Flags = sfExpandedLengthUnknown;
  rec.ExpandedLength = -1;
  int at = Index + 1;
  while (!rest.empty()) {
    const size_t c = WrapSplit(rest);
    InsertItem(at++, rest.substr(0, c), true);
    rest.erase(0, c);
  }
}

int TCodeEditStringList::RewrapParagraph(int Index) {
  if (!wordWrap_) return Index;
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  int first = Index;
  while (first > 0 && list_[size_t(first)].Continued) --first;
  int last = Index;
  while (last + 1 < GetCount() && list_[size_t(last + 1)].Continued) ++last;
  std::string text = list_[size_t(first)].Text;
  for (int i = first + 1; i <= last; ++i) text += list_[size_t(i)].Text;
  for (int i = last; i > first; --i) Delete(i);
  BeginUpdate();
  TCodeEditStringRec& rec = list_[size_t(first)];
  rec.Text = text;
  rec.Flags = sfExpandedLengthUnknown;
  rec.ExpandedLength = -1;
  WrapLine(first);
  indexOfLongestLine_ = -1;
  EndUpdate();
  return first;
}

void TCodeEditStringList::SetWordWrap(bool Value) {
  if (Value == wordWrap_) return;
  wordWrap_ = Value;
  BeginUpdate();
  if (wordWrap_) {
    for (int i = GetCount() - 1; i >= 0; --i) WrapLine(i);
  } else {
    // Walk up from the end, collecting continuation lines and appending
    // them to the line they continue. The collected text is used once and
    // then dropped, so no text is repeated.
    std::string tail;
    for (int i = GetCount() - 1; i >= 0; --i) {
      TCodeEditStringRec& rec = list_[size_t(i)];
      if (rec.Continued) {
        tail = rec.Text + tail;
        list_.erase(list_.begin() + i);
      } else if (!tail.empty()) {
        rec.Text += tail;
        rec.Flags = uint8_t(rec.Flags | sfExpandedLengthUnknown);
        rec.Flags = uint8_t(rec.Flags & ~(sfHasTabs | sfHasNoTabs));
        rec.ExpandedLength = -1;
        tail.clear();
      }
    }
    if (!tail.empty()) {
      // Continuation lines at the very top (no first line): keep the text.
      TCodeEditStringRec rec;
      rec.Text = tail;
      rec.Range = -1;
      rec.ExpandedLength = -1;
      rec.Flags = sfExpandedLengthUnknown;
      list_.insert(list_.begin(), std::move(rec));
    }
    indexOfLongestLine_ = -1;
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
      fileFormat_ = sffMac;
    else if (sawLF && !sawCR)
      fileFormat_ = sffUnix;
    else
      fileFormat_ = sffDos;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::vector<std::string> TCodeEditStringList::LogicalLines() const {
  std::vector<std::string> lines;
  lines.reserve(list_.size());
  for (const auto& rec : list_) {
    if (rec.Continued && !lines.empty())
      lines.back() += rec.Text;
    else
      lines.push_back(rec.Text);
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
  const std::string br = BreakOf(fileFormat_);
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + br.size();
  std::string out;
  out.reserve(total);
  for (size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || appendNewLineAtEof_) out += br;
  }
  return out;
}

void TCodeEditStringList::SaveToStream(TStream& Stream) {
  const std::string bytes = SaveToBytes();
  Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TCodeEditStringList::SaveToFile(const std::string& FileName) {
  TCodeEditFileWriter writer(FileName);
  writer.SetFileFormat(fileFormat_);
  const std::vector<std::string> lines = LogicalLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i + 1 < lines.size() || appendNewLineAtEof_)
      writer.WriteLine(lines[i]);
    else
      writer.Write(lines[i]);
  }
  writer.Commit();
}

}  // namespace qv
