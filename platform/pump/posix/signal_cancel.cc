#include "platform/pump/posix/signal_cancel.h"

#include <atomic>
#include <cerrno>
#include <iterator>

#include "platform/posix/posix_failure.h"
#include "platform/pump/posix/self_pipe.h"

namespace kestrova {
namespace {

// The write end of the pump's cancel pipe, which the pump owns. A lock-free atomic is safe to read
// in a signal handler.
std::atomic<int> g_cancel_fd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// The signals that cancel, in the order of ScopedSignalCancel::previous_actions_.
constexpr int kCancelSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnCancelSignal(int) {
  const int fd = g_cancel_fd.load();
  if (fd >= 0) SelfPipe::PostTo(fd);
}

}  // namespace

ScopedSignalCancel::ScopedSignalCancel(const PollEventPump& pump) {
  struct sigaction action {};
  action.sa_handler = OnCancelSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls fail with EINTR, so that a poll in progress wakes at once.
  action.sa_flags = 0;
  previous_fd_ = g_cancel_fd.exchange(pump.cancel_fd());
  for (std::size_t k = 0; k < std::size(kCancelSignals); ++k) {
    if (::sigaction(kCancelSignals[k], &action, &previous_actions_[k]) != 0) {
      const int error = errno;
      while (k-- > 0) ::sigaction(kCancelSignals[k], &previous_actions_[k], nullptr);
      g_cancel_fd.store(previous_fd_);
      RaiseSystemError("sigaction", error);
    }
  }
}

ScopedSignalCancel::~ScopedSignalCancel() {
  for (std::size_t k = 0; k < std::size(kCancelSignals); ++k) {
    ::sigaction(kCancelSignals[k], &previous_actions_[k], nullptr);
  }
  g_cancel_fd.store(previous_fd_);
}

}  // namespace kestrova
