#include "platform/staging_file_system.h"

#include <utility>

namespace kestrova {
namespace {

// A transaction within the staging: its files are staged in the outer transaction, and its
// Commit leaves them there.
class NestedTransaction final : public FileTransaction {
 public:
  explicit NestedTransaction(FileTransaction& outer) : outer_(outer) {}
  std::unique_ptr<FileWriter> Stage(const std::string& path) override { return outer_.Stage(path); }
  void Commit() override {}
  std::optional<std::string> StagedLocation(const std::string& path) const override {
    return outer_.StagedLocation(path);
  }

 private:
  FileTransaction& outer_;
};

}  // namespace

StagingFileSystem::StagingFileSystem(FileSystem& base)
    : base_(base), staged_(base.BeginTransaction()) {}

StagingFileSystem::~StagingFileSystem() {
  staged_.reset();
  for (auto it = created_folders_.rbegin(); it != created_folders_.rend(); ++it) {
    base_.RemoveEmptyFolder(*it);
  }
}

void StagingFileSystem::CreateFolder(const std::string& path) {
  base_.CreateFolder(path);
  created_folders_.push_back(path);
}

std::string StagingFileSystem::ReadLocation(const std::string& path) const {
  return staged_->StagedLocation(path).value_or(path);
}

bool StagingFileSystem::FileExists(const std::string& path) {
  return staged_->StagedLocation(path).has_value() || base_.FileExists(path);
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
  return staged_->Stage(path);
}

std::unique_ptr<FileTransaction> StagingFileSystem::BeginTransaction() {
  return std::make_unique<NestedTransaction>(*staged_);
}

}  // namespace kestrova
