#include "platform/win32/com/com_failure.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "base/file_failure.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {
namespace {

// The system's message for `code`, without the line break it ends with; empty when there is none.
std::string SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length =
      FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring message(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!message.empty() &&
         (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
    message.pop_back();
  }
  return Utf8FromWide(message);
}

// The system's text for `error` without its final full stop, to end a sentence of our own.
std::string SystemReason(DWORD error) {
  std::string reason = FailureFromWin32Error(error, {}).description();
  while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) reason.pop_back();
  return reason;
}

bool IsNotFound(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::string Describe(HRESULT result) {
  std::string message = SystemMessage(static_cast<DWORD>(result));
  if (!message.empty()) return message;
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "Error 0x%08lX", static_cast<unsigned long>(result));
  return fallback;
}

}  // namespace

Failure FailureFromHresult(HRESULT result, std::string_view source) {
  return Failure(static_cast<std::int32_t>(result), std::string(source), Describe(result));
}

Failure FailureFromWin32Error(DWORD error, std::string_view source) {
  return FailureFromHresult(HRESULT_FROM_WIN32(error), source);
}

void ThrowIfFailed(HRESULT result, std::string_view source) {
  if (FAILED(result)) throw FailureFromHresult(result, source);
}

void ThrowIfWin32Error(LONG error, std::string_view source) {
  if (error != ERROR_SUCCESS) throw FailureFromWin32Error(static_cast<DWORD>(error), source);
}

HRESULT HresultFromFailure(const Failure& failure) noexcept {
  const std::int32_t number = failure.number();
  if (number < 0) return static_cast<HRESULT>(number);
  if (number > 0 && number <= 0xFFFF) {
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned>(number));
  }
  return E_FAIL;
}

HRESULT HresultFromCaughtException() noexcept {
  try {
    throw;
  } catch (const Failure& failure) {
    return HresultFromFailure(failure);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void RaiseFileError(std::string_view what, const std::string& path, DWORD error) {
  kestrova::RaiseFileError(what, path, IsNotFound(error), SystemReason(error));
}

void RaiseFolderError(const std::string& path, DWORD error) {
  kestrova::RaiseFolderError(path, IsNotFound(error), SystemReason(error));
}

}  // namespace kestrova::win32
