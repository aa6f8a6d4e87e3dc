#include "platform/files/posix/posix_file_system.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/files/posix/atomic_file_writer.h"
#include "platform/files/posix/posix_file_transaction.h"
#include "platform/files/posix/read_whole_file.h"
#include "platform/posix/posix_failure.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {
namespace {

struct FreeDeleter {
  void operator()(char* text) const { std::free(text); }
};

// The path with every link and every "." and ".." resolved; nothing when a part is missing or a
// link leads nowhere.
std::optional<std::string> RealPath(const std::string& path) {
  const std::unique_ptr<char, FreeDeleter> real(::realpath(path.c_str(), nullptr));
  if (!real) return std::nullopt;
  return std::string(real.get());
}

// Where the file at path lies: its real path, or for a name that is not there at all (not even
// as a link), the real path of its folder followed by the name.
std::optional<std::string> RealLocation(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) return RealPath(path);
  if (errno != ENOENT) return std::nullopt;
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const std::optional<std::string> folder = RealPath(slash == std::string::npos ? "."
                                                     : slash == 0               ? "/"
                                                                  : path.substr(0, slash));
  if (!folder) return std::nullopt;
  return (folder->back() == '/' ? *folder : *folder + "/") + name;
}

// True when the path is reached from the root without a single link on the way, the last name
// included: one openat2 call that refuses every link, where an lstat of each name would take one
// call per name. False when any name is a link or missing, or when the system has no openat2.
// With opened, the file is opened for reading on the way (as ReadWholeFile opens it) and handed
// over there; one that cannot be read then counts as not reached.
bool ReachedWithoutLinks(const std::string& path, UniqueFd* opened = nullptr) {
  static std::atomic<bool> unavailable{false};
  if (unavailable.load(std::memory_order_relaxed)) return false;
  open_how how{};
  how.flags = opened != nullptr ? O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC : O_PATH | O_CLOEXEC;
  how.resolve = RESOLVE_NO_SYMLINKS;
  const long fd = ::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
  if (fd < 0) {
    // A kernel without it, or a sandbox that forbids it; refused the read alone, the file may
    // still be reached.
    if (opened != nullptr && errno == EPERM) return ReachedWithoutLinks(path);
    if (errno == ENOSYS || errno == EPERM) unavailable.store(true, std::memory_order_relaxed);
    return false;
  }
  if (opened != nullptr) {
    opened->Reset(static_cast<int>(fd));
  } else {
    ::close(static_cast<int>(fd));
  }
  return true;
}

// True when path is folder, a slash and names below it none of which is ".", ".." or a link, so
// that the file lies inside folder whatever folder itself leads to. The last name may be missing
// (a file about to be made), once its folder is known to be one. False when any of that is not so,
// or not known. A path with several names is first tried in one call that refuses links anywhere
// on the way, which holds for most webs (with opened, that call opens the file for reading, see
// ReachedWithoutLinks); one whose own folder lies behind a link, or whose file is missing, is
// checked with an lstat of each name below folder.
bool LiesPlainlyInside(const std::string& folder, const std::string& path, UniqueFd* opened) {
  std::size_t prefix = folder.size();
  while (prefix > 1 && folder[prefix - 1] == '/') --prefix;
  if (prefix <= 1 || path.size() <= prefix + 1 || path.compare(0, prefix, folder, 0, prefix) != 0 ||
      path[prefix] != '/') {
    return false;
  }
  std::size_t names = 0;
  for (std::size_t start = prefix + 1;; ++names) {
    const std::size_t end = path.find('/', start);
    const std::string_view name(path.data() + start,
                                (end == std::string::npos ? path.size() : end) - start);
    if (name.empty() || name == "." || name == "..") return false;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (names > 0 && ReachedWithoutLinks(path, opened)) return true;
  std::string partial = path;  // cut short at each slash in turn
  for (std::size_t start = prefix + 1;;) {
    const std::size_t end = path.find('/', start);
    const bool last = end == std::string::npos;
    if (!last) partial[end] = '\0';
    struct stat info {};
    const bool found = ::lstat(partial.c_str(), &info) == 0;
    if (!last) partial[end] = '/';
    if (!found) {
      if (!last || errno != ENOENT) return false;
      if (start > prefix + 1) return true;  // its folder was found above, and is no link
      struct stat parent {};
      return ::stat(folder.c_str(), &parent) == 0 && S_ISDIR(parent.st_mode);
    }
    if (S_ISLNK(info.st_mode)) return false;
    if (last) return true;
    if (!S_ISDIR(info.st_mode)) return false;
    start = end + 1;
  }
}

}  // namespace

PosixFileSystem::Lead PosixFileSystem::TakeLead() {
  const std::lock_guard<std::mutex> lock(kept_mutex_);
  return std::exchange(lead_, Lead());
}

void PosixFileSystem::LeaveLead(Lead lead) {
  const std::lock_guard<std::mutex> lock(kept_mutex_);
  lead_ = std::move(lead);
}

