// Late-bound calls on the host's automation objects: every member is found by name
// (GetIDsOfNames) and called through IDispatch::Invoke, so that later versions of the host, which
// keep the names, work as well. A failing call raises a Failure with the host's own description.
#ifndef KESTROVA_PLATFORM_WIN32_COM_DISPATCH_CALL_H_
#define KESTROVA_PLATFORM_WIN32_COM_DISPATCH_CALL_H_

#include <oaidl.h>
#include <windows.h>

#include <initializer_list>
#include <string_view>
#include <utility>

#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/unique_variant.h"

namespace kestrova::win32 {

// The arguments of a call in the order the caller writes them (first argument first); the
// VARIANTs stay owned by the caller.
using Arguments = std::initializer_list<const VARIANT*>;

// Once refused (the host has begun to close: its objects may be gone at any moment), every call of
// this file, and every event connection's Unadvise, raises HostClosing (base/host_closing.h)
// instead of reaching the object. Allowed again by RefuseHostCalls(false), when a host connects.
void RefuseHostCalls(bool refuse) noexcept;
bool HostCallsRefused() noexcept;

// The host has freed its objects: every call is refused as above, and a reference to one of its
// objects is let go of without Release (HostPtr), for a Release would run code of an object that
// is gone. Set when the host lets the add-in go from inside one of its event handlers while
// closing (it frees its objects as soon as that release returns, before the handler does), and
// when the host's main window watched by WatchHostWindow has been destroyed: the host then ends
// without a word to the add-in. Both are forgotten by RefuseHostCalls(false).
void AbandonHostObjects() noexcept;
bool HostObjectsAbandoned() noexcept;
// Watches window, the host's main window (null: none), in place of one watched before.
void WatchHostWindow(HWND window) noexcept;

// A reference to a host object that, once the host's objects are abandoned, goes without Release.
template <typename T>
class HostPtr : public ComPtr<T> {
 public:
  HostPtr() noexcept = default;
  HostPtr(ComPtr<T> held) noexcept  // NOLINT(google-explicit-constructor): takes its reference.
      : ComPtr<T>(std::move(held)) {}
  HostPtr(const HostPtr&) noexcept = default;
  HostPtr(HostPtr&&) noexcept = default;
  HostPtr& operator=(const HostPtr&) noexcept = default;
  HostPtr& operator=(HostPtr&&) noexcept = default;
  ~HostPtr() {
    if (HostObjectsAbandoned()) (void)this->Detach();
  }
};

// The DISPID of member `name` of `object`; raises a Failure (the host's DISP_E_UNKNOWNNAME and its
// kin) when the object has no such member.
DISPID MemberId(IDispatch* object, std::wstring_view name);

// Calls member `name` of `object` with `flags` (DISPATCH_METHOD, DISPATCH_PROPERTYGET, or both)
// and returns its result (VT_EMPTY when it has none). Raises a Failure when the call fails.
win32::UniqueVariant Invoke(IDispatch* object, std::wstring_view name, WORD flags,
                            Arguments arguments = {});

// The value of property `name`, indexed by `arguments` when given.
win32::UniqueVariant GetProperty(IDispatch* object, std::wstring_view name,
                                 Arguments arguments = {});

// Sets property `name` to `value` (DISPATCH_PROPERTYPUT, the value as the named argument
// DISPID_PROPERTYPUT).
void PutProperty(IDispatch* object, std::wstring_view name, const VARIANT& value);

// Calls method `name` and returns its result.
win32::UniqueVariant CallMethod(IDispatch* object, std::wstring_view name,
                                Arguments arguments = {});

// Calls `name` the way automation clients call a collection's Item or an indexed member: as a
// method or as a property with arguments, whichever the object offers.
win32::UniqueVariant CallItem(IDispatch* object, std::wstring_view name, Arguments arguments);

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_COM_DISPATCH_CALL_H_
