// Opens web addresses with the desktop's browser opener (xdg-open) when a desktop session is
// there; otherwise, and when the opener fails, prints the address for the user to open.
#ifndef KESTROVA_PLATFORM_POSIX_DESKTOP_BROWSER_H_
#define KESTROVA_PLATFORM_POSIX_DESKTOP_BROWSER_H_

#include <cstdio>

#include "platform/browser.h"

namespace kestrova {

class DesktopBrowser final : public Browser {
 public:
  // Addresses that cannot be opened are printed on out.
  explicit DesktopBrowser(std::FILE* out = stdout) : out_(out) {}
  void Navigate(std::string_view url) override;

 private:
  std::FILE* out_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_DESKTOP_BROWSER_H_
