// A file system whose writes are held back: every file written through it is staged in one
// transaction of the file system beneath, and reads of a staged file see its staged bytes. Commit
// puts every staged file in place together; dropped before that, it leaves every file as it was
// and no temporary file behind. This is how a set of writes that must land together (the pages
// of a mend phase) or not at all (everything a dry run writes) is made of writers that each
// believe they replace their file at once.
#ifndef KESTROVA_PLATFORM_STAGING_FILE_SYSTEM_H_
#define KESTROVA_PLATFORM_STAGING_FILE_SYSTEM_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace kestrova {

class StagingFileSystem final : public FileSystem {
 public:
  // Stages into a transaction of base, which must outlive this object.
  explicit StagingFileSystem(FileSystem& base);
  // Removes every staged file not put in place, then the folders made here that stayed empty.
  ~StagingFileSystem() override;
  StagingFileSystem(const StagingFileSystem&) = delete;
  StagingFileSystem& operator=(const StagingFileSystem&) = delete;

  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override { return base_.FolderExists(path); }
  // A folder made here is removed again with the staging when nothing was put in it.
  void CreateFolder(const std::string& path) override;
  void RemoveEmptyFolder(const std::string& path) noexcept override {
    base_.RemoveEmptyFolder(path);
  }
  std::unique_ptr<TextReader> OpenTextFile(const std::string& path) override;
  std::string ReadWholeFile(const std::string& path) override;
  FileStart ReadFileStart(const std::string& path,
                          const std::function<bool(std::string_view)>& enough) override;
  std::string ReadFirstBytes(const std::string& path, std::size_t count) override;
  // A writer whose Commit stages the file: it reaches its place only when this object commits.
  // durability is that of the transaction's Commit, which puts the bytes before the names.
  using FileSystem::CreateFileWriter;
  std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path,
                                               CommitDurability durability) override;
  // A transaction whose files join this one's: its Commit makes them readable here, and they
  // reach their places only when this object commits.
  std::unique_ptr<FileTransaction> BeginTransaction() override;
  std::optional<std::string> ResolveInside(const std::string& folder,
                                           const std::string& path) override {
    return base_.ResolveInside(folder, path);
  }

  // Puts every staged file in place (see FileTransaction::Commit).
  void Commit() { staged_->Commit(); }

 private:
  // Where the bytes of path are read: its staged file when it has one.
  std::string ReadLocation(const std::string& path) const;

  FileSystem& base_;
  std::unique_ptr<FileTransaction> staged_;
  std::vector<std::string> created_folders_;  // in the order made
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_STAGING_FILE_SYSTEM_H_
