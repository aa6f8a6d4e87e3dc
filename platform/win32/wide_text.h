// Conversions between the core's UTF-8 text and the UTF-16 text of the Windows API.
#ifndef KESTROVA_PLATFORM_WIN32_WIDE_TEXT_H_
#define KESTROVA_PLATFORM_WIN32_WIDE_TEXT_H_

#include <string>
#include <string_view>

namespace kestrova::win32 {

// `text` (UTF-8) as UTF-16; an invalid sequence becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view text);

// `text` (UTF-16) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_WIDE_TEXT_H_
