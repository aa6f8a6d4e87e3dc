#include "tests/host/frontpage/stand_in_host.h"

#include <algorithm>
#include <cwctype>
#include <regex>
#include <utility>

namespace kestrova::testing {
namespace {

constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kMethod = DISPATCH_METHOD;

// The host's own error source and the numbers it raises (automation run-time errors).
constexpr wchar_t kHostSource[] = L"Stand-in FrontPage";
constexpr HRESULT kInvalidCall = static_cast<HRESULT>(0x800A0005u);
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x800A0035u);
constexpr HRESULT kInvalidTarget = static_cast<HRESULT>(0x800A0258u);
constexpr HRESULT kPathFileAccess = static_cast<HRESULT>(0x800A004Bu);

// An argument converted as the host would convert it; nullopt when it does not convert.
std::optional<VARIANT> Converted(const VARIANT* argument, VARTYPE type) {
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(argument), 0, type)))
    return std::nullopt;
  return converted;
}

std::optional<std::int32_t> Int32Of(const FakeCall& call, std::size_t index) {
  if (index >= call.arguments.size() || ArgumentIsMissing(*call.arguments[index])) {
    return std::nullopt;
  }
  const auto value = Converted(call.arguments[index], VT_I4);
  if (!value) return std::nullopt;
  return V_I4(&*value);
}

std::wstring TextOf(const FakeCall& call, std::size_t index) {
  if (index >= call.arguments.size()) return {};
  auto value = Converted(call.arguments[index], VT_BSTR);
  if (!value) return {};
  std::wstring text(V_BSTR(&*value), SysStringLen(V_BSTR(&*value)));
  VariantClear(&*value);
  return text;
}

bool BoolOf(const FakeCall& call, std::size_t index) {
  if (index >= call.arguments.size()) return false;
  const auto value = Converted(call.arguments[index], VT_BOOL);
  return value && V_BOOL(&*value) != VARIANT_FALSE;
}

// A property get that always gives target.
void DefineGetter(FakeDispatch* object, std::wstring name, DISPID id, IDispatch* target) {
  object->Define(std::move(name), id, kGet, [target](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnObject(result, target);
  });
}

bool Contains(const std::vector<std::wstring>& list, const std::wstring& path) {
  return std::find(list.begin(), list.end(), path) != list.end();
}

std::wstring TextOfBstr(BSTR text) {
  return text == nullptr ? std::wstring() : std::wstring(text, SysStringLen(text));
}

// The head as an editor that keeps its own tree hands it back: tag names in capitals, attribute
// values without a space unquoted, no white space between elements. Giving it its own output
// again changes nothing.
std::wstring Reserialised(const std::wstring& head) {
  static const std::wregex kName(L"</?[A-Za-z]+");
  std::wstring out = std::regex_replace(head, std::wregex(L">\\s+<"), L"><");
  out = std::regex_replace(out, std::wregex(L"=\"([^\" <>]*)\""), L"=$1");
  for (std::wsregex_iterator name(out.begin(), out.end(), kName), end; name != end; ++name) {
    const auto first = out.begin() + name->position();
    std::transform(first, first + name->length(), first,
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  }
  return out;
}

}  // namespace

