// The file operations of the mend store and the mend phase on a POSIX file system.
#ifndef KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_SYSTEM_H_
#define KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_SYSTEM_H_

#include <sys/stat.h>

#include <mutex>
#include <optional>
#include <string>

#include "platform/files/file_system.h"
#include "platform/files/string_text_reader.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {

class PosixFileSystem final : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  void CreateFolder(const std::string& path) override;
  void RemoveEmptyFolder(const std::string& path) noexcept override;
  std::unique_ptr<TextReader> OpenTextFile(const std::string& path) override;
  // In one read where the file allows it (see read_whole_file.h).
  std::string ReadWholeFile(const std::string& path) override;
  // A file of at most kKeptLimit bytes is read whole, and the bytes are kept for the next read of
  // the same path: the mend phase reads the start of a page to tell that it is text, and then the
  // page window reads it whole, which then costs one stat instead of a second read.
  std::string ReadFirstBytes(const std::string& path, std::size_t count) override;
  // In pieces where the file is large (see read_whole_file.h).
  FileStart ReadFileStart(const std::string& path,
                          const std::function<bool(std::string_view)>& enough) override;
  // An AtomicFileWriter, which flushes the file's bytes on Commit as durability asks.
  using FileSystem::CreateFileWriter;
  std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path,
                                               CommitDurability durability) override;
  // A PosixFileTransaction.
  std::unique_ptr<FileTransaction> BeginTransaction() override;
  std::optional<std::string> ResolveInside(const std::string& folder,
                                           const std::string& path) override;

  // The largest file ReadFirstBytes reads whole and keeps: a page that size is read whole when it
  // is mended anyway, and no more than that is held in memory.
  static constexpr std::size_t kKeptLimit = std::size_t{4} << 20;

  // What a stat of path told when the call just before this one read path's kept bytes (and
  // found path unchanged since they were read); nothing otherwise. A writer that replaces path
  // takes it for the owner and permissions it copies, instead of asking again.
  std::optional<struct stat> TakeReplacedInfo(const std::string& path);

 private:
  // What one call learnt of a file, for the very next call if that is about the same file; every
  // call takes it, so that it never outlives the call after the one that left it. The mend phase
  // asks about each page in turn whether it exists, where it leads and what it starts with, and
  // then replaces it: each step can spare a system call of the next.
  struct Lead {
    std::string path;
    bool regular = false;             // FileExists found a regular file at path
    UniqueFd opened;                  // ResolveInside opened path for reading on its way
    std::optional<struct stat> info;  // TakeKept's stat of path
  };
  Lead TakeLead();
  void LeaveLead(Lead lead);

  // The bytes ReadFirstBytes kept, and what fstat told of the file they were read from.
  struct KeptFile {
    std::string path;
    std::string bytes;
    struct stat info;
  };
  // The kept bytes of path, taken out, when path still names the same file unchanged since they
  // were read (device, inode, size, change and modification times); nothing otherwise.
  std::optional<std::string> TakeKept(const std::string& path);

  std::mutex kept_mutex_;  // for kept_ and lead_
  std::optional<KeptFile> kept_;
  Lead lead_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_SYSTEM_H_
