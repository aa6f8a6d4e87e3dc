#include "host/frontpage/application_event_ids.h"

#include <ocidl.h>

#include "platform/win32/com/com_ptr.h"

namespace kestrova::host::frontpage {
namespace {

// The description of the events interface in the library that holds info.
win32::ComPtr<ITypeInfo> EventsFromLibraryOf(ITypeInfo* info) {
  win32::ComPtr<ITypeInfo> events;
  if (info == nullptr) return events;
  win32::ComPtr<ITypeLib> library;
  UINT index = 0;
  if (FAILED(info->GetContainingTypeLib(library.Put(), &index)) || !library) return events;
  if (FAILED(library->GetTypeInfoOfGuid(kApplicationEventsId, events.Put()))) events.Reset();
  return events;
}

win32::ComPtr<ITypeInfo> FindEventsTypeInfo(IDispatch* application) {
  win32::ComPtr<IProvideClassInfo> provider;
  if (SUCCEEDED(application->QueryInterface(IID_IProvideClassInfo, provider.PutVoid())) &&
      provider) {
    win32::ComPtr<ITypeInfo> class_info;
    if (SUCCEEDED(provider->GetClassInfo(class_info.Put()))) {
      if (auto events = EventsFromLibraryOf(class_info.Get())) return events;
    }
  }
  UINT count = 0;
  if (SUCCEEDED(application->GetTypeInfoCount(&count)) && count > 0) {
    win32::ComPtr<ITypeInfo> info;
    if (SUCCEEDED(application->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put()))) {
      return EventsFromLibraryOf(info.Get());
    }
  }
  return {};
}

// Replaces id with the member's DISPID when events names it.
void LookUp(ITypeInfo& events, const wchar_t* name, DISPID& id) {
  OLECHAR* names[] = {const_cast<OLECHAR*>(name)};
  DISPID found = DISPID_UNKNOWN;
  if (SUCCEEDED(events.GetIDsOfNames(names, 1, &found)) && found != DISPID_UNKNOWN) id = found;
}

}  // namespace

ApplicationEventIds LookUpApplicationEventIds(IDispatch* application) noexcept {
  ApplicationEventIds ids;
  if (application == nullptr) return ids;
  const win32::ComPtr<ITypeInfo> events = FindEventsTypeInfo(application);
  if (!events) return ids;
  LookUp(*events.Get(), L"OnWebNew", ids.web_new);
  LookUp(*events.Get(), L"OnWebOpen", ids.web_open);
  LookUp(*events.Get(), L"OnBeforeWebPublish", ids.before_web_publish);
  return ids;
}

}  // namespace kestrova::host::frontpage
