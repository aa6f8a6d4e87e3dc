#include "platform/files/posix/read_whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>

#include "base/file_failure.h"
#include "platform/posix/posix_failure.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {

namespace {

// Opens the file at path for reading (or takes opened, open already), with what fstat tells of
// it; raises as ReadWholeFile does.
UniqueFd OpenRegularFile(const std::string& path, struct stat& info, UniqueFd opened = UniqueFd()) {
  // O_NONBLOCK: opening a FIFO waits for a writer otherwise; a regular file reads as usual.
  UniqueFd file = opened.valid()
                      ? std::move(opened)
                      : UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) RaiseFileError("read", path, errno);
  if (::fstat(file.get(), &info) != 0) RaiseFileError("read", path, errno);
  if (S_ISDIR(info.st_mode)) RaiseFileError("read", path, EISDIR);
  // A FIFO, a device or a socket could block or never end: only regular files are read.
  if (!S_ISREG(info.st_mode)) RaiseFileError("read", path, false, "Not a regular file");
  return file;
}

// Reads the rest of the open file into bytes.
void ReadRest(int fd, const std::string& path, const struct stat& info, std::string& bytes) {
  // The bytes are read straight into the string, sized one past the length the file has now:
  // a regular file's read comes back short only at its end, so one read is usually all, and a
  // file that grew meanwhile fills the spare byte and is read on.
  std::size_t length = bytes.size();
  const std::size_t told = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
  bytes.resize(std::max(length, told) + 1);
  while (true) {
    if (length == bytes.size()) bytes.resize(std::max<std::size_t>(bytes.size() * 2, 1 << 16));
    // Linux hands out at most about 2 GB per read: asked for no more than 1 GB, a short read
    // still means the end.
    const std::size_t wanted = std::min<std::size_t>(bytes.size() - length, std::size_t{1} << 30);
    const ssize_t got = ::read(fd, bytes.data() + length, wanted);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("read", path, errno);
    }
    length += static_cast<std::size_t>(got);
    // A file that tells no length (as those of /proc) may come in short pieces: read to the end.
    if (got == 0 || (info.st_size > 0 && static_cast<std::size_t>(got) < wanted)) break;
  }
  bytes.resize(length);
}

// Appends up to size bytes of the open file to bytes; false when the file ended first.
bool ReadPiece(int fd, const std::string& path, std::size_t size, std::string& bytes) {
  std::size_t length = bytes.size();
  const std::size_t end = length + size;
  bytes.resize(end);
  while (length < end) {
    const ssize_t got = ::read(fd, bytes.data() + length, end - length);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("read", path, errno);
    }
    if (got == 0) break;
    length += static_cast<std::size_t>(got);
  }
  bytes.resize(length);
  return length == end;
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  struct stat info {};
  const UniqueFd file = OpenRegularFile(path, info);
  std::string bytes;
  ReadRest(file.get(), path, info, bytes);
  return bytes;
}

std::string ReadFirstBytes(const std::string& path, std::size_t count) {
  struct stat info {};
  const UniqueFd file = OpenRegularFile(path, info);
  std::string bytes;
  ReadPiece(file.get(), path, count, bytes);
  return bytes;
}

FileStart ReadFirstBytesOrWhole(const std::string& path, std::size_t count, std::size_t whole_limit,
                                struct stat& info, UniqueFd opened) {
  const UniqueFd file = OpenRegularFile(path, info, std::move(opened));
  FileStart start;
  if (info.st_size >= 0 && static_cast<std::size_t>(info.st_size) <= whole_limit) {
    ReadRest(file.get(), path, info, start.bytes);
  } else {
    start.whole = !ReadPiece(file.get(), path, count, start.bytes);
  }
  return start;
}

FileStart ReadFileStart(const std::string& path,
                        const std::function<bool(std::string_view)>& enough, UniqueFd opened) {
  // A first piece that holds most pages whole; each later piece doubles what was read.
  constexpr std::size_t kFirstPiece = std::size_t{256} << 10;
  struct stat info {};
  const UniqueFd file = OpenRegularFile(path, info, std::move(opened));
  FileStart start;
  if (info.st_size <= static_cast<off_t>(kFirstPiece)) {
    ReadRest(file.get(), path, info, start.bytes);
    return start;
  }
  std::size_t piece = kFirstPiece;
  while (ReadPiece(file.get(), path, piece, start.bytes)) {
    if (enough(start.bytes)) {
      // The file may have ended exactly with the piece: one more byte tells.
      if (!ReadPiece(file.get(), path, 1, start.bytes)) return start;
      start.whole = false;
      start.bytes.pop_back();
      return start;
    }
    piece = std::min<std::size_t>(start.bytes.size(), std::size_t{1} << 30);
  }
  return start;
}

}  // namespace kestrova
