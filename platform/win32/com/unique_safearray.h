// UniqueSafeArray: the owner of one SAFEARRAY and its elements.
#ifndef KESTROVA_PLATFORM_WIN32_COM_UNIQUE_SAFEARRAY_H_
#define KESTROVA_PLATFORM_WIN32_COM_UNIQUE_SAFEARRAY_H_

#include <ole2.h>

namespace kestrova::win32 {

// Owns a SAFEARRAY and destroys it, elements included, when it goes. Move-only.
class UniqueSafeArray {
 public:
  UniqueSafeArray() noexcept = default;
  UniqueSafeArray(UniqueSafeArray&& other) noexcept;
  UniqueSafeArray& operator=(UniqueSafeArray&& other) noexcept;
  UniqueSafeArray(const UniqueSafeArray&) = delete;
  UniqueSafeArray& operator=(const UniqueSafeArray&) = delete;
  ~UniqueSafeArray();

  // A one-dimensional array of `count` elements of type `type`, indexed from 0; throws Failure when
  // it cannot be created.
  [[nodiscard]] static UniqueSafeArray CreateVector(VARTYPE type, ULONG count);

  // Takes over `array`, which the caller owned.
  [[nodiscard]] static UniqueSafeArray Attach(SAFEARRAY* array) noexcept;

  // Gives up ownership; the caller destroys the result.
  [[nodiscard]] SAFEARRAY* Detach() noexcept;

  // Destroys the array held, if any.
  void Reset() noexcept;

  SAFEARRAY* Get() const noexcept { return array_; }

  // Destroys the array held and returns the address for an out parameter that fills it.
  SAFEARRAY** Put() noexcept;

  // Copies `value` into element `index` of a one-dimensional VARIANT array (strings are copied,
  // interfaces get a reference of their own); throws Failure on a wrong index or type.
  void PutVariant(LONG index, const VARIANT& value);

  // The number of elements in the first dimension; 0 when nothing is held.
  LONG Count() const;

 private:
  SAFEARRAY* array_ = nullptr;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_COM_UNIQUE_SAFEARRAY_H_
