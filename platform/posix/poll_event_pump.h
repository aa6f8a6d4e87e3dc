// The Linux event pump: one poll(2) over the registered sources' descriptors and a self-pipe that
// carries cancel requests, with its timeout set by the nearest timer or source deadline.
#ifndef KESTROVA_PLATFORM_POSIX_POLL_EVENT_PUMP_H_
#define KESTROVA_PLATFORM_POSIX_POLL_EVENT_PUMP_H_

#include <poll.h>

#include <chrono>
#include <functional>
#include <map>
#include <vector>

#include "platform/event_pump.h"
#include "platform/posix/poll_source.h"
#include "platform/posix/unique_fd.h"
#include "platform/pump_timers.h"

namespace kestrova {

class PollEventPump final : public EventPump {
 public:
  // Creates the self-pipe; raises a Failure when the system refuses it.
  PollEventPump();
  ~PollEventPump() override;

  PollEventPump(const PollEventPump&) = delete;
  PollEventPump& operator=(const PollEventPump&) = delete;

  void DoEvents() override;
  TimerId AddTimer(std::chrono::milliseconds interval, std::function<void()> on_tick,
                   bool enabled) override;
  void EnableTimer(TimerId id, bool enabled) override;
  void RemoveTimer(TimerId id) override;
  void SetCancelHandler(std::function<void()> on_cancel) override;
  void DispatchCancelRequest() override;

  // Registers a source; it takes part in every DoEvents until removed. The source must stay alive
  // until RemoveSource. Adding a source twice has no further effect.
  void AddSource(PollSource& source);
  // Unregisters a source; safe to call from inside that source's own Dispatch.
  void RemoveSource(PollSource& source);

  // Posts a cancel request for the next DoEvents. Only write(2) is used, so a signal handler may
  // call it.
  void PostCancel() const noexcept;

  // The write end of the self-pipe, for a signal handler that cannot reach the pump object.
  int cancel_fd() const noexcept { return cancel_write_.get(); }

 private:
  using Clock = PumpTimers::Clock;

  // Milliseconds poll may sleep this round.
  int PollTimeout(Clock::time_point now) const;
  // Empties the self-pipe; true when it held a cancel request.
  bool DrainCancelPipe() const;

  UniqueFd cancel_read_;
  UniqueFd cancel_write_;
  std::function<void()> on_cancel_;
  std::vector<PollSource*> sources_;
  PumpTimers timers_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_POLL_EVENT_PUMP_H_
