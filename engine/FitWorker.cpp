#include "engine/FitWorker.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "engine/FitWorkerProtocol.h"
#include "platform/core/Process.h"

extern char** environ;

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr int kWorkerFd = 3;         // the region's descriptor in the worker
constexpr int kLoadLimitMs = 30000;  // starting the worker and loading the library
constexpr int kSliceMs = 10;         // sleep between looks at the worker and the clock

size_t Align8(size_t n) { return (n + 7) / 8 * 8; }

bool Executable(const fs::path& p) {
  std::error_code ec;
  return !p.empty() && fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}

}  // namespace

std::string FitWorkerPath() {
  if (const char* e = std::getenv("QV_FITWORKER"); e && *e) return Executable(e) ? e : "";
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path dir = self.parent_path();
    for (const fs::path& p :
         {dir / "qvfitworker", dir / ".." / "libexec" / "quorvane" / "qvfitworker"})
      if (Executable(p)) return p.string();
  }
#ifdef QV_FITWORKER_PATH
  if (Executable(QV_FITWORKER_PATH)) return QV_FITWORKER_PATH;
#endif
  return {};
}

TFitWorker::~TFitWorker() { Stop(); }

void TFitWorker::Reap(bool Kill) {
  if (pid_ <= 0) return;
  if (Kill) ::kill(pid_, SIGKILL);
  int status = 0;
  pid_t w;
  while ((w = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
  }
  if (!Kill && w == pid_) {
    if (WIFEXITED(status))
      deathText_ = "exit code " + std::to_string(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
      deathText_ =
          "signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
  }
  pid_ = -1;
}

void TFitWorker::Stop() {
  Reap(true);
  if (base_) ::munmap(base_, size_);
  base_ = nullptr;
  size_ = 0;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  library_.clear();
  params_ = outputs_ = mostRows_ = 0;
  jobStride_ = 0;
}

bool TFitWorker::Alive() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t w = ::waitpid(pid_, &status, WNOHANG);
  if (w == 0) return true;
  if (w == pid_) {
    if (WIFEXITED(status))
      deathText_ = "exit code " + std::to_string(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
      deathText_ =
          "signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
  } else {
    deathText_ = "lost";
  }
  pid_ = -1;
  return false;
}

bool TFitWorker::Grow(size_t Size) {
  if (Size <= size_) return true;
  const size_t size = std::max(Size, size_ + size_ / 2);
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return false;
  void* p = base_ ? ::mremap(base_, size_, size, MREMAP_MAYMOVE)
                  : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (p == MAP_FAILED) return false;
  base_ = static_cast<char*>(p);
  size_ = size;
  Header()->MappedSize = size;
  return true;
}

bool TFitWorker::Start(const std::string& Library, std::string& Error, const TPump& Pump) {
  Stop();
  deathText_.clear();
  const std::string exe = FitWorkerPath();
  if (exe.empty()) {
    Error = "The program-model worker \"qvfitworker\" was not found (set QV_FITWORKER).";
    return false;
  }
  const int memfd = ::memfd_create("qv-fitworker", MFD_CLOEXEC);
  if (memfd < 0) {
    Error = std::string("Cannot make the worker's shared memory: ") + std::strerror(errno);
    return false;
  }
  // Never the worker's own number: dup2 onto itself would keep close-on-exec.
  fd_ = ::fcntl(memfd, F_DUPFD_CLOEXEC, 10);
  ::close(memfd);
  if (fd_ < 0 || !Grow(kFitWorkerHeaderSize)) {
    Error = std::string("Cannot make the worker's shared memory: ") + std::strerror(errno);
    Stop();
    return false;
  }
  TFitWorkerHeader* h = Header();
  std::memset(static_cast<void*>(h), 0, kFitWorkerHeaderSize);
  h->Magic = kFitWorkerMagic;
  h->MappedSize = size_;
  h->Command = TFitWorkerCommand::Load;
  h->FailedJob = -1;
  request_ = 1;
  h->Request.store(request_);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fd_, kWorkerFd);
  // What the model writes goes to the program's error output, never into
  // a report on its standard output.
  posix_spawn_file_actions_adddup2(&fa, 2, 1);
  // Its own process group: a Ctrl+C at the terminal is the program's to handle.
  posix_spawnattr_t attr;
  InitOwnGroupSpawnAttributes(attr);
  std::vector<std::string> args = {exe, std::to_string(kWorkerFd), std::to_string(::getpid()),
                                   Library};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, exe.c_str(), &fa, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    Error = "Cannot run \"" + exe + "\": " + std::strerror(rc);
    Stop();
    return false;
  }
  pid_ = pid;
  library_ = Library;
  switch (Post(Pump, kLoadLimitMs)) {
    case TFitWorkerWait::Done:
      if (Header()->Status == 0) return true;
      Error = Header()->Text;
      break;
    case TFitWorkerWait::Died:
      Error = "The program-model worker ended (" + deathText_ + ") while loading the library.";
      break;
    case TFitWorkerWait::TimedOut:
      Error = "The program-model worker did not load the library within " +
              std::to_string(kLoadLimitMs / 1000) + " seconds.";
      break;
    case TFitWorkerWait::Abandoned:
      Error = "Loading the library was stopped.";
      break;
  }
  Stop();
  return false;
}

