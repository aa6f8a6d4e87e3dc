// A pipe the program writes to itself to wake a poll: a write, which a signal handler may make,
// makes the read end readable, and draining it tells whether anything was posted. PollEventPump
// carries its cancel requests on one.
#ifndef KESTROVA_PLATFORM_PUMP_POSIX_SELF_PIPE_H_
#define KESTROVA_PLATFORM_PUMP_POSIX_SELF_PIPE_H_

#include "platform/posix/unique_fd.h"

namespace kestrova {

class SelfPipe {
 public:
  // Creates the pipe, both ends non-blocking; raises a Failure when the system refuses it.
  SelfPipe();

  // The end to poll for reading.
  int read_fd() const noexcept { return read_.get(); }
  // The end that Post writes to, for a signal handler that cannot reach the pipe object.
  int write_fd() const noexcept { return write_.get(); }

  // Posts a byte. Only write(2) is used, so a signal handler may call it.
  void Post() const noexcept { PostTo(write_fd()); }
  // Posts a byte to the write end write_fd, leaving errno as it was.
  static void PostTo(int write_fd) noexcept;

  // Empties the pipe; true when anything had been posted. Costs no system call while nothing
  // was posted to any pipe since this one was last drained, so it may be called often.
  bool Drain();

 private:
  UniqueFd read_;
  UniqueFd write_;
  unsigned drained_at_ = 0;  // the count of posts to any pipe when this one was last read
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_PUMP_POSIX_SELF_PIPE_H_
