// The file operations of the mend store and the mend phase on Windows, through the wide-character
// API: paths arrive as UTF-8 with Windows separators and reach the system as UTF-16.
#ifndef KESTROVA_PLATFORM_FILES_WIN32_WIN32_FILE_SYSTEM_H_
#define KESTROVA_PLATFORM_FILES_WIN32_WIN32_FILE_SYSTEM_H_

#include <memory>
#include <optional>
#include <string>

#include "platform/files/file_system.h"

namespace kestrova::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  // True only for an existing file (not a folder).
  bool FileExists(const std::string& path) override;
  // True only for an existing folder (not a file).
  bool FolderExists(const std::string& path) override;
  // Raises Failure 76 when the parent folder is missing, 75 for any other refusal (the folder or
  // a file of that name exists, access is denied), naming the folder and the system's reason.
  void CreateFolder(const std::string& path) override;
  void RemoveEmptyFolder(const std::string& path) noexcept override;
  // Reads the whole file at once; raises Failure 53 when it does not exist and 5 with the
  // system's reason when it cannot be read. Only a file on a disk is read: a folder ("Is a
  // directory"), a device or a pipe ("Not a regular file") is refused before any read.
  std::unique_ptr<TextReader> OpenTextFile(const std::string& path) override;
  // The same refusals; raises Failure 53 or 5 as OpenTextFile does.
  std::string ReadWholeFile(const std::string& path) override;
  // A Win32AtomicFileWriter: the bytes go to a hidden, temporary file beside path, which replaces
  // path on Commit. Raises Failure 53 or 5 with the system's reason when the folder cannot take
  // the file.
  using FileSystem::CreateFileWriter;
  // Every commit flushes its bytes and renames through to the disk, whatever durability asks.
  std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path,
                                               CommitDurability durability) override;
  // A Win32FileTransaction.
  std::unique_ptr<FileTransaction> BeginTransaction() override;
  // Follows symbolic links and junctions (reparse points) through GetFinalPathNameByHandleW where
  // the system has it; on XP, which has none to files, the full path as written.
  std::optional<std::string> ResolveInside(const std::string& folder,
                                           const std::string& path) override;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_FILES_WIN32_WIN32_FILE_SYSTEM_H_
