// Small helpers for the registry keys that registration writes and removes.
#ifndef KESTROVA_ADDIN_COM_REGISTRY_KEY_H_
#define KESTROVA_ADDIN_COM_REGISTRY_KEY_H_

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace kestrova::com {

// Owns an open registry key and closes it when it goes. Move-only. Failures throw Failure.
class RegistryKey {
 public:
  RegistryKey() noexcept = default;
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey();

  // Opens `path` below `parent` for writing, creating the keys that are missing.
  [[nodiscard]] static RegistryKey Create(HKEY parent, const std::wstring& path);

  // Opens `path` below `parent` for reading; the result is empty when the key does not exist.
  [[nodiscard]] static RegistryKey OpenForReading(HKEY parent, const std::wstring& path);

  // Writes the string value `name` (empty: the key's default value).
  void SetString(const std::wstring& name, std::wstring_view value) const;

  // The string value `name` (empty: the default value); nothing when it is absent or no string.
  std::optional<std::wstring> ReadString(const std::wstring& name) const;

  HKEY Get() const noexcept { return key_; }
  explicit operator bool() const noexcept { return key_ != nullptr; }

 private:
  explicit RegistryKey(HKEY key) noexcept : key_(key) {}

  HKEY key_ = nullptr;
};

// Deletes `path` below `parent` with everything beneath it; a missing key is no failure.
void DeleteKeyTree(HKEY parent, const std::wstring& path);

// `guid` in registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::wstring GuidText(REFGUID guid);

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_REGISTRY_KEY_H_
