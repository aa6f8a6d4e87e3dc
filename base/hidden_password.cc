#include "base/hidden_password.h"

namespace kestrova {

std::string HidePasswords(std::string_view text) {
  static constexpr std::string_view kSeparator = "://";
  // Where an address's authority ends in a request ("/?#"), and where it ends in a message
  // around it.
  static constexpr std::string_view kAuthorityEnd = "/?#\"'<>\r\n\t";
  std::string shown;
  std::size_t done = 0;
  for (std::size_t found = text.find(kSeparator); found != std::string_view::npos;
       found = text.find(kSeparator, done)) {
    const std::size_t start = found + kSeparator.size();
    const std::size_t end = std::min(text.find_first_of(kAuthorityEnd, start), text.size());
    const std::string_view authority = text.substr(start, end - start);
    const std::size_t at = authority.rfind('@');
    const std::size_t colon = authority.find(':');
    if (at != std::string_view::npos && colon < at) {
      shown.append(text.substr(done, start + colon + 1 - done));
      shown.append("***");
      done = start + at;  // from the '@' on
    } else {
      shown.append(text.substr(done, end - done));
      done = end;
    }
  }
  shown.append(text.substr(done));
  return shown;
}

}  // namespace kestrova
