// What the user reads when a proxy between this computer and the site stands in the way: the
// proxy asks for a password (status 407), which the add-in never sends nor asks for, so that the
// answer is not taken for the server's own.
#ifndef KESTROVA_PLATFORM_TRANSFER_TRANSFER_PROXY_H_
#define KESTROVA_PLATFORM_TRANSFER_TRANSFER_PROXY_H_

#include <string>
#include <string_view>

namespace kestrova {

// The status of a proxy's answer when it wants a password before it passes a request on.
inline constexpr int kProxyAuthenticationRequired = 407;

// "The proxy server asks for a password before it passes on the request for URL ..." with the
// answer's status line and what the user can do.
std::string ProxyPasswordText(std::string_view url, std::string_view status_line);

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_TRANSFER_PROXY_H_
