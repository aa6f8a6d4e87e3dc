// Writes a file so that readers only ever see its old or its complete new content: the bytes go
// to a hidden, temporary file beside it ("NAME.kestrova-PID-COUNTER"), which takes the attributes
// of the file it replaces and replaces the file on Commit (FlushFileBuffers, then MoveFileExW,
// write-through). A writer dropped before Commit removes its temporary file and leaves the old
// file as it was; the first writer of a process in a folder removes the temporary files a killed
// run left there. Created by Win32FileSystem::CreateFileWriter.
#ifndef KESTROVA_PLATFORM_FILES_WIN32_WIN32_ATOMIC_FILE_WRITER_H_
#define KESTROVA_PLATFORM_FILES_WIN32_WIN32_ATOMIC_FILE_WRITER_H_

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/files/file_system.h"
#include "platform/win32/unique_handle.h"

namespace kestrova::win32 {

class Win32AtomicFileWriter final : public FileWriter {
 public:
  // Creates the temporary file beside path (UTF-8, Windows separators). Raises Failure 53 or 5
  // with the system's reason when the folder cannot take the file. Every Commit flushes its bytes
  // and its rename through to the disk: the strictest durability, whatever the caller asks.
  explicit Win32AtomicFileWriter(std::string path);
  Win32AtomicFileWriter(const Win32AtomicFileWriter&) = delete;
  Win32AtomicFileWriter& operator=(const Win32AtomicFileWriter&) = delete;
  ~Win32AtomicFileWriter() override;

  // Pieces are written one after another (FileWriter's own Write of them).
  using FileWriter::Write;
  void Write(std::string_view bytes) override;
  void Commit() override;

  // What a sealed writer leaves: its temporary file, the file it replaces and the attributes it
  // takes when it does.
  struct Sealed {
    std::wstring temporary_path;
    std::wstring path;
    std::string utf8_path;
    DWORD attributes;
  };
  // Ends the writing without putting the new content in place: the bytes are flushed to the disk
  // and the file is closed under its temporary name, still hidden and temporary. From then on the
  // caller owns the temporary file, which the writer no longer removes.
  Sealed Seal();

 private:
  std::string path_;
  std::wstring wide_path_;
  DWORD final_attributes_;
  std::wstring temporary_path_;
  UniqueHandle file_;
  bool committed_ = false;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_FILES_WIN32_WIN32_ATOMIC_FILE_WRITER_H_
