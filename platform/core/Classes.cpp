#include "platform/core/Classes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/core/Codepage.h"

namespace qv {

// ---------------------------------------------------------------------------
// TStrings

void TStrings::Put(int index, const std::string& s) {
  void* obj = GetObject(index);
  Delete(index);
  InsertObject(index, s, obj);
}

void* TStrings::GetObject(int) const { return nullptr; }
void TStrings::PutObject(int, void*) {}

void TStrings::InsertObject(int index, const std::string& s, void* object) {
  Insert(index, s);
  PutObject(index, object);
}

int TStrings::Add(const std::string& s) {
  const int i = GetCount();
  Insert(i, s);
  return i;
}

int TStrings::AddObject(const std::string& s, void* object) {
  const int i = Add(s);
  PutObject(i, object);
  return i;
}

void TStrings::AddStrings(const TStrings& other) {
  TStringsUpdate update(*this);
  const int n = other.GetCount();  // other may be this list
  for (int i = 0; i < n; ++i) AddObject(other.Get(i), other.GetObject(i));
}

void TStrings::AddStrings(const std::vector<std::string>& lines) {
  TStringsUpdate update(*this);
  for (const auto& s : lines) Add(s);
}

void TStrings::Assign(const TStrings& source) {
  if (&source == this) return;
  TStringsUpdate update(*this);
  Clear();
  LineBreak = source.LineBreak;
  Delimiter = source.Delimiter;
  QuoteChar = source.QuoteChar;
  StrictDelimiter = source.StrictDelimiter;
  NameValueSeparator = source.NameValueSeparator;
  AddStrings(source);
}

void TStrings::Exchange(int index1, int index2) {
  TStringsUpdate update(*this);
  const std::string s1 = Get(index1), s2 = Get(index2);
  void* o1 = GetObject(index1);
  void* o2 = GetObject(index2);
  Put(index1, s2);
  PutObject(index1, o2);
  Put(index2, s1);
  PutObject(index2, o1);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  TStringsUpdate update(*this);
  const std::string s = Get(curIndex);
  void* obj = GetObject(curIndex);
  if (newIndex < 0 || newIndex >= GetCount()) Error("List index out of bounds (%d)", newIndex);
  Delete(curIndex);
  InsertObject(newIndex, s, obj);
}

int TStrings::IndexOf(const std::string& s) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const void* object) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

std::vector<std::string> TStrings::ToVector() const {
  std::vector<std::string> v;
  const int n = GetCount();
  v.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v.push_back(Get(i));
  return v;
}

bool TStrings::Equals(const TStrings& other) const {
  const int n = GetCount();
  if (n != other.GetCount()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

std::string TStrings::Text() const {
  std::string out;
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    out += Get(i);
    out += LineBreak;
  }
  return out;
}

void TStrings::SetText(std::string_view text) {
  TStringsUpdate update(*this);
  Clear();
  size_t start = 0;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      Add(std::string(text.substr(start, i - start)));
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) Add(std::string(text.substr(start)));
}

std::string TStrings::DelimitedText() const {
  const int n = GetCount();
  if (n == 1 && Get(0).empty()) return std::string(2, QuoteChar);
  std::string out;
  for (int i = 0; i < n; ++i) {
    const std::string s = Get(i);
    bool quote = false;
    for (char c : s) {
      if ((!StrictDelimiter && static_cast<unsigned char>(c) <= ' ') || c == QuoteChar ||
          c == Delimiter) {
        quote = true;
        break;
      }
    }
    if (i > 0) out += Delimiter;
    out += quote ? AnsiQuotedStr(s, QuoteChar) : s;
  }
  return out;
}