TFitWorkerWait TFitWorker::Post(const TPump& Pump, int TimeLimitMs) {
  TFitWorkerHeader* h = Header();
  if (h->Command != TFitWorkerCommand::Load) {
    h->JobsDone.store(0, std::memory_order_relaxed);
    FitWorkerPost(h->Request, ++request_, h->WorkerAsleep);
  }
  // The worker answers requests in order: until it answers this one, Reply
  // holds the answer to the one before. (Not read from Reply here: the Load
  // request is posted before the worker starts, and a worker quicker than
  // this thread may have answered it already.)
  const uint32_t seen = request_ - 1;
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto lastPump = start;
  for (;;) {
    if (FitWorkerAwait(h->Reply, seen, h->EngineAsleep, SpinUs, kSliceMs))
      return TFitWorkerWait::Done;
    if (!Alive()) {
      Stop();
      return TFitWorkerWait::Died;
    }
    const auto now = Clock::now();
    if (TimeLimitMs >= 0 && now - start >= std::chrono::milliseconds(TimeLimitMs)) {
      Stop();
      return TFitWorkerWait::TimedOut;
    }
    if (Pump && now - lastPump >= std::chrono::milliseconds(PumpIntervalMs)) {
      lastPump = now;
      const bool goOn = Pump();
      // The reply may have come during the pump.
      if (base_ && Header()->Reply.load(std::memory_order_acquire) != seen)
        return TFitWorkerWait::Done;
      if (!goOn) {
        Stop();
        return TFitWorkerWait::Abandoned;
      }
    }
  }
}

