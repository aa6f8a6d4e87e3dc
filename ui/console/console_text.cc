#include "ui/console/console_text.h"

namespace kestrova {
namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// True for the second and later bytes of a UTF-8 sequence.
bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string PrintableLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n' || c == '\t' || !IsControl(c)) {
      out += c;
    } else {
      out += '?';
    }
  }
  return out;
}

std::string PrintableLine(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (IsControl(c)) c = ' ';
  }
  return out;
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
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string NormalizedAnswer(std::string_view answer) {
  std::string out(TrimBlanks(answer));
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace kestrova
