// The Linux event pump: one poll(2) over the registered sources' descriptors and a self-pipe that
// carries cancel requests, with its timeout set by the nearest timer or source deadline.
#ifndef KESTROVA_PLATFORM_PUMP_POSIX_POLL_EVENT_PUMP_H_
#define KESTROVA_PLATFORM_PUMP_POSIX_POLL_EVENT_PUMP_H_

#include "platform/pump/posix/poll_source.h"
#include "platform/pump/posix/self_pipe.h"
#include "platform/pump/pump_core.h"
#include "platform/pump/pump_sources.h"

namespace kestrova {

class PollEventPump final : public PumpCore {
 public:
  // Creates the self-pipe; raises a Failure when the system refuses it.
  PollEventPump() = default;

  PollEventPump(const PollEventPump&) = delete;
  PollEventPump& operator=(const PollEventPump&) = delete;

  void DoEvents() override;
  void DispatchCancelRequest() override;

  // Registers a source; it takes part in every DoEvents until removed. The source must stay alive
  // until RemoveSource. Adding a source twice has no further effect.
  void AddSource(PollSource& source) { sources_.Add(source); }
  // Unregisters a source; safe to call from inside that source's own Dispatch.
  void RemoveSource(PollSource& source) { sources_.Remove(source); }

  // Posts a cancel request for the next DoEvents. Only write(2) is used, so a signal handler may
  // call it.
  void PostCancel() const noexcept { cancel_pipe_.Post(); }

  // The write end of the self-pipe, for a signal handler that cannot reach the pump object.
  int cancel_fd() const noexcept { return cancel_pipe_.write_fd(); }

 private:
  SelfPipe cancel_pipe_;
  PumpSourceList<PollSource> sources_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_PUMP_POSIX_POLL_EVENT_PUMP_H_
