#include "host/frontpage/frontpage_web.h"

#include <utility>

#include "host/frontpage/variant_values.h"
#include "host/frontpage/web_location.h"
#include "platform/win32/com/dispatch_call.h"

namespace kestrova::host {

FrontPageWebFolder::FrontPageWebFolder(win32::ComPtr<IDispatch> folder)
    : folder_(std::move(folder)) {}

std::string FrontPageWebFolder::Location() const {
  return frontpage::LocalPathFromFolderUrl(
      frontpage::TextFrom(win32::GetProperty(folder_.Get(), L"Url")));
}

FrontPageWeb::FrontPageWeb(win32::ComPtr<IDispatch> web) : web_(std::move(web)) {}

std::shared_ptr<WebFolder> FrontPageWeb::RootFolder() {
  return std::make_shared<FrontPageWebFolder>(
      frontpage::DispatchFrom(win32::GetProperty(web_.Get(), L"RootFolder")));
}

}  // namespace kestrova::host
