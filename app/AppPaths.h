// Where the program and its files are: the program file and folder, the
// folder of the example models, the folder the file dialogs start in, and
// file times as the status bar shows them.
#pragma once

#include <string>

#include "platform/core/SysUtils.h"

namespace qv {

// The running program file (absolute) and its folder (with a trailing '/').
std::string ProgramFile();
std::string ProgramFolder();
// The example models' folder (with a trailing '/'): "examples" beside the
// program, in the installed data folder (../share/quorvane/examples) or in
// the source tree the program was built from; "" when none exists.
std::string ExamplesFolder();
// The folder the model file dialogs start in: the examples when present,
// else the user's home folder.
std::string ModelFolder();
// The last modification of a file as local date and time; 0 when it has
// none.
TDateTime FileModifiedTime(const std::string& FileName);

}  // namespace qv
