#include "platform/win32/com/unique_variant.h"

#include "platform/win32/com/unique_bstr.h"

namespace kestrova::win32 {

UniqueVariant::UniqueVariant() noexcept { VariantInit(&value_); }

UniqueVariant::UniqueVariant(UniqueVariant&& other) noexcept : value_(other.value_) {
  VariantInit(&other.value_);
}

UniqueVariant& UniqueVariant::operator=(UniqueVariant&& other) noexcept {
  if (this != &other) {
    Reset();
    value_ = other.value_;
    VariantInit(&other.value_);
  }
  return *this;
}

UniqueVariant::~UniqueVariant() { Reset(); }

UniqueVariant UniqueVariant::FromText(std::wstring_view text) {
  UniqueBstr copy(text);
  UniqueVariant variant;
  V_VT(&variant.value_) = VT_BSTR;
  V_BSTR(&variant.value_) = copy.Detach();
  return variant;
}

UniqueVariant UniqueVariant::FromInt32(std::int32_t value) noexcept {
  UniqueVariant variant;
  V_VT(&variant.value_) = VT_I4;
  V_I4(&variant.value_) = value;
  return variant;
}

UniqueVariant UniqueVariant::FromUnknown(IUnknown* object) noexcept {
  UniqueVariant variant;
  if (object != nullptr) object->AddRef();
  V_VT(&variant.value_) = VT_UNKNOWN;
  V_UNKNOWN(&variant.value_) = object;
  return variant;
}

UniqueVariant UniqueVariant::Attach(VARIANT& value) noexcept {
  UniqueVariant variant;
  variant.value_ = value;
  VariantInit(&value);
  return variant;
}

VARIANT UniqueVariant::Detach() noexcept {
  VARIANT released = value_;
  VariantInit(&value_);
  return released;
}

void UniqueVariant::Reset() noexcept {
  VariantClear(&value_);
  VariantInit(&value_);
}

VARIANT* UniqueVariant::Put() noexcept {
  Reset();
  return &value_;
}

}  // namespace kestrova::win32
