#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/failure.h"
#include "base/file_failure.h"
#include "platform/string_text_reader.h"
#include "platform/win32/com_failure.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {
namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesW(WideFromUtf8(path).c_str()); }

// Only a file on a disk is read: a folder, a device such as CON or NUL, or a pipe is refused at
// once with the reasons the POSIX platform gives, so the user reads the same on every platform.
std::string ReadWholeFile(const std::string& path) {
  const std::wstring wide_path = WideFromUtf8(path);
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

// The attributes a replacement keeps from the file it replaces: hidden, system and the archive
// bit. A new file gets the usual ones.
DWORD AttributesForReplacement(const std::wstring& path) {
  const DWORD existing = GetFileAttributesW(path.c_str());
  if (existing == INVALID_FILE_ATTRIBUTES || (existing & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return FILE_ATTRIBUTE_NORMAL;
  }
  const DWORD kept =
      existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  return kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
}

// `value` in lower-case hexadecimal.
std::wstring Hex(unsigned long value) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), L"0123456789abcdef"[value % 16]);
    value /= 16;
  } while (value != 0);
  return digits;
}

constexpr std::wstring_view kTemporaryInfix = L".kestrova-";

// A name beside `path` that no other writer of this process uses: the process id and a counter.
std::wstring TemporaryName(const std::wstring& path) {
  static std::atomic<unsigned long> counter{0};
  return path + std::wstring(kTemporaryInfix) + Hex(GetCurrentProcessId()) + L"-" + Hex(++counter);
}

// True for 1 to 8 lower-case hexadecimal digits, as Hex writes a 32-bit number.
bool IsHexNumber(std::wstring_view text) {
  if (text.empty() || text.size() > 8) return false;
  for (const wchar_t c : text) {
    if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
  }
  return true;
}

// True for a name TemporaryName gives: "NAME.kestrova-PID-COUNTER".
bool IsTemporaryName(std::wstring_view name) {
  const std::size_t infix = name.rfind(kTemporaryInfix);
  if (infix == std::wstring_view::npos || infix == 0) return false;
  const std::wstring_view numbers = name.substr(infix + kTemporaryInfix.size());
  const std::size_t dash = numbers.find(L'-');
  return dash != std::wstring_view::npos && IsHexNumber(numbers.substr(0, dash)) &&
         IsHexNumber(numbers.substr(dash + 1));
}

// The folder part of `path` with its final separator; empty for a bare name.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

struct FindCloser {
  void operator()(HANDLE search) const { FindClose(search); }
};

// Removes the temporary files a writer of an earlier run left in `folder` (ending in its
// separator) when that run was killed before it could commit or drop them. Only files named
// exactly as TemporaryName names them are removed; one a live writer holds open cannot be
// deleted, and anything that cannot be removed is left as it is.
void RemoveStaleTemporaryFiles(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  const HANDLE first =
      FindFirstFileW((folder + L"*" + std::wstring(kTemporaryInfix) + L"*").c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return;
  const std::unique_ptr<void, FindCloser> search(first);
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        IsTemporaryName(found.cFileName)) {
      DeleteFileW((folder + found.cFileName).c_str());
    }
  } while (FindNextFileW(search.get(), &found));
}

// Writes to a temporary file in the target's folder and renames it over the target on Commit.
class Win32FileWriter final : public FileWriter {
 public:
  explicit Win32FileWriter(std::string path)
      : path_(std::move(path)),
        wide_path_(WideFromUtf8(path_)),
        final_attributes_(AttributesForReplacement(wide_path_)) {
    // Hidden and temporary until Commit, so that a file a killed run leaves behind stays out of
    // listings and deploys; Commit gives it the attributes of the file it replaces.
    const DWORD kept = final_attributes_ == FILE_ATTRIBUTE_NORMAL ? 0 : final_attributes_;
    const DWORD attributes = kept | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY;
    // A name that is taken (left over by a process that ended early) is skipped; a bounded
    // number of tries keeps a folder that refuses everything from looping.
    for (int attempt = 0; attempt < 100; ++attempt) {
      temporary_path_ = TemporaryName(wide_path_);
      file_ = OwnFileHandle(CreateFileW(temporary_path_.c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, attributes, nullptr));
      if (file_) return;
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        RaiseFileError("write", path_, error);
      }
    }
    RaiseFileError("write", path_, ERROR_FILE_EXISTS);
  }
  Win32FileWriter(const Win32FileWriter&) = delete;
  Win32FileWriter& operator=(const Win32FileWriter&) = delete;

  ~Win32FileWriter() override {
    file_.reset();
    if (!committed_) DeleteFileW(temporary_path_.c_str());
  }

  void Write(std::string_view bytes) override {
    if (!file_) RaiseFileError("write", path_, ERROR_INVALID_HANDLE);
    while (!bytes.empty()) {
      const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
      DWORD written = 0;
      if (!WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr)) {
        RaiseFileError("write", path_, GetLastError());
      }
      bytes.remove_prefix(written);
    }
  }

  void Commit() override {
    if (!file_) RaiseFileError("write", path_, ERROR_INVALID_HANDLE);
    // The bytes reach the disk before the name does; the move is written through, so the name
    // is on the disk when Commit returns, and files committed one after another land in order.
    if (!FlushFileBuffers(file_.get())) RaiseFileError("write", path_, GetLastError());
    if (!CloseHandle(file_.release())) RaiseFileError("write", path_, GetLastError());
    if (!SetFileAttributesW(temporary_path_.c_str(), final_attributes_)) {
      RaiseFileError("write", path_, GetLastError());
    }
    if (!MoveFileExW(temporary_path_.c_str(), wide_path_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      RaiseFileError("replace", path_, GetLastError());
    }
    committed_ = true;
  }

 private:
  std::string path_;
  std::wstring wide_path_;
  DWORD final_attributes_;
  std::wstring temporary_path_;
  UniqueHandle file_;
  bool committed_ = false;
};

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
  if (final_path == nullptr) {
    wchar_t full[MAX_PATH + 1];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH + 1, full, nullptr);
    if (length == 0 || length > MAX_PATH) return std::nullopt;
    return std::wstring(full, length);
  }
  // No access asked: the handle only names the file. Backup semantics open folders too.
  const UniqueHandle file = OwnFileHandle(
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return std::nullopt;
  std::wstring name(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = final_path(file.get(), name.data(), static_cast<DWORD>(name.size()), 0);
    if (length == 0) return std::nullopt;
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
  const DWORD attributes = GetFileAttributesW(path.c_str());
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
  if (CreateDirectoryW(WideFromUtf8(path).c_str(), nullptr)) return;
  RaiseFolderError(path, GetLastError());
}

std::unique_ptr<TextReader> Win32FileSystem::OpenTextFile(const std::string& path) {
  return std::make_unique<StringTextReader>(ReadWholeFile(path));
}

std::unique_ptr<FileWriter> Win32FileSystem::CreateFileWriter(const std::string& path,
                                                              CommitDurability /*durability*/) {
  const std::wstring folder = FolderOf(WideFromUtf8(path));
  if (cleared_folders_.insert(folder).second) RemoveStaleTemporaryFiles(folder);
  return std::make_unique<Win32FileWriter>(path);
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
