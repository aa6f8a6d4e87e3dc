#include "platform/posix/self_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/posix_failure.h"

namespace kestrova {

SelfPipe::SelfPipe() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) RaiseSystemError("pipe2", errno);
  read_.Reset(ends[0]);
  write_.Reset(ends[1]);
}

void SelfPipe::PostTo(int write_fd) noexcept {
  const int saved_errno = errno;  // a signal handler must not change errno under the code it broke
  const char signal_byte = 'c';
  // A full pipe already holds a posted byte: nothing is lost by ignoring EAGAIN.
  [[maybe_unused]] const ssize_t written = ::write(write_fd, &signal_byte, 1);
  errno = saved_errno;
}

bool SelfPipe::Drain() const {
  bool posted = false;
  char buffer[64];
  for (;;) {
    const ssize_t got = ::read(read_.get(), buffer, sizeof buffer);
    if (got > 0) {
      posted = true;
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    return posted;  // EAGAIN: the pipe is empty
  }
}

}  // namespace kestrova
