// A page of a web folder open in the local host's editor: the file's bytes up to a little past
// its head are read when the page is located, the rest only when it is saved; the head's inner
// HTML is found where an HTML5 parser finds it; saving writes the file atomically with only the
// bytes of the head's inner HTML changed. Both go through the FileSystem the host was given.
#ifndef KESTROVA_HOST_LOCAL_LOCAL_PAGE_WINDOW_H_
#define KESTROVA_HOST_LOCAL_LOCAL_PAGE_WINDOW_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/page_window.h"
#include "mending/head_locator.h"
#include "platform/files/file_system.h"

namespace kestrova::host {

class LocalPageDocument;

class LocalPageWindow final : public PageWindow,
                              public std::enable_shared_from_this<LocalPageWindow> {
 public:
  // Reads the page at path through files, which also saves it. on_activate and on_close tell the
  // application which window is active. Raises a Failure when the file cannot be read, and
  // Failure 5 when an element left open makes the head run to the end of the file.
  LocalPageWindow(FileSystem& files, std::string path,
                  std::function<void(LocalPageWindow*)> on_activate,
                  std::function<void(LocalPageWindow*)> on_close);

  void Activate() override;
  std::shared_ptr<PageDocument> Document() override;
  // True when the head was given text other than the file's.
  bool IsDirty() override;
  void Close(bool save) override;

  const std::string& path() const { return path_; }
  bool closed() const { return closed_; }

 private:
  friend class LocalPageDocument;
  void CheckOpen() const;

  FileSystem& files_;
  std::string path_;
  // How many bytes past the head's end a piece read must hold before the head counts as found.
  static constexpr std::size_t kHeadEndMargin = 4096;

  std::string bytes_;  // the file's first bytes, all of them when whole_
  bool whole_ = true;
  HeadLocation head_;
  std::optional<std::string> new_head_;
  bool closed_ = false;
  std::function<void(LocalPageWindow*)> on_activate_;
  std::function<void(LocalPageWindow*)> on_close_;
};

class LocalPageDocument final : public PageDocument {
 public:
  explicit LocalPageDocument(std::shared_ptr<LocalPageWindow> window);
  std::string HeadInnerHtml() const override;
  void SetHeadInnerHtml(std::string_view inner_html) override;

 private:
  std::shared_ptr<LocalPageWindow> window_;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_LOCAL_LOCAL_PAGE_WINDOW_H_
