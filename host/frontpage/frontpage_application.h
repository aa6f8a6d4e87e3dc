// The host application on Windows: FrontPage's Application object, called late-bound.
#ifndef KESTROVA_HOST_FRONTPAGE_FRONTPAGE_APPLICATION_H_
#define KESTROVA_HOST_FRONTPAGE_FRONTPAGE_APPLICATION_H_

#include <oaidl.h>

#include <memory>
#include <string>

#include "host/application.h"
#include "platform/win32/com_ptr.h"

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
  // Keep the receiver only: the sink on the host's application events connection point that
  // delivers the events to it is connected by the add-in's COM layer, not here.
  void Advise(ApplicationEvents* events) override;
  void Unadvise() override;

  // The host's application object, for the event connection.
  IDispatch* dispatch() const { return application_.Get(); }
  // The receiver given to Advise; null after Unadvise.
  ApplicationEvents* events() const { return events_; }

 private:
  win32::ComPtr<IDispatch> application_;
  ApplicationEvents* events_ = nullptr;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_FRONTPAGE_FRONTPAGE_APPLICATION_H_
