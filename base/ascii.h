// ASCII-only text helpers. Case-insensitive comparisons fold the letters A-Z and a-z and compare
// every other byte as it is, so UTF-8 text is never mangled.
#ifndef KESTROVA_BASE_ASCII_H_
#define KESTROVA_BASE_ASCII_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

// Upper-cases an ASCII letter; every other byte comes back unchanged.
constexpr char AsciiUpper(char c) noexcept {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// True when a and b are equal with ASCII letters folded.
constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (AsciiUpper(a[k]) != AsciiUpper(b[k])) return false;
  }
  return true;
}

// True when text begins with prefix, ASCII letters folded.
constexpr bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) noexcept {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// text with every control character written out so that a terminal shows it instead of obeying
// it: C0 controls and DEL as \xHH, C1 controls in UTF-8 (0xC2 0x80 to 0xC2 0x9F) as \u00HH. Every
// other byte stays as it is.
std::string EscapeControlCharacters(std::string_view text);

// Position of the first occurrence of needle in text at or after from, ASCII letters folded;
// npos when there is none.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle,
                             std::size_t from = 0) noexcept;

}  // namespace kestrova

#endif  // KESTROVA_BASE_ASCII_H_
