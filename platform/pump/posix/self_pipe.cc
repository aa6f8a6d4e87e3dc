#include "platform/pump/posix/self_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/posix/posix_failure.h"

namespace kestrova {
namespace {

// Posts made to any pipe, each counted once its byte is written: a drain that finds the count as it
// was at its last read has nothing to read, and a byte not yet counted is read by a later drain.
// Lock-free, so a signal handler may count.
std::atomic<unsigned> posts{0};
static_assert(std::atomic<unsigned>::is_always_lock_free);

}  // namespace

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
  posts.fetch_add(1, std::memory_order_seq_cst);
  errno = saved_errno;
}

bool SelfPipe::Drain() {
  const unsigned seen = posts.load(std::memory_order_seq_cst);
  if (seen == drained_at_) return false;
  // A post counted after this load is read now or by the next drain.
  drained_at_ = seen;
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
