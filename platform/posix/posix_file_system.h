// The file operations of the mend store and the mend phase on a POSIX file system.
#ifndef KESTROVA_PLATFORM_POSIX_POSIX_FILE_SYSTEM_H_
#define KESTROVA_PLATFORM_POSIX_POSIX_FILE_SYSTEM_H_

#include "platform/file_system.h"

namespace kestrova {

class PosixFileSystem final : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  void CreateFolder(const std::string& path) override;
  std::unique_ptr<TextReader> OpenTextFile(const std::string& path) override;
  std::unique_ptr<FileWriter> CreateFile(const std::string& path) override;
};

// Reads lines from text held in memory; a line ends before its CR LF or LF.
class StringTextReader final : public TextReader {
 public:
  explicit StringTextReader(std::string text) : text_(std::move(text)) {}
  bool AtEndOfStream() const override { return position_ >= text_.size(); }
  std::string ReadLine() override;

 private:
  std::string text_;
  std::size_t position_ = 0;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_POSIX_FILE_SYSTEM_H_
