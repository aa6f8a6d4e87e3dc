#include "tests/addin/frontpage/disk_pages.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
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

TempFolder::TempFolder() {
  wchar_t base[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, base);
  if (length == 0) throw std::runtime_error("no temporary folder");
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        std::filesystem::path(std::wstring(base, length)) /
        (L"kestrova-addin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

}  // namespace kestrova::testing
