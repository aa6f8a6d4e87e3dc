// Something that waits on descriptors and deadlines inside a PollEventPump. Sources are passive:
// the pump asks what they wait for, polls, and hands them the outcome.
#ifndef KESTROVA_PLATFORM_PUMP_POSIX_POLL_SOURCE_H_
#define KESTROVA_PLATFORM_PUMP_POSIX_POLL_SOURCE_H_

#include <poll.h>

#include <span>
#include <vector>

#include "platform/pump/pump_sources.h"

namespace kestrova {

class PollSource : public PumpSource {
 public:
  // Appends one entry per descriptor the source waits on, with the events it waits for.
  virtual void CollectDescriptors(std::vector<pollfd>& fds) = 0;

  // Called once per pump round after poll, with the entries CollectDescriptors appended in this
  // round and their revents filled in (possibly all zero). Handles what is ready or due.
  virtual void Dispatch(std::span<const pollfd> fds) = 0;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_PUMP_POSIX_POLL_SOURCE_H_
