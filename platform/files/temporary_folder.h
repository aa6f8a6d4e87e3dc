// A fresh folder in the system's temporary folder, removed with everything in it at the end.
#ifndef KESTROVA_PLATFORM_FILES_TEMPORARY_FOLDER_H_
#define KESTROVA_PLATFORM_FILES_TEMPORARY_FOLDER_H_

#include <filesystem>
#include <string>

namespace kestrova {

class TemporaryFolder {
 public:
  // Creates a folder named prefix and six random characters; raises std::runtime_error when it
  // cannot.
  explicit TemporaryFolder(const std::string& prefix);
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_TEMPORARY_FOLDER_H_
