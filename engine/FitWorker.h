// A program model's library evaluated in a worker process (qvfitworker,
// built from engine/worker/), so that
//   - a model that never returns can be ended: the engine keeps pumping the
//     window while it waits, and ending the wait ends the worker;
//   - a fault that escapes the library's own handling, or a "halt" in the
//     model's code, ends the worker, never the program: the death is
//     reported and the worker started again for the next run.
// Inside the worker the library runs as it would in-process
// (engine/FitDll.h: its exceptions and hardware faults are failed calls).
//
// The arrays go through shared memory (engine/FitWorkerProtocol.h): the
// engine writes the jobs of a round trip (a data set and the parameter
// values each), the worker runs them in order and writes each job's status
// and outputs. One round trip may carry many jobs, e.g. every data set of
// a member, or every member of a population.
//
// The worker is found, in this order, at $QV_FITWORKER, next to the
// running program, in ../libexec/quorvane/ from it, or where the build put
// it. Not copyable; the destructor ends the worker.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/EngineTypes.h"
#include "engine/FitDll.h"

namespace qv {

struct TFitWorkerHeader;

// How a wait for the worker ended.
enum class TFitWorkerWait {
  Done,       // the command was carried out
  Abandoned,  // the pump asked to give up: the worker was ended
  TimedOut,   // the time limit passed: the worker was ended
  Died,       // the worker ended by itself (see DeathText)
};

class TFitWorker {
 public:
  // Called about every PumpIntervalMs while a command is waited for;
  // returns false to give the command up (the worker is then ended).
  using TPump = std::function<bool()>;
  static constexpr int PumpIntervalMs = 20;

  TFitWorker() = default;
  ~TFitWorker();
  TFitWorker(const TFitWorker&) = delete;
  TFitWorker& operator=(const TFitWorker&) = delete;

  // Starts a worker that loads Library (ending one started before). False
  // with Error set when the worker cannot start or the library cannot be
  // loaded.
  bool Start(const std::string& Library, std::string& Error, const TPump& Pump = {});
  // Ends the worker (at once; a command in progress is given up).
  void Stop();
  // Whether a worker runs (false after it died or was ended).
  bool Alive();
  const std::string& Library() const { return library_; }
  pid_t Pid() const { return pid_; }
  // Why the worker ended by itself: "exit code 3" or "signal 11 (...)".
  const std::string& DeathText() const { return deathText_; }

  // Copies the run's data into the library (see TFitDll::Setup). Sets the
  // shape of every later job.
  TFitWorkerWait Setup(const Integer1Array& Rows, const Double3Array& XData,
                       const Double2Array& VCData, int Inputs, int VarConstants, int Outputs,
                       int Params, std::string& Error, const TPump& Pump = {});

  // A round trip of Jobs jobs: make room with Reserve, fill each job's data
  // set and parameters, then Execute. After Done each job has its status,
  // its outputs ([output][row], rows of its data set) and, for the first
  // failed job, FirstError. TimeLimitMs < 0: no limit.
  bool Reserve(int Jobs);
  void SetJob(int Job, int File, const double* Params);
  double* JobParams(int Job);
  TFitWorkerWait Execute(int Jobs, const TPump& Pump = {}, int TimeLimitMs = -1);
  TFitDllStatus JobStatus(int Job) const;
  const double* JobOutput(int Job) const;  // output o, row r at [o * MostRows() + r]
  int FailedJob() const;
  std::string FirstError() const;

  int Params() const { return params_; }
  int Outputs() const { return outputs_; }
  int MostRows() const { return mostRows_; }

  // Spin time of the engine before it sleeps on the reply (microseconds).
  static constexpr int SpinUs = 20;

 private:
  TFitWorkerHeader* Header() const { return reinterpret_cast<TFitWorkerHeader*>(base_); }
  bool Grow(size_t Size);
  TFitWorkerWait Post(const TPump& Pump, int TimeLimitMs);
  char* JobAt(int Job) const;
  void Reap(bool Kill);

  pid_t pid_ = -1;
  int fd_ = -1;
  char* base_ = nullptr;
  size_t size_ = 0;
  uint32_t request_ = 0;
  std::string library_;
  std::string deathText_;
  int params_ = 0, outputs_ = 0, mostRows_ = 0;
  size_t jobStride_ = 0;
};

// The worker program's path (see above); empty when it is nowhere.
std::string FitWorkerPath();

}  // namespace qv
