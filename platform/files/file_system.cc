#include "platform/files/file_system.h"

namespace kestrova {

void FileWriter::Write(std::span<const std::string_view> pieces) {
  for (const std::string_view piece : pieces) Write(piece);
}

void WriteWholeFile(FileSystem& files, const std::string& path, std::string_view bytes,
                    CommitDurability durability) {
  const std::unique_ptr<FileWriter> writer = files.CreateFileWriter(path, durability);
  writer->Write(bytes);
  writer->Commit();
}

void WriteWholeFile(FileSystem& files, const std::string& path,
                    std::span<const std::string_view> pieces, CommitDurability durability) {
  const std::unique_ptr<FileWriter> writer = files.CreateFileWriter(path, durability);
  writer->Write(pieces);
  writer->Commit();
}

}  // namespace kestrova
