#include "base/ascii.h"

namespace kestrova {

std::size_t FindIgnoringCase(std::string_view text, std::string_view needle,
                             std::size_t from) noexcept {
  if (from > text.size() || needle.size() > text.size() - from) return std::string_view::npos;
  if (needle.empty()) return from;
  const char first_upper = AsciiUpper(needle[0]);
  const char first_lower = (first_upper >= 'A' && first_upper <= 'Z')
                               ? static_cast<char>(first_upper + 32)
                               : first_upper;
  const std::size_t last_start = text.size() - needle.size();
  for (std::size_t k = from; k <= last_start; ++k) {
    // Jump to the next byte that can start a match before comparing the rest.
    const char c = text[k];
    if (c != first_upper && c != first_lower) continue;
    if (EqualsIgnoringCase(text.substr(k + 1, needle.size() - 1), needle.substr(1))) return k;
  }
  return std::string_view::npos;
}

}  // namespace kestrova
