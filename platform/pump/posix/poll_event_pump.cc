#include "platform/pump/posix/poll_event_pump.h"

#include <poll.h>

#include <cerrno>
#include <vector>

#include "platform/posix/posix_failure.h"

namespace kestrova {
namespace {

// One source's share of the descriptors polled in a round.
struct Slice {
  std::size_t begin;
  std::size_t count;
};

}  // namespace

void PollEventPump::DoEvents() {
  // The round's lists are local: a callback dispatched below may pump again (a modal loop), and
  // that inner round must not disturb this round's lists.
  const std::vector<PollSource*> round = sources_.Round();
  std::vector<pollfd> fds;
  fds.push_back(pollfd{cancel_pipe_.read_fd(), POLLIN, 0});
  std::vector<Slice> slices;
  slices.reserve(round.size());
  for (PollSource* source : round) {
    const std::size_t begin = fds.size();
    source->CollectDescriptors(fds);
    slices.push_back(Slice{begin, fds.size() - begin});
  }

  const auto timeout = WaitTime(Clock::now(), sources_.NearestTimeout());
  const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
  if (ready < 0) {
    if (errno != EINTR) RaiseSystemError("poll", errno);
    // A signal (Ctrl+C) interrupted the sleep; its handler may have written to the pipe.
    for (pollfd& entry : fds) entry.revents = 0;
    fds.front().revents = POLLIN;
  }

  if ((fds.front().revents & POLLIN) != 0 && cancel_pipe_.Drain()) DeliverCancel();

  sources_.DispatchRound(round, [&](PollSource& source, std::size_t i) {
    source.Dispatch(std::span<const pollfd>(fds.data() + slices[i].begin, slices[i].count));
  });

  FireDueTimers();
}

void PollEventPump::DispatchCancelRequest() {
  if (cancel_pipe_.Drain()) DeliverCancel();
}

}  // namespace kestrova
