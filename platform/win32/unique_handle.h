// Sole owner of a kernel object handle (a file, an event): closes it with CloseHandle.
#ifndef KESTROVA_PLATFORM_WIN32_UNIQUE_HANDLE_H_
#define KESTROVA_PLATFORM_WIN32_UNIQUE_HANDLE_H_

#include <windows.h>

#include <memory>

namespace kestrova::win32 {

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};

// Move-only; empty when null.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Takes over what CreateFileW returned: empty for INVALID_HANDLE_VALUE.
inline UniqueHandle OwnFileHandle(HANDLE handle) {
  return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_UNIQUE_HANDLE_H_
