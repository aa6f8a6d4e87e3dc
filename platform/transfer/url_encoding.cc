#include "platform/transfer/url_encoding.h"

#include "base/ascii.h"

namespace kestrova {
namespace {

bool IsUnsafeInUrl(unsigned char byte) {
  if (byte <= 0x20 || byte >= 0x7F) return true;
  return std::string_view("\"<>\\^`{|}").find(static_cast<char>(byte)) != std::string_view::npos;
}

bool IsUnreserved(unsigned char byte) {
  return IsAsciiLetterOrDigit(static_cast<char>(byte)) || byte == '-' || byte == '.' ||
         byte == '_' || byte == '~';
}

// text with each byte for which encode(byte) holds written as %XX.
template <typename Predicate>
std::string PercentEncode(std::string_view text, Predicate encode) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (encode(byte)) {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

}  // namespace

std::string EncodeUnsafeUrlBytes(std::string_view url) { return PercentEncode(url, IsUnsafeInUrl); }

std::string EncodePathSegment(std::string_view segment) {
  return PercentEncode(segment, [](unsigned char byte) { return !IsUnreserved(byte); });
}

}  // namespace kestrova
