#include "platform/files/posix/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "platform/files/posix/atomic_file_writer.h"
#include "platform/files/posix/posix_file_transaction.h"
#include "platform/files/posix/read_whole_file.h"
#include "platform/posix/posix_failure.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {
namespace {

struct FreeDeleter {
  void operator()(char* text) const { std::free(text); }
};

// The path with every link and every "." and ".." resolved; nothing when a part is missing or a
// link leads nowhere.
std::optional<std::string> RealPath(const std::string& path) {
  const std::unique_ptr<char, FreeDeleter> real(::realpath(path.c_str(), nullptr));
  if (!real) return std::nullopt;
  return std::string(real.get());
}

// Where the file at path lies: its real path, or for a name that is not there at all (not even
// as a link), the real path of its folder followed by the name.
std::optional<std::string> RealLocation(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) return RealPath(path);
  if (errno != ENOENT) return std::nullopt;
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const std::optional<std::string> folder = RealPath(slash == std::string::npos ? "."
                                                     : slash == 0               ? "/"
                                                                  : path.substr(0, slash));
  if (!folder) return std::nullopt;
  return (folder->back() == '/' ? *folder : *folder + "/") + name;
}

// True when path is folder, a slash and names below it none of which is ".", ".." or a link, so
// that the file lies inside folder whatever folder itself leads to: one lstat per name instead of
// resolving both paths from the root. The last name may be missing (a file about to be made), once
// its folder is known to be one. False when any of that is not so, or not known.
bool LiesPlainlyInside(const std::string& folder, const std::string& path) {
  std::size_t prefix = folder.size();
  while (prefix > 1 && folder[prefix - 1] == '/') --prefix;
  if (prefix <= 1 || path.size() <= prefix + 1 || path.compare(0, prefix, folder, 0, prefix) != 0 ||
      path[prefix] != '/') {
    return false;
  }
  std::string partial = path;  // cut short at each slash in turn
  for (std::size_t start = prefix + 1;;) {
    const std::size_t end = path.find('/', start);
    const bool last = end == std::string::npos;
    const std::string_view name(path.data() + start, (last ? path.size() : end) - start);
    if (name.empty() || name == "." || name == "..") return false;
    if (!last) partial[end] = '\0';
    struct stat info {};
    const bool found = ::lstat(partial.c_str(), &info) == 0;
    if (!last) partial[end] = '/';
    if (!found) {
      if (!last || errno != ENOENT) return false;
      if (start > prefix + 1) return true;  // its folder was found above, and is no link
      struct stat parent {};
      return ::stat(folder.c_str(), &parent) == 0 && S_ISDIR(parent.st_mode);
    }
    if (S_ISLNK(info.st_mode)) return false;
    if (last) return true;
    if (!S_ISDIR(info.st_mode)) return false;
    start = end + 1;
  }
}

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
    RaiseFolderError(path, errno);
  }
}

void PosixFileSystem::RemoveEmptyFolder(const std::string& path) noexcept { ::rmdir(path.c_str()); }

std::unique_ptr<TextReader> PosixFileSystem::OpenTextFile(const std::string& path) {
  return std::make_unique<StringTextReader>(kestrova::ReadWholeFile(path));
}

std::string PosixFileSystem::ReadWholeFile(const std::string& path) {
  return kestrova::ReadWholeFile(path);
}

std::string PosixFileSystem::ReadFirstBytes(const std::string& path, std::size_t count) {
  return kestrova::ReadFirstBytes(path, count);
}

FileStart PosixFileSystem::ReadFileStart(const std::string& path,
                                         const std::function<bool(std::string_view)>& enough) {
  return kestrova::ReadFileStart(path, enough);
}

std::unique_ptr<FileWriter> PosixFileSystem::CreateFileWriter(const std::string& path,
                                                              CommitDurability durability) {
  return std::make_unique<AtomicFileWriter>(path, durability);
}

std::unique_ptr<FileTransaction> PosixFileSystem::BeginTransaction() {
  return std::make_unique<PosixFileTransaction>();
}

std::optional<std::string> PosixFileSystem::ResolveInside(const std::string& folder,
                                                          const std::string& path) {
  // Most webs hold no links at all: their paths are checked name by name, not resolved.
  if (LiesPlainlyInside(folder, path)) return path;
  const std::optional<std::string> real_folder = RealPath(folder);
  const std::optional<std::string> real = RealLocation(path);
  if (!real_folder || !real) return std::nullopt;
  const std::string prefix = real_folder->back() == '/' ? *real_folder : *real_folder + "/";
  if (real->size() <= prefix.size() || real->compare(0, prefix.size(), prefix) != 0) {
    return std::nullopt;
  }
  struct stat info {};
  const bool is_link = ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
  return is_link ? *real : path;
}

}  // namespace kestrova
