// The Linux side of the transfer contract (see tests/platform/transfer_contract.h): libcurl's
// control on the poll pump, against cpp-httplib and, for the answers it will not give, raw servers
// on 127.0.0.1.
#ifndef KESTROVA_TESTS_PLATFORM_POSIX_CURL_TRANSFER_SIDE_H_
#define KESTROVA_TESTS_PLATFORM_POSIX_CURL_TRANSFER_SIDE_H_

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pump/posix/poll_event_pump.h"
#include "platform/transfer/posix/curl_transfer_control.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/test_http_server.h"

namespace kestrova::testing {

class CurlTransferSide {
 public:
  using Control = CurlTransferControl;
  using Pump = PollEventPump;
  using Server = TestHttpServer;

  // libcurl hands over at most this many body bytes at a time (CURL_MAX_WRITE_SIZE).
  static constexpr std::size_t kLargestPiece = 16 * 1024;
  // libcurl gives up the connection of a transfer that is abandoned unfinished.
  static constexpr bool kMayKeepConnectionOfUnreadBody = false;
  static constexpr unsigned long kTooManyRedirectsCode = 0;
  static constexpr unsigned long kTimedOutCode = 0;
  static constexpr unsigned long kCancelledCode = 0;

  static Control::Options Options() { return {}; }
  // The control tells why a request failed in words only.
  static std::optional<unsigned long> FailureCode(const Control&) { return std::nullopt; }

  Server& server() { return server_; }
  std::string Url(std::string_view path, std::string_view scheme = "http");
  std::string RefusedUrl(std::string_view path);

 private:
  Server server_;
  std::map<std::string, std::unique_ptr<RawHttpServer>, std::less<>> raw_servers_;  // by path
  std::optional<RefusingPort> refusing_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_POSIX_CURL_TRANSFER_SIDE_H_
