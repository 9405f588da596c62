// String lists and streams, after the class library's TStrings/TStringList
// and TStream family, plus the atomic file writer every saver goes through.
#pragma once

#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/core/SysUtils.h"

namespace qv {

// ---------------------------------------------------------------------------
// Exceptions of lists and streams.

QV_DECLARE_EXCEPTION(EListError, Exception)
// String-list failures: "List index out of bounds (%d)",
// "String list does not allow duplicates", "Operation not allowed on sorted list".
QV_DECLARE_EXCEPTION(EStringListError, EListError)
QV_DECLARE_EXCEPTION(EStreamError, Exception)
QV_DECLARE_EXCEPTION(EFileStreamError, EStreamError)
QV_DECLARE_EXCEPTION(EFCreateError, EFileStreamError)  // Cannot create file "%s". %s
QV_DECLARE_EXCEPTION(EFOpenError, EFileStreamError)    // Cannot open file "%s". %s
QV_DECLARE_EXCEPTION(EFilerError, EStreamError)
QV_DECLARE_EXCEPTION(EReadError, EFilerError)   // "Stream read error"
QV_DECLARE_EXCEPTION(EWriteError, EFilerError)  // "Stream write error"

using TNotifyEvent = std::function<void()>;

class TStream;

// ---------------------------------------------------------------------------
// TStrings: an abstract list of strings, each with an attached object
// pointer (never owned by the list). Indices are 0-based; a bad index raises
// EStringListError "List index out of bounds (<index>)".
//
// Text joins every line followed by LineBreak (default CR LF) and SetText
// splits at CR LF, LF or CR. LoadFromFile/LoadFromStream detect the break
// style of the file (the first break found) and keep it in LineBreak, so
// SaveToFile writes the file back with the same style.
class TStrings {
 public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;
  virtual ~TStrings() = default;

  // The primitives every list implements.
  virtual std::string Get(int index) const = 0;
  virtual int GetCount() const = 0;
  virtual void Put(int index, const std::string& s);
  virtual void* GetObject(int index) const;
  virtual void PutObject(int index, void* object);
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void InsertObject(int index, const std::string& s, void* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, void* object);
  void Append(const std::string& s) { Add(s); }
  void AddStrings(const TStrings& other);
  void AddStrings(const std::vector<std::string>& lines);
  virtual void Assign(const TStrings& source);
  virtual void Exchange(int index1, int index2);
  virtual void Move(int curIndex, int newIndex);
  virtual int IndexOf(const std::string& s) const;
  int IndexOfObject(const void* object) const;

  int Count() const { return GetCount(); }
  std::string operator[](int index) const { return Get(index); }
  std::string Strings(int index) const { return Get(index); }
  void* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, void* object) { PutObject(index, object); }
  std::vector<std::string> ToVector() const;
  bool Equals(const TStrings& other) const;

  // Whole-text views.
  std::string Text() const;
  virtual void SetText(std::string_view text);
  std::string LineBreak = "\r\n";
  // Delimited text: items joined by Delimiter; items holding blanks, the
  // delimiter, QuoteChar or control characters are quoted (quote doubled).
  char Delimiter = ',';
  char QuoteChar = '"';
  bool StrictDelimiter = false;
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view text);
  std::string CommaText() const;
  void SetCommaText(std::string_view text);

  // Name=value access (NameValueSeparator, default '='); names compare as
  // the list compares strings (case-insensitive unless the list says so).
  char NameValueSeparator = '=';
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  std::string Values(std::string_view name) const;
  // Sets the value of the first line with that name; an empty value
  // deletes the line; a missing name is appended.
  void SetValue(std::string_view name, std::string_view value);
  int IndexOfName(std::string_view name) const;

  // Update nesting: the first BeginUpdate calls SetUpdateState(true), the
  // matching last EndUpdate SetUpdateState(false).
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Files and streams. LoadFromFile raises EFOpenError when the file cannot
  // be read; SaveToFile writes atomically and raises EFCreateError/
  // EWriteError on failure, leaving an existing file as it was.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

  // String comparison used by IndexOf, IndexOfName and sorting;
  // case-insensitive here, TStringList honours CaseSensitive.
  virtual int CompareStrings(std::string_view a, std::string_view b) const;

 protected:
  virtual void SetUpdateState(bool updating) { (void)updating; }
  [[noreturn]] void Error(std::string_view msgFormat, int data) const;

 private:
  int updateCount_ = 0;
};

