#include "addin/com/registry_mended_heads.h"

#include "addin/com/registry_key.h"
#include "base/failure.h"
#include "platform/win32/wide_text.h"

namespace kestrova::com {

std::string RegistryMendedHeads::Find(const std::string& page_path) {
  try {
    const RegistryKey key = RegistryKey::OpenForReading(HKEY_CURRENT_USER, kKeyPath);
    if (!key) return {};
    const auto mark = key.ReadString(win32::WideFromUtf8(page_path));
    return mark ? win32::Utf8FromWide(*mark) : std::string();
  } catch (const Failure&) {
    return {};
  }
}

void RegistryMendedHeads::Keep(const std::string& page_path, const std::string& mark) {
  try {
    RegistryKey::Create(HKEY_CURRENT_USER, kKeyPath)
        .SetString(win32::WideFromUtf8(page_path), win32::WideFromUtf8(mark));
  } catch (const Failure&) {
    // The page is saved already; without its mark it is only mended once more next time.
  }
}

}  // namespace kestrova::com
