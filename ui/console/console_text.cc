#include "ui/console/console_text.h"

#include "base/ascii.h"

namespace kestrova {
namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// True when a C1 control in UTF-8 (0xC2 then 0x80 to 0x9F) starts at text[i].
bool IsC1ControlAt(std::string_view text, std::size_t i) {
  if (i + 1 >= text.size() || static_cast<unsigned char>(text[i]) != 0xC2) return false;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  return second >= 0x80 && second <= 0x9F;
}

// True for the second and later bytes of a UTF-8 sequence.
bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The text with each control character, but those keep accepts, replaced by replacement; a C1
// control's two bytes become one replacement.
template <typename Keep>
std::string ReplaceControls(std::string_view text, char replacement, Keep keep) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsC1ControlAt(text, i)) {
      out += replacement;
      ++i;
    } else if (IsControl(c) && !keep(c)) {
      out += replacement;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string PrintableLines(std::string_view text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += text[i];
    }
  }
  return ReplaceControls(lines, '?', [](char c) { return c == '\n' || c == '\t'; });
}

std::string PrintableLine(std::string_view text) {
  return ReplaceControls(text, ' ', [](char) { return false; });
}

std::string FitToColumns(std::string_view text, int columns) {
  if (columns <= 0) return {};
  int characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsContinuationByte(text[i])) continue;
    if (characters == columns) return std::string(text.substr(0, i));
    ++characters;
  }
  return std::string(text);
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsLineBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsLineBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string NormalizedAnswer(std::string_view answer) {
  std::string out(TrimBlanks(answer));
  for (char& c : out) {
    c = AsciiLower(c);
  }
  return out;
}

}  // namespace kestrova
