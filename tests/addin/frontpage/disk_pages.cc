#include "tests/addin/frontpage/disk_pages.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "mending/head_locator.h"
#include "platform/win32/wide_text.h"

namespace kestrova::testing {

std::optional<std::wstring> DiskPages::ReadHead(const std::wstring& path) {
  opened_.push_back(path);
  if (on_open_) on_open_(path);
  const std::optional<std::string> page = ReadFileBytes(path);
  if (!page) return std::nullopt;
  return win32::WideFromUtf8(HeadInnerHtml(*page, LocateHead(*page)));
}

bool DiskPages::WriteHead(const std::wstring& path, const std::wstring& head) {
  const std::optional<std::string> page = ReadFileBytes(path);
  if (!page) return false;
  saved_.push_back(path);
  return WriteFileBytes(path,
                        ReplaceHeadInnerHtml(*page, LocateHead(*page), win32::Utf8FromWide(head)));
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace kestrova::testing
