#include "platform/pump/pump_core.h"

#include <algorithm>
#include <utility>

namespace kestrova {

EventPump::TimerId PumpCore::AddTimer(std::chrono::milliseconds interval,
                                      std::function<void()> on_tick, bool enabled) {
  return timers_.Add(interval, std::move(on_tick), enabled);
}

void PumpCore::EnableTimer(TimerId id, bool enabled) { timers_.Enable(id, enabled); }

void PumpCore::RemoveTimer(TimerId id) { timers_.Remove(id); }

void PumpCore::SetCancelHandler(std::function<void()> on_cancel) {
  on_cancel_ = std::move(on_cancel);
}

std::chrono::milliseconds PumpCore::WaitTime(
    Clock::time_point now, std::optional<std::chrono::milliseconds> source_deadline) const {
  std::chrono::milliseconds wait = kMaxWait;
  if (source_deadline) wait = std::min(wait, *source_deadline);
  return timers_.WaitUntilNext(now, wait);  // never below zero
}

void PumpCore::DeliverCancel() {
  if (!on_cancel_) return;
  const std::function<void()> on_cancel = on_cancel_;  // the handler may replace itself
  on_cancel();
}

}  // namespace kestrova
