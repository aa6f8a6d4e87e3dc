// Checks and prepares the address text given to the transfer control for libcurl.
#ifndef KESTROVA_PLATFORM_POSIX_REQUEST_URL_H_
#define KESTROVA_PLATFORM_POSIX_REQUEST_URL_H_

#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// Returns url with the bytes that an address may not carry as they are (space, control
// characters, bytes above 0x7E and " < > \ ^ ` { | }) percent-encoded; everything else, '%'
// included, is kept. Returns nullopt when the result is not an absolute http:// or https://
// address with a host.
std::optional<std::string> PrepareRequestUrl(std::string_view url);

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_REQUEST_URL_H_
