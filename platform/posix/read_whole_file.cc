#include "platform/posix/read_whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
  // The bytes are read straight into the string, sized one past the length the file has now:
  // a regular file's read comes back short only at its end, so one read is usually all, and a
  // file that grew meanwhile fills the spare byte and is read on.
  std::string bytes;
  std::size_t length = 0;
  bytes.resize(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 0) + 1);
  while (true) {
    if (length == bytes.size()) bytes.resize(std::max<std::size_t>(bytes.size() * 2, 1 << 16));
    // Linux hands out at most about 2 GB per read: asked for no more than 1 GB, a short read
    // still means the end.
    const std::size_t wanted = std::min<std::size_t>(bytes.size() - length, std::size_t{1} << 30);
    const ssize_t got = ::read(file.get(), bytes.data() + length, wanted);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("read", path, errno);
    }
    length += static_cast<std::size_t>(got);
    // A file that tells no length (as those of /proc) may come in short pieces: read to the end.
    if (got == 0 || (info.st_size > 0 && static_cast<std::size_t>(got) < wanted)) break;
  }
  bytes.resize(length);
  return bytes;
}

}  // namespace kestrova