void TStrings::SetDelimitedText(std::string_view text) {
  TStringsUpdate update(*this);
  Clear();
  size_t p = 0;
  const size_t n = text.size();
  auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  if (!StrictDelimiter)
    while (p < n && isSpace(text[p])) ++p;
  while (p < n) {
    std::string s;
    if (text[p] == QuoteChar) {
      ++p;
      while (p < n) {
        if (text[p] == QuoteChar) {
          if (p + 1 < n && text[p + 1] == QuoteChar) {
            s += QuoteChar;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        s += text[p++];
      }
    } else {
      const size_t p1 = p;
      while (p < n && (StrictDelimiter || static_cast<unsigned char>(text[p]) > ' ') &&
             text[p] != Delimiter)
        ++p;
      s.assign(text.substr(p1, p - p1));
    }
    Add(s);
    if (!StrictDelimiter)
      while (p < n && isSpace(text[p])) ++p;
    if (p < n && text[p] == Delimiter) {
      if (p + 1 == n) Add(std::string());
      do {
        ++p;
      } while (!StrictDelimiter && p < n && isSpace(text[p]));
    }
    // Otherwise text right after a closing quote starts the next item.
  }
}

std::string TStrings::CommaText() const {
  // CommaText always uses ',' and '"', whatever Delimiter and QuoteChar say.
  auto* self = const_cast<TStrings*>(this);
  const char d = Delimiter, q = QuoteChar;
  const bool strict = StrictDelimiter;
  self->Delimiter = ',';
  self->QuoteChar = '"';
  self->StrictDelimiter = false;
  std::string r = DelimitedText();
  self->Delimiter = d;
  self->QuoteChar = q;
  self->StrictDelimiter = strict;
  return r;
}

void TStrings::SetCommaText(std::string_view text) {
  const char d = Delimiter, q = QuoteChar;
  const bool strict = StrictDelimiter;
  Delimiter = ',';
  QuoteChar = '"';
  StrictDelimiter = false;
  try {
    SetDelimitedText(text);
  } catch (...) {
    Delimiter = d;
    QuoteChar = q;
    StrictDelimiter = strict;
    throw;
  }
  Delimiter = d;
  QuoteChar = q;
  StrictDelimiter = strict;
}

std::string TStrings::Names(int index) const {
  const std::string s = Get(index);
  const size_t p = s.find(NameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int index) const {
  const std::string s = Get(index);
  const size_t p = s.find(NameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

int TStrings::IndexOfName(std::string_view name) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    const std::string s = Get(i);
    const size_t p = s.find(NameValueSeparator);
    if (p != std::string::npos && CompareStrings(std::string_view(s).substr(0, p), name) == 0)
      return i;
  }
  return -1;
}

std::string TStrings::Values(std::string_view name) const {
  const int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(std::string_view name, std::string_view value) {
  const int i = IndexOfName(name);
  if (!value.empty()) {
    std::string line(name);
    line += NameValueSeparator;
    line += value;
    if (i < 0)
      Add(line);
    else
      Put(i, line);
  } else if (i >= 0) {
    Delete(i);
  }
}

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ <= 0) return;
  --updateCount_;
  if (updateCount_ == 0) SetUpdateState(false);
}

namespace {
std::string detectLineBreak(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') return "\n";
    if (text[i] == '\r') return (i + 1 < text.size() && text[i + 1] == '\n') ? "\r\n" : "\r";
  }
  return {};
}

std::string decodeText(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return ToUtf8Guess(bytes);
}

// Takes the text as the lines, under one update, keeping its line break
// style when it has one.
void loadLines(TStrings& strings, const std::string& text) {
  const std::string lb = detectLineBreak(text);
  TStringsUpdate update(strings);
  if (!lb.empty()) strings.LineBreak = lb;
  strings.SetText(text);
}
}  // namespace

void TStrings::LoadFromFile(const std::string& fileName) {
  loadLines(*this, decodeText(readFileBytes(fileName)));
}

void TStrings::SaveToFile(const std::string& fileName) const { writeFileAtomic(fileName, Text()); }

void TStrings::LoadFromStream(TStream& stream) {
  const int64_t n = stream.Size() - stream.Position();
  loadLines(*this, decodeText(stream.ReadBytes(std::max<int64_t>(n, 0))));
}

void TStrings::SaveToStream(TStream& stream) const { stream.WriteString(Text()); }

int TStrings::CompareStrings(std::string_view a, std::string_view b) const {
  return AnsiCompareText(a, b);
}

void TStrings::Error(std::string_view msgFormat, int data) const {
  throw EStringListError(Format(msgFormat, data));
}

// ---------------------------------------------------------------------------
// TStringList

TStringList::TStringList(std::vector<std::string> lines) {
  items_.reserve(lines.size());
  for (auto& s : lines) items_.push_back(Item{std::move(s), nullptr});
}

void TStringList::checkIndex(int index) const {
  if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
}

std::string TStringList::Get(int index) const {
  checkIndex(index);
  return items_[static_cast<size_t>(index)].s;
}

const std::string& TStringList::StringAt(int index) const {
  checkIndex(index);
  return items_[static_cast<size_t>(index)].s;
}

void TStringList::Put(int index, const std::string& s) {
  if (sorted_) Error("Operation not allowed on sorted list", 0);
  checkIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].s = s;
  Changed();
}

