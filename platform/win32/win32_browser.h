// Opens web addresses in a new browser window: through the browser's automation object when it is
// registered and does as asked, through the system's default handler for the address otherwise.
#ifndef KESTROVA_PLATFORM_WIN32_WIN32_BROWSER_H_
#define KESTROVA_PLATFORM_WIN32_WIN32_BROWSER_H_

#include <functional>
#include <string>
#include <string_view>

#include "platform/browser.h"

namespace kestrova::win32 {

// Opens `url` without an automation object; true when a browser was started.
using BrowserOpener = std::function<bool(std::wstring_view url)>;

// Opens `url` with ShellExecuteW's "open" verb; false when the shell reports a failure (a result
// of 32 or less).
bool OpenWithShell(std::wstring_view url);

class Win32Browser final : public Browser {
 public:
  // `prog_id` names the automation object to create; `fallback` opens addresses when that object
  // cannot be created.
  explicit Win32Browser(std::wstring prog_id = L"InternetExplorer.Application",
                        BrowserOpener fallback = OpenWithShell);

  // Creates the automation object (COM must be initialised on the calling thread), calls its
  // Navigate with url as a BSTR, sets Visible to true and lets go of it; the window stays open on
  // its own. When the object cannot be created, or its Navigate or Visible fails (the object is
  // then asked to Quit), opens url through the fallback. Raises a Failure naming url when neither
  // starts a browser for want of the object, and the object's own failure when it refused and the
  // fallback did not start one either.
  void Navigate(std::string_view url) override;

 private:
  std::wstring prog_id_;
  BrowserOpener fallback_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_WIN32_BROWSER_H_
