// The status of an answer as its header carries it, read alike by every request of a publish and
// of a verify.
#ifndef KESTROVA_PUBLISH_HTTP_STATUS_H_
#define KESTROVA_PUBLISH_HTTP_STATUS_H_

#include <string>
#include <string_view>

#include "base/ascii.h"

namespace kestrova {

// The text of the response header before its first CR; empty when it has none.
inline std::string StatusLine(std::string_view header) {
  const std::size_t cr = header.find('\r');
  return cr == std::string_view::npos ? std::string() : std::string(header.substr(0, cr));
}

// The status code of a status line such as "HTTP/1.1 500 Internal Server Error"; 0 when there
// is none.
inline int StatusCode(std::string_view status_line) {
  const std::size_t space = status_line.find(' ');
  if (space == std::string_view::npos || space + 4 > status_line.size()) return 0;
  int code = 0;
  for (std::size_t k = space + 1; k < space + 4; ++k) {
    const char c = status_line[k];
    if (!IsAsciiDigit(c)) return 0;
    code = code * 10 + (c - '0');
  }
  return code;
}

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_HTTP_STATUS_H_
