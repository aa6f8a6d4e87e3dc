#include "host/frontpage/variant_values.h"

#include "base/failure.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/wide_text.h"

namespace kestrova::host::frontpage {
namespace {

// value converted to type; raises a Failure when automation cannot convert it.
win32::UniqueVariant Converted(const win32::UniqueVariant& value, VARTYPE type) {
  win32::UniqueVariant converted;
  VARIANT* target = converted.Put();
  // MinGW declares the source non-const; VariantChangeType only reads it.
  VARIANT* source = const_cast<VARIANT*>(&value.Get());
  win32::ThrowIfFailed(VariantChangeType(target, source, 0, type), "VariantChangeType");
  return converted;
}

}  // namespace

win32::UniqueVariant MissingArgument() noexcept {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_ERROR;
  V_ERROR(&value) = DISP_E_PARAMNOTFOUND;
  return win32::UniqueVariant::Attach(value);
}

win32::UniqueVariant Int16Argument(std::int16_t value) noexcept {
  VARIANT variant;
  VariantInit(&variant);
  V_VT(&variant) = VT_I2;
  V_I2(&variant) = value;
  return win32::UniqueVariant::Attach(variant);
}

win32::UniqueVariant BoolArgument(bool value) noexcept {
  VARIANT variant;
  VariantInit(&variant);
  V_VT(&variant) = VT_BOOL;
  V_BOOL(&variant) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return win32::UniqueVariant::Attach(variant);
}

win32::UniqueVariant TextArgument(std::string_view text) {
  return win32::UniqueVariant::FromText(win32::WideFromUtf8(text));
}

win32::ComPtr<IDispatch> DispatchFrom(const win32::UniqueVariant& value) {
  const VARIANT& held = value.Get();
  win32::ComPtr<IDispatch> object;
  if (V_VT(&held) == VT_DISPATCH && V_DISPATCH(&held) != nullptr) {
    object = win32::ComPtr<IDispatch>(V_DISPATCH(&held));
  } else if (V_VT(&held) == VT_UNKNOWN && V_UNKNOWN(&held) != nullptr) {
    win32::ComPtr<IUnknown> unknown(V_UNKNOWN(&held));
    unknown.QueryTo(IID_IDispatch, &object);
  }
  if (!object) RaiseProgramError(kErrObjectNotSet);
  return object;
}

std::string TextFrom(const win32::UniqueVariant& value) {
  const win32::UniqueVariant text = Converted(value, VT_BSTR);
  const BSTR held = V_BSTR(&text.Get());
  if (held == nullptr) return {};
  return win32::Utf8FromWide(std::wstring_view(held, SysStringLen(held)));
}

std::int32_t Int32From(const win32::UniqueVariant& value) {
  return V_I4(&Converted(value, VT_I4).Get());
}

bool BoolFrom(const win32::UniqueVariant& value) {
  return V_BOOL(&Converted(value, VT_BOOL).Get()) != VARIANT_FALSE;
}

}  // namespace kestrova::host::frontpage
