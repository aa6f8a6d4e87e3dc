#include "platform/files/win32/win32_file_system.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/failure.h"
#include "base/file_failure.h"
#include "platform/files/string_text_reader.h"
#include "platform/files/win32/system_path.h"
#include "platform/files/win32/win32_atomic_file_writer.h"
#include "platform/files/win32/win32_file_transaction.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {
namespace {

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(SystemPath(WideFromUtf8(path)).c_str());
}

// The folder part of `path` with its final separator; empty for a bare name.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

// GetFinalPathNameByHandleW, which Windows has from Vista on; looked up at run time, so that the
// add-in still loads on XP, which has no links to files.
using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

FinalPathFunction FinalPathFunctionOfSystem() {
  static const FinalPathFunction function = [] {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel == nullptr ? nullptr
                             : reinterpret_cast<FinalPathFunction>(reinterpret_cast<void (*)()>(
                                   GetProcAddress(kernel, "GetFinalPathNameByHandleW")));
  }();
  return function;
}

// The full path of an existing file or folder with every link and junction on the way followed;
// nothing when it cannot be opened (a link that leads nowhere). Without GetFinalPathNameByHandleW
// the full path as written.
std::optional<std::wstring> FinalPath(const std::wstring& path) {
  const FinalPathFunction final_path = FinalPathFunctionOfSystem();
  if (final_path == nullptr) return FullPath(path);
  // No access asked: the handle only names the file. Backup semantics open folders too.
  const UniqueHandle file = OwnFileHandle(CreateFileW(
      SystemPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return std::nullopt;
  std::wstring name(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = final_path(file.get(), name.data(), static_cast<DWORD>(name.size()), 0);
    if (length == 0) {
      // Wine refuses a long path with ERROR_MORE_DATA whatever the room; there the full path as
      // written stands in, as on XP.
      if (GetLastError() == ERROR_MORE_DATA && path.size() >= kLongPathLength)
        return FullPath(path);
      return std::nullopt;
    }
    if (length < name.size()) {
      name.resize(length);
      // "\\?\C:\..." and "\\?\UNC\server\..." as the paths the rest of the program writes.
      if (name.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + name.substr(8);
      if (name.rfind(L"\\\\?\\", 0) == 0) return name.substr(4);
      return name;
    }
    name.assign(length, L'\0');
  }
  return std::nullopt;
}

// True when two paths are the same but for the case of ASCII letters.
bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
  const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (fold(a[k]) != fold(b[k])) return false;
  }
  return true;
}

// Where the file at path lies, and whether path itself is a link. A name that is not there at
// all lies in the final path of its folder.
struct Location {
  std::wstring final_path;
  bool is_link = false;
};

std::optional<Location> FinalLocation(const std::wstring& path) {
  const std::wstring folder = FolderOf(path);
  const std::wstring name = path.substr(folder.size());
  if (folder.empty() || name.empty() || name == L"." || name == L"..") return std::nullopt;
  const std::optional<std::wstring> real_folder = FinalPath(folder);
  if (!real_folder) return std::nullopt;
  const std::wstring in_folder = *real_folder + (real_folder->back() == L'\\' ? L"" : L"\\") + name;
  const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return std::nullopt;
    return Location{in_folder, false};
  }
  std::optional<std::wstring> real = FinalPath(path);
  if (!real) return std::nullopt;
  // Windows shows a symbolic link or a junction as a reparse point. Wine follows the links of
  // the Unix file system without showing them; there the final path gives them away.
  const bool is_link =
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !SameIgnoringCase(*real, in_folder);
  return Location{*std::move(real), is_link};
}

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::FolderExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void Win32FileSystem::CreateFolder(const std::string& path) {
  if (CreateDirectoryW(SystemPath(WideFromUtf8(path)).c_str(), nullptr)) return;
  RaiseFolderError(path, GetLastError());
}

void Win32FileSystem::RemoveEmptyFolder(const std::string& path) noexcept {
  try {
    RemoveDirectoryW(SystemPath(WideFromUtf8(path)).c_str());
  } catch (...) {
    // A path that cannot be converted names no folder this program made.
  }
}

std::unique_ptr<TextReader> Win32FileSystem::OpenTextFile(const std::string& path) {
  return std::make_unique<StringTextReader>(ReadWholeFile(path));
}

std::string Win32FileSystem::ReadWholeFile(const std::string& path) {
  // Only a file on a disk is read: a folder, a device such as CON or NUL, or a pipe is refused at
  // once with the reasons the POSIX platform gives, so the user reads the same on every platform.
  const std::wstring wide_path = SystemPath(WideFromUtf8(path));
  const DWORD attributes = GetFileAttributesW(wide_path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    kestrova::RaiseFileError("read", path, false, "Is a directory");
  }
  const UniqueHandle file = OwnFileHandle(
      CreateFileW(wide_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) RaiseFileError("read", path, GetLastError());
  // A device or a pipe could block a read or never end.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    kestrova::RaiseFileError("read", path, false, "Not a regular file");
  }
  std::string bytes;
  char buffer[1 << 16];
  while (true) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      RaiseFileError("read", path, GetLastError());
    }
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  return bytes;
}

std::unique_ptr<FileTransaction> Win32FileSystem::BeginTransaction() {
  return std::make_unique<Win32FileTransaction>();
}

std::unique_ptr<FileWriter> Win32FileSystem::CreateFileWriter(const std::string& path,
                                                              CommitDurability /*durability*/) {
  return std::make_unique<Win32AtomicFileWriter>(path);
}

std::optional<std::string> Win32FileSystem::ResolveInside(const std::string& folder,
                                                          const std::string& path) {
  const std::optional<std::wstring> real_folder = FinalPath(WideFromUtf8(folder));
  const std::optional<Location> location = FinalLocation(WideFromUtf8(path));
  if (!real_folder || !location) return std::nullopt;
  const std::wstring& real = location->final_path;
  const std::wstring prefix = real_folder->back() == L'\\' ? *real_folder : *real_folder + L"\\";
  if (real.size() <= prefix.size() || real.compare(0, prefix.size(), prefix) != 0) {
    return std::nullopt;
  }
  // A link is read and written where it leads, so that it stays a link.
  return location->is_link ? Utf8FromWide(real) : path;
}

}  // namespace kestrova::win32
