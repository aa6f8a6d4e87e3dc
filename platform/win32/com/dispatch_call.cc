#include "platform/win32/com/dispatch_call.h"

#include <string>
#include <vector>

#include "base/host_closing.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/com/dispatch_failure.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {
namespace {

// Every call runs on the host's one user-interface thread.
bool host_calls_refused = false;
bool host_objects_abandoned = false;
HWND host_window = nullptr;

void RaiseWhenRefused() {
  if (host_calls_refused || HostObjectsAbandoned()) throw HostClosing{};
}

// Invoke with a DISPPARAMS built from arguments (reversed, as IDispatch wants them) and, for a
// property put, the named argument DISPID_PROPERTYPUT.
win32::UniqueVariant InvokeWithParams(IDispatch* object, std::wstring_view name, WORD flags,
                                      Arguments arguments) {
  const std::string member = win32::Utf8FromWide(name);
  if (object == nullptr) RaiseProgramError(kErrObjectNotSet);
  RaiseWhenRefused();
  const DISPID id = MemberId(object, name);
  // Shallow copies: Invoke reads by-value arguments and never frees them.
  std::vector<VARIANT> reversed(arguments.size());
  std::size_t slot = arguments.size();
  for (const VARIANT* argument : arguments) reversed[--slot] = *argument;
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  win32::UniqueVariant result;
  EXCEPINFO exception{};
  UINT argument_error = 0;
  const HRESULT invoked = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                         result.Put(), &exception, &argument_error);
  if (FAILED(invoked)) {
    // The host may have begun to close, or freed its objects, during the call (it runs its
    // messages inside some): the failure is that of a host going away, not one to show.
    RaiseWhenRefused();
    throw FailureFromInvoke(invoked, exception, member);
  }
  return result;
}

}  // namespace

void RefuseHostCalls(bool refuse) noexcept {
  host_calls_refused = refuse;
  if (!refuse) {
    host_objects_abandoned = false;
    host_window = nullptr;
  }
}

void AbandonHostObjects() noexcept { host_objects_abandoned = true; }

bool HostObjectsAbandoned() noexcept {
  // Once gone, the window counts as gone for good: its handle may be reused.
  if (!host_objects_abandoned && host_window != nullptr && IsWindow(host_window) == FALSE) {
    host_objects_abandoned = true;
  }
  return host_objects_abandoned;
}

void WatchHostWindow(HWND window) noexcept {
  if (!HostObjectsAbandoned()) host_window = window;
}

bool HostCallsRefused() noexcept { return host_calls_refused; }

DISPID MemberId(IDispatch* object, std::wstring_view name) {
  if (object == nullptr) RaiseProgramError(kErrObjectNotSet);
  RaiseWhenRefused();
  std::wstring name_text(name);
  LPOLESTR names[] = {name_text.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT found = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(found)) throw win32::FailureFromHresult(found, win32::Utf8FromWide(name));
  return id;
}

win32::UniqueVariant Invoke(IDispatch* object, std::wstring_view name, WORD flags,
                            Arguments arguments) {
  return InvokeWithParams(object, name, flags, arguments);
}

win32::UniqueVariant GetProperty(IDispatch* object, std::wstring_view name, Arguments arguments) {
  return InvokeWithParams(object, name, DISPATCH_PROPERTYGET, arguments);
}

void PutProperty(IDispatch* object, std::wstring_view name, const VARIANT& value) {
  InvokeWithParams(object, name, DISPATCH_PROPERTYPUT, {&value});
}

win32::UniqueVariant CallMethod(IDispatch* object, std::wstring_view name, Arguments arguments) {
  return InvokeWithParams(object, name, DISPATCH_METHOD, arguments);
}

win32::UniqueVariant CallItem(IDispatch* object, std::wstring_view name, Arguments arguments) {
  return InvokeWithParams(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments);
}

}  // namespace kestrova::win32
