// Page files on disk for the stand-in host's editor: LocatePage opens the file at the path it is
// given, the head's innerHTML is the inner HTML of that file's head (UTF-8 on disk), and
// Close(True) writes it back into the file, every byte outside the head unchanged.
#ifndef KESTROVA_TESTS_ADDIN_FRONTPAGE_DISK_PAGES_H_
#define KESTROVA_TESTS_ADDIN_FRONTPAGE_DISK_PAGES_H_

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/host/frontpage/stand_in_host.h"

namespace kestrova::testing {

class DiskPages final : public StandInHost::PageFiles {
 public:
  // on_open (may be empty) is told the path of every page opened, before the host answers.
  explicit DiskPages(std::function<void(const std::wstring& path)> on_open = {})
      : on_open_(std::move(on_open)) {}

  std::optional<std::wstring> ReadHead(const std::wstring& path) override;
  bool WriteHead(const std::wstring& path, const std::wstring& head) override;

  // The paths opened and saved so far, in order.
  const std::vector<std::wstring>& opened() const { return opened_; }
  const std::vector<std::wstring>& saved() const { return saved_; }

 private:
  std::function<void(const std::wstring& path)> on_open_;
  std::vector<std::wstring> opened_;
  std::vector<std::wstring> saved_;
};

// The bytes of the file at path; nullopt when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);
// Writes bytes as the whole file at path, creating its folder; false when it cannot.
bool WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_FRONTPAGE_DISK_PAGES_H_
