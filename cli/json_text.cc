#include "cli/json_text.h"

#include <cstdio>

namespace kestrova {
namespace {

std::string Escaped(unsigned code) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04X", code);
  return buffer;
}

// The length of the valid UTF-8 sequence at the start of text, or 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned lead = byte(0);
  std::size_t length = 0;
  unsigned low = 0x80;   // the bounds of the second byte, which exclude overlong forms,
  unsigned high = 0xBF;  // surrogates and code points past U+10FFFF
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text[0]);
    std::size_t used = 1;
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\r') {
      json += "\\r";
    } else if (c == '\t') {
      json += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      json += Escaped(c);
    } else if (c < 0x80) {
      json += static_cast<char>(c);
    } else if ((used = Utf8SequenceLength(text)) == 0) {
      used = 1;
      json += Escaped(c);
    } else if (c == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0) {
      json += Escaped(static_cast<unsigned char>(text[1]));  // a C1 control
    } else {
      json.append(text.substr(0, used));
    }
    text.remove_prefix(used);
  }
  return json + "\"";
}

}  // namespace kestrova
