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

namespace {

// The length of the well-formed UTF-8 sequence that starts text at i; 0 when none does.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto at = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = at(i);
  const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                             : lead >= 0xE0                 ? 3
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                                                            : 0;
  if (length == 0 || lead > 0xF4 || i + length > text.size()) return 0;
  // The second byte's range narrows after E0, ED, F0 and F4 (no overlong forms, surrogates or
  // code points past U+10FFFF).
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (at(i + 1) < low || at(i + 1) > high) return 0;
  for (std::size_t k = i + 2; k < i + length; ++k) {
    if (at(k) < 0x80 || at(k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string EscapeControlCharacters(std::string_view text) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t sequence = byte >= 0x80 ? Utf8SequenceLength(text, i) : 0;
    const bool c1 =
        sequence == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (c1) {
      const auto second = static_cast<unsigned char>(text[++i]);
      out += "\\u00";
      out += kHex[second >> 4];
      out += kHex[second & 0xF];
    } else if (sequence > 0) {
      out.append(text.substr(i, sequence));
      i += sequence - 1;
    } else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte <= 0x9F)) {
      // A byte 0x80 to 0x9F outside any UTF-8 sequence is a C1 control to a terminal that reads
      // 8-bit text (0x9B opens a control sequence there).
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string OnOneLine(std::string_view text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += ' ';
    } else {
      line += text[i];
    }
  }
  return line;
}

}  // namespace kestrova
