// Program mode: a curve-fitting model whose outputs are computed by a block
// of Pascal code (or Basic, translated while the model is read). The block
// becomes the procedure `Run__DLL` of a generated library "FitDll.dpr",
// which Free Pascal (`fpc -Mdelphi`, Debian package fp-compiler) compiles
// into a shared library; a worker process loads it and the engine calls it
// there for every evaluation of a parameter set (engine/FitWorker.h), so
// that Stop ends a model that never returns and the model's own faults or
// a "halt" never end the program.
//
// The source generation (engine/ProgramSource.h), the compiler run and its
// library cache (engine/ProgramCompiler.h) and the evaluation
// (engine/ProgramFitness.h) are apart; this file holds the run.
#pragma once

#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/ProgramCompiler.h"
#include "engine/ProgramFitness.h"
#include "engine/ProgramSource.h"
#include "engine/RunController.h"
#include "engine/SearchSettings.h"
#include "engine/SearchState.h"

namespace qv {

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
