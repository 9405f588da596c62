#include "engine/EvaluationThreads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qv {

namespace {

// A pool of worker threads that join the calling thread on one batch of
// tasks at a time. Workers take task numbers from a shared counter; the
// caller waits until every task of the batch has finished.
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
      quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  int Workers() const { return static_cast<int>(threads_.size()); }

  void Run(int count, const std::function<void(int)>& task) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      task_.store(&task);
      count_.store(count);
      next_.store(0);
      pending_ = count;
      ++batch_;
    }
    wake_.notify_all();
    Take();
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    task_.store(nullptr);
  }

 private:
  // Runs tasks of the current batch until none is left.
  void Take() {
    int finished = 0;
    for (int t; (t = next_.fetch_add(1)) < count_.load();) {
      (*task_.load())(t);
      ++finished;
    }
    if (finished == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ -= finished;
    if (pending_ == 0) done_.notify_all();
  }

  void Work() {
    long seen = 0;
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return quit_ || batch_ != seen; });
        if (quit_) return;
        seen = batch_;
      }
      Take();
    }
  }

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::atomic<const std::function<void(int)>*> task_{nullptr};
  std::atomic<int> count_{0};
  std::atomic<int> next_{0};
  int pending_ = 0;
  long batch_ = 0;
  bool quit_ = false;
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
