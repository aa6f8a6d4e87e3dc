#include "addin/com/error_info.h"

#include <oleauto.h>

#include "platform/win32/com/com_ptr.h"
#include "platform/win32/wide_text.h"

namespace kestrova::com {

HRESULT ReportFailure(const Failure& failure, REFIID iid) noexcept {
  const HRESULT result = win32::HresultFromFailure(failure);
  try {
    win32::ComPtr<ICreateErrorInfo> creator;
    if (FAILED(CreateErrorInfo(creator.Put()))) return result;
    const std::wstring source = win32::WideFromUtf8(failure.source());
    const std::wstring description = win32::WideFromUtf8(failure.description());
    creator->SetGUID(iid);
    creator->SetSource(const_cast<LPOLESTR>(source.c_str()));
    creator->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    win32::ComPtr<IErrorInfo> info;
    if (SUCCEEDED(creator.QueryTo(IID_IErrorInfo, &info))) SetErrorInfo(0, info.Get());
  } catch (...) {
    // Without the error object the caller still has the HRESULT.
  }
  return result;
}

}  // namespace kestrova::com
