#include "platform/win32/callback_failure.h"

#include <utility>

namespace kestrova::win32 {
namespace {

thread_local std::exception_ptr kept_failure;

}  // namespace

void KeepCallbackFailure(std::exception_ptr failure) noexcept {
  if (!kept_failure) kept_failure = std::move(failure);
}

void RaiseKeptCallbackFailure() {
  if (!kept_failure) return;
  std::exception_ptr failure = std::exchange(kept_failure, nullptr);
  std::rethrow_exception(failure);
}

}  // namespace kestrova::win32
