// Conversions between the core's UTF-8 text, the UTF-16 text of the Windows API and the 8-bit text
// of the system's ANSI code page.
#ifndef KESTROVA_PLATFORM_WIN32_WIDE_TEXT_H_
#define KESTROVA_PLATFORM_WIN32_WIDE_TEXT_H_

#include <string>
#include <string_view>

namespace kestrova::win32 {

// `text` (UTF-8) as UTF-16; an invalid sequence becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view text);

// `text` (UTF-16) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

// `text`, 8-bit text in the system's ANSI code page (CP_ACP), as UTF-8.
std::string Utf8FromAnsiCodePage(std::string_view text);

// True when `text` is well-formed UTF-8 (plain ASCII included).
bool IsUtf8(std::string_view text);

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_WIDE_TEXT_H_
