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

// Lower-cases an ASCII letter; every other byte comes back unchanged.
constexpr char AsciiLower(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
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

// True when text equals lower_name, a name written in ASCII lower case, with the ASCII letters
// of text folded. Only text is folded, which halves the work of EqualsIgnoringCase: the HTML
// tree builder compares every tag against many element names. A lower_name with an upper-case
// letter never matches.
constexpr bool EqualsLowerName(std::string_view text, std::string_view lower_name) noexcept {
  if (text.size() != lower_name.size()) return false;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (AsciiLower(text[k]) != lower_name[k]) return false;
  }
  return true;
}

// True when lower_name (ASCII lower case, as for EqualsLowerName) is written in text at pos, with
// the ASCII letters of text folded. False when pos is past the end of text.
constexpr bool StartsWithLowerNameAt(std::string_view text, std::size_t pos,
                                     std::string_view lower_name) noexcept {
  return pos <= text.size() && text.size() - pos >= lower_name.size() &&
         EqualsLowerName(text.substr(pos, lower_name.size()), lower_name);
}

// True for an ASCII letter, A-Z or a-z.
constexpr bool IsAsciiLetter(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// True for an ASCII digit, 0-9.
constexpr bool IsAsciiDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// True for an ASCII letter or digit.
constexpr bool IsAsciiLetterOrDigit(char c) noexcept { return IsAsciiLetter(c) || IsAsciiDigit(c); }

// The value of a hexadecimal digit (0-9, a-f, A-F); -1 for any other byte.
constexpr int HexDigitValue(char c) noexcept {
  if (IsAsciiDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// White space comes in three sets, each kept where the text it splits comes from.

// HTML's white space: space, tab, LF, FF and CR. Markup is split and trimmed with this set.
constexpr bool IsHtmlSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// The C library's white space in the "C" locale (isspace): HTML's set and the vertical tab. The
// text of an inventory's date line is trimmed and split with this wider set.
constexpr bool IsCSpace(char c) noexcept { return IsHtmlSpace(c) || c == '\v'; }

// The blanks around a line typed at a terminal: space, tab and CR. A typed line ends at its LF
// and so holds none; the CR is what a terminal that sends CR LF leaves. Every other control
// character is part of the answer.
constexpr bool IsLineBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r'; }

// text with every control character written out so that a terminal shows it instead of obeying
// it: C0 controls and DEL as \xHH, C1 controls in UTF-8 (0xC2 0x80 to 0xC2 0x9F) as \u00HH, and a
// byte 0x80 to 0x9F that is part of no UTF-8 sequence (a C1 control in 8-bit text) as \xHH. Every
// other byte stays as it is.
std::string EscapeControlCharacters(std::string_view text);

// text with each line break (CR LF, or a lone CR or LF) as one space.
std::string OnOneLine(std::string_view text);

// Position of the first occurrence of needle in text at or after from, ASCII letters folded;
// npos when there is none.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle,
                             std::size_t from = 0) noexcept;

}  // namespace kestrova

#endif  // KESTROVA_BASE_ASCII_H_
