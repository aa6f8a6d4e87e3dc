// Turns Ctrl+C into a cancel request of a PollEventPump while an instance is alive, instead of
// ending the process. The request reaches the pump's cancel handler from the next DoEvents.
#ifndef KESTROVA_PLATFORM_POSIX_SIGINT_CANCEL_H_
#define KESTROVA_PLATFORM_POSIX_SIGINT_CANCEL_H_

#include <signal.h>

#include "platform/posix/poll_event_pump.h"

namespace kestrova {

class ScopedSigintCancel {
 public:
  // Installs the SIGINT handler for pump, which must outlive this object. Instances nest: each
  // one restores, when destroyed, the handler and target that were in force before it.
  explicit ScopedSigintCancel(const PollEventPump& pump);
  ~ScopedSigintCancel();

  ScopedSigintCancel(const ScopedSigintCancel&) = delete;
  ScopedSigintCancel& operator=(const ScopedSigintCancel&) = delete;

 private:
  struct sigaction previous_action_ {};
  int previous_fd_ = -1;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_SIGINT_CANCEL_H_
