// A set of files that replace theirs together on Windows: each is written by a
// Win32AtomicFileWriter and sealed, its bytes flushed, under its hidden temporary name; Commit
// gives each the attributes of the file it replaces and moves it over that file, written through,
// in the order they were staged.
#ifndef KESTROVA_PLATFORM_FILES_WIN32_WIN32_FILE_TRANSACTION_H_
#define KESTROVA_PLATFORM_FILES_WIN32_WIN32_FILE_TRANSACTION_H_

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files/file_system.h"
#include "platform/files/win32/win32_atomic_file_writer.h"

namespace kestrova::win32 {

class Win32FileTransaction final : public FileTransaction {
 public:
  Win32FileTransaction() = default;
  Win32FileTransaction(const Win32FileTransaction&) = delete;
  Win32FileTransaction& operator=(const Win32FileTransaction&) = delete;
  // Removes the temporary files of every staged file not put in place.
  ~Win32FileTransaction() override;

  std::unique_ptr<FileWriter> Stage(const std::string& path) override;
  void Commit() override;
  std::optional<std::string> StagedLocation(const std::string& path) const override;

  // Takes a sealed file into the transaction.
  void Add(Win32AtomicFileWriter::Sealed sealed);

 private:
  std::vector<Win32AtomicFileWriter::Sealed> sealed_;
  std::size_t moved_ = 0;  // of sealed_, in order
  // The last of sealed_ staged for each path (UTF-8), so that a read of a staged file costs the
  // same however many files the transaction holds.
  std::unordered_map<std::string, std::size_t> last_sealed_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_FILES_WIN32_WIN32_FILE_TRANSACTION_H_
