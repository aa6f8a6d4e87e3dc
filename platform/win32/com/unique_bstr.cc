#include "platform/win32/com/unique_bstr.h"

#include <utility>

#include "platform/win32/com/com_failure.h"

namespace kestrova::win32 {

UniqueBstr::UniqueBstr(std::wstring_view text)
    : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
  if (value_ == nullptr) throw FailureFromHresult(E_OUTOFMEMORY, "SysAllocStringLen");
}

UniqueBstr::UniqueBstr(UniqueBstr&& other) noexcept
    : value_(std::exchange(other.value_, nullptr)) {}

UniqueBstr& UniqueBstr::operator=(UniqueBstr&& other) noexcept {
  if (this != &other) {
    Reset();
    value_ = std::exchange(other.value_, nullptr);
  }
  return *this;
}

UniqueBstr::~UniqueBstr() { Reset(); }

UniqueBstr UniqueBstr::Attach(BSTR value) noexcept {
  UniqueBstr owner;
  owner.value_ = value;
  return owner;
}

BSTR UniqueBstr::Detach() noexcept { return std::exchange(value_, nullptr); }

void UniqueBstr::Reset() noexcept {
  if (BSTR held = std::exchange(value_, nullptr)) SysFreeString(held);
}

BSTR* UniqueBstr::Put() noexcept {
  Reset();
  return &value_;
}

std::wstring_view UniqueBstr::View() const noexcept {
  if (value_ == nullptr) return {};
  return std::wstring_view(value_, SysStringLen(value_));
}

}  // namespace kestrova::win32