StandInHost::StandInHost() {
  application_ = NewObject(L"Application");
  application_events_ =
      &application_->AddConnectionPoint(kApplicationEventsId, L"Application events");
  command_bars_ = NewObject(L"CommandBars");
  menu_bar_ = NewObject(L"Menu Bar");
  menu_bar_controls_ = NewControls(L"Menu Bar.Controls");
  for (const wchar_t* caption : {L"&File", L"&Edit", L"&View", L"&Insert", L"F&ormat", L"&Tools",
                                 L"T&able", L"F&rames", L"&Window", L"&Help"}) {
    Control* menu = NewControl(10, caption, false);
    menu->owner = menu_bar_controls_;
    menu_bar_controls_->items.push_back(menu);
  }

  application_->Define(
      L"ActivePageWindow", 3, kGet, [this](const FakeCall&, VARIANT* result, EXCEPINFO*) {
        return ReturnObject(result, active_page_ != nullptr ? active_page_->window : nullptr);
      });
  DefineGetter(application_, L"CommandBars", 9, command_bars_);
  application_->Define(L"LocatePage", 21, kMethod,
                       [this](const FakeCall& call, VARIANT* result, EXCEPINFO* exception) {
                         const std::wstring path = TextOf(call, 0);
                         Page* page = OpenPage(path);
                         // Freed while it opened the page, FrontPage hands out nothing more.
                         if (application_->dead()) return RPC_E_DISCONNECTED;
                         if (page == nullptr) {
                           return RaiseHostError(exception, kFileNotFound, kHostSource,
                                                 L"The file \"" + path + L"\" could not be found.");
                         }
                         MakeActive(page);
                         return ReturnObject(result, page->window);
                       });
  // The open page windows, all in one web window: WebWindows(0).PageWindows(j), from 0.
  web_windows_ = NewObject(L"WebWindows");
  FakeDispatch* web_window = NewObject(L"WebWindow");
  page_windows_ = NewObject(L"PageWindows");
  DefineGetter(application_, L"WebWindows", 30, web_windows_);
  DefineGetter(web_window, L"PageWindows", 5, page_windows_);
  web_windows_->Define(L"Count", 1, kGet, [](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnInt32(result, 1);
  });
  web_windows_->Define(L"Item", 0, kMethod | kGet,
                       [web_window](const FakeCall& call, VARIANT* result, EXCEPINFO* exception) {
                         if (Int32Of(call, 0) != 0) {
                           return RaiseHostError(exception, kInvalidCall, kHostSource,
                                                 L"Invalid index.");
                         }
                         return ReturnObject(result, web_window);
                       });
  page_windows_->Define(L"Count", 1, kGet, [this](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnInt32(result, static_cast<std::int32_t>(open_pages_.size()));
  });
  page_windows_->Define(
      L"Item", 0, kMethod | kGet,
      [this](const FakeCall& call, VARIANT* result, EXCEPINFO* exception) {
        const std::int32_t index = Int32Of(call, 0).value_or(-1);
        if (index < 0 || static_cast<std::size_t>(index) >= open_pages_.size()) {
          return RaiseHostError(exception, kInvalidCall, kHostSource, L"Invalid index.");
        }
        return ReturnObject(result, open_pages_[static_cast<std::size_t>(index)]->window);
      });

  command_bars_->Define(L"Item", 0, kMethod | kGet,
                        [this](const FakeCall& call, VARIANT* result, EXCEPINFO* exception) {
                          if (TextOf(call, 0) != L"Menu Bar") {
                            return RaiseHostError(exception, kInvalidCall, L"Office",
                                                  L"No command bar of that name.");
                          }
                          return ReturnObject(result, menu_bar_);
                        });
  menu_bar_->Define(L"Name", 1, kGet, [](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnText(result, L"Menu Bar");
  });
  DefineGetter(menu_bar_, L"Controls", 2, menu_bar_controls_->object);
}

FakeDispatch* StandInHost::NewObject(std::wstring name) {
  objects_.push_back(std::make_unique<FakeDispatch>(std::move(name), log_));
  return objects_.back().get();
}

