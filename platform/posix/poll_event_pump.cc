#include "platform/posix/poll_event_pump.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "base/failure.h"
#include "platform/posix/posix_failure.h"

namespace kestrova {
namespace {

// One source's share of the descriptors polled in a round.
struct SourceSlice {
  PollSource* source;
  std::size_t begin;
  std::size_t count;
};

}  // namespace

PollEventPump::PollEventPump() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) RaiseSystemError("pipe2", errno);
  cancel_read_.Reset(ends[0]);
  cancel_write_.Reset(ends[1]);
}

PollEventPump::~PollEventPump() = default;

void PollEventPump::DoEvents() {
  // The descriptor list is local: a callback dispatched below may pump again (a modal loop), and
  // that inner round must not disturb this round's list.
  std::vector<pollfd> fds;
  fds.push_back(pollfd{cancel_read_.get(), POLLIN, 0});
  std::vector<SourceSlice> slices;
  slices.reserve(sources_.size());
  for (PollSource* source : sources_) {
    const std::size_t begin = fds.size();
    source->CollectDescriptors(fds);
    slices.push_back(SourceSlice{source, begin, fds.size() - begin});
  }

  const int timeout = PollTimeout(Clock::now());
  const int ready = ::poll(fds.data(), fds.size(), timeout);
  if (ready < 0) {
    if (errno != EINTR) RaiseSystemError("poll", errno);
    // A signal (Ctrl+C) interrupted the sleep; its handler may have written to the pipe.
    for (pollfd& entry : fds) entry.revents = 0;
    fds.front().revents = POLLIN;
  }

  if ((fds.front().revents & POLLIN) != 0 && DrainCancelPipe() && on_cancel_) {
    std::function<void()> on_cancel = on_cancel_;  // the handler may replace itself
    on_cancel();
  }

  for (const SourceSlice& slice : slices) {
    // A callback of an earlier source may have removed this one.
    if (std::find(sources_.begin(), sources_.end(), slice.source) == sources_.end()) continue;
    slice.source->Dispatch(std::span<const pollfd>(fds.data() + slice.begin, slice.count));
  }

  timers_.FireDue();
}

void PollEventPump::DispatchCancelRequest() {
  if (DrainCancelPipe() && on_cancel_) {
    std::function<void()> on_cancel = on_cancel_;  // the handler may replace itself
    on_cancel();
  }
}

int PollEventPump::PollTimeout(Clock::time_point now) const {
  std::chrono::milliseconds wait = kMaxWait;
  for (const PollSource* source : sources_) {
    if (const auto limit = source->Timeout(); limit) wait = std::min(wait, *limit);
  }
  wait = timers_.WaitUntilNext(now, wait);
  return static_cast<int>(std::max(wait, std::chrono::milliseconds{0}).count());
}

bool PollEventPump::DrainCancelPipe() const {
  bool posted = false;
  char buffer[64];
  for (;;) {
    const ssize_t got = ::read(cancel_read_.get(), buffer, sizeof buffer);
    if (got > 0) {
      posted = true;
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    return posted;  // EAGAIN: the pipe is empty
  }
}

EventPump::TimerId PollEventPump::AddTimer(std::chrono::milliseconds interval,
                                           std::function<void()> on_tick, bool enabled) {
  return timers_.Add(interval, std::move(on_tick), enabled);
}

void PollEventPump::EnableTimer(TimerId id, bool enabled) { timers_.Enable(id, enabled); }

void PollEventPump::RemoveTimer(TimerId id) { timers_.Remove(id); }

void PollEventPump::SetCancelHandler(std::function<void()> on_cancel) {
  on_cancel_ = std::move(on_cancel);
}

void PollEventPump::AddSource(PollSource& source) {
  if (std::find(sources_.begin(), sources_.end(), &source) == sources_.end()) {
    sources_.push_back(&source);
  }
}

void PollEventPump::RemoveSource(PollSource& source) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), &source), sources_.end());
}

void PollEventPump::PostCancel() const noexcept {
  const char signal_byte = 'c';
  // A full pipe already holds a request: nothing is lost by ignoring EAGAIN.
  [[maybe_unused]] const ssize_t written = ::write(cancel_write_.get(), &signal_byte, 1);
}

}  // namespace kestrova
