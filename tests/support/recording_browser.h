// A browser that only records the addresses it was asked to open.
#ifndef KESTROVA_TESTS_SUPPORT_RECORDING_BROWSER_H_
#define KESTROVA_TESTS_SUPPORT_RECORDING_BROWSER_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/browser.h"

namespace kestrova::testing {

class RecordingBrowser final : public Browser {
 public:
  void Navigate(std::string_view url) override { urls.emplace_back(url); }
  std::vector<std::string> urls;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_RECORDING_BROWSER_H_
