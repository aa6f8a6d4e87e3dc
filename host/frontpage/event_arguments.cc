#include "host/frontpage/event_arguments.h"

#include "base/failure.h"
#include "host/frontpage/variant_values.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/com/unique_bstr.h"
#include "platform/win32/com/unique_variant.h"
#include "platform/win32/wide_text.h"

namespace kestrova::host::frontpage {
namespace {

// The VARIANT that holds the value: the argument itself, or the one it refers to.
const VARIANT& Referred(const VARIANT& argument) {
  if (V_VT(&argument) == (VT_BYREF | VT_VARIANT)) {
    if (V_VARIANTREF(&argument) == nullptr) RaiseProgramError(kErrObjectNotSet);
    return *V_VARIANTREF(&argument);
  }
  return argument;
}

// A copy of the argument's value with any reference taken away, owned by the result.
// VariantCopyInd only reads its source; its declaration lacks the const.
win32::UniqueVariant ValueOf(const VARIANT& argument) {
  win32::UniqueVariant value;
  win32::ThrowIfFailed(VariantCopyInd(value.Put(), const_cast<VARIANT*>(&Referred(argument))),
                       "VariantCopyInd");
  return value;
}

}  // namespace

VARIANT& EventArgument(DISPPARAMS& params, UINT index) {
  if (params.rgvarg == nullptr || index >= params.cArgs) {
    throw win32::FailureFromHresult(DISP_E_BADPARAMCOUNT, "event arguments");
  }
  return params.rgvarg[params.cArgs - 1 - index];
}

win32::ComPtr<IDispatch> EventObject(const VARIANT& argument) {
  return DispatchFrom(ValueOf(argument));
}

bool EventBool(const VARIANT& argument) { return BoolFrom(ValueOf(argument)); }

void SetEventBool(VARIANT& argument, bool value) {
  const VARIANT_BOOL flag = value ? VARIANT_TRUE : VARIANT_FALSE;
  if (V_VT(&argument) == (VT_BYREF | VT_BOOL)) {
    if (V_BOOLREF(&argument) != nullptr) *V_BOOLREF(&argument) = flag;
  } else if (V_VT(&argument) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&argument) != nullptr) {
    VARIANT& target = *V_VARIANTREF(&argument);
    VariantClear(&target);
    V_VT(&target) = VT_BOOL;
    V_BOOL(&target) = flag;
  }
}

std::string EventText(const VARIANT& argument) { return TextFrom(ValueOf(argument)); }

void SetEventText(VARIANT& argument, std::string_view text) {
  if (V_VT(&argument) == (VT_BYREF | VT_BSTR)) {
    if (V_BSTRREF(&argument) == nullptr) return;
    win32::UniqueBstr replacement(win32::WideFromUtf8(text));
    SysFreeString(*V_BSTRREF(&argument));
    *V_BSTRREF(&argument) = replacement.Detach();
  } else if (V_VT(&argument) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&argument) != nullptr) {
    win32::UniqueBstr replacement(win32::WideFromUtf8(text));
    VARIANT& target = *V_VARIANTREF(&argument);
    VariantClear(&target);
    V_VT(&target) = VT_BSTR;
    V_BSTR(&target) = replacement.Detach();
  }
}

}  // namespace kestrova::host::frontpage
