// What the engine keeps of a program model's compiled library: the worker
// process that has it loaded, the hash of the source it was built from, the
// record of the last build, the var-parameter values of the test data sets,
// the values being evaluated and the count of the run's calls and faults.
// Part of the model (the compiled form of its program block, as the
// expression parser is of its expressions); engine/ProgramMode.cpp fills
// and uses it.
#pragma once

#include <string>
#include <vector>

#include "engine/FitWorker.h"

namespace qv {

// What the last BuildFitDll of a state did (for the window and tests).
struct TFitDllBuildInfo {
  bool Compiled = false;       // the compiler ran
  bool Stopped = false;        // the compile or the load was stopped
  std::string LibraryPath;     // the library loaded
  std::string CompilerOutput;  // messages of the last compiler run
};

struct TProgramRuntime {
  TFitWorker Worker;
  std::string Hash;  // of the loaded library's source
  TFitDllBuildInfo Info;
  std::vector<double> TestValues;  // SetTestFileValues
  std::vector<double> Candidate;   // the member values being evaluated
  // While a search runs: pumps the window and says whether the search
  // still runs; an evaluation waiting for the worker calls it. Empty
  // outside a search.
  TFitWorker::TPump Pump;
  // The search was stopped during an evaluation: the worker was ended and
  // nothing more is evaluated in this run.
  bool Abandoned = false;
  // Members 0..Prefetched-1 of the population were evaluated in one round
  // trip (PrefetchMembersByProgram); their jobs are read back while the
  // members still hold the values evaluated.
  int Prefetched = 0;
  // Calls of the model in this run, those that failed, and why the first did.
  long long Calls = 0;
  long long Faults = 0;
  std::string FirstFault;
};

}  // namespace qv
