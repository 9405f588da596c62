#include "controls/UiShellWatch.h"

#include <algorithm>
#include <chrono>

namespace qv {

// ---- hold-back ---------------------------------------------------------------

int TShellRefreshHoldBack::Change(std::int64_t now, bool focused) {
  const int wait = focused ? kFocusedMs : kUnfocusedMs;
  if (!pending_) {
    pending_ = true;
    deadline_ = now + 2 * wait;
  }
  const std::int64_t left = deadline_ - now;
  return static_cast<int>(std::max<std::int64_t>(0, std::min<std::int64_t>(wait, left)));
}

// ---- the watch ------------------------------------------------------------------

std::int64_t TShellChangeWatch::Now() const {
  if (Clock) return Clock();
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TChangeHandlerThread& TShellChangeWatch::Restart(TControlHost* host, THandler handler) {
  Done(host);
  if (!thread_) {
    target_ = TPostTarget::Create(std::move(handler));
    thread_ = std::make_unique<TChangeHandlerThread>(target_, WM_SHELL_CHANGE);
  } else {
    thread_->RemoveAllWatches();
  }
  return *thread_;
}

void TShellChangeWatch::Stop(TControlHost* host) {
  Done(host);
  if (target_) target_->Close();
  thread_.reset();
  target_.reset();
}

void TShellChangeWatch::Change(TControlHost& host, bool focused) {
  host.SetTimer(timer_, std::max(holdBack_.Change(Now(), focused), 1));
}

void TShellChangeWatch::Done(TControlHost* host) {
  if (host) host->KillTimer(timer_);
  holdBack_.Reset();
}

}  // namespace qv