// Keeps an update of a string list open for one scope: BeginUpdate when it
// is made, EndUpdate when the scope is left, normally or by an exception.
// An exception out of EndUpdate (a change handler's) goes on to the caller
// when the scope was left normally; while another exception is on its way
// that one goes on instead.
class TStringsUpdate {
 public:
  explicit TStringsUpdate(TStrings& strings)
      : strings_(strings), exceptions_(std::uncaught_exceptions()) {
    strings.BeginUpdate();
  }
  ~TStringsUpdate() noexcept(false) {
    if (std::uncaught_exceptions() == exceptions_) {
      strings_.EndUpdate();
      return;
    }
    try {
      strings_.EndUpdate();
    } catch (...) {
    }
  }
  TStringsUpdate(const TStringsUpdate&) = delete;
  TStringsUpdate& operator=(const TStringsUpdate&) = delete;

 private:
  TStrings& strings_;
  int exceptions_;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// TStringList: the list with sorting, case sensitivity and a duplicates
// policy (the policy applies to sorted lists: dupIgnore leaves the list
// as it is and returns the index of the existing string, dupError raises
// "String list does not allow duplicates"). Insert and Put on a sorted list
// raise "Operation not allowed on sorted list". OnChanging runs before and
// OnChange after every change, except while an update is open; EndUpdate
// of the outermost update fires OnChange once.
class TStringList : public TStrings {
 public:
  TStringList() = default;
  explicit TStringList(std::vector<std::string> lines);

  std::string Get(int index) const override;
  // The string at index itself, without a copy; valid until the list changes.
  const std::string& StringAt(int index) const;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  void Put(int index, const std::string& s) override;
  void* GetObject(int index) const override;
  void PutObject(int index, void* object) override;
  void Insert(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, void* object) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const std::string& s) override;
  int AddObject(const std::string& s, void* object) override;
  void Exchange(int index1, int index2) override;
  int IndexOf(const std::string& s) const override;
  void SetText(std::string_view text) override;
  void Assign(const TStrings& source) override;

  // Binary search of a sorted list: true when found; index is the position
  // of the (first) match or where the string would be inserted.
  bool Find(const std::string& s, int& index) const;
  void Sort();
  // compare(list, i, j) < 0 when item i goes before item j.
  void CustomSort(const std::function<int(TStringList&, int, int)>& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }

  int CompareStrings(std::string_view a, std::string_view b) const override;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void SetUpdateState(bool updating) override;
  virtual void Changed();
  virtual void Changing();

 private:
  struct Item {
    std::string s;
    void* object = nullptr;
  };
  void checkIndex(int index) const;
  void insertItem(int index, const std::string& s, void* object);
  void quickSort(int lo, int hi, const std::function<int(TStringList&, int, int)>& compare);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};

// ---------------------------------------------------------------------------
// Little-endian helpers on raw bytes. T is an integral or floating type.

template <class T>
T readLE(const void* p) {
  static_assert(std::is_arithmetic_v<T>);
  const auto* b = static_cast<const uint8_t*>(p);
  using U = std::conditional_t<
      sizeof(T) == 1, uint8_t,
      std::conditional_t<sizeof(T) == 2, uint16_t,
                         std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
  U u = 0;
  for (size_t i = 0; i < sizeof(T); ++i) u |= static_cast<U>(static_cast<U>(b[i]) << (8 * i));
  T v;
  std::memcpy(&v, &u, sizeof(T));
  return v;
}

