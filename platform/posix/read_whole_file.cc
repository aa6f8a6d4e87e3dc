#include "platform/posix/read_whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "mending/failure.h"

namespace kestrova {
namespace {

// Owns a file descriptor.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void RaiseSystemError(const std::string& path, int error) {
  const std::int32_t number = error == ENOENT ? kErrFileNotFound : kErrInvalidArgument;
  throw Failure(number, std::string(kProgramSource),
                "Cannot read \"" + path + "\": " + std::strerror(error) + ".");
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) RaiseSystemError(path, errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) RaiseSystemError(path, errno);
  if (S_ISDIR(info.st_mode)) RaiseSystemError(path, EISDIR);
  std::string bytes;
  if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[1 << 16];
  while (true) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseSystemError(path, errno);
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

}  // namespace kestrova
