// File helpers of the support components.
#pragma once

#include <string>

namespace qv {

// True when Name exists and is a folder.
bool DirExists(const std::string& Name);

}  // namespace qv
