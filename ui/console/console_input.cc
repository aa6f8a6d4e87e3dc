#include "ui/console/console_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace kestrova {

ReadResult ConsoleInput::ReadLine(std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    char c = 0;
    // One byte at a time: the input may be shared with whoever reads after this answer.
    const ssize_t count = ::read(fd_, &c, 1);
    if (count == 1) {
      any = true;
      if (c == '\n') break;
      if (line.size() < kMaxLine) line += c;
      continue;
    }
    if (count < 0 && errno == EINTR) return ReadResult::kInterrupted;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // A non-blocking stream: wait until it has something to read.
      pollfd ready{fd_, POLLIN, 0};
      const int ready_count = ::poll(&ready, 1, -1);
      if (ready_count >= 0) continue;
      if (errno == EINTR) return ReadResult::kInterrupted;
    }
    // The end of the input, or a read error, which counts as such.
    if (!any) return ReadResult::kEnd;
    break;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ReadResult::kLine;
}

}  // namespace kestrova
