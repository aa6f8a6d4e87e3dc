// A file system that does the real work through another one and records, in order, what it was
// asked to do: every writer made, every write, every commit (the moment the new name appears),
// every file staged in a transaction and every staged file a transaction put in place. Tests check
// the durability the design promises against that record.
#ifndef KESTROVA_TESTS_SUPPORT_RECORDING_FILE_SYSTEM_H_
#define KESTROVA_TESTS_SUPPORT_RECORDING_FILE_SYSTEM_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/file_system.h"

namespace kestrova::testing {

struct FileEvent {
  enum class Kind { kCreateWriter, kWrite, kCommit, kStage, kPutInPlace };
  Kind kind;
  std::string path;               // the file written
  CommitDurability durability{};  // the writer's, for a writer made by CreateFileWriter
  std::size_t bytes = 0;          // of a write
};

class RecordingFileSystem final : public FileSystem {
 public:
  explicit RecordingFileSystem(FileSystem& real) : real_(real) {}

  bool FileExists(const std::string& path) override { return real_.FileExists(path); }
  bool FolderExists(const std::string& path) override { return real_.FolderExists(path); }
  void CreateFolder(const std::string& path) override { real_.CreateFolder(path); }
  void RemoveEmptyFolder(const std::string& path) noexcept override {
    real_.RemoveEmptyFolder(path);
  }
  std::unique_ptr<TextReader> OpenTextFile(const std::string& path) override {
    return real_.OpenTextFile(path);
  }
  std::string ReadWholeFile(const std::string& path) override { return real_.ReadWholeFile(path); }
  using FileSystem::CreateFileWriter;
  std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path,
                                               CommitDurability durability) override {
    auto writer = std::make_unique<Writer>(real_.CreateFileWriter(path, durability), events,
                                           FileEvent{FileEvent::Kind::kWrite, path, durability});
    events.push_back({FileEvent::Kind::kCreateWriter, path, durability});
    return writer;
  }
  std::unique_ptr<FileTransaction> BeginTransaction() override {
    return std::make_unique<Transaction>(real_.BeginTransaction(), events);
  }
  std::optional<std::string> ResolveInside(const std::string& folder,
                                           const std::string& path) override {
    return real_.ResolveInside(folder, path);
  }

  // Everything done so far, oldest first; a write or commit that failed is not recorded.
  std::vector<FileEvent> events;

 private:
  class Writer final : public FileWriter {
   public:
    Writer(std::unique_ptr<FileWriter> real, std::vector<FileEvent>& events, FileEvent event)
        : real_(std::move(real)), events_(events), event_(std::move(event)) {}
    void Write(std::string_view bytes) override {
      Write(std::span<const std::string_view>(&bytes, 1));
    }
    void Write(std::span<const std::string_view> pieces) override {
      real_->Write(pieces);
      event_.bytes = 0;
      for (const std::string_view piece : pieces) event_.bytes += piece.size();
      events_.push_back(event_);
    }
    void Commit() override {
      real_->Commit();
      events_.push_back({FileEvent::Kind::kCommit, event_.path, event_.durability});
    }

   private:
    std::unique_ptr<FileWriter> real_;
    std::vector<FileEvent>& events_;
    FileEvent event_;  // the write this writer records next
  };

  // Records each file staged and, once the real transaction has put them in place, each of them
  // in the order staged.
  class Transaction final : public FileTransaction {
   public:
    Transaction(std::unique_ptr<FileTransaction> real, std::vector<FileEvent>& events)
        : real_(std::move(real)), events_(events) {}
    std::unique_ptr<FileWriter> Stage(const std::string& path) override {
      events_.push_back({FileEvent::Kind::kStage, path});
      staged_.push_back(path);
      return real_->Stage(path);
    }
    void Commit() override {
      real_->Commit();
      for (const std::string& path : staged_)
        events_.push_back({FileEvent::Kind::kPutInPlace, path});
      staged_.clear();
    }

   private:
    std::unique_ptr<FileTransaction> real_;
    std::vector<FileEvent>& events_;
    std::vector<std::string> staged_;
  };

  FileSystem& real_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_RECORDING_FILE_SYSTEM_H_