StandInHost::Controls* StandInHost::NewControls(std::wstring name) {
  collections_.push_back(Controls{NewObject(std::move(name)), {}});
  Controls* controls = &collections_.back();
  controls->object->Define(
      L"Add", 1, kMethod, [this, controls](const FakeCall& call, VARIANT* result, EXCEPINFO*) {
        const std::int32_t type = Int32Of(call, 0).value_or(1);
        const std::size_t count = controls->items.size();
        const std::int32_t before = Int32Of(call, 3).value_or(static_cast<std::int32_t>(count) + 1);
        const std::size_t at = before < 1 || static_cast<std::size_t>(before) > count
                                   ? count
                                   : static_cast<std::size_t>(before - 1);
        Control* control = NewControl(type, L"", BoolOf(call, 4));
        control->owner = controls;
        controls->items.insert(controls->items.begin() + static_cast<std::ptrdiff_t>(at), control);
        return ReturnObject(result, control->object);
      });
  controls->object->Define(
      L"Count", 2, kGet, [controls](const FakeCall&, VARIANT* result, EXCEPINFO*) {
        return ReturnInt32(result, static_cast<std::int32_t>(controls->items.size()));
      });
  controls->object->Define(
      L"Item", 0, kMethod | kGet,
      [controls](const FakeCall& call, VARIANT* result, EXCEPINFO* exception) {
        const std::int32_t index = Int32Of(call, 0).value_or(0);
        if (index < 1 || static_cast<std::size_t>(index) > controls->items.size()) {
          return RaiseHostError(exception, kInvalidCall, L"Office", L"Invalid index.");
        }
        return ReturnObject(result, controls->items[static_cast<std::size_t>(index - 1)]->object);
      });
  return controls;
}

StandInHost::Control* StandInHost::NewControl(std::int32_t type, std::wstring caption,
                                              bool temporary) {
  controls_.push_back(
      Control{NewObject(L"Control"), type, std::move(caption), true, temporary, nullptr, nullptr});
  Control* control = &controls_.back();
  FakeDispatch* object = control->object;
  if (type == 1) object->AddConnectionPoint(kButtonEventsId, L"Button events");
  object->Define(L"Caption", 1, kGet | kPut,
                 [this, control](const FakeCall& call, VARIANT* result, EXCEPINFO* exception) {
                   if ((call.flags & kPut) != 0) {
                     if (defer_caption_errors_) return RaiseDeferredHostError(exception);
                     control->caption = TextOf(call, 0);
                     return S_OK;
                   }
                   return ReturnText(result, control->caption);
                 });
  object->Define(L"Enabled", 2, kGet | kPut,
                 [control](const FakeCall& call, VARIANT* result, EXCEPINFO*) {
                   if ((call.flags & kPut) != 0) {
                     control->enabled = BoolOf(call, 0);
                     return S_OK;
                   }
                   return ReturnBool(result, control->enabled);
                 });
  object->Define(L"Type", 3, kGet, [control](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnInt32(result, control->type);
  });
  object->Define(L"Delete", 4, kMethod, [control](const FakeCall&, VARIANT*, EXCEPINFO* exception) {
    if (control->owner == nullptr) {
      return RaiseHostError(exception, kInvalidCall, L"Office", L"The control was deleted.");
    }
    auto& items = control->owner->items;
    items.erase(std::find(items.begin(), items.end(), control));
    control->owner = nullptr;
    return S_OK;
  });
  if (type == 10) {
    control->children = NewControls(L"Popup.Controls");
    DefineGetter(object, L"Controls", 5, control->children->object);
  }
  return control;
}

