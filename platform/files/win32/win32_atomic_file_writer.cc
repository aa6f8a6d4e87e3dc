#include "platform/files/win32/win32_atomic_file_writer.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "platform/files/win32/system_path.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {
namespace {

// The attributes a replacement keeps from the file it replaces: hidden, system and the archive
// bit. A new file gets the usual ones.
DWORD AttributesForReplacement(const std::wstring& path) {
  const DWORD existing = GetFileAttributesW(SystemPath(path).c_str());
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
  const HANDLE first = FindFirstFileW(
      SystemPath(folder + L"*" + std::wstring(kTemporaryInfix) + L"*").c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return;
  const std::unique_ptr<void, FindCloser> search(first);
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        IsTemporaryName(found.cFileName)) {
      DeleteFileW(SystemPath(folder + found.cFileName).c_str());
    }
  } while (FindNextFileW(search.get(), &found));
}

// Clears `folder` of stale temporary files the first time this process writes into it; later
// writers find only the temporary files of live writers there.
void ClearFolderOnce(const std::wstring& folder) {
  static std::mutex mutex;
  static std::set<std::wstring> cleared;
  const std::lock_guard<std::mutex> lock(mutex);
  if (cleared.insert(folder).second) RemoveStaleTemporaryFiles(folder);
}

}  // namespace

Win32AtomicFileWriter::Win32AtomicFileWriter(std::string path)
    : path_(std::move(path)), wide_path_(WideFromUtf8(path_)) {
  ClearFolderOnce(FolderOf(wide_path_));
  final_attributes_ = AttributesForReplacement(wide_path_);
  // Hidden and temporary until Commit, so that a file a killed run leaves behind stays out of
  // listings and deploys; Commit gives it the attributes of the file it replaces.
  const DWORD kept = final_attributes_ == FILE_ATTRIBUTE_NORMAL ? 0 : final_attributes_;
  const DWORD attributes = kept | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY;
  // A name that is taken (left over by a process that ended early) is skipped; a bounded
  // number of tries keeps a folder that refuses everything from looping.
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_path_ = TemporaryName(wide_path_);
    file_ = OwnFileHandle(CreateFileW(SystemPath(temporary_path_).c_str(), GENERIC_WRITE, 0,
                                      nullptr, CREATE_NEW, attributes, nullptr));
    if (file_) return;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      RaiseFileError("write", path_, error);
    }
  }
  RaiseFileError("write", path_, ERROR_FILE_EXISTS);
}

Win32AtomicFileWriter::~Win32AtomicFileWriter() {
  file_.reset();
  if (!committed_) DeleteFileW(SystemPath(temporary_path_).c_str());
}

void Win32AtomicFileWriter::Write(std::string_view bytes) {
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

void Win32AtomicFileWriter::Commit() {
  if (!file_) RaiseFileError("write", path_, ERROR_INVALID_HANDLE);
  // The bytes reach the disk before the name does; the move is written through, so the name
  // is on the disk when Commit returns, and files committed one after another land in order.
  if (!FlushFileBuffers(file_.get())) RaiseFileError("write", path_, GetLastError());
  if (!CloseHandle(file_.release())) RaiseFileError("write", path_, GetLastError());
  if (!SetFileAttributesW(SystemPath(temporary_path_).c_str(), final_attributes_)) {
    RaiseFileError("write", path_, GetLastError());
  }
  if (!MoveFileExW(SystemPath(temporary_path_).c_str(), SystemPath(wide_path_).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    RaiseFileError("replace", path_, GetLastError());
  }
  committed_ = true;
}

Win32AtomicFileWriter::Sealed Win32AtomicFileWriter::Seal() {
  if (!file_) RaiseFileError("write", path_, ERROR_INVALID_HANDLE);
  if (!FlushFileBuffers(file_.get())) RaiseFileError("write", path_, GetLastError());
  if (!CloseHandle(file_.release())) RaiseFileError("write", path_, GetLastError());
  committed_ = true;
  return {temporary_path_, wide_path_, path_, final_attributes_};
}

}  // namespace kestrova::win32
