// Program mode: a curve-fitting model whose outputs are computed by a block
// of Pascal code (or Basic, translated while the model is read). The block
// becomes the procedure `Run__DLL` of a generated library "FitDll.dpr",
// which Free Pascal (`fpc -Mdelphi`, Debian package fp-compiler) compiles
// into a shared library; a worker process loads it and the engine calls it
// there for every evaluation of a parameter set (engine/FitWorker.h), so
// that Stop ends a model that never returns and the model's own faults or
// a "halt" never end the program.
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
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/ProgramRuntime.h"
#include "engine/RunController.h"
#include "engine/SearchSettings.h"
#include "engine/SearchState.h"

namespace qv {

// ---- The generated source ------------------------------------------------------

// Rewrites one line of the program block into Pascal of the library:
//   `^`            the leftmost a^b becomes (Power(a, b)); a and b are a
//                  bracketed group (with the function or array name before
//                  it), a number or a name with its index brackets, so
//                  x[i+1]^2 and sin(x)^2 work; spaces around `^` are allowed;
//   parameters     PData[p] (p in definition order),
//   constants      their value text,
//   var-constants  VCData[FileID,c],
//   inputs         name[ -> XData[FileID,i,  (i over the non-output variables),
//   outputs        name[ -> YData[FileID,o,
//   DataLength     DataNo[FileID];
// then ": =" becomes ":=", and an assignment written with "=" (no "if ",
// "while ", "until " in the line) gets ":=".
// Names are replaced in one pass over the tokens of the line: whole
// identifiers only, letter case ignored, never inside strings or comments,
// and replaced text is never matched again. A line in which a parameter,
// constant, var-constant or DataLength was replaced is lower-cased outside
// its strings (the replacements keep their case).
// InComment carries an open (* *) or { } comment from line to line.
std::string RewriteProgramLine(const TEngineState& State, const std::string& Line,
                               int* InComment = nullptr);

// The power step alone (leftmost first, repeated while a "^" is left).
std::string RewritePowerOperator(const std::string& Line);

// The whole library source, one string per line: the header lines, the
// rewritten program block (work lines ProgramStart..ProgramEnd), the exports
// of Run__DLL, the C adapter (engine/FitDll.h) and "Begin" / "End.".
std::vector<std::string> BuildFitDllSource(const TEngineState& State);
// Index (0-based) of the first program line in that source.
constexpr int kFitDllProgramLine = 12;

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

// ---- Evaluation -------------------------------------------------------------------

// Runs the model for data set File with the values in State.Model.ParameterValues,
// writing State.Model.Calculated[File]. False when the call raises (Error says
// why): an exception in the model code, a range error, a division by zero,
// an invalid or overflowing operation, a non-finite output; also when the
// worker ended (a "halt") or, outside a search, the call did not return
// within 10 seconds (the worker is then ended).
bool RunFitDll(TEngineState& State, int File, std::string* Error = nullptr);

// Fitness of member m (Population[m]) and of its trial vector
// (TrialPopulation[m]) under the stop criterion: the mean over the fitted
// data sets and outputs of DC (RMSE under the RMSE criterion). With
// var-parameters and several data sets a member holds the shared
// parameters, then one block per fitted data set; test data sets take the
// values given for them (SetTestFileValues). A call that raises: the
// member is drawn again and its data set scores 0 (RMSE against zeros);
// the trial returns the member's current fitness; either way the fault is
// counted (TProgramRuntime::Faults). Every data set of the member goes to
// the worker in one round trip. While a search runs the wait pumps the
// host; a stop ends the worker and every later evaluation of the run
// returns the member's current fitness. A worker that ended by itself
// throws (the run then ends with "Some thing wrong!" and the cause, and
// its report).
double MemberFitnessByProgram(TEngineState& State, int Criterion, int m);
// Evaluates every member of the population in one round trip to the worker
// before the members are scored one by one; MemberFitnessByProgram then
// reads a member's outputs back when its values are still the ones sent.
void PrefetchMembersByProgram(TEngineState& State);
double FitnessByProgram(TEngineState& State, int Criterion, int m);

// Var-parameter values of the test data sets, Values[t * VarParameterCount
// + v] for the t-th test data set (data set order) and var-parameter v.
void SetTestFileValues(TEngineState& State, const std::vector<double>& Values);

// Asked for those values before a search (the window's input form, the
// driver's command line). A host that can supply them derives from this as
// well as from TFitHost. Titles are "<name> for "<data file>""; Values come
// in with defaults; false: cancelled.
class TTestValuesSource {
 public:
  virtual ~TTestValuesSource() = default;
  virtual bool EditTestFileValues(const std::vector<std::string>& Titles,
                                  std::vector<double>& Values) = 0;
};

// ---- The run ------------------------------------------------------------------------

// The program-mode road of the run command, after the text was prepared and
// classified: parse (when Parse), target data, BuildFitDll, dimensions,
// population (kept when resuming), the test-file values, PrepareSearch and
// the fitting search (an exception shows "Some thing wrong!" and writes the
// report). After the report, the failed calls of the model are counted in
// the result lines; a run in which no call succeeded shows a warning and
// ends as roFailed. Outcome tells how it ended. False when nothing was
// searched.
bool RunProgramMode(TEngineState& State, TFitHost& Host, TSearchSettings& Settings, bool Parse,
                    TRunOutcome& Outcome);

}  // namespace qv