FakeDispatch* StandInHost::NewPageWindow(Page& page) {
  Page* held = &page;
  FakeDispatch* window = NewObject(L"PageWindow");
  FakeDispatch* document = NewObject(L"Document");
  FakeDispatch* all = NewObject(L"all");
  FakeDispatch* heads = NewObject(L"HEAD collection");
  FakeDispatch* others = NewObject(L"empty collection");
  FakeDispatch* head = NewObject(L"HEAD");
  FakeDispatch* file = NewObject(L"WebFile");
  DefineGetter(window, L"Document", 6, document);
  DefineGetter(window, L"File", 7, file);
  // A disk-based web's file: file:///C:/folder/page.htm.
  std::wstring url = L"file:///" + page.path;
  std::replace(url.begin(), url.end(), L'\\', L'/');
  file->Define(L"Url", 1, kGet, [url](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnText(result, url);
  });
  window->Define(L"Close", 15, kMethod,
                 [this, held](const FakeCall& call, VARIANT*, EXCEPINFO* exception) {
                   if (close_failure_) {
                     const auto failure = *std::exchange(close_failure_, std::nullopt);
                     return RaiseHostError(exception, failure.first, kHostSource, failure.second);
                   }
                   const bool save = BoolOf(call, 0);
                   if (save && !stamp_on_save_.empty() &&
                       held->head_html.find(stamp_on_save_) == std::wstring::npos) {
                     held->head_html += stamp_on_save_;
                   }
                   if (save && page_files_source_ != nullptr &&
                       !page_files_source_->WriteHead(held->path, held->head_html)) {
                     return RaiseHostError(exception, kPathFileAccess, kHostSource,
                                           L"The page \"" + held->path + L"\" could not be saved.");
                   }
                   held->closed = true;
                   std::erase(open_pages_, held);
                   held->saved_on_close = save;
                   held->dirty = false;
                   if (active_page_ == held) active_page_ = nullptr;
                   return S_OK;
                 });
  window->Define(L"IsDirty", 9, kGet, [held](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnBool(result, held->dirty);
  });
  window->Define(L"Activate", 19, kMethod, [this, held](const FakeCall&, VARIANT*, EXCEPINFO*) {
    MakeActive(held);
    if (raise_on_activate_ != nullptr) {
      SetWindowPos(raise_on_activate_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      SetForegroundWindow(raise_on_activate_);
      SetActiveWindow(raise_on_activate_);
    }
    return S_OK;
  });
  DefineGetter(document, L"all", 1, all);
  all->Define(L"tags", 1, kMethod | kGet,
              [heads, others](const FakeCall& call, VARIANT* result, EXCEPINFO*) {
                return ReturnObject(result,
                                    SameTextNoCase(TextOf(call, 0), L"HEAD") ? heads : others);
              });
  heads->Define(L"item", 0, kMethod | kGet,
                [head](const FakeCall& call, VARIANT* result, EXCEPINFO*) {
                  return ReturnObject(result, Int32Of(call, 0) == 0 ? head : nullptr);
                });
  others->Define(L"item", 0, kMethod | kGet, [](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnObject(result, nullptr);
  });
  head->Define(L"innerHTML", 1, kGet | kPut,
               [this, held](const FakeCall& call, VARIANT* result, EXCEPINFO* exception) {
                 if ((call.flags & kPut) != 0) {
                   if (held->head_read_only) {
                     return RaiseHostError(exception, kInvalidTarget, L"htmlfile",
                                           L"Invalid target element for this operation.");
                   }
                   held->head_html = TextOf(call, 0);
                   held->dirty = true;
                   return S_OK;
                 }
                 return ReturnText(
                     result, reserialise_heads_ ? Reserialised(held->head_html) : held->head_html);
               });
  return window;
}

std::vector<std::wstring> StandInHost::Captions(const Controls& controls) {
  std::vector<std::wstring> captions;
  for (const Control* control : controls.items) captions.push_back(control->caption);
  return captions;
}

IDispatch* StandInHost::AddWeb(std::wstring url) {
  FakeDispatch* web = NewObject(L"Web");
  FakeDispatch* folder = NewObject(L"WebFolder");
  DefineGetter(web, L"RootFolder", 10, folder);
  folder->Define(L"Url", 0, kGet,
                 [url = std::move(url)](const FakeCall&, VARIANT* result, EXCEPINFO*) {
                   return ReturnText(result, url);
                 });
  return web;
}

IDispatch* StandInHost::AddObject(std::wstring name) { return NewObject(std::move(name)); }

StandInHost::Page* StandInHost::OpenPage(const std::wstring& path) {
  Page* page = PageAt(path);
  if (page != nullptr && !page->closed) return page;
  std::optional<std::wstring> head;
  if (page_files_source_ != nullptr) {
    head = page_files_source_->ReadHead(path);
  } else {
    const auto file = std::find_if(page_files_.begin(), page_files_.end(),
                                   [&](const auto& entry) { return entry.first == path; });
    if (file != page_files_.end()) head = file->second;
  }
  if (!head) return nullptr;
  if (open_delay_ != 0) Sleep(open_delay_);
  pages_.push_back(Page{path, nullptr, *head, Contains(read_only_heads_, path), false, std::nullopt,
                        Contains(dirty_pages_, path)});
  page = &pages_.back();
  page->window = NewPageWindow(*page);
  latest_pages_[path] = page;
  open_pages_.push_back(page);
  return page;
}

void StandInHost::MakeActive(Page* page) {
  if (page->path == activation_kept_for_) {
    Page* kept = PageAt(stays_active_);
    if (kept != nullptr && !kept->closed) {
      active_page_ = kept;
      return;
    }
  }
  active_page_ = page;
}

void StandInHost::OpenWithUnsavedEdits(std::wstring path) {
  dirty_pages_.push_back(path);
  if (Page* page = OpenPage(path)) page->dirty = true;
}

void StandInHost::AddPageFile(std::wstring path, std::wstring head_html, bool head_read_only) {
  if (head_read_only) RefuseHeadWrites(path);
  page_files_.emplace_back(std::move(path), std::move(head_html));
}

StandInHost::Page* StandInHost::PageAt(std::wstring_view path) {
  const auto found = latest_pages_.find(path);
  return found == latest_pages_.end() ? nullptr : found->second;
}

void StandInHost::FailNextClose(HRESULT scode, std::wstring description) {
  close_failure_.emplace(scode, std::move(description));
}

void StandInHost::NumberEventsAs(const EventIds& ids, FakeDispatch::TypeInfoRoute route) {
  type_library_ = BuildStandInTypeLibrary(ids);
  application_->OfferTypeInfo(route == FakeDispatch::TypeInfoRoute::kProvideClassInfo
                                  ? type_library_.application_class.get()
                                  : type_library_.application_interface.get(),
                              route);
  event_ids_ = ids;
}

FireOutcome StandInHost::FireWebEvent(DISPID id, IDispatch* web) {
  VARIANT argument;
  V_VT(&argument) = VT_DISPATCH;
  V_DISPATCH(&argument) = web;
  DISPPARAMS params{&argument, nullptr, 1, 0};
  return application_events_->Fire(id, params);
}

StandInHost::PublishOutcome StandInHost::FireBeforeWebPublish(IDispatch* web,
                                                              std::wstring destination, bool cancel,
                                                              ByReference form) {
  BSTR destination_text =
      SysAllocStringLen(destination.data(), static_cast<UINT>(destination.size()));
  VARIANT_BOOL cancel_flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  VARIANT destination_value;
  VARIANT cancel_value;
  VariantInit(&destination_value);
  VariantInit(&cancel_value);
  VARIANT arguments[3];
  V_VT(&arguments[2]) = VT_DISPATCH;
  V_DISPATCH(&arguments[2]) = web;
  if (form == ByReference::kTyped) {
    V_VT(&arguments[1]) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&arguments[1]) = &destination_text;
    V_VT(&arguments[0]) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&arguments[0]) = &cancel_flag;
  } else {
    V_VT(&destination_value) = VT_BSTR;
    V_BSTR(&destination_value) = std::exchange(destination_text, nullptr);
    V_VT(&cancel_value) = VT_BOOL;
    V_BOOL(&cancel_value) = cancel_flag;
    V_VT(&arguments[1]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[1]) = &destination_value;
    V_VT(&arguments[0]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[0]) = &cancel_value;
  }
  DISPPARAMS params{arguments, nullptr, 3, 0};
  PublishOutcome outcome;
  static_cast<FireOutcome&>(outcome) =
      application_events_->Fire(event_ids_.before_web_publish, params);
  if (form == ByReference::kTyped) {
    outcome.destination = TextOfBstr(destination_text);
    outcome.destination_type = VT_BSTR;
    outcome.cancel_value = cancel_flag;
    outcome.cancel_type = VT_BOOL;
  } else {
    outcome.destination_type = V_VT(&destination_value);
    outcome.cancel_type = V_VT(&cancel_value);
    if (V_VT(&destination_value) == VT_BSTR)
      outcome.destination = TextOfBstr(V_BSTR(&destination_value));
    if (V_VT(&cancel_value) == VT_BOOL) outcome.cancel_value = V_BOOL(&cancel_value);
  }
  outcome.cancel = outcome.cancel_value != VARIANT_FALSE;
  SysFreeString(destination_text);
  VariantClear(&destination_value);
  VariantClear(&cancel_value);
  return outcome;
}

