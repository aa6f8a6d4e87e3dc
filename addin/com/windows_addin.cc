#include "addin/com/windows_addin.h"

#include <objbase.h>
#include <oleauto.h>

#include "host/frontpage/frontpage_application.h"
#include "host/frontpage/frontpage_ids.h"
#include "platform/win32/com_failure.h"
#include "platform/win32/variant_date.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/wininet_transfer_control.h"

namespace kestrova::com {
namespace {

// The running host application: the one registered in the running object table under
// FrontPage's class id, found without activating anything; else created by that class id, which
// from inside the running host gives that host.
std::shared_ptr<host::Application> ObtainHostApplication() {
  win32::ComPtr<IDispatch> application;
  win32::ComPtr<IUnknown> running;
  if (SUCCEEDED(
          GetActiveObject(host::frontpage::kFrontPageApplicationClassId, nullptr, running.Put())) &&
      running && SUCCEEDED(running->QueryInterface(IID_IDispatch, application.PutVoid())) &&
      application) {
    return std::make_shared<host::FrontPageApplication>(std::move(application));
  }
  const HRESULT result = CoCreateInstance(host::frontpage::kFrontPageApplicationClassId, nullptr,
                                          CLSCTX_SERVER, IID_IDispatch, application.PutVoid());
  if (FAILED(result)) {
    const Failure system = win32::FailureFromHresult(result, "CoCreateInstance");
    RaiseProgramError(system.number(),
                      "The FrontPage application could not be obtained: " + system.description());
  }
  return std::make_shared<host::FrontPageApplication>(std::move(application));
}

// Mending files fetched at once, when WinINet allows as many connections to one server.
constexpr int kMostConnections = 8;

DateTime ConvertToDateWithUserLocale(std::string_view text) {
  return win32::ConvertToDateWithPlatform(text);
}

}  // namespace

WindowsAddin::WindowsAddin()
    : services_{.ui = ui_,
                .browser = browser_,
                .pump = pump_,
                .files = files_,
                .last_error = last_error_,
                .make_transfer_control = [this]() -> std::unique_ptr<TransferControl> {
                  return std::make_unique<win32::WinInetTransferControl>(pump_);
                },
                .convert_date = ConvertToDateWithUserLocale,
                .inventory_text = win32::Utf8FromAnsiCodePage,
                .mended_heads = &mended_heads_} {
  settings_.connections = win32::WinInetConnectionsPerServer(kMostConnections);
  addin_ = std::make_unique<FPKestrova>(ObtainHostApplication(), services_, settings_);
}

WindowsAddin::~WindowsAddin() = default;

}  // namespace kestrova::com
