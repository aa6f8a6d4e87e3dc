#include "platform/win32/com/unique_safearray.h"

#include <utility>

#include "platform/win32/com/com_failure.h"

namespace kestrova::win32 {

UniqueSafeArray::UniqueSafeArray(UniqueSafeArray&& other) noexcept
    : array_(std::exchange(other.array_, nullptr)) {}

UniqueSafeArray& UniqueSafeArray::operator=(UniqueSafeArray&& other) noexcept {
  if (this != &other) {
    Reset();
    array_ = std::exchange(other.array_, nullptr);
  }
  return *this;
}

UniqueSafeArray::~UniqueSafeArray() { Reset(); }

UniqueSafeArray UniqueSafeArray::CreateVector(VARTYPE type, ULONG count) {
  SAFEARRAY* array = SafeArrayCreateVector(type, 0, count);
  if (array == nullptr) throw FailureFromHresult(E_OUTOFMEMORY, "SafeArrayCreateVector");
  return Attach(array);
}

UniqueSafeArray UniqueSafeArray::Attach(SAFEARRAY* array) noexcept {
  UniqueSafeArray owner;
  owner.array_ = array;
  return owner;
}

SAFEARRAY* UniqueSafeArray::Detach() noexcept { return std::exchange(array_, nullptr); }

void UniqueSafeArray::Reset() noexcept {
  if (SAFEARRAY* held = std::exchange(array_, nullptr)) SafeArrayDestroy(held);
}

SAFEARRAY** UniqueSafeArray::Put() noexcept {
  Reset();
  return &array_;
}

void UniqueSafeArray::PutVariant(LONG index, const VARIANT& value) {
  // SafeArrayPutElement copies the VARIANT it is given; it never takes the caller's reference.
  ThrowIfFailed(SafeArrayPutElement(array_, &index, const_cast<VARIANT*>(&value)),
                "SafeArrayPutElement");
}

LONG UniqueSafeArray::Count() const {
  if (array_ == nullptr) return 0;
  LONG lower = 0;
  LONG upper = -1;
  ThrowIfFailed(SafeArrayGetLBound(array_, 1, &lower), "SafeArrayGetLBound");
  ThrowIfFailed(SafeArrayGetUBound(array_, 1, &upper), "SafeArrayGetUBound");
  return upper - lower + 1;
}

}  // namespace kestrova::win32
