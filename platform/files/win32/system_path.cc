#include "platform/files/win32/system_path.h"

#include <windows.h>

namespace kestrova::win32 {

std::optional<std::wstring> FullPath(std::wstring_view path) {
  const std::wstring written(path);
  std::wstring full(MAX_PATH + 1, L'\0');
  // The second round has the room the first one asked for; a path that grew in between is given
  // up on rather than chased.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        GetFullPathNameW(written.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return std::nullopt;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.assign(length, L'\0');
  }
  return std::nullopt;
}

std::wstring SystemPath(std::wstring_view path) {
  if (path.size() < kLongPathLength || path.starts_with(L"\\\\?\\") ||
      path.starts_with(L"\\\\.\\")) {
    return std::wstring(path);
  }
  const std::optional<std::wstring> full = FullPath(path);
  if (!full) return std::wstring(path);
  if (full->starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full->substr(2);
  if (full->size() >= 3 && (*full)[1] == L':' && (*full)[2] == L'\\') return L"\\\\?\\" + *full;
  return *full;
}

}  // namespace kestrova::win32
