#include "platform/posix/read_whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/posix_failure.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {

std::string ReadWholeFile(const std::string& path) {
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) RaiseFileError("read", path, errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) RaiseFileError("read", path, errno);
  if (S_ISDIR(info.st_mode)) RaiseFileError("read", path, EISDIR);
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
