#include "tests/win32_host/stand_in_host.h"

#include <algorithm>
#include <cwctype>
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

bool SameNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
         });
}

}  // namespace

StandInHost::StandInHost() {
  application_ = NewObject(L"Application");
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
  application_->Define(L"CommandBars", 9, kGet,
                       [this](const FakeCall&, VARIANT* result, EXCEPINFO*) {
                         return ReturnObject(result, command_bars_);
                       });
  application_->Define(
      L"LocatePage", 21, kMethod,
      [this](const FakeCall& call, VARIANT* result, EXCEPINFO* exception) {
        const std::wstring path = TextOf(call, 0);
        const auto file = std::find_if(page_files_.begin(), page_files_.end(),
                                       [&](const auto& entry) { return entry.first == path; });
        if (file == page_files_.end()) {
          return RaiseHostError(exception, kFileNotFound, kHostSource,
                                L"The file \"" + path + L"\" could not be found.");
        }
        Page* page = PageAt(path);
        if (page == nullptr || page->closed) {
          pages_.push_back(Page{path, nullptr, file->second,
                                std::find(read_only_heads_.begin(), read_only_heads_.end(), path) !=
                                    read_only_heads_.end(),
                                false, std::nullopt});
          page = &pages_.back();
          page->window = NewPageWindow(*page);
        }
        active_page_ = page;
        return ReturnObject(result, page->window);
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
  menu_bar_->Define(L"Controls", 2, kGet, [this](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnObject(result, menu_bar_controls_->object);
  });
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
    object->Define(L"Controls", 5, kGet, [control](const FakeCall&, VARIANT* result, EXCEPINFO*) {
      return ReturnObject(result, control->children->object);
    });
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
  window->Define(L"Document", 6, kGet, [document](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnObject(result, document);
  });
  window->Define(L"Close", 15, kMethod,
                 [this, held](const FakeCall& call, VARIANT*, EXCEPINFO* exception) {
                   if (close_failure_) {
                     const auto failure = *std::exchange(close_failure_, std::nullopt);
                     return RaiseHostError(exception, failure.first, kHostSource, failure.second);
                   }
                   held->closed = true;
                   held->saved_on_close = BoolOf(call, 0);
                   if (active_page_ == held) active_page_ = nullptr;
                   return S_OK;
                 });
  window->Define(L"Activate", 19, kMethod, [this, held](const FakeCall&, VARIANT*, EXCEPINFO*) {
    active_page_ = held;
    return S_OK;
  });
  document->Define(L"all", 1, kGet, [all](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnObject(result, all);
  });
  all->Define(L"tags", 1, kMethod | kGet,
              [heads, others](const FakeCall& call, VARIANT* result, EXCEPINFO*) {
                return ReturnObject(result, SameNoCase(TextOf(call, 0), L"HEAD") ? heads : others);
              });
  heads->Define(L"item", 0, kMethod | kGet,
                [head](const FakeCall& call, VARIANT* result, EXCEPINFO*) {
                  return ReturnObject(result, Int32Of(call, 0) == 0 ? head : nullptr);
                });
  others->Define(L"item", 0, kMethod | kGet, [](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnObject(result, nullptr);
  });
  head->Define(L"innerHTML", 1, kGet | kPut,
               [held](const FakeCall& call, VARIANT* result, EXCEPINFO* exception) {
                 if ((call.flags & kPut) != 0) {
                   if (held->head_read_only) {
                     return RaiseHostError(exception, kInvalidTarget, L"htmlfile",
                                           L"Invalid target element for this operation.");
                   }
                   held->head_html = TextOf(call, 0);
                   return S_OK;
                 }
                 return ReturnText(result, held->head_html);
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
  web->Define(L"RootFolder", 10, kGet, [folder](const FakeCall&, VARIANT* result, EXCEPINFO*) {
    return ReturnObject(result, folder);
  });
  folder->Define(L"Url", 0, kGet,
                 [url = std::move(url)](const FakeCall&, VARIANT* result, EXCEPINFO*) {
                   return ReturnText(result, url);
                 });
  return web;
}

void StandInHost::AddPageFile(std::wstring path, std::wstring head_html, bool head_read_only) {
  if (head_read_only) read_only_heads_.push_back(path);
  page_files_.emplace_back(std::move(path), std::move(head_html));
}

StandInHost::Page* StandInHost::PageAt(std::wstring_view path) {
  Page* found = nullptr;
  for (auto& page : pages_) {
    if (page.path == path) found = &page;
  }
  return found;
}

void StandInHost::FailNextClose(HRESULT scode, std::wstring description) {
  close_failure_.emplace(scode, std::move(description));
}

long StandInHost::OutstandingReferences() const {
  long total = 0;
  for (const auto& object : objects_) total += object->references();
  return total;
}

std::vector<std::wstring> StandInHost::ObjectsStillReferenced() const {
  std::vector<std::wstring> held;
  for (const auto& object : objects_) {
    if (object->references() != 0) {
      held.push_back(object->name() + L":" + std::to_wstring(object->references()));
    }
  }
  return held;
}

}  // namespace kestrova::testing
