#include "platform/posix/read_whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/file_failure.h"
#include "platform/posix/posix_failure.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {

std::string ReadWholeFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO waits for a writer otherwise; a regular file reads as usual.
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) RaiseFileError("read", path, errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) RaiseFileError("read", path, errno);
  if (S_ISDIR(info.st_mode)) RaiseFileError("read", path, EISDIR);
  // A FIFO, a device or a socket could block or never end: only regular files are read.
  if (!S_ISREG(info.st_mode)) RaiseFileError("read", path, false, "Not a regular file");
  std::string bytes;
  if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[1 << 16];
  while (true) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("read", path, errno);
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

}  // namespace kestrova
