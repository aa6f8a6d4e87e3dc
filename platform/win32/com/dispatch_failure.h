// The Failure for a failed IDispatch::Invoke: the host's own error (its EXCEPINFO) when it raised
// one, the system's text for the HRESULT otherwise.
#ifndef KESTROVA_PLATFORM_WIN32_COM_DISPATCH_FAILURE_H_
#define KESTROVA_PLATFORM_WIN32_COM_DISPATCH_FAILURE_H_

#include <oaidl.h>

#include <string_view>

#include "base/failure.h"

namespace kestrova::win32 {

// The Failure for `result` returned by Invoke of member `member`. For DISP_E_EXCEPTION it takes
// the number (scode, else wCode), source and description from `exception` (filled in first when
// the host deferred it), falling back to `member` and the system's text where the host left them
// out; it frees the strings of `exception` in every case.
Failure FailureFromInvoke(HRESULT result, EXCEPINFO& exception, std::string_view member);

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_COM_DISPATCH_FAILURE_H_
