// The editor's line buffer and its text files.
//
// TCodeEditStringList is the text store behind the editor's Lines: an
// ordered list of UTF-8 lines (0-based indexes) that also keeps, per line,
// the highlighter's scanner state at the line's end (the range), a cached
// tab-expanded length and, in soft word-wrap mode, whether the line
// continues the previous one. Loading accepts CR LF, LF and CR breaks (a
// NUL also ends a line) and remembers the style for saving; a file that is
// not valid UTF-8 is read as Windows-1252. Saving always writes logical
// lines (continuation lines joined) and goes through the atomic writer: a
// failed save raises and leaves the old file as it was.
//
// Failures: a bad index raises ECodeEditStringList "Invalid stringlist
// index %d"; file errors propagate from the stream classes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/CodeEditMiscProcs.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv {

class ECodeEditStringList : public Exception {
 public:
  using Exception::Exception;
};

// Line-break style of a text file: CR LF, LF or CR.
enum TCodeEditFileFormat : uint8_t { sffDos = 0, sffUnix = 1, sffMac = 2 };

// Per-line flags.
constexpr uint8_t sfHasTabs = 1;    // the text holds a TAB
constexpr uint8_t sfHasNoTabs = 2;  // the text holds none
constexpr uint8_t sfExpandedLengthUnknown = 4;

struct TCodeEditStringRec {
  std::string Text;
  void* Object = nullptr;
  int32_t Range = 0;
  bool Continued = false;  // continues the previous line (soft wrap)
  int ExpandedLength = 0;
  uint8_t Flags = 0;
};

// Buffered writing of lines to a file, through an atomic file stream.
// Commit() writes what is buffered and puts the file in place; it raises
// when the data could not be written. A writer destroyed without Commit()
// leaves the target file untouched.
class TCodeEditFiler {
 public:
  TCodeEditFiler();
  virtual ~TCodeEditFiler() = default;
  TCodeEditFiler(const TCodeEditFiler&) = delete;
  TCodeEditFiler& operator=(const TCodeEditFiler&) = delete;
  virtual void Flush() {}
  TCodeEditFileFormat FileFormat() const { return fileFormat_; }
  void SetFileFormat(TCodeEditFileFormat Value);
  size_t BufferSize() const { return buffer_.size(); }

 protected:
  std::string buffer_;  // fixed-size buffer; bufPtr_ bytes in use
  size_t bufPtr_ = 0;
  TCodeEditFileFormat fileFormat_ = sffUnix;
  std::string lineBreak_ = "\n";
};

class TCodeEditFileWriter : public TCodeEditFiler {
 public:
  explicit TCodeEditFileWriter(const std::string& FileName);
  ~TCodeEditFileWriter() override;
  void Flush() override;
  void Write(const std::string& S);
  void WriteLine(const std::string& S);
  void Commit();

 private:
  std::unique_ptr<TAtomicFileStream> stream_;
};

class TCodeEditStringList : public TStrings {
 public:
  using TListEvent = std::function<void(TCodeEditStringList* Sender)>;
  using TStringListChangeEvent =
      std::function<void(TCodeEditStringList* Sender, int Index, const std::string& S)>;
  using TStringListDeleteEvent = std::function<void(TCodeEditStringList* Sender, int Index)>;

  TCodeEditStringList();
  ~TCodeEditStringList() override;

  // TStrings primitives. Get outside 0..Count-1 gives "".
  std::string Get(int Index) const override;
  int GetCount() const override { return static_cast<int>(list_.size()); }
  void* GetObject(int Index) const override;
  void Put(int Index, const std::string& S) override;
  void PutObject(int Index, void* AObject) override;
  int Add(const std::string& S) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  void AddStrings(const TStrings& AStrings);

  int Capacity() const { return capacity_; }
  void SetCapacity(int NewCapacity);

  // Own operations (0-based line indexes).
  std::string GetExpandedString(int Index);
  int GetLengthOfLongestLine();
  int32_t GetRange(int Index) const;
  void PutRange(int Index, int32_t ARange);
  // Index must lie in 0..Count (checked).
  void InsertLines(int Index, int NumLines);
  void DeleteLines(int Index, int NumLines);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int Value);
  const TCodeEditStringRec& Rec(int Index) const;

  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  int WrapWidth() const { return wrapWidth_; }
  void SetWrapWidth(int Value) { wrapWidth_ = Value < 1 ? 1 : Value; }
  // Joins the paragraph holding Index and wraps it again; returns the
  // index of its first line.
  int RewrapParagraph(int Index);
  bool IsContinuationLine(int Index) const;

  // Files. LoadFromStream reads the whole stream from position 0 and only
  // then replaces the lines. SaveToFile raises (EFCreateError/EWriteError)
  // when the file cannot be written completely.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream& Stream);
  void LoadFromBytes(std::string_view Bytes);
  void SaveToFile(const std::string& FileName);
  void SaveToStream(TStream& Stream);
  // The bytes SaveToStream writes.
  std::string SaveToBytes() const;

  TCodeEditFileFormat FileFormat() const { return fileFormat_; }
  void SetFileFormat(TCodeEditFileFormat Value) { fileFormat_ = Value; }
  bool AppendBreakAtEnd() const { return appendNewLineAtEof_; }
  void SetAppendBreakAtEnd(bool Value) { appendNewLineAtEof_ = Value; }

  TListEvent OnChange;
  TListEvent OnChanging;
  TStringListChangeEvent OnAdded;
  TStringListChangeEvent OnInserted;
  TStringListChangeEvent OnPutted;
  TStringListDeleteEvent OnDeleted;
  TListEvent OnCleared;

 protected:
  void SetUpdateState(bool Updating) override;

 private:
  [[noreturn]] void ListIndexError(int Index) const;
  void Grow();
  void InsertItem(int Index, const std::string& S, bool Continued);
  // Inserts S at Index split into wrap pieces; returns the piece count.
  int InsertWrapped(int Index, const std::string& S);
  size_t WrapSplit(const std::string& S) const;
  void WrapLine(int Index);
  void ExpandString(int Index);
  int ExpandedLengthOf(const std::string& S) const;
  // Keeps the cached longest line up to date for a line put or inserted at
  // Index.
  void NoteLineLength(int Index, const std::string& S);
  std::vector<std::string> LogicalLines() const;

  bool wordWrap_ = false;
  int wrapWidth_ = 80;
  std::vector<TCodeEditStringRec> list_;
  int capacity_ = 0;
  TCodeEditFileFormat fileFormat_ = sffDos;
  bool appendNewLineAtEof_ = true;
  TConvertTabsProc convertTabsProc_;
  int indexOfLongestLine_ = -1;
  int longestLength_ = 0;  // expanded length of that line
  int tabWidth_ = 8;
};

}  // namespace qv
