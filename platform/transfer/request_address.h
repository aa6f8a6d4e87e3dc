// Reads the address given to a transfer control: one check for every control, so that all of them
// accept the same addresses, and the pieces a transport that does not take whole addresses needs.
#ifndef KESTROVA_PLATFORM_TRANSFER_REQUEST_ADDRESS_H_
#define KESTROVA_PLATFORM_TRANSFER_REQUEST_ADDRESS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

struct RequestAddress {
  std::string text;        // the whole address, with the unsafe bytes percent-encoded
  bool secure = false;     // https
  std::string host;        // a name or an address; an IPv6 address without its brackets
  std::uint16_t port = 0;  // the scheme's default when the address names none
  std::string user;        // empty when the address carries no credentials
  std::string password;
  std::string object;  // path and query, starting with '/'; never the fragment
};

// Reads an absolute http:// or https:// address (scheme in any case). The bytes an address may not
// carry as they are (space, control characters, bytes above 0x7E and " < > \ ^ ` { | }) are
// percent-encoded first; everything else, '%' included, is kept. Empty when the text is not such
// an address with a host, or names a port outside 1 to 65535.
std::optional<RequestAddress> ParseRequestAddress(std::string_view url);

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_REQUEST_ADDRESS_H_
