// TXLSReader: reads one Excel file (BIFF2 to BIFF8) into the workbook of a
// TXLSWorkbook in one pass over its records. Each record is dispatched by
// its id to a handler that stores its content in the workbook model; chart
// substreams are kept as lists of raw records.
//
// Every handler reads through a bounds-checked record view; any failure
// inside the record loop reaches the caller as EXLSError "Error on reading
// record # <n>" + CR + the cause.
#pragma once

#include <string>

namespace qv {

class TXLSWorkbook;

class TXLSReader {
 public:
  explicit TXLSReader(TXLSWorkbook& workbook);
  ~TXLSReader();
  TXLSReader(const TXLSReader&) = delete;
  TXLSReader& operator=(const TXLSReader&) = delete;

  // Reads the workbook's Filename.
  void Read();
  // Reads the bytes of a whole file.
  void ReadBytes(std::string fileBytes);

 private:
  class TImpl;
  TXLSWorkbook& wb_;
};

}  // namespace qv
