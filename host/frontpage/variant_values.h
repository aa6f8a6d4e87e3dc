// The VARIANTs passed to the host and read back from it: arguments of the exact types its members
// take, and the conversions of its results to the core's types.
#ifndef KESTROVA_HOST_FRONTPAGE_VARIANT_VALUES_H_
#define KESTROVA_HOST_FRONTPAGE_VARIANT_VALUES_H_

#include <oaidl.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/unique_variant.h"

namespace kestrova::host::frontpage {

// An optional argument left out: VT_ERROR holding DISP_E_PARAMNOTFOUND.
win32::UniqueVariant MissingArgument() noexcept;

// A VT_I2 holding `value`.
win32::UniqueVariant Int16Argument(std::int16_t value) noexcept;

// A VT_BOOL holding VARIANT_TRUE or VARIANT_FALSE.
win32::UniqueVariant BoolArgument(bool value) noexcept;

// A VT_BSTR holding `text` (UTF-8) as UTF-16.
win32::UniqueVariant TextArgument(std::string_view text);

// The object a result holds (VT_DISPATCH, or VT_UNKNOWN that answers IDispatch); raises the
// platform's "object not set" Failure when it holds none.
win32::ComPtr<IDispatch> DispatchFrom(const win32::UniqueVariant& value);

// A result converted as automation converts it (VariantChangeType), as UTF-8 text, a 32-bit
// integer or a Boolean; raises a Failure when it does not convert.
std::string TextFrom(const win32::UniqueVariant& value);
std::int32_t Int32From(const win32::UniqueVariant& value);
bool BoolFrom(const win32::UniqueVariant& value);

}  // namespace kestrova::host::frontpage

#endif  // KESTROVA_HOST_FRONTPAGE_VARIANT_VALUES_H_
