// What the engine and the program-model worker process (qvfitworker, see
// engine/FitWorker.h) share: one memory region, made by the engine with
// memfd_create and handed to the worker as a file descriptor.
//
// Layout of the region:
//   [0, kHeaderSize)          TFitWorkerHeader
//   [kHeaderSize, ...)        the data of the command:
//     Setup: int32 rows[Files], padded to 8 bytes, then the inputs as doubles
//            [data set][input][row], then the var-constants [data set][c];
//     Run:   JobCount jobs of JobStride bytes each: TFitWorkerJob, then
//            Params doubles (the parameter values), then Outputs * MostRows
//            doubles (the outputs written by the worker, [output][row]).
// The engine grows the region (ftruncate) before it posts a command whose
// data need more, and says so in MappedSize; the worker maps it again.
//
// Hand-over: the engine fills the command, then increments Request; the
// worker carries the command out and stores the same value in Reply. Both
// words are futexes: each side spins a little while waiting, then sleeps on
// the word after setting its Asleep flag, which tells the other side to
// wake it. The first command (Load) is posted before the worker starts.
#pragma once

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <ctime>

namespace qv {

enum class TFitWorkerCommand : uint32_t {
  Load = 1,   // load the library named on the command line
  Setup = 2,  // copy the run's data into the library
  Run = 3,    // run the jobs in order
  Quit = 4,   // end the process
};

struct TFitWorkerHeader {
  uint32_t Magic;
  std::atomic<uint32_t> Request;  // futex word of the worker
  std::atomic<uint32_t> Reply;    // futex word of the engine
  std::atomic<uint32_t> EngineAsleep;
  std::atomic<uint32_t> WorkerAsleep;
  std::atomic<uint32_t> JobsDone;  // jobs of the current Run finished
  TFitWorkerCommand Command;
  int32_t Status;  // 0: the command succeeded (Load, Setup)
  uint64_t MappedSize;
  // Setup (and the shape every Run uses)
  int32_t Files, Inputs, Outputs, VarConstants, Params, MostRows;
  // Run
  uint32_t JobCount;
  uint64_t JobStride;
  int32_t FailedJob;  // first job that failed in the last Run, -1 none
  char Text[1024];    // why Load or Setup failed, or the first failed job's error
};

// One job of a Run: the data set, and the status the worker wrote
// (a TFitDllStatus value).
struct TFitWorkerJob {
  int32_t File;
  int32_t Status;
};

constexpr uint32_t kFitWorkerMagic = 0x57465651;  // "QVFW"
constexpr size_t kFitWorkerHeaderSize = 4096;
static_assert(sizeof(TFitWorkerHeader) <= kFitWorkerHeaderSize);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

// Waits until Word no longer holds Seen: spins for about SpinUs
// microseconds, then sleeps on the futex for at most SliceMs. True when
// Word changed; false when the slice passed (the caller looks around and
// waits again).
inline bool FitWorkerAwait(std::atomic<uint32_t>& Word, uint32_t Seen,
                           std::atomic<uint32_t>& Asleep, int SpinUs, int SliceMs) {
  if (Word.load(std::memory_order_acquire) != Seen) return true;
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::microseconds(SpinUs);
  for (unsigned k = 1;; ++k) {
    if (Word.load(std::memory_order_acquire) != Seen) return true;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
    if ((k & 63) == 0 && Clock::now() >= until) break;
  }
  Asleep.store(1, std::memory_order_seq_cst);
  if (Word.load(std::memory_order_seq_cst) == Seen) {
    timespec t{SliceMs / 1000, static_cast<long>(SliceMs % 1000) * 1000000L};
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(&Word), FUTEX_WAIT, Seen, &t, nullptr, 0);
  }
  Asleep.store(0, std::memory_order_relaxed);
  return Word.load(std::memory_order_acquire) != Seen;
}

// Stores Value in Word and wakes the other side when it sleeps on it.
inline void FitWorkerPost(std::atomic<uint32_t>& Word, uint32_t Value,
                          std::atomic<uint32_t>& Asleep) {
  Word.store(Value, std::memory_order_seq_cst);
  if (Asleep.load(std::memory_order_seq_cst) != 0)
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(&Word), FUTEX_WAKE, INT_MAX, nullptr, nullptr,
            0);
}

}  // namespace qv