void* TStringList::GetObject(int index) const {
  checkIndex(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, void* object) {
  checkIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].object = object;
  Changed();
}

void TStringList::insertItem(int index, const std::string& s, void* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, void* object) {
  if (sorted_) Error("Operation not allowed on sorted list", 0);
  if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
  insertItem(index, s, object);
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, void* object) {
  int index;
  if (!sorted_) {
    index = GetCount();
  } else if (Find(s, index)) {
    switch (duplicates_) {
      case dupIgnore:
        return index;
      case dupError:
        Error("String list does not allow duplicates", 0);
      case dupAccept:
        break;
    }
  }
  insertItem(index, s, object);
  return index;
}

void TStringList::Delete(int index) {
  checkIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  checkIndex(index1);
  checkIndex(index2);
  Changing();
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
  Changed();
}

int TStringList::IndexOf(const std::string& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::SetText(std::string_view text) { TStrings::SetText(text); }

void TStringList::Assign(const TStrings& source) {
  if (&source == this) return;
  if (auto* sl = dynamic_cast<const TStringList*>(&source)) {
    TStringsUpdate update(*this);
    Clear();
    sorted_ = false;
    caseSensitive_ = sl->caseSensitive_;
    duplicates_ = sl->duplicates_;
    TStrings::Assign(source);
    sorted_ = sl->sorted_;
    return;
  }
  TStrings::Assign(source);
}

bool TStringList::Find(const std::string& s, int& index) const {
  bool found = false;
  int lo = 0, hi = GetCount() - 1;
  while (lo <= hi) {
    const int i = (lo + hi) / 2;
    const int c = CompareStrings(items_[static_cast<size_t>(i)].s, s);
    if (c < 0) {
      lo = i + 1;
    } else {
      hi = i - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) lo = i;
      }
    }
  }
  index = lo;
  return found;
}

void TStringList::Sort() {
  CustomSort([](TStringList& list, int i, int j) {
    return list.CompareStrings(list.items_[static_cast<size_t>(i)].s,
                               list.items_[static_cast<size_t>(j)].s);
  });
}

void TStringList::CustomSort(const std::function<int(TStringList&, int, int)>& compare) {
  if (items_.size() < 2) return;
  Changing();
  // Sort a permutation with the caller's index-based comparison, then apply it.
  std::vector<int> order(items_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[static_cast<size_t>(i)]));
  items_ = std::move(sorted);
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  if (sorted_) Sort();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange();
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging();
}

// ---------------------------------------------------------------------------
// TStream

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || (count > 0 && Read(buffer, count) != count))
    throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count < 0 || (count > 0 && Write(buffer, count) != count))
    throw EWriteError("Stream write error");
}

std::string TStream::ReadBytes(int64_t count) {
  if (count < 0 || count > Remaining()) throw EReadError("Stream read error");
  std::string s(static_cast<size_t>(count), '\0');
  ReadBuffer(s.data(), count);
  return s;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  const int64_t total = count;
  char buf[65536];
  while (count > 0) {
    const int64_t n = std::min<int64_t>(count, sizeof buf);
    source.ReadBuffer(buf, n);
    WriteBuffer(buf, n);
    count -= n;
  }
  return total;
}

// ---------------------------------------------------------------------------
// TMemoryStream

TMemoryStream::TMemoryStream(std::string_view bytes) : data_(bytes) {}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t size = Size();
  if (count <= 0 || pos_ >= size) return 0;
  const int64_t n = std::min(count, size - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = pos_ + count;
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? pos_ : Size();
  const int64_t p = base + offset;
  if (p < 0) throw EStreamError("Invalid stream position");
  pos_ = p;
  return pos_;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) throw EStreamError("Invalid stream size");
  data_.resize(static_cast<size_t>(newSize));
  if (pos_ > newSize) pos_ = newSize;
}

void TMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t n = source.Size();
  std::string d(static_cast<size_t>(n), '\0');
  source.ReadBuffer(d.data(), n);
  data_ = std::move(d);
  pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& dest) const { dest.WriteString(data_); }

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  data_ = readFileBytes(fileName);
  pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  writeFileAtomic(fileName, data_);
}

// ---------------------------------------------------------------------------
// Files

namespace {

[[noreturn]] void throwOpen(const std::string& name, int err) {
  throw EFOpenError("Cannot open file \"" + name + "\". " + SysErrorMessage(err));
}
[[noreturn]] void throwCreate(const std::string& name, int err) {
  throw EFCreateError("Cannot create file \"" + name + "\". " + SysErrorMessage(err));
}

// Repeats a read or a write until count bytes are through, the end of the
// file or an error; an interrupted call is repeated. Returns the bytes done.
template <class TChar, class TCall>
int64_t transferAll(int fd, TChar* p, int64_t count, TCall call) {
  int64_t done = 0;
  while (done < count) {
    const ssize_t r =
        call(fd, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (r == 0) break;
    done += r;
  }
  return done;
}

int64_t readAll(int fd, void* buffer, int64_t count) {
  return transferAll(fd, static_cast<char*>(buffer), count, ::read);
}

int64_t writeAll(int fd, const void* buffer, int64_t count) {
  return transferAll(fd, static_cast<const char*>(buffer), count, ::write);
}

mode_t processUmask() {
  // Read without changing it (umask() would race with other threads).
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      unsigned m;
      if (std::sscanf(line, "Umask: %o", &m) == 1) {
        std::fclose(f);
        return static_cast<mode_t>(m);
      }
    }
    std::fclose(f);
  }
  return 022;
}

// The file an atomic save replaces: a symbolic link is followed so that the
// link stays and its target gets the new contents.
std::string resolveTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      std::string r(real);
      std::free(real);
      return r;
    }
  }
  return path;
}

// Whether an existing file may be written by this process. The rename of
// an atomic save needs only the folder's write permission, so a read-only
// file would be replaced without this check. Root passes access(2) for
// every file, so the mode bits decide for the owner and for root: a file
// whose owner (or, for root, nobody) has write permission is read-only.
bool mayWrite(const std::string& path, const struct stat& st) {
  const uid_t uid = ::geteuid();
  if (uid == st.st_uid) return (st.st_mode & S_IWUSR) != 0;
  if (uid == 0) return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Creates the temporary file next to target; returns its descriptor and
// name, or raises EFCreateError. An existing target that may not be
// written is refused before anything is created.
int createTemp(const std::string& target, std::string& tempPath) {
  std::string dir = ExtractFilePath(target);
  std::string name = ExtractFileName(target);
  if (name.empty()) throwCreate(target, EISDIR);
  struct stat old;
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) && !mayWrite(target, old))
    throwCreate(target, EACCES);
  tempPath = dir + "." + name + ".tmp-XXXXXX";
  const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
  if (fd < 0) throwCreate(target, errno);
  struct stat st;
  mode_t mode = 0666 & ~processUmask();
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      ::close(fd);
      ::unlink(tempPath.c_str());
      throwCreate(target, EISDIR);
    }
    mode = st.st_mode & 07777;
  }
  ::fchmod(fd, mode);
  return fd;
}

void syncDir(const std::string& target) {
  std::string dir = ExtractFileDir(target);
  if (dir.empty()) dir = ".";
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

// fsync, close and rename; on failure removes the temporary file and raises.
void finishTemp(int fd, const std::string& tempPath, const std::string& target) {
  int err = 0;
  if (::fsync(fd) != 0 && errno != EINVAL) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(tempPath.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tempPath.c_str());
    throw EWriteError("Cannot write file \"" + target + "\". " + SysErrorMessage(err));
  }
  syncDir(target);
}

}  // namespace

