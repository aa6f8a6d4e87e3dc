// Failures of the add-in's own COM methods as their callers receive them: the HRESULT, and the
// description and source as the thread's error object, so that an automation caller (FrontPage, a
// script) shows the add-in's own message.
#ifndef KESTROVA_ADDIN_COM_ERROR_INFO_H_
#define KESTROVA_ADDIN_COM_ERROR_INFO_H_

#include <windows.h>

#include "base/failure.h"
#include "platform/win32/com/com_failure.h"

namespace kestrova::com {

// Sets the thread's error object from failure (for interface iid) and returns its HRESULT.
HRESULT ReportFailure(const Failure& failure, REFIID iid) noexcept;

// Runs body (which returns an HRESULT) so that no exception leaves it: a Failure becomes its
// HRESULT with the error object set; any other exception becomes its HRESULT as GuardComCall
// gives it. A successful call clears the thread's error object.
template <typename Body>
HRESULT GuardWithErrorInfo(REFIID iid, Body&& body) noexcept {
  try {
    SetErrorInfo(0, nullptr);
    return body();
  } catch (const Failure& failure) {
    return ReportFailure(failure, iid);
  } catch (...) {
    return win32::HresultFromCaughtException();
  }
}

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_ERROR_INFO_H_
