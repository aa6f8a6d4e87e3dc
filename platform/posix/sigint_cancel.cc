#include "platform/posix/sigint_cancel.h"

#include <atomic>
#include <cerrno>

#include "platform/posix/posix_failure.h"
#include "platform/posix/self_pipe.h"

namespace kestrova {
namespace {

// The write end of the pump's cancel pipe, which the pump owns. A lock-free atomic is safe to read
// in a signal handler.
std::atomic<int> g_cancel_fd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnSigint(int) {
  const int fd = g_cancel_fd.load();
  if (fd >= 0) SelfPipe::PostTo(fd);
}

}  // namespace

ScopedSigintCancel::ScopedSigintCancel(const PollEventPump& pump) {
  struct sigaction action {};
  action.sa_handler = OnSigint;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls fail with EINTR, so that a poll in progress wakes at once.
  action.sa_flags = 0;
  previous_fd_ = g_cancel_fd.exchange(pump.cancel_fd());
  if (::sigaction(SIGINT, &action, &previous_action_) != 0) {
    const int error = errno;
    g_cancel_fd.store(previous_fd_);
    RaiseSystemError("sigaction", error);
  }
}

ScopedSigintCancel::~ScopedSigintCancel() {
  ::sigaction(SIGINT, &previous_action_, nullptr);
  g_cancel_fd.store(previous_fd_);
}

}  // namespace kestrova
