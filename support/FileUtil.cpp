#include "support/FileUtil.h"

#include "platform/core/SysUtils.h"

namespace qv {

bool DirExists(const std::string& Name) { return !Name.empty() && DirectoryExists(Name); }

}  // namespace qv