std::string readFileBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throwOpen(path, errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int e = errno;
    ::close(fd);
    throwOpen(path, e);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    throwOpen(path, EISDIR);
  }
  std::string out;
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    // Read straight into the text: a file of known size is not copied
    // through a buffer.
    out.resize(static_cast<size_t>(st.st_size));
    errno = 0;
    const int64_t n = readAll(fd, out.data(), static_cast<int64_t>(out.size()));
    if (n < static_cast<int64_t>(out.size()) && errno != 0) {
      const int e = errno;
      ::close(fd);
      throw EReadError("Cannot read file \"" + path + "\". " + SysErrorMessage(e));
    }
    out.resize(static_cast<size_t>(n));
  }
  char buf[65536];
  while (true) {
    const ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      ::close(fd);
      throw EReadError("Cannot read file \"" + path + "\". " + SysErrorMessage(e));
    }
    if (r == 0) break;
    out.append(buf, static_cast<size_t>(r));
  }
  ::close(fd);
  return out;
}

void writeFileAtomic(const std::string& path, std::string_view bytes) {
  const std::string target = resolveTarget(path);
  std::string tempPath;
  const int fd = createTemp(target, tempPath);
  if (writeAll(fd, bytes.data(), static_cast<int64_t>(bytes.size())) !=
      static_cast<int64_t>(bytes.size())) {
    const int e = errno ? errno : EIO;
    ::close(fd);
    ::unlink(tempPath.c_str());
    throw EWriteError("Cannot write file \"" + target + "\". " + SysErrorMessage(e));
  }
  finishTemp(fd, tempPath, target);
}

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName) {
  if ((mode & 0xFF00) == fmCreate) {
    fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throwCreate(fileName, errno);
    return;
  }
  int flags = O_CLOEXEC;
  switch (mode & 3) {
    case fmOpenWrite:
      flags |= O_WRONLY;
      break;
    case fmOpenReadWrite:
      flags |= O_RDWR;
      break;
    default:
      flags |= O_RDONLY;
      break;
  }
  fd_ = ::open(fileName.c_str(), flags);
  if (fd_ < 0) throwOpen(fileName, errno);
  struct stat st;
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throwOpen(fileName, EISDIR);
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  return count <= 0 ? 0 : readAll(fd_, buffer, count);
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  return count <= 0 ? 0 : writeAll(fd_, buffer, count);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw EStreamError("Invalid stream position");
  return static_cast<int64_t>(r);
}

void TFileStream::SetSize(int64_t newSize) {
  if (::ftruncate(fd_, static_cast<off_t>(newSize)) != 0)
    throw EStreamError("Cannot set the size of \"" + fileName_ + "\". " + SysErrorMessage(errno));
  if (Position() > newSize) Seek(newSize, soBeginning);
}

// ---------------------------------------------------------------------------
// TAtomicFileStream

TAtomicFileStream::TAtomicFileStream(const std::string& path) : path_(resolveTarget(path)) {
  fd_ = createTemp(path_, tempPath_);
}

TAtomicFileStream::~TAtomicFileStream() { discard(); }

void TAtomicFileStream::discard() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
}

int64_t TAtomicFileStream::Read(void* buffer, int64_t count) {
  if (fd_ < 0 || count <= 0) return 0;
  return readAll(fd_, buffer, count);
}

int64_t TAtomicFileStream::Write(const void* buffer, int64_t count) {
  if (fd_ < 0 || count <= 0) return 0;
  const int64_t n = writeAll(fd_, buffer, count);
  if (n != count) failed_ = true;
  return n;
}

int64_t TAtomicFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (fd_ < 0) throw EStreamError("Invalid stream position");
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw EStreamError("Invalid stream position");
  return static_cast<int64_t>(r);
}

void TAtomicFileStream::SetSize(int64_t newSize) {
  if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) {
    failed_ = true;
    throw EStreamError("Cannot set the size of \"" + path_ + "\"");
  }
}

void TAtomicFileStream::Commit() {
  if (fd_ < 0)
    throw EWriteError("Cannot write file \"" + path_ +
                      "\". The file was already saved or discarded");
  if (failed_) {
    const int e = errno ? errno : EIO;
    discard();
    throw EWriteError("Cannot write file \"" + path_ + "\". " + SysErrorMessage(e));
  }
  const int fd = fd_;
  fd_ = -1;
  const std::string temp = tempPath_;
  tempPath_.clear();
  finishTemp(fd, temp, path_);
}

}  // namespace qv
