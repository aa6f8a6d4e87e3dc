// JSON text for the summary fpkestrova prints for scripts.
#ifndef KESTROVA_CLI_JSON_TEXT_H_
#define KESTROVA_CLI_JSON_TEXT_H_

#include <string>
#include <string_view>

namespace kestrova {

// text as a JSON string, quotes included. Valid UTF-8 stays as it is, but for control characters
// (C0, DEL and C1), which are escaped as \uXXXX; a byte that is not part of valid UTF-8 (a page
// name in another encoding, say) becomes the character of the same number, \u00XX, so that the
// result is always valid JSON.
std::string JsonString(std::string_view text);

}  // namespace kestrova

#endif  // KESTROVA_CLI_JSON_TEXT_H_
