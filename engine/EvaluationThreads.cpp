#include "engine/EvaluationThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
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

int gThreads = 0;  // as set; 0: every processor
std::unique_ptr<TTaskPool> gPool;

}  // namespace

void SetEvaluationThreads(int Count) {
  gThreads = Count < 0 ? 0 : Count;
  if (gPool && gPool->Workers() + 1 != EvaluationThreads()) gPool.reset();
}

int EvaluationThreads() {
  if (gThreads > 0) return gThreads;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
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
