// The mend phase's record of the heads it wrote, kept in the current user's registry: one key per
// web below HKEY_CURRENT_USER\Software\Kestrova\FrontPage Add-In\Mended heads, named by
// MendedHeadsWebName of the web's path and holding that path as its default value, with one string
// value per page (named by the page's path). The registry keeps it across FrontPage's sessions and
// out of the web, so that nothing of it is ever published; the uninstaller removes the add-in's
// key with it.
#ifndef KESTROVA_ADDIN_COM_REGISTRY_MENDED_HEADS_H_
#define KESTROVA_ADDIN_COM_REGISTRY_MENDED_HEADS_H_

#include <string>
#include <vector>

#include "publish/mended_heads.h"

namespace kestrova::com {

class RegistryMendedHeads final : public MendedHeads {
 public:
  // A record that cannot be read gives no mark: the page is mended as if it had none.
  std::string Find(const std::string& web_path, const std::string& page_path) override;
  void Keep(const std::string& web_path, const std::string& page_path,
            const std::string& mark) override;
  // Also removes the values that earlier versions kept in one flat key for every web.
  void Prune(const std::string& web_path, const std::vector<std::string>& listed_pages) override;

  static constexpr wchar_t kKeyPath[] = L"Software\\Kestrova\\FrontPage Add-In\\Mended heads";
};

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_REGISTRY_MENDED_HEADS_H_
