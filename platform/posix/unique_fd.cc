#include "platform/posix/unique_fd.h"

#include <unistd.h>

#include <utility>

namespace kestrova {

UniqueFd::~UniqueFd() { Reset(); }

UniqueFd::UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) Reset(std::exchange(other.fd_, -1));
  return *this;
}

void UniqueFd::Reset(int fd) noexcept {
  if (fd_ >= 0) {
    // close() releases the descriptor even when it reports EINTR on Linux: never retry.
    ::close(fd_);
  }
  fd_ = fd;
}

int UniqueFd::Release() noexcept { return std::exchange(fd_, -1); }

}  // namespace kestrova
