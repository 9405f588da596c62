// The compound-document side of workbook files: finding the workbook
// stream of an Excel 5 or 97 file, and building the document around the
// records written for one.
#pragma once

#include <string>
#include <string_view>

#include "workbook/XLSStream.h"

namespace qv {

// True when the bytes start with the compound-document signature.
bool IsCompoundDocument(std::string_view fileBytes);

// The bytes of the "Workbook" stream (preferred) or the "Book" stream.
// Raises EXLSError "File is not a Excel Workbook" when neither exists and
// EXLSError with the container's message for a damaged document. With
// keep set, every sub-storage of the root is copied into it.
std::string ReadWorkbookStream(std::string fileBytes, TExtraObjects* keep);

// A compound document holding streamName with the given records and the
// kept storages beside it.
std::string WriteWorkbookDocument(const std::string& streamName, std::string_view records,
                                  const TExtraObjects* extra);

}  // namespace qv
