#include "platform/posix/atomic_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/posix/posix_failure.h"

namespace kestrova {
namespace {

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
  temporary_path_ = path_ + ".kestrova-XXXXXX";
  fd_.Reset(::mkstemp(temporary_path_.data()));
  if (!fd_.valid()) RaiseFileError("write", path_, errno);
  struct stat existing {};
  const mode_t mode =
      ::stat(path_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (::fchmod(fd_.get(), mode) != 0) {
    const int error = errno;
    fd_.Reset();
    ::unlink(temporary_path_.c_str());
    RaiseFileError("write", path_, error);
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  fd_.Reset();
  if (!committed_) ::unlink(temporary_path_.c_str());
}

void AtomicFileWriter::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_.get(), bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("write", path_, errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void AtomicFileWriter::Commit() {
  // The close is checked: on some file systems it is where a failed write shows.
  if (::close(fd_.Release()) != 0) RaiseFileError("write", path_, errno);
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
