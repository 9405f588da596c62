#include "grid/XLStream.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Codepage.h"

namespace qv {

namespace {

thread_local TXLStreamReport* currentReport = nullptr;

constexpr std::size_t kMaxKeptErrors = 5;

}  // namespace

std::int32_t ReadInteger(TStream& stream) { return stream.ReadLE<std::int32_t>(); }

void WriteInteger(TStream& stream, std::int32_t value) { stream.WriteLE<std::int32_t>(value); }

double ReadDouble(TStream& stream) { return stream.ReadLE<double>(); }

void WriteDouble(TStream& stream, double value) { stream.WriteLE<double>(value); }

std::uint8_t ReadByte(TStream& stream) { return stream.ReadLE<std::uint8_t>(); }

void WriteByte(TStream& stream, std::uint8_t value) { stream.WriteLE<std::uint8_t>(value); }

std::uint16_t ReadWord(TStream& stream) { return stream.ReadLE<std::uint16_t>(); }

void WriteWord(TStream& stream, std::uint16_t value) { stream.WriteLE<std::uint16_t>(value); }

std::string ReadString(TStream& stream) {
  const std::int32_t n = ReadInteger(stream);
  if (n < 1) return {};
  if (n > stream.Remaining()) throw EReadError("Stream read error");
  return Cp1252ToUtf8(stream.ReadBytes(n));
}

void WriteString(TStream& stream, std::string_view utf8) {
  std::string bytes;
  bytes.reserve(utf8.size());
  bool lossy = false;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = Utf8Next(utf8, pos);
    const int b = UnicodeToCp1252(cp);
    if (b < 0) {
      bytes += '?';
      lossy = true;
    } else {
      bytes += static_cast<char>(b);
    }
  }
  if (lossy) {
    if (TXLStreamReport* r = TXLReportScope::Current()) ++r->LossyStrings;
  }
  WriteInteger(stream, static_cast<std::int32_t>(bytes.size()));
  stream.WriteString(bytes);
}

// ---------------------------------------------------------------------------

std::vector<std::string> TXLStreamReport::Messages() const {
  std::vector<std::string> out;
  if (SkippedRecords > 0)
    out.push_back(
        Format("%d damaged record(s) could not be read and were skipped.", SkippedRecords));
  if (UnknownClasses > 0)
    out.push_back(Format("%d cell(s) of an unknown cell type were skipped.", UnknownClasses));
  if (OutsideEntries > 0)
    out.push_back(Format("%d entr(ies) lying outside the sheet were dropped.", OutsideEntries));
  if (LossyStrings > 0)
    out.push_back(Format(
        "%d text(s) hold characters that the sheet format cannot store; they were saved as \"?\".",
        LossyStrings));
  for (const std::string& e : Errors) out.push_back(e);
  return out;
}

void TXLStreamReport::NoteError(const std::string& text) {
  if (Errors.size() < kMaxKeptErrors &&
      std::find(Errors.begin(), Errors.end(), text) == Errors.end())
    Errors.push_back(text);
}

TXLReportScope::TXLReportScope(TXLStreamReport& report) : previous_(currentReport) {
  currentReport = &report;
}

TXLReportScope::~TXLReportScope() { currentReport = previous_; }

TXLStreamReport* TXLReportScope::Current() { return currentReport; }

// ---------------------------------------------------------------------------

TXLFrameWriter::TXLFrameWriter(TStream& stream) : stream_(stream), start_(stream.Position()) {
  WriteInteger(stream_, 0);
}

TXLFrameWriter::~TXLFrameWriter() {
  if (!closed_) {
    try {
      Close();
    } catch (...) {
      // Unwinding already: the stream is abandoned by the caller.
    }
  }
}

void TXLFrameWriter::Close() {
  closed_ = true;
  const std::int64_t end = stream_.Position();
  const std::int64_t length = end - start_;
  if (length > INT32_MAX) throw EXLGridError("XLGrid record too large to save");
  stream_.SetPosition(start_);
  WriteInteger(stream_, static_cast<std::int32_t>(length));
  stream_.SetPosition(end);
}

std::int64_t TXLFrameReader::ReadFrameEnd(TStream& stream) {
  const std::int64_t start = stream.Position();
  const std::int32_t length = ReadInteger(stream);
  if (length < 4 || length - 4 > stream.Remaining())
    throw EXLGridError("Corrupt XLGrid stream: bad record length");
  return start + length;
}

TXLFrameReader::TXLFrameReader(TStream& stream)
    : stream_(stream),
      start_(stream.Position() + 4),
      end_(ReadFrameEnd(stream)),
      body_(stream, start_, end_) {}

void TXLFrameReader::Finish() { stream_.SetPosition(end_); }

std::int64_t TXLFrameReader::TWindow::Read(void* buffer, std::int64_t count) {
  const std::int64_t n = std::max<std::int64_t>(0, std::min(count, end_ - start_ - pos_));
  if (n == 0) return 0;
  base_.SetPosition(start_ + pos_);
  const std::int64_t got = base_.Read(buffer, n);
  pos_ += got;
  return got;
}

std::int64_t TXLFrameReader::TWindow::Write(const void*, std::int64_t) { return 0; }

std::int64_t TXLFrameReader::TWindow::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t p = offset;
  if (origin == soCurrent) p += pos_;
  if (origin == soEnd) p += end_ - start_;
  pos_ = std::clamp<std::int64_t>(p, 0, end_ - start_);
  return pos_;
}

}  // namespace qv
