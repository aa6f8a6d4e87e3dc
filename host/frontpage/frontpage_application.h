// The host application on Windows: FrontPage's Application object, called late-bound.
#ifndef KESTROVA_HOST_FRONTPAGE_FRONTPAGE_APPLICATION_H_
#define KESTROVA_HOST_FRONTPAGE_FRONTPAGE_APPLICATION_H_

#include <oaidl.h>

#include <memory>
#include <string>

#include "host/application.h"
#include "host/frontpage/event_sink.h"
#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/dispatch_call.h"

namespace kestrova::host {

class FrontPageApplication final : public Application {
 public:
  // Holds a reference to the host's Application object `application`.
  explicit FrontPageApplication(win32::ComPtr<IDispatch> application);

  std::shared_ptr<kestrova::host::CommandBars> CommandBars() override;
  // ActivePageWindow; the "object not set" Failure when the host has none open.
  std::shared_ptr<PageWindow> ActivePageWindow() override;
  // LocatePage(DocumentUrl as VT_BSTR, ViewMode as VT_I4).
  std::shared_ptr<PageWindow> LocatePage(const std::string& path, int view_mode) override;
  // Looks through every page window of every web window (WebWindows(i).PageWindows(j), counted
  // from 0) for one whose File's Url names path, in any case of letters. True when one does, and
  // when the windows cannot be looked through.
  bool PageMayBeOpen(const std::string& path) override;
  // Connects a sink to the application's events connection point (_IApplicationEvents) that
  // hands OnWebNew, OnWebOpen and OnBeforeWebPublish to events; a receiver connected before is
  // disconnected first. Raises a Failure when the host refuses the connection.
  void Advise(ApplicationEvents* events) override;
  // Disconnects the receiver; nothing reaches it afterwards.
  void Unadvise() override;

  // True when object is the same COM object as the application held (their IUnknowns match).
  bool Holds(IUnknown* object) const noexcept;

 private:
  win32::HostPtr<IDispatch> application_;
  std::unique_ptr<frontpage::EventSubscription> events_;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_FRONTPAGE_FRONTPAGE_APPLICATION_H_
