// An in-process stand-in for the part of FrontPage's object model that the host layer calls: the
// application, its command bars with the menu bar of FrontPage 2000, webs with root folders, and
// page windows whose MSHTML documents have a head. Every call is recorded in log().
#ifndef KESTROVA_TESTS_WIN32_HOST_STAND_IN_HOST_H_
#define KESTROVA_TESTS_WIN32_HOST_STAND_IN_HOST_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/win32_host/fake_dispatch.h"

namespace kestrova::testing {

class StandInHost {
 public:
  struct Controls;

  // A control on a bar: its state as the host keeps it.
  struct Control {
    FakeDispatch* object = nullptr;
    std::int32_t type = 0;
    std::wstring caption;
    bool enabled = true;
    bool temporary = false;
    Controls* owner = nullptr;     // null once deleted
    Controls* children = nullptr;  // a popup's own controls
  };

  struct Controls {
    FakeDispatch* object = nullptr;
    std::vector<Control*> items;
  };

  // A page open in a window, with its document's head.
  struct Page {
    std::wstring path;
    FakeDispatch* window = nullptr;
    std::wstring head_html;
    bool head_read_only = false;
    bool closed = false;
    std::optional<bool> saved_on_close;
  };

  // The menu bar starts with FrontPage 2000's ten menus, File to Help.
  StandInHost();
  StandInHost(const StandInHost&) = delete;
  StandInHost& operator=(const StandInHost&) = delete;

  IDispatch* application() { return application_; }
  CallLog& log() { return log_; }

  Controls& menu_bar_controls() { return *menu_bar_controls_; }
  // The captions of controls, in order.
  static std::vector<std::wstring> Captions(const Controls& controls);

  // A web whose root folder's Url is url; the model keeps it.
  IDispatch* AddWeb(std::wstring url);

  // Makes a page at path that LocatePage opens, with head_html as its head's inner HTML.
  void AddPageFile(std::wstring path, std::wstring head_html, bool head_read_only = false);
  // The page located at path (null when it was never located).
  Page* PageAt(std::wstring_view path);

  // When set, the next Close raises this host error (scode, description) instead of closing.
  void FailNextClose(HRESULT scode, std::wstring description);
  // When set, Caption puts raise the deferred host error.
  void set_defer_caption_errors(bool value) { defer_caption_errors_ = value; }

  // The sum of outstanding references over every object of the model, and the objects that
  // still hold some (as "name:count").
  long OutstandingReferences() const;
  std::vector<std::wstring> ObjectsStillReferenced() const;

 private:
  FakeDispatch* NewObject(std::wstring name);
  Controls* NewControls(std::wstring name);
  Control* NewControl(std::int32_t type, std::wstring caption, bool temporary);
  FakeDispatch* NewPageWindow(Page& page);

  CallLog log_;
  std::deque<std::unique_ptr<FakeDispatch>> objects_;
  std::deque<Control> controls_;
  std::deque<Controls> collections_;
  std::deque<Page> pages_;
  std::deque<std::pair<std::wstring, std::wstring>> page_files_;  // path, head
  std::vector<std::wstring> read_only_heads_;
  FakeDispatch* application_ = nullptr;
  FakeDispatch* command_bars_ = nullptr;
  FakeDispatch* menu_bar_ = nullptr;
  Controls* menu_bar_controls_ = nullptr;
  Page* active_page_ = nullptr;
  std::optional<std::pair<HRESULT, std::wstring>> close_failure_;
  bool defer_caption_errors_ = false;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_WIN32_HOST_STAND_IN_HOST_H_
