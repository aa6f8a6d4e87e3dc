#include "host/frontpage/web_location.h"

#include <cstddef>
#include <optional>

#include "base/ascii.h"
#include "platform/win32/wide_text.h"

namespace kestrova::host::frontpage {
namespace {

constexpr std::string_view kFileScheme = "file:";

// text with every %XX replaced by its byte; a '%' not followed by two hex digits stays.
std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexDigitValue(text[i + 1]);
      const int low = HexDigitValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    decoded.push_back(text[i]);
  }
  return decoded;
}

bool IsDriveStart(std::string_view text) {
  return text.size() >= 2 && IsAsciiLetter(text[0]) && (text[1] == ':' || text[1] == '|') &&
         (text.size() == 2 || text[2] == '/' || text[2] == '\\');
}

// The path of a file: URL, without the scheme.
std::string PathOfFileUrl(std::string_view rest) {
  std::string prefix;
  if (rest.starts_with("///")) {
    rest.remove_prefix(3);
  } else if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    // "file://C:/web" names a drive; "file://server/share" a network share.
    if (!IsDriveStart(rest)) prefix = "\\\\";
  }
  std::string decoded = PercentDecoded(rest);
  // Escapes that do not spell UTF-8 are the ANSI code page's bytes, as older programs write them.
  if (!win32::IsUtf8(decoded)) decoded = win32::Utf8FromAnsiCodePage(decoded);
  std::string path = prefix + decoded;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  if (IsDriveStart(path) && path[1] == '|') path[1] = ':';
  return path;
}

}  // namespace

std::string LocalPathFromFolderUrl(std::string_view url) {
  std::string path = StartsWithIgnoringCase(url, kFileScheme)
                         ? PathOfFileUrl(url.substr(kFileScheme.size()))
                         : std::string(url);
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

}  // namespace kestrova::host::frontpage
