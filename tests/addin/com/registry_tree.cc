#include "tests/addin/com/registry_tree.h"

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <stdexcept>
#include <vector>

namespace kestrova::testing {
namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring DescribeValue(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return std::to_wstring(type) + L":" + text;
  }
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD number = 0;
    std::memcpy(&number, data.data(), sizeof number);
    return std::to_wstring(type) + L":" + std::to_wstring(number);
  }
  std::wstring hex = std::to_wstring(type) + L":";
  for (DWORD i = 0; i < size; ++i) {
    wchar_t pair[3];
    std::swprintf(pair, 3, L"%02x", data[i]);
    hex += pair;
  }
  return hex;
}

void ReadKey(HKEY key, const std::wstring& relative, RegistryTree& tree) {
  RegistryValues& values = tree[relative];
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD name_length = 16384;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegEnumValueW(key, index, name, &name_length, nullptr, &type, nullptr, &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) throw std::runtime_error("RegEnumValueW");
    std::vector<BYTE> data(size + 2, 0);
    name_length = 16384;
    status = RegEnumValueW(key, index, name, &name_length, nullptr, &type, data.data(), &size);
    if (status != ERROR_SUCCESS) throw std::runtime_error("RegEnumValueW");
    values[Lower(std::wstring(name, name_length))] = DescribeValue(type, data, size);
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD name_length = 256;
    const LONG status =
        RegEnumKeyExW(key, index, name, &name_length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) throw std::runtime_error("RegEnumKeyExW");
    const std::wstring child(name, name_length);
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    ReadKey(sub, relative.empty() ? Lower(child) : relative + L"\\" + Lower(child), tree);
    RegCloseKey(sub);
  }
}

}  // namespace

std::optional<RegistryTree> ReadRegistryTree(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  RegistryTree tree;
  try {
    ReadKey(key, L"", tree);
  } catch (...) {
    RegCloseKey(key);
    throw;
  }
  RegCloseKey(key);
  return tree;
}

bool RegistryKeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& path,
                                               const std::wstring& name) {
  std::optional<RegistryTree> tree = ReadRegistryTree(root, path);
  if (!tree) return std::nullopt;
  const RegistryValues& values = (*tree)[L""];
  const auto found = values.find(Lower(name));
  if (found == values.end()) return std::nullopt;
  const std::wstring& described = found->second;
  const std::size_t colon = described.find(L':');
  const std::wstring type = described.substr(0, colon);
  if (type != std::to_wstring(REG_SZ) && type != std::to_wstring(REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  return described.substr(colon + 1);
}

void WriteRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                         const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    throw std::runtime_error("RegCreateKeyExW");
  }
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const LONG status = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(value.c_str()), bytes);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) throw std::runtime_error("RegSetValueExW");
}

void DeleteRegistryTree(HKEY root, const std::wstring& path) {
  const LONG status = RegDeleteTreeW(root, path.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    throw std::runtime_error("RegDeleteTreeW");
  }
  RegDeleteKeyW(root, path.c_str());
}

std::map<std::wstring, std::wstring> DiffRegistryTrees(const RegistryTree& before,
                                                       const RegistryTree& after) {
  std::map<std::wstring, std::wstring> changes;
  for (const auto& [path, values] : after) {
    const auto old = before.find(path);
    if (old == before.end()) {
      changes[path] = L"added";
    } else if (old->second != values) {
      changes[path] = L"changed";
    }
  }
  for (const auto& [path, values] : before) {
    if (after.find(path) == after.end()) changes[path] = L"removed";
  }
  return changes;
}

}  // namespace kestrova::testing
