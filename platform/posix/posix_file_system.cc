#include "platform/posix/posix_file_system.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "mending/failure.h"
#include "platform/posix/atomic_file_writer.h"
#include "platform/posix/read_whole_file.h"

namespace kestrova {
namespace {

class AtomicFileWriterAdapter final : public FileWriter {
 public:
  explicit AtomicFileWriterAdapter(const std::string& path) : writer_(path) {}
  void Write(std::string_view bytes) override { writer_.Write(bytes); }
  void Commit() override { writer_.Commit(); }

 private:
  AtomicFileWriter writer_;
};

}  // namespace

bool PosixFileSystem::FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PosixFileSystem::FolderExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void PosixFileSystem::CreateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) != 0) {
    const int error = errno;
    throw Failure(error == ENOENT ? kErrPathNotFound : kErrPathFileAccess,
                  std::string(kProgramSource),
                  "Cannot create the folder \"" + path + "\": " + std::strerror(error) + ".");
  }
}

std::unique_ptr<TextReader> PosixFileSystem::OpenTextFile(const std::string& path) {
  return std::make_unique<StringTextReader>(ReadWholeFile(path));
}

std::unique_ptr<FileWriter> PosixFileSystem::CreateFileWriter(const std::string& path) {
  return std::make_unique<AtomicFileWriterAdapter>(path);
}

}  // namespace kestrova
