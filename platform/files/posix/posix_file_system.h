// The file operations of the mend store and the mend phase on a POSIX file system.
#ifndef KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_SYSTEM_H_
#define KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_SYSTEM_H_

#include "platform/files/file_system.h"
#include "platform/files/string_text_reader.h"

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
  // In pieces where the file is large (see read_whole_file.h).
  std::string ReadFirstBytes(const std::string& path, std::size_t count) override;
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
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_POSIX_POSIX_FILE_SYSTEM_H_
