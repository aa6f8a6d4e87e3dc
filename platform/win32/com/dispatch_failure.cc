#include "platform/win32/com/dispatch_failure.h"

#include <cstdint>
#include <string>

#include "platform/win32/com/com_failure.h"
#include "platform/win32/com/unique_bstr.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {

Failure FailureFromInvoke(HRESULT result, EXCEPINFO& exception, std::string_view member) {
  if (result == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr) {
    exception.pfnDeferredFillIn(&exception);
    exception.pfnDeferredFillIn = nullptr;
  }
  // Owned from here on, so the strings are freed however this ends.
  const win32::UniqueBstr source = win32::UniqueBstr::Attach(exception.bstrSource);
  const win32::UniqueBstr description = win32::UniqueBstr::Attach(exception.bstrDescription);
  const win32::UniqueBstr help_file = win32::UniqueBstr::Attach(exception.bstrHelpFile);
  exception.bstrSource = nullptr;
  exception.bstrDescription = nullptr;
  exception.bstrHelpFile = nullptr;
  if (result != DISP_E_EXCEPTION) return win32::FailureFromHresult(result, member);

  // A host that raised an error of its own numbers it in scode or, as run-time errors, in wCode.
  std::int32_t number = static_cast<std::int32_t>(DISP_E_EXCEPTION);
  if (FAILED(exception.scode)) {
    number = static_cast<std::int32_t>(exception.scode);
  } else if (exception.wCode != 0) {
    number = exception.wCode;
  }
  std::string source_text = win32::Utf8FromWide(source.View());
  if (source_text.empty()) source_text = std::string(member);
  std::string description_text = win32::Utf8FromWide(description.View());
  if (description_text.empty()) {
    description_text = number < 0 ? win32::FailureFromHresult(number, member).description()
                                  : std::string(PlatformDescription(number));
  }
  return Failure(number, std::move(source_text), std::move(description_text));
}

}  // namespace kestrova::win32
