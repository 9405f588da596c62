#include "workbook/XLSWriter.h"

#include "workbook/XLSWorkbook.h"

namespace qv {
TXLSWriter::TXLSWriter(TXLSWorkbook& workbook) : wb_(workbook) {}
TXLSWriter::~TXLSWriter() = default;
void TXLSWriter::Write(TStream*) { throw EXLSError("not yet"); }
}  // namespace qv
