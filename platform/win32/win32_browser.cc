#include "platform/win32/win32_browser.h"

#include <ole2.h>
#include <shellapi.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "mending/failure.h"
#include "platform/win32/com_failure.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/unique_bstr.h"
#include "platform/win32/unique_variant.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {
namespace {

// The browser's automation object, or an empty pointer with the reason it could not be created.
ComPtr<IDispatch> CreateAutomationObject(const std::wstring& prog_id, HRESULT& reason) {
  CLSID clsid{};
  reason = CLSIDFromProgID(prog_id.c_str(), &clsid);
  ComPtr<IDispatch> object;
  if (SUCCEEDED(reason)) {
    reason = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.PutVoid());
  }
  if (FAILED(reason)) object.Reset();
  return object;
}

// The Failure for a failed Invoke of `member`: the object's own number, source and description
// when it raised an error of its own (DISP_E_EXCEPTION), the system's text otherwise. Frees the
// strings of `exception`.
Failure FailureFromDispatchCall(HRESULT result, EXCEPINFO& exception, std::string_view member) {
  if (result == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr) {
    exception.pfnDeferredFillIn(&exception);
  }
  const UniqueBstr source = UniqueBstr::Attach(exception.bstrSource);
  const UniqueBstr description = UniqueBstr::Attach(exception.bstrDescription);
  const UniqueBstr help_file = UniqueBstr::Attach(exception.bstrHelpFile);
  exception.bstrSource = nullptr;
  exception.bstrDescription = nullptr;
  exception.bstrHelpFile = nullptr;
  if (result != DISP_E_EXCEPTION || description.View().empty()) {
    return FailureFromHresult(result, member);
  }
  // An object numbers an error of its own in scode or, as a run-time error, in wCode.
  std::int32_t number = static_cast<std::int32_t>(result);
  if (FAILED(exception.scode)) {
    number = static_cast<std::int32_t>(exception.scode);
  } else if (exception.wCode != 0) {
    number = exception.wCode;
  }
  std::string source_text = Utf8FromWide(source.View());
  if (source_text.empty()) source_text = std::string(member);
  return Failure(number, std::move(source_text), Utf8FromWide(description.View()));
}

// Calls member `name` of `object` with `flags` and the one argument `value`, passed as the named
// DISPID_PROPERTYPUT for a property put. Raises a Failure when the object has no such member or
// the call fails.
void InvokeWithOneArgument(IDispatch* object, const wchar_t* name, WORD flags,
                           const VARIANT& value) {
  const std::string member = Utf8FromWide(name);
  std::wstring name_text(name);
  LPOLESTR names[] = {name_text.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT found = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(found)) throw FailureFromHresult(found, member);

  // A shallow copy: Invoke reads a by-value argument and never frees it.
  VARIANT argument = value;
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = &argument;
  params.cArgs = 1;
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  UniqueVariant result;
  EXCEPINFO exception{};
  UINT argument_error = 0;
  const HRESULT invoked = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                         result.Put(), &exception, &argument_error);
  if (FAILED(invoked)) throw FailureFromDispatchCall(invoked, exception, member);
}

}  // namespace

bool OpenWithShell(std::wstring_view url) {
  const std::wstring address(url);
  const HINSTANCE started =
      ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // ShellExecuteW's result is a number dressed as a handle: above 32 it started something.
  return reinterpret_cast<INT_PTR>(started) > 32;
}

Win32Browser::Win32Browser(std::wstring prog_id, BrowserOpener fallback)
    : prog_id_(std::move(prog_id)), fallback_(std::move(fallback)) {}

void Win32Browser::Navigate(std::string_view url) {
  const std::wstring address = WideFromUtf8(url);
  HRESULT reason = S_OK;
  const ComPtr<IDispatch> browser = CreateAutomationObject(prog_id_, reason);
  if (!browser) {
    if (fallback_ && fallback_(address)) return;
    throw Failure(static_cast<std::int32_t>(reason), std::string(kProgramSource),
                  "No browser could be started to open \"" + std::string(url) + "\".");
  }
  InvokeWithOneArgument(browser.Get(), L"Navigate", DISPATCH_METHOD,
                        UniqueVariant::FromText(address).Get());
  VARIANT visible;
  VariantInit(&visible);
  V_VT(&visible) = VT_BOOL;
  V_BOOL(&visible) = VARIANT_TRUE;
  InvokeWithOneArgument(browser.Get(), L"Visible", DISPATCH_PROPERTYPUT, visible);
}

}  // namespace kestrova::win32
