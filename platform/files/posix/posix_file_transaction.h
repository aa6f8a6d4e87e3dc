// A set of files that replace theirs together on a POSIX file system: each is written by an
// AtomicFileWriter and sealed under its temporary name, its write-back started; Commit flushes the
// bytes of every one (fdatasync, a few at once), renames them in the order they were staged, then
// flushes each folder once: the disk is waited for only for these files, never for everything
// else the machine is writing.
#ifndef KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_TRANSACTION_H_
#define KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_TRANSACTION_H_

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files/file_system.h"

namespace kestrova {

class PosixFileTransaction final : public FileTransaction {
 public:
  PosixFileTransaction() = default;
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
  };

  std::vector<Sealed> sealed_;
  std::size_t renamed_ = 0;  // of sealed_, in order
  // The last of sealed_ staged for each path, so that a read of a staged file costs the same
  // however many files the transaction holds.
  std::unordered_map<std::string, std::size_t> last_sealed_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_TRANSACTION_H_
