// The one place where Windows failures (HRESULTs, Win32 error codes) become the project's Failure,
// and where a Failure or any other exception becomes the HRESULT that a COM caller receives.
#ifndef KESTROVA_PLATFORM_WIN32_COM_COM_FAILURE_H_
#define KESTROVA_PLATFORM_WIN32_COM_COM_FAILURE_H_

#include <windows.h>

#include <string>
#include <string_view>

#include "base/failure.h"

namespace kestrova::win32 {

// A Failure for `result`: the HRESULT is its number, `source` names the call that failed, and the
// description is the system's text for the code (or "Error 0x8XXXXXXX" when it has none).
Failure FailureFromHresult(HRESULT result, std::string_view source);

// A Failure for the Win32 error code `error` (GetLastError, the registry functions): its number is
// HRESULT_FROM_WIN32(error).
Failure FailureFromWin32Error(DWORD error, std::string_view source);

// Raises the failure of a file operation on path (what: "read", "write", "replace") for the Win32
// error code `error`: 53 when the file or its folder is not there, 5 otherwise, with the system's
// reason; the same numbers and texts as on every platform.
[[noreturn]] void RaiseFileError(std::string_view what, const std::string& path, DWORD error);

// Raises the failure of creating the folder path: 76 when its parent is not there, 75 otherwise.
[[noreturn]] void RaiseFolderError(const std::string& path, DWORD error);

// Throws FailureFromHresult(result, source) when `result` is a failure.
void ThrowIfFailed(HRESULT result, std::string_view source);

// Throws FailureFromWin32Error(error, source) unless `error` is ERROR_SUCCESS.
void ThrowIfWin32Error(LONG error, std::string_view source);

// The HRESULT a COM caller receives for `failure`: the program's own numbers and HRESULTs pass as
// they are; the platform's small run-time numbers (5, 6, 9, 13, 53, ...) go into FACILITY_CONTROL
// the way automation reports run-time errors (0x800A0000 plus the number); anything else is E_FAIL.
HRESULT HresultFromFailure(const Failure& failure) noexcept;

// The HRESULT for the exception being handled; call it only inside a catch block. A Failure maps as
// HresultFromFailure does, std::bad_alloc to E_OUTOFMEMORY, anything else to E_UNEXPECTED.
HRESULT HresultFromCaughtException() noexcept;

// Runs `body` (which returns an HRESULT) so that no exception leaves it: a caught failure becomes
// its HRESULT. Every COM entry point of the project runs its work through this.
template <typename Body>
HRESULT GuardComCall(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return HresultFromCaughtException();
  }
}

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_COM_COM_FAILURE_H_