StandInHost::ClickOutcome StandInHost::Click(const Control& button, bool cancel_default) {
  ClickOutcome outcome;
  FakeConnectionPoint* point = button.object->ConnectionPoint(kButtonEventsId);
  if (point == nullptr) {
    outcome.result = DISP_E_MEMBERNOTFOUND;
    return outcome;
  }
  VARIANT_BOOL flag = cancel_default ? VARIANT_TRUE : VARIANT_FALSE;
  VARIANT arguments[2];
  V_VT(&arguments[1]) = VT_DISPATCH;
  V_DISPATCH(&arguments[1]) = button.object;
  V_VT(&arguments[0]) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&arguments[0]) = &flag;
  DISPPARAMS params{arguments, nullptr, 2, 0};
  static_cast<FireOutcome&>(outcome) = point->Fire(kClickId, params);
  outcome.cancel_default_value = flag;
  outcome.cancel_default = flag != VARIANT_FALSE;
  return outcome;
}

std::size_t StandInHost::ApplicationSinkCount() const {
  return application_events_->connection_count();
}

std::size_t StandInHost::ButtonSinkCount(const Control& button) const {
  const FakeConnectionPoint* point = button.object->ConnectionPoint(kButtonEventsId);
  return point == nullptr ? 0 : point->connection_count();
}

