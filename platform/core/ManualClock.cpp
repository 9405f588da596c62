#include "platform/core/ManualClock.h"

#include <algorithm>

namespace qv {

namespace {

TManualClock* g_clock = nullptr;

}  // namespace

TManualClock* ControlTimerClock() { return g_clock; }

void SetControlTimerClock(TManualClock* clock) { g_clock = clock; }

void TManualClock::Set(const void* owner, int id, int intervalMs, std::function<void()> fire) {
  const int interval = std::max(intervalMs, 1);
  timers_[{owner, id}] = TTimer{interval, now_ + interval, order_++, std::move(fire)};
}

void TManualClock::KillAll(const void* owner) {
  for (auto it = timers_.begin(); it != timers_.end();)
    it = it->first.first == owner ? timers_.erase(it) : std::next(it);
}

int TManualClock::Interval(const void* owner, int id) const {
  auto it = timers_.find({owner, id});
  return it == timers_.end() ? 0 : it->second.Interval;
}

void TManualClock::Advance(int ms) {
  const std::int64_t end = now_ + std::max(ms, 0);
  for (;;) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (it->second.Due <= end &&
          (next == timers_.end() || it->second.Due < next->second.Due ||
           (it->second.Due == next->second.Due && it->second.Order < next->second.Order)))
        next = it;
    if (next == timers_.end()) break;
    now_ = next->second.Due;
    next->second.Due += next->second.Interval;
    next->second.Order = order_++;
    std::function<void()> fire = next->second.Fire;  // the timer may go while it fires
    if (fire) fire();
  }
  now_ = end;
}

}  // namespace qv
