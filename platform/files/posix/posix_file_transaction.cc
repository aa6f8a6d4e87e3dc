#include "platform/files/posix/posix_file_transaction.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/files/posix/atomic_file_writer.h"
#include "platform/files/posix/posix_file_system.h"
#include "platform/posix/posix_failure.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {

// Writes one staged file; its Commit seals it into the transaction.
class StagedFileWriter final : public FileWriter {
 public:
  StagedFileWriter(PosixFileTransaction& transaction, const std::string& path,
                   const struct stat* replaced)
      : transaction_(transaction), writer_(path, CommitDurability::kNotWaitedFor, replaced) {}

  using FileWriter::Write;
  void Write(std::string_view bytes) override { writer_.Write(bytes); }
  void Write(std::span<const std::string_view> pieces) override { writer_.Write(pieces); }
  void Commit() override {
    PosixFileTransaction::Sealed sealed;
    const bool keep = transaction_.kept_open_ < PosixFileTransaction::MaxKeptOpen();
    sealed.temporary_path = writer_.Seal(keep ? &sealed.fd : nullptr);
    sealed.path = writer_.path();
    if (keep) ++transaction_.kept_open_;
    transaction_.sealed_.push_back(std::move(sealed));
    transaction_.last_sealed_[writer_.path()] = transaction_.sealed_.size() - 1;
  }

 private:
  PosixFileTransaction& transaction_;
  AtomicFileWriter writer_;
};

namespace {

// The folder part of path, "." for a bare name.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// How many files are flushed at once.
constexpr std::size_t kFlushThreads = 8;

// fdatasync of fd; a file system that cannot flush (EINVAL) has nothing to flush.
int FlushBytes(int fd) {
  if (::fdatasync(fd) == 0 || errno == EINVAL) return 0;
  return errno;
}

// Flushes the bytes of the sealed file at temporary_path through fd, its descriptor kept open,
// and closes it; or with none, opens it again to flush it. Returns the system's error, 0 when
// none.
int FlushFile(const std::string& temporary_path, UniqueFd& fd) {
  if (!fd.valid()) fd.Reset(::open(temporary_path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return errno;
  const int error = FlushBytes(fd.get());
  // The close is checked too: on some file systems it is where a failed write shows.
  if (::close(fd.Release()) != 0 && error == 0) return errno;
  return error;
}

}  // namespace

std::size_t PosixFileTransaction::MaxKeptOpen() {
  static const std::size_t bound = [] {
    constexpr std::size_t kMost = 512;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kMost;
    return std::min<std::size_t>(kMost, static_cast<std::size_t>(limit.rlim_cur / 2));
  }();
  return bound;
}

PosixFileTransaction::~PosixFileTransaction() {
  for (std::size_t k = renamed_; k < sealed_.size(); ++k) {
    ::unlink(sealed_[k].temporary_path.c_str());
  }
}

std::unique_ptr<FileWriter> PosixFileTransaction::Stage(const std::string& path) {
  const std::optional<struct stat> replaced =
      files_ != nullptr ? files_->TakeReplacedInfo(path) : std::nullopt;
  return std::make_unique<StagedFileWriter>(*this, path, replaced ? &*replaced : nullptr);
}

std::optional<std::string> PosixFileTransaction::StagedLocation(const std::string& path) const {
  const auto found = last_sealed_.find(path);
  // A file already renamed is read at its own name.
  if (found == last_sealed_.end() || found->second < renamed_) return std::nullopt;
  return sealed_[found->second].temporary_path;
}

void PosixFileTransaction::Commit() {
  // The bytes of every file first: renamed before them, a power cut could leave a new name over
  // bytes that never reached the disk. The flushes run side by side on a few threads of their
  // own, so that the file system's journal commits them together instead of one after another;
  // nothing else happens on those threads.
  const std::size_t count = sealed_.size() - renamed_;
  const std::size_t threads = std::min<std::size_t>(kFlushThreads, count);
  std::vector<int> errors(count, 0);
  {
    std::vector<std::jthread> flushing;
    for (std::size_t t = 0; t < threads; ++t) {
      flushing.emplace_back([this, &errors, t, threads, count] {
        for (std::size_t k = t; k < count; k += threads) {
          Sealed& file = sealed_[renamed_ + k];
          errors[k] = FlushFile(file.temporary_path, file.fd);
        }
      });
    }
  }
  kept_open_ = 0;
  for (std::size_t k = 0; k < count; ++k) {
    if (errors[k] != 0) RaiseFileError("write", sealed_[renamed_ + k].path, errors[k]);
  }
  std::set<std::string> folders;
  for (; renamed_ < sealed_.size(); ++renamed_) {
    const Sealed& file = sealed_[renamed_];
    if (::rename(file.temporary_path.c_str(), file.path.c_str()) != 0) {
      RaiseFileError("replace", file.path, errno);
    }
    folders.insert(FolderOf(file.path));
  }
  // Then the names, one flush of each folder.
  for (const std::string& folder : folders) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) RaiseFolderError(folder, errno);
    if (::fsync(fd.get()) != 0 && errno != EINVAL) RaiseFolderError(folder, errno);
  }
  last_sealed_.clear();
}

}  // namespace kestrova
