// A file system whose writes are held back: every file written through it is staged in one
// transaction of the file system beneath, and reads of a staged file see its staged bytes. Commit
// puts every staged file in place together; dropped before that, it leaves every file as it was
// and no temporary file behind. This is how a set of writes that must land together (the pages
// of a mend phase) or not at all (everything a dry run writes) is made of writers that each
// believe they replace their file at once.
#ifndef KESTROVA_PLATFORM_FILES_STAGING_FILE_SYSTEM_H_
#define KESTROVA_PLATFORM_FILES_STAGING_FILE_SYSTEM_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/file_system.h"

namespace kestrova {

class StagingFileSystem final : public FileSystem {
 public:
  // What CreateFolder does: make the folder at once (and remove it again with the staging when
  // nothing was put in it), or hold it back as the files are, for a staging that is never
  // committed (a dry run), which then leaves no folder behind even when it is killed. The files
  // of a folder held back are staged in the nearest folder that exists, under hidden names.
  enum class Folders { kMade, kHeldBack };

  // Stages into a transaction of base, which must outlive this object.
  explicit StagingFileSystem(FileSystem& base, Folders folders = Folders::kMade);
  // Removes every staged file not put in place, then the folders made here that stayed empty.
  ~StagingFileSystem() override;
  StagingFileSystem(const StagingFileSystem&) = delete;
  StagingFileSystem& operator=(const StagingFileSystem&) = delete;

  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
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
  // A file of a folder held back lies inside it, and is no link: it is path itself.
  std::optional<std::string> ResolveInside(const std::string& folder,
                                           const std::string& path) override;

  // Puts every staged file in place (see FileTransaction::Commit).
  void Commit() { staged_->Commit(); }

  // Stages the file that replaces path, and where the staged bytes of path can be read: the
  // transaction's own, but for files of a folder held back (see StagingPath).
  std::unique_ptr<FileWriter> Stage(const std::string& path);
  std::optional<std::string> StagedLocation(const std::string& path) const;

 private:
  // Where the bytes of path are read: its staged file when it has one.
  std::string ReadLocation(const std::string& path) const;
  // The folder held back that path lies in; empty when none.
  std::string_view HeldBackFolderOf(std::string_view path) const;
  // The path a file is staged as: path itself, or for a file of a folder held back, a name in the
  // folder that holds that folder, the rest of the path joined with "--" as entries name folders.
  std::string StagingPath(const std::string& path) const;

  FileSystem& base_;
  const Folders folders_;
  std::unique_ptr<FileTransaction> staged_;
  std::vector<std::string> created_folders_;  // in the order made or held back
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_STAGING_FILE_SYSTEM_H_
