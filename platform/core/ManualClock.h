// A clock that moves only when told to, with timers on it: tests drive
// time-dependent controls through it instead of waiting.
//
//   TManualClock clock;
//   SetControlTimerClock(&clock);      // widgets that honour it use it
//   ... type into a combo box ...
//   clock.Advance(1500);               // fires the timers due by then
//
// Timers are keyed by (owner, id); setting an existing one restarts it.
// Timers fire in the order they fall due (ties in the order they were set);
// a timer set or killed while another fires is honoured.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace qv {

class TManualClock {
 public:
  std::int64_t Now() const { return now_; }
  void Set(const void* owner, int id, int intervalMs, std::function<void()> fire);
  void Kill(const void* owner, int id) { timers_.erase({owner, id}); }
  // Kills every timer of an owner.
  void KillAll(const void* owner);
  bool Active(const void* owner, int id) const { return timers_.count({owner, id}) != 0; }
  int Interval(const void* owner, int id) const;
  void Advance(int ms);

 private:
  struct TTimer {
    int Interval;
    std::int64_t Due;
    std::uint64_t Order;
    std::function<void()> Fire;
  };
  std::int64_t now_ = 0;
  std::uint64_t order_ = 0;
  std::map<std::pair<const void*, int>, TTimer> timers_;
};

// The clock that control hosts honouring it put their timers on (null:
// real timers). Tests install one and uninstall it at the end.
TManualClock* ControlTimerClock();
void SetControlTimerClock(TManualClock* clock);

}  // namespace qv
