#include "platform/files/win32/win32_file_transaction.h"

#include <utility>

#include "platform/files/win32/system_path.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {
namespace {

// Writes one staged file; its Commit seals it into the transaction.
class StagedFileWriter final : public FileWriter {
 public:
  StagedFileWriter(Win32FileTransaction& transaction, const std::string& path)
      : transaction_(transaction), writer_(path) {}

  using FileWriter::Write;
  void Write(std::string_view bytes) override { writer_.Write(bytes); }
  void Commit() override { transaction_.Add(writer_.Seal()); }

 private:
  Win32FileTransaction& transaction_;
  Win32AtomicFileWriter writer_;
};

}  // namespace

Win32FileTransaction::~Win32FileTransaction() {
  for (std::size_t k = moved_; k < sealed_.size(); ++k) {
    DeleteFileW(SystemPath(sealed_[k].temporary_path).c_str());
  }
}

std::unique_ptr<FileWriter> Win32FileTransaction::Stage(const std::string& path) {
  return std::make_unique<StagedFileWriter>(*this, path);
}

void Win32FileTransaction::Add(Win32AtomicFileWriter::Sealed sealed) {
  sealed_.push_back(std::move(sealed));
  last_sealed_[sealed_.back().utf8_path] = sealed_.size() - 1;
}

std::optional<std::string> Win32FileTransaction::StagedLocation(const std::string& path) const {
  const auto found = last_sealed_.find(path);
  // A file already moved is read at its own name.
  if (found == last_sealed_.end() || found->second < moved_) return std::nullopt;
  return Utf8FromWide(sealed_[found->second].temporary_path);
}

void Win32FileTransaction::Commit() {
  // Every file's bytes were flushed when it was sealed; each move is written through, so the
  // names land in the order they were staged.
  for (; moved_ < sealed_.size(); ++moved_) {
    const Win32AtomicFileWriter::Sealed& file = sealed_[moved_];
    if (!SetFileAttributesW(SystemPath(file.temporary_path).c_str(), file.attributes)) {
      RaiseFileError("write", file.utf8_path, GetLastError());
    }
    if (!MoveFileExW(SystemPath(file.temporary_path).c_str(), SystemPath(file.path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      RaiseFileError("replace", file.utf8_path, GetLastError());
    }
  }
  last_sealed_.clear();
}

}  // namespace kestrova::win32