std::size_t StandInHost::ConnectedSinkCount() const {
  std::size_t count = 0;
  for (const auto& object : objects_) {
    for (const auto& point : object->connection_points()) count += point->connection_count();
  }
  return count;
}

StandInHost::Control* StandInHost::MenuItem(std::wstring_view popup_caption,
                                            std::wstring_view caption) {
  for (Control* popup : menu_bar_controls_->items) {
    if (popup->caption != popup_caption || popup->children == nullptr) continue;
    for (Control* item : popup->children->items) {
      if (item->caption == caption) return item;
    }
  }
  return nullptr;
}

void StandInHost::MarkControlDead(Control& control) {
  control.object->MarkDead();
  if (control.children == nullptr) return;
  control.children->object->MarkDead();
  for (Control* child : control.children->items) MarkControlDead(*child);
}

std::vector<std::wstring> StandInHost::CallsOnDeadObjects() const {
  std::vector<std::wstring> calls;
  for (const auto& object : objects_) {
    const std::vector<std::wstring> of_object = object->calls_when_dead();
    calls.insert(calls.end(), of_object.begin(), of_object.end());
  }
  return calls;
}

long StandInHost::OutstandingReferences() const {
  long total = 0;
  for (const auto& object : objects_) {
    if (object->dead()) continue;  // freed, references and all
    total += object->references();
    for (const auto& point : object->connection_points()) total += point->references();
  }
  return total;
}

std::vector<std::wstring> StandInHost::ObjectsStillReferenced() const {
  std::vector<std::wstring> held;
  const auto note = [&](const std::wstring& name, long references) {
    if (references != 0) held.push_back(name + L":" + std::to_wstring(references));
  };
  for (const auto& object : objects_) {
    if (object->dead()) continue;
    note(object->name(), object->references());
    for (const auto& point : object->connection_points()) note(point->name(), point->references());
  }
  return held;
}

}  // namespace kestrova::testing
