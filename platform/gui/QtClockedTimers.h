// Timers of control widgets on the control timer clock (ManualClock.h):
// while a test has installed one, the widgets that use these helpers put
// their cores' timers on it instead of on Qt's timers.
#pragma once

#include "platform/core/ManualClock.h"
#include "platform/gui/QtHost.h"

namespace qv {

// True when the clock took the timer.
inline bool SetClockedTimer(TControlWidget& widget, int id, int intervalMs) {
  TManualClock* clock = ControlTimerClock();
  if (!clock) return false;
  clock->Set(&widget, id, intervalMs, [&widget, id] {
    if (widget.Core()) widget.Core()->Timer(id);
  });
  return true;
}

inline bool KillClockedTimer(TControlWidget& widget, int id) {
  TManualClock* clock = ControlTimerClock();
  if (!clock) return false;
  clock->Kill(&widget, id);
  return true;
}

inline void ForgetClockedTimers(TControlWidget& widget) {
  if (TManualClock* clock = ControlTimerClock()) clock->KillAll(&widget);
}

}  // namespace qv
