#include "platform/posix/request_url.h"

#include <curl/curl.h>

#include <memory>
#include <string_view>

#include "platform/url_encoding.h"

namespace kestrova {
namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const noexcept { curl_url_cleanup(url); }
};
struct CurlTextDeleter {
  void operator()(char* text) const noexcept { curl_free(text); }
};

// One part of a parsed address; empty when it has none.
std::string Part(CURLU* parsed, CURLUPart part) {
  char* text = nullptr;
  if (curl_url_get(parsed, part, &text, 0) != CURLUE_OK) return {};
  const std::unique_ptr<char, CurlTextDeleter> owned(text);
  return std::string(text);
}

}  // namespace

std::optional<std::string> PrepareRequestUrl(std::string_view url) {
  std::string encoded = EncodeUnsafeUrlBytes(url);
  const std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
  if (!parsed) return std::nullopt;
  // No default scheme: a bare host name is not an address the control can use.
  if (curl_url_set(parsed.get(), CURLUPART_URL, encoded.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  const std::string scheme = Part(parsed.get(), CURLUPART_SCHEME);
  if ((scheme != "http" && scheme != "https") || Part(parsed.get(), CURLUPART_HOST).empty()) {
    return std::nullopt;
  }
  return encoded;
}

}  // namespace kestrova
