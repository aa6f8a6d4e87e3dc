// Loads a DLL and keeps it loaded until told to let go, as a running FrontPage holds its add-in:
// while it does, Windows refuses to overwrite or delete the file. The installer's tests use it to
// check that installing over or removing an add-in in use changes nothing.
//
//   hold_module.exe DLL READY_FILE RELEASE_FILE
//
// Creates READY_FILE once the DLL is loaded, then waits for RELEASE_FILE to appear, at most two
// minutes. Exit code 0 when it held the DLL until released, 1 on wrong use, 2 when the DLL does
// not load, 3 when READY_FILE cannot be created, 4 when no release came in time.
#include <windows.h>

#include <cstdio>

namespace {

constexpr DWORD kPollMilliseconds = 100;
constexpr int kMaxPolls = 1200;  // two minutes

// Owns a module loaded with LoadLibraryW and frees it when it goes.
class LoadedModule {
 public:
  // Loads `path`; check with `loaded()`.
  explicit LoadedModule(const wchar_t* path) noexcept : module_(LoadLibraryW(path)) {}
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  ~LoadedModule() {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  // True when the module loaded.
  bool loaded() const noexcept { return module_ != nullptr; }

 private:
  HMODULE module_;
};

// Owns a file handle and closes it when it goes.
class FileHandle {
 public:
  // Takes `handle`, which may be INVALID_HANDLE_VALUE; check with `valid()`.
  explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }

  // True when the handle refers to an open file.
  bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// Creates (or empties) the file at `path`; false when that fails.
bool CreateEmptyFile(const wchar_t* path) {
  const FileHandle file(
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

// True when something exists at `path`.
bool FileExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fputs("usage: hold_module DLL READY_FILE RELEASE_FILE\n", stderr);
    return 1;
  }
  const LoadedModule module(argv[1]);
  if (!module.loaded()) {
    std::fprintf(stderr, "hold_module: cannot load the DLL (error %lu)\n", GetLastError());
    return 2;
  }
  if (!CreateEmptyFile(argv[2])) {
    std::fputs("hold_module: cannot create the ready file\n", stderr);
    return 3;
  }
  for (int poll = 0; poll < kMaxPolls; ++poll) {
    if (FileExists(argv[3])) return 0;
    Sleep(kPollMilliseconds);
  }
  std::fputs("hold_module: no release within two minutes\n", stderr);
  return 4;
}
