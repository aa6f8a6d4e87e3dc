#include "host/frontpage/frontpage_page_window.h"

#include <utility>

#include "base/failure.h"
#include "host/frontpage/variant_values.h"
#include "platform/win32/com/dispatch_call.h"

namespace kestrova::host {

FrontPagePageDocument::FrontPagePageDocument(win32::ComPtr<IDispatch> document)
    : document_(std::move(document)) {}

win32::ComPtr<IDispatch> FrontPagePageDocument::Head() const {
  const auto all = frontpage::DispatchFrom(win32::GetProperty(document_.Get(), L"all"));
  const auto tag_name = frontpage::TextArgument("HEAD");
  const auto heads =
      frontpage::DispatchFrom(win32::CallItem(all.Get(), L"tags", {&tag_name.Get()}));
  // The first element, indexed by a 16-bit 0 as automation clients pass a literal.
  const auto first = frontpage::Int16Argument(0);
  return frontpage::DispatchFrom(win32::CallItem(heads.Get(), L"Item", {&first.Get()}));
}

std::string FrontPagePageDocument::HeadInnerHtml() const {
  return frontpage::TextFrom(win32::GetProperty(Head().Get(), L"innerHTML"));
}

void FrontPagePageDocument::SetHeadInnerHtml(std::string_view inner_html) {
  const auto head = Head();
  win32::PutProperty(head.Get(), L"innerHTML", frontpage::TextArgument(inner_html).Get());
}

FrontPagePageWindow::FrontPagePageWindow(win32::ComPtr<IDispatch> window)
    : window_(std::move(window)) {}

void FrontPagePageWindow::Activate() { win32::CallMethod(window_.Get(), L"Activate"); }

std::shared_ptr<PageDocument> FrontPagePageWindow::Document() {
  return std::make_shared<FrontPagePageDocument>(
      frontpage::DispatchFrom(win32::GetProperty(window_.Get(), L"Document")));
}

bool FrontPagePageWindow::IsDirty() {
  return frontpage::BoolFrom(win32::GetProperty(window_.Get(), L"IsDirty"));
}

void FrontPagePageWindow::Close(bool save) {
  const auto force_save = frontpage::BoolArgument(save);
  win32::CallMethod(window_.Get(), L"Close", {&force_save.Get()});
}

bool FrontPagePageWindow::IsSameWindow(PageWindow& other) {
  auto* const window = dynamic_cast<FrontPagePageWindow*>(&other);
  if (window == nullptr) return false;
  win32::ComPtr<IUnknown> mine;
  win32::ComPtr<IUnknown> theirs;
  if (SUCCEEDED(window_->QueryInterface(IID_IUnknown, mine.PutVoid())) &&
      SUCCEEDED(window->window_->QueryInterface(IID_IUnknown, theirs.PutVoid())) &&
      mine.Get() == theirs.Get()) {
    return true;
  }
  try {
    return FileUrlOf(window_.Get()) == FileUrlOf(window->window_.Get());
  } catch (const Failure&) {
    return false;
  }
}

std::string FileUrlOf(IDispatch* window) {
  const auto file = frontpage::DispatchFrom(win32::GetProperty(window, L"File"));
  return frontpage::TextFrom(win32::GetProperty(file.Get(), L"Url"));
}

}  // namespace kestrova::host
