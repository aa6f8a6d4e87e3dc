// Late-bound calls on the host's automation objects: every member is found by name
// (GetIDsOfNames) and called through IDispatch::Invoke, so that later versions of the host, which
// keep the names, work as well. A failing call raises a Failure with the host's own description.
#ifndef KESTROVA_PLATFORM_WIN32_COM_DISPATCH_CALL_H_
#define KESTROVA_PLATFORM_WIN32_COM_DISPATCH_CALL_H_

#include <oaidl.h>

#include <initializer_list>
#include <string_view>

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
