#include "workbook/XLSContainer.h"

#include <cstring>

namespace qv {

namespace {
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
}

bool IsCompoundDocument(std::string_view fileBytes) {
  return fileBytes.size() >= 8 && std::memcmp(fileBytes.data(), kSignature, 8) == 0;
}

std::string ReadWorkbookStream(std::string_view, TExtraObjects*) {
  throw EXLSError("Compound documents are not supported in this build");
}

std::string WriteWorkbookDocument(const std::string&, std::string_view, const TExtraObjects*) {
  throw EXLSError("Compound documents are not supported in this build");
}

}  // namespace qv
