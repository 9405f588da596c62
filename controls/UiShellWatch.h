// The control side of change watching, shared by the shell list and tree:
// the watcher thread (made on first use, posting to the control through a
// target that is closed when watching ends, so late messages are dropped),
// the hold-back of change refreshes, and its timer on the control's host.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "controls/UiShellChangeThread.h"
#include "platform/core/ControlCore.h"
#include "platform/core/ThreadPost.h"

namespace qv {

// The hold-back of change refreshes: a change (re)starts the wait of
// 400 ms (focused) or 2000 ms, but the first change since the last refresh
// is never kept waiting longer than twice that, so continuous churn still
// refreshes.
class TShellRefreshHoldBack {
 public:
  static constexpr int kFocusedMs = 400, kUnfocusedMs = 2000;
  // A change at time now (ms); the delay after which the refresh is due.
  int Change(std::int64_t now, bool focused);
  // The refresh ran (or was given up).
  void Reset() { pending_ = false; }
  bool Pending() const { return pending_; }

 private:
  bool pending_ = false;
  std::int64_t deadline_ = 0;
};

class TShellChangeWatch {
 public:
  using THandler = TPostTarget::THandler;
  // timerId: the hold-back timer's id on the control's host.
  explicit TShellChangeWatch(int timerId) : timer_(timerId) {}
  ~TShellChangeWatch() { Stop(nullptr); }
  TShellChangeWatch(const TShellChangeWatch&) = delete;
  TShellChangeWatch& operator=(const TShellChangeWatch&) = delete;

  // Milliseconds of a monotonic clock (tests set it).
  std::function<std::int64_t()> Clock;
  std::int64_t Now() const;

  // Drops every watch and the pending hold-back; the thread is made on the
  // first call, posting WM_SHELL_CHANGE to handler (on the UI thread).
  TChangeHandlerThread& Restart(TControlHost* host, THandler handler);
  // Ends the watching: the thread goes, messages on their way are dropped.
  void Stop(TControlHost* host);
  // A change arrived: the hold-back timer (re)starts.
  void Change(TControlHost& host, bool focused);
  // The timer fired or the refresh is run now: stops the timer.
  void Done(TControlHost* host);
  // A change waits for its refresh.
  bool Pending() const { return holdBack_.Pending(); }
  TChangeHandlerThread* Thread() const { return thread_.get(); }

 private:
  int timer_;
  TShellRefreshHoldBack holdBack_;
  std::unique_ptr<TChangeHandlerThread> thread_;
  std::shared_ptr<TPostTarget> target_;
};

}  // namespace qv
