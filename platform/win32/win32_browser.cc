#include "platform/win32/win32_browser.h"

#include <ole2.h>
#include <shellapi.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "base/failure.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/dispatch_call.h"
#include "platform/win32/com/unique_variant.h"
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

// Asks the automation object to end; a refusal changes nothing for the caller.
void QuitQuietly(IDispatch* browser) {
  try {
    CallMethod(browser, L"Quit");
  } catch (const Failure&) {
  }
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
    RaiseProgramError(static_cast<std::int32_t>(reason),
                      "No browser could be started to open \"" + std::string(url) + "\".");
  }
  try {
    const UniqueVariant target = UniqueVariant::FromText(address);
    CallMethod(browser.Get(), L"Navigate", {&target.Get()});
    VARIANT visible;  // a Boolean owns nothing to free
    VariantInit(&visible);
    V_VT(&visible) = VT_BOOL;
    V_BOOL(&visible) = VARIANT_TRUE;
    PutProperty(browser.Get(), L"Visible", visible);
  } catch (const Failure&) {
    // A browser that is installed but refuses (locked down, or retired in favour of another) is
    // no reason to leave the user without the page: the system's default browser opens it. The
    // refusing object may already run without a window; it is asked to end.
    QuitQuietly(browser.Get());
    if (fallback_ && fallback_(address)) return;
    throw;
  }
}
}  // namespace kestrova::win32
