// TXLSWriter: writes the workbook of a TXLSWorkbook as an Excel file:
// Excel 5 and Excel 97 as a compound document with the workbook stream,
// Excel 4.0 as a plain file holding the first sheet only. The order of the
// records is fixed per version. The whole file is built in memory first;
// a failure leaves no file behind and an existing file unchanged.
#pragma once

#include <string>

namespace qv {

class TXLSWorkbook;
class TStream;

class TXLSWriter {
 public:
  explicit TXLSWriter(TXLSWorkbook& workbook);
  ~TXLSWriter();
  TXLSWriter(const TXLSWriter&) = delete;
  TXLSWriter& operator=(const TXLSWriter&) = delete;

  // Writes the workbook's Filename, or to target when given.
  void Write(TStream* target = nullptr);

 private:
  class TImpl;
  TXLSWorkbook& wb_;
};

}  // namespace qv
