#include "platform/posix/atomic_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "mending/failure.h"

namespace kestrova {
namespace {

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& path, int error) {
  const std::int32_t number = error == ENOENT ? kErrFileNotFound : kErrInvalidArgument;
  throw Failure(number, std::string(kProgramSource),
                "Cannot " + what + " \"" + path + "\": " + std::strerror(error) + ".");
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
  temporary_path_ = path_ + ".kestrova-XXXXXX";
  fd_ = ::mkstemp(temporary_path_.data());
  if (fd_ < 0) RaiseFileError("write", path_, errno);
  struct stat existing {};
  const mode_t mode =
      ::stat(path_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (::fchmod(fd_, mode) != 0) {
    const int error = errno;
    ::close(fd_);
    ::unlink(temporary_path_.c_str());
    fd_ = -1;
    RaiseFileError("write", path_, error);
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temporary_path_.c_str());
}

void AtomicFileWriter::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("write", path_, errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void AtomicFileWriter::Commit() {
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) RaiseFileError("write", path_, errno);
  if (::rename(temporary_path_.c_str(), path_.c_str()) != 0) {
    RaiseFileError("replace", path_, errno);
  }
  committed_ = true;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

}  // namespace kestrova
