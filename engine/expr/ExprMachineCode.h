// Machine code of a chain for a data set of a few rows.
//
// On a small data set the column evaluator's fixed costs per call (a
// procedure per step or fused loop, each step's values stored and read
// again) outweigh its rows. For such data sets the chain is also written as
// one x86-64 function (AVX2, four rows per vector) that keeps every step's
// values in registers: the rows go eight at a time, as two vectors of four
// (the last eight end at the last row and may repeat rows of the ones
// before), through every step, and the last step's values are stored as
// results. The steps that read only bound columns it does not compute: it
// reads the values the column evaluator keeps for them.
//
// It computes each step by the same IEEE operation on the same operands
// as the column evaluator, and calls the same deterministic SLEEF routines
// (engine/expr/ExprElementaryBlocks.h), so every result has the same bits. It
// does not decide faults: when the status flags show one at the end, or a
// routine could not vouch for a lane (an argument outside its quiet range,
// a row that the power rules decide, a result that calls for a fault), the
// call reports it and the column evaluator runs the rows as usual, which
// decides everything, from the first row. Having given up, it is left
// aside for a while (engine/expr/ExprChain.h), so that a data set where rows
// raise for most candidates costs little more than without it.
//
// Debugging: with the environment variable QV_MACHINE_CODE_DUMP set to a
// folder when the program starts (or after SetMachineCodeDump), every
// function made is also written to that folder as
// machine-code-<process id>-<number>.bin, the function's bytes alone, with
// machine-code-<process id>-<number>.txt beside it (the chain's text and
// rows). The console driver shows it for a model, e.g.
//   QV_MACHINE_CODE_DUMP=/tmp/mc build/tools/qvrun/qvrun MODEL.mff
//   objdump -D -b binary -mi386:x86-64 /tmp/mc/machine-code-*-1.bin
// objdump's addresses are offsets from the function's start; the 64-bit
// values moved into rax are the addresses of parameters, constants and
// routines in that process.
//
// Internal to the engine's expression compiler; the column evaluator
// (engine/expr/ExprColumnEval.cpp) makes and calls it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/ParseExpr.h"

namespace qv::expr {

struct TChain;

// Rows of the data sets that get machine code: from 4 (one vector) to
// kMachineCodeMaxRows; for a chain whose rows call two routines or more
// (elementary functions, powers) to kMachineCodeRoutineRows only. Past
// these the column evaluation's loops over blocks of rows were measured
// to run as fast or faster.
constexpr int kMachineCodeMinRows = 4;
constexpr int kMachineCodeMaxRows = 256;
constexpr int kMachineCodeRoutineRows = 40;

class TMachineCode {
 public:
  TMachineCode(const TMachineCode&) = delete;
  TMachineCode& operator=(const TMachineCode&) = delete;
  ~TMachineCode();

  // Evaluates every row of the bound columns into results, the steps that
  // read only bound columns read from kept (TChain::Invariant, computed for
  // these rows without a fault): true when done, false when the rows must
  // run as usual (nothing else changed but results).
  bool Run(const TColumnBinding* bindings, double* results, const double* kept) const {
    return proc_(bindings, results, kept) == 0;
  }

  // The machine code of the chain for its current bindings (ExternalBinding)
  // and rowCount rows, or null where it has none: a step it does not
  // compute, too many values at once, a processor without AVX2 and FMA, or
  // memory that cannot be made executable.
  static std::shared_ptr<TMachineCode> Make(const TChain& chain, int rowCount);

 private:
  using TProc = int (*)(const TColumnBinding*, double*, const double*);
  TMachineCode(void* memory, size_t size);
  void* memory_;
  size_t size_;
  TProc proc_;
};

// Whether the column evaluator makes and uses machine code (on by default;
// off for comparisons).
void SetMachineCodeEnabled(bool on);
bool MachineCodeEnabled();
// How many functions have been made so far in this process (for tests).
uint64_t MachineCodeMade();
// The folder every function made from now on is also written to (see the
// top of this file); "" for none.
void SetMachineCodeDump(const std::string& folder);

}  // namespace qv::expr
