#include "addin/com/registry_mended_heads.h"

#include <windows.h>

#include <set>

#include "addin/com/registry_key.h"
#include "base/failure.h"
#include "platform/win32/wide_text.h"

namespace kestrova::com {
namespace {

// The key of the web at web_path, below kKeyPath.
std::wstring WebKeyPath(const std::string& web_path) {
  return std::wstring(RegistryMendedHeads::kKeyPath) + L"\\" +
         win32::WideFromUtf8(MendedHeadsWebName(web_path));
}

// The names of the values of key but its default value.
std::vector<std::wstring> ValueNames(HKEY key) {
  DWORD count = 0;
  DWORD longest = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return {};
  }
  std::vector<std::wstring> names;
  std::wstring name(longest + 1, L'\0');
  for (DWORD index = 0; index < count; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      continue;
    }
    if (length > 0) names.emplace_back(name.data(), length);
  }
  return names;
}

// Deletes the values of the key at path but those named in kept.
void DeleteValuesBut(const std::wstring& path, const std::set<std::wstring>& kept) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  // The names are all read before the first goes, as deleting renumbers the values.
  for (const std::wstring& name : ValueNames(key)) {
    if (!kept.contains(name)) RegDeleteValueW(key, name.c_str());
  }
  RegCloseKey(key);
}

}  // namespace

std::string RegistryMendedHeads::Find(const std::string& web_path, const std::string& page_path) {
  try {
    const RegistryKey key = RegistryKey::OpenForReading(HKEY_CURRENT_USER, WebKeyPath(web_path));
    if (!key) return {};
    const auto mark = key.ReadString(win32::WideFromUtf8(page_path));
    return mark ? win32::Utf8FromWide(*mark) : std::string();
  } catch (const Failure&) {
    return {};
  }
}

void RegistryMendedHeads::Keep(const std::string& web_path, const std::string& page_path,
                               const std::string& mark) {
  try {
    const RegistryKey key = RegistryKey::Create(HKEY_CURRENT_USER, WebKeyPath(web_path));
    // The web's path, for a person who reads the registry.
    key.SetString(L"", win32::WideFromUtf8(web_path));
    key.SetString(win32::WideFromUtf8(page_path), win32::WideFromUtf8(mark));
  } catch (const Failure&) {
    // The page is saved already; without its mark it is only mended once more next time.
  }
}

void RegistryMendedHeads::Prune(const std::string& web_path,
                                const std::vector<std::string>& listed_pages) {
  try {
    std::set<std::wstring> listed;
    for (const std::string& page : listed_pages) listed.insert(win32::WideFromUtf8(page));
    DeleteValuesBut(WebKeyPath(web_path), listed);
    DeleteValuesBut(kKeyPath, {});
  } catch (const Failure&) {
    // A page path that cannot be converted names no mark this record kept.
  }
}

}  // namespace kestrova::com
