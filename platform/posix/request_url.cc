#include "platform/posix/request_url.h"

#include <curl/curl.h>

#include <memory>
#include <string_view>

namespace kestrova {
namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const noexcept { curl_url_cleanup(url); }
};
struct CurlTextDeleter {
  void operator()(char* text) const noexcept { curl_free(text); }
};

bool NeedsEncoding(unsigned char byte) {
  if (byte <= 0x20 || byte >= 0x7F) return true;
  return std::string_view("\"<>\\^`{|}").find(static_cast<char>(byte)) != std::string_view::npos;
}

std::string EncodeUnsafeBytes(std::string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(url.size());
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (NeedsEncoding(byte)) {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

// One part of a parsed address; empty when it has none.
std::string Part(CURLU* parsed, CURLUPart part) {
  char* text = nullptr;
  if (curl_url_get(parsed, part, &text, 0) != CURLUE_OK) return {};
  const std::unique_ptr<char, CurlTextDeleter> owned(text);
  return std::string(text);
}

}  // namespace

std::optional<std::string> PrepareRequestUrl(std::string_view url) {
  std::string encoded = EncodeUnsafeBytes(url);
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
