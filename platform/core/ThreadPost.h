// Hand-off from a worker thread to the UI thread.
//
// A worker never calls into a control. It posts a message to a
// TPostTarget, which queues a call on the UI thread's queue (UiQueue());
// there the call reaches the target's handler unless the target has been
// closed meanwhile, in which case it is dropped. A control creates its
// target, gives the worker a shared reference, and closes the target
// before it goes, so a message that arrives late never reaches a
// destroyed control.
//
//   auto target = TPostTarget::Create([this](int msg, std::intptr_t w, std::intptr_t) {
//     OnChange(static_cast<int>(w));
//   });
//   worker.Start(target);       // the worker calls target->Post(...)
//   ...
//   target->Close();            // in the control's destructor, UI thread
//
// Locks: Post takes only the queue's own lock, and the queue runs calls
// with no lock held, so a handler may post again or close targets.
//
// The UI queue: the Qt layer installs one that posts to the Qt event loop
// (InstallQtUiQueue in platform/gui). Without it a TManualUiQueue stands
// in, which runs nothing until someone drains it (tests, programs without
// a UI).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace qv {

// A queue of calls run on the UI thread. Queue may be called from any
// thread.
class TUiQueue {
 public:
  virtual ~TUiQueue() = default;
  virtual void Queue(std::function<void()> call) = 0;
};

// Calls wait until Drain runs them (on the thread that calls Drain).
class TManualUiQueue : public TUiQueue {
 public:
  void Queue(std::function<void()> call) override;
  // Runs the calls queued so far (not those they queue); their number.
  int Drain();
  std::size_t Pending() const;
  // Waits up to timeoutMs for at least one queued call; whether one is there.
  bool WaitPending(int timeoutMs);

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> calls_;
};

// The installed queue; never null (a process-wide TManualUiQueue when none
// is installed).
TUiQueue& UiQueue();
// The stand-in queue, for tests that drain it.
TManualUiQueue& ManualUiQueue();
// Installs a queue (null: back to the manual one). Install it once at
// start, before any worker posts; it must outlive every worker.
void SetUiQueue(TUiQueue* queue);

// A receiver of posted messages; see the file comment.
class TPostTarget : public std::enable_shared_from_this<TPostTarget> {
 public:
  using THandler = std::function<void(int msg, std::intptr_t wParam, std::intptr_t lParam)>;
  static std::shared_ptr<TPostTarget> Create(THandler handler);

  TPostTarget(const TPostTarget&) = delete;
  TPostTarget& operator=(const TPostTarget&) = delete;

  // Any thread. Does nothing once closed.
  void Post(int msg, std::intptr_t wParam, std::intptr_t lParam);
  // UI thread. Queued messages not yet delivered are dropped.
  void Close() { closed_.store(true); }
  bool Closed() const { return closed_.load(); }

 private:
  explicit TPostTarget(THandler handler) : handler_(std::move(handler)) {}
  THandler handler_;
  std::atomic<bool> closed_{false};
};

}  // namespace qv
