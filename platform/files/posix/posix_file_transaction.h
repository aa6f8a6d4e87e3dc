// A set of files that replace theirs together on a POSIX file system: each is written by an
// AtomicFileWriter and sealed under its temporary name, its write-back started, and kept open up
// to a bound (MaxKeptOpen); Commit flushes the bytes of every one (fdatasync, a few at once,
// through the descriptor kept, or for files sealed beyond the bound, one opened again), renames
// them in the order they were staged, then flushes each folder once: the disk is waited for only
// for these files, never for everything else the machine is writing.
#ifndef KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_TRANSACTION_H_
#define KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_TRANSACTION_H_

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files/file_system.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {

class PosixFileSystem;

class PosixFileTransaction final : public FileTransaction {
 public:
  // files, when given, tells what it learnt of a file just read that a staged file replaces; it
  // must outlive the transaction.
  explicit PosixFileTransaction(PosixFileSystem* files = nullptr) : files_(files) {}
  PosixFileTransaction(const PosixFileTransaction&) = delete;
  PosixFileTransaction& operator=(const PosixFileTransaction&) = delete;
  // Removes the temporary files of every staged file not put in place.
  ~PosixFileTransaction() override;

  std::unique_ptr<FileWriter> Stage(const std::string& path) override;
  void Commit() override;
  std::optional<std::string> StagedLocation(const std::string& path) const override;

 private:
  friend class StagedFileWriter;

  struct Sealed {
    std::string temporary_path;
    std::string path;
    UniqueFd fd;  // the temporary file, open until it is flushed; closed beyond the bound
  };

  // The most sealed files kept open until Commit: half the process's soft limit of open files,
  // and no more than 512, so that a large transaction leaves descriptors for everything else;
  // files sealed beyond it are closed, and opened again to be flushed.
  static std::size_t MaxKeptOpen();

  PosixFileSystem* files_;
  std::vector<Sealed> sealed_;
  std::size_t kept_open_ = 0;  // of sealed_, those whose fd is still open
  std::size_t renamed_ = 0;    // of sealed_, in order
  // The last of sealed_ staged for each path, so that a read of a staged file costs the same
  // however many files the transaction holds.
  std::unordered_map<std::string, std::size_t> last_sealed_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_TRANSACTION_H_