template <class T>
void writeLE(void* p, T value) {
  static_assert(std::is_arithmetic_v<T>);
  using U = std::conditional_t<
      sizeof(T) == 1, uint8_t,
      std::conditional_t<sizeof(T) == 2, uint16_t,
                         std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
  U u;
  std::memcpy(&u, &value, sizeof(T));
  auto* b = static_cast<uint8_t*>(p);
  for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<uint8_t>(u >> (8 * i));
}

// Appends the little-endian bytes of value to a byte string.
template <class T>
void appendLE(std::string& out, T value) {
  char b[sizeof(T)];
  writeLE<T>(b, value);
  out.append(b, sizeof(T));
}

// ---------------------------------------------------------------------------
// Streams.

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Read/Write transfer up to count bytes and return how many moved.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t newSize);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  int64_t Remaining() { return Size() - Position(); }

  // Exactly count bytes or EReadError "Stream read error" /
  // EWriteError "Stream write error".
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  void WriteString(std::string_view bytes) {
    WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  // Reads exactly count bytes (EReadError when fewer remain).
  std::string ReadBytes(int64_t count);
  // Copies count bytes from source at its position; count 0 copies the
  // whole source from its beginning. Returns the bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);

  template <class T>
  T ReadLE() {
    char b[sizeof(T)];
    ReadBuffer(b, sizeof(T));
    return readLE<T>(b);
  }
  template <class T>
  void WriteLE(T value) {
    char b[sizeof(T)];
    writeLE<T>(b, value);
    WriteBuffer(b, sizeof(T));
  }
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string_view bytes);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t newSize) override;

  uint8_t* Memory() { return reinterpret_cast<uint8_t*>(data_.data()); }
  const uint8_t* Memory() const { return reinterpret_cast<const uint8_t*>(data_.data()); }
  std::string_view View() const { return data_; }
  const std::string& Bytes() const { return data_; }
  void Clear();
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& dest) const;
  // EFOpenError when unreadable; SaveToFile is atomic (writeFileAtomic).
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

 private:
  std::string data_;
  int64_t pos_ = 0;
};

// A memory stream over text (the class library's TStringStream).
class TStringStream : public TMemoryStream {
 public:
  explicit TStringStream(std::string_view text = {}) : TMemoryStream(text) {}
  std::string DataString() const { return std::string(View()); }
};

// File open modes.
enum : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,  // create or truncate, read and write
};

// A stream on an open file. Raises EFOpenError 'Cannot open file "<name>". <reason>'
// or EFCreateError 'Cannot create file "<name>". <reason>'. Share flags are
// accepted and ignored. Writes go straight to the file: for saving a
// document use TAtomicFileStream or writeFileAtomic.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, unsigned mode);
  ~TFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  const std::string& FileName() const { return fileName_; }
  int Handle() const { return fd_; }

 private:
  std::string fileName_;
  int fd_ = -1;
};

// Saves a whole file atomically: the bytes go to a temporary file in the
// same folder, which is flushed to disk and renamed over the target (the
// permissions of an existing target are kept). On any failure the
// temporary file is removed, the old file stays as it was, and
// EFCreateError or EWriteError is raised with the reason.
void writeFileAtomic(const std::string& path, std::string_view bytes);

// The streaming form: write through the stream, then Commit(). A stream
// destroyed without Commit() (for example while an exception unwinds)
// removes its temporary file and leaves the target untouched.
class TAtomicFileStream : public TStream {
 public:
  explicit TAtomicFileStream(const std::string& path);
  ~TAtomicFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  // Flushes, syncs and renames over the target; raises on failure.
  void Commit();
  const std::string& FileName() const { return path_; }

 private:
  void discard() noexcept;
  std::string path_;
  std::string tempPath_;
  int fd_ = -1;
  bool failed_ = false;
};

// Reads a whole file; raises EFOpenError 'Cannot open file "<name>". <reason>'.
std::string readFileBytes(const std::string& path);

}  // namespace qv
