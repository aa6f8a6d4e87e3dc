#include "mending/server_code.h"

#include "base/ascii.h"
#include "mending/byte_search.h"

namespace kestrova {

bool OpensServerCode(std::string_view text, std::size_t pos) noexcept {
  if (pos + 1 >= text.size() || text[pos] != '<') return false;
  if (text[pos + 1] == '%') return true;
  if (text[pos + 1] != '?' || pos + 2 >= text.size()) return false;
  if (text[pos + 2] == '=') return true;
  if (!StartsWithLowerNameAt(text, pos + 2, "php")) return false;
  const std::size_t after = pos + 5;
  return after == text.size() || IsHtmlSpace(text[after]);
}

ServerCodeEnd FindServerCodeEnd(std::string_view text, std::size_t pos) noexcept {
  const char mark = text[pos + 1];  // '%' or '?': the block closes with the same mark and ">"
  const std::size_t close = FindBytePair(text, pos + 2, mark, '>');
  if (close == std::string_view::npos) return {text.size(), false};
  return {close + 2, true};
}

std::size_t FindByteOrServerCode(std::string_view text, std::size_t from, char a) noexcept {
  for (std::size_t k = from;; ++k) {
    k = FindEitherByte(text, k, a, '<');
    if (k == std::string_view::npos || text[k] == a || OpensServerCode(text, k)) return k;
  }
}

}  // namespace kestrova
