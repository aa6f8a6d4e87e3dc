#include "platform/posix/posix_file_system.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/atomic_file_writer.h"
#include "platform/posix/posix_failure.h"
#include "platform/posix/read_whole_file.h"

namespace kestrova {
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
    RaiseFolderError(path, errno);
  }
}

std::unique_ptr<TextReader> PosixFileSystem::OpenTextFile(const std::string& path) {
  return std::make_unique<StringTextReader>(ReadWholeFile(path));
}

std::unique_ptr<FileWriter> PosixFileSystem::CreateFileWriter(const std::string& path) {
  return std::make_unique<AtomicFileWriter>(path);
}

}  // namespace kestrova
