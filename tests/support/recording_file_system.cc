#include "tests/support/recording_file_system.h"

#include <utility>

namespace kestrova::testing {
namespace {

class RecordingWriter final : public FileWriter {
 public:
  RecordingWriter(std::unique_ptr<FileWriter> real, std::vector<FileEvent>& events,
                  std::string path, CommitDurability durability)
      : real_(std::move(real)), events_(events), path_(std::move(path)), durability_(durability) {}

  void Write(std::string_view bytes) override {
    real_->Write(bytes);
    Record(FileEvent::Kind::kWrite, bytes.size());
  }
  void Write(std::span<const std::string_view> pieces) override {
    real_->Write(pieces);
    std::size_t bytes = 0;
    for (const std::string_view piece : pieces) bytes += piece.size();
    Record(FileEvent::Kind::kWrite, bytes);
  }
  void Commit() override {
    real_->Commit();
    Record(FileEvent::Kind::kCommit, 0);
  }

 private:
  void Record(FileEvent::Kind kind, std::size_t bytes) {
    events_.push_back({kind, path_, durability_, bytes});
  }

  std::unique_ptr<FileWriter> real_;
  std::vector<FileEvent>& events_;
  std::string path_;
  CommitDurability durability_;
};

}  // namespace

std::unique_ptr<FileWriter> RecordingFileSystem::CreateFileWriter(const std::string& path,
                                                                  CommitDurability durability) {
  auto writer = std::make_unique<RecordingWriter>(real_.CreateFileWriter(path, durability), events,
                                                  path, durability);
  events.push_back({FileEvent::Kind::kCreateWriter, path, durability});
  return writer;
}

void RecordingFileSystem::FlushFolder(const std::string& path) {
  real_.FlushFolder(path);
  events.push_back({FileEvent::Kind::kFlushFolder, path});
}

}  // namespace kestrova::testing
