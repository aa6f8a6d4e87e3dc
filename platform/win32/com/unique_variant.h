// UniqueVariant: the owner of one VARIANT and whatever it holds.
#ifndef KESTROVA_PLATFORM_WIN32_COM_UNIQUE_VARIANT_H_
#define KESTROVA_PLATFORM_WIN32_COM_UNIQUE_VARIANT_H_

#include <ole2.h>

#include <cstdint>
#include <string_view>

namespace kestrova::win32 {

// Owns a VARIANT: a new one is VT_EMPTY, and VariantClear frees what it holds (a string, an array)
// or releases it (an interface) when it goes or is reset. Move-only.
class UniqueVariant {
 public:
  UniqueVariant() noexcept;
  UniqueVariant(UniqueVariant&& other) noexcept;
  UniqueVariant& operator=(UniqueVariant&& other) noexcept;
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant();

  // A VT_BSTR copy of `text`; throws Failure when the string cannot be allocated.
  [[nodiscard]] static UniqueVariant FromText(std::wstring_view text);

  // A VT_I4 holding `value`.
  [[nodiscard]] static UniqueVariant FromInt32(std::int32_t value) noexcept;

  // A VT_UNKNOWN holding a reference of its own to `object` (which may be null).
  [[nodiscard]] static UniqueVariant FromUnknown(IUnknown* object) noexcept;

  // Takes over `value`, which the caller owned; `value` is left VT_EMPTY.
  [[nodiscard]] static UniqueVariant Attach(VARIANT& value) noexcept;

  // Gives up ownership; the caller clears the result.
  [[nodiscard]] VARIANT Detach() noexcept;

  // Clears what is held; the variant is VT_EMPTY afterwards.
  void Reset() noexcept;

  const VARIANT& Get() const noexcept { return value_; }

  // Clears what is held and returns the address for an out parameter that fills it.
  VARIANT* Put() noexcept;

 private:
  VARIANT value_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_COM_UNIQUE_VARIANT_H_
