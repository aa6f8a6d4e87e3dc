#include "platform/pump/pump_timers.h"

#include <algorithm>
#include <vector>

#include "base/failure.h"

namespace kestrova {

PumpTimers::TimerId PumpTimers::Add(std::chrono::milliseconds interval,
                                    std::function<void()> on_tick, bool enabled) {
  if (interval <= std::chrono::milliseconds{0}) {
    RaiseProgramError(kErrInvalidArgument, "A timer's interval must be positive");
  }
  const TimerId id = next_id_++;
  timers_.emplace(id, Timer{interval, std::move(on_tick), enabled, Clock::now() + interval});
  return id;
}

void PumpTimers::Enable(TimerId id, bool enabled) {
  const auto found = timers_.find(id);
  if (found == timers_.end()) return;
  Timer& timer = found->second;
  if (enabled && !timer.enabled) timer.due = Clock::now() + timer.interval;
  timer.enabled = enabled;
}

void PumpTimers::Remove(TimerId id) { timers_.erase(id); }

std::chrono::milliseconds PumpTimers::WaitUntilNext(Clock::time_point now,
                                                    std::chrono::milliseconds limit) const {
  std::chrono::milliseconds wait = limit;
  for (const auto& [id, timer] : timers_) {
    if (!timer.enabled) continue;
    const auto until =
        std::chrono::ceil<std::chrono::milliseconds>(std::max(timer.due - now, Clock::duration{}));
    wait = std::min(wait, until);
  }
  return std::max(wait, std::chrono::milliseconds{0});
}

void PumpTimers::FireDue() {
  const Clock::time_point now = Clock::now();
  std::vector<TimerId> due;
  for (const auto& [id, timer] : timers_) {
    if (timer.enabled && timer.due <= now) due.push_back(id);
  }
  for (const TimerId id : due) {
    // An earlier tick may have removed or stopped this timer.
    const auto found = timers_.find(id);
    if (found == timers_.end() || !found->second.enabled) continue;
    Timer& timer = found->second;
    timer.due += timer.interval;
    if (timer.due <= now) timer.due = now + timer.interval;  // fell behind: fire once
    const std::function<void()> on_tick = timer.on_tick;     // the tick may remove its own timer
    on_tick();
  }
}

}  // namespace kestrova
