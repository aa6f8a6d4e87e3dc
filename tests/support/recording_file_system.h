// A file system that does the real work through another one and records, in order, what it was
// asked to do: every writer made, every write, every commit (the moment the new name appears)
// and every folder flush. Tests check the durability the design promises against that record.
#ifndef KESTROVA_TESTS_SUPPORT_RECORDING_FILE_SYSTEM_H_
#define KESTROVA_TESTS_SUPPORT_RECORDING_FILE_SYSTEM_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace kestrova::testing {

struct FileEvent {
  enum class Kind { kCreateWriter, kWrite, kCommit, kFlushFolder };
  Kind kind;
  std::string path;               // the file written, or the folder flushed
  CommitDurability durability{};  // the writer's, for every kind but kFlushFolder
  std::size_t bytes = 0;          // of a write
};

class RecordingFileSystem final : public FileSystem {
 public:
  explicit RecordingFileSystem(FileSystem& real) : real_(real) {}

  bool FileExists(const std::string& path) override { return real_.FileExists(path); }
  bool FolderExists(const std::string& path) override { return real_.FolderExists(path); }
  void CreateFolder(const std::string& path) override { real_.CreateFolder(path); }
  std::unique_ptr<TextReader> OpenTextFile(const std::string& path) override {
    return real_.OpenTextFile(path);
  }
  std::string ReadWholeFile(const std::string& path) override { return real_.ReadWholeFile(path); }
  using FileSystem::CreateFileWriter;
  std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path,
                                               CommitDurability durability) override;
  void FlushFolder(const std::string& path) override;
  std::optional<std::string> ResolveInside(const std::string& folder,
                                           const std::string& path) override {
    return real_.ResolveInside(folder, path);
  }

  // Everything done so far, oldest first; a write, commit or flush that failed is not recorded.
  std::vector<FileEvent> events;

 private:
  FileSystem& real_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_RECORDING_FILE_SYSTEM_H_
