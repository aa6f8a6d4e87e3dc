// Writes a file so that readers only ever see its old or its complete new content: the bytes go
// to a temporary file in the same folder (".NAME.kestrova-XXXXXX", hidden as a dot file), which
// replaces the file by a rename once complete. A writer dropped before Commit removes its
// temporary file and leaves the old file as it was; the first writer of a run in a folder removes
// the temporary files a killed run left there. How much Commit flushes to the disk is chosen
// per writer (CommitDurability). Created by PosixFileSystem::CreateFileWriter.
#ifndef KESTROVA_PLATFORM_FILES_POSIX_ATOMIC_FILE_WRITER_H_
#define KESTROVA_PLATFORM_FILES_POSIX_ATOMIC_FILE_WRITER_H_

#include <sys/stat.h>

#include <span>
#include <string>
#include <string_view>

#include "platform/files/file_system.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {

class AtomicFileWriter final : public FileWriter {
 public:
  // Creates the temporary file beside path. The new file gets the permissions, and where the
  // process may give them, the owner and group of the file it replaces; a new file gets the
  // usual permissions (0666 less the umask). Raises a Failure with the
  // system's reason when the folder cannot take the file. With kBytesBeforeName, Commit puts the
  // new bytes on the disk before the rename (fsync of the file), so that a power cut leaves the
  // old file or the new one, never a new name over bytes that never reached the disk; with
  // kNotWaitedFor it flushes nothing.
  // replaced, when given, is what a stat of path told just before (the caller read the file it
  // replaces), and spares asking again.
  AtomicFileWriter(std::string path, CommitDurability durability,
                   const struct stat* replaced = nullptr);
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter() override;

  // Appends bytes to the new content; raises a Failure when they cannot be written.
  void Write(std::string_view bytes) override;
  // Appends the pieces one after another, with as few system calls as they allow (writev).
  void Write(std::span<const std::string_view> pieces) override;

  // Puts the new content in place of the file; raises a Failure (and leaves the old file) when
  // that is not possible.
  void Commit() override;

  // Ends the writing without putting the new content in place: the disk is asked to start
  // writing the bytes, and the file keeps its temporary name, whose path comes back. The file is
  // closed, or with kept, handed over open there, so that it can be flushed later without being
  // opened again. From then on the caller owns the temporary file, which the writer no longer
  // removes.
  std::string Seal(UniqueFd* kept = nullptr);

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string temporary_path_;
  CommitDurability durability_;
  UniqueFd fd_;
  bool committed_ = false;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_POSIX_ATOMIC_FILE_WRITER_H_
