// Splits the address given to the WinINet transfer control into what InternetConnect and
// HttpOpenRequest take: scheme, host, port, credentials and the object (path and query).
#ifndef KESTROVA_PLATFORM_WIN32_WININET_REQUEST_TARGET_H_
#define KESTROVA_PLATFORM_WIN32_WININET_REQUEST_TARGET_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova::win32 {

struct RequestTarget {
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
std::optional<RequestTarget> ParseRequestTarget(std::string_view url);

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_WININET_REQUEST_TARGET_H_
