// UniqueBstr: the owner of one BSTR.
#ifndef KESTROVA_PLATFORM_WIN32_COM_UNIQUE_BSTR_H_
#define KESTROVA_PLATFORM_WIN32_COM_UNIQUE_BSTR_H_

#include <ole2.h>

#include <string_view>

namespace kestrova::win32 {

// Owns a BSTR and frees it with SysFreeString. Move-only. A null BSTR is the empty string, as
// automation treats it.
class UniqueBstr {
 public:
  UniqueBstr() noexcept = default;

  // Copies `text` into a new BSTR; throws Failure (E_OUTOFMEMORY) when that fails.
  explicit UniqueBstr(std::wstring_view text);

  UniqueBstr(UniqueBstr&& other) noexcept;
  UniqueBstr& operator=(UniqueBstr&& other) noexcept;
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr();

  // Takes over `value`, which the caller owned.
  [[nodiscard]] static UniqueBstr Attach(BSTR value) noexcept;

  // Gives up ownership; the caller frees the result.
  [[nodiscard]] BSTR Detach() noexcept;

  // Frees the string held, if any.
  void Reset() noexcept;

  BSTR Get() const noexcept { return value_; }

  // Frees the string held and returns the address for an out parameter that fills it.
  BSTR* Put() noexcept;

  // The characters, without the terminating null; empty for a null BSTR.
  std::wstring_view View() const noexcept;

 private:
  BSTR value_ = nullptr;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_COM_UNIQUE_BSTR_H_
