#include "platform/posix/posix_failure.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "base/failure.h"
#include "base/file_failure.h"

namespace kestrova {
namespace {

// Faults of the platform below the program are reported with the platform's general number for
// a call that could not be carried out.
std::string Describe(std::string_view what, const char* reason) {
  std::string text(what);
  text += ": ";
  text += reason;
  return text;
}

}  // namespace

void RaiseSystemError(std::string_view what, int error) {
  RaiseProgramError(kErrInvalidArgument, Describe(what, std::strerror(error)));
}

void RaiseFileError(std::string_view what, const std::string& path, int error) {
  kestrova::RaiseFileError(what, path, error == ENOENT, std::strerror(error));
}

void RaiseFolderError(const std::string& path, int error) {
  kestrova::RaiseFolderError(path, error == ENOENT, std::strerror(error));
}

void RaiseCurlError(std::string_view what, CURLcode code) {
  RaiseProgramError(kErrInvalidArgument, Describe(what, curl_easy_strerror(code)));
}

void RaiseCurlError(std::string_view what, CURLMcode code) {
  RaiseProgramError(kErrInvalidArgument, Describe(what, curl_multi_strerror(code)));
}

void CheckCurl(std::string_view what, CURLcode code) {
  if (code != CURLE_OK) RaiseCurlError(what, code);
}

void CheckCurl(std::string_view what, CURLMcode code) {
  if (code != CURLM_OK) RaiseCurlError(what, code);
}

}  // namespace kestrova
