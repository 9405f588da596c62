// The compiled library of a program model, loaded into this process, and
// the calls into it.
//
// The generated Pascal source (engine/ProgramMode.h) carries, besides the
// model's `Run__DLL`, a small adapter with the C calling convention, because
// C++ cannot build Pascal dynamic arrays:
//   QvFitDllSetup(files, inputs, outputs, varconsts, params, rows*, x*, vc*)
//       copies the run's data once into library-side arrays (x flattened as
//       [data set][input][row], vc as [data set][var-constant]);
//   QvFitDllRun(file, params*, y*, errtext*, errsize)
//       copies the parameters in, calls Run__DLL and copies output rows of
//       that data set out as [output][row]; a Pascal exception (a range
//       check with -Cr, a division by zero, ...) is caught there and
//       returned as status 1 with its class and message;
//   QvFitDllFault(code)
//       raises the Pascal exception for a hardware fault (see below).
//
// Floating point: every call runs with all FPU exceptions masked and the
// flags cleared (x87 control word and SSE MXCSR, through <cfenv>); after the
// call the division-by-zero, invalid-operation and overflow flags are tested
// and the environment of the caller is restored. A set flag, a non-finite
// output or a caught exception make the call fail ("the call raises").
//
// Hardware faults (an integer division by zero, an access violation, the
// end of the stack after runaway recursion) raised inside the library
// during a call are turned into Pascal exceptions: a signal handler, running
// on a signal stack, moves the faulting thread to QvFitDllFault on a stack
// of its own, whose raise is caught by the adapter. Faults outside a call or
// outside the library go to the handler that was there before. This needs
// x86-64 or AArch64 Linux; elsewhere such a fault ends the program.
// A model that never returns (an endless loop) is not interrupted: the call
// blocks its thread.
//
// Calls must come from the thread that loaded the library (the Pascal
// run-time keeps its exception frames per thread). Not copyable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/EngineTypes.h"

namespace qv {

enum class TFitDllStatus {
  Ok,          // outputs written
  Exception,   // the library raised (message in Error)
  FloatFault,  // division by zero, invalid operation or overflow
  NotFinite,   // an output is NaN or infinite
  NotReady,    // no library loaded or no data set up
};

class TFitDll {
 public:
  TFitDll() = default;
  ~TFitDll();
  TFitDll(const TFitDll&) = delete;
  TFitDll& operator=(const TFitDll&) = delete;

  // Loads a private instance of the library (each TFitDll has its own
  // globals, so its data are its own) and looks up the adapter's entries;
  // false with Error set when it cannot be loaded or lacks them. Frees a library loaded
  // before. The caller's floating-point environment is kept.
  bool Load(const std::string& Path, std::string& Error);
  void Free();
  bool Loaded() const { return handle_ != nullptr; }
  const std::string& Path() const { return path_; }

  // Copies the run's data into the library: Rows[f] rows per data set,
  // XData[f][input][row], VCData[f][var-constant] (missing values are 0).
  bool Setup(const Integer1Array& Rows, const Double3Array& XData, const Double2Array& VCData,
             int Inputs, int VarConstants, int Outputs, int Params, std::string& Error);

  // Runs the model for data set File with Params (Params() values). On Ok,
  // Y[o][r] holds output o of row r (Y is resized when too small; rows past
  // the data set's count are left alone). On failure Y is unchanged and
  // Error (when given) says why.
  TFitDllStatus Run(int File, const double* Params, Double2Array& Y, std::string* Error = nullptr);

  int Params() const { return params_; }

 private:
  using TSetupFn = int (*)(int, int, int, int, int, const int32_t*, const double*, const double*);
  using TRunFn = int (*)(int, const double*, double*, char*, int);

  void* handle_ = nullptr;
  std::string path_;
  TSetupFn setup_ = nullptr;
  TRunFn run_ = nullptr;
  void* fault_ = nullptr;
  uintptr_t codeLow_ = 0, codeHigh_ = 0;  // executable range of the library
  bool ready_ = false;
  int files_ = 0, outputs_ = 0, params_ = 0;
  Integer1Array rows_;
  std::vector<double> buffer_;  // outputs of one call, [output][row]
  friend struct TFitDllFaultGuard;
};

}  // namespace qv
