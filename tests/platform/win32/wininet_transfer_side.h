// The Windows side of the transfer contract (see tests/platform/transfer_contract.h): WinINet's
// control on the message pump, against the loopback server inside the test program.
#ifndef KESTROVA_TESTS_PLATFORM_WIN32_WININET_TRANSFER_SIDE_H_
#define KESTROVA_TESTS_PLATFORM_WIN32_WININET_TRANSFER_SIDE_H_

#include <winsock2.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pump/win32/win32_event_pump.h"
#include "platform/transfer/win32/wininet_transfer_control.h"
#include "tests/platform/win32/loopback_http_server.h"

namespace kestrova::testing {

// A port of 127.0.0.1 on which nothing accepts connections, held for the life of the object: a
// socket bound to it that never listens, so connecting is refused.
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;

  std::string Url(std::string_view path) const;

 private:
  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
};

class WinInetTransferSide {
 public:
  using Control = win32::WinInetTransferControl;
  using Pump = win32::Win32EventPump;
  using Server = LoopbackHttpServer;

  // The control never asks WinINet for more than the body buffer has room for.
  static constexpr std::size_t kLargestPiece = 0;
  // WinINet reads the rest of a dropped body away on closing the request when it is already
  // there, and then keeps the connection; under Wine this depends on timing.
  static constexpr bool kMayKeepConnectionOfUnreadBody = true;
  static constexpr unsigned long kTooManyRedirectsCode = ERROR_HTTP_REDIRECT_FAILED;
  static constexpr unsigned long kTimedOutCode = ERROR_INTERNET_TIMEOUT;
  static constexpr unsigned long kCancelledCode = ERROR_INTERNET_OPERATION_CANCELLED;

  // Options for controls that reach the loopback server directly, whatever proxy the system names.
  static Control::Options Options();
  static std::optional<unsigned long> FailureCode(const Control& control) {
    return control.failure_code();
  }

  Server& server() { return server_; }
  std::string Url(std::string_view path, std::string_view scheme = "http") const {
    return server_.Url(path, scheme);
  }
  std::string RefusedUrl(std::string_view path);

 private:
  Server server_;  // also starts Winsock for RefusingPort
  std::optional<RefusingPort> refusing_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_WIN32_WININET_TRANSFER_SIDE_H_
