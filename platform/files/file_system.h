// The file operations of the mend store, the mend phase and the web-folder host: existence tests,
// the mend folder, the local inventory read line by line, pages read whole, and mending files and
// pages written whole or not at all. This is the one way the portable code writes a file.
#ifndef KESTROVA_PLATFORM_FILES_FILE_SYSTEM_H_
#define KESTROVA_PLATFORM_FILES_FILE_SYSTEM_H_

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrova {

// Reads a text file line by line; a line ends before its CR LF or LF.
class TextReader {
 public:
  virtual ~TextReader() = default;
  // True when no line is left (a final line break ends the last line, it starts no new one).
  virtual bool AtEndOfStream() const = 0;
  // The next line without its line break; raises Failure 62 ("Input past end of file") at the end.
  virtual std::string ReadLine() = 0;
};

// Writes a file that appears, complete, only on Commit; dropped before Commit, it leaves the file
// as it was.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Appends bytes to the new content; raises a Failure when they cannot be written.
  virtual void Write(std::string_view bytes) = 0;
  // Appends the pieces one after another, never joined in memory. A writer that can hand the
  // system several buffers at once (writev) does so; by default each piece is written in turn.
  virtual void Write(std::span<const std::string_view> pieces);
  // Puts the new content in place of the file; raises a Failure (and leaves the old file) when
  // that is not possible.
  virtual void Commit() = 0;
};

// When the bytes of a committed file must be on the disk.
enum class CommitDurability {
  kBytesBeforeName,  // before its new name: a power cut never leaves the name over lost bytes
  kNotWaitedFor,     // whenever the system writes them: for a file whose loss costs nothing, such
                     // as one a benchmark or a test sets up
};

// Files that replace theirs together. Each is written under a temporary name beside its file and
// keeps it until Commit, which puts the bytes of every one on the disk, then renames each over its
// file in the order they were staged, then puts the names on the disk. Dropped before Commit, the
// transaction removes every temporary file it made, and every file stays as it was.
class FileTransaction {
 public:
  virtual ~FileTransaction() = default;
  // Starts the file that replaces (or creates) path; raises a Failure with the system's reason
  // when the folder cannot take it. The writer's Commit only ends the file's writing: it keeps
  // its temporary name until the transaction commits.
  virtual std::unique_ptr<FileWriter> Stage(const std::string& path) = 0;
  // Puts every file whose writing ended in place. Raises a Failure when one cannot be: the files
  // renamed before it stay, the others are removed when the transaction is dropped.
  virtual void Commit() = 0;
  // Where the bytes staged for path can be read before Commit: the temporary file of the last
  // writer of path that ended its writing. Nothing when none did, or when this transaction cannot
  // tell.
  virtual std::optional<std::string> StagedLocation(const std::string& /*path*/) const {
    return std::nullopt;
  }
};

// The start of a file, and whether it is the whole file.
struct FileStart {
  std::string bytes;
  bool whole = true;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True for an existing file; false for a folder or nothing.
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool FolderExists(const std::string& path) = 0;
  // Creates the folder (its parent must exist); raises a Failure when it cannot.
  virtual void CreateFolder(const std::string& path) = 0;
  // Removes the folder at path when it is empty; leaves it, without a word, when it is not or
  // cannot be removed.
  virtual void RemoveEmptyFolder(const std::string& path) noexcept = 0;
  // Opens a text file for reading; raises Failure 53 when it does not exist.
  virtual std::unique_ptr<TextReader> OpenTextFile(const std::string& path) = 0;
  // The bytes of the file at path, as they are on the disk. Raises Failure 53 when there is no
  // such file, and a Failure with the system's reason when it cannot be read; only a regular file
  // is read (a folder, a device or a pipe is refused at once, never waited on).
  virtual std::string ReadWholeFile(const std::string& path) = 0;
  // The first bytes of the file at path: read in pieces until enough, told the bytes read so
  // far, says they suffice, or to the end, so that only what is needed of a large file is read.
  // Raises as ReadWholeFile. By default the whole file is read.
  virtual FileStart ReadFileStart(const std::string& path,
                                  const std::function<bool(std::string_view)>& /*enough*/) {
    return {ReadWholeFile(path), true};
  }
  // At most the first count bytes of the file at path, read without the rest: enough to tell
  // what a file holds. Raises as ReadWholeFile. By default through ReadFileStart.
  virtual std::string ReadFirstBytes(const std::string& path, std::size_t count) {
    std::string bytes =
        ReadFileStart(path, [count](std::string_view read) { return read.size() >= count; }).bytes;
    if (bytes.size() > count) bytes.resize(count);
    return bytes;
  }
  // Starts replacing (or creating) the file at path. Its Commit puts the bytes on the disk before
  // the new name, so that a power cut leaves the old file or the complete new one; the rename is
  // not waited for.
  std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path) {
    return CreateFileWriter(path, CommitDurability::kBytesBeforeName);
  }
  // The same, with durability telling when the bytes must be on the disk.
  virtual std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path,
                                                       CommitDurability durability) = 0;
  // Starts a set of files that replace theirs together.
  virtual std::unique_ptr<FileTransaction> BeginTransaction() = 0;
  // Where the file at path is read and written, provided it really lies inside the folder at
  // folder: every link on the way followed, the folder's own links too. That is path itself,
  // unless path names a link; then it is the file the link leads to, so that writing there
  // keeps the link a link. A path that names nothing yet lies where its folder lies. Nothing
  // when the file lies outside the folder or a link leads nowhere.
  virtual std::optional<std::string> ResolveInside(const std::string& folder,
                                                   const std::string& path) = 0;
};

// Replaces (or creates) the file at path with bytes through a writer of files, committed with
// durability.
void WriteWholeFile(FileSystem& files, const std::string& path, std::string_view bytes,
                    CommitDurability durability = CommitDurability::kBytesBeforeName);
// The same with the pieces one after another, never joined in memory.
void WriteWholeFile(FileSystem& files, const std::string& path,
                    std::span<const std::string_view> pieces,
                    CommitDurability durability = CommitDurability::kBytesBeforeName);

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_FILE_SYSTEM_H_
