// What the engine keeps of a program model's compiled library: the library
// loaded into this process, the hash of the source it was built from, the
// record of the last build, the var-parameter values of the test data sets
// and the values being evaluated. Part of the model (the compiled form of
// its program block, as the expression parser is of its expressions);
// engine/ProgramMode.cpp fills and uses it.
#pragma once

#include <string>
#include <vector>

#include "engine/FitDll.h"

namespace qv {

// What the last BuildFitDll of a state did (for the window and tests).
struct TFitDllBuildInfo {
  bool Compiled = false;       // the compiler ran
  std::string LibraryPath;     // the library loaded
  std::string CompilerOutput;  // messages of the last compiler run
};

struct TProgramRuntime {
  TFitDll Dll;
  std::string Hash;  // of the loaded library's source
  TFitDllBuildInfo Info;
  std::vector<double> TestValues;  // SetTestFileValues
  std::vector<double> Candidate;   // the member values being evaluated
};

}  // namespace qv
