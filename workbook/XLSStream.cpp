#include "workbook/XLSStream.h"

#include <algorithm>
#include <cstring>

#include "workbook/XLSContainer.h"

namespace qv {

void TRecordView::TooShort() { throw EXLSError("record too short"); }

TExcelVersion VersionFromBOF(uint16_t recId, TRecordView body) {
  switch (recId) {
    case biff::BOF2:
      return xvExcel21;
    case biff::BOF3:
      return xvExcel30;
    case biff::BOF4:
      return xvExcel40;
    case biff::BOF8:
      if (body.Size() < 2) return xvNone;
      switch (body.U16(0)) {
        case 0x0500:
          return xvExcel50;
        case 0x0600:
          return xvExcel97;
        default:
          // Excel 97 and later files all say 0x0600; a BIFF5 body is 8
          // bytes, a BIFF8 body 16.
          return body.Size() >= 16 ? xvExcel97 : xvExcel50;
      }
    default:
      return xvNone;
  }
}

TExcelVersion TXLSStream::OpenRead(const std::string& fileName) {
  Close();
  fileName_ = fileName;
  return OpenReadBytes(readFileBytes(fileName));
}

TExcelVersion TXLSStream::OpenReadBytes(std::string fileBytes) {
  writing_ = false;
  data_.clear();
  pos_ = 0;
  version_ = xvNone;
  if (IsCompoundDocument(fileBytes)) {
    TExtraObjects* keep = PreserveMacros ? ExtraObjects : nullptr;
    data_ = ReadWorkbookStream(std::move(fileBytes), keep);
  } else {
    data_ = std::move(fileBytes);
  }
  if (data_.size() >= 4) {
    const auto* d = reinterpret_cast<const uint8_t*>(data_.data());
    uint16_t id = readLE<uint16_t>(d);
    uint16_t len = readLE<uint16_t>(d + 2);
    size_t avail = std::min<size_t>(len, data_.size() - 4);
    version_ = VersionFromBOF(id, TRecordView(d + 4, avail));
  }
  return version_;
}

void TXLSStream::OpenWrite(const std::string& fileName, TExcelVersion version) {
  Close();
  fileName_ = fileName;
  version_ = version;
  writing_ = true;
  data_.clear();
  pos_ = 0;
  contCount_ = 0;
  contHeaderPos_ = -1;
  contMax_ = -1;
}

void TXLSStream::Close() {
  if (writing_) {
    writing_ = false;
    std::string file;
    if (version_ >= xvExcel50) {
      file =
          WriteWorkbookDocument(version_ >= xvExcel97 ? "Workbook" : "Book", data_, ExtraObjects);
    } else {
      file = std::move(data_);
    }
    data_.clear();
    pos_ = 0;
    if (TargetStream) {
      TargetStream->WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
    } else {
      writeFileAtomic(fileName_, file);
    }
    return;
  }
  data_.clear();
  data_.shrink_to_fit();
  pos_ = 0;
}

void TXLSStream::Abandon() {
  writing_ = false;
  data_.clear();
  pos_ = 0;
}

int64_t TXLSStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || pos_ >= Size()) return 0;
  int64_t n = std::min(count, Size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

bool TXLSStream::ReadHeader(TBIFFHeader& header) {
  if (Size() - pos_ < 4) return false;
  const auto* d = reinterpret_cast<const uint8_t*>(data_.data()) + pos_;
  header.RecId = readLE<uint16_t>(d);
  header.Length = readLE<uint16_t>(d + 2);
  pos_ += 4;
  return true;
}

int64_t TXLSStream::Seek(int64_t offset, int origin) {
  int64_t base = origin == 0 ? 0 : origin == 1 ? pos_ : Size();
  int64_t p = base + offset;
  if (p < 0) p = 0;
  if (!writing_ && p > Size()) p = Size();
  pos_ = p;
  return pos_;
}

void TXLSStream::WriteHeader(uint16_t recId, uint16_t length) {
  char b[4];
  writeLE<uint16_t>(b, recId);
  writeLE<uint16_t>(b + 2, length);
  Write(b, 4);
}

void TXLSStream::WriteRecord(uint16_t recId, const void* buffer, size_t length) {
  if (length > 0xFFFF) throw EXLSError(Format("Record %.4X too long (%d bytes)", recId, length));
  WriteHeader(recId, static_cast<uint16_t>(length));
  Write(buffer, static_cast<int64_t>(length));
}

void TXLSStream::WriteWordRecord(uint16_t recId, uint16_t value) {
  char b[2];
  writeLE<uint16_t>(b, value);
  WriteRecord(recId, b, 2);
}

int64_t TXLSStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const auto n = static_cast<size_t>(count);
  const auto p = static_cast<size_t>(pos_);
  if (p == data_.size()) {
    data_.append(static_cast<const char*>(buffer), n);
  } else {
    if (p + n > data_.size()) data_.resize(p + n);
    std::memcpy(data_.data() + p, buffer, n);
  }
  pos_ += count;
  return count;
}

void TXLSStream::WriteWord(uint16_t value) {
  char b[2];
  writeLE<uint16_t>(b, value);
  Write(b, 2);
}

void TXLSStream::PatchWord(int64_t pos, uint16_t value) {
  if (pos < 0 || pos + 2 > Size()) throw EXLSError("Patch outside the written records");
  writeLE<uint16_t>(data_.data() + pos, value);
}

void TXLSStream::PatchLong(int64_t pos, uint32_t value) {
  if (pos < 0 || pos + 4 > Size()) throw EXLSError("Patch outside the written records");
  writeLE<uint32_t>(data_.data() + pos, value);
}

void TXLSStream::BeginContinueRecord(int maxBody) {
  contMax_ = maxBody;
  contCount_ = 0;
  contHeaderPos_ = pos_;
}

void TXLSStream::WriteData(const void* buffer, int64_t count) {
  const auto* p = static_cast<const char*>(buffer);
  if (contMax_ < 1) {
    Write(p, count);
    contCount_ += count;
    return;
  }
  while (count > 0) {
    if (contCount_ + count <= contMax_) {
      Write(p, count);
      contCount_ += count;
      return;
    }
    int64_t room = contMax_ - contCount_;
    PatchWord(contHeaderPos_ + 2, static_cast<uint16_t>(contMax_));
    Seek(0, 2);
    Write(p, room);
    p += room;
    count -= room;
    contHeaderPos_ = pos_;
    WriteHeader(biff::CONTINUE, 0);
    contCount_ = 0;
  }
}

void TXLSStream::EndContinueRecord() {
  if (contCount_ > 0 && contHeaderPos_ >= 0) {
    PatchWord(contHeaderPos_ + 2, static_cast<uint16_t>(contCount_));
  }
  Seek(0, 2);
  contMax_ = -1;
  contHeaderPos_ = -1;
  contCount_ = 0;
}

}  // namespace qv
