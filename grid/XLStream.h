// The primitive reads and writes of the grid library's binary stream forms
// (the sheet's "XLData", the styler's "Styles", the sparse lists), and the
// report that a read or write of a whole stream collects.
//
// All values are little-endian: a 4-byte signed integer, an 8-byte IEEE
// double, and a string written as a 4-byte signed length N followed by N
// bytes of Windows-1252 text (no terminator; N < 1 reads as the empty
// string). Strings are UTF-8 in memory: characters without a Windows-1252
// form are written as "?" and counted in the current report.
//
// Reads never trust a length: a string longer than what remains in the
// stream raises EReadError "Stream read error" before anything is
// allocated, as does every read past the end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"

namespace qv {

// Failures of the grid library: bad arguments, corrupt streams, style
// misuse. The message is the text the user sees.
QV_DECLARE_EXCEPTION(EXLGridError, Exception)

std::int32_t ReadInteger(TStream& stream);
void WriteInteger(TStream& stream, std::int32_t value);
double ReadDouble(TStream& stream);
void WriteDouble(TStream& stream, double value);
std::string ReadString(TStream& stream);
void WriteString(TStream& stream, std::string_view utf8);
// A byte and a 16-bit word, for the flag fields of the stream forms.
std::uint8_t ReadByte(TStream& stream);
void WriteByte(TStream& stream, std::uint8_t value);
std::uint16_t ReadWord(TStream& stream);
void WriteWord(TStream& stream, std::uint16_t value);

// What went wrong, without stopping, while one stream was read or written:
// records skipped by their frame, cells of unknown classes, strings that
// lost characters to Windows-1252, entries outside the sheet. Messages()
// gives one line per kind of event, ready to show.
struct TXLStreamReport {
  int SkippedRecords = 0;           // framed records whose body failed to read
  int UnknownClasses = 0;           // cell records of a class id no class has
  int LossyStrings = 0;             // strings written with "?" for a character
  int OutsideEntries = 0;           // cells, blocks or attributes outside the sheet
  std::vector<std::string> Errors;  // the first few error texts of skipped records

  bool Empty() const {
    return SkippedRecords == 0 && UnknownClasses == 0 && LossyStrings == 0 && OutsideEntries == 0;
  }
  std::vector<std::string> Messages() const;
  void Clear() { *this = TXLStreamReport(); }
  // Keeps an error text (up to a handful, so a hostile stream cannot grow it).
  void NoteError(const std::string& text);
};

// While a scope is alive, the primitives of this thread count into its
// report (WriteString counts lossy strings). Scopes nest; the innermost
// one counts.
class TXLReportScope {
 public:
  explicit TXLReportScope(TXLStreamReport& report);
  ~TXLReportScope();
  TXLReportScope(const TXLReportScope&) = delete;
  TXLReportScope& operator=(const TXLReportScope&) = delete;
  // The report of the innermost scope, or null.
  static TXLStreamReport* Current();

 private:
  TXLStreamReport* previous_;
};

// Writes a length-framed record: the constructor writes a placeholder
// length, Close() (or the destructor) writes the length of the frame,
// its own 4 bytes included, and returns to the end.
class TXLFrameWriter {
 public:
  explicit TXLFrameWriter(TStream& stream);
  ~TXLFrameWriter();
  TXLFrameWriter(const TXLFrameWriter&) = delete;
  TXLFrameWriter& operator=(const TXLFrameWriter&) = delete;
  void Close();

 private:
  TStream& stream_;
  std::int64_t start_;
  bool closed_ = false;
};

// Reads a length-framed record: the length must lie between 4 and what
// remains from the frame's start (else EXLGridError "Corrupt XLGrid stream:
// bad record length"). The body is read from a bounded view of the stream
// that ends at the frame's end, so a body reader cannot read past it.
// Finish() moves the outer stream to the frame's end whatever the body
// consumed.
class TXLFrameReader {
 public:
  explicit TXLFrameReader(TStream& stream);
  TXLFrameReader(const TXLFrameReader&) = delete;
  TXLFrameReader& operator=(const TXLFrameReader&) = delete;
  // The bounded body stream.
  TStream& Body() { return body_; }
  void Finish();

 private:
  // A window [start, end) of another stream.
  class TWindow : public TStream {
   public:
    TWindow(TStream& base, std::int64_t start, std::int64_t end)
        : base_(base), start_(start), end_(end) {}
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return end_ - start_; }

   private:
    TStream& base_;
    std::int64_t start_, end_;
    std::int64_t pos_ = 0;
  };
  // Reads and checks the length at the stream's position; the frame's end.
  static std::int64_t ReadFrameEnd(TStream& stream);
  TStream& stream_;
  std::int64_t start_;
  std::int64_t end_;
  TWindow body_;
};

}  // namespace qv
