#include "base/ascii.h"

namespace kestrova {

std::size_t FindIgnoringCase(std::string_view text, std::string_view needle,
                             std::size_t from) noexcept {
  if (from > text.size() || needle.size() > text.size() - from) return std::string_view::npos;
  if (needle.empty()) return from;
  const char first_upper = AsciiUpper(needle[0]);
  const char first_lower = AsciiLower(needle[0]);
  const std::size_t last_start = text.size() - needle.size();
  for (std::size_t k = from; k <= last_start; ++k) {
    // Jump to the next byte that can start a match before comparing the rest.
    const char c = text[k];
    if (c != first_upper && c != first_lower) continue;
    if (EqualsIgnoringCase(text.substr(k + 1, needle.size() - 1), needle.substr(1))) return k;
  }
  return std::string_view::npos;
}

std::string EscapeControlCharacters(std::string_view text) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                    static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (c1) {
      const auto second = static_cast<unsigned char>(text[++i]);
      out += "\\u00";
      out += kHex[second >> 4];
      out += kHex[second & 0xF];
    } else if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace kestrova
