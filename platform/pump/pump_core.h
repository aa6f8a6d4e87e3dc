// What every platform's event pump does the same way: the timers, the cancel handler, and how long
// a round may sleep. A pump derives from PumpCore and adds its own wait and its own sources.
#ifndef KESTROVA_PLATFORM_PUMP_PUMP_CORE_H_
#define KESTROVA_PLATFORM_PUMP_PUMP_CORE_H_

#include <chrono>
#include <functional>
#include <optional>

#include "platform/pump/event_pump.h"
#include "platform/pump/pump_timers.h"

namespace kestrova {

class PumpCore : public EventPump {
 public:
  TimerId AddTimer(std::chrono::milliseconds interval, std::function<void()> on_tick,
                   bool enabled) override;
  void EnableTimer(TimerId id, bool enabled) override;
  void RemoveTimer(TimerId id) override;
  void SetCancelHandler(std::function<void()> on_cancel) override;

 protected:
  using Clock = PumpTimers::Clock;

  // How long this round may sleep: until the next timer is due or the sources' nearest deadline,
  // but never longer than kMaxWait.
  std::chrono::milliseconds WaitTime(
      Clock::time_point now, std::optional<std::chrono::milliseconds> source_deadline) const;

  // Calls the cancel handler, if one is set, for a request that has arrived.
  void DeliverCancel();

  // Fires the timers that are due.
  void FireDueTimers() { timers_.FireDue(); }

 private:
  std::function<void()> on_cancel_;
  PumpTimers timers_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_PUMP_PUMP_CORE_H_