TFitWorkerWait TFitWorker::Setup(const Integer1Array& Rows, const Double3Array& XData,
                                 const Double2Array& VCData, int Inputs, int VarConstants,
                                 int Outputs, int Params, std::string& Error, const TPump& Pump) {
  if (!Alive()) {
    Error = "The program-model worker is not running.";
    return TFitWorkerWait::Died;
  }
  const int files = static_cast<int>(Rows.size());
  size_t values = 0;
  int most = 0;
  for (int r : Rows) {
    values += static_cast<size_t>(std::max(0, r)) * std::max(0, Inputs) + std::max(0, VarConstants);
    most = std::max(most, r);
  }
  const size_t rowsBytes = Align8(sizeof(int32_t) * files);
  if (!Grow(kFitWorkerHeaderSize + rowsBytes + sizeof(double) * values)) {
    Error = std::string("Cannot grow the worker's shared memory: ") + std::strerror(errno);
    return TFitWorkerWait::Died;
  }
  char* at = base_ + kFitWorkerHeaderSize;
  std::memcpy(at, Rows.data(), sizeof(int32_t) * files);
  auto* d = reinterpret_cast<double*>(at + rowsBytes);
  for (int f = 0; f < files; ++f)
    for (int i = 0; i < Inputs; ++i)
      for (int r = 0; r < Rows[f]; ++r) {
        const bool have = f < static_cast<int>(XData.size()) &&
                          i < static_cast<int>(XData[f].size()) &&
                          r < static_cast<int>(XData[f][i].size());
        *d++ = have ? XData[f][i][r] : 0.0;
      }
  for (int f = 0; f < files; ++f)
    for (int c = 0; c < VarConstants; ++c) {
      const bool have =
          f < static_cast<int>(VCData.size()) && c < static_cast<int>(VCData[f].size());
      *d++ = have ? VCData[f][c] : 0.0;
    }
  TFitWorkerHeader* h = Header();
  h->Command = TFitWorkerCommand::Setup;
  h->Files = files;
  h->Inputs = Inputs;
  h->Outputs = Outputs;
  h->VarConstants = VarConstants;
  h->Params = Params;
  h->MostRows = most;
  const TFitWorkerWait w = Post(Pump, -1);
  if (w == TFitWorkerWait::Died)
    Error = "The program-model worker ended (" + deathText_ + ").";
  else if (w != TFitWorkerWait::Done)
    Error = "Handing the data to the library was stopped.";
  else if (Header()->Status != 0) {
    Error = Header()->Text;
    Stop();  // a library that cannot take the data is of no use
    return TFitWorkerWait::Died;
  }
  if (w == TFitWorkerWait::Done) {
    params_ = Params;
    outputs_ = Outputs;
    mostRows_ = most;
    jobStride_ = Align8(sizeof(TFitWorkerJob) + sizeof(double) * Params +
                        sizeof(double) * static_cast<size_t>(Outputs) * most);
  }
  return w;
}

bool TFitWorker::Reserve(int Jobs) {
  if (!base_ || jobStride_ == 0) return false;
  return Grow(kFitWorkerHeaderSize + jobStride_ * static_cast<size_t>(std::max(1, Jobs)));
}

char* TFitWorker::JobAt(int Job) const {
  return base_ + kFitWorkerHeaderSize + jobStride_ * static_cast<size_t>(Job);
}

void TFitWorker::SetJob(int Job, int File, const double* Params) {
  char* job = JobAt(Job);
  reinterpret_cast<TFitWorkerJob*>(job)->File = File;
  reinterpret_cast<TFitWorkerJob*>(job)->Status = static_cast<int32_t>(TFitDllStatus::NotReady);
  if (Params) std::memcpy(JobParams(Job), Params, sizeof(double) * params_);
}

double* TFitWorker::JobParams(int Job) {
  return reinterpret_cast<double*>(JobAt(Job) + sizeof(TFitWorkerJob));
}

TFitWorkerWait TFitWorker::Execute(int Jobs, const TPump& Pump, int TimeLimitMs) {
  if (!Alive()) return TFitWorkerWait::Died;
  TFitWorkerHeader* h = Header();
  h->Command = TFitWorkerCommand::Run;
  h->JobCount = static_cast<uint32_t>(Jobs);
  h->JobStride = jobStride_;
  h->FailedJob = -1;
  return Post(Pump, TimeLimitMs);
}

TFitDllStatus TFitWorker::JobStatus(int Job) const {
  return static_cast<TFitDllStatus>(reinterpret_cast<const TFitWorkerJob*>(JobAt(Job))->Status);
}

const double* TFitWorker::JobOutput(int Job) const {
  return reinterpret_cast<const double*>(JobAt(Job) + sizeof(TFitWorkerJob)) + params_;
}

int TFitWorker::FailedJob() const { return base_ ? Header()->FailedJob : -1; }

std::string TFitWorker::FirstError() const { return base_ ? std::string(Header()->Text) : ""; }

}  // namespace qv
