// The compiler run and the library cache of program mode: the library
// source (engine/ProgramSource.h) is compiled by Free Pascal into a shared
// library that the state's worker process loads (engine/FitWorker.h).
//
// Files: generated sources are compiled in a private folder and the built
// libraries kept in the library folder, `$XDG_CACHE_HOME/quorvane/lib`
// (default ~/.cache/quorvane/lib), named "FitDll-<hash>.so" after a hash of
// the whole source and the compiler options. A library of another model or
// run is therefore never loaded by mistake, and an unchanged model is not
// compiled again, also not in another engine state or program run (until
// the window's close clears the folder, CleanLibFiles(0)). Each engine
// state has its own worker, with its own instance of the library.
//
// Failures are model messages through the host; nothing here throws for a
// bad model. The compiler runs with a time limit and with the host's pump
// turning; the stop command (StopCode scUserStop) ends it. Its exit status and
// messages are checked, and its messages are shown after "There may be
// syntax error in program codes!" with their line numbers taken back to the
// lines of the program block.
#pragma once

#include <string>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/ProgramRuntime.h"

namespace qv {

// ---- Library folder and compiler --------------------------------------------------

// The library folder (created on demand).
std::string LibraryFolder();
// The compiler kit: true when `fpc` is found in PATH. Mode 1 (program start
// and before a compilation) only looks; mode 0 (after a compilation and at
// program end) does nothing: Free Pascal is installed, not staged.
bool StageCompilerKit(int Mode);
// Mode 3 (a freshly built library that would not load) deletes LibraryPath
// and the compiler's working folder of this process; mode 2 (before and
// after compiling) deletes only that working folder: a library left under
// its final name is replaced in one step by the new one, never deleted
// first, since another run may be loading it; mode 0 (program end) deletes
// every library in the library folder, the working folder of this process
// and those left by processes that no longer run.
void CleanLibFiles(int Mode, const std::string& LibraryPath = {});

// Writes, compiles (when the library is not in the folder yet) and loads the
// program model's library, and hands it the data of the run. Needs the
// parsed model and PrepareTargetData. False after a message:
//   no compiler:   "The Pascal compiler "fpc" was not found ..." (other
//                  modes are unaffected);
//   compile error: "There may be syntax error in program codes!" with the
//                  compiler's messages;
//   load failure:  "There may be syntax error in program codes!" and why;
//   stopped:       "Compiling the program codes was stopped." (the compile,
//                  the start of the worker or the hand-over of the data).
// A worker that still has this library loaded is kept; one that died or
// was ended is started again. Clears State.Model.RebuildNeeded on success.
bool BuildFitDll(TEngineState& State, TFitHost& Host);

// What the last BuildFitDll of this state did (for the window and tests).
const TFitDllBuildInfo& LastFitDllBuild(const TEngineState& State);

// Ends the state's worker (unloading the library) and forgets its run data.
void FreeFitDll(TEngineState& State);

}  // namespace qv
