#include "platform/files/staging_file_system.h"

#include <algorithm>
#include <utility>

namespace kestrova {
namespace {

// A transaction within the staging: its files are staged in the outer transaction, and its
// Commit leaves them there.
class NestedTransaction final : public FileTransaction {
 public:
  explicit NestedTransaction(StagingFileSystem& outer) : outer_(outer) {}
  std::unique_ptr<FileWriter> Stage(const std::string& path) override { return outer_.Stage(path); }
  void Commit() override {}
  std::optional<std::string> StagedLocation(const std::string& path) const override {
    return outer_.StagedLocation(path);
  }

 private:
  StagingFileSystem& outer_;
};

}  // namespace

StagingFileSystem::StagingFileSystem(FileSystem& base, Folders folders)
    : base_(base), folders_(folders), staged_(base.BeginTransaction()) {}

StagingFileSystem::~StagingFileSystem() {
  staged_.reset();
  if (folders_ == Folders::kHeldBack) return;
  for (auto it = created_folders_.rbegin(); it != created_folders_.rend(); ++it) {
    base_.RemoveEmptyFolder(*it);
  }
}

void StagingFileSystem::CreateFolder(const std::string& path) {
  if (folders_ == Folders::kMade) base_.CreateFolder(path);
  created_folders_.push_back(path);
}

bool StagingFileSystem::FolderExists(const std::string& path) {
  if (folders_ == Folders::kHeldBack &&
      std::find(created_folders_.begin(), created_folders_.end(), path) != created_folders_.end()) {
    return true;
  }
  return base_.FolderExists(path);
}

std::string_view StagingFileSystem::HeldBackFolderOf(std::string_view path) const {
  if (folders_ != Folders::kHeldBack) return {};
  // The outermost: its files and those of the folders held back inside it are staged beside it.
  for (const std::string& folder : created_folders_) {
    if (path.size() > folder.size() + 1 && path.starts_with(folder) &&
        (path[folder.size()] == '/' || path[folder.size()] == '\\')) {
      return folder;
    }
  }
  return {};
}

std::string StagingFileSystem::StagingPath(const std::string& path) const {
  const std::string_view folder = HeldBackFolderOf(path);
  if (folder.empty()) return path;
  std::string staged(folder);
  for (std::size_t k = folder.size(); k < path.size(); ++k) {
    if (path[k] == '/' || path[k] == '\\') {
      staged += "--";
    } else {
      staged += path[k];
    }
  }
  return staged;
}

std::unique_ptr<FileWriter> StagingFileSystem::Stage(const std::string& path) {
  return staged_->Stage(StagingPath(path));
}

std::optional<std::string> StagingFileSystem::StagedLocation(const std::string& path) const {
  return staged_->StagedLocation(StagingPath(path));
}

std::optional<std::string> StagingFileSystem::ResolveInside(const std::string& folder,
                                                            const std::string& path) {
  const std::string_view held_back = HeldBackFolderOf(path);
  if (!held_back.empty() && path.find("..") == std::string::npos &&
      (folder == held_back || HeldBackFolderOf(folder) == held_back ||
       held_back.starts_with(folder))) {
    return path;
  }
  return base_.ResolveInside(folder, path);
}

std::string StagingFileSystem::ReadLocation(const std::string& path) const {
  return StagedLocation(path).value_or(path);
}

bool StagingFileSystem::FileExists(const std::string& path) {
  return StagedLocation(path).has_value() || base_.FileExists(path);
}

std::unique_ptr<TextReader> StagingFileSystem::OpenTextFile(const std::string& path) {
  return base_.OpenTextFile(ReadLocation(path));
}

std::string StagingFileSystem::ReadWholeFile(const std::string& path) {
  return base_.ReadWholeFile(ReadLocation(path));
}

std::string StagingFileSystem::ReadFirstBytes(const std::string& path, std::size_t count) {
  return base_.ReadFirstBytes(ReadLocation(path), count);
}

FileStart StagingFileSystem::ReadFileStart(const std::string& path,
                                           const std::function<bool(std::string_view)>& enough) {
  return base_.ReadFileStart(ReadLocation(path), enough);
}

std::unique_ptr<FileWriter> StagingFileSystem::CreateFileWriter(const std::string& path,
                                                                CommitDurability /*durability*/) {
  return Stage(path);
}

std::unique_ptr<FileTransaction> StagingFileSystem::BeginTransaction() {
  return std::make_unique<NestedTransaction>(*this);
}

}  // namespace kestrova
