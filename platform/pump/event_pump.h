// The event pump of the program's single thread: what a wait loop calls to let transfers,
// timers and the user's cancel request make progress. Everything it dispatches runs on the
// calling thread, from inside DoEvents.
#ifndef KESTROVA_PLATFORM_PUMP_EVENT_PUMP_H_
#define KESTROVA_PLATFORM_PUMP_EVENT_PUMP_H_

#include <chrono>
#include <cstdint>
#include <functional>

namespace kestrova {

class EventPump {
 public:
  // Names one timer of this pump.
  using TimerId = std::uint32_t;

  // The longest DoEvents sleeps when nothing is pending.
  static constexpr std::chrono::milliseconds kMaxWait{50};

  virtual ~EventPump() = default;

  // Dispatches the pending events once: transfer progress (and the state changes it produces),
  // timers that are due, a cancel request. When nothing is pending it sleeps until something
  // arrives, but never longer than kMaxWait, so that a wait loop around it neither spins nor
  // stalls.
  virtual void DoEvents() = 0;

  // Adds a repeating timer that calls on_tick from DoEvents every interval (which must be
  // positive) while enabled; a timer that falls behind fires once, not once per missed interval.
  // Returns the id for EnableTimer and RemoveTimer.
  virtual TimerId AddTimer(std::chrono::milliseconds interval, std::function<void()> on_tick,
                           bool enabled) = 0;

  // Starts (the first tick one interval from now) or stops a timer. Unknown ids are ignored.
  virtual void EnableTimer(TimerId id, bool enabled) = 0;

  // Removes a timer; it never fires again. Unknown ids are ignored.
  virtual void RemoveTimer(TimerId id) = 0;

  // Delivers a cancel request that is waiting, and nothing else, without sleeping: for work that
  // goes on for a while without pumping (the mend phase) and still stops when the user asks.
  virtual void DispatchCancelRequest() {}

  // Sets what runs, from DoEvents, when the user asks to cancel (Ctrl+C on a terminal). Several
  // requests that arrive between two DoEvents calls are delivered once.
  virtual void SetCancelHandler(std::function<void()> on_cancel) = 0;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_PUMP_EVENT_PUMP_H_
