// A page open in FrontPage's editor (its PageWindow) and the page's MSHTML document.
#ifndef KESTROVA_HOST_FRONTPAGE_FRONTPAGE_PAGE_WINDOW_H_
#define KESTROVA_HOST_FRONTPAGE_FRONTPAGE_PAGE_WINDOW_H_

#include <oaidl.h>

#include <memory>
#include <string>
#include <string_view>

#include "host/page_window.h"
#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/dispatch_call.h"

namespace kestrova::host {

class FrontPagePageDocument final : public PageDocument {
 public:
  // Holds a reference to the MSHTML `document`.
  explicit FrontPagePageDocument(win32::ComPtr<IDispatch> document);
  // document.all.tags("HEAD").Item(0).innerHTML, read again on every call.
  std::string HeadInnerHtml() const override;
  // Writes the head's innerHTML; the host's refusal (MSHTML treats it as read-only) raises.
  void SetHeadInnerHtml(std::string_view inner_html) override;

 private:
  // The document's first HEAD element; raises a Failure when there is none.
  win32::ComPtr<IDispatch> Head() const;

  win32::HostPtr<IDispatch> document_;
};

class FrontPagePageWindow final : public PageWindow {
 public:
  // Holds a reference to the host's PageWindow `window`.
  explicit FrontPagePageWindow(win32::ComPtr<IDispatch> window);
  void Activate() override;
  // The window's Document; raises a Failure when the host gives none.
  std::shared_ptr<PageDocument> Document() override;
  // The window's IsDirty.
  bool IsDirty() override;
  // Close(ForceSave) with the Boolean save.
  void Close(bool save) override;
  // The same COM object (their IUnknowns match), or, should the host hand out a new object for
  // each request, a window whose File has the same Url. A window whose File cannot be read is
  // taken for another.
  bool IsSameWindow(PageWindow& other) override;

 private:
  win32::HostPtr<IDispatch> window_;
};

// The Url of the File of the host's PageWindow window: where the page it shows lives.
std::string FileUrlOf(IDispatch* window);

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_FRONTPAGE_FRONTPAGE_PAGE_WINDOW_H_
