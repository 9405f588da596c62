#include "engine/EvaluationThreads.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace qv {

namespace {

// A pool of worker threads that join the calling thread on one batch of
// tasks at a time. Workers take task numbers from a shared counter; the
// caller waits until every task of the batch has finished. Batches come one
// after another while a search runs (one per candidate), so a worker that
// has finished one waits a short while awake for the next before it sleeps,
// and the caller likewise waits awake for the last tasks: waking a sleeping
// thread costs more than a candidate's share of a large data set.
class TTaskPool {
 public:
  explicit TTaskPool(int workers) {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }
  TTaskPool(const TTaskPool&) = delete;
  TTaskPool& operator=(const TTaskPool&) = delete;
  ~TTaskPool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_.store(true);
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  int Workers() const { return static_cast<int>(threads_.size()); }

  void Run(int count, const std::function<void(int)>& task) {
    int sleeping;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      task_.store(&task);
      count_.store(count);
      next_.store(0);
      pending_.store(count);
      batch_.fetch_add(1);
      sleeping = sleepers_;
    }
    if (sleeping > 0) wake_.notify_all();
    Take();
    if (!AwaitAwake([this] { return pending_.load() == 0; })) {
      std::unique_lock<std::mutex> lock(mutex_);
      done_.wait(lock, [this] { return pending_.load() == 0; });
    }
    task_.store(nullptr);
  }

 private:
  // How long a thread waits awake for what it waits for before it sleeps.
  static constexpr std::chrono::microseconds kAwake{200};

  // Waits awake until ready() or kAwake has passed; whether ready().
  template <class TReady>
  static bool AwaitAwake(TReady ready) {
    const auto until = std::chrono::steady_clock::now() + kAwake;
    for (int spin = 1;; ++spin) {
      if (ready()) return true;
      if (spin % 64 == 0 && std::chrono::steady_clock::now() > until) return false;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
  }

  // Runs tasks of the current batch until none is left.
  void Take() {
    int finished = 0;
    for (int t; (t = next_.fetch_add(1)) < count_.load();) {
      (*task_.load())(t);
      ++finished;
    }
    if (finished == 0) return;
    if (pending_.fetch_sub(finished) == finished) {
      std::lock_guard<std::mutex> lock(mutex_);
      done_.notify_all();
    }
  }

  void Work() {
    long seen = 0;
    for (;;) {
      if (!AwaitAwake([&] { return quit_.load() || batch_.load() != seen; })) {
        std::unique_lock<std::mutex> lock(mutex_);
        ++sleepers_;
        wake_.wait(lock, [&] { return quit_.load() || batch_.load() != seen; });
        --sleepers_;
      }
      if (quit_.load()) return;
      seen = batch_.load();
      Take();
    }
  }

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::atomic<const std::function<void(int)>*> task_{nullptr};
  std::atomic<int> count_{0};
  std::atomic<int> next_{0};
  std::atomic<int> pending_{0};
  std::atomic<long> batch_{0};
  std::atomic<bool> quit_{false};
  int sleepers_ = 0;  // workers asleep on wake_ (guarded by mutex_)
};

int gThreads = 0;  // as set; 0: every processor the process may use
int gUsable = 0;   // UsableProcessors() as last looked at; 0: not yet
std::unique_ptr<TTaskPool> gPool;

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {};
  std::string text(4096, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  return text;
}

int AffinityProcessors() {
  // The mask may be larger than cpu_set_t for machines of many processors.
  for (int cpus = CPU_SETSIZE; cpus <= (1 << 16); cpus *= 2) {
    const size_t size = CPU_ALLOC_SIZE(cpus);
    cpu_set_t* set = CPU_ALLOC(cpus);
    if (!set) break;
    const int rc = sched_getaffinity(0, size, set);
    const int count = rc == 0 ? CPU_COUNT_S(size, set) : 0;
    const int error = errno;
    CPU_FREE(set);
    if (rc == 0) return count;
    if (error != EINVAL) break;
  }
  return static_cast<int>(std::thread::hardware_concurrency());
}

}  // namespace

int CpuMaxProcessors(const std::string& Text) {
  std::istringstream in(Text);
  std::string quota;
  double period = 0;
  if (!(in >> quota >> period) || quota == "max" || !(period > 0)) return 0;
  char* end = nullptr;
  const double q = std::strtod(quota.c_str(), &end);
  if (end == quota.c_str() || *end != '\0' || !(q > 0) || !std::isfinite(q)) return 0;
  const double whole = std::ceil(q / period);
  return whole >= INT_MAX ? INT_MAX : std::max(1, static_cast<int>(whole));
}

int CgroupProcessorLimit(const std::string& Root, const std::string& ProcSelfCgroup) {
  // The cgroup v2 line is "0::/path".
  std::istringstream lines(ProcSelfCgroup);
  std::string line, path;
  bool found = false;
  while (std::getline(lines, line))
    if (line.rfind("0::", 0) == 0) {
      path = line.substr(3);
      found = true;
      break;
    }
  if (!found || path.empty() || path[0] != '/') return 0;
  int limit = 0;
  for (;;) {
    const int here = CpuMaxProcessors(ReadSmallFile(Root + path + "/cpu.max"));
    if (here > 0 && (limit == 0 || here < limit)) limit = here;
    if (path == "/" || path.empty()) break;
    const size_t slash = path.find_last_of('/');
    path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
  }
  return limit;
}

int UsableProcessors() {
  int n = AffinityProcessors();
  const int quota = CgroupProcessorLimit("/sys/fs/cgroup", ReadSmallFile("/proc/self/cgroup"));
  if (quota > 0) n = std::min(n, quota);
  return std::max(1, n);
}

void SetEvaluationThreads(int Count) {
  gThreads = Count < 0 ? 0 : Count;
  if (gThreads == 0) gUsable = UsableProcessors();
  if (gPool && gPool->Workers() + 1 != EvaluationThreads()) gPool.reset();
}

int EvaluationThreads() {
  if (gThreads > 0) return gThreads;
  if (gUsable == 0) gUsable = UsableProcessors();
  return gUsable;
}

void ParallelTasks(int Count, const std::function<void(int)>& Task) {
  const int threads = std::min(EvaluationThreads(), Count);
  if (threads <= 1) {
    for (int t = 0; t < Count; ++t) Task(t);
    return;
  }
  if (!gPool) gPool = std::make_unique<TTaskPool>(EvaluationThreads() - 1);
  gPool->Run(Count, Task);
}

}  // namespace qv
