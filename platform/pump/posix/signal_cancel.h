// Turns Ctrl+C (SIGINT), SIGTERM and SIGHUP into a cancel request of a PollEventPump while an
// instance is alive, instead of ending the process mid-write: what the publish staged is then
// dropped as for any cancel. The request reaches the pump's cancel handler from the next DoEvents.
#ifndef KESTROVA_PLATFORM_PUMP_POSIX_SIGNAL_CANCEL_H_
#define KESTROVA_PLATFORM_PUMP_POSIX_SIGNAL_CANCEL_H_

#include <signal.h>

#include "platform/pump/posix/poll_event_pump.h"

namespace kestrova {

class ScopedSignalCancel {
 public:
  // Installs the handler of the three signals for pump, which must outlive this object. Instances
  // nest: each one restores, when destroyed, the handler and target that were in force before it.
  explicit ScopedSignalCancel(const PollEventPump& pump);
  ~ScopedSignalCancel();

  ScopedSignalCancel(const ScopedSignalCancel&) = delete;
  ScopedSignalCancel& operator=(const ScopedSignalCancel&) = delete;

 private:
  struct sigaction previous_actions_[3]{};
  int previous_fd_ = -1;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_PUMP_POSIX_SIGNAL_CANCEL_H_
