#include "platform/win32/wide_text.h"

#include <windows.h>

namespace kestrova::win32 {

namespace {

// `text` in code page `code_page` as UTF-16.
std::wstring WideFrom(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
  if (needed > 0) MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), needed);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) { return WideFrom(CP_UTF8, text); }

std::string Utf8FromAnsiCodePage(std::string_view text) {
  return Utf8FromWide(WideFrom(CP_ACP, text));
}

bool IsUtf8(std::string_view text) {
  if (text.empty()) return true;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                             static_cast<int>(text.size()), nullptr, 0) > 0;
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
  if (needed > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), needed, nullptr, nullptr);
  }
  return narrow;
}

}  // namespace kestrova::win32
