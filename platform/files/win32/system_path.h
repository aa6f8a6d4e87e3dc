// Paths as the system's wide-character file functions take them at any length. Those functions
// refuse a path of MAX_PATH (260) characters or more, and CreateDirectoryW one of 248 or more,
// unless it is written in the "\\?\" form, which passes it to the file system as it stands.
#ifndef KESTROVA_PLATFORM_FILES_WIN32_SYSTEM_PATH_H_
#define KESTROVA_PLATFORM_FILES_WIN32_SYSTEM_PATH_H_

#include <optional>
#include <string>
#include <string_view>

namespace kestrova::win32 {

// From this length on, a path goes to the system in the "\\?\" form.
inline constexpr std::size_t kLongPathLength = 248;

// The full path of path as GetFullPathNameW makes it, at any length: separators as '\', "." and
// ".." resolved; nothing when the system cannot make one.
std::optional<std::wstring> FullPath(std::wstring_view path);

// path as the file functions take it: a shorter path as it is; a longer one with a drive
// ("C:\...") as "\\?\C:\...", on a share ("\\server\share\...") as "\\?\UNC\server\share\...",
// made full first, since the "\\?\" form resolves nothing; one in that form or a device's already,
// or one that cannot be made full, as it is.
std::wstring SystemPath(std::wstring_view path);

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_FILES_WIN32_SYSTEM_PATH_H_
