// A web open in FrontPage and its root folder, over the host's Web and WebFolder objects.
#ifndef KESTROVA_HOST_FRONTPAGE_FRONTPAGE_WEB_H_
#define KESTROVA_HOST_FRONTPAGE_FRONTPAGE_WEB_H_

#include <oaidl.h>

#include <memory>
#include <string>

#include "host/web.h"
#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/dispatch_call.h"

namespace kestrova::host {

class FrontPageWebFolder final : public WebFolder {
 public:
  // Holds a reference to the host's WebFolder `folder`.
  explicit FrontPageWebFolder(win32::ComPtr<IDispatch> folder);
  // The folder's Url as a local path (see LocalPathFromFolderUrl).
  std::string Location() const override;

 private:
  win32::HostPtr<IDispatch> folder_;
};

class FrontPageWeb final : public Web {
 public:
  // Holds a reference to the host's Web `web` (the pWeb of the web events).
  explicit FrontPageWeb(win32::ComPtr<IDispatch> web);
  // The web's RootFolder; raises a Failure when the host gives none.
  std::shared_ptr<WebFolder> RootFolder() override;

 private:
  win32::HostPtr<IDispatch> web_;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_FRONTPAGE_FRONTPAGE_WEB_H_
