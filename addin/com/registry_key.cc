#include "addin/com/registry_key.h"

#include <objbase.h>

#include <iterator>
#include <utility>
#include <vector>

#include "platform/win32/com/com_failure.h"

namespace kestrova::com {

using win32::ThrowIfWin32Error;

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = std::exchange(other.key_, nullptr);
  }
  return *this;
}

RegistryKey::~RegistryKey() {
  if (key_ != nullptr) RegCloseKey(key_);
}

RegistryKey RegistryKey::Create(HKEY parent, const std::wstring& path) {
  HKEY key = nullptr;
  ThrowIfWin32Error(RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_READ | KEY_WRITE, nullptr, &key, nullptr),
                    "RegCreateKeyExW");
  return RegistryKey(key);
}

RegistryKey RegistryKey::OpenForReading(HKEY parent, const std::wstring& path) {
  HKEY key = nullptr;
  const LONG status = RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key);
  if (status == ERROR_FILE_NOT_FOUND) return RegistryKey();
  ThrowIfWin32Error(status, "RegOpenKeyExW");
  return RegistryKey(key);
}

void RegistryKey::SetString(const std::wstring& name, std::wstring_view value) const {
  const std::wstring terminated(value);
  const auto bytes = static_cast<DWORD>((terminated.size() + 1) * sizeof(wchar_t));
  ThrowIfWin32Error(RegSetValueExW(key_, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(terminated.c_str()), bytes),
                    "RegSetValueExW");
}

std::optional<std::wstring> RegistryKey::ReadString(const std::wstring& name) const {
  const wchar_t* value_name = name.empty() ? nullptr : name.c_str();
  DWORD type = 0;
  DWORD bytes = 0;
  LONG status = RegQueryValueExW(key_, value_name, nullptr, &type, nullptr, &bytes);
  if (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && type != REG_SZ)) {
    return std::nullopt;
  }
  ThrowIfWin32Error(status, "RegQueryValueExW");
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  status = RegQueryValueExW(key_, value_name, nullptr, &type,
                            reinterpret_cast<BYTE*>(buffer.data()), &bytes);
  ThrowIfWin32Error(status, "RegQueryValueExW");
  std::wstring text(buffer.data(), bytes / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

void DeleteKeyTree(HKEY parent, const std::wstring& path) {
  RegistryKey key = RegistryKey::OpenForReading(parent, path);
  if (!key) return;
  // Subkeys first: a key with subkeys cannot be deleted. Each round removes the first subkey; a
  // subkey that refuses to go ends the loop with a failure, and so does an implausibly deep key.
  constexpr int kMostSubkeys = 100000;
  for (int round = 0;; ++round) {
    if (round == kMostSubkeys) throw win32::FailureFromWin32Error(ERROR_CANTWRITE, "DeleteKeyTree");
    wchar_t name[256];
    DWORD length = static_cast<DWORD>(std::size(name));
    const LONG status =
        RegEnumKeyExW(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ThrowIfWin32Error(status, "RegEnumKeyExW");
    DeleteKeyTree(key.Get(), std::wstring(name, length));
  }
  key = RegistryKey();
  const LONG status = RegDeleteKeyW(parent, path.c_str());
  if (status != ERROR_FILE_NOT_FOUND) ThrowIfWin32Error(status, "RegDeleteKeyW");
}

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
  return text;
}

}  // namespace kestrova::com
