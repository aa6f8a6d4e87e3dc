#include "addin/com/windows_addin.h"

#include "platform/transfer/win32/wininet_transfer_control.h"
#include "platform/win32/variant_date.h"
#include "platform/win32/wide_text.h"

namespace kestrova::com {
namespace {

// Mending files fetched at once, when WinINet allows as many connections to one server.
constexpr int kMostConnections = 8;

// The service's notation first on every locale, the user's own as the fallback.
DateTime ConvertInventoryDate(std::string_view text) { return win32::ConvertInventoryDate(text); }

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
                .convert_date = ConvertInventoryDate,
                .inventory_text = win32::Utf8FromAnsiCodePage,
                .mended_heads = &mended_heads_} {
  settings_.connections = win32::WinInetConnectionsPerServer(kMostConnections);
  // No host application yet: OnConnection hands over FrontPage's own (see FPKestrovaCom::Create).
  addin_ = std::make_unique<FPKestrova>(nullptr, services_, settings_);
}

WindowsAddin::~WindowsAddin() = default;

}  // namespace kestrova::com
