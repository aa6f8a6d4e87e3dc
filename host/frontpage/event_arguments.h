// The arguments of the host's events as a sink receives them: objects, and Booleans and strings
// passed by reference that the handler may change. Hosts pass a by-reference argument either
// directly (VT_BYREF | VT_BOOL, VT_BYREF | VT_BSTR) or through a VARIANT (VT_BYREF | VT_VARIANT);
// both forms are read and written alike.
#ifndef KESTROVA_HOST_FRONTPAGE_EVENT_ARGUMENTS_H_
#define KESTROVA_HOST_FRONTPAGE_EVENT_ARGUMENTS_H_

#include <oaidl.h>

#include <string>
#include <string_view>

#include "platform/win32/com/com_ptr.h"

namespace kestrova::host::frontpage {

// The argument at `index` in the caller's order (0 is the first argument, which IDispatch puts
// last); raises a Failure (DISP_E_BADPARAMCOUNT) when the host passed fewer.
VARIANT& EventArgument(DISPPARAMS& params, UINT index);

// The object an argument holds (VT_DISPATCH, VT_UNKNOWN that answers IDispatch, or either by
// reference); raises the "object not set" Failure when it holds none.
win32::ComPtr<IDispatch> EventObject(const VARIANT& argument);

// A Boolean argument's value, converted as automation converts; raises a Failure when it does not
// convert.
bool EventBool(const VARIANT& argument);
// Writes value back through a by-reference argument; an argument passed by value is left alone,
// since the host would not see the change.
void SetEventBool(VARIANT& argument, bool value);

// A string argument's value as UTF-8.
std::string EventText(const VARIANT& argument);
// Writes text back through a by-reference argument (freeing the string it held); an argument
// passed by value is left alone.
void SetEventText(VARIANT& argument, std::string_view text);

}  // namespace kestrova::host::frontpage

#endif  // KESTROVA_HOST_FRONTPAGE_EVENT_ARGUMENTS_H_
