// Reading registry keys back whole, to compare what registration leaves behind.
#ifndef KESTROVA_TESTS_ADDIN_COM_REGISTRY_TREE_H_
#define KESTROVA_TESTS_ADDIN_COM_REGISTRY_TREE_H_

#include <windows.h>

#include <map>
#include <optional>
#include <string>

namespace kestrova::testing {

// The values of one key: value name ("" for the default value) to "type:data" (data of strings as
// they are, of numbers in decimal, of anything else in hex).
using RegistryValues = std::map<std::wstring, std::wstring>;

// A key and everything beneath it: key path relative to the top ("" for the top itself, then
// "Sub", "Sub\\Deeper", ...) to the key's values. Subkey names are compared without case, the
// way the registry does, by lowering them.
using RegistryTree = std::map<std::wstring, RegistryValues>;

// The tree at `path` below `root`; nothing when the key does not exist.
std::optional<RegistryTree> ReadRegistryTree(HKEY root, const std::wstring& path);

// True when `path` below `root` exists.
bool RegistryKeyExists(HKEY root, const std::wstring& path);

// The string value `name` of `path` below `root`; nothing when the key or value is absent.
std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& path,
                                               const std::wstring& name = L"");

// Writes the string value `name` of `path` below `root`, creating the key.
void WriteRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                         const std::wstring& value);

// Deletes `path` below `root` with everything beneath it; absent keys are fine.
void DeleteRegistryTree(HKEY root, const std::wstring& path);

// The paths (relative to the top) where `after` differs from `before`: keys that are new, gone or
// whose values changed.
std::map<std::wstring, std::wstring> DiffRegistryTrees(const RegistryTree& before,
                                                       const RegistryTree& after);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_COM_REGISTRY_TREE_H_
