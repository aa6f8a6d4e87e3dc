// Opens a web address in a new browser window that stays open on its own.
#ifndef KESTROVA_PLATFORM_BROWSER_H_
#define KESTROVA_PLATFORM_BROWSER_H_

#include <string_view>

namespace kestrova {

class Browser {
 public:
  virtual ~Browser() = default;
  // Opens url; raises a Failure when no browser can be started.
  virtual void Navigate(std::string_view url) = 0;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_BROWSER_H_
