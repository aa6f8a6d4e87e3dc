// An in-process stand-in for the part of FrontPage's object model that the host layer calls: the
// application, its command bars with the menu bar of FrontPage 2000, webs with root folders, and
// page windows whose MSHTML documents have a head. Every call is recorded in log(). The
// application raises its web events and every button its Click event through connection points,
// as FrontPage and Office do.
#ifndef KESTROVA_TESTS_HOST_FRONTPAGE_STAND_IN_HOST_H_
#define KESTROVA_TESTS_HOST_FRONTPAGE_STAND_IN_HOST_H_

#include <oaidl.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/host/frontpage/fake_connection_point.h"
#include "tests/host/frontpage/fake_dispatch.h"
#include "tests/host/frontpage/stand_in_type_library.h"

namespace kestrova::testing {

// FrontPage's application events, _IApplicationEvents, and the members the host raises.
inline constexpr IID kApplicationEventsId = {
    0xF5D15700, 0xE9D8, 0x11D1, {0xB0, 0xDF, 0x00, 0xC0, 0x4F, 0xA3, 0x0A, 0x8B}};
inline constexpr DISPID kOnWebNewId = 1;
inline constexpr DISPID kOnWebOpenId = 2;
inline constexpr DISPID kOnBeforeWebPublishId = 4;
// Office's command bar button events, _CommandBarButtonEvents, and its Click.
inline constexpr IID kButtonEventsId = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr DISPID kClickId = 1;

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
    bool dirty = false;  // IsDirty: changes not saved yet
  };

  // Where LocatePage finds page files and where Close(True) saves them, in place of the list that
  // AddPageFile keeps.
  class PageFiles {
   public:
    virtual ~PageFiles() = default;
    // The inner HTML of the head of the file at path; nullopt when there is no such page.
    virtual std::optional<std::wstring> ReadHead(const std::wstring& path) = 0;
    // Makes head the inner HTML of the head of the file at path; false when it cannot.
    virtual bool WriteHead(const std::wstring& path, const std::wstring& head) = 0;
  };

  // How OnBeforeWebPublish passes Destination and Cancel by reference: as VT_BYREF|VT_BSTR and
  // VT_BYREF|VT_BOOL, or both as VT_BYREF|VT_VARIANT.
  enum class ByReference { kTyped, kVariant };

  // OnBeforeWebPublish's outcome: the sinks' result and what they wrote back. cancel_value is the
  // VARIANT_BOOL as written; the types are those of the referenced values after the call.
  struct PublishOutcome : FireOutcome {
    std::wstring destination;
    bool cancel = false;
    VARIANT_BOOL cancel_value = VARIANT_FALSE;
    VARTYPE destination_type = VT_EMPTY;
    VARTYPE cancel_type = VT_EMPTY;
  };

  // A button's Click outcome: the sinks' result and CancelDefault as they left it.
  struct ClickOutcome : FireOutcome {
    bool cancel_default = false;
    VARIANT_BOOL cancel_default_value = VARIANT_FALSE;
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
  // An object without members (the AddInInst of a connection, say), counted like the rest.
  IDispatch* AddObject(std::wstring name);

  // Makes a page at path that LocatePage opens, with head_html as its head's inner HTML.
  void AddPageFile(std::wstring path, std::wstring head_html, bool head_read_only = false);
  // Opens the page at path in a window now, with changes not saved yet, as a user's edits leave
  // it; it stays open, listed among the page windows, until closed (LocatePage returns it).
  void OpenWithUnsavedEdits(std::wstring path);
  // Makes the head of the page at path, however it is served, refuse every write.
  void RefuseHeadWrites(std::wstring path) { read_only_heads_.push_back(std::move(path)); }
  // When set, a head's innerHTML reads re-serialised as an editor with a tree of its own gives it
  // (see Reserialised in the .cc), not as it was written.
  void set_reserialise_heads(bool value) { reserialise_heads_ = value; }
  // When set, Close(True) puts meta_tag at the end of the head before saving (once), as an
  // editor that stamps its name on every page it saves.
  void set_stamp_on_save(std::wstring meta_tag) { stamp_on_save_ = std::move(meta_tag); }
  // From now on LocatePage and Activate of the page at located leave the page window of
  // stays_active active, when that page is open.
  void ActivateLeavesActive(std::wstring located, std::wstring stays_active) {
    activation_kept_for_ = std::move(located);
    stays_active_ = std::move(stays_active);
  }
  // Each LocatePage that opens a new window takes this long first, as a real editor's open does.
  void set_open_delay(DWORD milliseconds) { open_delay_ = milliseconds; }
  // The page located at path (null when it was never located).
  Page* PageAt(std::wstring_view path);

  // Serves pages from files (null: from AddPageFile's list again); files must outlive their use.
  void ServePagesFrom(PageFiles* files) { page_files_source_ = files; }

  // Numbers the three events the add-in handles as ids from now on, as a later FrontPage might,
  // and describes them by name in a type library that the application offers on route.
  void NumberEventsAs(const EventIds& ids, FakeDispatch::TypeInfoRoute route);

  // The application's web events, raised with pWeb = web on every connected sink.
  FireOutcome FireWebNew(IDispatch* web) { return FireWebEvent(event_ids_.web_new, web); }
  FireOutcome FireWebOpen(IDispatch* web) { return FireWebEvent(event_ids_.web_open, web); }
  // OnBeforeWebPublish(pWeb, Destination, Cancel) with the arguments in reverse order (rgvarg[0]
  // Cancel, rgvarg[1] Destination, rgvarg[2] pWeb), passed by reference as `form` says.
  PublishOutcome FireBeforeWebPublish(IDispatch* web, std::wstring destination, bool cancel,
                                      ByReference form = ByReference::kTyped);
  // Click(Ctrl, CancelDefault) of button, with Ctrl the button itself and CancelDefault by
  // reference (VT_BYREF|VT_BOOL, rgvarg[0]).
  ClickOutcome Click(const Control& button, bool cancel_default = false);

  // Sinks connected to the application's events, to button's Click, and to any point at all.
  std::size_t ApplicationSinkCount() const;
  std::size_t ButtonSinkCount(const Control& button) const;
  std::size_t ConnectedSinkCount() const;
  // The control on the popup captioned popup_caption of the menu bar whose caption is caption, or
  // null.
  Control* MenuItem(std::wstring_view popup_caption, std::wstring_view caption);

  // FrontPage tearing itself down: marks every object of the model dead (FakeDispatch::MarkDead).
  void MarkObjectsDead() {
    for (const auto& object : objects_) object->MarkDead();
  }
  // FrontPage freeing a deleted control: marks it and every control below it dead.
  void MarkControlDead(Control& control);
  // The calls that reached an object after it was marked dead, as "object.member".
  std::vector<std::wstring> CallsOnDeadObjects() const;

  // From now on a page window's Activate brings window to the front and activates it, as
  // FrontPage's editor brings its own window forward (null: it raises nothing).
  void RaiseOnActivate(HWND window) { raise_on_activate_ = window; }

  // The application's connection point keeps the sinks it is told to let go of, until
  // ReleaseKeptSinks (which returns how many it released).
  void KeepApplicationSinksPastUnadvise() { application_events_->KeepSinksPastUnadvise(); }
  std::size_t ReleaseKeptSinks() { return application_events_->ReleaseKeptSinks(); }

  // When set, the next Close raises this host error (scode, description) instead of closing.
  void FailNextClose(HRESULT scode, std::wstring description);
  // When set, Caption puts raise the deferred host error.
  void set_defer_caption_errors(bool value) { defer_caption_errors_ = value; }

  // The sum of outstanding references over every live object and connection point of the model,
  // and those that still hold some (as "name:count"); a freed object's go with it.
  long OutstandingReferences() const;
  std::vector<std::wstring> ObjectsStillReferenced() const;

 private:
  FakeDispatch* NewObject(std::wstring name);
  Controls* NewControls(std::wstring name);
  Control* NewControl(std::int32_t type, std::wstring caption, bool temporary);
  FakeDispatch* NewPageWindow(Page& page);
  // Opens the page at path in a new window unless it is open; null when no file serves it.
  Page* OpenPage(const std::wstring& path);
  // Makes page active, or the page of stays_active_ when activation is kept for page.
  void MakeActive(Page* page);
  FireOutcome FireWebEvent(DISPID id, IDispatch* web);

  CallLog log_;
  std::deque<std::unique_ptr<FakeDispatch>> objects_;
  std::deque<Control> controls_;
  std::deque<Controls> collections_;
  std::deque<Page> pages_;
  std::map<std::wstring, Page*, std::less<>> latest_pages_;  // the last page opened at each path
  std::vector<Page*> open_pages_;                            // in the order they were opened
  std::deque<std::pair<std::wstring, std::wstring>> page_files_;  // path, head
  std::vector<std::wstring> read_only_heads_;
  std::vector<std::wstring> dirty_pages_;
  FakeDispatch* application_ = nullptr;
  FakeDispatch* command_bars_ = nullptr;
  FakeDispatch* menu_bar_ = nullptr;
  Controls* menu_bar_controls_ = nullptr;
  Page* active_page_ = nullptr;
  FakeDispatch* web_windows_ = nullptr;
  FakeDispatch* page_windows_ = nullptr;
  std::wstring stamp_on_save_;
  std::wstring activation_kept_for_;
  std::wstring stays_active_;
  DWORD open_delay_ = 0;
  std::optional<std::pair<HRESULT, std::wstring>> close_failure_;
  bool defer_caption_errors_ = false;
  bool reserialise_heads_ = false;
  HWND raise_on_activate_ = nullptr;
  PageFiles* page_files_source_ = nullptr;
  FakeConnectionPoint* application_events_ = nullptr;
  EventIds event_ids_{kOnWebNewId, kOnWebOpenId, kOnBeforeWebPublishId};
  StandInTypeLibrary type_library_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_HOST_FRONTPAGE_STAND_IN_HOST_H_
