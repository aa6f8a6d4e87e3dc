#include "host/frontpage/frontpage_application.h"

#include <cstdint>
#include <utility>

#include "base/ascii.h"
#include "base/failure.h"
#include "host/frontpage/application_event_ids.h"
#include "host/frontpage/application_events_sink.h"
#include "host/frontpage/frontpage_command_bars.h"
#include "host/frontpage/frontpage_ids.h"
#include "host/frontpage/frontpage_page_window.h"
#include "host/frontpage/variant_values.h"
#include "host/frontpage/web_location.h"
#include "platform/win32/com/dispatch_call.h"

namespace kestrova::host {

FrontPageApplication::FrontPageApplication(win32::ComPtr<IDispatch> application)
    : application_(std::move(application)) {}

std::shared_ptr<kestrova::host::CommandBars> FrontPageApplication::CommandBars() {
  return std::make_shared<FrontPageCommandBars>(
      frontpage::DispatchFrom(win32::GetProperty(application_.Get(), L"CommandBars")));
}

std::shared_ptr<PageWindow> FrontPageApplication::ActivePageWindow() {
  return std::make_shared<FrontPagePageWindow>(
      frontpage::DispatchFrom(win32::GetProperty(application_.Get(), L"ActivePageWindow")));
}

std::shared_ptr<PageWindow> FrontPageApplication::LocatePage(const std::string& path,
                                                             int view_mode) {
  const auto url = frontpage::TextArgument(path);
  const auto mode = win32::UniqueVariant::FromInt32(view_mode);
  return std::make_shared<FrontPagePageWindow>(frontpage::DispatchFrom(
      win32::CallMethod(application_.Get(), L"LocatePage", {&url.Get(), &mode.Get()})));
}

bool FrontPageApplication::PageMayBeOpen(const std::string& path) {
  // Counts and items of the host's collections, numbered from 0.
  const auto item = [](IDispatch* collection, std::int32_t index) {
    const auto at = win32::UniqueVariant::FromInt32(index);
    return frontpage::DispatchFrom(win32::CallItem(collection, L"Item", {&at.Get()}));
  };
  const auto count = [](IDispatch* collection) {
    return frontpage::Int32From(win32::GetProperty(collection, L"Count"));
  };
  try {
    const auto webs =
        frontpage::DispatchFrom(win32::GetProperty(application_.Get(), L"WebWindows"));
    for (std::int32_t w = 0, webs_count = count(webs.Get()); w < webs_count; ++w) {
      const auto pages =
          frontpage::DispatchFrom(win32::GetProperty(item(webs.Get(), w).Get(), L"PageWindows"));
      for (std::int32_t p = 0, pages_count = count(pages.Get()); p < pages_count; ++p) {
        const std::string url = FileUrlOf(item(pages.Get(), p).Get());
        if (EqualsIgnoringCase(frontpage::LocalPathFromFolderUrl(url), path)) return true;
      }
    }
    return false;
  } catch (const Failure&) {
    return true;
  }
}

void FrontPageApplication::Advise(ApplicationEvents* events) {
  Unadvise();
  if (events == nullptr) return;
  // The host's own type information names the events; FrontPage 2000's numbers where it has none.
  auto sink = win32::ComPtr<frontpage::EventSink>::Attach(new frontpage::ApplicationEventsSink(
      *events, frontpage::LookUpApplicationEventIds(application_.Get())));
  events_ = std::make_unique<frontpage::EventSubscription>(
      application_.Get(), frontpage::kApplicationEventsId, std::move(sink));
}

void FrontPageApplication::Unadvise() { events_.reset(); }

bool FrontPageApplication::Holds(IUnknown* object) const noexcept {
  if (object == nullptr || !application_) return false;
  win32::ComPtr<IUnknown> held;
  win32::ComPtr<IUnknown> other;
  return SUCCEEDED(application_->QueryInterface(IID_IUnknown, held.PutVoid())) &&
         SUCCEEDED(object->QueryInterface(IID_IUnknown, other.PutVoid())) &&
         held.Get() == other.Get();
}

}  // namespace kestrova::host