std::optional<struct stat> PosixFileSystem::TakeReplacedInfo(const std::string& path) {
  Lead lead = TakeLead();
  if (lead.path != path) return std::nullopt;
  return lead.info;
}

bool PosixFileSystem::FileExists(const std::string& path) {
  TakeLead();
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  Lead lead;
  lead.path = path;
  lead.regular = true;
  LeaveLead(std::move(lead));
  return true;
}

bool PosixFileSystem::FolderExists(const std::string& path) {
  TakeLead();
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void PosixFileSystem::CreateFolder(const std::string& path) {
  TakeLead();
  if (::mkdir(path.c_str(), 0777) != 0) {
    RaiseFolderError(path, errno);
  }
}

void PosixFileSystem::RemoveEmptyFolder(const std::string& path) noexcept { ::rmdir(path.c_str()); }

std::unique_ptr<TextReader> PosixFileSystem::OpenTextFile(const std::string& path) {
  TakeLead();
  return std::make_unique<StringTextReader>(kestrova::ReadWholeFile(path));
}

std::optional<std::string> PosixFileSystem::TakeKept(const std::string& path) {
  std::optional<KeptFile> kept;
  {
    const std::lock_guard<std::mutex> lock(kept_mutex_);
    if (!kept_ || kept_->path != path) return std::nullopt;
    kept.swap(kept_);
  }
  // A file replaced since (as by a rename over it) has another inode; one written in place has
  // new times, or another size.
  struct stat now {};
  const struct stat& then = kept->info;
  if (::stat(path.c_str(), &now) != 0 || now.st_dev != then.st_dev || now.st_ino != then.st_ino ||
      now.st_size != then.st_size || now.st_mtim.tv_sec != then.st_mtim.tv_sec ||
      now.st_mtim.tv_nsec != then.st_mtim.tv_nsec || now.st_ctim.tv_sec != then.st_ctim.tv_sec ||
      now.st_ctim.tv_nsec != then.st_ctim.tv_nsec) {
    return std::nullopt;
  }
  Lead lead;
  lead.path = path;
  lead.info = now;
  LeaveLead(std::move(lead));
  return std::move(kept->bytes);
}

std::string PosixFileSystem::ReadWholeFile(const std::string& path) {
  TakeLead();
  if (std::optional<std::string> kept = TakeKept(path)) return std::move(*kept);
  return kestrova::ReadWholeFile(path);
}

std::string PosixFileSystem::ReadFirstBytes(const std::string& path, std::size_t count) {
  Lead lead = TakeLead();
  struct stat info {};
  FileStart start = ReadFirstBytesOrWhole(path, count, kKeptLimit, info,
                                          lead.path == path ? std::move(lead.opened) : UniqueFd());
  std::string first = start.bytes.substr(0, count);
  if (start.whole) {
    const std::lock_guard<std::mutex> lock(kept_mutex_);
    kept_ = KeptFile{path, std::move(start.bytes), info};
  }
  return first;
}

FileStart PosixFileSystem::ReadFileStart(const std::string& path,
                                         const std::function<bool(std::string_view)>& enough) {
  Lead lead = TakeLead();
  if (std::optional<std::string> kept = TakeKept(path)) return {std::move(*kept), true};
  return kestrova::ReadFileStart(path, enough,
                                 lead.path == path ? std::move(lead.opened) : UniqueFd());
}

std::unique_ptr<FileWriter> PosixFileSystem::CreateFileWriter(const std::string& path,
                                                              CommitDurability durability) {
  const std::optional<struct stat> replaced = TakeReplacedInfo(path);
  return std::make_unique<AtomicFileWriter>(path, durability, replaced ? &*replaced : nullptr);
}

std::unique_ptr<FileTransaction> PosixFileSystem::BeginTransaction() {
  return std::make_unique<PosixFileTransaction>(this);
}

std::optional<std::string> PosixFileSystem::ResolveInside(const std::string& folder,
                                                          const std::string& path) {
  // A file just found to be a regular one is about to be read: the check opens it for that read
  // on its way, and the read that follows uses the file checked.
  const Lead lead = TakeLead();
  Lead opened;
  // Most webs hold no links at all: their paths are checked name by name, not resolved.
  if (LiesPlainlyInside(folder, path,
                        lead.regular && lead.path == path ? &opened.opened : nullptr)) {
    if (opened.opened.valid()) {
      opened.path = path;
      LeaveLead(std::move(opened));
    }
    return path;
  }
  const std::optional<std::string> real_folder = RealPath(folder);
  const std::optional<std::string> real = RealLocation(path);
  if (!real_folder || !real) return std::nullopt;
  const std::string prefix = real_folder->back() == '/' ? *real_folder : *real_folder + "/";
  if (real->size() <= prefix.size() || real->compare(0, prefix.size(), prefix) != 0) {
    return std::nullopt;
  }
  struct stat info {};
  const bool is_link = ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
  return is_link ? *real : path;
}

}  // namespace kestrova
