#include "platform/files/posix/atomic_file_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ascii.h"
#include "platform/posix/posix_failure.h"

namespace kestrova {
namespace {

// What follows ".NAME" in a temporary file's name; six letters or digits chosen at random follow
// it.
constexpr std::string_view kTemporarySuffix = ".kestrova-";
constexpr std::size_t kUniqueLetters = 6;

// Creates a new file at path_template, whose last six letters are replaced by letters and digits
// that make a name nobody has taken, with permissions mode less the umask. As mkstemp, but the
// file has its final permissions from the start, and the letters come from a generator seeded once
// instead of from the kernel each time.
UniqueFd OpenTemporaryFile(std::string& path_template, mode_t mode) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mutex mutex;
  static std::mt19937_64 generator{std::random_device{}()};
  for (int attempt = 0; attempt < 1000; ++attempt) {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      std::uint64_t bits = generator();
      for (std::size_t k = path_template.size() - kUniqueLetters; k < path_template.size(); ++k) {
        path_template[k] = kLetters[bits % (sizeof kLetters - 1)];
        bits /= sizeof kLetters - 1;
      }
    }
    UniqueFd fd(::open(path_template.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.valid() || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return UniqueFd();
}

// True for a name this writer gives its temporary files: ".NAME.kestrova-XXXXXX".
bool IsTemporaryName(std::string_view name) {
  const std::size_t tail = kTemporarySuffix.size() + kUniqueLetters;
  if (name.size() < 2 + tail || name.front() != '.') return false;
  const std::string_view suffix = name.substr(name.size() - tail);
  if (suffix.substr(0, kTemporarySuffix.size()) != kTemporarySuffix) return false;
  for (const char c : suffix.substr(kTemporarySuffix.size())) {
    if (!IsAsciiLetterOrDigit(c)) return false;
  }
  return true;
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// Removes the temporary files a writer of an earlier run left in folder when that run was killed
// before it could commit or drop them. Only regular files named exactly as this writer names its
// own are removed; anything that cannot be read or removed is left as it is.
void RemoveStaleTemporaryFiles(const std::string& folder) {
  const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return;
  const int dir_fd = ::dirfd(dir.get());
  while (const dirent* entry = ::readdir(dir.get())) {
    if (!IsTemporaryName(entry->d_name)) continue;
    struct stat info {};
    if (::fstatat(dir_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode)) {
      ::unlinkat(dir_fd, entry->d_name, 0);
    }
  }
}

// Clears folder of stale temporary files the first time this process writes into it; later
// writers find only the temporary files of live writers there.
void ClearFolderOnce(const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> cleared;
  const std::lock_guard<std::mutex> lock(mutex);
  if (cleared.insert(folder).second) RemoveStaleTemporaryFiles(folder);
}

// fsync of fd; a file system that cannot flush (EINVAL) has nothing to flush.
int Flush(int fd) {
  if (::fsync(fd) == 0 || errno == EINVAL) return 0;
  return errno;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path, CommitDurability durability,
                                   const struct stat* replaced)
    : path_(std::move(path)), durability_(durability) {
  const std::size_t slash = path_.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  ClearFolderOnce(folder);
  // The leading dot hides the file from directory listings and from the deploy tools that skip
  // dot files, should a killed run leave it behind.
  temporary_path_ = (slash == std::string::npos ? std::string() : folder) + "." + name +
                    std::string(kTemporarySuffix) + "XXXXXX";
  // The new file keeps the owner, group and permissions of the file it replaces. It is made with
  // those permissions as far as the umask lets it; owner, group and what the umask took are then
  // set only where they differ, since most pages replace a file of the writer's own. Only root
  // may give a file away, so a refused change of owner leaves the writer's own (as rsync does).
  // The owner goes first: changing it clears the set-user-ID and set-group-ID bits.
  struct stat existing {};
  const bool replaces = replaced != nullptr || ::stat(path_.c_str(), &existing) == 0;
  if (replaced != nullptr) existing = *replaced;
  const mode_t mode = replaces ? (existing.st_mode & 07777) : 0666;
  fd_ = OpenTemporaryFile(temporary_path_, mode & 0777);
  if (!fd_.valid()) RaiseFileError("write", path_, errno);
  struct stat made {};
  int error = 0;
  if (replaces) {
    if (::fstat(fd_.get(), &made) != 0) error = errno;
    if (error == 0 && (made.st_uid != existing.st_uid || made.st_gid != existing.st_gid) &&
        ::fchown(fd_.get(), existing.st_uid, existing.st_gid) != 0 && errno != EPERM) {
      error = errno;
    }
    // The file was made without set-ID bits and a change of owner clears none it has, so the
    // mode read before that change still says whether it must be set.
    if (error == 0 && (made.st_mode & 07777) != mode && ::fchmod(fd_.get(), mode) != 0) {
      error = errno;
    }
  }
  if (error != 0) {
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
  Write(std::span<const std::string_view>(&bytes, 1));
}

void AtomicFileWriter::Write(std::span<const std::string_view> pieces) {
  std::vector<iovec> left;
  left.reserve(pieces.size());
  for (const std::string_view piece : pieces) {
    if (!piece.empty()) left.push_back({const_cast<char*>(piece.data()), piece.size()});
  }
  std::size_t first = 0;  // the first piece not yet written whole
  while (first < left.size()) {
    const int count = static_cast<int>(std::min<std::size_t>(left.size() - first, IOV_MAX));
    ssize_t written = ::writev(fd_.get(), left.data() + first, count);
    if (written < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("write", path_, errno);
    }
    // A short write leaves a piece part written: what is left of it goes first next time.
    while (first < left.size() && static_cast<std::size_t>(written) >= left[first].iov_len) {
      written -= static_cast<ssize_t>(left[first].iov_len);
      ++first;
    }
    if (first < left.size()) {
      left[first].iov_base = static_cast<char*>(left[first].iov_base) + written;
      left[first].iov_len -= static_cast<std::size_t>(written);
    }
  }
}

void AtomicFileWriter::Commit() {
  // The bytes reach the disk before the name does: renamed first, a power cut could leave the
  // new name over an empty or partial file.
  if (durability_ == CommitDurability::kBytesBeforeName) {
    if (const int error = Flush(fd_.get()); error != 0) RaiseFileError("write", path_, error);
  }
  // The close is checked: on some file systems it is where a failed write shows.
  if (::close(fd_.Release()) != 0) RaiseFileError("write", path_, errno);
  if (::rename(temporary_path_.c_str(), path_.c_str()) != 0) {
    RaiseFileError("replace", path_, errno);
  }
  committed_ = true;
}

std::string AtomicFileWriter::Seal(UniqueFd* kept) {
  // Write-back starts now, so that the flush of a whole set before its renames mostly finds the
  // bytes already on their way.
  ::sync_file_range(fd_.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
  if (kept != nullptr) {
    *kept = std::move(fd_);
  } else if (::close(fd_.Release()) != 0) {
    RaiseFileError("write", path_, errno);
  }
  committed_ = true;
  return temporary_path_;
}

}  // namespace kestrova
