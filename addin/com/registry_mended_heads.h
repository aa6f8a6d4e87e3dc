// The mend phase's record of the heads it wrote, kept in the current user's registry, one string
// value per page (named by the page's path) below
// HKEY_CURRENT_USER\Software\Kestrova\FrontPage Add-In\Mended heads. The registry keeps it across
// FrontPage's sessions and out of the web, so that nothing of it is ever published.
#ifndef KESTROVA_ADDIN_COM_REGISTRY_MENDED_HEADS_H_
#define KESTROVA_ADDIN_COM_REGISTRY_MENDED_HEADS_H_

#include <string>

#include "publish/mended_heads.h"

namespace kestrova::com {

class RegistryMendedHeads final : public MendedHeads {
 public:
  // A record that cannot be read gives no mark: the page is mended as if it had none.
  std::string Find(const std::string& page_path) override;
  void Keep(const std::string& page_path, const std::string& mark) override;

  static constexpr wchar_t kKeyPath[] = L"Software\\Kestrova\\FrontPage Add-In\\Mended heads";
};

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_REGISTRY_MENDED_HEADS_H_
