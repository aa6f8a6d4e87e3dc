// The one place where errno values and libcurl codes become kestrova::Failure.
#ifndef KESTROVA_PLATFORM_POSIX_POSIX_FAILURE_H_
#define KESTROVA_PLATFORM_POSIX_POSIX_FAILURE_H_

#include <curl/curl.h>

#include <string>
#include <string_view>

namespace kestrova {

// Raises the failure of a system call: what names the call, error is the errno value.
[[noreturn]] void RaiseSystemError(std::string_view what, int error);

// Raises the failure of a file operation on path (what: "read", "write", "replace") for the errno
// value error: 53 when the file is not there, 5 otherwise, with the system's reason.
[[noreturn]] void RaiseFileError(std::string_view what, const std::string& path, int error);

// Raises the failure of creating the folder path for the errno value error: 76 when its parent is
// not there, 75 otherwise.
[[noreturn]] void RaiseFolderError(const std::string& path, int error);

// Raises the failure of a libcurl call that should not fail (setting an option, adding a handle):
// what names the call.
[[noreturn]] void RaiseCurlError(std::string_view what, CURLcode code);
[[noreturn]] void RaiseCurlError(std::string_view what, CURLMcode code);

// Raises CURLcode failures, returns otherwise.
void CheckCurl(std::string_view what, CURLcode code);
void CheckCurl(std::string_view what, CURLMcode code);

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_POSIX_FAILURE_H_
