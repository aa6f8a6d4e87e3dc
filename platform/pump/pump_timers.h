// The repeating timers of an event pump: kept here once for every platform's pump, which asks how
// long it may sleep and fires the timers that are due from its own DoEvents.
#ifndef KESTROVA_PLATFORM_PUMP_PUMP_TIMERS_H_
#define KESTROVA_PLATFORM_PUMP_PUMP_TIMERS_H_

#include <chrono>
#include <functional>
#include <map>

#include "platform/pump/event_pump.h"

namespace kestrova {

class PumpTimers {
 public:
  using Clock = std::chrono::steady_clock;
  using TimerId = EventPump::TimerId;

  // Adds a timer that ticks every interval (which must be positive, else Failure 5) while
  // enabled, the first tick one interval from now.
  TimerId Add(std::chrono::milliseconds interval, std::function<void()> on_tick, bool enabled);
  // Starts (the first tick one interval from now) or stops a timer; unknown ids are ignored.
  void Enable(TimerId id, bool enabled);
  // Removes a timer; unknown ids are ignored.
  void Remove(TimerId id);

  // The time until the next enabled timer is due, rounded up to whole milliseconds so that a wait
  // never ends a fraction early, and at most limit.
  std::chrono::milliseconds WaitUntilNext(Clock::time_point now,
                                          std::chrono::milliseconds limit) const;

  // Fires every timer that is due. A timer that fell behind fires once, not once per missed
  // interval; a tick may add, stop or remove timers, its own included.
  void FireDue();

 private:
  struct Timer {
    std::chrono::milliseconds interval;
    std::function<void()> on_tick;
    bool enabled;
    Clock::time_point due;
  };

  std::map<TimerId, Timer> timers_;
  TimerId next_id_ = 1;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_PUMP_PUMP_TIMERS_H_
