// The one place where errno values and libcurl codes become kestrova::Failure.
#ifndef KESTROVA_PLATFORM_POSIX_POSIX_FAILURE_H_
#define KESTROVA_PLATFORM_POSIX_POSIX_FAILURE_H_

#include <curl/curl.h>

#include <string_view>

namespace kestrova {

// Raises the failure of a system call: what names the call, error is the errno value.
[[noreturn]] void RaiseSystemError(std::string_view what, int error);

// Raises the failure of a libcurl call that should not fail (setting an option, adding a handle):
// what names the call.
[[noreturn]] void RaiseCurlError(std::string_view what, CURLcode code);
[[noreturn]] void RaiseCurlError(std::string_view what, CURLMcode code);

// Raises CURLcode failures, returns otherwise.
void CheckCurl(std::string_view what, CURLcode code);
void CheckCurl(std::string_view what, CURLMcode code);

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_POSIX_FAILURE_H_
