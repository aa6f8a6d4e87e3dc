// The host application: its command bars, its page windows, and the web events it raises.
#ifndef KESTROVA_HOST_APPLICATION_H_
#define KESTROVA_HOST_APPLICATION_H_

#include <memory>
#include <string>

#include "host/command_bars.h"
#include "host/page_window.h"
#include "host/web.h"

namespace kestrova::host {

// Receives the host's web events. Handlers run on the host's thread; a failure they raise goes
// back to the host as the failure of the event.
class ApplicationEvents {
 public:
  virtual ~ApplicationEvents() = default;
  virtual void OnWebNew(Web& web) = 0;
  virtual void OnWebOpen(Web& web) = 0;
  // Raised before the host publishes web. The handler may replace destination; cancel true at
  // return stops publishing.
  virtual void OnBeforeWebPublish(Web& web, std::string& destination, bool& cancel) = 0;
};

class Application {
 public:
  virtual ~Application() = default;

  virtual std::shared_ptr<kestrova::host::CommandBars> CommandBars() = 0;
  // The page window that has the focus; raises a Failure when there is none.
  virtual std::shared_ptr<PageWindow> ActivePageWindow() = 0;
  // Opens the file at the local path in a page window (view mode 0: the default view) and returns
  // that window; raises a Failure when the file cannot be opened.
  virtual std::shared_ptr<PageWindow> LocatePage(const std::string& path, int view_mode) = 0;
  // False only when the host can tell that no page window holds the file at the local path,
  // dirty or not: a window the user left open may hold changes that the file does not show. A
  // host that cannot tell says true.
  virtual bool PageMayBeOpen(const std::string& /*path*/) { return true; }

  // Pages saved between BeginPageChanges and CommitPageChanges reach their files together at the
  // commit, or not at all when the changes are abandoned (or another begin comes first). A host
  // that saves each page itself as it is closed (FrontPage) does nothing here: its pages are
  // saved one by one. Commit raises a Failure when the pages cannot be put in place; abandon
  // never raises.
  virtual void BeginPageChanges() {}
  virtual void CommitPageChanges() {}
  virtual void AbandonPageChanges() noexcept {}

  // Connects events to the host's web events until Unadvise; one receiver at a time.
  virtual void Advise(ApplicationEvents* events) = 0;
  virtual void Unadvise() = 0;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_APPLICATION_H_
