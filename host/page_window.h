// A page open in the host's editor, and its document's head.
#ifndef KESTROVA_HOST_PAGE_WINDOW_H_
#define KESTROVA_HOST_PAGE_WINDOW_H_

#include <memory>
#include <string>
#include <string_view>

namespace kestrova::host {

// The page's HTML document, as far as the add-in uses it: the inner HTML of its head element
// (all, tags("Head"), Item(0), innerHTML in the host's object model).
class PageDocument {
 public:
  virtual ~PageDocument() = default;
  virtual std::string HeadInnerHtml() const = 0;
  // Replaces the head's inner HTML; a host that refuses raises a Failure.
  virtual void SetHeadInnerHtml(std::string_view inner_html) = 0;
};

class PageWindow {
 public:
  virtual ~PageWindow() = default;
  // Makes this the host's active page window.
  virtual void Activate() = 0;
  virtual std::shared_ptr<PageDocument> Document() = 0;
  // True when the page holds changes that are not saved yet.
  virtual bool IsDirty() = 0;
  // True: saves the page to its file, then closes the window. False: closes it unsaved.
  virtual void Close(bool save) = 0;
  // True when other is this very window of the host's, however the host handed each out. By
  // default the two objects are the same.
  virtual bool IsSameWindow(PageWindow& other) { return &other == this; }
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_PAGE_WINDOW_H_
