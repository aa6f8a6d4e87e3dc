#include "addin/com/module_state.h"

#include <atomic>

#include "platform/win32/com/com_failure.h"

namespace kestrova::com {
namespace {

std::atomic<HMODULE> module_handle{nullptr};
std::atomic<long> factory_locks{0};

}  // namespace

void SetModuleHandle(HMODULE module) noexcept { module_handle.store(module); }

std::wstring ModulePath() {
  // Paths may exceed MAX_PATH; grow the buffer until the name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD capacity = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameW(module_handle.load(), path.data(), capacity);
    if (length == 0) throw win32::FailureFromWin32Error(GetLastError(), "GetModuleFileNameW");
    if (length < capacity) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
  throw win32::FailureFromWin32Error(ERROR_INSUFFICIENT_BUFFER, "GetModuleFileNameW");
}

void LockModule(bool lock) noexcept {
  if (lock) {
    ++factory_locks;
  } else {
    --factory_locks;
  }
}

bool ModuleCanUnload() noexcept {
  return win32::LiveModuleObjects() == 0 && factory_locks.load() <= 0;
}

}  // namespace kestrova::com
